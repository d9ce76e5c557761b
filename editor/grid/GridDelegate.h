// The grid's cell delegate: a line editor on the cell's value text, checked with the shared cell
// adapter (the properties pane's parsing and messages) before anything is written; link cells
// drawn as their values with the linked rows' names in grey, and unknown ids in red.
//
// Keys in the editor: Enter commits (a refused text keeps the editor open and the refusal is
// reported through refused()); Ctrl+Enter asks for the text to be set in every selected cell
// (fillRequested) instead of the one edited; Esc drops the edit.
//
// Works on a TableModel, directly or through proxies. Owned by its view. GUI thread only.
#pragma once

#include <QStyledItemDelegate>

#include <vector>

class QLineEdit;

class GridDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit GridDelegate(QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    // Writes through TableModel::SetCellText; a refused text changes nothing and is reported.
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // The whole text's size (a column fitted to its contents), not the cut text's.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Why `text` cannot be the value of the cell at `index` (any model over a TableModel); empty when
    // it can.
    static QString Refusal(const QModelIndex& index, const QString& text);

    // Columns this delegate's view does not paint: another view covers them (the frozen columns).
    void SetCoveredColumns(std::vector<int> columns) { m_covered = std::move(columns); }

signals:
    // A text was refused; `message` is the adapter's refusal.
    void refused(const QString& message) const;
    // Ctrl+Enter in `editor`: set its text in every selected cell.
    void fillRequested(QLineEdit* editor, const QString& text);

protected:
    bool eventFilter(QObject* object, QEvent* event) override;
    // The text cut to what the cell can show: laying out a description of 200 characters in a
    // column that shows 30 made most of a page's painting.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    std::vector<int> m_covered;
    mutable bool m_measuring = false; // in sizeHint: the text is not cut
};
