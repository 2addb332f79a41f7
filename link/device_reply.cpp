#include "link/device_reply.h"

#include "core/hashtable.h"

namespace quelmo {
namespace {

// Characters first..first+count-1 (1-based) of a word; empty beyond its end.
std::string_view Piece(std::string_view word, size_t first, size_t count) {
    if (first - 1 >= word.size()) return {};
    return word.substr(first - 1, count);
}

}  // namespace

void ParseInfReply(std::string_view reply, DeviceInfo* info) {
    std::string_view words[7];
    size_t pos = 0;
    const size_t stop = reply.empty() ? 0 : reply.size() - 1;
    for (auto& word : words) {
        size_t end = pos;
        while (end < stop && reply[end] != ' ') ++end;
        word = pos < end ? reply.substr(pos, end - pos) : std::string_view{};
        pos = end + 1;
    }
    info->SerialNo = std::string(Piece(words[0], 4, 14));
    info->ScreenWidth = TextToInt(Piece(words[2], 4, 3));
    info->ScreenHeight = TextToInt(Piece(words[2], 8, 3));
    info->FirmwareText = std::string(Piece(words[4], 2, std::string_view::npos));
    info->FirmwareNo = TextToInt(Piece(words[4], 2, 1)) * 100 + TextToInt(Piece(words[4], 4, 2));
    info->MemorySize = MemoryFromCode(words[6].size() == 6 ? Piece(words[6], 5, 2) : Piece(words[6], 4, 2));
}

int MemoryFromCode(std::string_view code) {
    if (code == "14" || code == "41") return 2;
    if (code == "15") return 4;
    if (code == "16") return 8;
    if (code == "17") return 16;
    return 8;
}

const char* CodeForMemory(int mb) {
    switch (mb) {
        case 2: return "14";
        case 4: return "15";
        case 16: return "17";
        default: return "16";
    }
}

bool FirmwareAccepted(std::string_view text) {
    if (text.empty()) return false;
    const size_t last = text.size() - 1;
    auto digits = [&](size_t i) {
        long value = 0;
        for (; i < last && text[i] >= '0' && text[i] <= '9' && value < 100000; ++i) value = value * 10 + (text[i] - '0');
        return value;
    };
    const long major = digits(0);
    const size_t dot = text.find('.');
    const long minor = dot == std::string_view::npos ? 0 : digits(dot + 1);
    return major * 100 + minor >= 505;
}

}  // namespace quelmo
