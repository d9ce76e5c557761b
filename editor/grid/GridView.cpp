#include "editor/grid/GridView.h"

#include "editor/RefusalBox.h"
#include "editor/TesselDoc.h"
#include "editor/grid/GridDelegate.h"
#include "editor/grid/TableModel.h"
#include "tool/cell.h"
#include "tool/cellValue.h"
#include "tool/row.h"
#include "tool/rowText.h"
#include "tool/table.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <map>
#include <memory>
#include <set>

namespace
{
constexpr int kListedProblems = 10;
constexpr int kRowHeight = 20;

QString FromU16(const std::u16string& text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

bool IsEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// The grid's own keys, which it takes before the window's shortcuts of the same keys.
enum class GridKey
{
    None,
    Copy,
    Paste,
    NewRow,
    Delete
};

GridKey GridKeyOf(const QKeyEvent* key)
{
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() == Qt::Key_Insert && modifiers == Qt::ControlModifier)
        return GridKey::NewRow;
    if (key->key() == Qt::Key_Delete && modifiers == Qt::NoModifier)
        return GridKey::Delete;
    if (key->matches(QKeySequence::Copy))
        return GridKey::Copy;
    if (key->matches(QKeySequence::Paste))
        return GridKey::Paste;
    return GridKey::None;
}
} // namespace

// ---- GridTable ---------------------------------------------------------------------------------

GridTable::GridTable(QWidget* parent) : QTableView(parent)
{
    m_frozen = new QTableView(this);
    m_frozen->setObjectName(QStringLiteral("GridFrozen"));
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->verticalHeader()->hide();
    m_frozen->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setFrameShape(QFrame::NoFrame);
    m_frozen->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_frozen->verticalHeader()->setDefaultSectionSize(kRowHeight);
    viewport()->stackUnder(m_frozen);
    m_frozen->hide();

    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    setHorizontalScrollMode(ScrollPerPixel);
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, m_frozen->verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(m_frozen->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int logical, int, int size)
            {
                if (std::find(m_frozenColumns.begin(), m_frozenColumns.end(), logical) !=
                    m_frozenColumns.end())
                {
                    m_frozen->setColumnWidth(logical, size);
                    UpdateFrozenGeometry();
                }
            });
}

void GridTable::Freeze(const std::vector<int>& columns)
{
    m_frozenColumns = columns;
    if (model() == nullptr)
        return;
    if (m_frozen->model() != model())
    {
        m_frozen->setModel(model());
        m_frozen->setSelectionModel(selectionModel());
        m_frozen->setEditTriggers(editTriggers());
        m_frozen->setSelectionMode(selectionMode());
    }
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
    {
        horizontalHeader()->moveSection(horizontalHeader()->visualIndex(columns[static_cast<std::size_t>(i)]),
                                        i);
        m_frozen->horizontalHeader()->moveSection(
            m_frozen->horizontalHeader()->visualIndex(columns[static_cast<std::size_t>(i)]), i);
    }
    for (int c = 0; c < model()->columnCount(); ++c)
    {
        const bool frozen = std::find(columns.begin(), columns.end(), c) != columns.end();
        m_frozen->setColumnHidden(c, !frozen);
        if (frozen)
            m_frozen->setColumnWidth(c, columnWidth(c));
    }
    m_frozen->setVisible(!columns.empty());
    UpdateFrozenGeometry();
}

bool GridTable::IsFrozen(int column) const
{
    return std::find(m_frozenColumns.begin(), m_frozenColumns.end(), column) != m_frozenColumns.end();
}

bool GridTable::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    const bool triggered = trigger == AllEditTriggers || (editTriggers() & trigger);
    if (!index.isValid() || !IsFrozen(index.column()) || !m_frozen->isVisible() || !triggered ||
        state() == EditingState || !(model()->flags(index) & Qt::ItemIsEditable))
        return QTableView::edit(index, trigger, event);
    if (m_frozen->indexWidget(index) == nullptr)
        m_frozen->edit(index);
    QWidget* editor = m_frozen->indexWidget(index);
    if (editor == nullptr)
        return false;
    editor->setFocus();
    // A typed key that opened the editor is its first input.
    if (trigger == AnyKeyPressed && event != nullptr)
        QCoreApplication::sendEvent(editor, event);
    return true;
}

