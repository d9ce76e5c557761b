// Fuzz target: arbitrary text typed or pasted into a field of each type (tarn::ParseCellText).
// The first byte chooses the field type, the rest is UTF-16 text (zero units included). Checked:
// a result is either a value of the field's type or a refusal whose message names the field; a
// taken value goes into a cell and comes back unchanged, and its text form is taken again as the
// same value; numbers are taken exactly when the C library reads the whole text (blanks around
// it aside) as a decimal number of the type's range, with the C library's value.
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "fuzzSupport.h"
#include "tool/cell.h"
#include "tool/cellText.h"

namespace
{

std::string Show(const std::u16string& text)
{
    std::u16string visible;
    for (char16_t c : text)
        visible += c == 0 ? u'\u2400' : c;
    return fuzz::Utf8(visible.c_str());
}

bool IsBlank(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r') || c == u'\u3000';
}

std::u16string Trim(const std::u16string& text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// [+-]digits, nothing else.
bool IsIntegerText(const std::u16string& t)
{
    std::size_t i = t.size() > 0 && (t[0] == u'+' || t[0] == u'-') ? 1 : 0;
    if (i == t.size())
        return false;
    for (; i < t.size(); ++i)
        if (!IsDigit(t[i]))
            return false;
    return true;
}

// [+-](digits[.digits] | .digits)([eE][+-]digits), nothing else.
bool IsDecimalText(const std::u16string& t)
{
    std::size_t i = t.size() > 0 && (t[0] == u'+' || t[0] == u'-') ? 1 : 0;
    std::size_t digits = 0;
    for (; i < t.size() && IsDigit(t[i]); ++i)
        ++digits;
    if (i < t.size() && t[i] == u'.')
        for (++i; i < t.size() && IsDigit(t[i]); ++i)
            ++digits;
    if (digits == 0)
        return false;
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E'))
    {
        ++i;
        if (i < t.size() && (t[i] == u'+' || t[i] == u'-'))
            ++i;
        const std::size_t start = i;
        for (; i < t.size() && IsDigit(t[i]); ++i)
        {
        }
        if (i == start)
            return false;
    }
    return i == t.size();
}

std::string Narrow(const std::u16string& t)
{
    std::string s;
    for (char16_t c : t)
        s += static_cast<char>(c); // called on ASCII texts only
    return s;
}

bool SameFloat(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The reference verdict on one number: taken, and the value the C library reads.
struct Reference
{
    bool taken = false;
    std::int64_t i = 0;
    std::uint64_t u = 0;
    float f = 0.0f;
};

Reference ReferenceNumber(FIELD_TYPE type, const std::u16string& text)
{
    Reference r;
    const std::u16string t = Trim(text);
    switch (type)
    {
    case FIELD_TYPE_INT:
    case FIELD_TYPE_INT64:
    case FIELD_TYPE_STRING_INT:
    {
        if (!IsIntegerText(t))
            return r;
        errno = 0;
        const long long v = std::strtoll(Narrow(t).c_str(), nullptr, 10);
        const bool wide = type == FIELD_TYPE_INT64;
        r.taken = errno != ERANGE && (wide || (v >= std::numeric_limits<std::int32_t>::min() &&
                                               v <= std::numeric_limits<std::int32_t>::max()));
        r.i = v;
        return r;
    }
    case FIELD_TYPE_UINT:
    case FIELD_TYPE_UINT64:
    {
        if (!IsIntegerText(t))
            return r;
        const std::string n = Narrow(t);
        const bool negative = n[0] == '-';
        errno = 0;
        const unsigned long long v = std::strtoull(n.c_str() + (negative ? 1 : 0), nullptr, 10);
        const unsigned long long max = type == FIELD_TYPE_UINT ? std::numeric_limits<std::uint32_t>::max()
                                                               : std::numeric_limits<std::uint64_t>::max();
        r.taken = errno != ERANGE && v <= max && (!negative || v == 0);
        r.u = v;
        return r;
    }
    default: // FLOAT and STRING_FLOAT values
    {
        if (!IsDecimalText(t))
            return r;
        r.f = std::strtof(Narrow(t).c_str(), nullptr);
        r.taken = std::isfinite(r.f);
        return r;
    }
    }
}

void CheckNumber(FIELD_TYPE type, const std::u16string& text, const tarn::CellInput& input)
{
    const Reference r = ReferenceNumber(type, text);
    if (r.taken != static_cast<bool>(input))
        fuzz::Fail("type %d, \"%s\": %s, the C library says %s", type, Show(text).c_str(),
                   input ? "taken" : "refused", r.taken ? "a number in range" : "no such number");
    if (!input)
        return;
    const tarn::CellValue& v = input.value;
    const bool same = type == FIELD_TYPE_INT      ? v.GetInt() == r.i
                      : type == FIELD_TYPE_INT64  ? v.GetInt64() == r.i
                      : type == FIELD_TYPE_UINT   ? v.GetUInt() == r.u
                      : type == FIELD_TYPE_UINT64 ? v.GetUInt64() == r.u
                                                  : SameFloat(v.GetFloat(), r.f);
    if (!same)
        fuzz::Fail("type %d, \"%s\": the value differs from the C library's", type, Show(text).c_str());
}

// Each "|"-separated piece of a list against the reference; the list is taken when every piece is
// (at most 64 of them; blanks only is the empty list).
void CheckList(FIELD_TYPE type, const std::u16string& text, const tarn::CellInput& input)
{
    if (Trim(text).empty())
    {
        if (!input || !(input.value.GetIntList().empty() && input.value.GetFloatList().empty()))
            fuzz::Fail("type %d, \"%s\": blanks are not the empty list", type, Show(text).c_str());
        return;
    }
    std::size_t pieces = 0;
    bool allTaken = true;
    std::size_t start = 0;
    for (;;)
    {
        const std::size_t bar = text.find(u'|', start);
        const std::u16string piece = text.substr(start, bar == std::u16string::npos ? bar : bar - start);
        allTaken = allTaken && ReferenceNumber(type, piece).taken;
        ++pieces;
        if (bar == std::u16string::npos)
            break;
        start = bar + 1;
    }
    const bool expected = allTaken && pieces <= static_cast<std::size_t>(tarn::kListValuesMax);
    if (expected != static_cast<bool>(input))
        fuzz::Fail("type %d, \"%s\": %s, expected %s", type, Show(text).c_str(), input ? "taken" : "refused",
                   expected ? "taken" : "refused");
    if (input)
    {
        const std::size_t n = type == FIELD_TYPE_STRING_INT ? input.value.GetIntList().size()
                                                            : input.value.GetFloatList().size();
        if (n != pieces)
            fuzz::Fail("type %d, \"%s\": %zu values from %zu pieces", type, Show(text).c_str(), n, pieces);
    }
    if (!input && input.status == tarn::CellInputBadListValue &&
        (input.listIndex < 0 || static_cast<std::size_t>(input.listIndex) >= pieces))
        fuzz::Fail("type %d, \"%s\": refused value %d of %zu", type, Show(text).c_str(), input.listIndex,
                   pieces);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    tarn::Field field;
    field.m_type = static_cast<FIELD_TYPE>(data[0] % 8 + 1);
    field.m_name = u"字段";
    std::u16string text;
    for (std::size_t i = 1; i + 1 < size; i += 2)
        text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));

    const tarn::CellInput input = tarn::ParseCellText(field, text);
    const FIELD_TYPE type = field.m_type;
    if (static_cast<bool>(input) != (input.status == tarn::CellInputOk) ||
        static_cast<bool>(input) != input.message.empty() ||
        (input.value.Type() == type) != static_cast<bool>(input))
        fuzz::Fail("type %d, \"%s\": status, message and value disagree", type, Show(text).c_str());
    if (!input && input.message.find(u"“字段”") == std::u16string::npos)
        fuzz::Fail("type %d, \"%s\": the message does not name the field", type, Show(text).c_str());
    if ((input.listIndex >= 0) != (input.status == tarn::CellInputBadListValue))
        fuzz::Fail("type %d, \"%s\": list index %d with status %d", type, Show(text).c_str(), input.listIndex,
                   input.status);

    switch (type)
    {
    case FIELD_TYPE_STRING:
    {
        bool clean = text.size() <= static_cast<std::size_t>(tarn::kStringTextMax);
        for (char16_t c : text)
            clean = clean && c != u'\t' && c != u'\r' && c != u'\n' && c != 0;
        if (clean != static_cast<bool>(input) || (input && input.value.GetString() != text))
            fuzz::Fail("string \"%s\": %s", Show(text).c_str(), input ? "taken" : "refused");
        break;
    }
    case FIELD_TYPE_STRING_INT:
    case FIELD_TYPE_STRING_FLOAT:
        CheckList(type, text, input);
        break;
    default:
        CheckNumber(type, text, input);
        break;
    }
    if (!input)
        return 0;

    // Into a cell and back, and the text form read again.
    std::unique_ptr<tarn::Cell> cell(tarn::CreateCell(field));
    const unsigned long reports = scl::AssertReportCount();
    if (!tarn::WriteCell(*cell, input.value) || scl::AssertReportCount() != reports)
        fuzz::Fail("type %d, \"%s\": the value does not fit its cell", type, Show(text).c_str());
    if (!(tarn::ReadCell(*cell) == input.value))
        fuzz::Fail("type %d, \"%s\": the cell gives another value back", type, Show(text).c_str());
    const std::u16string form = tarn::CellText(*cell);
    const tarn::CellInput again = tarn::ParseCellText(field, form);
    if (!again)
        fuzz::Fail("type %d, \"%s\": its text form \"%s\" is refused", type, Show(text).c_str(),
                   Show(form).c_str());
    const bool sixPlaces = type == FIELD_TYPE_FLOAT || type == FIELD_TYPE_STRING_FLOAT; // "%f"
    if (!sixPlaces && !(again.value == input.value))
        fuzz::Fail("type %d, \"%s\": its text form \"%s\" reads as another value", type, Show(text).c_str(),
                   Show(form).c_str());
    if (tarn::FormatCellValue(again.value) != form)
        fuzz::Fail("type %d, \"%s\": the text form \"%s\" is not a fixed point", type, Show(text).c_str(),
                   Show(form).c_str());
    return 0;
}
