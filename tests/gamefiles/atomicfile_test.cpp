// Atomic writes, the folder they go in, the bounded read and the stable hash.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "gamefiles/atomicfile.h"
#include "gamefiles/atomicfile_testing.h"
#include "gamefiles/gamefiles.h"
#include "gamefiles/hash.h"
#include "testsupport.h"

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::writeFile;

TEST(AtomicFile, AFailureAtAnyStepLeavesTheOldFileAndNoTemporary) {
    testsupport::TempDir dir;
    writeFile("slot.sav", "old save");
    for (const WriteStep step : {WriteStep::Open, WriteStep::Write, WriteStep::Sync, WriteStep::Rename}) {
        failWritesAt(step);
        const WriteResult result = writeFileAtomically("slot.sav", "a new save, longer than the old one");
        failWritesAt(WriteStep::None);
        EXPECT_FALSE(result) << static_cast<int>(step);
        EXPECT_EQ(result.problem, "cannot write slot.sav: Input/output error");
        EXPECT_EQ(readFile("slot.sav"), "old save");
        EXPECT_FALSE(fs::exists("slot.sav.tmp"));
    }
    EXPECT_TRUE(writeFileAtomically("slot.sav", "new save"));
    EXPECT_EQ(readFile("slot.sav"), "new save");
    EXPECT_FALSE(fs::exists("slot.sav.tmp"));
}

TEST(AtomicFile, RealFailuresAreReportedNotThrown) {
    testsupport::TempDir dir;
    fs::create_directory("taken");
    EXPECT_EQ(writeFileAtomically("missing/slot.sav", "x").problem,
              "cannot write missing/slot.sav: No such file or directory");
    EXPECT_FALSE(writeFileAtomically("taken", "x"));
    EXPECT_TRUE(fs::is_directory("taken"));
    EXPECT_FALSE(fs::exists("taken.tmp"));
}

TEST(AtomicFile, FoldersAreMadeOnlyWhereNothingElseIs) {
    testsupport::TempDir dir;
    writeFile("file", "x");
    EXPECT_TRUE(makeFolder("save"));
    EXPECT_TRUE(makeFolder("save"));
    EXPECT_TRUE(fs::is_directory("save"));
    EXPECT_EQ(makeFolder("file").problem, "cannot make folder file: File exists");
    EXPECT_TRUE(makeParentFolder("other/read.dat"));
    EXPECT_TRUE(fs::is_directory("other"));
    EXPECT_TRUE(makeParentFolder("bare.dat"));
}

TEST(GameFiles, BoundedReadsReportWithoutThrowing) {
    testsupport::TempDir dir;
    writeFile("ten", std::string(10, 'a'));
    EXPECT_EQ(readFileUpTo("ten", 10).bytes, std::string(10, 'a'));
    EXPECT_EQ(readFileUpTo("ten", 9).status, BoundedRead::TooLarge);
    EXPECT_EQ(readFileUpTo("missing", 9).status, BoundedRead::Unreadable);
}

// Saves and the read-pages record keep these values: they must never change.
TEST(Hash, IsFnv1a64) {
    static_assert(hashBytes("") == 0xcbf29ce484222325u);
    EXPECT_EQ(hashBytes("a"), 0xaf63dc4c8601ec8cu);
    EXPECT_EQ(hashBytes("foobar"), 0x85944171f73967e8u);
    EXPECT_EQ(hashBytes("\xff"), 0xaf64724c8602eb6eu);  // bytes taken as unsigned
}
