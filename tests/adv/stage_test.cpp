// The stage on back-buffer pixels, frame by frame: background transitions,
// character slots, flash and shake.
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

#include "game_fixture.h"

using namespace advtest;
using testsupport::pixel;

namespace {

constexpr std::uint32_t white = 0xFFFFFF;
constexpr std::uint32_t red = 0xFF0000;
constexpr std::uint32_t blue = 0x0000FF;
constexpr std::uint32_t yellow = 0xFFFF00;
constexpr std::int32_t int32Max = std::numeric_limits<std::int32_t>::max();

// A picture whose every pixel tells where it came from.
std::uint32_t gradient(int x, int y) {
    return static_cast<std::uint32_t>(x & 0xFF) << 16 | static_cast<std::uint32_t>(y & 0xFF) << 8 | 0x80;
}

int redLevel(int x, int y) { return static_cast<int>(pixel(x, y) >> 16); }

// Shift of the shown picture after Orba_flip, read from the black band that a
// full-screen white back buffer leaves on the screen: positive to the right.
int shownOffset() {
    Orba_flip();
    int left = 0;
    while (left < 640 && testsupport::screenPixel(left, 240) == black) ++left;
    if (left > 0) return left;
    int right = 0;
    while (right < 640 && testsupport::screenPixel(639 - right, 240) == black) ++right;
    return -right;
}

class StageTest : public StageLayoutTest {
protected:
    void SetUp() override {
        StageLayoutTest::SetUp();
        testsupport::writeSolidBMP("resource/level/white.bmp", 640, 480, white);
        testsupport::writeSolidBMP("resource/level/red.bmp", 640, 480, red);
        testsupport::writeBMP("resource/level/gradient.bmp", 640, 480, gradient);
        start("");
    }
};

TEST_F(StageTest, BackgroundAlreadyShownIsNeitherReloadedNorTransitioned) {
    frame([] { adv::drawBackground("red.bmp", 0); });
    EXPECT_EQ(pixel(320, 240), red);
    testsupport::writeSolidBMP("resource/level/red.bmp", 640, 480, blue);
    for (std::int32_t effect : {0, 1, 2}) {
        frame([effect] { adv::drawBackground("red.bmp", effect); });
        EXPECT_EQ(pixel(320, 240), red) << "effect " << effect;
        EXPECT_EQ(adv::stage().backgroundFadeTimer, 0);
        EXPECT_EQ(adv::stage().backgroundEffect, 0);
    }
}

TEST_F(StageTest, AnotherBackgroundDuringATransitionStartsItAgain) {
    frame([] { adv::drawBackground("red.bmp", 0); });
    frame([] { adv::drawBackground("white.bmp", 1); });
    step(5);
    EXPECT_EQ(adv::stage().backgroundFadeTimer, 10);
    frame([] { adv::drawBackground("gradient.bmp", 2); });
    EXPECT_EQ(adv::stage().backgroundFadeTimer, adv::transitionFrames);
    EXPECT_EQ(adv::stage().nextBackground, "gradient.bmp");
    EXPECT_EQ(adv::stage().background, "red.bmp");
    EXPECT_EQ(pixel(0, 0), red);  // side-1 tiles over the old picture
    EXPECT_EQ(pixel(20, 20), gradient(20, 20));
    step(14);
    EXPECT_EQ(adv::stage().background, "red.bmp");
    frame();
    EXPECT_EQ(adv::stage().background, "gradient.bmp");
    EXPECT_EQ(pixel(0, 0), gradient(0, 0));
}

struct FadeStep {
    int frame;
    int level;  // red level of the white picture over black
};

TEST_F(StageTest, TransitionEndsWithThePictureItStartedWithAfterDirectoryMovesOn) {
    frame([] { adv::drawBackground("red.bmp", 1); });
    frame([] { adv::setDirectory("elsewhere"); });
    step(14);
    EXPECT_EQ(adv::stage().background, "red.bmp");
    EXPECT_EQ(pixel(320, 240), red);
}

TEST_F(StageTest, FadeInFromBlackOverFifteenFrames) {
    const std::vector<FadeStep> steps{{1, 0}, {2, 17}, {8, 119}, {15, 238}, {16, 255}, {17, 255}};
    std::size_t next = 0;
    for (int f = 1; f <= 17; ++f) {
        frame([f] {
            if (f == 1) adv::drawBackground("white.bmp", 1);
        });
        EXPECT_EQ(adv::stage().background.empty(), f < 16) << "frame " << f;
        if (next < steps.size() && steps[next].frame == f) {
            EXPECT_NEAR(redLevel(100, 100), steps[next].level, 2) << "frame " << f;
            ++next;
        }
    }
}

TEST_F(StageTest, FadeOutToBlackOverFifteenFrames) {
    frame([] { adv::drawBackground("white.bmp", 0); });
    const std::vector<FadeStep> steps{{1, 255}, {2, 238}, {8, 136}, {15, 17}, {16, 0}};
    std::size_t next = 0;
    for (int f = 1; f <= 16; ++f) {
        frame([f] {
            if (f == 1) adv::eraseBackground(1);
        });
        if (next < steps.size() && steps[next].frame == f) {
            EXPECT_NEAR(redLevel(300, 200), steps[next].level, 2) << "frame " << f;
            ++next;
        }
    }
    EXPECT_TRUE(adv::stage().background.empty());
    EXPECT_EQ(Orba_getWidth("bg"), 0);  // freed
}

struct TileProbe {
    int frame;
    int x, y;
    bool shown;
};

// Each tile shows, in place, the square of the given side around its centre.
void checkTiles(const std::vector<TileProbe>& probes, int frame) {
    for (const TileProbe& p : probes) {
        if (p.frame != frame) continue;
        EXPECT_EQ(pixel(p.x, p.y), p.shown ? gradient(p.x, p.y) : black)
            << "frame " << frame << " at " << p.x << "," << p.y;
    }
}

TEST_F(StageTest, ShrinkingTilesFromSideFortyToTwo) {
    frame([] { adv::drawBackground("gradient.bmp", 0); });
    const std::vector<TileProbe> probes{
        {1, 0, 0, true},      {1, 39, 39, true},    {1, 639, 479, true},   {2, 2, 2, true},
        {2, 1, 1, false},     {2, 38, 38, true},    {2, 39, 39, false},  // side 37
        {15, 19, 19, true},   {15, 20, 20, true},   {15, 18, 19, false},   {15, 21, 20, false},
        {15, 619, 459, true}, {15, 620, 460, true}, {15, 621, 460, false},
    };
    for (int f = 1; f <= 16; ++f) {
        frame([f] {
            if (f == 1) adv::eraseBackground(2);
        });
        checkTiles(probes, f);
    }
    EXPECT_TRUE(adv::stage().background.empty());
    EXPECT_EQ(pixel(20, 20), black);
}

TEST_F(StageTest, GrowingTilesFromSideOneToThirtyEight) {
    const std::vector<TileProbe> probes{
        {1, 20, 20, true},   {1, 19, 20, false},   {1, 20, 21, false},    {1, 620, 460, true},
        {2, 19, 19, true},   {2, 21, 21, true},    {2, 18, 18, false},    {2, 22, 22, false},  // side 3
        {15, 1, 1, true},    {15, 38, 38, true},   {15, 0, 0, false},     {15, 39, 39, false},
        {15, 40, 40, false}, {15, 41, 41, true},   {15, 639, 479, false}, {16, 0, 0, true},
        {16, 39, 40, true},  {16, 639, 479, true},
    };
    for (int f = 1; f <= 16; ++f) {
        frame([f] {
            if (f == 1) adv::drawBackground("gradient.bmp", 2);
        });
        checkTiles(probes, f);
    }
}

TEST_F(StageTest, BackgroundDrawnAtOnceDuringAnEraseTakesTheEraseEffect) {
    frame([] { adv::drawBackground("white.bmp", 0); });
    frame([] { adv::eraseBackground(1); });
    frame();
    frame([] { adv::drawBackground("red.bmp", 0); });  // erase timer now 13
    EXPECT_EQ(adv::stage().background, "red.bmp");
    EXPECT_EQ(pixel(300, 200) & 0x00FFFF, 0u);
    EXPECT_NEAR(redLevel(300, 200), 13 * 255 / 15, 2);
    step(12);
    EXPECT_NEAR(redLevel(300, 200), 17, 2);
    frame();
    EXPECT_TRUE(adv::stage().background.empty());
    EXPECT_EQ(pixel(300, 200), black);
}

TEST_F(StageTest, UnknownEraseEffectMeetingARunningEraseDrawsNothing) {
    frame([] { adv::drawBackground("white.bmp", 0); });
    frame([] {
        adv::eraseBackground(1);
        adv::eraseBackground(7);  // empties at once, the timer still runs
    });
    EXPECT_EQ(pixel(300, 200), black);
    frame([] { adv::drawBackground("red.bmp", 0); });
    for (int f = 0; f < 14; ++f) {
        EXPECT_EQ(pixel(300, 200), black);
        frame();
    }
    EXPECT_EQ(adv::stage().eraseTimer, 0);
    EXPECT_TRUE(adv::stage().background.empty());
    frame([] { adv::drawBackground("red.bmp", 0); });
    EXPECT_EQ(pixel(300, 200), red);
}

// Left (red) spans x 100..299, middle (blue) 220..419, right (yellow) 340..539,
// all rows 190..289; the left picture's first 20 columns are transparent green.
class CharacterTest : public StageTest {
protected:
    void SetUp() override {
        StageTest::SetUp();
        testsupport::writeBMP("resource/level/left.bmp", 200, 100,
                              [](int x, int) { return x < 20 ? keyGreen : red; });
        testsupport::writeSolidBMP("resource/level/middle.bmp", 200, 100, blue);
        testsupport::writeSolidBMP("resource/level/right.bmp", 200, 100, yellow);
    }
    void showAll() {
        frame([] {
            adv::drawCharacter("right.bmp", 2, 0);
            adv::drawCharacter("middle.bmp", 1, 0);
            adv::drawCharacter("left.bmp", 5, 0);
        });
    }
};

TEST_F(CharacterTest, SlotsOverlapLeftThenMiddleThenRight) {
    showAll();
    EXPECT_EQ(adv::stage().characters[0], "left.bmp");
    EXPECT_EQ(pixel(110, 240), black);  // colour key
    EXPECT_EQ(pixel(150, 240), red);
    EXPECT_EQ(pixel(250, 240), blue);
    EXPECT_EQ(pixel(380, 240), yellow);
    EXPECT_EQ(pixel(530, 289), yellow);
    EXPECT_EQ(pixel(530, 290), black);
}

TEST_F(CharacterTest, ErasePositionsOtherThanOneAndTwoMeanLeft) {
    showAll();
    frame([] { adv::eraseCharacter(7, 0); });
    EXPECT_EQ(pixel(150, 240), black);
    EXPECT_EQ(pixel(250, 240), blue);
    frame([] { adv::eraseCharacter(2, 0); });
    EXPECT_EQ(pixel(500, 240), black);
    EXPECT_EQ(pixel(380, 240), blue);
    showAll();
    frame([] { adv::eraseCharacter(-1, 0); });
    for (int x : {150, 250, 380, 500}) EXPECT_EQ(pixel(x, 240), black) << x;
    EXPECT_TRUE(adv::stage().characters[1].empty());
}

TEST_F(CharacterTest, DrawingAgainReloadsTheFile) {
    frame([] { adv::drawCharacter("middle.bmp", 1, 0); });
    testsupport::writeSolidBMP("resource/level/middle.bmp", 200, 100, white);
    frame([] { adv::drawCharacter("middle.bmp", 1, 0); });
    EXPECT_EQ(pixel(320, 240), white);
}

TEST_F(StageTest, FlashFillsEveryOtherFrameStartingWithItsOwn) {
    frame([] { adv::drawBackground("red.bmp", 0); });
    for (int f = 1; f <= 8; ++f) {
        frame([f] {
            if (f == 1) adv::flash(0x00FFFF, 3);
        });
        const bool filled = f == 1 || f == 3 || f == 5;
        EXPECT_EQ(pixel(639, 479), filled ? 0x00FFFFu : red) << "frame " << f;
    }
    EXPECT_EQ(adv::stage().flashTimer, 0);
}

TEST_F(StageTest, FlashCountSaturatesInsteadOfOverflowing) {
    adv::flash(yellow, int32Max);
    EXPECT_EQ(adv::stage().flashTimer, int32Max);
    adv::flash(yellow, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(adv::stage().flashTimer, std::numeric_limits<std::int32_t>::min());
    frame();
    EXPECT_EQ(pixel(0, 0), black);
}

TEST_F(StageTest, ShakeOfAmplitudeZeroDoesNothing) {
    frame([] { adv::drawBackground("white.bmp", 0); });
    frame([] { adv::shake(0, 5); });
    for (int f = 0; f < 4; ++f) {
        EXPECT_EQ(shownOffset(), 0);
        frame();
    }
    EXPECT_EQ(adv::stage().shakeHold, 5);
}

struct ShakeCase {
    std::int32_t amplitude, hold;
    std::vector<int> magnitudes;  // per frame, from the command's own frame
};

TEST_F(StageTest, ShakeHoldsThenShrinksAlternatingWithTheFrameCounter) {
    const std::vector<ShakeCase> cases{
        {4, 0, {4, 3, 2, 1, 0, 0}},
        {2, 3, {2, 2, 2, 2, 1, 0}},
    };
    frame([] { adv::drawBackground("white.bmp", 0); });
    for (const ShakeCase& c : cases) {
        for (std::size_t f = 0; f < c.magnitudes.size(); ++f) {
            frame([&] {
                if (f == 0) adv::shake(c.amplitude, c.hold);
            });
            const int sign = adv::course().frameCounter % 2 == 0 ? -1 : 1;
            EXPECT_EQ(shownOffset(), sign * c.magnitudes[f])
                << "amplitude " << c.amplitude << " hold " << c.hold << " frame " << f + 1;
        }
    }
}

// The frame clocks run on through the largest signed and unsigned values:
// the shake keeps alternating sides while a page waits.
TEST_F(StageTest, FrameClocksWrapWithoutBreakingTheirAnimations) {
    start("PF()");
    frame([] { adv::drawBackground("white.bmp", 0); });
    for (const std::uint32_t from : {std::uint32_t{int32Max}, std::numeric_limits<std::uint32_t>::max()}) {
        adv::course().frameCounter = from - 1;
        adv::messageWindow().messageCounter = from - 1;
        frame([] { adv::shake(8, 8); });
        int previous = shownOffset();
        for (std::uint32_t step = 1; step <= 3; ++step) {
            frame();
            EXPECT_EQ(adv::course().frameCounter, from + step) << from;
            EXPECT_EQ(adv::messageWindow().messageCounter, from + step) << from;
            const int offset = shownOffset();
            EXPECT_EQ(offset, -previous) << from << " step " << step;
            previous = offset;
        }
    }
}

TEST_F(StageTest, HugeShakeHidesThePictureInsteadOfWrapping) {
    frame([] { adv::drawBackground("white.bmp", 0); });
    frame([] { adv::shake(int32Max, 0); });
    Orba_flip();
    EXPECT_EQ(testsupport::screenPixel(0, 240), black);
    EXPECT_EQ(testsupport::screenPixel(639, 240), black);
    EXPECT_EQ(adv::stage().shakeAmplitude, int32Max - 1);
}

}  // namespace
