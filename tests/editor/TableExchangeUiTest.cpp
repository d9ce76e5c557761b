// File -> 导入... and 导出... in the real editor on a copy of the sample data: export, change the
// table, import the file back (replace or merge) as one undo step, save, and compare the data
// files byte for byte; a file with bad values changes nothing; the import's journal record
// replays to the same files. File names come through the exchange's chooser hook, message boxes
// are answered from a timer.
#include "ClassViewTestSupport.h"
#include "ShellTestSupport.h"

#include "editor/DocumentCommands.h"
#include "editor/TableExchangeUi.h"
#include "editor/TesselDoc.h"
#include "editor/resource.h"
#include "tool/tableExchange.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QUndoStack>

#include <map>

using namespace classviewtest;
using shelltest::ModalAnswer;

namespace
{

constexpr int kName = 1;  // 名称
constexpr int kPrice = 4; // 售价 (INT64)

class TableExchangeUiTest : public ClassViewTest
{
protected:
    void SetUp() override
    {
        ClassViewTest::SetUp();
        ASSERT_TRUE(m_files.isValid());
        CTableExchange::SetChooser(
            [this](QWidget*, const QString&, const QString&, bool save)
            {
                m_asked.push_back(save);
                return m_choice;
            });
    }
    void TearDown() override
    {
        CTableExchange::SetChooser({});
        ClassViewTest::TearDown();
    }

    std::map<QString, QByteArray> Files() const
    {
        std::map<QString, QByteArray> files;
        for (const QString& name : QDir(m_dir.path()).entryList(QDir::Files))
            files[name] = ReadFile(Path(name));
        return files;
    }
    // The names of the files that differ between two snapshots; empty when they are the same.
    static std::string Differing(const std::map<QString, QByteArray>& a,
                                 const std::map<QString, QByteArray>& b)
    {
        std::string names;
        for (const auto& [name, bytes] : a)
            if (b.count(name) == 0 || b.at(name) != bytes)
                names += name.toStdString() + " ";
        for (const auto& [name, bytes] : b)
            if (a.count(name) == 0)
                names += name.toStdString() + " ";
        return names;
    }
    QString Outside(const QString& name) const { return m_files.filePath(name); }
    CTesselDoc* Doc() const { return Frame()->GetActiveDocument(); }
    void Save() { ASSERT_TRUE(Frame()->Commands().execute(ID_FILE_SAVE)); }
    // The caret on the first row of table t, by a click, as a user picks the table to work on.
    void PickTable(int t)
    {
        Expand(t);
        Click(RowItem(t, 0));
        ASSERT_EQ(Frame()->CurrentTable(), Table(t));
    }
    // Runs the command; `answers` get the message boxes it opens, in order (none expected when
    // empty). Returns each box's name, text and informative text, one block per box.
    QString Run(int id, std::vector<std::function<void(QMessageBox*)>> answers = {})
    {
        QString shown;
        std::vector<std::unique_ptr<ModalAnswer<QMessageBox>>> modals;
        // Each answer prepares the next one before it closes its box, so that a box opened after
        // it is answered too.
        std::function<void(std::size_t)> expect = [&](std::size_t i)
        {
            if (i >= answers.size())
                return;
            modals.push_back(std::make_unique<ModalAnswer<QMessageBox>>(
                [&, i](QMessageBox* box)
                {
                    shown += box->objectName() + QLatin1Char('\n') + box->text() + QLatin1Char('\n') +
                             box->informativeText() + QLatin1Char('\n');
                    expect(i + 1);
                    answers[i](box);
                }));
        };
        expect(0);
        EXPECT_TRUE(Frame()->Commands().execute(id));
        EXPECT_EQ(modals.size(), answers.size());
        for (const auto& modal : modals)
        {
            EXPECT_TRUE(modal->answered());
            EXPECT_FALSE(modal->closedOther());
        }
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        return shown;
    }
    // Ctrl+key in the tree, as the user presses it once the message boxes are gone.
    void Keys(Qt::Key key)
    {
        QApplication::setActiveWindow(Frame());
        Tree()->setFocus();
        QTest::keyClick(Tree(), key, Qt::ControlModifier);
    }
    static std::function<void(QMessageBox*)> Press(const char* button)
    {
        return [button](QMessageBox* box)
        {
            auto* pressed = box->findChild<QPushButton*>(QLatin1String(button));
            ASSERT_NE(pressed, nullptr) << button;
            QTest::mouseClick(pressed, Qt::LeftButton);
        };
    }
    static std::function<void(QMessageBox*)> Ok()
    {
        return [](QMessageBox* box) { QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton); };
    }

