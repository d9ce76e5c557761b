#include "tool/row.h"

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

Row::~Row()
{
    for (int i = 0; i < cells.size(); ++i)
        delete cells.m_data[i];
    cells.clear();
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
