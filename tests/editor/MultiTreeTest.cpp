// Drives CMultiTree with real mouse and key events on the offscreen platform and checks the
// selection, the caret and the notifications the control sends.
#include "editor/MultiTree.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRubberBand>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{
// The offscreen platform cannot grab the mouse and warns on every press; the control's grab
// bookkeeping works without it, so keep the test output readable.
QtMessageHandler previousHandler = nullptr;
void quietGrabWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("This plugin does not support grabbing the mouse")))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(message));
}
const bool quietHandlerInstalled = []
{
    previousHandler = qInstallMessageHandler(quietGrabWarnings);
    return true;
}();

class TestTree : public CMultiTree
{
public:
    using CMultiTree::CMultiTree;
    using CMultiTree::m_bOwnNotify;
    using CMultiTree::m_hRangeAnchor;

    std::vector<QPoint> rightHandled;
    std::function<void()> onRightHandled;

protected:
    void rightButtonHandled(const QPoint& point, Qt::KeyboardModifiers keys) override
    {
        CMultiTree::rightButtonHandled(point, keys);
        rightHandled.push_back(point);
        if (onRightHandled)
            onRightHandled();
    }
};

struct Note
{
    std::string text;
    bool own;
};

std::string nameOf(const QTreeWidgetItem* item)
{
    return item ? item->text(0).toStdString() : std::string("-");
}

class MultiTreeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tree = std::make_unique<TestTree>();
        tree->setHeaderHidden(true);
        tree->resize(300, 260);
        tree->setSelChangingHandler(
            [this](QTreeWidgetItem* itemNew, QTreeWidgetItem* itemOld)
            {
                note(itemNew ? "changing+" + nameOf(itemNew) : "changing-" + nameOf(itemOld));
                const QTreeWidgetItem* item = itemNew ? itemNew : itemOld;
                return refused.count(nameOf(item)) != 0 && (itemNew ? refuseSelect : refuseDeselect);
            });
        QObject::connect(tree.get(), &CMultiTree::selChanged,
                         [this](QTreeWidgetItem* n, QTreeWidgetItem* o)
                         { note(n ? "changed+" + nameOf(n) : "changed-" + nameOf(o)); });
        QObject::connect(tree.get(), &CMultiTree::caretChanged,
                         [this](QTreeWidgetItem* n, QTreeWidgetItem* o)
                         { note("caret " + nameOf(n) + "<" + nameOf(o)); });
        QObject::connect(tree.get(), &CMultiTree::click,
                         [this](QTreeWidgetItem* i) { note("click " + nameOf(i)); });
        QObject::connect(tree.get(), &CMultiTree::rightClick,
                         [this](QTreeWidgetItem* i) { note("rclick " + nameOf(i)); });
        QObject::connect(tree.get(), &CMultiTree::beginDrag,
                         [this](QTreeWidgetItem* i, const QPoint& p)
                         {
                             note("drag " + nameOf(i));
                             dragPoint = p;
                         });
        QObject::connect(tree.get(), &CMultiTree::beginRDrag,
                         [this](QTreeWidgetItem* i, const QPoint& p)
                         {
                             note("rdrag " + nameOf(i));
                             dragPoint = p;
                         });
    }

    void TearDown() override
    {
        tree.reset();
        QApplication::processEvents();
    }

    void addFlatItems(int count)
    {
        for (int i = 0; i < count; ++i)
            items.push_back(new QTreeWidgetItem(tree.get(), QStringList(QString::number(i))));
    }

    void showTree()
    {
        tree->show();
        QApplication::processEvents();
        log.clear();
    }

    void note(const std::string& text) { log.push_back({text, tree->IsOwnNotify()}); }

    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        for (const Note& n : log)
            out.push_back(n.text);
        return out;
    }

    bool logged(const std::string& text) const
    {
        for (const Note& n : log)
            if (n.text == text)
                return true;
        return false;
    }

    int countLogged(const std::string& prefix) const
    {
        int count = 0;
        for (const Note& n : log)
            count += n.text.compare(0, prefix.size(), prefix) == 0;
        return count;
    }

    // Names of the selected items (as the tree reports them) in tree order; also checks that Qt's own
    // selection state agrees.
    std::string selected() const
    {
        std::string out;
        for (QTreeWidgetItemIterator it(tree.get()); *it; ++it)
        {
            const bool bit = tree->GetItemState(*it, CMultiTree::TVIS_SELECTED) != 0;
            EXPECT_EQ(bit, (*it)->isSelected()) << "item " << nameOf(*it);
            if (bit)
                out += (out.empty() ? "" : ",") + nameOf(*it);
        }
        return out;
    }

    std::string caret() const { return nameOf(tree->currentItem()); }

    QPoint labelPoint(const QTreeWidgetItem* item) const
    {
        const QRect r = tree->visualItemRect(item);
        return QPoint(r.left() + 3, r.center().y());
    }
    QPoint rightOf(const QTreeWidgetItem* item) const
    {
        return QPoint(tree->viewport()->width() - 10, tree->visualItemRect(item).center().y());
    }
    // Where a band that started right of a label is dragged to: a little to the left, so that the
    // band has a width.
    QPoint bandTo(const QTreeWidgetItem* item) const { return rightOf(item) - QPoint(40, 0); }
    QPoint emptyPoint() const { return QPoint(40, tree->viewport()->height() - 5); }

    QWidget* vp() const { return tree->viewport(); }
    void press(QPoint p, Qt::KeyboardModifiers keys = {}, Qt::MouseButton b = Qt::LeftButton)
    {
        QTest::mousePress(vp(), b, keys, p);
    }
    void release(QPoint p, Qt::KeyboardModifiers keys = {}, Qt::MouseButton b = Qt::LeftButton)
    {
        QTest::mouseRelease(vp(), b, keys, p);
    }
    void move(QPoint p) { QTest::mouseMove(vp(), p); }
    void clickAt(QPoint p, Qt::KeyboardModifiers keys = {}, Qt::MouseButton b = Qt::LeftButton)
    {
        press(p, keys, b);
        release(p, keys, b);
    }
    void clickItem(int i, Qt::KeyboardModifiers keys = {}) { clickAt(labelPoint(items[i]), keys); }

    QRubberBand* band() const { return tree->viewport()->findChild<QRubberBand*>(); }

    std::unique_ptr<TestTree> tree;
    std::vector<QTreeWidgetItem*> items;
    std::vector<Note> log;
    std::set<std::string> refused;
    bool refuseSelect = true;
    bool refuseDeselect = true;
    QPoint dragPoint;
};

