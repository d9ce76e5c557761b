// The arena of the data model's small objects and its large buffers: slots reused after freeing,
// chunks given back when empty, objects of every size kept apart, large sizes from the C heap.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "base/arena.h"
#include "base/assert.h"

namespace
{

struct Block
{
    unsigned char* p;
    std::size_t size;
    unsigned char fill;
};

bool Aligned16(const void* p)
{
    return reinterpret_cast<std::uintptr_t>(p) % 16 == 0;
}

class ArenaTest : public ::testing::Test
{
protected:
    void SetUp() override { m_start = scl::arena_stats(); }
    // Every test frees what it allocated: the counts are back where they started.
    void TearDown() override
    {
        const scl::ArenaStats end = scl::arena_stats();
        EXPECT_EQ(end.liveObjects, m_start.liveObjects);
    }
    scl::ArenaStats m_start{};
};

TEST_F(ArenaTest, ObjectsOfAllSizesAreDistinctAlignedAndKeepTheirBytes)
{
    // Sizes around the granule and the size-class limits, each several times over.
    std::vector<Block> blocks;
    unsigned char fill = 1;
    for (std::size_t size :
         {1u, 15u, 16u, 17u, 100u, 2088u, 2112u, 4095u, 4096u, 34816u, 65536u, 65537u, 100000u})
    {
        for (int i = 0; i < 5; ++i)
        {
            auto* p = static_cast<unsigned char*>(scl::arena_allocate(size));
            ASSERT_NE(p, nullptr) << size;
            EXPECT_TRUE(Aligned16(p)) << size;
            std::memset(p, fill, size);
            blocks.push_back({p, size, fill});
            fill = static_cast<unsigned char>(fill % 250 + 1);
        }
    }
    EXPECT_EQ(scl::arena_stats().liveObjects - m_start.liveObjects, 55u); // all but the two above the limit

    // No object overlaps another: each still holds its own bytes.
    for (const Block& b : blocks)
    {
        for (std::size_t i = 0; i < b.size; ++i)
            ASSERT_EQ(b.p[i], b.fill) << "size " << b.size << " byte " << i;
    }
    for (const Block& b : blocks)
        scl::arena_free(b.p, b.size);
}

TEST_F(ArenaTest, AFreedSlotIsReusedBySameSizeClass)
{
    void* a = scl::arena_allocate(200);
    void* b = scl::arena_allocate(200);
    ASSERT_NE(a, b);
    scl::arena_free(a, 200);
    // 193..208 bytes share a class: the freed slot comes back first.
    void* c = scl::arena_allocate(208);
    EXPECT_EQ(c, a);
    // Another class does not take it.
    void* d = scl::arena_allocate(100);
    EXPECT_NE(d, b);
    EXPECT_NE(d, c);
    scl::arena_free(b, 200);
    scl::arena_free(c, 208);
    scl::arena_free(d, 100);
}

TEST_F(ArenaTest, ChunksGoBackWhenTheirObjectsAreFreedAndMemoryIsUsableAgain)
{
    // Several chunks' worth of 2 KiB objects (about a thousand per 2 MiB chunk).
    constexpr std::size_t kSize = 2096;
    constexpr int kCount = 5000;
    const std::size_t chunksBefore = scl::arena_stats().chunks;
    std::vector<void*> objects;
    for (int i = 0; i < kCount; ++i)
    {
        void* p = scl::arena_allocate(kSize);
        ASSERT_NE(p, nullptr);
        std::memset(p, i & 0xff, kSize);
        objects.push_back(p);
    }
    const std::size_t chunksFull = scl::arena_stats().chunks;
    EXPECT_GE(chunksFull - chunksBefore, static_cast<std::size_t>(kCount * kSize / scl::kArenaChunkBytes));

    // Free in a scrambled order, as a deletion of selected rows would.
    std::mt19937 random(7);
    std::shuffle(objects.begin(), objects.end(), random);
    for (void* p : objects)
        scl::arena_free(p, kSize);
    // Every chunk but the one still being filled has gone back.
    EXPECT_LE(scl::arena_stats().chunks, chunksBefore + 1);

    // And everything can be had again.
    objects.clear();
    for (int i = 0; i < kCount; ++i)
        objects.push_back(scl::arena_allocate(kSize));
    EXPECT_EQ(std::set<void*>(objects.begin(), objects.end()).size(), static_cast<std::size_t>(kCount));
    for (void* p : objects)
        scl::arena_free(p, kSize);
}

TEST_F(ArenaTest, InterleavedAllocationAndFreeingNeverHandsOutALiveObject)
{
    // A random mix of sizes, allocated and freed in random order, each object filled with its own
    // pattern: any slot handed out twice would overwrite another object's pattern.
    std::mt19937 random(42);
    const std::size_t sizes[] = {24, 112, 576, 2096, 2112};
    std::vector<Block> live;
    unsigned char fill = 1;
    for (int step = 0; step < 20000; ++step)
    {
        if (!live.empty() && random() % 3 == 0)
        {
            const std::size_t at = random() % live.size();
            const Block b = live[at];
            for (std::size_t i = 0; i < b.size; i += 7)
                ASSERT_EQ(b.p[i], b.fill);
            scl::arena_free(b.p, b.size);
            live[at] = live.back();
            live.pop_back();
        }
        else
        {
            const std::size_t size = sizes[random() % 5];
            auto* p = static_cast<unsigned char*>(scl::arena_allocate(size));
            ASSERT_NE(p, nullptr);
            std::memset(p, fill, size);
            live.push_back({p, size, fill});
            fill = static_cast<unsigned char>(fill % 250 + 1);
        }
    }
    for (const Block& b : live)
    {
        for (std::size_t i = 0; i < b.size; i += 7)
            ASSERT_EQ(b.p[i], b.fill);
        scl::arena_free(b.p, b.size);
    }
}

TEST_F(ArenaTest, ZeroSizeAndNullAreHarmless)
{
    EXPECT_EQ(scl::arena_allocate(0), nullptr);
    scl::arena_free(nullptr, 16);
    EXPECT_EQ(scl::big_buffer_allocate(0), nullptr);
    scl::big_buffer_free(nullptr, 100);
}

TEST(ArenaBigBufferTest, SmallAndLargeBuffersHoldTheirBytes)
{
    for (std::size_t bytes :
         {std::size_t(10), std::size_t(100000), std::size_t(3) << 20, (std::size_t(5) << 20) + 3})
    {
        auto* p = static_cast<unsigned char*>(scl::big_buffer_allocate(bytes));
        ASSERT_NE(p, nullptr) << bytes;
        EXPECT_TRUE(Aligned16(p));
        p[0] = 0x11;
        p[bytes / 2] = 0x22;
        p[bytes - 1] = 0x33;
        EXPECT_EQ(p[0], 0x11);
        EXPECT_EQ(p[bytes / 2], 0x22);
        EXPECT_EQ(p[bytes - 1], 0x33);
        scl::big_buffer_free(p, bytes);
    }
}

#if defined(__SANITIZE_ADDRESS__)
// Under AddressSanitizer a freed slot is poisoned: touching it is reported, and so is freeing it
// again (a failed check; the slot is not linked twice).
TEST_F(ArenaTest, AddressSanitizerSeesUseAfterFreeAndDoubleFree)
{
    auto* p = static_cast<volatile char*>(scl::arena_allocate(96));
    ASSERT_NE(p, nullptr);
    p[0] = 1;
    scl::arena_free(const_cast<char*>(p), 96);
    EXPECT_DEATH(p[5] = 2, "use-after-poison");

    const unsigned long reports = scl::AssertReportCount();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    scl::arena_free(const_cast<char*>(p), 96);
    testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(scl::AssertReportCount(), reports + 1);
    // The slot is handed out once only.
    void* a = scl::arena_allocate(96);
    void* b = scl::arena_allocate(96);
    EXPECT_NE(a, b);
    scl::arena_free(a, 96);
    scl::arena_free(b, 96);
}
#endif

} // namespace
