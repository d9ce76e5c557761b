// Rows as tab-separated text (the editor's clipboard form): written with a header line and the data
// file's own value forms, read back from that form or from a spreadsheet's, every value checked.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tablesTestSupport.h"
#include "tool/cell.h"
#include "tool/cellValue.h"
#include "tool/row.h"
#include "tool/rowText.h"
#include "tool/table.h"

using namespace tablestest;
using tarn::Row;
using tarn::RowTextProblem;
using tarn::editor::Table;

namespace
{

class RowTextTest : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        WriteTable("t.txt", {"INT ID", "STRING 名称", "UINT Count", "FLOAT Weight", "STRING_INT Drops"},
                   {"ID\t名称\tCount\tWeight\tDrops", "INT\tSTRING\tUINT\tFLOAT\tSTRING_INT",
                    "1\t铁剑\t3\t0.500000\t3|4", "2\tShield\t4294967295\t-1.250000\t"});
        ASSERT_TRUE(m_table.Load(u"t.txt")) << m_table.LastError();
    }

    std::vector<Row*> AllRows()
    {
        std::vector<Row*> rows;
        for (Row& row : m_table.m_rows)
            rows.push_back(&row);
        return rows;
    }

    Table m_table;
};

TEST_F(RowTextTest, CopiedRowsAreAHeaderAndTheDataFileLines)
{
    EXPECT_EQ(tarn::RowsToText(m_table, AllRows()), U16("ID\t名称\tCount\tWeight\tDrops\n1\t铁剑\t3\t0."
                                                        "500000\t3|4\n2\tShield\t4294967295\t-1.250000\t\n"));
    EXPECT_EQ(tarn::RowsToText(m_table, {}), U16("ID\t名称\tCount\tWeight\tDrops\n"));
}

TEST_F(RowTextTest, SpreadsheetFormsAllReadAsTheSameRows)
{
    const std::vector<std::vector<std::u16string>> expected = {
        {u"", u"铁剑", u"3", u"0.5", u"3|4"}, {u"", u"Shield", u"4294967295", u"-1.25", u""}};
    const std::vector<std::string> texts = {
        // As copied: header, LF, final line end.
        "ID\t名称\tCount\tWeight\tDrops\n1\t铁剑\t3\t0.500000\t3|4\n2\tShield\t4294967295\t-1.250000\t\n",
        // Without the header, CR LF, no final line end.
        "1\t铁剑\t3\t0.500000\t3|4\r\n2\tShield\t4294967295\t-1.250000\t",
        // A spreadsheet's shortest numbers, ids of its own, CR LF with a final line end.
        "77\t铁剑\t3\t0.5\t3|4\r\n\tShield\t4294967295\t-1.25\t\r\n",
        // An empty line between the rows, and a short line that leaves the last field empty.
        "ID\t名称\tCount\tWeight\tDrops\r\n1\t铁剑\t3\t.5\t3|4\r\n\r\n2\tShield\t4294967295\t-1.25\n",
    };
    for (const std::string& text : texts)
    {
        std::vector<std::vector<std::u16string>> rows;
        std::vector<RowTextProblem> problems;
        EXPECT_TRUE(tarn::RowsFromText(m_table, U16(text), rows, problems)) << text;
        EXPECT_EQ(rows, expected) << text;
        EXPECT_TRUE(problems.empty()) << text;
    }
}

TEST_F(RowTextTest, CopiedTextPastesBackToTheSameValues)
{
    std::vector<std::vector<std::u16string>> rows;
    std::vector<RowTextProblem> problems;
    ASSERT_TRUE(tarn::RowsFromText(m_table, tarn::RowsToText(m_table, AllRows()), rows, problems));
    ASSERT_EQ(rows.size(), 2u);
    int r = 0;
    for (Row& row : m_table.m_rows)
    {
        for (int f = 1; f < row.cells.size(); ++f)
            EXPECT_EQ(rows[r][static_cast<std::size_t>(f)], tarn::ExactValueText(*row.cells[f]))
                << r << " " << f;
        ++r;
    }
}

TEST_F(RowTextTest, RefusedValuesAreListedWithLineFieldTextAndReason)
{
    struct Case
    {
        std::string text;
        int line;
        std::string field;
        std::string value;
    };
    const std::vector<Case> cases = {
        {"1\tA\t-1\t0.5\t", 1, "Count", "-1"},
        {"1\tA\t4294967296\t0.5\t", 1, "Count", "4294967296"},
        {"1\tA\t2\tabc\t", 1, "Weight", "abc"},
        {"1\tA\t2\t0.5\t1|x", 1, "Drops", "1|x"},
        {"1\tA\t2\t0.5\t1||2", 1, "Drops", "1||2"},
        {"1\tA\t\t0.5\t", 1, "Count", ""},
        {"1\tok\t1\t1\t\n2\tA\t3x\t0.5\t", 2, "Count", "3x"},
        {"1\tA\t2\tinf\t", 1, "Weight", "inf"},
        {"1\tA\t2\t0.5\t\textra", 1, "", "1\tA\t2\t0.5\t\textra"},
    };
    for (const Case& c : cases)
    {
        std::vector<std::vector<std::u16string>> rows;
        std::vector<RowTextProblem> problems;
        EXPECT_FALSE(tarn::RowsFromText(m_table, U16(c.text), rows, problems)) << c.text;
        EXPECT_TRUE(rows.empty()) << c.text;
        ASSERT_EQ(problems.size(), 1u) << c.text;
        EXPECT_EQ(problems[0].line, c.line) << c.text;
        EXPECT_EQ(problems[0].field, U16(c.field)) << c.text;
        EXPECT_EQ(problems[0].text, U16(c.value)) << c.text;
        EXPECT_FALSE(problems[0].why.empty()) << c.text;
    }
}

TEST_F(RowTextTest, OnlyTheFirstProblemsAreListedAndNothingIsATextWithoutRows)
{
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += "1\tA\tx\ty\t\n";
    std::vector<std::vector<std::u16string>> rows;
    std::vector<RowTextProblem> problems;
    EXPECT_FALSE(tarn::RowsFromText(m_table, U16(text), rows, problems, 5));
    ASSERT_EQ(problems.size(), 5u);
    EXPECT_EQ(problems[4].line, 3); // two per line
    for (const std::string& empty :
         {std::string(), std::string("\r\n\n"), std::string("ID\t名称\tCount\tWeight\tDrops\n")})
    {
        EXPECT_FALSE(tarn::RowsFromText(m_table, U16(empty), rows, problems));
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_EQ(problems[0].line, 0);
    }
}

} // namespace
