// The frame loop that leaves out quiet frames against the plain one: the
// same input at the same moments gives the same run.log, the same frame
// counter in every frame run and the same picture in every frame, while the
// quiet loop runs far fewer frames and answers a press at once. The same
// holds when the changes to come are handed to the window system ahead, to
// show at their times: the window then shows them between the frames run.
#include <SDL.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "adv/engine.h"
#include "adv/framestep.h"
#include "game_fixture.h"
#include "orba/orba_testing.h"

namespace {

using advtest::GameTest;
using testsupport::moveMouse;
using testsupport::tapKey;

constexpr std::uint32_t periodMs = 33;
constexpr std::uint64_t startMs = 1000;  // the timeline clock's start, and the first frame's time

struct Input {
    std::uint64_t ms;  // after the first frame
    std::function<void()> act;
    bool answeredAtOnce = false;  // a press the quiet loop answers in a frame at its very millisecond
};

struct Scenario {
    const char* name;
    const char* script;
    std::int32_t pageFeedTimer;
    std::vector<Input> timeline;
    std::uint64_t endMs;
    int maxQuietFrames;      // the quiet loop runs at most this many frames
    int textSpeed = 0;       // characters a second; 0: pages show whole
    bool showsAhead = true;  // the animated icon or a pulse is handed to the window system ahead
};
void PrintTo(const Scenario& s, std::ostream* out) { *out << s.name; }

void leftClick() { testsupport::click(); }
void clickAt(int x, int y) {
    moveMouse(x, y);
    testsupport::click();
}

// Every script ends waiting: a script that has ended runs its frames as ever.
const char* const pages =
    "PRINT('one') MSG('one') PF() PRINT('two') MSG('two') PF()\n"
    "PRINT('three') MSG('three') PF() PRINT('four') MSG('four') PF()\n"
    "PRINT('five') MSG('five') PF() MSG('end') PF() PF()";

const std::vector<Scenario> scenarios = {
    {"AnimatedPageFeed",
     pages,
     5,
     {{250, leftClick, true},
      {400, [] { moveMouse(300, 200); }},
      {620, [] { tapKey(SDLK_RETURN); }, true},
      {900, leftClick, true},
      {905, leftClick},  // a second press in the same period waits for the next
      {1500, [] { tapKey(SDLK_z); }, true}},
     2500,
     20},
    {"StillPageFeed",
     pages,
     0,
     {{250, leftClick, true}, {400, [] { moveMouse(300, 200); }}, {3000, leftClick, true}},
     6000,
     4,
     0,
     false},
    {"AutoModeTurnsThePage",
     "MSG('one') PF() PRINT('turned') MSG('two, longer') PF() PRINT('turned again') MAP('m.fmf') EXIT()",
     0,
     {{100, [] { tapKey(SDLK_a); }, true}},
     6000,
     4,
     0,
     false},
    {"ChoiceFollowsThePointer",
     "MSG('pick') SELECT('left', 'right') PRINT('picked ' .. RET()) MSG('after') PF() PF()",
     5,
     {{300, [] { moveMouse(300, 170); }}, {1000, leftClick, true}, {1400, leftClick, true}},
     2000,
     40},
    {"MapPickMovesOverItsCells",
     "MAP('m.fmf') EXIT()",
     5,
     {{300, [] { moveMouse(8, 8); }},
      {700, [] { moveMouse(300, 300); }},
      {1300, [] { moveMouse(8, 8); }},
      {1700, [] { clickAt(8, 8); }, true},
      {2200, leftClick, true}},
     3000,
     40},
    {"EffectsPlayDuringAPage",
     "DRB('day.bmp', 1) FLASH('YELLOW', 3) SHAKE(6, 4) MSG('one') PF() WAIT(1) PRINT('waited')\n"
     "ERB(2) MSG('two') PF() PRINT('three') MSG('three') PF() PF()",
     5,
     {{200, leftClick}, {2000, leftClick, true}, {2300, leftClick, true}},
     2800,
     62},
    {"PagesTypeLetterByLetter",
     "MSG('one, two, three') PF() MSG('four') PF() PF()",
     5,
     {{100, leftClick, true}, {600, leftClick, true}, {1500, leftClick, true}},
     2500,
     40,
     20},
    {"SaveScreenStandsTheGameStill",
     pages,
     5,
     {{300, [] { tapKey(SDLK_F2); }, true}, {1200, [] { tapKey(SDLK_F2); }, true}, {1600, leftClick, true}},
     2400,
     15},
};

enum class Loop { Plain, Quiet, Ahead };

// What one run showed: the picture of every frame by its number (a frame
// not run shows the one before, with what was shown ahead for it), the
// frame counter of each frame run and when it ran, and run.log.
struct Played {
    std::vector<std::size_t> pictures;
    std::map<std::size_t, std::uint32_t> counters;
    std::vector<std::uint64_t> framesAtMs;
    std::string log;
    std::size_t shownAhead = 0;  // rectangles the window system was handed
};

// The window: the screen as the last frame run left it, and the rectangles
// handed over ahead, each shown from its frame on until a frame runs.
class Window {
public:
    void frameRun() {
        const SDL_Surface* screen = Orba_testScreen();
        pixels_.assign(static_cast<const std::uint8_t*>(screen->pixels),
                       static_cast<const std::uint8_t*>(screen->pixels) +
                           static_cast<std::size_t>(screen->pitch) * static_cast<std::size_t>(screen->h));
        ahead_.clear();
    }
    void takeAhead(std::uint64_t dueMs, const SDL_Rect& area, const std::vector<std::uint8_t>& rows) {
        ahead_.push_back({(dueMs - startMs) / periodMs, area, rows});
    }
    std::size_t pictureAt(std::size_t frame) {
        const SDL_Surface* screen = Orba_testScreen();
        const std::size_t bytesPerPixel = screen->format->BytesPerPixel;
        for (const Ahead& a : ahead_) {
            if (a.frame > frame) continue;
            const std::size_t rowBytes = a.area.w * bytesPerPixel;
            for (int y = 0; y < a.area.h; ++y)
                std::copy_n(a.rows.begin() + static_cast<std::ptrdiff_t>(y * rowBytes), rowBytes,
                            pixels_.begin() + (a.area.y + y) * screen->pitch +
                                static_cast<std::ptrdiff_t>(a.area.x * bytesPerPixel));
        }
        return std::hash<std::string_view>()(
            std::string_view(reinterpret_cast<const char*>(pixels_.data()), pixels_.size()));
    }

private:
    struct Ahead {
        std::size_t frame;
        SDL_Rect area;
        std::vector<std::uint8_t> rows;
    };
    std::vector<std::uint8_t> pixels_;
    std::vector<Ahead> ahead_;
};

class QuietFrames : public GameTest, public ::testing::WithParamInterface<Scenario> {
protected:
    void SetUp() override {
        System::AUTO = System::SAVE = 1;
        GameTest::SetUp();
        System::PF_TIMER = GetParam().pageFeedTimer;
        testsupport::writeSolidBMP("resource/level/day.bmp", 640, 480, 0x336699);
        std::vector<std::uint8_t> cells(40 * 30, 0);
        cells[0] = 5;  // the top left cell leads to 05.lua
        advtest::writeMap("m.fmf", 40, 30, cells);
        writeScript("05.lua", "PRINT('picked') MSG('after the map') PF() PF()");
    }

