// Selection state, walks and public operations of CMultiTree; the mouse, band and keyboard rules are
// in MultiTreeInput.cpp.
#include "editor/MultiTree.h"

#include <QHeaderView>
#include <QItemSelection>
#include <QRubberBand>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace
{
// Where the state bits other than selected and bold are kept on an item.
constexpr int kStateRole = Qt::UserRole + 1;
// Period of the timer that keeps a band scrolling while the cursor rests outside the control.
constexpr int kTrackPeriodMs = 75;
} // namespace

CMultiTree::CMultiTree(QWidget* parent) : QTreeWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // All rows share one height, as on the platform tree; the band's row rectangles rely on it and it
    // keeps large trees fast.
    setUniformRowHeights(true);

    m_band = new QRubberBand(QRubberBand::Rectangle, viewport());
    m_trackTimer = new QTimer(this);
    m_trackTimer->setInterval(kTrackPeriodMs);
    connect(m_trackTimer, &QTimer::timeout, this, &CMultiTree::onTrackTimer);
    connect(this, &QTreeView::collapsed, this, &CMultiTree::onCollapsed);
    // A reset deletes every item: pending bits and the anchor would point at freed items.
    m_resetConnection = connect(model(), &QAbstractItemModel::modelAboutToBeReset, this,
                                [this]
                                {
                                    m_pending.clear();
                                    m_hRangeAnchor = nullptr;
                                    m_bandList.clear();
                                });
}

CMultiTree::~CMultiTree()
{
    m_trackTimer->stop();
    if (QWidget::mouseGrabber() == viewport())
        viewport()->releaseMouse();
    disconnect(m_resetConnection);
}

// ---------------------------------------------------------------------------------------------------
// Platform layer: the plain tree underneath the rules of this class

bool CMultiTree::platformSelectCaret(QTreeWidgetItem* item)
{
    if (item && item->treeWidget() != this)
        return false;
    if (item == currentItem())
        return true; // making the caret the caret again changes nothing
    selectionModel()->setCurrentIndex(item ? indexFromItem(item) : QModelIndex(),
                                      QItemSelectionModel::NoUpdate);
    return true; // currentChanged() did the rest
}

void CMultiTree::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTreeWidget::currentChanged(current, previous);
    QTreeWidgetItem* newItem = itemFromIndex(current);
    QTreeWidgetItem* oldItem = itemFromIndex(previous);
    if (newItem == oldItem)
        return;
    {
        // However the caret moved (our rules, Qt's keyboard search, a deleted caret item), the platform
        // tree deselects the old caret item and selects the new one.
        SelectionBatch batch(*this);
        if (oldItem)
            platformSetSelectedBit(oldItem, false, previous.row());
        if (newItem)
            platformSetSelectedBit(newItem, true, current.row());
    }
    flushSelection();
    FlagScope notOwn(m_bOwnNotify, false);
    emit caretChanged(newItem, oldItem);
}

void CMultiTree::platformSetSelectedBit(QTreeWidgetItem* item, bool selected, int rowHint)
{
    if (rowHint < 0 && item == m_hintItem)
        rowHint = m_hintRow;
    m_pending.insert(item, {selected, rowHint});
    if (m_batchDepth == 0)
        flushSelection();
}

bool CMultiTree::isSelectedBit(const QTreeWidgetItem* item) const
{
    const auto it = m_pending.constFind(item);
    return it != m_pending.cend() ? it.value().selected : item->isSelected();
}

