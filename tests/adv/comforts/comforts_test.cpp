// The player's comforts through their keys: save and load, the autosave,
// damaged and outdated saves, skipping, auto mode and the history's jump back.
#include <SDL_mixer.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "adv/comforts/comforts.h"
#include "adv/comforts/gamemenu.h"
#include "adv/comforts/historyscreen.h"
#include "adv/comforts/preferences.h"
#include "adv/comforts/savefile.h"
#include "adv/comforts/slotscreen.h"
#include "adv/game_fixture.h"
#include "orba/display.h"
#include "orba/thumbnail.h"

using namespace advtest;
namespace fs = std::filesystem;

namespace {

// Everything a loaded moment must bring back.
struct Moment {
    adv::RunnerState state;
    std::vector<std::string> messages, choices;
    std::array<std::int32_t, adv::flagCount> flags;
    std::int32_t choiceResult;
    std::string directory, background, music;
    std::array<std::string, adv::characterSlots> characters;
    bool operator==(const Moment&) const = default;
};

void PrintTo(const Moment& m, std::ostream* out) {
    *out << "state " << static_cast<int>(m.state) << ", lines";
    for (const std::string& line : m.messages) *out << " '" << line << "'";
    *out << ", flags 1-3 " << m.flags[1] << " " << m.flags[2] << " " << m.flags[3] << ", result "
         << m.choiceResult << ", folder " << m.directory << ", background " << m.background << ", music "
         << m.music << ", right " << m.characters[2] << ", choices " << m.choices.size();
}

// The choices stay after a pick, but show only while choosing.
std::vector<std::string> shownChoices() {
    return adv::course().state == adv::RunnerState::Choosing ? adv::choiceMenu().choices
                                                             : std::vector<std::string>{};
}

Moment now() {
    return {adv::course().state,
            adv::messageWindow().messages,
            shownChoices(),
            adv::flagState().flags,
            adv::flagState().choiceResult,
            adv::scriptDirectory(),
            adv::stage().background,
            adv::music(),
            adv::stage().characters};
}

// One scene per kind of wait and command that a replay must pass through.
constexpr const char* chapter =
    "DRB('bg.bmp') DRC('c.bmp', 2) BGM('m.wav') SETF(1, 5) MSG('one') PF()\n"
    "MSG('two') PF()\n"
    "SELECT('x', 'y', 'z')\n"
    "SETF(2, RET()) WAIT(1) DRB('bg2.bmp', 1) MSG('three %F2') PF()\n"
    "MAP('m.fmf') EXIT()\n";

class ComfortsTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        testsupport::writeSolidBMP("resource/level/ch/bg.bmp", 640, 480, 0x336699);
        testsupport::writeSolidBMP("resource/level/ch/bg2.bmp", 640, 480, 0x993366);
        testsupport::writeSolidBMP("resource/level/ch/c.bmp", 40, 80, 0xFFFF00);
        testsupport::writeWAV("resource/sound/m.wav", 2000);
        writeScript("ch/a.lua", chapter);
        std::vector<std::uint8_t> cells(40 * 30, 0);
        cells[0] = 5;  // the top left cell leads to 05.lua
        writeMap("ch/m.fmf", 40, 30, cells);
        writeScript("ch/05.lua", "MSG('after map') PF() SETF(3, GETF(1) + 1) MSG('end') PF()");
    }

    void tap(int key, int frames = 1) {
        testsupport::tapKey(key);
        step(frames);
    }
    void confirm() { tap(SDLK_RETURN); }
    static void rightClick() {
        testsupport::pushMouseButton(SDL_BUTTON_RIGHT, true);
        testsupport::pushMouseButton(SDL_BUTTON_RIGHT, false);
    }
    // Frames until the state is `state` (at most `limit`); the count.
    int stepUntil(adv::RunnerState state, int limit = 200) {
        for (int f = 1; f <= limit; ++f) {
            step();
            if (adv::course().state == state) return f;
        }
        return 0;
    }
    void startChapter() {
        start("DIRECTORY('ch') LOAD('a.lua')");
        stepUntil(adv::RunnerState::WaitPage);
    }
    void saveInto(int downs) {
        tap(SDLK_F2, 2);  // the screen opens after one more frame without the marks
        for (int i = 0; i < downs; ++i) tap(SDLK_DOWN);
        confirm();
    }
    // From the load screen's top row, the autosave, down to the slot.
    void loadFrom(int slot) {
        tap(SDLK_F3);
        for (int row = 0; row < adv::SlotScreen::maxSlots; ++row) tap(SDLK_UP);
        for (int row = 0; row < slot; ++row) tap(SDLK_DOWN);
        confirm();
        step();
    }
    // The chapter up to its third page, picking the third choice.
    void playToThirdPage() {
        startChapter();
        confirm();
        confirm();
        tap(SDLK_DOWN);
        tap(SDLK_DOWN);
        confirm();
        stepUntil(adv::RunnerState::WaitPage);
        step(20);  // the fade ends
    }
    void restart() {
        runner.reset();
        makeRunner();
        startChapter();
    }
};

