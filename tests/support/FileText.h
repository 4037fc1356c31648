#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

// A whole file's bytes; empty when it cannot be read.
std::string Slurp(const std::filesystem::path& path);
// Replaces the file with exactly these bytes.
void Spit(const std::filesystem::path& path, const std::string& text);

} // namespace testsupport
