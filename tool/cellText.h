// The one place that maps a cell to and from text and decides which text a field accepts.
//
// Whatever turns typed or pasted text into a cell value (the properties pane, and every other
// editor surface after it) calls ParseCellText, so that all of them accept exactly the same texts
// and refuse the others with the same message. ReadCell, WriteCell and CellText move values
// between a cell and a CellValue. Nothing here keeps state; every result is a plain value.
//
// What a field accepts; anything else is refused, and the refusal says why:
//   INT, INT64      an optional sign and the decimal digits 0-9, within the type's range.
//   UINT, UINT64    the same without a minus sign ("-0" aside): "-5" is refused, not wrapped.
//                   "007" is 7; "1,000", "12ab", "1.5", "1e3", "0x10" and "" are refused.
//   FLOAT           a decimal number: digits with an optional point and an optional exponent
//                   ("1", "-2.5", ".5", "5.", "3e-4", "1E+6"), rounded to the nearest float. It
//                   is refused when that rounds to infinity (beyond +-3.4028235e+38, "1e400"),
//                   and so are "inf", "nan", hexadecimal forms, "1,5" and "". A value too small
//                   for a float becomes the nearest float (a denormal or zero), as any decimal
//                   becomes the nearest float.
//   STRING          any text of at most 1023 UTF-16 units without a tab, CR, LF or U+0000 (one
//                   value of a data file cannot hold them); kept exactly, blanks included.
//   STRING_INT,     values separated by "|", each a number of the element type as above (INT,
//   STRING_FLOAT    FLOAT), with blanks allowed around it; at most 64 values. The empty text (or
//                   blanks only) is the empty list; an empty value ("1||2", "1|") is refused.
// Blanks around a number: space, tab, CR, LF, VT, FF and the ideographic space U+3000.
#ifndef TARN_TOOL_CELLTEXT_H
#define TARN_TOOL_CELLTEXT_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tool/cell.h"

namespace tarn
{

// The typed value of one cell, held by value (no pointer into a table). An empty CellValue has
// the type FIELD_TYPE_INVALID. Each getter reads its own type's member; asking for another type's
// member gives that member's default (0, empty).
class CellValue
{
public:
    CellValue() = default;
    static CellValue Int(std::int32_t value);
    static CellValue UInt(std::uint32_t value);
    static CellValue Int64(std::int64_t value);
    static CellValue UInt64(std::uint64_t value);
    static CellValue Float(float value);
    static CellValue String(std::u16string text);
    static CellValue IntList(std::vector<std::int32_t> values);
    static CellValue FloatList(std::vector<float> values);

    FIELD_TYPE Type() const { return m_type; }
    std::int32_t GetInt() const { return static_cast<std::int32_t>(m_signed); }
    std::uint32_t GetUInt() const { return static_cast<std::uint32_t>(m_unsigned); }
    std::int64_t GetInt64() const { return m_signed; }
    std::uint64_t GetUInt64() const { return m_unsigned; }
    float GetFloat() const { return m_float; }
    const std::u16string& GetString() const { return m_text; }
    const std::vector<std::int32_t>& GetIntList() const { return m_ints; }
    const std::vector<float>& GetFloatList() const { return m_floats; }

    // Equal type and equal value; floats compare bit for bit (so 0 and -0 differ), as a change of
    // any bit is a change of the data file.
    bool operator==(const CellValue& other) const;
    bool operator!=(const CellValue& other) const { return !(*this == other); }

private:
    FIELD_TYPE m_type = FIELD_TYPE_INVALID;
    std::int64_t m_signed = 0;    // INT, INT64
    std::uint64_t m_unsigned = 0; // UINT, UINT64
    float m_float = 0.0f;
    std::u16string m_text;
    std::vector<std::int32_t> m_ints;
    std::vector<float> m_floats;
};

// Why a text was refused.
enum CellInputStatus
{
    CellInputOk = 0,
    CellInputNotInteger,    // not an integer of the field's range (letters, separators, sign, size)
    CellInputNotFloat,      // not a decimal number, or beyond the float range
    CellInputTextTooLong,   // a string of more than 1023 units
    CellInputBadCharacter,  // a string holding a tab, CR, LF or U+0000
    CellInputTooManyValues, // a list of more than 64 values
    CellInputBadListValue,  // a list value that is not a number of the list's element type
    CellInputNoSuchType,    // the field's type is not one of 1..8
};

// The result of ParseCellText, in the manner of a parse result: true when the text was taken.
struct CellInput
{
    CellInputStatus status = CellInputOk;
    CellValue value;        // the parsed value; empty unless status is CellInputOk
    int listIndex = -1;     // the refused value of a list, from 0; -1 for any other refusal
    std::u16string message; // for the user, in Chinese: names the field, shows the text, says why

    explicit operator bool() const { return status == CellInputOk; }
};

// Most units of the typed text that a refusal message quotes; a longer text is cut there and
// followed by "…".
constexpr int kQuotedTextMax = 40;
// Capacity limits that the checks enforce (those of the cells).
constexpr int kStringTextMax = 1023;
constexpr int kListValuesMax = 64;

// Parses text (UTF-16) as a value of field.m_type, strictly (see the table at the top). The
// refusal message names the field by field.m_name.
CellInput ParseCellText(const Field& field, std::u16string_view text);

// The cell's current value, read through its typed getters. A cell of no known type gives an
// empty CellValue (and a failed check).
CellValue ReadCell(Cell& cell);

// Writes value into the cell through its typed setters. A value of another type than the cell's
// (or an empty one) is a failed check and leaves the cell alone; returns whether it was written.
// A string beyond 1023 units or a list beyond 64 values is cut by the cell (with its own report);
// a value from ParseCellText never is.
bool WriteCell(Cell& cell, const CellValue& value);

// The full text form of a value, the form ParseCellText reads back: numbers as the data file
// writes them ("%f" for floats), a string as it is, a list as its values joined by "|". Unlike
// Cell::ToString a long list is not cut.
std::u16string FormatCellValue(const CellValue& value);

// FormatCellValue(ReadCell(cell)).
std::u16string CellText(Cell& cell);

} // namespace tarn

#endif // TARN_TOOL_CELLTEXT_H
