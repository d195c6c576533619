// PNG and JPEG files checked against what their decoders would read.
#include "orba/pictureheaders.h"

#include <zlib.h>

#include <cctype>

namespace orba {
namespace {

constexpr std::string_view pngSignature("\x89PNG\r\n\x1a\n", 8);
constexpr int maxPngChunks = 1 << 20;

std::uint32_t bigEndian(std::string_view bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

std::string sizeFault(std::uint32_t width, std::uint32_t height) {
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width == 0 || height == 0 || width > maxPictureSide || height > maxPictureSide)
        return "Picture size " + size + " outside 1 x 1 to " + std::to_string(maxPictureSide) + " x " +
               std::to_string(maxPictureSide);
    if (std::int64_t{width} * height > maxPicturePixels)
        return "Picture of " + size + " pixels larger than " + std::to_string(maxPicturePixels) + " pixels";
    return {};
}

bool validPngDepth(std::uint32_t colourType, std::uint32_t depth) {
    switch (colourType) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6: return depth == 8 || depth == 16;
    default: return false;
    }
}

// The IHDR chunk's 13 bytes at `at`.
PictureHeader pngImageHeader(std::string_view bytes, std::size_t at) {
    PictureHeader header;
    const std::uint32_t width = bigEndian(bytes, at, 4), height = bigEndian(bytes, at + 4, 4);
    const std::uint32_t depth = bigEndian(bytes, at + 8, 1), colourType = bigEndian(bytes, at + 9, 1);
    if (header.fault = sizeFault(width, height); !header.fault.empty()) return header;
    if (!validPngDepth(colourType, depth))
        header.fault = "PNG colour type " + std::to_string(colourType) + " with " + std::to_string(depth) +
                       " bits does not exist";
    else if (bytes[at + 10] != 0 || bytes[at + 11] != 0 || static_cast<unsigned char>(bytes[at + 12]) > 1)
        header.fault = "Unknown PNG compression, filter or interlace method";
    header.width = static_cast<int>(width);
    header.height = static_cast<int>(height);
    return header;
}

bool isChunkType(std::string_view type) {
    for (const char c : type)
        if (!std::isalpha(static_cast<unsigned char>(c))) return false;
    return true;
}

bool isJpegFrame(unsigned marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// The frame header's fields from the segment whose length field is at `at`.
PictureHeader jpegFrame(std::string_view bytes, std::size_t at, std::uint32_t length) {
    PictureHeader header;
    if (length < 8) return {"JPEG frame header too short"};
    const std::uint32_t height = bigEndian(bytes, at + 3, 2), width = bigEndian(bytes, at + 5, 2);
    const std::uint32_t components = bigEndian(bytes, at + 7, 1);
    if (height == 0) return {"JPEG without its height in the frame header"};
    if (header.fault = sizeFault(width, height); !header.fault.empty()) return header;
    if (components != 1 && components != 3)
        return {"JPEG with " + std::to_string(components) +
                " colour components (only grey and colour ones are read)"};
    if (length < 8 + 3 * components) return {"JPEG frame header too short"};
    header.width = static_cast<int>(width);
    header.height = static_cast<int>(height);
    return header;
}

}  // namespace

PictureType pictureTypeOf(std::string_view firstBytes) {
    if (firstBytes.starts_with("BM")) return PictureType::Bmp;
    if (firstBytes.starts_with(pngSignature)) return PictureType::Png;
    if (firstBytes.starts_with("\xFF\xD8\xFF")) return PictureType::Jpeg;
    return PictureType::Other;
}

PictureHeader checkPngHeader(std::string_view bytes) {
    if (bytes.size() < pngSignature.size() + 25) return {"File ends within its header"};
    if (bigEndian(bytes, 8, 4) != 13 || bytes.substr(12, 4) != "IHDR")
        return {"PNG file does not start with its IHDR chunk"};
    PictureHeader header = pngImageHeader(bytes, 16);
    if (!header.fault.empty()) return header;
    bool palette = false, data = false;
    std::size_t at = pngSignature.size();
    for (int chunks = 0; chunks < maxPngChunks; ++chunks) {
        if (bytes.size() - at < 12) return {"File ends before its IEND chunk"};
        const std::uint32_t length = bigEndian(bytes, at, 4);
        const std::string_view type = bytes.substr(at + 4, 4);
        if (!isChunkType(type)) return {"Bad PNG chunk type at byte " + std::to_string(at + 4)};
        if (length > bytes.size() - at - 12) return {"File ends within chunk '" + std::string(type) + "'"};
        const auto* body = reinterpret_cast<const Bytef*>(bytes.data() + at + 4);
        if (crc32(0, body, length + 4) != bigEndian(bytes, at + 8 + length, 4))
            return {"Bad CRC in chunk '" + std::string(type) + "'"};
        if (type == "IEND") break;
        palette = palette || type == "PLTE";
        data = data || type == "IDAT";
        at += 12 + std::size_t{length};
    }
    if (!data) return {"PNG file without pixels (no IDAT chunk)"};
    if (bytes[25] == 3 && !palette) return {"PNG file with palette colours but no palette"};
    return header;
}

PictureHeader checkJpegHeader(std::string_view bytes) {
    PictureHeader frame;
    bool frameSeen = false;
    for (std::size_t at = 2;;) {
        while (bytes.size() - at >= 2 && bytes[at] == '\xFF' && bytes[at + 1] == '\xFF') ++at;  // fill bytes
        if (bytes.size() - at < 4) return {"File ends before its pixels"};
        const unsigned marker = static_cast<unsigned char>(bytes[at + 1]);
        const std::uint32_t length = bigEndian(bytes, at + 2, 2);
        if (bytes[at] != '\xFF' || marker == 0xD8 || marker == 0xD9 || (marker >= 0xD0 && marker <= 0xD7) ||
            length < 2)
            return {"Bad JPEG segment marker at byte " + std::to_string(at)};
        if (length > bytes.size() - at - 2) return {"File ends within a segment"};
        if (isJpegFrame(marker)) {
            if (frameSeen) return {"JPEG file with two frame headers"};
            frame = jpegFrame(bytes, at + 2, length);
            if (!frame.fault.empty()) return frame;
            frameSeen = true;
        } else if (marker == 0xDA) {
            if (!frameSeen) return {"JPEG file without a frame header before its pixels"};
            if (bytes.find("\xFF\xD9", at + 2 + length) == std::string_view::npos)
                return {"File ends before its end marker"};
            return frame;
        }
        at += 2 + std::size_t{length};
    }
}

}  // namespace orba
