#pragma once
// The catalogue's editor operations: the syntax help and parameter grid of a code line, the
// statement rebuilt from the grid, and the statement rebuilt from a box after mouse editing.
// The grid is a plain model; a window shows it and writes the values back.
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace quelmo {

class Tcmd;

// What the editors remember between two help requests and hand to the statement rebuild.
struct EditorState {
    static constexpr int kMaxRows = 128;
    std::array<std::string, kMaxRows + 1> kinds;  // parameter kind by grid row, from 1
    int design_dirty = 0;  // 1 while the design editor holds an edited design not yet ended
    // The width and height values the control helper takes from its box for the rebuild.
    int width_value = 0;
    int height_value = 0;
};

struct GridRow {
    std::string name;
    std::string kind;   // X, Y, int, str, c, pic, color, asc
    std::string value;  // as the user sees it: a string without its quotes
    bool chooser = false;  // kinds c, pic, color and asc are picked with a chooser
};

struct ParameterGrid {
    std::vector<GridRow> rows;
    // The row of the given name, or nullptr.
    GridRow* Find(std::string_view name);
};

// Fills `grid` for the code line (GBK) and gives the help text, lines separated by CR LF.
// Reads the values with the interpreter's readers, so X and Y include the display offset in
// force; remembers each row's kind; sets the design-dirty flag.
std::string ShowStatementHelp(Tcmd& cmd, EditorState& state, std::string_view line, ParameterGrid& grid);

// The statement of the code line's command built from the grid: X and Y values default to 0,
// strings are quoted as they stand, other values are copied as they stand.
std::string ApplyParameterGrid(std::string_view line, const ParameterGrid& grid);

// The statement of the code line's command after mouse editing: x1, y1, x2, y2 from the
// interpreter's bounds less a positive display offset, w and h from the editors' size values,
// every other parameter from the grid.
std::string RebuildStatement(const Tcmd& cmd, const EditorState& state, std::string_view line,
                             const ParameterGrid& grid);

// Splits one parameter line into its items: ':' and runs of spaces or control bytes separate,
// a '"' starts a quoted item ("" inside it is one quote).
std::vector<std::string> SplitParameterLine(std::string_view line);

}  // namespace quelmo
