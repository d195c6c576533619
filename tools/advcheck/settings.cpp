// Every key is read with the parser's own getters, so a fault is reported in
// the engine's words; the line of each key is found by a scan of the file.
#include "tools/advcheck/settings.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string_view>
#include <type_traits>
#include <vector>

#include "adv/comforts/preferences.h"
#include "adv/screen.h"
#include "config/configparser.h"
#include "config/sysinfo.h"
#include "gamefiles/gamefiles.h"
#include "orba/display.h"
#include "tools/advcheck/luascan.h"

namespace advcheck {

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
constexpr std::int32_t windowWidth = adv::screenWidth;
constexpr std::int32_t windowHeight = adv::screenHeight;

constexpr std::array baseGlobals{
    "print",    "type",      "pairs",        "ipairs",       "tostring", "tonumber",       "error",
    "assert",   "pcall",     "xpcall",       "select",       "next",     "unpack",         "rawget",
    "rawset",   "rawequal",  "setmetatable", "getmetatable", "setfenv",  "getfenv",        "loadstring",
    "loadfile", "dofile",    "load",         "require",      "module",   "collectgarbage", "gcinfo",
    "newproxy", "coroutine", "_G",           "_VERSION",     "string",   "table",          "math",
    "io",       "os",        "debug",        "package"};

bool isBaseGlobal(std::string_view name) {
    for (std::string_view g : baseGlobals)
        if (g == name) return true;
    return false;
}

std::string inQuotes(std::string_view text) { return "'" + std::string(text) + "'"; }

std::string_view trim(std::string_view text) {
    constexpr std::string_view blanks = "\t\n\v\f\r ";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Where each key stands in the file: the lines, by the parser's own rules
// (comment cut at "#", key before the first "=", trimmed).
struct KeyLines {
    std::map<std::string, std::vector<int>, std::less<>> lines;
    std::vector<std::string> order;
    bool byteOrderMark = false;

    int lineOf(std::string_view key) const {
        const auto found = lines.find(key);
        return found == lines.end() ? 0 : found->second.back();  // the later value wins
    }
};

KeyLines locateKeys(const std::string& path) {
    KeyLines keys;
    std::istringstream in(readWholeFile(path).value_or(""));
    std::string text;
    int number = 0;
    while (std::getline(in, text)) {
        ++number;
        if (number == 1 && text.starts_with(byteOrderMark)) keys.byteOrderMark = true;
        std::string_view line = text;
        line = line.substr(0, line.find('#'));
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string key(trim(line.substr(0, equals)));
        auto& at = keys.lines[key];
        if (at.empty()) keys.order.push_back(key);
        at.push_back(number);
    }
    return keys;
}

bool isSettingsKey(std::string_view key) {
    for (const SettingsKey& k : settingsKeys())
        if (k.name == key) return true;
    for (const SettingsKey& k : optionalSettingsKeys())
        if (k.name == key) return true;
    return false;
}

void checkLayout(Report& report, const KeyLines& keys) {
    if (keys.byteOrderMark) {
        report.note(settingsFile, 1,
                    "the file starts with a UTF-8 byte-order mark, which becomes part of the first key");
    }
    for (const std::string& key : keys.order) {
        const std::vector<int>& lines = keys.lines.find(key)->second;
        for (std::size_t i = 1; i < lines.size(); ++i) {
            report.note(settingsFile, lines[i],
                        key + " is given again (first on line " + std::to_string(lines[0]) +
                            "); the last value is used");
        }
        if (!isSettingsKey(key))
            report.note(settingsFile, lines[0], "unknown key " + inQuotes(key) + " is ignored");
    }
}

bool allDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The largest value of a key that sets a player's preference.
std::optional<int> preferenceMaximum(std::string_view key) {
    if (key == "TEXT_SPEED") return adv::maxTextSpeed;
    if (key == "AUTO_DELAY") return adv::maxAutoDelayMs;
    if (key == "MUSIC_VOLUME" || key == "SOUND_VOLUME") return adv::maxVolume;
    return std::nullopt;
}

// Values the engine accepts but that show oddly.
void checkNumber(Report& report, std::string_view key, std::int32_t value, int line) {
    const std::string name(key);
    if (key == "FONT_SIZE" && value == 0) {
        report.problem(settingsFile, line, "FONT_SIZE is 0: message text at 0 points is too small to read");
    } else if (key == "PF_TIMER" && value == 0) {
        report.note(settingsFile, line, "PF_TIMER is 0: the page-feed cursor shows only its first cell");
    } else if (key == "MSG_MARGIN" && value == 0) {
        report.note(settingsFile, line, "MSG_MARGIN is 0: all message lines are drawn over each other");
    } else if (key == "MSGWIN_ALPHA" && value > 255) {
        report.note(
            settingsFile, line,
            "MSGWIN_ALPHA is " + std::to_string(value) + ": opacity goes from 0 to 255; it is taken as 255");
    } else if (key == "WINDOW_SCALE" && (value < orbaMinWindowScale || value > orbaMaxWindowScale)) {
        report.note(settingsFile, line,
                    "WINDOW_SCALE is " + std::to_string(value) +
                        ": the window scale goes from 1 to 4; it is taken as " +
                        std::to_string(std::clamp(value, orbaMinWindowScale, orbaMaxWindowScale)));
    } else if (const std::optional<int> high = preferenceMaximum(key); high && value > *high) {
        report.note(settingsFile, line,
                    name + " is " + std::to_string(value) + ": it goes from 0 to " + std::to_string(*high) +
                        "; it is taken as " + std::to_string(*high));
    } else if ((key.ends_with("_X") && value >= windowWidth) ||
               (key.ends_with("_Y") && value >= windowHeight)) {
        report.note(settingsFile, line,
                    name + " = " + std::to_string(value) + " lies outside the 640 x 480 window");
    }
}

void readInteger(Report& report, ConfigParser& parser, const KeyLines& keys, std::string_view key) {
    const int line = keys.lineOf(key);
    try {
        const std::int32_t value = parser.getInt(key);
        if (parser.table.find(key)->second.empty()) {
            report.note(settingsFile, line, std::string(key) + " is empty and reads as 0");
        }
        checkNumber(report, key, value, line);
    } catch (const Error& e) {
        std::string message = e.what();
        if (parser.table.contains(key) && allDigits(parser.table.find(key)->second)) {
            message += " (the largest value is 2147483647)";
        }
        report.problem(settingsFile, line, message);
    }
}

// The engine opens the font where FONT names it, else a system font of that
// file name; a font outside the game folder is not in the players' copies.
void checkFontName(Report& report, const std::string& font, int line) {
    if (font.empty()) {
        report.problem(settingsFile, line, "FONT is empty: no font file is named");
    } else if (!insideGameFolder(font)) {
        report.problem(settingsFile, line,
                       "FONT = " + inQuotes(font) +
                           " leaves the game folder, so players' copies of the game lack it: put the font "
                           "in the game folder, or name a system font by its file name alone");
    }
}

void readText(Report& report, ConfigParser& parser, const KeyLines& keys, std::string_view key) {
    try {
        if (key == "FONT") checkFontName(report, parser.getString(key), keys.lineOf(key));
        parser.getString(key);
    } catch (const Error& e) {
        report.problem(settingsFile, 0, e.what());  // the key is missing
    }
}

// Whether scripts can call a command by this name; reports why not.
bool callableName(Report& report, const adv::Command& command, const std::string& name, int line) {
    const std::string subject = std::string(command.key) + " = " + inQuotes(name);
    const std::string consequence = ": scripts cannot call the " + std::string(command.word()) + " command";
    if (name.empty()) {
        report.problem(settingsFile, line, std::string(command.key) + " is empty" + consequence);
    } else if (isLuaKeyword(name)) {
        report.problem(settingsFile, line, subject + " is a Lua keyword" + consequence);
    } else if (!isLuaName(name)) {
        report.problem(settingsFile, line, subject + " is not a Lua name" + consequence);
    } else {
        if (isBaseGlobal(name)) {
            report.note(settingsFile, line,
                        subject + " replaces Lua's own global " + inQuotes(name) + " in every script");
        }
        return true;
    }
    return false;
}

// Registers the names in the engine's order; a name given twice ends up
// with the command registered later.
void collectCommands(Report& report, ConfigParser& parser, const KeyLines& keys, GameSettings& settings) {
    settings.everyCommandNamed = true;
    for (const SettingsKey& key : settingsKeys()) {
        const adv::Command* command = adv::findCommand(key.name);
        if (!command) continue;
        const bool named = parser.table.contains(key.name) &&
                           callableName(report, *command, parser.getString(key.name), keys.lineOf(key.name));
        settings.everyCommandNamed = settings.everyCommandNamed && named;
        if (!named) continue;
        const std::string name = parser.getString(key.name);
        if (const auto earlier = settings.commands.find(name); earlier != settings.commands.end()) {
            const adv::Command& loser = *earlier->second;
            report.problem(settingsFile, keys.lineOf(loser.key),
                           std::string(loser.key) + " and " + std::string(command->key) + " both name " +
                               inQuotes(name) + ": " + std::string(command->word()) +
                               " is registered later and wins, so scripts " + "cannot call " +
                               std::string(loser.word()));
        }
        settings.commands[name] = command;
    }
}

// A value already checked above; 0 where it was faulty.
template <class T>
T valueOf(ConfigParser& parser, std::string_view key) {
    try {
        if constexpr (std::is_same_v<T, std::string>) {
            return parser.getString(key);
        } else {
            return parser.table.contains(key) ? parser.getInt(key) : 0;
        }
    } catch (const Error&) {
        return T{};
    }
}

MessageLayout messageLayout(ConfigParser& parser, const KeyLines& keys) {
    MessageLayout layout;
    layout.width = valueOf<std::int32_t>(parser, "MSG_WIDTH");
    layout.widthLine = keys.lineOf("MSG_WIDTH");
    layout.font = valueOf<std::string>(parser, "FONT");
    layout.fontSize = valueOf<std::int32_t>(parser, "FONT_SIZE");
    layout.y = valueOf<std::int32_t>(parser, "MSG_Y");
    layout.margin = valueOf<std::int32_t>(parser, "MSG_MARGIN");
    layout.windowY = valueOf<std::int32_t>(parser, "MSGWIN_Y");
    return layout;
}

}  // namespace

std::set<std::string, std::less<>> GameSettings::names() const {
    std::set<std::string, std::less<>> result;
    for (const auto& [name, command] : commands) result.insert(name);
    return result;
}

GameSettings checkSettings(Report& report) {
    GameSettings settings;
    ConfigParser parser;
    try {
        parser.load(settingsFile);
    } catch (const Error& e) {
        report.problem(settingsFile, 0, e.what());
        return settings;
    }
    settings.loaded = true;
    report.fileExamined(settingsFile);
    const KeyLines keys = locateKeys(settingsFile);
    checkLayout(report, keys);
    for (const SettingsKey& key : settingsKeys()) {
        if (std::holds_alternative<std::int32_t*>(key.field)) {
            readInteger(report, parser, keys, key.name);
        } else {
            readText(report, parser, keys, key.name);
        }
    }
    // The engine reads an optional key only when it is given, and then as strictly.
    for (const SettingsKey& key : optionalSettingsKeys())
        if (parser.table.contains(key.name)) readInteger(report, parser, keys, key.name);
    collectCommands(report, parser, keys, settings);
    settings.messages = messageLayout(parser, keys);
    return settings;
}

}  // namespace advcheck
