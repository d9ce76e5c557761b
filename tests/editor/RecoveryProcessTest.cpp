// The real `tessel` process on a temporary data directory: edits of every kind, SIGKILL, a new
// start that recovers them from the journal, Save, and every file compared byte for byte with
// what an editor that was never interrupted saved. Also: a damaged journal, a data file changed
// between the crash and the restart, files changed on disk while the editor runs, a second
// editor on the same directory, a lock left by a killed editor.
//
// The editor is driven through its test hooks (editor/TestHooks.h): a script of document
// records, and message boxes answered by name; settings and journals live in temporary
// directories (XDG_CONFIG_HOME, XDG_DATA_HOME).
#include "ShellTestSupport.h"
#include "editor/RecoveryJournal.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace
{
using shelltest::DataFile;
using shelltest::ReadFile;
using shelltest::SampleDataFiles;
using shelltest::Utf16File;
using shelltest::WriteFile;

constexpr int kTimeoutMs = 60000;

// Edits of every kind on the sample data, with undo and redo among them.
const QStringList kEdits = {
    QStringLiteral("push\tset\titem.txt\t1\t0\t1\t长剑\t短剑"),
    QStringLiteral("push\tset\tmonster.txt\t11\t1\t2\t2\t1"),
    QStringLiteral("push\tnew\titem.txt\t新建物品3"),
    QStringLiteral("push\tpaste\titem.txt\t2\t5\t0\tPotion\t7\t2.500000\t1|2\t0\tRope\t0\t0.000000\t"),
    QStringLiteral("push\tdelete\tmonster.txt\t1\t12\t2"),
    QStringLiteral("push\tset\titem.txt\t2\t1\t2\t4294967295\t9"),
    QStringLiteral("undo"),
    QStringLiteral("undo"),
    QStringLiteral("redo"),
    QStringLiteral("push\tset\titem.txt\t2\t1\t1\tShield\t盾"),
    QStringLiteral("undo"),
    QStringLiteral("redo"),
    QStringLiteral("push\tdelete\titem.txt\t1\t4\t3"),
};

class Editor
{
public:
    Editor(const QString& dataHome, const QString& configHome)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        m_env = env;
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
    }

    // Starts the editor on `dir` with the script `lines` and the message-box answers `answers`.
    bool Start(const QString& dir, const QStringList& lines, const QString& answers = QString(),
               const QStringList& arguments = {})
    {
        EXPECT_TRUE(m_scriptDir.isValid());
        const QString script = m_scriptDir.filePath(QStringLiteral("script.txt"));
        if (!WriteFile(script, lines.join(QLatin1Char('\n')).toUtf8()))
            return false;
        QProcessEnvironment env = m_env;
        env.insert(QStringLiteral("TESSEL_TEST_SCRIPT"), script);
        env.insert(QStringLiteral("TESSEL_TEST_ANSWERS"), answers);
        m_process.setProcessEnvironment(env);
        m_process.start(QStringLiteral(TESSEL_BINARY), QStringList{QStringLiteral("-C"), dir} + arguments);
        return m_process.waitForStarted(kTimeoutMs);
    }

    // Waits until the editor printed `line` ("tessel-test: " + line); false when it ended first.
    bool WaitFor(const QString& line)
    {
        const QByteArray wanted = ("tessel-test: " + line).toUtf8();
        QElapsedTimer timer;
        timer.start();
        while (!m_output.contains(wanted))
        {
            if (timer.hasExpired(kTimeoutMs))
                return false;
            if (m_process.state() == QProcess::NotRunning)
            {
                m_output += m_process.readAllStandardOutput();
                return m_output.contains(wanted);
            }
            m_process.waitForReadyRead(100);
            m_output += m_process.readAllStandardOutput();
        }
        return true;
    }

    // Kills the process as a crash or a power cut would.
    void Kill()
    {
        m_process.kill(); // SIGKILL
        m_process.waitForFinished(kTimeoutMs);
        m_output += m_process.readAllStandardOutput();
    }

    // Waits for the process to end by itself; its exit code (-1 when it did not end).
    int Finish()
    {
        if (!m_process.waitForFinished(kTimeoutMs))
        {
            m_process.kill();
            m_process.waitForFinished();
            return -1;
        }
        m_output += m_process.readAllStandardOutput();
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

    QString Output() const { return QString::fromUtf8(m_output); }
    qint64 Pid() const { return m_process.processId(); }

private:
    QProcess m_process;
    QProcessEnvironment m_env;
    QTemporaryDir m_scriptDir;
    QByteArray m_output;
};

class RecoveryProcessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid());
        ASSERT_TRUE(m_root.isValid());
    }

    QString DataHome() const { return m_home.filePath(QStringLiteral("data")); }
    QString ConfigHome() const { return m_home.filePath(QStringLiteral("config")); }

    // A fresh copy of the sample data directory.
    QString NewDataDir(const QString& name)
    {
        const QString dir = m_root.filePath(name);
        EXPECT_TRUE(QDir().mkpath(dir));
        for (const DataFile& file : SampleDataFiles())
            EXPECT_TRUE(WriteFile(QDir(dir).filePath(file.name), file.bytes));
        return dir;
    }

    std::unique_ptr<Editor> NewEditor() { return std::make_unique<Editor>(DataHome(), ConfigHome()); }

    // Runs a script to its end (it must quit).
    QString Run(const QString& dir, const QStringList& lines, const QString& answers = QString(),
                const QStringList& arguments = {})
    {
        auto editor = NewEditor();
        EXPECT_TRUE(editor->Start(dir, lines, answers, arguments));
        EXPECT_EQ(editor->Finish(), 0) << editor->Output().toStdString();
        // Every scripted edit fitted the tables (a refused one would make the comparisons moot).
        EXPECT_FALSE(editor->Output().contains(QStringLiteral("refused"))) << editor->Output().toStdString();
        return editor->Output();
    }

    // Runs `lines` and then kills the editor once the journal had its second to reach the disk.
    QString RunAndKill(const QString& dir, const QStringList& lines, const QStringList& arguments = {})
    {
        auto editor = NewEditor();
        EXPECT_TRUE(editor->Start(dir, lines, QString(), arguments));
        EXPECT_TRUE(editor->WaitFor(QStringLiteral("done"))) << editor->Output().toStdString();
        QThread::msleep(1500); // the journal is written within a second of each change
        editor->Kill();
        EXPECT_FALSE(editor->Output().contains(QStringLiteral("refused"))) << editor->Output().toStdString();
        return editor->Output();
    }

    // The journals left (each test has a data home of its own).
    QStringList Journals() const
    {
        QStringList found;
        QDirIterator it(DataHome(), {QStringLiteral("journal-*.tsj")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
        return found;
    }
    QStringList KeptJournals() const
    {
        QStringList found;
        QDirIterator it(DataHome(), {QStringLiteral("kept-*.tsj")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
        return found;
    }

    // Every file of `a` equals the same file of `b`, and no other file is in either (the lock
    // file and temporary files of saves included).
    static void ExpectSameFiles(const QString& a, const QString& b)
    {
        const QDir::Filters filters = QDir::Files | QDir::Hidden;
        const QStringList names = QDir(a).entryList(filters, QDir::Name);
        EXPECT_EQ(names, QDir(b).entryList(filters, QDir::Name));
        for (const QString& name : names)
            EXPECT_EQ(ReadFile(QDir(a).filePath(name)), ReadFile(QDir(b).filePath(name)))
                << name.toStdString();
    }

    QTemporaryDir m_home;
    QTemporaryDir m_root;
};

QStringList With(QStringList lines, const QStringList& more)
{
    lines << more;
    return lines;
}

TEST_F(RecoveryProcessTest, KilledEditorsEditsAreRecoveredAndSavedAsAnUninterruptedSave)
{
    const QString expected = NewDataDir(QStringLiteral("expected"));
    Run(expected, With(kEdits, {QStringLiteral("save"), QStringLiteral("quit")}));

    const QString dir = NewDataDir(QStringLiteral("crashed"));
    RunAndKill(dir, kEdits);
    // Nothing was written to the data files; the journal and the lock of the killed editor stay.
    for (const DataFile& file : SampleDataFiles())
        EXPECT_EQ(ReadFile(QDir(dir).filePath(file.name)), file.bytes) << file.name.toStdString();
    ASSERT_EQ(Journals().size(), 1);
    EXPECT_TRUE(QFileInfo::exists(QDir(dir).filePath(QStringLiteral(".tessel.lock"))));

    // The edits did change something.
    EXPECT_NE(ReadFile(QDir(expected).filePath(QStringLiteral("item.txt"))),
              ReadFile(QDir(dir).filePath(QStringLiteral("item.txt"))));
    EXPECT_NE(ReadFile(QDir(expected).filePath(QStringLiteral("monster.txt"))),
              ReadFile(QDir(dir).filePath(QStringLiteral("monster.txt"))));

    // Recover without saving: the data files stay as they were, the document is modified and a
    // new journal holds the recovered changes, so a second crash loses nothing either.
    {
        auto editor = NewEditor();
        ASSERT_TRUE(editor->Start(dir, {QStringLiteral("flush")}, QStringLiteral("RecoveryBox=恢复")));
        ASSERT_TRUE(editor->WaitFor(QStringLiteral("done"))) << editor->Output().toStdString();
        EXPECT_TRUE(editor->Output().contains(
            QStringLiteral("box RecoveryBox: 上次编辑留下了 %1 项未保存的更改").arg(kEdits.size())))
            << editor->Output().toStdString();
        EXPECT_TRUE(editor->Output().contains(QStringLiteral("status: 已恢复")));
        editor->Kill();
    }
    for (const DataFile& file : SampleDataFiles())
        EXPECT_EQ(ReadFile(QDir(dir).filePath(file.name)), file.bytes) << file.name.toStdString();
    ASSERT_EQ(Journals().size(), 1);

    const QString out =
        Run(dir, {QStringLiteral("save"), QStringLiteral("quit")}, QStringLiteral("RecoveryBox=恢复"));
    EXPECT_TRUE(out.contains(QStringLiteral("saved"))) << out.toStdString();
    ExpectSameFiles(dir, expected);
    // A complete save ends the journal; a clean exit leaves no lock.
    EXPECT_TRUE(Journals().isEmpty());
    EXPECT_TRUE(KeptJournals().isEmpty());
}

TEST_F(RecoveryProcessTest, DiscardAndLaterKeepOrDropTheJournal)
{
    const QString dir = NewDataDir(QStringLiteral("data"));
    RunAndKill(dir, kEdits.mid(0, 2));
    ASSERT_EQ(Journals().size(), 1);
    // Later: asked, kept, and the editor's own clean exit removes only its own journal.
    QString out = Run(dir, {QStringLiteral("quit")}, QStringLiteral("RecoveryBox=稍后"));
    EXPECT_TRUE(out.contains(QStringLiteral("box RecoveryBox"))) << out.toStdString();
    ASSERT_EQ(Journals().size(), 1);
    // Discard: the journal goes, the files stay.
    out = Run(dir, {QStringLiteral("quit")}, QStringLiteral("RecoveryBox=放弃"));
    EXPECT_TRUE(out.contains(QStringLiteral("box RecoveryBox"))) << out.toStdString();
    EXPECT_TRUE(Journals().isEmpty());
    for (const DataFile& file : SampleDataFiles())
        EXPECT_EQ(ReadFile(QDir(dir).filePath(file.name)), file.bytes) << file.name.toStdString();
    out = Run(dir, {QStringLiteral("quit")});
    EXPECT_FALSE(out.contains(QStringLiteral("RecoveryBox"))) << out.toStdString();
}

TEST_F(RecoveryProcessTest, TruncatedJournalRecoversUpToTheDamage)
{
    // Every edit but the last reaches the journal whole; the last one is cut in the middle.
    const QString expected = NewDataDir(QStringLiteral("expected"));
    Run(expected, With(kEdits.mid(0, kEdits.size() - 1), {QStringLiteral("save"), QStringLiteral("quit")}));

    const QString dir = NewDataDir(QStringLiteral("crashed"));
    RunAndKill(dir, kEdits);
    const QStringList journals = Journals();
    ASSERT_EQ(journals.size(), 1);
    QFile journal(journals.first());
    const qint64 size = journal.size();
    ASSERT_TRUE(journal.resize(size - 5));

    const QString out = Run(dir, {QStringLiteral("save"), QStringLiteral("quit")},
                            QStringLiteral("RecoveryBox=恢复;RecoveryResultBox=确定"));
    EXPECT_TRUE(
        out.contains(QStringLiteral("恢复日志已损坏，只能恢复其中前 %1 项更改").arg(kEdits.size() - 1)))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("box RecoveryResultBox"))) << out.toStdString();
    ExpectSameFiles(dir, expected);
    // The damaged journal is kept aside, not offered again.
    EXPECT_TRUE(Journals().isEmpty());
    EXPECT_EQ(KeptJournals().size(), 1);
}

TEST_F(RecoveryProcessTest, CorruptRecordStopsTheReplayThere)
{
    const QString expected = NewDataDir(QStringLiteral("expected"));
    Run(expected, With(kEdits.mid(0, 1), {QStringLiteral("save"), QStringLiteral("quit")}));

    const QString dir = NewDataDir(QStringLiteral("crashed"));
    RunAndKill(dir, kEdits.mid(0, 3));
    const QStringList journals = Journals();
    ASSERT_EQ(journals.size(), 1);
    // Flip one byte inside the second entry: its checksum no longer fits.
    QByteArray bytes = ReadFile(journals.first());
    const JournalContents whole = ReadJournal(journals.first());
    ASSERT_EQ(whole.entries.size(), 3u);
    ASSERT_FALSE(whole.damaged);
    // Header frame, then the first entry: skip both by their lengths.
    qsizetype at = 8;
    for (int frame = 0; frame < 2; ++frame)
    {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData() + at);
        at += 8 + (p[0] | (p[1] << 8) | (p[2] << 16) | (p[3] << 24));
    }
    bytes[at + 20] = static_cast<char>(bytes[at + 20] ^ 0x5A);
    ASSERT_TRUE(WriteFile(journals.first(), bytes));
    const JournalContents damaged = ReadJournal(journals.first());
    EXPECT_TRUE(damaged.damaged);
    EXPECT_EQ(damaged.entries.size(), 1u);

    Run(dir, {QStringLiteral("save"), QStringLiteral("quit")},
        QStringLiteral("RecoveryBox=恢复;RecoveryResultBox=确定"));
    ExpectSameFiles(dir, expected);
}

