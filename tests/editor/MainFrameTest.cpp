// The real editor started on a temporary data directory: caption, menus, toolbar, accelerators,
// panes, status bar, looks, File -> Open and New, command line, the about box, customisation
// and printing.
#include "ShellTestSupport.h"

#include "editor/AboutDlg.h"
#include "editor/CustomTree.h"
#include "base/assert.h"
#include "tool/row.h"
#include "editor/LockKeyIndicators.h"
#include "editor/Looks.h"
#include "editor/TesselView.h"
#include "editor/ToolbarCustomizeDlg.h"
#include "editor/resource.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QUndoStack>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidgetItem>
#include <QWidgetAction>
#include <QWindow>

using namespace shelltest;

namespace
{
struct MenuItem
{
    QString text; // empty for a separator
    int id;       // 0 for a separator or a submenu without id

    bool operator==(const MenuItem& other) const { return text == other.text && id == other.id; }
};

void PrintTo(const MenuItem& item, std::ostream* os)
{
    *os << "{" << item.text.toStdString() << ", " << item.id << "}";
}

std::vector<MenuItem> Items(const QMenu* menu)
{
    std::vector<MenuItem> items;
    for (QAction* action : menu->actions())
        items.push_back(
            {action->isSeparator() ? QString() : action->text(), CommandRouter::commandId(action)});
    return items;
}

QMenu* SubMenu(const QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions())
        if (action->text() == text)
            return action->menu();
    return nullptr;
}

QMenu* TopMenu(CMainFrame* frame, const QString& text)
{
    for (QAction* action : frame->menuBar()->actions())
        if (action->text() == text)
            return action->menu();
    return nullptr;
}

class MainFrameTest : public EditorTest
{
};
} // namespace

TEST_F(MainFrameTest, StartsWithTheDataDirectoryAsDocumentAndLoadedTables)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(GetMainFrame(), frame);
    EXPECT_EQ(CTesselApp::instance(), App());
    EXPECT_TRUE(App()->m_hiColorIcons);

    const QString name = QFileInfo(Dir()).fileName();
    EXPECT_EQ(frame->GetActiveDocument()->GetTitle(), name);
    EXPECT_EQ(frame->windowTitle(), name + QStringLiteral("[*] - Tessel"));
    ASSERT_NE(frame->windowHandle(), nullptr);
    EXPECT_EQ(frame->windowHandle()->title(), name + QStringLiteral(" - Tessel"));
    EXPECT_FALSE(frame->isWindowModified());
    EXPECT_TRUE(frame->isVisible());

    // -C made the data directory current before the tables were loaded.
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(Dir()).canonicalPath());
    EXPECT_EQ(TableList::instance()->count(), 2);

    EXPECT_NE(qobject_cast<CTesselView*>(frame->centralWidget()), nullptr);
}

TEST_F(MainFrameTest, PanesAreDockedOnTheLeftWithTheirCaptionsAndIds)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    EXPECT_TRUE(frame->m_classView.IsCreated());
    EXPECT_EQ(frame->m_classView.windowTitle(), QStringLiteral("类视图"));
    EXPECT_EQ(frame->m_classView.PaneId(), 134);
    EXPECT_EQ(frame->m_propertiesPane.windowTitle(), QStringLiteral("属性"));
    EXPECT_EQ(frame->m_propertiesPane.PaneId(), 150);
    EXPECT_EQ(frame->dockWidgetArea(&frame->m_classView), Qt::LeftDockWidgetArea);
    EXPECT_EQ(frame->dockWidgetArea(&frame->m_propertiesPane), Qt::LeftDockWidgetArea);
    EXPECT_TRUE(frame->m_classView.isVisible());
    EXPECT_TRUE(frame->m_propertiesPane.isVisible());
    EXPECT_FALSE(frame->m_classView.isFloating());
    // The class view sits above the properties pane.
    EXPECT_LT(frame->m_classView.geometry().top(), frame->m_propertiesPane.geometry().top());
}

