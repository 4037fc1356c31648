#include "ToolTestSupport.h"

#include "app/ItemSchema.h"
#include "platform/dbase/Table.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace tooltest {
namespace {

namespace fs = std::filesystem;

std::string makeTempFile(const std::string& contents) {
    char name[] = "/tmp/pnhold-tooltest-io-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0)
        throw std::runtime_error("mkstemp failed");
    std::size_t done = 0;
    while (done < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return name;
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& input) {
    outPath_ = makeTempFile("");
    errPath_ = makeTempFile("");
    inPath_ = makeTempFile(input);
    pid_ = ::fork();
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        const int in = ::open(inPath_.c_str(), O_RDONLY);
        const int out = ::open(outPath_.c_str(), O_WRONLY | O_TRUNC);
        const int err = ::open(errPath_.c_str(), O_WRONLY | O_TRUNC);
        if (in < 0 || out < 0 || err < 0)
            ::_exit(127);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    ::unlink(outPath_.c_str());
    ::unlink(errPath_.c_str());
    ::unlink(inPath_.c_str());
}

ProcessResult ChildProcess::wait() {
    ProcessResult result;
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = readFile(outPath_);
    result.err = readFile(errPath_);
    return result;
}

ProcessResult run(const std::vector<std::string>& argv, const std::string& input) {
    return ChildProcess(argv, input).wait();
}

std::string toolPath() {
    if (const char* path = std::getenv("PNHOLD_DBF_TOOL"); path && *path)
        return path;
    // The build puts the tool beside this test program.
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("pnhold-dbf") : (self.parent_path() / "pnhold-dbf").string();
}

ProcessResult runTool(const std::vector<std::string>& args) {
    std::vector<std::string> argv{toolPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    return run(argv);
}

bool installed(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && ::access((dir + "/" + program).c_str(), X_OK) == 0)
            return true;
    return false;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
}

std::vector<dbase::FieldDef> itemFields() {
    std::vector<dbase::FieldDef> defs;
    for (const app::ItemField& f : app::ItemFields) {
        dbase::FieldDef def;
        def.name = f.tableName;
        switch (f.kind) {
        case app::FieldKind::Text:
            def.type = dbase::FieldType::Character;
            def.length = f.width;
            break;
        case app::FieldKind::Integer:
            def.type = dbase::FieldType::Numeric;
            def.length = 11;
            break;
        case app::FieldKind::Float:
            def.type = dbase::FieldType::Numeric;
            def.length = 20;
            def.decimals = 4;
            break;
        case app::FieldKind::Date:
            def.type = dbase::FieldType::Date;
            def.length = 8;
            break;
        }
        defs.push_back(def);
    }
    return defs;
}

void writeItemTable(const std::string& path, const std::vector<Item>& items,
                    const std::vector<TagSpec>& tags) {
    dbase::Table::create(path, itemFields());
    dbase::Table table;
    const std::filesystem::path file(path);
    table.setDatabaseName(file.parent_path().string());
    table.setTableName(file.filename().string());
    table.setExclusive(true);
    table.open();
    const int item = table.fieldIndex("Item");
    const int brand = table.fieldIndex("Brand");
    const int category = table.fieldIndex("Category");
    const int quantity = table.fieldIndex("Quantity");
    const int purchDate = table.fieldIndex("PurchDate");
    const int cost = table.fieldIndex("Cost");
    const int value = table.fieldIndex("Value");
    table.beginBulk();
    for (const Item& i : items) {
        table.insert();
        table.setFieldText(item, i.item);
        table.setFieldText(brand, i.brand);
        table.setFieldText(category, i.category);
        table.setFieldNumber(quantity, i.quantity);
        table.setFieldText(purchDate, i.purchDate);
        table.setFieldNumber(cost, i.cost);
        table.setFieldNumber(value, i.value);
        table.post();
        if (i.deleted)
            table.deleteRecord(); // the posted record is the current one
    }
    table.endBulk();
    for (const TagSpec& t : tags)
        table.addIndex(t.name, t.expression);
    table.close();
}

std::size_t countOf(const std::string& text, const std::string& needle) {
    std::size_t n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + needle.size()))
        ++n;
    return n;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream s(text);
    std::string line;
    while (std::getline(s, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out.push_back(line);
    }
    return out;
}

} // namespace tooltest
