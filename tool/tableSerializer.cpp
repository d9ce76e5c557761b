#include "tool/tableSerializer.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <fcntl.h>
#endif
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/arena.h"
#include "base/assert.h"

namespace tarn
{
namespace
{

constexpr char kSetFunction[] = "tarn::TableSerializer::set";
constexpr std::size_t kStreamBufferBytes = std::size_t(1) << 20;
// How much a save writes between two requests to start writing back to disk.
constexpr std::size_t kWritebackBytes = std::size_t(8) << 20;

// A failed check under a literal function name whose message is printf-formatted here (the report
// routine takes the message's format and arguments, not a va_list).
void Report(int line, const char* function, const char* expression, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

void Report(int line, const char* function, const char* expression, const char* format, ...)
{
    char message[1024];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(message, sizeof(message), format, ap);
    va_end(ap);
    scl::AssertReportMessage(__FILE__, function, line, expression, "%s", message);
    scl::detail::BreakIfDebugged();
}

inline bool EndsValue(char16_t c)
{
    return c == u'\t' || c == u'\r' || c == u'\n' || c == 0;
}

inline bool IsLineBreakOrTab(char16_t c)
{
    return c == u'\t' || c == u'\r' || c == u'\n';
}

// The first CR, LF or zero unit in [p, end), or end. Eight units at a time where SSE2 is there:
// rows are long and these units are rare.
inline char16_t* SkipToBreak(char16_t* p, char16_t* end)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi16(u'\r');
    const __m128i lf = _mm_set1_epi16(u'\n');
    const __m128i zero = _mm_setzero_si128();
    while (end - p >= 8)
    {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, cr), _mm_cmpeq_epi16(v, lf)),
                                         _mm_cmpeq_epi16(v, zero));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0)
            return p + __builtin_ctz(static_cast<unsigned>(mask)) / 2;
        p += 8;
    }
#endif
    while (p < end && *p != u'\r' && *p != u'\n' && *p != 0)
        ++p;
    return p;
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

// Splits [first, last) at "|" like a tokenizer: runs of bars are one separator, bars at either
// end give nothing.
template <class Add> void ForEachPiece(const char16_t* first, const char16_t* last, Add add)
{
    const char16_t* p = first;
    for (;;)
    {
        while (p < last && *p == u'|')
            ++p;
        if (p >= last)
            return;
        const char16_t* start = p;
        while (p < last && *p != u'|')
            ++p;
        add(start, p);
    }
}

} // namespace

TableSerializer::~TableSerializer()
{
    scl::big_buffer_free(m_readBuffer, m_readBufferBytes);
    m_readBuffer = nullptr;
    m_readBufferBytes = 0;
    m_bufferEnd = nullptr;
    m_readPos = nullptr;
    m_lineEnd = nullptr;
    m_lineStart = nullptr;
    m_prepared = false;
    m_mode = ModeIdle;
    m_file.Close();
    delete[] m_streamBuffer; // only now that the stream no longer uses it
    m_streamBuffer = nullptr;
}

// ---- opening ----------------------------------------------------------------------------------

void TableSerializer::OpenRead(const char16_t* path)
{
    if (m_file.IsOpen())
    {
        scl::detail::AssertFailedNamed(__FILE__, "scl::File::Open", __LINE__, "0");
        return;
    }
    m_path = scl::ToUtf8(path);
    errno = 0;
    m_file.Open(path, "a+b");
    if (!m_file.IsOpen() && (errno == EACCES || errno == EROFS))
        m_file.Open(path, "rb"); // "a+b" needs write access: a read-only file is still read
    if (!m_file.IsOpen())
    {
        SCL_ASSERT_MSG(false, "cannot open \"%s\" for reading", m_path.c_str());
        return;
    }
    m_hasMark = m_file.SkipBOM();
}

