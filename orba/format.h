#pragma once
// Type-safe printf-style formatting: each argument carries its own type, so a
// specifier never reads memory that was not passed.
#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

class FormatArg {
public:
    enum class Kind { Signed, Unsigned, Real, Text };

    template <std::signed_integral T>
    FormatArg(T v) : kind(Kind::Signed), i(v) {}
    template <std::unsigned_integral T>
    FormatArg(T v) : kind(Kind::Unsigned), u(v) {}
    template <std::floating_point T>
    FormatArg(T v) : kind(Kind::Real), d(static_cast<double>(v)) {}
    FormatArg(bool v) : kind(Kind::Signed), i(v ? 1 : 0) {}
    FormatArg(const char* v) : kind(Kind::Text), s(v ? v : "") {}
    FormatArg(std::string_view v) : kind(Kind::Text), s(v) {}
    FormatArg(const std::string& v) : kind(Kind::Text), s(v) {}

    Kind kind;
    long long i = 0;
    unsigned long long u = 0;
    double d = 0;
    std::string_view s;
};

// Formats by printf rules; "%%" gives "%", and a specifier without a matching
// argument is copied out as it stands.
std::string formatText(std::string_view format, std::span<const FormatArg> args);

inline std::string formatText(std::string_view format, std::initializer_list<FormatArg> args) {
    return formatText(format, std::span<const FormatArg>(args.begin(), args.size()));
}
