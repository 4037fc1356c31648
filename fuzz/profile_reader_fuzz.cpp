// Arbitrary bytes as a settings file: parsing, reading and writing in memory must never crash,
// must keep the bytes it was given, and a value written must read back.
#include "platform/profile/Profile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    profile::ProfileDocument document = profile::ProfileDocument::Parse(text);
    if (document.Text() != text)
        std::abort();

    // Names taken from the input itself reach the sections and keys it holds.
    const std::string section(text.substr(0, std::min<std::size_t>(size, 8)));
    const std::string key(text.substr(std::min<std::size_t>(size, 8), 8));
    for (std::size_t length : {0, 1, 14, 149, 249})
        (void)document.Read(section, key, "default", length);
    (void)document.Read("Misc", "Show Tips", "Yes", 14);
    (void)document.Read("Field Names", "Item", "Item", 149);

    const std::string before = document.Text();
    try {
        document.Write(section, key, "fuzzed value");
        if (document.Read(section, key, "", 249) != "fuzzed value")
            std::abort();
    } catch (const std::invalid_argument&) {
        if (document.Text() != before)
            std::abort();
    }
    document.Write("Misc", "Show Tips", "No");
    document.Write("Grid Font", "Size", "10");
    if (document.Read("misc", "show tips", "", 14) != "No" ||
        document.Read("GRID FONT", "SIZE", "", 14) != "10")
        std::abort();
    (void)profile::ProfileDocument::Parse(document.Text()).Read("Misc", "Show Tips", "", 14);
    return 0;
}
