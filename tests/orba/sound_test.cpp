// Sound effects and music, checked through the mixer's own state under the dummy driver.
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "mediafiles.h"
#include "orba/orba.h"
#include "orba/orba_testing.h"
#include "testsupport.h"

using namespace testsupport;

namespace {

class Sound : public ::testing::Test {
protected:
    void SetUp() override {
        initWindow();
        writeWAV("beep.wav", 2205);
        writeWAV("boop.wav", 4410);
        writeWAV("tune.wav", 22050);
    }
    void TearDown() override { Orba_quit(); }

    static int playingChannels() { return Mix_Playing(-1); }

    TempDir dir;
};

TEST_F(Sound, ChannelOutsideTheRangePlaysOnTheFirstFreeChannel) {
    Orba_loadWAV("se", "beep.wav");
    Orba_playWAV("se", -1, 0);  // occupies channel 0
    for (const int channel : {8, -5, 1000}) {
        SCOPED_TRACE(channel);
        const int before = playingChannels();
        Orba_playWAV("se", -1, channel);
        EXPECT_EQ(playingChannels(), before + 1);
        EXPECT_TRUE(Mix_Playing(before));  // the lowest channel that was free
    }
    EXPECT_FALSE(Mix_Playing(4));
}

TEST_F(Sound, PlayingAnAbsentKeyRaises) {
    EXPECT_EQ(testsupport::errorText([] { Orba_playWAV("never", 0, -1); }),
              "Orba_playWAV: Has exist key: never");
    Orba_loadWAV("se", "beep.wav");
    EXPECT_EQ(testsupport::errorText([] { Orba_playWAV("SE", 0, -1); }), "Orba_playWAV: Has exist key: SE");
}

TEST_F(Sound, ReloadingAKeyStopsTheChannelPlayingTheOldSample) {
    Orba_loadWAV("tmp", "beep.wav");
    Orba_loadWAV("other", "beep.wav");
    Orba_playWAV("tmp", -1, 3);
    Orba_playWAV("other", -1, 5);
    Orba_loadWAV("tmp", "boop.wav");
    EXPECT_FALSE(Mix_Playing(3));
    EXPECT_TRUE(Mix_Playing(5));
    Orba_playWAV("tmp", -1, 3);
    EXPECT_TRUE(Mix_Playing(3));
}

TEST_F(Sound, FailedLoadRaisesAndAFailedReloadRemovesTheKey) {
    writeFile("noise.wav", "RIFF but not really a wave file");
    for (const char* file : {"missing.wav", "noise.wav"}) {
        SCOPED_TRACE(file);
        Orba_loadWAV("tmp", "beep.wav");
        Orba_playWAV("tmp", -1, 2);
        const std::string message = testsupport::errorText([file] { Orba_loadWAV("tmp", file); });
        EXPECT_TRUE(message.starts_with("Orba_loadWAV: ")) << message;
        EXPECT_TRUE(message.ends_with(std::string(" (") + file + ")")) << message;
        EXPECT_FALSE(Mix_Playing(2));
        EXPECT_EQ(testsupport::errorText([] { Orba_playWAV("tmp", 0, -1); }),
                  "Orba_playWAV: Has exist key: tmp");
    }
}

TEST_F(Sound, BgmReplacesThePlayingMusicAtOnce) {
    Orba_playBgm("tune.wav", -1, 0);
    EXPECT_TRUE(Mix_PlayingMusic());
    // A fade of ten minutes: waiting for it to end would hang the test.
    Orba_stopBgm(600000);
    EXPECT_EQ(Mix_FadingMusic(), MIX_FADING_OUT);
    Orba_playBgm("tune.wav", -1, 600000);
    EXPECT_TRUE(Mix_PlayingMusic());
    EXPECT_EQ(Mix_FadingMusic(), MIX_FADING_IN);
}

TEST_F(Sound, StopBgmAtOnceAfterAFadeOutHaltsTheMusic) {
    Orba_stopBgm(0);  // no music: nothing to do
    Orba_stopBgm(500);
    EXPECT_FALSE(Mix_PlayingMusic());

    Orba_playBgm("tune.wav", -1, 0);
    Orba_stopBgm(600000);
    EXPECT_TRUE(Mix_PlayingMusic());
    Orba_stopBgm(0);
    EXPECT_FALSE(Mix_PlayingMusic());
    Orba_stopBgm(0);
    EXPECT_FALSE(Mix_PlayingMusic());
}

TEST_F(Sound, MissingMusicRaisesAndLeavesSilence) {
    Orba_playBgm("tune.wav", -1, 0);
    const std::string message = testsupport::errorText([] { Orba_playBgm("missing.ogg", -1, 0); });
    EXPECT_TRUE(message.starts_with("Orba_playBgm: ")) << message;
    EXPECT_GT(message.size(), std::string("Orba_playBgm: ").size());
    EXPECT_FALSE(Mix_PlayingMusic());
    Orba_stopBgm(0);
    Orba_playBgm("tune.wav", 0, 0);
    EXPECT_TRUE(Mix_PlayingMusic());
}

// The mixer would open a folder and leak its reader (caught by the sanitizer build).
TEST_F(Sound, MusicFromAFolderRaisesAndLeavesSilence) {
    writeFile("music/inside.wav", "");
    Orba_playBgm("tune.wav", -1, 0);
    for (const char* folder : {"music", "music/", "."}) {
        SCOPED_TRACE(folder);
        EXPECT_EQ(testsupport::errorText([folder] { Orba_playBgm(folder, -1, 0); }),
                  std::string("Orba_playBgm: Couldn't open '") + folder + "'");
        EXPECT_FALSE(Mix_PlayingMusic());
    }
}

// Frames over more time than the mixer must be quiet before it is held.
void quietFrames() {
    Orba_update(0);
    SDL_Delay(600);
    Orba_update(0);
}

// Steps frames until the condition holds, for at most two seconds.
bool framesUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 100 && !done(); ++i) {
        SDL_Delay(20);
        Orba_update(0);
    }
    return done();
}

