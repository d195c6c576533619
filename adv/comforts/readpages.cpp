#include "adv/comforts/readpages.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "gamefiles/gamefiles.h"
#include "gamefiles/hash.h"

namespace adv {
namespace {

constexpr std::string_view versionLine = "read 1\n";
constexpr std::size_t idLineBytes = 17;  // 16 hex digits and a line break
constexpr char hexDigits[] = "0123456789abcdef";

// The id of a line of exactly 16 lower-case hex digits, or false.
bool readId(std::string_view digits, std::uint64_t& id) {
    if (digits.size() != 16 || digits.find_first_not_of(hexDigits) != std::string_view::npos) return false;
    return std::from_chars(digits.data(), digits.data() + 16, id, 16).ec == std::errc();
}

}  // namespace

std::uint64_t pageId(std::string_view script, std::string_view text) {
    std::string key(script);
    key += '\0';  // no path holds one, so script and text cannot run into each other
    key += text;
    return hashBytes(key);
}

bool ReadPages::add(std::uint64_t id) {
    if (ids_.size() >= maxReadPages) return false;
    return ids_.insert(id).second;
}

std::string ReadPages::format() const {
    std::vector<std::uint64_t> sorted(ids_.begin(), ids_.end());
    std::sort(sorted.begin(), sorted.end());
    std::string out(versionLine);
    out.reserve(out.size() + sorted.size() * idLineBytes);
    for (const std::uint64_t id : sorted) {
        for (int shift = 60; shift >= 0; shift -= 4) out += hexDigits[(id >> shift) & 15];
        out += '\n';
    }
    return out;
}

ReadPages ReadPages::parse(std::string_view text) {
    ReadPages pages;
    if (!text.starts_with(versionLine)) return pages;
    text.remove_prefix(versionLine.size());
    if (text.size() % idLineBytes != 0 || text.size() / idLineBytes > maxReadPages) return pages;
    std::uint64_t id = 0, previous = 0;
    for (std::size_t at = 0; at < text.size(); at += idLineBytes) {
        if (!readId(text.substr(at, 16), id) || text[at + 16] != '\n' || (at > 0 && id <= previous))
            return ReadPages();
        pages.ids_.insert(id);
        previous = id;
    }
    return pages;
}

ReadPages ReadPages::load(const std::string& path) {
    const BoundedRead read = readFileUpTo(path, versionLine.size() + maxReadPages * idLineBytes);
    return read.status == BoundedRead::Read ? parse(read.bytes) : ReadPages();
}

WriteResult ReadPages::save(const std::string& path) const {
    if (WriteResult made = makeParentFolder(path); !made) return made;
    return writeFileAtomically(path, format());
}

}  // namespace adv
