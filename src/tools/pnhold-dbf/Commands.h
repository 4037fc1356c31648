#pragma once

#include "CommandLine.h"

namespace pnhold_dbf {

// Each returns the exit status; errors are thrown (dbase::DatabaseError, std::runtime_error).
int runInfo(const Invocation& inv);
int runCheck(const Invocation& inv);
int runDump(const Invocation& inv);
int runCount(const Invocation& inv);
int runTagAdd(const Invocation& inv);
int runTagDelete(const Invocation& inv);
int runAppend(const Invocation& inv);
int runPack(const Invocation& inv);
int runReindex(const Invocation& inv);

} // namespace pnhold_dbf