// A held mixer still loads and frees samples, and a sample started while it
// is held is mixed at once and to its end. Quitting while held must not hang.
TEST_F(Sound, QuietMixerIsHeldAndASampleReleasesIt) {
    Orba_update(0);
    EXPECT_FALSE(Orba_testMixerHeld());  // not before the quiet has lasted
    quietFrames();
    ASSERT_TRUE(Orba_testMixerHeld());
    Orba_loadWAV("se", "beep.wav");
    Orba_loadWAV("se", "boop.wav");
    EXPECT_TRUE(Orba_testMixerHeld());
    Orba_playWAV("se", 0, -1);
    EXPECT_FALSE(Orba_testMixerHeld());
    EXPECT_EQ(playingChannels(), 1);
    EXPECT_TRUE(framesUntil([] { return playingChannels() == 0; }));
    quietFrames();
    EXPECT_TRUE(Orba_testMixerHeld());
}

// Music keeps the mixer running for as long as it plays, a fade included;
// music that faded out is halted and replaced while the mixer is held.
TEST_F(Sound, MusicKeepsTheMixerRunningUntilItStops) {
    quietFrames();
    Orba_playBgm("tune.wav", -1, 100);
    EXPECT_FALSE(Orba_testMixerHeld());
    quietFrames();
    EXPECT_FALSE(Orba_testMixerHeld());
    EXPECT_EQ(Mix_FadingMusic(), MIX_NO_FADING);  // the fade-in was mixed
    Orba_stopBgm(100);
    EXPECT_TRUE(framesUntil([] { return !Mix_PlayingMusic(); }));
    quietFrames();
    ASSERT_TRUE(Orba_testMixerHeld());
    Orba_playBgm("tune.wav", 0, 0);
    EXPECT_FALSE(Orba_testMixerHeld());
    Orba_stopBgm(0);
    quietFrames();
    EXPECT_TRUE(Orba_testMixerHeld());
}

