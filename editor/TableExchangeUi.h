// The File menu's "导入..." and "导出..." for one table: the file dialogs, the messages, and the
// calls into the exchange code that tessel-cli uses too (tool/tableExchange.h). An import goes
// through the document as one step, so that undo takes it back whole.
//
// Holds no state between calls except the file-name chooser, a process-wide hook through which
// tests give the names a user would pick (by default a QFileDialog). GUI thread only.
#pragma once

#include "tool/tableExchange.h"

#include <QString>

#include <functional>

class CTesselDoc;
class QWidget;

class CTableExchange
{
public:
    // What the user picked in a file dialog: the path (empty: cancelled) and the name filter.
    struct Choice
    {
        QString path;
        QString filter;
    };
    // Asks for a file name: one to write when `save`, else an existing one. `filters` as
    // QFileDialog takes them (";;" between filters).
    using Chooser =
        std::function<Choice(QWidget* parent, const QString& caption, const QString& filters, bool save)>;
    // Replaces the chooser; an empty one brings back the file dialog.
    static void SetChooser(Chooser chooser);

    // The save dialog's filters: CSV, TSV, JSON.
    static QString ExportFilters();
    // The format a file is written in: its name's extension when that is .csv, .tsv or .json,
    // else the chosen filter's (CSV when the filter is none of them).
    static tarn::ExportFormat FormatFor(const QString& path, const QString& filter);

    // "导出...": asks for a file and writes `table` to it in the chosen format. A name without an
    // extension gets the filter's. A file that cannot be written is reported in a message box and
    // left as it was. Returns the path written; empty when cancelled or failed.
    static QString Export(QWidget* parent, tarn::editor::Table* table);

    // "导入...": asks for a CSV or TSV file and checks every value against `table`. Any problem is
    // shown (FILE:LINE:COLUMN lines) and nothing changes. Otherwise asks whether the file replaces
    // the table's rows or is merged into them by id, and has the document apply that as one step;
    // a file that would change nothing is only reported. Returns the summary of what changed
    // (Chinese); empty when nothing was imported.
    static QString Import(QWidget* parent, CTesselDoc* document, tarn::editor::Table* table);

    // What an import plan changes, in Chinese: "新增 N 行，修改 N 行，未变 N 行[，删除 N 行]".
    static QString Summary(const tarn::ImportPlan& plan);
    // Whether applying `plan` leaves `table` exactly as it is.
    static bool ChangesNothing(tarn::editor::Table& table, const tarn::ImportPlan& plan);
};
