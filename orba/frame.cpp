// The frame's drawing. Operations are recorded during the frame and applied
// to the back buffer in their order at the flip (or before, when a picture
// they use changes or goes, or the back buffer is read), so every pixel
// comes out as if each had been drawn at once. A frame that starts by
// overwriting the whole back buffer is compared with the previous one:
// where their operations are the same, so are the pixels, so only the area
// of the operations that differ is drawn again, and a repeated frame not at
// all. An area redrawn again and again (an animation in one place) keeps
// the pixels under its first differing operation, and later redraws start
// from them. The flip then presents only the part of the screen that differs.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "orba/alphablend.h"
#include "orba/orba.h"
#include "orba/orba_state.h"
#include "orba/serveranimation.h"
#include "orba/surfacerows.h"
#include "orba/timedpictures.h"
#include "orba/windowupdate.h"

namespace orba {
namespace {

// Beyond this many operations without a flip (tests draw without one) the
// list is applied and started afresh.
constexpr std::size_t maxRecorded = 4096;

FrameState& frame() { return state().frame; }

// Whether a blit with this state writes the source's own pixels, whatever
// the back buffer held. SDL blits a surface with per-surface alpha 255 and
// no alpha channel as a plain copy.
bool opaqueBlit(const SDL_Surface* source, bool blended, Uint8 alpha) {
    if (source->flags & SDL_SRCCOLORKEY) return false;
    return !blended || (alpha == SDL_ALPHA_OPAQUE && source->format->Amask == 0);
}

// A rectangle of the back buffer as corners, empty when x0 >= x1 or y0 >= y1.
struct Area {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    bool empty() const { return x0 >= x1 || y0 >= y1; }
    void add(const SDL_Rect& r) {
        if (r.w == 0 || r.h == 0) return;
        if (empty()) {
            *this = Area{r.x, r.y, r.x + r.w, r.y + r.h};
            return;
        }
        x0 = std::min<int>(x0, r.x);
        y0 = std::min<int>(y0, r.y);
        x1 = std::max(x1, r.x + r.w);
        y1 = std::max(y1, r.y + r.h);
    }
    SDL_Rect rect() const {
        return SDL_Rect{static_cast<Sint16>(x0), static_cast<Sint16>(y0), static_cast<Uint16>(x1 - x0),
                        static_cast<Uint16>(y1 - y0)};
    }
    bool holds(const Area& o) const { return x0 <= o.x0 && y0 <= o.y0 && o.x1 <= x1 && o.y1 <= y1; }
    bool operator==(const Area& o) const = default;
    static Area of(const SDL_Rect& r) {
        Area area;
        area.add(r);
        return area;
    }
};

SDL_Rect wholeBuffer() {
    const SDL_Surface* buffer = state().backBuffer.get();
    return SDL_Rect{0, 0, static_cast<Uint16>(buffer->w), static_cast<Uint16>(buffer->h)};
}

// The part of the back buffer that a rectangle at (x, y) of w by h covers.
SDL_Rect clipToBuffer(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h) {
    const SDL_Surface* buffer = state().backBuffer.get();
    const std::int64_t x0 = std::max<std::int64_t>(x, 0), y0 = std::max<std::int64_t>(y, 0);
    const std::int64_t x1 = std::min<std::int64_t>(x + w, buffer->w),
                       y1 = std::min<std::int64_t>(y + h, buffer->h);
    if (x0 >= x1 || y0 >= y1) return SDL_Rect{0, 0, 0, 0};
    return SDL_Rect{static_cast<Sint16>(x0), static_cast<Sint16>(y0), static_cast<Uint16>(x1 - x0),
                    static_cast<Uint16>(y1 - y0)};
}

bool fitsSdl(std::int64_t coordinate) { return coordinate >= INT16_MIN && coordinate <= INT16_MAX; }

// A blit with its source rectangle clipped to the source as SDL clips it (a
// part left of or above the source moves the destination).
struct ClippedBlit {
    std::int64_t sx, sy, w, h, x, y;
};

ClippedBlit clipToSource(const SDL_Surface* source, const SDL_Rect& area, int x, int y) {
    ClippedBlit b{area.x, area.y, area.w, area.h, x, y};
    if (b.sx < 0) {
        b.w += b.sx;
        b.x -= b.sx;
        b.sx = 0;
    }
    if (b.sy < 0) {
        b.h += b.sy;
        b.y -= b.sy;
        b.sy = 0;
    }
    b.w = std::min<std::int64_t>(b.w, source->w - b.sx);
    b.h = std::min<std::int64_t>(b.h, source->h - b.sy);
    return b;
}

bool isWholeBuffer(const SDL_Rect& r) {
    const SDL_Rect whole = wholeBuffer();
    return r.x == 0 && r.y == 0 && r.w == whole.w && r.h == whole.h;
}

void apply(const DrawOp& op) {
    SDL_Surface* buffer = state().backBuffer.get();
    if (!op.source) {
        SDL_Rect rect = op.area;
        SDL_FillRect(buffer, &rect, op.colour);
        return;
    }
    if (op.source->format->Amask) {
        blendWithAlpha(op.source, op.area, buffer, op.x, op.y, op.alpha);
        return;
    }
    // A rendered text is shared by every draw of it, each with its own opacity.
    if (op.blended && (!(op.source->flags & SDL_SRCALPHA) || op.source->format->alpha != op.alpha))
        SDL_SetAlpha(op.source, SDL_SRCALPHA, op.alpha);
    SDL_Rect area = op.area;
    SDL_Rect at{op.x, op.y, 0, 0};
    SDL_BlitSurface(op.source, &area, buffer, &at);
}

// Applies the operations in [first, end); what lies under the last one that
// overwrites the whole back buffer is hidden by it, so the work starts there.
void applyRange(std::size_t first, std::size_t end, const Area* within) {
    const std::vector<DrawOp>& ops = frame().current;
    std::size_t from = first;
    for (std::size_t i = end; i-- > first;) {
        if (ops[i].coversAll) {
            from = i;
            break;
        }
    }
    for (std::size_t i = from; i < end; ++i) {
        const SDL_Rect& b = ops[i].bounds;
        if (within &&
            (b.x >= within->x1 || b.y >= within->y1 || b.x + b.w <= within->x0 || b.y + b.h <= within->y0))
            continue;  // nothing of it inside the area
        apply(ops[i]);
    }
}

void applyFrom(std::size_t first, const Area* within) {
    FrameState& f = frame();
    applyRange(first, f.current.size(), within);
    f.applied = f.current.size();
}

void record(DrawOp op) {
    FrameState& f = frame();
    if (f.current.size() >= maxRecorded) {
        settleDrawing();
        f.current.clear();
        f.applied = 0;
        f.previousValid = false;
    }
    f.current.push_back(op);
}

// The index of the first operation of two lists that is not the same in both.
std::size_t firstDifferingOp(const std::vector<DrawOp>& a, const std::vector<DrawOp>& b) {
    const std::size_t common = std::min(a.size(), b.size());
    std::size_t i = 0;
    while (i < common && a[i] == b[i]) ++i;
    return i;
}

// Where the pixels of two lists of operations, the same before index `from`,
// may differ: the bounds of every operation that is not the same at the
// same place in both.
Area damage(const std::vector<DrawOp>& a, const std::vector<DrawOp>& b, std::size_t from) {
    Area area;
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = from; i < common; ++i) {
        if (a[i] == b[i]) continue;
        area.add(a[i].bounds);
        area.add(b[i].bounds);
    }
    for (std::size_t i = common; i < a.size(); ++i) area.add(a[i].bounds);
    for (std::size_t i = common; i < b.size(); ++i) area.add(b[i].bounds);
    return area;
}

// The first index below n at which the byte runs differ, n when none does.
std::size_t firstDifference(const Uint8* a, const Uint8* b, std::size_t n) {
    std::size_t i = 0;
    for (std::uint64_t wa, wb; i + 8 <= n; i += 8) {
        std::memcpy(&wa, a + i, 8);
        std::memcpy(&wb, b + i, 8);
        if (wa != wb) break;
    }
    while (i < n && a[i] == b[i]) ++i;
    return i;
}

// One past the last index in [from, n) at which the runs differ, from when none does.
std::size_t endOfDifference(const Uint8* a, const Uint8* b, std::size_t from, std::size_t n) {
    std::size_t i = n;
    for (std::uint64_t wa, wb; i >= from + 8; i -= 8) {
        std::memcpy(&wa, a + i - 8, 8);
        std::memcpy(&wb, b + i - 8, 8);
        if (wa != wb) break;
    }
    while (i > from && a[i - 1] == b[i - 1]) --i;
    return i;
}

// Within an area of two surfaces of one size and format, the smallest
// rectangle outside of which they hold the same bytes; false when none differ.
// `b` is locked only when lockB is set.
bool differingArea(SDL_Surface* a, SDL_Surface* b, const Area& within, SDL_Rect& result, bool lockB) {
    const auto bytesPerPixel = static_cast<std::size_t>(a->format->BytesPerPixel);
    const std::size_t start = static_cast<std::size_t>(within.x0) * bytesPerPixel;
    const std::size_t length = static_cast<std::size_t>(within.x1 - within.x0) * bytesPerPixel;
    int top = -1, bottom = -1;
    std::size_t left = length, right = 0;  // differing bytes of the rows lie in [left, right)
    SDL_LockSurface(a);
    if (lockB) SDL_LockSurface(b);
    for (int y = within.y0; y < within.y1; ++y) {
        const auto* rowA =
            static_cast<const Uint8*>(a->pixels) + static_cast<std::ptrdiff_t>(y) * a->pitch + start;
        const auto* rowB =
            static_cast<const Uint8*>(b->pixels) + static_cast<std::ptrdiff_t>(y) * b->pitch + start;
        if (std::memcmp(rowA, rowB, length) == 0) continue;
        if (top < 0) top = y;
        bottom = y;
        left = firstDifference(rowA, rowB, left);
        right = std::max(right, endOfDifference(rowA, rowB, right, length));
    }
    if (lockB) SDL_UnlockSurface(b);
    SDL_UnlockSurface(a);
    if (top < 0) return false;
    const Area found{within.x0 + static_cast<int>(left / bytesPerPixel), top,
                     within.x0 + static_cast<int>((right + bytesPerPixel - 1) / bytesPerPixel), bottom + 1};
    result = found.rect();
    return true;
}

bool sameLayout(const SDL_Surface* a, const SDL_Surface* b) {
    const SDL_PixelFormat* fa = a->format;
    const SDL_PixelFormat* fb = b->format;
    return a->w == b->w && a->h == b->h && fa->BitsPerPixel == fb->BitsPerPixel &&
           fa->BytesPerPixel == fb->BytesPerPixel && fa->Rmask == fb->Rmask && fa->Gmask == fb->Gmask &&
           fa->Bmask == fb->Bmask && fa->Amask == fb->Amask && !fa->palette && !fb->palette;
}

// The back buffer at offset (0, 0) on a software screen of its own layout:
// the screen then shows exactly the back buffer, and a blit is a copy.
bool presentsDirectly(const State& s) {
    const SDL_Surface* buffer = s.backBuffer.get();
    return s.offsetX == 0 && s.offsetY == 0 && !(s.screen->flags & SDL_HWSURFACE) &&
           !(buffer->flags & (SDL_SRCALPHA | SDL_SRCCOLORKEY)) && sameLayout(buffer, s.screen);
}

// Black where the back buffer does not reach, the back buffer at the offset,
// and the whole screen shown.
void presentWhole(State& s, bool direct) {
    if (!direct) {
        SDL_Rect whole{0, 0, static_cast<Uint16>(s.width), static_cast<Uint16>(s.height)};
        SDL_FillRect(s.screen, &whole, SDL_MapRGB(s.backBuffer->format, 0, 0, 0));
    }
    SDL_Rect at{static_cast<Sint16>(s.offsetX), static_cast<Sint16>(s.offsetY), 0, 0};
    SDL_BlitSurface(s.backBuffer.get(), nullptr, s.screen, &at);
    showWholeScreen(s.screen);
}

// A screen updated asynchronously (X11) is sent to the window system without
// waiting for it to take the pixels; SDL's next lock of the screen waits
// instead, a round trip that wakes the engine once more for each frame
// shown. An update sent updateTakenMs (50) or more ago was taken long since,
// so the pixels of a plain software screen are then read and written without
// the lock: a frame shown after a quiet wait wakes the engine only once.
bool updateSettled(const State& s) {
    return (s.screen->flags & SDL_ASYNCBLIT) && !(s.screen->flags & SDL_HWSURFACE) && s.screen->offset == 0 &&
           SDL_GetTicks() - frame().updateSentMs >= frame().updateTakenMs;
}

// The rectangle of the back buffer onto the screen of the same layout.
void copyToScreen(const State& s, const SDL_Rect& area) {
    const SDL_Surface* from = s.backBuffer.get();
    const auto bytesPerPixel = static_cast<std::size_t>(from->format->BytesPerPixel);
    const std::size_t start = area.x * bytesPerPixel, length = area.w * bytesPerPixel;
    for (int y = area.y; y < area.y + area.h; ++y)
        std::memcpy(
            static_cast<Uint8*>(s.screen->pixels) + static_cast<std::ptrdiff_t>(y) * s.screen->pitch + start,
            static_cast<const Uint8*>(from->pixels) + static_cast<std::ptrdiff_t>(y) * from->pitch + start,
            length);
}

// Copies and shows only the part of the screen that differs within an area,
// and the stale area whether it differs or not.
void presentChanges(State& s, const Area& within, Area stale) {
    const bool settled = updateSettled(s);
    SDL_Rect found;
    if (!within.empty() && differingArea(s.backBuffer.get(), s.screen, within, found, !settled))
        stale.add(found);
    if (stale.empty()) return;
    const SDL_Rect area = stale.rect();
    if (settled) {
        copyToScreen(s, area);
    } else {
        SDL_Rect from = area, to = area;
        SDL_BlitSurface(s.backBuffer.get(), &from, s.screen, &to);
    }
    showArea(s.screen, area);
}

// Keeps the back buffer's pixels of an area as the underlay before operation `op`.
void keepUnderlay(Underlay& u, const Area& area, std::size_t op) {
    u.area = area.rect();
    copyRows(state().backBuffer.get(), u.area, u.pixels);
    u.op = op;
    u.valid = true;
}

// Puts the underlay's pixels of an area within it back into the back buffer.
void restoreUnderlay(const Underlay& u, const Area& area) {
    SDL_Surface* buffer = state().backBuffer.get();
    const auto bytesPerPixel = static_cast<std::size_t>(buffer->format->BytesPerPixel);
    const std::size_t rowBytes = u.area.w * bytesPerPixel;
    const std::size_t length = static_cast<std::size_t>(area.x1 - area.x0) * bytesPerPixel;
    const std::size_t left = static_cast<std::size_t>(area.x0 - u.area.x) * bytesPerPixel;
    for (int y = area.y0; y < area.y1; ++y)
        std::memcpy(pixelAt(buffer, area.x0, y),
                    u.pixels.data() + static_cast<std::size_t>(y - u.area.y) * rowBytes + left, length);
}

// An area of at most a quarter of the back buffer: its pixels are worth keeping.
bool worthKeeping(const Area& area) {
    const SDL_Surface* buffer = state().backBuffer.get();
    return static_cast<std::int64_t>(area.x1 - area.x0) * (area.y1 - area.y0) * 4 <=
           static_cast<std::int64_t>(buffer->w) * buffer->h;
}

// Draws an area again from the frame's operations, the same as the previous
// frame's before index `firstDiff`. Within the underlay, only the operations
// from its own on are drawn over it. An area that the last redraw drew too,
// from the same first differing operation, is kept as the underlay: an
// animation in one place (the page-feed icon over the message window) then
// costs its own drawing, not that of everything under it.
void redrawArea(const Area& area, std::size_t firstDiff) {
    FrameState& f = frame();
    Underlay& u = f.underlay;
    const std::size_t end = f.current.size();
    if (u.valid && Area::of(u.area).holds(area)) {
        restoreUnderlay(u, area);
        applyRange(u.op, end, &area);
        return;
    }
    const bool repeated = Area::of(u.lastArea) == area && u.lastOp == firstDiff;
    u.lastArea = area.rect();
    u.lastOp = firstDiff;
    if (!repeated || !worthKeeping(area)) {
        applyRange(0, end, &area);
        return;
    }
    applyRange(0, firstDiff, &area);
    keepUnderlay(u, area, firstDiff);
    applyRange(firstDiff, end, &area);
}

// Brings the back buffer up to the frame's operations and returns where it
// may have changed since the last frame. A frame that starts by overwriting
// everything and differs from the last one in some operations is redrawn
// only where those draw; one that repeats it is not drawn at all.
Area finishFrame() {
    FrameState& f = frame();
    Area changed;
    bool partial = f.applied == 0 && f.previousValid && !f.current.empty() && f.current.front().coversAll;
    if (partial) {
        const std::size_t firstDiff = firstDifferingOp(f.current, f.previous);
        if (firstDiff < f.underlay.op) f.underlay.valid = false;  // what lies under it has changed
        changed = damage(f.current, f.previous, firstDiff);
        if (!changed.empty()) {
            SDL_Surface* buffer = state().backBuffer.get();
            SDL_Rect clip = changed.rect();
            SDL_SetClipRect(buffer, &clip);
            redrawArea(changed, firstDiff);
            SDL_SetClipRect(buffer, nullptr);
        }
    } else {
        f.underlay.valid = false;
        settleDrawing();
        const SDL_Rect whole = wholeBuffer();
        changed.add(whole);
    }
    f.previous.swap(f.current);
    f.current.clear();
    f.applied = 0;
    f.previousValid = true;
    return changed;
}

}  // namespace

