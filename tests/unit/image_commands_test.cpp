// Pictures onto drawing places and the transitions: the pixel routines with
// values worked out by hand, then the commands on the console's surfaces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "engine_fixture.h"
#include "graphics/compose.h"
#include "library/graphics/graphics.h"
#include "library/objects/objects.h"
#include "platform/headless/memory_canvas.h"
#include "platform/headless/virtual_widgets.h"
#include "platform/linux/freetype_text.h"
#include "platform/linux/picture_codec.h"
#include "temp_folder.h"
#include "ui/objects.h"

namespace qel {
namespace {

using graphics::Transition;

Picture plain(int w, int h, std::uint32_t colour) {
    Picture p;
    p.width = w, p.height = h;
    p.pixels.assign(static_cast<std::size_t>(w) * h, colour);
    return p;
}

// ---- pixel routines ----------------------------------------------------------------------

TEST(Compose, CopiesClipToBothPicturesAndLeaveSeeThroughPixelsOut) {
    Picture source = plain(4, 4, 0xFF0000FF);
    source.view().at(1, 1) = 0x00FF0000;  // see-through
    Picture target = plain(6, 6, 0xFFFFFFFF);
    // A rectangle reaching past the source's top-left corner starts where the
    // source does, shifted as far as the rectangle overhangs.
    graphics::copyRect(source.view(), {-1, -1, 3, 3}, target.view(), 2, 2);
    EXPECT_EQ(target.view().at(2, 2), 0xFFFFFFFFu) << "the overhang brings nothing";
    EXPECT_EQ(target.view().at(3, 3), 0xFF0000FFu);
    EXPECT_EQ(target.view().at(4, 4), 0xFFFFFFFFu) << "the see-through pixel";
    EXPECT_EQ(target.view().at(4, 3), 0xFF0000FFu);
    EXPECT_EQ(target.view().at(5, 5), 0xFFFFFFFFu) << "outside the 3 × 3 rectangle";
    // Far outside either picture nothing is touched, and nothing overflows.
    graphics::copyRect(source.view(), {0, 0, 2000000000, 2000000000}, target.view(), -2000000000,
                       2000000000);
    graphics::copyRect(source.view(), {2000000000, 2000000000, 5, 5}, target.view(), 0, 0);
    EXPECT_EQ(std::count(target.pixels.begin(), target.pixels.end(), 0xFF0000FFu), 3);
}

TEST(Compose, BlendsWeighByPercentAndAlphaAndRoundHalfUp) {
    Picture target = plain(3, 1, 0xFFF0F0F0);
    Picture source = plain(3, 1, 0xFFFF0000);
    source.view().at(1, 0) = 0x80FF0000;  // half see-through
    source.view().at(2, 0) = 0x00FF0000;
    graphics::blend(source.view(), target.view(), 0, 0, 50);
    // (240 + 255) / 2 = 247.5 → 248; 240 / 2 = 120.
    EXPECT_EQ(target.view().at(0, 0), 0xFFF87878u);
    // Weight 50 % × 128/255: 240 + 15 × 0.2510 = 243.77 → 244; 240 × 0.7490 = 179.76 → 180.
    EXPECT_EQ(target.view().at(1, 0), 0xFFF4B4B4u);
    EXPECT_EQ(target.view().at(2, 0), 0xFFF0F0F0u);
    graphics::blend(source.view(), target.view(), 2, 0, 100);
    EXPECT_EQ(target.view().at(2, 0), 0xFFFF0000u) << "wholly opaque is the picture itself";
}

TEST(Compose, GradientsRunFromTheFirstColourToTheLastRowOrColumn) {
    Picture p = plain(3, 20, 0xFF000000);
    graphics::gradient(p.view(), {0, 0, 3, 20}, 0xFF0000, 0x0000FF, false);
    EXPECT_EQ(p.view().at(0, 0), 0xFFFF0000u);
    EXPECT_EQ(p.view().at(2, 19), 0xFF0000FFu);
    // Row 9 of 19 steps: 255 × 10/19 = 134.2, 255 × 9/19 = 120.8.
    EXPECT_EQ(p.view().at(1, 9), 0xFF860079u);
    // Across, clipped on the left: the columns keep the colours of the whole
    // rectangle. Column 5 of 0 … 10 is half way: 127.5 → 128.
    Picture q = plain(8, 1, 0xFF000000);
    graphics::gradient(q.view(), {-3, 0, 11, 1}, 0xFF0000, 0x0000FF, true);
    EXPECT_EQ(q.view().at(2, 0), 0xFF800080u);
    EXPECT_EQ(q.view().at(7, 0), 0xFF0000FFu);
    // One row is all the first colour.
    Picture r = plain(2, 2, 0xFF000000);
    graphics::gradient(r.view(), {0, 1, 2, 1}, 0x00FF00, 0x0000FF, false);
    EXPECT_EQ(r.view().at(1, 1), 0xFF00FF00u);
    EXPECT_EQ(r.view().at(1, 0), 0xFF000000u);
}

TEST(Compose, TransitionFramesMoveFromStartToEndAndEndExactly) {
    const int w = 10, h = 40;
    Picture start = plain(w, h, 0xFF000000), end = plain(w, h, 0xFFFFFFFF), out = plain(w, h, 0);
    for (int x = 0; x < w; ++x) end.view().at(x, 0) = 0xFF000000u | x;  // columns told apart
    auto frame = [&](Transition how, int step) {
        graphics::transitionFrame(start.view(), end.view(), out.view(), how, step, 10);
    };
    frame(Transition::Fade, 5);
    EXPECT_EQ(out.view().at(3, 3), 0xFF808080u) << "127.5 rounds up";
    frame(Transition::Stripes, 1);  // bands of 20 rows, two more rows each step
    EXPECT_EQ(out.view().at(0, 1), 0xFFFFFFFFu);
    EXPECT_EQ(out.view().at(0, 2), 0xFF000000u);
    EXPECT_EQ(out.view().at(0, 21), 0xFFFFFFFFu);
    EXPECT_EQ(out.view().at(0, 22), 0xFF000000u);
    frame(Transition::SlideIn, 3);  // the end's right 3 columns at the left
    EXPECT_EQ(out.view().at(0, 0), 0xFF000007u);
    EXPECT_EQ(out.view().at(2, 0), 0xFF000009u);
    EXPECT_EQ(out.view().at(3, 5), 0xFF000000u);
    frame(Transition::SlideOut, 3);  // the start pushed 3 columns right
    EXPECT_EQ(out.view().at(2, 0), 0xFF000002u);
    EXPECT_EQ(out.view().at(3, 5), 0xFF000000u);
    // The random orders only ever add end pixels, and all by the last step.
    for (Transition how : {Transition::RandomLine, Transition::RandomDot}) {
        long before = 0;
        for (int step = 1; step <= 10; ++step) {
            frame(how, step);
            long n = 0;
            for (int y = 1; y < h; ++y)
                for (int x = 0; x < w; ++x) n += out.view().at(x, y) == 0xFFFFFFFFu;
            EXPECT_GE(n, before) << step;
            if (step == 1) {
                EXPECT_LT(n, w * (h - 1) / 2);
            }
            before = n;
        }
        EXPECT_EQ(out.pixels, end.pixels);
    }
    for (Transition how :
         {Transition::Fade, Transition::Stripes, Transition::SlideIn, Transition::SlideOut}) {
        frame(how, 10);
        EXPECT_EQ(out.pixels, end.pixels);
    }
}

// ---- commands on the console's surfaces ---------------------------------------------------

class ImageCommands : public testing::EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        engine().platform.widgets = std::make_unique<VirtualWidgets>();
        engine().platform.pictures = std::make_unique<StandardPictureCodec>();
    }
    PixelView surfaceOf(TextView name) {
        auto object = objectModel(engine()).findRegistered(engine(), name);
        EXPECT_TRUE(object);
        return engine().platform.widgets->canvas(object->widget)->pixels();
    }
    PixelView window() { return surfaceOf(u"ウィンドウ０"); }
    std::uint32_t at(int x, int y) { return window().at(x, y); }
    long long steps() { return graphicsState(engine()).transitionSteps; }
    // A 20 × 20 picture box from red at the top to blue at the bottom.
    void makeGradientBox() {
        run({u"「ピクチャー1」を作る", u"ピクチャー1の大きさは、20,20",
             u"ピクチャー1を「赤,青」でグラデーション"});
    }
    static constexpr std::uint32_t kPaper = 0xFFF0F0F0, kRed = 0xFFFF0000, kBlue = 0xFF0000FF;
    static constexpr std::uint32_t kRow1 = 0xFFF2000D;   // 255 × 18/19 = 241.6, 255/19 = 13.4
    static constexpr std::uint32_t kRow5 = 0xFFBC0043;   // 255 × 14/19 = 187.9, 255 × 5/19 = 67.1
    static constexpr std::uint32_t kRow8 = 0xFF94006Bu;  // 147.6, 107.4
};

