// Property grid driven through real key and mouse events on the offscreen platform: typed
// editing, cancel and focus-out commit, bold marking, display modes, buttons, resize hooks.
#include "TypingSupport.h"
#include "editor/PropertyGrid.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QInputMethodEvent>
#include <QLabel>
#include <QPaintEvent>
#include <QPixmap>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <functional>
#include <limits>
#include <memory>

namespace
{

// Records every hook call; the value it sees after the base handling is what a subclass that
// writes the value on (into a cell, say) would write.
class RecordingItem : public PropertyGridItem
{
public:
    using PropertyGridItem::PropertyGridItem;

    bool onUpdateValue() override
    {
        ++updates;
        editorDuringUpdate = inPlaceEditor() != nullptr;
        lastResult = PropertyGridItem::onUpdateValue();
        valueAfterUpdate = value();
        return lastResult;
    }
    void onClickButton(const QPoint& point) override
    {
        ++clicks;
        clickPoint = point;
    }

    int updates = 0;
    int clicks = 0;
    bool lastResult = false;
    bool editorDuringUpdate = false;
    QVariant valueAfterUpdate;
    QPoint clickPoint;
};

bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 3000)
{
    for (int waited = 0; !condition(); waited += 10)
    {
        if (waited >= timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

class PropertyGridTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(m_window.get());
        grid = new PropertyGrid(m_window.get());
        other = new QLineEdit(m_window.get());
        layout->addWidget(grid);
        layout->addWidget(other);
        m_window->resize(420, 420);
        m_window->show();
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get(), 5000));
        group = new PropertyGridItem(QStringLiteral("Group"));
        grid->addProperty(group);
    }

    RecordingItem* add(const QString& name, const QVariant& value, PropertyGridItem* into = nullptr)
    {
        auto* item = new RecordingItem(name, value, QStringLiteral("about ") + name);
        EXPECT_TRUE((into ? into : group)->addSubItem(item));
        return item;
    }

    QTreeWidget* tree() const { return grid->treeWidget(); }
    QWidget* viewport() const { return grid->treeWidget()->viewport(); }

    void clickName(PropertyGridItem* item)
    {
        const QRect rect = grid->nameRect(item);
        ASSERT_FALSE(rect.isEmpty());
        QTest::mouseClick(viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    }
    void clickValue(PropertyGridItem* item)
    {
        const QRect rect = grid->valueRect(item);
        ASSERT_FALSE(rect.isEmpty());
        QTest::mouseClick(viewport(), Qt::LeftButton, Qt::NoModifier,
                          rect.topLeft() + QPoint(4, rect.height() / 2));
    }

    // Selects the item with the mouse and opens its editor with Enter.
    QLineEdit* openEditor(PropertyGridItem* item)
    {
        clickName(item);
        EXPECT_EQ(grid->currentItem(), item);
        QTest::keyClick(tree(), Qt::Key_Return);
        return item->inPlaceEditor();
    }

    // Types text into item's editor and presses Enter.
    void editTo(PropertyGridItem* item, const QString& text)
    {
        QLineEdit* editor = openEditor(item);
        ASSERT_NE(editor, nullptr);
        shelltest::TypeText(editor, text);
        ASSERT_EQ(editor->text(), text);
        QTest::keyClick(editor, Qt::Key_Return);
    }

    QString shownValue(PropertyGridItem* item) const
    {
        const QModelIndex index = tree()->indexAt(grid->valueRect(item).center());
        return index.data(Qt::DisplayRole).toString();
    }
    bool shownBold(PropertyGridItem* item) const
    {
        const QModelIndex index = tree()->indexAt(grid->valueRect(item).center());
        const QVariant font = index.data(Qt::FontRole);
        return font.isValid() && font.value<QFont>().bold();
    }

    PropertyGrid* grid = nullptr;
    QLineEdit* other = nullptr;
    PropertyGridItem* group = nullptr;

private:
    std::unique_ptr<QWidget> m_window;
};

struct TypedEdit
{
    QVariant initial;
    QString typed;
    QVariant expected;
    QString shown;
};

