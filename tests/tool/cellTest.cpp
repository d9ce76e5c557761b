// Field types, cells, their text forms and the number text they share with the data file.
#include <cerrno>
#include <cfloat>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dataFileTestSupport.h"
#include "tool/cell.h"

using tarntest::CountReports;
using tarntest::U16;
using tarntest::U8;

namespace
{

std::unique_ptr<tarn::Cell> MakeCell(FIELD_TYPE type)
{
    tarn::Field field;
    field.m_type = type;
    return std::unique_ptr<tarn::Cell>(tarn::CreateCell(field));
}

FIELD_TYPE TypeOf(const char16_t* name)
{
    return tarn::ConvertTypeStringToTypeValue(scl::pstringT<char16_t>(name));
}

std::string Printf(const char* format, double value)
{
    char buffer[512];
    std::snprintf(buffer, sizeof(buffer), format, value);
    return buffer;
}

std::string FormatFloat(float value)
{
    char16_t out[tarn::text::kNumberTextCapacity];
    const int n = tarn::text::FormatFloat(out, value);
    return U8(std::u16string(out, static_cast<size_t>(n)).c_str());
}

template <class T, class Parse> std::pair<T, bool> Parse16(Parse parse, const std::string& text)
{
    const std::u16string t = U16(text);
    T value{};
    const bool exact = parse(t.data(), t.data() + t.size(), value);
    return {value, exact};
}

} // namespace

// ---- type names and creation ------------------------------------------------------------------

TEST(CellTypes, EveryTypeNameGivesItsValueAndCell)
{
    const struct
    {
        const char16_t* name;
        FIELD_TYPE type;
    } cases[] = {
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
    for (const auto& c : cases)
    {
        EXPECT_EQ(CountReports([&] { EXPECT_EQ(TypeOf(c.name), c.type) << U8(c.name); }), 0u);
        auto cell = MakeCell(c.type);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->Type(), c.type);
        EXPECT_EQ(cell->m_field, nullptr);
    }
    EXPECT_EQ(FIELD_TYPE_STRING, 6);
    EXPECT_NE(dynamic_cast<tarn::StringCell*>(MakeCell(TypeOf(u"KEY_VALUE")).get()), nullptr);
}

TEST(CellTypes, OnlyExactNamesMatch)
{
    for (const char16_t* name : {u"int", u"INTEGER", u"IN", u"", u"STRING ", u"Float"})
    {
        std::string last;
        FIELD_TYPE type = FIELD_TYPE_INT;
        EXPECT_EQ(CountReports([&] { type = TypeOf(name); }, &last), 1u) << U8(name);
        EXPECT_EQ(type, FIELD_TYPE_INVALID) << U8(name);
        EXPECT_NE(last.find("<function: tarn::ConvertTypeStringToTypeValue>"), std::string::npos) << last;
        EXPECT_NE(last.find("<expresion: false>"), std::string::npos) << last;
    }
    // "INT" is not a prefix match of INT64, and a name inside a larger buffer still matches.
    char16_t buffer[128] = u"INT64";
    EXPECT_EQ(tarn::ConvertTypeStringToTypeValue(scl::pstringT<char16_t>(buffer, 128)), FIELD_TYPE_INT64);
    // A null name and a capacity of 0 match nothing (with a capacity of 0 every name would compare equal).
    EXPECT_EQ(CountReports(
                  []
                  {
                      EXPECT_EQ(tarn::ConvertTypeStringToTypeValue(scl::pstringT<char16_t>()),
                                FIELD_TYPE_INVALID);
                      char16_t name[] = u"INT";
                      EXPECT_EQ(tarn::ConvertTypeStringToTypeValue(scl::pstringT<char16_t>(name, 0)),
                                FIELD_TYPE_INVALID);
                  }),
              2u);
}

TEST(CellTypes, CreateCellRefusesInvalidTypes)
{
    for (int type : {0, 9, -1, 100})
    {
        tarn::Field field;
        field.m_type = static_cast<FIELD_TYPE>(type);
        tarn::Cell* cell = reinterpret_cast<tarn::Cell*>(1);
        EXPECT_EQ(CountReports([&] { cell = tarn::CreateCell(field); }), 1u);
        EXPECT_EQ(cell, nullptr);
    }
}

