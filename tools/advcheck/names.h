#pragma once
// Nearest names, for "did you mean" hints on misspelt commands and files.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace advcheck {

// Edits (insert, delete, replace, swap of two neighbours) from one name to the other.
int editDistance(std::string_view a, std::string_view b);

// The candidate closest to the wanted name when it is close enough to be a
// likely misspelling (about a third of the name's letters at most, the file
// extension not counted); the first of equally close ones.
std::optional<std::string> nearestName(std::string_view wanted, const std::vector<std::string>& candidates);

}  // namespace advcheck
