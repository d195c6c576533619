// Which BMP files become pictures: the checks made before and after SDL_LoadBMP.
#include "orba/bmpfile.h"

#include <algorithm>
#include <cstdio>

#include "orba/filereader.h"

namespace orba {
namespace {

std::uint32_t readLE(const std::uint8_t* p, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | p[i];
    return value;
}

// What a file that starts like a BMP lacks of what SDL reads from it, or
// nothing: its headers (12 bytes when it says so, otherwise at least 40, and
// the three colour masks that SDL reads behind those 40 for 15, 16 or 32 bits
// when the header asks for them or the pixels do not start right after it),
// whose missing fields SDL takes from uninitialised memory, or its rows of
// pixels, for which SDL would first allocate the picture (sizes beyond
// 2 GiB fail inside SDL). Any other file is left to SDL, which reports it.
const char* missingPart(const OpenedFile& opened) {
    std::uint8_t bytes[bmpHeaderBytes] = {};
    const std::size_t got = std::fread(bytes, 1, sizeof bytes, opened.file.get());
    if (got < 2 || bytes[0] != 'B' || bytes[1] != 'M') return nullptr;
    const std::uint64_t size = opened.size;
    if (got < 18) return "ends within its header";
    const BMPHeader header = readBMPHeader(bytes);
    const bool core = header.infoSize == 12;
    const std::uint64_t infoSize = header.infoSize, offset = header.offset, bits = header.bits;
    const bool masks = !core && (bits == 15 || bits == 16 || bits == 32) &&
                       (header.compression == 3 || (header.compression == 0 && offset != 14 + infoSize));
    const std::uint64_t read = core ? 12 : std::max<std::uint64_t>(infoSize, masks ? 52 : 40);
    if (size < 14 + read) return "ends within its header";
    // The rows: all of them, uncompressed (SDL refuses compressed files).
    if (header.compression != 0 && header.compression != 3) return nullptr;
    const std::uint64_t rowBytes = (std::uint64_t{header.width} * bits + 31) / 32 * 4;
    const std::int64_t height = header.height;
    const auto rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
    const std::uint64_t available = size > offset ? size - offset : 0;
    return rowBytes > 0 && rows > available / rowBytes ? "ends before its pixels" : nullptr;
}

// SDL keeps the header's bits per pixel in 8-bit fields (2048 becomes 0,
// 8200 an 8-bit picture without a palette, 11544 24 bits with 163 bytes per
// pixel and no row length) and takes counts it cannot read (33, 64). No pixel
// read or blit can use such a picture; files that SDL reads properly give
// 8 bits with a palette, 16, 24 or 32.
bool usablePicture(const SDL_Surface* picture) {
    const SDL_PixelFormat* format = picture->format;
    const int bits = format->BitsPerPixel;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (format->BytesPerPixel * 8 != bits || (bits == 8 && !format->palette)) return false;
    return picture->pitch >= picture->w * format->BytesPerPixel;
}

}  // namespace

BMPHeader readBMPHeader(const std::uint8_t* bytes) {
    BMPHeader header;
    header.offset = readLE(bytes + 10, 4);
    header.infoSize = readLE(bytes + 14, 4);
    if (header.infoSize == 12) {  // 16-bit sides, no compression field
        header.width = readLE(bytes + 18, 2);
        header.height = static_cast<std::int32_t>(readLE(bytes + 20, 2));
        header.planes = readLE(bytes + 22, 2);
        header.bits = readLE(bytes + 24, 2);
        return header;
    }
    header.width = readLE(bytes + 18, 4);
    header.height = static_cast<std::int32_t>(readLE(bytes + 22, 4));
    header.planes = readLE(bytes + 26, 2);
    header.bits = readLE(bytes + 28, 2);
    header.compression = readLE(bytes + 30, 4);
    return header;
}

BMPFile readBMP(const std::string& path) {
    OpenedFile opened = openRegularFile(path);
    if (!opened) return {nullptr, "Couldn't open " + path, true};
    if (const char* missing = missingPart(opened)) return {nullptr, std::string("File ") + missing};
    std::rewind(opened.file.get());
    SDL_RWops* reader = readerOf(std::move(opened.file));
    SurfacePtr picture(reader ? SDL_LoadBMP_RW(reader, 1) : nullptr);
    if (!picture) return {nullptr, SDL_GetError(), true};
    if (!usablePicture(picture.get())) return {nullptr, "Unsupported picture format"};
    return {std::move(picture), {}};
}

}  // namespace orba
