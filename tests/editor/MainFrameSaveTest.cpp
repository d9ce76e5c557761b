// Save all tables, the modified mark, the close prompt and the load-problems warning, on the
// real editor started on a temporary data directory.
#include "ShellTestSupport.h"

#include "tool/problemText.h"

#include "editor/resource.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

using namespace shelltest;

namespace
{
class MainFrameSaveTest : public EditorTest
{
protected:
    void TearDown() override
    {
        qunsetenv("TESSEL_TEST_ANSWERS");
        EditorTest::TearDown();
    }

    // Overwrites both data files on disk after they were loaded; Save must write them again.
    // Save asks before it overwrites a file changed on disk; the answer here is "覆盖".
    void Clobber()
    {
        qputenv("TESSEL_TEST_ANSWERS", QStringLiteral("OverwriteBox=覆盖").toUtf8());
        m_item = ReadFile(Path(QStringLiteral("item.txt")));
        m_monster = ReadFile(Path(QStringLiteral("monster.txt")));
        ASSERT_FALSE(m_item.isEmpty());
        ASSERT_TRUE(WriteFile(Path(QStringLiteral("item.txt")), "x"));
        ASSERT_TRUE(WriteFile(Path(QStringLiteral("monster.txt")), "x"));
    }
    bool ItemRewritten() const { return ReadFile(Path(QStringLiteral("item.txt"))) == m_item; }
    bool MonsterRewritten() const { return ReadFile(Path(QStringLiteral("monster.txt"))) == m_monster; }

    // Makes item.txt impossible to write: the path becomes a directory that is not empty. Save's
    // question about the file changed on disk is answered "覆盖".
    void BlockItemFile()
    {
        qputenv("TESSEL_TEST_ANSWERS", QStringLiteral("OverwriteBox=覆盖").toUtf8());
        ASSERT_TRUE(QFile::remove(Path(QStringLiteral("item.txt"))));
        ASSERT_TRUE(QDir(Dir()).mkpath(QStringLiteral("item.txt/inside")));
    }

    QByteArray m_item;
    QByteArray m_monster;
};

// Text of a message box as the user reads it: main text and informative text.
QString BoxText(QMessageBox* box)
{
    return box->text() + QLatin1Char('\n') + box->informativeText();
}
} // namespace

TEST_F(MainFrameSaveTest, SaveRewritesEveryTableByteForByte)
{
    ASSERT_TRUE(Start());
    std::vector<QByteArray> original;
    for (const DataFile& file : SampleDataFiles())
        original.push_back(file.bytes);

    // Unchanged tables are written back exactly as they were read.
    ASSERT_TRUE(Frame()->Commands().execute(ID_FILE_SAVE));
    size_t i = 0;
    for (const DataFile& file : SampleDataFiles())
        EXPECT_EQ(ReadFile(Path(file.name)), original[i++]) << file.name.toStdString();

    // Every table is written, changed or not.
    Clobber();
    ASSERT_TRUE(Frame()->Commands().execute(ID_FILE_SAVE));
    EXPECT_TRUE(ItemRewritten());
    EXPECT_TRUE(MonsterRewritten());
}

TEST_F(MainFrameSaveTest, FileMenuSaveSavesToo)
{
    ASSERT_TRUE(Start());
    Clobber();
    ASSERT_TRUE(Frame()->Commands().execute(ID_FILE_SAVE_MENU));
    EXPECT_TRUE(ItemRewritten());
    EXPECT_TRUE(MonsterRewritten());
}

TEST_F(MainFrameSaveTest, SaveClearsTheModifiedMark)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    Frame()->GetActiveDocument()->SetModifiedFlag(true);
    EXPECT_TRUE(frame->GetActiveDocument()->IsModified());
    EXPECT_TRUE(frame->isWindowModified());
    const QString name = QFileInfo(Dir()).fileName();
    EXPECT_EQ(frame->windowTitle(), name + QStringLiteral("[*] - Tessel"));
    EXPECT_EQ(frame->windowHandle()->title(), name + QStringLiteral("* - Tessel"));

    ASSERT_TRUE(frame->Commands().execute(ID_FILE_SAVE));
    EXPECT_FALSE(frame->GetActiveDocument()->IsModified());
    EXPECT_FALSE(frame->isWindowModified());
    EXPECT_EQ(frame->windowHandle()->title(), name + QStringLiteral(" - Tessel"));
}

