#include "editor/TesselApp.h"

#include "editor/AboutDlg.h"
#include "editor/AppSettings.h"
#include "editor/CrashDump.h"
#include "editor/CustomTree.h"
#include "editor/MainFrame.h"
#include "editor/TestScript.h"
#include "editor/TesselView.h"
#include "tool/tables.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QTreeWidgetItem>
#include <cstdio>

namespace
{
CTesselApp* g_app = nullptr;

// Screenshots for documentation and checks: with TESSEL_SCREENSHOT=PATH the editor saves an
// image of its main window to PATH once the window has settled, then quits.
const char kScreenshotVariable[] = "TESSEL_SCREENSHOT";
constexpr int kScreenshotDelayMs = 1500;

void PrintLine(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fprintf(stream, "%s\n", bytes.constData());
    std::fflush(stream);
}

// What --smoke finds wrong with the started editor; empty when the window is shown, the tables
// loaded without a problem and the class view lists every table with all its rows.
QString SmokeProblem(CMainFrame& frame)
{
    if (!frame.isVisible())
        return QStringLiteral("the main window is not shown");
    const TableList* tables = TableList::instance();
    if (!tables->diagnostics().empty())
    {
        QStringList problems;
        for (const tarn::Diagnostic& problem : tables->diagnostics())
            problems << QString::fromStdString(problem.text());
        return QStringLiteral("%1 problem(s) while loading the tables:\n%2")
            .arg(problems.size())
            .arg(problems.join(QLatin1Char('\n')));
    }
    if (tables->count() == 0)
        return QStringLiteral("the table list names no table");
    const QTreeWidgetItem* root = frame.m_classView.Tree()->topLevelItem(0);
    const int listed = root ? root->childCount() : 0;
    if (listed != tables->count())
        return QStringLiteral("the class view lists %1 of %2 tables").arg(listed).arg(tables->count());
    for (int i = 0; i < tables->count(); ++i)
    {
        const tarn::editor::Table* table = tables->at(i);
        const int rows = table->m_rows.size();
        if (root->child(i)->childCount() != rows)
            return QStringLiteral("the class view shows %1 of the %2 rows of %3")
                .arg(root->child(i)->childCount())
                .arg(rows)
                .arg(QString::fromUtf16(table->m_label.c_str()));
    }
    return QString();
}

// Reports the outcome of --smoke and ends the event loop with 0 when nothing is wrong, else 1.
void EndSmokeCheck(CMainFrame& frame)
{
    const QString problem = SmokeProblem(frame);
    if (problem.isEmpty())
        PrintLine(
            stdout,
            QStringLiteral("tessel: smoke check passed (%1 tables)").arg(TableList::instance()->count()));
    else
        PrintLine(stderr, QStringLiteral("tessel: smoke check failed: %1").arg(problem));
    QCoreApplication::exit(problem.isEmpty() ? 0 : 1);
}
} // namespace

QString CommandLineUsage()
{
    return QStringLiteral("Usage: tessel [-C DIR | DIR] [--smoke] [--help] [--version]\n"
                          "Edits the game data tables listed in tableList.xml of the data directory.\n"
                          "\n"
                          "  -C DIR     use DIR as the data directory (the current directory)\n"
                          "  DIR        the same as -C DIR\n"
                          "  FILE       a file of a data directory (a table's data or .meta file,\n"
                          "             tableList.xml): opens that directory\n"
                          "  --table FILE\n"
                          "             show the table whose data file is FILE in a tab\n"
                          "  --smoke    start, check that every table loaded and is listed, and exit\n"
                          "             (0 when it is, 1 otherwise)\n"
                          "  --help     show this help and exit\n"
                          "  --version  show the version and exit");
}

QString DataDirectoryOf(const QString& path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() ? info.absolutePath() : path;
}

CommandLineOptions ParseCommandLine(const QStringList& arguments)
{
    CommandLineOptions options;
    for (int i = 1; i < arguments.size(); ++i)
    {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("-C"))
        {
            if (i + 1 >= arguments.size())
            {
                options.error = QStringLiteral("option -C needs a directory");
                break;
            }
            options.dataDirectory = arguments[++i];
        }
        else if (argument == QLatin1String("--table"))
        {
            if (i + 1 >= arguments.size())
            {
                options.error = QStringLiteral("option --table needs a data file name");
                break;
            }
            options.table = arguments[++i];
        }
        else if (argument == QLatin1String("--help"))
            options.help = true;
        else if (argument == QLatin1String("--version"))
            options.version = true;
        else if (argument == QLatin1String("--smoke"))
            options.smoke = true;
        else if (!argument.startsWith(QLatin1Char('-')) && options.dataDirectory.isEmpty())
            options.dataDirectory = argument; // tessel DIR: as -C DIR
        // Anything else is ignored.
    }
    return options;
}

