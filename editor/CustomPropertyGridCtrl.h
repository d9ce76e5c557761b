// The properties pane's grid: the property grid with the name column at a fixed share of the
// width, and the place where the cell properties report the cells they changed.
//
// Owns its properties (as PropertyGrid does); the properties point at cells they do not own.
#pragma once

#include "editor/PropertyGrid.h"

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

    // Called by a property of this grid after a committed edit changed the value of its bound
    // cell; emits cellChanged.
    void OnCellChanged(CCustomPropertyGridProperty* property, tarn::Cell* cell);

signals:
    // A committed edit altered `cell` (bound to `property`). Not sent when the cell already held
    // the committed value.
    void cellChanged(CCustomPropertyGridProperty* property, tarn::Cell* cell);

protected:
    // Commits an edit in progress (so that it reaches its cell), then splits the width between
    // the name and value columns and lays the grid out again.
    void onResized(int width) override;
};
