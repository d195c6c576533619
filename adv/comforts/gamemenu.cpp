#include "adv/comforts/gamemenu.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "orba/orba.h"

namespace adv {

namespace {

using screen::Box;

constexpr int itemWidth = 240, itemHeight = 40, itemPitch = 48;
constexpr int closeButton = 1;  // the joystick's second button, which also opens the menu

std::string_view labelOf(MenuItem item) {
    switch (item) {
    case MenuItem::Save: return "Save";
    case MenuItem::Load: return "Load";
    case MenuItem::History: return "History";
    case MenuItem::Preferences: return "Preferences";
    case MenuItem::Back: return "Back to the game";
    case MenuItem::Quit: return "Quit";
    }
    return {};
}

}  // namespace

std::vector<MenuItem> menuItems(bool saving, bool history) {
    std::vector<MenuItem> items;
    if (saving) items.insert(items.end(), {MenuItem::Save, MenuItem::Load});
    if (history) items.push_back(MenuItem::History);
    items.insert(items.end(), {MenuItem::Preferences, MenuItem::Back, MenuItem::Quit});
    return items;
}

GameMenu::GameMenu(std::vector<MenuItem> items)
    : items_(std::move(items)), mouseX_(Orba_getMouseX()), mouseY_(Orba_getMouseY()) {
    if (items_.empty()) throw Error("GameMenu: no items");
}

// The column in the middle of the window.
Box GameMenu::itemBox(int index, int count) {
    const int top = (screen::windowHeight - itemPitch * count + (itemPitch - itemHeight)) / 2;
    return Box{(screen::windowWidth - itemWidth) / 2, top + itemPitch * index, itemWidth, itemHeight};
}

// The pointer chooses an item only when it moves, so that it does not undo the keys.
GameMenuAction GameMenu::update() {
    const screen::Input in = screen::readInput();
    const bool moved = in.mouseX != mouseX_ || in.mouseY != mouseY_;
    mouseX_ = in.mouseX;
    mouseY_ = in.mouseY;
    if (in.back || Orba_isPushJoy(closeButton)) return {GameMenuAction::Kind::Close};
    const int pointed = itemAt(in.mouseX, in.mouseY);
    if (in.click) return pointed < 0 ? GameMenuAction{} : pick(pointed);
    if (moved && pointed >= 0) selected_ = pointed;
    const int step = (in.down ? 1 : 0) - (in.up ? 1 : 0);
    selected_ = std::clamp(selected_ + step, 0, static_cast<int>(items_.size()) - 1);
    return in.confirm ? pick(selected_) : GameMenuAction{};
}

GameMenuAction GameMenu::pick(int index) const {
    const MenuItem item = items_[static_cast<std::size_t>(index)];
    if (item == MenuItem::Back) return {GameMenuAction::Kind::Close};
    return {GameMenuAction::Kind::Pick, item};
}

int GameMenu::itemAt(int x, int y) const {
    const int count = static_cast<int>(items_.size());
    for (int i = 0; i < count; ++i)
        if (itemBox(i, count).contains(x, y)) return i;
    return -1;
}

void GameMenu::draw() const {
    screen::drawBackdrop();
    const int count = static_cast<int>(items_.size());
    for (int i = 0; i < count; ++i) {
        const Box box = itemBox(i, count);
        screen::drawPanel(box, i == selected_);
        const std::string_view label = labelOf(items_[static_cast<std::size_t>(i)]);
        screen::drawText(label, box.x + (box.w - Orba_getTextWidth(label)) / 2,
                         box.y + (box.h - screen::lineHeight()) / 2);
    }
}

}  // namespace adv
