// The document's commands: every change of table data is one of these on CTesselDoc's undo stack.
//
// A command carries plain values -- the table's data file name, row ids and positions, field
// indices and exact value texts (tool/cellValue.h) -- so that it can be written out as a record
// and replayed. It also keeps pointers to the table and rows it acts on; they stay valid while the
// command can run: the stack runs commands strictly in order, so when a command runs, the tables
// are in the state it left or found them in, and the rows it names are in their tables or held by
// the later command that took them out. Rows a command took out are owned by it while it is done;
// destroying it then destroys them.
//
// Each redo()/undo() changes the tables and then reports the change to the document
// (DocumentChangeSink), which announces it.
#pragma once

#include "editor/DocumentChanges.h"
#include "tool/table.h"

#include <QUndoCommand>

#include <memory>
#include <string>
#include <vector>

// Sets one cell from one exact value text to another. Text: 修改“<field name>”.
// A command as plain values, for a journal: its kind and its fields as texts, in a fixed order per
// kind (see each command's ToRecord). Numbers are decimal.
struct CommandRecord
{
    std::u16string kind;
    std::vector<std::u16string> fields;

    bool operator==(const CommandRecord& other) const { return kind == other.kind && fields == other.fields; }
};

// Makes the command a record describes, acting on the tables of the table list as they are now
// (TableList::instance()). Null when the record does not fit them: an unknown kind, a table that is
// not there, a row that is not at its position with its id, a field or a value that the table does
// not have.
QUndoCommand* CommandFromRecord(DocumentChangeSink* document, const CommandRecord& record);
// The record of one of these commands; an empty kind for any other command.
CommandRecord RecordOf(const QUndoCommand* command);

class SetCellCommand : public QUndoCommand
{
public:
    // `position`: the row's position in its table when the caller knows it (-1: looked up).
    SetCellCommand(DocumentChangeSink* document, tarn::Row* row, int field, std::u16string oldText,
                   std::u16string newText, int position = -1);

    void undo() override;
    void redo() override;

    const std::u16string& TableFileName() const { return m_tableFileName; }
    int RowId() const { return m_rowId; }
    int Position() const { return m_position; }
    int Field() const { return m_field; }
    const std::u16string& OldText() const { return m_oldText; }
    const std::u16string& NewText() const { return m_newText; }
    // "set": table, row id, position, field, old text, new text.
    CommandRecord ToRecord() const;

private:
    void Apply(const std::u16string& text);

    DocumentChangeSink* m_document;
    std::u16string m_tableFileName;
    int m_rowId;
    int m_position;
    int m_field;
    std::u16string m_oldText;
    std::u16string m_newText;
    tarn::Row* m_row; // the row named by m_rowId / m_position
};

// Appends rows at the end of a table, each with the next id: one row with a display name ("新建"),
// or rows with values (paste). Undo takes them out again and puts the table's id and row counters
// back, so that redo, or the next new row, gives the same ids. All or nothing: when the table has
// no id left for every row, the first redo makes none and the command is obsolete (the stack drops
// it).
class AppendRowsCommand : public QUndoCommand
{
public:
    // One new row named `name`. Text: 新建 1 行.
    AppendRowsCommand(DocumentChangeSink* document, tarn::editor::Table* table, std::u16string name);
    // One row per entry of `values` (exact texts, one per field; the id field's entry is not
    // used). Text: 粘贴 N 行.
    AppendRowsCommand(DocumentChangeSink* document, tarn::editor::Table* table,
                      std::vector<std::vector<std::u16string>> values);

    void undo() override;
    void redo() override;

    // The rows made by the first redo (the same objects after every later redo); empty when the
    // table refused.
    const std::vector<tarn::Row*>& Rows() const { return m_rows; }
    // Where the first redo reports the rows it made (the stack may delete an obsolete command in
    // push, before its caller could ask it). Not owned; only used during that redo.
    void ReportRowsTo(std::vector<tarn::Row*>* made) { m_made = made; }
    const std::u16string& TableFileName() const { return m_tableFileName; }
    // "new": table, name. "paste": table, row count, field count, then the values row by row.
    CommandRecord ToRecord() const;

private:
    void Create();

