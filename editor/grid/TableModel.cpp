#include "editor/grid/TableModel.h"

#include "editor/CellVariant.h"
#include "editor/TesselDoc.h"
#include "tool/cell.h"
#include "tool/cellText.h"
#include "tool/row.h"
#include "tool/rowText.h"
#include "tool/table.h"
#include "tool/tables.h"

#include <QAbstractProxyModel>
#include <QBrush>
#include <QColor>
#include <QStringView>

#include <algorithm>
#include <climits>

namespace
{
const QChar kNameSeparator = QChar(0x00B7); // "3025 · 野狼掉落"

QString FromU16(const char16_t* text)
{
    return QString::fromUtf16(text);
}

QString FromU16(const std::u16string& text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}


int CompareU16(const char16_t* a, const char16_t* b)
{
    for (;; ++a, ++b)
    {
        if (*a != *b)
            return *a < *b ? -1 : 1;
        if (*a == 0)
            return 0;
    }
}

// One unit case folded; ASCII without a table look-up (most of the data).
inline char16_t FoldUnit(char16_t unit)
{
    if (unit < 0x80)
        return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + 32) : unit;
    if (QChar::isSurrogate(unit))
        return unit;
    return static_cast<char16_t>(QChar::toCaseFolded(char32_t(unit)));
}

// Whether the zero-terminated `text` contains `folded` (already case folded), ignoring case. Unit by
// unit, with no copy of the text: a filter runs this on every cell of the table.
bool ContainsFolded(const char16_t* text, const QString& folded)
{
    const qsizetype n = folded.size();
    if (n == 0)
        return true;
    if (text == nullptr)
        return false;
    const auto* needle = reinterpret_cast<const char16_t*>(folded.utf16());
    const char16_t head = needle[0];
    for (const char16_t* at = text; *at != 0; ++at)
    {
        if (FoldUnit(*at) != head)
            continue;
        qsizetype i = 1;
        while (i < n && at[i] != 0 && FoldUnit(at[i]) == needle[i])
            ++i;
        if (i == n)
            return true;
        if (at[i] == 0)
            return false;
    }
    return false;
}

template <class T> bool ListLess(const scl::parray<T>& a, const scl::parray<T>& b)
{
    const int n = std::min(a.size(), b.size());
    for (int i = 0; i < n; ++i)
        if (a[i] != b[i])
            return a[i] < b[i];
    return a.size() < b.size();
}

// The ids a link cell names: one for an integer cell, each value of an integer list.
std::vector<long long> LinkedIds(tarn::Cell& cell)
{
    switch (cell.Type())
    {
    case FIELD_TYPE_INT:
        return {cell.GetInt()};
    case FIELD_TYPE_UINT:
        return {static_cast<long long>(cell.GetUInt())};
    case FIELD_TYPE_INT64:
        return {static_cast<long long>(cell.GetInt64())};
    case FIELD_TYPE_UINT64:
        return {static_cast<long long>(cell.GetUInt64())};
    case FIELD_TYPE_STRING_INT:
    {
        std::vector<long long> ids;
        const scl::parray<int> values = cell.GetStringInt();
        for (int i = 0; i < values.size(); ++i)
            ids.push_back(values[i]);
        return ids;
    }
    default:
        return {};
    }
}
} // namespace

TableModel::TableModel(tarn::editor::Table* table, CTesselDoc* document, QObject* parent)
    : QAbstractTableModel(parent), m_table(table), m_document(document)
{
    if (m_table != nullptr)
    {
        m_rows.reserve(static_cast<std::size_t>(m_table->m_rows.size()));
        for (scl::ListNode<tarn::Row>* node = m_table->m_rows.first(); node != nullptr; node = node->next)
            m_rows.push_back(&node->value);
    }
    if (m_document != nullptr)
    {
        connect(m_document, &CTesselDoc::cellChanged, this, &TableModel::OnCellChanged);
        connect(m_document, &CTesselDoc::rowsInserted, this, &TableModel::OnRowsInserted);
        connect(m_document, &CTesselDoc::rowsRemoved, this, &TableModel::OnRowsRemoved);
    }
}

TableModel::~TableModel() = default;

