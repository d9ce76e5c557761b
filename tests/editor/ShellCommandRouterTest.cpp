// The shell's own layer on its own: command routing and update handlers, the dock-pane base,
// and the application looks.
#include "editor/CommandRouter.h"
#include "editor/DockPane.h"
#include "editor/Looks.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QStyle>
#include <QTest>
#include <QToolBar>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <set>

TEST(CommandRouter, CommandWithoutHandlerKeepsItsShortcutAndStaysDisabled)
{
    QWidget owner;
    CommandRouter router(&owner);
    QAction* copy =
        router.addCommand(57634, QStringLiteral("复制"), {QKeySequence(QStringLiteral("Ctrl+C"))});
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(router.action(57634), copy);
    EXPECT_EQ(CommandRouter::commandId(copy), 57634);
    EXPECT_EQ(copy->shortcut(), QKeySequence(QStringLiteral("Ctrl+C")));
    EXPECT_TRUE(owner.actions().contains(copy));
    router.updateAll();
    EXPECT_FALSE(copy->isEnabled());
    EXPECT_FALSE(router.execute(57634));

    // A second add returns the same action untouched.
    EXPECT_EQ(router.addCommand(57634, QStringLiteral("other")), copy);
    EXPECT_EQ(copy->text(), QStringLiteral("复制"));
    EXPECT_EQ(router.action(12345), nullptr);
    EXPECT_EQ(CommandRouter::commandId(nullptr), 0);
}

TEST(CommandRouter, HandlerEnablesAndRunsOnTrigger)
{
    QWidget owner;
    CommandRouter router(&owner);
    QAction* save = router.addCommand(57603, QStringLiteral("保存"));
    int runs = 0;
    router.setHandler(57603, [&]() { ++runs; });
    EXPECT_TRUE(save->isEnabled());
    EXPECT_TRUE(router.hasHandler(57603));
    save->trigger();
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(router.execute(57603));
    EXPECT_EQ(runs, 2);
    EXPECT_FALSE(router.execute(99999));
}

TEST(CommandRouter, UpdateHandlerDecidesEnabledAndChecked)
{
    QWidget owner;
    CommandRouter router(&owner);
    QAction* look = router.addCommand(216, QStringLiteral("黑色样式(&L)"));
    look->setCheckable(true);
    int current = 215;
    int runs = 0;
    bool allowed = true;
    router.setHandler(216,
                      [&]()
                      {
                          ++runs;
                          current = 216;
                      });
    router.setUpdateHandler(216,
                            [&](CommandUi& ui)
                            {
                                EXPECT_EQ(ui.id, 216);
                                ui.Enable(allowed);
                                ui.SetCheck(current == ui.id);
                            });
    EXPECT_FALSE(look->isChecked());
    // Triggering toggles the check by itself; the update after the handler sets it right.
    EXPECT_TRUE(router.execute(216));
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(look->isChecked());
    current = 215;
    router.updateAll();
    EXPECT_FALSE(look->isChecked());

    // A command its update handler disables does not run, even though it has a handler.
    allowed = false;
    EXPECT_FALSE(router.execute(216));
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(look->isEnabled());

    // An update handler may put a mark on a command that was not checkable.
    QAction* plain = router.addCommand(300, QStringLiteral("plain"));
    router.setUpdateHandler(300, [](CommandUi& ui) { ui.SetCheck(); });
    EXPECT_TRUE(plain->isCheckable());
    EXPECT_TRUE(plain->isChecked());
    EXPECT_FALSE(plain->isEnabled()); // still no handler
}

TEST(CommandRouter, MenuAboutToShowRunsTheUpdateHandlersOfItsItems)
{
    QWidget owner;
    CommandRouter router(&owner);
    QAction* a = router.addCommand(1, QStringLiteral("a"));
    QAction* b = router.addCommand(2, QStringLiteral("b"));
    bool enableA = false;
    int updatesOfB = 0;
    router.setUpdateHandler(1, [&](CommandUi& ui) { ui.Enable(enableA); });
    router.setUpdateHandler(2,
                            [&](CommandUi& ui)
                            {
                                ++updatesOfB;
                                ui.Enable();
                            });
    QMenu menu;
    menu.addAction(a);
    router.watchMenu(&menu);
    const int updatesBefore = updatesOfB;
    enableA = true;
    EXPECT_FALSE(a->isEnabled());
    emit menu.aboutToShow();
    EXPECT_TRUE(a->isEnabled());
    // Only the menu's own items were updated.
    EXPECT_EQ(updatesOfB, updatesBefore);
    EXPECT_TRUE(b->isEnabled());
}

