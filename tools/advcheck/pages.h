#pragma once
// Message pages as the engine lays them out at MSG_WIDTH: each line wrapped
// with the game's font, and how many rows the message window holds.
#include <string>

#include "tools/advcheck/assets.h"
#include "tools/advcheck/report.h"
#include "tools/advcheck/settings.h"

namespace advcheck {

class PageMeasure {
public:
    // Opens the font only when MSG_WIDTH is set; a font that cannot be
    // opened is a note, and no page is measured then.
    PageMeasure(Report& report, const MessageLayout& layout, const PictureInfo& window);
    ~PageMeasure();
    PageMeasure(const PageMeasure&) = delete;
    PageMeasure& operator=(const PageMeasure&) = delete;

    bool measures() const { return open_; }
    // The rows a MSG text takes, with every flag reference shown as "0".
    int rows(const std::string& text) const;
    // The rows whose text lies wholly inside the message window.
    int rowsInWindow() const { return rowsInWindow_; }
    const MessageLayout& layout() const { return layout_; }

private:
    MessageLayout layout_;
    bool open_ = false;
    int rowsInWindow_ = 0;
};

}  // namespace advcheck
