// Links in the real editor on a small linked data directory, driven by real key and mouse events:
// the picker (single and list link fields) and its undo, the group "被引用" and going to a
// referring row, the question before deleting referenced rows or changing a referenced id, the
// pane "问题" (F7, compared with `tessel-cli check`) and finding (Ctrl+F, F3).
#include "ShellTestSupport.h"

#include "editor/CustomPropertyGridCtrl.h"
#include "editor/CustomPropertyGridProperty.h"
#include "editor/CustomTree.h"
#include "editor/FindPane.h"
#include "editor/ProblemsPane.h"
#include "editor/TableViewDlg.h"
#include "editor/resource.h"
#include "tool/cell.h"
#include "tool/cellValue.h"
#include "tool/row.h"
#include "tool/table.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <QTreeWidget>
#include <QHelpEvent>
#include <QInputMethodEvent>

#include <cstdio>

namespace
{

using namespace shelltest;

enum MonsterField
{
    kId,
    kName,
    kDrop, // INT -> items.txt
    kLoot, // STRING_INT -> items.txt
};

QByteArray Field(const char* type, const char* name, const char* link = "")
{
    return QByteArray("\t<Field Type=\"") + type + "\" Name=\"" + name + "\" CodeVarName=\"" + name +
           "\" LinkTableName=\"" + link + "\" IsMulti=\"false\" />\n";
}

// A real double-click: a click, then the double-click press and release.
void DoubleClick(QWidget* widget, QPoint at)
{
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, at);
}

