#include "tool/cellText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>
#include <utility>

#include "base/assert.h"

namespace tarn
{
namespace
{

bool IsBlank(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r') || c == u'\u3000';
}

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

std::u16string_view Trim(std::u16string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

enum class NumberCheck
{
    Ok,
    Empty,
    Invalid,
    OutOfRange
};

// An optionally signed run of decimal digits, blanks around it, within T's range.
template <class T> NumberCheck ParseInteger(std::u16string_view text, T& value)
{
    text = Trim(text);
    if (text.empty())
        return NumberCheck::Empty;
    std::size_t i = 0;
    bool negative = false;
    if (text[0] == u'+' || text[0] == u'-')
    {
        negative = text[0] == u'-';
        ++i;
    }
    if (i == text.size())
        return NumberCheck::Invalid;
    std::uint64_t magnitude = 0;
    bool overflow = false;
    for (; i < text.size(); ++i)
    {
        if (!IsDigit(text[i]))
            return NumberCheck::Invalid; // looked at to the end: "99999999999999999999x" is no number
        const unsigned digit = static_cast<unsigned>(text[i] - u'0');
        if (magnitude > (std::numeric_limits<std::uint64_t>::max() - digit) / 10)
            overflow = true;
        else if (!overflow)
            magnitude = magnitude * 10 + digit;
    }
    if (overflow)
        return NumberCheck::OutOfRange;
    if (negative)
    {
        // The magnitude of the most negative value, 0 for unsigned types ("-0" is 0).
        const std::uint64_t limit = std::numeric_limits<T>::is_signed
                                        ? static_cast<std::uint64_t>(std::numeric_limits<T>::max()) + 1
                                        : 0;
        if (magnitude > limit)
            return NumberCheck::OutOfRange;
        if constexpr (std::numeric_limits<T>::is_signed)
            value = magnitude == 0 ? T(0) : static_cast<T>(-static_cast<T>(magnitude - 1) - 1);
        else
            value = T(0);
        return NumberCheck::Ok;
    }
    if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<T>::max()))
        return NumberCheck::OutOfRange;
    value = static_cast<T>(magnitude);
    return NumberCheck::Ok;
}

// A decimal number with an optional point and exponent, blanks around it, rounded to the nearest
// float; out of range when that is infinite.
NumberCheck ParseDecimalFloat(std::u16string_view text, float& value)
{
    text = Trim(text);
    if (text.empty())
        return NumberCheck::Empty;
    std::string narrow; // what std::from_chars reads: no "+" in front
    narrow.reserve(text.size());
    std::size_t i = 0;
    if (text[0] == u'+' || text[0] == u'-')
    {
        if (text[0] == u'-')
            narrow.push_back('-');
        ++i;
    }
    // The decimal order of the first significant digit, to tell an overflow from an underflow.
    long long order = 0;
    bool significant = false;
    int integerDigits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++integerDigits)
    {
        if (!significant && text[i] != u'0')
        {
            significant = true;
            order = 0;
        }
        else if (significant)
            ++order;
        narrow.push_back(static_cast<char>(text[i]));
    }
    int digits = integerDigits;
    if (i < text.size() && text[i] == u'.')
    {
        narrow.push_back('.');
        ++i;
        for (int place = 1; i < text.size() && IsDigit(text[i]); ++i, ++place, ++digits)
        {
            if (!significant && text[i] != u'0')
            {
                significant = true;
                order = -place;
            }
            narrow.push_back(static_cast<char>(text[i]));
        }
    }
    if (digits == 0)
        return NumberCheck::Invalid; // "", ".", "-", "e5"
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E'))
    {
        narrow.push_back('e');
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        {
            negativeExponent = text[i] == u'-';
            narrow.push_back(static_cast<char>(text[i]));
            ++i;
        }
        const std::size_t exponentStart = i;
        long long exponent = 0;
        for (; i < text.size() && IsDigit(text[i]); ++i)
        {
            if (exponent < 1000000000)
                exponent = exponent * 10 + (text[i] - u'0');
            narrow.push_back(static_cast<char>(text[i]));
        }
        if (i == exponentStart)
            return NumberCheck::Invalid; // "1e", "1e+"
        order += negativeExponent ? -exponent : exponent;
    }
    if (i != text.size())
        return NumberCheck::Invalid;

