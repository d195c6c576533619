#include "orba/soundcheck.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace orba {
namespace {

constexpr std::uint32_t minRate = 1000;
constexpr std::uint32_t maxRate = 384000;
constexpr std::uint32_t maxChannels = 8;
constexpr std::uint32_t maxBits = 32;
constexpr int maxChunks = 256;             // walked before the data; real files have a few
constexpr std::uint64_t headerBytes = 12;  // "RIFF", its size, "WAVE"; also what tells music types apart
constexpr std::uint32_t maxOggChannels = 2;
constexpr int maxOggPages = 1 << 20;  // 4 GiB of pages as encoders write them
constexpr std::uint64_t oggPageHeaderBytes = 27;
constexpr std::uint64_t vorbisHeaderBytes = 30;  // the identification packet
// An effect is decoded whole, in 16 bits per sample, before it plays.
constexpr std::uint64_t maxEffectBytes = std::uint64_t{64} << 20;

std::uint32_t le(const unsigned char* p, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | p[i];
    return value;
}

// Random access to a file of known size; reads never go past its end.
class SoundFile {
public:
    explicit SoundFile(const OpenedFile& file) : file_(file.file.get()), size_(file.size) {}
    std::uint64_t size() const { return size_; }
    bool read(std::uint64_t at, unsigned char* into, std::size_t count) {
        return at <= size() && count <= size() - at &&
               std::fseek(file_, static_cast<long>(at), SEEK_SET) == 0 &&
               std::fread(into, 1, count, file_) == count;
    }

private:
    std::FILE* file_;
    std::uint64_t size_;
};

struct Chunk {
    std::string id;
    std::uint64_t body = 0;  // where its contents start
    std::uint32_t size = 0;
};

bool readChunk(SoundFile& file, std::uint64_t at, Chunk& chunk) {
    unsigned char header[8];
    if (!file.read(at, header, sizeof header)) return false;
    chunk = Chunk{std::string(reinterpret_cast<const char*>(header), 4), at + 8, le(header + 4, 4)};
    return true;
}

std::string outside(const char* what, std::uint32_t value, std::uint32_t low, std::uint32_t high) {
    return std::string(what) + " " + std::to_string(value) + " outside " + std::to_string(low) + " to " +
           std::to_string(high);
}

// The format chunk's channels, rate and bits.
std::string formatFault(SoundFile& file, const Chunk& format) {
    unsigned char fields[16];
    if (format.size < sizeof fields || !file.read(format.body, fields, sizeof fields))
        return "Format chunk too short";
    const std::uint32_t channels = le(fields + 2, 2), rate = le(fields + 4, 4), bits = le(fields + 14, 2);
    if (channels < 1 || channels > maxChannels) return outside("Channel count", channels, 1, maxChannels);
    if (rate < minRate || rate > maxRate) return outside("Sample rate", rate, minRate, maxRate);
    if (bits < 1 || bits > maxBits) return outside("Bits per sample", bits, 1, maxBits);
    return {};
}

// The chunks as both of the mixer's readers walk them from `at`: no padding
// between them, "LIST" and "fact" before the format, anything between it and
// the data.
std::string waveFault(SoundFile& file, std::uint64_t at) {
    bool formatSeen = false;
    for (int walked = 0; walked < maxChunks; ++walked) {
        Chunk chunk;
        if (!readChunk(file, at, chunk)) return formatSeen ? "No data chunk" : "No format chunk";
        if (chunk.size > file.size() - chunk.body)
            return "Chunk '" + chunk.id + "' runs past the end of the file";
        if (!formatSeen && chunk.id == "fmt ") {
            if (std::string fault = formatFault(file, chunk); !fault.empty()) return fault;
            formatSeen = true;
        } else if (!formatSeen && chunk.id != "LIST" && chunk.id != "fact") {
            return "No format chunk before chunk '" + chunk.id + "'";
        } else if (formatSeen && chunk.id == "data") {
            return {};
        }
        at = chunk.body + chunk.size;
    }
    return "Too many chunks";
}

bool is(const unsigned char* bytes, const char* tag) { return std::memcmp(bytes, tag, 4) == 0; }

std::uint64_t le64(const unsigned char* p) { return std::uint64_t{le(p + 4, 4)} << 32 | le(p, 4); }

// The Vorbis identification packet that opens the stream: its channels and rate.
std::string vorbisFault(SoundFile& file, std::uint64_t at, std::uint32_t packetBytes,
                        std::uint32_t& channels) {
    unsigned char id[vorbisHeaderBytes];
    if (packetBytes >= 8 && file.read(at, id, 8) && std::memcmp(id, "OpusHead", 8) == 0)
        return "Ogg Opus is not played (the engine plays WAV and Ogg Vorbis)";
    if (packetBytes != vorbisHeaderBytes || !file.read(at, id, sizeof id) || id[0] != 1 ||
        std::memcmp(id + 1, "vorbis", 6) != 0 || le(id + 7, 4) != 0)
        return "Ogg stream is not Vorbis (the engine plays WAV and Ogg Vorbis)";
    channels = id[11];
    if (channels < 1 || channels > maxOggChannels)
        return outside("Channel count", channels, 1, maxOggChannels);
    const std::uint32_t rate = le(id + 12, 4);
    if (rate < minRate || rate > maxRate) return outside("Sample rate", rate, minRate, maxRate);
    return {};
}

// An Ogg Vorbis file: one logical stream of whole pages, from the first
// byte to the last, opened by a Vorbis identification header. The last
// sample position of an effect bounds what the mixer decodes of it.
std::string oggFault(SoundFile& file, bool music) {
    std::uint64_t at = 0, lastSample = 0;
    std::uint32_t serial = 0, channels = 0;
    for (int pages = 0; at < file.size(); ++pages) {
        unsigned char page[oggPageHeaderBytes], lacing[255];
        if (pages == maxOggPages) return "Too many Ogg pages";
        if (!file.read(at, page, sizeof page)) return "File ends within an Ogg page";
        if (!is(page, "OggS") || page[4] != 0) return "Bad Ogg page at byte " + std::to_string(at);
        if (!file.read(at + sizeof page, lacing, page[26])) return "File ends within an Ogg page";
        std::uint64_t body = 0;
        for (int i = 0; i < page[26]; ++i) body += lacing[i];
        const std::uint64_t bodyAt = at + sizeof page + page[26];
        if (body > file.size() - bodyAt) return "File ends within an Ogg page";
        const bool first = at == 0;
        if (!first && (le(page + 14, 4) != serial || (page[5] & 2)))
            return "Ogg file holds more than one stream";
        if (first && (!(page[5] & 2) || page[26] == 0)) return "Ogg file does not begin a stream";
        if (first) {
            serial = le(page + 14, 4);
            if (std::string fault = vorbisFault(file, bodyAt, lacing[0], channels); !fault.empty())
                return fault;
        }
        if (const std::uint64_t granule = le64(page + 6); granule != ~std::uint64_t{0})
            lastSample = std::max(lastSample, granule);
        at = bodyAt + body;
    }
    if (!music && lastSample > maxEffectBytes / (2 * channels))
        return "Sound effect longer than " + std::to_string(maxEffectBytes >> 20) + " MiB of samples";
    return {};
}

// Where the mixer reads the first chunk of a WAVE file, or 0 for another
// file. Sound effects also take "WAVE" in place of the RIFF size (the
// chunks then follow it); music takes only "RIFF", a size and "WAVE".
std::uint64_t firstChunk(const unsigned char* header, bool music) {
    if (!music && is(header + 4, "WAVE") && (is(header, "RIFF") || is(header, "WAVE"))) return 8;
    return is(header, "RIFF") && is(header + 8, "WAVE") ? headerBytes : 0;
}

}  // namespace

std::string soundFileFault(const OpenedFile& opened, bool music) {
    SoundFile file(opened);
    unsigned char header[headerBytes];
    if (!file.read(0, header, sizeof header)) return "File ends within its header";
    const std::uint64_t chunks = firstChunk(header, music);
    if (chunks) return waveFault(file, chunks);
    if (is(header, "OggS")) return oggFault(file, music);
    return music ? std::string() : "Not a WAVE or Ogg Vorbis file";
}

std::string soundFormatName(const std::string& path) {
    const OpenedFile opened = openRegularFile(path);
    if (!opened) return {};
    SoundFile file(opened);
    unsigned char header[headerBytes] = {};
    if (!file.read(0, header, std::min<std::uint64_t>(file.size(), sizeof header))) return {};
    if (firstChunk(header, false)) return "WAV";
    if (is(header, "OggS")) return "Ogg";
    if (is(header, "fLaC")) return "FLAC";
    if (is(header, "MThd")) return "MIDI";
    if (std::memcmp(header, "ID3", 3) == 0 || (header[0] == 0xFF && (header[1] & 0xE0) == 0xE0)) return "MP3";
    return {};
}

}  // namespace orba
