// The fixed hash table keyed by stringT<char16_t,128>: layout made by init, the byte hash,
// duplicates, misses, uninitialised use and bucket overflow.
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/hashTable.h"
#include "base/string.h"
#include "reportCapture.h"

using scltest::CaptureReports;
using scltest::ReportField;

namespace
{

using Key = scl::stringT<char16_t, 128>;
struct Table
{
    int id;
};
using Index = scl::hash_table<Key, Table*>;

// The hash computed from the text alone: 128 units as low byte then high byte, zeros after
// the text, then 8 zero bytes; each byte signed.
std::uint32_t ExpectedHash(const std::u16string& text, std::uint32_t bucketCount)
{
    std::vector<unsigned char> bytes(264, 0);
    for (size_t i = 0; i < text.size(); ++i)
    {
        bytes[2 * i] = static_cast<unsigned char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<unsigned char>(text[i] >> 8);
    }
    std::uint32_t h = bucketCount;
    for (unsigned char b : bytes)
        h = h * 33u + static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(b)));
    return h;
}

int ThrownBy(const std::function<void()>& f)
{
    try
    {
        f();
    }
    catch (int e)
    {
        return e;
    }
    return -1;
}

class HashTable : public testing::Test
{
protected:
    void SetUp() override { m_index.init(); }
    Index m_index;
    Table m_tables[4] = {{1}, {2}, {3}, {4}};
};

TEST(HashTableUninitialised, AddReportsAndFindThrowsOne)
{
    Index index;
    EXPECT_FALSE(index.initialised());
    Table t{1};
    const auto c = CaptureReports([&] { EXPECT_FALSE(index.add(Key(u"a"), &t)); });
    EXPECT_EQ(c.reports, 1u);
    EXPECT_EQ(ReportField(c.last, "expresion"), "false");
    EXPECT_EQ(ThrownBy([&] { index.find(Key(u"a")); }), 1);
    EXPECT_EQ(ThrownBy([&] { index.lookup(Key(u"a")); }), 1);
}

TEST_F(HashTable, InitMakes251BucketsOf128ZeroedNodes)
{
    ASSERT_TRUE(m_index.initialised());
    EXPECT_EQ(m_index.m_bucketCount, 251);
    for (int b = 0; b < m_index.m_bucketCount; ++b)
    {
        const scl::parray<scl::HashNode<Key, Table*>>& bucket = m_index.m_buckets[b];
        ASSERT_EQ(bucket.capacity(), 128) << b;
        ASSERT_EQ(bucket.size(), 0) << b;
        ASSERT_TRUE(bucket.m_owner) << b;
    }
    const Key zero;
    for (int b : {0, 250})
    {
        for (int i : {0, 127})
        {
            const auto& node = m_index.m_buckets[b][i];
            EXPECT_EQ(std::memcmp(&node.key, &zero, sizeof(Key)), 0);
            EXPECT_EQ(node.value, nullptr);
        }
    }
}

TEST_F(HashTable, SecondInitReportsAndKeepsTheTable)
{
    m_index.add(Key(u"kept"), &m_tables[0]);
    auto* buckets = m_index.m_buckets;
    const auto c = CaptureReports([&] { m_index.init(); });
    EXPECT_EQ(c.reports, 1u);
    EXPECT_EQ(m_index.m_buckets, buckets);
    EXPECT_EQ(*m_index.find(Key(u"kept")), &m_tables[0]);
}

TEST_F(HashTable, BucketIsTheByteHashModuloTheCount)
{
    // Known values, worked out by hand from the rule, including bytes >= 0x80 (negative).
    EXPECT_EQ(Index::hash(Key(u"a"), 251), 1898181948u);
    EXPECT_EQ(Index::hash(Key(u"item.txt"), 251), 1420725592u);
    EXPECT_EQ(Index::hash(Key(u"\u00FF\u8000"), 251), 626259610u);
    for (const char16_t* text : {u"a", u"item.txt", u"\u00FF\u8000", u"\u8868\u683C.txt", u"Skill_Tree.txt"})
    {
        const Key key(text);
        const std::uint32_t h = ExpectedHash(text, 251);
        EXPECT_EQ(Index::hash(key, 251), h);
        EXPECT_EQ(m_index.bucket_of(key), static_cast<int>(h % 251u));
    }
    EXPECT_EQ(m_index.bucket_of(Key(u"a")), 221);
    EXPECT_TRUE(m_index.add(Key(u"item.txt"), &m_tables[0]));
    EXPECT_EQ(m_index.m_buckets[81].size(), 1);
}