TEST_F(RecoveryProcessTest, DataFileChangedSinceTheCrashIsLeftOut)
{
    // The edits of the item table come back; the monster table was changed by someone else after
    // the crash and keeps that change.
    const QStringList itemEdits = {QStringLiteral("push\tset\titem.txt\t1\t0\t1\t长剑\t短剑"),
                                   QStringLiteral("push\tnew\titem.txt\t新建物品3")};
    const QStringList monsterEdits = {QStringLiteral("push\tset\tmonster.txt\t11\t1\t2\t2\t1")};
    const QString expected = NewDataDir(QStringLiteral("expected"));
    Run(expected, With(itemEdits, {QStringLiteral("save"), QStringLiteral("quit")}));
    const QByteArray theirs =
        Utf16File(QStringLiteral("ID\tName\tItem\r\nINT\tSTRING\tINT\r\n10\tGoblin\t2\r\n"));
    ASSERT_TRUE(WriteFile(QDir(expected).filePath(QStringLiteral("monster.txt")), theirs));

    const QString dir = NewDataDir(QStringLiteral("crashed"));
    RunAndKill(dir, With(monsterEdits, itemEdits));
    ASSERT_TRUE(WriteFile(QDir(dir).filePath(QStringLiteral("monster.txt")), theirs));

    const QString out = Run(dir, {QStringLiteral("save"), QStringLiteral("quit")},
                            QStringLiteral("RecoveryBox=恢复;RecoveryResultBox=确定"));
    EXPECT_TRUE(out.contains(QStringLiteral("这些表此后已在磁盘上被修改，不会恢复到它们上面：怪物")))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("1 项更改属于此后在磁盘上被修改的表"))) << out.toStdString();
    ExpectSameFiles(dir, expected);
    // The changes that were not recovered are kept.
    EXPECT_TRUE(Journals().isEmpty());
    ASSERT_EQ(KeptJournals().size(), 1);
    EXPECT_EQ(ReadJournal(KeptJournals().first()).entries.size(), 3u);
}

