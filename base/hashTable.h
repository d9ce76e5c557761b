// A hash table with separate chaining in fixed buckets: 251 buckets of 128 nodes, all allocated
// by init(), so add() never allocates and stored nodes never move. The table stores copies of
// keys and values but does not own what the values point to.
//
// The hash reads the key object's whole storage, so keys must keep their unused bytes zero
// (scl::stringT does).
#ifndef SCL_BASE_HASH_TABLE_H
#define SCL_BASE_HASH_TABLE_H

#include <cstdint>

#include "base/array.h"
#include "base/assert.h"
#include "base/cpp/math.h"

namespace scl
{

template <class K, class V> struct HashNode
{
    K key;
    V value;
};

template <class K, class V> class hash_table
{
public:
    static constexpr int kBucketSizeHint = 256; // FindPrime of this gives the bucket count
    static constexpr int kBucketCapacity = 128;

    parray<HashNode<K, V>>* m_buckets;
    int m_bucketCount;

    hash_table() : m_buckets(nullptr), m_bucketCount(0) {}
    hash_table(const hash_table&) = delete;
    hash_table& operator=(const hash_table&) = delete;
    virtual ~hash_table() { delete[] m_buckets; }

    // Allocates every bucket with room for kBucketCapacity nodes. A second call reports and keeps
    // the existing table.
    void init()
    {
        if (!SCL_ASSERT(m_buckets == nullptr))
            return;
        const int count = Math::FindPrime(kBucketSizeHint);
        m_buckets = new parray<HashNode<K, V>>[static_cast<size_t>(count)];
        m_bucketCount = count;
        for (int i = 0; i < count; ++i)
            m_buckets[i].init(kBucketCapacity);
    }

    bool initialised() const { return m_buckets != nullptr; }

    // Inserts (key, value) unless key is present (then reports and keeps the first value).
    // Returns true when the pair was stored.
    bool add(const K& key, const V& value)
    {
        if (!initialised())
            return SCL_ASSERT(false);
        parray<HashNode<K, V>>& bucket = m_buckets[bucket_of(key)];
        for (const HashNode<K, V>& node : bucket)
        {
            if (node.key == key)
                return SCL_ASSERT(0);
        }
        HashNode<K, V> node{};
        node.key = key;
        node.value = value;
        return bucket.push_back(node);
    }

    // The value stored with key. A missing key is reported and gives nullptr; a table that was
    // never initialised throws the int 1.
    V* find(const K& key)
    {
        V* v = lookup(key);
        if (v == nullptr)
            SCL_ASSERT(false);
        return v;
    }

    // Like find, but a missing key is not a failed check.
    V* lookup(const K& key)
    {
        if (!initialised())
            throw 1;
        parray<HashNode<K, V>>& bucket = m_buckets[bucket_of(key)];
        for (HashNode<K, V>& node : bucket)
        {
            if (node.key == key)
                return &node.value;
        }
        return nullptr;
    }

    // Number of stored pairs (walks every bucket).
    int size() const
    {
        int n = 0;
        for (int i = 0; i < m_bucketCount; ++i)
            n += m_buckets[i].size();
        return n;
    }

    // Hash of the key object's bytes in memory order: h starts at bucketCount, then for every
    // byte b (signed, sign-extended) h = h * 33 + b modulo 2^32.
    static std::uint32_t hash(const K& key, int bucketCount)
    {
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&key);
        std::uint32_t h = static_cast<std::uint32_t>(bucketCount);
        for (size_t i = 0; i < sizeof(K); ++i)
        {
            const std::int32_t b = static_cast<signed char>(bytes[i]);
            h = h * 33u + static_cast<std::uint32_t>(b);
        }
        return h;
    }

    // The bucket a key belongs in; needs an initialised table.
    int bucket_of(const K& key) const
    {
        return static_cast<int>(hash(key, m_bucketCount) % static_cast<std::uint32_t>(m_bucketCount));
    }
};

} // namespace scl

#endif // SCL_BASE_HASH_TABLE_H