CTesselApp::CTesselApp(int& argc, char** argv) : m_argc(argc), m_argv(argv)
{
    // The crash filter comes first, before anything else can fail.
    InstallCrashDumpFilter();
    for (int i = 0; i < argc; ++i)
        m_arguments << QString::fromLocal8Bit(argv[i]);
    g_app = this;
    m_hiColorIcons = true;
}

CTesselApp::~CTesselApp()
{
    m_mainFrame.reset();
    if (g_app == this)
        g_app = nullptr;
}

CTesselApp* CTesselApp::instance()
{
    return g_app;
}

bool CTesselApp::InitInstance()
{
    // The command line is read before any window system is needed, so --help works anywhere.
    const CommandLineOptions options = ParseCommandLine(m_arguments);
    if (!options.error.isEmpty())
    {
        PrintLine(stderr, QStringLiteral("tessel: %1").arg(options.error));
        PrintLine(stderr, CommandLineUsage());
        m_exitCode = 2;
        return false;
    }
    if (options.help)
    {
        PrintLine(stdout, CommandLineUsage());
        m_exitCode = 0;
        return false;
    }
    if (options.version)
    {
        PrintLine(stdout, QStringLiteral("Tessel " TESSEL_VERSION));
        m_exitCode = 0;
        return false;
    }
    // Made absolute before the data directory becomes the current directory.
    QString screenshot = qEnvironmentVariable(kScreenshotVariable);
    if (!screenshot.isEmpty())
        screenshot = QFileInfo(screenshot).absoluteFilePath();
    const QString dataDirectory = DataDirectoryOf(options.dataDirectory);
    if (!dataDirectory.isEmpty() && !QDir::setCurrent(dataDirectory))
    {
        PrintLine(stderr, QStringLiteral("tessel: cannot enter the data directory %1").arg(dataDirectory));
        m_exitCode = 2;
        return false;
    }

    if (!QCoreApplication::instance())
        m_ownApplication = std::make_unique<QApplication>(m_argc, m_argv);
    QCoreApplication::setOrganizationName(AppSettings::OrganizationName());
    QCoreApplication::setApplicationName(AppSettings::ApplicationName());
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Tessel"));
    QGuiApplication::setWindowIcon(TesselAppIcon());

    // The frame loads the tables while it is being created; the document is named after the data
    // directory.
    m_mainFrame = std::make_unique<CMainFrame>();
    if (!m_mainFrame->LoadFrame())
    {
        m_mainFrame.reset();
        m_exitCode = 1;
        return false;
    }
    m_mainFrame->GetActiveDocument()->SetPathName(QDir::currentPath());
    m_mainFrame->RestoreWindowState();
    if (CTesselView* view = m_mainFrame->GetActiveView())
    {
        view->RestoreTabs();
        if (!options.table.isEmpty())
        {
            tarn::editor::Table* table = TableList::instance()->find(options.table.toStdU16String().c_str());
            if (table != nullptr)
                view->OpenTable(table);
            else
                PrintLine(stderr, QStringLiteral("tessel: no table with the data file %1").arg(options.table));
        }
    }
    m_mainFrame->show();
    // Another editor on the directory, or edits left by one that died, are settled first.
    if (!m_mainFrame->GuardDataDirectory())
    {
        m_mainFrame.reset();
        m_exitCode = 0;
        return false;
    }

    // Loading problems are shown once the event loop runs, without blocking it.
    QTimer::singleShot(0, m_mainFrame.get(), &CMainFrame::ShowLoadProblems);

    if (!screenshot.isEmpty())
    {
        QTimer::singleShot(kScreenshotDelayMs, m_mainFrame.get(),
                           [this, screenshot]()
                           {
                               const bool saved = m_mainFrame->grab().save(screenshot, "PNG");
                               if (!saved)
                                   PrintLine(stderr,
                                             QStringLiteral("tessel: cannot write %1").arg(screenshot));
                               QCoreApplication::exit(saved ? 0 : 1);
                           });
    }
    QTimer::singleShot(0, m_mainFrame.get(), [frame = m_mainFrame.get()]() { RunTestScript(frame); });
    if (options.smoke)
    {
        CMainFrame* frame = m_mainFrame.get();
        QTimer::singleShot(0, frame, [frame]() { EndSmokeCheck(*frame); });
    }
    m_exitCode = 0;
    return true;
}

int CTesselApp::Run()
{
    m_exitCode = QCoreApplication::exec();
    return m_exitCode;
}
