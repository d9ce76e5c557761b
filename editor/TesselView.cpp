#include "editor/TesselView.h"

#include "editor/AppSettings.h"
#include "editor/TesselDoc.h"
#include "editor/grid/GridView.h"
#include "tool/table.h"
#include "tool/tables.h"

#include <QDir>
#include <QTabWidget>
#include <QVBoxLayout>

#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

CTesselView::CTesselView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TesselView"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("GridTabs"));
    m_tabs->setTabsClosable(true);
    m_tabs->setDocumentMode(true);
    m_tabs->setMovable(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
    connect(m_tabs, &QTabWidget::tabCloseRequested, this, &CTesselView::CloseTab);
}

void CTesselView::SetDocument(CTesselDoc* document)
{
    if (m_document != nullptr)
        disconnect(m_document, nullptr, this, nullptr);
    m_document = document;
    if (m_document == nullptr)
        return;
    connect(m_document, &CTesselDoc::openTableRequested, this, &CTesselView::OpenTable);
    connect(m_document, &CTesselDoc::tablesReloaded, this,
            [this]()
            {
                // The grids point at the tables that were replaced.
                CloseAllTabs();
                RestoreTabs();
            });
}

CGridView* CTesselView::GridOf(const tarn::editor::Table* table) const
{
    for (int i = 0; i < m_tabs->count(); ++i)
        if (auto* grid = qobject_cast<CGridView*>(m_tabs->widget(i)); grid != nullptr && grid->Table() == table)
            return grid;
    return nullptr;
}

CGridView* CTesselView::CurrentGrid() const
{
    return qobject_cast<CGridView*>(m_tabs->currentWidget());
}

CGridView* CTesselView::AddTab(tarn::editor::Table* table)
{
    auto* grid = new CGridView(table, m_document, m_tabs);
    const int index = m_tabs->addTab(grid, QString::fromUtf16(table->m_label.c_str()));
    m_tabs->setTabToolTip(index, QDir::toNativeSeparators(QDir::current().absoluteFilePath(
                                     QString::fromUtf16(table->m_fileName.c_str()))));
    return grid;
}

CGridView* CTesselView::OpenTable(tarn::editor::Table* table)
{
    if (table == nullptr)
        return nullptr;
    CGridView* grid = GridOf(table);
    if (grid == nullptr)
    {
        grid = AddTab(table);
        SaveTabs();
    }
    m_tabs->setCurrentWidget(grid);
    grid->setFocus();
    if (m_document != nullptr)
        grid->ShowRow(m_document->CurrentRow());
    return grid;
}

void CTesselView::CloseTab(int index)
{
    QWidget* page = m_tabs->widget(index);
    if (page == nullptr)
        return;
    m_tabs->removeTab(index);
    delete page;
    SaveTabs();
}

void CTesselView::CloseAllTabs()
{
    while (m_tabs->count() > 0)
    {
        QWidget* page = m_tabs->widget(0);
        // After a reload the grid's table is gone already: its views must not ask it anything
        // while the tab goes (hiding the page updates the headers).
        if (auto* grid = qobject_cast<CGridView*>(page))
            grid->DetachViews();
        m_tabs->removeTab(0);
        delete page;
    }
}

QStringList CTesselView::OpenTableFiles() const
{
    QStringList files;
    for (int i = 0; i < m_tabs->count(); ++i)
        if (auto* grid = qobject_cast<CGridView*>(m_tabs->widget(i)); grid != nullptr && grid->Table() != nullptr)
            files << QString::fromUtf16(grid->Table()->m_fileName.c_str());
    return files;
}

QString CTesselView::TabsKey() const
{
    if (m_document == nullptr || m_document->GetPathName().isEmpty())
        return QString();
    // A path holds "/", which the settings read as groups: the key is the path in base64.
    const QByteArray path = QDir::cleanPath(m_document->GetPathName()).toUtf8();
    return QStringLiteral("GridTabs/") +
           QString::fromLatin1(path.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

void CTesselView::SaveTabs()
{
    const QString key = TabsKey();
    if (key.isEmpty())
        return;
    const QStringList files = OpenTableFiles();
    AppSettings settings;
    if (files.isEmpty())
        settings.remove(key);
    else
        settings.setValue(key, files);
}

void CTesselView::RestoreTabs()
{
    const QString key = TabsKey();
    if (key.isEmpty())
        return;
    const QStringList files = AppSettings().value(key).toStringList();
    for (const QString& file : files)
    {
        tarn::editor::Table* table = TableList::instance()->find(file.toStdU16String().c_str());
        if (table != nullptr && GridOf(table) == nullptr)
            AddTab(table);
    }
    if (m_tabs->count() > 0)
        m_tabs->setCurrentIndex(0);
}

CTesselView::~CTesselView() = default;

QPrinter* CTesselView::Printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return m_printer.get();
}

void CTesselView::OnDraw(QPainter* painter)
{
    Q_UNUSED(painter);
}

bool CTesselView::OnPrint(QPrinter* printer)
{
    QPainter painter;
    if (!painter.begin(printer))
        return false;
    OnDraw(&painter);
    return painter.end();
}

void CTesselView::OnFilePrint()
{
    QPrintDialog dialog(Printer(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!OnPrint(Printer()))
        ReportPrintFailure();
}

void CTesselView::OnFilePrintDirect()
{
    if (!OnPrint(Printer()))
        ReportPrintFailure();
}

void CTesselView::OnFilePrintPreview()
{
    QPrintPreviewDialog dialog(Printer(), this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { OnPrint(printer); });
    dialog.exec();
}

void CTesselView::OnFilePageSetup()
{
    QPageSetupDialog dialog(Printer(), this);
    dialog.exec();
}

void CTesselView::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    OnDraw(&painter);
}

void CTesselView::ReportPrintFailure()
{
    const QString printerName = Printer()->printerName();
    QMessageBox::warning(this, QStringLiteral("Tessel"),
                         printerName.isEmpty() ? QStringLiteral("无法打印：没有可用的打印机。")
                                               : QStringLiteral("无法在打印机 %1 上打印。").arg(printerName));
}
