// The recovery journal: every step of the document's undo stack (a command done or redone, a
// command undone) written to a file outside the data directory, so that the unsaved edits of a
// process that died can be replayed onto the tables at the next start.
//
// The journal does not know the kinds of commands: it writes RecordOf(command) for every step
// forward and a bare marker for every step back, and the replay rebuilds the same stack with
// CTesselDoc::PushRecord, Undo and Redo. A step it cannot write as itself (a command without a
// record, an undo or redo of a step older than the journal) is written as the whole content of
// each table it touched ("snapshot" records, TableSnapshotCommand), and the journal starts again
// from there. Where the files under the journal change (a partly failed save, a table read again,
// changes on disk the user keeps his own over), the journal is rewritten as the new identities
// and a snapshot of each table that differs from its file ("checkpoint"). A gap (MarkGap) is left
// for what cannot be written at all; the replay stops there.
//
// File layout: the magic "TSLJRNL1", then entries, each framed as a little-endian u32 payload
// length, a u32 CRC-32 of the payload and the payload: a u32 count of strings, then each string
// as a u32 count of UTF-16 code units and the code units (little-endian). The first entry is the
// header: "H", version, data directory, start time (ms since the epoch), then per watched file
// its name, size, modification time (ms) and content hash. Then "F" (time, table count, tables,
// record kind, record fields...), "U" (time) or "G" (time, reason) entries.
//
// RecoveryJournal is owned by the directory guard (DirectoryGuard); it observes a document that
// outlives it. GUI thread only.
#pragma once

#include "editor/DocumentCommands.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <set>
#include <string>
#include <vector>

class CTesselDoc;

// What a file was when it was read or written: a change of any part means someone changed it.
struct FileIdentity
{
    QString name; // relative to the data directory
    qint64 size = -1;
    qint64 mtimeMs = 0;
    QByteArray hash; // hex; empty for a missing file

    bool operator==(const FileIdentity& other) const
    {
        return name == other.name && size == other.size && mtimeMs == other.mtimeMs && hash == other.hash;
    }
    bool operator!=(const FileIdentity& other) const { return !(*this == other); }
    // Same content (size and hash), whatever the modification time says.
    bool SameContent(const FileIdentity& other) const { return size == other.size && hash == other.hash; }
};

// The identity of `directory`/`name` now.
FileIdentity IdentifyFile(const QString& directory, const QString& name);
// The files that make up the data of the open table list: tableList.xml, then each table's data
// file and its ".meta" file, in list order.
QStringList DataFileNames();
// The ".meta" file of a table's data file.
QString MetaFileOf(const QString& dataFile);

// One step as read back from a journal.
struct JournalEntry
{
    enum Kind
    {
        Forward, // done or redone: record, tables touched
        Back,    // undone
        Gap      // a step that could not be written; reason in `reason`
    };
    Kind kind = Forward;
    qint64 timeMs = 0;
    std::vector<std::u16string> tables;
    CommandRecord record;
    QString reason;
};

// A journal read from a file: its header and the entries up to the first damaged one.
struct JournalContents
{
    bool readable = false; // the magic and the header were there
    QString directory;
    QDateTime started;
    std::vector<FileIdentity> files;
    std::vector<JournalEntry> entries;
    bool damaged = false;  // entries after the last one listed could not be read
    qint64 damagedAt = -1; // byte offset of the damaged entry
};

JournalContents ReadJournal(const QString& path);

// Frames for the entries (also used by the tests to build damaged journals).
QByteArray EncodeJournalEntry(const std::vector<std::u16string>& strings);
quint32 JournalCrc32(const char* data, qsizetype size);

class RecoveryJournal : public QObject
{
    Q_OBJECT

public:
    // The folder of the journals of `dataDirectory`: under AppLocalDataLocation, "journals/"
    // followed by a hash of the directory's canonical path.
    static QString FolderFor(const QString& dataDirectory);
    // The journals left in that folder, oldest first.
    static QStringList JournalsIn(const QString& folder);

    // Starts observing `document` (which must outlive the journal) for `dataDirectory`; the
    // identities of the files are taken now. Nothing is written until the first step.
    RecoveryJournal(CTesselDoc* document, const QString& dataDirectory, QObject* parent = nullptr);
    ~RecoveryJournal() override;

