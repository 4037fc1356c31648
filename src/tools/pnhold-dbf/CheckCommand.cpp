#include "Commands.h"
#include "Cp1252.h"
#include "MdxTree.h"
#include "RawDbf.h"
#include "TableAccess.h"

#include "platform/dbase/KeyExpression.h"
#include "platform/dbase/MdxFile.h"

#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>

namespace pnhold_dbf {
namespace {

// Faults of one kind beyond this many are summed up in one line.
constexpr int kFaultsShownPerCheck = 5;

// Collects the faults of one check (one tag's order, the record flags) and cuts the list short.
class FaultGroup {
public:
    FaultGroup(std::vector<std::string>& faults, std::string prefix)
        : faults_(faults), prefix_(std::move(prefix)) {}
    ~FaultGroup() {
        if (count_ > kFaultsShownPerCheck)
            faults_.push_back(prefix_ + "and " + std::to_string(count_ - kFaultsShownPerCheck) +
                              " more like these");
    }
    void add(const std::string& text) {
        if (++count_ <= kFaultsShownPerCheck)
            faults_.push_back(prefix_ + text);
    }
    bool any() const { return count_ != 0; }

private:
    std::vector<std::string>& faults_;
    std::string prefix_;
    int count_ = 0;
};

std::optional<std::string> productionIndexOf(const std::string& tablePath) {
    namespace fs = std::filesystem;
    for (const char* extension : {".MDX", ".mdx"}) {
        fs::path candidate(tablePath);
        candidate.replace_extension(extension);
        std::error_code ec;
        if (fs::is_regular_file(candidate, ec))
            return candidate.string();
    }
    return std::nullopt;
}

// The key of every record (deleted ones too, as the index holds them), by record number.
struct RecordKeys {
    std::size_t length = 0;
    std::vector<char> bytes;
    const char* of(std::uint32_t record) const { return bytes.data() + (record - 1) * length; }
};

RecordKeys keysOf(const std::string& path, const RawDbf& raw,
                  const dbase::KeyExpression& expression) {
    RecordKeys keys;
    keys.length = static_cast<std::size_t>(expression.keyLength());
    keys.bytes.assign(keys.length * raw.readableRecords(), '\0');
    std::string key;
    forEachRecord(path, raw, [&](std::uint32_t record, const char* bytes) {
        expression.evaluate(bytes, key);
        std::memcpy(keys.bytes.data() + (record - 1) * keys.length, key.data(),
                    std::min(keys.length, key.size()));
    });
    return keys;
}

// Checks a sequence of record numbers that claims to be a tag's order: every number is a
// record, none repeats, keys ascend (descend) and equal keys keep record order.
class OrderChecker {
public:
    OrderChecker(const RecordKeys& keys, std::uint32_t records, bool descending, FaultGroup& faults)
        : keys_(keys), records_(records), descending_(descending), faults_(faults),
          seen_(records, false) {}

