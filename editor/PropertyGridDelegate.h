// Paints the property grid's cells with each text laid out once. Showing another row repaints
// the whole grid (the "被引用" group comes and goes with the row), and laying out the same names
// and values again on every repaint was most of a caret move's time. A text's layout
// (QStaticText) is kept while the same text is shown in the same font, and its cut form for
// the width it was cut to. Texts of several lines are left to the style.
//
// Owned by the grid's tree widget. GUI thread only.
#pragma once

#include <QCache>
#include <QFont>
#include <QStaticText>
#include <QStyledItemDelegate>

class PropertyGridDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit PropertyGridDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // How many texts are kept laid out (the names and values of a few rows' worth of tables).
    static constexpr int kKeptTexts = 2048;

private:
    struct Layout
    {
        QFont font;
        QStaticText whole;
        int cutWidth = -1; // the width `cut` was made for; -1 when none
        QStaticText cut;
    };
    // The laid-out text for `text` in `font`, cut (elided as `mode` says) to `width`; `size` is
    // what the text is aligned by: the shown text's width, the whole text's height.
    const QStaticText& layoutOf(const QString& text, const QFont& font, Qt::TextElideMode mode, int width,
                                QSize* size) const;

    mutable QCache<QString, Layout> m_layouts{kKeptTexts};
};
