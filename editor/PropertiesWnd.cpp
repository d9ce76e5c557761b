#include "editor/PropertiesWnd.h"

#include "base/assert.h"
#include "editor/CellVariant.h"
#include "editor/CustomPropertyGridCtrl.h"
#include "editor/CustomPropertyGridProperty.h"
#include "editor/CustomPropertyGridTableProperty.h"
#include "editor/LinkBreakBox.h"
#include "editor/TesselDoc.h"
#include "editor/resource.h"
#include "tool/cell.h"
#include "tool/cellValue.h"
#include "tool/row.h"
#include "tool/table.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>

namespace
{

// The toolbar's images, 16 by 16: expand all, alphabetic, and two property pages.
QIcon ToolIcon(int id)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor ink(0x40, 0x40, 0x40);
    const QColor paper(0xff, 0xff, 0xff);
    const QColor accent(0x30, 0x60, 0xb0);
    p.setPen(ink);
    switch (id)
    {
    case ID_EXPAND_ALL:
        p.setBrush(paper);
        p.drawRect(1, 1, 8, 8);
        p.drawLine(3, 5, 7, 5);
        p.drawLine(5, 3, 5, 7);
        p.drawLine(5, 10, 5, 14);
        p.drawLine(5, 14, 9, 14);
        p.setPen(accent);
        p.drawLine(11, 14, 14, 14);
        p.drawLine(11, 5, 14, 5);
        break;
    case ID_SORTPROPERTIES:
        p.setPen(accent);
        for (int i = 0; i < 4; ++i)
            p.drawLine(1, 2 + 4 * i, 3 + 2 * i, 2 + 4 * i);
        p.setPen(ink);
        p.drawLine(12, 1, 12, 14);
        p.drawLine(9, 11, 12, 14);
        p.drawLine(15, 11, 12, 14);
        break;
    case ID_PROPERTIES1:
    case ID_PROPERTIES2:
        p.setBrush(paper);
        p.drawRect(2, 1, 11, 13);
        p.setPen(id == ID_PROPERTIES1 ? accent : ink);
        for (int y = 4; y <= 11; y += 3)
            p.drawLine(4, y, 11, y);
        break;
    default:
        break;
    }
    return QIcon(pixmap);
}

} // namespace

CPropertiesWnd::CPropertiesWnd(QWidget* parent) : DockPane(parent) {}

CPropertiesWnd::~CPropertiesWnd()
{
    // The grid outlives this part of the pane (Qt deletes it with the base); it must not call
    // back.
    if (m_propertyGrid != nullptr)
        disconnect(m_propertyGrid, nullptr, this, nullptr);
}

