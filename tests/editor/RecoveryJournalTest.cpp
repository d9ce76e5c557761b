// The recovery journal and the directory guard inside the real editor (in process): what the
// journal holds after undo and redo, the gap written for an undo past a save, the replay onto
// fresh tables, the bar for a table changed on disk with its two choices, and read-only mode.
#include "ShellTestSupport.h"

#include "editor/DirectoryGuard.h"
#include "editor/RecoveryJournal.h"
#include "editor/resource.h"
#include "base/cpp/file.h"
#include "tool/cellValue.h"
#include "tool/row.h"

#include <cerrno>
#include <cstdio>
#include <map>

#include <QAction>
#include <QDialog>
#include <QTimer>
#include <QLabel>
#include <QLockFile>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>

using namespace shelltest;

namespace
{
class RecoveryJournalTest : public EditorTest
{
protected:
    CTesselDoc* Doc() const { return Frame()->GetActiveDocument(); }
    RecoveryJournal* Journal() const { return Frame()->Guard()->Journal(); }
    tarn::editor::Table* Table(const char16_t* name) const { return TableList::instance()->find(name); }
    tarn::Row* Row(const char16_t* table, int position) const
    {
        return Table(table)->RowAtPosition(position);
    }

    JournalContents Written()
    {
        Journal()->Flush();
        return ReadJournal(Journal()->FilePath());
    }

    // Every file the journal names is as the journal knows it (else recovery would skip its table).
    void ExpectFilesAsOnDisk(const JournalContents& journal) const
    {
        for (const FileIdentity& file : journal.files)
            EXPECT_TRUE(IdentifyFile(Dir(), file.name).SameContent(file)) << file.name.toStdString();
    }

    // Clicks the button of the disk-change bar that carries `action`.
    static void ClickBar(QToolBar* bar, const char* action)
    {
        QAction* wanted = bar->findChild<QAction*>(QString::fromLatin1(action));
        ASSERT_NE(wanted, nullptr);
        auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(wanted));
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }
};

TEST_F(RecoveryJournalTest, StepsForwardAndBackAreWrittenAndReplayToTheSameTables)
{
    ASSERT_TRUE(Start());
    // The rows deleted below are named by links; the question asked first is answered 继续 here
    // (LinksTest tests the question itself).
    Doc()->SetLinkBreakConfirmer([](const QString&, const std::vector<tarn::LinkIndex::Referrer>&) { return true; });
    EXPECT_TRUE(Written().entries.empty());
    EXPECT_FALSE(QFileInfo::exists(Journal()->FilePath())); // nothing until the first change

    ASSERT_TRUE(Doc()->SetCellValue(Row(u"item.txt", 0), 1, u"短剑"));
    ASSERT_NE(Doc()->CreateRow(Table(u"item.txt")), nullptr);
    ASSERT_EQ(Doc()->DeleteRows({Row(u"monster.txt", 2), Row(u"item.txt", 1)}), 2);
    Doc()->Undo();
    Doc()->Undo();
    Doc()->Redo();
    ASSERT_TRUE(Doc()->SetCellValue(Row(u"monster.txt", 1), 2, u"1"));

    const JournalContents journal = Written();
    ASSERT_TRUE(journal.readable);
    EXPECT_FALSE(journal.damaged);
    const struct
    {
        JournalEntry::Kind kind;
        const char16_t* recordKind;
        std::vector<std::u16string> tables;
    } expected[] = {
        {JournalEntry::Forward, u"set", {u"item.txt"}},
        {JournalEntry::Forward, u"new", {u"item.txt"}},
        {JournalEntry::Forward, u"delete", {u"item.txt", u"monster.txt"}},
        {JournalEntry::Back, u"", {}},
        {JournalEntry::Back, u"", {}},
        {JournalEntry::Forward, u"new", {u"item.txt"}},
        {JournalEntry::Forward, u"set", {u"monster.txt"}},
    };
    ASSERT_EQ(journal.entries.size(), std::size(expected));
    for (std::size_t i = 0; i < journal.entries.size(); ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(journal.entries[i].kind, expected[i].kind);
        EXPECT_EQ(journal.entries[i].record.kind, expected[i].recordKind);
        EXPECT_EQ(journal.entries[i].tables, expected[i].tables);
    }
    // The header names every file with its identity at load.
    ASSERT_EQ(journal.files.size(), 5u);
    EXPECT_EQ(journal.files[0].name, QStringLiteral("tableList.xml"));
    EXPECT_EQ(journal.files[1], IdentifyFile(Dir(), QStringLiteral("item.txt")));
    EXPECT_TRUE(Journal()->TableTouched(u"item.txt"));
    EXPECT_TRUE(Journal()->TableTouched(u"monster.txt"));

    // Replayed onto freshly loaded tables, the steps give the same rows.
    std::vector<std::u16string> before;
    for (const char16_t* name : {u"item.txt", u"monster.txt"})
        for (tarn::Row& row : Table(name)->m_rows)
            before.push_back(std::u16string(name) + u":" + row.cells[0]->ToString() + u":" +
                             row.cells[1]->ToString() + u":" + row.cells[2]->ToString());
    Doc()->UndoStack()->clear();
    Doc()->SetCurrentRow(nullptr);
    TableList::replaceInstance(TableList::loadNew());
    Doc()->TablesReloaded();
    const ReplayOutcome outcome = ReplayJournal(Doc(), journal.entries, {});
    EXPECT_EQ(outcome.stoppedAt, -1) << outcome.stopReason.toStdString();
    EXPECT_EQ(outcome.applied, 7);
    std::vector<std::u16string> after;
    for (const char16_t* name : {u"item.txt", u"monster.txt"})
        for (tarn::Row& row : Table(name)->m_rows)
            after.push_back(std::u16string(name) + u":" + row.cells[0]->ToString() + u":" +
                            row.cells[1]->ToString() + u":" + row.cells[2]->ToString());
    EXPECT_EQ(after, before);
}