TEST_F(PropertyGridTest, EditorsParseExactlyIntoThePropertysType)
{
    const TypedEdit cases[] = {
        {QVariant(0), "42", QVariant(42), "42"},
        {QVariant(0), "-2147483648", QVariant(std::numeric_limits<int>::min()), "-2147483648"},
        {QVariant(0), " 7 ", QVariant(7), "7"},
        {QVariant(0u), "4294967295", QVariant(4294967295u), "4294967295"},
        {QVariant(qlonglong(0)), "-5000000000", QVariant(qlonglong(-5000000000LL)), "-5000000000"},
        {QVariant(qlonglong(0)), "-9223372036854775808", QVariant(std::numeric_limits<qlonglong>::min()),
         "-9223372036854775808"},
        {QVariant(qulonglong(0)), "18446744073709551615", QVariant(std::numeric_limits<qulonglong>::max()),
         "18446744073709551615"},
        {QVariant(0.0f), "0.5", QVariant(0.5f), "0.500000"},
        {QVariant(0.0f), "-1.25e2", QVariant(-125.0f), "-125.000000"},
        {QVariant(QString()), "a|b", QVariant(QStringLiteral("a|b")), "a|b"},
    };
    for (const TypedEdit& c : cases)
    {
        SCOPED_TRACE(c.typed.toStdString());
        RecordingItem* item = add(QStringLiteral("p"), c.initial);
        QSignalSpy changed(grid, &PropertyGrid::propertyChanged);
        editTo(item, c.typed);

        EXPECT_EQ(item->updates, 1);
        EXPECT_TRUE(item->lastResult);
        EXPECT_TRUE(item->editorDuringUpdate);
        EXPECT_EQ(item->value().metaType(), c.initial.metaType());
        EXPECT_EQ(item->value(), c.expected);
        EXPECT_EQ(shownValue(item), c.shown);
        EXPECT_EQ(item->inPlaceEditor(), nullptr);
        EXPECT_EQ(grid->editedItem(), nullptr);
        ASSERT_EQ(changed.count(), 1);
        EXPECT_EQ(changed.at(0).at(0).value<PropertyGridItem*>(), item);
    }
}

TEST_F(PropertyGridTest, TextThatDoesNotParseKeepsTheValueButRunsTheHook)
{
    const std::pair<QVariant, QString> cases[] = {
        {QVariant(5), "2147483648"},
        {QVariant(5), "-2147483649"},
        {QVariant(5), "12abc"},
        {QVariant(5), "1 2"},
        {QVariant(5), "0x10"},
        {QVariant(5), "\u0663"}, // ARABIC-INDIC DIGIT THREE is a digit, but not a decimal one of ours
        {QVariant(5u), "-1"},
        {QVariant(5u), "4294967296"},
        {QVariant(qlonglong(5)), "9223372036854775808"},
        {QVariant(qulonglong(5)), "18446744073709551616"},
        {QVariant(qulonglong(5)), "-3"},
        {QVariant(1.5f), "abc"},
        {QVariant(1.5f), "1e39"},
        {QVariant(1.5f), "1,5"},
        {QVariant(1.5f), "nan"},
    };
    for (const auto& [initial, text] : cases)
    {
        SCOPED_TRACE(text.toStdString());
        RecordingItem* item = add(QStringLiteral("p"), initial);
        const QString shownBefore = shownValue(item);
        QSignalSpy changed(grid, &PropertyGrid::propertyChanged);
        editTo(item, text);

        EXPECT_EQ(item->updates, 1);
        EXPECT_FALSE(item->lastResult);
        EXPECT_EQ(item->value(), initial);
        EXPECT_EQ(item->valueAfterUpdate, initial);
        EXPECT_EQ(shownValue(item), shownBefore);
        EXPECT_EQ(changed.count(), 0);
        EXPECT_EQ(item->inPlaceEditor(), nullptr);
    }
}

