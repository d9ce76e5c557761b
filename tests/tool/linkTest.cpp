// The shared data check (duplicate ids, dangling links, load findings), the reverse-link index
// kept current through edits, and new ids above every id a link names.
#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "tablesTestSupport.h"
#include "tool/cellValue.h"
#include "tool/linkIndex.h"
#include "tool/tableCheck.h"
#include "tool/tableFind.h"
#include "tool/tables.h"

namespace
{

using namespace tablestest;
using tarn::LinkIndex;
using tarn::Problem;
using tarn::Row;
using tarn::editor::Table;

const char kList[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TableList>\n"
                     "  <Table FileName=\"items.txt\" Label=\"物品\"/>\n"
                     "  <Table FileName=\"monsters.txt\" Label=\"怪物\"/>\n"
                     "</TableList>\n";

class LinkTest : public DataDirTest
{
protected:
    // items: 1 剑, 2 盾, 3 弓. monsters link to items through Drop (INT), Loot (STRING_INT) and
    // Boss (INT, to monsters itself).
    TableList& LoadLinked(const std::vector<std::string>& monsterRows,
                          const std::vector<std::string>& itemRows = {"1\t剑", "2\t盾", "3\t弓"})
    {
        std::vector<std::string> items = {"ID\tName", "INT\tSTRING"};
        items.insert(items.end(), itemRows.begin(), itemRows.end());
        WriteTable("items.txt", {"INT ID", "STRING Name"}, items);
        std::vector<std::string> monsters = {"ID\tName\tDrop\tLoot\tBoss",
                                             "INT\tSTRING\tINT\tSTRING_INT\tINT"};
        monsters.insert(monsters.end(), monsterRows.begin(), monsterRows.end());
        WriteTable("monsters.txt",
                   {"INT ID", "STRING Name", "INT Drop items.txt", "STRING_INT Loot items.txt",
                    "INT Boss monsters.txt"},
                   monsters);
        WriteFile("tableList.xml", kList);
        TableList& list = *TableList::instance();
        list.initIndex();
        list.loadTableList();
        return list;
    }

    static Row* RowWithId(Table* table, int id)
    {
        for (Row& row : table->m_rows)
            if (row.Id() == id)
                return &row;
        return nullptr;
    }

    // (table, row id, field) of each referrer, for comparing.
    static std::vector<std::tuple<std::string, int, int>> Named(const std::vector<LinkIndex::Referrer>& refs)
    {
        std::vector<std::tuple<std::string, int, int>> named;
        for (const LinkIndex::Referrer& r : refs)
            named.emplace_back(scl::ToUtf8(r.row->m_table->m_fileName.c_str()), r.row->Id(), r.field);
        return named;
    }
};

TEST_F(LinkTest, CheckFindsDanglingLinksDuplicateIdsAndLoadFindingsAsValues)
{
    TableList& list = LoadLinked({"10\t狼\t1\t2|9\t0", "11\t熊\t7\t\t10", "10\t狼王\t0\t3\t12"});
    const std::vector<Problem> problems = tarn::CheckTables(list);
    struct Expected
    {
        int line;
        int position;
        int rowId;
        int field;
        std::string message;
    } expected[] = {
        {5, 2, 10, 0, "id 10 is used again (first at line 3); rows are known by their id"},
        {3, 0, 10, 3, "\"Loot\" is 9 (in its list), which is not the id of a row of \"items.txt\""},
        {4, 1, 11, 2, "\"Drop\" is 7, which is not the id of a row of \"items.txt\""},
        {5, 2, 10, 4, "\"Boss\" is 12, which is not the id of a row of \"monsters.txt\""},
    };
    ASSERT_EQ(problems.size(), std::size(expected)) << [&]
    {
        std::string all;
        for (const Problem& p : problems)
            all += p.text() + "\n";
        return all;
    }();
    for (size_t i = 0; i < problems.size(); ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(problems[i].severity, tarn::Diagnostic::Error);
        EXPECT_EQ(problems[i].file, "monsters.txt");
        EXPECT_EQ(problems[i].table, "monsters.txt");
        EXPECT_EQ(problems[i].line, expected[i].line);
        EXPECT_EQ(problems[i].position, expected[i].position);
        EXPECT_EQ(problems[i].rowId, expected[i].rowId);
        EXPECT_EQ(problems[i].field, expected[i].field);
        EXPECT_EQ(problems[i].message, expected[i].message);
    }
    EXPECT_EQ(
        problems[1].text(),
        "monsters.txt:3: error: \"Loot\" is 9 (in its list), which is not the id of a row of \"items.txt\"");
}

TEST_F(LinkTest, CheckNamesTheTableOfLoadFindingsAndMissingLinkTables)
{
    // A comment line is a load warning; a link to a table outside the list is an error of the
    // metadata file.
    WriteTable("items.txt", {"INT ID", "STRING Name", "INT Other nowhere.txt"},
               {"ID\tName\tOther", "INT\tSTRING\tINT", "1\ta\t5", "//note"});
    WriteFile("tableList.xml", "<L><T FileName=\"items.txt\" Label=\"x\"/></L>");
    TableList& list = *TableList::instance();
    list.initIndex();
    list.loadTableList();
    const std::vector<Problem> problems = tarn::CheckTables(list);
    ASSERT_EQ(problems.size(), list.diagnostics().size() + 1);
    ASSERT_FALSE(list.diagnostics().empty());
    EXPECT_EQ(problems[0].severity, tarn::Diagnostic::Warning);
    EXPECT_EQ(problems[0].table, "items.txt");
    EXPECT_EQ(problems[0].position, -1);
    EXPECT_EQ(problems.back().file, "items.txt.meta");
    EXPECT_EQ(problems.back().table, "items.txt");
    EXPECT_EQ(problems.back().field, 2);
    EXPECT_EQ(problems.back().message,
              "\"Other\" links to \"nowhere.txt\", which is not a table of tableList.xml");
}

TEST_F(LinkTest, IndexListsEveryReferrerOnceInTableAndFileOrder)
{
    TableList& list = LoadLinked({"10\t狼\t1\t1|2|1\t0", "11\t熊\t2\t\t10", "12\t狐\t1\t\t10"});
    Table* items = list.find(u"items.txt");
    Table* monsters = list.find(u"monsters.txt");
    LinkIndex index;
    index.Build(list);
    using N = std::vector<std::tuple<std::string, int, int>>;
    EXPECT_EQ(Named(index.ReferrersOf(items, 1)),
              (N{{"monsters.txt", 10, 2}, {"monsters.txt", 10, 3}, {"monsters.txt", 12, 2}}));
    EXPECT_EQ(index.CountReferences(items, 1), 4); // the list names it twice
    EXPECT_EQ(Named(index.ReferrersOf(items, 2)), (N{{"monsters.txt", 10, 3}, {"monsters.txt", 11, 2}}));
    EXPECT_EQ(Named(index.ReferrersOf(monsters, 10)), (N{{"monsters.txt", 11, 4}, {"monsters.txt", 12, 4}}));
    EXPECT_TRUE(index.ReferrersOf(items, 3).empty());
    EXPECT_TRUE(index.ReferrersOf(items, 0).empty()); // 0 is "no link"
    EXPECT_EQ(index.LinkTarget(monsters, 3), items);
    EXPECT_EQ(index.LinkTarget(monsters, 1), nullptr);
    EXPECT_EQ(index.Size(), 8u);
}

// Ids far apart (no dense arrays): the same answers from the index and the check.
TEST_F(LinkTest, SparseIdsAreIndexedAndCheckedAlike)
{
    TableList& list = LoadLinked({"10\t狼\t5000000\t1|3\t0", "-7\t熊\t-7\t\t0", "-7\t熊二\t0\t\t0"},
                                 {"1\t剑", "5000000\t盾", "-7\t弓"});
    Table* items = list.find(u"items.txt");
    LinkIndex index;
    index.Build(list);
    using N = std::vector<std::tuple<std::string, int, int>>;
    EXPECT_EQ(Named(index.ReferrersOf(items, 5000000)), (N{{"monsters.txt", 10, 2}}));
    EXPECT_EQ(Named(index.ReferrersOf(items, -7)), (N{{"monsters.txt", -7, 2}}));
    EXPECT_EQ(Named(index.ReferrersOf(items, 3)), (N{{"monsters.txt", 10, 3}}));
    EXPECT_EQ(items->m_linkedMaxId, 5000000);
    std::vector<std::string> found;
    for (const Problem& p : tarn::CheckTables(list))
        found.push_back(p.message);
    EXPECT_EQ(found, (std::vector<std::string>{
                         "id -7 is used again (first at line 4); rows are known by their id",
                         "\"Loot\" is 3 (in its list), which is not the id of a row of \"items.txt\""}));
}

// Random edits, row insertions and removals told to the index leave it as a fresh build would.
TEST_F(LinkTest, IncrementalUpdatesMatchARebuild)
{
    std::vector<std::string> rows;
    for (int i = 1; i <= 40; ++i)
        rows.push_back(std::to_string(100 + i) + "\tm" + std::to_string(i) + "\t" + std::to_string(i % 4) +
                       "\t" + std::to_string(i % 3 + 1) + "|" + std::to_string(i % 5) + "\t" +
                       std::to_string(100 + i / 2));
    TableList& list = LoadLinked(rows);
    Table* items = list.find(u"items.txt");
    Table* monsters = list.find(u"monsters.txt");
    LinkIndex index;
    index.Build(list);

    std::mt19937 random(7);
    std::vector<tarn::editor::TakenRows> taken;
    for (int step = 0; step < 300; ++step)
    {
        const int what = static_cast<int>(random() % 6);
        if (what < 4 && monsters->m_rows.size() > 0)
        {
            Row* row = monsters->RowAtPosition(static_cast<int>(random() % monsters->m_rows.size()));
            const int field = 2 + static_cast<int>(random() % 3);
            const std::u16string value =
                field == 3 ? U16(std::to_string(random() % 5) + "|" + std::to_string(random() % 5))
                           : U16(std::to_string(field == 4 ? 100 + random() % 45 : random() % 5));
            index.RemoveCell(row, field);
            ASSERT_TRUE(tarn::SetExactValueText(*row->cells[field], value));
            index.AddCell(row, field);
        }
        else if (what == 4 && monsters->m_rows.size() > 1)
        {
            Row* row = monsters->RowAtPosition(static_cast<int>(random() % monsters->m_rows.size()));
            index.RemoveRows({row});
            taken.push_back(monsters->TakeOutRows({row}));
        }
        else
        {
            Row* row = monsters->NewRow(u"n");
            ASSERT_NE(row, nullptr);
            ASSERT_TRUE(tarn::SetExactValueText(*row->cells[2], U16(std::to_string(random() % 5))));
            index.AddRows({row});
        }
    }
    LinkIndex fresh;
    fresh.Build(list);
    EXPECT_EQ(index.Size(), fresh.Size());
    for (int id = -1; id <= 150; ++id)
    {
        for (Table* target : {items, monsters})
        {
            auto a = Named(index.ReferrersOf(target, id));
            auto b = Named(fresh.ReferrersOf(target, id));
            std::sort(a.begin(), a.end());
            std::sort(b.begin(), b.end());
            ASSERT_EQ(a, b) << "id " << id;
            ASSERT_EQ(index.CountReferences(target, id), fresh.CountReferences(target, id));
        }
    }
}

// A new row's id lies above the table's ids (edited ones too) and above every id a link names,
// so that a link to a deleted row never comes to name a new one.
TEST_F(LinkTest, NewIdsGoAboveLinkedIdsAndEditedIds)
{
    TableList& list = LoadLinked({"10\t狼\t1\t2|57\t0", "11\t熊\t40\t\t0"});
    Table* items = list.find(u"items.txt");
    Table* monsters = list.find(u"monsters.txt");
    EXPECT_EQ(items->NewRow(u"a")->Id(), 4); // links not indexed yet: the table's own ids
    LinkIndex index;
    index.Build(list);
    EXPECT_EQ(items->m_linkedMaxId, 57);
    EXPECT_EQ(items->NewRow(u"b")->Id(), 58);

    // An edited link raises it; undoing the edit does not lower it.
    Row* bear = RowWithId(monsters, 11);
    index.RemoveCell(bear, 2);
    ASSERT_TRUE(tarn::SetExactValueText(*bear->cells[2], u"90"));
    index.AddCell(bear, 2);
    index.RemoveCell(bear, 2);
    ASSERT_TRUE(tarn::SetExactValueText(*bear->cells[2], u"40"));
    index.AddCell(bear, 2);
    EXPECT_EQ(items->NewRow(u"c")->Id(), 91);

    // An id given to a row raises the running maximum at once.
    RowWithId(monsters, 10)->SetId(500);
    EXPECT_EQ(monsters->NewRow(u"d")->Id(), 501);
    monsters->NoteId(700);
    EXPECT_EQ(monsters->NewRow(u"e")->Id(), 701);
    EXPECT_EQ(NewReports(), 0u);
}

// Finding: ids, names and list cells by their text form, inside words or as whole words only,
// ASCII case ignored; table, position, id and field of each match.
TEST_F(LinkTest, FindSearchesEveryCellsTextByWordOrInside)
{
    TableList& list = LoadLinked({"10\tTroll\t1\t2|31\t0", "11\tTrollKing\t3\t\t10", "110\t山妖王\t0\t\t0"});
    std::vector<Table*> all = {list.at(0), list.at(1)};
    struct Case
    {
        std::string text;
        bool wholeWord;
        std::vector<std::tuple<std::string, int, int>> found; // table, row id, field
    } cases[] = {
        {"11", true, {{"monsters.txt", 11, 0}}},
        {"11", false, {{"monsters.txt", 11, 0}, {"monsters.txt", 110, 0}}},
        {"troll", false, {{"monsters.txt", 10, 1}, {"monsters.txt", 11, 1}}},
        {"TROLL", true, {{"monsters.txt", 10, 1}}},
        {"3", true, {{"items.txt", 3, 0}, {"monsters.txt", 11, 2}}}, // not 31 in "2|31"
        {"妖", false, {{"monsters.txt", 110, 1}}},
        {"妖", true, {}}, // inside a word of CJK characters
        {"弓", true, {{"items.txt", 3, 1}}},
        {"", false, {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text + (c.wholeWord ? " (whole word)" : ""));
        std::vector<std::tuple<std::string, int, int>> found;
        for (const tarn::FindMatch& m : tarn::FindInTables(all, U16(c.text), c.wholeWord))
        {
            found.emplace_back(scl::ToUtf8(m.table->m_fileName.c_str()), m.rowId, m.field);
            EXPECT_EQ(m.table->RowAtPosition(m.position)->Id(), m.rowId);
        }
        EXPECT_EQ(found, c.found);
    }
    bool truncated = false;
    EXPECT_EQ(tarn::FindInTables(all, u"1", false, 2, &truncated).size(), 2u);
    EXPECT_TRUE(truncated);
}

} // namespace
