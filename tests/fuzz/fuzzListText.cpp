// Fuzz target: arbitrary bytes as UTF-16 text for the list cells' text parsing (SetStringInt and
// SetStringFloat) and for the shared number readers and writers, each checked against the C
// library they promise to match: strtol with a 32-bit long, strtoul with a 32-bit long, strtoll,
// strtoull, strtod of the text's decimal part (no hexadecimal, "inf" or "nan") narrowed to float
// (beyond its range the nearest limit), and printf's "%d", "%u", "%lld", "%llu" and "%f".
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzzSupport.h"
#include "tool/cell.h"

namespace
{

constexpr int kListCapacity = 64;
constexpr int kListTextMax = 127;

// The text as the C library sees it: ASCII stays, every other unit becomes a byte that belongs to
// no number and is no white space; a zero unit stays a terminator.
std::string Narrow(const std::u16string& text)
{
    std::string s;
    for (char16_t c : text)
        s += c < 0x80 ? static_cast<char>(c) : '\x01';
    return s;
}

std::string Show(const std::u16string& text)
{
    return fuzz::Utf8(text.c_str());
}

bool SameFloat(float a, float b)
{
    return (std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b)) ||
           std::memcmp(&a, &b, sizeof a) == 0;
}

// Where the C reader stops and whether it found a number; leading white space and sign included.
struct Scan
{
    std::size_t end = 0;
    bool number = false;
    bool negative = false;
    bool range = false; // errno was ERANGE
};

template <class Reader> Scan ScanWith(const std::string& s, Reader read)
{
    Scan scan;
    char* end = nullptr;
    errno = 0;
    read(s.c_str(), &end);
    scan.range = errno == ERANGE;
    scan.end = static_cast<std::size_t>(end - s.c_str());
    scan.number = scan.end != 0;
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r')))
        ++i;
    scan.negative = scan.number && i < s.size() && s[i] == '-';
    return scan;
}

std::int32_t RefInt32(const std::string& s)
{
    const long long v = std::strtoll(s.c_str(), nullptr, 10);
    return v < INT32_MIN ? INT32_MIN : (v > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(v));
}

// strtoul with a 32-bit unsigned long: the magnitude saturates at 2^32 - 1 (whatever the sign);
// otherwise a minus sign negates modulo 2^32.
std::uint32_t RefUInt32(const std::string& s)
{
    const Scan scan = ScanWith(s, [](const char* p, char** e) { return std::strtoull(p, e, 10); });
    if (scan.range)
        return UINT32_MAX;
    const unsigned long long v = std::strtoull(s.c_str(), nullptr, 10);
    const unsigned long long magnitude = scan.negative ? 0ULL - v : v;
    if (magnitude > UINT32_MAX)
        return UINT32_MAX;
    return static_cast<std::uint32_t>(scan.negative ? 0ULL - magnitude : magnitude);
}

// The length of the decimal number at the start of s: white space, an optional sign, digits with
// at most one point (at least one digit), then an exponent only when digits follow its "e" or
// "E" and sign. 0 when there is none.
std::size_t DecimalLength(const std::string& s)
{
    const auto digit = [&](std::size_t i) { return i < s.size() && s[i] >= '0' && s[i] <= '9'; };
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r')))
        ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    int digits = 0;
    for (; digit(i); ++i)
        ++digits;
    if (i < s.size() && s[i] == '.')
        for (++i; digit(i); ++i)
            ++digits;
    if (digits == 0)
        return 0;
    std::size_t e = i;
    if (e < s.size() && (s[e] == 'e' || s[e] == 'E'))
    {
        ++e;
        if (e < s.size() && (s[e] == '+' || s[e] == '-'))
            ++e;
        if (digit(e))
        {
            while (digit(e))
                ++e;
            i = e;
        }
    }
    return i;
}

// strtod of the decimal part only (hexadecimal text, "inf" and "nan" are no number), narrowed to
// float; beyond the float range the nearest limit.
float RefFloat(const std::string& s)
{
    const std::string decimal = s.substr(0, DecimalLength(s));
    const float f = decimal.empty() ? 0.0f : static_cast<float>(std::strtod(decimal.c_str(), nullptr));
    return std::isinf(f) ? std::copysign(FLT_MAX, f) : f;
}

// The reader's result must be false when the C reader finds no number or stops early.
void CheckVerdict(bool exact, const Scan& scan, const std::string& narrow, const char* reader,
                  const std::u16string& text)
{
    if (exact && (!scan.number || scan.end != narrow.size()))
        fuzz::Fail("%s(\"%s\") says exact, but the C reader stops at %zu of %zu", reader, Show(text).c_str(),
                   scan.end, narrow.size());
}

