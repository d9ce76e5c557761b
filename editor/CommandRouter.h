// Routes numeric command ids (resource.h) to QActions and handlers.
//
// Every command of a window has exactly one QAction, shared by its menu item, its toolbar
// button and its shortcuts. A handler runs when the action is triggered; an update handler
// decides whether the command is enabled and whether it carries its check mark. Update handlers
// run when a watched menu is about to show, on a short idle timer for watched toolbars (and for
// shortcuts), and after every routed command. A command without a handler keeps its shortcut and
// stays disabled, unless its update handler enables it.
//
// The frame has one router; each dock pane has its own, so that a pane's commands reach the pane
// and not the frame.
#pragma once

#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

class QAction;
class QMenu;
class QToolBar;
class QWidget;

// What an update handler decides for one command.
struct CommandUi
{
    int id = 0;
    bool enabled = false;
    bool checked = false;

    void Enable(bool on = true) { enabled = on; }
    void SetCheck(bool on = true) { checked = on; }
};

class CommandRouter : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<void()>;
    using UpdateHandler = std::function<void(CommandUi&)>;

    // The actions made by addCommand are children of `owner` and are added to it, so their
    // shortcuts act in `owner` with the given context. `owner` must outlive the router.
    explicit CommandRouter(QWidget* owner, Qt::ShortcutContext shortcutContext = Qt::WindowShortcut);
    ~CommandRouter() override;

    // The action of `id`, made on first call with `text` and `shortcuts` (the first shortcut is
    // the primary one). A later call for the same id returns the existing action unchanged.
    QAction* addCommand(int id, const QString& text, const QList<QKeySequence>& shortcuts = {});
    // Routes an action made elsewhere (a submenu's action, a pane's toggle action) under `id`.
    // Unless `managed`, the router never changes its enabled or checked state by itself.
    void registerAction(int id, QAction* action, bool managed = false);

    // A second action for command `id`, for a toolbar button that can be hidden on its own: it
    // follows the command's icon, texts, enabled and checked state, has no shortcut, and
    // triggers the command. Owned by `parent`. nullptr when `id` is not routed here.
    QAction* makeProxy(int id, QObject* parent);

    // nullptr when `id` is not routed here.
    QAction* action(int id) const;
    bool contains(int id) const { return m_commands.contains(id); }
    QList<int> ids() const { return m_commands.keys(); }
    // The command id that an action carries, 0 for an action of no router.
    static int commandId(const QAction* action);

    void setHandler(int id, Handler handler);
    void setUpdateHandler(int id, UpdateHandler handler);
    bool hasHandler(int id) const;
    // Commands kept disabled whatever their update handlers say (a data directory opened
    // read-only); empty to lift it.
    void setBlocked(const QList<int>& ids);

    // Runs the command as the user would: its state is updated first, and a disabled command
    // does nothing. Returns whether the command ran.
    bool execute(int id);

    // Runs the update handlers of the given actions (those routed here), or of all commands.
    void updateActions(const QList<QAction*>& actions);
    void updateAll();

    // Updates the menu's commands each time it is about to show.
    void watchMenu(QMenu* menu);
    // Keeps the toolbar's buttons (and every shortcut) current while the application is idle.
    void watchToolBar(QToolBar* toolBar);

private:
    struct Command
    {
        QPointer<QAction> action;
        Handler handler;
        UpdateHandler update;
        bool managed = true;
    };

    void route(int id, QAction* action, bool managed);
    void updateCommand(int id, Command& command);

    QWidget* m_owner;
    Qt::ShortcutContext m_shortcutContext;
    QHash<int, Command> m_commands;
    QList<int> m_blocked;
    QTimer m_idleTimer;
};
