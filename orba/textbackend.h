#pragma once
// The library text.cpp renders its lines with: SDL_ttf, or, built with
// ORBA_TEXT_FREETYPE (where SDL_ttf is not available), solidtext over
// FreeType, which renders the same pixels. Failures to open a font throw the
// text the engine shows, "Orba_openFont: " and the library's reason.
#include <SDL.h>

#include <memory>
#include <optional>
#include <string>

#include "orba/error.h"
#include "orba/filereader.h"
#include "orba/sdl_handles.h"

#ifdef ORBA_TEXT_FREETYPE
#include "orba/solidtext.h"
#else
#include <SDL_ttf.h>
#endif

namespace orba::textlib {

#ifdef ORBA_TEXT_FREETYPE

using Font = solidtext::Font;
using FontPtr = solidtext::FontPtr;

// Each font holds its own FreeType instance: nothing to start or stop.
inline void start() {}
inline void stop() {}

inline FontPtr open(const std::string& path, int size) {
    std::string reason;
    FontPtr font = solidtext::openFont(path.c_str(), size, reason);
    if (!font) throw Error("Orba_openFont: " + reason);
    return font;
}

inline int height(const Font* font) { return solidtext::fontHeight(*font); }

inline std::optional<int> width(Font* font, const std::string& text) {
    const auto size = solidtext::sizeUtf8(*font, text.c_str());
    return size ? std::optional<int>(size->w) : std::nullopt;
}

inline SurfacePtr renderSolid(Font* font, const std::string& text, SDL_Color colour) {
    return solidtext::renderUtf8Solid(*font, text.c_str(), colour);
}

#else

struct FontDeleter {
    void operator()(TTF_Font* font) const { TTF_CloseFont(font); }
};
using Font = TTF_Font;
using FontPtr = std::unique_ptr<TTF_Font, FontDeleter>;

inline void start() {
    if (TTF_Init() != 0) throw Error(std::string("Orba_openFont: ") + SDL_GetError());
}
inline void stop() {
    if (TTF_WasInit()) TTF_Quit();
}

inline FontPtr open(const std::string& path, int size) {
    SDL_RWops* file = openFileReader(path);
    FontPtr font(file ? TTF_OpenFontRW(file, 1, size) : nullptr);
    if (!font) throw Error(std::string("Orba_openFont: ") + TTF_GetError());
    return font;
}

inline int height(const Font* font) { return TTF_FontHeight(font); }

inline std::optional<int> width(Font* font, const std::string& text) {
    int w = 0, h = 0;
    return TTF_SizeUTF8(font, text.c_str(), &w, &h) == 0 ? std::optional<int>(w) : std::nullopt;
}

inline SurfacePtr renderSolid(Font* font, const std::string& text, SDL_Color colour) {
    return SurfacePtr(TTF_RenderUTF8_Solid(font, text.c_str(), colour));
}

#endif

}  // namespace orba::textlib