TEST_F(PropertyGridTest, EmptyTextIsNoNumberButAnEmptyString)
{
    RecordingItem* number = add(QStringLiteral("n"), QVariant(9));
    editTo(number, QString());
    EXPECT_FALSE(number->lastResult);
    EXPECT_EQ(number->value(), QVariant(9));

    RecordingItem* text = add(QStringLiteral("s"), QVariant(QStringLiteral("x")));
    editTo(text, QString());
    EXPECT_TRUE(text->lastResult);
    EXPECT_EQ(text->value(), QVariant(QString()));
}

TEST_F(PropertyGridTest, StringKeepsChineseTextAndItsBlanks)
{
    RecordingItem* item = add(QStringLiteral("name"), QVariant(QStringLiteral("old")));
    const QString typed = QStringLiteral("  \u8868\u683C \u6570\u636E ");
    editTo(item, typed);
    EXPECT_EQ(item->value().metaType().id(), QMetaType::QString);
    EXPECT_EQ(item->value().toString(), typed);
    EXPECT_EQ(shownValue(item), typed);
}

TEST_F(PropertyGridTest, UnchangedTextKeepsTheExactFloat)
{
    // "%f" shows 0.123457; committing that text unchanged must not round the value.
    RecordingItem* item = add(QStringLiteral("f"), QVariant(0.1234567f));
    QLineEdit* editor = openEditor(item);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("0.123457"));
    QSignalSpy changed(grid, &PropertyGrid::propertyChanged);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(item->updates, 1);
    EXPECT_TRUE(item->lastResult);
    EXPECT_EQ(item->value(), QVariant(0.1234567f));
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(PropertyGridTest, EscapeCancelsTheEdit)
{
    RecordingItem* item = add(QStringLiteral("p"), QVariant(3));
    QLineEdit* editor = openEditor(item);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->hasFocus());
    shelltest::TypeText(editor, QStringLiteral("99"));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(item->updates, 0);
    EXPECT_EQ(item->value(), QVariant(3));
    EXPECT_EQ(item->inPlaceEditor(), nullptr);
    EXPECT_TRUE(tree()->hasFocus());
}

TEST_F(PropertyGridTest, MovingTheFocusElsewhereCommits)
{
    RecordingItem* item = add(QStringLiteral("p"), QVariant(3));
    QLineEdit* editor = openEditor(item);
    ASSERT_NE(editor, nullptr);
    shelltest::TypeText(editor, QStringLiteral("77"));
    QTest::mouseClick(other, Qt::LeftButton);
    EXPECT_TRUE(other->hasFocus());
    EXPECT_EQ(item->updates, 1);
    EXPECT_EQ(item->value(), QVariant(77));
    EXPECT_EQ(item->inPlaceEditor(), nullptr);
}

TEST_F(PropertyGridTest, ClickingAnotherRowCommitsTheEdit)
{
    RecordingItem* first = add(QStringLiteral("first"), QVariant(1));
    RecordingItem* second = add(QStringLiteral("second"), QVariant(2));
    QLineEdit* editor = openEditor(first);
    ASSERT_NE(editor, nullptr);
    shelltest::TypeText(editor, QStringLiteral("10"));
    clickName(second);
    EXPECT_EQ(first->value(), QVariant(10));
    EXPECT_EQ(first->inPlaceEditor(), nullptr);
    EXPECT_EQ(grid->currentItem(), second);
    EXPECT_EQ(second->inPlaceEditor(), nullptr);
}

