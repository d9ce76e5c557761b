// CMultiTree: a tree control in which any number of items can be selected at once.
//
// Two notions stay apart throughout:
//  - selected: the item's selection state (QTreeWidgetItem::isSelected). Any number of items.
//  - caret: the tree's current item, the one with the keyboard focus cursor. Moving the caret behaves
//    like the underlying platform tree: the new caret item becomes selected, the previous one is
//    deselected, and caretChanged() is emitted.
// The control takes over mouse presses, rubber-band selection, arrow keys, focus painting and
// collapsing so that these keep the multiple selection consistent, and reports the changes it makes
// itself through the signals below while m_bOwnNotify is set.
//
// Qt's own selection handling is switched off: QTreeWidget::setCurrentItem(item) moves the caret
// like SelectItem(), and item->setSelected() bypasses the notifications. Presses are handled here, so
// QTreeWidget's itemPressed()/itemClicked() are not emitted: use click() and rightClick().
// Selection changes of one operation reach Qt's selection model in one update at its end, so
// itemSelectionChanged() comes once per operation, not once per item.
//
// Ownership: the tree owns its items (as QTreeWidget does); the data pointer attached to an item
// (SetItemData) belongs to the caller and is never dereferenced here. Receivers of selChanging and
// selChanged must not delete items of the tree. Single-threaded (GUI thread).
#pragma once

#include <QHash>
#include <QList>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QRect>
#include <QSet>
#include <QTreeWidget>

#include <functional>
#include <vector>

class QRubberBand;
class QTimer;

class CMultiTree : public QTreeWidget
{
    Q_OBJECT

public:
    // Item state bits. TVIS_FOCUSED is never stored: in ChangeItemState it stands for making the item
    // the caret (state and mask hold it) or taking the caret away from it (only the mask holds it).
    // TVIS_BOLD is shown through the item's font; any other bit is kept with the item.
    enum ItemState : unsigned
    {
        TVIS_FOCUSED = 0x0001,
        TVIS_SELECTED = 0x0002,
        TVIS_BOLD = 0x0010,
    };

    // Asked before the control changes an item's selected bit (the refusable notification). Exactly
    // one of the two items is set: itemNew when the item is about to be selected, itemOld when it is
    // about to be deselected. Return true to refuse the change.
    using SelChangingHandler = std::function<bool(QTreeWidgetItem* itemNew, QTreeWidgetItem* itemOld)>;

    explicit CMultiTree(QWidget* parent = nullptr);
    ~CMultiTree() override;

    // Sets the state bits of item selected by mask (see ItemState). Returns false when the item is
    // not in this tree or when the selection change was refused; true otherwise.
    bool ChangeItemState(QTreeWidgetItem* item, unsigned state, unsigned mask);
    // The stored state bits of item under mask (TVIS_SELECTED, TVIS_BOLD and the kept bits). Inside a
    // notification this is the authoritative selected bit: QTreeWidgetItem::isSelected() catches up
    // when the control's current operation ends.
    unsigned GetItemState(const QTreeWidgetItem* item, unsigned mask) const;

    // Walks over the visible items (not inside a collapsed item), in display order.
    QTreeWidgetItem* FindFirstSelected() const;
    QTreeWidgetItem* FindNextSelected(const QTreeWidgetItem* item) const;
    // The same item as FindFirstSelected, found from the selection's ranges instead of a walk over
    // the visible items: what command updates ask many times, with 100,000 rows shown.
    QTreeWidgetItem* FirstSelectedOfSelection() const;
    void DeselectAll();
    void DeselectAllExcept(const QTreeWidgetItem* item);
    // Selects the visible items from a to b (either order); with deselectOthers, deselects every other
    // visible item. An end that is not visible makes the range run on to the last visible item.
    void SelectVisibleRange(const QTreeWidgetItem* a, const QTreeWidgetItem* b, bool deselectOthers);
    // Sets the selected bit of parent's children (and, with recurse, of the children of expanded
    // children). Returns true if one of the visited items was the caret.
    bool SetChildrenSelected(QTreeWidgetItem* parent, bool select, bool recurse);
    // Replaces the list's contents with every selected visible item, in display order.
    void SnapshotSelection(QList<QTreeWidgetItem*>& list) const;

