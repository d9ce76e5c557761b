// The table grid in the main area, on the real editor started on a temporary data directory and
// driven by real key and mouse events: tabs opened from the class view and remembered, typed
// edits of every field type (refusals included) with undo and redo, a column filled for many rows,
// copy and paste of blocks, new, duplicated and deleted rows, sorting, filtering, the current row
// shared with the class view, links with their names, and Save writing the edited bytes.
#include "PropertiesTestSupport.h"
#include "ShellTestSupport.h"

#include "editor/CellVariant.h"
#include "editor/CustomTree.h"
#include "editor/DocumentCommands.h"
#include "editor/TesselView.h"
#include "editor/grid/GridView.h"
#include "editor/grid/TableModel.h"
#include "tool/cellValue.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QSignalSpy>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTabWidget>
#include <QTest>
#include <QUndoStack>

#include <algorithm>
#include <functional>

using namespace shelltest;
using proptest::Q;
using proptest::WaitFor;

namespace
{

constexpr int kManyRows = 60;

// many.txt: ID, Name, Score (INT), Tag (STRING), kManyRows rows.
QString ManyText()
{
    QString text = QStringLiteral("ID\tName\tScore\tTag\r\nINT\tSTRING\tINT\tSTRING\r\n");
    for (int i = 1; i <= kManyRows; ++i)
        text += QStringLiteral("%1\tm%2\t%3\tt\r\n").arg(i).arg(i).arg(1000 - i);
    return text;
}

class GridTest : public EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        for (const proptest::DataFile& file : proptest::DataFiles())
            ASSERT_TRUE(WriteFile(Path(file.name), file.bytes));
        const QByteArray list = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                "<TableList>\n"
                                "\t<Table FileName=\"items.txt\" Label=\"Items\" />\n"
                                "\t<Table FileName=\"monsters.txt\" Label=\"Monsters\" />\n"
                                "\t<Table FileName=\"many.txt\" Label=\"Many\" />\n"
                                "</TableList>\n";
        const QByteArray manyMeta = QByteArray("<?xml version=\"1.0\"?>\n"
                                               "<Table IdFieldIndex=\"0\" NameFieldIndex=\"1\">\n") +
                                    proptest::FieldXml("INT", "ID") + proptest::FieldXml("STRING", "Name") +
                                    proptest::FieldXml("INT", "Score") + proptest::FieldXml("STRING", "Tag") +
                                    "</Table>\n";
        ASSERT_TRUE(WriteFile(Path(QStringLiteral("tableList.xml")), list));
        ASSERT_TRUE(WriteFile(Path(QStringLiteral("many.txt.meta")), manyMeta));
        ASSERT_TRUE(WriteFile(Path(QStringLiteral("many.txt")), Utf16File(ManyText())));
    }

    void StartEditor(QStringList arguments = {})
    {
        ASSERT_TRUE(Start(arguments));
        Frame()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Frame(), 5000));
    }

    tarn::editor::Table* TableNamed(const char16_t* file) const { return TableList::instance()->find(file); }
    CTesselView* View() const { return Frame()->GetActiveView(); }
    QTabWidget* Tabs() const { return View()->Tabs(); }
    CCustomTree* Tree() const { return Frame()->m_classView.Tree(); }
    CTesselDoc* Doc() const { return Frame()->GetActiveDocument(); }

    QTreeWidgetItem* TableItem(int index) const { return Tree()->topLevelItem(0)->child(index); }

    // A point on the item's image and label, in the tree's viewport.
    QPoint LabelPoint(QTreeWidgetItem* item) const
    {
        Tree()->scrollToItem(item);
        const QRect rect = Tree()->visualItemRect(item);
        return QPoint(rect.left() + 8, rect.center().y());
    }

    // Opens the table at `index` of the list with a double-click on its class view item.
    CGridView* OpenByDoubleClick(int index)
    {
        const QPoint point = LabelPoint(TableItem(index));
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, Qt::NoModifier, point);
        QTest::mouseDClick(Tree()->viewport(), Qt::LeftButton, Qt::NoModifier, point);
        return View()->CurrentGrid();
    }

    // The widget and point that show cell (row, column) of the grid's view; frozen columns are
    // drawn by the frozen view over the table.
    static std::pair<QWidget*, QPoint> CellAt(CGridView* grid, int row, int column)
    {
        GridTable* view = grid->View();
        const QModelIndex index = grid->Proxy()->index(row, column);
        QTableView* frozen = view->FrozenView();
        if (frozen->isVisible() && !frozen->isColumnHidden(column))
            return {frozen->viewport(), frozen->visualRect(index).center()};
        view->scrollTo(index);
        return {view->viewport(), view->visualRect(index).center()};
    }

    static void ClickCell(CGridView* grid, int row, int column, Qt::KeyboardModifiers modifiers = {})
    {
        const auto [widget, point] = CellAt(grid, row, column);
        QTest::mouseClick(widget, Qt::LeftButton, modifiers, point);
    }

    // Clicks the cell, types `text` (which opens the editor) and presses `key`.
    static void TypeIntoCell(CGridView* grid, int row, int column, const QString& text,
                             Qt::Key key = Qt::Key_Return, Qt::KeyboardModifiers modifiers = {})
    {
        ClickCell(grid, row, column);
        QTest::keyClick(grid->View(), Qt::Key_F2);
        QLineEdit* editor = OpenEditor(grid);
        ASSERT_NE(editor, nullptr);
        proptest::TypeText(editor, text);
        QTest::keyClick(editor, key, modifiers);
        // The delegate commits and closes its editor once the key has been handled.
        QApplication::processEvents();
    }

    // The grid's open cell editor; null when none is open.
    static QLineEdit* OpenEditor(CGridView* grid)
    {
        for (QLineEdit* editor : grid->View()->findChildren<QLineEdit*>(QStringLiteral("GridCellEditor")))
            if (editor->isVisible())
                return editor;
        return nullptr;
    }

    static QString Shown(CGridView* grid, int row, int column)
    {
        return grid->Proxy()->index(row, column).data(TableModel::ValueTextRole).toString();
    }

    static QString Exact(tarn::editor::Table* table, int row, int field)
    {
        const std::u16string text = tarn::ExactValueText(*proptest::RowAt(table, row)->cells[field]);
        return QString::fromStdU16String(text);
    }
};

