#pragma once
// System: the game settings read from resource/level/game.ini, one static
// field per key, read-only after loadSettings().
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

class System {
public:
    System() = delete;

    inline static std::string CAPTION;
    inline static std::string FONT;
    inline static std::int32_t FONT_SIZE = 0;
    inline static std::string CMD_PRINT;
    inline static std::string CMD_DIRECTORY;
    inline static std::string CMD_MSG;
    inline static std::string CMD_PF;
    inline static std::string CMD_SELECT;
    inline static std::string CMD_DRB;
    inline static std::string CMD_ERB;
    inline static std::string CMD_DRC;
    inline static std::string CMD_ERC;
    inline static std::string CMD_BGM;
    inline static std::string CMD_BGMOFF;
    inline static std::string CMD_SE;
    inline static std::string CMD_WAIT;
    inline static std::string CMD_LOAD;
    inline static std::string CMD_RET;
    inline static std::string CMD_SETF;
    inline static std::string CMD_GETF;
    inline static std::string CMD_MAP;
    inline static std::string CMD_EXIT;
    inline static std::string CMD_FLASH;
    inline static std::string CMD_SHAKE;
    inline static std::string CMD_END;
    inline static std::int32_t PF_TIMER = 0;
    inline static std::int32_t PF_X = 0;
    inline static std::int32_t PF_Y = 0;
    inline static std::int32_t MSG_X = 0;
    inline static std::int32_t MSG_Y = 0;
    inline static std::int32_t MSG_MARGIN = 0;
    inline static std::int32_t MSGWIN_X = 0;
    inline static std::int32_t MSGWIN_Y = 0;
    inline static std::int32_t MSGWIN_ALPHA = 0;
    inline static std::int32_t POS_CH_L_X = 0;
    inline static std::int32_t POS_CH_L_Y = 0;
    inline static std::int32_t POS_CH_M_X = 0;
    inline static std::int32_t POS_CH_M_Y = 0;
    inline static std::int32_t POS_CH_R_X = 0;
    inline static std::int32_t POS_CH_R_Y = 0;

    // Optional keys: 0 turns a player's comfort off; absent means on.
    inline static std::int32_t SAVE = 1;     // F2 and F3, the save and load screens, autosave
    inline static std::int32_t SKIP = 1;     // Ctrl held
    inline static std::int32_t AUTO = 1;     // A
    inline static std::int32_t HISTORY = 1;  // Page Up and the wheel
    // Pixels a message line may take before it wraps; 0 (the default): never.
    inline static std::int32_t MSG_WIDTH = 0;
    // The window as a multiple of the 640 x 480 frame: 1 (the default) to 4.
    inline static std::int32_t WINDOW_SCALE = 1;
    // The player's preferences as the author sets them until the player
    // chooses: text speed in characters per second (0, the default: a page
    // shows whole), auto mode's pause in milliseconds before the reading time
    // of 30 ms a character, and the volumes in percent.
    inline static std::int32_t TEXT_SPEED = 0;
    inline static std::int32_t AUTO_DELAY = 1500;
    inline static std::int32_t MUSIC_VOLUME = 100;
    inline static std::int32_t SOUND_VOLUME = 100;
};

// One key of game.ini and the System field it fills (text or integer).
struct SettingsKey {
    std::string_view name;
    std::variant<std::string*, std::int32_t*> field;
    std::int32_t absent = 1;  // an optional key's value when game.ini does not have it
};

// The 40 keys in the order loadSettings reads them.
std::span<const SettingsKey> settingsKeys();

// The optional integer keys, each its `absent` value when game.ini does not have it.
std::span<const SettingsKey> optionalSettingsKeys();

// Reads resource/level/game.ini key by key in the order above; throws the
// parser's Error naming the first faulty key.
void loadSettings();
