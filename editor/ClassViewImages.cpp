#include "editor/ClassViewImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace classview
{
namespace
{
const QColor kOutline(0x40, 0x40, 0x40);
const QColor kPaper(0xff, 0xff, 0xff);
const QColor kTitle(0x20, 0x50, 0xb0);
const QColor kRoof(0xb0, 0x30, 0x20);
const QColor kWall(0xf0, 0xe0, 0xb0);
const QColor kDoor(0x80, 0x50, 0x20);
const QColor kSea(0x40, 0x80, 0xe0);
const QColor kLand(0x30, 0xa0, 0x40);

// A transparent pixmap of `size` with a painter set up for crisp one-pixel lines.
template <class Draw> QIcon Paint(const QSize& size, Draw draw)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    {
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(kOutline, 1));
        draw(p);
    }
    return QIcon(pixmap);
}

void DrawHouse(QPainter& p)
{
    QPolygonF roof;
    roof << QPointF(0.5, 7.5) << QPointF(8, 0.5) << QPointF(15.5, 7.5);
    p.setBrush(kRoof);
    p.drawPolygon(roof);
    p.setBrush(kWall);
    p.drawRect(QRectF(2.5, 7.5, 11, 7));
    p.setBrush(kDoor);
    p.drawRect(QRectF(6.5, 9.5, 3, 5));
    p.setBrush(kPaper);
    p.drawRect(QRectF(10.5, 9.5, 2, 2));
}

void DrawForm(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(kPaper);
    p.drawRect(0, 0, 15, 14);
    // Title bar.
    p.fillRect(1, 1, 14, 3, kTitle);
    // Three fields: a label and an input box each.
    for (int i = 0; i < 3; ++i)
    {
        const int y = 6 + 3 * i;
        p.setPen(kOutline);
        p.drawLine(2, y, 5, y);
        p.drawRect(7, y - 1, 6, 2);
    }
}

void DrawGlobe(QPainter& p)
{
    const QRectF globe(0.5, 0.5, 12, 12);
    p.setBrush(kSea);
    p.drawEllipse(globe);
    // Land and the lines of longitude and latitude.
    p.setPen(Qt::NoPen);
    p.setBrush(kLand);
    p.drawEllipse(QRectF(3, 2.5, 4, 4));
    p.drawEllipse(QRectF(6.5, 7, 4, 3.5));
    p.setPen(QPen(kPaper, 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(3.5, 0.5, 6, 12));
    p.drawLine(QPointF(6.5, 0.5), QPointF(6.5, 12.5));
    p.drawLine(QPointF(0.5, 6.5), QPointF(12.5, 6.5));
    // The mouse pointer at the bottom right.
    QPolygonF arrow;
    arrow << QPointF(8.5, 6.5) << QPointF(8.5, 14.5) << QPointF(10.5, 12.5) << QPointF(12, 14.8)
          << QPointF(13.3, 14.2) << QPointF(12, 12) << QPointF(14.5, 12);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(kPaper);
    p.drawPolygon(arrow);
}

void DrawMenuButton(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(kPaper);
    p.drawRect(1, 1, 10, 13);
    for (int y = 4; y <= 11; y += 3)
    {
        p.fillRect(3, y, 2, 2, kTitle);
        p.drawLine(6, y + 1, 9, y + 1);
    }
    // A drop-down mark.
    QPolygon mark;
    mark << QPoint(11, 9) << QPoint(15, 9) << QPoint(13, 11);
    p.setBrush(kOutline);
    p.drawPolygon(mark);
}

struct Images
{
    QIcon tree[kImageCount];
    QIcon menuButton;

    Images()
    {
        tree[kImageRoot] = Paint(kTreeImageSize, DrawHouse);
        tree[kImageRow] = Paint(kTreeImageSize, DrawForm);
        tree[kImageTable] = Paint(kTreeImageSize, DrawGlobe);
        menuButton = Paint(QSize(16, 16), DrawMenuButton);
    }
};

// Drawn on first use and never destroyed: pixmaps must not outlive the application object, and
// static destructors run after it is gone.
const Images& AllImages()
{
    static const Images* images = new Images;
    return *images;
}
} // namespace

QIcon TreeImage(int index)
{
    if (index < 0 || index >= kImageCount)
        return QIcon();
    return AllImages().tree[index];
}

QIcon MenuButtonImage()
{
    return AllImages().menuButton;
}

} // namespace classview
