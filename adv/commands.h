#pragma once
// The script commands: one row per command, read by the runner to register
// them, by advcheck to check calls, and by the tests against the guide.
#include <lua.hpp>

#include <span>
#include <string>
#include <string_view>

namespace adv {

enum class ArgType { String, Number };
// After the call the script goes on at once, is suspended (and resumed when
// the runner decides), or the game ends.
enum class Flow { GoesOn, Waits, Ends };

// The text of the Error that the END command throws.
inline constexpr std::string_view gameEndMessage = "GAME END";

struct Command {
    std::string_view key;     // settings key, "CMD_PRINT"
    const std::string* name;  // the System field holding the name scripts call it by
    lua_CFunction function;
    // One letter per argument the command reads, in order: S or N a required
    // string or number, s or n an optional one. Later arguments are not read.
    std::string_view arguments;
    Flow flow;

    std::string_view word() const { return key.substr(4); }  // "PRINT"
    int argumentCount() const { return static_cast<int>(arguments.size()); }
    int requiredCount() const;
    ArgType typeOf(int position) const;  // position from 1, at most argumentCount()
    bool waits() const { return flow == Flow::Waits; }
};

// In registration order: a later row wins a name that two settings share.
std::span<const Command> commandTable();
const Command* findCommand(std::string_view key);

}  // namespace adv
