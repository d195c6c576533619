// The message window: flag references, the lines on their rows with their
// shadow, the page-feed cursor, the window's opacity and when it is shown.
#include <algorithm>
#include <optional>

#include "game_fixture.h"

using namespace advtest;
using testsupport::pixel;

namespace {

struct Box {
    int left = 640, top = 480, right = -1, bottom = -1;
    bool empty() const { return right < 0; }
};

// Bounding box of the pixels of one colour within rows top to bottom - 1.
Box boxOf(std::uint32_t colour, int top, int bottom) {
    Box box;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < 640; ++x)
            if (pixel(x, y) == colour) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

class MessageTest : public GameTest {};

}  // namespace

TEST(FlagReferences, AreReplacedByTheFlagValues) {
    adv::resetEngineState();
    adv::setFlag(0, 99);
    adv::setFlag(1, 5);
    adv::setFlag(3, 42);
    adv::setFlag(7, 8);
    adv::setFlag(12, 7);
    adv::setFlag(127, -4);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Score %F3 pts", "Score 42 pts"},
        {"%F1 and %F12", "5 and 7"},
        {"%F200", "0"},
        {"%F128", "0"},
        {"%F127", "-4"},
        {"%F4294967299", "0"},  // would wrap to 3 in 32 bits
        {"%F99999999999999999999999", "0"},
        {"%F007", "8"},
        {"%f7", "8"},
        {"%F", "%F"},
        {"%Fx %F-1", "%Fx %F-1"},
        {"100% %%F3", "100% %42"},
        {"%F3%F3", "4242"},
        {"", ""},
    };
    for (const auto& [text, expected] : cases) {
        adv::addMessage(text);
        EXPECT_EQ(adv::messageWindow().messages.back(), expected) << text;
    }
    EXPECT_EQ(adv::messageWindow().messages.size(), cases.size());
}

TEST_F(MessageTest, TheValueIsTakenWhenTheLineIsAdded) {
    start("SETF(3, 42) MSG('%F3') SETF(3, 1) MSG('%F3') PF()");
    step();
    EXPECT_EQ(adv::messageWindow().messages, (std::vector<std::string>{"42", "1"}));
}

TEST_F(MessageTest, LinesAreDrawnOnTheirRowsWithAShadow) {
    start("MSG('Hello') MSG('') MSG('World') PF()");
    step();
    const int margin = System::MSG_MARGIN;
    for (int row = 0; row < 3; ++row) {
        const int top = System::MSG_Y + row * margin;
        const Box text = boxOf(white, top, top + margin);
        const Box shadow = boxOf(grey, top, top + margin);
        if (row == 1) {
            EXPECT_TRUE(text.empty() && shadow.empty()) << "the empty line draws nothing";
            continue;
        }
        ASSERT_FALSE(text.empty()) << row;
        EXPECT_GE(text.left, System::MSG_X);
        EXPECT_EQ(shadow.right, text.right + 2) << row;
        EXPECT_EQ(shadow.bottom, text.bottom + 2) << row;
    }
    EXPECT_EQ(pixel(5, 305), msgwinColour);
}

TEST_F(MessageTest, ThePageFeedCursorCyclesThroughItsCells) {
    testsupport::moveMouse(10, 10);
    start("PF()");
    for (int frame = 0; frame < 32; ++frame) {
        step();
        EXPECT_EQ(pixel(System::PF_X, System::PF_Y), pfCells[frame % 15 / 5]) << frame;
    }
}

TEST_F(MessageTest, APageFeedWithNoWholeCellOrNoTimerShowsCellZero) {
    struct Case {
        int pfWidth, timer;
    };
    for (const Case c : {Case{96, 0}, Case{20, 5}}) {
        runner.reset();
        writeInterfacePictures(c.pfWidth, 32);
        System::PF_TIMER = c.timer;
        start("PF()");
        for (int frame = 0; frame < 12; ++frame) {
            step();
            EXPECT_EQ(pixel(System::PF_X, System::PF_Y), pfCells[0]) << c.pfWidth << " " << c.timer;
        }
    }
}

TEST_F(MessageTest, TheWindowShowsOnlyInAPageWaitOrAChoice) {
    const std::vector<std::pair<const char*, bool>> cases = {
        {"MSG('a') WAIT(5)", false}, {"MSG('a') EXIT()", false},     {"MSG('a')", false},
        {"MSG('a') PF()", true},     {"MSG('a') SELECT('x')", true},
    };
    for (const auto& [script, shown] : cases) {
        start(script);
        step(2);
        EXPECT_EQ(pixel(5, 415), shown ? msgwinColour : black) << script;
    }
}

