#pragma once
// Builds the flash image of the open workspace the way the program's refresh does.
#include "core/result.h"
#include "shell/context.h"
#include "flash/trom.h"

namespace quelmo {

// Loads temp/prj.ini when present (its BTL, 0 when absent; 115200 when there is no project) and
// builds the image in g.Rom() with g's screen. A working folder without default.bin gets one
// drawn from the free fonts first (`drew_base` tells). The build's warnings go to `warnings`.
Status BuildWorkspace(Tglobal& g, Warnings* warnings, bool* drew_base = nullptr);

}  // namespace quelmo