bool CPropertiesWnd::OnCreate()
{
    QWidget* client = ClientArea();
    if (client == nullptr)
        return false;

    // A sorted drop-down list; its choice has no effect.
    m_selectorCombo = new QComboBox(client);
    m_selectorCombo->setObjectName(QStringLiteral("SelectorCombo"));
    QStringList items = {QStringLiteral("应用程序"), QStringLiteral("属性窗口")};
    std::sort(items.begin(), items.end(),
              [](const QString& a, const QString& b) { return QString::localeAwareCompare(a, b) < 0; });
    m_selectorCombo->addItems(items);
    m_selectorCombo->setCurrentIndex(0);

    m_propertyGrid = new CCustomPropertyGridCtrl(client);
    m_propertyGrid->SetCellWriter([this](CCustomPropertyGridProperty*, tarn::Cell* cell,
                                         const std::u16string& text) { WriteCell(cell, text); });
    // A row asked for while a refused edit was open is shown once that edit has ended.
    connect(m_propertyGrid, &PropertyGrid::editEnded, this,
            [this]()
            {
                if (m_pendingRow != nullptr)
                    QTimer::singleShot(0, this, [this]() { ShowPendingRow(); });
                if (m_referrersStale)
                    QTimer::singleShot(0, this,
                                       [this]()
                                       {
                                           if (!m_referrersStale)
                                               return;
                                           // Any entry's text may have changed meanwhile: all
                                           // of them are set again.
                                           m_referrers.clear();
                                           ShowReferrers();
                                       });
            });

    // A double-click on an entry of "被引用" (the press before it made the entry current).
    m_propertyGrid->treeWidget()->viewport()->installEventFilter(this);

    m_toolBar = new QToolBar(client);
    m_toolBar->setObjectName(QStringLiteral("PropertiesToolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    CreateCommands();

    // Focus given to the pane goes to the grid.
    setFocusProxy(m_propertyGrid);
    client->setFocusProxy(m_propertyGrid);

    RepositionControls();
    return true;
}

void CPropertiesWnd::CreateCommands()
{
    CommandRouter& commands = Commands();
    // The buttons in toolbar order; they have no texts of their own.
    for (int id : {ID_EXPAND_ALL, ID_SORTPROPERTIES, ID_PROPERTIES1, ID_PROPERTIES2})
    {
        QAction* action = commands.addCommand(id, QString());
        action->setObjectName(QStringLiteral("Command%1").arg(id));
        action->setIcon(ToolIcon(id));
        m_toolBar->addAction(action);
    }
    commands.action(ID_SORTPROPERTIES)->setCheckable(true);

    commands.setHandler(ID_EXPAND_ALL, [this]() { m_propertyGrid->expandAll(); });
    commands.setUpdateHandler(ID_EXPAND_ALL, [](CommandUi& ui) { ui.Enable(); });
    commands.setHandler(ID_SORTPROPERTIES,
                        [this]()
                        {
                            m_propertyGrid->setAlphabeticMode(!m_propertyGrid->isAlphabeticMode());
                            ShowReferrers();
                        });
    commands.setUpdateHandler(ID_SORTPROPERTIES,
                              [this](CommandUi& ui)
                              {
                                  ui.Enable();
                                  ui.SetCheck(m_propertyGrid->isAlphabeticMode());
                              });
    commands.setHandler(ID_PROPERTIES1, []() {});
    commands.setUpdateHandler(ID_PROPERTIES1, [](CommandUi& ui) { ui.Enable(); });
    commands.setHandler(ID_PROPERTIES2, []() {});
    commands.setUpdateHandler(ID_PROPERTIES2, [](CommandUi& ui) { ui.Enable(); });
    commands.watchToolBar(m_toolBar);
    commands.updateAll();
}

void CPropertiesWnd::RepositionControls()
{
    QWidget* client = ClientArea();
    if (client == nullptr || m_selectorCombo == nullptr || m_toolBar == nullptr || m_propertyGrid == nullptr)
        return;
    const QRect c = client->rect();
    const int comboHeight = m_selectorCombo->sizeHint().height();
    const int toolBarHeight = m_toolBar->sizeHint().height();
    m_selectorCombo->setGeometry(c.left(), c.top(), c.width(), comboHeight);
    m_toolBar->setGeometry(c.left(), c.top() + comboHeight, c.width(), toolBarHeight);
    m_propertyGrid->setGeometry(c.left(), c.top() + comboHeight + toolBarHeight, c.width(),
                                std::max(0, c.height() - comboHeight - toolBarHeight));
}

bool CPropertiesWnd::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick && m_propertyGrid != nullptr &&
        watched == m_propertyGrid->treeWidget()->viewport())
        OnGridDoubleClicked();
    return DockPane::eventFilter(watched, event);
}

bool CPropertiesWnd::event(QEvent* event)
{
    const bool result = DockPane::event(event);
    // A change of the interface font reaches a docked pane as a change of its own (inherited)
    // font; a floating one is told directly.
    if ((event->type() == QEvent::FontChange || event->type() == QEvent::ApplicationFontChange) &&
        m_propertyGrid != nullptr)
        UpdateGridFont();
    return result;
}

void CPropertiesWnd::UpdateGridFont()
{
    if (m_propertyGrid == nullptr)
        return;
    QFont font = QApplication::font();
    const QFont menu = QApplication::font("QMenu");
    if (menu.pixelSize() > 0)
        font.setPixelSize(menu.pixelSize());
    else if (menu.pointSizeF() > 0)
        font.setPointSizeF(menu.pointSizeF());
    font.setWeight(menu.weight());
    font.setItalic(menu.italic());
    m_gridFont = font;
    m_propertyGrid->setFont(m_gridFont);
}

