#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "mediafiles.h"
#include "orba/orba.h"
#include "testsupport.h"

using namespace testsupport;

namespace {

using Rgba = std::array<int, 4>;
constexpr Rgba background{40, 60, 80, 255};

// What a pixel of the picture gives over the background at an overall alpha.
std::uint32_t blended(const Rgba& source, int overall) {
    const int weight = (source[3] * overall + 127) / 255;
    std::uint32_t rgb = 0;
    for (int c = 0; c < 3; ++c)
        rgb = rgb << 8 |
              static_cast<std::uint32_t>((source[c] * weight + background[c] * (255 - weight) + 127) / 255);
    return rgb;
}

std::string bytesOf(std::initializer_list<int> values) {
    std::string bytes;
    for (const int v : values) bytes += static_cast<char>(v);
    return bytes;
}

struct Case {
    const char* name;
    bool alphaChannel;
    std::string file;
    std::vector<Rgba> pixels;  // of the picture's one row; alpha 0 where keyed
    int tolerance = 0;         // JPEG colours come back within this much
};

std::vector<Case> cases() {
    const std::vector<Rgba> soft{
        {200, 100, 50, 0}, {200, 100, 50, 64}, {10, 220, 130, 200}, {0, 255, 0, 255}};
    std::string rgba, rgba16, grey;
    for (const Rgba& p : soft)
        for (const int v : p) rgba += static_cast<char>(v), rgba16 += bytesOf({v, v});
    for (const Rgba& p : soft) grey += bytesOf({p[1], p[3]});
    const std::string palette = "PLTE" + bytesOf({200, 100, 50, 10, 220, 130, 0, 255, 0});
    const std::string translucency = "tRNS" + bytesOf({64, 200});
    return {
        {"RGBA", true, pngFile(4, 6, 8, {rgba}), soft},
        {"RGBA of 16 bits", true, pngFile(4, 6, 16, {rgba16}), soft},
        {"grey and alpha",
         true,
         pngFile(4, 4, 8, {grey}),
         {{100, 100, 100, 0}, {100, 100, 100, 64}, {220, 220, 220, 200}, {255, 255, 255, 255}}},
        {"palette with translucency",
         true,
         pngFile(3, 3, 8, {bytesOf({0, 1, 2})}, {palette, translucency}),
         {{200, 100, 50, 64}, {10, 220, 130, 200}, {0, 255, 0, 255}}},
        {"RGB keyed green",
         false,
         pngFile(2, 2, 8, {bytesOf({0, 255, 0, 9, 8, 7})}),
         {{0, 255, 0, 0}, {9, 8, 7, 255}}},
        {"grey", false, pngFile(2, 0, 8, {bytesOf({0, 77})}), {{0, 0, 0, 255}, {77, 77, 77, 255}}},
        {"JPEG", false, jpegFile(16, 1, 0x336699), std::vector<Rgba>(16, {0x33, 0x66, 0x99, 255}), 2},
        {"grey JPEG", false, jpegFile(16, 1, 0x999999, true), std::vector<Rgba>(16, {0x99, 0x99, 0x99, 255}),
         1},
    };
}

bool near(std::uint32_t a, std::uint32_t b, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>(a >> shift & 255) - static_cast<int>(b >> shift & 255);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

class PictureFormats : public ::testing::Test {
protected:
    void SetUp() override { initWindow(); }
    void TearDown() override { Orba_quit(); }
    TempDir dir;
};

// Each format and colour type, named .bmp and told by its content, drawn in
// frames of falling overall alpha (the later frames redrawn only where they
// differ): a picture with an alpha channel blends each pixel by its alpha
// times the overall one and ignores the colour key; one without keeps the key.
TEST_F(PictureFormats, PixelsBlendByTheirAlphaTimesTheOverallAlpha) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        writeFile("pic.bmp", c.file);
        Orba_loadBMP("p", "pic.bmp", 0, 255, 0);
        ASSERT_EQ(static_cast<int>(c.pixels.size()), Orba_getWidth("p"));
        for (const int overall : {255, 128, 1}) {
            if (!c.alphaChannel && overall != 255) continue;
            Orba_setAlpha("p", overall);
            Orba_fillRect(0, 0, 0, 0, background[0], background[1], background[2]);
            Orba_draw("p", 10, 10, 0, 0, 0, 0);
            Orba_flip();
            for (std::size_t x = 0; x < c.pixels.size(); ++x)
                EXPECT_PRED3(near, blended(c.pixels[x], overall), pixel(10 + static_cast<int>(x), 10),
                             c.tolerance)
                    << "pixel " << x << " at overall alpha " << overall;
        }
    }
}

}  // namespace
