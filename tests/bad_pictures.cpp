#include "bad_pictures.h"

#include "mediafiles.h"

#include <cstring>
#include <utility>

namespace testsupport {

std::string bmpWithBitCount(std::uint16_t bitCount, std::uint32_t width, std::uint32_t height,
                            std::uint32_t compression) {
    const std::uint32_t pixelBytes = (width * bitCount + 31) / 32 * 4 * height;
    std::string bytes = "BM";
    auto put = [&bytes](std::uint32_t v, int size) {
        for (int i = 0; i < size; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xff);
    };
    put(54 + pixelBytes, 4), put(0, 4), put(54, 4);                          // file header
    put(40, 4), put(width, 4), put(height, 4), put(1, 2), put(bitCount, 2);  // size, planes, bits
    put(compression, 4);
    for (int i = 0; i < 5; ++i) put(0, 4);  // no palette
    return bytes + std::string(pixelBytes, '\x11');
}

namespace {

// PNG and JPEG files told by their first bytes, whatever their names.
void addBadPngAndJpeg(std::vector<BadPicture>& cases) {
    const std::string png = pngFile(2, 6, 8, {std::string(8, '\x40'), std::string(8, '\x80')});
    std::string badCrc = png, badType = png, giant = png;
    badCrc[png.size() - 20] ^= 1;                                  // inside the IDAT chunk
    badType[37] = '1';                                             // the type of the chunk after IHDR
    giant.replace(16, 8, std::string("\0\0\x40\0\0\0\x40\0", 8));  // 16384 x 16384
    std::string wide = pngFile(9000, 0, 1, {std::string(1125, '\0')});
    const std::string jpeg = jpegFile(8, 8, 0x336699);
    std::string tall = jpeg, noEnd = jpeg.substr(0, jpeg.size() - 2);
    const std::size_t frame = jpeg.find("\xFF\xC0");
    tall[frame + 5] = '\x7F';  // 32520 rows
    std::string cmyk = jpeg;
    cmyk[frame + 9] = 4;
    const BadPicture bad[] = {
        {"PNG cut in its header", png.substr(0, 20), "File ends within its header"},
        {"PNG cut in a chunk", png.substr(0, png.size() - 15), "File ends within chunk 'IDAT'"},
        {"PNG without IEND", png.substr(0, png.size() - 12), "File ends before its IEND chunk"},
        {"PNG with a bad CRC", badCrc, "Bad CRC in chunk 'IDAT'"},
        {"PNG with a bad chunk type", badType, "Bad PNG chunk type at byte 37"},
        {"PNG of 16384 x 16384", giant, "Picture size 16384 x 16384 outside 1 x 1 to 8192 x 8192"},
        {"PNG of 9000 x 1", wide, "Picture size 9000 x 1 outside 1 x 1 to 8192 x 8192"},
        {"PNG of 5 bit RGB", pngFile(1, 2, 5, {"\0\0\0"}), "PNG colour type 2 with 5 bits does not exist"},
        {"PNG without pixels", png.substr(0, 33) + pngChunk("IEND"),
         "PNG file without pixels (no IDAT chunk)"},
        {"JPEG cut short", noEnd, "File ends before its end marker"},
        {"JPEG cut in its header", jpeg.substr(0, 30), "File ends within a segment"},
        {"JPEG of 8 x 32520", tall, "Picture size 8 x 32520 outside 1 x 1 to 8192 x 8192"},
        {"CMYK JPEG", cmyk, "JPEG with 4 colour components (only grey and colour ones are read)"},
    };
    cases.insert(cases.end(), std::begin(bad), std::end(bad));
}

std::vector<BadPicture> makeBadPictures() {
    std::vector<BadPicture> cases;
    // SDL reads these headers into pictures that a pixel read or a blit
    // cannot use: rows too short for the pixel size (2048 bits wrap to 0 in
    // its 8-bit field, 11544 to 24 bits of 163 bytes each), or 8 bits (8200)
    // without a palette.
    for (const std::uint16_t bits : {2048, 33, 64, 8200, 11544})
        cases.push_back(
            {std::to_string(bits) + " bits", bmpWithBitCount(bits), "Unsupported picture format"});

    // SDL would fill the fields a short file lacks from uninitialised memory.
    const std::string whole = bmpWithBitCount(24);
    std::string versionFour = whole.substr(0, 54);
    versionFour[14] = 108;  // a 108-byte header, of which the file holds 40
    std::string sizeZero = whole.substr(0, 40);
    sizeZero[14] = 0;  // read as the 40 bytes of the common header
    // Pixels of 32 bits that do not start right after the header: SDL reads
    // colour masks behind it, of which this file holds two.
    std::string maskless = bmpWithBitCount(32, 1, 1).substr(0, 62);
    maskless[10] = 58;
    const std::pair<const char*, std::string> shortHeaders[] = {{"a few bytes", std::string("BM\x10\x00", 4)},
                                                                {"half a header", whole.substr(0, 30)},
                                                                {"a longer header", versionFour},
                                                                {"a header of size 0", sizeZero},
                                                                {"no colour masks", maskless}};
    for (const auto& [name, bytes] : shortHeaders)
        cases.push_back({name, bytes, "File ends within its header"});

    // SDL allocates the picture before it reads the rows; a header asking for
    // more than 2 GiB failed inside SDL, so the rows must all be there first.
    const std::string rows16 = bmpWithBitCount(24, 16, 16);
    std::string topDownGiant = bmpWithBitCount(24, 13056, 1).substr(0, 200);
    const std::int32_t rows = -55296;
    std::memcpy(topDownGiant.data() + 22, &rows, 4);
    cases.push_back({"last row cut", rows16.substr(0, rows16.size() - 1), "File ends before its pixels"});
    cases.push_back({"giant top-down", topDownGiant, "File ends before its pixels"});

    // What SDL itself refuses, in its words.
    cases.push_back({"not a BMP", "not a picture at all", "File is not a Windows BMP file", true});
    cases.push_back({"compressed", bmpWithBitCount(8, 4, 4, 1), "Compressed BMP files not supported", true});
    addBadPngAndJpeg(cases);
    return cases;
}

}  // namespace

const std::vector<BadPicture>& badPictures() {
    static const std::vector<BadPicture> cases = makeBadPictures();
    return cases;
}

}  // namespace testsupport