std::uint64_t newSourceId() { return ++frame().lastId; }

// SDL keeps positions in 16 bits, so a rectangle placed beyond that range
// would wrap round onto the back buffer. Such a fill or blit is cut to the
// part that lies on the back buffer, or dropped when none does.
void recordFill(int x, int y, Uint16 w, Uint16 h, Uint32 colour) {
    DrawOp op;
    op.colour = colour;
    op.bounds = clipToBuffer(x, y, w, h);
    if (fitsSdl(x) && fitsSdl(y))
        op.area = SDL_Rect{static_cast<Sint16>(x), static_cast<Sint16>(y), w, h};
    else if (op.bounds.w == 0)
        return;
    else
        op.area = op.bounds;
    op.coversAll = isWholeBuffer(op.bounds);
    record(op);
}

void recordBlit(SDL_Surface* source, std::uint64_t sourceId, const SDL_Rect& area, int x, int y, bool blended,
                Uint8 alpha) {
    DrawOp op;
    op.source = source;
    op.sourceId = sourceId;
    op.area = area;
    const ClippedBlit clipped = clipToSource(source, area, x, y);
    op.bounds = clipToBuffer(clipped.x, clipped.y, clipped.w, clipped.h);
    if (!fitsSdl(x) || !fitsSdl(y) || !fitsSdl(clipped.x) || !fitsSdl(clipped.y)) {
        const std::int64_t sx = clipped.sx + op.bounds.x - clipped.x,
                           sy = clipped.sy + op.bounds.y - clipped.y;
        if (op.bounds.w == 0 || !fitsSdl(sx) || !fitsSdl(sy)) return;
        op.area = SDL_Rect{static_cast<Sint16>(sx), static_cast<Sint16>(sy), op.bounds.w, op.bounds.h};
        x = op.bounds.x;
        y = op.bounds.y;
    }
    op.x = static_cast<Sint16>(x);
    op.y = static_cast<Sint16>(y);
    op.blended = blended;
    op.alpha = blended ? alpha : 255;
    op.coversAll = opaqueBlit(source, blended, alpha) && isWholeBuffer(op.bounds);
    record(op);
}

