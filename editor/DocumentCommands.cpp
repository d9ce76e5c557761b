#include "editor/DocumentCommands.h"

#include "base/assert.h"
#include "tool/cell.h"
#include "tool/cellValue.h"
#include "tool/row.h"
#include "tool/tableExchange.h"
#include "tool/tables.h"

#include <climits>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>

namespace
{

std::u16string FileNameOf(const tarn::editor::Table* table)
{
    return table != nullptr ? std::u16string(table->m_fileName.c_str()) : std::u16string();
}

DocRows RowsOf(tarn::editor::Table* table, const tarn::editor::TakenRows& taken)
{
    DocRows rows;
    rows.table = table;
    rows.rows.reserve(static_cast<std::size_t>(taken.size()));
    rows.positions.reserve(static_cast<std::size_t>(taken.size()));
    for (int i = 0; i < taken.size(); ++i)
    {
        rows.rows.push_back(taken.row(i));
        rows.positions.push_back(taken.entries()[static_cast<std::size_t>(i)].position);
    }
    return rows;
}

std::u16string Number(long long value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

// A decimal integer in [low, high], nothing else.
bool ParseNumber(const std::u16string& text, long long low, long long high, long long& value)
{
    if (text.empty() || text.size() > 20)
        return false;
    std::size_t i = text[0] == u'-' ? 1 : 0;
    if (i == text.size())
        return false;
    long long v = 0;
    for (; i < text.size(); ++i)
    {
        if (text[i] < u'0' || text[i] > u'9' || v > (high + 1) / 10 + 1)
            return false;
        v = v * 10 + (text[i] - u'0');
    }
    value = text[0] == u'-' ? -v : v;
    return value >= low && value <= high;
}

tarn::editor::Table* TableNamed(const std::u16string& name)
{
    return TableList::instance()->find(name.c_str());
}

// The row at `position` of `table` when its id is `id`; null otherwise.
tarn::Row* RowAt(tarn::editor::Table* table, const std::u16string& id, const std::u16string& position)
{
    long long idValue = 0;
    long long positionValue = 0;
    if (table == nullptr || !ParseNumber(id, INT_MIN, INT_MAX, idValue) ||
        !ParseNumber(position, 0, INT_MAX, positionValue))
        return nullptr;
    tarn::Row* row = table->RowAtPosition(static_cast<int>(positionValue));
    return row != nullptr && row->Id() == idValue ? row : nullptr;
}

} // namespace

// ---- SetCellCommand ------------------------------------------------------------------------------

SetCellCommand::SetCellCommand(DocumentChangeSink* document, tarn::Row* row, int field,
                               std::u16string oldText, std::u16string newText, int position)
    : m_document(document), m_tableFileName(FileNameOf(row->m_table)), m_rowId(row->Id()),
      m_position(position >= 0 ? position : row->m_table != nullptr ? row->m_table->PositionOf(row) : -1),
      m_field(field),
      m_oldText(std::move(oldText)), m_newText(std::move(newText)), m_row(row)
{
    QString fieldName;
    if (row->m_table != nullptr && field >= 0 && field < row->m_table->m_fields.size())
        fieldName = QString::fromUtf16(row->m_table->m_fields[field].m_name.c_str());
    setText(QStringLiteral("修改“%1”").arg(fieldName));
}

void SetCellCommand::Apply(const std::u16string& text)
{
    if (!SCL_ASSERT(m_row != nullptr && m_field >= 0 && m_field < m_row->cells.size()))
        return;
    tarn::Cell* cell = m_row->cells[m_field];
    if (!SCL_ASSERT(cell != nullptr))
        return;
    m_document->NotifyCellChanging(m_row, m_field);
    if (!SCL_ASSERT(tarn::SetExactValueText(*cell, text)))
    {
        m_document->NotifyCellChanged(m_row, m_field); // unchanged: the followers take it back
        return;
    }
    // An id given to a row is never given to a new one.
    if (m_field == m_row->m_idFieldIndex && m_row->m_table != nullptr)
        m_row->m_table->NoteId(m_row->Id());
    m_document->NotifyCellChanged(m_row, m_field);
}

void SetCellCommand::undo()
{
    Apply(m_oldText);
}

void SetCellCommand::redo()
{
    Apply(m_newText);
}

// ---- AppendRowsCommand ---------------------------------------------------------------------------

AppendRowsCommand::AppendRowsCommand(DocumentChangeSink* document, tarn::editor::Table* table,
                                     std::u16string name)
    : m_document(document), m_table(table), m_tableFileName(FileNameOf(table)), m_name(std::move(name))
{
    setText(QStringLiteral("新建 1 行"));
}

AppendRowsCommand::AppendRowsCommand(DocumentChangeSink* document, tarn::editor::Table* table,
                                     std::vector<std::vector<std::u16string>> values)
    : m_document(document), m_table(table), m_tableFileName(FileNameOf(table)), m_values(std::move(values))
{
    setText(QStringLiteral("粘贴 %1 行").arg(m_values.size()));
}

void AppendRowsCommand::Create()
{
    m_maxIdBefore = m_table->m_maxId;
    m_counterBefore = m_table->m_newRowCounter;
    DocRows inserted;
    inserted.table = m_table;
    const int first = m_table->m_rows.size();
    if (m_values.empty())
    {
        if (tarn::Row* row = m_table->NewRow(m_name.c_str()))
            m_rows.push_back(row);
    }
    else
    {
        for (const std::vector<std::u16string>& values : m_values)
        {
            tarn::Row* row = m_table->NewRow(u"");
            if (row == nullptr)
            {
                // No id left: the rows made so far go again, and nothing has changed.
                tarn::editor::TakenRows made = m_table->TakeOutRows(m_rows);
                m_rows.clear();
                break;
            }
            const int id = row->Id();
            for (int f = 0; f < row->cells.size() && f < static_cast<int>(values.size()); ++f)
            {
                if (f == row->m_idFieldIndex || row->cells[f] == nullptr)
                    continue;
                SCL_ASSERT(tarn::SetExactValueText(*row->cells[f], values[static_cast<std::size_t>(f)]));
            }
            row->SetId(id);
            m_rows.push_back(row);
        }
    }
    for (std::size_t i = 0; i < m_rows.size(); ++i)
    {
        inserted.rows.push_back(m_rows[i]);
        inserted.positions.push_back(first + static_cast<int>(i));
    }
    m_maxIdAfter = m_table->m_maxId;
    m_counterAfter = m_table->m_newRowCounter;
    m_created = true;
    if (m_made != nullptr)
        *m_made = m_rows;
    m_made = nullptr;
    if (m_rows.empty())
    {
        m_table->m_maxId = m_maxIdBefore;
        m_table->m_newRowCounter = m_counterBefore;
        setObsolete(true);
        return;
    }
    m_document->NotifyRowsInserted(inserted);
}

void AppendRowsCommand::redo()
{
    if (!SCL_ASSERT(m_table != nullptr))
        return;
    if (!m_created)
    {
        Create();
        return;
    }
    m_table->PutBack(m_taken);
    m_table->m_maxId = m_maxIdAfter;
    m_table->m_newRowCounter = m_counterAfter;
    DocRows inserted;
    inserted.table = m_table;
    for (tarn::Row* row : m_rows)
    {
        inserted.rows.push_back(row);
        inserted.positions.push_back(m_table->m_rows.size() - static_cast<int>(m_rows.size()) +
                                     static_cast<int>(inserted.positions.size()));
    }
    m_document->NotifyRowsInserted(inserted);
}

void AppendRowsCommand::undo()
{
    if (!SCL_ASSERT(m_table != nullptr && m_created))
        return;
    m_taken = m_table->TakeOutRows(m_rows);
    m_table->m_maxId = m_maxIdBefore;
    m_table->m_newRowCounter = m_counterBefore;
    m_document->NotifyRowsRemoved(RowsOf(m_table, m_taken));
}

// ---- SetCellsCommand ----------------------------------------------------------------------------

SetCellsCommand::SetCellsCommand(DocumentChangeSink* document, std::vector<Entry> entries)
    : m_document(document)
{
    m_entries.reserve(entries.size());
    for (Entry& entry : entries)
    {
        tarn::Row* row = entry.row;
        if (row == nullptr || row->m_table == nullptr || entry.field < 0 || entry.field >= row->cells.size() ||
            row->cells[entry.field] == nullptr)
            continue;
        if (entry.tableFileName.empty())
            entry.tableFileName = FileNameOf(row->m_table);
        entry.rowId = row->Id();
        if (entry.position < 0)
            entry.position = row->m_table->PositionOf(row);
        if (entry.oldText.empty())
            entry.oldText = tarn::ExactValueText(*row->cells[entry.field]);
        m_entries.push_back(std::move(entry));
    }
    setText(QStringLiteral("修改 %1 个单元格").arg(m_entries.size()));
}

void SetCellsCommand::redo()
{
    for (const Entry& entry : m_entries)
    {
        tarn::Cell* cell = entry.row->cells[entry.field];
        if (!SCL_ASSERT(tarn::SetExactValueText(*cell, entry.newText)))
            continue;
        m_document->NotifyCellChanged(entry.row, entry.field);
    }
}

void SetCellsCommand::undo()
{
    for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it)
    {
        tarn::Cell* cell = it->row->cells[it->field];
        if (!SCL_ASSERT(tarn::SetExactValueText(*cell, it->oldText)))
            continue;
        m_document->NotifyCellChanged(it->row, it->field);
    }
}

