#include "editor/TesselView.h"

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
