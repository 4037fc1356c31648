#include "CommandLine.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace pnhold_dbf {

const char* const kUsage =
    R"(Usage: pnhold-dbf COMMAND [OPTIONS] ... TABLE.DBF

Looks into or repairs a dBase table and its production index (.MDX).
Options come first, the table path last.

Commands:
  info TABLE                     header, fields, record counts, tags, language driver
  check TABLE                    structure, record count against the file size, and every
                                 tag's order against its key expression; exit status 1 and
                                 the faults listed when the table is not sound
  dump --csv [--tag NAME | --expr EXPR] TABLE
                                 live records as CSV (UTF-8) on standard output, in record
                                 order, in a tag's order or in the order of a key expression
  count --contains FIELD=TEXT TABLE
                                 number of live records whose field contains TEXT (letters
                                 a to z compared without case)
  tag add NAME EXPR TABLE        adds a tag to the production index (exclusive use)
  tag delete NAME TABLE          deletes a tag (exclusive use)
  append --csv FILE [--bulk] TABLE
                                 appends the rows of a UTF-8 CSV file whose header line names
                                 fields; each row is on disk when it is posted, or with
                                 --bulk the whole file is synced once at the end
  pack TABLE                     removes deleted records (exclusive use)
  reindex TABLE                  rebuilds the production index (exclusive use)

Options:
  --help                         this text

Exit status: 0 done (check: the table is sound), 1 check found faults, 2 error.
)";

namespace {

struct CommandSpec {
    std::string_view name;
    std::vector<std::string_view> valueOptions;
    std::vector<std::string_view> flagOptions;
    std::size_t arguments; // positional words including the table
    std::string_view synopsis;
};

const std::vector<CommandSpec>& commandSpecs() {
    static const std::vector<CommandSpec> specs = {
        {"info", {}, {}, 1, "info TABLE"},
        {"check", {}, {}, 1, "check TABLE"},
        {"dump", {"--tag", "--expr"}, {"--csv"}, 1, "dump --csv [--tag NAME | --expr EXPR] TABLE"},
        {"count", {"--contains"}, {}, 1, "count --contains FIELD=TEXT TABLE"},
        {"tag add", {}, {}, 3, "tag add NAME EXPR TABLE"},
        {"tag delete", {}, {}, 2, "tag delete NAME TABLE"},
        {"append", {"--csv"}, {"--bulk"}, 1, "append --csv FILE [--bulk] TABLE"},
        {"pack", {}, {}, 1, "pack TABLE"},
        {"reindex", {}, {}, 1, "reindex TABLE"},
    };
    return specs;
}

bool contains(const std::vector<std::string_view>& list, std::string_view word) {
    return std::find(list.begin(), list.end(), word) != list.end();
}

void requireOptions(const Invocation& inv, const CommandSpec& spec) {
    auto need = [&](const char* option) {
        if (!inv.has(option))
            throw UsageError(std::string(spec.name) + " needs " + option + " (" +
                             std::string(spec.synopsis) + ")");
    };
    if (inv.command == "dump") {
        need("--csv");
        if (inv.has("--tag") && inv.has("--expr"))
            throw UsageError("dump takes --tag or --expr, not both");
    } else if (inv.command == "count") {
        need("--contains");
        if (inv.options.at("--contains").find('=') == std::string::npos)
            throw UsageError("--contains needs FIELD=TEXT");
    } else if (inv.command == "append") {
        need("--csv");
    }
}

} // namespace

Invocation parseCommandLine(int argc, char** argv) {
    Invocation inv;
    std::vector<std::string> words(argv + 1, argv + argc);
    if (std::find(words.begin(), words.end(), "--help") != words.end() ||
        (!words.empty() && (words[0] == "-h" || words[0] == "help"))) {
        inv.help = true;
        return inv;
    }
    if (words.empty())
        throw UsageError("no command given");
    std::size_t at = 1;
    inv.command = words[0];
    if (inv.command == "tag") {
        if (words.size() < 2)
            throw UsageError("tag needs add or delete");
        inv.command += " " + words[1];
        at = 2;
    }
    const auto& specs = commandSpecs();
    const auto spec = std::find_if(specs.begin(), specs.end(),
                                   [&](const CommandSpec& s) { return s.name == inv.command; });
    if (spec == specs.end())
        throw UsageError("unknown command: " + inv.command);

    for (; at < words.size(); ++at) {
        const std::string& word = words[at];
        if (word == "--") {
            ++at;
            break;
        }
        if (word.size() < 2 || word[0] != '-')
            break;
        std::string name = word;
        std::string value;
        bool inlineValue = false;
        if (const auto eq = word.find('='); eq != std::string::npos && word.starts_with("--")) {
            name = word.substr(0, eq);
            value = word.substr(eq + 1);
            inlineValue = true;
        }
        if (inv.options.count(name))
            throw UsageError(name + " given twice");
        if (contains(spec->valueOptions, name)) {
            if (!inlineValue) {
                if (at + 1 >= words.size())
                    throw UsageError(name + " needs a value");
                value = words[++at];
            }
            inv.options[name] = value;
        } else if (contains(spec->flagOptions, name) && !inlineValue) {
            inv.options[name] = "";
        } else {
            throw UsageError("unknown option for " + inv.command + ": " + word);
        }
    }
    inv.arguments.assign(words.begin() + static_cast<std::ptrdiff_t>(at), words.end());
    if (inv.arguments.size() != spec->arguments)
        throw UsageError(std::string("usage: pnhold-dbf ") + std::string(spec->synopsis));
    requireOptions(inv, *spec);
    return inv;
}

} // namespace pnhold_dbf