TEST_F(ImageCommands, CopiesTakeAWholePictureOrARectangleToAPosition) {
    makeGradientBox();
    run({u"ピクチャー1を「0,0」へ画像コピー", u"ピクチャー1を「100,100」へ「5,5,4,4」で画像コピー",
         u"ピクチャー1を「380,258」へ画像コピー"});
    EXPECT_EQ(at(0, 0), kRed);
    EXPECT_EQ(at(19, 19), kBlue);
    EXPECT_EQ(at(20, 0), kPaper);
    EXPECT_EQ(at(100, 100), kRow5);
    EXPECT_EQ(at(103, 103), kRow8);
    EXPECT_EQ(at(104, 100), kPaper);
    EXPECT_EQ(at(99, 100), kPaper);
    // What fits of a copy at the edge: row 2 is 255 × 17/19 = 228.2, 255 × 2/19 = 26.8.
    EXPECT_EQ(at(383, 260), 0xFFE4001Bu);
    EXPECT_EQ(at(380, 258), kRed);
    EXPECT_TRUE(errorNumbers().empty());
    // A saved picture file copies as well, into another box.
    testing::TempFolder folder;
    const Text png = text::fromUtf8(folder.path + "/g.png");
    run({u"ピクチャー1を「" + png + u"」に保存", u"「ピクチャー2」を作る",
         u"ピクチャー2の大きさは、30,30", u"「" + png + u"」をピクチャー2の「2,1」へ画像コピー"});
    EXPECT_TRUE(errorNumbers().empty());
    EXPECT_EQ(surfaceOf(u"ピクチャー2").at(2, 1), kRed);
    EXPECT_EQ(surfaceOf(u"ピクチャー2").at(2, 2), kRow1);
}

