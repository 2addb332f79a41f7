#include "sdcard/tsdio.h"

#include <cstring>
#include <fstream>
#include <system_error>

#include "flash/trom.h"
#include "sdcard/card.h"
#include "sdcard/filesystem.h"

namespace quelmo::sd {
namespace fs = std::filesystem;
namespace {

constexpr const char* kNeedsFormat = "需要格式化,请点击按钮格式化!";

uint64_t FileLength(const fs::path& file) {
    std::error_code ec;
    const auto n = fs::file_size(file, ec);
    return ec ? 0 : n;
}

}  // namespace

Tsdio::Tsdio(CardAccess& access, fs::path sd_folder) : access_(access), folder_(std::move(sd_folder)) {
    t_[0] = kStartText;
    Reset();
}

void Tsdio::Reset() {
    for (auto& s : ok_) s.clear();
    for (int i = 1; i < 4; ++i) t_[i].clear();
    start_enabled_ = true;
    waiting_ = false;
    format_visible_ = false;
    write_visible_ = false;
    write_enabled_ = true;
    card_.reset();
    card_size_ = 0;
    needs_format_ = false;
    formatted_ = false;
}

Tsdio::Stage Tsdio::CurrentStage() const {
    if (card_) return formatted_ ? Stage::kFormatted : Stage::kCardFound;
    return waiting_ ? Stage::kWaiting : Stage::kIdle;
}

void Tsdio::Start() {
    ok_[0] = "OK";
    t_[1] = "插入Veltra的TF卡,等待系统识别...";
    start_enabled_ = false;
    waiting_ = true;
    drives_before_.clear();
    for (const auto& d : access_.RemovableDrives()) {
        log_.push_back(d.device.string());
        drives_before_.push_back(d.name);
    }
}

Result<bool> Tsdio::OnArrival() {
    if (!waiting_) return false;
    const auto now = access_.RemovableDrives();
    const Drive* drive = FindNewDrive(drives_before_, now);
    if (!drive) return false;
    if (auto s = Detect(*drive); !s) return s.error();
    return true;
}

Status Tsdio::Detect(const Drive& drive) {
    card_ = drive;
    card_size_ = 0;
    formatted_ = false;
    log_.push_back("发现TF卡:" + drive.device.string());

    auto card = access_.Open(drive, Access::kRead);
    if (!card) return card.error();
    const auto size = FileSystemSize(**card);
    if (size) {
        log_.push_back("大小：" + GroupThousands(*size));
        log_.push_back("类型：标准U盘或SD卡");
        card_size_ = *size;
        t_[1] = "发现带有文件系统的TF卡(大小:" + std::to_string(*size) + "字节),需要格式化";
        needs_format_ = true;
    } else {
        log_.push_back("未格式化的盘(RAW)    ");
        t_[1] = "发现TF卡.....";
        Sector s;
        if (auto r = (*card)->ReadSector(kHeaderOffset, s); !r) return r.error();
        needs_format_ = !HasSignature(s);
        if (!needs_format_) {
            card_size_ = RecordedSize(s);
            t_[1] = "发现GPU盘,大小:" + std::to_string(card_size_) + "字节";
            log_.push_back("GPU盘大小：" + std::to_string(card_size_));
        }
    }
    if (auto s = (*card)->Close(); !s) return s.error();

    if (needs_format_) {
        format_visible_ = true;
        t_[2] = kNeedsFormat;
    } else {
        format_visible_ = false;
        write_visible_ = true;
        t_[2] = "不需要格式化";
    }
    return {};
}

Result<std::string> Tsdio::Format() {
    if (!card_) return Error{"no card has been found yet", 1};
    auto card = access_.Open(*card_, Access::kWrite);
    if (!card) return card.error();
    Sector s;
    ComposeFormatHeader(s, card_size_);
    if (auto r = (*card)->WriteSector(kHeaderOffset, s); !r) return r.error();
    if (auto r = (*card)->Close(); !r) return r.error();
    needs_format_ = false;
    formatted_ = true;
    t_[2] = "格式化GPU盘:" + std::to_string(card_size_) + "字节";
    write_visible_ = true;
    return std::string("格式化完成!");
}

Status Tsdio::CheckFits(const SectorDevice& card) const {
    const uint64_t index = FileLength(folder_ / "pic.idx");
    if (index > kPicIndexSize)
        return Error{(folder_ / "pic.idx").string() + " is " + std::to_string(index) + " bytes; the picture index holds " +
                         std::to_string(kPicIndexSize),
                     1};
    uint64_t end = kPicDataOffset + RoundUpToSector(FileLength(folder_ / "pic.sbin"));
    if (write_rom_) {
        // An upgrade entry that points at nothing would have the module flash whatever lies there.
        const uint64_t rom = FileLength(folder_ / "rom.sbin");
        if (rom == 0) return Error{"the upgrade copy " + (folder_ / "rom.sbin").string() + " has not been made", 1};
        if (end > UINT32_MAX) return Error{"the picture data are too long to place an upgrade copy after them", 1};
        end += RoundUpToSector(rom);
    }
    if (end > card.Size())
        return Error{"the data needs " + GroupThousands(end) + " bytes but the card holds " + GroupThousands(card.Size()), 1};
    return {};
}

Result<uint64_t> Tsdio::WriteFileAt(SectorDevice& card, const fs::path& file, uint64_t offset) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return uint64_t{0};  // a missing file writes nothing
    Sector s;
    uint64_t k = 0;
    for (;; ++k) {
        in.read(reinterpret_cast<char*>(s), kSectorSize);
        const auto got = static_cast<size_t>(in.gcount());
        if (in.bad()) return Error{"cannot read " + file.string(), 2};
        if (got == 0) break;
        // The tail of the last piece carries no meaning; FF keeps it like erased flash.
        if (got < kSectorSize) std::memset(s + got, 0xFF, kSectorSize - got);
        const uint64_t at = offset + kSectorSize * k;
        if (auto r = card.WriteSector(at, s); !r) return r.error();
        t_[3] = "数据写入:" + std::to_string(at);
        if (on_progress) on_progress(at);
        if (got < kSectorSize) {
            ++k;
            break;
        }
    }
    return k * kSectorSize;
}

