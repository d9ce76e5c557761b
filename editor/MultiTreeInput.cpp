// Mouse presses, the rubber band, arrow keys and focus painting of CMultiTree.
#include "editor/MultiTree.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRubberBand>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cstdlib>

namespace
{
bool hasShiftOrCtrl(Qt::KeyboardModifiers keys)
{
    return keys & (Qt::ShiftModifier | Qt::ControlModifier);
}
} // namespace

// ---------------------------------------------------------------------------------------------------
// Mouse

CMultiTree::Hit CMultiTree::hitTest(const QPoint& pos, QTreeWidgetItem** item) const
{
    *item = nullptr;
    const QModelIndex index = indexAt(pos);
    if (!index.isValid())
        return Hit::Nowhere;
    QTreeWidgetItem* hit = itemFromIndex(index);
    *item = hit;
    if (index.column() != 0)
        return Hit::Right;
    const QRect content = visualRect(index); // the cell without its indentation
    if (pos.x() < content.left())
    {
        const QTreeWidgetItem::ChildIndicatorPolicy policy = hit->childIndicatorPolicy();
        const bool hasChildren = hit->childCount() > 0;
        const bool showsButton = itemsExpandable() && (rootIsDecorated() || hit->parent()) &&
                                 (policy == QTreeWidgetItem::ShowIndicator ||
                                  (policy == QTreeWidgetItem::DontShowIndicatorWhenChildless && hasChildren));
        if (showsButton && pos.x() >= content.left() - indentation())
            return Hit::Button;
        return Hit::Indent;
    }
    // Icon and label: as wide as the delegate draws them; beyond that the row is empty space.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = content;
    const int width = itemDelegateForIndex(index)->sizeHint(option, index).width();
    return pos.x() < content.left() + width ? Hit::OnItem : Hit::Right;
}

void CMultiTree::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    const Qt::MouseButton button = event->button();
    if (event->buttons() & ~button)
        return; // another button is still down: its handling goes on
    if (m_track != Track::None)
        cancelTracking(); // the earlier press ended without our seeing its release
    if (button != Qt::LeftButton && button != Qt::RightButton)
        return;

    const QPoint point = event->position().toPoint();
    const Qt::KeyboardModifiers keys = event->modifiers();
    QTreeWidgetItem* item = nullptr;
    switch (hitTest(point, &item))
    {
    case Hit::Button:
        m_track = Track::Default;
        m_trackButton = button;
        m_trackKeys = keys;
        m_pressPoint = point;
        if (button == Qt::LeftButton)
            QTreeWidget::mousePressEvent(event);
        return;
    case Hit::OnItem:
    {
        const QPersistentModelIndex pressed(indexFromItem(item));
        PreselectOnPress(item, button, keys);
        TrackPress(itemFromIndex(pressed), button, keys, point);
        return;
    }
    default:
        TrackBand(button, keys, point);
        return;
    }
}

void CMultiTree::PreselectOnPress(QTreeWidgetItem* item, Qt::MouseButton button, Qt::KeyboardModifiers keys)
{
    SelectionBatch batch(*this);
    const bool left = button == Qt::LeftButton;
    const bool shift = keys & Qt::ShiftModifier;
    const bool ctrl = keys & Qt::ControlModifier;
    if (left && shift)
    {
        if (!m_hRangeAnchor)
            m_hRangeAnchor = currentItem();
        SelectVisibleRange(m_hRangeAnchor, item, !ctrl);
        ChangeItemState(item, TVIS_FOCUSED, TVIS_FOCUSED);
        return;
    }
    if (shift)
        return; // right button with Shift, with or without Ctrl
    if (ctrl)
    {
        // Left: the toggle happens on release. Right: the item becomes the anchor.
        m_hRangeAnchor = left ? nullptr : item;
        return;
    }
    // No keys: pressing a selected item keeps the others for the press, so a drag carries them all.
    if (!isSelectedBit(item))
        DeselectAllExcept(item);
    ChangeItemState(item, TVIS_SELECTED | TVIS_FOCUSED, TVIS_SELECTED | TVIS_FOCUSED);
    if (left)
        m_hRangeAnchor = nullptr;
}

