#include "adv/luarunner.h"

#include <algorithm>
#include <string>

#include "adv/commands.h"
#include "adv/runner_parts.h"
#include "config/sysinfo.h"
#include "gamefiles/gamefiles.h"
#include "orba/orba.h"

using namespace adv;

namespace {

constexpr int noColourKey = -2;
constexpr int firstMapScript = 1;
constexpr int lastMapScript = 16;
// A script that runs this many instructions without yielding still answers
// Escape and the close button (the check itself only reads the clock until
// it is time to poll the window); slow instructions are checked one by one.
constexpr int quitCheckInstructions = 100;

bool isMapScript(std::int32_t value) { return value >= firstMapScript && value <= lastMapScript; }

// "07.lua" for the cell value 7.
std::string mapScriptName(std::int32_t value) {
    std::string name = std::to_string(value);
    if (name.size() < 2) name.insert(0, "0");
    return name + ".lua";
}

// Three red squares around the pointer, growing from half-size 8 to 25 six
// steps apart. Returns whether the cursor shows its hot cell in this frame.
bool drawMapPickFeedback() {
    const int x = Orba_getMouseX();
    const int y = Orba_getMouseY();
    if (!isMapScript(mapValueAt(x, y))) return false;
    const std::uint32_t frame = engine().frameCounter;
    for (int i = 0; i < 3; ++i) {
        const auto half = static_cast<int>((i * 6u + frame) % 18 + 8);
        Orba_drawRect(x, y, half, half, 255, 0, 0);
    }
    return frame % 16 < 8;
}

} // namespace

LuaRunner::LuaRunner() {
    resetEngineState();  // flags zeroed, no background, scripts from resource/level/
    Orba_loadBMP("pf", "resource/level/pf.bmp", 0, 255, 0);
    Orba_loadBMP("cursor", "resource/level/cursor.bmp", 0, 255, 0);
    Orba_loadBMP("msgwin", "resource/level/msgwin.bmp", noColourKey, 0, 0);
    const int pfHeight = Orba_getHeight("pf");
    pageIconFrames = pfHeight > 0 ? Orba_getWidth("pf") / pfHeight : 0;
    pageIconSize = pfHeight;
    cursorSize = Orba_getHeight("cursor");
    Orba_setAlpha("msgwin", std::clamp(System::MSGWIN_ALPHA, 0, 255));
    setInstructionWatch(Orba_checkQuit, quitCheckInstructions);
}

LuaRunner::~LuaRunner() { close(); }

void LuaRunner::loadFile(std::string_view file) {
    const std::string path = engine().scriptDirectory + std::string(file);
    close();
    reset();
    if (!insideGameFolder(path)) throw Error("Not exist : " + path);  // as a missing script
    Lua::loadFile(path);
    for (const Command& command : commandTable()) registerFunction(*command.name, command.function);
}

void LuaRunner::reset() {
    EngineState& e = engine();
    e.state = Running;
    e.waitFrames = 0;
    e.pendingScript.clear();
    clearMessages();
    e.messageCounter = 0;
    e.frameCounter = 0;
    e.flashTimer = 0;
}

void LuaRunner::update() {
    EngineState& e = engine();
    e.frameCounter += 1;
    stepBackgroundTimers();
    switch (e.state) {
    case Running:
        if (e.waitFrames > 0) {
            e.waitFrames -= 1;
            return;
        }
        resume();
        if (!e.pendingScript.empty()) loadFile(std::string(e.pendingScript));
        return;
    case WaitPage:
        e.messageCounter += 1;
        if (!Orba_isPushDecide()) return;
        break;
    case Choosing:
        if (!pickChoice()) return;
        break;
    case MapPick:
        if (Orba_isPushDecide()) {
            const std::int32_t value = mapValueAt(Orba_getMouseX(), Orba_getMouseY());
            if (isMapScript(value)) loadFile(mapScriptName(value));
        }
        return;
    default:
        return;
    }
    // A page feed or a pick: the script goes on within this frame.
    clearMessages();
    e.state = Running;
    update();
}

void LuaRunner::draw() {
    renderBackground();
    renderNextBackground();
    renderCharacters();
    bool hotCursor = false;
    switch (engine().state) {
    case WaitPage:
        renderMessageWindow();
        drawPageFeed(*this);
        break;
    case Choosing:
        drawChoices();
        renderMessageWindow();
        break;
    case MapPick:
        hotCursor = drawMapPickFeedback();
        break;
    default:
        break;
    }
    drawFlashOverlay();
    applyShakeOffset();
    Orba_drawEx("cursor", Orba_getMouseX(), Orba_getMouseY(), hotCursor ? cursorSize : 0, 0,
                cursorSize, cursorSize);
}
