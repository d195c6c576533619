#pragma once
// What each of the 22 script commands reads: its settings key, the types of
// its arguments, how many are required and how many are read at all.
#include <array>
#include <span>
#include <string_view>

namespace advcheck {

enum class Cmd {
    Print, Directory, Msg, Pf, Select, Drb, Erb, Drc, Erc, Bgm, Bgmoff,
    Se, Wait, Load, Ret, Setf, Getf, Map, Exit, Flash, Shake, End,
};

enum class ArgType { String, Number };

struct CommandSpec {
    Cmd cmd;
    std::string_view key;      // settings key, e.g. "CMD_PRINT"
    std::string_view command;  // e.g. "PRINT"
    int required;              // arguments that must be present
    int read;                  // arguments read at all; later ones are ignored
    std::array<ArgType, 4> types;
};

// The 22 commands in registration order (a later one wins a shared name).
std::span<const CommandSpec> commandSpecs();
const CommandSpec* findCommandSpec(std::string_view key);

} // namespace advcheck
