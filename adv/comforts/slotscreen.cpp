#include "adv/comforts/slotscreen.h"

#include <SDL.h>

#include <algorithm>
#include <utility>

#include "orba/orba.h"

namespace adv {

namespace {

using screen::Box;

constexpr char emptyText[] = "\xE2\x80\x94 empty \xE2\x80\x94";

// The rows on the left, the chosen slot's pane on the right, the bottom line below both.
constexpr int listLeft = 16, listTop = 52, rowWidth = 368, rowHeight = 30, rowPitch = 34;
constexpr int labelIndent = 12, labelGap = 12, minDateIndent = 64;
constexpr Box pane{400, listTop, 224, rowPitch* SlotScreen::maxSlots - (rowPitch - rowHeight)};
constexpr int thumbnailWidth = 160, thumbnailHeight = 120;
constexpr int paneIndent = 12;
constexpr int paneTextTop = 204;
constexpr Box bottom{16, 400, 608, 68};
constexpr int bottomIndent = 12;
constexpr int answerWidth = 72, answerHeight = 34, answerGap = 12;
constexpr std::size_t bottomLines = 2;

int paneTextWidth() { return pane.w - 2 * paneIndent; }

int questionWidth() { return bottom.w - 2 * bottomIndent - 2 * (answerWidth + answerGap); }

// Text placed in the middle of a box's height.
int middleTop(const Box& box) { return box.y + (box.h - screen::lineHeight()) / 2; }

void drawCentred(std::string_view text, const Box& box) {
    screen::drawText(text, box.x + (box.w - Orba_getTextWidth(text)) / 2, middleTop(box));
}

std::vector<std::string> wrapFirstLine(const SlotSummary& slot) {
    const int pitch = screen::lineHeight();
    const int lines = (pane.y + pane.h - paneIndent - paneTextTop) / pitch - 1;  // the date takes one
    if (slot.empty || lines <= 0) return {};
    return screen::wrapText(slot.firstLine, paneTextWidth(), static_cast<std::size_t>(lines));
}

// The date column starts after the widest label ("Auto" in most fonts), so
// that the two never run into each other, whatever the font's size.
int dateIndentFor(const std::vector<SlotSummary>& slots) {
    int widest = 0;
    for (const SlotSummary& slot : slots) widest = std::max(widest, Orba_getTextWidth(slot.label));
    return std::clamp(labelIndent + widest + labelGap, minDateIndent, rowWidth / 3);
}

}  // namespace

SlotScreen::SlotScreen(SlotScreenMode mode, std::vector<SlotSummary> slots, std::string message)
    : mode_(mode), slots_(std::move(slots)), mouseX_(Orba_getMouseX()), mouseY_(Orba_getMouseY()) {
    if (slots_.empty() || slots_.size() > static_cast<std::size_t>(maxSlots))
        throw Error("SlotScreen: 1 to 10 slots, not " + std::to_string(slots_.size()));
    // The autosave slot stands before slot 1 on the load screen.
    if (mode_ == SlotScreenMode::Load) selected_ = std::min(1, static_cast<int>(slots_.size()) - 1);
    for (const SlotSummary& slot : slots_) firstLines_.push_back(wrapFirstLine(slot));
    dateIndent_ = dateIndentFor(slots_);
    setMessage(std::move(message));
}

Box SlotScreen::rowBox(int index) { return Box{listLeft, listTop + rowPitch * index, rowWidth, rowHeight}; }

Box SlotScreen::thumbnailBox() {
    return Box{pane.x + (pane.w - thumbnailWidth) / 2, pane.y + 16, thumbnailWidth, thumbnailHeight};
}

Box SlotScreen::answerBox(bool yes) {
    const int right = bottom.x + bottom.w - bottomIndent - (yes ? answerWidth + answerGap : 0);
    return Box{right - answerWidth, bottom.y + (bottom.h - answerHeight) / 2, answerWidth, answerHeight};
}

void SlotScreen::select(int index) { selected_ = std::clamp(index, 0, static_cast<int>(slots_.size()) - 1); }

void SlotScreen::setMessage(std::string message) {
    message_ = screen::wrapText(message, bottom.w - 2 * bottomIndent, bottomLines);
}

void SlotScreen::ask(std::string question, int slot) {
    questionSlot_ = slot;
    yesChosen_ = true;
    message_ = screen::wrapText(question, questionWidth(), bottomLines);
}

SlotScreenAction SlotScreen::update() {
    const screen::Input in = screen::readInput();
    const bool moved = in.mouseX != mouseX_ || in.mouseY != mouseY_;
    mouseX_ = in.mouseX;
    mouseY_ = in.mouseY;
    if (Orba_isPushKey(mode_ == SlotScreenMode::Save ? SDLK_F2 : SDLK_F3))
        return {SlotScreenAction::Kind::Close};
    return asking() ? updateQuestion(in, moved) : updateList(in, moved);
}

// The pointer chooses a row only when it moves, so that it does not undo the keys.
SlotScreenAction SlotScreen::updateList(const screen::Input& in, bool moved) {
    if (in.back) return {SlotScreenAction::Kind::Close};
    const int pointed = rowAt(in.mouseX, in.mouseY);
    if (in.click) {
        if (pointed < 0) return {};
        selected_ = pointed;
        return act(pointed);
    }
    if (moved && pointed >= 0) selected_ = pointed;
    const int step = (in.down ? 1 : 0) - (in.up ? 1 : 0);
    selected_ = std::clamp(selected_ + step, 0, static_cast<int>(slots_.size()) - 1);
    return in.confirm ? act(selected_) : SlotScreenAction{};
}

SlotScreenAction SlotScreen::updateQuestion(const screen::Input& in, bool moved) {
    if (in.left || in.up) yesChosen_ = true;
    if (in.right || in.down) yesChosen_ = false;
    const bool onYes = answerBox(true).contains(in.mouseX, in.mouseY);
    const bool onNo = answerBox(false).contains(in.mouseX, in.mouseY);
    if (moved && (onYes || onNo)) yesChosen_ = onYes;
    const bool answered = in.confirm || in.back || (in.click && (onYes || onNo));
    if (!answered) return {};
    const bool yes = !in.back && (in.click ? onYes : yesChosen_);
    const int slot = std::exchange(questionSlot_, -1);
    message_.clear();
    return yes ? SlotScreenAction{SlotScreenAction::Kind::Confirm, slot} : SlotScreenAction{};
}

SlotScreenAction SlotScreen::act(int slot) const {
    if (mode_ == SlotScreenMode::Load && slots_[static_cast<std::size_t>(slot)].empty) return {};
    return {SlotScreenAction::Kind::Act, slot};
}

int SlotScreen::rowAt(int x, int y) const {
    for (int i = 0; i < static_cast<int>(slots_.size()); ++i)
        if (rowBox(i).contains(x, y)) return i;
    return -1;
}

void SlotScreen::draw() const {
    screen::drawBackdrop();
    screen::drawText(mode_ == SlotScreenMode::Save ? "Save" : "Load", listLeft + labelIndent, 14);
    for (int i = 0; i < static_cast<int>(slots_.size()); ++i) drawRow(i);
    drawDetails();
    drawBottom();
}

void SlotScreen::drawRow(int index) const {
    const SlotSummary& slot = slots_[static_cast<std::size_t>(index)];
    const Box box = rowBox(index);
    screen::drawPanel(box, index == selected_);
    const int top = middleTop(box);
    screen::drawText(screen::fitText(slot.label, dateIndent_ - labelIndent - labelGap), box.x + labelIndent,
                     top);
    const int dateWidth = box.w - dateIndent_ - labelIndent;
    screen::drawText(screen::fitText(slot.empty ? emptyText : slot.dateTime, dateWidth), box.x + dateIndent_,
                     top);
}

void SlotScreen::drawDetails() const {
    const SlotSummary& slot = slots_[static_cast<std::size_t>(selected_)];
    screen::drawPanel(pane, false);
    const Box picture = thumbnailBox();
    screen::drawPanel(Box{picture.x - 2, picture.y - 2, picture.w + 4, picture.h + 4}, false);
    if (slot.empty) {
        drawCentred(emptyText, picture);
        return;
    }
    if (!slot.thumbnail.empty() && Orba_getWidth(slot.thumbnail) > 0)
        Orba_draw(slot.thumbnail, picture.x, picture.y, 0, 0, picture.w, picture.h);
    const int left = pane.x + paneIndent;
    const int pitch = screen::lineHeight();
    screen::drawText(screen::fitText(slot.dateTime, paneTextWidth()), left, paneTextTop);
    const auto& lines = firstLines_[static_cast<std::size_t>(selected_)];
    for (std::size_t i = 0; i < lines.size(); ++i)
        screen::drawText(lines[i], left, paneTextTop + pitch * static_cast<int>(i + 1));
}

void SlotScreen::drawBottom() const {
    screen::drawPanel(bottom, false);
    const int pitch = screen::lineHeight();
    const int top = bottom.y + (bottom.h - pitch * static_cast<int>(message_.size())) / 2;
    for (std::size_t i = 0; i < message_.size(); ++i)
        screen::drawText(message_[i], bottom.x + bottomIndent, top + pitch * static_cast<int>(i));
    if (!asking()) return;
    for (const bool yes : {true, false}) {
        screen::drawPanel(answerBox(yes), yes == yesChosen_);
        drawCentred(yes ? "Yes" : "No", answerBox(yes));
    }
}

}  // namespace adv