TEST_F(MainFrameTest, MenusHaveTheirTextsAndCommandIds)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();

    QStringList tops;
    for (QAction* action : frame->menuBar()->actions())
        tops << action->text();
    EXPECT_EQ(tops, (QStringList{QStringLiteral("文件(&F)"), QStringLiteral("编辑(&E)"),
                                 QStringLiteral("视图(&V)"), QStringLiteral("工具(&T)"),
                                 QStringLiteral("帮助(&H)")}));

    QMenu* file = TopMenu(frame, QStringLiteral("文件(&F)"));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(Items(file), (std::vector<MenuItem>{{QStringLiteral("新建(&N)\tCtrl+N"), 57600},
                                                  {QStringLiteral("打开(&O)...\tCtrl+O"), 57601},
                                                  {QStringLiteral("保存(&S)\tCtrl+S"), 32775},
                                                  {QString(), 0},
                                                  {QStringLiteral("导入(&I)..."), 32860},
                                                  {QStringLiteral("导出(&E)..."), 32861},
                                                  {QString(), 0},
                                                  {QStringLiteral("最近的数据目录(&R)"), 0},
                                                  {QString(), 0},
                                                  {QStringLiteral("退出(&X)"), 57665}}));

    QMenu* edit = TopMenu(frame, QStringLiteral("编辑(&E)"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(Items(edit), (std::vector<MenuItem>{{QStringLiteral("撤消(&U)\tCtrl+Z"), 57643},
                                                  {QStringLiteral("重做(&R)\tCtrl+Y"), 57644},
                                                  {QString(), 0},
                                                  {QStringLiteral("剪切(&T)\tCtrl+X"), 57635},
                                                  {QStringLiteral("复制(&C)\tCtrl+C"), 57634},
                                                  {QStringLiteral("粘贴(&P)\tCtrl+V"), 57637},
                                                  {QStringLiteral("删除(&D)\tDel"), 57632}}));

    QMenu* view = TopMenu(frame, QStringLiteral("视图(&V)"));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(Items(view), (std::vector<MenuItem>{{QStringLiteral("工具栏和停靠窗口(&T)"), 59392},
                                                  {QStringLiteral("状态栏(&S)"), 59393},
                                                  {QStringLiteral("应用程序外观(&A)"), 0}}));
    QMenu* looks = SubMenu(view, QStringLiteral("应用程序外观(&A)"));
    ASSERT_NE(looks, nullptr);
    EXPECT_EQ(Items(looks), (std::vector<MenuItem>{{QStringLiteral("Windows 2000(&2)"), 210},
                                                   {QStringLiteral("Office XP(&X)"), 211},
                                                   {QStringLiteral("Windows XP(&W)"), 212},
                                                   {QStringLiteral("Office 2003(&3)"), 213},
                                                   {QStringLiteral("Visual Studio.NET 2005(&5)"), 214},
                                                   {QStringLiteral("Office 2007(&7)"), 0}}));
    QMenu* office2007 = SubMenu(looks, QStringLiteral("Office 2007(&7)"));
    ASSERT_NE(office2007, nullptr);
    EXPECT_EQ(Items(office2007), (std::vector<MenuItem>{{QStringLiteral("蓝色样式(&B)"), 215},
                                                        {QStringLiteral("黑色样式(&L)"), 216},
                                                        {QStringLiteral("银色样式(&S)"), 217},
                                                        {QStringLiteral("水绿色样式(&A)"), 218}}));

    QMenu* help = TopMenu(frame, QStringLiteral("帮助(&H)"));
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(Items(help), (std::vector<MenuItem>{{QStringLiteral("关于 Tessel(&A)..."), 57664}}));
}

TEST_F(MainFrameTest, PaneMenuListsTheToolbarThePanesAndCustomise)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    QMenu* panes =
        SubMenu(TopMenu(frame, QStringLiteral("视图(&V)")), QStringLiteral("工具栏和停靠窗口(&T)"));
    ASSERT_NE(panes, nullptr);
    emit panes->aboutToShow();
    QStringList texts;
    for (QAction* action : panes->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(texts, (QStringList{QStringLiteral("标准"), QStringLiteral("类视图"), QStringLiteral("属性"),
                                  QStringLiteral("-"), QStringLiteral("自定义...")}));
    EXPECT_EQ(CommandRouter::commandId(panes->actions().last()), 126);

    // Unticking a pane's entry hides the pane.
    QAction* classViewToggle = panes->actions().at(1);
    EXPECT_TRUE(classViewToggle->isChecked());
    classViewToggle->trigger();
    EXPECT_FALSE(frame->m_classView.isVisible());
    classViewToggle->trigger();
    EXPECT_TRUE(frame->m_classView.isVisible());
}

TEST_F(MainFrameTest, StandardToolbarHoldsTheButtonsInOrder)
{
    ASSERT_TRUE(Start());
    QToolBar* toolBar = Frame()->StandardToolBar();
    ASSERT_NE(toolBar, nullptr);
    EXPECT_EQ(toolBar->windowTitle(), QStringLiteral("标准"));
    EXPECT_EQ(Frame()->toolBarArea(toolBar), Qt::TopToolBarArea);

    std::vector<int> ids;
    QToolButton* customize = nullptr;
    for (QAction* action : toolBar->actions())
    {
        if (auto* widgetAction = qobject_cast<QWidgetAction*>(action))
        {
            customize = qobject_cast<QToolButton*>(toolBar->widgetForAction(widgetAction));
            continue;
        }
        ids.push_back(action->isSeparator() ? 0 : CommandRouter::commandId(action));
    }
    EXPECT_EQ(ids, (std::vector<int>{57600, 57601, 57603, 0, 57635, 57634, 57637, 0, 57607, 57664}));

    // The customise button at the end offers "自定义..." (126).
    ASSERT_NE(customize, nullptr);
    ASSERT_NE(customize->menu(), nullptr);
    ASSERT_EQ(customize->menu()->actions().size(), 1);
    EXPECT_EQ(customize->menu()->actions().first()->text(), QStringLiteral("自定义..."));
    EXPECT_EQ(CommandRouter::commandId(customize->menu()->actions().first()), 126);

    // Buttons follow their commands: the edit commands have no handler and stay disabled.
    for (QAction* action : toolBar->actions())
    {
        const int id = CommandRouter::commandId(action);
        if (id == 57635 || id == 57634 || id == 57637)
        {
            EXPECT_FALSE(action->isEnabled()) << id;
        }
        else if (id != 0)
        {
            EXPECT_TRUE(action->isEnabled()) << id;
        }
    }
}

TEST_F(MainFrameTest, AcceleratorsCarryTheirCommands)
{
    ASSERT_TRUE(Start());
    CommandRouter& commands = Frame()->Commands();
    const struct
    {
        int id;
        QList<QKeySequence> keys;
    } expected[] = {
        {57600, {QKeySequence(QStringLiteral("Ctrl+N"))}},
        {57601, {QKeySequence(QStringLiteral("Ctrl+O"))}},
        {57603, {QKeySequence(QStringLiteral("Ctrl+S"))}},
        {57607, {QKeySequence(QStringLiteral("Ctrl+P"))}},
        {57643, {QKeySequence(QStringLiteral("Ctrl+Z")), QKeySequence(QStringLiteral("Alt+Backspace"))}},
        {57644, {QKeySequence(QStringLiteral("Ctrl+Y")), QKeySequence(QStringLiteral("Ctrl+Shift+Z"))}},
        {57632, {QKeySequence(QStringLiteral("Del"))}},
        {57635, {QKeySequence(QStringLiteral("Ctrl+X")), QKeySequence(QStringLiteral("Shift+Del"))}},
        {57634, {QKeySequence(QStringLiteral("Ctrl+C")), QKeySequence(QStringLiteral("Ctrl+Ins"))}},
        {57637, {QKeySequence(QStringLiteral("Ctrl+V")), QKeySequence(QStringLiteral("Shift+Ins"))}},
        {57680, {QKeySequence(QStringLiteral("F6"))}},
        {57681, {QKeySequence(QStringLiteral("Shift+F6"))}},
        {32800, {QKeySequence(QStringLiteral("F7"))}},
        {32801, {QKeySequence(QStringLiteral("Ctrl+F"))}},
        {32802, {QKeySequence(QStringLiteral("F3"))}},
        {32803, {QKeySequence(QStringLiteral("Shift+F3"))}},
    };
    for (const auto& accelerator : expected)
    {
        QAction* action = commands.action(accelerator.id);
        ASSERT_NE(action, nullptr) << accelerator.id;
        EXPECT_EQ(action->shortcuts(), accelerator.keys) << accelerator.id;
    }
    // No other command owns a shortcut (the menu's 32775 only shows "Ctrl+S" in its text).
    for (int id : commands.ids())
    {
        bool listed = false;
        for (const auto& accelerator : expected)
            listed = listed || accelerator.id == id;
        if (!listed)
        {
            EXPECT_TRUE(commands.action(id)->shortcuts().isEmpty()) << id;
        }
    }
    // Accelerators with nothing to act on (nothing to undo, no row selected) or without a handler
    // keep their keys but stay disabled.
    for (int id : {57643, 57644, 57632, 57635, 57634, 57637, 57680, 57681})
        EXPECT_FALSE(commands.action(id)->isEnabled()) << id;
}

TEST_F(MainFrameTest, CtrlSKeyPressSavesEveryTable)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame, 5000));

    const QByteArray item = ReadFile(Path(QStringLiteral("item.txt")));
    const QByteArray monster = ReadFile(Path(QStringLiteral("monster.txt")));
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("item.txt")), "overwritten"));
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("monster.txt")), "overwritten"));

    // Save asks before it overwrites a file changed on disk; the answer here is "覆盖".
    struct Answers
    {
        Answers() { qputenv("TESSEL_TEST_ANSWERS", QStringLiteral("OverwriteBox=覆盖").toUtf8()); }
        ~Answers() { qunsetenv("TESSEL_TEST_ANSWERS"); }
    } answers;
    QTest::keyClick(frame, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(ReadFile(Path(QStringLiteral("item.txt"))), item);
    EXPECT_EQ(ReadFile(Path(QStringLiteral("monster.txt"))), monster);
}

