// The table list: loading tableList.xml in file order, lookup by name, skipped entries and
// refused tables (with their reports), saving all tables, and the sample data directory.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "tablesTestSupport.h"
#include "tool/tables.h"

#ifndef TESSEL_SAMPLE_DATA
#error "TESSEL_SAMPLE_DATA must name examples/game-data"
#endif

namespace
{

using namespace tablestest;
using tarn::Diagnostic;
using tarn::editor::Table;

class TableListTest : public DataDirTest
{
protected:
    // A small valid table: ids 1.., names given.
    void MakeTable(const std::string& name, const std::vector<std::string>& rowNames = {"a"})
    {
        std::vector<std::string> lines = {"ID\tName", "INT\tSTRING"};
        int id = 1;
        for (const std::string& n : rowNames)
            lines.push_back(std::to_string(id++) + "\t" + n);
        WriteTable(name, {"INT ID", "STRING Name"}, lines);
    }

    TableList& LoadList(const std::string& xml)
    {
        WriteFile("tableList.xml", xml);
        TableList& list = *TableList::instance();
        list.initIndex();
        list.loadTableList();
        return list;
    }

    static std::vector<std::string> FileNames(TableList& list)
    {
        std::vector<std::string> names;
        for (int i = 0; i < list.count(); ++i)
            names.push_back(scl::ToUtf8(list.at(i)->m_fileName.c_str()));
        return names;
    }
};

TEST_F(TableListTest, LoadsEntriesInFileOrderWithLabels)
{
    MakeTable("items.txt", {"剑", "盾"});
    MakeTable("monsters.txt");
    MakeTable("npcs.txt");
    TableList& list = LoadList("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TableList>\n"
                               "  <Table FileName=\"monsters.txt\" Label=\"怪物\"/>\n"
                               "  <!-- comments are not entries -->\n"
                               "  <Table FileName=\"items.txt\" Label=\"物品\"/>\n"
                               "  <Table FileName=\"npcs.txt\"/>\n"
                               "</TableList>\n");
    EXPECT_EQ(FileNames(list), (std::vector<std::string>{"monsters.txt", "items.txt", "npcs.txt"}));
    EXPECT_EQ(std::u16string(list.at(0)->m_label.c_str()), u"怪物");
    EXPECT_EQ(std::u16string(list.at(1)->m_label.c_str()), u"物品");
    EXPECT_TRUE(list.at(2)->m_label.empty());
    EXPECT_EQ(list.at(1)->m_rows.size(), 2);
    EXPECT_EQ(list.at(3), nullptr);
    EXPECT_EQ(list.at(-1), nullptr);
    EXPECT_TRUE(list.diagnostics().empty()) << AllText(list.diagnostics());
    EXPECT_EQ(NewReports(), 0u);
}

TEST_F(TableListTest, FindsTablesByExactFileNameOnly)
{
    MakeTable("items.txt");
    TableList& list = LoadList("<L><E FileName=\"items.txt\" Label=\"x\"/></L>");
    EXPECT_EQ(list.find(u"items.txt"), list.at(0));
    EXPECT_EQ(list.find(u"Items.txt"), nullptr);
    EXPECT_EQ(list.find(u"nothing.txt"), nullptr);
    EXPECT_EQ(list.find(nullptr), nullptr);
    EXPECT_EQ(list.find(std::u16string(300, u'a').c_str()), nullptr);
    EXPECT_EQ(NewReports(), 0u); // absence is an answer, not a failed check
}

TEST_F(TableListTest, FindBeforeInitialisationIsNull)
{
    EXPECT_EQ(TableList::instance()->find(u"items.txt"), nullptr);
}

TEST_F(TableListTest, EmptyListLoadsNothingAndSavesNothing)
{
    MakeTable("items.txt");
    WriteFile("tableList.xml", "<TableList/>");
    const auto before = Snapshot();
    TableList& list = *TableList::instance();
    list.initIndex();
    list.loadTableList();
    EXPECT_EQ(list.count(), 0);
    EXPECT_TRUE(list.saveAll().empty());
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(TableListTest, MissingListFileIsAFailedCheckAndAnError)
{
    TableList& list = *TableList::instance();
    list.initIndex();
    list.loadTableList();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(NewReports(), 1u);
    ASSERT_EQ(list.diagnostics().size(), 1u);
    EXPECT_EQ(list.diagnostics()[0].file, "tableList.xml");
    EXPECT_EQ(list.diagnostics()[0].severity, Diagnostic::Error);
}

TEST_F(TableListTest, MalformedListFileNamesTheLine)
{
    TableList& list = LoadList("<L>\n<E FileName=\"a.txt\">\n</L>\n");
    EXPECT_EQ(list.count(), 0);
    ASSERT_EQ(list.diagnostics().size(), 1u);
    EXPECT_EQ(list.diagnostics()[0].line, 3);
    EXPECT_NE(list.diagnostics()[0].message.find("not well-formed"), std::string::npos);
}

TEST_F(TableListTest, EntryWithoutFileNameIsSkippedWithAReport)
{
    MakeTable("items.txt");
    TableList& list = LoadList("<L>\n<E Label=\"x\"/>\n<E FileName=\"items.txt\"/>\n</L>");
    EXPECT_EQ(FileNames(list), std::vector<std::string>{"items.txt"});
    EXPECT_EQ(AllText(list.diagnostics()),
              "tableList.xml:2: error: entry 1 has no FileName; it is skipped\n");
    EXPECT_FALSE(Exists(""));
}

TEST_F(TableListTest, EntryWhoseDataFileIsMissingIsSkippedAndNothingIsCreated)
{
    MakeTable("items.txt");
    WriteFile("gone.txt.meta", Meta({"INT ID", "STRING Name"}));
    TableList& list =
        LoadList("<L><E FileName=\"gone.txt\"/><E FileName=\"new.txt\"/><E FileName=\"items.txt\"/></L>");
    EXPECT_EQ(FileNames(list), std::vector<std::string>{"items.txt"});
    EXPECT_FALSE(Exists("gone.txt"));
    EXPECT_FALSE(Exists("new.txt"));
    EXPECT_FALSE(Exists("new.txt.meta"));
    EXPECT_EQ(AllText(list.diagnostics()), "gone.txt:0: error: the data file does not exist\n"
                                           "new.txt:0: error: the data file does not exist\n");
    EXPECT_EQ(list.find(u"gone.txt"), nullptr);
}

TEST_F(TableListTest, SecondEntryWithTheSameFileNameIsSkipped)
{
    MakeTable("items.txt", {"a", "b"});
    MakeTable("other.txt");
    TableList& list =
        LoadList("<L>\n<E FileName=\"items.txt\" Label=\"first\"/>\n<E FileName=\"other.txt\"/>\n"
                 "<E FileName=\"items.txt\" Label=\"second\"/>\n</L>");
    EXPECT_EQ(FileNames(list), (std::vector<std::string>{"items.txt", "other.txt"}));
    EXPECT_EQ(std::u16string(list.find(u"items.txt")->m_label.c_str()), u"first");
    EXPECT_EQ(AllText(list.diagnostics()), "tableList.xml:4: error: \"items.txt\" is listed again (first at "
                                           "line 2); the second entry is skipped\n");
    EXPECT_EQ(NewReports(), 0u);
}

TEST_F(TableListTest, TwoNamesForOneFileAreNotBothLoaded)
{
    MakeTable("items.txt");
    TableList& list = LoadList("<L>\n<E FileName=\"items.txt\"/>\n<E FileName=\"./items.txt\"/>\n</L>");
    EXPECT_EQ(list.count(), 1);
    const std::vector<Diagnostic> same = Matching(list.diagnostics(), "is the same file as");
    ASSERT_EQ(same.size(), 1u);
    EXPECT_EQ(same[0].line, 3);
}

TEST_F(TableListTest, RefusedTableIsNotListedIndexedOrSaved)
{
    MakeTable("good.txt");
    WriteFile("bad.txt.meta", Meta({"STRING Name", "INT ID"})); // id field 0 is not INT
    WriteFile("bad.txt", Utf16(Lines({"Name\tID", "STRING\tINT", "x\t1"})));
    const std::string badBytes = ReadFile("bad.txt");
    const long long badTime = MTime("bad.txt");
    TableList& list = LoadList("<L><E FileName=\"bad.txt\"/><E FileName=\"good.txt\"/></L>");
    EXPECT_EQ(FileNames(list), std::vector<std::string>{"good.txt"});
    EXPECT_EQ(list.find(u"bad.txt"), nullptr);
    ASSERT_EQ(list.diagnostics().size(), 1u);
    EXPECT_EQ(list.diagnostics()[0].file, "bad.txt.meta");
    EXPECT_TRUE(list.saveAll().empty());
    EXPECT_EQ(ReadFile("bad.txt"), badBytes);
    EXPECT_EQ(MTime("bad.txt"), badTime);
}

TEST_F(TableListTest, OverlongFileNameIsSkippedAndOverlongLabelIsCut)
{
    MakeTable("items.txt");
    const std::string longName(130, 'f');
    const std::string longLabel = std::string(40, 'x') + std::string(100, 'y');
    TableList& list = LoadList("<L>\n<E FileName=\"" + longName + "\"/>\n<E FileName=\"items.txt\" Label=\"" +
                               longLabel + "\"/>\n</L>");
    EXPECT_EQ(FileNames(list), std::vector<std::string>{"items.txt"});
    EXPECT_EQ(list.at(0)->m_label.length(), 127);
    const std::vector<Diagnostic>& d = list.diagnostics();
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].severity, Diagnostic::Error);
    EXPECT_EQ(d[0].line, 2);
    EXPECT_EQ(d[1].severity, Diagnostic::Warning);
    EXPECT_EQ(d[1].line, 3);
}

