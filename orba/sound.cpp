// Sound effects under string keys on the mixer's channels, and one streamed music.
#include <filesystem>
#include <string>
#include <system_error>

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
    if (!s.music) return;
    Mix_HaltMusic();
    s.music.reset();
}

}  // namespace

void Orba_loadWAV(std::string_view key, std::string_view file) {
    auto& sounds = orba::state().sounds;
    auto old = sounds.find(key);
    // Freeing the old sample stops every channel still playing it.
    if (old != sounds.end()) old->second.reset();
    const std::string path(file);
    const std::string fault = orba::soundFileFault(path, false);
    ChunkPtr chunk(fault.empty() ? Mix_LoadWAV(path.c_str()) : nullptr);
    if (!chunk) {
        if (old != sounds.end()) sounds.erase(old);
        throw Error("Orba_loadWAV: " + (fault.empty() ? std::string(SDL_GetError()) : fault) + " (" + path +
                    ")");
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
    // The mixer opens a folder like a file and leaks its reader when it then
    // cannot tell the format, so a folder is refused here.
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw Error("Orba_playBgm: Couldn't open '" + path + "'");
    if (const std::string fault = orba::soundFileFault(path, true); !fault.empty())
        throw Error("Orba_playBgm: " + fault + " (" + path + ")");
    s.music.reset(Mix_LoadMUS(path.c_str()));
    if (!s.music) throw Error(std::string("Orba_playBgm: ") + SDL_GetError());
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
    state().sounds.clear();
}

}  // namespace orba

bool Orba_testMixerHeld() { return orba::state().mixerHold != nullptr; }
