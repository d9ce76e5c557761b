#include "editor/CustomPropertyGridCtrl.h"

#include "tool/cellValue.h"

CCustomPropertyGridCtrl::CCustomPropertyGridCtrl(QWidget* parent) : PropertyGrid(parent)
{
    setObjectName(QStringLiteral("PropertyGrid"));
}

CCustomPropertyGridCtrl::~CCustomPropertyGridCtrl() = default;

int CCustomPropertyGridCtrl::NameColumnWidth(int width)
{
    // The ratio is a float constant used in double arithmetic: 0.38199999928474426, not 0.382.
    return static_cast<int>(width * static_cast<double>(0.382f));
}

void CCustomPropertyGridCtrl::OnCellChanged(CCustomPropertyGridProperty* property, tarn::Cell* cell,
                                            const std::u16string& previous)
{
    if (m_cellWriter && cell != nullptr)
    {
        const std::u16string newText = tarn::ExactValueText(*cell);
        tarn::SetExactValueText(*cell, previous);
        m_cellWriter(property, cell, newText);
    }
    emit cellChanged(property, cell);
}

void CCustomPropertyGridCtrl::onResized(int width)
{
    endEditItem(true);
    setLeftColumnWidth(NameColumnWidth(width));
    adjustLayout();
}
