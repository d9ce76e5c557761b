// Shared parts of the fuzz targets: a private data directory per process, file helpers, and the
// round-trip check that every loading target applies to what it loaded.
//
// The data model works on paths relative to the current directory, so each process makes its
// own directory (see BaseDirectory); every input runs in it, emptied, and the process returns to
// its start directory after each input. The directory is removed at exit (or by the next run,
// when a crash skipped that). A crash inside an input leaves the current directory there: give
// libFuzzer an absolute -artifact_prefix.
//
// Failed checks of the data model are expected here (damaged input is the point) and go to
// standard output and standard error; run the targets with -close_fd_mask=3 to keep them quiet.
// A target's own failure (a round-trip mismatch) is printed on a copy of standard error taken
// before libFuzzer closes it, then the process aborts so that libFuzzer keeps the input.
#ifndef TESSEL_TESTS_FUZZ_FUZZ_SUPPORT_H
#define TESSEL_TESTS_FUZZ_FUZZ_SUPPORT_H

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "base/string.h"
#include "tool/row.h"
#include "tool/table.h"
#include "tool/tableSerializer.h"

namespace fuzz
{

inline FILE*& ReportStream()
{
    static FILE* stream = stderr;
    return stream;
}

inline void LeaveSandbox();

// Reports a broken property of the input under test and aborts (libFuzzer saves the input).
[[noreturn]] inline void Fail(const char* format, ...) __attribute__((format(printf, 1, 2)));
inline void Fail(const char* format, ...)
{
    FILE* out = ReportStream();
    std::fputs("\n==== fuzz check failed: ", out);
    va_list ap;
    va_start(ap, format);
    std::vfprintf(out, format, ap);
    va_end(ap);
    std::fputs("\n", out);
    std::fflush(out);
    LeaveSandbox(); // libFuzzer writes the crash input into the current directory
    std::abort();
}

inline std::string& SandboxDir()
{
    static std::string dir;
    return dir;
}

// The directory the process started in, open, so that it can be returned to.
inline int& StartDirectory()
{
    static int fd = -1;
    return fd;
}

inline void LeaveSandbox()
{
    if (StartDirectory() >= 0 && ::fchdir(StartDirectory()) != 0)
        std::perror("fuzz: cannot return to the start directory");
}

// Where the data directory goes: $TESSEL_FUZZ_DIR, else /dev/shm (memory: every save syncs its
// file, which a disk makes slow), else $TMPDIR, else /tmp.
inline std::string BaseDirectory()
{
    for (const char* variable : {"TESSEL_FUZZ_DIR", "", "TMPDIR"})
    {
        const char* value = *variable != '\0' ? std::getenv(variable) : "/dev/shm";
        if (value != nullptr && *value != '\0' && ::access(value, W_OK | X_OK) == 0)
            return value;
    }
    return "/tmp";
}

// A crash ends a process without its exit handlers: remove the data directories of processes
// that no longer run ("tessel-fuzz-PID-XXXXXX").
inline void RemoveStaleSandboxes()
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(BaseDirectory(), error))
    {
        const std::string name = entry.path().filename().string();
        const std::string prefix = "tessel-fuzz-";
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        {
            std::error_code ignored;
            std::filesystem::remove_all(entry.path(), ignored);
        }
    }
}

// While it lives, the current directory is the process's own data directory, emptied on entry
// (made on first use, removed at exit). Leaving returns to the start directory, where libFuzzer
// reads its inputs and writes its artifacts.
class Sandbox
{
public:
    Sandbox()
    {
        std::string& dir = SandboxDir();
        if (dir.empty())
        {
            RemoveStaleSandboxes();
            std::string pattern = BaseDirectory() + "/tessel-fuzz-" + std::to_string(::getpid()) + "-XXXXXX";
            StartDirectory() = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (StartDirectory() < 0 || ::mkdtemp(&pattern[0]) == nullptr)
            {
                std::perror("fuzz: cannot make a private data directory");
                std::abort();
            }
            dir = pattern;
            std::atexit(
                []
                {
                    std::error_code ignored;
                    std::filesystem::remove_all(SandboxDir(), ignored);
                });
        }
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(dir, error))
        {
            std::error_code ignored;
            std::filesystem::remove_all(entry.path(), ignored);
        }
        if (::chdir(dir.c_str()) != 0)
        {
            std::perror("fuzz: cannot enter the private data directory");
            std::abort();
        }
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;
    ~Sandbox() { LeaveSandbox(); }
};

inline void WriteBytes(const std::string& name, const std::string& bytes)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.good())
        Fail("cannot write %s in the fuzz directory", name.c_str());
}

