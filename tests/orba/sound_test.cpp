// Sound effects and music, checked through the mixer's own state under the dummy driver.
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

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
    Orba_playWAV("se", -1, 0); // occupies channel 0
    for (const int channel : {8, -5, 1000}) {
        SCOPED_TRACE(channel);
        const int before = playingChannels();
        Orba_playWAV("se", -1, channel);
        EXPECT_EQ(playingChannels(), before + 1);
        EXPECT_TRUE(Mix_Playing(before)); // the lowest channel that was free
    }
    EXPECT_FALSE(Mix_Playing(4));
}

TEST_F(Sound, PlayingAnAbsentKeyRaises) {
    EXPECT_EQ(testsupport::errorText([] { Orba_playWAV("never", 0, -1); }), "Orba_playWAV: Has exist key: never");
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
        EXPECT_EQ(testsupport::errorText([] { Orba_playWAV("tmp", 0, -1); }), "Orba_playWAV: Has exist key: tmp");
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
    Orba_stopBgm(0); // no music: nothing to do
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

} // namespace
