// The about box "关于 Tessel": the application icon, the version line and the components.
#pragma once

#include <QDialog>
#include <QIcon>

class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;
};

// The application's icon, drawn in 16, 32 and 48 pixels.
QIcon TesselAppIcon();
