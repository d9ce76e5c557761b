// The table view dialog on loaded tables and on tables built in memory: columns and lines, the
// "default" placeholders, refilling, and the failed checks of broken rows.
#include "PropertiesTestSupport.h"

#include "base/assert.h"
#include "editor/TableViewDlg.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

using namespace proptest;

namespace
{

QStringList Line(QTableWidget* list, int row)
{
    QStringList line;
    for (int c = 0; c < list->columnCount(); ++c)
        line << (list->item(row, c) ? list->item(row, c)->text() : QStringLiteral("<none>"));
    return line;
}

QStringList Titles(QTableWidget* list)
{
    QStringList titles;
    for (int c = 0; c < list->columnCount(); ++c)
        titles << list->horizontalHeaderItem(c)->text();
    return titles;
}

bool LastReportIs(int line)
{
    const std::string expected =
        "<file: .\\TableViewDlg>\n<function: CTableViewDlg::OnShowWindow>\n<line: " + std::to_string(line) +
        ">\n<expresion: false>\n";
    return std::string(scl::LastAssertReport()) == expected;
}

QPushButton* OkButton(CTableViewDlg& dialog)
{
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->text() == QStringLiteral("确定"))
            return button;
    return nullptr;
}

using TableViewDlgTest = TablesTest;

TEST_F(TableViewDlgTest, ShowsOneColumnPerFieldAndOneLinePerRow)
{
    CTableViewDlg dialog;
    EXPECT_EQ(dialog.m_viewTable, nullptr);
    dialog.m_viewTable = items;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog, 5000));

    QTableWidget* list = dialog.m_searchTable;
    EXPECT_EQ(Titles(list), (QStringList{"ID", "Name", "Count", "Level", "Big", "Huge", "Weight", "Drops",
                                         "Rates", "Monster"}));
    for (int c = 0; c < list->columnCount(); ++c)
        EXPECT_EQ(list->columnWidth(c), 100) << c;
    ASSERT_EQ(list->rowCount(), 3);
    EXPECT_EQ(Line(list, 0),
              (QStringList{"1", "长剑", "5", "3", "-7", "9", "1.000000", "1|2|3", "0.500000", "10"}));
    EXPECT_EQ(Line(list, 1),
              (QStringList{"2", "Shield", "6", "4294967295", "0", "0", "1.000050", "", "", "11"}));
    EXPECT_EQ(Line(list, 2),
              (QStringList{"3", "Bow", "7", "0", "1", "2", "1.000200", "7", "2.000000|3.000000", "10"}));

    EXPECT_TRUE(list->showGrid());
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    // The caption names the table; the about box's banner is not there.
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Items - 选择行"));
    bool versionLine = false;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        versionLine = versionLine || label->text() == QStringLiteral("Tessel，1.0 版");
    EXPECT_FALSE(versionLine);
    QPushButton* ok = OkButton(dialog);
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
}

TEST_F(TableViewDlgTest, OkClosesTheDialogAndChangesNothing)
{
    const QByteArray file = ReadFile(Path(QStringLiteral("items.txt")));
    CTableViewDlg dialog;
    dialog.m_viewTable = items;
    ModalAnswer<CTableViewDlg> answer(
        [](CTableViewDlg* shown)
        {
            shown->m_searchTable->selectRow(0);
            shown->m_searchTable->selectRow(2);
            QTest::mouseClick(OkButton(*shown), Qt::LeftButton);
        });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_TRUE(answer.answered());
    ASSERT_EQ(items->m_rows.size(), 3);
    EXPECT_EQ(Q(RowAt(items, 0)->Name()), QStringLiteral("长剑"));
    ASSERT_TRUE(items->Save());
    EXPECT_EQ(ReadFile(Path(QStringLiteral("items.txt"))), file);
}

TEST_F(TableViewDlgTest, EveryShowFillsTheListAfresh)
{
    CTableViewDlg dialog;
    dialog.m_viewTable = monsters;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog, 5000));
    ASSERT_EQ(dialog.m_searchTable->rowCount(), 2);
    dialog.hide();
    EXPECT_EQ(dialog.m_searchTable->rowCount(), 2); // refilled on hiding as well

    ASSERT_NE(monsters->NewRow(u"新建Monsters3"), nullptr);
    dialog.m_viewTable = items;
    dialog.show();
    EXPECT_EQ(dialog.m_searchTable->columnCount(), kItemFieldCount);
    EXPECT_EQ(dialog.m_searchTable->rowCount(), 3);
    dialog.hide();
    dialog.m_viewTable = monsters;
    dialog.show();
    EXPECT_EQ(dialog.m_searchTable->columnCount(), kMonsterFieldCount);
    ASSERT_EQ(dialog.m_searchTable->rowCount(), 3);
    EXPECT_EQ(Line(dialog.m_searchTable, 2), (QStringList{"12", "新建Monsters3", "0", "0"}));

    dialog.clearTable();
    EXPECT_EQ(dialog.m_searchTable->rowCount(), 0);
    EXPECT_EQ(dialog.m_searchTable->columnCount(), 0);
}

