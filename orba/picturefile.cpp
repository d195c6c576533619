// Which picture files become pictures: the type by content, then each type's checks.
#include "orba/picturefile.h"

#include <SDL_image.h>

#include <cstdio>
#include <memory>

#include "gamefiles/gamefiles.h"
#include "orba/bmpfile.h"
#include "orba/pictureheaders.h"

namespace orba {
namespace {

struct RWopsCloser {
    void operator()(SDL_RWops* rw) const { SDL_RWclose(rw); }
};

std::string firstBytes(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    char bytes[8];
    const std::size_t got = file ? std::fread(bytes, 1, sizeof bytes, file.get()) : 0;
    return std::string(bytes, got);
}

// The decoders give 8 bits with a palette, 24 bits, or 32 bits with alpha.
bool decodedAsChecked(const SDL_Surface* picture, const PictureHeader& header) {
    const int bits = picture->format->BitsPerPixel;
    return picture->w == header.width && picture->h == header.height &&
           ((bits == 8 && picture->format->palette) || bits == 24 || bits == 32) &&
           picture->format->BytesPerPixel * 8 == bits;
}

PictureFile readCompressed(const std::string& path, PictureType type) {
    const char* name = type == PictureType::Png ? "PNG" : "JPEG";
    const BoundedRead read = readFileUpTo(path, maxPictureFileBytes);
    if (read.status == BoundedRead::TooLarge)
        return {nullptr, "File larger than " + std::to_string(maxPictureFileBytes >> 20) + " MiB"};
    if (read.status != BoundedRead::Read) return {nullptr, "Couldn't read the file"};
    const PictureHeader header =
        type == PictureType::Png ? checkPngHeader(read.bytes) : checkJpegHeader(read.bytes);
    if (!header.fault.empty()) return {nullptr, header.fault};
    std::unique_ptr<SDL_RWops, RWopsCloser> source(
        SDL_RWFromConstMem(read.bytes.data(), static_cast<int>(read.bytes.size())));
    if (!source) return {nullptr, "Out of memory"};
    SurfacePtr picture(type == PictureType::Png ? IMG_LoadPNG_RW(source.get())
                                                : IMG_LoadJPG_RW(source.get()));
    if (!picture) return {nullptr, std::string("Damaged ") + name + " file: " + IMG_GetError()};
    if (!decodedAsChecked(picture.get(), header)) return {nullptr, "Unsupported picture format"};
    SDL_SetColorKey(picture.get(), 0, 0);  // the engine decides which colour is transparent
    return {std::move(picture), {}};
}

}  // namespace

PictureFile readPicture(const std::string& path) {
    const PictureType type = pictureTypeOf(firstBytes(path));
    if (type == PictureType::Png || type == PictureType::Jpeg) return readCompressed(path, type);
    BMPFile bmp = readBMP(path);
    return {std::move(bmp.picture), std::move(bmp.reason), bmp.sdlReason};
}

}  // namespace orba