TEST_F(PropertyGridTest, WaysToOpenTheEditor)
{
    RecordingItem* a = add(QStringLiteral("a"), QVariant(1));
    RecordingItem* b = add(QStringLiteral("b"), QVariant(2));

    // F2 on the selected row.
    clickName(a);
    EXPECT_EQ(a->inPlaceEditor(), nullptr); // selecting alone does not edit
    QTest::keyClick(tree(), Qt::Key_F2);
    ASSERT_NE(a->inPlaceEditor(), nullptr);
    EXPECT_EQ(a->inPlaceEditor()->text(), QStringLiteral("1"));
    EXPECT_EQ(a->inPlaceEditor()->selectedText(), QStringLiteral("1"));
    EXPECT_TRUE(grid->valueRect(a).contains(a->inPlaceEditor()->geometry()));
    QTest::keyClick(a->inPlaceEditor(), Qt::Key_Escape);

    // A click on the value of a row that is not selected only selects it; a second click edits.
    clickValue(b);
    EXPECT_EQ(grid->currentItem(), b);
    EXPECT_EQ(b->inPlaceEditor(), nullptr);
    clickValue(b);
    ASSERT_NE(b->inPlaceEditor(), nullptr);
    QTest::keyClick(b->inPlaceEditor(), Qt::Key_Escape);

    // A double click on the name.
    QTest::mouseDClick(viewport(), Qt::LeftButton, Qt::NoModifier, grid->nameRect(a).center());
    ASSERT_NE(a->inPlaceEditor(), nullptr);
    QTest::keyClick(a->inPlaceEditor(), Qt::Key_Escape);

    // Enter on a group folds it instead of editing.
    clickName(group);
    ASSERT_TRUE(group->isExpanded());
    QTest::keyClick(tree(), Qt::Key_Return);
    EXPECT_FALSE(group->isExpanded());
    EXPECT_EQ(grid->editedItem(), nullptr);
    QTest::keyClick(tree(), Qt::Key_Return);
    EXPECT_TRUE(group->isExpanded());
    EXPECT_EQ(a->updates + b->updates, 0);
}

TEST_F(PropertyGridTest, PropertyThatDisallowsEditingNeverOpensAnEditor)
{
    RecordingItem* item = add(QStringLiteral("link"), QVariant(5));
    item->setAllowEdit(false);
    clickName(item);
    QTest::keyClick(tree(), Qt::Key_Return);
    QTest::keyClick(tree(), Qt::Key_F2);
    clickValue(item);
    QTest::mouseDClick(viewport(), Qt::LeftButton, Qt::NoModifier, grid->valueRect(item).center());
    EXPECT_EQ(item->inPlaceEditor(), nullptr);
    EXPECT_EQ(grid->editedItem(), nullptr);
    EXPECT_FALSE(grid->editItem(item));
    EXPECT_EQ(item->updates, 0);
}

TEST_F(PropertyGridTest, ButtonAppearsOnTheSelectedPropertyAndCallsTheHook)
{
    RecordingItem* plain = add(QStringLiteral("plain"), QVariant(1));
    RecordingItem* linked = add(QStringLiteral("linked"), QVariant(2));
    linked->setHasButton(true);
    linked->setAllowEdit(false);

    clickName(plain);
    EXPECT_FALSE(grid->button()->isVisible());
    clickName(linked);
    QToolButton* button = grid->button();
    ASSERT_TRUE(button->isVisible());
    const QRect cell = grid->valueRect(linked);
    const QRect buttonInViewport(viewport()->mapFrom(grid, button->pos()), button->size());
    EXPECT_TRUE(cell.contains(buttonInViewport));
    EXPECT_EQ(buttonInViewport.right(), cell.right());
    EXPECT_EQ(button->text(), QStringLiteral("..."));

    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(linked->clicks, 1);
    EXPECT_EQ(linked->clickPoint, buttonInViewport.center());
    EXPECT_EQ(plain->clicks, 0);
    EXPECT_EQ(linked->value(), QVariant(2));

    linked->setButtonPressed(true);
    EXPECT_TRUE(button->isDown());
    linked->setButtonPressed(false);
    EXPECT_FALSE(button->isDown());

    clickName(plain);
    EXPECT_FALSE(button->isVisible());
}

TEST_F(PropertyGridTest, EditorMakesRoomForTheButtonOfAnEditableProperty)
{
    RecordingItem* item = add(QStringLiteral("both"), QVariant(QStringLiteral("v")));
    item->setHasButton(true);
    QLineEdit* editor = openEditor(item);
    ASSERT_NE(editor, nullptr);
    const QRect buttonInViewport(viewport()->mapFrom(grid, grid->button()->pos()), grid->button()->size());
    EXPECT_FALSE(editor->geometry().intersects(buttonInViewport));
    QTest::mouseClick(grid->button(), Qt::LeftButton);
    EXPECT_EQ(item->clicks, 1);
    EXPECT_EQ(item->inPlaceEditor(), editor); // the button takes no focus, the edit goes on
}

