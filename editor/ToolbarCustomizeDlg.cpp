#include "editor/ToolbarCustomizeDlg.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWidgetAction>

namespace
{
QString ButtonText(const QAction* action)
{
    QString text = action->toolTip();
    if (text.isEmpty())
        text = action->iconText();
    return text;
}
} // namespace

QList<QAction*> ToolbarCustomizeDlg::ButtonActions(const QToolBar* toolBar)
{
    QList<QAction*> buttons;
    for (QAction* action : toolBar->actions())
        if (!action->isSeparator() && !qobject_cast<QWidgetAction*>(action))
            buttons.append(action);
    return buttons;
}

ToolbarCustomizeDlg::ToolbarCustomizeDlg(const QList<QToolBar*>& toolBars, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ToolbarCustomizeDlg"));
    setWindowTitle(QStringLiteral("自定义"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* hint = new QLabel(QStringLiteral("选择要在工具栏上显示的按钮:"), this);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("ButtonList"));
    for (QToolBar* toolBar : toolBars)
    {
        auto* title = new QListWidgetItem(toolBar->windowTitle(), m_list);
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        title->setFlags(Qt::ItemIsEnabled);
        m_actions.append(nullptr);
        for (QAction* action : ButtonActions(toolBar))
        {
            auto* item = new QListWidgetItem(action->icon(), ButtonText(action), m_list);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
            item->setCheckState(action->isVisible() ? Qt::Checked : Qt::Unchecked);
            m_actions.append(action);
        }
    }
    connect(m_list, &QListWidget::itemChanged, this, &ToolbarCustomizeDlg::OnItemChanged);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* reset = buttons->addButton(QStringLiteral("全部重置"), QDialogButtonBox::ResetRole);
    QPushButton* close = buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::AcceptRole);
    close->setDefault(true);
    connect(reset, &QPushButton::clicked, this, &ToolbarCustomizeDlg::OnReset);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    resize(320, 360);
}

ToolbarCustomizeDlg::~ToolbarCustomizeDlg() = default;

void ToolbarCustomizeDlg::OnItemChanged(QListWidgetItem* item)
{
    const int row = m_list->row(item);
    if (row < 0 || row >= m_actions.size() || !m_actions[row])
        return;
    m_actions[row]->setVisible(item->checkState() == Qt::Checked);
}

void ToolbarCustomizeDlg::OnReset()
{
    for (int row = 0; row < m_list->count(); ++row)
        if (m_actions[row])
            m_list->item(row)->setCheckState(Qt::Checked);
}
