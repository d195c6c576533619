#pragma once
// A rectangle of a surface's pixels as unpadded rows, copied out and back.
// Only files of orba/ include this.
#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace orba {

inline std::uint8_t* pixelAt(const SDL_Surface* surface, int x, int y) {
    return static_cast<std::uint8_t*>(surface->pixels) + static_cast<std::ptrdiff_t>(y) * surface->pitch +
           static_cast<std::ptrdiff_t>(x) * surface->format->BytesPerPixel;
}

// The rows of the rectangle, into `rows` (resized to hold them).
inline void copyRows(const SDL_Surface* surface, const SDL_Rect& area, std::vector<std::uint8_t>& rows) {
    const std::size_t length = std::size_t{area.w} * surface->format->BytesPerPixel;
    rows.resize(length * area.h);
    for (int y = 0; y < area.h; ++y)
        std::memcpy(rows.data() + static_cast<std::size_t>(y) * length, pixelAt(surface, area.x, area.y + y),
                    length);
}

// Rows as copyRows made them, written back into the rectangle.
inline void putRows(SDL_Surface* surface, const SDL_Rect& area, const std::vector<std::uint8_t>& rows) {
    const std::size_t length = std::size_t{area.w} * surface->format->BytesPerPixel;
    for (int y = 0; y < area.h; ++y)
        std::memcpy(pixelAt(surface, area.x, area.y + y), rows.data() + static_cast<std::size_t>(y) * length,
                    length);
}

}  // namespace orba
