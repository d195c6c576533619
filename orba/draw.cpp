// The back buffer, the keyed picture table and drawing.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "gamefiles/regularfile.h"
#include "orba/alphablend.h"
#include "orba/bmpfile.h"
#include "orba/orba.h"
#include "orba/orba_state.h"
#include "orba/picturefile.h"

namespace orba {
namespace {

// Source rectangles are cut to SDL's 16-bit rectangle fields.
SDL_Rect makeRect(int x, int y, int w, int h) {
    SDL_Rect r;
    r.x = static_cast<Sint16>(x);
    r.y = static_cast<Sint16>(y);
    r.w = static_cast<Uint16>(w);
    r.h = static_cast<Uint16>(h);
    return r;
}

// Positions beyond the range of int are far off the screen either way.
int saturatedInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

Uint32 mapColour(const SDL_PixelFormat* format, int r, int g, int b) {
    return SDL_MapRGB(const_cast<SDL_PixelFormat*>(format), static_cast<Uint8>(r), static_cast<Uint8>(g),
                      static_cast<Uint8>(b));
}

Picture* findPicture(std::string_view key) {
    auto& pictures = state().pictures;
    auto it = pictures.find(key);
    return it == pictures.end() ? nullptr : &it->second;
}

Picture& requirePicture(std::string_view key, const char* operation) {
    Picture* picture = findPicture(key);
    if (!picture) throw Error(std::string(operation) + std::string(key));
    return *picture;
}

// Removes a key's picture; what the frame drew with it is applied first.
void erasePicture(std::string_view key) {
    auto& pictures = state().pictures;
    if (auto it = pictures.find(key); it != pictures.end()) {
        settleDrawing();
        pictures.erase(it);
    }
}

// Whether SDL_SetAlpha would leave the picture as it is.
bool alphaUnchanged(const SDL_Surface* picture, Uint8 alpha) {
    return (picture->flags & (SDL_SRCALPHA | SDL_RLEACCELOK)) == SDL_SRCALPHA &&
           picture->format->alpha == alpha;
}

Uint32 readTopLeftPixel(SDL_Surface* picture) {
    if (picture->w <= 0 || picture->h <= 0 || !picture->pixels) return 0;  // no pixel to read
    SDL_LockSurface(picture);
    const Uint8* p = static_cast<const Uint8*>(picture->pixels);
    Uint32 value = 0;
    switch (picture->format->BytesPerPixel) {
    case 1: value = p[0]; break;
    case 2: value = static_cast<Uint32>(p[0] | p[1] << 8); break;
    case 3: value = static_cast<Uint32>(p[0] | p[1] << 8 | p[2] << 16); break;
    default:
        value = static_cast<Uint32>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<Uint32>(p[3]) << 24);
        break;
    }
    SDL_UnlockSurface(picture);
    return value;
}

void applyColourKey(SDL_Surface* picture, int r, int g, int b) {
    if (r < -1) return;
    Uint32 key;
    if (r == -1) {
        Uint8 cr, cg, cb;
        SDL_GetRGB(readTopLeftPixel(picture), picture->format, &cr, &cg, &cb);
        key = mapColour(picture->format, cr, cg, cb);
    } else {
        key = mapColour(picture->format, r, g, b);
    }
    SDL_SetColorKey(picture, SDL_SRCCOLORKEY | SDL_RLEACCEL, key);
}

// Pictures in the back buffer's pixel format blit without a per-pixel
// conversion. Only lossless conversions are made: to a format with at least
// as many bits per colour, and never from a palettised picture whose key could
// then match another palette entry of the same colour.
bool hasMasks(const SDL_PixelFormat* f, int bytesPerPixel) {
    return f->BytesPerPixel == bytesPerPixel && f->Rmask == 0xff0000 && f->Gmask == 0x00ff00 &&
           f->Bmask == 0x0000ff && f->Amask == 0 && !f->palette;
}

// The commonest conversion, a 24-bit picture (as most BMP files are) to a
// 32-bit screen, done directly: the same surface, bytes and colour key that
// SDL_ConvertSurface makes, at a tenth of its cost. None for other formats.
SurfacePtr bgrToXrgb(SDL_Surface* picture, const SDL_PixelFormat* screen) {
    if (!hasMasks(picture->format, 3) || !hasMasks(screen, 4) || (picture->flags & SDL_SRCALPHA))
        return nullptr;
    SurfacePtr converted(SDL_CreateRGBSurface(SDL_SWSURFACE, picture->w, picture->h, 32, screen->Rmask,
                                              screen->Gmask, screen->Bmask, screen->Amask));
    if (!converted) return nullptr;
    SDL_LockSurface(picture);
    for (int y = 0; y < picture->h; ++y) {
        const auto* from =
            static_cast<const Uint8*>(picture->pixels) + static_cast<std::ptrdiff_t>(y) * picture->pitch;
        auto* to = reinterpret_cast<Uint32*>(static_cast<Uint8*>(converted->pixels) +
                                             static_cast<std::ptrdiff_t>(y) * converted->pitch);
        for (int x = 0; x < picture->w; ++x, from += 3)
            to[x] = Uint32{from[2]} << 16 | Uint32{from[1]} << 8 | from[0];
    }
    SDL_UnlockSurface(picture);
    if (picture->flags & SDL_SRCCOLORKEY) {
        Uint8 r, g, b;
        SDL_GetRGB(picture->format->colorkey, picture->format, &r, &g, &b);
        SDL_SetColorKey(converted.get(), picture->flags & (SDL_SRCCOLORKEY | SDL_RLEACCELOK),
                        SDL_MapRGB(converted->format, r, g, b));
    }
    return converted;
}

// A plain 24-bit BMP file (uncompressed, the common 40-byte header, rows
// bottom up) read straight into a 32-bit surface of the screen's format:
// the same bytes that SDL_LoadBMP and the conversion above give, without
// the 24-bit copy in between, whose memory would be touched once and freed.
// None for any other file, or one that ends early: SDL_LoadBMP then reads
// it and reports what is wrong.
SurfacePtr loadPlainBMP(const std::string& path) {
    const SDL_Surface* buffer = state().backBuffer.get();
    if (!buffer || !hasMasks(buffer->format, 4)) return nullptr;
    const FilePtr file = openRegularFile(path).file;
    if (!file) return nullptr;
    static char readBuffer[1 << 16];  // one read of the system per 64 KiB
    std::setvbuf(file.get(), readBuffer, _IOFBF, sizeof readBuffer);
    Uint8 bytes[54];
    if (std::fread(bytes, 1, sizeof bytes, file.get()) != sizeof bytes || bytes[0] != 'B' || bytes[1] != 'M')
        return nullptr;
    const BMPHeader header = readBMPHeader(bytes);
    const auto width = static_cast<std::int32_t>(header.width);
    const std::int32_t height = header.height;
    if (header.infoSize != 40 || header.planes != 1 || header.bits != 24 || header.compression != 0 ||
        width <= 0 || height <= 0 || width > 32767 || height > 32767 || header.offset < sizeof bytes ||
        std::fseek(file.get(), static_cast<long>(header.offset), SEEK_SET) != 0)
        return nullptr;
    const SDL_PixelFormat* screen = buffer->format;
    SurfacePtr picture(SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, screen->Rmask, screen->Gmask,
                                            screen->Bmask, screen->Amask));
    if (!picture) return nullptr;
    std::vector<Uint8> row((static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3});
    for (int y = height - 1; y >= 0; --y) {
        if (std::fread(row.data(), 1, row.size(), file.get()) != row.size()) return nullptr;
        auto* to = reinterpret_cast<Uint32*>(static_cast<Uint8*>(picture->pixels) +
                                             static_cast<std::ptrdiff_t>(y) * picture->pitch);
        const Uint8* from = row.data();
        for (int x = 0; x < width; ++x, from += 3)
            to[x] = Uint32{from[2]} << 16 | Uint32{from[1]} << 8 | from[0];
    }
    return picture;
}