TEST_F(MainFrameSaveTest, FailedSaveIsReportedAndTheOtherTablesAreWritten)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    frame->GetActiveDocument()->SetModifiedFlag(true);
    Clobber();
    BlockItemFile();

    QString shown;
    ModalAnswer<QMessageBox> answer(
        [&](QMessageBox* box)
        {
            shown = BoxText(box);
            box->accept();
        });
    ASSERT_TRUE(frame->Commands().execute(ID_FILE_SAVE));
    ASSERT_TRUE(answer.answered());
    EXPECT_TRUE(shown.contains(QStringLiteral("item.txt"))) << shown.toStdString();
    EXPECT_FALSE(shown.contains(QStringLiteral("monster.txt"))) << shown.toStdString();
    // The table that could be written was written; the blocked path is left as it was.
    EXPECT_TRUE(MonsterRewritten());
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("item.txt"))).isDir());
    // The changes are not all on disk: the mark stays.
    EXPECT_TRUE(frame->GetActiveDocument()->IsModified());
    EXPECT_TRUE(frame->isWindowModified());
}

TEST_F(MainFrameSaveTest, ClosingWithoutChangesAsksNothing)
{
    ASSERT_TRUE(Start());
    Clobber();
    ModalAnswer<QWidget> anyDialog([](QWidget* w) { w->close(); }, 500);
    EXPECT_TRUE(Frame()->close());
    EXPECT_FALSE(anyDialog.answered());
    EXPECT_FALSE(Frame()->isVisible());
    // Nothing is written at close.
    EXPECT_EQ(ReadFile(Path(QStringLiteral("item.txt"))), QByteArray("x"));
}

TEST_F(MainFrameSaveTest, ClosePromptCancelKeepsTheWindowOpen)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    Frame()->GetActiveDocument()->SetModifiedFlag(true);
    Clobber();
    QString shown;
    ModalAnswer<QMessageBox> answer(
        [&](QMessageBox* box)
        {
            shown = box->text();
            EXPECT_NE(box->button(QMessageBox::Save), nullptr);
            EXPECT_NE(box->button(QMessageBox::Discard), nullptr);
            box->button(QMessageBox::Cancel)->click();
        });
    EXPECT_FALSE(frame->close());
    ASSERT_TRUE(answer.answered());
    EXPECT_EQ(shown, QStringLiteral("是否保存对 %1 的更改?").arg(QFileInfo(Dir()).fileName()));
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(frame->GetActiveDocument()->IsModified());
    EXPECT_EQ(ReadFile(Path(QStringLiteral("item.txt"))), QByteArray("x"));
}

TEST_F(MainFrameSaveTest, ClosePromptDiscardClosesWithoutWriting)
{
    ASSERT_TRUE(Start());
    Frame()->GetActiveDocument()->SetModifiedFlag(true);
    Clobber();
    ModalAnswer<QMessageBox> answer([](QMessageBox* box) { box->button(QMessageBox::Discard)->click(); });
    EXPECT_TRUE(Frame()->close());
    ASSERT_TRUE(answer.answered());
    EXPECT_FALSE(Frame()->isVisible());
    EXPECT_EQ(ReadFile(Path(QStringLiteral("item.txt"))), QByteArray("x"));
}

TEST_F(MainFrameSaveTest, ClosePromptSaveWritesThenCloses)
{
    ASSERT_TRUE(Start());
    Frame()->GetActiveDocument()->SetModifiedFlag(true);
    Clobber();
    ModalAnswer<QMessageBox> answer([](QMessageBox* box) { box->button(QMessageBox::Save)->click(); });
    // File -> Exit goes through the same close.
    ASSERT_TRUE(Frame()->Commands().execute(ID_APP_EXIT));
    ASSERT_TRUE(answer.answered());
    EXPECT_FALSE(Frame()->isVisible());
    EXPECT_TRUE(ItemRewritten());
    EXPECT_TRUE(MonsterRewritten());
}

