#pragma once
// Scaling the frame onto a larger screen, pixel by pixel: nearest (sharp)
// or bilinear (smooth). Both surfaces hold 32-bit pixels whose channels are
// whole bytes, of one layout.
#include <SDL.h>

#include "orba/viewport.h"

namespace orba {

// Writes the screen pixels of the viewport that show anything of the frame
// within `changed` (frame pixels), each computed afresh from the whole
// frame, and returns the screen rectangle written (empty for none).
SDL_Rect scaleFrame(SDL_Surface* frame, SDL_Surface* screen, const Viewport& view, const SDL_Rect& changed,
                    bool smooth);

}  // namespace orba
