#pragma once
// PNG, JPEG and Ogg Vorbis files made in the tests, byte for byte.
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// A PNG file of one row per entry of `rows` (each already in the colour
// type's byte layout, without the filter byte), with optional extra chunks
// (each as type + data) between IHDR and IDAT, such as a palette.
std::string pngFile(int width, int colourType, int bitDepth, const std::vector<std::string>& rows,
                    const std::vector<std::string>& chunks = {});
std::string pngChunk(const std::string& typeAndData);  // length, type, data and CRC

// A JPEG file of quality 100 whose pixel (x, y) is rgb(x, y); grey when `grey`.
std::string jpegFile(int width, int height, std::uint32_t rgb, bool grey = false);

// An Ogg Vorbis file of a quiet tone, encoded at quality 0.
std::string oggVorbisFile(double seconds, int rate = 22050, int channels = 2);

}  // namespace testsupport
