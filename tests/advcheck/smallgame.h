#pragma once
// A small game that passes every check, laid out in the working directory,
// and helpers that break one thing in it.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "testsupport.h"

namespace smallgame {

inline const std::string ini = "resource/level/game.ini";
inline const std::string start = "resource/level/start.lua";
inline const std::string room = "resource/level/ch2/room.lua";
inline const std::string town = "resource/level/ch2/town.fmf";

inline std::string settings() {
    return "# a small test game\n"
           "CAPTION = Small Game\nFONT = DejaVuSans.ttf\nFONT_SIZE = 20\n"
           "CMD_PRINT = log\nCMD_DIRECTORY = directory\nCMD_MSG = say\nCMD_PF = page\n"
           "CMD_SELECT = choose\nCMD_DRB = background\nCMD_ERB = erase_background\n"
           "CMD_DRC = character\nCMD_ERC = erase_character\nCMD_BGM = music\n"
           "CMD_BGMOFF = music_off\nCMD_SE = sound\nCMD_WAIT = wait\nCMD_LOAD = load_script\n"
           "CMD_RET = choice\nCMD_SETF = set_flag\nCMD_GETF = get_flag\nCMD_MAP = map\n"
           "CMD_EXIT = pick_on_map\nCMD_FLASH = flash\nCMD_SHAKE = shake\nCMD_END = game_end\n"
           "PF_TIMER = 6\nPF_X = 600\nPF_Y = 450\nMSG_X = 40\nMSG_Y = 350\nMSG_MARGIN = 28\n"
           "MSGWIN_X = 20\nMSGWIN_Y = 330\nMSGWIN_ALPHA = 210\n"
           "POS_CH_L_X = 130\nPOS_CH_L_Y = 250\nPOS_CH_M_X = 320\nPOS_CH_M_Y = 250\n"
           "POS_CH_R_X = 510\nPOS_CH_R_Y = 250\n";
}

// Tricky but valid: calls in comments and strings, computed arguments,
// field calls, the call forms without brackets.
inline std::string startScript() {
    return "-- say(5) in a comment is no call\n"
           "--[==[ wait() in a long comment\n"
           "is none either ]==]\n"
           "music(\"theme.wav\")\n"
           "background(\"bg.bmp\", 1)\n"
           "character('bg.bmp')\n"
           "say \"A call without brackets\"\n"
           "say([==[a long ]] string]==])\n"
           "local text = \"say(1) inside a string\"\n"
           "say(text)\n"
           "say(\"Flags %F1 and %f127\")\n"
           "choose(\"one\", \"two\",\n"
           "       \"three\", \"four\")\n"
           "set_flag(1, choice())\n"
           "say(\"Count: \" .. get_flag(1))\n"
           "local t = {} function t.say(n) end t.say(5) t:say()\n"
           "flash(\"YELLOW\", -2) shake() erase_character() erase_background(0x1)\n"
           "wait(0.5) sound(\"theme.wav\") music_off(100) page()\n"
           "directory(\"ch2\")\n"
           "load_script(\"room.lua\")\n";
}

inline std::string fmf(std::int32_t width, std::int32_t height,
                       std::initializer_list<std::vector<std::uint8_t>> layers,
                       const std::string& identifier = "FMF_") {
    std::string out = identifier;
    const auto put32 = [&out](std::int32_t v) {
        for (int i = 0; i < 4; ++i)
            out += static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
    };
    put32(width * height * static_cast<std::int32_t>(layers.size()));
    put32(width);
    put32(height);
    out += static_cast<char>(16);
    out += static_cast<char>(16);
    out += static_cast<char>(layers.size());
    out += static_cast<char>(8);
    for (const auto& layer : layers) out.append(layer.begin(), layer.end());
    return out;
}

// Lays out the game in the working directory.
inline void write() {
    using testsupport::writeFile;
    writeFile(ini, settings());
    testsupport::writeSolidBMP("resource/level/pf.bmp", 64, 32, 0x00FF00);
    testsupport::writeSolidBMP("resource/level/cursor.bmp", 64, 32, 0xFFFFFF);
    testsupport::writeSolidBMP("resource/level/msgwin.bmp", 100, 20, 0x000080);
    testsupport::writeSolidBMP("resource/level/bg.bmp", 8, 8, 0x808080);
    testsupport::writeWAV("resource/sound/theme.wav", 100);
    writeFile(start, startScript());
    writeFile(room, "background(\"room.bmp\", 2)\nmap(\"town.fmf\")\npick_on_map()\n");
    testsupport::writeSolidBMP("resource/level/ch2/room.bmp", 8, 8, 0x404040);
    writeFile(town, fmf(2, 2, {{0, 0, 0, 0}, {0, 1, 2, 0}}));
    writeFile("resource/level/ch2/01.lua", "say(\"one\")\npage()\ngame_end()\n");
    writeFile("resource/level/ch2/02.lua", "load_script(\"01.lua\")\n");
}

// Line (from 1) of the first line of a file that starts with text; 0 if none.
inline int lineOf(const std::string& file, const std::string& text) {
    const std::string contents = testsupport::readFile(file);
    int line = 1;
    for (std::size_t at = 0; at < contents.size(); ++line) {
        if (contents.compare(at, text.size(), text) == 0) return line;
        const auto next = contents.find('\n', at);
        if (next == std::string::npos) break;
        at = next + 1;
    }
    return 0;
}

// Replaces the line of a settings key with "KEY = value"; returns its line.
inline int setKey(const std::string& key, const std::string& value) {
    std::string contents = testsupport::readFile(ini);
    const auto at = contents.find("\n" + key + " =") + 1;
    contents.replace(at, contents.find('\n', at) - at, key + " = " + value);
    testsupport::writeFile(ini, contents);
    return lineOf(ini, key + " =");
}

inline void removeKey(const std::string& key) {
    std::string contents = testsupport::readFile(ini);
    const auto at = contents.find("\n" + key + " =") + 1;
    contents.erase(at, contents.find('\n', at) + 1 - at);
    testsupport::writeFile(ini, contents);
}

// Puts a line in front of a script; it becomes line 1.
inline void prepend(const std::string& file, const std::string& line) {
    testsupport::writeFile(file, line + "\n" + testsupport::readFile(file));
}

}  // namespace smallgame
