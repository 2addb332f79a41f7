#pragma once
// Mouse editing on the assist design editor's screen: which frame and zone the pointer is over,
// the grab offsets when a drag starts, and the box while it is dragged, kept on the screen.
#include <vector>

#include "editors/axclass.h"

namespace quelmo {

struct Hover {
    int line = -1;  // -1 when no frame is hit
    int zone = TAXclass::kNoZone;
};

// The current line's frame is tested first, then every frame from the last line to the first;
// the first hit wins. `count` is the number of code lines (frames past it are unused).
Hover FindHover(const std::vector<TAXclass>& frames, size_t count, int current, int x, int y);

struct DesignDrag {
    int zone = TAXclass::kNoZone;
    int dx = 0, dy = 0;          // grab offsets
    int last_x = 0, last_y = 0;  // the last pointer position seen
};

// A drag starting at (x, y) over `zone` of the frame: move keeps the distance to the top-left
// corner, an edge keeps the distance to that edge.
DesignDrag StartDrag(const TAXclass& frame, int zone, int x, int y);

// Moves or resizes the frame's box for the pointer at (x, y) on a screen of width x height:
// a moved box stops at the left and top edges; an edge dragged to or past the screen's right or
// bottom edge leaves the box as it was. Records (x, y) as the last point.
void DragBox(TAXclass& frame, DesignDrag& drag, int x, int y, int width, int height);

// The first movement without the button ends the drag: the box change once more for the last
// point, then the statement is rebuilt from the box (the grid holds the line's other values).
void EndDrag(TAXclass& frame, DesignDrag& drag, int width, int height, const ParameterGrid& grid);

// "switch screen": swaps width and height, to portrait when the screen is wider than high,
// else to landscape; gives the button's new caption (UTF-8).
const char* SwitchScreen(int& width, int& height);

// Top-left corner that centres a screen of width x height on a panel, never above or left of it.
struct Placement {
    int left = 0, top = 0;
};
Placement CentreOnPanel(int panel_width, int panel_height, int width, int height);

}  // namespace quelmo