TEST_F(ComfortsTest, LoadingBringsBackEachSavedMomentExactly) {
    playToThirdPage();
    ASSERT_EQ(adv::messageWindow().messages, std::vector<std::string>{"three 2"});
    const Moment third = now();
    saveInto(0);
    EXPECT_TRUE(fs::exists("save/slot1.sav") && fs::exists("save/slot1.bmp"));
    EXPECT_EQ(now(), third);  // saving changes nothing

    confirm();
    testsupport::moveMouse(3, 3);
    testsupport::click();
    stepUntil(adv::RunnerState::WaitPage);  // after the map pick, in 05.lua
    const Moment afterMap = now();
    saveInto(1);

    restart();
    loadFrom(1);
    EXPECT_EQ(now(), third);
    loadFrom(2);
    EXPECT_EQ(now(), afterMap);
    confirm();
    EXPECT_EQ(adv::flagState().flags[3], 6);  // the script goes on as if it never stopped
    EXPECT_EQ(adv::messageWindow().messages, std::vector<std::string>{"end"});
}

TEST_F(ComfortsTest, AutosaveAtAScriptChangeOnlyAndLoadableFromItsSlot) {
    start("MSG('first') PF() DIRECTORY('ch') LOAD('a.lua')");
    step(3);
    EXPECT_FALSE(fs::exists("save")) << "the first script is no script change";
    confirm();  // LOAD: a.lua starts in the next frame, and its first page is saved in the one after
    step(2);
    EXPECT_TRUE(fs::exists("save/auto.sav") && fs::exists("save/auto.bmp"));
    const Moment first = now();
    confirm();
    restart();
    confirm();
    loadFrom(0);
    EXPECT_EQ(now(), first);
}

TEST_F(ComfortsTest, DamagedOrOutdatedSavesLoadNothingTheyCannotTrust) {
    startChapter();
    confirm();  // page "two"
    saveInto(0);
    const Moment two = now();
    for (const char* damage : {"", "garbage\n", "save 99\n"}) {
        testsupport::writeFile("save/slot2.sav", damage);
        loadFrom(2);
        EXPECT_EQ(now(), two) << damage;
        tap(SDLK_F3);  // closes the screen
    }
    writeScript("ch/a.lua", std::string("MSG('changed') PF() ") + chapter);
    loadFrom(1);  // the question, with Yes chosen
    EXPECT_EQ(now(), two);
    confirm();
    step();
    EXPECT_EQ(adv::messageWindow().messages, std::vector<std::string>{"changed"});
}

// A FIFO or a device in place of a save's parts is neither waited for nor
// read: such a save loads nothing, such a thumbnail is left out.
TEST_F(ComfortsTest, SavePartsThatAreNotRegularFilesAreNotWaitedFor) {
    startChapter();
    saveInto(0);  // slot 1, page "one"
    const Moment one = now();
    confirm();
    const Moment two = now();
    const std::vector<std::string> a = testsupport::makeSpecialFiles(".a", "save/");
    const std::vector<std::string> b = testsupport::makeSpecialFiles(".b", "save/");
    if (a.empty()) GTEST_SKIP() << testsupport::noSpecialFiles;
    fs::rename(a[0], "save/slot1.bmp");
    fs::rename(a[1], "save/auto.bmp");
    fs::rename(b[0], "save/slot2.sav");
    fs::rename(b[1], "save/slot3.sav");
    for (const int slot : {2, 3}) {
        loadFrom(slot);
        EXPECT_EQ(now(), two) << slot;
        tap(SDLK_F3);  // closes the screen
    }
    loadFrom(1);
    EXPECT_EQ(now(), one);
}

