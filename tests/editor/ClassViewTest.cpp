// The class view on the sample data: the tree's shape, texts and images, the pane's layout and
// toolbar, the caret reaching the properties pane, and creating rows ("新建" from the row menu, the
// toolbar menu and File -> New).
#include "ClassViewTestSupport.h"
#include "ShellTestSupport.h"

#include "editor/ClassViewImages.h"
#include "editor/resource.h"

#include <QContextMenuEvent>
#include <QMessageBox>
#include <QProxyStyle>
#include <QToolBar>
#include <QToolButton>

namespace classviewtest
{
namespace
{

const QStringList kLabels = {QStringLiteral("物品"), QStringLiteral("怪物"), QStringLiteral("技能"),
                             QStringLiteral("掉落"), QStringLiteral("NPC"),  QStringLiteral("任务")};

bool Bold(const QTreeWidgetItem* item)
{
    return item->font(0).bold() &&
           static_cast<CMultiTree*>(item->treeWidget())->GetItemState(item, CMultiTree::TVIS_BOLD) != 0;
}

TEST_F(ClassViewTest, TreeShowsTheTablesAndTheirRows)
{
    Start();
    ASSERT_EQ(Tree()->topLevelItemCount(), 1);
    QTreeWidgetItem* root = Root();
    EXPECT_EQ(root->text(0), QStringLiteral("编辑元素"));
    EXPECT_TRUE(Bold(root));
    EXPECT_TRUE(root->isExpanded());
    EXPECT_EQ(RowOf(root), nullptr);

    QStringList labels;
    for (int t = 0; t < root->childCount(); ++t)
    {
        QTreeWidgetItem* tableItem = TableItem(t);
        labels << tableItem->text(0);
        EXPECT_TRUE(Bold(tableItem)) << t;
        EXPECT_FALSE(tableItem->isExpanded()) << t;
        EXPECT_EQ(RowOf(tableItem), nullptr) << t;
        for (int r = 0; r < tableItem->childCount(); ++r)
        {
            EXPECT_FALSE(Bold(RowItem(t, r)));
            EXPECT_EQ(RowItem(t, r)->childCount(), 0);
        }
    }
    EXPECT_EQ(labels, kLabels);
    ExpectTreeMatchesTables(View());

    // Known rows of the sample data.
    EXPECT_EQ(TableItem(0)->childCount(), 80);
    EXPECT_EQ(RowItem(0, 0)->text(0), QStringLiteral("粗糙的铁剑"));
    EXPECT_EQ(RowOf(RowItem(0, 0))->Id(), 1001);
    EXPECT_EQ(TableItem(1)->childCount(), 60);
    EXPECT_EQ(RowItem(1, 1)->text(0), QStringLiteral("骷髅兵"));
    EXPECT_EQ(RowItem(1, 59)->text(0), Q(RowAt(1, 59)->Name()));
}

TEST_F(ClassViewTest, ItemsShowTheHouseTheGlobeAndTheForm)
{
    Start();
    const QIcon house = Root()->icon(0);
    const QIcon globe = TableItem(0)->icon(0);
    const QIcon form = RowItem(0, 0)->icon(0);
    for (const QIcon& icon : {house, globe, form})
    {
        ASSERT_FALSE(icon.isNull());
        EXPECT_TRUE(icon.availableSizes().contains(QSize(16, 15)));
    }
    EXPECT_NE(house.cacheKey(), globe.cacheKey());
    EXPECT_NE(house.cacheKey(), form.cacheKey());
    EXPECT_NE(globe.cacheKey(), form.cacheKey());
    EXPECT_EQ(house.cacheKey(), classview::TreeImage(classview::kImageRoot).cacheKey());
    EXPECT_EQ(globe.cacheKey(), classview::TreeImage(classview::kImageTable).cacheKey());
    EXPECT_EQ(form.cacheKey(), classview::TreeImage(classview::kImageRow).cacheKey());
    // Drawn once: every table and every row shares its image.
    EXPECT_EQ(TableItem(5)->icon(0).cacheKey(), globe.cacheKey());
    EXPECT_EQ(RowItem(3, 7)->icon(0).cacheKey(), form.cacheKey());
    // The images are drawn, not empty.
    const QImage image = form.pixmap(QSize(16, 15)).toImage();
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            opaque += qAlpha(image.pixel(x, y)) > 0;
    EXPECT_GT(opaque, 100);
    EXPECT_TRUE(classview::TreeImage(0).isNull());
    EXPECT_TRUE(classview::TreeImage(11).isNull());
}

TEST_F(ClassViewTest, ToolbarOnTopAndTheFramedTreeBelow)
{
    Start();
    QWidget* client = View()->ClientArea();
    QToolBar* toolBar = View()->ToolBar();
    ASSERT_NE(toolBar, nullptr);
    EXPECT_EQ(toolBar->parentWidget(), client);
    EXPECT_EQ(toolBar->geometry().topLeft(), QPoint(0, 0));
    EXPECT_EQ(toolBar->width(), client->width());
    EXPECT_FALSE(toolBar->isMovable());

    QWidget* frame = Tree()->parentWidget();
    EXPECT_EQ(frame->geometry(),
              QRect(0, toolBar->height(), client->width(), client->height() - toolBar->height()));
    EXPECT_EQ(Tree()->geometry(), frame->rect().adjusted(1, 1, -1, -1));
    EXPECT_EQ(Tree()->frameShape(), QFrame::NoFrame);
    // The frame is drawn in the button-shadow colour.
    const QImage shot = frame->grab().toImage();
    const QRgb shadow = frame->palette().color(QPalette::Dark).rgb();
    EXPECT_EQ(shot.pixel(0, shot.height() / 2), shadow);
    EXPECT_EQ(shot.pixel(shot.width() / 2, 0), shadow);
    EXPECT_EQ(shot.pixel(shot.width() - 1, shot.height() / 2), shadow);
    EXPECT_EQ(shot.pixel(shot.width() / 2, shot.height() - 1), shadow);

    // A larger pane keeps the layout.
    View()->setFloating(true);
    View()->resize(400, 500);
    ASSERT_TRUE(WaitFor([&] { return client->height() > 400; }));
    EXPECT_EQ(toolBar->width(), client->width());
    EXPECT_EQ(frame->geometry().bottom(), client->rect().bottom());
    EXPECT_EQ(Tree()->geometry(), frame->rect().adjusted(1, 1, -1, -1));
}

TEST_F(ClassViewTest, ToolbarHasOnlyTheMenuButtonWithNewAndDelete)
{
    Start();
    QToolButton* button = View()->MenuButton();
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->icon().isNull());
    EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_EQ(button->popupMode(), QToolButton::InstantPopup);
    ASSERT_NE(button->menu(), nullptr);
    EXPECT_EQ(button->menu()->title(), QStringLiteral("编辑"));
    QStringList texts;
    for (QAction* action : button->menu()->actions())
        texts << action->text();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("新建(&N)"), QStringLiteral("删除(&D)")}));
    // The menu button is the toolbar's only button; there is no "新建文件夹".
    ASSERT_EQ(View()->ToolBar()->actions().size(), 1);
    EXPECT_EQ(View()->ToolBar()->widgetForAction(View()->ToolBar()->actions().at(0)), button);
    for (QAction* action : View()->findChildren<QAction*>())
        EXPECT_FALSE(action->text().contains(QStringLiteral("新建文件夹")));
}

