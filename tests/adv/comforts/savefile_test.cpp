// Save files: the text format round trip, damaged files, the bounds and the slot files.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>

#include "adv/comforts/savefile.h"
#include "gamefiles/gamefiles.h"
#include "gamefiles/hash.h"
#include "testsupport.h"

using namespace adv;
using testsupport::writeFile;

namespace {

// Texts that a careless format would lose: line breaks, backslashes and what
// looks like an escape, control bytes, spaces at the ends, UTF-8.
const std::string awkward =
    std::string("  a\\nb\\\\ \n\r\t\x7f\x01 \xe6\x97\xa5\xe6\x9c\xac ") + '\0' + "end ";

SceneStart scene(const std::string& script) {
    SceneStart s;
    s.script = script;
    s.scriptHash = 0xfedcba9876543210u;
    s.directory = "resource/level/ch1/";
    s.flags[0] = INT32_MIN;
    s.flags[5] = 17;
    s.flags[127] = INT32_MAX;
    s.choiceResult = -3;
    s.background = awkward;
    s.backgroundPath = "resource/level/ch1/bg.bmp";
    s.characters = {"left.bmp", "", awkward};
    s.characterPaths = {"resource/level/ch1/left.bmp", "", "resource/level/ch1/x.bmp"};
    s.music = "resource/sound/theme.ogg";
    return s;
}

SaveFile fullSave() {
    SaveFile save;
    save.savedAt = "2026-12-08 17:30";
    save.firstLine = awkward;
    save.scenes = {scene("resource/level/start.lua"), scene("resource/level/ch1/02.lua")};
    save.scenes[1].map = "resource/level/ch1/map.fmf";
    save.point = {1, {-1, 0, 3, -1}, WaitKind::Choice};
    save.history = {{{"first", awkward, ""}, {0, {}, WaitKind::Page}}, {{}, {1, {-1, 2}, WaitKind::MapPick}}};
    return save;
}

// The full save's text with the first `from` replaced by `to`.
std::string changed(const std::string& from, const std::string& to) {
    std::string text = formatSave(fullSave());
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

}  // namespace

TEST(SaveFile, EveryFieldSurvivesTheTextFormat) {
    const SaveFile save = fullSave();
    const SaveParse parsed = parseSave(formatSave(save));
    ASSERT_TRUE(parsed.save) << parsed.problem;
    EXPECT_EQ(*parsed.save, save);
    EXPECT_EQ(formatSave(*parsed.save), formatSave(save));
}

TEST(SaveFile, DamagedFilesAreRefusedWithTheirReason) {
    std::string manyFlags;
    for (int i = 6; i <= 128; ++i) manyFlags += "flag " + std::to_string(i) + " 1\n";
    const struct {
        std::string text, problem;
    } cases[] = {
        {"", "not a save file"},
        {"\x89PNG garbage", "not a save file"},
        {changed("save 1", "save 2"), "this save comes from a newer version of the engine"},
        {changed("save 1", "save one"), "bad version line"},
        {changed("flag 5 17", "flag 1000000000 17"),
         "this save is damaged (line 9: flag index out of range)"},
        {changed("flag 5 17\n", manyFlags), "flag index out of range"},
        {changed("flag 5 17", "flag 0 17"), "flags out of order"},
        {changed("flag 5 17", "flag 5 2147483648"), "flag value: number out of range"},
        {changed("choice -3", "choice 3x"), "choice: not a number"},
        {changed("choice -3", "choice"), "choice: not a number"},
        {changed("choice -3\n", ""), "expected choice"},
        {changed("decisions 4 -1 0 3 -1", "decisions 4 -1 0 4 -1"), "decision out of range"},
        {changed("decisions 4 -1 0 3 -1", "decisions 5 -1 0 3 -1"), "fewer decisions than counted"},
        {changed("decisions 4 -1 0 3 -1", "decisions 3 -1 0 3 -1"), "more decisions than counted"},
        {changed("decisions 4 -1 0 3 -1", "decisions 1000001"), "too many decisions"},
        {changed("point 1 ", "point 2 "), "scene index out of range"},
        {changed("page 1 ", "page -1 "), "page: number out of range"},
        {changed("point 1 choice", "point 1 later"), "unknown wait"},
        {changed("scenes 2", "scenes 2000"), "too many scenes"},
        {changed("history 2", "history 201"), "too many pages"},
        {changed("page 0 page 3", "page 0 page 257"), "too many lines"},
        {changed("script resource/level/start.lua", "script resource/../../x.lua"),
         "script: path leaves the game folder"},
        {changed("script resource/level/start.lua", "script /etc/passwd"),
         "script: path leaves the game folder"},
        {changed("script resource/level/start.lua", "script"), "script: path missing"},
        {changed("directory resource/level/ch1/", "directory ../"), "directory: path leaves"},
        {changed("backgroundPath resource/level/ch1/bg.bmp", "backgroundPath /bg.bmp"),
         "backgroundPath: path leaves"},
        {changed("rightPath resource/level/ch1/x.bmp", "rightPath ../x.bmp"), "rightPath: path leaves"},
        {changed("music resource/sound/theme.ogg", "music ../../theme.ogg"), "music: path leaves"},
        {changed("map resource/level/ch1/map.fmf", "map /map.fmf"), "map: path leaves"},
        {changed("map resource/level/ch1/map.fmf", "map a\\x00b"), "map: path leaves"},
        {changed("hash fedcba9876543210", "hash FEDCBA9876543210"), "bad hash"},
        {changed("hash fedcba9876543210", "hash fedcba987654321"), "bad hash"},
        {changed("saved 2026", "saved \\q"), "bad escape in text"},
        {changed("saved 2026", "saved \\x4"), "bad escape in text"},
        {changed("saved 2026", "saved \r"), "control character in text"},
        {changed("saved 2026", "saved " + std::string(maxSaveText + 1, 'a')), "text too long"},
        {formatSave(fullSave()) + "end\n", "text after the end"},
        {changed("save 1\n", "save 1\n" + std::string(maxWholeFileBytes, '#')), "larger than 8 MiB"},
    };
    for (const auto& c : cases) {
        const SaveParse parsed = parseSave(c.text);
        EXPECT_FALSE(parsed.save) << c.problem;
        EXPECT_NE(parsed.problem.find(c.problem), std::string::npos) << parsed.problem;
    }
}

TEST(SaveFile, EveryTruncationIsRefused) {
    const std::string text = formatSave(fullSave());
    for (std::size_t length = 0; length < text.size(); ++length) {
        const SaveParse parsed = parseSave(std::string_view(text).substr(0, length));
        EXPECT_FALSE(parsed.save) << length;
        EXPECT_EQ(parsed.problem.rfind("this save is damaged (", 0), 0u) << parsed.problem;
    }
}

TEST(SaveFile, OnlyWhatReadsBackIsWritten) {
    SaveFile save = fullSave();
    const HistoryPage page = save.history[0];
    save.history.resize(maxHistoryPages + 5, page);
    save.history.back().lines = {std::string(maxSaveText - 1, 'a') + "\xe6\x97\xa5"};
    const SaveParse parsed = parseSave(formatSave(save));
    ASSERT_TRUE(parsed.save) << parsed.problem;
    EXPECT_EQ(parsed.save->history.size(), maxHistoryPages);  // the newest kept
    EXPECT_EQ(parsed.save->history.back().lines[0],
              std::string(maxSaveText - 1, 'a'));  // cut before the character

    testsupport::TempDir dir;
    EXPECT_TRUE(writeSaveFile(slotPath(1), save));
    EXPECT_EQ(readSaveFile(slotPath(1)).save, parsed.save);
    save.point.scene = 7;
    const WriteResult refused = writeSaveFile(slotPath(2), save);
    EXPECT_EQ(refused.problem.rfind("cannot write save/slot2.sav: ", 0), 0u) << refused.problem;
    EXPECT_FALSE(std::filesystem::exists(slotPath(2)));
    const SaveParse missing = readSaveFile(slotPath(2));
    EXPECT_TRUE(!missing.save && missing.problem.empty());
}

TEST(SaveFile, ChangedScriptsAreNoticed) {
    testsupport::TempDir dir;
    writeFile("resource/level/start.lua", "MSG('a')");
    SceneStart start;
    start.script = "resource/level/start.lua";
    start.scriptHash = hashBytes("MSG('a')");
    EXPECT_TRUE(scriptUnchanged(start));
    writeFile("resource/level/start.lua", "MSG('b')");
    EXPECT_FALSE(scriptUnchanged(start));
    start.script = "resource/level/gone.lua";
    EXPECT_FALSE(scriptUnchanged(start));
}

TEST(SaveFile, SlotsHaveFixedFileNames) {
    EXPECT_EQ(slotPath(0), "save/auto.sav");
    EXPECT_EQ(slotPath(9), "save/slot9.sav");
    EXPECT_EQ(thumbnailPath(1), "save/slot1.bmp");
    EXPECT_EQ(thumbnailPath(0), "save/auto.bmp");
    EXPECT_EQ(testsupport::errorText([] { slotPath(10); }), "slotPath: no slot 10");
}
