// Save thumbnails: the last frame, shrunk by averaging and written as a BMP.
#include "orba/thumbnail.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "orba/orba_state.h"

namespace orba {
namespace {

// The surface that holds the last frame shown: the back buffer while nothing
// of the frame in progress has been applied to it, else the frame as
// presented, at the shake's offset.
SDL_Surface* lastFrame() {
    State& s = state();
    return s.frame.applied == 0 ? s.backBuffer.get() : presentedFrame();
}

// A copy of the picture as 32-bit 0xRRGGBB pixels, whatever its format.
SurfacePtr asRGB(SDL_Surface* picture) {
    SDL_PixelFormat format{};
    format.BitsPerPixel = 32;
    format.BytesPerPixel = 4;
    format.Rmask = 0xff0000;
    format.Gmask = 0x00ff00;
    format.Bmask = 0x0000ff;
    format.Rshift = 16;
    format.Gshift = 8;
    format.alpha = SDL_ALPHA_OPAQUE;
    return SurfacePtr(SDL_ConvertSurface(picture, &format, SDL_SWSURFACE));
}

// The columns (or rows) of the source that thumbnail column i averages: at
// least one, so that a source smaller than the thumbnail is stretched.
std::pair<int, int> block(int i, int sourceSize, int thumbnailSize) {
    const int first = std::min(i * sourceSize / thumbnailSize, sourceSize - 1);
    return {first, std::max((i + 1) * sourceSize / thumbnailSize, first + 1)};
}

// The average colour of a block of 0xRRGGBB pixels, rounded.
std::uint32_t averageOf(const SDL_Surface* rgb, std::pair<int, int> xs, std::pair<int, int> ys) {
    std::uint32_t sum[3] = {0, 0, 0};
    for (int y = ys.first; y < ys.second; ++y) {
        const auto* row =
            static_cast<const std::uint8_t*>(rgb->pixels) + static_cast<std::ptrdiff_t>(y) * rgb->pitch;
        for (int x = xs.first; x < xs.second; ++x) {
            std::uint32_t pixel;
            std::memcpy(&pixel, row + 4 * x, 4);
            for (int c = 0; c < 3; ++c) sum[c] += pixel >> (16 - 8 * c) & 0xff;
        }
    }
    const auto count = static_cast<std::uint32_t>((xs.second - xs.first) * (ys.second - ys.first));
    std::uint32_t colour = 0;
    for (int c = 0; c < 3; ++c) colour = colour << 8 | (sum[c] + count / 2) / count;
    return colour;
}

void put16(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v & 0xff);
    out += static_cast<char>(v >> 8 & 0xff);
}
void put32(std::string& out, std::uint32_t v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

// A 24-bit BMP of the thumbnail's size: its headers, then the rows bottom up.
std::string bmpHeaders() {
    const std::uint32_t rowBytes = (thumbnailWidth * 3 + 3) & ~3u;
    const std::uint32_t imageBytes = rowBytes * thumbnailHeight;
    std::string out = "BM";
    put32(out, 54 + imageBytes);
    put32(out, 0);
    put32(out, 54);  // where the rows start
    put32(out, 40);  // the usual info header
    put32(out, thumbnailWidth);
    put32(out, thumbnailHeight);  // positive: the rows run bottom up
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);  // no compression
    put32(out, imageBytes);
    put32(out, 2835);  // 72 dots per inch
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    return out;
}

std::string thumbnailBMP(SDL_Surface* rgb) {
    std::string out = bmpHeaders();
    const std::size_t padding = (4 - thumbnailWidth * 3 % 4) % 4;
    SDL_LockSurface(rgb);
    for (int ty = thumbnailHeight - 1; ty >= 0; --ty) {
        const auto ys = block(ty, rgb->h, thumbnailHeight);
        for (int tx = 0; tx < thumbnailWidth; ++tx) {
            const std::uint32_t colour = averageOf(rgb, block(tx, rgb->w, thumbnailWidth), ys);
            out += static_cast<char>(colour & 0xff);  // blue, green, red
            out += static_cast<char>(colour >> 8 & 0xff);
            out += static_cast<char>(colour >> 16 & 0xff);
        }
        out.append(padding, '\0');
    }
    SDL_UnlockSurface(rgb);
    return out;
}

}  // namespace
}  // namespace orba

WriteResult Orba_saveThumbnail(const std::string& path) {
    SDL_Surface* frame = orba::state().screen ? orba::lastFrame() : nullptr;
    if (!frame) return {false, "cannot write " + path + ": no window"};
    const SurfacePtr rgb = orba::asRGB(frame);
    if (!rgb || rgb->w <= 0 || rgb->h <= 0)
        return {false, "cannot write " + path + ": no picture of the screen"};
    return writeFileAtomically(path, orba::thumbnailBMP(rgb.get()));
}
