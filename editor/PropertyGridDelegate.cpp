#include "editor/PropertyGridDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

PropertyGridDelegate::PropertyGridDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

const QStaticText& PropertyGridDelegate::layoutOf(const QString& text, const QFont& font,
                                                  Qt::TextElideMode mode, int width, QSize* size) const
{
    Layout* layout = m_layouts.object(text);
    if (layout == nullptr || layout->font != font)
    {
        layout = new Layout;
        layout->font = font;
        layout->whole.setTextFormat(Qt::PlainText);
        layout->whole.setText(text);
        layout->whole.prepare(QTransform(), font);
        m_layouts.insert(text, layout); // the cache owns it from here
    }
    // The style places a cut text by the whole text's height (a Chinese name cut to "…" stays
    // where the name would be).
    const int height = layout->whole.size().toSize().height();
    if (layout->whole.size().width() <= width || mode == Qt::ElideNone)
    {
        *size = QSize(layout->whole.size().toSize().width(), height);
        return layout->whole;
    }
    if (layout->cutWidth != width)
    {
        layout->cutWidth = width;
        layout->cut.setTextFormat(Qt::PlainText);
        layout->cut.setText(QFontMetrics(font).elidedText(text, mode, width));
        layout->cut.prepare(QTransform(), font);
    }
    *size = QSize(layout->cut.size().toSize().width(), height);
    return layout->cut;
}

void PropertyGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget* widget = opt.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    const QString text = opt.text;
    if (text.isEmpty() || text.contains(QChar::LineSeparator) ||
        (opt.features & QStyleOptionViewItem::WrapText))
    {
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        return;
    }
    // The cell without its text (background, selection, focus), then the text where the style
    // puts it: inside the text rectangle less the focus frame's margin, aligned as the item says.
    opt.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect area =
        style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(margin, 0, -margin, 0);
    if (area.width() <= 0)
        return;
    QSize size;
    const QStaticText& shown = layoutOf(text, opt.font, opt.textElideMode, area.width(), &size);
    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (opt.state & QStyle::State_Active) ? QPalette::Normal
                                                                            : QPalette::Inactive;
    const QRect placed = QStyle::alignedRect(opt.direction, opt.displayAlignment, size, area);
    painter->save();
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(group, (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText
                                                                                  : QPalette::Text));
    painter->setClipRect(opt.rect, Qt::IntersectClip); // as the style clips: to the cell, not its text
    painter->drawStaticText(placed.topLeft(), shown);
    painter->restore();
}
