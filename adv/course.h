#pragma once
// The script's course: what the runner is doing (running the script or
// waiting for the player), the timed wait, a script asked for by LOAD, the
// frame clock, and the folder scripts and pictures are read from.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "adv/screen.h"

namespace adv {

enum class RunnerState : std::int32_t { Running = 0, WaitPage = 1, Choosing = 2, MapPick = 3 };

struct CourseState {
    RunnerState state = RunnerState::Running;
    std::int32_t waitFrames = 0;
    std::string pendingScript;
    // Frame clocks of the animations; unsigned, so that after 2^32 frames
    // (about 4.5 years) they wrap to 0 instead of overflowing.
    std::uint32_t frameCounter = 0;
    // What the player decided since the script started, in order: -1 a page
    // confirmed, 0 to 3 the choice picked. With the scene's start it is all
    // a save needs to bring this moment back.
    std::vector<std::int32_t> decisions;
    // The helper files the script read with dofile or loadfile, as named.
    std::vector<std::string> helpers;
};

inline constexpr std::int32_t pageConfirmed = -1;

// A file the game folder no longer holds as a regular file: what it is
// ("script", "picture", "map", "music") and its path.
struct MissingFile {
    std::string kind;
    std::string path;
};

// How the frames are being played: straight, replayed towards a saved moment
// (nothing drawn, heard or logged) or skipped (waits passed at once, flash,
// shake and sound effects not shown or heard; the state moves as in play).
// Not part of any script's state.
struct Playback {
    bool replaying = false;
    // A replay that brings back a player's moment skips a file that is gone
    // instead of ending the game, and keeps the first: the moment is refused.
    bool skipsMissingFiles = false;
    std::optional<MissingFile> missingFile;
    bool skipping = false;
    std::string musicPlaying;  // what the sound system plays now
    // The player's text speed in characters per second: a waiting page shows
    // letter by letter; 0 shows it whole at once.
    int textSpeed = 0;

    bool quiet() const { return replaying || skipping; }
};
Playback& playback();

// True when a replay skips the file at path as missing (and keeps it as the
// replay's first); false when the file is there or nothing skips it.
bool skippedAsMissing(std::string_view kind, const std::string& path);

void requestScript(std::string_view file);
// The script folder: "resource/level/" + dir + "/".
void setDirectory(std::string_view dir);

}  // namespace adv
