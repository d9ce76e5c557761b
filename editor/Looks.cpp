#include "editor/Looks.h"

#include "editor/resource.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QStyle>
#include <QStyleFactory>

namespace
{
struct LookColors
{
    QColor window; // frame, bars, dialogs
    QColor button;
    QColor base; // text fields, trees, grids
    QColor alternateBase;
    QColor text;      // on window and base
    QColor highlight; // selection
    QColor highlightedText;
    QColor toolTipBase;
    QColor link;
};

QPalette MakePalette(const LookColors& c)
{
    // QPalette derives light, midlight, mid, dark and shadow from the button colour.
    QPalette palette(c.button, c.window);
    palette.setColor(QPalette::WindowText, c.text);
    palette.setColor(QPalette::ButtonText, c.text);
    palette.setColor(QPalette::Text, c.text);
    palette.setColor(QPalette::Base, c.base);
    palette.setColor(QPalette::AlternateBase, c.alternateBase);
    palette.setColor(QPalette::Highlight, c.highlight);
    palette.setColor(QPalette::HighlightedText, c.highlightedText);
    palette.setColor(QPalette::ToolTipBase, c.toolTipBase);
    palette.setColor(QPalette::ToolTipText, QColor(0, 0, 0));
    palette.setColor(QPalette::Link, c.link);
    palette.setColor(QPalette::PlaceholderText, c.text.lighter(250));
    const QColor disabledText = c.window.lightness() < 128 ? c.window.lighter(200) : c.window.darker(160);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabledText);
    return palette;
}

// The Windows style exists in every Qt build on the desktop; fall back to Fusion if not.
QString AvailableStyle(const QString& wanted)
{
    const QStringList keys = QStyleFactory::keys();
    for (const QString& key : keys)
        if (key.compare(wanted, Qt::CaseInsensitive) == 0)
            return key;
    return QStringLiteral("Fusion");
}
} // namespace

bool IsApplicationLookId(int id)
{
    return id >= ID_VIEW_APPLOOK_FIRST && id <= ID_VIEW_APPLOOK_LAST;
}

