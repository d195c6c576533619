// Helper files shared through dofile and loadfile: named from the game's
// folder and confined to it, refused as LOAD refuses a script.
#include "game_fixture.h"

using namespace advtest;

namespace {

const char* const helper = "function greet() note('hi') end return 7";

class HelperFilesTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        writeScript("lib.lua", helper);
        testsupport::writeFile("resource/shared/lib.lua", helper);
        writeScript("bin.lua", std::string(LUA_SIGNATURE) + "Q\x01\x04");
    }
    std::string run(const std::string& script) {
        start(script);
        return testsupport::errorText([this] { step(); });
    }
};

TEST_F(HelperFilesTest, LoadFromInsideTheGameFolderOnly) {
    struct Case {
        const char* script;
        std::string error;
        std::vector<std::string> notes;
    };
    const Case cases[] = {
        {"note(dofile('resource/level/lib.lua')) greet()", "(no error)", {"7", "hi"}},
        {"local f = loadfile('resource/shared/lib.lua') note(type(f)) f() greet()",
         "(no error)",
         {"function", "hi"}},
        {"DIRECTORY('ch') dofile('resource/level/lib.lua') greet()", "(no error)", {"hi"}},
        {"dofile('resource/../../lib.lua')", "Not exist : resource/../../lib.lua", {}},
        {"dofile('/etc/hostname')", "Not exist : /etc/hostname", {}},
        {"loadfile('resource/none.lua')", "Not exist : resource/none.lua", {}},
        {"pcall(dofile, 'none.lua') note('on')", "Not exist : none.lua", {}},
        {"dofile('resource/level/bin.lua')", "Lua Syntax error : resource/level/bin.lua", {}},
        {"loadfile('resource/level/bin.lua')", "Lua Syntax error : resource/level/bin.lua", {}},
        {"dofile()", "dofile(): Invalid parameter type. expected 1 to STRING type", {}},
    };
    for (const Case& c : cases) {
        notes().clear();
        EXPECT_EQ(run(c.script), c.error) << c.script;
        EXPECT_EQ(notes(), c.notes) << c.script;
        if (c.error != "(no error)") {
            EXPECT_EQ(runner->failurePlace(), "resource/level/start.lua:1") << c.script;
        }
        runner.reset();
        adv::resetEngineState();
    }
}

// A helper's own lines may wait like the script's: they run where dofile stands.
TEST_F(HelperFilesTest, AHelperMayWaitForThePlayer) {
    writeScript("page.lua", "MSG('from the helper') PF()");
    start("dofile('resource/level/page.lua') note('after')");
    step();
    EXPECT_EQ(adv::messageWindow().messages, std::vector<std::string>{"from the helper"});
    EXPECT_TRUE(notes().empty());
    testsupport::click();
    step();
    EXPECT_EQ(notes(), std::vector<std::string>{"after"});
}

}  // namespace
