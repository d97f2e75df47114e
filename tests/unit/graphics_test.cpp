// Drawing: the raster algorithms, the turtle's arithmetic and the turtle and
// shape commands on the console's surfaces, with pixels checked against
// geometry worked out here, and picture files in and out.
#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine_fixture.h"
#include "graphics/raster.h"
#include "graphics/svg_picture.h"
#include "graphics/turtle.h"
#include "library/graphics/graphics.h"
#include "library/objects/objects.h"
#include "platform/headless/virtual_widgets.h"
#include "platform/linux/picture_codec.h"
#include "temp_folder.h"
#include "ui/objects.h"

namespace qel {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFF, kBlack = 0xFF000000, kRed = 0xFFFF0000;

struct Board {
    Picture picture;
    Board(int w, int h, std::uint32_t colour = kWhite) {
        picture.width = w, picture.height = h;
        picture.pixels.assign(static_cast<std::size_t>(w) * h, colour);
    }
    PixelView view() { return picture.view(); }
    std::uint32_t at(int x, int y) { return view().at(x, y); }
    long count(std::uint32_t colour) {
        return std::count(picture.pixels.begin(), picture.pixels.end(), colour);
    }
};

graphics::Pen pen(std::uint32_t rgb, int width = 1, int mode = graphics::kCopyPen) {
    return {rgb & 0xFFFFFF, width, graphics::LineStyle::Solid, mode};
}

// ---- raster ---------------------------------------------------------------------

TEST(Raster, LinesSetEveryPixelBetweenTheirEndsAndNoOther) {
    Board b(50, 50);
    graphics::line(b.view(), 10, 40, 10, 5, pen(0));
    for (int y = 5; y <= 40; ++y) EXPECT_EQ(b.at(10, y), kBlack) << y;
    EXPECT_EQ(b.count(kBlack), 36);
    // A diagonal is one pixel per step on both axes.
    Board d(50, 50);
    graphics::line(d.view(), 0, 0, 20, 20, pen(0));
    for (int i = 0; i <= 20; ++i) EXPECT_EQ(d.at(i, i), kBlack);
    EXPECT_EQ(d.count(kBlack), 21);
}

TEST(Raster, AWidePenCoversItsSquareAlongTheLineOnce) {
    Board b(60, 60);
    graphics::line(b.view(), 10, 30, 40, 30, pen(0, 5));
    // The brush reaches two pixels past each end as well as to each side.
    EXPECT_EQ(b.count(kBlack), 5 * 35);
    EXPECT_EQ(b.at(8, 28), kBlack);
    EXPECT_EQ(b.at(42, 32), kBlack);
    EXPECT_EQ(b.at(10, 27), kWhite);
    EXPECT_EQ(b.at(7, 30), kWhite);
    // In XOR mode each pixel is set once: drawing twice gives the paper back,
    // also on a slanted line where the brush steps on both axes.
    Board x(80, 80);
    graphics::line(x.view(), 5, 7, 70, 50, pen(0xFFFFFF, 7, 7));
    EXPECT_GT(x.count(kBlack), 7 * 60);
    graphics::line(x.view(), 5, 7, 70, 50, pen(0xFFFFFF, 7, 7));
    EXPECT_EQ(x.count(kWhite), 80 * 80);
}

TEST(Raster, DashedStylesLeaveGaps) {
    Board b(100, 10);
    graphics::Pen dotted = pen(0);
    dotted.style = graphics::LineStyle::Dot;
    graphics::line(b.view(), 0, 5, 59, 5, dotted);
    EXPECT_EQ(b.count(kBlack), 30);  // 3 on, 3 off
}

TEST(Raster, AFilledCircleCoversPiRSquared) {
    for (int r : {10, 37, 100}) {
        Board b(2 * r + 10, 2 * r + 10);
        graphics::ellipse(b.view(), 5, 5, 5 + 2 * r, 5 + 2 * r, pen(0xFF0000),
                          {0xFF0000, graphics::FillStyle::Solid});
        const double area = 3.14159265358979 * r * r;
        EXPECT_NEAR(b.count(kRed), area, area * 0.02) << r;
        // Nothing outside the box.
        EXPECT_EQ(b.at(4, 5 + r), kWhite);
        EXPECT_EQ(b.at(5 + 2 * r, 5 + r), kWhite);
    }
}

TEST(Raster, FloodFillsStopAtAnotherColourAndLeakThroughAGap) {
    Board b(100, 80);
    graphics::rectangle(b.view(), 20, 10, 60, 50, pen(0), {});
    EXPECT_EQ(graphics::floodFill(b.view(), 30, 30, 0xFF0000), 38 * 38);
    EXPECT_EQ(b.at(19, 30), kWhite);
    EXPECT_EQ(b.at(21, 11), kRed);
    // A one-pixel gap in the border lets the fill out to all the paper.
    Board g(100, 80);
    graphics::rectangle(g.view(), 20, 10, 60, 50, pen(0), {});
    g.view().at(40, 10) = kWhite;
    graphics::floodFill(g.view(), 30, 30, 0xFF0000);
    EXPECT_EQ(g.count(kWhite), 0);
    EXPECT_EQ(g.count(kBlack), 4 * 39 - 1);
    // An ellipse's outline holds a fill in.
    Board e(100, 100);
    graphics::ellipse(e.view(), 10, 10, 90, 70, pen(0), {});
    graphics::floodFill(e.view(), 50, 40, 0xFF0000);
    EXPECT_EQ(e.at(2, 2), kWhite);
    EXPECT_EQ(e.at(50, 40), kRed);
}

TEST(Raster, AWholeLargeSurfaceFillsWithoutRecursionAndOddStartsDoNothing) {
    Board b(2000, 2000);
    // A comb of walls: long snaking spans stress the seed stack.
    for (int x = 10; x < 2000; x += 20)
        graphics::line(b.view(), x, x % 40 ? 0 : 5, x, 1994, pen(0));
    const long paper = b.count(kWhite);
    EXPECT_EQ(graphics::floodFill(b.view(), 1, 1, 0xFF0000), paper);
    EXPECT_EQ(graphics::floodFill(b.view(), -1, 5, 0x00FF00), 0);
    EXPECT_EQ(graphics::floodFill(b.view(), 5, 2000, 0x00FF00), 0);
    EXPECT_EQ(graphics::floodFill(b.view(), 1, 1, 0xFF0000), 0);  // already that colour
}

TEST(Raster, AbsurdCoordinatesAreClippedNotFollowed) {
    Board b(20, 20);
    graphics::line(b.view(), NAN, NAN, 1e300, -1e300, pen(0));
    graphics::line(b.view(), -5e8, 3, -4e8, 3, pen(0, 50));
    graphics::rectangle(b.view(), -1e300, -1e300, 1e300, 1e300, pen(0), {});
    graphics::ellipse(b.view(), 0, 0, NAN, 10, pen(0), {});
    SUCCEED();
}

TEST(Raster, RasterOperationsCombineBitByBit) {
    EXPECT_EQ(graphics::combine(13, 0x123456, 0xFFFFFF), 0xFF123456u);
    EXPECT_EQ(graphics::combine(7, 0xFF00FF, 0x0F0F0F), 0xFFF00FF0u);  // XOR
    EXPECT_EQ(graphics::combine(6, 0x000000, 0x00FF00), 0xFFFF00FFu);  // NOT the surface
    EXPECT_EQ(graphics::combine(1, 0xFFFFFF, 0xFFFFFF), 0xFF000000u);  // black
    EXPECT_EQ(graphics::combine(16, 0, 0), 0xFFFFFFFFu);               // white
    EXPECT_EQ(graphics::combine(9, 0xF0F0F0, 0x3C3C3C), 0xFF303030u);  // AND
}

// ---- the turtle's arithmetic ----------------------------------------------------------

// How much ink pixels hold on white paper, in whole pixels: a pixel's
// darkness in its green channel (the pens below have none).
double ink(Board& b) {
    double sum = 0;
    for (std::uint32_t p : b.picture.pixels) sum += (255 - ((p >> 8) & 0xFF)) / 255.0;
    return sum;
}
long greys(Board& b) {
    return std::count_if(b.picture.pixels.begin(), b.picture.pixels.end(), [](std::uint32_t p) {
        const unsigned g = (p >> 8) & 0xFF;
        return g != 0 && g != 255;
    });
}

TEST(Raster, SmoothLinesCarryTheirAreaInGreyEdgesAndStayNearTheLine) {
    graphics::Pen soft = pen(0);
    soft.smooth = true;
    // Along the pixel grid a smooth line is as sharp as an exact one.
    Board flat(60, 60);
    graphics::line(flat.view(), 10, 30, 40, 30, soft);
    EXPECT_EQ(flat.count(kBlack), 31);
    EXPECT_EQ(greys(flat), 0);
    // Slanted, its ink is its length (plus its round ends) spread over grey
    // pixels none of which is more than a pixel and a half from the line.
    Board slant(80, 80);
    graphics::line(slant.view(), 5.3, 7.8, 70.1, 50.6, soft);
    const double length = std::hypot(70.1 - 5.3, 50.6 - 7.8);
    EXPECT_NEAR(ink(slant), length, length * 0.05);
    EXPECT_GT(greys(slant), 50);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 80; ++x) {
            if (slant.at(x, y) == kWhite) continue;
            const double t =
                std::clamp(((x - 5.3) * 64.8 + (y - 7.8) * 42.8) / (length * length), 0.0, 1.0);
            EXPECT_LT(std::hypot(x - 5.3 - 64.8 * t, y - 7.8 - 42.8 * t), 1.5) << x << "," << y;
        }
    // A wide smooth pen spreads its width of ink along the line.
    Board wide(80, 80);
    soft.width = 6;
    graphics::line(wide.view(), 10, 10, 60, 60, soft);
    const double wideArea = 6 * std::hypot(50, 50) + 3.14159 * 9;
    EXPECT_NEAR(ink(wide), wideArea, wideArea * 0.05);
    // Dashes and the other raster operations stay exact.
    Board dotted(100, 10);
    graphics::Pen dots = pen(0);
    dots.smooth = true;
    dots.style = graphics::LineStyle::Dot;
    graphics::line(dotted.view(), 0, 5, 59, 5, dots);
    EXPECT_EQ(dotted.count(kBlack), 30);
    Board xored(80, 80);
    graphics::Pen inverting = pen(0xFFFFFF, 1, 7);
    inverting.smooth = true;
    graphics::line(xored.view(), 5, 7, 70, 50, inverting);
    EXPECT_EQ(greys(xored), 0);
    // Absurd ends are tamed and clipped, as for exact lines: no hang, no
    // pixel outside the surface.
    Board far(40, 40);
    graphics::line(far.view(), -1e300, std::nan(""), 1e300, 20, soft);
    graphics::line(far.view(), 20, -1e9, 20, 1e9, soft);
    EXPECT_GT(ink(far), 40);
}

