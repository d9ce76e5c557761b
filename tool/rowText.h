// Rows as tab-separated text, the form in which the editor puts rows on the clipboard and takes
// them back (from itself or from a spreadsheet).
//
// Written form: a first line of the table's field names, then one line per row with the row's
// values exactly as the data file holds them, values separated by tabs, lines ended by "\n".
//
// Read form: lines ended by "\n" or "\r\n", the last line end optional, empty lines ignored; a
// first line equal to the field names is the header and skipped. Value i of a line goes to field
// i of the table. Every value is checked with its field's rules by the cell-input adapter
// (tool/cellText.h, ParseCellText), as typed values are; the value of the id field is not used,
// because rows taken in get fresh ids.
#ifndef TARN_TOOL_ROWTEXT_H
#define TARN_TOOL_ROWTEXT_H

#include <string>
#include <vector>

namespace tarn
{
class Row;
namespace editor
{
class Table;
}

// The header line and the rows' lines, as described above.
std::u16string RowsToText(editor::Table& table, const std::vector<Row*>& rows);

// One refused value (or line) of a text taken in.
struct RowTextProblem
{
    int line = 0;         // 1-based line of the text
    std::u16string field; // the field's name; empty for a problem of the whole line
    std::u16string text;  // the value as given
    std::u16string why;   // the reason, in Chinese (for a value: the adapter's message, which names
                          // the field and quotes the text)
};

// Reads `text` for `table`. On success returns true and fills `rows` with one entry per row
// read, each holding one exact value text (tool/cellValue.h) per field; the id field's entry is
// empty. Otherwise returns false, leaves `rows` empty and lists the problems found, at most
// `maxProblems` of them, in text order. A text without any row is a problem as well.
bool RowsFromText(editor::Table& table, const std::u16string& text,
                  std::vector<std::vector<std::u16string>>& rows, std::vector<RowTextProblem>& problems,
                  int maxProblems = 10);

// Checks `value` against `table`'s field `field` (ParseCellText). On success returns true and sets
// `exact` to the value's exact text; otherwise returns false and sets `why`.
bool CheckFieldText(editor::Table& table, int field, const std::u16string& value, std::u16string& exact,
                    std::u16string& why);

} // namespace tarn

#endif // TARN_TOOL_ROWTEXT_H
