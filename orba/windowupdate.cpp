#include "orba/windowupdate.h"

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
#include <SDL_syswm.h>
#include <X11/Xlib-xcb.h>
#include <xcb/xcb.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "orba/surfacerows.h"
#endif

namespace orba {

#if defined(_WIN32) || defined(__EMSCRIPTEN__)
// SDL's update is the only way to the window there.
bool updateWindowDirectly(const SDL_Surface*, const SDL_Rect&) { return false; }
const DirectWindow* directWindow(const SDL_Surface*) { return nullptr; }
void forgetWindowUpdates() {}
#else
namespace {

constexpr std::size_t maxDirectBytes = 64 * 1024;

struct DirectUpdates {
    bool looked = false;  // at the window, since its screen was made
    bool usable = false;
    DirectWindow target;
    xcb_gcontext_t gc = 0;
    std::vector<std::uint8_t> rows;  // the rectangle's pixels, row after row
};

DirectUpdates& direct() {
    static DirectUpdates d;
    return d;
}

// Whether the server takes pixels of this depth as 32-bit words in this
// machine's byte order with rows padded to 32 bits: then a surface's rows
// go as they lie in memory.
bool takesSurfaceRows(xcb_connection_t* connection, std::uint8_t depth) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const std::uint16_t probe = 1;
    std::uint8_t firstByte = 0;
    std::memcpy(&firstByte, &probe, 1);
    const auto order = firstByte == 1 ? XCB_IMAGE_ORDER_LSB_FIRST : XCB_IMAGE_ORDER_MSB_FIRST;
    if (setup->image_byte_order != order) return false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem > 0; xcb_format_next(&it))
        if (it.data->depth == depth) return it.data->bits_per_pixel == 32 && it.data->scanline_pad == 32;
    return false;
}

// The window's depth, from the server: one round trip, once per screen.
std::uint8_t windowDepth(xcb_connection_t* connection, xcb_window_t window) {
    xcb_get_geometry_reply_t* reply =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    const std::uint8_t depth = reply ? reply->depth : 0;
    std::free(reply);
    return depth;
}

void lookAtWindow(DirectUpdates& d, const SDL_Surface* screen) {
    d.looked = true;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (screen->format->BytesPerPixel != 4 || SDL_GetWMInfo(&info) != 1 || info.subsystem != SDL_SYSWM_X11)
        return;
    info.info.x11.lock_func();
    XFlush(info.info.x11.display);  // what SDL asked of the window comes first
    DirectWindow& t = d.target;
    t.connection = XGetXCBConnection(info.info.x11.display);
    t.window = static_cast<xcb_window_t>(info.info.x11.window);
    t.depth = windowDepth(t.connection, t.window);
    if (t.depth != 0 && takesSurfaceRows(t.connection, t.depth)) {
        d.gc = xcb_generate_id(t.connection);
        xcb_create_gc(t.connection, d.gc, t.window, 0, nullptr);
        d.usable = true;
    }
    info.info.x11.unlock_func();
}

}  // namespace

bool updateWindowDirectly(const SDL_Surface* screen, const SDL_Rect& area) {
    DirectUpdates& d = direct();
    if (!d.looked) lookAtWindow(d, screen);
    const std::size_t bytes = std::size_t{area.w} * area.h * 4;
    if (!d.usable || bytes == 0 || bytes > maxDirectBytes) return false;
    copyRows(screen, area, d.rows);
    const DirectWindow& t = d.target;
    xcb_put_image(t.connection, XCB_IMAGE_FORMAT_Z_PIXMAP, t.window, d.gc, area.w, area.h, area.x, area.y, 0,
                  t.depth, static_cast<std::uint32_t>(bytes), d.rows.data());
    xcb_flush(t.connection);
    return true;
}

const DirectWindow* directWindow(const SDL_Surface* screen) {
    DirectUpdates& d = direct();
    if (!d.looked) lookAtWindow(d, screen);
    return d.usable ? &d.target : nullptr;
}

void forgetWindowUpdates() {
    DirectUpdates& d = direct();
    if (d.usable) xcb_free_gc(d.target.connection, d.gc);  // sent with the connection's next request
    d = DirectUpdates{};
}
#endif

}  // namespace orba
