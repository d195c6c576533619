#include "adv/comforts/historyscreen.h"

#include <algorithm>
#include <utility>

namespace adv {

namespace {

using screen::Box;

constexpr int areaTop = 16, areaBottom = screen::windowHeight - 16;
constexpr int panelLeft = 16, panelWidth = screen::windowWidth - 32;
constexpr int padding = 8, pageGap = 8;

int linePitch() { return screen::lineHeight() + 2; }

int pageHeight(const HistoryLines& page) {
    return static_cast<int>(std::max<std::size_t>(page.size(), 1)) * linePitch() + 2 * padding;
}

}  // namespace

// Lines wider than a panel are cut to it once, here.
HistoryScreen::HistoryScreen(std::vector<HistoryLines> pages)
    : pages_(std::move(pages)), bottomPage_(static_cast<int>(pages_.size()) - 1) {
    for (HistoryLines& page : pages_)
        for (std::string& line : page) line = screen::fitText(line, panelWidth - 2 * padding);
}

// A page taller than the whole area is shown from its top, cut at the bottom.
std::vector<HistoryScreen::Placed> HistoryScreen::layout() const {
    std::vector<Placed> placed;
    int bottom = areaBottom;
    for (int page = bottomPage_; page >= 0; --page) {
        const int height = pageHeight(pages_[static_cast<std::size_t>(page)]);
        int top = bottom - height;
        if (top < areaTop) {
            if (!placed.empty()) break;
            top = areaTop;
        }
        placed.push_back({page, Box{panelLeft, top, panelWidth, bottom - top}});
        bottom = top - pageGap;
    }
    return placed;
}

int HistoryScreen::pageAt(int x, int y) const {
    for (const Placed& p : layout())
        if (p.box.contains(x, y)) return p.page;
    return -1;
}

HistoryAction HistoryScreen::update() {
    const screen::Input in = screen::readInput();
    const int newest = static_cast<int>(pages_.size()) - 1;
    if (in.confirm || in.back) return {HistoryAction::Kind::Close};
    if (in.pageUp || in.wheelUp) bottomPage_ = std::max(bottomPage_ - 1, std::min(newest, 0));
    if (in.pageDown || in.wheelDown) {
        if (bottomPage_ >= newest) return {HistoryAction::Kind::Close};
        ++bottomPage_;
    }
    const int pointed = pageAt(in.mouseX, in.mouseY);
    pointed_ = pointed < newest ? pointed : -1;
    if (!in.click || pointed < 0) return {};
    if (pointed == newest) return {HistoryAction::Kind::Close};
    return {HistoryAction::Kind::JumpTo, pointed};
}

void HistoryScreen::draw() const {
    screen::drawBackdrop();
    const int pitch = linePitch();
    for (const Placed& p : layout()) {
        screen::drawPanel(p.box, p.page == pointed_);
        const HistoryLines& page = pages_[static_cast<std::size_t>(p.page)];
        int y = p.box.y + padding;
        for (const std::string& line : page) {
            if (y + pitch > p.box.y + p.box.h - padding) break;
            screen::drawText(line, p.box.x + padding, y);
            y += pitch;
        }
    }
}

}  // namespace adv
