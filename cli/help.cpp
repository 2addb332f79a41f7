// quelmo help / rebuild: the catalogue's syntax help and parameter grid of one statement, and
// the statement rebuilt from changed parameter values.
#include <iostream>
#include <memory>
#include <vector>

#include "cli/cli.h"
#include "core/gbk.h"
#include "editors/statement_help.h"
#include "display/tcmd.h"
#include "shell/context.h"

namespace quelmo::cli {
namespace {

// The statement as typed, without surrounding blanks and a final ';'.
std::string CodeLine(const std::string& utf8) {
    std::string s = Utf8ToGbk(utf8);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.pop_back();
    if (!s.empty() && s.back() == ';') s.pop_back();
    size_t start = 0;
    while (start < s.size() && static_cast<unsigned char>(s[start]) <= ' ') ++start;
    return s.substr(start);
}

void PrintLines(const std::string& gbk) {
    std::string text = GbkToUtf8(gbk);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::cout << text.substr(start, end - start) << "\n";
        start = end + 2;
    }
}

void Help(Cli& cli, const std::string& statement) {
    Tglobal g(cli.Workdir());
    ParameterGrid grid;
    EditorState state;
    PrintLines(ShowStatementHelp(g.Cmd(), state, CodeLine(statement), grid));
    for (const auto& row : grid.rows)
        std::cout << row.name << "\t" << row.kind << "\t" << GbkToUtf8(row.value) << (row.chooser ? "\t..." : "")
                  << "\n";
}

void Rebuild(Cli& cli, const std::string& statement, const std::vector<std::string>& changes) {
    Tglobal g(cli.Workdir());
    const std::string line = CodeLine(statement);
    ParameterGrid grid;
    EditorState state;
    ShowStatementHelp(g.Cmd(), state, line, grid);
    for (const auto& change : changes) {
        const auto eq = change.find('=');
        if (eq == std::string::npos) return cli.Fail("expected NAME=VALUE, got " + change, 2);
        GridRow* row = grid.Find(change.substr(0, eq));
        if (!row) return cli.Fail("the statement has no parameter " + change.substr(0, eq), 2);
        row->value = Utf8ToGbk(change.substr(eq + 1));
    }
    std::cout << GbkToUtf8(ApplyParameterGrid(line, grid)) << "\n";
}

CommandRegistrar reg(40, [](CLI::App& app, Cli& cli) {
    auto statement = std::make_shared<std::string>();
    auto* help = app.add_subcommand("help", "syntax help and parameter grid (name, kind, value) of a statement");
    help->add_option("statement", *statement, "one statement, for example \"BOX(0,0,100,100,1)\"")->required();
    help->callback([&cli, statement] { Help(cli, *statement); });

    auto line = std::make_shared<std::string>();
    auto changes = std::make_shared<std::vector<std::string>>();
    auto* rebuild = app.add_subcommand("rebuild", "rebuild a statement from its parameters with some values changed");
    rebuild->add_option("statement", *line, "one statement")->required();
    rebuild->add_option("changes", *changes, "NAME=VALUE for each parameter to change");
    rebuild->callback([&cli, line, changes] { Rebuild(cli, *line, *changes); });
});

}  // namespace
}  // namespace quelmo::cli
