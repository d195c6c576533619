#include "adv/comforts/preferencesscreen.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "orba/display.h"
#include "orba/orba.h"

namespace adv {

namespace {

using screen::Box;

constexpr int rowX = 60, rowWidth = 520, rowHeight = 36, rowPitch = 42, rowsTop = 22;
constexpr int labelIndent = 16, arrowIndent = 12;
constexpr Box messageBox{rowX, rowsTop + rowPitch* preferenceRowCount + 4, rowWidth, 60};
constexpr int messageLines = 2;
constexpr int closeButton = 1;  // the joystick's second button
constexpr int volumeStep = 10, autoDelayStep = 500, autoDelayLargest = 10'000;
constexpr std::array textSpeeds{0, 10, 20, 30, 45, 60, 90, 120, 200};

// The next value of the list beyond `value` in the direction, or `value` at its end.
int nextListed(int value, int direction) {
    if (direction > 0) {
        const auto* next = std::upper_bound(textSpeeds.begin(), textSpeeds.end(), value);
        return next == textSpeeds.end() ? value : *next;
    }
    const auto* next = std::lower_bound(textSpeeds.begin(), textSpeeds.end(), value);
    return next == textSpeeds.begin() ? value : *(next - 1);
}

// The next multiple of step in the direction, within [0, largest]; a value
// beyond largest only comes down.
int nextStep(int value, int direction, int step, int largest) {
    if (direction > 0) return value >= largest ? value : std::min((value / step + 1) * step, largest);
    return value <= 0 ? 0 : (value - 1) / step * step;
}

void flip(bool& value, int direction) { value = direction == 0 ? !value : direction > 0; }

std::string_view labelOf(PreferenceRow row) {
    switch (row) {
    case PreferenceRow::MusicVolume: return "Music volume";
    case PreferenceRow::SoundVolume: return "Sound volume";
    case PreferenceRow::TextSpeed: return "Text speed";
    case PreferenceRow::AutoDelay: return "Auto mode's pause";
    case PreferenceRow::Skip: return "Skipping passes";
    case PreferenceRow::WindowScale: return "Window size";
    case PreferenceRow::FullScreen: return "Full screen";
    case PreferenceRow::Scaling: return "Scaling";
    case PreferenceRow::Back: return "Back to the game";
    }
    return {};
}

std::string tenths(int ms) {
    return std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 / 100) + " s";
}

std::string valueOf(const Preferences& p, PreferenceRow row) {
    switch (row) {
    case PreferenceRow::MusicVolume: return std::to_string(p.musicVolume) + " %";
    case PreferenceRow::SoundVolume: return std::to_string(p.soundVolume) + " %";
    case PreferenceRow::TextSpeed:
        return p.textSpeed == 0 ? "Instant" : std::to_string(p.textSpeed) + " a second";
    case PreferenceRow::AutoDelay: return tenths(p.autoDelayMs);
    case PreferenceRow::Skip: return p.skipAll ? "All pages" : "Read pages";
    case PreferenceRow::WindowScale:
        return std::to_string(640 * p.windowScale) + " x " + std::to_string(480 * p.windowScale);
    case PreferenceRow::FullScreen: return p.fullScreen ? "On" : "Off";
    case PreferenceRow::Scaling: return p.sharpScaling ? "Sharp" : "Smooth";
    case PreferenceRow::Back: return {};
    }
    return {};
}

}  // namespace

std::vector<PreferenceRow> preferenceRows(bool autoMode, bool skipping) {
    std::vector<PreferenceRow> rows;
    for (int index = 0; index < preferenceRowCount; ++index) {
        const auto row = static_cast<PreferenceRow>(index);
        if ((row != PreferenceRow::AutoDelay || autoMode) && (row != PreferenceRow::Skip || skipping))
            rows.push_back(row);
    }
    return rows;
}

Preferences stepPreference(Preferences p, PreferenceRow row, int direction) {
    const int towards = direction == 0 ? 1 : direction;
    switch (row) {
    case PreferenceRow::MusicVolume:
        p.musicVolume = nextStep(p.musicVolume, towards, volumeStep, maxVolume);
        break;
    case PreferenceRow::SoundVolume:
        p.soundVolume = nextStep(p.soundVolume, towards, volumeStep, maxVolume);
        break;
    case PreferenceRow::TextSpeed: p.textSpeed = nextListed(p.textSpeed, towards); break;
    case PreferenceRow::AutoDelay:
        p.autoDelayMs = nextStep(p.autoDelayMs, towards, autoDelayStep, autoDelayLargest);
        break;
    case PreferenceRow::Skip: flip(p.skipAll, direction); break;
    case PreferenceRow::WindowScale:
        p.windowScale = std::clamp(p.windowScale + towards, orbaMinWindowScale, orbaMaxWindowScale);
        break;
    case PreferenceRow::FullScreen: flip(p.fullScreen, direction); break;
    case PreferenceRow::Scaling: flip(p.sharpScaling, direction); break;
    case PreferenceRow::Back: break;
    }
    return p;
}

