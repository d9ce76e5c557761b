// The view: the main frame's central widget. It holds one tab per open table (a grid, CGridView):
// closable tabs labelled with the table's label, the data file as tooltip. A table opens when the
// document asks for it (the class view's double-click or Enter). The open tabs are remembered per
// data directory in the settings ("GridTabs/<directory>") and reopened with the directory. It
// prints an empty page.
//
// Owned by the main frame. Owns the printer it prints to, made on first use, and its tabs' grids.
// Follows the document given by SetDocument, which outlives it.
#pragma once

#include <QStringList>
#include <QWidget>
#include <memory>

class CGridView;
class CTesselDoc;
class QPainter;
class QPrinter;
class QTabWidget;
namespace tarn
{
namespace editor
{
class Table;
}
} // namespace tarn

class CTesselView : public QWidget
{
    Q_OBJECT

public:
    explicit CTesselView(QWidget* parent = nullptr);
    ~CTesselView() override;

    // The document whose tables the tabs show; set once by the frame.
    void SetDocument(CTesselDoc* document);

    QTabWidget* Tabs() const { return m_tabs; }
    // Shows the tab of `table`, opening it first when there is none; remembers the open tabs.
    CGridView* OpenTable(tarn::editor::Table* table);
    // The grid of `table`; null when it has no tab.
    CGridView* GridOf(const tarn::editor::Table* table) const;
    // The grid of the current tab; null when there is none.
    CGridView* CurrentGrid() const;
    // Closes the tab at `index` (its close button) and remembers the tabs left.
    void CloseTab(int index);
    // The data file names of the open tabs, in tab order.
    QStringList OpenTableFiles() const;
    // Opens the tabs remembered for the document's data directory (tables no longer in the list are
    // skipped); the first becomes current.
    void RestoreTabs();

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
    CGridView* AddTab(tarn::editor::Table* table);
    void CloseAllTabs();
    void SaveTabs();
    QString TabsKey() const;

    std::unique_ptr<QPrinter> m_printer;
    CTesselDoc* m_document = nullptr;
    QTabWidget* m_tabs = nullptr;
};
