// The frame shown on a larger screen: where it lands, which frame pixel the
// pointer is over, the scaled pixels, and the window and full screen that
// the display settings open.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "orba/display.h"
#include "orba/orba.h"
#include "orba/orba_testing.h"
#include "orba/scaler.h"
#include "orba/sdl_handles.h"
#include "orba/viewport.h"
#include "testsupport.h"

using namespace testsupport;
using orba::Point;
using orba::Viewport;

namespace {

struct PointerCase {
    int screenW, screenH;
    Viewport expected;  // frame 640 x 480
    int atX, atY;
    std::optional<Point> frame;  // none: on a bar
};

TEST(Viewport, FitsTheFrameAndMapsThePointerBack) {
    const PointerCase cases[] = {
        {1280, 960, {640, 480, 0, 0, 1280, 960}, 640, 320, Point{320, 160}},
        {1920, 1440, {640, 480, 0, 0, 1920, 1440}, 5, 1439, Point{1, 479}},
        {1920, 1080, {640, 480, 240, 0, 1440, 1080}, 239, 500, std::nullopt},   // left bar
        {1920, 1080, {640, 480, 240, 0, 1440, 1080}, 1680, 500, std::nullopt},  // right bar
        {1920, 1080, {640, 480, 240, 0, 1440, 1080}, 960, 540, Point{320, 240}},
        {1920, 1080, {640, 480, 240, 0, 1440, 1080}, 1679, 1079, Point{639, 479}},
        {1280, 1024, {640, 480, 0, 32, 1280, 960}, 10, 31, std::nullopt},  // bar above
        {1280, 1024, {640, 480, 0, 32, 1280, 960}, 11, 32, Point{5, 0}},
        {640, 480, {640, 480, 0, 0, 640, 480}, 17, 300, Point{17, 300}},
    };
    for (const PointerCase& c : cases) {
        const std::string where = std::to_string(c.screenW) + "x" + std::to_string(c.screenH) + " at " +
                                  std::to_string(c.atX) + "," + std::to_string(c.atY);
        const Viewport view = orba::fitViewport(640, 480, c.screenW, c.screenH);
        EXPECT_EQ(view.x, c.expected.x) << where;
        EXPECT_EQ(view.y, c.expected.y) << where;
        EXPECT_EQ(view.w, c.expected.w) << where;
        EXPECT_EQ(view.h, c.expected.h) << where;
        const std::optional<Point> frame = orba::screenToFrame(view, c.atX, c.atY);
        ASSERT_EQ(frame.has_value(), c.frame.has_value()) << where;
        if (frame) {
            EXPECT_EQ(frame->x, c.frame->x) << where;
            EXPECT_EQ(frame->y, c.frame->y) << where;
        }
        // Warping to a frame pixel lands on a screen pixel that shows it.
        for (int x = 0; x < 640; ++x) {
            const Point at = orba::frameToScreen(view, x, x * 3 / 4);
            const std::optional<Point> back = orba::screenToFrame(view, at.x, at.y);
            ASSERT_TRUE(back && back->x == x && back->y == x * 3 / 4) << where << ", frame x " << x;
        }
    }
}

// A small frame of distinct colours, in the screen layout of the dummy driver's 32 bits.
SurfacePtr knownFrame(int w, int h) {
    SurfacePtr frame(SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xff0000, 0x00ff00, 0x0000ff, 0));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint32_t rgb =
                (x * 53 + y * 97) % 256 << 16 | (x * 151 + 7) % 256 << 8 | (y * 211) % 256;
            static_cast<std::uint32_t*>(frame->pixels)[y * frame->pitch / 4 + x] = rgb;
        }
    return frame;
}

std::uint32_t at(const SDL_Surface* s, int x, int y) {
    return static_cast<const std::uint32_t*>(s->pixels)[y * s->pitch / 4 + x];
}

