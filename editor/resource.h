// Numeric identifiers of the editor's commands, strings, panes and controls.
// Menus, toolbars, accelerators and panes refer to commands by these numbers; the command
// router (CommandRouter.h) maps each of them to its QAction and handler.
#pragma once

#include <QString>

// Commands of the menus, toolbars and accelerators.
enum CommandId : int
{
    // File
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603, // toolbar Save and Ctrl+S: save all tables
    ID_FILE_PAGE_SETUP = 57606,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_DIRECT = 57608,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_APP_EXIT = 57665,
    ID_FILE_SAVE_MENU = 32775, // File menu "保存(&S)\tCtrl+S"
    ID_FILE_IMPORT = 32860,    // "导入...": spreadsheet text into the current table
    ID_FILE_EXPORT = 32861,    // "导出...": the current table as CSV, TSV or JSON

    // Edit: undo and redo (the document), cut, copy, paste and delete of rows (the class view)
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_UNDO = 57643,
    ID_EDIT_REDO = 57644,
    ID_EDIT_CLEAR = 57632,     // Edit "删除(&D)\tDel": delete the selected rows
    ID_FILE_MRU_FIRST = 57616, // the recent data directories: 57616 .. 57625

    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,

    // View
    ID_VIEW_TOOLBARS_PLACEHOLDER = 59392, // "工具栏和停靠窗口(&T)": toolbar and pane list
    ID_VIEW_STATUS_BAR = 59393,
    ID_VIEW_CUSTOMIZE = 126, // "自定义...": toolbar customisation

    // Application looks (a contiguous range)
    ID_VIEW_APPLOOK_WIN_2000 = 210,
    ID_VIEW_APPLOOK_OFF_XP = 211,
    ID_VIEW_APPLOOK_WIN_XP = 212,
    ID_VIEW_APPLOOK_OFF_2003 = 213,
    ID_VIEW_APPLOOK_VS_2005 = 214,
    ID_VIEW_APPLOOK_OFF_2007_BLUE = 215,
    ID_VIEW_APPLOOK_OFF_2007_BLACK = 216,
    ID_VIEW_APPLOOK_OFF_2007_SILVER = 217,
    ID_VIEW_APPLOOK_OFF_2007_AQUA = 218,
    ID_VIEW_APPLOOK_FIRST = ID_VIEW_APPLOOK_WIN_2000,
    ID_VIEW_APPLOOK_LAST = ID_VIEW_APPLOOK_OFF_2007_AQUA,

    // Help
    ID_APP_ABOUT = 57664,

    // Class view: tree menu and pane toolbar
    ID_NEW_ROW = 32773,    // "新建(&N)"
    ID_DELETE_ROW = 32778, // "删除(&D)"
    ID_NEW_FOLDER = 143,
    ID_CLASS_VIEW_MENU_BUTTON = 144,
    ID_CLASS_VIEW_MENU_IMAGE = 145,
    ID_CLASS_VIEW_COMMAND_146 = 146,
    ID_CLASS_VIEW_COMMAND_147 = 147,
    ID_CLASS_VIEW_COMMAND_148 = 148,

    // Properties pane toolbar
    ID_SORTPROPERTIES = 151,
    ID_PROPERTIES1 = 152,
    ID_PROPERTIES2 = 153,
    ID_EXPAND_ALL = 154,

    // Tools menu and finding
    ID_TOOLS_CHECK = 32800,     // "检查数据(&C)\tF7": the data check into the pane "问题"
    ID_EDIT_FIND = 32801,       // Ctrl+F: the find bar
    ID_EDIT_FIND_NEXT = 32802,  // F3: the next find result
    ID_EDIT_FIND_PREV = 32803,  // Shift+F3: the previous find result
    ID_VIEW_PROBLEMS = 32804,   // the pane "问题"
    ID_VIEW_FIND_RESULTS = 32805, // the pane "查找结果"
};

// Panes, toolbars and dialogs.
enum ResourceId : int
{
    IDD_ABOUTBOX = 100,
    IDR_MAINFRAME = 128,         // main menu, accelerators, application icon
    IDR_MAINFRAME_256 = 129,     // standard toolbar
    ID_VIEW_CLASSVIEW = 134,     // class view pane
    ID_VIEW_PROPERTIESWND = 150, // properties pane
    IDR_SORT = 171,              // class view toolbar
    IDR_POPUP_SORT = 173,        // class view tree menu
    IDR_PROPERTIES = 183,        // properties pane toolbar
    IDD_TABLE_VIEW = 312,        // table view dialog
    IDC_TABLE_LIST = 1000,       // its list of rows
};

// String texts.
enum StringId : int
{
    IDP_OLE_INIT_FAILED = 100,
    IDS_TOOLBAR_STANDARD = 124,
    IDS_TOOLBAR_CUSTOMIZE = 125,
    IDS_CLASS_VIEW = 156,
    IDS_PROPERTIES_WND = 158,
};

// The text of string `id`; empty for an id that has no text.
QString LoadResourceString(int id);
