// Rows: ids, identity by id, removal from the table, display name.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/arena.h"
#include "dataFileTestSupport.h"
#include "tablesTestSupport.h"
#include "tool/cell.h"
#include "tool/row.h"
#include "tool/table.h"

namespace
{

using tablestest::DataDirTest;
using tablestest::ReadFile;
using tablestest::Utf16;
using tarn::Row;
using tarn::editor::Table;

class RowTest : public DataDirTest
{
protected:
    // A table with fields ID (INT) and Name (STRING) and rows given as "id name".
    void Load(const std::vector<std::string>& rows)
    {
        std::vector<std::string> lines = {"ID\tName", "INT\tSTRING"};
        for (const std::string& r : rows)
            lines.push_back(r.substr(0, r.find(' ')) + "\t" + r.substr(r.find(' ') + 1));
        WriteTable("t.txt", {"INT ID", "STRING Name"}, lines);
        ASSERT_TRUE(m_table.Load(u"t.txt")) << m_table.LastError();
    }

    std::vector<int> Ids()
    {
        std::vector<int> ids;
        for (const Row& row : m_table.m_rows)
            ids.push_back(row.Id());
        return ids;
    }

    Row* RowAt(int i)
    {
        scl::ListNode<Row>* node = m_table.m_rows.first();
        while (i-- > 0 && node != nullptr)
            node = node->next;
        return node != nullptr ? &node->value : nullptr;
    }

    Table m_table;
};

TEST_F(RowTest, NewRowHasNoCellsAndNoTable)
{
    Row row;
    EXPECT_EQ(row.cells.size(), 0);
    EXPECT_EQ(row.m_idFieldIndex, 0);
    EXPECT_EQ(row.m_nameFieldIndex, 0);
    EXPECT_EQ(row.m_table, nullptr);
}

TEST_F(RowTest, SetIdIsReadBackAndWrittenAsFirstValue)
{
    Load({});
    Row* row = m_table.NewRow(u"Sword");
    row->SetId(42);
    EXPECT_EQ(row->Id(), 42);
    ASSERT_TRUE(m_table.Save()) << m_table.LastError();
    EXPECT_EQ(ReadFile("t.txt"), Utf16("ID\tName\r\nINT\tSTRING\r\n42\tSword\r\n"));
}

TEST_F(RowTest, EqualityComparesIdsOnly)
{
    Load({"7 Sword", "7 Shield", "8 Sword"});
    EXPECT_TRUE(*RowAt(0) == *RowAt(1));  // same id, different names
    EXPECT_FALSE(*RowAt(0) == *RowAt(2)); // same name, different ids
    EXPECT_EQ(NewReports(), 0u);
}

TEST_F(RowTest, EqualityOfRowsWithDifferentIdPositionsIsAFailedCheck)
{
    Load({"7 Sword"});
    Row other;
    m_table.fillNewRow(other);
    other.SetId(7);
    other.m_idFieldIndex = 1;
    EXPECT_FALSE(*RowAt(0) == other);
    EXPECT_EQ(NewReports(), 1u);
    EXPECT_NE(std::string(scl::LastAssertReport()).find("this->m_idFieldIndex == other.m_idFieldIndex"),
              std::string::npos);
}

TEST_F(RowTest, EqualityWithANonIntIdCellIsAFailedCheckNotACrash)
{
    Load({"7 Sword"});
    Row other;
    m_table.fillNewRow(other);
    other.m_idFieldIndex = 1; // the STRING cell
    RowAt(0)->m_idFieldIndex = 1;
    EXPECT_FALSE(*RowAt(0) == other);
    EXPECT_EQ(NewReports(), 1u);
    EXPECT_NE(
        std::string(scl::LastAssertReport()).find("this->cells[m_idFieldIndex]->Type() == FIELD_TYPE_INT"),
        std::string::npos);
    RowAt(0)->m_idFieldIndex = 0;
}

TEST_F(RowTest, IdOutsideTheCellsIsAFailedCheckGivingZero)
{
    Row row;
    EXPECT_EQ(row.Id(), 0);
    EXPECT_EQ(NewReports(), 1u);
    row.SetId(5); // nothing to store it in
    EXPECT_EQ(NewReports(), 1u);
}

TEST_F(RowTest, RemovingTheFirstRowMakesItsSuccessorFirst)
{
    Load({"1 a", "2 b", "3 c"});
    RowAt(0)->RemoveSelfFromTable();
    EXPECT_EQ(Ids(), (std::vector<int>{2, 3}));
    EXPECT_EQ(m_table.m_rows.size(), 2);
    EXPECT_EQ(m_table.m_rows.first()->value.Id(), 2);
    EXPECT_EQ(m_table.m_rows.first()->prev, nullptr);
    EXPECT_EQ(m_table.m_rows.last()->value.Id(), 3);
}

TEST_F(RowTest, RemovingTheLastRowMakesItsPredecessorLast)
{
    Load({"1 a", "2 b", "3 c"});
    RowAt(2)->RemoveSelfFromTable();
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2}));
    EXPECT_EQ(m_table.m_rows.last()->value.Id(), 2);
    EXPECT_EQ(m_table.m_rows.last()->next, nullptr);
}