TEST_F(HashTable, FindsShortAndLongestKeys)
{
    const std::u16string longest(127, u'k');
    EXPECT_TRUE(m_index.add(Key(u"x"), &m_tables[0]));
    EXPECT_TRUE(m_index.add(Key(longest.c_str()), &m_tables[1]));
    Table** one = m_index.find(Key(u"x"));
    Table** many = m_index.find(Key(longest.c_str()));
    ASSERT_NE(one, nullptr);
    ASSERT_NE(many, nullptr);
    EXPECT_EQ(*one, &m_tables[0]);
    EXPECT_EQ(*many, &m_tables[1]);
    // Stored nodes never move: the pointer stays valid while more keys arrive.
    for (int i = 0; i < 500; ++i)
    {
        Key k;
        k.format(u"table%d.txt", i);
        m_index.add(k, &m_tables[2]);
    }
    EXPECT_EQ(m_index.find(Key(u"x")), one);
    EXPECT_EQ(*one, &m_tables[0]);
    EXPECT_EQ(m_index.size(), 502);
}

TEST_F(HashTable, DuplicateKeyReportsAndKeepsTheFirstValue)
{
    EXPECT_TRUE(m_index.add(Key(u"item.txt"), &m_tables[0]));
    bool added = true;
    const auto c = CaptureReports([&] { added = m_index.add(Key(u"item.txt"), &m_tables[1]); });
    EXPECT_FALSE(added);
    EXPECT_EQ(c.reports, 1u);
    EXPECT_EQ(ReportField(c.last, "expresion"), "0");
    EXPECT_EQ(*m_index.find(Key(u"item.txt")), &m_tables[0]);
    EXPECT_EQ(m_index.size(), 1);
}

TEST_F(HashTable, KeysAreCaseSensitive)
{
    EXPECT_TRUE(m_index.add(Key(u"Item.txt"), &m_tables[0]));
    EXPECT_TRUE(m_index.add(Key(u"item.txt"), &m_tables[1]));
    EXPECT_EQ(*m_index.find(Key(u"Item.txt")), &m_tables[0]);
    EXPECT_EQ(*m_index.find(Key(u"item.txt")), &m_tables[1]);
    EXPECT_EQ(m_index.lookup(Key(u"ITEM.TXT")), nullptr);
}

TEST_F(HashTable, MissingKeyReportsOnFindButNotOnLookup)
{
    m_index.add(Key(u"present"), &m_tables[0]);
    Table* sentinel = &m_tables[1];
    Table** found = &sentinel;
    const auto c = CaptureReports([&] { found = m_index.find(Key(u"absent")); });
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(c.reports, 1u);
    EXPECT_EQ(ReportField(c.last, "expresion"), "false");
    const auto quiet = CaptureReports([&] { found = m_index.lookup(Key(u"absent")); });
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(quiet.reports, 0u);
    // A prefix of a stored key is a different key.
    EXPECT_EQ(m_index.lookup(Key(u"presen")), nullptr);
}

TEST_F(HashTable, ReassignedKeyHashesLikeAFreshOne)
{
    Key key(u"a much longer table name.txt");
    key = u"abc.txt";
    EXPECT_TRUE(m_index.add(key, &m_tables[3]));
    Table** found = m_index.lookup(Key(u"abc.txt"));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(*found, &m_tables[3]);
}

TEST_F(HashTable, FullBucketReportsAndDropsTheNewKey)
{
    // Collect 129 keys that fall into the same bucket.
    std::map<int, std::vector<Key>> byBucket;
    std::vector<Key>* full = nullptr;
    for (int i = 0; full == nullptr; ++i)
    {
        Key k;
        k.format(u"t%d", i);
        std::vector<Key>& keys = byBucket[m_index.bucket_of(k)];
        keys.push_back(k);
        if (keys.size() == 129)
            full = &keys;
    }
    for (int i = 0; i < 128; ++i)
        ASSERT_TRUE(m_index.add((*full)[static_cast<size_t>(i)], &m_tables[0])) << i;
    bool added = true;
    const auto c = CaptureReports([&] { added = m_index.add((*full)[128], &m_tables[1]); });
    EXPECT_FALSE(added);
    EXPECT_EQ(c.reports, 1u);
    EXPECT_EQ(ReportField(c.last, "function"), "scl::parray<T>::push_back");
    EXPECT_EQ(ReportField(c.last, "expresion"), "0");
    EXPECT_EQ(m_index.lookup((*full)[128]), nullptr);
    EXPECT_NE(m_index.lookup((*full)[0]), nullptr);
    EXPECT_NE(m_index.lookup((*full)[127]), nullptr);
}

} // namespace