TEST(Raster, SmoothCirclesKeepTheirAreaAndRing) {
    graphics::Pen soft = pen(0xFF0000);
    soft.smooth = true;
    for (int r : {10, 37, 100}) {
        Board b(2 * r + 10, 2 * r + 10);
        graphics::ellipse(b.view(), 5, 5, 5 + 2 * r, 5 + 2 * r, soft,
                          {0xFF0000, graphics::FillStyle::Solid});
        const double area = 3.14159265358979 * r * r;
        EXPECT_NEAR(ink(b), area, area * 0.01) << r;
        EXPECT_GT(greys(b), 4 * r) << r;
        EXPECT_EQ(b.at(5 + r, 5 + r), kRed);
        EXPECT_EQ(b.at(4, 5 + r), kWhite);
    }
    // An outline alone: a thin ring whose ink is its circumference, with the
    // paper inside untouched.
    Board ring(90, 90);
    graphics::ellipse(ring.view(), 5, 5, 85, 85, soft, {});
    EXPECT_NEAR(ink(ring), 2 * 3.14159 * 39.5, 2 * 3.14159 * 39.5 * 0.05);
    EXPECT_EQ(ring.at(45, 45), kWhite);
    EXPECT_EQ(ring.at(45, 20), kWhite);
}

TEST(SvgPictures, RunsBecomeRectanglesAndBusyPicturesAnEmbeddedPng) {
    // A 6 × 4 white picture with a red 2 × 3 block: the paper and one block.
    Board b(6, 4);
    for (int y = 0; y < 3; ++y) b.view().at(1, y) = b.view().at(2, y) = kRed;
    const std::string svg = graphics::svgOf(b.picture, "");
    auto count = [](const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count(svg, "<rect "), 2u);
    EXPECT_NE(svg.find("<rect x=\"0\" y=\"0\" width=\"6\" height=\"4\" fill=\"#ffffff\"/>"),
              std::string::npos);
    EXPECT_NE(svg.find("<rect x=\"1\" y=\"0\" width=\"2\" height=\"3\" fill=\"#ff0000\"/>"),
              std::string::npos);
    // Past the limit the PNG bytes go in whole (base64 of "hello" is aGVsbG8=).
    const std::string busy = graphics::svgOf(b.picture, "hello", 0);
    EXPECT_EQ(count(busy, "<rect "), 0u);
    EXPECT_NE(busy.find("data:image/png;base64,aGVsbG8=\""), std::string::npos);
}

