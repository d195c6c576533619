// Any file is either refused by the sound-file check with an Error or, when
// the check lets it through, loaded, played and freed by the mixer without a
// fault as a sound effect. The same holds for music that is a WAVE file
// (starting with "RIFF" or "WAVE"), an Ogg file or too short to tell its
// type; music in other formats (FLAC, modules, ...) is the mixer's own and
// not fed to it here.
#include <SDL.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz_input_file.h"
#include "orba/orba.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    useDummyDrivers();
    Orba_init("fuzz", 640, 480, false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = writeFuzzInput(data, size);
    try {
        Orba_loadWAV("tmp", path);
        Orba_playWAV("tmp", 0, -1);
    } catch (const Error&) {}
    if (size >= 12 && std::memcmp(data, "RIFF", 4) != 0 && std::memcmp(data, "WAVE", 4) != 0 &&
        std::memcmp(data, "OggS", 4) != 0)
        return 0;
    try {
        Orba_playBgm(path, 0, 0);
        SDL_Delay(5);  // the mixer converts music while it plays
    } catch (const Error&) {}
    Orba_stopBgm(0);
    return 0;
}
