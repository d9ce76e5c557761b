// Reader and writer of a table data file: UTF-16 little-endian text after the mark FF FE, one line
// per row ended by CR LF, values separated by tabs, two header lines in front, comment lines
// starting with "#" skipped when reading.
//
// Reading: the whole file is read with one read into one buffer; values are converted in place
// (the unit after a value is replaced by a zero for the conversion and put back afterwards), so
// reading allocates nothing per line or value.
//
//     TableSerializer s;
//     s.OpenRead(path);                 // "a+b" (a missing file is created empty), mark checked
//     while (s.NextLine())              // skips comment lines; false at an empty line or the end
//     {
//         s.m_mode = TableSerializer::ModeRead;
//         for (each cell in field order)
//             cell->Serialize(s);       // a short line leaves the remaining cells unchanged
//         // s.m_readIssues and s.ExtraValueCount() tell what a save would change about the line
//     }
//
// Writing: each row is assembled in m_writeBuffer and written with one write call. The cells of
// the eight field types are formatted by a switch on their type, without a virtual call per cell.
//
//     TableSerializer s;
//     s.OpenWrite(path);                // "wb+": created or truncated
//     s.WriteText(header, length);      // first text written: preceded by FF FE
//     for (each row) s.WriteRow(row.cells.view());
//
// The written forms: "%d", "%u", signed and unsigned 64-bit decimal, "%f" (as C's printf in the
// "C" locale), strings verbatim, lists joined by "|". Bad values never break the file's structure:
//   - a tab, CR or LF inside a string is written as a space (the format has no escapes) and
//     reported; a row is therefore always exactly one line;
//   - a string longer than 1023 units is written cut to 1023 and reported;
//   - a row whose text (tabs included, CR LF excluded) would pass 4095 units is cut at 4095 and
//     reported, and still ends with CR LF;
//   - a row whose first value starts with "#" is written with a space in front (and reported), as
//     the line would otherwise be read back as a comment and the row lost;
//   - a row of one empty value is written as a lone tab, not as an empty line (which would end the
//     rows when the file is read);
//   - a number is always written whole, however long its text ("%f" of a float of magnitude 1e23
//     and more passes 31 units): cutting it would change its value.
// Reports are failed checks (base/assert.h) whose message names the file, the row or line and the
// value. m_writeIssues counts them per row.
//
// Ownership: the serializer owns its file (closed on destruction) and its read buffer. It serves
// one file and lives on the stack of a table's load or save. Not thread-safe.
#ifndef TARN_TOOL_TABLESERIALIZER_H
#define TARN_TOOL_TABLESERIALIZER_H

#include <cstddef>
#include <string>

#include "base/arena.h"
#include "base/array.h"
#include "base/cpp/file.h"
#include "base/string.h"
#include "tool/cell.h"
#include "tool/textScan.h"

namespace tarn
{

// What the next save would change about the line just read. Reset by every NextLine.
struct ReadIssues
{
    int cutValues = 0;       // strings longer than their buffer (1023 units for a string cell): cut
    int droppedElements = 0; // list elements beyond the list's capacity (64 for the cells): dropped
    int inexactNumbers = 0;  // number text with no number, text after the number ("12abc") or out
                             // of range: the converted value is what will be written back
    int emptyNumbers = 0;    // empty number values: read as 0, written back as "0"
    int strayBreaks = 0;     // lone CR, lone LF or zero units inside the line: each splits two
                             // values as a tab does, and is written back as a tab
    bool longLine = false;   // more than 4095 units: a save keeps only the first 4095

    bool any() const
    {
        return cutValues != 0 || droppedElements != 0 || inexactNumbers != 0 || emptyNumbers != 0 ||
               strayBreaks != 0 || longLine;
    }
};

// What WriteRow (or BuildRow) had to change to write the row. Reset by every WriteRow and BuildRow.
struct WriteIssues
{
    int cutValues = 0;          // strings longer than 1023 units, written cut
    int replacedSeparators = 0; // values whose tabs, CRs or LFs were written as spaces
    bool cutRow = false;        // the row's text was cut at 4095 units
    bool hashGuard = false;     // the first value starts with "#": written with a space in front

    bool any() const { return cutValues != 0 || replacedSeparators != 0 || cutRow || hashGuard; }
};

class TableSerializer : public ISerializer
{
public:
    enum Mode
    {
        ModeIdle = 0,
        ModeRead = 1,
        ModeWrite = 2,
    };