TEST_F(Sound, QuitStopsEverythingAndAFreshInitStartsEmpty) {
    Orba_loadWAV("tmp", "beep.wav");
    Orba_playWAV("tmp", -1, -1);
    Orba_playBgm("tune.wav", -1, 0);
    Orba_quit();
    initWindow();
    EXPECT_EQ(playingChannels(), 0);
    EXPECT_FALSE(Mix_PlayingMusic());
    EXPECT_EQ(testsupport::errorText([] { Orba_playWAV("tmp", 0, -1); }), "Orba_playWAV: Has exist key: tmp");
}

}  // namespace

namespace {

std::string le(std::uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xff);
    return out;
}

std::string chunk(const std::string& id, const std::string& body, std::uint32_t size = UINT32_MAX) {
    return id + le(size == UINT32_MAX ? static_cast<std::uint32_t>(body.size()) : size, 4) + body;
}

std::string format(std::uint32_t channels, std::uint32_t rate, std::uint32_t bits) {
    return chunk("fmt ", le(1, 2) + le(channels, 2) + le(rate, 4) + le(rate * channels * bits / 8, 4) +
                             le(channels * bits / 8, 2) + le(bits, 2));
}

std::string wave(const std::string& chunks) {
    return "RIFF" + le(static_cast<std::uint32_t>(chunks.size() + 4), 4) + "WAVE" + chunks;
}

const std::string samples = chunk("data", std::string(4000, '\0'));

}  // namespace

