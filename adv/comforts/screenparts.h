#pragma once
// What the players' screens (slots, history) and the corner marks share: the
// window's size, panels, text in the message colour with its shadow, text
// fitted to a width, and the input of one frame as the screens read it.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace adv::screen {

inline constexpr int windowWidth = 640;
inline constexpr int windowHeight = 480;

struct Box {
    int x = 0, y = 0, w = 0, h = 0;
    bool contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

void drawBackdrop();                                 // the whole window in the screens' dark colour
void drawPanel(const Box& box, bool lit);            // a grey frame around a dark inside; lit: brighter
void drawText(std::string_view text, int x, int y);  // the current colour over the messages' grey shadow
int lineHeight();                                    // the current font's line height, at least 1

// The text cut between code points, with an ellipsis, to be at most `width` pixels wide.
std::string fitText(std::string_view text, int width);
// The text broken into lines of at most `width` pixels, at spaces where it
// can, anywhere between code points where it must; at most `maxLines`, the
// last one fitted with an ellipsis when text is left over.
std::vector<std::string> wrapText(std::string_view text, int width, std::size_t maxLines);

// This frame's input as the screens read it. `confirm` covers the confirm
// keys and joystick button 0; the left button is `click`, read with the pointer;
// `back` is the right button or Escape.
struct Input {
    bool up = false, down = false, left = false, right = false;
    bool pageUp = false, pageDown = false, wheelUp = false, wheelDown = false;
    bool confirm = false, click = false, back = false;
    int mouseX = 0, mouseY = 0;
};
Input readInput();

}  // namespace adv::screen
