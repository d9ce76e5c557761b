#include "editor/CustomPropertyGridProperty.h"

#include "base/assert.h"
#include "editor/CellVariant.h"
#include "editor/CustomPropertyGridCtrl.h"
#include "tool/cell.h"
#include "tool/cellText.h"
#include "tool/cellValue.h"

#include <cstdint>
#include <cstring>

namespace
{

std::uint32_t FloatBits(float value)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

} // namespace

CCustomPropertyGridProperty::CCustomPropertyGridProperty(const QString& name, const QVariant& value,
                                                         const QString& description)
    : PropertyGridItem(name, value, description, 0)
{
}

CCustomPropertyGridProperty::~CCustomPropertyGridProperty() = default;

tarn::Cell* CCustomPropertyGridProperty::GetCell() const
{
    return reinterpret_cast<tarn::Cell*>(data());
}

void CCustomPropertyGridProperty::SetCell(tarn::Cell* cell)
{
    setData(reinterpret_cast<quintptr>(cell));
}

bool CCustomPropertyGridProperty::CellField(tarn::Field* field) const
{
    tarn::Cell* cell = GetCell();
    if (cell == nullptr)
        return false;
    if (cell->m_field != nullptr)
        *field = *cell->m_field;
    else
        field->m_name = reinterpret_cast<const char16_t*>(name().utf16());
    field->m_type = cell->Type(); // the cell's own type decides what it can hold
    return true;
}

void CCustomPropertyGridProperty::varToCell()
{
    tarn::Cell* cell = GetCell();
    tarn::Field field;
    if (!CellField(&field))
    {
        SCL_ASSERT(false);
        return;
    }
    // A cell of no known type, a property made for another type, or text the cell cannot take:
    // nothing to write.
    const tarn::CellInput input = CellInputFromVariant(field, value());
    if (!SCL_ASSERT(input))
        return;
    tarn::WriteCell(*cell, input.value);
}

bool CCustomPropertyGridProperty::parseEditText(const QString& text, QVariant* result)
{
    tarn::Field field;
    if (!CellField(&field))
        return PropertyGridItem::parseEditText(text, result);
    const tarn::CellInput input = ParseCellInput(field, text);
    if (!input)
    {
        m_refusal = CellInputMessage(input);
        return false;
    }
    *result = CellValueVariant(input.value);
    return true;
}

bool CCustomPropertyGridProperty::keepsRefusedEdit() const
{
    return GetCell() != nullptr;
}

bool CCustomPropertyGridProperty::onUpdateValue()
{
    QLineEdit* editor = inPlaceEditor();
    tarn::Cell* cell = GetCell();
    const tarn::CellValue before = cell != nullptr ? tarn::ReadCell(*cell) : tarn::CellValue();
    const bool textUntouched = editor == nullptr || editor->text() == formatValue();
    m_refusal.clear();
    const bool result = PropertyGridItem::onUpdateValue();
    if (!result && !m_refusal.isEmpty())
    {
        const QString why = m_refusal;
        m_refusal.clear();
        if (auto* ctrl = qobject_cast<CCustomPropertyGridCtrl*>(grid()))
            ctrl->OnEditRefused(this, why);
        return false;
    }

    // A float within the pane's tolerance is shown as the earlier row's value; committing the
    // text as it was shown must not overwrite the exact value the cell holds.
    const bool unchangedApproximateFloat = textUntouched && valueType() == QMetaType::Float &&
                                           cell != nullptr && cell->Type() == FIELD_TYPE_FLOAT &&
                                           FloatBits(cell->GetFloat()) != FloatBits(value().value<float>());
    if (unchangedApproximateFloat)
        return result;

    const std::u16string previous = cell != nullptr ? tarn::ExactValueText(*cell) : std::u16string();
    varToCell();
    if (cell != nullptr && tarn::ReadCell(*cell) != before)
        if (auto* ctrl = qobject_cast<CCustomPropertyGridCtrl*>(grid()))
            ctrl->OnCellChanged(this, cell, previous);
    return result;
}
