// FMFLoader reads a whole map file into memory and walks it once; Layer2D is
// one grid of cell values with bounds-tested accessors.
#include "fmfloader/fmfloader.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>

#include "gamefiles/gamefiles.h"

namespace {

constexpr std::size_t identifierSize = 4;
constexpr std::size_t headerSize = 20;
constexpr std::size_t maxBytes = std::numeric_limits<std::int32_t>::max();

std::string sizeText(std::int32_t width, std::int32_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

// Number of cells of a width x height grid; throws when the grid cannot
// exist, so that no caller allocates a wrapped-around size.
std::size_t cellCount(std::int32_t width, std::int32_t height, const std::string& what) {
    if (width < 0 || height < 0) throw Error(what + ": negative size " + sizeText(width, height));
    const std::int64_t cells = std::int64_t{width} * height;
    if (cells > std::int64_t{maxBytes}) throw Error(what + ": too many cells " + sizeText(width, height));
    return static_cast<std::size_t>(cells);
}

template <typename Cell>
std::vector<std::int32_t> widen(std::int32_t width, std::int32_t height, std::span<const Cell> cells) {
    const std::size_t count = cellCount(width, height, "Layer2D");
    if (cells.size() < count)
        throw Error("Layer2D: " + std::to_string(cells.size()) + " cell values for a " +
                    sizeText(width, height) + " grid");
    return std::vector<std::int32_t>(cells.begin(), cells.begin() + static_cast<std::ptrdiff_t>(count));
}

// Walks the file's bytes; every read has been checked against the end first.
class ByteReader {
public:
    explicit ByteReader(std::string_view bytes)
        : bytes_(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()) {}

    bool has(std::uint64_t count) const { return count <= bytes_.size() - pos_; }
    const std::uint8_t* take(std::size_t count) {
        const std::uint8_t* start = bytes_.data() + pos_;
        pos_ += count;
        return start;
    }
    std::int32_t byte() { return *take(1); }
    std::int32_t int32() {
        const std::uint8_t* b = take(4);
        return static_cast<std::int32_t>(std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 |
                                         std::uint32_t{b[2]} << 16 | std::uint32_t{b[3]} << 24);
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

std::vector<std::uint16_t> littleEndian16(const std::uint8_t* bytes, std::size_t count) {
    std::vector<std::uint16_t> cells(count);
    for (std::size_t i = 0; i < count; ++i)
        cells[i] = static_cast<std::uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return cells;
}

}  // namespace

Layer2D::Layer2D(std::int32_t width, std::int32_t height, std::span<const std::uint8_t> cells)
    : values(widen(width, height, cells)), width(width), height(height) {}

Layer2D::Layer2D(std::int32_t width, std::int32_t height, std::span<const std::uint16_t> cells)
    : values(widen(width, height, cells)), width(width), height(height) {}

std::int32_t Layer2D::get(std::int32_t x, std::int32_t y) const {
    if (x < 0 || x >= width || y < 0 || y >= height) return -1;
    return values[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
}

void Layer2D::set(std::int32_t x, std::int32_t y, std::int32_t value) {
    if (x < 0 || x >= width || y < 0 || y >= height) return;
    values[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
        value;
}

void Layer2D::fill(std::int32_t value) { std::fill(values.begin(), values.end(), value); }

void Layer2D::copyFrom(const Layer2D& other) {
    if (other.width != width || other.height != height) return;
    values = other.values;
}

void Layer2D::print() const {
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) std::printf("%d ", get(x, y));
        std::printf("\n");
    }
}

FMFLoader::FMFLoader(std::string_view pathView) {
    const std::string path(pathView);
    const std::optional<std::string> contents = readWholeFile(path);
    if (!contents) throw Error("FMF file '" + path + "' cannot be read");
    ByteReader reader(*contents);

    if (!reader.has(identifierSize)) throw Error("FMF file too short for its identifier (" + path + ")");
    identifier.assign(reinterpret_cast<const char*>(reader.take(identifierSize)), identifierSize);
    if (identifier != "FMF_") throw Error("Invalid FMF format (" + path + ")");

    if (!reader.has(headerSize - identifierSize))
        throw Error("FMF file too short for its header (" + path + ")");
    dataSize = reader.int32();
    width = reader.int32();
    height = reader.int32();
    chipWidth = reader.byte();
    chipHeight = reader.byte();
    layerCount = reader.byte();
    bitCount = reader.byte();

    const std::size_t cells = cellCount(width, height, "FMF header (" + path + ")");
    const bool eightBit = bitCount == 8;  // any other bit count means two bytes per cell
    const std::size_t layerBytes = eightBit ? cells : 2 * cells;
    if (layerBytes > maxBytes)
        throw Error("FMF header (" + path + "): layer too large " + sizeText(width, height));

    layers.reserve(static_cast<std::size_t>(layerCount));
    for (std::int32_t i = 0; i < layerCount; ++i) {
        if (!reader.has(layerBytes))
            throw Error("FMF file too short for layer " + std::to_string(i) + " (" + path + ")");
        const std::uint8_t* data = reader.take(layerBytes);
        if (eightBit) {
            layers.push_back(std::make_unique<Layer2D>(width, height, std::span(data, cells)));
        } else {
            const std::vector<std::uint16_t> wide = littleEndian16(data, cells);
            layers.push_back(std::make_unique<Layer2D>(width, height, std::span(wide)));
        }
    }
}

Layer2D* FMFLoader::getLayer(std::int32_t index) {
    if (index < 0 || index >= layerCount) return nullptr;
    return layers[static_cast<std::size_t>(index)].get();
}

void FMFLoader::dump() const {
    std::printf("identifier='%.*s' datasize=%d (w,h)=(%d,%d) chip(x,y)=(%d,%d) layer=%d bit=%d\n",
                static_cast<int>(identifier.size()), identifier.data(), dataSize, width, height, chipWidth,
                chipHeight, layerCount, bitCount);
    for (std::size_t i = 0; i < layers.size(); ++i) {
        std::printf("Layer-%d\n", static_cast<int>(i));
        layers[i]->print();
    }
}
