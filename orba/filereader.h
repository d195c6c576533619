#pragma once
// A game's files handed to SDL's loaders as readers over a file opened by
// openRegularFile, so that SDL never opens a FIFO or a device itself.
#include <SDL.h>

#include <string>

#include "gamefiles/regularfile.h"

namespace orba {

// The regular file at path as a reader that closes the file when freed, or
// null with SDL's error set to "Couldn't open " + path, as SDL_RWFromFile
// words it, when the file is missing, unreadable or not a regular file.
SDL_RWops* openFileReader(const std::string& path);

// An opened file as such a reader; null, with the file closed, when SDL
// cannot make one.
SDL_RWops* readerOf(FilePtr file);

}  // namespace orba
