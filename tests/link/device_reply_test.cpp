#include <gtest/gtest.h>

#include "link/device_reply.h"

namespace quelmo {
namespace {

TEST(InfReply, WordsGiveTheDeviceInfo) {
    DeviceInfo d;
    ParseInfReply("SN:AB1234567890XY MD:T35 RS:480X272 TP:1 V5.56 CP:GBK FL:17\r", &d);
    EXPECT_EQ(d.SerialNo, "AB1234567890XY");
    EXPECT_EQ(d.ScreenWidth, 480);
    EXPECT_EQ(d.ScreenHeight, 272);
    EXPECT_EQ(d.FirmwareText, "5.56");
    EXPECT_EQ(d.FirmwareNo, 556);
    EXPECT_EQ(d.MemorySize, 16);
}

TEST(InfReply, TheLastCharacterNeverBelongsToAWord) {
    // Without a line end the reply's last character is cut from word 7: "FL:1" gives code "1".
    DeviceInfo d;
    ParseInfReply("SN:1 a RS:320X240 b V6.00 c FL:15", &d);
    EXPECT_EQ(d.MemorySize, 8);
    ParseInfReply("SN:1 a RS:320X240 b V6.00 c FL:15;", &d);
    EXPECT_EQ(d.MemorySize, 4);
    EXPECT_EQ(d.FirmwareNo, 600);
}

TEST(InfReply, SizeCodeComesFromCharacters5To6OfASixCharacterWord) {
    struct Case {
        const char* word7;
        int mb;
    } cases[] = {{"FL:14", 2}, {"FL:41", 2}, {"FL:15", 4}, {"FL:16", 8}, {"FL:17", 16}, {"FL:99", 8},
                 {"FLS:17", 16}, {"FLS:14", 2}, {"FLSH:17", 8}, {"", 8}};
    for (const Case& c : cases) {
        DeviceInfo d;
        ParseInfReply(std::string("SN:1 a RS:320X240 b V5.56 c ") + c.word7 + "\r", &d);
        EXPECT_EQ(d.MemorySize, c.mb) << c.word7;
    }
}

TEST(InfReply, GarbageReadsAsZerosAndEmptyTexts) {
    for (const char* reply : {"", "S", "SN", "SN:\r", "SN:X RS:abcXdef", "SN       \r", "SN:1 2 RS:3"}) {
        DeviceInfo d;
        ParseInfReply(reply, &d);
        EXPECT_LE(d.SerialNo.size(), 14u);
        EXPECT_EQ(d.MemorySize, 8) << reply;
    }
}

TEST(Firmware, AcceptedFromVersion5Point5) {
    struct Case {
        const char* text;
        bool accepted;
    } cases[] = {{"5.56", true}, {"6.00", true}, {"5.50", true}, {"5.49", false}, {"4.99", false},
                 {"", false},    {"x", false},   {"12.0", true}, {"5", false}};
    for (const Case& c : cases) EXPECT_EQ(FirmwareAccepted(c.text), c.accepted) << c.text;
}

}  // namespace
}  // namespace quelmo
