#pragma once
// Small changes of the screen sent to the X window directly. SDL's update
// puts the rectangle and then has Xlib flush, which also reads the
// connection twice for events; for a small rectangle (the page-feed icon's
// next cell, shown while the player is waited for) that is much of the cost
// of the frame. Here the rectangle's pixels go in one request, written at
// once. Only files of orba/ include this.
#include <SDL.h>

#include <cstdint>

struct xcb_connection_t;

namespace orba {

// Sends a rectangle of the screen surface to the window it shows in. False,
// with nothing sent, when it cannot: no X window, pixels other than 32 bits
// in the server's byte order, or a rectangle of more than 64 KiB, which
// SDL's shared-memory update shows without a copy.
bool updateWindowDirectly(const SDL_Surface* screen, const SDL_Rect& area);

// The X window that the screen shows in, when its pixels go as the surface
// holds them (32 bits in the server's byte order): the connection is Xlib's
// own. Null elsewhere.
struct DirectWindow {
    xcb_connection_t* connection = nullptr;
    std::uint32_t window = 0;
    std::uint8_t depth = 0;
};
const DirectWindow* directWindow(const SDL_Surface* screen);

// The window's screen was made anew, or SDL is about to close: the next
// update looks at the window again.
void forgetWindowUpdates();

}  // namespace orba
