// bench_picker: the link picker (the table view dialog as opened by a link field's button) on a
// linked table, under the offscreen platform, through the real dialog:
//
//   open       the dialog made, shown on the row a single link names (the table's last row,
//              selected and scrolled into view) and painted
//   open_list  the same for a list field holding three ids
//   filter     typing an id into the filter box (the rows narrowed and painted), then clearing it
//
//   bench_picker DIR [--reps N]   (DIR: the linked directory bench_links writes; t1.txt is shown)
//
// Prints one JSON object: {"rows": R, "open_ms": [...], "open_list_ms": [...], "filter_ms": [...]}
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include <QApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>

#include "editorBenchSupport.h"
#include "editor/TableViewDlg.h"
#include "tool/row.h"
#include "tool/table.h"
#include "tool/tables.h"

namespace
{
using tesselbench::Clock;
using tesselbench::List;
using tesselbench::Ms;
using tesselbench::Settle;

// Opens the picker on `ids`, waits until it is painted, and returns the time taken; false in `ok`
// when the dialog did not select the row the first id names.
double OpenPicker(tarn::editor::Table* table, bool listField, const std::vector<int>& ids, bool& ok)
{
    const Clock::time_point start = Clock::now();
    CTableViewDlg dialog;
    dialog.m_viewTable = table;
    dialog.SetPicker(listField, ids, [](const std::vector<int>& chosen) { return chosen; });
    dialog.show();
    ok = QTest::qWaitForWindowExposed(&dialog, 5000);
    dialog.repaint();
    Settle();
    const double ms = Ms(Clock::now() - start);
    const QModelIndexList selected = dialog.m_searchTable->selectionModel()->selectedRows();
    ok = ok && selected.size() == 1 && dialog.RowOfLine(selected.front().row())->Id() == ids.front();
    dialog.close();
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: bench_picker DIR [--reps N]\n");
        return 2;
    }
    int reps = 5;
    for (int i = 2; i + 1 < argc; i += 2)
        if (std::strcmp(argv[i], "--reps") == 0)
            reps = std::atoi(argv[i + 1]);
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    if (::chdir(argv[1]) != 0)
    {
        std::fprintf(stderr, "bench_picker: cannot enter %s\n", argv[1]);
        return 1;
    }
    TableList& list = *TableList::instance();
    list.initIndex();
    list.loadTableList();
    tarn::editor::Table* table = list.find(u"t1.txt");
    if (table == nullptr || table->m_rows.empty())
    {
        std::fprintf(stderr, "bench_picker: no table t1.txt in %s\n", argv[1]);
        return 1;
    }
    // The last row: the view must scroll the whole way to show it.
    const int last = table->m_rows.last()->value.Id();
    const std::vector<int> listIds = {last, 1, table->m_rows.size() / 2};

    std::vector<double> open;
    std::vector<double> openList;
    std::vector<double> filter;
    bool ok = true;
    for (int r = 0; r < reps; ++r)
    {
        bool selected = false;
        open.push_back(OpenPicker(table, false, {last}, selected));
        ok = ok && selected;
        openList.push_back(OpenPicker(table, true, listIds, selected));
        ok = ok && selected;
    }
    {
        CTableViewDlg dialog;
        dialog.m_viewTable = table;
        dialog.SetPicker(false, {last}, [](const std::vector<int>& chosen) { return chosen; });
        dialog.show();
        ok = ok && QTest::qWaitForWindowExposed(&dialog, 5000);
        Settle();
        const QString text = QString::number(last);
        for (int r = 0; r < reps; ++r)
        {
            const Clock::time_point start = Clock::now();
            QTest::keyClicks(dialog.FilterEdit(), text);
            dialog.repaint();
            Settle();
            filter.push_back(Ms(Clock::now() - start));
            dialog.FilterEdit()->clear();
            Settle();
        }
    }
    if (!ok)
    {
        std::fprintf(stderr, "bench_picker: the picker was not shown on the row its value names\n");
        return 1;
    }
    std::printf("{\"rows\": %d, \"open_ms\": %s, \"open_list_ms\": %s, \"filter_ms\": %s}\n",
                table->m_rows.size(), List(open).c_str(), List(openList).c_str(), List(filter).c_str());
    return 0;
}