// ---- DeleteRowsCommand ---------------------------------------------------------------------------

DeleteRowsCommand::DeleteRowsCommand(DocumentChangeSink* document, const std::vector<tarn::Row*>& rows)
    : m_document(document)
{
    // One part per table, in the order the tables first appear.
    std::unordered_map<tarn::editor::Table*, std::size_t> partOf;
    for (tarn::Row* row : rows)
    {
        if (row == nullptr || row->m_table == nullptr)
            continue;
        auto found = partOf.find(row->m_table);
        if (found == partOf.end())
        {
            found = partOf.emplace(row->m_table, m_parts.size()).first;
            TablePart part;
            part.table = row->m_table;
            part.tableFileName = FileNameOf(row->m_table);
            m_parts.push_back(std::move(part));
        }
        m_parts[found->second].rows.push_back(row);
    }
    for (const TablePart& part : m_parts)
        m_count += static_cast<int>(part.rows.size());
    setText(QStringLiteral("删除 %1 行").arg(m_count));
}

void DeleteRowsCommand::redo()
{
    for (TablePart& part : m_parts)
    {
        part.taken = part.table->TakeOutRows(part.rows);
        if (part.ids.empty())
        {
            for (int i = 0; i < part.taken.size(); ++i)
            {
                part.ids.push_back(part.taken.row(i)->Id());
                part.positions.push_back(part.taken.entries()[static_cast<std::size_t>(i)].position);
            }
        }
        m_document->NotifyRowsRemoved(RowsOf(part.table, part.taken));
    }
}

