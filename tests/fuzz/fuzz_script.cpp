// A script that calls the 22 commands with arbitrary arguments, run by the
// real LuaRunner in a scratch game folder with the dummy drivers, with clicks
// and keys pushed between frames. Every end by an Error is fine; anything else
// (a crash, another exception, a sanitizer report, a run past the frame bound)
// is a fault.
//
// The input is decoded, not parsed: two bytes of settings and input schedule,
// then statements of an operation byte, a command byte, an argument count and
// the arguments, each of which picks a Lua type and a value.
#include <SDL.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "adv/engine.h"
#include "adv/framestep.h"
#include "adv/luarunner.h"
#include "config/sysinfo.h"
#include "fuzz_input_file.h"
#include "luaexecutor/hostboundary.h"
#include "orba/orba.h"

namespace {

namespace fs = std::filesystem;

constexpr int maxFrames = 150;
constexpr int framesAfterEnd = 20;  // lets transitions, flashes and shakes run out
constexpr int maxStatements = 64;
constexpr const char* fontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// ---- the scratch game folder ----

void savePicture(const std::string& path, int w, int h, std::uint32_t rgb, std::uint32_t keyRgb = 0x000001) {
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xff0000, 0x00ff00, 0x0000ff, 0);
    if (!s) std::abort();
    SDL_FillRect(s, nullptr, rgb);
    SDL_Rect corner{0, 0, static_cast<Uint16>(w / 2), static_cast<Uint16>(h / 2)};
    SDL_FillRect(s, &corner, keyRgb);
    if (SDL_SaveBMP(s, path.c_str()) != 0) std::abort();
    SDL_FreeSurface(s);
}

void saveFile(const std::string& path, std::string_view bytes) {
    writeFuzzFile(path, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string le32(std::uint32_t v) {
    std::string out;
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xff);
    return out;
}

// 40 x 30 cells of 16 pixels cover the window; layer 1 holds (column + row) mod 20.
std::string mapFile(int layers) {
    const int w = 40, h = 30;
    std::string cells;
    for (int layer = 0; layer < layers; ++layer)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) cells += static_cast<char>(layer == 0 ? 0 : (x + y) % 20);
    return "FMF_" + le32(static_cast<std::uint32_t>(cells.size())) + le32(w) + le32(h) + std::string{16, 16} +
           static_cast<char>(layers) + static_cast<char>(8) + cells;
}

std::string wavFile() {
    const std::uint32_t frames = 256, bytes = frames * 4;
    std::string samples;
    for (std::uint32_t i = 0; i < frames * 2; ++i)
        samples += (i / 16) % 2 ? std::string("\x00\x10", 2) : std::string("\x00\xf0", 2);
    return "RIFF" + le32(36 + bytes) + "WAVEfmt " + le32(16) + std::string("\x01\x00\x02\x00", 4) +
           le32(22050) + le32(22050 * 4) + std::string("\x04\x00\x10\x00", 4) + "data" + le32(bytes) +
           samples;
}

struct PfVariant {
    int w, h;
};
constexpr std::array<PfVariant, 4> pfVariants{{{96, 32}, {16, 32}, {1, 1}, {200, 3}}};

void makeGame(const fs::path& root) {
    fs::create_directories(root / "resource/level/sub");
    fs::create_directories(root / "resource/sound");
    const std::string level = (root / "resource/level/").string();
    for (std::size_t i = 0; i < pfVariants.size(); ++i)
        savePicture(level + "pf" + std::to_string(i) + ".bmp", pfVariants[i].w, pfVariants[i].h, 0xff0000,
                    0x00ff00);
    savePicture(level + "cursor.bmp", 16, 8, 0xff00ff, 0x00ff00);
    savePicture(level + "msgwin.bmp", 640, 120, 0x0000ff);
    savePicture(level + "bg.bmp", 64, 48, 0x336699);
    savePicture(level + "bg2.bmp", 640, 480, 0x996633);
    savePicture(level + "ch.bmp", 32, 64, 0xffcc00, 0x00ff00);
    savePicture(level + "sub/bg.bmp", 8, 8, 0x123456);
    saveFile(level + "bad.bmp", "BM not a picture");
    saveFile(level + "map.fmf", mapFile(2));
    saveFile(level + "one.fmf", mapFile(1));
    saveFile(level + "bad.fmf", "FMF_\xff\xff\xff\x7f");
    saveFile(level + "01.lua", "MSG('one %F1') PF() SETF(1, GETF(1) + 1) EXIT()");
    saveFile(level + "02.lua", "LOAD('next.lua')");
    saveFile(level + "03.lua", "this is not Lua");
    saveFile(level + "next.lua", "SETF(2, GETF(2) + 1) MSG('%F2') PF() LOAD('next.lua')");
    saveFile(level + "sub/a.lua", "DRB('bg.bmp', 1) WAIT(1) DIRECTORY('') LOAD('01.lua')");
    saveFile((root / "resource/sound/s.wav").string(), wavFile());
    saveFile((root / "resource/sound/bad.wav").string(), "RIFF\x10\x00\x00\x00WAVE");
}

