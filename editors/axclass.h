#pragma once
// The control helper: the frame object that stands for one code line on the simulated screen.
// It runs its line, keeps the box the line drew, draws the frame the user grabs, tells which
// zone of the frame is under the mouse and rewrites the line from its box after a drag.
#include <string>
#include <string_view>

#include "display/framebuffer.h"

namespace quelmo {

class Tcmd;
struct EditorState;
struct ParameterGrid;

class TAXclass {
public:
    enum Mode { kRunAndFrame = 0, kFrameOnly = 1, kRunOnly = 2 };
    enum Zone { kNoZone = 0, kMoveZone = 1, kRightEdge = 2, kBottomEdge = 3 };
    static constexpr int kEdgeReach = 5;  // an edge zone reaches this far either side of the edge

    TAXclass(Tcmd& cmd, EditorState& state, Framebuffer canvas) : cmd_(&cmd), state_(&state), canvas_(canvas) {}

    int x1 = 0, y1 = 0, w = 50, h = 50, x2 = 50, y2 = 50;
    int selected = 0;
    std::string label;      // the command name, or "控件" (GBK) for a group line
    std::string statement;  // the code line
    int type = 3;           // catalogue type; 3 means no frame and no grab

    void SetCanvas(Framebuffer canvas) { canvas_ = canvas; }
    // Takes a code line: a group line gets the label "控件" and type 3, any other its command's
    // catalogue type (3 when it has none).
    void SetStatement(std::string_view text);
    void Render(int mode);
    int HitTest(int x, int y) const;
    // Rewrites the statement from the box: x1, y1, x2, y2, w, h from the box, the other
    // parameters from the grid of the current line. The statement is not run again.
    void Regenerate(const ParameterGrid& grid);

private:
    void DrawFrame();

    Tcmd* cmd_;
    EditorState* state_;
    Framebuffer canvas_;
};

// Draws ASCII text in the screen's built-in 5 x 7 font on a background, each character 6 pixels
// wide; bytes the font lacks draw as a blank cell. Gives the width drawn.
int DrawSmallText(Framebuffer fb, int x, int y, std::string_view text, uint32_t ink, uint32_t background);

}  // namespace quelmo
