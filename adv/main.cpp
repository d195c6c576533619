// The program entry: settings, window, font, the one script runner and the
// frame loop. Every end of the game, the normal ones included, arrives here as
// an exception; its text goes to the log and the platform is shut down.
#include <exception>
#include <memory>
#include <string_view>

#include "adv/comforts.h"
#include "adv/commands.h"
#include "adv/framestep.h"
#include "adv/luarunner.h"
#include "adv/screen.h"
#include "config/sysinfo.h"
#include "gamefiles/gamepaths.h"
#include "orba/orba.h"

namespace {

constexpr std::uint32_t framePeriodMs = 1000 / adv::framesPerSecond;

[[noreturn]] void run() {
    loadSettings();
    Orba_init(System::CAPTION, adv::screenWidth, adv::screenHeight, false);
    Orba_openFont("MSGOTHIC24", System::FONT_SIZE, System::FONT);
    const auto runner = std::make_unique<LuaRunner>();
    runner->loadFile(gamepaths::firstScript);
    // The first frame comes at once; each later one a frame period after it.
    adv::runFrame(*runner, 0);
    for (;;) adv::runFrame(*runner, framePeriodMs);
}

// 0 for the ends that the game or the player chose (END, Escape, the close
// button, SIGTERM), 1 for every failure, so that a launcher can tell them apart.
int exitStatus(const std::exception& e) {
    const std::string_view text = e.what();
    return text == adv::gameEndMessage || text == orbaQuitMessage ? 0 : 1;
}

} // namespace

int main() {
    int status = 0;
    try {
        run();
    } catch (const std::exception& e) {
        Orba_logException(e);
        status = exitStatus(e);
        if (std::string_view(e.what()) == orbaQuitMessage) adv::autosaveAtQuit();
    }
    Orba_quit();
    return status;
}