// Every command answers to its key without the CMD_ prefix, as the script below calls it.
void nameCommands() {
    for (const SettingsKey& key : settingsKeys()) {
        if (auto* text = std::get_if<std::string*>(&key.field); text && key.name.starts_with("CMD_"))
            **text = std::string(key.name.substr(4));
    }
}

std::vector<std::string>& commandNames() {
    static std::vector<std::string> names;
    return names;
}

// ---- decoding the input ----

class Bytes {
public:
    explicit Bytes(std::span<const std::uint8_t> data) : data_(data) {}
    bool done() const { return pos_ >= data_.size(); }
    std::uint8_t next() { return done() ? 0 : data_[pos_++]; }
    std::string_view take(std::size_t count) {
        count = std::min(count, data_.size() - pos_);
        const auto* start = reinterpret_cast<const char*>(data_.data() + pos_);
        pos_ += count;
        return {start, count};
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

template <class T, std::size_t N>
const T& pick(const std::array<T, N>& items, std::uint8_t b) {
    return items[b % N];
}

constexpr std::array<const char*, 34> numbers{"0",
                                              "1",
                                              "-1",
                                              "0.5",
                                              "-0.5",
                                              "1.9",
                                              "0.99",
                                              "2",
                                              "3",
                                              "127",
                                              "128",
                                              "-129",
                                              "2147483647",
                                              "2147483648",
                                              "-2147483648",
                                              "-2147483649",
                                              "4294967296",
                                              "1e308",
                                              "-1e308",
                                              "1/0",
                                              "-1/0",
                                              "0/0",
                                              "-(0/0)",
                                              "1e-300",
                                              "65535",
                                              "65536",
                                              "32767",
                                              "-32768",
                                              "9007199254740993",
                                              "640",
                                              "480",
                                              "16",
                                              "15",
                                              "-3"};

constexpr std::array<const char*, 36> strings{"",
                                              "%F",
                                              "%F1",
                                              "%f127",
                                              "%F128",
                                              "%F99999999999999999999",
                                              "%F-1",
                                              "a\\0b",
                                              "\\0",
                                              "bg.bmp",
                                              "bg2.bmp",
                                              "ch.bmp",
                                              "bad.bmp",
                                              "missing.bmp",
                                              "map.fmf",
                                              "one.fmf",
                                              "bad.fmf",
                                              "s.wav",
                                              "bad.wav",
                                              "start.lua",
                                              "next.lua",
                                              "01.lua",
                                              "sub",
                                              "a.lua",
                                              "../level/bg.bmp",
                                              "RED",
                                              "YELLOW",
                                              "red",
                                              "/",
                                              "resource",
                                              "\\255\\254",
                                              "\\195\\169 \\228\\184\\173",
                                              "%F0%F1%F12%f2",
                                              "sub/bg.bmp",
                                              ".",
                                              "02.lua"};

// The last two are lines of 4 Mi characters and of 128 Ki two-byte ones,
// far wider than the window.
constexpr std::array<const char*, 10> others{
    "{}",
    "{1, 'a'}",
    "print",
    "function() end",
    "coroutine.create(function() end)",
    "RET()",
    "GETF(1)",
    "i",
    "(function() local s = 'W' for i = 1, 22 do s = s .. s end return s end)()",
    "(function() local s = '\\195\\169' for i = 1, 17 do s = s .. s end return s end)()"};

// A Lua string literal holding the bytes exactly (NUL included).
std::string luaLiteral(std::string_view bytes) {
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\')
            out += static_cast<char>(c);
        else
            out += "\\" + std::to_string(c);
    }
    return out + "\"";
}

std::string argument(Bytes& in) {
    const std::uint8_t b = in.next();
    switch (b % 8) {
    case 0: return "nil";
    case 1: return (b & 8) ? "true" : "false";
    case 2: return pick(numbers, in.next());
    case 3: return std::to_string(static_cast<int>(in.next()) - 128);
    case 4: return std::string("\"") + pick(strings, in.next()) + "\"";
    case 5: return luaLiteral(in.take(in.next() % 32));
    case 6: return luaLiteral(std::string(in.next() % 8 * 100u + 1u, 'x'));
    default: return pick(others, in.next());
    }
}

std::string call(Bytes& in, bool asFunctionValue = false) {
    const std::string& name = commandNames()[in.next() % commandNames().size()];
    const int count = in.next() % 6;
    std::string args;
    for (int i = 0; i < count; ++i) args += (i ? ", " : "") + argument(in);
    if (asFunctionValue) return name + (args.empty() ? "" : ", " + args);
    return name + "(" + args + ")";
}

// One statement: a plain call, a kept result, a protected call, a loop, a
// call inside a coroutine, or a call whose result feeds another.
std::string statement(Bytes& in) {
    const std::uint8_t op = in.next();
    switch (op % 10) {
    case 5: return "local v = " + call(in) + " MSG(tostring(v))";
    case 6: return "pcall(" + call(in, true) + ")";
    case 7: return "for i = 1, " + std::to_string(in.next() % 20) + " do " + call(in) + " end";
    case 8: return "coroutine.wrap(function() " + call(in) + " end)()";
    case 9: {
        const std::string inner = call(in);
        return commandNames()[in.next() % commandNames().size()] + "(" + inner + ", " + argument(in) + ")";
    }
    default: return call(in);
    }
}

std::string script(Bytes& in) {
    std::ostringstream out;
    out << "local i = 0\n";
    for (int n = 0; n < maxStatements && !in.done(); ++n) out << statement(in) << "\n";
    return out.str();
}

// ---- settings and input ----

constexpr std::array<std::int32_t, 6> settingValues{0, 1, 40, 32767, 65535, INT32_MAX};

struct Schedule {
    int clickPeriod;
    bool keys;
    int pointer;
    bool quitAtEnd;
};

// libFuzzer's alarm may interrupt the copy's system call, which the library
// does not take up again.
void copyOver(const fs::path& from, const fs::path& to) {
    std::error_code error;
    do fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
    while (error == std::errc::interrupted);
    if (error) throw fs::filesystem_error("copy", from, to, error);
}

Schedule configure(Bytes& in, const fs::path& level) {
    const std::uint8_t a = in.next(), b = in.next();
    System::PF_TIMER = pick(settingValues, static_cast<std::uint8_t>((a & 7) + 1));
    System::MSG_MARGIN = pick(settingValues, static_cast<std::uint8_t>(((a >> 3) & 7) + 2));
    const std::int32_t place = (a & 0x40) ? pick(settingValues, b >> 5) : 100;
    System::POS_CH_L_X = System::POS_CH_M_Y = System::MSG_X = System::PF_Y = place;
    System::POS_CH_R_X = System::MSGWIN_Y = System::MSG_Y = System::PF_X = (a & 0x80) ? INT32_MAX : 300;
    System::MSGWIN_ALPHA = (b & 0x10) ? INT32_MAX : 200;
    const PfVariant& pf = pick(pfVariants, static_cast<std::uint8_t>(b >> 6));
    const fs::path variant = level / ("pf" + std::to_string(&pf - pfVariants.data()) + ".bmp");
    copyOver(variant, level / "pf.bmp");
    return Schedule{1 + (b & 3), (b & 4) != 0, (b >> 3) & 1, (b & 0x20) != 0};
}

void pushButton(bool down) {
    SDL_Event event{};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.type = event.type;
    event.button.button = SDL_BUTTON_LEFT;
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    SDL_PushEvent(&event);
}

void pushKey(SDLKey sym, bool down) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.type = event.type;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = sym;
    SDL_PushEvent(&event);
}