TEST_F(RecoveryProcessTest, UnmodifiedTableChangedOnDiskIsReloaded)
{
    const QString dir = NewDataDir(QStringLiteral("data"));
    const QString go = m_root.filePath(QStringLiteral("go"));
    const QByteArray theirs =
        Utf16File(QStringLiteral("ID\tName\tItem\r\nINT\tSTRING\tINT\r\n10\tGoblin\t2\r\n20\tDragon\t1\r\n"));
    auto editor = NewEditor();
    ASSERT_TRUE(editor->Start(dir, {QStringLiteral("push\tset\titem.txt\t1\t0\t1\t长剑\t短剑"),
                                    QStringLiteral("waitfor\t") + go, QStringLiteral("sleep\t1500"),
                                    // An edit of the reloaded table, on its new rows.
                                    QStringLiteral("push\tset\tmonster.txt\t20\t1\t1\tDragon\tWyrm"),
                                    QStringLiteral("save"), QStringLiteral("quit")}));
    ASSERT_TRUE(editor->WaitFor(QStringLiteral("waiting ") + go)) << editor->Output().toStdString();
    ASSERT_TRUE(WriteFile(QDir(dir).filePath(QStringLiteral("monster.txt")), theirs));
    ASSERT_TRUE(WriteFile(go, "go"));
    EXPECT_EQ(editor->Finish(), 0);
    const QString out = editor->Output();
    EXPECT_TRUE(out.contains(QStringLiteral("status: 怪物 已在磁盘上被修改，已重新加载；撤消记录已清除。")))
        << out.toStdString();
    EXPECT_FALSE(out.contains(QStringLiteral("refused"))) << out.toStdString();
    EXPECT_FALSE(out.contains(QStringLiteral("OverwriteBox"))) << out.toStdString();
    EXPECT_EQ(
        ReadFile(QDir(dir).filePath(QStringLiteral("monster.txt"))),
        Utf16File(QStringLiteral("ID\tName\tItem\r\nINT\tSTRING\tINT\r\n10\tGoblin\t2\r\n20\tWyrm\t1\r\n")));
    // The other table kept its unsaved edit through the reload and was saved.
    EXPECT_TRUE(ReadFile(QDir(dir).filePath(QStringLiteral("item.txt")))
                    .contains(Utf16File(QStringLiteral("短剑")).mid(2)));
}

