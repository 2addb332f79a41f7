#pragma once
// Blocking HTTP downloads of a URL into a file. The body goes to a temporary file beside the
// target and is renamed over the target only when it arrived whole, so a failed, cut or
// aborted download never touches what the target held before. Runs on the calling thread;
// the progress callback is where a window lets its messages through.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/result.h"

namespace quelmo::shell {

// The server's address from $QUELMO_SERVER ("http://host:port", no trailing "/"); none when the
// variable is unset or empty.
std::optional<std::string> ServerAddress();

struct DownloadOptions {
    long connect_timeout_ms = 2000;
    long total_timeout_ms = 0;     // 0: no limit on the whole transfer
    long stall_timeout_ms = 10000; // a transfer that receives nothing for this long fails
    // Called while the transfer runs with the bytes so far and the expected total (0 when the
    // server did not say); returning false aborts the download, which then counts as failed.
    std::function<bool(uint64_t received, uint64_t total)> progress;
};

// Downloads `url` into `target`. Fails on a transport error, an HTTP status of 400 or above,
// a body shorter than the server announced, an empty body, or an abort from the callback.
Status Download(const std::string& url, const std::filesystem::path& target, const DownloadOptions& options = {});

// `text` with every byte outside the unreserved set of URLs written as %XX.
std::string UrlEscape(std::string_view text);

}  // namespace quelmo::shell
