#include "adv/comforts/screenparts.h"

#include <SDL.h>

#include <algorithm>

#include "orba/orba.h"

namespace adv::screen {

namespace {

constexpr int shadowGrey = 0x808080;  // the message text's shadow
constexpr int shadowOffset = 2;
constexpr char ellipsis[] = "\xE2\x80\xA6";

bool continuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Byte `at` moved back to the start of its code point.
std::size_t codePointStart(std::string_view text, std::size_t at) {
    at = std::min(at, text.size());
    while (at > 0 && at < text.size() && continuationByte(text[at])) --at;
    return at;
}

std::size_t nextCodePoint(std::string_view text, std::size_t at) {
    if (at >= text.size()) return text.size();
    ++at;
    while (at < text.size() && continuationByte(text[at])) ++at;
    return at;
}

// The longest start of the text, ended between code points, for which
// `fits` holds; widths only grow with the length, so halving finds it.
template <class Fits>
std::size_t longestStart(std::string_view text, const Fits& fits) {
    std::size_t good = 0, bad = text.size() + 1;
    while (bad - good > 1) {
        const std::size_t middle = codePointStart(text, good + (bad - good) / 2);
        if (middle <= good) {
            const std::size_t next = nextCodePoint(text, good);
            if (next >= bad || !fits(text.substr(0, next))) break;
            good = next;
            continue;
        }
        (fits(text.substr(0, middle)) ? good : bad) = middle;
    }
    return good;
}

bool narrowEnough(std::string_view text, int width) { return Orba_getTextWidth(text) <= width; }

// Where the first line of the text ends: after its last space that keeps it
// within the width, or between code points when one word is too wide. At
// least one code point, so that wrapping always moves on.
std::size_t lineEnd(std::string_view text, int width) {
    const std::size_t end =
        longestStart(text, [width](std::string_view part) { return narrowEnough(part, width); });
    if (end >= text.size()) return text.size();
    if (const std::size_t space = text.substr(0, end + 1).rfind(' ');
        space != std::string_view::npos && space > 0)
        return space;
    return std::max(end, nextCodePoint(text, 0));
}

std::string_view trimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

}  // namespace

void drawBackdrop() { Orba_fillRect(0, 0, windowWidth, windowHeight, 12, 12, 20); }

void drawPanel(const Box& box, bool lit) {
    const int frame = lit ? 220 : 110;
    const int inside = lit ? 56 : 28;
    Orba_fillRect(box.x, box.y, box.w, box.h, frame, frame, frame);
    Orba_fillRect(box.x + 2, box.y + 2, box.w - 4, box.h - 4, inside, inside, inside + 8);
}

void drawText(std::string_view text, int x, int y) {
    const int colour = Orba_getColorHex();
    Orba_setColorHex(shadowGrey);
    Orba_drawText(text, x + shadowOffset, y + shadowOffset, 255);
    Orba_setColorHex(colour);
    Orba_drawText(text, x, y, 255);
}

int lineHeight() { return std::max(Orba_getFontHeight(), 1); }

std::string fitText(std::string_view text, int width) {
    if (narrowEnough(text, width)) return std::string(text);
    const int room = width - Orba_getTextWidth(ellipsis);
    const std::size_t end =
        longestStart(text, [room](std::string_view part) { return narrowEnough(part, room); });
    return std::string(trimSpaces(text.substr(0, end))) + ellipsis;
}

std::vector<std::string> wrapText(std::string_view text, int width, std::size_t maxLines) {
    std::vector<std::string> lines;
    text = trimSpaces(text);
    while (!text.empty() && lines.size() < maxLines) {
        if (lines.size() + 1 == maxLines) {
            lines.push_back(fitText(text, width));
            break;
        }
        const std::size_t end = lineEnd(text, width);
        lines.emplace_back(trimSpaces(text.substr(0, end)));
        text = trimSpaces(text.substr(end));
    }
    return lines;
}

Input readInput() {
    const std::uint8_t buttons = Orba_getPushMouse();
    Input in;
    in.up = Orba_isPushKey(SDLK_UP) || Orba_isPushJoyDir(0);
    in.down = Orba_isPushKey(SDLK_DOWN) || Orba_isPushJoyDir(1);
    in.right = Orba_isPushKey(SDLK_RIGHT) || Orba_isPushJoyDir(2);
    in.left = Orba_isPushKey(SDLK_LEFT) || Orba_isPushJoyDir(3);
    in.pageUp = Orba_isPushKey(SDLK_PAGEUP);
    in.pageDown = Orba_isPushKey(SDLK_PAGEDOWN);
    in.wheelUp = (buttons & SDL_BUTTON(SDL_BUTTON_WHEELUP)) != 0;
    in.wheelDown = (buttons & SDL_BUTTON(SDL_BUTTON_WHEELDOWN)) != 0;
    // The confirm inputs less the left button, which acts where the pointer is.
    in.confirm = Orba_isPushKey(SDLK_z) || Orba_isPushKey(SDLK_RETURN) || Orba_isPushKey(SDLK_SPACE) ||
                 Orba_isPushJoy(0);
    in.click = (buttons & SDL_BUTTON_LMASK) != 0;
    in.back = (buttons & SDL_BUTTON_RMASK) != 0 || Orba_isPushKey(SDLK_ESCAPE);
    in.mouseX = Orba_getMouseX();
    in.mouseY = Orba_getMouseY();
    return in;
}

}  // namespace adv::screen
