#include "mediafiles.h"

#include <jpeglib.h>
#include <vorbis/vorbisenc.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace testsupport {
namespace {

void putBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift & 0xff);
}

}  // namespace

std::string pngChunk(const std::string& typeAndData) {
    std::string chunk;
    putBigEndian(chunk, static_cast<std::uint32_t>(typeAndData.size() - 4));
    chunk += typeAndData;
    putBigEndian(chunk, static_cast<std::uint32_t>(crc32(
                            0, reinterpret_cast<const Bytef*>(typeAndData.data()), typeAndData.size())));
    return chunk;
}

std::string pngFile(int width, int colourType, int bitDepth, const std::vector<std::string>& rows,
                    const std::vector<std::string>& chunks) {
    std::string header = "IHDR";
    putBigEndian(header, static_cast<std::uint32_t>(width));
    putBigEndian(header, static_cast<std::uint32_t>(rows.size()));
    header += {static_cast<char>(bitDepth), static_cast<char>(colourType), 0, 0, 0};
    std::string raw;
    for (const std::string& row : rows) raw += '\0' + row;
    uLongf size = compressBound(raw.size());
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
             raw.size());
    std::string file = "\x89PNG\r\n\x1a\n" + pngChunk(header);
    for (const std::string& chunk : chunks) file += pngChunk(chunk);
    return file + pngChunk("IDAT" + packed.substr(0, size)) + pngChunk("IEND");
}

std::string jpegFile(int width, int height, std::uint32_t rgb, bool grey) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = grey ? 1 : 3;
    info.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    const unsigned char colour[3] = {static_cast<unsigned char>(rgb >> 16),
                                     static_cast<unsigned char>(rgb >> 8), static_cast<unsigned char>(rgb)};
    std::string row;
    for (int x = 0; x < width; ++x) row.append(reinterpret_cast<const char*>(colour), grey ? 1 : 3);
    while (info.next_scanline < info.image_height) {
        JSAMPROW line = reinterpret_cast<JSAMPROW>(row.data());
        jpeg_write_scanlines(&info, &line, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string file(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return file;
}

std::string oggVorbisFile(double seconds, int rate, int channels) {
    vorbis_info info;
    vorbis_info_init(&info);
    vorbis_encode_init_vbr(&info, channels, rate, 0.0f);
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);
    std::string file;
    ogg_page page;
    auto takePages = [&](bool flush) {
        while (flush ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
            file.append(reinterpret_cast<const char*>(page.header),
                        static_cast<std::size_t>(page.header_len));
            file.append(reinterpret_cast<const char*>(page.body), static_cast<std::size_t>(page.body_len));
        }
    };
    ogg_packet id, comments, codebooks;
    vorbis_analysis_headerout(&dsp, &comment, &id, &comments, &codebooks);
    ogg_stream_packetin(&stream, &id);
    ogg_stream_packetin(&stream, &comments);
    ogg_stream_packetin(&stream, &codebooks);
    takePages(true);
    const int frames = static_cast<int>(seconds * rate);
    float** buffer = vorbis_analysis_buffer(&dsp, frames);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            buffer[c][i] = 0.1f * static_cast<float>(std::sin(i * 2 * 3.14159265 * 440 / rate));
    vorbis_analysis_wrote(&dsp, frames);
    vorbis_analysis_wrote(&dsp, 0);
    ogg_packet packet;
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
        vorbis_analysis(&block, nullptr);
        vorbis_bitrate_addblock(&block);
        while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
            ogg_stream_packetin(&stream, &packet);
            takePages(false);
        }
    }
    takePages(true);
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return file;
}

}  // namespace testsupport
