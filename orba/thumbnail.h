#pragma once
// A small picture of the game screen, shown beside a save slot.
#include <string>

#include "gamefiles/atomicfile.h"

inline constexpr int thumbnailWidth = 160, thumbnailHeight = 120;

// Writes the frame last shown by Orba_flip, shrunk to 160 x 120 (each pixel
// the average of the block of the window it stands for), as a 24-bit BMP that
// Orba_loadBMP reads, atomically; the result says whether it worked. Call it
// before the frame that draws a save screen is flipped; drawing already
// recorded for the frame in progress is not in the picture. Without a window
// nothing is written.
WriteResult Orba_saveThumbnail(const std::string& path);
