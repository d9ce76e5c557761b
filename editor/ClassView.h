// The class view pane "类视图": every table of the table list and, under each table, its rows, in
// a multi-selection tree (CCustomTree). Rows are created ("新建"), deleted ("删除"), copied, cut
// and pasted here; moving the tree's caret to a row makes it the document's current row, which the
// properties pane shows.
//
// Tree items:
//   root "编辑元素" (bold, image 1, expanded)
//     one item per table, in table-list order: the table's label (bold, image 9, collapsed)
//       one item per row, in row order: the row's display name (image 3, item data: the row)
// The tree is filled from the table list when the pane is created and again when the document's
// tables are reloaded. The pane never changes a table itself: it asks the document, and its tree
// follows the document's signals (rows inserted and removed at their positions, a name cell
// changed), whoever made the change.
//
// The main frame owns the pane by value (CMainFrame::m_classView), gives it the document
// (SetDocument) and creates it with DockPane::Create after the table list has been loaded. The pane
// owns its toolbar and tree (Qt parenthood). Tree items point at rows they do not own: the rows
// belong to their tables, or, while deleted, to the document's command that took them out; an item
// goes before its row can be destroyed. GUI thread only.
#pragma once

#include "editor/DockPane.h"

#include <QHash>
#include <QModelIndex>

#include <vector>

class CCustomTree;
class CTesselDoc;
struct DocRows;
class QPoint;
class QString;
class QToolBar;
class QToolButton;
class QTreeWidgetItem;
namespace tarn
{
class Row;
namespace editor
{
class Table;
}
} // namespace tarn

class CClassView : public DockPane
{
    Q_OBJECT

public:
    explicit CClassView(QWidget* parent = nullptr);
    ~CClassView() override;

    // The document whose tables the pane shows and asks to change; not owned, outlives the pane.
    // Set once, before the pane is created.
    void SetDocument(CTesselDoc* document);
    CTesselDoc* Document() const { return m_document; }

    // Refills the tree from the table list (TableList::instance()): the root, one item per table
    // and one per row. Forgets every earlier item.
    void FillTableData();

    // "新建" (File -> New, or 32773): asks the document for a new row, named "新建" + label +
    // counter, at the end of the table of the first selected row (in visible order). The new row's
    // item is then the only selected item and the caret, scrolled into view, so the properties
    // pane shows it. With no selected row item, a failed check and nothing else. When the table has
    // no id left (Table::NewRow refuses), a message box says so and nothing changes.
    void CreateRow();

    // "删除" (32778, Delete): asks the document to delete, as one step, every selected row item's
    // row in visible order, stopping at the first selected item that is not a row (the root or a
    // table item). Returns the number of rows deleted.
    int DeleteSelectedRows();

    // Makes the item of `row` show the row's current display name. Does nothing for a row the tree
    // does not show.
    void RowTextChanged(tarn::Row* row);
    // The document's current row changed: the caret goes to its item (alone selected, in view)
    // unless it is there already.
    void ShowCurrentRow(tarn::Row* row);

    // Copy (57634): the selected rows of the first selected row's table on the clipboard as text:
    // a line of field names, then each row as the data file holds it, tab-separated
    // (tool/rowText.h). Returns the number of rows copied.
    int CopyRows();
    // Cut (57635): CopyRows, then deletes the rows copied, as one step.
    int CutRows();
    // Paste (57637): the clipboard's text, read as rows of the caret's table, appended to that table
    // as one step, each row with a fresh id. When any value is refused nothing is pasted and one
    // message lists the first problems. Returns the number of rows pasted.
    int PasteRows();
    // Pastes `text` as PasteRows does with the clipboard's text.
    int PasteText(const QString& text);
    bool HasSelectedRows() const;
    // Whether there is a table to paste into and text on the clipboard.
    bool CanPaste() const;

    // The selected rows, in visible order, up to the first selected item that is not a row.
    std::vector<tarn::Row*> SelectedRows() const;
    // The table of the caret's item (a table item or a row item); null for the root or no caret.
    tarn::editor::Table* CaretTable() const;

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
    // A row item's tooltip names the row's id ("编号：<id>"), made when it is asked for.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The document's announcements.
    void OnRowsInserted(const DocRows& rows);
    void OnRowsRemoved(const DocRows& rows);
    void OnCellChanged(tarn::editor::Table* table, tarn::Row* row, int field);
    // The document's current row changed (another view moved it): the caret follows.
    void OnCurrentRowChanged(tarn::Row* row);
    // Double-click or Enter on a table item: asks the document to show the table in a tab.
    void OnItemActivated(const QModelIndex& index);

    // The selected rows of the first selected row's table, in visible order.
    std::vector<tarn::Row*> RowsToCopy() const;

    CTesselDoc* m_document = nullptr;

    QToolBar* m_toolBar = nullptr;
    QToolButton* m_menuButton = nullptr;
    QWidget* m_treeFrame = nullptr; // draws the frame around the tree
    CCustomTree* m_tree = nullptr;
    // Row -> its item, and table -> its item; kept by FillTableData and the document's
    // announcements.
    QHash<const tarn::Row*, QTreeWidgetItem*> m_itemsByRow;
    QHash<const tarn::editor::Table*, QTreeWidgetItem*> m_tableItems;
    QMetaObject::Connection m_resetConnection; // clears m_itemsByRow when the tree is cleared
};