TEST(CellTypes, OperationsOfOtherTypesReportAndChangeNothing)
{
    auto cell = MakeCell(FIELD_TYPE_INT);
    cell->SetInt(7);
    std::string last;
    EXPECT_EQ(CountReports([&] { cell->SetFloat(1.5f); }, &last), 1u);
    EXPECT_NE(last.find("<function: tarn::Cell::SetFloat>"), std::string::npos) << last;
    EXPECT_NE(last.find("<expresion: false>"), std::string::npos) << last;
    EXPECT_EQ(CountReports(
                  [&]
                  {
                      cell->GetUInt();
                      cell->SetUInt(1);
                      cell->GetInt64();
                      cell->SetInt64(1);
                      cell->GetUInt64();
                      cell->SetUInt64(1);
                      EXPECT_STREQ(U8(cell->GetString()).c_str(), "");
                      cell->SetString(u"x");
                      cell->GetFloat();
                      EXPECT_EQ(cell->GetStringFloat().size(), 0);
                      cell->SetStringFloat(u"1");
                      cell->SetStringFloat(scl::parray<float>());
                      EXPECT_EQ(cell->GetStringInt().size(), 0);
                      cell->SetStringInt(u"1");
                      cell->SetStringInt(scl::parray<int>());
                  }),
              15u);
    EXPECT_EQ(cell->GetInt(), 7);
    auto text = MakeCell(FIELD_TYPE_STRING);
    EXPECT_EQ(CountReports([&] { text->GetInt(); }, &last), 1u);
    EXPECT_NE(last.find("<function: tarn::Cell::GetInt>"), std::string::npos) << last;
}

// ---- text forms -------------------------------------------------------------------------------

TEST(CellText, NewCellsShowTheirInitialValues)
{
    EXPECT_EQ(U8(MakeCell(FIELD_TYPE_INT)->ToString()), "0");
    EXPECT_EQ(U8(MakeCell(FIELD_TYPE_UINT)->ToString()), "0");
    EXPECT_EQ(U8(MakeCell(FIELD_TYPE_INT64)->ToString()), "0");
    EXPECT_EQ(U8(MakeCell(FIELD_TYPE_UINT64)->ToString()), "0");
    EXPECT_EQ(U8(MakeCell(FIELD_TYPE_FLOAT)->ToString()), "0.000000");
    EXPECT_EQ(U8(MakeCell(FIELD_TYPE_STRING)->ToString()), "");
    EXPECT_EQ(U8(MakeCell(FIELD_TYPE_STRING_INT)->ToString()), "");
    EXPECT_EQ(U8(MakeCell(FIELD_TYPE_STRING_FLOAT)->ToString()), "");
}

TEST(CellText, IntegerLimits)
{
    tarn::IntCell i;
    i.SetInt(INT_MIN);
    EXPECT_EQ(U8(i.ToString()), "-2147483648");
    i.SetInt(-5);
    EXPECT_EQ(U8(i.ToString()), "-5");
    tarn::UIntCell u;
    u.SetUInt(4294967295u);
    EXPECT_EQ(U8(u.ToString()), "4294967295");
    tarn::Int64Cell l;
    l.SetInt64(-1);
    EXPECT_EQ(U8(l.ToString()), "-1");
    l.SetInt64(INT64_MIN);
    EXPECT_EQ(U8(l.ToString()), "-9223372036854775808");
    tarn::UInt64Cell ul;
    ul.SetUInt64(UINT64_MAX);
    EXPECT_EQ(U8(ul.ToString()), "18446744073709551615");
}

TEST(CellText, FloatsAsPrintf)
{
    tarn::FloatCell f;
    f.SetFloat(0.5f);
    EXPECT_EQ(U8(f.ToString()), "0.500000");
    f.SetFloat(0.1f);
    EXPECT_EQ(U8(f.ToString()), "0.100000");
    f.SetFloat(-0.0f);
    EXPECT_EQ(U8(f.ToString()), "-0.000000");
    // 1e30 has a "%f" form of 38 characters: the text form is its first 31.
    f.SetFloat(1e30f);
    EXPECT_EQ(U8(f.ToString()), Printf("%f", 1e30f).substr(0, 31));
    EXPECT_EQ(scl::str_length(f.ToString()), 31);
    f.SetFloat(-FLT_MAX);
    EXPECT_EQ(scl::str_length(f.ToString()), 31);
}

TEST(CellText, FloatFormatEqualsPrintfForManyValues)
{
    std::mt19937 rng(12345);
    std::vector<float> values = {0.0078125f, 2.5e-7f,  1.5e-6f,  1e20f,     123456.789f, FLT_MIN,
                                 FLT_MAX,    -FLT_MAX, INFINITY, -INFINITY, NAN};
    for (int i = 0; i < 20000; ++i)
    {
        std::uint32_t bits = rng();
        float v;
        std::memcpy(&v, &bits, sizeof v);
        values.push_back(v);
        values.push_back(std::uniform_real_distribution<float>(-1000.0f, 1000.0f)(rng));
    }
    for (float v : values)
        ASSERT_EQ(FormatFloat(v), Printf("%f", static_cast<double>(v))) << "bits of " << v;
}

