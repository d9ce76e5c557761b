// The property of a field that links to another table (its LinkTableName is not empty). It is
// typed like any cell property of its type; its button opens the table view dialog on the linked
// table as a picker, so that the user sees which row the value means and can pick another.
//
// Owned by the grid; owns nothing. The dialog lives only while the button's handler runs.
#pragma once

#include "editor/CustomPropertyGridProperty.h"

#include <vector>

class CCustomPropertyGridTableProperty : public CCustomPropertyGridProperty
{
public:
    // An unbound property with a button.
    CCustomPropertyGridTableProperty(const QString& name, const QVariant& value,
                                     const QString& description = QString());
    ~CCustomPropertyGridTableProperty() override;

    // The button: shows the table that the table list holds under the bound cell's field's
    // LinkTableName in a modal CTableViewDlg, as a picker on the rows the cell names; each pick
    // goes through PickIds. The button is drawn pressed while the handler runs. A missing grid, cell, field
    // or link name is a failed check (no dialog). A link name that names no table of the list
    // is told in a message box naming that table (no dialog). Afterwards the focus goes back to
    // the property's editor, or to the grid when it has none (which is always the case, as the
    // property cannot be edited in place). `point` is not used.
    void OnClickButton(const QPoint& point);
    void onClickButton(const QPoint& point) override { OnClickButton(point); }

    // Makes the bound cell name `ids` (a single link: the first, or 0 for none) through the grid,
    // as a committed edit does (one command of the document); returns the ids the cell names
    // afterwards.
    std::vector<int> PickIds(const std::vector<int>& ids);

    // The message for a link to the table `tableName`, missing from the table list, made by the
    // field named `fieldName`.
    static QString MissingTableMessage(const QString& fieldName, const QString& tableName);
};
