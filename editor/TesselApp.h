// The application object: one per process, made first thing in main().
//
// Constructing it installs the crash filter. InitInstance() then reads the command line
// (`tessel [-C DIR | DIR] [--table FILE] [--smoke] [--help] [--version]`), enters the data directory, creates the
// main frame (which loads the tables), names the document after the data directory and shows the
// window with the tabs remembered for the directory (and the --table one); Run() runs the event
// loop.
//
// --smoke proves that the editor comes up: once the event loop runs, it checks that the window is
// shown, that the tables loaded without a problem and that the class view lists every table with
// all its rows, then ends the event loop with 0, or with 1 after naming what is wrong.
//
// It uses the process's QApplication when one exists already (tests make their own) and
// otherwise makes and owns one. It owns the main frame.
#pragma once

#include <QStringList>
#include <memory>

class CMainFrame;
class QApplication;

// What the command line asks for. Arguments other than the options below are ignored.
struct CommandLineOptions
{
    QString dataDirectory; // -C DIR or DIR; empty: stay in the current directory
    bool help = false;     // --help
    bool version = false;  // --version
    bool smoke = false;    // --smoke
    QString error;         // set when the command line cannot be used (-C without DIR)
    QString table;         // --table FILE: the data file of a table to show in a tab
};

// The data directory a command-line path names: the directory of a file (the desktop entry
// passes the file the user opened: a table's data or .meta file, tableList.xml), else the path
// itself.
QString DataDirectoryOf(const QString& path);

// Reads the options from `arguments` (the program name first).
CommandLineOptions ParseCommandLine(const QStringList& arguments);

class CTesselApp
{
public:
    // `argc` and `argv` must outlive the object (QApplication keeps them).
    CTesselApp(int& argc, char** argv);
    ~CTesselApp();
    CTesselApp(const CTesselApp&) = delete;
    CTesselApp& operator=(const CTesselApp&) = delete;

    // The application object, or nullptr before it is made and after it is gone.
    static CTesselApp* instance();

    // Start-up. False when the program is to end at once with ExitCode(): after --help or
    // --version (code 0), for a data directory that cannot be entered or a bad command line
    // (code 2), or when the main frame cannot be created (code 1).
    bool InitInstance();
    // Runs the event loop; returns its exit code.
    int Run();
    int ExitCode() const { return m_exitCode; }

    // The main window; nullptr before InitInstance has made it.
    CMainFrame* GetMainWnd() const { return m_mainFrame.get(); }

    // Images in full colour (always on).
    bool m_hiColorIcons = false;

private:
    int& m_argc;
    char** m_argv;
    QStringList m_arguments;
    std::unique_ptr<QApplication> m_ownApplication;
    std::unique_ptr<CMainFrame> m_mainFrame;
    int m_exitCode = 0;
};

// The usage text printed by --help.
QString CommandLineUsage();
