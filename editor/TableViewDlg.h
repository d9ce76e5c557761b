// The table view dialog: every row of one table in a list, one column per field, so that the
// user can look up -- and pick -- the row a link field names.
//
// As a viewer it changes nothing. As a picker (SetPicker) it opens on the row the link's value
// names, narrows the rows by a filter as one types, and "选用" (or a double-click on a line) hands
// the chosen row's id to the caller, which sets the field as one undo step; for a list field the
// id is added and a selected id of the list can be removed ("移除"). "确定" closes without
// changing anything.
//
// The caller makes the dialog, sets m_viewTable (not owned; the table must outlive the dialog),
// optionally makes it a picker, runs it modally and destroys it. The list is filled whenever the
// dialog is shown or hidden.
#pragma once

#include <QDialog>

#include <functional>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;
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

    // The list of rows (control 1000); a child of the dialog.
    QTableWidget* m_searchTable = nullptr;
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
    // The row shown on line `line` of the list; null when there is none.
    tarn::Row* RowOfLine(int line) const;

    // Removes every line, then every column from the last to the first.
    void clearTable();
    // Fills the list from m_viewTable: one 100-pixel column per field titled with its name, one
    // line per row in row order ("default" in the first column until the row's first cell is
    // written), each cell's text form; the caption names the table ("<label> - 选择行"). A picker
    // then selects the line of the row its value names and scrolls to it, and the filter applies.
    // Without a table, or for a row with more cells than the table has fields, or a missing cell,
    // a failed check is reported (lines 42, 92, 99).
    void OnShowWindow(bool show);
    // Shows only the lines whose id or any cell's text contains `text` (all for an empty text).
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
    std::vector<tarn::Row*> m_lineRows; // line -> row, as filled
    bool m_listField = false;
    std::vector<int> m_ids;
    Apply m_apply;
};
