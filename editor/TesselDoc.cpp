#include "editor/TesselDoc.h"

#include "editor/DocumentCommands.h"
#include "tool/cell.h"
#include "tool/cellValue.h"
#include "tool/row.h"
#include "tool/table.h"
#include "tool/tables.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <climits>
#include <memory>
#include <unordered_set>

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
    if (m_readOnly)
        return;
    emit commitPendingEdits();
    m_undoStack.undo();
    UpdateModified();
}

void CTesselDoc::Redo()
{
    if (m_readOnly)
        return;
    emit commitPendingEdits();
    m_undoStack.redo();
    UpdateModified();
}

bool CTesselDoc::SetCellValue(tarn::Row* row, int field, const std::u16string& exactText)
{
    if (m_readOnly || row == nullptr || row->m_table == nullptr || field < 0 || field >= row->cells.size() ||
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
    if (field == row->m_idFieldIndex && m_confirmLinkBreak)
    {
        const std::vector<tarn::LinkIndex::Referrer> referrers = ReferrersOf(row);
        if (!referrers.empty() &&
            !m_confirmLinkBreak(QStringLiteral("修改编号 %1").arg(row->Id()), referrers))
            return false;
    }
    m_undoStack.push(new SetCellCommand(this, row, field, std::move(oldText), exactText));
    UpdateModified();
    return true;
}

tarn::Row* CTesselDoc::CreateRow(tarn::editor::Table* table)
{
    if (m_readOnly || table == nullptr)
        return nullptr;
    emit commitPendingEdits();
    Links(); // new ids go above the ids that links name
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
    if (m_readOnly)
        return 0;
    emit commitPendingEdits();
    auto command = std::make_unique<DeleteRowsCommand>(this, rows);
    const int count = command->Count();
    if (count == 0)
        return 0;
    if (m_confirmLinkBreak)
    {
        // The rows that stay and name a row that goes; links among the deleted rows do not count.
        const std::unordered_set<const tarn::Row*> going(rows.begin(), rows.end());
        std::vector<tarn::LinkIndex::Referrer> referrers;
        for (const tarn::Row* row : rows)
        {
            if (row == nullptr || row->m_table == nullptr)
                continue;
            for (const tarn::LinkIndex::Referrer& r : ReferrersOf(row))
                if (going.count(r.row) == 0 && std::find(referrers.begin(), referrers.end(), r) == referrers.end())
                    referrers.push_back(r);
        }
        if (!referrers.empty() && !m_confirmLinkBreak(QStringLiteral("删除 %1 行").arg(count), referrers))
            return 0;
    }
    m_undoStack.push(command.release());
    UpdateModified();
    return count;
}

std::vector<tarn::Row*> CTesselDoc::AppendRows(tarn::editor::Table* table,
                                               const std::vector<std::vector<std::u16string>>& values)
{
    if (m_readOnly || table == nullptr || values.empty())
        return {};
    emit commitPendingEdits();
    Links(); // new ids go above the ids that links name
    auto* command = new AppendRowsCommand(this, table, values);
    std::vector<tarn::Row*> made;
    command->ReportRowsTo(&made);
    m_undoStack.push(command); // deletes the command when the table refused
    UpdateModified();
    return made;
}

bool CTesselDoc::ImportRows(tarn::editor::Table* table, const tarn::ImportPlan& plan)
{
    if (m_readOnly || table == nullptr)
        return false;
    emit commitPendingEdits();
    m_undoStack.push(new ImportTableCommand(this, table, plan));
    UpdateModified();
    return true;
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

namespace
{
std::vector<const tarn::Row*> RowsWithNewIds(const std::vector<SetCellsCommand::Entry>& entries)
{
    std::vector<const tarn::Row*> rows;
    for (const SetCellsCommand::Entry& entry : entries)
        if (entry.row != nullptr && entry.field == entry.row->m_idFieldIndex)
            rows.push_back(entry.row);
    return rows;
}
} // namespace

bool CTesselDoc::ConfirmIdChanges(const std::vector<const tarn::Row*>& rows)
{
    if (!m_confirmLinkBreak)
        return true;
    std::vector<tarn::LinkIndex::Referrer> referrers;
    QStringList ids;
    for (const tarn::Row* row : rows)
    {
        std::vector<tarn::LinkIndex::Referrer> more = ReferrersOf(row);
        if (!more.empty())
            ids << QString::number(row->Id());
        referrers.insert(referrers.end(), more.begin(), more.end());
    }
    return referrers.empty() || m_confirmLinkBreak(QStringLiteral("修改编号 %1").arg(ids.join(u'、')), referrers);
}

int CTesselDoc::SetCellValues(const std::vector<CellEdit>& edits)
{
    if (m_readOnly)
        return 0;
    std::vector<SetCellsCommand::Entry> entries = ChangingEntries(edits);
    if (entries.empty() || !ConfirmIdChanges(RowsWithNewIds(entries)))
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
    if (m_readOnly)
        return false;
    std::vector<SetCellsCommand::Entry> entries = ChangingEntries(edits);
    if (entries.empty() && (table == nullptr || values.empty()))
        return false;
    if (!ConfirmIdChanges(RowsWithNewIds(entries)))
        return false;
    Links(); // new ids go above the ids that links name
    if (table != nullptr && static_cast<long long>(table->m_maxId) + static_cast<long long>(values.size()) > INT_MAX)
        return false;
    emit commitPendingEdits();
    // One step with a record of its own, so that the journal keeps a paste whole.
    auto steps = std::make_unique<StepsCommand>(QStringLiteral("粘贴"));
    if (!entries.empty())
        steps->Add(std::make_unique<SetCellsCommand>(this, std::move(entries)));
    std::vector<tarn::Row*> made;
    const bool appending = table != nullptr && !values.empty();
    if (appending)
    {
        auto append = std::make_unique<AppendRowsCommand>(this, table, values);
        append->ReportRowsTo(&made);
        steps->Add(std::move(append));
    }
    m_undoStack.push(steps.release());
    if (appending && made.empty())
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
    if (m_readOnly)
        return false;
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
    m_links.Clear();
    m_forcedModified = false;
    UpdateModified();
    emit tablesReloaded();
}

void CTesselDoc::SetCurrentRow(tarn::Row* row)
{
    m_currentRow = row;
    emit currentRowChanged(row);
}

void CTesselDoc::ForgetStaleLinks()
{
    // The tables the index points at were replaced behind the document's back.
    if (m_links.Built() && m_linksGeneration != TableList::generation())
        m_links.Clear();
}

const tarn::LinkIndex& CTesselDoc::Links()
{
    if (!m_links.Built() || m_linksGeneration != TableList::generation())
    {
        m_linksGeneration = TableList::generation();
        m_links.Build(*TableList::instance());
    }
    return m_links;
}

std::vector<tarn::LinkIndex::Referrer> CTesselDoc::ReferrersOf(const tarn::Row* row)
{
    if (row == nullptr || row->m_table == nullptr)
        return {};
    return Links().ReferrersOf(row->m_table, row->Id());
}

void CTesselDoc::GoTo(tarn::Row* row, int field)
{
    if (row == nullptr)
        return;
    SetCurrentRow(row);
    emit fieldRequested(row, field);
}

void CTesselDoc::NotifyCellChanging(tarn::Row* row, int field)
{
    ForgetStaleLinks();
    m_links.RemoveCell(row, field);
}

void CTesselDoc::NotifyCellChanged(tarn::Row* row, int field)
{
    ForgetStaleLinks();
    m_links.AddCell(row, field);
    emit cellChanged(row->m_table, row, field);
}

void CTesselDoc::NotifyRowsInserted(const DocRows& rows)
{
    ForgetStaleLinks();
    m_links.AddRows(rows.rows);
    emit rowsInserted(rows);
}

void CTesselDoc::NotifyRowsRemoved(const DocRows& rows)
{
    ForgetStaleLinks();
    m_links.RemoveRows(rows.rows);
    for (tarn::Row* row : rows.rows)
        if (row == m_currentRow)
            m_currentRow = nullptr;
    emit rowsRemoved(rows);
}
