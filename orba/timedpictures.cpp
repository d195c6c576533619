#include "orba/timedpictures.h"

#include <algorithm>

#include "orba/surfacerows.h"

namespace orba {

bool TimedPictures::keep(std::uint64_t fromMs, const SDL_Surface* surface, const SDL_Rect& area,
                         std::size_t maxBytes) {
    std::vector<std::uint8_t> rows;
    copyRows(surface, area, rows);
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
    SDL_LockSurface(surface);
    putRows(surface, picture.area, picture.rows);
    SDL_UnlockSurface(surface);
}

}  // namespace orba