// items (物品): 1 剑, 2 盾, 3 弓, 4 长枪. monsters (怪物) link to items: Goblin drops 1 and loots 2|3,
// Orc drops 2, Troll drops 9 (no such item), and two monsters share the id 12.
class LinksTest : public EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        if (HasFatalFailure())
            return;
        const QByteArray head = "<?xml version=\"1.0\"?>\n<Table IdFieldIndex=\"0\" NameFieldIndex=\"1\">\n";
        ASSERT_TRUE(WriteFile(Path("tableList.xml"),
                              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TableList>\n"
                              "\t<Table FileName=\"items.txt\" Label=\"物品\" />\n"
                              "\t<Table FileName=\"monsters.txt\" Label=\"怪物\" />\n"
                              "</TableList>\n"));
        ASSERT_TRUE(WriteFile(Path("items.txt.meta"),
                              head + Field("INT", "ID") + Field("STRING", "Name") + "</Table>\n"));
        ASSERT_TRUE(
            WriteFile(Path("items.txt"), Utf16File(QStringLiteral("ID\tName\r\nINT\tSTRING\r\n1\t剑\r\n"
                                                                  "2\t盾\r\n3\t弓\r\n4\t长枪\r\n"))));
        ASSERT_TRUE(WriteFile(Path("monsters.txt.meta"), head + Field("INT", "ID") + Field("STRING", "Name") +
                                                             Field("INT", "Drop", "items.txt") +
                                                             Field("STRING_INT", "Loot", "items.txt") +
                                                             "</Table>\n"));
        ASSERT_TRUE(
            WriteFile(Path("monsters.txt"),
                      Utf16File(QStringLiteral("ID\tName\tDrop\tLoot\r\nINT\tSTRING\tINT\tSTRING_INT\r\n"
                                               "10\tGoblin\t1\t2|3\r\n11\tOrc\t2\t\r\n12\tTroll\t9\t\r\n"
                                               "12\tTrollKing\t0\t\r\n"))));
        ASSERT_TRUE(Start());
        frame = Frame();
        ASSERT_NE(frame, nullptr);
        ASSERT_TRUE(ShowFrame());
        doc = frame->GetActiveDocument();
        items = TableList::instance()->find(u"items.txt");
        monsters = TableList::instance()->find(u"monsters.txt");
        ASSERT_NE(items, nullptr);
        ASSERT_NE(monsters, nullptr);
        grid = frame->m_propertiesPane.Grid();
    }

    static tarn::Row* RowWithId(tarn::editor::Table* table, int id)
    {
        for (tarn::Row& row : table->m_rows)
            if (row.Id() == id)
                return &row;
        return nullptr;
    }
    static QString Text(tarn::Row* row, int field)
    {
        return QString::fromStdU16String(tarn::ExactValueText(*row->cells[field]));
    }

    CCustomTree* Tree() const { return frame->m_classView.Tree(); }

    // Clicks the row's item in the class view, which makes it the current row.
    void ClickRow(tarn::Row* row)
    {
        QTreeWidgetItem* item = frame->m_classView.ItemOf(row);
        ASSERT_NE(item, nullptr);
        for (QTreeWidgetItem* parent = item->parent(); parent != nullptr; parent = parent->parent())
            Tree()->expandItem(parent);
        Tree()->scrollToItem(item);
        const QRect rect = Tree()->visualItemRect(item);
        // On the item's image and label.
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(rect.left() + 8, rect.center().y()));
        ASSERT_EQ(doc->CurrentRow(), row);
        ASSERT_EQ(frame->m_propertiesPane.ShownRow(), row);
    }

    // Del in the class view, once the command has caught up with the selection.
    void PressDelete()
    {
        // The offscreen platform does not activate the window again after a modal box.
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame, 5000));
        Tree()->setFocus();
        ASSERT_TRUE(WaitFor([&] { return frame->Commands().action(ID_EDIT_CLEAR)->isEnabled(); }));
        QTest::keyClick(Tree(), Qt::Key_Delete);
    }

    CCustomPropertyGridProperty* Property(int field) const
    {
        PropertyGridItem* group = grid->property(0);
        return group ? dynamic_cast<CCustomPropertyGridProperty*>(group->subItem(field)) : nullptr;
    }

    void ClickButtonOf(PropertyGridItem* item)
    {
        grid->setCurrentItem(item);
        QTest::mouseClick(grid->treeWidget()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          grid->nameRect(item).center());
        ASSERT_EQ(grid->currentItem(), item);
        ASSERT_TRUE(grid->button()->isVisible());
        QTest::mouseClick(grid->button(), Qt::LeftButton);
    }

    // The line of the picker's list that shows the row with `id`; -1 when none.
    static int LineOf(CTableViewDlg* dialog, int id)
    {
        for (int line = 0; line < dialog->LineCount(); ++line)
            if (dialog->RowOfLine(line) != nullptr && dialog->RowOfLine(line)->Id() == id)
                return line;
        return -1;
    }
    static QPoint CenterOfLine(CTableViewDlg* dialog, int line)
    {
        return dialog->m_searchTable->visualRect(dialog->ViewIndexOfLine(line)).center();
    }
    static std::vector<int> SelectedIds(CTableViewDlg* dialog)
    {
        std::vector<int> ids;
        for (int line = 0; line < dialog->LineCount(); ++line)
            if (dialog->m_searchTable->selectionModel()->isSelected(dialog->ViewIndexOfLine(line)))
                ids.push_back(dialog->RowOfLine(line)->Id());
        return ids;
    }
    static QPushButton* OkButton(CTableViewDlg* dialog)
    {
        return dialog->findChild<QPushButton*>(QStringLiteral("OkButton"));
    }

    CMainFrame* frame = nullptr;
    CTesselDoc* doc = nullptr;
    tarn::editor::Table* items = nullptr;
    tarn::editor::Table* monsters = nullptr;
    CCustomPropertyGridCtrl* grid = nullptr;
};

