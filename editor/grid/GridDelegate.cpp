#include "editor/grid/GridDelegate.h"

#include "editor/CellVariant.h"
#include "editor/grid/TableModel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

#include <algorithm>

GridDelegate::GridDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QString GridDelegate::Refusal(const QModelIndex& index, const QString& text)
{
    QModelIndex source;
    TableModel* model = TableModel::SourceOf(index, &source);
    if (model == nullptr)
        return QString();
    const tarn::Field* field = model->FieldAt(source.column());
    if (field == nullptr)
        return QString();
    // The text as shown is always taken: it stands for the value the cell holds.
    if (text == model->CellText(source.row(), source.column()))
        return QString();
    return CellInputMessage(ParseCellInput(*field, text));
}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const
{
    Q_UNUSED(option);
    auto* editor = new QLineEdit(parent);
    editor->setObjectName(QStringLiteral("GridCellEditor"));
    editor->setFrame(false);
    editor->setProperty("gridIndex", QVariant::fromValue(QPersistentModelIndex(index)));
    const QVariant alignment = index.data(Qt::TextAlignmentRole);
    if (alignment.isValid())
        editor->setAlignment(Qt::Alignment(alignment.toInt()));
    return editor;
}

void GridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (line == nullptr)
        return;
    // A key that opened the editor has typed its text already; the value goes in only when the
    // editor is fresh.
    if (line->property("gridFilled").toBool())
        return;
    line->setProperty("gridFilled", true);
    line->setText(index.data(TableModel::ValueTextRole).toString());
}

void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    Q_UNUSED(model);
    auto* line = qobject_cast<QLineEdit*>(editor);
    QModelIndex source;
    TableModel* tableModel = TableModel::SourceOf(index, &source);
    if (line == nullptr || tableModel == nullptr)
        return;
    QString why;
    if (!tableModel->SetCellText(source.row(), source.column(), line->text(), &why))
        emit refused(why);
}

bool GridDelegate::eventFilter(QObject* object, QEvent* event)
{
    auto* editor = qobject_cast<QLineEdit*>(object);
    // The focus going to a message box (the refusal being shown) neither commits nor closes the
    // edit; the editor is marked from the refusal until it has the focus again.
    if (editor != nullptr && event->type() == QEvent::FocusIn)
        editor->setProperty("gridRefusing", false);
    if (editor != nullptr && event->type() == QEvent::FocusOut &&
        (editor->property("gridRefusing").toBool() || QApplication::activeModalWidget() != nullptr))
        return false;
    if (editor != nullptr && event->type() == QEvent::KeyPress)
    {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        {
            if (key->modifiers() & Qt::ControlModifier)
            {
                emit fillRequested(editor, editor->text());
                return true;
            }
            const QPersistentModelIndex index = editor->property("gridIndex").value<QPersistentModelIndex>();
            const QString why = Refusal(index, editor->text());
            if (!why.isEmpty())
            {
                // The editor stays open on the refused text.
                editor->setProperty("gridRefusing", true);
                emit refused(why);
                return true;
            }
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

void GridDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    // No glyph of the grid's fonts is narrower than 2 pixels: characters past width / 2 are never
    // seen, and the cut text still runs past the cell's edge.
    const qsizetype shown = std::max(8, option->rect.width() / 2 + 2);
    if (!m_measuring && option->text.size() > shown)
    {
        qsizetype cut = shown;
        if (option->text.at(cut - 1).isHighSurrogate())
            --cut;
        option->text.truncate(cut);
    }
}

QSize GridDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    m_measuring = true;
    const QSize size = QStyledItemDelegate::sizeHint(option, index);
    m_measuring = false;
    return size;
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const
{
    // Covered by the frozen view: painting it would be lost.
    if (std::find(m_covered.begin(), m_covered.end(), index.column()) != m_covered.end())
        return;
    const QVariant parts = index.data(TableModel::LinkPartsRole);
    if (!parts.isValid())
    {
        // The cell without text, then the text in one line, cut at the cell's edge: the style's
        // own text drawing lays the text out twice to elide it.
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        const QWidget* widget = opt.widget;
        QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        if (text.isEmpty())
            return;
        const bool selected = opt.state & QStyle::State_Selected;
        const QRect area =
            style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(2, 0, -2, 0);
        painter->save();
        painter->setFont(opt.font);
        painter->setPen(opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setClipRect(area);
        painter->drawText(area, int(opt.displayAlignment) | Qt::TextSingleLine, text);
        painter->restore();
        return;
    }
    // The cell without text, then the values and names in their colours.
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.text.clear();
    const QWidget* widget = opt.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const bool selected = opt.state & QStyle::State_Selected;
    const QColor normal = opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const QColor grey = selected ? normal : QColor(Qt::gray);
    const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(2, 0, -2, 0);
    const QFontMetrics metrics(opt.font);
    painter->save();
    painter->setFont(opt.font);
    painter->setClipRect(area);
    int x = area.left();
    const auto draw = [&](const QString& text, const QColor& colour)
    {
        painter->setPen(colour);
        painter->drawText(QRect(x, area.top(), area.right() - x + 1, area.height()),
                          Qt::AlignLeft | Qt::AlignVCenter, text);
        x += metrics.horizontalAdvance(text);
    };
    const QVariantList list = parts.toList();
    for (int i = 0; i < list.size() && x <= area.right(); ++i)
    {
        const QVariantList part = list[i].toList();
        if (i > 0)
            draw(QStringLiteral("|"), normal);
        const bool exists = part.value(2).toBool();
        draw(part.value(0).toString(), exists ? normal : QColor(Qt::red));
        const QString name = part.value(1).toString();
        if (!name.isEmpty())
            draw(QStringLiteral(" · ") + name, grey);
    }
    painter->restore();
}
