#include "editor/ClassView.h"

#include "base/assert.h"
#include "editor/ClassViewImages.h"
#include "editor/CustomTree.h"
#include "editor/MainFrame.h"
#include "editor/PropertiesWnd.h"
#include "editor/TesselDoc.h"
#include "editor/resource.h"
#include "tool/row.h"
#include "tool/table.h"
#include "tool/tables.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QPainter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace
{
// File name under which this pane's failed checks are reported.
const char kReportFile[] = ".\\ClassView";

// Control id of the tree inside the pane.
constexpr int kTreeControlId = 2;

// Holds the tree and draws a one-pixel frame around it in the button-shadow colour of the
// current palette (so the frame follows the application look).
class TreeFrame : public QWidget
{
public:
    explicit TreeFrame(QWidget* parent) : QWidget(parent)
    {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(1, 1, 1, 1);
        layout->setSpacing(0);
    }

    void SetTree(QWidget* tree) { layout()->addWidget(tree); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::Dark));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

QString DisplayName(const tarn::Row* row)
{
    return QString::fromUtf16(row->Name());
}

// A row item: the row's display name, the row as item data, image 3. Not yet in a tree.
QTreeWidgetItem* MakeRowItem(tarn::Row* row, const QIcon& image)
{
    auto* item = new QTreeWidgetItem(QStringList(DisplayName(row)));
    CMultiTree::SetItemData(item, row);
    item->setIcon(0, image);
    return item;
}
} // namespace

CClassView::CClassView(QWidget* parent) : DockPane(parent) {}

CClassView::~CClassView()
{
    // The tree outlives the index: it goes with the pane's children, after this body.
    disconnect(m_resetConnection);
}

