// The game-folder check, the bounded whole-file read and the regular-file opening.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gamefiles/gamefiles.h"
#include "gamefiles/regularfile.h"
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
}

// Folders, FIFOs and devices are refused at once, never waited for or read.
TEST(GameFiles, OnlyRegularFilesAreOpened) {
    testsupport::TempDir dir;
    std::vector<std::string> special = testsupport::makeSpecialFiles("");
    if (special.empty()) GTEST_SKIP() << testsupport::noSpecialFiles;
    special.push_back(".");
    for (const std::string& name : special) {
        EXPECT_EQ(openRegularFile(name).reason, "Not a regular file") << name;
        EXPECT_EQ(readFileUpTo(name, 9).status, BoundedRead::Unreadable) << name;
        EXPECT_FALSE(appendToRegularFile(name, "x")) << name;
    }
    EXPECT_EQ(openRegularFile("missing").reason, "No such file or directory");
    writeFile("log", "a");
    std::filesystem::create_symlink("log", "link");
    EXPECT_FALSE(appendToRegularFile("link", "b"));
    EXPECT_TRUE(appendToRegularFile("log", "c") && appendToRegularFile("new", "d"));
    EXPECT_EQ(testsupport::readFile("log") + testsupport::readFile("new"), "acd");
}
