#include "editors/statement_help.h"

#include "core/catalogue.h"
#include "core/gbk.h"
#include "display/tcmd.h"
#include "core/hashtable.h"

namespace quelmo {
namespace {

bool IsSeparatorSpace(char c) { return c != 0 && static_cast<unsigned char>(c) <= ' '; }

bool IsReadKind(std::string_view kind) {
    return kind == "X" || kind == "Y" || kind == "str" || kind == "int" || kind == "c" || kind == "pic" ||
           kind == "color" || kind == "asc";
}

bool IsChooserKind(std::string_view kind) { return kind == "c" || kind == "pic" || kind == "color" || kind == "asc"; }

std::string_view Item(const std::vector<std::string>& items, size_t i) {
    return i < items.size() ? std::string_view(items[i]) : std::string_view();
}

std::string_view GridValue(const ParameterGrid& grid, size_t i) {
    return i < grid.rows.size() ? std::string_view(grid.rows[i].value) : std::string_view();
}

// The statement is NAME(args), or the name alone when there are no arguments.
std::string Compose(std::string_view name, const std::string& args) {
    std::string out(name);
    if (!args.empty()) {
        out.push_back('(');
        out.append(args);
        out.push_back(')');
    }
    return out;
}

// A grid value between single quotes. The grid shows strings as the reader returned them, so
// a quote or backslash in the value is escaped again; otherwise the rebuilt statement would
// end the string early or lose the backslash.
void AppendQuoted(std::string& args, std::string_view value) {
    args.push_back('\'');
    for (char c : value) {
        if (c == '\'' || c == '\\') args.push_back('\\');
        args.push_back(c);
    }
    args.push_back('\'');
}

// The fixed captions of the help text, converted once.
struct Captions {
    std::string syntax = Utf8ToGbk("语法描述:");
    std::string params = Utf8ToGbk("参数:");
    std::string remark = Utf8ToGbk("备注:");
};
const Captions& HelpCaptions() {
    static const Captions captions;
    return captions;
}

std::vector<std::string> ParameterLines(std::string_view name) {
    return SplitLines(Catalogue::Shared().Parameters(name));
}

}  // namespace

GridRow* ParameterGrid::Find(std::string_view name) {
    for (auto& row : rows)
        if (row.name == name) return &row;
    return nullptr;
}

std::vector<std::string> SplitParameterLine(std::string_view line) {
    std::vector<std::string> items;
    size_t i = 0;
    const size_t n = line.size();
    auto skip_spaces = [&] {
        while (i < n && IsSeparatorSpace(line[i])) ++i;
    };
    skip_spaces();
    while (i < n) {
        std::string item;
        if (line[i] == '"') {
            ++i;
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        item.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item.push_back(line[i++]);
            }
        } else {
            while (i < n && !IsSeparatorSpace(line[i]) && line[i] != ':') item.push_back(line[i++]);
        }
        items.push_back(std::move(item));
        skip_spaces();
        if (i < n && line[i] == ':') {
            // A ':' that ends the line still separates an empty last item.
            if (i + 1 == n) items.emplace_back();
            ++i;
            skip_spaces();
        }
    }
    return items;
}

std::string ShowStatementHelp(Tcmd& cmd, EditorState& state, std::string_view line, ParameterGrid& grid) {
    cmd.SetStatement(line);
    const std::string name(Tcmd::StatementName(cmd.Statement()));
    cmd.SetPos(static_cast<int>(name.size()) + 2);
    const Catalogue& cat = Catalogue::Shared();

    grid.rows.clear();
    std::string help = HelpCaptions().syntax;
    help.append("\r\n");
    help.append(cat.Signature(name));
    help.append(HelpCaptions().params);

    for (auto& kind : state.kinds) kind.clear();

    const auto params = ParameterLines(name);
    for (size_t i = 0; i < params.size(); ++i) {
        const auto items = SplitParameterLine(params[i]);
        const std::string_view pname = Item(items, 0), kind = Item(items, 1);
        help.append("\r\n");
        help.append(pname);
        help.push_back(':');
        help.append(Item(items, 2));
        if (i + 1 < state.kinds.size()) state.kinds[i + 1] = std::string(kind);
        if (!IsReadKind(kind)) continue;
        int value = 0;
        std::string text;
        if (kind == "X")
            value = cmd.ReadX();
        else if (kind == "Y")
            value = cmd.ReadY();
        else if (kind == "str")
            text = cmd.ReadString();
        else
            value = cmd.ReadInt();
        if (kind != "str") text = std::to_string(value);
        grid.rows.push_back(GridRow{std::string(pname), std::string(kind), std::move(text), IsChooserKind(kind)});
    }
    help.append("\r\n");
    help.append(HelpCaptions().remark);
    help.append(cat.Remark(name));
    state.design_dirty = 1;
    return help;
}

std::string ApplyParameterGrid(std::string_view line, const ParameterGrid& grid) {
    const std::string_view name = Tcmd::StatementName(line);
    const auto params = ParameterLines(name);
    std::string args;
    for (size_t i = 0; i < params.size(); ++i) {
        if (!args.empty()) args.push_back(',');
        const auto items = SplitParameterLine(params[i]);
        const std::string_view kind = Item(items, 1);
        const std::string_view value = GridValue(grid, i);
        if (kind == "X" || kind == "Y") {
            args.append(value.empty() ? std::string_view("0") : value);
        } else if (kind == "str") {
            AppendQuoted(args, value);
        } else if (IsReadKind(kind)) {
            args.append(value);
        }
    }
    return Compose(name, args);
}

std::string RebuildStatement(const Tcmd& cmd, const EditorState& state, std::string_view line,
                             const ParameterGrid& grid) {
    const std::string_view name = Tcmd::StatementName(line);
    const auto params = ParameterLines(name);
    const auto b = cmd.Bounds();
    const int ox = cmd.OffsetX() > 0 ? cmd.OffsetX() : 0;
    const int oy = cmd.OffsetY() > 0 ? cmd.OffsetY() : 0;
    std::string args;
    for (size_t i = 0; i < params.size(); ++i) {
        if (!args.empty()) args.push_back(',');
        const auto items = SplitParameterLine(params[i]);
        const std::string_view pname = Item(items, 0);
        if (pname == "x1")
            args.append(std::to_string(b.x1 - ox));
        else if (pname == "y1")
            args.append(std::to_string(b.y1 - oy));
        else if (pname == "x2")
            args.append(std::to_string(b.x2 - ox));
        else if (pname == "y2")
            args.append(std::to_string(b.y2 - oy));
        else if (pname == "w")
            args.append(std::to_string(state.width_value));
        else if (pname == "h")
            args.append(std::to_string(state.height_value));
        else if (Item(items, 1) == "str")
            AppendQuoted(args, GridValue(grid, i));
        else
            args.append(GridValue(grid, i));
    }
    return Compose(name, args);
}

}  // namespace quelmo