    // The file this journal writes (it may not exist yet).
    QString FilePath() const { return m_path; }
    // Writes what is pending now (also done within a second of every step, and on destruction).
    void Flush();
    // Ends the journal: the file is removed. After a save of every table the tables are the base
    // again: the identities are taken anew and the stack's present index becomes the start.
    void End();
    // The steps in effect that touched `table` are forgotten: the table is about to be read
    // again from disk. When a step touched it together with another table, the next Rebase
    // writes the other tables whole instead of their steps.
    void DropTable(const std::u16string& table);
    // The files named in `renewed` were read again: takes their identities anew (and those of
    // tables not known before) and rewrites the journal so that it replays the steps in effect
    // from the files as they are now. Call after the document's stack was cleared.
    void Rebase(const QStringList& renewed);
    // The files named in `renewed` are now the base of their tables (written by a save, or changed
    // on disk under changes the user keeps): takes their identities anew and rewrites the journal
    // as a snapshot of every table with changes not in its file, leaving out `inFiles` (tables
    // whose content is their files' now). The journal starts again at the stack's present index.
    void Checkpoint(const QStringList& renewed, const std::set<std::u16string>& inFiles);
    // A change the journal cannot express: a replay stops here.
    void MarkGap(const QString& reason);
    // The next step touches `tables` (for steps made while the document's signals are held).
    void NoteTouched(const std::vector<std::u16string>& tables);
    // The identities the journal began with (or last took), by file name.
    const std::vector<FileIdentity>& BaseIdentities() const { return m_files; }
    // Whether some step in effect (done and not undone since the journal began) touched `table`;
    // true for every table after a gap.
    bool TableTouched(const std::u16string& table) const;
    // Bytes written by steps but not yet flushed to the file.
    int PendingBytes() const { return static_cast<int>(m_pending.size()); }

private:
    struct Slot
    {
        CommandRecord record;
        std::set<std::u16string> tables;
    };

    void OnIndexChanged(int index);
    void OnTouched(const std::u16string& table);
    void Append(const std::vector<std::u16string>& strings);
    void AppendFrame(const QByteArray& frame);
    void Schedule();
    void WriteHeaderInto(QByteArray& bytes) const;
    void Snapshot(const std::set<std::u16string>& tables, const std::u16string& now, QByteArray* into);
    void Renew(const QStringList& renewed);
    void WriteWhole(const QByteArray& frames);
    bool EnsureOpen();
    void CloseFile();

    CTesselDoc* m_document;
    QString m_directory;
    QString m_path;
    std::vector<FileIdentity> m_files;
    qint64 m_startedMs = 0;
    int m_fd = -1;
    QByteArray m_pending;
    QTimer m_flushTimer;

    // The stack as the journal knows it: the steps since it began, m_base being the stack's
    // index when it began.
    int m_base = 0;
    int m_index = 0;
    std::vector<Slot> m_slots; // m_slots[i] is the command at stack index m_base + i
    std::set<std::u16string> m_touched;
    bool m_gap = false;
    // Tables written whole since the journal (re)began: their content differs from their files.
    std::set<std::u16string> m_snapshotted;
    // DropTable: the tables about to be read again, and whether a step in effect touched one of
    // them together with another table.
    std::set<std::u16string> m_dropped;
    bool m_mixedDrop = false;
};

// Replays a journal's entries onto the document (whose tables are freshly loaded), leaving out the
// steps that touch a table in `skipTables`. Stops at a gap and at a step that does not fit.
struct ReplayOutcome
{
    int applied = 0;    // steps replayed
    int skipped = 0;    // steps left out for a skipped table
    int stoppedAt = -1; // index of the entry that stopped the replay; -1 when all were used
    QString stopReason;
};
// `beforeStep` (may be empty) is called before each step forward that is replayed.
ReplayOutcome ReplayJournal(CTesselDoc* document, const std::vector<JournalEntry>& entries,
                            const std::set<std::u16string>& skipTables,
                            const std::function<void(const JournalEntry&)>& beforeStep = {});
// Recovery as the editor does it: ReplayJournal with the document's signals held back (the
// views are rebuilt once afterwards through tablesReloaded), `journal` (may be null) told
// which tables each step touches; marks the document modified when a step was replayed.
ReplayOutcome RecoverJournal(CTesselDoc* document, RecoveryJournal* journal,
                             const std::vector<JournalEntry>& entries,
                             const std::set<std::u16string>& skipTables);
