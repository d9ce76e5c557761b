// Field types, column metadata and typed cells: the value of one field in one row.
//
// Every cell keeps its value and its text form inside the object (no heap storage per value), so
// a row of cells costs one allocation per cell and reading or editing a value allocates nothing.
// Cells are made by CreateCell and owned (and deleted) by their row; m_table and m_field point at
// the owning table and at the column's Field inside that table, without owning either.
//
// A cell moves its value to and from a data file through ISerializer: Serialize hands the cell's
// storage to the `set` overload of its storage type, and the serializer reads into it or writes
// from it according to its own mode.
//
// The text helpers in tarn::text are the number forms shared by the cells and the data file:
// "%d", "%u", signed/unsigned 64-bit decimal and "%f" (identical to C's printf in the "C"
// locale, whatever the process locale is), and base-10 readers with the C library's strtol /
// strtoul (32-bit long), strtoll / strtoull rules and strtod's rules for decimal text.
#ifndef TARN_TOOL_CELL_H
#define TARN_TOOL_CELL_H

#include <cstddef>
#include <cstdint>
#include <new>

#include "base/array.h"
#include "base/string.h"

enum FIELD_TYPE : std::int32_t
{
    FIELD_TYPE_INVALID = 0,
    FIELD_TYPE_INT,
    FIELD_TYPE_UINT,
    FIELD_TYPE_INT64,
    FIELD_TYPE_UINT64,
    FIELD_TYPE_FLOAT,
    FIELD_TYPE_STRING, // type names "STRING" and "KEY_VALUE"
    FIELD_TYPE_STRING_INT,
    FIELD_TYPE_STRING_FLOAT,
};

namespace tarn
{
namespace editor
{
class Table;
}

// The metadata of one column. A table keeps its fields in a fixed array that never moves them, so
// cells may point at their field.
struct Field
{
    FIELD_TYPE m_type = FIELD_TYPE_INVALID;
    scl::stringT<char16_t, 128> m_name;
    scl::stringT<char16_t, 128> m_codeVarName;
    scl::stringT<char16_t, 128> m_linkTableName; // file name of the linked table; empty for none
    bool m_isMulti = false;
};

// Two-way transfer of one value. Each overload takes the caller's storage and, depending on the
// implementation's current mode, fills it from the input or writes it to the output. Returns the
// serializer itself.
class ISerializer
{
public:
    virtual ISerializer& set(scl::parray<float>& values) = 0;
    virtual ISerializer& set(scl::parray<int>& values) = 0;
    virtual ISerializer& set(scl::pstringT<char16_t>& text) = 0;
    virtual ISerializer& set(float& value) = 0;
    virtual ISerializer& set(std::uint64_t& value) = 0;
    virtual ISerializer& set(std::int64_t& value) = 0;
    virtual ISerializer& set(std::uint32_t& value) = 0;
    virtual ISerializer& set(std::int32_t& value) = 0;
    virtual ~ISerializer();
};

// The typed value of one field in one row. The base operations report a failed check naming
// themselves ("tarn::Cell::GetInt", expression "false") and change nothing; each concrete class
// provides the operations of its own type.
class Cell
{
protected:
    FIELD_TYPE m_type; // fixed by the concrete class

public:
    editor::Table* m_table = nullptr; // owning table of the row; not owned; null until filled
    Field* m_field = nullptr;         // this column's field inside m_table; not owned

    virtual ~Cell();

    // Cells are allocated from the arena (base/arena.h): the cells of a loaded table fill
    // huge-page chunks rather than a million separate heap blocks. new/delete work as usual
    // (delete gets the size of the concrete class through the virtual destructor).
    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
    static void* operator new(std::size_t, void* place) noexcept { return place; }
    static void operator delete(void* p, std::size_t size) noexcept;
    static void operator delete(void*, void*) noexcept {}