TEST_F(ComfortsTest, ASaveWhoseScriptIsGoneLoadsNothingAndTheGameGoesOn) {
    startChapter();
    confirm();  // page "two"
    saveInto(0);
    const Moment two = now();
    fs::remove("resource/level/ch/a.lua");
    loadFrom(1);
    confirm();  // Yes, were it taken for a changed script
    EXPECT_EQ(now(), two);
    tap(SDLK_F3);  // closes the screen
    confirm();
    EXPECT_EQ(adv::course().state, adv::RunnerState::Choosing);
}

// A picture, music or map gone from the game, whether the save's scene start
// names it or its script reads it on the way to the moment: the load changes
// nothing and the game goes on.
TEST_F(ComfortsTest, ASaveWhoseFilesAreGoneLoadsNothingAndTheGameGoesOn) {
    struct Case {
        bool afterMap;  // saved in 05.lua, whose start names them all; else on a.lua's second page
        const char* gone;
    };
    for (const Case& c : {Case{false, "resource/level/ch/bg.bmp"}, Case{false, "resource/sound/m.wav"},
                          Case{true, "resource/level/ch/c.bmp"}, Case{true, "resource/level/ch/m.fmf"}}) {
        runner.reset();
        makeRunner();
        if (c.afterMap) {
            playToThirdPage();
            confirm();
            testsupport::moveMouse(3, 3);
            testsupport::click();
            stepUntil(adv::RunnerState::WaitPage);
        } else {
            startChapter();
            confirm();
        }
        saveInto(0);
        confirm();  // on from the saved moment
        const Moment before = now();
        const std::string away = std::string(c.gone) + ".away";
#ifdef _WIN32
        if (std::string_view(c.gone).ends_with(".wav")) continue;  // the music playing holds it open there
#endif
        fs::rename(c.gone, away);
        loadFrom(1);
        confirm();  // Yes, were it taken for a changed script
        EXPECT_EQ(now(), before) << c.gone;
        tap(SDLK_F3);  // closes the screen
        EXPECT_FALSE(adv::comfortScreenOpen()) << c.gone;
        fs::rename(away, c.gone);
    }
}

// Three pages as full as a page can be: the history keeps what a save can hold.
TEST_F(ComfortsTest, TheAutosaveOfFullPagesIsWritten) {
    start(
        "local s = 'h' for i = 1, 14 do s = s .. s end for p = 1, 3 do for i = 1, 300 do MSG(s) end PF() "
        "end");
    step();
    confirm();
    confirm();
    adv::autosaveAtQuit();
    EXPECT_TRUE(fs::exists("save/auto.sav"));
}

TEST_F(ComfortsTest, SkipPassesReadPagesAndStopsAtUnreadOnesAndChoices) {
    start("for i = 1, 2 do MSG('same') PF() end MSG('new') PF() SELECT('a', 'b') MSG('after') PF()");
    testsupport::pushKey(SDLK_LCTRL, true);
    step(5);
    EXPECT_EQ(adv::messageWindow().messages, std::vector<std::string>{"same"});
    EXPECT_TRUE(adv::course().decisions.empty()) << "the first page was never read";
    confirm();
    step(5);
    EXPECT_EQ(adv::messageWindow().messages, std::vector<std::string>{"new"});
    tap(SDLK_TAB, 5);  // skip all pages
    EXPECT_EQ(adv::course().state, adv::RunnerState::Choosing);
    testsupport::pushKey(SDLK_LCTRL, false);
}

TEST_F(ComfortsTest, AutoModeTurnsAPageAfterItsTime) {
    start("MSG('abc') PF() MSG('next') PF()");
    step();  // the page shows from frame 1 on
    tap(SDLK_a);
    int frame = 2;
    while (adv::messageWindow().messages != std::vector<std::string>{"next"} && frame < 100) {
        step();
        ++frame;
    }
    EXPECT_EQ(frame, 49) << "1.5 s and 3 characters of 30 ms: 48 frames of waiting";
}

