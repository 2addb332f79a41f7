#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <utility>
#include <vector>

#include "cli/cli.h"
#include "shell/context.h"

namespace quelmo::cli {
namespace {

std::vector<std::pair<int, CommandSetup>>& Registry() {
    static std::vector<std::pair<int, CommandSetup>> registry;
    return registry;
}

}  // namespace

CommandRegistrar::CommandRegistrar(int order, CommandSetup setup) { Registry().emplace_back(order, setup); }

std::filesystem::path Cli::Workdir() const { return ResolveWorkdir(workdir_option); }

void Cli::Fail(const Error& error) {
    std::cerr << "quelmo: " << error.message << "\n";
    exit_code = error.code;
}

Result<std::string> ReadInput(const std::string& file) {
    if (file == "-") {
        std::ostringstream ss;
        ss << std::cin.rdbuf();
        return ss.str();
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) return Error{"cannot read " + file, 2};
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) return Error{"cannot read " + file, 2};
    return ss.str();
}

}  // namespace quelmo::cli

int main(int argc, char** argv) {
    using namespace quelmo::cli;
    CLI::App app{"Quelmo: designer for the Tarvo colour LCD module", "quelmo"};
    app.set_version_flag("--version", QUELMO_VERSION);
    app.require_subcommand(1);
    app.fallthrough();  // --workdir may also follow the subcommand
    Cli cli;
    app.add_option("--workdir", cli.workdir_option, "working folder (default $QUELMO_HOME or ~/.local/share/quelmo)");
    auto registry = Registry();
    std::stable_sort(registry.begin(), registry.end(), [](auto& a, auto& b) { return a.first < b.first; });
    for (auto& [order, setup] : registry) setup(app, cli);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : 2;
    }
    return cli.exit_code;
}
