// The class view on a generated table of 100,000 rows, in the real main frame on the offscreen
// platform: filling the tree, selecting every row as one range (what Shift+click on the last row
// does after a click on the first), and deleting 1,000 selected rows; and, for comparison, the
// data model's two ways of removing 1,000 rows from the table.
//
//   bench_classview [--benchmark_filter=...]
//
// The data directory is generated once into a temporary directory (removed at exit). Benchmarks
// that change the rows reload the table list and refill the tree before each iteration, outside
// the timed part. Counters:
//   rows_per_s   tree rows filled (or selected, or deleted) per second
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include <QApplication>
#include <QStandardPaths>
#include <QTest>

#include <benchmark/benchmark.h>

#include "editor/ClassView.h"
#include "editor/CustomTree.h"
#include "editor/MainFrame.h"
#include "editor/PropertiesWnd.h"
#include "tableDataGen.h"
#include "tool/row.h"
#include "tool/table.h"
#include "tool/tables.h"

namespace
{

constexpr int kRows = 100000;
constexpr int kDeleted = 1000;

class DataDirectory
{
public:
    DataDirectory()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessel-bench-XXXXXX").string();
        if (::mkdtemp(&pattern[0]) == nullptr)
            std::abort();
        m_dir = pattern;
        tesselbench::GenerateDataDirectory(m_dir, {kRows});
        if (::chdir(m_dir.c_str()) != 0)
            std::abort();
    }
    ~DataDirectory()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

private:
    std::string m_dir;
};

CMainFrame* s_frame = nullptr;

CClassView& View()
{
    return s_frame->m_classView;
}
CCustomTree& Tree()
{
    return *View().Tree();
}
QTreeWidgetItem* TableItem()
{
    return Tree().topLevelItem(0)->child(0);
}

// Lets the view lay out and paint what changed, as the event loop would before the next input.
void Settle()
{
    QApplication::processEvents();
    Tree().viewport()->repaint();
}

// A fresh table list and tree: the table's rows as loaded, the table item expanded, nothing
// selected, no caret, the properties pane empty.
bool Reload()
{
    if (tarn::Row* shown = s_frame->m_propertiesPane.ShownRow())
        s_frame->m_propertiesPane.ForgetRow(shown);
    Tree().clear(); // before the rows the items point at go
    TableList::destroyInstance();
    TableList* list = TableList::instance();
    list->initIndex();
    list->loadTableList();
    if (list->count() != 1 || list->at(0)->m_rows.size() != kRows)
        return false;
    View().FillTableData();
    Tree().expandItem(TableItem());
    Settle();
    return TableItem()->childCount() == kRows;
}

