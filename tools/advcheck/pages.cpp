#include "tools/advcheck/pages.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "adv/msgwrap.h"
#include "orba/orba.h"

namespace advcheck {

namespace {

constexpr char fontKey[] = "advcheck";

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// The text as the engine shows it while every flag holds 0.
std::string withFlagsAtZero(const std::string& text) {
    std::string shown;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '%' && i + 2 < text.size() && (text[i + 1] == 'F' || text[i + 1] == 'f') &&
            isDigit(text[i + 2])) {
            shown += '0';
            for (i += 2; i < text.size() && isDigit(text[i]);) ++i;
        } else {
            shown += text[i++];
        }
    }
    return shown;
}

// Rows from the first on until one reaches below the window's lower edge.
int countRowsInWindow(const MessageLayout& layout, const PictureInfo& window, int fontHeight) {
    if (!window.loaded || layout.margin <= 0) return 0;
    const std::int64_t bottom = std::int64_t{layout.windowY} + window.height;
    const std::int64_t room = bottom - layout.y - fontHeight;
    return room < 0 ? 0 : static_cast<int>(std::min<std::int64_t>(room / layout.margin + 1, 1 << 20));
}

}  // namespace

PageMeasure::PageMeasure(Report& report, const MessageLayout& layout, const PictureInfo& window)
    : layout_(layout) {
    if (layout.width <= 0) return;
    try {
        Orba_openFont(fontKey, layout.fontSize, layout.font);
        open_ = true;
    } catch (const Error& e) {
        report.note(settingsFile, layout.widthLine,
                    "MSG_WIDTH is set, but the font cannot be opened here (" + std::string(e.what()) +
                        "): wrapped pages are not checked");
        Orba_quit();
        return;
    }
    rowsInWindow_ = countRowsInWindow(layout, window, Orba_getFontHeight());
}

PageMeasure::~PageMeasure() {
    if (open_) Orba_quit();  // closes the font and the text library
}

int PageMeasure::rows(const std::string& text) const {
    if (!open_) return 1;
    const auto measure = [](std::string_view part) { return Orba_getTextWidth(part); };
    return static_cast<int>(adv::wrapLine(withFlagsAtZero(text), layout_.width, measure).size());
}

}  // namespace advcheck