void CPropertiesWnd::InitPropList(tarn::editor::Table* table)
{
    if (!SCL_ASSERT(table != nullptr) || m_propertyGrid == nullptr)
        return;
    UpdateGridFont();
    m_propertyGrid->removeAll();
    m_shownRow = nullptr;
    m_referrers.clear();

    m_propertyGrid->setHeaderVisible(false);
    m_propertyGrid->setHeaderTitles(QStringLiteral("Property"), QStringLiteral("Value"));
    m_propertyGrid->setDescriptionVisible(true);
    m_propertyGrid->setVSDotNetLook(true);
    m_propertyGrid->setMarkModified(true);

    auto* group = new PropertyGridItem(QStringLiteral("属性"));
    for (const tarn::Field& field : table->m_fields)
    {
        const QVariant initial = CellDefaultVariant(field.m_type);
        SCL_ASSERT(initial.isValid());
        const QString name = QString::fromUtf16(field.m_name.c_str());
        PropertyGridItem* property = nullptr;
        if (!field.m_linkTableName.empty())
            property = new CCustomPropertyGridTableProperty(name, initial, QString());
        else
            property = new CCustomPropertyGridProperty(name, initial, QString());
        group->addSubItem(property);
    }
    m_propertyGrid->addProperty(group);
    m_propertyGrid->adjustLayout();
    m_shownTableName = table->m_fileName;
}

void CPropertiesWnd::DataToUI(tarn::Row* row)
{
    if (!SCL_ASSERT(row != nullptr) || m_propertyGrid == nullptr)
        return;
    tarn::editor::Table* table = row->m_table;
    if (table == nullptr)
    {
        SCL_ASSERT(false);
        return;
    }
    // An edit still open belongs to the row shown so far. If its text is refused, that row stays
    // shown with the editor open on the text (the grid says why); `row` follows once the edit
    // has ended.
    m_propertyGrid->endEditItem(true);
    if (m_propertyGrid->editedItem() != nullptr)
    {
        m_pendingRow = row;
        return;
    }
    m_pendingRow = nullptr;

    if (table->m_fileName != m_shownTableName)
        InitPropList(table);
    m_shownRow = row;

    PropertyGridItem* group = m_propertyGrid->property(0);
    if (group == nullptr)
    {
        SCL_ASSERT(false);
        return;
    }
    for (int i = 0; i < row->cells.size(); ++i)
    {
        tarn::Cell* cell = row->cells[i];
        auto* property = dynamic_cast<CCustomPropertyGridProperty*>(group->subItem(i));
        if (cell == nullptr || property == nullptr)
        {
            SCL_ASSERT(false);
            return;
        }
        property->SetCell(cell);
        ShowCellValue(property, cell, false);
    }
    ShowReferrers();
}

namespace
{
const QString kReferrersGroup = QStringLiteral("被引用");

// An entry of "被引用": "<table label> <id>" and "<row name>（<field name>）".
QString ReferrerName(const tarn::LinkIndex::Referrer& r)
{
    return QStringLiteral("%1 %2").arg(QString::fromUtf16(r.row->m_table->m_label.c_str())).arg(r.row->Id());
}

QVariant ReferrerValue(const tarn::LinkIndex::Referrer& r)
{
    const tarn::editor::Table* table = r.row->m_table;
    QString field;
    if (r.field >= 0 && r.field < table->m_fields.size())
        field = QString::fromUtf16(table->m_fields[r.field].m_name.c_str());
    return QVariant(QStringLiteral("%1（%2）").arg(QString::fromUtf16(r.row->Name()), field));
}
} // namespace

PropertyGridItem* CPropertiesWnd::ReferrersGroup() const
{
    PropertyGridItem* group = m_propertyGrid != nullptr ? m_propertyGrid->property(1) : nullptr;
    return group != nullptr && group->name() == kReferrersGroup ? group : nullptr;
}

