// Text helpers of the command-line tool: JSON strings and the full text of a cell.
#ifndef TESSEL_CLI_JSON_H
#define TESSEL_CLI_JSON_H

#include <string>

namespace tarn
{
class Cell;

namespace cli
{

// Appends s (UTF-16) to out as a JSON string in double quotes: UTF-8, non-ASCII text unescaped,
// quote, backslash and control characters escaped, unpaired surrogates as U+FFFD.
void AppendJsonString(std::string& out, const char16_t* s);

// The value of a cell as the data file holds it: like Cell::ToString, but never cut (list and
// float text forms are cut for display).
std::u16string CellText(Cell& cell);

} // namespace cli
} // namespace tarn

#endif // TESSEL_CLI_JSON_H
