// The main frame's tools for links: the menu "工具", the pane "问题", the find bar and the pane
// "查找结果". Kept apart from MainFrame.cpp, which builds the rest of the frame.
#include "editor/MainFrame.h"

#include "editor/FindPane.h"
#include "editor/ProblemsPane.h"
#include "editor/resource.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

void CMainFrame::CreateLinkTools()
{
    m_problemsPane = new CProblemsPane(&m_document, this);
    addDockWidget(Qt::BottomDockWidgetArea, m_problemsPane);
    m_problemsPane->hide();
    m_findPane = new CFindPane(&m_document, this);
    addDockWidget(Qt::BottomDockWidgetArea, m_findPane);
    tabifyDockWidget(m_problemsPane, m_findPane);
    m_findPane->hide();
    m_findBar = new CFindBar(&m_document, m_findPane, this);
    addToolBar(Qt::TopToolBarArea, m_findBar);
    m_findBar->hide();

    CommandRouter& c = m_commands;
    c.addCommand(ID_TOOLS_CHECK, QStringLiteral("检查数据(&C)\tF7"), {QKeySequence(Qt::Key_F7)});
    c.addCommand(ID_EDIT_FIND, QStringLiteral("查找(&F)...\tCtrl+F"), {QKeySequence(Qt::CTRL | Qt::Key_F)});
    c.addCommand(ID_EDIT_FIND_NEXT, QStringLiteral("查找下一个(&N)\tF3"), {QKeySequence(Qt::Key_F3)});
    c.addCommand(ID_EDIT_FIND_PREV, QStringLiteral("查找上一个(&V)\tShift+F3"),
                 {QKeySequence(Qt::SHIFT | Qt::Key_F3)});
    c.registerAction(ID_VIEW_PROBLEMS, m_problemsPane->toggleViewAction());
    c.registerAction(ID_VIEW_FIND_RESULTS, m_findPane->toggleViewAction());
    c.setHandler(ID_TOOLS_CHECK, [this]() { OnCheckData(); });
    c.setHandler(ID_EDIT_FIND, [this]() { m_findBar->Open(); });
    c.setHandler(ID_EDIT_FIND_NEXT, [this]() { m_findPane->Step(1); });
    c.setHandler(ID_EDIT_FIND_PREV, [this]() { m_findPane->Step(-1); });
    const auto always = [](CommandUi& ui) { ui.Enable(); };
    c.setUpdateHandler(ID_TOOLS_CHECK, always);
    c.setUpdateHandler(ID_EDIT_FIND, always);
    // Without results F3 does nothing; enabled all the same, so that it acts as soon as there are.
    c.setUpdateHandler(ID_EDIT_FIND_NEXT, always);
    c.setUpdateHandler(ID_EDIT_FIND_PREV, always);

    QMenu* tools = new QMenu(QStringLiteral("工具(&T)"), m_wndMenuBar);
    tools->setObjectName(QStringLiteral("ToolsMenu"));
    tools->addAction(c.action(ID_TOOLS_CHECK));
    tools->addSeparator();
    tools->addAction(c.action(ID_EDIT_FIND));
    tools->addAction(c.action(ID_EDIT_FIND_NEXT));
    tools->addAction(c.action(ID_EDIT_FIND_PREV));
    tools->addSeparator();
    tools->addAction(c.action(ID_VIEW_PROBLEMS));
    tools->addAction(c.action(ID_VIEW_FIND_RESULTS));
    // Before "帮助", the last menu.
    const QList<QAction*> menus = m_wndMenuBar->actions();
    m_wndMenuBar->insertMenu(menus.isEmpty() ? nullptr : menus.last(), tools);
    c.watchMenu(tools);
}

void CMainFrame::OnCheckData()
{
    m_problemsPane->show();
    m_problemsPane->raise();
    m_problemsPane->Refresh();
}
