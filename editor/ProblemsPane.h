// The pane "问题": what the data check (tool/tableCheck.h, the same as `tessel-cli check`) finds
// -- load findings, duplicate ids, links to rows or tables that are not there -- one line each
// with its severity, table, row id and name, field and message; sortable by any column. A
// double-click on a line goes to its row and field (CTesselDoc::GoTo). While the pane is shown
// it checks again after every change of the document.
//
// Owned by the main frame (a child QDockWidget); follows the document it is given, which
// outlives it.
#pragma once

#include "tool/tableCheck.h"

#include <QDockWidget>

#include <vector>

class CTesselDoc;
class QTableWidget;
class QTimer;
namespace tarn
{
class Row;
}

class CProblemsPane : public QDockWidget
{
    Q_OBJECT

public:
    explicit CProblemsPane(CTesselDoc* document, QWidget* parent = nullptr);
    ~CProblemsPane() override;

    // Checks the tables of the table list now and lists what it found.
    void Refresh();
    // What the last check found, in the check's order (the list may be sorted otherwise).
    const std::vector<tarn::Problem>& Problems() const { return m_problems; }
    QTableWidget* List() const { return m_list; }
    // Goes to the row and field of the problem on line `line` of the list (as sorted).
    void GoToLine(int line);
    // The row a problem names, as the tables are now; null when it names none or it is gone.
    static tarn::Row* RowOf(const tarn::Problem& problem);

private:
    void RefreshLater();

    CTesselDoc* m_document;
    QTableWidget* m_list = nullptr;
    QTimer* m_refreshTimer = nullptr;
    std::vector<tarn::Problem> m_problems;
};
