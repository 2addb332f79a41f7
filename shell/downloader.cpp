#include "shell/downloader.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdlib>
#include <mutex>

#include "core/file_write.h"

namespace quelmo::shell {
namespace {
using Clock = std::chrono::steady_clock;

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
    PieceFile* file;
    const DownloadOptions* options;
    uint64_t received = 0;
    uint64_t last_seen = 0;
    Clock::time_point last_data = Clock::now();
    bool aborted = false;
    bool stalled = false;
};

size_t OnData(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    t->file->Write(t->received, reinterpret_cast<const uint8_t*>(data), n);
    t->received += n;
    return n;
}

int OnProgress(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    const auto at = Clock::now();
    if (t->received != t->last_seen) {
        t->last_seen = t->received;
        t->last_data = at;
    } else if (t->options->stall_timeout_ms > 0 &&
               at - t->last_data > std::chrono::milliseconds(t->options->stall_timeout_ms)) {
        t->stalled = true;
        return 1;
    }
    if (t->options->progress &&
        !t->options->progress(static_cast<uint64_t>(now), total > 0 ? static_cast<uint64_t>(total) : 0)) {
        t->aborted = true;
        return 1;
    }
    return 0;
}

}  // namespace

std::optional<std::string> ServerAddress() {
    const char* env = std::getenv("QUELMO_SERVER");
    if (!env || !*env) return std::nullopt;
    std::string address = env;
    while (!address.empty() && address.back() == '/') address.pop_back();
    if (address.empty()) return std::nullopt;
    return address;
}

std::string UrlEscape(std::string_view text) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

Status Download(const std::string& url, const std::filesystem::path& target, const DownloadOptions& options) {
    GlobalInit();
    CURL* curl = curl_easy_init();
    if (!curl) return Error{"cannot start a download", 1};
    PieceFile file(target, 1);
    Transfer t{&file, &options};
    char message[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, message);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, options.connect_timeout_ms);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, options.total_timeout_ms);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);

    if (t.aborted) return Error{"download of " + url + " aborted", 1};
    if (t.stalled) return Error{"download of " + url + " stalled", 1};
    if (code != CURLE_OK)
        return Error{"download of " + url + " failed: " + (message[0] ? message : curl_easy_strerror(code)), 1};
    if (status >= 400) return Error{"download of " + url + " failed: HTTP status " + std::to_string(status), 1};
    if (t.received == 0) return Error{"download of " + url + " gave no data", 1};
    return file.Commit(t.received);
}

}  // namespace quelmo::shell
