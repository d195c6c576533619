#pragma once
// Where a game keeps its files, relative to the game's folder (the working
// directory).
#include <string_view>

namespace gamepaths {

// Scripts, pictures and maps; the script folder starts here.
inline constexpr std::string_view levelFolder = "resource/level/";
inline constexpr std::string_view soundFolder = "resource/sound/";
inline constexpr std::string_view settingsFile = "resource/level/game.ini";
inline constexpr std::string_view firstScript = "start.lua";
// The interface pictures, read once at start-up.
inline constexpr std::string_view pageFeedPicture = "resource/level/pf.bmp";
inline constexpr std::string_view cursorPicture = "resource/level/cursor.bmp";
inline constexpr std::string_view messageWindowPicture = "resource/level/msgwin.bmp";

}  // namespace gamepaths
