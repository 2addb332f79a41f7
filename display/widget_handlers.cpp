// Handlers of the widget statements: curve (DQX, RQX, Qn, Sn), menu (MENU, MSHW, MSET, MDF),
// hot zones (BTN, BICN, PBTN, TICN) and the input box (TSIN).
#include "display/tcmd.h"
#include "display/handlers.h"
#include "display/widgets.h"

namespace quelmo {
namespace {

// Hot zone (n - 1) mod 32: BTN(0, ...) is zone 31.
int ZoneIndex(int n) { return static_cast<int>((static_cast<int64_t>(n) + kHotZones - 1) % kHotZones); }

void DQX(Tcmd& cmd) {
    cmd.SetPos(5);
    const int x1 = cmd.ReadX(), y1 = cmd.ReadY();
    const int xp = cmd.ReadInt(), yn = cmd.ReadInt(), xn = cmd.ReadInt();
    SetUpCurve(cmd.Screen(), x1, y1, xp, yn, xn, cmd.ReadInt());
}

void RQX(Tcmd& cmd) { DrawCurve(cmd.Screen()); }

void Qn(Tcmd& cmd) {
    cmd.SetPos(2);
    AppendSample(cmd.Screen(), cmd.ReadInt());
}

void Sn(Tcmd& cmd) {
    cmd.SetPos(2);
    AppendSample(cmd.Screen(), cmd.ReadInt());
    DrawCurve(cmd.Screen());
}

void MENU(Tcmd& cmd) {
    cmd.SetPos(6);
    Tgd& gd = cmd.Screen();
    MenuState& m = gd.widgets.menu;
    m.x1 = cmd.ReadX();
    m.y1 = cmd.ReadY();
    for (int* field : {&m.w, &m.h, &m.pw, &m.ax1, &m.ax2, &m.hzm, &m.yn, &m.max, &m.pg, &m.go}) *field = cmd.ReadInt();
    m.selected = 0;
    const int height = static_cast<int>(static_cast<uint32_t>(m.max) * static_cast<uint32_t>(m.h));
    gd.work = gd.bounds = {m.x1, m.y1, m.x1 + m.w, static_cast<int>(static_cast<uint32_t>(m.y1) + static_cast<uint32_t>(height))};
    gd.widgets.last_width = m.w;
    gd.widgets.last_height = height;
}

void MSHW(Tcmd& cmd) { DrawMenuItems(cmd, true); }

void MSET(Tcmd& cmd) {
    cmd.SetPos(6);
    const int n = cmd.ReadInt();
    MenuState& m = cmd.Screen().widgets.menu;
    if (m.running_page) return;  // a menu page does not select in the menu it draws
    m.previous = m.selected;
    m.selected = n >= m.max ? 0 : n;
    DrawMenuItems(cmd, false);
}

void MDF(Tcmd& cmd) {
    cmd.SetPos(5);
    MenuState& m = cmd.Screen().widgets.menu;
    const int n = cmd.ReadInt();
    if (m.drawing == 0 || n != m.drawing) return;
    m.icon = cmd.ReadInt();
    m.title = cmd.ReadString();
}

void BTN(Tcmd& cmd) {
    cmd.SetPos(5);
    const int n = cmd.ReadInt();
    const int x1 = cmd.ReadX(), y1 = cmd.ReadY(), x2 = cmd.ReadX(), y2 = cmd.ReadY();
    const int t = cmd.ReadInt();  // the key code that follows is not read
    if (x1 >= x2) return;
    const int k = ZoneIndex(n);
    cmd.Screen().widgets.zones[static_cast<size_t>(k)] = HotZone{x1, y1, x2 - x1, y2 - y1, t, t};
    DrawZone(cmd.Screen(), k);
}

void TICN(Tcmd& cmd) {
    cmd.SetPos(6);
    const int pn = cmd.ReadInt(), xn = cmd.ReadInt();
    SetIconSheet(cmd.Screen(), pn, xn, cmd.ReadInt());
}

void BICN(Tcmd& cmd) {
    cmd.SetPos(6);
    Tgd& gd = cmd.Screen();
    const int k = ZoneIndex(cmd.ReadInt());
    const int x1 = cmd.ReadX(), y1 = cmd.ReadY();
    const int n1 = cmd.ReadInt(), n2 = cmd.ReadInt(), asc = cmd.ReadInt();
    // Icons up (n1) and down (n2) ride above the 9 bits of x and y.
    gd.widgets.zones[static_cast<size_t>(k)] =
        HotZone{x1 + 512 * n1, y1 + 512 * n2, gd.widgets.icons.icon_width, gd.widgets.icons.icon_height, 5, asc};
    DrawZone(gd, k);
}

void PBTN(Tcmd& cmd) {
    cmd.SetPos(6);
    Tgd& gd = cmd.Screen();
    const int k = ZoneIndex(cmd.ReadInt());
    const int x1 = cmd.ReadX(), y1 = cmd.ReadY();
    const int w = cmd.ReadInt(), h = cmd.ReadInt();
    const int bp1 = cmd.ReadInt(), bp2 = cmd.ReadInt(), asc = cmd.ReadInt();
    gd.widgets.zones[static_cast<size_t>(k)] = HotZone{x1 + 512 * (bp1 % 8), y1 + 512 * (bp2 % 8), w, h, 6, asc};
    DrawZone(gd, k);
}

void TSIN(Tcmd& cmd) {
    cmd.SetPos(6);
    Tgd& gd = cmd.Screen();
    InputBox& box = gd.widgets.input;
    box.hzm = cmd.ReadInt();
    box.x1 = cmd.ReadX();
    box.y1 = cmd.ReadY();
    box.limit_x = cmd.ReadX();
    box.length = cmd.ReadInt() & 15;
    box.mode = cmd.ReadInt();
    box.colour = cmd.ReadInt();
    box.text.clear();
    gd.work = gd.bounds = {box.x1, box.y1, box.limit_x, box.y1 + box.hzm};
    gd.widgets.last_width = box.limit_x - box.x1;
    gd.widgets.last_height = box.hzm;
}

}  // namespace

void RegisterWidgetHandlers(Tcmd& cmd) {
    cmd.Register("DQX", DQX, Tcmd::kTypeMove);
    cmd.Register("RQX", RQX, Tcmd::kTypeNoBounds);
    cmd.Register("Qn", Qn, Tcmd::kTypeNoBounds);
    cmd.Register("Sn", Sn, Tcmd::kTypeNoBounds);
    cmd.Register("MENU", MENU, Tcmd::kTypeMove);
    cmd.Register("MSHW", MSHW, Tcmd::kTypeNoBounds);
    cmd.Register("MSET", MSET, Tcmd::kTypeNoBounds);
    cmd.Register("MDF", MDF, Tcmd::kTypeNoBounds);
    cmd.Register("BTN", BTN, Tcmd::kTypeRect);
    cmd.Register("TICN", TICN, Tcmd::kTypeNoBounds);
    cmd.Register("BICN", BICN, Tcmd::kTypeMove);
    cmd.Register("PBTN", PBTN, Tcmd::kTypeMove);
    cmd.Register("TSIN", TSIN, Tcmd::kTypeMove);
}

}  // namespace quelmo