TEST_F(GridTest, DoubleClickAndEnterOpenTabsThatAreRememberedAndReopened)
{
    StartEditor();
    EXPECT_EQ(Tabs()->count(), 0);
    CGridView* grid = OpenByDoubleClick(0);
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->Table(), TableNamed(u"items.txt"));
    EXPECT_EQ(Tabs()->tabText(0), QStringLiteral("Items"));
    EXPECT_EQ(Tabs()->tabToolTip(0), QDir::toNativeSeparators(QDir(Dir()).absoluteFilePath("items.txt")));
    EXPECT_EQ(grid->Model()->rowCount(), 3);
    EXPECT_EQ(grid->Model()->columnCount(), proptest::kItemFieldCount);

    // Enter on the second table's item opens its tab; a second double-click only shows a tab.
    Tree()->setFocus();
    Tree()->SelectItem(TableItem(1));
    QTest::keyClick(Tree(), Qt::Key_Return);
    ASSERT_EQ(Tabs()->count(), 2);
    EXPECT_EQ(View()->CurrentGrid()->Table(), TableNamed(u"monsters.txt"));
    EXPECT_EQ(OpenByDoubleClick(0), grid);
    EXPECT_EQ(Tabs()->count(), 2);

    // The tab's close button closes it.
    QWidget* close = Tabs()->tabBar()->tabButton(1, QTabBar::RightSide);
    ASSERT_NE(close, nullptr);
    QTest::mouseClick(close, Qt::LeftButton);
    ASSERT_EQ(Tabs()->count(), 1);

    // The next start on the directory reopens the tabs left open; --table adds one.
    Stop();
    StartEditor({QStringLiteral("-C"), Dir(), QStringLiteral("--table"), QStringLiteral("many.txt")});
    ASSERT_EQ(View()->OpenTableFiles(),
              (QStringList{QStringLiteral("items.txt"), QStringLiteral("many.txt")}));
    EXPECT_EQ(View()->CurrentGrid()->Table(), TableNamed(u"many.txt"));
}

TEST_F(GridTest, ModelFollowsTheTableWithoutCopyingIt)
{
    StartEditor();
    CGridView* grid = OpenByDoubleClick(0);
    ASSERT_NE(grid, nullptr);
    TableModel* model = grid->Model();
    EXPECT_EQ(model->headerData(proptest::kItemMonster, Qt::Horizontal).toString(),
              QStringLiteral("Monster"));
    EXPECT_TRUE(model->headerData(proptest::kItemMonster, Qt::Horizontal, Qt::ToolTipRole)
                    .toString()
                    .contains(QStringLiteral("monsters.txt")));
    // The id and name columns are frozen at the left.
    EXPECT_EQ(grid->View()->horizontalHeader()->logicalIndex(0), proptest::kItemId);
    EXPECT_EQ(grid->View()->horizontalHeader()->logicalIndex(1), proptest::kItemName);
    EXPECT_FALSE(grid->View()->FrozenView()->isColumnHidden(proptest::kItemName));
    EXPECT_TRUE(grid->View()->FrozenView()->isColumnHidden(proptest::kItemWeight));

    const struct
    {
        int field;
        const char16_t* shown;
    } cells[] = {{proptest::kItemId, u"1"},
                 {proptest::kItemName, u"长剑"},
                 {proptest::kItemLevel, u"3"},
                 {proptest::kItemBig, u"-7"},
                 {proptest::kItemWeight, u"1.000000"},
                 {proptest::kItemDrops, u"1|2|3"},
                 {proptest::kItemRates, u"0.500000"}};
    for (const auto& cell : cells)
        EXPECT_EQ(Shown(grid, 0, cell.field), Q(cell.shown)) << cell.field;
}