TEST_F(LinksTest, PickerOpensOnTheCurrentTargetFiltersAndSetsASingleLinkAsOneUndoStep)
{
    tarn::Row* goblin = RowWithId(monsters, 10);
    ClickRow(goblin);
    const int undoBefore = doc->UndoStack()->count();

    struct
    {
        QString title;
        std::vector<int> selected;
        bool banner = true;
        std::vector<int> visibleAfterFilter;
        QString dropInside;
    } seen;
    ModalAnswer<CTableViewDlg> answer(
        [&](CTableViewDlg* dialog)
        {
            seen.title = dialog->windowTitle();
            seen.selected = SelectedIds(dialog);
            seen.banner = false;
            for (QLabel* label : dialog->findChildren<QLabel*>())
                seen.banner = seen.banner || label->text().contains(QStringLiteral("1.0 版"));
            // Typing narrows the rows: by id, then by text.
            QTest::keyClicks(dialog->FilterEdit(), QStringLiteral("4"));
            for (int line = 0; line < dialog->LineCount(); ++line)
                if (!dialog->IsLineHidden(line))
                    seen.visibleAfterFilter.push_back(dialog->RowOfLine(line)->Id());
            dialog->FilterEdit()->clear();
            // Chinese text arrives as an input method commit.
            QInputMethodEvent commit;
            commit.setCommitString(QStringLiteral("长"));
            QApplication::sendEvent(dialog->FilterEdit(), &commit);
            const int spear = LineOf(dialog, 4);
            EXPECT_FALSE(dialog->IsLineHidden(spear));
            EXPECT_TRUE(dialog->IsLineHidden(LineOf(dialog, 2)));
            QTest::mouseClick(dialog->m_searchTable->viewport(), Qt::LeftButton, Qt::NoModifier,
                              CenterOfLine(dialog, spear));
            QTest::mouseClick(dialog->ChooseButton(), Qt::LeftButton);
            seen.dropInside = Text(goblin, kDrop);
            QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
        });
    ClickButtonOf(Property(kDrop));
    ASSERT_TRUE(answer.answered());
    EXPECT_EQ(seen.title, QStringLiteral("物品 - 选择行"));
    EXPECT_EQ(seen.selected, std::vector<int>{1});
    EXPECT_FALSE(seen.banner);
    EXPECT_EQ(seen.visibleAfterFilter, std::vector<int>{4});
    EXPECT_EQ(seen.dropInside, QStringLiteral("4"));

    EXPECT_EQ(Text(goblin, kDrop), QStringLiteral("4"));
    EXPECT_EQ(Property(kDrop)->value(), QVariant(4));
    EXPECT_EQ(doc->UndoStack()->count(), undoBefore + 1);
    EXPECT_TRUE(doc->IsModified());
    doc->Undo();
    EXPECT_EQ(Text(goblin, kDrop), QStringLiteral("1"));
    EXPECT_EQ(Property(kDrop)->value(), QVariant(1));

    // "确定" alone changes nothing; a double-click picks like "选用".
    ModalAnswer<CTableViewDlg> look(
        [&](CTableViewDlg* dialog)
        {
            QTest::mouseClick(dialog->m_searchTable->viewport(), Qt::LeftButton, Qt::NoModifier,
                              CenterOfLine(dialog, LineOf(dialog, 3)));
            QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
        });
    ClickButtonOf(Property(kDrop));
    ASSERT_TRUE(look.answered());
    EXPECT_EQ(Text(goblin, kDrop), QStringLiteral("1"));
    EXPECT_EQ(doc->UndoStack()->index(), undoBefore);

    ModalAnswer<CTableViewDlg> pick(
        [&](CTableViewDlg* dialog)
        {
            DoubleClick(dialog->m_searchTable->viewport(), CenterOfLine(dialog, LineOf(dialog, 3)));
            QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
        });
    ClickButtonOf(Property(kDrop));
    ASSERT_TRUE(pick.answered());
    EXPECT_EQ(Text(goblin, kDrop), QStringLiteral("3"));
}

