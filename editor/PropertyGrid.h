// Property grid: a two-column tree (name, value) of typed properties in groups, with in-place
// editing, optional "..." buttons and a description area below.
//
// PropertyGridItem is one entry: either a group (a name and sub-items) or a property (a name, a
// value held in a QVariant whose type is fixed for the life of the property, a description and a
// user data word). PropertyGrid owns the items added to it, and a group owns its sub-items.
//
// Value types and their text form:
//   int, uint, qlonglong, qulonglong  plain decimal; editing accepts an optional sign and
//                                     decimal digits only (surrounding blanks ignored), within
//                                     the range of the type
//   float                             shown as C's "%f" (the form the data files use); editing
//                                     accepts what strtof would in the C locale, if the whole
//                                     text is used and the result is finite
//   QString                           any text, kept as typed (blanks included)
// Text that does not parse leaves the value as it was. A value is changed only through its own
// type: setValue() refuses a QVariant of another type.
//
// Editing: Enter or F2 on the current property, a double click on it, or a click on the value
// of the current property opens a QLineEdit in the value cell (only if the property allows
// editing). Enter or moving the focus elsewhere in the window commits, Escape cancels. Committing
// calls the property's onUpdateValue(), which subclasses override to act on the new value. A
// property whose keepsRefusedEdit() is true keeps its editor open on the text when a commit
// fails, so that the user can correct it (or press Escape); otherwise the editor closes.
#ifndef TESSEL_EDITOR_PROPERTYGRID_H
#define TESSEL_EDITOR_PROPERTYGRID_H

#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <vector>

class QLabel;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class PropertyGrid;
class PropertyGridTree;

class PropertyGridItem
{
public:
    // A group: a name and sub-items, no value.
    explicit PropertyGridItem(const QString& groupName);
    // A property with the given value; the value's type is the property's type from now on.
    PropertyGridItem(const QString& name, const QVariant& value, const QString& description = QString(),
                     quintptr data = 0);
    // Deletes the sub-items. Items that belong to a grid are deleted by the grid.
    virtual ~PropertyGridItem();

    PropertyGridItem(const PropertyGridItem&) = delete;
    PropertyGridItem& operator=(const PropertyGridItem&) = delete;

    bool isGroup() const { return m_isGroup; }
    QString name() const { return m_name; }
    void setName(const QString& name);
    QString description() const { return m_description; }
    void setDescription(const QString& description);

    // The value and its fixed type (QMetaType id; QMetaType::UnknownType for an empty value).
    QVariant value() const { return m_value; }
    int valueType() const { return m_value.metaType().id(); }
    // Accepts only a value of the property's own type; redraws the row. Returns false otherwise.
    bool setValue(const QVariant& value);
    // The reference value against which the grid marks a property as modified (bold); it is the
    // initial value until changed here.
    QVariant originalValue() const { return m_originalValue; }
    bool setOriginalValue(const QVariant& value);
    void resetOriginalValue() { setOriginalValue(m_value); }
    bool isModified() const { return !m_isGroup && m_value != m_originalValue; }

    // A pointer-sized word for the owner of the grid (not interpreted, not owned).
    quintptr data() const { return m_data; }
    void setData(quintptr data) { m_data = data; }

    bool hasButton() const { return m_hasButton; }
    void setHasButton(bool hasButton);
    bool allowEdit() const { return m_allowEdit; }
    void setAllowEdit(bool allowEdit);
    // Whether the button is drawn pressed (set by a button handler while it runs).
    bool isButtonPressed() const { return m_buttonPressed; }
    void setButtonPressed(bool pressed);

    // Redraws this property's row only.
    void redraw();

    // Groups: sub-items in order. addSubItem takes ownership; it refuses (returns false, the
    // caller keeps ownership) a null item, an item that already has a parent, or when this item
    // is not a group.
    bool addSubItem(PropertyGridItem* item);
    int subItemCount() const { return static_cast<int>(m_subItems.size()); }
    PropertyGridItem* subItem(int index) const;
    PropertyGridItem* parentItem() const { return m_parent; }
    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded);

    // The grid that holds this item (null until added) and the live in-place editor of this
    // property (null unless it is being edited).
    PropertyGrid* grid() const { return m_grid; }
    QLineEdit* inPlaceEditor() const;

    // Text form of the value, as shown and as an edit starts with.
    virtual QString formatValue() const;

    // Called by the grid when an in-place edit of this property is committed, while the editor
    // still exists. Parses the editor's text (parseEditText); if that succeeds and the value
    // changes, stores it, redraws and notifies the grid. Returns false when the text did not
    // parse (the value is then unchanged). Overrides call this first.
    virtual bool onUpdateValue();
    // Parses an edited text into a value of the property's type; parseValue by default.
    virtual bool parseEditText(const QString& text, QVariant* result);
    // Whether a failed commit leaves the editor open on its text (false here: it closes).
    virtual bool keepsRefusedEdit() const { return false; }
    // Called when the property's button is clicked; point is the button's centre in viewport
    // coordinates of the grid's tree. Does nothing here.
    virtual void onClickButton(const QPoint& point);

    // Parses text into a value of the given QMetaType id (see the table at the top of this file).
    static bool parseValue(const QString& text, int type, QVariant* result);
    // Text form of a value of one of the supported types.
    static QString formatVariant(const QVariant& value);

