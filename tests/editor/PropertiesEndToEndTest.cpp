// The whole editor on a temporary copy of the sample data: a row is chosen in the class view with
// the keyboard, two of its fields are edited in the properties pane through key events, a row is
// created and another deleted, everything is saved, and the data files are compared byte for
// byte with what the edits must give.
#include "PropertiesTestSupport.h"

#include "editor/AppSettings.h"
#include "editor/ClassView.h"
#include "editor/CustomTree.h"
#include "editor/TesselApp.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidgetItem>

#include <map>

using namespace proptest;

namespace
{

// The lines of a UTF-16 data file with the mark and each line's CR LF taken off.
QStringList DataLines(const QByteArray& bytes)
{
    QString text;
    for (int i = 2; i + 1 < bytes.size(); i += 2)
        text.append(QChar(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8))));
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QByteArray DataBytes(const QStringList& lines)
{
    return Utf16File(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

class PropertiesEndToEndTest : public shelltest::EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        if (HasFatalFailure())
            return;
        CopyDataDirectory(QStringLiteral(TESSEL_EXAMPLE_DATA_DIR), &m_original);
        ASSERT_TRUE(m_original.count(QStringLiteral("items.txt")));
    }

    // Presses `key` in the tree and waits for the events it causes.
    void Press(QWidget* widget, Qt::Key key)
    {
        QTest::keyClick(widget, key);
        QApplication::processEvents();
    }

    std::map<QString, QByteArray> m_original;
};

// Opens the property's editor with a click on its name and F2, types text and presses Enter.
void EditInPane(CCustomPropertyGridCtrl* grid, PropertyGridItem* item, const QString& text)
{
    grid->setCurrentItem(item);
    QTest::mouseClick(grid->treeWidget()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid->nameRect(item).center());
    ASSERT_EQ(grid->currentItem(), item);
    QTest::keyClick(grid->treeWidget(), Qt::Key_F2);
    QLineEdit* editor = item->inPlaceEditor();
    ASSERT_NE(editor, nullptr);
    TypeText(editor, text);
    ASSERT_EQ(editor->text(), text);
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_EQ(item->inPlaceEditor(), nullptr);
}

