// bench_editor: the editor on a data directory, under the offscreen platform, driven through the
// real widgets with QTest mouse and key events (or the commands a user triggers):
//
//   startup  from constructing the application object to the main frame shown and painted with
//            the class view filled (the table list loaded, one item per row); each repetition in
//            a fresh process, after one warm-up run that is not counted
//   expand   expanding the first table's item (all its rows become visible)
//   caret    moving the caret one row down or up with the arrow keys: the properties pane shows
//            the new row (DataToUI), the tree repaints
//   range    a Shift+click on the last row with the caret on the first: every row of the table
//            selected
//   delete   "删除" on 1,000 selected rows (selected by a click and a Shift+click)
//   undo     undo, then redo, of deleting 10,000 selected rows (the tree follows each)
//   cell     a cell edit through the document (SetCellValue: the command, the properties pane and
//            the tree follow) and its undo, each on its own
// Every figure includes the event processing that follows (repaints). Settings are kept in Qt's
// test location, never the user's.
//
//   bench_editor DIR [--startup-reps N] [--caret-moves N] [--range-reps N] [--delete-reps N]
//                    [--delete-count N] [--undo-reps N] [--undo-count N] [--cell-edits N]
//
// Prints one JSON object with the lists of times in milliseconds:
//   {"rows": R, "startup_ms": [...], "expand_ms": [...], "caret_ms": [...], "range_ms": [...],
//    "range_selected": N, "delete_ms": [...], "deleted_per_rep": N, "undo_delete_ms": [...],
//    "redo_delete_ms": [...], "undo_count": N, "cell_edit_ms": [...], "cell_undo_ms": [...]}
#include "editorBenchSupport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QStandardPaths>
#include <QTest>
#include <QTreeWidgetItem>

#include "editor/ClassView.h"
#include "editor/CustomTree.h"
#include "editor/MainFrame.h"
#include "editor/PropertiesWnd.h"
#include "editor/TesselApp.h"
#include "editor/TesselDoc.h"
#include "tool/cell.h"
#include "tool/row.h"
#include "tool/tables.h"

using namespace tesselbench;

namespace
{

struct Options
{
    std::string dir;
    int startupReps = 5;
    int caretMoves = 200;
    int rangeReps = 5;
    int deleteReps = 5;
    int deleteCount = 1000;
    int undoReps = 5;
    int undoCount = 10000;
    int cellEdits = 200;
};

QPoint LabelPoint(CCustomTree* tree, QTreeWidgetItem* item)
{
    const QRect r = tree->visualItemRect(item);
    return QPoint(r.left() + 3, r.center().y());
}

void Click(CCustomTree* tree, QTreeWidgetItem* item, Qt::KeyboardModifiers keys = {})
{
    tree->scrollToItem(item);
    Settle();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, keys, LabelPoint(tree, item));
}

int CountSelected(CCustomTree* tree)
{
    int n = 0;
    for (QTreeWidgetItem* item = tree->FindFirstSelected(); item != nullptr;
         item = tree->FindNextSelected(item))
        ++n;
    return n;
}