    DocumentChangeSink* m_document;
    tarn::editor::Table* m_table;
    std::u16string m_tableFileName;
    std::u16string m_name;                             // for a new row; empty for pasted rows
    std::vector<std::vector<std::u16string>> m_values; // for pasted rows
    int m_maxIdBefore = 0;
    int m_counterBefore = 0;
    int m_maxIdAfter = 0;
    int m_counterAfter = 0;
    std::vector<tarn::Row*> m_rows;
    tarn::editor::TakenRows m_taken; // the rows while undone
    bool m_created = false;
    std::vector<tarn::Row*>* m_made = nullptr;
};

// Sets many cells at once, as one step (a column filled for the selected rows, a pasted block).
// Each entry as SetCellCommand holds it. Text: 修改 N 个单元格.
class SetCellsCommand : public QUndoCommand
{
public:
    struct Entry
    {
        std::u16string tableFileName;
        int rowId = 0;
        int position = -1;
        int field = 0;
        std::u16string oldText;
        std::u16string newText;
        tarn::Row* row = nullptr; // the row named by rowId / position
    };

    // Entries whose row has no table are skipped; `oldText`, `tableFileName`, `rowId` and `position`
    // are filled from the row when empty (-1 position).
    SetCellsCommand(DocumentChangeSink* document, std::vector<Entry> entries);

    void undo() override;
    void redo() override;

    const std::vector<Entry>& Entries() const { return m_entries; }
    // "setcells": the entry count, then per entry: table, row id, position, field, old text, new text.
    CommandRecord ToRecord() const;

private:
    DocumentChangeSink* m_document;
    std::vector<Entry> m_entries;
};

// Deletes rows of one or more tables. The rows are taken out whole and kept, so undo puts each
// back at its position with its id and cells. Text: 删除 N 行.
class DeleteRowsCommand : public QUndoCommand
{
public:
    // `rows` in any order, of any tables; null entries and rows without a table are skipped.
    DeleteRowsCommand(DocumentChangeSink* document, const std::vector<tarn::Row*>& rows);

    void undo() override;
    void redo() override;

    // How many rows the command deletes.
    int Count() const { return m_count; }

    struct TablePart
    {
        tarn::editor::Table* table;
        std::u16string tableFileName;
        std::vector<tarn::Row*> rows;  // as given
        std::vector<int> ids;          // after the first redo, by ascending position
        std::vector<int> positions;    // after the first redo
        tarn::editor::TakenRows taken; // the rows while done
    };
    const std::vector<TablePart>& Parts() const { return m_parts; }
    // "delete", after the first redo: for each table, its name, the row count, then each row's id
    // and position (ascending).
    CommandRecord ToRecord() const;

private:
    DocumentChangeSink* m_document;
    std::vector<TablePart> m_parts;
    int m_count = 0;
};

namespace tarn
{
struct ImportPlan;
}

// Several commands as one step, such as a paste that sets cells and appends rows. Owns its parts;
// redo runs them in order, undo in reverse. Unlike a QUndoStack macro it has a record of its own,
// so that a journal can write the step whole. Text: given.
class StepsCommand : public QUndoCommand
{
public:
    explicit StepsCommand(const QString& text);

    void Add(std::unique_ptr<QUndoCommand> part);
    bool Empty() const { return m_parts.empty(); }

    void undo() override;
    void redo() override;

    // "steps": part count, then for each part its kind, its field count and its fields. An empty
    // kind when a part has no record.
    CommandRecord ToRecord() const;
    // The command a "steps" record describes. Each part is made against the tables as the parts
    // before it leave them (they are run to make it, then undone again); null when one does not fit.
    static QUndoCommand* FromRecord(DocumentChangeSink* document, const std::vector<std::u16string>& fields);

private:
    std::vector<std::unique_ptr<QUndoCommand>> m_parts;
};