// The expected screen pixel: the frame pixel under its centre (sharp), or
// the bilinear mix of the four around, pixel centres meeting (smooth).
double expectedChannel(const SDL_Surface* frame, const Viewport& v, int sx, int sy, int shift, bool smooth) {
    const double u = (sx - v.x + 0.5) * v.frameW / v.w, w = (sy - v.y + 0.5) * v.frameH / v.h;
    auto channel = [&](int x, int y) { return static_cast<double>(at(frame, x, y) >> shift & 255); };
    if (!smooth) return channel(static_cast<int>(u), static_cast<int>(w));
    const double fx = std::clamp(u - 0.5, 0.0, v.frameW - 1.0), fy = std::clamp(w - 0.5, 0.0, v.frameH - 1.0);
    const int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
    const int x1 = std::min(x0 + 1, v.frameW - 1), y1 = std::min(y0 + 1, v.frameH - 1);
    const double ax = fx - x0, ay = fy - y0;
    return (channel(x0, y0) * (1 - ax) + channel(x1, y0) * ax) * (1 - ay) +
           (channel(x0, y1) * (1 - ax) + channel(x1, y1) * ax) * ay;
}

struct ScaleCase {
    int screenW, screenH;
    bool smooth;
};

TEST(Scaler, ScaledPixelsMatchTheirDefinitionAndPartsMatchTheWhole) {
    const ScaleCase cases[] = {{16, 12, false}, {24, 18, false}, {29, 18, false},
                               {29, 18, true},  {18, 21, true},  {37, 23, true}};
    for (const ScaleCase& c : cases) {
        const std::string name =
            std::to_string(c.screenW) + "x" + std::to_string(c.screenH) + (c.smooth ? " smooth" : " sharp");
        SurfacePtr frame = knownFrame(8, 6);
        const Viewport view = orba::fitViewport(8, 6, c.screenW, c.screenH);
        SurfacePtr screen(
            SDL_CreateRGBSurface(SDL_SWSURFACE, c.screenW, c.screenH, 32, 0xff0000, 0x00ff00, 0x0000ff, 0));
        SDL_FillRect(screen.get(), nullptr, 0x123456);  // what the bars hold is left alone
        orba::scaleFrame(frame.get(), screen.get(), view, SDL_Rect{0, 0, 8, 6}, c.smooth);
        for (int y = 0; y < c.screenH; ++y)
            for (int x = 0; x < c.screenW; ++x) {
                const bool inside = x >= view.x && x < view.x + view.w && y >= view.y && y < view.y + view.h;
                if (!inside) {
                    ASSERT_EQ(at(screen.get(), x, y), 0x123456u) << name << " bar at " << x << "," << y;
                    continue;
                }
                for (int shift : {0, 8, 16}) {
                    const double expected = expectedChannel(frame.get(), view, x, y, shift, c.smooth);
                    const int got = static_cast<int>(at(screen.get(), x, y) >> shift & 255);
                    ASSERT_LE(std::abs(got - expected), c.smooth ? 1.5 : 0.0)
                        << name << " at " << x << "," << y << " channel " << shift;
                }
            }
        // A pixel changed and only its rectangle scaled again: as if all were.
        static_cast<std::uint32_t*>(frame->pixels)[2 * frame->pitch / 4 + 5] = 0xffffff;
        const SDL_Rect written =
            orba::scaleFrame(frame.get(), screen.get(), view, SDL_Rect{5, 2, 1, 1}, c.smooth);
        EXPECT_LT(written.w * written.h, view.w * view.h) << name;
        SurfacePtr whole(SDL_ConvertSurface(screen.get(), screen->format, SDL_SWSURFACE));
        orba::scaleFrame(frame.get(), whole.get(), view, SDL_Rect{0, 0, 8, 6}, c.smooth);
        for (int y = 0; y < c.screenH; ++y)
            for (int x = 0; x < c.screenW; ++x)
                ASSERT_EQ(at(screen.get(), x, y), at(whole.get(), x, y))
                    << name << " after a change, " << x << "," << y;
    }
}

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        initWindow();
        Orba_setWindowScale(2);
    }
    void TearDown() override { Orba_quit(); }
    TempDir dir;
};

