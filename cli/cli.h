#pragma once
// The command line: one executable, one file per subcommand group. Each file registers its
// subcommands with a CommandRegistrar; main() builds the app from every registrar.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <string>

#include "core/result.h"

namespace quelmo::cli {

struct Cli {
    std::string workdir_option;
    int exit_code = 0;

    std::filesystem::path Workdir() const;
    // Prints "quelmo: <message>" on stderr and records the error's exit status.
    void Fail(const Error& error);
    void Fail(const std::string& message, int code) { Fail(Error{message, code}); }
};

using CommandSetup = void (*)(CLI::App& app, Cli& cli);

struct CommandRegistrar {
    // `order` sorts the subcommands in the help text.
    CommandRegistrar(int order, CommandSetup setup);
};

// Reads a whole file, or standard input for "-"; an error names the file.
Result<std::string> ReadInput(const std::string& file);

}  // namespace quelmo::cli
