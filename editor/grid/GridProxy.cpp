#include "editor/grid/GridProxy.h"

#include "editor/grid/TableModel.h"
#include "tool/table.h"

#include <algorithm>
#include <numeric>
#include <tuple>
#include <utility>

namespace
{
int CompareUnits(const char16_t* a, const char16_t* b)
{
    for (;; ++a, ++b)
    {
        if (*a != *b)
            return *a < *b ? -1 : 1;
        if (*a == 0)
            return 0;
    }
}

// Sorts `rows` (ascending source rows) by `key(row)`, stable: a pair (key, row) orders as the key
// and then the file order, so a plain sort gives the stable order in either direction.
template <class Key, class Less>
void SortRowsBy(std::vector<int>& rows, const std::vector<TableModel::SortKey>& keys, Key key, Less less,
                bool descending)
{
    std::vector<std::pair<decltype(key(keys[0])), int>> keyed;
    keyed.reserve(rows.size());
    for (int row : rows)
        keyed.emplace_back(key(keys[static_cast<std::size_t>(row)]), row);
    std::sort(keyed.begin(), keyed.end(),
              [&](const auto& a, const auto& b)
              {
                  if (less(a.first, b.first))
                      return !descending;
                  if (less(b.first, a.first))
                      return descending;
                  return a.second < b.second;
              });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        rows[i] = keyed[i].second;
}
} // namespace

GridProxy::GridProxy(QObject* parent) : QAbstractProxyModel(parent) {}

GridProxy::~GridProxy() = default;

void GridProxy::setSourceModel(QAbstractItemModel* sourceModel)
{
    beginResetModel();
    for (const QMetaObject::Connection& connection : m_connections)
        disconnect(connection);
    m_connections.clear();
    m_model = qobject_cast<TableModel*>(sourceModel);
    QAbstractProxyModel::setSourceModel(m_model);
    if (m_model != nullptr)
    {
        m_connections = {
            connect(m_model, &QAbstractItemModel::dataChanged, this, &GridProxy::OnDataChanged),
            connect(m_model, &QAbstractItemModel::rowsAboutToBeInserted, this,
                    &GridProxy::OnRowsAboutToBeInserted),
            connect(m_model, &QAbstractItemModel::rowsInserted, this, &GridProxy::OnRowsInserted),
            connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                    &GridProxy::OnRowsAboutToBeRemoved),
            connect(m_model, &QAbstractItemModel::rowsRemoved, this, &GridProxy::OnRowsRemoved),
            connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this]() { beginResetModel(); }),
            connect(m_model, &QAbstractItemModel::modelReset, this,
                    [this]()
                    {
                        OnReset();
                        endResetModel();
                    }),
            // The model's rows keep their order; a layout change of it is taken as a new start.
            connect(m_model, &QAbstractItemModel::layoutChanged, this,
                    [this]()
                    {
                        beginResetModel();
                        OnReset();
                        endResetModel();
                    }),
        };
    }
    OnReset();
    endResetModel();
}

void GridProxy::OnReset()
{
    if (m_model == nullptr)
    {
        m_identity = true;
        m_rows.clear();
    }
    else
    {
        m_identity = m_sortColumn < 0 && m_needle.isEmpty();
        m_rows = Compute();
    }
    m_positions.clear();
    m_positionsValid = false;
}

void GridProxy::SetFilter(const QString& text)
{
    QString needle = text;
    int column = -1;
    const int colon = std::max(int(text.indexOf(QLatin1Char(':'))), int(text.indexOf(QChar(0xFF1A))));
    if (m_model != nullptr && colon > 0)
    {
        const QString name = text.left(colon).trimmed();
        for (int c = 0; c < m_model->columnCount(); ++c)
        {
            if (m_model->headerData(c, Qt::Horizontal).toString() == name)
            {
                column = c;
                needle = text.mid(colon + 1).trimmed();
                break;
            }
        }
    }
    m_needle = needle;
    m_filterColumn = column;
    m_prepared = TableModel::MakeNeedle(needle);
    const bool identity = m_sortColumn < 0 && m_needle.isEmpty();
    Reorder(identity ? std::vector<int>() : Compute(), identity);
}

void GridProxy::sort(int column, Qt::SortOrder order)
{
    m_sortColumn = m_model != nullptr && column >= 0 && column < m_model->columnCount() ? column : -1;
    m_sortOrder = order;
    const bool identity = m_sortColumn < 0 && m_needle.isEmpty();
    Reorder(identity ? std::vector<int>() : Compute(), identity);
}

