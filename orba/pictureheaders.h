#pragma once
// The structure of PNG and JPEG files, checked before a decoder reads them:
// the picture's size as the header gives it, within the engine's bounds, and
// every chunk or segment wholly within the file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orba {

enum class PictureType { Bmp, Png, Jpeg, Other };

// The type a file's first bytes (at least 8 when the file has them) show.
PictureType pictureTypeOf(std::string_view firstBytes);

// Bounds on what a compressed picture may decode to and be read from.
inline constexpr int maxPictureSide = 8192;
inline constexpr std::int64_t maxPicturePixels = std::int64_t{1} << 24;  // 64 MiB of 32-bit pixels
inline constexpr std::size_t maxPictureFileBytes = std::size_t{32} << 20;

// What the header check found: empty `fault` when the decoder may read it.
struct PictureHeader {
    std::string fault;
    int width = 0, height = 0;
};

// A PNG file: signature, IHDR first (size, a colour type and bit depth PNG
// allows), every chunk within the file with a matching CRC, IDAT before IEND.
PictureHeader checkPngHeader(std::string_view bytes);

// A JPEG file: its segments up to the first scan within the file, one frame
// header of 1 or 3 components with its size, and an end marker after the scan.
PictureHeader checkJpegHeader(std::string_view bytes);

}  // namespace orba
