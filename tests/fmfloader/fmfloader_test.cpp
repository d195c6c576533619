#include "fmfloader/fmfloader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fmfmaps.h"
#include "testsupport.h"

using testsupport::TempDir;
using testsupport::writeFile;

namespace {

// Loads bytes written to "map.fmf" and returns the Error text, or "" if it loaded.
std::string loadError(const std::string& bytes) {
    writeFile("map.fmf", bytes);
    try {
        FMFLoader map("map.fmf");
    } catch (const Error& error) {
        return error.what();
    }
    return "";
}

}  // namespace

TEST(FMFLoader, Loads8BitMapWithItsHeader) {
    TempDir dir;
    writeFile("map.fmf", fmfHeader({.dataSize = 99,
                                    .width = 3,
                                    .height = 2,
                                    .chipWidth = 16,
                                    .chipHeight = 32,
                                    .layers = 2,
                                    .bits = 8}) +
                             cells8({1, 2, 3, 4, 5, 255}) + cells8({0, 0, 0, 0, 7, 0}) +
                             "bytes after the last layer are ignored");
    FMFLoader map("map.fmf");
    EXPECT_EQ(map.identifier, "FMF_");
    EXPECT_EQ(map.dataSize, 99);
    EXPECT_EQ(map.width, 3);
    EXPECT_EQ(map.height, 2);
    EXPECT_EQ(map.chipWidth, 16);
    EXPECT_EQ(map.chipHeight, 32);
    EXPECT_EQ(map.layerCount, 2);
    EXPECT_EQ(map.bitCount, 8);
    ASSERT_NE(map.getLayer(0), nullptr);
    ASSERT_NE(map.getLayer(1), nullptr);
    EXPECT_EQ(map.getLayer(0)->values, (std::vector<std::int32_t>{1, 2, 3, 4, 5, 255}));
    EXPECT_EQ(map.getLayer(0)->get(2, 0), 3);
    EXPECT_EQ(map.getLayer(0)->get(0, 1), 4);
    EXPECT_EQ(map.getLayer(1)->get(1, 1), 7);
    EXPECT_EQ(map.getLayer(2), nullptr);
    EXPECT_EQ(map.getLayer(-1), nullptr);
}

// Layer 1 holds 0x0102 stored as 02 01 and 0xFFFF: read as 258 and 65535
// with two bytes per cell, and a misread cell width shows in its values.
TEST(FMFLoader, OnlyBitCount8ReadsOneBytePerCell) {
    for (int bits : {0, 4, 8, 16, 32, 255}) {
        SCOPED_TRACE(bits);
        TempDir dir;
        const bool eightBit = bits == 8;
        writeFile("map.fmf", fmfHeader({.width = 2, .height = 1, .layers = 2, .bits = bits}) +
                                 (eightBit ? cells8({0, 0}) + cells8({2, 1})
                                           : cells16({0, 0}) + cells16({0x0102, 0xFFFF})));
        FMFLoader map("map.fmf");
        ASSERT_NE(map.getLayer(1), nullptr);
        EXPECT_EQ(map.getLayer(1)->get(0, 0), eightBit ? 2 : 258);
        EXPECT_EQ(map.getLayer(1)->get(1, 0), eightBit ? 1 : 65535);
    }
}

TEST(FMFLoader, LayerCountZeroGivesNoLayer) {
    TempDir dir;
    writeFile("map.fmf", fmfHeader({.width = 4, .height = 4, .layers = 0, .bits = 8}));
    FMFLoader map("map.fmf");
    EXPECT_EQ(map.layerCount, 0);
    EXPECT_EQ(map.getLayer(0), nullptr);
}