int GridTable::FrozenWidth() const
{
    int width = 0;
    for (int c : m_frozenColumns)
        width += columnWidth(c);
    return width;
}

void GridTable::UpdateFrozenGeometry()
{
    m_frozen->setGeometry(verticalHeader()->width() + frameWidth(), frameWidth(), FrozenWidth(),
                          viewport()->height() + horizontalHeader()->height());
}

void GridTable::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    UpdateFrozenGeometry();
}

void GridTable::updateGeometries()
{
    QTableView::updateGeometries();
    if (m_frozen != nullptr)
        UpdateFrozenGeometry();
}

QModelIndex GridTable::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = QTableView::moveCursor(action, modifiers);
    // Moving left onto a column hidden under the frozen ones scrolls it out from under them.
    if (action == MoveLeft && current.isValid() &&
        std::find(m_frozenColumns.begin(), m_frozenColumns.end(), current.column()) == m_frozenColumns.end())
    {
        const int x = visualRect(current).topLeft().x();
        if (x < FrozenWidth())
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() + x - FrozenWidth());
    }
    return current;
}

void GridTable::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    // A frozen column is always in view: only the rows scroll for it.
    if (index.isValid() &&
        std::find(m_frozenColumns.begin(), m_frozenColumns.end(), index.column()) != m_frozenColumns.end())
    {
        const int h = horizontalScrollBar()->value();
        QTableView::scrollTo(index, hint);
        horizontalScrollBar()->setValue(h);
        return;
    }
    QTableView::scrollTo(index, hint);
}

bool GridTable::event(QEvent* event)
{
    // The window has shortcuts on Ctrl+C, Ctrl+V, Ctrl+Insert and Del for the class view's rows;
    // while the grid has the focus these keys are the grid's.
    if (event->type() == QEvent::ShortcutOverride && state() != EditingState &&
        GridKeyOf(static_cast<QKeyEvent*>(event)) != GridKey::None)
    {
        event->accept();
        return true;
    }
    return QTableView::event(event);
}