TEST_F(MainFrameTest, StatusBarShowsReadyAndTheLockIndicators)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    ASSERT_NE(frame->MessagePane(), nullptr);
    EXPECT_EQ(frame->MessagePane()->text(), QStringLiteral("就绪"));
    LockKeyIndicators* indicators = frame->Indicators();
    ASSERT_NE(indicators, nullptr);
    EXPECT_EQ(indicators->CapsLabel()->text(), QStringLiteral("CAP"));
    EXPECT_EQ(indicators->NumLabel()->text(), QStringLiteral("NUM"));
    EXPECT_EQ(indicators->ScrollLabel()->text(), QStringLiteral("SCRL"));
    // Indicators sit right of the message pane, in this order.
    const int message = frame->MessagePane()->geometry().left();
    EXPECT_LT(message, indicators->CapsLabel()->geometry().left());
    EXPECT_LT(indicators->CapsLabel()->geometry().left(), indicators->NumLabel()->geometry().left());
    EXPECT_LT(indicators->NumLabel()->geometry().left(), indicators->ScrollLabel()->geometry().left());
    // The offscreen platform has no lock keys: all show off.
    EXPECT_FALSE(indicators->CapsLabel()->isEnabled());
    EXPECT_FALSE(indicators->NumLabel()->isEnabled());
    EXPECT_FALSE(indicators->ScrollLabel()->isEnabled());

    // Shown states follow what is given.
    LockKeyStates states;
    states.caps = true;
    states.scroll = true;
    indicators->Show(states);
    EXPECT_TRUE(indicators->CapsLabel()->isEnabled());
    EXPECT_FALSE(indicators->NumLabel()->isEnabled());
    EXPECT_TRUE(indicators->ScrollLabel()->isEnabled());
    // A key event refreshes them from the platform again.
    QTest::keyClick(frame, Qt::Key_A);
    QTRY_VERIFY_WITH_TIMEOUT(!indicators->CapsLabel()->isEnabled(), 5000);
    EXPECT_FALSE(indicators->ScrollLabel()->isEnabled());
}

