// Any byte string either loads as a map whose cells can all be read, or ends in an Error.
#include <cstdint>

#include "fmfloader/fmfloader.h"
#include "fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        FMFLoader map(writeFuzzInput(data, size));
        for (std::int32_t i = -1; i <= map.layerCount; ++i) {
            Layer2D* layer = map.getLayer(i);
            if (!layer) continue;
            for (std::int32_t y = -1; y <= layer->height && y < 64; ++y)
                for (std::int32_t x = -1; x <= layer->width && x < 64; ++x) layer->get(x, y);
        }
    } catch (const Error&) {}
    return 0;
}