TEST_F(PropertyGridTest, EditorFollowsItsCellWhenTheTreeScrolls)
{
    std::vector<RecordingItem*> items;
    for (int i = 0; i < 60; ++i)
        items.push_back(add(QStringLiteral("p%1").arg(i, 2, 10, QLatin1Char('0')), QVariant(i)));
    QLineEdit* editor = openEditor(items[1]);
    ASSERT_NE(editor, nullptr);
    const QRect before = editor->geometry();
    QTest::keyClick(editor, Qt::Key_5);
    tree()->verticalScrollBar()->setValue(tree()->verticalScrollBar()->value() + 3);
    EXPECT_NE(editor->geometry(), before);
    EXPECT_EQ(editor->geometry(), grid->valueRect(items[1]));
    EXPECT_EQ(items[1]->inPlaceEditor(), editor);
}

TEST_F(PropertyGridTest, FoldingTheGroupOfAnEditCommitsIt)
{
    RecordingItem* item = add(QStringLiteral("p"), QVariant(1));
    QLineEdit* editor = openEditor(item);
    ASSERT_NE(editor, nullptr);
    shelltest::TypeText(editor, QStringLiteral("4"));
    group->setExpanded(false);
    EXPECT_EQ(item->updates, 1);
    EXPECT_EQ(item->value(), QVariant(4));
    EXPECT_EQ(grid->editedItem(), nullptr);
}

TEST_F(PropertyGridTest, ModifiedValuesAreBoldAgainstTheOriginalValue)
{
    RecordingItem* item = add(QStringLiteral("p"), QVariant(1));
    grid->setMarkModified(true);
    EXPECT_FALSE(shownBold(item));
    editTo(item, QStringLiteral("2"));
    EXPECT_TRUE(item->isModified());
    EXPECT_TRUE(shownBold(item));
    editTo(item, QStringLiteral("1"));
    EXPECT_FALSE(item->isModified());
    EXPECT_FALSE(shownBold(item));

    ASSERT_TRUE(item->setValue(QVariant(5)));
    EXPECT_TRUE(shownBold(item));
    grid->setMarkModified(false);
    EXPECT_FALSE(shownBold(item));
    grid->setMarkModified(true);
    EXPECT_TRUE(shownBold(item));
    item->resetOriginalValue();
    EXPECT_FALSE(shownBold(item));
}

TEST_F(PropertyGridTest, ValuesKeepTheirTypeForLife)
{
    RecordingItem* item = add(QStringLiteral("p"), QVariant(1));
    EXPECT_FALSE(item->setValue(QVariant(2u)));
    EXPECT_FALSE(item->setValue(QVariant(QStringLiteral("3"))));
    EXPECT_FALSE(item->setOriginalValue(QVariant(qlonglong(1))));
    EXPECT_EQ(item->value(), QVariant(1));
    EXPECT_TRUE(item->setValue(QVariant(4)));
    EXPECT_EQ(shownValue(item), QStringLiteral("4"));

    // A property created without a value (an unknown field type) takes no value at all.
    RecordingItem* empty = add(QStringLiteral("e"), QVariant());
    EXPECT_EQ(shownValue(empty), QString());
    editTo(empty, QStringLiteral("1"));
    EXPECT_FALSE(empty->lastResult);
    EXPECT_FALSE(empty->value().isValid());
}

TEST_F(PropertyGridTest, SubclassHookSeesTheNewValueWhileTheEditorStillExists)
{
    RecordingItem* item = add(QStringLiteral("p"), QVariant(qulonglong(1)));
    editTo(item, QStringLiteral("18446744073709551615"));
    EXPECT_TRUE(item->editorDuringUpdate);
    EXPECT_EQ(item->valueAfterUpdate, QVariant(std::numeric_limits<qulonglong>::max()));
}

