// Per-pixel alpha times overall alpha, blended in integers.
#include "orba/alphablend.h"

#include <algorithm>
#include <cstdint>

namespace orba {
namespace {

constexpr Uint32 alphaMask = 0xff000000, redMask = 0xff0000, greenMask = 0x00ff00, blueMask = 0x0000ff;

// round(value / 255) for value in 0 .. 255 * 255.
constexpr Uint32 divide255(Uint32 value) {
    value += 128;
    return (value + (value >> 8)) >> 8;
}

Uint32 mixChannel(Uint32 source, Uint32 target, Uint32 weight) {
    return divide255(source * weight + target * (255 - weight));
}

// A target pixel: 32-bit ones of the source's colour places directly, any
// other format through SDL's mapping.
struct Target {
    SDL_Surface* surface;
    bool direct;

    Uint32 read(const Uint8* p) const {
        const int bytes = surface->format->BytesPerPixel;
        if (bytes == 4) return *reinterpret_cast<const Uint32*>(p);
        if (bytes == 2) return *reinterpret_cast<const Uint16*>(p);
        return SDL_BYTEORDER == SDL_LIL_ENDIAN ? Uint32{p[0]} | Uint32{p[1]} << 8 | Uint32{p[2]} << 16
                                               : Uint32{p[2]} | Uint32{p[1]} << 8 | Uint32{p[0]} << 16;
    }
    void write(Uint8* p, Uint32 value) const {
        const int bytes = surface->format->BytesPerPixel;
        if (bytes == 4) {
            *reinterpret_cast<Uint32*>(p) = value;
        } else if (bytes == 2) {
            *reinterpret_cast<Uint16*>(p) = static_cast<Uint16>(value);
        } else {
            for (int i = 0; i < 3; ++i)
                p[SDL_BYTEORDER == SDL_LIL_ENDIAN ? i : 2 - i] = static_cast<Uint8>(value >> (8 * i));
        }
    }
    Uint32 blend(Uint32 source, Uint8* p, Uint32 weight) const {
        const Uint32 was = read(p);
        if (direct)
            return (was & ~(redMask | greenMask | blueMask)) |
                   mixChannel(source >> 16 & 255, was >> 16 & 255, weight) << 16 |
                   mixChannel(source >> 8 & 255, was >> 8 & 255, weight) << 8 |
                   mixChannel(source & 255, was & 255, weight);
        Uint8 r, g, b;
        SDL_GetRGB(was, surface->format, &r, &g, &b);
        return SDL_MapRGB(surface->format, static_cast<Uint8>(mixChannel(source >> 16 & 255, r, weight)),
                          static_cast<Uint8>(mixChannel(source >> 8 & 255, g, weight)),
                          static_cast<Uint8>(mixChannel(source & 255, b, weight)));
    }
};

void blendRow(const Uint32* from, Uint8* to, int width, const Target& target, Uint32 overall) {
    const int step = target.surface->format->BytesPerPixel;
    for (int i = 0; i < width; ++i, to += step) {
        const Uint32 pixel = from[i];
        const Uint32 weight = divide255((pixel >> 24) * overall);
        if (weight == 0) continue;
        target.write(to, target.blend(pixel, to, weight));
    }
}

}  // namespace

SurfacePtr toAlphaLayout(SDL_Surface* picture) {
    SurfacePtr layout(SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 32, redMask, greenMask, blueMask, alphaMask));
    if (!layout) return nullptr;
    SurfacePtr converted(SDL_ConvertSurface(picture, layout->format, SDL_SWSURFACE));
    if (converted) SDL_SetAlpha(converted.get(), SDL_SRCALPHA, SDL_ALPHA_OPAQUE);
    return converted;
}

void blendWithAlpha(SDL_Surface* source, SDL_Rect area, SDL_Surface* target, int x, int y, Uint8 overall) {
    int sx = area.x, sy = area.y, w = area.w, h = area.h;
    if (sx < 0) w += sx, x -= sx, sx = 0;
    if (sy < 0) h += sy, y -= sy, sy = 0;
    w = std::min(w, source->w - sx);
    h = std::min(h, source->h - sy);
    const SDL_Rect& clip = target->clip_rect;
    if (const int cut = clip.x - x; cut > 0) w -= cut, x += cut, sx += cut;
    if (const int cut = clip.y - y; cut > 0) h -= cut, y += cut, sy += cut;
    w = std::min(w, clip.x + clip.w - x);
    h = std::min(h, clip.y + clip.h - y);
    if (w <= 0 || h <= 0 || overall == 0) return;
    const SDL_PixelFormat* f = target->format;
    const Target to{target, f->BytesPerPixel == 4 && f->Rmask == redMask && f->Gmask == greenMask &&
                                f->Bmask == blueMask};
    SDL_LockSurface(source);
    SDL_LockSurface(target);
    for (int row = 0; row < h; ++row) {
        const auto* from =
            reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(source->pixels) +
                                            static_cast<std::ptrdiff_t>(sy + row) * source->pitch) +
            sx;
        auto* into = static_cast<Uint8*>(target->pixels) +
                     static_cast<std::ptrdiff_t>(y + row) * target->pitch +
                     static_cast<std::ptrdiff_t>(x) * f->BytesPerPixel;
        blendRow(from, into, w, to, overall);
    }
    SDL_UnlockSurface(target);
    SDL_UnlockSurface(source);
}

}  // namespace orba
