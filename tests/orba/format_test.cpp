#include <gtest/gtest.h>

#include <cmath>

#include "orba/format.h"

namespace {

struct FormatCase {
    std::string expected;
    std::string text;
};

TEST(FormatText, FollowsPrintfRulesWithTypedArguments) {
    const FormatCase cases[] = {
        {"5 apples", formatText("%d apples", {5})},
        {"-12|ff|FF|17", formatText("%i|%x|%X|%o", {-12, 255, 255, 15})},
        {" 3.14", formatText("%5.2f", {3.14159})},
        {"7   |", formatText("%-4d|", {7})},
        {"abc", formatText("%.*s", {3, "abcdef"})},
        {"A", formatText("%c", {65})},
        {"line\n", formatText("%s\n", {std::string("line")})},
        {"4000000000", formatText("%u", {4000000000u})},
        {"1e+10", formatText("%g", {1e10})},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, c.text);
}

TEST(FormatText, NeverReadsArgumentsThatWereNotPassed) {
    const FormatCase cases[] = {
        {"%", formatText("%%", {})},
        {"100%", formatText("100%", {})},
        {"My %d game", formatText("My %d game", {})},
        {"a and %s", formatText("%s and %s", {"a"})},
        {"%*d", formatText("%*d", {5})},
        {"%n", formatText("%n", {1})},
        {"50%q", formatText("50%q", {1})},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, c.text);
}

TEST(FormatText, MismatchedTypesAreRenderedSafely) {
    EXPECT_EQ("text", formatText("%d", {"text"}));
    EXPECT_EQ("42", formatText("%s", {42}));
    EXPECT_EQ("2", formatText("%d", {2.9}));
    EXPECT_EQ("0", formatText("%d", {std::nan("")}));
}

}  // namespace