TEST_F(MainFrameTest, StatusBarCommandTogglesTheStatusBar)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    CommandRouter& commands = frame->Commands();
    commands.updateAll();
    EXPECT_TRUE(commands.action(59393)->isChecked());
    ASSERT_TRUE(commands.execute(59393));
    EXPECT_TRUE(frame->statusBar()->isHidden());
    EXPECT_FALSE(commands.action(59393)->isChecked());
    ASSERT_TRUE(commands.execute(59393));
    EXPECT_FALSE(frame->statusBar()->isHidden());
    EXPECT_TRUE(commands.action(59393)->isChecked());
}

TEST_F(MainFrameTest, DefaultLookIsOffice2007BlueWithItsRadioMark)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    EXPECT_EQ(frame->m_appLook, 215);
    const ApplicationLook look = BuildApplicationLook(215);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), look.palette.color(QPalette::Window));
    EXPECT_EQ(QApplication::style()->name().toLower(), look.styleName.toLower());
    for (int id = 210; id <= 218; ++id)
    {
        QAction* action = frame->Commands().action(id);
        ASSERT_NE(action, nullptr);
        EXPECT_TRUE(action->isCheckable());
        EXPECT_EQ(action->isChecked(), id == 215) << id;
    }
}

TEST_F(MainFrameTest, ChosenLookIsStoredAndAppliedAtTheNextStart)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Frame()->Commands().execute(216));
    EXPECT_EQ(Frame()->m_appLook, 216);
    EXPECT_EQ(AppSettings().value(QStringLiteral("ApplicationLook")).toInt(), 216);
    const ApplicationLook black = BuildApplicationLook(216);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), black.palette.color(QPalette::Window));
    EXPECT_TRUE(Frame()->Commands().action(216)->isChecked());
    EXPECT_FALSE(Frame()->Commands().action(215)->isChecked());

    // Another look in between, so the next start must really apply the stored one.
    ASSERT_TRUE(Frame()->Commands().execute(210));
    EXPECT_EQ(AppSettings().value(QStringLiteral("ApplicationLook")).toInt(), 210);
    ASSERT_TRUE(Frame()->Commands().execute(212));
    Stop();
    ApplyApplicationLook(BuildApplicationLook(213));

    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame()->m_appLook, 212);
    const ApplicationLook xp = BuildApplicationLook(212);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), xp.palette.color(QPalette::Window));
    EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), xp.palette.color(QPalette::Highlight));
    EXPECT_EQ(QApplication::style()->name().toLower(), xp.styleName.toLower());
    // The menu bar was made in it.
    EXPECT_EQ(Frame()->menuBar()->palette().color(QPalette::Window), xp.palette.color(QPalette::Window));
    EXPECT_TRUE(Frame()->Commands().action(212)->isChecked());
}

TEST_F(MainFrameTest, StoredLookOutsideTheRangeFallsBackToTheDefault)
{
    AppSettings().setValue(QStringLiteral("ApplicationLook"), 999);
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame()->m_appLook, 215);
}

// A second data directory with one table of its own.
void WriteSecondDirectory(const QString& dir)
{
    QDir().mkpath(dir);
    const QByteArray list = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                            "<TableList>\n\t<Table FileName=\"skill.txt\" Label=\"skill\" />\n</TableList>\n";
    const QByteArray meta =
        "<?xml version=\"1.0\"?>\n<Table IdFieldIndex=\"0\" NameFieldIndex=\"1\">\n"
        "\t<Field Type=\"INT\" Name=\"ID\" CodeVarName=\"ID\" LinkTableName=\"\" IsMulti=\"false\" />\n"
        "\t<Field Type=\"STRING\" Name=\"Name\" CodeVarName=\"Name\" LinkTableName=\"\" "
        "IsMulti=\"false\" />\n</Table>\n";
    ASSERT_TRUE(WriteFile(QDir(dir).filePath(QStringLiteral("tableList.xml")), list));
    ASSERT_TRUE(WriteFile(QDir(dir).filePath(QStringLiteral("skill.txt.meta")), meta));
    ASSERT_TRUE(WriteFile(QDir(dir).filePath(QStringLiteral("skill.txt")),
                          Utf16File(QStringLiteral("ID\tName\r\nINT\tSTRING\r\n7\tFire\r\n"))));
}

