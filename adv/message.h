#pragma once
// The message window: the lines of the page, its window picture, and the
// page-feed cursor that shows while the page waits for the player.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace adv {

struct MessageState {
    std::vector<std::string> messages;
    std::uint32_t messageCounter = 0;  // frames the page has waited, animates the cursor
};

// Adds a line, with every "%F" or "%f" and digit run replaced by that flag's
// value, as the rows it wraps into at MSG_WIDTH.
void addMessage(std::string_view text);
void clearMessages();
// Suspends the script until the player confirms the page.
void waitPage();

// One frame of a page wait; true when the player confirmed it.
bool stepPageWait();
void drawMessageWindow();
// The page-feed cursor: cells of cellSize square, cellCount of them in a row.
void drawPageFeed(int cellCount, int cellSize);

}  // namespace adv
