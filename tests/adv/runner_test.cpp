// The script runner: when a script runs, waits and goes on; script loads; the
// map pick; flags; what a new script keeps from the previous one.
#include "game_fixture.h"

using namespace advtest;
using testsupport::pixel;
using Strings = std::vector<std::string>;

namespace {

struct WaitCase {
    const char* seconds;
    int idleUpdates;  // updates after the WAIT frame that only count down
};
void PrintTo(const WaitCase& c, std::ostream* out) { *out << "WAIT(" << c.seconds << ")"; }

class RunnerTest : public GameTest {};
class WaitTest : public GameTest, public ::testing::WithParamInterface<WaitCase> {};

}  // namespace

TEST_P(WaitTest, ResumesOnlyAfterTheCountDown) {
    start(std::string("note('a') WAIT(") + GetParam().seconds + ") note('b')");
    step();
    ASSERT_EQ(notes(), Strings{"a"});
    step(GetParam().idleUpdates);
    EXPECT_EQ(notes(), Strings{"a"});
    step();
    EXPECT_EQ(notes(), (Strings{"a", "b"}));
}

INSTANTIATE_TEST_SUITE_P(Seconds, WaitTest,
                         ::testing::Values(WaitCase{"2", 60}, WaitCase{"1.9", 30}, WaitCase{"0.99", 0},
                                           WaitCase{"0", 0}, WaitCase{"-3", 0}));

TEST_F(RunnerTest, PageFeedResumesTheScriptInTheSameFrame) {
    start("MSG('one') PF() note('after') MSG('two') PF()");
    step();
    ASSERT_EQ(adv::course().state, adv::RunnerState::WaitPage);
    step(3);  // no input: the script waits, the page-feed clock runs
    EXPECT_TRUE(notes().empty());
    EXPECT_EQ(adv::messageWindow().messageCounter, 3u);
    EXPECT_EQ(adv::course().frameCounter, 4u);

    clickAt(10, 10);
    EXPECT_EQ(notes(), Strings{"after"});
    EXPECT_EQ(adv::messageWindow().messages, Strings{"two"});  // only the lines added since the page feed
    EXPECT_EQ(adv::course().state, adv::RunnerState::WaitPage);
    EXPECT_EQ(adv::messageWindow().messageCounter, 0u);
    EXPECT_EQ(adv::course().frameCounter, 6u);  // update ran twice in this frame
    EXPECT_EQ(pixel(5, 305), msgwinColour);     // and the new page is already drawn
}

TEST_F(RunnerTest, EveryConfirmInputEndsAPageWait) {
    const std::vector<std::function<void()>> inputs = {
        [] { testsupport::tapKey(SDLK_z); }, [] { testsupport::tapKey(SDLK_RETURN); },
        [] { testsupport::tapKey(SDLK_SPACE); }, [] { testsupport::click(); }};
    start("PF() note('1') PF() note('2') PF() note('3') PF() note('4') PF()");
    step();
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        inputs[i]();
        step();
        EXPECT_EQ(notes().size(), i + 1);
    }
    testsupport::tapKey(SDLK_x);  // not a confirm key
    step();
    EXPECT_EQ(notes().size(), inputs.size());
}

TEST_F(RunnerTest, LoadOfAMissingScriptNamesTheScriptFolder) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"LOAD('nope.lua')", "Not exist : resource/level/nope.lua"},
        {"DIRECTORY('ch2') LOAD('nope.lua')", "Not exist : resource/level/ch2/nope.lua"},
    };
    for (const auto& [script, text] : cases) {
        start(script);
        try {
            step();
            ADD_FAILURE() << "no error for " << script;
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), text);
        }
        adv::scriptDirectory() = "resource/level/";
    }
}

TEST_F(RunnerTest, LoadWithAnEmptyNameGoesOnInTheNextFrame) {
    start("note('a') LOAD('') note('b')");
    step();
    EXPECT_EQ(notes(), Strings{"a"});
    step();
    EXPECT_EQ(notes(), (Strings{"a", "b"}));
}

TEST_F(RunnerTest, LoadReplacesTheScriptInTheSameUpdate) {
    writeScript("next.lua", "note('next') note(x)");
    start("x = 1 note('first') LOAD('next.lua') note('never')");
    step();
    EXPECT_EQ(notes(), Strings{"first"});
    EXPECT_EQ(adv::course().state, adv::RunnerState::Running);
    step(3);
    EXPECT_EQ(notes(), (Strings{"first", "next", "nil"}));  // globals did not survive
}

TEST_F(RunnerTest, DirectoryMovesScriptsButNotTheInterfacePictures) {
    writeScript("ch2/a.lua", "note('ch2') MSG('x') PF()");
    start("DIRECTORY('ch2') LOAD('a.lua')");
    step(2);
    EXPECT_EQ(notes(), Strings{"ch2"});
    EXPECT_EQ(adv::scriptDirectory(), "resource/level/ch2/");
    EXPECT_EQ(pixel(5, 305), msgwinColour);  // msgwin still the one of resource/level/
}

TEST_F(RunnerTest, ScriptErrorsStopTheScriptQuietly) {
    start("note('a') undefinedFunction() note('b')");
    step(5);
    EXPECT_EQ(notes(), Strings{"a"});
    EXPECT_EQ(adv::course().state, adv::RunnerState::Running);
    start("note('done')");  // a finished script: later resumes do nothing
    step(5);
    EXPECT_EQ(notes(), (Strings{"a", "done"}));
}

TEST_F(RunnerTest, CommandErrorsLeaveUpdate) {
    start("MSG(5)");
    try {
        step();
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "MSG(): Invalid parameter type. expected 1 to STRING type");
    }
}

