#include "editor/ToolbarImages.h"

#include "editor/resource.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace
{
const QColor kOutline(0x40, 0x40, 0x40);
const QColor kPaper(0xff, 0xff, 0xff);
const QColor kFolder(0xf0, 0xc0, 0x50);
const QColor kBlue(0x30, 0x60, 0xb0);

void DrawPage(QPainter& p, const QRectF& r)
{
    QPainterPath page;
    const qreal fold = 4;
    page.moveTo(r.left(), r.top());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.right(), r.bottom());
    page.lineTo(r.left(), r.bottom());
    page.closeSubpath();
    p.setBrush(kPaper);
    p.drawPath(page);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void DrawNew(QPainter& p)
{
    DrawPage(p, QRectF(3.5, 1.5, 10, 13));
    p.setPen(QPen(QColor(0xe0, 0xa0, 0x00), 1.5));
    p.drawLine(QPointF(3, 3), QPointF(7, 3));
    p.drawLine(QPointF(5, 1), QPointF(5, 5));
}

void DrawOpen(QPainter& p)
{
    p.setBrush(kFolder.darker(115));
    p.drawRect(QRectF(1.5, 3.5, 12, 10));
    p.setBrush(kFolder);
    QPainterPath front;
    front.moveTo(1.5, 13.5);
    front.lineTo(4.5, 7.5);
    front.lineTo(15.5, 7.5);
    front.lineTo(12.5, 13.5);
    front.closeSubpath();
    p.drawPath(front);
}

void DrawSave(QPainter& p)
{
    p.setBrush(kBlue);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(kPaper);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(0xc0, 0xc0, 0xc0));
    p.drawRect(QRectF(4.5, 9.5, 7, 5));
}

void DrawCut(QPainter& p)
{
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(4.5, 12), 2.5, 2.5);
    p.drawEllipse(QPointF(11.5, 12), 2.5, 2.5);
    p.drawLine(QPointF(6, 10), QPointF(11, 1.5));
    p.drawLine(QPointF(10, 10), QPointF(5, 1.5));
}

void DrawCopy(QPainter& p)
{
    DrawPage(p, QRectF(1.5, 1.5, 8, 10));
    DrawPage(p, QRectF(6.5, 4.5, 8, 10));
}

void DrawPaste(QPainter& p)
{
    p.setBrush(QColor(0xb0, 0x80, 0x40));
    p.drawRect(QRectF(1.5, 2.5, 10, 12));
    p.setBrush(QColor(0xc0, 0xc0, 0xc0));
    p.drawRect(QRectF(4.5, 1.5, 4, 3));
    DrawPage(p, QRectF(7.5, 6.5, 7, 8));
}

void DrawPrint(QPainter& p)
{
    DrawPage(p, QRectF(4.5, 1.5, 7, 6));
    p.setBrush(QColor(0xc0, 0xc0, 0xc0));
    p.drawRect(QRectF(1.5, 7.5, 13, 5));
    p.setBrush(kPaper);
    p.drawRect(QRectF(4.5, 10.5, 7, 4));
}

void DrawAbout(QPainter& p)
{
    p.setBrush(kBlue);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(kPaper);
    QFont font = p.font();
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, QStringLiteral("?"));
}

QPixmap Render(int id, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 16.0, size / 16.0);
    p.setPen(QPen(kOutline, 1));
    switch (id)
    {
    case ID_FILE_NEW:
        DrawNew(p);
        break;
    case ID_FILE_OPEN:
        DrawOpen(p);
        break;
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_MENU:
        DrawSave(p);
        break;
    case ID_EDIT_CUT:
        DrawCut(p);
        break;
    case ID_EDIT_COPY:
        DrawCopy(p);
        break;
    case ID_EDIT_PASTE:
        DrawPaste(p);
        break;
    case ID_FILE_PRINT:
        DrawPrint(p);
        break;
    case ID_APP_ABOUT:
        DrawAbout(p);
        break;
    default:
        break;
    }
    return pixmap;
}
} // namespace

QIcon CommandIcon(int id)
{
    switch (id)
    {
    case ID_FILE_NEW:
    case ID_FILE_OPEN:
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_MENU:
    case ID_EDIT_CUT:
    case ID_EDIT_COPY:
    case ID_EDIT_PASTE:
    case ID_FILE_PRINT:
    case ID_APP_ABOUT:
        break;
    default:
        return QIcon();
    }
    QIcon icon;
    for (int size : {16, 24, 32})
        icon.addPixmap(Render(id, size));
    return icon;
}
