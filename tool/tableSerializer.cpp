// The file and its lines: opening, the one read of the whole text, line by line with comments
// skipped, and the per-value transfers of ISerializer (set) that a cell's own Serialize calls.
// A line's values into cells: rowReader.cpp; cells into a line: rowWriter.cpp.
#include "tool/tableSerializer.h"

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/arena.h"
#include "base/assert.h"
#include "tool/tableSerializerInternal.h"
#include "tool/textScan.h"

namespace tarn
{
namespace
{

constexpr std::size_t kStreamBufferBytes = std::size_t(1) << 20;

} // namespace

void serializer::Report(const char* file, int line, const char* function, const char* expression,
                        const char* format, ...)
{
    char message[1024];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(message, sizeof(message), format, ap);
    va_end(ap);
    scl::AssertReportMessage(file, function, line, expression, "%s", message);
    scl::detail::BreakIfDebugged();
}

using serializer::kSetFunction;
using serializer::Report;

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
        Report(__FILE__, __LINE__, "tarn::TableSerializer::prepareRead", "got % 2 == 0",
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

bool TableSerializer::readyToTransfer(int line)
{
    if ((!m_building && !m_file.IsOpen()) || (m_mode != ModeRead && m_mode != ModeWrite))
    {
        scl::detail::AssertFailedNamed(__FILE__, kSetFunction, line, "0");
        return false;
    }
    ++m_valueIndex;
    if (m_mode == ModeRead && m_valueIndex == 1 && m_readIssues.longLine && m_lineEnd != nullptr)
        Report(__FILE__, line, kSetFunction, "m_lineEnd - m_lineStart <= kMaxRowText",
               "%s:%d: row of %d characters: a save keeps only the first %d", m_path.c_str(), m_lineNumber,
               static_cast<int>(m_lineEnd - m_lineStart), kMaxRowText);
    return true;
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
