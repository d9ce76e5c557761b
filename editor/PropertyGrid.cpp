#include "editor/PropertyGrid.h"

#include "editor/PropertyGridDelegate.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>

namespace
{

constexpr int kItemRole = Qt::UserRole;

// Sign and magnitude of an optionally signed run of ASCII decimal digits; false for anything
// else, including a magnitude beyond 64 bits.
bool ParseDecimal(const QString& text, bool* negative, quint64* magnitude)
{
    int i = 0;
    *negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        *negative = text[i++] == QLatin1Char('-');
    if (i == text.size())
        return false;
    quint64 value = 0;
    for (; i < text.size(); ++i)
    {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        const quint64 digit = c - u'0';
        if (value > (std::numeric_limits<quint64>::max() - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    *magnitude = value;
    return true;
}

// The signed value of sign and magnitude if it lies in [minimum, maximum].
bool SignedInRange(bool negative, quint64 magnitude, qint64 minimum, qint64 maximum, qint64* result)
{
    if (!negative)
    {
        if (magnitude > static_cast<quint64>(maximum))
            return false;
        *result = static_cast<qint64>(magnitude);
        return true;
    }
    if (magnitude == 0)
    {
        *result = 0;
        return true;
    }
    // -minimum computed without overflow for the most negative value.
    const quint64 limit = static_cast<quint64>(-(minimum + 1)) + 1;
    if (magnitude > limit)
        return false;
    *result = -static_cast<qint64>(magnitude - 1) - 1;
    return true;
}

} // namespace

// ---- Tree --------------------------------------------------------------------------------------

// The tree behind the grid: routes the keys and clicks that start an edit, and tells the grid
// whenever its geometry changes so the editor and the button follow their cell.
class PropertyGridTree : public QTreeWidget
{
public:
    explicit PropertyGridTree(PropertyGrid* grid) : QTreeWidget(grid), m_grid(grid) {}

    static PropertyGridItem* itemOf(const QTreeWidgetItem* treeItem)
    {
        return treeItem ? reinterpret_cast<PropertyGridItem*>(treeItem->data(0, kItemRole).value<quintptr>())
                        : nullptr;
    }

    QRect cellRect(QTreeWidgetItem* treeItem, int column) const
    {
        return treeItem ? visualRect(indexFromItem(treeItem, column)) : QRect();
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        switch (event->key())
        {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F2:
            if (QTreeWidgetItem* current = currentItem())
            {
                PropertyGridItem* item = itemOf(current);
                if (item && item->isGroup())
                    current->setExpanded(!current->isExpanded());
                else
                    m_grid->editItem(item);
                event->accept();
                return;
            }
            break;
        default:
            break;
        }
        QTreeWidget::keyPressEvent(event);
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        const QPoint pos = event->position().toPoint();
        QTreeWidgetItem* before = currentItem();
        QTreeWidgetItem* hit = itemAt(pos);
        const int column = columnAt(pos.x());
        QTreeWidget::mousePressEvent(event);
        // A click on the value of the property that was already selected edits it.
        if (event->button() == Qt::LeftButton && hit && hit == before && hit == currentItem() && column == 1)
        {
            PropertyGridItem* item = itemOf(hit);
            if (item && !item->isGroup())
                m_grid->editItem(item);
        }
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        PropertyGridItem* item = itemOf(itemAt(event->position().toPoint()));
        if (event->button() == Qt::LeftButton && item && !item->isGroup())
        {
            m_grid->editItem(item);
            event->accept();
            return;
        }
        QTreeWidget::mouseDoubleClickEvent(event); // a group toggles
    }

    void updateGeometries() override
    {
        QTreeWidget::updateGeometries();
        m_grid->placeInPlaceWidgets();
    }

    void scrollContentsBy(int dx, int dy) override
    {
        QTreeWidget::scrollContentsBy(dx, dy);
        m_grid->placeInPlaceWidgets();
    }

private:
    PropertyGrid* m_grid;
};

// ---- PropertyGridItem --------------------------------------------------------------------------

PropertyGridItem::PropertyGridItem(const QString& groupName) : m_name(groupName), m_isGroup(true) {}

PropertyGridItem::PropertyGridItem(const QString& name, const QVariant& value, const QString& description,
                                   quintptr data)
    : m_name(name), m_description(description), m_value(value), m_originalValue(value), m_data(data)
{
}

PropertyGridItem::~PropertyGridItem()
{
    if (m_grid && m_grid->m_editItem == this)
        m_grid->closeEditor();
    for (PropertyGridItem* sub : m_subItems)
        delete sub;
}

void PropertyGridItem::setName(const QString& name)
{
    m_name = name;
    redraw();
}

void PropertyGridItem::setDescription(const QString& description)
{
    m_description = description;
    if (m_grid && m_grid->currentItem() == this)
        m_grid->updateDescription();
}

bool PropertyGridItem::setValue(const QVariant& value)
{
    if (m_isGroup || value.metaType() != m_value.metaType())
        return false;
    m_value = value;
    redraw();
    return true;
}

bool PropertyGridItem::setOriginalValue(const QVariant& value)
{
    if (m_isGroup || value.metaType() != m_value.metaType())
        return false;
    m_originalValue = value;
    redraw();
    return true;
}

void PropertyGridItem::setHasButton(bool hasButton)
{
    m_hasButton = hasButton;
    if (m_grid)
        m_grid->placeInPlaceWidgets();
}

void PropertyGridItem::setAllowEdit(bool allowEdit)
{
    m_allowEdit = allowEdit;
    if (!allowEdit && m_grid && m_grid->m_editItem == this)
        m_grid->endEditItem(false);
}

void PropertyGridItem::setButtonPressed(bool pressed)
{
    m_buttonPressed = pressed;
    redraw();
}

void PropertyGridItem::redraw()
{
    if (m_grid)
        m_grid->refreshRow(this);
}

bool PropertyGridItem::addSubItem(PropertyGridItem* item)
{
    if (!m_isGroup || !item || item == this || item->m_parent || item->m_grid)
        return false;
    m_subItems.push_back(item);
    item->m_parent = this;
    if (m_grid)
    {
        item->attach(m_grid);
        if (m_grid->m_alphabetic || !m_treeItem)
            m_grid->rebuildTree();
        else
            m_treeItem->addChild(m_grid->createTreeItem(item));
    }
    return true;
}

PropertyGridItem* PropertyGridItem::subItem(int index) const
{
    return index >= 0 && index < subItemCount() ? m_subItems[static_cast<std::size_t>(index)] : nullptr;
}

void PropertyGridItem::setExpanded(bool expanded)
{
    m_expanded = expanded;
    if (m_treeItem)
        m_treeItem->setExpanded(expanded);
}

QLineEdit* PropertyGridItem::inPlaceEditor() const
{
    return m_grid && m_grid->m_editItem == this ? m_grid->m_editor.data() : nullptr;
}

QString PropertyGridItem::formatValue() const
{
    return formatVariant(m_value);
}

bool PropertyGridItem::onUpdateValue()
{
    QLineEdit* editor = inPlaceEditor();
    if (!editor)
        return false;
    const QString text = editor->text();
    // Text left as it was shown keeps the exact value ("%f" does not show every float exactly).
    if (text == m_grid->m_editStartText)
        return true;
    QVariant parsed;
    if (!parseEditText(text, &parsed))
        return false;
    if (parsed != m_value)
    {
        m_value = parsed;
        redraw();
        m_grid->onPropertyChanged(this);
    }
    return true;
}

bool PropertyGridItem::parseEditText(const QString& text, QVariant* result)
{
    return parseValue(text, valueType(), result);
}

void PropertyGridItem::onClickButton(const QPoint&) {}

bool PropertyGridItem::parseValue(const QString& text, int type, QVariant* result)
{
    bool negative = false;
    quint64 magnitude = 0;
    qint64 signedValue = 0;
    switch (type)
    {
    case QMetaType::Int:
        if (!ParseDecimal(text.trimmed(), &negative, &magnitude) ||
            !SignedInRange(negative, magnitude, std::numeric_limits<qint32>::min(),
                           std::numeric_limits<qint32>::max(), &signedValue))
            return false;
        *result = QVariant(static_cast<int>(signedValue));
        return true;
    case QMetaType::UInt:
        if (!ParseDecimal(text.trimmed(), &negative, &magnitude) || (negative && magnitude != 0) ||
            magnitude > std::numeric_limits<quint32>::max())
            return false;
        *result = QVariant(static_cast<uint>(magnitude));
        return true;
    case QMetaType::LongLong:
        if (!ParseDecimal(text.trimmed(), &negative, &magnitude) ||
            !SignedInRange(negative, magnitude, std::numeric_limits<qint64>::min(),
                           std::numeric_limits<qint64>::max(), &signedValue))
            return false;
        *result = QVariant(static_cast<qlonglong>(signedValue));
        return true;
    case QMetaType::ULongLong:
        if (!ParseDecimal(text.trimmed(), &negative, &magnitude) || (negative && magnitude != 0))
            return false;
        *result = QVariant(static_cast<qulonglong>(magnitude));
        return true;
    case QMetaType::Float:
    {
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::RejectGroupSeparator);
        bool ok = false;
        const float value = c.toFloat(text.trimmed(), &ok);
        if (!ok || !std::isfinite(value))
            return false;
        *result = QVariant(value);
        return true;
    }
    case QMetaType::QString:
        *result = QVariant(text);
        return true;
    case QMetaType::UnknownType:
        return false;
    default:
    {
        QVariant converted(text);
        if (!converted.convert(QMetaType(type)))
            return false;
        *result = converted;
        return true;
    }
    }
}

QString PropertyGridItem::formatVariant(const QVariant& value)
{
    switch (value.metaType().id())
    {
    case QMetaType::Int:
        return QString::number(value.toInt());
    case QMetaType::UInt:
        return QString::number(value.toUInt());
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::ULongLong:
        return QString::number(value.toULongLong());
    case QMetaType::Float:
    {
        char text[64];
        std::snprintf(text, sizeof(text), "%f", static_cast<double>(value.value<float>()));
        return QString::fromLatin1(text);
    }
    case QMetaType::UnknownType:
        return QString();
    default:
        return value.toString();
    }
}

void PropertyGridItem::attach(PropertyGrid* grid)
{
    m_grid = grid;
    for (PropertyGridItem* sub : m_subItems)
        sub->attach(grid);
}

// ---- PropertyGrid ------------------------------------------------------------------------------

PropertyGrid::PropertyGrid(QWidget* parent) : QWidget(parent)
{
    m_tree = new PropertyGridTree(this);
    m_tree->setColumnCount(2);
    m_tree->setItemDelegate(new PropertyGridDelegate(m_tree));
    m_tree->setHeaderLabels({QStringLiteral("Property"), QStringLiteral("Value")});
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tree->setUniformRowHeights(true);
    m_tree->setAllColumnsShowFocus(true);
    m_tree->setExpandsOnDoubleClick(true);
    m_tree->header()->setMinimumSectionSize(1);
    m_tree->header()->setStretchLastSection(true);
    m_tree->header()->setSectionsMovable(false);

    m_description = new QLabel(this);
    m_description->setTextFormat(Qt::RichText);
    m_description->setWordWrap(true);
    m_description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_description->setFrameShape(QFrame::StyledPanel);
    m_description->setMinimumHeight(fontMetrics().lineSpacing() * 3 + 6);
    m_description->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    // A child of the grid, not of the tree: a click on it then moves no focus (the tree would take
    // it and so end an edit in progress).
    m_button = new QToolButton(this);
    m_button->setText(QStringLiteral("..."));
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_tree, 1);
    layout->addWidget(m_description);
    setFocusProxy(m_tree);

    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this] { onCurrentChanged(); });
    connect(m_button, &QToolButton::clicked, this, [this] { onButtonClicked(); });
    connect(m_tree, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* treeItem)
            {
                if (PropertyGridItem* item = PropertyGridTree::itemOf(treeItem); item && !m_rebuilding)
                    item->m_expanded = true;
            });
    connect(m_tree, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* treeItem)
            {
                PropertyGridItem* item = PropertyGridTree::itemOf(treeItem);
                if (!item || m_rebuilding)
                    return;
                item->m_expanded = false;
                // An edit whose row disappears is committed; one that is refused keeps its row.
                for (PropertyGridItem* up = m_editItem ? m_editItem->m_parent : nullptr; up;
                     up = up->m_parent)
                    if (up == item)
                    {
                        endEditItem(true);
                        if (m_editItem)
                            item->setExpanded(true);
                        break;
                    }
            });
    connect(m_tree->header(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size)
            {
                if (section == 0 && !m_applyingWidth)
                {
                    m_leftColumnWidth = size; // the user dragged the divider
                    m_leftColumnWidthSet = true;
                }
                placeInPlaceWidgets();
            });
}

