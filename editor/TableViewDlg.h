// The table view dialog: every row of one table in a list, one column per field, so that the
// user can look up the rows that a link field refers to. A viewer: it changes no data and
// returns nothing that its caller uses.
//
// The caller makes the dialog, sets m_viewTable (not owned; the table must outlive the dialog),
// runs it modally and destroys it. The list is filled whenever the dialog is shown or hidden.
#pragma once

#include <QDialog>

class QTableWidget;
namespace tarn
{
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

    // Removes every line, then every column from the last to the first.
    void clearTable();
    // Fills the list from m_viewTable: one 100-pixel column per field titled with its name, one
    // line per row in row order ("default" in the first column until the row's first cell is
    // written), each cell's text form. Without a table, or for a row with more cells than the
    // table has fields, or a missing cell, a failed check is reported (lines 42, 92, 99).
    void OnShowWindow(bool show);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
};
