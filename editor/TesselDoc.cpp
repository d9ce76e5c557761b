#include "editor/TesselDoc.h"

#include "editor/DocumentCommands.h"
#include "tool/cell.h"
#include "tool/cellValue.h"
#include "tool/row.h"
#include "tool/table.h"

#include <QDir>
#include <QFileInfo>

#include <climits>
#include <memory>

CTesselDoc::CTesselDoc(QObject* parent) : QObject(parent)
{
    // The signals' argument types, for queued connections and signal spies.
    qRegisterMetaType<DocRows>();
    qRegisterMetaType<tarn::Row*>();
    qRegisterMetaType<tarn::editor::Table*>();
    connect(&m_undoStack, &QUndoStack::cleanChanged, this, &CTesselDoc::UpdateModified);
}

CTesselDoc::~CTesselDoc()
{
    // The commands go first: they may still own rows of tables that outlive the document.
    m_undoStack.blockSignals(true);
    m_undoStack.clear();
}

void CTesselDoc::SetTitle(const QString& title)
{
    if (title == m_title)
        return;
    m_title = title;
    emit titleChanged(m_title);
}

void CTesselDoc::SetPathName(const QString& path)
{
    m_pathName = path;
    const QString name = QFileInfo(QDir::cleanPath(path)).fileName();
    SetTitle(name.isEmpty() ? path : name);
}

bool CTesselDoc::IsModified() const
{
    return m_forcedModified || !m_undoStack.isClean();
}

void CTesselDoc::SetModifiedFlag(bool modified)
{
    if (modified)
    {
        m_forcedModified = true;
    }
    else
    {
        m_forcedModified = false;
        m_undoStack.setClean();
    }
    UpdateModified();
}

void CTesselDoc::UpdateModified()
{
    const bool modified = IsModified();
    if (modified == m_modified)
        return;
    m_modified = modified;
    emit modifiedChanged(m_modified);
}

void CTesselDoc::Undo()
{
    emit commitPendingEdits();
    m_undoStack.undo();
    UpdateModified();
}

void CTesselDoc::Redo()
{
    emit commitPendingEdits();
    m_undoStack.redo();
    UpdateModified();
}

bool CTesselDoc::SetCellValue(tarn::Row* row, int field, const std::u16string& exactText)
{
    if (row == nullptr || row->m_table == nullptr || field < 0 || field >= row->cells.size() ||
        row->cells[field] == nullptr)
        return false;
    tarn::Cell* cell = row->cells[field];
    std::u16string oldText = tarn::ExactValueText(*cell);
    if (oldText == exactText)
        return false;
    // The text must be a value of the field: tried on a scratch cell of the same field.
    std::unique_ptr<tarn::Cell> scratch(tarn::CreateCell(row->m_table->m_fields[field]));
    if (!scratch || !tarn::SetExactValueText(*scratch, exactText))
        return false;
    m_undoStack.push(new SetCellCommand(this, row, field, std::move(oldText), exactText));
    UpdateModified();
    return true;
}

tarn::Row* CTesselDoc::CreateRow(tarn::editor::Table* table)
{
    if (table == nullptr)
        return nullptr;
    emit commitPendingEdits();
    // "新建%s%d": "新建", the table's label and its counter, without separators.
    const QString name = QStringLiteral("新建") + QString::fromUtf16(table->m_label.c_str()) +
                         QString::number(table->m_newRowCounter);
    auto* command = new AppendRowsCommand(this, table, name.toStdU16String());
    std::vector<tarn::Row*> made;
    command->ReportRowsTo(&made);
    m_undoStack.push(command); // deletes the command when the table refused
    UpdateModified();
    return made.empty() ? nullptr : made.front();
}

int CTesselDoc::DeleteRows(const std::vector<tarn::Row*>& rows)
{
    emit commitPendingEdits();
    auto command = std::make_unique<DeleteRowsCommand>(this, rows);
    const int count = command->Count();
    if (count == 0)
        return 0;
    m_undoStack.push(command.release());
    UpdateModified();
    return count;
}

