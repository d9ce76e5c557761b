#include "editor/TestScript.h"

#include "base/cpp/file.h"
#include "editor/DirectoryGuard.h"
#include "editor/DocumentCommands.h"
#include "editor/MainFrame.h"
#include "editor/TestHooks.h"
#include "editor/TesselView.h"
#include "editor/grid/GridView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QToolBar>
#include <QUndoStack>

#include <cerrno>
#include <cstdio>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

namespace
{
const char kScriptVariable[] = "TESSEL_TEST_SCRIPT";

void Print(const QString& line)
{
    TestPrint(line);
}

// "failwrites": writes to files whose path contains this text fail as on a full disk.
QString g_failWrites;

bool FailNamedWrites(scl::File::Operation operation, const scl::File& file, std::size_t)
{
    if (operation != scl::File::Operation::Write || file.Stream() == nullptr)
        return true;
    const QString link = QStringLiteral("/proc/self/fd/%1").arg(fileno(file.Stream()));
    if (!QFileInfo(link).symLinkTarget().contains(g_failWrites))
        return true;
    errno = ENOSPC;
    return false;
}
} // namespace

void RunTestScript(CMainFrame* frame)
{
    const QString path = qEnvironmentVariable(kScriptVariable);
    if (path.isEmpty() || frame == nullptr)
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
    {
        Print(QStringLiteral("cannot read the script %1").arg(path));
        return;
    }
    CTesselDoc* document = frame->GetActiveDocument();
    bool quit = false;
    for (const QByteArray& raw : file.readAll().split('\n'))
    {
        const QString line = QString::fromUtf8(raw).remove(QLatin1Char('\r'));
        if (line.isEmpty())
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        const QString& verb = fields.constFirst();
        if (verb == QLatin1String("push") && fields.size() >= 2)
        {
            CommandRecord record;
            record.kind = fields[1].toStdU16String();
            for (int i = 2; i < fields.size(); ++i)
                record.fields.push_back(fields[i].toStdU16String());
            if (!document->PushRecord(record))
                Print(QStringLiteral("refused: %1").arg(line));
        }
        else if (verb == QLatin1String("undo"))
            document->Undo();
        else if (verb == QLatin1String("redo"))
            document->Redo();
        else if (verb == QLatin1String("save"))
            Print(frame->OnSaveAllTables() ? QStringLiteral("saved") : QStringLiteral("not saved"));
        else if (verb == QLatin1String("gridpaste") && fields.size() == 4)
        {
            // Ctrl+V in the grid tab shown now, at a cell, with TEXT on the clipboard ("\\t" and
            // "\\n" stand for a tab and a line break).
            CTesselView* view = frame->GetActiveView();
            CGridView* grid = view != nullptr ? view->CurrentGrid() : nullptr;
            if (grid == nullptr)
            {
                Print(QStringLiteral("refused: no grid: %1").arg(line));
                continue;
            }
            QString text = fields[3];
            text.replace(QStringLiteral("\\t"), QStringLiteral("\t"))
                .replace(QStringLiteral("\\n"), QStringLiteral("\n"));
            QApplication::clipboard()->setText(text);
            const int before = document->UndoStack()->count();
            grid->View()->setCurrentIndex(grid->View()->model()->index(fields[1].toInt(), fields[2].toInt()));
            QKeyEvent press(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
            QCoreApplication::sendEvent(grid->View(), &press);
            if (document->UndoStack()->count() == before)
                Print(QStringLiteral("refused: %1").arg(line));
        }
        else if (verb == QLatin1String("failwrites") && fields.size() == 2)
        {
            g_failWrites = fields[1];
            scl::File::s_faultHook = g_failWrites.isEmpty() ? nullptr : FailNamedWrites;
        }
        else if (verb == QLatin1String("bar") && fields.size() == 2)
        {
            // A choice on the bar shown for a table changed on disk.
            QToolBar* bar = frame->Guard()->DiskChangeBar();
            QAction* action =
                bar != nullptr && bar->isVisible() ? bar->findChild<QAction*>(fields[1]) : nullptr;
            if (action == nullptr)
                Print(QStringLiteral("refused: %1").arg(line));
            else
                action->trigger();
        }
        else if (verb == QLatin1String("check"))
            frame->CheckDataOnDisk();
        else if (verb == QLatin1String("flush"))
            frame->FlushJournal();
        else if (verb == QLatin1String("sleep") && fields.size() == 2)
        {
            // Events keep running: file watching, timers.
            QElapsedTimer timer;
            timer.start();
            while (timer.elapsed() < fields[1].toInt())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        else if (verb == QLatin1String("waitfor") && fields.size() == 2)
        {
            Print(QStringLiteral("waiting %1").arg(fields[1]));
            QElapsedTimer timer;
            timer.start();
            while (!QFileInfo::exists(fields[1]) && timer.elapsed() < 60000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        else if (verb == QLatin1String("quit"))
            quit = true;
        else
            Print(QStringLiteral("unknown script line: %1").arg(line));
    }
    Print(QStringLiteral("done"));
    if (quit && !frame->close())
    {
        Print(QStringLiteral("quit refused"));
        QCoreApplication::exit(3);
    }
}
