#include "editor/DirectoryGuard.h"

#include "editor/CommandRouter.h"
#include "editor/TestHooks.h"
#include "editor/TesselDoc.h"
#include "editor/resource.h"
#include "tool/tables.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLockFile>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QToolBar>
#include <QUndoStack>

namespace
{
const QString kTableList = QStringLiteral("tableList.xml");
constexpr int kCheckDelayMs = 200;
constexpr int kStatusMs = 15000;

QString Time(const QDateTime& time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The data file a watched file belongs to (itself for a data file, tableList.xml for the list).
QString TableOfFile(const QString& name)
{
    return name.endsWith(QStringLiteral(".meta")) ? name.chopped(5) : name;
}

QMessageBox* NewBox(QMessageBox::Icon icon, const QString& name, const QString& text, QWidget* parent)
{
    auto* box = new QMessageBox(icon, QStringLiteral("Tessel"), text, QMessageBox::NoButton, parent);
    box->setObjectName(name);
    return box;
}
} // namespace

DirectoryGuard::DirectoryGuard(QMainWindow* frame, CommandRouter* commands, CTesselDoc* document)
    : QObject(frame), m_frame(frame), m_commands(commands), m_document(document)
{
    m_checkTimer.setSingleShot(true);
    m_checkTimer.setInterval(kCheckDelayMs);
    connect(&m_checkTimer, &QTimer::timeout, this, &DirectoryGuard::CheckDisk);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, [this]() { m_checkTimer.start(); });
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this]() { m_checkTimer.start(); });
    m_frame->installEventFilter(this);
}

DirectoryGuard::~DirectoryGuard()
{
    if (m_frame != nullptr)
        m_frame->removeEventFilter(this);
    // Without unsaved changes there is nothing to recover; with them (the window went without
    // being closed) the journal stays for the next start.
    if (m_journal && !m_document->IsModified())
        m_journal->End();
}

bool DirectoryGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_frame && event->type() == QEvent::WindowActivate && !m_directory.isEmpty())
        m_checkTimer.start();
    return QObject::eventFilter(watched, event);
}

// ---- Lock ----------------------------------------------------------------------------------------

bool DirectoryGuard::AcquireLock(const QString& directory)
{
    // The directory open now, opened again: its lock is already ours.
    if (m_lock && QFileInfo(directory).canonicalFilePath() == QFileInfo(m_directory).canonicalFilePath())
    {
        m_pendingLock = std::move(m_lock);
        m_pendingReadOnly = false;
        return true;
    }
    const QString path = QDir(directory).filePath(LockFileName());
    auto lock = std::make_unique<QLockFile>(path);
    // Never stale by age: only a lock whose process is gone is taken over.
    lock->setStaleLockTime(0);
    m_pendingReadOnly = false;
    if (lock->tryLock(0))
    {
        m_pendingLock = std::move(lock);
        return true;
    }
    if (lock->error() != QLockFile::LockFailedError)
    {
        // The directory cannot hold a lock file (it is write-protected): nobody can save there
        // anyway, and nobody else can lock it either.
        m_pendingLock.reset();
        return true;
    }
    qint64 pid = 0;
    QString host;
    QString application;
    lock->getLockInfo(&pid, &host, &application);
    const QDateTime since = QFileInfo(path).lastModified();
    std::unique_ptr<QMessageBox> box(NewBox(
        QMessageBox::Warning, QStringLiteral("LockBox"),
        QStringLiteral("数据目录 %1 正由另一个 Tessel 编辑。").arg(QDir::toNativeSeparators(directory)),
        m_frame));
    box->setInformativeText(QStringLiteral("主机 %1，进程 %2，自 %3 起。\n只读打开时不能编辑，也不能保存。")
                                .arg(host.isEmpty() ? QStringLiteral("?") : host)
                                .arg(pid)
                                .arg(Time(since)));
    QPushButton* readOnly = box->addButton(QStringLiteral("只读打开"), QMessageBox::AcceptRole);
    QPushButton* cancel = box->addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box->setDefaultButton(readOnly);
    box->setEscapeButton(cancel);
    if (AskUser(*box) != readOnly)
        return false;
    m_pendingLock.reset();
    m_pendingReadOnly = true;
    return true;
}

