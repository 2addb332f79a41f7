#pragma once
// The font build run: reads the font settings of every size from the settings store, drives
// the rasteriser through the mini font and every full font the settings ask for, and writes the
// font files into the workspace folder, reporting log lines and progress as it goes.
#include <filesystem>
#include <functional>
#include <string>

#include "core/result.h"

namespace quelmo {

class THashTable;
class Tmakefont;

struct FontBuildEvents {
    std::function<void(const std::string&)> log;  // one UTF-8 line
    std::function<void(int)> progress;            // 0..100
    std::function<void()> pump;                   // lets pending messages through between steps
};

// The message shown when a build has finished.
inline constexpr const char* kFontBuildDone = "汉字点阵生成完成！";

// Runs the whole build. A 48-pixel GBK set is refused before anything starts; a list that does
// not fit its region, or a file that cannot be written, ends the build with that error. The
// font files replace the older ones together, at the end: a build that fails changes none.
Status RunFontBuild(Tmakefont& mf, const THashTable& store, const std::filesystem::path& workspace,
                    const FontBuildEvents& events);

// The 16-pixel GBK full font alone (hz16.sbin, always in the face 宋体), from reset buffers.
Status RunGbk16Build(Tmakefont& mf, const std::filesystem::path& workspace, const FontBuildEvents& events);

}  // namespace quelmo
