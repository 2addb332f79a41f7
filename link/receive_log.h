#pragma once
// The batch interface editor's receive area as a model: GBK text that received bytes are
// appended to raw, and sent commands as lines. It is held to about 4 KB: once the text passes
// 4024 bytes after an append, only its last three lines remain.
#include <string>
#include <string_view>

namespace quelmo {

class ReceiveLog {
public:
    static constexpr size_t kTrimAbove = 4024;

    // Received bytes, appended as they are (no line break between bursts), then trimmed.
    void Append(std::string_view bytes);
    // A line of its own (the "send:" echo).
    void AddLine(std::string_view line);
    const std::string& Text() const { return text_; }
    void Clear() { text_.clear(); }

private:
    std::string text_;
};

}  // namespace quelmo