class FlatTree : public MultiTreeTest
{
protected:
    void SetUp() override
    {
        MultiTreeTest::SetUp();
        addFlatItems(8);
        showTree();
        ASSERT_EQ(tree->itemAt(emptyPoint()), nullptr) << "the test tree needs empty space below its rows";
    }
};

// --- Clicks ----------------------------------------------------------------------------------------

TEST_F(FlatTree, PlainClickOnOneOfSeveralSelectedKeepsThemUntilRelease)
{
    clickItem(1);
    clickItem(2, Qt::ControlModifier);
    clickItem(3, Qt::ControlModifier);
    ASSERT_EQ(selected(), "1,2,3");
    log.clear();

    press(labelPoint(items[2]));
    EXPECT_EQ(selected(), "1,2,3"); // a drag would carry them all
    EXPECT_EQ(caret(), "2");
    release(labelPoint(items[2]));
    EXPECT_EQ(selected(), "2");
    EXPECT_EQ(caret(), "2");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().text, "click 2");
    EXPECT_TRUE(logged("changed-1"));
    EXPECT_TRUE(logged("changed-3"));
}

TEST_F(FlatTree, PlainPressOnUnselectedItemDeselectsOthersAtPress)
{
    clickItem(1);
    clickItem(2, Qt::ControlModifier);
    press(labelPoint(items[5]));
    EXPECT_EQ(selected(), "5");
    EXPECT_EQ(caret(), "5");
    release(labelPoint(items[5]));
    EXPECT_EQ(selected(), "5");
    EXPECT_EQ(log.back().text, "click 5");
}

TEST_F(FlatTree, CtrlClickTogglesOnReleaseAndMovesCaret)
{
    clickItem(1);
    press(labelPoint(items[3]), Qt::ControlModifier);
    EXPECT_EQ(selected(), "1");
    EXPECT_EQ(caret(), "1");
    release(labelPoint(items[3]), Qt::ControlModifier);
    EXPECT_EQ(selected(), "1,3");
    EXPECT_EQ(caret(), "3");

    clickItem(3, Qt::ControlModifier); // toggles off, caret stays on it
    EXPECT_EQ(selected(), "1");
    EXPECT_EQ(caret(), "3");
    clickItem(5, Qt::ControlModifier); // the earlier caret item keeps its state
    EXPECT_EQ(selected(), "1,5");
    EXPECT_EQ(caret(), "5");
    EXPECT_EQ(tree->m_hRangeAnchor, nullptr);
}

TEST_F(FlatTree, ShiftClickSelectsRangeFromAnchorAndDeselectsTheRest)
{
    clickItem(2);
    ASSERT_TRUE(tree->ChangeItemState(items[7], CMultiTree::TVIS_SELECTED, CMultiTree::TVIS_SELECTED));
    clickItem(5, Qt::ShiftModifier);
    EXPECT_EQ(selected(), "2,3,4,5");
    EXPECT_EQ(caret(), "5");
    EXPECT_EQ(tree->m_hRangeAnchor, items[2]);
    EXPECT_EQ(log.back().text, "click 5");

    clickItem(0, Qt::ShiftModifier); // same anchor, other direction
    EXPECT_EQ(selected(), "0,1,2");
    EXPECT_EQ(caret(), "0");
}