TEST_F(RecoveryProcessTest, ModifiedTableChangedOnDiskIsNeverOverwrittenWithoutTheQuestion)
{
    const QByteArray theirs =
        Utf16File(QStringLiteral("ID\tName\tItem\r\nINT\tSTRING\tINT\r\n10\tGoblin\t2\r\n"));
    const struct
    {
        const char* answer;
        bool overwritten;
    } cases[] = {{"跳过此表", false}, {"覆盖", true}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.answer);
        const QString dir = NewDataDir(QStringLiteral("data-%1").arg(c.overwritten));
        const QString go = m_root.filePath(QStringLiteral("go-%1").arg(c.overwritten));
        auto editor = NewEditor();
        ASSERT_TRUE(editor->Start(
            dir,
            {QStringLiteral("push\tset\tmonster.txt\t11\t1\t2\t2\t1"), QStringLiteral("waitfor\t") + go,
             QStringLiteral("sleep\t1500"), QStringLiteral("save"), QStringLiteral("quit")},
            QStringLiteral("OverwriteBox=%1;SaveChangesBox=不保存(&N)").arg(QString::fromUtf8(c.answer))));
        ASSERT_TRUE(editor->WaitFor(QStringLiteral("waiting ") + go)) << editor->Output().toStdString();
        ASSERT_TRUE(WriteFile(QDir(dir).filePath(QStringLiteral("monster.txt")), theirs));
        ASSERT_TRUE(WriteFile(go, "go"));
        EXPECT_EQ(editor->Finish(), 0);
        const QString out = editor->Output();
        EXPECT_TRUE(out.contains(QStringLiteral("bar: 怪物 已在磁盘上被修改"))) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("box OverwriteBox: 怪物 已在磁盘上被修改。")))
            << out.toStdString();
        const QByteArray now = ReadFile(QDir(dir).filePath(QStringLiteral("monster.txt")));
        if (c.overwritten)
            EXPECT_EQ(now, Utf16File(QStringLiteral("ID\tName\tItem\r\nINT\tSTRING\tINT\r\n10\tGoblin\t1\r\n"
                                                    "11\tOrc\t1\r\n12\tTroll\t-5\r\n")));
        else
            EXPECT_EQ(now, theirs);
    }
}

