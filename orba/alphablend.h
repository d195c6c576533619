#pragma once
// Pictures with an alpha channel drawn with their own per-pixel alpha times
// an overall alpha. SDL 1.2 ignores a surface's overall alpha when the
// surface has an alpha channel, so these draws do not go through its blits.
#include <SDL.h>

#include "orba/sdl_handles.h"

namespace orba {

// The picture in 32 bits with the alpha in the top byte and the colours in
// the target's places (red 0xff0000, green 0x00ff00, blue 0x0000ff): the
// layout blendWithAlpha reads.
SurfacePtr toAlphaLayout(SDL_Surface* picture);

// Blends `area` of `source` (in the layout above) into `target` at (x, y),
// cut as SDL_BlitSurface cuts a blit (to the source, then to the target's
// clip rectangle). Each pixel's weight is a = round(pixel alpha * overall /
// 255), and each colour becomes round((source * a + target * (255 - a)) / 255).
void blendWithAlpha(SDL_Surface* source, SDL_Rect area, SDL_Surface* target, int x, int y, Uint8 overall);

}  // namespace orba
