// assetgen OUTPUT_DIR: draws and synthesises every picture, sound, piece of
// music and map of the sample game "Lanterns by the Lake" into a game folder.
// The files are written byte by byte (BMP, PNG, WAV, FMF), with zlib for the
// PNG's pixel data and libvorbisenc for the Ogg Vorbis music. Everything is
// deterministic: the same program writes the same bytes.
//
// Colours marked "checked" are looked for by the scripted playthrough
// (sample/playthrough.txt); change both together.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <numbers>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include <vorbis/vorbisenc.h>
#include <zlib.h>

namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------- pictures

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

constexpr Rgb kKeyGreen{0, 255, 0};  // transparent in pictures loaded with a colour key

Rgb mix(Rgb a, Rgb b, double t) {
    auto lerp = [t](int x, int y) { return static_cast<std::uint8_t>(std::lround(x + (y - x) * t)); };
    return {lerp(a.r, b.r), lerp(a.g, b.g), lerp(a.b, b.b)};
}

struct Point {
    double x, y;
};

class Picture {
public:
    Picture(int width, int height, Rgb fill)
        : width_(width), height_(height), pixels_(width * height, fill) {}

    int width() const { return width_; }
    int height() const { return height_; }

    void set(int x, int y, Rgb c) {
        if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[y * width_ + x] = c;
    }
    Rgb get(int x, int y) const { return pixels_[y * width_ + x]; }
    void blend(int x, int y, Rgb c, double alpha) {
        if (x >= 0 && y >= 0 && x < width_ && y < height_)
            set(x, y, mix(get(x, y), c, std::clamp(alpha, 0.0, 1.0)));
    }

    void rect(int x, int y, int w, int h, Rgb c) {
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i) set(i, j, c);
    }
    void frame(int x, int y, int w, int h, int thickness, Rgb c) {
        rect(x, y, w, thickness, c);
        rect(x, y + h - thickness, w, thickness, c);
        rect(x, y, thickness, h, c);
        rect(x + w - thickness, y, thickness, h, c);
    }
    // Rows y0..y1-1 shade from `top` to `bottom`.
    void gradient(int y0, int y1, Rgb top, Rgb bottom) {
        for (int y = y0; y < y1; ++y)
            rect(0, y, width_, 1, mix(top, bottom, double(y - y0) / std::max(1, y1 - y0 - 1)));
    }
    void ellipse(double cx, double cy, double rx, double ry, Rgb c) {
        for (int y = int(cy - ry) - 1; y <= int(cy + ry) + 1; ++y)
            for (int x = int(cx - rx) - 1; x <= int(cx + rx) + 1; ++x) {
                const double dx = (x - cx) / rx, dy = (y - cy) / ry;
                if (dx * dx + dy * dy <= 1.0) set(x, y, c);
            }
    }
    void circle(double cx, double cy, double r, Rgb c) { ellipse(cx, cy, r, r, c); }
    // A soft halo: strength at the centre, fading to nothing at radius r.
    void glow(double cx, double cy, double r, Rgb c, double strength) {
        for (int y = int(cy - r); y <= int(cy + r); ++y)
            for (int x = int(cx - r); x <= int(cx + r); ++x) {
                const double d = std::hypot(x - cx, y - cy) / r;
                if (d < 1.0) blend(x, y, c, strength * (1.0 - d) * (1.0 - d));
            }
    }
    // Any simple polygon, filled by the crossing rule at pixel centres.
    void polygon(std::initializer_list<Point> points, Rgb c) {
        const std::vector<Point> p(points);
        double minY = p[0].y, maxY = p[0].y, minX = p[0].x, maxX = p[0].x;
        for (const Point& q : p) {
            minY = std::min(minY, q.y), maxY = std::max(maxY, q.y);
            minX = std::min(minX, q.x), maxX = std::max(maxX, q.x);
        }
        for (int y = int(minY); y <= int(maxY); ++y)
            for (int x = int(minX); x <= int(maxX); ++x)
                if (inside(p, x + 0.5, y + 0.5)) set(x, y, c);
    }
    void line(Point a, Point b, int thickness, Rgb c) {
        const int steps = int(std::max(std::abs(b.x - a.x), std::abs(b.y - a.y))) + 1;
        for (int s = 0; s <= steps; ++s) {
            const double t = double(s) / steps;
            rect(int(a.x + (b.x - a.x) * t) - thickness / 2, int(a.y + (b.y - a.y) * t) - thickness / 2,
                 thickness, thickness, c);
        }
    }

    // 24-bit uncompressed BMP, rows bottom-up, each padded to 4 bytes.
    std::string bmp() const {
        const int rowBytes = (width_ * 3 + 3) / 4 * 4;
        const std::uint32_t imageBytes = std::uint32_t(rowBytes) * height_;
        std::string out;
        auto u16 = [&out](unsigned v) { out += char(v & 255), out += char(v >> 8 & 255); };
        auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
        out += "BM";
        u32(54 + imageBytes), u32(0), u32(54);
        u32(40), u32(width_), u32(height_), u16(1), u16(24), u32(0), u32(imageBytes), u32(2835), u32(2835),
            u32(0), u32(0);
        for (int y = height_ - 1; y >= 0; --y) {
            for (int x = 0; x < width_; ++x) {
                const Rgb c = get(x, y);
                out += char(c.b), out += char(c.g), out += char(c.r);
            }
            out.append(rowBytes - width_ * 3, '\0');
        }
        return out;
    }

    // 32-bit RGBA PNG whose alpha is coverage of the colour-keyed figure:
    // a soft edge one pixel wide on each side, coloured like the figure.
    std::string softEdgedPng() const {
        std::string raw;
        for (int y = 0; y < height_; ++y) {
            raw += '\0';  // no filter
            for (int x = 0; x < width_; ++x) {
                const auto [colour, alpha] = softEdge(x, y);
                raw += char(colour.r), raw += char(colour.g), raw += char(colour.b), raw += char(alpha);
            }
        }
        uLongf size = compressBound(raw.size());
        std::string packed(size, '\0');
        compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
                  raw.size(), 9);
        packed.resize(size);
        std::string header = "IHDR";
        bigEndian(header, width_), bigEndian(header, height_);
        header += {8, 6, 0, 0, 0};  // 8 bits, RGBA, deflate, no filter choice, no interlace
        return "\x89PNG\r\n\x1a\n" + pngChunk(header) + pngChunk("IDAT" + packed) + pngChunk("IEND");
    }

