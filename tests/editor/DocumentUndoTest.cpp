// The document's one edit path, end to end in the real editor on a copy of the sample data: cell
// edits, a new row, deleted rows and pasted rows, each undone and redone with the keyboard while
// the tree and the properties pane follow; undo back to the saved state saves byte-identical files.
#include "ClassViewTestSupport.h"
#include "ShellTestSupport.h"

#include "editor/CustomPropertyGridCtrl.h"
#include "editor/TesselDoc.h"
#include "editor/DocumentCommands.h"
#include "editor/resource.h"
#include "tool/rowText.h"
#include "tool/cellValue.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QUndoStack>

#include <algorithm>
#include <map>

using namespace classviewtest;

namespace
{

constexpr int kName = 1;  // 名称
constexpr int kPrice = 4; // 售价 (INT64)

class DocumentUndoTest : public ClassViewTest
{
protected:
    std::map<QString, QByteArray> Files() const
    {
        std::map<QString, QByteArray> files;
        for (const QString& name : QDir(m_dir.path()).entryList(QDir::Files))
            files[name] = ReadFile(Path(name));
        return files;
    }

    // Edits property `field` of the shown row in place and commits it with Enter.
    void EditInPane(int field, const QString& text)
    {
        PropertyGridItem* property = Pane()->Grid()->property(0)->subItem(field);
        ASSERT_NE(property, nullptr);
        ASSERT_TRUE(Pane()->Grid()->editItem(property));
        QLineEdit* editor = property->inPlaceEditor();
        ASSERT_NE(editor, nullptr);
        shelltest::TypeText(editor, text);
        ASSERT_EQ(editor->text(), text);
        QTest::keyClick(editor, Qt::Key_Return);
    }
    QString ShownValue(int field) const
    {
        return Pane()->Grid()->property(0)->subItem(field)->value().toString();
    }

