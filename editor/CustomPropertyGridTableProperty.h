// The property of a field that links to another table (its LinkTableName is not empty). It shows
// the bound cell's value like any cell property but cannot be edited in place; its button opens
// the table view dialog on the linked table so that the user can see which row the value means.
//
// Owned by the grid; owns nothing. The dialog lives only while the button's handler runs.
#pragma once

#include "editor/CustomPropertyGridProperty.h"

class CCustomPropertyGridTableProperty : public CCustomPropertyGridProperty
{
public:
    // An unbound, read-only property with a button.
    CCustomPropertyGridTableProperty(const QString& name, const QVariant& value,
                                     const QString& description = QString());
    ~CCustomPropertyGridTableProperty() override;

    // The button: shows the table that the table list holds under the bound cell's field's
    // LinkTableName in a modal CTableViewDlg; the dialog's result is not used and nothing
    // changes. The button is drawn pressed while the handler runs. A missing grid, cell, field
    // or link name is a failed check (no dialog). A link name that names no table of the list
    // is told in a message box naming that table (no dialog). Afterwards the focus goes back to
    // the property's editor, or to the grid when it has none (which is always the case, as the
    // property cannot be edited in place). `point` is not used.
    void OnClickButton(const QPoint& point);
    void onClickButton(const QPoint& point) override { OnClickButton(point); }

    // The message for a link to the table `tableName`, missing from the table list, made by the
    // field named `fieldName`.
    static QString MissingTableMessage(const QString& fieldName, const QString& tableName);
};
