#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "orba/orba.h"
#include "orba/orba_testing.h"
#include "orba/sdl_handles.h"
#include "testsupport.h"

using namespace testsupport;

namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { initWindow(); }
    void TearDown() override { Orba_quit(); }
    TempDir dir;
};

std::string quitText() {
    return errorText([] { Orba_update(0); });
}

TEST_F(WindowTest, HeldKeyIsPushedInItsFirstFrameOnly) {
    pushKey(SDLK_a, true);
    Orba_update(0);
    EXPECT_TRUE(Orba_isPushKey(SDLK_a));
    EXPECT_TRUE(Orba_isPressKey(SDLK_a));
    Orba_update(0);
    EXPECT_FALSE(Orba_isPushKey(SDLK_a));
    EXPECT_TRUE(Orba_isPressKey(SDLK_a));
    pushKey(SDLK_a, false);
    Orba_update(0);
    EXPECT_FALSE(Orba_isPressKey(SDLK_a));
}

TEST_F(WindowTest, PressReleasedWithinOneFrameGivesExactlyOnePush) {
    tapKey(SDLK_b);
    click();
    Orba_update(0);
    EXPECT_TRUE(Orba_isPushKey(SDLK_b));
    EXPECT_EQ(SDL_BUTTON_LMASK, Orba_getPushMouse());
    EXPECT_TRUE(Orba_isPushDecide());
    Orba_update(0);
    EXPECT_FALSE(Orba_isPushKey(SDLK_b));
    EXPECT_EQ(0, Orba_getPushMouse());
    EXPECT_FALSE(Orba_isPushDecide());
    for (int frame = 0; frame < 3; ++frame) {  // a tap in every frame is a push in every frame
        click();
        Orba_update(0);
        EXPECT_TRUE(Orba_isPushDecide()) << frame;
    }
}

TEST_F(WindowTest, DecideComesFromConfirmKeysLeftButtonAndJoystickButtonZero) {
    Orba_testAttachJoystick(2);
    const std::function<void()> confirms[] = {
        [] { tapKey(SDLK_z); },
        [] { tapKey(SDLK_RETURN); },
        [] { tapKey(SDLK_SPACE); },
        [] { click(); },
        [] {
            pushJoyButton(0, true);
            pushJoyButton(0, false);
        },
    };
    for (const auto& confirm : confirms) {
        confirm();
        Orba_update(0);
        EXPECT_TRUE(Orba_isPushDecide());
        Orba_update(0);
    }
    const std::function<void()> others[] = {
        [] { tapKey(SDLK_x); },
        [] {
            pushMouseButton(SDL_BUTTON_RIGHT, true);
            pushMouseButton(SDL_BUTTON_RIGHT, false);
        },
        [] {
            pushJoyButton(1, true);
            pushJoyButton(1, false);
        },
    };
    for (const auto& other : others) {
        other();
        Orba_update(0);
        EXPECT_FALSE(Orba_isPushDecide());
    }
}

TEST_F(WindowTest, KeyAndButtonIndexesOutsideTheirRangesAnswerFalse) {
    Orba_update(0);
    for (int sym : {-1, 323, 100000}) {
        EXPECT_FALSE(Orba_isPressKey(sym));
        EXPECT_FALSE(Orba_isPushKey(sym));
    }
}

TEST_F(WindowTest, WithoutJoystickEveryJoystickQueryIsFalse) {
    pushJoyButton(0, true);
    pushJoyAxis(1, -32000);
    Orba_update(0);
    for (int i = -1; i <= 4; ++i) {
        EXPECT_FALSE(Orba_isPushJoy(i));
        EXPECT_FALSE(Orba_isPressJoyDir(i));
        EXPECT_FALSE(Orba_isPushJoyDir(i));
    }
}

TEST_F(WindowTest, JoystickButtonsAreGuardedByTheirCount) {
    Orba_testAttachJoystick(3);
    pushJoyButton(2, true);
    Orba_update(0);
    EXPECT_TRUE(Orba_isPushJoy(2));
    EXPECT_FALSE(Orba_isPushJoy(3));
    EXPECT_FALSE(Orba_isPushJoy(-1));
    Orba_update(0);
    EXPECT_FALSE(Orba_isPushJoy(2));
}