TEST_F(RecoveryProcessTest, SecondEditorOpensReadOnly)
{
    const QString dir = NewDataDir(QStringLiteral("data"));
    const QString go = m_root.filePath(QStringLiteral("go"));
    auto first = NewEditor();
    ASSERT_TRUE(first->Start(dir, {QStringLiteral("waitfor\t") + go, QStringLiteral("quit")}));
    ASSERT_TRUE(first->WaitFor(QStringLiteral("waiting ") + go));

    auto second = NewEditor();
    ASSERT_TRUE(second->Start(dir,
                              {QStringLiteral("push\tset\titem.txt\t1\t0\t1\t长剑\t短剑"),
                               QStringLiteral("save"), QStringLiteral("quit")},
                              QStringLiteral("LockBox=只读打开")));
    EXPECT_EQ(second->Finish(), 0);
    const QString out = second->Output();
    EXPECT_TRUE(out.contains(QStringLiteral("box LockBox: 数据目录")) &&
                out.contains(QStringLiteral("进程 %1，").arg(first->Pid())))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("refused: push"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("not saved"))) << out.toStdString();
    // Cancel: the second editor does not start at all.
    auto third = NewEditor();
    ASSERT_TRUE(third->Start(dir, {QStringLiteral("quit")}, QStringLiteral("LockBox=取消")));
    EXPECT_EQ(third->Finish(), 0);
    EXPECT_FALSE(third->Output().contains(QStringLiteral("tessel-test: done")));

    ASSERT_TRUE(WriteFile(go, "go"));
    EXPECT_EQ(first->Finish(), 0);
    for (const DataFile& file : SampleDataFiles())
        EXPECT_EQ(ReadFile(QDir(dir).filePath(file.name)), file.bytes) << file.name.toStdString();
    EXPECT_FALSE(QFileInfo::exists(QDir(dir).filePath(QStringLiteral(".tessel.lock"))));
}

