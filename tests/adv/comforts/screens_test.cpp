// The players' screens driven through pushed input with a real (dummy) window.
#include <SDL.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "adv/comforts/comfortmarks.h"
#include "adv/comforts/gamemenu.h"
#include "adv/comforts/historyscreen.h"
#include "adv/comforts/preferencesscreen.h"
#include "adv/comforts/slotscreen.h"
#include "orba/orba.h"
#include "orba/orba_testing.h"
#include "testsupport.h"

namespace {

using namespace adv;
using testsupport::tapKey;
using Input = std::function<void()>;
using Slot = SlotScreenAction;
using History = HistoryAction;

constexpr const char* fontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr std::uint32_t thumbnailRed = 0xFF0000;
constexpr std::uint32_t magenta = 0xFF00FF;

void rightClick() {
    testsupport::pushMouseButton(SDL_BUTTON_RIGHT, true);
    testsupport::pushMouseButton(SDL_BUTTON_RIGHT, false);
}
void wheel(int button) {
    testsupport::pushMouseButton(button, true);
    testsupport::pushMouseButton(button, false);
}
Input key(int sym) {
    return [sym] { tapKey(sym); };
}
Input clickAt(int x, int y) {
    return [x, y] {
        testsupport::moveMouse(x, y);
        testsupport::click();
    };
}
Input clickOn(const screen::Box& box) { return clickAt(box.x + box.w / 2, box.y + box.h / 2); }

class ScreensTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::initWindow();
        Orba_setEscapeQuits(false);  // as while the comforts show a screen
        Orba_openFont("font", 24, fontPath);
        testsupport::moveMouse(5, 475);  // on no row, panel or page
        Orba_update(0);
    }
    void TearDown() override { Orba_quit(); }

    // One frame with the given input; the screen's answer.
    template <class Screen>
    static auto frame(
        Screen& screen, const Input& input = [] {}) {
        input();
        Orba_update(0);
        return screen.update();
    }

    // Slot 1 to 9, filled but for slot 4; loading adds a filled autosave slot first.
    static std::vector<SlotSummary> slots(SlotScreenMode mode, std::string firstLine = "The lake at dusk.") {
        std::vector<SlotSummary> list;
        if (mode == SlotScreenMode::Load) list.push_back({"Auto", false, "", "2024-05-01 20:00", firstLine});
        for (int i = 1; i <= 9; ++i)
            list.push_back({std::to_string(i), i == 4, i == 1 ? "thumb" : "",
                            "2024-05-01 21:0" + std::to_string(i), firstLine});
        return list;
    }

    testsupport::TempDir dir;
};

TEST_F(ScreensTest, KeysMoveTheSelectionFromSlotOneAndConfirmActsOnIt) {
    struct Case {
        SlotScreenMode mode;
        std::vector<int> moves;
        int confirmKey;
        Slot expected;
    };
    const Slot::Kind act = Slot::Kind::Act;
    const Case cases[] = {
        {SlotScreenMode::Save, {}, SDLK_RETURN, {act, 0}},
        {SlotScreenMode::Save, {SDLK_DOWN, SDLK_DOWN}, SDLK_z, {act, 2}},
        {SlotScreenMode::Save, {SDLK_UP}, SDLK_SPACE, {act, 0}},
        {SlotScreenMode::Save,
         {SDLK_DOWN, SDLK_DOWN, SDLK_DOWN},
         SDLK_RETURN,
         {act, 3}},                                         // saving over an empty slot
        {SlotScreenMode::Load, {}, SDLK_RETURN, {act, 1}},  // slot 1, after the autosave slot
        {SlotScreenMode::Load, {SDLK_UP}, SDLK_RETURN, {act, 0}},
        {SlotScreenMode::Load, std::vector<int>(12, SDLK_DOWN), SDLK_RETURN, {act, 9}},
        {SlotScreenMode::Load,
         {SDLK_DOWN, SDLK_DOWN, SDLK_DOWN},
         SDLK_RETURN,
         {}},  // nothing to load from slot 4
    };
    for (const Case& c : cases) {
        SlotScreen screen(c.mode, slots(c.mode));
        for (int move : c.moves) EXPECT_EQ(Slot{}, frame(screen, key(move)));
        EXPECT_EQ(c.expected, frame(screen, key(c.confirmKey))) << c.moves.size();
    }
}

