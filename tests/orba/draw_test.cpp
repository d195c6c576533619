#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <utility>

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
    struct Case { int r, g, b; std::uint32_t at00, at10; };
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

// A BMP file (4 x 4 unless said) whose header gives `bitCount` bits per
// pixel, with all the rows of pixel bytes that count asks for.
std::string bmpWithBitCount(std::uint16_t bitCount, std::uint32_t width = 4, std::uint32_t height = 4) {
    const std::uint32_t pixelBytes = (width * bitCount + 31) / 32 * 4 * height;
    std::string bytes = "BM";
    auto put = [&bytes](std::uint32_t v, int size) {
        for (int i = 0; i < size; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xff);
    };
    put(54 + pixelBytes, 4), put(0, 4), put(54, 4);                         // file header
    put(40, 4), put(width, 4), put(height, 4), put(1, 2), put(bitCount, 2);  // size, planes, bits
    for (int i = 0; i < 6; ++i) put(0, 4);                                   // uncompressed, no palette
    return bytes + std::string(pixelBytes, '\x11');
}

// SDL reads these headers into pictures that a pixel read or a blit cannot
// use: rows too short for the pixel size (2048 bits wrap to 0 in its 8-bit
// field, 11544 to 24 bits of 163 bytes each), or 8 bits (8200) without a
// palette.
TEST_F(DrawTest, PicturesWithUnusableBitsPerPixelAreRefused) {
    for (const std::uint16_t bits : {2048, 33, 64, 8200, 11544}) {
        SCOPED_TRACE(bits);
        writeFile("odd.bmp", bmpWithBitCount(bits));
        EXPECT_EQ(errorText([] { Orba_loadBMP("x", "odd.bmp", -1, 0, 0); }),
                  "Orba_loadBMP: Unsupported picture format (odd.bmp)");
        EXPECT_EQ(0, Orba_getWidth("x"));
    }
    writeFile("eight.bmp", bmpWithBitCount(8));
    Orba_loadBMP("x", "eight.bmp", -1, 0, 0);
    EXPECT_EQ(4, Orba_getWidth("x"));
}

// SDL would fill the fields a short file lacks from uninitialised memory.
TEST_F(DrawTest, FilesEndingWithinTheirHeadersAreRefused) {
    const std::string whole = bmpWithBitCount(24);
    std::string versionFour = whole.substr(0, 54);
    versionFour[14] = 108;  // a 108-byte header, of which the file holds 40
    std::string sizeZero = whole.substr(0, 40);
    sizeZero[14] = 0;  // read as the 40 bytes of the common header
    // Pixels of 32 bits that do not start right after the header: SDL reads
    // colour masks behind it, of which this file holds two.
    std::string maskless = bmpWithBitCount(32, 1, 1).substr(0, 62);
    maskless[10] = 58;
    const std::pair<const char*, std::string> cases[] = {{"a few bytes", "BM\x10\x00"},
                                                         {"half a header", whole.substr(0, 30)},
                                                         {"a longer header", versionFour},
                                                         {"a header of size 0", sizeZero},
                                                         {"colour masks", maskless}};
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        writeFile("short.bmp", bytes);
        EXPECT_EQ(errorText([] { Orba_loadBMP("x", "short.bmp", -1, 0, 0); }),
                  "Orba_loadBMP: File ends within its header (short.bmp)");
    }
}

// SDL allocates the picture before it reads the rows; a header asking for
// more than 2 GiB failed inside SDL, so the rows must all be there first.
TEST_F(DrawTest, FilesEndingBeforeTheirLastRowAreRefused) {
    const std::string whole = bmpWithBitCount(24, 16, 16);
    std::string topDownGiant = bmpWithBitCount(24, 13056, 1).substr(0, 200);
    const std::int32_t rows = -55296;
    std::memcpy(topDownGiant.data() + 22, &rows, 4);
    for (const std::string& bytes : {whole.substr(0, whole.size() - 1), topDownGiant}) {
        writeFile("cut.bmp", bytes);
        EXPECT_EQ(errorText([] { Orba_loadBMP("x", "cut.bmp", -1, 0, 0); }),
                  "Orba_loadBMP: File ends before its pixels (cut.bmp)");
    }
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
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{15, 15}, std::pair{639, 15}, std::pair{20, 479}})
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

} // namespace
