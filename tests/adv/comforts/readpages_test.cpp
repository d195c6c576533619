// The read-pages record: its round trip, and damaged files read as empty.
#include <gtest/gtest.h>

#include <string>

#include "adv/comforts/readpages.h"
#include "testsupport.h"

using namespace adv;
using testsupport::writeFile;

TEST(ReadPages, SurviveSavingAndLoading) {
    testsupport::TempDir dir;
    ReadPages pages;
    for (const std::uint64_t id : {std::uint64_t{0}, pageId("a.lua", "Hello"), ~std::uint64_t{0}})
        EXPECT_TRUE(pages.add(id));
    EXPECT_FALSE(pages.add(0));
    ASSERT_TRUE(pages.save(readPagesPath));
    const ReadPages loaded = ReadPages::load(readPagesPath);
    EXPECT_EQ(loaded.size(), 3u);
    EXPECT_TRUE(loaded.contains(pageId("a.lua", "Hello")) && loaded.contains(0) &&
                loaded.contains(~std::uint64_t{0}));
    EXPECT_FALSE(loaded.contains(pageId("a.lua", "Hello!")));
    EXPECT_NE(pageId("a.lua", "bc"), pageId("a.lu", "abc"));
    const std::string text = loaded.format();  // in increasing order
    EXPECT_EQ(text.substr(0, 24), "read 1\n0000000000000000\n");
    EXPECT_EQ(text.substr(text.size() - 17), "ffffffffffffffff\n");
}

TEST(ReadPages, DamagedFilesReadAsEmpty) {
    const std::string one = "0000000000000001\n", two = "0000000000000002\n";
    for (const std::string& text : std::initializer_list<std::string>{
             "", "read 2\n" + one, "read 1\n" + one.substr(0, 10), "read 1\n" + two + one,
             "read 1\n" + one + one, "read 1\n000000000000000A\n", "read 1\n000000000000000g\n",
             "read 1\n" + one.substr(0, 16) + " ", "read 1 \n" + one, "read 1\n-000000000000001\n"})
        EXPECT_EQ(ReadPages::parse(text).size(), 0u) << text;
    EXPECT_EQ(ReadPages::parse("read 1\n" + one + two).size(), 2u);

    testsupport::TempDir dir;
    EXPECT_EQ(ReadPages::load(readPagesPath).size(), 0u);
    writeFile(readPagesPath, "read 1\n" + std::string((maxReadPages + 1) * one.size(), '0'));
    EXPECT_EQ(ReadPages::load(readPagesPath).size(), 0u);
    for (const std::string& name : testsupport::makeSpecialFiles(".dat"))
        EXPECT_EQ(ReadPages::load(name).size(), 0u) << name;
}

TEST(ReadPages, AFullRecordTakesNoMore) {
    ReadPages pages;
    for (std::uint64_t id = 0; id < maxReadPages; ++id) pages.add(id);
    EXPECT_FALSE(pages.add(maxReadPages));
    EXPECT_EQ(ReadPages::parse(pages.format()).size(), maxReadPages);
}
