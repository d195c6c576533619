#pragma once
// Scratch files for the fuzz targets, since the loaders read from paths. They
// live in memory (/dev/shm) where the system offers it and are removed when
// the fuzzer ends normally. Also the dummy drivers and window the targets
// that draw or play run with.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

inline std::string fuzzScratchFolder() {
    struct stat info {};
    return stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) && access("/dev/shm", W_OK) == 0 ? "/dev/shm"
                                                                                                  : "/tmp";
}

inline std::vector<std::string>& fuzzScratchFiles() {
    static std::vector<std::string> files;
    return files;
}

// A scratch file name of this process, removed at exit.
inline std::string fuzzScratchPath(const std::string& name) {
    if (fuzzScratchFiles().empty())
        std::atexit([] {
            for (const std::string& file : fuzzScratchFiles()) std::remove(file.c_str());
        });
    fuzzScratchFiles().push_back(fuzzScratchFolder() + "/orba-fuzz-" + name + "-" + std::to_string(getpid()));
    return fuzzScratchFiles().back();
}

inline std::string writeFuzzFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}

inline std::string writeFuzzInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzzScratchPath("input");
    return writeFuzzFile(path, data, size);
}

inline void useDummyDrivers() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}