TEST_F(ScreensTest, ClicksActOnTheirSlotAndTheRightButtonEscapeOrTheScreensKeyCloses) {
    struct Case {
        SlotScreenMode mode;
        Input input;
        Slot expected;
    };
    const Slot close{Slot::Kind::Close};
    const Case cases[] = {
        {SlotScreenMode::Save, clickOn(SlotScreen::rowBox(5)), {Slot::Kind::Act, 5}},
        {SlotScreenMode::Load, clickOn(SlotScreen::rowBox(0)), {Slot::Kind::Act, 0}},
        {SlotScreenMode::Save, clickOn(SlotScreen::thumbnailBox()), {}},
        {SlotScreenMode::Save, rightClick, close},
        {SlotScreenMode::Load, rightClick, close},
        {SlotScreenMode::Save, key(SDLK_ESCAPE), close},
        {SlotScreenMode::Load, key(SDLK_ESCAPE), close},
        {SlotScreenMode::Save, key(SDLK_F2), close},
        {SlotScreenMode::Load, key(SDLK_F3), close},
        {SlotScreenMode::Save, key(SDLK_F3), {}},
        {SlotScreenMode::Load, key(SDLK_F2), {}},
    };
    for (const Case& c : cases) {
        SlotScreen screen(c.mode, slots(c.mode));
        EXPECT_EQ(c.expected, frame(screen, c.input));
    }
}

TEST_F(ScreensTest, ThePointerChoosesARowOnlyWhenItMoves) {
    SlotScreen screen(SlotScreenMode::Save, slots(SlotScreenMode::Save));
    const screen::Box row = SlotScreen::rowBox(5);
    frame(screen, [&] { testsupport::moveMouse(row.x + 10, row.y + 10); });
    EXPECT_EQ(5, screen.selected());
    frame(screen, key(SDLK_DOWN));
    frame(screen);
    EXPECT_EQ(6, screen.selected());
}

TEST_F(ScreensTest, AQuestionIsAnsweredByKeysOrClicks) {
    struct Case {
        std::vector<Input> inputs;
        Slot expected;
    };
    const Slot yes{Slot::Kind::Confirm, 3};
    const Case cases[] = {
        {{key(SDLK_RETURN)}, yes},
        {{key(SDLK_RIGHT), key(SDLK_z)}, {}},
        {{key(SDLK_RIGHT), key(SDLK_LEFT), key(SDLK_SPACE)}, yes},
        {{clickOn(SlotScreen::answerBox(true))}, yes},
        {{clickOn(SlotScreen::answerBox(false))}, {}},
        {{clickOn(SlotScreen::rowBox(0)), key(SDLK_RETURN)}, yes},  // the rows wait for the answer
        {{rightClick}, {}},
        {{key(SDLK_ESCAPE)}, {}},
    };
    for (const Case& c : cases) {
        SlotScreen screen(SlotScreenMode::Load, slots(SlotScreenMode::Load));
        screen.ask("the game has changed since this save; load the start of its scene?", 3);
        Slot last;
        for (const Input& input : c.inputs) last = frame(screen, input);
        EXPECT_EQ(c.expected, last);
        EXPECT_FALSE(screen.asking());
    }
}

TEST_F(ScreensTest, AFilledSlotShowsItsThumbnailAndEverythingStaysInsideTheWindow) {
    testsupport::writeSolidBMP("thumb.bmp", 160, 120, thumbnailRed);
    Orba_loadBMP("thumb", "thumb.bmp", -2, 0, 0);
    const std::string longText(400, 'w');
    SlotScreen screen(SlotScreenMode::Save, slots(SlotScreenMode::Save, longText + " " + longText), longText);
    const screen::Box thumbnail = SlotScreen::thumbnailBox();
    const auto shown = [&](const Input& input) {
        frame(screen, input);
        Orba_fillRect(0, 0, 0, 0, 255, 0, 255);  // the game's frame, which the screen must cover
        screen.draw();
        return testsupport::pixel(thumbnail.x + 80, thumbnail.y + 100);
    };
    EXPECT_EQ(thumbnailRed, shown([] {}));
    EXPECT_NE(thumbnailRed, shown(key(SDLK_DOWN)));  // slot 2 has no thumbnail
    shown([] {
        tapKey(SDLK_DOWN);
        tapKey(SDLK_DOWN);
    });
    const std::uint32_t backdrop = testsupport::pixel(639, 0);
    for (int y = 0; y < screen::windowHeight; y += 2) {
        for (int x = 0; x < screen::windowWidth; x += 2)
            ASSERT_NE(magenta, testsupport::pixel(x, y)) << x << "," << y;
        for (int x = 626; x < screen::windowWidth; ++x)
            ASSERT_EQ(backdrop, testsupport::pixel(x, y)) << x << "," << y;
    }
}

