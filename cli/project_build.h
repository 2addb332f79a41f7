#pragma once
// Builds the flash image of the open workspace the way the program's refresh does.
#include <iosfwd>

#include "core/result.h"
#include "shell/context.h"
#include "flash/trom.h"

namespace quelmo::cli {

// Loads temp/prj.ini when present (its BTL, 0 when absent; 115200 when there is no project),
// builds the image in g.Rom() with g's screen, and prints the build's warnings to `warn_out`
// as "quelmo: warning: ...".
Status BuildWorkspace(Tglobal& g, std::ostream& warn_out);

}  // namespace quelmo::cli
