#include "editor/CustomTree.h"

#include "base/assert.h"
#include "editor/resource.h"
#include "tool/row.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QItemSelection>
#include <QMetaMethod>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QSet>

#include <algorithm>

CCustomTree::CCustomTree(QWidget* parent) : CMultiTree(parent)
{
    m_newRowAction = new QAction(QStringLiteral("新建(&N)"), this);
    m_newRowAction->setData(int(ID_NEW_ROW));
    m_deleteRowsAction = new QAction(QStringLiteral("删除(&D)"), this);
    m_deleteRowsAction->setData(int(ID_DELETE_ROW));
    connect(m_newRowAction, &QAction::triggered, this, &CCustomTree::OnNewRow);
    connect(m_deleteRowsAction, &QAction::triggered, this, &CCustomTree::OnDeleteRows);

    // Both the platform's caret changes and the control's own selection notifications reach the
    // handler, which tells them apart by m_bOwnNotify.
    connect(this, &CMultiTree::caretChanged, this,
            [this](QTreeWidgetItem* itemNew, QTreeWidgetItem*) { OnTvnSelchanged(itemNew); });
    connect(this, &CMultiTree::selChanged, this,
            [this](QTreeWidgetItem* itemNew, QTreeWidgetItem*) { OnTvnSelchanged(itemNew); });

    // What a right press was: the notifications of the control's own handling tell.
    connect(this, &CMultiTree::rightClick, this,
            [this](QTreeWidgetItem* item)
            { m_rightPress = item ? RightPress::OnItem : RightPress::Outside; });
    connect(this, &CMultiTree::beginRDrag, this, [this]() { m_rightPress = RightPress::OnItem; });
}

CCustomTree::~CCustomTree() = default;

tarn::Row* CCustomTree::RowOf(const QTreeWidgetItem* item)
{
    return static_cast<tarn::Row*>(GetItemData(item));
}

int CCustomTree::RowIndexOf(const QTreeWidgetItem* item) const
{
    if (item == nullptr || item->treeWidget() != this)
        return -1;
    return indexFromItem(item).row();
}

void CCustomTree::DropFromSelection(const std::vector<QTreeWidgetItem*>& items)
{
    if (items.empty())
        return;
    QSet<const QTreeWidgetItem*> dropped;
    dropped.reserve(static_cast<qsizetype>(items.size()));
    for (const QTreeWidgetItem* item : items)
        dropped.insert(item);

    // The selection is rebuilt from what stays selected, as few ranges as possible: a deselection
    // of many single rows would keep every old range and add one more per row, and each range the
    // selection model holds costs every later row removal a little.
    QItemSelection kept;
    const int lastColumn = std::max(0, columnCount() - 1);
    QModelIndex runStart;
    QModelIndex runEnd;
    auto closeRun = [&]()
    {
        if (runStart.isValid())
            kept.select(runStart, runEnd.siblingAtColumn(lastColumn));
        runStart = runEnd = QModelIndex();
    };
    const QItemSelection selected = selectionModel()->selection();
    for (const QItemSelectionRange& range : selected)
    {
        closeRun();
        for (int row = range.top(); row <= range.bottom(); ++row)
        {
            const QModelIndex index = model()->index(row, 0, range.parent());
            if (dropped.contains(itemFromIndex(index)))
            {
                closeRun();
                continue;
            }
            if (!runStart.isValid())
                runStart = index;
            runEnd = index;
        }
    }
    closeRun();
    selectionModel()->select(kept, QItemSelectionModel::ClearAndSelect);
}

void CCustomTree::OnTvnSelchanged(QTreeWidgetItem* itemNew)
{
    if (m_bOwnNotify)
        return;
    if (itemNew == nullptr)
        return;
    tarn::Row* row = RowOf(itemNew);
    if (row == nullptr)
        return; // the root or a table: the properties pane keeps what it shows
    if (!isSignalConnected(QMetaMethod::fromSignal(&CCustomTree::caretRowChanged)))
    {
        // Nobody to show the row in.
        scl::detail::AssertFailedNamed(".\\CustomTree", "CCustomTree::OnTvnSelchanged", 92, "false");
        return;
    }
    emit caretRowChanged(row);
}

void CCustomTree::OnNewRow()
{
    emit newRowRequested();
}

void CCustomTree::OnDeleteRows()
{
    emit deleteRowsRequested();
}

void CCustomTree::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton && !(event->buttons() & ~Qt::RightButton))
        m_rightPress = RightPress::Unknown;
    CMultiTree::mousePressEvent(event);
}

void CCustomTree::rightButtonHandled(const QPoint& point, Qt::KeyboardModifiers keys)
{
    CMultiTree::rightButtonHandled(point, keys);

    // The platform tree asks its parent for a context menu only for presses that it handles
    // itself: on an expand button, or outside the items once the band has ended. A press on an
    // item is tracked by the control, which asks for none.
    bool onItem = m_rightPress == RightPress::OnItem;
    if (m_rightPress == RightPress::Unknown)
    {
        const QModelIndex index = indexAt(point);
        onItem = index.isValid() && point.x() >= visualRect(index).left();
    }
    m_rightPress = RightPress::Unknown;
    QPointer<CCustomTree> self(this);
    if (!onItem)
        emit contextMenuRequest(point, false);
    if (!self)
        return;

    // The row menu "编辑", made for this click and destroyed when it closes; its commands come
    // back to this tree. Held by a guard: the tree (its parent) may go while the menu is open.
    QPointer<QMenu> menu = new QMenu(QStringLiteral("编辑"), this);
    menu->setObjectName(QStringLiteral("ClassViewRowMenu"));
    menu->addAction(m_newRowAction);
    menu->addAction(m_deleteRowsAction);
    m_openMenu = menu;
    menu->exec(viewport()->mapToGlobal(point));
    delete menu.data();
}

void CCustomTree::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    if (event->reason() == QContextMenuEvent::Keyboard)
        emit contextMenuRequest(event->pos(), true);
}