    virtual int GetInt();
    virtual void SetInt(int value);
    virtual std::uint32_t GetUInt();
    virtual void SetUInt(std::uint32_t value);
    virtual std::int64_t GetInt64();
    virtual void SetInt64(std::int64_t value);
    virtual std::uint64_t GetUInt64();
    virtual void SetUInt64(std::uint64_t value);
    // Pointer to the cell's own string, valid while the cell lives, changed by SetString.
    virtual const char16_t* GetString();
    // Copies text in (cut to 1023 units, with a report); null leaves the value unchanged.
    virtual void SetString(const char16_t* text);
    virtual float GetFloat();
    virtual void SetFloat(float value);
    // A borrowed view of the list (capacity 64, owns nothing); writing through it writes the cell.
    virtual scl::parray<float> GetStringFloat();
    // Replaces the list by the values of a "|"-separated text; see StringIntCell.
    virtual void SetStringFloat(const char16_t* text);
    virtual void SetStringFloat(const scl::parray<float>& values);
    virtual scl::parray<int> GetStringInt();
    virtual void SetStringInt(const char16_t* text);
    virtual void SetStringInt(const scl::parray<int>& values);
    // The text form, rebuilt on every call in the cell's own buffer; overwritten by the next call.
    virtual const char16_t* ToString() = 0;
    virtual void Serialize(ISerializer& serializer) = 0;

    FIELD_TYPE Type() const { return m_type; }

protected:
    explicit Cell(FIELD_TYPE type) : m_type(type) {}
    Cell(const Cell&) = default;
    Cell& operator=(const Cell&) = default;
};

class IntCell : public Cell
{
public:
    std::int32_t m_value = 0;
    scl::stringT<char16_t, 32> m_text;

    IntCell() : Cell(FIELD_TYPE_INT) {}
    int GetInt() override { return m_value; }
    void SetInt(int value) override { m_value = value; }
    const char16_t* ToString() override;
    void Serialize(ISerializer& serializer) override;
};

class UIntCell : public Cell
{
public:
    std::uint32_t m_value = 0;
    scl::stringT<char16_t, 32> m_text;

    UIntCell() : Cell(FIELD_TYPE_UINT) {}
    std::uint32_t GetUInt() override { return m_value; }
    void SetUInt(std::uint32_t value) override { m_value = value; }
    const char16_t* ToString() override;
    void Serialize(ISerializer& serializer) override;
};

class Int64Cell : public Cell
{
public:
    std::int64_t m_value = 0;
    scl::stringT<char16_t, 32> m_text;

    Int64Cell() : Cell(FIELD_TYPE_INT64) {}
    std::int64_t GetInt64() override { return m_value; }
    void SetInt64(std::int64_t value) override { m_value = value; }
    const char16_t* ToString() override;
    void Serialize(ISerializer& serializer) override;
};

class UInt64Cell : public Cell
{
public:
    std::uint64_t m_value = 0;
    scl::stringT<char16_t, 32> m_text;

    UInt64Cell() : Cell(FIELD_TYPE_UINT64) {}
    std::uint64_t GetUInt64() override { return m_value; }
    void SetUInt64(std::uint64_t value) override { m_value = value; }
    const char16_t* ToString() override;
    void Serialize(ISerializer& serializer) override;
};

// Text form: "%f" of the value widened to double, cut to 31 units.
class FloatCell : public Cell
{
public:
    float m_value = 0.0f;
    scl::stringT<char16_t, 32> m_text;

    FloatCell() : Cell(FIELD_TYPE_FLOAT) {}
    float GetFloat() override { return m_value; }
    void SetFloat(float value) override { m_value = value; }
    const char16_t* ToString() override;
    void Serialize(ISerializer& serializer) override;
};

// At most 1023 UTF-16 units. The value may hold any unit but zero; a tab, CR or LF in it is written
// to a data file as a space (the file format has no escapes).
class StringCell : public Cell
{
public:
    scl::stringT<char16_t, 1024> m_value;

    StringCell() : Cell(FIELD_TYPE_STRING) {}
    const char16_t* GetString() override { return m_value.c_str(); }
    void SetString(const char16_t* text) override;
    const char16_t* ToString() override { return m_value.c_str(); }
    void Serialize(ISerializer& serializer) override;
};

// A list of at most 64 signed 32-bit integers.
//
// SetStringInt(text): the text is split at "|" like a tokenizer (a run of bars is one separator,
// bars at either end give nothing: "1||-2|3|" is 1, -2, 3) and every piece is read as a 32-bit
// strtol ("3.9" is 3, a letter 0, too many digits 2147483647). Values after the 64th are each
// reported ("0" in scl::parray<int>::push_back) and dropped. The whole text is read, however long.
// SetStringInt(array) copies at most 64 values without a report.
// Text form: the values as "%d" joined by "|", cut to 127 units.
class StringIntCell : public Cell
{
public:
    scl::array<int, 64> m_values;
    scl::stringT<char16_t, 128> m_text;

