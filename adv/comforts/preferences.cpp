#include "adv/comforts/preferences.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "config/sysinfo.h"
#include "gamefiles/gamefiles.h"
#include "orba/display.h"

namespace adv {

namespace {

constexpr std::string_view versionName = "preferences ";
constexpr int formatVersion = 1;
constexpr std::size_t maxFileBytes = 4096;  // a dozen short lines; more is not ours

// Each setting's name in the file, its field and its range.
struct Field {
    std::string_view name;
    int Preferences::*number = nullptr;
    bool Preferences::*flag = nullptr;
    int low = 0, high = 1;
};

const Field fields[] = {
    {"music_volume", &Preferences::musicVolume, nullptr, 0, maxVolume},
    {"sound_volume", &Preferences::soundVolume, nullptr, 0, maxVolume},
    {"text_speed", &Preferences::textSpeed, nullptr, 0, maxTextSpeed},
    {"auto_delay_ms", &Preferences::autoDelayMs, nullptr, 0, maxAutoDelayMs},
    {"skip_all", nullptr, &Preferences::skipAll},
    {"window_scale", &Preferences::windowScale, nullptr, orbaMinWindowScale, orbaMaxWindowScale},
    {"full_screen", nullptr, &Preferences::fullScreen},
    {"sharp_scaling", nullptr, &Preferences::sharpScaling},
};

// A whole line of decimal digits within [low, high].
std::optional<int> numberIn(std::string_view text, int low, int high) {
    int n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (text.empty() || text.front() == '-' || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (n < low || n > high) return std::nullopt;
    return n;
}

// Sets the named field; false for an unknown name or a value out of its range.
bool setField(Preferences& prefs, std::string_view name, std::string_view value) {
    for (const Field& field : fields) {
        if (field.name != name) continue;
        const std::optional<int> n = numberIn(value, field.low, field.high);
        if (!n) return false;
        if (field.number) prefs.*field.number = *n;
        if (field.flag) prefs.*field.flag = *n != 0;
        return true;
    }
    return false;
}

std::string_view nextLine(std::string_view& text) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return line;
}

}  // namespace

Preferences clamped(Preferences prefs) {
    prefs.musicVolume = std::clamp(prefs.musicVolume, 0, maxVolume);
    prefs.soundVolume = std::clamp(prefs.soundVolume, 0, maxVolume);
    prefs.textSpeed = std::clamp(prefs.textSpeed, 0, maxTextSpeed);
    prefs.autoDelayMs = std::clamp(prefs.autoDelayMs, 0, maxAutoDelayMs);
    prefs.windowScale = std::clamp(prefs.windowScale, orbaMinWindowScale, orbaMaxWindowScale);
    return prefs;
}

Preferences authorPreferences() {
    Preferences prefs;
    prefs.musicVolume = System::MUSIC_VOLUME;
    prefs.soundVolume = System::SOUND_VOLUME;
    prefs.textSpeed = System::TEXT_SPEED;
    prefs.autoDelayMs = System::AUTO_DELAY;
    prefs.windowScale = System::WINDOW_SCALE;
    return clamped(prefs);
}

std::string formatPreferences(const Preferences& prefs) {
    std::string out = std::string(versionName) + std::to_string(formatVersion) + "\n";
    for (const Field& field : fields) {
        const int value = field.number ? prefs.*field.number : (prefs.*field.flag ? 1 : 0);
        out += std::string(field.name) + " " + std::to_string(value) + "\n";
    }
    return out;
}

PreferencesParse parsePreferences(std::string_view text, const Preferences& defaults) {
    const std::string_view first = nextLine(text);
    if (!first.starts_with(versionName)) return {std::nullopt, "damaged"};
    const std::optional<int> version = numberIn(first.substr(versionName.size()), 1, 1'000'000);
    if (!version) return {std::nullopt, "damaged"};
    if (*version > formatVersion) return {std::nullopt, "written by a newer version"};
    Preferences prefs = defaults;
    while (!text.empty()) {
        const std::string_view line = nextLine(text);
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos ||
            !setField(prefs, line.substr(0, space), line.substr(space + 1)))
            return {std::nullopt, "damaged"};
    }
    return {prefs, {}};
}

PreferencesRead readPreferences(const std::string& path, const Preferences& defaults) {
    std::error_code error;
    const auto status = std::filesystem::symlink_status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) return {defaults, {}};
    const BoundedRead read = readFileUpTo(path, maxFileBytes);
    if (read.status == BoundedRead::TooLarge) return {defaults, "damaged"};
    if (read.status != BoundedRead::Read) return {defaults, "unreadable"};
    PreferencesParse parse = parsePreferences(read.bytes, defaults);
    if (!parse.prefs) return {defaults, std::move(parse.problem)};
    return {*parse.prefs, {}};
}

WriteResult writePreferences(const std::string& path, const Preferences& prefs) {
    if (WriteResult made = makeParentFolder(path); !made) return made;
    return writeFileAtomically(path, formatPreferences(prefs));
}

}  // namespace adv
