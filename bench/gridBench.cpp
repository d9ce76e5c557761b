// bench_grid: the table grid of the main area on a data directory (the first table of its list),
// under the offscreen platform, driven through the real widgets:
//
//   open     opening the table's tab (model, proxy, view, first paint)
//   page     Page Down in the grid (one page scrolled and painted), repeated
//   last     Ctrl+End: the last row made current and painted
//   sort     a click on the Level column's header (UINT): the rows sorted ascending
//   filter   typing a text into the filter box (a word of the descriptions), then clearing it
//   paste    a 1,000 x 5 block of numbers pasted from the first row's Level cell (one step), undone
//            after each repetition
//   memory   resident memory added by the open tab, against the table's own (resident memory added
//            by loading the data directory in this process)
// Every figure includes the event processing that follows (repaints). Settings are kept in Qt's
// test location, never the user's.
//
//   bench_grid DIR [--reps N] [--pages N]
//
// Prints one JSON object: {"rows": R, "open_ms": [...], "page_ms": [...], "last_ms": [...],
// "sort_ms": [...], "filter_ms": [...], "filter_shown": N, "paste_ms": [...],
// "table_bytes": B, "grid_bytes": B}
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTest>

#include "editor/MainFrame.h"
#include "editor/TesselApp.h"
#include "editor/TesselDoc.h"
#include "editor/TesselView.h"
#include "editor/grid/GridView.h"
#include "editor/grid/TableModel.h"
#include "tool/tables.h"

namespace
{
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

long long ResidentBytes()
{
    FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr)
        return 0;
    char line[256];
    long long kb = 0;
    while (std::fgets(line, sizeof(line), f) != nullptr)
        if (std::strncmp(line, "VmRSS:", 6) == 0)
            kb = std::atoll(line + 6);
    std::fclose(f);
    return kb * 1024;
}

std::string List(const std::vector<double>& values)
{
    std::string out = "[";
    for (size_t i = 0; i < values.size(); ++i)
    {
        char v[32];
        std::snprintf(v, sizeof(v), "%s%.3f", i ? ", " : "", values[i]);
        out += v;
    }
    return out + "]";
}

void Settle()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

template <class F> double Time(F&& action)
{
    const Clock::time_point t = Clock::now();
    action();
    Settle();
    return Ms(Clock::now() - t);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: bench_grid DIR [--reps N] [--pages N]\n");
        return 2;
    }
    std::string dir = argv[1];
    int reps = 5;
    int pages = 50;
    for (int i = 2; i + 1 < argc; i += 2)
    {
        if (std::strcmp(argv[i], "--reps") == 0)
            reps = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--pages") == 0)
            pages = std::atoi(argv[i + 1]);
    }
    QStandardPaths::setTestModeEnabled(true);
    char arg0[] = "tessel";
    char arg1[] = "-C";
    char* args[] = {arg0, arg1, &dir[0], nullptr};
    int count = 3;

    CTesselApp app(count, args);
    // The table's memory: what loading the directory adds, measured on a second load of it that
    // nothing else touches (the editor loads its own while it starts).
    if (!app.InitInstance())
    {
        std::fprintf(stderr, "bench_grid: the editor did not start\n");
        return 1;
    }
    CMainFrame* frame = app.GetMainWnd();
    if (!QTest::qWaitForWindowExposed(frame, 30000))
    {
        std::fprintf(stderr, "bench_grid: the main window was not shown\n");
        return 1;
    }
    frame->resize(1280, 900);
    Settle();
    const long long beforeCopy = ResidentBytes();
    std::unique_ptr<TableList> copy = TableList::loadNew();
    const long long tableBytes = ResidentBytes() - beforeCopy;
    copy.reset();

    tarn::editor::Table* table = TableList::instance()->at(0);
    CTesselView* view = frame->GetActiveView();
    if (table == nullptr || view == nullptr)
    {
        std::fprintf(stderr, "bench_grid: no table\n");
        return 1;
    }
    const int rows = table->m_rows.size();

    std::vector<double> open;
    long long gridBytes = 0;
    for (int r = 0; r < reps; ++r)
    {
        const long long before = ResidentBytes();
        open.push_back(Time([&]() { view->OpenTable(table); }));
        if (r == 0)
            gridBytes = ResidentBytes() - before;
        if (r + 1 < reps)
        {
            view->CloseTab(0);
            Settle();
        }
    }
    CGridView* grid = view->CurrentGrid();
    GridTable* table_view = grid->View();
    table_view->setFocus();
    table_view->setCurrentIndex(grid->Proxy()->index(0, 2));
    Settle();

    std::vector<double> page;
    for (int i = 0; i < pages; ++i)
        page.push_back(Time([&]() { QTest::keyClick(table_view, Qt::Key_PageDown); }));
    std::vector<double> last;
    for (int r = 0; r < reps; ++r)
    {
        table_view->setCurrentIndex(grid->Proxy()->index(0, 2));
        Settle();
        last.push_back(Time([&]() { QTest::keyClick(table_view, Qt::Key_End, Qt::ControlModifier); }));
    }

    // Sort by Level (column 2): ascending; two more clicks give the file order back, not timed.
    QHeaderView* header = table_view->horizontalHeader();
    const auto clickHeader = [&](int column)
    {
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(x, header->height() / 2));
    };
    std::vector<double> sort;
    for (int r = 0; r < reps; ++r)
    {
        header->setOffset(0);
        Settle();
        sort.push_back(Time([&]() { clickHeader(2); }));
        clickHeader(2);
        clickHeader(2);
        Settle();
    }

    std::vector<double> filter;
    int shown = 0;
    for (int r = 0; r < reps; ++r)
    {
        filter.push_back(Time([&]() { grid->FilterBox()->setText(QStringLiteral("fire damage")); }));
        shown = grid->Proxy()->rowCount();
        grid->FilterBox()->clear();
        Settle();
    }

    // 1,000 x 5 numbers from the first row's Level cell: Level, Exp, Gold, Speed (numbers) and Desc.
    QString block;
    for (int i = 0; i < 1000; ++i)
        block += QStringLiteral("%1\t%2\t%3\t%4.5\tpasted %5\n").arg(i).arg(-i).arg(i * 7).arg(i).arg(i);
    std::vector<double> paste;
    CTesselDoc* document = frame->GetActiveDocument();
    for (int r = 0; r < reps; ++r)
    {
        table_view->setCurrentIndex(grid->Proxy()->index(0, 2));
        Settle();
        paste.push_back(Time([&]() { grid->PasteText(block); }));
        document->Undo();
        Settle();
    }

    std::printf("{\"rows\": %d, \"open_ms\": %s, \"page_ms\": %s, \"last_ms\": %s, \"sort_ms\": %s, "
                "\"filter_ms\": %s, \"filter_shown\": %d, \"paste_ms\": %s, \"table_bytes\": %lld, "
                "\"grid_bytes\": %lld}\n",
                rows, List(open).c_str(), List(page).c_str(), List(last).c_str(), List(sort).c_str(),
                List(filter).c_str(), shown, List(paste).c_str(), tableBytes, gridBytes);
    return 0;
}
