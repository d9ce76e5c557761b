#include "tool/delimitedText.h"

namespace tarn
{
namespace
{

// True when [text, text + size) is well-formed UTF-8 (no overlong forms, no surrogates).
bool ValidUtf8(const std::string& s)
{
    const auto* b = reinterpret_cast<const unsigned char*>(s.data());
    const size_t n = s.size();
    for (size_t i = 0; i < n;)
    {
        const unsigned char c = b[i];
        const size_t extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
        if (extra == 9 || i + extra >= n + (extra == 0))
            return false;
        unsigned v = c & (0x7F >> extra);
        for (size_t k = 1; k <= extra; ++k)
        {
            if ((b[i + k] >> 6) != 2)
                return false;
            v = (v << 6) | (b[i + k] & 0x3F);
        }
        static const unsigned least[] = {0, 0x80, 0x800, 0x10000};
        if (v < least[extra] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

} // namespace

bool ReadDelimited(const std::string& bytes, char separator, std::vector<DelimitedRecord>& records,
                   DelimitedProblem& problem)
{
    records.clear();
    size_t pos = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const size_t n = bytes.size();
    int line = 1;
    auto fail = [&](int atLine, int column, const std::string& message)
    {
        problem.line = atLine;
        problem.column = column;
        problem.message = message;
        return false;
    };
    auto atLineEnd = [&](size_t p)
    { return p < n && (bytes[p] == '\n' || (bytes[p] == '\r' && p + 1 < n && bytes[p + 1] == '\n')); };

    while (pos < n)
    {
        DelimitedRecord record;
        record.line = line;
        for (;;)
        {
            DelimitedField field;
            field.line = line;
            field.column = static_cast<int>(record.fields.size()) + 1;
            if (pos < n && bytes[pos] == '"')
            {
                ++pos;
                for (;;)
                {
                    if (pos >= n)
                        return fail(field.line, field.column,
                                    "引号没有结束：字段以 \" 开始，但文件结束前没有与之配对的 \"");
                    const char c = bytes[pos];
                    if (c == '"')
                    {
                        if (pos + 1 < n && bytes[pos + 1] == '"')
                        {
                            field.text += '"';
                            pos += 2;
                            continue;
                        }
                        ++pos;
                        break;
                    }
                    if (c == '\n')
                        ++line;
                    field.text += c;
                    ++pos;
                }
                if (pos < n && bytes[pos] != separator && !atLineEnd(pos))
                    return fail(line, field.column, "结束引号之后还有文字：带引号的字段中的 \" 要写成 \"\"");
            }
            else
            {
                const size_t start = pos;
                while (pos < n && bytes[pos] != separator && !atLineEnd(pos))
                {
                    if (bytes[pos] == '"')
                        return fail(line, field.column,
                                    "未加引号的字段中有 \"：含引号的字段要整个放在引号中，并把 \" 写成 \"\"");
                    ++pos;
                }
                field.text.assign(bytes, start, pos - start);
            }
            if (!ValidUtf8(field.text))
                return fail(field.line, field.column, "不是 UTF-8 文本：请以 UTF-8 编码保存文件");
            record.fields.push_back(std::move(field));
            if (pos < n && bytes[pos] == separator)
            {
                ++pos;
                continue;
            }
            if (pos < n)
            {
                pos += bytes[pos] == '\r' ? 2 : 1;
                ++line;
            }
            break;
        }
        const bool blank = record.fields.size() == 1 && record.fields[0].text.empty() &&
                           (record.fields[0].line == record.line);
        if (!blank)
            records.push_back(std::move(record));
    }
    return true;
}

char GuessSeparator(const std::string& path, const std::string& bytes)
{
    auto endsWith = [&](const char* suffix)
    {
        const std::string s(suffix);
        if (path.size() < s.size())
            return false;
        for (size_t i = 0; i < s.size(); ++i)
        {
            char c = path[path.size() - s.size() + i];
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
            if (c != s[i])
                return false;
        }
        return true;
    };
    if (endsWith(".tsv") || endsWith(".tab"))
        return '\t';
    if (endsWith(".csv"))
        return ',';
    const size_t end = bytes.find('\n');
    return bytes.substr(0, end).find('\t') != std::string::npos ? '\t' : ',';
}

void AppendDelimitedField(std::string& out, const std::string& utf8, char separator)
{
    const bool quote = utf8.find_first_of(std::string(1, separator) + "\"\r\n") != std::string::npos ||
                       (!utf8.empty() && (utf8.front() == ' ' || utf8.back() == ' '));
    if (!quote)
    {
        out += utf8;
        return;
    }
    out += '"';
    for (const char c : utf8)
    {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

} // namespace tarn