TableModel* TableModel::SourceOf(const QModelIndex& index, QModelIndex* source)
{
    QModelIndex at = index;
    while (at.isValid())
    {
        if (auto* model = qobject_cast<TableModel*>(const_cast<QAbstractItemModel*>(at.model())))
        {
            if (source != nullptr)
                *source = at;
            return model;
        }
        const auto* proxy = qobject_cast<const QAbstractProxyModel*>(at.model());
        if (proxy == nullptr)
            break;
        at = proxy->mapToSource(at);
    }
    return nullptr;
}

int TableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int TableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || m_table == nullptr ? 0 : m_table->m_fields.size();
}

tarn::Row* TableModel::RowAt(int row) const
{
    return row >= 0 && row < static_cast<int>(m_rows.size()) ? m_rows[static_cast<std::size_t>(row)]
                                                             : nullptr;
}

int TableModel::RowOf(const tarn::Row* row) const
{
    const int count = static_cast<int>(m_rows.size());
    if (row == nullptr || count == 0)
        return -1;
    // Edits come row after row (paste, a column set): look next to the last hit first.
    for (int probe : {m_lastFound, m_lastFound + 1, m_lastFound - 1})
        if (probe >= 0 && probe < count && m_rows[static_cast<std::size_t>(probe)] == row)
            return m_lastFound = probe;
    const auto it = std::find(m_rows.begin(), m_rows.end(), row);
    if (it == m_rows.end())
        return -1;
    return m_lastFound = static_cast<int>(it - m_rows.begin());
}

const tarn::Field* TableModel::FieldAt(int column) const
{
    if (m_table == nullptr || column < 0 || column >= m_table->m_fields.size())
        return nullptr;
    return &m_table->m_fields[column];
}

tarn::Cell* TableModel::CellAt(int row, int column) const
{
    tarn::Row* r = RowAt(row);
    if (r == nullptr || column < 0 || column >= r->cells.size())
        return nullptr;
    return r->cells[column];
}

QString TableModel::CellText(int row, int column) const
{
    tarn::Cell* cell = CellAt(row, column);
    if (cell == nullptr)
        return QString();
    if (cell->Type() == FIELD_TYPE_STRING)
        return FromU16(cell->GetString());
    return FromU16(tarn::CellText(*cell));
}

tarn::Row* TableModel::LinkIndex::Find(long long id) const
{
    if (id < INT_MIN || id > INT_MAX)
        return nullptr;
    const int key = static_cast<int>(id);
    const auto found = std::lower_bound(rowsById.begin(), rowsById.end(), key,
                                        [](const std::pair<int, tarn::Row*>& entry, int value)
                                        { return entry.first < value; });
    return found != rowsById.end() && found->first == key ? found->second : nullptr;
}