TEST_F(GridTest, TypedEditsOfEveryTypeUndoRedoAndRefusals)
{
    StartEditor();
    CGridView* grid = OpenByDoubleClick(0);
    ASSERT_NE(grid, nullptr);
    tarn::editor::Table* items = TableNamed(u"items.txt");
    const struct
    {
        int field;
        const char16_t* typed;
        const char16_t* exact;
    } edits[] = {{proptest::kItemName, u"Axe", u"Axe"},
                 {proptest::kItemCount, u"-12", u"-12"},
                 {proptest::kItemLevel, u"4000000000", u"4000000000"},
                 {proptest::kItemBig, u"-9000000000", u"-9000000000"},
                 {proptest::kItemHuge, u"18000000000000000000", u"18000000000000000000"},
                 {proptest::kItemWeight, u"2.5", u"2.5"},
                 {proptest::kItemDrops, u"4|5", u"4|5"},
                 {proptest::kItemRates, u"0.25|1", u"0.25|1"}};
    const int before = Doc()->UndoStack()->count();
    for (const auto& edit : edits)
    {
        TypeIntoCell(grid, 1, edit.field, Q(edit.typed));
        EXPECT_EQ(Exact(items, 1, edit.field), Q(edit.exact)) << edit.field;
    }
    EXPECT_EQ(Doc()->UndoStack()->count(), before + static_cast<int>(std::size(edits)));

    // Refused texts: the pane's message, the editor stays open, nothing changes.
    const struct
    {
        int field;
        const char16_t* typed;
    } refused[] = {{proptest::kItemLevel, u"-5"},
                   {proptest::kItemCount, u"12ab"},
                   {proptest::kItemWeight, u"1e400"},
                   {proptest::kItemDrops, u"1||2"}};
    for (const auto& refusal : refused)
    {
        const QString expected =
            CellInputMessage(ParseCellInput(items->m_fields[refusal.field], Q(refusal.typed)));
        ASSERT_FALSE(expected.isEmpty());
        QString shownMessage;
        ModalAnswer<QMessageBox> answer(
            [&](QMessageBox* box)
            {
                shownMessage = box->objectName() + QLatin1Char(':') + box->text();
                box->accept();
            });
        const QString old = Exact(items, 1, refusal.field);
        TypeIntoCell(grid, 1, refusal.field, Q(refusal.typed));
        ASSERT_TRUE(WaitFor([&]() { return answer.answered(); }));
        EXPECT_EQ(shownMessage, QStringLiteral("EditRefusedBox:") + expected);
        EXPECT_EQ(Exact(items, 1, refusal.field), old);
        auto* editor = grid->View()->findChild<QLineEdit*>(QStringLiteral("GridCellEditor"));
        ASSERT_NE(editor, nullptr);
        EXPECT_TRUE(editor->isVisible());
        QTest::keyClick(editor, Qt::Key_Escape);
    }
    EXPECT_EQ(Doc()->UndoStack()->count(), before + static_cast<int>(std::size(edits)));

    // Ctrl+Z in the grid undoes the last edit, Ctrl+Y redoes it.
    // (The message boxes took the activation away.)
    Frame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Frame(), 5000));
    grid->View()->setFocus();
    QTest::keyClick(grid->View(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Exact(items, 1, proptest::kItemRates), QStringLiteral(""));
    EXPECT_EQ(Shown(grid, 1, proptest::kItemRates), QStringLiteral(""));
    QTest::keyClick(grid->View(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Shown(grid, 1, proptest::kItemRates), QStringLiteral("0.250000|1.000000"));
}

TEST_F(GridTest, EditsInThePaneAndTheGridShowInEachOther)
{
    StartEditor();
    CGridView* grid = OpenByDoubleClick(0);
    ASSERT_NE(grid, nullptr);
    tarn::editor::Table* items = TableNamed(u"items.txt");

    // The grid's current row is the pane's row; an edit in the grid shows in the pane and the tree.
    TypeIntoCell(grid, 0, proptest::kItemName, QStringLiteral("Sabre"));
    EXPECT_EQ(Doc()->CurrentRow(), proptest::RowAt(items, 0));
    PropertyGridItem* group = Frame()->m_propertiesPane.Grid()->property(0);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->subItem(proptest::kItemName)->value().toString(), QStringLiteral("Sabre"));
    EXPECT_EQ(Frame()->m_classView.ItemOf(proptest::RowAt(items, 0))->text(0), QStringLiteral("Sabre"));

    // An edit through the pane's path (the document) shows in the grid at once.
    Doc()->SetCellValue(proptest::RowAt(items, 0), proptest::kItemCount, u"77");
    EXPECT_EQ(Shown(grid, 0, proptest::kItemCount), QStringLiteral("77"));
    EXPECT_EQ(grid->Proxy()->index(0, proptest::kItemCount).data().toString(), QStringLiteral("77"));
}

TEST_F(GridTest, CtrlEnterSetsFiftySelectedRowsInOneStep)
{
    StartEditor();
    CGridView* grid = OpenByDoubleClick(2);
    ASSERT_NE(grid, nullptr);
    tarn::editor::Table* many = TableNamed(u"many.txt");
    const int score = 2;
    ClickCell(grid, 0, score);
    ClickCell(grid, 49, score, Qt::ShiftModifier);
    ASSERT_EQ(grid->View()->selectionModel()->selectedIndexes().size(), 50);
    const int before = Doc()->UndoStack()->count();
    auto* view = grid->View();
    // The first key typed opens the editor on the current cell; the next ones go to the editor.
    QTest::keyClick(view, Qt::Key_4);
    QLineEdit* editor = OpenEditor(grid);
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_2);
    EXPECT_EQ(editor->text(), QStringLiteral("42"));
    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(Doc()->UndoStack()->count(), before + 1);
    for (int r = 0; r < kManyRows; ++r)
        EXPECT_EQ(Exact(many, r, score), r < 50 ? QStringLiteral("42") : QString::number(1000 - r - 1)) << r;
    QApplication::processEvents();
    EXPECT_EQ(OpenEditor(grid), nullptr);
    Doc()->Undo();
    for (int r = 0; r < 50; ++r)
        EXPECT_EQ(Exact(many, r, score), QString::number(1000 - r - 1)) << r;
    // The record of the step replays it.
    Doc()->Redo();
    const CommandRecord record = RecordOf(Doc()->UndoStack()->command(Doc()->UndoStack()->index() - 1));
    EXPECT_EQ(record.kind, u"setcells");
    Doc()->Undo();
    ASSERT_TRUE(Doc()->PushRecord(record));
    EXPECT_EQ(Exact(many, 49, score), QStringLiteral("42"));
}

