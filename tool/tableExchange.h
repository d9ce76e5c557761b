// Tables to and from spreadsheet text: export as CSV, TSV or JSON, and import from CSV or TSV.
//
// An import is planned first (PlanImport reads and checks everything and changes nothing), then
// applied (ApplyImport changes the table in memory); the caller saves. tessel-cli does that in
// one go; an editor can show the plan and apply it as one step. A plan points at rows of the
// table it was made for and is valid until that table changes.
#ifndef TARN_TOOL_TABLEEXCHANGE_H
#define TARN_TOOL_TABLEEXCHANGE_H

#include <string>
#include <vector>

#include "tool/cellText.h"

namespace tarn
{
class Row;
namespace editor
{
class Table;
}

enum class ExportFormat
{
    Csv, // RFC 4180 with CR LF, a UTF-8 byte-order mark, a header row of field names
    Tsv, // the same with tabs
    Json // an array of objects keyed by field name, typed values; no mark
};

// The table's rows in the format, UTF-8. Values are in the data file's own text forms (CSV, TSV)
// or typed (JSON: numbers, strings, arrays of numbers for lists).
std::string ExportTable(editor::Table& table, ExportFormat format);

struct ImportProblem
{
    int line = 0;
    int column = 0;      // 1-based field of the record
    std::string message; // Chinese, UTF-8
};

struct ImportPlan
{
    struct Record
    {
        int line = 0;
        std::vector<CellValue> values; // one per field of the table; empty for a column FILE lacks
        Row* target = nullptr;         // merge: the row this record updates; null to append
    };
    bool merge = false;
    std::vector<Record> records; // in file order
    int added = 0;               // rows whose id the table does not have
    int changed = 0;             // rows whose id it has, with at least one value different
    int unchanged = 0;           // rows whose id it has, with every value the same
    int removed = 0;             // replace: rows of the table whose id the file does not have
};

// Reads bytes (UTF-8 CSV or TSV with `separator`) against the table's fields. False, with every
// problem found (or the first one that stops reading), when anything is wrong; the table is never
// changed. See tessel-cli import --help for what is checked.
bool PlanImport(editor::Table& table, const std::string& bytes, char separator, bool merge, ImportPlan& plan,
                std::vector<ImportProblem>& problems);

// Makes the table hold what the plan says: replace makes the records the rows, in file order;
// merge updates the target rows and appends the others.
void ApplyImport(editor::Table& table, const ImportPlan& plan);

// "N rows added, N changed, N unchanged, N removed".
std::string ImportSummary(const ImportPlan& plan);

} // namespace tarn

#endif // TARN_TOOL_TABLEEXCHANGE_H