// The 24-bit file format of a picture that bgrToXrgb or loadPlainBMP made:
// the same surface and bytes that SDL_LoadBMP gives, colour key aside.
SurfacePtr xrgbToBgr(SDL_Surface* picture) {
    SurfacePtr original(
        SDL_CreateRGBSurface(SDL_SWSURFACE, picture->w, picture->h, 24, 0xff0000, 0x00ff00, 0x0000ff, 0));
    if (!original) return nullptr;
    SDL_LockSurface(picture);
    for (int y = 0; y < picture->h; ++y) {
        const auto* from = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(picture->pixels) +
                                                           static_cast<std::ptrdiff_t>(y) * picture->pitch);
        auto* to = static_cast<Uint8*>(original->pixels) + static_cast<std::ptrdiff_t>(y) * original->pitch;
        for (int x = 0; x < picture->w; ++x, to += 3) {
            to[0] = static_cast<Uint8>(from[x]);
            to[1] = static_cast<Uint8>(from[x] >> 8);
            to[2] = static_cast<Uint8>(from[x] >> 16);
        }
    }
    SDL_UnlockSurface(picture);
    return original;
}

// A picture as the table keeps it: converted to the back buffer's format
// where that is lossless, with what translucent draws of it need.
Picture toScreenFormat(SurfacePtr picture, bool from24Bits) {
    const SDL_Surface* buffer = state().backBuffer.get();
    const bool keyed = (picture->flags & SDL_SRCCOLORKEY) != 0;
    if (!buffer || picture->format->BitsPerPixel <= 8 || buffer->format->BitsPerPixel < 24 ||
        picture->format->BitsPerPixel > buffer->format->BitsPerPixel)
        return Picture{std::move(picture), newSourceId(), nullptr, false};
    const SDL_PixelFormat* have = picture->format;
    const SDL_PixelFormat* want = buffer->format;
    if (have->BitsPerPixel == want->BitsPerPixel && have->Rmask == want->Rmask &&
        have->Gmask == want->Gmask && have->Bmask == want->Bmask && have->Amask == want->Amask &&
        !(picture->flags & SDL_SRCALPHA))
        return Picture{std::move(picture), newSourceId(), nullptr, from24Bits && !keyed};  // already in it
    if (SurfacePtr converted = bgrToXrgb(picture.get(), want))
        return Picture{std::move(converted), newSourceId(), nullptr, !keyed};
    // SDL widens the key of a picture with fewer than 8 bits a colour in
    // another way than its pixels, so the key would no longer match them.
    if (keyed && have->BitsPerPixel < 24) return Picture{std::move(picture), newSourceId(), nullptr, false};
    const Uint32 keep = picture->flags & (SDL_SRCCOLORKEY | SDL_RLEACCEL);
    SurfacePtr converted(SDL_ConvertSurface(picture.get(), buffer->format, SDL_SWSURFACE | keep));
    if (!converted) return Picture{std::move(picture), newSourceId(), nullptr, false};
    return Picture{std::move(converted), newSourceId(), keyed ? nullptr : std::move(picture), false};
}

