// Fonts, the text colour and text drawn into the back buffer.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "orba/orba.h"
#include "orba/orba_testing.h"
#include "orba/textbackend.h"
#include "testsupport.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

const fs::path systemSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Where non-black pixels lie in the top-left corner of the back buffer.
struct Ink {
    int count = 0;
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
    int height() const { return count ? bottom - top + 1 : 0; }
};

Ink inkOf(const std::function<bool(std::uint32_t)>& accept = {}) {
    Ink ink;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 320; ++x) {
            const std::uint32_t colour = pixel(x, y);
            if (colour == 0) continue;
            if (accept) {
                EXPECT_TRUE(accept(colour)) << std::hex << colour << " at " << std::dec << x << "," << y;
            }
            ++ink.count;
            ink.left = std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y);
        }
    return ink;
}

void clearBackBuffer() { SDL_FillRect(Orba_testBackBuffer(), nullptr, 0); }

class Text : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(systemSans)) << "the DejaVu fonts are needed";
        fs::copy_file(systemSans, "sans.ttf");
        writeFile("broken.ttf", "this is no TrueType font");
        initWindow();
        clearBackBuffer();
    }
    void TearDown() override { Orba_quit(); }

    // Height of the ink of one "H" drawn with the current font.
    static int heightOfH() {
        clearBackBuffer();
        Orba_drawText("H", 0, 0, 255);
        return inkOf().height();
    }

    TempDir dir;
};

TEST_F(Text, ColourRoundTripsThroughHex) {
    struct Case {
        std::function<void()> set;
        int expected;
    };
    const Case cases[] = {
        {[] { Orba_setColorHex(0x808080); }, 0x808080},
        {[] { Orba_setColor(255, 0, 0); }, 0xFF0000},
        {[] { Orba_setColor(1, 2, 3); }, 0x010203},
        {[] { Orba_setColorHex(0x7F12345); }, 0xF12345},  // bits above 23 are dropped
        {[] { Orba_setColorHex(-1); }, 0xFFFFFF},
    };
    for (const Case& c : cases) {
        c.set();
        EXPECT_EQ(Orba_getColorHex(), c.expected);
    }
}

TEST_F(Text, ColourIsBlackUntilTheFirstFontMakesItWhite) {
    EXPECT_EQ(Orba_getColorHex(), 0);
    Orba_openFont("a", 12, "sans.ttf");
    EXPECT_EQ(Orba_getColorHex(), 0xFFFFFF);
    Orba_setColor(1, 2, 3);
    Orba_openFont("b", 12, "sans.ttf");
    EXPECT_EQ(Orba_getColorHex(), 0x010203);
}

TEST_F(Text, NoFontEmptyTextAndAlphaZeroDrawNothing) {
    Orba_drawText("Hello", 10, 10, 255);
    EXPECT_EQ(inkOf().count, 0);
    Orba_openFont("MSGOTHIC24", 24, "sans.ttf");
    Orba_drawText("", 10, 10, 255);
    Orba_drawText("Hello", 10, 10, 0);
    EXPECT_EQ(inkOf().count, 0);
    Orba_drawText("Hello", 10, 10, 255);
    EXPECT_GT(inkOf().count, 0);
}

TEST_F(Text, DrawsInTheCurrentColourFromTheGivenCorner) {
    Orba_openFont("MSGOTHIC24", 24, "sans.ttf");
    Orba_setColor(255, 0, 0);
    Orba_drawText("H", 50, 40, 255);
    const Ink ink = inkOf([](std::uint32_t c) { return c == 0xFF0000; });
    EXPECT_GT(ink.count, 20);
    EXPECT_GE(ink.left, 50);
    EXPECT_GE(ink.top, 40);
    EXPECT_LT(ink.right, 50 + 24);
    EXPECT_LT(ink.bottom, 40 + 32);
}

TEST_F(Text, PartialAlphaBlendsIntoTheBackBuffer) {
    Orba_openFont("MSGOTHIC24", 24, "sans.ttf");
    Orba_setColorHex(0xFF0000);
    Orba_drawText("H", 10, 10, 128);
    const Ink ink =
        inkOf([](std::uint32_t c) { return c >= 0x700000 && c <= 0x900000 && (c & 0xFFFF) == 0; });
    EXPECT_GT(ink.count, 20);
}

TEST_F(Text, NewestFontIsCurrentAndKeysAreNeverReplaced) {
    Orba_openFont("small", 12, "sans.ttf");
    const int small = heightOfH();
    Orba_openFont("big", 48, "sans.ttf");
    const int big = heightOfH();
    EXPECT_GT(big, 2 * small);
    EXPECT_EQ(testsupport::errorText([] { Orba_openFont("small", 12, "sans.ttf"); }),
              "Orba_openFont: Has exist key: small");
    EXPECT_EQ(heightOfH(), big);
}