void CMultiTree::TrackPress(QTreeWidgetItem* item, Qt::MouseButton button, Qt::KeyboardModifiers keys,
                            const QPoint& point)
{
    m_track = Track::Press;
    m_trackButton = button;
    m_trackKeys = keys;
    m_pressPoint = m_lastPoint = point;
    m_trackIndex = item ? QPersistentModelIndex(indexFromItem(item)) : QPersistentModelIndex();
    viewport()->grabMouse();
    m_trackTimer->start(); // only watches for a lost grab while an item is pressed
}

void CMultiTree::TrackBand(Qt::MouseButton button, Qt::KeyboardModifiers keys, const QPoint& point)
{
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    m_track = Track::Band;
    m_trackButton = button;
    m_trackKeys = keys;
    m_pressPoint = m_lastPoint = point;
    viewport()->grabMouse();

    m_bandList.clear();
    if (hasShiftOrCtrl(keys))
    {
        QList<QTreeWidgetItem*> before;
        SnapshotSelection(before);
        m_bandList.reserve(before.size());
        for (QTreeWidgetItem* item : before)
            m_bandList.insert(item);
    }
    m_bandAnchor = point + contentOffset();
    m_bandStarted = false;
    m_trackTimer->start();
}

void CMultiTree::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    switch (m_track)
    {
    case Track::None:
        if (event->buttons() == Qt::NoButton)
            QTreeWidget::mouseMoveEvent(event); // hover
        return;
    case Track::Default:
        return;
    case Track::Finished:
        if (event->buttons() == Qt::NoButton)
            m_track = Track::None;
        return;
    case Track::Press:
    {
        m_lastPoint = point;
        if (grabLost())
        {
            endPress(Outcome::None, event->buttons());
            return;
        }
        const int drag = QApplication::startDragDistance();
        const QPoint moved = point - m_pressPoint;
        if (std::abs(moved.x()) > drag || std::abs(moved.y()) > drag)
            endPress(Outcome::Drag, event->buttons());
        return;
    }
    case Track::Band:
        m_lastPoint = point;
        if (grabLost())
            endBand(event->buttons());
        else
            bandMoveTo(point);
        return;
    }
}

void CMultiTree::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    const Qt::MouseButton button = event->button();
    const bool trackedButton = button == Qt::LeftButton || button == Qt::RightButton;
    switch (m_track)
    {
    case Track::None:
        return;
    case Track::Finished:
        if (event->buttons() == Qt::NoButton)
            m_track = Track::None;
        return;
    case Track::Default:
        if (button != m_trackButton)
            return;
        m_track = event->buttons() == Qt::NoButton ? Track::None : Track::Finished;
        if (button == Qt::LeftButton)
            QTreeWidget::mouseReleaseEvent(event); // expands or collapses
        else
            rightButtonHandled(m_pressPoint, m_trackKeys);
        return;
    case Track::Press:
        m_lastPoint = event->position().toPoint();
        if (grabLost())
            endPress(Outcome::None, event->buttons());
        else if (trackedButton)
            endPress(Outcome::Click, event->buttons());
        return;
    case Track::Band:
        m_lastPoint = event->position().toPoint();
        if (trackedButton)
            endBand(event->buttons());
        return;
    }
}

void CMultiTree::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The first click of the pair has been handled as a press; the second one only expands or
    // collapses, like the platform tree.
    event->accept();
    if (m_track != Track::None || event->button() != Qt::LeftButton)
        return;
    const QPoint point = event->position().toPoint();
    QTreeWidgetItem* item = nullptr;
    const Hit hit = hitTest(point, &item);
    if (hit == Hit::Button)
    {
        m_track = Track::Default;
        m_trackButton = Qt::LeftButton;
        m_trackKeys = event->modifiers();
        m_pressPoint = point;
        QTreeWidget::mouseDoubleClickEvent(event);
        return;
    }
    if (hit != Hit::OnItem)
        return;
    const QPersistentModelIndex index(indexFromItem(item));
    emit doubleClicked(index);
    if (index.isValid() && itemsExpandable() && expandsOnDoubleClick() && model()->hasChildren(index))
        setExpanded(index, !isExpanded(index));
}