class LocaleTest : public tarntest::TempDirTest
{
protected:
    // Switches LC_NUMERIC to a German locale (decimal comma), compiling one into the temporary
    // directory when none is installed. False when neither works.
    bool UseDecimalCommaLocale()
    {
        if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr)
            return true;
        const std::string command =
            "localedef -i de_DE -f UTF-8 '" + PathOf("de_DE.UTF-8") + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            return false;
        setenv("LOCPATH", m_dir.string().c_str(), 1);
        return std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    }
    void TearDown() override
    {
        std::setlocale(LC_NUMERIC, "C");
        unsetenv("LOCPATH");
        tarntest::TempDirTest::TearDown();
    }
};

TEST_F(LocaleTest, NumberTextIgnoresTheProcessLocale)
{
    if (!UseDecimalCommaLocale())
        GTEST_SKIP() << "no locale with a decimal comma can be made here";
    ASSERT_EQ(Printf("%.1f", 0.5), "0,5");    // the locale is in effect for printf...
    EXPECT_EQ(FormatFloat(0.5f), "0.500000"); // ...but not for the data file
    EXPECT_EQ(Parse16<float>(tarn::text::ParseFloat, "1.25"), std::make_pair(1.25f, true));
    EXPECT_EQ(Parse16<float>(tarn::text::ParseFloat, "1e400"),
              std::make_pair(FLT_MAX, false)); // strtod_l path
    EXPECT_EQ(Parse16<float>(tarn::text::ParseFloat, "1.5e1"), std::make_pair(15.0f, true));
    EXPECT_EQ(Parse16<float>(tarn::text::ParseFloat, "1,5"), std::make_pair(1.0f, false));
}

TEST(CellText, ListTextJoinsWithBars)
{
    tarn::StringIntCell ints;
    ints.SetStringInt(u"1||-2|3|");
    EXPECT_EQ(U8(ints.ToString()), "1|-2|3");
    tarn::StringFloatCell floats;
    floats.SetStringFloat(u"1.5|2");
    EXPECT_EQ(U8(floats.ToString()), "1.500000|2.000000");
}

TEST(CellText, ListTextIsCutAt127Characters)
{
    std::vector<float> ones(64, 1.0f);
    tarn::StringFloatCell cell;
    cell.SetStringFloat(scl::parray<float>(ones.data(), 64, 64));
    const std::string text = U8(cell.ToString());
    EXPECT_EQ(text.size(), 127u);
    // 14 whole elements with their bars (126 characters), then the first character of the 15th.
    std::string expected;
    for (int i = 0; i < 14; ++i)
        expected += "1.000000|";
    expected += "1";
    EXPECT_EQ(text, expected);

    // A bar is only added while room remains: an element ending at 127 gets none.
    std::vector<int> values(64, 1000000); // "1000000|" is 8: 15 * 8 = 120, then "1000000" ends at 127
    tarn::StringIntCell ints;
    ints.SetStringInt(scl::parray<int>(values.data(), 64, 64));
    const std::string intText = U8(ints.ToString());
    EXPECT_EQ(intText.size(), 127u);
    EXPECT_EQ(intText.substr(120), "1000000");
}

// ---- setters and views ------------------------------------------------------------------------

TEST(CellValues, StringSetterCopiesAndKeepsOnNull)
{
    tarn::StringCell cell;
    cell.SetString(u"  剑 sword  ");
    EXPECT_EQ(U8(cell.GetString()), "  剑 sword  ");
    EXPECT_EQ(cell.ToString(), cell.GetString());
    cell.SetString(nullptr);
    EXPECT_EQ(U8(cell.GetString()), "  剑 sword  ");
    cell.SetString(u"");
    EXPECT_EQ(U8(cell.GetString()), "");
}

TEST(CellValues, LongStringIsCutTo1023WithAReportAndNoHalfPair)
{
    tarn::StringCell cell;
    std::u16string text(1100, u'x');
    EXPECT_EQ(CountReports([&] { cell.SetString(text.c_str()); }), 1u);
    EXPECT_EQ(scl::str_length(cell.GetString()), 1023);
    // A surrogate pair across the cut is dropped whole.
    std::u16string pairs(1022, u'a');
    pairs += u"\U0001F600\U0001F600";
    EXPECT_EQ(CountReports([&] { cell.SetString(pairs.c_str()); }), 1u);
    EXPECT_EQ(scl::str_length(cell.GetString()), 1022);
    std::u16string fits(1021, u'a');
    fits += u"\U0001F600";
    EXPECT_EQ(CountReports([&] { cell.SetString(fits.c_str()); }), 0u);
    EXPECT_EQ(std::u16string(cell.GetString()), fits);
}

