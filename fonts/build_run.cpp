#include "fonts/build_run.h"

#include "core/file_write.h"
#include "core/gbk.h"
#include "flash/layout.h"
#include "fonts/settings.h"
#include "fonts/tmakefont.h"
#include "core/hashtable.h"

namespace quelmo {
namespace {

using fontset::Key;

std::string WithoutCrLf(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        else
            out.push_back(text[i]);
    }
    return out;
}

class Run {
public:
    Run(Tmakefont& mf, const THashTable& store, const std::filesystem::path& dir, const FontBuildEvents& ev)
        : mf_(mf), store_(store), dir_(dir), ev_(ev) {}

    Status All() {
        if (store_.GetInt(Key("hz", 48, "bf")) == fontset::kHzGbk) return Error{fontset::kNoGbk48};
        mf_.progress = ev_.progress;
        mf_.ResetBuffers();
        mf_.data_pos = static_cast<int32_t>(flash::kMiniGlyphs);
        for (int n : fontset::kSizes) {
            Progress(n == 24 || n == 48 ? 0 : 100);
            if (auto s = Asc(n); !s) return s;
            if (auto s = SmallLibrary(n); !s) return s;
            Pump();
        }
        Progress(0);
        if (auto s = mf_.WriteMiniFont(files_, dir_); !s) return s;
        Progress(100);
        Pump();
        if (store_.GetInt("hz16bf") == fontset::kGbk16On)
            if (auto s = Full(16, fontset::kDefaultFace, Tmakefont::kSetGbk); !s) return s;
        for (int n : fontset::kSizes) {
            const int set = store_.GetInt(Key("hz", n, "bf"));
            if (set == 0) continue;
            if (auto s = Full(n, store_.GetValue(Key("hz", n, "zt")), set + 2); !s) return s;
            Progress(100);
            Pump();
        }
        mf_.progress = nullptr;
        // Only a build that made every file replaces the old ones, all together.
        return files_.Commit();
    }

    Status Gbk16() {
        mf_.progress = ev_.progress;
        if (auto s = Full(16, fontset::kDefaultFace, Tmakefont::kSetGbk); !s) return s;
        return files_.Commit();
    }

private:
    void Log(const std::string& line) {
        if (ev_.log) ev_.log(line);
    }
    void Progress(int p) {
        if (ev_.progress) ev_.progress(p);
    }
    void Pump() {
        if (ev_.pump) ev_.pump();
    }
    void LogFace() {
        Log("使用字体:" + GbkToUtf8(mf_.face_name));
        // fontconfig may have matched another installed face for the name.
        Log("实际字体:" + mf_.UsedFace());
    }
    void LogChineseFit() {
        LogFace();
        Log("自动使用参数: 大小:" + std::to_string(mf_.font_height) + " X偏:" + std::to_string(mf_.x_offset) +
            " Y偏:" + std::to_string(mf_.y_offset));
    }

    Status Asc(int n) {
        mf_.index_pos = Tmakefont::kIndexRegions[n / 8];
        Log("开始生成" + std::to_string(n) + "点阵的asc字符");
        mf_.size = n;
        mf_.face_name = store_.GetValue(Key("asc", n, "zt"));
        mf_.mode = store_.GetInt(Key("asc", n, "dk")) == 1 ? Tmakefont::kModeSameWidth : Tmakefont::kModeProportional;
        mf_.FitAsc();
        LogFace();
        Log("自动使用参数: 宽:" + std::to_string(mf_.font_width) + " 高:" + std::to_string(mf_.font_height) +
            " X偏:" + std::to_string(mf_.x_offset) + " Y偏:" + std::to_string(mf_.y_offset));
        mf_.selector = store_.GetInt(Key("asc", n, "bf"));
        mf_.chars = WithoutCrLf(store_.GetValue(Key("asc", n, "memo")));
        if (auto s = mf_.BuildCharSet(); !s) return s;
        Log("生成完成");
        return {};
    }

    Status SmallLibrary(int n) {
        const int set = store_.GetInt(Key("hz", n, "bf"));
        if (set > 0) return {};
        Log("开始生成" + std::to_string(n) + "点阵的汉字");
        mf_.size = n;
        mf_.face_name = store_.GetValue(Key("hz", n, "zt"));
        mf_.mode = Tmakefont::kModeChinese;
        mf_.FitChinese();
        LogChineseFit();
        mf_.selector = set + 2;
        mf_.chars = WithoutCrLf(store_.GetValue(Key("hz", n, "memo")));
        if (auto s = mf_.BuildCharSet(); !s) return s;
        Log("生成完成");
        return {};
    }

    Status Full(int n, const std::string& face, int selector) {
        mf_.ResetBuffers();
        Log("开始生成" + std::to_string(n) + "点阵的汉字");
        mf_.size = n;
        mf_.face_name = face;
        mf_.mode = Tmakefont::kModeChinese;
        mf_.FitChinese();
        LogChineseFit();
        mf_.selector = selector;
        if (auto s = mf_.BuildCharSet(); !s) return s;
        mf_.output_name = "hz" + std::to_string(n);
        if (auto s = mf_.WriteFullFont(files_, dir_); !s) return s;
        Log("生成完成");
        return {};
    }

    Tmakefont& mf_;
    const THashTable& store_;
    std::filesystem::path dir_;
    const FontBuildEvents& ev_;
    FileSet files_;
};

}  // namespace

Status RunFontBuild(Tmakefont& mf, const THashTable& store, const std::filesystem::path& workspace,
                    const FontBuildEvents& events) {
    Run run(mf, store, workspace, events);
    Status s = run.All();
    mf.progress = nullptr;
    return s;
}

}  // namespace quelmo

namespace quelmo {

Status RunGbk16Build(Tmakefont& mf, const std::filesystem::path& workspace, const FontBuildEvents& events) {
    THashTable none;
    Run run(mf, none, workspace, events);
    Status s = run.Gbk16();
    mf.progress = nullptr;
    return s;
}

}  // namespace quelmo
