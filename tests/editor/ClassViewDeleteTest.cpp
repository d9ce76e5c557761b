// The class view on the sample data: deleting the selected rows ("删除"), the stop at the first
// selected item that is not a row, collapsed tables, the properties pane when its row goes, a
// row's new name reaching its item, the pane's context-menu handling, and the files written by
// Save after rows were created and deleted.
#include "ClassViewTestSupport.h"

#include "editor/CustomPropertyGridCtrl.h"
#include "editor/resource.h"
#include "tool/cell.h"

#include <QContextMenuEvent>
#include <QLineEdit>
#include <QToolButton>

#include <algorithm>
#include <map>

namespace classviewtest
{
namespace
{

std::vector<int> Without(std::vector<int> ids, const std::vector<int>& gone)
{
    ids.erase(std::remove_if(ids.begin(), ids.end(),
                             [&](int id) { return std::find(gone.begin(), gone.end(), id) != gone.end(); }),
              ids.end());
    return ids;
}

std::vector<int> Range(int first, int last)
{
    std::vector<int> ids;
    for (int id = first; id <= last; ++id)
        ids.push_back(id);
    return ids;
}

// The texts and rows of a table item's children, against the table's rows.
void ExpectItemsMatchRows(QTreeWidgetItem* tableItem, tarn::editor::Table* table)
{
    ASSERT_EQ(tableItem->childCount(), table->m_rows.size());
    int i = 0;
    for (tarn::Row& row : table->m_rows)
    {
        EXPECT_EQ(CCustomTree::RowOf(tableItem->child(i)), &row) << i;
        EXPECT_EQ(tableItem->child(i)->text(0), Q(row.Name())) << i;
        ++i;
    }
}

TEST_F(ClassViewTest, DeleteFromTheRowMenuRemovesTheSelectedRows)
{
    Start();
    Expand(0);
    Click(RowItem(0, 1));
    Click(RowItem(0, 4), Qt::ControlModifier);
    Click(RowItem(0, 6), Qt::ControlModifier);
    const std::vector<tarn::Row*> doomed = {RowAt(0, 1), RowAt(0, 4), RowAt(0, 6)};
    ASSERT_EQ(Tree()->currentItem(), RowItem(0, 6));
    ASSERT_EQ(Pane()->ShownRow(), RowAt(0, 6));

    // A plain right click on a selected row keeps the selection; "删除" deletes all of it.
    ASSERT_TRUE(RightClick(RowItem(0, 6), ChooseKey(Qt::Key_D)));

    EXPECT_EQ(Ids(0), Without(Range(1001, 1080), {1002, 1005, 1007}));
    ExpectItemsMatchRows(TableItem(0), Table(0));
    for (tarn::Row* row : doomed)
        EXPECT_EQ(View()->ItemOf(row), nullptr);
    EXPECT_TRUE(Modified());
    // The caret item went: the platform moved the caret to its neighbour, and the pane shows that
    // row, never a destroyed one.
    ASSERT_NE(Tree()->currentItem(), nullptr);
    EXPECT_EQ(RowOf(Tree()->currentItem())->Id(), 1006);
    EXPECT_EQ(Pane()->ShownRow(), RowOf(Tree()->currentItem()));
    // Other tables are untouched.
    EXPECT_EQ(Table(1)->m_rows.size(), 60);
}

TEST_F(ClassViewTest, DeleteFromTheToolbarMenuUsesTheSameHandler)
{
    Start();
    Expand(2);
    Click(RowItem(2, 0));
    Click(RowItem(2, 39), Qt::ShiftModifier); // all 40 rows
    MenuAnswer menu(ChooseKey(Qt::Key_D));
    QTest::mouseClick(View()->MenuButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return menu.answered(); }));
    EXPECT_EQ(Table(2)->m_rows.size(), 0);
    EXPECT_EQ(TableItem(2)->childCount(), 0);
    EXPECT_TRUE(Modified());
    // With all its rows gone, the caret is no longer on a row, and the pane holds no row.
    EXPECT_EQ(RowOf(Tree()->currentItem()), nullptr);
    EXPECT_EQ(Pane()->ShownRow(), nullptr);
}