TEST(CellValues, IntListFromText)
{
    tarn::StringIntCell cell;
    const struct
    {
        const char16_t* text;
        std::vector<int> values;
    } cases[] = {
        {u"1||-2|3|", {1, -2, 3}},
        {u"| 7|\t8", {7, 8}},
        {u"a|3.9|12abc", {0, 3, 12}},
        {u"99999999999|-99999999999|2147483647|-2147483648", {INT_MAX, INT_MIN, INT_MAX, INT_MIN}},
        {u"+5| ", {5, 0}},
        {u"", {}},
        {u"|", {}},
        {u"|||", {}},
    };
    for (const auto& c : cases)
    {
        cell.SetStringInt(u"42"); // replaced, not appended to
        cell.SetStringInt(c.text);
        const scl::parray<int> view = cell.GetStringInt();
        EXPECT_EQ(std::vector<int>(view.begin(), view.end()), c.values) << U8(c.text);
    }
    cell.SetStringInt(static_cast<const char16_t*>(nullptr));
    EXPECT_EQ(cell.GetStringInt().size(), 0);
}

TEST(CellValues, FloatListFromText)
{
    tarn::StringFloatCell cell;
    cell.SetStringFloat(u"0.1|-2.5e3||x|1e999| 7.25abc");
    const scl::parray<float> view = cell.GetStringFloat();
    ASSERT_EQ(view.size(), 5);
    EXPECT_EQ(view.m_data[0], 0.1f);
    EXPECT_EQ(view.m_data[1], -2500.0f);
    EXPECT_EQ(view.m_data[2], 0.0f);
    EXPECT_EQ(view.m_data[3], FLT_MAX); // the nearest float: an infinity would not read back
    EXPECT_EQ(view.m_data[4], 7.25f);
}

TEST(CellValues, ListsKeepTheFirst64Values)
{
    std::u16string text;
    for (int i = 1; i <= 70; ++i)
        text += U16(std::to_string(i) + "|");
    tarn::StringIntCell ints;
    std::string last;
    EXPECT_EQ(CountReports([&] { ints.SetStringInt(text.c_str()); }, &last), 6u);
    EXPECT_NE(last.find("<function: scl::parray<int>::push_back>"), std::string::npos) << last;
    EXPECT_NE(last.find("<expresion: 0>"), std::string::npos) << last;
    ASSERT_EQ(ints.GetStringInt().size(), 64);
    EXPECT_EQ(ints.GetStringInt().m_data[63], 64);

    tarn::StringFloatCell floats;
    EXPECT_EQ(CountReports([&] { floats.SetStringFloat(text.c_str()); }, &last), 6u);
    EXPECT_NE(last.find("<function: scl::parray<float>::push_back>"), std::string::npos) << last;
    EXPECT_EQ(floats.GetStringFloat().size(), 64);

    std::vector<int> seventy(70);
    for (int i = 0; i < 70; ++i)
        seventy[static_cast<size_t>(i)] = i;
    EXPECT_EQ(CountReports([&] { ints.SetStringInt(scl::parray<int>(seventy.data(), 70, 70)); }), 0u);
    EXPECT_EQ(ints.GetStringInt().size(), 64);
    EXPECT_EQ(ints.GetStringInt().m_data[63], 63);
}

TEST(CellValues, LongListTextIsReadWhole)
{
    // 64 floats of 28 characters each make 1855 characters of text: every value still arrives.
    std::u16string text;
    for (int i = 0; i < 64; ++i)
        text += u"100000002004087734272.000000|";
    tarn::StringFloatCell cell;
    EXPECT_EQ(CountReports([&] { cell.SetStringFloat(text.c_str()); }), 0u);
    ASSERT_EQ(cell.GetStringFloat().size(), 64);
    EXPECT_EQ(cell.GetStringFloat().m_data[63], 1e20f);
}

TEST(CellValues, ListViewsShowTheValuesAndOwnNothing)
{
    tarn::StringIntCell cell;
    cell.SetStringInt(u"1|2|3");
    {
        const scl::parray<int> view = cell.GetStringInt();
        EXPECT_EQ(std::vector<int>(view.begin(), view.end()), (std::vector<int>{1, 2, 3}));
        EXPECT_EQ(view.capacity(), 3); // sized to the values: nothing to grow into
        EXPECT_FALSE(view.m_owner);
        EXPECT_EQ(view.m_data, cell.Values());
    } // destroying the view frees nothing
    EXPECT_EQ(U8(cell.ToString()), "1|2|3");

    // A view handed back to its own cell (or to another one) sets the same values.
    cell.SetStringInt(cell.GetStringInt());
    EXPECT_EQ(U8(cell.ToString()), "1|2|3");
    tarn::StringIntCell copy;
    copy.SetStringInt(cell.GetStringInt());
    cell.SetStringInt(u"9");
    EXPECT_EQ(U8(copy.ToString()), "1|2|3");

    tarn::StringFloatCell floats;
    floats.SetStringFloat(u"0.5");
    const scl::parray<float> view = floats.GetStringFloat();
    EXPECT_EQ(view.size(), 1);
    EXPECT_EQ(view.capacity(), 1);
    EXPECT_FALSE(view.m_owner);
    EXPECT_EQ(view.m_data[0], 0.5f);
    floats.SetStringFloat(u"");
    EXPECT_EQ(floats.GetStringFloat().size(), 0);
    EXPECT_EQ(floats.GetStringFloat().capacity(), 0);
}