TableModel::LinkIndex* TableModel::LinkIndexOf(int column) const
{
    const tarn::Field* field = FieldAt(column);
    if (field == nullptr || field->m_linkTableName.empty())
        return nullptr;
    std::unique_ptr<LinkIndex>& index = m_links[column];
    if (!index)
    {
        index = std::make_unique<LinkIndex>();
        index->table = TableList::instance()->find(field->m_linkTableName.c_str());
    }
    if (index->table != nullptr && !index->built)
    {
        index->rowsById.clear();
        index->rowsById.reserve(static_cast<std::size_t>(index->table->m_rows.size()));
        for (scl::ListNode<tarn::Row>* node = index->table->m_rows.first(); node != nullptr;
             node = node->next)
            index->rowsById.emplace_back(node->value.Id(), &node->value);
        // Stable: of equal ids the first row in file order wins.
        std::stable_sort(index->rowsById.begin(), index->rowsById.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        index->rowsById.shrink_to_fit();
        index->built = true;
    }
    return index.get();
}

QVariant TableModel::LinkParts(int row, int column) const
{
    LinkIndex* index = LinkIndexOf(column);
    tarn::Cell* cell = CellAt(row, column);
    if (index == nullptr || index->table == nullptr || cell == nullptr)
        return QVariant();
    QVariantList parts;
    for (long long id : LinkedIds(*cell))
    {
        tarn::Row* found = index->Find(id);
        const bool exists = found != nullptr;
        // 0 names no row on purpose (as the data check sees it): shown plain, not as broken.
        parts.append(QVariant(QVariantList{QString::number(id), exists ? FromU16(found->Name()) : QString(),
                                           exists || id == 0}));
    }
    return parts;
}

QString TableModel::LinkText(int row, int column) const
{
    const QVariant parts = LinkParts(row, column);
    if (!parts.isValid())
        return CellText(row, column);
    QStringList pieces;
    for (const QVariant& part : parts.toList())
    {
        const QVariantList p = part.toList();
        const QString name = p.value(1).toString();
        pieces << (name.isEmpty()
                       ? p.value(0).toString()
                       : p.value(0).toString() + QLatin1Char(' ') + kNameSeparator + QLatin1Char(' ') + name);
    }
    return pieces.join(QLatin1Char('|'));
}

QString TableModel::BrokenLinkTip(int row, int column) const
{
    LinkIndex* index = LinkIndexOf(column);
    if (index == nullptr || index->table == nullptr)
        return QString();
    QStringList tips;
    for (const QVariant& part : LinkParts(row, column).toList())
    {
        const QVariantList p = part.toList();
        if (!p.value(2).toBool())
            tips << QStringLiteral("表 %1 中没有编号 %2")
                        .arg(FromU16(index->table->m_label.c_str()), p.value(0).toString());
    }
    return tips.join(QLatin1Char('\n'));
}

QVariant TableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || CellAt(index.row(), index.column()) == nullptr)
        return QVariant();
    const int row = index.row();
    const int column = index.column();
    switch (role)
    {
    case Qt::DisplayRole:
        return LinkText(row, column);
    case Qt::EditRole:
    case ValueTextRole:
        return CellText(row, column);
    case LinkPartsRole:
        return LinkParts(row, column);
    case Qt::ForegroundRole:
    case Qt::ToolTipRole:
    {
        const QString tip = BrokenLinkTip(row, column);
        if (tip.isEmpty())
            return QVariant();
        return role == Qt::ToolTipRole ? QVariant(tip) : QVariant(QBrush(QColor(Qt::red)));
    }
    case Qt::TextAlignmentRole:
    {
        const FIELD_TYPE type = FieldAt(column)->m_type;
        const bool number = type >= FIELD_TYPE_INT && type <= FIELD_TYPE_FLOAT;
        return QVariant(int((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    }
    default:
        return QVariant();
    }
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    const tarn::Field* field = FieldAt(section);
    if (field == nullptr)
        return QVariant();
    if (role == Qt::DisplayRole)
        return FromU16(field->m_name.c_str());
    if (role == Qt::ToolTipRole)
    {
        QString tip = QStringLiteral("类型：%1\n代码名：%2")
                          .arg(QLatin1String(tarn::FieldTypeName(field->m_type)), FromU16(field->m_codeVarName.c_str()));
        if (!field->m_linkTableName.empty())
            tip += QStringLiteral("\n链接表：%1").arg(FromU16(field->m_linkTableName.c_str()));
        return tip;
    }
    return QVariant();
}

Qt::ItemFlags TableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_document != nullptr)
        result |= Qt::ItemIsEditable;
    return result;
}

bool TableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid())
        return false;
    if (value.metaType().id() == QMetaType::QString)
        return SetCellText(index.row(), index.column(), value.toString());
    const tarn::Field* field = FieldAt(index.column());
    if (field == nullptr)
        return false;
    const tarn::CellInput input = CellInputFromVariant(*field, value);
    if (!input)
        return false;
    return SetCellText(index.row(), index.column(), FromU16(tarn::FormatCellValue(input.value)));
}

bool TableModel::SetCellText(int row, int column, const QString& text, QString* why)
{
    tarn::Row* r = RowAt(row);
    tarn::Cell* cell = CellAt(row, column);
    if (m_document == nullptr || r == nullptr || cell == nullptr)
        return false;
    // The text as shown: nothing to change (a float shown in six decimals keeps its exact value).
    if (text == CellText(row, column))
        return true;
    std::u16string exact;
    std::u16string reason;
    if (!tarn::CheckFieldText(*m_table, column, text.toStdU16String(), exact, reason))
    {
        if (why != nullptr)
            *why = FromU16(reason);
        return false;
    }
    m_document->SetCellValue(r, column, exact);
    return true;
}

