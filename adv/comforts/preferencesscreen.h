#pragma once
// The preferences screen: one row per setting, its value changed by Left and
// Right (or a click on the row's left or right half), Up and Down to move.
// It knows nothing of the engine: the caller applies the preferences that
// update() reports changed and keeps them when it reports the screen closed.
#include <string>
#include <vector>

#include "adv/comforts/preferences.h"
#include "adv/comforts/screenparts.h"

namespace adv {

enum class PreferenceRow {
    MusicVolume,
    SoundVolume,
    TextSpeed,
    AutoDelay,
    Skip,
    WindowScale,
    FullScreen,
    Scaling,
    Back,
};
inline constexpr int preferenceRowCount = 9;

// The rows the screen shows, in order: the auto mode's pause and the skipping
// row only where the game lets the player use those modes.
std::vector<PreferenceRow> preferenceRows(bool autoMode, bool skipping);

// The preferences with one row's value moved a step: direction -1 to the
// left (lower, off), +1 to the right; 0 flips an on/off row and moves others
// to the right. A value at its end stays.
Preferences stepPreference(Preferences prefs, PreferenceRow row, int direction);

struct PreferencesAction {
    enum class Kind {
        None,
        Changed,  // preferences() holds new values
        Close,    // Escape, the right button, the joystick's second button or Back
    };
    Kind kind = Kind::None;
    bool operator==(const PreferencesAction&) const = default;
};

class PreferencesScreen {
public:
    explicit PreferencesScreen(const Preferences& prefs,
                               std::vector<PreferenceRow> rows = preferenceRows(true, true));

    PreferencesAction update();
    void draw() const;

    const Preferences& preferences() const { return prefs_; }
    void show(const Preferences& prefs) { prefs_ = prefs; }  // changed elsewhere (F9)
    int selected() const { return selected_; }
    // A line at the bottom, such as why the preferences could not be kept.
    void setMessage(std::string message);
    bool hasMessage() const { return !message_.empty(); }
    static screen::Box rowBox(int index);  // the index-th row shown

private:
    PreferencesAction change(int direction);
    int rowAt(int x, int y) const;
    void drawRow(int index) const;
    int rowCount() const { return static_cast<int>(rows_.size()); }

    Preferences prefs_;
    std::vector<PreferenceRow> rows_;
    int selected_ = 0;
    int mouseX_ = 0, mouseY_ = 0;
    std::vector<std::string> message_;
};

}  // namespace adv
