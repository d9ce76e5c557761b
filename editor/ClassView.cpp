#include "editor/ClassView.h"

#include "base/assert.h"
#include "editor/ClassViewImages.h"
#include "editor/CustomTree.h"
#include "editor/TesselDoc.h"
#include "editor/resource.h"
#include "tool/row.h"
#include "tool/rowText.h"
#include "tool/table.h"
#include "tool/tables.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QMessageBox>
#include <QToolTip>
#include <QPushButton>
#include <QHeaderView>
#include <QMenu>
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
    m_tree = new CCustomTree(m_treeFrame);
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
    m_tree->viewport()->installEventFilter(this);
    connect(m_tree, &CCustomTree::contextMenuRequest, this, &CClassView::OnContextMenu);
    connect(m_tree, &CCustomTree::newRowRequested, this, &CClassView::CreateRow);
    connect(m_tree, &CCustomTree::deleteRowsRequested, this, &CClassView::DeleteSelectedRows);
    connect(m_tree, &QAbstractItemView::doubleClicked, this, &CClassView::OnItemActivated);
    connect(m_tree, &QAbstractItemView::activated, this, &CClassView::OnItemActivated);
    if (m_document != nullptr)
        connect(m_tree, &CCustomTree::caretRowChanged, m_document, &CTesselDoc::SetCurrentRow,
                Qt::UniqueConnection);
    // Clearing the tree deletes every item the index points at.
    m_resetConnection = connect(m_tree->model(), &QAbstractItemModel::modelAboutToBeReset, this,
                                [this]()
                                {
                                    m_itemsByRow.clear();
                                    m_tableItems.clear();
                                });

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
    m_tableItems.clear();
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
        m_tableItems.insert(table, tableItem);
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

void CClassView::SetDocument(CTesselDoc* document)
{
    if (m_document != nullptr)
        disconnect(m_document, nullptr, this, nullptr);
    m_document = document;
    if (m_document == nullptr)
        return;
    connect(m_document, &CTesselDoc::rowsInserted, this, &CClassView::OnRowsInserted);
    connect(m_document, &CTesselDoc::rowsRemoved, this, &CClassView::OnRowsRemoved);
    connect(m_document, &CTesselDoc::cellChanged, this, &CClassView::OnCellChanged);
    connect(m_document, &CTesselDoc::tablesReloaded, this, &CClassView::FillTableData);
    connect(m_document, &CTesselDoc::currentRowChanged, this, &CClassView::ShowCurrentRow);
    if (m_tree != nullptr)
        connect(m_tree, &CCustomTree::caretRowChanged, m_document, &CTesselDoc::SetCurrentRow,
                Qt::UniqueConnection);
}

bool CClassView::eventFilter(QObject* watched, QEvent* event)
{
    if (m_tree != nullptr && watched == m_tree->viewport() && event->type() == QEvent::ToolTip)
    {
        auto* help = static_cast<QHelpEvent*>(event);
        QTreeWidgetItem* item = m_tree->itemAt(help->pos());
        if (tarn::Row* row = item != nullptr ? CCustomTree::RowOf(item) : nullptr)
        {
            QToolTip::showText(help->globalPos(), QStringLiteral("编号：%1").arg(row->Id()), m_tree->viewport(),
                               m_tree->visualItemRect(item));
            return true;
        }
    }
    return DockPane::eventFilter(watched, event);
}

void CClassView::ShowCurrentRow(tarn::Row* row)
{
    // Another view made `row` current (a link followed, a problem or a find result): the caret
    // goes to its item, alone selected and in view.
    QTreeWidgetItem* item = row != nullptr ? ItemOf(row) : nullptr;
    if (item == nullptr || m_tree == nullptr || m_tree->GetCaret() == item)
        return;
    if (QTreeWidgetItem* parent = item->parent())
        parent->setExpanded(true);
    m_tree->DeselectAll();
    m_tree->SelectItem(item);
    m_tree->scrollToItem(item);
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
    if (selected->parent() == nullptr)
    {
        scl::detail::AssertFailedNamed(kReportFile, "CClassView::CreateRow", 374, "false");
        return;
    }
    if (m_document == nullptr)
        return;
    tarn::editor::Table* table = row->m_table;
    tarn::Row* newRow = m_document->CreateRow(table);
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

    // The new row is found: its item alone is selected, is the caret and is in view.
    QTreeWidgetItem* item = ItemOf(newRow);
    if (item == nullptr)
        return;
    if (QTreeWidgetItem* parent = item->parent())
        parent->setExpanded(true);
    m_tree->DeselectAll();
    m_tree->SelectItem(item);
    m_tree->scrollToItem(item);
}

