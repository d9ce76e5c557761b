#include "tool/jsonText.h"

#include <cstdio>

namespace tarn
{

void AppendJsonUtf8(std::string& out, const std::string& utf8)
{
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

} // namespace tarn
