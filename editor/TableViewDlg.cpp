#include "editor/TableViewDlg.h"

#include "base/assert.h"
#include "tool/cell.h"
#include "tool/row.h"
#include "tool/table.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace
{
// The dialog's failed-check reports name a fixed source position (".\TableViewDlg" and the
// lines below), so that they read the same whatever path the program was built from.
const char kReportFile[] = ".\\TableViewDlg";
const char kReportFunction[] = "CTableViewDlg::OnShowWindow";
constexpr int kColumnWidth = 100;

void Report(int line)
{
    scl::detail::AssertFailedNamed(kReportFile, kReportFunction, line, "false");
}
} // namespace

CTableViewDlg::CTableViewDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TableViewDlg"));
    setWindowTitle(QStringLiteral("选择行"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("FilterEdit"));
    m_filter->setPlaceholderText(QStringLiteral("按编号或文字筛选"));
    m_filter->setClearButtonEnabled(true);
    connect(m_filter, &QLineEdit::textChanged, this, &CTableViewDlg::ApplyFilter);
    auto* filterLabel = new QLabel(QStringLiteral("筛选(&F)："), this);
    filterLabel->setBuddy(m_filter);

    m_searchTable = new QTableWidget(this);
    m_searchTable->setObjectName(QStringLiteral("SearchTable"));
    m_searchTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_searchTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_searchTable->setShowGrid(true);
    m_searchTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_searchTable->setWordWrap(false);
    m_searchTable->verticalHeader()->hide();
    m_searchTable->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_searchTable->horizontalHeader()->setStretchLastSection(false);
    connect(m_searchTable, &QTableWidget::cellDoubleClicked, this,
            [this](int line, int)
            {
                if (!IsPicker())
                    return;
                m_searchTable->selectRow(line);
                ChooseSelected();
            });

    m_chosen = new QListWidget(this);
    m_chosen->setObjectName(QStringLiteral("ChosenList"));
    m_chosen->setMaximumHeight(90);
    m_chosen->hide();
    m_remove = new QPushButton(QStringLiteral("移除"), this);
    m_remove->setObjectName(QStringLiteral("RemoveButton"));
    m_remove->setAutoDefault(false);
    m_remove->hide();
    connect(m_remove, &QPushButton::clicked, this, &CTableViewDlg::RemoveSelected);

    auto* buttons = new QDialogButtonBox(this);
    m_choose = buttons->addButton(QStringLiteral("选用"), QDialogButtonBox::ActionRole);
    m_choose->setObjectName(QStringLiteral("ChooseButton"));
    m_choose->setAutoDefault(false);
    m_choose->hide();
    connect(m_choose, &QPushButton::clicked, this, &CTableViewDlg::ChooseSelected);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(m_filter, 1);
    auto* chosenRow = new QHBoxLayout;
    chosenRow->addWidget(m_chosen, 1);
    chosenRow->addWidget(m_remove, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filterRow);
    layout->addWidget(m_searchTable, 1);
    layout->addLayout(chosenRow);
    layout->addWidget(buttons);

    // 287 by 169 dialog units of a 9-point dialog font.
    resize(431, 317);
}

CTableViewDlg::~CTableViewDlg() = default;

void CTableViewDlg::SetPicker(bool listField, std::vector<int> ids, Apply apply)
{
    m_listField = listField;
    m_apply = std::move(apply);
    m_choose->setVisible(static_cast<bool>(m_apply));
    m_chosen->setVisible(m_apply && listField);
    m_remove->setVisible(m_apply && listField);
    SetIds(ids);
}

void CTableViewDlg::SetIds(const std::vector<int>& ids)
{
    m_ids = ids;
    ShowIds();
}

void CTableViewDlg::ShowIds()
{
    const int selected = m_chosen->currentRow();
    m_chosen->clear();
    for (int id : m_ids)
        m_chosen->addItem(QString::number(id));
    if (m_chosen->count() > 0)
        m_chosen->setCurrentRow(std::clamp(selected, 0, m_chosen->count() - 1));
    m_remove->setEnabled(m_chosen->count() > 0);
}

tarn::Row* CTableViewDlg::RowOfLine(int line) const
{
    return line >= 0 && line < static_cast<int>(m_lineRows.size())
               ? m_lineRows[static_cast<std::size_t>(line)]
               : nullptr;
}

