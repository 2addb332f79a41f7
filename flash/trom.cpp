#include "flash/trom.h"

#include <cstring>
#include <fstream>

#include "core/byte_order.h"
#include "core/file_write.h"
#include "core/gbk.h"
#include "flash/base_image.h"
#include "flash/file_io.h"
#include "core/hashtable.h"

namespace quelmo {
namespace {

using flash::kImageSize;

std::string Hex(uint64_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
    return buf;
}

// One step of the placement from the top: the item goes in when the font key has the value
// (a key of nullptr stands for the input method table, placed when its file is not empty).
struct PlacementStep {
    const char* key;
    int value;
    const char* file;
    uint32_t slot;
};

constexpr PlacementStep kPlacement[] = {
    {nullptr, 0, flash::kPymbFile, flash::kSlotPymb},
    {"hz32bf", 2, "hz32.sbin", flash::kSlotHz32Gbk},
    {"hz24bf", 2, "hz24.sbin", flash::kSlotHz24Gbk},
    {"hz16bf", 4, "hz16.sbin", flash::kSlotHz16Gbk},
    {"hz48bf", 1, "hz48.sbin", flash::kSlotHz48Gb2312},
    {"hz32bf", 1, "hz32.sbin", flash::kSlotHz32Gb2312},
    {"hz24bf", 1, "hz24.sbin", flash::kSlotHz24Gb2312},
};

// The fixed files and the room their regions give them.
struct FixedFile {
    const char* file;
    uint32_t address;
    uint32_t capacity;
};

constexpr FixedFile kFixed[] = {
    {flash::kMiniIndexFile, flash::kMiniIndex, flash::kMiniIndexSize},
    {flash::kMiniGlyphsFile, flash::kMiniGlyphs, flash::kMiniGlyphsSize},
    {flash::kPicIndexFile, flash::kPicIndex, flash::kPicIndexSize},
    {flash::kPicDataFile, flash::kPicData, static_cast<uint32_t>(kImageSize - flash::kPicData)},
};

uint64_t RoundUpToSector(uint64_t n) { return (n + flash::kSectorSize - 1) / flash::kSectorSize * flash::kSectorSize; }

// Length of a byte string's longest prefix of at most `limit` bytes that ends on a GBK
// character boundary (a byte of 0x80 or above takes the next byte with it).
size_t CharBoundary(std::string_view text, size_t limit) {
    size_t i = 0;
    while (i < text.size()) {
        const size_t step = IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + step > limit) break;
        i += step;
    }
    return i < text.size() ? i : text.size();
}

}  // namespace

uint32_t BuildTimeStamp(std::time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    return static_cast<uint32_t>(static_cast<int64_t>(timegm(&local)) - flash::kTimeStampShift);
}

Trom::Trom() : image_(new uint8_t[flash::kImageSize]) { Erase(); }

void Trom::Erase() { std::memset(image_.get(), 0xFF, flash::kImageSize); }

Status Trom::LoadFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return Error{"cannot read " + path.string(), 2};
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) return Error{"cannot read " + path.string() + ": " + ec.message(), 2};
    if (size > flash::kImageSize) return Error{path.string() + " is larger than 16 MB", 2};
    // Read whole before anything changes: a refused or failed load keeps the image.
    std::ifstream in(path, std::ios::binary);
    std::unique_ptr<uint8_t[]> bytes(new uint8_t[size > 0 ? size : 1]);
    in.read(reinterpret_cast<char*>(bytes.get()), static_cast<std::streamsize>(size));
    if (!in || in.gcount() != static_cast<std::streamsize>(size) || in.peek() != std::char_traits<char>::eof())
        return Error{"cannot read " + path.string() + ": it changed while being read", 2};
    Erase();
    std::memcpy(image_.get(), bytes.get(), size);
    return {};
}

uint16_t Trom::ConfigValue(uint32_t offset) const {
    const uint8_t* p = image_.get() + flash::kConfigBlock + offset;
    return static_cast<uint16_t>(bytes::Be16(p));
}

Status Trom::Build(const BuildSources& src, Warnings* warnings) {
    if (!flash::ValidMemorySize(MemorySize()))
        return Error{"memory size must be 2, 4, 8 or 16 MB, not " + std::to_string(MemorySize()), 2};
    Warnings scratch;
    Warnings& warn = warnings ? *warnings : scratch;
    if (auto s = LoadBase(src, warn); !s) return s;
    if (auto s = CopyFixedFiles(src.workspace, warn); !s) return s;
    WriteConfigBlock(src.now ? *src.now : std::time(nullptr));
    if (auto s = PlaceFromTop(src, warn); !s) return s;
    CompileAllPages(src.settings, src.btl, warnings);
    return {};
}

Status Trom::LoadBase(const BuildSources& src, Warnings& warn) {
    uint8_t* image = image_.get();
    Erase();
    auto base = flash::ReadInto(src.base_image, image, kImageSize);
    if (!base) return base.error();
    if (base->length > kImageSize)
        warn.push_back(src.base_image.string() + " is " + std::to_string(base->length) +
                       " bytes; only its first 16 MB are used");
    if (base->exists || !src.draw_missing_base || src.base_image.empty()) return {};
    auto drawn = DrawBaseImage(image);
    if (!drawn) return drawn.error();
    if (auto s = WriteFileWhole(src.base_image, image, flash::kBaseImageEnd); !s)
        warn.push_back(s.error().message + "; the base image is drawn again at the next build");
    return {};
}

