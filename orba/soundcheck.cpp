#include "orba/soundcheck.h"

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
    return music ? std::string() : "Not a WAVE file";
}

}  // namespace orba
