// Writing a row: its cells formatted by a switch on their type into one line (values, tabs, CR LF,
// with the cuts and replacements that keep the file's structure), written with one write call.
#include <cstddef>
#include <cstdio>
#include <cstring>

#if defined(__linux__)
#include <fcntl.h>
#endif
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/assert.h"
#include "tool/tableSerializer.h"
#include "tool/tableSerializerInternal.h"

namespace tarn
{
namespace
{

// How much a save writes between two requests to start writing back to disk.
constexpr std::size_t kWritebackBytes = std::size_t(8) << 20;

inline bool IsLineBreakOrTab(char16_t c)
{
    return c == u'\t' || c == u'\r' || c == u'\n';
}

// How many of the first n units of text hold no tab, CR or LF (n when none does).
inline int PlainPrefix(const char16_t* text, int n)
{
    int i = 0;
#if defined(__SSE2__)
    const __m128i tab = _mm_set1_epi16(u'\t');
    const __m128i cr = _mm_set1_epi16(u'\r');
    const __m128i lf = _mm_set1_epi16(u'\n');
    for (; n - i >= 8; i += 8)
    {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, tab), _mm_cmpeq_epi16(v, cr)),
                                         _mm_cmpeq_epi16(v, lf));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0)
            return i + __builtin_ctz(static_cast<unsigned>(mask)) / 2;
    }
#endif
    while (i < n && !IsLineBreakOrTab(text[i]))
        ++i;
    return i;
}

} // namespace

using serializer::kSetFunction;
using serializer::Report;

// ---- writing ----------------------------------------------------------------------------------

void TableSerializer::appendText(const char16_t* text, int count, bool replaceSeparators)
{
    const int room = kMaxRowText - m_writeLength;
    int n = count;
    if (n > room)
    {
        n = text::CutLength(text, count, room);
        if (!m_writeIssues.cutRow && !m_building)
            Report(__FILE__, __LINE__, kSetFunction,
                   replaceSeparators ? "length <= kMaxRowText - m_writeLength"
                                     : "m_writeBuffer.max_size() - m_writeBuffer.length() > temp.length()",
                   "%s: row %d: text longer than %d characters: cut at value %d", m_path.c_str(),
                   m_rowsWritten + 1, kMaxRowText, m_valueIndex);
        m_writeIssues.cutRow = true;
    }
    char16_t* out = m_writeBuffer.data() + m_writeLength;
    if (replaceSeparators)
    {
        bool replaced = false;
        // Values rarely hold a tab, CR or LF: copy the plain part at once.
        const int plain = PlainPrefix(text, n);
        if (plain > 0)
            std::memcpy(out, text, sizeof(char16_t) * static_cast<size_t>(plain));
        for (int i = plain; i < n; ++i)
        {
            char16_t c = text[i];
            if (IsLineBreakOrTab(c))
            {
                c = u' ';
                replaced = true;
            }
            out[i] = c;
        }
        if (replaced)
        {
            if (!m_building)
                Report(__FILE__, __LINE__, kSetFunction, "no tab, CR or LF in the value",
                       "%s: row %d, value %d: tab, CR or LF written as a space", m_path.c_str(),
                       m_rowsWritten + 1, m_valueIndex);
            ++m_writeIssues.replacedSeparators;
        }
    }
    else if (n > 0)
        std::memcpy(out, text, sizeof(char16_t) * static_cast<size_t>(n));
    m_writeLength += n;
    m_writeBuffer.data()[m_writeLength] = 0;
}

void TableSerializer::writeLine(const char16_t* text, int count)
{
    if (!m_file.Write(text, count) && !m_writeFailed)
    {
        Report(__FILE__, __LINE__, "tarn::TableSerializer::WriteRow", "m_file.Write(text, count)",
               "%s: writing row %d failed", m_path.c_str(), m_rowsWritten + 1);
        m_writeFailed = true;
    }
    m_unwrittenBackBytes += 2 * static_cast<std::size_t>(count);
    if (m_unwrittenBackBytes >= kWritebackBytes)
        startWriteback();
}

