// The folder watch sees saves as editors make them, in folders made later too.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "gamefiles/folderwatch.h"
#include "testsupport.h"

namespace fs = std::filesystem;
using testsupport::writeFile;
using Paths = std::vector<std::string>;

TEST(FolderWatch, ReportsEachSavedFileOnceWhateverTheWayOfSaving) {
    if (!FolderWatch::supported) GTEST_SKIP() << "the folder watch reports no changes on Windows";
    struct Case {
        const char* name;
        std::function<void()> save;
        Paths changed;
    };
    const std::vector<Case> cases = {
        {"written twice",
         [] {
             writeFile("level/a.lua", "1");
             writeFile("level/a.lua", "2");
         },
         {"level/a.lua"}},
        {"renamed over the old file",
         [] {
             writeFile("level/.a.lua.swp", "new");
             std::rename("level/.a.lua.swp", "level/a.lua");
         },
         {"level/.a.lua.swp", "level/a.lua"}},
        {"in a subfolder", [] { writeFile("level/ch1/02.lua", "x"); }, {"level/ch1/02.lua"}},
        {"in a folder made since", [] { fs::create_directory("level/ch2"); }, {"level/ch2/"}},
        {"then in that folder", [] { writeFile("level/ch2/01.lua", "x"); }, {"level/ch2/01.lua"}},
        {"a folder made and removed before it is watched",
         [] {
             fs::create_directories("level/t/a");
             fs::remove_all("level/t");
         },
         {"level/t/"}},
        {"a folder made and replaced by a file",
         [] {
             fs::create_directory("level/u");
             fs::remove("level/u");
             writeFile("level/u", "x");
         },
         {"level/u/", "level/u"}},
        {"in a folder not watched recursively", [] { writeFile("sound/se.wav", "x"); }, {"sound/se.wav"}},
        {"below it", [] { writeFile("sound/deep/se.wav", "x"); }, {}},
        {"elsewhere", [] { writeFile("other.txt", "x"); }, {}},
    };
    testsupport::TempDir dir;
    writeFile("level/a.lua", "0");
    writeFile("level/ch1/01.lua", "0");
    writeFile("sound/deep/x.wav", "0");
    FolderWatch watch;
    watch.add("level/", true);
    watch.add("sound", false);
    watch.add("missing/", true);
    EXPECT_EQ(watch.changes(), Paths{});
    for (const Case& c : cases) {
        c.save();
        EXPECT_EQ(watch.changes(), c.changed) << c.name;
    }
}