// Imports spreadsheet records into one table as one step (tool/tableExchange.h: the plan is made
// and checked before, ApplyImport does the change). Replace takes every old row out whole and keeps
// it, so that undo puts back the very same rows; merge keeps the old exact text of each cell it
// changed. Rows the import appended are taken out by undo and kept for redo. The table's id and
// row counters go back with undo. Text: 导入 N 行.
class ImportTableCommand : public QUndoCommand
{
public:
    // `plan` was made by tarn::PlanImport for `table` as the table is now.
    ImportTableCommand(DocumentChangeSink* document, tarn::editor::Table* table,
                       const tarn::ImportPlan& plan);
    // The same as plain values: `present[f]` says whether the file had a column for field f;
    // `values` holds one exact text per field for each record, in file order ("" where the column
    // is missing). The caller has checked every text and that the ids differ.
    ImportTableCommand(DocumentChangeSink* document, tarn::editor::Table* table, bool merge,
                       std::vector<bool> present, std::vector<std::vector<std::u16string>> values);

    void undo() override;
    void redo() override;

    const std::u16string& TableFileName() const { return m_tableFileName; }
    bool Merge() const { return m_merge; }
    int RecordCount() const { return static_cast<int>(m_values.size()); }
    // "import": table, "replace" or "merge", field count, one "1" or "0" per field (the column is
    // present), record count, then the exact texts record by record.
    CommandRecord ToRecord() const;

private:
    struct Change
    {
        tarn::Row* row;
        int field;
        std::u16string oldText;
        std::u16string newText;
    };

    void FirstRedo();
    void SetTexts(bool newTexts);
    void InsertNewRows();
    void RemoveNewRows();

    DocumentChangeSink* m_document;
    tarn::editor::Table* m_table;
    std::u16string m_tableFileName;
    bool m_merge;
    std::vector<bool> m_present;
    std::vector<std::vector<std::u16string>> m_values;
    bool m_done = false; // the first redo ran
    int m_maxIdBefore = 0;
    int m_counterBefore = 0;
    int m_maxIdAfter = 0;
    int m_counterAfter = 0;
    std::vector<tarn::Row*> m_oldRows;  // replace: the rows the table had
    std::vector<tarn::Row*> m_newRows;  // the rows the import appended
    tarn::editor::TakenRows m_oldTaken; // replace: the old rows while done
    tarn::editor::TakenRows m_newTaken; // the appended rows while undone
    std::vector<Change> m_changes;      // merge: the cells it changed, in the order changed
};

// The whole content of one table as one step: every row's exact texts in order, with the table's
// running id maximum and new-row counter. The recovery journal writes it where it cannot write
// the steps themselves (an undo back past the journal's start, a step without a record, a table
// read again after a step that changed it together with others). Redo replaces every row, as an
// import that replaces does, and sets the counters; undo puts the old rows and counters back.
// Unlike an import it takes ids as they are, twice or not. Text: 恢复表的内容.
class TableSnapshotCommand : public ImportTableCommand
{
public:
    // The record of `table` as it is now: "snapshot": running maximum, new-row counter, then the
    // fields of a replacing "import" record (table, "replace", field count, presence, row count,
    // texts).
    static CommandRecord RecordOfTable(const tarn::editor::Table& table);
    // The command a "snapshot" record describes; null when it does not fit the tables.
    static QUndoCommand* FromRecord(DocumentChangeSink* document, const std::vector<std::u16string>& fields);

    void redo() override;
    const CommandRecord& ToRecord() const { return m_record; }

private:
    TableSnapshotCommand(DocumentChangeSink* document, tarn::editor::Table* table, std::vector<bool> present,
                         std::vector<std::vector<std::u16string>> values, int maxId, int counter,
                         CommandRecord record);

    tarn::editor::Table* m_snapshotTable;
    int m_maxId;
    int m_counter;
    CommandRecord m_record;
};
