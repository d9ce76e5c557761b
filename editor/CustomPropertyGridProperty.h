// A property of the properties pane's grid that is bound to one cell of the shown row and writes
// every committed edit into that cell at once.
//
// The bound cell is kept in the property's user data word (a tarn::Cell*, not owned). It is null
// until the pane binds the property and is rebound to the cell of the same field for each row the
// pane shows. The property's value type is fixed by its field's type when the pane creates it:
//
//   INT int, UINT uint, INT64 qlonglong, UINT64 qulonglong, FLOAT float,
//   STRING, STRING_INT, STRING_FLOAT QString (a list as its values joined by "|")
//
// Owned by the grid (inside the pane's group); owns nothing.
#pragma once

#include "editor/PropertyGrid.h"

namespace tarn
{
class Cell;
struct Field;
} // namespace tarn

class CCustomPropertyGridProperty : public PropertyGridItem
{
public:
    // An unbound property named `name` whose value, and with it whose type, is `value`.
    CCustomPropertyGridProperty(const QString& name, const QVariant& value,
                                const QString& description = QString());
    ~CCustomPropertyGridProperty() override;

    // The bound cell, or null.
    tarn::Cell* GetCell() const;
    void SetCell(tarn::Cell* cell);

    // Writes the property's current value into the bound cell through the cell-input adapter
    // (CellVariant.h): numbers by the cell's typed setter, a string or list text only when it is
    // exactly a value of the cell's type (see tool/cellText.h). No cell, a cell of no known type,
    // a value whose type does not belong to the cell's type, or a text the cell's type does not
    // accept is a failed check, and the cell is left alone.
    void varToCell();

    // End of an edit: the grid's own handling (parse the text into the value, here by the
    // adapter's rules), then varToCell, also when the value did not change. A text that is not
    // exactly a value of the field's type is refused: property and cell keep their values, the
    // editor stays open on the text, and the grid (a CCustomPropertyGridCtrl) is told why
    // (OnEditRefused), which shows the adapter's message. A FLOAT edit committed with the text it
    // started with while the cell holds a value that the property shows only approximately
    // (within the pane's tolerance, see CPropertiesWnd::DataToUI) writes nothing: the cell keeps
    // its exact value. When the cell's value changed, the grid is told (OnCellChanged).
    bool onUpdateValue() override;
    // The adapter's parse of the text for the bound cell's field; without a cell, the grid's.
    bool parseEditText(const QString& text, QVariant* result) override;
    // A refused edit stays open while the property is bound to a cell.
    bool keepsRefusedEdit() const override;

    // The field the bound cell belongs to, as the adapter needs it: the cell's type and its
    // field's name (the property's name when the cell has no field). False without a cell.
    bool CellField(tarn::Field* field) const;

private:
    QString m_refusal; // why the last parseEditText refused its text; empty otherwise
};
