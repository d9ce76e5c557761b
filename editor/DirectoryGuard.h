// Keeps the open data directory safe from losses that do not come from the user's own commands:
//
// - one editor per directory: a lock file ".tessel.lock" in the directory while it is open; a
//   second editor is told who holds it and may open the directory read-only;
// - crash recovery: the recovery journal (RecoveryJournal) of the edits not yet saved, offered
//   for replay when the editor starts on a directory that has one left;
// - changes made outside: the directory's files are watched (and looked at again when the
//   window becomes active); a table without unsaved changes is read again, one with unsaved
//   changes gets a bar asking what to do; Save asks before it overwrites a file changed on disk;
// - leftovers: temporary files of an interrupted save ("<file>.tessel-XXXXXX") are removed by the
//   next successful save of that table.
//
// Owned by the main frame (CMainFrame), which calls AcquireLock/Opened when a directory is opened, SaveAll
// for Save and Closing when the window closes after its changes were saved or discarded. It
// points at the frame and its document, which outlive it. GUI thread only.
#pragma once

#include "editor/RecoveryJournal.h"
#include "tool/diagnostic.h"

#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <memory>
#include <vector>

class CommandRouter;
class CTesselDoc;
class QMainWindow;
class QLabel;
class QLockFile;
class QToolBar;

class DirectoryGuard : public QObject
{
    Q_OBJECT

public:
    static QString LockFileName() { return QStringLiteral(".tessel.lock"); }

    // `frame` shows the bar and the status messages and is watched for activation; `commands`
    // are the frame's commands (the edit commands are blocked while read-only).
    DirectoryGuard(QMainWindow* frame, CommandRouter* commands, CTesselDoc* document);
    ~DirectoryGuard() override;

    // Takes the lock of `directory` for the directory about to be opened. When another editor
    // holds it, asks "只读打开" / "取消": false when the user cancels. A lock whose process is
    // gone is taken over without a question.
    bool AcquireLock(const QString& directory);
    // The tables of `directory` (the one AcquireLock locked) are loaded: the former directory is
    // let go (its journal ends, its lock is released), journals left for this one are offered
    // for recovery, a new journal begins and the files are watched.
    void Opened(const QString& directory);
    // Whether the directory was opened read-only (another editor holds it).
    bool ReadOnly() const { return m_readOnly; }

    // Saves every table as Save does, but first asks before overwriting a file that changed on
    // disk since it was read or last written ("覆盖" / "跳过此表"), and removes the leftover
    // temporary files of each table it wrote. `complete` is set when every table was written;
    // then the journal ends.
    std::vector<tarn::SaveFailure> SaveAll(bool* complete);
    // The window closes and its changes were saved or discarded: the journal ends and the lock
    // is released.
    void Closing();

    // Looks for files changed on disk now (also done when a watched file changes and when the
    // window becomes active).
    void CheckDisk();
    // Writes the journal's pending steps now.
    void FlushJournal();

    RecoveryJournal* Journal() const { return m_journal.get(); }
    // The bar shown for a table changed on disk while it has unsaved changes; null when none.
    QToolBar* DiskChangeBar() const { return m_bar; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OfferRecovery();
    void Recover(const QString& path, const JournalContents& contents, const QStringList& changedTables);
    void Watch();
    void Remember(const QString& name);
    void RememberAll();
    bool ReloadTable(const QString& fileName);
    void ReloadAll();
    void ShowBar(const QString& fileName);
    void NextBar();
    void OnReloadChosen();
    void OnKeepChosen();
    QString LabelOf(const QString& fileName) const;
    bool TableHasChanges(const QString& fileName) const;
    void RemoveLeftovers(const QString& fileName);
    void SetReadOnly(bool readOnly);

    QMainWindow* m_frame;
    CommandRouter* m_commands;
    CTesselDoc* m_document;
    QString m_directory;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<QLockFile> m_pendingLock;
    bool m_pendingReadOnly = false;
    bool m_readOnly = false;
    std::unique_ptr<RecoveryJournal> m_journal;
    QFileSystemWatcher m_watcher;
    QTimer m_checkTimer;
    QHash<QString, FileIdentity> m_known;     // as read or last written, by file name
    QHash<QString, FileIdentity> m_dismissed; // changes on disk the user chose to keep his own over
    QStringList m_barQueue;                   // data file names (or tableList.xml) waiting for the bar
    QToolBar* m_bar = nullptr;
    QLabel* m_barLabel = nullptr;
    bool m_checking = false;
};
