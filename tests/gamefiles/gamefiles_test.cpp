// The game-folder check and the bounded whole-file read.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "gamefiles/gamefiles.h"
#include "testsupport.h"

using testsupport::errorText;
using testsupport::writeFile;

TEST(GameFiles, PathsMayMoveUpOnlyWithinTheGameFolder) {
    for (const char* inside : {"resource/level/start.lua", "resource/level/ch2/../start.lua", "./a/./b",
                               "resource/level/../../x.lua", "a//b/..//c", "resource/level/"})
        EXPECT_TRUE(insideGameFolder(inside)) << inside;
    for (const char* outside : {"resource/level/../../../outside.lua", "resource/level/../../../../../x.lua",
                                "..", "../x", "a/../../x", "/etc/passwd", "/", ""})
        EXPECT_FALSE(insideGameFolder(outside)) << outside;
}

TEST(GameFiles, WholeFileReadsStopAtTheirBound) {
    testsupport::TempDir dir;
    writeFile("full", std::string(maxWholeFileBytes, 'a'));
    writeFile("over", std::string(maxWholeFileBytes + 1, 'a'));
    EXPECT_EQ(readWholeFile("full").value_or("").size(), maxWholeFileBytes);
    EXPECT_EQ(errorText([] { readWholeFile("over"); }), "File larger than 8 MiB (over)");
    EXPECT_FALSE(readWholeFile("missing"));
    EXPECT_FALSE(readWholeFile("."));
    if (!testsupport::linkToEndlessFile("zero")) GTEST_SKIP() << testsupport::noEndlessFile;
    EXPECT_EQ(errorText([] { readWholeFile("zero"); }), "File larger than 8 MiB (zero)");
}