TEST_F(ClassViewTest, DeleteStopsAtTheFirstSelectedItemThatIsNoRow)
{
    Start();
    Expand(0);
    Expand(1);
    Click(RowItem(0, 0));
    Click(RowItem(0, 2), Qt::ControlModifier);
    Click(TableItem(1), Qt::ControlModifier);
    Click(RowItem(1, 0), Qt::ControlModifier);
    Click(RowItem(1, 5), Qt::ControlModifier);
    ASSERT_EQ(Selected().size(), 5u);

    ASSERT_TRUE(View()->Commands().execute(ID_DELETE_ROW));
    EXPECT_EQ(Ids(0), Without(Range(1001, 1080), {1001, 1003}));
    EXPECT_EQ(Table(1)->m_rows.size(), 60);
    ExpectItemsMatchRows(TableItem(0), Table(0));
    ExpectItemsMatchRows(TableItem(1), Table(1));
    // The items after the table item stay selected.
    EXPECT_EQ(Selected(), (std::vector<QTreeWidgetItem*>{TableItem(1), RowItem(1, 0), RowItem(1, 5)}));

    // With the root selected nothing is deleted.
    Click(Root());
    Click(RowItem(0, 0), Qt::ControlModifier);
    EXPECT_EQ(View()->DeleteSelectedRows(), 0);
    EXPECT_EQ(Table(0)->m_rows.size(), 78);
}

TEST_F(ClassViewTest, DeleteWithNothingDeletableLeavesTheDocumentUnmodified)
{
    Start();
    Click(TableItem(3));
    EXPECT_EQ(View()->DeleteSelectedRows(), 0);
    Tree()->DeselectAll();
    EXPECT_EQ(View()->DeleteSelectedRows(), 0);
    EXPECT_FALSE(Modified());
    EXPECT_EQ(Table(3)->m_rows.size(), 30);
}

TEST_F(ClassViewTest, RowsInsideACollapsedTableAreNotDeleted)
{
    Start();
    Expand(0);
    Expand(1);
    Click(RowItem(0, 3));
    Click(RowItem(1, 3), Qt::ControlModifier);
    // Collapsing a table with a click on its expand button deselects its rows.
    ClickExpandButton(TableItem(0));
    ASSERT_FALSE(TableItem(0)->isExpanded());
    // A selected bit set behind the control's back inside the collapsed table is not visited.
    RowItem(0, 5)->setSelected(true);

    EXPECT_EQ(View()->DeleteSelectedRows(), 1);
    EXPECT_TRUE(RowItem(0, 5)->isSelected()); // only the deleted items left the selection
    EXPECT_EQ(Table(0)->m_rows.size(), 80);
    EXPECT_EQ(Ids(1), Without(Range(4001, 4060), {4004}));
    ExpectItemsMatchRows(TableItem(0), Table(0));
    ExpectItemsMatchRows(TableItem(1), Table(1));
}

TEST_F(ClassViewTest, DeletingTheShownRowEmptiesThePropertiesPane)
{
    Start();
    Expand(0);
    Click(RowItem(0, 2));
    ASSERT_EQ(Pane()->ShownRow(), RowAt(0, 2));
    ASSERT_GT(Pane()->Grid()->propertyCount(), 0);
    // The caret goes to a table item; the pane keeps the row.
    Click(TableItem(1), Qt::ControlModifier);
    ASSERT_EQ(Pane()->ShownRow(), RowAt(0, 2));

    EXPECT_EQ(View()->DeleteSelectedRows(), 1);
    EXPECT_EQ(Pane()->ShownRow(), nullptr);
    EXPECT_EQ(Pane()->Grid()->propertyCount(), 0);
    EXPECT_EQ(Ids(0), Without(Range(1001, 1080), {1003}));

    // The pane works on as before.
    Click(RowItem(0, 2));
    EXPECT_EQ(Pane()->ShownRow(), RowAt(0, 2));
    EXPECT_EQ(Pane()->ShownRow()->Id(), 1004);
    EXPECT_GT(Pane()->Grid()->propertyCount(), 0);
}

