// The FreeType text module against SDL_ttf: the same heights, sizes, surfaces
// and error texts, so both builds show the same pixels.
#ifdef ORBA_COMPARE_WITH_SDL_TTF

#include <SDL.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "orba/solidtext.h"
#include "testsupport.h"

namespace fs = std::filesystem;
namespace solidtext = orba::solidtext;

namespace {

const fs::path fontFolder = "/usr/share/fonts/truetype/dejavu";

using TtfFontPtr = std::unique_ptr<TTF_Font, void (*)(TTF_Font*)>;

class SolidText : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(TTF_Init(), 0); }
    void TearDown() override { TTF_Quit(); }
};

// Same size, palette, colour key and pixel indices, whatever the pitch.
void expectSameSurface(const SDL_Surface& expected, const SDL_Surface& actual) {
    ASSERT_EQ(actual.w, expected.w);
    ASSERT_EQ(actual.h, expected.h);
    ASSERT_EQ(actual.format->BitsPerPixel, 8);
    EXPECT_EQ(actual.flags & SDL_SRCCOLORKEY, expected.flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(actual.format->colorkey, expected.format->colorkey);
    const SDL_Palette& want = *expected.format->palette;
    const SDL_Palette& got = *actual.format->palette;
    ASSERT_EQ(got.ncolors, want.ncolors);
    for (int i = 0; i < want.ncolors; ++i) {
        const SDL_Color &a = want.colors[i], &b = got.colors[i];
        EXPECT_TRUE(a.r == b.r && a.g == b.g && a.b == b.b) << "palette entry " << i;
    }
    int differing = 0;
    for (int y = 0; y < expected.h; ++y)
        for (int x = 0; x < expected.w; ++x)
            differing += static_cast<const Uint8*>(expected.pixels)[y * expected.pitch + x] !=
                         static_cast<const Uint8*>(actual.pixels)[y * actual.pitch + x];
    EXPECT_EQ(differing, 0);
}

TEST_F(SolidText, DrawsAsSdlTtfDoes) {
    // Sans as the games use it, and two other faces if installed; the math
    // face has glyphs reaching below its descent, which make a line taller.
    std::vector<fs::path> faces{fontFolder / "DejaVuSans.ttf"};
    ASSERT_TRUE(fs::exists(faces[0])) << "the DejaVu fonts are needed";
    for (const char* other : {"DejaVuSerif.ttf", "DejaVuMathTeXGyre.ttf"})
        if (fs::exists(fontFolder / other)) faces.push_back(fontFolder / other);
    const std::string texts[] = {
        "Hello, world!",
        "AV To WAVE Ty. LT",                        // kerning pairs
        "\"(quoted)\" [x]; {y}: 100% & #1 -- ok?",  // punctuation
        "  two  spaces  ",
        " ",
        "jumpy",                                                // a first glyph reaching left of the pen
        "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e: caf\xc3\xa9",    // Japanese the font lacks, and Latin-1
        "\xf0\x9f\x98\x80 \xe2\x80\x94 \xf0\x90\x80\x80 ends",  // beyond 16 bits (U+10000 ends it), a dash
        std::string("a\xff") + "b\x80\xc3(c\xe3",               // invalid UTF-8, ending in a cut sequence
        std::string("\xef\xbb\xbf") + "AB\xef\xbf\xbe" + "CD",  // byte order marks
        "",
    };
    const SDL_Color colour{250, 128, 3, 0};
    for (const fs::path& face : faces)
        for (int size : {12, 20, 24, 32}) {
            SCOPED_TRACE(face.filename().string() + " " + std::to_string(size));
            const TtfFontPtr expected(TTF_OpenFont(face.c_str(), size), TTF_CloseFont);
            std::string error;
            const solidtext::FontPtr actual = solidtext::openFont(face.c_str(), size, error);
            ASSERT_TRUE(expected && actual) << error;
            EXPECT_EQ(solidtext::fontHeight(*actual), TTF_FontHeight(expected.get()));
            for (const std::string& text : texts) {
                SCOPED_TRACE("\"" + text + "\"");
                int w = 0, h = 0;
                ASSERT_EQ(TTF_SizeUTF8(expected.get(), text.c_str(), &w, &h), 0);
                const auto measured = solidtext::sizeUtf8(*actual, text.c_str());
                ASSERT_TRUE(measured);
                EXPECT_EQ(measured->w, w);
                EXPECT_EQ(measured->h, h);
                const std::unique_ptr<SDL_Surface, void (*)(SDL_Surface*)> want(
                    TTF_RenderUTF8_Solid(expected.get(), text.c_str(), colour), SDL_FreeSurface);
                const SurfacePtr got = solidtext::renderUtf8Solid(*actual, text.c_str(), colour);
                ASSERT_EQ(bool(got), bool(want));
                if (want) expectSameSurface(*want, *got);
            }
        }
}

TEST_F(SolidText, FailuresToOpenReadAsSdlTtfsDo) {
    testsupport::TempDir dir;
    testsupport::writeFile("broken.ttf", "this is no TrueType font");
    testsupport::writeFile("empty.ttf", "");
    for (const char* file : {"broken.ttf", "empty.ttf", "missing.ttf"}) {
        const TtfFontPtr expected(TTF_OpenFont(file, 20), TTF_CloseFont);
        ASSERT_FALSE(expected);
        const std::string expectedError = TTF_GetError();
        std::string error;
        EXPECT_FALSE(solidtext::openFont(file, 20, error));
        EXPECT_EQ(error, expectedError);
    }
}

}  // namespace

#endif