void TableSerializer::OpenWrite(const char16_t* path)
{
    if (m_file.IsOpen())
    {
        scl::detail::AssertFailedNamed(__FILE__, "scl::File::Open", __LINE__, "0");
        return;
    }
    m_path = scl::ToUtf8(path);
    m_file.Open(path, "wb+");
    if (!m_file.IsOpen())
    {
        SCL_ASSERT_MSG(false, "cannot open \"%s\" for writing", m_path.c_str());
        return;
    }
    // One write call per row goes into the stream's buffer; a large buffer turns a table's rows into
    // a few hundred system calls instead of one per 4 KiB.
    if (m_streamBuffer == nullptr)
        m_streamBuffer = new (std::nothrow) char[kStreamBufferBytes];
    if (m_streamBuffer != nullptr)
        std::setvbuf(m_file.Stream(), m_streamBuffer, _IOFBF, kStreamBufferBytes);
}

// ---- reading ----------------------------------------------------------------------------------

void TableSerializer::prepareRead()
{
    if (m_prepared)
        return;
    if (!m_file.IsOpen())
    {
        SCL_ASSERT(false);
        return;
    }
    scl::big_buffer_free(m_readBuffer, m_readBufferBytes);
    m_readBuffer = nullptr;
    m_readBufferBytes = 0;

    long long size = m_file.Size();
    if (size < 0)
        size = 0;
    const size_t bytes = static_cast<size_t>(size);
    const size_t capacity = bytes / 2 + 2; // units: room for every byte, then at least one zero unit
    m_readBuffer = static_cast<char16_t*>(scl::big_buffer_allocate(capacity * sizeof(char16_t)));
    if (!SCL_ASSERT_MSG(m_readBuffer != nullptr, "no memory to read \"%s\" (%lld bytes)", m_path.c_str(),
                        size))
        return;
    m_readBufferBytes = capacity * sizeof(char16_t);
    const size_t got = bytes > 0 ? m_file.Read(m_readBuffer, bytes) : 0;
    // Clear what the read did not fill (clearing the whole buffer first would touch it twice).
    std::memset(reinterpret_cast<char*>(m_readBuffer) + got, 0, capacity * sizeof(char16_t) - got);
    if (got % 2 != 0)
        Report(__LINE__, "tarn::TableSerializer::prepareRead", "got % 2 == 0",
               "\"%s\" holds an odd number of bytes: the last byte is ignored", m_path.c_str());
    const size_t units = got / 2;
    m_readBuffer[units] = 0; // also clears the odd byte's half unit
    m_bufferEnd = m_readBuffer + units;
    m_readPos = m_readBuffer;
    m_lineStart = nullptr;
    m_lineEnd = nullptr;
    m_prepared = true;
}

int TableSerializer::LineCount() const
{
    if (!m_prepared || m_readBuffer == nullptr)
        return 0;
    // scl::File counts lines as reads of at most kLineUnits units that stop after an LF would: a
    // stretch of n units that ends in an LF (or the text) makes ceil(n / kLineUnits) lines. The
    // mark, when the file has one, is the first unit of the first stretch.
    constexpr std::ptrdiff_t kLineUnits = 16383;
    const char16_t* const begin = m_readBuffer;
    const char16_t* const end = m_bufferEnd;
    const std::ptrdiff_t mark = m_hasMark ? 1 : 0;

    // Fast path: count the LFs in blocks of 4096 units. When every whole block holds one, no
    // stretch can reach kLineUnits (it would contain a whole block), so each stretch is one line.
    constexpr std::ptrdiff_t kBlock = 4096;
    long long lfs = 0;
    bool blockWithoutLf = false;
    const char16_t* p = begin;
    for (; end - p >= kBlock; p += kBlock)
    {
        int n = 0;
        for (std::ptrdiff_t i = 0; i < kBlock; ++i)
            n += p[i] == u'\n';
        blockWithoutLf = blockWithoutLf || n == 0;
        lfs += n;
    }
    if (!blockWithoutLf)
    {
        for (; p < end; ++p)
            lfs += *p == u'\n';
        const char16_t* last = end;
        while (last > begin && last[-1] != u'\n')
            --last;
        // What follows the last LF (or the whole text with its mark, when there is no LF).
        const std::ptrdiff_t rest = (end - last) + (lfs == 0 ? mark : 0);
        const long long lines = lfs + (rest > 0 ? 1 : 0);
        return lines > 0x7fffffff ? 0x7fffffff : static_cast<int>(lines);
    }

    // Some stretch may be long: walk stretch by stretch.
    long long lines = 0;
    const char16_t* start = begin;
    std::ptrdiff_t carried = mark;
    for (p = begin; p < end; ++p)
    {
        if (*p == u'\n')
        {
            const std::ptrdiff_t n = (p + 1 - start) + carried;
            lines += (n + kLineUnits - 1) / kLineUnits;
            start = p + 1;
            carried = 0;
        }
    }
    const std::ptrdiff_t n = (end - start) + carried;
    lines += (n + kLineUnits - 1) / kLineUnits;
    return lines > 0x7fffffff ? 0x7fffffff : static_cast<int>(lines);
}

