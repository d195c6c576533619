#pragma once
// A small game folder for the frame benchmarks: made in a scratch directory
// (which becomes the working directory), with generated 24-bit pictures of
// the sample game's sizes, its layout settings and the DejaVu font, and a
// window under the dummy drivers.
#include <SDL.h>
#include <unistd.h>
#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "adv/framestep.h"
#include "adv/luarunner.h"
#include "adv/screen.h"
#include "config/sysinfo.h"
#include "orba/orba.h"

namespace benchgame {

namespace fs = std::filesystem;

inline void writeFile(const fs::path& file, std::string_view bytes) {
    if (file.has_parent_path()) fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline void put(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xff);
}

// A 24-bit BMP whose pixel (x, y) is colour(x, y) as 0xRRGGBB.
inline void writeBMP(const fs::path& file, int width, int height,
                     const std::function<std::uint32_t(int, int)>& colour) {
    const auto rowBytes = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const auto imageBytes = rowBytes * static_cast<std::uint32_t>(height);
    std::string out = "BM";
    put(out, 54 + imageBytes, 4);
    put(out, 0, 4);
    put(out, 54, 4);
    put(out, 40, 4);
    put(out, static_cast<std::uint32_t>(width), 4);
    put(out, static_cast<std::uint32_t>(height), 4);
    put(out, 1, 2);
    put(out, 24, 2);
    for (int i = 0; i < 6; ++i) put(out, i == 1 ? imageBytes : 0, 4);
    for (int y = height - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < width; ++x) put(row, colour(x, y), 3);
        row.resize(rowBytes, '\0');
        out += row;
    }
    writeFile(file, out);
}

// A 160 x 320 RGBA PNG of a figure whose edge fades out over a band about
// 15 pixels wide: far more soft pixels than a drawn character has.
inline void writeSoftPNG(const fs::path& file, int tint) {
    auto bigEndian = [](std::string& out, std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(v >> shift & 255);
    };
    auto chunk = [&](const std::string& typeAndData) {
        std::string c;
        bigEndian(c, static_cast<std::uint32_t>(typeAndData.size() - 4));
        c += typeAndData;
        bigEndian(c, static_cast<std::uint32_t>(
                         crc32(0, reinterpret_cast<const Bytef*>(typeAndData.data()), typeAndData.size())));
        return c;
    };
    std::string raw;
    for (int y = 0; y < 320; ++y) {
        raw += '\0';
        for (int x = 0; x < 160; ++x) {
            const double d = std::hypot((x - 80) / 75.0, (y - 160) / 155.0);
            const int alpha = d < 0.9 ? 255 : d > 1.0 ? 0 : static_cast<int>((1.0 - d) * 2550);
            raw += {static_cast<char>(tint + x / 2), static_cast<char>(200 - y / 2), static_cast<char>(y / 3),
                    static_cast<char>(alpha)};
        }
    }
    uLongf size = compressBound(raw.size());
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
             raw.size());
    packed.resize(size);
    std::string header = "IHDR";
    bigEndian(header, 160), bigEndian(header, 320);
    header += {8, 6, 0, 0, 0};
    writeFile(file, "\x89PNG\r\n\x1a\n" + chunk(header) + chunk("IDAT" + packed) + chunk("IEND"));
}

inline std::uint32_t rgb(int r, int g, int b) {
    return static_cast<std::uint32_t>((r & 255) << 16 | (g & 255) << 8 | (b & 255));
}

