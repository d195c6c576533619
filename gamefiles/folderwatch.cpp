#include "gamefiles/folderwatch.h"

#if defined(_WIN32) || defined(__EMSCRIPTEN__)

FolderWatch::FolderWatch() = default;
FolderWatch::~FolderWatch() = default;
void FolderWatch::add(const std::string&, bool) {}
std::vector<std::string> FolderWatch::changes() { return {}; }

#else

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "orba/error.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t savedMask = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE;

void addOnce(std::vector<std::string>& paths, std::string path) {
    if (std::find(paths.begin(), paths.end(), path) == paths.end()) paths.push_back(std::move(path));
}

}  // namespace

FolderWatch::FolderWatch() : descriptor_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (descriptor_ < 0) throw Error(std::string("FolderWatch: cannot watch files: ") + std::strerror(errno));
}

FolderWatch::~FolderWatch() { close(descriptor_); }

void FolderWatch::add(const std::string& folder, bool subfolders) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) return;
    watchFolder(folder.ends_with('/') ? folder : folder + "/", subfolders);
}

void FolderWatch::watchFolder(const std::string& path, bool subfolders) {
    const int watch = inotify_add_watch(descriptor_, path.c_str(), savedMask | IN_ONLYDIR);
    // A folder removed (or replaced by a file) before its watch was added has
    // nothing left to watch; its creation is still reported.
    if (watch < 0 && (errno == ENOENT || errno == ENOTDIR)) return;
    if (watch < 0) throw Error("FolderWatch: cannot watch " + path + ": " + std::strerror(errno));
    folders_[watch] = Folder{path, subfolders};
    if (!subfolders) return;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(path, error))
        if (entry.is_directory(error)) watchFolder(path + entry.path().filename().string() + "/", true);
}

// Events are read until none is left; a folder made or moved in below a
// recursive watch is watched from then on.
void FolderWatch::readEvents(std::vector<std::string>& changed) {
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        const ssize_t length = read(descriptor_, buffer, sizeof buffer);
        if (length <= 0) return;  // EAGAIN: nothing more to read
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                for (const auto& [watch, folder] : folders_) addOnce(changed, folder.path);
                continue;
            }
            if (event->mask & IN_IGNORED) {
                folders_.erase(event->wd);
                continue;
            }
            const auto folder = folders_.find(event->wd);
            if (folder == folders_.end() || event->len == 0) continue;
            const std::string path = folder->second.path + event->name;
            if ((event->mask & IN_ISDIR) && folder->second.subfolders) {
                watchFolder(path + "/", true);
                addOnce(changed, path + "/");
            } else if (!(event->mask & IN_ISDIR)) {
                addOnce(changed, path);
            }
        }
    }
}

std::vector<std::string> FolderWatch::changes() {
    std::vector<std::string> changed;
    readEvents(changed);
    return changed;
}

#endif
