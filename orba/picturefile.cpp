// Which picture files become pictures: the type by content, then each type's checks.
#include "orba/picturefile.h"

#if defined(_WIN32) || defined(__EMSCRIPTEN__)
#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#else
#include <SDL_image.h>
#endif

#include <cstdio>
#include <memory>

#include "gamefiles/gamefiles.h"
#include "gamefiles/regularfile.h"
#include "orba/bmpfile.h"
#include "orba/pictureheaders.h"

namespace orba {
namespace {

// Empty for a file that is missing or not a regular file: readBMP reports it.
std::string firstBytes(const std::string& path) {
    const OpenedFile opened = openRegularFile(path);
    char bytes[8];
    const std::size_t got = opened ? std::fread(bytes, 1, sizeof bytes, opened.file.get()) : 0;
    return std::string(bytes, got);
}

#if defined(_WIN32) || defined(__EMSCRIPTEN__)
// SDL_image cannot be built from Debian's sources for Windows or the page,
// so its two readers are done here with the libraries it uses: PNG through
// libpng's simplified reader (32 bits with alpha when the file has any transparency,
// otherwise 24), JPEG through libjpeg, both in SDL_image's pixel layouts.
struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpegFailed(j_common_ptr info) {
    auto* error = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->jump, 1);
}

void jpegWarning(j_common_ptr) {}

// Only objects without destructors live between setjmp and longjmp here.
SDL_Surface* decodeJpegInto(const std::string& bytes, JpegError& error) {
    jpeg_decompress_struct info;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpegFailed;
    error.manager.output_message = jpegWarning;
    SDL_Surface* volatile picture = nullptr;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        SDL_FreeSurface(picture);
        return nullptr;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    picture = SDL_CreateRGBSurface(SDL_SWSURFACE, static_cast<int>(info.output_width),
                                   static_cast<int>(info.output_height), 24, 0x0000ff, 0x00ff00, 0xff0000, 0);
    if (!picture) std::snprintf(error.message, sizeof error.message, "%s", SDL_GetError());
    while (picture && info.output_scanline < info.output_height) {
        JSAMPROW row = static_cast<Uint8*>(picture->pixels) +
                       static_cast<std::ptrdiff_t>(info.output_scanline) * picture->pitch;
        jpeg_read_scanlines(&info, &row, 1);
    }
    if (picture) jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return picture;
}

SurfacePtr decodeJpeg(const std::string& bytes, std::string& error) {
    JpegError failure{};
    SurfacePtr picture(decodeJpegInto(bytes, failure));
    if (!picture) error = failure.message;
    return picture;
}

SurfacePtr decodePng(const std::string& bytes, std::string& error) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
        error = image.message;
        return nullptr;
    }
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;  // 16-bit files read like 8-bit ones, not as linear light
    const bool alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    SurfacePtr picture(SDL_CreateRGBSurface(SDL_SWSURFACE, static_cast<int>(image.width),
                                            static_cast<int>(image.height), alpha ? 32 : 24, 0x0000ff,
                                            0x00ff00, 0xff0000, alpha ? 0xff000000 : 0));
    if (!picture) {
        png_image_free(&image);
        error = SDL_GetError();
        return nullptr;
    }
    if (!png_image_finish_read(&image, nullptr, picture->pixels, picture->pitch, nullptr)) {
        error = image.message;
        return nullptr;
    }
    return picture;
}
#else
struct RWopsCloser {
    void operator()(SDL_RWops* rw) const { SDL_RWclose(rw); }
};

SurfacePtr decodeWithSdlImage(const std::string& bytes, PictureType type, std::string& error) {
    std::unique_ptr<SDL_RWops, RWopsCloser> source(
        SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())));
    if (!source) return nullptr;
    SurfacePtr picture(type == PictureType::Png ? IMG_LoadPNG_RW(source.get())
                                                : IMG_LoadJPG_RW(source.get()));
    if (!picture) error = IMG_GetError();
    return picture;
}

SurfacePtr decodePng(const std::string& bytes, std::string& error) {
    return decodeWithSdlImage(bytes, PictureType::Png, error);
}
SurfacePtr decodeJpeg(const std::string& bytes, std::string& error) {
    return decodeWithSdlImage(bytes, PictureType::Jpeg, error);
}
#endif

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
    std::string error;
    SurfacePtr picture =
        type == PictureType::Png ? decodePng(read.bytes, error) : decodeJpeg(read.bytes, error);
    if (!picture) return {nullptr, std::string("Damaged ") + name + " file: " + error};
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
