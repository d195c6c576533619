// The program entry, run as the real executable on small game folders: every
// end leaves its reason as the last line of run.log; only the ends the game or
// the player chose exit with status 0, every failure with 1.
#include <gtest/gtest.h>

#ifdef _WIN32
// These runs end the engine as a player's close request does on Linux, with
// SIGTERM, and start it with fork and exec; Windows has neither.
TEST(EntryTest, RunsWhereTheEngineCanBeSignalled) {
    GTEST_SKIP() << "the engine's runs are ended with SIGTERM, which Windows does not have";
}
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "config/sysinfo.h"
#include "testsupport.h"

namespace fs = std::filesystem;
using testsupport::lastLogLine;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

std::string engineBinary() {
    const char* dir = std::getenv("ORBA_BINARY_DIR");
    return std::string(dir ? dir : ".") + "/adv/advengine";
}

// game.ini with all keys; `skip` leaves one out.
void writeSettings(std::string_view skip = {}) {
    std::string ini = "# written by the test\n";
    for (const SettingsKey& key : settingsKeys()) {
        if (key.name == skip) continue;
        std::string value = "10";
        if (key.name == "CAPTION")
            value = "entry test";
        else if (key.name == "FONT")
            value = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
        else if (key.name.starts_with("CMD_"))
            value = std::string(key.name.substr(4));
        ini += std::string(key.name) + " = " + value + "\n";
    }
    writeFile("resource/level/game.ini", ini);
}

void writeGame(std::string_view startScript) {
    writeSettings();
    testsupport::writeSolidBMP("resource/level/pf.bmp", 64, 32, 0xFF0000);
    testsupport::writeSolidBMP("resource/level/cursor.bmp", 16, 8, 0xFFFFFF);
    testsupport::writeSolidBMP("resource/level/msgwin.bmp", 640, 120, 0x0000FF);
    writeFile("resource/level/start.lua", startScript);
}

pid_t launch(const std::vector<std::string>& arguments = {}) {
    const std::string binary = engineBinary();
    std::vector<char*> argv{const_cast<char*>(binary.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (!freopen("/dev/null", "w", stdout)) _exit(126);
        execv(binary.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

// Exit status of a finished run; -1 when it did not exit normally.
int waitForExit(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

void waitForLogLine(const std::string& line) {
    while (readFile("run.log").find(line + "\n") == std::string::npos)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

struct EndCase {
    const char* name;
    std::function<void()> setUp;
    std::string lastLine;  // a trailing '*' matches any rest
    int status;
};

class EntryTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
};

}  // namespace

TEST_F(EntryTest, EveryEndIsLoggedAndOnlyFailuresExitWithOne) {
    const std::vector<EndCase> cases = {
        {"END", [] { writeGame("PRINT('hello') END() PRINT('never')"); }, "GAME END", 0},
        {"no start.lua",
         [] {
             writeGame("");
             fs::remove("resource/level/start.lua");
         },
         "Not exist : resource/level/start.lua", 1},
        {"syntax error", [] { writeGame("if then"); }, "Lua Syntax error : resource/level/start.lua", 1},
        {"bad argument", [] { writeGame("MSG(12)"); },
         "MSG(): Invalid parameter type. expected 1 to STRING type", 1},
        {"LOAD of a missing script", [] { writeGame("DIRECTORY('ch9') LOAD('x.lua')"); },
         "Not exist : resource/level/ch9/x.lua", 1},
        {"no cursor picture",
         [] {
             writeGame("END()");
             fs::remove("resource/level/cursor.bmp");
         },
         "Orba_loadBMP: *", 1},
        {"a runtime error, then a quit", [] { writeGame("PRINT('ready') local x = nil + 1"); },
         "dOrba system quit.", 0},
    };
    for (const EndCase& c : cases) {
        fs::remove_all("resource");
        fs::remove("run.log");
        c.setUp();
        const pid_t pid = launch();
        if (c.lastLine == "dOrba system quit.") {
            waitForLogLine("ready");
            kill(pid, SIGTERM);  // the player's quit
        }
        EXPECT_EQ(waitForExit(pid), c.status) << c.name;
        const std::string line = lastLogLine();
        if (c.lastLine.ends_with('*'))
            EXPECT_TRUE(line.starts_with(c.lastLine.substr(0, c.lastLine.size() - 1)))
                << c.name << ": " << line;
        else
            EXPECT_EQ(line, c.lastLine) << c.name;
    }
}

TEST_F(EntryTest, ASettingsErrorEndsBeforeTheWindowOpens) {
    writeGame("END()");
    writeSettings("MSG_MARGIN");
    writeFile("run.log", "from an earlier run\n");
    ASSERT_EQ(waitForExit(launch()), 1);
    // The window never opened, so the log was not emptied.
    EXPECT_EQ(readFile("run.log"),
              "from an earlier run\nConfigParser.checkKey(): not exist key ... 'MSG_MARGIN'\n");
}

TEST_F(EntryTest, CommandLineArgumentsAreIgnored) {
    writeGame("PRINT('hello') END()");
    ASSERT_EQ(waitForExit(launch({"other.lua", "--fullscreen", ""})), 0);
    EXPECT_EQ(readFile("run.log"), "hello\nGAME END\n");
}

// A finished script, a waiting one and one that never yields all keep the
// window open until a close request, which ends the program like Escape, also
// while a loop spends its time in a few slow instructions (joining long strings).
TEST_F(EntryTest, TheWindowStaysOpenUntilQuit) {
    for (const char* script :
         {"PRINT('ready')", "PRINT('ready') MSG('page') PF() END()", "PRINT('ready') while true do end",
          "PRINT('ready') while true do pcall(error) end",
          "PRINT('ready') local x = 'x' for i = 1, 24 do x = x .. x end "
          "while true do local y = x .. 'a' end",
          "PRINT('ready') local s = '' while true do s = s .. 'x' end"}) {
        fs::remove("run.log");
        writeGame(script);
        const pid_t pid = launch();
        waitForLogLine("ready");
        kill(pid, SIGTERM);  // SDL turns it into a close request
        EXPECT_EQ(waitForExit(pid), 0) << script;
        EXPECT_EQ(readFile("run.log"), "ready\ndOrba system quit.\n") << script;
    }
}

// With --dev an error leaves the window open; the fixed script runs (one
// without a wait runs live after its replay, so its line is logged), and the
// player's quit still ends the program as always.
TEST_F(EntryTest, DeveloperModeShowsAnErrorAndGoesOnAfterTheFix) {
    writeGame("PRINT('ready') MSG(12)");
    const pid_t pid = launch({"--dev"});
    waitForLogLine("ready");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    writeFile("resource/level/start.lua", "PRINT('fixed')");
    waitForLogLine("fixed");
    kill(pid, SIGTERM);
    EXPECT_EQ(waitForExit(pid), 0);
    EXPECT_EQ(readFile("run.log"), "ready\nfixed\ndOrba system quit.\n");
}

#endif
