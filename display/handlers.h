#pragma once
// Registration of the statement handlers with the interpreter, one function per group.
namespace quelmo {

class Tcmd;

// Every handler group; called once when the interpreter is created.
void RegisterHandlers(Tcmd& cmd);

void RegisterShapeHandlers(Tcmd& cmd);  // shapes, colours, CLS, SXY and the statements that draw nothing
void RegisterTextHandlers(Tcmd& cmd);   // DS, PS12..PS64, BS, LABL, PLAB
void RegisterPictureHandlers(Tcmd& cmd);  // PIC, CPIC, ICON, BPIC
void RegisterWidgetHandlers(Tcmd& cmd);   // curve, menu, hot zones, input box

}  // namespace quelmo
