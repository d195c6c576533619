#include "gamefiles/regularfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#endif

namespace {

constexpr const char* notRegular = "Not a regular file";

#ifdef _WIN32
int openForAppending(const char* path) {
    return ::_open(path, O_WRONLY | O_APPEND | O_CREAT | O_BINARY | O_NOINHERIT, 0644);
}

// Windows has no FIFOs that an open could wait on; the check after opening
// still refuses folders and devices.
int openForReading(const char* path) { return ::_open(path, O_RDONLY | O_BINARY | O_NOINHERIT); }

bool readyToRead(int) { return true; }

std::FILE* streamOf(int fd) { return ::_fdopen(fd, "rb"); }
#else
// O_NOFOLLOW: a link is never written through; O_NONBLOCK: opening a FIFO
// without a reader fails at once.
int openForAppending(const char* path) {
    return ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
}

// O_NONBLOCK: opening a FIFO returns at once instead of waiting for a writer;
// O_NOCTTY: a terminal never becomes the engine's.
int openForReading(const char* path) { return ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC); }

// Reads of the regular file then wait as usual.
bool readyToRead(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

std::FILE* streamOf(int fd) { return ::fdopen(fd, "rb"); }
#endif

OpenedFile refused(std::string reason) { return {nullptr, 0, std::move(reason)}; }

}  // namespace

OpenedFile openRegularFile(const std::string& path) {
    if (path.find('\0') != std::string::npos) return refused(std::strerror(EINVAL));
    // Looked at before opening, so that no device is opened at all; looked at
    // again on the open file, which may have been swapped in between.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return refused(std::strerror(errno));
    if (!S_ISREG(info.st_mode)) return refused(notRegular);
    const int fd = openForReading(path.c_str());
    if (fd < 0) return refused(std::strerror(errno));
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || !readyToRead(fd)) {
        const std::string reason = S_ISREG(info.st_mode) ? std::strerror(errno) : notRegular;
        ::close(fd);
        return refused(reason);
    }
    FilePtr file(streamOf(fd));
    if (!file) {
        const std::string reason = std::strerror(errno);
        ::close(fd);
        return refused(reason);
    }
    return {std::move(file), static_cast<std::uint64_t>(info.st_size), {}};
}

bool appendToRegularFile(const std::string& path, std::string_view bytes) {
    if (path.find('\0') != std::string::npos) return false;
    const int fd = openForAppending(path.c_str());
    if (fd < 0) return false;
    struct stat info {};
    bool written = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    while (written && !bytes.empty()) {
        const auto put = ::write(fd, bytes.data(), static_cast<unsigned>(bytes.size()));
        if (put < 0 && errno == EINTR) continue;
        written = put > 0;
        if (written) bytes.remove_prefix(static_cast<std::size_t>(put));
    }
    ::close(fd);
    return written;
}