    float parsed = 0.0f;
    const char* first = narrow.data();
    const char* last = first + narrow.size();
    const std::from_chars_result r = std::from_chars(first, last, parsed, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range)
    {
        // Beyond the float range on one side or the other of 1: too large is refused, too small
        // rounds to zero like every decimal rounds to its nearest float.
        if (order >= 0)
            return NumberCheck::OutOfRange;
        value = narrow[0] == '-' ? -0.0f : 0.0f;
        return NumberCheck::Ok;
    }
    if (r.ec != std::errc() || r.ptr != last)
        return NumberCheck::Invalid;
    if (!std::isfinite(parsed))
        return NumberCheck::OutOfRange;
    value = parsed;
    return NumberCheck::Ok;
}

// ---- message text -------------------------------------------------------------------------------

void Append(std::u16string& out, const char16_t* text)
{
    out += text;
}

void AppendNumber(std::u16string& out, long long value)
{
    char16_t digits[text::kNumberTextCapacity];
    out.append(digits, static_cast<std::size_t>(text::FormatInt64(digits, value)));
}

// The typed text as a message quotes it: at most kQuotedTextMax units (never half a surrogate
// pair) then "…", with tabs, line breaks and U+0000 made visible.
void AppendQuoted(std::u16string& out, std::u16string_view text)
{
    const int length = static_cast<int>(text.size() < 0x7fffffff ? text.size() : 0x7fffffff);
    const int kept = text::CutLength(text.data(), length, kQuotedTextMax);
    out += u'“';
    for (int i = 0; i < kept; ++i)
    {
        const char16_t c = text[static_cast<std::size_t>(i)];
        if (c == u'\t')
            out += u'⇥';
        else if (c == u'\r' || c == u'\n')
            out += u'↵';
        else if (c == 0)
            out += u'␀';
        else
            out += c;
    }
    if (kept < length)
        out += u'…';
    out += u'”';
}

void AppendFieldName(std::u16string& out, const Field& field)
{
    out += u'“';
    out += field.m_name.c_str();
    out += u'”';
}

// "必须是 A 到 B 之间的整数" for an integer type.
const char16_t* IntegerRange(FIELD_TYPE type)
{
    switch (type)
    {
    case FIELD_TYPE_INT:
    case FIELD_TYPE_STRING_INT:
        return u"-2147483648 到 2147483647";
    case FIELD_TYPE_UINT:
        return u"0 到 4294967295";
    case FIELD_TYPE_INT64:
        return u"-9223372036854775808 到 9223372036854775807";
    case FIELD_TYPE_UINT64:
        return u"0 到 18446744073709551615";
    default:
        return u"";
    }
}

const char16_t kFloatRule[] = u"绝对值不超过 3.4028235e+38 的十进制数（如 1.5、-2、3e-4）";

CellInput Refuse(CellInputStatus status, std::u16string message, int listIndex = -1)
{
    CellInput input;
    input.status = status;
    input.message = std::move(message);
    input.listIndex = listIndex;
    return input;
}

// A scalar number that is not one: "“F”必须是 … ，“T”不是。" or "…，不能为空。"
CellInput RefuseNumber(const Field& field, std::u16string_view text, NumberCheck check)
{
    const bool isFloat = field.m_type == FIELD_TYPE_FLOAT;
    std::u16string m;
    AppendFieldName(m, field);
    Append(m, u"必须是");
    if (isFloat)
        Append(m, kFloatRule);
    else
    {
        Append(m, u" ");
        Append(m, IntegerRange(field.m_type));
        Append(m, u" 之间的整数");
    }
    if (check == NumberCheck::Empty)
        Append(m, u"，不能为空。");
    else
    {
        Append(m, u"，");
        AppendQuoted(m, text);
        Append(m, u"不是。");
    }
    return Refuse(isFloat ? CellInputNotFloat : CellInputNotInteger, std::move(m));
}

template <class T> CellInput ParseScalar(const Field& field, std::u16string_view text, CellValue (*make)(T))
{
    T value{};
    const NumberCheck check = ParseInteger(text, value);
    if (check != NumberCheck::Ok)
        return RefuseNumber(field, text, check);
    CellInput input;
    input.value = make(value);
    return input;
}