void DeleteRowsCommand::undo()
{
    // In reverse order of redo, so that every table is as redo found it.
    for (auto it = m_parts.rbegin(); it != m_parts.rend(); ++it)
    {
        DocRows inserted = RowsOf(it->table, it->taken);
        it->table->PutBack(it->taken);
        m_document->NotifyRowsInserted(inserted);
    }
}

// ---- ImportTableCommand --------------------------------------------------------------------------

namespace
{

// One scratch cell per field of a table, to turn exact texts into values and back.
class ScratchCells
{
public:
    explicit ScratchCells(tarn::editor::Table* table)
    {
        for (int f = 0; f < table->m_fields.size(); ++f)
            m_cells.emplace_back(tarn::CreateCell(table->m_fields[f]));
    }
    tarn::Cell* operator[](std::size_t f) const { return m_cells[f].get(); }

private:
    std::vector<std::unique_ptr<tarn::Cell>> m_cells;
};

} // namespace

ImportTableCommand::ImportTableCommand(DocumentChangeSink* document, tarn::editor::Table* table,
                                       const tarn::ImportPlan& plan)
    : m_document(document), m_table(table), m_tableFileName(FileNameOf(table)), m_merge(plan.merge)
{
    const std::size_t fields = table != nullptr ? static_cast<std::size_t>(table->m_fields.size()) : 0;
    m_present.assign(fields, false);
    if (!plan.records.empty())
        for (std::size_t f = 0; f < fields && f < plan.records.front().values.size(); ++f)
            m_present[f] = plan.records.front().values[f].Type() != FIELD_TYPE_INVALID;
    if (table != nullptr)
    {
        ScratchCells scratch(table);
        for (const tarn::ImportPlan::Record& record : plan.records)
        {
            std::vector<std::u16string> texts(fields);
            for (std::size_t f = 0; f < fields && f < record.values.size(); ++f)
            {
                if (m_present[f] && scratch[f] != nullptr && tarn::WriteCell(*scratch[f], record.values[f]))
                    texts[f] = tarn::ExactValueText(*scratch[f]);
            }
            m_values.push_back(std::move(texts));
        }
    }
    setText(QStringLiteral("导入 %1 行").arg(m_values.size()));
}