TEST_F(ComfortsTest, HistoryShowsPagesInOrderAndJumpsBackWithTheirState) {
    start("SETF(1, 1) MSG('p1') PF() SETF(1, 2) MSG('p2') PF() SETF(1, 3) MSG('p3') PF()");
    step(2);
    confirm();
    confirm();
    ASSERT_EQ(adv::flagState().flags[1], 3);
    const adv::HistoryScreen shown({{"p1"}, {"p2"}, {"p3"}});
    const std::vector<adv::HistoryScreen::Placed> placed = shown.layout();
    ASSERT_EQ(placed.size(), 3u);
    EXPECT_EQ(placed.front().page, 2) << "the newest page at the bottom";
    tap(SDLK_PAGEUP);
    const adv::screen::Box first = placed.back().box;
    clickAt(first.x + first.w / 2, first.y + first.h / 2);
    step();
    EXPECT_EQ(adv::messageWindow().messages, std::vector<std::string>{"p1"});
    EXPECT_EQ(adv::flagState().flags[1], 1);
    confirm();
    EXPECT_EQ(adv::flagState().flags[1], 2);
}

}  // namespace

namespace {

// Escape, held for a few frames, closes each screen and leaves the game
// running; in the game it quits, and the close button quits from a screen.
TEST_F(ComfortsTest, EscapeClosesEachScreenAndQuitsOnlyTheGame) {
    startChapter();
    for (const int key : {SDLK_F2, SDLK_F3, SDLK_PAGEUP, SDLK_F1, SDLK_UNKNOWN}) {
        SCOPED_TRACE(key);
        if (key == SDLK_UNKNOWN) {
            rightClick();  // the game menu
            step(3);
        } else {
            tap(key, 3);
        }
        ASSERT_TRUE(adv::comfortScreenOpen());
        testsupport::pushKey(SDLK_ESCAPE, true);
        EXPECT_EQ(testsupport::errorText([&] { step(3); }), "(no error)");
        testsupport::pushKey(SDLK_ESCAPE, false);
        EXPECT_FALSE(adv::comfortScreenOpen());
    }
    EXPECT_EQ(adv::messageWindow().messages, std::vector<std::string>{"one"});
    testsupport::tapKey(SDLK_ESCAPE);
    EXPECT_EQ(testsupport::errorText([&] { step(); }), orbaQuitMessage);
}

// The menu keeps the game's frame for a save made through it and for the
// autosave of its Quit.
TEST_F(ComfortsTest, TheGameMenuLeadsToTheSaveScreenAndQuits) {
    startChapter();
    step(30);  // the fade ends
    ASSERT_TRUE(Orba_saveThumbnail("game.bmp"));
    rightClick();
    step(2);
    confirm();  // Save
    confirm();  // into slot 1
    EXPECT_FALSE(adv::comfortScreenOpen());
    EXPECT_EQ(testsupport::readFile("save/slot1.bmp"), testsupport::readFile("game.bmp"));
    rightClick();
    step(2);
    const adv::screen::Box quit = adv::GameMenu::itemBox(5, 6);
    testsupport::moveMouse(quit.x + 5, quit.y + 5);
    testsupport::click();
    EXPECT_EQ(testsupport::errorText([&] { step(); }), orbaQuitMessage);
    adv::autosaveAtQuit();
    EXPECT_EQ(testsupport::readFile("save/auto.bmp"), testsupport::readFile("game.bmp"));
}

TEST_F(ComfortsTest, TheCloseButtonQuitsFromAScreen) {
    startChapter();
    tap(SDLK_F3, 3);
    testsupport::pushQuit();
    EXPECT_EQ(testsupport::errorText([&] { step(); }), orbaQuitMessage);
}

// The load screen opens on the newest save by its time stamp, the autosave
// included, and of two made in the same minute on the one written last.
TEST_F(ComfortsTest, TheLoadScreenOpensOnTheNewestSave) {
    playToThirdPage();  // the chapter's start wrote the autosave: page "one"
    saveInto(4);        // slot 5: page "three 2"
    loadFrom(0);
    confirm();
    saveInto(1);  // slot 2: page "two"
    // A time stamp, and the file's time as seconds after a common one (an hour
    // ago: file clocks start in other years on other systems).
    const fs::file_time_type common = fs::file_time_type::clock::now() - std::chrono::hours(1);
    const auto stamp = [&common](const std::string& path, const std::string& savedAt, int written) {
        adv::SaveFile save = *adv::readSaveFile(path).save;
        save.savedAt = savedAt;
        ASSERT_TRUE(adv::writeSaveFile(path, save));
        fs::last_write_time(path, common + std::chrono::seconds(written));
    };
    struct Case {
        const char *autoAt, *slot2At, *slot5At;
        std::string loaded;
    };
    const Case cases[] = {
        {"2026-05-01 10:00", "2026-03-01 09:00", "2026-02-01 10:00", "one"},
        {"2026-01-01 10:00", "2026-03-01 09:00", "2026-02-01 10:00", "two"},
        {"2026-01-01 10:00", "2026-03-01 09:00", "2026-12-01 10:00", "three 2"},
        {"2026-01-01 10:00", "damaged", "2026-01-01 10:00", "three 2"},  // slot 5 written last
    };
    for (const Case& c : cases) {
        stamp("save/auto.sav", c.autoAt, 0);
        stamp("save/slot2.sav", c.slot2At, 1);
        stamp("save/slot5.sav", c.slot5At, 2);
        tap(SDLK_F3);
        confirm();
        step();
        EXPECT_EQ(adv::messageWindow().messages, std::vector<std::string>{c.loaded}) << c.autoAt;
    }
}

// The lines a choice came with are a page of the history, the pick below
// them; a choice without lines adds its pick below the page before.
TEST_F(ComfortsTest, TheHistoryShowsEachChoicePickedBelowThePageThatAskedIt) {
    start(
        "MSG('Left or right?') SELECT('left', 'right') MSG('Up?') PF() SELECT('up', 'down') MSG('end') PF()");
    step();
    tap(SDLK_DOWN);  // the pointer follows to the second row, where the next choice is picked too
    confirm();
    confirm();
    confirm();
    const std::vector<adv::HistoryLines> expected = {
        {"Left or right?", "\xC2\xBB right"}, {"Up?", "\xC2\xBB down"}, {"end"}};
    std::vector<adv::HistoryLines> shown;
    adv::autosaveAtQuit();
    const adv::SaveParse autosave = adv::readSaveFile("save/auto.sav");
    for (const adv::HistoryPage& page : autosave.save->history) shown.push_back(page.lines);
    EXPECT_EQ(shown, expected);
}

// A quit while a screen is open autosaves the game's frame, not the screen;
// a screen closed without saving leaves no picture behind.
TEST_F(ComfortsTest, TheAutosaveAtAQuitShowsTheGameBehindAnOpenScreen) {
    startChapter();
    step(30);  // the fade ends
    ASSERT_TRUE(Orba_saveThumbnail("game.bmp"));
    for (const int key : {SDLK_F2, SDLK_F3, SDLK_PAGEUP}) {
        SCOPED_TRACE(key);
        tap(key, 3);
        fs::remove("save/auto.bmp");
        adv::autosaveAtQuit();
        EXPECT_EQ(testsupport::readFile("save/auto.bmp"), testsupport::readFile("game.bmp"));
        tap(key == SDLK_PAGEUP ? SDLK_PAGEDOWN : key, 2);
        EXPECT_FALSE(fs::exists("save/pending.bmp"));
    }
}

TEST_F(ComfortsTest, SaveAskedDuringAWaitOpensAtTheNextPageAndAFolderItCannotWriteIsNoHarm) {
    testsupport::writeFile("save", "a file where the folder would be");
    start("WAIT(1) MSG('p') PF() MSG('q') PF()");
    tap(SDLK_F2);
    EXPECT_EQ(adv::course().state, adv::RunnerState::Running) << "the WAIT goes on";
    stepUntil(adv::RunnerState::WaitPage);
    step(2);    // the screen is open now
    confirm();  // saving fails: the screen says so and stays
    EXPECT_EQ(adv::messageWindow().messages, std::vector<std::string>{"p"});
    tap(SDLK_F2);  // closes it
    confirm();
    EXPECT_EQ(adv::messageWindow().messages, std::vector<std::string>{"q"});
    EXPECT_TRUE(fs::is_regular_file("save"));
}

}  // namespace

