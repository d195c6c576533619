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
// per sample, and then a data chunk, every chunk within the file. An Ogg file must be one Vorbis stream
// of whole pages with 1 or 2 channels and 1000 to 384000 Hz, and as an effect decode to at most 64 MiB.
// An effect must be one of these two; music in other formats is left to the mixer, but must have at
// least 12 bytes.
// The file is read from where it stands; the mixer reads it after a rewind,
// so that what it reads is what was checked.
std::string soundFileFault(const OpenedFile& file, bool music);

// The format a sound file's first bytes show: "WAV", "Ogg", "MP3", "FLAC",
// "MIDI", or empty for one not known here. The engine plays WAV and Ogg
// Vorbis everywhere; the others only where the system's mixer reads them.
std::string soundFormatName(const std::string& path);

}  // namespace orba