    // A key with modifiers, as the user presses it in the tree (shortcuts are the window's).
    void Keys(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Tree()->setFocus();
        QTest::keyClick(Tree(), key, modifiers);
    }
    QString UndoText() const { return Frame()->Commands().action(ID_EDIT_UNDO)->text(); }
    QString RedoText() const { return Frame()->Commands().action(ID_EDIT_REDO)->text(); }
};

TEST_F(DocumentUndoTest, EveryChangeUndoesToTheSavedFilesAndRedoesToAllChanges)
{
    Start();
    const std::map<QString, QByteArray> before = Files();
    tarn::editor::Table* items = Table(0);
    const std::vector<QString> itemLines = DataLines(before.at(QStringLiteral("items.txt")));
    EXPECT_EQ(UndoText(), QStringLiteral("撤消(&U)\tCtrl+Z"));
    EXPECT_FALSE(Frame()->Commands().action(ID_EDIT_UNDO)->isEnabled());

    // Two cells of the first row, in the properties pane.
    Expand(0);
    Click(RowItem(0, 0));
    tarn::Row* first = RowAt(0, 0);
    ASSERT_EQ(Pane()->ShownRow(), first);
    EditInPane(kName, QStringLiteral("新名字"));
    EXPECT_EQ(RowItem(0, 0)->text(0), QStringLiteral("新名字"));
    EXPECT_EQ(UndoText(), QStringLiteral("撤消 修改“名称”(&U)\tCtrl+Z"));
    EXPECT_TRUE(Modified());
    EXPECT_TRUE(Frame()->isWindowModified());
    EditInPane(kPrice, QStringLiteral("12345"));
    EXPECT_EQ(first->cells[kPrice]->GetInt64(), 12345);

    // A new row (Ctrl+N): selected, the caret, shown.
    Keys(Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(items->m_rows.size(), 81);
    tarn::Row* created = RowAt(0, 80);
    EXPECT_EQ(Pane()->ShownRow(), created);
    EXPECT_EQ(UndoText(), QStringLiteral("撤消 新建 1 行(&U)\tCtrl+Z"));

    // Three rows deleted with the Delete key.
    Click(RowItem(0, 3));
    Click(RowItem(0, 5), Qt::ControlModifier);
    Click(RowItem(0, 7), Qt::ControlModifier);
    const std::vector<tarn::Row*> doomed = {RowAt(0, 3), RowAt(0, 5), RowAt(0, 7)};
    Keys(Qt::Key_Delete);
    ASSERT_EQ(items->m_rows.size(), 78);
    EXPECT_EQ(UndoText(), QStringLiteral("撤消 删除 3 行(&U)\tCtrl+Z"));
    // The pane shows no row that went.
    EXPECT_EQ(std::find(doomed.begin(), doomed.end(), Pane()->ShownRow()), doomed.end());
    ExpectTreeMatchesTables(View());

    // Two rows pasted into the caret's table (Ctrl+V), text as a spreadsheet gives it.
    Click(RowItem(0, 1));
    QGuiApplication::clipboard()->setText(
        QStringLiteral("0\t粘贴一\tK1\t2\t-7\t1.25\t0.5|2\t3|4\t9\t18446744073709551615\r\n"
                       "0\t粘贴二\tK2\t0\t0\t0\t\t\t0\t0\r\n"));
    // The commands are enabled while the application is idle.
    ASSERT_TRUE(WaitFor([&] { return Frame()->Commands().action(ID_EDIT_PASTE)->isEnabled(); }));
    Keys(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(items->m_rows.size(), 80);
    EXPECT_EQ(RowAt(0, 78)->Id(), 1082);
    EXPECT_EQ(RowAt(0, 79)->Id(), 1083);
    EXPECT_EQ(UndoText(), QStringLiteral("撤消 粘贴 2 行(&U)\tCtrl+Z"));
    ExpectTreeMatchesTables(View());

    // Undo everything, step by step; the tree and the pane follow.
    Keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(items->m_rows.size(), 78);
    EXPECT_EQ(RedoText(), QStringLiteral("重做 粘贴 2 行(&R)\tCtrl+Y"));
    ExpectTreeMatchesTables(View());
    Keys(Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(items->m_rows.size(), 81);
    EXPECT_EQ(RowAt(0, 3), doomed[0]); // the same rows, at their places
    EXPECT_EQ(RowAt(0, 5), doomed[1]);
    EXPECT_EQ(RowAt(0, 7), doomed[2]);
    ExpectTreeMatchesTables(View());
    Keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(items->m_rows.size(), 80);
    EXPECT_EQ(items->m_maxId, 1080); // the next new row gets the same id again
    ExpectTreeMatchesTables(View());
    Click(RowItem(0, 0));
    EXPECT_EQ(ShownValue(kPrice), QStringLiteral("12345"));
    Keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ShownValue(kPrice), QStringLiteral("10"));
    EXPECT_TRUE(Modified());
    Keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ShownValue(kName), QStringLiteral("粗糙的铁剑"));
    EXPECT_EQ(RowItem(0, 0)->text(0), QStringLiteral("粗糙的铁剑"));
    // Back at the saved state: no mark, no question on close.
    EXPECT_FALSE(Modified());
    EXPECT_FALSE(Frame()->isWindowModified());
    EXPECT_FALSE(Frame()->Commands().action(ID_EDIT_UNDO)->isEnabled());

    Keys(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(Files(), before);

    // Redo everything (Ctrl+Y, and Ctrl+Shift+Z once), then Save: the files hold every change.
    for (int i = 0; i < 4; ++i)
        Keys(Qt::Key_Y, Qt::ControlModifier);
    Keys(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(Frame()->Commands().action(ID_EDIT_REDO)->isEnabled());
    EXPECT_EQ(items->m_rows.size(), 80);
    ExpectTreeMatchesTables(View());
    EXPECT_TRUE(Modified());
    Keys(Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(Modified());

    std::vector<QString> expected;
    for (std::size_t i = 0; i < itemLines.size(); ++i)
    {
        if (i == 2 + 3 || i == 2 + 5 || i == 2 + 7)
            continue;
        QString line = itemLines[i];
        if (i == 2)
            line = QStringLiteral(
                "1001\t新名字\tITEM_DESC_1001\t0\t12345\t0.500000\t\t\t1\t9007199254740993\r\n");
        expected.push_back(line);
    }
    expected.push_back(QStringLiteral("1081\t新建物品81\t\t0\t0\t0.000000\t\t\t0\t0\r\n"));
    expected.push_back(QStringLiteral(
        "1082\t粘贴一\tK1\t2\t-7\t1.250000\t0.500000|2.000000\t3|4\t9\t18446744073709551615\r\n"));
    expected.push_back(QStringLiteral("1083\t粘贴二\tK2\t0\t0\t0.000000\t\t\t0\t0\r\n"));
    EXPECT_EQ(ReadFile(Path(QStringLiteral("items.txt"))), DataFile(expected));
    for (const auto& [name, bytes] : before)
    {
        if (name != QStringLiteral("items.txt"))
        {
            EXPECT_EQ(ReadFile(Path(name)), bytes) << name.toStdString();
        }
    }

    // The saved state is the clean one: one undo away is modified, redo is clean again.
    Keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(Modified());
    Keys(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_FALSE(Modified());
}

TEST_F(DocumentUndoTest, UndoWhileEditingCommitsTheEditFirst)
{
    Start();
    Expand(0);
    Click(RowItem(0, 2));
    tarn::Row* row = RowAt(0, 2);
    PropertyGridItem* price = Pane()->Grid()->property(0)->subItem(kPrice);
    ASSERT_TRUE(Pane()->Grid()->editItem(price));
    QLineEdit* editor = price->inPlaceEditor();
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("777"));
    // Undo from the menu while the edit is open: the edit becomes a step first, and is undone.
    const qint64 before = row->cells[kPrice]->GetInt64();
    Frame()->GetActiveDocument()->Undo();
    EXPECT_EQ(row->cells[kPrice]->GetInt64(), before);
    EXPECT_EQ(Frame()->GetActiveDocument()->UndoStack()->count(), 1);
    Frame()->GetActiveDocument()->Redo();
    EXPECT_EQ(row->cells[kPrice]->GetInt64(), 777);
}

TEST_F(DocumentUndoTest, CopiedRowsAreTabSeparatedTextAndCutPastesBackWithFreshIds)
{
    Start();
    const std::vector<QString> itemLines = DataLines(ReadFile(Path(QStringLiteral("items.txt"))));
    Expand(0);
    Click(RowItem(0, 0));
    Click(RowItem(0, 2), Qt::ControlModifier);
    ASSERT_TRUE(WaitFor([&] { return Frame()->Commands().action(ID_EDIT_COPY)->isEnabled(); }));
    Keys(Qt::Key_C, Qt::ControlModifier);

    QStringList names;
    for (const tarn::Field& field : Table(0)->m_fields)
        names << Q(field.m_name.c_str());
    const auto line = [](QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); };
    const QString copied =
        names.join(QLatin1Char('\t')) + QLatin1Char('\n') + line(itemLines[2]) + line(itemLines[4]);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), copied);
    EXPECT_FALSE(Modified()); // copying changes nothing

    // Cut: the same text, and the rows go as one step.
    Keys(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), copied);
    ASSERT_EQ(Table(0)->m_rows.size(), 78);
    EXPECT_EQ(UndoText(), QStringLiteral("撤消 删除 2 行(&U)\tCtrl+Z"));

    // Pasted back at the end of the caret's table, with fresh ids and the same values.
    Click(RowItem(0, 0));
    ASSERT_TRUE(WaitFor([&] { return Frame()->Commands().action(ID_EDIT_PASTE)->isEnabled(); }));
    Keys(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(Table(0)->m_rows.size(), 80);
    EXPECT_EQ(RowAt(0, 78)->Id(), 1081);
    EXPECT_EQ(RowAt(0, 79)->Id(), 1082);
    EXPECT_EQ(Q(RowAt(0, 78)->Name()), QStringLiteral("粗糙的铁剑"));
    // The pasted rows are selected.
    EXPECT_EQ(View()->SelectedRows(), (std::vector<tarn::Row*>{RowAt(0, 78), RowAt(0, 79)}));
    ExpectTreeMatchesTables(View());
    ASSERT_TRUE(Frame()->OnSaveAllTables());
    const std::vector<QString> saved = DataLines(ReadFile(Path(QStringLiteral("items.txt"))));
    ASSERT_EQ(saved.size(), itemLines.size());
    EXPECT_EQ(saved[saved.size() - 2], QStringLiteral("1081") + itemLines[2].mid(4));
    EXPECT_EQ(saved.back(), QStringLiteral("1082") + itemLines[4].mid(4));
}

TEST_F(DocumentUndoTest, ABlockWithOneBadValuePastesNothingAndSaysWhich)
{
    Start();
    Expand(1);
    Click(RowItem(1, 0));
    const int rows = Table(1)->m_rows.size();
    QStringList names;
    for (const tarn::Field& field : Table(1)->m_fields)
        names << Q(field.m_name.c_str());
    // Three good rows and one whose first number is not a number, in a spreadsheet's CR LF lines.
    QStringList lines;
    for (int i = 0; i < 4; ++i)
    {
        QStringList values;
        for (int f = 0; f < names.size(); ++f)
            values << (f == 1 ? QStringLiteral("名%1").arg(i) : QStringLiteral("1"));
        lines << values.join(QLatin1Char('\t'));
    }
    int badField = -1;
    for (int f = 0; f < Table(1)->m_fields.size() && badField < 0; ++f)
        if (f != Table(1)->m_idFieldIndex && Table(1)->m_fields[f].m_type != FIELD_TYPE_STRING)
            badField = f;
    ASSERT_GE(badField, 0);
    QStringList bad = lines[2].split(QLatin1Char('\t'));
    bad[badField] = QStringLiteral("七");
    lines[2] = bad.join(QLatin1Char('\t'));

    QString message;
    shelltest::ModalAnswer<QMessageBox> answer(
        [&](QMessageBox* box)
        {
            message = box->text() + QLatin1Char('\n') + box->informativeText();
            box->accept();
        });
    EXPECT_EQ(View()->PasteText(lines.join(QStringLiteral("\r\n"))), 0);
    ASSERT_TRUE(answer.answered());
    EXPECT_EQ(Table(1)->m_rows.size(), rows);
    EXPECT_FALSE(Frame()->GetActiveDocument()->UndoStack()->canUndo());
    EXPECT_FALSE(Modified());
    EXPECT_TRUE(message.contains(QStringLiteral("第 3 行"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("“%1”").arg(names[badField]))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("“七”"))) << message.toStdString();

    // The same block with the value mended pastes all four rows as one step.
    bad[badField] = QStringLiteral("7");
    lines[2] = bad.join(QLatin1Char('\t'));
    EXPECT_EQ(View()->PasteText(lines.join(QStringLiteral("\r\n"))), 4);
    EXPECT_EQ(Table(1)->m_rows.size(), rows + 4);
    Frame()->GetActiveDocument()->Undo();
    EXPECT_EQ(Table(1)->m_rows.size(), rows);
    ExpectTreeMatchesTables(View());
}

TEST_F(DocumentUndoTest, DeleteInThePropertiesPaneDeletesNoRows)
{
    Start();
    Expand(0);
    Click(RowItem(0, 4));
    // The Delete key deletes the selected row while the tree has the focus ...
    Tree()->setFocus();
    ASSERT_TRUE(WaitFor([&] { return Frame()->Commands().action(ID_EDIT_CLEAR)->isEnabled(); }));
    Keys(Qt::Key_Delete);
    ASSERT_EQ(Table(0)->m_rows.size(), 79);
    Click(RowItem(0, 4));
    // ... but not while the properties pane has it.
    QWidget* grid = Pane()->Grid()->treeWidget();
    grid->setFocus();
    ASSERT_TRUE(
        WaitFor([&] { return grid->hasFocus() && !Frame()->Commands().action(ID_EDIT_CLEAR)->isEnabled(); }));
    QTest::keyClick(grid, Qt::Key_Delete);
    QTest::keyClick(grid, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(Table(0)->m_rows.size(), 79);
    // Copy still works from there.
    EXPECT_TRUE(Frame()->Commands().action(ID_EDIT_COPY)->isEnabled());
}

// The document on its own (no window): the commands, their signals and the table state they
// leave, on the sample tables loaded from the temporary directory.
TEST_F(DocumentUndoTest, CommandsAnnounceEachChangeAndUndoRestoresTheTablesExactly)
{
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    TableList::instance()->initIndex();
    TableList::instance()->loadTableList();
    const std::map<QString, QByteArray> before = Files();
    CTesselDoc document;
    QSignalSpy cells(&document, &CTesselDoc::cellChanged);
    QSignalSpy inserted(&document, &CTesselDoc::rowsInserted);
    QSignalSpy removed(&document, &CTesselDoc::rowsRemoved);

    // A cell: nothing for the value it holds or for text that is no value of the field.
    tarn::Row* row = RowAt(0, 1);
    EXPECT_FALSE(document.SetCellValue(row, kPrice, tarn::ExactValueText(*row->cells[kPrice])));
    EXPECT_FALSE(document.SetCellValue(row, kPrice, u"12x"));
    EXPECT_FALSE(document.SetCellValue(row, 99, u"1"));
    EXPECT_EQ(document.UndoStack()->count(), 0);
    EXPECT_TRUE(document.SetCellValue(row, kPrice, u"-9223372036854775808"));
    ASSERT_EQ(cells.count(), 1);
    EXPECT_EQ(cells.at(0).at(1).value<tarn::Row*>(), row);
    EXPECT_EQ(cells.at(0).at(2).toInt(), kPrice);

    // A new row: undone, the table's ids and counter are as before; redone, the same row again.
    const int maxId = Table(2)->m_maxId;
    const int counter = Table(2)->m_newRowCounter;
    tarn::Row* created = document.CreateRow(Table(2));
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->Id(), maxId + 1);
    document.Undo();
    EXPECT_EQ(Table(2)->m_maxId, maxId);
    EXPECT_EQ(Table(2)->m_newRowCounter, counter);
    document.Redo();
    EXPECT_EQ(&Table(2)->m_rows.last()->value, created);
    EXPECT_EQ(created->Id(), maxId + 1);

    // Rows of two tables deleted as one step: one announcement per table, positions ascending.
    inserted.clear();
    removed.clear();
    const std::vector<tarn::Row*> doomed = {RowAt(1, 5), RowAt(0, 7), RowAt(1, 2)};
    EXPECT_EQ(document.DeleteRows(doomed), 3);
    EXPECT_EQ(document.UndoStack()->undoText(), QStringLiteral("删除 3 行"));
    ASSERT_EQ(removed.count(), 2);
    const DocRows monsters = removed.at(0).at(0).value<DocRows>();
    EXPECT_EQ(monsters.table, Table(1));
    EXPECT_EQ(monsters.rows, (std::vector<tarn::Row*>{doomed[2], doomed[0]}));
    EXPECT_EQ(monsters.positions, (std::vector<int>{2, 5}));
    document.Undo();
    ASSERT_EQ(inserted.count(), 2);
    EXPECT_EQ(RowAt(1, 2), doomed[2]);
    EXPECT_EQ(RowAt(1, 5), doomed[0]);
    EXPECT_EQ(RowAt(0, 7), doomed[1]);

    // Everything undone: the files are saved as they were.
    while (document.UndoStack()->canUndo())
        document.Undo();
    EXPECT_FALSE(document.IsModified());
    EXPECT_TRUE(TableList::instance()->saveAll().empty());
    EXPECT_EQ(Files(), before);
}

// Pasting is all or nothing at the top of the id range too: two rows where one id is left paste
// neither, and say so.
TEST_F(DocumentUndoTest, PasteBeyondTheLargestIdPastesNothing)
{
    Start();
    Expand(0);
    Click(RowItem(0, 0));
    RowAt(0, 79)->SetId(2147483646);
    const int rows = Table(0)->m_rows.size();
    const std::vector<QString> itemLines = DataLines(ReadFile(Path(QStringLiteral("items.txt"))));
    const QString two = itemLines[2] + itemLines[3];

    QString text;
    shelltest::ModalAnswer<QMessageBox> answer(
        [&](QMessageBox* box)
        {
            text = box->text();
            box->accept();
        });
    EXPECT_EQ(View()->PasteText(two), 0);
    ASSERT_TRUE(answer.answered());
    EXPECT_EQ(text, QStringLiteral("编号已达上限 2147483647，无法在表 物品 中粘贴 2 行"));
    EXPECT_EQ(Table(0)->m_rows.size(), rows);
    EXPECT_FALSE(Frame()->GetActiveDocument()->UndoStack()->canUndo());
    ExpectTreeMatchesTables(View());
    // One row still fits.
    EXPECT_EQ(View()->PasteText(itemLines[2]), 1);
    EXPECT_EQ(RowAt(0, 80)->Id(), 2147483647);
}

// Every command written as a record and replayed from it onto the tables as they were gives the
// same files: what a journal needs.
TEST_F(DocumentUndoTest, RecordedCommandsReplayToTheSameFiles)
{
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    TableList::instance()->initIndex();
    TableList::instance()->loadTableList();
    const std::map<QString, QByteArray> before = Files();
    CTesselDoc document;
    ASSERT_TRUE(document.SetCellValue(RowAt(0, 3), kName, u"改名"));
    ASSERT_TRUE(document.SetCellValue(RowAt(0, 3), kPrice, u"-42"));
    ASSERT_NE(document.CreateRow(Table(1)), nullptr);
    ASSERT_EQ(document.DeleteRows({RowAt(1, 4), RowAt(0, 0), RowAt(1, 1)}), 3);
    std::vector<std::vector<std::u16string>> values;
    std::vector<tarn::RowTextProblem> problems;
    ASSERT_TRUE(tarn::RowsFromText(*Table(2), tarn::RowsToText(*Table(2), {RowAt(2, 0), RowAt(2, 1)}), values,
                                   problems));
    ASSERT_EQ(document.AppendRows(Table(2), values).size(), 2u);
    ASSERT_TRUE(TableList::instance()->saveAll().empty());
    const std::map<QString, QByteArray> after = Files();

    std::vector<CommandRecord> records;
    for (int i = 0; i < document.UndoStack()->count(); ++i)
        records.push_back(RecordOf(document.UndoStack()->command(i)));
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0].kind, u"set");
    EXPECT_EQ(records[3].kind, u"delete");
    while (document.UndoStack()->canUndo())
        document.Undo();
    document.UndoStack()->clear();
    ASSERT_TRUE(TableList::instance()->saveAll().empty());
    ASSERT_EQ(Files(), before);

    // A record that does not fit the tables is refused: another id at the position, another table.
    CommandRecord wrongRow = records[0];
    wrongRow.fields[1] = u"999999";
    EXPECT_FALSE(document.PushRecord(wrongRow));
    CommandRecord wrongTable = records[2];
    wrongTable.fields[0] = u"nothing.txt";
    EXPECT_FALSE(document.PushRecord(wrongTable));
    EXPECT_FALSE(document.PushRecord({u"unknown", {}}));
    EXPECT_EQ(document.UndoStack()->count(), 0);

    for (const CommandRecord& record : records)
        ASSERT_TRUE(document.PushRecord(record));
    for (std::size_t i = 0; i < records.size(); ++i)
        EXPECT_EQ(RecordOf(document.UndoStack()->command(static_cast<int>(i))), records[i]) << i;
    ASSERT_TRUE(TableList::instance()->saveAll().empty());
    EXPECT_EQ(Files(), after);
}

} // namespace
