// Rows taken out of a table and put back (the editor's delete and its undo), and the exact value
// text of cells (what the editor's undo commands record), on real files compared byte for byte.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tablesTestSupport.h"
#include "tool/cell.h"
#include "tool/cellValue.h"
#include "tool/row.h"
#include "tool/table.h"

using namespace tablestest;
using tarn::Row;
using tarn::editor::Table;
using tarn::editor::TakenRows;

namespace
{

std::vector<int> Ids(const Table& table)
{
    std::vector<int> ids;
    for (const Row& row : table.m_rows)
        ids.push_back(row.Id());
    return ids;
}

class TakeOutTest : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        std::vector<std::string> lines = {"ID\tName\tDrops", "INT\tSTRING\tSTRING_INT"};
        for (int i = 1; i <= 8; ++i)
            lines.push_back(std::to_string(i) + "\trow" + std::to_string(i) + "\t" + std::to_string(i) +
                            "|7");
        WriteTable("t.txt", {"INT ID", "STRING Name", "STRING_INT Drops"}, lines);
        m_original = ReadFile("t.txt");
        ASSERT_TRUE(m_table.Load(u"t.txt")) << m_table.LastError();
    }

    std::vector<Row*> RowsAt(const std::vector<int>& positions) const
    {
        std::vector<Row*> rows;
        for (int p : positions)
            rows.push_back(m_table.RowAtPosition(p));
        return rows;
    }

    Table m_table;
    std::string m_original;
};

