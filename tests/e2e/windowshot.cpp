// windowshot WINDOW SCALE OUT.bmp: what the X server shows in a window, as a
// 24-bit BMP of its pixels at every SCALE-th column and row (the game's frame
// of a window that shows it at that scale, sharp), in the layout of the
// engine's F12 screenshot, so the two compare pixel by pixel. Exit 3 when the
// SCALE x SCALE pixels showing one pixel of the frame differ.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Whether each pixel of the frame is shown by SCALE x SCALE equal pixels.
bool evenlyScaled(XImage* image, int scale) {
    for (int y = 0; y + scale <= image->height; ++y)
        for (int x = 0; x + scale <= image->width; ++x)
            if (XGetPixel(image, x, y) != XGetPixel(image, x / scale * scale, y / scale * scale)) {
                std::fprintf(stderr, "windowshot: window pixel %d,%d differs from the rest of its cell\n", x,
                             y);
                return false;
            }
    return true;
}

std::vector<std::uint8_t> bmp(XImage* image, int scale) {
    const int w = image->width / scale, h = image->height / scale;
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(w) * 3 + 3) & ~3u;
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, 54 + rowBytes * h);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, w);
    put32(out, h);
    put16(out, 1);
    put16(out, 24);
    for (int i = 0; i < 6; ++i) put32(out, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const unsigned long pixel = XGetPixel(image, x * scale, y * scale);
            out.push_back(static_cast<std::uint8_t>(pixel & image->blue_mask));
            out.push_back(static_cast<std::uint8_t>((pixel & image->green_mask) >> 8));
            out.push_back(static_cast<std::uint8_t>((pixel & image->red_mask) >> 16));
        }
        out.resize(out.size() + (rowBytes - static_cast<std::uint32_t>(w) * 3), 0);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: windowshot WINDOW SCALE OUT.bmp\n");
        return 2;
    }
    const Window window = std::strtoul(argv[1], nullptr, 0);
    const int scale = std::atoi(argv[2]);
    Display* display = XOpenDisplay(nullptr);
    if (!display || scale < 1) return 1;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.depth != 24) return 1;
    XImage* image = XGetImage(display, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (!image) return 1;
    if (!evenlyScaled(image, scale)) return 3;
    const std::vector<std::uint8_t> out = bmp(image, scale);
    XDestroyImage(image);
    XCloseDisplay(display);
    std::ofstream(argv[3], std::ios::binary)
        .write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return 0;
}
