#pragma once
// The check a sound file passes before the mixer reads it. The mixer's rate
// conversion corrupts memory for rates far from its own, and its music
// reader frees memory twice or never stops on some chunk layouts, or leaks
// its reader on a file too short to tell its type. Its readers of other
// formats for effects leak on bad files and overflow the stack on a FLAC
// stream of rate 0.
#include <string>

#include "gamefiles/regularfile.h"

namespace orba {

// What makes the file unsafe for the mixer, or empty when it may read it:
// a WAVE file (as the mixer tells them for effects or for music) must hold, in the order the mixer reads
// them, any "LIST" and "fact" chunks, a format chunk with 1 to 8 channels, 1000 to 384000 Hz and 1 to 32 bits
// per sample, and then a data chunk, every chunk within the file. An effect must be a WAVE file; music in
// other formats is left to the mixer, but must have at least 12 bytes.
// The file is read from where it stands; the mixer reads it after a rewind,
// so that what it reads is what was checked.
std::string soundFileFault(const OpenedFile& file, bool music);

}  // namespace orba