TEST_F(TakeOutTest, PutBackRestoresEveryRowAtItsPositionByteForByte)
{
    // Scattered, unordered, at both ends, with a repeat and a null: each case on a fresh load.
    const std::vector<std::vector<int>> cases = {{0},      {7}, {3}, {6, 0, 3, 3}, {0, 1, 2, 3, 4, 5, 6, 7},
                                                 {1, 2, 5}};
    for (const std::vector<int>& positions : cases)
    {
        Table table;
        ASSERT_TRUE(table.Load(u"t.txt"));
        std::vector<Row*> rows;
        for (int p : positions)
            rows.push_back(table.RowAtPosition(p));
        const std::vector<const Row*> addresses(rows.begin(), rows.end());
        rows.push_back(nullptr);
        TakenRows taken = table.TakeOutRows(rows);
        ASSERT_EQ(table.m_rows.size() + taken.size(), 8);
        for (int i = 1; i < taken.size(); ++i)
            EXPECT_LT(taken.entries()[i - 1].position, taken.entries()[i].position);
        ASSERT_TRUE(table.Save());
        EXPECT_NE(ReadFile("t.txt"), m_original);

        table.PutBack(taken);
        EXPECT_TRUE(taken.empty());
        EXPECT_EQ(Ids(table), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
        for (const Row* row : addresses)
            EXPECT_EQ(table.RowAtPosition(row->Id() - 1), row); // the same objects
        ASSERT_TRUE(table.Save());
        EXPECT_EQ(ReadFile("t.txt"), m_original);
        // Exactly that row goes after being put back, and the table can lose it for good.
        EXPECT_TRUE(table.RemoveRow(table.RowAtPosition(positions[0])));
        EXPECT_EQ(table.m_rows.size(), 7);
    }
    EXPECT_EQ(NewReports(), 0u);
}

TEST_F(TakeOutTest, RowsOfAnotherTableAreLeftAlone)
{
    Table other;
    WriteTable("o.txt", {"INT ID", "STRING Name"}, {"ID\tName", "INT\tSTRING", "1\tx"});
    ASSERT_TRUE(other.Load(u"o.txt"));
    TakenRows taken = m_table.TakeOutRows({other.m_rows.first() ? &other.m_rows.first()->value : nullptr});
    EXPECT_TRUE(taken.empty());
    EXPECT_EQ(other.m_rows.size(), 1);
    EXPECT_EQ(m_table.m_rows.size(), 8);
    // Taken rows offered to another table stay where they are.
    TakenRows mine = m_table.TakeOutRows(RowsAt({2}));
    other.PutBack(mine);
    EXPECT_EQ(NewReports(), 1u);
    EXPECT_EQ(mine.size(), 1);
    EXPECT_EQ(other.m_rows.size(), 1);
    m_table.PutBack(mine);
    EXPECT_EQ(Ids(m_table), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(TakeOutTest, DestroyingTakenRowsDestroysThemAndNewRowsStillComeAfter)
{
    {
        TakenRows taken = m_table.TakeOutRows(RowsAt({0, 4}));
        TakenRows moved = std::move(taken);
        EXPECT_EQ(moved.size(), 2);
        EXPECT_TRUE(taken.empty()); // NOLINT(bugprone-use-after-move): moved-from is empty by contract
    }
    EXPECT_EQ(Ids(m_table), (std::vector<int>{2, 3, 4, 6, 7, 8}));
    m_table.NewRow(u"n");
    EXPECT_EQ(m_table.RowAtPosition(6)->Id(), 9);
    EXPECT_EQ(m_table.PositionOf(m_table.RowAtPosition(6)), 6);
    EXPECT_EQ(m_table.RowAtPosition(7), nullptr);
    EXPECT_EQ(m_table.RowAtPosition(-1), nullptr);
}

// ---- exact value text --------------------------------------------------------------------------

class ExactValueTest : public DataDirTest
{
};

TEST_F(ExactValueTest, EveryTypeReadsBackToTheSameValueAndSavesTheSameBytes)
{
    const std::vector<std::string> fields = {"INT ID",           "STRING Name",       "UINT Count",
                                             "INT64 Big",        "UINT64 Huge",       "FLOAT Weight",
                                             "STRING_INT Drops", "STRING_FLOAT Rates"};
    WriteTable("t.txt", fields,
               {"a\tb\tc\td\te\tf\tg\th", "INT\tSTRING\tUINT\tINT64\tUINT64\tFLOAT\tSTRING_INT\tSTRING_FLOAT",
                "-2147483648\t铁剑 "
                "x\t4294967295\t-9223372036854775808\t18446744073709551615\t0.100000\t-1|2\t0.500000|"
                "3.000000",
                "1\t\t0\t0\t0\t-0.000000\t\t"});
    Table table;
    ASSERT_TRUE(table.Load(u"t.txt"));
    const std::string before = ReadFile("t.txt");
    // A value with more digits than the file form keeps, and a 64-value list whose text form is cut.
    Row* row = table.RowAtPosition(1);
    row->cells[5]->SetFloat(0.123456789f);
    std::u16string longList;
    for (int i = 0; i < 64; ++i)
        longList += (i ? u"|" : u"") + U16(std::to_string(1000000000 + i));
    row->cells[6]->SetStringInt(longList.c_str());

    for (const Row& r : table.m_rows)
    {
        for (int f = 0; f < r.cells.size(); ++f)
        {
            tarn::Cell* cell = r.cells[f];
            const std::u16string text = tarn::ExactValueText(*cell);
            tarn::Cell* copy = tarn::CreateCell(table.m_fields[f]);
            ASSERT_TRUE(tarn::SetExactValueText(*copy, text)) << f;
            EXPECT_EQ(tarn::ExactValueText(*copy), text) << f;
            EXPECT_EQ(std::u16string(copy->ToString()), std::u16string(cell->ToString())) << f;
            delete copy;
        }
    }
    EXPECT_EQ(tarn::ExactValueText(*row->cells[5]), u"0.12345679");
    EXPECT_EQ(tarn::ExactValueText(*row->cells[6]), longList);
    // Set back from text, the first row still saves as it was read.
    Row* first = table.RowAtPosition(0);
    for (int f = 0; f < first->cells.size(); ++f)
        ASSERT_TRUE(tarn::SetExactValueText(*first->cells[f], tarn::ExactValueText(*first->cells[f])));
    table.RemoveRow(row);
    ASSERT_TRUE(table.Save());
    const std::string after = ReadFile("t.txt");
    EXPECT_EQ(after, before.substr(0, after.size()));
}

TEST_F(ExactValueTest, TextNotInTheExactFormIsRefusedAndChangesNothing)
{
    struct Case
    {
        FIELD_TYPE type;
        std::u16string text;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {FIELD_TYPE_INT, u"12", true},
        {FIELD_TYPE_INT, u" 12", false},
        {FIELD_TYPE_INT, u"+1", false},
        {FIELD_TYPE_INT, u"1x", false},
        {FIELD_TYPE_INT, u"2147483648", false},
        {FIELD_TYPE_INT, u"", false},
        {FIELD_TYPE_UINT, u"-1", false},
        {FIELD_TYPE_UINT, u"4294967295", true},
        {FIELD_TYPE_INT64, u"-9223372036854775808", true},
        {FIELD_TYPE_UINT64, u"18446744073709551616", false},
        {FIELD_TYPE_FLOAT, u"1e+30", true},
        {FIELD_TYPE_FLOAT, u"nan", true},
        {FIELD_TYPE_FLOAT, u"abc", false},
        {FIELD_TYPE_FLOAT, u"", false},
        {FIELD_TYPE_STRING, u"", true},
        {FIELD_TYPE_STRING, std::u16string(1024, u'x'), false},
        {FIELD_TYPE_STRING_INT, u"", true},
        {FIELD_TYPE_STRING_INT, u"1||2", false},
        {FIELD_TYPE_STRING_INT, u"1|", false},
        {FIELD_TYPE_STRING_INT, u"1|2.5", false},
        {FIELD_TYPE_STRING_FLOAT, u"0.5|-0", true},
        {FIELD_TYPE_STRING_FLOAT, u"x", false},
    };
    for (const Case& c : cases)
    {
        tarn::Field field;
        field.m_type = c.type;
        tarn::Cell* cell = tarn::CreateCell(field);
        ASSERT_NE(cell, nullptr) << int(c.type);
        const std::u16string before = tarn::ExactValueText(*cell);
        EXPECT_EQ(tarn::SetExactValueText(*cell, c.text), c.accepted) << int(c.type);
        if (c.accepted)
            EXPECT_EQ(tarn::ExactValueText(*cell), c.text) << int(c.type);
        else
            EXPECT_EQ(tarn::ExactValueText(*cell), before) << int(c.type);
        delete cell;
    }
}

} // namespace
