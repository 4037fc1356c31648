#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pnhold_dbf {

// Finds a text inside field bytes with only the letters a to z compared without case, as the
// program compares texts; other bytes (accented letters too) must match exactly.
class ContainsMatcher {
public:
    explicit ContainsMatcher(std::string_view needle);
    bool matches(const unsigned char* s, std::size_t length) const;

private:
    static unsigned char fold(unsigned char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c | 0x20) : c;
    }
    std::string needle_; // folded
};

} // namespace pnhold_dbf