TEST_F(RecoveryProcessTest, StaleLockIsTakenOverAndLeftoversGoWithTheNextSave)
{
    const QString dir = NewDataDir(QStringLiteral("data"));
    RunAndKill(dir, kEdits.mid(0, 1));
    ASSERT_TRUE(QFileInfo::exists(QDir(dir).filePath(QStringLiteral(".tessel.lock"))));
    // What a save killed between writing and renaming leaves, and a file that only looks alike.
    ASSERT_TRUE(WriteFile(QDir(dir).filePath(QStringLiteral("item.txt.tessel-a1B2c3")), "partial"));
    ASSERT_TRUE(WriteFile(QDir(dir).filePath(QStringLiteral("item.txt.tessel-notes")), "mine"));
    ASSERT_TRUE(WriteFile(QDir(dir).filePath(QStringLiteral("monster.txt.tessel-Zz9Yy8")), "partial"));

    const QString out =
        Run(dir, {QStringLiteral("save"), QStringLiteral("quit")}, QStringLiteral("RecoveryBox=放弃"));
    EXPECT_FALSE(out.contains(QStringLiteral("LockBox"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("saved"))) << out.toStdString();
    const QStringList left = QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    EXPECT_EQ(left, (QStringList{QStringLiteral("item.txt"), QStringLiteral("item.txt.meta"),
                                 QStringLiteral("item.txt.tessel-notes"), QStringLiteral("monster.txt"),
                                 QStringLiteral("monster.txt.meta"), QStringLiteral("tableList.xml")}));
}

TEST_F(RecoveryProcessTest, GridPasteAndUndoPastASaveAreRecoveredAsAnUninterruptedSave)
{
    const struct
    {
        const char* name;
        QStringList arguments;
        QStringList edits;
        QString itemHas; // in the item table saved at the end
    } cases[] = {
        {"a block pasted in the grid that adds rows",
         {QStringLiteral("--table"), QStringLiteral("item.txt")},
         {QStringLiteral("push\tset\tmonster.txt\t11\t1\t2\t2\t1"),
          QStringLiteral("gridpaste\t1\t1\tAxe\\t3\\nBow\\t4\\nCup\\t5\\n"),
          QStringLiteral("gridpaste\t0\t1\tDagger\\n")},
         QStringLiteral("4\tCup\t5\t")},
        {"an undo past a save, and edits after it",
         {},
         {QStringLiteral("push\tset\titem.txt\t1\t0\t1\t长剑\t短剑"),
          QStringLiteral("push\tnew\tmonster.txt\t新建怪物"), QStringLiteral("save"),
          QStringLiteral("push\tset\titem.txt\t2\t1\t1\tShield\t盾"), QStringLiteral("undo"),
          QStringLiteral("undo"), QStringLiteral("undo"), QStringLiteral("redo"),
          QStringLiteral("push\tnew\tmonster.txt\t新建怪物")},
         QStringLiteral("1\t短剑\t")},
    };
    int n = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        ++n;
        const QString expected = NewDataDir(QStringLiteral("expected-%1").arg(n));
        Run(expected, With(c.edits, {QStringLiteral("save"), QStringLiteral("quit")}), QString(),
            c.arguments);

        const QString dir = NewDataDir(QStringLiteral("crashed-%1").arg(n));
        const QString out = RunAndKill(dir, c.edits, c.arguments);
        ASSERT_EQ(Journals().size(), 1) << out.toStdString();
        for (const JournalEntry& entry : ReadJournal(Journals().first()).entries)
            EXPECT_NE(entry.kind, JournalEntry::Gap) << entry.reason.toStdString();

        const QString recovered =
            Run(dir, {QStringLiteral("save"), QStringLiteral("quit")}, QStringLiteral("RecoveryBox=恢复"));
        EXPECT_TRUE(recovered.contains(QStringLiteral("status: 已恢复"))) << recovered.toStdString();
        EXPECT_TRUE(recovered.contains(QStringLiteral("saved"))) << recovered.toStdString();
        ExpectSameFiles(dir, expected);
        EXPECT_TRUE(ReadFile(QDir(expected).filePath(QStringLiteral("item.txt")))
                        .contains(Utf16File(c.itemHas).mid(2)));
        EXPECT_TRUE(Journals().isEmpty());
        EXPECT_TRUE(KeptJournals().isEmpty());
    }
}