PropertyGrid::~PropertyGrid()
{
    // Owners that listen may be half destroyed by now (the grid is deleted as their child).
    const QSignalBlocker silence(this);
    closeEditor();
    m_rebuilding = true;
    disconnect(m_tree, nullptr, this, nullptr);
    disconnect(m_tree->header(), nullptr, this, nullptr);
    m_tree->clear();
    for (PropertyGridItem* item : m_items)
        delete item;
    m_items.clear();
    // The tree goes first, while this object is still whole; it takes the editor with it.
    delete m_tree;
    m_tree = nullptr;
}

int PropertyGrid::addProperty(PropertyGridItem* item)
{
    if (!item || item->m_parent || item->m_grid)
        return -1;
    m_items.push_back(item);
    item->attach(this);
    if (m_alphabetic)
    {
        rebuildTree();
    }
    else
    {
        QTreeWidgetItem* treeItem = createTreeItem(item);
        m_tree->addTopLevelItem(treeItem);
        addTreeChildren(item);
    }
    return propertyCount() - 1;
}

PropertyGridItem* PropertyGrid::property(int index) const
{
    return index >= 0 && index < propertyCount() ? m_items[static_cast<std::size_t>(index)] : nullptr;
}

void PropertyGrid::removeAll()
{
    closeEditor();
    m_rebuilding = true;
    m_tree->clear();
    for (PropertyGridItem* item : m_items)
        delete item;
    m_items.clear();
    m_rebuilding = false;
    onCurrentChanged();
}