TEST(FMFLoader, ShortFilesFailNamingPathAndWhatWasShort) {
    const std::string header8 = fmfHeader({.width = 2, .height = 2, .layers = 2, .bits = 8});
    const std::string header16 = fmfHeader({.width = 2, .height = 2, .layers = 1, .bits = 16});
    const struct {
        std::string bytes;
        std::string text;
    } cases[] = {
        {"", "FMF file too short for its identifier (map.fmf)"},
        {"FMF", "FMF file too short for its identifier (map.fmf)"},
        {"FMF_", "FMF file too short for its header (map.fmf)"},
        {header8.substr(0, 19), "FMF file too short for its header (map.fmf)"},
        {header8, "FMF file too short for layer 0 (map.fmf)"},
        {header8 + cells8({1, 2, 3, 4, 5, 6, 7}), "FMF file too short for layer 1 (map.fmf)"},
        {header16 + cells16({1, 2, 3}) + "x", "FMF file too short for layer 0 (map.fmf)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TempDir dir;
        EXPECT_EQ(loadError(c.bytes), c.text);
    }
}

TEST(FMFLoader, WrongIdentifierIsInvalidFormat) {
    TempDir dir;
    std::string bytes = fmfHeader({.width = 1, .height = 1, .layers = 1, .bits = 8}) + cells8({1});
    bytes.replace(0, 4, "fmf_");
    EXPECT_EQ(loadError(bytes), "Invalid FMF format (map.fmf)");
}

TEST(FMFLoader, UnreadableFileNamesThePath) {
    TempDir dir;
    std::filesystem::create_directory("folder.fmf");
    std::vector<std::string> paths = testsupport::makeSpecialFiles(".fmf");
    paths.insert(paths.end(), {"missing.fmf", "folder.fmf"});
    for (const std::string& path : paths) {
        try {
            FMFLoader map(path);
            ADD_FAILURE() << path << " loaded";
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), "FMF file '" + path + "' cannot be read");
        }
    }
}

// Headers whose layer size is negative or wraps around in 32 bits must not
// load, even when the wrapped size would match the bytes in the file.
TEST(FMFLoader, ImpossibleGridSizesAreRejected) {
    const struct {
        std::int32_t width, height, bits;
    } cases[] = {
        {-1, 4, 8},         {4, -1, 8}, {INT32_MIN, INT32_MIN, 8},
        {65536, 65536, 8},   // 2^32 cells: wraps to 0 in 32 bits
        {32768, 65536, 8},   // 2^31 cells
        {32768, 32768, 16},  // 2^30 cells, 2^31 bytes
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        TempDir dir;
        const std::string text =
            loadError(fmfHeader({.width = c.width, .height = c.height, .layers = 1, .bits = c.bits}));
        EXPECT_NE(text.find("FMF header (map.fmf)"), std::string::npos) << text;
    }
}

TEST(Layer2D, GetAndSetTestTheBounds) {
    const std::vector<std::uint8_t> cells{1, 2, 3, 4, 5, 6};
    Layer2D layer(3, 2, std::span(cells));
    const std::vector<std::int32_t> before = layer.values;
    for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, 2}, {0, -1}, {INT32_MIN, INT32_MAX}}) {
        SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
        EXPECT_EQ(layer.get(x, y), -1);
        layer.set(x, y, 42);
        EXPECT_EQ(layer.values, before);
    }
    layer.set(2, 1, 42);
    EXPECT_EQ(layer.get(2, 1), 42);
    EXPECT_EQ(layer.values[5], 42);
}

TEST(Layer2D, FillAndCopyFrom) {
    const std::vector<std::uint16_t> cells(6, 0);
    Layer2D target(3, 2, std::span(cells));
    Layer2D sameSize(3, 2, std::span(cells));
    Layer2D turned(2, 3, std::span(cells));  // same cell count, other dimensions
    sameSize.fill(7);
    turned.fill(9);

    target.copyFrom(turned);
    EXPECT_EQ(target.values, std::vector<std::int32_t>(6, 0));
    target.copyFrom(sameSize);
    EXPECT_EQ(target.values, std::vector<std::int32_t>(6, 7));
}

TEST(Layer2D, ConstructorRejectsTooFewCellsAndNegativeSizes) {
    const std::vector<std::uint8_t> cells{1, 2, 3};
    EXPECT_THROW(Layer2D(2, 2, std::span(cells)), Error);
    EXPECT_THROW(Layer2D(-1, 1, std::span(cells)), Error);
    Layer2D fewer(1, 2, std::span(cells));  // extra input values are left out
    EXPECT_EQ(fewer.values, (std::vector<std::int32_t>{1, 2}));
}
