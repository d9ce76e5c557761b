// Bounded arrays that never reallocate, so pointers to their elements stay valid.
//
// parray<T> works over storage outside the object: either its own, allocated once by init()
// and freed by the destructor, or a borrowed view (m_owner false) that frees nothing.
// array<T,N> keeps its N elements inside the object.
// Going past the capacity is a failed check after which the new element is dropped.
// parray's own storage comes from the arena (base/arena.h), so that the hash table's buckets
// (251 of 35 KiB each) take a few huge pages instead of two thousand small ones.
#ifndef SCL_BASE_ARRAY_H
#define SCL_BASE_ARRAY_H

#include <cstddef>
#include <new>

#include "base/arena.h"
#include "base/assert.h"

namespace scl
{

template <class T> class parray
{
public:
    T* m_data;
    int m_count;
    int m_capacity;
    bool m_owner;

    parray() : m_data(nullptr), m_count(0), m_capacity(0), m_owner(true) {}
    // A borrowed view of capacity elements at data, count of them in use.
    parray(T* data, int count, int capacity)
        : m_data(data), m_count(count), m_capacity(capacity), m_owner(false)
    {
    }
    // A copy is a borrowed view of the same storage; only the original frees it.
    parray(const parray& o) : m_data(o.m_data), m_count(o.m_count), m_capacity(o.m_capacity), m_owner(false)
    {
    }
    parray(parray&& o) noexcept
        : m_data(o.m_data), m_count(o.m_count), m_capacity(o.m_capacity), m_owner(o.m_owner)
    {
        o.m_owner = false;
    }
    parray& operator=(const parray& o)
    {
        if (this != &o)
        {
            release();
            m_data = o.m_data;
            m_count = o.m_count;
            m_capacity = o.m_capacity;
            m_owner = false;
        }
        return *this;
    }
    parray& operator=(parray&& o) noexcept
    {
        if (this != &o)
        {
            release();
            m_data = o.m_data;
            m_count = o.m_count;
            m_capacity = o.m_capacity;
            m_owner = o.m_owner;
            o.m_owner = false;
        }
        return *this;
    }
    ~parray() { release(); }

    // Allocates capacity value-initialised elements, once. A second call reports and keeps the
    // storage it has.
    void init(int capacity)
    {
        if (m_data != nullptr)
        {
            SCL_ASSERT(false);
            return;
        }
        if (capacity < 0)
            capacity = 0;
        m_data = capacity > 0 ? NewElements(capacity) : nullptr;
        m_count = 0;
        m_capacity = capacity;
        m_owner = true;
    }

    // Copies v in at the end. When full, reports and drops v.
    bool push_back(const T& v)
    {
        if (m_count >= m_capacity)
            return detail::AssertFailedNamed(__FILE__, "scl::parray<T>::push_back", __LINE__, "0");
        m_data[m_count] = v;
        ++m_count;
        return true;
    }

    // Element access within the capacity; outside it throws the int 1.
    T& operator[](int i)
    {
        if (i < 0 || i >= m_capacity)
            throw 1;
        return m_data[i];
    }
    const T& operator[](int i) const
    {
        if (i < 0 || i >= m_capacity)
            throw 1;
        return m_data[i];
    }

    int size() const { return m_count; }
    int capacity() const { return m_capacity; }
    bool empty() const { return m_count == 0; }
    void clear() { m_count = 0; }
    // Sets the count, clamped to [0, capacity].
    void set_size(int n) { m_count = n < 0 ? 0 : (n > m_capacity ? m_capacity : n); }
    T* data() const { return m_data; }
    T* begin() { return m_data; }
    T* end() { return m_data + m_count; }
    const T* begin() const { return m_data; }
    const T* end() const { return m_data + m_count; }

private:
    // capacity value-initialised elements, as new T[capacity]() makes them.
    static T* NewElements(int capacity)
    {
        const std::size_t count = static_cast<std::size_t>(capacity);
        if (alignof(T) > 16)
            return new T[count]();
        T* data = static_cast<T*>(arena_allocate(sizeof(T) * count));
        if (data == nullptr)
            throw std::bad_alloc();
        std::size_t made = 0;
        try
        {
            for (; made < count; ++made)
                new (data + made) T();
        }
        catch (...)
        {
            while (made > 0)
                data[--made].~T();
            arena_free(data, sizeof(T) * count);
            throw;
        }
        return data;
    }
    static void DeleteElements(T* data, int capacity)
    {
        const std::size_t count = static_cast<std::size_t>(capacity);
        if (alignof(T) > 16)
        {
            delete[] data;
            return;
        }
        for (std::size_t i = count; i > 0; --i)
            data[i - 1].~T();
        arena_free(data, sizeof(T) * count);
    }

    void release()
    {
        if (m_owner && m_data != nullptr)
            DeleteElements(m_data, m_capacity);
        m_data = nullptr;
        m_count = 0;
        m_capacity = 0;
        m_owner = true;
    }
};

template <class T, int N> class array
{
public:
    static_assert(N > 0, "array needs a positive capacity");

    T m_data[N];
    int m_count;

    array() : m_count(0) {}

    // Copies v in at the end. When full, reports (as parray does) and drops v.
    bool push_back(const T& v)
    {
        if (m_count >= N)
            return detail::AssertFailedNamed(__FILE__, "scl::parray<T>::push_back", __LINE__, "0");
        m_data[m_count] = v;
        ++m_count;
        return true;
    }

    // Element access within the storage; outside it throws the int 1.
    T& operator[](int i)
    {
        if (i < 0 || i >= N)
            throw 1;
        return m_data[i];
    }
    const T& operator[](int i) const
    {
        if (i < 0 || i >= N)
            throw 1;
        return m_data[i];
    }

    int size() const { return m_count; }
    static constexpr int capacity() { return N; }
    bool empty() const { return m_count == 0; }
    // Forgets the elements (count 0); the elements themselves are left as they are.
    void clear() { m_count = 0; }
    T* begin() { return m_data; }
    T* end() { return m_data + m_count; }
    const T* begin() const { return m_data; }
    const T* end() const { return m_data + m_count; }

    // The last element. On an empty array reports and returns the first slot.
    T& back()
    {
        if (!SCL_ASSERT(m_count > 0))
            return m_data[0];
        return m_data[m_count - 1];
    }

    // A borrowed view of the elements: count = size(), capacity N.
    parray<T> view() { return parray<T>(m_data, m_count, N); }
};

} // namespace scl

#endif // SCL_BASE_ARRAY_H
