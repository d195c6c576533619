// loadSettings: fills System from resource/level/game.ini.
#include "config/sysinfo.h"

#include <array>

#include "config/configparser.h"
#include "gamefiles/gamepaths.h"

namespace {

#define ORBA_SETTING(name) (SettingsKey{#name, &System::name})

const std::array keys{
    ORBA_SETTING(CAPTION),      ORBA_SETTING(FONT),          ORBA_SETTING(FONT_SIZE),
    ORBA_SETTING(CMD_PRINT),    ORBA_SETTING(CMD_DIRECTORY), ORBA_SETTING(CMD_MSG),
    ORBA_SETTING(CMD_PF),       ORBA_SETTING(CMD_SELECT),    ORBA_SETTING(CMD_DRB),
    ORBA_SETTING(CMD_ERB),      ORBA_SETTING(CMD_DRC),       ORBA_SETTING(CMD_ERC),
    ORBA_SETTING(CMD_BGM),      ORBA_SETTING(CMD_BGMOFF),    ORBA_SETTING(CMD_SE),
    ORBA_SETTING(CMD_WAIT),     ORBA_SETTING(CMD_LOAD),      ORBA_SETTING(CMD_RET),
    ORBA_SETTING(CMD_SETF),     ORBA_SETTING(CMD_GETF),      ORBA_SETTING(CMD_MAP),
    ORBA_SETTING(CMD_EXIT),     ORBA_SETTING(CMD_FLASH),     ORBA_SETTING(CMD_SHAKE),
    ORBA_SETTING(CMD_END),      ORBA_SETTING(PF_TIMER),      ORBA_SETTING(PF_X),
    ORBA_SETTING(PF_Y),         ORBA_SETTING(MSG_X),         ORBA_SETTING(MSG_Y),
    ORBA_SETTING(MSG_MARGIN),   ORBA_SETTING(MSGWIN_X),      ORBA_SETTING(MSGWIN_Y),
    ORBA_SETTING(MSGWIN_ALPHA), ORBA_SETTING(POS_CH_L_X),    ORBA_SETTING(POS_CH_L_Y),
    ORBA_SETTING(POS_CH_M_X),   ORBA_SETTING(POS_CH_M_Y),    ORBA_SETTING(POS_CH_R_X),
    ORBA_SETTING(POS_CH_R_Y),
};

#undef ORBA_SETTING

static_assert(keys.size() == 40);

}  // namespace

const std::array<SettingsKey, 10> optionalKeys{{{"SAVE", &System::SAVE},
                                                {"SKIP", &System::SKIP},
                                                {"AUTO", &System::AUTO},
                                                {"HISTORY", &System::HISTORY},
                                                {"MSG_WIDTH", &System::MSG_WIDTH, 0},
                                                {"WINDOW_SCALE", &System::WINDOW_SCALE, 1},
                                                {"TEXT_SPEED", &System::TEXT_SPEED, 0},
                                                {"AUTO_DELAY", &System::AUTO_DELAY, 1500},
                                                {"MUSIC_VOLUME", &System::MUSIC_VOLUME, 100},
                                                {"SOUND_VOLUME", &System::SOUND_VOLUME, 100}}};

std::span<const SettingsKey> settingsKeys() { return keys; }

std::span<const SettingsKey> optionalSettingsKeys() { return optionalKeys; }

void loadSettings() {
    ConfigParser parser;
    parser.load(gamepaths::settingsFile);
    // Each value is stored at once, so a failure leaves later fields untouched.
    for (const SettingsKey& key : keys) {
        if (auto* const* text = std::get_if<std::string*>(&key.field)) {
            **text = parser.getString(key.name);
        } else {
            *std::get<std::int32_t*>(key.field) = parser.getInt(key.name);
        }
    }
    for (const SettingsKey& key : optionalKeys) {
        std::int32_t* field = std::get<std::int32_t*>(key.field);
        *field = parser.table.contains(key.name) ? parser.getInt(key.name) : key.absent;
    }
}
