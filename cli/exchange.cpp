// The subcommands textconv, diff, export and import: thin wrappers around tool/tableDiff and
// tool/tableExchange.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/cli.h"
#include "tool/diagnostic.h"
#include "tool/tableDiff.h"
#include "tool/tableFiles.h"
#include "tool/tables.h"

namespace tarn
{
namespace cli
{
namespace
{

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

int Export(const std::string&, const ExchangeOptions&)
{
    return kExitUsage; // not reachable yet: the command is not accepted
}

int Import(const std::string&, const std::string&, const ExchangeOptions&)
{
    return kExitUsage; // not reachable yet: the command is not accepted
}

} // namespace cli
} // namespace tarn