void SetRowRate(benchmark::State& state, int rows)
{
    state.counters["rows_per_s"] = benchmark::Counter(rows, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_FillTableData(benchmark::State& state)
{
    if (!Reload())
        state.SkipWithError("the generated table did not load");
    for (auto _ : state)
    {
        View().FillTableData();
        Settle();
    }
    if (TableItem()->childCount() != kRows)
        state.SkipWithError("the tree does not hold every row");
    SetRowRate(state, kRows);
}
BENCHMARK(BM_FillTableData)->Unit(benchmark::kMillisecond)->UseRealTime();

// Filling, then expanding the table so that all its rows are laid out and the first screen painted.
void BM_FillAndExpand(benchmark::State& state)
{
    if (!Reload())
        state.SkipWithError("the generated table did not load");
    for (auto _ : state)
    {
        View().FillTableData();
        Tree().expandItem(TableItem());
        Settle();
    }
    SetRowRate(state, kRows);
}
BENCHMARK(BM_FillAndExpand)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every row selected as one range with the deselection of the others (the rule of Shift+click and
// Shift+arrow), through the control's own operation.
void BM_SelectVisibleRange(benchmark::State& state)
{
    if (!Reload())
        state.SkipWithError("the generated table did not load");
    QTreeWidgetItem* first = TableItem()->child(0);
    QTreeWidgetItem* last = TableItem()->child(kRows - 1);
    for (auto _ : state)
    {
        state.PauseTiming();
        Tree().DeselectAll();
        Settle();
        state.ResumeTiming();

        Tree().SelectVisibleRange(first, last, true);
        Settle();
    }
    if (Tree().selectedItems().size() != kRows)
        state.SkipWithError("the range did not select every row");
    SetRowRate(state, kRows);
}
BENCHMARK(BM_SelectVisibleRange)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same range made by real mouse events: a click on the first row, then Shift+click on the
// last one (the caret changes reach the properties pane as usual).
void BM_ShiftClickRange(benchmark::State& state)
{
    if (!Reload())
        state.SkipWithError("the generated table did not load");
    QTreeWidgetItem* first = TableItem()->child(0);
    QTreeWidgetItem* last = TableItem()->child(kRows - 1);
    auto click = [](QTreeWidgetItem* item, Qt::KeyboardModifiers keys)
    {
        Tree().scrollToItem(item);
        const QRect rect = Tree().visualItemRect(item);
        QTest::mouseClick(Tree().viewport(), Qt::LeftButton, keys,
                          QPoint(rect.left() + 8, rect.center().y()));
    };
    for (auto _ : state)
    {
        state.PauseTiming();
        click(first, Qt::NoModifier);
        Tree().scrollToItem(last);
        Settle();
        state.ResumeTiming();

        click(last, Qt::ShiftModifier);
        Settle();
    }
    if (Tree().selectedItems().size() != kRows)
        state.SkipWithError("the range did not select every row");
    SetRowRate(state, kRows);
}
BENCHMARK(BM_ShiftClickRange)->Unit(benchmark::kMillisecond)->UseRealTime();

// "删除" with state.range(1) selected rows (1,000 or 10,000): spread evenly over the table
// (state.range(0) == 0) or the last ones (state.range(0) == 1). They are selected one by one, as
// Ctrl+clicks do, and the caret is on the last one.
void BM_DeleteSelectedRows(benchmark::State& state)
{
    const bool atEnd = state.range(0) == 1;
    const int count = static_cast<int>(state.range(1));
    for (auto _ : state)
    {
        state.PauseTiming();
        if (!Reload())
        {
            state.SkipWithError("the generated table did not load");
            break;
        }
        QTreeWidgetItem* caret = nullptr;
        for (int i = 0; i < count; ++i)
        {
            caret = TableItem()->child(atEnd ? kRows - count + i : i * (kRows / count));
            Tree().ChangeItemState(caret, CMultiTree::TVIS_SELECTED, CMultiTree::TVIS_SELECTED);
        }
        Tree().ChangeItemState(caret, CMultiTree::TVIS_FOCUSED, CMultiTree::TVIS_FOCUSED);
        Settle();
        state.ResumeTiming();

        const int deleted = View().DeleteSelectedRows();
        Settle();

        state.PauseTiming();
        if (deleted != count || TableList::instance()->at(0)->m_rows.size() != kRows - count ||
            TableItem()->childCount() != kRows - count)
            state.SkipWithError("the selected rows were not deleted");
        state.ResumeTiming();
    }
    SetRowRate(state, count);
}
BENCHMARK(BM_DeleteSelectedRows)
    ->ArgNames({"at_end", "rows"})
    ->Args({0, kDeleted})
    ->Args({1, kDeleted})
    ->Args({0, 10 * kDeleted})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

// The data model alone: 1,000 rows removed from the 100,000-row table, each by the search for the
// first row with its id (Row::RemoveSelfFromTable, state.range(1) == 0) or directly
// (Table::RemoveRow, state.range(1) == 1); rows spread (range(0) == 0) or the last ones (1).
void BM_RemoveRows(benchmark::State& state)
{
    const bool atEnd = state.range(0) == 1;
    const bool direct = state.range(1) == 1;
    std::unique_ptr<tarn::editor::Table> table;
    for (auto _ : state)
    {
        state.PauseTiming();
        table = std::make_unique<tarn::editor::Table>(); // the last one goes untimed
        if (!table->Load(u"bench_0.txt") || table->m_rows.size() != kRows)
        {
            state.SkipWithError("the generated table did not load");
            break;
        }
        std::vector<tarn::Row*> rows;
        int i = 0;
        for (tarn::Row& row : table->m_rows)
        {
            if (atEnd ? i >= kRows - kDeleted : i % (kRows / kDeleted) == 0)
                rows.push_back(&row);
            ++i;
        }
        state.ResumeTiming();

        for (tarn::Row* row : rows)
        {
            if (direct)
                table->RemoveRow(row);
            else
                row->RemoveSelfFromTable();
        }

        state.PauseTiming();
        if (table->m_rows.size() != kRows - kDeleted)
            state.SkipWithError("the rows were not removed");
        state.ResumeTiming();
    }
    SetRowRate(state, kDeleted);
}
BENCHMARK(BM_RemoveRows)
    ->ArgNames({"at_end", "direct"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Settings (the look, the window layout) in Qt's test location, never the user's.
    QStandardPaths::setTestModeEnabled(true);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    QApplication app(argc, argv);
    DataDirectory data;
    int status = 0;
    {
        CMainFrame frame;
        s_frame = &frame;
        if (!frame.LoadFrame())
        {
            std::fprintf(stderr, "bench_classview: the main frame could not be created\n");
            return 1;
        }
        frame.resize(1024, 768);
        frame.show();
        if (!QTest::qWaitForWindowExposed(&frame))
            status = 1;
        else
            benchmark::RunSpecifiedBenchmarks();
        if (tarn::Row* shown = frame.m_propertiesPane.ShownRow())
            frame.m_propertiesPane.ForgetRow(shown);
        frame.m_classView.Tree()->clear();
        s_frame = nullptr;
    }
    TableList::destroyInstance();
    benchmark::Shutdown();
    return status;
}