void CPropertiesWnd::ShowReferrers(const tarn::Row* changed)
{
    if (m_propertyGrid == nullptr)
        return;
    if (m_propertyGrid->editedItem() != nullptr)
    {
        // The grid is not rebuilt under an open editor: the group follows when the edit ends.
        m_referrersStale = true;
        return;
    }
    m_referrersStale = false;
    std::vector<tarn::LinkIndex::Referrer> referrers;
    // The alphabetic display sorts the fields alone.
    if (m_document != nullptr && m_shownRow != nullptr && !m_propertyGrid->isAlphabeticMode())
        referrers = m_document->ReferrersOf(m_shownRow);
    PropertyGridItem* group = ReferrersGroup();
    if (referrers == m_referrers && (group != nullptr) == !referrers.empty() &&
        std::none_of(referrers.begin(), referrers.end(),
                     [changed](const tarn::LinkIndex::Referrer& r) { return r.row == changed; }))
        return;
    m_referrers = std::move(referrers);
    // As many entries as before (the common case when the caret moves): the entries take the new
    // texts in place, so only the cells whose text changes are repainted.
    if (group != nullptr && group->subItemCount() == static_cast<int>(m_referrers.size()))
    {
        for (std::size_t i = 0; i < m_referrers.size(); ++i)
        {
            PropertyGridItem* entry = group->subItem(static_cast<int>(i));
            entry->setName(ReferrerName(m_referrers[i]));
            entry->setValue(ReferrerValue(m_referrers[i]));
            entry->setDescription(linkbreak::DescribeReferrer(m_referrers[i]));
        }
        return;
    }
    if (group != nullptr)
        m_propertyGrid->removeProperty(1);
    if (m_referrers.empty())
        return;
    group = new PropertyGridItem(kReferrersGroup);
    for (std::size_t i = 0; i < m_referrers.size(); ++i)
    {
        const tarn::LinkIndex::Referrer& r = m_referrers[i];
        auto* entry = new PropertyGridItem(ReferrerName(r), ReferrerValue(r), linkbreak::DescribeReferrer(r),
                                           static_cast<quintptr>(i));
        entry->setAllowEdit(false);
        group->addSubItem(entry);
    }
    m_propertyGrid->addProperty(group);
}

void CPropertiesWnd::OnGridDoubleClicked()
{
    PropertyGridItem* item = m_propertyGrid != nullptr ? m_propertyGrid->currentItem() : nullptr;
    PropertyGridItem* group = ReferrersGroup();
    if (item == nullptr || group == nullptr || item->parentItem() != group || m_document == nullptr)
        return;
    const std::size_t i = static_cast<std::size_t>(item->data());
    if (i >= m_referrers.size())
        return;
    const tarn::LinkIndex::Referrer target = m_referrers[i];
    // The grid is rebuilt for the other row: not inside its own signal.
    QPointer<CTesselDoc> document(m_document);
    QTimer::singleShot(0, this,
                       [document, target]()
                       {
                           if (document != nullptr)
                               document->GoTo(target.row, target.field);
                       });
}

void CPropertiesWnd::ShowField(tarn::Row* row, int field)
{
    if (row == nullptr || row != m_shownRow || m_propertyGrid == nullptr)
        return;
    PropertyGridItem* group = m_propertyGrid->property(0);
    PropertyGridItem* property = group != nullptr ? group->subItem(field) : nullptr;
    if (property == nullptr)
        return;
    m_propertyGrid->setCurrentItem(property);
}

void CPropertiesWnd::ShowCellValue(CCustomPropertyGridProperty* property, tarn::Cell* cell, bool exact)
{
    const QVariant shown = property->value();
    const QVariant value = CellVariant(*cell);
    if (!SCL_ASSERT(value.isValid()))
        return;
    if (cell->Type() == FIELD_TYPE_FLOAT)
    {
        // The difference in single precision; a value within 0.0001 keeps what is shown.
        const float number = value.value<float>();
        const float difference = std::fabs(shown.value<float>() - number);
        if (exact ? shown.value<float>() != number || shown.typeId() != QMetaType::Float
                  : !(static_cast<double>(difference) < 0.0001))
            property->setValue(value);
        return;
    }
    // Numbers and texts as the adapter gives them; a list as its whole text (the cell's own text
    // form is cut at 127 units, and an edit of a cut text would drop the values beyond it).
    if (shown.typeId() != value.typeId() || shown != value)
        property->setValue(value);
}

void CPropertiesWnd::ForgetRow(const tarn::Row* row)
{
    if (row == nullptr || m_propertyGrid == nullptr)
        return;
    if (row == m_pendingRow)
        m_pendingRow = nullptr;
    bool bound = row == m_shownRow;
    if (PropertyGridItem* group = m_propertyGrid->property(0); group != nullptr && !bound)
    {
        for (int i = 0; i < group->subItemCount() && !bound; ++i)
        {
            auto* property = dynamic_cast<CCustomPropertyGridProperty*>(group->subItem(i));
            if (property == nullptr || property->GetCell() == nullptr)
                continue;
            for (int j = 0; j < row->cells.size() && !bound; ++j)
                bound = row->cells[j] == property->GetCell();
        }
    }
    if (!bound)
        return;
    Clear();
}

