#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "core/gbk.h"
#include "ime/pymb.h"

namespace quelmo::ime {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes At(const Bytes& b, size_t at, size_t n) { return Bytes(b.begin() + at, b.begin() + at + n); }

PymbOutput BuildOk(PymbBuilder& builder, std::string_view ini, std::string_view mb) {
    auto r = builder.Build(ini, mb);
    EXPECT_TRUE(r.ok()) << (r.ok() ? "" : r.error().message);
    return r.ok() ? std::move(*r) : PymbOutput{};
}

class DefaultPymb : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        PymbBuilder builder;
        out_ = BuildOk(builder, DefaultKeyConfig(), DefaultCodeTable());
    }
    static PymbOutput out_;
};
PymbOutput DefaultPymb::out_;

TEST_F(DefaultPymb, HeaderKeysAndLabels) {
    const Bytes& b = out_.bytes;
    EXPECT_TRUE(out_.errors.empty());
    ASSERT_GT(b.size(), 6447u);
    EXPECT_EQ(At(b, 0, 5), (Bytes{0x50, 0x59, 0x55, 0xAA, 0x01}));
    EXPECT_EQ(b[5] | b[6] << 8, static_cast<int>(b.size()));
    EXPECT_EQ(At(b, 7, 9), Bytes(9, 0xFF));
    EXPECT_EQ(At(b, 16, 8), (Bytes{0x11, 0x00, 0x4F, 0x00, 0x2B, 0x00, 0x74, 0x00}));  // key 0: 17,79,43,116
    EXPECT_EQ(At(b, 16 + 8 * 40, 8), (Bytes{2, 0, 0, 0, 57, 0, 28, 0}));
    EXPECT_EQ(At(b, 16 + 8 * 41, 8), Bytes(8, 0xFF));  // no rectangle line for key 41
    EXPECT_EQ(At(b, 528, 4), (Bytes{0x00, 'a', 0x00, 'b'}));
    EXPECT_EQ(At(b, 528 + 64 * 3, 6), (Bytes{0x00, 0x2D, 0x00, 0x21, 0xA1, 0xA2}));  // "-", "!", "、"
    EXPECT_EQ(At(b, 528 + 64 * 4 + 2 * 3, 2), (Bytes{0x00, '\\'}));
    EXPECT_EQ(At(b, 848, 176), Bytes(176, 0xFF));
}

TEST_F(DefaultPymb, EntriesStartTableAndCharacters) {
    const Bytes& b = out_.bytes;
    // 411 entries: the characters start at 1104 + 13 * 411 = 6447 (0x192F).
    EXPECT_EQ(At(b, 1104, 13), (Bytes{0x01, 0, 0, 0, 'a', 0, 0, 0, 0, 0, 0x2F, 0x19, 0x02}));
    EXPECT_EQ(At(b, 1117, 13), (Bytes{0x29, 0, 0, 0, 'a', 'i', 0, 0, 0, 0, 0x47, 0x19, 0x05}));
    const size_t zuo = 1104 + 13 * 410;
    EXPECT_EQ(At(b, zuo, 10), (Bytes{0xAF, 0x6A, 0, 0, 'z', 'u', 'o', 0, 0, 0}));  // 27311
    // 5 syllables start with a, 16 with b; all 411 have a first digit below 27.
    EXPECT_EQ(At(b, 1024, 8), (Bytes{0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0x15, 0x00}));
    EXPECT_EQ(At(b, 1024 + 2 * 27, 2), (Bytes{0x9B, 0x01}));
    EXPECT_EQ(At(b, 1024 + 2 * 32, 2), (Bytes{0x9B, 0x01}));
    EXPECT_EQ(At(b, 1090, 14), Bytes(14, 0xFF));
    // "阿啊呵腌嗄锕吖": seven characters padded to twelve.
    const std::string a = Utf8ToGbk("阿啊");
    EXPECT_EQ(At(b, 6447, 4), (Bytes{static_cast<uint8_t>(a[0]), static_cast<uint8_t>(a[1]),
                                     static_cast<uint8_t>(a[2]), static_cast<uint8_t>(a[3])}));
    EXPECT_EQ(At(b, 6447 + 14, 10), Bytes(10, 0));
}

TEST(PymbKeyConfig, LineRulesAndTheErrorOutput) {
    const std::string label37 = "#S01#abcdefghijklmnopqrstuvwxyz012345";
    ASSERT_EQ(label37.size(), 37u);
    const struct {
        std::string ini;
        std::vector<std::string> errors;
    } cases[] = {
        {label37, {}},
        {"#S05#abcdefghijklmnopqrstuvwxyz012345", {}},  // row 5: ignored silently
        {"#S00#abcdefghijklmno", {"#S00#abcdefghijklmno"}},
        {"#P03#1,2,3", {"#P03#1,2,3"}},
        {"#P03#1,2", {"#P03#1,2", "#P03#1,2"}},
        {"#P64#1,2,3,4\r\n#T07\r\n// comment\r\n=a=x", {}},
        // 32 keys need 37 bytes of single-byte keys; two wide keys in 37 bytes leave two short.
        {Utf8ToGbk("#S02#汉字abcdefghijklmnopqrstuvwxyz01"),
         std::vector<std::string>(2, Utf8ToGbk("#S02#汉字abcdefghijklmnopqrstuvwxyz01"))},
    };
    for (const auto& c : cases) {
        PymbBuilder builder;
        EXPECT_EQ(BuildOk(builder, c.ini, "").errors, c.errors) << c.ini;
    }

    PymbBuilder builder;
    const auto out = BuildOk(builder, label37 + "\r\n#S05#abcdefghijklmnopqrstuvwxyz012345\r\n#P03#9,9,9,9\r\n#P03#1,2,3", "");
    EXPECT_EQ(At(out.bytes, 528 + 64, 4), (Bytes{0, 'a', 0, 'b'}));
    EXPECT_EQ(At(out.bytes, 528 + 64 * 2, 64), Bytes(64, 0xFF));
    EXPECT_EQ(At(out.bytes, 16 + 8 * 3, 8), (Bytes{1, 0, 2, 0, 3, 0, 9, 0}));  // y2 kept
    EXPECT_EQ(out.bytes.size(), 1104u);
}