TEST_F(TableListTest, TableWarningsAreCollectedWithTheirFiles)
{
    WriteTable("items.txt", {"INT ID", "STRING Name"}, {"ID\tName", "INT\tSTRING", "01\ta"});
    TableList& list = LoadList("<L><E FileName=\"items.txt\"/></L>");
    EXPECT_EQ(list.count(), 1);
    ASSERT_EQ(list.diagnostics().size(), 1u);
    EXPECT_EQ(list.diagnostics()[0].file, "items.txt");
    EXPECT_EQ(list.diagnostics()[0].line, 3);
    EXPECT_EQ(list.diagnostics()[0].severity, Diagnostic::Warning);
}

TEST_F(TableListTest, SaveAllWritesEveryTableInOrderAndReportsFailures)
{
    MakeTable("a.txt");
    ASSERT_EQ(::mkdir("sub", 0755), 0);
    MakeTable("sub/b.txt");
    TableList& list = LoadList("<L><E FileName=\"a.txt\"/><E FileName=\"sub/b.txt\"/></L>");
    ASSERT_EQ(list.count(), 2);
    list.at(0)->NewRow(u"new a");
    list.at(1)->NewRow(u"new b");
    // Make the second table unsavable: its directory is replaced by a file.
    ASSERT_EQ(::rename("sub", "moved"), 0);
    WriteFile("sub", "not a directory");
    const std::vector<tarn::SaveFailure> failures = list.saveAll();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].file, "sub/b.txt");
    EXPECT_NE(failures[0].reason.find("sub/b.txt"), std::string::npos);
    EXPECT_EQ(ReadFile("a.txt"), Utf16(Lines({"ID\tName", "INT\tSTRING", "1\ta", "2\tnew a"})));
    EXPECT_EQ(ReadFile("moved/b.txt"), Utf16(Lines({"ID\tName", "INT\tSTRING", "1\ta"})));
}

