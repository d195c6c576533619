#pragma once
// Writes a fuzz input to a scratch file, since the loaders read from paths.
// The file lives in memory (/dev/shm) where the system offers it.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

inline std::string fuzzScratchFolder() {
    struct stat info{};
    return stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) && access("/dev/shm", W_OK) == 0 ? "/dev/shm"
                                                                                                   : "/tmp";
}

inline std::string writeFuzzFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}

inline std::string writeFuzzInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzzScratchFolder() + "/orba-fuzz-" + std::to_string(getpid());
    return writeFuzzFile(path, data, size);
}
