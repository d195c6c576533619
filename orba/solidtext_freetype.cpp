// SDL_ttf 2.0.11's Solid rendering over FreeType: the same calls to FreeType
// with the same flags, and the same integer arithmetic on their results.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "orba/filereader.h"
#include "orba/solidtext.h"

namespace orba::solidtext {

namespace {

// FreeType's 26.6 fixed point to whole pixels, rounded down and up.
long floorPixels(FT_Pos x) { return (x & -64) / 64; }
long ceilPixels(FT_Pos x) { return ((x + 63) & -64) / 64; }

struct LibraryDeleter {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
struct RWopsDeleter {
    void operator()(SDL_RWops* file) const { SDL_RWclose(file); }
};

// A glyph's box relative to the pen on the baseline, and its mono bitmap.
struct Glyph {
    FT_UInt index = 0;  // 0: the font has no glyph for the character
    int minx = 0, maxx = 0, miny = 0, maxy = 0;
    int yoffset = 0;  // the bitmap's top row below the line's top
    int advance = 0;
    bool rendered = false;
    unsigned width = 0, rows = 0;
    std::vector<Uint8> bits;  // rows * width bytes, each 0 or 1
};

// FreeType reads the font file through this; a count of 0 only seeks.
unsigned long readFile(FT_Stream stream, unsigned long offset, unsigned char* buffer, unsigned long count) {
    auto* file = static_cast<SDL_RWops*>(stream->descriptor.pointer);
    SDL_RWseek(file, static_cast<int>(offset), RW_SEEK_SET);
    if (count == 0) return 0;
    const int read = SDL_RWread(file, buffer, 1, static_cast<int>(count));
    return read < 0 ? 0 : static_cast<unsigned long>(read);
}

// The Unicode charmap (or the symbol one) if the face has one, as SDL_ttf picks it.
void chooseCharmap(FT_Face face) {
    for (int i = 0; i < face->num_charmaps; ++i) {
        const FT_CharMap map = face->charmaps[i];
        const bool fits = (map->platform_id == 3 && (map->encoding_id == 1 || map->encoding_id == 0)) ||
                          (map->platform_id == 2 && map->encoding_id == 1) || map->platform_id == 0;
        if (fits) {
            FT_Set_Charmap(face, map);  // on failure the default charmap stays
            return;
        }
    }
}

constexpr Uint16 byteOrderMark = 0xFEFF, swappedByteOrderMark = 0xFFFE;

// The UTF-8 text as the 16-bit code units SDL_ttf converts it to, up to the
// first unit that comes out 0: a lead byte takes its continuation bytes
// whatever they are, a stray continuation byte stands for itself and bits
// above 16 are dropped.
std::vector<Uint16> toCodeUnits(const char* text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    const std::size_t length = std::strlen(text);
    const auto next = [&](std::size_t& i) -> unsigned { return ++i < length ? bytes[i] & 0x3Fu : 0u; };
    std::vector<Uint16> units;
    units.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        unsigned unit = bytes[i];
        if (unit >= 0xF0) {
            unit = next(i) << 12;
            unit |= next(i) << 6;
            unit |= next(i);
        } else if (unit >= 0xE0) {
            unit = (unit & 0x0F) << 12;
            unit |= next(i) << 6;
            unit |= next(i);
        } else if (unit >= 0xC0) {
            unit = (unit & 0x1F) << 6;
            unit |= next(i);
        }
        unit &= 0xFFFF;
        if (unit == 0) break;
        units.push_back(static_cast<Uint16>(unit));
    }
    return units;
}

}  // namespace

class Font {
public:
    // Declared in the order they are needed: each is released before the one above it.
    std::unique_ptr<FT_LibraryRec_, LibraryDeleter> library;
    std::unique_ptr<SDL_RWops, RWopsDeleter> file;
    FT_StreamRec stream{};
    std::unique_ptr<FT_FaceRec_, FaceDeleter> face;
    int ascent = 0, descent = 0, height = 0;
    bool kerning = false;
    std::unordered_map<Uint16, Glyph> glyphs;

    // The glyph of the character with its metrics, and its bitmap when asked
    // for; none when FreeType cannot load or render it.
    const Glyph* glyph(Uint16 ch, bool withBitmap);