TEST_F(ImageCommands, BadCopiesAndBlendsAreReportedAndChangeNothing) {
    makeGradientBox();
    run({u"画像コピー", u"「/no/such.png」を「0,0」へ画像コピー", u"ボタン1を「0,0」へ画像コピー",
         u"ピクチャー1を「0,0」へ「1,2,3」で画像コピー", u"ピクチャー1を「どこか」へ画像コピー",
         u"ピクチャー1を「150」で合成", u"合成"});
    EXPECT_EQ(errorNumbers(), (std::vector<int>{36, 954, 954, 41, 41, 41, 36}));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) ASSERT_EQ(at(x, y), kPaper) << x << "," << y;
}

TEST_F(ImageCommands, BlendsMixThePictureIntoThePlace) {
    run({u"「ピクチャー1」を作る", u"ピクチャー1の大きさは、10,10",
         u"ピクチャー1を「赤,赤」でグラデーション", u"ピクチャー1をウィンドウ０へ合成",
         u"ピクチャー1を「50,0」へ「30」で合成"});
    EXPECT_TRUE(errorNumbers().empty());
    EXPECT_EQ(at(9, 9), 0xFFF87878u) << "half way from the paper to red";
    EXPECT_EQ(at(50, 0), 0xFFF5A8A8u) << "240 + 15 × 0.3 = 244.5, 240 × 0.7 = 168";
    EXPECT_EQ(at(10, 0), kPaper);
}