private:
    bool figure(int x, int y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
        const Rgb c = get(x, y);
        return c.r != kKeyGreen.r || c.g != kKeyGreen.g || c.b != kKeyGreen.b;
    }
    // The share of the 3 x 3 neighbourhood the figure covers, and the
    // average colour of its figure pixels.
    std::pair<Rgb, int> softEdge(int x, int y) const {
        int count = 0, r = 0, g = 0, b = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (figure(x + dx, y + dy)) {
                    const Rgb c = get(x + dx, y + dy);
                    ++count, r += c.r, g += c.g, b += c.b;
                }
        if (count == 0) return {Rgb{}, 0};
        if (count == 9) return {get(x, y), 255};
        const Rgb average{std::uint8_t(r / count), std::uint8_t(g / count), std::uint8_t(b / count)};
        return {figure(x, y) ? get(x, y) : average, count * 255 / 9};
    }
    static void bigEndian(std::string& out, std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) out += char(v >> shift & 255);
    }
    static std::string pngChunk(const std::string& typeAndData) {
        std::string chunk;
        bigEndian(chunk, std::uint32_t(typeAndData.size() - 4));
        chunk += typeAndData;
        bigEndian(chunk, std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(typeAndData.data()),
                                             uInt(typeAndData.size()))));
        return chunk;
    }

    static bool inside(const std::vector<Point>& p, double x, double y) {
        bool in = false;
        for (std::size_t i = 0, j = p.size() - 1; i < p.size(); j = i++)
            if ((p[i].y > y) != (p[j].y > y) &&
                x < (p[j].x - p[i].x) * (y - p[i].y) / (p[j].y - p[i].y) + p[i].x)
                in = !in;
        return in;
    }

    int width_, height_;
    std::vector<Rgb> pixels_;
};

// A 5 x 7 capital letter font for the titles and map labels.
struct Glyph {
    char letter;
    const char* rows[7];
};

