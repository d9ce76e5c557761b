#include "editor/TableViewDlg.h"

#include "base/assert.h"
#include "editor/grid/GridView.h"
#include "editor/grid/TableModel.h"
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
#include <QTableView>
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

// The grid's filter, plus the dialog's placeholder "default" in the first column of a row whose
// first cell is missing (the model shows nothing for a missing cell).
class DialogProxy : public GridProxy
{
public:
    using GridProxy::GridProxy;

    QVariant data(const QModelIndex& index, int role) const override
    {
        QVariant value = GridProxy::data(index, role);
        if (index.column() == 0 && !value.isValid() &&
            (role == Qt::DisplayRole || role == Qt::EditRole || role == TableModel::ValueTextRole))
        {
            QModelIndex source;
            const TableModel* model = TableModel::SourceOf(index, &source);
            if (model != nullptr && model->RowAt(source.row()) != nullptr &&
                model->CellAt(source.row(), 0) == nullptr)
                return QStringLiteral("default");
        }
        return value;
    }
};
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

    m_proxy = new DialogProxy(this);
    m_searchTable = new QTableView(this);
    m_searchTable->setObjectName(QStringLiteral("SearchTable"));
    m_searchTable->setModel(m_proxy);
    m_searchTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_searchTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_searchTable->setShowGrid(true);
    m_searchTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_searchTable->setWordWrap(false);
    m_searchTable->verticalHeader()->hide();
    // Rows of one height, so that the view never measures rows it does not show.
    m_searchTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_searchTable->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_searchTable->horizontalHeader()->setStretchLastSection(false);
    connect(m_searchTable, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index)
            {
                if (!IsPicker() || !index.isValid())
                    return;
                m_searchTable->selectRow(index.row());
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

int CTableViewDlg::LineCount() const
{
    return m_model != nullptr ? m_model->rowCount() : 0;
}

tarn::Row* CTableViewDlg::RowOfLine(int line) const
{
    return m_model != nullptr ? m_model->RowAt(line) : nullptr;
}

QModelIndex CTableViewDlg::ViewIndexOfLine(int line, int column) const
{
    if (m_model == nullptr || line < 0 || line >= m_model->rowCount())
        return QModelIndex();
    return m_proxy->mapFromSource(m_model->index(line, column));
}

bool CTableViewDlg::IsLineHidden(int line) const
{
    return !ViewIndexOfLine(line).isValid();
}

void CTableViewDlg::clearTable()
{
    m_proxy->setSourceModel(nullptr);
    delete m_model;
    m_model = nullptr;
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

    // The model shows what there is; rows that do not fit the fields are reported here, once per
    // show, without building any text.
    const int fieldCount = m_viewTable->m_fields.size();
    for (scl::ListNode<tarn::Row>* node = m_viewTable->m_rows.first(); node != nullptr; node = node->next)
    {
        const tarn::Row& row = node->value;
        for (int j = 0; j < row.cells.size(); ++j)
        {
            if (j >= fieldCount)
            {
                Report(92);
                break;
            }
            if (row.cells[j] == nullptr)
                Report(99);
        }
    }

    m_model = new TableModel(m_viewTable, nullptr, this);
    m_proxy->setSourceModel(m_model);
    for (int i = 0; i < fieldCount; ++i)
        m_searchTable->setColumnWidth(i, kColumnWidth);
    if (!show)
        return;
    ApplyFilter(m_filter->text());
    if (IsPicker())
        SelectCurrentTarget();
}

void CTableViewDlg::SelectCurrentTarget()
{
    if (m_ids.empty() || m_model == nullptr)
        return;
    const int target = m_listField && m_chosen->currentRow() >= 0
                           ? m_ids[static_cast<std::size_t>(m_chosen->currentRow())]
                           : m_ids.front();
    for (int line = 0; line < m_model->rowCount(); ++line)
    {
        if (m_model->RowAt(line)->Id() != target)
            continue;
        const QModelIndex index = ViewIndexOfLine(line);
        if (!index.isValid())
            continue;
        m_searchTable->selectRow(index.row());
        m_searchTable->scrollTo(index, QAbstractItemView::PositionAtCenter);
        return;
    }
}

void CTableViewDlg::ApplyFilter(const QString& text)
{
    m_proxy->SetFilter(text.trimmed());
}

void CTableViewDlg::ChooseSelected()
{
    if (!IsPicker() || m_model == nullptr)
        return;
    const QModelIndex current = m_searchTable->currentIndex();
    if (!current.isValid() || !m_searchTable->selectionModel()->isSelected(current.sibling(current.row(), 0)))
        return;
    tarn::Row* row = RowOfLine(m_proxy->mapToSource(current).row());
    if (row == nullptr)
        return;
    std::vector<int> ids = m_listField ? m_ids : std::vector<int>();
    ids.push_back(row->Id());
    SetIds(m_apply(ids));
    if (m_listField)
        m_chosen->setCurrentRow(m_chosen->count() - 1);
    // A table that links to itself has just changed a cell the view may show.
    m_searchTable->viewport()->update();
}

void CTableViewDlg::RemoveSelected()
{
    const int index = m_chosen->currentRow();
    if (!IsPicker() || !m_listField || index < 0 || index >= static_cast<int>(m_ids.size()))
        return;
    std::vector<int> ids = m_ids;
    ids.erase(ids.begin() + index);
    SetIds(m_apply(ids));
    m_searchTable->viewport()->update();
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
