// Fixed strings (stringT) and buffer views (pstringT).
#include <cstring>
#include <string>
#include <type_traits>

#include <gtest/gtest.h>

#include "base/string.h"

namespace
{

TEST(StrFunctions, LengthAndCompare)
{
    EXPECT_EQ(scl::str_length<char16_t>(nullptr), 0);
    EXPECT_EQ(scl::str_length(u""), 0);
    EXPECT_EQ(scl::str_length(u"\u8868\u683C"), 2);
    EXPECT_EQ(scl::str_compare(u"INT", u"INT", 4), 0);
    EXPECT_LT(scl::str_compare(u"INT", u"INT64", 6), 0);
    EXPECT_EQ(scl::str_compare(u"INT", u"INT64", 3), 0);
    EXPECT_GT(scl::str_compare(u"b", u"a", 1), 0);
    EXPECT_LT(scl::str_compare(u"a", u"\u8868", 1), 0); // units compare unsigned
    EXPECT_EQ(scl::str_compare(u"abc", u"abd", 0), 0);
}

// --- pstringT -------------------------------------------------------------------------------

TEST(PString, ViewOfAStringComparesExactly)
{
    const scl::pstringT<char16_t> type(u"INT");
    EXPECT_EQ(type.max_size(), 4);
    EXPECT_EQ(type.length(), 3);
    EXPECT_TRUE(type == u"INT");
    EXPECT_FALSE(type == u"INT64");
    EXPECT_FALSE(type == u"IN");
    EXPECT_FALSE(type == u"int");
    EXPECT_FALSE(type == static_cast<const char16_t*>(nullptr));
    EXPECT_FALSE(scl::pstringT<char16_t>() == u"");
}

TEST(PString, ComparisonIsLimitedToTheMaximumCount)
{
    char16_t buf[] = u"INTEGER";
    const scl::pstringT<char16_t> prefix(buf, 3);
    EXPECT_TRUE(prefix == u"INT64"); // only 3 units are compared
    const scl::pstringT<char16_t> whole(buf, 8);
    EXPECT_FALSE(whole == u"INT64");
}

TEST(PString, FormatWritesFromTheStartAndCuts)
{
    char16_t buf[8];
    scl::pstringT<char16_t> s(buf, 8);
    EXPECT_EQ(s.format(u"%d-%d", 12, 34), 5);
    EXPECT_EQ(std::u16string(buf), u"12-34");
    EXPECT_EQ(s.format(u"%s", u"much too long"), 7);
    EXPECT_EQ(std::u16string(buf), u"much to");
    EXPECT_EQ(buf[7], 0);
}

class PStringAppend : public testing::Test
{
protected:
    void Fill(int count)
    {
        for (int i = 0; i < 128; ++i)
            m_buf[i] = 0;
        for (int i = 0; i < count; ++i)
            m_buf[i] = static_cast<char16_t>(u'a' + i % 26);
    }
    char16_t m_buf[128];
};

TEST_F(PStringAppend, NoRoomWritesNothing)
{
    Fill(127);
    const std::u16string before(m_buf);
    scl::pstringT<char16_t> s(m_buf, 128);
    EXPECT_EQ(s.format_append(u"%s", u"XYZ"), 0);
    EXPECT_EQ(std::u16string(m_buf), before);
}

TEST_F(PStringAppend, OneUnitOfRoomTakesOneCharacter)
{
    Fill(126);
    scl::pstringT<char16_t> s(m_buf, 128);
    EXPECT_EQ(s.format_append(u"%s", u"XYZ"), 1);
    EXPECT_EQ(s.length(), 127);
    EXPECT_EQ(m_buf[126], u'X');
    EXPECT_EQ(m_buf[127], 0);
}

TEST_F(PStringAppend, AppendsAfterTheText)
{
    Fill(3);
    scl::pstringT<char16_t> s(m_buf, 128);
    EXPECT_EQ(s.format_append(u"%d,%I64u", 5, 6ULL), 3);
    EXPECT_EQ(std::u16string(m_buf), u"abc5,6");
}

TEST(PString, TrimRightAndLeft)
{
    char16_t buf[32] = u"  \tvalue with space \r\n";
    scl::pstringT<char16_t> s(buf, 32);
    s.trim_right();
    EXPECT_EQ(std::u16string(buf), u"  \tvalue with space");
    s.trim_left();
    EXPECT_EQ(std::u16string(buf), u"value with space");
    s.trim_left();
    s.trim_right();
    EXPECT_EQ(std::u16string(buf), u"value with space");
}

TEST(PString, TrimOfOnlyWhiteSpaceLeavesEmpty)
{
    char16_t right[8] = u" \t ";
    scl::pstringT<char16_t>(right, 8).trim_right();
    EXPECT_EQ(std::u16string(right), u"");
    char16_t left[8] = u"   ";
    scl::pstringT<char16_t>(left, 8).trim_left();
    EXPECT_EQ(std::u16string(left), u"");
    scl::pstringT<char16_t>().trim_left(); // null view: nothing happens
}

TEST(PString, LengthNeverRunsPastTheBuffer)
{
    char16_t buf[4] = {u'a', u'b', u'c', u'd'};
    const scl::pstringT<char16_t> s(buf, 4);
    EXPECT_EQ(s.length(), 4);
}

// --- stringT --------------------------------------------------------------------------------

static_assert(sizeof(scl::stringT<char16_t, 128>) == 264, "128 units and two 32-bit words");
static_assert(std::is_standard_layout<scl::stringT<char16_t, 128>>::value, "hashed as raw storage");
static_assert(scl::stringT<char16_t, 32>::max_size() == 32, "capacity in units");

template <class S> struct Lit;
template <int N> struct Lit<scl::stringT<char16_t, N>>
{
    static std::basic_string<char16_t> Make(const char* ascii)
    {
        std::basic_string<char16_t> s;
        for (const char* p = ascii; *p; ++p)
            s += static_cast<char16_t>(*p);
        return s;
    }
};
template <int N> struct Lit<scl::stringT<char, N>>
{
    static std::string Make(const char* ascii) { return ascii; }
};

template <class S> class FixedString : public testing::Test
{
protected:
    using Unit = typename std::remove_reference<decltype(std::declval<S>().m_data[0])>::type;
    static constexpr int kN = S::max_size();
    static std::basic_string<Unit> L(const char* ascii) { return Lit<S>::Make(ascii); }

    // True when every byte after the terminator, including the two trailing words, is zero.
    static bool TailIsZero(const S& s)
    {
        const int len = s.length();
        for (int i = len; i < kN; ++i)
        {
            if (s.m_data[i] != 0)
                return false;
        }
        return s.m_zero[0] == 0 && s.m_zero[1] == 0;
    }
};

using FixedStringTypes = testing::Types<scl::stringT<char16_t, 128>, scl::stringT<char16_t, 32>,
                                        scl::stringT<char16_t, 8>, scl::stringT<char, 16>>;
struct FixedStringNames
{
    template <class S> static std::string GetName(int)
    {
        using Unit = typename std::remove_reference<decltype(std::declval<S>().m_data[0])>::type;
        return std::string(sizeof(Unit) == 1 ? "char" : "char16") + "_" + std::to_string(S::max_size());
    }
};
TYPED_TEST_SUITE(FixedString, FixedStringTypes, FixedStringNames);

TYPED_TEST(FixedString, StartsZeroFilled)
{
    TypeParam s;
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(s.length(), 0);
    EXPECT_TRUE(this->TailIsZero(s));
}

TYPED_TEST(FixedString, ReassigningAShorterTextKeepsTheTailZero)
{
    TypeParam s(this->L("abcdefg").c_str());
    s = this->L("ab").c_str();
    EXPECT_EQ(s.c_str(), this->L("ab"));
    EXPECT_TRUE(this->TailIsZero(s));
    // Two strings with the same text have the same bytes, however they got there.
    const TypeParam fresh(this->L("ab").c_str());
    EXPECT_EQ(std::memcmp(&s, &fresh, sizeof(TypeParam)), 0);
}

TYPED_TEST(FixedString, NullAssignmentLeavesTheString)
{
    TypeParam s(this->L("abc").c_str());
    s = static_cast<const typename TestFixture::Unit*>(nullptr);
    EXPECT_EQ(s.c_str(), this->L("abc"));
}

TYPED_TEST(FixedString, LongerSourceIsCutToCapacityMinusOne)
{
    const auto longText = this->L(std::string(200, 'x').c_str());
    TypeParam s;
    s = longText.c_str();
    EXPECT_EQ(s.length(), TestFixture::kN - 1);
    EXPECT_EQ(s.m_data[TestFixture::kN - 1], 0);
    EXPECT_EQ(s.c_str(), longText.substr(0, TestFixture::kN - 1));
    EXPECT_TRUE(this->TailIsZero(s));
}

TYPED_TEST(FixedString, EqualityComparesText)
{
    const TypeParam a(this->L("Item").c_str());
    const TypeParam b(this->L("Item").c_str());
    const TypeParam c(this->L("item").c_str());
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a == c);
    EXPECT_TRUE(a == this->L("Item").c_str());
    EXPECT_FALSE(a == this->L("Ite").c_str());
    EXPECT_FALSE(a == static_cast<const typename TestFixture::Unit*>(nullptr));
}

