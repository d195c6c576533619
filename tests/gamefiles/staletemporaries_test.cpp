// Clearing away the temporary files of writes whose process was killed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gamefiles/atomicfile_testing.h"
#include "gamefiles/staletemporaries.h"
#include "testsupport.h"

namespace fs = std::filesystem;

// Only a dead writer's regular temporary goes; this run's own, other names,
// a link (and what it points to) and files below the folder stay.
TEST(StaleTemporaries, OnlyADeadWritersTemporaryIsRemoved) {
#ifndef __linux__
    GTEST_SKIP() << "process ids above the system's bound are a Linux fact";
#endif
    testsupport::TempDir dir;
    // Linux process ids stay below 2^22: no process has this one.
    const std::string dead = "slot1.sav.tmp.99999999.0";
    const std::string own = nextTemporaryName("save/slot1.sav");
    const std::vector<std::string> kept = {own,
                                           "save/slot1.sav",
                                           "save/slot1.sav.tmp.99999999",
                                           "save/slot1.sav.tmp.99999999.0x",
                                           "save/.tmp.99999999.0",
                                           "save/slot1.sav.tmp.-5.0",
                                           "save/old/" + dead,
                                           "outside"};
    fs::create_directories("save/old");
    for (const std::string& file : kept) testsupport::writeFile(file, "bytes");
    testsupport::writeFile("save/" + dead, "half a save");
    fs::create_symlink("../outside", "save/read.dat.tmp.99999999.1");
    EXPECT_EQ(removeStaleTemporaries("save"), 1);
    EXPECT_FALSE(fs::exists("save/" + dead));
    for (const std::string& file : kept) EXPECT_TRUE(fs::exists(file)) << file;
    EXPECT_TRUE(fs::is_symlink("save/read.dat.tmp.99999999.1"));
}