TEST_F(RecoveryJournalTest, ReplayLeavesOutSkippedTablesAndStopsWhereAStepDoesNotFit)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Doc()->SetCellValue(Row(u"item.txt", 0), 1, u"短剑"));
    ASSERT_TRUE(Doc()->SetCellValue(Row(u"monster.txt", 0), 1, u"Imp"));
    Doc()->Undo();
    Doc()->Undo();
    Doc()->Redo();
    Doc()->Redo();
    // A complete save ends the journal; undoing back past it writes the table the undone step
    // touched whole, as its record is not in the journal.
    ASSERT_TRUE(Frame()->OnSaveAllTables());
    EXPECT_FALSE(QFileInfo::exists(Journal()->FilePath()));
    ASSERT_TRUE(Doc()->SetCellValue(Row(u"item.txt", 1), 1, u"盾"));
    Doc()->Undo();
    Doc()->Undo(); // past the save
    const JournalContents journal = Written();
    ASSERT_EQ(journal.entries.size(), 3u);
    EXPECT_EQ(journal.entries[2].kind, JournalEntry::Forward);
    EXPECT_EQ(journal.entries[2].record.kind, u"snapshot");
    EXPECT_EQ(journal.entries[2].tables, std::vector<std::u16string>{u"monster.txt"});
    EXPECT_TRUE(Journal()->TableTouched(u"monster.txt")); // it differs from its file now

    // A replay: steps of a skipped table are left out, redo and undo of them too.
    std::vector<JournalEntry> entries(3);
    entries[0].kind = JournalEntry::Forward;
    entries[0].tables = {u"monster.txt"};
    // (The undo past the save took "Imp" back to "Goblin".)
    ASSERT_EQ(Row(u"monster.txt", 0)->cells[1]->ToString(), std::u16string(u"Goblin"));
    entries[0].record = {u"set", {u"monster.txt", u"10", u"0", u"1", u"Goblin", u"Gnome"}};
    entries[1].kind = JournalEntry::Back;
    entries[2] = entries[0];
    Doc()->UndoStack()->clear();
    ReplayOutcome outcome = ReplayJournal(Doc(), entries, {u"monster.txt"});
    EXPECT_EQ(outcome.applied, 0);
    EXPECT_EQ(outcome.skipped, 3);
    EXPECT_EQ(Row(u"monster.txt", 0)->cells[1]->ToString(), std::u16string(u"Goblin"));
    outcome = ReplayJournal(Doc(), entries, {});
    EXPECT_EQ(outcome.applied, 3);
    EXPECT_EQ(Row(u"monster.txt", 0)->cells[1]->ToString(), std::u16string(u"Gnome"));
    // A step that does not fit the tables (no row with that id there) stops the replay there.
    entries[0].record.fields[1] = u"99";
    outcome = ReplayJournal(Doc(), {entries[0]}, {});
    EXPECT_EQ(outcome.stoppedAt, 0);
    EXPECT_EQ(outcome.applied, 0);
}