Status Trom::CopyFixedFiles(const std::filesystem::path& workspace, Warnings& warn) {
    for (const auto& f : kFixed) {
        auto copy = flash::ReadInto(workspace / f.file, image_.get() + f.address, f.capacity);
        if (!copy) return copy.error();
        if (copy->length > f.capacity)
            warn.push_back(std::string(f.file) + " is " + std::to_string(copy->length) + " bytes; cut to the " +
                           std::to_string(f.capacity) + " bytes of its region at " + Hex(f.address));
        if (f.address == flash::kPicData)
            picture_data_end_ = copy->exists ? static_cast<int64_t>(flash::kPicData + copy->copied)
                                             : static_cast<int64_t>(flash::kPicData) - 1;
    }
    return {};
}

void Trom::WriteConfigBlock(std::time_t now) {
    uint8_t* config = image_.get() + flash::kConfigBlock;
    std::memset(config, 0xFF, flash::kConfigSize);
    std::memcpy(config, flash::kMarkerStart, 2);
    std::memcpy(config + flash::kConfigSize - 2, flash::kMarkerEnd, 2);
    bytes::PutBe16(config + flash::kSlotPlacementTop, flash::PlacementTop(MemorySize()) / flash::kUnit);
    bytes::PutLe32(config + flash::kTimeStamp, BuildTimeStamp(now));
}

// Each step that applies lowers the cursor by its file rounded up to whole sectors (a missing
// font file reserves one empty sector) and copies the file there; every step records the cursor
// in its slot, so a slot of an item not placed equals the slot written before it.
Status Trom::PlaceFromTop(const BuildSources& src, Warnings& warn) {
    uint8_t* config = image_.get() + flash::kConfigBlock;
    const int64_t top = flash::PlacementTop(MemorySize());
    int64_t cursor = top;
    bool placed_any = false;
    for (const auto& step : kPlacement) {
        const std::filesystem::path path = src.workspace / step.file;
        std::error_code ec;
        const bool exists = std::filesystem::is_regular_file(path, ec);
        const uint64_t length = exists ? std::filesystem::file_size(path, ec) : 0;
        const bool wanted = step.key == nullptr ? exists && length > 0
                                                : src.settings && src.settings->GetInt(step.key) == step.value;
        if (wanted) {
            placed_any = true;
            cursor -= static_cast<int64_t>(exists ? RoundUpToSector(length) : flash::kSectorSize);
            if (cursor < picture_data_end_) return Error{kNoRoomMessage, 1};
            if (exists)
                if (auto copy = flash::ReadInto(path, image_.get() + cursor, static_cast<size_t>(length)); !copy)
                    return copy.error();
        }
        bytes::PutBe16(config + step.slot, static_cast<uint32_t>(cursor) / flash::kUnit);
    }
    // With nothing placed no room is needed, but picture data past the module's flash would
    // not reach the module whole.
    if (!placed_any && picture_data_end_ > top)
        warn.push_back("the picture data ends at " + Hex(static_cast<uint64_t>(picture_data_end_)) + ", beyond the " +
                       std::to_string(MemorySize()) + " MB module's room; the module will not hold all of it");
    return {};
}

void Trom::CompilePage(int n, std::string_view text, int btl, Warnings* warnings) {
    n = ((n % flash::kPageCount) + flash::kPageCount) % flash::kPageCount;
    std::string prefixed;
    if (n == 0 && btl != 6) {
        prefixed.push_back('U');
        prefixed.append(std::to_string(btl));
        prefixed.push_back(';');
        prefixed.append(text);
        text = prefixed;
    }
    size_t length = text.size();
    if (length > flash::kPageTextMax) {
        length = CharBoundary(text, flash::kPageTextMax);
        if (warnings)
            warnings->push_back("page " + std::to_string(n + 1) + ": its text of " + std::to_string(text.size()) +
                                " bytes is cut to " + std::to_string(length) + " bytes to fit its page slot");
    }
    uint8_t* slot = image_.get() + flash::kPageTable + static_cast<size_t>(n) * flash::kPageSlotSize;
    std::memcpy(slot, text.data(), length);
    slot[length] = 0;
}

void Trom::CompileAllPages(const THashTable* settings, int btl, Warnings* warnings) {
    std::string text;
    for (int n = 0; n < flash::kPageCount; ++n) {
        text.clear();
        if (settings)
            for (char c : settings->GetValue(flash::PageTextKey(n)))
                if (c != '\n' && c != '\r') text.push_back(c);
        CompilePage(n, text, btl, warnings);
    }
}

uint32_t Trom::SectorSum(int n) const {
    if (n < 0 || static_cast<size_t>(n) >= kImageSize / flash::kSectorSize) return 0;
    const uint8_t* p = image_.get() + static_cast<size_t>(n) * flash::kSectorSize;
    uint32_t x = 0, sum = 0;
    for (size_t i = 0; i < flash::kSectorSize; i += 4) {
        const uint32_t w = bytes::Le32(p + i);
        x ^= w;
        sum += w;
    }
    return device_.FirmwareNo > flash::kSumWithAddFirmware ? x + sum : x;
}

bool Trom::SectorBlank(int n) const {
    if (n < 0 || static_cast<size_t>(n) >= kImageSize / flash::kSectorSize) return false;
    const uint8_t* p = image_.get() + static_cast<size_t>(n) * flash::kSectorSize;
    for (size_t i = 0; i < flash::kSectorSize; ++i)
        if (p[i] != 0xFF) return false;
    return true;
}

int Trom::BlockValue(int a) const {
    constexpr size_t kBlock = 1024;
    if (a < 0 || static_cast<size_t>(a) * flash::kUnit + kBlock > kImageSize) return 0;
    const uint8_t* p = image_.get() + static_cast<size_t>(a) * flash::kUnit;
    return p[kBlock - 2] + p[kBlock - 1];
}

}  // namespace quelmo