void DirectoryGuard::SetReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    m_document->SetReadOnly(readOnly);
    QList<int> blocked;
    if (readOnly)
        blocked = {ID_FILE_SAVE, ID_FILE_SAVE_MENU, ID_FILE_NEW,   ID_NEW_ROW,   ID_EDIT_UNDO,
                   ID_EDIT_REDO, ID_EDIT_CUT,       ID_EDIT_PASTE, ID_EDIT_CLEAR};
    m_commands->setBlocked(blocked);
    if (readOnly)
    {
        const QString text = QStringLiteral("只读：另一个 Tessel 正在编辑此数据目录");
        if (QStatusBar* bar = m_frame->statusBar())
            bar->showMessage(text);
        TestLog(QStringLiteral("status: %1").arg(text));
    }
}

// ---- Opening and closing -------------------------------------------------------------------------

void DirectoryGuard::Opened(const QString& directory)
{
    // The former directory's changes were saved or discarded before another was opened.
    if (m_journal)
    {
        m_journal->End();
        m_journal.reset();
    }
    m_lock = std::move(m_pendingLock);
    m_directory = directory;
    m_known.clear();
    m_dismissed.clear();
    m_barQueue.clear();
    if (m_bar != nullptr)
        m_bar->hide();
    SetReadOnly(m_pendingReadOnly);
    RememberAll();
    Watch();
    if (m_readOnly)
        return; // the editor holding the lock owns the journals
    m_journal = std::make_unique<RecoveryJournal>(m_document, m_directory);
    OfferRecovery();
}

void DirectoryGuard::Closing()
{
    if (m_journal)
    {
        m_journal->End();
        m_journal.reset();
    }
    m_lock.reset(); // removes the lock file
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    m_directory.clear();
}

void DirectoryGuard::FlushJournal()
{
    if (m_journal)
        m_journal->Flush();
}

// ---- Recovery ------------------------------------------------------------------------------------

void DirectoryGuard::OfferRecovery()
{
    const QString folder = RecoveryJournal::FolderFor(m_directory);
    for (const QString& path : RecoveryJournal::JournalsIn(folder))
    {
        if (path == m_journal->FilePath())
            continue;
        const JournalContents contents = ReadJournal(path);
        if (!contents.readable || (contents.entries.empty() && !contents.damaged))
        {
            // Nothing in it can be replayed: the process ended before a step reached the disk.
            QFile::remove(path);
            continue;
        }
        QStringList changedTables;
        bool listChanged = false;
        for (const FileIdentity& file : contents.files)
        {
            if (IdentifyFile(m_directory, file.name).SameContent(file))
                continue;
            if (file.name == kTableList)
                listChanged = true;
            else if (!changedTables.contains(TableOfFile(file.name)))
                changedTables << TableOfFile(file.name);
        }
        const QDateTime last = contents.entries.empty()
                                   ? contents.started
                                   : QDateTime::fromMSecsSinceEpoch(contents.entries.back().timeMs);
        std::unique_ptr<QMessageBox> box(
            NewBox(QMessageBox::Question, QStringLiteral("RecoveryBox"),
                   QStringLiteral("上次编辑留下了 %1 项未保存的更改（%2 至 %3）。要恢复它们吗?")
                       .arg(contents.entries.size())
                       .arg(Time(contents.started), Time(last)),
                   m_frame));
        QStringList notes;
        if (!changedTables.isEmpty())
        {
            QStringList labels;
            for (const QString& table : changedTables)
                labels << LabelOf(table);
            notes << QStringLiteral("这些表此后已在磁盘上被修改，不会恢复到它们上面：%1")
                         .arg(labels.join(QStringLiteral("、")));
        }
        if (listChanged)
            notes << QStringLiteral("tableList.xml 此后已被修改。");
        if (contents.damaged)
            notes
                << QStringLiteral("恢复日志已损坏，只能恢复其中前 %1 项更改。").arg(contents.entries.size());
        notes << QStringLiteral("恢复：重做这些更改，在您保存之前不写入数据文件。放弃：删除这些更改。"
                                "稍后：保留它们，下次打开此目录时再问。");
        box->setInformativeText(notes.join(QLatin1Char('\n')));
        QPushButton* recover = box->addButton(QStringLiteral("恢复"), QMessageBox::AcceptRole);
        QPushButton* discard = box->addButton(QStringLiteral("放弃"), QMessageBox::DestructiveRole);
        QPushButton* later = box->addButton(QStringLiteral("稍后"), QMessageBox::RejectRole);
        box->setDefaultButton(recover);
        box->setEscapeButton(later);
        QAbstractButton* chosen = AskUser(*box);
        if (chosen == recover)
            Recover(path, contents, changedTables);
        else if (chosen == discard)
            QFile::remove(path);
    }
}