PreferencesScreen::PreferencesScreen(const Preferences& prefs, std::vector<PreferenceRow> rows)
    : prefs_(prefs), rows_(std::move(rows)), mouseX_(Orba_getMouseX()), mouseY_(Orba_getMouseY()) {}

Box PreferencesScreen::rowBox(int index) {
    return Box{rowX, rowsTop + rowPitch * index, rowWidth, rowHeight};
}

void PreferencesScreen::setMessage(std::string message) {
    message_ = screen::wrapText(message, messageBox.w - 2 * labelIndent, messageLines);
}

// The pointer chooses a row only when it moves, so that it does not undo the keys.
PreferencesAction PreferencesScreen::update() {
    const screen::Input in = screen::readInput();
    const bool moved = in.mouseX != mouseX_ || in.mouseY != mouseY_;
    mouseX_ = in.mouseX;
    mouseY_ = in.mouseY;
    if (in.back || Orba_isPushJoy(closeButton)) return {PreferencesAction::Kind::Close};
    const int pointed = rowAt(in.mouseX, in.mouseY);
    if (moved && pointed >= 0) selected_ = pointed;
    if (in.click) {
        if (pointed < 0) return {};
        selected_ = pointed;
        if (rows_[static_cast<std::size_t>(pointed)] == PreferenceRow::Back)
            return {PreferencesAction::Kind::Close};
        const Box box = rowBox(pointed);
        return change(in.mouseX < box.x + box.w / 2 ? -1 : 1);
    }
    const int step = (in.down ? 1 : 0) - (in.up ? 1 : 0);
    selected_ = std::clamp(selected_ + step, 0, rowCount() - 1);
    if (in.left || in.right) return change(in.right ? 1 : -1);
    if (!in.confirm) return {};
    if (rows_[static_cast<std::size_t>(selected_)] == PreferenceRow::Back)
        return {PreferencesAction::Kind::Close};
    return change(0);
}

PreferencesAction PreferencesScreen::change(int direction) {
    const PreferenceRow row = rows_[static_cast<std::size_t>(selected_)];
    if (row == PreferenceRow::Back) return {};
    const Preferences before = prefs_;
    prefs_ = stepPreference(prefs_, row, direction);
    return prefs_ == before ? PreferencesAction{} : PreferencesAction{PreferencesAction::Kind::Changed};
}

int PreferencesScreen::rowAt(int x, int y) const {
    for (int index = 0; index < rowCount(); ++index)
        if (rowBox(index).contains(x, y)) return index;
    return -1;
}

void PreferencesScreen::drawRow(int index) const {
    const PreferenceRow row = rows_[static_cast<std::size_t>(index)];
    const Box box = rowBox(index);
    screen::drawPanel(box, index == selected_);
    const int top = box.y + (box.h - screen::lineHeight()) / 2;
    const std::string_view label = labelOf(row);
    if (row == PreferenceRow::Back) {
        screen::drawText(label, box.x + (box.w - Orba_getTextWidth(label)) / 2, top);
        return;
    }
    const int half = box.x + box.w / 2;
    screen::drawText(screen::fitText(label, box.w / 2 - labelIndent), box.x + labelIndent, top);
    screen::drawText("<", half + arrowIndent, top);
    screen::drawText(">", box.x + box.w - arrowIndent - Orba_getTextWidth(">"), top);
    const std::string value = screen::fitText(valueOf(prefs_, row), box.w / 2 - 6 * arrowIndent);
    screen::drawText(value, half + (box.w / 2 - Orba_getTextWidth(value)) / 2, top);
}

void PreferencesScreen::draw() const {
    screen::drawBackdrop();
    for (int index = 0; index < rowCount(); ++index) drawRow(index);
    if (message_.empty()) return;
    screen::drawPanel(messageBox, false);
    const int pitch = screen::lineHeight();
    const int top = messageBox.y + (messageBox.h - pitch * static_cast<int>(message_.size())) / 2;
    for (std::size_t i = 0; i < message_.size(); ++i)
        screen::drawText(message_[i], messageBox.x + labelIndent, top + pitch * static_cast<int>(i));
}

}  // namespace adv
