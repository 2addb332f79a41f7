// Handlers of the picture statements: PIC, CPIC, ICON, BPIC. Each starts reading at the first
// byte after "NAME(".
#include "display/tcmd.h"
#include "display/handlers.h"
#include "display/picture.h"

namespace quelmo {
namespace {

void PIC(Tcmd& cmd) {
    cmd.SetPos(5);
    Tgd& gd = cmd.Screen();
    gd.work.x1 = cmd.ReadX();
    gd.work.y1 = cmd.ReadY();
    DrawPicture(gd, gd.work.x1, gd.work.y1, cmd.ReadInt());
}

void CPIC(Tcmd& cmd) {
    cmd.SetPos(6);
    Tgd& gd = cmd.Screen();
    gd.work.x1 = cmd.ReadX();
    gd.work.y1 = cmd.ReadY();
    const int pn = cmd.ReadInt(), px = cmd.ReadInt(), py = cmd.ReadInt(), w = cmd.ReadInt();
    CutPicture(gd, gd.work.x1, gd.work.y1, pn, px, py, w, cmd.ReadInt());
}

void ICON(Tcmd& cmd) {
    cmd.SetPos(6);
    Tgd& gd = cmd.Screen();
    gd.work.x1 = cmd.ReadX();
    gd.work.y1 = cmd.ReadY();
    const int pn = cmd.ReadInt(), xn = cmd.ReadInt(), yn = cmd.ReadInt();
    DrawIcon(gd, gd.work.x1, gd.work.y1, pn, xn, yn, cmd.ReadInt());
}

void BPIC(Tcmd& cmd) {
    cmd.SetPos(6);
    Tgd& gd = cmd.Screen();
    const int m = cmd.ReadInt();
    gd.work.x1 = cmd.ReadX();
    gd.work.y1 = cmd.ReadY();
    const int pn = cmd.ReadInt();
    // The fifth argument is not in the catalogue's signature; absent it reads 0: draw.
    SetBackground(gd, m, gd.work.x1, gd.work.y1, pn, cmd.ReadInt() == 0);
}

}  // namespace

void RegisterPictureHandlers(Tcmd& cmd) {
    cmd.Register("PIC", PIC, Tcmd::kTypeMove);
    cmd.Register("CPIC", CPIC, Tcmd::kTypeSize);
    cmd.Register("ICON", ICON, Tcmd::kTypeMove);
    cmd.Register("BPIC", BPIC, Tcmd::kTypeMove);
}

}  // namespace quelmo
