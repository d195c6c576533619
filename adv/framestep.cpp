#include "adv/framestep.h"

#include <optional>

#include "adv/luarunner.h"
#include "adv/nextchange.h"
#include "adv/showahead.h"
#include "orba/orba.h"

namespace adv {

namespace {

void stepAndDraw(LuaRunner& runner, const std::function<void()>& overlay) {
    Orba_fillRect(0, 0, 0, 0, 0, 0, 0);
    runner.update();
    runner.draw();
    if (overlay) overlay();
    Orba_flip();
}

}  // namespace

void runFrame(LuaRunner& runner, std::uint32_t periodMs, const std::function<void()>& overlay) {
    Orba_update(periodMs);
    stepAndDraw(runner, overlay);
}

std::uint32_t runFrameSkippingQuiet(LuaRunner& runner, std::uint32_t periodMs) {
    const std::optional<std::uint32_t> change = framesUntilChange(runner);
    if (!change) {
        runFrame(runner, periodMs);
        return 1;
    }
    const std::uint32_t unseen = Orba_updateWaiting(periodMs, showChangesAhead(runner, *change, periodMs));
    passUnseenFrames(unseen);
    stepAndDraw(runner, {});
    return unseen + 1;
}

}  // namespace adv