TEST_F(MainFrameTest, FileOpenLoadsTheChosenDataDirectory)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    const QString second = Path(QStringLiteral("second"));
    WriteSecondDirectory(second);
    std::vector<QByteArray> before;
    for (const DataFile& file : SampleDataFiles())
        before.push_back(ReadFile(Path(file.name)));

    ModalAnswer<QFileDialog> answer(
        [&](QFileDialog* dialog)
        {
            dialog->selectFile(QDir(second).filePath(QStringLiteral("tableList.xml")));
            static_cast<QDialog*>(dialog)->accept(); // QFileDialog's accept() checks the choice
        });
    ASSERT_TRUE(frame->Commands().execute(57601));
    ASSERT_TRUE(answer.answered());

    EXPECT_EQ(frame->GetActiveDocument()->GetTitle(), QStringLiteral("second"));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("second[*] - Tessel"));
    EXPECT_FALSE(frame->isWindowModified());
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(second).canonicalPath());
    EXPECT_EQ(RecentFileList::Entries(), QStringList{QDir(second).absolutePath()});
    // The new tables are shown; the old files are untouched.
    ASSERT_EQ(TableList::instance()->count(), 1);
    EXPECT_EQ(QString::fromUtf16(TableList::instance()->at(0)->m_fileName.c_str()),
              QStringLiteral("skill.txt"));
    QTreeWidgetItem* root = frame->m_classView.Tree()->topLevelItem(0);
    ASSERT_EQ(root->childCount(), 1);
    EXPECT_EQ(root->child(0)->text(0), QStringLiteral("skill"));
    EXPECT_EQ(root->child(0)->childCount(), 1);
    size_t i = 0;
    for (const DataFile& file : SampleDataFiles())
        EXPECT_EQ(ReadFile(Path(file.name)), before[i++]) << file.name.toStdString();

    // A cancelled dialog changes nothing.
    ModalAnswer<QFileDialog> cancel([](QFileDialog* dialog) { dialog->reject(); });
    ASSERT_TRUE(frame->Commands().execute(57601));
    ASSERT_TRUE(cancel.answered());
    EXPECT_EQ(frame->GetActiveDocument()->GetTitle(), QStringLiteral("second"));
    EXPECT_EQ(RecentFileList::Entries().size(), 1);
}

TEST_F(MainFrameTest, OpenWithUnsavedChangesAsksFirst)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    CTesselDoc* document = frame->GetActiveDocument();
    const QString second = Path(QStringLiteral("second"));
    WriteSecondDirectory(second);
    const QByteArray monster = ReadFile(Path(QStringLiteral("monster.txt")));
    // An unsaved change: the first monster renamed.
    tarn::editor::Table* monsters = TableList::instance()->at(1);
    ASSERT_TRUE(document->SetCellValue(&monsters->m_rows.first()->value, 1, u"Hobgoblin"));

    struct Case
    {
        QMessageBox::StandardButton answer;
        bool opened;
        bool saved;
    };
    for (const Case& c : {Case{QMessageBox::Cancel, false, false}, Case{QMessageBox::Save, true, true}})
    {
        QString question;
        ModalAnswer<QMessageBox> answer(
            [&](QMessageBox* box)
            {
                question = box->text();
                box->button(c.answer)->click();
            });
        EXPECT_EQ(frame->OpenDataDirectory(second), c.opened);
        ASSERT_TRUE(answer.answered());
        EXPECT_EQ(question, QStringLiteral("是否保存对 %1 的更改?").arg(QFileInfo(Dir()).fileName()));
        EXPECT_EQ(ReadFile(Path(QStringLiteral("monster.txt"))) != monster, c.saved);
        EXPECT_EQ(document->GetTitle(), c.opened ? QStringLiteral("second") : QFileInfo(Dir()).fileName());
        EXPECT_EQ(document->IsModified(), !c.opened);
        EXPECT_EQ(TableList::instance()->count(), c.opened ? 1 : 2);
    }
    EXPECT_TRUE(ReadFile(Path(QStringLiteral("monster.txt")))
                    .contains(Utf16File(QStringLiteral("Hobgoblin")).mid(2)));
    // Nothing to undo in the directory opened.
    EXPECT_FALSE(document->UndoStack()->canUndo());
}

TEST_F(MainFrameTest, OpenDiscardingChangesLeavesTheOldFiles)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    const QString second = Path(QStringLiteral("second"));
    WriteSecondDirectory(second);
    const QByteArray monster = ReadFile(Path(QStringLiteral("monster.txt")));
    tarn::editor::Table* monsters = TableList::instance()->at(1);
    ASSERT_TRUE(frame->GetActiveDocument()->SetCellValue(&monsters->m_rows.first()->value, 1, u"Hobgoblin"));
    ModalAnswer<QMessageBox> answer([](QMessageBox* box) { box->button(QMessageBox::Discard)->click(); });
    EXPECT_TRUE(frame->OpenDataDirectory(second));
    ASSERT_TRUE(answer.answered());
    EXPECT_EQ(ReadFile(Path(QStringLiteral("monster.txt"))), monster);
    EXPECT_FALSE(frame->GetActiveDocument()->IsModified());
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(second).canonicalPath());
    // Save writes the tables of the directory now open, there.
    const QByteArray skill = ReadFile(QDir(second).filePath(QStringLiteral("skill.txt")));
    ASSERT_TRUE(frame->OnSaveAllTables());
    EXPECT_EQ(ReadFile(QDir(second).filePath(QStringLiteral("skill.txt"))), skill);
    EXPECT_EQ(ReadFile(Path(QStringLiteral("monster.txt"))), monster);
}

