#pragma once

#include "platform/dbase/FieldDef.h"
#include "support/TempFolder.h"

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tooltest {

struct ProcessResult {
    int status = -1; // exit status, or 128 + the signal that ended it
    std::string out;
    std::string err;
};

// A program run with its standard output and error caught in files (so several can run at
// once without filling a pipe).
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv, const std::string& input = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ProcessResult wait();

private:
    pid_t pid_ = -1;
    std::string outPath_;
    std::string errPath_;
    std::string inPath_;
};

ProcessResult run(const std::vector<std::string>& argv, const std::string& input = {});
// Runs pnhold-dbf ($PNHOLD_DBF_TOOL, else the one beside the test program) with the arguments.
ProcessResult runTool(const std::vector<std::string>& args);
std::string toolPath();
// True when `program` is found on PATH.
bool installed(const std::string& program);

// A fresh folder for one test, removed afterwards; PNHOLD_HOME and XDG_CONFIG_HOME point there.
class TempFolder : public testsupport::TempFolder {
public:
    TempFolder() : testsupport::TempFolder("pnhold-tooltest") {}
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

// One item of the 22-field item table; texts are cp1252, dates YYYYMMDD or blank.
struct Item {
    std::string item;
    std::string brand;
    std::string category;
    std::optional<double> quantity;
    std::string purchDate;
    std::optional<double> cost;
    std::optional<double> value;
    bool deleted = false;
};

// The program's item table: 22 fields, numbers N(11,0) and N(20,4), dates D.
std::vector<dbase::FieldDef> itemFields();

struct TagSpec {
    std::string name;
    std::string expression;
};

// Creates the item table with the engine, posts the items in order (deleting those marked),
// and adds the tags.
void writeItemTable(const std::string& path, const std::vector<Item>& items,
                    const std::vector<TagSpec>& tags = {});

// Occurrences of `needle` in `text`.
std::size_t countOf(const std::string& text, const std::string& needle);
std::vector<std::string> lines(const std::string& text);

} // namespace tooltest