bool TableModel::LessThan(int leftRow, int rightRow, int column) const
{
    tarn::Cell* a = CellAt(leftRow, column);
    tarn::Cell* b = CellAt(rightRow, column);
    if (a == nullptr || b == nullptr)
        return a == nullptr && b != nullptr;
    switch (a->Type())
    {
    case FIELD_TYPE_INT:
        return a->GetInt() < b->GetInt();
    case FIELD_TYPE_UINT:
        return a->GetUInt() < b->GetUInt();
    case FIELD_TYPE_INT64:
        return a->GetInt64() < b->GetInt64();
    case FIELD_TYPE_UINT64:
        return a->GetUInt64() < b->GetUInt64();
    case FIELD_TYPE_FLOAT:
        return a->GetFloat() < b->GetFloat();
    case FIELD_TYPE_STRING:
        return CompareU16(a->GetString(), b->GetString()) < 0;
    case FIELD_TYPE_STRING_INT:
        return ListLess(a->GetStringInt(), b->GetStringInt());
    case FIELD_TYPE_STRING_FLOAT:
        return ListLess(a->GetStringFloat(), b->GetStringFloat());
    default:
        return false;
    }
}

std::vector<TableModel::SortKey> TableModel::SortKeys(int column) const
{
    const tarn::Field* field = FieldAt(column);
    if (field == nullptr || field->m_type == FIELD_TYPE_STRING_INT ||
        field->m_type == FIELD_TYPE_STRING_FLOAT)
        return {};
    std::vector<SortKey> keys(m_rows.size());
    for (std::size_t r = 0; r < m_rows.size(); ++r)
    {
        tarn::Cell* cell = column < m_rows[r]->cells.size() ? m_rows[r]->cells[column] : nullptr;
        if (cell == nullptr || cell->Type() != field->m_type)
            return {};
        SortKey& key = keys[r];
        switch (field->m_type)
        {
        case FIELD_TYPE_INT:
            key.i = cell->GetInt();
            break;
        case FIELD_TYPE_INT64:
            key.i = cell->GetInt64();
            break;
        case FIELD_TYPE_UINT:
            key.u = cell->GetUInt();
            break;
        case FIELD_TYPE_UINT64:
            key.u = cell->GetUInt64();
            break;
        case FIELD_TYPE_FLOAT:
            key.f = cell->GetFloat();
            break;
        default:
            key.text = cell->GetString();
            break;
        }
    }
    return keys;
}

bool TableModel::KeyLess(const SortKey& left, const SortKey& right, int column) const
{
    switch (FieldAt(column)->m_type)
    {
    case FIELD_TYPE_INT:
    case FIELD_TYPE_INT64:
        return left.i < right.i;
    case FIELD_TYPE_UINT:
    case FIELD_TYPE_UINT64:
        return left.u < right.u;
    case FIELD_TYPE_FLOAT:
        return left.f < right.f;
    default:
        return CompareU16(left.text, right.text) < 0;
    }
}

TableModel::Needle TableModel::MakeNeedle(const QString& text)
{
    Needle needle;
    needle.folded = text.toCaseFolded();
    needle.numeric = true;
    for (QChar ch : text)
        needle.numeric =
            needle.numeric && (ch.isDigit() || QStringLiteral(".-+|infa").contains(ch, Qt::CaseInsensitive));
    return needle;
}

bool TableModel::RowContains(int row, int column, const Needle& needle, LinkMatches* matches) const
{
    tarn::Row* r = RowAt(row);
    if (r == nullptr)
        return false;
    if (needle.folded.isEmpty())
        return true;
    const int first = column < 0 ? 0 : column;
    const int last = column < 0 ? r->cells.size() - 1 : std::min(column, r->cells.size() - 1);
    for (int c = first; c <= last; ++c)
    {
        tarn::Cell* cell = r->cells[c];
        if (cell == nullptr)
            continue;
        bool found = false;
        // Number and list texts cannot hold a needle with other characters: they are not even
        // formatted then.
        switch (cell->Type())
        {
        case FIELD_TYPE_STRING:
            found = ContainsFolded(cell->GetString(), needle.folded);
            break;
        case FIELD_TYPE_STRING_INT:
        case FIELD_TYPE_STRING_FLOAT:
            found = needle.numeric && ContainsFolded(tarn::CellText(*cell).c_str(), needle.folded);
            break;
        default:
            found = needle.numeric && ContainsFolded(cell->ToString(), needle.folded);
            break;
        }
        // A link cell also shows the names of the rows it names.
        if (!found && !m_table->m_fields[c].m_linkTableName.empty())
        {
            LinkIndex* index = LinkIndexOf(c);
            if (index != nullptr && index->table != nullptr && matches != nullptr)
            {
                auto known = matches->idsByColumn.find(c);
                if (known == matches->idsByColumn.end())
                {
                    // The ids of the linked rows whose names match, the first row of an id only
                    // (the one a link names).
                    std::vector<int> ids;
                    for (std::size_t i = 0; i < index->rowsById.size(); ++i)
                        if ((i == 0 || index->rowsById[i - 1].first != index->rowsById[i].first) &&
                            ContainsFolded(index->rowsById[i].second->Name(), needle.folded))
                            ids.push_back(index->rowsById[i].first);
                    known = matches->idsByColumn.emplace(c, std::move(ids)).first;
                }
                const std::vector<int>& ids = known->second;
                if (!ids.empty())
                    for (long long id : LinkedIds(*cell))
                        if (id >= INT_MIN && id <= INT_MAX &&
                            std::binary_search(ids.begin(), ids.end(), int(id)))
                        {
                            found = true;
                            break;
                        }
            }
            else if (index != nullptr && index->table != nullptr)
            {
                for (long long id : LinkedIds(*cell))
                {
                    tarn::Row* linked = index->Find(id);
                    if (linked != nullptr && ContainsFolded(linked->Name(), needle.folded))
                    {
                        found = true;
                        break;
                    }
                }
            }
        }
        if (found)
            return true;
    }
    return false;
}

