// bench_journal: what the recovery journal costs, in the real editor on a data directory under the
// offscreen platform (settings and journals in Qt's test location):
//
//   cell     a cell edit through the document (SetCellValue) with the journal observing it,
//            minus the same edit with the journal disconnected: what journalling adds
//   delete   deleting 10,000 rows as one step, with and without the journal
//   flush    writing the pending steps to the journal file with fdatasync
//   recover  reading a journal of 10,000 cell edits and replaying it onto the freshly loaded
//            tables, the views rebuilt once after (RecoverJournal, as the editor recovers)
//   undo past a save   undoing a cell edit made before the journal began (after a save): the
//            journal writes the first table whole (and flushes it)
//
//   bench_journal DIR [--edits N] [--delete-count N]
//
// Prints one JSON object with medians in milliseconds.
#include "editor/DirectoryGuard.h"
#include "editor/MainFrame.h"
#include "editor/RecoveryJournal.h"
#include "editor/TesselApp.h"
#include "editor/TesselDoc.h"
#include "tool/row.h"
#include "tool/tables.h"

#include <QApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUndoStack>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Edits `count` cells of the first table's name field, one command each; the time of each.
std::vector<double> EditCells(CTesselDoc* document, int count, int round)
{
    tarn::editor::Table* table = TableList::instance()->at(0);
    std::vector<double> times;
    int i = 0;
    for (tarn::Row& row : table->m_rows)
    {
        if (i == count)
            break;
        const std::u16string text = u"journal " + std::u16string(1, static_cast<char16_t>(u'a' + round)) +
                                    std::u16string(1, static_cast<char16_t>(u'a' + i % 26));
        const auto t = Clock::now();
        document->SetCellValue(&row, row.m_nameFieldIndex, text);
        times.push_back(Ms(Clock::now() - t));
        ++i;
    }
    return times;
}

double DeleteRows(CTesselDoc* document, int count)
{
    tarn::editor::Table* table = TableList::instance()->at(0);
    std::vector<tarn::Row*> rows;
    for (tarn::Row& row : table->m_rows)
    {
        if (static_cast<int>(rows.size()) == count)
            break;
        rows.push_back(&row);
    }
    const auto t = Clock::now();
    document->DeleteRows(rows);
    const double ms = Ms(Clock::now() - t);
    document->Undo();
    return ms;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: bench_journal DIR [--edits N] [--delete-count N]\n");
        return 2;
    }
    int edits = 10000;
    int deleteCount = 10000;
    for (int i = 2; i + 1 < argc; i += 2)
    {
        const std::string arg = argv[i];
        if (arg == "--edits")
            edits = std::atoi(argv[i + 1]);
        else if (arg == "--delete-count")
            deleteCount = std::atoi(argv[i + 1]);
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication qtApp(argc, argv);
    char program[] = "tessel";
    char option[] = "-C";
    std::vector<char*> args{program, option, argv[1], nullptr};
    int appArgc = 3;
    CTesselApp app(appArgc, args.data());
    if (!app.InitInstance())
        return 1;
    CMainFrame* frame = app.GetMainWnd();
    CTesselDoc* document = frame->GetActiveDocument();
    // The delete below breaks links (the generated table links its own rows): nobody answers the
    // question in a benchmark, so the deletion goes ahead.
    document->SetLinkBreakConfirmer([](const QString&, const std::vector<tarn::LinkIndex::Referrer>&)
                                    { return true; });
    RecoveryJournal* journal = frame->Guard()->Journal();
    if (journal == nullptr || TableList::instance()->count() == 0)
    {
        std::fprintf(stderr, "bench_journal: no journal or no table\n");
        return 1;
    }
    const int rows = TableList::instance()->at(0)->m_rows.size();
    const int editSample = std::min(edits, 2000);

    // With the journal.
    const std::vector<double> withJournal = EditCells(document, editSample, 0);
    const auto flushStart = Clock::now();
    journal->Flush();
    const double flushMs = Ms(Clock::now() - flushStart);
    const double deleteWith = DeleteRows(document, deleteCount);
    journal->Flush();
    document->UndoStack()->clear();
    journal->End();

    // Without: the journal no longer hears the document.
    QObject::disconnect(document->UndoStack(), nullptr, journal, nullptr);
    QObject::disconnect(document, nullptr, journal, nullptr);
    const std::vector<double> without = EditCells(document, editSample, 1);
    const double deleteWithout = DeleteRows(document, deleteCount);

    // Recovery: a journal of `edits` cell edits, replayed onto freshly loaded tables.
    {
        std::unique_ptr<TableList> fresh = TableList::loadNew();
        document->UndoStack()->clear();
        document->SetCurrentRow(nullptr);
        TableList::replaceInstance(std::move(fresh));
        document->TablesReloaded();
    }
    RecoveryJournal recorder(document, QString::fromLocal8Bit(argv[1]));
    EditCells(document, edits, 2);
    recorder.Flush();
    const QString path = recorder.FilePath();
    {
        std::unique_ptr<TableList> fresh = TableList::loadNew();
        document->UndoStack()->clear();
        document->SetCurrentRow(nullptr);
        TableList::replaceInstance(std::move(fresh));
        document->TablesReloaded();
    }
    const auto recoverStart = Clock::now();
    const JournalContents contents = ReadJournal(path);
    const double readMs = Ms(Clock::now() - recoverStart);
    const ReplayOutcome outcome = RecoverJournal(document, &recorder, contents.entries, {});
    const double replayMs = Ms(Clock::now() - recoverStart) - readMs;
    QCoreApplication::processEvents(); // what the views' rebuild posted
    const double recoverMs = Ms(Clock::now() - recoverStart);
    recorder.End();

    // An undo back past a save: End() takes the present as the base, as a complete save does.
    {
        tarn::editor::Table* table = TableList::instance()->at(0);
        tarn::Row* row = table->RowAtPosition(0);
        document->SetCellValue(row, row->m_nameFieldIndex, u"before the save");
    }
    recorder.End();
    const auto undoStart = Clock::now();
    document->Undo();
    const double undoPastSaveMs = Ms(Clock::now() - undoStart);
    const auto snapshotFlushStart = Clock::now();
    recorder.Flush();
    const double snapshotFlushMs = Ms(Clock::now() - snapshotFlushStart);
    const qint64 snapshotBytes = QFileInfo(recorder.FilePath()).size();
    recorder.End();

    std::printf("{\"rows\": %d, \"cell_edit_with_journal_ms\": %.4f, \"cell_edit_without_journal_ms\": %.4f, "
                "\"journal_per_cell_edit_ms\": %.4f, \"flush_%d_edits_ms\": %.3f, "
                "\"delete_%d_rows_with_journal_ms\": %.3f, \"delete_%d_rows_without_journal_ms\": %.3f, "
                "\"journal_per_delete_ms\": %.3f, \"recover_%d_edits_ms\": %.3f, \"recover_read_ms\": %.3f, "
                "\"recover_replay_and_views_ms\": %.3f, \"recovered\": %d, \"undo_past_save_ms\": %.3f, "
                "\"undo_past_save_flush_ms\": %.3f, \"undo_past_save_journal_bytes\": %lld}\n",
                rows, Median(withJournal), Median(without), Median(withJournal) - Median(without), editSample,
                flushMs, deleteCount, deleteWith, deleteCount, deleteWithout, deleteWith - deleteWithout,
                edits, recoverMs, readMs, replayMs, outcome.applied, undoPastSaveMs, snapshotFlushMs,
                static_cast<long long>(snapshotBytes));
    return outcome.applied == edits ? 0 : 1;
}
