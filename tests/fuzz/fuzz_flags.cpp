// Flag substitution of message lines on arbitrary text: every reference
// ("%F" or "%f" and a digit run) becomes the value of the flag its whole run
// names, everything else is kept byte for byte.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "adv/engine.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Flag values with every sign and width, each flag its own.
void setFlags() {
    for (std::int32_t i = 0; i < adv::flagCount; ++i) adv::setFlag(i, (i % 2 ? -1 : 1) * i * 1013);
    adv::setFlag(0, 7);
    adv::setFlag(1, INT32_MIN);
    adv::setFlag(12, INT32_MAX);
    adv::setFlag(127, -127);
}

// The flag number of a digit run, read after its leading zeros; -1 past the range.
int flagOf(std::string_view digits) {
    while (!digits.empty() && digits.front() == '0') digits.remove_prefix(1);
    if (digits.size() > 3) return -1;
    const int number = digits.empty() ? 0 : std::atoi(std::string(digits).c_str());
    return number < adv::flagCount ? number : -1;
}

std::string expectedLine(std::string_view text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = i + 2;
        if (text.substr(i, 2) == "%F" || text.substr(i, 2) == "%f")
            while (end < text.size() && isDigit(text[end])) ++end;
        if (end > i + 2 && end <= text.size()) {
            const int flag = flagOf(text.substr(i + 2, end - i - 2));
            out += std::to_string(flag < 0 ? 0 : adv::getFlag(flag));
            i = end;
        } else {
            out += text[i++];
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = (setFlags(), true);
    (void)ready;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    adv::clearMessages();
    adv::addMessage(text);
    const std::string& line = adv::messageWindow().messages.at(0);
    if (text.find('%') == std::string_view::npos && line != text) std::abort();
    if (line != expectedLine(text)) std::abort();
    return 0;
}