bool CClassView::OnCreate()
{
    QWidget* client = ClientArea();
    if (client == nullptr)
        return false;

    // The tree: lines between items and at the root, expand buttons; no header, as the platform
    // tree has none.
    auto* treeFrame = new TreeFrame(client);
    m_treeFrame = treeFrame;
    m_treeFrame->setObjectName(QStringLiteral("ClassTreeFrame"));
    m_tree = new CCustomTree(this, m_treeFrame);
    m_tree->setObjectName(QStringLiteral("ClassTree"));
    m_tree->setProperty("controlId", kTreeControlId);
    m_tree->setFrameShape(QFrame::NoFrame);
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setRootIsDecorated(true);
    m_tree->setItemsExpandable(true);
    m_tree->setIconSize(classview::kTreeImageSize);
    m_tree->header()->setStretchLastSection(true);
    treeFrame->SetTree(m_tree);
    connect(m_tree, &CCustomTree::contextMenuRequest, this, &CClassView::OnContextMenu);
    // Clearing the tree deletes every item the index points at.
    m_resetConnection = connect(m_tree->model(), &QAbstractItemModel::modelAboutToBeReset, this,
                                [this]() { m_itemsByRow.clear(); });

    // The pane's commands: the same two as the tree's row menu, delivered to the tree's handlers.
    CommandRouter& commands = Commands();
    commands.addCommand(ID_NEW_ROW, QStringLiteral("新建(&N)"));
    commands.addCommand(ID_DELETE_ROW, QStringLiteral("删除(&D)"));
    commands.setHandler(ID_NEW_ROW, [this]() { m_tree->OnNewRow(); });
    commands.setHandler(ID_DELETE_ROW, [this]() { m_tree->OnDeleteRows(); });

    // The toolbar: fixed at the top of the pane, no gripper, not customisable, holding the menu
    // button "编辑" that shows the image of command 145 and no text.
    m_toolBar = new QToolBar(client);
    m_toolBar->setObjectName(QStringLiteral("ClassViewToolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->setContentsMargins(0, 0, 0, 0);

    auto* menu = new QMenu(QStringLiteral("编辑"), this);
    menu->setObjectName(QStringLiteral("ClassViewToolBarMenu"));
    menu->addAction(commands.action(ID_NEW_ROW));
    menu->addAction(commands.action(ID_DELETE_ROW));
    commands.watchMenu(menu);

    m_menuButton = new QToolButton(m_toolBar);
    m_menuButton->setObjectName(QStringLiteral("ClassViewMenuButton"));
    m_menuButton->setProperty("commandId", int(ID_CLASS_VIEW_MENU_BUTTON));
    m_menuButton->setIcon(classview::MenuButtonImage());
    m_menuButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_menuButton->setToolTip(menu->title());
    m_menuButton->setAutoRaise(true);
    m_menuButton->setPopupMode(QToolButton::InstantPopup);
    m_menuButton->setMenu(menu);
    m_toolBar->addWidget(m_menuButton);

    // Focus given to the pane goes to the tree.
    setFocusProxy(m_tree);
    client->setFocusProxy(m_tree);

    FillTableData();
    return true;
}

void CClassView::RepositionControls()
{
    QWidget* client = ClientArea();
    if (client == nullptr || m_toolBar == nullptr || m_treeFrame == nullptr)
        return;
    const QRect area = client->rect();
    const int toolBarHeight = m_toolBar->sizeHint().height();
    m_toolBar->setGeometry(area.left(), area.top(), area.width(), toolBarHeight);
    m_treeFrame->setGeometry(area.left(), area.top() + toolBarHeight, area.width(),
                             std::max(0, area.height() - toolBarHeight));
}

void CClassView::FillTableData()
{
    if (m_tree == nullptr)
        return;
    m_itemsByRow.clear();
    m_tree->clear();

    const QIcon rowImage = classview::TreeImage(classview::kImageRow);
    auto* root = new QTreeWidgetItem(QStringList(QStringLiteral("编辑元素")));
    root->setIcon(0, classview::TreeImage(classview::kImageRoot));
    m_tree->addTopLevelItem(root);
    m_tree->ChangeItemState(root, CMultiTree::TVIS_BOLD, CMultiTree::TVIS_BOLD);

    TableList* tables = TableList::instance();
    for (int i = 0; i < tables->count(); ++i)
    {
        tarn::editor::Table* table = tables->at(i);
        if (table == nullptr)
        {
            scl::detail::AssertFailedNamed(kReportFile, "CClassView::FillTableData", 147, "false");
            continue;
        }
        auto* tableItem = new QTreeWidgetItem(QStringList(QString::fromUtf16(table->m_label.c_str())));
        tableItem->setIcon(0, classview::TreeImage(classview::kImageTable));
        root->addChild(tableItem);
        m_tree->ChangeItemState(tableItem, CMultiTree::TVIS_BOLD, CMultiTree::TVIS_BOLD);

        // The row items are made outside the tree and added in one step: adding them one by one
        // would update the model (and the view) once per row.
        QList<QTreeWidgetItem*> rowItems;
        rowItems.reserve(table->m_rows.size());
        m_itemsByRow.reserve(m_itemsByRow.size() + table->m_rows.size());
        for (scl::ListNode<tarn::Row>* node = table->m_rows.first(); node != nullptr; node = node->next)
        {
            QTreeWidgetItem* item = MakeRowItem(&node->value, rowImage);
            rowItems.append(item);
            m_itemsByRow.insert(&node->value, item);
        }
        tableItem->addChildren(rowItems);
        tableItem->setExpanded(false);
    }
    root->setExpanded(true);
}

QTreeWidgetItem* CClassView::AddRowItem(QTreeWidgetItem* parent, tarn::Row* row)
{
    QTreeWidgetItem* item = MakeRowItem(row, classview::TreeImage(classview::kImageRow));
    parent->addChild(item);
    m_itemsByRow.insert(row, item);
    return item;
}

void CClassView::CreateRow()
{
    if (m_tree == nullptr)
        return;
    QTreeWidgetItem* selected = m_tree->FindFirstSelected();
    if (selected == nullptr)
    {
        scl::detail::AssertFailedNamed(kReportFile, "CClassView::CreateRow", 353, "false");
        return;
    }
    tarn::Row* row = CCustomTree::RowOf(selected);
    if (row == nullptr || row->m_table == nullptr)
    {
        scl::detail::AssertFailedNamed(kReportFile, "CClassView::CreateRow", 360, "false");
        return;
    }

    // "新建%s%d": "新建", the table's label and its counter, without separators.
    tarn::editor::Table* table = row->m_table;
    const QString name = QStringLiteral("新建") + QString::fromUtf16(table->m_label.c_str()) +
                         QString::number(table->m_newRowCounter);
    tarn::Row* newRow = table->NewRow(reinterpret_cast<const char16_t*>(name.utf16()));
    if (newRow == nullptr)
    {
        // Every id up to the largest is in use or was given out: the table refused.
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Tessel"),
                        QStringLiteral("编号已达上限 2147483647，无法在表 %1 中新建行")
                            .arg(QString::fromUtf16(table->m_label.c_str())),
                        QMessageBox::Ok, window());
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.exec();
        return;
    }
    CTesselDoc::MarkModified();

    QTreeWidgetItem* parent = selected->parent();
    if (parent == nullptr)
    {
        scl::detail::AssertFailedNamed(kReportFile, "CClassView::CreateRow", 374, "false");
        return; // the row stays in its table
    }
    AddRowItem(parent, newRow);
}

int CClassView::DeleteSelectedRows()
{
    if (m_tree == nullptr)
        return 0;

    // The selected row items in visible order, up to the first selected item that is no row (the
    // root or a table item: the selected items after it stay). Each next item is found before
    // anything is deleted; deleting an item selects at most the new caret, which lies before the
    // next selected item, so the list is what a walk interleaved with the deletions would find.
    struct Doomed
    {
        QTreeWidgetItem* item;
        QTreeWidgetItem* parent; // the table item
        int index;               // among the parent's children, before any deletion
    };
    std::vector<Doomed> doomed;
    for (QTreeWidgetItem* item = m_tree->FindFirstSelected(); item != nullptr;
         item = m_tree->FindNextSelected(item))
    {
        if (CCustomTree::RowOf(item) == nullptr)
            break;
        doomed.push_back({item, item->parent(), m_tree->RowIndexOf(item)});
    }
    if (doomed.empty())
        return 0;

    CMainFrame* frame = GetMainFrame();
    CPropertiesWnd* properties =
        frame != nullptr && frame->m_propertiesPane.IsCreated() ? &frame->m_propertiesPane : nullptr;

    // While items go, the view neither repaints nor scrolls to the caret (either would lay out all
    // visible items again after every single deletion), and the items leave the selection in one
    // step first: every selection range left in the view costs each later deletion a little.
    const bool updatesWereEnabled = m_tree->updatesEnabled();
    const bool autoScrolled = m_tree->hasAutoScroll();
    m_tree->setUpdatesEnabled(false);
    m_tree->setAutoScroll(false);
    std::vector<QTreeWidgetItem*> items;
    items.reserve(doomed.size());
    for (const Doomed& d : doomed)
        items.push_back(d.item);
    m_tree->DropFromSelection(items);

    QTreeWidgetItem* parent = nullptr;
    int deletedFromParent = 0;
    for (const Doomed& d : doomed)
    {
        tarn::Row* row = CCustomTree::RowOf(d.item);
        // No property may stay bound to the row's cells once the row is gone.
        if (properties != nullptr)
            properties->ForgetRow(row);
        m_itemsByRow.remove(row);

        // The item is taken out at its known position: deleting it would search its parent.
        if (d.parent != parent)
        {
            parent = d.parent;
            deletedFromParent = 0;
        }
        QTreeWidgetItem* container = parent != nullptr ? parent : m_tree->invisibleRootItem();
        int index = d.index - deletedFromParent;
        if (container->child(index) != d.item)
            index = m_tree->RowIndexOf(d.item);
        delete container->takeChild(index);
        ++deletedFromParent;

        // Exactly this row leaves its table, even where another row has the same id.
        if (row->m_table == nullptr)
            row->RemoveSelfFromTable(); // reports the missing table and changes nothing
        else if (!row->m_table->RemoveRow(row))
            SCL_ASSERT(false);
    }

    m_tree->setAutoScroll(autoScrolled);
    m_tree->setUpdatesEnabled(updatesWereEnabled);
    CTesselDoc::MarkModified();
    return static_cast<int>(doomed.size());
}

void CClassView::RowTextChanged(tarn::Row* row)
{
    QTreeWidgetItem* item = ItemOf(row);
    if (item != nullptr)
        item->setText(0, DisplayName(row));
}

void CClassView::OnContextMenu(const QPoint& point, bool fromKeyboard)
{
    if (m_tree == nullptr)
        return;
    if (!fromKeyboard)
    {
        if (QTreeWidgetItem* hit = m_tree->itemAt(point))
            m_tree->SelectItem(hit);
    }
    m_tree->setFocus(Qt::OtherFocusReason);
}