    QTemporaryDir m_files;
    CTableExchange::Choice m_choice;
    std::vector<bool> m_asked;
};

TEST_F(TableExchangeUiTest, ExportedTableImportsBackAsOneUndoStepAndSavesByteIdentical)
{
    Start();
    const std::map<QString, QByteArray> original = Files();
    for (const char* format : {"items.csv", "items.tsv"})
    {
        SCOPED_TRACE(format);
        // (The replaced rows took the caret with them.)
        PickTable(0);
        m_choice = {Outside(QLatin1String(format)), QString()};
        Run(ID_FILE_EXPORT);
        ASSERT_FALSE(ReadFile(m_choice.path).isEmpty());

        // The file as it is: nothing to import, nothing pushed.
        const QString same = Run(ID_FILE_IMPORT, {Press("ReplaceButton"), Ok()});
        EXPECT_TRUE(same.startsWith(QLatin1String("ImportModeBox\n"))) << same.toStdString();
        EXPECT_TRUE(same.contains(QLatin1String("\nImportNothingBox\n"))) << same.toStdString();
        EXPECT_EQ(Doc()->UndoStack()->count(), 0);

        // Changes: a renamed row, a deleted row, a new row. Saved, they are the "changed" files.
        ASSERT_TRUE(Doc()->SetCellValue(RowAt(0, 0), kName, u"改过的名字"));
        ASSERT_TRUE(Doc()->SetCellValue(RowAt(0, 5), kPrice, u"-77"));
        ASSERT_EQ(Doc()->DeleteRows({RowAt(0, 3)}), 1);
        ASSERT_NE(Doc()->CreateRow(Table(0)), nullptr);
        Save();
        const std::map<QString, QByteArray> changed = Files();
        ASSERT_NE(Differing(changed, original), "");
        Click(RowItem(0, 0));
        const int steps = Doc()->UndoStack()->count();

        const QString asked = Run(ID_FILE_IMPORT, {Press("ReplaceButton")});
        EXPECT_TRUE(asked.contains(QStringLiteral("新增 1 行，修改 2 行，未变 77 行，删除 1 行")))
            << asked.toStdString();
        EXPECT_EQ(Doc()->UndoStack()->count(), steps + 1);
        EXPECT_EQ(Doc()->UndoStack()->undoText(), QStringLiteral("导入 80 行"));
        EXPECT_TRUE(Modified());
        ExpectTreeMatchesTables(View());
        EXPECT_TRUE(Frame()->statusBar()->currentMessage().contains(QStringLiteral("已导入")));
        Save();
        EXPECT_EQ(Differing(Files(), original), "");

        // One undo gives the changed table back; redo the imported one.
        Keys(Qt::Key_Z);
        EXPECT_EQ(Doc()->UndoStack()->index(), steps);
        ExpectTreeMatchesTables(View());
        Save();
        EXPECT_EQ(Differing(Files(), changed), "");
        Keys(Qt::Key_Y);
        EXPECT_EQ(Doc()->UndoStack()->index(), steps + 1);
        ExpectTreeMatchesTables(View());
        Save();
        EXPECT_EQ(Differing(Files(), original), "");
        Doc()->UndoStack()->clear();
    }
}

TEST_F(TableExchangeUiTest, MergeUpdatesRowsByIdAndKeepsTheOthers)
{
    Start();
    const std::map<QString, QByteArray> original = Files();
    PickTable(0);
    m_choice = {Outside(QStringLiteral("items.csv")), QString()};
    Run(ID_FILE_EXPORT);

    const QString oldName = Q(RowAt(0, 2)->Name());
    const long long oldPrice = RowAt(0, 7)->cells[kPrice]->GetInt64();
    ASSERT_TRUE(Doc()->SetCellValue(RowAt(0, 2), kName, u"合并前"));
    ASSERT_TRUE(Doc()->SetCellValue(RowAt(0, 7), kPrice, u"123456789012"));
    tarn::Row* created = Doc()->CreateRow(Table(0));
    ASSERT_NE(created, nullptr);
    const int createdId = created->Id();
    Save();
    const std::map<QString, QByteArray> changed = Files();

    const QString asked = Run(ID_FILE_IMPORT, {Press("MergeButton")});
    EXPECT_TRUE(asked.contains(QStringLiteral("新增 0 行，修改 2 行，未变 78 行）"))) << asked.toStdString();
    // The merged cells are back; the row the file does not have stays.
    EXPECT_EQ(Q(RowAt(0, 2)->Name()), oldName);
    EXPECT_EQ(RowAt(0, 7)->cells[kPrice]->GetInt64(), oldPrice);
    EXPECT_EQ(RowAt(0, 80)->Id(), createdId);
    EXPECT_EQ(RowAt(0, 80), created);
    ExpectTreeMatchesTables(View());
    ASSERT_TRUE(Doc()->DeleteRows({created}) == 1);
    Save();
    EXPECT_EQ(Differing(Files(), original), "");

    Doc()->Undo(); // the delete
    Doc()->Undo(); // the import
    Save();
    EXPECT_EQ(Differing(Files(), changed), "");
}

