#pragma once
// The pages the player has read, over every play of the game, so that
// skipping can stop at the first page not read before. Kept in save/read.dat,
// a text file:
//   read 1                 the version of the format
//   <16 hex digits>        one line per page id, in increasing order
// A file that is missing, damaged, of another version or beyond its bound
// reads as an empty record.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

#include "gamefiles/atomicfile.h"

namespace adv {

inline constexpr char readPagesPath[] = "save/read.dat";
inline constexpr std::size_t maxReadPages = 400'000;  // about 6.5 MiB of file

// The id of a page: hashBytes of its script's path and its text.
std::uint64_t pageId(std::string_view script, std::string_view text);

class ReadPages {
public:
    bool contains(std::uint64_t id) const { return ids_.count(id) != 0; }
    // Records a page; false when it was there already or the record is full.
    bool add(std::uint64_t id);
    std::size_t size() const { return ids_.size(); }

    std::string format() const;
    static ReadPages parse(std::string_view text);
    static ReadPages load(const std::string& path);
    WriteResult save(const std::string& path) const;  // atomically, its folder made when missing

private:
    std::unordered_set<std::uint64_t> ids_;
};

}  // namespace adv