void CMultiTree::endPress(Outcome outcome, Qt::MouseButtons stillDown)
{
    m_trackTimer->stop();
    viewport()->releaseMouse();
    m_track = stillDown == Qt::NoButton ? Track::None : Track::Finished;
    const Qt::MouseButton button = m_trackButton;
    const Qt::KeyboardModifiers keys = m_trackKeys;
    const QPoint point = m_pressPoint;
    const QPersistentModelIndex pressed = m_trackIndex;
    m_trackIndex = QPersistentModelIndex();

    if (outcome == Outcome::Click && pressed.isValid())
    {
        {
            SelectionBatch batch(*this);
            if (button == Qt::LeftButton && !(keys & Qt::ShiftModifier))
            {
                unsigned state = TVIS_SELECTED;
                if (keys & Qt::ControlModifier)
                    state = isSelectedBit(itemFromIndex(pressed)) ? 0u : unsigned(TVIS_SELECTED);
                else
                    DeselectAllExcept(itemFromIndex(pressed));
                ChangeItemState(itemFromIndex(pressed), state | TVIS_FOCUSED, TVIS_SELECTED | TVIS_FOCUSED);
            }
        }
        if (!hasFocus())
            setFocus(Qt::MouseFocusReason);
        if (pressed.isValid())
        {
            FlagScope own(m_bOwnNotify, true);
            if (button == Qt::LeftButton)
                emit click(itemFromIndex(pressed));
            else
                emit rightClick(itemFromIndex(pressed));
        }
    }
    else if (outcome == Outcome::Drag && pressed.isValid())
    {
        {
            SelectionBatch batch(*this);
            ChangeItemState(itemFromIndex(pressed), TVIS_SELECTED | TVIS_FOCUSED,
                            TVIS_SELECTED | TVIS_FOCUSED);
        }
        if (!m_bDragDropDisabled && pressed.isValid())
        {
            FlagScope own(m_bOwnNotify, true);
            if (button == Qt::LeftButton)
                emit beginDrag(itemFromIndex(pressed), point);
            else
                emit beginRDrag(itemFromIndex(pressed), point);
        }
    }
    if (button == Qt::RightButton)
        rightButtonHandled(point, keys);
}

void CMultiTree::bandMoveTo(const QPoint& point)
{
    const QRect client = viewport()->rect();
    if (!m_bandStarted)
    {
        const int drag = QApplication::startDragDistance();
        const QPoint anchor = m_bandAnchor - contentOffset();
        if (std::abs(point.x() - anchor.x()) <= drag && std::abs(point.y() - anchor.y()) <= drag)
            return;
        m_bandStarted = true;
        if (!hasShiftOrCtrl(m_trackKeys))
            DeselectAll();
        repaintNow();
        m_band->setGeometry(QRect(anchor, QSize(0, 0)));
        m_band->show();
    }

    if (point.y() < client.top())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (point.y() >= client.top() + client.height())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (point.x() < client.left())
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (point.x() >= client.left() + client.width())
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);

    // Right and bottom edges are exclusive: a band without width or height covers nothing (QRect
    // would otherwise count a zero-width rectangle as intersecting).
    const QPoint anchor = m_bandAnchor - contentOffset();
    const QRect band(QPoint(std::min(anchor.x(), point.x()), std::min(anchor.y(), point.y())),
                     QSize(std::abs(point.x() - anchor.x()), std::abs(point.y() - anchor.y())));
    ApplyBand(m_bandList, band, m_trackKeys);
    m_band->setGeometry(band);
    m_band->show();
}