bool GridProxy::Accepts(int sourceRow) const
{
    return m_needle.isEmpty() || m_model->RowContains(sourceRow, m_filterColumn, m_prepared);
}

bool GridProxy::Before(int a, int b) const
{
    if (m_sortColumn >= 0)
    {
        const bool descending = m_sortOrder == Qt::DescendingOrder;
        if (m_model->LessThan(a, b, m_sortColumn))
            return !descending;
        if (m_model->LessThan(b, a, m_sortColumn))
            return descending;
    }
    return a < b;
}

std::vector<int> GridProxy::Compute() const
{
    std::vector<int> rows;
    if (m_model == nullptr)
        return rows;
    const int count = m_model->rowCount();
    if (m_needle.isEmpty())
    {
        rows.resize(static_cast<std::size_t>(count));
        std::iota(rows.begin(), rows.end(), 0);
    }
    else
    {
        TableModel::LinkMatches matches;
        for (int r = 0; r < count; ++r)
            if (m_model->RowContains(r, m_filterColumn, m_prepared, &matches))
                rows.push_back(r);
    }
    if (m_sortColumn < 0)
        return rows;
    const bool descending = m_sortOrder == Qt::DescendingOrder;
    const std::vector<TableModel::SortKey> keys = m_model->SortKeys(m_sortColumn);
    const tarn::Field* field = m_model->FieldAt(m_sortColumn);
    if (keys.empty() || field == nullptr)
    {
        // Lists: compared cell by cell.
        std::stable_sort(rows.begin(), rows.end(), [this](int a, int b) { return Before(a, b); });
        return rows;
    }
    const auto less = [](const auto& a, const auto& b) { return a < b; };
    switch (field->m_type)
    {
    case FIELD_TYPE_INT:
    case FIELD_TYPE_INT64:
        SortRowsBy(
            rows, keys, [](const TableModel::SortKey& k) { return k.i; }, less, descending);
        break;
    case FIELD_TYPE_UINT:
    case FIELD_TYPE_UINT64:
        SortRowsBy(
            rows, keys, [](const TableModel::SortKey& k) { return k.u; }, less, descending);
        break;
    case FIELD_TYPE_FLOAT:
        SortRowsBy(
            rows, keys, [](const TableModel::SortKey& k) { return k.f; }, less, descending);
        break;
    default:
        SortRowsBy(
            rows, keys, [](const TableModel::SortKey& k) { return k.text; },
            [](const char16_t* a, const char16_t* b) { return CompareUnits(a, b) < 0; }, descending);
        break;
    }
    return rows;
}

