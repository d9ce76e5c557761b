#include "editor/TesselDoc.h"

#include "editor/ClassView.h"
#include "editor/MainFrame.h"

#include <QFileInfo>

CTesselDoc::CTesselDoc(QObject* parent) : QObject(parent) {}

CTesselDoc::~CTesselDoc() = default;

void CTesselDoc::SetTitle(const QString& title)
{
    if (title == m_title)
        return;
    m_title = title;
    emit titleChanged(m_title);
}

void CTesselDoc::SetPathName(const QString& path)
{
    m_pathName = path;
    const QString fileName = QFileInfo(path).fileName();
    SetTitle(fileName.isEmpty() ? path : fileName);
}

void CTesselDoc::SetModifiedFlag(bool modified)
{
    if (modified == m_modified)
        return;
    m_modified = modified;
    emit modifiedChanged(m_modified);
}

bool CTesselDoc::OnNewDocument()
{
    CMainFrame* frame = GetMainFrame();
    if (!frame)
        return false;
    m_pathName.clear();
    SetTitle(UntitledTitle());
    frame->m_classView.CreateRow();
    return true;
}

bool CTesselDoc::OnOpenDocument(const QString& path)
{
    Q_UNUSED(path);
    return true;
}

void CTesselDoc::MarkModified()
{
    if (CMainFrame* frame = GetMainFrame())
        frame->GetActiveDocument()->SetModifiedFlag(true);
}

QString CTesselDoc::UntitledTitle()
{
    return QStringLiteral("无标题");
}
