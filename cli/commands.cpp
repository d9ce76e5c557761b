// The subcommands check, dump and resave.
#include <cstdio>
#include <string>
#include <vector>

#include "base/assert.h"
#include "cli/cli.h"
#include "cli/json.h"
#include "tool/cell.h"
#include "tool/diagnostic.h"
#include "tool/tableCheck.h"
#include "tool/tables.h"

namespace tarn
{
namespace cli
{
namespace
{

using tarn::Diagnostic;
using tarn::Problem;
using tarn::editor::Table;

TableList& LoadAll()
{
    TableList& list = *TableList::instance();
    list.initIndex();
    list.loadTableList();
    return list;
}

void Print(const Diagnostic& d, FILE* stream)
{
    const std::string line = d.text() + "\n";
    std::fputs(line.c_str(), stream);
}

} // namespace

int Check(const CheckOptions& options)
{
    const unsigned long reportsBefore = scl::AssertReportCount();
    TableList& list = LoadAll();

    int errors = 0;
    int warnings = 0;
    auto emit = [&](const Diagnostic& d)
    {
        Print(d, stdout);
        (d.severity == Diagnostic::Error ? errors : warnings) += 1;
    };
    for (const Problem& p : CheckTables(list))
        emit(p.ToDiagnostic());

    long long rows = 0;
    for (int i = 0; i < list.count(); ++i)
        rows += list.at(i)->m_rows.size();
    std::printf("%d tables, %lld rows, %d errors, %d warnings\n", list.count(), rows, errors, warnings);
    std::fflush(stdout);

    const bool failedChecks = scl::AssertReportCount() != reportsBefore;
    const bool ok = errors == 0 && !failedChecks && (!options.strict || warnings == 0);
    return ok ? kExitOk : kExitFindings;
}

int Dump(const std::vector<std::string>& fileNames)
{
    TableList& list = LoadAll();
    bool ok = true;
    for (const Diagnostic& d : list.diagnostics())
    {
        Print(d, stderr);
        if (d.severity == Diagnostic::Error)
            ok = false;
    }

    std::vector<Table*> tables;
    if (fileNames.empty())
    {
        for (int i = 0; i < list.count(); ++i)
            tables.push_back(list.at(i));
    }
    for (const std::string& name : fileNames)
    {
        Table* table = list.find(scl::FromUtf8(name.c_str()).c_str());
        if (table == nullptr)
        {
            std::fprintf(stderr, "tessel-cli: dump: \"%s\" is not a table of tableList.xml\n", name.c_str());
            ok = false;
            continue;
        }
        tables.push_back(table);
    }

    std::string line;
    for (Table* table : tables)
    {
        std::string prefix = "{\"table\":";
        AppendJsonString(prefix, table->m_fileName.c_str());
        for (Row& row : table->m_rows)
        {
            line = prefix;
            line += ",\"id\":" + std::to_string(row.Id()) + ",\"name\":";
            AppendJsonString(line, row.Name());
            line += ",\"cells\":[";
            for (int i = 0; i < row.cells.size(); ++i)
            {
                if (i > 0)
                    line += ',';
                AppendJsonString(line, CellText(*row.cells.m_data[i]).c_str());
            }
            line += "]}\n";
            std::fwrite(line.data(), 1, line.size(), stdout);
        }
    }
    std::fflush(stdout);
    return ok ? kExitOk : kExitFindings;
}

int Resave()
{
    TableList& list = LoadAll();
    bool ok = true;
    for (const Diagnostic& d : list.diagnostics())
    {
        Print(d, stdout);
        if (d.severity == Diagnostic::Error)
            ok = false; // a refused table or skipped entry is not written
    }
    const std::vector<tarn::SaveFailure> failures = list.saveAll();
    for (const tarn::SaveFailure& failure : failures)
        std::printf("%s:0: error: %s\n", failure.file.c_str(), failure.reason.c_str());
    std::printf("%d tables written, %d not written\n", list.count() - static_cast<int>(failures.size()),
                static_cast<int>(failures.size()));
    std::fflush(stdout);
    return ok && failures.empty() ? kExitOk : kExitFindings;
}

} // namespace cli
} // namespace tarn