    // Calls place(glyph, x, first) for each glyph of the text, x being the
    // pen position after kerning; false when a glyph cannot be had.
    template <class Place>
    bool layOut(const char* text, bool withBitmaps, Place place);

private:
    bool loadMetrics(Uint16 ch, Glyph& glyph);
    bool render(Glyph& glyph);
};

void FontDeleter::operator()(Font* font) const { delete font; }

bool Font::loadMetrics(Uint16 ch, Glyph& g) {
    FT_Face f = face.get();
    g.index = FT_Get_Char_Index(f, ch);
    if (FT_Load_Glyph(f, g.index, FT_LOAD_DEFAULT) != 0) return false;
    const FT_Glyph_Metrics& m = f->glyph->metrics;
    g.minx = static_cast<int>(floorPixels(m.horiBearingX));
    g.maxx = g.minx + static_cast<int>(ceilPixels(m.width));
    g.maxy = static_cast<int>(floorPixels(m.horiBearingY));
    g.miny = g.maxy - static_cast<int>(ceilPixels(m.height));
    g.yoffset = ascent - g.maxy;
    g.advance = static_cast<int>(ceilPixels(m.horiAdvance));
    return true;
}

bool Font::render(Glyph& g) {
    FT_Face f = face.get();
    if (FT_Load_Glyph(f, g.index, FT_LOAD_DEFAULT) != 0) return false;
    if (FT_Render_Glyph(f->glyph, FT_RENDER_MODE_MONO) != 0) return false;
    const FT_Bitmap& source = f->glyph->bitmap;
    // Outlines come out as one bit a pixel; an embedded 8-bit bitmap is cut at half.
    const bool mono = source.pixel_mode == FT_PIXEL_MODE_MONO;
    if (!mono && source.pixel_mode != FT_PIXEL_MODE_GRAY) return false;
    g.width = source.width;
    g.rows = source.rows;
    g.bits.assign(std::size_t{g.width} * g.rows, 0);
    for (unsigned row = 0; row < g.rows; ++row) {
        const unsigned char* in = source.buffer + static_cast<long>(row) * source.pitch;
        Uint8* out = g.bits.data() + std::size_t{row} * g.width;
        for (unsigned col = 0; col < g.width; ++col)
            out[col] = mono ? (in[col >> 3] >> (7 - (col & 7))) & 1 : in[col] >= 0x80;
    }
    g.rendered = true;
    return true;
}

const Glyph* Font::glyph(Uint16 ch, bool withBitmap) {
    auto [it, fresh] = glyphs.try_emplace(ch);
    if (fresh && !loadMetrics(ch, it->second)) {
        glyphs.erase(it);
        return nullptr;
    }
    if (withBitmap && !it->second.rendered && !render(it->second)) return nullptr;
    return &it->second;
}

template <class Place>
bool Font::layOut(const char* text, bool withBitmaps, Place place) {
    const bool useKerning = FT_HAS_KERNING(face.get()) && kerning;
    bool swapped = false, first = true;
    FT_UInt previous = 0;
    int x = 0;
    for (Uint16 ch : toCodeUnits(text)) {
        // Byte order marks set how the units that follow are read.
        if (ch == byteOrderMark || ch == swappedByteOrderMark) {
            swapped = ch == swappedByteOrderMark;
            continue;
        }
        if (swapped) ch = static_cast<Uint16>(ch << 8 | ch >> 8);
        const Glyph* g = glyph(ch, withBitmaps);
        if (!g) return false;
        if (useKerning && previous && g->index) {
            FT_Vector delta{};
            FT_Get_Kerning(face.get(), previous, g->index, FT_KERNING_DEFAULT, &delta);
            x += static_cast<int>(delta.x >> 6);
        }
        x = place(*g, x, first);
        first = false;
        previous = g->index;
    }
    return true;
}

FontPtr openFont(const char* path, int pointSize, std::string& error) {
    FontPtr font(new Font);
    font->file.reset(orba::openFileReader(path));
    if (!font->file) {
        error = SDL_GetError();
        return nullptr;
    }
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library)) {
        error = "Couldn't init FreeType engine";
        return nullptr;
    }
    font->library.reset(library);

    SDL_RWops* file = font->file.get();
    const int start = SDL_RWtell(file);
    if (start < 0) {
        error = "Can't seek in stream";
        return nullptr;
    }
    font->stream.read = readFile;
    font->stream.descriptor.pointer = file;
    font->stream.pos = static_cast<unsigned long>(start);
    SDL_RWseek(file, 0, RW_SEEK_END);
    font->stream.size = static_cast<unsigned long>(SDL_RWtell(file) - start);
    SDL_RWseek(file, start, RW_SEEK_SET);

    FT_Open_Args args{};
    args.flags = FT_OPEN_STREAM;
    args.stream = &font->stream;
    FT_Face face = nullptr;
    if (FT_Open_Face(library, &args, 0, &face)) {
        error = "Couldn't load font file";
        return nullptr;
    }
    font->face.reset(face);
    chooseCharmap(face);
    if (!FT_IS_SCALABLE(face)) {
        error = "Couldn't load font file: not a scalable font";
        return nullptr;
    }
    if (FT_Set_Char_Size(face, 0, FT_F26Dot6{pointSize} * 64, 0, 0)) {
        error = "Couldn't set font size";
        return nullptr;
    }
    const FT_Fixed scale = face->size->metrics.y_scale;
    font->ascent = static_cast<int>(ceilPixels(FT_MulFix(face->ascender, scale)));
    font->descent = static_cast<int>(ceilPixels(FT_MulFix(face->descender, scale)));
    font->height = font->ascent - font->descent + 1;  // + 1 for the baseline
    font->kerning = true;
    return font;
}