TEST(TurtleArithmetic, HeadingsNormaliseOnlyWhenNegative) {
    EXPECT_FLOAT_EQ(graphics::turnHeading(90, -30), 60);
    EXPECT_FLOAT_EQ(graphics::turnHeading(0, 400), 400);
    EXPECT_FLOAT_EQ(graphics::turnHeading(0, -90), 270);
    EXPECT_FLOAT_EQ(graphics::turnHeading(0, -360), 360);
    EXPECT_FLOAT_EQ(graphics::turnHeading(0, -0.4), 360);
    EXPECT_FLOAT_EQ(graphics::turnHeading(0, -725.3), 355);  // -725 keeps -5, +360
    EXPECT_FLOAT_EQ(graphics::turnHeading(45, NAN), 45);
    EXPECT_FLOAT_EQ(graphics::headingFromCompass(45), 45);
    EXPECT_FLOAT_EQ(graphics::headingFromCompass(180), 270);
}

TEST(TurtleArithmetic, TheIconFollowsTheHeadingInStepsOf15) {
    EXPECT_EQ(graphics::iconResource(90), 101);
    EXPECT_EQ(graphics::iconResource(0), 2090);
    EXPECT_EQ(graphics::iconResource(60), 2030);
    EXPECT_EQ(graphics::iconResource(270), 2180);
    EXPECT_EQ(graphics::iconResource(360), 2090);
    EXPECT_EQ(graphics::iconResource(450), 101);
    EXPECT_EQ(graphics::iconResource(1e30f), graphics::iconResource(std::fmod(1e30f, 360.0f)));
    // Every heading lands on one of the 24 pictures.
    for (int h = 0; h <= 1440; ++h) {
        const int r = graphics::iconResource(float(h));
        EXPECT_TRUE(r == 101 || (r >= 2015 && r <= 2345 && r % 15 == 2000 % 15)) << h << " " << r;
    }
}

