#include "cli/json.h"

#include <cstdio>

#include "base/string.h"
#include "tool/cell.h"

namespace tarn
{
namespace cli
{

void AppendJsonString(std::string& out, const char16_t* s)
{
    const std::string utf8 = scl::ToUtf8(s);
    out += '"';
    for (const char c : utf8)
    {
        const unsigned char u = static_cast<unsigned char>(c);
        switch (c)
        {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20)
            {
                char escape[8];
                std::snprintf(escape, sizeof(escape), "\\u%04x", u);
                out += escape;
            }
            else
                out += c;
        }
    }
    out += '"';
}

std::u16string CellText(Cell& cell)
{
    char16_t number[text::kNumberTextCapacity];
    std::u16string out;
    switch (cell.Type())
    {
    case FIELD_TYPE_FLOAT:
        out.assign(number, static_cast<size_t>(text::FormatFloat(number, cell.GetFloat())));
        break;
    case FIELD_TYPE_STRING_INT:
    {
        const scl::parray<int> values = cell.GetStringInt();
        for (int i = 0; i < values.size(); ++i)
        {
            if (i > 0)
                out += u'|';
            out.append(number, static_cast<size_t>(text::FormatInt32(number, values.m_data[i])));
        }
        break;
    }
    case FIELD_TYPE_STRING_FLOAT:
    {
        const scl::parray<float> values = cell.GetStringFloat();
        for (int i = 0; i < values.size(); ++i)
        {
            if (i > 0)
                out += u'|';
            out.append(number, static_cast<size_t>(text::FormatFloat(number, values.m_data[i])));
        }
        break;
    }
    default:
        out = cell.ToString();
        break;
    }
    return out;
}

} // namespace cli
} // namespace tarn