TEST_F(ClassViewTest, FocusGivenToThePaneGoesToTheTree)
{
    Start();
    Frame()->m_propertiesPane.setFocus();
    View()->setFocus();
    EXPECT_TRUE(WaitFor([&] { return Tree()->hasFocus(); }));
}

TEST_F(ClassViewTest, CaretOnARowShowsItInThePropertiesPane)
{
    Start();
    Expand(0);
    Click(RowItem(0, 2));
    EXPECT_EQ(Pane()->ShownRow(), RowAt(0, 2));
    // The root and the tables leave the pane as it is.
    Click(Root());
    EXPECT_EQ(Tree()->currentItem(), Root());
    EXPECT_EQ(Pane()->ShownRow(), RowAt(0, 2));
    Click(TableItem(1));
    EXPECT_EQ(Pane()->ShownRow(), RowAt(0, 2));
    // The platform's caret moves reach the pane: a click, an arrow key.
    Click(RowItem(0, 5));
    EXPECT_EQ(Pane()->ShownRow(), RowAt(0, 5));
    QTest::keyClick(Tree(), Qt::Key_Down);
    EXPECT_EQ(Tree()->currentItem(), RowItem(0, 6));
    EXPECT_EQ(Pane()->ShownRow(), RowAt(0, 6));
    // The control's own selection changes do not.
    Tree()->SelectVisibleRange(RowItem(0, 10), RowItem(0, 12), false);
    Tree()->ChangeItemState(RowItem(0, 20), CMultiTree::TVIS_SELECTED, CMultiTree::TVIS_SELECTED);
    EXPECT_TRUE(RowItem(0, 11)->isSelected());
    EXPECT_EQ(Pane()->ShownRow(), RowAt(0, 6));
    // Shift+click moves the caret with the control's own rules and the platform's caret move.
    Click(RowItem(0, 30), Qt::ShiftModifier);
    EXPECT_EQ(Pane()->ShownRow(), RowAt(0, 30));
}