void GridTable::keyPressEvent(QKeyEvent* event)
{
    if (state() != EditingState)
    {
        switch (GridKeyOf(event))
        {
        case GridKey::Copy:
            emit copyRequested();
            event->accept();
            return;
        case GridKey::Paste:
            emit pasteRequested();
            event->accept();
            return;
        case GridKey::NewRow:
            emit newRowRequested();
            event->accept();
            return;
        case GridKey::Delete:
            emit deleteRequested();
            event->accept();
            return;
        case GridKey::None:
            break;
        }
        // Enter edits the current cell (as F2 does) rather than only moving on.
        if (IsEnter(event) && event->modifiers() == Qt::NoModifier && currentIndex().isValid() &&
            edit(currentIndex(), EditKeyPressed, event))
        {
            event->accept();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

// ---- CGridView ---------------------------------------------------------------------------------

CGridView::CGridView(tarn::editor::Table* table, CTesselDoc* document, QWidget* parent)
    : QWidget(parent), m_document(document)
{
    setObjectName(QStringLiteral("GridView"));
    m_model = new TableModel(table, document, this);
    m_proxy = new GridProxy(this);
    m_proxy->setSourceModel(m_model);

    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("GridFilter"));
    m_filter->setPlaceholderText(QStringLiteral("筛选：输入文本，或 字段名:文本"));
    m_filter->setClearButtonEnabled(true);

    m_view = new GridTable(this);
    m_view->setObjectName(QStringLiteral("GridTable"));
    m_delegate = new GridDelegate(m_view);
    m_view->setItemDelegate(m_delegate);
    m_frozenDelegate = new GridDelegate(m_view);
    m_view->FrozenView()->setItemDelegate(m_frozenDelegate);
    m_view->setModel(m_proxy);
    m_proxy->SetSelectionModel(m_view->selectionModel());
    m_view->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    m_view->setSortingEnabled(false);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    m_view->setWordWrap(false);
    QHeaderView* header = m_view->horizontalHeader();
    header->setSectionsClickable(true);
    header->setHighlightSections(true);
    // Widths from the header texts: measuring 100,000 rows would take longer than opening the tab.
    for (int c = 0; c < m_model->columnCount(); ++c)
        m_view->setColumnWidth(c, std::max(80, header->fontMetrics().horizontalAdvance(
                                                   m_model->headerData(c, Qt::Horizontal).toString()) +
                                                   24));
    if (table != nullptr)
    {
        std::vector<int> frozen;
        for (int c : {table->m_idFieldIndex, table->m_nameFieldIndex})
            if (c >= 0 && c < m_model->columnCount() &&
                std::find(frozen.begin(), frozen.end(), c) == frozen.end())
                frozen.push_back(c);
        m_view->Freeze(frozen);
        // The frozen view draws those columns over the table's own cells.
        m_delegate->SetCoveredColumns(frozen);
    }

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("GridStatus"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(m_filter);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_status);

    connect(m_filter, &QLineEdit::textChanged, this,
            [this](const QString& text)
            {
                m_proxy->SetFilter(text);
                UpdateStatus();
            });
    connect(header, &QHeaderView::sectionClicked, this, &CGridView::CycleSort);
    connect(m_view->FrozenView()->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &CGridView::CycleSort);
    connect(m_view, &GridTable::copyRequested, this, &CGridView::CopySelection);
    connect(m_view, &GridTable::pasteRequested, this,
            [this]() { PasteText(QApplication::clipboard()->text()); });
    connect(m_view, &GridTable::newRowRequested, this, &CGridView::NewRow);
    connect(m_view, &GridTable::deleteRequested, this, &CGridView::DeleteRows);
    connect(m_view, &QWidget::customContextMenuRequested, this, &CGridView::ShowContextMenu);
    for (GridDelegate* delegate : {m_delegate, m_frozenDelegate})
    {
        connect(delegate, &GridDelegate::refused, this, &CGridView::ShowRefusal);
        connect(delegate, &GridDelegate::fillRequested, this,
                [this, delegate](QLineEdit* editor, const QString& text)
                {
                    QString why;
                    // The editor's text is the fill itself, not a pending edit of its own cell.
                    m_filling = true;
                    const int filled = FillSelection(text, &why);
                    m_filling = false;
                    if (filled < 0)
                    {
                        ShowRefusal(why);
                        return;
                    }
                    emit delegate->closeEditor(editor, QAbstractItemDelegate::NoHint);
                });
    }
    // The frozen view takes no focus: after its editor, the keys go to the table again.
    connect(m_frozenDelegate, &QAbstractItemDelegate::closeEditor, m_view, [this]() { m_view->setFocus(); });
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { OnCurrentRowChanged(current); });
    // Rows the filter hides change the table's count and not the shown one: both are followed.
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
    {
        connect(m_proxy, signal, this, &CGridView::UpdateStatus);
        connect(m_model, signal, this, &CGridView::UpdateStatus);
    }
    connect(m_proxy, &QAbstractItemModel::modelReset, this, &CGridView::UpdateStatus);
    connect(m_proxy, &QAbstractItemModel::layoutChanged, this, &CGridView::UpdateStatus);
    if (m_document != nullptr)
    {
        connect(m_document, &CTesselDoc::currentRowChanged, this, &CGridView::OnDocumentCurrentRow);
        // Save, undo, new rows ... take the text of a cell being edited first, as the pane does.
        connect(m_document, &CTesselDoc::commitPendingEdits, this, &CGridView::CommitOpenEditor);
    }
    UpdateStatus();
    setFocusProxy(m_view);
}

CGridView::~CGridView() = default;

void CGridView::DetachViews()
{
    m_proxy->SetSelectionModel(nullptr);
    m_view->FrozenView()->setModel(nullptr);
    m_view->setModel(nullptr);
    m_proxy->setSourceModel(nullptr);
}

tarn::editor::Table* CGridView::Table() const
{
    return m_model->Table();
}

void CGridView::UpdateStatus()
{
    m_status->setText(QStringLiteral("显示 %1 / %2 行").arg(m_proxy->rowCount()).arg(m_model->rowCount()));
}

void CGridView::CycleSort(int column)
{
    QHeaderView* header = m_view->horizontalHeader();
    if (column != m_sortColumn)
    {
        m_sortColumn = column;
        m_sortOrder = Qt::AscendingOrder;
    }
    else if (m_sortOrder == Qt::AscendingOrder)
    {
        m_sortOrder = Qt::DescendingOrder;
    }
    else
    {
        m_sortColumn = -1;
    }
    if (m_sortColumn < 0)
    {
        m_proxy->sort(-1);
        header->setSortIndicatorShown(false);
    }
    else
    {
        m_proxy->sort(m_sortColumn, m_sortOrder);
        header->setSortIndicatorShown(true);
        header->setSortIndicator(m_sortColumn, m_sortOrder);
    }
}

std::vector<int> CGridView::VisualColumns() const
{
    std::vector<int> columns;
    const QHeaderView* header = m_view->horizontalHeader();
    for (int v = 0; v < header->count(); ++v)
        columns.push_back(header->logicalIndex(v));
    return columns;
}

QString CGridView::CopySelection()
{
    const QModelIndexList selected = m_view->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return QString();
    const QHeaderView* header = m_view->horizontalHeader();
    std::set<int> rows;
    std::set<int> visuals;
    std::set<std::pair<int, int>> cells;
    for (const QModelIndex& index : selected)
    {
        rows.insert(index.row());
        visuals.insert(header->visualIndex(index.column()));
        cells.insert({index.row(), index.column()});
    }
    const int firstVisual = *visuals.begin();
    const int lastVisual = *visuals.rbegin();
    QString text;
    for (int row : rows)
    {
        QStringList values;
        for (int v = firstVisual; v <= lastVisual; ++v)
        {
            const int column = header->logicalIndex(v);
            if (!cells.count({row, column}))
            {
                values << QString();
                continue;
            }
            const QModelIndex source = m_proxy->mapToSource(m_proxy->index(row, column));
            values << m_model->CellText(source.row(), source.column());
        }
        text += values.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    QApplication::clipboard()->setText(text);
    return text;
}

bool CGridView::PasteText(const QString& text)
{
    tarn::editor::Table* table = Table();
    if (m_document == nullptr || table == nullptr)
        return false;
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.isEmpty())
        return false;

    const std::vector<int> visual = VisualColumns();
    const QModelIndex current = m_view->currentIndex();
    const int startRow = current.isValid() ? current.row() : m_proxy->rowCount();
    const int startVisual = current.isValid() ? m_view->horizontalHeader()->visualIndex(current.column()) : 0;
    const int shownRows = m_proxy->rowCount();
    const int fieldCount = table->m_fields.size();

    // The exact text of every field's initial value, for the fields a new row gets no value for.
    std::vector<std::u16string> initial(static_cast<std::size_t>(fieldCount));
    for (int f = 0; f < fieldCount; ++f)
    {
        std::unique_ptr<tarn::Cell> cell(tarn::CreateCell(table->m_fields[f]));
        if (cell)
            initial[static_cast<std::size_t>(f)] = tarn::ExactValueText(*cell);
    }

    std::vector<CTesselDoc::CellEdit> edits;
    std::vector<std::vector<std::u16string>> newRows;
    QStringList problems;
    int problemCount = 0;
    const auto problem = [&](const QString& where, const QString& line)
    {
        ++problemCount;
        if (problems.size() < kListedProblems)
            problems << where + QStringLiteral("：") + line;
    };
    for (int i = 0; i < lines.size(); ++i)
    {
        const QStringList values = lines[i].split(QLatin1Char('\t'));
        const int proxyRow = startRow + i;
        tarn::Row* row = nullptr;
        QString where;
        if (proxyRow < shownRows)
        {
            const int sourceRow = m_proxy->mapToSource(m_proxy->index(proxyRow, 0)).row();
            row = m_model->RowAt(sourceRow);
            where = QStringLiteral("第 %1 行").arg(sourceRow + 1);
        }
        else
        {
            newRows.push_back(initial);
            where = QStringLiteral("新行 %1").arg(newRows.size());
        }
        for (int j = 0; j < values.size(); ++j)
        {
            const int v = startVisual + j;
            if (v >= static_cast<int>(visual.size()))
            {
                problem(where, QStringLiteral("“%1”超出了表的最后一列").arg(values[j]));
                break;
            }
            const int field = visual[static_cast<std::size_t>(v)];
            std::u16string exact;
            std::u16string why;
            if (!tarn::CheckFieldText(*table, field, values[j].toStdU16String(), exact, why))
            {
                problem(where, FromU16(why));
                continue;
            }
            if (row != nullptr)
                edits.push_back({row, field, std::move(exact)});
            else
                newRows.back()[static_cast<std::size_t>(field)] = std::move(exact);
        }
    }
    if (problemCount > 0)
    {
        if (problemCount > problems.size())
            problems << QStringLiteral("……另有 %1 个问题。").arg(problemCount - problems.size());
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Tessel"),
                        QStringLiteral("粘贴的内容中有 %1 个值不能采用，表没有改变。").arg(problemCount),
                        QMessageBox::Ok, window());
        box.setObjectName(QStringLiteral("PasteRefusedBox"));
        box.setInformativeText(problems.join(QLatin1Char('\n')));
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.exec();
        return false;
    }
    if (!m_document->PasteCells(table, edits, newRows))
        return false;
    return true;
}

