#include "tool/tableSerializer.h"

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdint>
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
#include "tool/textScan.h"

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
    ReleaseReadBuffer().release();
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

scl::BigBuffer TableSerializer::ReleaseReadBuffer()
{
    scl::BigBuffer buffer;
    buffer.m_data = m_readBuffer;
    buffer.m_bytes = m_readBufferBytes;
    m_readBuffer = nullptr;
    m_readBufferBytes = 0;
    return buffer;
}

void TableSerializer::DiscardText(const char16_t* from, const char16_t* to)
{
    scl::big_buffer_discard(m_readBuffer, m_readBufferBytes, const_cast<char16_t*>(from),
                            const_cast<char16_t*>(to));
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
        const std::size_t n = scan::CountLineFeeds(p, p + kBlock);
        blockWithoutLf = blockWithoutLf || n == 0;
        lfs += static_cast<long long>(n);
    }
    if (!blockWithoutLf)
    {
        lfs += static_cast<long long>(scan::CountLineFeeds(p, end));
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
            p = scan::FindBreak(p, m_bufferEnd);
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
    // Stops at m_lineEnd at the latest: it holds the CR of the line's CR LF or the final zero.
    char16_t* const p = scan::FindValueEnd(start, m_bufferEnd + 1);
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

// ---- one value each way -------------------------------------------------------------------------

// The next value of the line into `value` (an empty or missing value leaves it as it is).
template <class T, class Parse> void TableSerializer::readNumber(T& value, Parse parse)
{
    const char16_t* token = NextToken();
    if (token == nullptr)
        return;
    noteNumber(parse(token, m_readPos, value), token == m_readPos);
    FinishToken();
}

// The next value of the line split at "|", each piece appended after the count values that
// values[0, capacity) holds already (a piece beyond the capacity is reported under pushName and
// dropped). False when the line has no value left (nothing changes).
template <class T, class Parse>
bool TableSerializer::readList(T* values, int& count, int capacity, int line, const char* pushName,
                               Parse parse)
{
    const char16_t* token = NextToken();
    if (token == nullptr)
        return false;
    ForEachPiece(token, m_readPos,
                 [&](const char16_t* first, const char16_t* last)
                 {
                     T v{};
                     noteNumber(parse(first, last, v), false);
                     if (count >= capacity)
                     {
                         scl::detail::AssertFailedNamed(__FILE__, pushName, line, "0");
                         ++m_readIssues.droppedElements;
                         return;
                     }
                     values[count++] = v;
                 });
    FinishToken();
    return true;
}

// The next value of the line as a string of at most maxLength units: its start and length (cut,
// with a report, where it is longer). Null when the line has no value left. The value's
// terminator stays replaced by a zero until FinishToken.
const char16_t* TableSerializer::readStringToken(int maxLength, int& length)
{
    const char16_t* token = NextToken();
    if (token == nullptr)
        return nullptr;
    const int full = static_cast<int>(m_readPos - token);
    length = text::CutLength(token, full, maxLength);
    if (length < full)
    {
        Report(__LINE__, kSetFunction, "length < value.m_maxCount",
               "%s:%d: value %d: string of %d characters cut to %d", m_path.c_str(), m_lineNumber,
               m_valueIndex, full, length);
        ++m_readIssues.cutValues;
    }
    return token;
}

template <class T, class Format> void TableSerializer::writeList(const T* values, int count, Format format)
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

void TableSerializer::writeString(const char16_t* value, int length)
{
    int n = length;
    if (n > kMaxStringText)
    {
        n = text::CutLength(value, length, kMaxStringText);
        if (!m_building)
            Report(__LINE__, kSetFunction, "length <= kMaxStringText",
                   "%s: row %d, value %d: string of %d characters cut to %d", m_path.c_str(),
                   m_rowsWritten + 1, m_valueIndex, length, n);
        ++m_writeIssues.cutValues;
    }
    appendText(value, n, true);
    appendSeparator(u'\t');
}

template <class Format, class T> void TableSerializer::writeNumber(T value, Format format)
{
    char16_t number[text::kNumberTextCapacity];
    appendNumber(number, format(number, value));
    appendSeparator(u'\t');
}

// ---- the table's rows, cell by cell without a virtual call ------------------------------------------

namespace
{

// The run of decimal digits at p (the text after it holds a unit that is no digit: every line
// ends in CR or the text's final zero). value is exact for up to 19 digits.
struct DigitRun
{
    const char16_t* end;
    std::uint64_t value;
    int count;
};

inline DigitRun ScanDigits(const char16_t* p)
{
    std::uint64_t v = 0;
    const char16_t* q = p;
    unsigned d;
    while ((d = static_cast<unsigned>(*q) - u'0') < 10u)
    {
        v = v * 10 + d;
        ++q;
    }
    return DigitRun{q, v, static_cast<int>(q - p)};
}

// The integer's form check for text that is an optional "-" and digits: "0" or no leading zero,
// never "-0", a minus sign only for a signed type.
inline bool IntegerDigitsInForm(bool negative, bool sign, const DigitRun& digits, const char16_t* text)
{
    return (!negative || sign) && (text[negative ? 1 : 0] != u'0' || (digits.count == 1 && !negative));
}

// "%f"'s shape at p -- an optional "-", one to nine digits, ".", six digits -- followed by a unit
// for which `after` holds: its float (exactly what text::ParseFloat gives for it: the digits make
// an integer below 2^53, divided by 10^6 in one correctly rounded step, then narrowed) and whether
// the text is the writer's form of that float. Null when the text has another shape.
template <class After>
inline const char16_t* ReadMillionths(const char16_t* p, After after, float& value, bool& inForm)
{
    const bool negative = *p == u'-';
    const DigitRun whole = ScanDigits(p + (negative ? 1 : 0));
    if (whole.count == 0 || whole.count > 9 || *whole.end != u'.')
        return nullptr;
    const DigitRun fraction = ScanDigits(whole.end + 1);
    if (fraction.count != 6 || !after(*fraction.end))
        return nullptr;
    const std::uint64_t millionths = whole.value * 1000000u + fraction.value;
    const double x = static_cast<double>(millionths) / 1e6;
    value = static_cast<float>(negative ? -x : x);
    std::uint64_t scaled;
    inForm = (whole.count == 1 || p[negative ? 1 : 0] != u'0') && std::signbit(value) == negative &&
             text::ScaledMillionths(value, scaled) && scaled == millionths;
    return fraction.end;
}

inline bool EndsListPiece(char16_t c)
{
    return c == u'|' || EndsValue(c);
}

// The writer's form of an integer that was read exactly -- [first, last) is white space, an
// optional sign and digits, nothing else: "0", or digits without a leading zero after a minus
// sign where the type has one; never "-0", "+1", " 1" or "01". The first units decide.
bool IsIntegerForm(const char16_t* first, const char16_t* last, bool sign)
{
    const char16_t* p = first;
    if (sign && *p == u'-')
        ++p;
    if (p == last)
        return false;
    if (*p == u'0')
        return p == first && p + 1 == last;
    return static_cast<unsigned>(*p) - u'0' < 10u;
}

bool IsFloatForm(const char16_t* first, const char16_t* last, float value)
{
    std::uint64_t scaled;
    if (!text::ScaledMillionths(value, scaled))
    {
        char16_t text[text::kNumberTextCapacity];
        const int n = text::FormatFloat(text, value);
        return n == last - first &&
               std::memcmp(text, first, sizeof(char16_t) * static_cast<std::size_t>(n)) == 0;
    }
    // FormatFloat's text of such a value: "-" for a set sign bit, scaled / 10^6 in decimal
    // (without leading zeros), ".", the six digits of scaled % 10^6.
    const char16_t* p = first;
    if (std::signbit(value))
    {
        if (p == last || *p != u'-')
            return false;
        ++p;
    }
    const char16_t* const point = last - 7;
    if (point <= p || point - p > 13 || *point != u'.' || (*p == u'0' && point - p != 1))
        return false;
    std::uint64_t whole = 0;
    for (; p < point; ++p)
    {
        const unsigned d = static_cast<unsigned>(*p) - u'0';
        if (d >= 10u)
            return false;
        whole = whole * 10 + d;
    }
    std::uint64_t fraction = 0;
    for (p = point + 1; p < last; ++p)
    {
        const unsigned d = static_cast<unsigned>(*p) - u'0';
        if (d >= 10u)
            return false;
        fraction = fraction * 10 + d;
    }
    return whole * 1000000u + fraction == scaled;
}

// A list's text in the writer's form for a list of count values: count pieces joined by single
// bars, each in the form of its value.
template <class PieceInForm>
bool IsListForm(const char16_t* first, const char16_t* last, int count, PieceInForm inForm)
{
    if (first == last)
        return count == 0;
    const char16_t* p = first;
    for (int k = 0;; ++k)
    {
        const char16_t* end = p;
        while (end < last && *end != u'|')
            ++end;
        if (k >= count || end == p || !inForm(p, end, k))
            return false; // an empty piece: a bar at either end or two in a row
        if (end == last)
            return k + 1 == count;
        p = end + 1;
    }
}

// Whether the writer writes the cell's value as an empty text.
bool WritesNothing(Cell& cell)
{
    switch (cell.Type())
    {
    case FIELD_TYPE_STRING:
        return static_cast<StringCell&>(cell).Length() == 0;
    case FIELD_TYPE_STRING_INT:
        return static_cast<StringIntCell&>(cell).Count() == 0;
    case FIELD_TYPE_STRING_FLOAT:
        return static_cast<StringFloatCell&>(cell).Count() == 0;
    default:
        return false;
    }
}

} // namespace

// Whether the value just read, from `start` on, is exactly the text the writer makes of the
// value it gave the cell (see m_rowInWriterForm).
bool TableSerializer::valueInWriterForm(Cell& cell, const char16_t* start, const ReadIssues& before) const
{
    if (m_readPos <= start)
        return false; // no value left on the line
    const ReadIssues& now = m_readIssues;
    if (now.inexactNumbers != before.inexactNumbers || now.emptyNumbers != before.emptyNumbers ||
        now.cutValues != before.cutValues || now.droppedElements != before.droppedElements)
        return false;
    const char16_t* const end = m_readPos - 1; // the value's terminator
    switch (cell.Type())
    {
    case FIELD_TYPE_INT:
    case FIELD_TYPE_INT64:
        return IsIntegerForm(start, end, true);
    case FIELD_TYPE_UINT:
    case FIELD_TYPE_UINT64:
        return IsIntegerForm(start, end, false);
    case FIELD_TYPE_FLOAT:
        return IsFloatForm(start, end, static_cast<FloatCell&>(cell).m_value);
    case FIELD_TYPE_STRING:
        return true; // verbatim: a value read holds no tab, CR or LF, and was not cut
    case FIELD_TYPE_STRING_INT:
        return IsListForm(start, end, static_cast<StringIntCell&>(cell).Count(),
                          [](const char16_t* first, const char16_t* last, int)
                          { return IsIntegerForm(first, last, true); });
    case FIELD_TYPE_STRING_FLOAT:
    {
        const StringFloatCell& list = static_cast<StringFloatCell&>(cell);
        return IsListForm(start, end, list.Count(),
                          [&list](const char16_t* first, const char16_t* last, int k)
                          { return IsFloatForm(first, last, list.Values()[k]); });
    }
    default:
        return false;
    }
}

// The common shapes of a value, read in one pass over its units: what the general path (NextToken,
// the text readers, valueInWriterForm) would give -- the same value, read issues and form -- for
// them. False, with nothing read or changed, for any other value (empty values, white space, "+",
// junk, long strings, lists with empty pieces or more than 64 elements, a list cell that holds
// values already): the general path takes those. m_readPos must lie before m_lineEnd.
inline __attribute__((always_inline)) bool TableSerializer::readValueFast(Cell& cell, scl::BumpPool& pool,
                                                                          bool& inForm)
{
    char16_t* const start = m_readPos;
    const char16_t* const limit = m_bufferEnd + 1; // the text's final zero is the last unit to read
    const FIELD_TYPE type = cell.Type();
    switch (type)
    {
    case FIELD_TYPE_INT:
    case FIELD_TYPE_UINT:
    case FIELD_TYPE_INT64:
    case FIELD_TYPE_UINT64:
    {
        const bool negative = *start == u'-';
        const DigitRun digits = ScanDigits(start + (negative ? 1 : 0));
        if (digits.count == 0 || !EndsValue(*digits.end))
            return false;
        bool exact = true;
        if (digits.count > 20)
        {
            // Leading zeros or past every limit: the text reader decides.
            switch (type)
            {
            case FIELD_TYPE_INT:
                exact = text::ParseInt32(start, digits.end, static_cast<IntCell&>(cell).m_value);
                break;
            case FIELD_TYPE_UINT:
                exact = text::ParseUInt32(start, digits.end, static_cast<UIntCell&>(cell).m_value);
                break;
            case FIELD_TYPE_INT64:
                exact = text::ParseInt64(start, digits.end, static_cast<Int64Cell&>(cell).m_value);
                break;
            default:
                exact = text::ParseUInt64(start, digits.end, static_cast<UInt64Cell&>(cell).m_value);
                break;
            }
        }
        else
        {
            // The magnitude m, exact up to 19 digits; with 20 it may pass 2^64 - 1 (big). Then the
            // readers' rules made plain: strtol's clamps with a 32-bit long for INT, strtoul's
            // saturation above 4294967295 and a minus sign negating modulo 2^32 for UINT,
            // strtoll's clamps for INT64, strtoull's saturation and negation for UINT64.
            std::uint64_t m = digits.value;
            bool big = false;
            if (digits.count == 20)
            {
                const char16_t* p = digits.end - 20;
                std::uint64_t first19 = 0;
                for (int k = 0; k < 19; ++k)
                    first19 = first19 * 10 + (static_cast<unsigned>(p[k]) - u'0');
                big = __builtin_mul_overflow(first19, 10u, &m) ||
                      __builtin_add_overflow(m, static_cast<unsigned>(p[19]) - u'0', &m);
            }
            switch (type)
            {
            case FIELD_TYPE_INT:
            {
                std::int32_t& value = static_cast<IntCell&>(cell).m_value;
                if (big || (negative ? m > (std::uint64_t(1) << 31) : m > 0x7fffffffu))
                {
                    value = negative ? INT32_MIN : INT32_MAX;
                    exact = false;
                }
                else
                    value = static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(m)
                                                               : static_cast<std::int64_t>(m));
                break;
            }
            case FIELD_TYPE_UINT:
            {
                std::uint32_t& value = static_cast<UIntCell&>(cell).m_value;
                if (big || m > 0xffffffffu)
                {
                    value = UINT32_MAX;
                    exact = false;
                }
                else
                    value = negative ? 0u - static_cast<std::uint32_t>(m) : static_cast<std::uint32_t>(m);
                break;
            }
            case FIELD_TYPE_INT64:
            {
                std::int64_t& value = static_cast<Int64Cell&>(cell).m_value;
                if (big || (negative ? m > (std::uint64_t(1) << 63) : m > std::uint64_t(INT64_MAX)))
                {
                    value = negative ? INT64_MIN : INT64_MAX;
                    exact = false;
                }
                else
                    value = static_cast<std::int64_t>(negative ? 0 - m : m); // 2^63 negated: INT64_MIN
                break;
            }
            default:
            {
                std::uint64_t& value = static_cast<UInt64Cell&>(cell).m_value;
                if (big)
                {
                    value = UINT64_MAX;
                    exact = false;
                }
                else
                    value = negative ? 0 - m : m;
                break;
            }
            }
        }
        noteNumber(exact, false);
        const bool sign = type == FIELD_TYPE_INT || type == FIELD_TYPE_INT64;
        inForm = exact && IntegerDigitsInForm(negative, sign, digits, start);
        m_readPos = const_cast<char16_t*>(digits.end) + 1;
        return true;
    }
    case FIELD_TYPE_FLOAT:
    {
        float value;
        const char16_t* end = ReadMillionths(start, EndsValue, value, inForm);
        if (end == nullptr)
            return false;
        static_cast<FloatCell&>(cell).m_value = value;
        m_readPos = const_cast<char16_t*>(end) + 1;
        return true;
    }
    case FIELD_TYPE_STRING:
    {
        char16_t* const end = scan::FindValueEnd(start, limit);
        const std::ptrdiff_t length = end - start;
        if (length > StringCell::kMaxLength)
            return false; // cut, with a report
        static_cast<StringCell&>(cell).Borrow(start, static_cast<int>(length));
        inForm = true;
        m_readPos = end + 1;
        return true;
    }
    case FIELD_TYPE_STRING_INT:
    {
        StringIntCell& list = static_cast<StringIntCell&>(cell);
        if (list.Count() != 0)
            return false;
        int values[ListCell<int>::kMaxCount];
        int count = 0;
        bool form = true;
        const char16_t* p = start;
        for (;;)
        {
            const bool negative = *p == u'-';
            const DigitRun digits = ScanDigits(p + (negative ? 1 : 0));
            // Nine digits and a sign are always an exact 32-bit value.
            if (digits.count == 0 || digits.count > 9 || count == ListCell<int>::kMaxCount)
                return false;
            form = form && IntegerDigitsInForm(negative, true, digits, p);
            const std::int64_t m = static_cast<std::int64_t>(digits.value);
            values[count++] = static_cast<int>(negative ? -m : m);
            p = digits.end;
            if (*p != u'|')
                break;
            ++p;
        }
        if (!EndsValue(*p))
            return false;
        int* stored = static_cast<int*>(pool.allocate(sizeof(int) * static_cast<std::size_t>(count)));
        std::memcpy(stored, values, sizeof(int) * static_cast<std::size_t>(count));
        list.Borrow(stored, count);
        inForm = form;
        m_readPos = const_cast<char16_t*>(p) + 1;
        return true;
    }
    case FIELD_TYPE_STRING_FLOAT:
    {
        StringFloatCell& list = static_cast<StringFloatCell&>(cell);
        if (list.Count() != 0)
            return false;
        float values[ListCell<float>::kMaxCount];
        int count = 0;
        bool form = true;
        const char16_t* p = start;
        for (;;)
        {
            if (count == ListCell<float>::kMaxCount)
                return false;
            bool pieceForm;
            const char16_t* end = ReadMillionths(p, EndsListPiece, values[count], pieceForm);
            if (end == nullptr)
                return false;
            ++count;
            form = form && pieceForm;
            p = end;
            if (*p != u'|')
                break;
            ++p;
        }
        float* stored = static_cast<float*>(pool.allocate(sizeof(float) * static_cast<std::size_t>(count)));
        std::memcpy(stored, values, sizeof(float) * static_cast<std::size_t>(count));
        list.Borrow(stored, count);
        inForm = form;
        m_readPos = const_cast<char16_t*>(p) + 1;
        return true;
    }
    default:
        return false;
    }
}

