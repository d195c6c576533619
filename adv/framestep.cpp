#include "adv/framestep.h"

#include "adv/luarunner.h"
#include "orba/orba.h"

namespace adv {

void runFrame(LuaRunner& runner, std::uint32_t periodMs, const std::function<void()>& overlay) {
    Orba_update(periodMs);
    Orba_fillRect(0, 0, 0, 0, 0, 0, 0);
    runner.update();
    runner.draw();
    if (overlay) overlay();
    Orba_flip();
}

}  // namespace adv
