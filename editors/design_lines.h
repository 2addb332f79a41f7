#pragma once
// The code lines of the assist design editor and the text operations on them. A code line is
// one statement without its ';', or a statement group "[" + statements joined by ';' + ";]"
// opened by a statement that sets the display offset (SXY, W8UE, CEUE). All text is GBK.
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace quelmo {

class Catalogue;

// Splits text into statements at ';' outside quotes (control bytes and spaces outside quotes
// dropped, empty statements skipped) and groups them: "SXY(0,0)" alone is dropped, a group
// starter opens a group that the next group starter closes, or the end of the text.
std::vector<std::string> LoadCodeLines(std::string_view text);

// Page text laid out for editing: CR and LF removed, spaces outside strings dropped, CR LF after
// every ';' outside strings.
std::string LayOutStatements(std::string_view text);

// The text "end design" hands to the batch interface editor: one line per code line (a group
// without its brackets), each followed by ';', lines joined by CR LF.
std::string EndDesignText(const std::vector<std::string>& lines);

// "import command": the edit area's lines, each trimmed, joined without separators, plus ';'.
std::string ImportText(const std::vector<std::string>& edit_lines);

// A group line as shown for direct editing: laid out one statement per line, brackets removed.
std::string GroupEditText(std::string_view group_line);

// "direct edit": the group text must start with a group starter and contain "SXY(0,0)"; gives
// the new group line ("[" + text without CR and LF + "]") or the message why not.
Result<std::string> DirectEditGroup(std::string_view text);

// A statement group opened for a design of its own.
struct GroupDesign {
    std::string before;  // the lines before the group, each followed by ';'
    std::string head;    // the group's first statement, for example "SXY(10,20);"
    std::string after;   // the lines after the group, each followed by ';'
};

// "assist design" on the group line `current`: gives the design and the group's own lines.
GroupDesign OpenGroupDesign(const std::vector<std::string>& lines, size_t current,
                            std::vector<std::string>& group_lines);

// "end design" during a group design: the whole page text again, to be loaded as code lines.
std::string EndGroupDesign(const GroupDesign& design, const std::vector<std::string>& group_lines);

// Palette button: appends the command's default statement as a new last line. False (and no
// line) when the command has no default statement.
bool AppendPaletteLine(const Catalogue& catalogue, std::string_view caption, std::vector<std::string>& lines);

}  // namespace quelmo
