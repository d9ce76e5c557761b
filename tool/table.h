// One table as the editor holds it: column metadata (from the ".meta" file), the rows of the
// data file, the data file's name, the display label and the two header lines.
//
// The table list owns every table and deletes it through the virtual destructor. A table owns
// its fields (inline; cells point at them, and the array never moves them) and its rows (in
// m_rows; each row owns its cells, placed in one arena block per row). All fixed-size state lives
// inside the object. The loaded cells borrow their strings from the data file's text, which the
// table keeps, and their lists from a pool of the table; both go when the table goes.
//
// Loading refuses a table the model cannot represent faithfully (no usable metadata, a field
// of no valid type, an id or name field of the wrong type, a data file that is missing, not
// UTF-16LE, has LF-only line ends, a lone CR or LF in a header line, or over-long header lines):
// Load returns false, Diagnostics() says why, and no file is written. What a later Save would
// change in a table that loads (comment lines, values not in the writer's own form, ...) is
// reported as warnings.
#ifndef TARN_TOOL_TABLE_H
#define TARN_TOOL_TABLE_H

#include <cstddef>
#include <string>
#include <vector>

#include "base/arena.h"
#include "base/array.h"
#include "base/list.h"
#include "base/string.h"
#include "tool/cell.h"
#include "tool/diagnostic.h"
#include "tool/row.h"

namespace tarn
{
class TableSerializer;

namespace editor
{
class Table;

// Rows taken out of their table by Table::TakeOutRows, each kept whole -- id, cells and address --
// with its position in the table, so that Table::PutBack returns every row to where it was.
// Owns the rows while they are out: destroying a TakenRows that still holds rows destroys them.
// Move-only.
class TakenRows
{
public:
    struct Entry
    {
        scl::ListNode<tarn::Row>* node; // owned while out
        int position;                   // 0-based, in the table with every taken row back
    };

    TakenRows() = default;
    TakenRows(TakenRows&& other) noexcept;
    TakenRows& operator=(TakenRows&& other) noexcept;
    TakenRows(const TakenRows&) = delete;
    TakenRows& operator=(const TakenRows&) = delete;
    ~TakenRows();

    int size() const { return static_cast<int>(m_entries.size()); }
    bool empty() const { return m_entries.empty(); }
    // In ascending position order.
    const std::vector<Entry>& entries() const { return m_entries; }
    tarn::Row* row(int i) const { return &m_entries[static_cast<std::size_t>(i)].node->value; }
    // The table the rows came from; null when empty.
    Table* table() const { return m_table; }

private:
    friend class Table;
    void release();

    std::vector<Entry> m_entries;
    Table* m_table = nullptr;
};

class Table
{
public:
    scl::array<tarn::Field, 256> m_fields;
    scl::list<tarn::Row> m_rows;
    scl::stringT<char16_t, 128> m_fileName; // data file, as tableList.xml names it; the save path
    int m_maxId;                            // running maximum of the ids; new rows take the next
    scl::stringT<char16_t, 128> m_label;
    int m_newRowCounter;                   // +1 per row read or created, never decreased
    scl::stringT<char16_t, 8192> m_header; // the two header lines, each with its CR LF, as read
    int m_idFieldIndex;
    int m_nameFieldIndex;
    // The largest id that a link to this table has held since the links were indexed
    // (tarn::LinkIndex raises it); new rows take ids above it too, so that a link that names a
    // deleted row never comes to name a new one. Never lowered while the table lives.
    int m_linkedMaxId = 0;

    Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;
    virtual ~Table();

