// The properties pane "属性": the cells of one row in a property grid, one property per field of
// the row's table inside the single group "属性", each bound to the row's cell of its field.
//
// The pane shows the document's current row (the class view's caret row). It rebuilds the grid
// only when that row belongs to another table than the one shown (compared by data file name) and
// otherwise just rebinds the properties and replaces the values that differ. A committed edit is
// handed to the document as a command; the pane follows the document's signals: a changed cell of
// the shown row is shown again, and a shown row that goes is forgotten (the grid is emptied), so no
// later edit can reach it.
//
// The main frame owns the pane by value (CMainFrame::m_propertiesPane), gives it the document
// (SetDocument) and creates it through DockPane::Create. The pane owns its children (through Qt
// parenthood); the grid's properties point at cells of the shown row, which belongs to its table.
#pragma once

#include "base/string.h"
#include "editor/DockPane.h"
#include "tool/linkIndex.h"

#include <QFont>

#include <string>
#include <vector>

class CCustomPropertyGridCtrl;
class CCustomPropertyGridProperty;
class PropertyGridItem;
class CTesselDoc;
struct DocRows;
class QComboBox;
class QToolBar;
namespace tarn
{
class Cell;
class Row;
namespace editor
{
class Table;
}
} // namespace tarn

class CPropertiesWnd : public DockPane
{
    Q_OBJECT

public:
    explicit CPropertiesWnd(QWidget* parent = nullptr);
    ~CPropertiesWnd() override;

    // The document whose current row the pane shows and to which it hands edits; not owned,
    // outlives the pane. Set once, before the pane is created.
    void SetDocument(CTesselDoc* document);

    // Shows `row` (not owned, not null): rebuilds the grid if the row's table is not the one
    // shown, then binds property i to cell i and replaces only the values that differ (a FLOAT
    // within 0.0001 of the value shown is left as it is; a list shows its whole text). An edit in
    // progress is committed to the row it was started on first; if its text is refused, that
    // row stays shown with the editor open, and `row` becomes the pending row, shown as soon as
    // the edit ends (committed or cancelled). A row without a table, a missing cell or more cells
    // than properties is a failed check that ends the update there.
    void DataToUI(tarn::Row* row);
    // Rebuilds the grid for `table`: the group "属性" with one unbound property per field (a link
    // property for a field with a LinkTableName), values 0, 0.0 or empty by type; records the
    // table's file name as the shown table.
    void InitPropList(tarn::editor::Table* table);
    // Called before `row` is destroyed: if the grid is bound to that row's cells, the grid is
    // emptied (no properties, no shown table) so that no later edit can reach them; a pending
    // row that is `row` is forgotten.
    void ForgetRow(const tarn::Row* row);
    // Commits the edit in progress before a command that saves, closes or replaces the data:
    // true when there was none or its text was taken; false when it was refused. Then nothing
    // is shown, the editor stays open on the text, and `refusal` (when given) receives why.
    bool CommitEdit(QString* refusal = nullptr);
    // Gives the grid the interface font with the size, weight and slant of the menu font.
    void UpdateGridFont();

    // The group "被引用" after the row's fields: one entry per cell of another row that names the
    // shown row ("<table label> <id>", "<name>（<field>）"); a double-click on one goes to it
    // (CTesselDoc::GoTo). Null when no row is shown or nothing refers to it.
    PropertyGridItem* ReferrersGroup() const;
    // The referring cells that the group lists, in its order.
    const std::vector<tarn::LinkIndex::Referrer>& Referrers() const { return m_referrers; }

    // The row shown, or null before the first DataToUI and after ForgetRow emptied the grid.
    tarn::Row* ShownRow() const { return m_shownRow; }
    // The row to show once a refused edit has ended, or null.
    tarn::Row* PendingRow() const { return m_pendingRow; }
    // File name of the table whose fields the grid holds; empty while the grid is empty.
    const scl::stringT<char16_t, 128>& ShownTableName() const { return m_shownTableName; }
    CCustomPropertyGridCtrl* Grid() const { return m_propertyGrid; }
    QComboBox* SelectorCombo() const { return m_selectorCombo; }
    QToolBar* ToolBar() const { return m_toolBar; }
    QFont GridFont() const { return m_gridFont; }

signals:
    // The name cell of the shown row changed.
    void rowNameChanged(tarn::Row* row);

protected:
    // Builds the drop-down list (control 1), the grid (control 2) and the toolbar (183) with the
    // commands 154 (expand all), 151 (alphabetic / grouped), 152 and 153 (no function).
    bool OnCreate() override;
    // The drop-down list at the top, the toolbar under it, the grid in the rest of the pane.
    void RepositionControls() override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateCommands();
    // An edit of `cell` committed in the grid: handed to the document.
    void WriteCell(tarn::Cell* cell, const std::u16string& newText);
    // The document's announcements.
    void OnDocumentCellChanged(tarn::Row* row, int field);
    void OnRowsRemoved(const DocRows& rows);
    void Clear();
    // Lists again what refers to the shown row when that changed, or when `changed` (a row whose
    // cells changed) is one of the referring rows: its id or name may be what an entry shows.
    void ShowReferrers(const tarn::Row* changed = nullptr);
    // A double-click in the grid: on an entry of "被引用", goes to that row.
    void OnGridDoubleClicked();
    // Makes field `field` of the shown row the current property.
    void ShowField(tarn::Row* row, int field);
    // Gives `property` the value of `cell`; with `exact` false, a FLOAT within 0.0001 of the value
    // shown and any equal value are left alone.
    static void ShowCellValue(CCustomPropertyGridProperty* property, tarn::Cell* cell, bool exact);

    CTesselDoc* m_document = nullptr;
    void ShowPendingRow();

    CCustomPropertyGridCtrl* m_propertyGrid = nullptr;
    QFont m_gridFont;
    QComboBox* m_selectorCombo = nullptr;
    QToolBar* m_toolBar = nullptr;
    scl::stringT<char16_t, 128> m_shownTableName;
    tarn::Row* m_shownRow = nullptr;   // not owned
    tarn::Row* m_pendingRow = nullptr; // not owned; cleared by ForgetRow
    std::vector<tarn::LinkIndex::Referrer> m_referrers; // what "被引用" lists; rows not owned
    bool m_referrersStale = false; // to be listed again once the open edit ends
};
