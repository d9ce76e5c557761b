// The subcommands check, dump and resave.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/assert.h"
#include "cli/cli.h"
#include "cli/json.h"
#include "tool/cell.h"
#include "tool/diagnostic.h"
#include "tool/tables.h"

namespace tarn
{
namespace cli
{
namespace
{

using tarn::Diagnostic;
using tarn::editor::Table;

TableList& LoadAll()
{
    TableList& list = *TableList::instance();
    list.initIndex();
    list.loadTableList();
    return list;
}

std::string Utf8(const char16_t* s)
{
    return scl::ToUtf8(s);
}

void Print(const Diagnostic& d, FILE* stream)
{
    const std::string line = d.text() + "\n";
    std::fputs(line.c_str(), stream);
}

// The name of field i for messages: its Name, or its position when it has none.
std::string FieldLabel(const Table& table, int i)
{
    const Field& field = table.m_fields.m_data[i];
    if (field.m_name.empty())
        return "field " + std::to_string(i);
    return "\"" + Utf8(field.m_name.c_str()) + "\"";
}

// Link and id checks over the loaded tables.
class LinkChecker
{
public:
    explicit LinkChecker(TableList& list) : m_list(list) {}

    std::vector<Diagnostic> Run()
    {
        for (int t = 0; t < m_list.count(); ++t)
        {
            Table& table = *m_list.at(t);
            CheckDuplicateIds(table);
            CheckLinks(table);
        }
        return std::move(m_findings);
    }

private:
    void Error(const std::string& file, int line, const std::string& message)
    {
        Diagnostic d;
        d.severity = Diagnostic::Error;
        d.file = file;
        d.line = line;
        d.message = message;
        m_findings.push_back(std::move(d));
    }

    const std::unordered_set<std::int64_t>& IdsOf(Table& table)
    {
        auto it = m_ids.find(&table);
        if (it != m_ids.end())
            return it->second;
        std::unordered_set<std::int64_t>& ids = m_ids[&table];
        ids.reserve(static_cast<size_t>(table.m_rows.size()));
        for (const Row& row : table.m_rows)
            ids.insert(row.Id());
        return ids;
    }

    void CheckDuplicateIds(Table& table)
    {
        const std::string file = Utf8(table.m_fileName.c_str());
        std::unordered_map<int, int> firstLine;
        firstLine.reserve(static_cast<size_t>(table.m_rows.size()));
        for (const Row& row : table.m_rows)
        {
            const int id = row.Id();
            const auto inserted = firstLine.emplace(id, row.m_line);
            if (!inserted.second)
                Error(file, row.m_line,
                      "id " + std::to_string(id) + " is used again (first at line " +
                          std::to_string(inserted.first->second) + "); rows are known by their id");
        }
    }

    void CheckLinks(Table& table)
    {
        const std::string file = Utf8(table.m_fileName.c_str());
        struct Link
        {
            int field;
            Table* target;
        };
        std::vector<Link> links;
        for (int i = 0; i < table.m_fields.size(); ++i)
        {
            const Field& field = table.m_fields.m_data[i];
            if (field.m_linkTableName.empty())
                continue;
            Table* target = m_list.find(field.m_linkTableName.c_str());
            if (target == nullptr)
            {
                Error(file + ".meta", 0,
                      FieldLabel(table, i) + " links to \"" + Utf8(field.m_linkTableName.c_str()) +
                          "\", which is not a table of tableList.xml");
                continue;
            }
            links.push_back({i, target});
        }
        if (links.empty())
            return;

        for (Row& row : table.m_rows)
        {
            for (const Link& link : links)
            {
                Cell* cell = row.cells.m_data[link.field];
                const std::unordered_set<std::int64_t>& ids = IdsOf(*link.target);
                // The text of a value is made only for a finding.
                auto check = [&](long double value, auto text)
                {
                    if (value == 0)
                        return;
                    const bool integral =
                        std::floor(value) == value && value >= INT32_MIN && value <= INT32_MAX;
                    if (integral && ids.count(static_cast<std::int64_t>(value)) != 0)
                        return;
                    Error(file, row.m_line,
                          FieldLabel(table, link.field) + " is " + text() +
                              ", which is not the id of a row of \"" + Utf8(link.target->m_fileName.c_str()) +
                              "\"");
                };
                switch (cell->Type())
                {
                case FIELD_TYPE_INT:
                    check(cell->GetInt(), [&] { return std::to_string(cell->GetInt()); });
                    break;
                case FIELD_TYPE_UINT:
                    check(cell->GetUInt(), [&] { return std::to_string(cell->GetUInt()); });
                    break;
                case FIELD_TYPE_INT64:
                    check(static_cast<long double>(cell->GetInt64()),
                          [&] { return std::to_string(cell->GetInt64()); });
                    break;
                case FIELD_TYPE_UINT64:
                    check(static_cast<long double>(cell->GetUInt64()),
                          [&] { return std::to_string(cell->GetUInt64()); });
                    break;
                case FIELD_TYPE_STRING_INT:
                {
                    const scl::parray<int> values = cell->GetStringInt();
                    for (int v : values)
                        check(v, [&] { return std::to_string(v) + " (in its list)"; });
                    break;
                }
                case FIELD_TYPE_STRING_FLOAT:
                {
                    const scl::parray<float> values = cell->GetStringFloat();
                    for (float v : values)
                        check(v, [&] { return Utf8(CellTextOfFloat(v).c_str()) + " (in its list)"; });
                    break;
                }
                default:
                    break; // FLOAT and string columns hold no row ids
                }
            }
        }
    }

    static std::u16string CellTextOfFloat(float v)
    {
        char16_t number[text::kNumberTextCapacity];
        return std::u16string(number, static_cast<size_t>(text::FormatFloat(number, v)));
    }

    TableList& m_list;
    std::vector<Diagnostic> m_findings;
    std::unordered_map<const Table*, std::unordered_set<std::int64_t>> m_ids;
};

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
    for (const Diagnostic& d : list.diagnostics())
        emit(d);
    for (const Diagnostic& d : LinkChecker(list).Run())
        emit(d);

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
