// The reverse links of the loaded tables: for each row id of a table, the cells of other rows
// (of any table, the same one included) whose link field names it.
//
// Build indexes every link field of every table of a list; afterwards the owner keeps the index
// current by telling it about each change: RemoveCell before a cell changes and AddCell after,
// AddRows / RemoveRows when rows come or go (while the removed rows still hold their cells). Only
// fields whose LinkTableName names a table of the list are indexed; the value 0 means "no link".
//
// The index points at rows without owning them: a row must be removed from it (RemoveRows, or
// Build / Clear) before it is destroyed. It also raises each linked table's m_linkedMaxId to the
// largest id a link to it holds, so that new rows never take an id a link still names.
#ifndef TARN_TOOL_LINK_INDEX_H
#define TARN_TOOL_LINK_INDEX_H

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

class TableList;

namespace tarn
{
class Row;
namespace editor
{
class Table;
}

class LinkIndex
{
public:
    struct Referrer
    {
        tarn::Row* row;
        int field;

        bool operator==(const Referrer& other) const { return row == other.row && field == other.field; }
    };

    // Indexes every link of the tables of `list` (forgetting what was indexed before).
    void Build(TableList& list);
    // Forgets everything; Built() is false afterwards.
    void Clear();
    bool Built() const { return m_built; }

    // The cells that name the row id `id` of `target`: each (row, field) once, grouped by the
    // referring table in list order, rows in the order they were indexed (file order after Build).
    std::vector<Referrer> ReferrersOf(const tarn::editor::Table* target, int id) const;
    // How many link values name `id` of `target` (a list naming it twice counts twice).
    int CountReferences(const tarn::editor::Table* target, int id) const;
    // The table that field `field` of `table` links to, when it is indexed; else null.
    tarn::editor::Table* LinkTarget(const tarn::editor::Table* table, int field) const;

    // Before field `field` of `row` changes: drops what its present value names.
    void RemoveCell(tarn::Row* row, int field);
    // After it changed: indexes its new value.
    void AddCell(tarn::Row* row, int field);
    // Rows that came into their table / are about to go or just went (their cells still there).
    void AddRows(const std::vector<tarn::Row*>& rows);
    void RemoveRows(const std::vector<tarn::Row*>& rows);

    // Number of link values indexed.
    std::size_t Size() const { return m_size; }

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    struct Node
    {
        tarn::Row* row;
        int field;
        std::uint32_t next; // next node of the same key, or kNone; the free list when unused
    };
    struct Link
    {
        int field;
        tarn::editor::Table* target;
        int targetIndex;
    };

    // The chains of one linked table: its ids from `lo` on, in a dense array while its ids are
    // compact (as they normally are); other ids in m_heads.
    struct Target
    {
        int lo = 0;
        std::vector<std::uint32_t> heads; // id - lo -> first node, or kNone
    };
    // The head of the chain of (targetIndex, id); null when there is none and !create.
    std::uint32_t* Head(int targetIndex, int id, bool create);
    const std::uint32_t* Head(int targetIndex, int id) const;

    static std::uint64_t Key(int targetIndex, int id)
    {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(targetIndex)) << 32) |
               static_cast<std::uint32_t>(id);
    }
    const std::vector<Link>* LinksOf(const tarn::editor::Table* table) const;
    int TargetIndex(const tarn::editor::Table* table) const;
    void Add(int targetIndex, int id, tarn::Row* row, int field);
    void Remove(int targetIndex, int id, tarn::Row* row, int field);
    enum class Change
    {
        Add,
        Remove
    };
    // Indexes (Add) or drops (Remove) the ids one link cell of `row` names.
    void ChangeCell(tarn::Row* row, const Link& link, Change change);
    // The same for the link field `field` of `row`, or for all its link fields without one.
    void ChangeRow(tarn::Row* row, std::optional<int> field, Change change);

    bool m_built = false;
    std::vector<tarn::editor::Table*> m_tables;                                // list order
    std::unordered_map<const tarn::editor::Table*, int> m_tableIndex;          // into m_tables
    std::unordered_map<const tarn::editor::Table*, std::vector<Link>> m_links; // by referring table
    std::vector<Target> m_targets;                                             // as m_tables
    std::unordered_map<std::uint64_t, std::uint32_t> m_heads;                  // ids outside the dense arrays
    std::vector<Node> m_nodes;
    std::uint32_t m_free = kNone;
    std::size_t m_size = 0;
};

} // namespace tarn

#endif // TARN_TOOL_LINK_INDEX_H
