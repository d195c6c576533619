#include "adv/luarunner.h"

#include <algorithm>
#include <optional>
#include <string>

#include "adv/comforts/comforts.h"
#include "adv/commands.h"
#include "adv/helperfiles.h"
#include "config/sysinfo.h"
#include "gamefiles/gamefiles.h"
#include "gamefiles/gamepaths.h"
#include "orba/orba.h"

using namespace adv;

namespace {

// A script that runs this many instructions without yielding still answers
// Escape and the close button (the check itself only reads the clock until
// it is time to poll the window); slow instructions are checked one by one.
constexpr int quitCheckInstructions = 100;

}  // namespace

LuaRunner::LuaRunner() {
    resetEngineState();  // flags zeroed, no background, scripts from the level folder
    resetComforts();
    loadInterfacePictures();
    setInstructionWatch(Orba_checkQuit, quitCheckInstructions);
}

void LuaRunner::loadInterfacePictures() {
    Orba_loadBMP("pf", gamepaths::pageFeedPicture, 0, 255, 0);
    Orba_loadBMP("cursor", gamepaths::cursorPicture, 0, 255, 0);
    Orba_loadBMP("msgwin", gamepaths::messageWindowPicture, orbaNoKey, 0, 0);
    const int pfHeight = Orba_getHeight("pf");
    pageIconFrames = pfHeight > 0 ? Orba_getWidth("pf") / pfHeight : 0;
    pageIconSize = pfHeight;
    cursorSize = Orba_getHeight("cursor");
    Orba_setAlpha("msgwin", std::clamp(System::MSGWIN_ALPHA, 0, 255));
}

LuaRunner::~LuaRunner() { close(); }

void LuaRunner::loadFile(std::string_view file) { loadScript(scriptDirectory() + std::string(file)); }

void LuaRunner::loadScript(const std::string& path) {
    close();
    reset();
    if (!insideGameFolder(path)) throw Error("Not exist : " + path);  // as a missing script
    // The scene starts before its script is read, so that a script that
    // fails to load is still the one an author's fix brings back.
    sceneStarted(path, changingScript_);
    Lua::loadFile(path);
    registerHelperLoaders(*this);  // before the commands, so a command may take either name
    for (const Command& command : commandTable()) registerFunction(*command.name, command.function);
}

void LuaRunner::reset() { resetScriptState(); }

void LuaRunner::update() {
    if (updateComforts(*this)) return;
    step();
}

// A script that LOAD or a map pick asked for, as against the first one.
void LuaRunner::changeScript(const std::string& file) {
    // An Error from the load ends the game, so the flag needs no unwinding.
    changingScript_ = true;
    loadFile(file);
    changingScript_ = false;
}

// One frame of the course: a page feed or a pick lets the script go on within
// the same frame, so that step runs once more (not through the overridable
// update, which a subclass may have extended).
void LuaRunner::step() {
    CourseState& c = course();
    c.frameCounter += 1;
    stepBackgroundTimers();
    switch (c.state) {
    case RunnerState::Running:
        if (c.waitFrames > 0 && playback().skipping) {
            passFramesUndrawn(c.waitFrames);  // the wait's effects go on as if its frames were shown
            c.waitFrames = 0;
        }
        if (c.waitFrames > 0) {
            c.waitFrames -= 1;
            return;
        }
        resume();
        if (!c.pendingScript.empty())
            changeScript(std::string(c.pendingScript));
        else if (c.state != RunnerState::Running)
            waitReached();
        return;
    case RunnerState::WaitPage:
        if (!stepPageWait() && !pageGoesOnByItself()) return;
        c.decisions.push_back(pageConfirmed);
        break;
    case RunnerState::Choosing:
        if (!pickChoice()) return;
        c.decisions.push_back(flagState().choiceResult);
        choicePicked();
        break;
    case RunnerState::MapPick:
        if (const std::optional<std::string> script = pickedMapScript()) changeScript(*script);
        return;
    }
    clearMessages();
    c.state = RunnerState::Running;
    step();
}

void LuaRunner::draw() {
    if (drawComfortScreen()) {
        Orba_drawEx("cursor", Orba_getMouseX(), Orba_getMouseY(), 0, 0, cursorSize, cursorSize);
        return;
    }
    renderBackground();
    renderNextBackground();
    renderCharacters();
    bool hotCursor = false;
    switch (course().state) {
    case RunnerState::WaitPage:
        renderMessageWindow();
        if (!pageTyping()) drawPageFeed(pageIconFrames, pageIconSize);
        break;
    case RunnerState::Choosing:
        drawChoices();
        renderMessageWindow();
        break;
    case RunnerState::MapPick: hotCursor = drawMapPickFeedback(); break;
    case RunnerState::Running: break;
    }
    drawFlashOverlay();
    applyShakeOffset();
    drawModeMarks();
    Orba_drawEx("cursor", Orba_getMouseX(), Orba_getMouseY(), hotCursor ? cursorSize : 0, 0, cursorSize,
                cursorSize);
}

void LuaRunner::renderBackground() { renderStageBackground(); }
void LuaRunner::renderNextBackground() { renderStageNextBackground(); }
void LuaRunner::renderCharacters() { renderStageCharacters(); }
void LuaRunner::renderMessageWindow() { drawMessageWindow(); }