CellInput ParseFloatField(const Field& field, std::u16string_view text)
{
    float value = 0.0f;
    const NumberCheck check = ParseDecimalFloat(text, value);
    if (check != NumberCheck::Ok)
        return RefuseNumber(field, text, check);
    CellInput input;
    input.value = CellValue::Float(value);
    return input;
}

CellInput ParseStringField(const Field& field, std::u16string_view text)
{
    if (text.size() > static_cast<std::size_t>(kStringTextMax))
    {
        std::u16string m;
        AppendFieldName(m, field);
        Append(m, u"的文本最长 1023 个字符，");
        AppendQuoted(m, text);
        Append(m, u"有 ");
        AppendNumber(m, static_cast<long long>(text.size()));
        Append(m, u" 个。");
        return Refuse(CellInputTextTooLong, std::move(m));
    }
    for (char16_t c : text)
    {
        if (c == u'\t' || c == u'\r' || c == u'\n' || c == 0)
        {
            std::u16string m;
            AppendFieldName(m, field);
            Append(m, u"的文本不能含有制表符、回车符、换行符或空字符，数据文件无法原样保存这样的值：");
            AppendQuoted(m, text);
            Append(m, u"。");
            return Refuse(CellInputBadCharacter, std::move(m));
        }
    }
    CellInput input;
    input.value = CellValue::String(std::u16string(text));
    return input;
}

// "|"-separated values, each checked by parse(piece, value) -> NumberCheck.
template <class T, class Parse>
CellInput ParseListField(const Field& field, std::u16string_view text, Parse parse,
                         CellValue (*make)(std::vector<T>))
{
    std::vector<T> values;
    CellInput input;
    if (Trim(text).empty())
    {
        input.value = make(std::move(values));
        return input;
    }
    std::size_t count = 1;
    for (char16_t c : text)
        count += c == u'|' ? 1 : 0;
    if (count > static_cast<std::size_t>(kListValuesMax))
    {
        std::u16string m;
        AppendFieldName(m, field);
        Append(m, u"的列表最多 64 个值，");
        AppendQuoted(m, text);
        Append(m, u"有 ");
        AppendNumber(m, static_cast<long long>(count));
        Append(m, u" 个。");
        return Refuse(CellInputTooManyValues, std::move(m));
    }
    values.reserve(count);
    std::size_t start = 0;
    for (int index = 0;; ++index)
    {
        const std::size_t bar = text.find(u'|', start);
        const std::u16string_view piece =
            text.substr(start, bar == std::u16string_view::npos ? std::u16string_view::npos : bar - start);
        T value{};
        const NumberCheck check = parse(piece, value);
        if (check != NumberCheck::Ok)
        {
            std::u16string m;
            AppendFieldName(m, field);
            if (field.m_type == FIELD_TYPE_STRING_FLOAT)
            {
                Append(m, u"的列表由“|”分隔的十进制数组成，每个值都必须是");
                Append(m, kFloatRule);
            }
            else
            {
                Append(m, u"的列表由“|”分隔的整数组成，每个值都必须在 ");
                Append(m, IntegerRange(field.m_type));
                Append(m, u" 之间");
            }
            Append(m, u"，");
            AppendQuoted(m, text);
            Append(m, u"的第 ");
            AppendNumber(m, index + 1);
            Append(m, u" 个值");
            if (check == NumberCheck::Empty)
                Append(m, u"为空。");
            else
            {
                AppendQuoted(m, Trim(piece));
                Append(m, u"不是。");
            }
            return Refuse(CellInputBadListValue, std::move(m), index);
        }
        values.push_back(value);
        if (bar == std::u16string_view::npos)
            break;
        start = bar + 1;
    }
    input.value = make(std::move(values));
    return input;
}

std::uint32_t FloatBits(float value)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

template <class T, class Format>
void AppendList(std::u16string& out, const std::vector<T>& values, Format format)
{
    char16_t number[text::kNumberTextCapacity];
    for (std::size_t i = 0; i < values.size(); ++i)
    {
        if (i > 0)
            out += u'|';
        out.append(number, static_cast<std::size_t>(format(number, values[i])));
    }
}

} // namespace

