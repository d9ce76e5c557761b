#include "tool/linkIndex.h"

#include <algorithm>
#include <cstdint>

#include "tool/row.h"
#include "tool/tableCheck.h"
#include "tool/tables.h"

namespace tarn
{

using tarn::editor::Table;

void LinkIndex::Clear()
{
    m_built = false;
    m_tables.clear();
    m_targets.clear();
    m_tableIndex.clear();
    m_links.clear();
    m_heads.clear();
    m_nodes.clear();
    m_free = kNone;
    m_size = 0;
}

void LinkIndex::Build(TableList& list)
{
    Clear();
    for (int t = 0; t < list.count(); ++t)
    {
        Table* table = list.at(t);
        m_tableIndex.emplace(table, static_cast<int>(m_tables.size()));
        m_tables.push_back(table);
    }
    std::size_t expected = 0;
    for (Table* table : m_tables)
    {
        std::vector<Link> links;
        for (int i = 0; i < table->m_fields.size(); ++i)
        {
            const Field& field = table->m_fields.m_data[i];
            if (field.m_linkTableName.empty())
                continue;
            Table* target = list.find(field.m_linkTableName.c_str());
            if (target != nullptr)
                links.push_back({i, target, TargetIndex(target)});
        }
        if (links.empty())
            continue;
        expected += links.size() * static_cast<std::size_t>(table->m_rows.size());
        m_links.emplace(table, std::move(links));
    }
    m_nodes.reserve(expected);
    // A dense array of chain heads for each linked table whose ids are compact.
    m_targets.resize(m_tables.size());
    for (const auto& entry : m_links)
        for (const Link& link : entry.second)
        {
            Target& target = m_targets[static_cast<std::size_t>(link.targetIndex)];
            if (!target.heads.empty() || link.target->m_rows.empty())
                continue;
            long long lo = INT32_MAX;
            long long hi = INT32_MIN;
            for (const Row& row : link.target->m_rows)
            {
                lo = std::min<long long>(lo, row.Id());
                hi = std::max<long long>(hi, row.Id());
            }
            const long long span = hi - lo + 1;
            if (span <= 2LL * link.target->m_rows.size() + 1024)
            {
                target.lo = static_cast<int>(lo);
                target.heads.assign(static_cast<std::size_t>(span), kNone);
            }
        }

    // Rows and their link fields are walked from the last to the first so that each key's chain,
    // which grows at its head, ends up in file order.
    for (Table* table : m_tables)
    {
        const std::vector<Link>* links = LinksOf(table);
        if (links == nullptr || table->m_rows.empty())
            continue;
        for (scl::ListNode<Row>* node = table->m_rows.last(); node != nullptr; node = node->prev)
            for (auto link = links->rbegin(); link != links->rend(); ++link)
                ChangeCell(&node->value, *link, Change::Add);
    }
    m_built = true;
}

const std::vector<LinkIndex::Link>* LinkIndex::LinksOf(const Table* table) const
{
    const auto found = m_links.find(table);
    return found != m_links.end() ? &found->second : nullptr;
}

int LinkIndex::TargetIndex(const Table* table) const
{
    const auto found = m_tableIndex.find(table);
    return found != m_tableIndex.end() ? found->second : -1;
}

Table* LinkIndex::LinkTarget(const Table* table, int field) const
{
    if (const std::vector<Link>* links = LinksOf(table))
        for (const Link& link : *links)
            if (link.field == field)
                return link.target;
    return nullptr;
}

std::uint32_t* LinkIndex::Head(int targetIndex, int id, bool create)
{
    Target& target = m_targets[static_cast<std::size_t>(targetIndex)];
    const long long k = static_cast<long long>(id) - target.lo;
    if (k >= 0 && k < static_cast<long long>(target.heads.size()))
        return &target.heads[static_cast<std::size_t>(k)];
    if (!create)
    {
        const auto found = m_heads.find(Key(targetIndex, id));
        return found != m_heads.end() ? &found->second : nullptr;
    }
    return &m_heads.try_emplace(Key(targetIndex, id), kNone).first->second;
}

const std::uint32_t* LinkIndex::Head(int targetIndex, int id) const
{
    return const_cast<LinkIndex*>(this)->Head(targetIndex, id, false);
}

void LinkIndex::Add(int targetIndex, int id, Row* row, int field)
{
    std::uint32_t slot;
    if (m_free != kNone)
    {
        slot = m_free;
        m_free = m_nodes[slot].next;
    }
    else
    {
        slot = static_cast<std::uint32_t>(m_nodes.size());
        m_nodes.push_back({});
    }
    std::uint32_t* head = Head(targetIndex, id, true);
    m_nodes[slot] = {row, field, *head};
    *head = slot;
    ++m_size;
}

void LinkIndex::Remove(int targetIndex, int id, Row* row, int field)
{
    std::uint32_t* link = Head(targetIndex, id, false);
    if (link == nullptr)
        return;
    while (*link != kNone)
    {
        Node& node = m_nodes[*link];
        if (node.row == row && node.field == field)
        {
            const std::uint32_t slot = *link;
            *link = node.next;
            node = {nullptr, -1, m_free};
            m_free = slot;
            --m_size;
            break;
        }
        link = &node.next;
    }
}

void LinkIndex::ChangeCell(Row* row, const Link& link, Change change)
{
    Cell* cell = link.field < row->cells.size() ? row->cells.m_data[link.field] : nullptr;
    if (cell == nullptr)
        return;
    int top = link.target->m_linkedMaxId;
    ForEachLinkedId(*cell,
                    [&](int id)
                    {
                        if (change == Change::Remove)
                        {
                            Remove(link.targetIndex, id, row, link.field);
                            return;
                        }
                        Add(link.targetIndex, id, row, link.field);
                        top = std::max(top, id);
                    });
    // Only raised: an id a removed link named may still be named elsewhere.
    link.target->m_linkedMaxId = top;
}

void LinkIndex::ChangeRow(Row* row, std::optional<int> field, Change change)
{
    if (!m_built || row == nullptr)
        return;
    if (const std::vector<Link>* links = LinksOf(row->m_table))
        for (const Link& link : *links)
            if (!field || link.field == *field)
                ChangeCell(row, link, change);
}

void LinkIndex::AddCell(Row* row, int field)
{
    ChangeRow(row, field, Change::Add);
}

void LinkIndex::RemoveCell(Row* row, int field)
{
    ChangeRow(row, field, Change::Remove);
}

void LinkIndex::AddRows(const std::vector<Row*>& rows)
{
    for (Row* row : rows)
        ChangeRow(row, std::nullopt, Change::Add);
}

void LinkIndex::RemoveRows(const std::vector<Row*>& rows)
{
    for (Row* row : rows)
        ChangeRow(row, std::nullopt, Change::Remove);
}

std::vector<LinkIndex::Referrer> LinkIndex::ReferrersOf(const Table* target, int id) const
{
    std::vector<Referrer> found;
    const int targetIndex = TargetIndex(target);
    if (targetIndex < 0)
        return found;
    const std::uint32_t* head = Head(targetIndex, id);
    if (head == nullptr)
        return found;
    for (std::uint32_t slot = *head; slot != kNone; slot = m_nodes[slot].next)
    {
        const Referrer r{m_nodes[slot].row, m_nodes[slot].field};
        // A list that names the id more than once is one referrer; its nodes lie side by side.
        if (found.empty() || !(found.back() == r))
            found.push_back(r);
    }
    std::stable_sort(found.begin(), found.end(),
                     [this](const Referrer& a, const Referrer& b)
                     { return TargetIndex(a.row->m_table) < TargetIndex(b.row->m_table); });
    return found;
}

int LinkIndex::CountReferences(const Table* target, int id) const
{
    const int targetIndex = TargetIndex(target);
    if (targetIndex < 0)
        return 0;
    const std::uint32_t* head = Head(targetIndex, id);
    int count = 0;
    if (head != nullptr)
        for (std::uint32_t slot = *head; slot != kNone; slot = m_nodes[slot].next)
            ++count;
    return count;
}

} // namespace tarn