    Played play(Loop loop) {
        const Scenario& scenario = GetParam();
        std::vector<TimedInput> timeline;
        for (const Input& input : scenario.timeline) timeline.emplace_back(startMs + input.ms, input.act);
        Orba_testUseTimeline(std::move(timeline), startMs + scenario.endMs);
        Played run;
        Window window;
        if (loop == Loop::Ahead)
            Orba_testShowAheadInto(
                [&](std::uint64_t dueMs, const SDL_Rect& area, const std::vector<std::uint8_t>& rows) {
                    window.takeAhead(dueMs, area, rows);
                    ++run.shownAhead;
                });
        adv::playback().textSpeed = scenario.textSpeed;
        start(scenario.script);
        adv::runFrame(*runner, 0);
        record(run, window, 0);
        const std::string ended = testsupport::errorText([&] {
            for (std::size_t number = 0;;) {
                std::uint32_t passed = 1;
                if (loop != Loop::Plain)
                    passed = adv::runFrameSkippingQuiet(*runner, periodMs);
                else
                    adv::runFrame(*runner, periodMs);
                for (std::uint32_t unseen = 1; unseen < passed; ++unseen)
                    run.pictures.push_back(window.pictureAt(number + unseen));
                number += passed;
                record(run, window, number);
            }
        });
        EXPECT_EQ(orbaTimelineEnded, ended);
        Orba_testShowAheadInto(nullptr);
        // Up to the end, the window shows the last frame run and what was shown ahead.
        for (std::size_t frame = run.pictures.size(); frame <= scenario.endMs / periodMs; ++frame)
            run.pictures.push_back(window.pictureAt(frame));
        run.log = testsupport::readFile("run.log");
        return run;
    }

    void restart() {
        runner.reset();
        Orba_quit();
        testsupport::initWindow();
        Orba_openFont("MSGOTHIC24", System::FONT_SIZE, System::FONT);
        moveMouse(630, 10);
    }

private:
    static void record(Played& run, Window& window, std::size_t number) {
        window.frameRun();
        run.pictures.push_back(window.pictureAt(number));
        run.counters[number] = adv::course().frameCounter;
        run.framesAtMs.push_back(Orba_testClockMs() - startMs);
    }
};

void expectSameFrames(const Played& plain, const Played& other) {
    EXPECT_EQ(plain.log, other.log);
    ASSERT_EQ(plain.pictures.size(), other.pictures.size());
    for (std::size_t i = 0; i < plain.pictures.size(); ++i) {
        if (plain.pictures[i] != other.pictures[i])
            ADD_FAILURE() << "frame " << i << " shows another picture";
        if (other.counters.count(i)) {
            EXPECT_EQ(plain.counters.at(i), other.counters.at(i)) << "frame " << i;
        }
    }
}

void expectPressesAnsweredAtOnce(const Scenario& scenario, const Played& run) {
    for (const Input& input : scenario.timeline) {
        if (!input.answeredAtOnce) continue;
        EXPECT_EQ(1, std::count(run.framesAtMs.begin(), run.framesAtMs.end(), input.ms))
            << "no frame at " << input.ms << " ms";
    }
}

TEST_P(QuietFrames, ShowTheSameFramesAsThePlainLoop) {
    const Played plain = play(Loop::Plain);
    restart();
    const Played quiet = play(Loop::Quiet);
    expectSameFrames(plain, quiet);
    EXPECT_LE(quiet.framesAtMs.size(), static_cast<std::size_t>(GetParam().maxQuietFrames));
    expectPressesAnsweredAtOnce(GetParam(), quiet);
    restart();
    const Played ahead = play(Loop::Ahead);
    expectSameFrames(plain, ahead);
    EXPECT_LE(ahead.framesAtMs.size(), quiet.framesAtMs.size());
    expectPressesAnsweredAtOnce(GetParam(), ahead);
    EXPECT_EQ(GetParam().showsAhead, ahead.shownAhead > 0) << ahead.shownAhead << " shown ahead";
}

INSTANTIATE_TEST_SUITE_P(Scenarios, QuietFrames, ::testing::ValuesIn(scenarios),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