TEST_F(ImageCommands, ATransparentColourMakesACutOutForCopiesAndStamps) {
    makeGradientBox();
    // The box's red row 0 made see-through: copied, the window keeps its paper there.
    run({u"ピクチャー1を赤で透過処理", u"ピクチャー1を「0,0」へ画像コピー"});
    EXPECT_EQ(surfaceOf(u"ピクチャー1").at(5, 0), 0x00FF0000u);
    EXPECT_EQ(at(5, 0), kPaper);
    EXPECT_EQ(at(5, 1), kRow1);
    // Without a colour the top-left pixel's is taken: on the window, its paper.
    run({u"ウィンドウ０を透過処理"});
    EXPECT_EQ(at(200, 200), 0x00F0F0F0u);
    EXPECT_EQ(at(5, 1), kRow1);
    run({u"ボタン3を透過処理", u"ピクチャー1を「何色」で透過処理"});
    EXPECT_EQ(errorNumbers().size(), 2u);
}

TEST_F(ImageCommands, ABoxsTransparentColourIsLeftOutOfWhatIsCopiedFromIt) {
    // A box of white paper with a black stroke: with 透明色 白 only the
    // stroke reaches the window; the box itself keeps its white.
    run({u"「ピクチャー1」を作る", u"ピクチャー1の大きさは、20,20",
         u"ピクチャー1を「白,白」でグラデーション", u"ピクチャー1の「2,5」から「17,5」で線",
         u"ピクチャー1の透明色は、白", u"ピクチャー1をウィンドウ０へ画像コピー"});
    EXPECT_TRUE(errorNumbers().empty());
    EXPECT_EQ(at(2, 5), 0xFF000000u);
    EXPECT_EQ(at(17, 5), 0xFF000000u);
    EXPECT_EQ(at(2, 6), kPaper);
    EXPECT_EQ(surfaceOf(u"ピクチャー1").at(2, 6), 0xFFFFFFFFu);
    // A box without one copies whole.
    run({u"「ピクチャー2」を作る", u"ピクチャー2の大きさは、20,20",
         u"ピクチャー2を「白,白」でグラデーション",
         u"ピクチャー2をウィンドウ０の「100,0」へ画像コピー"});
    EXPECT_EQ(at(105, 6), 0xFFFFFFFFu);
}

// A 12 × 8 picture file: white, with a red block over columns 2 … 6 of rows
// 3 … 5; `alpha` gives the white pixels that opacity.
Text writeBlockPicture(const std::string& folder, std::uint32_t alpha = 0xFF) {
    Picture p;
    p.width = 12, p.height = 8;
    p.pixels.assign(96, (alpha << 24) | 0xFFFFFF);
    for (int y = 3; y <= 5; ++y)
        for (int x = 2; x <= 6; ++x) p.pixels[std::size_t(y) * 12 + x] = 0xFFFF0000;
    std::string bytes;
    EXPECT_EQ(StandardPictureCodec().encode(PictureFormat::Png, p, {}, bytes), "");
    const std::string path = folder + (alpha == 0xFF ? "/block.png" : "/clear.png");
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return text::fromUtf8(path);
}

