#include "tools/advcheck/names.h"

#include <algorithm>

namespace advcheck {

namespace {

constexpr int mostEdits = 3;

// A file's name without its extension; a name without one as it is.
std::size_t stemLength(std::string_view name) {
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? name.size() : dot;
}

}  // namespace

int editDistance(std::string_view a, std::string_view b) {
    // Rows of the distance table: two rows back, the previous one, this one.
    std::vector<int> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) previous[j] = static_cast<int>(j);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = static_cast<int>(i);
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const int replace = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, replace});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                current[j] = std::min(current[j], before[j - 2] + 1);
        }
        before.swap(previous);
        previous.swap(current);
    }
    return previous[b.size()];
}

std::optional<std::string> nearestName(std::string_view wanted, const std::vector<std::string>& candidates) {
    std::optional<std::string> best;
    int bestDistance = mostEdits + 1;
    for (const std::string& candidate : candidates) {
        const int distance = editDistance(wanted, candidate);
        const auto stem = std::max(stemLength(wanted), stemLength(candidate));
        if (distance == 0 || static_cast<std::size_t>(distance) * 3 > stem || distance >= bestDistance)
            continue;
        best = candidate;
        bestDistance = distance;
    }
    return best;
}

}  // namespace advcheck
