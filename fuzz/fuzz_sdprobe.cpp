// The file system probe reads whatever a card holds: boot sectors, partition tables and GPT
// headers whose offsets come from the card itself.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "sdcard/filesystem.h"

namespace {

class MemoryCard : public quelmo::sd::SectorDevice {
public:
    MemoryCard(const uint8_t* data, size_t size) : bytes_(data, data + size) {}
    quelmo::Status ReadSector(uint64_t offset, quelmo::sd::Sector& s) override {
        if (offset > bytes_.size() || bytes_.size() - offset < quelmo::sd::kSectorSize) return quelmo::Error{"end", 1};
        std::memcpy(s, bytes_.data() + offset, quelmo::sd::kSectorSize);
        return {};
    }
    quelmo::Status WriteSector(uint64_t, const quelmo::sd::Sector&) override { return quelmo::Error{"read-only", 1}; }
    uint64_t Size() const override { return bytes_.size(); }
    quelmo::Status Close() override { return {}; }

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemoryCard card(data, size);
    (void)quelmo::sd::FileSystemSize(card);
    return 0;
}