TEST_F(RecoveryJournalTest, DamageIsFoundAtTheFirstBadRecord)
{
    ASSERT_TRUE(Start());
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(
            Doc()->SetCellValue(Row(u"item.txt", 0), 2, std::u16string(1, static_cast<char16_t>(u'5' + i))));
    Journal()->Flush();
    const QByteArray bytes = ReadFile(Journal()->FilePath());
    ASSERT_EQ(ReadJournal(Journal()->FilePath()).entries.size(), 3u);
    const QString copy = Path(QStringLiteral("copy.tsj"));
    // Cut anywhere inside the last entry: the first two stay.
    const qsizetype lastFrame = bytes.size() - EncodeJournalEntry({u"F", u"0", u"1", u"item.txt", u"set",
                                                                   u"item.txt", u"1", u"0", u"2", u"6", u"7"})
                                                   .size();
    for (qsizetype cut : {qsizetype(1), qsizetype(4), qsizetype(9), bytes.size() - lastFrame - 1})
    {
        SCOPED_TRACE(cut);
        ASSERT_TRUE(WriteFile(copy, bytes.left(bytes.size() - cut)));
        const JournalContents read = ReadJournal(copy);
        EXPECT_TRUE(read.readable);
        EXPECT_TRUE(read.damaged);
        EXPECT_EQ(read.entries.size(), 2u);
    }
    // A wrong header is no journal at all.
    QByteArray wrong = bytes;
    wrong[10] = static_cast<char>(wrong[10] ^ 1);
    ASSERT_TRUE(WriteFile(copy, wrong));
    EXPECT_FALSE(ReadJournal(copy).readable);
}

TEST_F(RecoveryJournalTest, BarForAChangedTableWithUnsavedChanges)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Doc()->SetCellValue(Row(u"monster.txt", 0), 1, u"Imp"));
    ASSERT_TRUE(Doc()->SetCellValue(Row(u"item.txt", 0), 1, u"短剑"));
    const QByteArray theirs =
        Utf16File(QStringLiteral("ID\tName\tItem\r\nINT\tSTRING\tINT\r\n10\tGoblin\t2\r\n"));
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("monster.txt")), theirs));
    Frame()->CheckDataOnDisk();
    QToolBar* bar = Frame()->Guard()->DiskChangeBar();
    ASSERT_NE(bar, nullptr);
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->findChild<QLabel*>()->text(), QStringLiteral("怪物 已在磁盘上被修改"));
    // Nothing was reloaded yet.
    EXPECT_EQ(Table(u"monster.txt")->m_rows.size(), 3);

    // 保留我的更改: the bar goes and is not shown again for that version of the file.
    ClickBar(bar, "KeepAction");
    EXPECT_FALSE(bar->isVisible());
    Frame()->CheckDataOnDisk();
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(Table(u"monster.txt")->m_rows.size(), 3);

    // Another change: the bar again; 重新加载 reads the file, clears the history, and keeps the
    // other table's unsaved change.
    ASSERT_TRUE(
        WriteFile(Path(QStringLiteral("monster.txt")),
                  Utf16File(QStringLiteral("ID\tName\tItem\r\nINT\tSTRING\tINT\r\n10\tGoblin\t1\r\n"))));
    Frame()->CheckDataOnDisk();
    ASSERT_TRUE(bar->isVisible());
    ClickBar(bar, "ReloadAction");
    EXPECT_FALSE(bar->isVisible());
    ASSERT_EQ(Table(u"monster.txt")->m_rows.size(), 1);
    EXPECT_EQ(Row(u"monster.txt", 0)->cells[2]->ToString(), std::u16string(u"1"));
    EXPECT_EQ(Row(u"item.txt", 0)->cells[1]->ToString(), std::u16string(u"短剑"));
    EXPECT_EQ(Doc()->UndoStack()->count(), 0);
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_FALSE(Journal()->TableTouched(u"monster.txt"));
    EXPECT_TRUE(Journal()->TableTouched(u"item.txt"));
    // The journal was rewritten to replay from the files as they are now.
    const JournalContents journal = Written();
    ASSERT_EQ(journal.entries.size(), 1u);
    EXPECT_EQ(journal.entries[0].tables, std::vector<std::u16string>{u"item.txt"});
    EXPECT_EQ(journal.files[3], IdentifyFile(Dir(), QStringLiteral("monster.txt")));
}