TEST_F(Text, MissingFileIsReportedWithTheNameAsPassed) {
    EXPECT_EQ(testsupport::errorText([] { Orba_openFont("k", 24, "no-such-font.ttf"); }),
              "Orba_openFont : font file not found. no-such-font.ttf");
    EXPECT_EQ(testsupport::errorText([] { Orba_openFont("k", 24, "fonts/none.ttf"); }),
              "Orba_openFont : font file not found. fonts/none.ttf");
    Orba_openFont("k", 24, "sans.ttf");  // the failures took no key
}

// Also a FIFO or a device, which is neither waited for nor read.
TEST_F(Text, UnreadableFontRaisesAndLeavesTheTableAsItWas) {
    Orba_openFont("small", 12, "sans.ttf");
    const int small = heightOfH();
    std::vector<std::string> unreadable = testsupport::makeSpecialFiles(".ttf");
    unreadable.push_back("broken.ttf");
    for (const std::string& name : unreadable) {
        const std::string message = testsupport::errorText([&] { Orba_openFont("big", 48, name); });
        EXPECT_TRUE(message.starts_with("Orba_openFont: ")) << message;
        EXPECT_EQ(message.find("Has exist"), std::string::npos) << message;
    }
    EXPECT_EQ(heightOfH(), small);
    Orba_openFont("big", 48, "sans.ttf");
    EXPECT_GT(heightOfH(), 2 * small);
}

TEST_F(Text, SystemFontFolderIsSearchedAfterTheWorkingDirectory) {
    Orba_openFont("system", 24, "DejaVuSans.ttf");
    EXPECT_GT(heightOfH(), 0);
    // A file of that name beside the game wins, even though it is no font.
    writeFile("DejaVuSans.ttf", "not a font");
    const std::string message = testsupport::errorText([] { Orba_openFont("local", 24, "DejaVuSans.ttf"); });
    EXPECT_TRUE(message.starts_with("Orba_openFont: ")) << message;
}

TEST_F(Text, QuitClosesTheFontsAndAFreshInitStartsWithoutThem) {
    Orba_openFont("MSGOTHIC24", 24, "sans.ttf");
    Orba_setColor(255, 0, 0);
    Orba_quit();
    initWindow();
    clearBackBuffer();
    EXPECT_EQ(Orba_getColorHex(), 0);
    Orba_drawText("Hello", 10, 10, 255);
    EXPECT_EQ(inkOf().count, 0);
    Orba_openFont("MSGOTHIC24", 24, "sans.ttf");
    EXPECT_GT(heightOfH(), 0);
}

}  // namespace

// A line wider than the window is cut to what reaches its right edge before
// it is rendered: the window shows what the whole line would show, also for
// lines the library could not render at all (wider than 16,383 pixels, or
// millions of characters, which overflowed the stack).
TEST_F(Text, ALongLineShowsWhatReachesTheWindowsRightEdge) {
    Orba_openFont("MSGOTHIC24", 24, "sans.ttf");
    std::string million = "x";
    while (million.size() < (std::size_t{4} << 20)) million += million;
    struct Case {
        std::string line;
        int x;
    };
    const Case cases[] = {{std::string(700, 'W'), 10},
                          {std::string(700, 'W'), 630},
                          {std::string(700, 'W'), -300},
                          {million, 0},
                          {"AVAWAT" + std::string(3000, 'e') + "\xc3\xa9", 100}};
    const orba::textlib::FontPtr font = orba::textlib::open("sans.ttf", 24);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.substr(0, 8) + " at " + std::to_string(c.x));
        clearBackBuffer();
        Orba_drawText(c.line, c.x, 0, 255);
        // What the library renders of the line's first 1,000 pixels or so, placed the same way.
        const SurfacePtr expected =
            orba::textlib::renderSolid(font.get(), c.line.substr(0, 120), SDL_Color{255, 255, 255, 0});
        ASSERT_TRUE(expected);
        int differing = 0, ink = 0;
        for (int y = 0; y < expected->h; ++y)
            for (int x = std::max(c.x, 0); x < 640 && x - c.x < expected->w; ++x) {
                const auto* row = static_cast<const Uint8*>(expected->pixels) + y * expected->pitch;
                const bool inked = pixel(x, y) != 0;
                differing += inked != (row[x - c.x] != 0);
                ink += inked;
            }
        EXPECT_EQ(differing, 0);
        EXPECT_GT(ink, 0);
    }
}

// Combining marks reach left of the first pixel of their line; drawing them
// must stay within the text's picture (the sanitizer build sees a stray write).
TEST_F(Text, MarksReachingLeftOfTheLineStayInsideItsPicture) {
    for (const int size : {10, 12, 16, 20}) {
        Orba_openFont("marks" + std::to_string(size), size, "sans.ttf");
        for (const char* text : {"\xD2\x89",
                                 "\xCC\x8F"
                                 "a",
                                 "a\xD2\x89\xCC\x8F"})
            Orba_drawText(text, 5, 5, 255);
    }
}