int fontHeight(const Font& font) { return font.height; }

std::optional<TextSize> sizeUtf8(Font& font, const char* text) {
    int minx = 0, maxx = 0, miny = 0;
    const bool laidOut = font.layOut(text, false, [&](const Glyph& g, int x, bool) {
        minx = std::min(minx, x + g.minx);
        maxx = std::max(maxx, x + std::max(g.advance, g.maxx));
        miny = std::min(miny, g.miny);
        return x + g.advance;
    });
    if (!laidOut) return std::nullopt;
    // A glyph reaching below the font's descent makes the line taller.
    return TextSize{maxx - minx, std::max(font.height, font.ascent - miny)};
}

SurfacePtr renderUtf8Solid(Font& font, const char* text, SDL_Color fg) {
    const std::optional<TextSize> size = sizeUtf8(font, text);
    if (!size || size->w == 0) return nullptr;
    SurfacePtr surface(SDL_CreateRGBSurface(SDL_SWSURFACE, size->w, size->h, 8, 0, 0, 0, 0));
    if (!surface) return nullptr;
    SDL_Color* colours = surface->format->palette->colors;
    colours[0].r = static_cast<Uint8>(255 - fg.r);
    colours[0].g = static_cast<Uint8>(255 - fg.g);
    colours[0].b = static_cast<Uint8>(255 - fg.b);
    colours[1].r = fg.r;
    colours[1].g = fg.g;
    colours[1].b = fg.b;
    SDL_SetColorKey(surface.get(), SDL_SRCCOLORKEY, 0);

    // The bitmaps are or-ed in row by row; a row running past the surface's
    // right edge goes on in the next row, as in SDL_ttf, but nothing is
    // written outside the pixels.
    auto* pixels = static_cast<Uint8*>(surface->pixels);
    const long pitch = surface->pitch, total = pitch * surface->h;
    const bool laidOut = font.layOut(text, true, [&](const Glyph& g, int x, bool first) {
        if (first && g.minx < 0) x -= g.minx;  // the first glyph's overhang to the left is kept
        const int width = std::min(static_cast<int>(g.width), g.maxx - g.minx);
        for (unsigned row = 0; row < g.rows; ++row) {
            const long y = long{g.yoffset} + row;
            if (y < 0 || y >= surface->h) continue;
            const long start = y * pitch + x + g.minx;
            const Uint8* bits = g.bits.data() + std::size_t{row} * g.width;
            for (int col = 0; col < width && start + col < total; ++col)
                if (start + col >= 0) pixels[start + col] |= bits[col];
        }
        return x + g.advance;
    });
    if (!laidOut) return nullptr;
    return surface;
}

}  // namespace orba::solidtext