void settleDrawing() {
    FrameState& f = frame();
    if (f.applied < f.current.size()) applyFrom(f.applied, nullptr);
}

void forgetDrawing() {
    settleDrawing();
    frame().previousValid = false;
}

void dropDrawing() {
    FrameState& f = frame();
    f.current.clear();
    f.previous.clear();
    f.applied = 0;
    f.previousValid = false;
    f.underlay = Underlay{};
}

void screenReplaced() {
    frame().screenKnown = false;
    forgetAhead();
    forgetWindowUpdates();
}

bool layoutsMatch(const SDL_Surface* a, const SDL_Surface* b) { return sameLayout(a, b); }

bool differingPixels(SDL_Surface* a, SDL_Surface* b, const SDL_Rect& within, SDL_Rect& result) {
    return differingArea(a, b, Area{within.x, within.y, within.x + within.w, within.y + within.h}, result,
                         true);
}

namespace {

// Shows the frame as the present mode asks; a stale area goes with a frame
// shown at once.
void present(const Area& changed) {
    State& s = state();
    FrameState& f = frame();
    const bool now = f.showing == Showing::Now;
    const Area stale = now ? Area::of(f.windowStale) : Area{};
    if (now) f.windowStale = SDL_Rect{};
    if (screenScaled()) {
        presentScaled(changed.empty() ? SDL_Rect{0, 0, 0, 0} : changed.rect(), f.screenKnown, stale.rect());
        if (now) f.screenKnown = true;
        return;
    }
    const bool direct = presentsDirectly(s);
    if (!direct || !f.screenKnown) {
        presentWhole(s, direct);
        if (now) f.screenKnown = direct;
    } else if (!changed.empty() || !stale.empty()) {
        presentChanges(s, changed, stale);
    }
}

}  // namespace