TEST_F(TableExchangeUiTest, AFileWithBadValuesChangesNothingAndNamesEachPlace)
{
    Start();
    const std::map<QString, QByteArray> original = Files();
    PickTable(0);
    const struct
    {
        const char* csv;
        std::vector<const char*> places; // "LINE:COLUMN: 错误: " and the start of the message
    } cases[] = {
        {"编号,名称,售价\r\n1,a,12ab\r\n2,b,3\r\n3,c,-\r\n", {":2:3: 错误: “售价”", ":4:3: 错误: “售价”"}},
        {"编号,名称,颜色\r\n1,a,b\r\n", {":1:3: 错误: 列 \"颜色\" 不是表 items.txt 的字段"}},
        {"编号,名称\r\n1,a\r\n1,b\r\n", {":3:1: 错误: 编号 1 已在第 2 行用过"}},
        {"名称\r\nx\r\n", {":1:1: 错误: 缺少编号列"}},
    };
    const QString csv = Outside(QStringLiteral("bad.csv"));
    m_choice = {csv, QString()};
    for (const auto& c : cases)
    {
        ASSERT_TRUE(shelltest::WriteFile(csv, c.csv));
        const QString shown = Run(ID_FILE_IMPORT, {Ok()});
        EXPECT_TRUE(shown.startsWith(QStringLiteral("ImportProblemsBox\n无法导入 "))) << shown.toStdString();
        EXPECT_TRUE(shown.contains(QStringLiteral("表 items.txt 没有改变"))) << shown.toStdString();
        for (const char* place : c.places)
            EXPECT_TRUE(shown.contains(QDir::toNativeSeparators(csv) + QString::fromUtf8(place)))
                << place << "\n"
                << shown.toStdString();
        EXPECT_EQ(Doc()->UndoStack()->count(), 0);
        EXPECT_FALSE(Modified());
    }
    Save();
    EXPECT_EQ(Differing(Files(), original), "");
}

TEST_F(TableExchangeUiTest, TheSaveDialogsFilterOrTheNamesExtensionChoosesTheFormat)
{
    Start();
    PickTable(2);
    const struct
    {
        const char* name;
        const char* filter;
        const char* written; // the file written
        const char* starts;  // its first bytes
    } cases[] = {
        {"a", "JSON 文件 (*.json)", "a.json", "[\n{\""},
        {"b", "TSV 文件 (*.tsv)", "b.tsv", "\xEF\xBB\xBF\xE7\xBC\x96\xE5\x8F\xB7\t"},
        {"c", "CSV 文件 (*.csv)", "c.csv", "\xEF\xBB\xBF\xE7\xBC\x96\xE5\x8F\xB7,"},
        {"d.json", "CSV 文件 (*.csv)", "d.json", "[\n{\""},
    };
    // The first through the menu bar, with the keyboard: Alt+F, then 导出 by its mnemonic.
    m_choice = {Outside(QLatin1String(cases[0].name)), QString::fromUtf8(cases[0].filter)};
    QApplication::setActiveWindow(Frame());
    MenuAnswer menu(ChooseKey(Qt::Key_E));
    QTest::keyClick(Frame(), Qt::Key_F, Qt::AltModifier);
    ASSERT_TRUE(WaitFor([&] { return menu.answered() && QApplication::activePopupWidget() == nullptr; }));
    EXPECT_TRUE(menu.texts().contains(QStringLiteral("导出(&E)...")))
        << menu.texts().join(u' ').toStdString();
    ASSERT_EQ(m_asked, std::vector<bool>{true});
    for (const auto& c : cases)
    {
        m_choice = {Outside(QLatin1String(c.name)), QString::fromUtf8(c.filter)};
        if (&c != &cases[0])
            Run(ID_FILE_EXPORT);
        const QByteArray bytes = ReadFile(Outside(QLatin1String(c.written)));
        EXPECT_TRUE(bytes.startsWith(c.starts)) << c.name << ": " << bytes.left(20).toStdString();
        EXPECT_EQ(
            bytes.toStdString(),
            tarn::ExportTable(*Table(2), CTableExchange::FormatFor(QLatin1String(c.written), QString())));
    }
    // A file that cannot be written is reported; cancelling asks and writes nothing.
    m_choice = {Outside(QStringLiteral("missing/dir/x.csv")), QString()};
    const QString shown = Run(ID_FILE_EXPORT, {Ok()});
    EXPECT_TRUE(shown.startsWith(QStringLiteral("ExportFailedBox\n无法导出表 "))) << shown.toStdString();
    m_asked.clear();
    m_choice = {};
    Run(ID_FILE_EXPORT);
    EXPECT_EQ(m_asked, std::vector<bool>{true});
}

