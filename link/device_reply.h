#pragma once
// What the module says of itself: the reply to ";INF;". The reply is one line of words
// separated by single spaces; its last character (the line end) never belongs to a word.
//   word 1 "SN:" + serial number     word 3 "RS:" + WWW + "X" + HHH     word 5 "V" + firmware
//   word 7 flash size code: characters 5..6 of a six-character word, else characters 4..5
#include <string>
#include <string_view>

#include "flash/trom.h"

namespace quelmo {

// Fills all six fields of `info` from a reply that starts with "SN". Garbage gives zeros and
// empty texts, never a read outside the reply.
void ParseInfReply(std::string_view reply, DeviceInfo* info);
// Flash size in MB for a size code: "14" and "41" 2, "15" 4, "16" 8, "17" 16, any other 8.
int MemoryFromCode(std::string_view code);
// The size code a module of `mb` megabytes reports.
const char* CodeForMemory(int mb);
// True when the firmware is 5.5 or later: major * 100 + minor >= 505, where both digit scans
// stop before the text's last character (so "5.56" reads as 5 and 5).
bool FirmwareAccepted(std::string_view firmware_text);

}  // namespace quelmo
