#pragma once
// The message window: the lines of the page, its window picture, and the
// page-feed cursor that shows while the page waits for the player.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace adv {

struct MessageState {
    std::vector<std::string> messages;
    std::uint32_t messageCounter = 0;  // frames the page has waited, animates the cursor
    bool cutLogged = false;            // run.log told that this page lost text
    // The counter at which a confirm showed a typing page whole; none while it types on.
    std::optional<std::uint32_t> shownWholeAt;
};

// What a page keeps: its first maxPageLinesKept lines, each cut to its first
// maxLineBytesKept bytes (at a character's start). More is never drawn, and
// keeping it would only fill the memory, the history and the saves.
inline constexpr std::size_t maxPageLinesKept = 256;
inline constexpr std::size_t maxLineBytesKept = 16 * 1024;

// Adds a line, with every "%F" or "%f" and digit run replaced by that flag's
// value, as the rows it wraps into at MSG_WIDTH, within the page's bounds;
// the first text a page cannot keep is reported in run.log, once for the page.
void addMessage(std::string_view text);
void clearMessages();
// Suspends the script until the player confirms the page.
void waitPage();

// One frame of a page wait; true when the player confirmed it. A confirm
// while the page types shows it whole instead.
bool stepPageWait();
// The page's characters (code points), line breaks not counted.
std::size_t pageCharacters();
// At a text speed, a waiting page shows messageCounter * speed / 30 of its
// characters. The counter from which it shows whole: 0 at speed 0, earlier
// when a confirm showed it whole.
std::uint32_t pageWholeFrom();
// Whether the waiting page is still typing (never while skipping).
bool pageTyping();
// The waiting page shows whole from now on, as after a confirm.
void showPageWhole();
void drawMessageWindow();
// The page-feed cursor: cells of cellSize square, cellCount of them in a row.
void drawPageFeed(int cellCount, int cellSize);

}  // namespace adv
