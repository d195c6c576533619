// The program entry: settings, window, font, the one script runner and the
// frame loop. Every end of the game, the normal ones included, arrives here as
// an exception; its text goes to the log and the platform is shut down.
#include <exception>
#include <memory>

#include "adv/engine.h"
#include "adv/luarunner.h"
#include "config/sysinfo.h"
#include "orba/orba.h"

namespace {

constexpr int screenWidth = 640;
constexpr int screenHeight = 480;
constexpr std::uint32_t framePeriodMs = 1000 / adv::framesPerSecond;

[[noreturn]] void run() {
    loadSettings();
    Orba_init(System::CAPTION, screenWidth, screenHeight, false);
    Orba_openFont("MSGOTHIC24", System::FONT_SIZE, System::FONT);
    const auto runner = std::make_unique<LuaRunner>();
    runner->loadFile("start.lua");
    for (;;) {
        Orba_fillRect(0, 0, 0, 0, 0, 0, 0);
        runner->update();
        runner->draw();
        Orba_flip();
        Orba_update(framePeriodMs);
    }
}

} // namespace

int main() {
    try {
        run();
    } catch (const std::exception& e) {
        Orba_logException(e);
    }
    Orba_quit();
    return 0;
}