void CheckReaders(const std::u16string& text)
{
    const char16_t* first = text.data();
    const char16_t* last = text.data() + text.size();
    const std::string narrow = Narrow(text);
    const auto ll = [](const char* p, char** e) { return std::strtoll(p, e, 10); };
    const auto ull = [](const char* p, char** e) { return std::strtoull(p, e, 10); };

    std::int32_t i32 = 0;
    const Scan s64 = ScanWith(narrow, ll);
    bool exact = tarn::text::ParseInt32(first, last, i32);
    if (i32 != RefInt32(narrow))
        fuzz::Fail("ParseInt32(\"%s\") = %d, strtol gives %d", Show(text).c_str(), i32, RefInt32(narrow));
    CheckVerdict(exact, s64, narrow, "ParseInt32", text);
    const long long wide = std::strtoll(narrow.c_str(), nullptr, 10);
    if (!exact && s64.number && s64.end == narrow.size() && !s64.range && wide >= INT32_MIN &&
        wide <= INT32_MAX)
        fuzz::Fail("ParseInt32(\"%s\") is not exact, but the text is the number %lld", Show(text).c_str(),
                   wide);

    std::uint32_t u32 = 0;
    exact = tarn::text::ParseUInt32(first, last, u32);
    if (u32 != RefUInt32(narrow))
        fuzz::Fail("ParseUInt32(\"%s\") = %u, strtoul gives %u", Show(text).c_str(), u32, RefUInt32(narrow));
    CheckVerdict(exact, ScanWith(narrow, ull), narrow, "ParseUInt32", text);

    std::int64_t i64 = 0;
    exact = tarn::text::ParseInt64(first, last, i64);
    if (i64 != std::strtoll(narrow.c_str(), nullptr, 10))
        fuzz::Fail("ParseInt64(\"%s\") = %lld, strtoll gives %lld", Show(text).c_str(),
                   static_cast<long long>(i64), std::strtoll(narrow.c_str(), nullptr, 10));
    CheckVerdict(exact, s64, narrow, "ParseInt64", text);
    if (!exact && s64.number && s64.end == narrow.size() && !s64.range)
        fuzz::Fail("ParseInt64(\"%s\") is not exact, but the text is the number %lld", Show(text).c_str(),
                   wide);

    std::uint64_t u64 = 0;
    exact = tarn::text::ParseUInt64(first, last, u64);
    if (u64 != std::strtoull(narrow.c_str(), nullptr, 10))
        fuzz::Fail("ParseUInt64(\"%s\") = %llu, strtoull gives %llu", Show(text).c_str(),
                   static_cast<unsigned long long>(u64), std::strtoull(narrow.c_str(), nullptr, 10));
    CheckVerdict(exact, ScanWith(narrow, ull), narrow, "ParseUInt64", text);

    float f = 0.0f;
    exact = tarn::text::ParseFloat(first, last, f);
    if (!SameFloat(f, RefFloat(narrow)))
        fuzz::Fail("ParseFloat(\"%s\") = %a, strtod of its decimal part gives %a", Show(text).c_str(),
                   static_cast<double>(f), static_cast<double>(RefFloat(narrow)));
    Scan decimal;
    decimal.end = DecimalLength(narrow);
    decimal.number = decimal.end != 0;
    CheckVerdict(exact, decimal, narrow, "ParseFloat", text);
}

std::u16string Formatted(int (*format)(char16_t*, float), float v)
{
    char16_t out[tarn::text::kNumberTextCapacity];
    return std::u16string(out, static_cast<std::size_t>(format(out, v)));
}

template <class T> std::u16string Formatted(int (*format)(char16_t*, T), T v)
{
    char16_t out[tarn::text::kNumberTextCapacity];
    const int n = format(out, v);
    if (n < 0 || n >= tarn::text::kNumberTextCapacity)
        fuzz::Fail("a number text of %d units", n);
    return std::u16string(out, static_cast<std::size_t>(n));
}

std::u16string Widen(const char* s)
{
    std::u16string w;
    for (; *s != '\0'; ++s)
        w += static_cast<char16_t>(static_cast<unsigned char>(*s));
    return w;
}

void CheckWriters(const std::uint8_t* data, std::size_t size)
{
    std::uint8_t bytes[8] = {};
    std::memcpy(bytes, data, size < sizeof bytes ? size : sizeof bytes);
    std::int32_t i32;
    std::uint32_t u32;
    std::int64_t i64;
    std::uint64_t u64;
    float f;
    std::memcpy(&i32, bytes, 4);
    std::memcpy(&u32, bytes + 4, 4);
    std::memcpy(&i64, bytes, 8);
    std::memcpy(&u64, bytes, 8);
    std::memcpy(&f, bytes + 2, 4);

    char c[128];
    std::snprintf(c, sizeof c, "%d", i32);
    if (Formatted(tarn::text::FormatInt32, i32) != Widen(c))
        fuzz::Fail("FormatInt32(%d) differs from printf", i32);
    std::snprintf(c, sizeof c, "%u", u32);
    if (Formatted(tarn::text::FormatUInt32, u32) != Widen(c))
        fuzz::Fail("FormatUInt32(%u) differs from printf", u32);
    std::snprintf(c, sizeof c, "%lld", static_cast<long long>(i64));
    if (Formatted(tarn::text::FormatInt64, i64) != Widen(c))
        fuzz::Fail("FormatInt64(%s) differs from printf", c);
    std::snprintf(c, sizeof c, "%llu", static_cast<unsigned long long>(u64));
    if (Formatted(tarn::text::FormatUInt64, u64) != Widen(c))
        fuzz::Fail("FormatUInt64(%s) differs from printf", c);
    std::snprintf(c, sizeof c, "%f", static_cast<double>(f));
    if (Formatted(tarn::text::FormatFloat, f) != Widen(c))
        fuzz::Fail("FormatFloat(%a) is \"%s\", printf gives \"%s\"", static_cast<double>(f),
                   Show(Formatted(tarn::text::FormatFloat, f)).c_str(), c);
}

