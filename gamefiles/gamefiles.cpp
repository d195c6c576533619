#include "gamefiles/gamefiles.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "gamefiles/regularfile.h"

bool insideGameFolder(std::string_view path) {
    if (path.empty() || path.front() == '/') return false;
    int depth = 0;  // folders below the game's folder
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        if (part == "..") {
            if (--depth < 0) return false;
        } else if (!part.empty() && part != ".") {
            ++depth;
        }
        path.remove_prefix(slash == std::string_view::npos ? path.size() : slash + 1);
    }
    return true;
}

bool isGameFile(const std::string& path) {
    std::error_code error;
    return insideGameFolder(path) && std::filesystem::is_regular_file(path, error);
}

std::optional<std::string> readWholeFile(const std::string& path) {
    BoundedRead read = readFileUpTo(path, maxWholeFileBytes);
    if (read.status == BoundedRead::TooLarge)
        throw Error("File larger than " + std::to_string(maxWholeFileBytes >> 20) + " MiB (" + path + ")");
    if (read.status != BoundedRead::Read) return std::nullopt;
    return std::move(read.bytes);
}

BoundedRead readFileUpTo(const std::string& path, std::size_t limit) {
    const FilePtr file = openRegularFile(path).file;
    if (!file) return {};
    BoundedRead read{BoundedRead::Read, {}};
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        if (got > limit - read.bytes.size()) return {BoundedRead::TooLarge, {}};
        read.bytes.append(buffer, got);
    }
    if (std::ferror(file.get())) return {};
    return read;
}
