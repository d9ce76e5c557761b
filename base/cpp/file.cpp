#include "base/cpp/file.h"

#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "base/assert.h"
#include "base/string.h"

namespace scl
{
namespace
{

// Line counting reads through this one buffer, shared by every File (single-threaded use).
constexpr int kLineBufferUnits = 16384;
// One line read takes at most this many units (the buffer minus its terminator).
constexpr int kLineReadUnits = kLineBufferUnits - 1;
char16_t s_lineBuffer[kLineBufferUnits];

// True when the test hook lets the operation go ahead.
bool Allowed(File::Operation operation, const File& file, size_t bytes)
{
    return File::s_faultHook == nullptr || File::s_faultHook(operation, file, bytes);
}

} // namespace

File::FaultHook File::s_faultHook = nullptr;

File::File() : m_stream(nullptr), m_size(0), m_lineCount(0) {}

File::~File()
{
    Close();
}

void File::Open(const char16_t* path, const char* mode)
{
    if (m_stream != nullptr)
    {
        SCL_ASSERT(0);
        return;
    }
    if (path == nullptr || mode == nullptr)
        return;
    const std::string utf8Path = ToUtf8(path);
    m_stream = std::fopen(utf8Path.c_str(), mode);
    m_failed = false;
    m_lastOp = LastOp::None;
}

int File::Seek(long long offset)
{
    if (m_stream == nullptr)
    {
        SCL_ASSERT(0);
        return 0;
    }
    const int result = ::fseeko(m_stream, static_cast<off_t>(offset), SEEK_SET);
    m_lastOp = LastOp::None;
    SCL_ASSERT(result == 0);
    return result;
}

long long File::Size()
{
    if (m_stream == nullptr)
        return 0;
    if (m_size > 0)
        return m_size;

    m_size = 0;
    const off_t position = ::ftello(m_stream);
    if (std::fflush(m_stream) != 0)
        m_failed = true;
    struct stat status;
    if (::fstat(::fileno(m_stream), &status) != 0)
    {
        SCL_ASSERT(false);
        return 0;
    }
    m_size = static_cast<long long>(status.st_size);
    if (position >= 0)
        ::fseeko(m_stream, position, SEEK_SET);
    m_lastOp = LastOp::None;
    SCL_ASSERT(m_size >= 0);
    return m_size;
}

bool File::SkipBOM()
{
    Seek(0);
    unsigned char mark[2] = {0, 0};
    if (m_stream != nullptr)
        Read(mark, sizeof(mark));
    if ((mark[0] == 0xFF && mark[1] == 0xFE) || (mark[0] == 0xFE && mark[1] == 0xFF))
        return true;
    SCL_ASSERT_MSG(false, "file is not UTF16 format!");
    Seek(0);
    return false;
}

int File::LineCount()
{
    if (m_stream == nullptr)
        return 0;
    if (m_lineCount > 0)
        return m_lineCount;

    const off_t position = ::ftello(m_stream);
    if (Seek(0) != 0)
        return 0;
    m_lineCount = 0;

    // Same count as reading line by line into the shared buffer (each read stops after a
    // newline or after kLineReadUnits units), but read in large blocks. A trailing odd byte
    // is not a unit and is ignored.
    int unitsInRead = 0;
    size_t got;
    while ((got = std::fread(s_lineBuffer, sizeof(char16_t), kLineBufferUnits, m_stream)) > 0)
    {
        for (size_t i = 0; i < got; ++i)
        {
            ++unitsInRead;
            if (s_lineBuffer[i] == u'\n' || unitsInRead == kLineReadUnits)
            {
                ++m_lineCount;
                unitsInRead = 0;
            }
        }
    }
    if (std::ferror(m_stream))
        m_failed = true;
    if (unitsInRead > 0)
        ++m_lineCount;

    if (position >= 0)
        ::fseeko(m_stream, position, SEEK_SET);
    m_lastOp = LastOp::None;
    return m_lineCount;
}

bool File::Write(const char16_t* text, int count)
{
    if (!SCL_ASSERT(m_stream != nullptr))
        return false;
    bool complete = true;
    if (Size() == 0)
    {
        static const unsigned char kMark[2] = {0xFF, 0xFE};
        PrepareWrite();
        const size_t written = Allowed(Operation::Write, *this, sizeof(kMark))
                                   ? std::fwrite(kMark, 1, sizeof(kMark), m_stream)
                                   : 0;
        m_size += static_cast<long long>(written);
        complete = written == sizeof(kMark);
    }
    if (text != nullptr && count > 0)
    {
        PrepareWrite();
        const size_t written = Allowed(Operation::Write, *this, 2 * static_cast<size_t>(count))
                                   ? std::fwrite(text, sizeof(char16_t), static_cast<size_t>(count), m_stream)
                                   : 0;
        m_size += 2 * static_cast<long long>(written);
        complete = complete && written == static_cast<size_t>(count);
    }
    if (!complete)
        m_failed = true;
    return complete;
}

size_t File::Read(void* buffer, size_t bytes)
{
    if (m_stream == nullptr || buffer == nullptr || bytes == 0)
        return 0;
    // C streams need a flush or seek between a write and a following read.
    if (m_lastOp == LastOp::Write)
        std::fflush(m_stream);
    m_lastOp = LastOp::Read;
    const size_t got = std::fread(buffer, 1, bytes, m_stream);
    if (got < bytes && std::ferror(m_stream))
        m_failed = true;
    return got;
}

bool File::Flush()
{
    if (m_stream == nullptr)
        return false;
    const bool ok =
        Allowed(Operation::Flush, *this, 0) && std::fflush(m_stream) == 0 && ::fsync(::fileno(m_stream)) == 0;
    if (!ok)
        m_failed = true;
    return ok;
}

void File::Close()
{
    if (m_stream == nullptr)
        return;
    // A refused close still releases the stream (nothing would ever close it otherwise).
    const bool allowed = Allowed(Operation::Close, *this, 0);
    if (std::fclose(m_stream) != 0 || !allowed)
        m_failed = true;
    m_stream = nullptr;
}

void File::PrepareWrite()
{
    // C streams need a seek between a read and a following write.
    if (m_lastOp == LastOp::Read)
        ::fseeko(m_stream, 0, SEEK_CUR);
    m_lastOp = LastOp::Write;
}

} // namespace scl
