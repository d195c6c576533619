#pragma once
// The save and load screens: the slots as rows, the chosen one's thumbnail,
// date and first line in a pane beside them, and a line for a message or a
// yes/no question at the bottom. It knows nothing of saves: the caller gives
// what each slot shows and acts on what update() answers.
#include <string>
#include <vector>

#include "adv/comforts/screenparts.h"

namespace adv {

enum class SlotScreenMode { Save, Load };

// What a slot shows.
struct SlotSummary {
    std::string label;  // "Auto", "1" … "9"
    bool empty = true;
    std::string thumbnail;  // key of its 160 x 120 picture, loaded by the caller; empty for none
    std::string dateTime;
    std::string firstLine;  // of the page it holds
};

struct SlotScreenAction {
    enum class Kind {
        None,
        Close,    // the right button, Escape, or the screen's own key (F2 saving, F3 loading)
        Act,      // save into or load from `slot`
        Confirm,  // the question asked about `slot` was answered yes
    };
    Kind kind = Kind::None;
    int slot = -1;
    bool operator==(const SlotScreenAction&) const = default;
};

class SlotScreen {
public:
    static constexpr int maxSlots = 10;

    // Saving shows slots 1 to 9; loading shows the autosave slot first, then
    // those. The selection starts on slot 1 either way. At most maxSlots.
    SlotScreen(SlotScreenMode mode, std::vector<SlotSummary> slots, std::string message = {});

    // Reads this frame's input: Up and Down (or the pointer moving over a
    // row) choose, the confirm keys or a click on a row act. An empty slot
    // cannot be loaded from.
    SlotScreenAction update();
    void draw() const;

    void select(int index);                // chooses a row, kept within the list
    void setMessage(std::string message);  // the bottom line; empty for none
    // Replaces the bottom line with a question about `slot` and Yes / No
    // buttons (Yes chosen); Left and Right choose, confirm or a click answers.
    // No, the right button or Escape withdraws it; yes gives Confirm.
    void ask(std::string question, int slot);

    int selected() const { return selected_; }
    bool asking() const { return questionSlot_ >= 0; }

    // Where things are drawn, for the pointer and for tests.
    static screen::Box rowBox(int index);
    static screen::Box thumbnailBox();
    static screen::Box answerBox(bool yes);

private:
    SlotScreenAction updateList(const screen::Input& in, bool moved);
    SlotScreenAction updateQuestion(const screen::Input& in, bool moved);
    SlotScreenAction act(int slot) const;
    int rowAt(int x, int y) const;
    void drawRow(int index) const;
    void drawDetails() const;
    void drawBottom() const;

    SlotScreenMode mode_;
    std::vector<SlotSummary> slots_;
    std::vector<std::vector<std::string>> firstLines_;  // each slot's first line, wrapped to the pane
    std::vector<std::string> message_;                  // wrapped to the bottom line's width
    int dateIndent_ = 0;                                // from a row's left edge to its date
    int selected_ = 0;
    int questionSlot_ = -1;
    bool yesChosen_ = true;
    int mouseX_ = 0, mouseY_ = 0;
};

}  // namespace adv
