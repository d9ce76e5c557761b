#include "tool/tableCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <unordered_map>
#include <unordered_set>

#include "base/string.h"
#include "tool/cell.h"
#include "tool/row.h"
#include "tool/tables.h"

namespace tarn
{
namespace
{

using tarn::editor::Table;

std::string Utf8(const char16_t* s)
{
    return scl::ToUtf8(s);
}

// The name of field i for messages: its Name, or its position when it has none.
std::string FieldLabel(const Table& table, int i)
{
    const Field& field = table.m_fields.m_data[i];
    if (field.m_name.empty())
        return "field " + std::to_string(i);
    return "\"" + Utf8(field.m_name.c_str()) + "\"";
}

std::string FloatText(float v)
{
    char16_t number[text::kNumberTextCapacity];
    return Utf8(std::u16string(number, static_cast<size_t>(text::FormatFloat(number, v))).c_str());
}

// The ids of a table: a bitmap over their range while they are compact, a hash set otherwise.
class IdSet
{
public:
    explicit IdSet(Table& table)
    {
        long long lo = INT32_MAX;
        long long hi = INT32_MIN;
        for (const Row& row : table.m_rows)
        {
            lo = std::min<long long>(lo, row.Id());
            hi = std::max<long long>(hi, row.Id());
        }
        if (!table.m_rows.empty() && hi - lo + 1 <= 4LL * table.m_rows.size() + 1024)
        {
            m_lo = lo;
            m_dense.assign(static_cast<size_t>(hi - lo + 1), false);
            for (const Row& row : table.m_rows)
                m_dense[static_cast<size_t>(row.Id() - lo)] = true;
            return;
        }
        m_sparse.reserve(static_cast<size_t>(table.m_rows.size()));
        for (const Row& row : table.m_rows)
            m_sparse.insert(row.Id());
    }

    bool Has(int id) const
    {
        const long long k = id - m_lo;
        if (!m_dense.empty())
            return k >= 0 && k < static_cast<long long>(m_dense.size()) && m_dense[static_cast<size_t>(k)];
        return m_sparse.count(id) != 0;
    }

private:
    long long m_lo = 0;
    std::vector<bool> m_dense;
    std::unordered_set<int> m_sparse;
};

class Checker
{
public:
    explicit Checker(TableList& list) : m_list(list) {}

    std::vector<Problem> Run()
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
    Problem& Add(Problem::Kind kind, const Table& table, const std::string& file, int line,
                 const std::string& message)
    {
        Problem p;
        p.kind = kind;
        p.severity = Diagnostic::Error;
        p.file = file;
        p.table = Utf8(table.m_fileName.c_str());
        p.line = line;
        p.message = message;
        m_findings.push_back(std::move(p));
        return m_findings.back();
    }

    const IdSet& IdsOf(Table& table)
    {
        auto it = m_ids.find(&table);
        if (it == m_ids.end())
            it = m_ids.emplace(&table, IdSet(table)).first;
        return it->second;
    }

    void CheckDuplicateIds(Table& table)
    {
        const std::string file = Utf8(table.m_fileName.c_str());
        // The line of each id's first row: an array over the ids' range while they are compact.
        long long lo = INT32_MAX;
        long long hi = INT32_MIN;
        for (const Row& row : table.m_rows)
        {
            lo = std::min<long long>(lo, row.Id());
            hi = std::max<long long>(hi, row.Id());
        }
        const bool dense = !table.m_rows.empty() && hi - lo + 1 <= 4LL * table.m_rows.size() + 1024;
        std::vector<int> denseLine(dense ? static_cast<size_t>(hi - lo + 1) : 0, -1);
        std::unordered_map<int, int> sparseLine;
        int position = 0;
        for (const Row& row : table.m_rows)
        {
            const int id = row.Id();
            int* first = nullptr;
            if (dense)
            {
                first = &denseLine[static_cast<size_t>(id - lo)];
            }
            else
            {
                const auto inserted = sparseLine.emplace(id, -1);
                first = &inserted.first->second;
            }
            if (*first < 0)
            {
                *first = row.m_line;
            }
            else
            {
                Problem& p = Add(Problem::DuplicateId, table, file, row.m_line,
                                 "id " + std::to_string(id) + " is used again (first at line " +
                                     std::to_string(*first) + "); rows are known by their id");
                p.position = position;
                p.rowId = id;
                p.field = row.m_idFieldIndex;
                p.firstLine = *first;
            }
            ++position;
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
                Problem& p =
                    Add(Problem::MissingTable, table, file + ".meta", 0,
                        FieldLabel(table, i) + " links to \"" + Utf8(field.m_linkTableName.c_str()) +
                            "\", which is not a table of tableList.xml");
                p.field = i;
                p.target = Utf8(field.m_linkTableName.c_str());
                continue;
            }
            links.push_back({i, target});
        }
        if (links.empty())
            return;

