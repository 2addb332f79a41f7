#include "shell/navigation.h"

#include <algorithm>

namespace quelmo {

void Navigation::Navigate(std::string_view name) {
    if (name == shell::kStartWindow) {
        depth_ = 0;
    } else if (depth_ + 1 < shell::kHistorySize) {
        ++depth_;
    } else {
        // Full: entry 1 goes, everything above moves down one, entry 0 stays "start".
        std::move(history_.begin() + 2, history_.end(), history_.begin() + 1);
    }
    history_[static_cast<size_t>(depth_)] = std::string(name);
}

bool Navigation::Return() {
    if (depth_ <= 0) return false;
    --depth_;
    return true;
}

}  // namespace quelmo
