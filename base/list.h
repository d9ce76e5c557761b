// A doubly linked list whose nodes are allocated one by one and never move, so pointers to
// elements stay valid until their node is erased. The list owns its nodes and their elements.
#ifndef SCL_BASE_LIST_H
#define SCL_BASE_LIST_H

#include <cstddef>

#include "base/assert.h"

namespace scl
{

template <class T> struct ListNode
{
    T value;
    ListNode* next;
    ListNode* prev;
};

// Plain allocation of one node with a value-initialised element.
template <class T> struct DefaultAlloc
{
    static ListNode<T>* allocate() { return new ListNode<T>(); }
    static void free(ListNode<T>* node) { delete node; }
};

template <class T> class list
{
public:
    ListNode<T>* m_first;
    ListNode<T>* m_last;
    int m_count;

    template <class Node, class Ref, class Ptr> class basic_iterator
    {
    public:
        Node* p;

        basic_iterator() : p(nullptr) {}
        explicit basic_iterator(Node* node) : p(node) {}
        Ref operator*() const { return p->value; }
        Ptr operator->() const { return &p->value; }
        // Moves to the next node (null after the last). Advancing a null iterator is a failed
        // check that leaves it null.
        basic_iterator& operator++()
        {
            if (SCL_ASSERT(NULL != p))
                p = p->next;
            return *this;
        }
        bool operator==(const basic_iterator& o) const { return p == o.p; }
        bool operator!=(const basic_iterator& o) const { return p != o.p; }
        Node* node() const { return p; }
    };
    using iterator = basic_iterator<ListNode<T>, T&, T*>;
    using const_iterator = basic_iterator<const ListNode<T>, const T&, const T*>;

    list() : m_first(nullptr), m_last(nullptr), m_count(0) {}
    list(const list&) = delete;
    list& operator=(const list&) = delete;
    virtual ~list() { clear(); }

    // Allocates a node with a default element and links it after node, or at the front when
    // node is null. Returns the new node.
    ListNode<T>* insert_after(ListNode<T>* node)
    {
        ListNode<T>* n = DefaultAlloc<T>::allocate();
        if (node == nullptr)
        {
            n->prev = nullptr;
            n->next = m_first;
        }
        else
        {
            n->prev = node;
            n->next = node->next;
            node->next = n;
        }
        if (n->next != nullptr)
            n->next->prev = n;
        if (n->prev == nullptr)
            m_first = n;
        if (n->next == nullptr)
            m_last = n;
        ++m_count;
        return n;
    }

    ListNode<T>* push_back() { return insert_after(m_last); }

    // Unlinks node, destroys its element and frees it. node must belong to this list.
    void erase(ListNode<T>* node)
    {
        if (!SCL_ASSERT(node != nullptr))
            return;
        detach(node);
        DefaultAlloc<T>::free(node);
    }

    // Unlinks node without destroying it: the caller owns it until it links it back (link_after)
    // or frees it (DefaultAlloc<T>::free). Its element keeps its address. node must belong to
    // this list.
    void unlink(ListNode<T>* node)
    {
        if (!SCL_ASSERT(node != nullptr))
            return;
        detach(node);
        node->prev = node->next = nullptr;
    }

    // Links an unlinked node after `after`, or at the front when `after` is null; the list owns it
    // again. `after` must belong to this list.
    void link_after(ListNode<T>* after, ListNode<T>* node)
    {
        if (!SCL_ASSERT(node != nullptr))
            return;
        node->prev = after;
        node->next = after != nullptr ? after->next : m_first;
        if (after != nullptr)
            after->next = node;
        else
            m_first = node;
        if (node->next != nullptr)
            node->next->prev = node;
        else
            m_last = node;
        ++m_count;
    }

    void clear()
    {
        while (m_first != nullptr)
            erase(m_first);
    }

    int size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    ListNode<T>* first() const { return m_first; }
    ListNode<T>* last() const { return m_last; }

    iterator begin() { return iterator(m_first); }
    iterator end() { return iterator(nullptr); }
    const_iterator begin() const { return const_iterator(m_first); }
    const_iterator end() const { return const_iterator(nullptr); }

private:
    // Takes node out of the chain and the count; node's own links are left as they are.
    void detach(ListNode<T>* node)
    {
        if (node->prev != nullptr)
            node->prev->next = node->next;
        else
            m_first = node->next;
        if (node->next != nullptr)
            node->next->prev = node->prev;
        else
            m_last = node->prev;
        --m_count;
    }
};

} // namespace scl

#endif // SCL_BASE_LIST_H