void CMultiTree::ApplyBand(QSet<const QTreeWidgetItem*>& list, const QRect& band, Qt::KeyboardModifiers keys)
{
    SelectionBatch batch(*this);
    const bool ctrl = keys & Qt::ControlModifier;
    const bool shift = keys & Qt::ShiftModifier;
    const int height = rowHeightH();
    int visibleRow = 0;
    for (QModelIndex i = firstVisible(); i.isValid(); ++visibleRow)
    {
        QTreeWidgetItem* item = itemFromIndex(i);
        const bool inBand = !band.isEmpty() && band.intersects(fullRowRect(visibleRow, height));
        const bool inList = list.contains(item);
        const bool selected = isSelectedBit(item);
        bool select = false;
        bool deselect = false;
        if (inBand && inList)
        {
            if (ctrl)
                deselect = selected;
            else if (shift)
                list.remove(item); // passed over: no longer protected
        }
        else if (inBand)
        {
            select = !selected;
        }
        else if (inList)
        {
            select = !selected; // restore
        }
        else
        {
            deselect = selected;
        }
        if (select || deselect)
            i = changeAndNext(i, item, select ? unsigned(TVIS_SELECTED) : 0u);
        else
            i = nextVisible(i);
    }
    repaintNow();
}

void CMultiTree::endBand(Qt::MouseButtons stillDown)
{
    m_trackTimer->stop();
    viewport()->releaseMouse();
    m_track = stillDown == Qt::NoButton ? Track::None : Track::Finished;
    const Qt::MouseButton button = m_trackButton;
    const Qt::KeyboardModifiers keys = m_trackKeys;
    const QPoint point = m_pressPoint;
    {
        SelectionBatch batch(*this);
        if (m_bandStarted)
            m_band->hide();
        else if (!hasShiftOrCtrl(keys))
            DeselectAll(); // a click into empty space clears the selection
    }
    m_bandStarted = false;
    m_bandList.clear();
    {
        FlagScope own(m_bOwnNotify, true);
        if (button == Qt::LeftButton)
            emit click(nullptr);
        else
            emit rightClick(nullptr);
    }
    if (button == Qt::RightButton)
        rightButtonHandled(point, keys);
}

void CMultiTree::cancelTracking()
{
    switch (m_track)
    {
    case Track::Press:
        endPress(Outcome::None, Qt::NoButton);
        break;
    case Track::Band:
        endBand(Qt::NoButton);
        break;
    case Track::Default:
        m_track = Track::None;
        if (m_trackButton == Qt::RightButton)
            rightButtonHandled(m_pressPoint, m_trackKeys);
        break;
    case Track::None:
    case Track::Finished:
        m_track = Track::None;
        break;
    }
}

bool CMultiTree::grabLost() const
{
    // Another widget took the mouse (a popup, a modal loop), or the control was hidden.
    return QWidget::mouseGrabber() != viewport() || !viewport()->isVisible();
}

void CMultiTree::onTrackTimer()
{
    if (m_track == Track::Press)
    {
        if (grabLost())
            endPress(Outcome::None, Qt::NoButton);
    }
    else if (m_track == Track::Band)
    {
        if (grabLost())
            endBand(Qt::NoButton);
        else if (!viewport()->rect().contains(m_lastPoint))
            bandMoveTo(m_lastPoint); // keeps scrolling while the cursor rests outside
    }
    else
    {
        m_trackTimer->stop();
    }
}

// ---------------------------------------------------------------------------------------------------
// Keyboard and focus

void CMultiTree::keyPressEvent(QKeyEvent* event)
{
    if (m_track == Track::Band && event->key() == Qt::Key_Escape)
    {
        event->accept();
        DeselectAll();
        endBand(m_trackButton); // the button is still down
        return;
    }
    OnKeyDown(event);
}

void CMultiTree::OnKeyDown(QKeyEvent* event)
{
    SelectionBatch batch(*this);
    const int key = event->key();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool upDown = key == Qt::Key_Up || key == Qt::Key_Down;
    QTreeWidgetItem* caret = nullptr;
    if (upDown)
    {
        caret = currentItem();
        if (!m_hRangeAnchor)
            m_hRangeAnchor = caret;
        if (!ctrl && !shift)
        {
            m_hRangeAnchor = nullptr;
            DeselectAll();
        }
    }
    platformKeyDown(event);
    if (!upDown || !caret || (!ctrl && !shift) || caret->treeWidget() != this)
        return;
    const QModelIndex from = indexFromItem(caret);
    const QModelIndex to = key == Qt::Key_Up ? prevVisible(from) : nextVisible(from);
    QTreeWidgetItem* next = to.isValid() ? itemFromIndex(to) : caret;
    if (shift)
        SelectVisibleRange(m_hRangeAnchor, next, true);
    else
        ChangeItemState(next, TVIS_FOCUSED, TVIS_FOCUSED); // moves the caret, selection unchanged
}

