// The video mode the display settings ask for, and the present path of a
// screen larger than the frame: the frame as last presented is kept at its
// own size (`shown`), and only where the new frame differs from it is it
// scaled onto the screen. A screen of the frame's own size takes the plain
// path of frame.cpp and none of this.
#include "orba/display.h"

#include <algorithm>

#include "orba/orba.h"
#include "orba/orba_state.h"
#include "orba/orba_testing.h"
#include "orba/scaler.h"

namespace orba {
namespace {

// Screen updates on X11 are sent without waiting for the server to take
// them (see frame.cpp); other drivers get the plain flags.
#ifdef _WIN32
constexpr Uint32 asyncUpdates = 0;
#else
constexpr Uint32 asyncUpdates = SDL_ASYNCBLIT;
#endif

// What SDL_SetVideoMode is asked for.
struct Mode {
    int w = 0, h = 0, depth = 0;
    Uint32 flags = 0;
};

// The largest scale up to the one asked for at which the window fits the
// desktop, when the desktop's size is known.
int fittingScale(const State& s) {
    const DisplayState& d = s.display;
    int scale = std::clamp(d.settings.scale, orbaMinWindowScale, orbaMaxWindowScale);
    if (d.desktopW <= 0 || d.desktopH <= 0) return scale;
    while (scale > 1 && (s.width * scale > d.desktopW || s.height * scale > d.desktopH)) --scale;
    return scale;
}

// Full screen takes the desktop's own size, so the display keeps its mode;
// without that size it takes the window's. A screen larger than the frame
// holds 32-bit pixels, which the scaler works on.
Mode wantedMode(const State& s) {
    const DisplayState& d = s.display;
    Mode mode{s.width, s.height, s.depth,
              SDL_DOUBLEBUF | asyncUpdates | (d.settings.fullScreen ? SDL_FULLSCREEN : 0u)};
    if (d.settings.fullScreen && d.desktopW > 0 && d.desktopH > 0) {
        mode.w = d.desktopW;
        mode.h = d.desktopH;
    } else {
        mode.w *= fittingScale(s);
        mode.h *= fittingScale(s);
    }
    if (mode.w != s.width || mode.h != s.height) mode.depth = 32;
    return mode;
}

bool smooth(const DisplayState& d) { return !d.view.wholeScale() && !d.settings.sharp; }

SDL_Rect wholeFrame(const State& s) {
    return SDL_Rect{0, 0, static_cast<Uint16>(s.width), static_cast<Uint16>(s.height)};
}

// `shown` made anew from the back buffer at the offset on black.
void composeShown(State& s) {
    DisplayState& d = s.display;
    const bool atOffset = s.offsetX != 0 || s.offsetY != 0;
    if (atOffset) SDL_FillRect(d.shown.get(), nullptr, SDL_MapRGB(d.shown->format, 0, 0, 0));
    SDL_Rect at{static_cast<Sint16>(s.offsetX), static_cast<Sint16>(s.offsetY), 0, 0};
    SDL_BlitSurface(s.backBuffer.get(), nullptr, d.shown.get(), &at);
    d.shownAtOffset = atOffset;
}

// Brings `shown` up to the back buffer within an area, and narrows the area
// to where they differed; false when nothing did.
bool takeChanges(State& s, SDL_Rect& area) {
    SDL_Surface* shown = s.display.shown.get();
    if (layoutsMatch(s.backBuffer.get(), shown) && !differingPixels(s.backBuffer.get(), shown, area, area))
        return false;
    SDL_Rect from = area, to = area;
    SDL_BlitSurface(s.backBuffer.get(), &from, shown, &to);
    return true;
}

// The bars black and the whole frame scaled and shown.
void presentWholeScaled(State& s) {
    DisplayState& d = s.display;
    composeShown(s);
    SDL_FillRect(s.screen, nullptr, SDL_MapRGB(s.screen->format, 0, 0, 0));
    scaleFrame(d.shown.get(), s.screen, d.view, wholeFrame(s), smooth(d));
    showWholeScreen(s.screen);
}

// Sets the mode again after a setting changed; when SDL refuses it the
// settings before the change are set back.
template <class Change>
void changeDisplay(Change change) {
    State& s = state();
    const DisplaySettings before = s.display.settings;
    change(s.display.settings);
    if (!s.screen || s.display.settings == before || applyDisplayMode()) return;
    s.display.settings = before;
    if (!applyDisplayMode()) throw Error("Orba_init: Couldn't set video mode");
}

}  // namespace

void noteDesktopSize() {
    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    state().display.desktopW = info ? info->current_w : 0;
    state().display.desktopH = info ? info->current_h : 0;
}

bool applyDisplayMode() {
    State& s = state();
    const Mode mode = wantedMode(s);
    SDL_Surface* screen = SDL_SetVideoMode(mode.w, mode.h, mode.depth, mode.flags);
    if (!screen) return false;
    s.screen = screen;
    s.videoFlags = mode.flags;
    DisplayState& d = s.display;
    d.view = fitViewport(s.width, s.height, screen->w, screen->h);
    d.shown.reset();
    if (screen->w != s.width || screen->h != s.height) {
        const SDL_PixelFormat* f = screen->format;
        d.shown.reset(
            SDL_CreateRGBSurface(SDL_SWSURFACE, s.width, s.height, 32, f->Rmask, f->Gmask, f->Bmask, 0));
        if (!d.shown) return false;
        if (s.backBuffer)
            composeShown(s);  // the frame last shown, for a thumbnail taken before the next flip
    }
    screenReplaced();
    windowRequested();
    return true;
}

SurfacePtr makeBackBuffer() {
    const State& s = state();
    if (!screenScaled()) return SurfacePtr(SDL_ConvertSurface(s.screen, s.screen->format, SDL_SWSURFACE));
    const SDL_PixelFormat* f = s.screen->format;
    return SurfacePtr(SDL_CreateRGBSurface(SDL_SWSURFACE, s.width, s.height, f->BitsPerPixel, f->Rmask,
                                           f->Gmask, f->Bmask, f->Amask));
}

bool screenScaled() { return state().display.shown != nullptr; }

SDL_Surface* presentedFrame() {
    State& s = state();
    return screenScaled() ? s.display.shown.get() : s.screen;
}

void presentScaled(SDL_Rect changed, bool screenKnown, SDL_Rect stale) {
    State& s = state();
    const bool atOffset = s.offsetX != 0 || s.offsetY != 0;
    if (!screenKnown || atOffset || s.display.shownAtOffset || (s.screen->flags & SDL_HWSURFACE)) {
        presentWholeScaled(s);
        return;
    }
    DisplayState& d = s.display;
    if (changed.w != 0 && changed.h != 0 && takeChanges(s, changed))
        showArea(s.screen, scaleFrame(d.shown.get(), s.screen, d.view, changed, smooth(d)));
    if (stale.w != 0 && stale.h != 0)  // `shown` holds the frame there already
        showArea(s.screen, scaleFrame(d.shown.get(), s.screen, d.view, stale, smooth(d)));
}

Point pointerInFrame() {
    int x = 0, y = 0;
    SDL_GetMouseState(&x, &y);
    if (!screenScaled()) return Point{x, y};
    return screenToFrame(state().display.view, x, y).value_or(Point{orbaPointerOutside, orbaPointerOutside});
}

bool onFrame(int windowX, int windowY) {
    return !screenScaled() || screenToFrame(state().display.view, windowX, windowY).has_value();
}

Point frameToWindow(int x, int y) {
    return screenScaled() ? frameToScreen(state().display.view, x, y) : Point{x, y};
}

}  // namespace orba

using orba::state;

void Orba_setWindowScale(int scale) {
    orba::changeDisplay([scale](orba::DisplaySettings& d) {
        d.scale = std::clamp(scale, orbaMinWindowScale, orbaMaxWindowScale);
    });
}

int Orba_getWindowScale() { return state().display.settings.scale; }

void Orba_setFullScreen(bool fullScreen) {
    orba::changeDisplay([fullScreen](orba::DisplaySettings& d) { d.fullScreen = fullScreen; });
}

bool Orba_isFullScreen() { return state().display.settings.fullScreen; }

void Orba_setSharpScaling(bool sharp) {
    state().display.settings.sharp = sharp;
    orba::screenReplaced();
}

bool Orba_isSharpScaling() { return state().display.settings.sharp; }

void Orba_testSetDesktopSize(int width, int height) {
    state().display.desktopW = width;
    state().display.desktopH = height;
}
