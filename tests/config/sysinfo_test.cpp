// loadSettings: reading game.ini into System.
#include "config/sysinfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "orba/error.h"
#include "testsupport.h"

using testsupport::TempDir;
using testsupport::writeFile;

namespace {

const char* const iniPath = "resource/level/game.ini";

void resetSettings() {
    for (const SettingsKey& key : settingsKeys()) {
        if (auto* const* text = std::get_if<std::string*>(&key.field)) {
            **text = "unset";
        } else {
            *std::get<std::int32_t*>(key.field) = -1;
        }
    }
}

bool isText(const SettingsKey& key) { return std::holds_alternative<std::string*>(key.field); }

// Every key with a value of its own: text keys get "v_<key>", integers their position.
std::map<std::string, std::string> completeSettings() {
    std::map<std::string, std::string> values;
    int position = 0;
    for (const SettingsKey& key : settingsKeys()) {
        ++position;
        values[std::string(key.name)] = isText(key) ? "v_" + std::string(key.name) : std::to_string(position);
    }
    return values;
}

// Writes the settings in reverse table order, with comments and an unknown key.
void writeSettings(const std::map<std::string, std::string>& values) {
    std::string text = "# game settings\r\n[System]\r\nUNKNOWN_KEY = 5\r\n";
    const auto keys = settingsKeys();
    std::for_each(keys.rbegin(), keys.rend(), [&](const SettingsKey& key) {
        const auto found = values.find(std::string(key.name));
        if (found != values.end()) {
            text += found->first + " = " + found->second + "\r\n";
        }
    });
    writeFile(iniPath, text);
}

std::string loadError() { return testsupport::errorText(loadSettings); }

TEST(SettingsKeys, NamesAreDistinct) {
    std::map<std::string_view, int> seen;
    for (const auto& key : settingsKeys()) {
        EXPECT_EQ(++seen[key.name], 1) << key.name;
    }
    EXPECT_EQ(std::count_if(settingsKeys().begin(), settingsKeys().end(), isText), 24);
}

TEST(LoadSettings, FillsEveryFieldInAnyFileOrder) {
    TempDir dir;
    resetSettings();
    writeSettings(completeSettings());
    loadSettings();
    EXPECT_EQ(System::CAPTION, "v_CAPTION");
    EXPECT_EQ(System::FONT_SIZE, 3);
    EXPECT_EQ(System::CMD_END, "v_CMD_END");
    EXPECT_EQ(System::POS_CH_R_Y, 40);
    int position = 0;
    for (const SettingsKey& key : settingsKeys()) {
        ++position;
        if (isText(key)) {
            EXPECT_EQ(*std::get<std::string*>(key.field), "v_" + std::string(key.name));
        } else {
            EXPECT_EQ(*std::get<std::int32_t*>(key.field), position) << key.name;
        }
    }
}

TEST(LoadSettings, MissingFileNamesThePath) {
    TempDir dir;
    EXPECT_EQ(loadError(), "can't open file 'resource/level/game.ini'");
}

TEST(LoadSettings, MissingKeyStopsBeforeLaterFields) {
    TempDir dir;
    resetSettings();
    auto values = completeSettings();
    values.erase("MSG_MARGIN");
    writeSettings(values);
    EXPECT_EQ(loadError(), "ConfigParser.checkKey(): not exist key ... 'MSG_MARGIN'");
    EXPECT_EQ(System::MSG_Y, 30);
    EXPECT_EQ(System::MSGWIN_X, -1);
    EXPECT_EQ(System::POS_CH_R_Y, -1);
}

TEST(LoadSettings, ErrorNamesFirstFaultyKeyInTableOrder) {
    TempDir dir;
    auto values = completeSettings();
    values["POS_CH_L_X"] = "-10";
    values["POS_CH_R_Y"] = "x";
    values.erase("POS_CH_R_X");
    writeSettings(values);
    EXPECT_EQ(loadError(), "not digit value ... 'POS_CH_L_X' -> '-10'");
}

struct ValueCase {
    const char* line;
    std::int32_t* field;
    std::int32_t expected;
};

void PrintTo(const ValueCase& c, std::ostream* out) { *out << '"' << c.line << '"'; }

class LoadSettingsValue : public testing::TestWithParam<ValueCase> {};

TEST_P(LoadSettingsValue, ReadsInteger) {
    TempDir dir;
    auto values = completeSettings();
    const std::string line = GetParam().line;
    const auto equals = line.find('=');
    values.erase(line.substr(0, equals));
    writeSettings(values);
    writeFile(iniPath, testsupport::readFile(iniPath) + line + "\n");
    loadSettings();
    EXPECT_EQ(*GetParam().field, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Lines, LoadSettingsValue,
                         testing::Values(ValueCase{"FONT_SIZE=24 # comment", &System::FONT_SIZE, 24},
                                         ValueCase{"MSG_X=", &System::MSG_X, 0},
                                         ValueCase{"PF_TIMER=0", &System::PF_TIMER, 0},
                                         ValueCase{"MSGWIN_ALPHA=300", &System::MSGWIN_ALPHA, 300},
                                         ValueCase{"MSG_WIDTH=560", &System::MSG_WIDTH, 560},
                                         ValueCase{"SAVE=0", &System::SAVE, 0},
                                         ValueCase{"WINDOW_SCALE=2", &System::WINDOW_SCALE, 2}));

TEST(LoadSettings, AbsentOptionalKeysTakeTheirDefaults) {
    TempDir dir;
    writeSettings(completeSettings());
    for (const SettingsKey& key : optionalSettingsKeys()) *std::get<std::int32_t*>(key.field) = 99;
    loadSettings();
    EXPECT_EQ(System::MSG_WIDTH, 0);  // lines never wrap
    EXPECT_EQ(System::WINDOW_SCALE, 1);
    for (std::int32_t* comfort : {&System::SAVE, &System::SKIP, &System::AUTO, &System::HISTORY})
        EXPECT_EQ(*comfort, 1);  // on
}

}  // namespace
