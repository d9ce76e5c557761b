// The text a cell accepts: every field type's good and bad texts with the value or the refusal
// message, and the moves between cells and values that every editor surface shares.
#include <cfloat>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dataFileTestSupport.h"
#include "tool/cell.h"
#include "tool/cellText.h"

using tarntest::CountReports;
using tarntest::U16;
using tarntest::U8;

namespace
{

tarn::Field MakeField(FIELD_TYPE type, const char16_t* name = u"售价")
{
    tarn::Field field;
    field.m_type = type;
    field.m_name = name;
    return field;
}

std::string U8(const std::u16string& text)
{
    return tarntest::U8(text.c_str());
}

std::u16string Repeat(const std::u16string& piece, int count, const std::u16string& separator = u"")
{
    std::u16string out;
    for (int i = 0; i < count; ++i)
        out += (i > 0 ? separator : u"") + piece;
    return out;
}

// ---- texts that are taken ---------------------------------------------------------------------

struct Good
{
    FIELD_TYPE type;
    std::u16string text;
    std::u16string value; // FormatCellValue of the parsed value
};

class GoodText : public testing::TestWithParam<Good>
{
};

TEST_P(GoodText, IsTakenAsTheValue)
{
    const Good& c = GetParam();
    const tarn::CellInput input = tarn::ParseCellText(MakeField(c.type), c.text);
    ASSERT_TRUE(input) << U8(input.message);
    EXPECT_EQ(input.status, tarn::CellInputOk);
    EXPECT_TRUE(input.message.empty());
    EXPECT_EQ(input.listIndex, -1);
    EXPECT_EQ(input.value.Type(), c.type);
    EXPECT_EQ(U8(tarn::FormatCellValue(input.value)), U8(c.value));
    // The text form reads back as the same value, bit for bit.
    const tarn::CellInput again = tarn::ParseCellText(MakeField(c.type), tarn::FormatCellValue(input.value));
    if (c.type != FIELD_TYPE_FLOAT && c.type != FIELD_TYPE_STRING_FLOAT) // "%f" shows six places only
    {
        EXPECT_TRUE(again.value == input.value);
    }
}

const std::u16string kIdeographicSpace = u"\u3000";

INSTANTIATE_TEST_SUITE_P(
    EveryType, GoodText,
    testing::Values(
        Good{FIELD_TYPE_INT, u"42", u"42"}, Good{FIELD_TYPE_INT, u"-42", u"-42"},
        Good{FIELD_TYPE_INT, u"+5", u"5"}, Good{FIELD_TYPE_INT, u"007", u"7"},
        Good{FIELD_TYPE_INT, u" 7\t", u"7"},
        Good{FIELD_TYPE_INT, kIdeographicSpace + u"1" + kIdeographicSpace, u"1"},
        Good{FIELD_TYPE_INT, u"2147483647", u"2147483647"},
        Good{FIELD_TYPE_INT, u"-2147483648", u"-2147483648"},
        Good{FIELD_TYPE_UINT, u"4294967295", u"4294967295"}, Good{FIELD_TYPE_UINT, u"0", u"0"},
        Good{FIELD_TYPE_UINT, u"-0", u"0"},
        Good{FIELD_TYPE_INT64, u"-9223372036854775808", u"-9223372036854775808"},
        Good{FIELD_TYPE_INT64, u"9223372036854775807", u"9223372036854775807"},
        Good{FIELD_TYPE_INT64, u"-5000000000", u"-5000000000"},
        Good{FIELD_TYPE_UINT64, u"18446744073709551615", u"18446744073709551615"},
        Good{FIELD_TYPE_FLOAT, u"0.5", u"0.500000"}, Good{FIELD_TYPE_FLOAT, u"-2.5", u"-2.500000"},
        Good{FIELD_TYPE_FLOAT, u".5", u"0.500000"}, Good{FIELD_TYPE_FLOAT, u"5.", u"5.000000"},
        Good{FIELD_TYPE_FLOAT, u"+3e-4", u"0.000300"}, Good{FIELD_TYPE_FLOAT, u" 1E+6 ", u"1000000.000000"},
        Good{FIELD_TYPE_FLOAT, u"-0", u"-0.000000"},
        Good{FIELD_TYPE_FLOAT, u"3.4028235e38", u"340282346638528859811704183484516925440.000000"},
        Good{FIELD_TYPE_FLOAT, u"1e-50", u"0.000000"}, // below every float: the nearest one, zero
        Good{FIELD_TYPE_STRING, u"", u""}, Good{FIELD_TYPE_STRING, u"  长 剑  ", u"  长 剑  "},
        Good{FIELD_TYPE_STRING, Repeat(u"a", 1023), Repeat(u"a", 1023)},
        Good{FIELD_TYPE_STRING_INT, u"", u""}, Good{FIELD_TYPE_STRING_INT, u"  ", u""},
        Good{FIELD_TYPE_STRING_INT, u"1|2|3", u"1|2|3"},
        Good{FIELD_TYPE_STRING_INT, u" 4 | -5 |6 ", u"4|-5|6"}, Good{FIELD_TYPE_STRING_INT, u"7", u"7"},
        Good{FIELD_TYPE_STRING_INT, Repeat(u"-2147483648", 64, u"|"), Repeat(u"-2147483648", 64, u"|")},
        Good{FIELD_TYPE_STRING_FLOAT, u"1.5|2", u"1.500000|2.000000"},
        Good{FIELD_TYPE_STRING_FLOAT, u"1e3 | .5", u"1000.000000|0.500000"}));

// ---- texts that are refused -------------------------------------------------------------------

struct Bad
{
    FIELD_TYPE type;
    std::u16string text;
    tarn::CellInputStatus status;
    std::u16string reason; // a part of the message that says why
    int listIndex = -1;
};

class BadText : public testing::TestWithParam<Bad>
{
};

const std::u16string kIntRule = u"“售价”必须是 -2147483648 到 2147483647 之间的整数";
const std::u16string kUIntRule = u"“售价”必须是 0 到 4294967295 之间的整数";
const std::u16string kInt64Rule = u"“售价”必须是 -9223372036854775808 到 9223372036854775807 之间的整数";
const std::u16string kUInt64Rule = u"“售价”必须是 0 到 18446744073709551615 之间的整数";
const std::u16string kFloatRule = u"“售价”必须是绝对值不超过 3.4028235e+38 的十进制数";
const std::u16string kIntListRule =
    u"“售价”的列表由“|”分隔的整数组成，每个值都必须在 -2147483648 到 2147483647 之间";
const std::u16string kFloatListRule =
    u"“售价”的列表由“|”分隔的十进制数组成，每个值都必须是绝对值不超过 3.4028235e+38";

TEST_P(BadText, IsRefusedWithAMessageNamingTheFieldTheTextAndTheReason)
{
    const Bad& c = GetParam();
    const tarn::CellInput input = tarn::ParseCellText(MakeField(c.type), c.text);
    ASSERT_FALSE(input) << U8(tarn::FormatCellValue(input.value));
    EXPECT_EQ(input.status, c.status);
    EXPECT_EQ(input.listIndex, c.listIndex);
    EXPECT_EQ(input.value.Type(), FIELD_TYPE_INVALID);
    const std::string message = U8(input.message);
    EXPECT_NE(message.find(U8(c.reason)), std::string::npos) << message;
    EXPECT_NE(message.find("“售价”"), std::string::npos) << message;
    // The text is quoted, cut after 40 units; an empty one is called empty instead.
    if (!c.text.empty())
    {
        std::u16string quoted = c.text.size() > 40 ? c.text.substr(0, 40) + u"…" : c.text;
        for (char16_t& ch : quoted)
            ch = ch == u'\t' ? u'⇥' : (ch == u'\n' || ch == u'\r') ? u'↵' : ch == 0 ? u'␀' : ch;
        EXPECT_NE(message.find(U8(u"“" + quoted + u"”")), std::string::npos) << message;
    }
    else
    {
        EXPECT_NE(message.find("不能为空"), std::string::npos) << message;
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryType, BadText,
    testing::Values(
        Bad{FIELD_TYPE_INT, u"abc", tarn::CellInputNotInteger, kIntRule + u"，“abc”不是。"},
        Bad{FIELD_TYPE_INT, u"1,000", tarn::CellInputNotInteger, kIntRule},
        Bad{FIELD_TYPE_INT, u"12ab", tarn::CellInputNotInteger, kIntRule},
        Bad{FIELD_TYPE_INT, u"99999999999999999999", tarn::CellInputNotInteger, kIntRule},
        Bad{FIELD_TYPE_INT, u"2147483648", tarn::CellInputNotInteger, kIntRule},
        Bad{FIELD_TYPE_INT, u"-2147483649", tarn::CellInputNotInteger, kIntRule},
        Bad{FIELD_TYPE_INT, u"1.5", tarn::CellInputNotInteger, kIntRule},
        Bad{FIELD_TYPE_INT, u"1e3", tarn::CellInputNotInteger, kIntRule},
        Bad{FIELD_TYPE_INT, u"0x10", tarn::CellInputNotInteger, kIntRule},
        Bad{FIELD_TYPE_INT, u"- 5", tarn::CellInputNotInteger, kIntRule},
        Bad{FIELD_TYPE_INT, u"+", tarn::CellInputNotInteger, kIntRule},
        Bad{FIELD_TYPE_INT, u"５", tarn::CellInputNotInteger, kIntRule}, // a full-width digit
        Bad{FIELD_TYPE_INT, u"", tarn::CellInputNotInteger, kIntRule + u"，不能为空。"},
        Bad{FIELD_TYPE_UINT, u"-5", tarn::CellInputNotInteger, kUIntRule + u"，“-5”不是。"},
        Bad{FIELD_TYPE_UINT, u"4294967296", tarn::CellInputNotInteger, kUIntRule},
        Bad{FIELD_TYPE_UINT, u"1 2", tarn::CellInputNotInteger, kUIntRule},
        Bad{FIELD_TYPE_INT64, u"9223372036854775808", tarn::CellInputNotInteger, kInt64Rule},
        Bad{FIELD_TYPE_INT64, u"-9223372036854775809", tarn::CellInputNotInteger, kInt64Rule},
        Bad{FIELD_TYPE_UINT64, u"18446744073709551616", tarn::CellInputNotInteger, kUInt64Rule},
        Bad{FIELD_TYPE_UINT64, u"-1", tarn::CellInputNotInteger, kUInt64Rule},
        Bad{FIELD_TYPE_FLOAT, u"1e400", tarn::CellInputNotFloat, kFloatRule},
        Bad{FIELD_TYPE_FLOAT, u"-1e39", tarn::CellInputNotFloat, kFloatRule},
        Bad{FIELD_TYPE_FLOAT, u"3.4028236e38", tarn::CellInputNotFloat, kFloatRule},
        Bad{FIELD_TYPE_FLOAT, u"1" + Repeat(u"0", 39), tarn::CellInputNotFloat, kFloatRule},
        Bad{FIELD_TYPE_FLOAT, u"inf", tarn::CellInputNotFloat, kFloatRule},
        Bad{FIELD_TYPE_FLOAT, u"nan", tarn::CellInputNotFloat, kFloatRule},
        Bad{FIELD_TYPE_FLOAT, u"0x10", tarn::CellInputNotFloat, kFloatRule},
        Bad{FIELD_TYPE_FLOAT, u"1,5", tarn::CellInputNotFloat, kFloatRule},
        Bad{FIELD_TYPE_FLOAT, u"1.5f", tarn::CellInputNotFloat, kFloatRule},
        Bad{FIELD_TYPE_FLOAT, u"1e", tarn::CellInputNotFloat, kFloatRule},
        Bad{FIELD_TYPE_FLOAT, u".", tarn::CellInputNotFloat, kFloatRule},
        Bad{FIELD_TYPE_FLOAT, u"--1", tarn::CellInputNotFloat, kFloatRule},
        Bad{FIELD_TYPE_FLOAT, u"abc", tarn::CellInputNotFloat,
            kFloatRule + u"（如 1.5、-2、3e-4），“abc”不是。"},
        Bad{FIELD_TYPE_FLOAT, u"", tarn::CellInputNotFloat, kFloatRule},
        Bad{FIELD_TYPE_STRING, Repeat(u"名", 1503), tarn::CellInputTextTooLong, u"的文本最长 1023 个字符"},
        Bad{FIELD_TYPE_STRING, Repeat(u"a", 1024), tarn::CellInputTextTooLong, u"有 1024 个。"},
        Bad{FIELD_TYPE_STRING, u"a\tb", tarn::CellInputBadCharacter,
            u"不能含有制表符、回车符、换行符或空字符"},
        Bad{FIELD_TYPE_STRING, u"a\nb", tarn::CellInputBadCharacter, u"换行符"},
        Bad{FIELD_TYPE_STRING, u"a\rb", tarn::CellInputBadCharacter, u"回车符"},
        Bad{FIELD_TYPE_STRING, std::u16string(u"a\0b", 3), tarn::CellInputBadCharacter, u"空字符"},
        Bad{FIELD_TYPE_STRING_INT, u"1,2,3", tarn::CellInputBadListValue,
            kIntListRule + u"，“1,2,3”的第 1 个值“1,2,3”不是。", 0},
        Bad{FIELD_TYPE_STRING_INT, u"1|abc|3", tarn::CellInputBadListValue, u"的第 2 个值“abc”不是。", 1},
        Bad{FIELD_TYPE_STRING_INT, u"1||2", tarn::CellInputBadListValue, u"的第 2 个值为空。", 1},
        Bad{FIELD_TYPE_STRING_INT, u"1|", tarn::CellInputBadListValue, u"的第 2 个值为空。", 1},
        Bad{FIELD_TYPE_STRING_INT, u"|1", tarn::CellInputBadListValue, u"的第 1 个值为空。", 0},
        Bad{FIELD_TYPE_STRING_INT, u"1|2147483648", tarn::CellInputBadListValue, kIntListRule, 1},
        Bad{FIELD_TYPE_STRING_INT, u"1|1.5", tarn::CellInputBadListValue, u"的第 2 个值“1.5”不是。", 1},
        Bad{FIELD_TYPE_STRING_INT, Repeat(u"1", 65, u"|"), tarn::CellInputTooManyValues,
            u"“售价”的列表最多 64 个值，"},
        Bad{FIELD_TYPE_STRING_INT, Repeat(u"12", 600, u"|"), tarn::CellInputTooManyValues, u"有 600 个。"},
        Bad{FIELD_TYPE_STRING_FLOAT, u"1|abc|3", tarn::CellInputBadListValue,
            kFloatListRule + u" 的十进制数（如 1.5、-2、3e-4），“1|abc|3”的第 2 个值“abc”不是。", 1},
        Bad{FIELD_TYPE_STRING_FLOAT, u"1| 1e400 ", tarn::CellInputBadListValue, u"的第 2 个值“1e400”不是。",
            1},
        Bad{FIELD_TYPE_STRING_FLOAT, u"nan", tarn::CellInputBadListValue, kFloatListRule, 0},
        Bad{FIELD_TYPE_STRING_FLOAT, u"1,2,3", tarn::CellInputBadListValue, kFloatListRule, 0}));

TEST(CellTextTest, AFieldOfNoKnownTypeTakesNothing)
{
    const tarn::CellInput input = tarn::ParseCellText(MakeField(FIELD_TYPE_INVALID, u"坏"), u"1");
    EXPECT_FALSE(input);
    EXPECT_EQ(input.status, tarn::CellInputNoSuchType);
    EXPECT_NE(U8(input.message).find("“坏”"), std::string::npos) << U8(input.message);
}

// ---- cells and values -------------------------------------------------------------------------

std::unique_ptr<tarn::Cell> MakeCell(FIELD_TYPE type)
{
    return std::unique_ptr<tarn::Cell>(tarn::CreateCell(MakeField(type)));
}

TEST(CellTextTest, EveryTypeGoesIntoACellAndComesBackUnchanged)
{
    const std::vector<tarn::CellValue> values = {
        tarn::CellValue::Int(-7),
        tarn::CellValue::UInt(4294967295u),
        tarn::CellValue::Int64(-5000000000LL),
        tarn::CellValue::UInt64(18446744073709551615ull),
        tarn::CellValue::Float(0.1234567f),
        tarn::CellValue::String(u"长 剑\u00e9"),
        tarn::CellValue::IntList(std::vector<std::int32_t>(64, -2147483647 - 1)),
        tarn::CellValue::FloatList({1.5f, -0.0f, FLT_MAX}),
    };
    for (const tarn::CellValue& value : values)
    {
        SCOPED_TRACE(value.Type());
        std::unique_ptr<tarn::Cell> cell = MakeCell(value.Type());
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(CountReports([&] { EXPECT_TRUE(tarn::WriteCell(*cell, value)); }), 0u);
        EXPECT_TRUE(tarn::ReadCell(*cell) == value);
        EXPECT_EQ(U8(tarn::CellText(*cell)), U8(tarn::FormatCellValue(value)));
    }
}

TEST(CellTextTest, TheTextOfALongListIsWholeUnlikeToString)
{
    std::unique_ptr<tarn::Cell> cell = MakeCell(FIELD_TYPE_STRING_INT);
    const std::u16string text = Repeat(u"-2147483648", 64, u"|");
    const tarn::CellInput input = tarn::ParseCellText(MakeField(FIELD_TYPE_STRING_INT), text);
    ASSERT_TRUE(input);
    ASSERT_TRUE(tarn::WriteCell(*cell, input.value));
    EXPECT_EQ(cell->GetStringInt().size(), 64);
    EXPECT_EQ(U8(tarn::CellText(*cell)), U8(text));
    EXPECT_LT(std::u16string(cell->ToString()).size(), text.size()); // the cell's own text form is cut
}

TEST(CellTextTest, AValueOfAnotherTypeIsAFailedCheckAndLeavesTheCell)
{
    std::unique_ptr<tarn::Cell> cell = MakeCell(FIELD_TYPE_INT);
    cell->SetInt(8);
    for (const tarn::CellValue& value :
         {tarn::CellValue::UInt(9), tarn::CellValue(), tarn::CellValue::String(u"9")})
    {
        bool written = true;
        EXPECT_EQ(CountReports([&] { written = tarn::WriteCell(*cell, value); }), 1u);
        EXPECT_FALSE(written);
        EXPECT_EQ(cell->GetInt(), 8);
    }
}

TEST(CellTextTest, ValuesCompareByTypeAndBits)
{
    EXPECT_TRUE(tarn::CellValue::Int(1) == tarn::CellValue::Int(1));
    EXPECT_FALSE(tarn::CellValue::Int(1) == tarn::CellValue::UInt(1));
    EXPECT_FALSE(tarn::CellValue::Int(1) == tarn::CellValue::Int(2));
    EXPECT_FALSE(tarn::CellValue::Float(0.0f) == tarn::CellValue::Float(-0.0f));
    EXPECT_FALSE(tarn::CellValue::FloatList({0.0f}) == tarn::CellValue::FloatList({-0.0f}));
    EXPECT_TRUE(tarn::CellValue::FloatList({1.5f, 2.0f}) == tarn::CellValue::FloatList({1.5f, 2.0f}));
    EXPECT_FALSE(tarn::CellValue::IntList({1}) == tarn::CellValue::IntList({1, 2}));
    EXPECT_FALSE(tarn::CellValue::String(u"a") == tarn::CellValue::String(u"A"));
}

} // namespace
