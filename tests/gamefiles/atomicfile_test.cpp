// Atomic writes, the folder they go in, the bounded read and the stable hash.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "gamefiles/atomicfile.h"
#include "gamefiles/atomicfile_testing.h"
#include "gamefiles/gamefiles.h"
#include "gamefiles/hash.h"
#include "testsupport.h"

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

// How many files the working directory holds.
std::ptrdiff_t filesHere() { return std::distance(fs::directory_iterator("."), fs::directory_iterator()); }

}  // namespace

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
        EXPECT_EQ(filesHere(), 1);
    }
    EXPECT_TRUE(writeFileAtomically("slot.sav", "new save"));
    EXPECT_EQ(readFile("slot.sav"), "new save");
    EXPECT_EQ(filesHere(), 1);
}

// A link, wherever it stands, is replaced or passed by, never written
// through; the file it points to keeps its bytes.
TEST(AtomicFile, LinksAreNeverWrittenThrough) {
#ifdef _WIN32
    GTEST_SKIP() << "links need rights Windows does not give by default";
#endif
    for (const bool atTarget : {true, false}) {
        testsupport::TempDir dir;
        writeFile("outside", "outside's own");
        for (const std::string& name :
             atTarget ? std::vector<std::string>{"slot.sav"}
                      : std::vector<std::string>{"slot.sav.tmp", nextTemporaryName("slot.sav")})
            fs::create_symlink("outside", name);
        EXPECT_TRUE(writeFileAtomically("slot.sav", "new save")) << atTarget;
        EXPECT_EQ(readFile("outside"), "outside's own") << atTarget;
        EXPECT_FALSE(fs::is_symlink("slot.sav")) << atTarget;
        EXPECT_EQ(readFile("slot.sav"), "new save") << atTarget;
    }
}

TEST(AtomicFile, RealFailuresAreReportedNotThrown) {
    testsupport::TempDir dir;
    fs::create_directory("taken");
    EXPECT_EQ(writeFileAtomically("missing/slot.sav", "x").problem,
              "cannot write missing/slot.sav: No such file or directory");
    EXPECT_FALSE(writeFileAtomically("taken", "x"));
    EXPECT_TRUE(fs::is_directory("taken"));
    EXPECT_EQ(filesHere(), 1);
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