TEST(TurtleArithmetic, StepsUseTheLanguagesOwnPi) {
    auto [dx, dy] = graphics::stepAlong(90, 100);
    EXPECT_DOUBLE_EQ(dx, 100 * std::cos(90 * 3.14159 / 180));
    EXPECT_NEAR(dx, 0.000132679, 1e-8);  // not 0: the factor is 3.14159 / 180
    EXPECT_NEAR(dy, -100, 1e-6);
    EXPECT_EQ(graphics::branchSegments(0), 1);
    EXPECT_EQ(graphics::branchSegments(3), 15);
    EXPECT_EQ(graphics::branchSegments(-4), 1);
}

// ---- commands on the console's surface --------------------------------------------------

class Drawing : public testing::EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        engine().platform.widgets = std::make_unique<VirtualWidgets>();
        engine().platform.pictures = std::make_unique<StandardPictureCodec>();
    }
    PixelView surface() {
        auto window = objectModel(engine()).mainWindow;
        return engine().platform.widgets->canvas(window->widget)->pixels();
    }
    long count(std::uint32_t colour) {
        PixelView v = surface();
        long n = 0;
        for (int y = 0; y < v.height; ++y)
            for (int x = 0; x < v.width; ++x) n += v.at(x, y) == colour;
        return n;
    }
    static constexpr std::uint32_t kPaper = 0xFFF0F0F0;
    // The console's window: 384 × 261 inside, so the turtle starts at (192, 130).
    static constexpr int kCx = 192, kCy = 130;
};

TEST_F(Drawing, TheFirstStepGoesUpFromTheCentreAndTheIconFacesUp) {
    run({u"「100」を前へ", u"カメ０の絵を表示", u"カメ０の横を表示"});
    for (int y = kCy - 100; y <= kCy; ++y) EXPECT_EQ(surface().at(kCx, y), kBlack) << y;
    EXPECT_EQ(surface().at(kCx, kCy - 101), kPaper);
    EXPECT_EQ(count(kBlack), 101);
    EXPECT_EQ(messages(), (std::vector<Text>{u":/turtle/101.png", u"176"}));
}

TEST_F(Drawing, TurningRightThenMovingDrawsToTheRight) {
    run({u"「90」を右へ", u"「50」を前へ", u"カメ０の絵を表示", u"「30」を右へ",
         u"カメ０の絵を表示"});
    for (int x = kCx; x <= kCx + 50; ++x) EXPECT_EQ(surface().at(x, kCy), kBlack) << x;
    EXPECT_EQ(count(kBlack), 51);
    EXPECT_EQ(messages(), (std::vector<Text>{u":/turtle/2090.png", u":/turtle/2120.png"}));
}

TEST_F(Drawing, WithThePenUpTheIconMovesAndNothingIsDrawn) {
    run({u"上げ", u"「40」を前へ", u"カメ０の縦を表示", u"下げ", u"「10」を前へ"});
    EXPECT_EQ(messages(), (std::vector<Text>{Text(u"74")}));  // 130 - 40 - 16
    EXPECT_EQ(count(kBlack), 11);
    EXPECT_EQ(surface().at(kCx, kCy - 45), kBlack);
}

TEST_F(Drawing, AHiddenTurtleKeepsTrackOfItsIconAndShowsItWhenItComesOut) {
    auto shownPicture = [&] {
        auto turtle = graphicsState(engine()).turtle.lock();
        if (!turtle) return Text(u"(no turtle)");
        auto data = engine().platform.widgets->get(turtle->widget, WidgetValue::PictureFile);
        const Text* file = data ? std::get_if<Text>(&*data) : nullptr;
        return file ? *file : Text();
    };
    run({u"「10」を前へ", u"隠れ", u"「90」を右へ", u"「45」を右へ", u"「10」を前へ",
         u"カメ０の絵を表示", u"出て"});
    EXPECT_EQ(messages().front(), u":/turtle/2135.png");
    EXPECT_EQ(shownPicture(), u":/turtle/2135.png");
    EXPECT_TRUE(errorNumbers().empty());
}

// スタンプ with nothing named prints the turtle's own picture, centred where
// it stands, with its see-through pixels leaving the paper; the icon's
// pixels come from the PNG file the icon is made from.
TEST_F(Drawing, AStampWithoutAPicturePrintsTheTurtleWhereItStands) {
    const std::string file = std::string(QEL_SOURCE_DIR) + "/src/resources/turtle/2090.png";
    std::string bytes;
    if (FILE* f = std::fopen(file.c_str(), "rb")) {
        for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(char(c));
        std::fclose(f);
    }
    Picture icon;
    ASSERT_EQ(StandardPictureCodec().decode(bytes, icon), "") << file;
    run({u"上げ", u"「90」を右へ", u"「40」を前へ", u"スタンプ"});
    const int left = kCx + 40 - icon.width / 2, top = kCy - icon.height / 2;
    long opaque = 0;
    for (int y = 0; y < icon.height; ++y) {
        for (int x = 0; x < icon.width; ++x) {
            const std::uint32_t want = icon.view().at(x, y);
            opaque += (want >> 24) != 0;
            EXPECT_EQ(surface().at(left + x, top + y), (want >> 24) != 0 ? want : kPaper)
                << x << "," << y;
        }
    }
    EXPECT_GT(opaque, 20);
    EXPECT_EQ(count(kPaper), long(surface().width) * surface().height - opaque);
}