bool PropertyGrid::removeProperty(int index)
{
    PropertyGridItem* item = property(index);
    if (!item)
        return false;
    const auto inside = [item](PropertyGridItem* p)
    {
        for (; p; p = p->m_parent)
            if (p == item)
                return true;
        return false;
    };
    if (inside(m_editItem))
        closeEditor();
    if (inside(currentItem()))
        m_tree->setCurrentItem(nullptr);
    m_items.erase(m_items.begin() + index);
    rebuildTree(); // clears the tree items of `item` with the others
    delete item;
    return true;
}

PropertyGridItem* PropertyGrid::currentItem() const
{
    return PropertyGridTree::itemOf(m_tree->currentItem());
}

void PropertyGrid::setCurrentItem(PropertyGridItem* item)
{
    if (item && item->m_grid != this)
        return;
    m_tree->setCurrentItem(item ? item->m_treeItem : nullptr);
}

bool PropertyGrid::editItem(PropertyGridItem* item)
{
    if (!item || item->m_grid != this || item->isGroup() || !item->allowEdit() || !item->m_treeItem)
        return false;
    if (m_editItem == item && m_editor)
        return true;
    endEditItem(true);
    if (m_editItem)
        return false; // the edit in progress was refused and stays
    setCurrentItem(item);
    m_tree->scrollToItem(item->m_treeItem);

    auto* editor = new QLineEdit(m_tree->viewport());
    editor->setFrame(false);
    editor->setText(item->formatValue());
    editor->selectAll();
    editor->installEventFilter(this);
    m_editStartText = editor->text();
    m_editor = editor;
    m_editItem = item;
    placeInPlaceWidgets();
    editor->show();
    editor->setFocus(Qt::OtherFocusReason);
    return true;
}