TEST_F(LinksTest, PickerAddsToAndRemovesFromAListLinkOneUndoStepEach)
{
    tarn::Row* goblin = RowWithId(monsters, 10);
    ClickRow(goblin);
    const int undoBefore = doc->UndoStack()->count();
    std::vector<int> shownIds;
    std::vector<int> selected;
    ModalAnswer<CTableViewDlg> answer(
        [&](CTableViewDlg* dialog)
        {
            selected = SelectedIds(dialog);
            for (int i = 0; i < dialog->ChosenList()->count(); ++i)
                shownIds.push_back(dialog->ChosenList()->item(i)->text().toInt());
            EXPECT_TRUE(dialog->ChosenList()->isVisible());
            // Adds 4.
            DoubleClick(dialog->m_searchTable->viewport(), CenterOfLine(dialog, LineOf(dialog, 4)));
            EXPECT_EQ(dialog->Ids(), (std::vector<int>{2, 3, 4}));
            // Removes 2.
            QListWidget* chosen = dialog->ChosenList();
            QTest::mouseClick(chosen->viewport(), Qt::LeftButton, Qt::NoModifier,
                              chosen->visualItemRect(chosen->item(0)).center());
            QTest::mouseClick(dialog->RemoveButton(), Qt::LeftButton);
            EXPECT_EQ(dialog->Ids(), (std::vector<int>{3, 4}));
            QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
        });
    ClickButtonOf(Property(kLoot));
    ASSERT_TRUE(answer.answered());
    EXPECT_EQ(selected, std::vector<int>{2});
    EXPECT_EQ(shownIds, (std::vector<int>{2, 3}));
    EXPECT_EQ(Text(goblin, kLoot), QStringLiteral("3|4"));
    EXPECT_EQ(Property(kLoot)->value(), QVariant(QStringLiteral("3|4")));
    EXPECT_EQ(doc->UndoStack()->count(), undoBefore + 2);
    doc->Undo();
    EXPECT_EQ(Text(goblin, kLoot), QStringLiteral("2|3|4"));
    doc->Undo();
    EXPECT_EQ(Text(goblin, kLoot), QStringLiteral("2|3"));
}

TEST_F(LinksTest, ReferrersGroupListsFollowsAndKeepsUpWithEdits)
{
    ClickRow(RowWithId(items, 2));
    PropertyGridItem* group = frame->m_propertiesPane.ReferrersGroup();
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->name(), QStringLiteral("被引用"));
    EXPECT_EQ(grid->property(1), group); // after the row's fields
    ASSERT_EQ(group->subItemCount(), 2);
    EXPECT_EQ(group->subItem(0)->name(), QStringLiteral("怪物 10"));
    EXPECT_EQ(group->subItem(0)->value().toString(), QStringLiteral("Goblin（Loot）"));
    EXPECT_EQ(group->subItem(1)->name(), QStringLiteral("怪物 11"));
    EXPECT_EQ(group->subItem(1)->value().toString(), QStringLiteral("Orc（Drop）"));

    // A double-click goes to the referring row and its field.
    PropertyGridItem* orcEntry = group->subItem(1);
    DoubleClick(grid->treeWidget()->viewport(), grid->nameRect(orcEntry).center());
    tarn::Row* orc = RowWithId(monsters, 11);
    ASSERT_TRUE(WaitFor([&] { return doc->CurrentRow() == orc; }));
    EXPECT_EQ(frame->m_propertiesPane.ShownRow(), orc);
    EXPECT_EQ(Tree()->GetCaret(), frame->m_classView.ItemOf(orc));
    EXPECT_EQ(grid->currentItem(), Property(kDrop));

    // Orc now drops 3: item 2 is named by Goblin alone, item 3 by both.
    ASSERT_TRUE(doc->SetCellValue(orc, kDrop, u"3"));
    ClickRow(RowWithId(items, 2));
    group = frame->m_propertiesPane.ReferrersGroup();
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->subItemCount(), 1);
    EXPECT_EQ(group->subItem(0)->name(), QStringLiteral("怪物 10"));
    ClickRow(RowWithId(items, 3));
    ASSERT_NE(frame->m_propertiesPane.ReferrersGroup(), nullptr);
    EXPECT_EQ(frame->m_propertiesPane.ReferrersGroup()->subItemCount(), 2);
    // Nothing names item 4: no group.
    ClickRow(RowWithId(items, 4));
    EXPECT_EQ(frame->m_propertiesPane.ReferrersGroup(), nullptr);
}