TEST_F(ScreensTest, TheAutosaveLabelStandsApartFromItsDate) {
    SlotScreen screen(SlotScreenMode::Load, slots(SlotScreenMode::Load));
    screen.draw();
    const screen::Box row = SlotScreen::rowBox(0);
    const std::uint32_t inside = testsupport::pixel(row.x + 3, row.y + 3);
    const auto inked = [&](int x) {
        for (int y = row.y + 2; y < row.y + row.h - 2; ++y)
            if (testsupport::pixel(x, y) != inside) return true;
        return false;
    };
    int labelStart = row.x + 2;
    while (!inked(labelStart)) ++labelStart;
    // The label ends where the first gap wider than any between letters begins.
    int x = labelStart, gap = 0;
    for (; x < row.x + row.w / 2 && gap < 10; ++x) gap = inked(x) ? 0 : gap + 1;
    ASSERT_EQ(10, gap) << "no gap between the label and the date";
    EXPECT_GE(x - gap - labelStart, Orba_getTextWidth("Auto"));  // whole, not cut short
}

TEST_F(ScreensTest, LongTextIsWrappedAtSpacesOrBetweenLettersAndCutWithAnEllipsis) {
    struct Case {
        std::string text;
        std::size_t maxLines;
        const char* separator;  // what the breaks took out; none when cut
        bool cut;
    };
    const std::string word(60, 'm');
    const Case cases[] = {
        {"short", 3, "", false},
        {"a lantern on the water, another by the reeds, a third far out on the lake", 10, " ", false},
        {word, 10, "", false},
        {word + " " + word, 2, nullptr, true},
        {"", 3, "", false},
    };
    for (const Case& c : cases) {
        const auto lines = screen::wrapText(c.text, 300, c.maxLines);
        ASSERT_LE(lines.size(), c.maxLines);
        const bool wide = Orba_getTextWidth(c.text) > 300;
        EXPECT_EQ(wide, lines.size() > 1) << c.text;
        std::string joined;
        for (const std::string& line : lines) {
            EXPECT_LE(Orba_getTextWidth(line), 300) << line;
            joined += (joined.empty() || !c.separator ? "" : c.separator) + line;
        }
        EXPECT_EQ(c.cut, joined.ends_with("\xE2\x80\xA6")) << c.text;
        if (!c.cut) {
            EXPECT_EQ(c.text, joined);
        }
    }
}

std::vector<HistoryLines> pages(int count, int lines = 3) {
    std::vector<HistoryLines> list;
    for (int i = 0; i < count; ++i)
        list.push_back(HistoryLines(static_cast<std::size_t>(lines), "page " + std::to_string(i)));
    return list;
}

TEST_F(ScreensTest, HistoryShowsTheNewestPagesAtTheBottomWithinTheWindow) {
    for (const auto& [count, lines] : std::vector<std::pair<int, int>>{{1, 1}, {30, 3}, {3, 60}}) {
        const HistoryScreen screen(pages(count, lines));
        const auto placed = screen.layout();
        ASSERT_FALSE(placed.empty());
        EXPECT_EQ(count - 1, placed.front().page);
        for (std::size_t i = 0; i < placed.size(); ++i) {
            EXPECT_GE(placed[i].box.y, 0);
            EXPECT_LE(placed[i].box.y + placed[i].box.h, screen::windowHeight);
            if (i > 0) {
                EXPECT_LT(placed[i].box.y + placed[i].box.h, placed[i - 1].box.y);
            }
        }
    }
}

TEST_F(ScreensTest, HistoryScrollsByPageAndCloses) {
    struct Case {
        std::vector<Input> inputs;
        int newestShown;
        History last;
    };
    const History close{History::Kind::Close};
    const Input up = key(SDLK_PAGEUP), down = key(SDLK_PAGEDOWN);
    const Input wheelUp = [] { wheel(SDL_BUTTON_WHEELUP); }, wheelDown = [] { wheel(SDL_BUTTON_WHEELDOWN); };
    const Case cases[] = {
        {{up, up, wheelUp}, 6, {}},
        {{up, up, down}, 8, {}},
        {{up, wheelDown}, 9, {}},
        {{up, down, down}, 9, close},
        {{wheelDown}, 9, close},
        {std::vector<Input>(15, up), 0, {}},
        {{up, key(SDLK_RETURN)}, 8, close},
        {{key(SDLK_SPACE)}, 9, close},
        {{key(SDLK_z)}, 9, close},
        {{rightClick}, 9, close},
        {{key(SDLK_ESCAPE)}, 9, close},
        {{clickAt(5, 475)}, 9, {}},
    };
    for (const Case& c : cases) {
        HistoryScreen screen(pages(10));
        History last;
        for (const Input& input : c.inputs) last = frame(screen, input);
        EXPECT_EQ(c.newestShown, screen.newestShown()) << c.inputs.size();
        EXPECT_EQ(c.last, last) << c.inputs.size();
    }
}

