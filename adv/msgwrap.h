#pragma once
// Message lines broken into rows no wider than a given number of pixels.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace adv {

// The width in pixels that a text takes when drawn.
using TextMeasure = std::function<int(std::string_view)>;

// The rows of a line at most `width` pixels wide: a row ends at the last
// space that fits (the spaces there are dropped) or between two characters
// where one of them is from a script written without spaces (Chinese,
// Japanese); a word wider than the width is broken between characters. A
// character wider than the width gets a row of its own. A width of 0 or less
// leaves the line whole.
std::vector<std::string> wrapLine(std::string_view line, int width, const TextMeasure& measure);

// The line's rows at MSG_WIDTH in the current font; the line alone when
// MSG_WIDTH is 0 or no font is open.
std::vector<std::string> wrapMessage(std::string_view line);

}  // namespace adv
