#include "tool/tableExchange.h"

#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "base/string.h"
#include "tool/delimitedText.h"
#include "tool/jsonText.h"
#include "tool/row.h"
#include "tool/table.h"

namespace tarn
{
namespace
{

std::string Utf8(const std::u16string& s)
{
    return scl::ToUtf8(s.c_str(), static_cast<int>(s.size()));
}

std::string FieldName(const editor::Table& table, int i)
{
    return scl::ToUtf8(table.m_fields.m_data[i].m_name.c_str());
}

void AppendJsonValue(std::string& out, const CellValue& value)
{
    switch (value.Type())
    {
    case FIELD_TYPE_STRING:
        AppendJsonUtf8(out, Utf8(value.GetString()));
        break;
    case FIELD_TYPE_STRING_INT:
    case FIELD_TYPE_STRING_FLOAT:
    {
        // The list's own text is "a|b|c" with each value in its number form.
        const std::string text = Utf8(FormatCellValue(value));
        out += '[';
        for (const char c : text)
            out += c == '|' ? ',' : c;
        out += ']';
        break;
    }
    default:
        out += Utf8(FormatCellValue(value)); // "%d", "%u", 64-bit decimal, "%f": JSON numbers
        break;
    }
}

} // namespace

std::string ExportTable(editor::Table& table, ExportFormat format)
{
    std::string out;
    const int fields = table.m_fields.size();
    if (format == ExportFormat::Json)
    {
        std::vector<std::string> keys;
        for (int i = 0; i < fields; ++i)
        {
            std::string key;
            AppendJsonUtf8(key, FieldName(table, i));
            keys.push_back(key + ':');
        }
        out += '[';
        bool first = true;
        for (Row& row : table.m_rows)
        {
            out += first ? "\n{" : ",\n{";
            first = false;
            for (int i = 0; i < fields && i < row.cells.size(); ++i)
            {
                if (i > 0)
                    out += ',';
                out += keys[static_cast<size_t>(i)];
                AppendJsonValue(out, ReadCell(*row.cells.m_data[i]));
            }
            out += '}';
        }
        return out + "\n]\n";
    }

    const char separator = format == ExportFormat::Tsv ? '\t' : ',';
    out += "\xEF\xBB\xBF";
    for (int i = 0; i < fields; ++i)
    {
        if (i > 0)
            out += separator;
        AppendDelimitedField(out, FieldName(table, i), separator);
    }
    out += "\r\n";
    for (Row& row : table.m_rows)
    {
        for (int i = 0; i < row.cells.size(); ++i)
        {
            if (i > 0)
                out += separator;
            AppendDelimitedField(out, Utf8(CellText(*row.cells.m_data[i])), separator);
        }
        out += "\r\n";
    }
    return out;
}

bool PlanImport(editor::Table& table, const std::string& bytes, char separator, bool merge, ImportPlan& plan,
                std::vector<ImportProblem>& problems)
{
    plan = ImportPlan();
    plan.merge = merge;
    problems.clear();
    auto problem = [&](int line, int column, std::string message) {
        problems.push_back({line, column, std::move(message)});
    };

    std::vector<DelimitedRecord> records;
    DelimitedProblem readProblem;
    if (!ReadDelimited(bytes, separator, records, readProblem))
    {
        problem(readProblem.line, readProblem.column, readProblem.message);
        return false;
    }
    if (records.empty())
    {
        problem(1, 1, "文件是空的：第一行应是字段名");
        return false;
    }

    // The header: each column names one field of the table, each field at most once.
    const int fieldCount = table.m_fields.size();
    const DelimitedRecord& header = records.front();
    std::vector<int> columnField;
    std::vector<bool> taken(static_cast<size_t>(fieldCount), false);
    for (const DelimitedField& column : header.fields)
    {
        int found = -1;
        bool repeated = false;
        for (int i = 0; i < fieldCount; ++i)
        {
            if (FieldName(table, i) != column.text)
                continue;
            if (taken[static_cast<size_t>(i)])
            {
                repeated = true;
                continue;
            }
            found = i;
            break;
        }
        if (found < 0)
            problem(column.line, column.column,
                    repeated ? "列 \"" + column.text + "\" 出现了不止一次"
                             : "列 \"" + column.text + "\" 不是表 " + scl::ToUtf8(table.m_fileName.c_str()) +
                                   " 的字段");
        else
            taken[static_cast<size_t>(found)] = true;
        columnField.push_back(found);
    }
    const int idField = table.m_idFieldIndex;
    const int nameField = table.m_nameFieldIndex;
    for (const int required : {idField, nameField})
    {
        if (required >= 0 && required < fieldCount && !taken[static_cast<size_t>(required)])
            problem(header.line, 1,
                    std::string("缺少") + (required == idField ? "编号" : "名称") + "列 \"" +
                        FieldName(table, required) + "\"");
    }
    if (!problems.empty())
        return false;

    // The values.
    std::unordered_map<int, int> firstLine; // id -> line
    for (size_t r = 1; r < records.size(); ++r)
    {
        const DelimitedRecord& record = records[r];
        if (record.fields.size() != header.fields.size())
        {
            const bool tooMany = record.fields.size() > header.fields.size();
            problem(record.line, static_cast<int>(tooMany ? header.fields.size() + 1 : record.fields.size()),
                    "这一行有 " + std::to_string(record.fields.size()) + " 个值，而标题行有 " +
                        std::to_string(header.fields.size()) + " 列");
            continue;
        }
        ImportPlan::Record planned;
        planned.line = record.line;
        planned.values.resize(static_cast<size_t>(fieldCount));
        bool ok = true;
        for (size_t c = 0; c < record.fields.size(); ++c)
        {
            const DelimitedField& value = record.fields[c];
            const int f = columnField[c];
            CellInput input = ParseCellText(table.m_fields.m_data[f], scl::FromUtf8(value.text.c_str()));
            if (!input)
            {
                problem(value.line, value.column, Utf8(input.message));
                ok = false;
                continue;
            }
            planned.values[static_cast<size_t>(f)] = std::move(input.value);
        }
        if (!ok)
            continue;
        const int id = planned.values[static_cast<size_t>(idField)].GetInt();
        const auto inserted = firstLine.emplace(id, record.line);
        if (!inserted.second)
        {
            size_t idColumn = 0;
            while (columnField[idColumn] != idField)
                ++idColumn;
            problem(record.line, static_cast<int>(idColumn) + 1,
                    "编号 " + std::to_string(id) + " 已在第 " + std::to_string(inserted.first->second) +
                        " 行用过：每一行的编号必须不同");
            continue;
        }
        plan.records.push_back(std::move(planned));
    }
    if (!problems.empty())
    {
        plan.records.clear();
        return false;
    }

    // What would change. The first row of an id in the table is the one a record meets.
    std::unordered_map<int, Row*> existing;
    for (Row& row : table.m_rows)
        existing.emplace(row.Id(), &row);
    for (ImportPlan::Record& record : plan.records)
    {
        const auto it = existing.find(record.values[static_cast<size_t>(idField)].GetInt());
        if (it == existing.end())
        {
            ++plan.added;
            continue;
        }
        Row& row = *it->second;
        if (merge)
            record.target = &row;
        bool same = true;
        for (int f = 0; f < fieldCount && same; ++f)
        {
            const CellValue& value = record.values[static_cast<size_t>(f)];
            const CellValue old = ReadCell(*row.cells.m_data[f]);
            if (value.Type() == FIELD_TYPE_INVALID)
            {
                // A column the file lacks: merge keeps the value, replace starts from the default.
                if (!merge)
                {
                    Cell* fresh = CreateCell(table.m_fields.m_data[f]);
                    if (fresh != nullptr)
                    {
                        same = ReadCell(*fresh) == old;
                        delete fresh;
                    }
                }
                continue;
            }
            same = value == old;
        }
        ++(same ? plan.unchanged : plan.changed);
        existing.erase(it); // a second record of the id cannot exist; a second row of it stays
    }
    if (!merge)
    {
        std::unordered_set<int> ids;
        for (const ImportPlan::Record& record : plan.records)
            ids.insert(record.values[static_cast<size_t>(idField)].GetInt());
        for (Row& row : table.m_rows)
            plan.removed += ids.count(row.Id()) == 0 ? 1 : 0;
    }
    return true;
}

void ApplyImport(editor::Table& table, const ImportPlan& plan)
{
    if (!plan.merge)
        table.m_rows.clear();
    const int previousMax = table.m_maxId;
    for (const ImportPlan::Record& record : plan.records)
    {
        Row* row = record.target;
        if (row == nullptr)
        {
            row = &table.m_rows.push_back()->value;
            table.fillNewRow(*row);
            ++table.m_newRowCounter;
        }
        for (int f = 0; f < row->cells.size() && f < static_cast<int>(record.values.size()); ++f)
        {
            if (record.values[static_cast<size_t>(f)].Type() != FIELD_TYPE_INVALID)
                WriteCell(*row->cells.m_data[f], record.values[static_cast<size_t>(f)]);
        }
    }
    const int top = table.ComputeMaxId();
    if (plan.merge && previousMax > top)
        table.m_maxId = previousMax;
}

std::string ImportSummary(const ImportPlan& plan)
{
    std::string text = std::to_string(plan.added) + " rows added, " + std::to_string(plan.changed) +
                       " changed, " + std::to_string(plan.unchanged) + " unchanged";
    if (!plan.merge)
        text += ", " + std::to_string(plan.removed) + " removed";
    return text;
}

} // namespace tarn