void GridProxy::Apply(std::vector<int> rows, bool identity)
{
    // Only the rows change (VerticalSortHint): the header of the columns keeps its sections, and
    // the selection keeps whole rows cheaply.
    const QList<QPersistentModelIndex> parents;
    emit layoutAboutToBeChanged(parents, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList from = persistentIndexList();
    std::vector<int> sources;
    sources.reserve(static_cast<std::size_t>(from.size()));
    for (const QModelIndex& index : from)
        sources.push_back(SourceRow(index.row()));
    m_rows = std::move(rows);
    m_identity = identity;
    m_positionsValid = false;
    QModelIndexList to;
    to.reserve(from.size());
    for (qsizetype i = 0; i < from.size(); ++i)
    {
        const int row = ViewRow(sources[static_cast<std::size_t>(i)]);
        to.append(row >= 0 ? createIndex(row, from[i].column()) : QModelIndex());
    }
    changePersistentIndexList(from, to);
    emit layoutChanged(parents, QAbstractItemModel::VerticalSortHint);
}

void GridProxy::Reorder(std::vector<int> rows, bool identity)
{
    if (m_selection == nullptr || m_selection->model() != this || !m_selection->hasSelection())
    {
        Apply(std::move(rows), identity);
        return;
    }
    // The selected cells as (source row, first column, last column), in the old order.
    struct Span
    {
        int source;
        int left;
        int right;
    };
    std::vector<Span> spans;
    const QItemSelection selected = m_selection->selection();
    for (const QItemSelectionRange& range : selected)
        for (int row = range.top(); row <= range.bottom(); ++row)
            spans.push_back({SourceRow(row), range.left(), range.right()});
    m_selection->clearSelection();
    Apply(std::move(rows), identity);
    // Back as ranges of consecutive view rows with the same columns.
    std::vector<Span> shown;
    shown.reserve(spans.size());
    for (const Span& span : spans)
    {
        const int row = ViewRow(span.source);
        if (row >= 0)
            shown.push_back({row, span.left, span.right});
    }
    std::sort(shown.begin(), shown.end(),
              [](const Span& a, const Span& b)
              { return std::tie(a.left, a.right, a.source) < std::tie(b.left, b.right, b.source); });
    QItemSelection restored;
    std::size_t i = 0;
    while (i < shown.size())
    {
        std::size_t j = i + 1;
        while (j < shown.size() && shown[j].left == shown[i].left && shown[j].right == shown[i].right &&
               shown[j].source <= shown[j - 1].source + 1)
            ++j;
        restored.append(QItemSelectionRange(index(shown[i].source, shown[i].left),
                                            index(shown[j - 1].source, shown[i].right)));
        i = j;
    }
    if (!restored.isEmpty())
        m_selection->select(restored, QItemSelectionModel::Select);
}

void GridProxy::EnsurePositions() const
{
    if (m_positionsValid || m_identity)
        return;
    const int count = m_model != nullptr ? m_model->rowCount() : 0;
    m_positions.assign(static_cast<std::size_t>(count), -1);
    for (std::size_t v = 0; v < m_rows.size(); ++v)
        if (m_rows[v] >= 0 && m_rows[v] < count)
            m_positions[static_cast<std::size_t>(m_rows[v])] = static_cast<int>(v);
    m_positionsValid = true;
}

int GridProxy::SourceRow(int row) const
{
    if (row < 0 || row >= rowCount())
        return -1;
    return m_identity ? row : m_rows[static_cast<std::size_t>(row)];
}

int GridProxy::ViewRow(int sourceRow) const
{
    if (m_model == nullptr || sourceRow < 0 || sourceRow >= m_model->rowCount())
        return -1;
    if (m_identity)
        return sourceRow;
    EnsurePositions();
    return m_positions[static_cast<std::size_t>(sourceRow)];
}

int GridProxy::InsertionPoint(const std::vector<int>& rows, int sourceRow) const
{
    if (m_sortColumn < 0)
        return static_cast<int>(std::lower_bound(rows.begin(), rows.end(), sourceRow) - rows.begin());
    return static_cast<int>(
        std::partition_point(rows.begin(), rows.end(), [&](int shown) { return Before(shown, sourceRow); }) -
        rows.begin());
}

QModelIndex GridProxy::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return QModelIndex();
    return createIndex(row, column);
}

QModelIndex GridProxy::parent(const QModelIndex& child) const
{
    Q_UNUSED(child);
    return QModelIndex();
}

QModelIndex GridProxy::sibling(int row, int column, const QModelIndex& index) const
{
    Q_UNUSED(index);
    return this->index(row, column);
}

int GridProxy::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || m_model == nullptr)
        return 0;
    return m_identity ? m_model->rowCount() : static_cast<int>(m_rows.size());
}

int GridProxy::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || m_model == nullptr ? 0 : m_model->columnCount();
}

bool GridProxy::hasChildren(const QModelIndex& parent) const
{
    return !parent.isValid() && rowCount() > 0 && columnCount() > 0;
}

QVariant GridProxy::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (m_model == nullptr)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return m_model->headerData(section, orientation, role);
    const int source = SourceRow(section);
    return source >= 0 ? m_model->headerData(source, orientation, role) : QVariant();
}

QModelIndex GridProxy::mapToSource(const QModelIndex& proxyIndex) const
{
    if (!proxyIndex.isValid() || m_model == nullptr || proxyIndex.model() != this)
        return QModelIndex();
    const int source = SourceRow(proxyIndex.row());
    return source >= 0 ? m_model->index(source, proxyIndex.column()) : QModelIndex();
}

QModelIndex GridProxy::mapFromSource(const QModelIndex& sourceIndex) const
{
    if (!sourceIndex.isValid() || sourceIndex.model() != m_model)
        return QModelIndex();
    const int row = ViewRow(sourceIndex.row());
    return row >= 0 ? createIndex(row, sourceIndex.column()) : QModelIndex();
}

