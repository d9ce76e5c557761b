// Field types, column metadata and typed cells: the value of one field in one row.
//
// Cells are sized to their content. A number cell holds its number; a string cell holds a length
// and a pointer to its units; a list cell holds a count and a pointer to its values. The units and
// values are either the cell's own (taken from the arena, base/arena.h, when a value is set, and
// freed when it changes or the cell is destroyed) or borrowed from storage that outlives the cell:
// a table lends its loaded cells the text of the data file and a pool of list values, both freed
// with the table (tool/table.h). Whichever it is, a cell's pointers stay valid while the cell lives
// and its value does not change.
// Cells are made by CreateCell (one arena block each) or placed by a table into the block of their
// row, and owned by their row, which destroys them; m_field points at the column's Field inside
// the owning table, without owning it (the table of a cell is its row's m_table: a cell does not
// keep its own copy of it).
//
// The text form (ToString) of a number or list cell is built on demand in a buffer of the calling
// thread, not in the cell: the pointer is valid until the next ToString of any number or list cell
// on that thread. A string cell's text form is its own text.
//
// A cell moves its value to and from a data file through ISerializer: Serialize hands the cell's
// value to the `set` overload of its storage type (a string in a 1024-unit buffer, a list in a
// 64-value buffer, both on the stack) and takes back what the serializer leaves there. The table's
// own load and save skip that step and read and write the storage directly (tool/tableSerializer.h).
//
// The text helpers in tarn::text are the number forms shared by the cells and the data file:
// "%d", "%u", signed/unsigned 64-bit decimal and "%f" (identical to C's printf in the "C"
// locale, whatever the process locale is), and base-10 readers with the C library's strtol /
// strtoul (32-bit long), strtoll / strtoull rules and strtod's rules for decimal text.
#ifndef TARN_TOOL_CELL_H
#define TARN_TOOL_CELL_H

#include <cstddef>
#include <cstdint>
#include <cstring>
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
// The type's name as a data file's type line writes it ("INT", ...); "INVALID" for any other value.
const char* FieldTypeName(FIELD_TYPE type);
} // namespace tarn

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
public:
    Field* m_field = nullptr; // this column's field inside the owning table; not owned; null until filled

protected:
    // After the pointer, so that a concrete cell's first member fills the rest of the word.
    FIELD_TYPE m_type; // fixed by the concrete class

public:
    virtual ~Cell();

    // Cells made by CreateCell come from the arena (base/arena.h). new/delete work as usual
    // (delete gets the size of the concrete class through the virtual destructor). A table
    // places the cells of its rows into one block per row instead (placement new) and destroys
    // them there without delete.
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
    // Pointer to the cell's zero-terminated string, valid while the cell lives and until the next
    // SetString (or read into the cell).
    virtual const char16_t* GetString();
    // Copies text in (cut to 1023 units, with a report); null leaves the value unchanged.
    virtual void SetString(const char16_t* text);
    virtual float GetFloat();
    virtual void SetFloat(float value);
    // A view of the list's values: size() values at m_data, capacity() == size(), owning nothing.
    // Valid while the cell lives and until its list is next set; read it, do not grow it (to
    // change the list, build the new values and call SetStringFloat with them).
    virtual scl::parray<float> GetStringFloat();
    // Replaces the list by the values of a "|"-separated text; see StringIntCell.
    virtual void SetStringFloat(const char16_t* text);
    virtual void SetStringFloat(const scl::parray<float>& values);
    virtual scl::parray<int> GetStringInt();
    virtual void SetStringInt(const char16_t* text);
    virtual void SetStringInt(const scl::parray<int>& values);
    // The text form. For number and list cells it is built in a buffer of the calling thread and
    // valid until the next ToString of any number or list cell on that thread; for a string cell
    // it is GetString().
    virtual const char16_t* ToString() = 0;
    virtual void Serialize(ISerializer& serializer) = 0;

    FIELD_TYPE Type() const { return m_type; }

    // The size of the concrete cell class of a field type; 0 for an invalid type.
    static std::size_t SizeOf(FIELD_TYPE type);
    // Constructs the cell of the type with its initial value at place (SizeOf(type) bytes,
    // aligned to 8), or returns null for an invalid type (without a report).
    static Cell* Construct(FIELD_TYPE type, void* place);

protected:
    explicit Cell(FIELD_TYPE type) : m_type(type) {}
    Cell(const Cell&) = default;
    Cell& operator=(const Cell&) = default;
};