bool TableSerializer::NextLine()
{
    prepareRead();
    if (!m_prepared)
        return false;
    for (;;)
    {
        char16_t* start;
        if (m_lineEnd == nullptr)
            start = m_readBuffer;
        else if (m_lineEnd < m_bufferEnd)
            start = m_lineEnd + 2; // past the CR LF
        else
        {
            // The last line had no CR LF: the text is exhausted, now and for every later call.
            m_lineStart = m_bufferEnd;
            m_readPos = m_bufferEnd;
            m_readIssues = ReadIssues();
            m_valueIndex = 0;
            return false;
        }
        ++m_lineNumber;

        // Find the CR LF that ends the line, counting lone CR, LF and zero units on the way.
        int stray = 0;
        char16_t* p = start;
        for (;; ++p)
        {
            p = SkipToBreak(p, m_bufferEnd);
            if (p >= m_bufferEnd)
                break;
            if (*p == u'\r' && p + 1 < m_bufferEnd && p[1] == u'\n')
                break;
            ++stray; // a lone CR, an LF or a zero unit
        }
        m_lineStart = start;
        m_readPos = start;
        m_lineEnd = p;
        m_readIssues = ReadIssues();
        m_valueIndex = 0;

        if (p > start && *start == u'#')
            continue; // a comment line
        m_readIssues.strayBreaks = stray;
        m_readIssues.longLine = p - start > kMaxRowText;
        return p > start;
    }
}

char16_t* TableSerializer::NextToken()
{
    if (m_lineEnd == nullptr || m_readPos == nullptr || m_readPos >= m_lineEnd)
        return nullptr;
    char16_t* const start = m_readPos;
    char16_t* p = start;
    // Stops at m_lineEnd at the latest: it holds the CR of the line's CR LF or the final zero.
    while (!EndsValue(*p))
        ++p;
    m_savedChar = *p;
    *p = 0;
    m_readPos = p;
    return start;
}

void TableSerializer::FinishToken()
{
    if (m_readPos == nullptr)
        return;
    *m_readPos = m_savedChar;
    ++m_readPos;
}

int TableSerializer::ExtraValueCount() const
{
    if (m_lineEnd == nullptr || m_readPos == nullptr)
        return 0;
    int count = 0;
    const char16_t* p = m_readPos;
    while (p < m_lineEnd)
    {
        const char16_t* start = p;
        while (!EndsValue(*p))
            ++p;
        if (p > start)
            ++count;
        ++p;
    }
    return count;
}

void TableSerializer::noteNumber(bool exact, bool empty)
{
    if (empty)
        ++m_readIssues.emptyNumbers;
    else if (!exact)
        ++m_readIssues.inexactNumbers;
}

bool TableSerializer::readyToTransfer(int line)
{
    if ((!m_building && !m_file.IsOpen()) || (m_mode != ModeRead && m_mode != ModeWrite))
    {
        scl::detail::AssertFailedNamed(__FILE__, kSetFunction, line, "0");
        return false;
    }
    ++m_valueIndex;
    if (m_mode == ModeRead && m_valueIndex == 1 && m_readIssues.longLine && m_lineEnd != nullptr)
        Report(line, kSetFunction, "m_lineEnd - m_lineStart <= kMaxRowText",
               "%s:%d: row of %d characters: a save keeps only the first %d", m_path.c_str(), m_lineNumber,
               static_cast<int>(m_lineEnd - m_lineStart), kMaxRowText);
    return true;
}