TEST_F(MainFrameSaveTest, ClosePromptSaveThatFailsKeepsTheWindowOpen)
{
    ASSERT_TRUE(Start());
    Frame()->GetActiveDocument()->SetModifiedFlag(true);
    BlockItemFile();
    int boxes = 0;
    // First the prompt (answered Save), then the failure report.
    ModalAnswer<QMessageBox> prompt(
        [&](QMessageBox* box)
        {
            ++boxes;
            box->button(QMessageBox::Save)->click();
        });
    QTimer reportCloser;
    reportCloser.setInterval(10);
    QObject::connect(&reportCloser, &QTimer::timeout,
                     [&]()
                     {
                         auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                         if (box && box->objectName() == QLatin1String("SaveFailedBox"))
                         {
                             ++boxes;
                             box->accept();
                         }
                     });
    reportCloser.start();
    EXPECT_FALSE(Frame()->close());
    reportCloser.stop();
    EXPECT_EQ(boxes, 2);
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_TRUE(Frame()->GetActiveDocument()->IsModified());
}

// The modified mark of a document on its own: forced by SetModifiedFlag(true), cleared (and the
// undo stack's clean state moved there) by SetModifiedFlag(false); no main window needed.
TEST_F(MainFrameSaveTest, DocumentAloneKeepsItsModifiedMark)
{
    ASSERT_EQ(GetMainFrame(), nullptr);
    CTesselDoc document;
    QSignalSpy changes(&document, &CTesselDoc::modifiedChanged);
    EXPECT_FALSE(document.IsModified());
    document.SetModifiedFlag(true);
    EXPECT_TRUE(document.IsModified());
    document.SetModifiedFlag(false);
    EXPECT_FALSE(document.IsModified());
    EXPECT_TRUE(document.UndoStack()->isClean());
    EXPECT_EQ(changes.count(), 2);
}

TEST_F(MainFrameSaveTest, NoLoadProblemsMeansNoWarning)
{
    ASSERT_TRUE(Start());
    QTest::qWait(50);
    EXPECT_EQ(Frame()->LoadProblemsBox(), nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainFrameSaveTest, LoadProblemsAreShownOnceAfterStartUp)
{
    // A third entry whose data file does not exist.
    const QByteArray list = "<?xml version=\"1.0\"?>\n<TableList>\n"
                            "\t<Table FileName=\"item.txt\" Label=\"a\" />\n"
                            "\t<Table FileName=\"missing.txt\" Label=\"b\" />\n"
                            "\t<Table FileName=\"monster.txt\" Label=\"c\" />\n"
                            "</TableList>\n";
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("tableList.xml")), list));
    ASSERT_TRUE(Start());
    ASSERT_FALSE(TableList::instance()->diagnostics().empty());

    // Not during start-up itself: once the event loop runs.
    EXPECT_EQ(Frame()->LoadProblemsBox(), nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(Frame()->LoadProblemsBox() != nullptr, 5000);
    QMessageBox* box = Frame()->LoadProblemsBox();
    QTRY_VERIFY_WITH_TIMEOUT(box->isVisible(), 5000);
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    const QString text = BoxText(box);
    EXPECT_TRUE(text.contains(QStringLiteral("missing.txt"))) << text.toStdString();
    // Each problem in Chinese with its file and line (the data check's words, as in the pane 问题).
    ASSERT_EQ(TableList::instance()->diagnostics().size(), 1u);
    EXPECT_TRUE(text.contains(QStringLiteral("无法加载，保存时也不会写入：数据文件不存在（missing.txt）")))
        << text.toStdString();
    for (const tarn::Diagnostic& problem : TableList::instance()->diagnostics())
        EXPECT_TRUE(text.contains(QString::fromStdU16String(tarn::ProblemLine(tarn::LoadProblem(problem)))))
            << problem.text();
    EXPECT_FALSE(text.contains(QStringLiteral("does not exist"))) << text.toStdString();

    box->accept();
    QTRY_VERIFY_WITH_TIMEOUT(Frame()->LoadProblemsBox() == nullptr, 5000);
    Frame()->ShowLoadProblems();
    EXPECT_EQ(Frame()->LoadProblemsBox(), nullptr);
}