TEST_F(TableExchangeUiTest, ImportWithoutATableIsDisabled)
{
    Start();
    Tree()->setCurrentItem(nullptr);
    Tree()->setFocus();
    Click(Root());
    EXPECT_EQ(Frame()->CurrentTable(), nullptr);
    EXPECT_FALSE(Frame()->Commands().execute(ID_FILE_IMPORT));
    EXPECT_FALSE(Frame()->Commands().execute(ID_FILE_EXPORT));
    EXPECT_TRUE(m_asked.empty());
}

// The import as a journal record: written, refused when it does not fit, replayed to the same
// files.
TEST_F(TableExchangeUiTest, TheImportRecordReplaysToTheSameFiles)
{
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    TableList::instance()->initIndex();
    TableList::instance()->loadTableList();
    const std::map<QString, QByteArray> before = Files();
    CTesselDoc document;
    // Only three columns, a quoted name, a new id: the missing columns take their defaults (replace)
    // or keep their values (merge).
    const std::string csv = "名称,编号,售价\n\"新, \"\"名\"\"\",1002,7\n加的,1999,-3\n";
    for (const bool merge : {false, true})
    {
        SCOPED_TRACE(merge ? "merge" : "replace");
        tarn::ImportPlan plan;
        std::vector<tarn::ImportProblem> problems;
        ASSERT_TRUE(tarn::PlanImport(*Table(0), csv, ',', merge, plan, problems));
        ASSERT_TRUE(document.ImportRows(Table(0), plan));
        EXPECT_EQ(Table(0)->m_rows.size(), merge ? 81 : 2);
        ASSERT_TRUE(TableList::instance()->saveAll().empty());
        const std::map<QString, QByteArray> after = Files();

        const CommandRecord record = RecordOf(document.UndoStack()->command(0));
        ASSERT_EQ(record.kind, u"import");
        ASSERT_EQ(record.fields.size(), 5u + 2u * 10u);
        EXPECT_EQ(record.fields[1], merge ? u"merge" : u"replace");
        EXPECT_EQ(record.fields[3], u"1100100000");
        EXPECT_EQ(record.fields[6], u"新, \"名\"");
        document.Undo();
        document.UndoStack()->clear();
        ASSERT_TRUE(TableList::instance()->saveAll().empty());
        ASSERT_EQ(Differing(Files(), before), "");

        // Records that do not fit: the id column missing, a value the field does not take, an id
        // twice, a value for a missing column, a wrong count.
        const auto changed = [&record](std::size_t at, const std::u16string& text)
        {
            CommandRecord wrong = record;
            wrong.fields[at] = text;
            return wrong;
        };
        for (const CommandRecord& wrong :
             {changed(3, u"0100100000"), changed(9, u"12ab"), changed(15, u"1002"), changed(7, u"x"),
              changed(4, u"3"), changed(1, u"append"), changed(0, u"nothing.txt")})
            EXPECT_FALSE(document.PushRecord(wrong));
        EXPECT_EQ(document.UndoStack()->count(), 0);

        ASSERT_TRUE(document.PushRecord(record));
        EXPECT_EQ(RecordOf(document.UndoStack()->command(0)), record);
        ASSERT_TRUE(TableList::instance()->saveAll().empty());
        EXPECT_EQ(Differing(Files(), after), "");
        document.Undo();
        document.UndoStack()->clear();
        ASSERT_TRUE(TableList::instance()->saveAll().empty());
        ASSERT_EQ(Differing(Files(), before), "");
    }
}

} // namespace