namespace {

// What the frames of a wait change on the stage.
auto stageTimers() {
    const adv::StageState& s = adv::stage();
    return std::tuple(s.background, s.backgroundFadeTimer, s.eraseTimer, s.flashTimer, s.shakeAmplitude,
                      s.shakeHold);
}

// The stage part of the frame, above the message window.
std::vector<std::uint32_t> stagePixels() {
    std::vector<std::uint32_t> samples;
    for (int y = 0; y < 300; y += 6)
        for (int x = 0; x < 640; x += 6) samples.push_back(testsupport::pixel(x, y));
    return samples;
}

// Each script runs between two pages three ways: played, skipped with Ctrl
// (the same clock as the next page is reached and later), and saved on that
// page and loaded (the same stage once the page's own effects have run out).
TEST_F(ComfortsTest, SkippedAndReplayedWaitsLeaveTheStageAsPlayed) {
    testsupport::writeSolidBMP("resource/level/a.bmp", 640, 480, 0x336699);
    testsupport::writeSolidBMP("resource/level/b.bmp", 640, 480, 0x993366);
    for (const char* between : {
             "ERB(1) WAIT(1) DRB('b.bmp', 1)",  // the erase ends within the wait
             "ERB(1) WAIT(0) DRB('a.bmp', 1)",  // it does not: a.bmp still shows, and the erase ends black
             "ERB(2) WAIT(0) DRB('b.bmp', 2) WAIT(0)",
             "DRB('b.bmp', 1) WAIT(0) ERB(1) WAIT(1) DRB('a.bmp', 1) WAIT(0)",
             "FLASH('RED', 30) WAIT(1)",
             "SHAKE(8, 40) WAIT(1) FLASH('BLUE', 2)",
             "SHAKE(30, 0) WAIT(0) DRB('b.bmp', 1)",
         }) {
        SCOPED_TRACE(between);
        fs::remove_all("save");  // no page counts as read
        auto toSecondPage = [&](bool skipping) {
            runner.reset();
            makeRunner();
            start(std::string("DRB('a.bmp') MSG('one') PF() ") + between + " MSG('two') PF()");
            stepUntil(adv::RunnerState::WaitPage);
            testsupport::pushKey(SDLK_LCTRL, skipping);
            confirm();
            stepUntil(adv::RunnerState::WaitPage);  // skipping stops at the unread page
            const auto arrived = std::tuple(stageTimers(), adv::course().frameCounter);
            testsupport::pushKey(SDLK_LCTRL, false);
            step(60);
            return std::tuple(arrived, stageTimers(), stagePixels());
        };
        const auto played = toSecondPage(false);
        EXPECT_EQ(toSecondPage(true), played);
        saveInto(0);
        loadFrom(1);
        step(60);
        EXPECT_EQ(std::tuple(stageTimers(), stagePixels()),
                  std::tuple(std::get<1>(played), std::get<2>(played)));
    }
}

}  // namespace

