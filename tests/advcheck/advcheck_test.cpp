#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "bad_pictures.h"
#include "config/sysinfo.h"
#include "mediafiles.h"
#include "smallgame.h"
#include "testsupport.h"
#include "tools/advcheck/advcheck.h"
#include "tools/advcheck/scripts.h"

using advcheck::Finding;
using advcheck::Severity;
using testsupport::TempDir;
using testsupport::writeFile;
namespace game = smallgame;

namespace {

constexpr Severity P = Severity::Problem;
constexpr Severity N = Severity::Note;

std::string describe(const std::vector<Finding>& findings) {
    std::string text;
    for (const Finding& f : findings) text += advcheck::formatFinding(f) + "\n";
    return text;
}

TEST(AdvcheckGame, CleanSmallGamePasses) {
    TempDir dir;
    game::write();
    const advcheck::Report report = advcheck::checkGame();
    EXPECT_EQ(describe(report.findings()), "");
    EXPECT_EQ(report.summary(), "advcheck: no problems in 12 files");
    EXPECT_EQ(report.exitStatus(), 0);
}

// One fault put into the clean game, and everything it should bring.
struct BrokenCase {
    const char* name;
    std::function<std::vector<Finding>()> breakGame;  // returns the expected findings
    bool prefixOnly = false;  // the first message only has to start with the expected one
};

std::vector<Finding> one(const std::string& file, int line, Severity severity, const std::string& message) {
    return {{file, line, severity, message}};
}

// Scripts that only a map pick reaches become unreachable with the map.
std::vector<Finding> withPicksUnreachable(std::vector<Finding> findings) {
    findings.insert(findings.begin(),
                    {{"resource/level/ch2/01.lua", 0, N, "no path from start.lua reaches this script"},
                     {"resource/level/ch2/02.lua", 0, N, "no path from start.lua reaches this script"}});
    return findings;
}

std::vector<Finding> startLine1(const std::string& code, const std::string& message) {
    game::prepend(game::start, code);
    return one(game::start, 1, P, message);
}

const BrokenCase brokenCases[] = {
    {"MissingKey",
     [] {
         game::removeKey("MSG_MARGIN");
         return one(game::ini, 0, P, "ConfigParser.checkKey(): not exist key ... 'MSG_MARGIN'");
     }},
    {"NegativeNumber",
     [] {
         return one(game::ini, game::setKey("POS_CH_L_X", "-10"), P,
                    "not digit value ... 'POS_CH_L_X' -> '-10'");
     }},
    {"NumberTooLarge",
     [] {
         return one(game::ini, game::setKey("FONT_SIZE", "2147483648"), P,
                    "not digit value ... 'FONT_SIZE' -> '2147483648' (the largest value is 2147483647)");
     }},
    {"FontSizeZero",
     [] {
         return one(game::ini, game::setKey("FONT_SIZE", "0"), P,
                    "FONT_SIZE is 0: message text at 0 points is too small to read");
     }},
    {"FontOutsideGame",
     [] {
         return one(
             game::ini, game::setKey("FONT", "../x/DejaVuSans.ttf"), P,
             "FONT = '../x/DejaVuSans.ttf' leaves the game folder, so players' copies of the game lack "
             "it: put the font in the game folder, or name a system font by its file name alone");
     }},
    {"FontByAbsolutePath",
     [] {
         return one(game::ini, game::setKey("FONT", "/usr/x.ttf"), P, "FONT = '/usr/x.ttf' leaves the game");
     },
     true},
    {"NameNotIdentifier",
     [] {
         return one(game::ini, game::setKey("CMD_MSG", "say it"), P,
                    "CMD_MSG = 'say it' is not a Lua name: scripts cannot call the MSG command");
     }},
    {"NameIsKeyword",
     [] {
         return one(game::ini, game::setKey("CMD_END", "end"), P,
                    "CMD_END = 'end' is a Lua keyword: scripts cannot call the END command");
     }},
    {"DuplicateName",
     [] {
         return one(
             game::ini, game::setKey("CMD_PRINT", "say"), P,
             "CMD_PRINT and CMD_MSG both name 'say': MSG is registered later and wins, so scripts cannot "
             "call PRINT");
     }},
    {"SyntaxError", [] { return startLine1("x = = 1", "unexpected symbol near '='"); }},
    {"NumberForText",
     [] {
         return startLine1("say(5)",
                           "say(): Invalid parameter type. expected 1 to STRING type (got a number)");
     }},
    {"TextForNumber",
     [] {
         return startLine1("wait(\"2\")",
                           "wait(): Invalid parameter type. expected 1 to NUMBER type (got a string)");
     }},
    {"RequiredMissing",
     [] {
         return startLine1(
             "music_off()",
             "music_off(): Invalid parameter type. expected 1 to NUMBER type (the argument is missing)");
     }},
    {"NilInOptionalPosition",
     [] {
         return startLine1("background(\"bg.bmp\", nil)",
                           "background(): Invalid parameter type. expected 2 to NUMBER type (got nil)");
     }},
    {"FiveChoices",
     [] {
         return startLine1("choose(\"a\", \"b\", \"c\", \"d\", \"e\")",
                           "choose(): more than four choices: only the first four are offered");
     }},
    {"MissingPicture",
     [] {
         return startLine1("character(\"ghost.bmp\")",
                           "character(): picture resource/level/ghost.bmp does not exist");
     }},
    {"PictureNameCase",
     [] {
         return startLine1(
             "background(\"BG.bmp\")",
             "background(): picture resource/level/BG.bmp does not exist (there is bg.bmp: file names "
             "are case-sensitive)");
     }},
    {"BrokenPicture",
     [] {
         writeFile("resource/level/broken.bmp", "not a picture at all");
         return startLine1("background(\"broken.bmp\")",
                           "background(): picture resource/level/broken.bmp cannot be loaded as a picture: ");
     },
     true},
    {"MissingSound",
     [] {
         return startLine1("sound(\"boom.wav\")", "sound(): sound resource/sound/boom.wav does not exist");
     }},
    {"Mp3Music",
     [] {
         writeFile("resource/sound/song.mp3", std::string("ID3\4\0\0\0\0\0\0", 10) + "and then MP3 frames");
         return startLine1("music(\"song.mp3\")",
                           "music(): sound resource/sound/song.mp3 is an MP3 file: the "
                           "engine plays WAV and Ogg Vorbis");
     }},
    {"OpusEffect",
     [] {
         std::string opus = testsupport::oggVorbisFile(0.1);
         opus.replace(28, 8, "OpusHead");
         writeFile("resource/sound/boom.ogg", opus);
         return startLine1(
             "sound(\"boom.ogg\")",
             "sound(): sound resource/sound/boom.ogg cannot be played: Ogg Opus is not played (the "
             "engine plays WAV and Ogg Vorbis)");
     }},
    {"MissingScript",
     [] {
         return startLine1("load_script(\"nowhere.lua\")",
                           "load_script(): script resource/level/nowhere.lua does not exist");
     }},
    {"PictureAfterDirectory",
     [] {
         game::prepend(game::room, "character(\"bg.bmp\")");  // bg.bmp lies in resource/level/, not in ch2/
         return one(
             game::room, 1, P,
             "character(): picture resource/level/ch2/bg.bmp does not exist (there is resource/level/bg.bmp: "
             "pictures are read from the current script folder, which DIRECTORY set)");
     }},
    {"FlagIndexTooHigh",
     [] {
         return startLine1("set_flag(128, 1)",
                           "set_flag(): flag 128 does not exist (flags are 0 to 127): nothing is stored");
     }},
    {"FlagIndexNegative",
     [] {
         return startLine1("x = get_flag(-1)",
                           "get_flag(): flag -1 does not exist (flags are 0 to 127): it always gives 0");
     }},
    {"FlagReferenceOutOfRange",
     [] {
         return startLine1("say(\"Score %F128\")",
                           "say(): %F128 names no flag (flags are 0 to 127) and shows 0");
     }},
    {"MapOfOneLayer",
     [] {
         writeFile(game::town, game::fmf(2, 2, {{0, 1, 2, 0}}));
         return withPicksUnreachable(
             one(game::room, 2, P,
                 "map(): map resource/level/ch2/town.fmf has 1 layer: picking needs layer 1, "
                 "the second"));
     }},
    {"MapNotFmf",
     [] {
         writeFile(game::town, game::fmf(2, 2, {{0}, {0}}, "fmf_"));
         return withPicksUnreachable(
             one(game::room, 2, P,
                 "map(): map resource/level/ch2/town.fmf cannot be loaded: Invalid FMF format "
                 "(resource/level/ch2/town.fmf)"));
     }},
    {"MapPicksMissingScript",
     [] {
         writeFile(game::town, game::fmf(2, 2, {{0, 0, 0, 0}, {0, 1, 2, 3}}));
         return one(game::room, 2, P,
                    "map(): map resource/level/ch2/town.fmf: the cell at column 1, row 1 picks "
                    "resource/level/ch2/03.lua, which does not exist");
     }},
    {"PageFeedTooNarrow",
     [] {
         testsupport::writeSolidBMP("resource/level/pf.bmp", 16, 32, 0x00FF00);
         return one(
             "resource/level/pf.bmp", 0, P,
             "the picture is 16 x 32: the page-feed cursor is a row of square cells, so it must be at least "
             "as wide as high");
     }},
    {"CursorOneCell",
     [] {
         testsupport::writeSolidBMP("resource/level/cursor.bmp", 32, 32, 0xFFFFFF);
         return one(
             "resource/level/cursor.bmp", 0, P,
             "the picture is 32 x 32: the mouse cursor needs two square cells side by side, so it must be at "
             "least twice as wide as high");
     }},
    {"MessageWindowMissing",
     [] {
         std::filesystem::remove("resource/level/msgwin.bmp");
         return one("resource/level/msgwin.bmp", 0, P,
                    "the picture does not exist; the engine needs it at start-up");
     }},
    // Calls that cannot work.
    {"MisspeltCommand",
     [] { return startLine1("wiat(1)", "wiat() is not a command of this game (did you mean wait?)"); }},
    {"UnknownName", [] { return startLine1("xyzzy()", "xyzzy() is not a command of this game"); }},
    {"StringLibrary",
     [] {
         return startLine1("say(string.format('%d', 1))",
                           "scripts have only the base library: string.format is not available");
     }},
    {"MathLibrary",
     [] {
         return startLine1("wait(math.random(3))",
                           "scripts have only the base library: math.random is not available");
     }},
    {"TableLibrary",
     [] {
         return startLine1("t = {} table.insert(t, 1)",
                           "scripts have only the base library: table.insert is not available");
     }},
    {"IoLibrary",
     [] {
         return startLine1("io.write('x')", "scripts have only the base library: io.write is not available");
     }},
    {"OsLibrary",
     [] {
         return startLine1("x = os.time()", "scripts have only the base library: os.time is not available");
     }},
    {"StringMethod",
     [] {
         return startLine1("say((\"-\"):rep(3))",
                           "scripts have only the base library: the string method rep is not available");
     }},
    {"Require",
     [] {
         return startLine1("require('helpers')",
                           "scripts have only the base library: require is not available");
     }},
    {"DefinedNamesAreNoTypos",
     [] {
         game::prepend(game::room, "function shared(f) f() end");
         game::prepend(game::start,
                       "local function helper() end helper() shared(helper) "
                       "for _, g in ipairs({helper}) do g() end coroutine.wrap(helper)() print(tostring(1))");
         return std::vector<Finding>{};
     }},
    {"NoEndReachable",
     [] {
         writeFile("resource/level/ch2/01.lua", "say(\"one\")\npage()\n");
         return one(game::start, 0, N,
                    "no script that start.lua leads to calls game_end() (END): the game cannot end by "
                    "itself, only when "
                    "the player quits");
     }},
    {"ScriptNameMisspelt",
     [] {
         game::prepend(game::room, "load_script(\"rooom.lua\")");
         return one(
             game::room, 1, P,
             "load_script(): script resource/level/ch2/rooom.lua does not exist (did you mean room.lua?)");
     }},
    {"PictureNameMisspelt",
     [] {
         return startLine1(
             "background(\"bgg.bmp\")",
             "background(): picture resource/level/bgg.bmp does not exist (did you mean bg.bmp?)");
     }},
    // Notes: worth a look, but the game runs.
    {"PageFeedTimerZero",
     [] {
         return one(game::ini, game::setKey("PF_TIMER", "0"), N,
                    "PF_TIMER is 0: the page-feed cursor shows only its first cell");
     }},
    {"OpacityAbove255",
     [] {
         return one(game::ini, game::setKey("MSGWIN_ALPHA", "300"), N,
                    "MSGWIN_ALPHA is 300: opacity goes from 0 to 255; it is taken as 255");
     }},
    {"WindowScaleBeyondFour",
     [] {
         writeFile(game::ini, testsupport::readFile(game::ini) + "WINDOW_SCALE = 5\n");
         return one(game::ini, game::lineOf(game::ini, "WINDOW_SCALE"), N,
                    "WINDOW_SCALE is 5: the window scale goes from 1 to 4; it is taken as 4");
     }},
    {"TextSpeedBeyondItsRange",
     [] {
         writeFile(game::ini, testsupport::readFile(game::ini) + "TEXT_SPEED = 5000\n");
         return one(game::ini, game::lineOf(game::ini, "TEXT_SPEED"), N,
                    "TEXT_SPEED is 5000: it goes from 0 to 1000; it is taken as 1000");
     }},
    {"PositionOutsideWindow",
     [] {
         return one(game::ini, game::setKey("PF_Y", "900"), N,
                    "PF_Y = 900 lies outside the 640 x 480 window");
     }},
    {"ShadowsBaseGlobal",
     [] {
         return one(game::ini, game::setKey("CMD_PRINT", "print"), N,
                    "CMD_PRINT = 'print' replaces Lua's own global 'print' in every script");
     }},
    {"UnreachableScript",
     [] {
         writeFile("resource/level/old/unused.lua", "say(\"never shown\")\n");
         return one("resource/level/old/unused.lua", 0, N, "no path from start.lua reaches this script");
     }},
    {"HelperMissing",
     [] {
         return startLine1("dofile(\"resource/level/helpers.lua\")",
                           "dofile(): helper resource/level/helpers.lua does not exist");
     }},
    {"HelperGlobalsAreDefined",  // one outside resource/level/, one inside and so reached
     [] {
         writeFile("resource/shared/lib.lua", "function greet() say(\"hi\") end\n");
         writeFile("resource/level/lib.lua", "function wave() end\n");
         game::prepend(game::start,
                       "dofile(\"resource/shared/lib.lua\") greet() "
                       "loadfile(\"resource/level/lib.lua\")() wave()");
         return std::vector<Finding>{};
     }},
    {"WrappedPageLeavesTheWindow",
     [] {
         writeFile(game::ini, testsupport::readFile(game::ini) + "MSG_WIDTH = 300\n");
         testsupport::writeSolidBMP("resource/level/msgwin.bmp", 600, 60, 0x000080);  // one row
         game::prepend(game::start, "say(\"A line long enough to need a second row at this width\")");
         return one(game::start, 1, N,
                    "say(): at MSG_WIDTH = 300 this page wraps into 2 rows; the message window holds 1");
     }},
    {"OptionalKeyNotANumber",  // the engine reads a given optional key as strictly as the others
     [] {
         writeFile(game::ini, testsupport::readFile(game::ini) + "SAVE = off\n");
         return one(game::ini, game::lineOf(game::ini, "SAVE"), P, "not digit value ... 'SAVE' -> 'off'");
     }},
    {"WrapFontNotFound",
     [] {
         game::setKey("FONT", "none.ttf");
         writeFile(game::ini, testsupport::readFile(game::ini) + "MSG_WIDTH = 300\n");
         return one(
             game::ini, game::lineOf(game::ini, "MSG_WIDTH"), N,
             "MSG_WIDTH is set, but the font cannot be opened here (Orba_openFont : font file not found. "
             "none.ttf): wrapped pages are not checked");
     }},
    {"ExtraArgument",
     [] {
         game::prepend(game::start, "say(\"a\", \"b\")");
         return one(game::start, 1, N, "say(): reads 1 argument; the 2nd and later are ignored");
     }},
};

void PrintTo(const BrokenCase& c, std::ostream* os) { *os << c.name; }

class AdvcheckBroken : public testing::TestWithParam<BrokenCase> {};

TEST_P(AdvcheckBroken, ReportsExactlyThatFault) {
    TempDir dir;
    game::write();
    const BrokenCase& c = GetParam();
    std::vector<Finding> expected = c.breakGame();
    const advcheck::Report report = advcheck::checkGame();
    std::vector<Finding> found = report.findings();
    if (c.prefixOnly && found.size() == 1) {
        found[0].message.resize(std::min(found[0].message.size(), expected[0].message.size()));
    }
    EXPECT_EQ(describe(found), describe(expected));
    const bool problem =
        std::any_of(expected.begin(), expected.end(), [](const Finding& f) { return f.severity == P; });
    EXPECT_EQ(report.exitStatus(), problem ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, AdvcheckBroken, testing::ValuesIn(brokenCases),
                         [](const testing::TestParamInfo<BrokenCase>& info) { return info.param.name; });

// advcheck refuses every picture the engine refuses, for the engine's reason.
TEST(AdvcheckPictures, RefusesWhatTheEngineRefuses) {
    for (const testsupport::BadPicture& bad : testsupport::badPictures()) {
        SCOPED_TRACE(bad.name);
        TempDir dir;
        game::write();
        writeFile("resource/level/bad.bmp", bad.bytes);
        const std::vector<Finding> expected = startLine1(
            "background(\"bad.bmp\")",
            "background(): picture resource/level/bad.bmp cannot be loaded as a picture: " + bad.reason);
        EXPECT_EQ(describe(advcheck::checkGame().findings()), describe(expected));
    }
}

// A FIFO in place of a game's file is reported at once, never waited for.
TEST(AdvcheckFiles, FilesThatAreNotRegularAreReported) {
    for (const auto& [file, finding] :
         {std::pair{game::ini, "can't open file '" + game::ini + "'"},
          std::pair{game::start, std::string("the first script is not a regular file: the engine opens only "
                                             "regular files")}}) {
        TempDir dir;
        game::write();
        const std::vector<std::string> special = testsupport::makeSpecialFiles("");
        if (special.empty()) GTEST_SKIP() << testsupport::noSpecialFiles;
        std::filesystem::rename(special[0], file);
        const std::string found = describe(advcheck::checkGame().findings());
        EXPECT_NE(found.find(file + ": " + finding + "\n"), std::string::npos) << found;
    }
}

TEST(AdvcheckSummary, CountsProblemsNotesAndUnreachableScripts) {
    TempDir dir;
    game::write();
    game::prepend(game::start, "say(1)");
    writeFile("resource/level/old/a.lua", "");
    writeFile("resource/level/old/b.lua", "");
    EXPECT_EQ(advcheck::checkGame().summary(),
              "advcheck: 1 problem, 2 notes (2 unreachable scripts) in 14 files");
}

TEST(AdvcheckSummary, FolderWithoutGameSaysSo) {
    TempDir dir;
    const advcheck::Report report = advcheck::checkGame();
    EXPECT_EQ(describe(report.findings()), "resource/level: no such folder: this is not a game folder\n");
    EXPECT_EQ(report.exitStatus(), 1);
}

TEST(AdvcheckCommandLine, ChecksTheNamedFolderAndKeepsTheWorkingDirectory) {
    TempDir dir;
    std::filesystem::create_directory("mygame");
    std::filesystem::current_path("mygame");
    game::write();
    game::prepend(game::start, "say()");
    std::filesystem::current_path("..");
    const auto before = std::filesystem::current_path();
    std::ostringstream out, err;
    EXPECT_EQ(advcheck::runAdvcheck({"mygame"}, out, err), 1);
    EXPECT_EQ(
        out.str(),
        "resource/level/start.lua:1: say(): Invalid parameter type. expected 1 to STRING type (the argument "
        "is missing)\nadvcheck: 1 problem in 12 files\n");
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(std::filesystem::current_path(), before);
}

TEST(AdvcheckCommandLine, CleanFolderByDefaultAndUsageErrors) {
    TempDir dir;
    game::write();
    std::ostringstream out, err;
    EXPECT_EQ(advcheck::runAdvcheck({}, out, err), 0);
    EXPECT_EQ(out.str(), "advcheck: no problems in 12 files\n");
    EXPECT_EQ(advcheck::runAdvcheck({"a", "b"}, out, err), 1);
    EXPECT_EQ(err.str(), "usage: advcheck [GAME_FOLDER]\n");
    std::ostringstream err2;
    EXPECT_EQ(advcheck::runAdvcheck({"no-such-folder"}, out, err2), 1);
    EXPECT_TRUE(err2.str().starts_with("advcheck: cannot enter the game folder no-such-folder: "))
        << err2.str();
}

// The sample game, when its generated folder has been built.
TEST(AdvcheckSampleGame, IsClean) {
    const char* binaryDir = std::getenv("ORBA_BINARY_DIR");
    const std::filesystem::path sample = std::filesystem::path(binaryDir ? binaryDir : "") / "sample-game";
    if (!binaryDir || !std::filesystem::is_directory(sample / "resource/level")) {
        GTEST_SKIP() << "the sample game is not built";
    }
    std::ostringstream out, err;
    EXPECT_EQ(advcheck::runAdvcheck({sample.string()}, out, err), 0) << out.str();
    EXPECT_TRUE(out.str().starts_with("advcheck: no problems in ")) << out.str();
}

TEST(AdvcheckLuaMessage, SplitsLineFromFullOrShortenedFileName) {
    const std::string file = "resource/level/a/very/long/folder/name/that/lua/shortens/in/its/messages/x.lua";
    EXPECT_EQ(advcheck::splitLuaMessage(file + ":12: '=' expected near 'y'", file).line, 12);
    const auto shortened =
        advcheck::splitLuaMessage("...shortens/in/its/messages/x.lua:3: unexpected symbol", file);
    EXPECT_EQ(shortened.line, 3);
    EXPECT_EQ(shortened.text, "unexpected symbol");
    const auto other = advcheck::splitLuaMessage("not enough memory", file);
    EXPECT_EQ(other.line, 0);
    EXPECT_EQ(other.text, "not enough memory");
}

}  // namespace
