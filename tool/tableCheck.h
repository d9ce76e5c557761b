// The checks of a loaded data directory that tessel-cli and the editor share: what loading found
// (the table list's diagnostics), ids used by more than one row of a table, and link values that
// name no row of the linked table (or links to a table the list does not have).
//
// Findings are plain values; nothing here keeps pointers to the tables after it returns.
#ifndef TARN_TOOL_TABLE_CHECK_H
#define TARN_TOOL_TABLE_CHECK_H

#include <string>
#include <vector>

#include "tool/diagnostic.h"

class TableList;

namespace tarn
{
class Cell;

struct Problem
{
    enum Kind
    {
        LoadFinding,  // what loading found (the list's diagnostics)
        DuplicateId,  // a row whose id an earlier row of its table has
        DanglingLink, // a link value that is the id of no row of the linked table
        MissingTable  // a link field whose table the list does not have
    };

    Kind kind = LoadFinding;
    Diagnostic::Severity severity = Diagnostic::Error;
    std::string file;    // UTF-8: the data file, or its ".meta" for a link to a missing table
    std::string table;   // UTF-8 data file name of the table the finding is about; may be empty
    int line = 0;        // 1-based line in `file`; 0 when no line applies (or a row made since load)
    int position = -1;   // 0-based position of the row in its table; -1 when no row applies
    int rowId = 0;       // the row's id when position >= 0
    int field = -1;      // 0-based field index; -1 when no field applies
    std::string message; // English, as tessel-cli prints it

    // The values a message is made of, for texts in other words (tool/problemText.h).
    std::string value;       // DanglingLink: the link value as text
    bool inList = false;     // DanglingLink: the value is an element of a list cell
    std::string target;      // DanglingLink, MissingTable: the linked table's data file name
    std::string targetLabel; // DanglingLink: the linked table's label (UTF-8); may be empty
    int firstLine = 0;       // DuplicateId: the line of the first row with the id

    // The finding as tessel-cli prints it: "FILE:LINE: error: message".
    Diagnostic ToDiagnostic() const;
    std::string text() const { return ToDiagnostic().text(); }
};

// Duplicate ids and dangling links over every table of `list`, in table order, each table's
// duplicate ids first, then its links row by row.
std::vector<Problem> CheckLinksAndIds(TableList& list);
// A load diagnostic as a finding (kind LoadFinding), with the table it is about.
Problem LoadProblem(const Diagnostic& diagnostic);
// Everything: the list's load diagnostics (in file order), then CheckLinksAndIds.
std::vector<Problem> CheckTables(TableList& list);

// The row id a link value stands for: a non-zero integral value within the int range. False for
// 0 ("no link") and for values that cannot be an id.
bool LinkTargetId(long double value, int& id);
// Calls f(id) for every value of a link cell that names a row id (lists: each element).
template <class F> void ForEachLinkedId(Cell& cell, F&& f);

} // namespace tarn

#include "tool/cell.h"

template <class F> void tarn::ForEachLinkedId(Cell& cell, F&& f)
{
    int id = 0;
    switch (cell.Type())
    {
    case FIELD_TYPE_INT:
        if (cell.GetInt() != 0)
            f(cell.GetInt());
        break;
    case FIELD_TYPE_UINT:
        if (LinkTargetId(cell.GetUInt(), id))
            f(id);
        break;
    case FIELD_TYPE_INT64:
        if (LinkTargetId(static_cast<long double>(cell.GetInt64()), id))
            f(id);
        break;
    case FIELD_TYPE_UINT64:
        if (LinkTargetId(static_cast<long double>(cell.GetUInt64()), id))
            f(id);
        break;
    case FIELD_TYPE_STRING_INT:
        for (int v : cell.GetStringInt())
            if (v != 0)
                f(v);
        break;
    case FIELD_TYPE_STRING_FLOAT:
        for (float v : cell.GetStringFloat())
            if (LinkTargetId(v, id))
                f(id);
        break;
    default:
        break; // FLOAT and string columns hold no row ids
    }
}

#endif // TARN_TOOL_TABLE_CHECK_H