// One run of the editor in this (fresh) process. Returns the JSON fields, or "error ...".
std::string RunEditor(const Options& options, bool interactive)
{
    QStandardPaths::setTestModeEnabled(true);
    EditorArgs args(options.dir);
    const Clock::time_point start = Clock::now();
    CTesselApp app(args.Argc(), args.Argv());
    std::string error;
    CMainFrame* frame = StartEditor(app, &error);
    if (frame == nullptr)
        return "error " + error;
    const double startupMs = Ms(Clock::now() - start);
    const DirectoryRelease release(frame);

    CCustomTree* tree = frame->m_classView.Tree();
    TableList* tables = TableList::instance();
    if (tree == nullptr || tree->topLevelItemCount() != 1 || tables->count() < 1 ||
        tree->topLevelItem(0)->childCount() != tables->count())
        return std::string("error the class view was not filled");
    QTreeWidgetItem* tableItem = tree->topLevelItem(0)->child(0);
    tarn::editor::Table* table = tables->at(0);
    const int rows = table->m_rows.size();
    if (tableItem->childCount() != rows)
        return "error the class view shows " + std::to_string(tableItem->childCount()) + " of " +
               std::to_string(rows) + " rows";

    std::string result = "\"rows\": " + std::to_string(rows) + ", \"startup_ms\": " + List({startupMs});
    if (!interactive || rows < 2)
        return result;

    // A window of a usual size; the tree pane shows a few dozen rows.
    frame->resize(1280, 900);
    Settle();
    tree->setFocus();

    Clock::time_point t = Clock::now();
    tree->expandItem(tableItem);
    Settle();
    result += ", \"expand_ms\": " + List({Ms(Clock::now() - t)});

    // Caret moves between the first two rows: Down, Up, Down, ...
    QTreeWidgetItem* first = tableItem->child(0);
    QTreeWidgetItem* second = tableItem->child(1);
    Click(tree, first);
    Settle();
    if (tree->GetCaret() != first || frame->m_propertiesPane.ShownRow() != CCustomTree::RowOf(first))
        return std::string("error a click on the first row did not show it");
    std::vector<double> caret;
    for (int i = 0; i < options.caretMoves; ++i)
    {
        const bool down = i % 2 == 0;
        t = Clock::now();
        QTest::keyClick(tree, down ? Qt::Key_Down : Qt::Key_Up);
        Settle();
        caret.push_back(Ms(Clock::now() - t));
        QTreeWidgetItem* expected = down ? second : first;
        if (tree->GetCaret() != expected ||
            frame->m_propertiesPane.ShownRow() != CCustomTree::RowOf(expected))
            return std::string("error the caret move did not show the next row");
    }
    result += ", \"caret_ms\": " + List(caret);

    // Shift+click on the last row with the caret on the first: the whole table selected.
    std::vector<double> range;
    int selected = 0;
    for (int r = 0; r < options.rangeReps; ++r)
    {
        QTreeWidgetItem* last = tableItem->child(tableItem->childCount() - 1);
        Click(tree, first);
        Settle();
        tree->scrollToItem(last);
        Settle();
        t = Clock::now();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::ShiftModifier, LabelPoint(tree, last));
        Settle();
        range.push_back(Ms(Clock::now() - t));
        selected = CountSelected(tree);
        if (selected != tableItem->childCount())
            return "error the range selection selected " + std::to_string(selected) + " of " +
                   std::to_string(tableItem->childCount()) + " rows";
    }
    result += ", \"range_ms\": " + List(range) + ", \"range_selected\": " + std::to_string(selected);

    // "删除" on deleteCount selected rows, taken from the middle of the table.
    std::vector<double> deletion;
    for (int r = 0; r < options.deleteReps; ++r)
    {
        const int count = std::min(options.deleteCount, tableItem->childCount());
        const int from = (tableItem->childCount() - count) / 2;
        Click(tree, tableItem->child(from));
        Settle();
        Click(tree, tableItem->child(from + count - 1), Qt::ShiftModifier);
        Settle();
        if (CountSelected(tree) != count)
            return std::string("error the rows to delete were not selected");
        const int rowsBefore = table->m_rows.size();
        const int itemsBefore = tableItem->childCount();
        t = Clock::now();
        tree->DeleteRowsAction()->trigger();
        Settle();
        deletion.push_back(Ms(Clock::now() - t));
        if (table->m_rows.size() != rowsBefore - count || tableItem->childCount() != itemsBefore - count)
            return std::string("error the deletion did not remove the selected rows");
    }
    result += ", \"delete_ms\": " + List(deletion) +
              ", \"deleted_per_rep\": " + std::to_string(options.deleteCount);

    // Undo and redo of deleting undoCount rows from the middle of the table.
    CTesselDoc* document = frame->GetActiveDocument();
    std::vector<double> undo;
    std::vector<double> redo;
    const int undoCount = std::min(options.undoCount, tableItem->childCount());
    for (int r = 0; r < options.undoReps; ++r)
    {
        const int from = (tableItem->childCount() - undoCount) / 2;
        Click(tree, tableItem->child(from));
        Settle();
        Click(tree, tableItem->child(from + undoCount - 1), Qt::ShiftModifier);
        Settle();
        if (CountSelected(tree) != undoCount)
            return std::string("error the rows to delete were not selected");
        const int rowsBefore = table->m_rows.size();
        tree->DeleteRowsAction()->trigger();
        Settle();
        if (table->m_rows.size() != rowsBefore - undoCount)
            return std::string("error the deletion to undo did not happen");
        t = Clock::now();
        document->Undo();
        Settle();
        undo.push_back(Ms(Clock::now() - t));
        if (table->m_rows.size() != rowsBefore || tableItem->childCount() != rowsBefore)
            return std::string("error the undo did not put the rows back");
        t = Clock::now();
        document->Redo();
        Settle();
        redo.push_back(Ms(Clock::now() - t));
        if (table->m_rows.size() != rowsBefore - undoCount ||
            tableItem->childCount() != rowsBefore - undoCount)
            return std::string("error the redo did not delete the rows again");
    }
    result += ", \"undo_delete_ms\": " + List(undo) + ", \"redo_delete_ms\": " + List(redo) +
              ", \"undo_count\": " + std::to_string(undoCount);

    // A cell edit of the row the properties pane shows, and its undo.
    Click(tree, tableItem->child(0));
    Settle();
    tarn::Row* row = CCustomTree::RowOf(tableItem->child(0));
    const int field = row->m_nameFieldIndex;
    std::vector<double> edits;
    std::vector<double> undos;
    for (int i = 0; i < options.cellEdits; ++i)
    {
        const std::u16string text = u"bench " + std::u16string(1, static_cast<char16_t>(u'a' + i % 26));
        t = Clock::now();
        const bool changed = document->SetCellValue(row, field, text);
        Settle();
        edits.push_back(Ms(Clock::now() - t));
        t = Clock::now();
        document->Undo();
        Settle();
        undos.push_back(Ms(Clock::now() - t));
        if (!changed)
            return std::string("error the cell edit changed nothing");
    }
    result += ", \"cell_edit_ms\": " + List(edits) + ", \"cell_undo_ms\": " + List(undos);
    return result;
}