TEST_F(ClassViewTest, DeletingWhileANameIsBeingEditedReachesNoDestroyedCell)
{
    Start();
    Expand(0);
    Click(RowItem(0, 2));
    Click(TableItem(1), Qt::ControlModifier);
    ASSERT_EQ(Pane()->ShownRow(), RowAt(0, 2));
    // An edit of the shown row's name is open when the row is deleted.
    PropertyGridItem* name = Pane()->Grid()->property(0)->subItem(Table(0)->m_nameFieldIndex);
    ASSERT_NE(name, nullptr);
    ASSERT_TRUE(Pane()->Grid()->editItem(name));
    QLineEdit* editor = name->inPlaceEditor();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, QStringLiteral("xyz"));

    EXPECT_EQ(View()->DeleteSelectedRows(), 1);
    EXPECT_EQ(Pane()->ShownRow(), nullptr);
    EXPECT_EQ(Pane()->Grid()->propertyCount(), 0);
    EXPECT_EQ(Pane()->Grid()->editedItem(), nullptr);
    EXPECT_EQ(Pane()->Grid()->inPlaceEditor(), nullptr);
    // Nothing of the edit reached a row.
    QTest::qWait(20);
    for (const tarn::Row& row : Table(0)->m_rows)
        EXPECT_FALSE(Q(row.Name()).contains(QStringLiteral("xyz")));
    EXPECT_EQ(Ids(0), Without(Range(1001, 1080), {1003}));
}

