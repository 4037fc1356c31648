#include "TextMatch.h"

namespace pnhold_dbf {

ContainsMatcher::ContainsMatcher(std::string_view needle) {
    needle_.reserve(needle.size());
    for (const char c : needle)
        needle_.push_back(static_cast<char>(fold(static_cast<unsigned char>(c))));
}

bool ContainsMatcher::matches(const unsigned char* s, std::size_t length) const {
    const std::size_t n = needle_.size();
    if (n == 0)
        return true;
    if (length < n)
        return false;
    const auto* needle = reinterpret_cast<const unsigned char*>(needle_.data());
    const unsigned char first = needle[0];
    for (std::size_t i = 0; i + n <= length; ++i) {
        if (fold(s[i]) != first)
            continue;
        std::size_t k = 1;
        while (k < n && fold(s[i + k]) == needle[k])
            ++k;
        if (k == n)
            return true;
    }
    return false;
}

} // namespace pnhold_dbf
