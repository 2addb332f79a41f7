#pragma once
// Replacing the running program with a newer one: the new program is downloaded beside the
// running one, checked to be a whole executable of this machine's kind, renamed over the
// program file and started in the program's place with the same arguments. A download that
// failed, was cut short or is not such an executable leaves the program file as it was.
#include <filesystem>
#include <string>
#include <vector>

#include "core/result.h"

namespace quelmo::shell {

// The running program's file.
std::filesystem::path ProgramFile();

// Ok when `file` is an ELF executable (or position-independent executable) of the running
// program's class, byte order and machine, and holds every header, segment and section its
// headers announce.
Status CheckExecutable(const std::filesystem::path& file);

// The running program's arguments, args[0] included.
std::vector<std::string> ProgramArguments();

// Checks `downloaded`, makes it executable and renames it over `program` (same folder, so the
// rename is atomic). On a refusal `downloaded` is removed and `program` is untouched.
Status InstallProgram(const std::filesystem::path& downloaded, const std::filesystem::path& program);

// Starts `program` in place of this process with `args` (args[0] included). Returns only when
// that fails.
Error Restart(const std::filesystem::path& program, const std::vector<std::string>& args);

}  // namespace quelmo::shell