// Rows named as many times keep the group's entries, which take the new texts; a referring
// row's new name shows at once.
TEST_F(LinksTest, ReferrersGroupEntriesFollowTheRowAndTheReferringNames)
{
    tarn::Row* goblin = RowWithId(monsters, 10);
    ClickRow(RowWithId(items, 1)); // Goblin drops it
    PropertyGridItem* group = frame->m_propertiesPane.ReferrersGroup();
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->subItemCount(), 1);
    EXPECT_EQ(group->subItem(0)->value().toString(), QStringLiteral("Goblin（Drop）"));
    const QString dropDescription = group->subItem(0)->description();

    ClickRow(RowWithId(items, 3)); // Goblin loots it
    group = frame->m_propertiesPane.ReferrersGroup();
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->subItemCount(), 1);
    EXPECT_EQ(group->subItem(0)->name(), QStringLiteral("怪物 10"));
    EXPECT_EQ(group->subItem(0)->value().toString(), QStringLiteral("Goblin（Loot）"));
    EXPECT_NE(group->subItem(0)->description(), dropDescription);

    ASSERT_TRUE(doc->SetCellValue(goblin, kName, u"Hobgoblin"));
    group = frame->m_propertiesPane.ReferrersGroup();
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->subItemCount(), 1);
    EXPECT_EQ(group->subItem(0)->value().toString(), QStringLiteral("Hobgoblin（Loot）"));
    doc->Undo();
    EXPECT_EQ(frame->m_propertiesPane.ReferrersGroup()->subItem(0)->value().toString(),
              QStringLiteral("Goblin（Loot）"));

    // The entry goes to the field it now stands for.
    DoubleClick(grid->treeWidget()->viewport(),
                grid->nameRect(frame->m_propertiesPane.ReferrersGroup()->subItem(0)).center());
    ASSERT_TRUE(WaitFor([&] { return doc->CurrentRow() == goblin; }));
    EXPECT_EQ(grid->currentItem(), Property(kLoot));
}

TEST_F(LinksTest, DeletingAReferencedRowAsksCancelKeepsContinueDeletesUndoRestores)
{
    tarn::Row* sword = RowWithId(items, 1);
    const int undoBefore = doc->UndoStack()->count();
    QString question;
    for (const char* answerName : {"CancelButton", "ContinueButton"})
    {
        ClickRow(sword);
        ModalAnswer<QMessageBox> answer(
            [&](QMessageBox* box)
            {
                EXPECT_EQ(box->objectName(), QStringLiteral("LinkBreakBox"));
                question = box->text();
                QTest::mouseClick(box->findChild<QPushButton*>(QString::fromLatin1(answerName)),
                                  Qt::LeftButton);
            });
        PressDelete();
        ASSERT_TRUE(answer.answered()) << answerName << " rows " << items->m_rows.size();
        EXPECT_TRUE(question.contains(QStringLiteral("怪物 10 Goblin（Drop）"))) << question.toStdString();
        if (std::string(answerName) == "CancelButton")
        {
            EXPECT_EQ(RowWithId(items, 1), sword);
            EXPECT_EQ(items->m_rows.size(), 4);
            EXPECT_EQ(doc->UndoStack()->count(), undoBefore);
        }
    }
    EXPECT_EQ(RowWithId(items, 1), nullptr);
    EXPECT_EQ(items->m_rows.size(), 3);
    doc->Undo();
    EXPECT_EQ(RowWithId(items, 1), sword);
    EXPECT_EQ(items->m_rows.size(), 4);

    // A row nothing names goes without a question.
    ClickRow(RowWithId(items, 4));
    ModalAnswer<QMessageBox> none([](QMessageBox* box) { box->reject(); }, 300);
    PressDelete();
    EXPECT_FALSE(none.answered());
    EXPECT_EQ(RowWithId(items, 4), nullptr);

    // New ids go above the ids links name: Troll's dangling 9.
    EXPECT_EQ(doc->CreateRow(items)->Id(), 10);
}

