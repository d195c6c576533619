// Sound effects under string keys on the mixer's channels, and one streamed music.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>

#include "orba/filereader.h"
#include "orba/orba.h"
#include "orba/orba_state.h"
#include "orba/orba_testing.h"
#include "orba/soundcheck.h"

namespace {

constexpr int lastChannel = 7;  // the mixer's default 8 channels, 0 to 7

// How long nothing must play before the mixer's thread is held. Looping
// music can look stopped for up to one buffer (46 ms) at the end of its
// data, until the mixer starts it again; a wait of many buffers never
// mistakes that for the end.
constexpr std::uint32_t quietBeforeHoldMs = 500;

// Halts the music before freeing it: freeing music that fades out would wait
// for the fade to end.
void haltAndFreeMusic() {
    orba::State& s = orba::state();
    if (s.music) Mix_HaltMusic();
    s.music.reset();
    s.musicFile.reset();
}

// Whether the name ends in "." and one of the extensions, in any case.
bool hasExtension(const std::string& path, std::initializer_list<std::string_view> names) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) return false;
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (std::string_view name : names)
        if (extension == name) return true;
    return false;
}

// The mixer's first guess of a music file's type, from its name, as its own
// loader by name makes it; MUS_NONE lets it look at the contents.
Mix_MusicType musicTypeByName(const std::string& path) {
    if (hasExtension(path, {"WAV"})) return MUS_WAV;
    if (hasExtension(path, {"MID", "MIDI", "KAR"})) return MUS_MID;
    if (hasExtension(path, {"OGG"})) return MUS_OGG;
    if (hasExtension(path, {"FLAC"})) return MUS_FLAC;
    if (hasExtension(path, {"MPG", "MPEG", "MP3", "MAD"})) return MUS_MP3;
    return MUS_NONE;
}

// A sound file opened once, checked and handed on as a reader, so that the
// mixer reads the very file that was checked: no reader and no fault when it
// cannot be opened (missing, or not a regular file).
struct CheckedSound {
    ReaderPtr reader;
    std::string fault;
};

CheckedSound openSound(const std::string& path, bool music) {
    OpenedFile opened = openRegularFile(path);
    if (!opened) return {};
    std::string fault = orba::soundFileFault(opened, music);
    if (!fault.empty()) return {nullptr, std::move(fault)};
    std::rewind(opened.file.get());
    return {ReaderPtr(orba::readerOf(std::move(opened.file))), {}};
}

// The music streamed from the file the reader holds, which must outlive it.
MusicPtr loadMusic(SDL_RWops* file, const std::string& path) {
    Mix_SetError("%s", "");
    MusicPtr music(Mix_LoadMUSType_RW(file, musicTypeByName(path), SDL_FALSE));
    if (!music && *Mix_GetError() == '\0') Mix_SetError("Couldn't open '%s'", path.c_str());
    return music;
}

}  // namespace

void Orba_loadWAV(std::string_view key, std::string_view file) {
    auto& sounds = orba::state().sounds;
    auto old = sounds.find(key);
    // Freeing the old sample stops every channel still playing it.
    if (old != sounds.end()) old->second.reset();
    const std::string path(file);
    CheckedSound sound = openSound(path, false);
    // Without a reader the mixer reports "Mix_LoadWAV_RW with NULL src", as for a missing file.
    ChunkPtr chunk(sound.fault.empty() ? Mix_LoadWAV_RW(sound.reader.release(), 1) : nullptr);
    if (!chunk) {
        if (old != sounds.end()) sounds.erase(old);
        throw Error("Orba_loadWAV: " + (sound.fault.empty() ? std::string(SDL_GetError()) : sound.fault) +
                    " (" + path + ")");
    }
    if (old != sounds.end())
        old->second = std::move(chunk);
    else
        sounds.emplace(std::string(key), std::move(chunk));
}

