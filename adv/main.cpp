// The program entry: settings, window, font, the one script runner and the
// frame loop. Every end of the game, the normal ones included, arrives here as
// an exception; its text goes to the log and the platform is shut down. With
// --dev the frames run in developer mode, which shows errors instead.
#include <exception>
#include <memory>
#include <string>
#include <string_view>

// On Windows SDL.h renames main to SDL_main, which SDL's own WinMain calls
// with the command line split into arguments; elsewhere it changes nothing.
#include <SDL.h>
#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include "adv/comforts/comforts.h"
#include "adv/comforts/preferences.h"
#include "adv/commands.h"
#include "adv/devmode.h"
#include "adv/framestep.h"
#include "adv/luarunner.h"
#include "adv/screen.h"
#include "config/sysinfo.h"
#include "gamefiles/gamepaths.h"
#include "orba/orba.h"

#ifdef __EMSCRIPTEN__
// The page's line under the last frame (web/index.html).
EM_JS(void, showEndOnPage, (const char* line), {
    if (Module['onGameEnded']) Module['onGameEnded'](UTF8ToString(line));
});
#endif

namespace {

constexpr std::uint32_t framePeriodMs = 1000 / adv::framesPerSecond;

[[noreturn]] void runDeveloperMode() {
    adv::DevMode dev([] { return std::make_unique<LuaRunner>(); });
    dev.start();
    dev.frame(0);
    for (;;) dev.frame(framePeriodMs);
}

[[noreturn]] void run(bool developerMode) {
    loadSettings();
    const adv::Preferences& prefs = adv::loadPreferences();
    Orba_init(System::CAPTION, adv::screenWidth, adv::screenHeight, prefs.fullScreen, prefs.windowScale);
    adv::applyPreferences();
    Orba_openFont("MSGOTHIC24", System::FONT_SIZE, System::FONT);
    if (developerMode) runDeveloperMode();
    const auto runner = std::make_unique<LuaRunner>();
    runner->loadFile(gamepaths::firstScript);
    // The first frame comes at once; each later one a frame period after it,
    // except where the game waits for the player and nothing would change.
    adv::runFrame(*runner, 0);
    for (;;) adv::runFrameSkippingQuiet(*runner, framePeriodMs);
}

// 0 for the ends that the game or the player chose (END, Escape, the close
// button, SIGTERM), 1 for every failure, so that a launcher can tell them apart.
int exitStatus(const std::exception& e) {
    const std::string_view text = e.what();
    return text == adv::gameEndMessage || text == orbaQuitMessage ? 0 : 1;
}

// Developer mode is asked for by --dev; other arguments have no effect, as
// launchers of a game may pass their own.
bool developerModeAsked(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "--dev") return true;
    return false;
}

// The page keeps the last frame after the end; a line beside it says why.
void tellPageOfEnd([[maybe_unused]] int status, [[maybe_unused]] const std::string& text) {
#ifdef __EMSCRIPTEN__
    showEndOnPage(status == 0 ? "The game has ended" : text.c_str());
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
    int status = 0;
    std::string endText;
    try {
        run(developerModeAsked(argc, argv));
    } catch (const std::exception& e) {
        Orba_logException(e);
        status = exitStatus(e);
        endText = e.what();
        if (std::string_view(e.what()) == orbaQuitMessage) adv::autosaveAtQuit();
    }
    Orba_quit();
    tellPageOfEnd(status, endText);
    return status;
}