void TableModel::LinkedTableChanged(tarn::editor::Table* table, bool idsChanged)
{
    for (auto& [column, index] : m_links)
    {
        if (!index || index->table != table)
            continue;
        if (idsChanged)
            index->built = false;
        if (!m_rows.empty())
            emit dataChanged(this->index(0, column), this->index(rowCount() - 1, column));
    }
}

void TableModel::OnCellChanged(tarn::editor::Table* table, tarn::Row* row, int field)
{
    if (table == m_table)
    {
        const int position = RowOf(row);
        if (position >= 0)
        {
            const QModelIndex at = index(position, field);
            emit dataChanged(at, at);
        }
    }
    if (table != nullptr && (field == table->m_idFieldIndex || field == table->m_nameFieldIndex))
        LinkedTableChanged(table, field == table->m_idFieldIndex);
}

void TableModel::OnRowsInserted(const DocRows& rows)
{
    if (rows.table == m_table)
    {
        // Ascending final positions: each run of consecutive positions is inserted in one step.
        std::size_t i = 0;
        while (i < rows.rows.size())
        {
            std::size_t j = i + 1;
            while (j < rows.rows.size() && rows.positions[j] == rows.positions[j - 1] + 1)
                ++j;
            const int first = std::clamp(rows.positions[i], 0, static_cast<int>(m_rows.size()));
            const int count = static_cast<int>(j - i);
            beginInsertRows(QModelIndex(), first, first + count - 1);
            m_rows.insert(m_rows.begin() + first, rows.rows.begin() + static_cast<std::ptrdiff_t>(i),
                          rows.rows.begin() + static_cast<std::ptrdiff_t>(j));
            endInsertRows();
            i = j;
        }
    }
    LinkedTableChanged(rows.table, true);
}

void TableModel::OnRowsRemoved(const DocRows& rows)
{
    if (rows.table == m_table)
    {
        // The positions the rows had, ascending: runs are removed from the last, so that the earlier
        // positions stay right. Each row is looked up, not trusted to its position.
        std::size_t j = rows.rows.size();
        while (j > 0)
        {
            std::size_t i = j - 1;
            while (i > 0 && rows.positions[i - 1] == rows.positions[i] - 1)
                --i;
            const int first = rows.positions[i];
            const int count = static_cast<int>(j - i);
            bool inPlace = first >= 0 && first + count <= static_cast<int>(m_rows.size());
            for (int k = 0; inPlace && k < count; ++k)
                inPlace =
                    m_rows[static_cast<std::size_t>(first + k)] == rows.rows[i + static_cast<std::size_t>(k)];
            if (inPlace)
            {
                beginRemoveRows(QModelIndex(), first, first + count - 1);
                m_rows.erase(m_rows.begin() + first, m_rows.begin() + first + count);
                endRemoveRows();
            }
            else
            {
                for (std::size_t k = i; k < j; ++k)
                {
                    const int at = RowOf(rows.rows[k]);
                    if (at < 0)
                        continue;
                    beginRemoveRows(QModelIndex(), at, at);
                    m_rows.erase(m_rows.begin() + at);
                    endRemoveRows();
                }
            }
            j = i;
        }
        m_lastFound = 0;
    }
    LinkedTableChanged(rows.table, true);
}
