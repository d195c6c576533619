#include "adv/message.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "adv/engine.h"
#include "adv/msgwrap.h"
#include "adv/saturating.h"
#include "config/sysinfo.h"
#include "orba/orba.h"

namespace adv {

namespace {

constexpr int shadowGrey = 0x808080;
constexpr int shadowOffset = 2;

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// The flag number a digit run names; any run worth more than the flag range
// gives -1, so a long run never wraps round to a valid flag.
std::int32_t flagNumber(std::string_view digits) {
    std::int32_t value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value >= flagCount) return -1;
    }
    return value;
}

// The line cut to maxLineBytesKept bytes, moved back to a character's start.
void cutToKept(std::string& line) {
    if (line.size() <= maxLineBytesKept) return;
    std::size_t end = maxLineBytesKept;
    while (end > 0 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) --end;
    line.resize(end);
}

// One run.log line per page that loses text (none while a replay runs it again).
void reportCut() {
    MessageState& m = messageWindow();
    if (m.cutLogged || playback().replaying) return;
    m.cutLogged = true;
    Orba_log("MSG: a page keeps %d lines of %d bytes at most; the rest of this page is not kept\n",
             static_cast<int>(maxPageLinesKept), static_cast<int>(maxLineBytesKept));
}

bool continuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::size_t codePoints(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) count += continuationByte(c) ? 0 : 1;
    return count;
}

// The line's first `count` code points.
std::string_view firstCodePoints(std::string_view line, std::size_t count) {
    std::size_t end = 0;
    for (; end < line.size(); ++end)
        if (!continuationByte(line[end]) && count-- == 0) break;
    return line.substr(0, end);
}

// The characters the page shows now: all of them unless it types.
std::size_t shownCharacters() {
    if (!pageTyping()) return std::numeric_limits<std::size_t>::max();
    const std::uint64_t counter = messageWindow().messageCounter;
    return static_cast<std::size_t>(counter * static_cast<std::uint64_t>(playback().textSpeed) /
                                    framesPerSecond);
}

void drawLine(std::string_view line, int x, int y) {
    const int colour = Orba_getColorHex();
    Orba_setColorHex(shadowGrey);
    // Near the largest int the shadow stays at it instead of wrapping round.
    Orba_drawText(line, saturatingAdd(x, shadowOffset), saturatingAdd(y, shadowOffset), 255);
    Orba_setColorHex(colour);
    Orba_drawText(line, x, y, 255);
}

}  // namespace

// Replaces every "%F" or "%f" followed by a digit run with the value of the
// flag that the whole run names ("%F" without digits stays as it is), then
// adds the line's rows at MSG_WIDTH, each a line of the window.
void addMessage(std::string_view text) {
    if (messageWindow().messages.size() >= maxPageLinesKept) return reportCut();
    std::string line;
    line.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const bool reference = text[i] == '%' && i + 2 < text.size() &&
                               (text[i + 1] == 'F' || text[i + 1] == 'f') && isDigit(text[i + 2]);
        if (!reference) {
            line += text[i++];
            continue;
        }
        std::size_t end = i + 2;
        while (end < text.size() && isDigit(text[end])) ++end;
        line += std::to_string(getFlag(flagNumber(text.substr(i + 2, end - i - 2))));
        i = end;
    }
    if (line.size() > maxLineBytesKept) {
        cutToKept(line);
        reportCut();
    }
    for (std::string& row : wrapMessage(line)) {
        if (messageWindow().messages.size() >= maxPageLinesKept) return reportCut();
        messageWindow().messages.push_back(std::move(row));
    }
}

void clearMessages() {
    messageWindow().messages.clear();
    messageWindow().cutLogged = false;
    messageWindow().shownWholeAt.reset();
}

void showPageWhole() {
    if (course().state == RunnerState::WaitPage)
        messageWindow().shownWholeAt = messageWindow().messageCounter;
}

void waitPage() {
    course().state = RunnerState::WaitPage;
    messageWindow().messageCounter = 0;
    messageWindow().shownWholeAt.reset();
}

// Whether the page typed is judged by the frame the player saw when pressing.
// A confirm or skipping shows the rest of a typing page at once.
bool stepPageWait() {
    MessageState& m = messageWindow();
    const bool typing = m.messageCounter < pageWholeFrom();
    m.messageCounter += 1;
    const bool confirmed = Orba_isPushDecide();
    if (!typing) return confirmed;
    if (confirmed || playback().skipping) m.shownWholeAt = m.messageCounter;
    return false;
}

std::size_t pageCharacters() {
    std::size_t count = 0;
    for (const std::string& line : messageWindow().messages) count += codePoints(line);
    return count;
}

std::uint32_t pageWholeFrom() {
    const std::uint64_t speed = static_cast<std::uint64_t>(std::max(playback().textSpeed, 0));
    if (speed == 0) return 0;
    if (messageWindow().shownWholeAt) return *messageWindow().shownWholeAt;
    const std::uint64_t frames = (pageCharacters() * std::uint64_t{framesPerSecond} + speed - 1) / speed;
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(frames, std::numeric_limits<std::uint32_t>::max()));
}

bool pageTyping() {
    return course().state == RunnerState::WaitPage && !playback().skipping &&
           messageWindow().messageCounter < pageWholeFrom();
}

void drawMessageWindow() {
    Orba_draw("msgwin", System::MSGWIN_X, System::MSGWIN_Y, 0, 0, 0, 0);
    const auto& lines = messageWindow().messages;
    std::size_t shown = shownCharacters();
    for (std::size_t i = 0; i < lines.size() && shown > 0; ++i) {
        if (lines[i].empty()) continue;  // an empty line still takes its row
        const std::string_view line = firstCodePoints(lines[i], shown);
        shown -= std::min(shown, codePoints(line));
        const auto y = System::MSG_Y + static_cast<std::int64_t>(i) * System::MSG_MARGIN;
        // A line beyond the range of int lies far off the window either way.
        drawLine(line, System::MSG_X, saturate(y));
    }
}

// Each cell of "pf" shows for PF_TIMER frames, left to right, then the row
// repeats. A timer below 1 or a picture with no whole cell shows cell 0.
void drawPageFeed(int cellCount, int cellSize) {
    const std::int64_t timer = System::PF_TIMER;
    const std::int64_t period = timer * cellCount;
    const std::int64_t cell = timer > 0 && period > 0 ? messageWindow().messageCounter % period / timer : 0;
    Orba_drawEx("pf", System::PF_X, System::PF_Y, static_cast<int>(cell * cellSize), 0, cellSize, cellSize);
}

}  // namespace adv
