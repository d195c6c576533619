#pragma once
// Owning handles for the SDL and SDL_mixer objects the platform layer keeps
// (the fonts' are in textbackend.h).
#include <SDL.h>
#include <SDL_mixer.h>

#include <memory>

struct SurfaceDeleter {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
struct ChunkDeleter {
    void operator()(Mix_Chunk* c) const { Mix_FreeChunk(c); }
};
struct MusicDeleter {
    void operator()(Mix_Music* m) const { Mix_FreeMusic(m); }
};
struct ReaderDeleter {
    void operator()(SDL_RWops* r) const { SDL_RWclose(r); }
};
struct JoystickDeleter {
    void operator()(SDL_Joystick* j) const { SDL_JoystickClose(j); }
};

using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;
using ChunkPtr = std::unique_ptr<Mix_Chunk, ChunkDeleter>;
using MusicPtr = std::unique_ptr<Mix_Music, MusicDeleter>;
using ReaderPtr = std::unique_ptr<SDL_RWops, ReaderDeleter>;
using JoystickPtr = std::unique_ptr<SDL_Joystick, JoystickDeleter>;