void CMultiTree::flushSelection()
{
    if (m_pending.isEmpty())
        return;
    QHash<const QTreeWidgetItem*, PendingBit> pending;
    pending.swap(m_pending);

    struct Change
    {
        const QTreeWidgetItem* parent;
        int row;
        bool select;
    };
    std::vector<Change> changes;
    changes.reserve(static_cast<size_t>(pending.size()));
    for (auto it = pending.cbegin(); it != pending.cend(); ++it)
    {
        const QTreeWidgetItem* item = it.key();
        if (item->isSelected() == it.value().selected || item->treeWidget() != this)
            continue;
        const QTreeWidgetItem* container = item->parent() ? item->parent() : invisibleRootItem();
        int row = it.value().row;
        if (row < 0 || container->child(row) != item)
            row = indexFromItem(item).row();
        if (row >= 0)
            changes.push_back({item->parent(), row, it.value().selected});
    }
    if (changes.empty())
        return;
    std::sort(changes.begin(), changes.end(),
              [](const Change& a, const Change& b)
              {
                  if (a.parent != b.parent)
                      return std::less<const QTreeWidgetItem*>()(a.parent, b.parent);
                  return a.row < b.row;
              });

    // Consecutive rows of one parent with the same change become one range.
    QItemSelection toSelect;
    QItemSelection toDeselect;
    const int lastColumn = std::max(0, columnCount() - 1);
    for (size_t i = 0; i < changes.size();)
    {
        size_t j = i + 1;
        while (j < changes.size() && changes[j].parent == changes[i].parent &&
               changes[j].select == changes[i].select && changes[j].row == changes[j - 1].row + 1)
            ++j;
        const QModelIndex parent = changes[i].parent ? indexFromItem(changes[i].parent) : QModelIndex();
        QItemSelection& target = changes[i].select ? toSelect : toDeselect;
        target.select(model()->index(changes[i].row, 0, parent),
                      model()->index(changes[j - 1].row, lastColumn, parent));
        i = j;
    }
    if (!toDeselect.isEmpty())
        selectionModel()->select(toDeselect, QItemSelectionModel::Deselect);
    if (!toSelect.isEmpty())
        selectionModel()->select(toSelect, QItemSelectionModel::Select);
}

void CMultiTree::repaintNow()
{
    flushSelection();
    viewport()->update();
}