TEST_F(FlatTree, CtrlShiftClickAddsRangeAndKeepsTheRest)
{
    clickItem(6);
    ASSERT_TRUE(tree->ChangeItemState(items[0], CMultiTree::TVIS_SELECTED, CMultiTree::TVIS_SELECTED));
    clickItem(3, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(selected(), "0,3,4,5,6");
    EXPECT_EQ(caret(), "3");
}

TEST_F(FlatTree, PressIntoEmptySpaceClearsSelectionAndSendsBareClick)
{
    clickItem(1);
    clickItem(2, Qt::ControlModifier);
    log.clear();
    clickAt(emptyPoint());
    EXPECT_EQ(selected(), "");
    EXPECT_EQ(log.back().text, "click -");
    EXPECT_TRUE(log.back().own);

    clickItem(4);
    clickAt(rightOf(items[6])); // right of a label is empty space as well
    EXPECT_EQ(selected(), "");

    clickItem(4);
    clickAt(emptyPoint(), Qt::ControlModifier); // with Ctrl the selection stays
    EXPECT_EQ(selected(), "4");
    EXPECT_EQ(log.back().text, "click -");
}

// --- Rubber band -------------------------------------------------------------------------------------

TEST_F(FlatTree, BandOverRowsThreeToFiveSelectsExactlyThem)
{
    clickItem(0);
    press(rightOf(items[3]));
    EXPECT_EQ(selected(), "0"); // nothing yet: the band has not started
    move(bandTo(items[4]));
    EXPECT_EQ(selected(), "3,4");
    move(bandTo(items[5]) - QPoint(30, 0));
    EXPECT_EQ(selected(), "3,4,5");
    ASSERT_NE(band(), nullptr);
    EXPECT_TRUE(band()->isVisible());
    release(bandTo(items[5]) - QPoint(30, 0));
    EXPECT_EQ(selected(), "3,4,5");
    EXPECT_FALSE(band()->isVisible());
    EXPECT_EQ(caret(), "0"); // the band does not move the caret
    EXPECT_EQ(log.back().text, "click -");
}

TEST_F(FlatTree, EscapeDuringBandDeselectsEverything)
{
    clickItem(0);
    press(rightOf(items[3]));
    move(bandTo(items[5]));
    ASSERT_EQ(selected(), "3,4,5");
    log.clear();
    QTest::keyClick(tree.get(), Qt::Key_Escape);
    EXPECT_EQ(selected(), "");
    EXPECT_FALSE(band()->isVisible());
    EXPECT_EQ(countLogged("click -"), 1);
    move(bandTo(items[7])); // the band is over: moving selects nothing
    release(bandTo(items[7]));
    EXPECT_EQ(selected(), "");
    EXPECT_EQ(countLogged("click"), 1);
}

TEST_F(FlatTree, CtrlBandInvertsWhatItCoversAndRestoresWhatItLeaves)
{
    clickItem(1);
    clickItem(4, Qt::ControlModifier);
    ASSERT_EQ(selected(), "1,4");
    press(rightOf(items[3]), Qt::ControlModifier);
    move(bandTo(items[4]));
    EXPECT_EQ(selected(), "1,3"); // row 4 was selected before: covered, it is deselected
    move(bandTo(items[3]) + QPoint(-30, 3));
    EXPECT_EQ(selected(), "1,3,4"); // the band left row 4: restored
    release(bandTo(items[3]) + QPoint(-30, 3), Qt::ControlModifier);
    EXPECT_EQ(selected(), "1,3,4");
}

TEST_F(FlatTree, ShiftBandAddsAndStopsProtectingWhatItPassed)
{
    clickItem(4);
    press(rightOf(items[2]), Qt::ShiftModifier);
    move(bandTo(items[5]));
    EXPECT_EQ(selected(), "2,3,4,5");
    move(bandTo(items[3]));
    EXPECT_EQ(selected(), "2,3"); // 4 was passed over: no longer kept
    release(bandTo(items[3]), Qt::ShiftModifier);
    EXPECT_EQ(selected(), "2,3");
}

TEST_F(FlatTree, BandOfZeroWidthOrHeightCoversNothing)
{
    clickItem(3);
    const QPoint start = rightOf(items[2]);
    press(start);
    move(QPoint(start.x(), tree->visualItemRect(items[5]).center().y())); // straight down
    EXPECT_TRUE(band()->isVisible());
    EXPECT_EQ(band()->geometry().width(), 0);
    EXPECT_EQ(selected(), "");
    move(QPoint(start.x() - 1, tree->visualItemRect(items[5]).center().y()));
    EXPECT_EQ(selected(), "2,3,4,5");
    release(QPoint(start.x() - 1, tree->visualItemRect(items[5]).center().y()));

    press(start);
    move(start - QPoint(40, 0)); // straight left
    EXPECT_EQ(selected(), "");
    release(start - QPoint(40, 0));
    EXPECT_EQ(selected(), "");
}

TEST_F(FlatTree, BandMovingLessThanTheDragSizeIsAClick)
{
    clickItem(2);
    const QPoint start = rightOf(items[5]);
    const int drag = QApplication::startDragDistance();
    press(start);
    move(start + QPoint(-drag, drag));
    EXPECT_EQ(selected(), "2");
    EXPECT_FALSE(band()->isVisible());
    release(start + QPoint(-drag, drag));
    EXPECT_EQ(selected(), ""); // as a click into empty space
}

// --- Drags -------------------------------------------------------------------------------------------

TEST_F(FlatTree, DragBeyondTheDragSizeSendsBeginDrag)
{
    clickItem(1);
    clickItem(2, Qt::ControlModifier);
    clickItem(5);
    clickItem(1, Qt::ControlModifier);
    ASSERT_EQ(selected(), "1,5");
    log.clear();
    const QPoint start = labelPoint(items[2]);
    const int drag = QApplication::startDragDistance();
    press(start);
    move(start + QPoint(drag, 0));
    EXPECT_FALSE(logged("drag 2"));
    move(start + QPoint(drag + 1, 0));
    EXPECT_TRUE(logged("drag 2"));
    EXPECT_EQ(dragPoint, start);
    EXPECT_EQ(caret(), "2");
    release(start + QPoint(drag + 1, 0));
    EXPECT_EQ(selected(), "2");
    EXPECT_EQ(countLogged("click"), 0);

    log.clear();
    clickItem(4, Qt::ControlModifier);
    ASSERT_EQ(selected(), "2,4");
    press(labelPoint(items[4]));
    move(labelPoint(items[4]) + QPoint(0, -drag - 1));
    EXPECT_TRUE(logged("drag 4"));
    EXPECT_EQ(selected(), "2,4"); // a drag carries the whole selection
    release(labelPoint(items[4]) + QPoint(0, -drag - 1));
}

TEST_F(FlatTree, DragWithDragDropDisabledSelectsButSendsNothing)
{
    tree->setDragDropDisabled(true);
    clickItem(0);
    log.clear();
    press(labelPoint(items[3]));
    move(labelPoint(items[3]) + QPoint(40, 40));
    release(labelPoint(items[3]) + QPoint(40, 40));
    EXPECT_EQ(selected(), "3");
    EXPECT_EQ(caret(), "3");
    EXPECT_EQ(countLogged("drag"), 0);
    EXPECT_EQ(countLogged("click"), 0);
}

// --- Right button ------------------------------------------------------------------------------------

TEST_F(FlatTree, RightPressSelectsLikeLeftAndCallsTheHookAfterTheClick)
{
    clickItem(1);
    std::string stateAtHook;
    tree->onRightHandled = [&] { stateAtHook = selected() + "/" + log.back().text; };
    press(labelPoint(items[3]), {}, Qt::RightButton);
    EXPECT_EQ(selected(), "3");
    EXPECT_TRUE(tree->rightHandled.empty());
    release(labelPoint(items[3]), {}, Qt::RightButton);
    ASSERT_EQ(tree->rightHandled.size(), 1u);
    EXPECT_EQ(tree->rightHandled[0], labelPoint(items[3]));
    EXPECT_EQ(stateAtHook, "3/rclick 3");

    clickAt(labelPoint(items[3]), {}, Qt::RightButton); // on a selected item: nothing changes
    EXPECT_EQ(selected(), "3");
    EXPECT_EQ(tree->rightHandled.size(), 2u);
}

TEST_F(FlatTree, CtrlRightPressSetsTheAnchorOnly)
{
    clickItem(1);
    clickAt(labelPoint(items[5]), Qt::ControlModifier, Qt::RightButton);
    EXPECT_EQ(selected(), "1");
    EXPECT_EQ(caret(), "1");
    EXPECT_EQ(tree->m_hRangeAnchor, items[5]);
    clickAt(labelPoint(items[3]), Qt::ShiftModifier, Qt::RightButton); // Shift: nothing
    EXPECT_EQ(selected(), "1");
    clickItem(3, Qt::ShiftModifier); // the range runs from the anchor
    EXPECT_EQ(selected(), "3,4,5");
    EXPECT_EQ(log.back().text, "click 3");
}

TEST_F(FlatTree, RightPressInEmptySpaceRunsABand)
{
    clickItem(2);
    clickAt(emptyPoint(), {}, Qt::RightButton);
    EXPECT_EQ(selected(), "");
    EXPECT_EQ(log.back().text, "rclick -");
    EXPECT_EQ(tree->rightHandled.size(), 1u);

    press(rightOf(items[1]), {}, Qt::RightButton);
    move(bandTo(items[2]));
    release(bandTo(items[2]), {}, Qt::RightButton);
    EXPECT_EQ(selected(), "1,2");
    EXPECT_EQ(tree->rightHandled.size(), 2u);
}

TEST_F(FlatTree, RightDragSendsBeginRDrag)
{
    press(labelPoint(items[6]), {}, Qt::RightButton);
    move(labelPoint(items[6]) + QPoint(30, 0));
    EXPECT_TRUE(logged("rdrag 6"));
    EXPECT_EQ(tree->rightHandled.size(), 1u);
    release(labelPoint(items[6]) + QPoint(30, 0), {}, Qt::RightButton);
    EXPECT_EQ(countLogged("rclick"), 0);
    EXPECT_EQ(tree->rightHandled.size(), 1u);
}

// --- Lost mouse grab ---------------------------------------------------------------------------------

TEST_F(FlatTree, LosingTheGrabEndsAPressWithoutOutcome)
{
    clickItem(1);
    clickItem(4, Qt::ControlModifier);
    log.clear();
    press(labelPoint(items[4]));
    QWidget other;
    other.show();
    other.grabMouse();
    QTest::qWait(250);
    other.releaseMouse();
    release(labelPoint(items[4]));
    EXPECT_EQ(countLogged("click"), 0);
    EXPECT_EQ(selected(), "1,4"); // no click: the selection is not reduced
}

TEST_F(FlatTree, LosingTheGrabEndsABandAsAReleaseDoes)
{
    press(rightOf(items[1]));
    move(bandTo(items[3]));
    ASSERT_EQ(selected(), "1,2,3");
    QWidget other;
    other.show();
    other.grabMouse();
    QTRY_VERIFY_WITH_TIMEOUT(!band()->isVisible(), 2000);
    other.releaseMouse();
    EXPECT_EQ(log.back().text, "click -");
    release(bandTo(items[5]));
    EXPECT_EQ(selected(), "1,2,3");
    EXPECT_EQ(countLogged("click"), 1);
}

TEST_F(FlatTree, HidingTheControlEndsABand)
{
    press(rightOf(items[1]));
    move(bandTo(items[3]));
    ASSERT_EQ(selected(), "1,2,3");
    tree->hide();
    QTRY_VERIFY_WITH_TIMEOUT(logged("click -"), 2000);
    release(bandTo(items[3]));
    EXPECT_EQ(countLogged("click"), 1);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

// --- Notifications -----------------------------------------------------------------------------------

TEST_F(FlatTree, RefusedSelectionChangeLeavesTheBitAndReturnsFalse)
{
    tree->DeselectAll(); // focusing the tree made the first item the caret
    log.clear();
    refused = {"3"};
    EXPECT_FALSE(tree->ChangeItemState(items[3], CMultiTree::TVIS_SELECTED, CMultiTree::TVIS_SELECTED));
    EXPECT_EQ(selected(), "");
    EXPECT_TRUE(logged("changing+3"));
    EXPECT_FALSE(logged("changed+3"));

    refused = {"2"};
    refuseSelect = false;
    for (int i : {1, 2, 5})
        ASSERT_TRUE(tree->ChangeItemState(items[i], CMultiTree::TVIS_SELECTED, CMultiTree::TVIS_SELECTED));
    tree->DeselectAll(); // the walk goes on past the refused item
    EXPECT_EQ(selected(), "2");
    EXPECT_TRUE(logged("changed-1"));
    EXPECT_TRUE(logged("changed-5"));
}

TEST_F(FlatTree, OwnNotifyIsSetForOwnNotificationsOnlyAndRestoredAfterNestedSends)
{
    clickItem(1);
    clickItem(3, Qt::ControlModifier);
    clickItem(2, Qt::ShiftModifier);
    press(rightOf(items[4]));
    move(bandTo(items[6]));
    release(bandTo(items[6]));
    press(labelPoint(items[0]));
    move(labelPoint(items[0]) + QPoint(0, 30));
    release(labelPoint(items[0]) + QPoint(0, 30));
    clickAt(labelPoint(items[7]), {}, Qt::RightButton);
    QTest::keyClick(tree.get(), Qt::Key_Up);
    ASSERT_GT(countLogged("caret"), 3);
    for (const char* kind : {"changing", "changed", "click", "drag", "rclick"})
        EXPECT_GT(countLogged(kind), 0) << kind;
    for (const Note& n : log)
        EXPECT_EQ(n.own, n.text.rfind("caret", 0) != 0) << n.text;

    // A caret move made from inside an own notification is still the platform's own.
    bool ownAfterNested = false;
    QObject::connect(tree.get(), &CMultiTree::selChanged,
                     [&](QTreeWidgetItem* n, QTreeWidgetItem*)
                     {
                         if (n == items[5])
                         {
                             tree->SelectItem(items[0]);
                             ownAfterNested = tree->m_bOwnNotify;
                         }
                     });
    log.clear();
    tree->ChangeItemState(items[5], CMultiTree::TVIS_SELECTED, CMultiTree::TVIS_SELECTED);
    EXPECT_TRUE(ownAfterNested);
    EXPECT_FALSE(tree->m_bOwnNotify);
    ASSERT_TRUE(logged("caret 0<6"));
    for (const Note& n : log)
        EXPECT_EQ(n.own, n.text.rfind("caret", 0) != 0) << n.text;
}

// --- ChangeItemState and the caret -------------------------------------------------------------------

TEST_F(FlatTree, MakingAnItemTheCaretKeepsEverySelection)
{
    clickItem(1);
    log.clear();
    EXPECT_TRUE(tree->ChangeItemState(items[3], CMultiTree::TVIS_FOCUSED, CMultiTree::TVIS_FOCUSED));
    EXPECT_EQ(caret(), "3");
    EXPECT_EQ(selected(), "1"); // the old caret item stays selected, the new one is not selected
    EXPECT_TRUE(logged("changed-3"));

    EXPECT_TRUE(tree->ChangeItemState(items[3], 0, CMultiTree::TVIS_FOCUSED)); // take the caret away
    EXPECT_EQ(caret(), "-");
    EXPECT_EQ(selected(), "1");

    clickItem(4);
    EXPECT_TRUE(tree->ChangeItemState(items[4], 0, CMultiTree::TVIS_FOCUSED));
    EXPECT_EQ(caret(), "-");
    EXPECT_EQ(selected(), "4");

    // Caret and selected together on an item that is the unselected caret.
    tree->ChangeItemState(items[6], CMultiTree::TVIS_FOCUSED, CMultiTree::TVIS_FOCUSED);
    ASSERT_EQ(selected(), "4");
    log.clear();
    const unsigned both = CMultiTree::TVIS_SELECTED | CMultiTree::TVIS_FOCUSED;
    EXPECT_TRUE(tree->ChangeItemState(items[6], both, both));
    EXPECT_EQ(selected(), "4,6");
    EXPECT_TRUE(logged("changed+6"));
}

TEST_F(FlatTree, OtherStateBitsGoToTheItem)
{
    log.clear();
    EXPECT_TRUE(tree->ChangeItemState(items[2], CMultiTree::TVIS_BOLD, CMultiTree::TVIS_BOLD));
    EXPECT_TRUE(items[2]->font(0).bold());
    EXPECT_EQ(tree->GetItemState(items[2], CMultiTree::TVIS_BOLD), unsigned(CMultiTree::TVIS_BOLD));
    EXPECT_TRUE(log.empty()); // no selection notifications for other bits
    EXPECT_TRUE(tree->ChangeItemState(items[2], 0x4, 0x4 | CMultiTree::TVIS_BOLD));
    EXPECT_FALSE(items[2]->font(0).bold());
    EXPECT_EQ(tree->GetItemState(items[2], 0xffff), 0x4u);

    CMultiTree other;
    auto* stranger = new QTreeWidgetItem(&other, QStringList("x"));
    EXPECT_FALSE(tree->ChangeItemState(stranger, CMultiTree::TVIS_SELECTED, CMultiTree::TVIS_SELECTED));
    EXPECT_FALSE(tree->SelectItem(stranger));

    int row = 7;
    CMultiTree::SetItemData(items[1], &row);
    EXPECT_EQ(CMultiTree::GetItemData(items[1]), &row);
    EXPECT_EQ(CMultiTree::GetItemData(items[0]), nullptr);
}

// --- Keys --------------------------------------------------------------------------------------------

TEST_F(FlatTree, ShiftDownSelectsFromTheCaretAndDeselectsOthers)
{
    clickItem(2);
    tree->ChangeItemState(items[6], CMultiTree::TVIS_SELECTED, CMultiTree::TVIS_SELECTED);
    ASSERT_EQ(tree->m_hRangeAnchor, nullptr);
    QTest::keyClick(tree.get(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(selected(), "2,3");
    EXPECT_EQ(caret(), "3");
    EXPECT_EQ(tree->m_hRangeAnchor, items[2]);
    QTest::keyClick(tree.get(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(selected(), "2,3,4");
    QTest::keyClick(tree.get(), Qt::Key_Up, Qt::ShiftModifier);
    QTest::keyClick(tree.get(), Qt::Key_Up, Qt::ShiftModifier);
    QTest::keyClick(tree.get(), Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(selected(), "1,2");
    EXPECT_EQ(caret(), "1");
}

TEST_F(FlatTree, PlainDownDeselectsEverythingThenSelectsTheNewCaret)
{
    clickItem(2);
    clickItem(5, Qt::ControlModifier);
    tree->m_hRangeAnchor = items[0];
    log.clear();
    QTest::keyClick(tree.get(), Qt::Key_Down);
    EXPECT_EQ(selected(), "6");
    EXPECT_EQ(caret(), "6");
    EXPECT_EQ(tree->m_hRangeAnchor, nullptr);
    const std::vector<std::string> expected = {"changing-2", "changed-2", "changing-5", "changed-5",
                                               "caret 6<5"};
    EXPECT_EQ(texts(), expected);
}

TEST_F(FlatTree, CtrlDownMovesTheCaretOnly)
{
    clickItem(2);
    QTest::keyClick(tree.get(), Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(caret(), "3");
    QTest::keyClick(tree.get(), Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(caret(), "4");
    EXPECT_EQ(selected(), "2");
    QTest::keyClick(tree.get(), Qt::Key_Down, Qt::ShiftModifier); // range from the anchor set above
    EXPECT_EQ(selected(), "2,3,4,5");
}

// --- Trees with children -----------------------------------------------------------------------------

class NestedTree : public MultiTreeTest
{
protected:
    // 0, P (c0..c3), 2, 3
    void SetUp() override
    {
        MultiTreeTest::SetUp();
        items.push_back(new QTreeWidgetItem(tree.get(), QStringList("0")));
        parent = new QTreeWidgetItem(tree.get(), QStringList("P"));
        for (int i = 0; i < 4; ++i)
            children.push_back(new QTreeWidgetItem(parent, QStringList("c" + QString::number(i))));
        items.push_back(parent);
        items.push_back(new QTreeWidgetItem(tree.get(), QStringList("2")));
        items.push_back(new QTreeWidgetItem(tree.get(), QStringList("3")));
        parent->setExpanded(true);
        showTree();
    }
    QTreeWidgetItem* parent = nullptr;
    std::vector<QTreeWidgetItem*> children;
};

TEST_F(NestedTree, CollapsingAParentHoldingTheCaretDeselectsChildrenAndRemovesCaret)
{
    clickAt(labelPoint(children[1]));
    clickAt(labelPoint(items[3]), Qt::ControlModifier);
    clickAt(labelPoint(children[2]), Qt::ControlModifier);
    ASSERT_EQ(selected(), "c1,c2,3");
    ASSERT_EQ(caret(), "c2");
    parent->setExpanded(false);
    EXPECT_EQ(selected(), "3");
    EXPECT_EQ(caret(), "-");
}

TEST_F(NestedTree, CollapsingASelectedParentLeavesTheCaretOnIt)
{
    clickAt(labelPoint(parent));
    clickAt(labelPoint(children[3]), Qt::ControlModifier);
    ASSERT_EQ(selected(), "P,c3");
    ASSERT_EQ(caret(), "c3");
    parent->setExpanded(false);
    EXPECT_EQ(selected(), "P");
    EXPECT_EQ(caret(), "P");
}

TEST_F(NestedTree, PressOnTheExpandButtonGetsDefaultHandling)
{
    clickAt(labelPoint(children[0]));
    clickAt(labelPoint(items[0]), Qt::ControlModifier);
    ASSERT_EQ(selected(), "0,c0");
    log.clear();
    const QRect content = tree->visualItemRect(parent);
    const QPoint button(content.left() - tree->indentation() / 2, content.center().y());
    clickAt(button);
    EXPECT_FALSE(parent->isExpanded());
    EXPECT_EQ(selected(), "0"); // collapsing deselected the child; the press itself selected nothing
    EXPECT_EQ(caret(), "0");
    EXPECT_EQ(countLogged("click"), 0);
    clickAt(button);
    EXPECT_TRUE(parent->isExpanded());
    EXPECT_EQ(selected(), "0");
}

TEST_F(NestedTree, DoubleClickOnALabelTogglesExpansion)
{
    QSignalSpy doubleClicks(tree.get(), &QTreeWidget::itemDoubleClicked);
    const QPoint p = labelPoint(parent);
    press(p);
    release(p);
    QTest::mouseDClick(vp(), Qt::LeftButton, {}, p);
    release(p);
    EXPECT_FALSE(parent->isExpanded());
    EXPECT_EQ(doubleClicks.count(), 1);
    EXPECT_EQ(selected(), "P");
    EXPECT_EQ(countLogged("click"), 1);
}

TEST_F(NestedTree, WalksVisitVisibleItemsOnly)
{
    for (QTreeWidgetItem* item : {items[0], children[1], items[3]})
        tree->ChangeItemState(item, CMultiTree::TVIS_SELECTED, CMultiTree::TVIS_SELECTED);
    EXPECT_EQ(tree->FindFirstSelected(), items[0]);
    EXPECT_EQ(tree->FindNextSelected(items[0]), children[1]);
    EXPECT_EQ(tree->FindNextSelected(children[1]), items[3]);
    EXPECT_EQ(tree->FindNextSelected(items[3]), nullptr);
    QList<QTreeWidgetItem*> snapshot = {items[2]};
    tree->SnapshotSelection(snapshot);
    EXPECT_EQ(snapshot, (QList<QTreeWidgetItem*>{items[0], children[1], items[3]}));

    // Inside a collapsed item nothing is visible, even a selected bit set directly.
    parent->setExpanded(false);
    tree->ChangeItemState(children[2], CMultiTree::TVIS_SELECTED, CMultiTree::TVIS_SELECTED);
    EXPECT_EQ(tree->FindNextSelected(items[0]), items[3]);
    EXPECT_EQ(tree->FindNextSelected(children[2]), nullptr);
    tree->SnapshotSelection(snapshot);
    EXPECT_EQ(snapshot, (QList<QTreeWidgetItem*>{items[0], items[3]}));
    tree->DeselectAll();
    EXPECT_EQ(selected(), "c2"); // DeselectAll walks visible items only
}

TEST_F(NestedTree, RangeWithAnEndOutOfSightRunsToTheLastVisibleItem)
{
    tree->SelectVisibleRange(children[2], items[0], false);
    EXPECT_EQ(selected(), "0,P,c0,c1,c2");
    tree->DeselectAll();
    parent->setExpanded(false);
    tree->SelectVisibleRange(items[0], children[1], true);
    EXPECT_EQ(selected(), "0,P,2,3");
    tree->SelectVisibleRange(children[0], children[1], true); // neither end visible
    EXPECT_EQ(selected(), "");
    tree->SelectVisibleRange(items[2], items[2], false);
    EXPECT_EQ(selected(), "2");
}

TEST_F(NestedTree, SetChildrenSelectedReportsTheCaret)
{
    auto* grandChild = new QTreeWidgetItem(children[1], QStringList("g"));
    children[1]->setExpanded(true);
    tree->SelectItem(grandChild);
    EXPECT_TRUE(tree->SetChildrenSelected(parent, true, true));
    EXPECT_EQ(selected(), "c0,c1,g,c2,c3");
    EXPECT_TRUE(tree->SetChildrenSelected(children[1], false, false));
    EXPECT_EQ(selected(), "c0,c1,c2,c3");
    tree->ChangeItemState(grandChild, CMultiTree::TVIS_SELECTED, CMultiTree::TVIS_SELECTED);
    EXPECT_FALSE(tree->SetChildrenSelected(parent, false, false)); // the caret is a grandchild
    EXPECT_EQ(selected(), "g");
}

// --- Scrolling and large trees -----------------------------------------------------------------------

TEST_F(MultiTreeTest, BandOnAScrolledTreeMatchesTheRowsOnScreen)
{
    addFlatItems(40);
    items[3]->addChild(new QTreeWidgetItem(QStringList("hidden")));
    showTree();
    tree->verticalScrollBar()->setValue(6);
    QApplication::processEvents();
    QTreeWidgetItem* first = tree->itemAt(QPoint(20, 2));
    ASSERT_NE(first, nullptr);
    const int row = first->text(0).toInt();
    press(rightOf(items[row + 2]));
    move(bandTo(items[row + 4]));
    release(bandTo(items[row + 4]));
    EXPECT_EQ(selected(),
              std::to_string(row + 2) + "," + std::to_string(row + 3) + "," + std::to_string(row + 4));
}

TEST_F(MultiTreeTest, BandKeepsScrollingWhileTheCursorIsBelow)
{
    addFlatItems(60);
    showTree();
    press(rightOf(items[1]));
    move(QPoint(100, tree->viewport()->height() + 20));
    const int afterMove = tree->verticalScrollBar()->value();
    QTRY_VERIFY_WITH_TIMEOUT(tree->verticalScrollBar()->value() > afterMove + 2, 3000);
    release(QPoint(100, tree->viewport()->height() + 20));
    const int scrolled = tree->verticalScrollBar()->value();
    QTreeWidgetItem* last = tree->FindFirstSelected();
    for (QTreeWidgetItem* next = last; next; next = tree->FindNextSelected(next))
        last = next;
    EXPECT_EQ(tree->FindFirstSelected(), items[1]);
    ASSERT_NE(last, nullptr);
    EXPECT_GT(last->text(0).toInt(), scrolled); // rows scrolled into view joined the band
}

TEST_F(FlatTree, RemovingTheAnchorItemClearsTheAnchor)
{
    clickAt(labelPoint(items[5]), Qt::ControlModifier, Qt::RightButton);
    ASSERT_EQ(tree->m_hRangeAnchor, items[5]);
    delete items[4];
    EXPECT_EQ(tree->m_hRangeAnchor, items[5]);
    delete items[5];
    EXPECT_EQ(tree->m_hRangeAnchor, nullptr);
    tree->clear();
    EXPECT_EQ(tree->FindFirstSelected(), nullptr);
}

TEST_F(FlatTree, CaretMovesMadeOutsideTheControlActLikeThePlatformTree)
{
    clickItem(3);
    clickItem(5, Qt::ControlModifier);
    log.clear();
    tree->setCurrentItem(items[1]); // Qt's own caret move
    EXPECT_EQ(selected(), "1,3");
    EXPECT_EQ(caret(), "1");
    ASSERT_EQ(texts(), std::vector<std::string>{"caret 1<5"});
    EXPECT_FALSE(log[0].own);

    log.clear();
    delete items[1]; // the caret item goes: the platform picks another caret and says so
    EXPECT_EQ(caret(), "0");
    EXPECT_EQ(selected(), "0,3");
    EXPECT_TRUE(logged("caret 0<1"));
}

TEST_F(MultiTreeTest, ShiftRangeOverAHundredThousandRows)
{
    constexpr int kRows = 100000;
    auto* root = new QTreeWidgetItem(tree.get(), QStringList("root"));
    QList<QTreeWidgetItem*> rows;
    rows.reserve(kRows);
    for (int i = 0; i < kRows; ++i)
        rows.append(new QTreeWidgetItem(QStringList(QString::number(i))));
    root->addChildren(rows);
    root->setExpanded(true);
    showTree();
    QSignalSpy changed(tree.get(), &CMultiTree::selChanged);

    clickAt(labelPoint(root));
    tree->scrollToBottom();
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    clickAt(labelPoint(rows.last()), Qt::ShiftModifier);
    QApplication::processEvents();
    RecordProperty("shiftRangeMs", static_cast<int>(timer.elapsed()));
    EXPECT_EQ(tree->selectedItems().size(), kRows + 1);
    EXPECT_EQ(changed.count(), kRows); // one per row of the range; the caret move selected the root
    EXPECT_EQ(caret(), std::to_string(kRows - 1));

    timer.restart();
    clickAt(labelPoint(rows.last()));
    RecordProperty("plainClickMs", static_cast<int>(timer.elapsed()));
    EXPECT_EQ(tree->selectedItems().size(), 1);
}
} // namespace