TEST_F(Drawing, BranchesDrawTheirTreeAndComeBack) {
    run({u"「90,0,40」で枝", u"「10」を前へ"});
    // One segment of 60 up, then back at the centre facing up again.
    EXPECT_EQ(graphicsState(engine()).segments, 2);
    EXPECT_EQ(count(kBlack), 61);
    for (int depth : {1, 4, 7}) {
        run({u"「120," + number::format(depth) + u",50」で枝"});
        EXPECT_EQ(graphicsState(engine()).segments, graphics::branchSegments(depth)) << depth;
    }
    run({u"「120,-3,50」で枝"});
    EXPECT_EQ(graphicsState(engine()).segments, 1);
    EXPECT_TRUE(errorNumbers().empty());
    run({u"「120,1000,50」で枝"});
    EXPECT_EQ(graphicsState(engine()).segments, 0);
    EXPECT_EQ(errorNumbers(), std::vector<int>{953});
}

TEST_F(Drawing, TurtleCommandsWithoutANumberReportError36) {
    run({u"前へ", u"「」を右へ", u"「90」を左へ", u"Ａは、30", u"Ａを後ろへ"});
    EXPECT_EQ(errorNumbers(), (std::vector<int>{36, 36}));
    EXPECT_EQ(count(kBlack), 31);
    EXPECT_EQ(surface().at(kCx + 30, kCy), kBlack);  // heading 180: backwards is to the right
}

TEST_F(Drawing, ShapesAndFillsUseThePenColour) {
    run({u"色は、赤", u"「20,20」から「100,60」で塗りつぶして円", u"「150,0」から「50,40」で四角形",
         u"「160,10」へ青で塗れ"});
    const double ellipse = 3.14159265358979 * 50 * 30;
    const long outline = 2 * 50 + 2 * 38;
    EXPECT_NEAR(count(kRed) - outline, ellipse, ellipse * 0.02);
    EXPECT_EQ(surface().at(70, 50), kRed);   // the ellipse's centre
    EXPECT_EQ(surface().at(150, 0), kRed);   // the box's corner
    EXPECT_EQ(surface().at(199, 39), kRed);  // and the far one, inside the box
    EXPECT_EQ(surface().at(200, 40), kPaper);
    EXPECT_EQ(count(0xFF0000FF), 48 * 38);    // the fill inside the outline
    EXPECT_EQ(surface().at(21, 21), kPaper);  // outside the ellipse, inside its box
}

TEST_F(Drawing, PointsLinesAndPositions) {
    run({u"位置は、「10,20」", u"「30,20」で線", u"緑で「5,5」へ点", u"位置は、中央", u"点"});
    for (int x = 10; x <= 30; ++x) EXPECT_EQ(surface().at(x, 20), kBlack);
    EXPECT_EQ(surface().at(5, 5), 0xFF008000u);
    // The centre of 384 × 261 is (192, 130.5), which rounds down the screen.
    EXPECT_EQ(surface().at(kCx, kCy + 1), 0xFF008000u);
    EXPECT_TRUE(errorNumbers().empty());
}

// ---- image effects ---------------------------------------------------------------------

// The 100-step line up from the centre is the column x = 192, y = 30 … 130 of
// the 384 × 261 surface; the turns move it where a mirror or a turn by hand
// puts it.
TEST_F(Drawing, TurnsAndMirrorsMoveEveryPixelWhereExpected) {
    auto column = [&](int x, int y0, int y1) {
        for (int y = y0; y <= y1; ++y) EXPECT_EQ(surface().at(x, y), kBlack) << x << "," << y;
        EXPECT_EQ(count(kBlack), 101);
    };
    run({u"「100」を前へ", u"左右回転"});
    column(383 - 192, 30, 130);
    run({u"上下回転"});
    column(191, 260 - 130, 260 - 30);
    run({u"回転"});
    column(192, 30, 130);
    // A quarter turn clockwise turns the 261 × 261 square at the top left:
    // (x, y) goes to (260 - y, x), so the column becomes the row y = 192.
    run({u"右回転"});
    for (int x = 260 - 130; x <= 260 - 30; ++x) EXPECT_EQ(surface().at(x, 192), kBlack) << x;
    EXPECT_EQ(count(kBlack), 101);
    EXPECT_TRUE(errorNumbers().empty());
}