TEST_F(TableListTest, AtMost256TablesAreLoaded)
{
    std::string xml = "<L>\n";
    for (int i = 0; i < 257; ++i)
    {
        const std::string name = "t" + std::to_string(i) + ".txt";
        MakeTable(name);
        xml += "<E FileName=\"" + name + "\"/>\n";
    }
    TableList& list = LoadList(xml + "</L>");
    EXPECT_EQ(list.count(), 256);
    EXPECT_EQ(list.find(u"t256.txt"), nullptr);
    ASSERT_EQ(list.diagnostics().size(), 1u);
    EXPECT_EQ(list.diagnostics()[0].line, 258);
}

TEST_F(TableListTest, DestroyInstanceStartsAfresh)
{
    MakeTable("items.txt");
    TableList* first = &LoadList("<L><E FileName=\"items.txt\"/></L>");
    EXPECT_EQ(first->count(), 1);
    TableList::destroyInstance();
    TableList* second = TableList::instance();
    EXPECT_EQ(second->count(), 0);
    EXPECT_TRUE(second->diagnostics().empty());
}

TEST_F(TableListTest, SecondLoadIsAFailedCheckAndChangesNothing)
{
    MakeTable("items.txt");
    TableList& list = LoadList("<L><E FileName=\"items.txt\"/></L>");
    list.loadTableList();
    EXPECT_EQ(NewReports(), 1u);
    EXPECT_EQ(list.count(), 1);
}

// ---- the sample data directory -------------------------------------------------------------------

TEST(SampleData, MetadataFilesAreInTheGeneratorsForm)
{
    int metas = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TESSEL_SAMPLE_DATA))
    {
        const std::string path = entry.path().string();
        if (entry.path().extension() != ".meta")
            continue;
        ++metas;
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_file(path.c_str())) << path;
        const std::string resaved = testing::TempDir() + "resaved.meta";
        ASSERT_TRUE(doc.save_file(resaved.c_str(), "\t", pugi::format_default | pugi::format_write_bom,
                                  pugi::encoding_utf16_le));
        EXPECT_EQ(ReadFile(resaved), ReadFile(path)) << path;
    }
    EXPECT_GE(metas, 5);
}

} // namespace