TEST_F(ClassViewTest, EditingARowNameShowsTheNewNameInTheTree)
{
    Start();
    Expand(0);
    Click(RowItem(0, 3));
    PropertyGridItem* name = Pane()->Grid()->property(0)->subItem(Table(0)->m_nameFieldIndex);
    ASSERT_NE(name, nullptr);
    ASSERT_TRUE(Pane()->Grid()->editItem(name));
    QLineEdit* editor = name->inPlaceEditor();
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("Longbow"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(Q(RowAt(0, 3)->Name()), QStringLiteral("Longbow"));
    EXPECT_EQ(RowItem(0, 3)->text(0), QStringLiteral("Longbow"));

    // A row made by "新建" is followed as well.
    View()->CreateRow();
    QTreeWidgetItem* created = RowItem(0, 80);
    RowOf(created)->cells[Table(0)->m_nameFieldIndex]->SetString(u"Renamed");
    View()->RowTextChanged(RowOf(created));
    EXPECT_EQ(created->text(0), QStringLiteral("Renamed"));
    // A row the tree does not show changes nothing.
    tarn::Row stray;
    View()->RowTextChanged(&stray);
    EXPECT_EQ(created->text(0), QStringLiteral("Renamed"));
}

TEST_F(ClassViewTest, DuplicateIdsDeleteExactlyTheSelectedRow)
{
    Start();
    Expand(0);
    // An id edited to equal an earlier row's id.
    RowAt(0, 1)->SetId(1001);
    tarn::Row* first = RowAt(0, 0);
    Click(RowItem(0, 1));
    EXPECT_EQ(View()->DeleteSelectedRows(), 1);
    ASSERT_EQ(Table(0)->m_rows.size(), 79);
    EXPECT_EQ(RowAt(0, 0), first);
    EXPECT_EQ(Q(first->Name()), QStringLiteral("粗糙的铁剑"));
    EXPECT_EQ(Q(RowAt(0, 1)->Name()), RowItem(0, 1)->text(0));
    ExpectItemsMatchRows(TableItem(0), Table(0));
    // The first row's item still shows a live row.
    Click(RowItem(0, 0));
    EXPECT_EQ(Pane()->ShownRow(), first);
}

TEST_F(ClassViewTest, SavedFilesAfterCreateAndDelete)
{
    Start();
    const QStringList names = QDir(m_dir.path()).entryList(QDir::Files);
    std::map<QString, QByteArray> before;
    for (const QString& name : names)
        before[name] = ReadFile(Path(name));

    Expand(0);
    Click(RowItem(0, 10));
    ASSERT_TRUE(RightClick(RowItem(0, 10), ChooseKey(Qt::Key_N)));
    Expand(1);
    Click(RowItem(1, 0));
    Click(RowItem(1, 59), Qt::ControlModifier);
    ASSERT_TRUE(RightClick(RowItem(1, 59), ChooseKey(Qt::Key_D)));
    // A row created and deleted again leaves no trace in the file.
    Expand(2);
    Click(RowItem(2, 0));
    View()->CreateRow();
    Click(RowItem(2, 40));
    ASSERT_EQ(View()->DeleteSelectedRows(), 1);

    ASSERT_TRUE(Frame()->OnSaveAllTables());
    EXPECT_FALSE(Modified());

    std::vector<QString> items = DataLines(before[QStringLiteral("items.txt")]);
    items.push_back(QStringLiteral("1081\t新建物品81\t\t0\t0\t0.000000\t\t\t0\t0\r\n"));
    EXPECT_EQ(ReadFile(Path(QStringLiteral("items.txt"))), DataFile(items));

    std::vector<QString> monsters = DataLines(before[QStringLiteral("monsters.txt")]);
    ASSERT_EQ(monsters.size(), 62u);
    ASSERT_TRUE(monsters[2].startsWith(QStringLiteral("4001\t")));
    ASSERT_TRUE(monsters[61].startsWith(QStringLiteral("4060\t")));
    monsters.erase(monsters.begin() + 61);
    monsters.erase(monsters.begin() + 2);
    EXPECT_EQ(ReadFile(Path(QStringLiteral("monsters.txt"))), DataFile(monsters));

    for (const QString& name : names)
    {
        if (name == QStringLiteral("items.txt") || name == QStringLiteral("monsters.txt"))
            continue;
        EXPECT_EQ(ReadFile(Path(name)), before[name]) << name.toStdString();
    }
}

TEST_F(ClassViewTest, RightPressOutsideTheLabelsMakesTheItemUnderThePointTheCaret)
{
    Start();
    Expand(0);
    Click(RowItem(0, 1));
    // A press on a row's indentation is a band press: it clears the selection, then the pane's
    // context-menu handling makes the row under the point the caret, then the row menu opens.
    const QRect rect = Tree()->visualItemRect(RowItem(0, 4));
    const QPoint indent(rect.left() - 4, rect.center().y());
    auto menu = RightClickAt(indent, Dismiss());
    ASSERT_TRUE(menu->answered());
    EXPECT_EQ(menu->position(), Tree()->viewport()->mapToGlobal(indent));
    EXPECT_EQ(Tree()->currentItem(), RowItem(0, 4));
    EXPECT_EQ(Selected(), std::vector<QTreeWidgetItem*>{RowItem(0, 4)});
    EXPECT_EQ(Pane()->ShownRow(), RowAt(0, 4));
    // The tree is the frame's focus widget. Whether the frame is also the active window again
    // once the popup has closed is up to the window system (offscreen re-activates it late under
    // load), so active focus is not what this checks.
    EXPECT_TRUE(WaitFor([&] { return Frame()->focusWidget() == Tree(); }));
}

TEST_F(ClassViewTest, RightClickOnALabelLeavesTheCaretToTheTree)
{
    Start();
    Expand(0);
    Click(RowItem(0, 1));
    // Ctrl+right click only sets the range anchor: the caret and the selection stay.
    auto menu = RightClickAt(LabelPoint(RowItem(0, 6)), Dismiss(), Qt::ControlModifier);
    ASSERT_TRUE(menu->answered());
    EXPECT_EQ(Tree()->currentItem(), RowItem(0, 1));
    EXPECT_EQ(Selected(), std::vector<QTreeWidgetItem*>{RowItem(0, 1)});
    EXPECT_EQ(Pane()->ShownRow(), RowAt(0, 1));
    // Shift+click then ranges from that anchor.
    Click(RowItem(0, 8), Qt::ShiftModifier);
    EXPECT_EQ(Selected(), (std::vector<QTreeWidgetItem*>{RowItem(0, 6), RowItem(0, 7), RowItem(0, 8)}));

    // A plain right click on an unselected row selects only it.
    ASSERT_TRUE(RightClick(RowItem(0, 3), Dismiss()));
    EXPECT_EQ(Selected(), std::vector<QTreeWidgetItem*>{RowItem(0, 3)});
    EXPECT_EQ(Pane()->ShownRow(), RowAt(0, 3));
}

TEST_F(ClassViewTest, RightClickIntoEmptySpaceStillOpensTheMenu)
{
    Start();
    Click(TableItem(2));
    const QRect last = Tree()->visualItemRect(TableItem(5));
    const QPoint empty(last.left() + 5, last.bottom() + 20);
    ASSERT_EQ(Tree()->itemAt(empty), nullptr);
    auto menu = RightClickAt(empty, Dismiss());
    ASSERT_TRUE(menu->answered());
    // The band without keys cleared the selection; no item was under the point.
    EXPECT_TRUE(Selected().empty());
    EXPECT_EQ(Tree()->currentItem(), TableItem(2));
    for (int t = 0; t < TableList::instance()->count(); ++t)
        EXPECT_EQ(Table(t)->m_rows.size(), TableItem(t)->childCount());
}

TEST_F(ClassViewTest, KeyboardContextMenuOnlyFocusesTheTree)
{
    Start();
    Expand(0);
    Click(RowItem(0, 2));
    Frame()->m_propertiesPane.setFocus();
    ASSERT_TRUE(WaitFor([&] { return !Tree()->hasFocus(); }));
    MenuAnswer menu(Dismiss(), 300);
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5),
                            Tree()->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(Tree()->viewport(), &event);
    QTest::qWait(400);
    EXPECT_FALSE(menu.answered());
    EXPECT_TRUE(WaitFor([&] { return Tree()->hasFocus(); }));
    EXPECT_EQ(Tree()->currentItem(), RowItem(0, 2));
    EXPECT_EQ(Selected(), std::vector<QTreeWidgetItem*>{RowItem(0, 2)});
}

