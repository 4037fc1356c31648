#include "CommandLine.h"
#include "Commands.h"
#include "Cp1252.h"

#include "platform/dbase/DatabaseError.h"

#include <iostream>
#include <new>

namespace {

constexpr int kErrorStatus = 2;

int dispatch(const pnhold_dbf::Invocation& inv) {
    using namespace pnhold_dbf;
    static const std::pair<const char*, int (*)(const Invocation&)> commands[] = {
        {"info", runInfo},     {"check", runCheck},    {"dump", runDump},
        {"count", runCount},   {"tag add", runTagAdd}, {"tag delete", runTagDelete},
        {"append", runAppend}, {"pack", runPack},      {"reindex", runReindex},
    };
    for (const auto& [name, run] : commands)
        if (inv.command == name)
            return run(inv);
    throw UsageError("unknown command: " + inv.command);
}

} // namespace

int main(int argc, char** argv) {
    try {
        const pnhold_dbf::Invocation inv = pnhold_dbf::parseCommandLine(argc, argv);
        if (inv.help) {
            std::cout << pnhold_dbf::kUsage;
            return 0;
        }
        return dispatch(inv);
    } catch (const pnhold_dbf::UsageError& e) {
        std::cerr << "pnhold-dbf: " << e.what() << "\n\n" << pnhold_dbf::kUsage;
    } catch (const dbase::DatabaseError& e) {
        // The engine's messages are cp1252 like the tables they talk about.
        std::cerr << "pnhold-dbf: " << pnhold_dbf::utf8FromCp1252(e.what()) << '\n';
    } catch (const std::bad_alloc&) {
        std::cerr << "pnhold-dbf: out of memory\n";
    } catch (const std::exception& e) {
        std::cerr << "pnhold-dbf: " << e.what() << '\n';
    }
    return kErrorStatus;
}