void TableSerializer::startWriteback()
{
    m_unwrittenBackBytes = 0;
#if defined(__linux__)
    // Asks the system to start writing to disk what the stream has handed over so far, without
    // waiting for it: the flush to disk that ends a save then finds most of a large file written
    // already instead of writing all of it at that moment.
    if (FILE* stream = m_file.Stream())
        ::sync_file_range(::fileno(stream), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

void TableSerializer::buildRow(Cell* const* cells, int count, bool forFile)
{
    m_mode = ModeWrite;
    m_writeLength = 0;
    m_writeBuffer.data()[0] = 0;
    m_writeIssues = WriteIssues();
    m_valueIndex = 0;
    if (cells == nullptr || count <= 0)
        return;

    m_building = !forFile;
    const bool ready = m_building || m_file.IsOpen();
    for (int i = 0; i < count; ++i)
    {
        if (cells[i] != nullptr && ready)
        {
            ++m_valueIndex;
            writeCell(*cells[i]);
        }
        else if (cells[i] != nullptr)
            cells[i]->Serialize(*this); // reports that there is no file
        else if (ready)
        {
            ++m_valueIndex;
            appendSeparator(u'\t'); // a missing cell keeps its column, empty
        }
    }
    m_building = false;
    if (m_writeLength == 0)
        return; // no file: every set reported already

    // The final tab becomes CR LF; a row cut at 4095 units (no final tab) still gets its CR LF.
    // A row that is a lone empty value keeps its tab: an empty line would end the rows on reading.
    char16_t* text = m_writeBuffer.data();
    int length = m_writeLength;
    if (length > 1 && text[length - 1] == u'\t')
        --length;

    // A line starting with "#" would be read back as a comment and the row lost: put a space in
    // front of the first value.
    if (text[0] == u'#')
    {
        if (forFile)
            Report(__FILE__, __LINE__, "tarn::TableSerializer::WriteRow", "text[0] != u'#'",
                   "%s: row %d: the first value starts with \"#\": written with a space in front, so that "
                   "the line is not read as a comment",
                   m_path.c_str(), m_rowsWritten + 1);
        m_writeIssues.hashGuard = true;
        if (length > kMaxRowText - 1)
            length = text::CutLength(text, length, kMaxRowText - 1);
        std::memmove(text + 1, text, sizeof(char16_t) * static_cast<size_t>(length));
        text[0] = u' ';
        ++length;
    }
    text[length] = u'\r';
    text[length + 1] = u'\n';
    text[length + 2] = 0;
    m_writeLength = length + 2;
}

void TableSerializer::WriteRow(Cell* const* cells, int count)
{
    buildRow(cells, count, true);
    if (m_writeLength == 0)
        return;
    writeLine(m_writeBuffer.data(), m_writeLength);
    ++m_rowsWritten;
    m_writeLength = 0;
    m_writeBuffer.data()[0] = 0;
}

bool TableSerializer::BuildRow(Cell* const* cells, int count)
{
    buildRow(cells, count, false);
    return !m_writeIssues.any();
}

bool TableSerializer::WriteText(const char16_t* text, int count)
{
    if (!SCL_ASSERT(m_file.IsOpen()))
        return false;
    const bool ok = m_file.Write(text, count);
    if (!ok)
        m_writeFailed = true;
    return ok;
}

// Kept out of line, as when the serializer was one source: inlined into writeCell it made writing
// a row about 1.5 % more instructions (every cell pays for the bigger function, not only lists).
template <class T, class Format>
__attribute__((noinline)) void TableSerializer::writeList(const T* values, int count, Format format)
{
    for (int i = 0; i < count; ++i)
    {
        char16_t number[text::kNumberTextCapacity];
        appendNumber(number, format(number, values[i]));
        if (i + 1 < count)
            appendSeparator(u'|');
    }
    appendSeparator(u'\t');
}

template void TableSerializer::writeList<int, int (*)(char16_t*, int)>(const int*, int,
                                                                       int (*)(char16_t*, int));
template void TableSerializer::writeList<float, int (*)(char16_t*, float)>(const float*, int,
                                                                           int (*)(char16_t*, float));

void TableSerializer::writeString(const char16_t* value, int length)
{
    int n = length;
    if (n > kMaxStringText)
    {
        n = text::CutLength(value, length, kMaxStringText);
        if (!m_building)
            Report(__FILE__, __LINE__, kSetFunction, "length <= kMaxStringText",
                   "%s: row %d, value %d: string of %d characters cut to %d", m_path.c_str(),
                   m_rowsWritten + 1, m_valueIndex, length, n);
        ++m_writeIssues.cutValues;
    }
    appendText(value, n, true);
    appendSeparator(u'\t');
}

void TableSerializer::writeCell(Cell& cell)
{
    switch (cell.Type())
    {
    case FIELD_TYPE_INT:
        writeNumber(static_cast<IntCell&>(cell).m_value, text::FormatInt32);
        break;
    case FIELD_TYPE_UINT:
        writeNumber(static_cast<UIntCell&>(cell).m_value, text::FormatUInt32);
        break;
    case FIELD_TYPE_INT64:
        writeNumber(static_cast<Int64Cell&>(cell).m_value, text::FormatInt64);
        break;
    case FIELD_TYPE_UINT64:
        writeNumber(static_cast<UInt64Cell&>(cell).m_value, text::FormatUInt64);
        break;
    case FIELD_TYPE_FLOAT:
        writeNumber(static_cast<FloatCell&>(cell).m_value, text::FormatFloat);
        break;
    case FIELD_TYPE_STRING:
    {
        StringCell& string = static_cast<StringCell&>(cell);
        writeString(string.GetString(), string.Length());
        break;
    }
    case FIELD_TYPE_STRING_INT:
    {
        const StringIntCell& list = static_cast<StringIntCell&>(cell);
        writeList(list.Values(), list.Count(), text::FormatInt32);
        break;
    }
    case FIELD_TYPE_STRING_FLOAT:
    {
        const StringFloatCell& list = static_cast<StringFloatCell&>(cell);
        writeList(list.Values(), list.Count(), text::FormatFloat);
        break;
    }
    default:
        --m_valueIndex; // counted again by the cell's own transfer
        cell.Serialize(*this);
        break;
    }
}

} // namespace tarn
