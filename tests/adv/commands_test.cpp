// The script commands, run from real scripts in a scratch game folder.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "game_fixture.h"

using namespace advtest;

namespace {

constexpr std::int32_t int32Max = std::numeric_limits<std::int32_t>::max();

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

std::string typeError(const std::string& name, int index, const char* type) {
    return name + "(): Invalid parameter type. expected " + std::to_string(index) + " to " + type + " type";
}

// An 8-bit map of 40 x 30 cells (the screen in 16-pixel cells), two layers:
// layer 1 holds `value` at column 2, row 3, and 0 elsewhere.
void writeClickMap(const std::string& file, std::uint8_t value) {
    const int width = 40, height = 30;
    std::string bytes = "FMF_";
    auto put32 = [&bytes](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    put32(2 * width * height);
    put32(width);
    put32(height);
    bytes += {16, 16, 2, 8};
    bytes += std::string(width * height, '\1');
    std::string layer(width * height, '\0');
    layer[3 * width + 2] = static_cast<char>(value);
    bytes += layer;
    testsupport::writeFile(file, bytes);
}

class CommandTest : public StageLayoutTest {
protected:
    // Runs frames until flag 0 becomes non-zero; the number of that frame, or 0.
    int framesUntilFlag0(int limit) {
        for (int f = 1; f <= limit; ++f) {
            frame();
            if (adv::flagState().flags[0] != 0) return f;
        }
        return 0;
    }
    // The Error text that the next update raises, or "" when it raises none.
    std::string updateError() {
        try {
            runner->update();
        } catch (const Error& e) {
            return e.what();
        }
        return "";
    }
};

struct BadCall {
    const char* script;
    std::string message;
};

TEST_F(CommandTest, BadArgumentsFailBeforeAnyEffect) {
    const std::vector<BadCall> cases{
        {"MSG(5)", typeError("MSG", 1, "STRING")},
        {"MSG()", typeError("MSG", 1, "STRING")},
        {"DRB('bg.bmp', nil)", typeError("DRB", 2, "NUMBER")},
        {"ERB('x')", typeError("ERB", 1, "NUMBER")},
        {"DRC('ch.bmp', 0, {})", typeError("DRC", 3, "NUMBER")},
        {"ERC(nil)", typeError("ERC", 1, "NUMBER")},
        {"BGMOFF()", typeError("BGMOFF", 1, "NUMBER")},
        {"SELECT()", typeError("SELECT", 1, "STRING")},
        {"SELECT('a', 2)", typeError("SELECT", 2, "STRING")},
        {"SETF(1, {})", typeError("SETF", 2, "NUMBER")},
        {"GETF()", typeError("GETF", 1, "NUMBER")},
        {"WAIT()", typeError("WAIT", 1, "NUMBER")},
        {"LOAD(nil)", typeError("LOAD", 1, "STRING")},
        {"FLASH(nil)", typeError("FLASH", 1, "STRING")},
        {"FLASH('RED', {})", typeError("FLASH", 2, "NUMBER")},
        {"SHAKE(1, nil)", typeError("SHAKE", 2, "NUMBER")},
        {"DIRECTORY()", typeError("DIRECTORY", 1, "STRING")},
        {"PRINT({})", typeError("PRINT", 1, "STRING")},
        {"END(nil, {})", "GAME END"},
    };
    testsupport::writeSolidBMP("resource/level/bg.bmp", 8, 8, 0xFF0000);
    testsupport::writeSolidBMP("resource/level/ch.bmp", 8, 8, 0xFF0000);
    for (const BadCall& c : cases) {
        start(c.script);
        EXPECT_EQ(updateError(), c.message) << c.script;
        EXPECT_EQ(adv::course().state, adv::RunnerState::Running) << c.script;
        EXPECT_TRUE(adv::messageWindow().messages.empty() && adv::choiceMenu().choices.empty()) << c.script;
        EXPECT_TRUE(adv::stage().background.empty() && adv::stage().characters[0].empty()) << c.script;
        EXPECT_EQ(adv::stage().flashTimer, 0) << c.script;
        EXPECT_EQ(adv::stage().shakeAmplitude, 0) << c.script;
        EXPECT_EQ(adv::flagState().flags[1], 0) << c.script;
        EXPECT_EQ(adv::scriptDirectory(), "resource/level/") << c.script;
    }
}

TEST_F(CommandTest, ErrorsNameTheCommandAsTheScriptCallsIt) {
    System::CMD_MSG = "Say";
    start("Say(5)");
    EXPECT_EQ(updateError(), typeError("Say", 1, "STRING"));
}

TEST_F(CommandTest, LaterDuplicateNameWinsAndBaseGlobalsCanBeReplaced) {
    System::CMD_PRINT = "SAY";
    System::CMD_MSG = "SAY";
    System::CMD_SETF = "print";
    start("SAY('hello') print(4, 9)");
    frame();
    EXPECT_EQ(adv::messageWindow().messages, std::vector<std::string>{"hello"});
    EXPECT_EQ(adv::flagState().flags[4], 9);
    EXPECT_EQ(occurrences(testsupport::readFile("run.log"), "hello"), 0u);
}

TEST_F(CommandTest, PrintWritesItsLineOnceToStandardOutputAndOnceToTheLog) {
    start("PRINT('hello there')");
    testing::internal::CaptureStdout();
    frame();
    std::fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(occurrences(out, "hello there\n"), 1u);
    EXPECT_EQ(occurrences(testsupport::readFile("run.log"), "hello there\n"), 1u);
}

TEST_F(CommandTest, CommandsWithoutResultHandBackTheirLastArgument) {
    start("SETF(3, SETF(4, 7)) SETF(5, GETF(4)) SETF(6, SHAKE(0, 2))");
    frame();
    EXPECT_EQ(adv::flagState().flags[3], 7);
    EXPECT_EQ(adv::flagState().flags[5], 7);
    EXPECT_EQ(adv::flagState().flags[6], 2);
}

TEST_F(CommandTest, FlagsOutsideTheRangeAreIgnoredAndReadAsZero) {
    start(
        "SETF(128, 5) SETF(-1, 5) SETF(127, 9) "
        "SETF(0, GETF(127)) SETF(1, GETF(128) + 1) SETF(2, GETF(-1) + 1)");
    frame();
    const auto& flags = adv::flagState().flags;
    EXPECT_EQ(flags[0], 9);
    EXPECT_EQ(flags[1], 1);
    EXPECT_EQ(flags[2], 1);
    for (int i = 3; i < 127; ++i) EXPECT_EQ(flags[i], 0) << i;
}

struct WaitCase {
    const char* seconds;
    int resumedInFrame;
};

TEST_F(CommandTest, WaitCountsWholeSecondsOfThirtyFrames) {
    const std::vector<WaitCase> cases{
        {"0.99", 2}, {"0", 2}, {"-3", 2}, {"-100000000", 2}, {"1", 32}, {"1.9", 32},
    };
    for (const WaitCase& c : cases) {
        adv::flagState().flags[0] = 0;
        start(std::string("WAIT(") + c.seconds + ") SETF(0, 1)");
        EXPECT_EQ(framesUntilFlag0(40), c.resumedInFrame) << c.seconds;
    }
}

TEST_F(CommandTest, LongWaitSaturatesInsteadOfOverflowing) {
    start("WAIT(100000000) SETF(0, 1)");
    step(3);
    EXPECT_EQ(adv::course().waitFrames, int32Max - 2);
    EXPECT_EQ(adv::flagState().flags[0], 0);
}

struct FlashCase {
    const char* args;
    std::int32_t colour;
    std::int32_t timer;
};

TEST_F(CommandTest, FlashColourNamesAndDefaults) {
    const std::vector<FlashCase> cases{
        {"", 0xFFFFFF, 6},         {"'red'", 0xFFFFFF, 6},      {"'YELLOW'", 0xFFFF00, 6},
        {"'RED', 1", 0xFF0000, 2}, {"'BLUE'", 0x0000FF, 6},     {"'BLACK', 2", 0x000000, 4},
        {"'GREEN'", 0x00FF00, 6},  {"'WHITE', 0", 0xFFFFFF, 0}, {"'RED', 2000000000", 0xFF0000, int32Max},
    };
    for (const FlashCase& c : cases) {
        start(std::string("FLASH(") + c.args + ")");
        runner->update();
        EXPECT_EQ(adv::stage().flashColour, c.colour) << c.args;
        EXPECT_EQ(adv::stage().flashTimer, c.timer) << c.args;
    }
    start("FLASH('YELLOW')");
    frame();
    EXPECT_EQ(testsupport::pixel(10, 10), 0xFFFF00u);
}

TEST_F(CommandTest, StageCommandDefaults) {
    testsupport::writeSolidBMP("resource/level/bg.bmp", 640, 480, 0x0000FF);
    testsupport::writeSolidBMP("resource/level/ch.bmp", 40, 40, 0xFF0000);
    start("DRB('bg.bmp') DRC('ch.bmp') SHAKE() WAIT(0) ERC() SHAKE(3) WAIT(0) SHAKE(5, 1) ERB()");
    runner->update();
    EXPECT_EQ(adv::stage().background, "bg.bmp");
    EXPECT_EQ(adv::stage().backgroundFadeTimer, 0);
    EXPECT_EQ(adv::stage().characters[1], "ch.bmp");
    EXPECT_EQ(adv::stage().shakeAmplitude, 16);
    EXPECT_EQ(adv::stage().shakeHold, 8);
    runner->update();
    EXPECT_TRUE(adv::stage().characters[1].empty());
    EXPECT_EQ(adv::stage().shakeAmplitude, 3);
    EXPECT_EQ(adv::stage().shakeHold, 8);
    runner->update();
    EXPECT_EQ(adv::stage().shakeAmplitude, 5);
    EXPECT_EQ(adv::stage().shakeHold, 1);
    EXPECT_TRUE(adv::stage().background.empty());
}

TEST_F(CommandTest, SelectOffersAtMostFourAndReadsNoFurther) {
    start("SELECT('a', 'b', 'c', 'd', nil, {}) SETF(1, 1)");
    frame();
    EXPECT_EQ(adv::course().state, adv::RunnerState::Choosing);
    EXPECT_EQ(adv::choiceMenu().choices, (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(adv::flagState().flags[1], 0);
}

TEST_F(CommandTest, RetGivesTheLastPickAcrossScriptLoads) {
    testsupport::writeFile("resource/level/next.lua", "SETF(2, RET() + 10)");
    start("SETF(0, RET() + 10) SELECT('a', 'b', 'c') SETF(1, RET() + 10) LOAD('next.lua')");
    frame();
    EXPECT_EQ(adv::flagState().flags[0], 10);
    testsupport::moveMouse(5, 230);  // third band
    testsupport::click();
    frame();
    EXPECT_EQ(adv::flagState().flags[1], 12);
    frame();
    EXPECT_EQ(adv::flagState().flags[2], 12);
}

TEST_F(CommandTest, DirectoryMovesScriptsAndPicturesIntoTheChapterFolder) {
    testsupport::writeFile("resource/level/chapter2/01.lua", "SETF(9, 1) DRB('bg.bmp')");
    testsupport::writeSolidBMP("resource/level/chapter2/bg.bmp", 640, 480, 0xFF0000);
    start("DIRECTORY('chapter2') LOAD('01.lua')");
    step(2);
    EXPECT_EQ(adv::scriptDirectory(), "resource/level/chapter2/");
    EXPECT_EQ(adv::flagState().flags[9], 1);
    EXPECT_EQ(testsupport::pixel(320, 240), 0xFF0000u);
}

TEST_F(CommandTest, LoadWithAnEmptyNameGoesOnInTheNextFrame) {
    start("LOAD('') SETF(0, 1)");
    EXPECT_EQ(framesUntilFlag0(5), 2);
}

TEST_F(CommandTest, NothingRunsAfterLoadExitOrEnd) {
    testsupport::writeFile("resource/level/b.lua", "SETF(2, 1)");
    start("LOAD('b.lua') SETF(1, 1)");
    step(3);
    EXPECT_EQ(adv::flagState().flags[2], 1);
    EXPECT_EQ(adv::flagState().flags[1], 0);

    start("EXIT() SETF(1, 1)");
    step(2);
    testsupport::click();  // no map: a click leads nowhere
    step(2);
    EXPECT_EQ(adv::course().state, adv::RunnerState::MapPick);
    EXPECT_EQ(adv::flagState().flags[1], 0);

    start("SETF(3, 1) END() SETF(1, 1)");
    EXPECT_EQ(updateError(), "GAME END");
    EXPECT_EQ(adv::flagState().flags[3], 1);
    EXPECT_EQ(adv::flagState().flags[1], 0);
}

TEST_F(CommandTest, MapThenExitLetsAClickPickTheNumberedScript) {
    writeClickMap("resource/level/world.fmf", 3);
    testsupport::writeFile("resource/level/03.lua", "SETF(3, 1)");
    start("MAP('world.fmf') EXIT()");
    frame();
    EXPECT_EQ(adv::course().state, adv::RunnerState::MapPick);
    testsupport::moveMouse(40, 56);  // column 2, row 3
    testsupport::click();
    step(2);
    EXPECT_EQ(adv::flagState().flags[3], 1);
}

TEST_F(CommandTest, MissingMapIsAnError) {
    start("MAP('nowhere.fmf')");
    EXPECT_NE(updateError(), "");
}

TEST_F(CommandTest, SoundsComeFromTheSoundFolder) {
    testsupport::writeWAV("resource/sound/beep.wav", 2205);
    testsupport::writeWAV("resource/level/beep.wav", 2205);
    start("SE('beep.wav') SE('beep.wav') BGM('beep.wav') BGMOFF(0) BGMOFF(-5) BGMOFF(100)");
    EXPECT_EQ(updateError(), "");
    std::filesystem::remove("resource/sound/beep.wav");
    for (const char* script : {"SE('beep.wav')", "BGM('beep.wav')"}) {
        start(script);
        EXPECT_NE(updateError(), "") << script;
    }
}

}  // namespace

namespace {

// Runs f and returns what it wrote to standard error.
template <typename F>
std::string stderrOf(F f) {
    ::testing::internal::CaptureStderr();
    f();
    return ::testing::internal::GetCapturedStderr();
}

}  // namespace

// Files outside the game's folder are refused as missing, even when they
// exist; moving up within the folder stays allowed.
TEST_F(CommandTest, PathsLeavingTheGameFolderAreRefusedAsMissing) {
    const std::string name = "outside-" + dir.path().filename().string();
    const std::filesystem::path outside = dir.path().parent_path();
    for (const char* type : {".lua", ".bmp", ".wav", ".fmf"})
        testsupport::writeFile(outside / (name + type), "");
    testsupport::writeSolidBMP(outside / (name + ".bmp"), 8, 8, 0xFF0000);
    testsupport::writeWAV(outside / (name + ".wav"), 100);
    writeClickMap((outside / (name + ".fmf")).string(), 1);
    const std::string up = "../../../" + name;
    const std::vector<BadCall> cases{
        {"LOAD('UP.lua')", "Not exist : resource/level/" + up + ".lua"},
        {"DIRECTORY('../../..') LOAD('NAME.lua')", "Not exist : resource/level/../../../" + name + ".lua"},
        {"DRB('UP.bmp')", "Orba_loadBMP: Couldn't open resource/level/" + up + ".bmp"},
        {"DRB('./UP.bmp', 1)", "Orba_loadBMP: Couldn't open resource/level/./" + up + ".bmp"},
        {"DRC('UP.bmp')", "Orba_loadBMP: Couldn't open resource/level/" + up + ".bmp"},
        {"SE('UP.wav')", "Orba_loadWAV: Mix_LoadWAV_RW with NULL src (resource/sound/" + up + ".wav)"},
        {"BGM('UP.wav')", "Orba_playBgm: Couldn't open 'resource/sound/" + up + ".wav'"},
        {"MAP('UP.fmf')", "FMF file 'resource/level/" + up + ".fmf' cannot be read"},
    };
    for (const BadCall& c : cases) {
        std::string script = c.script;
        for (const auto& [from, to] : {std::pair{"UP", up}, std::pair{"NAME", name}})
            if (const auto at = script.find(from); at != std::string::npos)
                script.replace(at, std::string_view(from).size(), to);
        adv::resetEngineState();  // as the program would start again after the error
        start(script);
        EXPECT_EQ(updateError(), c.message) << script;
    }
    for (const char* type : {".lua", ".bmp", ".wav", ".fmf"})
        std::filesystem::remove(outside / (name + type));
    adv::resetEngineState();

    testsupport::writeFile("resource/level/back.lua", "SETF(0, 1)");
    testsupport::writeFile("resource/level/chapter/01.lua", "");
    start("DIRECTORY('chapter') LOAD('../back.lua')");
    EXPECT_EQ(framesUntilFlag0(3), 2);
}

// A FIFO or a device in place of a file a command reads gives at once the
// error that a missing file gives.
TEST_F(CommandTest, FilesThatAreNotRegularAreRefusedAsMissing) {
    for (const char* extension : {".lua", ".bmp", ".fmf"})
        testsupport::makeSpecialFiles(extension, "resource/level/");
    if (testsupport::makeSpecialFiles(".wav", "resource/sound/").empty())
        GTEST_SKIP() << testsupport::noSpecialFiles;
    for (const std::string call : {"LOAD('NAME.lua')", "DRB('NAME.bmp')", "DRC('NAME.bmp', 1)",
                                   "SE('NAME.wav')", "BGM('NAME.wav')", "MAP('NAME.fmf')"}) {
        const auto errorWith = [&](const std::string& name) {
            std::string script = call;
            adv::resetEngineState();
            start(script.replace(script.find("NAME"), 4, name));
            std::string error = updateError();
            if (const auto at = error.find(name); at != std::string::npos)
                error.replace(at, name.size(), "NAME");
            return error;
        };
        for (const char* kind : {"fifo", "device"}) EXPECT_EQ(errorWith(kind), errorWith("missing")) << call;
    }
}

// A waiting command inside a coroutine the script made would not wait: it is
// refused with a Lua error before it changes anything, and the script stops.
TEST_F(CommandTest, WaitingCommandsInsideACoroutineStopTheScript) {
    for (const char* command : {"PF()", "SELECT('a')", "WAIT(1)", "LOAD('b.lua')", "EXIT()"}) {
        const std::string name = std::string(command).substr(0, std::string(command).find('('));
        start(std::string("SETF(1, 0)\ncoroutine.resume(coroutine.create(function() ") + command +
              " end))\nSETF(1, 1)");
        EXPECT_EQ(stderrOf([&] { step(2); }),
                  "resource/level/start.lua:2: " + name + "(): cannot wait inside a coroutine\n");
        EXPECT_EQ(adv::course().state, adv::RunnerState::Running) << command;
        EXPECT_EQ(adv::course().waitFrames, 0) << command;
        EXPECT_TRUE(adv::course().pendingScript.empty() && adv::choiceMenu().choices.empty()) << command;
        EXPECT_EQ(adv::flagState().flags[1], 0) << command;
    }
}
