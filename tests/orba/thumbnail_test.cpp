// Save thumbnails: the last frame shown, shrunk by averaging, as a BMP the engine reads.
#include <gtest/gtest.h>

#include <filesystem>

#include "orba/bmpfile.h"
#include "orba/display.h"
#include "orba/orba.h"
#include "orba/orba_testing.h"
#include "orba/thumbnail.h"
#include "testsupport.h"

using namespace testsupport;

namespace {

class ThumbnailTest : public ::testing::Test {
protected:
    void SetUp() override { initWindow(); }
    void TearDown() override { Orba_quit(); }

    // The thumbnail loaded as a picture and drawn at the top left of a black back buffer.
    void showThumbnail(const char* file) {
        ASSERT_TRUE(orba::readBMP(file).picture) << orba::readBMP(file).reason;
        Orba_loadBMP("thumb", file, -2, 0, 0);
        EXPECT_EQ(Orba_getWidth("thumb"), thumbnailWidth);
        EXPECT_EQ(Orba_getHeight("thumb"), thumbnailHeight);
        Orba_fillRect(0, 0, 0, 0, 0, 0, 0);
        Orba_draw("thumb", 0, 0, 0, 0, 0, 0);
    }
    TempDir dir;
};

TEST_F(ThumbnailTest, ShowsTheFrameShownAveragedOverBlocks) {
    Orba_fillRect(0, 0, 0, 0, 0, 0, 255);
    Orba_fillRect(0, 0, 320, 240, 255, 0, 0);
    Orba_fillRect(400, 240, 2, 4, 255, 255, 255);  // half of the block of thumbnail pixel (100, 60)
    Orba_fillRect(639, 479, 1, 1, 255, 255, 255);  // one of the 16 pixels of the last block
    Orba_flip();
    Orba_fillRect(0, 0, 0, 0, 0, 255, 0);  // the next frame has begun: not in the picture
    ASSERT_TRUE(Orba_saveThumbnail("thumb.bmp"));
    showThumbnail("thumb.bmp");
    EXPECT_EQ(pixel(0, 0), 0xff0000u);
    EXPECT_EQ(pixel(79, 59), 0xff0000u);
    EXPECT_EQ(pixel(80, 59), 0x0000ffu);
    EXPECT_EQ(pixel(100, 60), 0x8080ffu);
    EXPECT_EQ(pixel(159, 119), 0x1010ffu);  // red and green 255 / 16, rounded
    EXPECT_EQ(pixel(160, 0), 0u);
    EXPECT_EQ(pixel(0, 120), 0u);
}

// Also on a full screen with bars, where the frame shown is not the screen.
TEST_F(ThumbnailTest, DrawingAlreadyAppliedToTheNextFrameIsLeftOut) {
    for (bool fullScreen : {false, true}) {
        Orba_testSetDesktopSize(1920, 1080);
        Orba_setFullScreen(fullScreen);
        Orba_fillRect(0, 0, 0, 0, 255, 0, 0);
        Orba_flip();
        Orba_fillRect(0, 0, 0, 0, 0, 255, 0);
        Orba_testBackBuffer();  // applies the fill to the back buffer
        ASSERT_TRUE(Orba_saveThumbnail("thumb.bmp"));
        showThumbnail("thumb.bmp");
        EXPECT_EQ(pixel(10, 10), 0xff0000u) << fullScreen;
        Orba_flip();
    }
}

}  // namespace

TEST(Thumbnail, WithoutAWindowNothingIsWritten) {
    TempDir dir;
    const WriteResult result = Orba_saveThumbnail("thumb.bmp");
    EXPECT_EQ(result.problem, "cannot write thumb.bmp: no window");
    EXPECT_FALSE(std::filesystem::exists("thumb.bmp"));
}