private:
    friend class PropertyGrid;
    void attach(PropertyGrid* grid);

    QString m_name;
    QString m_description;
    QVariant m_value;
    QVariant m_originalValue;
    quintptr m_data = 0;
    bool m_isGroup = false;
    bool m_hasButton = false;
    bool m_allowEdit = true;
    bool m_buttonPressed = false;
    bool m_expanded = true;
    PropertyGridItem* m_parent = nullptr;
    std::vector<PropertyGridItem*> m_subItems; // owned
    PropertyGrid* m_grid = nullptr;
    QTreeWidgetItem* m_treeItem = nullptr; // owned by the tree; null while not shown
};

class PropertyGrid : public QWidget
{
    Q_OBJECT
public:
    explicit PropertyGrid(QWidget* parent = nullptr);
    ~PropertyGrid() override;

    // Top-level items. addProperty takes ownership (refused, returning -1, for null or an item
    // that already has a parent or a grid) and returns the item's index.
    int addProperty(PropertyGridItem* item);
    int propertyCount() const { return static_cast<int>(m_items.size()); }
    PropertyGridItem* property(int index) const;
    // Ends any edit without committing, then deletes every item.
    void removeAll();
    // Deletes the top-level item at `index` (an edit inside it ends without committing); false
    // when there is none.
    bool removeProperty(int index);

    // The selected item (the tree's current one), or null.
    PropertyGridItem* currentItem() const;
    void setCurrentItem(PropertyGridItem* item);

    // Opens the in-place editor on a property that allows editing; false otherwise, and false
    // when an edit of another property was refused and stays open.
    bool editItem(PropertyGridItem* item);
    // Ends the edit in progress: commit runs the property's onUpdateValue, otherwise the text is
    // dropped. The editor is closed, except after a failed commit of a property that keeps
    // refused edits (then the edit stays in progress, editedItem() still names it). Returns
    // false when no edit was in progress or the committed text did not parse.
    bool endEditItem(bool commit = true);
    PropertyGridItem* editedItem() const { return m_editItem; }
    QLineEdit* inPlaceEditor() const { return m_editor.data(); }

    // Width of the name column in pixels. Once set it is kept on resize (see onResized).
    int leftColumnWidth() const { return m_leftColumnWidth; }
    void setLeftColumnWidth(int width);
    // Applies the column width and places the editor and the button again.
    void adjustLayout();

    void setHeaderVisible(bool visible);
    bool isHeaderVisible() const;
    void setHeaderTitles(const QString& nameTitle, const QString& valueTitle);
    void setDescriptionVisible(bool visible);
    bool isDescriptionVisible() const;
    // The look with shaded group rows.
    void setVSDotNetLook(bool on);
    bool isVSDotNetLook() const { return m_vsDotNetLook; }
    // Alphabetic display: every property at top level, sorted by name, without groups.
    void setAlphabeticMode(bool alphabetic);
    bool isAlphabeticMode() const { return m_alphabetic; }
    void expandAll(bool expand = true);
    // Shows in bold the values that differ from their property's original value.
    void setMarkModified(bool mark);
    bool isMarkModified() const { return m_markModified; }

    // The tree that shows the items, and the rectangles of an item's cells in its viewport
    // coordinates (empty while the item is not shown).
    QTreeWidget* treeWidget() const;
    QRect nameRect(const PropertyGridItem* item) const;
    QRect valueRect(const PropertyGridItem* item) const;
    // The "..." button shown on the current property when it has one.
    QToolButton* button() const { return m_button; }
    // The description area.
    QLabel* descriptionLabel() const { return m_description; }

signals:
    // A property's value was changed by a committed edit.
    void propertyChanged(PropertyGridItem* item);
    // The in-place editor was closed (the edit committed, cancelled or dropped).
    void editEnded();

protected:
    // Called by onUpdateValue when an edit changed a value; emits propertyChanged.
    virtual void onPropertyChanged(PropertyGridItem* item);
    // Called after every resize with the new width. While no column width was set, the name
    // column takes half the width; once setLeftColumnWidth was called, the width is kept.
    // Overrides decide the split themselves (and need not call this).
    virtual void onResized(int width);

    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class PropertyGridItem;
    friend class PropertyGridTree;

    void rebuildTree();
    QTreeWidgetItem* createTreeItem(PropertyGridItem* item);
    void addTreeChildren(PropertyGridItem* item);
    void refreshRow(PropertyGridItem* item);
    void refreshAllRows();
    void closeEditor();
    void placeInPlaceWidgets();
    void onCurrentChanged();
    void onButtonClicked();
    void applyLeftColumnWidth();
    void updateDescription();

    PropertyGridTree* m_tree = nullptr;
    QLabel* m_description = nullptr;
    QToolButton* m_button = nullptr;
    QPointer<QLineEdit> m_editor;
    PropertyGridItem* m_editItem = nullptr;
    QString m_editStartText;
    std::vector<PropertyGridItem*> m_items; // owned
    int m_leftColumnWidth = 0;
    bool m_leftColumnWidthSet = false;
    bool m_alphabetic = false;
    bool m_markModified = false;
    bool m_vsDotNetLook = false;
    bool m_rebuilding = false;
    bool m_endingEdit = false;
    bool m_applyingWidth = false;
};

#endif // TESSEL_EDITOR_PROPERTYGRID_H