TEST_F(RecoveryJournalTest, ReadOnlyWhileAnotherEditorHoldsTheLock)
{
    QLockFile other(Path(QStringLiteral(".tessel.lock")));
    ASSERT_TRUE(other.tryLock(0));
    // The lock is held by this very process, which is alive: not stale.
    ModalAnswer<QMessageBox> answer(
        [](QMessageBox* box)
        {
            EXPECT_EQ(box->objectName(), QStringLiteral("LockBox"));
            EXPECT_TRUE(box->informativeText().contains(QString::number(QCoreApplication::applicationPid())));
            for (QAbstractButton* button : box->buttons())
                if (button->text() == QStringLiteral("只读打开"))
                    button->click();
        });
    ASSERT_TRUE(Start());
    EXPECT_TRUE(answer.answered());
    EXPECT_TRUE(Frame()->Guard()->ReadOnly());
    EXPECT_EQ(Frame()->Guard()->Journal(), nullptr);
    EXPECT_FALSE(Doc()->SetCellValue(Row(u"item.txt", 0), 1, u"短剑"));
    EXPECT_EQ(Doc()->CreateRow(Table(u"item.txt")), nullptr);
    EXPECT_EQ(Doc()->DeleteRows({Row(u"item.txt", 0)}), 0);
    for (int id : {ID_FILE_SAVE, ID_FILE_SAVE_MENU, ID_FILE_NEW, ID_EDIT_PASTE, ID_EDIT_CLEAR, ID_EDIT_CUT})
        EXPECT_FALSE(Frame()->Commands().execute(id)) << id;
    EXPECT_FALSE(Frame()->OnSaveAllTables());
    for (const DataFile& file : SampleDataFiles())
        EXPECT_EQ(ReadFile(Path(file.name)), file.bytes);
}
} // namespace

namespace
{
TEST_F(RecoveryJournalTest, OpeningADirectoryMovesTheLockAndEndsTheJournal)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Doc()->SetCellValue(Row(u"item.txt", 0), 1, u"短剑"));
    const QString oldJournal = Journal()->FilePath();
    Journal()->Flush();
    ASSERT_TRUE(QFileInfo::exists(oldJournal));
    const QString lock = Path(QStringLiteral(".tessel.lock"));
    ASSERT_TRUE(QFileInfo::exists(lock));

    // The open directory again: its own lock is no obstacle (no question at all).
    {
        ModalAnswer<QMessageBox> discard([](QMessageBox* box)
                                         { box->button(QMessageBox::Discard)->click(); });
        ASSERT_TRUE(Frame()->OpenDataDirectory(Dir()));
        EXPECT_TRUE(discard.answered()); // only the question about the unsaved change
        EXPECT_FALSE(discard.closedOther());
    }
    EXPECT_FALSE(Frame()->Guard()->ReadOnly());
    EXPECT_TRUE(QFileInfo::exists(lock));
    QLockFile other(lock);
    EXPECT_FALSE(other.tryLock(0));
    // Discarded: the journal of those changes is gone.
    EXPECT_FALSE(QFileInfo::exists(oldJournal));

    // Another directory: the lock goes with it.
    QTemporaryDir second;
    ASSERT_TRUE(second.isValid());
    for (const DataFile& file : SampleDataFiles())
        ASSERT_TRUE(WriteFile(QDir(second.path()).filePath(file.name), file.bytes));
    ASSERT_TRUE(Frame()->OpenDataDirectory(second.path()));
    EXPECT_FALSE(QFileInfo::exists(lock));
    EXPECT_TRUE(QFileInfo::exists(QDir(second.path()).filePath(QStringLiteral(".tessel.lock"))));
    EXPECT_EQ(RecoveryJournal::FolderFor(second.path()), QFileInfo(Journal()->FilePath()).absolutePath());
}
} // namespace

