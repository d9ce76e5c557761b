// The properties pane's grid: the property grid with the name column at a fixed share of the
// width, and the place where the cell properties report the cells they changed and the edits
// they refused.
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
    // Commits the edit in progress, quietly: true when there was none or its text was taken;
    // false when the text was refused. The editor then stays open on the text, no message is
    // shown, and `refusal` (when given) receives the reason, for a caller that says itself why
    // it stops.
    bool CommitEdit(QString* refusal = nullptr);
    // Makes the property being edited the current one and gives its editor the focus (after a
    // refusal was shown). Does nothing when no edit is in progress.
    void ReturnToEdit();

    // Called by a property of this grid when a committed edit was refused, `message` saying why.
    // Unless the commit came through CommitEdit, the message is shown in a warning box
    // ("EditRefusedBox") once the commit has returned, then the edit gets the focus back; while
    // such a box is pending or open, further refusals show no second one.
    void OnEditRefused(CCustomPropertyGridProperty* property, const QString& message);

signals:
    // A committed edit altered `cell` (bound to `property`). Not sent when the cell already held
    // the committed value.
    void cellChanged(CCustomPropertyGridProperty* property, tarn::Cell* cell);

protected:
    // Commits an edit in progress quietly (so that it reaches its cell; a refused text stays in
    // its editor until the user commits it), then splits the width between the name and value
    // columns and lays the grid out again.
    void onResized(int width) override;

private:
    CellWriter m_cellWriter;
    bool m_quietCommit = false;
    QString m_quietRefusal;
    bool m_refusalShown = false; // a refusal box is pending or open
};