    // The caret (the current item), or null.
    QTreeWidgetItem* GetCaret() const { return currentItem(); }
    // Moves the caret to item (null: no caret) the way the platform tree does: the previous caret item
    // is deselected, the new one selected, and caretChanged() is emitted. Returns false for an item
    // that is not in this tree.
    bool SelectItem(QTreeWidgetItem* item);

    // The caller's data attached to an item (stored under Qt::UserRole); null when none was set.
    static void* GetItemData(const QTreeWidgetItem* item);
    static void SetItemData(QTreeWidgetItem* item, void* data);

    void setSelChangingHandler(SelChangingHandler handler) { m_selChanging = std::move(handler); }
    // With drag-drop disabled a press that turns into a drag still selects the item but sends no
    // beginDrag()/beginRDrag().
    void setDragDropDisabled(bool disabled) { m_bDragDropDisabled = disabled; }
    bool isDragDropDisabled() const { return m_bDragDropDisabled; }

    // True exactly while the control delivers a notification of its own making.
    bool IsOwnNotify() const { return m_bOwnNotify; }

    // Also forgets the range anchor and any pending selection change (all items are gone).
    void reset() override;

signals:
    // The control's own notifications (m_bOwnNotify is true while they are delivered).
    void selChanged(QTreeWidgetItem* itemNew, QTreeWidgetItem* itemOld);
    // A left/right click on an item, or with a null item at the end of a press outside the items.
    void click(QTreeWidgetItem* item);
    void rightClick(QTreeWidgetItem* item);
    // A left/right press on an item turned into a drag; ptDrag is the press point in viewport
    // coordinates.
    void beginDrag(QTreeWidgetItem* item, const QPoint& ptDrag);
    void beginRDrag(QTreeWidgetItem* item, const QPoint& ptDrag);

    // The platform tree's own notification: the caret moved (either item may be null). Delivered with
    // m_bOwnNotify false.
    void caretChanged(QTreeWidgetItem* itemNew, QTreeWidgetItem* itemOld);

protected:
    // Called once the control's own handling of a right-button press has run to its end: after the
    // release (and the rightClick notification), after a drag started, after a band, or when the
    // tracking was cancelled. point is the press point in viewport coordinates, keys the modifiers
    // held at the press. The base does nothing; a subclass extends the right button here (the class
    // view shows its row menu). A menu must not be opened from contextMenuEvent() instead: on some
    // platforms that event arrives while the press is still being tracked.
    virtual void rightButtonHandled(const QPoint& point, Qt::KeyboardModifiers keys);

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

    // Qt never changes the selection on its own: every change goes through the rules of this class.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;

    // The fixed end of a Shift range selection; null when none is set.
    QTreeWidgetItem* m_hRangeAnchor = nullptr;
    // True exactly while the control sends a notification of its own making.
    bool m_bOwnNotify = false;

private:
    // Sets a flag for the lifetime of the scope and restores the saved value, so nested sends
    // restore correctly.
    class FlagScope
    {
    public:
        FlagScope(bool& flag, bool value) : m_flag(flag), m_saved(flag) { m_flag = value; }
        ~FlagScope() { m_flag = m_saved; }
        FlagScope(const FlagScope&) = delete;
        FlagScope& operator=(const FlagScope&) = delete;

    private:
        bool& m_flag;
        bool m_saved;
    };

    // Collects the selected-bit changes of one operation; the outermost scope applies them to Qt's
    // selection model in a single update.
    class SelectionBatch
    {
    public:
        explicit SelectionBatch(CMultiTree& tree) : m_tree(tree) { ++m_tree.m_batchDepth; }
        ~SelectionBatch()
        {
            if (--m_tree.m_batchDepth == 0)
                m_tree.flushSelection();
        }
        SelectionBatch(const SelectionBatch&) = delete;
        SelectionBatch& operator=(const SelectionBatch&) = delete;

    private:
        CMultiTree& m_tree;
    };
    enum class Hit
    {
        Nowhere,
        Indent,
        Button,
        OnItem,
        Right
    };
    enum class Track
    {
        None,     // no press is being handled
        Default,  // a press on an expand button: Qt's own handling
        Press,    // TrackPress: a press on an item
        Band,     // TrackBand: a press outside the items
        Finished, // tracking ended while a button is still down: swallow until released
    };