namespace
{
TEST_F(RecoveryJournalTest, MetaAndTableListChangesOnDiskReloadUnmodifiedData)
{
    ASSERT_TRUE(Start());
    QSignalSpy reloaded(Doc(), &CTesselDoc::tablesReloaded);
    // A .meta file rewritten (a column renamed): the table is read again with it.
    QByteArray meta = ReadFile(Path(QStringLiteral("monster.txt.meta")));
    meta.replace("Name=\"Item\"", "Name=\"Loot\"");
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("monster.txt.meta")), meta));
    Frame()->CheckDataOnDisk();
    EXPECT_EQ(reloaded.count(), 1);
    EXPECT_EQ(QString::fromUtf16(Table(u"monster.txt")->m_fields[2].m_name.c_str()), QStringLiteral("Loot"));
    EXPECT_FALSE(Doc()->IsModified());
    EXPECT_TRUE(Frame()->statusBar()->currentMessage().contains(QStringLiteral("已重新加载")));

    // tableList.xml without the monster table, while nothing is unsaved: everything is read again.
    QByteArray list = ReadFile(Path(QStringLiteral("tableList.xml")));
    const qsizetype at = list.indexOf("\t<Table FileName=\"monster.txt\"");
    ASSERT_GE(at, 0);
    list.remove(at, list.indexOf('\n', at) + 1 - at);
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("tableList.xml")), list));
    Frame()->CheckDataOnDisk();
    EXPECT_EQ(reloaded.count(), 2);
    EXPECT_EQ(TableList::instance()->count(), 1);
    EXPECT_EQ(Table(u"monster.txt"), nullptr);

    // With an unsaved change, a change of the list only raises the bar.
    ASSERT_TRUE(Doc()->SetCellValue(Row(u"item.txt", 0), 1, u"短剑"));
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("tableList.xml")),
                          ReadFile(Path(QStringLiteral("tableList.xml"))) + "\n"));
    Frame()->CheckDataOnDisk();
    EXPECT_EQ(reloaded.count(), 2);
    ASSERT_NE(Frame()->Guard()->DiskChangeBar(), nullptr);
    EXPECT_TRUE(Frame()->Guard()->DiskChangeBar()->isVisible());
    EXPECT_EQ(Row(u"item.txt", 0)->cells[1]->ToString(), std::u16string(u"短剑"));
}
} // namespace

namespace
{
// Every write to a file whose name contains "monster.txt" fails as on a full disk; the others
// are written. Works as root too, where permissions do not stop a write.
bool MonsterDiskFull(scl::File::Operation operation, const scl::File& file, std::size_t)
{
    if (operation != scl::File::Operation::Write || file.Stream() == nullptr)
        return true;
    const QString link = QStringLiteral("/proc/self/fd/%1").arg(fileno(file.Stream()));
    if (!QFileInfo(link).symLinkTarget().contains(QStringLiteral("monster.txt")))
        return true;
    errno = ENOSPC;
    return false;
}

class RecoveryCheckpointTest : public RecoveryJournalTest
{
public:
    // For the table of cases.
    using RecoveryJournalTest::Doc;
    using RecoveryJournalTest::Frame;
    using RecoveryJournalTest::Row;
    using RecoveryJournalTest::Table;

protected:
    void TearDown() override
    {
        scl::File::s_faultHook = nullptr;
        RecoveryJournalTest::TearDown();
    }

    // Someone rewrites the monster table to one row while it has unsaved changes; the user
    // answers the bar with `action` ("ReloadAction" or "KeepAction").
    void ChangeMonsterOnDiskAndAnswer(const char* action)
    {
        ASSERT_TRUE(WriteFile(
            Path(QStringLiteral("monster.txt")),
            Utf16File(QStringLiteral("ID\tName\tItem\r\nINT\tSTRING\tINT\r\n10\tGoblin\t2\r\n"))));
        Frame()->CheckDataOnDisk();
        QToolBar* bar = Frame()->Guard()->DiskChangeBar();
        ASSERT_NE(bar, nullptr);
        ASSERT_TRUE(bar->isVisible());
        ClickBar(bar, action);
    }

