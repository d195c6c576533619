// Message lines wrapped at MSG_WIDTH: where rows break, and the rows as
// lines of the page (which the history keeps as they are).
#include "adv/msgwrap.h"

#include "game_fixture.h"

using namespace advtest;

namespace {

using Rows = std::vector<std::string>;

// Every character 10 pixels wide, whatever its length in bytes.
int tenPerCharacter(std::string_view text) {
    int width = 0;
    for (char c : text) width += (static_cast<unsigned char>(c) & 0xC0) == 0x80 ? 0 : 10;
    return width;
}

TEST(WrapLine, BreaksAtSpacesThenBetweenCharacters) {
    struct Case {
        const char* line;
        int width;
        Rows rows;
    };
    const Case cases[] = {
        {"", 50, {""}},
        {"abcde", 50, {"abcde"}},                  // exactly the width
        {"abcdef", 0, {"abcdef"}},                 // no width: never wraps
        {"hello world", 50, {"hello", "world"}},   // the space is dropped
        {"ab cd ef", 50, {"ab cd", "ef"}},         // the last space that fits
        {"abcde fg", 50, {"abcde", "fg"}},         // the space just past the width
        {"ab  cdefgh", 50, {"ab", "cdefg", "h"}},  // spaces in a row, then a long word
        {"  ab cd", 50, {"  ab", "cd"}},           // leading spaces stay
        {"abcdefghijkl", 50, {"abcde", "fghij", "kl"}},
        {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9",
         50,  // é x 6: whole code points
         {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", "\xC3\xA9"}},
        {"日本語のテキストです", 50, {"日本語のテ", "キストです"}},
        {"ab 日本語日本語", 50, {"ab 日本", "語日本語"}},  // after a space, still between CJK
        {"abc", 5, {"a", "b", "c"}},                       // a character wider than the width
    };
    for (const Case& c : cases) EXPECT_EQ(adv::wrapLine(c.line, c.width, tenPerCharacter), c.rows) << c.line;
}

class WrapTest : public GameTest {
protected:
    void TearDown() override {
        System::MSG_WIDTH = 0;
        GameTest::TearDown();
    }
};

// The rows are lines of the page, as if each had a MSG of its own, and a
// flag's value is in place before the line is measured.
TEST_F(WrapTest, RowsAreLinesOfThePageAfterFlagValues) {
    System::MSG_WIDTH = Orba_getTextWidth("Score %F1");
    start("SETF(1, 1234567) MSG('Score %F1') MSG('short') PF() note('after')");
    step();
    const Rows rows{"Score", "1234567", "short"};
    EXPECT_EQ(adv::messageWindow().messages, rows);

    System::MSG_WIDTH = 0;
    start("SETF(1, 1234567) MSG('Score %F1') PF()");
    step();
    EXPECT_EQ(adv::messageWindow().messages, Rows{"Score 1234567"});
}

}  // namespace