TEST_F(WindowTest, StickCountsOnlyStrictlyBeyondTheThreshold) {
    Orba_testAttachJoystick(1);
    struct Case {
        int axis;
        std::int16_t value;
        int dir;
        bool pushed;
    };
    const Case cases[] = {
        {1, -26214, 0, false}, {1, -26215, 0, true}, {1, 26214, 1, false},  {1, 26215, 1, true},
        {0, 26214, 2, false},  {0, 26215, 2, true},  {0, -26214, 3, false}, {0, -26215, 3, true},
    };
    for (const auto& c : cases) {
        pushJoyAxis(0, 0);
        pushJoyAxis(1, 0);
        Orba_update(0);
        pushJoyAxis(c.axis, c.value);
        Orba_update(0);
        EXPECT_EQ(c.pushed, Orba_isPressJoyDir(c.dir)) << c.value << " dir " << c.dir;
        EXPECT_EQ(c.pushed, Orba_isPushJoyDir(c.dir)) << c.value << " dir " << c.dir;
        EXPECT_FALSE(Orba_isPressJoyDir(4));
        Orba_update(0);
        EXPECT_EQ(c.pushed, Orba_isPressJoyDir(c.dir));
        EXPECT_FALSE(Orba_isPushJoyDir(c.dir));
    }
}

TEST_F(WindowTest, EscapeAndCloseRequestEndWithTheQuitMessage) {
    pushKey(SDLK_ESCAPE, true);
    EXPECT_EQ("dOrba system quit.", quitText());
    Orba_logException(Error(quitText()));
    EXPECT_EQ("dOrba system quit.", lastLogLine());
}

TEST_F(WindowTest, CloseRequestIsKeptWhenOtherEventsFollowIt) {
    pushQuit();
    tapKey(SDLK_a);
    EXPECT_EQ("dOrba system quit.", quitText());
}

TEST_F(WindowTest, PacingNeverSleepsForZeroOrLateFramesButWaitsOtherwise) {
    for (int i = 0; i < 5; ++i) Orba_update(0);
    EXPECT_EQ(0u, Orba_testDelayCalls());
    Orba_update(33);
    const std::uint32_t before = Orba_testDelayCalls();
    SDL_Delay(45);
    Orba_update(33);
    EXPECT_EQ(before, Orba_testDelayCalls());
    Orba_update(20000);  // beyond 9999 ms is not waited for
    EXPECT_EQ(before, Orba_testDelayCalls());
    Orba_update(0);
    Orba_update(25);
    EXPECT_GT(Orba_testDelayCalls(), before);
}

// Frames that only wait keep the period and sleep once each, never in steps.
TEST_F(WindowTest, WaitingFramesKeepThePeriodWithOneSleepEach) {
    constexpr int frames = 30;
    Orba_update(33);
    const std::uint32_t before = Orba_testDelayCalls();
    const Uint32 start = SDL_GetTicks();
    for (int i = 0; i < frames; ++i) Orba_update(33);
    EXPECT_GE(SDL_GetTicks() - start, static_cast<Uint32>(frames * 33 - 1));
    const std::uint32_t sleeps = Orba_testDelayCalls() - before;
    EXPECT_GE(sleeps, 1u);
    EXPECT_LE(sleeps, static_cast<std::uint32_t>(frames));
}

TEST_F(WindowTest, SecondInitChangesNothing) {
    SDL_Surface* screen = Orba_testScreen();
    Orba_init("other", 320, 200, true);
    EXPECT_EQ(screen, Orba_testScreen());
    EXPECT_EQ(640, Orba_testBackBuffer()->w);
}

TEST_F(WindowTest, PalettisedDesktopGetsA32BitScreen) {
    EXPECT_EQ(32, Orba_testScreen()->format->BitsPerPixel);
    EXPECT_EQ(32, Orba_testBackBuffer()->format->BitsPerPixel);
}

TEST_F(WindowTest, F12WritesAndOverwritesTheScreenshot) {
    Orba_fillRect(0, 0, 0, 0, 255, 0, 0);
    Orba_flip();
    tapKey(SDLK_F12);
    Orba_update(0);
    ASSERT_TRUE(std::filesystem::exists("screenshot.bmp"));
    std::filesystem::remove("screenshot.bmp");
    Orba_fillRect(0, 0, 0, 0, 0, 0, 255);
    Orba_flip();
    tapKey(SDLK_F12);
    Orba_update(0);
    SurfacePtr shot(SDL_LoadBMP("screenshot.bmp"));
    ASSERT_TRUE(shot);
    EXPECT_EQ(640, shot->w);
    EXPECT_EQ(480, shot->h);
}

// Both replace a link of their name instead of writing through it.
TEST_F(WindowTest, TheScreenshotAndTheLogNeverWriteThroughALink) {
#ifdef _WIN32
    GTEST_SKIP() << "links need rights Windows does not give by default";
#endif
    testsupport::writeFile("outside", "outside's own");
    for (const char* name : {"screenshot.bmp", "run.log"}) {
        std::filesystem::remove(name);
        std::filesystem::create_symlink("outside", name);
    }
    tapKey(SDLK_F12);
    Orba_update(0);
    Orba_quit();
    initWindow();  // the log starts anew
    Orba_logText("a line\n");
    EXPECT_EQ(testsupport::readFile("outside"), "outside's own");
    EXPECT_EQ(testsupport::readFile("run.log"), "a line\n");
    EXPECT_FALSE(std::filesystem::is_symlink("run.log") || std::filesystem::is_symlink("screenshot.bmp"));
}

