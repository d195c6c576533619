#pragma once
// Opening a game's files for reading: only regular files are opened, and the
// open never waits, so a FIFO or a device put where a game's file belongs is
// refused at once instead of blocking the engine.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A file opened for reading in binary mode, or why it was not.
struct OpenedFile {
    FilePtr file;            // null when not opened
    std::uint64_t size = 0;  // its size when it was opened
    std::string reason;      // when not opened: the system's text, or "Not a regular file"

    explicit operator bool() const { return file != nullptr; }
};

// Opens the file for reading when it is a regular file. Anything else (a
// folder, a FIFO, a device, a name with a zero byte) is refused without
// waiting for a writer or touching the device.
OpenedFile openRegularFile(const std::string& path);

// Appends the bytes to a regular file, made when missing. A link at path is
// not followed, and a FIFO or a device is not written to: false then, and
// when the write fails.
bool appendToRegularFile(const std::string& path, std::string_view bytes);
