#pragma once
// Writes a fuzz input to a scratch file, since the loaders read from paths.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

inline std::string writeFuzzInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/orba-fuzz-" + std::to_string(getpid());
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}