int CGridView::FillSelection(const QString& text, QString* why)
{
    tarn::editor::Table* table = Table();
    if (m_document == nullptr || table == nullptr)
        return 0;
    const QModelIndex current = m_view->currentIndex();
    const tarn::Field* currentField =
        current.isValid() ? m_model->FieldAt(m_proxy->mapToSource(current).column()) : nullptr;
    std::map<int, std::u16string> exactByField;
    std::vector<CTesselDoc::CellEdit> edits;
    for (const QModelIndex& index : m_view->selectionModel()->selectedIndexes())
    {
        const QModelIndex source = m_proxy->mapToSource(index);
        const tarn::Field* field = m_model->FieldAt(source.column());
        // Only the cells of the edited cell's type take the text.
        if (field == nullptr || (currentField != nullptr && field->m_type != currentField->m_type))
            continue;
        auto found = exactByField.find(source.column());
        if (found == exactByField.end())
        {
            std::u16string exact;
            std::u16string reason;
            if (!tarn::CheckFieldText(*table, source.column(), text.toStdU16String(), exact, reason))
            {
                if (why != nullptr)
                    *why = FromU16(reason);
                return -1;
            }
            found = exactByField.emplace(source.column(), std::move(exact)).first;
        }
        edits.push_back({m_model->RowAt(source.row()), source.column(), found->second});
    }
    return m_document->SetCellValues(edits);
}

