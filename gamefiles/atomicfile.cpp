#include "gamefiles/atomicfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "gamefiles/atomicfile_testing.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>

// The page's files live in memory; the page copies those it keeps in the
// browser (save/) there, or offers them to the player (screenshot.bmp),
// once they are written whole (web/page.js).
EM_JS(void, tellPageOfWrite, (const char* path), {
    if (Module['onFileWritten']) Module['onFileWritten'](UTF8ToString(path));
});
#endif

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#include <process.h>
#include <windows.h>
#endif

namespace {

#ifdef _WIN32
// The temporary file is made new (an existing file of its name is never
// reused); bytes are written as they are (no line-end translation);
// descriptors are not inherited by programs started meanwhile.
constexpr int writeFlags = O_WRONLY | O_CREAT | O_EXCL | O_BINARY | O_NOINHERIT;

int processId() { return ::_getpid(); }

int flushToDisk(int fd) { return ::_commit(fd); }

// The errno value nearest to the system's reason for a failed move.
int errnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_DISK_FULL: return ENOSPC;
    default: return EIO;
    }
}

// Puts the temporary file in place of the old one; the move itself reaches
// the disk before the call returns.
int replaceFile(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
    errno = errnoOf(GetLastError());
    return -1;
}

int makeDirectory(const char* path) { return ::_mkdir(path); }
#else
// The temporary file is made new: an existing file, or a link, of its name
// fails the open instead of being written through.
constexpr int writeFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;

int processId() { return static_cast<int>(::getpid()); }

int flushToDisk(int fd) { return ::fsync(fd); }

int replaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str());
}

int makeDirectory(const char* path) { return ::mkdir(path, 0755); }
#endif

WriteStep failingStep = WriteStep::None;

// Whether the test seam makes this step fail; sets errno as the system would.
bool injectedFailure(WriteStep step) {
    if (failingStep != step) return false;
    errno = EIO;
    return true;
}

// A file descriptor, closed when it goes unless closed before.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

bool writeAll(int fd, std::string_view bytes) {
    const bool failHalfway = failingStep == WriteStep::Write;
    if (failHalfway) bytes = bytes.substr(0, bytes.size() / 2);
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return false;
        if (put == 0) {
            errno = ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(put));
    }
    return !(failHalfway && injectedFailure(WriteStep::Write));
}

// How many names createTemporary tries before it gives up: others are taken
// only by a left-over of a killed run or by something put there on purpose.
constexpr int temporaryNameTries = 16;
unsigned temporaryCount = 0;

// The count-th temporary name of path in this process.
std::string temporaryName(const std::string& path, unsigned count) {
    return path + ".tmp." + std::to_string(processId()) + "." + std::to_string(count);
}

// Creates a new temporary file beside path under a name no other write uses
// (this process's id and a count): its descriptor, with the name in
// `temporary`, or -1 with errno set.
int createTemporary(const std::string& path, std::string& temporary) {
    for (int tries = 0; tries < temporaryNameTries; ++tries) {
        temporary = temporaryName(path, temporaryCount++);
        const int fd = ::open(temporary.c_str(), writeFlags, 0644);
        if (fd >= 0) return fd;
        if (errno != EEXIST) break;
    }
    temporary.clear();  // nothing of this write to remove
    return -1;
}

// Writes a new temporary file, flushed to the disk and closed: 0, or the
// system's error number. `temporary` names the file it made, if any.
int writeTemporary(const std::string& path, std::string& temporary, std::string_view bytes) {
    if (injectedFailure(WriteStep::Open)) return errno;
    Descriptor file(createTemporary(path, temporary));
    if (file.get() < 0) return errno;
    if (!writeAll(file.get(), bytes)) return errno;
    if (injectedFailure(WriteStep::Sync) || flushToDisk(file.get()) != 0) return errno;
    return file.close() ? 0 : errno;
}

// The folder that holds a file: "." for a bare name.
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Makes the rename itself last: flushes the folder that holds the file. A
// failure here changes nothing the program could mend; the file is in place.
// On Windows the move was written through already; in the page, lasting is
// the page's copy to the browser's storage.
void syncFolder([[maybe_unused]] const std::string& path) {
#ifdef __EMSCRIPTEN__
    tellPageOfWrite(path.c_str());
#elif !defined(_WIN32)
    Descriptor dir(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
#endif
}

std::string reason(int error) { return std::strerror(error); }

}  // namespace

void failWritesAt(WriteStep step) { failingStep = step; }

std::string nextTemporaryName(const std::string& path) { return temporaryName(path, temporaryCount); }

WriteResult writeFileAtomically(const std::string& path, std::string_view bytes) {
    if (path.empty() || path.find('\0') != std::string::npos)
        return {false, "cannot write " + path + ": " + reason(EINVAL)};
    std::string temporary;
    int error = writeTemporary(path, temporary, bytes);
    // rename replaces a link at path itself; it never writes through one.
    if (error == 0 && (injectedFailure(WriteStep::Rename) || replaceFile(temporary, path) != 0))
        error = errno;
    if (error != 0) {
        if (!temporary.empty()) ::unlink(temporary.c_str());
        return {false, "cannot write " + path + ": " + reason(error)};
    }
    syncFolder(path);
    return {};
}

bool moveFileOver(const std::string& from, const std::string& to) {
    if (replaceFile(from, to) != 0) return false;
    syncFolder(to);
    return true;
}

WriteResult makeFolder(const std::string& path) {
    if (makeDirectory(path.c_str()) == 0) return {};
    const int error = errno;
    struct stat info {};
    if (error == EEXIST && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return {};
    return {false, "cannot make folder " + path + ": " + reason(error)};
}

WriteResult makeParentFolder(const std::string& file) {
    const std::string folder = folderOf(file);
    return folder == "." || folder == "/" ? WriteResult{} : makeFolder(folder);
}