TEST_F(ImageCommands, AWindowTakesTheShapeOfAPicture) {
    testing::TempFolder folder;
    const Text block = writeBlockPicture(folder.path), clear = writeBlockPicture(folder.path, 0);
    auto shape = [&] {
        return engine().platform.widgets->shape(objectModel(engine()).mainWindow->widget);
    };
    const std::vector<ShapeSpan> blockRows{{3, 2, 7}, {4, 2, 7}, {5, 2, 7}};
    // The background is the top-left pixel's colour: the red block is the window.
    run({u"ウィンドウ０の変形は、「" + block + u"」", u"ウィンドウ０の変形を表示"});
    EXPECT_EQ(shape(), blockRows);
    EXPECT_TRUE(objectModel(engine()).mainWindow->RgnFlag);
    EXPECT_EQ(messages().back(), block);
    // See-through pixels are outside whatever their colour.
    run({u"ウィンドウ０の変形は、「" + clear + u"」"});
    EXPECT_EQ(shape(), blockRows);
    // With 透明色 red, the red is outside and the white is the window.
    run({u"ウィンドウ０の透明色は、赤", u"ウィンドウ０の変形は、「" + block + u"」"});
    EXPECT_EQ(shape().size(), 8u + 3u);
    EXPECT_EQ(shape()[3], (ShapeSpan{3, 0, 2}));
    EXPECT_EQ(shape()[4], (ShapeSpan{3, 7, 12}));
    // A picture that cannot be read is reported and keeps the shape; an
    // empty name gives the rectangle back.
    run({u"ウィンドウ０の変形は、「/no/such/shape.png」"});
    EXPECT_EQ(errorNumbers(), std::vector<int>{954});
    EXPECT_EQ(shape().size(), 11u);
    run({u"ウィンドウ０の変形は、「」"});
    EXPECT_TRUE(shape().empty());
    EXPECT_FALSE(objectModel(engine()).mainWindow->RgnFlag);
}

TEST_F(ImageCommands, AnAutoSizedBoxTakesItsPicturesSizeAndSavesIt) {
    testing::TempFolder folder;
    const Text block = writeBlockPicture(folder.path);
    const Text saved = text::fromUtf8(folder.path + "/saved.png");
    run({u"「ピクチャー1」を作る", u"ピクチャー1の大きさは、50,50", u"ピクチャー1の自動調整は、1",
         u"ピクチャー1の絵は、「" + block + u"」", u"ピクチャー1の大きさを表示",
         u"ピクチャー1を「" + saved + u"」に保存"});
    EXPECT_TRUE(errorNumbers().empty());
    EXPECT_EQ(messages().back(), u"12,8");
    std::string bytes;
    ASSERT_TRUE(engine().files().readFile(text::toUtf8(saved), bytes));
    Picture back;
    ASSERT_EQ(StandardPictureCodec().decode(bytes, back), "");
    EXPECT_EQ(back.width, 12);
    EXPECT_EQ(back.height, 8);
    EXPECT_EQ(back.pixels[std::size_t(4) * 12 + 4], 0xFFFF0000u);
}

TEST_F(ImageCommands, GradientsFillAPlaceOrARectangle) {
    run({u"ウィンドウ０を「赤,青,横」で「0,0,11,5」にグラデーション"});
    EXPECT_EQ(at(0, 4), kRed);
    EXPECT_EQ(at(5, 2), 0xFF800080u);
    EXPECT_EQ(at(10, 0), kBlue);
    EXPECT_EQ(at(11, 0), kPaper);
    EXPECT_EQ(at(0, 5), kPaper);
    makeGradientBox();
    EXPECT_EQ(surfaceOf(u"ピクチャー1").at(0, 9), 0xFF860079u);
    run({u"「赤」でグラデーション", u"「赤,青,斜め」でグラデーション", u"グラデーション"});
    EXPECT_EQ(errorNumbers(), (std::vector<int>{36, 41, 36}));
}

