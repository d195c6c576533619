#pragma once
// A stable 64-bit hash of bytes (FNV-1a), the same on every machine and in
// every version: saves store it to notice a script that changed, and the
// read-pages record names pages by it. Not meant to resist deliberate
// collisions.
#include <cstdint>
#include <string_view>

constexpr std::uint64_t hashBytes(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3u;
    }
    return hash;
}