TEST_F(ScreensTest, AClickOnAnEarlierPageJumpsToItAndOnTheNewestCloses) {
    HistoryScreen screen(pages(10));
    frame(screen, key(SDLK_PAGEUP));
    const auto placed = screen.layout();
    ASSERT_GE(placed.size(), 3u);
    EXPECT_EQ((History{History::Kind::JumpTo, placed[2].page}), frame(screen, clickOn(placed[2].box)));
    frame(screen, key(SDLK_PAGEDOWN));
    EXPECT_EQ(History{History::Kind::Close}, frame(screen, clickOn(screen.layout().front().box)));
}

TEST_F(ScreensTest, TheGameMenuOffersTheScreensThatAreOn) {
    using enum MenuItem;
    EXPECT_EQ(menuItems(true, true), (std::vector{Save, Load, History, Preferences, Back, Quit}));
    EXPECT_EQ(menuItems(false, true), (std::vector{History, Preferences, Back, Quit}));
    EXPECT_EQ(menuItems(true, false), (std::vector{Save, Load, Preferences, Back, Quit}));
    EXPECT_EQ(menuItems(false, false), (std::vector{Preferences, Back, Quit}));
}

TEST_F(ScreensTest, TheGameMenuPicksByKeysPointerOrClicksAndCloses) {
    Orba_testAttachJoystick(2);
    using Menu = GameMenuAction;
    const Menu close{Menu::Kind::Close};
    const auto pick = [](MenuItem item) { return Menu{Menu::Kind::Pick, item}; };
    const auto item = [](int index) { return GameMenu::itemBox(index, 6); };
    const Input joyButton2 = [] {
        testsupport::pushJoyButton(1, true);
        testsupport::pushJoyButton(1, false);
    };
    struct Case {
        std::vector<Input> inputs;
        Menu last;
    };
    const Case cases[] = {
        {{key(SDLK_RETURN)}, pick(MenuItem::Save)},
        {{key(SDLK_UP), key(SDLK_DOWN), key(SDLK_z)}, pick(MenuItem::Load)},
        {{key(SDLK_DOWN), key(SDLK_DOWN), key(SDLK_DOWN), key(SDLK_SPACE)}, pick(MenuItem::Preferences)},
        {{key(SDLK_DOWN), key(SDLK_DOWN), key(SDLK_DOWN), key(SDLK_DOWN), key(SDLK_SPACE)}, close},  // Back
        {std::vector<Input>(7, key(SDLK_DOWN)), {}},
        {{clickOn(item(2))}, pick(MenuItem::History)},
        {{clickOn(item(5))}, pick(MenuItem::Quit)},
        {{[&] { testsupport::moveMouse(item(5).x + 5, item(5).y + 5); }, key(SDLK_RETURN)},
         pick(MenuItem::Quit)},
        {{clickAt(5, 5)}, {}},
        {{key(SDLK_ESCAPE)}, close},
        {{rightClick}, close},
        {{joyButton2}, close},
    };
    for (const Case& c : cases) {
        GameMenu menu(menuItems(true, true));
        Menu last;
        for (const Input& input : c.inputs) last = frame(menu, input);
        EXPECT_EQ(c.last, last) << &c - cases;
        testsupport::moveMouse(5, 475);
    }
}

