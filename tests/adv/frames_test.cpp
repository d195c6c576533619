// A whole scene played frame by frame with the flip the program makes: the
// screens must be the same whether repeated and partly changed frames are
// drawn and presented only where they change, or every frame is drawn anew.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game_fixture.h"
#include "orba/orba_testing.h"

namespace {

using advtest::GameTest;

constexpr const char* scene = R"(
DRB('day.bmp', 1)
DRC('one.bmp', 0)
MSG('Mira: the lanterns are ready.')
MSG('')
MSG('Tom: %F1 of them, at least.')
PF()
DRB('night.bmp', 2)
DRC('one.bmp', 2)
FLASH('YELLOW', 2)
SHAKE(6, 2)
MSG('Which way?')
SELECT('Down to the lake', 'Up the hill', 'Home')
ERB(1)
DRB('day.bmp', 0)
ERC(-1)
MSG('After the choice.')
PF()
)";

class Frames : public GameTest {
protected:
    void writeScene() {
        testsupport::writeBMP("resource/level/day.bmp", 640, 480, [](int x, int y) {
            return static_cast<std::uint32_t>((x / 3) << 16 | (120 + y / 5) << 8 | (200 - y / 3));
        });
        testsupport::writeBMP("resource/level/night.bmp", 640, 480,
                              [](int x, int y) { return static_cast<std::uint32_t>((x ^ y) & 0x3f3f7f); });
        testsupport::writeBMP("resource/level/one.bmp", 100, 200, [](int x, int y) {
            return (x - 50) * (x - 50) + (y - 100) * (y - 100) < 2000 ? 0xe06080u : 0x00ff00u;
        });
    }

    // Plays the scene: the pointer wanders, and clicks advance it at fixed frames.
    std::vector<std::string> play(bool drawEveryFrameAnew) {
        if (!runner) makeRunner();  // before the flag: a new runner clears the flags
        setFlag(1, 12);
        start(scene);
        std::vector<std::string> screens;
        for (int frame = 0; frame < 110; ++frame) {
            testsupport::moveMouse(300 + (frame / 4) % 3 * 5, 150 + (frame % 20 < 10 ? 0 : 64));
            if (frame == 30 || frame == 70) testsupport::click();
            adv::runFrame(*runner, 0);
            screens.push_back(screenBytes());
            if (drawEveryFrameAnew) Orba_testBackBuffer();
        }
        return screens;
    }

    static void setFlag(int index, int value) { adv::setFlag(index, value); }

    static std::string screenBytes() {
        SDL_Surface* screen = Orba_testScreen();
        SDL_LockSurface(screen);
        std::string bytes(static_cast<const char*>(screen->pixels),
                          static_cast<std::size_t>(screen->pitch) * static_cast<std::size_t>(screen->h));
        SDL_UnlockSurface(screen);
        return bytes;
    }

    // Everything as SetUp made it, for a second run of the scene.
    void restart() {
        runner.reset();
        Orba_quit();
        testsupport::initWindow();
        Orba_openFont("MSGOTHIC24", System::FONT_SIZE, System::FONT);
        makeRunner();
    }
};

TEST_F(Frames, SceneShowsTheSameScreensAsFramesDrawnAnew) {
    writeScene();
    const std::vector<std::string> fast = play(false);
    const adv::RunnerState reached = static_cast<adv::RunnerState>(adv::course().state);
    restart();
    const std::vector<std::string> anew = play(true);
    EXPECT_EQ(adv::RunnerState::WaitPage, reached);  // the scene ran to its last page
    ASSERT_EQ(anew.size(), fast.size());
    int differing = 0;
    for (std::size_t i = 0; i < anew.size(); ++i) {
        if (anew[i] != fast[i]) ADD_FAILURE() << "frame " << i << " differs";
        differing += anew[i] != fast[i];
    }
    EXPECT_EQ(0, differing);
    EXPECT_NE(fast.front(), fast.back());
}

}  // namespace