TEST_F(GridTest, CopyBlockAndPasteFromSpreadsheetText)
{
    StartEditor();
    CGridView* grid = OpenByDoubleClick(2);
    ASSERT_NE(grid, nullptr);
    tarn::editor::Table* many = TableNamed(u"many.txt");

    // Rows 2-3, columns Name..Score: the cells' texts, tab-separated, no header.
    ClickCell(grid, 1, 1);
    ClickCell(grid, 2, 2, Qt::ShiftModifier);
    grid->View()->setFocus();
    QTest::keyClick(grid->View(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("m2\t998\nm3\t997\n"));

    // A block from the last row: overwrites it and appends two rows with fresh ids, in one step.
    const int before = Doc()->UndoStack()->count();
    ClickCell(grid, kManyRows - 1, 1);
    QApplication::clipboard()->setText(QStringLiteral("x1\t1\ty1\r\nx2\t2\ty2\r\nx3\t3\ty3\r\n"));
    QTest::keyClick(grid->View(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(many->m_rows.size(), kManyRows + 2);
    EXPECT_EQ(Doc()->UndoStack()->count(), before + 1);
    EXPECT_EQ(Exact(many, kManyRows - 1, 1), QStringLiteral("x1"));
    EXPECT_EQ(Exact(many, kManyRows + 1, 3), QStringLiteral("y3"));
    EXPECT_EQ(Exact(many, kManyRows, 0), QString::number(kManyRows + 1));
    EXPECT_EQ(grid->Model()->rowCount(), kManyRows + 2);
    EXPECT_EQ(grid->StatusLabel()->text(), QStringLiteral("显示 62 / 62 行"));

    // One bad value: nothing changes, one message names it.
    QString message;
    ModalAnswer<QMessageBox> answer(
        [&](QMessageBox* box)
        {
            message = box->objectName() + QLatin1Char('\n') + box->informativeText();
            box->accept();
        });
    ClickCell(grid, 0, 1);
    QApplication::clipboard()->setText(QStringLiteral("a\t5\nb\tfive\n"));
    QTest::keyClick(grid->View(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(answer.answered());
    EXPECT_TRUE(message.startsWith(QStringLiteral("PasteRefusedBox\n第 2 行："))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("five"))) << message.toStdString();
    EXPECT_EQ(Exact(many, 0, 1), QStringLiteral("m1"));
    EXPECT_EQ(Doc()->UndoStack()->count(), before + 1);

    // Undo takes the whole paste back.
    const CommandRecord pasted = RecordOf(Doc()->UndoStack()->command(before));
    EXPECT_EQ(pasted.kind, u"steps");
    Doc()->Undo();
    EXPECT_EQ(many->m_rows.size(), kManyRows);
    EXPECT_EQ(Exact(many, kManyRows - 1, 1), QStringLiteral("m60"));
    EXPECT_EQ(grid->Model()->rowCount(), kManyRows);

    // The paste's record (what the recovery journal keeps) replays the whole paste as one step.
    Doc()->UndoStack()->clear();
    ASSERT_TRUE(Doc()->PushRecord(pasted));
    EXPECT_EQ(Doc()->UndoStack()->count(), 1);
    ASSERT_EQ(many->m_rows.size(), kManyRows + 2);
    EXPECT_EQ(Exact(many, kManyRows - 1, 1), QStringLiteral("x1"));
    EXPECT_EQ(Exact(many, kManyRows + 1, 3), QStringLiteral("y3"));
    Doc()->Undo();
    EXPECT_EQ(many->m_rows.size(), kManyRows);
    EXPECT_EQ(Exact(many, kManyRows - 1, 1), QStringLiteral("m60"));
    // A record whose parts do not fit the table changes nothing.
    CommandRecord spoiled = pasted;
    spoiled.fields.back() = u"not-a-number-or-text?";
    spoiled.fields[1] = u"nosuch";
    EXPECT_FALSE(Doc()->PushRecord(spoiled));
    EXPECT_EQ(many->m_rows.size(), kManyRows);
}

TEST_F(GridTest, NewDuplicateAndDeleteRows)
{
    StartEditor();
    CGridView* grid = OpenByDoubleClick(0);
    ASSERT_NE(grid, nullptr);
    tarn::editor::Table* items = TableNamed(u"items.txt");
    ClickCell(grid, 0, proptest::kItemCount);
    QTest::keyClick(grid->View(), Qt::Key_Insert, Qt::ControlModifier);
    ASSERT_EQ(items->m_rows.size(), 4);
    EXPECT_EQ(grid->Model()->rowCount(), 4);
    EXPECT_EQ(grid->View()->currentIndex().row(), 3);
    EXPECT_EQ(Doc()->CurrentRow(), proptest::RowAt(items, 3));

    // 复制行: rows 1 and 2 again with fresh ids.
    ClickCell(grid, 0, proptest::kItemCount);
    ClickCell(grid, 1, proptest::kItemCount, Qt::ShiftModifier);
    EXPECT_EQ(grid->DuplicateRows(), 2);
    ASSERT_EQ(items->m_rows.size(), 6);
    EXPECT_EQ(Exact(items, 4, proptest::kItemName), Q(u"长剑"));
    EXPECT_EQ(Exact(items, 5, proptest::kItemLevel), QStringLiteral("4294967295"));
    EXPECT_NE(Exact(items, 4, proptest::kItemId), QStringLiteral("1"));

    // Del deletes the selected rows, not the class view's.
    ClickCell(grid, 4, proptest::kItemCount);
    ClickCell(grid, 5, proptest::kItemCount, Qt::ShiftModifier);
    QTest::keyClick(grid->View(), Qt::Key_Delete);
    EXPECT_EQ(items->m_rows.size(), 4);
    EXPECT_EQ(grid->Model()->rowCount(), 4);
    Doc()->Undo();
    EXPECT_EQ(grid->Model()->rowCount(), 6);
    EXPECT_EQ(Shown(grid, 5, proptest::kItemName), QStringLiteral("Shield"));
}

TEST_F(GridTest, SortByHeaderAndFilter)
{
    StartEditor();
    CGridView* grid = OpenByDoubleClick(2);
    ASSERT_NE(grid, nullptr);
    QHeaderView* header = grid->View()->horizontalHeader();
    const auto clickHeader = [&](int column)
    {
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(x, header->height() / 2));
    };
    // Score falls with the row: ascending shows the last row first, descending the first, then the
    // file order again.
    clickHeader(2);
    EXPECT_EQ(Shown(grid, 0, 0), QString::number(kManyRows));
    clickHeader(2);
    EXPECT_EQ(Shown(grid, 0, 0), QStringLiteral("1"));
    clickHeader(3);
    clickHeader(3);
    clickHeader(3);
    EXPECT_EQ(Shown(grid, 0, 0), QStringLiteral("1"));
    EXPECT_EQ(Shown(grid, kManyRows - 1, 0), QString::number(kManyRows));
    EXPECT_EQ(Exact(TableNamed(u"many.txt"), 0, 0), QStringLiteral("1")); // the file order is kept

    // Any cell containing the text, or one column with "字段名:文本".
    QTest::keyClicks(grid->FilterBox(), QStringLiteral("m5"));
    EXPECT_EQ(grid->StatusLabel()->text(), QStringLiteral("显示 11 / 60 行")); // m5, m50..m59
    grid->FilterBox()->clear();
    QTest::keyClicks(grid->FilterBox(), QStringLiteral("Score:99"));
    EXPECT_EQ(grid->StatusLabel()->text(), QStringLiteral("显示 10 / 60 行")); // 999..990
    grid->FilterBox()->clear();
    QTest::keyClicks(grid->FilterBox(), QStringLiteral("Name:99"));
    EXPECT_EQ(grid->StatusLabel()->text(), QStringLiteral("显示 0 / 60 行"));
    grid->FilterBox()->clear();
    EXPECT_EQ(grid->StatusLabel()->text(), QStringLiteral("显示 60 / 60 行"));
}

// The rows the proxy shows, as ids in view order, with its two mappings checked against each other.
std::vector<int> ShownIds(CGridView* grid)
{
    std::vector<int> ids;
    GridProxy* proxy = grid->Proxy();
    for (int r = 0; r < proxy->rowCount(); ++r)
    {
        const QModelIndex source = proxy->mapToSource(proxy->index(r, 0));
        EXPECT_EQ(proxy->mapFromSource(source).row(), r);
        ids.push_back(grid->Model()->CellText(source.row(), 0).toInt());
    }
    return ids;
}

// The ids of many.txt's rows from `first` to `last`, ordered by Score (1000 - id) ascending.
std::vector<int> ByScore(std::vector<int> ids)
{
    std::sort(ids.begin(), ids.end(), std::greater<int>());
    return ids;
}

TEST_F(GridTest, SortedAndFilteredRowsFollowEditsInsertsAndDeletes)
{
    StartEditor();
    CGridView* grid = OpenByDoubleClick(2);
    ASSERT_NE(grid, nullptr);
    tarn::editor::Table* many = TableNamed(u"many.txt");
    // Ends the test program on any inconsistent signal of the proxy.
    QAbstractItemModelTester tester(grid->Proxy(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    QHeaderView* header = grid->View()->horizontalHeader();
    const auto clickHeader = [&](int column)
    {
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(x, header->height() / 2));
    };
    std::vector<int> all;
    for (int id = 1; id <= kManyRows; ++id)
        all.push_back(id);

    // Sorted by Score; the current cell and the selection stay on their rows. (A click on the header
    // would select the column first.)
    ClickCell(grid, 4, 2);
    ASSERT_EQ(Doc()->CurrentRow(), proptest::RowAt(many, 4));
    grid->CycleSort(2);
    EXPECT_EQ(ShownIds(grid), ByScore(all));
    EXPECT_EQ(grid->View()->currentIndex().row(), kManyRows - 5);
    ASSERT_EQ(grid->View()->selectionModel()->selectedIndexes().size(), 1);
    EXPECT_EQ(grid->View()->selectionModel()->selectedIndexes()[0].row(), kManyRows - 5);

    // An edit of the sorted column moves its row, and the current cell goes with it.
    ClickCell(grid, 0, 2); // id 60, Score 940
    TypeIntoCell(grid, 0, 2, QStringLiteral("5000"));
    EXPECT_EQ(Exact(many, 59, 2), QStringLiteral("5000"));
    std::vector<int> moved = ByScore(all);
    moved.erase(moved.begin());
    moved.push_back(60);
    EXPECT_EQ(ShownIds(grid), moved);
    EXPECT_EQ(grid->View()->currentIndex().row(), kManyRows - 1);
    EXPECT_EQ(Doc()->CurrentRow(), proptest::RowAt(many, 59));
    // Equal values keep the file order: ids 59 and 60 both at 941.
    TypeIntoCell(grid, kManyRows - 1, 2, QStringLiteral("941"));
    std::vector<int> tied = ByScore(all);
    std::swap(tied[0], tied[1]);
    EXPECT_EQ(ShownIds(grid), tied);
    EXPECT_EQ(Shown(grid, 0, 0), QStringLiteral("59"));
    EXPECT_EQ(grid->View()->currentIndex().row(), 1);
    Doc()->Undo();
    Doc()->Undo();
    EXPECT_EQ(ShownIds(grid), ByScore(all));

    // Filtered on top of the sort: m1 and m10..m19.
    QTest::keyClicks(grid->FilterBox(), QStringLiteral("M1"));
    EXPECT_EQ(grid->StatusLabel()->text(), QStringLiteral("显示 11 / 60 行"));
    EXPECT_EQ(ShownIds(grid), ByScore({1, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}));
    // A name edited out of the filter leaves the view.
    TypeIntoCell(grid, 0, 1, QStringLiteral("x19"));
    EXPECT_EQ(Exact(many, 18, 1), QStringLiteral("x19"));
    EXPECT_EQ(grid->StatusLabel()->text(), QStringLiteral("显示 10 / 60 行"));
    EXPECT_EQ(ShownIds(grid), ByScore({1, 10, 11, 12, 13, 14, 15, 16, 17, 18}));
    // A new row (its name does not match) is in the table, not in the view.
    QTest::keyClick(grid->View(), Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(many->m_rows.size(), kManyRows + 1);
    EXPECT_EQ(grid->StatusLabel()->text(), QStringLiteral("显示 10 / 61 行"));
    // Del on two selected rows of the sorted, filtered view deletes exactly those.
    ClickCell(grid, 0, 2);
    ClickCell(grid, 1, 2, Qt::ShiftModifier);
    QTest::keyClick(grid->View(), Qt::Key_Delete);
    EXPECT_EQ(many->m_rows.size(), kManyRows - 1);
    EXPECT_EQ(grid->StatusLabel()->text(), QStringLiteral("显示 8 / 59 行"));
    EXPECT_EQ(ShownIds(grid), ByScore({1, 10, 11, 12, 13, 14, 15, 16}));
    // Undo brings them back in their sorted places, and the name back into the filter.
    Doc()->Undo();
    EXPECT_EQ(ShownIds(grid), ByScore({1, 10, 11, 12, 13, 14, 15, 16, 17, 18}));
    Doc()->Undo();
    Doc()->Undo();
    EXPECT_EQ(ShownIds(grid), ByScore({1, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}));
    EXPECT_EQ(grid->StatusLabel()->text(), QStringLiteral("显示 11 / 60 行"));

    // Descending, then the file order; the filter cleared.
    clickHeader(2);
    std::vector<int> descending = ByScore({1, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19});
    std::reverse(descending.begin(), descending.end());
    EXPECT_EQ(ShownIds(grid), descending);
    clickHeader(2);
    EXPECT_EQ(ShownIds(grid), (std::vector<int>{1, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}));
    // The header clicks selected the Score column of the shown rows; clearing the filter keeps
    // exactly those cells selected, wherever their rows now are.
    grid->FilterBox()->clear();
    EXPECT_EQ(ShownIds(grid), all);
    EXPECT_EQ(grid->StatusLabel()->text(), QStringLiteral("显示 60 / 60 行"));
    std::vector<int> selectedIds;
    for (const QModelIndex& index : grid->View()->selectionModel()->selectedIndexes())
    {
        EXPECT_EQ(index.column(), 2);
        selectedIds.push_back(Shown(grid, index.row(), 0).toInt());
    }
    std::sort(selectedIds.begin(), selectedIds.end());
    EXPECT_EQ(selectedIds, (std::vector<int>{1, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}));
}

// Cells draw only as much of a long text as their width can show; fitting a column to its
// contents (a double-click on the header's divider) still measures the whole text.
TEST_F(GridTest, AColumnFittedToItsContentsMeasuresTheWholeText)
{
    StartEditor();
    CGridView* grid = OpenByDoubleClick(2);
    ASSERT_NE(grid, nullptr);
    const QString tag = QStringLiteral("a long tag ").repeated(20);
    ASSERT_TRUE(Doc()->SetCellValue(proptest::RowAt(TableNamed(u"many.txt"), 0), 3, tag.toStdU16String()));
    GridTable* view = grid->View();
    view->scrollToTop();
    QHeaderView* header = view->horizontalHeader();
    const int before = view->columnWidth(3);
    const int edge = header->sectionViewportPosition(3) + header->sectionSize(3) - 1;
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                       QPoint(edge, header->height() / 2));
    EXPECT_GT(view->columnWidth(3), before);
    EXPECT_GE(view->columnWidth(3), QFontMetrics(view->font()).horizontalAdvance(tag));
    // Painting the cut text leaves the cell's value whole.
    view->viewport()->repaint();
    EXPECT_EQ(Shown(grid, 0, 3), tag);
}

// Opening the directory again replaces every table before the views hear of it: the open grids
// go without asking their old tables anything, and the tabs come back on the new tables.
TEST_F(GridTest, ReopeningTheDirectoryReopensTheTabsOnTheNewTables)
{
    StartEditor();
    CGridView* grid = OpenByDoubleClick(2);
    ASSERT_NE(grid, nullptr);
    QTest::keyClicks(grid->FilterBox(), QStringLiteral("m1"));
    grid->CycleSort(2);
    ASSERT_TRUE(Frame()->OpenDataDirectory(Dir()));
    QApplication::processEvents();
    ASSERT_EQ(Tabs()->count(), 1);
    CGridView* again = View()->CurrentGrid();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Table(), TableNamed(u"many.txt"));
    EXPECT_EQ(again->Proxy()->rowCount(), kManyRows);
    EXPECT_EQ(Shown(again, 0, 0), QStringLiteral("1"));
}

TEST_F(GridTest, CurrentRowFollowsTheClassViewCaretAndBack)
{
    StartEditor();
    CGridView* grid = OpenByDoubleClick(2);
    ASSERT_NE(grid, nullptr);
    tarn::editor::Table* many = TableNamed(u"many.txt");

    // Grid -> caret.
    ClickCell(grid, 7, 2);
    QTreeWidgetItem* item = Frame()->m_classView.ItemOf(proptest::RowAt(many, 7));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(Tree()->currentItem(), item);

    // Caret -> grid: a click on another row's item in the tree.
    QTreeWidgetItem* other = Frame()->m_classView.ItemOf(proptest::RowAt(many, 20));
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, Qt::NoModifier, LabelPoint(other));
    EXPECT_EQ(grid->View()->currentIndex().row(), 20);
}

TEST_F(GridTest, LinkColumnsShowNamesAndBrokenLinksInRed)
{
    StartEditor();
    // monsters.txt: Goblin's Loot 1 (长剑), Orc's Loot 2; a Loot of 99 names no item.
    tarn::editor::Table* monsters = TableNamed(u"monsters.txt");
    ASSERT_TRUE(Doc()->SetCellValue(proptest::RowAt(monsters, 1), proptest::kMonsterLoot, u"99"));
    Tree()->SelectItem(TableItem(1));
    QTest::keyClick(Tree(), Qt::Key_Return);
    CGridView* grid = View()->CurrentGrid();
    ASSERT_NE(grid, nullptr);
    ASSERT_EQ(grid->Table(), monsters);
    const QModelIndex good = grid->Proxy()->index(0, proptest::kMonsterLoot);
    const QModelIndex broken = grid->Proxy()->index(1, proptest::kMonsterLoot);
    EXPECT_EQ(good.data().toString(), Q(u"1 · 长剑"));
    EXPECT_FALSE(good.data(Qt::ForegroundRole).isValid());
    EXPECT_EQ(broken.data().toString(), QStringLiteral("99"));
    EXPECT_EQ(broken.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::red));
    EXPECT_EQ(broken.data(Qt::ToolTipRole).toString(), QStringLiteral("表 Items 中没有编号 99"));
    // 0 names no row on purpose (the data check passes it): plain, not red.
    ASSERT_TRUE(Doc()->SetCellValue(proptest::RowAt(monsters, 0), proptest::kMonsterLoot, u"0"));
    EXPECT_EQ(good.data().toString(), QStringLiteral("0"));
    EXPECT_FALSE(good.data(Qt::ForegroundRole).isValid());
    EXPECT_TRUE(good.data(Qt::ToolTipRole).toString().isEmpty());
    Doc()->Undo();
    // A link to a table that is not loaded shows the bare value.
    EXPECT_EQ(grid->Proxy()->index(0, proptest::kMonsterGhost).data().toString(), QStringLiteral("0"));

    // Renaming the linked row shows at once; giving the id to a row repairs the link.
    Doc()->SetCellValue(proptest::RowAt(TableNamed(u"items.txt"), 0), proptest::kItemName, u"Blade");
    EXPECT_EQ(good.data().toString(), Q(u"1 · Blade"));
    Doc()->SetCellValue(proptest::RowAt(TableNamed(u"items.txt"), 2), proptest::kItemId, u"99");
    EXPECT_EQ(broken.data().toString(), Q(u"99 · Bow"));
    EXPECT_FALSE(broken.data(Qt::ForegroundRole).isValid());

    // The filter finds rows by their linked names too, and follows a linked row's new name.
    const QString loot = grid->Model()->headerData(proptest::kMonsterLoot, Qt::Horizontal).toString();
    QTest::keyClicks(grid->FilterBox(), loot + QStringLiteral(":bLADE"));
    ASSERT_EQ(grid->Proxy()->rowCount(), 1);
    EXPECT_EQ(grid->Proxy()->mapToSource(grid->Proxy()->index(0, 0)).row(), 0);
    grid->FilterBox()->clear();
    QTest::keyClicks(grid->FilterBox(), QStringLiteral("bow"));
    ASSERT_EQ(grid->Proxy()->rowCount(), 1);
    EXPECT_EQ(grid->Proxy()->mapToSource(grid->Proxy()->index(0, 0)).row(), 1);
    Doc()->SetCellValue(proptest::RowAt(TableNamed(u"items.txt"), 2), proptest::kItemName, u"Axe");
    EXPECT_EQ(grid->Proxy()->rowCount(), 0);
    Doc()->Undo();
    EXPECT_EQ(grid->Proxy()->rowCount(), 1);
    grid->FilterBox()->clear();

    // Lists: a name for each element.
    CGridView* items = View()->OpenTable(TableNamed(u"items.txt"));
    ASSERT_NE(items, nullptr);
    EXPECT_EQ(items->Proxy()->index(0, proptest::kItemMonster).data().toString(), Q(u"10 · Goblin"));
}

TEST_F(GridTest, SaveWritesTheGridsEdits)
{
    StartEditor();
    CGridView* grid = OpenByDoubleClick(1);
    ASSERT_NE(grid, nullptr);
    TypeIntoCell(grid, 1, proptest::kMonsterName, QStringLiteral("Ogre"));
    TypeIntoCell(grid, 0, proptest::kMonsterGhost, QStringLiteral("-3"));
    QTest::keyClick(grid->View(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(Doc()->IsModified());
    EXPECT_EQ(ReadFile(Path(QStringLiteral("monsters.txt"))),
              Utf16File(QStringLiteral("ID\tName\tLoot\tGhost\r\n"
                                       "INT\tSTRING\tINT\tINT\r\n"
                                       "10\tGoblin\t1\t-3\r\n"
                                       "11\tOgre\t2\t0\r\n")));
}

TEST_F(GridTest, SaveTakesTheTextOfAnOpenCellEditor)
{
    StartEditor();
    CGridView* grid = OpenByDoubleClick(1);
    ASSERT_NE(grid, nullptr);
    ClickCell(grid, 1, proptest::kMonsterName);
    QTest::keyClick(grid->View(), Qt::Key_F2);
    QLineEdit* editor = OpenEditor(grid);
    ASSERT_NE(editor, nullptr);
    proptest::TypeText(editor, QStringLiteral("Troll"));
    // Ctrl+S while the editor is still open: the typed text is part of what is saved.
    QTest::keyClick(editor, Qt::Key_S, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_FALSE(Doc()->IsModified());
    EXPECT_EQ(ReadFile(Path(QStringLiteral("monsters.txt"))),
              Utf16File(QStringLiteral("ID\tName\tLoot\tGhost\r\n"
                                       "INT\tSTRING\tINT\tINT\r\n"
                                       "10\tGoblin\t1\t0\r\n"
                                       "11\tTroll\t2\t0\r\n")));
}

} // namespace

namespace
{

// The rows the model shows, in order, against the table's rows.
bool ModelMatchesTable(const TableModel& model, tarn::editor::Table* table)
{
    if (model.rowCount() != table->m_rows.size())
        return false;
    int i = 0;
    for (tarn::Row& row : table->m_rows)
        if (model.RowAt(i++) != &row)
            return false;
    return true;
}

TEST_F(GridTest, ModelFollowsEveryDocumentChangeWithConsistentSignals)
{
    StartEditor();
    tarn::editor::Table* many = TableNamed(u"many.txt");
    TableModel model(many, Doc());
    // Ends the test program on any inconsistent begin/end insert/remove or dataChanged.
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    std::vector<tarn::Row*> scattered = {proptest::RowAt(many, 3), proptest::RowAt(many, 4),
                                         proptest::RowAt(many, 10), proptest::RowAt(many, 59)};
    ASSERT_EQ(Doc()->DeleteRows(scattered), 4);
    EXPECT_TRUE(ModelMatchesTable(model, many));
    ASSERT_NE(Doc()->CreateRow(many), nullptr);
    EXPECT_TRUE(ModelMatchesTable(model, many));
    Doc()->Undo();
    Doc()->Undo();
    EXPECT_TRUE(ModelMatchesTable(model, many));
    EXPECT_EQ(model.rowCount(), kManyRows);
    Doc()->Redo();
    EXPECT_TRUE(ModelMatchesTable(model, many));

    // A cell set through the document reaches exactly that cell of the model.
    changed.clear();
    tarn::Row* row = proptest::RowAt(many, 20);
    ASSERT_EQ(Doc()->SetCellValues({{row, 2, u"5"}, {proptest::RowAt(many, 21), 3, u"z"}}), 2);
    ASSERT_EQ(changed.size(), 2);
    EXPECT_EQ(changed[0][0].value<QModelIndex>(), model.index(model.RowOf(row), 2));
    EXPECT_EQ(model.CellText(model.RowOf(row), 2), QStringLiteral("5"));

    // A text the field refuses changes nothing and says why, in the adapter's words.
    QString why;
    EXPECT_FALSE(model.SetCellText(0, 2, QStringLiteral("1.5"), &why));
    EXPECT_EQ(why, CellInputMessage(ParseCellInput(many->m_fields[2], QStringLiteral("1.5"))));
    EXPECT_TRUE(model.setData(model.index(0, 2), QVariant(int(-4))));
    EXPECT_EQ(model.CellText(0, 2), QStringLiteral("-4"));

    // Read-only without a document.
    TableModel readOnly(many, nullptr);
    EXPECT_FALSE(readOnly.flags(readOnly.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(readOnly.setData(readOnly.index(0, 2), QStringLiteral("1")));
}

TEST_F(GridTest, ManyCellRecordsReplayOnlyWhenTheyFit)
{
    StartEditor();
    tarn::editor::Table* many = TableNamed(u"many.txt");
    ASSERT_EQ(
        Doc()->SetCellValues({{proptest::RowAt(many, 0), 2, u"7"}, {proptest::RowAt(many, 1), 1, u"n"}}), 2);
    const CommandRecord record = RecordOf(Doc()->UndoStack()->command(Doc()->UndoStack()->count() - 1));
    ASSERT_EQ(record.kind, u"setcells");
    EXPECT_EQ(record.fields, (std::vector<std::u16string>{u"2", u"many.txt", u"1", u"0", u"2", u"999", u"7",
                                                          u"many.txt", u"2", u"1", u"1", u"m2", u"n"}));
    Doc()->Undo();

    const struct
    {
        const char* what;
        std::vector<std::u16string> fields;
        bool fits;
    } cases[] = {
        {"as recorded", record.fields, true},
        {"wrong count", {u"2", u"many.txt", u"1", u"0", u"2", u"999", u"7"}, false},
        {"unknown table", {u"1", u"none.txt", u"1", u"0", u"2", u"999", u"7"}, false},
        {"id not at position", {u"1", u"many.txt", u"2", u"0", u"2", u"999", u"7"}, false},
        {"field out of range", {u"1", u"many.txt", u"1", u"0", u"9", u"999", u"7"}, false},
        {"not a value", {u"1", u"many.txt", u"1", u"0", u"2", u"999", u"x"}, false},
    };
    for (const auto& c : cases)
    {
        const int before = Doc()->UndoStack()->index();
        EXPECT_EQ(Doc()->PushRecord({u"setcells", c.fields}), c.fits) << c.what;
        EXPECT_EQ(Doc()->UndoStack()->index(), before + (c.fits ? 1 : 0)) << c.what;
    }
    EXPECT_EQ(Exact(many, 0, 2), QStringLiteral("7"));
    EXPECT_EQ(Exact(many, 1, 1), QStringLiteral("n"));
}

} // namespace