std::vector<tarn::Row*> CClassView::SelectedRows() const
{
    std::vector<tarn::Row*> rows;
    if (m_tree == nullptr)
        return rows;
    for (QTreeWidgetItem* item = m_tree->FindFirstSelected(); item != nullptr;
         item = m_tree->FindNextSelected(item))
    {
        tarn::Row* row = CCustomTree::RowOf(item);
        if (row == nullptr)
            break;
        rows.push_back(row);
    }
    return rows;
}

tarn::editor::Table* CClassView::CaretTable() const
{
    QTreeWidgetItem* caret = m_tree != nullptr ? m_tree->GetCaret() : nullptr;
    if (caret == nullptr)
        return nullptr;
    if (tarn::Row* row = CCustomTree::RowOf(caret))
        return row->m_table;
    for (auto it = m_tableItems.cbegin(); it != m_tableItems.cend(); ++it)
        if (it.value() == caret)
            return const_cast<tarn::editor::Table*>(it.key());
    return nullptr;
}

int CClassView::DeleteSelectedRows()
{
    if (m_tree == nullptr || m_document == nullptr)
        return 0;
    // The selected row items in visible order, up to the first selected item that is no row (the
    // root or a table item: the selected items after it stay).
    const std::vector<tarn::Row*> rows = SelectedRows();
    if (rows.empty())
        return 0;
    return m_document->DeleteRows(rows);
}

bool CClassView::HasSelectedRows() const
{
    // Asked on every command update: found from the selection, not by walking every shown row.
    QTreeWidgetItem* first = m_tree != nullptr ? m_tree->FirstSelectedOfSelection() : nullptr;
    return first != nullptr && CCustomTree::RowOf(first) != nullptr;
}

bool CClassView::CanPaste() const
{
    if (m_document == nullptr || CaretTable() == nullptr)
        return false;
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard != nullptr && !clipboard->text().isEmpty();
}

std::vector<tarn::Row*> CClassView::RowsToCopy() const
{
    // Rows of one table only (the first selected row's): the text has one header line.
    std::vector<tarn::Row*> rows = SelectedRows();
    if (rows.empty() || rows.front()->m_table == nullptr)
        return {};
    tarn::editor::Table* table = rows.front()->m_table;
    rows.erase(
        std::remove_if(rows.begin(), rows.end(), [table](const tarn::Row* r) { return r->m_table != table; }),
        rows.end());
    return rows;
}

int CClassView::CopyRows()
{
    const std::vector<tarn::Row*> rows = RowsToCopy();
    if (rows.empty())
        return 0;
    const std::u16string text = tarn::RowsToText(*rows.front()->m_table, rows);
    QGuiApplication::clipboard()->setText(QString::fromStdU16String(text));
    return static_cast<int>(rows.size());
}

int CClassView::CutRows()
{
    // Exactly the rows that went onto the clipboard are deleted.
    const std::vector<tarn::Row*> rows = RowsToCopy();
    if (rows.empty() || m_document == nullptr || CopyRows() == 0)
        return 0;
    return m_document->DeleteRows(rows);
}

int CClassView::PasteRows()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard != nullptr ? PasteText(clipboard->text()) : 0;
}