TEST_F(ClassViewTest, NewFromTheRowMenuAppendsANamedRow)
{
    Start();
    Expand(0);
    Expand(2);
    Click(RowItem(0, 2));
    tarn::editor::Table* items = Table(0);
    ASSERT_EQ(items->m_newRowCounter, 81);
    ASSERT_EQ(items->m_maxId, 1080);
    EXPECT_FALSE(Modified());

    const QPoint clicked = LabelPoint(RowItem(0, 2));
    const QPoint menuAt = Tree()->viewport()->mapToGlobal(clicked);
    auto menu = RightClickAt(clicked, ChooseKey(Qt::Key_N));
    ASSERT_TRUE(menu->answered());
    EXPECT_EQ(menu->title(), QStringLiteral("编辑"));
    EXPECT_EQ(menu->texts(), (QStringList{QStringLiteral("新建(&N)"), QStringLiteral("删除(&D)")}));
    EXPECT_EQ(menu->parent(), Tree());
    EXPECT_EQ(menu->position(), menuAt);

    ASSERT_EQ(items->m_rows.size(), 81);
    tarn::Row* created = &items->m_rows.last()->value;
    EXPECT_EQ(created->Id(), 1081);
    EXPECT_EQ(Q(created->Name()), QStringLiteral("新建物品81"));
    EXPECT_EQ(items->m_newRowCounter, 82);
    ASSERT_EQ(TableItem(0)->childCount(), 81);
    QTreeWidgetItem* item = RowItem(0, 80);
    EXPECT_EQ(item->text(0), QStringLiteral("新建物品81"));
    EXPECT_EQ(RowOf(item), created);
    EXPECT_EQ(item->icon(0).cacheKey(), RowItem(0, 0)->icon(0).cacheKey());
    EXPECT_FALSE(Bold(item));
    EXPECT_EQ(View()->ItemOf(created), item);
    // The new row is found: it alone is selected, it is the caret, in view, and the properties
    // pane shows it; the expansion stays.
    EXPECT_EQ(Selected(), std::vector<QTreeWidgetItem*>{item});
    EXPECT_EQ(Tree()->currentItem(), item);
    EXPECT_TRUE(Tree()->viewport()->rect().intersects(Tree()->visualItemRect(item)));
    EXPECT_TRUE(TableItem(0)->isExpanded());
    EXPECT_TRUE(TableItem(2)->isExpanded());
    EXPECT_FALSE(TableItem(1)->isExpanded());
    EXPECT_EQ(Pane()->ShownRow(), created);
    EXPECT_TRUE(Modified());
    ExpectTreeMatchesTables(View());

    // The toolbar's menu button delivers "新建" to the same handler.
    MenuAnswer toolbarMenu(ChooseKey(Qt::Key_N));
    QTest::mouseClick(View()->MenuButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return toolbarMenu.answered(); }));
    ASSERT_EQ(items->m_rows.size(), 82);
    EXPECT_EQ(items->m_rows.last()->value.Id(), 1082);
    EXPECT_EQ(RowItem(0, 81)->text(0), QStringLiteral("新建物品82"));
    EXPECT_EQ(Selected(), std::vector<QTreeWidgetItem*>{RowItem(0, 81)});
    ExpectTreeMatchesTables(View());
}

