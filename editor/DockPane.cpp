#include "editor/DockPane.h"

#include <QEvent>
#include <QMainWindow>

namespace
{
// A pane's client area: asks for the pane's initial size until the user resizes it.
class PaneClientArea : public QWidget
{
public:
    PaneClientArea(const QSize& initialSize, QWidget* parent) : QWidget(parent), m_initialSize(initialSize) {}
    QSize sizeHint() const override { return m_initialSize; }

private:
    QSize m_initialSize;
};
} // namespace

DockPane::DockPane(QWidget* parent) : QDockWidget(parent), m_commands(this, Qt::WidgetWithChildrenShortcut) {}

DockPane::~DockPane() = default;

bool DockPane::Create(const QString& caption, QMainWindow* frame, int paneId, const QRect& initialRect)
{
    if (m_created)
        return false;
    setParent(frame);
    setWindowTitle(caption);
    setObjectName(QStringLiteral("Pane%1").arg(paneId));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
    setAllowedAreas(Qt::AllDockWidgetAreas);
    m_paneId = paneId;

    m_clientArea = new PaneClientArea(initialRect.size(), this);
    m_clientArea->installEventFilter(this);
    setWidget(m_clientArea);

    if (!OnCreate())
    {
        hide();
        return false;
    }
    m_created = true;
    RepositionControls();
    return true;
}

bool DockPane::OnCreate()
{
    return true;
}

void DockPane::RepositionControls() {}

bool DockPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_clientArea && event->type() == QEvent::Resize && m_created)
        RepositionControls();
    return QDockWidget::eventFilter(watched, event);
}