TEST_F(Drawing, ColourFiltersChangeEachPixelByItsOwnColour) {
    run({u"色は、赤", u"「0,0」から「10,10」で四角形", u"「5,5」へ赤で塗れ", u"白黒"});
    // Red's luma is 0.299 × 255 = 76; the grey paper stays grey.
    EXPECT_EQ(surface().at(5, 5), 0xFF4C4C4Cu);
    EXPECT_EQ(surface().at(50, 50), kPaper);
    run({u"色反転"});
    EXPECT_EQ(surface().at(5, 5), 0xFFB3B3B3u);
    EXPECT_EQ(surface().at(50, 50), 0xFF0F0F0Fu);
    run({u"ネガポジ", u"ソラリゼーション"});
    EXPECT_EQ(surface().at(5, 5), 0xFF4C4C4Cu) << "dark channels stay";
    EXPECT_EQ(surface().at(50, 50), 0xFF0F0F0Fu) << "light ones turn over";
    run({u"コントラスト"});
    // 128 + (76 - 128) × 1.5 = 50; 128 + (15 - 128) × 1.5 is below 0.
    EXPECT_EQ(surface().at(5, 5), 0xFF323232u);
    EXPECT_EQ(surface().at(50, 50), kBlack);
    run({u"クリア", u"セピア"});
    EXPECT_EQ(surface().at(5, 5), 0xFFFFFFDCu) << "white is white + (40, 20, -20)";
    EXPECT_TRUE(errorNumbers().empty());
}

TEST_F(Drawing, NeighbourhoodFiltersMixOnlyNearPixels) {
    run({u"「50,50」へ点", u"ぼかし"});
    // The black dot spreads over its 3 × 3 square as a ninth of the paper less.
    const std::uint32_t ninth = 0xFF000000u | 0xD5D5D5u;  // 8 × 240 / 9 = 213
    EXPECT_EQ(surface().at(50, 50), ninth);
    EXPECT_EQ(surface().at(51, 51), ninth);
    EXPECT_EQ(surface().at(52, 50), kPaper);
    run({u"クリア", u"「3,3」へ点", u"モザイク"});
    // One black pixel in the 8 × 8 block at the corner: 63 × 240 / 64 = 236.
    for (int i = 0; i < 8; ++i) EXPECT_EQ(surface().at(i, 7 - i), 0xFFECECECu) << i;
    EXPECT_EQ(surface().at(8, 0), kPaper);
    run({u"クリア", u"「20,20」へ点", u"エンボス"});
    // Relief: 128 plus the luma below-right less the luma above-left.
    EXPECT_EQ(surface().at(19, 19), kBlack);       // 128 + 0 - 240 is below 0
    EXPECT_EQ(surface().at(21, 21), 0xFFFFFFFFu);  // 128 + 240 - 0 is above 255
    EXPECT_EQ(surface().at(40, 40), 0xFF808080u);
    run({u"クリア", u"「30,30」へ点", u"鮮明化"});
    EXPECT_EQ(surface().at(31, 30), 0xFFFFFFFFu) << "240 × 5 less 3 × 240 less 0";
    EXPECT_EQ(surface().at(30, 30), kBlack);
    EXPECT_TRUE(errorNumbers().empty());
}

TEST_F(Drawing, EffectsOnANamedBoxLeaveTheWindowAndRefuseOtherObjects) {
    run({u"「ピクチャー1」を作る", u"ピクチャー1の大きさは、20,20", u"ピクチャー1を色反転",
         u"ボタン5を白黒", u"「ボタン6」を作る", u"ボタン6をモザイク"});
    auto box = objectModel(engine()).findRegistered(engine(), u"ピクチャー1");
    ASSERT_TRUE(box);
    PixelView v = engine().platform.widgets->canvas(box->widget)->pixels();
    ASSERT_GE(v.width, 20);
    const std::uint32_t before = v.at(0, 0);
    EXPECT_EQ(surface().at(0, 0), kPaper);
    EXPECT_EQ(errorNumbers().size(), 2u);
    run({u"ピクチャー1を色反転"});
    EXPECT_EQ(v.at(0, 0), before ^ 0xFFFFFFu);
}

// ---- pictures -----------------------------------------------------------------------------

Picture gradient(int w, int h) {
    Picture p;
    p.width = w, p.height = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.pixels.push_back(0xFF000000u | (x * 255 / w) << 16 | (y * 255 / h) << 8 | 0x40);
    return p;
}

TEST(PictureFiles, LosslessFormatsGiveThePixelsBackAndJpegComesClose) {
    StandardPictureCodec codec;
    const Picture p = gradient(37, 21);
    for (PictureFormat f : {PictureFormat::Png, PictureFormat::Bmp}) {
        std::string bytes;
        ASSERT_EQ(codec.encode(f, p, {}, bytes), "");
        Picture back;
        ASSERT_EQ(codec.decode(bytes, back), "");
        EXPECT_EQ(back.width, 37);
        EXPECT_EQ(back.pixels, p.pixels);
    }
    for (bool progressive : {false, true}) {
        std::string bytes;
        ASSERT_EQ(codec.encode(PictureFormat::Jpeg, p, {95, progressive}, bytes), "");
        Picture back;
        ASSERT_EQ(codec.decode(bytes, back), "");
        ASSERT_EQ(back.pixels.size(), p.pixels.size());
        for (std::size_t i = 0; i < p.pixels.size(); ++i)
            EXPECT_NEAR(int((back.pixels[i] >> 16) & 0xFF), int((p.pixels[i] >> 16) & 0xFF), 12);
    }
}

