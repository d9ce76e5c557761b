// A thin owner of a C stdio stream for the UTF-16 table data files: byte-order-mark handling,
// size and line counting. Files are opened in binary mode; text is raw UTF-16 code units in
// machine (little-endian) order, line ends are not converted.
#ifndef SCL_BASE_CPP_FILE_H
#define SCL_BASE_CPP_FILE_H

#include <cstddef>
#include <cstdio>

namespace scl
{

class File
{
public:
    FILE* m_stream;   // owned; null when closed
    long long m_size; // bytes as last measured, 0 when not measured; kept current by Write
    int m_lineCount;  // lines as last counted, 0 when not counted

    File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    virtual ~File();

    // Opens a UTF-16 path with a C mode ("a+b" to read, "wb+" to write). On an already open file
    // reports and does nothing. On failure the file stays closed; test IsOpen().
    void Open(const char16_t* path, const char* mode);
    bool IsOpen() const { return m_stream != nullptr; }

    // Seeks to a byte offset from the start. Returns 0 on success.
    int Seek(long long offset);
    // Size in bytes (0 when closed), measured once and cached.
    long long Size();
    // True when the file starts with FF FE or FE FF; the position is then 2. Otherwise reports
    // "file is not UTF16 format!", seeks to 0 and returns false.
    bool SkipBOM();
    // Number of lines (0 when closed), counted in reads of at most 16383 units that stop after a
    // newline code unit; cached when positive.
    int LineCount();
    // Writes count units at the current position, preceded by FF FE when the file is empty.
    // Returns true when every unit (and the mark) was written.
    bool Write(const char16_t* text, int count);
    // Raw read of up to bytes bytes at the current position; returns bytes read.
    size_t Read(void* buffer, size_t bytes);
    // Flushes the stream and the operating system's buffers. True on success.
    bool Flush();
    void Close();
    // True when any read, write or flush failed since the file was opened.
    bool Failed() const { return m_failed; }
    FILE* Stream() const { return m_stream; }

    // Fault injection for tests; null (no effect) in the program. When set, Write, Flush and
    // Close call it before they touch the stream. A false result makes the operation fail as a
    // full or vanished disk would (nothing is written, Failed() becomes true; the hook sets
    // errno); a hook may also end the process there to simulate a crash. Process-wide.
    enum class Operation
    {
        Write,
        Flush,
        Close
    };
    using FaultHook = bool (*)(Operation operation, const File& file, std::size_t bytes);
    static FaultHook s_faultHook;

private:
    enum class LastOp
    {
        None,
        Read,
        Write
    };

    // Inserts the seek that C streams require when a write follows a read.
    void PrepareWrite();

    bool m_failed = false;
    LastOp m_lastOp = LastOp::None;
};

} // namespace scl

#endif // SCL_BASE_CPP_FILE_H