TEST_F(ImageCommands, StampsCentreAPictureOnThePointAndTheLargeOneDoublesIt) {
    makeGradientBox();
    run({u"ピクチャー1を「100,100」へスタンプ", u"ピクチャー1を「200,100」へ大きくスタンプ"});
    EXPECT_EQ(at(90, 90), kRed);
    EXPECT_EQ(at(109, 109), kBlue);
    EXPECT_EQ(at(110, 100), kPaper);
    // Doubled: 40 × 40 from (180, 80), each pixel a 2 × 2 square.
    EXPECT_EQ(at(181, 81), kRed);
    EXPECT_EQ(at(180, 82), kRow1);
    EXPECT_EQ(at(219, 119), kBlue);
    EXPECT_EQ(at(220, 119), kPaper);
    // Without a position, on the drawing point, which stays.
    run({u"「300,50」へ点", u"ピクチャー1をスタンプ", u"「0,50」で線"});
    EXPECT_EQ(at(290, 40), kRed);
    EXPECT_EQ(at(150, 50), 0xFF000000u) << "the line goes on from (300, 50)";
    // A bare スタンプ prints the turtle (see graphics_test); a missing file is 954.
    run({u"「こんにちは」をスタンプ", u"スタンプ", u"「無い.png」をスタンプ"});
    EXPECT_EQ(errorNumbers(), (std::vector<int>{954}));
}

TEST_F(ImageCommands, TransitionsTakeHalfASecondOfTenFramesAndEndOnThePicture) {
    makeGradientBox();
    const double t0 = clock().monotonicMs();
    run({u"ピクチャー1をウィンドウ０へフェードイン"});
    EXPECT_EQ(clock().monotonicMs() - t0, 500);
    EXPECT_EQ(steps(), 10);
    EXPECT_EQ(at(0, 0), kRed);
    EXPECT_EQ(at(0, 9), 0xFF860079u);
    EXPECT_EQ(at(20, 20), kPaper);
    // Each way in ends on the picture at the top-left corner.
    for (TextView verb :
         {u"ストライプイン", u"スライドイン", u"ランダムライン", u"ランダムドット"}) {
        run({u"ウィンドウ０を黒でフェードアウト",
             Text(u"ピクチャー1をウィンドウ０へ") + Text(verb)});
        EXPECT_EQ(at(3, 5), kRow5) << text::toUtf8(verb);
        EXPECT_EQ(at(19, 19), kBlue) << text::toUtf8(verb);
        EXPECT_EQ(at(30, 30), 0xFF000000u) << text::toUtf8(verb);
    }
    EXPECT_EQ(steps(), 20) << "a run counts its own";
    // The ways out leave the colour, by default the place's background.
    run({u"ウィンドウ０をストライプアウト"});
    EXPECT_EQ(at(0, 0), kPaper);
    run({u"ウィンドウ０を白でスライドアウト"});
    EXPECT_EQ(at(383, 260), 0xFFFFFFFFu);
    EXPECT_EQ(at(0, 0), 0xFFFFFFFFu);
    EXPECT_TRUE(errorNumbers().empty());
    // A place named alone comes in from its background.
    run({u"ピクチャー1をフェードイン"});
    EXPECT_EQ(surfaceOf(u"ピクチャー1").at(0, 9), 0xFF860079u);
    EXPECT_EQ(steps(), 10);
}

TEST_F(ImageCommands, BadTransitionsReportAndTakeNoTime) {
    run({u"「50」を前へ"});
    const double t0 = clock().monotonicMs();
    const long long before = steps();
    run({u"フェードイン", u"「/no/such.png」をフェードイン", u"ボタン1をフェードアウト",
         u"「何色」でフェードアウト"});
    EXPECT_EQ(errorNumbers().size(), 4u);
    EXPECT_EQ(steps(), before);
    EXPECT_EQ(clock().monotonicMs(), t0);
    EXPECT_EQ(at(192, 100), 0xFF000000u) << "the drawing is untouched";
}

// ---- text on the console ------------------------------------------------------------------

// Pixels of `colour` in the rectangle, and anywhere at all.
struct Ink {
    long inside = 0, total = 0;
};
Ink inkOf(PixelView v, std::uint32_t colour, int x0, int y0, int w, int h) {
    Ink ink;
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) {
            if (v.at(x, y) != colour) continue;
            ++ink.total;
            ink.inside += x >= x0 && x < x0 + w && y >= y0 && y < y0 + h;
        }
    return ink;
}

