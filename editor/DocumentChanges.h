// What the document's commands report after they changed the tables, and to whom: the commands
// (DocumentCommands.h) know only this interface, the document (TesselDoc.h) implements it and turns
// each report into a Qt signal that the views follow.
#pragma once

#include <QMetaType>

#include <vector>

namespace tarn
{
class Row;
namespace editor
{
class Table;
}
} // namespace tarn

// Rows of one table that came or went in one change, in ascending position order. For rows that
// came, the positions are those they now have; for rows that went, those they had. The row objects
// stay alive after they went (the command that took them out keeps them) until that command is
// undone or destroyed.
struct DocRows
{
    tarn::editor::Table* table = nullptr;
    std::vector<tarn::Row*> rows;
    std::vector<int> positions;
};
Q_DECLARE_METATYPE(DocRows)

// Receives the changes a command made. Not owned by the commands; outlives them.
class DocumentChangeSink
{
public:
    // Before a command changes a cell (the cell still holds its old value); optional.
    virtual void NotifyCellChanging(tarn::Row* row, int field)
    {
        (void)row;
        (void)field;
    }
    virtual void NotifyCellChanged(tarn::Row* row, int field) = 0;
    virtual void NotifyRowsInserted(const DocRows& rows) = 0;
    virtual void NotifyRowsRemoved(const DocRows& rows) = 0;

protected:
    ~DocumentChangeSink() = default;
};
