#include "tool/rowText.h"

#include <cstdint>
#include <memory>

#include "base/string.h"
#include "tool/cell.h"
#include "tool/cellText.h"
#include "tool/cellValue.h"
#include "tool/row.h"
#include "tool/table.h"
#include "tool/tableSerializer.h"

namespace tarn
{
namespace
{

std::vector<std::u16string> Split(const std::u16string& text, char16_t separator)
{
    std::vector<std::u16string> pieces;
    std::size_t start = 0;
    for (;;)
    {
        const std::size_t end = text.find(separator, start);
        if (end == std::u16string::npos)
        {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

} // namespace

std::u16string RowsToText(editor::Table& table, const std::vector<Row*>& rows)
{
    std::u16string out;
    for (int f = 0; f < table.m_fields.size(); ++f)
    {
        if (f > 0)
            out.push_back(u'\t');
        out += table.m_fields[f].m_name.c_str();
    }
    out.push_back(u'\n');
    TableSerializer serializer;
    for (Row* row : rows)
    {
        if (row == nullptr)
            continue;
        serializer.BuildRow(row->cells.m_data, row->cells.size());
        const char16_t* line = serializer.m_writeBuffer.c_str();
        int length = serializer.m_writeLength;
        // The line without its CR LF.
        while (length > 0 && (line[length - 1] == u'\n' || line[length - 1] == u'\r'))
            --length;
        out.append(line, static_cast<std::size_t>(length));
        out.push_back(u'\n');
    }
    return out;
}

bool CheckFieldText(editor::Table& table, int field, const std::u16string& value, std::u16string& exact,
                    std::u16string& why)
{
    why.clear();
    if (field < 0 || field >= table.m_fields.size())
    {
        why = u"没有对应的字段";
        return false;
    }
    // The one cell-input adapter decides, as for every other editor surface.
    const CellInput input = ParseCellText(table.m_fields[field], value);
    if (!input)
    {
        why = input.message;
        return false;
    }
    std::unique_ptr<Cell> cell(CreateCell(table.m_fields[field]));
    if (!cell || !WriteCell(*cell, input.value))
    {
        why = u"无法创建单元格";
        return false;
    }
    exact = ExactValueText(*cell);
    return true;
}

bool RowsFromText(editor::Table& table, const std::u16string& text,
                  std::vector<std::vector<std::u16string>>& rows, std::vector<RowTextProblem>& problems,
                  int maxProblems)
{
    rows.clear();
    problems.clear();
    std::u16string header;
    for (int f = 0; f < table.m_fields.size(); ++f)
    {
        if (f > 0)
            header.push_back(u'\t');
        header += table.m_fields[f].m_name.c_str();
    }

    const int fieldCount = table.m_fields.size();
    std::vector<std::u16string> lines = Split(text, u'\n');
    bool totalProblems = false;
    const auto add = [&](RowTextProblem problem)
    {
        if (static_cast<int>(problems.size()) < maxProblems)
            problems.push_back(std::move(problem));
        totalProblems = true;
    };
    for (std::size_t l = 0; l < lines.size(); ++l)
    {
        std::u16string& line = lines[l];
        if (!line.empty() && line.back() == u'\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (rows.empty() && !totalProblems && line == header)
            continue;
        const int lineNumber = static_cast<int>(l) + 1;
        const std::vector<std::u16string> values = Split(line, u'\t');
        if (static_cast<int>(values.size()) > fieldCount)
        {
            add({lineNumber, u"", line,
                 u"有 " + scl::FromUtf8(std::to_string(values.size()).c_str()) + u" 个值，而表只有 " +
                     scl::FromUtf8(std::to_string(fieldCount).c_str()) + u" 个字段"});
            continue;
        }
        std::vector<std::u16string> row(static_cast<std::size_t>(fieldCount));
        for (int f = 0; f < fieldCount; ++f)
        {
            if (f == table.m_idFieldIndex)
                continue; // a fresh id is given
            // A short line leaves the remaining fields at their initial values.
            const std::u16string value =
                f < static_cast<int>(values.size()) ? values[static_cast<std::size_t>(f)] : std::u16string();
            const bool given = f < static_cast<int>(values.size());
            std::u16string exact;
            std::u16string why;
            if (!given)
            {
                std::unique_ptr<Cell> initial(CreateCell(table.m_fields[f]));
                if (initial)
                    row[static_cast<std::size_t>(f)] = ExactValueText(*initial);
                continue;
            }
            if (!CheckFieldText(table, f, value, exact, why))
                add({lineNumber, table.m_fields[f].m_name.c_str(), value, why});
            else
                row[static_cast<std::size_t>(f)] = std::move(exact);
        }
        rows.push_back(std::move(row));
    }
    if (rows.empty() && !totalProblems)
        add({0, u"", u"", u"没有可粘贴的行"});
    if (totalProblems)
    {
        rows.clear();
        return false;
    }
    return true;
}

} // namespace tarn
