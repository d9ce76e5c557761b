// The link property's button in the real pane: the table view dialog opens modally on the linked
// table with its rows in order, changes nothing, and gives the focus back; a link to a table that
// is not in the list gives a message instead of a dialog.
#include "PropertiesTestSupport.h"

#include "editor/CustomPropertyGridTableProperty.h"
#include "editor/TableViewDlg.h"
#include "editor/grid/TableModel.h"

#include <QComboBox>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

using namespace proptest;

namespace
{

class PropertiesLinkTest : public PaneTest
{
protected:
    // Selects the property with a click on its name, puts the focus elsewhere in the window and
    // clicks the property's button (which takes no focus).
    void ClickButtonOf(PropertyGridItem* item)
    {
        grid->setCurrentItem(item);
        QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::NoModifier, grid->nameRect(item).center());
        ASSERT_EQ(grid->currentItem(), item);
        ASSERT_TRUE(grid->button()->isVisible());
        pane->SelectorCombo()->setFocus();
        ASSERT_TRUE(WaitFor([&] { return pane->SelectorCombo()->hasFocus(); }));
        QTest::mouseClick(grid->button(), Qt::LeftButton);
    }

    // The handler gave the focus to the grid. The offscreen platform does not activate the
    // window again once the modal window is gone, so the window's focus widget is what counts.
    void ExpectFocusBackInTheGrid()
    {
        EXPECT_EQ(Frame()->focusWidget(), Tree());
        Frame()->activateWindow();
        EXPECT_TRUE(WaitFor([&] { return Tree()->hasFocus(); }));
    }

    struct Seen
    {
        tarn::editor::Table* table = nullptr;
        QStringList titles;
        std::vector<QStringList> lines;
        std::vector<int> widths;
        bool buttonPressed = false;
        bool buttonDown = false;
    };

    static Seen Inspect(CTableViewDlg* dialog)
    {
        Seen seen;
        seen.table = dialog->m_viewTable;
        QTableView* list = dialog->m_searchTable;
        const QAbstractItemModel* model = list->model();
        for (int c = 0; c < model->columnCount(); ++c)
        {
            seen.titles << model->headerData(c, Qt::Horizontal).toString();
            seen.widths.push_back(list->columnWidth(c));
        }
        for (int r = 0; r < model->rowCount(); ++r)
        {
            QStringList line;
            for (int c = 0; c < model->columnCount(); ++c)
                line << model->index(r, c).data(TableModel::ValueTextRole).toString();
            seen.lines.push_back(line);
        }
        return seen;
    }

    static void PressOk(CTableViewDlg* dialog)
    {
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("确定"))
            {
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
        ADD_FAILURE() << "no OK button";
        dialog->reject();
    }
};

TEST_F(PropertiesLinkTest, ButtonShowsTheLinkedTableAndChangesNothing)
{
    tarn::Row* row = RowAt(items, 0);
    pane->DataToUI(row);
    CCustomPropertyGridProperty* link = Property(kItemMonster);
    ASSERT_NE(dynamic_cast<CCustomPropertyGridTableProperty*>(link), nullptr);

    Seen seen;
    ModalAnswer<CTableViewDlg> answer(
        [&](CTableViewDlg* dialog)
        {
            seen = Inspect(dialog);
            seen.buttonPressed = link->isButtonPressed();
            seen.buttonDown = grid->button()->isDown();
            // Selecting lines is only looking.
            dialog->m_searchTable->selectRow(1);
            PressOk(dialog);
        });
    ClickButtonOf(link);

    ASSERT_TRUE(answer.answered());
    EXPECT_FALSE(answer.closedOther());
    EXPECT_EQ(seen.table, monsters);
    EXPECT_EQ(seen.titles, (QStringList{"ID", "Name", "Loot", "Ghost"}));
    EXPECT_EQ(seen.widths, (std::vector<int>{100, 100, 100, 100}));
    ASSERT_EQ(seen.lines.size(), 2u);
    EXPECT_EQ(seen.lines[0], (QStringList{"10", "Goblin", "1", "0"}));
    EXPECT_EQ(seen.lines[1], (QStringList{"11", "Orc", "2", "0"}));
    EXPECT_TRUE(seen.buttonPressed);
    EXPECT_TRUE(seen.buttonDown);

    EXPECT_FALSE(link->isButtonPressed());
    EXPECT_EQ(row->cells[kItemMonster]->GetInt(), 10);
    EXPECT_EQ(link->value(), QVariant(10));
    EXPECT_EQ(monsters->m_rows.size(), 2);
    EXPECT_FALSE(DocumentModified());
    ExpectFocusBackInTheGrid();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(PropertiesLinkTest, DialogListsTheRowsInTableOrderWithNewRowsLast)
{
    ASSERT_NE(items->NewRow(u"新建Items4"), nullptr);
    pane->DataToUI(RowAt(monsters, 1));
    Seen seen;
    ModalAnswer<CTableViewDlg> answer(
        [&](CTableViewDlg* dialog)
        {
            seen = Inspect(dialog);
            dialog->accept();
        });
    ClickButtonOf(Property(kMonsterLoot));

    ASSERT_TRUE(answer.answered());
    EXPECT_EQ(seen.table, items);
    ASSERT_EQ(seen.titles.size(), kItemFieldCount);
    ASSERT_EQ(seen.lines.size(), 4u);
    EXPECT_EQ(seen.lines[0].mid(0, 3), (QStringList{"1", "长剑", "5"}));
    EXPECT_EQ(seen.lines[1].mid(0, 2), (QStringList{"2", "Shield"}));
    EXPECT_EQ(seen.lines[2].mid(0, 2), (QStringList{"3", "Bow"}));
    EXPECT_EQ(seen.lines[3].mid(0, 2), (QStringList{"4", "新建Items4"}));
    EXPECT_EQ(seen.lines[0][kItemDrops], QStringLiteral("1|2|3"));
    EXPECT_EQ(RowAt(monsters, 1)->cells[kMonsterLoot]->GetInt(), 2);
}

TEST_F(PropertiesLinkTest, LinkToATableOutsideTheListShowsAMessageAndNoDialog)
{
    pane->DataToUI(RowAt(monsters, 0));
    CCustomPropertyGridProperty* ghost = Property(kMonsterGhost);
    ASSERT_NE(dynamic_cast<CCustomPropertyGridTableProperty*>(ghost), nullptr);

    QString message;
    bool dialogSeen = false;
    bool pressedMeanwhile = false;
    ModalAnswer<QMessageBox> answer(
        [&](QMessageBox* box)
        {
            message = box->text();
            pressedMeanwhile = ghost->isButtonPressed();
            for (QWidget* widget : QApplication::topLevelWidgets())
                dialogSeen = dialogSeen || qobject_cast<CTableViewDlg*>(widget) != nullptr;
            box->close();
        });
    ClickButtonOf(ghost);

    ASSERT_TRUE(answer.answered());
    EXPECT_FALSE(answer.closedOther());
    EXPECT_FALSE(dialogSeen);
    EXPECT_TRUE(message.contains(QStringLiteral("nowhere.txt"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("Ghost"))) << message.toStdString();
    EXPECT_TRUE(pressedMeanwhile);
    EXPECT_FALSE(ghost->isButtonPressed());
    EXPECT_EQ(RowAt(monsters, 0)->cells[kMonsterGhost]->GetInt(), 0);
    ExpectFocusBackInTheGrid();
}

} // namespace