// The PNG chunk checksum (CRC-32, bit by bit).
std::uint32_t crc32Of(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

// A PNG that claims 30,000 × 30,000 pixels in a few dozen bytes.
std::string hugePng() {
    std::string ihdr = "IHDR";
    for (std::uint32_t v : {30000u, 30000u}) {
        for (int s = 24; s >= 0; s -= 8) ihdr.push_back(char((v >> s) & 0xFF));
    }
    ihdr += std::string("\x08\x02\x00\x00\x00", 5);
    std::string png = "\x89PNG\r\n\x1a\n";
    png += std::string("\x00\x00\x00\x0d", 4) + ihdr;
    const std::uint32_t crc = crc32Of(ihdr);
    for (int s = 24; s >= 0; s -= 8) png.push_back(char((crc >> s) & 0xFF));
    return png;
}

TEST(PictureFiles, HugeDamagedAndUnknownFilesAreRefusedWithAReason) {
    StandardPictureCodec codec;
    Picture out;
    EXPECT_NE(codec.decode(hugePng(), out).find("too large"), std::string::npos);
    EXPECT_EQ(out.pixels.size(), 0u);
    std::string bytes;
    ASSERT_EQ(codec.encode(PictureFormat::Png, gradient(8, 8), {}, bytes), "");
    EXPECT_NE(codec.decode(bytes.substr(0, bytes.size() / 2), out), "");
    EXPECT_NE(codec.decode("\xFF\xD8\xFF\xE0 garbage", out), "");
    EXPECT_NE(codec.decode("BM short", out), "");
    EXPECT_NE(codec.decode("hello", out), "");
    EXPECT_NE(codec.decode("", out), "");
}

// ---- GIF and ICO, written by netpbm -------------------------------------------------------

bool netpbmInstalled() {
    return std::system(
               "command -v pamtogif >/dev/null 2>&1 && "
               "command -v pamtowinicon >/dev/null 2>&1") == 0;
}

std::string readWhole(const std::string& path) {
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[65536];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            bytes.append(buffer, n);
        std::fclose(f);
    }
    return bytes;
}

// A picture of 200 colours in an order that does not repeat, so that the
// GIF encoder's code table fills up and starts again.
Picture manyColours(int w, int h) {
    Picture p;
    p.width = w, p.height = h;
    std::uint32_t seed = 12345;
    for (int i = 0; i < w * h; ++i) {
        seed = seed * 1103515245u + 12345u;
        const std::uint32_t index = (seed >> 16) % 200;
        p.pixels.push_back(0xFF000000u | (index * 37 % 256) << 16 | (index * 91 % 256) << 8 |
                           (index * 13 % 256));
    }
    return p;
}

std::string ppmOf(const Picture& p) {
    std::string ppm = "P6\n" + std::to_string(p.width) + " " + std::to_string(p.height) + "\n255\n";
    for (std::uint32_t v : p.pixels) {
        ppm.push_back(char((v >> 16) & 0xFF));
        ppm.push_back(char((v >> 8) & 0xFF));
        ppm.push_back(char(v & 0xFF));
    }
    return ppm;
}

TEST(PictureFiles, GifAndIconFilesFromAnotherToolGiveTheirPixels) {
    if (!netpbmInstalled()) GTEST_SKIP() << "netpbm is not installed";
    testing::TempFolder folder;
    StandardPictureCodec codec;
    const Picture big = manyColours(301, 203);
    const std::string ppm = folder.file("big.ppm", ppmOf(big));
    for (const char* options : {"", "-interlace"}) {
        const std::string gif = folder.path + "/big.gif";
        ASSERT_EQ(std::system(("pamtogif " + std::string(options) + " " + ppm + " > " + gif +
                               " 2>/dev/null")
                                  .c_str()),
                  0);
        Picture back;
        ASSERT_EQ(codec.decode(readWhole(gif), back), "") << options;
        EXPECT_EQ(back.width, 301);
        EXPECT_EQ(back.height, 203);
        EXPECT_EQ(back.pixels, big.pixels) << options;
    }

    // One colour named transparent: those pixels have no alpha, the rest
    // are opaque and unchanged.
    const std::uint32_t hidden = big.pixels[0];
    char colour[32];
    std::snprintf(colour, sizeof colour, "rgb:%02x/%02x/%02x", (hidden >> 16) & 0xFF,
                  (hidden >> 8) & 0xFF, hidden & 0xFF);
    const std::string clear = folder.path + "/clear.gif";
    ASSERT_EQ(std::system(("pamtogif -transparent=" + std::string(colour) + " " + ppm + " > " +
                           clear + " 2>/dev/null")
                              .c_str()),
              0);
    Picture seeThrough;
    ASSERT_EQ(codec.decode(readWhole(clear), seeThrough), "");
    ASSERT_EQ(seeThrough.pixels.size(), big.pixels.size());
    for (std::size_t i = 0; i < big.pixels.size(); ++i)
        EXPECT_EQ(seeThrough.pixels[i], big.pixels[i] == hidden ? 0u : big.pixels[i]);

    // An icon of two sizes: the larger is read, as a bitmap or as PNG.
    const Picture small = manyColours(16, 16), large = manyColours(48, 48);
    const std::string both = folder.file("both.ppm", ppmOf(small) + ppmOf(large));
    for (const char* options : {"", "-pngthreshold=32"}) {
        const std::string ico = folder.path + "/both.ico";
        ASSERT_EQ(std::system(("pamtowinicon " + std::string(options) + " " + both + " > " + ico +
                               " 2>/dev/null")
                                  .c_str()),
                  0);
        Picture back;
        ASSERT_EQ(codec.decode(readWhole(ico), back), "") << options;
        EXPECT_EQ(back.width, 48);
        EXPECT_EQ(back.pixels, large.pixels) << options;
    }
}

