#include "sdcard/tsdstart.h"

#include <system_error>

#include "core/file_write.h"
#include "flash/trom.h"

namespace quelmo::sd {
namespace fs = std::filesystem;
namespace {

std::string FileStatus(const fs::path& file) {
    std::error_code ec;
    const auto n = fs::file_size(file, ec);
    if (ec) return "未生成";
    return "已生成,长度:" + std::to_string(n) + "字节";
}

bool ValidMemory(int mb) { return mb == 2 || mb == 4 || mb == 8 || mb == 16; }

}  // namespace

std::string Tsdstart::PictureStatus() const { return FileStatus(folder_ / "pic.sbin"); }
std::string Tsdstart::RomStatus() const { return FileStatus(folder_ / "rom.sbin"); }

Result<std::string> Tsdstart::MakeRom(Trom& rom, int connection_state, std::optional<int> memory_mb,
                                      const std::function<Status()>& refresh) {
    if (!memory_mb && connection_state != 1) return Error{"需要先连接串口屏,才能生成!", 1};
    const int mb = memory_mb ? *memory_mb : rom.MemorySize();
    if (!ValidMemory(mb)) return Error{"the memory size must be 2, 4, 8 or 16 MB, not " + std::to_string(mb), 2};
    // The offline size stands for the module's: the rebuild places the fonts below its top.
    if (memory_mb) rom.SetMemorySize(mb);
    if (refresh)
        if (auto s = refresh(); !s) return s.error();

    std::error_code ec;
    fs::create_directories(folder_, ec);
    if (ec) return Error{"cannot create " + folder_.string() + ": " + ec.message(), 1};
    // Written beside the old copy and renamed over it only when whole.
    if (auto s = WriteFileWhole(folder_ / "rom.sbin", rom.Image(), static_cast<size_t>(mb) * 1024 * 1024, 1); !s)
        return s.error();
    return std::string("生成完成!");
}

}  // namespace quelmo::sd
