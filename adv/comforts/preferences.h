#pragma once
// The player's own settings, kept over every play of the game in
// save/preferences.txt, a small text file:
//   preferences 1          the version of the format
//   music_volume 80        then one "name value" line per setting, in any order
// A missing file holds no choice yet: the author's defaults apply. A file
// that is damaged, of a newer version or unreadable gives the defaults too,
// and the reader says why.
#include <optional>
#include <string>
#include <string_view>

#include "gamefiles/atomicfile.h"

namespace adv {

inline constexpr char preferencesPath[] = "save/preferences.txt";

inline constexpr int maxVolume = 100;      // percent
inline constexpr int maxTextSpeed = 1000;  // characters per second
inline constexpr int maxAutoDelayMs = 60'000;
inline constexpr int defaultAutoDelayMs = 1500;

struct Preferences {
    int musicVolume = maxVolume;  // percent of the mixer's full volume
    int soundVolume = maxVolume;
    int textSpeed = 0;  // characters per second; 0 shows the whole page at once
    // Auto mode's pause before a page goes on, to which 30 ms of reading time
    // for each of its characters is added.
    int autoDelayMs = defaultAutoDelayMs;
    bool skipAll = false;  // skipping passes every page, not only the read ones
    int windowScale = 1;
    bool fullScreen = false;
    bool sharpScaling = false;
    bool operator==(const Preferences&) const = default;
};

// The author's defaults: game.ini's MUSIC_VOLUME, SOUND_VOLUME, TEXT_SPEED,
// AUTO_DELAY and WINDOW_SCALE, each taken into its range.
Preferences authorPreferences();
// Every value taken into its range.
Preferences clamped(Preferences prefs);

std::string formatPreferences(const Preferences& prefs);

// The file's preferences over `defaults` (a setting the file lacks keeps its
// default), or none and why: "damaged", or "written by a newer version".
struct PreferencesParse {
    std::optional<Preferences> prefs;
    std::string problem;
};
PreferencesParse parsePreferences(std::string_view text, const Preferences& defaults);

// The preferences in the file, or the defaults: `problem` says why when the
// file is there but cannot be used (never for a missing file).
struct PreferencesRead {
    Preferences prefs;
    std::string problem;
};
PreferencesRead readPreferences(const std::string& path, const Preferences& defaults);
// Atomically, its folder made when missing.
WriteResult writePreferences(const std::string& path, const Preferences& prefs);

}  // namespace adv
