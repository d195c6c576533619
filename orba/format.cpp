#include "orba/format.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

namespace {

constexpr std::string_view flagChars = "-+ #0";
constexpr std::string_view lengthChars = "hlLqjzt";
constexpr std::string_view conversions = "diouxXeEfFgGaAcspn";

// One parsed "%..." specifier; width or precision of -2 means "taken from an argument".
struct Directive {
    std::string flags;
    int width = -1;
    int precision = -1;
    char conversion = 0;
    std::size_t end = 0;  // index after the specifier
};

int readNumber(std::string_view f, std::size_t& i) {
    long long n = 0;
    while (i < f.size() && f[i] >= '0' && f[i] <= '9') {
        if (n < 100000) n = n * 10 + (f[i] - '0');
        ++i;
    }
    return static_cast<int>(n);
}

std::optional<Directive> parseDirective(std::string_view f, std::size_t start) {
    Directive directive;
    std::size_t i = start + 1;
    while (i < f.size() && flagChars.find(f[i]) != std::string_view::npos) directive.flags += f[i++];
    if (i < f.size() && f[i] == '*') {
        directive.width = -2;
        ++i;
    } else if (i < f.size() && f[i] >= '0' && f[i] <= '9') {
        directive.width = readNumber(f, i);
    }
    if (i < f.size() && f[i] == '.') {
        ++i;
        if (i < f.size() && f[i] == '*') {
            directive.precision = -2;
            ++i;
        } else {
            directive.precision = readNumber(f, i);
        }
    }
    while (i < f.size() && lengthChars.find(f[i]) != std::string_view::npos) ++i;
    if (i >= f.size() || conversions.find(f[i]) == std::string_view::npos) return std::nullopt;
    directive.conversion = f[i];
    directive.end = i + 1;
    return directive;
}

long long asSigned(const FormatArg& a) {
    switch (a.kind) {
    case FormatArg::Kind::Signed: return a.i;
    case FormatArg::Kind::Unsigned: return static_cast<long long>(a.u);
    case FormatArg::Kind::Real:
        if (std::isnan(a.d)) return 0;
        if (a.d >= 9.2e18) return std::numeric_limits<long long>::max();
        if (a.d <= -9.2e18) return std::numeric_limits<long long>::min();
        return static_cast<long long>(a.d);
    case FormatArg::Kind::Text: break;
    }
    return 0;
}

double asReal(const FormatArg& a) {
    switch (a.kind) {
    case FormatArg::Kind::Signed: return static_cast<double>(a.i);
    case FormatArg::Kind::Unsigned: return static_cast<double>(a.u);
    case FormatArg::Kind::Real: return a.d;
    case FormatArg::Kind::Text: break;
    }
    return 0;
}

std::string textOf(const FormatArg& a) {
    switch (a.kind) {
    case FormatArg::Kind::Signed: return std::to_string(a.i);
    case FormatArg::Kind::Unsigned: return std::to_string(a.u);
    case FormatArg::Kind::Real: return std::to_string(a.d);
    case FormatArg::Kind::Text: break;
    }
    return std::string(a.s);
}

template <class T>
std::string printOne(const std::string& format, T value) {
    int size = std::snprintf(nullptr, 0, format.c_str(), value);
    if (size <= 0) return {};
    std::string out(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(out.data(), out.size(), format.c_str(), value);
    out.resize(static_cast<std::size_t>(size));
    return out;
}

std::string render(const Directive& directive, const FormatArg& arg) {
    std::string head = "%" + directive.flags;
    if (directive.width >= 0) head += std::to_string(directive.width);
    if (directive.precision >= 0) head += "." + std::to_string(directive.precision);
    const char c = directive.conversion;
    const bool text = arg.kind == FormatArg::Kind::Text;
    if (c == 's' || (text && c != 'c')) return printOne(head + "s", textOf(arg).c_str());
    switch (c) {
    case 'd':
    case 'i': return printOne(head + "lld", asSigned(arg));
    case 'o':
    case 'u':
    case 'x':
    case 'X': return printOne(head + "ll" + c, static_cast<unsigned long long>(asSigned(arg)));
    case 'c': return printOne(head + "c", static_cast<int>(static_cast<unsigned char>(asSigned(arg))));
    case 'p': return printOne(head + "llx", static_cast<unsigned long long>(asSigned(arg)));
    default: return printOne(head + c, asReal(arg));
    }
}

}  // namespace

std::string formatText(std::string_view format, std::span<const FormatArg> args) {
    std::string out;
    std::size_t next = 0;
    std::size_t i = 0;
    while (i < format.size()) {
        if (format[i] != '%') {
            out += format[i++];
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            i += 2;
            continue;
        }
        std::optional<Directive> directive = parseDirective(format, i);
        const std::size_t needed =
            directive ? (directive->width == -2) + (directive->precision == -2) + 1u : 0u;
        if (!directive || directive->conversion == 'n' || next + needed > args.size()) {
            std::size_t end = directive ? directive->end : i + 1;
            out.append(format.substr(i, end - i));
            i = end;
            continue;
        }
        if (directive->width == -2) {
            long long w = asSigned(args[next++]);
            if (w < 0) directive->flags += '-';
            directive->width = static_cast<int>(w < 0 ? std::min<long long>(-(w + 1), 99999) + 1
                                                      : std::min<long long>(w, 100000));
        }
        if (directive->precision == -2) {
            long long p = asSigned(args[next++]);
            directive->precision = p < 0 ? -1 : static_cast<int>(std::min<long long>(p, 100000));
        }
        out += render(*directive, args[next++]);
        i = directive->end;
    }
    return out;
}
