#include "editor/AboutDlg.h"

#include "editor/resource.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
// A tile mosaic: four coloured squares on a dark frame.
QPixmap DrawAppIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x2b, 0x3a, 0x55));
    painter.drawRoundedRect(QRectF(0, 0, size, size), size / 8.0, size / 8.0);
    const qreal margin = size / 8.0;
    const qreal gap = size / 16.0;
    const qreal tile = (size - 2 * margin - gap) / 2;
    const QColor colors[4] = {QColor(0xf2, 0xb1, 0x4a), QColor(0x4f, 0xa3, 0xe0), QColor(0x6c, 0xc0, 0x6c),
                              QColor(0xe0, 0x5a, 0x4f)};
    for (int i = 0; i < 4; ++i)
    {
        painter.setBrush(colors[i]);
        painter.drawRect(
            QRectF(margin + (i % 2) * (tile + gap), margin + (i / 2) * (tile + gap), tile, tile));
    }
    return pixmap;
}
} // namespace

QIcon TesselAppIcon()
{
    // Not cached: pixmaps must not outlive the application object.
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addPixmap(DrawAppIcon(size));
    return icon;
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutDlg"));
    setWindowTitle(QStringLiteral("关于 Tessel"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("AppIcon"));
    icon->setPixmap(TesselAppIcon().pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    auto* version = new QLabel(QStringLiteral("Tessel，1.0 版"), this);
    version->setObjectName(QStringLiteral("VersionLine"));

    auto* versions = new QGroupBox(QStringLiteral("Versions"), this);
    auto* versionsLayout = new QVBoxLayout(versions);
    versionsLayout->addWidget(new QLabel(QStringLiteral("pugixml parser - version 1.0"), versions));
    versionsLayout->addWidget(new QLabel(QStringLiteral("MultiTree"), versions));
    versionsLayout->addStretch(1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(version, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(versions, 1);
    layout->addWidget(buttons);

    // 239 by 147 dialog units of a 9-point dialog font.
    resize(360, 276);
}

CAboutDlg::~CAboutDlg() = default;
