#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "bad_pictures.h"
#include "orba/orba.h"
#include "testsupport.h"

using namespace testsupport;

namespace {

constexpr std::uint32_t red = 0xff0000, green = 0x00ff00, blue = 0x0000ff, magenta = 0xff00ff;

class DrawTest : public ::testing::Test {
protected:
    void SetUp() override { initWindow(); }
    void TearDown() override { Orba_quit(); }
    TempDir dir;
};

TEST_F(DrawTest, ZeroSizedFillCoversFromItsOriginToTheEdges) {
    Orba_fillRect(100, 50, 0, 0, 255, 0, 0);
    EXPECT_EQ(0u, pixel(99, 50));
    EXPECT_EQ(0u, pixel(100, 49));
    EXPECT_EQ(red, pixel(100, 50));
    EXPECT_EQ(red, pixel(639, 479));
    Orba_fillRect(0, 0, 0, 5, 0, 0, 255);  // only one side zero: nothing
    EXPECT_EQ(0u, pixel(0, 0));
    Orba_fillRect(0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(0u, pixel(639, 479));
}

TEST_F(DrawTest, OutlineLeavesItsBottomRightCornerUndrawn) {
    Orba_drawRect(100, 100, 10, 5, 0, 255, 0);
    EXPECT_EQ(green, pixel(90, 95));
    EXPECT_EQ(green, pixel(109, 105));
    EXPECT_EQ(green, pixel(110, 104));
    EXPECT_EQ(green, pixel(90, 104));
    EXPECT_EQ(0u, pixel(110, 105));
    EXPECT_EQ(0u, pixel(100, 100));
}

TEST_F(DrawTest, CentredDrawOfOddWidthStartsAtTruncatedHalf) {
    writeSolidBMP("w33.bmp", 33, 10, blue);
    Orba_loadBMP("pic", "w33.bmp", -2, 0, 0);
    Orba_drawEx("pic", 100, 100, 0, 0, 0, 0);
    EXPECT_EQ(0u, pixel(83, 100));
    EXPECT_EQ(blue, pixel(84, 100));
    EXPECT_EQ(blue, pixel(116, 100));
    EXPECT_EQ(0u, pixel(117, 100));
    EXPECT_EQ(blue, pixel(100, 95));
    EXPECT_EQ(0u, pixel(100, 94));
}

TEST_F(DrawTest, SourceRectangleWithZeroSideRunsToThePictureEdges) {
    writeBMP("quad.bmp", 20, 20, [](int x, int y) { return x < 10 ? red : (y < 10 ? green : blue); });
    Orba_loadBMP("q", "quad.bmp", -2, 0, 0);
    Orba_draw("q", 0, 0, 10, 10, 0, 5);
    EXPECT_EQ(blue, pixel(0, 0));
    EXPECT_EQ(blue, pixel(9, 9));
    EXPECT_EQ(0u, pixel(10, 0));
    EXPECT_EQ(0u, pixel(0, 10));
    Orba_draw("q", 100, 0, 10, 0, 10, 10);
    EXPECT_EQ(green, pixel(100, 0));
    EXPECT_EQ(0u, pixel(100, 10));
}

TEST_F(DrawTest, ColourKeyFromCornerGivenColourOrNone) {
    auto pattern = [](int x, int y) { return (x + y) % 2 == 0 ? magenta : green; };
    writeBMP("key.bmp", 4, 4, pattern);
    struct Case {
        int r, g, b;
        std::uint32_t at00, at10;
    };
    const Case cases[] = {
        {-1, 0, 0, red, green},      // top-left magenta is transparent
        {0, 255, 0, magenta, red},   // pure green is transparent
        {-2, 0, 0, magenta, green},  // nothing is transparent
    };
    for (const auto& c : cases) {
        Orba_fillRect(0, 0, 0, 0, 255, 0, 0);
        Orba_loadBMP("k", "key.bmp", c.r, c.g, c.b);
        Orba_draw("k", 0, 0, 0, 0, 0, 0);
        EXPECT_EQ(c.at00, pixel(0, 0)) << c.r;
        EXPECT_EQ(c.at10, pixel(1, 0)) << c.r;
        EXPECT_EQ(c.at00, pixel(3, 3)) << c.r;
    }
}

TEST_F(DrawTest, PictureTableKeysReloadFreeAndReportAbsence) {
    writeSolidBMP("a.bmp", 8, 6, red);
    writeSolidBMP("b.bmp", 5, 7, blue);
    Orba_loadBMP("x", "a.bmp", -2, 0, 0);
    Orba_loadBMP("x", "b.bmp", -2, 0, 0);
    EXPECT_EQ(5, Orba_getWidth("x"));
    EXPECT_EQ(7, Orba_getHeight("x"));
    Orba_draw("x", 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(blue, pixel(0, 0));

    Orba_freeBMP("x");
    Orba_freeBMP("never");
    EXPECT_EQ(0, Orba_getWidth("x"));
    EXPECT_EQ(0, Orba_getHeight("never"));
    EXPECT_EQ("Orba_draw: Has not exist key: x", errorText([] { Orba_draw("x", 0, 0, 0, 0, 0, 0); }));
    EXPECT_EQ("Orba_drawEx: Has not exist key: x", errorText([] { Orba_drawEx("x", 0, 0, 0, 0, 0, 0); }));
    EXPECT_EQ("Orba_setAlpha: Has exist key: x", errorText([] { Orba_setAlpha("x", 9); }));
    Orba_loadBMP("x", "a.bmp", -2, 0, 0);
    EXPECT_EQ(8, Orba_getWidth("x"));
}

TEST_F(DrawTest, FailedReloadRemovesTheKey) {
    writeSolidBMP("a.bmp", 8, 6, red);
    Orba_loadBMP("x", "a.bmp", -2, 0, 0);
    const std::string text = errorText([] { Orba_loadBMP("x", "missing.bmp", -2, 0, 0); });
    EXPECT_EQ(0u, text.rfind("Orba_loadBMP: ", 0)) << text;
    EXPECT_EQ(0, Orba_getWidth("x"));
    writeFile("broken.bmp", "BM this is not a picture");
    EXPECT_EQ(0u, errorText([] { Orba_loadBMP("y", "broken.bmp", -1, 0, 0); }).rfind("Orba_loadBMP: ", 0));
}

// Each refused file leaves its key absent; an 8-bit file with its palette loads.
TEST_F(DrawTest, BadPicturesAreRefusedWithTheirReason) {
    for (const BadPicture& bad : badPictures()) {
        SCOPED_TRACE(bad.name);
        writeFile("bad.bmp", bad.bytes);
        EXPECT_EQ(errorText([] { Orba_loadBMP("x", "bad.bmp", -1, 0, 0); }),
                  "Orba_loadBMP: " + bad.reason + (bad.sdlReason ? "" : " (bad.bmp)"));
        EXPECT_EQ(0, Orba_getWidth("x"));
    }
    writeFile("eight.bmp", bmpWithBitCount(8));
    Orba_loadBMP("x", "eight.bmp", -1, 0, 0);
    EXPECT_EQ(4, Orba_getWidth("x"));
}

// SDL keeps positions in 16 bits; far positions stay off the back buffer
// instead of wrapping round onto it, and a fill reaching it from far left
// still covers what it reaches.
TEST_F(DrawTest, FarPositionsAreNotWrappedOntoTheBackBuffer) {
    writeSolidBMP("p.bmp", 40, 40, red);
    Orba_loadBMP("p", "p.bmp", -2, 0, 0);
    const std::function<void()> farDraws[] = {
        [] { Orba_fillRect(10, 65536 + 10, 20, 20, 255, 0, 0); },
        [] { Orba_fillRect(2147483647, 2147483647, 20, 20, 255, 0, 0); },
        [] { Orba_draw("p", 65536 + 10, 10, 0, 0, 0, 0); },
        [] { Orba_draw("p", 10, 2147483647, 0, 0, 0, 0); },
        [] { Orba_draw("p", 32767, 10, -32767, 0, 40, 40); },  // SDL moves it by the negative source edge
        [] { Orba_drawEx("p", -2147483647 - 1, 10, 0, 0, 0, 0); },
    };
    for (std::size_t i = 0; i < std::size(farDraws); ++i) {
        Orba_fillRect(0, 0, 0, 0, 0, 0, 0);
        farDraws[i]();
        for (const auto& [x, y] :
             {std::pair{0, 0}, std::pair{15, 15}, std::pair{639, 15}, std::pair{20, 479}})
            EXPECT_EQ(0u, pixel(x, y)) << "draw " << i << " at " << x << "," << y;
    }
    Orba_fillRect(-40000, -40000, 65535, 65535, 0, 0, 255);
    EXPECT_EQ(blue, pixel(0, 0));
    EXPECT_EQ(blue, pixel(639, 479));
}

TEST_F(DrawTest, AlphaBlendsAndZeroLeavesTheBufferUnchanged) {
    writeSolidBMP("w.bmp", 4, 4, 0xffffff);
    Orba_loadBMP("w", "w.bmp", -2, 0, 0);
    Orba_setAlpha("w", 0);
    Orba_draw("w", 10, 10, 0, 0, 0, 0);
    EXPECT_EQ(0u, pixel(10, 10));
    Orba_setAlpha("w", 128);
    Orba_draw("w", 10, 10, 0, 0, 0, 0);
    const std::uint32_t p = pixel(10, 10);
    EXPECT_GT(p & 0xff, 0x70u);
    EXPECT_LT(p & 0xff, 0x90u);
}

TEST_F(DrawTest, OffsetShiftsThePresentedPictureLeavingABlackBand) {
    Orba_fillRect(0, 0, 0, 0, 0, 0, 255);
    Orba_setOffset(8, 0);
    Orba_flip();
    EXPECT_EQ(0u, screenPixel(7, 100));
    EXPECT_EQ(blue, screenPixel(8, 100));
    EXPECT_EQ(blue, screenPixel(639, 100));
    Orba_setOffset(-4, 0);
    Orba_flip();
    EXPECT_EQ(blue, screenPixel(635, 0));
    EXPECT_EQ(0u, screenPixel(636, 0));
}

TEST(SinDeg, IsTheSineOfDegrees) {
    EXPECT_NEAR(1.0L, Orba_sinDeg(90.0f), 1e-12L);
    EXPECT_NEAR(0.5L, Orba_sinDeg(30.0f), 1e-7L);
    EXPECT_NEAR(0.0L, Orba_sinDeg(180.0f), 1e-12L);
    EXPECT_LT(Orba_sinDeg(88.0f) * 95.0L, 95.0L);
}

}  // namespace