TEST_F(MainFrameTest, DirectoryThatCannotBeLoadedKeepsTheCurrentData)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    CTesselDoc* document = frame->GetActiveDocument();
    TableList* tables = TableList::instance();
    tarn::editor::Table* monsters = tables->at(1);
    ASSERT_TRUE(document->SetCellValue(&monsters->m_rows.first()->value, 1, u"Hobgoblin"));
    const QString empty = Path(QStringLiteral("empty"));
    const QString broken = Path(QStringLiteral("broken"));
    ASSERT_TRUE(QDir().mkpath(empty));
    ASSERT_TRUE(QDir().mkpath(broken));
    ASSERT_TRUE(WriteFile(QDir(broken).filePath(QStringLiteral("tableList.xml")), "<TableList><Table"));

    for (const QString& dir : {empty, broken, Path(QStringLiteral("missing"))})
    {
        QStringList boxes;
        ModalAnswer<QMessageBox> dontSave(
            [&](QMessageBox* box)
            {
                boxes << box->text() + box->informativeText();
                box->button(QMessageBox::Discard)->click();
            });
        ModalAnswer<QMessageBox>* failure = nullptr;
        QTimer::singleShot(0,
                           [&]()
                           {
                               failure = new ModalAnswer<QMessageBox>(
                                   [&](QMessageBox* box)
                                   {
                                       boxes << box->objectName();
                                       box->accept();
                                   });
                           });
        const unsigned long reports = scl::AssertReportCount();
        EXPECT_FALSE(frame->OpenDataDirectory(dir)) << dir.toStdString();
        delete failure;
        // The malformed list is a failed check of the loader; the others are ordinary input.
        EXPECT_LE(scl::AssertReportCount() - reports, dir == broken ? 1u : 0u);
        ASSERT_EQ(boxes.size(), 2) << dir.toStdString();
        EXPECT_EQ(boxes[1], QStringLiteral("OpenFailedBox"));
        EXPECT_EQ(TableList::instance(), tables);
        EXPECT_EQ(document->GetTitle(), QFileInfo(Dir()).fileName());
        EXPECT_EQ(QDir::current().canonicalPath(), QDir(Dir()).canonicalPath());
        EXPECT_TRUE(document->IsModified()); // the changes are still there to be saved
        EXPECT_EQ(QString::fromUtf16(monsters->m_rows.first()->value.Name()), QStringLiteral("Hobgoblin"));
    }
    EXPECT_TRUE(RecentFileList::Entries().isEmpty());
}

TEST_F(MainFrameTest, RecentFileListKeepsTenNewestDirectoriesWithoutDuplicates)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    for (int i = 1; i <= 12; ++i)
    {
        WriteSecondDirectory(Path(QStringLiteral("d%1").arg(i)));
        ASSERT_TRUE(frame->OpenDataDirectory(Path(QStringLiteral("d%1").arg(i))));
    }
    ASSERT_TRUE(frame->OpenDataDirectory(Path(QStringLiteral("d5"))));
    const QStringList entries = RecentFileList::Entries();
    ASSERT_EQ(entries.size(), 10);
    EXPECT_EQ(QFileInfo(entries[0]).fileName(), QStringLiteral("d5"));
    EXPECT_EQ(QFileInfo(entries[1]).fileName(), QStringLiteral("d12"));
    EXPECT_EQ(QFileInfo(entries[8]).fileName(), QStringLiteral("d4"));
    EXPECT_EQ(QFileInfo(entries[9]).fileName(), QStringLiteral("d3"));
    EXPECT_EQ(entries.count(entries[0]), 1);
    // The File menu lists them; choosing one opens it.
    QMenu* recent = frame->findChild<QMenu*>(QStringLiteral("RecentMenu"));
    ASSERT_NE(recent, nullptr);
    emit recent->aboutToShow();
    ASSERT_EQ(recent->actions().size(), 10);
    EXPECT_TRUE(recent->actions().at(1)->text().endsWith(QDir::toNativeSeparators(entries[1])));
    recent->actions().at(1)->trigger();
    EXPECT_EQ(frame->GetActiveDocument()->GetTitle(), QStringLiteral("d12"));
    // Kept in the settings across starts.
    const QStringList now = RecentFileList::Entries();
    Stop();
    EXPECT_EQ(RecentFileList::Entries(), now);
}

TEST_F(MainFrameTest, FileNewCreatesARowWithoutPromptOrRenaming)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    const QString title = frame->GetActiveDocument()->GetTitle();
    CCustomTree* tree = frame->m_classView.Tree();
    QTreeWidgetItem* items = tree->topLevelItem(0)->child(0);
    tree->expandItem(items);
    tree->SelectItem(items->child(0));
    ModalAnswer<QWidget> anyDialog([](QWidget* w) { w->close(); }, 200);
    ASSERT_TRUE(frame->Commands().execute(57600));
    EXPECT_FALSE(anyDialog.answered());
    EXPECT_EQ(frame->GetActiveDocument()->GetTitle(), title);
    EXPECT_TRUE(frame->GetActiveDocument()->IsModified());
    EXPECT_EQ(TableList::instance()->count(), 2);
    EXPECT_EQ(TableList::instance()->at(0)->m_rows.size(), 3);
    // 32773 runs the same command.
    ASSERT_TRUE(frame->Commands().execute(32773));
    EXPECT_EQ(TableList::instance()->at(0)->m_rows.size(), 4);
    EXPECT_EQ(frame->GetActiveDocument()->GetTitle(), title);
}

TEST_F(MainFrameTest, CommandLineNamesTheDataDirectory)
{
    ASSERT_TRUE(
        Start({QStringLiteral("--unknown"), QStringLiteral("-C"), Dir(), QStringLiteral("other.txt")}));
    EXPECT_EQ(Frame()->GetActiveDocument()->GetTitle(), QFileInfo(Dir()).fileName());
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(Dir()).canonicalPath());
    // No file named after the document is needed or made.
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("editor"))));
}

TEST_F(MainFrameTest, DirectoryWithoutOptionIsTheDataDirectory)
{
    const QString second = Path(QStringLiteral("second"));
    WriteSecondDirectory(second);
    ASSERT_TRUE(Start({second}));
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(second).canonicalPath());
    EXPECT_EQ(Frame()->GetActiveDocument()->GetTitle(), QStringLiteral("second"));
    EXPECT_EQ(TableList::instance()->count(), 1);
}