TEST_F(PropertiesEndToEndTest, EditCreateDeleteAndSaveGiveTheExpectedFiles)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = m_app->GetMainWnd();
    ASSERT_NE(frame, nullptr);
    // Problems found while loading would be shown in a box after start-up; the sample has none.
    QTest::qWait(50);
    for (QWidget* widget : QApplication::topLevelWidgets())
    {
        if (auto* box = qobject_cast<QMessageBox*>(widget))
        {
            EXPECT_FALSE(box->isVisible()) << box->text().toStdString();
        }
    }
    tarn::editor::Table* items = TableList::instance()->find(u"items.txt");
    ASSERT_NE(items, nullptr);
    ASSERT_GE(items->m_rows.size(), 3);
    const int loadedRows = items->m_rows.size();
    int maxId = 0;
    for (tarn::Row& row : items->m_rows)
        maxId = std::max(maxId, row.Id());

    // The first row of the first table, with the keyboard.
    CCustomTree* tree = frame->m_classView.Tree();
    ASSERT_NE(tree, nullptr);
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame, 5000));
    tree->setFocus();
    ASSERT_TRUE(WaitFor([&] { return tree->hasFocus(); }));
    Press(tree, Qt::Key_Home);
    Press(tree, Qt::Key_Down);  // the first table
    Press(tree, Qt::Key_Right); // expanded
    Press(tree, Qt::Key_Down);  // its first row
    tarn::Row* first = RowAt(items, 0);
    ASSERT_EQ(CCustomTree::RowOf(tree->currentItem()), first);
    CPropertiesWnd& pane = frame->m_propertiesPane;
    ASSERT_EQ(pane.ShownRow(), first);
    CCustomPropertyGridCtrl* grid = pane.Grid();
    PropertyGridItem* group = grid->property(0);
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->subItemCount(), items->m_fields.size());

    // Two fields: the name (which the tree follows) and the 64-bit price.
    const QString newName = QStringLiteral("精钢 长剑");
    EditInPane(grid, group->subItem(1), newName);
    EditInPane(grid, group->subItem(4), QStringLiteral("-5000000000"));
    EXPECT_EQ(Q(first->cells[1]->GetString()), newName);
    EXPECT_EQ(first->cells[4]->GetInt64(), -5000000000LL);
    EXPECT_EQ(frame->m_classView.ItemOf(first)->text(0), newName);
    EXPECT_TRUE(frame->GetActiveDocument()->IsModified());

    // A new row in the table of the selected row (File -> New).
    ASSERT_TRUE(frame->Commands().execute(ID_FILE_NEW));
    ASSERT_EQ(items->m_rows.size(), loadedRows + 1);
    // The new row is the caret and is shown.
    EXPECT_EQ(CCustomTree::RowOf(tree->currentItem()), &items->m_rows.last()->value);
    EXPECT_EQ(pane.ShownRow(), &items->m_rows.last()->value);

    // The third row is deleted: the caret goes there with the keyboard, then "删除".
    tree->setFocus();
    ASSERT_TRUE(WaitFor([&] { return tree->hasFocus(); }));
    Press(tree, Qt::Key_Home);
    Press(tree, Qt::Key_Down); // the first table
    Press(tree, Qt::Key_Down); // its first row
    Press(tree, Qt::Key_Down);
    Press(tree, Qt::Key_Down);
    tarn::Row* third = RowAt(items, 2);
    ASSERT_EQ(CCustomTree::RowOf(tree->currentItem()), third);
    ASSERT_EQ(pane.ShownRow(), third);
    const int thirdId = third->Id();
    // Links of the sample data name the row: the editor asks first, and is told to go on.
    ModalAnswer<QMessageBox> goOn(
        [](QMessageBox* box)
        {
            EXPECT_EQ(box->objectName(), QStringLiteral("LinkBreakBox"));
            box->findChild<QPushButton*>(QStringLiteral("ContinueButton"))->click();
        });
    tree->DeleteRowsAction()->trigger();
    QApplication::processEvents();
    ASSERT_EQ(items->m_rows.size(), loadedRows);
    // The pane is bound to no destroyed row.
    bool shownIsLive = pane.ShownRow() == nullptr;
    for (tarn::Row& row : items->m_rows)
    {
        EXPECT_NE(row.Id(), thirdId);
        shownIsLive = shownIsLive || &row == pane.ShownRow();
    }
    EXPECT_TRUE(shownIsLive);

    ASSERT_TRUE(frame->OnSaveAllTables());

    // items.txt: the first row edited, the third gone, the new row at the end.
    QStringList lines = DataLines(m_original[QStringLiteral("items.txt")]);
    ASSERT_EQ(lines.size(), 2 + loadedRows);
    QStringList firstValues = lines[2].split(QLatin1Char('\t'));
    firstValues[1] = newName;
    firstValues[4] = QStringLiteral("-5000000000");
    lines[2] = firstValues.join(QLatin1Char('\t'));
    ASSERT_TRUE(lines[4].startsWith(QString::number(thirdId) + QLatin1Char('\t')));
    lines.removeAt(4);
    lines << QStringLiteral("%1\t新建物品%2\t\t0\t0\t0.000000\t\t\t0\t0").arg(maxId + 1).arg(loadedRows + 1);
    EXPECT_EQ(DataLines(ReadFile(m_dir.filePath(QStringLiteral("items.txt")))), lines);
    EXPECT_EQ(ReadFile(m_dir.filePath(QStringLiteral("items.txt"))), DataBytes(lines));

    // Every other file is written back unchanged.
    for (const auto& [name, bytes] : m_original)
    {
        if (name == QStringLiteral("items.txt"))
            continue;
        EXPECT_EQ(ReadFile(m_dir.filePath(name)), bytes) << name.toStdString();
    }
    EXPECT_FALSE(frame->GetActiveDocument()->IsModified());
}

} // namespace
