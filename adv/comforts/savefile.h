#pragma once
// Save files: what a save holds, its text format, and the slot files in
// save/. A save is the lasting state at the start of the current script (its
// scene start) and the player's decisions since; loading restores the scene
// start and replays the decisions. The history's pages point at moments the
// same way. Only plain data here: the engine fills and applies it.
//
// The format, one field per line, each "key value" (or the key alone when the
// value is empty), in this order and nothing else:
//   save 1                           the version of the format
//   saved 2026-12-08 17:30
//   first <text>                     the first line of the page (or choice)
//   scenes <count>                   then per scene start:
//     script <path>                  the script, from the game folder
//     hash <16 hex digits>           hashBytes of the script's file
//     directory <path>               the script folder
//     flag <index> <value>           one per flag that is not 0, by index
//     choice <number>
//     background <text>              the name as the script gave it
//     backgroundPath <path>          the file it was read from
//     left / leftPath, middle / middlePath, right / rightPath
//     music <path>                   empty for none
//     map <path>                     empty for none
//   point <scene> <wait>             scene index from 0; wait page, choice or mappick
//   decisions <count> <d> ...        -1 a page confirmed, 0 to 3 the choice picked
//   history <count>                  then per page, oldest first:
//     page <scene> <wait> <lines>
//     decisions <count> <d> ...
//     line <text>                    <lines> times
//   end
// Texts and paths keep every byte except that a backslash is written "\\",
// a line break "\n", a carriage return "\r" and any other byte below 0x20 or
// 0x7f "\xHH"; UTF-8 text stays as it is.
#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "adv/course.h"
#include "gamefiles/atomicfile.h"

namespace adv {

// What lives on across a script change, as it was when a script started.
struct SceneStart {
    std::string script;  // path of the script from the game folder, "resource/level/ch1/02.lua"
    std::uint64_t scriptHash = 0;
    std::string directory;  // script folder, "resource/level/ch1/"
    std::array<std::int32_t, 128> flags{};
    std::int32_t choiceResult = 0;
    std::string background, backgroundPath;                 // name as the script gave it, and the path read
    std::array<std::string, 3> characters, characterPaths;  // left, middle, right
    std::string music;                                      // path of the music playing, empty for none
    std::string map;                                        // path of the map loaded, empty for none

    bool operator==(const SceneStart&) const = default;
};

enum class WaitKind { Page, Choice, MapPick };

// One moment: a scene start and the decisions taken since.
struct SavePoint {
    std::int32_t scene = 0;               // index into SaveFile::scenes
    std::vector<std::int32_t> decisions;  // -1 a page confirmed, 0..3 the choice picked
    WaitKind wait = WaitKind::Page;       // the wait the replay ends at

    bool operator==(const SavePoint&) const = default;
};

struct HistoryPage {
    std::vector<std::string> lines;
    SavePoint point;

    bool operator==(const HistoryPage&) const = default;
};

struct SaveFile {
    std::string savedAt;    // "2026-12-08 17:30"
    std::string firstLine;  // first line of that page's text (or the first choice)
    std::vector<SceneStart> scenes;
    SavePoint point;
    std::vector<HistoryPage> history;  // oldest first

    bool operator==(const SaveFile&) const = default;
};

// What a save may hold; a file beyond these is taken for damaged.
inline constexpr std::size_t maxSaveScenes = 1024;
inline constexpr std::size_t maxSaveDecisions = 1'000'000;  // per moment
inline constexpr std::size_t maxHistoryPages = 200;
inline constexpr std::size_t maxPageLines = 256;
inline constexpr std::size_t maxSaveText = 64 * 1024;  // bytes of any one text or path

// The file's text. Of the history only the newest maxHistoryPages pages are
// written, of each page the first maxPageLines lines, and the first line and
// the history's lines are cut to maxSaveText bytes (at a character's start).
std::string formatSave(const SaveFile& save);

// A save read back: the save, or none and the reason for the player.
// "this save is damaged (line 7: flag index out of range)", "this save comes
// from a newer version of the engine"; both empty for a missing file.
struct SaveParse {
    std::optional<SaveFile> save;
    std::string problem;
};

// Trusts nothing of the text: every count, number, index and path is checked
// (paths stay inside the game folder), and the whole text is bounded.
SaveParse parseSave(std::string_view text);

// The slot's file read and parsed; a missing file gives no save and no problem.
SaveParse readSaveFile(const std::string& path);
// The save written atomically, its folder made when missing. A save that
// would not read back as written (a text or a count beyond the bounds) is
// not written, and the result says why.
WriteResult writeSaveFile(const std::string& path, const SaveFile& save);

// Whether the scene's script is still the file the save was made with.
bool scriptUnchanged(const SceneStart& scene);
// The first file of the scenes' lasting state that is gone, if any: a
// replay of its scene would end the game. Scripts are checked first.
std::optional<MissingFile> missingFile(const std::vector<SceneStart>& scenes);

// The slots: 1 to 9 on the save screen, 0 the autosave.
inline constexpr int autosaveSlot = 0;
inline constexpr int slotCount = 9;
inline constexpr char saveFolder[] = "save";
std::string slotPath(int slot);       // "save/slot1.sav", "save/auto.sav" for slot 0
std::string thumbnailPath(int slot);  // "save/slot1.bmp", "save/auto.bmp"

// Local time as a save shows it: "2026-12-08 17:30".
std::string formatSavedAt(std::time_t when);

}  // namespace adv
