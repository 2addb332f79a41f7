#pragma once
// The POSIX side of a serial line: line settings through termios2 (so any rate, 256000
// included, is set exactly), purging, the modem lines and the line counters. Kept apart from
// <termios.h> users because the kernel's termios2 header clashes with the C library's.
#include <cstdint>

namespace quelmo::serial {

struct LineSettings {
    uint32_t baud_rate = 9600;
    bool parity_check = false;
    bool cts_flow = false;
    bool dsr_flow = false;
    int dtr_control = 0;      // 0 enable, 1 disable, 2 handshake
    bool dsr_sensitivity = false;
    bool tx_continue_on_xoff = true;
    bool out_xon_xoff = true;
    bool in_xon_xoff = true;
    bool replace_parity_errors = false;
    bool ignore_null = false;
    int rts_control = 0;      // 0 enable, 1 disable, 2 handshake, 3 on while transmitting
    uint16_t xon_limit = 500;
    uint16_t xoff_limit = 500;
    int byte_size = 3;        // data bits = 5 + byte_size
    int parity = 0;           // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int stop_bits = 0;        // 0 one, 1 one and a half, 2 two
    char xon_char = 17;
    char xoff_char = 19;
    char replaced_char = 0;

    bool operator==(const LineSettings&) const = default;
};

// True when fd is a terminal whose settings can be read.
bool IsTerminal(int fd);
// Writes the settings; false when the driver refuses them.
bool Apply(int fd, const LineSettings& s);
// Discards what waits in the driver's input and/or output queue.
void Purge(int fd, bool input, bool output);
// The output rate the line is set to (for a pseudo-terminal's master: the rate its other end
// chose); 0 when it cannot be read.
uint32_t CurrentRate(int fd);

// Line error and modem counters; false when the driver keeps none (pseudo-terminals).
struct Counters {
    uint32_t dcd = 0, ring = 0, overrun = 0, parity = 0, frame = 0, brk = 0, buf_overrun = 0;
};
bool ReadCounters(int fd, Counters* out);

}  // namespace quelmo::serial
