// The command table against the commands' behaviour, the settings keys and
// the author's guide.
#include <cstdlib>
#include <map>
#include <regex>
#include <sstream>

#include "adv/commands.h"
#include "game_fixture.h"

using namespace advtest;
using adv::ArgType;
using adv::Command;
using adv::Flow;

namespace {

std::string typeError(const Command& command, int position) {
    return std::string(command.word()) + "(): Invalid parameter type. expected " + std::to_string(position) +
           " to " + (command.typeOf(position) == ArgType::Number ? "NUMBER" : "STRING") + " type";
}

// A call of the command with valid arguments before `position`, then `last` (if not empty).
std::string call(const Command& command, int position, const std::string& last) {
    static const std::map<std::string_view, std::string> files{
        {"CMD_DRB", "'p.bmp'"}, {"CMD_DRC", "'p.bmp'"}, {"CMD_BGM", "'s.wav'"},
        {"CMD_SE", "'s.wav'"},  {"CMD_MAP", "'m.fmf'"}, {"CMD_LOAD", "'next.lua'"}};
    std::vector<std::string> args;
    for (int k = 1; k < position; ++k) {
        const auto file = files.find(command.key);
        const bool text = command.typeOf(k) == ArgType::String;
        if (!text) {
            args.push_back("0");
        } else {
            args.push_back(k == 1 && file != files.end() ? file->second : "'x'");
        }
    }
    if (!last.empty()) args.push_back(last);
    std::string text = std::string(command.word()) + "(";
    for (std::size_t i = 0; i < args.size(); ++i) text += (i ? ", " : "") + args[i];
    return text + ")";
}

class CommandTableTest : public GameTest {
protected:
    std::string firstUpdateError(const std::string& script) {
        start(script);
        return testsupport::errorText([this] { step(); });
    }
};

TEST_F(CommandTableTest, ArgumentErrorsFollowTheSignature) {
    for (const Command& command : adv::commandTable()) {
        for (int k = 1; k <= command.argumentCount(); ++k) {
            const std::string wrong = command.typeOf(k) == ArgType::String ? "5" : "'5'";
            EXPECT_EQ(firstUpdateError(call(command, k, wrong)), typeError(command, k))
                << call(command, k, wrong);
        }
        if (const int required = command.requiredCount(); required > 0) {
            EXPECT_EQ(firstUpdateError(call(command, required, "")), typeError(command, required))
                << command.key;
        }
    }
}

// Valid arguments and one more that would fail if it were read.
TEST_F(CommandTableTest, FlowFollowsTheTableAndLaterArgumentsAreNotRead) {
    testsupport::writeSolidBMP("resource/level/p.bmp", 8, 8, grey);
    testsupport::writeWAV("resource/sound/s.wav", 100);
    writeMap("m.fmf", 2, 2, {0, 1, 0, 0});
    writeScript("next.lua", "");
    for (const Command& command : adv::commandTable()) {
        notes().clear();
        const std::string script = call(command, command.argumentCount() + 1, "{}") + " note('on')";
        const std::string error = firstUpdateError(script);
        EXPECT_EQ(error, command.flow == Flow::Ends ? "GAME END" : "(no error)") << script;
        EXPECT_EQ(notes().size(), command.flow == Flow::GoesOn ? 1u : 0u) << script;
        runner.reset();  // the next call starts from a fresh runner
    }
}

TEST(CommandTable, KeysAreTheSettingsCommandKeysInOrder) {
    std::vector<std::string_view> settings, table;
    for (const SettingsKey& key : settingsKeys())
        if (key.name.starts_with("CMD_")) settings.push_back(key.name);
    for (const Command& command : adv::commandTable()) {
        table.push_back(command.key);
        EXPECT_EQ(adv::findCommand(command.key), &command);
    }
    EXPECT_EQ(table, settings);
}

// The guide's command table: "| PRINT (`log`) | text | – | no |".
TEST(CommandTable, TheAuthorsGuideListsEveryCommandAsTheTableHasIt) {
    const std::string guide =
        testsupport::readFile(std::string(std::getenv("ORBA_SOURCE_DIR")) + "/docs/authors-guide.md");
    const auto section = guide.substr(guide.find("## 5. The 22 commands"));
    const std::regex row(R"(\n\| ([A-Z]+) \(`\w+`\) \| ([^|]+) \| [^|]+ \| ([^|]+) \|)");
    std::vector<std::string> words;
    for (std::sregex_iterator it(section.begin(), section.end(), row), end; it != end; ++it) {
        const std::string word = (*it)[1], arguments = (*it)[2], waits = (*it)[3];
        words.push_back(word);
        const Command* command = adv::findCommand("CMD_" + word);
        ASSERT_NE(command, nullptr) << word;
        EXPECT_EQ(waits == "no", command->flow == Flow::GoesOn) << word;
        EXPECT_EQ(waits == "ends the game", command->flow == Flow::Ends) << word;
        int count = 0, optional = 0;
        std::smatch choices;
        if (std::regex_match(arguments, choices, std::regex(R"(1 to (\d) \w+)"))) {
            count = std::stoi(choices[1]);
            optional = count - 1;
        } else if (arguments != "none") {
            std::istringstream items(arguments);
            for (std::string item; std::getline(items, item, ',');) {
                ++count;
                optional +=
                    item.find('(') != std::string::npos && item.find("(required)") == std::string::npos;
            }
        }
        EXPECT_EQ(count, command->argumentCount()) << word;
        EXPECT_EQ(count - optional, command->requiredCount()) << word;
        EXPECT_NE(guide.find("\n### " + word + " ("), std::string::npos)
            << word << " has no section of its own";
    }
    std::vector<std::string> table, keys, guideKeys;
    for (const Command& command : adv::commandTable()) {
        table.emplace_back(command.word());
        keys.emplace_back(command.key);
    }
    EXPECT_EQ(words, table);
    const std::regex keyRow(R"(\n\| `(CMD_[A-Z]+)` \| ([A-Z]+):)");  // the settings' table of command names
    for (std::sregex_iterator it(guide.begin(), guide.end(), keyRow), end; it != end; ++it)
        guideKeys.push_back((*it)[1]);
    EXPECT_EQ(guideKeys, keys);
}

}  // namespace
