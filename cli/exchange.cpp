// The subcommands textconv, diff, export and import: thin wrappers around tool/tableDiff and
// tool/tableExchange.
#include <algorithm>
#include <climits>
#include <memory>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/cli.h"
#include "tool/diagnostic.h"
#include "tool/delimitedText.h"
#include "tool/tableDiff.h"
#include "tool/tableExchange.h"
#include "tool/tableFiles.h"
#include "tool/tables.h"

namespace tarn
{
namespace cli
{
namespace
{

bool Exists(const std::string& path)
{
    return ::access(path.c_str(), F_OK) == 0;
}

bool WriteAll(FILE* stream, const std::string& text)
{
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size() && std::fflush(stream) == 0;
}

// Loads the data directory `dir` into a fresh table list and copies its tables out. False (with
// the problems on standard error) when the directory or one of its tables did not load.
bool LoadSnapshot(const std::string& dir, std::vector<TableSnapshot>& tables)
{
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof(cwd)) == nullptr || ::chdir(dir.c_str()) != 0)
    {
        std::fprintf(stderr, "tessel-cli: diff: cannot change to the directory '%s'\n", dir.c_str());
        return false;
    }
    TableList::destroyInstance();
    TableList& list = *TableList::instance();
    list.initIndex();
    list.loadTableList();
    bool ok = true;
    for (const Diagnostic& d : list.diagnostics())
    {
        if (d.severity != Diagnostic::Error)
            continue;
        std::fprintf(stderr, "%s/%s\n", dir.c_str(), d.text().c_str());
        ok = false;
    }
    tables = SnapshotTables(list);
    TableList::destroyInstance();
    if (::chdir(cwd) != 0)
        ok = false;
    return ok;
}

TableList& LoadList()
{
    TableList& list = *TableList::instance();
    list.initIndex();
    list.loadTableList();
    return list;
}

// Reports why the table `name` is not there to export or import.
int NotLoaded(TableList& list, const std::string& name, const char* command)
{
    bool reported = false;
    for (const Diagnostic& d : list.diagnostics())
    {
        if (d.severity == Diagnostic::Error &&
            (d.file == name || d.file == name + ".meta" || d.file == "tableList.xml"))
        {
            std::fprintf(stderr, "%s\n", d.text().c_str());
            reported = true;
        }
    }
    if (!reported)
        std::fprintf(stderr, "tessel-cli: %s: \"%s\" is not a table of tableList.xml\n", command,
                     name.c_str());
    return kExitFindings;
}

// The first two lines of a data file that another tool rewrote (UTF-8 or UTF-16LE, any line
// ends), each followed by CR LF; empty when they cannot be had or do not hold `fields` values.
std::u16string HeaderOf(const std::string& path, int fields)
{
    std::string bytes;
    if (!editor::detail::ReadWholeFile(path, bytes))
        return std::u16string();
    std::u16string text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
    {
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    else
        text = scl::FromUtf8(bytes.c_str() + (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0));
    std::u16string header;
    size_t start = 0;
    for (int line = 0; line < 2; ++line)
    {
        const size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos)
            return std::u16string();
        std::u16string content = text.substr(start, end - start);
        if (!content.empty() && content.back() == u'\r')
            content.pop_back();
        if (content.find(u'\r') != std::u16string::npos ||
            static_cast<int>(std::count(content.begin(), content.end(), u'\t')) != fields - 1)
            return std::u16string();
        header += content + u"\r\n";
        start = end + 1;
    }
    return header;
}

// A table of tableList.xml that was refused for its data file, rebuilt from its metadata with no
// rows, to be filled by an import; null when its metadata cannot make one.
std::unique_ptr<editor::Table> RecoverTable(TableList& list, const std::string& name)
{
    bool refusedDataFile = false;
    for (const Diagnostic& d : list.diagnostics())
        refusedDataFile = refusedDataFile || (d.severity == Diagnostic::Error && d.file == name);
    const std::u16string fileName = scl::FromUtf8(name.c_str());
    const std::u16string metaName = fileName + u".meta";
    if (!refusedDataFile || fileName.size() > 127 || !Exists(name + ".meta"))
        return nullptr;
    auto table = std::make_unique<editor::Table>();
    table->LoadMetaData(metaName.c_str());
    const int fields = table->m_fields.size();
    const int id = table->m_idFieldIndex;
    const int nameField = table->m_nameFieldIndex;
    if (fields == 0 || id < 0 || id >= fields || nameField < 0 || nameField >= fields ||
        table->m_fields.m_data[id].m_type != FIELD_TYPE_INT ||
        table->m_fields.m_data[nameField].m_type != FIELD_TYPE_STRING)
        return nullptr;
    table->m_fileName = fileName.c_str();
    std::u16string header = HeaderOf(name, fields);
    if (header.empty())
    {
        // Generated: the field names, then the type names.
        static const char16_t* const kTypeNames[] = {
            u"", u"INT", u"UINT", u"INT64", u"UINT64", u"FLOAT", u"STRING", u"STRING_INT", u"STRING_FLOAT"};
        for (int line = 0; line < 2; ++line)
        {
            for (int i = 0; i < fields; ++i)
            {
                if (i > 0)
                    header += u'\t';
                const Field& field = table->m_fields.m_data[i];
                header += line == 0 ? std::u16string(field.m_name.c_str())
                                    : std::u16string(kTypeNames[field.m_type]);
            }
            header += u"\r\n";
        }
    }
    if (header.size() > 8191)
        return nullptr;
    table->m_header = header.c_str();
    std::fprintf(stderr, "%s: the data file was refused; its rows are replaced from the imported file\n",
                 name.c_str());
    return table;
}

} // namespace