int CClassView::PasteText(const QString& text)
{
    tarn::editor::Table* table = CaretTable();
    if (m_document == nullptr || table == nullptr || text.isEmpty())
        return 0;
    std::vector<std::vector<std::u16string>> values;
    std::vector<tarn::RowTextProblem> problems;
    constexpr int kListedProblems = 10;
    if (!tarn::RowsFromText(*table, text.toStdU16String(), values, problems, kListedProblems))
    {
        QStringList lines;
        for (const tarn::RowTextProblem& problem : problems)
        {
            if (problem.line == 0)
                lines << QString::fromStdU16String(problem.why);
            else
                lines << QStringLiteral("第 %1 行: %2")
                             .arg(problem.line)
                             .arg(QString::fromStdU16String(problem.why));
        }
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Tessel"),
                        QStringLiteral("剪贴板中的行不能粘贴到“%1”，什么也没有粘贴:")
                            .arg(QString::fromUtf16(table->m_label.c_str())),
                        QMessageBox::Ok, window());
        box.setObjectName(QStringLiteral("PasteRefusedBox"));
        box.setInformativeText(lines.join(QLatin1Char('\n')));
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.exec();
        return 0;
    }
    const std::vector<tarn::Row*> rows = m_document->AppendRows(table, values);
    if (rows.empty())
    {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Tessel"),
                        QStringLiteral("编号已达上限 2147483647，无法在表 %1 中粘贴 %2 行")
                            .arg(QString::fromUtf16(table->m_label.c_str()))
                            .arg(values.size()),
                        QMessageBox::Ok, window());
        box.setObjectName(QStringLiteral("PasteRefusedBox"));
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.exec();
        return 0;
    }
    // The pasted rows are selected, the first is the caret.
    if (!rows.empty() && m_tree != nullptr)
    {
        if (QTreeWidgetItem* first = ItemOf(rows.front()))
        {
            if (QTreeWidgetItem* parent = first->parent())
                parent->setExpanded(true);
            m_tree->DeselectAll();
            m_tree->SelectItem(first);
            if (QTreeWidgetItem* last = ItemOf(rows.back()))
                m_tree->SelectVisibleRange(first, last, false);
            m_tree->scrollToItem(first);
        }
    }
    return static_cast<int>(rows.size());
}

void CClassView::OnRowsInserted(const DocRows& rows)
{
    QTreeWidgetItem* tableItem = m_tableItems.value(rows.table, nullptr);
    if (m_tree == nullptr || tableItem == nullptr)
        return;
    const QIcon image = classview::TreeImage(classview::kImageRow);
    // Ascending positions, each the row's final place: runs of consecutive positions go in with
    // one insertion each.
    std::size_t i = 0;
    while (i < rows.rows.size())
    {
        const int start = rows.positions[i];
        QList<QTreeWidgetItem*> run;
        for (; i < rows.rows.size() && rows.positions[i] == start + run.size(); ++i)
        {
            QTreeWidgetItem* item = MakeRowItem(rows.rows[i], image);
            m_itemsByRow.insert(rows.rows[i], item);
            run.append(item);
        }
        tableItem->insertChildren(std::min(start, tableItem->childCount()), run);
    }
}

void CClassView::OnRowsRemoved(const DocRows& rows)
{
    QTreeWidgetItem* tableItem = m_tableItems.value(rows.table, nullptr);
    if (m_tree == nullptr || tableItem == nullptr || rows.rows.empty())
        return;

    // While items go, the view neither repaints nor scrolls to the caret (either would lay out all
    // visible items again after every single deletion), and the items leave the selection in one
    // step first: every selection range left in the view costs each later deletion a little.
    const bool updatesWereEnabled = m_tree->updatesEnabled();
    const bool autoScrolled = m_tree->hasAutoScroll();
    m_tree->setUpdatesEnabled(false);
    m_tree->setAutoScroll(false);
    std::vector<QTreeWidgetItem*> items;
    items.reserve(rows.rows.size());
    for (tarn::Row* row : rows.rows)
        if (QTreeWidgetItem* item = m_itemsByRow.value(row, nullptr))
            items.push_back(item);
    m_tree->DropFromSelection(items);

    // Ascending positions as they were: the item of the k-th row is now k places further up.
    int removed = 0;
    for (std::size_t i = 0; i < rows.rows.size(); ++i)
    {
        QTreeWidgetItem* item = m_itemsByRow.take(rows.rows[i]);
        if (item == nullptr)
            continue;
        int index = rows.positions[i] - removed;
        if (tableItem->child(index) != item)
            index = tableItem->indexOfChild(item);
        if (index >= 0)
            delete tableItem->takeChild(index);
        ++removed;
    }

    m_tree->setAutoScroll(autoScrolled);
    m_tree->setUpdatesEnabled(updatesWereEnabled);
}

void CClassView::OnCellChanged(tarn::editor::Table* table, tarn::Row* row, int field)
{
    Q_UNUSED(table);
    if (row != nullptr && field == row->m_nameFieldIndex)
        RowTextChanged(row);
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


void CClassView::OnItemActivated(const QModelIndex& index)
{
    if (m_document == nullptr || m_tree == nullptr)
        return;
    auto* table = const_cast<tarn::editor::Table*>(m_tableItems.key(m_tree->itemFromIndex(index), nullptr));
    if (table != nullptr)
        m_document->RequestOpenTable(table);
}