// ---- writing ----------------------------------------------------------------------------------

void TableSerializer::appendText(const char16_t* text, int count, bool replaceSeparators)
{
    const int room = kMaxRowText - m_writeLength;
    int n = count;
    if (n > room)
    {
        n = text::CutLength(text, count, room);
        if (!m_writeIssues.cutRow && !m_building)
            Report(__LINE__, kSetFunction,
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
                Report(__LINE__, kSetFunction, "no tab, CR or LF in the value",
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

void TableSerializer::appendSeparator(char16_t separator)
{
    if (m_writeLength >= kMaxRowText)
        return;
    m_writeBuffer.data()[m_writeLength++] = separator;
    m_writeBuffer.data()[m_writeLength] = 0;
}

void TableSerializer::appendNumber(const char16_t* number, int count)
{
    appendText(number, count, false);
}

void TableSerializer::writeLine(const char16_t* text, int count)
{
    if (!m_file.Write(text, count) && !m_writeFailed)
    {
        Report(__LINE__, "tarn::TableSerializer::WriteRow", "m_file.Write(text, count)",
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
    for (int i = 0; i < count; ++i)
    {
        if (cells[i] != nullptr)
            cells[i]->Serialize(*this);
        else if (m_building || m_file.IsOpen())
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
            Report(__LINE__, "tarn::TableSerializer::WriteRow", "text[0] != u'#'",
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

// ---- set --------------------------------------------------------------------------------------

// A list both ways: the next value of the line is split at "|" and each piece appended after the
// elements the list already holds (a piece beyond its capacity is reported under `pushName` and
// dropped), or the elements are written joined by "|".
template <class T, class Parse, class Format>
ISerializer& TableSerializer::transferList(scl::parray<T>& values, int line, const char* pushName,
                                           Parse parse, Format format)
{
    if (!readyToTransfer(line))
        return *this;
    if (m_mode == ModeRead)
    {
        const char16_t* token = NextToken();
        if (token == nullptr)
            return *this;
        ForEachPiece(token, m_readPos,
                     [&](const char16_t* first, const char16_t* last)
                     {
                         T v{};
                         noteNumber(parse(first, last, v), false);
                         if (values.m_count >= values.m_capacity)
                         {
                             scl::detail::AssertFailedNamed(__FILE__, pushName, __LINE__, "0");
                             ++m_readIssues.droppedElements;
                             return;
                         }
                         values.m_data[values.m_count++] = v;
                     });
        FinishToken();
        return *this;
    }
    for (int i = 0; i < values.m_count; ++i)
    {
        char16_t number[text::kNumberTextCapacity];
        appendNumber(number, format(number, values.m_data[i]));
        if (i + 1 < values.m_count)
            appendSeparator(u'|');
    }
    appendSeparator(u'\t');
    return *this;
}

ISerializer& TableSerializer::set(scl::parray<float>& values)
{
    return transferList(
        values, __LINE__, "scl::parray<float>::push_back",
        [](const char16_t* first, const char16_t* last, float& v)
        { return text::ParseFloat(first, last, v); },
        [](char16_t* text, float v) { return text::FormatFloat(text, v); });
}

ISerializer& TableSerializer::set(scl::parray<int>& values)
{
    return transferList(
        values, __LINE__, "scl::parray<int>::push_back",
        [](const char16_t* first, const char16_t* last, int& v) { return text::ParseInt32(first, last, v); },
        [](char16_t* text, int v) { return text::FormatInt32(text, v); });
}

ISerializer& TableSerializer::set(scl::pstringT<char16_t>& value)
{
    if (!readyToTransfer(__LINE__))
        return *this;
    if (m_mode == ModeRead)
    {
        const char16_t* token = NextToken();
        if (token == nullptr)
            return *this;
        const int length = static_cast<int>(m_readPos - token);
        if (value.m_ptr != nullptr && value.m_maxCount > 0)
        {
            const int n = text::CutLength(token, length, value.m_maxCount - 1);
            std::memcpy(value.m_ptr, token, sizeof(char16_t) * static_cast<size_t>(n));
            value.m_ptr[n] = 0;
            // The units after the terminator stay zero, as a fixed string keeps them: clear what
            // is left of a longer earlier value (nothing, for a new cell).
            for (int i = n + 1; i < value.m_maxCount && value.m_ptr[i] != 0; ++i)
                value.m_ptr[i] = 0;
            if (n < length)
            {
                Report(__LINE__, kSetFunction, "length < value.m_maxCount",
                       "%s:%d: value %d: string of %d characters cut to %d", m_path.c_str(), m_lineNumber,
                       m_valueIndex, length, n);
                ++m_readIssues.cutValues;
            }
        }
        FinishToken();
        return *this;
    }
    const int length = value.length(); // bounded by the buffer's capacity
    int n = length;
    if (n > kMaxStringText)
    {
        n = text::CutLength(value.m_ptr, length, kMaxStringText);
        if (!m_building)
            Report(__LINE__, kSetFunction, "length <= kMaxStringText",
                   "%s: row %d, value %d: string of %d characters cut to %d", m_path.c_str(),
                   m_rowsWritten + 1, m_valueIndex, length, n);
        ++m_writeIssues.cutValues;
    }
    appendText(value.m_ptr, n, true);
    appendSeparator(u'\t');
    return *this;
}

// One number in the serializer's direction: the next value of the line is parsed into `value`
// (an empty value leaves it), or `value`'s text is appended to the row being written.
template <class T, class Parse, class Format>
ISerializer& TableSerializer::transferNumber(T& value, int line, Parse parse, Format format)
{
    if (!readyToTransfer(line))
        return *this;
    if (m_mode == ModeRead)
    {
        const char16_t* token = NextToken();
        if (token == nullptr)
            return *this;
        noteNumber(parse(token, m_readPos, value), token == m_readPos);
        FinishToken();
        return *this;
    }
    char16_t number[text::kNumberTextCapacity];
    appendNumber(number, format(number, value));
    appendSeparator(u'\t');
    return *this;
}

ISerializer& TableSerializer::set(float& value)
{
    return transferNumber(
        value, __LINE__,
        [](const char16_t* token, const char16_t* end, float& v) { return text::ParseFloat(token, end, v); },
        [](char16_t* text, float v) { return text::FormatFloat(text, v); });
}

ISerializer& TableSerializer::set(std::uint64_t& value)
{
    return transferNumber(
        value, __LINE__,
        [](const char16_t* token, const char16_t* end, std::uint64_t& v)
        { return text::ParseUInt64(token, end, v); },
        [](char16_t* text, std::uint64_t v) { return text::FormatUInt64(text, v); });
}

ISerializer& TableSerializer::set(std::int64_t& value)
{
    return transferNumber(
        value, __LINE__,
        [](const char16_t* token, const char16_t* end, std::int64_t& v)
        { return text::ParseInt64(token, end, v); },
        [](char16_t* text, std::int64_t v) { return text::FormatInt64(text, v); });
}

ISerializer& TableSerializer::set(std::uint32_t& value)
{
    return transferNumber(
        value, __LINE__,
        [](const char16_t* token, const char16_t* end, std::uint32_t& v)
        { return text::ParseUInt32(token, end, v); },
        [](char16_t* text, std::uint32_t v) { return text::FormatUInt32(text, v); });
}

ISerializer& TableSerializer::set(std::int32_t& value)
{
    return transferNumber(
        value, __LINE__,
        [](const char16_t* token, const char16_t* end, std::int32_t& v)
        { return text::ParseInt32(token, end, v); },
        [](char16_t* text, std::int32_t v) { return text::FormatInt32(text, v); });
}

} // namespace tarn
