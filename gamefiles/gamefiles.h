#pragma once
// Access to a game's files: the one check that keeps every path the engine
// opens for a game inside the game's folder, and a whole-file read with a
// bound on its size.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "orba/error.h"

// Whether a path lies inside the game's folder, the working directory: it is
// relative and, with its "." and ".." parts taken in order as written, never
// climbs above that folder ("resource/level/ch2/../start.lua" is inside,
// "resource/../../x" and "/etc/x" are not). Scripts, pictures, sounds, maps
// and the settings are opened only after it said yes.
bool insideGameFolder(std::string_view path);
// Whether the game folder holds path as a regular file (inside it, as above).
bool isGameFile(const std::string& path);

// The largest file that readWholeFile reads: settings, scripts and maps are
// far smaller, so anything beyond is taken for a mistake.
inline constexpr std::size_t maxWholeFileBytes = std::size_t{8} << 20;

// The whole file, or none when it is not a regular file (openRegularFile) or
// cannot be read. A file larger than maxWholeFileBytes throws
// "File larger than 8 MiB (" + path + ")".
std::optional<std::string> readWholeFile(const std::string& path);

// A file read without throwing, for files the engine wrote itself and reads
// back (saves): a missing, unreadable, not regular or too large one is only
// reported.
struct BoundedRead {
    enum Status { Read, Unreadable, TooLarge } status = Unreadable;
    std::string bytes;  // the whole file when Read
};
BoundedRead readFileUpTo(const std::string& path, std::size_t limit);
