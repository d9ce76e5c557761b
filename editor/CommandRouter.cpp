#include "editor/CommandRouter.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QWidget>

namespace
{
const char kCommandIdProperty[] = "tesselCommandId";
// How often watched toolbars and shortcuts are brought up to date while idle.
constexpr int kIdleUpdateMs = 200;
} // namespace

CommandRouter::CommandRouter(QWidget* owner, Qt::ShortcutContext shortcutContext)
    : m_owner(owner), m_shortcutContext(shortcutContext)
{
    m_idleTimer.setInterval(kIdleUpdateMs);
    connect(&m_idleTimer, &QTimer::timeout, this, &CommandRouter::updateAll);
}

CommandRouter::~CommandRouter() = default;

QAction* CommandRouter::addCommand(int id, const QString& text, const QList<QKeySequence>& shortcuts)
{
    if (QAction* existing = action(id))
        return existing;
    auto* newAction = new QAction(text, m_owner);
    if (!shortcuts.isEmpty())
    {
        newAction->setShortcuts(shortcuts);
        newAction->setShortcutContext(m_shortcutContext);
    }
    // Without a handler the command stays disabled until one is set.
    newAction->setEnabled(false);
    m_owner->addAction(newAction);
    route(id, newAction, true);
    return newAction;
}

void CommandRouter::registerAction(int id, QAction* action, bool managed)
{
    if (!action)
        return;
    route(id, action, managed);
}

void CommandRouter::route(int id, QAction* action, bool managed)
{
    action->setProperty(kCommandIdProperty, id);
    Command& command = m_commands[id];
    command.action = action;
    command.managed = managed;
    connect(action, &QAction::triggered, this,
            [this, id]()
            {
                auto it = m_commands.find(id);
                if (it == m_commands.end() || !it->handler)
                    return;
                // The handler may replace itself or close windows; keep a copy and check that
                // the router survived before updating.
                Handler handler = it->handler;
                QPointer<CommandRouter> self(this);
                handler();
                if (self)
                    updateAll();
            });
}

QAction* CommandRouter::makeProxy(int id, QObject* parent)
{
    QAction* command = action(id);
    if (!command)
        return nullptr;
    auto* proxy = new QAction(parent);
    proxy->setProperty(kCommandIdProperty, id);
    auto follow = [command, proxy]()
    {
        proxy->setIcon(command->icon());
        proxy->setText(command->text());
        proxy->setIconText(command->iconText());
        proxy->setToolTip(command->toolTip());
        proxy->setStatusTip(command->statusTip());
        proxy->setEnabled(command->isEnabled());
        proxy->setCheckable(command->isCheckable());
        proxy->setChecked(command->isChecked());
    };
    follow();
    connect(command, &QAction::changed, proxy, follow);
    connect(command, &QAction::toggled, proxy, &QAction::setChecked);
    connect(proxy, &QAction::triggered, command,
            [command, proxy]()
            {
                // A checkable proxy has toggled itself; the command's own state decides.
                proxy->setChecked(command->isChecked());
                command->trigger();
            });
    return proxy;
}

QAction* CommandRouter::action(int id) const
{
    auto it = m_commands.constFind(id);
    return it == m_commands.constEnd() ? nullptr : it->action.data();
}

int CommandRouter::commandId(const QAction* action)
{
    return action ? action->property(kCommandIdProperty).toInt() : 0;
}

void CommandRouter::setHandler(int id, Handler handler)
{
    Command& command = m_commands[id];
    command.handler = std::move(handler);
    updateCommand(id, command);
}

void CommandRouter::setUpdateHandler(int id, UpdateHandler handler)
{
    Command& command = m_commands[id];
    command.update = std::move(handler);
    updateCommand(id, command);
}

bool CommandRouter::hasHandler(int id) const
{
    auto it = m_commands.constFind(id);
    return it != m_commands.constEnd() && it->handler;
}

bool CommandRouter::execute(int id)
{
    auto it = m_commands.find(id);
    if (it == m_commands.end() || !it->action)
        return false;
    updateCommand(id, *it);
    QAction* target = it->action;
    if (!target->isEnabled())
        return false;
    target->trigger();
    return true;
}

void CommandRouter::setBlocked(const QList<int>& ids)
{
    m_blocked = ids;
    updateAll();
}

void CommandRouter::updateCommand(int id, Command& command)
{
    QAction* target = command.action;
    if (!target || (!command.managed && !command.update))
        return;
    CommandUi ui;
    ui.id = id;
    ui.enabled = static_cast<bool>(command.handler) || !command.managed;
    ui.checked = target->isChecked();
    if (command.update)
        command.update(ui);
    if (m_blocked.contains(id))
        ui.enabled = false;
    target->setEnabled(ui.enabled);
    if (ui.checked != target->isChecked())
    {
        if (ui.checked && !target->isCheckable())
            target->setCheckable(true);
        target->setChecked(ui.checked);
    }
}

void CommandRouter::updateActions(const QList<QAction*>& actions)
{
    for (QAction* item : actions)
    {
        const int id = commandId(item);
        auto it = m_commands.find(id);
        if (id != 0 && it != m_commands.end() && it->action == item)
            updateCommand(id, *it);
    }
}

void CommandRouter::updateAll()
{
    for (auto it = m_commands.begin(); it != m_commands.end(); ++it)
        updateCommand(it.key(), it.value());
}

void CommandRouter::watchMenu(QMenu* menu)
{
    connect(menu, &QMenu::aboutToShow, this, [this, menu]() { updateActions(menu->actions()); });
}

void CommandRouter::watchToolBar(QToolBar* toolBar)
{
    Q_UNUSED(toolBar);
    if (!m_idleTimer.isActive())
        m_idleTimer.start();
}
