#include "adv/showahead.h"

#include <algorithm>
#include <optional>

#include "adv/engine.h"
#include "adv/luarunner.h"
#include "adv/nextchange.h"
#include "orba/orba.h"

namespace adv {

namespace {

// A minute of frames at most is drawn ahead.
constexpr std::uint64_t aheadFrames = 30 * 60;

// The counters that passing frames moves, put back when this goes.
class CountersKept {
public:
    CountersKept() : frame_(course().frameCounter), page_(messageWindow().messageCounter) {}
    ~CountersKept() {
        course().frameCounter = frame_;
        messageWindow().messageCounter = page_;
    }
    CountersKept(const CountersKept&) = delete;
    CountersKept& operator=(const CountersKept&) = delete;

private:
    std::uint32_t frame_, page_;
};

void draw(LuaRunner& runner) {
    Orba_fillRect(0, 0, 0, 0, 0, 0, 0);
    runner.draw();
}

// Draws the changes from frame `first` on, each from the counters as passing
// the frames before it leaves them, until one is not kept or the next
// change is not only a picture. Returns the frame after the last one kept.
std::uint64_t drawChangesAhead(LuaRunner& runner, std::uint64_t first, std::uint32_t periodMs) {
    const CountersKept kept;
    std::uint64_t frame = first, passed = 0;
    while (frame < aheadFrames) {
        passUnseenFrames(static_cast<std::uint32_t>(frame - passed));
        passed = frame;
        draw(runner);
        if (!Orba_flipAhead(static_cast<std::uint32_t>(frame), periodMs)) return frame;
        const std::optional<std::uint32_t> next = framesUntilChange(runner);
        if (!next) return frame + 1;  // the frames after it are not quiet
        if (*next == orbaNeverChanges) return orbaNeverChanges;
        frame += *next;
        if (!onlyPicturesChange()) break;
    }
    return frame;
}

}  // namespace

std::uint32_t showChangesAhead(LuaRunner& runner, std::uint32_t firstChange, std::uint32_t periodMs) {
    if (firstChange == orbaNeverChanges || !onlyPicturesChange() || !Orba_canShowAhead()) return firstChange;
    const std::uint64_t left = drawChangesAhead(runner, firstChange, periodMs);
    draw(runner);  // the frame of now again, which the window shows
    Orba_flipUnshown();
    if (!Orba_showAhead()) return firstChange;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(left, orbaNeverChanges));
}

}  // namespace adv
