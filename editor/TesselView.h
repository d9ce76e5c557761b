// The view: the main frame's central widget. It shows nothing (all editing happens in the
// panes) and prints an empty page.
//
// Owned by the main frame. Owns the printer it prints to, made on first use.
#pragma once

#include <QWidget>
#include <memory>

class QPainter;
class QPrinter;

class CTesselView : public QWidget
{
    Q_OBJECT

public:
    explicit CTesselView(QWidget* parent = nullptr);
    ~CTesselView() override;

    // The printer that the print commands use, with the settings of the last print or page
    // setup dialog. Made on first use.
    QPrinter* Printer();

    // Draws the view's content: nothing.
    virtual void OnDraw(QPainter* painter);
    // Prints the view on `printer`: one page with OnDraw's content. False when the printer
    // cannot be opened.
    bool OnPrint(QPrinter* printer);

    // Print commands.
    void OnFilePrint();        // print dialog, then print
    void OnFilePrintDirect();  // print at once with the current settings
    void OnFilePrintPreview(); // preview dialog
    void OnFilePageSetup();    // page setup dialog

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ReportPrintFailure();

    std::unique_ptr<QPrinter> m_printer;
};