// Runs the editor in a child process (Qt is never started in this one) and returns its result.
std::string InChild(const Options& options, bool interactive)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return "error pipe failed";
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return "error fork failed";
    if (pid == 0)
    {
        ::close(fds[0]);
        const std::string result = RunEditor(options, interactive);
        const ssize_t written = ::write(fds[1], result.data(), result.size());
        ::close(fds[1]);
        // The measurement is over: no teardown of the editor and its tables.
        ::_exit(written == static_cast<ssize_t>(result.size()) ? 0 : 1);
    }
    ::close(fds[1]);
    std::string result;
    char chunk[4096];
    ssize_t n;
    while ((n = ::read(fds[0], chunk, sizeof(chunk))) > 0)
        result.append(chunk, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || result.empty())
        return "error the editor process failed";
    return result;
}

// The list of numbers after "key": in a result line.
std::vector<std::string> Numbers(const std::string& result, const std::string& key)
{
    std::vector<std::string> out;
    const size_t at = result.find("\"" + key + "\": [");
    if (at == std::string::npos)
        return out;
    const size_t start = at + key.size() + 5;
    const size_t end = result.find(']', start);
    std::string item;
    for (size_t i = start; i < end; ++i)
    {
        if (result[i] == ',')
        {
            out.push_back(item);
            item.clear();
        }
        else if (result[i] != ' ')
            item += result[i];
    }
    if (!item.empty())
        out.push_back(item);
    return out;
}

// The offscreen platform cannot grab the mouse (the tree asks for it on every press) nor pass size
// hints on; those warnings say nothing about the measurement.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    // The offscreen platform's and the environment's notes, repeated in every run.
    if (message.contains(QLatin1String("does not support grabbing the mouse")) ||
        message.contains(QLatin1String("does not support propagateSizeHints")) ||
        message.contains(QLatin1String("XDG_RUNTIME_DIR")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argv[1][0] == '-')
    {
        std::fprintf(stderr, "Usage: bench_editor DIR [--startup-reps N] [--caret-moves N] [--range-reps N] "
                             "[--delete-reps N] [--delete-count N] [--undo-reps N] [--undo-count N] "
                             "[--cell-edits N]\n");
        return 2;
    }
    Options options;
    options.dir = argv[1];
    for (int i = 2; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (i + 1 >= argc)
        {
            std::fprintf(stderr, "bench_editor: %s needs a value\n", arg.c_str());
            return 2;
        }
        const int value = std::atoi(argv[++i]);
        if (arg == "--startup-reps")
            options.startupReps = value;
        else if (arg == "--caret-moves")
            options.caretMoves = value;
        else if (arg == "--range-reps")
            options.rangeReps = value;
        else if (arg == "--delete-reps")
            options.deleteReps = value;
        else if (arg == "--delete-count")
            options.deleteCount = value;
        else if (arg == "--undo-reps")
            options.undoReps = value;
        else if (arg == "--undo-count")
            options.undoCount = value;
        else if (arg == "--cell-edits")
            options.cellEdits = value;
        else
        {
            std::fprintf(stderr, "bench_editor: unknown option %s\n", arg.c_str());
            return 2;
        }
    }
    if (options.startupReps < 1)
        options.startupReps = 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietMessages);

    // Start-up in fresh processes, after one warm-up that is not counted; the last one goes on with
    // the interactive measurements.
    std::vector<std::string> startup;
    std::string interactive;
    for (int r = -1; r < options.startupReps; ++r)
    {
        const bool last = r + 1 == options.startupReps;
        const std::string result = InChild(options, last);
        if (result.compare(0, 6, "error ") == 0)
        {
            std::fprintf(stderr, "bench_editor: %s\n", result.c_str() + 6);
            return 1;
        }
        if (r < 0)
            continue;
        for (const std::string& v : Numbers(result, "startup_ms"))
            startup.push_back(v);
        if (last)
            interactive = result;
    }
    // The interactive run's fields, with the start-up list of every run.
    std::string joined;
    for (size_t i = 0; i < startup.size(); ++i)
        joined += (i ? ", " : "") + startup[i];
    const size_t at = interactive.find("\"startup_ms\": [");
    const size_t end = interactive.find(']', at);
    interactive.replace(at, end - at + 1, "\"startup_ms\": [" + joined + "]");
    std::printf("{%s}\n", interactive.c_str());
    return 0;
}