void DirectoryGuard::Recover(const QString& path, const JournalContents& contents,
                             const QStringList& changedTables)
{
    std::set<std::u16string> skip;
    for (const QString& table : changedTables)
        skip.insert(table.toStdU16String());
    // Tables that are no longer listed cannot take their changes either.
    QStringList missing;
    for (const JournalEntry& entry : contents.entries)
        for (const std::u16string& table : entry.tables)
            if (TableList::instance()->find(table.c_str()) == nullptr && skip.insert(table).second)
                missing << QString::fromStdU16String(table);

    const ReplayOutcome outcome = RecoverJournal(m_document, m_journal.get(), contents.entries, skip);
    m_journal->Flush();

    const bool whole = outcome.skipped == 0 && outcome.stoppedAt < 0 && !contents.damaged;
    const QString summary = QStringLiteral("已恢复 %1 项更改，尚未保存。").arg(outcome.applied);
    if (whole)
    {
        QFile::remove(path);
        if (QStatusBar* bar = m_frame->statusBar())
            bar->showMessage(summary, kStatusMs);
        TestLog(QStringLiteral("status: %1").arg(summary));
        return;
    }
    // What was not replayed stays in a file of its own, out of the way of the next start.
    const QFileInfo info(path);
    const QString kept = info.dir().filePath(QStringLiteral("kept-") + info.fileName());
    QFile::remove(kept);
    const bool keptOk = QFile::rename(path, kept);
    QStringList notes;
    if (outcome.skipped > 0)
    {
        QStringList labels;
        for (const QString& table : changedTables)
            labels << LabelOf(table);
        labels << missing;
        notes << QStringLiteral("%1 项更改属于此后在磁盘上被修改的表，没有恢复：%2")
                     .arg(outcome.skipped)
                     .arg(labels.join(QStringLiteral("、")));
    }
    if (outcome.stoppedAt >= 0)
        notes << QStringLiteral("恢复在第 %1 项更改处停止：%2")
                     .arg(outcome.stoppedAt + 1)
                     .arg(outcome.stopReason);
    if (contents.damaged)
        notes << QStringLiteral("恢复日志在第 %1 项更改之后已损坏，之后的更改无法恢复。")
                     .arg(contents.entries.size());
    notes << (keptOk ? QStringLiteral("未恢复的更改保留在 %1。").arg(QDir::toNativeSeparators(kept))
                     : QStringLiteral("未恢复的更改保留在 %1。").arg(QDir::toNativeSeparators(path)));
    std::unique_ptr<QMessageBox> box(
        NewBox(QMessageBox::Warning, QStringLiteral("RecoveryResultBox"), summary, m_frame));
    box->setInformativeText(notes.join(QLatin1Char('\n')));
    box->addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    AskUser(*box);
}

// ---- Saving --------------------------------------------------------------------------------------

