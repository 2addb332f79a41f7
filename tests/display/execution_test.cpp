// What the runner records after each statement, and the statements that draw nothing.
#include <gtest/gtest.h>

#include <string>

#include "support/screen.h"

namespace quelmo::test {
namespace {

struct BoundsCase {
    const char* text;
    Tgd::Rect bounds;
};

TEST(Execution, RecordsTheLastStatementsBounds) {
    const BoundsCase cases[] = {
        {"BOX(1,2,30,40,1);", {1, 2, 30, 40}},
        {"BOXF(5,6,7,8,1);", {5, 6, 7, 8}},
        {"CBOX(1,2,3,4,5,1);", {1, 2, 3, 4}},
        {"CBOF(1,2,3,4,5,1);", {1, 2, 3, 4}},
        {"W8BF(0,0,100,50,3);", {0, 0, 100, 50}},
        {"BOX(0,0,10,10,1);PS(5,5,2);", {-1, -1, -1, -1}},
        {"BOX(0,0,10,10,1);PL(0,0,5,5,2);", {-1, -1, -1, -1}},
        {"BOX(0,0,10,10,1);CIR(5,5,2,2);", {-1, -1, -1, -1}},
        {"BOX(0,0,10,10,1);CIRF(5,5,2,2);", {-1, -1, -1, -1}},
        {"BOX(0,0,10,10,1);CLS(0);", {-1, -1, -1, -1}},
        {"BOX(0,0,10,10,1);UNKNOWN(1);", {-1, -1, -1, -1}},
        {"BOX(0,0,10,10,1);box(1,1,5,5,1);", {-1, -1, -1, -1}},  // names are case-sensitive
        {"SXY(10,20);BOX(1,2,3,4,1);", {11, 22, 13, 24}},        // bounds carry the offset
        {"BOX(12,10,2,0,1);", {12, 10, 2, 0}},                   // recorded as read
    };
    for (const auto& c : cases) {
        Screen s(64, 48);
        s.Run(c.text);
        const auto b = s.cmd.Bounds();
        EXPECT_EQ((std::array{b.x1, b.y1, b.x2, b.y2}), (std::array{c.bounds.x1, c.bounds.y1, c.bounds.x2, c.bounds.y2}))
            << c.text;
    }
}

TEST(Execution, StatementsWithoutSimulationLeaveTheScreenAlone) {
    Screen s;
    s.Run("BOXF(0,0,64,48,3);");
    for (const char* text : {"SPG(3);", "SEBL(50);", "TPST(400,240);", "TPN(1);", "TPOW(1);", "TERM;", "DR2;",
                             "INF;", "SNF(0,0);", "W8UE;", "CEUE;", "cls(0);"}) {
        s.Run(text);
        EXPECT_EQ(s.Count(s.Colour(3)), 64 * 48) << text;
        const auto b = s.cmd.Bounds();
        EXPECT_EQ(b.x1, -1) << text;
    }
}

TEST(Execution, CatalogueTypesOfTheShapeStatements) {
    Screen s;
    for (const char* name : {"BOX", "BOXF", "CBOX", "CBOF", "W8BF"}) EXPECT_EQ(s.cmd.TypeOf(name), 1) << name;
    for (const char* name : {"PL", "PS", "CIR", "CIRF", "CLS", "SBC", "SCC", "SXY", "TPST", "SPG", "DRn", "SEBL"})
        EXPECT_EQ(s.cmd.TypeOf(name), 3) << name;
    EXPECT_EQ(s.cmd.TypeOf("NOPE"), 0);
}

TEST(Execution, ArgumentsShiftAfterASignedNumber) {
    // BOX(-5,0,10,10,1) reads x1 = 0, y1 = 5, x2 = 0, y2 = 10 and the colour 10.
    Screen s;
    s.Run("BOX(-5,0,10,10,1);");
    const auto b = s.cmd.Bounds();
    EXPECT_EQ((std::array{b.x1, b.y1, b.x2, b.y2}), (std::array{0, 5, 0, 10}));
    EXPECT_EQ(s.At(0, 5), s.Colour(10));
}

TEST(Execution, SixDigitCoordinateReadsAsAnEmptyArgumentAfterIt) {
    // PL(0,0,123456,10,1): x2 = 12345, y2 = 0 and the colour is 10.
    Screen s(64, 4);
    s.Run("PL(0,0,123456,10,1);");
    EXPECT_EQ(s.At(0, 0), s.Colour(10));
    EXPECT_EQ(s.At(63, 0), s.Colour(10));
    EXPECT_EQ(s.Count(s.Colour(10)), 64);
}

}  // namespace
}  // namespace quelmo::test
