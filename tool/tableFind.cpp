#include "tool/tableFind.h"

#include "tool/cell.h"
#include "tool/row.h"
#include "tool/table.h"

namespace tarn
{
namespace
{

char16_t Fold(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool IsWordChar(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' ||
           (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xD800 && c <= 0xDFFF);
}

} // namespace

bool TextMatches(const char16_t* text, const std::u16string& wanted, bool wholeWord)
{
    if (text == nullptr || wanted.empty())
        return false;
    const char16_t first = Fold(wanted[0]);
    const std::size_t n = wanted.size();
    for (const char16_t* p = text; *p != 0; ++p)
    {
        if (Fold(*p) != first)
            continue;
        std::size_t i = 1;
        while (i < n && p[i] != 0 && Fold(p[i]) == Fold(wanted[i]))
            ++i;
        if (i < n)
            continue;
        if (!wholeWord)
            return true;
        const bool startsWord = p == text || !IsWordChar(p[-1]) || !IsWordChar(wanted[0]);
        const bool endsWord = p[n] == 0 || !IsWordChar(p[n]) || !IsWordChar(wanted[n - 1]);
        if (startsWord && endsWord)
            return true;
    }
    return false;
}

std::vector<FindMatch> FindInTables(const std::vector<tarn::editor::Table*>& tables,
                                    const std::u16string& text, bool wholeWord, std::size_t limit,
                                    bool* truncated)
{
    std::vector<FindMatch> matches;
    if (truncated != nullptr)
        *truncated = false;
    if (text.empty())
        return matches;
    for (tarn::editor::Table* table : tables)
    {
        if (table == nullptr)
            continue;
        int position = 0;
        for (Row& row : table->m_rows)
        {
            for (int f = 0; f < row.cells.size(); ++f)
            {
                Cell* cell = row.cells.m_data[f];
                if (cell == nullptr)
                    continue;
                const char16_t* shown = cell->ToString();
                if (!TextMatches(shown, text, wholeWord))
                    continue;
                if (matches.size() == limit)
                {
                    if (truncated != nullptr)
                        *truncated = true;
                    return matches;
                }
                FindMatch m;
                m.table = table;
                m.position = position;
                m.rowId = row.Id();
                m.field = f;
                m.text = shown;
                matches.push_back(std::move(m));
            }
            ++position;
        }
    }
    return matches;
}

} // namespace tarn
