#include "adv/framestep.h"

#include "adv/luarunner.h"
#include "orba/orba.h"

namespace adv {

void runFrame(LuaRunner& runner, std::uint32_t periodMs) {
    Orba_update(periodMs);
    Orba_fillRect(0, 0, 0, 0, 0, 0, 0);
    runner.update();
    runner.draw();
    Orba_flip();
}

} // namespace adv
