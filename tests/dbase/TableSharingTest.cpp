#include "TableTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

using dbase::DatabaseError;
using dbase::Table;
using namespace tabletest;
using ::testing::HasSubstr;

namespace {

// Runs body in a child process; the child's exit code is body's result (99 when it threw).
pid_t runChild(const std::function<int()>& body) {
    pid_t pid = ::fork();
    if (pid == 0) {
        int code = 99;
        try {
            code = body();
        } catch (...) {
        }
        ::_exit(code);
    }
    return pid;
}

int waitFor(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool opens(const TempFolder& dir, bool exclusive, bool readOnly = false) {
    Table table;
    try {
        openTable(table, dir.path(), "T", exclusive, readOnly);
        return true;
    } catch (const DatabaseError& error) {
        EXPECT_THAT(error.what(), HasSubstr("Table is busy."));
        EXPECT_THAT(error.what(), HasSubstr(dir.file("T.DBF")));
        return false;
    }
}

class TableSharing : public ::testing::Test {
protected:
    void SetUp() override { Table::create(dir.file("T.DBF"), smallFields()); }
    TempFolder dir;
};

TEST_F(TableSharing, TwoHandlesInOneProcessRespectExclusiveUse) {
    struct Case {
        bool firstExclusive;
        bool firstReadOnly;
        bool secondExclusive;
        bool secondOpens;
    };
    for (Case c : {Case{false, false, false, true}, Case{false, false, true, false},
                   Case{false, true, true, false}, Case{true, false, false, false},
                   Case{true, true, false, false}}) {
        Table first;
        openTable(first, dir.path(), "T", c.firstExclusive, c.firstReadOnly);
        EXPECT_EQ(opens(dir, c.secondExclusive), c.secondOpens)
            << c.firstExclusive << c.firstReadOnly << c.secondExclusive;
    }
    EXPECT_TRUE(opens(dir, true)); // all released

    Table user;
    openTable(user, dir.path(), "T");
    EXPECT_THROW(Table::create(dir.file("T.DBF"), smallFields()), DatabaseError);
    EXPECT_THROW(user.setExclusive(true), DatabaseError); // only while closed
}

TEST_F(TableSharing, ExclusiveUseIsRefusedAcrossProcesses) {
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    pid_t child = runChild([&] {
        Table table;
        openTable(table, dir.path(), "T");
        char byte = 1;
        (void)!::write(ready[1], &byte, 1);
        (void)!::read(release[0], &byte, 1);
        return 0;
    });
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    EXPECT_FALSE(opens(dir, true));
    EXPECT_TRUE(opens(dir, false));
    (void)!::write(release[1], &byte, 1);
    EXPECT_EQ(waitFor(child), 0);
    EXPECT_TRUE(opens(dir, true));

    Table holder;
    openTable(holder, dir.path(), "T", true);
    pid_t refused = runChild([&] { return opens(dir, false) ? 1 : 0; });
    EXPECT_EQ(waitFor(refused), 0);
    for (int fd : {ready[0], ready[1], release[0], release[1]}) {
        ::close(fd);
    }
}

TEST_F(TableSharing, TwoProcessesAppendingAtOnceLoseNothing) {
    constexpr int perChild = 60;
    auto writer = [&](const std::string& prefix) {
        return [&, prefix] {
            Table table;
            openTable(table, dir.path(), "T");
            for (int i = 0; i < perChild; ++i) {
                appendTexts(table, {prefix + std::to_string(i), std::to_string(i)});
            }
            return 0;
        };
    };
    pid_t a = runChild(writer("a"));
    pid_t b = runChild(writer("b"));
    EXPECT_EQ(waitFor(a), 0);
    EXPECT_EQ(waitFor(b), 0);

    Table table;
    openTable(table, dir.path(), "T", false, true);
    EXPECT_EQ(table.recordCount(), 2 * perChild);
    EXPECT_EQ(table.info().headerRecordCount, 2u * perChild);
    EXPECT_TRUE(table.info().repairNote.empty());
    std::vector<std::string> names = column(table, 0);
    std::set<std::string> distinct(names.begin(), names.end());
    EXPECT_EQ(distinct.size(), 2u * perChild);
    EXPECT_TRUE(distinct.count("a0") && distinct.count("b59"));
}

TEST_F(TableSharing, EveryReturnedPostSurvivesAKilledWriter) {
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    pid_t child = runChild([&] {
        ::close(report[0]);
        Table table;
        openTable(table, dir.path(), "T");
        for (int i = 0;; ++i) {
            appendTexts(table, {"item" + std::to_string(i), std::to_string(i)});
            (void)!::write(report[1], &i, sizeof i);
        }
        return 0;
    });
    ::close(report[1]);
    int last = -1;
    int number = 0;
    while (last < 40 && ::read(report[0], &number, sizeof number) == sizeof number) {
        last = number;
    }
    ::kill(child, SIGKILL);
    while (::read(report[0], &number, sizeof number) == sizeof number) {
        last = number; // posts that returned before the kill landed
    }
    ::close(report[0]);
    waitFor(child);
    ASSERT_GE(last, 40);

    Table table;
    openTable(table, dir.path(), "T");
    std::vector<std::string> names = column(table, 0);
    ASSERT_GE(names.size(), static_cast<std::size_t>(last + 1));
    for (int i = 0; i <= last; ++i) {
        EXPECT_EQ(names[static_cast<std::size_t>(i)], "item" + std::to_string(i));
    }
    appendTexts(table, {"after"}); // and the table takes further records
    EXPECT_EQ(table.info().headerRecordCount, names.size() + 1);
}

} // namespace
