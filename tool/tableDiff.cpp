#include "tool/tableDiff.h"

#include <map>
#include <utility>

#include "base/string.h"
#include "tool/cellText.h"
#include "tool/jsonText.h"
#include "tool/tableFiles.h"
#include "tool/tables.h"

namespace tarn
{
namespace
{

std::string Utf16ToUtf8(const char16_t* s, size_t count)
{
    return scl::ToUtf8(s, static_cast<int>(count));
}

// Valid UTF-8 stays as it is; every byte of a malformed sequence becomes U+FFFD.
std::string SanitizeUtf8(const std::string& bytes)
{
    std::string out;
    out.reserve(bytes.size());
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    for (size_t i = 0; i < n;)
    {
        const unsigned char c = b[i];
        size_t extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
        bool ok = extra != 9;
        for (size_t k = 1; ok && k <= extra; ++k)
            ok = i + k < n && (b[i + k] >> 6) == 2;
        if (ok && extra > 0)
        {
            // Overlong forms, surrogates and values above U+10FFFF are not UTF-8 either.
            unsigned v = c & (0x3F >> extra);
            for (size_t k = 1; k <= extra; ++k)
                v = (v << 6) | (b[i + k] & 0x3F);
            const unsigned least[] = {0, 0x80, 0x800, 0x10000};
            ok = v >= least[extra] && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF);
        }
        if (!ok)
        {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        out.append(bytes, i, extra + 1);
        i += extra + 1;
    }
    return out;
}

std::string RawWithNote(const std::string& reason, const std::string& text)
{
    return "# tessel-cli textconv: 不是可载入的数据文件 (" + reason + "); 以下为原文\n" + text;
}

} // namespace

std::string TextConv(const std::string& bytes)
{
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const bool marked = bytes.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE;
    if (!marked || bytes.size() % 2 != 0)
    {
        const char* reason = !marked ? "no UTF-16LE byte-order mark FF FE" : "an odd number of bytes";
        return RawWithNote(reason, SanitizeUtf8(bytes));
    }
    std::u16string text((bytes.size() - 2) / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(b[2 + 2 * i] | (b[3 + 2 * i] << 8));
    const char16_t* begin = text.data();
    const char16_t* end = begin + text.size();
    int line = 0;
    const std::string problem = editor::detail::StructureProblem(begin, end, &line);
    if (!problem.empty())
        return RawWithNote("line " + std::to_string(line) + ": " + problem, Utf16ToUtf8(begin, text.size()));

    // CR LF ends a line; a CR or LF alone inside a row stays as it is (the row is still one row).
    std::string out;
    out.reserve(bytes.size());
    const char16_t* start = begin;
    for (const char16_t* p = begin; p < end; ++p)
    {
        if (*p == u'\r' && p + 1 < end && p[1] == u'\n')
        {
            out += Utf16ToUtf8(start, static_cast<size_t>(p - start));
            out += '\n';
            start = ++p + 1;
        }
    }
    if (start < end)
        out += Utf16ToUtf8(start, static_cast<size_t>(end - start)) + "\n";
    return out;
}

std::vector<TableSnapshot> SnapshotTables(TableList& list)
{
    std::vector<TableSnapshot> tables;
    tables.reserve(static_cast<size_t>(list.count()));
    for (int t = 0; t < list.count(); ++t)
    {
        editor::Table& table = *list.at(t);
        TableSnapshot snapshot;
        snapshot.file = scl::ToUtf8(table.m_fileName.c_str());
        for (int i = 0; i < table.m_fields.size(); ++i)
            snapshot.fields.push_back(scl::ToUtf8(table.m_fields.m_data[i].m_name.c_str()));
        snapshot.rows.reserve(static_cast<size_t>(table.m_rows.size()));
        for (Row& row : table.m_rows)
        {
            TableSnapshot::Line line;
            line.id = row.Id();
            line.name = scl::ToUtf8(row.Name());
            for (int i = 0; i < row.cells.size(); ++i)
                line.values.push_back(scl::ToUtf8(CellText(*row.cells.m_data[i]).c_str()));
            snapshot.rows.push_back(std::move(line));
        }
        tables.push_back(std::move(snapshot));
    }
    return tables;
}

namespace
{

// Rows by (id, how many rows of that id came before it).
std::map<std::pair<int, int>, const TableSnapshot::Line*> RowsById(const TableSnapshot& table)
{
    std::map<std::pair<int, int>, const TableSnapshot::Line*> rows;
    std::map<int, int> seen;
    for (const TableSnapshot::Line& row : table.rows)
        rows[{row.id, seen[row.id]++}] = &row;
    return rows;
}

int FieldIndex(const TableSnapshot& table, const std::string& name)
{
    for (size_t i = 0; i < table.fields.size(); ++i)
    {
        if (table.fields[i] == name)
            return static_cast<int>(i);
    }
    return -1;
}

TableDiff CompareTable(const TableSnapshot& a, const TableSnapshot& b)
{
    TableDiff diff;
    diff.kind = TableDiff::Changed;
    diff.file = a.file;
    for (const std::string& name : a.fields)
    {
        if (FieldIndex(b, name) < 0)
            diff.fieldsRemoved.push_back(name);
    }
    for (const std::string& name : b.fields)
    {
        if (FieldIndex(a, name) < 0)
            diff.fieldsAdded.push_back(name);
    }
    // Fields of both tables, by position in a and in b.
    std::vector<std::pair<int, int>> common;
    for (size_t i = 0; i < a.fields.size(); ++i)
    {
        const int j = FieldIndex(b, a.fields[i]);
        if (j >= 0 && FieldIndex(a, a.fields[i]) == static_cast<int>(i))
            common.emplace_back(static_cast<int>(i), j);
    }

    const auto rowsA = RowsById(a);
    const auto rowsB = RowsById(b);
    std::map<int, int> seen;
    for (const TableSnapshot::Line& row : a.rows)
    {
        const auto key = std::make_pair(row.id, seen[row.id]++);
        const auto other = rowsB.find(key);
        if (other == rowsB.end())
        {
            diff.rowsRemoved.push_back({row.id, row.name, {}});
            continue;
        }
        RowChange change{row.id, other->second->name, {}};
        for (const auto& f : common)
        {
            const std::string& oldValue = row.values[static_cast<size_t>(f.first)];
            const std::string& newValue = other->second->values[static_cast<size_t>(f.second)];
            if (oldValue != newValue)
                change.fields.push_back({a.fields[static_cast<size_t>(f.first)], oldValue, newValue});
        }
        if (!change.fields.empty())
            diff.rowsChanged.push_back(std::move(change));
    }
    seen.clear();
    for (const TableSnapshot::Line& row : b.rows)
    {
        if (rowsA.count({row.id, seen[row.id]++}) == 0)
            diff.rowsAdded.push_back({row.id, row.name, {}});
    }
    return diff;
}

bool Empty(const TableDiff& d)
{
    return d.kind == TableDiff::Changed && d.fieldsAdded.empty() && d.fieldsRemoved.empty() &&
           d.rowsAdded.empty() && d.rowsRemoved.empty() && d.rowsChanged.empty();
}

std::string Quoted(const std::string& utf8)
{
    std::string out;
    AppendJsonUtf8(out, utf8);
    return out;
}

} // namespace

std::vector<TableDiff> DiffTables(const std::vector<TableSnapshot>& a, const std::vector<TableSnapshot>& b)
{
    std::vector<TableDiff> diffs;
    auto find = [](const std::vector<TableSnapshot>& tables, const std::string& file) -> const TableSnapshot*
    {
        for (const TableSnapshot& t : tables)
        {
            if (t.file == file)
                return &t;
        }
        return nullptr;
    };
    for (const TableSnapshot& table : a)
    {
        const TableSnapshot* other = find(b, table.file);
        if (other == nullptr)
        {
            TableDiff d;
            d.kind = TableDiff::Removed;
            d.file = table.file;
            d.rowCount = static_cast<int>(table.rows.size());
            diffs.push_back(std::move(d));
            continue;
        }
        TableDiff d = CompareTable(table, *other);
        if (!Empty(d))
            diffs.push_back(std::move(d));
    }
    for (const TableSnapshot& table : b)
    {
        if (find(a, table.file) != nullptr)
            continue;
        TableDiff d;
        d.kind = TableDiff::Added;
        d.file = table.file;
        d.rowCount = static_cast<int>(table.rows.size());
        diffs.push_back(std::move(d));
    }
    return diffs;
}

std::string FormatDiff(const std::vector<TableDiff>& diffs)
{
    std::string out;
    for (const TableDiff& d : diffs)
    {
        const std::string prefix = d.file + ": ";
        if (d.kind != TableDiff::Changed)
        {
            out += prefix + "table " + (d.kind == TableDiff::Added ? "added" : "removed") + " (" +
                   std::to_string(d.rowCount) + " rows)\n";
            continue;
        }
        for (const std::string& f : d.fieldsRemoved)
            out += prefix + "field " + Quoted(f) + " removed\n";
        for (const std::string& f : d.fieldsAdded)
            out += prefix + "field " + Quoted(f) + " added\n";
        for (const RowChange& r : d.rowsRemoved)
            out += prefix + "row " + std::to_string(r.id) + " " + Quoted(r.name) + " removed\n";
        for (const RowChange& r : d.rowsAdded)
            out += prefix + "row " + std::to_string(r.id) + " " + Quoted(r.name) + " added\n";
        for (const RowChange& r : d.rowsChanged)
        {
            for (const FieldChange& f : r.fields)
                out += prefix + "row " + std::to_string(r.id) + " " + Quoted(r.name) +
                       " changed: " + Quoted(f.field) + " " + Quoted(f.oldValue) + " -> " +
                       Quoted(f.newValue) + "\n";
        }
    }
    return out;
}

std::string FormatDiffJson(const std::vector<TableDiff>& diffs)
{
    std::string out = std::string("{\"equal\":") + (diffs.empty() ? "true" : "false") + ",\"tables\":[";
    auto rows = [&](const char* key, const std::vector<RowChange>& list, bool fields)
    {
        out += std::string(",\"") + key + "\":[";
        for (size_t i = 0; i < list.size(); ++i)
        {
            if (i > 0)
                out += ',';
            out += "{\"id\":" + std::to_string(list[i].id) + ",\"name\":";
            AppendJsonUtf8(out, list[i].name);
            if (fields)
            {
                out += ",\"fields\":[";
                for (size_t k = 0; k < list[i].fields.size(); ++k)
                {
                    const FieldChange& f = list[i].fields[k];
                    out += k > 0 ? ",{\"field\":" : "{\"field\":";
                    AppendJsonUtf8(out, f.field);
                    out += ",\"old\":";
                    AppendJsonUtf8(out, f.oldValue);
                    out += ",\"new\":";
                    AppendJsonUtf8(out, f.newValue);
                    out += '}';
                }
                out += ']';
            }
            out += '}';
        }
        out += ']';
    };
    auto names = [&](const char* key, const std::vector<std::string>& list)
    {
        out += std::string(",\"") + key + "\":[";
        for (size_t i = 0; i < list.size(); ++i)
        {
            if (i > 0)
                out += ',';
            AppendJsonUtf8(out, list[i]);
        }
        out += ']';
    };
    for (size_t i = 0; i < diffs.size(); ++i)
    {
        const TableDiff& d = diffs[i];
        out += i > 0 ? ",{\"table\":" : "{\"table\":";
        AppendJsonUtf8(out, d.file);
        out += std::string(",\"status\":\"") +
               (d.kind == TableDiff::Added     ? "added"
                : d.kind == TableDiff::Removed ? "removed"
                                               : "changed") +
               "\"";
        if (d.kind != TableDiff::Changed)
            out += ",\"rows\":" + std::to_string(d.rowCount);
        else
        {
            names("fieldsAdded", d.fieldsAdded);
            names("fieldsRemoved", d.fieldsRemoved);
            rows("added", d.rowsAdded, false);
            rows("removed", d.rowsRemoved, false);
            rows("changed", d.rowsChanged, true);
        }
        out += '}';
    }
    return out + "]}\n";
}

} // namespace tarn
