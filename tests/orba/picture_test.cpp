// Pictures may be converted to the back buffer's format when they are
// loaded; drawn, opaque or translucent, they must give exactly the bytes that
// SDL gives for the picture kept in its file's format.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "orba/orba.h"
#include "orba/orba_testing.h"
#include "testsupport.h"

using namespace testsupport;

namespace {

struct PictureCase {
    const char* name;
    int keyR, keyG, keyB;  // as Orba_loadBMP takes them: -1 corner key, -2 none
    int alpha;             // -1: never set
    int bits = 24;         // of the file
};
void PrintTo(const PictureCase& c, std::ostream* out) { *out << c.name; }

class PictureTest : public ::testing::TestWithParam<PictureCase> {
protected:
    void SetUp() override { initWindow(); }
    void TearDown() override { Orba_quit(); }
    TempDir dir;
};

// What SDL itself makes of the file: loaded, keyed, blitted as it is.
SDL_Surface* referencePicture(const PictureCase& c) {
    SDL_Surface* loaded = SDL_LoadBMP("odd.bmp");
    if (c.keyR >= -1) {
        Uint32 key = SDL_MapRGB(loaded->format, static_cast<Uint8>(c.keyR), static_cast<Uint8>(c.keyG),
                                static_cast<Uint8>(c.keyB));
        if (c.keyR == -1) {
            const auto* p = static_cast<const Uint8*>(loaded->pixels);
            key = static_cast<Uint32>(p[0] | p[1] << 8 | p[2] << 16);
        }
        SDL_SetColorKey(loaded, SDL_SRCCOLORKEY | SDL_RLEACCEL, key);
    }
    if (c.alpha >= 0) SDL_SetAlpha(loaded, SDL_SRCALPHA, static_cast<Uint8>(c.alpha));
    return loaded;
}

std::string bytesOf(SDL_Surface* s) {
    SDL_LockSurface(s);
    std::string bytes(static_cast<const char*>(s->pixels),
                      static_cast<std::size_t>(s->pitch) * static_cast<std::size_t>(s->h));
    SDL_UnlockSurface(s);
    return bytes;
}

std::uint32_t oddColour(int x, int y) {
    if ((x + y) % 5 == 0) return 0x00ff00u;
    return x == 0 && y == 0 ? 0xff00ffu
                            : static_cast<std::uint32_t>((x * 6) << 16 | (y * 11) << 8 | ((x ^ y) * 3));
}

// A BMP file of 32 bits, of 16 (5 bits a colour) or of 24 with its top row
// first (-24), as few programs write them.
void writeOtherBMP(const char* name, int width, int height, int bits) {
    std::string out = "BM";
    auto put = [&out](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> (8 * i) & 255);
    };
    const int bytesPerPixel = std::abs(bits) / 8;
    const auto rowBytes = static_cast<std::uint32_t>(width * bytesPerPixel + 3) & ~3u;
    const auto size = rowBytes * static_cast<std::uint32_t>(height);
    put(54 + size, 4), put(0, 4), put(54, 4), put(40, 4), put(static_cast<std::uint32_t>(width), 4);
    put(static_cast<std::uint32_t>(bits < 0 ? -height : height), 4), put(1, 2),
        put(static_cast<std::uint32_t>(std::abs(bits)), 2);
    put(0, 4), put(size, 4), put(2835, 4), put(2835, 4), put(0, 4), put(0, 4);
    for (int row = 0; row < height; ++row) {
        const int y = bits < 0 ? row : height - 1 - row;
        std::string line;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = oddColour(x, y);
            if (bits == 16)
                put((c >> 19 & 31) << 10 | (c >> 11 & 31) << 5 | (c >> 3 & 31), 2);
            else
                put(c, bytesPerPixel);
        }
        out.append(rowBytes - static_cast<std::uint32_t>(width * bytesPerPixel), '\0');
    }
    writeFile(name, out);
}

TEST_P(PictureTest, DrawsTheBytesOfThePictureInItsFilesFormat) {
    const PictureCase& c = GetParam();
    // An odd width pads every row of a 24-bit file; green and magenta for the keys.
    if (c.bits == 24)
        writeBMP("odd.bmp", 37, 23, oddColour);
    else
        writeOtherBMP("odd.bmp", 37, 23, c.bits);
    Orba_loadBMP("pic", "odd.bmp", c.keyR, c.keyG, c.keyB);
    if (c.alpha >= 0) Orba_setAlpha("pic", c.alpha);
    Orba_fillRect(0, 0, 0, 0, 40, 90, 140);
    SDL_Surface* buffer = Orba_testBackBuffer();
    SDL_Surface* expected = SDL_ConvertSurface(buffer, buffer->format, SDL_SWSURFACE);
    SDL_Surface* reference = referencePicture(c);
    for (int x : {0, 301, 630}) {
        Orba_draw("pic", x, 13 + x % 7, 0, 0, 0, 0);
        SDL_Rect at{static_cast<Sint16>(x), static_cast<Sint16>(13 + x % 7), 0, 0};
        SDL_BlitSurface(reference, nullptr, expected, &at);
    }
    EXPECT_TRUE(bytesOf(Orba_testBackBuffer()) == bytesOf(expected));
    SDL_FreeSurface(reference);
    SDL_FreeSurface(expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, PictureTest,
    ::testing::Values(
        PictureCase{"no_key", -2, 0, 0, -1}, PictureCase{"green_key", 0, 255, 0, -1},
        PictureCase{"corner_key", -1, 0, 0, -1}, PictureCase{"no_key_translucent", -2, 0, 0, 100},
        PictureCase{"keyed_translucent", 0, 255, 0, 128}, PictureCase{"keyed_faint", 0, 255, 0, 37},
        PictureCase{"no_key_half", -2, 0, 0, 128}, PictureCase{"no_key_almost_opaque", -2, 0, 0, 254},
        PictureCase{"no_key_invisible", -2, 0, 0, 0}, PictureCase{"keyed_opaque_alpha", 0, 255, 0, 255},
        PictureCase{"file_of_32_bits", 0, 255, 0, -1, 32},
        PictureCase{"file_of_32_bits_translucent", -2, 0, 0, 90, 32},
        PictureCase{"top_down_translucent", -2, 0, 0, 90, -24},
        PictureCase{"file_of_16_bits_translucent", -2, 0, 0, 90, 16},
        PictureCase{"file_of_16_bits_keyed", 0, 255, 0, -1, 16}),
    [](const ::testing::TestParamInfo<PictureCase>& info) { return std::string(info.param.name); });

}  // namespace
