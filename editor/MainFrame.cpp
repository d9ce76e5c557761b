#include "editor/MainFrame.h"

#include "editor/AboutDlg.h"
#include "editor/AppSettings.h"
#include "editor/CustomPropertyGridCtrl.h"
#include "editor/LinkBreakBox.h"
#include "editor/DirectoryGuard.h"
#include "editor/TestHooks.h"
#include "editor/LockKeyIndicators.h"
#include "editor/Looks.h"
#include "editor/TableExchangeUi.h"
#include "editor/TesselView.h"
#include "editor/ToolbarCustomizeDlg.h"
#include "editor/ToolbarImages.h"
#include "editor/resource.h"
#include "tool/problemText.h"
#include "tool/row.h"
#include "tool/tables.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QUndoStack>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <memory>

namespace
{
CMainFrame* g_mainFrame = nullptr;

const char kLookKey[] = "ApplicationLook";
const char kGeometryKey[] = "MainFrame/Geometry";
const char kStateKey[] = "MainFrame/State";
const char kHiddenButtonsKey[] = "MainFrame/HiddenToolbarButtons";
// Version tag of the saved bar and pane layout; a layout saved by another version is ignored.
constexpr int kWindowStateVersion = 1;
// How many load problems the warning lists before it refers to its details.
constexpr int kListedLoadProblems = 20;

const int kLookIds[] = {
    ID_VIEW_APPLOOK_WIN_2000,       ID_VIEW_APPLOOK_OFF_XP,          ID_VIEW_APPLOOK_WIN_XP,
    ID_VIEW_APPLOOK_OFF_2003,       ID_VIEW_APPLOOK_VS_2005,         ID_VIEW_APPLOOK_OFF_2007_BLUE,
    ID_VIEW_APPLOOK_OFF_2007_BLACK, ID_VIEW_APPLOOK_OFF_2007_SILVER, ID_VIEW_APPLOOK_OFF_2007_AQUA};

QKeySequence Keys(QKeyCombination key)
{
    return QKeySequence(key);
}
} // namespace

CMainFrame* GetMainFrame()
{
    return g_mainFrame;
}

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent), m_commands(this)
{
    g_mainFrame = this;
    setObjectName(QStringLiteral("MainFrame"));
    setWindowIcon(TesselAppIcon());

    bool ok = false;
    m_appLook = AppSettings().value(kLookKey, kDefaultApplicationLook).toInt(&ok);
    if (!ok || !IsApplicationLookId(m_appLook))
        m_appLook = kDefaultApplicationLook;

    m_classView.SetDocument(&m_document);
    m_propertiesPane.SetDocument(&m_document);
    connect(&m_document, &CTesselDoc::titleChanged, this, &CMainFrame::UpdateCaption);
    connect(&m_document, &CTesselDoc::modifiedChanged, this, &QWidget::setWindowModified);
    // Deleting rows or changing an id that links still name asks first.
    m_document.SetLinkBreakConfirmer(
        [this](const QString& what, const std::vector<tarn::LinkIndex::Referrer>& referrers)
        { return linkbreak::Ask(this, what, referrers); });
    UpdateCaption();
    m_guard = std::make_unique<DirectoryGuard>(this, &m_commands, &m_document);
}

CMainFrame::~CMainFrame()
{
    m_guard.reset();
    if (g_mainFrame == this)
        g_mainFrame = nullptr;
}

bool CMainFrame::LoadFrame()
{
    if (m_created)
        return false;

    // The tables are loaded before any of the frame's windows exist; whatever the load
    // achieves, creation goes on (problems are shown later, ShowLoadProblems).
    TableList* tables = TableList::instance();
    tables->initIndex();
    tables->loadTableList();

    // The look is installed before the bars are made, so they are built in it.
    ApplyApplicationLook(BuildApplicationLook(m_appLook));

    CreateCommands();
    CreateMenuBar();
    CreateToolBar();
    CreateStatusBar();
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks |
                   QMainWindow::AllowTabbedDocks);
    if (!CreateDockingWindows())
        return false;
    CreateLinkTools();

    m_view = new CTesselView(this);
    m_view->SetDocument(&m_document);
    setCentralWidget(m_view);

    // The interface font: the application's font with the Song face at 12 pixels.
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(12);
    QApplication::setFont(font);

    resize(1024, 720);
    m_commands.updateAll();
    m_created = true;
    return true;
}