TEST_F(ClassViewTest, NewGoesToTheTableOfTheFirstSelectedRowInVisibleOrder)
{
    Start();
    Expand(0);
    Expand(1);
    Click(RowItem(1, 3));
    Click(RowItem(0, 4), Qt::ControlModifier);
    ASSERT_EQ(Selected(), (std::vector<QTreeWidgetItem*>{RowItem(0, 4), RowItem(1, 3)}));

    ASSERT_TRUE(View()->Commands().execute(ID_NEW_ROW));
    EXPECT_EQ(Table(0)->m_rows.size(), 81);
    EXPECT_EQ(Table(1)->m_rows.size(), 60);
    EXPECT_EQ(TableItem(0)->child(80)->text(0), QStringLiteral("新建物品81"));
    EXPECT_EQ(TableItem(1)->childCount(), 60);
    ExpectTreeMatchesTables(View());
}

TEST_F(ClassViewTest, CountersCountLoadedAndCreatedRows)
{
    Start();
    Expand(4);
    Click(RowItem(4, 0));
    const int rows = Table(4)->m_rows.size();
    for (int i = 0; i < 3; ++i)
        View()->CreateRow();
    EXPECT_EQ(RowItem(4, rows)->text(0), QStringLiteral("新建NPC%1").arg(rows + 1));
    EXPECT_EQ(RowItem(4, rows + 2)->text(0), QStringLiteral("新建NPC%1").arg(rows + 3));
    // Deleting rows does not give their numbers back.
    Click(RowItem(4, rows + 2));
    ASSERT_EQ(View()->DeleteSelectedRows(), 1);
    Click(RowItem(4, 0));
    View()->CreateRow();
    EXPECT_EQ(RowItem(4, rows + 2)->text(0), QStringLiteral("新建NPC%1").arg(rows + 4));
    EXPECT_EQ(RowOf(RowItem(4, rows + 2))->Id(), RowOf(RowItem(4, rows - 1))->Id() + 4);
}

TEST_F(ClassViewTest, NewNeedsASelectedRowItem)
{
    Start();
    const unsigned long reports = scl::AssertReportCount();
    Tree()->DeselectAll();
    View()->CreateRow();
    EXPECT_EQ(scl::AssertReportCount(), reports + 1);
    EXPECT_TRUE(LastReportIs(".\\ClassView", "CClassView::CreateRow", 353)) << scl::LastAssertReport();

    Click(Root());
    View()->CreateRow();
    EXPECT_EQ(scl::AssertReportCount(), reports + 2);
    EXPECT_TRUE(LastReportIs(".\\ClassView", "CClassView::CreateRow", 360)) << scl::LastAssertReport();

    // A table item before a selected row: the first selected item decides.
    Expand(1);
    Click(TableItem(1));
    Click(RowItem(1, 2), Qt::ControlModifier);
    View()->CreateRow();
    EXPECT_EQ(scl::AssertReportCount(), reports + 3);
    EXPECT_TRUE(LastReportIs(".\\ClassView", "CClassView::CreateRow", 360));

    for (int t = 0; t < TableList::instance()->count(); ++t)
        EXPECT_EQ(TableItem(t)->childCount(), Table(t)->m_rows.size());
    EXPECT_EQ(Table(1)->m_rows.size(), 60);
    EXPECT_FALSE(Modified());
}

