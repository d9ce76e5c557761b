// The exact value of a cell as text, for the editor's undo commands and anything that must record
// a value and put exactly that value back later (a recovery journal, tests).
//
// Unlike Cell::ToString and the data file's form, the exact text loses nothing: a FLOAT is written
// in the shortest form that reads back to the same float ("0.1", "1e+30", "-0", "inf", "nan"),
// a list holds all its values however long its text, and a string is taken as it is. Numbers use
// the "C" locale whatever the process locale is.
//
//   INT, UINT, INT64, UINT64   decimal: "-5", "4294967295"
//   FLOAT                      shortest round-trip form
//   STRING                     the string itself
//   STRING_INT, STRING_FLOAT   the values in those forms joined by "|"; "" for an empty list
#ifndef TARN_TOOL_CELLVALUE_H
#define TARN_TOOL_CELLVALUE_H

#include <string>

namespace tarn
{
class Cell;

// The exact text of the cell's value; "" for a cell of no known type.
std::u16string ExactValueText(Cell& cell);

// Sets the cell to the value that `text` holds in the exact form of the cell's type. False, and the
// cell unchanged, when the text is not that form (for a STRING: holds a zero unit or more than
// 1023 units; for a list: more than 64 values).
bool SetExactValueText(Cell& cell, const std::u16string& text);

} // namespace tarn

#endif // TARN_TOOL_CELLVALUE_H