TEST_F(TableViewDlgTest, WithoutATableTheListStaysEmptyAndLine42IsReported)
{
    CTableViewDlg dialog;
    const unsigned long reports = scl::AssertReportCount();
    dialog.show();
    EXPECT_GE(scl::AssertReportCount(), reports + 1);
    EXPECT_TRUE(LastReportIs(42)) << scl::LastAssertReport();
    EXPECT_EQ(dialog.m_searchTable->rowCount(), 0);
    EXPECT_EQ(dialog.m_searchTable->columnCount(), 0);
}

// Tables built in memory, for rows that no data file can produce.
class TableViewDlgMemoryTest : public ::testing::Test
{
protected:
    static void AddField(tarn::editor::Table& table, FIELD_TYPE type, const char16_t* name)
    {
        tarn::Field field;
        field.m_type = type;
        field.m_name = name;
        table.m_fields.push_back(field);
    }
    static tarn::Row& AddRow(tarn::editor::Table& table)
    {
        tarn::Row& row = table.m_rows.push_back()->value;
        row.m_table = &table;
        return row;
    }
    static tarn::Cell* Text(const char16_t* value)
    {
        tarn::Field field;
        field.m_type = FIELD_TYPE_STRING;
        tarn::Cell* cell = tarn::CreateCell(field);
        cell->SetString(value);
        return cell;
    }
};

TEST_F(TableViewDlgMemoryTest, FieldsWithoutRowsShowOnlyTheColumnTitles)
{
    tarn::editor::Table table;
    AddField(table, FIELD_TYPE_INT, u"ID");
    AddField(table, FIELD_TYPE_STRING, u"名称");
    CTableViewDlg dialog;
    dialog.m_viewTable = &table;
    dialog.show();
    EXPECT_EQ(Titles(dialog.m_searchTable), (QStringList{"ID", "名称"}));
    EXPECT_EQ(dialog.m_searchTable->rowCount(), 0);
}

TEST_F(TableViewDlgMemoryTest, AMissingCellKeepsItsPlaceholderAndExtraCellsAreReported)
{
    tarn::editor::Table table;
    AddField(table, FIELD_TYPE_STRING, u"A");
    AddField(table, FIELD_TYPE_STRING, u"B");
    tarn::Row& missingFirst = AddRow(table);
    missingFirst.cells.push_back(nullptr);
    missingFirst.cells.push_back(Text(u"b1"));
    tarn::Row& tooMany = AddRow(table);
    tooMany.cells.push_back(Text(u"a2"));
    tooMany.cells.push_back(Text(u"b2"));
    tooMany.cells.push_back(Text(u"c2"));
    tarn::Row& missingSecond = AddRow(table);
    missingSecond.cells.push_back(Text(u"a3"));
    missingSecond.cells.push_back(nullptr);

    CTableViewDlg dialog;
    dialog.m_viewTable = &table;
    const unsigned long reports = scl::AssertReportCount();
    dialog.OnShowWindow(true);
    EXPECT_EQ(scl::AssertReportCount(), reports + 3);
    EXPECT_TRUE(LastReportIs(99)) << scl::LastAssertReport();

    QTableWidget* list = dialog.m_searchTable;
    ASSERT_EQ(list->rowCount(), 3);
    EXPECT_EQ(Line(list, 0), (QStringList{"default", "b1"}));
    EXPECT_EQ(Line(list, 1), (QStringList{"a2", "b2"}));
    EXPECT_EQ(Line(list, 2), (QStringList{"a3", "<none>"}));
}

TEST_F(TableViewDlgMemoryTest, ATableWithoutFieldsShowsNoColumnsAndReportsEachRow)
{
    tarn::editor::Table table;
    AddRow(table).cells.push_back(Text(u"x"));
    AddRow(table).cells.push_back(Text(u"y"));
    CTableViewDlg dialog;
    dialog.m_viewTable = &table;
    const unsigned long reports = scl::AssertReportCount();
    dialog.OnShowWindow(true);
    EXPECT_EQ(scl::AssertReportCount(), reports + 2);
    EXPECT_TRUE(LastReportIs(92)) << scl::LastAssertReport();
    EXPECT_EQ(dialog.m_searchTable->columnCount(), 0);
    EXPECT_EQ(dialog.m_searchTable->rowCount(), 2);
}

} // namespace