ApplicationLook BuildApplicationLook(int id)
{
    if (!IsApplicationLookId(id))
        id = kDefaultApplicationLook;

    ApplicationLook look;
    look.id = id;
    LookColors c;
    c.text = QColor(0, 0, 0);
    c.highlightedText = QColor(255, 255, 255);
    c.base = QColor(255, 255, 255);
    c.toolTipBase = QColor(255, 255, 225);
    c.link = QColor(0, 0, 255);
    QString style = QStringLiteral("Fusion");

    switch (id)
    {
    case ID_VIEW_APPLOOK_WIN_2000: // classic grey, navy selection
        look.menuText = QStringLiteral("Windows 2000(&2)");
        style = QStringLiteral("Windows");
        c.window = c.button = QColor(0xd4, 0xd0, 0xc8);
        c.alternateBase = QColor(0xf0, 0xf0, 0xf0);
        c.highlight = QColor(0x0a, 0x24, 0x6a);
        break;
    case ID_VIEW_APPLOOK_OFF_XP: // light bars, pale blue selection with dark text
        look.menuText = QStringLiteral("Office XP(&X)");
        style = QStringLiteral("Windows");
        c.window = QColor(0xf7, 0xf6, 0xf3);
        c.button = QColor(0xec, 0xe9, 0xe2);
        c.alternateBase = QColor(0xf7, 0xf6, 0xf3);
        c.highlight = QColor(0xb6, 0xbd, 0xd2);
        c.highlightedText = QColor(0, 0, 0);
        break;
    case ID_VIEW_APPLOOK_WIN_XP: // beige, bright blue selection
        look.menuText = QStringLiteral("Windows XP(&W)");
        c.window = c.button = QColor(0xec, 0xe9, 0xd8);
        c.alternateBase = QColor(0xf5, 0xf4, 0xea);
        c.highlight = QColor(0x31, 0x6a, 0xc5);
        break;
    case ID_VIEW_APPLOOK_OFF_2003: // blue bars, orange selection
        look.menuText = QStringLiteral("Office 2003(&3)");
        c.window = QColor(0xc3, 0xda, 0xf9);
        c.button = QColor(0xd8, 0xe7, 0xfc);
        c.alternateBase = QColor(0xee, 0xf4, 0xfd);
        c.highlight = QColor(0xff, 0xc0, 0x6f);
        c.highlightedText = QColor(0, 0, 0);
        break;
    case ID_VIEW_APPLOOK_VS_2005: // warm grey, light blue selection
        look.menuText = QStringLiteral("Visual Studio.NET 2005(&5)");
        c.window = QColor(0xee, 0xed, 0xe5);
        c.button = QColor(0xf5, 0xf4, 0xee);
        c.alternateBase = QColor(0xf7, 0xf7, 0xf3);
        c.highlight = QColor(0xc1, 0xd2, 0xee);
        c.highlightedText = QColor(0, 0, 0);
        break;
    case ID_VIEW_APPLOOK_OFF_2007_BLUE:
        look.menuText = QStringLiteral("蓝色样式(&B)");
        c.window = QColor(0xbf, 0xdb, 0xff);
        c.button = QColor(0xd5, 0xe5, 0xfa);
        c.alternateBase = QColor(0xe9, 0xf1, 0xfc);
        c.highlight = QColor(0xff, 0xe3, 0x8a);
        c.highlightedText = QColor(0, 0, 0);
        c.text = QColor(0x15, 0x42, 0x8b);
        break;
    case ID_VIEW_APPLOOK_OFF_2007_BLACK:
        look.menuText = QStringLiteral("黑色样式(&L)");
        c.window = QColor(0x53, 0x53, 0x53);
        c.button = QColor(0x6a, 0x6a, 0x6a);
        c.base = QColor(0x3c, 0x3c, 0x3c);
        c.alternateBase = QColor(0x46, 0x46, 0x46);
        c.text = QColor(0xf0, 0xf0, 0xf0);
        c.highlight = QColor(0xf2, 0xb1, 0x4a);
        c.highlightedText = QColor(0, 0, 0);
        c.link = QColor(0x8a, 0xb4, 0xf8);
        break;
    case ID_VIEW_APPLOOK_OFF_2007_SILVER:
        look.menuText = QStringLiteral("银色样式(&S)");
        c.window = QColor(0xd0, 0xd4, 0xdd);
        c.button = QColor(0xe4, 0xe7, 0xec);
        c.alternateBase = QColor(0xee, 0xf0, 0xf3);
        c.highlight = QColor(0xff, 0xd9, 0x7a);
        c.highlightedText = QColor(0, 0, 0);
        c.text = QColor(0x4c, 0x53, 0x5c);
        break;
    case ID_VIEW_APPLOOK_OFF_2007_AQUA:
        look.menuText = QStringLiteral("水绿色样式(&A)");
        c.window = QColor(0xc9, 0xdf, 0xe4);
        c.button = QColor(0xdc, 0xeb, 0xee);
        c.alternateBase = QColor(0xec, 0xf5, 0xf6);
        c.highlight = QColor(0x8c, 0xd3, 0xd7);
        c.highlightedText = QColor(0, 0, 0);
        c.text = QColor(0x1f, 0x4d, 0x5a);
        break;
    default:
        break;
    }

    look.styleName = AvailableStyle(style);
    look.palette = MakePalette(c);
    return look;
}

void ApplyApplicationLook(const ApplicationLook& look)
{
    if (QStyle* style = QStyleFactory::create(look.styleName))
        QApplication::setStyle(style);
    QApplication::setPalette(look.palette);
    // Windows learn of a new application palette only when the event loop runs next; tell them
    // now, so that widgets made right after this (the frame's bars) are made in the new look.
    for (QWidget* window : QApplication::topLevelWidgets())
    {
        QEvent change(QEvent::ApplicationPaletteChange);
        QApplication::sendEvent(window, &change);
    }
}