// Headers whose values or layout make the mixer corrupt memory, free twice,
// loop for ever or leak are refused, for effects and music alike, before the
// mixer sees them; unusual but sound layouts still play.
TEST_F(Sound, UnsafeWaveFilesAreRefusedBeforeTheMixerReadsThem) {
    struct Case {
        std::string bytes, fault;
    };
    const Case cases[] = {
        {wave(format(1, 8, 16) + samples), "Sample rate 8 outside 1000 to 384000"},
        {wave(format(1, 0, 16) + samples), "Sample rate 0 outside 1000 to 384000"},
        {wave(format(1, 100, 8) + samples), "Sample rate 100 outside 1000 to 384000"},
        {wave(format(2, 100000000, 16) + samples), "Sample rate 100000000 outside 1000 to 384000"},
        {wave(format(1, 4294967295u, 16) + samples), "Sample rate 4294967295 outside 1000 to 384000"},
        {wave(format(0, 22050, 16) + samples), "Channel count 0 outside 1 to 8"},
        {wave(format(1, 22050, 0) + samples), "Bits per sample 0 outside 1 to 32"},
        {wave(chunk("fmt ", "\1\0\1\0") + samples), "Format chunk too short"},
        {wave(chunk("junk", "ab") + format(1, 22050, 16) + samples), "No format chunk before chunk 'junk'"},
        {wave(samples + format(1, 22050, 16)), "No format chunk before chunk 'data'"},
        {wave(format(1, 22050, 16)), "No data chunk"},
        {wave(format(1, 22050, 16) + chunk("data", "ab", 0xfffffff0u)),
         "Chunk 'data' runs past the end of the file"},
        {wave(chunk("LIST", "ab", 0x7ffffff0) + format(1, 22050, 16) + samples),
         "Chunk 'LIST' runs past the end of the file"},
        {wave(""), "No format chunk"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        writeFile("bad.wav", c.bytes);
        EXPECT_EQ(errorText([] { Orba_loadWAV("tmp", "bad.wav"); }),
                  "Orba_loadWAV: " + c.fault + " (bad.wav)");
        EXPECT_EQ(errorText([] { Orba_playBgm("bad.wav", -1, 0); }),
                  "Orba_playBgm: " + c.fault + " (bad.wav)");
    }
    // Effects may also hold "WAVE" where the RIFF size belongs; the chunks follow it.
    writeFile("bad.wav", "RIFFWAVE" + format(1, 8, 16) + samples);
    EXPECT_EQ(errorText([] { Orba_loadWAV("tmp", "bad.wav"); }),
              "Orba_loadWAV: Sample rate 8 outside 1000 to 384000 (bad.wav)");
    for (const std::string& good :
         {wave(chunk("LIST", "info") + format(2, 1000, 8) + chunk("note", "x") + samples),
          wave(format(8, 384000, 16) + samples)}) {
        writeFile("good.wav", good);
        EXPECT_EQ(errorText([] { Orba_loadWAV("tmp", "good.wav"); }), "(no error)");
        EXPECT_EQ(errorText([] { Orba_playBgm("good.wav", 0, 0); }), "(no error)");
    }
}

// The mixer leaks its reader on music too short to tell its type; the
// sanitizer build's leak check sees any such leak.
TEST_F(Sound, MusicTooShortToTellItsTypeIsRefused) {
    for (const char* file : {"z.wav", "z.xyz", "z.mod"}) {
        writeFile(file, std::string(file).ends_with(".mod") ? "MOD" : "");
        EXPECT_EQ(errorText([file] { Orba_playBgm(file, -1, 0); }),
                  std::string("Orba_playBgm: File ends within its header (") + file + ")");
        EXPECT_FALSE(Mix_PlayingMusic());
    }
}

// The mixer's readers of other formats leak on bad effects, and its FLAC
// reader overflows the stack on a stream of rate 0, so an effect must be a
// WAVE file; the sanitizer build sees any leak or overflow.
TEST_F(Sound, EffectsThatAreNotWaveFilesAreRefused) {
    const struct {
        std::string bytes, fault;
    } cases[] = {
        {"fLaCRI\027A]&", "File ends within its header"},
        {"", "File ends within its header"},
        {"fLaC\x80\0\0\x22" + std::string(34, '\0'), "Not a WAVE or Ogg Vorbis file"},
        {"OggS" + std::string(60, 'x'), "Bad Ogg page at byte 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        writeFile("z.wav", c.bytes);
        EXPECT_EQ(errorText([] { Orba_loadWAV("tmp", "z.wav"); }), "Orba_loadWAV: " + c.fault + " (z.wav)");
    }
}

// Ogg Vorbis music and effects play; damaged or unplayable Ogg files, and
// streams the mixer would mishandle, are refused before it reads them.
TEST_F(Sound, OggVorbisPlaysAndBadOggFilesAreRefused) {
    const std::string good = oggVorbisFile(0.3);
    writeFile("good.ogg", good);
    Orba_loadWAV("fx", "good.ogg");
    Orba_playWAV("fx", 0, 2);
    EXPECT_TRUE(Mix_Playing(2));
    Orba_playBgm("good.ogg", -1, 0);
    EXPECT_TRUE(Mix_PlayingMusic());
    Orba_stopBgm(0);

    std::string opus = good, chained = good + good, fiveChannels = good, slow = good;
    opus.replace(28, 8, "OpusHead");
    fiveChannels[39] = 5;
    slow.replace(40, 4, std::string("\xE7\x03\0\0", 4));  // 999 Hz
    const struct {
        std::string bytes, fault;
    } cases[] = {
        {good.substr(0, good.size() - 1), "File ends within an Ogg page"},
        {opus, "Ogg Opus is not played (the engine plays WAV and Ogg Vorbis)"},
        {chained, "Ogg file holds more than one stream"},
        {fiveChannels, "Channel count 5 outside 1 to 2"},
        {slow, "Sample rate 999 outside 1000 to 384000"},
        {good + std::string(40, 'j'), "Bad Ogg page at byte " + std::to_string(good.size())},
    };
    // An effect is decoded whole: its last sample position bounds it; music streams.
    std::string endless = good;
    endless.replace(good.rfind("OggS") + 6, 8, std::string("\0\0\0\0\0\x01\0\0", 8));
    writeFile("endless.ogg", endless);
    EXPECT_EQ(errorText([] { Orba_loadWAV("tmp", "endless.ogg"); }),
              "Orba_loadWAV: Sound effect longer than 64 MiB of samples (endless.ogg)");
    EXPECT_EQ(errorText([] { Orba_playBgm("endless.ogg", 0, 0); }), "(no error)");
    Orba_stopBgm(0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        writeFile("z.ogg", c.bytes);
        EXPECT_EQ(errorText([] { Orba_loadWAV("tmp", "z.ogg"); }), "Orba_loadWAV: " + c.fault + " (z.ogg)");
        EXPECT_EQ(errorText([] { Orba_playBgm("z.ogg", 0, 0); }), "Orba_playBgm: " + c.fault + " (z.ogg)");
    }
}
