#pragma once
// Pieces of LuaRunner's update and draw that live in their own files.
#include <cstdint>

class LuaRunner;

namespace adv {

// Choices: moves the highlight with the pointer's row, or with Up and Down,
// which move the pointer too; true when the player confirmed, with
// choiceResult already set.
bool pickChoice();
void drawChoices();

// The page-feed cursor of a page wait, animated by messageCounter.
void drawPageFeed(const LuaRunner& runner);

} // namespace adv