    std::map<QString, QByteArray> Files() const
    {
        std::map<QString, QByteArray> files;
        for (const QString& name : DataFileNames())
            files[name] = ReadFile(Path(name));
        return files;
    }

    // The process dies now: the journal as written and the files as on disk are what the next
    // start finds. The files an uninterrupted Save writes now must be what the next start
    // writes after replaying the journal onto the files it finds and saving.
    void ExpectRecoveredAsSaved(int expectedSteps)
    {
        const JournalContents journal = Written();
        ASSERT_TRUE(journal.readable);
        ASSERT_FALSE(journal.damaged);
        const std::map<QString, QByteArray> atCrash = Files();
        {
            // A file changed on disk since it was read: overwritten, as the user chose.
            ModalAnswer<QMessageBox> overwrite(
                [](QMessageBox* box)
                {
                    for (QAbstractButton* button : box->buttons())
                        if (button->text() == QStringLiteral("覆盖"))
                            button->click();
                },
                300);
            ASSERT_TRUE(Frame()->OnSaveAllTables());
        }
        const std::map<QString, QByteArray> saved = Files();
        for (const auto& [name, bytes] : atCrash)
            ASSERT_TRUE(WriteFile(Path(name), bytes));

        // Every table the journal replays onto is unchanged since (the recovery would skip it).
        ExpectFilesAsOnDisk(journal);
        Doc()->UndoStack()->clear();
        Doc()->SetCurrentRow(nullptr);
        TableList::replaceInstance(TableList::loadNew());
        Doc()->TablesReloaded();
        const ReplayOutcome outcome = ReplayJournal(Doc(), journal.entries, {});
        EXPECT_EQ(outcome.stoppedAt, -1) << outcome.stopReason.toStdString();
        EXPECT_EQ(outcome.applied, expectedSteps);
        TableList* list = TableList::instance();
        for (int i = 0; i < list->count(); ++i)
            ASSERT_TRUE(list->at(i)->Save());
        for (const auto& [name, bytes] : saved)
            EXPECT_EQ(ReadFile(Path(name)), bytes) << name.toStdString();
        Doc()->UndoStack()->clear();
        Doc()->SetModifiedFlag(false);
        Journal()->End(); // nothing left for the next start
    }
};

// A step without a record of its own (none of the document's commands is one; a command added
// later might be): it sets a cell and tells the document.
class UnrecordedSetCell : public QUndoCommand
{
public:
    UnrecordedSetCell(CTesselDoc* document, tarn::Row* row, int field, std::u16string text)
        : m_document(document), m_row(row), m_field(field), m_new(std::move(text)),
          m_old(tarn::ExactValueText(*row->cells[field]))
    {
    }
    void redo() override { Set(m_new); }
    void undo() override { Set(m_old); }

private:
    void Set(const std::u16string& text)
    {
        tarn::SetExactValueText(*m_row->cells[m_field], text);
        m_document->NotifyCellChanged(m_row, m_field);
    }
    CTesselDoc* m_document;
    tarn::Row* m_row;
    int m_field;
    std::u16string m_new;
    std::u16string m_old;
};

TEST_F(RecoveryCheckpointTest, StepsTheJournalCannotWriteAsThemselvesAreRecoveredWhole)
{
    const struct
    {
        const char* name;
        std::function<void(RecoveryCheckpointTest&)> edits;
        int steps; // replayed
    } cases[] = {
        {"undo past a save, then a new step",
         [](RecoveryCheckpointTest& t)
         {
             ASSERT_TRUE(t.Doc()->SetCellValue(t.Row(u"item.txt", 0), 1, u"短剑"));
             ASSERT_NE(t.Doc()->CreateRow(t.Table(u"monster.txt")), nullptr);
             ASSERT_TRUE(t.Frame()->OnSaveAllTables());
             ASSERT_TRUE(t.Doc()->SetCellValue(t.Row(u"item.txt", 1), 1, u"盾"));
             t.Doc()->Undo();
             t.Doc()->Undo(); // the new monster, saved: out again
             t.Doc()->Undo(); // 短剑, saved: back to 长剑
             ASSERT_NE(t.Doc()->CreateRow(t.Table(u"monster.txt")), nullptr); // the same id again
         },
         5},
        {"undo past a save, then redo and undo within the journal",
         [](RecoveryCheckpointTest& t)
         {
             ASSERT_TRUE(t.Doc()->SetCellValue(t.Row(u"monster.txt", 1), 2, u"1"));
             ASSERT_TRUE(t.Frame()->OnSaveAllTables());
             ASSERT_TRUE(t.Doc()->SetCellValue(t.Row(u"item.txt", 0), 2, u"9"));
             t.Doc()->Undo();
             t.Doc()->Undo(); // past the save
             t.Doc()->Redo(); // the saved step again
             t.Doc()->Redo(); // the journalled one
             t.Doc()->Undo();
         },
         6},
        {"a step without a record",
         [](RecoveryCheckpointTest& t)
         {
             ASSERT_TRUE(t.Doc()->SetCellValue(t.Row(u"item.txt", 0), 1, u"短剑"));
             t.Doc()->UndoStack()->push(new UnrecordedSetCell(t.Doc(), t.Row(u"monster.txt", 0), 1, u"Imp"));
             ASSERT_TRUE(t.Doc()->SetCellValue(t.Row(u"monster.txt", 0), 2, u"2"));
             ASSERT_TRUE(t.Doc()->SetCellValue(t.Row(u"item.txt", 1), 1, u"盾"));
             t.Doc()->Undo();
         },
         5},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        for (const DataFile& file : SampleDataFiles())
            ASSERT_TRUE(WriteFile(Path(file.name), file.bytes));
        ASSERT_TRUE(Start());
        Doc()->SetLinkBreakConfirmer([](const QString&, const std::vector<tarn::LinkIndex::Referrer>&)
                                     { return true; });
        c.edits(*this);
        if (HasFatalFailure())
            return;
        EXPECT_FALSE(Journal()->TableTouched(u"no-such.txt"));
        for (const JournalEntry& entry : Written().entries)
            EXPECT_NE(entry.kind, JournalEntry::Gap) << entry.reason.toStdString();
        ExpectRecoveredAsSaved(c.steps);
        Stop();
    }
}

TEST_F(RecoveryCheckpointTest, TableReadAgainAfterAStepThatChangedItWithAnother)
{
    ASSERT_TRUE(Start());
    Doc()->SetLinkBreakConfirmer([](const QString&, const std::vector<tarn::LinkIndex::Referrer>&)
                                 { return true; });
    ASSERT_EQ(Doc()->DeleteRows({Row(u"monster.txt", 2), Row(u"item.txt", 1)}), 2);
    ASSERT_TRUE(Doc()->SetCellValue(Row(u"item.txt", 0), 1, u"短剑"));
    ASSERT_TRUE(Doc()->SetCellValue(Row(u"monster.txt", 0), 1, u"Imp"));
    // The monster table changes on disk; the user lets it be read again.
    ChangeMonsterOnDiskAndAnswer("ReloadAction");
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(Table(u"monster.txt")->m_rows.size(), 1);
    EXPECT_TRUE(Journal()->TableTouched(u"item.txt"));
    EXPECT_FALSE(Journal()->TableTouched(u"monster.txt"));
    // The item table's part of the delete cannot be replayed without the monster table's: the
    // item table is in the journal whole, against the monster table's new identity.
    const JournalContents journal = Written();
    ASSERT_EQ(journal.entries.size(), 1u);
    EXPECT_EQ(journal.entries[0].record.kind, u"snapshot");
    EXPECT_EQ(journal.entries[0].tables, std::vector<std::u16string>{u"item.txt"});
    // A later step goes on top.
    ASSERT_TRUE(Doc()->SetCellValue(Row(u"monster.txt", 0), 1, u"Imp"));
    ExpectRecoveredAsSaved(2);
}

TEST_F(RecoveryCheckpointTest, PartlyFailedSaveMakesTheSavedTablesTheBase)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Doc()->SetCellValue(Row(u"item.txt", 0), 1, u"短剑"));
    ASSERT_TRUE(Doc()->SetCellValue(Row(u"monster.txt", 0), 1, u"Imp"));
    ASSERT_NE(Doc()->CreateRow(Table(u"item.txt")), nullptr);
    const QByteArray monster = ReadFile(Path(QStringLiteral("monster.txt")));
    scl::File::s_faultHook = MonsterDiskFull;
    {
        ModalAnswer<QMessageBox> failed([](QMessageBox* box) { box->accept(); });
        EXPECT_FALSE(Frame()->OnSaveAllTables());
        EXPECT_TRUE(failed.answered());
    }
    scl::File::s_faultHook = nullptr;
    ASSERT_EQ(ReadFile(Path(QStringLiteral("monster.txt"))), monster);
    const QByteArray item = ReadFile(Path(QStringLiteral("item.txt")));
    ASSERT_NE(item, SampleDataFiles()[3].bytes);
    // The journal knows the item table by what the save wrote, and holds only the monster table.
    const JournalContents journal = Written();
    ExpectFilesAsOnDisk(journal);
    ASSERT_EQ(journal.entries.size(), 1u);
    EXPECT_EQ(journal.entries[0].tables, std::vector<std::u16string>{u"monster.txt"});
    EXPECT_FALSE(Journal()->TableTouched(u"item.txt"));
    // Undoing a step the save wrote, and a new one.
    Doc()->Undo();
    ASSERT_TRUE(Doc()->SetCellValue(Row(u"monster.txt", 1), 2, u"1"));
    ExpectRecoveredAsSaved(3);
}

