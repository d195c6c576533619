#pragma once
// FMF tile maps: a 20-byte little-endian header, then layers of 8-bit or
// 16-bit cell values.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "orba/error.h"

class Layer2D {
public:
    Layer2D(std::int32_t width, std::int32_t height, std::span<const std::uint8_t> cells);
    Layer2D(std::int32_t width, std::int32_t height, std::span<const std::uint16_t> cells);
    virtual ~Layer2D() = default;

    virtual std::int32_t get(std::int32_t x, std::int32_t y) const;        // -1 outside the grid
    virtual void set(std::int32_t x, std::int32_t y, std::int32_t value);  // ignored outside
    virtual void fill(std::int32_t value);
    virtual void copyFrom(const Layer2D& other);  // only when the sizes match
    virtual void print() const;

    std::vector<std::int32_t> values;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

class FMFLoader {
public:
    explicit FMFLoader(std::string_view path);  // loads the whole file or throws Error
    virtual ~FMFLoader() = default;

    virtual Layer2D* getLayer(std::int32_t index);  // nullptr outside 0..layerCount-1
    virtual void dump() const;

    std::string identifier;
    std::int32_t dataSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t chipWidth = 0;
    std::int32_t chipHeight = 0;
    std::int32_t layerCount = 0;
    std::int32_t bitCount = 0;
    std::vector<std::unique_ptr<Layer2D>> layers;
};
