// Scripts are followed as the engine would load them: from start.lua in
// resource/level/, through LOAD names, map cells and the helper files that
// dofile and loadfile read (named from the game folder), with the script
// folder that DIRECTORY sets carried from one script into the next. Before that, every script's use of global
// names is checked against what the game has.
#include "tools/advcheck/scripts.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <utility>

#include "adv/flags.h"
#include "gamefiles/gamefiles.h"
#include "gamefiles/gamepaths.h"
#include "gamefiles/regularfile.h"
#include "luaexecutor/luaexecutor.h"
#include "orba/soundcheck.h"
#include "tools/advcheck/luachunk.h"
#include "tools/advcheck/luascan.h"
#include "tools/advcheck/names.h"
#include "tools/advcheck/pages.h"

namespace fs = std::filesystem;

namespace advcheck {

namespace {

const std::string levelFolder{gamepaths::levelFolder};
const std::string soundFolder{gamepaths::soundFolder};
const std::string firstScript = levelFolder + std::string(gamepaths::firstScript);
constexpr int flagCount = adv::flagCount;

using adv::ArgType;

// Libraries the engine does not open, and the functions of the package library.
constexpr std::array<std::string_view, 7> missingLibraries{"string", "table", "math",   "io",
                                                           "os",     "debug", "package"};
constexpr std::array<std::string_view, 2> packageFunctions{"require", "module"};
// Ways to make globals while the game runs, which advcheck cannot follow.
constexpr std::array<std::string_view, 6> globalMakers{"_G",     "getfenv",    "setfenv",
                                                       "rawset", "loadstring", "load"};
// The base functions that read a helper file of the game.
constexpr std::array<std::string_view, 2> helperLoaders{"dofile", "loadfile"};
// The commands after which the next MSG starts a new page.
constexpr std::array<std::string_view, 4> pageEnders{"CMD_PF", "CMD_SELECT", "CMD_EXIT", "CMD_LOAD"};

template <std::size_t N>
bool among(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string baseOnly(const std::string& what) {
    return "scripts have only the base library: " + what + " is not available";
}

std::string inQuotes(std::string_view text) { return "'" + std::string(text) + "'"; }

std::string ordinal(int n) {
    static constexpr std::array<const char*, 4> suffix{"th", "st", "nd", "rd"};
    const int last = n % 10;
    const bool teen = n % 100 >= 11 && n % 100 <= 13;
    return std::to_string(n) + (teen || last > 3 ? suffix[0] : suffix[static_cast<std::size_t>(last)]);
}

// Compiles the source as luaL_loadfile would the file: a first line starting
// with "#" is skipped (its line break kept) and the chunk is named "@" + file.
int loadSource(lua_State* L, const std::string& file, std::string source) {
    if (source.starts_with('#')) source.erase(0, source.find('\n'));
    return luaL_loadbuffer(L, source.data(), source.size(), ("@" + file).c_str());
}

// The engine reads a text argument up to its first zero byte.
std::string engineText(std::string text) {
    if (const auto zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
    return text;
}

std::string typeError(const std::string& name, int index, ArgType type) {
    return name + "(): Invalid parameter type. expected " + std::to_string(index) + " to " +
           (type == ArgType::Number ? "NUMBER" : "STRING") + " type";
}

bool matches(const Argument& arg, ArgType type) {
    return arg.kind == ArgKind::Computed || (type == ArgType::String && arg.kind == ArgKind::String) ||
           (type == ArgType::Number && arg.kind == ArgKind::Number);
}

std::string describe(const Argument& arg) {
    switch (arg.kind) {
    case ArgKind::String: return "a string";
    case ArgKind::Number: return "a number";
    case ArgKind::Nil: return "nil";
    case ArgKind::Boolean: return arg.text;
    case ArgKind::Computed: break;
    }
    return "a value";
}

bool inFlagRange(double index) {
    const double whole = std::trunc(index);
    return whole >= 0 && whole < flagCount;
}

std::string flagText(double index) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14g", index);
    return buffer;
}

// "%F" or "%f" and a digit run names a flag; numbers outside 0 to 127 show 0.
std::vector<std::string> badFlagReferences(const std::string& text) {
    std::vector<std::string> bad;
    for (std::size_t i = 0; i + 2 < text.size(); ++i) {
        if (text[i] != '%' || (text[i + 1] != 'F' && text[i + 1] != 'f') ||
            !std::isdigit(static_cast<unsigned char>(text[i + 2])))
            continue;
        std::size_t end = i + 2;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
        const std::string digits = text.substr(i + 2, end - i - 2);
        const auto first = digits.find_first_not_of('0');
        const std::string number = first == std::string::npos ? "0" : digits.substr(first);
        if (number.size() > 3 || std::stoi(number) >= flagCount) bad.push_back(text.substr(i, end - i));
        i = end - 1;
    }
    return bad;
}

bool isColourName(const std::string& name) {
    for (const char* colour : {"RED", "BLUE", "BLACK", "GREEN", "WHITE", "YELLOW"})
        if (name == colour) return true;
    return false;
}

std::string folderOf(const std::string& file) {
    const std::string parent = fs::path(file).parent_path().generic_string();
    return parent.empty() ? std::string() : parent + "/";
}

std::string pickScript(int value) {
    char name[16];
    std::snprintf(name, sizeof name, "%02d.lua", value);
    return name;
}

struct Script {
    std::vector<Call> calls;
    std::optional<ChunkGlobals> globals;  // none for a script that does not compile or is precompiled
};

// A script as loaded by the engine: its file, and the script folder at the
// time it is loaded (where its pictures, maps and scripts are found).
struct Visit {
    std::string file;
    std::string directory;
    auto operator<=>(const Visit&) const = default;
};

class ScriptChecker {
public:
    ScriptChecker(Report& report, Assets& assets, const GameSettings& settings, const PageMeasure& pages)
        : report_(report),
          assets_(assets),
          settings_(settings),
          pages_(pages),
          names_(settings.names()),
          callNames_(withHelperLoaders(names_)) {}

    void run();

private:
    const Script& script(const std::string& file);
    void compile(const std::string& file, Script& script);
    void learnGlobals(const std::vector<std::string>& files);
    void checkGlobals(const std::string& file, const Script& script);
    std::string unknownCall(const std::string& name) const;
    void checkEndReached();
    void walk(Visit first);
    void visit(const Visit& visit);
    void checkArguments(const std::string& file, const Call& call, const adv::Command& command);
    void checkEffect(const std::string& file, const Call& call, const adv::Command& command);
    void checkPicture(const std::string& file, const Call& call, const Argument& arg);
    void checkSound(const std::string& file, const Call& call, const Argument& arg, std::string_view key);
    void checkLoad(const std::string& file, const Call& call, const Argument& arg);
    void checkMap(const std::string& file, const Call& call, const Argument& arg);
    void checkMessage(const std::string& file, const Call& call, const Argument& arg);
    void checkFlag(const std::string& file, const Call& call, const Argument& arg, bool setting);
    void follow(const std::string& path, const std::string& directory);
    void checkHelper(const std::string& file, const Call& call);
    std::vector<std::string> helpersOutsideLevel(const std::vector<std::string>& files);
    void countRows(const std::string& file, const Call& call, const adv::Command& command);

    // A command given the name of a helper loader replaces it, as in the engine.
    static std::set<std::string, std::less<>> withHelperLoaders(std::set<std::string, std::less<>> names) {
        names.insert(helperLoaders.begin(), helperLoaders.end());
        return names;
    }

    Report& report_;
    Assets& assets_;
    const GameSettings& settings_;
    const PageMeasure& pages_;
    const std::set<std::string, std::less<>> names_;
    const std::set<std::string, std::less<>> callNames_;  // the commands' and the helper loaders'
    // The page being walked: lines its MSG calls add, rows they wrap into.
    int pageLines_ = 0;
    int pageRows_ = 0;
    std::map<std::string, Script> scripts_;
    std::set<Visit> visited_;
    std::deque<Visit> queue_;
    // The script folder while the calls of one visit are walked; none when a
    // computed DIRECTORY name made it unknown.
    std::optional<std::string> directory_;

    // Names a script may call: the base library's and those the game's
    // scripts assign (one may load another with dofile).
    std::set<std::string, std::less<>> known_ = baseLibraryGlobals();
    bool globalsLearnt_ = false;
    bool globalsMadeAtRunTime_ = false;
    // Whether the walk from start.lua met an END call, and whether it could
    // follow every way on (no computed names, no precompiled script).
    bool endReached_ = false;
    bool followedAll_ = true;
};

const Script& ScriptChecker::script(const std::string& file) {
    if (const auto found = scripts_.find(file); found != scripts_.end()) return found->second;
    Script& entry = scripts_[file];
    compile(file, entry);
    if (globalsLearnt_) checkGlobals(file, entry);
    return entry;
}

void ScriptChecker::compile(const std::string& file, Script& entry) {
    report_.fileExamined(file);
    // Read as the engine reads scripts: a regular file of bounded size.
    std::optional<std::string> source;
    try {
        source = readWholeFile(file);
    } catch (const Error& e) {
        report_.problem(file, 0, e.what());
        return;
    }
    if (!source) {
        report_.problem(file, 0, "cannot be read: the engine opens only regular files it may read");
        return;
    }
    const LuaStatePtr state(luaL_newstate());
    if (!state) {
        report_.problem(file, 0, "no Lua interpreter could be made to compile it");
        return;
    }
    const bool compiled = loadSource(state.get(), file, *source) == 0;
    if (!compiled) {
        const char* text = lua_tostring(state.get(), -1);
        const LuaMessage message = splitLuaMessage(text ? text : "cannot be compiled", file);
        report_.problem(file, message.line, message.text);
        // The calls are still checked and followed: one typo should not hide
        // the rest of the script's faults or make the scripts after it unreachable.
    }
    if (source->starts_with(LUA_SIGNATURE)) {
        report_.problem(file, 0, "a precompiled script: the engine takes scripts as source text only");
        return;
    }
    if (compiled) entry.globals = readChunkGlobals(state.get());
    entry.calls = findCalls(tokenizeLua(*source), callNames_);
}

void ScriptChecker::learnGlobals(const std::vector<std::string>& files) {
    for (const std::string& file : files) {
        const Script& s = script(file);
        if (!s.globals) continue;
        known_.insert(s.globals->assigned.begin(), s.globals->assigned.end());
        for (const GlobalRead& read : s.globals->reads)
            if (among(globalMakers, read.name)) globalsMadeAtRunTime_ = true;
    }
    known_.insert(names_.begin(), names_.end());
    globalsLearnt_ = true;
    for (const std::string& file : files) checkGlobals(file, script(file));
}

// Calls of names nothing defines, and the libraries the engine does not open.
// Without a name for every command, calls meant for it would look undefined.
void ScriptChecker::checkGlobals(const std::string& file, const Script& s) {
    if (!s.globals) return;
    for (const StringIndex& index : s.globals->stringIndexes)
        report_.problem(file, index.line, baseOnly("the string method " + index.field));
    if (!settings_.everyCommandNamed || globalsMadeAtRunTime_) return;
    for (const GlobalRead& read : s.globals->reads) {
        if (known_.contains(read.name)) continue;
        if (among(missingLibraries, read.name) && read.use == GlobalUse::Indexed) {
            report_.problem(file, read.line,
                            baseOnly(read.name + (read.field.empty() ? "" : "." + read.field)));
        } else if (read.use == GlobalUse::Called) {
            const bool package = among(packageFunctions, read.name);
            report_.problem(file, read.line, package ? baseOnly(read.name) : unknownCall(read.name));
        }
    }
}

// "wait_clik() is not a command of this game (did you mean wait_click?)"; the
// game's commands are offered first, then its own functions, then Lua's.
std::string ScriptChecker::unknownCall(const std::string& name) const {
    std::vector<std::string> candidates(names_.begin(), names_.end());
    for (const std::string& other : known_)
        if (!names_.contains(other)) candidates.push_back(other);
    const auto nearest = nearestName(name, candidates);
    return name + "() is not a command of this game" + (nearest ? " (did you mean " + *nearest + "?)" : "");
}

void ScriptChecker::checkEndReached() {
    const auto end = std::find_if(settings_.commands.begin(), settings_.commands.end(),
                                  [](const auto& entry) { return entry.second->flow == adv::Flow::Ends; });
    if (endReached_ || !followedAll_ || end == settings_.commands.end()) return;
    report_.note(firstScript, 0,
                 "no script that start.lua leads to calls " + end->first +
                     "() (END): the game cannot end by itself, only when the player quits");
}

void ScriptChecker::run() {
    std::vector<std::string> all;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(levelFolder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && it->path().extension() == ".lua")
            all.push_back(normalPath(it->path().string()));
    }
    std::sort(all.begin(), all.end());
    std::vector<std::string> learnt = all;
    for (std::string& helper : helpersOutsideLevel(all)) learnt.push_back(std::move(helper));
    learnGlobals(learnt);

    if (const auto why = assets_.missing(firstScript)) {
        report_.problem(firstScript, 0, "the first script " + *why);
    } else {
        walk({firstScript, levelFolder});
        checkEndReached();
    }
    std::set<std::string> reached;
    for (const Visit& v : visited_) reached.insert(v.file);
    for (const std::string& file : all) {
        if (!reached.contains(file)) report_.scriptUnreachable(file);
    }
    // Scripts nothing reaches are checked too, in the folder they lie in.
    followedAll_ = false;  // only the walk from start.lua counts for reaching END
    for (const std::string& file : all) {
        if (!scripts_.contains(file)) walk({file, folderOf(file)});
    }
}

void ScriptChecker::walk(Visit first) {
    queue_.push_back(std::move(first));
    while (!queue_.empty()) {
        Visit next = std::move(queue_.front());
        queue_.pop_front();
        if (visited_.insert(next).second) visit(next);
    }
}

void ScriptChecker::visit(const Visit& v) {
    const Script& s = script(v.file);
    directory_ = v.directory;
    if (!s.globals) followedAll_ = false;  // a precompiled script or one that does not compile
    pageLines_ = pageRows_ = 0;
    for (const Call& call : s.calls) {
        const auto command = settings_.commands.find(call.name);
        if (command == settings_.commands.end()) {
            checkHelper(v.file, call);
            continue;
        }
        if (command->second->flow == adv::Flow::Ends) endReached_ = true;
        checkArguments(v.file, call, *command->second);
        checkEffect(v.file, call, *command->second);
        countRows(v.file, call, *command->second);
    }
}

// A helper is named from the game folder; its own calls run in the current
// script folder, where it is reached and checked.
void ScriptChecker::checkHelper(const std::string& file, const Call& call) {
    if (call.args.empty() || call.args.front().kind != ArgKind::String) {
        followedAll_ = false;
        report_.note(file, call.line, call.name + "(): the file name is computed: advcheck cannot follow it");
        return;
    }
    const std::string path = engineText(call.args.front().text);
    const std::optional<std::string> why = insideGameFolder(path)
                                               ? assets_.missing(path)
                                               : std::optional<std::string>("lies outside the game folder");
    if (why) {
        followedAll_ = false;
        report_.problem(file, call.line, call.name + "(): helper " + normalPath(path) + " " + *why);
    } else if (directory_) {
        follow(path, *directory_);
    }
}

// Helpers that lie outside resource/level/: their globals count too.
std::vector<std::string> ScriptChecker::helpersOutsideLevel(const std::vector<std::string>& files) {
    std::set<std::string> helpers;
    for (const std::string& file : files) {
        for (const Call& call : script(file).calls) {
            if (names_.contains(call.name) || call.args.empty() || call.args.front().kind != ArgKind::String)
                continue;
            const std::string path = engineText(call.args.front().text);
            std::error_code ec;
            if (insideGameFolder(path) && fs::is_regular_file(path, ec) &&
                !normalPath(path).starts_with(levelFolder))
                helpers.insert(normalPath(path));
        }
    }
    return {helpers.begin(), helpers.end()};
}

// Notes the MSG whose wrapped rows first reach below the message window on
// its page, where wrapping added rows.
void ScriptChecker::countRows(const std::string& file, const Call& call, const adv::Command& command) {
    if (among(pageEnders, command.key)) {
        pageLines_ = pageRows_ = 0;
        return;
    }
    if (command.key != "CMD_MSG" || !pages_.measures()) return;
    const Argument* arg = call.args.empty() ? nullptr : &call.args.front();
    const int rows = arg && arg->kind == ArgKind::String ? pages_.rows(engineText(arg->text)) : 1;
    const bool wasInside = pageRows_ <= pages_.rowsInWindow();
    pageLines_ += 1;
    pageRows_ += rows;
    if (!wasInside || pageRows_ <= pages_.rowsInWindow() || pageRows_ == pageLines_) return;
    report_.note(file, call.line,
                 call.name + "(): at MSG_WIDTH = " + std::to_string(pages_.layout().width) +
                     " this page wraps into " + std::to_string(pageRows_) +
                     " rows; the message window holds " + std::to_string(pages_.rowsInWindow()));
}

void ScriptChecker::follow(const std::string& path, const std::string& directory) {
    queue_.push_back({normalPath(path), directory});
}

// Types as checkNumber and checkString test them (no coercion; nil and a
// missing argument fail), and the count of arguments read.
void ScriptChecker::checkArguments(const std::string& file, const Call& call, const adv::Command& command) {
    const int given = static_cast<int>(call.args.size());
    const int read = command.argumentCount();
    for (int k = 0; k < std::min(given, read); ++k) {
        const Argument& arg = call.args[static_cast<std::size_t>(k)];
        const ArgType type = command.typeOf(k + 1);
        if (!matches(arg, type)) {
            report_.problem(file, arg.line,
                            typeError(call.name, k + 1, type) + " (got " + describe(arg) + ")");
        }
    }
    if (!call.moreMayFollow && given < command.requiredCount()) {
        report_.problem(
            file, call.line,
            typeError(call.name, given + 1, command.typeOf(given + 1)) + " (the argument is missing)");
    }
    const int surely = call.moreMayFollow ? given - 1 : given;
    if (surely <= read) return;
    const int extraLine = call.args[static_cast<std::size_t>(read)].line;
    if (command.key == "CMD_SELECT") {
        report_.problem(file, extraLine,
                        call.name + "(): more than four choices: only the first four are offered");
    } else if (read == 0) {
        report_.note(file, call.line, call.name + "(): reads no arguments; the ones given are ignored");
    } else {
        report_.note(file, extraLine,
                     call.name + "(): reads " + std::to_string(read) + " argument" + (read == 1 ? "" : "s") +
                         "; the " + ordinal(read + 1) + " and later are ignored");
    }
}

void ScriptChecker::checkEffect(const std::string& file, const Call& call, const adv::Command& command) {
    if (call.args.empty()) return;
    const Argument& arg = call.args.front();
    const std::string_view key = command.key;
    if (arg.kind == ArgKind::Computed) {
        if (key == "CMD_DIRECTORY") {
            directory_.reset();
            followedAll_ = false;
            report_.note(file, arg.line,
                         call.name + "(): the folder name is computed: files named after it are not checked");
        } else if (key == "CMD_LOAD" || key == "CMD_MAP") {
            followedAll_ = false;
            report_.note(file, arg.line,
                         call.name + "(): the file name is computed: advcheck cannot follow it");
        }
        return;
    }
    if (key == "CMD_DIRECTORY") {
        if (arg.kind == ArgKind::String) directory_ = levelFolder + engineText(arg.text) + "/";
    } else if (key == "CMD_MSG") {
        checkMessage(file, call, arg);
    } else if (key == "CMD_DRB" || key == "CMD_DRC") {
        checkPicture(file, call, arg);
    } else if (key == "CMD_BGM" || key == "CMD_SE") {
        checkSound(file, call, arg, key);
    } else if (key == "CMD_LOAD") {
        checkLoad(file, call, arg);
    } else if (key == "CMD_MAP") {
        checkMap(file, call, arg);
    } else if (key == "CMD_SETF" || key == "CMD_GETF") {
        checkFlag(file, call, arg, key == "CMD_SETF");
    } else if (key == "CMD_FLASH" && arg.kind == ArgKind::String && !isColourName(arg.text)) {
        report_.note(file, arg.line,
                     call.name + "(): " + inQuotes(arg.text) +
                         " is none of RED, BLUE, BLACK, GREEN, WHITE, YELLOW: the flash is white");
    }
}

// A picture missing from a chapter folder but lying in resource/level/ is
// most likely meant to be the one there.
void ScriptChecker::checkPicture(const std::string& file, const Call& call, const Argument& arg) {
    if (arg.kind != ArgKind::String || !directory_) return;
    const std::string name = engineText(arg.text);
    const std::string path = normalPath(*directory_ + name);
    const std::string inLevel = normalPath(levelFolder + name);
    std::error_code ec;
    if (inLevel != path && !fs::exists(path, ec) && fs::is_directory(fs::path(path).parent_path(), ec) &&
        fs::is_regular_file(inLevel, ec)) {
        report_.problem(file, arg.line,
                        call.name + "(): picture " + path + " does not exist (there is " + inLevel +
                            ": pictures are read from the current script folder, which DIRECTORY set)");
        return;
    }
    const PictureInfo& info = assets_.picture(path);
    if (!info.loaded) report_.problem(file, arg.line, call.name + "(): picture " + path + " " + info.error);
}

namespace {
// The engine's own check of a sound file, opened as the engine opens it.
std::string soundFault(const std::string& path, bool music) {
    const OpenedFile opened = openRegularFile(path);
    return opened ? orba::soundFileFault(opened, music) : "cannot be opened: " + opened.reason;
}
}  // namespace

void ScriptChecker::checkSound(const std::string& file, const Call& call, const Argument& arg,
                               std::string_view key) {
    if (arg.kind != ArgKind::String) return;
    const std::string path = normalPath(soundFolder + engineText(arg.text));
    const std::string subject = call.name + "(): sound " + path + " ";
    if (const auto why = assets_.missing(path)) {
        report_.problem(file, arg.line, subject + *why);
    } else if (const std::string fault = soundFault(path, key == "CMD_BGM"); !fault.empty()) {
        report_.problem(file, arg.line, subject + "cannot be played: " + fault);
    } else if (const std::string format = orba::soundFormatName(path); format != "WAV" && format != "Ogg") {
        report_.problem(
            file, arg.line,
            subject + "is " +
                (format.empty() ? "in a format the engine does not know" : "an " + format + " file") +
                ": the engine plays WAV and Ogg Vorbis");
    }
}

void ScriptChecker::checkLoad(const std::string& file, const Call& call, const Argument& arg) {
    if (arg.kind != ArgKind::String) return;
    const std::string name = engineText(arg.text);
    if (name.empty()) {
        report_.note(file, arg.line, call.name + "(): an empty name loads nothing; the script goes on");
        return;
    }
    if (!directory_) return;
    const std::string path = *directory_ + name;
    if (const auto why = assets_.missing(path)) {
        followedAll_ = false;
        report_.problem(file, arg.line, call.name + "(): script " + normalPath(path) + " " + *why);
    } else {
        follow(path, *directory_);
    }
}

// The map must load and have a layer 1; each value 1 to 16 there picks a
// script of that number from the script folder.
void ScriptChecker::checkMap(const std::string& file, const Call& call, const Argument& arg) {
    if (arg.kind != ArgKind::String || !directory_) return;
    const std::string path = normalPath(*directory_ + engineText(arg.text));
    const MapInfo& map = assets_.map(path);
    const std::string subject = call.name + "(): map " + path;
    if (!map.loaded || map.layers < 2) followedAll_ = false;
    if (!map.loaded) {
        report_.problem(file, arg.line, subject + " " + map.error);
        return;
    }
    if (map.layers < 2) {
        report_.problem(file, arg.line,
                        subject + " has " + std::to_string(map.layers) + " layer" +
                            (map.layers == 1 ? "" : "s") + ": picking needs layer 1, the second");
        return;
    }
    if (map.picks.empty()) {
        report_.note(file, arg.line,
                     subject + ": layer 1 has no cell with a value from 1 to 16, so nothing can be picked");
    }
    for (const auto& [value, cell] : map.picks) {
        const std::string script = *directory_ + pickScript(value);
        if (const auto why = assets_.missing(script)) {
            followedAll_ = false;
            report_.problem(file, arg.line,
                            subject + ": the cell at column " + std::to_string(cell.column) + ", row " +
                                std::to_string(cell.row) + " picks " + normalPath(script) + ", which " +
                                *why);
        } else {
            follow(script, *directory_);
        }
    }
}

void ScriptChecker::checkMessage(const std::string& file, const Call& call, const Argument& arg) {
    if (arg.kind != ArgKind::String) return;
    for (const std::string& reference : badFlagReferences(engineText(arg.text))) {
        report_.problem(file, arg.line,
                        call.name + "(): " + reference + " names no flag (flags are 0 to 127) and shows 0");
    }
}

void ScriptChecker::checkFlag(const std::string& file, const Call& call, const Argument& arg, bool setting) {
    if (arg.kind != ArgKind::Number || inFlagRange(arg.number)) return;
    report_.problem(file, arg.line,
                    call.name + "(): flag " + flagText(arg.number) + " does not exist (flags are 0 to 127)" +
                        (setting ? ": nothing is stored" : ": it always gives 0"));
}

}  // namespace

LuaMessage splitLuaMessage(const std::string& message, const std::string& file) {
    // The interpreter starts with the file name, or "..." and its end when it is long.
    for (std::size_t colon = message.find(':'); colon != std::string::npos;
         colon = message.find(':', colon + 1)) {
        const std::string source = message.substr(0, colon);
        const bool names = source == file || (source.starts_with("...") && file.ends_with(source.substr(3)));
        if (!names) continue;
        std::size_t end = colon + 1;
        while (end < message.size() && std::isdigit(static_cast<unsigned char>(message[end]))) ++end;
        if (end == colon + 1 || end + 1 >= message.size() || message[end] != ':' || message[end + 1] != ' ')
            continue;
        return {std::stoi(message.substr(colon + 1, std::min<std::size_t>(end - colon - 1, 9))),
                message.substr(end + 2)};
    }
    return {0, message};
}

void checkScripts(Report& report, Assets& assets, const GameSettings& settings) {
    const PageMeasure pages(report, settings.messages,
                            assets.picture(std::string(gamepaths::messageWindowPicture)));
    ScriptChecker(report, assets, settings, pages).run();
}

}  // namespace advcheck
