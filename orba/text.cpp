// TrueType fonts under string keys, the text colour and text drawn into the back buffer.
#include <algorithm>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "orba/orba.h"
#include "orba/orba_state.h"

#ifdef _WIN32
#include <windows.h>
#elif !defined(__EMSCRIPTEN__)
#include <fontconfig/fontconfig.h>
#endif

namespace fs = std::filesystem;

namespace {

bool existsAt(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

#ifdef _WIN32

// The fonts folder of the Windows directory.
std::optional<std::string> systemFontPath(const std::string& file) {
    char directory[256];
    const UINT length = GetWindowsDirectoryA(directory, sizeof directory);
    if (length == 0 || length >= sizeof directory) throw Error("Orba_openFont : system directory not found.");
    std::string path = std::string(directory, length) + "\\fonts\\" + file;
    if (!existsAt(path)) return std::nullopt;
    return path;
}

#elif defined(__EMSCRIPTEN__)

// The page has no system fonts: a game ships its own.
std::optional<std::string> systemFontPath(const std::string&) { return std::nullopt; }

#else

// The font folders named in fontconfig's configuration, in its order. The
// configuration is read without scanning the fonts and released at once.
std::vector<fs::path> systemFontFolders() {
    std::vector<fs::path> folders;
    if (FcConfig* config = FcInitLoadConfig()) {
        if (FcStrList* list = FcConfigGetFontDirs(config)) {
            while (FcChar8* folder = FcStrListNext(list))
                folders.emplace_back(reinterpret_cast<const char*>(folder));
            FcStrListDone(list);
        }
        FcConfigDestroy(config);
    }
    FcFini();
    return folders;
}

// Looks for the file in a folder and in every folder below it.
std::optional<fs::path> findBelow(const fs::path& folder, const std::string& file) {
    if (existsAt(folder / file)) return folder / file;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (const fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::error_code entryError;  // an unreadable entry does not end the search
        if (it->is_directory(entryError) && existsAt(it->path() / file)) return it->path() / file;
    }
    return std::nullopt;
}

// The folders where the system keeps its fonts, searched before asking
// fontconfig: reading its configuration takes longer than the search.
constexpr const char* commonFontFolders[] = {"/usr/share/fonts", "/usr/local/share/fonts"};

// The first file of that name in the system's font folders: the common
// ones, then the others that fontconfig's configuration names, in its order.
std::optional<std::string> systemFontPath(const std::string& file) {
    if (file.empty()) return std::nullopt;
    std::vector<fs::path> searched;
    for (const char* folder : commonFontFolders) {
        if (auto found = findBelow(folder, file)) return found->string();
        searched.emplace_back(folder);
    }
    for (const fs::path& folder : systemFontFolders()) {
        if (std::find(searched.begin(), searched.end(), folder) != searched.end()) continue;
        if (auto found = findBelow(folder, file)) return found->string();
    }
    return std::nullopt;
}

#endif

// The file as passed when it exists, otherwise the system's copy.
std::string locateFont(const std::string& file) {
    if (existsAt(file)) return file;
    if (auto path = systemFontPath(file)) return *path;
    throw Error("Orba_openFont : font file not found. " + file);
}

// Beyond this many rendered lines within two frames (only without flips, as
// in tests) the lines not drawn in this frame are let go.
constexpr std::size_t maxRenderedTexts = 256;

std::uint32_t packColour(const SDL_Color& c) {
    return static_cast<std::uint32_t>(c.r) << 16 | static_cast<std::uint32_t>(c.g) << 8 | c.b;
}

// Erases the rendered lines last drawn before the given frame.
void evictBefore(std::uint64_t frame) {
    auto& cache = orba::state().textCache;
    std::erase_if(cache, [frame](const auto& entry) { return entry.second.lastFrame < frame; });
}

// The longest text handed to the library at once: it converts the text on
// the stack, so a line of some million characters would overflow it.
constexpr std::size_t maxRenderedBytes = 16384;
// The library cannot make a surface wider than this.
constexpr int maxSurfaceWidth = 16383;

// Byte `at` moved back to the start of its code point, or the text's end.
std::size_t cutAt(std::string_view text, std::size_t at) {
    if (at >= text.size()) return text.size();
    while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
    return at;
}

bool reaches(orba::textlib::Font* font, std::string_view text, int width) {
    const std::optional<int> w = orba::textlib::width(font, std::string(text));
    return w && *w >= width;
}

// The shortest start of the text, cut between code points, whose rendering
// is `reach` pixels wide or more: no later glyph can show within them. The
// whole text when it is narrower, and never more than maxRenderedBytes.
std::string_view visiblePart(orba::textlib::Font* font, std::string_view text, int reach) {
    // A glyph behind the cut may reach back over it by its overhang or kerning.
    const int wanted = reach + orba::textlib::height(font);
    std::size_t narrow = 0, wide = cutAt(text, maxRenderedBytes);
    if (!reaches(font, text.substr(0, wide), wanted)) return text.substr(0, wide);
    // Widths only grow with the length: doubling finds a long enough start
    // cheaply, and halving between the last two finds the shortest.
    for (std::size_t probe = 64; probe < wide; probe *= 2) {
        const std::size_t end = cutAt(text, probe);
        if (end <= narrow) continue;
        if (reaches(font, text.substr(0, end), wanted)) {
            wide = end;
            break;
        }
        narrow = end;
    }
    for (;;) {
        const std::size_t middle = cutAt(text, narrow + (wide - narrow + 1) / 2);
        if (middle <= narrow || middle >= wide) break;
        (reaches(font, text.substr(0, middle), wanted) ? wide : narrow) = middle;
    }
    return text.substr(0, wide);
}

// The text rendered in the current font and colour, at least `reach` pixels
// of it: kept from an earlier frame when it was drawn in one of the last
// two, rendered otherwise. None when the font cannot render it.
const orba::TextEntry* renderedText(orba::textlib::Font* font, std::string_view text, int reach) {
    orba::State& s = orba::state();
    auto& cache = s.textCache;
    const std::uint32_t rgb = packColour(s.textColour);
    auto it = cache.find(orba::TextKeyView{font, rgb, text});
    if (it == cache.end() || it->second.reach < reach) {
        const std::string_view part = visiblePart(font, text, reach);
        SurfacePtr rendered = orba::textlib::renderSolid(font, std::string(part), s.textColour);
        if (!rendered) return nullptr;
        orba::TextEntry entry{std::move(rendered), orba::newSourceId(), 0,
                              part.size() == text.size() ? std::numeric_limits<int>::max() : reach};
        if (it != cache.end()) {
            orba::settleDrawing();  // the old rendering may still have to be drawn
            it->second = std::move(entry);
        } else {
            if (cache.size() >= maxRenderedTexts) {
                orba::settleDrawing();  // the lines about to go may still have to be drawn
                evictBefore(s.frame.number);
            }
            it = cache.emplace(orba::TextKey{font, rgb, std::string(text)}, std::move(entry)).first;
        }
    }
    it->second.lastFrame = s.frame.number;
    return &it->second;
}

// Starts the library on first use; the text colour then becomes white.
void startLibrary() {
    orba::State& s = orba::state();
    if (s.ttfReady) return;
    s.ttfReady = true;
    orba::textlib::start();
    Orba_setColor(255, 255, 255);
}

}  // namespace

void Orba_openFont(std::string_view key, int size, std::string_view file) {
    startLibrary();
    orba::State& s = orba::state();
    if (s.fonts.contains(key)) throw Error("Orba_openFont: Has exist key: " + std::string(key));
    const std::string path = locateFont(std::string(file));
    // A file that exists but is no font leaves the table untouched.
    s.fonts.emplace(std::string(key), orba::textlib::open(path, size));
    s.currentFont = key;
}

void Orba_setColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    orba::state().textColour = SDL_Color{r, g, b, 255};
}

