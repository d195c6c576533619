// Choices: the pointer's row selects, a confirm input picks and the script
// goes on in the same frame; the boxes, the pulse and the window over them.
#include <algorithm>

#include "game_fixture.h"

using namespace advtest;
using testsupport::pixel;
using Strings = std::vector<std::string>;

namespace {

constexpr const char* fourChoices = "SELECT('a', 'b', 'c', 'd') note(RET())";

struct PickCase {
    const char* script;
    int hoverY;  // where the pointer rests for a frame before the pick; -1: no hover
    int x, y;    // pointer at the pick
    bool click;  // otherwise Return
    int expected;
};
void PrintTo(const PickCase& c, std::ostream* out) {
    *out << (c.click ? "click" : "Return") << " at " << c.x << "," << c.y << " picks " << c.expected;
}

class ChoiceTest : public GameTest {
protected:
    std::uint32_t outerBox(int i) { return pixel(41, 81 + 60 * i); }
    std::uint32_t innerBox(int i) { return pixel(45, 85 + 60 * i); }
};

class PickTest : public ChoiceTest, public ::testing::WithParamInterface<PickCase> {};

std::uint32_t greyOf(int level) {
    const auto v = static_cast<std::uint32_t>(level);
    return v << 16 | v << 8 | v;
}

}  // namespace

TEST_P(PickTest, PicksTheChoiceOfThePointersRow) {
    const PickCase& c = GetParam();
    start(c.script);
    step();
    ASSERT_EQ(adv::course().state, adv::RunnerState::Choosing);
    if (c.hoverY >= 0) {
        testsupport::moveMouse(c.x, c.hoverY);
        step();
    }
    testsupport::moveMouse(c.x, c.y);
    if (c.click)
        testsupport::click();
    else
        testsupport::tapKey(SDLK_RETURN);
    step();
    EXPECT_EQ(notes(), Strings{std::to_string(c.expected)});
    EXPECT_EQ(adv::flagState().choiceResult, c.expected);
    EXPECT_EQ(adv::course().state, adv::RunnerState::Running);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PickTest,
    ::testing::Values(PickCase{"SELECT('a', 'b') note(RET())", -1, 300, 290, true, 1},  // clamped
                      PickCase{fourChoices, -1, 300, 50, true, 0},                      // above the bands
                      PickCase{fourChoices, -1, 300, 320, true, 0},                     // below the bands
                      PickCase{fourChoices, -1, 5, 150, true, 1},                       // x does not matter
                      PickCase{fourChoices, -1, 630, 259, true, 2},
                      PickCase{fourChoices, -1, 300, 319, true, 3},
                      PickCase{fourChoices, -1, 300, 210, false, 2},   // Return picks too
                      PickCase{fourChoices, 150, 300, 400, false, 1},  // keeps the last row
                      PickCase{"SELECT('a', 'b', 'c', 'd', 'e', 6) note(RET())", -1, 300, 300, true, 3}));

// RET counts from 0: Down twice from the first of three, then Return, picks the third, 2.
TEST_F(ChoiceTest, DownTwiceThenReturnPicksChoiceTwoOfThree) {
    testsupport::moveMouse(300, 40);
    start("SELECT('a', 'b', 'c') note(RET())");
    step();
    for (int row = 1; row <= 2; ++row) {
        testsupport::tapKey(SDLK_DOWN);
        step();
        EXPECT_EQ(adv::choiceMenu().choiceCursor, row);
        EXPECT_EQ(Orba_getMouseY(), 110 + 60 * row);  // the middle of the row
        EXPECT_EQ(Orba_getMouseX(), 300);
    }
    testsupport::tapKey(SDLK_RETURN);
    step();
    EXPECT_EQ(notes(), Strings{"2"});
}

TEST_F(ChoiceTest, UpAndDownStopAtTheFirstAndLastChoice) {
    testsupport::moveMouse(300, 40);
    start("SELECT('a', 'b')");
    step();
    const std::vector<std::pair<int, int>> keysAndRows{
        {SDLK_UP, 0}, {SDLK_DOWN, 1}, {SDLK_DOWN, 1}, {SDLK_UP, 0}};
    for (const auto& [key, row] : keysAndRows) {
        testsupport::tapKey(key);
        step();
        EXPECT_EQ(adv::choiceMenu().choiceCursor, row);
        EXPECT_EQ(Orba_getMouseY(), 110 + 60 * row);
    }
}

