#include <gtest/gtest.h>

#include "editors/statement_help.h"
#include "editors/axclass.h"
#include "editors/choosers.h"
#include "editors/design_mouse.h"
#include "support/screen.h"

namespace quelmo {
namespace {

constexpr uint32_t kWhite = Rgb(255, 255, 255), kRed = Rgb(255, 0, 0), kCyan = Rgb(0, 255, 255);

struct Design {
    Design() : screen(320, 240) {}
    TAXclass Frame(std::string_view line) {
        TAXclass f(screen.cmd, screen.editor, screen.pixels.View());
        f.SetStatement(line);
        return f;
    }
    test::Screen screen;
};

TEST(TAXclass, BoxLineShowsAFrameWithItsLabel) {
    Design d;
    TAXclass f = d.Frame("BOX(10,20,60,40,2)");
    EXPECT_EQ(f.type, 1);
    EXPECT_EQ(f.label, "BOX");
    f.Render(TAXclass::kRunAndFrame);
    EXPECT_EQ((std::array{f.x1, f.y1, f.x2, f.y2, f.w, f.h}), (std::array{10, 20, 60, 40, 50, 20}));
    EXPECT_EQ(d.screen.At(60, 30), kWhite);  // right side of the frame over the box outline
    EXPECT_EQ(d.screen.At(30, 40), kWhite);
    EXPECT_EQ(d.screen.At(11, 21), kCyan);   // label background at (x1 + 1, y1 + 1)
    EXPECT_EQ(d.screen.At(13, 22), Rgb(0, 0, 0));  // top of the B
    f.selected = 1;
    f.Render(TAXclass::kFrameOnly);
    EXPECT_EQ(d.screen.At(60, 30), kRed);
}

TEST(TAXclass, LinesWithoutAFrame) {
    Design d;
    TAXclass cls = d.Frame("CLS(4)");
    EXPECT_EQ(cls.type, 3);
    cls.Render(TAXclass::kRunAndFrame);
    EXPECT_EQ(d.screen.Count(d.screen.Colour(4)), 320 * 240);
    for (int x : {0, 25, 49, 50}) EXPECT_EQ(cls.HitTest(x, 10), TAXclass::kNoZone);

    // A group line runs all its statements and shows no frame.
    TAXclass group = d.Frame("[SXY(100,100);BOXF(0,0,10,10,2);SXY(0,0);]");
    EXPECT_EQ(group.type, 3);
    EXPECT_EQ(group.label, Utf8ToGbk("控件"));
    group.Render(TAXclass::kRunAndFrame);
    EXPECT_EQ(d.screen.Count(d.screen.Colour(2)), 100);
    EXPECT_EQ(d.screen.At(100, 100), d.screen.Colour(2));
    EXPECT_EQ(d.screen.cmd.OffsetX(), 0);

    TAXclass empty(d.screen.cmd, d.screen.editor, d.screen.pixels.View());
    empty.Render(TAXclass::kRunAndFrame);  // no statement: nothing happens
    EXPECT_EQ(d.screen.At(0, 0), d.screen.Colour(4));
}

TEST(TAXclass, HitZonesByType) {
    // A frame 100 pixels wide and 50 high at the origin.
    const struct {
        int x, y;
        int zone_by_type[5];  // types 1..5
    } cases[] = {
        {50, 10, {1, 1, 0, 1, 1}},
        {97, 10, {2, 0, 0, 2, 2}},   // 3 pixels left of the right edge
        {104, 10, {2, 0, 0, 2, 2}},
        {105, 10, {0, 0, 0, 0, 0}},
        {50, 47, {3, 0, 0, 0, 3}},
        {50, 54, {3, 0, 0, 0, 3}},
        {100, 50, {0, 0, 0, 0, 0}},  // the corner itself is past both edge zones' ranges
        {-1, 10, {0, 0, 0, 0, 0}},
    };
    Design d;
    TAXclass f = d.Frame("BOX(0,0,100,50,1)");
    f.Render(TAXclass::kRunOnly);
    for (int type = 1; type <= 5; ++type) {
        f.type = type;
        for (const auto& c : cases) EXPECT_EQ(f.HitTest(c.x, c.y), c.zone_by_type[type - 1]) << c.x << "," << c.y << " type " << type;
    }
}

TEST(DesignMouse, DragsMoveAndResizeInsideTheScreen) {
    struct Point {
        int x, y;
    };
    Design d;
    ParameterGrid grid;
    // Grabs the line's frame at `from`, moves the pointer through `path` and rebuilds the line.
    auto drag = [&](TAXclass f, Point from, std::vector<Point> path) {
        ShowStatementHelp(d.screen.cmd, d.screen.editor, f.statement, grid);
        const Hover hover = FindHover({f}, 1, 0, from.x, from.y);
        EXPECT_NE(hover.zone, TAXclass::kNoZone) << f.statement;
        DesignDrag drag = StartDrag(f, hover.zone, from.x, from.y);
        for (const Point& p : path) DragBox(f, drag, p.x, p.y, 320, 240);
        EndDrag(f, drag, 320, 240, grid);
        return f.statement;
    };
    auto box = [&] {
        TAXclass f = d.Frame("BOX(10,10,60,40,1)");
        f.Render(TAXclass::kRunOnly);
        return f;
    };
    EXPECT_EQ(drag(box(), {20, 20}, {{25, 22}, {30, 25}}), "BOX(20,15,70,45,1)");
    EXPECT_EQ(drag(box(), {58, 20}, {{80, 60}, {100, 90}}), "BOX(10,10,102,40,1)");  // only x2 changes
    EXPECT_EQ(drag(box(), {20, 39}, {{90, 100}}), "BOX(10,10,60,101,1)");
    EXPECT_EQ(drag(box(), {20, 20}, {{0, 0}}), "BOX(0,0,50,30,1)");  // stops at the left and top
    EXPECT_EQ(drag(box(), {58, 20}, {{318, 20}}), "BOX(10,10,60,40,1)");  // x2 would be 320, the width
    EXPECT_EQ(drag(box(), {20, 39}, {{20, 239}}), "BOX(10,10,60,40,1)");

    // A size-kept control: the width and height go back as w and h.
    TAXclass cpic = d.Frame("CPIC(10,10,1,0,0,40,30)");
    cpic.x1 = cpic.y1 = 10;
    cpic.x2 = 50;
    cpic.y2 = 40;
    cpic.w = 40;
    cpic.h = 30;
    EXPECT_EQ(drag(cpic, {20, 20}, {{30, 30}}), "CPIC(20,20,1,0,0,40,30)");
    EXPECT_EQ(drag(cpic, {48, 20}, {{60, 20}}), "CPIC(10,10,1,0,0,52,30)");
}

TEST(DesignMouse, CurrentFrameIsTestedFirstThenTheLastLine) {
    Design d;
    std::vector<TAXclass> frames = {d.Frame("BOX(0,0,100,100,1)"), d.Frame("BOX(10,10,50,50,1)"),
                                    d.Frame("CLS(0)")};
    for (auto& f : frames) f.Render(TAXclass::kRunOnly);
    EXPECT_EQ(FindHover(frames, 3, -1, 20, 20).line, 1);
    EXPECT_EQ(FindHover(frames, 3, 0, 20, 20).line, 0);
    EXPECT_EQ(FindHover(frames, 1, -1, 20, 20).line, 0);  // frames past the line count are unused
    EXPECT_EQ(FindHover(frames, 3, 1, 300, 200).line, -1);
    EXPECT_EQ(FindHover(frames, 0, 0, 20, 20).line, -1);
}

TEST(DesignScreen, SwitchAndCentre) {
    int w = 320, h = 240;
    EXPECT_STREQ(SwitchScreen(w, h), "切换横屏");
    EXPECT_EQ((std::array{w, h}), (std::array{240, 320}));
    EXPECT_STREQ(SwitchScreen(w, h), "切换竖屏");
    EXPECT_EQ((std::array{w, h}), (std::array{320, 240}));
    const Placement p = CentreOnPanel(500, 200, 320, 240);
    EXPECT_EQ((std::array{p.left, p.top}), (std::array{90, 0}));
}

TEST(Choosers, SwatchesPicturesAndKeys) {
    Design d;
    d.screen.Run("SCC(5,63488);");
    const auto swatches = SwatchColours(d.screen.cmd.Screen());
    EXPECT_EQ(swatches[5], Tgd::ModuleToDesktop(63488));
    EXPECT_EQ(swatches[0], d.screen.Colour(0));

    const auto pictures = PictureChoices(4);
    ASSERT_EQ(pictures.size(), 4u);
    EXPECT_EQ(pictures[2].caption, "3(3.jpg)");
    EXPECT_EQ(pictures[2].value, 2);
    EXPECT_TRUE(PictureChoices(0).empty());

    const auto keys = KeyChoices({"1:", "2:menu"});
    ASSERT_EQ(keys.size(), 95u + 2 + 3);
    EXPECT_EQ(keys.front().caption, " ");
    EXPECT_EQ(keys.front().value, 32);
    EXPECT_EQ(keys[94].value, 126);
    EXPECT_EQ(keys[95].value, 129);  // page 1
    EXPECT_EQ(keys[96].caption, "2:menu");
    EXPECT_EQ(keys[96].value, 130);
    EXPECT_EQ((std::array{keys[97].value, keys[98].value, keys[99].value}), (std::array{1, 2, 13}));
}

}  // namespace
}  // namespace quelmo
