// One record of a table: one cell per field, in field order, and the positions of the id and
// display-name cells.
//
// Rows live by value in their table's row list (scl::list nodes never move, so a Row* stays
// valid until the row is removed). A row owns its cells and destroys them when destroyed; it
// points at its table without owning it. Two rows are the same row when their ids are equal.
//
// A row that its table fills (Table::fillNewRow) keeps its cell pointers and its cells in one
// arena block sized to the fields: the block goes back when the row is destroyed or filled
// again. Cells added one by one with cells.push_back (made by CreateCell) are deleted one by one.
#ifndef TARN_TOOL_ROW_H
#define TARN_TOOL_ROW_H

#include <cstdint>

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

// The cell pointers of a row, in field order: at most 256, as many as the row has room for without
// moving them. Indexing within the room gives the pointer (null past the count); outside it
// throws the int 1.
class RowCells
{
public:
    static constexpr int kMaxCells = 256;

    tarn::Cell** m_data = nullptr;
    int m_count = 0;

    RowCells() = default;
    RowCells(const RowCells&) = delete;
    RowCells& operator=(const RowCells&) = delete;
    ~RowCells();

    // Appends cell, making room as needed. The 257th reports "0" in scl::parray<T>::push_back and
    // is not added (false).
    bool push_back(tarn::Cell* cell);
    tarn::Cell*& operator[](int i);
    tarn::Cell* const& operator[](int i) const;
    int size() const { return m_count; }
    int capacity() const { return m_capacity; }
    bool empty() const { return m_count == 0; }
    // Forgets the pointers (count 0); the cells themselves are left as they are.
    void clear() { m_count = 0; }
    tarn::Cell** begin() { return m_data; }
    tarn::Cell** end() { return m_data + m_count; }
    tarn::Cell* const* begin() const { return m_data; }
    tarn::Cell* const* end() const { return m_data + m_count; }
    // A borrowed view: count = size(), capacity = capacity().
    scl::parray<tarn::Cell*> view() const { return scl::parray<tarn::Cell*>(m_data, m_count, m_capacity); }

private:
    friend class Row;

    // Room for capacity pointers at data, which the row keeps elsewhere (in its block).
    void useRoom(tarn::Cell** data, int capacity);
    // Frees the room when it is this object's own; no room afterwards.
    void releaseRoom();

    std::uint16_t m_capacity = 0;
    bool m_ownsRoom = false; // m_data is this object's own arena storage
};

class Row
{
public:
    RowCells cells;                         // owned; cell i belongs to field i of the table
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
    // Destroys every cell (in place when it lies in the block, else by delete), frees the block
    // and leaves the row without cells.
    void releaseCells();
    // Gives the row a block for `count` cell pointers and then bytes - count pointers bytes of
    // cells, which the table places there (blockCells()). False when there is no memory.
    bool takeBlock(std::uint32_t bytes, int count);
    char* blockCells() const;

    // Where the row lives, recorded by the table that appended it to its row list, so that the
    // table can remove exactly this row without a search (Table::RemoveRow). Null for a row that
    // was made elsewhere. The node owns the row, so it is valid as long as the row exists.
    scl::ListNode<Row>* m_node = nullptr;
    const scl::list<Row>* m_list = nullptr;
    // The cells of a filled row: its size and pointer count, the cell pointers, then the cells.
    // Arena, owned.
    void* m_block = nullptr;
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
