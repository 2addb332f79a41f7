#include "link/serial_line.h"

#include <asm/termbits.h>
#include <linux/serial.h>
#include <sys/ioctl.h>

namespace quelmo::serial {

bool IsTerminal(int fd) {
    termios2 t{};
    return ioctl(fd, TCGETS2, &t) == 0;
}

bool Apply(int fd, const LineSettings& s) {
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0) return false;

    // Binary mode: no translation of any byte in either direction.
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IXANY | IMAXBEL |
                   IXON | IXOFF | INPCK | IGNPAR);
    if (s.parity_check) t.c_iflag |= INPCK;
    if (s.out_xon_xoff) t.c_iflag |= IXON;
    if (s.in_xon_xoff) t.c_iflag |= IXOFF;
    t.c_oflag = 0;
    t.c_lflag = 0;

    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT) | CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT) | CREAD | CLOCAL;
    static constexpr tcflag_t kSizes[4] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= kSizes[(s.byte_size >= 0 && s.byte_size < 4) ? s.byte_size : 3];
    if (s.stop_bits != 0) t.c_cflag |= CSTOPB;  // no 1.5 stop bits here: the nearest is two
    switch (s.parity) {
        case 1: t.c_cflag |= PARENB | PARODD; break;
        case 2: t.c_cflag |= PARENB; break;
        case 3: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
        case 4: t.c_cflag |= PARENB | CMSPAR; break;
        default: break;
    }
    if (s.cts_flow || s.rts_control == 2) t.c_cflag |= CRTSCTS;
    t.c_ispeed = t.c_ospeed = s.baud_rate;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    t.c_cc[VSTART] = static_cast<cc_t>(s.xon_char);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.xoff_char);
    if (ioctl(fd, TCSETS2, &t) != 0) return false;

    // DTR and RTS: asserted unless disabled; a pseudo-terminal has neither, which is fine.
    int dtr = TIOCM_DTR, rts = TIOCM_RTS;
    ioctl(fd, s.dtr_control == 1 ? TIOCMBIC : TIOCMBIS, &dtr);
    ioctl(fd, s.rts_control == 1 ? TIOCMBIC : TIOCMBIS, &rts);
    return true;
}

void Purge(int fd, bool input, bool output) {
    if (input || output) ioctl(fd, TCFLSH, input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH);
}

uint32_t CurrentRate(int fd) {
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0) return 0;
    return t.c_ospeed;
}

bool ReadCounters(int fd, Counters* out) {
    serial_icounter_struct c{};
    if (ioctl(fd, TIOCGICOUNT, &c) != 0) return false;
    *out = Counters{static_cast<uint32_t>(c.dcd),     static_cast<uint32_t>(c.rng),
                    static_cast<uint32_t>(c.overrun), static_cast<uint32_t>(c.parity),
                    static_cast<uint32_t>(c.frame),   static_cast<uint32_t>(c.brk),
                    static_cast<uint32_t>(c.buf_overrun)};
    return true;
}

}  // namespace quelmo::serial
