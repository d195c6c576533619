// The preferences file: its round trip, the author's defaults, and files that
// cannot be used read as those defaults with the reason.
#include <gtest/gtest.h>

#include <string>

#include "adv/comforts/preferences.h"
#include "config/sysinfo.h"
#include "testsupport.h"

using namespace adv;

namespace {

Preferences chosen() {
    return {.musicVolume = 40,
            .soundVolume = 0,
            .textSpeed = 45,
            .autoDelayMs = 3000,
            .skipAll = true,
            .windowScale = 3,
            .fullScreen = true,
            .sharpScaling = true};
}

TEST(Preferences, SurviveWritingAndReadingAndKeepDefaultsForMissingLines) {
    testsupport::TempDir dir;
    ASSERT_TRUE(writePreferences(preferencesPath, chosen()));
    EXPECT_EQ(readPreferences(preferencesPath, {}).prefs, chosen());
    EXPECT_EQ(testsupport::readFile(preferencesPath).substr(0, 14), "preferences 1\n");
    const PreferencesParse some = parsePreferences("preferences 1\ntext_speed 20\n", chosen());
    ASSERT_TRUE(some.prefs);
    EXPECT_EQ(some.prefs->textSpeed, 20);
    EXPECT_EQ(some.prefs->windowScale, 3);
}

TEST(Preferences, UnusableFilesGiveTheDefaultsAndSayWhy) {
    testsupport::TempDir dir;
    EXPECT_EQ(readPreferences(preferencesPath, chosen()).problem, "") << "no file yet is no problem";
    struct Case {
        std::string text, problem;
    };
    const Case cases[] = {
        {"", "damaged"},
        {"preferences 1\nmusic_volume 101\n", "damaged"},
        {"preferences 1\nwindow_scale 0\n", "damaged"},
        {"preferences 1\ntext_speed -5\n", "damaged"},
        {"preferences 1\ntext_speed 5x\n", "damaged"},
        {"preferences 1\ncolour 3\n", "damaged"},
        {"preferences 1\nskip_all\n", "damaged"},
        {"preferences x\n", "damaged"},
        {"preferences 2\nmusic_volume 10\n", "written by a newer version"},
        {"preferences 1\n" + std::string(5000, '#'), "damaged"},
    };
    for (const Case& c : cases) {
        testsupport::writeFile(preferencesPath, c.text);
        const PreferencesRead read = readPreferences(preferencesPath, chosen());
        EXPECT_EQ(read.problem, c.problem) << c.text.substr(0, 40);
        EXPECT_EQ(read.prefs, chosen());
    }
    for (const std::string& name : testsupport::makeSpecialFiles(".txt"))
        EXPECT_EQ(readPreferences(name, chosen()).problem, "unreadable") << name;
}

TEST(Preferences, TheAuthorsDefaultsAreTakenIntoTheirRanges) {
    System::TEXT_SPEED = 5000;
    System::AUTO_DELAY = 2500;
    System::MUSIC_VOLUME = 70;
    System::SOUND_VOLUME = 200;
    System::WINDOW_SCALE = 9;
    const Preferences p = authorPreferences();
    EXPECT_EQ(std::tuple(p.textSpeed, p.autoDelayMs, p.musicVolume, p.soundVolume, p.windowScale),
              std::tuple(maxTextSpeed, 2500, 70, maxVolume, 4));
    System::TEXT_SPEED = 0;
    System::AUTO_DELAY = defaultAutoDelayMs;
    System::MUSIC_VOLUME = System::SOUND_VOLUME = maxVolume;
    System::WINDOW_SCALE = 1;
}

}  // namespace
