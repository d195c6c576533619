#include "testsupport.h"

#include <SDL.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "orba/orba.h"
#include "orba/orba_testing.h"

namespace fs = std::filesystem;

namespace {

// Sets an environment variable unless it is set already.
void setDefault(const char* name, const char* value) {
#ifdef _WIN32
    if (!std::getenv(name)) _putenv_s(name, value);
#else
    setenv(name, value, 0);
#endif
}

// Every test program runs headless, and knows where the sources and the build are.
const bool environmentReady = [] {
    setDefault("SDL_VIDEODRIVER", "dummy");
    setDefault("SDL_AUDIODRIVER", "dummy");
    setDefault("ORBA_SOURCE_DIR", ORBA_SOURCE_DIR);
    setDefault("ORBA_BINARY_DIR", ORBA_BINARY_DIR);
    return true;
}();

// A new folder of a unique name in the system's temporary folder.
fs::path makeTempFolder() {
#ifdef _WIN32
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path folder = fs::temp_directory_path() / ("orbatest-" + std::to_string(random()));
        if (fs::create_directory(folder)) return folder;
    }
    throw std::runtime_error("no temporary folder could be made");
#else
    std::string pattern = (fs::temp_directory_path() / "orbatest-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) throw std::runtime_error("mkdtemp failed");
    return buffer.data();
#endif
}

}  // namespace

namespace testsupport {

TempDir::TempDir() : dir_(makeTempFolder()), previous_(fs::current_path()) { fs::current_path(dir_); }

TempDir::~TempDir() {
    std::error_code ec;
    fs::current_path(previous_, ec);
    fs::remove_all(dir_, ec);
}

void writeFile(const fs::path& file, std::string_view bytes) {
    if (file.has_parent_path()) fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> makeSpecialFiles([[maybe_unused]] const std::string& extension,
                                          [[maybe_unused]] const std::string& folder) {
#ifdef _WIN32
    return {};
#else
    if (!folder.empty()) fs::create_directories(folder);
    const std::string fifo = folder + "fifo" + extension, device = folder + "device" + extension;
    if (::mkfifo(fifo.c_str(), 0644) != 0) throw std::runtime_error("cannot make FIFO " + fifo);
    fs::create_symlink("/dev/zero", device);
    return {fifo, device};
#endif
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string lastLogLine() {
    std::istringstream log(readFile("run.log"));
    std::string line, last;
    while (std::getline(log, line))
        if (!line.empty()) last = line;
    return last;
}

static void put16(std::string& out, unsigned v) {
    out += static_cast<char>(v & 0xff);
    out += static_cast<char>((v >> 8) & 0xff);
}
static void put32(std::string& out, unsigned v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

void writeBMP(const fs::path& file, int width, int height,
              const std::function<std::uint32_t(int, int)>& colour) {
    const unsigned rowBytes = (static_cast<unsigned>(width) * 3 + 3) & ~3u;
    const unsigned imageBytes = rowBytes * static_cast<unsigned>(height);
    std::string out;
    out += "BM";
    put32(out, 54 + imageBytes);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, static_cast<unsigned>(width));
    put32(out, static_cast<unsigned>(height));
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);
    put32(out, imageBytes);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int y = height - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            std::uint32_t c = colour(x, y);
            row += static_cast<char>(c & 0xff);
            row += static_cast<char>((c >> 8) & 0xff);
            row += static_cast<char>((c >> 16) & 0xff);
        }
        row.resize(rowBytes, '\0');
        out += row;
    }
    writeFile(file, out);
}

void writeSolidBMP(const fs::path& file, int width, int height, std::uint32_t rgb) {
    writeBMP(file, width, height, [rgb](int, int) { return rgb; });
}

static void push(SDL_Event& event) {
    if (SDL_PushEvent(&event) != 0) throw std::runtime_error("SDL_PushEvent failed");
}

void pushKey(int sym, bool down) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.type = event.type;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = static_cast<SDLKey>(sym);
    push(event);
}

void tapKey(int sym) {
    pushKey(sym, true);
    pushKey(sym, false);
}

void pushMouseButton(int button, bool down) {
    SDL_Event event{};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.type = event.type;
    event.button.button = static_cast<Uint8>(button);
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    push(event);
}

void click() {
    pushMouseButton(SDL_BUTTON_LEFT, true);
    pushMouseButton(SDL_BUTTON_LEFT, false);
}

void moveMouse(int x, int y) { SDL_WarpMouse(static_cast<Uint16>(x), static_cast<Uint16>(y)); }

void pushQuit() {
    SDL_Event event{};
    event.type = SDL_QUIT;
    push(event);
}

void pushJoyButton(int button, bool down) {
    SDL_Event event{};
    event.type = down ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP;
    event.jbutton.type = event.type;
    event.jbutton.which = 0;
    event.jbutton.button = static_cast<Uint8>(button);
    event.jbutton.state = down ? SDL_PRESSED : SDL_RELEASED;
    push(event);
}

void pushJoyAxis(int axis, std::int16_t value) {
    SDL_Event event{};
    event.type = SDL_JOYAXISMOTION;
    event.jaxis.type = event.type;
    event.jaxis.which = 0;
    event.jaxis.axis = static_cast<Uint8>(axis);
    event.jaxis.value = value;
    push(event);
}

static std::uint32_t readPixel(SDL_Surface* surface, int x, int y) {
    if (!surface || x < 0 || y < 0 || x >= surface->w || y >= surface->h)
        throw std::runtime_error("pixel outside the surface");
    SDL_LockSurface(surface);
    const int bpp = surface->format->BytesPerPixel;
    const Uint8* p = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch + x * bpp;
    Uint32 value = 0;
    switch (bpp) {
    case 1: value = *p; break;
    case 2: value = *reinterpret_cast<const Uint16*>(p); break;
    case 3: value = static_cast<Uint32>(p[0] | p[1] << 8 | p[2] << 16); break;
    default: value = *reinterpret_cast<const Uint32*>(p); break;
    }
    SDL_UnlockSurface(surface);
    Uint8 r, g, b;
    SDL_GetRGB(value, surface->format, &r, &g, &b);
    return static_cast<std::uint32_t>(r) << 16 | static_cast<std::uint32_t>(g) << 8 | b;
}

std::uint32_t pixel(int x, int y) { return readPixel(Orba_testBackBuffer(), x, y); }
std::uint32_t screenPixel(int x, int y) { return readPixel(Orba_testScreen(), x, y); }

std::string errorText(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

void initWindow() {
    setDefault("SDL_VIDEODRIVER", "dummy");
    setDefault("SDL_AUDIODRIVER", "dummy");
    Orba_init("test", 640, 480, false);
}

}  // namespace testsupport

namespace testsupport {

void writeWAV(const fs::path& file, int frames, int rate, int channels) {
    const unsigned blockAlign = static_cast<unsigned>(channels) * 2;
    const unsigned dataBytes = static_cast<unsigned>(frames) * blockAlign;
    std::string out = "RIFF";
    put32(out, 36 + dataBytes);
    out += "WAVEfmt ";
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, static_cast<unsigned>(channels));
    put32(out, static_cast<unsigned>(rate));
    put32(out, static_cast<unsigned>(rate) * blockAlign);
    put16(out, blockAlign);
    put16(out, 16);
    out += "data";
    put32(out, dataBytes);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) put16(out, (i / 50) % 2 ? 0x0800 : 0xf800);
    writeFile(file, out);
}

}  // namespace testsupport
