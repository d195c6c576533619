// ConfigParser: reading, typed getters, setters, saving and printing.
#include "config/configparser.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "testsupport.h"

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

using namespace std::literals;

using testsupport::errorText;

ConfigParser parserWith(std::string_view key, std::string_view value) {
    ConfigParser parser;
    parser.set(key, value);
    return parser;
}

struct LineCase {
    const char* name;
    const char* contents;
    const char* key;
    const char* value;
};

void PrintTo(const LineCase& c, std::ostream* out) { *out << c.name; }

class ReadLine : public testing::TestWithParam<LineCase> {};

TEST_P(ReadLine, StoresTheTrimmedValue) {
    TempDir dir;
    writeFile("a.ini", GetParam().contents);
    ConfigParser parser;
    parser.load("a.ini");
    EXPECT_EQ(parser.getString(GetParam().key), GetParam().value);
    EXPECT_EQ(parser.keyOrder.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ReadLine,
    testing::Values(LineCase{"NoBlanks", "CAPTION=My Game\n", "CAPTION", "My Game"},
                    LineCase{"BlanksAround", " \t CAPTION \t=\t My Game \t\n", "CAPTION", "My Game"},
                    LineCase{"CrLf", "CAPTION = My Game\r\n", "CAPTION", "My Game"},
                    LineCase{"InnerBlanksKept", "MY KEY = My  Game", "MY KEY", "My  Game"},
                    LineCase{"CommentCutsValue", "CAPTION = My#Game", "CAPTION", "My"},
                    LineCase{"CommentBeforeEquals", "CAPTION # = x\nA=1", "A", "1"},
                    LineCase{"SecondEqualsDropped", "A = 1 = 2\n", "A", "1"},
                    LineCase{"EmptyKey", "= x\n", "", "x"}, LineCase{"EmptyValue", "A =\n", "A", ""},
                    LineCase{"HighBytesNotBlank", "A = \xE3\x80\x80x\xE3\x80\x80\n", "A",
                             "\xE3\x80\x80x\xE3\x80\x80"},
                    LineCase{"SkippedLines", "[Window]\n\ntitle only\r\n# A = 2\nA = 1\n", "A", "1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConfigParserLoad, RepeatedKeyKeepsLastValueAndFirstPlace) {
    TempDir dir;
    writeFile("a.ini", "A = 1\nB = 2\nA = 3\n");
    ConfigParser parser;
    parser.load("a.ini");
    EXPECT_EQ(parser.keyOrder, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(parser.getString("A"), "3");
}

TEST(ConfigParserLoad, ByteOrderMarkStaysInFirstKey) {
    TempDir dir;
    writeFile("a.ini",
              "\xEF\xBB\xBF"
              "A = 1\nB = 2\n");
    ConfigParser parser;
    parser.load("a.ini");
    EXPECT_EQ(parser.getString("\xEF\xBB\xBF"
                               "A"),
              "1");
    EXPECT_EQ(errorText([&] { parser.getString("A"); }), "ConfigParser.checkKey(): not exist key ... 'A'");
}

TEST(ConfigParserLoad, SecondLoadReplacesTable) {
    TempDir dir;
    writeFile("a.ini", "A = 1\n");
    writeFile("b.ini", "B = 2\n");
    ConfigParser parser;
    parser.load("a.ini");
    parser.load("b.ini");
    EXPECT_EQ(parser.keyOrder, std::vector<std::string>{"B"});
    EXPECT_EQ(parser.table.count("A"), 0u);
    EXPECT_EQ(parser.fileName, "b.ini");
}

TEST(ConfigParserLoad, UnreadableFileThrowsAndLeavesParserEmpty) {
    TempDir dir;
    writeFile("a.ini", "A = 1\n");
    std::filesystem::create_directory("folder.ini");
    ConfigParser parser;
    parser.load("a.ini");
    EXPECT_EQ(errorText([&] { parser.load("missing.ini"); }), "can't open file 'missing.ini'");
    EXPECT_TRUE(parser.table.empty());
    EXPECT_TRUE(parser.keyOrder.empty());
    EXPECT_EQ(errorText([&] { parser.load("folder.ini"); }), "can't open file 'folder.ini'");
    EXPECT_THROW(parser.load("a.ini\0x"sv), Error);  // not cut short to a.ini
    // Neither waited for nor read without end.
    const std::vector<std::string> special = testsupport::makeSpecialFiles(".ini");
    if (special.empty()) GTEST_SKIP() << testsupport::noSpecialFiles;
    for (const std::string& name : special)
        EXPECT_EQ(errorText([&] { parser.load(name); }), "can't open file '" + name + "'");
}

TEST(ConfigParserGet, MissingKeyThrowsInEveryGetter) {
    ConfigParser parser;
    const std::string expected = "ConfigParser.checkKey(): not exist key ... 'K'";
    EXPECT_EQ(errorText([&] { parser.getString("K"); }), expected);
    EXPECT_EQ(errorText([&] { parser.getInt("K"); }), expected);
    EXPECT_EQ(errorText([&] { parser.getFloat("K"); }), expected);
    EXPECT_EQ(errorText([&] { parser.getBool("K"); }), expected);
    EXPECT_EQ(errorText([&] { parser.checkKey("K"); }), expected);
}

TEST(ConfigParserGet, DataIsNeverAFormatString) {
    ConfigParser parser = parserWith("%s%n", "%d%n");
    EXPECT_EQ(errorText([&] { parser.getInt("%s%n"); }), "not digit value ... '%s%n' -> '%d%n'");
    EXPECT_EQ(errorText([&] { parser.getString("%x"); }), "ConfigParser.checkKey(): not exist key ... '%x'");
}

struct IntCase {
    const char* value;
    std::int32_t expected;
};

void PrintTo(const IntCase& c, std::ostream* out) { *out << '"' << c.value << '"'; }

class GetInt : public testing::TestWithParam<IntCase> {};

TEST_P(GetInt, ConvertsDigits) {
    EXPECT_EQ(parserWith("K", GetParam().value).getInt("K"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, GetInt,
                         testing::Values(IntCase{"0042", 42}, IntCase{"", 0}, IntCase{"0", 0},
                                         IntCase{"2147483647", 2147483647},
                                         IntCase{"000000000002147483647", 2147483647}));

class GetIntRejects : public testing::TestWithParam<const char*> {};

TEST_P(GetIntRejects, NamesKeyAndValue) {
    ConfigParser parser = parserWith("K", GetParam());
    EXPECT_EQ(errorText([&] { parser.getInt("K"); }),
              std::string("not digit value ... 'K' -> '") + GetParam() + "'");
    EXPECT_EQ(parser.getString("K"), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Values, GetIntRejects,
                         testing::Values("-1", "+5", "12 34", "0x1F", "1.5", "2147483648",
                                         "99999999999999999999"));

struct FloatCase {
    const char* value;
    double expected;
};

void PrintTo(const FloatCase& c, std::ostream* out) { *out << '"' << c.value << '"'; }

class GetFloat : public testing::TestWithParam<FloatCase> {};

TEST_P(GetFloat, ReadsLeadingDecimal) {
    EXPECT_DOUBLE_EQ(parserWith("K", GetParam().value).getFloat("K"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, GetFloat,
                         testing::Values(FloatCase{"1.2.3", 1.2}, FloatCase{"5.", 5.0}, FloatCase{".5", 0.5},
                                         FloatCase{"", 0.0}, FloatCase{".", 0.0}, FloatCase{"..5", 0.0},
                                         FloatCase{"007.25", 7.25}, FloatCase{"12", 12.0}));

TEST(ConfigParserGetFloat, OutOfRangeDigits) {
    EXPECT_EQ(parserWith("K", "0." + std::string(400, '0') + "1").getFloat("K"), 0.0);
    const std::string huge(400, '9');
    ConfigParser parser = parserWith("K", huge);
    EXPECT_EQ(errorText([&] { parser.getFloat("K"); }), "not digit value ... 'K' -> '" + huge + "'");
}

class GetFloatRejects : public testing::TestWithParam<const char*> {};

TEST_P(GetFloatRejects, NamesKeyAndValue) {
    ConfigParser parser = parserWith("K", GetParam());
    EXPECT_EQ(errorText([&] { parser.getFloat("K"); }),
              std::string("not digit value ... 'K' -> '") + GetParam() + "'");
}

INSTANTIATE_TEST_SUITE_P(Values, GetFloatRejects, testing::Values("-1.5", "1e5", "1,5", " 1", "inf", "nan"));

struct BoolCase {
    const char* value;
    bool expected;
};

void PrintTo(const BoolCase& c, std::ostream* out) { *out << '"' << c.value << '"'; }

class GetBool : public testing::TestWithParam<BoolCase> {};

TEST_P(GetBool, AcceptsTheEightWords) {
    EXPECT_EQ(parserWith("K", GetParam().value).getBool("K"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Words, GetBool,
                         testing::Values(BoolCase{"1", true}, BoolCase{"on", true}, BoolCase{"yes", true},
                                         BoolCase{"true", true}, BoolCase{"0", false}, BoolCase{"no", false},
                                         BoolCase{"off", false}, BoolCase{"false", false}));

class GetBoolRejects : public testing::TestWithParam<const char*> {};

TEST_P(GetBoolRejects, NamesKeyAndValue) {
    ConfigParser parser = parserWith("K", GetParam());
    EXPECT_EQ(errorText([&] { parser.getBool("K"); }),
              std::string("not boolean value ... 'K' -> '") + GetParam() + "'");
}

INSTANTIATE_TEST_SUITE_P(NearMisses, GetBoolRejects,
                         testing::Values("", "Yes", "TRUE", "On", "2", "01", "yes ", "y"));

TEST(ConfigParserSet, StoresTextTheGettersRead) {
    ConfigParser parser;
    parser.set("A", "1");
    parser.setInt("I", std::numeric_limits<std::int32_t>::min());
    parser.setFloat("F", 0.1f);  // widened to 0.100000001, printed with six digits
    parser.setFloat("G", 1e10f);
    parser.setFloat("H", 123456.7f);
    parser.setBool("B", false);
    parser.setInt("A", 7);
    EXPECT_EQ(parser.keyOrder, (std::vector<std::string>{"A", "I", "F", "G", "H", "B"}));
    EXPECT_EQ(parser.getInt("A"), 7);
    EXPECT_EQ(parser.getString("I"), "-2147483648");
    EXPECT_EQ(parser.getString("F"), "0.1");
    EXPECT_EQ(parser.getString("G"), "1e+10");
    EXPECT_EQ(parser.getString("H"), "123457");
    EXPECT_FALSE(parser.getBool("B"));
}

TEST(ConfigParserSave, EmptyNameRewritesLoadedFile) {
    TempDir dir;
    writeFile("a.ini", "# title\r\nB=2\n[x]\nA =  1 # one\nB = 3\n");
    ConfigParser parser;
    parser.load("a.ini");
    parser.set("C", "");
    parser.save("");
    EXPECT_EQ(readFile("a.ini"), "B = 3\nA = 1\nC = \n");
}

TEST(ConfigParserSave, RoundTripKeepsTable) {
    TempDir dir;
    ConfigParser parser;
    parser.set("Name", "My  Game");
    parser.setInt("Size", 24);
    parser.setBool("On", true);
    parser.save("out.ini");
    ConfigParser reread;
    reread.load("out.ini");
    EXPECT_EQ(reread.table, parser.table);
    EXPECT_EQ(reread.keyOrder, parser.keyOrder);
}

TEST(ConfigParserSave, UnwritableFileThrowsNamingIt) {
    TempDir dir;
    ConfigParser parser;
    parser.set("A", "1");
    EXPECT_EQ(errorText([&] { parser.save("no/such/dir.ini"); }), "can't write file 'no/such/dir.ini'");
    EXPECT_EQ(errorText([&] { parser.save(""); }), "can't write file ''");
    EXPECT_THROW(parser.save("a\0b"sv), Error);
    EXPECT_FALSE(std::filesystem::exists("a"));
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_EQ(errorText([&] { parser.save("/dev/full"); }), "can't write file '/dev/full'");
    }
}

TEST(ConfigParserPrint, DumpFollowsKeyOrder) {
    ConfigParser parser;
    parser.set("B", "2");
    parser.set("A", "x y");
    testing::internal::CaptureStdout();
    parser.dump();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "B = 2\nA = x y\n");
}

TEST(ConfigParserPrint, DumpJsonPrintsRawEntriesEachWithComma) {
    ConfigParser parser;
    parser.set("B", "2");
    parser.set("A", "say \"hi\"");
    testing::internal::CaptureStdout();
    parser.dumpJson();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "{\n  \"A\" : \"say \"hi\"\",\n  \"B\" : \"2\",\n}\n");
}

}  // namespace