TEST(CellValues, ValuesGrowAndShrinkInPlaceOfTheirOwnStorage)
{
    // Strings and lists of every length on one cell, also from texts inside the cell's own value.
    tarn::StringCell cell;
    std::u16string expected;
    for (int length : {0, 1, 7, 8, 9, 100, 1023, 3, 0, 500, 499})
    {
        const std::u16string text(static_cast<size_t>(length), static_cast<char16_t>(u'a' + length % 26));
        cell.SetString(text.c_str());
        EXPECT_EQ(std::u16string(cell.GetString()), text);
        EXPECT_EQ(cell.Length(), length);
    }
    cell.SetString(u"abcdefgh");
    cell.SetString(cell.GetString() + 3);
    EXPECT_EQ(std::u16string(cell.GetString()), u"defgh");
    cell.SetString(cell.GetString());
    EXPECT_EQ(std::u16string(cell.GetString()), u"defgh");
    EXPECT_EQ(cell.GetString(), cell.ToString());

    tarn::StringIntCell ints;
    std::vector<int> values;
    for (int count : {0, 1, 4, 5, 64, 2, 0, 33})
    {
        values.resize(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            values[static_cast<size_t>(i)] = count * 100 + i;
        ints.SetStringInt(scl::parray<int>(values.data(), count, count));
        const scl::parray<int> view = ints.GetStringInt();
        EXPECT_EQ(std::vector<int>(view.begin(), view.end()), values);
    }
}

TEST(CellText, TextFormsAreBuiltPerCallAndStringsKeepTheirOwn)
{
    // The text form of number and list cells lives in one buffer of the thread: the next
    // ToString of such a cell replaces it. A string cell's text form is its own value.
    tarn::IntCell a;
    tarn::StringIntCell b;
    tarn::StringCell s;
    a.SetInt(-12);
    b.SetStringInt(u"4|5");
    s.SetString(u"名字");
    const std::u16string first = a.ToString();
    const char16_t* name = s.ToString();
    EXPECT_EQ(std::u16string(b.ToString()), u"4|5");
    EXPECT_EQ(first, u"-12");
    EXPECT_EQ(std::u16string(a.ToString()), u"-12");
    EXPECT_EQ(std::u16string(name), u"名字");
}

// ---- number text ------------------------------------------------------------------------------

TEST(NumberText, IntegersFormatAsPrintf)
{
    std::mt19937_64 rng(7);
    char expected[32];
    for (int i = 0; i < 5000; ++i)
    {
        const std::uint64_t bits = rng();
        char16_t out[tarn::text::kNumberTextCapacity];
        std::snprintf(expected, sizeof expected, "%d", static_cast<std::int32_t>(bits));
        ASSERT_EQ(
            U8(std::u16string(out, tarn::text::FormatInt32(out, static_cast<std::int32_t>(bits))).c_str()),
            expected);
        std::snprintf(expected, sizeof expected, "%u", static_cast<std::uint32_t>(bits));
        ASSERT_EQ(
            U8(std::u16string(out, tarn::text::FormatUInt32(out, static_cast<std::uint32_t>(bits))).c_str()),
            expected);
        std::snprintf(expected, sizeof expected, "%lld", static_cast<long long>(bits));
        ASSERT_EQ(
            U8(std::u16string(out, tarn::text::FormatInt64(out, static_cast<std::int64_t>(bits))).c_str()),
            expected);
        std::snprintf(expected, sizeof expected, "%llu", static_cast<unsigned long long>(bits >> (i % 64)));
        ASSERT_EQ(U8(std::u16string(out, tarn::text::FormatUInt64(out, bits >> (i % 64))).c_str()), expected);
    }
}

TEST(NumberText, Int32ReadsAs32BitStrtol)
{
    using tarn::text::ParseInt32;
    EXPECT_EQ(Parse16<std::int32_t>(ParseInt32, "12abc"), std::make_pair(12, false));
    EXPECT_EQ(Parse16<std::int32_t>(ParseInt32, "abc"), std::make_pair(0, false));
    EXPECT_EQ(Parse16<std::int32_t>(ParseInt32, ""), std::make_pair(0, false));
    EXPECT_EQ(Parse16<std::int32_t>(ParseInt32, "-"), std::make_pair(0, false));
    EXPECT_EQ(Parse16<std::int32_t>(ParseInt32, " \t-17"), std::make_pair(-17, true));
    EXPECT_EQ(Parse16<std::int32_t>(ParseInt32, "+17"), std::make_pair(17, true));
    EXPECT_EQ(Parse16<std::int32_t>(ParseInt32, "3.9"), std::make_pair(3, false));
    EXPECT_EQ(Parse16<std::int32_t>(ParseInt32, "2147483647"), std::make_pair(INT_MAX, true));
    EXPECT_EQ(Parse16<std::int32_t>(ParseInt32, "2147483648"), std::make_pair(INT_MAX, false));
    EXPECT_EQ(Parse16<std::int32_t>(ParseInt32, "-2147483648"), std::make_pair(INT_MIN, true));
    EXPECT_EQ(Parse16<std::int32_t>(ParseInt32, "-2147483649"), std::make_pair(INT_MIN, false));
    EXPECT_EQ(Parse16<std::int32_t>(ParseInt32, "000000000000000000000000000042"), std::make_pair(42, true));
    EXPECT_EQ(Parse16<std::int32_t>(ParseInt32, "123456789012345678901234567890"),
              std::make_pair(INT_MAX, false));
    EXPECT_EQ(Parse16<std::int32_t>(ParseInt32, "０"),
              std::make_pair(0, false)); // full-width digit: no number
}

TEST(NumberText, UInt32ReadsAs32BitStrtoul)
{
    using tarn::text::ParseUInt32;
    EXPECT_EQ(Parse16<std::uint32_t>(ParseUInt32, "-1"), std::make_pair(4294967295u, true));
    EXPECT_EQ(Parse16<std::uint32_t>(ParseUInt32, "-4294967295"), std::make_pair(1u, true));
    EXPECT_EQ(Parse16<std::uint32_t>(ParseUInt32, "4294967295"), std::make_pair(4294967295u, true));
    EXPECT_EQ(Parse16<std::uint32_t>(ParseUInt32, "4294967296"), std::make_pair(4294967295u, false));
    EXPECT_EQ(Parse16<std::uint32_t>(ParseUInt32, "-4294967296"), std::make_pair(4294967295u, false));
    EXPECT_EQ(Parse16<std::uint32_t>(ParseUInt32, "7x"), std::make_pair(7u, false));
}

TEST(NumberText, SixtyFourBitReadsAsStrtollAndStrtoull)
{
    const char* texts[] = {"0",
                           "-0",
                           "9223372036854775807",
                           "9223372036854775808",
                           "-9223372036854775808",
                           "-9223372036854775809",
                           "18446744073709551615",
                           "18446744073709551616",
                           "-1",
                           " +12x",
                           "x",
                           "99999999999999999999999",
                           "-18446744073709551615",
                           "\v\f\r\n 5"};
    for (const char* text : texts)
    {
        char* end = nullptr;
        errno = 0;
        const long long expectedSigned = std::strtoll(text, &end, 10);
        const bool signedExact = errno == 0 && end != text && *end == 0;
        EXPECT_EQ(Parse16<std::int64_t>(tarn::text::ParseInt64, text),
                  std::make_pair(static_cast<std::int64_t>(expectedSigned), signedExact))
            << text;
        errno = 0;
        const unsigned long long expectedUnsigned = std::strtoull(text, &end, 10);
        const bool unsignedExact = errno == 0 && end != text && *end == 0;
        EXPECT_EQ(Parse16<std::uint64_t>(tarn::text::ParseUInt64, text),
                  std::make_pair(static_cast<std::uint64_t>(expectedUnsigned), unsignedExact))
            << text;
    }
}

// Float text is decimal only, as the data file's first platform read it: the reader stops where
// a decimal number ends ("0x10" is 0, then text after the number), and "inf", "nan" and
// hexadecimal forms are no number (0).
TEST(NumberText, FloatTextIsDecimalOnly)
{
    const struct
    {
        const char* text;
        float value;
        bool exact;
    } cases[] = {
        {"0x10", 0.0f, false},      {"0X1P4", 0.0f, false},    {"0x1.8p1", 0.0f, false},
        {"inf", 0.0f, false},       {"-INF", 0.0f, false},     {"infinity", 0.0f, false},
        {"nan", 0.0f, false},       {"-nan(1)", 0.0f, false},  {"1e5", 100000.0f, true},
        {"1E+2", 100.0f, true},     {"-2.5e-1", -0.25f, true}, {" \t.5", 0.5f, true},
        {"5.", 5.0f, true},         {"1e", 1.0f, false},       {"1e+", 1.0f, false},
        {".e1", 0.0f, false},       {"12abc", 12.0f, false},   {"1e400", FLT_MAX, false},
        {"-1e39", -FLT_MAX, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Parse16<float>(tarn::text::ParseFloat, c.text), std::make_pair(c.value, c.exact)) << c.text;

    tarn::StringFloatCell list;
    list.SetStringFloat(u"0x10|inf|nan|1e5|0x1p-2");
    const scl::parray<float> view = list.GetStringFloat();
    EXPECT_EQ(std::vector<float>(view.begin(), view.end()),
              (std::vector<float>{0.0f, 0.0f, 0.0f, 100000.0f, 0.0f}));
}

namespace
{

// The decimal number at the start of text as the reader takes it: white space, an optional sign,
// digits with at most one point (at least one digit), and an exponent only when digits follow
// its "e" or "E" and sign. Empty when there is none.
std::string DecimalPrefix(const std::string& text)
{
    const auto digit = [&](size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    int digits = 0;
    for (; digit(i); ++i)
        ++digits;
    if (i < text.size() && text[i] == '.')
        for (++i; digit(i); ++i)
            ++digits;
    if (digits == 0)
        return std::string();
    size_t e = i;
    if (e < text.size() && (text[e] == 'e' || text[e] == 'E'))
    {
        ++e;
        if (e < text.size() && (text[e] == '+' || text[e] == '-'))
            ++e;
        if (digit(e))
        {
            while (digit(e))
                ++e;
            i = e;
        }
    }
    return text.substr(0, i);
}

// ParseFloat against strtod of the text's decimal prefix, narrowed to float (beyond the float range
// the nearest limit): the same value, sign included, and exact only when the text is one number
// that float holds.
void ExpectFloatReadsAsStrtod(const std::string& text)
{
    const std::string decimal = DecimalPrefix(text);
    errno = 0;
    const double d = decimal.empty() ? 0.0 : std::strtod(decimal.c_str(), nullptr);
    const bool range = errno == ERANGE;
    const float narrowed = static_cast<float>(d);
    const float expected = std::isinf(narrowed) ? std::copysign(FLT_MAX, narrowed) : narrowed;
    const auto got = Parse16<float>(tarn::text::ParseFloat, text);
    EXPECT_EQ(got.first, expected) << text;
    EXPECT_EQ(std::signbit(got.first), std::signbit(expected)) << text;
    const bool consumedAll = !decimal.empty() && decimal.size() == text.size();
    if (!consumedAll || range)
        EXPECT_FALSE(got.second) << text;
    else if (std::isfinite(d) && (std::isinf(narrowed) || (d != 0.0 && narrowed == 0.0f)))
        EXPECT_FALSE(got.second) << text; // narrowed out of float's range
    else
        EXPECT_TRUE(got.second) << text;
}

} // namespace

TEST(NumberText, FloatsReadAsStrtodOfTheirDecimalPart)
{
    std::vector<std::string> texts = {"0.1",
                                      "1e20",
                                      "-2.5E-3",
                                      "  .5",
                                      "5.",
                                      "1e",
                                      "1e+",
                                      ".",
                                      "-.e1",
                                      "+-1",
                                      "0x1p4",
                                      "0X.8",
                                      "0x",
                                      "0xg",
                                      "inf",
                                      "-Infinity",
                                      "nan",
                                      "nan(123)",
                                      "1e999",
                                      "-1e999",
                                      "1e-999",
                                      "3.4028235e38",
                                      "3.5e38",
                                      "1e-50",
                                      "12abc",
                                      "",
                                      "abc",
                                      "1_0",
                                      "00000000000000000000000000000000000000000000001.5"};
    std::mt19937 rng(99);
    for (int i = 0; i < 3000; ++i)
    {
        std::uint32_t bits = rng();
        float v;
        std::memcpy(&v, &bits, sizeof v);
        texts.push_back(Printf(i % 2 ? "%f" : "%.9g", static_cast<double>(v)));
    }
    texts.push_back(std::string(600, '1') + ".5"); // longer than any stack buffer
    for (const std::string& text : texts)
        ExpectFloatReadsAsStrtod(text);
}

// Short decimal text (at most 19 significant digits, a power of ten within 22 either way) is
// read by one exact multiplication or division; everything at and past those edges by the
// general reader. Both give strtod's value.
TEST(NumberText, ShortDecimalTextReadsAsStrtodAtEveryEdge)
{
    std::vector<std::string> texts = {"9007199254740992",     // 2^53: the largest exact mantissa
                                      "9007199254740993",     // 2^53 + 1: past it
                                      "1234567890123456789",  // 19 digits
                                      "12345678901234567890", // 20 digits
                                      "0000000000000000000000001234567890123456789",
                                      "1e22",
                                      "1e23",
                                      "1e-22",
                                      "1e-23",
                                      "-1e-22",
                                      "9007199254740992e22",
                                      "9007199254740992e-22",
                                      "0e999",
                                      "0e9999",
                                      "-0.0",
                                      "-0.000000",
                                      "+0.5",
                                      "+-0.5",
                                      ".5e-3",
                                      "5.e3",
                                      "1e+022",
                                      "1e0022",
                                      "1.5E+1",
                                      "0.000000000000000000001",
                                      "0.0000000000000000000001",
                                      "0.00000000000000000000001",
                                      "1.00000000000000000000000000000000000000000000001",
                                      "1.4e-45",
                                      "1e-45",
                                      "0.7e-45",
                                      "1.17549435e-38", // the smallest normal float
                                      "1.1754942e-38",  // a subnormal float
                                      "340282346638528859811704183484516925440",
                                      "340282356779733661637539395458142568448", // rounds to infinity
                                      "3.4028235e38",
                                      "16777217",
                                      "16777217.000000",
                                      "0.100000",
                                      "780.687500",
                                      "1.5 ",
                                      " 1.5",
                                      "1.5|2"};
    std::mt19937 rng(7);
    for (int i = 0; i < 20000; ++i)
    {
        std::string text;
        if (rng() % 4 == 0)
            text += rng() % 2 ? "-" : "+";
        const int digits = 1 + static_cast<int>(rng() % 21);
        const int point = static_cast<int>(rng() % (digits + 2)) - 1; // -1: no point
        for (int k = 0; k < digits; ++k)
        {
            if (k == point)
                text += '.';
            text += static_cast<char>('0' + (k == 0 && rng() % 3 == 0 ? 0 : rng() % 10));
        }
        if (point == digits)
            text += '.';
        if (rng() % 3 == 0)
            text += (rng() % 2 ? "e" : "E") + std::to_string(static_cast<int>(rng() % 61) - 30);
        texts.push_back(text);
    }
    for (const std::string& text : texts)
        ExpectFloatReadsAsStrtod(text);
}

// Integers of every length, with and without sign, leading zeros and text after them: each
// reader gives what the C library's gives (32-bit long for INT and UINT).
TEST(NumberText, IntegersOfEveryLengthReadAsTheCLibrary)
{
    std::vector<std::string> texts;
    std::mt19937 rng(5);
    for (int i = 0; i < 20000; ++i)
    {
        std::string text;
        if (rng() % 16 == 0)
            text += " ";
        if (rng() % 3 == 0)
            text += rng() % 4 ? "-" : "+";
        const int digits = static_cast<int>(rng() % 25);
        const int zeros = rng() % 5 == 0 ? static_cast<int>(rng() % 4) : 0;
        text += std::string(static_cast<size_t>(zeros), '0');
        for (int k = 0; k < digits; ++k)
            text += static_cast<char>('0' + rng() % 10);
        if (rng() % 16 == 0)
            text += "x";
        texts.push_back(text);
    }
    for (const char* edge :
         {"2147483647", "2147483648", "-2147483648", "-2147483649", "4294967295", "4294967296", "-4294967295",
          "-4294967296", "9223372036854775807", "9223372036854775808", "-9223372036854775808",
          "-9223372036854775809", "18446744073709551615", "18446744073709551616", "-18446744073709551615",
          "-18446744073709551616", "99999999999999999999", "9999999999999999999", "999999999999999999"})
        texts.push_back(edge);
    for (const std::string& text : texts)
    {
        char* end = nullptr;
        errno = 0;
        const long long s64 = std::strtoll(text.c_str(), &end, 10);
        const bool s64Range = errno == ERANGE;
        const bool whole = end != text.c_str() && *end == 0;
        EXPECT_EQ(Parse16<std::int64_t>(tarn::text::ParseInt64, text),
                  std::make_pair(static_cast<std::int64_t>(s64), whole && !s64Range))
            << text;
        errno = 0;
        const unsigned long long u64 = std::strtoull(text.c_str(), &end, 10);
        const bool u64Range = errno == ERANGE;
        EXPECT_EQ(Parse16<std::uint64_t>(tarn::text::ParseUInt64, text),
                  std::make_pair(static_cast<std::uint64_t>(u64), whole && !u64Range))
            << text;
        // strtol with a 32-bit long: strtoll clamped to its range.
        const bool s32Range = s64Range || s64 < INT32_MIN || s64 > INT32_MAX;
        const std::int32_t s32 =
            s64 < INT32_MIN ? INT32_MIN : (s64 > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(s64));
        EXPECT_EQ(Parse16<std::int32_t>(tarn::text::ParseInt32, text),
                  std::make_pair(s32, whole && !s32Range))
            << text;
        // strtoul with a 32-bit long: the magnitude saturates at 2^32 - 1, a minus sign negates
        // modulo 2^32.
        const bool negative = text.find('-') != std::string::npos;
        const unsigned long long magnitude = negative ? 0ULL - u64 : u64;
        const bool u32Range = u64Range || magnitude > UINT32_MAX;
        const std::uint32_t u32 =
            u32Range ? UINT32_MAX : static_cast<std::uint32_t>(negative ? 0ULL - magnitude : magnitude);
        EXPECT_EQ(Parse16<std::uint32_t>(tarn::text::ParseUInt32, text),
                  std::make_pair(u32, whole && !u32Range))
            << text;
    }
}