void Orba_playWAV(std::string_view key, int loops, int channel) {
    auto& sounds = orba::state().sounds;
    const auto sound = sounds.find(key);
    if (sound == sounds.end()) throw Error("Orba_playWAV: Has exist key: " + std::string(key));
    if (channel < -1 || channel > lastChannel) channel = -1;
    // No free channel means the effect is not heard; that is not an error.
    Mix_PlayChannel(channel, sound->second.get(), loops);
    orba::soundStarted();
}

void Orba_playBgm(std::string_view file, int loops, int fadeInMs) {
    orba::State& s = orba::state();
    haltAndFreeMusic();
    const std::string path(file);
    // The music is streamed from the file opened here for as long as it
    // plays: a folder, a FIFO or a device is refused, and the reader is freed
    // here, not by the mixer, which leaks it when it cannot tell the format.
    CheckedSound sound = openSound(path, true);
    if (!sound.fault.empty()) throw Error("Orba_playBgm: " + sound.fault + " (" + path + ")");
    if (!sound.reader) throw Error("Orba_playBgm: Couldn't open '" + path + "'");
    MusicPtr music = loadMusic(sound.reader.get(), path);
    if (!music) throw Error(std::string("Orba_playBgm: ") + SDL_GetError());
    s.musicFile = std::move(sound.reader);
    s.music = std::move(music);
    const int result =
        fadeInMs <= 0 ? Mix_PlayMusic(s.music.get(), loops) : Mix_FadeInMusic(s.music.get(), loops, fadeInMs);
    if (result != 0) throw Error(std::string("Orba_playBgm: ") + SDL_GetError());
    orba::soundStarted();
}

void Orba_stopBgm(int fadeOutMs) {
    orba::State& s = orba::state();
    if (!s.music) return;
    if (fadeOutMs <= 0)
        haltAndFreeMusic();
    else
        Mix_FadeOutMusic(fadeOutMs);  // stays loaded until replaced or Orba_quit
}

namespace {

int mixerVolume(int percent) { return std::clamp(percent, 0, 100) * MIX_MAX_VOLUME / 100; }

}  // namespace

void Orba_setMusicVolume(int percent) {
    if (orba::state().audioOpen) Mix_VolumeMusic(mixerVolume(percent));
}

void Orba_setSoundVolume(int percent) {
    if (orba::state().audioOpen) Mix_Volume(-1, mixerVolume(percent));
}

namespace orba {

// Unheld, the mixer's thread wakes once per buffer (about 21 times a
// second), mixing silence when nothing plays. Pausing the device stops only
// the mixing, not the wake-ups; closing it stalls the frame until the thread
// ends and needs it opened again, perhaps in another format than the loaded
// samples, before the next sound. Held, the thread stops before its next
// buffer, so what it has mixed still plays out, and a sample started while it
// is held is mixed as soon as it is released, without waiting for a buffer.
void settleSound() {
    State& s = state();
    if (!s.audioOpen || s.mixerHold) return;  // held, nothing starts to play but through soundStarted
    if (Mix_Playing(-1) > 0 || Mix_PlayingMusic()) {
        s.quietSince.reset();
        return;
    }
    const std::uint32_t now = SDL_GetTicks();
    if (!s.quietSince)
        s.quietSince = now;
    else if (now - *s.quietSince >= quietBeforeHoldMs)
        s.mixerHold = std::make_unique<MixerHold>();
}

std::optional<std::uint32_t> msUntilSoundCheck() {
    const State& s = state();
    if (!s.audioOpen || s.mixerHold) return std::nullopt;
    if (!s.quietSince) return quietBeforeHoldMs;  // while something plays, whether it has ended
    const std::uint32_t quiet = SDL_GetTicks() - *s.quietSince;
    return quiet >= quietBeforeHoldMs ? 0 : quietBeforeHoldMs - quiet;
}

void soundStarted() {
    state().mixerHold.reset();
    state().quietSince.reset();
}

void closeSound() {
    state().mixerHold.reset();  // closing the device waits for the mixer's thread
    Mix_HaltChannel(-1);
    Mix_HaltMusic();
    state().music.reset();
    state().musicFile.reset();
    state().sounds.clear();
}

}  // namespace orba

bool Orba_testMixerHeld() { return orba::state().mixerHold != nullptr; }
