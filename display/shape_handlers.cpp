// Handlers of the shape, colour and system statements. Each sets its read position to the
// first byte after "NAME(" and reads its arguments in order.
#include "display/tcmd.h"
#include "display/handlers.h"

namespace quelmo {
namespace {

// x1 X, y1 Y, x2 X, y2 Y into the working rectangle.
Tgd::Rect ReadRect(Tcmd& cmd) {
    Tgd::Rect r;
    r.x1 = cmd.ReadX();
    r.y1 = cmd.ReadY();
    r.x2 = cmd.ReadX();
    r.y2 = cmd.ReadY();
    return r;
}

template <int Pos, bool Filled, bool Radius>
void BoxHandler(Tcmd& cmd) {
    cmd.SetPos(Pos);
    Tgd& gd = cmd.Screen();
    gd.work = ReadRect(cmd);
    if (Radius) cmd.ReadInt();  // the corner radius is read and not drawn
    gd.foreground = cmd.ReadInt();
    if (Filled)
        gd.FillBox(gd.work, gd.foreground);
    else
        gd.Box(gd.work, gd.foreground);
}

void W8BF(Tcmd& cmd) {
    cmd.SetPos(6);
    Tgd& gd = cmd.Screen();
    gd.work = ReadRect(cmd);
    gd.SchemeBox(gd.work, cmd.ReadInt());
}

void PL(Tcmd& cmd) {
    cmd.SetPos(4);
    Tgd& gd = cmd.Screen();
    gd.work = ReadRect(cmd);
    gd.foreground = cmd.ReadInt();
    gd.Line(gd.work.x1, gd.work.y1, gd.work.x2, gd.work.y2, gd.foreground);
}

void PS(Tcmd& cmd) {
    cmd.SetPos(4);
    Tgd& gd = cmd.Screen();
    gd.work.x1 = cmd.ReadX();
    gd.work.y1 = cmd.ReadY();
    gd.foreground = cmd.ReadInt();
    gd.Pixel(gd.work.x1, gd.work.y1, gd.foreground);
}

template <int Pos, bool Filled>
void CircleHandler(Tcmd& cmd) {
    cmd.SetPos(Pos);
    Tgd& gd = cmd.Screen();
    gd.work.x1 = cmd.ReadX();
    gd.work.y1 = cmd.ReadY();
    const int r = cmd.ReadInt();
    gd.foreground = cmd.ReadInt();
    if (Filled)
        gd.FillCircle(gd.work.x1, gd.work.y1, r, gd.foreground);
    else
        gd.Circle(gd.work.x1, gd.work.y1, r, gd.foreground);
}

void CLS(Tcmd& cmd) {
    cmd.SetPos(5);
    Tgd& gd = cmd.Screen();
    gd.Clear(cmd.ReadInt());
    gd.ResetWidgetState();
}

void SBC(Tcmd& cmd) {
    cmd.SetPos(5);
    cmd.Screen().SetBackgroundNumber(cmd.ReadInt());
}

void SCC(Tcmd& cmd) {
    cmd.SetPos(5);
    const int c = cmd.ReadInt();
    cmd.Screen().SetColour(c, cmd.ReadInt());
}

void SXY(Tcmd& cmd) {
    cmd.SetPos(5);
    const int x = cmd.ReadInt();
    cmd.SetOffset(x, cmd.ReadInt());
}

}  // namespace

void RegisterShapeHandlers(Tcmd& cmd) {
    cmd.Register("BOX", BoxHandler<5, false, false>, Tcmd::kTypeRect);
    cmd.Register("BOXF", BoxHandler<6, true, false>, Tcmd::kTypeRect);
    cmd.Register("CBOX", BoxHandler<6, false, true>, Tcmd::kTypeRect);
    cmd.Register("CBOF", BoxHandler<6, true, true>, Tcmd::kTypeRect);
    cmd.Register("W8BF", W8BF, Tcmd::kTypeRect);
    cmd.Register("PL", PL, Tcmd::kTypeNoBounds);
    cmd.Register("PS", PS, Tcmd::kTypeNoBounds);
    cmd.Register("CIR", CircleHandler<5, false>, Tcmd::kTypeNoBounds);
    cmd.Register("CIRF", CircleHandler<6, true>, Tcmd::kTypeNoBounds);
    cmd.Register("CLS", CLS, Tcmd::kTypeNoBounds);
    cmd.Register("SBC", SBC, Tcmd::kTypeNoBounds);
    cmd.Register("SCC", SCC, Tcmd::kTypeNoBounds);
    cmd.Register("SXY", SXY, Tcmd::kTypeNoBounds);
    // Touch panel and system statements: catalogued so the editors offer them; the screen
    // shows nothing for them.
    for (const char* name : {"TPST", "TPN", "TPOW", "TERM", "SPG", "DRn", "INF", "SNF", "SEBL"})
        cmd.Register(name, nullptr, Tcmd::kTypeNoBounds);
}

void RegisterHandlers(Tcmd& cmd) {
    RegisterShapeHandlers(cmd);
    RegisterTextHandlers(cmd);
    RegisterPictureHandlers(cmd);
    RegisterWidgetHandlers(cmd);
}

}  // namespace quelmo
