#include "orba/timedpictures.h"

#include <algorithm>
#include <cstring>

namespace orba {

namespace {

std::size_t rowBytes(const SDL_Surface* surface, const SDL_Rect& area) {
    return std::size_t{area.w} * surface->format->BytesPerPixel;
}

std::uint8_t* pixelAt(const SDL_Surface* surface, int x, int y) {
    return static_cast<std::uint8_t*>(surface->pixels) + static_cast<std::ptrdiff_t>(y) * surface->pitch +
           static_cast<std::ptrdiff_t>(x) * surface->format->BytesPerPixel;
}

}  // namespace

bool TimedPictures::keep(std::uint64_t fromMs, const SDL_Surface* surface, const SDL_Rect& area,
                         std::size_t maxBytes) {
    const std::size_t length = rowBytes(surface, area);
    std::vector<std::uint8_t> rows(length * area.h);
    for (int y = 0; y < area.h; ++y)
        std::memcpy(rows.data() + static_cast<std::size_t>(y) * length, pixelAt(surface, area.x, area.y + y),
                    length);
    const auto same = [&](const Picture& p) {
        return p.area.x == area.x && p.area.y == area.y && p.area.w == area.w && p.area.h == area.h &&
               p.rows == rows;
    };
    auto index =
        static_cast<std::size_t>(std::find_if(pictures.begin(), pictures.end(), same) - pictures.begin());
    if (index == pictures.size()) {
        if (pictureBytes + rows.size() > maxBytes) return false;
        pictureBytes += rows.size();
        pictures.push_back(Picture{area, std::move(rows)});
    }
    steps.emplace_back(fromMs, index);
    return true;
}

void putPicture(SDL_Surface* surface, const TimedPictures::Picture& picture) {
    const SDL_Rect& area = picture.area;
    const std::size_t length = rowBytes(surface, area);
    SDL_LockSurface(surface);
    for (int y = 0; y < area.h; ++y)
        std::memcpy(pixelAt(surface, area.x, area.y + y),
                    picture.rows.data() + static_cast<std::size_t>(y) * length, length);
    SDL_UnlockSurface(surface);
}

}  // namespace orba
