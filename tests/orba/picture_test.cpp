// Pictures are converted to the back buffer's format when they are loaded;
// drawn, they must give exactly the bytes that SDL's own loading and
// blitting of the file give.
#include <gtest/gtest.h>
#include <SDL.h>

#include <cstdint>
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

// What SDL itself makes of the file: loaded, keyed, converted, blitted.
SDL_Surface* referencePicture(const PictureCase& c, const SDL_PixelFormat* format) {
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
    SDL_Surface* converted =
        SDL_ConvertSurface(loaded, const_cast<SDL_PixelFormat*>(format), SDL_SWSURFACE | (loaded->flags & (SDL_SRCCOLORKEY | SDL_RLEACCEL)));
    SDL_FreeSurface(loaded);
    if (c.alpha >= 0) SDL_SetAlpha(converted, SDL_SRCALPHA, static_cast<Uint8>(c.alpha));
    return converted;
}

std::string bytesOf(SDL_Surface* s) {
    SDL_LockSurface(s);
    std::string bytes(static_cast<const char*>(s->pixels), static_cast<std::size_t>(s->pitch) * static_cast<std::size_t>(s->h));
    SDL_UnlockSurface(s);
    return bytes;
}

std::uint32_t oddColour(int x, int y) {
    if ((x + y) % 5 == 0) return 0x00ff00u;
    return x == 0 && y == 0 ? 0xff00ffu : static_cast<std::uint32_t>((x * 6) << 16 | (y * 11) << 8 | ((x ^ y) * 3));
}

// A 32-bit BMP file, bottom row first, as few programs write them.
void write32BitBMP(const char* name, int width, int height) {
    std::string out = "BM";
    auto put = [&out](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> (8 * i) & 255);
    };
    const auto size = static_cast<std::uint32_t>(width * height * 4);
    put(54 + size, 4), put(0, 4), put(54, 4), put(40, 4), put(static_cast<std::uint32_t>(width), 4);
    put(static_cast<std::uint32_t>(height), 4), put(1, 2), put(32, 2), put(0, 4), put(size, 4);
    put(2835, 4), put(2835, 4), put(0, 4), put(0, 4);
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x) put(oddColour(x, y), 4);
    writeFile(name, out);
}

TEST_P(PictureTest, DrawsTheBytesOfSDLsOwnConversion) {
    const PictureCase& c = GetParam();
    // An odd width pads every row of a 24-bit file; green and magenta for the keys.
    if (c.bits == 24)
        writeBMP("odd.bmp", 37, 23, oddColour);
    else
        write32BitBMP("odd.bmp", 37, 23);
    Orba_loadBMP("pic", "odd.bmp", c.keyR, c.keyG, c.keyB);
    if (c.alpha >= 0) Orba_setAlpha("pic", c.alpha);
    Orba_fillRect(0, 0, 0, 0, 40, 90, 140);
    SDL_Surface* buffer = Orba_testBackBuffer();
    SDL_Surface* expected = SDL_ConvertSurface(buffer, buffer->format, SDL_SWSURFACE);
    SDL_Surface* reference = referencePicture(c, buffer->format);
    for (int x : {0, 301, 630}) {
        Orba_draw("pic", x, 13 + x % 7, 0, 0, 0, 0);
        SDL_Rect at{static_cast<Sint16>(x), static_cast<Sint16>(13 + x % 7), 0, 0};
        SDL_BlitSurface(reference, nullptr, expected, &at);
    }
    EXPECT_TRUE(bytesOf(Orba_testBackBuffer()) == bytesOf(expected));
    SDL_FreeSurface(reference);
    SDL_FreeSurface(expected);
}

INSTANTIATE_TEST_SUITE_P(Pictures, PictureTest,
                         ::testing::Values(PictureCase{"no_key", -2, 0, 0, -1}, PictureCase{"green_key", 0, 255, 0, -1},
                                           PictureCase{"corner_key", -1, 0, 0, -1},
                                           PictureCase{"no_key_translucent", -2, 0, 0, 100},
                                           PictureCase{"keyed_translucent", 0, 255, 0, 128},
                                           PictureCase{"keyed_opaque_alpha", 0, 255, 0, 255},
                                           PictureCase{"file_of_32_bits", 0, 255, 0, -1, 32},
                                           PictureCase{"file_of_32_bits_translucent", -2, 0, 0, 90, 32}),
                         [](const ::testing::TestParamInfo<PictureCase>& info) { return std::string(info.param.name); });

} // namespace