constexpr Glyph kFont[] = {
    {'A', {" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"}},
    {'B', {"#### ", "#   #", "#   #", "#### ", "#   #", "#   #", "#### "}},
    {'C', {" ### ", "#   #", "#    ", "#    ", "#    ", "#   #", " ### "}},
    {'D', {"#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "}},
    {'E', {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"}},
    {'F', {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    "}},
    {'G', {" ### ", "#   #", "#    ", "# ###", "#   #", "#   #", " ####"}},
    {'H', {"#   #", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"}},
    {'I', {" ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "}},
    {'K', {"#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #"}},
    {'L', {"#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"}},
    {'M', {"#   #", "## ##", "# # #", "# # #", "#   #", "#   #", "#   #"}},
    {'N', {"#   #", "#   #", "##  #", "# # #", "#  ##", "#   #", "#   #"}},
    {'O', {" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "}},
    {'P', {"#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "}},
    {'R', {"#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"}},
    {'S', {" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "}},
    {'T', {"#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "}},
    {'U', {"#   #", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "}},
    {'V', {"#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "}},
    {'W', {"#   #", "#   #", "#   #", "# # #", "# # #", "# # #", " # # "}},
    {'Y', {"#   #", "#   #", " # # ", "  #  ", "  #  ", "  #  ", "  #  "}},
};

const Glyph* glyphFor(char letter) {
    for (const Glyph& g : kFont)
        if (g.letter == letter) return &g;
    if (letter != ' ') throw std::logic_error(std::string("no glyph for '") + letter + "'");
    return nullptr;
}

int textWidth(std::string_view text, int scale) { return int(text.size()) * 6 * scale - scale; }

void drawText(Picture& pic, std::string_view text, int x, int y, int scale, Rgb c) {
    for (char letter : text) {
        if (const Glyph* g = glyphFor(letter))
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (g->rows[row][col] == '#') pic.rect(x + col * scale, y + row * scale, scale, scale, c);
        x += 6 * scale;
    }
}

void drawCentredText(Picture& pic, std::string_view text, int cx, int y, int scale, Rgb c) {
    drawText(pic, text, cx - textWidth(text, scale) / 2, y, scale, c);
}

// Deterministic pseudo-random numbers (a linear congruential generator).
class Random {
public:
    explicit Random(std::uint32_t seed) : state_(seed) {}
    std::uint32_t next() { return state_ = state_ * 1664525u + 1013904223u; }
    int below(int n) { return int((next() >> 8) % std::uint32_t(n)); }
    double unit() { return (next() >> 8) / double(1 << 24); }

private:
    std::uint32_t state_;
};

void stars(Picture& pic, int count, int maxY, std::uint32_t seed) {
    Random rnd(seed);
    for (int i = 0; i < count; ++i) {
        const int x = rnd.below(pic.width()), y = rnd.below(maxY);
        const double bright = 0.4 + 0.6 * rnd.unit();
        pic.blend(x, y, {255, 255, 240}, bright);
        if (bright > 0.9) pic.glow(x, y, 3, {255, 255, 240}, 0.5);
    }
}

// A paper lantern: a warm body, a dark cap and a soft halo.
void lantern(Picture& pic, double cx, double cy, double r, Rgb body) {
    pic.glow(cx, cy, r * 3.2, {255, 190, 90}, 0.45);
    pic.ellipse(cx, cy, r, r * 1.15, body);
    pic.ellipse(cx, cy - r * 0.2, r * 0.55, r * 0.6, mix(body, {255, 250, 210}, 0.6));
    pic.rect(int(cx - r * 0.45), int(cy - r * 1.25), int(r * 0.9) + 1, std::max(2, int(r * 0.25)),
             {70, 40, 30});
}

void hills(Picture& pic, int baseY, Rgb colour, std::uint32_t seed) {
    Random rnd(seed);
    for (int x = 0; x < pic.width(); x += 90 + rnd.below(60)) {
        const double rx = 110 + rnd.below(90), ry = 40 + rnd.below(40);
        pic.ellipse(x, baseY, rx, ry, colour);
    }
    pic.rect(0, baseY, pic.width(), pic.height() - baseY, colour);
}

// ------------------------------------------------------------ backgrounds

constexpr int kW = 640, kH = 480;

// Checked: moon centre (540, 80) FAF0CD.
Picture titleScreen() {
    Picture pic(kW, kH, {});
    pic.gradient(0, 340, {20, 24, 64}, {230, 122, 92});
    stars(pic, 90, 160, 7);
    pic.glow(540, 80, 110, {255, 240, 200}, 0.35);
    pic.circle(540, 80, 40, {250, 240, 205});
    hills(pic, 320, {44, 36, 72}, 11);
    pic.gradient(340, kH, {34, 52, 104}, {14, 20, 48});
    for (int i = 0; i < 14; ++i)
        pic.rect(470 + (i % 3) * 12 - i * 2, 350 + i * 9, 90 - i * 3, 2, {120, 120, 150});
    Random rnd(23);
    for (int i = 0; i < 9; ++i)
        lantern(pic, 60 + i * 64 + rnd.below(20), 380 + rnd.below(70), 7, {250, 150, 60});
    drawCentredText(pic, "LANTERNS", 320, 112, 7, {120, 50, 40});
    drawCentredText(pic, "LANTERNS", 316, 108, 7, {255, 214, 120});
    drawCentredText(pic, "BY THE LAKE", 320, 186, 4, {255, 236, 190});
    return pic;
}

// Checked: cloud (330, 50) FAFAFA, path (320, 290) C8B48C.
Picture garden() {
    Picture pic(kW, kH, {});
    pic.gradient(0, 220, {120, 180, 235}, {204, 232, 250});
    pic.glow(80, 60, 70, {255, 250, 200}, 0.5);
    pic.circle(80, 60, 30, {255, 236, 150});
    const std::tuple<int, int, double> clouds[] = {{330, 50, 1.0}, {520, 90, 0.7}, {200, 120, 0.5}};
    for (auto [x, y, s] : clouds) {
        pic.ellipse(x - 40 * s, y + 6 * s, 40 * s, 16 * s, {250, 250, 250});
        pic.ellipse(x + 42 * s, y + 6 * s, 38 * s, 14 * s, {250, 250, 250});
        pic.ellipse(x, y, 60 * s, 18 * s, {250, 250, 250});
    }
    hills(pic, 220, {126, 184, 112}, 5);
    pic.rect(0, 220, kW, kH - 220, {96, 168, 80});
    pic.polygon({{300, 220}, {340, 220}, {420, 480}, {220, 480}}, {200, 180, 140});
    for (int x : {24, 616}) {
        pic.rect(x - 10, 150, 20, 160, {110, 72, 44});
        pic.circle(x, 130, 62, {50, 120, 60});
        pic.circle(x - 24, 160, 40, {60, 136, 66});
    }
    Random rnd(3);
    const Rgb petals[] = {{250, 110, 140}, {255, 230, 90}, {250, 250, 250}, {170, 120, 230}};
    for (int i = 0; i < 120; ++i) {
        const int x = rnd.below(kW), y = 330 + rnd.below(150);
        if (x > 200 && x < 440) continue;  // keep the path clear
        pic.circle(x, y, 3, petals[i % 4]);
        pic.set(x, y, {255, 220, 60});
    }
    return pic;
}

// The village map. The clickable places, in 16 x 16 cells (columns, rows,
// inclusive), are shared with the map file written by villageMap().
struct Place {
    int value;  // the script number a click on the place picks
    int col0, row0, col1, row1;
    const char* label;
};
constexpr Place kPlaces[] = {
    {1, 3, 4, 13, 13, "LAKE"},
    {2, 17, 3, 23, 13, "TOWER"},
    {3, 27, 5, 37, 13, "MARKET"},
};
constexpr Rgb kParchment{232, 216, 172};  // checked
constexpr Rgb kInk{110, 72, 44};

void dashedFrame(Picture& pic, int x, int y, int w, int h, Rgb c) {
    for (int i = 0; i < w; i += 8) pic.rect(x + i, y, 4, 2, c), pic.rect(x + i, y + h - 2, 4, 2, c);
    for (int j = 0; j < h; j += 8) pic.rect(x, y + j, 2, 4, c), pic.rect(x + w - 2, y + j, 2, 4, c);
}

void drawLake(Picture& pic, int x, int y, int w, int h) {
    pic.ellipse(x + w / 2.0, y + h / 2.0, w / 2.0 - 2, h / 2.0 - 2, {90, 150, 200});
    pic.ellipse(x + w / 2.0, y + h / 2.0, w / 2.0 - 8, h / 2.0 - 8, {70, 130, 200});
    for (int i = 0; i < 4; ++i) pic.rect(x + 40 + i * 14, y + 36 + i * 20, 40, 2, {160, 200, 235});
}

void drawTower(Picture& pic, int x, int y, int w, int h) {
    const int cx = x + w / 2;
    pic.rect(cx - 32, y + 40, 64, h - 44, {150, 150, 160});  // checked: stone (328, 150) 9696A0
    for (int j = y + 48; j < y + h - 4; j += 14) pic.rect(cx - 32, j, 64, 1, {120, 120, 132});
    pic.polygon({{double(cx), double(y + 2)}, {cx + 42.0, y + 42.0}, {cx - 42.0, y + 42.0}}, {170, 60, 50});
    pic.rect(cx - 8, y + 60, 16, 22, {60, 50, 60});
    pic.rect(cx - 10, y + h - 30, 20, 26, {90, 60, 40});
}

void drawMarket(Picture& pic, int x, int y, int w, int h) {
    for (int i = 0; i < 3; ++i) {
        const int tx = x + 8 + i * (w - 16) / 3, tw = (w - 16) / 3 - 6, top = y + 20 + (i % 2) * 16;
        pic.rect(tx + 4, top + 26, tw - 8, y + h - 4 - top - 26, {180, 140, 90});
        pic.polygon({{tx + tw / 2.0, double(top)}, {tx + tw + 2.0, top + 28.0}, {tx - 2.0, top + 28.0}},
                    {250, 250, 240});
        for (int s = 0; s < tw; s += 12) pic.rect(tx + s, top + 22, 6, 8, {210, 60, 60});
    }
}

Picture villageMapPicture() {
    Picture pic(kW, kH, kParchment);
    Random rnd(17);
    for (int i = 0; i < 1500; ++i) pic.blend(rnd.below(kW), rnd.below(kH), {200, 180, 130}, 0.6);
    pic.frame(0, 0, kW, kH, 8, {140, 100, 60});
    pic.frame(12, 12, kW - 24, kH - 24, 2, {140, 100, 60});
    pic.line({136, 232}, {240, 300}, 3, {180, 150, 110});
    pic.line({240, 300}, {328, 232}, 3, {180, 150, 110});
    pic.line({328, 232}, {440, 300}, 3, {180, 150, 110});
    pic.line({440, 300}, {520, 232}, 3, {180, 150, 110});
    for (int i = 0; i < 12; ++i) {
        const int tx = 40 + i * 50 + rnd.below(20), ty = 270 + rnd.below(30);
        pic.rect(tx - 2, ty, 4, 10, kInk);
        pic.circle(tx, ty - 4, 9, {110, 150, 90});
    }
    for (const Place& p : kPlaces) {
        const int x = p.col0 * 16, y = p.row0 * 16, w = (p.col1 - p.col0 + 1) * 16,
                  h = (p.row1 - p.row0 + 1) * 16;
        const int picH = h - 16;  // the last row holds the label
        if (p.value == 1) drawLake(pic, x, y, w, picH);
        if (p.value == 2) drawTower(pic, x, y, w, picH);
        if (p.value == 3) drawMarket(pic, x, y, w, picH);
        drawCentredText(pic, p.label, x + w / 2, y + h - 14, 2, kInk);
        dashedFrame(pic, x, y, w, h, {160, 110, 70});
    }
    drawCentredText(pic, "THE VILLAGE", 320, 360, 4, kInk);
    // A compass rose in the corner.
    pic.polygon({{590, 380}, {598, 410}, {590, 440}, {582, 410}}, kInk);
    pic.polygon({{560, 410}, {590, 402}, {620, 410}, {590, 418}}, {170, 130, 90});
    return pic;
}

Picture duskSky(Rgb top, Rgb bottom, int horizon) {
    Picture pic(kW, kH, {});
    pic.gradient(0, horizon, top, bottom);
    stars(pic, 60, horizon / 2, 29);
    return pic;
}

// Checked: moon (120, 80) F5EBD2, water (60, 310) 183464.
Picture lakeScene() {
    Picture pic = duskSky({16, 20, 56}, {120, 80, 120}, 260);
    pic.glow(120, 80, 90, {255, 240, 210}, 0.3);
    pic.circle(120, 80, 34, {245, 235, 210});
    hills(pic, 250, {36, 34, 66}, 41);
    pic.rect(0, 260, kW, kH - 260, {24, 52, 100});
    for (int i = 0; i < 10; ++i) pic.rect(90 + (i % 2) * 8, 280 + i * 16, 60 - i * 3, 2, {150, 150, 170});
    Random rnd(43);
    for (int i = 0; i < 12; ++i) {
        const double x = 200 + rnd.below(420), y = 290 + rnd.below(170);
        lantern(pic, x, y, 6 + y / 80, {250, 150, 60});
        pic.rect(int(x) - 6, int(y) + 18, 12, 2, {200, 140, 80});  // reflection
    }
    return pic;
}

// Checked: tower stone (80, 300) 787682.
Picture towerScene() {
    Picture pic = duskSky({40, 40, 90}, {240, 150, 110}, 380);
    pic.circle(540, 90, 28, {250, 230, 200});
    hills(pic, 380, {60, 50, 70}, 51);
    pic.rect(60, 100, 140, 380, {120, 118, 130});
    for (int y = 112; y < kH; y += 18) pic.rect(60, y, 140, 2, {100, 98, 110});
    pic.polygon({{130, 10}, {220, 104}, {40, 104}}, {150, 56, 50});
    for (int y : {150, 250, 350}) {
        pic.glow(130, y + 18, 40, {255, 200, 90}, 0.5);
        pic.rect(116, y, 28, 36, {255, 200, 90});
        pic.rect(129, y, 2, 36, {90, 60, 40});
    }
    for (int i = 0; i < 5; ++i)
        pic.polygon({{420.0 + i * 40, 120.0 + (i % 2) * 10},
                     {440.0 + i * 40, 110},
                     {460.0 + i * 40, 120.0 + (i % 2) * 10}},
                    {30, 30, 50});
    return pic;
}

// Checked: awning (262, 60) DC4646.
Picture marketScene() {
    Picture pic = duskSky({60, 40, 90}, {250, 170, 110}, 300);
    pic.rect(0, 300, kW, kH - 300, {150, 120, 100});
    for (int y = 310; y < kH; y += 20)
        for (int x = (y / 20) % 2 * 20; x < kW; x += 40) pic.rect(x, y, 36, 16, {166, 134, 112});
    for (int i = 0; i < 4; ++i) {
        const int x = 10 + i * 160;
        pic.rect(x + 10, 80, 8, 230, {90, 60, 40});
        pic.rect(x + 132, 80, 8, 230, {90, 60, 40});
        pic.rect(x, 30, 150, 60, {250, 245, 230});
        for (int s = 0; s < 150; s += 30) pic.rect(x + s, 30, 15, 60, {220, 70, 70});
        pic.rect(x + 6, 230, 138, 60, {170, 120, 70});
        for (int f = 0; f < 5; ++f)
            pic.circle(x + 24 + f * 25, 222, 10, f % 2 ? Rgb{250, 180, 50} : Rgb{120, 190, 60});
    }
    for (int x = 0; x < kW; x += 32) lantern(pic, x + 16, 16 + 6 * std::sin(x / 60.0), 5, {255, 200, 80});
    return pic;
}

// The finale: night over the village; with `lanterns` the sky is full of them.
// Checked: moon (560, 70) FAF0D2; with lanterns, lantern body (320, 60) FFAA3C.
Picture nightScene(bool lanterns) {
    Picture pic = duskSky({8, 10, 34}, {60, 50, 100}, 360);
    stars(pic, 120, 300, 61);
    pic.glow(560, 70, 80, {255, 240, 210}, 0.3);
    pic.circle(560, 70, 30, {250, 240, 210});
    hills(pic, 350, {22, 24, 48}, 67);
    Random rnd(71);
    for (int i = 0; i < 14; ++i) {
        const int x = 10 + i * 46, h = 30 + rnd.below(40);
        pic.rect(x, 420 - h, 36, h + 60, {30, 30, 56});
        pic.polygon({{x - 4.0, 420.0 - h}, {x + 18.0, 400.0 - h}, {x + 40.0, 420.0 - h}}, {30, 30, 56});
        pic.rect(x + 12, 430 - h, 10, 10, {255, 210, 110});
    }
    if (lanterns) {
        for (int i = 0; i < 40; ++i) {
            const double x = rnd.below(kW), y = 20 + rnd.below(300);
            if ((std::abs(x - 320) < 40 && y < 100) || (std::abs(x - 560) < 50 && y < 120))
                continue;  // keep the big one and the moon clear
            lantern(pic, x, y, 3 + (300 - y) / 60, {255, 160, 70});
        }
        lantern(pic, 320, 50, 14, {255, 170, 60});
    }
    return pic;
}

// ------------------------------------------------------------- characters

struct Figure {
    Rgb main;  // checked: picture (80, 200), the chest
    Rgb trim, hair;
    int hairStyle;  // 0 long, 1 short, 2 bun
};

constexpr Rgb kSkin{250, 214, 180};

Picture character(const Figure& f) {
    Picture pic(160, 320, kKeyGreen);
    if (f.hairStyle == 0) pic.rect(38, 60, 84, 90, f.hair);  // long hair behind the shoulders
    if (f.hairStyle == 2) pic.circle(80, 20, 18, f.hair);
    // body, collar, belt and sleeves
    pic.polygon({{46, 120}, {114, 120}, {150, 319}, {10, 319}}, f.main);
    pic.polygon({{62, 120}, {98, 120}, {80, 146}}, f.trim);
    pic.rect(30, 236, 100, 10, f.trim);
    const Rgb sleeve = mix(f.main, {0, 0, 0}, 0.22);
    pic.polygon({{44, 122}, {60, 132}, {42, 250}, {24, 246}}, sleeve);
    pic.polygon({{116, 122}, {100, 132}, {118, 250}, {136, 246}}, sleeve);
    pic.circle(33, 254, 9, kSkin);
    pic.circle(127, 254, 9, kSkin);
    pic.rect(72, 104, 16, 20, kSkin);
    // head
    pic.circle(80, 64, 44, f.hair);
    pic.ellipse(80, 76, 36, 38, kSkin);
    pic.ellipse(80, 44, 38, 16, f.hair);
    if (f.hairStyle == 1)
        for (int i = 0; i < 5; ++i)
            pic.polygon({{44.0 + i * 16, 40}, {52.0 + i * 16, 18}, {60.0 + i * 16, 40}}, f.hair);
    pic.circle(66, 78, 4.5, {50, 36, 36});
    pic.circle(94, 78, 4.5, {50, 36, 36});
    pic.circle(67, 76, 1.5, {255, 255, 255});
    pic.circle(95, 76, 1.5, {255, 255, 255});
    pic.ellipse(58, 92, 7, 4, {250, 170, 160});
    pic.ellipse(102, 92, 7, 4, {250, 170, 160});
    for (int x = 72; x <= 88; ++x)
        pic.set(x, 96 + int(std::lround(std::pow((x - 80) / 8.0, 2) * -3)), {150, 60, 60});
    return pic;
}

constexpr Figure kMira{{214, 72, 112}, {250, 230, 240}, {96, 54, 34}, 0};  // left, soft-edged PNG
constexpr Figure kTom{{36, 140, 132}, {240, 220, 120}, {44, 40, 52}, 1};   // middle
constexpr Figure kSol{{232, 156, 36}, {120, 60, 30}, {180, 70, 30}, 2};    // right

// ------------------------------------------------------------ interface

// The message window: navy with a gold frame.
Picture messageWindow() {
    Picture pic(600, 140, {24, 30, 64});
    for (int y = 0; y < 140; ++y) pic.rect(0, y, 600, 1, mix({36, 44, 90}, {16, 20, 44}, y / 139.0));
    pic.frame(0, 0, 600, 140, 3, {200, 176, 110});
    pic.frame(6, 6, 588, 128, 1, {120, 110, 90});
    return pic;
}

// The page-feed cursor: four 24 x 24 cells of a pulsing gold diamond whose
// centre pixel (12, 12) is gold in every cell (checked: FFD23C).
Picture pageFeed() {
    Picture pic(96, 24, kKeyGreen);
    const int radius[] = {6, 8, 10, 8};
    for (int cell = 0; cell < 4; ++cell)
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x) {
                const int d = std::abs(x - 12) + std::abs(y - 12);
                if (d <= radius[cell])
                    pic.set(cell * 24 + x, y, d == radius[cell] ? Rgb{150, 90, 20} : Rgb{255, 210, 60});
            }
    return pic;
}

// The mouse cursor: an arrow whose tip is the cell centre; normal, then hot.
Picture mouseCursor() {
    Picture pic(64, 32, kKeyGreen);
    for (int cell = 0; cell < 2; ++cell) {
        const double ox = cell * 32 + 16, oy = 16;
        pic.polygon({{ox - 1, oy - 2},
                     {ox + 13, oy + 11},
                     {ox + 6, oy + 11},
                     {ox + 10, oy + 16},
                     {ox + 6, oy + 16},
                     {ox + 3, oy + 12},
                     {ox - 1, oy + 16}},
                    {20, 20, 30});
        pic.polygon({{ox + 1, oy + 2},
                     {ox + 9, oy + 9},
                     {ox + 4, oy + 9},
                     {ox + 7, oy + 14},
                     {ox + 6, oy + 14},
                     {ox + 3, oy + 10},
                     {ox + 1, oy + 12}},
                    cell == 0 ? Rgb{250, 250, 250} : Rgb{255, 220, 60});
    }
    return pic;
}

Picture windowIcon() {
    Picture pic(32, 32, {20, 24, 64});
    lantern(pic, 16, 17, 9, {250, 150, 60});
    return pic;
}

// ------------------------------------------------------------------ maps

// FMF: the 20-byte header, then the layers with one byte per cell.
// Layer 0 is the ground (0 land, 1 water, 2 building), layer 1 the click map.
std::string villageMap() {
    constexpr int width = kW / 16, height = kH / 16, layers = 2;
    std::vector<std::uint8_t> ground(width * height, 0), clicks(width * height, 0);
    for (const Place& p : kPlaces)
        for (int row = p.row0; row <= p.row1; ++row)
            for (int col = p.col0; col <= p.col1; ++col) {
                ground[row * width + col] = p.value == 1 ? 1 : 2;
                clicks[row * width + col] = std::uint8_t(p.value);
            }
    std::string out = "FMF_";
    auto u32 = [&out](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out += char(v >> (8 * i) & 255);
    };
    u32(width * height * layers), u32(width), u32(height);
    out += char(16), out += char(16), out += char(layers), out += char(8);
    out.append(ground.begin(), ground.end());
    out.append(clicks.begin(), clicks.end());
    return out;
}

// ------------------------------------------------------------------ sound

constexpr int kRate = 22050;
constexpr double kPi = std::numbers::pi;

using Samples = std::vector<double>;

// 16-bit mono PCM WAV.
std::string wav(const Samples& samples) {
    std::string out;
    auto u16 = [&out](unsigned v) { out += char(v & 255), out += char(v >> 8 & 255); };
    auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
    const std::uint32_t dataBytes = std::uint32_t(samples.size()) * 2;
    out += "RIFF", u32(36 + dataBytes), out += "WAVEfmt ";
    u32(16), u16(1), u16(1), u32(kRate), u32(kRate * 2), u16(2), u16(16);
    out += "data", u32(dataBytes);
    for (double s : samples) u16(std::uint16_t(std::int16_t(std::lround(std::clamp(s, -1.0, 1.0) * 32000))));
    return out;
}

// Mono Ogg Vorbis at quality 0.3, in one logical stream of serial 1: the
// encoder has no randomness, so the same samples give the same bytes.
std::string oggVorbis(const Samples& samples) {
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 1, kRate, 0.3f) != 0) throw std::runtime_error("vorbis encoder setup");
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);
    std::string out;
    ogg_page page;
    auto takePages = [&](bool flush) {
        while (flush ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
            out.append(reinterpret_cast<const char*>(page.header), std::size_t(page.header_len));
            out.append(reinterpret_cast<const char*>(page.body), std::size_t(page.body_len));
        }
    };
    ogg_packet id, comments, codebooks, packet;
    vorbis_analysis_headerout(&dsp, &comment, &id, &comments, &codebooks);
    ogg_stream_packetin(&stream, &id);
    ogg_stream_packetin(&stream, &comments);
    ogg_stream_packetin(&stream, &codebooks);
    takePages(true);
    float** buffer = vorbis_analysis_buffer(&dsp, int(samples.size()));
    for (std::size_t i = 0; i < samples.size(); ++i) buffer[0][i] = float(std::clamp(samples[i], -1.0, 1.0));
    vorbis_analysis_wrote(&dsp, int(samples.size()));
    vorbis_analysis_wrote(&dsp, 0);
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
        vorbis_analysis(&block, nullptr);
        vorbis_bitrate_addblock(&block);
        while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
            ogg_stream_packetin(&stream, &packet);
            takePages(false);
        }
    }
    takePages(true);
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

double noteHz(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// Adds a tone with partials (ratio, weight) and an exponential decay. With
// `wrap`, samples past the end continue at the start, so loops are seamless.
void addTone(Samples& out, double start, double hz, double seconds, double gain, double decay,
             std::initializer_list<std::pair<double, double>> partials, bool wrap = false) {
    const int first = int(start * kRate), count = int(seconds * kRate);
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / kRate;
        const double attack = std::min(1.0, t / 0.008), release = std::min(1.0, (count - i) / (0.02 * kRate));
        double v = 0;
        for (auto [ratio, weight] : partials) v += weight * std::sin(2 * kPi * hz * ratio * t);
        const int at = first + i;
        if (at >= int(out.size()) && !wrap) break;
        out[at % out.size()] += gain * attack * release * std::exp(-t / decay) * v;
    }
}

void addNoise(Samples& out, double start, double seconds, double gain, double attack, double decay,
              double smoothing, std::uint32_t seed) {
    Random rnd(seed);
    double low = 0;
    const int first = int(start * kRate);
    for (int i = 0; i < int(seconds * kRate) && first + i < int(out.size()); ++i) {
        const double t = double(i) / kRate;
        low += (rnd.unit() * 2 - 1 - low) * smoothing;
        out[first + i] += gain * std::min(1.0, t / attack) * std::exp(-t / decay) * low;
    }
}

Samples silence(double seconds) { return Samples(std::size_t(seconds * kRate), 0.0); }

Samples chime() {
    Samples s = silence(1.0);
    addTone(s, 0.00, noteHz(88), 0.9, 0.35, 0.30, {{1, 1}, {2.76, 0.2}});
    addTone(s, 0.14, noteHz(91), 0.8, 0.35, 0.30, {{1, 1}, {2.76, 0.2}});
    return s;
}

Samples splash() {
    Samples s = silence(0.8);
    addNoise(s, 0.0, 0.8, 0.9, 0.01, 0.18, 0.25, 5);
    for (int i = 0; i < 5; ++i) addTone(s, 0.1 + i * 0.09, 900 + i * 230, 0.08, 0.15, 0.03, {{1, 1}});
    return s;
}

Samples bell() {
    Samples s = silence(1.6);
    addTone(s, 0.0, 392, 1.6, 0.45, 0.6, {{1, 1}, {2.0, 0.5}, {2.76, 0.3}, {5.4, 0.1}});
    return s;
}

Samples coins() {
    Samples s = silence(0.5);
    for (int i = 0; i < 3; ++i) addTone(s, i * 0.11, 3100 + i * 600, 0.18, 0.3, 0.04, {{1, 1}, {1.5, 0.4}});
    return s;
}

Samples firework() {
    Samples s = silence(1.6);
    addNoise(s, 0.0, 0.5, 0.25, 0.4, 10.0, 0.6, 9);
    addNoise(s, 0.5, 1.1, 0.95, 0.005, 0.25, 0.15, 13);
    addTone(s, 0.5, 70, 0.6, 0.5, 0.15, {{1, 1}});
    return s;
}

// A melody as (MIDI note, beats) with 0 for a rest, over a chord per bar.
struct Tune {
    double bpm;
    std::vector<std::pair<int, double>> melody;
    std::vector<std::vector<int>> bars;  // chord notes, one chord per 4-beat bar
};

Samples play(const Tune& tune) {
    const double beat = 60.0 / tune.bpm;
    Samples s = silence(tune.bars.size() * 4 * beat);
    double at = 0;
    for (auto [note, beats] : tune.melody) {
        if (note)
            addTone(s, at, noteHz(note), beats * beat + 0.4, 0.22, 0.35, {{1, 1}, {2, 0.25}, {3, 0.08}},
                    true);
        at += beats * beat;
    }
    for (std::size_t bar = 0; bar < tune.bars.size(); ++bar) {
        const double start = bar * 4 * beat;
        for (int note : tune.bars[bar])
            for (int b = 0; b < 4; b += 2)
                addTone(s, start + b * beat, noteHz(note), 2 * beat, 0.08, 0.9, {{1, 1}, {2, 0.1}}, true);
        addTone(s, start, noteHz(tune.bars[bar][0] - 12), 4 * beat, 0.18, 1.2, {{1, 1}}, true);
    }
    return s;
}

// Eight seconds in C major: C, A minor, F, G.
Samples themeMusic() {
    const Tune tune{120,
                    {{72, 1},
                     {76, 0.5},
                     {79, 0.5},
                     {81, 1},
                     {79, 1},
                     {76, 1},
                     {72, 0.5},
                     {74, 0.5},
                     {76, 2},
                     {77, 1},
                     {76, 0.5},
                     {74, 0.5},
                     {72, 1},
                     {69, 1},
                     {71, 1},
                     {74, 1},
                     {67, 2}},
                    {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}}};
    return play(tune);
}

// Eight seconds, slower and lower: A minor, F, C, G.
Samples nightMusic() {
    const Tune tune{90,
                    {{69, 1.5},
                     {72, 0.5},
                     {76, 2},
                     {77, 1},
                     {76, 1},
                     {72, 2},
                     {67, 1},
                     {72, 1},
                     {74, 0.5},
                     {72, 0.5},
                     {0, 1}},
                    {{57, 60, 64}, {53, 57, 60}, {48, 52, 55}}};
    return play(tune);
}

// ----------------------------------------------------------------- output

void write(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + file.string());
}

void writeAll(const fs::path& game) {
    const fs::path level = game / "resource/level", chapter = level / "chapter1",
                   sound = game / "resource/sound";
    write(game / "resource/orba.bmp", windowIcon().bmp());
    write(level / "pf.bmp", pageFeed().bmp());
    write(level / "cursor.bmp", mouseCursor().bmp());
    write(level / "msgwin.bmp", messageWindow().bmp());
    write(level / "title.bmp", titleScreen().bmp());
    write(level / "garden.bmp", garden().bmp());
    for (const fs::path& folder : {level, chapter}) {
        write(folder / "mira.png", character(kMira).softEdgedPng());
        write(folder / "tom.bmp", character(kTom).bmp());
        write(folder / "sol.bmp", character(kSol).bmp());
    }
    write(chapter / "map.bmp", villageMapPicture().bmp());
    write(chapter / "village.fmf", villageMap());
    write(chapter / "lake.bmp", lakeScene().bmp());
    write(chapter / "tower.bmp", towerScene().bmp());
    write(chapter / "market.bmp", marketScene().bmp());
    write(chapter / "night.bmp", nightScene(false).bmp());
    write(chapter / "lanterns.bmp", nightScene(true).bmp());
    write(sound / "chime.wav", wav(chime()));
    write(sound / "splash.wav", wav(splash()));
    write(sound / "bell.wav", wav(bell()));
    write(sound / "coins.wav", wav(coins()));
    write(sound / "firework.wav", wav(firework()));
    write(sound / "theme.ogg", oggVorbis(themeMusic()));
    write(sound / "night.wav", wav(nightMusic()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: assetgen OUTPUT_DIR\n");
        return 2;
    }
    try {
        writeAll(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "assetgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
