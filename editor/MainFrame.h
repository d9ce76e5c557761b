// The main frame: menu bar, standard toolbar, status bar, the two docked panes (class view and
// properties) around the empty view, and the frame's commands (Save all tables, open another data
// directory, undo and redo, the rows' clipboard commands, the application looks, toolbar
// customisation, print commands, about box).
//
// The frame owns the document, the view, its bars (through Qt parenthood) and, by value, the
// two panes; it gives the panes the document (as Tiled's editor gives its docks the document),
// and the panes follow the document, never each other. It loads the table list while it is being
// created (LoadFrame), before any of its windows exist; the table list itself belongs to nobody
// here (TableList::instance()).
#pragma once

#include "editor/ClassView.h"
#include "editor/CommandRouter.h"
#include "editor/PropertiesWnd.h"
#include "editor/TesselDoc.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>

#include <memory>

class CFindBar;
class CFindPane;
class CProblemsPane;
class CTesselView;
class DirectoryGuard;
class LockKeyIndicators;
class QLabel;
class QMenu;
class QMenuBar;
class QStatusBar;
class QToolBar;

class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    // Reads the application look from the settings; builds nothing else (see LoadFrame).
    // The most recently constructed frame becomes the application's main window.
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Creates the frame: loads the table list (TableList::initIndex, loadTableList), applies
    // the saved look, then builds the menu bar, toolbar, status bar, panes and view. Returns
    // false when a pane cannot be created. Called once.
    bool LoadFrame();

    CTesselDoc* GetActiveDocument() { return &m_document; }
    CTesselView* GetActiveView() const { return m_view; }
    // The frame's commands; panes have their own (DockPane::Commands).
    CommandRouter& Commands() { return m_commands; }
    QToolBar* StandardToolBar() const { return m_wndToolBar; }
    LockKeyIndicators* Indicators() const { return m_indicators; }
    // The label of the status bar's message pane ("就绪" while idle).
    QLabel* MessagePane() const { return m_messagePane; }

    // Save all tables (57603, 32775): first commits the properties pane's open edit
    // (CommitOpenEdit; a refused one stops the save, nothing is written), then writes every
    // table of the list in list order. Tables that cannot be written are reported in one
    // message box naming each file and the reason; the others stay written. Clears the
    // document's modified flag only when every table was written. Returns whether every table
    // was written.
    bool OnSaveAllTables();
    // Commits the properties pane's open edit before a command that saves, closes or replaces
    // the data. True when there was none or it was taken; false when its text was refused: a
    // warning ("EditRefusedBox") then says that `stopped` happened instead of the command and
    // why the text was refused, and the editor keeps the text and gets the focus back.
    bool CommitOpenEdit(const QString& stopped);
    // File -> New (57600, 32773): creates a row in the table of the class view's first selected
    // row (CClassView::CreateRow); the document keeps its name.
    void OnFileNew();
    // The table that 导入... and 导出... act on: the class view caret's table, else the table of the
    // document's current row; null when there is none.
    tarn::editor::Table* CurrentTable();
    // File -> 导入... (32860) and 导出... (32861) for CurrentTable(), through CTableExchange; an
    // open edit is committed first. What was done is shown in the status bar.
    void OnFileImport();
    void OnFileExport();
    // File -> Open (57601): asks for a data directory's tableList.xml, then OpenDataDirectory.
    void OnFileOpen();
    // Opens the data directory `path` (a directory, or its tableList.xml) instead of the present
    // one: commits an open edit, asks whether to save unsaved changes (保存 / 不保存 / 取消), loads
    // the directory's tables and, when that worked, makes it the current directory, shows its
    // tables and enters it in the recent list. When it cannot be loaded, the present data stays
    // and a message says why. False when nothing was opened.
    bool OpenDataDirectory(const QString& path);
    // Application look (210 to 218): installs the look and stores it in the settings.
    void OnApplicationLook(int id);
    // "自定义..." (126): the toolbar customisation dialog.
    void OnViewCustomize();
    // About box (57664).
    void OnAppAbout();

    // Shows the problems found while loading the tables (TableList::diagnostics) in one
    // warning box, opened without blocking; does nothing when there were none or after the
    // first call.
    void ShowLoadProblems();
    // The load-problems box while it is open, else nullptr.
    QMessageBox* LoadProblemsBox() const { return m_loadProblemsBox; }

    // Window geometry and bar/pane layout, kept in the settings.
    void SaveWindowState();
    void RestoreWindowState();

    // Window caption for a document title, with the modified mark placeholder.
    static QString CaptionFor(const QString& title);

    // Current application look: command id 210 to 218.
    int m_appLook;

    // The panes; created by LoadFrame.
    CClassView m_classView;
    CPropertiesWnd m_propertiesPane;

    // Links, checks and finding (MainFrameLinks.cpp); made by LoadFrame, children of the frame.
    CProblemsPane* ProblemsPane() const { return m_problemsPane; }
    CFindPane* FindPane() const { return m_findPane; }
    CFindBar* FindBar() const { return m_findBar; }
    // "检查数据" (F7): shows the pane "问题" and checks the data.
    void OnCheckData();

protected:
    // Closing (the window's close button, File -> Exit) first commits the open edit (a refused
    // one keeps the window open), then asks whether to save unsaved changes.
    void closeEvent(QCloseEvent* event) override;
    QMenu* createPopupMenu() override;

private:
    // The menu "工具(&T)" (before "帮助"), the pane "问题", the find bar and the pane "查找结果",
    // with their commands.
    void CreateLinkTools();
    CProblemsPane* m_problemsPane = nullptr;
    CFindPane* m_findPane = nullptr;
    CFindBar* m_findBar = nullptr;

    void CreateCommands();
    void CreateExchangeCommands();
    void CreateMenuBar();
    void CreateToolBar();
    void CreateStatusBar();
    bool CreateDockingWindows();
    void FillPaneMenu(QMenu* menu);
    void SaveHiddenToolbarButtons();
    void RestoreHiddenToolbarButtons();
    void UpdateCaption();
    void UpdateEditCommands();
    void FillRecentMenu(QMenu* menu);

public:
    // Asks whether to save unsaved changes; false when the user cancels or the save failed.
    bool SaveModified();

    // The present data directory (the current one) was loaded at start: takes its lock (false
    // when the user cancels because another editor holds it), offers the recovery of edits left
    // by an editor that died, and starts the journal and the watching of its files.
    bool GuardDataDirectory();
    // Looks for changes made on disk now; writes the recovery journal now.
    void CheckDataOnDisk();
    void FlushJournal();
    // The lock, journal and file watching of the open data directory.
    DirectoryGuard* Guard() const { return m_guard.get(); }

private:
    CTesselDoc m_document;
    CommandRouter m_commands;
    QMenuBar* m_wndMenuBar = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    QStatusBar* m_wndStatusBar = nullptr;
    QLabel* m_messagePane = nullptr;
    LockKeyIndicators* m_indicators = nullptr;
    CTesselView* m_view = nullptr;
    QPointer<QMessageBox> m_loadProblemsBox;
    bool m_loadProblemsShown = false;
    bool m_created = false;
    std::unique_ptr<DirectoryGuard> m_guard; // after the document, which it observes
};

// The application's main window, or nullptr when there is none. Panes and the document reach
// each other through it (GetMainFrame()->m_classView, ->m_propertiesPane, ->GetActiveDocument()).
CMainFrame* GetMainFrame();