std::vector<tarn::Row*> CTesselDoc::AppendRows(tarn::editor::Table* table,
                                               const std::vector<std::vector<std::u16string>>& values)
{
    if (table == nullptr || values.empty())
        return {};
    emit commitPendingEdits();
    auto* command = new AppendRowsCommand(this, table, values);
    std::vector<tarn::Row*> made;
    command->ReportRowsTo(&made);
    m_undoStack.push(command); // deletes the command when the table refused
    UpdateModified();
    return made;
}

namespace
{
std::vector<SetCellsCommand::Entry> ChangingEntries(const std::vector<CTesselDoc::CellEdit>& edits)
{
    std::vector<SetCellsCommand::Entry> entries;
    entries.reserve(edits.size());
    for (const CTesselDoc::CellEdit& edit : edits)
    {
        tarn::Row* row = edit.row;
        if (row == nullptr || row->m_table == nullptr || edit.field < 0 || edit.field >= row->cells.size() ||
            row->cells[edit.field] == nullptr)
            continue;
        std::u16string oldText = tarn::ExactValueText(*row->cells[edit.field]);
        if (oldText == edit.exactText)
            continue;
        SetCellsCommand::Entry entry;
        entry.row = row;
        entry.field = edit.field;
        entry.oldText = std::move(oldText);
        entry.newText = edit.exactText;
        entries.push_back(std::move(entry));
    }
    return entries;
}
} // namespace

int CTesselDoc::SetCellValues(const std::vector<CellEdit>& edits)
{
    std::vector<SetCellsCommand::Entry> entries = ChangingEntries(edits);
    if (entries.empty())
        return 0;
    emit commitPendingEdits();
    const int count = static_cast<int>(entries.size());
    m_undoStack.push(new SetCellsCommand(this, std::move(entries)));
    UpdateModified();
    return count;
}

bool CTesselDoc::PasteCells(tarn::editor::Table* table, const std::vector<CellEdit>& edits,
                            const std::vector<std::vector<std::u16string>>& values)
{
    std::vector<SetCellsCommand::Entry> entries = ChangingEntries(edits);
    if (entries.empty() && (table == nullptr || values.empty()))
        return false;
    if (table != nullptr && static_cast<long long>(table->m_maxId) + static_cast<long long>(values.size()) > INT_MAX)
        return false;
    emit commitPendingEdits();
    m_undoStack.beginMacro(QStringLiteral("粘贴"));
    if (!entries.empty())
        m_undoStack.push(new SetCellsCommand(this, std::move(entries)));
    bool appended = true;
    if (table != nullptr && !values.empty())
    {
        auto* command = new AppendRowsCommand(this, table, values);
        std::vector<tarn::Row*> made;
        command->ReportRowsTo(&made);
        m_undoStack.push(command);
        appended = !made.empty();
    }
    m_undoStack.endMacro();
    if (!appended)
    {
        // No id left for the new rows: the cells set go back, and the step with them.
        m_undoStack.undo();
        UpdateModified();
        return false;
    }
    UpdateModified();
    return true;
}

void CTesselDoc::RequestOpenTable(tarn::editor::Table* table)
{
    if (table != nullptr)
        emit openTableRequested(table);
}

bool CTesselDoc::PushRecord(const CommandRecord& record)
{
    QUndoCommand* command = CommandFromRecord(this, record);
    if (command == nullptr)
        return false;
    emit commitPendingEdits();
    m_undoStack.push(command);
    UpdateModified();
    return true;
}

void CTesselDoc::TablesReloaded()
{
    m_currentRow = nullptr;
    m_undoStack.clear();
    m_forcedModified = false;
    UpdateModified();
    emit tablesReloaded();
}

void CTesselDoc::SetCurrentRow(tarn::Row* row)
{
    m_currentRow = row;
    emit currentRowChanged(row);
}

void CTesselDoc::NotifyCellChanged(tarn::Row* row, int field)
{
    emit cellChanged(row->m_table, row, field);
}

void CTesselDoc::NotifyRowsInserted(const DocRows& rows)
{
    emit rowsInserted(rows);
}

void CTesselDoc::NotifyRowsRemoved(const DocRows& rows)
{
    for (tarn::Row* row : rows.rows)
        if (row == m_currentRow)
            m_currentRow = nullptr;
    emit rowsRemoved(rows);
}