void Orba_setColorHex(int rgb) {
    Orba_setColor(static_cast<std::uint8_t>(rgb >> 16 & 0xff), static_cast<std::uint8_t>(rgb >> 8 & 0xff),
                  static_cast<std::uint8_t>(rgb & 0xff));
}

int Orba_getColorHex() {
    const SDL_Color& c = orba::state().textColour;
    return c.r * 65536 + c.g * 256 + c.b;
}

void Orba_drawText(std::string_view text, int x, int y, int alpha) {
    orba::State& s = orba::state();
    if (!s.ttfReady || s.currentFont.empty() || text.empty() || !s.backBuffer) return;
    const auto font = s.fonts.find(s.currentFont);
    if (font == s.fonts.end()) return;
    // Only what can reach the window's right edge is rendered.
    const auto reach = static_cast<int>(std::min<std::int64_t>(std::int64_t{s.width} - x, maxSurfaceWidth));
    if (reach <= 0) return;
    const orba::TextEntry* rendered = renderedText(font->second.get(), text, reach);
    if (!rendered) return;
    SDL_Surface* surface = rendered->surface.get();
    const SDL_Rect whole{0, 0, static_cast<Uint16>(surface->w), static_cast<Uint16>(surface->h)};
    orba::recordBlit(surface, rendered->id, whole, x, y, true, static_cast<Uint8>(std::clamp(alpha, 0, 255)));
}

namespace {

// The current font, or none before the first Orba_openFont.
orba::textlib::Font* currentFont() {
    const orba::State& s = orba::state();
    if (!s.ttfReady) return nullptr;
    const auto font = s.fonts.find(s.currentFont);
    return font == s.fonts.end() ? nullptr : font->second.get();
}

}  // namespace

int Orba_getTextWidth(std::string_view text) {
    orba::textlib::Font* font = currentFont();
    if (!font || text.empty()) return 0;
    const std::string_view measured = text.substr(0, cutAt(text, maxRenderedBytes));
    return orba::textlib::width(font, std::string(measured)).value_or(0);
}

int Orba_getFontHeight() {
    orba::textlib::Font* font = currentFont();
    return font ? orba::textlib::height(font) : 0;
}

namespace orba {

// Closes every font and gives back the library reference taken by the first
// Orba_openFont, so that a later Orba_init starts without fonts.
void closeFonts() {
    State& s = state();
    s.textCache.clear();
    s.fonts.clear();
    s.currentFont.clear();
    if (s.ttfReady) orba::textlib::stop();
    s.ttfReady = false;
    s.textColour = SDL_Color{0, 0, 0, 0};
}

void evictTexts() {
    const std::uint64_t frame = state().frame.number;
    if (frame > 1) evictBefore(frame - 1);
}

}  // namespace orba