TEST_F(MessageTest, WindowOpacityIsClampedToTheOpaqueRange) {
    const std::vector<std::pair<int, std::uint32_t>> cases = {
        {255, msgwinColour}, {300, msgwinColour}, {256, msgwinColour}, {0, black}};
    for (const auto& [alpha, colour] : cases) {
        System::MSGWIN_ALPHA = alpha;
        runner.reset();
        start("PF()");
        step();
        EXPECT_EQ(pixel(5, 415), colour) << alpha;
    }
}

TEST_F(MessageTest, TheMouseCursorIsDrawnLastOverTheFlash) {
    testsupport::moveMouse(200, 200);
    start("FLASH('YELLOW', 2) PF()");
    step();
    EXPECT_EQ(pixel(100, 100), 0xFFFF00u);
    EXPECT_EQ(pixel(200, 200), cursorNormal);
    EXPECT_EQ(pixel(196, 196), cursorNormal);  // the 8 x 8 cell is centred
    EXPECT_EQ(pixel(204, 200), 0xFFFF00u);
}

TEST_F(MessageTest, MissingInterfacePicturesStopTheRunner) {
    for (const char* file : {"pf.bmp", "cursor.bmp", "msgwin.bmp"}) {
        writeInterfacePictures();
        std::filesystem::remove(std::string("resource/level/") + file);
        try {
            makeRunner();
            ADD_FAILURE() << file;
        } catch (const Error& error) {
            EXPECT_TRUE(std::string(error.what()).starts_with("Orba_loadBMP: ")) << error.what();
        }
    }
}

// Settings reach up to the largest int; the shadow beside such a line must
// not overflow (the sanitizer build reports it).
TEST_F(MessageTest, LinesAtTheLargestPlaceAreDrawnWithoutOverflow) {
    System::MSG_X = INT32_MAX;
    System::MSG_Y = INT32_MAX;
    System::MSG_MARGIN = INT32_MAX;
    start("MSG('far') MSG('away') PF()");
    step(2);
    EXPECT_EQ(adv::course().state, adv::RunnerState::WaitPage);
    EXPECT_EQ(pixel(5, 305), msgwinColour);
}

// A line placed far below the window (a 16-bit position away) or at the
// largest int is not seen anywhere, and nothing of it wraps round to the top.
TEST_F(MessageTest, LinesFarBelowTheWindowAreNotSeen) {
    struct Case {
        std::int32_t y, margin;
    };
    for (const Case c : {Case{310, 65536}, Case{310, 28 * 2330}, Case{INT32_MAX, 0}}) {
        System::MSG_Y = c.y;
        System::MSG_MARGIN = c.margin;
        start(c.margin == 0 ? "MSG('Far') PF()" : "MSG('') MSG('Far') PF()");
        step();
        EXPECT_TRUE(boxOf(white, 0, 480).empty()) << c.y << " " << c.margin;
        EXPECT_TRUE(boxOf(grey, 0, 480).empty()) << c.y << " " << c.margin;
    }
}

// 300 lines of 24 KiB: the page keeps 256, each cut before a character, and
// run.log says so once for it; a page within the bounds says nothing.
TEST_F(MessageTest, APageKeepsItsBoundsAndSaysOnceWhatItLost) {
    start(
        "local s = '\xe6\x97\xa5' for i = 1, 13 do s = s .. s end for i = 1, 300 do MSG(s) end PF() "
        "MSG('short') PF() for i = 1, 257 do MSG('y') end PF()");
    step();
    const std::vector<std::string>& lines = adv::messageWindow().messages;
    ASSERT_EQ(lines.size(), adv::maxPageLinesKept);
    EXPECT_EQ(lines.back().size(), 16383u);
    auto reports = [] {
        const std::string log = testsupport::readFile("run.log");
        std::size_t count = 0;
        for (std::size_t at = 0; (at = log.find("MSG: a page keeps", at)) != std::string::npos; ++at) ++count;
        return count;
    };
    EXPECT_EQ(reports(), 1u);
    testsupport::tapKey(SDLK_RETURN);
    step();
    EXPECT_EQ(reports(), 1u);
    testsupport::tapKey(SDLK_RETURN);
    step();
    EXPECT_EQ(adv::messageWindow().messages.size(), adv::maxPageLinesKept);
    EXPECT_EQ(reports(), 2u);
}