    static constexpr int kMaxRowText = 4095;    // units of a row's text, tabs included, CR LF not
    static constexpr int kMaxStringText = 1023; // units of a string value

    scl::File m_file; // owned; closed on destruction
    int m_mode = ModeIdle;
    bool m_prepared = false; // the whole file is in m_readBuffer

    // The file's text after the mark, owned: (file size / 2 + 2) units, all past the text zero, so the
    // text always ends in a zero unit: *m_bufferEnd == 0. A trailing odd byte is dropped. Allocated
    // with scl::big_buffer_allocate (huge pages for a large file).
    char16_t* m_readBuffer = nullptr;
    char16_t* m_bufferEnd = nullptr; // one past the last whole unit read
    // The cursor: the start of the current line after NextLine, then the start of the next value.
    char16_t* m_readPos = nullptr;
    // ONE PAST the current line's last character: the CR of its CR LF, or m_bufferEnd for the last
    // line. The line's text is [m_lineStart, m_lineEnd). Null before the first NextLine.
    char16_t* m_lineEnd = nullptr;
    char16_t m_savedChar = 0; // the unit NextToken replaced by a zero

    // The row being written: at most 4095 units of values and tabs, and after BuildRow the whole
    // line with its CR LF (hence two units more than 4095 and the terminator). m_writeLength is its
    // length.
    scl::stringT<char16_t, kMaxRowText + 3> m_writeBuffer;
    int m_writeLength = 0;

    char16_t* m_lineStart = nullptr; // first character of the current line
    int m_lineNumber = 0;            // 1-based line number of the current line in the file
    bool m_hasMark = false;          // the file started with FF FE or FE FF
    ReadIssues m_readIssues;
    WriteIssues m_writeIssues;
    int m_rowsWritten = 0;
    bool m_writeFailed = false; // a write of WriteRow or WriteText did not write every unit
    std::string m_path;         // UTF-8 path, for reports

    TableSerializer() = default;
    TableSerializer(const TableSerializer&) = delete;
    TableSerializer& operator=(const TableSerializer&) = delete;
    ~TableSerializer() override;

    // Opens path with "a+b" and checks the mark (a missing mark is reported and the file is read
    // from its first byte). A file that "a+b" cannot open for want of write access is opened "rb". Reports
    // "false" when the file cannot be opened, "0" in scl::File::Open when a file is already open.
    void OpenRead(const char16_t* path);
    // Creates or truncates path with "wb+". Reports "false" when that fails.
    void OpenWrite(const char16_t* path);

    // Reads the whole file (after the mark) into m_readBuffer with one read. Later calls do nothing.
    void prepareRead();
    // The file's line count exactly as scl::File::LineCount makes it (from the file's first byte,
    // the mark included: every LF ends a line, and so does every 16383rd unit of one; a last line
    // without LF counts), taken from the text already read instead of reading the file again.
    // 0 before prepareRead.
    int LineCount() const;
    // Moves to the next line that is not a comment line. True when that line holds at least one
    // character; false for an empty line and at the end of the text (for good: once the text is
    // exhausted every later call is false). Never looks past the text.
    bool NextLine();
    // The current line: LineBegin() .. LineBegin() + LineLength(), without its CR LF.
    const char16_t* LineBegin() const { return m_lineStart; }
    int LineLength() const { return m_lineStart ? static_cast<int>(m_lineEnd - m_lineStart) : 0; }

    // The next value of the current line, zero-terminated in place (it ends at a tab, CR, LF or
    // zero unit), or null when the line has no value left. m_readPos is left on the terminator;
    // FinishToken must follow before the next NextToken. The set overloads do both.
    char16_t* NextToken();
    // Puts back the unit NextToken replaced and moves m_readPos to the start of the next value.
    void FinishToken();
    // Values left on the current line that hold at least one character: a save drops them.
    int ExtraValueCount() const;

    // Reads the current line into a row's cells, in field order, exactly as each cell's Serialize
    // in ModeRead would (same values, reports and m_readIssues), without a virtual call per cell
    // and without copying: a string cell borrows its units from m_readBuffer (zero-terminate them
    // with StringCell::TerminateBorrowed once the line is no longer needed), a list cell borrows
    // its values from pool. Both must outlive the cells: take the buffer with ReleaseReadBuffer.
    void ReadRow(Cell* const* cells, int count, scl::BumpPool& pool);
    // After ReadRow: the line is exactly what WriteRow will write for the cells (values in the
    // writer's form, one per cell, nothing else on the line). When false, BuildRow tells.
    bool m_rowInWriterForm = false;
    // Hands m_readBuffer (the file's text) over to the caller, who frees it (release()) after the
    // last cell that borrows from it is gone. The serializer reads nothing afterwards.
    scl::BigBuffer ReleaseReadBuffer();
    // Gives the memory of the text in [from, to) back to the system where it covers whole huge
    // pages (it reads as zeros afterwards): for text that nothing will read again.
    void DiscardText(const char16_t* from, const char16_t* to);