TEST(CommandRouter, WatchedToolbarIsUpdatedWhileIdle)
{
    QWidget owner;
    CommandRouter router(&owner);
    QAction* a = router.addCommand(1, QStringLiteral("a"));
    bool enable = false;
    router.setUpdateHandler(1, [&](CommandUi& ui) { ui.Enable(enable); });
    QToolBar toolBar;
    toolBar.addAction(a);
    router.watchToolBar(&toolBar);
    enable = true;
    QTRY_VERIFY_WITH_TIMEOUT(a->isEnabled(), 5000);
}

TEST(CommandRouter, ProxyFollowsTheCommandAndCanBeHiddenAlone)
{
    QWidget owner;
    CommandRouter router(&owner);
    QAction* cut = router.addCommand(57635, QStringLiteral("剪切"), {QKeySequence(QStringLiteral("Ctrl+X"))});
    QToolBar toolBar;
    QAction* button = router.makeProxy(57635, &toolBar);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(router.makeProxy(4242, &toolBar), nullptr);
    EXPECT_EQ(CommandRouter::commandId(button), 57635);
    EXPECT_TRUE(button->shortcuts().isEmpty());
    EXPECT_FALSE(button->isEnabled());

    int runs = 0;
    router.setHandler(57635, [&]() { ++runs; });
    EXPECT_TRUE(button->isEnabled());
    button->trigger();
    EXPECT_EQ(runs, 1);
    cut->setText(QStringLiteral("changed"));
    EXPECT_EQ(button->text(), QStringLiteral("changed"));

    button->setVisible(false);
    EXPECT_TRUE(cut->isVisible());
    // The router's update of the command's own items skips proxies.
    router.updateActions({button});
    EXPECT_FALSE(button->isVisible());
}

TEST(CommandRouter, RegisteredActionKeepsItsOwnStateUnlessManaged)
{
    QWidget owner;
    CommandRouter router(&owner);
    QAction external(QStringLiteral("标准"));
    external.setCheckable(true);
    external.setChecked(true);
    router.registerAction(59392, &external);
    router.updateAll();
    EXPECT_TRUE(external.isEnabled());
    EXPECT_TRUE(external.isChecked());
    EXPECT_EQ(router.action(59392), &external);
    EXPECT_EQ(CommandRouter::commandId(&external), 59392);
    EXPECT_TRUE(router.execute(59392));
    EXPECT_FALSE(external.isChecked()); // toggled by its own trigger

    QAction managed(QStringLiteral("m"));
    router.registerAction(7, &managed, true);
    router.updateAll();
    EXPECT_FALSE(managed.isEnabled());
}

TEST(CommandRouter, HandlerMayDestroyTheRouter)
{
    auto* owner = new QWidget;
    auto* router = new CommandRouter(owner);
    router->addCommand(1, QStringLiteral("close"));
    router->setHandler(1, [&]() { delete router; });
    QAction* action = owner->actions().value(0);
    ASSERT_NE(action, nullptr);
    action->trigger(); // must not touch the router after the handler
    delete owner;
}

namespace
{
class TestPane : public DockPane
{
public:
    bool succeed = true;
    int creations = 0;
    int layouts = 0;
    QWidget* child = nullptr;

protected:
    bool OnCreate() override
    {
        ++creations;
        child = new QWidget(ClientArea());
        return succeed;
    }
    void RepositionControls() override
    {
        ++layouts;
        child->setGeometry(ClientArea()->rect());
    }
};
} // namespace

TEST(DockPane, CreateGivesCaptionIdAndSizeThenBuildsChildren)
{
    QMainWindow frame;
    TestPane pane;
    EXPECT_FALSE(pane.IsCreated());
    EXPECT_EQ(pane.ClientArea(), nullptr);
    ASSERT_TRUE(pane.Create(QStringLiteral("类视图"), &frame, 134, QRect(0, 0, 266, 200)));
    EXPECT_TRUE(pane.IsCreated());
    EXPECT_EQ(pane.creations, 1);
    EXPECT_EQ(pane.windowTitle(), QStringLiteral("类视图"));
    EXPECT_EQ(pane.PaneId(), 134);
    EXPECT_EQ(pane.parentWidget(), &frame);
    EXPECT_FALSE(pane.objectName().isEmpty());
    ASSERT_NE(pane.ClientArea(), nullptr);
    EXPECT_EQ(pane.ClientArea()->sizeHint(), QSize(266, 200));
    EXPECT_GE(pane.layouts, 1);
    // Created once only.
    EXPECT_FALSE(pane.Create(QStringLiteral("x"), &frame, 1, QRect()));
    EXPECT_EQ(pane.creations, 1);

    frame.addDockWidget(Qt::LeftDockWidgetArea, &pane);
    frame.resize(800, 600);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    const int before = pane.layouts;
    frame.resize(900, 700);
    pane.ClientArea()->resize(pane.ClientArea()->width() + 10, pane.ClientArea()->height() + 10);
    QTRY_VERIFY_WITH_TIMEOUT(pane.layouts > before, 5000);
    EXPECT_EQ(pane.child->geometry(), pane.ClientArea()->rect());
}