// ---- CellValue ----------------------------------------------------------------------------------

CellValue CellValue::Int(std::int32_t value)
{
    CellValue v;
    v.m_type = FIELD_TYPE_INT;
    v.m_signed = value;
    return v;
}

CellValue CellValue::UInt(std::uint32_t value)
{
    CellValue v;
    v.m_type = FIELD_TYPE_UINT;
    v.m_unsigned = value;
    return v;
}

CellValue CellValue::Int64(std::int64_t value)
{
    CellValue v;
    v.m_type = FIELD_TYPE_INT64;
    v.m_signed = value;
    return v;
}

CellValue CellValue::UInt64(std::uint64_t value)
{
    CellValue v;
    v.m_type = FIELD_TYPE_UINT64;
    v.m_unsigned = value;
    return v;
}

CellValue CellValue::Float(float value)
{
    CellValue v;
    v.m_type = FIELD_TYPE_FLOAT;
    v.m_float = value;
    return v;
}

CellValue CellValue::String(std::u16string text)
{
    CellValue v;
    v.m_type = FIELD_TYPE_STRING;
    v.m_text = std::move(text);
    return v;
}

CellValue CellValue::IntList(std::vector<std::int32_t> values)
{
    CellValue v;
    v.m_type = FIELD_TYPE_STRING_INT;
    v.m_ints = std::move(values);
    return v;
}

CellValue CellValue::FloatList(std::vector<float> values)
{
    CellValue v;
    v.m_type = FIELD_TYPE_STRING_FLOAT;
    v.m_floats = std::move(values);
    return v;
}

bool CellValue::operator==(const CellValue& other) const
{
    if (m_type != other.m_type || m_signed != other.m_signed || m_unsigned != other.m_unsigned ||
        FloatBits(m_float) != FloatBits(other.m_float) || m_text != other.m_text || m_ints != other.m_ints ||
        m_floats.size() != other.m_floats.size())
        return false;
    for (std::size_t i = 0; i < m_floats.size(); ++i)
        if (FloatBits(m_floats[i]) != FloatBits(other.m_floats[i]))
            return false;
    return true;
}

// ---- parsing ------------------------------------------------------------------------------------

CellInput ParseCellText(const Field& field, std::u16string_view text)
{
    switch (field.m_type)
    {
    case FIELD_TYPE_INT:
        return ParseScalar<std::int32_t>(field, text, &CellValue::Int);
    case FIELD_TYPE_UINT:
        return ParseScalar<std::uint32_t>(field, text, &CellValue::UInt);
    case FIELD_TYPE_INT64:
        return ParseScalar<std::int64_t>(field, text, &CellValue::Int64);
    case FIELD_TYPE_UINT64:
        return ParseScalar<std::uint64_t>(field, text, &CellValue::UInt64);
    case FIELD_TYPE_FLOAT:
        return ParseFloatField(field, text);
    case FIELD_TYPE_STRING:
        return ParseStringField(field, text);
    case FIELD_TYPE_STRING_INT:
        return ParseListField<std::int32_t>(
            field, text,
            [](std::u16string_view piece, std::int32_t& value) { return ParseInteger(piece, value); },
            &CellValue::IntList);
    case FIELD_TYPE_STRING_FLOAT:
        return ParseListField<float>(
            field, text,
            [](std::u16string_view piece, float& value) { return ParseDecimalFloat(piece, value); },
            &CellValue::FloatList);
    default:
        break;
    }
    std::u16string m;
    AppendFieldName(m, field);
    Append(m, u"的类型无效，无法填写。");
    return Refuse(CellInputNoSuchType, std::move(m));
}

// ---- cells --------------------------------------------------------------------------------------

