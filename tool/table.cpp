#include "tool/table.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include <fcntl.h>
#include <libgen.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/assert.h"
#include "tool/tableFiles.h"
#include "tool/tableSerializer.h"

namespace tarn
{
namespace editor
{
using namespace detail;

namespace
{

// The values of a line as the reader splits them: each ends at a tab, CR, LF or zero unit; a
// separator right before the end of the line starts no further value.
struct SourceValue
{
    const char16_t* begin;
    int length;
};
std::vector<SourceValue> SourceValues(const char16_t* line, int length)
{
    std::vector<SourceValue> values;
    const char16_t* end = line + length;
    const char16_t* p = line;
    while (p < end)
    {
        const char16_t* start = p;
        while (p < end && *p != u'\t' && *p != u'\r' && *p != u'\n' && *p != 0)
            ++p;
        values.push_back({start, static_cast<int>(p - start)});
        ++p;
    }
    return values;
}

// Names the units other than tabs that split values in the line [line, line + length): within a
// line every CR and LF is a lone one (the CR LF ends it), and a zero unit ends a value too.
std::string StrayBreakText(const char16_t* line, int length)
{
    bool cr = false;
    bool lf = false;
    bool zero = false;
    for (int i = 0; i < length; ++i)
    {
        cr = cr || line[i] == u'\r';
        lf = lf || line[i] == u'\n';
        zero = zero || line[i] == 0;
    }
    std::vector<std::string> names;
    if (cr)
        names.push_back("a lone CR (U+000D)");
    if (lf)
        names.push_back("a lone LF (U+000A)");
    if (zero)
        names.push_back("a zero character (U+0000)");
    std::string text;
    for (size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 < names.size() ? ", " : " and ") + names[i];
    return text + " inside the line " + (names.size() > 1 ? "separate" : "separates") + " values like a tab";
}

// Lines of [p, end) as the reader counts them (ended by CR LF; a last line without one counts).
int CountLines(const char16_t* p, const char16_t* end)
{
    int lines = 0;
    const char16_t* start = p;
    for (; p + 1 < end; ++p)
    {
        if (p[0] == u'\r' && p[1] == u'\n')
        {
            ++lines;
            ++p;
            start = p + 1;
        }
    }
    if (start < end)
        ++lines;
    return lines;
}

} // namespace

// ---- construction --------------------------------------------------------------------------------

Table::Table() : m_maxId(-1), m_newRowCounter(1), m_idFieldIndex(0), m_nameFieldIndex(0) {}

Table::~Table()
{
    resetContent();
}

bool Table::refuse(const std::string& file, int line, const std::string& message)
{
    Diagnostic d;
    d.severity = Diagnostic::Error;
    d.file = file;
    d.line = line;
    d.message = message;
    m_lastError = d.text();
    m_diagnostics.push_back(std::move(d));
    return false;
}

void Table::warn(const std::string& file, int line, const std::string& message)
{
    Diagnostic d;
    d.severity = Diagnostic::Warning;
    d.file = file;
    d.line = line;
    d.message = message;
    m_diagnostics.push_back(std::move(d));
}

void Table::resetContent()
{
    m_rows.clear();
    m_header.clear();
    // No cell is left to borrow from these.
    for (scl::BigBuffer& text : m_texts)
        text.release();
    m_texts.clear();
    m_lists.release();
}

// ---- load ----------------------------------------------------------------------------------------

bool Table::Load(const char16_t* fileName)
{
    m_diagnostics.clear();
    m_lastError.clear();
    if (fileName == nullptr || fileName[0] == 0)
        return refuse(std::string(), 0, "no data file name given");
    const std::string file = Utf8(fileName);
    if (scl::str_length(fileName) > kNameMax)
        return refuse(file, 0, "the data file name is longer than 127 characters");

    // The data file must exist before anything opens it: the metadata generator and the reader
    // open it with "a+b", which would create an empty one.
    const std::string problem = ProbeDataFile(file);
    if (!problem.empty())
        return refuse(file, 0, problem);

    char16_t metaPath[kPathUnits];
    BuildPath(metaPath, fileName, u".meta");
    const std::string metaFile = Utf8(metaPath);
    struct stat st;
    if (::stat(metaFile.c_str(), &st) != 0 && errno == ENOENT)
    {
        // Generate only what makes a usable table: a refused table leaves no new file behind.
        int line = 0;
        const std::string why = GenerationProblem(file, &line);
        if (!why.empty())
            return refuse(file, line,
                          "no metadata file " + metaFile +
                              ", and none can be made from the header lines: " + why);
        ExtractMetaData(metaPath, fileName);
    }

    LoadMetaData(metaPath);
    if (!checkFields(metaFile))
        return false;
    return LoadData(fileName);
}

void Table::warnComments(const std::string& file, int first, int last)
{
    if (first > last)
        return;
    if (first == last)
        warn(file, first, "comment line: a save drops it");
    else
        warn(file, first,
             "comment lines " + std::to_string(first) + " to " + std::to_string(last) +
                 ": a save drops them");
}

bool Table::LoadData(const char16_t* fileName)
{
    if (fileName == nullptr || fileName[0] == 0)
        return refuse(std::string(), 0, "no data file name given");
    const std::string file = Utf8(fileName);
    if (!checkFields(file + ".meta"))
        return false;
    std::string problem = ProbeDataFile(file);
    if (!problem.empty())
        return refuse(file, 0, problem);

    char16_t path[kPathUnits];
    BuildPath(path, fileName, nullptr);
    TableSerializer serializer;
    serializer.OpenRead(path);
    if (!serializer.m_file.IsOpen())
        return refuse(file, 0, "cannot open the data file: " + SystemError(errno));
    serializer.prepareRead();
    if (!serializer.m_prepared)
        return refuse(file, 0, "cannot read the data file");
    const char16_t* const textEnd = serializer.m_bufferEnd;
    int problemLine = 0;
    problem = StructureProblem(serializer.m_readBuffer, textEnd, &problemLine);
    if (!problem.empty())
        return refuse(file, problemLine, problem);

    // Taken before the rows are read: the strings read end in zeros written into the text.
    const bool textEndsInCrLf =
        textEnd - serializer.m_readBuffer >= 2 && textEnd[-2] == u'\r' && textEnd[-1] == u'\n';
    const bool textEmpty = textEnd == serializer.m_readBuffer;
    // The number of the last line that the reader has actually passed (comment lines included).
    auto lastRealLine = [&]()
    {
        if (serializer.m_lineStart != nullptr && serializer.m_lineStart < textEnd)
            return serializer.m_lineNumber;
        // At the end of the text: the line count went one past when the text ends in CR LF.
        return (textEndsInCrLf || textEmpty) ? serializer.m_lineNumber - 1 : serializer.m_lineNumber;
    };
    int lastLine = 0; // the last line accounted for

    m_header.clear();
    for (int i = 0; i < 2; ++i)
    {
        serializer.prepareRead();
        serializer.NextLine();
        const bool atLine = serializer.m_lineStart != nullptr && serializer.m_lineStart < textEnd;
        const int line = lastRealLine();
        warnComments(file, lastLine + 1, atLine ? line - 1 : line);
        if (atLine)
        {
            m_header.append(serializer.LineBegin(), serializer.LineLength());
            // The header is kept as a zero-terminated text: a zero unit ends it there.
            const char16_t* const lineEnd = serializer.LineBegin() + serializer.LineLength();
            if (std::find(serializer.LineBegin(), lineEnd, u'\0') != lineEnd)
                warn(file, line,
                     "header line " + std::to_string(i + 1) +
                         " holds a zero character (U+0000): a save keeps the line only up to it");
            if (serializer.m_lineEnd >= textEnd)
                warn(file, line, "the file ends without CR LF after this line: a save adds one");
            lastLine = line;
        }
        else
        {
            lastLine = (line > lastLine ? line : lastLine) + 1; // where the missing line would be
            warn(file, lastLine,
                 "the file ends before header line " + std::to_string(i + 1) +
                     ": a save writes it as an empty line");
        }
        m_header.append(u"\r\n");
    }

    const int rowLimit = serializer.LineCount() - 2; // as scl::File counts, from the text in memory
    bool stoppedAtEnd = rowLimit <= 0;
    // With no row to read, the reader still stands on the second header line: step past it, so
    // that the end check below looks at what follows the header (and not at the header).
    if (stoppedAtEnd)
        serializer.NextLine();
    const int rowsBefore = m_rows.size();
    // The end of the strings kept at the front of the text, and how far the text has been given
    // back (in steps of a few huge pages).
    char16_t* kept = serializer.m_readBuffer;
    const char16_t* discarded = kept;
    constexpr std::ptrdiff_t kDiscardUnits = std::ptrdiff_t(1) << 20; // one huge page of text
    int largestId = 0; // what ComputeMaxId finds, gathered while the rows are read
    for (int n = 0; n < rowLimit; ++n)
    {
        if (!serializer.NextLine())
        {
            stoppedAtEnd = true;
            break;
        }
        const int line = serializer.m_lineNumber;
        warnComments(file, lastLine + 1, line - 1);
        lastLine = line;

        Row& row = appendRow();
        fillNewRow(row);
        if (row.cells.size() != m_fields.size() || row.m_table != this)
        {
            resetContent();
            return refuse(file, line, "cannot make the cells of a row (out of memory)");
        }
        if (m_maxId < INT_MAX) // provisional ids: the line's own id normally replaces it
            ++m_maxId;
        row.SetId(m_maxId);
        row.cells.m_data[m_nameFieldIndex]->SetString(u"");
        ++m_newRowCounter;
        serializer.ReadRow(row.cells.m_data, row.cells.size(), m_lists);
        row.m_line = line;
        checkRow(serializer, row, file);
        // The line is done with. Its strings move down to the front of the text, each with its
        // terminator, so that what the table keeps of the text is the strings alone; the rest of
        // the text behind them goes back to the system as the load proceeds.
        for (int i = 0; i < row.cells.size(); ++i)
        {
            Cell* cell = row.cells.m_data[i];
            if (cell->Type() != FIELD_TYPE_STRING || !static_cast<StringCell*>(cell)->IsBorrowed())
                continue;
            StringCell* string = static_cast<StringCell*>(cell);
            const int length = string->Length();
            std::memmove(kept, string->GetString(), sizeof(char16_t) * static_cast<size_t>(length));
            kept[length] = 0;
            string->Borrow(kept, length);
            kept += length + 1;
        }
        if (serializer.m_lineEnd - discarded >= kDiscardUnits)
        {
            serializer.DiscardText(kept, serializer.m_lineEnd);
            discarded = serializer.m_lineEnd;
        }
        const int id = row.Id();
        if (id > largestId)
            largestId = id;
    }
    if (stoppedAtEnd)
    {
        const bool atLine = serializer.m_lineStart != nullptr && serializer.m_lineStart < textEnd;
        const int line = lastRealLine();
        warnComments(file, lastLine + 1, atLine ? line - 1 : line);
        if (atLine)
        {
            // An empty line ends the rows; neither it nor anything after it is read or saved.
            const int after = CountLines(serializer.m_lineStart + 2, textEnd);
            if (after == 0)
                warn(file, line, "empty line at the end of the file: a save drops it");
            else
                warn(file, line,
                     "empty line: the rows end here, and a save drops it and the " + std::to_string(after) +
                         (after == 1 ? " line after it" : " lines after it"));
        }
    }

    if (m_rows.size() > rowsBefore)
    {
        serializer.DiscardText(kept, serializer.m_bufferEnd + 1);
        m_texts.push_back(serializer.ReleaseReadBuffer());
    }
    m_fileName = fileName;
    // ComputeMaxId would walk every row again, touching each row's memory a second time.
    if (rowsBefore == 0)
        m_maxId = largestId;
    else
        ComputeMaxId();
    return true;
}

void Table::checkRow(TableSerializer& serializer, Row& row, const std::string& file)
{
    const char16_t* source = serializer.LineBegin();
    const int sourceLength = serializer.LineLength();
    const bool endsInCrLf = serializer.m_lineEnd < serializer.m_bufferEnd;
    if (serializer.m_rowInWriterForm)
    {
        // What the reader saw of every value already says that the save writes this very line.
        if (!endsInCrLf)
            warn(file, row.m_line, "the file ends without CR LF after this line: a save adds one");
        return;
    }
    // The very text the next save writes for this row, CR LF included.
    serializer.BuildRow(row.cells.m_data, row.cells.size());
    const char16_t* written = serializer.m_writeBuffer.c_str();
    const int writtenLength = serializer.m_writeLength >= 2 ? serializer.m_writeLength - 2 : 0;
    const bool same = writtenLength == sourceLength &&
                      std::memcmp(written, source, sizeof(char16_t) * static_cast<size_t>(sourceLength)) == 0;
    if (same)
    {
        if (!endsInCrLf)
            warn(file, row.m_line, "the file ends without CR LF after this line: a save adds one");
        return;
    }

    // The slow path, for lines that will change: say what changes.
    std::string changes;
    auto add = [&](const std::string& s)
    {
        if (!changes.empty())
            changes += "; ";
        changes += s;
    };
    const std::vector<SourceValue> values = SourceValues(source, sourceLength);
    // Written values hold no tab (the writer turns tabs inside values into spaces).
    const std::vector<SourceValue> writtenValues = SourceValues(written, writtenLength);
    const int fieldCount = m_fields.size();
    for (int i = 0; i < fieldCount; ++i)
    {
        const std::string label = m_fields.m_data[i].m_name.empty() ? "value " + std::to_string(i + 1)
                                                                    : Utf8(m_fields.m_data[i].m_name.c_str());
        const SourceValue to = i < static_cast<int>(writtenValues.size())
                                   ? writtenValues[static_cast<size_t>(i)]
                                   : SourceValue{written, 0};
        if (i >= static_cast<int>(values.size()))
        {
            add(label + " missing");
            continue;
        }
        const SourceValue& from = values[static_cast<size_t>(i)];
        if (from.length != to.length ||
            std::memcmp(from.begin, to.begin, sizeof(char16_t) * static_cast<size_t>(from.length)) != 0)
            add(label + " " + Quote(from.begin, from.length) + " becomes " + Quote(to.begin, to.length));
    }
    if (static_cast<int>(values.size()) > fieldCount)
    {
        const int extra = static_cast<int>(values.size()) - fieldCount;
        add(std::to_string(extra) + (extra == 1 ? " value" : " values") + " after the last of the " +
            std::to_string(fieldCount) + " fields dropped");
    }
    const ReadIssues& issues = serializer.m_readIssues;
    const WriteIssues& writeIssues = serializer.m_writeIssues;
    if (issues.cutValues != 0 || writeIssues.cutValues != 0)
        add("a string holds at most 1023 characters");
    if (issues.droppedElements != 0)
        add("a list holds at most 64 values");
    if (issues.longLine || writeIssues.cutRow)
        add("a row holds at most 4095 characters");
    if (issues.strayBreaks != 0)
        add(StrayBreakText(source, sourceLength));
    if (writeIssues.hashGuard)
        add("a space keeps the line from being read as a comment");
    if (changes.empty())
        add("separators change");
    if (!endsInCrLf)
        add("a CR LF is added at the end");
    warn(file, row.m_line,
         "not in the form a save writes (" + changes + "); it will be saved as " +
             Quote(written, writtenLength));
}

// ---- rows ----------------------------------------------------------------------------------------

void Table::fillNewRow(Row& row)
{
    // One block for the row: its cell pointers, then its cells, each sized to its type.
    const int count = m_fields.size();
    std::uint32_t bytes = static_cast<std::uint32_t>(sizeof(Cell*) * static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        bytes += static_cast<std::uint32_t>(Cell::SizeOf(m_fields.m_data[i].m_type));
    if (!row.takeBlock(bytes, count))
    {
        SCL_ASSERT(false); // out of memory: the row has no cells
        return;
    }
    char* place = row.blockCells();
    // takeBlock gave the row room for count pointers: the cells go straight into it.
    Cell** pointers = row.cells.m_data;
    for (int i = 0; i < count; ++i)
    {
        Field& field = m_fields.m_data[i];
        Cell* cell = Cell::Construct(field.m_type, place);
        if (cell == nullptr)
        {
            CreateCell(field); // reports the invalid type
            SCL_ASSERT(false);
            return;
        }
        place += Cell::SizeOf(field.m_type);
        cell->m_field = &field;
        pointers[i] = cell;
        row.cells.m_count = i + 1;
    }
    row.m_idFieldIndex = m_idFieldIndex;
    row.m_nameFieldIndex = m_nameFieldIndex;
    row.m_table = this;
}

Row* Table::NewRow(const char16_t* name)
{
    // Ids edited in rows raised m_maxId as they were given (Row::SetId, NoteId), so the running
    // maximum is above every id in use; links may name ids above it (rows deleted since).
    const int top = m_linkedMaxId > m_maxId ? m_linkedMaxId : m_maxId;
    m_maxId = top;
    if (!SCL_ASSERT_MSG(top < INT_MAX, "%s: the ids have reached %d: no new row can be made",
                        Utf8(m_fileName.c_str()).c_str(), INT_MAX))
        return nullptr;

    Row& row = appendRow();
    fillNewRow(row);
    ++m_maxId;
    row.SetId(m_maxId);
    if (m_nameFieldIndex >= 0 && m_nameFieldIndex < row.cells.size() &&
        row.cells.m_data[m_nameFieldIndex] != nullptr)
        row.cells.m_data[m_nameFieldIndex]->SetString(name);
    else
        SCL_ASSERT(false);
    ++m_newRowCounter;
    return &row;
}

Row& Table::appendRow()
{
    scl::ListNode<Row>* node = m_rows.push_back();
    node->value.m_node = node;
    node->value.m_list = &m_rows;
    return node->value;
}

bool Table::RemoveRow(Row* row)
{
    if (row == nullptr)
        return false;
    scl::ListNode<Row>* node = nullptr;
    if (row->m_list == &m_rows && row->m_node != nullptr && &row->m_node->value == row)
    {
        node = row->m_node;
    }
    else
    {
        for (scl::ListNode<Row>* n = m_rows.first(); n != nullptr; n = n->next)
        {
            if (&n->value == row)
            {
                node = n;
                break;
            }
        }
    }
    if (node == nullptr)
        return false;
    m_rows.erase(node);
    return true;
}

TakenRows::TakenRows(TakenRows&& other) noexcept
    : m_entries(std::move(other.m_entries)), m_table(other.m_table)
{
    other.m_entries.clear();
    other.m_table = nullptr;
}

TakenRows& TakenRows::operator=(TakenRows&& other) noexcept
{
    if (this != &other)
    {
        release();
        m_entries = std::move(other.m_entries);
        m_table = other.m_table;
        other.m_entries.clear();
        other.m_table = nullptr;
    }
    return *this;
}

TakenRows::~TakenRows()
{
    release();
}

void TakenRows::release()
{
    for (const Entry& entry : m_entries)
        scl::DefaultAlloc<Row>::free(entry.node);
    m_entries.clear();
    m_table = nullptr;
}

TakenRows Table::TakeOutRows(const std::vector<Row*>& rows)
{
    TakenRows taken;
    std::unordered_set<const Row*> wanted;
    wanted.reserve(rows.size());
    for (const Row* row : rows)
        if (row != nullptr && row->m_table == this)
            wanted.insert(row);
    if (wanted.empty())
        return taken;

    // Positions are found in one walk, then the rows are unlinked: a row's position is the one it
    // has with all of them in place, which is what PutBack needs.
    taken.m_entries.reserve(wanted.size());
    int position = 0;
    for (scl::ListNode<Row>* node = m_rows.first(); node != nullptr && taken.m_entries.size() < wanted.size();
         node = node->next, ++position)
    {
        if (wanted.count(&node->value) != 0)
            taken.m_entries.push_back({node, position});
    }
    for (const TakenRows::Entry& entry : taken.m_entries)
        m_rows.unlink(entry.node);
    taken.m_table = this;
    return taken;
}

void Table::PutBack(TakenRows& taken)
{
    if (taken.empty())
        return;
    if (!SCL_ASSERT(taken.m_table == this))
        return;
    // Ascending positions: each row goes in after the rows before it are back, so walking on from
    // the last insertion finds the next place.
    scl::ListNode<Row>* after = nullptr; // the node before the insertion point; null: the front
    int index = 0;                       // nodes before the insertion point
    for (const TakenRows::Entry& entry : taken.m_entries)
    {
        while (index < entry.position)
        {
            scl::ListNode<Row>* next = after != nullptr ? after->next : m_rows.first();
            if (next == nullptr)
            {
                SCL_ASSERT(false); // the table lost rows since: append
                break;
            }
            after = next;
            ++index;
        }
        m_rows.link_after(after, entry.node);
        entry.node->value.m_node = entry.node;
        entry.node->value.m_list = &m_rows;
        after = entry.node;
        ++index;
    }
    taken.m_entries.clear();
    taken.m_table = nullptr;
}

int Table::PositionOf(const Row* row) const
{
    if (row == nullptr || row->m_table != this)
        return -1;
    int position = 0;
    for (const scl::ListNode<Row>* node = m_rows.first(); node != nullptr; node = node->next, ++position)
        if (&node->value == row)
            return position;
    return -1;
}

Row* Table::RowAtPosition(int position) const
{
    if (position < 0 || position >= m_rows.size())
        return nullptr;
    scl::ListNode<Row>* node = nullptr;
    // From whichever end is nearer.
    if (position < m_rows.size() / 2)
    {
        node = m_rows.first();
        for (int i = 0; i < position; ++i)
            node = node->next;
    }
    else
    {
        node = m_rows.last();
        for (int i = m_rows.size() - 1; i > position; --i)
            node = node->prev;
    }
    return &node->value;
}

int Table::ComputeMaxId()
{
    m_maxId = 0;
    for (const Row& row : m_rows)
    {
        const int id = row.Id();
        if (id > m_maxId)
            m_maxId = id;
    }
    return m_maxId;
}

// ---- save ----------------------------------------------------------------------------------------

bool Table::Save()
{
    m_lastError.clear();
    if (m_fileName.empty())
    {
        SCL_ASSERT(false);
        m_lastError = "cannot save a table that has no file name";
        return false;
    }
    const std::string file = Utf8(m_fileName.c_str());
    auto fail = [&](const std::string& why)
    {
        m_lastError = file + ": not saved, the file is unchanged: " + why;
        return false;
    };

    // A symbolic link is kept: the file it points at is replaced.
    std::string target = file;
    struct stat st;
    bool exists = ::lstat(target.c_str(), &st) == 0;
    if (exists && S_ISLNK(st.st_mode))
    {
        char resolved[PATH_MAX];
        if (::realpath(target.c_str(), resolved) == nullptr)
            return fail("cannot resolve the symbolic link: " + SystemError(errno));
        target = resolved;
        exists = ::stat(target.c_str(), &st) == 0;
    }
    if (exists && !S_ISREG(st.st_mode))
        return fail("it is not a regular file");
    // A write-protected file (for example one that version control has not checked out) stays
    // as it is, even for a user who could replace it.
    if (exists && ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0))
        return fail("the file is read-only");
    mode_t mode;
    if (exists)
        mode = st.st_mode & 07777;
    else
    {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    // Write everything to a new file next to the data file, then rename it over the data file:
    // the data file is either the old one or the complete new one, never anything in between.
    std::string temp = target + ".tessel-XXXXXX";
    const int fd = ::mkstemp(&temp[0]);
    if (fd < 0)
        return fail("cannot create a temporary file next to it: " + SystemError(errno));
    ::fchmod(fd, mode);
    // Keeping the owner needs privileges that a user rarely has; the mode is what matters.
    if (exists && ::fchown(fd, st.st_uid, st.st_gid) != 0)
        errno = 0;
    ::close(fd);

    int err = 0;
    bool ok = true;
    {
        const std::u16string temp16 = scl::FromUtf8(temp.c_str());
        TableSerializer serializer;
        serializer.OpenWrite(temp16.c_str());
        if (!serializer.m_file.IsOpen())
        {
            err = errno;
            ok = false;
        }
        else
        {
            if (!serializer.WriteText(m_header.c_str(), m_header.length()))
                err = errno;
            for (Row& row : m_rows)
            {
                serializer.WriteRow(row.cells.m_data, row.cells.size());
                if (serializer.m_writeFailed && err == 0)
                    err = errno;
            }
            if (!serializer.m_file.Flush() && err == 0)
                err = errno;
            serializer.m_file.Close();
            if (serializer.m_file.Failed() && err == 0)
                err = errno; // the close itself failed (EIO, a quota checked at close)
            ok = !serializer.m_writeFailed && !serializer.m_file.Failed();
        }
    }
    if (!ok)
    {
        ::unlink(temp.c_str());
        return fail("writing " + temp + " failed: " + SystemError(err));
    }
    if (::rename(temp.c_str(), target.c_str()) != 0)
    {
        err = errno;
        ::unlink(temp.c_str());
        return fail("cannot replace it with " + temp + ": " + SystemError(err));
    }
    // Make the rename itself durable.
    std::string dir = target;
    const int dirFd = ::open(::dirname(&dir[0]), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0)
    {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

} // namespace editor
} // namespace tarn