TEST_F(PropertyGridTest, EndEditItemCommitsOrDrops)
{
    RecordingItem* item = add(QStringLiteral("p"), QVariant(1));
    EXPECT_FALSE(grid->endEditItem(true)); // nothing to end
    QLineEdit* editor = openEditor(item);
    ASSERT_NE(editor, nullptr);
    shelltest::TypeText(editor, QStringLiteral("8"));
    EXPECT_TRUE(grid->endEditItem(true));
    EXPECT_EQ(item->value(), QVariant(8));
    EXPECT_EQ(grid->inPlaceEditor(), nullptr);

    editor = openEditor(item);
    ASSERT_NE(editor, nullptr);
    shelltest::TypeText(editor, QStringLiteral("9"));
    EXPECT_FALSE(grid->endEditItem(false));
    EXPECT_EQ(item->value(), QVariant(8));
    EXPECT_EQ(item->updates, 1);
}

TEST_F(PropertyGridTest, AlphabeticAndGroupedDisplay)
{
    PropertyGridItem* second = new PropertyGridItem(QStringLiteral("Second"));
    grid->addProperty(second);
    RecordingItem* b = add(QStringLiteral("b"), QVariant(2));
    RecordingItem* d = add(QStringLiteral("D"), QVariant(4));
    RecordingItem* a = add(QStringLiteral("a"), QVariant(1), second);
    RecordingItem* c = add(QStringLiteral("c"), QVariant(3), second);
    clickName(c);

    ASSERT_EQ(tree()->topLevelItemCount(), 2);
    EXPECT_EQ(tree()->topLevelItem(0)->text(0), QStringLiteral("Group"));
    EXPECT_EQ(tree()->topLevelItem(1)->child(1)->text(0), QStringLiteral("c"));

    grid->setAlphabeticMode(true);
    EXPECT_TRUE(grid->isAlphabeticMode());
    ASSERT_EQ(tree()->topLevelItemCount(), 4);
    const char* const order[] = {"a", "b", "c", "D"};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(tree()->topLevelItem(i)->text(0), QString::fromLatin1(order[i]));
        EXPECT_EQ(tree()->topLevelItem(i)->childCount(), 0);
    }
    EXPECT_EQ(grid->currentItem(), c);
    EXPECT_EQ(shownValue(d), QStringLiteral("4"));
    editTo(a, QStringLiteral("11")); // editing works the same in this mode
    EXPECT_EQ(a->value(), QVariant(11));

    grid->setAlphabeticMode(false);
    ASSERT_EQ(tree()->topLevelItemCount(), 2);
    EXPECT_EQ(tree()->topLevelItem(0)->childCount(), 2);
    EXPECT_EQ(tree()->topLevelItem(0)->child(0)->text(0), QStringLiteral("b"));
    EXPECT_EQ(shownValue(a), QStringLiteral("11"));
    EXPECT_EQ(grid->property(0), group);
    EXPECT_EQ(group->subItem(1), d);
    EXPECT_EQ(shownValue(b), QStringLiteral("2"));
}

TEST_F(PropertyGridTest, ExpandAllOpensEveryGroup)
{
    PropertyGridItem* second = new PropertyGridItem(QStringLiteral("Second"));
    grid->addProperty(second);
    RecordingItem* inner = add(QStringLiteral("x"), QVariant(1), second);
    group->setExpanded(false);
    second->setExpanded(false);
    EXPECT_TRUE(grid->nameRect(inner).isEmpty());
    grid->expandAll();
    EXPECT_TRUE(tree()->topLevelItem(0)->isExpanded());
    EXPECT_TRUE(tree()->topLevelItem(1)->isExpanded());
    EXPECT_TRUE(second->isExpanded());
    EXPECT_FALSE(grid->nameRect(inner).isEmpty());
}

