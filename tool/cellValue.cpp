#include "tool/cellValue.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <vector>

#include "tool/cell.h"

namespace tarn
{
namespace
{

constexpr int kMaxListValues = 64;
constexpr std::size_t kMaxStringUnits = 1023;

void AppendAscii(std::u16string& out, const char* first, const char* last)
{
    for (; first != last; ++first)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(*first)));
}

void AppendFloat(std::u16string& out, float value)
{
    if (std::isnan(value))
    {
        out += u"nan";
        return;
    }
    char buffer[64];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    AppendAscii(out, buffer, result.ptr);
}

template <class T> void AppendInteger(std::u16string& out, T value)
{
    char buffer[32];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    AppendAscii(out, buffer, result.ptr);
}

// An optional '-' and decimal digits only: no space, no '+', no other text (the readers in
// tarn::text would also take those).
bool IsDecimal(const char16_t* first, const char16_t* last)
{
    if (first != last && *first == u'-')
        ++first;
    if (first == last)
        return false;
    for (; first != last; ++first)
        if (*first < u'0' || *first > u'9')
            return false;
    return true;
}

bool ParseFloatExact(const char16_t* first, const char16_t* last, float& value)
{
    if (first == last || *first == u' ' || *first == u'\t' || *first == u'+')
        return false;
    if (std::u16string(first, last) == u"nan")
    {
        value = std::nanf("");
        return true;
    }
    return text::ParseFloat(first, last, value);
}

// Splits a list text at "|"; "" is the empty list. False for an empty piece or too many pieces.
bool SplitList(const std::u16string& text, std::vector<std::pair<const char16_t*, const char16_t*>>& pieces)
{
    pieces.clear();
    if (text.empty())
        return true;
    const char16_t* begin = text.data();
    const char16_t* end = begin + text.size();
    const char16_t* start = begin;
    for (const char16_t* p = begin;; ++p)
    {
        if (p == end || *p == u'|')
        {
            if (p == start || static_cast<int>(pieces.size()) == kMaxListValues)
                return false;
            pieces.emplace_back(start, p);
            if (p == end)
                return true;
            start = p + 1;
        }
    }
}

} // namespace

std::u16string ExactValueText(Cell& cell)
{
    std::u16string out;
    switch (cell.Type())
    {
    case FIELD_TYPE_INT:
        AppendInteger(out, cell.GetInt());
        break;
    case FIELD_TYPE_UINT:
        AppendInteger(out, cell.GetUInt());
        break;
    case FIELD_TYPE_INT64:
        AppendInteger(out, cell.GetInt64());
        break;
    case FIELD_TYPE_UINT64:
        AppendInteger(out, cell.GetUInt64());
        break;
    case FIELD_TYPE_FLOAT:
        AppendFloat(out, cell.GetFloat());
        break;
    case FIELD_TYPE_STRING:
        if (const char16_t* s = cell.GetString())
            out = s;
        break;
    case FIELD_TYPE_STRING_INT:
    {
        const scl::parray<int> values = cell.GetStringInt();
        for (int i = 0; i < values.size(); ++i)
        {
            if (i > 0)
                out.push_back(u'|');
            AppendInteger(out, values[i]);
        }
        break;
    }
    case FIELD_TYPE_STRING_FLOAT:
    {
        const scl::parray<float> values = cell.GetStringFloat();
        for (int i = 0; i < values.size(); ++i)
        {
            if (i > 0)
                out.push_back(u'|');
            AppendFloat(out, values[i]);
        }
        break;
    }
    default:
        break;
    }
    return out;
}

bool SetExactValueText(Cell& cell, const std::u16string& text)
{
    const char16_t* first = text.data();
    const char16_t* last = first + text.size();
    switch (cell.Type())
    {
    case FIELD_TYPE_INT:
    {
        std::int32_t v = 0;
        if (!IsDecimal(first, last) || !text::ParseInt32(first, last, v))
            return false;
        cell.SetInt(v);
        return true;
    }
    case FIELD_TYPE_UINT:
    {
        std::uint32_t v = 0;
        if (!IsDecimal(first, last) || *first == u'-' || !text::ParseUInt32(first, last, v))
            return false;
        cell.SetUInt(v);
        return true;
    }
    case FIELD_TYPE_INT64:
    {
        std::int64_t v = 0;
        if (!IsDecimal(first, last) || !text::ParseInt64(first, last, v))
            return false;
        cell.SetInt64(v);
        return true;
    }
    case FIELD_TYPE_UINT64:
    {
        std::uint64_t v = 0;
        if (!IsDecimal(first, last) || *first == u'-' || !text::ParseUInt64(first, last, v))
            return false;
        cell.SetUInt64(v);
        return true;
    }
    case FIELD_TYPE_FLOAT:
    {
        float v = 0.0f;
        if (!ParseFloatExact(first, last, v))
            return false;
        cell.SetFloat(v);
        return true;
    }
    case FIELD_TYPE_STRING:
        if (text.size() > kMaxStringUnits || text.find(u'\0') != std::u16string::npos)
            return false;
        cell.SetString(text.c_str());
        return true;
    case FIELD_TYPE_STRING_INT:
    case FIELD_TYPE_STRING_FLOAT:
    {
        // Every piece is checked before the cell changes; the cell's own list reader then reads
        // the same pieces to the same values.
        std::vector<std::pair<const char16_t*, const char16_t*>> pieces;
        if (!SplitList(text, pieces))
            return false;
        for (const auto& piece : pieces)
        {
            if (cell.Type() == FIELD_TYPE_STRING_INT)
            {
                std::int32_t v = 0;
                if (!IsDecimal(piece.first, piece.second) || !text::ParseInt32(piece.first, piece.second, v))
                    return false;
            }
            else
            {
                float v = 0.0f;
                if (!ParseFloatExact(piece.first, piece.second, v))
                    return false;
            }
        }
        if (cell.Type() == FIELD_TYPE_STRING_INT)
            cell.SetStringInt(text.c_str());
        else
            cell.SetStringFloat(text.c_str());
        return true;
    }
    default:
        return false;
    }
}

} // namespace tarn
