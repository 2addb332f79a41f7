#include "shell/start_page.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "core/file_write.h"
#include "core/gbk.h"
#include "shell/context.h"
#include "flash/trom.h"
#include "shell/self_update.h"
#include "shell/server_info.h"
#include "shell/update_check.h"

namespace quelmo::shell {
namespace fs = std::filesystem;

StartPageView StartPageRules(bool project_open, int connection_state) {
    StartPageView v;
    v.panel2 = !project_open;
    v.panel1 = connection_state <= 0;
    v.panel3 = !v.panel1 && !v.panel2;
    v.a1 = !project_open;
    v.b = connection_state <= 0;
    v.c = connection_state > 0;
    v.d1 = connection_state == 1;
    return v;
}

void OfflineSetup(std::string_view resolution, std::string_view memory, int* connection_state, DeviceInfo* device) {
    *connection_state = 2;
    if (resolution.empty()) resolution = kDefaultResolution;
    auto part = [&](size_t from) { return from < resolution.size() ? resolution.substr(from, 3) : std::string_view{}; };
    device->ScreenWidth = Tglobal::ToInt(part(0));
    device->ScreenHeight = Tglobal::ToInt(part(4));
    device->MemorySize = 16;
    for (int mb : {2, 4, 8})
        if (memory == std::to_string(mb) + "M") device->MemorySize = mb;
}

fs::path BundledSamplesFolder() {
    if (const char* env = std::getenv("QUELMO_SAMPLES"); env && *env) return env;
    const fs::path bin = ProgramFile().parent_path();
    std::error_code ec;
    for (const fs::path& candidate : {bin / ".." / "samples", bin / ".." / "share" / "quelmo" / "samples"})
        if (fs::is_directory(candidate, ec)) return candidate.lexically_normal();
    return {};
}

namespace {

bool PlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F || c == '/' || c == '\\' || c == ':';
    });
}

std::string_view BeforeParen(std::string_view text) {
    const size_t p = text.find('(');
    return p == std::string_view::npos ? text : text.substr(0, p);
}

}  // namespace

std::vector<SampleEntry> SampleList(const fs::path& ser_ini, const fs::path& bundled_folder) {
    std::vector<SampleEntry> list;
    std::error_code ec;
    if (!bundled_folder.empty()) {
        std::vector<fs::path> files;
        for (fs::directory_iterator it(bundled_folder, ec), end; !ec && it != end; it.increment(ec))
            if (it->path().extension() == ".gpu" && it->is_regular_file(ec)) files.push_back(it->path());
        std::sort(files.begin(), files.end());
        for (const fs::path& f : files) {
            const std::string name = f.filename().string();
            list.push_back({name + "(bundled)", name, {}, f});
        }
    }
    for (const std::string& value : ReadServerInfo(ser_ini).samples) {
        const std::string server_name(BeforeParen(value));
        bool ok = true;
        const std::string name = GbkToUtf8(server_name, &ok);
        if (!ok || !PlainFileName(name)) continue;
        list.push_back({GbkToUtf8(value), name, server_name, {}});
    }
    return list;
}

Result<fs::path> FetchSample(const SampleEntry& entry, const fs::path& workdir, const std::optional<std::string>& server,
                             const DownloadOptions& options) {
    if (!PlainFileName(entry.name)) return Error{"not a sample file name: " + entry.name, 2};
    const fs::path local = workdir / entry.name;
    if (!entry.bundled.empty()) {
        std::ifstream in(entry.bundled, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        if (!in || in.bad()) return Error{"cannot read " + entry.bundled.string(), 2};
        const std::string data = bytes.str();
        // A copy the user has since saved over is kept: the sample goes beside it under the first
        // free name (demo-2.gpu, demo-3.gpu, ...), or opens from a copy that is still the same.
        fs::path target = local;
        for (int n = 2;; ++n) {
            std::error_code ec;
            if (!fs::exists(target, ec)) break;
            std::ifstream old(target, std::ios::binary);
            std::ostringstream held;
            held << old.rdbuf();
            if (old && held.str() == data) return target;
            target = workdir / (local.stem().string() + "-" + std::to_string(n) + local.extension().string());
        }
        if (auto s = WriteFileWhole(target, reinterpret_cast<const uint8_t*>(data.data()), data.size()); !s)
            return s.error();
        return target;
    }
    if (!server) return Error{"no server is set (QUELMO_SERVER)", 1};
    const std::string url = *server + std::string(kSamplePath) + UrlEscape(entry.server_name);
    if (auto s = Download(url, local, options); !s) return s.error();
    return local;
}

}  // namespace quelmo::shell
