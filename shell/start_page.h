#pragma once
// The start page's rules: which panels and buttons it shows for the project and connection
// state, the offline setup of resolution and memory size, and the sample project list (the
// samples bundled with the program beside the server's "#D" entries) with the fetching of one.
#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "shell/downloader.h"

namespace quelmo {
struct DeviceInfo;
}

namespace quelmo::shell {

namespace start_text {
inline constexpr const char* kUseLeftButtons = "请在本页左侧选择相对应的按钮.";
inline constexpr const char* kChosen = "您选择了:";
inline constexpr const char* kPatience = "根据网速不同，下载可能需要几秒到几分钟的时间，请耐心等待...";
inline constexpr const char* kStarting = "开始下载.........";
inline constexpr const char* kUnpacking = "下载完成，开始解包";
}  // namespace start_text

// The offline lists and their first selections.
inline constexpr std::array<std::string_view, 6> kResolutions = {"220X176", "320X240", "400X240",
                                                                 "480X272", "480X320", "854X480"};
inline constexpr std::string_view kDefaultResolution = "320X240";
inline constexpr std::array<std::string_view, 4> kMemorySizes = {"2M", "4M", "8M", "16M"};
inline constexpr std::string_view kDefaultMemorySize = "8M";

struct StartPageView {
    bool panel1 = false;  // online and offline mode: not connected
    bool panel2 = false;  // create, open or download a project: no project open
    bool panel3 = false;  // the design flow chart: neither of the others
    bool a1 = false;      // open/create a project
    bool b = false;       // B1, B2: connecting
    bool c = false;       // C1 .. C6: the setup windows
    bool d1 = false;      // upload: connected to a module
};

StartPageView StartPageRules(bool project_open, int connection_state);

// Offline editing: ConnectionState 2, the screen size from `resolution` (its characters 1..3
// and 5..7; "320X240" when empty; 0 for a part that is not a number) and the memory size from
// `memory` ("2M", "4M", "8M", "16M"; anything else gives 16).
void OfflineSetup(std::string_view resolution, std::string_view memory, int* connection_state, DeviceInfo* device);

struct SampleEntry {
    std::string text;               // as listed (UTF-8)
    std::string name;               // the archive's file name (UTF-8)
    std::string server_name;        // the name as the server wrote it (GBK), for its address
    std::filesystem::path bundled;  // the bundled archive; empty for a server entry
};

// The folder of the samples that come with the program: $QUELMO_SAMPLES when set, else the
// first of ../samples and ../share/quelmo/samples beside the program that exists.
std::filesystem::path BundledSamplesFolder();

// The bundled archives (*.gpu, by name), then one entry per "#D" line of `ser_ini`. A "#D"
// name that is not a plain file name (a folder part, "..", control characters) is left out:
// it could only be saved outside the working folder.
std::vector<SampleEntry> SampleList(const std::filesystem::path& ser_ini, const std::filesystem::path& bundled_folder);

// The sample's archive in the working folder: a bundled one is copied there (beside a changed
// copy of the same name, never over it), a server one is downloaded from the sample folder of
// `server`, replacing a file of the same name only when whole. On failure nothing in the
// working folder changes.
Result<std::filesystem::path> FetchSample(const SampleEntry& entry, const std::filesystem::path& workdir,
                                          const std::optional<std::string>& server, const DownloadOptions& options = {});

}  // namespace quelmo::shell