TEST_F(ClassViewTest, NewIgnoresRowsInsideCollapsedTables)
{
    Start();
    // A row selected, then its table collapsed with a click on its expand button.
    Expand(1);
    Click(RowItem(1, 3));
    ClickExpandButton(TableItem(1));
    ASSERT_FALSE(TableItem(1)->isExpanded());
    // A selected bit set behind the control's back inside a collapsed table is not visited either.
    RowItem(2, 0)->setSelected(true);
    Tree()->setCurrentItem(nullptr);

    const unsigned long reports = scl::AssertReportCount();
    View()->CreateRow();
    EXPECT_EQ(scl::AssertReportCount(), reports + 1);
    EXPECT_TRUE(LastReportIs(".\\ClassView", "CClassView::CreateRow", 353));
    EXPECT_EQ(Table(1)->m_rows.size(), 60);
    EXPECT_EQ(Table(2)->m_rows.size(), TableItem(2)->childCount());
    EXPECT_EQ(Table(2)->m_rows.size(), 40);
}

TEST_F(ClassViewTest, FileNewCreatesARowWithoutPromptingOrClearing)
{
    Start();
    Expand(1);
    Click(RowItem(1, 0));
    Frame()->GetActiveDocument()->SetModifiedFlag(true); // unsaved changes
    std::vector<int> counts;
    for (int t = 0; t < TableList::instance()->count(); ++t)
        counts.push_back(Table(t)->m_rows.size());

    bool dialogSeen = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout,
                     [&]
                     {
                         if (QWidget* modal = QApplication::activeModalWidget())
                         {
                             dialogSeen = true;
                             modal->close();
                         }
                     });
    watch.start(5);
    ASSERT_TRUE(Frame()->Commands().execute(ID_FILE_NEW));
    QTest::keyClick(Frame(), Qt::Key_N, Qt::ControlModifier);
    QTest::qWait(50);
    watch.stop();
    EXPECT_FALSE(dialogSeen);

    counts[1] += 2;
    for (int t = 0; t < TableList::instance()->count(); ++t)
        EXPECT_EQ(Table(t)->m_rows.size(), counts[t]) << t;
    EXPECT_EQ(RowItem(1, 60)->text(0), QStringLiteral("新建怪物61"));
    EXPECT_EQ(RowItem(1, 61)->text(0), QStringLiteral("新建怪物62"));
    EXPECT_EQ(Selected(), std::vector<QTreeWidgetItem*>{RowItem(1, 61)});
    EXPECT_TRUE(Modified());
    ExpectTreeMatchesTables(View());
}

