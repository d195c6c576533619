#include "gamefiles/staletemporaries.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
#include <signal.h>
#include <sys/types.h>
#endif

namespace fs = std::filesystem;

namespace {

constexpr std::string_view marker = ".tmp.";

// The digits as a number that fits an int; none for anything else, a sign too.
std::optional<int> number(std::string_view digits) {
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc() ? std::optional(value) : std::nullopt;
}

// The process id of a temporary's name NAME.tmp.<pid>.<count>, none for other names.
std::optional<int> writerOf(std::string_view name) {
    const std::size_t at = name.rfind(marker);
    if (at == std::string_view::npos || at == 0) return std::nullopt;
    const std::string_view numbers = name.substr(at + marker.size());
    const std::size_t dot = numbers.find('.');
    if (dot == std::string_view::npos || !number(numbers.substr(dot + 1))) return std::nullopt;
    const std::optional<int> pid = number(numbers.substr(0, dot));
    return pid && *pid > 0 ? pid : std::nullopt;
}

#ifdef _WIN32
// Process ids are soon reused on Windows: a temporary a day old is no write's.
bool leftOver(const fs::path& file, int /*pid*/) {
    std::error_code error;
    const auto written = fs::last_write_time(file, error);
    return !error && fs::file_time_type::clock::now() - written > std::chrono::hours(24);
}
#elif defined(__EMSCRIPTEN__)
bool leftOver(const fs::path&, int) { return false; }
#else
bool leftOver(const fs::path&, int pid) { return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }
#endif

}  // namespace

int removeStaleTemporaries(const std::string& folder) {
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(folder, error))) return 0;
    int removed = 0;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::optional<int> pid = writerOf(it->path().filename().string());
        std::error_code statusError;
        if (!pid || !fs::is_regular_file(it->symlink_status(statusError))) continue;
        if (leftOver(it->path(), *pid) && std::remove(it->path().string().c_str()) == 0) ++removed;
    }
    return removed;
}