ImportTableCommand::ImportTableCommand(DocumentChangeSink* document, tarn::editor::Table* table, bool merge,
                                       std::vector<bool> present,
                                       std::vector<std::vector<std::u16string>> values)
    : m_document(document), m_table(table), m_tableFileName(FileNameOf(table)), m_merge(merge),
      m_present(std::move(present)), m_values(std::move(values))
{
    setText(QStringLiteral("导入 %1 行").arg(m_values.size()));
}

void ImportTableCommand::FirstRedo()
{
    m_maxIdBefore = m_table->m_maxId;
    m_counterBefore = m_table->m_newRowCounter;

    // The plan again, from the plain values, against the table as it is now.
    tarn::ImportPlan plan;
    plan.merge = m_merge;
    const int idField = m_table->m_idFieldIndex;
    std::unordered_map<int, tarn::Row*> firstOfId;
    if (m_merge)
        for (tarn::Row& row : m_table->m_rows)
            firstOfId.emplace(row.Id(), &row);
    {
        ScratchCells scratch(m_table);
        for (const std::vector<std::u16string>& texts : m_values)
        {
            tarn::ImportPlan::Record record;
            record.values.resize(m_present.size());
            for (std::size_t f = 0; f < m_present.size() && f < texts.size(); ++f)
            {
                if (m_present[f] &&
                    SCL_ASSERT(scratch[f] != nullptr && tarn::SetExactValueText(*scratch[f], texts[f])))
                    record.values[f] = tarn::ReadCell(*scratch[f]);
            }
            if (m_merge && idField >= 0 && static_cast<std::size_t>(idField) < record.values.size())
            {
                const auto it = firstOfId.find(record.values[static_cast<std::size_t>(idField)].GetInt());
                record.target = it != firstOfId.end() ? it->second : nullptr;
            }
            plan.records.push_back(std::move(record));
        }
    }

    std::vector<Change> before;
    if (!m_merge)
    {
        for (tarn::Row& row : m_table->m_rows)
            m_oldRows.push_back(&row);
        m_oldTaken = m_table->TakeOutRows(m_oldRows);
        if (!m_oldTaken.empty())
            m_document->NotifyRowsRemoved(RowsOf(m_table, m_oldTaken));
    }
    else
    {
        for (const tarn::ImportPlan::Record& record : plan.records)
        {
            if (record.target == nullptr)
                continue;
            for (std::size_t f = 0; f < m_present.size(); ++f)
                if (m_present[f] && static_cast<int>(f) < record.target->cells.size())
                    before.push_back({record.target,
                                      static_cast<int>(f),
                                      tarn::ExactValueText(*record.target->cells[static_cast<int>(f)]),
                                      {}});
        }
    }
    const int first = m_table->m_rows.size();
    tarn::ApplyImport(*m_table, plan);
    for (Change& change : before)
    {
        change.newText = tarn::ExactValueText(*change.row->cells[change.field]);
        if (change.newText != change.oldText)
            m_changes.push_back(std::move(change));
    }
    int position = 0;
    for (tarn::Row& row : m_table->m_rows)
        if (position++ >= first)
            m_newRows.push_back(&row);
    m_maxIdAfter = m_table->m_maxId;
    m_counterAfter = m_table->m_newRowCounter;
    m_done = true;

    for (const Change& change : m_changes)
        m_document->NotifyCellChanged(change.row, change.field);
    if (!m_newRows.empty())
    {
        DocRows inserted;
        inserted.table = m_table;
        inserted.rows = m_newRows;
        for (std::size_t i = 0; i < m_newRows.size(); ++i)
            inserted.positions.push_back(first + static_cast<int>(i));
        m_document->NotifyRowsInserted(inserted);
    }
}

void ImportTableCommand::SetTexts(bool newTexts)
{
    const auto set = [this, newTexts](const Change& change)
    {
        tarn::Cell* cell = change.row->cells[change.field];
        if (SCL_ASSERT(cell != nullptr &&
                       tarn::SetExactValueText(*cell, newTexts ? change.newText : change.oldText)))
            m_document->NotifyCellChanged(change.row, change.field);
    };
    if (newTexts)
        for (const Change& change : m_changes)
            set(change);
    else
        for (auto it = m_changes.rbegin(); it != m_changes.rend(); ++it)
            set(*it);
}

void ImportTableCommand::InsertNewRows()
{
    if (m_newTaken.empty())
        return;
    DocRows inserted = RowsOf(m_table, m_newTaken);
    m_table->PutBack(m_newTaken);
    m_document->NotifyRowsInserted(inserted);
}