TEST_F(MainFrameTest, CommandLineWithoutDirectoryUsesTheCurrentOne)
{
    ASSERT_TRUE(QDir::setCurrent(Dir()));
    ASSERT_TRUE(Start({QStringLiteral("--ignored")}));
    EXPECT_EQ(TableList::instance()->count(), 2);
}

TEST_F(MainFrameTest, BadDataDirectoryEndsStartUp)
{
    const QString before = QDir::currentPath();
    EXPECT_FALSE(Start({QStringLiteral("-C"), Path(QStringLiteral("no-such-dir"))}));
    EXPECT_EQ(App()->ExitCode(), 2);
    EXPECT_EQ(Frame(), nullptr);
    EXPECT_EQ(QDir::currentPath(), before);

    EXPECT_FALSE(Start({QStringLiteral("-C")}));
    EXPECT_EQ(App()->ExitCode(), 2);
}

TEST_F(MainFrameTest, HelpAndVersionEndStartUpSuccessfully)
{
    testing::internal::CaptureStdout();
    EXPECT_FALSE(Start({QStringLiteral("--version")}));
    EXPECT_EQ(App()->ExitCode(), 0);
    EXPECT_FALSE(Start({QStringLiteral("--help")}));
    EXPECT_EQ(App()->ExitCode(), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Tessel 1.0"), std::string::npos);
    EXPECT_NE(out.find("Usage: tessel [-C DIR | DIR] [--smoke] [--help] [--version]"), std::string::npos);
    EXPECT_EQ(Frame(), nullptr);
}

TEST(CommandLine, ParsesDirectoryHelpAndVersion)
{
    CommandLineOptions options = ParseCommandLine(
        {QStringLiteral("tessel"), QStringLiteral("x"), QStringLiteral("-C"), QStringLiteral("/d")});
    EXPECT_EQ(options.dataDirectory, QStringLiteral("/d"));
    // A directory without -C, as the first argument that is no option.
    options = ParseCommandLine({QStringLiteral("tessel"), QStringLiteral("/e"), QStringLiteral("/f")});
    EXPECT_EQ(options.dataDirectory, QStringLiteral("/e"));
    EXPECT_FALSE(options.help);
    EXPECT_FALSE(options.version);
    EXPECT_TRUE(options.error.isEmpty());

    options =
        ParseCommandLine({QStringLiteral("tessel"), QStringLiteral("--version"), QStringLiteral("--help")});
    EXPECT_TRUE(options.help);
    EXPECT_TRUE(options.version);
    EXPECT_TRUE(options.dataDirectory.isEmpty());

    // The program name is never taken for an option, and -C consumes its argument.
    options = ParseCommandLine({QStringLiteral("--help"), QStringLiteral("-C"), QStringLiteral("--help")});
    EXPECT_FALSE(options.help);
    EXPECT_EQ(options.dataDirectory, QStringLiteral("--help"));

    options = ParseCommandLine({QStringLiteral("tessel"), QStringLiteral("-C")});
    EXPECT_FALSE(options.error.isEmpty());
    EXPECT_FALSE(options.smoke);

    EXPECT_TRUE(ParseCommandLine({QStringLiteral("tessel"), QStringLiteral("--smoke")}).smoke);
}

// --smoke: the event loop ends by itself, with 0 only when the editor came up complete.
struct SmokeCase
{
    const char* name;
    std::function<void(const QString& dataDir)> beforeStart; // may be empty
    std::function<void(CMainFrame*)> afterStart;             // may be empty
    int exitCode;
    const char* output; // expected on standard output (exit code 0) or standard error
};

void PrintTo(const SmokeCase& c, std::ostream* os)
{
    *os << c.name;
}

class SmokeTest : public EditorTest, public ::testing::WithParamInterface<SmokeCase>
{
};

TEST_P(SmokeTest, EndsTheEventLoopWithItsVerdict)
{
    const SmokeCase& c = GetParam();
    if (c.beforeStart)
        c.beforeStart(Dir());
    ASSERT_TRUE(Start({QStringLiteral("-C"), Dir(), QStringLiteral("--smoke")}));
    if (c.afterStart)
        c.afterStart(Frame());
    // A smoke check that never ends the loop fails here instead of hanging.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, []() { QCoreApplication::exit(99); });
    guard.start(20000);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int exitCode = App()->Run();
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(exitCode, c.exitCode) << out << err;
    EXPECT_NE((c.exitCode == 0 ? out : err).find(c.output), std::string::npos) << out << err;
}

INSTANTIATE_TEST_SUITE_P(
    Verdicts, SmokeTest,
    ::testing::Values(
        SmokeCase{"complete", {}, {}, 0, "tessel: smoke check passed (2 tables)\n"},
        SmokeCase{"table_not_loaded",
                  [](const QString& dir)
                  { ASSERT_TRUE(QFile::remove(dir + QStringLiteral("/monster.txt"))); },
                  {},
                  1,
                  "tessel: smoke check failed: 1 problem(s) while loading the tables:\nmonster.txt"},
        SmokeCase{"no_table",
                  [](const QString& dir)
                  {
                      ASSERT_TRUE(WriteFile(dir + QStringLiteral("/tableList.xml"),
                                            "<?xml version=\"1.0\"?>\n<TableList>\n</TableList>\n"));
                  },
                  {},
                  1,
                  "smoke check failed: the table list names no table"},
        SmokeCase{"row_missing_from_the_class_view",
                  {},
                  [](CMainFrame* frame)
                  { delete frame->m_classView.Tree()->topLevelItem(0)->child(0)->child(1); },
                  1,
                  "smoke check failed: the class view shows 1 of the 2 rows of \xE7\x89\xA9\xE5\x93\x81"},
        SmokeCase{"table_missing_from_the_class_view",
                  {},
                  [](CMainFrame* frame) { delete frame->m_classView.Tree()->topLevelItem(0)->child(1); },
                  1,
                  "smoke check failed: the class view lists 1 of 2 tables"},
        SmokeCase{"window_not_shown",
                  {},
                  [](CMainFrame* frame) { frame->hide(); },
                  1,
                  "smoke check failed: the main window is not shown"}),
    [](const ::testing::TestParamInfo<SmokeCase>& param) { return std::string(param.param.name); });

TEST_F(MainFrameTest, AboutBoxShowsCaptionVersionAndComponents)
{
    ASSERT_TRUE(Start());
    QString caption;
    QStringList labels;
    QString group;
    QString okText;
    ModalAnswer<CAboutDlg> answer(
        [&](CAboutDlg* dialog)
        {
            caption = dialog->windowTitle();
            for (QLabel* label : dialog->findChildren<QLabel*>())
                labels << label->text();
            if (auto* box = dialog->findChild<QGroupBox*>())
                group = box->title();
            auto* buttons = dialog->findChild<QDialogButtonBox*>();
            QPushButton* ok = buttons ? qobject_cast<QPushButton*>(buttons->buttons().value(0)) : nullptr;
            if (ok)
            {
                okText = ok->text();
                ok->click();
            }
            else
                dialog->reject();
        });
    ASSERT_TRUE(Frame()->Commands().execute(57664));
    ASSERT_TRUE(answer.answered());
    EXPECT_EQ(caption, QStringLiteral("关于 Tessel"));
    EXPECT_TRUE(labels.contains(QStringLiteral("Tessel，1.0 版")));
    EXPECT_TRUE(labels.contains(QStringLiteral("pugixml parser - version 1.0")));
    EXPECT_TRUE(labels.contains(QStringLiteral("MultiTree")));
    EXPECT_EQ(group, QStringLiteral("Versions"));
    EXPECT_EQ(okText, QStringLiteral("确定"));
}

TEST_F(MainFrameTest, CustomiseHidesToolbarButtonsOnlyAndRemembersThem)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    QAction* cutButton = nullptr;
    for (QAction* action : frame->StandardToolBar()->actions())
        if (CommandRouter::commandId(action) == 57635)
            cutButton = action;
    ASSERT_NE(cutButton, nullptr);

    QStringList listed;
    ModalAnswer<ToolbarCustomizeDlg> answer(
        [&](ToolbarCustomizeDlg* dialog)
        {
            QListWidget* list = dialog->ButtonList();
            for (int row = 0; row < list->count(); ++row)
            {
                listed << list->item(row)->text();
                if (list->item(row)->text() == QStringLiteral("剪切"))
                    list->item(row)->setCheckState(Qt::Unchecked);
            }
            dialog->accept();
        });
    ASSERT_TRUE(frame->Commands().execute(126));
    ASSERT_TRUE(answer.answered());
    EXPECT_EQ(listed, (QStringList{QStringLiteral("标准"), QStringLiteral("新建"), QStringLiteral("打开"),
                                   QStringLiteral("保存"), QStringLiteral("剪切"), QStringLiteral("复制"),
                                   QStringLiteral("粘贴"), QStringLiteral("打印"), QStringLiteral("关于")}));
    EXPECT_FALSE(cutButton->isVisible());
    // The command itself (and so its shortcuts and menu items) is untouched.
    EXPECT_TRUE(frame->Commands().action(57635)->isVisible());

    Stop();
    ASSERT_TRUE(Start());
    for (QAction* action : Frame()->StandardToolBar()->actions())
    {
        const int id = CommandRouter::commandId(action);
        if (id != 0)
        {
            EXPECT_EQ(action->isVisible(), id != 57635) << id;
        }
    }
}

