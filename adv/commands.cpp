// The 22 script commands. Each reads all its arguments before it changes
// anything, names itself by its configured Lua name in argument errors, and
// either returns at once or yields the script. The table at the end holds one
// row per command; a new command needs its row, its function and the System
// field with the settings key that names it.
#include "adv/commands.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "adv/engine.h"
#include "adv/saturating.h"
#include "config/sysinfo.h"
#include "gamefiles/gamefiles.h"
#include "gamefiles/gamepaths.h"
#include "luaexecutor/luaexecutor.h"
#include "orba/orba.h"

namespace adv {

namespace {

const std::string soundFolder{gamepaths::soundFolder};
const char* const soundKey = "tmp";

// Result count of a command without a result of its own: nothing is pushed,
// so the script receives the topmost value of the call's stack.
constexpr int noResult = 1;

// A waiting command inside a coroutine the script made would only suspend
// that coroutine, and its wait would be lost: it is refused there with a Lua
// error, before it changes anything.
int refuseWaitInCoroutine(lua_State* L, const std::string& name) {
    return scriptError(L, name + "(): cannot wait inside a coroutine");
}

bool present(lua_State* L, int index) { return lua_gettop(L) >= index; }

std::int32_t optionalNumber(lua_State* L, const std::string& name, int index, std::int32_t fallback) {
    return present(L, index) ? checkNumber(L, name, index) : fallback;
}

std::string optionalString(lua_State* L, const std::string& name, int index, const char* fallback) {
    return present(L, index) ? checkString(L, name, index) : std::string(fallback);
}

std::int32_t colourByName(const std::string& name) {
    struct Named {
        const char* name;
        std::int32_t rgb;
    };
    static constexpr std::array<Named, 6> colours{{{"RED", 0xFF0000},
                                                   {"BLUE", 0x0000FF},
                                                   {"BLACK", 0x000000},
                                                   {"GREEN", 0x00FF00},
                                                   {"WHITE", 0xFFFFFF},
                                                   {"YELLOW", 0xFFFF00}}};
    for (const Named& c : colours)
        if (name == c.name) return c.rgb;
    return 0xFFFFFF;
}

int cmdPrint(lua_State* L) {
    const std::string text = checkString(L, System::CMD_PRINT, 1);
    if (!playback().replaying) Orba_log("%s\n", text);  // standard output and run.log, once each
    return noResult;
}

int cmdDirectory(lua_State* L) {
    setDirectory(checkString(L, System::CMD_DIRECTORY, 1));
    return noResult;
}

int cmdMsg(lua_State* L) {
    addMessage(checkString(L, System::CMD_MSG, 1));
    return noResult;
}

int cmdPf(lua_State* L) {
    if (!canYield(L)) return refuseWaitInCoroutine(L, System::CMD_PF);
    waitPage();
    return yieldScript(L);
}

int cmdSelect(lua_State* L) {
    // Argument 1 is required; 2 to 4 only when given; later ones are not read.
    const int count = std::clamp(lua_gettop(L), 1, 4);
    std::vector<std::string> items;
    for (int i = 1; i <= count; ++i) items.push_back(checkString(L, System::CMD_SELECT, i));
    if (!canYield(L)) return refuseWaitInCoroutine(L, System::CMD_SELECT);
    setChoices(items);
    return yieldScript(L);
}

int cmdDrb(lua_State* L) {
    const std::string file = checkString(L, System::CMD_DRB, 1);
    const std::int32_t effect = optionalNumber(L, System::CMD_DRB, 2, 0);
    drawBackground(file, effect);
    return noResult;
}

int cmdErb(lua_State* L) {
    eraseBackground(optionalNumber(L, System::CMD_ERB, 1, 0));
    return noResult;
}

int cmdDrc(lua_State* L) {
    const std::string file = checkString(L, System::CMD_DRC, 1);
    const std::int32_t position = optionalNumber(L, System::CMD_DRC, 2, 1);
    const std::int32_t effect = optionalNumber(L, System::CMD_DRC, 3, 0);
    drawCharacter(file, position, effect);
    return noResult;
}

int cmdErc(lua_State* L) {
    const std::int32_t position = optionalNumber(L, System::CMD_ERC, 1, -1);
    const std::int32_t effect = optionalNumber(L, System::CMD_ERC, 2, 0);
    eraseCharacter(position, effect);
    return noResult;
}

// Sounds outside the game's folder are refused with the texts of missing files.
int cmdBgm(lua_State* L) {
    const std::string path = soundFolder + checkString(L, System::CMD_BGM, 1);
    if (!insideGameFolder(path)) throw Error("Orba_playBgm: Couldn't open '" + path + "'");
    music() = path;
    if (playback().replaying) return noResult;  // started when the replay ends
    Orba_playBgm(path, -1, 0);
    playback().musicPlaying = path;
    return noResult;
}

int cmdBgmOff(lua_State* L) {
    const std::int32_t fadeMs = checkNumber(L, System::CMD_BGMOFF, 1);
    music().clear();
    if (playback().replaying) return noResult;
    Orba_stopBgm(fadeMs);
    playback().musicPlaying.clear();
    return noResult;
}

int cmdSe(lua_State* L) {
    const std::string path = soundFolder + checkString(L, System::CMD_SE, 1);
    if (!insideGameFolder(path)) throw Error("Orba_loadWAV: Mix_LoadWAV_RW with NULL src (" + path + ")");
    if (playback().quiet()) return noResult;
    Orba_loadWAV(soundKey, path);
    Orba_playWAV(soundKey, 0, -1);
    return noResult;
}

int cmdWait(lua_State* L) {
    const std::int32_t seconds = checkNumber(L, System::CMD_WAIT, 1);
    if (!canYield(L)) return refuseWaitInCoroutine(L, System::CMD_WAIT);
    course().waitFrames = saturatingMultiply(seconds, framesPerSecond);
    return yieldScript(L);
}

int cmdLoad(lua_State* L) {
    const std::string file = checkString(L, System::CMD_LOAD, 1);
    if (!canYield(L)) return refuseWaitInCoroutine(L, System::CMD_LOAD);
    requestScript(file);
    return yieldScript(L);
}

int cmdRet(lua_State* L) {
    pushNumber(L, flagState().choiceResult);
    return 1;
}

int cmdSetf(lua_State* L) {
    const std::int32_t index = checkNumber(L, System::CMD_SETF, 1);
    const std::int32_t value = checkNumber(L, System::CMD_SETF, 2);
    setFlag(index, value);
    return noResult;
}

int cmdGetf(lua_State* L) {
    pushNumber(L, getFlag(checkNumber(L, System::CMD_GETF, 1)));
    return 1;
}

int cmdMap(lua_State* L) {
    loadMap(checkString(L, System::CMD_MAP, 1));
    return noResult;
}

int cmdExit(lua_State* L) {
    if (!canYield(L)) return refuseWaitInCoroutine(L, System::CMD_EXIT);
    waitMapPick();
    return yieldScript(L);
}

int cmdFlash(lua_State* L) {
    const std::string name = optionalString(L, System::CMD_FLASH, 1, "WHITE");
    const std::int32_t count = optionalNumber(L, System::CMD_FLASH, 2, 3);
    flash(colourByName(name), count);
    return noResult;
}

int cmdShake(lua_State* L) {
    const std::int32_t amplitude = optionalNumber(L, System::CMD_SHAKE, 1, 16);
    const std::int32_t hold = optionalNumber(L, System::CMD_SHAKE, 2, 8);
    shake(amplitude, hold);
    return noResult;
}

int cmdEnd(lua_State*) { throw Error(std::string(gameEndMessage)); }

#define ADV_COMMAND(key, function, arguments, flow) (Command{#key, &System::key, function, arguments, flow})

constexpr Command commands[] = {
    ADV_COMMAND(CMD_PRINT, cmdPrint, "S", Flow::GoesOn),
    ADV_COMMAND(CMD_DIRECTORY, cmdDirectory, "S", Flow::GoesOn),
    ADV_COMMAND(CMD_MSG, cmdMsg, "S", Flow::GoesOn),
    ADV_COMMAND(CMD_PF, cmdPf, "", Flow::Waits),
    ADV_COMMAND(CMD_SELECT, cmdSelect, "Ssss", Flow::Waits),
    ADV_COMMAND(CMD_DRB, cmdDrb, "Sn", Flow::GoesOn),
    ADV_COMMAND(CMD_ERB, cmdErb, "n", Flow::GoesOn),
    ADV_COMMAND(CMD_DRC, cmdDrc, "Snn", Flow::GoesOn),
    ADV_COMMAND(CMD_ERC, cmdErc, "nn", Flow::GoesOn),
    ADV_COMMAND(CMD_BGM, cmdBgm, "S", Flow::GoesOn),
    ADV_COMMAND(CMD_BGMOFF, cmdBgmOff, "N", Flow::GoesOn),
    ADV_COMMAND(CMD_SE, cmdSe, "S", Flow::GoesOn),
    ADV_COMMAND(CMD_WAIT, cmdWait, "N", Flow::Waits),
    ADV_COMMAND(CMD_LOAD, cmdLoad, "S", Flow::Waits),
    ADV_COMMAND(CMD_RET, cmdRet, "", Flow::GoesOn),
    ADV_COMMAND(CMD_SETF, cmdSetf, "NN", Flow::GoesOn),
    ADV_COMMAND(CMD_GETF, cmdGetf, "N", Flow::GoesOn),
    ADV_COMMAND(CMD_MAP, cmdMap, "S", Flow::GoesOn),
    ADV_COMMAND(CMD_EXIT, cmdExit, "", Flow::Waits),
    ADV_COMMAND(CMD_FLASH, cmdFlash, "sn", Flow::GoesOn),
    ADV_COMMAND(CMD_SHAKE, cmdShake, "nn", Flow::GoesOn),
    ADV_COMMAND(CMD_END, cmdEnd, "", Flow::Ends),
};

#undef ADV_COMMAND

// Letters S, N, s, n only, and no required argument after an optional one.
constexpr bool validArguments(std::string_view arguments) {
    bool optionalSeen = false;
    for (const char letter : arguments) {
        if (std::string_view("SNsn").find(letter) == std::string_view::npos) return false;
        const bool optional = letter == 's' || letter == 'n';
        if (optionalSeen && !optional) return false;
        optionalSeen = optional;
    }
    return true;
}

static_assert(std::all_of(std::begin(commands), std::end(commands), [](const Command& c) {
    return c.key.starts_with("CMD_") && validArguments(c.arguments);
}));

}  // namespace

int Command::requiredCount() const {
    return static_cast<int>(std::count_if(arguments.begin(), arguments.end(),
                                          [](char letter) { return letter == 'S' || letter == 'N'; }));
}

ArgType Command::typeOf(int position) const {
    const char letter = arguments.at(static_cast<std::size_t>(position - 1));
    return letter == 'S' || letter == 's' ? ArgType::String : ArgType::Number;
}

std::span<const Command> commandTable() { return commands; }

const Command* findCommand(std::string_view key) {
    for (const Command& command : commands)
        if (command.key == key) return &command;
    return nullptr;
}

}  // namespace adv