    void next(std::uint32_t record) {
        ++count_;
        if (record < 1 || record > records_) {
            faults_.add("position " + std::to_string(count_) + ": record " +
                        std::to_string(record) + " does not exist");
            return;
        }
        if (seen_[record - 1])
            faults_.add("record " + std::to_string(record) + " appears twice");
        seen_[record - 1] = true;
        if (previous_ != 0) {
            int c = std::memcmp(keys_.of(previous_), keys_.of(record), keys_.length);
            if (descending_)
                c = -c;
            if (c > 0 || (c == 0 && previous_ >= record))
                faults_.add("record " + std::to_string(record) + " at position " +
                            std::to_string(count_) + " comes after record " +
                            std::to_string(previous_) + " out of key order");
        }
        previous_ = record;
    }
    std::uint64_t count() const { return count_; }
    bool seen(std::uint32_t record) const { return seen_[record - 1]; }

private:
    const RecordKeys& keys_;
    std::uint32_t records_;
    bool descending_;
    FaultGroup& faults_;
    std::vector<bool> seen_;
    std::uint32_t previous_ = 0;
    std::uint64_t count_ = 0;
};

// The order the engine builds for the tag must hold every live record exactly once.
void checkEngineOrder(dbase::Table& table, const dbase::MdxTagInfo& tag, const RecordKeys& keys,
                      const RawDbf& raw, const std::vector<bool>& deleted,
                      std::vector<std::string>& faults) {
    FaultGroup group(faults, "tag " + utf8FromCp1252(tag.name) + ", the engine's order: ");
    try {
        table.setIndexName(tag.name);
    } catch (const dbase::DatabaseError& e) {
        group.add(utf8FromCp1252(e.what()));
        return;
    }
    const std::uint32_t records = raw.readableRecords();
    OrderChecker order(keys, records, tag.descending, group);
    for (table.first(); !table.eof(); table.next()) {
        const std::uint32_t record = table.recNo();
        order.next(record);
        if (record >= 1 && record <= records && deleted[record - 1])
            group.add("shows deleted record " + std::to_string(record));
    }
    if (!tag.unique && tag.filter.empty()) {
        for (std::uint32_t r = 1; r <= records; ++r)
            if (!deleted[r - 1] && !order.seen(r))
                group.add("record " + std::to_string(r) + " is missing");
    }
    table.setIndexName("");
}

// The tree in the file, as other tools read it, must hold every record once with its key.
void checkTree(const MdxTree& tree, const MdxTree::Tag& treeTag, const dbase::MdxTagInfo& tag,
               const RecordKeys& keys, const RawDbf& raw, std::vector<std::string>& faults) {
    FaultGroup group(faults, "tag " + utf8FromCp1252(tag.name) + ", the index file: ");
    const std::uint32_t records = raw.readableRecords();
    // Only character keys are stored as the expression yields them; number and date keys have
    // an encoding of their own in the file, so for them the record order alone is compared.
    const bool sameKeys = tag.keyType == 'C' && treeTag.keyLength == static_cast<int>(keys.length);
    if (tag.keyType == 'C' && !sameKeys)
        group.add("the tree's key length is " + std::to_string(treeTag.keyLength) +
                  ", the expression's " + std::to_string(keys.length));
    OrderChecker order(keys, records, tag.descending, group);
    const std::string stopped = tree.walk(treeTag, [&](std::uint32_t record, const char* key) {
        order.next(record);
        if (sameKeys && record >= 1 && record <= records &&
            std::memcmp(key, keys.of(record), keys.length) != 0)
            group.add("the key of record " + std::to_string(record) +
                      " differs from its expression's value");
        return order.count() <= static_cast<std::uint64_t>(records) + 1;
    });
    if (!stopped.empty())
        group.add(stopped);
    else if (order.count() > records)
        group.add("holds more keys than the table has records");
    else if (!tag.unique && tag.filter.empty() && order.count() != records)
        group.add("holds " + std::to_string(order.count()) + " keys, the table has " +
                  std::to_string(records) + " records");
}

void checkTags(const std::string& tablePath, const std::string& mdxPath, const RawDbf& raw,
               const std::vector<bool>& deleted, dbase::Table* table,
               std::vector<std::string>& faults, std::size_t& tagsChecked) {
    std::vector<dbase::MdxTagInfo> directory;
    try {
        directory = dbase::readMdxDirectory(mdxPath);
    } catch (const dbase::DatabaseError& e) {
        faults.push_back("the index's tag directory: " + utf8FromCp1252(e.what()));
        return;
    }
    std::unique_ptr<MdxTree> tree;
    try {
        tree = std::make_unique<MdxTree>(mdxPath);
    } catch (const std::runtime_error& e) {
        faults.push_back(e.what());
    }
    for (std::size_t i = 0; i < directory.size(); ++i) {
        const dbase::MdxTagInfo& tag = directory[i];
        const std::string name = "tag " + utf8FromCp1252(tag.name) + ": ";
        std::optional<dbase::KeyExpression> expression;
        try {
            expression.emplace(dbase::KeyExpression::parse(tag.expression, raw.fields));
        } catch (const dbase::DatabaseError& e) {
            faults.push_back(name + "expression " + utf8FromCp1252(tag.expression) + ": " +
                             utf8FromCp1252(e.what()));
            continue;
        }
        ++tagsChecked;
        if (expression->keyType() != tag.keyType)
            faults.push_back(name + "the directory says key type " + std::string(1, tag.keyType) +
                             ", the expression yields " + std::string(1, expression->keyType()));
        else if (tag.keyType == 'C' && tag.keyLength != expression->keyLength())
            faults.push_back(name + "the directory says key length " +
                             std::to_string(tag.keyLength) + ", the expression yields " +
                             std::to_string(expression->keyLength()));
        const RecordKeys keys = keysOf(tablePath, raw, *expression);
        if (table)
            checkEngineOrder(*table, tag, keys, raw, deleted, faults);
        if (tree && i < tree->tags().size())
            checkTree(*tree, tree->tags()[i], tag, keys, raw, faults);
    }
}

} // namespace

int runCheck(const Invocation& inv) {
    const std::string& path = inv.table();
    std::vector<std::string> faults;
    bool usable = false;
    const RawDbf raw = inspectDbf(path, faults, usable);
    std::size_t tagsChecked = 0;

    if (usable) {
        std::vector<bool> deleted(raw.readableRecords(), false);
        {
            FaultGroup flags(faults, "");
            forEachRecord(path, raw, [&](std::uint32_t record, const char* bytes) {
                if (bytes[0] == '*')
                    deleted[record - 1] = true;
                else if (bytes[0] != ' ')
                    flags.add("record " + std::to_string(record) + ": deletion flag byte is " +
                              std::to_string(static_cast<unsigned char>(bytes[0])) +
                              ", not a blank or '*'");
            });
        }
        const std::optional<std::string> mdx = productionIndexOf(path);
        if (raw.productionIndexFlag == 1 && !mdx)
            faults.push_back("header byte 28 announces a production index, but there is none");
        if (raw.productionIndexFlag == 0 && mdx)
            faults.push_back("header byte 28 says there is no production index, but " + *mdx +
                             " exists");

        std::optional<dbase::Table> table;
        table.emplace();
        try {
            openTable(*table, path, Access::ReadOnly);
            if (!table->info().repairNote.empty())
                faults.push_back("the engine: " + utf8FromCp1252(table->info().repairNote));
        } catch (const dbase::DatabaseError& e) {
            faults.push_back("the engine refuses the table: " + utf8FromCp1252(e.what()));
            table.reset();
        }
        if (mdx)
            checkTags(path, *mdx, raw, deleted, table ? &*table : nullptr, faults, tagsChecked);
    }

    if (faults.empty()) {
        std::cout << path << ": sound (" << raw.headerCount << " records, " << tagsChecked
                  << (tagsChecked == 1 ? " tag" : " tags") << " checked)\n";
    } else {
        std::cout << path << ": " << faults.size() << (faults.size() == 1 ? " fault" : " faults")
                  << '\n';
        for (const std::string& fault : faults)
            std::cout << "  " << fault << '\n';
    }
    std::cout << std::flush;
    if (!std::cout)
        throw std::runtime_error("cannot write the output");
    return faults.empty() ? 0 : 1;
}

} // namespace pnhold_dbf
