// Feeds any bytes to the parsers of the module's replies: the ";INF;" line, the firmware check
// and the RCPG check values. The first byte picks the parser.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "flash/trom.h"
#include "link/device_reply.h"
#include "link/upload.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] & 1) {
        quelmo::DeviceInfo info;
        quelmo::ParseInfReply(text, &info);
        if (info.SerialNo.size() > 14) __builtin_trap();
        quelmo::FirmwareAccepted(info.FirmwareText);
        quelmo::FirmwareAccepted(text);
    } else {
        static std::array<uint32_t, quelmo::kMaxSectors> sums;
        quelmo::ParseRcpgReply(text, sums);
    }
    return 0;
}