// With an id of 2147483647 in the table no id is left: "新建" (File -> New, through the
// document) says so and creates nothing, and the table saves as it was loaded.
TEST_F(ClassViewTest, NewAtTheLargestIdSaysSoAndCreatesNothing)
{
    std::vector<QString> lines = DataLines(ReadFile(Path(QStringLiteral("items.txt"))));
    ASSERT_GT(lines.size(), 3u);
    QString& last = lines.back();
    last = QStringLiteral("2147483647") + last.mid(last.indexOf(QLatin1Char('\t')));
    const QByteArray bytes = DataFile(lines);
    {
        QFile file(Path(QStringLiteral("items.txt")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    Start();
    Expand(0);
    Click(RowItem(0, 3));
    const int rows = Table(0)->m_rows.size();
    const int counter = Table(0)->m_newRowCounter;

    QString text;
    shelltest::ModalAnswer<QMessageBox> answer(
        [&](QMessageBox* box)
        {
            text = box->text();
            box->close();
        });
    ASSERT_TRUE(Frame()->Commands().execute(ID_FILE_NEW));
    ASSERT_TRUE(WaitFor([&] { return answer.answered(); }));
    EXPECT_FALSE(answer.closedOther());
    EXPECT_EQ(text, QStringLiteral("编号已达上限 2147483647，无法在表 物品 中新建行"));

    EXPECT_EQ(Table(0)->m_rows.size(), rows);
    EXPECT_EQ(Table(0)->m_newRowCounter, counter);
    EXPECT_EQ(TableItem(0)->childCount(), rows);
    EXPECT_EQ(Selected(), std::vector<QTreeWidgetItem*>{RowItem(0, 3)});
    EXPECT_FALSE(Modified());
    ExpectTreeMatchesTables(View());
    ASSERT_TRUE(Frame()->Commands().execute(ID_FILE_SAVE));
    EXPECT_EQ(ReadFile(Path(QStringLiteral("items.txt"))), bytes);
}

TEST_F(ClassViewTest, FillSkipsAMissingTableWithAFailedCheck)
{
    Start();
    TableList* list = TableList::instance();
    tarn::editor::Table* second = list->m_tables.m_data[1];
    list->m_tables.m_data[1] = nullptr;
    const unsigned long reports = scl::AssertReportCount();
    View()->FillTableData();
    list->m_tables.m_data[1] = second;
    EXPECT_EQ(scl::AssertReportCount(), reports + 1);
    EXPECT_TRUE(LastReportIs(".\\ClassView", "CClassView::FillTableData", 147)) << scl::LastAssertReport();
    ASSERT_EQ(Root()->childCount(), 5);
    EXPECT_EQ(TableItem(0)->text(0), QStringLiteral("物品"));
    EXPECT_EQ(TableItem(1)->text(0), QStringLiteral("技能"));
    EXPECT_EQ(View()->ItemOf(RowAt(1, 0)), nullptr);
    EXPECT_EQ(View()->ItemOf(RowAt(2, 0)), TableItem(1)->child(0));

    View()->FillTableData();
    ExpectTreeMatchesTables(View());
}

TEST_F(ClassViewTest, EmptyTableListShowsOnlyTheRoot)
{
    ASSERT_TRUE(QFile::remove(Path(QStringLiteral("tableList.xml"))));
    ASSERT_TRUE(QFile(Path(QStringLiteral("tableList.xml"))).open(QIODevice::WriteOnly));
    m_argStorage = {QByteArray("tessel"), QByteArray("-C"), m_dir.path().toLocal8Bit()};
    m_argv.clear();
    for (QByteArray& argument : m_argStorage)
        m_argv.push_back(argument.data());
    m_argv.push_back(nullptr);
    m_argc = static_cast<int>(m_argStorage.size());
    m_app = std::make_unique<CTesselApp>(m_argc, m_argv.data());
    ASSERT_TRUE(m_app->InitInstance());
    ASSERT_EQ(Tree()->topLevelItemCount(), 1);
    EXPECT_EQ(Root()->text(0), QStringLiteral("编辑元素"));
    EXPECT_TRUE(Root()->isExpanded());
    EXPECT_EQ(Root()->childCount(), 0);
}

// A style that, unlike the looks' own, scrolls sideways on Left and Right instead of entering
// children and leaving to the parent.
class SidewaysArrowStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == QStyle::SH_ItemView_ArrowKeysNavigateIntoChildren)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// The platform tree's own keys: Right expands, then enters the first row; Left leaves a row for
// its table, then collapses the table; whatever the style says about arrow keys.
TEST_F(ClassViewTest, RightAndLeftExpandEnterLeaveAndCollapse)
{
    Start();
    SidewaysArrowStyle sidewaysStyle;
    // The tree gives the style back before it goes, also when a check ends the test early.
    struct StyleScope
    {
        QWidget* widget;
        ~StyleScope() { widget->setStyle(nullptr); }
    } scope{Tree()};
    for (bool sideways : {false, true})
    {
        SCOPED_TRACE(sideways ? "style that scrolls sideways" : "the look's style");
        const int t = sideways ? 2 : 1; // a table not touched yet
        if (sideways)
            Tree()->setStyle(&sidewaysStyle);
        Tree()->setFocus();
        ASSERT_TRUE(WaitFor([&] { return Tree()->hasFocus(); }));
        Click(TableItem(t));
        ASSERT_EQ(Tree()->currentItem(), TableItem(t));
        ASSERT_FALSE(TableItem(t)->isExpanded());

        QTest::keyClick(Tree(), Qt::Key_Right);
        EXPECT_TRUE(TableItem(t)->isExpanded());
        EXPECT_EQ(Tree()->currentItem(), TableItem(t));
        QTest::keyClick(Tree(), Qt::Key_Right);
        EXPECT_EQ(Tree()->currentItem(), RowItem(t, 0));
        EXPECT_EQ(Selected(), std::vector<QTreeWidgetItem*>{RowItem(t, 0)});
        EXPECT_EQ(Pane()->ShownRow(), RowAt(t, 0));
        QTest::keyClick(Tree(), Qt::Key_Right); // a row has nothing to expand
        EXPECT_EQ(Tree()->currentItem(), RowItem(t, 0));

        QTest::keyClick(Tree(), Qt::Key_Left);
        EXPECT_EQ(Tree()->currentItem(), TableItem(t));
        EXPECT_TRUE(TableItem(t)->isExpanded());
        EXPECT_EQ(Selected(), std::vector<QTreeWidgetItem*>{TableItem(t)});
        QTest::keyClick(Tree(), Qt::Key_Left);
        EXPECT_FALSE(TableItem(t)->isExpanded());
        EXPECT_EQ(Tree()->currentItem(), TableItem(t));
        QTest::keyClick(Tree(), Qt::Key_Left);
        EXPECT_EQ(Tree()->currentItem(), Root());
        EXPECT_EQ(Pane()->ShownRow(), RowAt(t, 0)); // the table and the root leave the pane as it is
    }
}

// Without a main window the caret change has nowhere to show the row.
TEST(ClassViewAloneTest, CaretOnARowWithoutMainWindowIsAFailedCheck)
{
    ASSERT_EQ(GetMainFrame(), nullptr);
    CCustomTree tree(nullptr);
    auto* table = new QTreeWidgetItem(QStringList(QStringLiteral("t")));
    tree.addTopLevelItem(table);
    tarn::Row row;
    auto* rowItem = new QTreeWidgetItem(QStringList(QStringLiteral("r")));
    CMultiTree::SetItemData(rowItem, &row);
    table->addChild(rowItem);
    tree.expandAll();

    const unsigned long reports = scl::AssertReportCount();
    tree.SelectItem(table); // no row: nothing
    EXPECT_EQ(scl::AssertReportCount(), reports);
    tree.SelectItem(rowItem);
    EXPECT_EQ(scl::AssertReportCount(), reports + 1);
    const std::string report = scl::LastAssertReport();
    EXPECT_NE(report.find("<file: .\\CustomTree>"), std::string::npos) << report;
    EXPECT_NE(report.find("<function: CCustomTree::OnTvnSelchanged>"), std::string::npos);
    EXPECT_NE(report.find("<line: 92>"), std::string::npos);
    // The control's own notifications are not the platform's caret change.
    tree.ChangeItemState(table, CMultiTree::TVIS_SELECTED, CMultiTree::TVIS_SELECTED);
    tree.ChangeItemState(rowItem, 0, CMultiTree::TVIS_SELECTED);
    EXPECT_EQ(scl::AssertReportCount(), reports + 1);
}

} // namespace
} // namespace classviewtest
