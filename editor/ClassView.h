// The class view pane "类视图": every table of the table list and, under each table, its rows, in
// a multi-selection tree (CCustomTree). Rows are created ("新建") and deleted ("删除") here, and
// moving the tree's caret to a row shows that row in the properties pane.
//
// Tree items:
//   root "编辑元素" (bold, image 1, expanded)
//     one item per table, in table-list order: the table's label (bold, image 9, collapsed)
//       one item per row, in row order: the row's display name (image 3, item data: the row)
// The tree is filled once, when the pane is created; afterwards only CreateRow and
// DeleteSelectedRows change it, and RowTextChanged updates a row's text after its name cell was
// edited.
//
// The main frame owns the pane by value (CMainFrame::m_classView) and creates it with
// DockPane::Create after the table list has been loaded. The pane owns its toolbar and tree
// (Qt parenthood). Tree items point at rows they do not own: the rows belong to their tables in
// the table list, and the pane destroys a row only together with its item. GUI thread only.
#pragma once

#include "editor/DockPane.h"

#include <QHash>

class CCustomTree;
class QPoint;
class QToolBar;
class QToolButton;
class QTreeWidgetItem;
namespace tarn
{
class Row;
}

class CClassView : public DockPane
{
    Q_OBJECT

public:
    explicit CClassView(QWidget* parent = nullptr);
    ~CClassView() override;

    // Refills the tree from the table list (TableList::instance()): the root, one item per table
    // and one per row. Forgets every earlier item.
    void FillTableData();

    // "新建" (File -> New through the document, or 32773): appends a row named "新建" + label +
    // counter to the table of the first selected row (in visible order) and an item for it as
    // the last child of that table's item. Selection, expansion and the properties pane stay as
    // they are; the document is marked modified. With no selected row item, a failed check and
    // nothing else. When the table has no id left (Table::NewRow refuses), a message box says so
    // and nothing changes.
    void CreateRow();

    // "删除" (32778): deletes, in visible order, every selected row item and its row, stopping at
    // the first selected item that is not a row (the root or a table item). The properties pane
    // forgets a row before it is destroyed. Marks the document modified when a row was deleted.
    // Returns the number of rows deleted.
    int DeleteSelectedRows();

    // Makes the item of `row` show the row's current display name (after its name cell was
    // edited). Does nothing for a row the tree does not show.
    void RowTextChanged(tarn::Row* row);

    // The tree item of `row`; null when the tree does not show it.
    QTreeWidgetItem* ItemOf(const tarn::Row* row) const { return m_itemsByRow.value(row, nullptr); }

    // The pane's handling of a context-menu request on the tree (`point` in the tree's viewport
    // coordinates): unless it comes from the keyboard, the item under the point becomes the
    // caret; then the tree gets the focus. Shows no menu.
    void OnContextMenu(const QPoint& point, bool fromKeyboard);

    CCustomTree* Tree() const { return m_tree; }
    QToolBar* ToolBar() const { return m_toolBar; }
    // The toolbar's menu button (the "编辑" menu: 32773 and 32778, delivered to the tree's handlers).
    QToolButton* MenuButton() const { return m_menuButton; }

    // Command whose image the toolbar's menu button shows.
    static constexpr int kMenuButtonImageId = 145;

protected:
    // Builds the toolbar with its menu button, the tree (control id 2) in its frame and the
    // pane's commands, then fills the tree.
    bool OnCreate() override;
    // The toolbar across the top at its own height; below it the tree, inset by one pixel inside
    // a one-pixel frame.
    void RepositionControls() override;

private:
    // Appends an item for `row` under `parent` (with its data and image) and records it.
    QTreeWidgetItem* AddRowItem(QTreeWidgetItem* parent, tarn::Row* row);

    QToolBar* m_toolBar = nullptr;
    QToolButton* m_menuButton = nullptr;
    QWidget* m_treeFrame = nullptr; // draws the frame around the tree
    CCustomTree* m_tree = nullptr;
    // Row -> its item, for RowTextChanged; kept by FillTableData, CreateRow and the deletion.
    QHash<const tarn::Row*, QTreeWidgetItem*> m_itemsByRow;
    QMetaObject::Connection m_resetConnection; // clears m_itemsByRow when the tree is cleared
};
