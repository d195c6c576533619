#include "adv/msgwrap.h"

#include <cstddef>
#include <cstdint>

#include "config/sysinfo.h"
#include "orba/orba.h"

namespace adv {

namespace {

bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The start of the code point after the one at `at`.
std::size_t nextBoundary(std::string_view text, std::size_t at) {
    ++at;
    while (at < text.size() && isContinuation(text[at])) ++at;
    return at;
}

// `at` moved back to the start of its code point.
std::size_t boundaryAtOrBefore(std::string_view text, std::size_t at) {
    while (at > 0 && at < text.size() && isContinuation(text[at])) --at;
    return at;
}

// The code point starting at `at`; a malformed sequence gives its first byte.
std::uint32_t codePointAt(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t end = nextBoundary(text, at);
    if (lead < 0x80 || end - at < 2) return lead;
    std::uint32_t value = lead & (0xFFu >> (end - at + 1));
    for (std::size_t i = at + 1; i < end; ++i)
        value = value << 6 | (static_cast<unsigned char>(text[i]) & 0x3Fu);
    return value;
}

// Characters of the scripts written without spaces between words: a row may
// end before or after any of them.
bool breaksAnywhere(std::uint32_t c) {
    return (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

std::string_view withoutTrailingSpaces(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// The longest start of the text, whole code points, that fits the width; at
// least one code point. Probes grow from a short start, so a long line costs
// measures of about a row's length, not of the whole line.
std::size_t longestFit(std::string_view text, int width, const TextMeasure& measure) {
    std::size_t fits = 0, tooWide = text.size() + 1;
    for (std::size_t probe = 32; fits < text.size(); probe *= 2) {
        const std::size_t end = probe >= text.size() ? text.size() : boundaryAtOrBefore(text, probe);
        if (measure(text.substr(0, end)) > width) {
            tooWide = end;
            break;
        }
        fits = end;
    }
    while (tooWide <= text.size()) {
        std::size_t middle = boundaryAtOrBefore(text, fits + (tooWide - fits) / 2);
        if (middle <= fits) middle = nextBoundary(text, fits);
        if (middle >= tooWide) break;
        (measure(text.substr(0, middle)) <= width ? fits : tooWide) = middle;
    }
    return fits > 0 ? fits : nextBoundary(text, 0);
}

// Whether a row may end before byte `at` and keep some text.
bool mayBreakBefore(std::string_view text, std::size_t at) {
    if (withoutTrailingSpaces(text.substr(0, at)).empty()) return false;
    if (text[at] == ' ') return text[at - 1] != ' ';
    return breaksAnywhere(codePointAt(text, at)) ||
           breaksAnywhere(codePointAt(text, boundaryAtOrBefore(text, at - 1)));
}

// Where the first row of the text ends, given that `fit` bytes fit.
std::size_t rowEnd(std::string_view text, std::size_t fit) {
    for (std::size_t at = fit; at > 0; at = boundaryAtOrBefore(text, at - 1))
        if (at < text.size() && mayBreakBefore(text, at)) return at;
    return fit;
}

}  // namespace

std::vector<std::string> wrapLine(std::string_view line, int width, const TextMeasure& measure) {
    if (width <= 0) return {std::string(line)};
    std::vector<std::string> rows;
    std::string_view rest = line;
    do {
        const std::size_t fit = longestFit(rest, width, measure);
        if (fit >= rest.size()) {
            rows.emplace_back(rest);
            break;
        }
        const std::size_t end = rowEnd(rest, fit);
        rows.emplace_back(withoutTrailingSpaces(rest.substr(0, end)));
        rest.remove_prefix(end);
        while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    } while (!rest.empty());
    return rows;
}

std::vector<std::string> wrapMessage(std::string_view line) {
    return wrapLine(line, System::MSG_WIDTH, [](std::string_view text) { return Orba_getTextWidth(text); });
}

}  // namespace adv
