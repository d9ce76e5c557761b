// The grid's sorting and filtering over one TableModel: a permutation of the model's rows (a vector
// of source rows in view order) and its inverse, nothing per cell. The file order of the rows never
// changes; with neither a sort nor a filter the proxy keeps no vectors at all and maps one to one.
//
// Sorting reads the column's values once per row (numbers compared as numbers, texts by their
// units) and is stable: rows of equal values keep their file order, ascending and descending.
// Filtering keeps the rows with any cell (or one column's cell) containing a text, ignoring case,
// link names included. Both are announced as one layout change whose persistent indexes (the
// view's current cell, its selection, an open editor) are moved to their rows' new places; rows
// filtered out lose theirs.
//
// The proxy follows the model: a changed cell moves its row to its sorted place and shows or hides
// it as the filter says; inserted rows take their place, removed rows go.
//
// Points at its source model without owning it (setSourceModel; null detaches). GUI thread only.
#pragma once

#include "editor/grid/TableModel.h"

#include <QAbstractProxyModel>
#include <QItemSelectionModel>
#include <QPointer>
#include <QString>

#include <vector>

class GridProxy : public QAbstractProxyModel
{
    Q_OBJECT

public:
    explicit GridProxy(QObject* parent = nullptr);
    ~GridProxy() override;

    // A TableModel; any other model is taken as none.
    void setSourceModel(QAbstractItemModel* sourceModel) override;

    // `text`: keep rows with any cell containing it; "字段名:文本" (or "：") for one column. Empty:
    // every row.
    void SetFilter(const QString& text);
    // column -1: file order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // The selection a sort or a filter keeps: taken out as source rows before the change and put
    // back as ranges after it, so that the layout change moves no persistent index per selected
    // cell (a header click selects a whole column of 100,000 rows). Not owned; null: none.
    void SetSelectionModel(QItemSelectionModel* selection) { m_selection = selection; }
    int SortColumn() const { return m_sortColumn; }
    Qt::SortOrder SortOrder() const { return m_sortOrder; }

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;

    // The source row shown at `row`; -1 outside.
    int SourceRow(int row) const;
    // The view row of source row `sourceRow`; -1 when it is not shown.
    int ViewRow(int sourceRow) const;

private:
    bool Accepts(int sourceRow) const;
    // Whether source row `a` comes before source row `b` in the current order.
    bool Before(int a, int b) const;
    // The shown source rows in view order, computed from scratch (empty in identity order).
    std::vector<int> Compute() const;
    // Makes `rows` the view order (identity order when `identity`) as one layout change.
    void Apply(std::vector<int> rows, bool identity);
    // Apply, keeping the selection model's selection by source rows.
    void Reorder(std::vector<int> rows, bool identity);
    void EnsurePositions() const;
    // Where source row `sourceRow` goes among `rows` (shown rows in view order, without it).
    int InsertionPoint(const std::vector<int>& rows, int sourceRow) const;

    void OnDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles);
    void OnRowsAboutToBeInserted(const QModelIndex& parent, int first, int last);
    void OnRowsInserted(const QModelIndex& parent, int first, int last);
    void OnRowsAboutToBeRemoved(const QModelIndex& parent, int first, int last);
    void OnRowsRemoved(const QModelIndex& parent, int first, int last);
    void OnReset();

    TableModel* m_model = nullptr;
    // Neither sorted nor filtered: view row = source row, no vectors.
    bool m_identity = true;
    QString m_needle;
    int m_filterColumn = -1;
    TableModel::Needle m_prepared; // m_needle, prepared for the rows' cells
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    // View row -> source row; empty in identity order.
    std::vector<int> m_rows;
    // Source row -> view row or -1; rebuilt on demand after the order changed.
    mutable std::vector<int> m_positions;
    mutable bool m_positionsValid = false;
    std::vector<QMetaObject::Connection> m_connections;
    QPointer<QItemSelectionModel> m_selection;
};