TEST_F(LinksTest, ChangingAReferencedIdAsksAndCancelKeepsIt)
{
    tarn::Row* bow = RowWithId(items, 3);
    ClickRow(bow);
    ModalAnswer<QMessageBox> answer(
        [&](QMessageBox* box)
        {
            EXPECT_TRUE(box->text().contains(QStringLiteral("怪物 10 Goblin（Loot）")));
            QTest::mouseClick(box->findChild<QPushButton*>(QStringLiteral("CancelButton")), Qt::LeftButton);
        });
    PropertyGridItem* id = Property(kId);
    grid->setCurrentItem(id);
    QTest::keyClick(grid->treeWidget(), Qt::Key_F2);
    QLineEdit* editor = id->inPlaceEditor();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("30"));
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return answer.answered(); }));
    EXPECT_EQ(bow->Id(), 3);
    EXPECT_TRUE(WaitFor([&] { return id->value() == QVariant(3); }));
    EXPECT_FALSE(doc->IsModified());
}

// The same check as tessel-cli: F7 lists what `tessel-cli check` prints, line for line.
TEST_F(LinksTest, F7ListsWhatTesselCliCheckPrintsAndGoesToThem)
{
    Tree()->setFocus();
    QTest::keyClick(Tree(), Qt::Key_F7);
    CProblemsPane* pane = frame->ProblemsPane();
    ASSERT_TRUE(WaitFor([&] { return pane->isVisible(); }));
    QTableWidget* list = pane->List();
    ASSERT_EQ(list->rowCount(), 2);

    QProcess cli;
    cli.start(QStringLiteral(TESSEL_CLI), {QStringLiteral("-C"), Dir(), QStringLiteral("check")});
    ASSERT_TRUE(cli.waitForFinished(30000));
    QStringList cliLines = QString::fromUtf8(cli.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(cliLines.isEmpty());
    cliLines.removeLast(); // the summary
    QStringList editorLines;
    for (const tarn::Problem& p : pane->Problems())
        editorLines << QString::fromStdString(p.text());
    EXPECT_EQ(editorLines, cliLines);
    EXPECT_EQ(editorLines.size(), 2);

    // Sorted by the field column, then a double-click on the dangling Drop goes to Troll's Drop.
    list->sortItems(4);
    int dropLine = -1;
    for (int line = 0; line < list->rowCount(); ++line)
        if (list->item(line, 4)->text() == QStringLiteral("Drop"))
            dropLine = line;
    ASSERT_GE(dropLine, 0);
    EXPECT_EQ(list->item(dropLine, 2)->text(), QStringLiteral("12"));
    EXPECT_EQ(list->item(dropLine, 3)->text(), QStringLiteral("Troll"));
    EXPECT_EQ(list->item(dropLine, 1)->text(), QStringLiteral("怪物"));
    DoubleClick(list->viewport(), list->visualItemRect(list->item(dropLine, 1)).center());
    tarn::Row* troll = monsters->RowAtPosition(2);
    ASSERT_TRUE(WaitFor([&] { return doc->CurrentRow() == troll; }));
    EXPECT_EQ(grid->currentItem(), Property(kDrop));

    // The pane follows edits while it is open: mending the link leaves the duplicate id.
    ASSERT_TRUE(doc->SetCellValue(troll, kDrop, u"2"));
    ASSERT_TRUE(WaitFor([&] { return list->rowCount() == 1; }));
    EXPECT_EQ(pane->Problems().front().kind, tarn::Problem::DuplicateId);
}

TEST_F(LinksTest, CtrlFFindsByIdByAWordInANameInAllTablesAndF3Steps)
{
    ClickRow(RowWithId(items, 1));
    QTest::keyClick(frame, Qt::Key_F, Qt::ControlModifier);
    CFindBar* bar = frame->FindBar();
    ASSERT_TRUE(WaitFor([&] { return bar->isVisible() && bar->TextEdit()->hasFocus(); }));
    CFindPane* pane = frame->FindPane();

    // By id, whole words only: 11 is Orc's id and nothing else.
    bar->WholeWordCheck()->setChecked(true);
    QTest::keyClicks(bar->TextEdit(), QStringLiteral("11"));
    QTest::keyClick(bar->TextEdit(), Qt::Key_Return);
    ASSERT_TRUE(pane->isVisible());
    ASSERT_EQ(pane->Results().size(), 1u);
    EXPECT_EQ(pane->Results()[0].rowId, 11);
    EXPECT_EQ(doc->CurrentRow(), RowWithId(monsters, 11)) << doc->CurrentRow()->Id();

    // A word inside a name, in all tables: "roll" in Troll and TrollKing.
    bar->WholeWordCheck()->setChecked(false);
    bar->TextEdit()->selectAll();
    QTest::keyClicks(bar->TextEdit(), QStringLiteral("roll"));
    QTest::keyClick(bar->TextEdit(), Qt::Key_Return);
    ASSERT_EQ(pane->Results().size(), 2u);
    EXPECT_EQ(pane->List()->item(0, 2)->text(), QStringLiteral("Troll"));
    EXPECT_EQ(pane->List()->item(1, 2)->text(), QStringLiteral("TrollKing"));
    EXPECT_EQ(doc->CurrentRow(), monsters->RowAtPosition(2));
    EXPECT_EQ(grid->currentItem(), Property(kName));
    QTest::keyClick(frame, Qt::Key_F3);
    EXPECT_EQ(doc->CurrentRow(), monsters->RowAtPosition(3));
    QTest::keyClick(frame, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(doc->CurrentRow(), monsters->RowAtPosition(2));

    // "本表" searches the current row's table only; Enter on a result goes to it.
    ClickRow(RowWithId(items, 1));
    bar->ScopeCombo()->setCurrentIndex(0);
    bar->TextEdit()->selectAll();
    QTest::keyClicks(bar->TextEdit(), QStringLiteral("2"));
    QTest::keyClick(bar->TextEdit(), Qt::Key_Return);
    ASSERT_EQ(pane->Results().size(), 1u); // item 2; not Orc's Drop or Goblin's Loot
    EXPECT_EQ(pane->Results()[0].rowId, 2);
    ClickRow(RowWithId(items, 4));
    pane->List()->setFocus();
    pane->List()->setCurrentCell(0, 0);
    QTest::keyClick(pane->List(), Qt::Key_Return);
    EXPECT_EQ(doc->CurrentRow(), RowWithId(items, 2));
}

TEST_F(LinksTest, ClassViewTooltipShowsTheRowId)
{
    tarn::Row* orc = RowWithId(monsters, 11);
    QTreeWidgetItem* item = frame->m_classView.ItemOf(orc);
    ASSERT_NE(item, nullptr);
    Tree()->expandItem(item->parent());
    const QPoint at = Tree()->visualItemRect(item).topLeft() + QPoint(8, 4);
    QHelpEvent help(QEvent::ToolTip, at, Tree()->viewport()->mapToGlobal(at));
    QApplication::sendEvent(Tree()->viewport(), &help);
    EXPECT_TRUE(WaitFor([] { return QToolTip::isVisible(); }));
    EXPECT_EQ(QToolTip::text(), QStringLiteral("编号：11"));
}

} // namespace