    // Loads the metadata (generating a missing ".meta" file from the header lines first) and
    // the rows. False when the table is refused; Diagnostics() and LastError() say why.
    bool Load(const char16_t* fileName);
    // Fills m_fields, m_idFieldIndex and m_nameFieldIndex from a metadata file. A file that
    // cannot be loaded is a failed check; the fields then stay as they were.
    void LoadMetaData(const char16_t* metaPath);
    // Reads the header lines and the rows. Refuses (false, nothing read, nothing created on
    // disk) a missing or damaged data file and fields that cannot make a valid row.
    bool LoadData(const char16_t* fileName);
    // Gives row one new cell per field, this table's indices and this table.
    void fillNewRow(tarn::Row& row);
    // Appends a row with the given display name and a fresh id: one above m_maxId (which every id
    // given to a row raises: Row::SetId, NoteId) and above m_linkedMaxId. Constant time. The row is
    // owned by m_rows. Ids never wrap: when that id would pass 2147483647, a failed check, nothing
    // is created and the result is null.
    tarn::Row* NewRow(const char16_t* name);
    // Removes exactly `row` from m_rows and destroys it (with its cells), in constant time for the
    // rows this table appended itself (read or made by NewRow); other rows of m_rows are found by
    // a search. Unlike Row::RemoveSelfFromTable, which removes the first row with the same id,
    // another row that has the same id is never touched. False, and nothing changes, when `row`
    // is not one of this table's rows. m_maxId and m_newRowCounter stay as they are.
    bool RemoveRow(tarn::Row* row);
    // Takes the given rows out of m_rows without destroying them (rows of other tables, null and
    // repeated entries are skipped) and returns them with their positions, in ascending position
    // order. One walk over the rows; m_maxId and m_newRowCounter stay as they are.
    TakenRows TakeOutRows(const std::vector<tarn::Row*>& rows);
    // Puts rows taken out of this table back at their positions (a position beyond the end appends,
    // with a failed check) and empties `taken`. Rows from another table are a failed check and stay
    // in `taken`. One walk up to the last position.
    void PutBack(TakenRows& taken);
    // The 0-based position of `row` in m_rows; -1 when it is not one of this table's rows.
    int PositionOf(const tarn::Row* row) const;
    // The row at `position` of m_rows; null when there is none.
    tarn::Row* RowAtPosition(int position) const;
    // A row of this table now has the id `id` (an edit of its id cell): raises m_maxId to it.
    void NoteId(int id)
    {
        if (id > m_maxId)
            m_maxId = id;
    }
    // Sets m_maxId to the largest row id (0 when there is none above 0) and returns it.
    int ComputeMaxId();
    // Writes the header and every row to a temporary file next to the data file, flushes it to
    // disk and renames it over the data file (keeping its mode). False when anything failed or
    // the data file is read-only; the data file is then as it was and LastError() names the file
    // and the reason.
    bool Save();

    // Why the last refused Load or failed Save failed; names the file. Empty after success.
    const std::string& LastError() const { return m_lastError; }
    // Everything the last Load found: errors (the table was refused) and warnings (what the
    // next Save will write differently from the file), in file order.
    const std::vector<tarn::Diagnostic>& Diagnostics() const { return m_diagnostics; }

private:
    struct FieldSource
    {
        std::ptrdiff_t offset; // of the Field element in the parsed metadata, for line numbers
        std::string typeName;  // the Type attribute as written
    };

    // Appends an empty row to m_rows and records its place in it (for RemoveRow).
    tarn::Row& appendRow();
    static int ParseIndex(const char* text);
    // Checks that the fields can make rows: at least one, each of a valid type, an INT id field
    // and a string name field. Reports the first problem as an error against metaFile.
    bool checkFields(const std::string& metaFile);
    // Records an error, makes it LastError() and returns false.
    bool refuse(const std::string& file, int line, const std::string& message);
    void warn(const std::string& file, int line, const std::string& message);
    void resetContent();
    void warnComments(const std::string& file, int first, int last);
    // Warns when the row just read would be written differently from its line.
    void checkRow(TableSerializer& serializer, Row& row, const std::string& file);

    // What the cells of the loaded rows borrow instead of holding copies: the text of each data
    // file read (string values) and the values of their lists. Freed after the rows, when the
    // table is destroyed or all its rows are dropped.
    std::vector<scl::BigBuffer> m_texts;
    scl::BumpPool m_lists;

    std::string m_lastError;
    std::string m_metaError; // why the last LoadMetaData gave no fields; empty when it worked
    int m_metaErrorLine = 0;
    std::vector<FieldSource> m_fieldSources;
    bool m_tooManyFields = false;
    std::vector<tarn::Diagnostic> m_diagnostics;
};

// Writes a metadata file for a data file that has none, from the data file's two header lines
// (names, then type names): IdFieldIndex 0, NameFieldIndex 1, one Field per name/type pair.
// Prints "name = NAME, type = TYPE" per field on standard output. Opens the data file with
// "a+b", which creates a missing one: callers check that it exists first.
void ExtractMetaData(const char16_t* metaPath, const char16_t* dataPath);

} // namespace editor
} // namespace tarn

#endif // TARN_TOOL_TABLE_H
