#pragma once
// Command text to C source for the host microcontroller: one call of the send function per
// line of command text, the text escaped into a C string literal that decodes to exactly the
// bytes the module must receive.
#include <string>
#include <string_view>
#include <vector>

namespace quelmo {

struct CCodeOptions {
    bool arduino = false;      // Serial.print("…"); instead of GpuSend("…");
    bool hex = false;          // bytes of 0x80 and above as \xHH, the line kept as a comment
    bool single_line = false;  // the whole text as one call
};

// The send call's opening: GpuSend(" or Serial.print(".
std::string_view CCodePrefix(const CCodeOptions& options);

// The text (GBK) as the inside of a C string literal. Control bytes are dropped; inside the
// command language's single quotes a backslash before a quote comes out as \\\ so that C gives
// back the \' the module expects.
std::string EscapeCCode(std::string_view text, bool hex);

// The output lines: one call per input line and a last call sending CR LF, or one call for the
// whole text when `single_line`.
std::vector<std::string> GenerateCCode(std::string_view text, const CCodeOptions& options);

}  // namespace quelmo