TEST_F(PropertyGridTest, ContentsAndOwnership)
{
    RecordingItem* a = add(QStringLiteral("a"), QVariant(1));
    EXPECT_EQ(grid->propertyCount(), 1);
    EXPECT_EQ(grid->property(0), group);
    EXPECT_EQ(grid->property(1), nullptr);
    EXPECT_EQ(group->subItemCount(), 1);
    EXPECT_EQ(group->subItem(0), a);
    EXPECT_EQ(group->subItem(-1), nullptr);
    EXPECT_EQ(a->grid(), grid);
    EXPECT_EQ(a->parentItem(), group);

    EXPECT_FALSE(group->addSubItem(a)); // already has a parent
    EXPECT_EQ(grid->addProperty(a), -1);
    RecordingItem loose(QStringLiteral("loose"), QVariant(1));
    EXPECT_FALSE(a->addSubItem(&loose)); // a property holds no sub-items
    EXPECT_EQ(loose.grid(), nullptr);

    ASSERT_NE(openEditor(a), nullptr);
    grid->removeAll();
    EXPECT_EQ(grid->propertyCount(), 0);
    EXPECT_EQ(tree()->topLevelItemCount(), 0);
    EXPECT_EQ(grid->inPlaceEditor(), nullptr);
    EXPECT_EQ(grid->currentItem(), nullptr);
}

TEST_F(PropertyGridTest, HeaderAndDescriptionArea)
{
    RecordingItem* a = add(QStringLiteral("speed<1>"), QVariant(1));
    grid->setHeaderVisible(false);
    EXPECT_TRUE(tree()->isHeaderHidden());
    grid->setHeaderTitles(QStringLiteral("Property"), QStringLiteral("Value"));
    EXPECT_EQ(tree()->headerItem()->text(0), QStringLiteral("Property"));
    EXPECT_EQ(tree()->headerItem()->text(1), QStringLiteral("Value"));

    clickName(a);
    QLabel* description = grid->descriptionLabel();
    EXPECT_TRUE(description->isVisible());
    EXPECT_TRUE(description->text().contains(QStringLiteral("speed&lt;1&gt;")));
    EXPECT_TRUE(description->text().contains(QStringLiteral("about speed&lt;1&gt;")));
    a->setDescription(QStringLiteral("new text"));
    EXPECT_TRUE(description->text().contains(QStringLiteral("new text")));
    grid->setDescriptionVisible(false);
    EXPECT_FALSE(description->isVisible());
    EXPECT_FALSE(grid->isDescriptionVisible());
}

TEST_F(PropertyGridTest, ValueUpdateRepaintsOnlyItsRowAndRebuildsNothing)
{
    std::vector<RecordingItem*> items;
    for (int i = 0; i < 8; ++i)
        items.push_back(add(QStringLiteral("p%1").arg(i), QVariant(i)));
    QTreeWidgetItem* rowBefore = tree()->topLevelItem(0)->child(5);

    struct PaintRecorder : QObject
    {
        QRegion painted;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                painted += static_cast<QPaintEvent*>(event)->region();
            return false;
        }
    } recorder;
    QTest::qWait(50); // let the first paint happen
    viewport()->installEventFilter(&recorder);
    recorder.painted = QRegion();

    ASSERT_TRUE(items[5]->setValue(QVariant(500)));
    ASSERT_TRUE(WaitFor([&] { return !recorder.painted.isEmpty(); }));
    viewport()->removeEventFilter(&recorder);

    const QRect row = grid->nameRect(items[5]) | grid->valueRect(items[5]);
    EXPECT_TRUE(row.contains(recorder.painted.boundingRect()))
        << "painted " << recorder.painted.boundingRect().top() << ".."
        << recorder.painted.boundingRect().bottom() << ", row " << row.top() << ".." << row.bottom();
    EXPECT_EQ(tree()->topLevelItem(0)->child(5), rowBefore);
    EXPECT_EQ(shownValue(items[5]), QStringLiteral("500"));
}

