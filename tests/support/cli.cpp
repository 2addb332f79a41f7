#include "support/cli.h"

#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace quelmo::test {
namespace {

std::string Quote(const std::string& s) {
    std::string q(1, '\'');
    for (char c : s) {
        if (c == '\'') q.append("'\\''");
        else q.push_back(c);
    }
    q.push_back('\'');
    return q;
}

}  // namespace

TempDir::TempDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "quelmo-test-XXXXXX").string();
    char* made = mkdtemp(templ.data());
    path_ = made ? made : templ;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

CliRun RunQuelmo(const std::vector<std::string>& args, const std::string& stdin_text) {
    return RunProgram(QUELMO_CLI_PATH, args, stdin_text);
}

CliRun RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                  const std::string& stdin_text) {
    TempDir io;
    const auto in = io.path() / "stdin", out = io.path() / "stdout", err = io.path() / "stderr";
    std::ofstream(in, std::ios::binary) << stdin_text;
    std::string command = Quote(program.string());
    for (const auto& a : args) command += " " + Quote(a);
    command += " <" + Quote(in.string()) + " >" + Quote(out.string()) + " 2>" + Quote(err.string());
    const int status = std::system(command.c_str());
    CliRun run;
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadFile(out);
    run.err = ReadFile(err);
    return run;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

PixelBuffer ReadPng(const std::filesystem::path& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return PixelBuffer(0, 0);
    image.format = PNG_FORMAT_BGRA;
    PixelBuffer pixels(static_cast<int>(image.width), static_cast<int>(image.height));
    if (!png_image_finish_read(&image, nullptr, pixels.View().pixels, 0, nullptr)) return PixelBuffer(0, 0);
    return pixels;
}

}  // namespace quelmo::test