    // Platform layer: the plain tree underneath the rules of this class.
    bool platformSelectCaret(QTreeWidgetItem* item);
    void platformSetSelectedBit(QTreeWidgetItem* item, bool selected, int rowHint = -1);
    bool isSelectedBit(const QTreeWidgetItem* item) const;
    bool applyItemState(QTreeWidgetItem* item, unsigned state, unsigned mask);
    void platformKeyDown(QKeyEvent* event);
    // Left (right false) or Right without Ctrl: collapse or expand the caret item, or move the
    // caret to its parent or first child.
    void platformStepSideways(bool right);
    void flushSelection();
    void repaintNow();

    // Visible-item walks over column-0 indexes.
    QModelIndex firstVisible() const;
    // The selected visible items, in display order (see DeselectAllExcept).
    std::vector<const QTreeWidgetItem*> selectedVisibleInDisplayOrder() const;
    QModelIndex nextVisible(const QModelIndex& index) const;
    QModelIndex prevVisible(const QModelIndex& index) const;
    bool isVisibleIndex(const QModelIndex& index) const;
    // Changes the selected bit of the item at index and returns the visible item after it, taken
    // after the change.
    QModelIndex changeAndNext(const QModelIndex& index, QTreeWidgetItem* item, unsigned state);
    int rowHeightH() const;
    QPoint contentOffset() const;
    QRect fullRowRect(int visibleRow, int height) const;

    // Notifications.
    bool sendSelChanging(QTreeWidgetItem* item, bool selecting);
    void sendSelChanged(QTreeWidgetItem* item, bool selecting);

    // Mouse and keyboard rules.
    Hit hitTest(const QPoint& pos, QTreeWidgetItem** item) const;
    void PreselectOnPress(QTreeWidgetItem* item, Qt::MouseButton button, Qt::KeyboardModifiers keys);
    void TrackPress(QTreeWidgetItem* item, Qt::MouseButton button, Qt::KeyboardModifiers keys,
                    const QPoint& point);
    void TrackBand(Qt::MouseButton button, Qt::KeyboardModifiers keys, const QPoint& point);
    void ApplyBand(QSet<const QTreeWidgetItem*>& list, const QRect& band, Qt::KeyboardModifiers keys);
    enum class Outcome
    {
        None,
        Click,
        Drag
    };
    void endPress(Outcome outcome, Qt::MouseButtons stillDown);
    void bandMoveTo(const QPoint& point);
    void endBand(Qt::MouseButtons stillDown);
    void cancelTracking();
    bool grabLost() const;
    void onTrackTimer();
    void OnKeyDown(QKeyEvent* event);
    void onCollapsed(const QModelIndex& index);
    void invalidateSelectedLabels();

    SelChangingHandler m_selChanging;
    bool m_bDragDropDisabled = false;

    // Selected bits set during the current operation, applied to Qt's selection model in one go when
    // the outermost operation ends (item-by-item updates of the selection model are quadratic).
    // The row is a hint (-1: unknown): finding an item's row from the item alone can mean a search
    // through all its siblings.
    struct PendingBit
    {
        bool selected;
        int row;
    };
    QHash<const QTreeWidgetItem*, PendingBit> m_pending;
    int m_batchDepth = 0;
    // The row of the item a walk is changing, passed on to platformSetSelectedBit().
    const QTreeWidgetItem* m_hintItem = nullptr;
    int m_hintRow = -1;

    // Mouse tracking state.
    Track m_track = Track::None;
    Qt::MouseButton m_trackButton = Qt::NoButton;
    Qt::KeyboardModifiers m_trackKeys;
    QPoint m_pressPoint;
    QPoint m_lastPoint;
    QPersistentModelIndex m_trackIndex;
    QPoint m_bandAnchor; // content coordinates
    bool m_bandStarted = false;
    QSet<const QTreeWidgetItem*> m_bandList;
    QRubberBand* m_band = nullptr; // child of the viewport
    QTimer* m_trackTimer = nullptr;
    QMetaObject::Connection m_resetConnection;
};