// A picture with an alpha channel, kept in the layout that blendWithAlpha
// reads; its alpha decides what shows, so no colour key applies.
Picture withAlphaChannel(SDL_Surface* picture) {
    SurfacePtr layout = toAlphaLayout(picture);
    if (!layout) throw Error(std::string("Orba_loadBMP: ") + SDL_GetError());
    return Picture{std::move(layout), newSourceId(), nullptr, false};
}

// What a draw with the picture's opacity blits: the file's pixels when it is
// translucent and SDL would blend the converted ones differently.
SDL_Surface* drawnSurface(Picture& picture) {
    SDL_Surface* surface = picture.surface.get();
    if (!(surface->flags & SDL_SRCALPHA) || surface->format->alpha == SDL_ALPHA_OPAQUE) return surface;
    if (!picture.fileFormat && picture.from24Bits) {
        picture.fileFormat = xrgbToBgr(surface);
        picture.from24Bits = false;
    }
    return picture.fileFormat ? picture.fileFormat.get() : surface;
}

}  // namespace
}  // namespace orba

using orba::state;

// The back buffer at the offset on black; see frame.cpp for what is skipped
// when it would show the same pixels.
void Orba_flip() { orba::presentFrame(); }

void Orba_setOffset(int x, int y) {
    state().offsetX = x;
    state().offsetY = y;
}