TEST(ConsoleText, GlyphsFillTheirCellsInThePenColourOnly) {
    auto fonts = std::make_shared<FreeTypeText>();
    MemoryCanvas canvas(100, 40, 0xFFFFFF, fonts);
    TextStyle style;
    style.colour = 0xFF0000;
    const auto size = canvas.drawText(10, 5, u"日A", style);
    if (inkOf(canvas.pixels(), 0xFFFF0000u, 0, 0, 100, 40).total == 0)
        GTEST_SKIP() << "no Japanese font installed (fonts-ipafont-gothic)";
    EXPECT_EQ(size, (std::pair<int, int>{24, 16})) << "measured as without a font";
    // 日 in its 16 × 16 cell, A in the 8 × 16 one after it; nothing else, and
    // without smoothing no pixel is a mixed colour.
    Ink kanji = inkOf(canvas.pixels(), 0xFFFF0000u, 10, 5, 16, 16);
    Ink latin = inkOf(canvas.pixels(), 0xFFFF0000u, 26, 5, 8, 16);
    EXPECT_GT(kanji.inside, 20);
    EXPECT_GT(latin.inside, 5);
    EXPECT_EQ(kanji.inside + latin.inside, kanji.total);
    EXPECT_EQ(inkOf(canvas.pixels(), 0xFFFFFFFFu, 0, 0, 100, 40).total + kanji.total, 100 * 40);
    // Spaces draw nothing; text past the edges is clipped.
    MemoryCanvas blank(20, 20, 0xFFFFFF, fonts);
    blank.drawText(0, 0, u"  ", style);
    blank.drawText(-12, -10, u"日日", style);
    blank.drawText(15, 15, u"日", style);
    EXPECT_EQ(inkOf(blank.pixels(), 0xFFFF0000u, 0, 0, 20, 6).inside +
                  inkOf(blank.pixels(), 0xFFFF0000u, 15, 15, 5, 5).inside,
              inkOf(blank.pixels(), 0xFFFF0000u, 0, 0, 20, 20).total);
    // Without a font the text is measured only.
    MemoryCanvas none(
        20, 20, 0xFFFFFF,
        std::make_shared<FreeTypeText>(std::vector<std::string>{"/no/such/font.ttf"}));
    EXPECT_EQ(none.drawText(0, 0, u"日", style), (std::pair<int, int>{16, 16}));
    EXPECT_EQ(inkOf(none.pixels(), 0xFFFF0000u, 0, 0, 20, 20).total, 0);
}

TEST_F(ImageCommands, WritingOnTheConsoleDrawsAtTheDrawingPointAndMovesIt) {
    static_cast<VirtualWidgets&>(*engine().platform.widgets)
        .setTextRasterizer(std::make_shared<FreeTypeText>());
    run({u"「100,50」へ点", u"「日本」を書け", u"「200,50」で線"});
    Ink text = inkOf(window(), 0xFF000000u, 100, 50, 32, 16);
    if (text.inside <= 1) GTEST_SKIP() << "no Japanese font installed";
    // The line starts where the text ends: (132, 50) on to (200, 50).
    EXPECT_EQ(at(132, 50), 0xFF000000u);
    EXPECT_EQ(at(200, 50), 0xFF000000u);
    EXPECT_EQ(text.total - text.inside, 200 - 132 + 1) << "the line alone outside the text";
    // Stamped text is centred on the position: 日's cell is (292, 92) to (307, 107).
    run({u"「日」を「300,100」へスタンプ"});
    Ink stamped = inkOf(window(), 0xFF000000u, 292, 92, 16, 16);
    EXPECT_GT(stamped.inside, 20);
    EXPECT_EQ(stamped.inside + text.total, stamped.total);
    EXPECT_TRUE(errorNumbers().empty());
}

}  // namespace
}  // namespace qel