std::vector<tarn::SaveFailure> DirectoryGuard::SaveAll(bool* complete)
{
    std::vector<tarn::SaveFailure> failures;
    bool all = true;
    QStringList savedFiles;
    std::set<std::u16string> savedTables;
    TableList* list = TableList::instance();
    for (int i = 0; i < list->count(); ++i)
    {
        tarn::editor::Table* table = list->at(i);
        if (table == nullptr)
            continue;
        const QString name = QString::fromUtf16(table->m_fileName.c_str());
        bool changed = false;
        for (const QString& file : {name, MetaFileOf(name)})
        {
            const auto known = m_known.constFind(file);
            if (known != m_known.constEnd() && !IdentifyFile(m_directory, file).SameContent(*known))
                changed = true;
        }
        if (changed)
        {
            std::unique_ptr<QMessageBox> box(
                NewBox(QMessageBox::Warning, QStringLiteral("OverwriteBox"),
                       QStringLiteral("%1 已在磁盘上被修改。").arg(LabelOf(name)), m_frame));
            box->setInformativeText(
                QStringLiteral("%1 在读取或上次保存之后被其他程序修改了。\n"
                               "覆盖：用编辑器中的内容替换它。跳过此表：这次不保存这个表。")
                    .arg(name));
            QPushButton* overwrite = box->addButton(QStringLiteral("覆盖"), QMessageBox::AcceptRole);
            QPushButton* skip = box->addButton(QStringLiteral("跳过此表"), QMessageBox::RejectRole);
            box->setEscapeButton(skip);
            box->setDefaultButton(skip);
            if (AskUser(*box) != overwrite)
            {
                all = false;
                continue;
            }
        }
        if (!table->Save())
        {
            failures.push_back({scl::ToUtf8(table->m_fileName.c_str()), table->LastError()});
            all = false;
            continue;
        }
        RemoveLeftovers(name);
        savedFiles << name << MetaFileOf(name);
        savedTables.insert(name.toStdU16String());
        Remember(name);
        Remember(MetaFileOf(name));
        m_dismissed.remove(name);
        m_dismissed.remove(MetaFileOf(name));
        m_barQueue.removeAll(name);
        if (m_bar != nullptr && m_bar->isVisible() && m_bar->property("table").toString() == name)
            NextBar();
    }
    if (all && m_journal)
        m_journal->End();
    else if (m_journal && !savedTables.empty())
        m_journal->Checkpoint(savedFiles, savedTables); // the saved tables' files are their base now
    Watch();
    if (complete != nullptr)
        *complete = all;
    return failures;
}

void DirectoryGuard::RemoveLeftovers(const QString& fileName)
{
    // The temporary file of a save is made beside the file the data file name resolves to.
    QFileInfo target(QDir(m_directory).filePath(fileName));
    if (target.isSymLink())
        target = QFileInfo(target.canonicalFilePath());
    QDir dir = target.dir();
    const QRegularExpression pattern(QStringLiteral("^") + QRegularExpression::escape(target.fileName()) +
                                     QStringLiteral("\\.tessel-[A-Za-z0-9]{6}$"));
    for (const QString& name : dir.entryList({target.fileName() + QStringLiteral(".tessel-*")},
                                             QDir::Files | QDir::Hidden | QDir::System))
        if (pattern.match(name).hasMatch())
            dir.remove(name);
}

// ---- Changes on disk -----------------------------------------------------------------------------

void DirectoryGuard::Remember(const QString& name)
{
    m_known.insert(name, IdentifyFile(m_directory, name));
}

void DirectoryGuard::RememberAll()
{
    m_known.clear();
    for (const QString& name : DataFileNames())
        Remember(name);
}

void DirectoryGuard::Watch()
{
    if (m_directory.isEmpty())
        return;
    // A file replaced by a rename is no longer watched: it is added again here.
    QStringList add;
    const QStringList watched = m_watcher.files();
    for (const QString& name : DataFileNames())
    {
        const QString path = QDir(m_directory).filePath(name);
        if (!watched.contains(path) && QFileInfo::exists(path))
            add << path;
    }
    if (!add.isEmpty())
        m_watcher.addPaths(add);
    if (!m_watcher.directories().contains(m_directory))
        m_watcher.addPath(m_directory);
}

bool DirectoryGuard::TableHasChanges(const QString& fileName) const
{
    if (m_journal)
        return m_journal->TableTouched(fileName.toStdU16String());
    return m_document->IsModified();
}

QString DirectoryGuard::LabelOf(const QString& fileName) const
{
    if (fileName == kTableList)
        return QStringLiteral("表清单");
    if (tarn::editor::Table* table = TableList::instance()->find(fileName.toStdU16String().c_str()))
        return QString::fromUtf16(table->m_label.c_str());
    return fileName;
}

