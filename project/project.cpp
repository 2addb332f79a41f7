#include "project/project.h"

#include <algorithm>
#include <system_error>

#include "core/gbk.h"
#include "core/file_write.h"
#include "flash/layout.h"
#include "project/archive.h"

namespace quelmo {
namespace fs = std::filesystem;
using namespace project;

std::string_view BaudText(int32_t btl) {
    return btl >= 0 && btl < static_cast<int32_t>(kBaudRates.size()) ? kBaudRates[static_cast<size_t>(btl)]
                                                                       : kBaudRates.back();
}

int32_t BaudIndex(std::string_view text) {
    for (size_t i = 0; i < kBaudRates.size(); ++i)
        if (kBaudRates[i] == text) return static_cast<int32_t>(i);
    return -1;
}

Tproject::Tproject(fs::path workdir, THashTable& store, ProjectHost& host)
    : workdir_(std::move(workdir)), store_(store), host_(host) {}

Status Tproject::RefuseWhenOpen() const {
    if (state_.IsOpen()) return Error{"a project is open (" + state_.FileName.string() + "): close it first", 1};
    return {};
}

Status Tproject::RefuseWhenClosed() const {
    if (!state_.IsOpen()) return Error{"no project is open", 1};
    return {};
}

// The project file must survive Close, which deletes the workspace folder, and its path must
// come back unchanged from the GBK settings files.
Status Tproject::CheckProjectFile(const fs::path& file) const {
    if (file.empty()) return Error{"the project file name is empty", 2};
    bool ok = true;
    (void)Utf8ToGbk(file.string(), &ok);
    if (!ok) return Error{"the project file path " + file.string() + " holds characters that GBK cannot hold", 2};
    std::error_code ec;
    const fs::path target = fs::weakly_canonical(fs::absolute(file, ec), ec);
    const fs::path workspace = fs::weakly_canonical(fs::absolute(Workspace(), ec), ec);
    const auto [w, t] = std::mismatch(workspace.begin(), workspace.end(), target.begin(), target.end());
    if (w == workspace.end()) return Error{"the project file cannot be inside the workspace folder " + Workspace().string(), 1};
    return {};
}

Status Tproject::SaveSettings() {
    // The store holds GBK text; the path is kept as the file system spells it (UTF-8 here).
    store_.SetValue(kKeyFileName, Utf8ToGbk(state_.FileName.string()));
    store_.SetValue(kKeyName, state_.Name);
    store_.SetInt(kKeyMinFontsize, state_.MinFontsize);
    store_.SetInt(kKeyPicSize, state_.PicSize);
    store_.SetInt(kKeyFontsize, state_.Fontsize);
    store_.SetInt(kKeyBtl, state_.BTL);
    return store_.Save(Workspace(), kSettingsName);
}

Status Tproject::LoadSettings() {
    std::error_code ec;
    if (!fs::exists(Workspace() / kSettingsKeyFile, ec)) return {};
    if (auto s = store_.Load(Workspace(), kSettingsName); !s) return s;
    if (state_.FileName.empty()) state_.FileName = GbkToUtf8(store_.GetValue(kKeyFileName));
    state_.Name = store_.GetValue(kKeyName);
    state_.MinFontsize = store_.GetInt(kKeyMinFontsize);
    state_.PicSize = store_.GetInt(kKeyPicSize);
    state_.Fontsize = store_.GetInt(kKeyFontsize);
    state_.BTL = store_.GetInt(kKeyBtl);
    return {};
}

Result<StartupResult> Tproject::Startup() {
    std::error_code ec;
    if (!fs::exists(Workspace(), ec)) {
        // A failure here surfaces later, when the workspace is used.
        fs::create_directories(Workspace() / kPictureFolder, ec);
        return StartupResult::CreatedWorkspace;
    }
    if (!fs::exists(Workspace() / kSettingsKeyFile, ec)) return StartupResult::NothingDone;
    if (auto s = LoadSettings(); !s) return s.error();
    // Settings without a project file name fill the store but open nothing.
    if (!state_.IsOpen()) return StartupResult::NothingDone;
    host_.RefreshStatus();
    return StartupResult::RestoredProject;
}

Result<std::string> Tproject::SaveParameters(std::string_view name, std::string_view baud_text) {
    state_.Name = std::string(name);
    const int32_t btl = BaudIndex(baud_text);
    if (btl < 0) return Error{std::string(kMsgBadBaud), 1};
    state_.BTL = btl;
    if (auto s = SaveSettings(); !s) return s.error();
    return std::string(kMsgSaved);
}

Status Tproject::AcceptNewProject(std::string_view name, const fs::path& file) {
    if (name.empty()) return Error{std::string(kMsgEmptyName), 1};
    state_.FileName = file;
    state_.Name = std::string(name);
    return {};
}

Status Tproject::CanCreate(std::string_view name, const fs::path& file) const {
    if (auto s = RefuseWhenOpen(); !s) return s;
    if (name.empty()) return Error{std::string(kMsgEmptyName), 1};
    return CheckProjectFile(file);
}

Status Tproject::Create(std::string_view name, const fs::path& file) {
    if (auto s = CanCreate(name, file); !s) return s;

    std::error_code ec;
    fs::create_directories(Workspace() / kPictureFolder, ec);
    if (ec) return Error{"cannot create " + (Workspace() / kPictureFolder).string() + ": " + ec.message(), 2};
    const fs::path base = workdir_ / flash::kBaseImageFile;
    const fs::path copy = Workspace() / kProjectBaseImage;
    if (!fs::exists(copy, ec) && fs::is_regular_file(base, ec)) {
        fs::copy_file(base, copy, ec);
        if (ec) return Error{"cannot copy " + base.string() + " to " + copy.string() + ": " + ec.message(), 2};
    }

    ProjectState next = state_;
    next.FileName = file;
    next.Name = std::string(name);
    next.BTL = kDefaultBtl;
    std::swap(state_, next);
    if (auto s = SaveSettings(); !s) {
        std::swap(state_, next);
        return s;
    }
    return {};
}

Status Tproject::Open(const fs::path& file) {
    if (auto s = RefuseWhenOpen(); !s) return s;
    if (auto s = CheckProjectFile(file); !s) return s;
    if (auto s = Tmakeprjfile::Unpack(workdir_, file); !s) return s;
    std::error_code ec;
    fs::create_directories(Workspace() / kPictureFolder, ec);
    ProjectState before = state_;
    state_.FileName = file;
    if (auto s = LoadSettings(); !s) {
        state_ = before;
        return s;
    }
    host_.RefreshStatus();
    return {};
}

Status Tproject::Save() {
    if (auto s = RefuseWhenClosed(); !s) return s;
    if (auto s = SaveSettings(); !s) return s;
    host_.RefreshStatus();
    if (auto s = Tmakeprjfile::Pack(workdir_, state_.FileName); !s) return s;
    host_.Show(kMsgSaved);
    return {};
}

Status Tproject::SaveAs(const fs::path& file) {
    if (auto s = RefuseWhenClosed(); !s) return s;
    if (auto s = CheckProjectFile(file); !s) return s;
    if (auto s = SaveSettings(); !s) return s;
    if (auto s = Tmakeprjfile::Pack(workdir_, file); !s) return s;
    state_.FileName = file;
    host_.RefreshStatus();
    return {};
}

Status Tproject::Close() {
    if (auto s = RefuseWhenClosed(); !s) return s;
    const std::string question =
        "是否保存工程:" + GbkToUtf8(state_.Name) + " 到工程文件:" + state_.FileName.string();
    if (host_.Ask(question)) {
        // The settings files go in as last saved.
        if (auto s = Tmakeprjfile::Pack(workdir_, state_.FileName); !s) return s;
    }
    state_.FileName.clear();
    store_.Clear();
    // What cannot be deleted stays on disk; the project is closed all the same.
    RemoveFolder(Workspace());
    return {};
}

}  // namespace quelmo
