// scl::vformat: the printf subset for UTF-16 and narrow buffers, cutting and parity with C.
#include <cfloat>
#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "base/string.h"

namespace
{

// Formats into a buffer of maxCount units; returns the text and stores vformat's result.
std::u16string Wide(int maxCount, int* result, const char16_t* fmt, ...)
{
    char16_t buf[2048];
    for (char16_t& u : buf)
        u = u'#';
    va_list ap;
    va_start(ap, fmt);
    *result = scl::vformat(buf, maxCount, fmt, ap);
    va_end(ap);
    return maxCount > 0 ? std::u16string(buf) : std::u16string(buf, 3);
}

std::u16string W(const char16_t* fmt, ...)
{
    char16_t buf[2048];
    va_list ap;
    va_start(ap, fmt);
    const int n = scl::vformat(buf, 2048, fmt, ap);
    va_end(ap);
    EXPECT_EQ(n, static_cast<int>(std::u16string(buf).size()));
    return buf;
}

std::string N(const char* fmt, ...)
{
    char buf[2048];
    va_list ap;
    va_start(ap, fmt);
    const int n = scl::vformat(buf, 2048, fmt, ap);
    va_end(ap);
    EXPECT_EQ(n, static_cast<int>(std::string(buf).size()));
    return buf;
}

// Narrow form into a buffer of 4 units.
std::string NarrowCut4(const char* fmt, ...)
{
    char buf[4];
    va_list ap;
    va_start(ap, fmt);
    const int n = scl::vformat(buf, 4, fmt, ap);
    va_end(ap);
    EXPECT_EQ(n, 3);
    return buf;
}

// What C's printf gives, widened (its output is ASCII).
template <class... Args> std::u16string C(const char* fmt, Args... args)
{
    char buf[2048];
    std::snprintf(buf, sizeof(buf), fmt, args...);
    std::u16string out;
    for (const char* p = buf; *p; ++p)
        out += static_cast<char16_t>(*p);
    return out;
}

TEST(Format, FloatMatchesPrintf)
{
    const double values[] = {0.0,        -0.0,   0.1, -0.5,  1.0 / 3.0, 1e20,   3.4028235e38,
                             123456.789, 1.5e-7, 2.5, 0.125, -1e-300,   DBL_MAX};
    for (double v : values)
    {
        EXPECT_EQ(W(u"%f", v), C("%f", v)) << v;
        EXPECT_EQ(W(u"%.2f", v), C("%.2f", v)) << v;
        EXPECT_EQ(W(u"%12.3f|", v), C("%12.3f|", v)) << v;
        EXPECT_EQ(W(u"%e", v), C("%e", v)) << v;
        EXPECT_EQ(W(u"%g", v), C("%g", v)) << v;
        EXPECT_EQ(W(u"%-10.1E|", v), C("%-10.1E|", v)) << v;
    }
    // A float argument is promoted to double, as with printf.
    const float f = 3.4028235e38f;
    EXPECT_EQ(W(u"%f", f), C("%f", f));
    EXPECT_EQ(W(u"%f", 0.1f), C("%f", 0.1f));
}

TEST(Format, SignedIntegers)
{
    EXPECT_EQ(W(u"%d", 0), u"0");
    EXPECT_EQ(W(u"%d", INT_MIN), u"-2147483648");
    EXPECT_EQ(W(u"%i", INT_MAX), u"2147483647");
    EXPECT_EQ(W(u"%ld", -5L), u"-5");
    EXPECT_EQ(W(u"%lld", LLONG_MIN), u"-9223372036854775808");
    EXPECT_EQ(W(u"%I64d", static_cast<long long>(INT64_MIN)), u"-9223372036854775808");
    EXPECT_EQ(W(u"%I64d", static_cast<long long>(INT64_MAX)), u"9223372036854775807");
    EXPECT_EQ(W(u"[%5d][%-5d][%05d][%+d][% d]", 42, 42, 42, 42, 42), u"[   42][42   ][00042][+42][ 42]");
    EXPECT_EQ(W(u"[%*d][%-*d]", 4, 7, 3, 7), u"[   7][7  ]");
    EXPECT_EQ(W(u"%.3d", 7), u"007");
    EXPECT_EQ(W(u"%hd", 70000), C("%hd", 70000));
}

TEST(Format, UnsignedIntegers)
{
    EXPECT_EQ(W(u"%u", 4294967295u), u"4294967295");
    EXPECT_EQ(W(u"%u", -1), u"4294967295");
    EXPECT_EQ(W(u"%lu", 4294967295UL), u"4294967295");
    EXPECT_EQ(W(u"%llu", ULLONG_MAX), u"18446744073709551615");
    EXPECT_EQ(W(u"%I64u", static_cast<unsigned long long>(UINT64_MAX)), u"18446744073709551615");
    EXPECT_EQ(W(u"%x %X %#x %08x", 255u, 255u, 255u, 0xBEEFu), u"ff FF 0xff 0000beef");
    EXPECT_EQ(W(u"%o", 8u), u"10");
    EXPECT_EQ(W(u"%zu", static_cast<size_t>(12345)), u"12345");
}

TEST(Format, TextArguments)
{
    const char16_t* chinese = u"\u8868\u683C";
    EXPECT_EQ(W(u"name = %ls, type = %ls\n", u"ID", u"INT"), u"name = ID, type = INT\n");
    EXPECT_EQ(W(u"<%s>", chinese), u"<\u8868\u683C>");
    EXPECT_EQ(W(u"<%s>", static_cast<const char16_t*>(nullptr)), u"<(null)>");
    EXPECT_EQ(W(u"[%5s][%-5s][%.1s]", u"ab", u"ab", u"ab"), u"[   ab][ab   ][a]");
    EXPECT_EQ(W(u"<%hs>", "\xE8\xA1\xA8"), u"<\u8868>");
    EXPECT_EQ(W(u"%c%c|%3c", u'A', 0x4E2D, u'z'), u"A\u4E2D|  z");
    EXPECT_EQ(W(u"100%%"), u"100%");
    // A supplementary character passes through as its surrogate pair.
    EXPECT_EQ(W(u"%s", u"\U0001F600"), u"\U0001F600");
}

TEST(Format, UnknownAndUnfinishedConversionsAreWrittenAsText)
{
    EXPECT_EQ(W(u"%y|%d", 3), u"%y|3");
    EXPECT_EQ(W(u"50%"), u"50%");
    EXPECT_EQ(W(u"%-"), u"%-");
}

TEST(Format, OutputIsCutToTheBuffer)
{
    int n = -1;
    EXPECT_EQ(Wide(5, &n, u"hello %s", u"world"), u"hell");
    EXPECT_EQ(n, 4);
    EXPECT_EQ(Wide(1, &n, u"%d", 12345), u"");
    EXPECT_EQ(n, 0);
    EXPECT_EQ(Wide(4, &n, u"%f", 1.5), u"1.5");
    EXPECT_EQ(n, 3);
    EXPECT_EQ(Wide(6, &n, u"%s", u"abcde"), u"abcde");
    EXPECT_EQ(n, 5);
    // Nothing is touched without room.
    EXPECT_EQ(Wide(0, &n, u"%d", 1), u"###");
    EXPECT_EQ(n, 0);
}

TEST(Format, NarrowForm)
{
    EXPECT_EQ(N("%s=%d", "id", -3), "id=-3");
    EXPECT_EQ(N("%ls", u"\u8868"), "\xE8\xA1\xA8");
    EXPECT_EQ(N("%I64u", static_cast<unsigned long long>(UINT64_MAX)), "18446744073709551615");
    EXPECT_EQ(N("%f", 0.1), "0.100000");
    EXPECT_EQ(N("%s", static_cast<const char*>(nullptr)), "(null)");
    EXPECT_EQ(NarrowCut4("abc%s", "def"), "abc");
}

TEST(Utf8, RoundTripAndSurrogatePairs)
{
    const char16_t text[] = u"A\u00E9\u8868\U0001F600z";
    const std::string utf8 = scl::ToUtf8(text);
    EXPECT_EQ(utf8, "A\xC3\xA9\xE8\xA1\xA8\xF0\x9F\x98\x80z");
    EXPECT_EQ(scl::FromUtf8(utf8.c_str()), std::u16string(text));
    EXPECT_EQ(scl::ToUtf8(nullptr), "");
    EXPECT_EQ(scl::FromUtf8(nullptr), u"");
    EXPECT_EQ(scl::ToUtf8(u"abc", 2), "ab");
}

TEST(Utf8, MalformedInputBecomesReplacementCharacters)
{
    EXPECT_EQ(scl::FromUtf8("a\xFF"
                            "b"),
              u"a\uFFFDb");
    EXPECT_EQ(scl::FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");                     // overlong
    EXPECT_EQ(scl::FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");           // encoded surrogate
    EXPECT_EQ(scl::FromUtf8("\xE8\xA1"), u"\uFFFD");                           // cut sequence
    EXPECT_EQ(scl::FromUtf8("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD"); // above U+10FFFF
    const char16_t lone[] = {u'x', 0xD800, u'y', 0xDC00, 0};
    EXPECT_EQ(scl::ToUtf8(lone), "x\xEF\xBF\xBDy\xEF\xBF\xBD");
}

} // namespace