namespace {

// The message row's pixels, where the page's text shows.
std::vector<std::uint32_t> textPixels() {
    std::vector<std::uint32_t> row;
    for (int y = 310; y < 340; y += 2)
        for (int x = 20; x < 300; x += 2) row.push_back(testsupport::pixel(x, y));
    return row;
}

// At 30 characters a second a page shows a letter more each frame: a confirm
// shows the rest at once and the next one turns the page, skipping shows it
// whole, auto mode counts its time from the whole page, and a loaded page
// shows whole.
TEST_F(ComfortsTest, PagesTypeAtTheTextSpeedAndAConfirmShowsThemWhole) {
    constexpr const char* script = "MSG('abcdef') PF() MSG('next') PF()";
    start(script);
    step();
    const std::vector<std::uint32_t> whole = textPixels();
    System::TEXT_SPEED = 30;
    adv::loadPreferences();
    adv::applyPreferences();
    // The frame that turns the page (0: it still waits at frame 99).
    const auto turnedAt = [&](const std::function<void()>& atFrame3) {
        runner.reset();
        makeRunner();
        start(script);
        step(3);  // the page shows since frame 1: two letters
        EXPECT_TRUE(adv::pageTyping());
        EXPECT_NE(textPixels(), whole);
        atFrame3();
        for (int frame = 4; frame < 100; ++frame) {
            step();
            if (adv::messageWindow().messages != std::vector<std::string>{"abcdef"}) return frame;
        }
        return 0;
    };
    EXPECT_EQ(turnedAt([] {}), 0);
    EXPECT_EQ(textPixels(), whole);
    const auto shownWhole = [&] {
        EXPECT_FALSE(adv::pageTyping());
        EXPECT_EQ(textPixels(), whole);
    };
    EXPECT_EQ(turnedAt([&] {
                  confirm();
                  shownWhole();
              }),
              0);
    confirm();
    EXPECT_EQ(adv::messageWindow().messages, std::vector<std::string>{"next"});
    EXPECT_EQ(turnedAt([&] {
                  testsupport::pushKey(SDLK_LCTRL, true);
                  step();
                  testsupport::pushKey(SDLK_LCTRL, false);
                  step();
                  shownWhole();  // and stays whole
              }),
              0);
    EXPECT_EQ(turnedAt([&] { tap(SDLK_a, 0); }), 1 + 6 + 51) << "1.5 s and 6 letters of 30 ms after typing";
    EXPECT_EQ(turnedAt([&] {
                  saveInto(0);  // while the page types
                  loadFrom(1);
                  shownWhole();  // a moment brought back does not type again
              }),
              0);
}

// Nothing is written until a preference changes; a change is kept when the
// screen closes, or the screen says why not and closes at the next Escape.
TEST_F(ComfortsTest, ChangedPreferencesAreKeptAndAFolderThatCannotBeWrittenIsNoHarm) {
    startChapter();
    tap(SDLK_F1);
    tap(SDLK_ESCAPE);
    EXPECT_FALSE(fs::exists(adv::preferencesPath));
    tap(SDLK_F1);
    tap(SDLK_LEFT);  // the music's volume
    EXPECT_EQ(Mix_VolumeMusic(-1), MIX_MAX_VOLUME * 9 / 10) << "heard at once";
    tap(SDLK_ESCAPE);
    EXPECT_EQ(adv::loadPreferences().musicVolume, 90);
    tap(SDLK_F1);
    tap(SDLK_LEFT);
    adv::autosaveAtQuit();  // the window closed with the screen open
    EXPECT_EQ(adv::loadPreferences().musicVolume, 80);

    fs::remove_all("save");
    testsupport::writeFile("save", "a file where the folder would be");
    tap(SDLK_F1);
    tap(SDLK_LEFT);
    tap(SDLK_ESCAPE);
    EXPECT_TRUE(adv::comfortScreenOpen()) << "to say why";
    tap(SDLK_ESCAPE);
    EXPECT_FALSE(adv::comfortScreenOpen());
    confirm();
    EXPECT_EQ(adv::messageWindow().messages, std::vector<std::string>{"two"});
}

TEST_F(ComfortsTest, AnUnusableFileIsOneLineInTheLogAndNoFileNone) {
    const std::string logged = testsupport::readFile("run.log");
    adv::loadPreferences();
    adv::applyPreferences();
    EXPECT_EQ(testsupport::readFile("run.log"), logged);
    testsupport::writeFile(adv::preferencesPath, "preferences 9\n");
    adv::loadPreferences();
    adv::applyPreferences();
    adv::applyPreferences();
    EXPECT_EQ(
        testsupport::readFile("run.log"),
        logged + "save/preferences.txt is written by a newer version: the default preferences are used\n");
}

}  // namespace

// game.ini read again with another WINDOW_SCALE (developer mode): the window
// takes it unless the preferences file or this play chose a scale.
TEST_F(ComfortsTest, ANewAuthorsWindowScaleYieldsToThePlayersChoice) {
    struct Case {
        int fileScale;  // 0: no preferences file
        bool chosenNow;
        int expected;
    };
    startChapter();
    for (const Case& c : {Case{0, false, 3}, Case{2, false, 2}, Case{0, true, 2}}) {
        fs::remove(adv::preferencesPath);
        if (c.fileScale) adv::writePreferences(adv::preferencesPath, {.windowScale = c.fileScale});
        System::WINDOW_SCALE = 1;
        adv::loadPreferences();
        adv::applyPreferences();
        if (c.chosenNow) {
            tap(SDLK_F1);
            for (int row = 0; row < 5; ++row) tap(SDLK_DOWN);
            tap(SDLK_RIGHT);  // the window size row, left open
        }
        System::WINDOW_SCALE = 3;
        adv::authorDefaultsChanged();
        EXPECT_EQ(Orba_getWindowScale(), c.expected) << c.fileScale << c.chosenNow;
    }
}