TEST_F(WindowTest, F9TogglesFullScreenAndKeepsDrawing) {
    tapKey(SDLK_F9);
    Orba_update(0);
    ASSERT_NE(nullptr, Orba_testScreen());
    EXPECT_TRUE(Orba_testScreen()->flags & SDL_FULLSCREEN);
    Orba_fillRect(0, 0, 0, 0, 0, 255, 0);
    Orba_flip();
    EXPECT_EQ(0x00ff00u, screenPixel(10, 10));
    tapKey(SDLK_F9);
    Orba_update(0);
    EXPECT_FALSE(Orba_testScreen()->flags & SDL_FULLSCREEN);
}

TEST(RunLog, InitEmptiesItAndLogKeepsUtf8Bytes) {
    TempDir dir;
    writeFile("run.log", "old run\n");
    initWindow();
    EXPECT_EQ("", readFile("run.log"));
    ::testing::internal::CaptureStdout();
    Orba_log("%s\n", "Grüße, 世界");
    Orba_log("%d%% and %d\n", 50);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ("Grüße, 世界\n50% and %d\n", out);
    EXPECT_EQ(out, readFile("run.log"));
    Orba_quit();
}

TEST(RunLog, QuitIsSafeWithoutInitAndTwiceAfterIt) {
    Orba_quit();
    Orba_quit();
    initWindow();
    Orba_quit();
    Orba_quit();
    SUCCEED();
}

}  // namespace

namespace {

// The quit check polls only when some milliseconds have passed since the last poll.
void checkQuitLater() {
    SDL_Delay(12);
    Orba_checkQuit();
}

TEST_F(WindowTest, QuitCheckBetweenFramesKeepsInputForTheNextSnapshot) {
    Orba_testAttachJoystick(1);
    Orba_update(0);
    click();
    tapKey(SDLK_a);
    pushJoyAxis(1, 30000);
    checkQuitLater();
    EXPECT_FALSE(Orba_isPressJoyDir(1));  // this frame's snapshot stays as it was
    Orba_update(0);
    EXPECT_TRUE(Orba_isPushDecide());
    EXPECT_TRUE(Orba_isPushKey(SDLK_a));
    EXPECT_TRUE(Orba_isPushJoyDir(1));
    pushQuit();
    EXPECT_EQ("dOrba system quit.", errorText(checkQuitLater));
}

TEST_F(WindowTest, QuitCheckSeesEscape) {
    tapKey(SDLK_ESCAPE);
    EXPECT_THROW(checkQuitLater(), Error);
}

// Switched off, Escape is only a key of the frame, for the frame and the
// check alike; the close request still quits.
TEST_F(WindowTest, EscapeSwitchedOffIsAKeyAndTheCloseRequestStillQuits) {
    Orba_setEscapeQuits(false);
    tapKey(SDLK_ESCAPE);
    checkQuitLater();
    EXPECT_EQ("(no error)", quitText());
    EXPECT_TRUE(Orba_isPushKey(SDLK_ESCAPE));
    pushQuit();
    EXPECT_EQ("dOrba system quit.", quitText());
}

// Two presses polled before one snapshot give a push in that frame and one in
// the next, also when the second came from a quit check in between.
TEST_F(WindowTest, EveryPressGivesItsOwnPush) {
    Orba_testAttachJoystick(1);
    struct Case {
        const char* input;
        std::function<void()> press;
        std::function<bool()> pushed;
    };
    const Case cases[] = {
        {"key", [] { tapKey(SDLK_z); }, [] { return Orba_isPushKey(SDLK_z); }},
        {"click", click, [] { return (Orba_getPushMouse() & SDL_BUTTON_LMASK) != 0; }},
        {"joystick",
         [] {
             pushJoyButton(0, true);
             pushJoyButton(0, false);
         },
         [] { return Orba_isPushJoy(0); }},
    };
    for (const Case& c : cases) {
        c.press();
        c.press();
        Orba_update(0);
        c.press();
        checkQuitLater();
        for (int frame = 0; frame < 3; ++frame) {
            EXPECT_TRUE(c.pushed()) << c.input << " frame " << frame;
            EXPECT_TRUE(Orba_isPushDecide()) << c.input << " frame " << frame;
            Orba_update(0);
        }
        EXPECT_FALSE(c.pushed()) << c.input;
    }
}

}  // namespace