// Every command under its own upper-case name (CMD_MSG is "MSG"), and the
// sample game's layout.
inline void setSettings() {
    System::CAPTION = "bench";
    System::FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    System::FONT_SIZE = 20;
    System::CMD_PRINT = "PRINT";
    System::CMD_DIRECTORY = "DIRECTORY";
    System::CMD_MSG = "MSG";
    System::CMD_PF = "PF";
    System::CMD_SELECT = "SELECT";
    System::CMD_DRB = "DRB";
    System::CMD_ERB = "ERB";
    System::CMD_DRC = "DRC";
    System::CMD_ERC = "ERC";
    System::CMD_BGM = "BGM";
    System::CMD_BGMOFF = "BGMOFF";
    System::CMD_SE = "SE";
    System::CMD_WAIT = "WAIT";
    System::CMD_LOAD = "LOAD";
    System::CMD_RET = "RET";
    System::CMD_SETF = "SETF";
    System::CMD_GETF = "GETF";
    System::CMD_MAP = "MAP";
    System::CMD_EXIT = "EXIT";
    System::CMD_FLASH = "FLASH";
    System::CMD_SHAKE = "SHAKE";
    System::CMD_END = "END";
    System::PF_TIMER = 6;
    System::PF_X = 596;
    System::PF_Y = 446;
    System::MSG_X = 44;
    System::MSG_Y = 346;
    System::MSG_MARGIN = 28;
    System::MSGWIN_X = 20;
    System::MSGWIN_Y = 330;
    System::MSGWIN_ALPHA = 210;
    System::POS_CH_L_X = 130;
    System::POS_CH_L_Y = 250;
    System::POS_CH_M_X = 320;
    System::POS_CH_M_Y = 250;
    System::POS_CH_R_X = 510;
    System::POS_CH_R_Y = 250;
}

// A figure on pure green, the transparent colour.
inline std::uint32_t character(int x, int y, int tint) {
    const int dx = x - 80, dy = y - 160;
    if (dx * dx * 4 + dy * dy > 150 * 150) return 0x00FF00;
    return rgb(tint + y / 4, 90 + x / 3, 160 - y / 4);
}

inline void writePictures() {
    const std::string level = "resource/level/";
    writeBMP(level + "pf.bmp", 96, 24, [](int x, int y) {
        return (x % 24 - 12) * (x % 24 - 12) + (y - 12) * (y - 12) < 64 ? rgb(255, 220, 80) : 0x00FF00;
    });
    writeBMP(level + "cursor.bmp", 64, 32,
             [](int x, int y) { return x % 32 < 32 - y ? rgb(250, 250, 250) : 0x00FF00; });
    writeBMP(level + "msgwin.bmp", 600, 140, [](int x, int y) { return rgb(20 + y / 4, 30, 60 + x / 10); });
    writeBMP(level + "day.bmp", 640, 480, [](int x, int y) { return rgb(x / 3, 120 + y / 5, 200 - y / 3); });
    writeBMP(level + "dusk.bmp", 640, 480, [](int x, int y) { return rgb(200 - y / 3, x / 5, 90 + x / 8); });
    for (int i = 0; i < 3; ++i)
        writeBMP(level + "chara" + std::to_string(i) + ".bmp", 160, 320,
                 [i](int x, int y) { return character(x, y, 60 * i); });
    for (int i = 0; i < 3; ++i) writeSoftPNG(level + "soft" + std::to_string(i) + ".png", 60 * i);
}

// The game folder in a fresh scratch directory, a window, the font and the runner.
class Game {
public:
    Game() {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        previous_ = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "orbabench-XXXXXX").string();
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (!mkdtemp(buffer.data())) throw std::runtime_error("mkdtemp failed");
        dir_ = buffer.data();
        fs::current_path(dir_);
        setSettings();
        writePictures();
        Orba_init(System::CAPTION, adv::screenWidth, adv::screenHeight, false);
        Orba_openFont("MSGOTHIC24", System::FONT_SIZE, System::FONT);
        runner = std::make_unique<LuaRunner>();
        SDL_WarpMouse(320, 240);
    }
    ~Game() {
        runner.reset();
        Orba_quit();
        std::error_code ec;
        fs::current_path(previous_, ec);
        fs::remove_all(dir_, ec);
    }
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // Writes start.lua, loads it and runs frames until the script waits.
    void start(std::string_view script, int frames = 2) {
        writeFile("resource/level/start.lua", script);
        runner->loadFile("start.lua");
        for (int i = 0; i < frames; ++i) step();
    }

    // One measured frame; kept out of line so that a profiler can count it alone.
    [[gnu::noinline]] void frame() { step(); }

    std::unique_ptr<LuaRunner> runner;

private:
    // One pass of the main loop without waiting.
    void step() { adv::runFrame(*runner, 0); }

    fs::path dir_, previous_;
};

// Four lines of the sample game's length.
inline constexpr std::string_view fourLines =
    "MSG('Mira: There you are! The lantern festival')\n"
    "MSG('starts at dusk, and we have nothing ready.')\n"
    "MSG('Tom: I brought paper, string and a box')\n"
    "MSG('of little candles, enough for all of us.')\n";

}  // namespace benchgame
