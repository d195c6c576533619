#pragma once
// Text rendered over FreeType exactly as SDL_ttf 2.0.11 renders it in its Solid
// mode: the same font metrics, text sizes and 8-bit surfaces, pixel for pixel.
// It stands in for SDL_ttf where that library is not available. Outline
// (scalable) fonts only, in the normal style.
#include <SDL.h>

#include <memory>
#include <optional>
#include <string>

#include "orba/sdl_handles.h"

namespace orba::solidtext {

class Font;
struct FontDeleter {
    void operator()(Font* font) const;
};
using FontPtr = std::unique_ptr<Font, FontDeleter>;

// The font in the file at the point size (72 dpi), or none with the reason in
// `error`, worded as SDL_ttf words it ("Couldn't open <file>", "Couldn't load
// font file: ...").
FontPtr openFont(const char* path, int pointSize, std::string& error);

// The height of every rendered line: ascent - descent + 1 pixels.
int fontHeight(const Font& font);

struct TextSize {
    int w = 0, h = 0;
};
// The size of the rendering of the UTF-8 text (up to its first NUL); none when
// a glyph cannot be loaded.
std::optional<TextSize> sizeUtf8(Font& font, const char* text);

// The text rendered as an 8-bit surface of that size: index 1 where a glyph
// covers a pixel, 0 (the colour key) elsewhere; palette entry 1 is `fg` and
// entry 0 its inverse. None for a text of zero width.
SurfacePtr renderUtf8Solid(Font& font, const char* text, SDL_Color fg);

}  // namespace orba::solidtext