    // Writes a row's cells, in field order, as one line: values joined by tabs, then CR LF, with
    // one write. A null cell is written as an empty value. No cells: nothing is written.
    void WriteRow(Cell* const* cells, int count);
    void WriteRow(scl::parray<Cell*> cells) { WriteRow(cells.m_data, cells.m_count); }
    // Builds the line WriteRow would write -- values, tabs and CR LF, by the same rules -- into
    // m_writeBuffer[0, m_writeLength) without writing it, needing no file and reporting nothing.
    // True when the line holds every value exactly (m_writeIssues.any() is false). Sets ModeWrite.
    bool BuildRow(Cell* const* cells, int count);
    bool BuildRow(scl::parray<Cell*> cells) { return BuildRow(cells.m_data, cells.m_count); }
    // Writes raw text (the header lines) with one write; the first text of a new file is preceded
    // by FF FE. False when not every unit was written.
    bool WriteText(const char16_t* text, int count);

    // Transfers one value in the direction of m_mode (ModeRead: from the current line's next
    // value into the storage; ModeWrite: from the storage into m_writeBuffer). Without an open file
    // or in another mode: reports "0" and does nothing.
    ISerializer& set(scl::parray<float>& values) override;
    ISerializer& set(scl::parray<int>& values) override;
    ISerializer& set(scl::pstringT<char16_t>& text) override;
    ISerializer& set(float& value) override;
    ISerializer& set(std::uint64_t& value) override;
    ISerializer& set(std::int64_t& value) override;
    ISerializer& set(std::uint32_t& value) override;
    ISerializer& set(std::int32_t& value) override;

private:
    std::size_t m_readBufferBytes = 0;    // the size m_readBuffer was allocated with
    char* m_streamBuffer = nullptr;       // OpenWrite's stdio buffer, owned; freed after the file is closed
    std::size_t m_unwrittenBackBytes = 0; // written since writeback to disk was last started
    int m_valueIndex = 0;                 // 1-based index of the value being transferred, for reports
    bool m_building = false;              // BuildRow: no file needed, no reports

    bool readyToTransfer(int line);
    template <class T, class Parse, class Format>
    ISerializer& transferNumber(T& value, int line, Parse parse, Format format);
    template <class T, class Parse> void readNumber(T& value, Parse parse);
    template <class T, class Parse>
    bool readList(T* values, int& count, int capacity, int line, const char* pushName, Parse parse);
    template <class T, class Parse>
    void readListInto(ListCell<T>& cell, scl::BumpPool& pool, const char* pushName, Parse parse);
    const char16_t* readStringToken(int maxLength, int& length);
    template <class Format, class T> void writeNumber(T value, Format format);
    template <class T, class Format> void writeList(const T* values, int count, Format format);
    void writeString(const char16_t* value, int length);
    void writeCell(Cell& cell);
    bool valueInWriterForm(Cell& cell, const char16_t* start, const ReadIssues& before) const;
    bool readValueFast(Cell& cell, scl::BumpPool& pool, bool& inForm);
    void buildRow(Cell* const* cells, int count, bool forFile);
    void appendText(const char16_t* text, int count, bool replaceSeparators);
    void writeLine(const char16_t* text, int count);
    void startWriteback();
    // Small steps of the readers and writers, defined in tool/tableSerializerInternal.h so that each
    // of the serializer's sources inlines them.
    inline void appendSeparator(char16_t separator);
    inline void appendNumber(const char16_t* number, int count);
    inline void noteNumber(bool exact, bool empty);
};

// Inline: every reader of a value, in any of the serializer's sources, starts and ends with them.
inline char16_t* TableSerializer::NextToken()
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

inline void TableSerializer::FinishToken()
{
    if (m_readPos == nullptr)
        return;
    *m_readPos = m_savedChar;
    ++m_readPos;
}

} // namespace tarn

#endif // TARN_TOOL_TABLESERIALIZER_H
