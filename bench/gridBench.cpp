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
//   memory   the heap an open tab keeps (after a first tab was opened and closed: Qt's one-time
//            set-up is not the grid's), against the table's own memory (resident memory added by
//            loading the data directory in this process)
// Every figure includes the event processing that follows (repaints). Settings are kept in Qt's
// test location, never the user's.
//
//   bench_grid DIR [--reps N] [--pages N]
//
// Prints one JSON object: {"rows": R, "open_ms": [...], "page_ms": [...], "last_ms": [...],
// "sort_ms": [...], "filter_ms": [...], "filter_shown": N, "paste_ms": [...],
// "table_bytes": B, "grid_bytes": B, "grid_resident_bytes": B}
#include "editorBenchSupport.h"

#include "editor/TesselDoc.h"
#include "editor/TesselView.h"
#include "editor/grid/GridView.h"
#include "editor/grid/TableModel.h"
#include "tool/tables.h"

#include <QHeaderView>
#include <QLineEdit>

#include <algorithm>
#include <memory>

#include <malloc.h>

using namespace tesselbench;

namespace
{
// Bytes the heap holds for live allocations (small ones and mapped ones): what a grid keeps,
// whatever the allocator does with freed memory.
long long HeapInUse()
{
    const struct mallinfo2 info = ::mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
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
    EditorArgs args(dir);
    CTesselApp app(args.Argc(), args.Argv());
    std::string error;
    CMainFrame* frame = StartEditor(app, &error);
    if (frame == nullptr)
    {
        std::fprintf(stderr, "bench_grid: %s\n", error.c_str());
        return 1;
    }
    const DirectoryRelease release(frame);
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

    // Opening the tab, `reps` times; each but the last closed again. The memory is the heap the last
    // grid keeps (its model, proxy, views and their widgets), after the first one has made Qt's
    // one-time set-up (fonts, styles, the widgets' shared data); the resident memory it adds is
    // printed too, but the allocator reuses what the closed grids freed.
    std::vector<double> open;
    long long gridBytes = 0;
    long long gridResidentBytes = 0;
    for (int r = 0; r < std::max(reps, 2); ++r)
    {
        const long long heapBefore = HeapInUse();
        const long long before = ResidentBytes();
        const double ms = Time([&]() { view->OpenTable(table); });
        if (r < reps)
            open.push_back(ms);
        gridBytes = HeapInUse() - heapBefore;
        gridResidentBytes = ResidentBytes() - before;
        if (r + 1 < std::max(reps, 2))
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
                "\"grid_bytes\": %lld, \"grid_resident_bytes\": %lld}\n",
                rows, List(open).c_str(), List(page).c_str(), List(last).c_str(), List(sort).c_str(),
                List(filter).c_str(), shown, List(paste).c_str(), tableBytes, gridBytes, gridResidentBytes);
    return 0;
}