void TableSerializer::ReadRow(Cell* const* cells, int count, scl::BumpPool& pool)
{
    m_mode = ModeRead;
    m_rowInWriterForm = false;
    bool inForm = count > 0 && m_readIssues.strayBreaks == 0 && !m_readIssues.longLine;
    bool emptyLast = false; // the line ends in a tab that stands for an empty last value
    for (int i = 0; i < count; ++i)
    {
        Cell* cell = cells[i];
        if (cell == nullptr)
        {
            inForm = false;
            continue;
        }
        // readyToTransfer's checks, of which only the file can fail here; the first value of a
        // line may also have a report to make.
        if (m_valueIndex > 0 && m_file.IsOpen())
            ++m_valueIndex;
        else if (!readyToTransfer(__LINE__))
            return;
        const char16_t* const start = m_readPos;
        bool valueInForm;
        if (start != nullptr && start < m_lineEnd && readValueFast(*cell, pool, valueInForm))
        {
            inForm = inForm && valueInForm;
            continue;
        }
        const ReadIssues before = m_readIssues;
        switch (cell->Type())
        {
        case FIELD_TYPE_INT:
            readNumber(static_cast<IntCell*>(cell)->m_value, text::ParseInt32);
            break;
        case FIELD_TYPE_UINT:
            readNumber(static_cast<UIntCell*>(cell)->m_value, text::ParseUInt32);
            break;
        case FIELD_TYPE_INT64:
            readNumber(static_cast<Int64Cell*>(cell)->m_value, text::ParseInt64);
            break;
        case FIELD_TYPE_UINT64:
            readNumber(static_cast<UInt64Cell*>(cell)->m_value, text::ParseUInt64);
            break;
        case FIELD_TYPE_FLOAT:
            readNumber(static_cast<FloatCell*>(cell)->m_value, text::ParseFloat);
            break;
        case FIELD_TYPE_STRING:
        {
            int length = 0;
            if (const char16_t* token = readStringToken(StringCell::kMaxLength, length))
            {
                static_cast<StringCell*>(cell)->Borrow(token, length);
                FinishToken();
            }
            break;
        }
        case FIELD_TYPE_STRING_INT:
            readListInto(*static_cast<StringIntCell*>(cell), pool, "scl::parray<int>::push_back",
                         text::ParseInt32);
            break;
        case FIELD_TYPE_STRING_FLOAT:
            readListInto(*static_cast<StringFloatCell*>(cell), pool, "scl::parray<float>::push_back",
                         text::ParseFloat);
            break;
        default:
            --m_valueIndex; // counted again by the cell's own transfer
            cell->Serialize(*this);
            break;
        }
        if (i + 1 == count && m_readPos == start && start == m_lineEnd && start > m_lineStart &&
            start[-1] == u'\t' && WritesNothing(*cell))
            emptyLast = true; // "a\t" for an empty last value: what the writer writes, too
        else
            inForm = inForm && valueInWriterForm(*cell, start, before);
    }
    // Every value read, the last one ended by the line's end (not by a tab before it).
    m_rowInWriterForm = inForm && m_readPos == (emptyLast ? m_lineEnd : m_lineEnd + 1);
}