    StringIntCell() : Cell(FIELD_TYPE_STRING_INT) {}
    scl::parray<int> GetStringInt() override { return m_values.view(); }
    void SetStringInt(const char16_t* text) override;
    void SetStringInt(const scl::parray<int>& values) override;
    const char16_t* ToString() override;
    void Serialize(ISerializer& serializer) override;
};

// A list of at most 64 floats; as StringIntCell, with pieces read as decimal floating-point text
// (ParseFloat: "0x10", "inf" and "nan" give 0) and narrowed to float, and the text form "%f" per
// value.
class StringFloatCell : public Cell
{
public:
    scl::array<float, 64> m_values;
    scl::stringT<char16_t, 128> m_text;

    StringFloatCell() : Cell(FIELD_TYPE_STRING_FLOAT) {}
    scl::parray<float> GetStringFloat() override { return m_values.view(); }
    void SetStringFloat(const char16_t* text) override;
    void SetStringFloat(const scl::parray<float>& values) override;
    const char16_t* ToString() override;
    void Serialize(ISerializer& serializer) override;
};

// The field type of a type name: "INT", "UINT", "INT64", "UINT64", "FLOAT", "STRING", "STRING_INT",
// "STRING_FLOAT", or "KEY_VALUE" (a string). Compared case-sensitively over at most the name's
// m_maxCount units, so with m_maxCount = length + 1 only an exact name matches. Anything else
// (including a null pointer or a capacity below 1) reports "false" and gives FIELD_TYPE_INVALID.
FIELD_TYPE ConvertTypeStringToTypeValue(scl::pstringT<char16_t> name);

// A new cell of the field's type with its initial value (0, empty), m_table and m_field null.
// Owned by the caller. Null when the type is not 1..8 (reported) or memory is exhausted.
Cell* CreateCell(const Field& field);

namespace text
{

// Room for any number text below, terminator included ("%f" of -FLT_MAX is 47 units).
constexpr int kNumberTextCapacity = 64;

// Writes the decimal form into out (at least kNumberTextCapacity units), without a terminator.
// Returns the number of units written.
int FormatInt32(char16_t* out, std::int32_t value);
int FormatUInt32(char16_t* out, std::uint32_t value);
int FormatInt64(char16_t* out, std::int64_t value);
int FormatUInt64(char16_t* out, std::uint64_t value);
// printf("%f", (double)value) in the "C" locale: "0.500000", "-0.000000", "inf", "nan".
int FormatFloat(char16_t* out, float value);

// Readers of the text [first, last). Each stores the value that the C library function gives:
// leading white space (space, tab, LF, VT, FF, CR) skipped, an optional sign, base-10 digits up
// to the first unit that does not belong to the number; no number gives 0.
//   ParseInt32:  strtol with a 32-bit long, clamped to [INT32_MIN, INT32_MAX].
//   ParseUInt32: strtoul with a 32-bit long: a minus sign negates modulo 2^32 ("-1" is
//                4294967295); a magnitude above 4294967295 gives 4294967295.
//   ParseInt64 / ParseUInt64: strtoll / strtoull.
//   ParseFloat:  strtod of decimal text only -- digits with an optional point, then an optional
//                exponent ("1e5", "-2.5E-3") -- narrowed to float. Hexadecimal forms, "inf" and
//                "nan" are not read: "0x10" gives 0 (the number is the "0"), "inf" and "nan" give
//                0, as the C library of the platform the tables come from read them. Beyond the
//                float range gives the nearest limit (+-3.4028235e38), never an infinity, so that
//                every value read is written back as decimal text that reads as itself.
// The result is true when the whole text was one number in range (the value is then exactly what
// the text says), false when it held no number, text after the number, or was out of range.
bool ParseInt32(const char16_t* first, const char16_t* last, std::int32_t& value);
bool ParseUInt32(const char16_t* first, const char16_t* last, std::uint32_t& value);
bool ParseInt64(const char16_t* first, const char16_t* last, std::int64_t& value);
bool ParseUInt64(const char16_t* first, const char16_t* last, std::uint64_t& value);
bool ParseFloat(const char16_t* first, const char16_t* last, float& value);

// The length to keep when a text of length units must fit in maxLength: min(length, maxLength),
// one less when the cut would separate a surrogate pair.
int CutLength(const char16_t* s, int length, int maxLength);

} // namespace text
} // namespace tarn

#endif // TARN_TOOL_CELL_H