TEST(PymbCodes, DigitsComeFromRowZeroInEitherMode) {
    PymbBuilder builder;
    EXPECT_EQ(builder.Code("zuo"), 1057u);  // no row 0 yet: every letter has digit 1, (1*32+1)*32+1
    (void)builder.Build(DefaultKeyConfig(), "");
    EXPECT_EQ(builder.Code("a"), 1u);
    EXPECT_EQ(builder.Code("ai"), 41u);
    EXPECT_EQ(builder.Code("zuo"), 27311u);
    EXPECT_EQ(builder.Code("zhuang"), ((((26u * 32 + 8) * 32 + 21) * 32 + 1) * 32 + 14) * 32 + 7);
    EXPECT_EQ(builder.Code("chuangx"), 0u);

    // Mode 2: digits are key characters minus '0'; the mode line must come first.
    const auto out = BuildOk(builder, "#T02\r\n#S00#12345678901234567890123456 00000", "=ab=x\r\n=abcdefgh=y");
    EXPECT_EQ(out.bytes[4], 2);
    EXPECT_EQ(builder.Code("ab"), 2u * 32 + 3);
    // Its characters follow the first entry's 12 bytes: 1104 + 2 * 13 + 12 = 0x476.
    EXPECT_EQ(At(out.bytes, 1104 + 13, 13), (Bytes{0, 0, 0, 0, 'a', 'b', 'c', 'd', 'e', 'f', 0x76, 0x04, 1}));
}

TEST(PymbCodeTable, OneCharacterMakesOneGroupAndLettersAreRequired) {
    PymbBuilder builder;
    const std::string ai = Utf8ToGbk("=ai=爱");
    const auto out = BuildOk(builder, DefaultKeyConfig(), ai + "\r\n=\r\n==x\r\nai=y");
    EXPECT_EQ(out.errors, (std::vector<std::string>{"=", "==x"}));
    ASSERT_EQ(out.bytes.size(), 1104u + 13 + 12);
    EXPECT_EQ(At(out.bytes, 1104, 13), (Bytes{41, 0, 0, 0, 'a', 'i', 0, 0, 0, 0, 0x5D, 0x04, 1}));
    Bytes chars(12, 0);
    chars[0] = 0xB0;
    chars[1] = 0xAE;
    EXPECT_EQ(At(out.bytes, 1117, 12), chars);
    EXPECT_EQ(At(out.bytes, 1024, 6), (Bytes{0, 0, 0, 0, 1, 0}));
}

TEST(PymbCodeTable, RefusesTablesThatOutgrowSixteenBits) {
    PymbBuilder builder;
    std::string big;
    for (int i = 0; i < 120; ++i) big += "=a=" + std::string(540, 'x') + "\r\n";  // 120 * 1080 bytes
    auto r = builder.Build("", big);
    ASSERT_FALSE(r.ok());
    EXPECT_NE(r.error().message.find("65535"), std::string::npos);

    r = builder.Build("", "=a=" + std::string(1531, 'x'));  // 256 groups do not fit one byte
    ASSERT_FALSE(r.ok());

    // 1104 + 40 * 13 + 40 * 1596 = 65464 still fits.
    std::string fits;
    for (int i = 0; i < 40; ++i) fits += "=a=" + std::string(798, 'x') + "\r\n";
    r = builder.Build("", fits);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r->bytes.size(), 1104u + 40 * 13 + 40 * 1596);
}

TEST(PymbFile, RewrittenWholeAndRefusalLeavesNoNewFile) {
    const auto dir = std::filesystem::temp_directory_path() / ("quelmo_pymb_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    PymbBuilder builder;
    auto big = WritePymb(builder, dir, DefaultKeyConfig(), DefaultCodeTable());
    ASSERT_TRUE(big.ok());
    EXPECT_EQ(std::filesystem::file_size(dir / kFileName), big->bytes.size());
    auto small = WritePymb(builder, dir, DefaultKeyConfig(), "=a=x");
    ASSERT_TRUE(small.ok());
    EXPECT_EQ(std::filesystem::file_size(dir / kFileName), 1104u + 13 + 12);
    std::ifstream f(dir / kFileName, std::ios::binary);
    EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(f), {}), small->bytes);

    std::filesystem::remove(dir / kFileName);
    EXPECT_FALSE(WritePymb(builder, dir, "", "=a=" + std::string(70000, 'x')).ok());
    EXPECT_FALSE(std::filesystem::exists(dir / kFileName));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace quelmo::ime
