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
    // Read straight into the text, in large pieces: inputs may be tens of megabytes.
    std::FILE* in = file == "-" ? stdin : std::fopen(file.c_str(), "rb");
    if (!in) return Error{"cannot read " + file, 2};
    std::string text;
    std::error_code ec;
    if (file != "-") {
        const auto size = std::filesystem::file_size(file, ec);
        if (!ec) text.reserve(static_cast<size_t>(size) + 1);  // one more: the short read that ends it
    }
    size_t have = 0;
    for (;;) {
        if (have == text.size()) text.resize(std::max({text.capacity(), have + have / 2, have + size_t{65536}}));
        const size_t want = text.size() - have;
        const size_t n = std::fread(text.data() + have, 1, want, in);
        have += n;
        if (n < want) break;  // the end, or an error
    }
    const bool failed = std::ferror(in) != 0;
    if (in != stdin) std::fclose(in);
    if (failed) return Error{"cannot read " + file, 2};
    text.resize(have);
    return text;
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
