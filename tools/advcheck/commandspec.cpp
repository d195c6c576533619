#include "tools/advcheck/commandspec.h"

namespace advcheck {

namespace {

constexpr ArgType S = ArgType::String;
constexpr ArgType N = ArgType::Number;

constexpr std::array<CommandSpec, 22> signatures{{
    {Cmd::Print, "CMD_PRINT", "PRINT", 1, 1, {S}},
    {Cmd::Directory, "CMD_DIRECTORY", "DIRECTORY", 1, 1, {S}},
    {Cmd::Msg, "CMD_MSG", "MSG", 1, 1, {S}},
    {Cmd::Pf, "CMD_PF", "PF", 0, 0, {}},
    {Cmd::Select, "CMD_SELECT", "SELECT", 1, 4, {S, S, S, S}},
    {Cmd::Drb, "CMD_DRB", "DRB", 1, 2, {S, N}},
    {Cmd::Erb, "CMD_ERB", "ERB", 0, 1, {N}},
    {Cmd::Drc, "CMD_DRC", "DRC", 1, 3, {S, N, N}},
    {Cmd::Erc, "CMD_ERC", "ERC", 0, 2, {N, N}},
    {Cmd::Bgm, "CMD_BGM", "BGM", 1, 1, {S}},
    {Cmd::Bgmoff, "CMD_BGMOFF", "BGMOFF", 1, 1, {N}},
    {Cmd::Se, "CMD_SE", "SE", 1, 1, {S}},
    {Cmd::Wait, "CMD_WAIT", "WAIT", 1, 1, {N}},
    {Cmd::Load, "CMD_LOAD", "LOAD", 1, 1, {S}},
    {Cmd::Ret, "CMD_RET", "RET", 0, 0, {}},
    {Cmd::Setf, "CMD_SETF", "SETF", 2, 2, {N, N}},
    {Cmd::Getf, "CMD_GETF", "GETF", 1, 1, {N}},
    {Cmd::Map, "CMD_MAP", "MAP", 1, 1, {S}},
    {Cmd::Exit, "CMD_EXIT", "EXIT", 0, 0, {}},
    {Cmd::Flash, "CMD_FLASH", "FLASH", 0, 2, {S, N}},
    {Cmd::Shake, "CMD_SHAKE", "SHAKE", 0, 2, {N, N}},
    {Cmd::End, "CMD_END", "END", 0, 0, {}},
}};

} // namespace

std::span<const CommandSpec> commandSpecs() { return signatures; }

const CommandSpec* findCommandSpec(std::string_view key) {
    for (const CommandSpec& signature : signatures)
        if (signature.key == key) return &signature;
    return nullptr;
}

} // namespace advcheck