void CMainFrame::CreateCommands()
{
    CommandRouter& c = m_commands;

    // File
    c.addCommand(ID_FILE_NEW, QStringLiteral("新建(&N)\tCtrl+N"), {Keys(Qt::CTRL | Qt::Key_N)});
    c.addCommand(ID_NEW_ROW, QStringLiteral("新建(&N)"));
    c.addCommand(ID_FILE_OPEN, QStringLiteral("打开(&O)...\tCtrl+O"), {Keys(Qt::CTRL | Qt::Key_O)});
    c.addCommand(ID_FILE_SAVE, QStringLiteral("保存(&S)"), {Keys(Qt::CTRL | Qt::Key_S)});
    c.addCommand(ID_FILE_SAVE_MENU, QStringLiteral("保存(&S)\tCtrl+S"));
    c.addCommand(ID_FILE_PRINT, QStringLiteral("打印(&P)...\tCtrl+P"), {Keys(Qt::CTRL | Qt::Key_P)});
    c.addCommand(ID_FILE_PRINT_DIRECT, QStringLiteral("快速打印"));
    c.addCommand(ID_FILE_PRINT_PREVIEW, QStringLiteral("打印预览(&V)"));
    c.addCommand(ID_FILE_PAGE_SETUP, QStringLiteral("打印设置(&R)..."));
    c.addCommand(ID_APP_EXIT, QStringLiteral("退出(&X)"));

    // Edit
    c.addCommand(ID_EDIT_UNDO, QStringLiteral("撤消(&U)\tCtrl+Z"),
                 {Keys(Qt::CTRL | Qt::Key_Z), Keys(Qt::ALT | Qt::Key_Backspace)});
    c.addCommand(ID_EDIT_REDO, QStringLiteral("重做(&R)\tCtrl+Y"),
                 {Keys(Qt::CTRL | Qt::Key_Y), Keys(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    c.addCommand(ID_EDIT_CUT, QStringLiteral("剪切(&T)\tCtrl+X"),
                 {Keys(Qt::CTRL | Qt::Key_X), Keys(Qt::SHIFT | Qt::Key_Delete)});
    c.addCommand(ID_EDIT_COPY, QStringLiteral("复制(&C)\tCtrl+C"),
                 {Keys(Qt::CTRL | Qt::Key_C), Keys(Qt::CTRL | Qt::Key_Insert)});
    c.addCommand(ID_EDIT_PASTE, QStringLiteral("粘贴(&P)\tCtrl+V"),
                 {Keys(Qt::CTRL | Qt::Key_V), Keys(Qt::SHIFT | Qt::Key_Insert)});
    c.addCommand(ID_EDIT_CLEAR, QStringLiteral("删除(&D)\tDel"), {Keys(QKeyCombination(Qt::Key_Delete))});
    c.addCommand(ID_NEXT_PANE, QStringLiteral("下一窗格"), {Keys(QKeyCombination(Qt::Key_F6))});
    c.addCommand(ID_PREV_PANE, QStringLiteral("上一窗格"), {Keys(Qt::SHIFT | Qt::Key_F6)});

    // View and Help
    QAction* statusBarAction = c.addCommand(ID_VIEW_STATUS_BAR, QStringLiteral("状态栏(&S)"));
    statusBarAction->setCheckable(true);
    c.addCommand(ID_VIEW_CUSTOMIZE, LoadResourceString(IDS_TOOLBAR_CUSTOMIZE));
    auto* looks = new QActionGroup(this);
    looks->setExclusive(true);
    for (int id : kLookIds)
    {
        QAction* look = c.addCommand(id, BuildApplicationLook(id).menuText);
        look->setCheckable(true);
        looks->addAction(look);
    }
    c.addCommand(ID_APP_ABOUT, QStringLiteral("关于 Tessel(&A)..."));

    // Toolbar texts: the button's tooltip is its command's short name.
    const struct
    {
        int id;
        const char16_t* tip;
    } tips[] = {{ID_FILE_NEW, u"新建"},   {ID_FILE_OPEN, u"打开"}, {ID_FILE_SAVE, u"保存"},
                {ID_EDIT_CUT, u"剪切"},   {ID_EDIT_COPY, u"复制"}, {ID_EDIT_PASTE, u"粘贴"},
                {ID_FILE_PRINT, u"打印"}, {ID_APP_ABOUT, u"关于"}, {ID_FILE_SAVE_MENU, u"保存"}};
    for (const auto& tip : tips)
    {
        QAction* action = c.action(tip.id);
        action->setIcon(CommandIcon(tip.id));
        action->setIconText(QString::fromUtf16(tip.tip));
        action->setToolTip(QString::fromUtf16(tip.tip));
    }

    // Handlers
    c.setHandler(ID_FILE_NEW, [this]() { OnFileNew(); });
    c.setHandler(ID_NEW_ROW, [this]() { OnFileNew(); });
    c.setHandler(ID_FILE_OPEN, [this]() { OnFileOpen(); });
    c.setHandler(ID_FILE_SAVE, [this]() { OnSaveAllTables(); });
    c.setHandler(ID_FILE_SAVE_MENU, [this]() { OnSaveAllTables(); });
    c.setHandler(ID_FILE_PRINT, [this]() { m_view->OnFilePrint(); });
    c.setHandler(ID_FILE_PRINT_DIRECT, [this]() { m_view->OnFilePrintDirect(); });
    c.setHandler(ID_FILE_PRINT_PREVIEW, [this]() { m_view->OnFilePrintPreview(); });
    c.setHandler(ID_FILE_PAGE_SETUP, [this]() { m_view->OnFilePageSetup(); });
    c.setHandler(ID_APP_EXIT, [this]() { close(); });
    c.setHandler(ID_VIEW_STATUS_BAR, [this]() { m_wndStatusBar->setVisible(m_wndStatusBar->isHidden()); });
    c.setUpdateHandler(ID_VIEW_STATUS_BAR,
                       [this](CommandUi& ui) { ui.SetCheck(m_wndStatusBar && !m_wndStatusBar->isHidden()); });
    c.setHandler(ID_VIEW_CUSTOMIZE, [this]() { OnViewCustomize(); });
    for (int id : kLookIds)
    {
        c.setHandler(id, [this, id]() { OnApplicationLook(id); });
        c.setUpdateHandler(id,
                           [this](CommandUi& ui)
                           {
                               ui.Enable();
                               ui.SetCheck(ui.id == m_appLook);
                           });
    }
    c.setHandler(ID_APP_ABOUT, [this]() { OnAppAbout(); });

    c.setHandler(ID_EDIT_UNDO, [this]() { m_document.Undo(); });
    c.setHandler(ID_EDIT_REDO, [this]() { m_document.Redo(); });
    c.setUpdateHandler(ID_EDIT_UNDO, [this](CommandUi& ui) { ui.Enable(m_document.UndoStack()->canUndo()); });
    c.setUpdateHandler(ID_EDIT_REDO, [this](CommandUi& ui) { ui.Enable(m_document.UndoStack()->canRedo()); });
    c.setHandler(ID_EDIT_COPY, [this]() { m_classView.CopyRows(); });
    c.setHandler(ID_EDIT_CUT, [this]() { m_classView.CutRows(); });
    c.setHandler(ID_EDIT_PASTE, [this]() { m_classView.PasteRows(); });
    c.setHandler(ID_EDIT_CLEAR, [this]() { m_classView.DeleteSelectedRows(); });
    // Cut and Delete act on the class view's selected rows, but not while the properties pane has
    // the focus: a Delete meant for a property must not delete rows.
    const auto hasRows = [this](CommandUi& ui)
    { ui.Enable(m_classView.IsCreated() && m_classView.HasSelectedRows()); };
    const auto mayDeleteRows = [this, hasRows](CommandUi& ui)
    {
        hasRows(ui);
        const QWidget* focus = QApplication::focusWidget();
        if (focus != nullptr && m_propertiesPane.IsCreated() && m_propertiesPane.isAncestorOf(focus))
            ui.Enable(false);
    };
    c.setUpdateHandler(ID_EDIT_COPY, hasRows);
    c.setUpdateHandler(ID_EDIT_CUT, mayDeleteRows);
    c.setUpdateHandler(ID_EDIT_CLEAR, mayDeleteRows);
    c.setUpdateHandler(ID_EDIT_PASTE, [this](CommandUi& ui)
                       { ui.Enable(m_classView.IsCreated() && m_classView.CanPaste()); });
    // The undo texts name what they undo; they change with the stack, not only when a menu opens.
    connect(m_document.UndoStack(), &QUndoStack::indexChanged, this, &CMainFrame::UpdateEditCommands);
    connect(m_document.UndoStack(), &QUndoStack::cleanChanged, this, &CMainFrame::UpdateEditCommands);
    UpdateEditCommands();
    CreateExchangeCommands();
}

void CMainFrame::CreateExchangeCommands()
{
    m_commands.addCommand(ID_FILE_IMPORT, QStringLiteral("导入(&I)..."));
    m_commands.addCommand(ID_FILE_EXPORT, QStringLiteral("导出(&E)..."));
    m_commands.setHandler(ID_FILE_IMPORT, [this]() { OnFileImport(); });
    m_commands.setHandler(ID_FILE_EXPORT, [this]() { OnFileExport(); });
    const auto hasTable = [this](CommandUi& ui) { ui.Enable(CurrentTable() != nullptr); };
    m_commands.setUpdateHandler(ID_FILE_IMPORT, hasTable);
    m_commands.setUpdateHandler(ID_FILE_EXPORT, hasTable);
}

tarn::editor::Table* CMainFrame::CurrentTable()
{
    if (m_classView.IsCreated())
        if (tarn::editor::Table* table = m_classView.CaretTable())
            return table;
    const tarn::Row* row = m_document.CurrentRow();
    return row != nullptr ? row->m_table : nullptr;
}

void CMainFrame::OnFileImport()
{
    tarn::editor::Table* table = CurrentTable();
    if (table == nullptr || !CommitOpenEdit(QStringLiteral("没有导入")))
        return;
    const QString done = CTableExchange::Import(this, &m_document, table);
    if (!done.isEmpty())
        m_wndStatusBar->showMessage(done, 10000);
}

void CMainFrame::OnFileExport()
{
    tarn::editor::Table* table = CurrentTable();
    if (table == nullptr || !CommitOpenEdit(QStringLiteral("没有导出")))
        return;
    const QString path = CTableExchange::Export(this, table);
    if (!path.isEmpty())
        m_wndStatusBar->showMessage(
            QStringLiteral("已导出表 %1 到 %2")
                .arg(QString::fromUtf16(table->m_fileName.c_str()), QDir::toNativeSeparators(path)),
            10000);
}

void CMainFrame::UpdateEditCommands()
{
    const QUndoStack* stack = m_document.UndoStack();
    const auto label = [](const QString& verb, const QString& mnemonic, const QString& what,
                          const QString& keys) {
        return (what.isEmpty() ? verb : verb + QLatin1Char(' ') + what) + mnemonic + QLatin1Char('\t') + keys;
    };
    QAction* undo = m_commands.action(ID_EDIT_UNDO);
    QAction* redo = m_commands.action(ID_EDIT_REDO);
    undo->setText(
        label(QStringLiteral("撤消"), QStringLiteral("(&U)"), stack->undoText(), QStringLiteral("Ctrl+Z")));
    redo->setText(
        label(QStringLiteral("重做"), QStringLiteral("(&R)"), stack->redoText(), QStringLiteral("Ctrl+Y")));
    undo->setEnabled(stack->canUndo());
    redo->setEnabled(stack->canRedo());
}

void CMainFrame::CreateMenuBar()
{
    m_wndMenuBar = new QMenuBar(this);
    m_wndMenuBar->setObjectName(QStringLiteral("MenuBar"));
    // The menu bar stays in the window even where the desktop offers a global one.
    m_wndMenuBar->setNativeMenuBar(false);
    setMenuBar(m_wndMenuBar);

    QMenu* file = m_wndMenuBar->addMenu(QStringLiteral("文件(&F)"));
    file->addAction(m_commands.action(ID_FILE_NEW));
    file->addAction(m_commands.action(ID_FILE_OPEN));
    file->addAction(m_commands.action(ID_FILE_SAVE_MENU));
    file->addSeparator();
    file->addAction(m_commands.action(ID_FILE_IMPORT));
    file->addAction(m_commands.action(ID_FILE_EXPORT));
    file->addSeparator();
    QMenu* recent = file->addMenu(QStringLiteral("最近的数据目录(&R)"));
    recent->setObjectName(QStringLiteral("RecentMenu"));
    connect(recent, &QMenu::aboutToShow, this, [this, recent]() { FillRecentMenu(recent); });
    FillRecentMenu(recent);
    file->addSeparator();
    file->addAction(m_commands.action(ID_APP_EXIT));
    m_commands.watchMenu(file);

    QMenu* edit = m_wndMenuBar->addMenu(QStringLiteral("编辑(&E)"));
    edit->setObjectName(QStringLiteral("EditMenu"));
    edit->addAction(m_commands.action(ID_EDIT_UNDO));
    edit->addAction(m_commands.action(ID_EDIT_REDO));
    edit->addSeparator();
    edit->addAction(m_commands.action(ID_EDIT_CUT));
    edit->addAction(m_commands.action(ID_EDIT_COPY));
    edit->addAction(m_commands.action(ID_EDIT_PASTE));
    edit->addAction(m_commands.action(ID_EDIT_CLEAR));
    m_commands.watchMenu(edit);

    QMenu* view = m_wndMenuBar->addMenu(QStringLiteral("视图(&V)"));
    QMenu* panes = view->addMenu(QStringLiteral("工具栏和停靠窗口(&T)"));
    panes->setObjectName(QStringLiteral("PaneMenu"));
    m_commands.registerAction(ID_VIEW_TOOLBARS_PLACEHOLDER, panes->menuAction());
    connect(panes, &QMenu::aboutToShow, this, [this, panes]() { FillPaneMenu(panes); });
    view->addAction(m_commands.action(ID_VIEW_STATUS_BAR));
    QMenu* looks = view->addMenu(QStringLiteral("应用程序外观(&A)"));
    for (int id = ID_VIEW_APPLOOK_WIN_2000; id <= ID_VIEW_APPLOOK_VS_2005; ++id)
        looks->addAction(m_commands.action(id));
    QMenu* office2007 = looks->addMenu(QStringLiteral("Office 2007(&7)"));
    for (int id = ID_VIEW_APPLOOK_OFF_2007_BLUE; id <= ID_VIEW_APPLOOK_OFF_2007_AQUA; ++id)
        office2007->addAction(m_commands.action(id));
    m_commands.watchMenu(view);
    m_commands.watchMenu(looks);
    m_commands.watchMenu(office2007);

    QMenu* help = m_wndMenuBar->addMenu(QStringLiteral("帮助(&H)"));
    help->addAction(m_commands.action(ID_APP_ABOUT));
    m_commands.watchMenu(help);
}

void CMainFrame::CreateToolBar()
{
    m_wndToolBar = new QToolBar(LoadResourceString(IDS_TOOLBAR_STANDARD), this);
    m_wndToolBar->setObjectName(QStringLiteral("StandardToolBar"));
    m_wndToolBar->setIconSize(QSize(16, 16));
    const int buttons[] = {ID_FILE_NEW,   ID_FILE_OPEN, ID_FILE_SAVE,  0,
                           ID_EDIT_CUT,   ID_EDIT_COPY, ID_EDIT_PASTE, 0,
                           ID_FILE_PRINT, ID_APP_ABOUT};
    for (int id : buttons)
    {
        if (id == 0)
            m_wndToolBar->addSeparator();
        else
            m_wndToolBar->addAction(m_commands.makeProxy(id, m_wndToolBar));
    }

    // The customise button at the end of the toolbar: a drop-down holding "自定义...".
    auto* customize = new QToolButton(m_wndToolBar);
    customize->setObjectName(QStringLiteral("CustomizeButton"));
    customize->setArrowType(Qt::DownArrow);
    customize->setAutoRaise(true);
    customize->setToolTip(LoadResourceString(IDS_TOOLBAR_CUSTOMIZE));
    customize->setPopupMode(QToolButton::InstantPopup);
    auto* customizeMenu = new QMenu(customize);
    customizeMenu->addAction(m_commands.action(ID_VIEW_CUSTOMIZE));
    customize->setMenu(customizeMenu);
    m_wndToolBar->addWidget(customize);

    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    m_commands.watchToolBar(m_wndToolBar);
    RestoreHiddenToolbarButtons();
}

void CMainFrame::CreateStatusBar()
{
    m_wndStatusBar = new QStatusBar(this);
    m_wndStatusBar->setObjectName(QStringLiteral("StatusBar"));
    setStatusBar(m_wndStatusBar);
    // The message pane: a stretching label that temporary messages cover while they last.
    m_messagePane = new QLabel(QStringLiteral("就绪"), m_wndStatusBar);
    m_messagePane->setObjectName(QStringLiteral("MessagePane"));
    m_wndStatusBar->addWidget(m_messagePane, 1);
    m_indicators = new LockKeyIndicators(m_wndStatusBar);
}

bool CMainFrame::CreateDockingWindows()
{
    if (!m_classView.Create(LoadResourceString(IDS_CLASS_VIEW), this, ID_VIEW_CLASSVIEW,
                            QRect(0, 0, 266, 200)))
        return false;
    if (!m_propertiesPane.Create(LoadResourceString(IDS_PROPERTIES_WND), this, ID_VIEW_PROPERTIESWND,
                                 QRect(200, 200, 400, 400)))
        return false;
    // Both panes on the left: the class view above, the properties pane below it.
    addDockWidget(Qt::LeftDockWidgetArea, &m_classView);
    addDockWidget(Qt::LeftDockWidgetArea, &m_propertiesPane);
    m_classView.show();
    m_propertiesPane.show();
    resizeDocks({&m_classView}, {266}, Qt::Horizontal);
    return true;
}

void CMainFrame::FillPaneMenu(QMenu* menu)
{
    menu->clear();
    if (m_wndToolBar)
        menu->addAction(m_wndToolBar->toggleViewAction());
    if (m_classView.IsCreated())
        menu->addAction(m_classView.toggleViewAction());
    if (m_propertiesPane.IsCreated())
        menu->addAction(m_propertiesPane.toggleViewAction());
    menu->addSeparator();
    menu->addAction(m_commands.action(ID_VIEW_CUSTOMIZE));
    m_commands.updateActions(menu->actions());
}

QMenu* CMainFrame::createPopupMenu()
{
    auto* menu = new QMenu(this);
    FillPaneMenu(menu);
    return menu;
}

void CMainFrame::UpdateCaption()
{
    QString title = m_document.GetTitle();
    // A literal "[*]" in the title must not become the modified mark.
    title.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(CaptionFor(title));
}

QString CMainFrame::CaptionFor(const QString& title)
{
    return title + QStringLiteral("[*] - Tessel");
}

bool CMainFrame::CommitOpenEdit(const QString& stopped)
{
    QString refusal;
    if (!m_propertiesPane.IsCreated() || m_propertiesPane.CommitEdit(&refusal))
    {
        // The other views (a grid's cell editor) take their open edits too.
        emit m_document.commitPendingEdits();
        return true;
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Tessel"),
                    QStringLiteral("%1：正在编辑的值无法采用。").arg(stopped), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("EditRefusedBox"));
    box.setInformativeText(refusal + QStringLiteral("\n请改正这个值，或按 Esc 放弃这次修改。"));
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
    if (CCustomPropertyGridCtrl* grid = m_propertiesPane.Grid())
        grid->ReturnToEdit();
    return false;
}

bool CMainFrame::OnSaveAllTables()
{
    if (!CommitOpenEdit(QStringLiteral("没有保存")))
        return false;
    if (m_guard->ReadOnly())
        return false;
    // Asks before overwriting a file changed on disk; a table skipped there stays unsaved.
    bool complete = false;
    const std::vector<tarn::SaveFailure> failures = m_guard->SaveAll(&complete);
    if (failures.empty())
    {
        if (complete)
            m_document.SetModifiedFlag(false);
        return complete;
    }

    QStringList lines;
    for (const tarn::SaveFailure& failure : failures)
        lines << QStringLiteral("%1: %2").arg(QString::fromStdString(failure.file),
                                              QString::fromStdString(failure.reason));
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Tessel"),
                    QStringLiteral("有 %1 个表未能保存，其余的表已保存:").arg(failures.size()),
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("SaveFailedBox"));
    box.setInformativeText(lines.join(QLatin1Char('\n')));
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    AskUser(box);
    return false;
}

void CMainFrame::OnFileNew()
{
    if (m_classView.IsCreated())
        m_classView.CreateRow();
}

void CMainFrame::OnFileOpen()
{
    QFileDialog dialog(this, QStringLiteral("打开数据目录"));
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(QStringLiteral("表清单 (tableList.xml)"));
    dialog.setDirectory(QDir::currentPath());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    OpenDataDirectory(dialog.selectedFiles().constFirst());
}

void CMainFrame::FillRecentMenu(QMenu* menu)
{
    menu->clear();
    const QStringList entries = RecentFileList::Entries();
    for (int i = 0; i < entries.size(); ++i)
    {
        const QString path = entries[i];
        QAction* action =
            menu->addAction(QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(QDir::toNativeSeparators(path)));
        action->setData(ID_FILE_MRU_FIRST + i);
        connect(action, &QAction::triggered, this, [this, path]() { OpenDataDirectory(path); });
    }
    menu->setEnabled(!entries.isEmpty());
}

bool CMainFrame::OpenDataDirectory(const QString& path)
{
    if (path.isEmpty())
        return false;
    // A directory, or a file in it (its tableList.xml); a path that names nothing is refused below.
    const QFileInfo info(path);
    const QString directory = QDir::cleanPath(info.isFile() ? info.absolutePath() : info.absoluteFilePath());

    // An edit still open belongs to the data open now; then the question about its changes.
    if (!CommitOpenEdit(QStringLiteral("没有打开其他数据目录")))
        return false;
    if (!SaveModified())
        return false;

    const auto refuse = [this, &directory](const QString& why)
    {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Tessel"),
                        QStringLiteral("无法打开数据目录 %1。当前的数据保持打开。")
                            .arg(QDir::toNativeSeparators(directory)),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("OpenFailedBox"));
        box.setInformativeText(why);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.exec();
        return false;
    };
    if (!QFileInfo(directory).isDir())
        return refuse(QStringLiteral("目录不存在。"));
    if (!QFileInfo(QDir(directory).filePath(QStringLiteral("tableList.xml"))).isFile())
        return refuse(QStringLiteral("目录中没有 tableList.xml。"));

    // The tables are loaded relative to their directory, which is the current one from then on.
    const QString previous = QDir::currentPath();
    if (!QDir::setCurrent(directory))
        return refuse(QStringLiteral("无法进入该目录。"));
    std::unique_ptr<TableList> tables = TableList::loadNew();
    if (!tables->listRead())
    {
        QDir::setCurrent(previous);
        QStringList problems;
        for (const tarn::Diagnostic& problem : tables->diagnostics())
            problems << QString::fromStdU16String(tarn::ProblemLine(tarn::LoadProblem(problem)));
        return refuse(problems.join(QLatin1Char('\n')));
    }
    // Another editor on that directory: read-only or nothing.
    if (!m_guard->AcquireLock(directory))
    {
        QDir::setCurrent(previous);
        return false;
    }

    // Commands and views let go of the old tables before they are deleted.
    m_document.UndoStack()->clear();
    m_document.SetCurrentRow(nullptr);
    TableList::replaceInstance(std::move(tables));
    m_document.SetPathName(directory);
    m_document.TablesReloaded();
    m_guard->Opened(directory);
    RecentFileList::Add(directory);
    m_loadProblemsShown = false;
    ShowLoadProblems();
    return true;
}

void CMainFrame::OnApplicationLook(int id)
{
    if (!IsApplicationLookId(id))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_appLook = id;
    ApplyApplicationLook(BuildApplicationLook(id));
    update();
    AppSettings().setValue(kLookKey, id);
    QApplication::restoreOverrideCursor();
}

void CMainFrame::OnViewCustomize()
{
    ToolbarCustomizeDlg dialog({m_wndToolBar}, this);
    dialog.exec();
    SaveHiddenToolbarButtons();
}

void CMainFrame::OnAppAbout()
{
    CAboutDlg dialog(this);
    dialog.exec();
}

void CMainFrame::SaveHiddenToolbarButtons()
{
    QList<QVariant> hidden;
    for (QAction* button : ToolbarCustomizeDlg::ButtonActions(m_wndToolBar))
        if (!button->isVisible())
            hidden.append(CommandRouter::commandId(button));
    AppSettings().setValue(kHiddenButtonsKey, hidden);
}

void CMainFrame::RestoreHiddenToolbarButtons()
{
    const QList<QVariant> hidden = AppSettings().value(kHiddenButtonsKey).toList();
    for (QAction* button : ToolbarCustomizeDlg::ButtonActions(m_wndToolBar))
        button->setVisible(!hidden.contains(CommandRouter::commandId(button)));
}

void CMainFrame::ShowLoadProblems()
{
    if (m_loadProblemsShown)
        return;
    m_loadProblemsShown = true;
    const std::vector<tarn::Diagnostic>& problems = TableList::instance()->diagnostics();
    if (problems.empty())
        return;

    QStringList all;
    for (const tarn::Diagnostic& problem : problems)
        all << QString::fromStdU16String(tarn::ProblemLine(tarn::LoadProblem(problem)));
    QStringList listed = all.mid(0, kListedLoadProblems);
    if (all.size() > kListedLoadProblems)
        listed << QStringLiteral("……另有 %1 个问题，见详细信息。").arg(all.size() - kListedLoadProblems);

    auto* box =
        new QMessageBox(QMessageBox::Warning, QStringLiteral("Tessel"),
                        QStringLiteral("加载数据时发现 %1 个问题:").arg(all.size()), QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("LoadProblemsBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setInformativeText(listed.join(QLatin1Char('\n')));
    if (all.size() > kListedLoadProblems)
        box->setDetailedText(all.join(QLatin1Char('\n')));
    box->button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    m_loadProblemsBox = box;
    box->open();
}

bool CMainFrame::SaveModified()
{
    if (!m_document.IsModified())
        return true;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Tessel"),
                    QStringLiteral("是否保存对 %1 的更改?").arg(m_document.GetTitle()),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setObjectName(QStringLiteral("SaveChangesBox"));
    box.button(QMessageBox::Save)->setText(QStringLiteral("保存(&S)"));
    box.button(QMessageBox::Discard)->setText(QStringLiteral("不保存(&N)"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.standardButton(AskUser(box)))
    {
    case QMessageBox::Save:
        return OnSaveAllTables();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!CommitOpenEdit(QStringLiteral("窗口没有关闭")) || !SaveModified())
    {
        event->ignore();
        return;
    }
    if (m_created)
        SaveWindowState();
    m_guard->Closing();
    event->accept();
}

bool CMainFrame::GuardDataDirectory()
{
    const QString directory = QDir::currentPath();
    if (!m_guard->AcquireLock(directory))
        return false;
    m_guard->Opened(directory);
    return true;
}

void CMainFrame::CheckDataOnDisk()
{
    m_guard->CheckDisk();
}

void CMainFrame::FlushJournal()
{
    m_guard->FlushJournal();
}

void CMainFrame::SaveWindowState()
{
    AppSettings settings;
    settings.setValue(kGeometryKey, saveGeometry());
    settings.setValue(kStateKey, saveState(kWindowStateVersion));
}

void CMainFrame::RestoreWindowState()
{
    AppSettings settings;
    const QByteArray geometry = settings.value(kGeometryKey).toByteArray();
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
    const QByteArray state = settings.value(kStateKey).toByteArray();
    if (!state.isEmpty())
        restoreState(state, kWindowStateVersion);
}
