#include "editor/ProblemsPane.h"

#include "editor/TesselDoc.h"
#include "tool/problemText.h"
#include "tool/row.h"
#include "tool/table.h"
#include "tool/tables.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QTimer>

namespace
{
enum Column
{
    kSeverity,
    kTable,
    kId,
    kName,
    kField,
    kMessage,
    kColumnCount
};

// The problem's index in Problems(), kept on the first cell of its line.
constexpr int kProblemRole = Qt::UserRole;

// A cell that sorts numbers as numbers.
QTableWidgetItem* NumberItem(int value)
{
    auto* item = new QTableWidgetItem;
    item->setData(Qt::DisplayRole, value);
    return item;
}
} // namespace

CProblemsPane::CProblemsPane(CTesselDoc* document, QWidget* parent)
    : QDockWidget(parent), m_document(document)
{
    setObjectName(QStringLiteral("ProblemsPane"));
    setWindowTitle(QStringLiteral("问题"));
    m_list = new QTableWidget(0, kColumnCount, this);
    m_list->setObjectName(QStringLiteral("ProblemsList"));
    m_list->setHorizontalHeaderLabels({QStringLiteral("严重性"), QStringLiteral("表"), QStringLiteral("编号"),
                                       QStringLiteral("名称"), QStringLiteral("字段"),
                                       QStringLiteral("说明")});
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->setSortingEnabled(true);
    m_list->setWordWrap(false);
    setWidget(m_list);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this](int line, int) { GoToLine(line); });

    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setSingleShot(true);
    m_refreshTimer->setInterval(0);
    connect(m_refreshTimer, &QTimer::timeout, this, &CProblemsPane::Refresh);
    if (m_document != nullptr)
    {
        connect(m_document, &CTesselDoc::cellChanged, this, &CProblemsPane::RefreshLater);
        connect(m_document, &CTesselDoc::rowsInserted, this, &CProblemsPane::RefreshLater);
        connect(m_document, &CTesselDoc::rowsRemoved, this, &CProblemsPane::RefreshLater);
        connect(m_document, &CTesselDoc::tablesReloaded, this, &CProblemsPane::RefreshLater);
    }
}

CProblemsPane::~CProblemsPane() = default;

void CProblemsPane::RefreshLater()
{
    // Many changes in a row (a paste, an undo of many) are checked once.
    if (isVisible())
        m_refreshTimer->start();
}

void CProblemsPane::Refresh()
{
    m_problems = tarn::CheckTables(*TableList::instance());
    const int sortColumn = m_list->horizontalHeader()->sortIndicatorSection();
    const Qt::SortOrder order = m_list->horizontalHeader()->sortIndicatorOrder();
    m_list->setSortingEnabled(false);
    m_list->setRowCount(static_cast<int>(m_problems.size()));
    TableList* list = TableList::instance();
    for (int i = 0; i < static_cast<int>(m_problems.size()); ++i)
    {
        const tarn::Problem& p = m_problems[static_cast<std::size_t>(i)];
        tarn::editor::Table* table =
            p.table.empty() ? nullptr : list->find(scl::FromUtf8(p.table.c_str()).c_str());
        tarn::Row* row = RowOf(p);

        auto* severity = new QTableWidgetItem(p.severity == tarn::Diagnostic::Error ? QStringLiteral("错误")
                                                                                    : QStringLiteral("警告"));
        severity->setData(kProblemRole, i);
        m_list->setItem(i, kSeverity, severity);
        QString tableText = QString::fromStdString(p.table.empty() ? p.file : p.table);
        if (table != nullptr && !table->m_label.empty())
            tableText = QString::fromUtf16(table->m_label.c_str());
        m_list->setItem(i, kTable, new QTableWidgetItem(tableText));
        m_list->setItem(i, kId, p.position >= 0 ? NumberItem(p.rowId) : new QTableWidgetItem);
        m_list->setItem(i, kName,
                        new QTableWidgetItem(row != nullptr ? QString::fromUtf16(row->Name()) : QString()));
        QString field;
        if (table != nullptr && p.field >= 0 && p.field < table->m_fields.size())
            field = QString::fromUtf16(table->m_fields[p.field].m_name.c_str());
        m_list->setItem(i, kField, new QTableWidgetItem(field));
        m_list->setItem(i, kMessage, new QTableWidgetItem(QString::fromStdU16String(tarn::ProblemLine(p))));
    }
    m_list->setSortingEnabled(true);
    if (sortColumn >= 0 && sortColumn < kColumnCount && m_list->horizontalHeader()->isSortIndicatorShown())
        m_list->sortItems(sortColumn, order);
}

tarn::Row* CProblemsPane::RowOf(const tarn::Problem& problem)
{
    if (problem.position < 0 || problem.table.empty())
        return nullptr;
    tarn::editor::Table* table = TableList::instance()->find(scl::FromUtf8(problem.table.c_str()).c_str());
    if (table == nullptr)
        return nullptr;
    // The row at its position when it is still there with its id; else the first with the id.
    tarn::Row* row = table->RowAtPosition(problem.position);
    if (row != nullptr && row->Id() == problem.rowId)
        return row;
    for (tarn::Row& candidate : table->m_rows)
        if (candidate.Id() == problem.rowId)
            return &candidate;
    return nullptr;
}

void CProblemsPane::GoToLine(int line)
{
    QTableWidgetItem* first = m_list->item(line, kSeverity);
    if (first == nullptr || m_document == nullptr)
        return;
    const int index = first->data(kProblemRole).toInt();
    if (index < 0 || index >= static_cast<int>(m_problems.size()))
        return;
    const tarn::Problem& problem = m_problems[static_cast<std::size_t>(index)];
    if (tarn::Row* row = RowOf(problem))
        m_document->GoTo(row, problem.field);
}
