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
}

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

    // Writes the property's current value into the bound cell by the cell's type: SetInt,
    // SetUInt, SetInt64, SetUInt64, SetFloat, SetString, or the list text through SetStringInt /
    // SetStringFloat. No cell, a cell of no known type, or a value whose type does not belong to
    // the cell's type is a failed check, and the cell is left alone.
    void varToCell();

    // End of an edit: the grid's own handling (parse the text into the value), then varToCell,
    // also when the text did not parse or the value did not change. Returns the grid's result.
    // Two edits are not written:
    //  - text holding a tab, CR or LF in a string or list property: a data file cannot hold it
    //    in one value, so the edit is refused with a message and property and cell keep their
    //    values;
    //  - a FLOAT edit committed with the text it started with while the cell holds a value that
    //    the property shows only approximately (within the pane's tolerance, see
    //    CPropertiesWnd::DataToUI): the cell keeps its exact value.
    // When the cell's value changed, the grid (a CCustomPropertyGridCtrl) is told.
    bool onUpdateValue() override;

    // Whether text holds a character that one value of a data file cannot hold.
    static bool HoldsSeparator(const QString& text);
    // The message shown when an edit of the property named `name` is refused for that reason.
    static QString RefusedSeparatorMessage(const QString& name);
};
