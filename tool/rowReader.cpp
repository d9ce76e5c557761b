// Reading the values of a line: NextToken and the text readers (one value at a time, every report
// and read issue), and ReadRow, which reads a whole line into a row's cells in one pass over the
// common shapes of each value and falls back on the text readers for the rest.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "base/arena.h"
#include "base/assert.h"
#include "tool/tableSerializer.h"
#include "tool/tableSerializerInternal.h"
#include "tool/textScan.h"

namespace tarn
{
namespace
{

inline bool EndsValue(char16_t c)
{
    return c == u'\t' || c == u'\r' || c == u'\n' || c == 0;
}

} // namespace

using serializer::kSetFunction;
using serializer::Report;

// ---- the values of a line ---------------------------------------------------------------------

int TableSerializer::ExtraValueCount() const
{
    if (m_lineEnd == nullptr || m_readPos == nullptr)
        return 0;
    int count = 0;
    const char16_t* p = m_readPos;
    while (p < m_lineEnd)
    {
        const char16_t* start = p;
        while (!EndsValue(*p))
            ++p;
        if (p > start)
            ++count;
        ++p;
    }
    return count;
}

// The next value of the line as a string of at most maxLength units: its start and length (cut,
// with a report, where it is longer). Null when the line has no value left. The value's
// terminator stays replaced by a zero until FinishToken.
const char16_t* TableSerializer::readStringToken(int maxLength, int& length)
{
    const char16_t* token = NextToken();
    if (token == nullptr)
        return nullptr;
    const int full = static_cast<int>(m_readPos - token);
    length = text::CutLength(token, full, maxLength);
    if (length < full)
    {
        Report(__FILE__, __LINE__, kSetFunction, "length < value.m_maxCount",
               "%s:%d: value %d: string of %d characters cut to %d", m_path.c_str(), m_lineNumber,
               m_valueIndex, full, length);
        ++m_readIssues.cutValues;
    }
    return token;
}

// ---- a whole line into a row's cells, without a virtual call per cell ----------------------------

namespace
{

// The run of decimal digits at p (the text after it holds a unit that is no digit: every line
// ends in CR or the text's final zero). value is exact for up to 19 digits.
struct DigitRun
{
    const char16_t* end;
    std::uint64_t value;
    int count;
};

inline DigitRun ScanDigits(const char16_t* p)
{
    std::uint64_t v = 0;
    const char16_t* q = p;
    unsigned d;
    while ((d = static_cast<unsigned>(*q) - u'0') < 10u)
    {
        v = v * 10 + d;
        ++q;
    }
    return DigitRun{q, v, static_cast<int>(q - p)};
}

// The integer's form check for text that is an optional "-" and digits: "0" or no leading zero,
// never "-0", a minus sign only for a signed type.
inline bool IntegerDigitsInForm(bool negative, bool sign, const DigitRun& digits, const char16_t* text)
{
    return (!negative || sign) && (text[negative ? 1 : 0] != u'0' || (digits.count == 1 && !negative));
}

// "%f"'s shape at p -- an optional "-", one to nine digits, ".", six digits -- followed by a unit
// for which `after` holds: its float (exactly what text::ParseFloat gives for it: the digits make
// an integer below 2^53, divided by 10^6 in one correctly rounded step, then narrowed) and whether
// the text is the writer's form of that float. Null when the text has another shape.
template <class After>
inline const char16_t* ReadMillionths(const char16_t* p, After after, float& value, bool& inForm)
{
    const bool negative = *p == u'-';
    const DigitRun whole = ScanDigits(p + (negative ? 1 : 0));
    if (whole.count == 0 || whole.count > 9 || *whole.end != u'.')
        return nullptr;
    const DigitRun fraction = ScanDigits(whole.end + 1);
    if (fraction.count != 6 || !after(*fraction.end))
        return nullptr;
    const std::uint64_t millionths = whole.value * 1000000u + fraction.value;
    const double x = static_cast<double>(millionths) / 1e6;
    value = static_cast<float>(negative ? -x : x);
    std::uint64_t scaled;
    inForm = (whole.count == 1 || p[negative ? 1 : 0] != u'0') && std::signbit(value) == negative &&
             text::ScaledMillionths(value, scaled) && scaled == millionths;
    return fraction.end;
}

inline bool EndsListPiece(char16_t c)
{
    return c == u'|' || EndsValue(c);
}

// The writer's form of an integer that was read exactly -- [first, last) is white space, an
// optional sign and digits, nothing else: "0", or digits without a leading zero after a minus
// sign where the type has one; never "-0", "+1", " 1" or "01". The first units decide.
bool IsIntegerForm(const char16_t* first, const char16_t* last, bool sign)
{
    const char16_t* p = first;
    if (sign && *p == u'-')
        ++p;
    if (p == last)
        return false;
    if (*p == u'0')
        return p == first && p + 1 == last;
    return static_cast<unsigned>(*p) - u'0' < 10u;
}

bool IsFloatForm(const char16_t* first, const char16_t* last, float value)
{
    std::uint64_t scaled;
    if (!text::ScaledMillionths(value, scaled))
    {
        char16_t text[text::kNumberTextCapacity];
        const int n = text::FormatFloat(text, value);
        return n == last - first &&
               std::memcmp(text, first, sizeof(char16_t) * static_cast<std::size_t>(n)) == 0;
    }
    // FormatFloat's text of such a value: "-" for a set sign bit, scaled / 10^6 in decimal
    // (without leading zeros), ".", the six digits of scaled % 10^6.
    const char16_t* p = first;
    if (std::signbit(value))
    {
        if (p == last || *p != u'-')
            return false;
        ++p;
    }
    const char16_t* const point = last - 7;
    if (point <= p || point - p > 13 || *point != u'.' || (*p == u'0' && point - p != 1))
        return false;
    std::uint64_t whole = 0;
    for (; p < point; ++p)
    {
        const unsigned d = static_cast<unsigned>(*p) - u'0';
        if (d >= 10u)
            return false;
        whole = whole * 10 + d;
    }
    std::uint64_t fraction = 0;
    for (p = point + 1; p < last; ++p)
    {
        const unsigned d = static_cast<unsigned>(*p) - u'0';
        if (d >= 10u)
            return false;
        fraction = fraction * 10 + d;
    }
    return whole * 1000000u + fraction == scaled;
}

// A list's text in the writer's form for a list of count values: count pieces joined by single
// bars, each in the form of its value.
template <class PieceInForm>
bool IsListForm(const char16_t* first, const char16_t* last, int count, PieceInForm inForm)
{
    if (first == last)
        return count == 0;
    const char16_t* p = first;
    for (int k = 0;; ++k)
    {
        const char16_t* end = p;
        while (end < last && *end != u'|')
            ++end;
        if (k >= count || end == p || !inForm(p, end, k))
            return false; // an empty piece: a bar at either end or two in a row
        if (end == last)
            return k + 1 == count;
        p = end + 1;
    }
}

// Whether the writer writes the cell's value as an empty text.
bool WritesNothing(Cell& cell)
{
    switch (cell.Type())
    {
    case FIELD_TYPE_STRING:
        return static_cast<StringCell&>(cell).Length() == 0;
    case FIELD_TYPE_STRING_INT:
        return static_cast<StringIntCell&>(cell).Count() == 0;
    case FIELD_TYPE_STRING_FLOAT:
        return static_cast<StringFloatCell&>(cell).Count() == 0;
    default:
        return false;
    }
}

} // namespace

// Whether the value just read, from `start` on, is exactly the text the writer makes of the
// value it gave the cell (see m_rowInWriterForm).
bool TableSerializer::valueInWriterForm(Cell& cell, const char16_t* start, const ReadIssues& before) const
{
    if (m_readPos <= start)
        return false; // no value left on the line
    const ReadIssues& now = m_readIssues;
    if (now.inexactNumbers != before.inexactNumbers || now.emptyNumbers != before.emptyNumbers ||
        now.cutValues != before.cutValues || now.droppedElements != before.droppedElements)
        return false;
    const char16_t* const end = m_readPos - 1; // the value's terminator
    switch (cell.Type())
    {
    case FIELD_TYPE_INT:
    case FIELD_TYPE_INT64:
        return IsIntegerForm(start, end, true);
    case FIELD_TYPE_UINT:
    case FIELD_TYPE_UINT64:
        return IsIntegerForm(start, end, false);
    case FIELD_TYPE_FLOAT:
        return IsFloatForm(start, end, static_cast<FloatCell&>(cell).m_value);
    case FIELD_TYPE_STRING:
        return true; // verbatim: a value read holds no tab, CR or LF, and was not cut
    case FIELD_TYPE_STRING_INT:
        return IsListForm(start, end, static_cast<StringIntCell&>(cell).Count(),
                          [](const char16_t* first, const char16_t* last, int)
                          { return IsIntegerForm(first, last, true); });
    case FIELD_TYPE_STRING_FLOAT:
    {
        const StringFloatCell& list = static_cast<StringFloatCell&>(cell);
        return IsListForm(start, end, list.Count(),
                          [&list](const char16_t* first, const char16_t* last, int k)
                          { return IsFloatForm(first, last, list.Values()[k]); });
    }
    default:
        return false;
    }
}

// The common shapes of a value, read in one pass over its units: what the general path (NextToken,
// the text readers, valueInWriterForm) would give -- the same value, read issues and form -- for
// them. False, with nothing read or changed, for any other value (empty values, white space, "+",
// junk, long strings, lists with empty pieces or more than 64 elements, a list cell that holds
// values already): the general path takes those. m_readPos must lie before m_lineEnd.
inline __attribute__((always_inline)) bool TableSerializer::readValueFast(Cell& cell, scl::BumpPool& pool,
                                                                          bool& inForm)
{
    char16_t* const start = m_readPos;
    const char16_t* const limit = m_bufferEnd + 1; // the text's final zero is the last unit to read
    const FIELD_TYPE type = cell.Type();
    switch (type)
    {
    case FIELD_TYPE_INT:
    case FIELD_TYPE_UINT:
    case FIELD_TYPE_INT64:
    case FIELD_TYPE_UINT64:
    {
        const bool negative = *start == u'-';
        const DigitRun digits = ScanDigits(start + (negative ? 1 : 0));
        if (digits.count == 0 || !EndsValue(*digits.end))
            return false;
        bool exact = true;
        if (digits.count > 20)
        {
            // Leading zeros or past every limit: the text reader decides.
            switch (type)
            {
            case FIELD_TYPE_INT:
                exact = text::ParseInt32(start, digits.end, static_cast<IntCell&>(cell).m_value);
                break;
            case FIELD_TYPE_UINT:
                exact = text::ParseUInt32(start, digits.end, static_cast<UIntCell&>(cell).m_value);
                break;
            case FIELD_TYPE_INT64:
                exact = text::ParseInt64(start, digits.end, static_cast<Int64Cell&>(cell).m_value);
                break;
            default:
                exact = text::ParseUInt64(start, digits.end, static_cast<UInt64Cell&>(cell).m_value);
                break;
            }
        }
        else
        {
            // The magnitude m, exact up to 19 digits; with 20 it may pass 2^64 - 1 (big). Then the
            // readers' rules made plain: strtol's clamps with a 32-bit long for INT, strtoul's
            // saturation above 4294967295 and a minus sign negating modulo 2^32 for UINT,
            // strtoll's clamps for INT64, strtoull's saturation and negation for UINT64.
            std::uint64_t m = digits.value;
            bool big = false;
            if (digits.count == 20)
            {
                const char16_t* p = digits.end - 20;
                std::uint64_t first19 = 0;
                for (int k = 0; k < 19; ++k)
                    first19 = first19 * 10 + (static_cast<unsigned>(p[k]) - u'0');
                big = __builtin_mul_overflow(first19, 10u, &m) ||
                      __builtin_add_overflow(m, static_cast<unsigned>(p[19]) - u'0', &m);
            }
            switch (type)
            {
            case FIELD_TYPE_INT:
            {
                std::int32_t& value = static_cast<IntCell&>(cell).m_value;
                if (big || (negative ? m > (std::uint64_t(1) << 31) : m > 0x7fffffffu))
                {
                    value = negative ? INT32_MIN : INT32_MAX;
                    exact = false;
                }
                else
                    value = static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(m)
                                                               : static_cast<std::int64_t>(m));
                break;
            }
            case FIELD_TYPE_UINT:
            {
                std::uint32_t& value = static_cast<UIntCell&>(cell).m_value;
                if (big || m > 0xffffffffu)
                {
                    value = UINT32_MAX;
                    exact = false;
                }
                else
                    value = negative ? 0u - static_cast<std::uint32_t>(m) : static_cast<std::uint32_t>(m);
                break;
            }
            case FIELD_TYPE_INT64:
            {
                std::int64_t& value = static_cast<Int64Cell&>(cell).m_value;
                if (big || (negative ? m > (std::uint64_t(1) << 63) : m > std::uint64_t(INT64_MAX)))
                {
                    value = negative ? INT64_MIN : INT64_MAX;
                    exact = false;
                }
                else
                    value = static_cast<std::int64_t>(negative ? 0 - m : m); // 2^63 negated: INT64_MIN
                break;
            }
            default:
            {
                std::uint64_t& value = static_cast<UInt64Cell&>(cell).m_value;
                if (big)
                {
                    value = UINT64_MAX;
                    exact = false;
                }
                else
                    value = negative ? 0 - m : m;
                break;
            }
            }
        }
        noteNumber(exact, false);
        const bool sign = type == FIELD_TYPE_INT || type == FIELD_TYPE_INT64;
        inForm = exact && IntegerDigitsInForm(negative, sign, digits, start);
        m_readPos = const_cast<char16_t*>(digits.end) + 1;
        return true;
    }
    case FIELD_TYPE_FLOAT:
    {
        float value;
        const char16_t* end = ReadMillionths(start, EndsValue, value, inForm);
        if (end == nullptr)
            return false;
        static_cast<FloatCell&>(cell).m_value = value;
        m_readPos = const_cast<char16_t*>(end) + 1;
        return true;
    }
    case FIELD_TYPE_STRING:
    {
        char16_t* const end = scan::FindValueEnd(start, limit);
        const std::ptrdiff_t length = end - start;
        if (length > StringCell::kMaxLength)
            return false; // cut, with a report
        static_cast<StringCell&>(cell).Borrow(start, static_cast<int>(length));
        inForm = true;
        m_readPos = end + 1;
        return true;
    }
    case FIELD_TYPE_STRING_INT:
    {
        StringIntCell& list = static_cast<StringIntCell&>(cell);
        if (list.Count() != 0)
            return false;
        int values[ListCell<int>::kMaxCount];
        int count = 0;
        bool form = true;
        const char16_t* p = start;
        for (;;)
        {
            const bool negative = *p == u'-';
            const DigitRun digits = ScanDigits(p + (negative ? 1 : 0));
            // Nine digits and a sign are always an exact 32-bit value.
            if (digits.count == 0 || digits.count > 9 || count == ListCell<int>::kMaxCount)
                return false;
            form = form && IntegerDigitsInForm(negative, true, digits, p);
            const std::int64_t m = static_cast<std::int64_t>(digits.value);
            values[count++] = static_cast<int>(negative ? -m : m);
            p = digits.end;
            if (*p != u'|')
                break;
            ++p;
        }
        if (!EndsValue(*p))
            return false;
        int* stored = static_cast<int*>(pool.allocate(sizeof(int) * static_cast<std::size_t>(count)));
        std::memcpy(stored, values, sizeof(int) * static_cast<std::size_t>(count));
        list.Borrow(stored, count);
        inForm = form;
        m_readPos = const_cast<char16_t*>(p) + 1;
        return true;
    }
    case FIELD_TYPE_STRING_FLOAT:
    {
        StringFloatCell& list = static_cast<StringFloatCell&>(cell);
        if (list.Count() != 0)
            return false;
        float values[ListCell<float>::kMaxCount];
        int count = 0;
        bool form = true;
        const char16_t* p = start;
        for (;;)
        {
            if (count == ListCell<float>::kMaxCount)
                return false;
            bool pieceForm;
            const char16_t* end = ReadMillionths(p, EndsListPiece, values[count], pieceForm);
            if (end == nullptr)
                return false;
            ++count;
            form = form && pieceForm;
            p = end;
            if (*p != u'|')
                break;
            ++p;
        }
        float* stored = static_cast<float*>(pool.allocate(sizeof(float) * static_cast<std::size_t>(count)));
        std::memcpy(stored, values, sizeof(float) * static_cast<std::size_t>(count));
        list.Borrow(stored, count);
        inForm = form;
        m_readPos = const_cast<char16_t*>(p) + 1;
        return true;
    }
    default:
        return false;
    }
}

