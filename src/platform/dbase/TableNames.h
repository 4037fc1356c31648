#pragma once

#include <string>
#include <string_view>

namespace dbase {

// Field, tag and file names compare without regard to case.
bool sameName(std::string_view a, std::string_view b);
// True when the name ends in ".DBF" in any case (and has something before it).
bool hasTableExtension(std::string_view name);

// The table file for a folder and a name given with or without ".DBF" (any case): the name as
// given, else name + ".DBF", else name + ".dbf", else a file in the folder whose name matches
// without regard to case. When nothing exists, the path a new table would take.
std::string resolveTablePath(const std::string& folder, const std::string& name);

// The production index beside a table: an existing base + ".MDX" in any case, else the name a
// new one takes (".mdx" when the table's extension is lower case).
std::string resolveIndexPath(const std::string& tablePath);

} // namespace dbase