class IntCell : public Cell
{
public:
    std::int32_t m_value = 0;

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
    static constexpr int kMaxLength = 1023;

    StringCell() : Cell(FIELD_TYPE_STRING) {}
    ~StringCell() override;
    StringCell(const StringCell&) = delete;
    StringCell& operator=(const StringCell&) = delete;

    const char16_t* GetString() override { return m_text; }
    void SetString(const char16_t* text) override;
    const char16_t* ToString() override { return m_text; }
    void Serialize(ISerializer& serializer) override;

    int Length() const { return m_length; }
    // Sets the value to the length units at text, copied into the cell's own storage (length at
    // most kMaxLength; text may lie inside the current value).
    void Assign(const char16_t* text, int length);
    // Sets the value to the length units at text without copying them: the cell borrows them.
    // text[length] must be zero by the time anyone reads the value through GetString, and the
    // units must outlive the cell (or its next value). Used by the table's load.
    void Borrow(const char16_t* text, int length)
    {
        if (m_capacity == 0 && text != nullptr && length > 0 && length <= kMaxLength)
        {
            // Inline: the load borrows every string it reads.
            m_text = const_cast<char16_t*>(text);
            m_length = static_cast<std::uint16_t>(length);
            return;
        }
        borrowAny(text, length);
    }
    // True when the value is non-empty and borrowed (see Borrow).
    bool IsBorrowed() const { return m_capacity == 0 && m_length > 0; }
    // Writes the zero after borrowed units, into the lender's storage (see Borrow).
    void TerminateBorrowed()
    {
        if (m_capacity == 0 && m_length > 0)
            m_text[m_length] = 0;
    }

private:
    void borrowAny(const char16_t* text, int length);

    std::uint16_t m_length = 0;   // units, without the terminator
    std::uint16_t m_capacity = 0; // units owned at m_text (terminator included); 0: borrowed
    char16_t* m_text = s_empty;   // zero-terminated (see Borrow)

    static char16_t s_empty[1]; // the empty value, borrowed by every empty cell
};

// A list of at most 64 values of T: a count and a pointer to the values.
template <class T> class ListCell : public Cell
{
public:
    static constexpr int kMaxCount = 64;

    ~ListCell() override;
    ListCell(const ListCell&) = delete;
    ListCell& operator=(const ListCell&) = delete;

    int Count() const { return m_count; }
    const T* Values() const { return m_values; }
    // Sets the list to count values (at most kMaxCount) copied into the cell's own storage.
    void Assign(const T* values, int count);
    // Sets the list to count values at values without copying them: the cell borrows them, and
    // they must outlive the cell (or its next list). Used by the table's load.
    void Borrow(const T* values, int count);

protected:
    explicit ListCell(FIELD_TYPE type) : Cell(type) {}
    scl::parray<T> view() const { return scl::parray<T>(m_values, m_count, m_count); }
    void serializeList(ISerializer& serializer);
    void setFromText(const char16_t* text, const char* pushName);

private:
    std::uint16_t m_count = 0;
    std::uint16_t m_capacity = 0; // values owned at m_values; 0: borrowed (or none)
    T* m_values = nullptr;
};

// A list of at most 64 signed 32-bit integers.
//
// SetStringInt(text): the text is split at "|" like a tokenizer (a run of bars is one separator,
// bars at either end give nothing: "1||-2|3|" is 1, -2, 3) and every piece is read as a 32-bit
// strtol ("3.9" is 3, a letter 0, too many digits 2147483647). Values after the 64th are each
// reported ("0" in scl::parray<int>::push_back) and dropped. The whole text is read, however long.
// SetStringInt(array) copies at most 64 values without a report.
// Text form: the values as "%d" joined by "|", cut to 127 units.
class StringIntCell : public ListCell<int>
{
public:
    StringIntCell() : ListCell<int>(FIELD_TYPE_STRING_INT) {}
    scl::parray<int> GetStringInt() override { return view(); }
    void SetStringInt(const char16_t* text) override;
    void SetStringInt(const scl::parray<int>& values) override;
    const char16_t* ToString() override;
    void Serialize(ISerializer& serializer) override;
};

