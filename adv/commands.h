#pragma once
// The 22 script commands, in registration order, each with its settings key.
#include <lua.hpp>

#include <span>
#include <string>
#include <string_view>

namespace adv {

// The text of the Error that the END command throws.
inline constexpr std::string_view gameEndMessage = "GAME END";

struct Command {
    const std::string* name;  // the System::CMD_* field that names it for scripts
    lua_CFunction function;
};

// PRINT, DIRECTORY, MSG, PF, SELECT, DRB, ERB, DRC, ERC, BGM, BGMOFF, SE, WAIT,
// LOAD, RET, SETF, GETF, MAP, EXIT, FLASH, SHAKE, END.
std::span<const Command> commandTable();

} // namespace adv