void presentFrame() {
    present(finishFrame());
    evictTexts();
    ++frame().number;
}

bool presentFrameAhead(std::uint64_t dueMs) {
    FrameState& f = frame();
    f.showing = Showing::Ahead;
    f.aheadDueMs = dueMs;
    f.aheadRefused = false;
    const Area changed = finishFrame();
    present(changed);
    f.showing = Showing::Now;
    // As the frame shows it, for stopFramesAhead; the window's own pictures are bounded already.
    if (!f.aheadRefused && !changed.empty())
        f.kept.keep(dueMs, state().backBuffer.get(), changed.rect(), SIZE_MAX);
    return !f.aheadRefused;
}

void presentFrameUnshown() {
    FrameState& f = frame();
    f.showing = Showing::Unshown;
    present(finishFrame());
    f.showing = Showing::Now;
}

bool sendFramesAhead() {
    FrameState& f = frame();
    const bool sent = sendAhead();
    if (sent) {
        Area stale = Area::of(f.windowStale);
        for (const TimedPictures::Picture& picture : f.kept.pictures) stale.add(picture.area);
        f.windowStale = stale.rect();
        f.sent = std::move(f.kept);
    }
    f.kept = TimedPictures{};
    return sent;
}

bool stopFramesAhead(std::uint64_t nowMs) {
    FrameState& f = frame();
    stopAhead();
    if (f.sent.steps.empty()) return false;
    SDL_Surface* shown = presentedFrame();
    bool left = false;
    for (const auto& [dueMs, picture] : f.sent.steps) {
        if (dueMs <= nowMs)
            putPicture(shown, f.sent.pictures[picture]);
        else
            left = true;
    }
    f.sent = TimedPictures{};
    return left;
}

void showArea(SDL_Surface* screen, const SDL_Rect& area) {
    FrameState& f = frame();
    switch (f.showing) {
    case Showing::Now:
        if (updateWindowDirectly(screen, area)) return;  // its pixels went with the request
        SDL_UpdateRect(screen, area.x, area.y, area.w, area.h);
        f.updateSentMs = SDL_GetTicks();
        return;
    case Showing::Ahead:
        if (!keepAhead(screen, area, f.aheadDueMs)) f.aheadRefused = true;
        return;
    case Showing::Unshown: return;
    }
}

void showWholeScreen(SDL_Surface* screen) {
    FrameState& f = frame();
    switch (f.showing) {
    case Showing::Now:
        SDL_Flip(screen);
        f.updateSentMs = SDL_GetTicks();
        return;
    case Showing::Ahead: f.aheadRefused = true; return;
    case Showing::Unshown: return;
    }
}

}  // namespace orba