void ImportTableCommand::RemoveNewRows()
{
    m_newTaken = m_table->TakeOutRows(m_newRows);
    if (!m_newTaken.empty())
        m_document->NotifyRowsRemoved(RowsOf(m_table, m_newTaken));
}

void ImportTableCommand::redo()
{
    if (!SCL_ASSERT(m_table != nullptr))
        return;
    if (!m_done)
    {
        FirstRedo();
        return;
    }
    if (!m_merge)
    {
        m_oldTaken = m_table->TakeOutRows(m_oldRows);
        if (!m_oldTaken.empty())
            m_document->NotifyRowsRemoved(RowsOf(m_table, m_oldTaken));
    }
    InsertNewRows();
    SetTexts(true);
    m_table->m_maxId = m_maxIdAfter;
    m_table->m_newRowCounter = m_counterAfter;
}

void ImportTableCommand::undo()
{
    if (!SCL_ASSERT(m_table != nullptr && m_done))
        return;
    RemoveNewRows();
    SetTexts(false);
    if (!m_merge && !m_oldTaken.empty())
    {
        DocRows inserted = RowsOf(m_table, m_oldTaken);
        m_table->PutBack(m_oldTaken);
        m_document->NotifyRowsInserted(inserted);
    }
    m_table->m_maxId = m_maxIdBefore;
    m_table->m_newRowCounter = m_counterBefore;
}

CommandRecord ImportTableCommand::ToRecord() const
{
    CommandRecord record{
        u"import",
        {m_tableFileName, m_merge ? u"merge" : u"replace", Number(static_cast<long long>(m_present.size()))}};
    std::u16string present;
    for (const bool p : m_present)
        present += p ? u'1' : u'0';
    record.fields.push_back(present);
    record.fields.push_back(Number(static_cast<long long>(m_values.size())));
    for (const std::vector<std::u16string>& texts : m_values)
        for (std::size_t f = 0; f < m_present.size(); ++f)
            record.fields.push_back(f < texts.size() ? texts[f] : std::u16string());
    return record;
}

namespace
{

// The import command a record describes, when it fits `table`: every field named, the id and
// name columns present (when there are records), every present value a value of its field, every
// missing one empty, and no id twice.
// The parts of an "import" record, when it fits its table (see ImportFromRecord); `uniqueIds`
// refuses an id given twice.
bool ParseImportRecord(const std::vector<std::u16string>& f, bool uniqueIds, tarn::editor::Table*& table,
                       std::vector<bool>& present, std::vector<std::vector<std::u16string>>& values);

QUndoCommand* ImportFromRecord(DocumentChangeSink* document, const std::vector<std::u16string>& f)
{
    tarn::editor::Table* table = nullptr;
    std::vector<bool> present;
    std::vector<std::vector<std::u16string>> values;
    if (!ParseImportRecord(f, true, table, present, values))
        return nullptr;
    return new ImportTableCommand(document, table, f[1] == u"merge", std::move(present), std::move(values));
}

bool ParseImportRecord(const std::vector<std::u16string>& f, bool uniqueIds, tarn::editor::Table*& table,
                       std::vector<bool>& present, std::vector<std::vector<std::u16string>>& values)
{
    table = f.size() >= 5 ? TableNamed(f[0]) : nullptr;
    long long fields = 0;
    long long records = 0;
    if (table == nullptr || (f[1] != u"replace" && f[1] != u"merge") ||
        !ParseNumber(f[2], table->m_fields.size(), table->m_fields.size(), fields) ||
        f[3].size() != static_cast<std::size_t>(fields) || !ParseNumber(f[4], 0, INT_MAX, records) ||
        f.size() != static_cast<std::size_t>(5 + records * fields))
        return false;
    present.clear();
    for (const char16_t c : f[3])
    {
        if (c != u'0' && c != u'1')
            return false;
        present.push_back(c == u'1');
    }
    const int idField = table->m_idFieldIndex;
    const int nameField = table->m_nameFieldIndex;
    if (records > 0 &&
        (idField < 0 || idField >= fields || !present[static_cast<std::size_t>(idField)] || nameField < 0 ||
         nameField >= fields || !present[static_cast<std::size_t>(nameField)]))
        return false;
    ScratchCells scratch(table);
    std::unordered_map<int, bool> ids;
    values.assign(static_cast<std::size_t>(records), {});
    std::size_t at = 5;
    for (std::vector<std::u16string>& row : values)
    {
        row.reserve(static_cast<std::size_t>(fields));
        for (std::size_t field = 0; field < static_cast<std::size_t>(fields); ++field, ++at)
        {
            if (present[field] ? scratch[field] == nullptr || !tarn::SetExactValueText(*scratch[field], f[at])
                               : !f[at].empty())
                return false;
            row.push_back(f[at]);
        }
        if (uniqueIds && !ids.emplace(scratch[static_cast<std::size_t>(idField)]->GetInt(), true).second)
            return false;
    }
    return true;
}

} // namespace

