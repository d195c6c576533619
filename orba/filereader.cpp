#include "orba/filereader.h"

#include <utility>

namespace orba {

SDL_RWops* openFileReader(const std::string& path) {
    OpenedFile opened = openRegularFile(path);
    if (!opened) {
        SDL_SetError("Couldn't open %s", path.c_str());
        return nullptr;
    }
    return readerOf(std::move(opened.file));
}

SDL_RWops* readerOf(FilePtr file) {
    SDL_RWops* reader = SDL_RWFromFP(file.get(), SDL_TRUE);
    if (reader) file.release();  // the reader closes it now
    return reader;
}

}  // namespace orba