TEST(PictureFiles, DamagedGifAndIconFilesAreRefusedOrCutShortNeverOverrun) {
    StandardPictureCodec codec;
    // A 2 × 2 GIF by hand: four colours, LZW codes 4 (clear), 0, 1, 2, 3, 5 (end).
    std::string gif = "GIF89a";
    gif += std::string("\x02\0\x02\0\x81\0\0", 7);
    gif += std::string("\xFF\0\0\0\xFF\0\0\0\xFF\xFF\xFF\xFF", 12);
    gif += std::string("\x2C\0\0\0\0\x02\0\x02\0\0\x02", 11);
    // Packed from the low bit: 4, 0, 1, 2 in 3 bits, then (the table has
    // reached 8 codes) 3 and 5 in 4 bits.
    gif += std::string("\x03\x44\x34\x05\0\x3B", 6);
    Picture out;
    ASSERT_EQ(codec.decode(gif, out), "");
    EXPECT_EQ(out.pixels,
              (std::vector<std::uint32_t>{0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu}));
    for (std::size_t n = 0; n < gif.size(); ++n) {
        Picture cut;
        (void)codec.decode(gif.substr(0, n), cut);  // an answer either way, never a crash
        EXPECT_LE(cut.pixels.size(), 4u);
    }
    std::string huge = gif;
    huge[6] = '\x30', huge[7] = '\x75', huge[8] = '\x30', huge[9] = '\x75';  // 30,000 × 30,000
    EXPECT_NE(codec.decode(huge, out).find("too large"), std::string::npos);
    std::string badCode = gif;
    badCode[gif.size() - 5] = '\x7F';  // a code beyond the table
    EXPECT_NE(codec.decode(badCode, out), "");

    // An icon whose only entry points past the end of the file.
    std::string ico = std::string("\0\0\1\0\1\0", 6) + std::string("\x10\x10\0\0\1\0\x20\0", 8) +
                      std::string("\xFF\0\0\0\x16\0\0\0", 8);
    EXPECT_NE(codec.decode(ico, out), "");
    EXPECT_NE(codec.decode(std::string("\0\0\1\0\0\0", 6), out), "");
}

TEST_F(Drawing, SmoothingIsOffUntilTheWindowAsksForIt) {
    auto pureColours = [&] {
        PixelView v = surface();
        for (int y = 0; y < v.height; ++y)
            for (int x = 0; x < v.width; ++x)
                if (v.at(x, y) != kBlack && v.at(x, y) != kPaper) return false;
        return true;
    };
    run({u"ウィンドウ０のなめらかを表示", u"「30」を右へ", u"「80」を前へ",
         u"「10,10」から「60,40」で円"});
    ASSERT_FALSE(messages().empty());
    EXPECT_EQ(messages().back(), u"0");
    EXPECT_TRUE(pureColours());
    run({u"ウィンドウ０のなめらかは、1", u"ウィンドウ０のなめらかを表示", u"「80」を前へ",
         u"「100,10」から「150,40」で円"});
    EXPECT_EQ(messages().back(), u"1");
    EXPECT_FALSE(pureColours());
    EXPECT_TRUE(errorNumbers().empty());
}

TEST_F(Drawing, SavingAWindowWritesItsPixelsAndBadPlacesAreReported) {
    testing::TempFolder folder;
    const Text png = text::fromUtf8(folder.path + "/w.png");
    run({u"「50」を前へ", u"ウィンドウ０を「" + png + u"」に保存",
         u"ウィンドウ０を「/nonexistent-folder/w.png」に保存",
         u"ウィンドウ０を「" + png + u".gif」に保存"});
    EXPECT_EQ(errorNumbers(), (std::vector<int>{203, 203}));
    std::string bytes;
    ASSERT_TRUE(engine().files().readFile(text::toUtf8(png), bytes));
    Picture back;
    ASSERT_EQ(StandardPictureCodec().decode(bytes, back), "");
    EXPECT_EQ(back.width, 384);
    EXPECT_EQ(back.height, 261);
    EXPECT_EQ(back.pixels[std::size_t(kCy - 50) * 384 + kCx], kBlack);
    EXPECT_EQ(back.pixels[std::size_t(kCy - 51) * 384 + kCx], kPaper);
    EXPECT_FALSE(engine().files().fileExists(text::toUtf8(png) + ".gif"));
    // The quoted form still saves the text.
    run({u"「ウィンドウ０」を「" + png + u"」に保存"});
    ASSERT_TRUE(engine().files().readFile(text::toUtf8(png), bytes));
    EXPECT_EQ(bytes, "ウィンドウ０\r\n");
}

}  // namespace
}  // namespace qel
