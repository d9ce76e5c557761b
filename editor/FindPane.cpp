#include "editor/FindPane.h"

#include "editor/TesselDoc.h"
#include "tool/row.h"
#include "tool/table.h"
#include "tool/tables.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

namespace
{
enum Column
{
    kTable,
    kId,
    kName,
    kField,
    kText,
    kColumnCount
};
constexpr int kResultRole = Qt::UserRole;
} // namespace

CFindPane::CFindPane(CTesselDoc* document, QWidget* parent) : QDockWidget(parent), m_document(document)
{
    setObjectName(QStringLiteral("FindResultsPane"));
    setWindowTitle(QStringLiteral("查找结果"));
    m_list = new QTableWidget(0, kColumnCount, this);
    m_list->setObjectName(QStringLiteral("FindResultsList"));
    m_list->setHorizontalHeaderLabels({QStringLiteral("表"), QStringLiteral("编号"), QStringLiteral("名称"),
                                       QStringLiteral("字段"), QStringLiteral("内容")});
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->setWordWrap(false);
    m_list->installEventFilter(this);
    setWidget(m_list);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this](int line, int) { GoToResult(line); });
    // The rows the results name may go: the list is of values, but a stale one is not gone to.
    if (m_document != nullptr)
        connect(m_document, &CTesselDoc::tablesReloaded, this,
                [this]()
                {
                    m_results.clear();
                    m_list->setRowCount(0);
                    m_current = -1;
                });
}

CFindPane::~CFindPane() = default;

void CFindPane::Search(const std::vector<tarn::editor::Table*>& tables, const QString& text, bool wholeWord)
{
    bool truncated = false;
    const std::vector<tarn::FindMatch> found =
        tarn::FindInTables(tables, text.trimmed().toStdU16String(), wholeWord, 10000, &truncated);
    m_results.clear();
    m_results.reserve(found.size());
    m_list->setRowCount(static_cast<int>(found.size()));
    for (int i = 0; i < static_cast<int>(found.size()); ++i)
    {
        const tarn::FindMatch& m = found[static_cast<std::size_t>(i)];
        Result r;
        r.table = m.table->m_fileName.c_str();
        r.position = m.position;
        r.rowId = m.rowId;
        r.field = m.field;
        r.text = QString::fromStdU16String(m.text);
        tarn::Row* row = m.table->RowAtPosition(m.position);
        auto* table = new QTableWidgetItem(QString::fromUtf16(m.table->m_label.c_str()));
        table->setData(kResultRole, i);
        m_list->setItem(i, kTable, table);
        m_list->setItem(i, kId, new QTableWidgetItem(QString::number(m.rowId)));
        m_list->setItem(i, kName,
                        new QTableWidgetItem(row != nullptr ? QString::fromUtf16(row->Name()) : QString()));
        m_list->setItem(
            i, kField,
            new QTableWidgetItem(m.field < m.table->m_fields.size()
                                     ? QString::fromUtf16(m.table->m_fields[m.field].m_name.c_str())
                                     : QString()));
        m_list->setItem(i, kText, new QTableWidgetItem(r.text));
        m_results.push_back(std::move(r));
    }
    setWindowTitle(truncated ? QStringLiteral("查找结果（只列出前 %1 个）").arg(found.size())
                             : QStringLiteral("查找结果（%1 个）").arg(found.size()));
    m_current = -1;
}

bool CFindPane::GoToResult(int index)
{
    if (index < 0 || index >= static_cast<int>(m_results.size()) || m_document == nullptr)
        return false;
    m_current = index;
    m_list->setCurrentCell(index, 0);
    const Result& r = m_results[static_cast<std::size_t>(index)];
    tarn::editor::Table* table = TableList::instance()->find(r.table.c_str());
    tarn::Row* row = table != nullptr ? table->RowAtPosition(r.position) : nullptr;
    if (row == nullptr || row->Id() != r.rowId)
    {
        // The table changed since: the row by its id.
        row = nullptr;
        if (table != nullptr)
            for (tarn::Row& candidate : table->m_rows)
                if (candidate.Id() == r.rowId)
                {
                    row = &candidate;
                    break;
                }
    }
    if (row == nullptr)
        return false;
    m_document->GoTo(row, r.field);
    return true;
}

bool CFindPane::Step(int direction)
{
    const int count = static_cast<int>(m_results.size());
    if (count == 0)
        return false;
    const int next =
        m_current < 0 ? (direction > 0 ? 0 : count - 1) : ((m_current + direction) % count + count) % count;
    return GoToResult(next);
}

bool CFindPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress)
    {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
        {
            GoToResult(m_list->currentRow());
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, event);
}

CFindBar::CFindBar(CTesselDoc* document, CFindPane* pane, QWidget* parent)
    : QToolBar(QStringLiteral("查找"), parent), m_document(document), m_pane(pane)
{
    setObjectName(QStringLiteral("FindBar"));
    addWidget(new QLabel(QStringLiteral("查找："), this));
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("FindText"));
    m_text->setClearButtonEnabled(true);
    m_text->setMinimumWidth(180);
    addWidget(m_text);
    m_scope = new QComboBox(this);
    m_scope->setObjectName(QStringLiteral("FindScope"));
    m_scope->addItems({QStringLiteral("本表"), QStringLiteral("所有表")});
    m_scope->setCurrentIndex(1);
    addWidget(m_scope);
    m_wholeWord = new QCheckBox(QStringLiteral("整字匹配"), this);
    m_wholeWord->setObjectName(QStringLiteral("FindWholeWord"));
    addWidget(m_wholeWord);
    QAction* find = addAction(QStringLiteral("查找"));
    find->setObjectName(QStringLiteral("FindAction"));
    connect(find, &QAction::triggered, this, &CFindBar::Find);
    connect(m_text, &QLineEdit::returnPressed, this, &CFindBar::Find);
}

void CFindBar::Open()
{
    show();
    m_text->setFocus(Qt::ShortcutFocusReason);
    m_text->selectAll();
}

void CFindBar::Find()
{
    std::vector<tarn::editor::Table*> tables;
    TableList* list = TableList::instance();
    tarn::Row* current = m_document != nullptr ? m_document->CurrentRow() : nullptr;
    if (m_scope->currentIndex() == 0 && current != nullptr && current->m_table != nullptr)
        tables.push_back(current->m_table);
    else
        for (int i = 0; i < list->count(); ++i)
            tables.push_back(list->at(i));
    m_pane->Search(tables, m_text->text(), m_wholeWord->isChecked());
    m_pane->show();
    m_pane->raise();
    m_pane->Step(1);
    m_text->setFocus(Qt::OtherFocusReason);
}