TEST_F(RecoveryCheckpointTest, ChangesKeptOverAFileChangedOnDiskAreRecoveredOntoIt)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Doc()->SetCellValue(Row(u"monster.txt", 0), 1, u"Imp"));
    ASSERT_TRUE(Doc()->SetCellValue(Row(u"item.txt", 0), 1, u"短剑"));
    ChangeMonsterOnDiskAndAnswer("KeepAction");
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(Table(u"monster.txt")->m_rows.size(), 3);
    // The journal replays onto the monster file as it is now.
    const JournalContents journal = Written();
    ExpectFilesAsOnDisk(journal);
    EXPECT_TRUE(Journal()->TableTouched(u"monster.txt"));
    ASSERT_TRUE(Doc()->SetCellValue(Row(u"monster.txt", 2), 1, u"Ogre"));
    ExpectRecoveredAsSaved(3);
}

TEST_F(RecoveryJournalTest, ChangesOnDiskWaitForAnOpenDialog)
{
    const struct
    {
        const char* name;
        bool unsaved;
    } cases[] = {{"no unsaved changes: read again", false}, {"unsaved changes: the bar", true}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        for (const DataFile& file : SampleDataFiles())
            ASSERT_TRUE(WriteFile(Path(file.name), file.bytes));
        ASSERT_TRUE(Start());
        if (c.unsaved)
        {
            ASSERT_TRUE(Doc()->SetCellValue(Row(u"monster.txt", 0), 1, u"Imp"));
        }
        int rowsWhileOpen = -1;
        bool barWhileOpen = true;
        {
            QDialog dialog(Frame()); // goes before the frame that is its parent
            QTimer::singleShot(
                0, &dialog,
                [&]()
                {
                    ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
                    ASSERT_TRUE(WriteFile(Path(QStringLiteral("monster.txt")),
                                          Utf16File(QStringLiteral(
                                              "ID\tName\tItem\r\nINT\tSTRING\tINT\r\n10\tGoblin\t2\r\n"))));
                    Frame()->CheckDataOnDisk();
                    QTest::qWait(500); // the watcher and the retry timer run meanwhile
                    rowsWhileOpen = Table(u"monster.txt")->m_rows.size();
                    QToolBar* bar = Frame()->Guard()->DiskChangeBar();
                    barWhileOpen = bar != nullptr && bar->isVisible();
                    dialog.accept();
                });
            dialog.exec();
        }
        EXPECT_EQ(rowsWhileOpen, 3);
        EXPECT_FALSE(barWhileOpen);
        if (c.unsaved)
        {
            EXPECT_TRUE(QTest::qWaitFor(
                [this]()
                {
                    QToolBar* bar = Frame()->Guard()->DiskChangeBar();
                    return bar != nullptr && bar->isVisible();
                },
                5000));
            EXPECT_EQ(Table(u"monster.txt")->m_rows.size(), 3);
        }
        else
            EXPECT_TRUE(
                QTest::qWaitFor([this]() { return Table(u"monster.txt")->m_rows.size() == 1; }, 5000));
        Doc()->SetModifiedFlag(false);
        Journal()->End();
        Stop();
    }
}
} // namespace
