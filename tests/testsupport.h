#pragma once
// Shared helpers for the tests: scratch folders, files, BMP writing, input
// events pushed through SDL's queue, and back-buffer pixel reads.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// A fresh empty folder that is the working directory while the object lives.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return dir_; }

private:
    std::filesystem::path dir_;
    std::filesystem::path previous_;
};

void writeFile(const std::filesystem::path& file, std::string_view bytes);  // makes parent folders
// Makes files that are not regular where a game's file could be: a FIFO
// without a writer ("fifo" + extension) and a link to a device without end
// ("device" + extension), in the folder given; returns their paths, none
// where the system has neither (Windows), and then the test skips its check.
std::vector<std::string> makeSpecialFiles(const std::string& extension, const std::string& folder = "");
constexpr const char* noSpecialFiles = "Windows has no FIFOs and no device files in folders";
std::string readFile(const std::filesystem::path& file);
std::string lastLogLine();  // last non-empty line of run.log in the working directory

// Writes a 24-bit BMP whose pixel (x, y) is colour(x, y) as 0xRRGGBB.
void writeBMP(const std::filesystem::path& file, int width, int height,
              const std::function<std::uint32_t(int, int)>& colour);
void writeSolidBMP(const std::filesystem::path& file, int width, int height, std::uint32_t rgb);

// Input, through SDL's event queue; it shows in the snapshot of the next Orba_update.
void pushKey(int sym, bool down);
void tapKey(int sym);  // pressed and released before the next frame
void pushMouseButton(int button, bool down);
void click();  // left button pressed and released before the next frame
void moveMouse(int x, int y);
void pushQuit();
void pushJoyButton(int button, bool down);
void pushJoyAxis(int axis, std::int16_t value);

// Back-buffer pixel as 0xRRGGBB.
std::uint32_t pixel(int x, int y);
std::uint32_t screenPixel(int x, int y);

// The text of the Error that action throws, or "(no error)".
std::string errorText(const std::function<void()>& action);

// Orba_init with the dummy drivers, 640 x 480, windowed.
void initWindow();

}  // namespace testsupport

namespace testsupport {

// Writes a 16-bit PCM WAV file of `frames` sample frames holding a quiet square wave.
void writeWAV(const std::filesystem::path& file, int frames, int rate = 22050, int channels = 2);

}  // namespace testsupport
