#pragma once
// Rectangles of a surface's pixels, each to be shown from a time on, with
// equal rectangles (same place, same pixels) kept once: the frames drawn
// ahead, as the window system is handed them and as the frame shows them.
// Only files of orba/ include this.
#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace orba {

struct TimedPictures {
    struct Picture {
        SDL_Rect area{};
        std::vector<std::uint8_t> rows;  // unpadded
    };
    std::vector<std::pair<std::uint64_t, std::size_t>> steps;  // from when, which picture
    std::vector<Picture> pictures;
    std::size_t pictureBytes = 0;

    // Keeps the surface's pixels of an area to be shown from `fromMs` on.
    // False, with nothing kept, when a new picture would bring the pictures'
    // bytes beyond `maxBytes`.
    bool keep(std::uint64_t fromMs, const SDL_Surface* surface, const SDL_Rect& area, std::size_t maxBytes);
};

// Writes a picture into a surface of the layout it was kept from.
void putPicture(SDL_Surface* surface, const TimedPictures::Picture& picture);

}  // namespace orba