bool PropertyGrid::endEditItem(bool commit)
{
    if (!m_editItem || m_endingEdit)
        return false;
    PropertyGridItem* item = m_editItem;
    bool result = true;
    if (commit)
    {
        m_endingEdit = true;
        result = item->onUpdateValue();
        m_endingEdit = false;
    }
    if (m_editItem != item) // the hook ended the edit (or removed the item) itself
        return commit && result;
    if (commit && !result && item->keepsRefusedEdit() && m_editor)
        return false; // the text stays in the editor to be corrected
    closeEditor();
    return commit && result;
}

void PropertyGrid::closeEditor()
{
    QLineEdit* editor = m_editor.data();
    m_editor = nullptr;
    m_editItem = nullptr;
    m_editStartText.clear();
    if (editor)
    {
        editor->removeEventFilter(this);
        if (editor->hasFocus())
            m_tree->setFocus(Qt::OtherFocusReason);
        editor->hide();
        editor->deleteLater(); // may be inside one of its own events
    }
    placeInPlaceWidgets();
    if (editor)
        emit editEnded();
}

void PropertyGrid::setLeftColumnWidth(int width)
{
    m_leftColumnWidth = std::max(0, width);
    m_leftColumnWidthSet = true;
    applyLeftColumnWidth();
}

