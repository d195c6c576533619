#pragma once
// Picture files read the way Orba_loadBMP reads them, without a window or
// SDL_Init: BMP, PNG or JPEG, told by the file's first bytes. The one place
// that decides which files the engine refuses and why, shared by the engine
// and the tools that check a game's files.
#include <string>

#include "orba/sdl_handles.h"

namespace orba {

struct PictureFile {
    SurfacePtr picture;      // as its decoder reads it; null when refused
    std::string reason;      // why it was refused, such as "File ends within its header"
    bool sdlReason = false;  // SDL's own text; the engine names the file after its own reasons
};

// A BMP file as readBMP reads it (so is a file of no known type, which SDL
// refuses as no BMP); a PNG or JPEG file of at most maxPictureFileBytes
// after its header check, decoded by SDL_image. A PNG picture with an alpha
// channel keeps it (32 bits with an alpha mask).
PictureFile readPicture(const std::string& path);

}  // namespace orba
