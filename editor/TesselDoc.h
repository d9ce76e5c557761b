// The editor's single document. It carries no data of its own (all data lives in the table
// list); it gives the main window its title and tracks whether the tables hold changes that
// have not been saved yet.
//
// Owned by the main frame (CMainFrame::GetActiveDocument()).
#pragma once

#include <QObject>
#include <QString>

class CTesselDoc : public QObject
{
    Q_OBJECT

public:
    explicit CTesselDoc(QObject* parent = nullptr);
    ~CTesselDoc() override;

    // The document's title, shown in the window caption.
    QString GetTitle() const { return m_title; }
    void SetTitle(const QString& title);
    // The path the document was opened from; empty for a new document.
    QString GetPathName() const { return m_pathName; }
    // Records `path` and makes its file name the title.
    void SetPathName(const QString& path);

    // Whether the tables were changed since the last successful Save.
    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true);

    // File -> New: gives the document the default title of an unnamed document, then creates a
    // row in the table of the class view's first selected row. Never prompts and never clears
    // anything: the tables stay as they are. Fails only without a main window.
    virtual bool OnNewDocument();
    // File -> Open: succeeds without reading any file; the caller renames the document.
    virtual bool OnOpenDocument(const QString& path);

    // For the panes: marks the document of the application's main window modified (after a
    // cell edit, a new row, a deleted row). Does nothing when there is no main window.
    static void MarkModified();

    // Title of a document that has no name yet.
    static QString UntitledTitle();

signals:
    void titleChanged(const QString& title);
    void modifiedChanged(bool modified);

private:
    QString m_title;
    QString m_pathName;
    bool m_modified = false;
};
