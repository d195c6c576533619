// Any file (BMP, PNG, JPEG or none of them) either loads as a picture that can be keyed, faded and drawn over
// two frames (whole, in part, off the edges), or ends in an Error.
//
// The first byte picks the colour key, the opacity and where the picture is
// drawn; the rest is the file.
#include <cstdint>
#include <cstdlib>

#include "fuzz_input_file.h"
#include "orba/orba.h"

namespace {

void drawTwoFrames(std::uint8_t choice) {
    const int w = Orba_getWidth("p"), h = Orba_getHeight("p");
    const int x = (choice & 0x10) ? -w / 2 : 640 - w / 3;
    for (int frame = 0; frame < 2; ++frame) {
        Orba_fillRect(0, 0, 0, 0, 0, 0, 0);
        Orba_draw("p", x, 10, 0, 0, 0, 0);
        Orba_drawEx("p", 320, 240, w / 4, h / 4, w / 2 + 1, h / 2 + 1);
        Orba_draw("p", 0, 470, -3, -3, w + 6, h + 6);
        Orba_flip();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    useDummyDrivers();
    Orba_init("fuzz", 640, 480, false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t choice = data[0];
    const int keys[4][3] = {{-2, 0, 0}, {-1, 0, 0}, {0, 255, 0}, {0, 0, 0}};
    const int* key = keys[choice & 3];
    try {
        Orba_loadBMP("p", writeFuzzInput(data + 1, size - 1), key[0], key[1], key[2]);
        if (choice & 4) Orba_setAlpha("p", (choice & 8) ? 128 : 255);
        drawTwoFrames(choice);
    } catch (const Error&) {}
    Orba_freeBMP("p");
    return 0;
}