void TableSerializer::ReadRow(Cell* const* cells, int count, scl::BumpPool& pool)
{
    m_mode = ModeRead;
    m_rowInWriterForm = false;
    bool inForm = count > 0 && m_readIssues.strayBreaks == 0 && !m_readIssues.longLine;
    bool emptyLast = false; // the line ends in a tab that stands for an empty last value
    for (int i = 0; i < count; ++i)
    {
        Cell* cell = cells[i];
        if (cell == nullptr)
        {
            inForm = false;
            continue;
        }
        // readyToTransfer's checks, of which only the file can fail here; the first value of a
        // line may also have a report to make.
        if (m_valueIndex > 0 && m_file.IsOpen())
            ++m_valueIndex;
        else if (!readyToTransfer(__LINE__))
            return;
        const char16_t* const start = m_readPos;
        bool valueInForm;
        if (start != nullptr && start < m_lineEnd && readValueFast(*cell, pool, valueInForm))
        {
            inForm = inForm && valueInForm;
            continue;
        }
        const ReadIssues before = m_readIssues;
        switch (cell->Type())
        {
        case FIELD_TYPE_INT:
            readNumber(static_cast<IntCell*>(cell)->m_value, text::ParseInt32);
            break;
        case FIELD_TYPE_UINT:
            readNumber(static_cast<UIntCell*>(cell)->m_value, text::ParseUInt32);
            break;
        case FIELD_TYPE_INT64:
            readNumber(static_cast<Int64Cell*>(cell)->m_value, text::ParseInt64);
            break;
        case FIELD_TYPE_UINT64:
            readNumber(static_cast<UInt64Cell*>(cell)->m_value, text::ParseUInt64);
            break;
        case FIELD_TYPE_FLOAT:
            readNumber(static_cast<FloatCell*>(cell)->m_value, text::ParseFloat);
            break;
        case FIELD_TYPE_STRING:
        {
            int length = 0;
            if (const char16_t* token = readStringToken(StringCell::kMaxLength, length))
            {
                static_cast<StringCell*>(cell)->Borrow(token, length);
                FinishToken();
            }
            break;
        }
        case FIELD_TYPE_STRING_INT:
            readListInto(*static_cast<StringIntCell*>(cell), pool, "scl::parray<int>::push_back",
                         text::ParseInt32);
            break;
        case FIELD_TYPE_STRING_FLOAT:
            readListInto(*static_cast<StringFloatCell*>(cell), pool, "scl::parray<float>::push_back",
                         text::ParseFloat);
            break;
        default:
            --m_valueIndex; // counted again by the cell's own transfer
            cell->Serialize(*this);
            break;
        }
        if (i + 1 == count && m_readPos == start && start == m_lineEnd && start > m_lineStart &&
            start[-1] == u'\t' && WritesNothing(*cell))
            emptyLast = true; // "a\t" for an empty last value: what the writer writes, too
        else
            inForm = inForm && valueInWriterForm(*cell, start, before);
    }
    // Every value read, the last one ended by the line's end (not by a tab before it).
    m_rowInWriterForm = inForm && m_readPos == (emptyLast ? m_lineEnd : m_lineEnd + 1);
}

template <class T, class Parse>
void TableSerializer::readListInto(ListCell<T>& cell, scl::BumpPool& pool, const char* pushName, Parse parse)
{
    T values[ListCell<T>::kMaxCount];
    int count = cell.Count();
    if (count > 0)
        std::memcpy(values, cell.Values(), sizeof(T) * static_cast<std::size_t>(count));
    if (!readList(values, count, ListCell<T>::kMaxCount, __LINE__, pushName, parse) || count == cell.Count())
        return;
    T* stored = static_cast<T*>(pool.allocate(sizeof(T) * static_cast<std::size_t>(count)));
    std::memcpy(stored, values, sizeof(T) * static_cast<std::size_t>(count));
    cell.Borrow(stored, count);
}

} // namespace tarn