TEST_F(RunnerTest, FlagsSurviveScriptLoadsAndIgnoreBadIndices) {
    writeScript("b.lua", "note(GETF(3)) SETF(200, 1) note(GETF(200)) note(GETF(-1))");
    start("SETF(3, 9) LOAD('b.lua')");
    step(2);
    EXPECT_EQ(notes(), (Strings{"9", "0", "0"}));
    EXPECT_EQ(adv::getFlag(3), 9);
}

TEST_F(RunnerTest, ANewScriptKeepsTheStageAndClearsMessagesFlashAndWait) {
    testsupport::writeSolidBMP("resource/level/bg.bmp", 640, 480, 0x204060);
    testsupport::writeSolidBMP("resource/level/ch.bmp", 20, 20, 0x604020);
    writeScript("b.lua", "note('b')");
    start("DRB('bg.bmp') DRC('ch.bmp', 0) SHAKE(10, 20) FLASH('RED', 5) MSG('gone') LOAD('b.lua')");
    step();
    EXPECT_TRUE(adv::messageWindow().messages.empty());
    EXPECT_EQ(adv::stage().flashTimer, 0);
    EXPECT_EQ(adv::course().waitFrames, 0);
    EXPECT_EQ(adv::stage().background, "bg.bmp");
    EXPECT_EQ(adv::stage().characters[0], "ch.bmp");
    EXPECT_GT(adv::stage().shakeAmplitude, 0);
    EXPECT_EQ(pixel(320, 50), 0x204060u);
    EXPECT_EQ(pixel(100, 200), 0x604020u);
}

// --- the map pick ---

namespace {

class MapPickTest : public GameTest {
protected:
    // A 3 x 1 map: the cells at x 0-15, 16-31 and 32-47 hold 0, 17 and 7.
    void startPick() {
        writeMap("m.fmf", 3, 1, {0, 17, 7});
        writeScript("07.lua", "note('seven')");
        start("MAP('m.fmf') EXIT() note('never')");
        step();
        ASSERT_EQ(adv::course().state, adv::RunnerState::MapPick);
    }
};

}  // namespace

TEST_F(MapPickTest, ClicksOutsideTheNumberedCellsDoNothing) {
    startPick();
    for (auto [x, y] : {std::pair{5, 5}, {20, 5}, {100, 100}, {5, 16}}) {
        clickAt(x, y);
        EXPECT_EQ(adv::course().state, adv::RunnerState::MapPick) << x << "," << y;
    }
    step(3);
    EXPECT_TRUE(notes().empty());
}

TEST_F(MapPickTest, AClickOnCellSevenLoads07) {
    startPick();
    adv::setFlag(5, 55);
    clickAt(40, 10);
    EXPECT_EQ(adv::course().state, adv::RunnerState::Running);
    EXPECT_EQ(adv::course().frameCounter, 0u);  // a fresh script
    step();
    EXPECT_EQ(notes(), Strings{"seven"});
    EXPECT_EQ(adv::getFlag(5), 55);
}

TEST_F(MapPickTest, KeysPickTheCellUnderThePointer) {
    startPick();
    testsupport::moveMouse(40, 10);
    testsupport::tapKey(SDLK_RETURN);
    step(2);
    EXPECT_EQ(notes(), Strings{"seven"});
}

TEST_F(MapPickTest, FeedbackOverANumberedCell) {
    startPick();
    testsupport::moveMouse(40, 8);
    for (std::uint32_t frame = 2; frame <= 34; ++frame) {
        step();
        ASSERT_EQ(adv::course().frameCounter, frame);
        const bool hot = frame % 16 < 8;
        EXPECT_EQ(pixel(40, 8), hot ? cursorHot : cursorNormal) << frame;
        const int half = frame % 18 + 8;  // the first of the three squares
        EXPECT_EQ(pixel(40 + half, 8 + 6), 0xFF0000u) << frame;
    }
}

TEST_F(MapPickTest, NoFeedbackOutsideTheNumberedCells) {
    startPick();
    testsupport::moveMouse(20, 8);  // value 17
    for (int i = 0; i < 16; ++i) {
        step();
        EXPECT_EQ(pixel(20, 8), cursorNormal);
        for (int half = 8; half <= 25; ++half) EXPECT_EQ(pixel(20 + half, 8), black);
    }
}

TEST_F(MapPickTest, WithoutASecondLayerOrAnyMapNothingIsPicked) {
    writeMap("one.fmf", 3, 1, {}, 1);
    writeScript("01.lua", "note('one')");
    for (const char* script : {"EXIT()", "MAP('one.fmf') EXIT()"}) {
        start(script);
        step();
        for (int i = 0; i < 3; ++i) clickAt(i * 16 + 4, 4);
        EXPECT_EQ(adv::course().state, adv::RunnerState::MapPick) << script;
        EXPECT_EQ(pixel(36, 4), cursorNormal);
    }
    EXPECT_TRUE(notes().empty());
}

TEST(MapValue, LooksUpLayerOneBySixteenPixelCells) {
    testsupport::TempDir dir;
    adv::resetEngineState();
    EXPECT_EQ(adv::mapValueAt(0, 0), -1);
    writeMap("m.fmf", 2, 2, {1, 2, 3, 4});
    adv::loadMap("m.fmf");
    const std::vector<std::tuple<int, int, int>> cases = {{0, 0, 1},  {15, 15, 1}, {16, 0, 2},  {31, 31, 4},
                                                          {0, 16, 3}, {32, 0, -1}, {0, 32, -1}, {-1, 0, -1}};
    for (auto [x, y, value] : cases) EXPECT_EQ(adv::mapValueAt(x, y), value) << x << "," << y;
}
