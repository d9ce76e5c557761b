// The editor's single document: the one edit path for the tables of the table list.
//
// Every change of table data goes through the document as a command on its undo stack (set a
// cell's value, create rows, delete rows, paste rows); after each change the document announces
// it with a signal, and every view (class view, properties pane, later grids and the journal)
// follows those signals instead of calling other views. The stack's clean state is the saved
// state: Save marks it clean, and undoing back to it clears the modified mark.
//
// The document also names the open data directory (its title, shown in the caption) and holds the
// current row: the row the class view's caret is on, which the properties pane shows.
//
// Owned by the main frame (CMainFrame::GetActiveDocument()). It points at tables and rows of the
// table list without owning them; its commands own the rows they took out of their tables.
// GUI thread only.
#pragma once

#include "editor/DocumentChanges.h"
#include "tool/linkIndex.h"

struct CommandRecord;
namespace tarn
{
struct ImportPlan;
}

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <functional>
#include <string>
#include <vector>

class CTesselDoc : public QObject, public DocumentChangeSink
{
    Q_OBJECT

public:
    explicit CTesselDoc(QObject* parent = nullptr);
    ~CTesselDoc() override;

    // The document's title, shown in the window caption: the data directory's name.
    QString GetTitle() const { return m_title; }
    void SetTitle(const QString& title);
    // The data directory the tables were loaded from (absolute); empty before one is named.
    QString GetPathName() const { return m_pathName; }
    // Records `path` and makes its last component the title.
    void SetPathName(const QString& path);

    // Whether the tables differ from the saved state: the undo stack is not at its clean index,
    // or a change was made outside it (SetModifiedFlag(true)).
    bool IsModified() const;
    // false: the present state is the saved one (the stack's clean index moves here). true: marks
    // the tables changed although no command says so.
    void SetModifiedFlag(bool modified = true);

    // Read-only (another editor holds the data directory): every edit below refuses and changes
    // nothing.
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool IsReadOnly() const { return m_readOnly; }

    QUndoStack* UndoStack() { return &m_undoStack; }
    // Undo and redo of the stack's top command; an edit still open in a view is committed first.
    void Undo();
    void Redo();

    // ---- The edits. Each pushes one command (nothing when nothing would change) ----

    // Sets field `field` of `row` to the value written in `exactText` (tool/cellValue.h). False when
    // the value is what the cell holds already or the text is not a value of the field.
    bool SetCellValue(tarn::Row* row, int field, const std::u16string& exactText);
    // Creates a row at the end of `table` named "新建" + label + counter; returns it (null, and
    // nothing changed, when there is no table or the table has no id left).
    tarn::Row* CreateRow(tarn::editor::Table* table);
    // Deletes the given rows (of any tables) as one step. Returns the number deleted.
    int DeleteRows(const std::vector<tarn::Row*>& rows);
    // Appends one row per entry of `values` to `table` as one step, each with a fresh id and the
    // given fields set from exact texts (entry j of a row is field j; the id field is not set).
    // The caller has checked every text. Returns the new rows; none, and nothing changed, when the
    // table has no id left for all of them.
    std::vector<tarn::Row*> AppendRows(tarn::editor::Table* table,
                                       const std::vector<std::vector<std::u16string>>& values);

    // Imports spreadsheet records into `table` as one step, as `plan` says (tarn::PlanImport, made
    // for `table` as it is now). False, and nothing changed, when there is no table.
    bool ImportRows(tarn::editor::Table* table, const tarn::ImportPlan& plan);

    // One cell of a many-cell edit: field `field` of `row` to the exact text `exactText`.
    struct CellEdit
    {
        tarn::Row* row = nullptr;
        int field = 0;
        std::u16string exactText;
    };
    // Sets many cells as one step (SetCellsCommand). Edits that would not change their cell are left
    // out; the caller has checked every text. Returns the number of cells changed.
    int SetCellValues(const std::vector<CellEdit>& edits);
    // A pasted block as one step: the cells `edits` of existing rows set, and rows with `values`
    // appended to `table` (as AppendRows). Returns false, and nothing changed, when there was
    // nothing to do or the table had no id left for the new rows.
    bool PasteCells(tarn::editor::Table* table, const std::vector<CellEdit>& edits,
                    const std::vector<std::vector<std::u16string>>& values);