TEST(DockPane, FailedOnCreateFailsTheCreation)
{
    QMainWindow frame;
    TestPane pane;
    pane.succeed = false;
    EXPECT_FALSE(pane.Create(QStringLiteral("属性"), &frame, 150, QRect(200, 200, 400, 400)));
    EXPECT_FALSE(pane.IsCreated());
    EXPECT_EQ(pane.layouts, 0);
}

TEST(DockPane, PaneCommandsActOnlyWithTheFocusInsideThePane)
{
    QMainWindow frame;
    TestPane pane;
    ASSERT_TRUE(pane.Create(QStringLiteral("p"), &frame, 1, QRect(0, 0, 100, 100)));
    QAction* remove =
        pane.Commands().addCommand(32778, QStringLiteral("删除(&D)"), {QKeySequence(QStringLiteral("Del"))});
    EXPECT_EQ(remove->shortcutContext(), Qt::WidgetWithChildrenShortcut);
    EXPECT_TRUE(pane.actions().contains(remove));
    int runs = 0;
    pane.Commands().setHandler(32778, [&]() { ++runs; });

    auto* outside = new QWidget;
    outside->setFocusPolicy(Qt::StrongFocus);
    frame.setCentralWidget(outside);
    pane.child->setFocusPolicy(Qt::StrongFocus);
    frame.addDockWidget(Qt::LeftDockWidgetArea, &pane);
    frame.show();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame, 5000));

    outside->setFocus();
    QTest::keyClick(outside, Qt::Key_Delete);
    EXPECT_EQ(runs, 0);
    pane.child->setFocus();
    QTest::keyClick(pane.child, Qt::Key_Delete);
    EXPECT_EQ(runs, 1);
}

TEST(ApplicationLooks, EveryIdHasItsMenuTextAndADistinctLook)
{
    const std::pair<int, QString> texts[] = {
        {210, QStringLiteral("Windows 2000(&2)")},
        {211, QStringLiteral("Office XP(&X)")},
        {212, QStringLiteral("Windows XP(&W)")},
        {213, QStringLiteral("Office 2003(&3)")},
        {214, QStringLiteral("Visual Studio.NET 2005(&5)")},
        {215, QStringLiteral("蓝色样式(&B)")},
        {216, QStringLiteral("黑色样式(&L)")},
        {217, QStringLiteral("银色样式(&S)")},
        {218, QStringLiteral("水绿色样式(&A)")},
    };
    std::set<QString> seen;
    std::set<QString> styles;
    for (const auto& [id, text] : texts)
    {
        EXPECT_TRUE(IsApplicationLookId(id));
        const ApplicationLook look = BuildApplicationLook(id);
        EXPECT_EQ(look.id, id);
        EXPECT_EQ(look.menuText, text);
        styles.insert(look.styleName.toLower());
        const QString signature = look.styleName + look.palette.color(QPalette::Window).name() +
                                  look.palette.color(QPalette::Button).name() +
                                  look.palette.color(QPalette::Highlight).name();
        EXPECT_TRUE(seen.insert(signature).second) << "look " << id << " repeats another";
        // Text stays readable on its background.
        const QColor foreground = look.palette.color(QPalette::WindowText);
        const QColor window = look.palette.color(QPalette::Window);
        EXPECT_GT(std::abs(foreground.lightness() - window.lightness()), 100) << id;
    }
    // Both Qt styles are in use.
    EXPECT_EQ(styles, (std::set<QString>{QStringLiteral("windows"), QStringLiteral("fusion")}));

    EXPECT_FALSE(IsApplicationLookId(209));
    EXPECT_FALSE(IsApplicationLookId(219));
    EXPECT_EQ(BuildApplicationLook(0).id, kDefaultApplicationLook);
    EXPECT_EQ(kDefaultApplicationLook, 215);
}

TEST(ApplicationLooks, ApplyInstallsStyleAndPalette)
{
    for (int id : {210, 216})
    {
        const ApplicationLook look = BuildApplicationLook(id);
        ApplyApplicationLook(look);
        EXPECT_EQ(QApplication::style()->name().toLower(), look.styleName.toLower());
        EXPECT_EQ(QApplication::palette().color(QPalette::Window), look.palette.color(QPalette::Window));
        EXPECT_EQ(QApplication::palette().color(QPalette::Base), look.palette.color(QPalette::Base));
        QWidget widget;
        EXPECT_EQ(widget.palette().color(QPalette::Highlight), look.palette.color(QPalette::Highlight));
    }
}
