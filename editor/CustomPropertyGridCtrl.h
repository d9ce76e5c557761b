// The properties pane's grid: the property grid with the name column at a fixed share of the
// width, and the place where the cell properties report the cells they changed.
//
// Owns its properties (as PropertyGrid does); the properties point at cells they do not own.
#pragma once

#include "editor/PropertyGrid.h"

#include <functional>
#include <string>

namespace tarn
{
class Cell;
}
class CCustomPropertyGridProperty;

class CCustomPropertyGridCtrl : public PropertyGrid
{
    Q_OBJECT

public:
    explicit CCustomPropertyGridCtrl(QWidget* parent = nullptr);
    ~CCustomPropertyGridCtrl() override;

    // The name column's width for a grid `width` pixels wide: 0.382 in single precision, widened
    // to double, times the width, truncated toward zero (1000 -> 381, 500 -> 190, 200 -> 76).
    static int NameColumnWidth(int width);

    // Where committed edits go. Without a writer a property's edit stays in its cell, as written.
    // With one, the cell is given back its value from before the edit (`previous`, an exact
    // value text, tool/cellValue.h) and the writer is asked to make the change (the properties
    // pane hands it to the document, whose command sets the cell again).
    using CellWriter = std::function<void(CCustomPropertyGridProperty* property, tarn::Cell* cell,
                                          const std::u16string& newText)>;
    void SetCellWriter(CellWriter writer) { m_cellWriter = std::move(writer); }

    // Called by a property of this grid after a committed edit changed the value of its bound
    // cell from `previous`: hands the change to the writer, if any, then emits cellChanged.
    void OnCellChanged(CCustomPropertyGridProperty* property, tarn::Cell* cell,
                       const std::u16string& previous);

signals:
    // A committed edit altered `cell` (bound to `property`). Not sent when the cell already held
    // the committed value.
    void cellChanged(CCustomPropertyGridProperty* property, tarn::Cell* cell);

protected:
    // Commits an edit in progress (so that it reaches its cell), then splits the width between
    // the name and value columns and lays the grid out again.
    void onResized(int width) override;

private:
    CellWriter m_cellWriter;
};
