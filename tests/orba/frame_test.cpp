// Frames that repeat or change only in part are drawn and presented only
// where they change; the screen must come out exactly as if every frame had
// been drawn and presented in full.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "orba/orba.h"
#include "orba/orba_testing.h"
#include "testsupport.h"

using namespace testsupport;

namespace {

constexpr std::uint32_t red = 0xff0000, blue = 0x0000ff, white = 0xffffff;
constexpr const char* fontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

std::string screenBytes() {
    SDL_Surface* screen = Orba_testScreen();
    SDL_LockSurface(screen);
    std::string bytes;
    for (int y = 0; y < screen->h; ++y)
        bytes.append(static_cast<const char*>(screen->pixels) + y * screen->pitch,
                     static_cast<std::size_t>(screen->w * screen->format->BytesPerPixel));
    SDL_UnlockSurface(screen);
    return bytes;
}

void setScreenPixel(int x, int y, std::uint32_t rgb) {
    SDL_Surface* screen = Orba_testScreen();
    SDL_Rect dot{static_cast<Sint16>(x), static_cast<Sint16>(y), 1, 1};
    SDL_FillRect(screen, &dot, SDL_MapRGB(screen->format, rgb >> 16, rgb >> 8 & 255, rgb & 255));
}

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeBMP("scene.bmp", 640, 480,
                 [](int x, int y) { return static_cast<std::uint32_t>(x * 0x010203 + y * 0x030201); });
        writeBMP("sprite.bmp", 40, 30,
                 [](int x, int y) { return (x + y) % 7 == 0 ? 0x00ff00u : 0xc08040u + x; });
        writeBMP("glass.bmp", 300, 100,
                 [](int x, int) { return 0x2040a0u + static_cast<std::uint32_t>(x % 50); });
        writeBMP("glass2.bmp", 300, 100,
                 [](int, int y) { return 0xa04020u + static_cast<std::uint32_t>(y); });
        writeBMP("dusk.bmp", 640, 480, [](int x, int y) {
            return (x / 8 + y / 8) % 5 ? 0x602080u + static_cast<std::uint32_t>(y / 2) : 0x00ff00u;
        });
        start();
    }
    void TearDown() override { Orba_quit(); }

    static void start() {
        initWindow();
        Orba_openFont("F", 20, fontPath);
        Orba_loadBMP("scene", "scene.bmp", -2, 0, 0);
        Orba_loadBMP("sprite", "sprite.bmp", 0, 255, 0);
        Orba_loadBMP("glass", "glass.bmp", -2, 0, 0);
        Orba_loadBMP("dusk", "dusk.bmp", -2, 0, 0);
        Orba_loadBMP("lattice", "dusk.bmp", 0, 255, 0);
    }

    TempDir dir;
};

// One frame of a small scene: background, a translucent panel, text with
// its shadow, a keyed sprite; `frame` moves or changes some of it.
using Scene = std::function<void(int frame)>;

void sceneFrame(int frame, const Scene& changes) {
    Orba_fillRect(0, 0, 0, 0, 0, 0, 0);
    Orba_draw("scene", 0, 0, 0, 0, 0, 0);
    Orba_setAlpha("glass", 160);
    Orba_draw("glass", 170, 300, 0, 0, 0, 0);
    Orba_setColorHex(0x808080);
    Orba_drawText("Two lines of text, the first", 182, 312, 255);
    Orba_setColorHex(0xffffff);
    Orba_drawText("Two lines of text, the first", 180, 310, 255);
    Orba_drawText("and its second line", 180, 340, 200);
    if (changes) changes(frame);
    Orba_drawEx("sprite", 320, 240, 0, 0, 0, 0);
    Orba_flip();
    Orba_update(0);
}

// The screens of `frames` frames, drawn as the engine draws them, or with
// every frame drawn and compared in full (reading the back buffer makes the
// next frame start from nothing).
std::vector<std::string> run(const Scene& changes, int frames, bool inFull) {
    std::vector<std::string> screens;
    for (int i = 0; i < frames; ++i) {
        sceneFrame(i, changes);
        screens.push_back(screenBytes());
        if (inFull) Orba_testBackBuffer();
    }
    return screens;
}

struct SceneCase {
    const char* name;
    Scene changes;
};
void PrintTo(const SceneCase& c, std::ostream* out) { *out << c.name; }

class SceneTest : public FrameTest, public ::testing::WithParamInterface<SceneCase> {};

TEST_P(SceneTest, ScreensEqualThoseOfFramesDrawnInFull) {
    const Scene& changes = GetParam().changes;
    const std::vector<std::string> fast = run(changes, 12, false);
    Orba_quit();
    start();
    const std::vector<std::string> full = run(changes, 12, true);
    ASSERT_EQ(full.size(), fast.size());
    for (std::size_t i = 0; i < full.size(); ++i) EXPECT_TRUE(full[i] == fast[i]) << "frame " << i;
}

