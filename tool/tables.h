// The registry of all tables: reads "tableList.xml" from the current directory, loads one table
// per entry, and keeps them in file order (for the class view and for saving) and by file name
// (for following a field's link to another table).
//
// There is one TableList, reached through instance(). It owns its tables and deletes them when it
// is destroyed (at exit, or by destroyInstance); it never saves them on its own. The name index
// points at the same tables without owning them.
#ifndef TARN_TOOL_TABLES_H
#define TARN_TOOL_TABLES_H

#include <memory>
#include <vector>

#include "base/array.h"
#include "base/hashTable.h"
#include "base/string.h"
#include "tool/diagnostic.h"
#include "tool/table.h"

class TableList
{
public:
    scl::hash_table<scl::stringT<char16_t, 128>, tarn::editor::Table*> m_index; // not owning
    scl::array<tarn::editor::Table*, 256> m_tables;                             // owning, file order

    // The one table list, created empty on first use.
    static TableList* instance();
    // Deletes the table list and its tables, so that the next instance() starts afresh. For tests
    // and tools that load more than one directory.
    static void destroyInstance();
    // Loads the table list of the current directory into a new list, leaving the instance alone;
    // the caller owns the result until it hands it to replaceInstance. For opening another
    // directory while the present one stays usable should the new one fail to load.
    static std::unique_ptr<TableList> loadNew();
    // Makes `list` the one instance; the former instance is deleted with its tables.
    static void replaceInstance(std::unique_ptr<TableList> list);
    // Changes whenever the instance is deleted or replaced, so that whoever keeps pointers into
    // its tables (a link index) can tell they are gone.
    static unsigned long generation();

    TableList(const TableList&) = delete;
    TableList& operator=(const TableList&) = delete;
    ~TableList();

    // Prepares the name index; must run before loadTableList (which runs it when it was not).
    void initIndex();
    // Reads "tableList.xml" and loads every table it names, in file order. Entries and tables
    // that cannot be loaded faithfully are skipped; diagnostics() says which and why.
    void loadTableList();

    // Whether loadTableList could read and parse tableList.xml (its entries may still have failed).
    bool listRead() const { return m_listRead; }

    int count() const { return m_tables.size(); }
    // The table at position i in file order; null when i is out of range.
    tarn::editor::Table* at(int i) const;
    // The table whose FileName is exactly fileName; null when there is none.
    tarn::editor::Table* find(const char16_t* fileName);

    // What loading found: errors for skipped entries and refused tables, warnings for what the
    // next save will change. In file order.
    const std::vector<tarn::Diagnostic>& diagnostics() const { return m_diagnostics; }
    // Saves every table in list order. Returns the failures (each table that failed kept its old
    // file); empty when every table was written.
    std::vector<tarn::SaveFailure> saveAll();

private:
    TableList() = default;
    void error(int line, const std::string& message);
    void warning(int line, const std::string& message);

    std::vector<tarn::Diagnostic> m_diagnostics;
    bool m_loaded = false;
    bool m_listRead = false;
};

#endif // TARN_TOOL_TABLES_H
