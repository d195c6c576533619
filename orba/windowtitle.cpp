#include "orba/windowtitle.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <cstddef>
#include <string>

#ifdef _WIN32
#include <windows.h>
#elif !defined(__EMSCRIPTEN__)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#endif

namespace orba {
namespace {

// The number of bytes of the character a UTF-8 sequence starts with, 0 for a
// byte no character starts with.
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

bool validUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = sequenceLength(static_cast<unsigned char>(text[at]));
        if (length == 0 || text.size() - at < length) return false;
        for (std::size_t i = 1; i < length; ++i)
            if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return false;
        at += length;
    }
    return true;
}

#ifdef _WIN32
// The title bar takes UTF-16 through the wide call.
void setSystemTitle(const SDL_SysWMinfo& info, const std::string& title) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, title.c_str(), -1, nullptr, 0);
    if (length <= 0) return;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, title.c_str(), -1, wide.data(), length);
    SetWindowTextW(info.window, wide.c_str());
}
#elif defined(__EMSCRIPTEN__)
// The page keeps its own title: SDL has no window there to name.
void setSystemTitle(const SDL_SysWMinfo&, const std::string&) {}
#else
bool ascii(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// _NET_WM_NAME, the name window managers show, in UTF-8; WM_NAME as STRING
// while the title is ASCII (as SDL sets it), else as UTF8_STRING.
void setSystemTitle(const SDL_SysWMinfo& info, const std::string& title) {
    if (info.subsystem != SDL_SYSWM_X11) return;
    Display* display = info.info.x11.display;
    const Window window = info.info.x11.wmwindow;
    const auto* bytes = reinterpret_cast<const unsigned char*>(title.data());
    const int length = static_cast<int>(title.size());
    info.info.x11.lock_func();
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                    bytes, length);
    XChangeProperty(display, window, XA_WM_NAME, ascii(title) ? XA_STRING : utf8, 8, PropModeReplace, bytes,
                    length);
    XFlush(display);
    info.info.x11.unlock_func();
}
#endif

}  // namespace

void setWindowTitle(std::string_view title) {
    const std::string text(title.substr(0, title.find('\0')));
    SDL_WM_SetCaption(text.c_str(), nullptr);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (validUtf8(text) && SDL_GetWMInfo(&info) == 1) setSystemTitle(info, text);
}

}  // namespace orba
