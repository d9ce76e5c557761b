// CCustomTree: the class view's tree of tables and rows, a multi-selection tree (CMultiTree).
//
// It adds to the multi-selection tree what the class view needs of its tree:
//  - the caret: when the platform tree moves the caret to a row item (caretChanged, never the
//    control's own notifications), the tree announces the row (caretRowChanged) for its owner to
//    show;
//  - the right button: after the multi-selection tree's own handling, the row menu "编辑" with
//    "新建(&N)" (32773) and "删除(&D)" (32778) opens at the click point; its commands come back
//    to this tree's handlers OnNewRow and OnDeleteRows, which ask the owner (newRowRequested,
//    deleteRowsRequested);
//  - context-menu requests: passed to the owning pane (contextMenuRequest) where the platform tree
//    would pass them to its parent.
//
// Item data: a row item carries its tarn::Row (not owned; the row belongs to its table), the root
// and the table items carry nothing. The tree is owned by its class view (Qt parenthood) and knows
// it only through its signals.
#pragma once

#include "editor/MultiTree.h"

#include <QMenu>
#include <QPointer>

#include <vector>

class QAction;
namespace tarn
{
class Row;
}

class CCustomTree : public CMultiTree
{
    Q_OBJECT

public:
    explicit CCustomTree(QWidget* parent = nullptr);
    ~CCustomTree() override;

    // The row an item stands for; null for the root, a table item or no item.
    static tarn::Row* RowOf(const QTreeWidgetItem* item);

    // The position of `item` among its parent's children (top-level items: among the top-level
    // items); -1 for an item of another tree. Constant time while the tree's rows do not move;
    // QTreeWidgetItem::indexOfChild would search all siblings.
    int RowIndexOf(const QTreeWidgetItem* item) const;

    // Takes `items` (about to be deleted) out of the selection in one step, as the platform does
    // for items that go: no notification is sent, the caret and every other item's selected bit
    // stay.
    void DropFromSelection(const std::vector<QTreeWidgetItem*>& items);

    // The platform tree moved the caret to `itemNew`: announces the item's row (caretRowChanged).
    // Ignored while the control sends a notification of its own (m_bOwnNotify), for no item and
    // for an item that carries no row. With nobody to show the row, a failed check.
    void OnTvnSelchanged(QTreeWidgetItem* itemNew);
    // Command 32773 "新建(&N)": asks the owner to create a row (newRowRequested).
    void OnNewRow();
    // Command 32778 "删除(&D)": asks the owner to delete the selected rows (deleteRowsRequested).
    void OnDeleteRows();

    // The row menu's commands (owned by the tree); the menu itself is made for each right click.
    QAction* NewRowAction() const { return m_newRowAction; }
    QAction* DeleteRowsAction() const { return m_deleteRowsAction; }
    // The row menu while it is open, else null (for tests: they close it from a timer).
    QMenu* OpenRowMenu() const { return m_openMenu; }

signals:
    // A context-menu request on the tree that the pane handles: `point` in viewport coordinates,
    // or fromKeyboard for a request from the keyboard (which carries no point).
    void contextMenuRequest(const QPoint& point, bool fromKeyboard);
    // The caret moved to the item of `row` (the platform's caret change, not the control's own).
    void caretRowChanged(tarn::Row* row);
    void newRowRequested();
    void deleteRowsRequested();

protected:
    // Runs after the multi-selection tree's own right-button handling: the pane's context-menu
    // handling where the platform tree would ask for it, then the row menu at the click point.
    void rightButtonHandled(const QPoint& point, Qt::KeyboardModifiers keys) override;
    void mousePressEvent(QMouseEvent* event) override;
    // Keyboard requests go to the pane. Mouse requests are dropped: the right-button handling
    // above raises them itself, in the platform's order.
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // What a right press turned out to be, as far as the notifications tell.
    enum class RightPress
    {
        Unknown, // an expand button, or a press that ended without an outcome
        OnItem,  // a press on an item's image or label (click or drag)
        Outside, // a press outside the items (the band)
    };

    QAction* m_newRowAction = nullptr;
    QAction* m_deleteRowsAction = nullptr;
    QPointer<QMenu> m_openMenu;
    RightPress m_rightPress = RightPress::Unknown;
};