bool CMultiTree::applyItemState(QTreeWidgetItem* item, unsigned state, unsigned mask)
{
    if (mask & TVIS_SELECTED)
        platformSetSelectedBit(item, state & TVIS_SELECTED);
    if (mask & TVIS_BOLD)
    {
        const bool bold = state & TVIS_BOLD;
        for (int column = 0; column < std::max(1, columnCount()); ++column)
        {
            QFont itemFont = item->data(column, Qt::FontRole).isValid() ? item->font(column) : font();
            if (itemFont.bold() != bold)
            {
                itemFont.setBold(bold);
                item->setFont(column, itemFont);
            }
        }
    }
    const unsigned kept = mask & ~unsigned(TVIS_FOCUSED | TVIS_SELECTED | TVIS_BOLD);
    if (kept)
    {
        const unsigned bits = item->data(0, kStateRole).toUInt();
        item->setData(0, kStateRole, (bits & ~kept) | (state & kept));
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Visible items

QModelIndex CMultiTree::firstVisible() const
{
    const QModelIndex root = rootIndex();
    const int rows = model()->rowCount(root);
    for (int row = 0; row < rows; ++row)
        if (!isRowHidden(row, root))
            return model()->index(row, 0, root);
    return {};
}

QModelIndex CMultiTree::nextVisible(const QModelIndex& index) const
{
    if (!index.isValid())
        return {};
    QModelIndex current = index.siblingAtColumn(0);
    if (isExpanded(current))
    {
        const int rows = model()->rowCount(current);
        for (int row = 0; row < rows; ++row)
            if (!isRowHidden(row, current))
                return model()->index(row, 0, current);
    }
    const QModelIndex root = rootIndex();
    while (current.isValid() && current != root)
    {
        const QModelIndex parent = current.parent();
        const int rows = model()->rowCount(parent);
        for (int row = current.row() + 1; row < rows; ++row)
            if (!isRowHidden(row, parent))
                return model()->index(row, 0, parent);
        current = parent;
    }
    return {};
}

QModelIndex CMultiTree::prevVisible(const QModelIndex& index) const
{
    if (!index.isValid())
        return {};
    const QModelIndex current = index.siblingAtColumn(0);
    const QModelIndex parent = current.parent();
    for (int row = current.row() - 1; row >= 0; --row)
    {
        if (isRowHidden(row, parent))
            continue;
        // The last visible item inside the previous sibling.
        QModelIndex last = model()->index(row, 0, parent);
        while (isExpanded(last))
        {
            QModelIndex child;
            for (int r = model()->rowCount(last) - 1; r >= 0 && !child.isValid(); --r)
                if (!isRowHidden(r, last))
                    child = model()->index(r, 0, last);
            if (!child.isValid())
                break;
            last = child;
        }
        return last;
    }
    return parent == rootIndex() ? QModelIndex() : parent;
}

bool CMultiTree::isVisibleIndex(const QModelIndex& index) const
{
    const QModelIndex root = rootIndex();
    for (QModelIndex i = index.siblingAtColumn(0); i.isValid() && i != root; i = i.parent())
    {
        if (isRowHidden(i.row(), i.parent()))
            return false;
        if (i != index.siblingAtColumn(0) && !isExpanded(i))
            return false;
    }
    return index.isValid();
}

QModelIndex CMultiTree::changeAndNext(const QModelIndex& index, QTreeWidgetItem* item, unsigned state)
{
    const QPersistentModelIndex keep(index);
    m_hintItem = item;
    m_hintRow = index.row();
    ChangeItemState(item, state, TVIS_SELECTED);
    m_hintItem = nullptr;
    return keep.isValid() ? nextVisible(keep) : QModelIndex();
}

int CMultiTree::rowHeightH() const
{
    const QModelIndex first = firstVisible();
    return first.isValid() ? visualRect(first).height() : 0;
}

QPoint CMultiTree::contentOffset() const
{
    return QPoint(horizontalOffset(), verticalOffset());
}

QRect CMultiTree::fullRowRect(int visibleRow, int height) const
{
    // The whole line: from the content's left edge across every column, at least the viewport wide.
    const int width = std::max(header()->length(), viewport()->width() + horizontalOffset());
    return QRect(-horizontalOffset(), visibleRow * height - verticalOffset(), width, height);
}

// ---------------------------------------------------------------------------------------------------
// Public operations

bool CMultiTree::ChangeItemState(QTreeWidgetItem* item, unsigned state, unsigned mask)
{
    if (!item || item->treeWidget() != this)
        return false;
    SelectionBatch batch(*this);

    QTreeWidgetItem* caret = currentItem();
    const bool isCaret = caret == item;
    const bool caretSelected = caret && isSelectedBit(caret);
    const bool wasSelected = isSelectedBit(item);
    unsigned s = state & ~unsigned(TVIS_FOCUSED);
    unsigned m = mask & ~unsigned(TVIS_FOCUSED);

    if ((mask & TVIS_FOCUSED) && (state & TVIS_FOCUSED))
    {
        if (!isCaret && caretSelected)
        {
            // The old caret item stays selected while the caret moves on.
            platformSelectCaret(nullptr);
            platformSetSelectedBit(caret, true);
            repaintNow();
        }
        if (!platformSelectCaret(item))
            return false;
        if (m & TVIS_SELECTED)
        {
            if ((s & TVIS_SELECTED) && (!isCaret || caretSelected))
            {
                s &= ~unsigned(TVIS_SELECTED); // the platform has selected it already
                m &= ~unsigned(TVIS_SELECTED);
            }
        }
        else if (!wasSelected)
        {
            m |= TVIS_SELECTED; // undo the platform's selection below, with notifications
        }
    }
    else if ((mask & TVIS_FOCUSED) && isCaret)
    {
        platformSelectCaret(nullptr); // the platform deselects the item
        if (!(m & TVIS_SELECTED))
        {
            if (wasSelected)
                platformSetSelectedBit(item, true);
        }
        else if (s & TVIS_SELECTED)
        {
            if (wasSelected)
                platformSetSelectedBit(item, true);
            s &= ~unsigned(TVIS_SELECTED);
            m &= ~unsigned(TVIS_SELECTED);
        }
    }

    if (m == 0)
        return true;
    if (m & TVIS_SELECTED)
    {
        const bool selecting = s & TVIS_SELECTED;
        if (sendSelChanging(item, selecting))
            return false;
        applyItemState(item, s, m);
        sendSelChanged(item, selecting);
        s &= ~unsigned(TVIS_SELECTED);
        m &= ~unsigned(TVIS_SELECTED);
        if (m == 0)
            return true;
    }
    return applyItemState(item, s, m);
}

unsigned CMultiTree::GetItemState(const QTreeWidgetItem* item, unsigned mask) const
{
    if (!item)
        return 0;
    unsigned state = item->data(0, kStateRole).toUInt() & ~unsigned(TVIS_FOCUSED | TVIS_SELECTED | TVIS_BOLD);
    if (isSelectedBit(item))
        state |= TVIS_SELECTED;
    if (item->data(0, Qt::FontRole).isValid() && item->font(0).bold())
        state |= TVIS_BOLD;
    return state & mask;
}

QTreeWidgetItem* CMultiTree::FindFirstSelected() const
{
    for (QModelIndex i = firstVisible(); i.isValid(); i = nextVisible(i))
        if (isSelectedBit(itemFromIndex(i)))
            return itemFromIndex(i);
    return nullptr;
}

QTreeWidgetItem* CMultiTree::FirstSelectedOfSelection() const
{
    // Bits not flushed yet are not in the selection model: walk as FindFirstSelected does.
    if (!m_pending.isEmpty())
        return FindFirstSelected();
    const QModelIndex root = rootIndex();
    QModelIndex best;
    std::vector<int> bestPath;
    const QItemSelection selection = selectionModel()->selection();
    for (const QItemSelectionRange& range : selection)
    {
        const QModelIndex parent = range.parent();
        // The rows of a range share their parent: shown only while it is shown and expanded.
        if (parent.isValid() && parent != root &&
            (!isVisibleIndex(parent) || !isExpanded(parent.siblingAtColumn(0))))
            continue;
        for (int row = range.top(); row <= range.bottom(); ++row)
        {
            if (isRowHidden(row, parent))
                continue;
            const QModelIndex index = model()->index(row, 0, parent);
            std::vector<int> path;
            for (QModelIndex i = index; i.isValid() && i != root; i = i.parent())
                path.push_back(i.row());
            std::reverse(path.begin(), path.end());
            if (!best.isValid() || path < bestPath)
            {
                best = index;
                bestPath = std::move(path);
            }
            break;
        }
    }
    return best.isValid() ? itemFromIndex(best) : nullptr;
}

QTreeWidgetItem* CMultiTree::FindNextSelected(const QTreeWidgetItem* item) const
{
    if (!item || item->treeWidget() != this)
        return nullptr;
    const QModelIndex start = indexFromItem(item);
    if (!isVisibleIndex(start))
        return nullptr;
    for (QModelIndex i = nextVisible(start); i.isValid(); i = nextVisible(i))
        if (isSelectedBit(itemFromIndex(i)))
            return itemFromIndex(i);
    return nullptr;
}

void CMultiTree::DeselectAll()
{
    DeselectAllExcept(nullptr);
}

void CMultiTree::DeselectAllExcept(const QTreeWidgetItem* item)
{
    SelectionBatch batch(*this);
    // Only selected items change, so visit just those, in display order, rather than every
    // visible item: a plain arrow key deselects all, and walking 100,000 rows for the one or two
    // selected ones would make every caret move cost milliseconds. Each item is looked at again
    // right before its change, as a walk that takes the next item after each change would.
    for (const QTreeWidgetItem* selected : selectedVisibleInDisplayOrder())
    {
        QTreeWidgetItem* current = const_cast<QTreeWidgetItem*>(selected);
        if (current->treeWidget() != this)
            continue;
        const QModelIndex index = indexFromItem(current);
        if (current != item && isSelectedBit(current) && isVisibleIndex(index))
            changeAndNext(index, current, 0);
    }
}

std::vector<const QTreeWidgetItem*> CMultiTree::selectedVisibleInDisplayOrder() const
{
    // The selected bits are Qt's selection plus what the current batch has not flushed yet.
    QSet<const QTreeWidgetItem*> selected;
    const QModelIndexList rows = selectionModel()->selectedRows(0);
    for (const QModelIndex& index : rows)
        selected.insert(itemFromIndex(index));
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it)
    {
        if (it.value().selected)
            selected.insert(it.key());
        else
            selected.remove(it.key());
    }

    // The display order of visible items is the order of their row paths from the root.
    std::vector<std::pair<std::vector<int>, const QTreeWidgetItem*>> keyed;
    keyed.reserve(static_cast<size_t>(selected.size()));
    for (const QTreeWidgetItem* item : selected)
    {
        if (item == nullptr || item->treeWidget() != this)
            continue;
        const QModelIndex index = indexFromItem(const_cast<QTreeWidgetItem*>(item));
        if (!isVisibleIndex(index))
            continue;
        std::vector<int> path;
        for (QModelIndex i = index; i.isValid() && i != rootIndex(); i = i.parent())
            path.push_back(i.row());
        std::reverse(path.begin(), path.end());
        keyed.emplace_back(std::move(path), item);
    }
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<const QTreeWidgetItem*> result;
    result.reserve(keyed.size());
    for (const auto& entry : keyed)
        result.push_back(entry.second);
    return result;
}

void CMultiTree::SelectVisibleRange(const QTreeWidgetItem* a, const QTreeWidgetItem* b, bool deselectOthers)
{
    SelectionBatch batch(*this);
    enum
    {
        Before,
        Inside,
        After
    } phase = Before;
    const QTreeWidgetItem* otherEnd = nullptr;
    for (QModelIndex i = firstVisible(); i.isValid();)
    {
        QTreeWidgetItem* current = itemFromIndex(i);
        bool endsHere = false;
        if (phase == Before && current && (current == a || current == b))
        {
            phase = Inside;
            otherEnd = current == a ? b : a;
            endsHere = a == b;
        }
        else if (phase == Inside && current == otherEnd)
        {
            endsHere = true;
        }
        const bool selected = isSelectedBit(current);
        const bool select = phase == Inside && !selected;
        const bool deselect = phase != Inside && deselectOthers && selected;
        if (endsHere)
            phase = After;
        if (select || deselect)
            i = changeAndNext(i, current, select ? unsigned(TVIS_SELECTED) : 0u);
        else
            i = nextVisible(i);
    }
}

bool CMultiTree::SetChildrenSelected(QTreeWidgetItem* parent, bool select, bool recurse)
{
    if (!parent || parent->treeWidget() != this)
        return false;
    SelectionBatch batch(*this);
    bool caretSeen = false;
    const QModelIndex parentIndex = indexFromItem(parent);
    for (int row = 0; row < parent->childCount(); ++row)
    {
        QTreeWidgetItem* child = parent->child(row);
        const bool expanded = isExpanded(model()->index(row, 0, parentIndex));
        const bool isCaret = child == currentItem();
        if (isSelectedBit(child) != select)
        {
            m_hintItem = child;
            m_hintRow = row;
            ChangeItemState(child, select ? unsigned(TVIS_SELECTED) : 0u, TVIS_SELECTED);
            m_hintItem = nullptr;
        }
        if (recurse && expanded && SetChildrenSelected(child, select, recurse))
            caretSeen = true;
        if (isCaret)
            caretSeen = true;
    }
    return caretSeen;
}

void CMultiTree::SnapshotSelection(QList<QTreeWidgetItem*>& list) const
{
    list.clear();
    for (QModelIndex i = firstVisible(); i.isValid(); i = nextVisible(i))
        if (isSelectedBit(itemFromIndex(i)))
            list.append(itemFromIndex(i));
}

bool CMultiTree::SelectItem(QTreeWidgetItem* item)
{
    SelectionBatch batch(*this);
    return platformSelectCaret(item);
}

void* CMultiTree::GetItemData(const QTreeWidgetItem* item)
{
    return item ? item->data(0, Qt::UserRole).value<void*>() : nullptr;
}

void CMultiTree::SetItemData(QTreeWidgetItem* item, void* data)
{
    if (item)
        item->setData(0, Qt::UserRole, QVariant::fromValue(data));
}

void CMultiTree::rightButtonHandled(const QPoint&, Qt::KeyboardModifiers) {}

// ---------------------------------------------------------------------------------------------------
// Notifications

bool CMultiTree::sendSelChanging(QTreeWidgetItem* item, bool selecting)
{
    FlagScope own(m_bOwnNotify, true);
    if (!m_selChanging)
        return false;
    return selecting ? m_selChanging(item, nullptr) : m_selChanging(nullptr, item);
}

void CMultiTree::sendSelChanged(QTreeWidgetItem* item, bool selecting)
{
    FlagScope own(m_bOwnNotify, true);
    emit selChanged(selecting ? item : nullptr, selecting ? nullptr : item);
}

// ---------------------------------------------------------------------------------------------------
// Collapsing and model changes

void CMultiTree::onCollapsed(const QModelIndex& index)
{
    QTreeWidgetItem* item = itemFromIndex(index);
    if (!item)
        return;
    SelectionBatch batch(*this);
    const bool wasSelected = isSelectedBit(item);
    if (SetChildrenSelected(item, false, true) && !wasSelected)
        platformSelectCaret(nullptr);
    // The platform never leaves the caret inside a collapsed item: it moves to the collapsed item.
    for (QTreeWidgetItem* p = currentItem() ? currentItem()->parent() : nullptr; p; p = p->parent())
    {
        if (p == item)
        {
            platformSelectCaret(item);
            break;
        }
    }
}

QItemSelectionModel::SelectionFlags CMultiTree::selectionCommand(const QModelIndex&, const QEvent*) const
{
    return QItemSelectionModel::NoUpdate;
}

void CMultiTree::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end)
{
    // Pending bits name items by pointer: apply them while the items still exist.
    flushSelection();
    // The anchor must not outlive its item.
    if (m_hRangeAnchor)
    {
        const QTreeWidgetItem* parentItem = itemFromIndex(parent);
        for (const QTreeWidgetItem* p = m_hRangeAnchor; p; p = p->parent())
        {
            if (p->parent() != parentItem)
                continue;
            const int row = indexFromItem(p).row();
            if (row >= start && row <= end)
                m_hRangeAnchor = nullptr;
            break;
        }
    }
    QTreeWidget::rowsAboutToBeRemoved(parent, start, end);
}

void CMultiTree::reset()
{
    QTreeWidget::reset();
    m_pending.clear();
    m_hRangeAnchor = nullptr;
    m_bandList.clear();
}
