#include "editor/CustomPropertyGridTableProperty.h"

#include "base/assert.h"
#include "editor/CellVariant.h"
#include "editor/CustomPropertyGridCtrl.h"
#include "editor/TableViewDlg.h"
#include "tool/cell.h"
#include "tool/cellValue.h"
#include "tool/tableCheck.h"
#include "tool/tables.h"

#include <QLineEdit>
#include <QMessageBox>

CCustomPropertyGridTableProperty::CCustomPropertyGridTableProperty(const QString& name, const QVariant& value,
                                                                   const QString& description)
    : CCustomPropertyGridProperty(name, value, description)
{
    setHasButton(true);
}

namespace
{
bool IsListField(const tarn::Cell& cell)
{
    return cell.Type() == FIELD_TYPE_STRING_INT || cell.Type() == FIELD_TYPE_STRING_FLOAT;
}

// The row ids the cell names (0 is no link).
std::vector<int> LinkedIds(tarn::Cell& cell)
{
    std::vector<int> ids;
    tarn::ForEachLinkedId(cell, [&](int id) { ids.push_back(id); });
    return ids;
}
} // namespace

std::vector<int> CCustomPropertyGridTableProperty::PickIds(const std::vector<int>& ids)
{
    tarn::Cell* cell = GetCell();
    if (cell == nullptr)
        return {};
    std::u16string text;
    for (std::size_t i = 0; i < ids.size(); ++i)
    {
        if (i > 0)
            text += u'|';
        const std::string number = std::to_string(ids[i]);
        text.append(number.begin(), number.end());
    }
    if (text.empty() && !IsListField(*cell))
        text = u"0";
    const std::u16string previous = tarn::ExactValueText(*cell);
    if (text != previous && tarn::SetExactValueText(*cell, text))
    {
        // The grid hands the change on (to the document, as one undo step) as for a typed edit.
        if (auto* ctrl = dynamic_cast<CCustomPropertyGridCtrl*>(grid()))
            ctrl->OnCellChanged(this, cell, previous);
        const QVariant shown = CellVariant(*cell);
        if (shown.isValid() && shown.typeId() == valueType())
            setValue(shown);
    }
    return LinkedIds(*cell);
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
        dialog.SetPicker(IsListField(*cell), LinkedIds(*cell),
                         [this](const std::vector<int>& ids) { return PickIds(ids); });
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
