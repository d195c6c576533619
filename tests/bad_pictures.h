#pragma once
// BMP, PNG and JPEG files that the engine refuses, each with its reason; the platform's
// tests load them and advcheck's tests check a game that names them.
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct BadPicture {
    std::string name;
    std::string bytes;       // the whole file
    std::string reason;      // what follows "Orba_loadBMP: " in the engine's message
    bool sdlReason = false;  // SDL's text; the engine's own reasons are followed by " (file)"
};

const std::vector<BadPicture>& badPictures();

// A BMP file (4 x 4 unless said) whose header gives `bitCount` bits per pixel
// and `compression`, with all the rows of pixel bytes that count asks for.
std::string bmpWithBitCount(std::uint16_t bitCount, std::uint32_t width = 4, std::uint32_t height = 4,
                            std::uint32_t compression = 0);

}  // namespace testsupport