// The pieces of a list text: split at "|", runs of bars as one, none at either end.
std::vector<std::u16string> Pieces(const std::u16string& text)
{
    std::vector<std::u16string> pieces;
    std::size_t i = 0;
    while (i < text.size())
    {
        while (i < text.size() && text[i] == u'|')
            ++i;
        const std::size_t start = i;
        while (i < text.size() && text[i] != u'|')
            ++i;
        if (i > start)
            pieces.push_back(text.substr(start, i - start));
    }
    return pieces;
}

template <class T> std::u16string JoinedText(const std::vector<T>& values, std::u16string (*format)(T))
{
    std::u16string joined;
    for (std::size_t i = 0; i < values.size(); ++i)
    {
        if (i > 0)
            joined += u'|';
        joined += format(values[i]);
    }
    return joined.substr(0, kListTextMax);
}

std::u16string IntText(int v)
{
    return Formatted(tarn::text::FormatInt32, static_cast<std::int32_t>(v));
}

std::u16string FloatText(float v)
{
    return Formatted(tarn::text::FormatFloat, v);
}

void CheckLists(const std::u16string& text)
{
    const std::vector<std::u16string> pieces = Pieces(text);

    std::vector<int> ints;
    std::vector<float> floats;
    for (const std::u16string& piece : pieces)
    {
        if (ints.size() == kListCapacity)
            break;
        ints.push_back(RefInt32(Narrow(piece)));
        floats.push_back(RefFloat(Narrow(piece)));
    }

    tarn::StringIntCell intCell;
    intCell.SetStringInt(text.c_str());
    scl::parray<int> intView = intCell.GetStringInt();
    if (intView.size() != static_cast<int>(ints.size()))
        fuzz::Fail("SetStringInt(\"%s\") kept %d values, expected %zu", Show(text).c_str(), intView.size(),
                   ints.size());
    for (int i = 0; i < intView.size(); ++i)
        if (intView[i] != ints[static_cast<std::size_t>(i)])
            fuzz::Fail("SetStringInt(\"%s\"): value %d is %d, expected %d", Show(text).c_str(), i + 1,
                       intView[i], ints[static_cast<std::size_t>(i)]);
    const std::u16string intText = intCell.ToString();
    if (intText != JoinedText(ints, IntText))
        fuzz::Fail("StringIntCell text \"%s\", expected \"%s\"", Show(intText).c_str(),
                   Show(JoinedText(ints, IntText)).c_str());

    tarn::StringFloatCell floatCell;
    floatCell.SetStringFloat(text.c_str());
    scl::parray<float> floatView = floatCell.GetStringFloat();
    if (floatView.size() != static_cast<int>(floats.size()))
        fuzz::Fail("SetStringFloat(\"%s\") kept %d values, expected %zu", Show(text).c_str(),
                   floatView.size(), floats.size());
    for (int i = 0; i < floatView.size(); ++i)
        if (!SameFloat(floatView[i], floats[static_cast<std::size_t>(i)]))
            fuzz::Fail("SetStringFloat(\"%s\"): value %d is %a, expected %a", Show(text).c_str(), i + 1,
                       static_cast<double>(floatView[i]),
                       static_cast<double>(floats[static_cast<std::size_t>(i)]));
    const std::u16string floatText = floatCell.ToString();
    if (floatText != JoinedText(floats, FloatText))
        fuzz::Fail("StringFloatCell text \"%s\", expected \"%s\"", Show(floatText).c_str(),
                   Show(JoinedText(floats, FloatText)).c_str());

    // The text form is a fixed point: read back, it gives itself (unless it was cut).
    if (intText.size() < static_cast<std::size_t>(kListTextMax))
    {
        tarn::StringIntCell again;
        again.SetStringInt(intText.c_str());
        if (intText != again.ToString())
            fuzz::Fail("StringIntCell text \"%s\" reads back as \"%s\"", Show(intText).c_str(),
                       Show(again.ToString()).c_str());
    }
    if (floatText.size() < static_cast<std::size_t>(kListTextMax))
    {
        tarn::StringFloatCell again;
        again.SetStringFloat(floatText.c_str());
        if (floatText != again.ToString())
            fuzz::Fail("StringFloatCell text \"%s\" reads back as \"%s\"", Show(floatText).c_str(),
                       Show(again.ToString()).c_str());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2)
    {
        const char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == 0)
            break; // the setters take zero-terminated text
        text += c;
    }

    CheckWriters(data, size);
    CheckLists(text);
    CheckReaders(text);
    for (const std::u16string& piece : Pieces(text))
        CheckReaders(piece);
    return 0;
}
