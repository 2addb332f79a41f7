#include "editors/design_mouse.h"

#include <algorithm>
#include <utility>

namespace quelmo {

Hover FindHover(const std::vector<TAXclass>& frames, size_t count, int current, int x, int y) {
    count = std::min(count, frames.size());
    if (count == 0) return {};
    if (current >= 0 && static_cast<size_t>(current) < count)
        if (const int zone = frames[current].HitTest(x, y)) return {current, zone};
    for (size_t i = count; i-- > 0;)
        if (const int zone = frames[i].HitTest(x, y)) return {static_cast<int>(i), zone};
    return {};
}

DesignDrag StartDrag(const TAXclass& frame, int zone, int x, int y) {
    DesignDrag d;
    d.zone = zone;
    d.last_x = x;
    d.last_y = y;
    if (zone == TAXclass::kMoveZone) {
        d.dx = frame.x1 - x;
        d.dy = frame.y1 - y;
    } else if (zone == TAXclass::kRightEdge) {
        d.dx = frame.x2 - x;
    } else if (zone == TAXclass::kBottomEdge) {
        d.dy = frame.y2 - y;
    }
    return d;
}

void DragBox(TAXclass& f, DesignDrag& d, int x, int y, int width, int height) {
    d.last_x = x;
    d.last_y = y;
    switch (d.zone) {
    case TAXclass::kMoveZone:
        f.x1 = std::max(0, x + d.dx);
        f.y1 = std::max(0, y + d.dy);
        f.x2 = f.x1 + f.w;
        f.y2 = f.y1 + f.h;
        break;
    case TAXclass::kRightEdge:
        if (x + d.dx < width) f.x2 = x + d.dx;
        f.w = f.x2 - f.x1;
        break;
    case TAXclass::kBottomEdge:
        if (y + d.dy < height) f.y2 = y + d.dy;
        f.h = f.y2 - f.y1;
        break;
    default:
        break;
    }
}

void EndDrag(TAXclass& frame, DesignDrag& drag, int width, int height, const ParameterGrid& grid) {
    DragBox(frame, drag, drag.last_x, drag.last_y, width, height);
    drag.zone = TAXclass::kNoZone;
    frame.Regenerate(grid);
}

const char* SwitchScreen(int& width, int& height) {
    const bool to_portrait = height < width;
    std::swap(width, height);
    return to_portrait ? "切换横屏" : "切换竖屏";
}

Placement CentreOnPanel(int panel_width, int panel_height, int width, int height) {
    return {std::max(0, (panel_width - width) / 2), std::max(0, (panel_height - height) / 2)};
}

}  // namespace quelmo