template <class T, class Parse>
void TableSerializer::readListInto(ListCell<T>& cell, scl::BumpPool& pool, const char* pushName, Parse parse)
{
    T values[ListCell<T>::kMaxCount];
    int count = cell.Count();
    if (count > 0)
        std::memcpy(values, cell.Values(), sizeof(T) * static_cast<std::size_t>(count));
    if (!readList(values, count, ListCell<T>::kMaxCount, __LINE__, pushName, parse) || count == cell.Count())
        return;
    T* stored = static_cast<T*>(pool.allocate(sizeof(T) * static_cast<std::size_t>(count)));
    std::memcpy(stored, values, sizeof(T) * static_cast<std::size_t>(count));
    cell.Borrow(stored, count);
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

// ---- set --------------------------------------------------------------------------------------

ISerializer& TableSerializer::set(scl::parray<float>& values)
{
    if (!readyToTransfer(__LINE__))
        return *this;
    if (m_mode == ModeRead)
        readList(values.m_data, values.m_count, values.m_capacity, __LINE__, "scl::parray<float>::push_back",
                 text::ParseFloat);
    else
        writeList(values.m_data, values.m_count, text::FormatFloat);
    return *this;
}

ISerializer& TableSerializer::set(scl::parray<int>& values)
{
    if (!readyToTransfer(__LINE__))
        return *this;
    if (m_mode == ModeRead)
        readList(values.m_data, values.m_count, values.m_capacity, __LINE__, "scl::parray<int>::push_back",
                 text::ParseInt32);
    else
        writeList(values.m_data, values.m_count, text::FormatInt32);
    return *this;
}

ISerializer& TableSerializer::set(scl::pstringT<char16_t>& value)
{
    if (!readyToTransfer(__LINE__))
        return *this;
    if (m_mode == ModeRead)
    {
        int n = 0;
        const int maxLength =
            value.m_ptr != nullptr && value.m_maxCount > 0 ? value.m_maxCount - 1 : 0x7fffffff;
        const char16_t* token = readStringToken(maxLength, n);
        if (token == nullptr)
            return *this;
        if (value.m_ptr != nullptr && value.m_maxCount > 0)
        {
            std::memcpy(value.m_ptr, token, sizeof(char16_t) * static_cast<size_t>(n));
            value.m_ptr[n] = 0;
            // The units after the terminator stay zero, as a fixed string keeps them: clear what
            // is left of a longer earlier value.
            for (int i = n + 1; i < value.m_maxCount && value.m_ptr[i] != 0; ++i)
                value.m_ptr[i] = 0;
        }
        FinishToken();
        return *this;
    }
    writeString(value.m_ptr, value.length()); // bounded by the buffer's capacity
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
        readNumber(value, parse);
    else
        writeNumber(value, format);
    return *this;
}

ISerializer& TableSerializer::set(float& value)
{
    return transferNumber(value, __LINE__, text::ParseFloat, text::FormatFloat);
}

ISerializer& TableSerializer::set(std::uint64_t& value)
{
    return transferNumber(value, __LINE__, text::ParseUInt64, text::FormatUInt64);
}

ISerializer& TableSerializer::set(std::int64_t& value)
{
    return transferNumber(value, __LINE__, text::ParseInt64, text::FormatInt64);
}

ISerializer& TableSerializer::set(std::uint32_t& value)
{
    return transferNumber(value, __LINE__, text::ParseUInt32, text::FormatUInt32);
}

ISerializer& TableSerializer::set(std::int32_t& value)
{
    return transferNumber(value, __LINE__, text::ParseInt32, text::FormatInt32);
}

} // namespace tarn
