// Data files as text for reviewers: the text form of one data file (for git's textconv) and the
// row-by-row differences between two loaded data directories.
//
// Everything here works on plain values: a TableSnapshot copies what it needs out of a loaded
// table, so the table list may be destroyed (and another directory loaded) afterwards.
#ifndef TARN_TOOL_TABLEDIFF_H
#define TARN_TOOL_TABLEDIFF_H

#include <string>
#include <vector>

class TableList;

namespace tarn
{

// The bytes of a data file as UTF-8 text with LF line ends: the two header lines first, then one
// line per row, values separated by tabs -- the file's own lines. A file that is not UTF-16LE
// with its mark, or whose lines would not load (LF alone, a lone CR or LF in the header), is
// shown as raw text after one note line that says why; bytes that are not UTF-8 become U+FFFD.
std::string TextConv(const std::string& bytes);

struct TableSnapshot
{
    struct Line
    {
        int id = 0;
        std::string name;                // UTF-8
        std::vector<std::string> values; // UTF-8, in field order, in the data file's text forms
    };
    std::string file;                // the data file, as tableList.xml names it
    std::vector<std::string> fields; // field names, in order
    std::vector<Line> rows;          // in file order
};

// Copies every loaded table of the list.
std::vector<TableSnapshot> SnapshotTables(TableList& list);

struct FieldChange
{
    std::string field;
    std::string oldValue;
    std::string newValue;
};

struct RowChange
{
    int id = 0;
    std::string name;                // the new name (the old one for a removed row)
    std::vector<FieldChange> fields; // empty for an added or removed row
};

struct TableDiff
{
    enum Kind
    {
        Added,   // only in the second directory
        Removed, // only in the first
        Changed,
    };
    Kind kind = Changed;
    std::string file;
    int rowCount = 0; // rows of an added or removed table
    std::vector<std::string> fieldsAdded, fieldsRemoved;
    std::vector<RowChange> rowsAdded, rowsRemoved, rowsChanged;
};

// The differences from a to b, in a's table order (then b's new tables). Rows are matched by id
// (the n-th row of an id with the n-th row of that id in the other table, should an id be used
// twice), values by field name; the order of rows is not compared. Equal tables give nothing.
std::vector<TableDiff> DiffTables(const std::vector<TableSnapshot>& a, const std::vector<TableSnapshot>& b);

// One line per difference: "FILE: row ID added ...", as tessel-cli diff prints them.
std::string FormatDiff(const std::vector<TableDiff>& diffs);
// {"equal":BOOL,"tables":[{"table":...,"status":"added|removed|changed",...}]} on one line.
std::string FormatDiffJson(const std::vector<TableDiff>& diffs);

} // namespace tarn

#endif // TARN_TOOL_TABLEDIFF_H