void DirectoryGuard::CheckDisk()
{
    if (m_checking || m_directory.isEmpty())
        return;
    if (QApplication::activeModalWidget() != nullptr)
    {
        // A dialog (the link picker, a question) may hold rows of the tables a reload would
        // replace: look again once it is closed.
        m_checkTimer.start();
        return;
    }
    m_checking = true;
    QStringList changed;
    for (const QString& name : DataFileNames())
    {
        const auto known = m_known.constFind(name);
        if (known == m_known.constEnd())
        {
            Remember(name);
            continue;
        }
        const QFileInfo info(QDir(m_directory).filePath(name));
        const bool exists = info.exists();
        if (exists == (known->size >= 0) &&
            (!exists ||
             (info.size() == known->size && info.lastModified().toMSecsSinceEpoch() == known->mtimeMs)))
            continue;
        const FileIdentity now = IdentifyFile(m_directory, name);
        if (now.SameContent(*known))
        {
            m_known.insert(name, now); // touched, not changed
            continue;
        }
        const auto dismissed = m_dismissed.constFind(name);
        if (dismissed != m_dismissed.constEnd() && dismissed->SameContent(now))
            continue;
        if (!changed.contains(TableOfFile(name)))
            changed << TableOfFile(name);
    }
    for (const QString& table : changed)
    {
        if (table == kTableList)
        {
            if (!m_document->IsModified())
            {
                ReloadAll();
                break;
            }
            ShowBar(table);
        }
        else if (!TableHasChanges(table))
            ReloadTable(table);
        else
            ShowBar(table);
    }
    Watch();
    m_checking = false;
}

bool DirectoryGuard::ReloadTable(const QString& fileName)
{
    TableList* list = TableList::instance();
    const std::u16string name = fileName.toStdU16String();
    int position = -1;
    for (int i = 0; i < list->count(); ++i)
        if (list->at(i) != nullptr && std::u16string(list->at(i)->m_fileName.c_str()) == name)
            position = i;
    auto table = std::make_unique<tarn::editor::Table>();
    if (position < 0 || !table->Load(name.c_str()))
    {
        // Left as it is; the change is not reported again until the file changes once more.
        m_dismissed.insert(fileName, IdentifyFile(m_directory, fileName));
        m_dismissed.insert(MetaFileOf(fileName), IdentifyFile(m_directory, MetaFileOf(fileName)));
        // Said in the status bar, not in a box: the change may come while the user types.
        const QString text = QStringLiteral("%1 已在磁盘上被修改，但无法重新加载，编辑器中的内容保持不变：%2")
                                 .arg(LabelOf(fileName), QString::fromStdString(table->LastError()));
        if (QStatusBar* bar = m_frame->statusBar())
            bar->showMessage(text, kStatusMs);
        TestLog(QStringLiteral("status: %1").arg(text));
        return false;
    }
    const QString label = LabelOf(fileName);
    bool otherChanges = false;
    for (int i = 0; i < list->count(); ++i)
        if (i != position && list->at(i) != nullptr &&
            TableHasChanges(QString::fromUtf16(list->at(i)->m_fileName.c_str())))
            otherChanges = true;

    if (m_journal)
        m_journal->DropTable(name);
    // The commands let go of the old table before it goes.
    m_document->UndoStack()->clear();
    m_document->SetCurrentRow(nullptr);
    tarn::editor::Table* old = list->m_tables.m_data[position];
    tarn::editor::Table** indexed = list->m_index.lookup(old->m_fileName);
    list->m_tables.m_data[position] = table.release();
    if (indexed != nullptr)
        *indexed = list->m_tables.m_data[position];
    delete old;
    m_document->TablesReloaded();
    if (otherChanges)
        m_document->SetModifiedFlag(true);
    Remember(fileName);
    Remember(MetaFileOf(fileName));
    m_dismissed.remove(fileName);
    m_dismissed.remove(MetaFileOf(fileName));
    if (m_journal)
        m_journal->Rebase({fileName, MetaFileOf(fileName)});
    const QString text = QStringLiteral("%1 已在磁盘上被修改，已重新加载；撤消记录已清除。").arg(label);
    if (QStatusBar* bar = m_frame->statusBar())
        bar->showMessage(text, kStatusMs);
    TestLog(QStringLiteral("status: %1").arg(text));
    return true;
}