// A list of at most 64 floats; as StringIntCell, with pieces read as decimal floating-point text
// (ParseFloat: "0x10", "inf" and "nan" give 0) and narrowed to float, and the text form "%f" per
// value.
class StringFloatCell : public ListCell<float>
{
public:
    StringFloatCell() : ListCell<float>(FIELD_TYPE_STRING_FLOAT) {}
    scl::parray<float> GetStringFloat() override { return view(); }
    void SetStringFloat(const char16_t* text) override;
    void SetStringFloat(const scl::parray<float>& values) override;
    const char16_t* ToString() override;
    void Serialize(ISerializer& serializer) override;
};

// Inline: a table's load places a dozen cells per row, a million rows per second.
inline std::size_t Cell::SizeOf(FIELD_TYPE type)
{
    switch (type)
    {
    case FIELD_TYPE_INT:
        return sizeof(IntCell);
    case FIELD_TYPE_UINT:
        return sizeof(UIntCell);
    case FIELD_TYPE_INT64:
        return sizeof(Int64Cell);
    case FIELD_TYPE_UINT64:
        return sizeof(UInt64Cell);
    case FIELD_TYPE_FLOAT:
        return sizeof(FloatCell);
    case FIELD_TYPE_STRING:
        return sizeof(StringCell);
    case FIELD_TYPE_STRING_INT:
        return sizeof(StringIntCell);
    case FIELD_TYPE_STRING_FLOAT:
        return sizeof(StringFloatCell);
    default:
        return 0;
    }
}

inline Cell* Cell::Construct(FIELD_TYPE type, void* place)
{
    switch (type)
    {
    case FIELD_TYPE_INT:
        return new (place) IntCell();
    case FIELD_TYPE_UINT:
        return new (place) UIntCell();
    case FIELD_TYPE_INT64:
        return new (place) Int64Cell();
    case FIELD_TYPE_UINT64:
        return new (place) UInt64Cell();
    case FIELD_TYPE_FLOAT:
        return new (place) FloatCell();
    case FIELD_TYPE_STRING:
        return new (place) StringCell();
    case FIELD_TYPE_STRING_INT:
        return new (place) StringIntCell();
    case FIELD_TYPE_STRING_FLOAT:
        return new (place) StringFloatCell();
    default:
        return nullptr;
    }
}

// The field type of a type name: "INT", "UINT", "INT64", "UINT64", "FLOAT", "STRING", "STRING_INT",
// "STRING_FLOAT", or "KEY_VALUE" (a string). Compared case-sensitively over at most the name's
// m_maxCount units, so with m_maxCount = length + 1 only an exact name matches. Anything else
// (including a null pointer or a capacity below 1) reports "false" and gives FIELD_TYPE_INVALID.
FIELD_TYPE ConvertTypeStringToTypeValue(scl::pstringT<char16_t> name);

// A new cell of the field's type with its initial value (0, empty), m_field null.
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
// |value| * 10^6 rounded to an integer half to even, as "%f" rounds: for a finite value below
// 2^43 in magnitude, FormatFloat writes "-" (when the sign bit is set), scaled / 10^6 in decimal,
// "." and the six digits of scaled % 10^6. False (scaled untouched) for larger values, infinities
// and NaNs. Inline: the load checks every float it reads with it.
inline bool ScaledMillionths(float value, std::uint64_t& scaled)
{
    // A float is m * 2^e with m below 2^24. Unless it is very large, value * 10^6 rounded to an
    // integer (half to even, as printf rounds) is exact in 64-bit integers.
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    const unsigned biased = (bits >> 23) & 0xffu;
    if (biased == 0xffu)
        return false; // infinity or NaN
    std::uint64_t m = bits & 0x7fffffu;
    int e = -149; // subnormal
    if (biased != 0)
    {
        m |= 0x800000u;
        e = static_cast<int>(biased) - 150;
    }
    if (e > 19) // m * 2^e * 10^6 no longer below 2^63
        return false;
    if (e >= 0)
    {
        scaled = (m << e) * 1000000u;
        return true;
    }
    const std::uint64_t numerator = m * 1000000u; // below 2^44
    const int k = -e;
    if (k >= 64)
    {
        scaled = 0; // below half of one millionth
        return true;
    }
    scaled = numerator >> k;
    const std::uint64_t rest = numerator & ((std::uint64_t(1) << k) - 1);
    const std::uint64_t half = std::uint64_t(1) << (k - 1);
    if (rest > half || (rest == half && (scaled & 1u) != 0))
        ++scaled;
    return true;
}

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
