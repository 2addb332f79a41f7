#include "sdcard/card.h"
#include "core/byte_order.h"

#include <cstring>

namespace quelmo::sd {
namespace {

}  // namespace

void ComposeFormatHeader(Sector& s, uint64_t card_size) {
    std::memset(s, 0xFF, kSectorSize);
    std::memcpy(s, kSignature, sizeof kSignature);
    // Cards of 4 GB and more keep only the low 32 bits of their size.
    bytes::PutLe32(s + kHeaderSize, static_cast<uint32_t>(card_size));
}

void ComposeDataHeader(Sector& s, uint64_t card_size, std::optional<uint32_t> rom_offset) {
    ComposeFormatHeader(s, card_size);
    bytes::PutLe32(s + kHeaderPicEntry, static_cast<uint32_t>(kPicIndexOffset));
    s[kHeaderPicEntry + 4] = kPicEntryKind;
    if (rom_offset) {
        bytes::PutLe32(s + kHeaderRomEntry, *rom_offset);
        s[kHeaderRomEntry + 4] = kRomEntryKind;
    }
}

void ComposeTimeSector(Sector& s, uint32_t stamp) {
    std::memset(s, 0xFF, kSectorSize);
    std::memcpy(s, kSignature, sizeof kSignature);
    bytes::PutLe32(s + kTimeStampAt, stamp);
}

bool HasSignature(const Sector& s) { return std::memcmp(s, kSignature, sizeof kSignature) == 0; }

uint32_t RecordedSize(const Sector& s) {
    const uint8_t* p = s + kHeaderSize;
    return bytes::Le32(p);
}

std::string GroupThousands(uint64_t n) {
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

}  // namespace quelmo::sd