TEST_F(ScreensTest, APreferenceStepsToItsNeighbourAndStaysAtItsEnds) {
    using enum PreferenceRow;
    struct Case {
        PreferenceRow row;
        Preferences from;
        int direction;
        Preferences expected;
    };
    const Case cases[] = {
        {MusicVolume, {.musicVolume = 100}, 1, {.musicVolume = 100}},
        {MusicVolume, {.musicVolume = 95}, -1, {.musicVolume = 90}},
        {TextSpeed, {.textSpeed = 25}, -1, {.textSpeed = 20}},
        {TextSpeed, {.textSpeed = 1000}, 1, {.textSpeed = 1000}},
        {AutoDelay, {.autoDelayMs = 1700}, 1, {.autoDelayMs = 2000}},
        {AutoDelay, {.autoDelayMs = 60000}, -1, {.autoDelayMs = 59500}},
        {Skip, {}, 0, {.skipAll = true}},
        {WindowScale, {.windowScale = 4}, 1, {.windowScale = 4}},
        {FullScreen, {.fullScreen = true}, -1, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(stepPreference(c.from, c.row, c.direction), c.expected) << &c - cases;
}

TEST_F(ScreensTest, ThePreferencesChangeByKeysOrClicksOnARowsHalvesAndClose) {
    Orba_testAttachJoystick(2);
    using Action = PreferencesAction;
    const Action changed{Action::Kind::Changed}, close{Action::Kind::Close};
    const auto halfAt = [](int index, bool right) {
        const screen::Box box = PreferencesScreen::rowBox(index);
        return clickAt(box.x + (right ? box.w - 10 : 10), box.y + box.h / 2);
    };
    const auto half = [&](PreferenceRow row, bool right) { return halfAt(static_cast<int>(row), right); };
    const std::vector<Input> threeDowns(3, key(SDLK_DOWN));
    const auto then = [](std::vector<Input> inputs, const Input& last) {
        inputs.push_back(last);
        return inputs;
    };
    struct Case {
        std::vector<Input> inputs;
        Action last;
        Preferences expected;
        std::vector<PreferenceRow> rows = preferenceRows(true, true);
    };
    const Case cases[] = {
        {{key(SDLK_RIGHT)}, {}, {}},  // the music at full volume already
        {{key(SDLK_LEFT)}, changed, {.musicVolume = 90}},
        {{key(SDLK_DOWN), key(SDLK_DOWN), key(SDLK_RIGHT)}, changed, {.textSpeed = 10}},
        {{half(PreferenceRow::SoundVolume, false)}, changed, {.soundVolume = 90}},
        {{half(PreferenceRow::WindowScale, true)}, changed, {.windowScale = 2}},
        {{half(PreferenceRow::Skip, false), key(SDLK_RETURN)}, changed, {.skipAll = true}},
        {std::vector<Input>(9, key(SDLK_DOWN)), {}, {}},
        {{half(PreferenceRow::Back, false)}, close, {}},
        {{key(SDLK_ESCAPE)}, close, {}},
        {{rightClick}, close, {}},
        {{[] {
             testsupport::pushJoyButton(1, true);
             testsupport::pushJoyButton(1, false);
         }},
         close,
         {}},
        // A game without auto mode or skipping leaves their rows out.
        {then(threeDowns, key(SDLK_RIGHT)), changed, {.windowScale = 2}, preferenceRows(false, false)},
        {{halfAt(4, true)}, changed, {.fullScreen = true}, preferenceRows(false, false)},
        {then(std::vector<Input>(9, key(SDLK_DOWN)), key(SDLK_RETURN)),
         close,
         {},
         preferenceRows(false, false)},
        {then(threeDowns, key(SDLK_RETURN)), changed, {.skipAll = true}, preferenceRows(false, true)},
        {then(threeDowns, key(SDLK_RIGHT)), changed, {.autoDelayMs = 2000}, preferenceRows(true, false)},
        {then(std::vector<Input>(4, key(SDLK_DOWN)), key(SDLK_RIGHT)),
         changed,
         {.windowScale = 2},
         preferenceRows(true, false)},
    };
    for (const Case& c : cases) {
        PreferencesScreen screen(Preferences{}, c.rows);
        Action last;
        for (const Input& input : c.inputs) last = frame(screen, input);
        EXPECT_EQ(c.last, last) << &c - cases;
        EXPECT_EQ(c.expected, screen.preferences()) << &c - cases;
        testsupport::moveMouse(5, 475);
    }
    PreferencesScreen atBack(Preferences{});
    for (int i = 0; i < 8; ++i) frame(atBack, key(SDLK_DOWN));
    EXPECT_EQ(close, frame(atBack, key(SDLK_RETURN)));
}

TEST_F(ScreensTest, MarksShowInTheTopRightCornerOnlyWhileOn) {
    const auto lit = [](bool autoMode, SkipMark skip) {
        Orba_fillRect(0, 0, 0, 0, 0, 0, 0);
        drawComfortMarks(autoMode, skip);
        int count = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 400; x < screen::windowWidth; ++x) count += testsupport::pixel(x, y) == 0xFFFFFF;
        return count;
    };
    EXPECT_EQ(0, lit(false, SkipMark::Off));
    const int autoOnly = lit(true, SkipMark::Off);
    EXPECT_GT(autoOnly, 0);
    EXPECT_GT(lit(true, SkipMark::ReadPages), autoOnly);
    EXPECT_GT(lit(false, SkipMark::AllPages), lit(false, SkipMark::ReadPages));
}

}  // namespace