// ---- Table snapshots -----------------------------------------------------------------------------

TableSnapshotCommand::TableSnapshotCommand(DocumentChangeSink* document, tarn::editor::Table* table,
                                           std::vector<bool> present,
                                           std::vector<std::vector<std::u16string>> values, int maxId,
                                           int counter, CommandRecord record)
    : ImportTableCommand(document, table, false, std::move(present), std::move(values)),
      m_snapshotTable(table), m_maxId(maxId), m_counter(counter), m_record(std::move(record))
{
    setText(QStringLiteral("恢复表的内容"));
}

CommandRecord TableSnapshotCommand::RecordOfTable(const tarn::editor::Table& table)
{
    // Only read: ScratchCells and the row walk take a table that could be changed.
    auto* editable = const_cast<tarn::editor::Table*>(&table);
    ScratchCells scratch(editable);
    const int fields = table.m_fields.size();
    std::u16string present;
    for (int f = 0; f < fields; ++f)
        present += scratch[static_cast<std::size_t>(f)] != nullptr ? u'1' : u'0';
    CommandRecord record{u"snapshot",
                         {Number(table.m_maxId), Number(table.m_newRowCounter), FileNameOf(&table),
                          u"replace", Number(fields), present, Number(table.m_rows.size())}};
    record.fields.reserve(record.fields.size() +
                          static_cast<std::size_t>(table.m_rows.size()) * static_cast<std::size_t>(fields));
    for (tarn::Row& row : editable->m_rows)
        for (int f = 0; f < fields; ++f)
        {
            tarn::Cell* cell = f < row.cells.size() ? row.cells[f] : nullptr;
            record.fields.push_back(present[static_cast<std::size_t>(f)] == u'1' && cell != nullptr
                                        ? tarn::ExactValueText(*cell)
                                        : std::u16string());
        }
    return record;
}

QUndoCommand* TableSnapshotCommand::FromRecord(DocumentChangeSink* document,
                                               const std::vector<std::u16string>& f)
{
    long long maxId = 0;
    long long counter = 0;
    if (f.size() < 7 || !ParseNumber(f[0], INT_MIN, INT_MAX, maxId) ||
        !ParseNumber(f[1], INT_MIN, INT_MAX, counter) || f[3] != u"replace")
        return nullptr;
    const std::vector<std::u16string> import(f.begin() + 2, f.end());
    tarn::editor::Table* table = nullptr;
    std::vector<bool> present;
    std::vector<std::vector<std::u16string>> values;
    if (!ParseImportRecord(import, false, table, present, values))
        return nullptr;
    return new TableSnapshotCommand(document, table, std::move(present), std::move(values),
                                    static_cast<int>(maxId), static_cast<int>(counter),
                                    CommandRecord{u"snapshot", f});
}

void TableSnapshotCommand::redo()
{
    ImportTableCommand::redo();
    m_snapshotTable->m_maxId = m_maxId;
    m_snapshotTable->m_newRowCounter = m_counter;
}

// ---- Records -------------------------------------------------------------------------------------

CommandRecord SetCellCommand::ToRecord() const
{
    return {u"set",
            {m_tableFileName, Number(m_rowId), Number(m_position), Number(m_field), m_oldText, m_newText}};
}

CommandRecord AppendRowsCommand::ToRecord() const
{
    if (m_values.empty())
        return {u"new", {m_tableFileName, m_name}};
    CommandRecord record{u"paste", {m_tableFileName, Number(static_cast<long long>(m_values.size()))}};
    const std::size_t fields = m_values.front().size();
    record.fields.push_back(Number(static_cast<long long>(fields)));
    for (const std::vector<std::u16string>& row : m_values)
        for (std::size_t f = 0; f < fields; ++f)
            record.fields.push_back(f < row.size() ? row[f] : std::u16string());
    return record;
}

