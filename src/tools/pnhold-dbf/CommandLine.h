#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace pnhold_dbf {

// A command line the tool cannot act on; main prints the message and the usage text.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Invocation {
    std::string command;                        // "info", "tag add", ...
    std::map<std::string, std::string> options; // "--tag" -> "NAME"; flags map to ""
    std::vector<std::string> arguments;         // the positional words; the table path last
    bool help = false;

    bool has(const std::string& option) const { return options.count(option) != 0; }
    const std::string& table() const { return arguments.back(); }
};

// Parses argv (options first, then the positional words). Throws UsageError.
Invocation parseCommandLine(int argc, char** argv);

extern const char* const kUsage;

} // namespace pnhold_dbf