void CPropertiesWnd::SetDocument(CTesselDoc* document)
{
    if (m_document != nullptr)
        disconnect(m_document, nullptr, this, nullptr);
    m_document = document;
    if (m_document == nullptr)
        return;
    connect(m_document, &CTesselDoc::currentRowChanged, this,
            [this](tarn::Row* row)
            {
                if (row != nullptr)
                    DataToUI(row);
            });
    connect(m_document, &CTesselDoc::cellChanged, this,
            [this](tarn::editor::Table*, tarn::Row* row, int field) { OnDocumentCellChanged(row, field); });
    connect(m_document, &CTesselDoc::rowsRemoved, this, &CPropertiesWnd::OnRowsRemoved);
    // What refers to the shown row changes with any link, id or row that comes or goes.
    connect(m_document, &CTesselDoc::cellChanged, this,
            [this](tarn::editor::Table*, tarn::Row* row) { ShowReferrers(row); });
    connect(m_document, &CTesselDoc::rowsInserted, this, [this]() { ShowReferrers(); });
    connect(m_document, &CTesselDoc::rowsRemoved, this, [this]() { ShowReferrers(); });
    connect(m_document, &CTesselDoc::fieldRequested, this, &CPropertiesWnd::ShowField);
    connect(m_document, &CTesselDoc::tablesReloaded, this,
            [this]()
            {
                m_pendingRow = nullptr;
                Clear();
            });
    connect(m_document, &CTesselDoc::commitPendingEdits, this,
            [this]()
            {
                if (m_propertyGrid != nullptr)
                    m_propertyGrid->endEditItem(true);
            });
}

void CPropertiesWnd::WriteCell(tarn::Cell* cell, const std::u16string& newText)
{
    tarn::Row* row = m_shownRow;
    if (m_document == nullptr)
    {
        // A pane without a document (on its own, in a test) keeps the edit in the cell.
        tarn::SetExactValueText(*cell, newText);
        // An id given to a row is never given to a new one.
        if (row != nullptr && row->m_table != nullptr && row->m_idFieldIndex >= 0 &&
            row->m_idFieldIndex < row->cells.size() && row->cells[row->m_idFieldIndex] == cell)
            row->m_table->NoteId(row->Id());
        return;
    }
    if (row == nullptr)
        return;
    for (int i = 0; i < row->cells.size(); ++i)
    {
        if (row->cells[i] == cell)
        {
            if (!m_document->SetCellValue(row, i, newText) && tarn::ExactValueText(*cell) != newText)
            {
                // Not taken (the user kept the links whole): the property shows the cell again.
                QPointer<CPropertiesWnd> self(this);
                QTimer::singleShot(0, this,
                                   [self, row, i]()
                                   {
                                       if (self != nullptr && self->m_shownRow == row)
                                           self->OnDocumentCellChanged(row, i);
                                   });
            }
            return;
        }
    }
    SCL_ASSERT(false); // a property bound to a cell of another row
}

void CPropertiesWnd::OnDocumentCellChanged(tarn::Row* row, int field)
{
    if (row == nullptr || row != m_shownRow || m_propertyGrid == nullptr)
        return;
    PropertyGridItem* group = m_propertyGrid->property(0);
    auto* property =
        group != nullptr ? dynamic_cast<CCustomPropertyGridProperty*>(group->subItem(field)) : nullptr;
    if (property != nullptr && field < row->cells.size() && row->cells[field] != nullptr)
        ShowCellValue(property, row->cells[field], true);
    if (field == row->m_nameFieldIndex)
        emit rowNameChanged(row);
}

void CPropertiesWnd::OnRowsRemoved(const DocRows& rows)
{
    if (m_shownRow == nullptr && m_pendingRow == nullptr)
        return;
    for (tarn::Row* row : rows.rows)
        if (row == m_shownRow || row == m_pendingRow)
            ForgetRow(row);
}

void CPropertiesWnd::Clear()
{
    if (m_propertyGrid == nullptr)
        return;
    m_propertyGrid->endEditItem(false);
    m_propertyGrid->removeAll();
    m_shownTableName.clear();
    m_shownRow = nullptr;
    m_referrers.clear();
}

bool CPropertiesWnd::CommitEdit(QString* refusal)
{
    return m_propertyGrid == nullptr || m_propertyGrid->CommitEdit(refusal);
}

void CPropertiesWnd::ShowPendingRow()
{
    tarn::Row* row = m_pendingRow;
    if (row != nullptr && m_propertyGrid != nullptr && m_propertyGrid->editedItem() == nullptr)
        DataToUI(row);
}