        int position = 0;
        for (Row& row : table.m_rows)
        {
            for (const Link& link : links)
            {
                Cell* cell = row.cells.m_data[link.field];
                const IdSet& ids = IdsOf(*link.target);
                // The text of a value is made only for a finding.
                auto check = [&](long double value, auto text, bool inList)
                {
                    if (value == 0)
                        return;
                    int id = 0;
                    if (LinkTargetId(value, id) && ids.Has(id))
                        return;
                    const std::string valueText = text();
                    Problem& p = Add(Problem::DanglingLink, table, file, row.m_line,
                                     FieldLabel(table, link.field) + " is " + valueText +
                                         (inList ? " (in its list)" : "") +
                                         ", which is not the id of a row of \"" +
                                         Utf8(link.target->m_fileName.c_str()) + "\"");
                    p.position = position;
                    p.rowId = row.Id();
                    p.field = link.field;
                    p.value = valueText;
                    p.inList = inList;
                    p.target = Utf8(link.target->m_fileName.c_str());
                    p.targetLabel = Utf8(link.target->m_label.c_str());
                };
                switch (cell->Type())
                {
                case FIELD_TYPE_INT:
                    check(cell->GetInt(), [&] { return std::to_string(cell->GetInt()); }, false);
                    break;
                case FIELD_TYPE_UINT:
                    check(cell->GetUInt(), [&] { return std::to_string(cell->GetUInt()); }, false);
                    break;
                case FIELD_TYPE_INT64:
                    check(static_cast<long double>(cell->GetInt64()),
                          [&] { return std::to_string(cell->GetInt64()); }, false);
                    break;
                case FIELD_TYPE_UINT64:
                    check(static_cast<long double>(cell->GetUInt64()),
                          [&] { return std::to_string(cell->GetUInt64()); }, false);
                    break;
                case FIELD_TYPE_STRING_INT:
                    for (int v : cell->GetStringInt())
                        check(v, [&] { return std::to_string(v); }, true);
                    break;
                case FIELD_TYPE_STRING_FLOAT:
                    for (float v : cell->GetStringFloat())
                        check(v, [&] { return FloatText(v); }, true);
                    break;
                default:
                    break; // FLOAT and string columns hold no row ids
                }
            }
            ++position;
        }
    }

    TableList& m_list;
    std::vector<Problem> m_findings;
    std::unordered_map<const Table*, IdSet> m_ids;
};

} // namespace

Diagnostic Problem::ToDiagnostic() const
{
    Diagnostic d;
    d.severity = severity;
    d.file = file;
    d.line = line;
    d.message = message;
    return d;
}

bool LinkTargetId(long double value, int& id)
{
    if (value == 0 || std::floor(value) != value || value < INT32_MIN || value > INT32_MAX)
        return false;
    id = static_cast<int>(value);
    return true;
}

std::vector<Problem> CheckLinksAndIds(TableList& list)
{
    return Checker(list).Run();
}

Problem LoadProblem(const Diagnostic& d)
{
    Problem p;
    p.severity = d.severity;
    p.file = d.file;
    // A finding about "x.txt.meta" is about the table "x.txt".
    const std::string meta = ".meta";
    p.table =
        d.file.size() > meta.size() && d.file.compare(d.file.size() - meta.size(), meta.size(), meta) == 0
            ? d.file.substr(0, d.file.size() - meta.size())
            : d.file;
    if (p.table == "tableList.xml")
        p.table.clear();
    p.line = d.line;
    p.message = d.message;
    return p;
}

std::vector<Problem> CheckTables(TableList& list)
{
    std::vector<Problem> problems;
    for (const Diagnostic& d : list.diagnostics())
        problems.push_back(LoadProblem(d));
    std::vector<Problem> links = CheckLinksAndIds(list);
    problems.insert(problems.end(), std::make_move_iterator(links.begin()),
                    std::make_move_iterator(links.end()));
    return problems;
}

} // namespace tarn
