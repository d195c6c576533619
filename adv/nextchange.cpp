#include "adv/nextchange.h"

#include <algorithm>

#include "adv/comforts/comforts.h"
#include "adv/engine.h"
#include "adv/luarunner.h"
#include "config/sysinfo.h"
#include "orba/orba.h"

namespace adv {

namespace {

constexpr std::uint64_t never = orbaNeverChanges;

// Frames until a counter wraps round to 0, which may change what it drives.
std::uint64_t untilWrap(std::uint32_t counter) { return (std::uint64_t{1} << 32) - counter; }

// The page-feed icon shows cell counter % (timer * cells) / timer.
std::uint64_t untilPageFeedMoves(std::uint32_t counter, int cells) {
    const std::int64_t timer = System::PF_TIMER;
    if (timer < 1 || cells < 2) return never;  // always cell 0
    const auto period = static_cast<std::uint64_t>(timer);
    return std::min(period - counter % period, untilWrap(counter));
}

std::uint64_t untilAutoTurnsPage(std::uint32_t counter) {
    const std::optional<std::int64_t> frames = autoPageFrames();
    if (!frames) return never;
    return *frames > counter ? static_cast<std::uint64_t>(*frames - counter) : 1;
}

std::uint64_t untilHighlightPulses(std::uint32_t frameCounter) {
    const ChoiceState& menu = choiceMenu();
    if (menu.choiceCursor < 0 || static_cast<std::size_t>(menu.choiceCursor) >= menu.choices.size())
        return never;
    const int lift = highlightLift(frameCounter);
    for (std::uint32_t k = 1; k <= highlightPulseFrames; ++k)
        if (highlightLift(frameCounter + k) != lift) return k;
    return never;
}

bool stagePlays() {
    const StageState& e = stage();
    return e.backgroundFadeTimer > 0 || e.eraseTimer > 0 || e.flashTimer > 0 || e.shakeAmplitude > 0;
}

}  // namespace

std::optional<std::uint32_t> framesUntilChange(const LuaRunner& runner) {
    if (comfortsActing() || playback().quiet()) return std::nullopt;
    if (comfortScreenOpen()) return orbaNeverChanges;
    if (stagePlays()) return std::nullopt;
    const CourseState& c = course();
    std::uint64_t frames = never;
    switch (c.state) {
    case RunnerState::Running: return std::nullopt;
    case RunnerState::WaitPage: {
        if (pageTyping()) return 1;  // the next letters show
        const std::uint32_t waited = messageWindow().messageCounter;
        frames = std::min(untilPageFeedMoves(waited, runner.pageIconFrames), untilAutoTurnsPage(waited));
        break;
    }
    case RunnerState::Choosing: frames = untilHighlightPulses(c.frameCounter); break;
    case RunnerState::MapPick: frames = pointerOverMapScript() ? 1 : never; break;
    }
    return static_cast<std::uint32_t>(std::min(frames, never));
}

bool onlyPicturesChange() {
    if (comfortsActing() || playback().quiet() || comfortScreenOpen() || stagePlays()) return false;
    switch (course().state) {
    case RunnerState::WaitPage: return !pageTyping() && !autoPageFrames();
    case RunnerState::Choosing: return true;
    default: return false;  // a running script, a map under the pointer
    }
}

void passUnseenFrames(std::uint32_t frames) {
    if (frames == 0 || comfortScreenOpen()) return;  // a screen's frames leave the game's step out
    CourseState& c = course();
    c.frameCounter += frames;
    if (c.state == RunnerState::WaitPage) messageWindow().messageCounter += frames;
}

}  // namespace adv
