#include "tool/tableFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <sys/stat.h>

#include "base/string.h"
#include "tool/cell.h"

namespace tarn
{
namespace editor
{
namespace detail
{

std::string Quote(const char16_t* s, int length)
{
    constexpr int kShown = 200;
    std::u16string out;
    const int n = length < kShown ? length : text::CutLength(s, length, kShown);
    for (int i = 0; i < n; ++i)
    {
        const char16_t c = s[i];
        if (c == u'\t')
            out += u"\\t";
        else if (c == u'\r')
            out += u"\\r";
        else if (c == u'\n')
            out += u"\\n";
        else if (c < 0x20)
        {
            char esc[8];
            std::snprintf(esc, sizeof(esc), "\\x%02X", static_cast<unsigned>(c));
            for (const char* p = esc; *p; ++p)
                out += static_cast<char16_t>(*p);
        }
        else
            out += c;
    }
    if (n < length)
        out += u"...";
    return "\"" + scl::ToUtf8(out.c_str()) + "\"";
}

std::string Quote(const char16_t* s)
{
    return Quote(s, scl::str_length(s));
}

std::string SystemError(int err)
{
    return err != 0 ? std::string(std::strerror(err)) : std::string("unknown error");
}

void BuildPath(char16_t (&path)[kPathUnits], const char16_t* name, const char16_t* suffix)
{
    int n = 0;
    for (; name != nullptr && name[n] != 0 && n < kPathUnits - 1; ++n)
        path[n] = name[n];
    for (int i = 0; suffix != nullptr && suffix[i] != 0 && n < kPathUnits - 1; ++i)
        path[n++] = suffix[i];
    path[n] = 0;
}

bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return false;
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof(chunk), f)) > 0)
        bytes.append(chunk, got);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

std::string ProbeDataFile(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
    {
        if (errno == ENOENT || errno == ENOTDIR)
            return "the data file does not exist";
        return "cannot access the data file: " + SystemError(errno);
    }
    if (!S_ISREG(st.st_mode))
        return "the data file is not a regular file";
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return "cannot open the data file: " + SystemError(errno);
    unsigned char mark[2] = {0, 0};
    const size_t got = std::fread(mark, 1, 2, f);
    std::fclose(f);
    if (got < 2 || mark[0] != 0xFF || mark[1] != 0xFE)
    {
        if (got == 2 && mark[0] == 0xFE && mark[1] == 0xFF)
            return "the data file is UTF-16 big-endian (starts with FE FF); only UTF-16 little-endian "
                   "(FF FE) can be saved back faithfully";
        return "the data file does not start with the UTF-16 little-endian byte-order mark FF FE";
    }
    if (st.st_size % 2 != 0)
        return "the data file holds an odd number of bytes, so it is not UTF-16 text";
    return std::string();
}

std::string StructureProblem(const char16_t* text, const char16_t* end, int* line)
{
    *line = 0;
    const char16_t* firstLf = text;
    while (firstLf < end && *firstLf != u'\n')
        ++firstLf;
    if (firstLf < end && (firstLf == text || firstLf[-1] != u'\r'))
    {
        bool anyCrLf = false;
        for (const char16_t* p = firstLf + 1; p < end; ++p)
        {
            if (*p == u'\n' && p[-1] == u'\r')
            {
                anyCrLf = true;
                break;
            }
        }
        if (!anyCrLf)
        {
            *line = 1;
            return "the lines end in LF alone, not CR LF: the file would be read as a single line and a "
                   "save would destroy it; convert its line ends to CR LF";
        }
    }

    // The header: the first two lines that are not comment lines, as the reader takes them.
    int total = 0;
    int lineNumber = 0;
    int headerLines = 0;
    const char16_t* p = text;
    while (headerLines < 2 && p < end)
    {
        const char16_t* start = p;
        while (p < end && !(*p == u'\r' && p + 1 < end && p[1] == u'\n'))
            ++p;
        ++lineNumber;
        const bool comment = p > start && *start == u'#';
        // Inside the header (comment lines before it included) a lone CR or LF would make the
        // reader take rows into a header line, or a row or header line for another header line.
        for (const char16_t* c = start; c < p; ++c)
        {
            if (*c != u'\r' && *c != u'\n')
                continue;
            *line = lineNumber;
            return std::string("a lone ") + (*c == u'\r' ? "CR (U+000D)" : "LF (U+000A)") + " inside " +
                   (comment ? std::string("a comment line before the header lines")
                            : "header line " + std::to_string(headerLines + 1)) +
                   ": only CR LF ends a line, so the header lines and the rows would be read wrongly and a "
                   "save would damage the file; convert its line ends to CR LF";
        }
        if (!comment)
        {
            total += static_cast<int>(p - start) + 2;
            ++headerLines;
        }
        p = p < end ? p + 2 : end;
    }
    total += (2 - headerLines) * 2;
    if (total > kHeaderMax)
    {
        *line = lineNumber;
        return "the two header lines hold " + std::to_string(total) +
               " characters with their line ends; at most " + std::to_string(kHeaderMax) + " fit";
    }
    return std::string();
}

int XmlLine(const std::string& path, std::ptrdiff_t offset)
{
    if (offset < 0)
        return 0;
    std::string bytes;
    if (!ReadWholeFile(path, bytes))
        return 0;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t size = bytes.size();
    int line = 1;
    const bool utf16le = size >= 2 && b[0] == 0xFF && b[1] == 0xFE;
    const bool utf16be = size >= 2 && b[0] == 0xFE && b[1] == 0xFF;
    if (!utf16le && !utf16be)
    {
        for (size_t i = 0; i < size && static_cast<std::ptrdiff_t>(i) < offset; ++i)
            line += b[i] == '\n';
        return line;
    }
    // The parser works on the text converted to UTF-8 (the mark included), so walk the units and
    // add up their UTF-8 lengths until the offset is reached.
    std::ptrdiff_t utf8 = 0;
    for (size_t i = 0; i + 1 < size && utf8 < offset; i += 2)
    {
        const unsigned unit = utf16le ? (b[i] | (b[i + 1] << 8)) : ((b[i] << 8) | b[i + 1]);
        if (unit == u'\n')
            ++line;
        utf8 += unit < 0x80                          ? 1
                : unit < 0x800                       ? 2
                : (unit >= 0xD800 && unit <= 0xDBFF) ? 4
                : (unit >= 0xDC00 && unit <= 0xDFFF) ? 0
                                                     : 3;
    }
    return line;
}

} // namespace detail
} // namespace editor
} // namespace tarn
