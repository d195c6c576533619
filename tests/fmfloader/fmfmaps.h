#pragma once
// Builds FMF map files byte by byte for the loader and fmfdump tests.
#include <cstdint>
#include <initializer_list>
#include <string>

struct FMFHeader {
    std::int32_t dataSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    int chipWidth = 16;
    int chipHeight = 16;
    int layers = 1;
    int bits = 8;
};

inline void putLE32(std::string& out, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((bits >> shift) & 0xff);
}

inline std::string fmfHeader(const FMFHeader& h) {
    std::string out = "FMF_";
    putLE32(out, h.dataSize);
    putLE32(out, h.width);
    putLE32(out, h.height);
    for (int byte : {h.chipWidth, h.chipHeight, h.layers, h.bits}) out += static_cast<char>(byte);
    return out;
}

inline std::string cells8(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

inline std::string cells16(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) {
        out += static_cast<char>(v & 0xff);
        out += static_cast<char>((v >> 8) & 0xff);
    }
    return out;
}