// The same with the screen's pixels read and written without SDL's lock, as
// after a quiet wait on X11.
TEST_P(SceneTest, SettledAsyncUpdatesShowTheSameScreens) {
    const Scene& changes = GetParam().changes;
    const std::vector<std::string> locked = run(changes, 12, false);
    Orba_quit();
    start();
    Orba_testSettledAsyncUpdates();
    const std::vector<std::string> unlocked = run(changes, 12, false);
    ASSERT_EQ(locked.size(), unlocked.size());
    for (std::size_t i = 0; i < locked.size(); ++i) EXPECT_TRUE(locked[i] == unlocked[i]) << "frame " << i;
    EXPECT_EQ(Orba_testScreen()->locked, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, SceneTest,
    ::testing::Values(
        SceneCase{"still", {}},
        SceneCase{"sprite_moves", [](int f) { Orba_drawEx("sprite", 100 + 7 * f, 120 + 3 * f, 0, 0, 0, 0); }},
        SceneCase{"sprite_cell_changes", [](int f) { Orba_draw("sprite", 600, 440, f % 2 * 20, 0, 20, 30); }},
        SceneCase{"cell_changes_over_a_fill_that_changes",
                  [](int f) {
                      Orba_fillRect(190, 320, 40, 50, f < 6 ? 60 : 200, 90, 90);
                      if (f >= 9) Orba_drawText("one more line", 180, 370, 255);
                      Orba_draw("sprite", 200, 330, f % 2 * 20, 0, 20, 30);
                  }},
        SceneCase{"fill_colour_pulses",
                  [](int f) { Orba_fillRect(40, 80, 560, 40, 160 + f * 8, 160 + f * 8, 160); }},
        SceneCase{"text_colour_changes",
                  [](int f) {
                      Orba_setColorHex(f % 3 == 0 ? 0xff0000 : 0x00ffff);
                      Orba_drawText("a choice", 60, 88, 255);
                      Orba_setColorHex(0xffffff);
                  }},
        SceneCase{"panel_fades", [](int f) { Orba_setAlpha("glass", 250 - f * 20); }},
        SceneCase{"cross_fade",
                  [](int f) {
                      Orba_setAlpha("dusk", f * 17);
                      Orba_draw("dusk", 0, 0, 0, 0, 0, 0);
                  }},
        SceneCase{"whole_screen_keyed_picture", [](int f) { Orba_draw("lattice", f % 2, 0, 0, 0, 0, 0); }},
        SceneCase{"picture_reloaded",
                  [](int f) {
                      Orba_loadBMP("swap", f % 2 ? "glass2.bmp" : "glass.bmp", -2, 0, 0);
                      Orba_draw("swap", 10, 10, 0, 0, 0, 0);
                  }},
        SceneCase{"appears_every_third_frame",
                  [](int f) {
                      if (f % 3 == 0) Orba_drawText("now you see me", 400, 20, 128);
                  }},
        SceneCase{"flash_every_other_frame",
                  [](int f) {
                      if (f % 2 == 0) Orba_fillRect(0, 0, 640, 480, 255, 255, 255);
                  }},
        SceneCase{"shake", [](int f) { Orba_setOffset(f < 6 ? (f % 2 ? 8 : -8) : 0, 0); }},
        SceneCase{"edges_and_outside",
                  [](int f) {
                      Orba_drawEx("sprite", -10 + f, 475, 0, 0, 0, 0);
                      Orba_draw("sprite", 630, -20 + f, -5, -3, 30, 40);
                      Orba_draw("glass", 5000, 5000, 0, 0, 0, 0);
                  }}),
    [](const ::testing::TestParamInfo<SceneCase>& info) { return std::string(info.param.name); });

// Without a clear at its start a frame blends into the one before, so it
// is drawn again even when it repeats.
TEST_F(FrameTest, FrameWithoutAFullOverwriteAtItsStartIsAlwaysDrawn) {
    Orba_fillRect(0, 0, 0, 0, 0, 0, 0);
    Orba_flip();
    Orba_setAlpha("glass", 128);
    std::uint32_t last = 0;
    for (int i = 0; i < 3; ++i) {
        Orba_draw("glass", 0, 0, 0, 0, 0, 0);
        Orba_flip();
        const std::uint32_t now = screenPixel(10, 10);
        EXPECT_NE(last, now) << "frame " << i;
        last = now;
    }
}

TEST_F(FrameTest, RepeatedFrameIsNotPresentedAgain) {
    sceneFrame(0, {});
    setScreenPixel(5, 5, red);
    sceneFrame(1, {});
    EXPECT_EQ(red, screenPixel(5, 5));
}

// F12 saves the screen surface, which holds the last frame even when the
// frames after it were not presented again.
TEST_F(FrameTest, F12AfterRepeatedFramesSavesWhatTheyDrew) {
    const Scene moved = [](int f) { Orba_drawEx("sprite", f == 0 ? 100 : 140, 120, 0, 0, 0, 0); };
    for (int f = 0; f < 4; ++f) sceneFrame(f, moved);  // the sprite moves once, then the frame repeats
    tapKey(SDLK_F12);
    sceneFrame(4, moved);
    SDL_Surface* saved = SDL_LoadBMP("screenshot.bmp");
    ASSERT_NE(nullptr, saved);
    int wrong = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const auto* p = static_cast<const Uint8*>(saved->pixels) + y * saved->pitch + x * 3;
            const std::uint32_t rgb = static_cast<std::uint32_t>(p[2] << 16 | p[1] << 8 | p[0]);
            wrong += rgb != pixel(x, y) ? 1 : 0;
        }
    SDL_FreeSurface(saved);
    EXPECT_EQ(0, wrong);
}

