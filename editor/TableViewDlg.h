// The table view dialog: every row of one table, one column per field, so that the user can look
// up -- and pick -- the row a link field names. The rows are shown through the grid's TableModel
// (read-only, no document) and a GridProxy for the filter, so only the visible cells' text is ever
// built: the dialog opens at once on a table of any size.
//
// As a viewer it changes nothing. As a picker (SetPicker) it opens on the row the link's value
// names, narrows the rows by a filter as one types, and "选用" (or a double-click on a line) hands
// the chosen row's id to the caller, which sets the field as one undo step; for a list field the
// id is added and a selected id of the list can be removed ("移除"). "确定" closes without
// changing anything.
//
// The caller makes the dialog, sets m_viewTable (not owned; the table must outlive the dialog),
// optionally makes it a picker, runs it modally and destroys it. The model is made afresh whenever
// the dialog is shown or hidden; it does not follow changes of the table, which cannot change while
// the dialog is modal except through the picker itself (then the view is repainted).
//
// A "line" is a row of m_viewTable in file order (a row of the model), whether the filter shows it
// or not.
#pragma once

#include <QDialog>

#include <functional>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;
class QModelIndex;
class QTableView;
class TableModel;
class GridProxy;
namespace tarn
{
class Row;
namespace editor
{
class Table;
}
} // namespace tarn

class CTableViewDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CTableViewDlg(QWidget* parent = nullptr);
    ~CTableViewDlg() override;

    // The view of the rows (control 1000); a child of the dialog. Its model is the filter proxy.
    QTableView* m_searchTable = nullptr;
    // The table to show; null until the caller sets it.
    tarn::editor::Table* m_viewTable = nullptr;

    // What the picker does with a new value: given the ids the field is to hold (one for a single
    // link), it sets the field and returns the ids the field holds afterwards (unchanged when the
    // change was refused).
    using Apply = std::function<std::vector<int>(const std::vector<int>& ids)>;
    // Makes the dialog a picker for a field that holds `ids` (a list field when `listField`).
    void SetPicker(bool listField, std::vector<int> ids, Apply apply);
    bool IsPicker() const { return static_cast<bool>(m_apply); }
    // The ids the field holds, as the picker knows them.
    const std::vector<int>& Ids() const { return m_ids; }

    QLineEdit* FilterEdit() const { return m_filter; }
    QPushButton* ChooseButton() const { return m_choose; }
    // A list field's ids and the button that removes the selected one; hidden otherwise.
    QListWidget* ChosenList() const { return m_chosen; }
    QPushButton* RemoveButton() const { return m_remove; }
    // The model over m_viewTable; null until the dialog is shown with a table. Owned by the dialog.
    TableModel* Model() const { return m_model; }
    // The lines of the model (every row of the table); 0 without a model.
    int LineCount() const;
    // The row shown on line `line`; null when there is none.
    tarn::Row* RowOfLine(int line) const;
    // Whether the filter hides line `line` (true for a line that does not exist).
    bool IsLineHidden(int line) const;
    // The view's index of `column` on line `line`; invalid when the line is hidden or absent.
    QModelIndex ViewIndexOfLine(int line, int column = 0) const;

    // Drops the model: no lines, no columns.
    void clearTable();
    // Shows m_viewTable: one 100-pixel column per field titled with its name, one line per row in
    // row order ("default" in the first column while the row's first cell is missing), each cell's
    // text form; the caption names the table ("<label> - 选择行"). A picker then selects the line of
    // the row its value names and scrolls to it, and the filter applies. Without a table, or for a
    // row with more cells than the table has fields, or a missing cell, a failed check is reported
    // (lines 42, 92, 99).
    void OnShowWindow(bool show);
    // Shows only the lines whose id or any cell's text contains `text`, ignoring case; "字段名:文本"
    // looks in one column (all lines for an empty text).
    void ApplyFilter(const QString& text);
    // "选用": the selected line's row becomes the field's value (a list field: is added).
    void ChooseSelected();
    // "移除": the id selected in the list field's ids goes.
    void RemoveSelected();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void ShowIds();
    void SelectCurrentTarget();
    void SetIds(const std::vector<int>& ids);

    QLineEdit* m_filter = nullptr;
    QPushButton* m_choose = nullptr;
    QListWidget* m_chosen = nullptr;
    QPushButton* m_remove = nullptr;
    TableModel* m_model = nullptr; // owned (child of the dialog); remade on every show and hide
    GridProxy* m_proxy = nullptr;  // owned (child of the dialog)
    bool m_listField = false;
    std::vector<int> m_ids;
    Apply m_apply;
};
