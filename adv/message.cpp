#include "adv/message.h"

#include <cctype>
#include <cstddef>
#include <cstdint>

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
}

void waitPage() {
    course().state = RunnerState::WaitPage;
    messageWindow().messageCounter = 0;
}

bool stepPageWait() {
    messageWindow().messageCounter += 1;
    return Orba_isPushDecide();
}

void drawMessageWindow() {
    Orba_draw("msgwin", System::MSGWIN_X, System::MSGWIN_Y, 0, 0, 0, 0);
    const auto& lines = messageWindow().messages;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty()) continue;  // an empty line still takes its row
        const auto y = System::MSG_Y + static_cast<std::int64_t>(i) * System::MSG_MARGIN;
        // A line beyond the range of int lies far off the window either way.
        drawLine(lines[i], System::MSG_X, saturate(y));
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
