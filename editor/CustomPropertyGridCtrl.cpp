#include "editor/CustomPropertyGridCtrl.h"

#include "editor/RefusalBox.h"
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

bool CCustomPropertyGridCtrl::CommitEdit(QString* refusal)
{
    if (editedItem() == nullptr)
        return true;
    const bool wasQuiet = m_quietCommit;
    m_quietCommit = true;
    m_quietRefusal.clear();
    endEditItem(true);
    m_quietCommit = wasQuiet;
    if (editedItem() == nullptr)
        return true;
    if (refusal != nullptr)
        *refusal = m_quietRefusal;
    return false;
}

void CCustomPropertyGridCtrl::ReturnToEdit()
{
    PropertyGridItem* item = editedItem();
    QLineEdit* editor = inPlaceEditor();
    if (item == nullptr || editor == nullptr)
        return;
    if (currentItem() != item)
        setCurrentItem(item);
    // The window the message box had covered takes the keys again.
    if (!window()->isActiveWindow())
        window()->activateWindow();
    editor->setFocus(Qt::OtherFocusReason);
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

void CCustomPropertyGridCtrl::OnEditRefused(CCustomPropertyGridProperty* property, const QString& message)
{
    Q_UNUSED(property);
    if (m_quietCommit)
    {
        m_quietRefusal = message;
        return;
    }
    if (m_refusalShown)
        return;
    m_refusalShown = true;
    // Shown once the commit has returned: it may come from a focus change or a click, which a
    // modal box must not interrupt.
    ShowRefusalLater(this, message,
                     [this]()
                     {
                         m_refusalShown = false;
                         ReturnToEdit();
                     });
}

void CCustomPropertyGridCtrl::onResized(int width)
{
    CommitEdit();
    setLeftColumnWidth(NameColumnWidth(width));
    adjustLayout();
}