CommandRecord SetCellsCommand::ToRecord() const
{
    CommandRecord record{u"setcells", {Number(static_cast<long long>(m_entries.size()))}};
    for (const Entry& entry : m_entries)
    {
        record.fields.push_back(entry.tableFileName);
        record.fields.push_back(Number(entry.rowId));
        record.fields.push_back(Number(entry.position));
        record.fields.push_back(Number(entry.field));
        record.fields.push_back(entry.oldText);
        record.fields.push_back(entry.newText);
    }
    return record;
}

CommandRecord DeleteRowsCommand::ToRecord() const
{
    CommandRecord record{u"delete", {}};
    for (const TablePart& part : m_parts)
    {
        record.fields.push_back(part.tableFileName);
        record.fields.push_back(Number(static_cast<long long>(part.ids.size())));
        for (std::size_t i = 0; i < part.ids.size(); ++i)
        {
            record.fields.push_back(Number(part.ids[i]));
            record.fields.push_back(Number(part.positions[i]));
        }
    }
    return record;
}

StepsCommand::StepsCommand(const QString& text)
{
    setText(text);
}

void StepsCommand::Add(std::unique_ptr<QUndoCommand> part)
{
    if (part)
        m_parts.push_back(std::move(part));
}

void StepsCommand::redo()
{
    for (const std::unique_ptr<QUndoCommand>& part : m_parts)
        part->redo();
}

void StepsCommand::undo()
{
    for (auto part = m_parts.rbegin(); part != m_parts.rend(); ++part)
        (*part)->undo();
}

CommandRecord StepsCommand::ToRecord() const
{
    CommandRecord record{u"steps", {Number(static_cast<long long>(m_parts.size()))}};
    for (const std::unique_ptr<QUndoCommand>& part : m_parts)
    {
        CommandRecord inner = RecordOf(part.get());
        if (inner.kind.empty())
            return {};
        record.fields.push_back(inner.kind);
        record.fields.push_back(Number(static_cast<long long>(inner.fields.size())));
        record.fields.insert(record.fields.end(), inner.fields.begin(), inner.fields.end());
    }
    return record;
}

QUndoCommand* StepsCommand::FromRecord(DocumentChangeSink* document, const std::vector<std::u16string>& f)
{
    long long count = 0;
    if (f.empty() || !ParseNumber(f[0], 1, INT_MAX, count))
        return nullptr;
    auto steps = std::make_unique<StepsCommand>(QString());
    std::size_t at = 1;
    bool fits = true;
    for (long long i = 0; i < count && fits; ++i)
    {
        long long size = 0;
        if (at + 2 > f.size() || !ParseNumber(f[at + 1], 0, static_cast<long long>(f.size() - at - 2), size))
        {
            fits = false;
            break;
        }
        CommandRecord inner{f[at], std::vector<std::u16string>(f.begin() + static_cast<std::ptrdiff_t>(at + 2),
                                                               f.begin() + static_cast<std::ptrdiff_t>(at + 2 + size))};
        at += 2 + static_cast<std::size_t>(size);
        std::unique_ptr<QUndoCommand> part(CommandFromRecord(document, inner));
        if (!part)
        {
            fits = false;
            break;
        }
        // The next part may name rows this one makes: run it now, undo everything below.
        part->redo();
        steps->Add(std::move(part));
    }
    steps->undo();
    if (!fits || at != f.size())
        return nullptr;
    return steps.release();
}

