#pragma once
// The text history: the pages shown so far, newest at the bottom, as many as
// fit, each in its own panel. It knows nothing of the engine: the caller
// gives the pages and goes back to the one update() names.
#include <string>
#include <vector>

#include "adv/comforts/screenparts.h"

namespace adv {

using HistoryLines = std::vector<std::string>;  // a page's lines

struct HistoryAction {
    enum class Kind {
        None,
        Close,   // Page Down past the newest page, the right button, Escape or a confirm key
        JumpTo,  // a click on the earlier page `page`
    };
    Kind kind = Kind::None;
    int page = -1;
    bool operator==(const HistoryAction&) const = default;
};

class HistoryScreen {
public:
    // Oldest first; the last page is the one the game shows now.
    explicit HistoryScreen(std::vector<HistoryLines> pages);

    // Page Up or the wheel up scrolls back one page, Page Down or the wheel
    // down forward one; a click on the newest page closes.
    HistoryAction update();
    void draw() const;

    int newestShown() const { return bottomPage_; }  // the page at the bottom, -1 with no pages

    struct Placed {
        int page = 0;
        screen::Box box;
    };
    // The pages shown, from the bottom one up, and where they are drawn.
    std::vector<Placed> layout() const;

private:
    int pageAt(int x, int y) const;

    std::vector<HistoryLines> pages_;
    int bottomPage_ = -1;
    int pointed_ = -1;  // the earlier page under the pointer, lit
};

}  // namespace adv