// The grid keeps its texts laid out between repaints; what it paints must stay what the style
// itself paints, through changes of text, font, width and selection.
TEST_F(PropertyGridTest, CellsPaintAsTheStyleDoesThroughChanges)
{
    grid->setMarkModified(true);
    RecordingItem* name = add(QStringLiteral("名称"), QVariant(QStringLiteral("铁剑 Shield of the North")));
    RecordingItem* level = add(QStringLiteral("Level"), QVariant(3u));
    RecordingItem* count = add(QStringLiteral("Count"), QVariant(4u));
    RecordingItem* desc = add(QStringLiteral("Desc"), QVariant(QStringLiteral("short")));
    auto* referrers = new PropertyGridItem(QStringLiteral("被引用"));
    grid->addProperty(referrers);
    add(QStringLiteral("怪物 2"), QVariant(QStringLiteral("狼（LinkId）")), referrers);

    struct Step
    {
        const char* what;
        std::function<void()> change;
    };
    const Step steps[] = {
        {"as added", [] {}},
        {"a value longer than its cell", [&] { desc->setValue(QVariant(QString(80, QChar(u'长')))); }},
        {"the value column narrower", [&] { grid->setLeftColumnWidth(grid->width() - 90); }},
        {"the value column wider again", [&] { grid->setLeftColumnWidth(60); }},
        // "4" in bold (modified) and "4" in the plain font, one above the other.
        {"a modified value in bold", [&] { level->setValue(QVariant(4u)); }},
        {"a row made current", [&] { clickName(name); }},
        {"the current row's value changed", [&] { name->setValue(QVariant(QStringLiteral("盾"))); }},
        {"another row made current", [&] { clickName(count); }},
    };
    for (const Step& step : steps)
    {
        step.change();
        QAbstractItemDelegate* own = tree()->itemDelegate();
        const QImage ours = viewport()->grab().toImage();
        QStyledItemDelegate plain;
        tree()->setItemDelegate(&plain);
        const QImage styles = viewport()->grab().toImage();
        tree()->setItemDelegate(own);
        EXPECT_TRUE(ours == styles) << step.what;
    }
}

// ---- Column split --------------------------------------------------------------------------------

// Splits its width like the program's grid does: an edit in progress is committed and the name
// column gets 0.382 of the width (the single-precision constant widened, so 1000 gives 381).
class GoldenGrid : public PropertyGrid
{
protected:
    void onResized(int width) override
    {
        endEditItem(true);
        setLeftColumnWidth(static_cast<int>(width * static_cast<double>(0.382f)));
        adjustLayout();
    }
};

TEST(PropertyGridColumns, DefaultSplitIsHalfUntilAWidthIsSet)
{
    PropertyGrid grid;
    grid.resize(600, 300);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid, 5000));
    EXPECT_EQ(grid.leftColumnWidth(), 300);
    EXPECT_EQ(grid.treeWidget()->header()->sectionSize(0), 300);

    grid.setLeftColumnWidth(120);
    grid.resize(800, 300);
    EXPECT_TRUE(WaitFor([&] { return grid.width() == 800; }));
    EXPECT_EQ(grid.leftColumnWidth(), 120);
    EXPECT_EQ(grid.treeWidget()->header()->sectionSize(0), 120);
}

TEST(PropertyGridColumns, SubclassDecidesTheSplitOnResize)
{
    GoldenGrid grid;
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid, 5000));
    const int cases[][2] = {{1000, 381}, {500, 190}, {200, 76}};
    for (const auto& c : cases)
    {
        grid.resize(c[0], 300);
        ASSERT_TRUE(WaitFor([&] { return grid.width() == c[0]; }));
        EXPECT_EQ(grid.leftColumnWidth(), c[1]) << c[0];
        EXPECT_EQ(grid.treeWidget()->header()->sectionSize(0), c[1]) << c[0];
    }
}

TEST(PropertyGridColumns, ResizeDuringAnEditCommitsItInTheSubclass)
{
    GoldenGrid grid;
    grid.resize(400, 300);
    grid.show();
    grid.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&grid, 5000));
    auto* group = new PropertyGridItem(QStringLiteral("g"));
    grid.addProperty(group);
    auto* item = new RecordingItem(QStringLiteral("p"), QVariant(1));
    group->addSubItem(item);

    ASSERT_TRUE(grid.editItem(item));
    QLineEdit* editor = item->inPlaceEditor();
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, "6");
    grid.resize(700, 300);
    ASSERT_TRUE(WaitFor([&] { return grid.width() == 700; }));
    EXPECT_EQ(item->updates, 1);
    EXPECT_EQ(item->value(), QVariant(6));
    EXPECT_EQ(item->inPlaceEditor(), nullptr);
    EXPECT_EQ(grid.leftColumnWidth(), 267);
}

} // namespace
