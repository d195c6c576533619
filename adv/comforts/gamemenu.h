#pragma once
// The game menu: the screens and the quit as a column of items for the mouse,
// the keys or the joystick. It knows nothing of the engine: the caller offers
// the items and acts on the one update() names.
#include <vector>

#include "adv/comforts/screenparts.h"

namespace adv {

enum class MenuItem { Save, Load, History, Preferences, Back, Quit };

// The items in their order: Save and Load where saving is on, History where
// the history is, then Preferences, Back to the game and Quit.
std::vector<MenuItem> menuItems(bool saving, bool history);

struct GameMenuAction {
    enum class Kind {
        None,
        Close,  // the right button, Escape, the joystick's second button or Back picked
        Pick,   // `item` chosen by a confirm or a click
    };
    Kind kind = Kind::None;
    MenuItem item = MenuItem::Back;
    bool operator==(const GameMenuAction&) const = default;
};

class GameMenu {
public:
    // At least one item; the selection starts on the first.
    explicit GameMenu(std::vector<MenuItem> items);

    // Up and Down (or the pointer moving over an item) choose, a confirm or
    // a click on an item picks it.
    GameMenuAction update();
    void draw() const;

    int selected() const { return selected_; }
    const std::vector<MenuItem>& items() const { return items_; }
    // Where item `index` of `count` is drawn, for the pointer and for tests.
    static screen::Box itemBox(int index, int count);

private:
    GameMenuAction pick(int index) const;
    int itemAt(int x, int y) const;

    std::vector<MenuItem> items_;
    int selected_ = 0;
    int mouseX_ = 0, mouseY_ = 0;
};

}  // namespace adv
