#include "adv/comforts/comfortmarks.h"

#include <string_view>

#include "adv/comforts/screenparts.h"
#include "orba/orba.h"

namespace adv {

namespace {

constexpr int markTop = 8, markRight = screen::windowWidth - 12, markGap = 16;

// Draws the mark with its right end at `right`; gives where the next one ends.
int drawMark(std::string_view text, int right) {
    const int left = right - Orba_getTextWidth(text);
    screen::drawText(text, left, markTop);
    return left - markGap;
}

}  // namespace

void drawComfortMarks(bool autoMode, SkipMark skip) {
    int right = markRight;
    if (autoMode) right = drawMark("AUTO", right);
    if (skip != SkipMark::Off) drawMark(skip == SkipMark::AllPages ? "SKIP ALL" : "SKIP", right);
}

}  // namespace adv
