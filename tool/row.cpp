#include "tool/row.h"

#include <cstdint>
#include <new>

#include "base/arena.h"
#include "base/assert.h"
#include "base/list.h"
#include "tool/cell.h"
#include "tool/table.h"

// A failed check reported under the expression the check stands for, while a form that is safe
// to evaluate (no null dereference) is what is actually tested.
#define TARN_ROW_CHECK(safeExpr, text)                                                                       \
    ((safeExpr) ? true : ::scl::detail::AssertFailed(__FILE__, SCL_FUNCTION_SIGNATURE, __LINE__, text))

namespace tarn
{

// ---- RowCells ------------------------------------------------------------------------------------

RowCells::~RowCells()
{
    releaseRoom();
}

void RowCells::useRoom(Cell** data, int capacity)
{
    releaseRoom();
    m_data = data;
    m_capacity = static_cast<std::uint16_t>(capacity);
    m_ownsRoom = false;
}

void RowCells::releaseRoom()
{
    if (m_ownsRoom && m_data != nullptr)
        scl::arena_free(m_data, sizeof(Cell*) * m_capacity);
    m_data = nullptr;
    m_count = 0;
    m_capacity = 0;
    m_ownsRoom = false;
}

bool RowCells::push_back(Cell* cell)
{
    if (m_count >= kMaxCells)
        return scl::detail::AssertFailedNamed(__FILE__, "scl::parray<T>::push_back", __LINE__, "0");
    if (m_count >= m_capacity)
    {
        // Room for twice as many (at least 16), moved out of a row block if it was there.
        int capacity = m_capacity < 8 ? 16 : 2 * m_capacity;
        if (capacity > kMaxCells)
            capacity = kMaxCells;
        void* room = scl::arena_allocate(sizeof(Cell*) * static_cast<std::size_t>(capacity));
        if (room == nullptr)
            throw std::bad_alloc();
        Cell** data = static_cast<Cell**>(room);
        for (int i = 0; i < capacity; ++i)
            data[i] = i < m_count ? m_data[i] : nullptr;
        const int count = m_count;
        releaseRoom();
        m_data = data;
        m_count = count;
        m_capacity = static_cast<std::uint16_t>(capacity);
        m_ownsRoom = true;
    }
    m_data[m_count++] = cell;
    return true;
}

Cell*& RowCells::operator[](int i)
{
    if (i < 0 || i >= m_capacity)
        throw 1;
    return m_data[i];
}

Cell* const& RowCells::operator[](int i) const
{
    if (i < 0 || i >= m_capacity)
        throw 1;
    return m_data[i];
}

// ---- Row -----------------------------------------------------------------------------------------

Row::~Row()
{
    releaseCells();
}

namespace
{
// What a row's block starts with; the cell pointers follow (8-aligned).
struct BlockHead
{
    std::uint32_t bytes;
    std::int32_t cells;
};
static_assert(sizeof(BlockHead) == 8, "the pointers after the head stay aligned");
} // namespace

void Row::releaseCells()
{
    const BlockHead head = m_block != nullptr ? *static_cast<const BlockHead*>(m_block) : BlockHead{0, 0};
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(m_block);
    const std::uintptr_t end = begin + head.bytes;
    for (int i = 0; i < cells.size(); ++i)
    {
        Cell* cell = cells.m_data[i];
        const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(cell);
        if (cell == nullptr)
            continue;
        if (at >= begin && at < end)
            cell->~Cell(); // placed in the block by the table
        else
            delete cell; // made by CreateCell and added by push_back
    }
    cells.releaseRoom();
    scl::arena_free(m_block, head.bytes);
    m_block = nullptr;
}

bool Row::takeBlock(std::uint32_t bytes, int count)
{
    releaseCells();
    if (bytes == 0)
        return true;
    bytes += sizeof(BlockHead);
    m_block = scl::arena_allocate(bytes);
    if (m_block == nullptr)
        return false;
    *static_cast<BlockHead*>(m_block) = BlockHead{bytes, count};
    Cell** pointers = reinterpret_cast<Cell**>(static_cast<char*>(m_block) + sizeof(BlockHead));
    for (int i = 0; i < count; ++i)
        pointers[i] = nullptr;
    cells.useRoom(pointers, count);
    return true;
}

char* Row::blockCells() const
{
    const BlockHead& head = *static_cast<const BlockHead*>(m_block);
    return static_cast<char*>(m_block) + sizeof(BlockHead) +
           sizeof(Cell*) * static_cast<std::size_t>(head.cells);
}

Cell* Row::cellAt(int i) const
{
    return (i >= 0 && i < cells.size()) ? cells.m_data[i] : nullptr;
}

int Row::Id() const
{
    if (!SCL_ASSERT(m_idFieldIndex >= 0 && m_idFieldIndex < cells.size()))
        return 0;
    Cell* cell = cells.m_data[m_idFieldIndex];
    if (!SCL_ASSERT(cells[m_idFieldIndex]))
        return 0;
    return cell->GetInt();
}

void Row::SetId(int id)
{
    if (!SCL_ASSERT(m_idFieldIndex >= 0 && m_idFieldIndex < cells.size()))
        return;
    Cell* cell = cells.m_data[m_idFieldIndex];
    if (!SCL_ASSERT(cells[m_idFieldIndex]))
        return;
    cell->SetInt(id);
    if (m_table != nullptr)
        m_table->NoteId(id);
}

bool Row::operator==(const Row& other) const
{
    Cell* mine = cellAt(m_idFieldIndex);
    Cell* theirs = other.cellAt(m_idFieldIndex);
    // Rows of one table share their id position; anything else cannot be compared by id.
    if (!SCL_ASSERT(this->m_idFieldIndex == other.m_idFieldIndex))
        return false;
    if (!TARN_ROW_CHECK(mine != nullptr && mine->Type() == FIELD_TYPE_INT,
                        "this->cells[m_idFieldIndex]->Type() == FIELD_TYPE_INT"))
        return false;
    if (!TARN_ROW_CHECK(theirs != nullptr && theirs->Type() == FIELD_TYPE_INT,
                        "other.cells[m_idFieldIndex]->Type() == FIELD_TYPE_INT"))
        return false;
    return mine->GetInt() == theirs->GetInt();
}

void Row::RemoveSelfFromTable()
{
    if (m_table == nullptr)
    {
        SCL_ASSERT(false);
        return;
    }
    scl::list<Row>& rows = m_table->m_rows;
    for (scl::ListNode<Row>* node = rows.first(); node != nullptr; node = node->next)
    {
        if (node->value == *this)
        {
            // erase destroys the row (and with it its cells); it may be this very row.
            rows.erase(node);
            return;
        }
    }
}

const char16_t* Row::Name() const
{
    Cell* cell = cellAt(m_nameFieldIndex);
    if (cell == nullptr || cell->Type() != FIELD_TYPE_STRING)
        return u"";
    return cell->ToString();
}

} // namespace tarn

namespace scl
{

ListNode<tarn::Row>* DefaultAlloc<tarn::Row>::allocate()
{
    void* memory = arena_allocate(sizeof(ListNode<tarn::Row>));
    if (memory == nullptr)
        throw std::bad_alloc();
    return new (memory) ListNode<tarn::Row>();
}

void DefaultAlloc<tarn::Row>::free(ListNode<tarn::Row>* node)
{
    if (node == nullptr)
        return;
    node->~ListNode<tarn::Row>(); // the row deletes its cells
    arena_free(node, sizeof(ListNode<tarn::Row>));
}

} // namespace scl
