#pragma once

#include "platform/dbase/DatabaseError.h"
#include "platform/dbase/FieldDef.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dbase {

struct Date {
    int year = 0;
    int month = 0;
    int day = 0;
    friend bool operator==(const Date&, const Date&) = default;
};

// Read access to one record's fields, by field index (0-based, table field order).
class RecordView {
public:
    RecordView(const char* record, const std::vector<FieldLayout>* fields)
        : record_(record), fields_(fields) {}

    // The stored bytes of the field, untouched (padding included).
    std::string_view raw(int field) const;
    // Character fields without trailing blanks; numbers as stored without padding ("-12.2500");
    // dates as "YYYYMMDD"; logicals "T" or "F"; blank fields (and memo fields) give "".
    std::string text(int field) const;
    bool isBlank(int field) const;
    std::optional<double> number(int field) const; // N and F fields; nullopt when blank
    std::optional<Date> date(int field) const;     // D fields; nullopt when blank or invalid
    bool deleted() const { return record_[0] == '*'; }

private:
    const char* record_;
    const std::vector<FieldLayout>* fields_;
};

struct IndexTagInfo {
    std::string name;
    std::string expression;
    char keyType = 'C';
    int keyLength = 0;
};

// What `pnhold-dbf info` and the checks need of the header.
struct TableInfo {
    std::uint8_t version = 0;
    Date lastUpdate;
    std::uint32_t headerRecordCount = 0; // as the header says
    std::uint32_t physicalRecords = 0;   // whole records present, deleted ones included
    std::uint32_t deletedRecords = 0;
    int headerLength = 0;
    int recordLength = 0;
    std::uint8_t languageDriver = 0;
    bool productionIndexFlag = false; // header byte 28
    bool readOnlyFormat = false;      // a format the engine reads but never writes
    std::string repairNote;           // set when the header disagreed with the file's size
};

// A dBase table: the table classes of the program talk to this. Configure it while closed
// (folder, table name, exclusive, read-only, index name), then open it. Every refusal is a
// DatabaseError whose message a user can read.
class Table {
public:
    enum class State { Inactive, Browse, Edit, Insert };
    using Filter = std::function<bool(const RecordView&)>;
    using Bookmark = std::uint32_t; // record number from 1; 0 is none

    Table();
    ~Table(); // closes (writing the index when the tag set or the records changed)
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // -- configuration ------------------------------------------------------------------------
    void setDatabaseName(const std::string& folder); // the folder holding the table
    const std::string& databaseName() const;
    // The table's file name, with or without ".DBF" (any case); without it the engine finds
    // name + ".DBF" or ".dbf".
    void setTableName(const std::string& name);
    const std::string& tableName() const;
    void setExclusive(bool exclusive); // only while closed
    bool exclusive() const;
    void setReadOnly(bool readOnly); // only while closed
    bool readOnly() const;
    // Selects a tag of the production index by name (any case), or record order with "".
    // While open it reorders at once; a missing tag is a DatabaseError.
    void setIndexName(const std::string& tag);
    const std::string& indexName() const;
    std::string path() const; // the table file's full path
    std::string indexPath() const; // the production index's path (it may not exist)

    // -- life -----------------------------------------------------------------------------------
    void open();
    void close();
    bool isOpen() const;
    State state() const;
    TableInfo info() const;

    // Creates an empty table (replacing any table file of that name, and removing the stale
    // production index beside it). Written as dBase IV without memo, language driver 0x57.
    static void create(const std::string& path, const std::vector<FieldDef>& fields);

    // -- structure ------------------------------------------------------------------------------
    const std::vector<FieldLayout>& fields() const;
    int fieldCount() const;
    int fieldIndex(std::string_view name) const; // any case; -1 when absent

    // -- indexes (the table must be open; writers write the .MDX and set header byte 28) --------
    void addIndex(const std::string& name, const std::string& expression);
    void deleteIndex(const std::string& name); // missing tag: DatabaseError
    std::vector<IndexTagInfo> indexTags() const;
    void regenerateIndexes(); // exclusive only: rebuilds the .MDX safely
    void pack();              // exclusive only: drops deleted records, rewrites table safely

    // -- cursor over the visible records (not deleted, passing the filter, in index order) -------
    int recordCount() const; // visible records
    void first();
    void last();
    void next();
    void prior();
    bool eof() const; // past the last visible record (also when there are none)
    bool bof() const; // before the first
    int position() const;           // 0-based row of the current record; -1 when none
    void moveTo(int row);           // clamps to the visible rows
    std::uint32_t recNo() const;    // physical record number of the current record; 0 when none
    Bookmark bookmark() const;
    bool gotoBookmark(Bookmark mark); // false when that record is no longer visible
    // A row's record without moving the cursor (for a grid that reads only what it shows).
    RecordView recordAt(int row) const;

    // -- the current record ---------------------------------------------------------------------
    RecordView current() const; // the edit buffer while editing or inserting
    std::string fieldText(int field) const { return current().text(field); }
    std::optional<double> fieldNumber(int field) const { return current().number(field); }
    std::optional<Date> fieldDate(int field) const { return current().date(field); }

    void insert(); // a blank record, appended at post
    void edit();
    // Text as stored for character fields (cut to the width); a number for N/F ("" blank);
    // "YYYYMMDD" or "" for dates; T/F/Y/N/? for logicals. Bad input: DatabaseError.
    void setFieldText(int field, std::string_view text);
    void setFieldNumber(int field, std::optional<double> value); // too wide: DatabaseError
    void setFieldDate(int field, std::optional<Date> value);
    void post();   // on disk before it returns, unless inside bulk work
    void cancel();
    void deleteRecord(); // the current record; the cursor moves to the next visible one

    // -- filter and refresh ---------------------------------------------------------------------
    void setFilter(Filter filter); // empty function: no filter; takes effect at once
    bool filtered() const;
    // Re-reads the header (records appended by other runs) and rebuilds the visible order,
    // keeping the current record when it is still visible.
    void refresh();

    // -- bulk work ------------------------------------------------------------------------------
    // Between beginBulk and endBulk posts are written but synced once, by endBulk.
    void beginBulk();
    void endBulk();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace dbase
