#pragma once
// Runs the quelmo program as a user does and reads what it wrote.
#include <filesystem>
#include <string>
#include <vector>

#include "display/framebuffer.h"

namespace quelmo::test {

struct CliRun {
    int exit_code = -1;
    std::string out;
    std::string err;
};

// Runs `quelmo args...` with `stdin_text` on its standard input.
CliRun RunQuelmo(const std::vector<std::string>& args, const std::string& stdin_text = "");
// Runs any program the same way.
CliRun RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                  const std::string& stdin_text = "");

// A fresh empty folder under the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A whole file's bytes; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

// Reads an 8-bit RGB or RGBA PNG into pixels (0xFFRRGGBB); empty buffer when unreadable.
PixelBuffer ReadPng(const std::filesystem::path& path);

}  // namespace quelmo::test