TEST_F(DisplayTest, AWindowAtScaleTwoShowsTheFrameDoubledAndMapsThePointer) {
    EXPECT_EQ(1280, Orba_testScreen()->w);
    EXPECT_EQ(960, Orba_testScreen()->h);
    EXPECT_EQ(640, Orba_testBackBuffer()->w);
    Orba_fillRect(0, 0, 0, 0, 0, 0, 255);
    Orba_fillRect(320, 160, 1, 1, 255, 0, 0);
    Orba_flip();
    EXPECT_EQ(0xff0000u, screenPixel(640, 320));
    EXPECT_EQ(0xff0000u, screenPixel(641, 321));
    EXPECT_EQ(0x0000ffu, screenPixel(642, 320));
    SDL_WarpMouse(641, 320);
    EXPECT_EQ(320, Orba_getMouseX());
    EXPECT_EQ(160, Orba_getMouseY());
    Orba_warpMouse(100, 700);  // kept within the frame
    int x = 0, y = 0;
    SDL_GetMouseState(&x, &y);
    EXPECT_EQ(100, x / 2);
    EXPECT_EQ(479, y / 2);
}

// Each frame changes a part; the screen must be what a whole present shows.
TEST_F(DisplayTest, PresentingOnlyTheChangesEqualsPresentingTheWhole) {
    Orba_testSetDesktopSize(1920, 1080);
    Orba_setFullScreen(true);
    ASSERT_EQ(1920, Orba_testScreen()->w);
    for (int frame = 0; frame < 6; ++frame) {
        Orba_fillRect(0, 0, 0, 0, 20, 40, 60);
        Orba_fillRect(frame * 50, frame * 30, 40, 25, 250, frame * 40, 10);
        if (frame == 3) Orba_setOffset(6, -4);  // the shake moves everything
        if (frame == 4) Orba_setOffset(0, 0);
        Orba_flip();
        SDL_Surface* screen = Orba_testScreen();
        SurfacePtr partial(SDL_ConvertSurface(screen, screen->format, SDL_SWSURFACE));
        Orba_setSharpScaling(!Orba_isSharpScaling());  // presents the whole frame next time
        Orba_setSharpScaling(!Orba_isSharpScaling());
        Orba_fillRect(0, 0, 0, 0, 20, 40, 60);
        Orba_fillRect(frame * 50, frame * 30, 40, 25, 250, frame * 40, 10);
        Orba_flip();
        ASSERT_EQ(
            0, std::memcmp(partial->pixels, screen->pixels, static_cast<std::size_t>(screen->pitch) * 1080))
            << "frame " << frame;
    }
}

TEST_F(DisplayTest, FullScreenFitsTheDesktopWithBarsAndF9ComesBack) {
    Orba_testSetDesktopSize(1920, 1080);
    tapKey(SDLK_F9);
    Orba_update(0);
    SDL_Surface* screen = Orba_testScreen();
    EXPECT_TRUE(screen->flags & SDL_FULLSCREEN);
    EXPECT_EQ(1920, screen->w);
    EXPECT_EQ(1080, screen->h);
    Orba_fillRect(0, 0, 0, 0, 255, 255, 255);
    Orba_flip();
    EXPECT_EQ(0u, screenPixel(239, 540));  // bar
    EXPECT_EQ(0xffffffu, screenPixel(240, 540));
    EXPECT_EQ(0xffffffu, screenPixel(1679, 540));
    EXPECT_EQ(0u, screenPixel(1680, 540));
    SDL_WarpMouse(100, 500);
    EXPECT_EQ(orbaPointerOutside, Orba_getMouseX());
    EXPECT_EQ(orbaPointerOutside, Orba_getMouseY());
    click();  // pushed at (0, 0), on the bar: nothing of the game is clicked
    Orba_update(0);
    EXPECT_EQ(0, Orba_getPushMouse());
    tapKey(SDLK_F9);
    Orba_update(0);
    EXPECT_FALSE(Orba_testScreen()->flags & SDL_FULLSCREEN);
    EXPECT_EQ(1280, Orba_testScreen()->w);
    Orba_setWindowScale(1);
    EXPECT_EQ(640, Orba_testScreen()->w);
    Orba_setWindowScale(9);  // taken as 4, then as what the desktop holds: 2
    EXPECT_EQ(4, Orba_getWindowScale());
    EXPECT_EQ(1280, Orba_testScreen()->w);
}

}  // namespace
