#include "editor/LockKeyIndicators.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

namespace
{
// X11 core modifier bits as they appear in a key event's native modifiers.
constexpr quint32 kX11LockMask = 1u << 1;
constexpr quint32 kX11NumLockMask = 1u << 4; // Mod2, where every common keymap puts Num Lock

QLabel* MakeIndicator(const QString& text, QStatusBar* statusBar)
{
    auto* label = new QLabel(text, statusBar);
    label->setObjectName(QStringLiteral("Indicator") + text);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 8);
    label->setEnabled(false);
    statusBar->addPermanentWidget(label);
    return label;
}

} // namespace

LockKeyIndicators::LockKeyIndicators(QStatusBar* statusBar) : QObject(statusBar)
{
    m_caps = MakeIndicator(QStringLiteral("CAP"), statusBar);
    m_num = MakeIndicator(QStringLiteral("NUM"), statusBar);
    m_scroll = MakeIndicator(QStringLiteral("SCRL"), statusBar);
    qApp->installEventFilter(this);
    Refresh();
}

LockKeyIndicators::~LockKeyIndicators()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

void LockKeyIndicators::Refresh()
{
    Show(Query());
}

void LockKeyIndicators::Show(const LockKeyStates& states)
{
    m_caps->setEnabled(states.caps);
    m_num->setEnabled(states.num);
    m_scroll->setEnabled(states.scroll);
}

void LockKeyIndicators::ScheduleRefresh()
{
    // One event reaches the filter once per widget it propagates through; read the states once.
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    QTimer::singleShot(0, this,
                       [this]()
                       {
                           m_refreshPending = false;
                           Refresh();
                       });
}

LockKeyStates LockKeyIndicators::Query() const
{
    LockKeyStates states;
    if (ReadX11LockIndicators(states))
        return states;
    return m_fromEvents;
}

bool LockKeyIndicators::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type())
    {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (watched->isWidgetType())
        {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (QGuiApplication::platformName() == QLatin1String("xcb"))
            {
                const quint32 native = key->nativeModifiers();
                m_fromEvents.caps = (native & kX11LockMask) != 0;
                m_fromEvents.num = (native & kX11NumLockMask) != 0;
            }
            ScheduleRefresh();
        }
        break;
    case QEvent::WindowActivate:
        ScheduleRefresh();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
