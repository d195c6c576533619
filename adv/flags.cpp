#include "adv/flags.h"

#include <cstddef>

#include "adv/engine.h"

namespace adv {

namespace {

bool validFlag(std::int32_t index) { return index >= 0 && index < flagCount; }

}  // namespace

void setFlag(std::int32_t index, std::int32_t value) {
    if (validFlag(index)) flagState().flags[static_cast<std::size_t>(index)] = value;
}

std::int32_t getFlag(std::int32_t index) {
    return validFlag(index) ? flagState().flags[static_cast<std::size_t>(index)] : 0;
}

}  // namespace adv