void PropertyGrid::applyLeftColumnWidth()
{
    m_applyingWidth = true;
    m_tree->header()->resizeSection(0, m_leftColumnWidth);
    m_applyingWidth = false;
}

void PropertyGrid::adjustLayout()
{
    applyLeftColumnWidth();
    placeInPlaceWidgets();
    m_tree->viewport()->update();
}

void PropertyGrid::setHeaderVisible(bool visible)
{
    m_tree->setHeaderHidden(!visible);
}

bool PropertyGrid::isHeaderVisible() const
{
    return !m_tree->isHeaderHidden();
}

void PropertyGrid::setHeaderTitles(const QString& nameTitle, const QString& valueTitle)
{
    m_tree->setHeaderLabels({nameTitle, valueTitle});
}

void PropertyGrid::setDescriptionVisible(bool visible)
{
    m_description->setVisible(visible);
}

bool PropertyGrid::isDescriptionVisible() const
{
    return !m_description->isHidden();
}

void PropertyGrid::setVSDotNetLook(bool on)
{
    if (m_vsDotNetLook == on)
        return;
    m_vsDotNetLook = on;
    refreshAllRows();
}

void PropertyGrid::setAlphabeticMode(bool alphabetic)
{
    if (m_alphabetic == alphabetic)
        return;
    endEditItem(true);
    m_alphabetic = alphabetic;
    rebuildTree();
}

void PropertyGrid::expandAll(bool expand)
{
    const std::function<void(PropertyGridItem*)> visit = [&](PropertyGridItem* item)
    {
        if (!item->isGroup())
            return;
        item->setExpanded(expand);
        for (PropertyGridItem* sub : item->m_subItems)
            visit(sub);
    };
    for (PropertyGridItem* item : m_items)
        visit(item);
}

void PropertyGrid::setMarkModified(bool mark)
{
    if (m_markModified == mark)
        return;
    m_markModified = mark;
    refreshAllRows();
}

QTreeWidget* PropertyGrid::treeWidget() const
{
    return m_tree;
}

QRect PropertyGrid::nameRect(const PropertyGridItem* item) const
{
    return item && item->m_grid == this ? m_tree->cellRect(item->m_treeItem, 0) : QRect();
}

