#include "base/string.h"

#include <cstddef>
#include <cstdio>

namespace scl
{
namespace
{

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point from UTF-8 at s[i] (i < len) and advances i. A malformed sequence
// gives U+FFFD and skips its longest valid-looking prefix (at least one byte).
char32_t DecodeUtf8(const unsigned char* s, size_t len, size_t& i)
{
    const unsigned char b0 = s[i++];
    if (b0 < 0x80)
        return b0;
    int more = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    char32_t cp = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF)
    {
        more = 1;
        cp = b0 & 0x1F;
    }
    else if (b0 >= 0xE0 && b0 <= 0xEF)
    {
        more = 2;
        cp = b0 & 0x0F;
        if (b0 == 0xE0)
            lo = 0xA0;
        else if (b0 == 0xED)
            hi = 0x9F; // no surrogates
    }
    else if (b0 >= 0xF0 && b0 <= 0xF4)
    {
        more = 3;
        cp = b0 & 0x07;
        if (b0 == 0xF0)
            lo = 0x90;
        else if (b0 == 0xF4)
            hi = 0x8F; // nothing above U+10FFFF
    }
    else
        return kReplacement;
    for (int k = 0; k < more; ++k)
    {
        if (i >= len)
            return kReplacement;
        const unsigned char b = s[i];
        if (b < lo || b > hi)
            return kReplacement;
        lo = 0x80;
        hi = 0xBF;
        cp = (cp << 6) | (b & 0x3F);
        ++i;
    }
    return cp;
}

// Decodes one code point from UTF-16 at s[i] (i < len) and advances i. An unpaired surrogate
// gives U+FFFD.
char32_t DecodeUtf16(const char16_t* s, size_t len, size_t& i)
{
    const char16_t u = s[i++];
    if (u < 0xD800 || u > 0xDFFF)
        return u;
    if (u <= 0xDBFF && i < len && s[i] >= 0xDC00 && s[i] <= 0xDFFF)
    {
        const char16_t low = s[i++];
        return 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (low - 0xDC00);
    }
    return kReplacement;
}

int EncodeUtf8(char32_t cp, char out[4])
{
    if (cp < 0x80)
    {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800)
    {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000)
    {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

int EncodeUtf16(char32_t cp, char16_t out[2])
{
    if (cp < 0x10000)
    {
        out[0] = static_cast<char16_t>(cp);
        return 1;
    }
    cp -= 0x10000;
    out[0] = static_cast<char16_t>(0xD800 + (cp >> 10));
    out[1] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    return 2;
}

int Encode(char32_t cp, char16_t* out)
{
    return EncodeUtf16(cp, out);
}
int Encode(char32_t cp, char* out)
{
    return EncodeUtf8(cp, out);
}

// Output of vformat: keeps at most max - 1 units and counts what it kept.
template <class C> struct Sink
{
    C* buf;
    int max;
    int n;

    void put(C c)
    {
        if (n < max - 1)
            buf[n++] = c;
    }
    void pad(int count, C c)
    {
        for (int k = 0; k < count; ++k)
            put(c);
    }
    void finish()
    {
        if (max > 0)
            buf[n] = C(0);
    }
};

// Calls emit(unit) for every output unit of string s (source units Src, output units Dst),
// at most limit units (no limit when limit < 0) and never splitting a code point.
// Returns the number of units emitted.
template <class Dst, class Src, class F> int Transcode(const Src* s, int limit, F emit)
{
    int count = 0;
    if constexpr (std::is_same<Dst, Src>::value)
    {
        for (const Src* p = s; *p != Src(0) && (limit < 0 || count < limit); ++p, ++count)
            emit(static_cast<Dst>(*p));
        return count;
    }
    const size_t len = static_cast<size_t>(str_length(s));
    size_t i = 0;
    while (i < len)
    {
        char32_t cp;
        if constexpr (sizeof(Src) == 1)
            cp = DecodeUtf8(reinterpret_cast<const unsigned char*>(s), len, i);
        else
            cp = DecodeUtf16(s, len, i);
        Dst units[4];
        const int k = Encode(cp, units);
        if (limit >= 0 && count + k > limit)
            break;
        for (int j = 0; j < k; ++j)
            emit(units[j]);
        count += k;
    }
    return count;
}

template <class C, class Src>
void PutConverted(Sink<C>& out, const Src* s, int precision, int width, bool left)
{
    static const Src kNull[] = {Src('('), Src('n'), Src('u'), Src('l'), Src('l'), Src(')'), Src(0)};
    if (s == nullptr)
        s = kNull;
    const int len = Transcode<C>(s, precision, [](C) {});
    if (!left && width > len)
        out.pad(width - len, C(' '));
    Transcode<C>(s, precision, [&out](C c) { out.put(c); });
    if (left && width > len)
        out.pad(width - len, C(' '));
}

// Appends a narrow (ASCII) text produced by the C library.
template <class C> void PutNarrow(Sink<C>& out, const char* text)
{
    for (const char* p = text; *p != '\0'; ++p)
        out.put(static_cast<C>(static_cast<unsigned char>(*p)));
}

bool IsDigit(unsigned u)
{
    return u >= '0' && u <= '9';
}

constexpr int kMaxWidth = 1000;
constexpr int kMaxPrecision = 350;

template <class C> int VFormat(C* buf, int maxCount, const C* fmt, va_list ap)
{
    Sink<C> out{buf, maxCount, 0};
    if (buf == nullptr || maxCount <= 0)
        return 0;
    if (fmt == nullptr)
    {
        out.finish();
        return 0;
    }

    const C* p = fmt;
    while (*p != C(0))
    {
        if (*p != C('%'))
        {
            out.put(*p++);
            continue;
        }
        const C* convStart = p++;

        // Flags.
        char flags[8] = {};
        int flagCount = 0;
        bool left = false;
        for (;; ++p)
        {
            const unsigned c = static_cast<unsigned>(*p);
            if (c != '-' && c != '+' && c != ' ' && c != '#' && c != '0')
                break;
            if (c == '-')
                left = true;
            if (flagCount < 5)
                flags[flagCount++] = static_cast<char>(c);
        }

        // Width.
        int width = 0;
        if (*p == C('*'))
        {
            width = va_arg(ap, int);
            if (width < 0)
            {
                left = true;
                if (flagCount < 5)
                    flags[flagCount++] = '-';
                width = -width;
            }
            ++p;
        }
        else
        {
            while (IsDigit(static_cast<unsigned>(*p)))
            {
                if (width < kMaxWidth)
                    width = width * 10 + static_cast<int>(*p - C('0'));
                ++p;
            }
        }
        if (width > kMaxWidth)
            width = kMaxWidth;

        // Precision.
        int precision = -1;
        if (*p == C('.'))
        {
            ++p;
            precision = 0;
            if (*p == C('*'))
            {
                precision = va_arg(ap, int);
                if (precision < 0)
                    precision = -1;
                ++p;
            }
            else
            {
                while (IsDigit(static_cast<unsigned>(*p)))
                {
                    if (precision < kMaxPrecision)
                        precision = precision * 10 + static_cast<int>(*p - C('0'));
                    ++p;
                }
            }
            if (precision > kMaxPrecision)
                precision = kMaxPrecision;
        }

        // Length.
        enum Length
        {
            kDefault,
            kChar,
            kShort,
            kLong,
            kLongLong,
            kSize,
            kLongDouble
        } length = kDefault;
        bool wideString = false;
        bool narrowString = false;
        if (*p == C('h'))
        {
            ++p;
            length = kShort;
            narrowString = true;
            if (*p == C('h'))
            {
                ++p;
                length = kChar;
            }
        }
        else if (*p == C('l'))
        {
            ++p;
            length = kLong;
            wideString = true;
            if (*p == C('l'))
            {
                ++p;
                length = kLongLong;
            }
        }
        else if (*p == C('I'))
        {
            ++p;
            if (p[0] == C('6') && p[1] == C('4'))
            {
                p += 2;
                length = kLongLong;
            }
            else if (p[0] == C('3') && p[1] == C('2'))
                p += 2;
            else
                length = kSize;
        }
        else if (*p == C('z') || *p == C('t'))
        {
            ++p;
            length = kSize;
        }
        else if (*p == C('j') || *p == C('q'))
        {
            ++p;
            length = kLongLong;
        }
        else if (*p == C('L'))
        {
            ++p;
            length = kLongDouble;
        }

        const unsigned conv = static_cast<unsigned>(*p);
        if (conv == 0)
        {
            // A lone '%' (or an unfinished conversion) at the end is written as it is.
            for (const C* q = convStart; q != p; ++q)
                out.put(*q);
            break;
        }
        ++p;

        // Narrow conversion for the C library: flags, width, precision.
        char cFormat[32];
        int used = 0;
        cFormat[used++] = '%';
        for (int k = 0; k < flagCount; ++k)
            cFormat[used++] = flags[k];
        used += std::snprintf(cFormat + used, sizeof(cFormat) - static_cast<size_t>(used), "%d", width);
        if (precision >= 0)
            used +=
                std::snprintf(cFormat + used, sizeof(cFormat) - static_cast<size_t>(used), ".%d", precision);

        char text[1100];
        switch (conv)
        {
        case 'd':
        case 'i':
        {
            long long v;
            switch (length)
            {
            case kChar:
                v = static_cast<signed char>(va_arg(ap, int));
                break;
            case kShort:
                v = static_cast<short>(va_arg(ap, int));
                break;
            case kLong:
                v = va_arg(ap, long);
                break;
            case kLongLong:
                v = va_arg(ap, long long);
                break;
            case kSize:
                v = va_arg(ap, std::ptrdiff_t);
                break;
            default:
                v = va_arg(ap, int);
                break;
            }
            std::snprintf(cFormat + used, sizeof(cFormat) - static_cast<size_t>(used), "lld");
            std::snprintf(text, sizeof(text), cFormat, v);
            PutNarrow(out, text);
            break;
        }
        case 'u':
        case 'x':
        case 'X':
        case 'o':
        {
            unsigned long long v;
            switch (length)
            {
            case kChar:
                v = static_cast<unsigned char>(va_arg(ap, unsigned));
                break;
            case kShort:
                v = static_cast<unsigned short>(va_arg(ap, unsigned));
                break;
            case kLong:
                v = va_arg(ap, unsigned long);
                break;
            case kLongLong:
                v = va_arg(ap, unsigned long long);
                break;
            case kSize:
                v = va_arg(ap, size_t);
                break;
            default:
                v = va_arg(ap, unsigned);
                break;
            }
            std::snprintf(cFormat + used, sizeof(cFormat) - static_cast<size_t>(used), "ll%c",
                          static_cast<char>(conv));
            std::snprintf(text, sizeof(text), cFormat, v);
            PutNarrow(out, text);
            break;
        }
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
        {
            if (length == kLongDouble)
            {
                const long double v = va_arg(ap, long double);
                std::snprintf(cFormat + used, sizeof(cFormat) - static_cast<size_t>(used), "L%c",
                              static_cast<char>(conv));
                std::snprintf(text, sizeof(text), cFormat, v);
            }
            else
            {
                const double v = va_arg(ap, double);
                std::snprintf(cFormat + used, sizeof(cFormat) - static_cast<size_t>(used), "%c",
                              static_cast<char>(conv));
                std::snprintf(text, sizeof(text), cFormat, v);
            }
            PutNarrow(out, text);
            break;
        }
        case 'p':
        {
            const void* v = va_arg(ap, void*);
            std::snprintf(cFormat + used, sizeof(cFormat) - static_cast<size_t>(used), "p");
            std::snprintf(text, sizeof(text), cFormat, v);
            PutNarrow(out, text);
            break;
        }
        case 'c':
        {
            const int v = va_arg(ap, int);
            C units[4];
            const int k = Encode(static_cast<char32_t>(static_cast<unsigned>(v) & 0x1FFFFF), units);
            if (!left && width > k)
                out.pad(width - k, C(' '));
            for (int j = 0; j < k; ++j)
                out.put(units[j]);
            if (left && width > k)
                out.pad(width - k, C(' '));
            break;
        }
        case 's':
        case 'S':
        {
            // UTF-16 output: %s, %ls and %S take UTF-16, %hs UTF-8.
            // Narrow output: %s and %hs take UTF-8, %ls and %S UTF-16.
            bool utf16Source;
            if (sizeof(C) == 2)
                utf16Source = !narrowString;
            else
                utf16Source = wideString || conv == 'S';
            if (utf16Source)
                PutConverted<C>(out, va_arg(ap, const char16_t*), precision, width, left);
            else
                PutConverted<C>(out, va_arg(ap, const char*), precision, width, left);
            break;
        }
        case '%':
            out.put(C('%'));
            break;
        default:
            // Unknown conversion: written as it stands, consuming no argument.
            for (const C* q = convStart; q != p; ++q)
                out.put(*q);
            break;
        }
    }
    out.finish();
    return out.n;
}

} // namespace

int vformat(char16_t* buf, int maxCount, const char16_t* fmt, va_list ap)
{
    return VFormat(buf, maxCount, fmt, ap);
}

int vformat(char* buf, int maxCount, const char* fmt, va_list ap)
{
    return VFormat(buf, maxCount, fmt, ap);
}

std::string ToUtf8(const char16_t* s, int count)
{
    std::string result;
    if (s == nullptr || count <= 0)
        return result;
    const size_t len = static_cast<size_t>(count);
    result.reserve(len);
    size_t i = 0;
    while (i < len)
    {
        char units[4];
        const int k = EncodeUtf8(DecodeUtf16(s, len, i), units);
        result.append(units, static_cast<size_t>(k));
    }
    return result;
}

std::string ToUtf8(const char16_t* s)
{
    return ToUtf8(s, str_length(s));
}

std::u16string FromUtf8(const char* s)
{
    std::u16string result;
    if (s == nullptr)
        return result;
    const size_t len = std::strlen(s);
    result.reserve(len);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(s);
    size_t i = 0;
    while (i < len)
    {
        char16_t units[2];
        const int k = EncodeUtf16(DecodeUtf8(bytes, len, i), units);
        result.append(units, static_cast<size_t>(k));
    }
    return result;
}

} // namespace scl