// Clicks wander over the choice boxes and the map cells (values 0 to 19).
void pushInput(const Schedule& schedule, int frame) {
    if (frame % schedule.clickPeriod != 0) return;
    const int x = schedule.pointer ? (frame * 37) % 640 : 16 * (frame % 20) + 4;
    const int y = schedule.pointer ? (frame * 53) % 480 : 80 + 60 * (frame % 4) + 10;
    SDL_WarpMouse(static_cast<Uint16>(x), static_cast<Uint16>(y));
    if (schedule.keys) {
        pushKey(SDLK_SPACE, true);
        pushKey(SDLK_SPACE, false);
    } else {
        pushButton(true);
        pushButton(false);
    }
}

bool scriptFinished(const LuaRunner& runner) {
    if (!runner.luaState) return true;
    const luaexecutor::ScriptState* s = luaexecutor::findScriptState(runner.luaState.get());
    return adv::course().state == adv::RunnerState::Running && adv::course().waitFrames == 0 &&
           adv::course().pendingScript.empty() && (!s || s->ended);
}

void play(const Schedule& schedule) {
    LuaRunner runner;
    runner.loadFile("start.lua");
    int endFrame = maxFrames;
    for (int frame = 0; frame < endFrame; ++frame) {
        pushInput(schedule, frame);
        if (schedule.quitAtEnd && frame == maxFrames - 1) pushKey(SDLK_ESCAPE, true);
        adv::runFrame(runner, 0);
        if (endFrame == maxFrames && scriptFinished(runner))
            endFrame = std::min(maxFrames, frame + framesAfterEnd);
    }
}