std::vector<tarn::Row*> CGridView::SelectedRows() const
{
    std::set<int> rows;
    for (const QModelIndex& index : m_view->selectionModel()->selectedIndexes())
        rows.insert(m_proxy->mapToSource(index).row());
    const QModelIndex current = m_view->currentIndex();
    if (rows.empty() && current.isValid())
        rows.insert(m_proxy->mapToSource(current).row());
    std::vector<tarn::Row*> result;
    for (int row : rows)
        if (tarn::Row* r = m_model->RowAt(row))
            result.push_back(r);
    return result;
}

tarn::Row* CGridView::NewRow()
{
    if (m_document == nullptr)
        return nullptr;
    tarn::Row* row = m_document->CreateRow(Table());
    if (row != nullptr && ShowRow(row))
        m_document->SetCurrentRow(row);
    return row;
}

int CGridView::DuplicateRows()
{
    tarn::editor::Table* table = Table();
    const std::vector<tarn::Row*> rows = SelectedRows();
    if (m_document == nullptr || table == nullptr || rows.empty())
        return 0;
    std::vector<std::vector<std::u16string>> values;
    for (tarn::Row* row : rows)
    {
        std::vector<std::u16string> texts;
        for (tarn::Cell* cell : row->cells)
            texts.push_back(cell != nullptr ? tarn::ExactValueText(*cell) : std::u16string());
        values.push_back(std::move(texts));
    }
    const std::vector<tarn::Row*> made = m_document->AppendRows(table, values);
    if (!made.empty() && ShowRow(made.front()))
        m_document->SetCurrentRow(made.front());
    return static_cast<int>(made.size());
}