inline void WriteBytes(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    WriteBytes(name, std::string(reinterpret_cast<const char*>(data), size));
}

inline std::string ReadBytes(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The little-endian bytes of UTF-16 text given as UTF-8, preceded by FF FE.
inline std::string Utf16File(const std::string& utf8)
{
    const std::u16string text = scl::FromUtf8(utf8.c_str());
    std::string bytes("\xFF\xFE");
    for (char16_t c : text)
    {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

inline std::string Utf8(const char16_t* s)
{
    return scl::ToUtf8(s);
}

// What a loaded table holds, as text: header, field types, and every cell's value in full.
struct Snapshot
{
    std::u16string header;
    std::vector<int> fieldTypes;
    std::vector<std::vector<std::u16string>> rows;
    std::vector<bool> cutOnSave; // the row is longer than a data file line can be
    int maxId = 0;
};

// The whole text of a cell's value (the text form of float and list cells is cut at 31 and 127
// units; a save writes the values in full).
inline std::u16string CellText(tarn::Cell* cell)
{
    if (cell == nullptr)
        return u"<no cell>";
    char16_t number[tarn::text::kNumberTextCapacity];
    std::u16string text;
    switch (cell->Type())
    {
    case FIELD_TYPE_FLOAT:
        return std::u16string(number,
                              static_cast<std::size_t>(tarn::text::FormatFloat(number, cell->GetFloat())));
    case FIELD_TYPE_STRING:
        return cell->GetString();
    case FIELD_TYPE_STRING_INT:
    {
        scl::parray<int> values = cell->GetStringInt();
        for (int i = 0; i < values.size(); ++i)
        {
            if (i > 0)
                text += u'|';
            text.append(number, static_cast<std::size_t>(tarn::text::FormatInt32(number, values[i])));
        }
        return text;
    }
    case FIELD_TYPE_STRING_FLOAT:
    {
        scl::parray<float> values = cell->GetStringFloat();
        for (int i = 0; i < values.size(); ++i)
        {
            if (i > 0)
                text += u'|';
            text.append(number, static_cast<std::size_t>(tarn::text::FormatFloat(number, values[i])));
        }
        return text;
    }
    default:
        return cell->ToString();
    }
}

inline Snapshot Take(tarn::editor::Table& table)
{
    Snapshot s;
    s.header = table.m_header.c_str();
    for (int i = 0; i < table.m_fields.size(); ++i)
        s.fieldTypes.push_back(table.m_fields[i].m_type);
    for (tarn::Row& row : table.m_rows)
    {
        std::vector<std::u16string> cells;
        for (int i = 0; i < row.cells.size(); ++i)
            cells.push_back(CellText(row.cells[i]));
        s.rows.push_back(std::move(cells));
        tarn::TableSerializer builder;
        builder.BuildRow(row.cells.m_data, row.cells.size());
        s.cutOnSave.push_back(builder.m_writeIssues.cutRow);
    }
    s.maxId = table.m_maxId;
    return s;
}

inline bool AnyCut(const Snapshot& s)
{
    for (bool cut : s.cutOnSave)
        if (cut)
            return true;
    return false;
}

// Checks that a reload shows what the first load showed. Rows that a save had to cut (longer
// than a data file line can be) may differ; everything else must be equal.
inline void Compare(const Snapshot& first, const Snapshot& second, const std::string& what)
{
    if (first.header != second.header)
        Fail("%s: header changed: \"%s\" -> \"%s\"", what.c_str(), Utf8(first.header.c_str()).c_str(),
             Utf8(second.header.c_str()).c_str());
    if (first.fieldTypes != second.fieldTypes)
        Fail("%s: fields changed", what.c_str());
    if (first.rows.size() != second.rows.size())
        Fail("%s: %zu rows loaded, %zu after save and reload", what.c_str(), first.rows.size(),
             second.rows.size());
    for (std::size_t r = 0; r < first.rows.size(); ++r)
    {
        if (first.cutOnSave[r])
            continue;
        if (first.rows[r].size() != second.rows[r].size())
            Fail("%s: row %zu: %zu cells, then %zu", what.c_str(), r + 1, first.rows[r].size(),
                 second.rows[r].size());
        for (std::size_t c = 0; c < first.rows[r].size(); ++c)
            if (first.rows[r][c] != second.rows[r][c])
                Fail("%s: row %zu, cell %zu: \"%s\" -> \"%s\"", what.c_str(), r + 1, c + 1,
                     Utf8(first.rows[r][c].c_str()).c_str(), Utf8(second.rows[r][c].c_str()).c_str());
    }
    if (!AnyCut(first) && first.maxId != second.maxId)
        Fail("%s: largest id %d, then %d", what.c_str(), first.maxId, second.maxId);
}

// With TESSEL_FUZZ_TRACE set, says why a table was refused (to check that seeds load).
inline void TraceRefusal(const tarn::editor::Table& table)
{
    if (std::getenv("TESSEL_FUZZ_TRACE") != nullptr)
        std::fprintf(ReportStream(), "fuzz: refused: %s\n", table.LastError().c_str());
}

// A new row takes the id one above every id in use and given out, or, when that would pass
// 2147483647, is refused: nothing is made and the result is null.
inline void CheckNewRow(tarn::editor::Table& table, const std::string& file)
{
    long long top = table.m_maxId;
    for (tarn::Row& row : table.m_rows)
        if (row.Id() > top)
            top = row.Id();
    const int rows = table.m_rows.size();
    tarn::Row* row = table.NewRow(u"new");
    if (top >= 2147483647LL)
    {
        if (row != nullptr || table.m_rows.size() != rows)
            Fail("%s: NewRow made a row although the id 2147483647 is taken", file.c_str());
        return;
    }
    if (row == nullptr)
        Fail("%s: NewRow refused below the largest id (%lld)", file.c_str(), top);
    if (row->Id() != top + 1 || table.m_rows.size() != rows + 1)
        Fail("%s: NewRow gave the id %d, expected %lld", file.c_str(), row->Id(), top + 1);
}

// Saves a loaded table, reloads the file and compares; then saves the reloaded table and checks
// that the file did not change (the writer's output is a fixed point of load + save), and makes
// a new row in it (CheckNewRow). The load's findings about the data file are checked too: with
// none, the first save must write the loaded bytes again; with any, it must write something else
// (each says what a save will change).
inline void RoundTrip(tarn::editor::Table& table, const std::string* loadedBytes = nullptr)
{
    const std::u16string name = table.m_fileName.c_str();
    const std::string file = Utf8(name.c_str());
    const Snapshot first = Take(table);
    if (std::getenv("TESSEL_FUZZ_TRACE") != nullptr)
        std::fprintf(ReportStream(), "fuzz: %s: %zu fields, %zu rows, largest id %d, %zu diagnostics%s\n",
                     file.c_str(), first.fieldTypes.size(), first.rows.size(), first.maxId,
                     table.Diagnostics().size(), AnyCut(first) ? ", cut on save" : "");
    if (std::getenv("TESSEL_FUZZ_TRACE") != nullptr)
        for (const tarn::Diagnostic& d : table.Diagnostics())
            std::fprintf(ReportStream(), "fuzz:   %s\n", d.text().c_str());
    if (!table.Save())
        Fail("%s: Save failed: %s", file.c_str(), table.LastError().c_str());
    const std::string saved = ReadBytes(file);
    // TESSEL_FUZZ_NO_WARNING_CHECK=1 skips the check of the findings, to fuzz on past an open one.
    if (loadedBytes != nullptr && std::getenv("TESSEL_FUZZ_NO_WARNING_CHECK") == nullptr)
    {
        // Every finding about the data file says what a save will write differently.
        const tarn::Diagnostic* change = nullptr;
        for (const tarn::Diagnostic& d : table.Diagnostics())
            if (d.file == file && change == nullptr)
                change = &d;
        if (change == nullptr && saved != *loadedBytes)
            Fail("%s: loaded without a warning, but the save wrote other bytes (%zu bytes, then %zu)",
                 file.c_str(), loadedBytes->size(), saved.size());
        if (change != nullptr && saved == *loadedBytes)
            Fail("%s: the load warned \"%s\", but the save wrote the file unchanged", file.c_str(),
                 change->text().c_str());
    }

    tarn::editor::Table reloaded;
    if (!reloaded.Load(name.c_str()))
        Fail("%s: the saved file is refused: %s", file.c_str(), reloaded.LastError().c_str());
    Compare(first, Take(reloaded), file);

    if (!reloaded.Save())
        Fail("%s: second Save failed: %s", file.c_str(), reloaded.LastError().c_str());
    if (!AnyCut(first) && ReadBytes(file) != saved)
        Fail("%s: a second save wrote different bytes", file.c_str());
    CheckNewRow(reloaded, file);
}

} // namespace fuzz

// Runs before libFuzzer applies -close_fd_mask: keep a copy of standard error for Fail.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const int copy = ::dup(2);
    if (copy >= 0)
        if (FILE* stream = ::fdopen(copy, "w"))
        {
            std::setvbuf(stream, nullptr, _IONBF, 0);
            fuzz::ReportStream() = stream;
        }
    return 0;
}

#endif // TESSEL_TESTS_FUZZ_FUZZ_SUPPORT_H