void GridProxy::OnDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                              const QList<int>& roles)
{
    if (!topLeft.isValid() || !bottomRight.isValid())
        return;
    const int left = topLeft.column();
    const int right = bottomRight.column();
    if (m_identity)
    {
        emit dataChanged(index(topLeft.row(), left), index(bottomRight.row(), right), roles);
        return;
    }
    const bool sorts = m_sortColumn >= left && m_sortColumn <= right;
    const bool filters =
        !m_needle.isEmpty() && (m_filterColumn < 0 || (m_filterColumn >= left && m_filterColumn <= right));
    if (topLeft.row() != bottomRight.row())
    {
        // Many rows (a linked table's names or ids changed): the order and the filter from scratch.
        if (sorts || filters)
            Apply(Compute(), false);
        if (rowCount() > 0)
            emit dataChanged(index(0, left), index(rowCount() - 1, right), roles);
        return;
    }
    const int source = topLeft.row();
    const int shown = ViewRow(source);
    const bool accepted = !filters ? shown >= 0 : Accepts(source);
    if (shown >= 0 && !accepted)
    {
        beginRemoveRows(QModelIndex(), shown, shown);
        m_rows.erase(m_rows.begin() + shown);
        m_positionsValid = false;
        endRemoveRows();
        return;
    }
    if (shown < 0 && accepted)
    {
        const int at = InsertionPoint(m_rows, source);
        beginInsertRows(QModelIndex(), at, at);
        m_rows.insert(m_rows.begin() + at, source);
        m_positionsValid = false;
        endInsertRows();
        return;
    }
    if (shown < 0)
        return;
    if (sorts)
    {
        // The row may belong elsewhere now: taken out, then put back where the order says.
        std::vector<int> rows = m_rows;
        rows.erase(rows.begin() + shown);
        const int at = InsertionPoint(rows, source);
        if (at != shown)
        {
            rows.insert(rows.begin() + at, source);
            Apply(std::move(rows), false);
        }
    }
    const int now = ViewRow(source);
    emit dataChanged(index(now, left), index(now, right), roles);
}

void GridProxy::OnRowsAboutToBeInserted(const QModelIndex& parent, int first, int last)
{
    if (m_identity && !parent.isValid())
        beginInsertRows(QModelIndex(), first, last);
}

void GridProxy::OnRowsInserted(const QModelIndex& parent, int first, int last)
{
    if (parent.isValid())
        return;
    if (m_identity)
    {
        endInsertRows();
        return;
    }
    const int count = last - first + 1;
    for (int& row : m_rows)
        if (row >= first)
            row += count;
    m_positionsValid = false;
    std::vector<int> added;
    for (int s = first; s <= last; ++s)
        if (Accepts(s))
            added.push_back(s);
    if (added.empty())
        return;
    if (m_sortColumn < 0)
    {
        // In file order the new rows lie together.
        const int at = InsertionPoint(m_rows, first);
        beginInsertRows(QModelIndex(), at, at + static_cast<int>(added.size()) - 1);
        m_rows.insert(m_rows.begin() + at, added.begin(), added.end());
        m_positionsValid = false;
        endInsertRows();
        return;
    }
    for (int s : added)
    {
        const int at = InsertionPoint(m_rows, s);
        beginInsertRows(QModelIndex(), at, at);
        m_rows.insert(m_rows.begin() + at, s);
        m_positionsValid = false;
        endInsertRows();
    }
}

void GridProxy::OnRowsAboutToBeRemoved(const QModelIndex& parent, int first, int last)
{
    if (parent.isValid())
        return;
    if (m_identity)
    {
        beginRemoveRows(QModelIndex(), first, last);
        return;
    }
    std::vector<int> shown;
    for (int s = first; s <= last; ++s)
    {
        const int row = ViewRow(s);
        if (row >= 0)
            shown.push_back(row);
    }
    std::sort(shown.begin(), shown.end());
    // Runs of consecutive view rows, the last first: the earlier positions stay right.
    std::size_t j = shown.size();
    while (j > 0)
    {
        std::size_t i = j - 1;
        while (i > 0 && shown[i - 1] == shown[i] - 1)
            --i;
        beginRemoveRows(QModelIndex(), shown[i], shown[j - 1]);
        m_rows.erase(m_rows.begin() + shown[i], m_rows.begin() + shown[j - 1] + 1);
        m_positionsValid = false;
        endRemoveRows();
        j = i;
    }
}

void GridProxy::OnRowsRemoved(const QModelIndex& parent, int first, int last)
{
    if (parent.isValid())
        return;
    if (m_identity)
    {
        endRemoveRows();
        return;
    }
    const int count = last - first + 1;
    for (int& row : m_rows)
        if (row > last)
            row -= count;
    m_positionsValid = false;
}