TEST_F(ChoiceTest, TheFirstFrameHighlightsChoiceZeroWhateverThePointer) {
    testsupport::moveMouse(300, 150);
    start("MSG('question') SELECT('yes', 'no')");
    step();
    EXPECT_EQ(adv::choiceMenu().choiceCursor, 0);
    EXPECT_EQ(outerBox(0), greyOf(160 + 6));  // frame 1: sin(4 degrees) * 95 = 6.6
    EXPECT_EQ(innerBox(0), greyOf(64 + 6));
    EXPECT_EQ(outerBox(1), greyOf(160));
    EXPECT_EQ(innerBox(1), greyOf(64));
    EXPECT_EQ(outerBox(2), black);
    step();
    EXPECT_EQ(adv::choiceMenu().choiceCursor, 1);
    EXPECT_EQ(outerBox(0), greyOf(160));
    EXPECT_EQ(adv::messageWindow().messages, Strings{"question"});
}

TEST_F(ChoiceTest, ChoiceTextsAreDrawnInTheirBoxes) {
    testsupport::moveMouse(630, 10);
    start("SELECT('first', 'second')");
    step();
    for (int i = 0; i < 2; ++i) {
        int whites = 0;
        for (int y = 88 + 60 * i; y < 116 + 60 * i; ++y)
            for (int x = 60; x < 200; ++x) whites += pixel(x, y) == white;
        EXPECT_GT(whites, 10) << i;
        EXPECT_EQ(pixel(59, 90 + 60 * i), greyOf(i == 0 ? 64 + 6 : 64));  // nothing left of 60
    }
}

TEST_F(ChoiceTest, TheHighlightPulsesBetween160And254) {
    testsupport::moveMouse(300, 90);
    start("SELECT('a', 'b')");
    std::vector<int> levels;
    for (std::uint32_t frame = 1; frame <= 90; ++frame) {
        step();
        ASSERT_EQ(adv::course().frameCounter, frame);
        const int level = static_cast<int>(outerBox(0) & 0xFF);
        EXPECT_EQ(outerBox(0), greyOf(level));
        EXPECT_EQ(innerBox(0), greyOf(level - 96));
        if (frame % 45 == 0) {
            EXPECT_EQ(level, 160) << frame;
        }
        levels.push_back(level);
    }
    EXPECT_EQ(*std::min_element(levels.begin(), levels.end()), 160);
    EXPECT_EQ(*std::max_element(levels.begin(), levels.end()), 254);
    for (int f = 1; f < 45; ++f)  // symmetric about the top of the swing
        EXPECT_EQ(levels[f - 1], levels[44 - f]) << f;
}

TEST_F(ChoiceTest, TheMessageWindowCoversTheBoxes) {
    System::MSGWIN_Y = 90;  // over the lower part of box 0 and the top of box 1
    testsupport::moveMouse(630, 10);
    start("SELECT('a', 'b', 'c')");
    step();
    EXPECT_EQ(pixel(41, 81), greyOf(166));
    EXPECT_EQ(pixel(41, 150), msgwinColour);
    EXPECT_EQ(pixel(41, 215), greyOf(160));
}

TEST_F(ChoiceTest, RetKeepsTheLastPickAcrossScripts) {
    writeScript("b.lua", "note(RET()) note(RET())");
    start("note(RET()) SELECT('a', 'b', 'c') note(RET()) LOAD('b.lua')");
    step();
    clickAt(300, 210);
    step();
    EXPECT_EQ(notes(), (Strings{"0", "2", "2", "2"}));
}

TEST_F(ChoiceTest, ANewSelectReplacesTheChoices) {
    start("SELECT('a', 'b', 'c') SELECT('x')");
    step();
    clickAt(300, 210);
    EXPECT_EQ(adv::choiceMenu().choices, Strings{"x"});
    EXPECT_EQ(adv::choiceMenu().choiceCursor, 0);
    EXPECT_EQ(adv::course().state, adv::RunnerState::Choosing);
}