QRect PropertyGrid::valueRect(const PropertyGridItem* item) const
{
    return item && item->m_grid == this && !item->isGroup() ? m_tree->cellRect(item->m_treeItem, 1) : QRect();
}

void PropertyGrid::onPropertyChanged(PropertyGridItem* item)
{
    emit propertyChanged(item);
}

void PropertyGrid::onResized(int width)
{
    if (!m_leftColumnWidthSet)
        m_leftColumnWidth = width / 2;
    adjustLayout();
}

void PropertyGrid::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    onResized(width());
}

void PropertyGrid::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange)
        refreshAllRows(); // bold and shaded rows carry a copy of the font and colours
}

bool PropertyGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_editor || watched != m_editor)
        return QWidget::eventFilter(watched, event);
    switch (event->type())
    {
    case QEvent::ShortcutOverride:
    {
        // Enter and Escape belong to the editor, not to a shortcut of the window.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)
        {
            event->accept();
            return true;
        }
        break;
    }
    case QEvent::KeyPress:
        switch (static_cast<QKeyEvent*>(event)->key())
        {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            endEditItem(true);
            return true;
        case Qt::Key_Escape:
            endEditItem(false);
            return true;
        default:
            break;
        }
        break;
    case QEvent::FocusOut:
    {
        // Focus moving elsewhere in the window commits; the window losing activation (another
        // window, a dialog opened by a button) keeps the edit open.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !m_endingEdit)
            endEditItem(true);
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void PropertyGrid::rebuildTree()
{
    PropertyGridItem* current = currentItem();
    m_rebuilding = true;
    const std::function<void(PropertyGridItem*)> forget = [&](PropertyGridItem* item)
    {
        item->m_treeItem = nullptr;
        for (PropertyGridItem* sub : item->m_subItems)
            forget(sub);
    };
    for (PropertyGridItem* item : m_items)
        forget(item);
    m_tree->clear();

    if (m_alphabetic)
    {
        std::vector<PropertyGridItem*> properties;
        const std::function<void(PropertyGridItem*)> collect = [&](PropertyGridItem* item)
        {
            if (!item->isGroup())
                properties.push_back(item);
            for (PropertyGridItem* sub : item->m_subItems)
                collect(sub);
        };
        for (PropertyGridItem* item : m_items)
            collect(item);
        std::stable_sort(properties.begin(), properties.end(),
                         [](PropertyGridItem* a, PropertyGridItem* b)
                         {
                             const int folded = a->name().compare(b->name(), Qt::CaseInsensitive);
                             return folded != 0 ? folded < 0 : a->name() < b->name();
                         });
        for (PropertyGridItem* item : properties)
            m_tree->addTopLevelItem(createTreeItem(item));
    }
    else
    {
        for (PropertyGridItem* item : m_items)
        {
            m_tree->addTopLevelItem(createTreeItem(item));
            addTreeChildren(item);
        }
    }

    if (current && current->m_treeItem)
        m_tree->setCurrentItem(current->m_treeItem);
    m_rebuilding = false;
    onCurrentChanged();
}

// Called once item's tree item is in the tree: creates the rows of its sub-items and applies the
// settings that need a row in the view (expansion, spanning).
void PropertyGrid::addTreeChildren(PropertyGridItem* item)
{
    if (!item->m_treeItem || !item->isGroup())
        return;
    const bool wasRebuilding = m_rebuilding;
    m_rebuilding = true;
    item->m_treeItem->setFirstColumnSpanned(true);
    for (PropertyGridItem* sub : item->m_subItems)
    {
        item->m_treeItem->addChild(createTreeItem(sub));
        addTreeChildren(sub);
    }
    item->m_treeItem->setExpanded(item->m_expanded);
    m_rebuilding = wasRebuilding;
}

QTreeWidgetItem* PropertyGrid::createTreeItem(PropertyGridItem* item)
{
    auto* treeItem = new QTreeWidgetItem;
    treeItem->setData(0, kItemRole, QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(item)));
    treeItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (item->isGroup())
        treeItem->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    item->m_treeItem = treeItem;
    refreshRow(item);
    return treeItem;
}

// Brings one row up to date with its item; QTreeWidgetItem repaints only the cells that change.
void PropertyGrid::refreshRow(PropertyGridItem* item)
{
    QTreeWidgetItem* treeItem = item->m_treeItem;
    if (!treeItem)
        return;
    treeItem->setText(0, item->name());
    if (item->isGroup())
    {
        QFont bold = m_tree->font();
        bold.setBold(true);
        treeItem->setData(0, Qt::FontRole, bold);
        const QVariant shade =
            m_vsDotNetLook ? QVariant(m_tree->palette().brush(QPalette::Button)) : QVariant();
        treeItem->setData(0, Qt::BackgroundRole, shade);
        treeItem->setData(1, Qt::BackgroundRole, shade);
    }
    else
    {
        treeItem->setText(1, item->formatValue());
        QVariant font;
        if (m_markModified && item->isModified())
        {
            QFont bold = m_tree->font();
            bold.setBold(true);
            font = bold;
        }
        treeItem->setData(1, Qt::FontRole, font);
    }
    if (item == currentItem())
    {
        m_button->setDown(item->m_buttonPressed);
        updateDescription();
    }
}

void PropertyGrid::refreshAllRows()
{
    const std::function<void(PropertyGridItem*)> visit = [&](PropertyGridItem* item)
    {
        refreshRow(item);
        for (PropertyGridItem* sub : item->m_subItems)
            visit(sub);
    };
    for (PropertyGridItem* item : m_items)
        visit(item);
}

// Puts the editor and the button over the value cell of their rows. Scrolling, layout changes and
// column resizes all come through here.
void PropertyGrid::placeInPlaceWidgets()
{
    if (!m_tree || !m_button)
        return;
    PropertyGridItem* current = currentItem();
    const bool buttonWanted = current && !current->isGroup() && current->hasButton() && current->m_treeItem;
    const QRect currentCell = buttonWanted ? valueRect(current) : QRect();
    const int buttonWidth = std::min(currentCell.height(), currentCell.width());
    // In viewport coordinates, cut to the part of the cell that is visible.
    const QRect buttonRect =
        QRect(currentCell.right() - buttonWidth + 1, currentCell.top(), buttonWidth, currentCell.height()) &
        m_tree->viewport()->rect();
    if (buttonWanted && !buttonRect.isEmpty())
    {
        m_button->setGeometry(
            QRect(m_tree->viewport()->mapTo(this, buttonRect.topLeft()), buttonRect.size()));
        m_button->setDown(current->m_buttonPressed);
        m_button->show();
        m_button->raise();
    }
    else
    {
        m_button->hide();
    }

    if (QLineEdit* editor = m_editor.data())
    {
        QRect cell = valueRect(m_editItem);
        if (!cell.isEmpty())
        {
            if (m_editItem == current && buttonWanted)
                cell.setRight(cell.right() - buttonWidth);
            editor->setGeometry(cell);
        }
    }
}

void PropertyGrid::onCurrentChanged()
{
    if (m_rebuilding)
        return;
    PropertyGridItem* current = currentItem();
    if (m_editItem && m_editItem != current)
        endEditItem(true);
    updateDescription();
    placeInPlaceWidgets();
}

void PropertyGrid::onButtonClicked()
{
    PropertyGridItem* item = currentItem();
    if (item && !item->isGroup() && item->hasButton())
        item->onClickButton(m_tree->viewport()->mapFrom(this, m_button->geometry().center()));
}

void PropertyGrid::updateDescription()
{
    PropertyGridItem* current = currentItem();
    if (!current)
    {
        m_description->clear();
        return;
    }
    QString text = QStringLiteral("<b>%1</b>").arg(current->name().toHtmlEscaped());
    if (!current->description().isEmpty())
        text += QStringLiteral("<br/>") + current->description().toHtmlEscaped();
    m_description->setText(text);
}
