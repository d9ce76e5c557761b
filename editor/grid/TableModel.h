// One tarn table as a Qt table model: a row per table row in file order, a column per field in
// metadata order. The model reads the table's cells directly and builds text only when a view asks
// for a cell (visible cells); the only copy it keeps is a vector of row pointers, for constant-time
// access by position (the table keeps its rows in a linked list).
//
// With a document the model is editable: setData and SetCellText check the text with the shared
// cell adapter (editor/CellVariant.h) and push a document command; the model follows the document's
// signals, whoever made the change (grid, properties pane, class view, undo). Without a document
// it is read-only and still follows nothing: its owner must drop it before the table changes.
//
// Link columns (a field with a link table) show each value followed by the linked row's name
// (LinkPartsRole gives the pieces; DisplayRole the whole text "3025 · 野狼掉落"), and a value that
// names no row of the linked table in red with the tooltip "表 <label> 中没有编号 N". The ids of
// each linked table are looked up in an index built on first use and dropped when that table's
// rows or ids change.
//
// Points at the table, its rows and the document without owning them; the owner (a grid) must
// drop the model when the document announces tablesReloaded. GUI thread only.
#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

class CTesselDoc;
struct DocRows;
namespace tarn
{
class Cell;
class Row;
struct Field;
namespace editor
{
class Table;
}
} // namespace tarn

class TableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Role
    {
        // The cell's value as text, without link names (the text the editor starts from).
        ValueTextRole = Qt::UserRole + 1,
        // For a link cell: a QVariantList with one QVariantList per value: value text, the linked
        // row's name (empty when there is none) and whether the row exists (bool). Invalid for other
        // cells and for links to a table that is not loaded.
        LinkPartsRole,
    };

    // `document` null: read-only.
    TableModel(tarn::editor::Table* table, CTesselDoc* document, QObject* parent = nullptr);
    ~TableModel() override;

    // The TableModel under `index` (through any proxies) and, in `source`, the index in it; null
    // when there is none.
    static TableModel* SourceOf(const QModelIndex& index, QModelIndex* source);

    tarn::editor::Table* Table() const { return m_table; }
    CTesselDoc* Document() const { return m_document; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // EditRole with a QString (checked as typed text) or a QVariant of the field's value type.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // The row at `row` in file order; null outside.
    tarn::Row* RowAt(int row) const;
    // The position of `row`; -1 when it is not shown. Fast for rows near the last one asked for.
    int RowOf(const tarn::Row* row) const;
    // The cell at (row, column); null outside.
    tarn::Cell* CellAt(int row, int column) const;
    const tarn::Field* FieldAt(int column) const;

    // The cell's full value text (the form the adapter reads back), no link names.
    QString CellText(int row, int column) const;
    // Checks `text` for the cell's field and, when it is a new value, pushes it as a command. False
    // with `why` set (the adapter's message) when the text is refused; true when taken or equal.
    bool SetCellText(int row, int column, const QString& text, QString* why = nullptr);

    // Ordering of two rows by one column's values: numbers as numbers, texts as texts, lists by
    // their text. Used by the sorting proxy.
    bool LessThan(int leftRow, int rightRow, int column) const;
    // A column's values in a form that orders quickly (numbers by value, strings by their units);
    // lists have none (`usable` false). Read once per sort: the rows' cells lie all over memory.
    struct SortKey
    {
        long long i = 0;
        unsigned long long u = 0;
        double f = 0;
        const char16_t* text = nullptr; // into the cell; valid while the table is unchanged
    };
    // The keys of every row of `column`, in file order; empty when the column has no such keys.
    std::vector<SortKey> SortKeys(int column) const;
    // Ordering of two keys of `column` as LessThan orders the cells.
    bool KeyLess(const SortKey& left, const SortKey& right, int column) const;

    // A filter text prepared once for many rows: case folded, and whether it can occur in the text
    // of a number or a list at all (only digits, signs, points, "|", "inf", "nan").
    struct Needle
    {
        QString folded;
        bool numeric = false;
    };
    static Needle MakeNeedle(const QString& text);
    // For one scan of many rows with one needle: per link column, the ids whose linked row's name
    // contains it (sorted), found once instead of looking up every row's linked name.
    struct LinkMatches
    {
        std::unordered_map<int, std::vector<int>> idsByColumn;
    };
    // Whether the cell's value text (and, in link columns, a linked name) contains `needle`,
    // ignoring case. column -1: any cell of the row. `matches` (may be null) is filled on first use
    // and valid while the linked tables do not change.
    bool RowContains(int row, int column, const Needle& needle, LinkMatches* matches = nullptr) const;
    bool RowContains(int row, int column, const QString& needle) const
    {
        return RowContains(row, column, MakeNeedle(needle));
    }

private:
    struct LinkIndex
    {
        tarn::editor::Table* table = nullptr; // null: the link table is not loaded
        bool built = false;
        // Sorted by id, the first row of an id first: half the memory of a hash map, and a table of
        // 100,000 rows is searched in 17 steps.
        std::vector<std::pair<int, tarn::Row*>> rowsById;
        // The first row with `id`; null when there is none.
        tarn::Row* Find(long long id) const;
    };

    void OnCellChanged(tarn::editor::Table* table, tarn::Row* row, int field);
    void OnRowsInserted(const DocRows& rows);
    void OnRowsRemoved(const DocRows& rows);
    // A change of `table` that may change what link columns show.
    void LinkedTableChanged(tarn::editor::Table* table, bool idsChanged);
    LinkIndex* LinkIndexOf(int column) const;
    QVariant LinkParts(int row, int column) const;
    QString LinkText(int row, int column) const;
    QString BrokenLinkTip(int row, int column) const;

    tarn::editor::Table* m_table;
    CTesselDoc* m_document;
    std::vector<tarn::Row*> m_rows;
    mutable int m_lastFound = 0;
    // One per column with a link table; built lazily.
    mutable std::unordered_map<int, std::unique_ptr<LinkIndex>> m_links;
};
