#pragma once
#include "cli/cli.h"

namespace quelmo::cli {

// Adds list, sort and make under `group`: for the flash list with an --sd switch, or for the
// SD card's list only (quelmo sd pictures ...).
void AddPictureCommands(CLI::App* group, Cli& cli, bool sd_only);

}  // namespace quelmo::cli
