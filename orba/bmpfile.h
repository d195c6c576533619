#pragma once
// BMP files read as pictures the way Orba_loadBMP reads them, without a window
// or SDL_Init: the one place that decides which files the engine refuses and
// why, shared by the engine and the tools that check a game's files.
#include <cstdint>
#include <string>

#include "orba/sdl_handles.h"

namespace orba {

// The fields of a BMP file's headers that decide how SDL reads its pixels.
struct BMPHeader {
    std::uint32_t offset = 0;    // where the rows of pixels start
    std::uint32_t infoSize = 0;  // 12 for the old core header, commonly 40
    std::uint32_t width = 0;     // as the file holds it (a negative width reads as a huge one)
    std::int32_t height = 0;     // below 0: the rows run top down
    std::uint32_t planes = 0;
    std::uint32_t bits = 0;         // per pixel
    std::uint32_t compression = 0;  // 0 plain, 3 colour masks; SDL refuses the others
};

constexpr int bmpHeaderBytes = 34;  // what readBMPHeader looks at

// The header fields of a file's first bmpHeaderBytes bytes (zeros for bytes the
// file lacks); it must start with "BM".
BMPHeader readBMPHeader(const std::uint8_t* bytes);

struct BMPFile {
    SurfacePtr picture;      // as SDL_LoadBMP reads it; null when refused
    std::string reason;      // why it was refused, such as "File ends within its header"
    bool sdlReason = false;  // SDL's own text; the engine names the file after its own reasons
};

// The file read into a picture, or why the engine refuses it: a file that is
// missing or not a regular file ("Couldn't open " + path), a header or rows
// the file does not hold, a picture that no pixel read or blit can use, or
// whatever SDL_LoadBMP reports.
BMPFile readBMP(const std::string& path);

}  // namespace orba
