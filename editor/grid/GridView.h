// The grid of one table, the content of one tab of the main area: a filter box, the table view
// (id and name columns frozen at the left) and a status line "显示 N / M 行".
//
// Every change goes through the document (cells, a filled column, paste, new, duplicated and
// deleted rows); the grid follows the document through its TableModel. Sorting and filtering go
// through a proxy: the file order of the rows never changes. The grid's current row is the
// document's current row, both ways.
//
// Keys of the table: typing or F2 edits the current cell; Enter commits; Ctrl+Enter in the
// editor sets every selected cell; Ctrl+C copies the selected block as tab-separated text; Ctrl+V
// pastes such a text from the current cell; Ctrl+Insert makes a new row; Del deletes the selected
// rows. The context menu holds "新建行", "复制行", "删除行".
//
// Owned by its tab widget; owns its model, proxy and widgets. Points at the table and the document
// without owning them: the owner deletes the grid when the document's tables are reloaded. GUI
// thread only.
#pragma once

#include "editor/grid/GridProxy.h"
#include "editor/grid/TableModel.h"

#include <QTableView>
#include <QWidget>

#include <vector>

class CTesselDoc;
class GridDelegate;
class QLabel;
class QLineEdit;
namespace tarn
{
class Row;
namespace editor
{
class Table;
}
} // namespace tarn

// The table view with its frozen columns and the grid's keys.
class GridTable : public QTableView
{
    Q_OBJECT

public:
    explicit GridTable(QWidget* parent = nullptr);
    // Makes the given logical columns the frozen ones, leftmost in this order.
    void Freeze(const std::vector<int>& columns);
    QTableView* FrozenView() const { return m_frozen; }
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

signals:
    void copyRequested();
    void pasteRequested();
    void newRowRequested();
    void deleteRequested();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    // A frozen column is edited in the frozen view, which covers it.
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void updateGeometries() override;

private:
    void UpdateFrozenGeometry();
    int FrozenWidth() const;
    bool IsFrozen(int column) const;

    QTableView* m_frozen = nullptr;
    std::vector<int> m_frozenColumns;
};

class CGridView : public QWidget
{
    Q_OBJECT

public:
    CGridView(tarn::editor::Table* table, CTesselDoc* document, QWidget* parent = nullptr);
    ~CGridView() override;

    tarn::editor::Table* Table() const;
    TableModel* Model() const { return m_model; }
    GridProxy* Proxy() const { return m_proxy; }
    GridTable* View() const { return m_view; }
    QLineEdit* FilterBox() const { return m_filter; }
    QLabel* StatusLabel() const { return m_status; }

    // Header click: ascending, then descending, then file order.
    void CycleSort(int column);
    // The selected block as tab-separated text ("\n" after each line) in view order, cells not
    // selected inside the block empty; also put on the clipboard. Empty when nothing is selected.
    QString CopySelection();
    // Writes a tab-separated block from the current cell rightwards and downwards, appending rows
    // past the last one, as one step. All values are checked first; when any is refused nothing
    // changes and one message lists the first problems. Returns whether anything was pasted.
    bool PasteText(const QString& text);
    // Sets `text` in every selected cell, as one step. A text refused by any selected cell's field
    // changes nothing; `why` then says why. Returns the number of cells changed, -1 when refused.
    int FillSelection(const QString& text, QString* why = nullptr);
    // The rows with a selected cell, in file order.
    std::vector<tarn::Row*> SelectedRows() const;
    // "新建行": a new row at the end, made current.
    tarn::Row* NewRow();
    // "复制行": the selected rows again at the end, with fresh ids.
    int DuplicateRows();
    // "删除行": deletes the selected rows.
    int DeleteRows();
    // Takes the model off the views (before the grid goes with a table that is gone).
    void DetachViews();
    // Makes `row` the current row (keeping the current column) and shows it; false when the grid
    // does not show it (another table, or filtered out).
    bool ShowRow(const tarn::Row* row);

private:
    void UpdateStatus();
    void OnCurrentRowChanged(const QModelIndex& current);
    void OnDocumentCurrentRow(tarn::Row* row);
    // Writes the text of an open cell editor through the document (refused text: the refusal).
    void CommitOpenEditor();
    void ShowRefusal(const QString& message);
    void ShowContextMenu(const QPoint& point);
    // The logical columns in view order.
    std::vector<int> VisualColumns() const;

    CTesselDoc* m_document;
    TableModel* m_model = nullptr;
    GridProxy* m_proxy = nullptr;
    GridTable* m_view = nullptr;
    bool m_filling = false; // a Ctrl+Enter fill from the open editor is running
    GridDelegate* m_delegate = nullptr;
    GridDelegate* m_frozenDelegate = nullptr; // a view's delegate answers that view only
    QLineEdit* m_filter = nullptr;
    QLabel* m_status = nullptr;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_following = false; // while the grid follows the document's current row
};
