#include "tool/cell.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <new>
#include <string>

#include "base/arena.h"
#include "base/assert.h"

namespace tarn
{

const char* FieldTypeName(FIELD_TYPE type)
{
    switch (type)
    {
    case FIELD_TYPE_INT:
        return "INT";
    case FIELD_TYPE_UINT:
        return "UINT";
    case FIELD_TYPE_INT64:
        return "INT64";
    case FIELD_TYPE_UINT64:
        return "UINT64";
    case FIELD_TYPE_FLOAT:
        return "FLOAT";
    case FIELD_TYPE_STRING:
        return "STRING";
    case FIELD_TYPE_STRING_INT:
        return "STRING_INT";
    case FIELD_TYPE_STRING_FLOAT:
        return "STRING_FLOAT";
    default:
        return "INVALID";
    }
}

namespace
{

constexpr int kStringCapacity = 1024; // StringCell: 1023 units and the terminator
constexpr int kScalarTextMax = 31;    // text form of the number cells
constexpr int kListTextMax = 127;     // text form of the list cells
constexpr int kListCapacity = 64;

inline bool IsSpace(char16_t c)
{
    // The "C" locale's isspace: space, tab, LF, VT, FF, CR.
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// Sign and magnitude of a base-10 integer text; the magnitude saturates above limit.
struct IntegerScan
{
    const char16_t* end; // first unit after the number; the text's start when there is none
    std::uint64_t magnitude;
    bool negative;
    bool overflow; // the magnitude exceeds limit
};

IntegerScan ScanInteger(const char16_t* first, const char16_t* last, std::uint64_t limit)
{
    IntegerScan scan{first, 0, false, false};
    const char16_t* p = first;
    while (p < last && IsSpace(*p))
        ++p;
    bool negative = false;
    if (p < last && (*p == u'+' || *p == u'-'))
    {
        negative = *p == u'-';
        ++p;
    }
    const char16_t* digits = p;
    // Nineteen digits are below 10^19 < 2^64: they need no overflow check on the way, only the
    // limit at the end. Every value a data file holds has fewer.
    const char16_t* plain = last - p > 19 ? p + 19 : last;
    std::uint64_t m = 0;
    unsigned d;
    while (p < plain && (d = static_cast<unsigned>(*p) - u'0') < 10u)
    {
        m = m * 10 + d;
        ++p;
    }
    if (p == digits)
        return scan; // no number: 0, nothing consumed
    bool overflow = m > limit;
    // Further digits (only a text of twenty or more, leading zeros included, gets here).
    while (p < last && (d = static_cast<unsigned>(*p) - u'0') < 10u)
    {
        if (!overflow)
        {
            if (m > (limit - d) / 10)
                overflow = true;
            else
                m = m * 10 + d;
        }
        ++p;
    }
    scan.end = p;
    scan.magnitude = m;
    scan.negative = negative;
    scan.overflow = overflow;
    return scan;
}

// The "C" locale for strtod_l, made once: the process locale (which a UI toolkit may set from the
// environment) must not change the decimal point.
locale_t CLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

inline bool IsFloatTextChar(char16_t c)
{
    // Units that can belong to a decimal number: digits, signs, point and exponent. Float text is
    // decimal only ("0x10" is 0 followed by other text; "inf" and "nan" are no number), so that a
    // file means the same number to every program that reads it.
    return (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.' || c == u'e' || c == u'E';
}

// strtod of a narrow text of IsFloatTextChar units only, which leaves it the decimal form; stores
// the number of characters consumed and whether the result was out of range.
double NarrowStrtod(const char* text, int length, int& consumed, bool& outOfRange)
{
    outOfRange = false;
    const char* s = text;
    const char* const end = text + length;
    bool negative = false;
    if (s < end && (*s == '+' || *s == '-'))
    {
        negative = *s == '-';
        ++s;
    }
    // Fast path: plain decimal text, which is what data files hold.
    const bool decimal = s < end && ((*s >= '0' && *s <= '9') || *s == '.');
    if (decimal)
    {
        double d = 0.0;
        const std::from_chars_result r = std::from_chars(s, end, d, std::chars_format::general);
        if (r.ec == std::errc())
        {
            consumed = static_cast<int>(r.ptr - text);
            return negative ? -d : d;
        }
        if (r.ec == std::errc::invalid_argument)
        {
            consumed = 0; // "." or ".e1": no number
            return 0.0;
        }
        // Out of range: strtod decides between HUGE_VAL and the underflowed result.
    }
    char* stop = nullptr;
    errno = 0;
    const double d = strtod_l(text, &stop, CLocale());
    outOfRange = errno == ERANGE;
    consumed = static_cast<int>(stop - text);
    return d;
}

// The powers of ten that a double holds exactly.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The double that strtod gives for [first, last), when the whole text is a plain decimal number
// -- an optional sign, digits with at most one point, an optional exponent -- whose significant
// digits make an integer w of at most 2^53 and whose power of ten p lies in [-22, 22]. Then w and
// 10^|p| are exact doubles and w * 10^p (or w / 10^-p) is one correctly rounded operation: the
// correctly rounded value of the text, as strtod makes it. False for every other text (white
// space, more digits, a larger power, anything after the number), which the general reader takes.
bool FastDecimal(const char16_t* first, const char16_t* last, double& value)
{
    const char16_t* p = first;
    bool negative = false;
    if (p < last && (*p == u'-' || *p == u'+'))
    {
        negative = *p == u'-';
        ++p;
    }
    std::uint64_t w = 0;
    int significant = 0; // digits in w, from the first non-zero one
    int digits = 0;      // all mantissa digits
    int power = 0;
    unsigned d;
    for (; p < last && (d = static_cast<unsigned>(*p) - u'0') < 10u; ++p, ++digits)
    {
        if (w == 0 && d == 0)
            continue;
        if (++significant > 19)
            return false;
        w = w * 10 + d;
    }
    if (p < last && *p == u'.')
    {
        for (++p; p < last && (d = static_cast<unsigned>(*p) - u'0') < 10u; ++p, ++digits)
        {
            --power;
            if (w == 0 && d == 0)
                continue;
            if (++significant > 19)
                return false;
            w = w * 10 + d;
        }
    }
    if (digits == 0)
        return false;
    if (p < last && (*p == u'e' || *p == u'E'))
    {
        ++p;
        bool negativePower = false;
        if (p < last && (*p == u'-' || *p == u'+'))
        {
            negativePower = *p == u'-';
            ++p;
        }
        const char16_t* const powerDigits = p;
        int e = 0;
        for (; p < last && (d = static_cast<unsigned>(*p) - u'0') < 10u; ++p)
        {
            if (p - powerDigits >= 3)
                return false;
            e = e * 10 + static_cast<int>(d);
        }
        if (p == powerDigits)
            return false; // "1e": the number ends before the "e"
        power += negativePower ? -e : e;
    }
    if (p != last || w > (std::uint64_t(1) << 53) || power < -22 || power > 22)
        return false;
    double x = static_cast<double>(w);
    x = power < 0 ? x / kExactPowersOfTen[-power] : x * kExactPowersOfTen[power];
    value = negative ? -x : x;
    return true;
}

// The buffer that ToString builds the text forms of number and list cells in: one per thread,
// overwritten by the next such ToString on the thread.
thread_local char16_t t_textForm[kListTextMax + 1];

template <class T, class Format> const char16_t* ListText(const T* values, int count, Format format)
{
    char16_t* out = t_textForm;
    int length = 0;
    for (int i = 0; i < count && length < kListTextMax; ++i)
    {
        char16_t number[text::kNumberTextCapacity];
        int n = format(number, values[i]);
        if (n > kListTextMax - length)
            n = kListTextMax - length; // the element is cut where the buffer ends
        std::memcpy(out + length, number, sizeof(char16_t) * static_cast<size_t>(n));
        length += n;
        if (i + 1 < count && length < kListTextMax)
            out[length++] = u'|';
    }
    out[length] = 0;
    return out;
}

const char16_t* ScalarText(const char16_t* number, int n)
{
    if (n > kScalarTextMax)
        n = kScalarTextMax;
    std::memcpy(t_textForm, number, sizeof(char16_t) * static_cast<size_t>(n));
    t_textForm[n] = 0;
    return t_textForm;
}

// Splits text at "|" like a tokenizer and hands every piece [first, last) to add.
template <class Add> void ForEachListPiece(const char16_t* text, Add add)
{
    if (text == nullptr)
        return;
    const char16_t* p = text;
    for (;;)
    {
        while (*p == u'|')
            ++p;
        if (*p == 0)
            return;
        const char16_t* start = p;
        while (*p != 0 && *p != u'|')
            ++p;
        add(start, p);
    }
}

template <class T> void AppendListValue(scl::array<T, 64>& values, const T& value, const char* function)
{
    if (values.m_count >= kListCapacity)
    {
        scl::detail::AssertFailedNamed(__FILE__, function, __LINE__, "0");
        return;
    }
    values.m_data[values.m_count++] = value;
}

// Units or values owned by a cell: from the arena, rounded up to its 16-byte granule so that a
// value that changes length a little reuses its storage.
template <class T> int OwnedCapacity(int count)
{
    const std::size_t bytes = (sizeof(T) * static_cast<std::size_t>(count) + 15) / 16 * 16;
    return static_cast<int>(bytes / sizeof(T));
}

template <class T> T* AllocateOwned(int capacity)
{
    void* p = scl::arena_allocate(sizeof(T) * static_cast<std::size_t>(capacity));
    if (p == nullptr)
        throw std::bad_alloc();
    return static_cast<T*>(p);
}

template <class T> void FreeOwned(T* p, int capacity)
{
    if (capacity > 0)
        scl::arena_free(p, sizeof(T) * static_cast<std::size_t>(capacity));
}

} // namespace

// ---- number text ----------------------------------------------------------------------------

namespace text
{

int FormatUInt64(char16_t* out, std::uint64_t value)
{
    // Two digits per division: every row of a table passes through here on load and save.
    static const char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    char16_t digits[24];
    int first = 24;
    while (value >= 100)
    {
        const unsigned pair = static_cast<unsigned>(value % 100) * 2;
        value /= 100;
        digits[--first] = static_cast<char16_t>(kPairs[pair + 1]);
        digits[--first] = static_cast<char16_t>(kPairs[pair]);
    }
    if (value >= 10)
    {
        const unsigned pair = static_cast<unsigned>(value) * 2;
        digits[--first] = static_cast<char16_t>(kPairs[pair + 1]);
        digits[--first] = static_cast<char16_t>(kPairs[pair]);
    }
    else
        digits[--first] = static_cast<char16_t>(u'0' + value);
    const int n = 24 - first;
    std::memcpy(out, digits + first, sizeof(char16_t) * static_cast<size_t>(n));
    return n;
}

int FormatInt64(char16_t* out, std::int64_t value)
{
    if (value < 0)
    {
        out[0] = u'-';
        // Negate in unsigned arithmetic so that INT64_MIN does not overflow.
        return 1 + FormatUInt64(out + 1, 0 - static_cast<std::uint64_t>(value));
    }
    return FormatUInt64(out, static_cast<std::uint64_t>(value));
}

int FormatInt32(char16_t* out, std::int32_t value)
{
    return FormatInt64(out, value);
}

int FormatUInt32(char16_t* out, std::uint32_t value)
{
    return FormatUInt64(out, value);
}

int FormatFloat(char16_t* out, float value)
{
    // "%f" is the digits of value * 10^6, rounded, with the point before the last six: many times
    // faster than the general conversion below, which every FLOAT and STRING_FLOAT value of a
    // table would otherwise go through on load and save.
    std::uint64_t scaled;
    if (ScaledMillionths(value, scaled))
    {
        int n = 0;
        if (std::signbit(value))
            out[n++] = u'-'; // also "-0.000000", as printf writes for -0 and tiny negatives
        n += FormatUInt64(out + n, scaled / 1000000u);
        out[n++] = u'.';
        unsigned fraction = static_cast<unsigned>(scaled % 1000000u);
        for (int i = 5; i >= 0; --i)
        {
            out[n + i] = static_cast<char16_t>(u'0' + fraction % 10);
            fraction /= 10;
        }
        return n + 6;
    }
    // to_chars with a precision formats exactly as printf does in the "C" locale.
    char narrow[kNumberTextCapacity];
    const std::to_chars_result r = std::to_chars(narrow, narrow + sizeof(narrow), static_cast<double>(value),
                                                 std::chars_format::fixed, 6);
    const int n = r.ec == std::errc() ? static_cast<int>(r.ptr - narrow) : 0;
    for (int i = 0; i < n; ++i)
        out[i] = static_cast<char16_t>(narrow[i]);
    return n;
}

bool ParseInt32(const char16_t* first, const char16_t* last, std::int32_t& value)
{
    const IntegerScan s = ScanInteger(first, last, std::uint64_t(1) << 31);
    const std::uint64_t maxPositive = std::numeric_limits<std::int32_t>::max();
    bool inRange = true;
    if (s.overflow || (!s.negative && s.magnitude > maxPositive))
    {
        value =
            s.negative ? std::numeric_limits<std::int32_t>::min() : std::numeric_limits<std::int32_t>::max();
        inRange = false;
    }
    else
        value = static_cast<std::int32_t>(s.negative ? -static_cast<std::int64_t>(s.magnitude)
                                                     : static_cast<std::int64_t>(s.magnitude));
    return inRange && s.end != first && s.end == last;
}

bool ParseUInt32(const char16_t* first, const char16_t* last, std::uint32_t& value)
{
    const IntegerScan s = ScanInteger(first, last, std::numeric_limits<std::uint32_t>::max());
    if (s.overflow)
    {
        value = std::numeric_limits<std::uint32_t>::max();
        return false;
    }
    const std::uint32_t m = static_cast<std::uint32_t>(s.magnitude);
    value = s.negative ? static_cast<std::uint32_t>(0u - m) : m;
    return s.end != first && s.end == last;
}

bool ParseInt64(const char16_t* first, const char16_t* last, std::int64_t& value)
{
    const IntegerScan s = ScanInteger(first, last, std::uint64_t(1) << 63);
    const std::uint64_t maxPositive = std::numeric_limits<std::int64_t>::max();
    bool inRange = true;
    if (s.overflow || (!s.negative && s.magnitude > maxPositive))
    {
        value =
            s.negative ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
        inRange = false;
    }
    else if (s.negative)
        value = static_cast<std::int64_t>(0 - s.magnitude); // two's complement: 2^63 gives INT64_MIN
    else
        value = static_cast<std::int64_t>(s.magnitude);
    return inRange && s.end != first && s.end == last;
}

bool ParseUInt64(const char16_t* first, const char16_t* last, std::uint64_t& value)
{
    const IntegerScan s = ScanInteger(first, last, std::numeric_limits<std::uint64_t>::max());
    if (s.overflow)
    {
        value = std::numeric_limits<std::uint64_t>::max();
        return false;
    }
    value = s.negative ? 0 - s.magnitude : s.magnitude;
    return s.end != first && s.end == last;
}

bool ParseFloat(const char16_t* first, const char16_t* last, float& value)
{
    // Such text is what data files hold ("%f" writes it); its value lies well inside the float
    // range, so it is exact and in range.
    double fast;
    if (FastDecimal(first, last, fast))
    {
        value = static_cast<float>(fast);
        return true;
    }
    const char16_t* p = first;
    while (p < last && IsSpace(*p))
        ++p;
    const char16_t* run = p;
    while (run < last && IsFloatTextChar(*run))
        ++run;
    const int length = static_cast<int>(run - p);

    // Numbers are short; an absurdly long digit run still reads exactly, from the heap.
    char stackText[256];
    std::string heapText;
    char* narrow = stackText;
    if (length >= static_cast<int>(sizeof(stackText)))
    {
        heapText.resize(static_cast<size_t>(length) + 1);
        narrow = &heapText[0];
    }
    for (int i = 0; i < length; ++i)
        narrow[i] = static_cast<char>(p[i]);
    narrow[length] = 0;

    int consumed = 0;
    bool outOfRange = false;
    const double d = NarrowStrtod(narrow, length, consumed, outOfRange);
    value = static_cast<float>(d);
    if (consumed == 0)
    {
        value = 0.0f;
        return false;
    }
    const bool narrowedAway = (std::isfinite(d) && std::isinf(value)) || (d != 0.0 && value == 0.0f);
    // Beyond the float range: the nearest limit. An infinity would be written "inf", which reads
    // back as 0.
    if (std::isinf(value))
        value = std::copysign(std::numeric_limits<float>::max(), value);
    return !outOfRange && !narrowedAway && p + consumed == last;
}

int CutLength(const char16_t* s, int length, int maxLength)
{
    if (length <= maxLength)
        return length;
    int n = maxLength < 0 ? 0 : maxLength;
    // Never keep the first half of a surrogate pair without its second half.
    if (n > 0 && s[n - 1] >= 0xD800 && s[n - 1] <= 0xDBFF)
        --n;
    return n;
}

} // namespace text

// ---- ISerializer, Cell ------------------------------------------------------------------------

ISerializer::~ISerializer() = default;

Cell::~Cell() = default;

// What a loaded row costs: every cell a few words (64-bit targets).
static_assert(sizeof(void*) != 8 ||
                  (sizeof(IntCell) == 24 && sizeof(FloatCell) == 24 && sizeof(Int64Cell) == 32 &&
                   sizeof(StringCell) == 32 && sizeof(StringIntCell) == 32),
              "cells are sized to their content");

void* Cell::operator new(std::size_t size)
{
    void* p = scl::arena_allocate(size);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

void* Cell::operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return scl::arena_allocate(size);
}

void Cell::operator delete(void* p, std::size_t size) noexcept
{
    scl::arena_free(p, size);
}

int Cell::GetInt()
{
    SCL_ASSERT(false);
    return 0;
}

void Cell::SetInt(int)
{
    SCL_ASSERT(false);
}

std::uint32_t Cell::GetUInt()
{
    SCL_ASSERT(false);
    return 0;
}

void Cell::SetUInt(std::uint32_t)
{
    SCL_ASSERT(false);
}

std::int64_t Cell::GetInt64()
{
    SCL_ASSERT(false);
    return 0;
}

void Cell::SetInt64(std::int64_t)
{
    SCL_ASSERT(false);
}

std::uint64_t Cell::GetUInt64()
{
    SCL_ASSERT(false);
    return 0;
}

void Cell::SetUInt64(std::uint64_t)
{
    SCL_ASSERT(false);
}

const char16_t* Cell::GetString()
{
    SCL_ASSERT(false);
    return u"";
}

void Cell::SetString(const char16_t*)
{
    SCL_ASSERT(false);
}

float Cell::GetFloat()
{
    SCL_ASSERT(false);
    return 0.0f;
}

void Cell::SetFloat(float)
{
    SCL_ASSERT(false);
}

scl::parray<float> Cell::GetStringFloat()
{
    SCL_ASSERT(false);
    return scl::parray<float>();
}

void Cell::SetStringFloat(const char16_t*)
{
    SCL_ASSERT(false);
}

void Cell::SetStringFloat(const scl::parray<float>&)
{
    SCL_ASSERT(false);
}

scl::parray<int> Cell::GetStringInt()
{
    SCL_ASSERT(false);
    return scl::parray<int>();
}

void Cell::SetStringInt(const char16_t*)
{
    SCL_ASSERT(false);
}

void Cell::SetStringInt(const scl::parray<int>&)
{
    SCL_ASSERT(false);
}

// ---- scalar cells -----------------------------------------------------------------------------

const char16_t* IntCell::ToString()
{
    char16_t number[text::kNumberTextCapacity];
    return ScalarText(number, text::FormatInt32(number, m_value));
}

void IntCell::Serialize(ISerializer& serializer)
{
    serializer.set(m_value);
}

const char16_t* UIntCell::ToString()
{
    char16_t number[text::kNumberTextCapacity];
    return ScalarText(number, text::FormatUInt32(number, m_value));
}

void UIntCell::Serialize(ISerializer& serializer)
{
    serializer.set(m_value);
}

const char16_t* Int64Cell::ToString()
{
    char16_t number[text::kNumberTextCapacity];
    return ScalarText(number, text::FormatInt64(number, m_value));
}

void Int64Cell::Serialize(ISerializer& serializer)
{
    serializer.set(m_value);
}

const char16_t* UInt64Cell::ToString()
{
    char16_t number[text::kNumberTextCapacity];
    return ScalarText(number, text::FormatUInt64(number, m_value));
}

void UInt64Cell::Serialize(ISerializer& serializer)
{
    serializer.set(m_value);
}

const char16_t* FloatCell::ToString()
{
    char16_t number[text::kNumberTextCapacity];
    return ScalarText(number, text::FormatFloat(number, m_value));
}

void FloatCell::Serialize(ISerializer& serializer)
{
    serializer.set(m_value);
}

// ---- StringCell -------------------------------------------------------------------------------

char16_t StringCell::s_empty[1] = {0};

StringCell::~StringCell()
{
    FreeOwned(m_text, m_capacity);
}

void StringCell::Assign(const char16_t* text, int length)
{
    if (length > kMaxLength)
        length = kMaxLength;
    if (length <= 0)
    {
        FreeOwned(m_text, m_capacity);
        m_text = s_empty;
        m_capacity = 0;
        m_length = 0;
        return;
    }
    if (m_capacity > length)
        std::memmove(m_text, text, sizeof(char16_t) * static_cast<size_t>(length)); // may overlap
    else
    {
        // Copied before the old storage is freed: text may lie inside it.
        const int capacity = OwnedCapacity<char16_t>(length + 1);
        char16_t* storage = AllocateOwned<char16_t>(capacity);
        std::memcpy(storage, text, sizeof(char16_t) * static_cast<size_t>(length));
        FreeOwned(m_text, m_capacity);
        m_text = storage;
        m_capacity = static_cast<std::uint16_t>(capacity);
    }
    m_text[length] = 0;
    m_length = static_cast<std::uint16_t>(length);
}

void StringCell::borrowAny(const char16_t* text, int length)
{
    FreeOwned(m_text, m_capacity);
    m_capacity = 0;
    if (text == nullptr || length <= 0)
    {
        m_text = s_empty;
        m_length = 0;
        return;
    }
    m_text = const_cast<char16_t*>(text); // never written: m_capacity is 0
    m_length = static_cast<std::uint16_t>(length > kMaxLength ? kMaxLength : length);
}

void StringCell::SetString(const char16_t* text)
{
    if (text == nullptr)
        return;
    const int length = scl::str_length(text);
    const int n = text::CutLength(text, length, kStringCapacity - 1);
    SCL_ASSERT_MSG(n == length, "string of %d characters cut to %d", length, n);
    Assign(text, n);
}

void StringCell::Serialize(ISerializer& serializer)
{
    // The serializer works on a buffer of the full capacity, as the value had it before storage
    // was sized to the content; the cell takes back what it finds there.
    char16_t buffer[kStringCapacity] = {};
    std::memcpy(buffer, m_text, sizeof(char16_t) * m_length);
    scl::pstringT<char16_t> view(buffer, kStringCapacity);
    serializer.set(view);
    int length = 0;
    while (length < kStringCapacity - 1 && buffer[length] != 0)
        ++length;
    if (length != m_length || std::memcmp(buffer, m_text, sizeof(char16_t) * m_length) != 0)
        Assign(buffer, length);
}

// ---- list cells -------------------------------------------------------------------------------

template <class T> ListCell<T>::~ListCell()
{
    FreeOwned(m_values, m_capacity);
}

template <class T> void ListCell<T>::Assign(const T* values, int count)
{
    if (count > kMaxCount)
        count = kMaxCount;
    if (values == nullptr || count <= 0)
    {
        FreeOwned(m_values, m_capacity);
        m_values = nullptr;
        m_capacity = 0;
        m_count = 0;
        return;
    }
    if (m_capacity >= count)
        std::memmove(m_values, values, sizeof(T) * static_cast<size_t>(count)); // may overlap
    else
    {
        const int capacity = OwnedCapacity<T>(count);
        T* storage = AllocateOwned<T>(capacity);
        std::memcpy(storage, values, sizeof(T) * static_cast<size_t>(count));
        FreeOwned(m_values, m_capacity);
        m_values = storage;
        m_capacity = static_cast<std::uint16_t>(capacity);
    }
    m_count = static_cast<std::uint16_t>(count);
}

template <class T> void ListCell<T>::Borrow(const T* values, int count)
{
    FreeOwned(m_values, m_capacity);
    m_capacity = 0;
    if (values == nullptr || count <= 0)
    {
        m_values = nullptr;
        m_count = 0;
        return;
    }
    m_values = const_cast<T*>(values); // never written: m_capacity is 0
    m_count = static_cast<std::uint16_t>(count > kMaxCount ? kMaxCount : count);
}

template <class T> void ListCell<T>::serializeList(ISerializer& serializer)
{
    // The serializer appends to or reads from a list of the full capacity, as the cell had it
    // before storage was sized to the content; the cell takes back the view's size and values.
    scl::array<T, kListCapacity> values;
    if (m_count > 0)
        std::memcpy(values.m_data, m_values, sizeof(T) * m_count);
    values.m_count = m_count;
    scl::parray<T> view = values.view();
    serializer.set(view);
    const int n = view.size() < 0 ? 0 : (view.size() > kListCapacity ? kListCapacity : view.size());
    if (n != m_count ||
        (n > 0 && std::memcmp(values.m_data, m_values, sizeof(T) * static_cast<size_t>(n)) != 0))
        Assign(values.m_data, n);
}

template class ListCell<int>;
template class ListCell<float>;

void StringIntCell::SetStringInt(const char16_t* text)
{
    scl::array<int, kListCapacity> values;
    ForEachListPiece(text,
                     [&values](const char16_t* first, const char16_t* last)
                     {
                         std::int32_t v = 0;
                         text::ParseInt32(first, last, v);
                         AppendListValue(values, v, "scl::parray<int>::push_back");
                     });
    Assign(values.m_data, values.m_count);
}

void StringIntCell::SetStringInt(const scl::parray<int>& values)
{
    Assign(values.m_data, values.size());
}

const char16_t* StringIntCell::ToString()
{
    return ListText(Values(), Count(), text::FormatInt32);
}

void StringIntCell::Serialize(ISerializer& serializer)
{
    serializeList(serializer);
}

void StringFloatCell::SetStringFloat(const char16_t* text)
{
    scl::array<float, kListCapacity> values;
    ForEachListPiece(text,
                     [&values](const char16_t* first, const char16_t* last)
                     {
                         float v = 0.0f;
                         text::ParseFloat(first, last, v);
                         AppendListValue(values, v, "scl::parray<float>::push_back");
                     });
    Assign(values.m_data, values.m_count);
}

void StringFloatCell::SetStringFloat(const scl::parray<float>& values)
{
    Assign(values.m_data, values.size());
}

const char16_t* StringFloatCell::ToString()
{
    return ListText(Values(), Count(), text::FormatFloat);
}

void StringFloatCell::Serialize(ISerializer& serializer)
{
    serializeList(serializer);
}

// ---- cells placed by their owner --------------------------------------------------------------

// ---- free functions ---------------------------------------------------------------------------

FIELD_TYPE ConvertTypeStringToTypeValue(scl::pstringT<char16_t> name)
{
    static const struct
    {
        const char16_t* name;
        FIELD_TYPE type;
    } kNames[] = {
        {u"INT", FIELD_TYPE_INT},
        {u"UINT", FIELD_TYPE_UINT},
        {u"INT64", FIELD_TYPE_INT64},
        {u"UINT64", FIELD_TYPE_UINT64},
        {u"FLOAT", FIELD_TYPE_FLOAT},
        {u"STRING", FIELD_TYPE_STRING},
        {u"STRING_INT", FIELD_TYPE_STRING_INT},
        {u"STRING_FLOAT", FIELD_TYPE_STRING_FLOAT},
        {u"KEY_VALUE", FIELD_TYPE_STRING},
    };
    // A capacity below 1 compares no unit at all and would match every name.
    if (name.m_ptr != nullptr && name.m_maxCount > 0)
    {
        for (const auto& entry : kNames)
        {
            if (name == entry.name)
                return entry.type;
        }
    }
    SCL_ASSERT(false);
    return FIELD_TYPE_INVALID;
}

Cell* CreateCell(const Field& field)
{
    switch (field.m_type)
    {
    case FIELD_TYPE_INT:
        return new (std::nothrow) IntCell();
    case FIELD_TYPE_UINT:
        return new (std::nothrow) UIntCell();
    case FIELD_TYPE_INT64:
        return new (std::nothrow) Int64Cell();
    case FIELD_TYPE_UINT64:
        return new (std::nothrow) UInt64Cell();
    case FIELD_TYPE_FLOAT:
        return new (std::nothrow) FloatCell();
    case FIELD_TYPE_STRING:
        return new (std::nothrow) StringCell();
    case FIELD_TYPE_STRING_INT:
        return new (std::nothrow) StringIntCell();
    case FIELD_TYPE_STRING_FLOAT:
        return new (std::nothrow) StringFloatCell();
    default:
        break;
    }
    SCL_ASSERT(false);
    return nullptr;
}

} // namespace tarn
