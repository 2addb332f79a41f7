#pragma once
// The open project: its state, the settings it keeps in the project settings store, the
// workspace folder temp/ below the working folder, and the lifecycle operations of the file
// menu (create, open, save, save as, close). Questions and messages go through a ProjectHost,
// which the windows and the command line implement.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/result.h"
#include "core/hashtable.h"
#include "core/workdir.h"
#include "flash/layout.h"

namespace quelmo {

namespace project {
inline constexpr std::string_view kSettingsName = "prj.ini";
inline constexpr std::string_view kSettingsKeyFile = "prj.ini.key";
inline constexpr std::string_view kWorkspace = kWorkspaceFolder;
inline constexpr std::string_view kPictureFolder = "pic";
inline constexpr std::string_view kProjectBaseImage = "rom.bin";  // the copy of default.bin in temp/

inline constexpr std::string_view kKeyFileName = "PrjFileName";
inline constexpr std::string_view kKeyName = "PrjName";
inline constexpr std::string_view kKeyMinFontsize = "MinFontsize";
inline constexpr std::string_view kKeyPicSize = "PicSize";
inline constexpr std::string_view kKeyFontsize = "Fontsize";
inline constexpr std::string_view kKeyBtl = "BTL";

// BTL indexes this table; outside 0..6 it reads as the last entry.
inline constexpr std::array<std::string_view, 7> kBaudRates = {"2400",  "4800",  "9600",  "19200",
                                                               "38400", "57600", "115200"};
inline constexpr int32_t kDefaultBtl = flash::kDefaultBtl;

inline constexpr std::string_view kMsgBadBaud = "波特率设置不正确,保存失败!";
inline constexpr std::string_view kMsgEmptyName = "工程名为空";
inline constexpr std::string_view kMsgSaved = "保存成功!";
}  // namespace project

// The text of a baud rate index ("115200" for any index outside the table).
std::string_view BaudText(int32_t btl);
// The index of a baud rate text by exact comparison, or -1.
int32_t BaudIndex(std::string_view text);

struct ProjectState {
    std::filesystem::path FileName;  // the archive; empty while no project is open
    std::string Name;                // GBK
    int32_t MinFontsize = 0;         // carried through load and save unchanged
    int32_t PicSize = 0;
    int32_t Fontsize = 0;
    int32_t BTL = project::kDefaultBtl;

    bool IsOpen() const { return !FileName.empty(); }
};

class ProjectHost {
public:
    virtual ~ProjectHost() = default;
    // A Yes/No question (UTF-8); true for Yes.
    virtual bool Ask(std::string_view question) = 0;
    // A message for the user (UTF-8).
    virtual void Show(std::string_view message) = 0;
    // The main window's status refresh, which rebuilds the flash image while a project is open.
    virtual void RefreshStatus() {}
};

enum class StartupResult { CreatedWorkspace, RestoredProject, NothingDone };

class Tproject {
public:
    Tproject(std::filesystem::path workdir, THashTable& store, ProjectHost& host);

    ProjectState& State() { return state_; }
    const ProjectState& State() const { return state_; }
    const std::filesystem::path& Workdir() const { return workdir_; }
    std::filesystem::path Workspace() const { return workdir_ / project::kWorkspace; }

    // Writes the project keys into the store, then the store to temp/prj.ini.*.
    Status SaveSettings();
    // Does nothing unless temp/prj.ini.key exists; else loads the store and takes the project
    // keys from it. A file name already set wins over the stored PrjFileName.
    Status LoadSettings();
    // Run once when the program starts: creates temp/ and temp/pic/ when temp/ is missing;
    // restores the project whose settings temp/ still holds; else changes nothing.
    Result<StartupResult> Startup();

    // The project parameters window's save: takes the name, then looks the baud text up.
    // Gives kMsgSaved, or the error kMsgBadBaud with nothing written.
    Result<std::string> SaveParameters(std::string_view name, std::string_view baud_text);
    // The new project dialog's create button: kMsgEmptyName for an empty name, else takes both.
    Status AcceptNewProject(std::string_view name, const std::filesystem::path& file);

    // Whether Create would accept the name and the archive path (nothing is changed).
    Status CanCreate(std::string_view name, const std::filesystem::path& file) const;
    // Create with the given name (GBK) and archive path: temp/ and temp/pic/, the copy of
    // default.bin as temp/rom.bin when there is one, BTL 6, the settings. No archive yet.
    Status Create(std::string_view name, const std::filesystem::path& file);
    // Unpacks the archive into the working folder and loads its settings. A file that is not a
    // project archive gives "文件格式不对" and changes nothing.
    Status Open(const std::filesystem::path& file);
    // Saves the settings, packs the workspace to the project file, shows kMsgSaved.
    Status Save();
    // Packs to another path, which becomes the project file.
    Status SaveAs(const std::filesystem::path& file);
    // Asks whether to save first; then forgets the project, clears the store and deletes temp/.
    // When the save fails, nothing is deleted and the project stays open.
    Status Close();

private:
    Status CheckProjectFile(const std::filesystem::path& file) const;
    Status RefuseWhenOpen() const;
    Status RefuseWhenClosed() const;

    std::filesystem::path workdir_;
    THashTable& store_;
    ProjectHost& host_;
    ProjectState state_;
};

}  // namespace quelmo
