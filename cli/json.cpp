#include "cli/json.h"

#include <cstdio>

#include "base/string.h"
#include "tool/cell.h"
#include "tool/jsonText.h"

namespace tarn
{
namespace cli
{

void AppendJsonString(std::string& out, const char16_t* s)
{
    AppendJsonUtf8(out, scl::ToUtf8(s));
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