int TextConvFile(const std::string& path)
{
    std::string bytes;
    if (!editor::detail::ReadWholeFile(path, bytes))
    {
        std::fprintf(stderr, "tessel-cli: textconv: cannot read '%s'\n", path.c_str());
        return kExitFindings;
    }
    return WriteAll(stdout, TextConv(bytes)) ? kExitOk : kExitFindings;
}

int DiffDirectories(const std::string& dirA, const std::string& dirB, const ExchangeOptions& options)
{
    std::vector<TableSnapshot> a, b;
    const bool okA = LoadSnapshot(dirA, a);
    const bool okB = LoadSnapshot(dirB, b);
    if (!okA || !okB)
        return kExitUsage; // as diff(1): trouble is 2
    const std::vector<TableDiff> diffs = DiffTables(a, b);
    WriteAll(stdout, options.json ? FormatDiffJson(diffs) : FormatDiff(diffs));
    return diffs.empty() ? kExitOk : kExitFindings;
}

int Export(const std::string& name, const ExchangeOptions& options)
{
    TableList& list = LoadList();
    editor::Table* table = list.find(scl::FromUtf8(name.c_str()).c_str());
    if (table == nullptr)
        return NotLoaded(list, name, "export");
    const ExportFormat format = options.format == "json"  ? ExportFormat::Json
                                : options.format == "tsv" ? ExportFormat::Tsv
                                                          : ExportFormat::Csv;
    const std::string text = ExportTable(*table, format);
    if (options.output.empty())
        return WriteAll(stdout, text) ? kExitOk : kExitFindings;
    FILE* out = std::fopen(options.output.c_str(), "wb");
    const bool ok = out != nullptr && WriteAll(out, text);
    if (out != nullptr && std::fclose(out) != 0)
        std::fprintf(stderr, "tessel-cli: export: cannot write '%s'\n", options.output.c_str());
    if (!ok)
    {
        std::fprintf(stderr, "tessel-cli: export: cannot write '%s'\n", options.output.c_str());
        return kExitFindings;
    }
    return kExitOk;
}

int Import(const std::string& name, const std::string& file, const ExchangeOptions& options)
{
    std::string bytes;
    if (!editor::detail::ReadWholeFile(file, bytes))
    {
        std::fprintf(stderr, "%s:0:0: error: 无法读取文件\n", file.c_str());
        return kExitFindings;
    }
    TableList& list = LoadList();
    editor::Table* table = list.find(scl::FromUtf8(name.c_str()).c_str());
    std::unique_ptr<editor::Table> recovered;
    if (table == nullptr)
    {
        // A table refused because another tool rewrote its data file (UTF-8, LF line ends) comes
        // back from its metadata and the file's own header lines, by replacing all its rows.
        if (!options.merge)
            recovered = RecoverTable(list, name);
        if (recovered == nullptr)
            return NotLoaded(list, name, "import");
        table = recovered.get();
    }

    ImportPlan plan;
    std::vector<ImportProblem> problems;
    if (!PlanImport(*table, bytes, GuessSeparator(file, bytes), options.merge, plan, problems))
    {
        for (const ImportProblem& p : problems)
            std::fprintf(stderr, "%s:%d:%d: error: %s\n", file.c_str(), p.line, p.column, p.message.c_str());
        std::fprintf(stderr, "%s: nothing written\n", name.c_str());
        return kExitFindings;
    }
    const std::string summary = name + ": " + ImportSummary(plan);
    if (options.dryRun)
    {
        std::printf("%s (dry run, nothing written)\n", summary.c_str());
        return kExitOk;
    }
    ApplyImport(*table, plan);
    if (!table->Save())
    {
        std::fprintf(stderr, "%s:0: error: %s\n", name.c_str(), table->LastError().c_str());
        return kExitFindings;
    }
    std::printf("%s\n", summary.c_str());
    return kExitOk;
}

} // namespace cli
} // namespace tarn