CellValue ReadCell(Cell& cell)
{
    switch (cell.Type())
    {
    case FIELD_TYPE_INT:
        return CellValue::Int(cell.GetInt());
    case FIELD_TYPE_UINT:
        return CellValue::UInt(cell.GetUInt());
    case FIELD_TYPE_INT64:
        return CellValue::Int64(cell.GetInt64());
    case FIELD_TYPE_UINT64:
        return CellValue::UInt64(cell.GetUInt64());
    case FIELD_TYPE_FLOAT:
        return CellValue::Float(cell.GetFloat());
    case FIELD_TYPE_STRING:
        return CellValue::String(cell.GetString());
    case FIELD_TYPE_STRING_INT:
    {
        const scl::parray<int> view = cell.GetStringInt();
        return CellValue::IntList(std::vector<std::int32_t>(view.begin(), view.end()));
    }
    case FIELD_TYPE_STRING_FLOAT:
    {
        const scl::parray<float> view = cell.GetStringFloat();
        return CellValue::FloatList(std::vector<float>(view.begin(), view.end()));
    }
    default:
        break;
    }
    SCL_ASSERT(false);
    return CellValue();
}

bool WriteCell(Cell& cell, const CellValue& value)
{
    if (!SCL_ASSERT(value.Type() == cell.Type()))
        return false;
    switch (value.Type())
    {
    case FIELD_TYPE_INT:
        cell.SetInt(value.GetInt());
        return true;
    case FIELD_TYPE_UINT:
        cell.SetUInt(value.GetUInt());
        return true;
    case FIELD_TYPE_INT64:
        cell.SetInt64(value.GetInt64());
        return true;
    case FIELD_TYPE_UINT64:
        cell.SetUInt64(value.GetUInt64());
        return true;
    case FIELD_TYPE_FLOAT:
        cell.SetFloat(value.GetFloat());
        return true;
    case FIELD_TYPE_STRING:
        cell.SetString(value.GetString().c_str());
        return true;
    case FIELD_TYPE_STRING_INT:
    {
        // The cell copies from a view of this storage; more than it holds is cut there.
        const std::vector<std::int32_t>& values = value.GetIntList();
        SCL_ASSERT(values.size() <= static_cast<std::size_t>(kListValuesMax));
        int buffer[kListValuesMax];
        const int n = static_cast<int>(std::min<std::size_t>(values.size(), kListValuesMax));
        std::copy(values.begin(), values.begin() + n, buffer);
        cell.SetStringInt(scl::parray<int>(buffer, n, kListValuesMax));
        return true;
    }
    case FIELD_TYPE_STRING_FLOAT:
    {
        const std::vector<float>& values = value.GetFloatList();
        SCL_ASSERT(values.size() <= static_cast<std::size_t>(kListValuesMax));
        float buffer[kListValuesMax];
        const int n = static_cast<int>(std::min<std::size_t>(values.size(), kListValuesMax));
        std::copy(values.begin(), values.begin() + n, buffer);
        cell.SetStringFloat(scl::parray<float>(buffer, n, kListValuesMax));
        return true;
    }
    default:
        break;
    }
    SCL_ASSERT(false);
    return false;
}

std::u16string FormatCellValue(const CellValue& value)
{
    char16_t number[text::kNumberTextCapacity];
    std::u16string out;
    switch (value.Type())
    {
    case FIELD_TYPE_INT:
        out.assign(number, static_cast<std::size_t>(text::FormatInt32(number, value.GetInt())));
        break;
    case FIELD_TYPE_UINT:
        out.assign(number, static_cast<std::size_t>(text::FormatUInt32(number, value.GetUInt())));
        break;
    case FIELD_TYPE_INT64:
        out.assign(number, static_cast<std::size_t>(text::FormatInt64(number, value.GetInt64())));
        break;
    case FIELD_TYPE_UINT64:
        out.assign(number, static_cast<std::size_t>(text::FormatUInt64(number, value.GetUInt64())));
        break;
    case FIELD_TYPE_FLOAT:
        out.assign(number, static_cast<std::size_t>(text::FormatFloat(number, value.GetFloat())));
        break;
    case FIELD_TYPE_STRING:
        out = value.GetString();
        break;
    case FIELD_TYPE_STRING_INT:
        AppendList(out, value.GetIntList(), text::FormatInt32);
        break;
    case FIELD_TYPE_STRING_FLOAT:
        AppendList(out, value.GetFloatList(), text::FormatFloat);
        break;
    default:
        break;
    }
    return out;
}

std::u16string CellText(Cell& cell)
{
    return FormatCellValue(ReadCell(cell));
}

} // namespace tarn
