// ConfigParser: flat "key = value" files. No sections, no quoting; "#" starts a
// comment anywhere on a line; a line without "=" is skipped.
#include "config/configparser.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <system_error>

#include "gamefiles/gamefiles.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// readDecimal reads a plain decimal ("12.5"), out of range when the double
// cannot hold it; writeDecimal writes as printf "%g" does in the C locale.
#ifdef __EMSCRIPTEN__
// The page's C++ library has no floating-point from_chars or to_chars; its C
// library has only the C locale, so strtod and snprintf read and write the same.
std::errc readDecimal(const std::string& digits, double& result) {
    errno = 0;
    result = std::strtod(digits.c_str(), nullptr);
    return errno == ERANGE ? std::errc::result_out_of_range : std::errc();
}
std::string writeDecimal(double value) {
    char buffer[64];
    const int length = std::snprintf(buffer, sizeof buffer, "%g", value);
    return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}
#else
std::errc readDecimal(const std::string& digits, double& result) {
    return std::from_chars(digits.data(), digits.data() + digits.size(), result, std::chars_format::fixed).ec;
}
std::string writeDecimal(double value) {
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return std::string(buffer, static_cast<std::size_t>(end - buffer));
}
#endif

// Null when the file cannot be opened; a name with a zero byte is refused
// rather than silently cut short.
FilePtr openFile(const std::string& name, const char* mode) {
    if (name.find('\0') != std::string::npos) {
        return nullptr;
    }
    return FilePtr(std::fopen(name.c_str(), mode));
}

constexpr std::string_view whiteSpace = "\t\n\v\f\r ";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(whiteSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(whiteSpace);
    return text.substr(first, last - first + 1);
}

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

Error notDigit(std::string_view key, std::string_view value) {
    return Error("not digit value ... " + quoted(key) + " -> " + quoted(value));
}

void writeBytes(std::FILE* out, std::string_view bytes) { std::fwrite(bytes.data(), 1, bytes.size(), out); }

// Length of the leading "digits[.digits]" part of text, or 0 if it has no digit.
std::size_t decimalPrefixLength(std::string_view text) {
    std::size_t end = 0;
    std::size_t digits = 0;
    while (end < text.size() && isDigit(text[end])) {
        ++end;
        ++digits;
    }
    if (end < text.size() && text[end] == '.') {
        ++end;
        while (end < text.size() && isDigit(text[end])) {
            ++end;
            ++digits;
        }
    }
    return digits == 0 ? 0 : end;
}

// True when the digits before the point (if any) are all zeros.
bool belowOne(std::string_view number) {
    return number.substr(0, number.find('.')).find_first_not_of('0') == std::string_view::npos;
}

// One line of a file: comment cut, split at "=", key and value trimmed.
void parseLine(ConfigParser& parser, std::string_view line) {
    line = line.substr(0, line.find('#'));
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) {
        return;
    }
    std::string_view value = line.substr(equals + 1);
    value = value.substr(0, value.find('='));  // text behind a second "=" is dropped
    parser.set(trim(line.substr(0, equals)), trim(value));
}

}  // namespace

void ConfigParser::clear() {
    table.clear();
    keyOrder.clear();
}

void ConfigParser::load(std::string_view name) {
    clear();
    fileName = std::string(name);
    const std::optional<std::string> contents = readWholeFile(fileName);
    if (!contents) {
        throw Error("can't open file " + quoted(name));
    }
    std::string_view rest = *contents;
    while (!rest.empty()) {
        const auto lineEnd = rest.find('\n');
        parseLine(*this, rest.substr(0, lineEnd));
        if (lineEnd == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(lineEnd + 1);
    }
}

std::string ConfigParser::getString(std::string_view key) {
    checkKey(key);
    return table.find(key)->second;
}

std::int32_t ConfigParser::getInt(std::string_view key) {
    const std::string value = getString(key);
    if (!std::all_of(value.begin(), value.end(), isDigit)) {
        throw notDigit(key, value);
    }
    if (value.empty()) {
        return 0;
    }
    std::int32_t result = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), result);
    if (error != std::errc()) {
        throw notDigit(key, value);  // above 2147483647
    }
    return result;
}

double ConfigParser::getFloat(std::string_view key) {
    const std::string value = getString(key);
    const auto isDigitOrPoint = [](char c) { return isDigit(c) || c == '.'; };
    if (!std::all_of(value.begin(), value.end(), isDigitOrPoint)) {
        throw notDigit(key, value);
    }
    const std::size_t length = decimalPrefixLength(value);
    if (length == 0) {
        return 0.0;
    }
    double result = 0.0;
    if (readDecimal(value.substr(0, length), result) == std::errc::result_out_of_range) {
        if (belowOne(value)) {
            return 0.0;  // too small to represent
        }
        throw notDigit(key, value);  // too large to represent
    }
    return result;
}

bool ConfigParser::getBool(std::string_view key) {
    const std::string value = getString(key);
    for (const char* word : {"1", "on", "yes", "true"}) {
        if (value == word) {
            return true;
        }
    }
    for (const char* word : {"0", "no", "off", "false"}) {
        if (value == word) {
            return false;
        }
    }
    throw Error("not boolean value ... " + quoted(key) + " -> " + quoted(value));
}

void ConfigParser::set(std::string_view key, std::string_view value) {
    const auto found = table.find(key);
    if (found != table.end()) {
        found->second = std::string(value);
        return;
    }
    keyOrder.emplace_back(key);
    table.emplace(std::string(key), std::string(value));
}

void ConfigParser::setInt(std::string_view key, std::int32_t value) { set(key, std::to_string(value)); }

void ConfigParser::setFloat(std::string_view key, float value) {
    // Same text as printf "%g" in the C locale, whatever the current locale.
    set(key, writeDecimal(static_cast<double>(value)));
}

void ConfigParser::setBool(std::string_view key, bool value) { set(key, value ? "true" : "false"); }

void ConfigParser::save(std::string_view name) {
    const std::string target = name.empty() ? fileName : std::string(name);
    FilePtr file = openFile(target, "wb");
    if (!file) {
        throw Error("can't write file " + quoted(target));
    }
    for (const auto& key : keyOrder) {
        writeBytes(file.get(), key);
        writeBytes(file.get(), " = ");
        writeBytes(file.get(), table.find(key)->second);
        writeBytes(file.get(), "\n");
    }
    const bool written = std::ferror(file.get()) == 0;
    if (std::fclose(file.release()) != 0 || !written) {
        throw Error("can't write file " + quoted(target));
    }
}

void ConfigParser::dumpJson() {
    std::fputs("{\n", stdout);
    for (const auto& [key, value] : table) {
        std::fputs("  \"", stdout);
        writeBytes(stdout, key);
        std::fputs("\" : \"", stdout);
        writeBytes(stdout, value);
        std::fputs("\",\n", stdout);
    }
    std::fputs("}\n", stdout);
    std::fflush(stdout);
}

void ConfigParser::dump() {
    for (const auto& key : keyOrder) {
        writeBytes(stdout, key);
        std::fputs(" = ", stdout);
        writeBytes(stdout, table.find(key)->second);
        std::fputs("\n", stdout);
    }
    std::fflush(stdout);
}

void ConfigParser::checkKey(std::string_view key) {
    if (table.find(key) == table.end()) {
        throw Error("ConfigParser.checkKey(): not exist key ... " + quoted(key));
    }
}