TEST_F(RowTest, RemovingAMiddleRowRelinksItsNeighbours)
{
    Load({"1 a", "2 b", "3 c"});
    RowAt(1)->RemoveSelfFromTable();
    EXPECT_EQ(Ids(), (std::vector<int>{1, 3}));
    EXPECT_EQ(m_table.m_rows.first()->next, m_table.m_rows.last());
    EXPECT_EQ(m_table.m_rows.last()->prev, m_table.m_rows.first());
}

TEST_F(RowTest, RemovingTheOnlyRowLeavesAnEmptyList)
{
    Load({"1 a"});
    RowAt(0)->RemoveSelfFromTable();
    EXPECT_EQ(m_table.m_rows.size(), 0);
    EXPECT_EQ(m_table.m_rows.first(), nullptr);
    EXPECT_EQ(m_table.m_rows.last(), nullptr);
    ASSERT_TRUE(m_table.Save());
    EXPECT_EQ(ReadFile("t.txt"), Utf16("ID\tName\r\nINT\tSTRING\r\n"));
}

TEST_F(RowTest, RemovingARowWithADuplicateIdRemovesTheFirstWithThatId)
{
    Load({"7 first", "7 second", "8 other"});
    RowAt(1)->RemoveSelfFromTable();
    ASSERT_EQ(m_table.m_rows.size(), 2);
    EXPECT_EQ(std::u16string(RowAt(0)->Name()), u"second");
    EXPECT_EQ(std::u16string(RowAt(1)->Name()), u"other");
}

TEST_F(RowTest, RemovalKeepsTheMaximumIdAndTheCounter)
{
    Load({"1 a", "2 b"});
    m_table.NewRow(u"c")->RemoveSelfFromTable();
    EXPECT_EQ(m_table.m_maxId, 3);
    EXPECT_EQ(m_table.m_newRowCounter, 4);
    EXPECT_EQ(m_table.NewRow(u"d")->Id(), 4);
}

TEST_F(RowTest, RemovingARowWithoutATableIsAFailedCheck)
{
    Load({"1 a"});
    Row stray;
    m_table.fillNewRow(stray);
    stray.m_table = nullptr;
    stray.SetId(1);
    stray.RemoveSelfFromTable();
    EXPECT_EQ(NewReports(), 1u);
    EXPECT_EQ(m_table.m_rows.size(), 1);
}

TEST_F(RowTest, RemovingAnIdThatIsNotInTheTableChangesNothing)
{
    Load({"1 a", "2 b"});
    Row stray;
    m_table.fillNewRow(stray);
    stray.SetId(99);
    stray.RemoveSelfFromTable();
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2}));
    EXPECT_EQ(NewReports(), 0u);
}

TEST_F(RowTest, RemoveRowRemovesExactlyThatRowEvenWithADuplicateId)
{
    Load({"7 first", "7 second", "8 other"});
    Row* first = RowAt(0);
    EXPECT_TRUE(m_table.RemoveRow(RowAt(1)));
    ASSERT_EQ(m_table.m_rows.size(), 2);
    EXPECT_EQ(RowAt(0), first);
    EXPECT_EQ(std::u16string(RowAt(0)->Name()), u"first");
    EXPECT_EQ(std::u16string(RowAt(1)->Name()), u"other");
    EXPECT_EQ(m_table.m_rows.first()->next, m_table.m_rows.last());
    EXPECT_EQ(m_table.m_rows.last()->prev, m_table.m_rows.first());
    EXPECT_EQ(NewReports(), 0u);
}

TEST_F(RowTest, RemoveRowRelinksFirstLastAndOnlyRows)
{
    Load({"1 a", "2 b", "3 c"});
    EXPECT_TRUE(m_table.RemoveRow(RowAt(0)));
    EXPECT_EQ(m_table.m_rows.first()->prev, nullptr);
    EXPECT_EQ(Ids(), (std::vector<int>{2, 3}));
    EXPECT_TRUE(m_table.RemoveRow(RowAt(1)));
    EXPECT_EQ(m_table.m_rows.last()->next, nullptr);
    EXPECT_EQ(Ids(), (std::vector<int>{2}));
    EXPECT_TRUE(m_table.RemoveRow(RowAt(0)));
    EXPECT_EQ(m_table.m_rows.size(), 0);
    EXPECT_EQ(m_table.m_rows.first(), nullptr);
    EXPECT_EQ(m_table.m_rows.last(), nullptr);
    ASSERT_TRUE(m_table.Save()) << m_table.LastError();
    EXPECT_EQ(ReadFile("t.txt"), Utf16("ID\tName\r\nINT\tSTRING\r\n"));
}