    // Asks the views to show `table` in a tab of the main area (the class view's double-click).
    void RequestOpenTable(tarn::editor::Table* table);

    // Replays a change recorded earlier (DocumentCommands.h: RecordOf) as a command of its own.
    // False, and nothing changed, when the record does not fit the tables as they are now.
    bool PushRecord(const CommandRecord& record);

    // The tables were replaced (another directory was opened): forgets every command and the
    // current row, marks the state saved and announces tablesReloaded.
    void TablesReloaded();

    // The row the class view's caret is on; null for none.
    tarn::Row* CurrentRow() const { return m_currentRow; }
    void SetCurrentRow(tarn::Row* row);

    // The reverse links of the tables as they are now, built on first use after the tables were
    // loaded or replaced and kept current by every command.
    const tarn::LinkIndex& Links();
    // The cells of other rows that name `row` (its id in its table).
    std::vector<tarn::LinkIndex::Referrer> ReferrersOf(const tarn::Row* row);

    // Asked before a deletion or an id change would leave links naming rows that are no more:
    // `what` says what is about to happen, `referrers` are the cells that name those rows. True
    // goes ahead. Without a confirmer the change goes ahead.
    using LinkBreakConfirmer =
        std::function<bool(const QString& what, const std::vector<tarn::LinkIndex::Referrer>& referrers)>;
    void SetLinkBreakConfirmer(LinkBreakConfirmer confirmer) { m_confirmLinkBreak = std::move(confirmer); }

    // Makes `row` the current row and asks the views to show field `field` of it (-1: none).
    void GoTo(tarn::Row* row, int field);

    // For the commands: announcements after they changed the tables.
    void NotifyCellChanging(tarn::Row* row, int field) override;
    void NotifyCellChanged(tarn::Row* row, int field) override;
    void NotifyRowsInserted(const DocRows& rows) override;
    void NotifyRowsRemoved(const DocRows& rows) override;

signals:
    void titleChanged(const QString& title);
    void modifiedChanged(bool modified);
    // Cell `field` of `row` (of `table`) holds a new value.
    void cellChanged(tarn::editor::Table* table, tarn::Row* row, int field);
    void rowsInserted(const DocRows& rows);
    void rowsRemoved(const DocRows& rows);
    // Every table was replaced: views drop what they show and build it again.
    void tablesReloaded();
    void currentRowChanged(tarn::Row* row);
    // GoTo: field `field` of the current row `row` is to be shown.
    void fieldRequested(tarn::Row* row, int field);
    // A change that does not come from the properties pane is about to run: an edit open in a
    // view is committed (or dropped) now, so that it neither reaches a row that goes nor is lost.
    void commitPendingEdits();
    // A view asked for `table` to be shown in the main area (RequestOpenTable).
    void openTableRequested(tarn::editor::Table* table);

private:
    // Asks before ids that links name change (the link-break confirmer); true when there is
    // nothing to ask or the answer is 继续.
    bool ConfirmIdChanges(const std::vector<const tarn::Row*>& rows);
    void UpdateModified();
    void ForgetStaleLinks();

    QString m_title;
    QString m_pathName;
    QUndoStack m_undoStack;
    bool m_forcedModified = false;
    bool m_modified = false; // as last announced
    tarn::Row* m_currentRow = nullptr;
    tarn::LinkIndex m_links;
    unsigned long m_linksGeneration = 0; // TableList::generation() when m_links was built
    LinkBreakConfirmer m_confirmLinkBreak;
    bool m_readOnly = false;
};
