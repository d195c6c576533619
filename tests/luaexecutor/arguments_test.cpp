// The argument helpers, on a bare interpreter state.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "luaexecutor/luaexecutor.h"

namespace {

constexpr std::int32_t int32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t int32Max = std::numeric_limits<std::int32_t>::max();

class Arguments : public ::testing::Test {
protected:
    LuaStatePtr state{luaL_newstate()};
    lua_State* L = state.get();
};

TEST_F(Arguments, NumbersAreTruncatedTowardZeroAndSaturated) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        std::int32_t expected;
    } cases[] = {
        {7.99, 7},
        {-0.5, 0},
        {2.9, 2},
        {-2.9, -2},
        {nan, 0},
        {inf, int32Max},
        {-inf, int32Min},
        {3e9, int32Max},
        {-3e9, int32Min},
        {2147483647.9, int32Max},
        {-2147483648.9, int32Min},
        {2147483648.0, int32Max},
    };
    for (const auto& c : cases) {
        lua_settop(L, 0);
        lua_pushnumber(L, c.value);
        EXPECT_EQ(checkNumber(L, "f", 1), c.expected) << c.value;
    }
}

TEST_F(Arguments, WrongTypesNameTheFunctionAndPosition) {
    lua_pushnumber(L, 7);
    lua_pushstring(L, "7");
    lua_pushnil(L);
    lua_pushboolean(L, 1);
    const struct {
        bool number;
        int index;
        const char* text;
    } cases[] = {
        {true, 2, "WAIT(): Invalid parameter type. expected 2 to NUMBER type"},   // digit string
        {false, 1, "WAIT(): Invalid parameter type. expected 1 to STRING type"},  // number
        {true, 3, "WAIT(): Invalid parameter type. expected 3 to NUMBER type"},   // nil
        {false, 4, "WAIT(): Invalid parameter type. expected 4 to STRING type"},  // boolean
        {true, 5, "WAIT(): Invalid parameter type. expected 5 to NUMBER type"},   // missing
        {false, 0, "WAIT(): Invalid parameter type. expected 0 to STRING type"},  // no such position
    };
    for (const auto& c : cases) {
        try {
            if (c.number) {
                checkNumber(L, "WAIT", c.index);
            } else {
                checkString(L, "WAIT", c.index);
            }
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), c.text);
        }
    }
}

TEST_F(Arguments, StringsEndAtTheFirstNul) {
    lua_pushlstring(L, "ab\0cd", 5);
    lua_pushstring(L, "h\xc3\xa9llo");
    EXPECT_EQ(checkString(L, "MSG", 1), "ab");
    EXPECT_EQ(checkString(L, "MSG", 2), "h\xc3\xa9llo");
}

TEST_F(Arguments, PushNumberKeepsTheFullRange) {
    for (const std::int32_t value : {0, -5, int32Min, int32Max}) {
        pushNumber(L, value);
        EXPECT_EQ(lua_tonumber(L, -1), value);
        EXPECT_EQ(checkNumber(L, "f", lua_gettop(L)), value);
    }
}

}  // namespace
