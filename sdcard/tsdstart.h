#pragma once
// The SD card tool page ("sdstart"): the state of the card data in sd/ and the making of the
// upgrade copy of the flash image. The card data live outside any project.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "core/result.h"

namespace quelmo {
class Trom;
}

namespace quelmo::sd {

class Tsdstart {
public:
    // `workdir` is the working folder; the card data are in its sd/ folder.
    explicit Tsdstart(std::filesystem::path workdir) : folder_(workdir / "sd") {}

    const std::filesystem::path& Folder() const { return folder_; }

    // Label3 and Label4: "已生成,长度:" + length + "字节" when sd/pic.sbin (sd/rom.sbin)
    // exists, else "未生成".
    std::string PictureStatus() const;
    std::string RomStatus() const;

    // Writes sd/rom.sbin: the first memory size x 1 MB of the flash image, after `refresh` has
    // rebuilt it. The memory size is the connected module's (connection state 1) or
    // `memory_mb` when given (2, 4, 8 or 16), which then becomes the image's memory size for
    // the rebuild. Returns the message to show.
    Result<std::string> MakeRom(Trom& rom, int connection_state, std::optional<int> memory_mb,
                                const std::function<Status()>& refresh);

private:
    std::filesystem::path folder_;
};

}  // namespace quelmo::sd
