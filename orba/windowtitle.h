#pragma once
// The window's title, shown in full by the window system. Only files of orba/
// include this.
#include <string_view>

namespace orba {

// Gives the window the title `title` (UTF-8) and keeps it for windows SDL
// makes again. SDL 1.2 passes a title through the locale's character set,
// which in the C locale drops everything beyond ASCII, and on X sets the
// UTF-8 name only when that conversion kept every character; so the window
// system's names are set here from the UTF-8 text itself. A title that is
// not UTF-8 is left as SDL sets it.
void setWindowTitle(std::string_view title);

}  // namespace orba