// Copy's command update asks HasSelectedRows, which reads the selection's ranges; the answer must
// be the one the walk over the visible items gives: the first selected item in display order is a
// row.
TEST_F(ClassViewTest, CommandUpdatesSeeSelectedRowsThroughSelectAndDeleteAndUndo)
{
    Start();
    Expand(0);
    Expand(1);
    const auto check = [&](bool expected, const char* step)
    {
        Frame()->Commands().updateAll();
        QTreeWidgetItem* first = Tree()->FindFirstSelected();
        const bool walked = first != nullptr && RowOf(first) != nullptr;
        EXPECT_EQ(View()->HasSelectedRows(), expected) << step;
        EXPECT_EQ(walked, expected) << step;
        EXPECT_EQ(Tree()->FirstSelectedOfSelection(), first) << step;
        EXPECT_EQ(Frame()->Commands().action(ID_EDIT_COPY)->isEnabled(), expected) << step;
    };
    Click(RowItem(0, 1));
    check(true, "a row");
    Click(RowItem(0, 1), Qt::ControlModifier);
    check(false, "the row deselected");
    Click(TableItem(1));
    check(false, "a table item");
    Click(RowItem(1, 0), Qt::ControlModifier);
    Click(RowItem(0, 4), Qt::ControlModifier);
    check(true, "a row above the table item");
    Click(RowItem(0, 4), Qt::ControlModifier);
    check(false, "the table item first again");
    Click(TableItem(1), Qt::ControlModifier);
    check(true, "the table item deselected");

    Click(RowItem(0, 2));
    Click(RowItem(0, 6), Qt::ShiftModifier);
    check(true, "a range");
    ASSERT_EQ(View()->DeleteSelectedRows(), 5);
    check(!Selected().empty() && RowOf(Selected().front()) != nullptr, "after the deletion");
    Frame()->GetActiveDocument()->Undo();
    check(!Selected().empty() && RowOf(Selected().front()) != nullptr, "after the undo");
    Click(RowItem(0, 3));
    Click(RowItem(0, 5), Qt::ShiftModifier);
    check(true, "a range again");
    // Rows inside a collapsed table are not shown, so not counted.
    Tree()->collapseItem(TableItem(0));
    check(Selected().size() > 0 && RowOf(Selected().front()) != nullptr, "the table collapsed");
    Tree()->DeselectAll();
    check(false, "nothing selected");
}
} // namespace
} // namespace classviewtest