// A picture that hides the whole back buffer at full opacity makes what was
// drawn before it irrelevant; SDL copies it whatever lies under it.
TEST_F(FrameTest, FullyOpaquePictureShowsItsOwnPixelsOverAnyBackground) {
    Orba_setAlpha("scene", 255);
    for (std::uint32_t under : {red, blue, white}) {
        Orba_fillRect(0, 0, 0, 0, under >> 16, under >> 8 & 255, under & 255);
        Orba_draw("scene", 0, 0, 0, 0, 0, 0);
        Orba_flip();
        for (int x : {0, 100, 639})
            EXPECT_EQ(static_cast<std::uint32_t>((x * 0x010203 + 200 * 0x030201) & 0xffffff),
                      screenPixel(x, 200));
    }
}

// A picture over the whole back buffer hides what was drawn before it only
// when it is opaque: translucent or with transparent pixels it shows it.
TEST_F(FrameTest, TranslucentOrKeyedWholeScreenPictureShowsWhatIsUnderIt) {
    Orba_setAlpha("dusk", 100);
    for (std::uint32_t under : {red, blue}) {
        for (const char* key : {"dusk", "lattice"}) {
            for (int frame = 0; frame < 2; ++frame) {  // the second frame repeats the first
                Orba_fillRect(0, 0, 0, 0, under >> 16, under >> 8 & 255, under & 255);
                Orba_draw(key, 0, 0, 0, 0, 0, 0);
                Orba_flip();
            }
            // (0, 0) is pure green in the picture: keyed away, or 100/255 of it over `under`.
            const std::uint32_t shown = screenPixel(0, 0);
            if (key == std::string("lattice")) {
                EXPECT_EQ(under, shown);
            } else {
                const std::uint32_t own = under == red ? shown >> 16 : shown & 255;
                EXPECT_TRUE(own > 140 && own < 170 && (shown >> 8 & 255) > 90) << std::hex << shown;
            }
        }
    }
}

// A rendered line is kept between frames; drawing it in another colour or
// opacity must not show the kept one.
TEST_F(FrameTest, KeptTextFollowsColourAndOpacity) {
    auto textPixels = [](std::uint32_t colour, int alpha) {
        Orba_fillRect(0, 0, 0, 0, 0, 0, 0);
        Orba_setColorHex(static_cast<int>(colour));
        Orba_drawText("HHHH", 10, 10, alpha);
        Orba_flip();
        std::vector<std::uint32_t> seen;
        for (int x = 10; x < 60; ++x)
            for (int y = 10; y < 35; ++y)
                if (screenPixel(x, y) != 0) seen.push_back(screenPixel(x, y));
        return seen;
    };
    const auto first = textPixels(white, 255);
    ASSERT_FALSE(first.empty());
    for (std::uint32_t p : first) EXPECT_EQ(white, p);
    for (std::uint32_t p : textPixels(red, 255)) EXPECT_EQ(red, p);
    for (std::uint32_t p : textPixels(white, 128)) {
        const std::uint32_t r = p >> 16, g = p >> 8 & 255, b = p & 255;
        EXPECT_TRUE(r == g && g == b && r > 100 && r < 160) << std::hex << p;
    }
    EXPECT_EQ(first, textPixels(white, 255));
    // Shadow and text of one line in one frame, as the message window draws them.
    Orba_fillRect(0, 0, 0, 0, 0, 0, 0);
    Orba_setColorHex(0x808080);
    Orba_drawText("HHHH", 12, 12, 255);
    Orba_setColorHex(0xffffff);
    Orba_drawText("HHHH", 10, 10, 255);
    Orba_flip();
    bool grey = false, bright = false;
    for (int x = 10; x < 64; ++x)
        for (int y = 10; y < 38; ++y) {
            grey = grey || screenPixel(x, y) == 0x808080;
            bright = bright || screenPixel(x, y) == white;
        }
    EXPECT_TRUE(grey);
    EXPECT_TRUE(bright);
}

// Drawing without flips (as the engine's tests do) keeps every operation
// visible in the back buffer and keeps memory bounded.
TEST_F(FrameTest, ManyFramesWithoutAFlipStayCorrect) {
    for (int i = 0; i < 3000; ++i) {
        Orba_fillRect(0, 0, 0, 0, 0, 0, 0);
        Orba_drawText("line " + std::to_string(i), 10, 10, 255);
        Orba_draw("sprite", i % 600, 100, 0, 0, 0, 0);
    }
    EXPECT_EQ(0xc08040u + 5, pixel(2999 % 600 + 5, 100 + 1));
    EXPECT_EQ(0u, pixel(2998 % 600, 100));
}

}  // namespace