void Orba_fillRect(int x, int y, int w, int h, int r, int g, int b) {
    orba::State& s = state();
    if (w == 0 && h == 0) {
        w = s.width;
        h = s.height;
    }
    orba::recordFill(x, y, static_cast<Uint16>(w), static_cast<Uint16>(h),
                     orba::mapColour(s.backBuffer->format, r, g, b));
}

void Orba_drawRect(int cx, int cy, int rx, int ry, int r, int g, int b) {
    Orba_fillRect(cx - rx, cy - ry, 2 * rx, 1, r, g, b);
    Orba_fillRect(cx - rx, cy + ry, 2 * rx, 1, r, g, b);
    Orba_fillRect(cx - rx, cy - ry, 1, 2 * ry, r, g, b);
    Orba_fillRect(cx + rx, cy - ry, 1, 2 * ry, r, g, b);
}

void Orba_loadBMP(std::string_view key, std::string_view file, int r, int g, int b) {
    // The old picture goes first; a failed load leaves the key absent.
    orba::erasePicture(key);
    const std::string path(file);
    SurfacePtr picture = orba::loadPlainBMP(path);
    const bool from24Bits = picture != nullptr;
    if (!picture) {
        orba::PictureFile read = orba::readPicture(path);
        if (!read.picture)
            throw Error("Orba_loadBMP: " + read.reason + (read.sdlReason ? "" : " (" + path + ")"));
        picture = std::move(read.picture);
    }
    if (picture->format->Amask) {
        state().pictures.emplace(std::string(key), orba::withAlphaChannel(picture.get()));
        return;
    }
    orba::applyColourKey(picture.get(), r, g, b);
    state().pictures.emplace(std::string(key), orba::toScreenFormat(std::move(picture), from24Bits));
}

void Orba_freeBMP(std::string_view key) { orba::erasePicture(key); }

int Orba_getWidth(std::string_view key) {
    const orba::Picture* picture = orba::findPicture(key);
    return picture ? picture->surface->w : 0;
}

int Orba_getHeight(std::string_view key) {
    const orba::Picture* picture = orba::findPicture(key);
    return picture ? picture->surface->h : 0;
}

void Orba_draw(std::string_view key, int x, int y, int sx, int sy, int w, int h) {
    orba::Picture& picture = orba::requirePicture(key, "Orba_draw: Has not exist key: ");
    SDL_Surface* surface = picture.surface.get();
    const SDL_Rect source =
        (w != 0 && h != 0) ? orba::makeRect(sx, sy, w, h) : orba::makeRect(sx, sy, surface->w, surface->h);
    orba::recordBlit(orba::drawnSurface(picture), picture.id, source, x, y,
                     (surface->flags & SDL_SRCALPHA) != 0, surface->format->alpha);
}

void Orba_drawEx(std::string_view key, int cx, int cy, int sx, int sy, int w, int h) {
    const orba::Picture& picture = orba::requirePicture(key, "Orba_drawEx: Has not exist key: ");
    if (w == 0 || h == 0) {
        w = picture.surface->w;
        h = picture.surface->h;
    }
    Orba_draw(key, orba::saturatedInt(std::int64_t{cx} - w / 2), orba::saturatedInt(std::int64_t{cy} - h / 2),
              sx, sy, w, h);
}

void Orba_setAlpha(std::string_view key, int alpha) {
    SDL_Surface* picture = orba::requirePicture(key, "Orba_setAlpha: Has exist key: ").surface.get();
    const auto value = static_cast<Uint8>(alpha);
    if (orba::alphaUnchanged(picture, value)) return;
    orba::settleDrawing();  // what was drawn before keeps the old opacity
    SDL_SetAlpha(picture, SDL_SRCALPHA, value);
}

long double Orba_sinDeg(float degrees) {
    return std::sin(static_cast<long double>(degrees) / 180.0L * std::numbers::pi_v<long double>);
}