Result<std::string> Tsdio::WriteData(std::time_t now) {
    if (!card_) return Error{"no card has been found yet", 1};
    if (needs_format_) return Error{kNeedsFormat, 1};
    write_enabled_ = false;
    auto run = [&]() -> Status {
        auto opened = access_.Open(*card_, Access::kWrite);
        if (!opened) return opened.error();
        SectorDevice& card = **opened;
        if (auto s = CheckFits(card); !s) return s;
        // The header of an earlier write would still name its data while they are overwritten:
        // drop its entries first, so a write that fails half-way leaves a card naming no data.
        Sector s;
        ComposeFormatHeader(s, card_size_);
        if (auto r = card.WriteSector(kHeaderOffset, s); !r) return r;

        if (auto r = WriteFileAt(card, folder_ / "pic.idx", kPicIndexOffset); !r) return r.error();
        auto pictures = WriteFileAt(card, folder_ / "pic.sbin", kPicDataOffset);
        if (!pictures) return pictures.error();
        std::optional<uint32_t> rom_offset;
        if (write_rom_) {
            rom_offset = static_cast<uint32_t>(kPicDataOffset + *pictures);
            if (auto r = WriteFileAt(card, folder_ / "rom.sbin", *rom_offset); !r) return r.error();
        }

        ComposeDataHeader(s, card_size_, rom_offset);
        if (auto r = card.WriteSector(kHeaderOffset, s); !r) return r;
        ComposeTimeSector(s, BuildTimeStamp(now));
        if (auto r = card.WriteSector(kTimeOffset, s); !r) return r;
        return card.Close();
    };
    if (auto s = run(); !s) {
        write_enabled_ = true;  // the user may try again
        return s.error();
    }
    t_[3] = "写入完成";
    Reset();
    return std::string("写入完成,请拔下tf卡!");
}

}  // namespace quelmo::sd
