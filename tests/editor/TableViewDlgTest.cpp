// The table view dialog on loaded tables and on tables built in memory: columns and lines, the
// "default" placeholders, refilling, and the failed checks of broken rows.
#include "PropertiesTestSupport.h"

#include "base/assert.h"
#include "editor/TableViewDlg.h"
#include "editor/grid/TableModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

using namespace proptest;

namespace
{

// What the view's model holds: the lines, the columns, a line's value texts (without the names
// that link columns add) with "<none>" for an empty place, and the column titles.
int Lines(QTableView* list)
{
    return list->model()->rowCount();
}

int Columns(QTableView* list)
{
    return list->model()->columnCount();
}

QStringList Line(QTableView* list, int row)
{
    QStringList line;
    for (int c = 0; c < Columns(list); ++c)
    {
        const QVariant text = list->model()->index(row, c).data(TableModel::ValueTextRole);
        line << (text.isValid() ? text.toString() : QStringLiteral("<none>"));
    }
    return line;
}

QStringList Titles(QTableView* list)
{
    QStringList titles;
    for (int c = 0; c < Columns(list); ++c)
        titles << list->model()->headerData(c, Qt::Horizontal).toString();
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

    QTableView* list = dialog.m_searchTable;
    EXPECT_EQ(Titles(list), (QStringList{"ID", "Name", "Count", "Level", "Big", "Huge", "Weight", "Drops",
                                         "Rates", "Monster"}));
    for (int c = 0; c < Columns(list); ++c)
        EXPECT_EQ(list->columnWidth(c), 100) << c;
    ASSERT_EQ(Lines(list), 3);
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
    ASSERT_EQ(Lines(dialog.m_searchTable), 2);
    dialog.hide();
    EXPECT_EQ(Lines(dialog.m_searchTable), 2); // refilled on hiding as well

    ASSERT_NE(monsters->NewRow(u"新建Monsters3"), nullptr);
    dialog.m_viewTable = items;
    dialog.show();
    EXPECT_EQ(Columns(dialog.m_searchTable), kItemFieldCount);
    EXPECT_EQ(Lines(dialog.m_searchTable), 3);
    dialog.hide();
    dialog.m_viewTable = monsters;
    dialog.show();
    EXPECT_EQ(Columns(dialog.m_searchTable), kMonsterFieldCount);
    ASSERT_EQ(Lines(dialog.m_searchTable), 3);
    EXPECT_EQ(Line(dialog.m_searchTable, 2), (QStringList{"12", "新建Monsters3", "0", "0"}));

    dialog.clearTable();
    EXPECT_EQ(Lines(dialog.m_searchTable), 0);
    EXPECT_EQ(Columns(dialog.m_searchTable), 0);
}

TEST_F(TableViewDlgTest, WithoutATableTheListStaysEmptyAndLine42IsReported)
{
    CTableViewDlg dialog;
    const unsigned long reports = scl::AssertReportCount();
    dialog.show();
    EXPECT_GE(scl::AssertReportCount(), reports + 1);
    EXPECT_TRUE(LastReportIs(42)) << scl::LastAssertReport();
    EXPECT_EQ(Lines(dialog.m_searchTable), 0);
    EXPECT_EQ(Columns(dialog.m_searchTable), 0);
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
    static tarn::Cell* Number(int value)
    {
        tarn::Field field;
        field.m_type = FIELD_TYPE_INT;
        tarn::Cell* cell = tarn::CreateCell(field);
        cell->SetInt(value);
        return cell;
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
    EXPECT_EQ(Lines(dialog.m_searchTable), 0);
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

    QTableView* list = dialog.m_searchTable;
    ASSERT_EQ(Lines(list), 3);
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
    EXPECT_EQ(Columns(dialog.m_searchTable), 0);
    EXPECT_EQ(Lines(dialog.m_searchTable), 2);
}

// A picker on a table of a few thousand rows: the view shows the rows through the grid's model
// (no copy of the rows into items), opens on the target row, and the filter narrows the model's
// rows as one types; a double-click picks the one row left.
TEST_F(TableViewDlgMemoryTest, ABigTableIsShownThroughTheModelAndFiltered)
{
    constexpr int kRows = 5000;
    constexpr int kTargetLine = 4321;
    tarn::editor::Table table;
    table.m_label = u"大表";
    AddField(table, FIELD_TYPE_INT, u"ID");
    AddField(table, FIELD_TYPE_STRING, u"名称");
    for (int i = 0; i < kRows; ++i)
    {
        tarn::Row& row = AddRow(table);
        row.cells.push_back(Number(100000 + i));
        row.cells.push_back(Text(QStringLiteral("行%1").arg(i).toStdU16String().c_str()));
    }

    CTableViewDlg dialog;
    dialog.m_viewTable = &table;
    std::vector<std::vector<int>> applied;
    dialog.SetPicker(false, {100000 + kTargetLine},
                     [&](const std::vector<int>& ids)
                     {
                         applied.push_back(ids);
                         return ids;
                     });
    const unsigned long reports = scl::AssertReportCount();
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog, 5000));
    EXPECT_EQ(scl::AssertReportCount(), reports);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("大表 - 选择行"));

    // The view's rows are the model's rows over this very table.
    QTableView* view = dialog.m_searchTable;
    ASSERT_NE(dialog.Model(), nullptr);
    EXPECT_EQ(dialog.Model()->Table(), &table);
    EXPECT_EQ(dialog.Model()->Document(), nullptr);
    EXPECT_EQ(dialog.LineCount(), kRows);
    EXPECT_EQ(Lines(view), kRows);
    QModelIndex source;
    EXPECT_EQ(TableModel::SourceOf(view->model()->index(kRows - 1, 1), &source), dialog.Model());
    EXPECT_EQ(source.row(), kRows - 1);
    EXPECT_FALSE(view->model()->flags(view->model()->index(0, 1)).testFlag(Qt::ItemIsEditable));

    // The target row is the one selected, and it is in sight.
    const QModelIndexList selected = view->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.front(), dialog.ViewIndexOfLine(kTargetLine));
    EXPECT_EQ(view->currentIndex().row(), dialog.ViewIndexOfLine(kTargetLine).row());
    EXPECT_TRUE(view->viewport()->rect().intersects(view->visualRect(selected.front())));

    // By text: "行432" is in 432 and 4320..4329. Chinese text arrives as an input method commit, the
    // digits as keys.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("行"));
    QApplication::sendEvent(dialog.FilterEdit(), &commit);
    QTest::keyClicks(dialog.FilterEdit(), QStringLiteral("432"));
    std::vector<int> shown;
    for (int line = 0; line < dialog.LineCount(); ++line)
        if (!dialog.IsLineHidden(line))
            shown.push_back(line);
    EXPECT_EQ(shown, (std::vector<int>{432, 4320, 4321, 4322, 4323, 4324, 4325, 4326, 4327, 4328, 4329}));
    EXPECT_EQ(Lines(view), 11);
    // By id, with the surrounding blanks of a paste.
    dialog.FilterEdit()->clear();
    EXPECT_EQ(Lines(view), kRows);
    QTest::keyClicks(dialog.FilterEdit(), QStringLiteral(" 102500 "));
    ASSERT_EQ(Lines(view), 1);
    ASSERT_FALSE(dialog.IsLineHidden(2500));
    EXPECT_EQ(Line(view, 0), (QStringList{"102500", "行2500"}));

    const QPoint at = view->visualRect(dialog.ViewIndexOfLine(2500, 1)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_EQ(applied.front(), (std::vector<int>{102500}));
    EXPECT_EQ(dialog.Ids(), (std::vector<int>{102500}));
}

} // namespace