void CTableViewDlg::clearTable()
{
    m_searchTable->setRowCount(0);
    for (int column = m_searchTable->horizontalHeader()->count() - 1; column >= 0; --column)
        m_searchTable->removeColumn(column);
    m_lineRows.clear();
}

void CTableViewDlg::OnShowWindow(bool show)
{
    if (m_viewTable == nullptr)
    {
        Report(42);
        return;
    }
    setWindowTitle(QString::fromUtf16(m_viewTable->m_label.c_str()) + QStringLiteral(" - 选择行"));
    clearTable();

    const int fieldCount = m_viewTable->m_fields.size();
    m_searchTable->setColumnCount(fieldCount);
    for (int i = 0; i < fieldCount; ++i)
    {
        auto* title = new QTableWidgetItem(QString::fromUtf16(m_viewTable->m_fields[i].m_name.c_str()));
        title->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_searchTable->setHorizontalHeaderItem(i, title);
        m_searchTable->setColumnWidth(i, kColumnWidth);
    }

    m_searchTable->setRowCount(m_viewTable->m_rows.size());
    int line = 0;
    for (tarn::Row& row : m_viewTable->m_rows)
    {
        m_lineRows.push_back(&row);
        if (fieldCount > 0)
            m_searchTable->setItem(line, 0, new QTableWidgetItem(QStringLiteral("default")));
        for (int j = 0; j < row.cells.size(); ++j)
        {
            if (j >= fieldCount)
            {
                Report(92);
                break;
            }
            tarn::Cell* cell = row.cells[j];
            if (cell == nullptr)
            {
                Report(99);
                continue;
            }
            m_searchTable->setItem(line, j, new QTableWidgetItem(QString::fromUtf16(cell->ToString())));
        }
        ++line;
    }
    if (!show)
        return;
    ApplyFilter(m_filter->text());
    if (IsPicker())
        SelectCurrentTarget();
}

void CTableViewDlg::SelectCurrentTarget()
{
    if (m_ids.empty())
        return;
    const int target = m_listField && m_chosen->currentRow() >= 0
                           ? m_ids[static_cast<std::size_t>(m_chosen->currentRow())]
                           : m_ids.front();
    for (int line = 0; line < static_cast<int>(m_lineRows.size()); ++line)
    {
        if (m_lineRows[static_cast<std::size_t>(line)]->Id() == target && !m_searchTable->isRowHidden(line))
        {
            m_searchTable->selectRow(line);
            m_searchTable->scrollToItem(m_searchTable->item(line, 0), QAbstractItemView::PositionAtCenter);
            return;
        }
    }
}

void CTableViewDlg::ApplyFilter(const QString& text)
{
    const QString wanted = text.trimmed();
    for (int line = 0; line < m_searchTable->rowCount(); ++line)
    {
        bool match = wanted.isEmpty();
        if (!match)
        {
            tarn::Row* row = RowOfLine(line);
            match = row != nullptr && QString::number(row->Id()).contains(wanted);
            for (int c = 0; c < m_searchTable->columnCount() && !match; ++c)
                if (QTableWidgetItem* item = m_searchTable->item(line, c))
                    match = item->text().contains(wanted, Qt::CaseInsensitive);
        }
        m_searchTable->setRowHidden(line, !match);
    }
}

void CTableViewDlg::ChooseSelected()
{
    if (!IsPicker())
        return;
    const int line = m_searchTable->currentRow();
    tarn::Row* row = RowOfLine(line);
    if (row == nullptr || m_searchTable->isRowHidden(line) || !m_searchTable->item(line, 0) ||
        !m_searchTable->item(line, 0)->isSelected())
        return;
    std::vector<int> ids = m_listField ? m_ids : std::vector<int>();
    ids.push_back(row->Id());
    SetIds(m_apply(ids));
    if (m_listField)
        m_chosen->setCurrentRow(m_chosen->count() - 1);
}

void CTableViewDlg::RemoveSelected()
{
    const int index = m_chosen->currentRow();
    if (!IsPicker() || !m_listField || index < 0 || index >= static_cast<int>(m_ids.size()))
        return;
    std::vector<int> ids = m_ids;
    ids.erase(ids.begin() + index);
    SetIds(m_apply(ids));
}

void CTableViewDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    OnShowWindow(true);
}

void CTableViewDlg::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    OnShowWindow(false);
}
