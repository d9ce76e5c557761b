#include "editor/TableViewDlg.h"

#include "base/assert.h"
#include "tool/cell.h"
#include "tool/row.h"
#include "tool/table.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

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
    setWindowTitle(QStringLiteral("关于 Tessel"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("AppIcon"));
    icon->setPixmap(QGuiApplication::windowIcon().pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    auto* version = new QLabel(QStringLiteral("Tessel，1.0 版"), this);
    version->setObjectName(QStringLiteral("VersionLine"));

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

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(version, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_searchTable, 1);
    layout->addWidget(buttons);

    // 287 by 169 dialog units of a 9-point dialog font.
    resize(431, 317);
}

CTableViewDlg::~CTableViewDlg() = default;

void CTableViewDlg::clearTable()
{
    m_searchTable->setRowCount(0);
    for (int column = m_searchTable->horizontalHeader()->count() - 1; column >= 0; --column)
        m_searchTable->removeColumn(column);
}

void CTableViewDlg::OnShowWindow(bool show)
{
    Q_UNUSED(show); // the list is filled on hiding as well
    if (m_viewTable == nullptr)
    {
        Report(42);
        return;
    }
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

    int line = 0;
    for (tarn::Row& row : m_viewTable->m_rows)
    {
        m_searchTable->insertRow(line);
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