TEST_F(RecoveryProcessTest, ChangesSurvivingAPartlyFailedSaveOrKeptOverAChangedFileAreRecovered)
{
    const QByteArray theirs =
        Utf16File(QStringLiteral("ID\tName\tItem\r\nINT\tSTRING\tINT\r\n10\tGoblin\t2\r\n"));
    const struct
    {
        const char* name;
        QStringList edits;    // "waitfor\tGO" is where the monster table is changed on disk
        QString answers;      // while editing
        QString told;         // said while editing
        QString finalAnswers; // for the last Save of the uninterrupted editor
    } cases[] = {
        {"a save that wrote the item table and failed for the monster table",
         {QStringLiteral("push\tset\titem.txt\t1\t0\t1\t长剑\t短剑"),
          QStringLiteral("push\tset\tmonster.txt\t11\t1\t2\t2\t1"), QStringLiteral("failwrites\tmonster.txt"),
          QStringLiteral("save"), QStringLiteral("failwrites\t"),
          QStringLiteral("push\tset\titem.txt\t2\t1\t1\tShield\t盾"), QStringLiteral("undo"),
          QStringLiteral("undo"), QStringLiteral("push\tnew\tmonster.txt\t新建怪物")},
         QStringLiteral("SaveFailedBox=确定"),
         QStringLiteral("box SaveFailedBox: 有 1 个表未能保存"),
         QString()},
        {"changes kept over a monster table changed on disk",
         {QStringLiteral("push\tset\tmonster.txt\t11\t1\t2\t2\t1"),
          QStringLiteral("push\tset\titem.txt\t1\t0\t1\t长剑\t短剑"), QStringLiteral("waitfor\tGO"),
          QStringLiteral("check"), QStringLiteral("bar\tKeepAction"),
          QStringLiteral("push\tset\tmonster.txt\t12\t2\t1\tTroll\tOgre")},
         QString(),
         QStringLiteral("kept: monster.txt"),
         QStringLiteral("OverwriteBox=覆盖")},
    };
    int n = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        ++n;
        const QString go = m_root.filePath(QStringLiteral("go-%1").arg(n));
        QStringList edits = c.edits;
        edits.replaceInStrings(QStringLiteral("GO"), go);
        // Runs the edits on `dir`, changing the monster file when the script waits for it.
        const auto drive =
            [&](Editor& editor, const QString& dir, const QStringList& lines, const QString& answers)
        {
            EXPECT_TRUE(editor.Start(dir, lines, answers));
            if (edits.contains(QStringLiteral("waitfor\t") + go))
            {
                ASSERT_TRUE(editor.WaitFor(QStringLiteral("waiting ") + go)) << editor.Output().toStdString();
                ASSERT_TRUE(WriteFile(QDir(dir).filePath(QStringLiteral("monster.txt")), theirs));
                ASSERT_TRUE(WriteFile(go, "go"));
            }
        };

        const QString expected = NewDataDir(QStringLiteral("expected-%1").arg(n));
        {
            auto editor = NewEditor();
            drive(*editor, expected, With(edits, {QStringLiteral("save"), QStringLiteral("quit")}),
                  c.answers + QLatin1Char(';') + c.finalAnswers);
            EXPECT_EQ(editor->Finish(), 0) << editor->Output().toStdString();
            EXPECT_TRUE(editor->Output().contains(QStringLiteral("tessel-test: saved")))
                << editor->Output().toStdString();
            QFile::remove(go);
        }

        const QString dir = NewDataDir(QStringLiteral("crashed-%1").arg(n));
        {
            auto editor = NewEditor();
            drive(*editor, dir, edits, c.answers);
            ASSERT_TRUE(editor->WaitFor(QStringLiteral("done"))) << editor->Output().toStdString();
            QThread::msleep(1500); // the journal is written within a second of each change
            editor->Kill();
            EXPECT_TRUE(editor->Output().contains(c.told)) << editor->Output().toStdString();
            EXPECT_FALSE(editor->Output().contains(QStringLiteral("refused")))
                << editor->Output().toStdString();
        }
        ASSERT_EQ(Journals().size(), 1);
        // Nothing of the journal is left out: every table it names is as it knew it.
        const QString out =
            Run(dir, {QStringLiteral("save"), QStringLiteral("quit")},
                QStringLiteral("RecoveryBox=恢复;RecoveryResultBox=确定;OverwriteBox=跳过此表"));
        EXPECT_TRUE(out.contains(QStringLiteral("status: 已恢复"))) << out.toStdString();
        EXPECT_FALSE(out.contains(QStringLiteral("这些表此后已在磁盘上被修改"))) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("tessel-test: saved"))) << out.toStdString();
        ExpectSameFiles(dir, expected);
        EXPECT_TRUE(Journals().isEmpty());
        EXPECT_TRUE(KeptJournals().isEmpty());
    }
}

} // namespace
