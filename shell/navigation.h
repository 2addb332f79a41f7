#pragma once
// The window history behind the main window's 'return' button: the names of the working windows
// visited since the start page, entry 0 always "start".
#include <array>
#include <string>
#include <string_view>

namespace quelmo {

namespace shell {
inline constexpr std::string_view kStartWindow = "start";
// Entries 0 .. 256.
inline constexpr int kHistorySize = 257;
}  // namespace shell

class Navigation {
public:
    Navigation() { history_[0] = std::string(shell::kStartWindow); }

    // Records a switch to `name`: "start" resets the history to its first entry; any other
    // name becomes the next entry. When the history is full, the oldest entry after "start"
    // is dropped, so the last 256 windows stay reachable and nothing is written past the end.
    void Navigate(std::string_view name);
    // One step back. False at the start page (depth 0), where nothing changes.
    bool Return();
    // What the start page does whenever it is shown: depth 0.
    void ResetToStart() { depth_ = 0; }

    int Depth() const { return depth_; }
    const std::string& Current() const { return history_[static_cast<size_t>(depth_)]; }
    const std::string& Entry(int i) const { return history_[static_cast<size_t>(i)]; }
    // 'return' leads somewhere.
    bool CanReturn() const { return depth_ > 0; }

private:
    std::array<std::string, shell::kHistorySize> history_;
    int depth_ = 0;
};

}  // namespace quelmo
