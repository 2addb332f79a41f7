// Handlers of the text statements. Each stores the coordinates, colour and text in the screen
// and calls the text drawing (display/text.h).
#include "display/tcmd.h"
#include "display/handlers.h"
#include "display/text.h"

namespace quelmo {
namespace {

void StoreText(Tcmd& cmd) {
    Tgd& gd = cmd.Screen();
    gd.text_state.text = cmd.ReadString();
    gd.text_state.offset_x = cmd.OffsetX();
}

// DSnn(x1, y1, str, c, lx)
template <int Size>
void DS(Tcmd& cmd) {
    cmd.SetPos(6);
    Tgd& gd = cmd.Screen();
    gd.work.x1 = cmd.ReadX();
    gd.work.y1 = cmd.ReadY();
    StoreText(cmd);
    gd.foreground = cmd.ReadInt();
    gd.text_state.lx = cmd.ReadX();
    text::DrawLine(gd, Size);
}

// PSnn(m, x1, y1, str, c, lx); a limit not right of x1 becomes the screen width.
template <int Size>
void PSText(Tcmd& cmd) {
    cmd.SetPos(6);
    Tgd& gd = cmd.Screen();
    const int slot = cmd.ReadInt() & 7;
    gd.work.x1 = cmd.ReadX();
    gd.work.y1 = cmd.ReadY();
    StoreText(cmd);
    gd.foreground = cmd.ReadInt();
    int lx = cmd.ReadX();
    if (gd.work.x1 >= lx) lx = cmd.ScreenWidth();
    gd.text_state.lx = lx;
    text::DrawLineOverSlot(gd, Size, slot);
}

// BSnn(x1, y1, x2, lw, str, c)
template <int Size>
void BS(Tcmd& cmd) {
    cmd.SetPos(6);
    Tgd& gd = cmd.Screen();
    gd.work.x1 = cmd.ReadX();
    gd.work.y1 = cmd.ReadY();
    gd.work.x2 = cmd.ReadX();
    const int lw = cmd.ReadInt();
    StoreText(cmd);
    gd.foreground = cmd.ReadInt();
    text::DrawParagraph(gd, Size, gd.work.x2, lw);
}

// LABL(m, x1, y1, x2, str, c, ali) and PLAB(..., pn)
template <bool OverSlot>
void Label(Tcmd& cmd) {
    cmd.SetPos(6);
    Tgd& gd = cmd.Screen();
    const int size = cmd.ReadInt();
    gd.work.x1 = cmd.ReadX();
    gd.work.y1 = cmd.ReadY();
    gd.work.x2 = cmd.ReadX();
    StoreText(cmd);
    gd.foreground = cmd.ReadInt();
    const int align = cmd.ReadInt();
    if (OverSlot)
        text::DrawLabelOverSlot(gd, size, align, cmd.ReadInt());
    else
        text::DrawLabel(gd, size, align);
}

}  // namespace

void RegisterTextHandlers(Tcmd& cmd) {
    cmd.Register("DS12", DS<12>, Tcmd::kTypeMove);
    cmd.Register("DS16", DS<16>, Tcmd::kTypeMove);
    cmd.Register("DS24", DS<24>, Tcmd::kTypeMove);
    cmd.Register("DS32", DS<32>, Tcmd::kTypeMove);
    cmd.Register("DS48", DS<48>, Tcmd::kTypeMove);
    cmd.Register("DS64", DS<64>, Tcmd::kTypeMove);
    cmd.Register("PS12", PSText<12>, Tcmd::kTypeNone);  // not catalogued: its bounds are recorded
    cmd.Register("PS16", PSText<16>, Tcmd::kTypeMove);
    cmd.Register("PS24", PSText<24>, Tcmd::kTypeMove);
    cmd.Register("PS32", PSText<32>, Tcmd::kTypeMove);
    cmd.Register("PS48", PSText<48>, Tcmd::kTypeMove);
    cmd.Register("PS64", PSText<64>, Tcmd::kTypeMove);
    cmd.Register("BS12", BS<12>, Tcmd::kTypeRightEdge);
    cmd.Register("BS16", BS<16>, Tcmd::kTypeRightEdge);
    cmd.Register("BS24", BS<24>, Tcmd::kTypeRightEdge);
    cmd.Register("LABL", Label<false>, Tcmd::kTypeRightEdge);
    cmd.Register("PLAB", Label<true>, Tcmd::kTypeRightEdge);
    cmd.Screen().widgets.text_line = text::DrawTitle;
}

}  // namespace quelmo