fs::path& gameFolder() {
    static fs::path folder;
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    useDummyDrivers();
    gameFolder() = fs::path(fuzzScratchFolder()) / ("orba-fuzz-game-" + std::to_string(getpid()));
    fs::remove_all(gameFolder());
    makeGame(gameFolder());
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(gameFolder(), ignored);
    });
    // PRINT and the interpreter's messages would drown the fuzzer's own output.
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
    std::cerr.rdbuf(nullptr);
    nameCommands();
    for (const SettingsKey& key : settingsKeys())
        if (key.name.starts_with("CMD_")) commandNames().push_back(std::string(key.name.substr(4)));
    System::CAPTION = "fuzz";
    System::FONT = fontPath;
    System::FONT_SIZE = 16;
    return 0;
}

// The engine's paths are relative to the game folder; the fuzzer's own (corpus,
// artifacts) to the folder it was started in.
class InGameFolder {
public:
    InGameFolder() : previous_(fs::current_path()) { fs::current_path(gameFolder()); }
    ~InGameFolder() { fs::current_path(previous_); }
    InGameFolder(const InGameFolder&) = delete;
    InGameFolder& operator=(const InGameFolder&) = delete;

private:
    fs::path previous_;
};

// Opening the platform takes about a tenth of a second (the dummy audio
// device's thread sleeps a buffer's time), so it stays open between inputs
// and each input starts from a platform without the engine's pictures, music
// or input. Only after the quit Error, which stays latched, is it opened anew.
bool platformOpen = false;

void preparePlatform() {
    if (!platformOpen) {
        Orba_quit();
        Orba_init(System::CAPTION, 640, 480, false);
        Orba_openFont("MSGOTHIC24", System::FONT_SIZE, System::FONT);
        platformOpen = true;
    }
    for (const char* key : {"pf", "cursor", "msgwin", "bg", "bg2", "charaL", "charaM", "charaR"})
        Orba_freeBMP(key);
    Orba_stopBgm(0);
    Orba_setOffset(0, 0);
    Orba_setColorHex(0xFFFFFF);
    Orba_update(0);  // drops the previous input's pushes
    Orba_update(0);
    saveFile("run.log", "");
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const InGameFolder inGame;
    Bytes in({data, size});
    const Schedule schedule = configure(in, gameFolder() / "resource/level");
    const std::string text = script(in);
    saveFile("resource/level/start.lua", text);
    if (std::getenv("ORBA_FUZZ_SHOW_SCRIPT"))
        std::fprintf(stderr, "%s", text.c_str());  // for reading a crash
    bool quit = false;
    try {
        preparePlatform();
        play(schedule);
    } catch (const Error& e) {
        quit = std::string_view(e.what()) == "dOrba system quit.";
    }
    if (quit) platformOpen = false;
    return 0;
}
