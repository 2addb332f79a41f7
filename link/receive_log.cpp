#include "link/receive_log.h"

#include "core/hashtable.h"

namespace quelmo {

void ReceiveLog::Append(std::string_view bytes) {
    text_.append(bytes);
    if (text_.size() <= kTrimAbove) return;
    const std::vector<std::string> lines = SplitLines(text_);
    const size_t first = lines.size() > 3 ? lines.size() - 3 : 0;
    std::string kept;
    for (size_t i = first; i < lines.size(); ++i) kept += lines[i] + "\r\n";
    text_.swap(kept);
}

void ReceiveLog::AddLine(std::string_view line) {
    if (!text_.empty() && text_.back() != '\n') text_ += "\r\n";
    text_.append(line);
    text_ += "\r\n";
}

}  // namespace quelmo
