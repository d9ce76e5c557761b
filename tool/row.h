// One record of a table: one cell per field, in field order, and the positions of the id and
// display-name cells.
//
// Rows live by value in their table's row list (scl::list nodes never move, so a Row* stays
// valid until the row is removed). A row owns its cells and deletes them when destroyed; it
// points at its table without owning it. Two rows are the same row when their ids are equal.
#ifndef TARN_TOOL_ROW_H
#define TARN_TOOL_ROW_H

#include "base/array.h"

namespace scl
{
template <class T> struct ListNode;
template <class T> class list;
} // namespace scl

namespace tarn
{
class Cell;
namespace editor
{
class Table;
}

class Row
{
public:
    scl::array<tarn::Cell*, 256> cells;     // owned; cell i belongs to field i of the table
    int m_idFieldIndex = 0;                 // position of the INT id cell
    int m_nameFieldIndex = 0;               // position of the string display-name cell
    tarn::editor::Table* m_table = nullptr; // not owned; null until the table fills the row
    int m_line = 0; // 1-based line of the data file the row was read from; 0 for new rows

    Row() = default;
    Row(const Row&) = delete;
    Row& operator=(const Row&) = delete;
    ~Row();

    // The value of the id cell. A missing id cell is a failed check; the result is then 0.
    int Id() const;
    // Stores id in the id cell (failed check and no change when there is none).
    void SetId(int id);
    // True when both rows have the same id.
    bool operator==(const Row& other) const;
    // Removes the first row of this row's table whose id equals this row's id, and destroys it.
    // As long as ids are distinct that is this row: it no longer exists on return, so the
    // caller must drop every pointer to it first.
    void RemoveSelfFromTable();
    // Display name: the text form of the name cell; "" when the row has no usable name cell.
    // Points into the cell and is overwritten by the cell's next ToString.
    const char16_t* Name() const;

private:
    friend class tarn::editor::Table;

    // The cell at i, or null when i names no cell.
    Cell* cellAt(int i) const;

    // Where the row lives, recorded by the table that appended it to its row list, so that the
    // table can remove exactly this row without a search (Table::RemoveRow). Null for a row that
    // was made elsewhere. The node owns the row, so it is valid as long as the row exists.
    scl::ListNode<Row>* m_node = nullptr;
    const scl::list<Row>* m_list = nullptr;
};

} // namespace tarn

namespace scl
{
template <class T> struct DefaultAlloc;

// A table's row nodes come from the arena (base/arena.h), as its cells do: a loaded table's rows
// fill huge-page chunks rather than one heap block each. The node is value-initialised as the
// list's plain allocation makes it.
template <> struct DefaultAlloc<tarn::Row>
{
    static ListNode<tarn::Row>* allocate();
    static void free(ListNode<tarn::Row>* node);
};
} // namespace scl

#endif // TARN_TOOL_ROW_H
