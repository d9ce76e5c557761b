// Finding rows by a text: every cell's text form (ids and names included) of the given tables is
// searched for the text, ignoring ASCII case; with `wholeWord` a match must not continue a word
// (letters, digits, '_' and CJK characters) on either side.
//
// Results are plain values: where each match is (table, row position and id, field) and the
// matching cell's text. Nothing is kept after the call.
#ifndef TARN_TOOL_TABLE_FIND_H
#define TARN_TOOL_TABLE_FIND_H

#include <cstddef>
#include <string>
#include <vector>

namespace tarn
{
namespace editor
{
class Table;
}

struct FindMatch
{
    tarn::editor::Table* table = nullptr;
    int position = 0; // 0-based row position in the table
    int rowId = 0;
    int field = 0;
    std::u16string text; // the cell's text form
};

// Matches in table order, rows in file order, fields in field order; at most `limit` of them
// (`truncated`, when given, says whether there were more). An empty text finds nothing.
std::vector<FindMatch> FindInTables(const std::vector<tarn::editor::Table*>& tables,
                                    const std::u16string& text, bool wholeWord, std::size_t limit = 10000,
                                    bool* truncated = nullptr);
// Whether `text` holds `wanted` by the rules above.
bool TextMatches(const char16_t* text, const std::u16string& wanted, bool wholeWord);

} // namespace tarn

#endif // TARN_TOOL_TABLE_FIND_H