TYPED_TEST(FixedString, AppendTakesWhatFits)
{
    TypeParam s(this->L("ab").c_str());
    EXPECT_EQ(s.append(this->L("cdef").c_str(), 2), 2);
    EXPECT_EQ(s.c_str(), this->L("abcd"));
    const auto longText = this->L(std::string(200, 'y').c_str());
    EXPECT_EQ(s.append(longText.c_str()), TestFixture::kN - 1 - 4);
    EXPECT_EQ(s.length(), TestFixture::kN - 1);
    EXPECT_EQ(s.append(this->L("z").c_str()), 0);
    EXPECT_TRUE(this->TailIsZero(s));
}

TYPED_TEST(FixedString, FormatAndFormatAppendCutAndKeepTailZero)
{
    TypeParam s(this->L("previous long text").c_str());
    EXPECT_EQ(s.format(this->L("%d").c_str(), 7), 1);
    EXPECT_EQ(s.c_str(), this->L("7"));
    EXPECT_TRUE(this->TailIsZero(s));
    EXPECT_EQ(s.format_append(this->L("|%d").c_str(), 8), 2);
    EXPECT_EQ(s.c_str(), this->L("7|8"));
    const auto longText = this->L(std::string(300, 'q').c_str());
    s.format_append(this->L("%s").c_str(), longText.c_str());
    EXPECT_EQ(s.length(), TestFixture::kN - 1);
    EXPECT_EQ(s.format_append(this->L("x").c_str()), 0);
    EXPECT_TRUE(this->TailIsZero(s));
}

TYPED_TEST(FixedString, ClearAndBufferView)
{
    TypeParam s(this->L("abc").c_str());
    scl::pstringT<typename TestFixture::Unit> view = s.pstr();
    EXPECT_EQ(view.max_size(), TestFixture::kN);
    EXPECT_EQ(view.c_str(), s.c_str());
    EXPECT_TRUE(view == this->L("abc").c_str());
    s.clear();
    EXPECT_TRUE(s.empty());
    EXPECT_TRUE(this->TailIsZero(s));
}

TEST(FixedStringSelf, AssignmentFromOwnSuffix)
{
    scl::stringT<char16_t, 16> s(u"  padded");
    s = s.c_str() + 2;
    EXPECT_EQ(std::u16string(s.c_str()), u"padded");
    EXPECT_EQ(s.m_data[6], 0);
    EXPECT_EQ(s.m_data[7], 0);
}

} // namespace