void CMultiTree::platformKeyDown(QKeyEvent* event)
{
    CursorAction action = MoveUp;
    QScrollBar* bar = verticalScrollBar();
    QAbstractSlider::SliderAction scroll = QAbstractSlider::SliderNoAction;
    switch (event->key())
    {
    case Qt::Key_Up:
        action = MoveUp;
        scroll = QAbstractSlider::SliderSingleStepSub;
        break;
    case Qt::Key_Down:
        action = MoveDown;
        scroll = QAbstractSlider::SliderSingleStepAdd;
        break;
    case Qt::Key_Left:
        action = MoveLeft;
        bar = horizontalScrollBar();
        scroll = QAbstractSlider::SliderSingleStepSub;
        break;
    case Qt::Key_Right:
        action = MoveRight;
        bar = horizontalScrollBar();
        scroll = QAbstractSlider::SliderSingleStepAdd;
        break;
    case Qt::Key_Home:
        action = MoveHome;
        scroll = QAbstractSlider::SliderToMinimum;
        break;
    case Qt::Key_End:
        action = MoveEnd;
        scroll = QAbstractSlider::SliderToMaximum;
        break;
    case Qt::Key_PageUp:
        action = MovePageUp;
        scroll = QAbstractSlider::SliderPageStepSub;
        break;
    case Qt::Key_PageDown:
        action = MovePageDown;
        scroll = QAbstractSlider::SliderPageStepAdd;
        break;
    default:
        // The platform tree has no select-all; everything else is Qt's (type-ahead search moves the
        // caret through currentChanged(), expand and collapse keys, ...).
        if (event->matches(QKeySequence::SelectAll))
            event->ignore();
        else
            QTreeWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (event->modifiers() & Qt::ControlModifier)
    {
        bar->triggerAction(scroll); // Ctrl with a navigation key scrolls and leaves the caret alone
        return;
    }
    if (action == MoveLeft || action == MoveRight)
    {
        platformStepSideways(action == MoveRight);
        return;
    }
    // Shift does not change the platform's movement.
    const QModelIndex target = moveCursor(action, Qt::NoModifier);
    if (target.isValid())
        platformSelectCaret(itemFromIndex(target));
}

void CMultiTree::platformStepSideways(bool right)
{
    // The platform tree's Right expands a collapsed item, then moves into its first child; Left
    // collapses an expanded item, then moves to its parent. Qt's own moves depend on the style
    // and on the horizontal scroll position, so they are not used here.
    QTreeWidgetItem* caret = currentItem();
    if (caret == nullptr)
    {
        platformSelectCaret(topLevelItem(0));
        return;
    }
    const bool hasChildren = caret->childCount() > 0 && itemsExpandable();
    if (right)
    {
        if (hasChildren && !caret->isExpanded())
            expandItem(caret);
        else if (hasChildren)
            platformSelectCaret(caret->child(0));
        return;
    }
    if (hasChildren && caret->isExpanded())
        collapseItem(caret);
    else if (caret->parent() != nullptr)
        platformSelectCaret(caret->parent());
}

void CMultiTree::focusInEvent(QFocusEvent* event)
{
    QTreeWidget::focusInEvent(event);
    invalidateSelectedLabels();
}

void CMultiTree::focusOutEvent(QFocusEvent* event)
{
    QTreeWidget::focusOutEvent(event);
    invalidateSelectedLabels();
}

void CMultiTree::invalidateSelectedLabels()
{
    // Every selected item, not only the caret, repaints in the colours of the new focus state.
    const int height = rowHeightH();
    if (height <= 0)
        return;
    const int bottom = viewport()->height();
    int visibleRow = 0;
    for (QModelIndex i = firstVisible(); i.isValid(); i = nextVisible(i), ++visibleRow)
    {
        const int top = visibleRow * height - verticalOffset();
        if (top >= bottom)
            break;
        if (top + height > 0 && isSelectedBit(itemFromIndex(i)))
            viewport()->update(visualRect(i));
    }
}
