#pragma once
// The map pick: an FMF map whose second layer marks the screen's 16 x 16
// cells; a click on a cell holding 1 .. 16 loads the script "01.lua" .. "16.lua".
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "fmfloader/fmfloader.h"

namespace adv {

struct MapPickState {
    std::unique_ptr<FMFLoader> map;
    std::string mapPath;  // where the map was read from
};

// Reads the map from the script folder.
void loadMap(std::string_view file);
// The layer-1 value of the 16 x 16 cell under a pixel; -1 without a map,
// without a second layer or outside it.
std::int32_t mapValueAt(int x, int y);
// The map read again from where it was read (none for an empty path).
void restoreMap(const std::string& path);
// Suspends the script until the player picks a cell.
void waitMapPick();

// One frame of the pick: the script that the player's click chose, if any.
std::optional<std::string> pickedMapScript();
// Whether the pointer is over a cell that picks a script: the feedback
// around it then moves in every frame.
bool pointerOverMapScript();
// The feedback around the pointer; returns whether the cursor shows its hot
// cell in this frame.
bool drawMapPickFeedback();

}  // namespace adv