void DirectoryGuard::ReloadAll()
{
    std::unique_ptr<TableList> tables = TableList::loadNew();
    if (!tables->listRead())
    {
        m_dismissed.insert(kTableList, IdentifyFile(m_directory, kTableList));
        const QString text =
            QStringLiteral("tableList.xml 已在磁盘上被修改，但无法重新加载，编辑器中的内容保持不变。");
        if (QStatusBar* bar = m_frame->statusBar())
            bar->showMessage(text, kStatusMs);
        TestLog(QStringLiteral("status: %1").arg(text));
        return;
    }
    m_document->UndoStack()->clear();
    m_document->SetCurrentRow(nullptr);
    TableList::replaceInstance(std::move(tables));
    m_document->TablesReloaded();
    if (m_journal)
        m_journal->End();
    RememberAll();
    m_dismissed.clear();
    m_barQueue.clear();
    if (m_bar != nullptr)
        m_bar->hide();
    const QString text = QStringLiteral("数据目录已在磁盘上被修改，已重新加载；撤消记录已清除。");
    if (QStatusBar* bar = m_frame->statusBar())
        bar->showMessage(text, kStatusMs);
    TestLog(QStringLiteral("status: %1").arg(text));
}

void DirectoryGuard::ShowBar(const QString& fileName)
{
    if (m_bar != nullptr && m_bar->isVisible())
    {
        if (m_bar->property("table").toString() != fileName && !m_barQueue.contains(fileName))
            m_barQueue << fileName;
        return;
    }
    if (m_bar == nullptr)
    {
        m_bar = new QToolBar(QStringLiteral("磁盘上的修改"), m_frame);
        m_bar->setObjectName(QStringLiteral("DiskChangeBar"));
        m_bar->setMovable(false);
        m_barLabel = new QLabel(m_bar);
        m_bar->addWidget(m_barLabel);
        QAction* reload = m_bar->addAction(QStringLiteral("重新加载"));
        reload->setObjectName(QStringLiteral("ReloadAction"));
        reload->setToolTip(QStringLiteral("放弃编辑器中对这个表的更改，读取磁盘上的版本"));
        connect(reload, &QAction::triggered, this, &DirectoryGuard::OnReloadChosen);
        QAction* keep = m_bar->addAction(QStringLiteral("保留我的更改"));
        keep->setObjectName(QStringLiteral("KeepAction"));
        connect(keep, &QAction::triggered, this, &DirectoryGuard::OnKeepChosen);
        m_frame->addToolBarBreak(Qt::TopToolBarArea);
        m_frame->addToolBar(Qt::TopToolBarArea, m_bar);
    }
    m_bar->setProperty("table", fileName);
    const QString text = QStringLiteral("%1 已在磁盘上被修改").arg(LabelOf(fileName));
    m_barLabel->setText(text);
    m_bar->show();
    TestLog(QStringLiteral("bar: %1").arg(text));
}

void DirectoryGuard::NextBar()
{
    if (m_bar != nullptr)
        m_bar->hide();
    if (!m_barQueue.isEmpty())
        ShowBar(m_barQueue.takeFirst());
}

void DirectoryGuard::OnReloadChosen()
{
    if (m_bar == nullptr)
        return;
    const QString fileName = m_bar->property("table").toString();
    m_bar->hide();
    if (fileName == kTableList)
        ReloadAll();
    else
        ReloadTable(fileName);
    NextBar();
}

void DirectoryGuard::OnKeepChosen()
{
    if (m_bar == nullptr)
        return;
    const QString fileName = m_bar->property("table").toString();
    // Not asked again for this version of the file; Save still asks before overwriting it.
    QStringList files{fileName};
    if (fileName != kTableList)
        files << MetaFileOf(fileName);
    for (const QString& file : files)
        m_dismissed.insert(file, IdentifyFile(m_directory, file));
    // The journal replays the table as the editor holds it onto the file as it is now, so that
    // a crash before the next Save does not leave these changes behind a changed file.
    if (m_journal && fileName != kTableList)
        m_journal->Checkpoint(files, {});
    TestLog(QStringLiteral("kept: %1").arg(fileName));
    NextBar();
}
