#pragma once

#include <array>
#include <string>

namespace find {

// The four sort levels, "Primary Sort" first: field numbers 1 to 22, 0 for none.
using SortLevels = std::array<int, 4>;

// The dBase key expression of the sort order ("" when no level is set). Every level above 0
// counts for the width of the character parts, even one outside 1 to 22, which adds no part.
std::string BuildSortString(const SortLevels& levels);

} // namespace find