TEST_F(RowTest, RemoveRowOfNewRowsKeepsTheMaximumIdAndTheCounter)
{
    Load({"1 a", "2 b"});
    Row* c = m_table.NewRow(u"c");
    m_table.NewRow(u"d");
    EXPECT_TRUE(m_table.RemoveRow(c));
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(m_table.m_maxId, 4);
    EXPECT_EQ(m_table.m_newRowCounter, 5);
    ASSERT_TRUE(m_table.Save()) << m_table.LastError();
    EXPECT_EQ(ReadFile("t.txt"), Utf16("ID\tName\r\nINT\tSTRING\r\n1\ta\r\n2\tb\r\n4\td\r\n"));
}

TEST_F(RowTest, RemoveRowRefusesRowsOfNoOrAnotherTable)
{
    Load({"1 a", "2 b"});
    Row stray;
    m_table.fillNewRow(stray);
    stray.SetId(1); // the id of a row of the table, but not one of its rows
    EXPECT_FALSE(m_table.RemoveRow(&stray));
    EXPECT_FALSE(m_table.RemoveRow(nullptr));

    Table other;
    ASSERT_TRUE(other.Load(u"t.txt")) << other.LastError();
    Row* foreign = other.NewRow(u"x");
    foreign->m_table = &m_table; // claims the wrong table
    EXPECT_FALSE(m_table.RemoveRow(foreign));
    EXPECT_EQ(other.m_rows.size(), 3);
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2}));
    EXPECT_EQ(NewReports(), 0u);
}

TEST_F(RowTest, RemoveRowFindsRowsAppendedByOthers)
{
    Load({"1 a"});
    Row& appended = m_table.m_rows.push_back()->value;
    m_table.fillNewRow(appended);
    appended.SetId(5);
    EXPECT_TRUE(m_table.RemoveRow(&appended));
    EXPECT_EQ(Ids(), (std::vector<int>{1}));
}

TEST_F(RowTest, NameIsTheTextOfTheNameCell)
{
    Load({"1 铁剑"});
    EXPECT_EQ(std::u16string(RowAt(0)->Name()), u"铁剑");
    Row bare;
    EXPECT_EQ(std::u16string(bare.Name()), u"");
    EXPECT_EQ(NewReports(), 0u);
}

TEST_F(RowTest, CellsOfTheBlockAndCellsAddedOneByOneAllGoWithTheRow)
{
    Load({});
    const std::size_t before = scl::arena_stats().liveObjects;
    {
        Row row;
        m_table.fillNewRow(row);
        ASSERT_EQ(row.cells.size(), 2);
        EXPECT_EQ(row.m_table, &m_table);
        EXPECT_EQ(row.cells[0]->m_field, &m_table.m_fields.m_data[0]);
        EXPECT_EQ(row.cells[1]->m_field, &m_table.m_fields.m_data[1]);
        EXPECT_EQ(scl::arena_stats().liveObjects - before, 1u); // one block for both cells
        row.cells[1]->SetString(u"a name of its own");

        // Filling the row again replaces its cells: nothing of the first ones is left.
        m_table.fillNewRow(row);
        EXPECT_EQ(std::u16string(row.cells[1]->GetString()), u"");
        EXPECT_EQ(scl::arena_stats().liveObjects - before, 1u);

        // Cells made elsewhere, added past the block's room, are deleted one by one.
        tarn::Field field;
        field.m_type = FIELD_TYPE_STRING_INT;
        for (int i = 0; i < 20; ++i)
        {
            tarn::Cell* cell = tarn::CreateCell(field);
            cell->SetStringInt(u"1|2|3");
            ASSERT_TRUE(row.cells.push_back(cell));
        }
        EXPECT_EQ(row.cells.size(), 22);
        EXPECT_EQ(row.cells[0]->Type(), FIELD_TYPE_INT);
        EXPECT_EQ(std::u16string(row.cells[21]->ToString()), u"1|2|3");
        row.SetId(9);
        EXPECT_EQ(row.Id(), 9);
    }
    EXPECT_EQ(scl::arena_stats().liveObjects, before);
    EXPECT_EQ(NewReports(), 0u);
}

TEST_F(RowTest, A257thCellIsAFailedCheckAndNotAdded)
{
    Row row;
    tarn::Field field;
    field.m_type = FIELD_TYPE_INT;
    for (int i = 0; i < 256; ++i)
        ASSERT_TRUE(row.cells.push_back(tarn::CreateCell(field)));
    tarn::Cell* extra = tarn::CreateCell(field);
    std::string last;
    EXPECT_EQ(tarntest::CountReports([&] { EXPECT_FALSE(row.cells.push_back(extra)); }, &last), 1u);
    EXPECT_NE(last.find("scl::parray<T>::push_back"), std::string::npos) << last;
    delete extra;
    EXPECT_EQ(row.cells.size(), 256);
    EXPECT_THROW(row.cells[256], int);
}

} // namespace
