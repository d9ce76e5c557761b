#include "editor/CustomPropertyGridTableProperty.h"

#include "base/assert.h"
#include "editor/TableViewDlg.h"
#include "tool/cell.h"
#include "tool/tables.h"

#include <QLineEdit>
#include <QMessageBox>

CCustomPropertyGridTableProperty::CCustomPropertyGridTableProperty(const QString& name, const QVariant& value,
                                                                   const QString& description)
    : CCustomPropertyGridProperty(name, value, description)
{
    setHasButton(true);
    setAllowEdit(false);
}

CCustomPropertyGridTableProperty::~CCustomPropertyGridTableProperty() = default;

void CCustomPropertyGridTableProperty::OnClickButton(const QPoint& point)
{
    Q_UNUSED(point);
    PropertyGrid* list = grid();
    if (list == nullptr)
        scl::detail::AssertFailed(__FILE__, SCL_FUNCTION_SIGNATURE, __LINE__, "m_pWndList");
    // The property cannot be edited in place, so it has no editor here: that is not a fault.

    setButtonPressed(true);
    const auto giveFocusBack = [this, list]()
    {
        if (QLineEdit* editor = inPlaceEditor())
            editor->setFocus(Qt::OtherFocusReason);
        else if (list != nullptr)
            list->setFocus(Qt::OtherFocusReason);
    };

    // Without a cell, a field or a link there is nothing to show.
    tarn::Cell* cell = GetCell();
    const tarn::Field* field = cell != nullptr ? cell->m_field : nullptr;
    if (cell == nullptr || field == nullptr || field->m_linkTableName.empty())
    {
        SCL_ASSERT(false);
        setButtonPressed(false);
        return;
    }
    tarn::editor::Table* table = TableList::instance()->find(field->m_linkTableName.c_str());
    QWidget* dialogParent = list != nullptr ? list->window() : nullptr;
    if (table == nullptr)
    {
        QMessageBox::warning(dialogParent, QStringLiteral("Tessel"),
                             MissingTableMessage(QString::fromUtf16(field->m_name.c_str()),
                                                 QString::fromUtf16(field->m_linkTableName.c_str())));
        giveFocusBack();
        setButtonPressed(false);
        return;
    }

    {
        CTableViewDlg dialog(dialogParent);
        dialog.m_viewTable = table;
        dialog.exec();
    }
    giveFocusBack();
    setButtonPressed(false);
}

QString CCustomPropertyGridTableProperty::MissingTableMessage(const QString& fieldName,
                                                              const QString& tableName)
{
    return QStringLiteral("字段“%1”链接的表“%2”不在表列表（tableList.xml）中，无法显示。")
        .arg(fieldName, tableName);
}