TEST_F(MainFrameTest, PrintingProducesAnEmptyPage)
{
    ASSERT_TRUE(Start());
    CTesselView* view = Frame()->GetActiveView();
    ASSERT_NE(view, nullptr);
    const QString pdf = Path(QStringLiteral("print.pdf"));
    view->Printer()->setOutputFormat(QPrinter::PdfFormat);
    view->Printer()->setOutputFileName(pdf);

    ASSERT_TRUE(Frame()->Commands().execute(57608)); // direct printing
    const QByteArray printed = ReadFile(pdf);
    EXPECT_TRUE(printed.startsWith("%PDF"));
    EXPECT_TRUE(printed.contains("/Count 1")); // one page

    ModalAnswer<QPrintPreviewDialog> preview([](QPrintPreviewDialog* dialog) { dialog->reject(); });
    ASSERT_TRUE(Frame()->Commands().execute(57609));
    EXPECT_TRUE(preview.answered());

    ASSERT_TRUE(QFile::remove(pdf));
    ModalAnswer<QPrintDialog> cancelled([](QPrintDialog* dialog) { dialog->reject(); });
    ASSERT_TRUE(Frame()->Commands().execute(57607));
    EXPECT_TRUE(cancelled.answered());
    EXPECT_FALSE(QFileInfo::exists(pdf));
}