int CGridView::DeleteRows()
{
    if (m_document == nullptr)
        return 0;
    return m_document->DeleteRows(SelectedRows());
}

bool CGridView::ShowRow(const tarn::Row* row)
{
    const int sourceRow = m_model->RowOf(row);
    if (sourceRow < 0)
        return false;
    const QModelIndex current = m_view->currentIndex();
    const int column = current.isValid() ? m_proxy->mapToSource(current).column()
                                         : m_view->horizontalHeader()->logicalIndex(0);
    const QModelIndex target = m_proxy->mapFromSource(m_model->index(sourceRow, std::max(column, 0)));
    if (!target.isValid())
        return false;
    if (!current.isValid() || current.row() != target.row())
    {
        m_following = true;
        m_view->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
        m_following = false;
    }
    m_view->scrollTo(target);
    return true;
}

void CGridView::OnCurrentRowChanged(const QModelIndex& current)
{
    if (m_following || m_document == nullptr || !current.isValid())
        return;
    tarn::Row* row = m_model->RowAt(m_proxy->mapToSource(current).row());
    if (row != nullptr && row != m_document->CurrentRow())
        m_document->SetCurrentRow(row);
}

void CGridView::OnDocumentCurrentRow(tarn::Row* row)
{
    if (row == nullptr || row->m_table != Table())
        return;
    ShowRow(row);
}

void CGridView::ShowRefusal(const QString& message)
{
    if (message.isEmpty())
        return;
    // Shown once the key or focus change that committed has been handled.
    ShowRefusalLater(this, message);
}

void CGridView::ShowContextMenu(const QPoint& point)
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("GridMenu"));
    QAction* newRow = menu.addAction(QStringLiteral("新建行"));
    QAction* duplicate = menu.addAction(QStringLiteral("复制行"));
    QAction* remove = menu.addAction(QStringLiteral("删除行"));
    const bool editable = m_document != nullptr;
    const bool hasRows = !SelectedRows().empty();
    newRow->setEnabled(editable);
    duplicate->setEnabled(editable && hasRows);
    remove->setEnabled(editable && hasRows);
    connect(newRow, &QAction::triggered, this, &CGridView::NewRow);
    connect(duplicate, &QAction::triggered, this, &CGridView::DuplicateRows);
    connect(remove, &QAction::triggered, this, &CGridView::DeleteRows);
    menu.exec(m_view->viewport()->mapToGlobal(point));
}

void CGridView::CommitOpenEditor()
{
    if (m_filling)
        return;
    for (QTableView* view : {static_cast<QTableView*>(m_view), m_view->FrozenView()})
    {
        if (view == nullptr)
            continue;
        const QModelIndex current = view->currentIndex();
        // The editor of the current cell, when one is open (indexWidget() also answers editors).
        if (auto* editor = qobject_cast<QLineEdit*>(view->indexWidget(current)))
            view->itemDelegateForIndex(current)->setModelData(editor, view->model(), current);
    }
}