QUndoCommand* CommandFromRecord(DocumentChangeSink* document, const CommandRecord& record)
{
    const std::vector<std::u16string>& f = record.fields;
    if (record.kind == u"set" && f.size() == 6)
    {
        tarn::Row* row = RowAt(TableNamed(f[0]), f[1], f[2]);
        long long field = 0;
        if (row == nullptr || !ParseNumber(f[3], 0, row->cells.size() - 1, field) ||
            row->cells[static_cast<int>(field)] == nullptr)
            return nullptr;
        // Both values must be values of the field.
        std::unique_ptr<tarn::Cell> scratch(
            tarn::CreateCell(row->m_table->m_fields[static_cast<int>(field)]));
        if (!scratch || !tarn::SetExactValueText(*scratch, f[4]) || !tarn::SetExactValueText(*scratch, f[5]))
            return nullptr;
        // RowAt found the row at the recorded position: no second walk to it.
        long long position = -1;
        ParseNumber(f[2], 0, INT_MAX, position);
        return new SetCellCommand(document, row, static_cast<int>(field), f[4], f[5], static_cast<int>(position));
    }
    if (record.kind == u"new" && f.size() == 2)
    {
        tarn::editor::Table* table = TableNamed(f[0]);
        return table != nullptr ? new AppendRowsCommand(document, table, f[1]) : nullptr;
    }
    if (record.kind == u"paste" && f.size() >= 3)
    {
        tarn::editor::Table* table = TableNamed(f[0]);
        long long rows = 0;
        long long fields = 0;
        if (table == nullptr || !ParseNumber(f[1], 1, INT_MAX, rows) ||
            !ParseNumber(f[2], table->m_fields.size(), table->m_fields.size(), fields) ||
            f.size() != static_cast<std::size_t>(3 + rows * fields))
            return nullptr;
        std::vector<std::vector<std::u16string>> values(static_cast<std::size_t>(rows));
        std::size_t at = 3;
        for (std::vector<std::u16string>& row : values)
        {
            for (int field = 0; field < fields; ++field, ++at)
            {
                std::unique_ptr<tarn::Cell> scratch(tarn::CreateCell(table->m_fields[field]));
                if (field != table->m_idFieldIndex && (!scratch || !tarn::SetExactValueText(*scratch, f[at])))
                    return nullptr;
                row.push_back(f[at]);
            }
        }
        return new AppendRowsCommand(document, table, std::move(values));
    }
    if (record.kind == u"import")
        return ImportFromRecord(document, f);
    if (record.kind == u"snapshot")
        return TableSnapshotCommand::FromRecord(document, f);
    if (record.kind == u"setcells" && !f.empty())
    {
        long long count = 0;
        if (!ParseNumber(f[0], 1, INT_MAX, count) || f.size() != 1 + static_cast<std::size_t>(count) * 6)
            return nullptr;
        std::vector<SetCellsCommand::Entry> entries;
        for (std::size_t at = 1; at < f.size(); at += 6)
        {
            tarn::Row* row = RowAt(TableNamed(f[at]), f[at + 1], f[at + 2]);
            long long field = 0;
            if (row == nullptr || !ParseNumber(f[at + 3], 0, row->cells.size() - 1, field) ||
                row->cells[static_cast<int>(field)] == nullptr)
                return nullptr;
            std::unique_ptr<tarn::Cell> scratch(tarn::CreateCell(row->m_table->m_fields[static_cast<int>(field)]));
            if (!scratch || !tarn::SetExactValueText(*scratch, f[at + 4]) ||
                !tarn::SetExactValueText(*scratch, f[at + 5]))
                return nullptr;
            SetCellsCommand::Entry entry;
            entry.tableFileName = f[at];
            entry.position = row->m_table->PositionOf(row);
            entry.field = static_cast<int>(field);
            entry.oldText = f[at + 4];
            entry.newText = f[at + 5];
            entry.row = row;
            entries.push_back(std::move(entry));
        }
        return new SetCellsCommand(document, std::move(entries));
    }
    if (record.kind == u"steps")
        return StepsCommand::FromRecord(document, f);
    if (record.kind == u"delete")
    {
        std::vector<tarn::Row*> rows;
        std::size_t at = 0;
        while (at < f.size())
        {
            tarn::editor::Table* table = TableNamed(f[at]);
            long long count = 0;
            if (table == nullptr || at + 1 >= f.size() || !ParseNumber(f[at + 1], 1, INT_MAX, count) ||
                f.size() < at + 2 + static_cast<std::size_t>(count) * 2)
                return nullptr;
            at += 2;
            for (long long i = 0; i < count; ++i, at += 2)
            {
                tarn::Row* row = RowAt(table, f[at], f[at + 1]);
                if (row == nullptr)
                    return nullptr;
                rows.push_back(row);
            }
        }
        return rows.empty() ? nullptr : new DeleteRowsCommand(document, rows);
    }
    return nullptr;
}

CommandRecord RecordOf(const QUndoCommand* command)
{
    if (const auto* set = dynamic_cast<const SetCellCommand*>(command))
        return set->ToRecord();
    if (const auto* append = dynamic_cast<const AppendRowsCommand*>(command))
        return append->ToRecord();
    if (const auto* cells = dynamic_cast<const SetCellsCommand*>(command))
        return cells->ToRecord();
    if (const auto* deletion = dynamic_cast<const DeleteRowsCommand*>(command))
        return deletion->ToRecord();
    if (const auto* snapshot = dynamic_cast<const TableSnapshotCommand*>(command))
        return snapshot->ToRecord();
    if (const auto* import = dynamic_cast<const ImportTableCommand*>(command))
        return import->ToRecord();
    if (const auto* steps = dynamic_cast<const StepsCommand*>(command))
        return steps->ToRecord();
    return {};
}
