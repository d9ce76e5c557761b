// Memory for the many small fixed-size objects of the data model (rows, cells, the storage of
// bounded arrays) and for the large read buffers of the data files.
//
// A loaded table holds one row object and one cell object per value, each a few hundred bytes to
// two kilobytes (the fixed-capacity layout), so a table of 100,000 rows asks for about a gigabyte
// in more than a million allocations. Taken from the C heap that memory arrives four kilobytes at
// a time, one page fault each, and the faults, not the parsing, make up most of a load. The arena
// instead takes memory from the system in chunks of 2 MiB, aligned so that the system can back
// each with one huge page (madvise MADV_HUGEPAGE where the system offers it), and carves them
// into slots of one size class each.
//
//   void* p = scl::arena_allocate(sizeof(T));   // null when memory is exhausted
//   T* t = new (p) T();
//   ...
//   t->~T();
//   scl::arena_free(t, sizeof(T));              // the same size as allocated
//
// Every object is allocated and freed individually; nothing is moved. Freed slots are reused by
// the next allocation of their size class; a chunk whose objects have all been freed goes back to
// the system (except the chunk a size class is currently filling). The memory of an allocation is
// not cleared: a new object's constructor initialises it, exactly as with operator new.
// Sizes up to kArenaMaxObject bytes come from chunks; larger ones from the C heap.
//
// Single-threaded, like the whole data model: allocation and freeing happen on one thread at a
// time and take no lock. The state is plain static data (no constructor), so objects may be freed
// during the destruction of static objects at exit.
//
// Under AddressSanitizer free slots and unused chunk space are poisoned, so a use after free or a
// double free of an arena object is reported; leaks of arena objects are not (LeakSanitizer only
// sees the C heap): arena_stats() counts live objects for tests.
#ifndef SCL_BASE_ARENA_H
#define SCL_BASE_ARENA_H

#include <cstddef>

namespace scl
{

// Largest object size served from chunks (a hash table bucket is 35 KiB); larger sizes go to the
// C heap.
constexpr std::size_t kArenaMaxObject = 65536;
// Chunk size and alignment: one huge page on x86-64 and AArch64 with 4 KiB pages.
constexpr std::size_t kArenaChunkBytes = std::size_t(2) << 20;

// size bytes aligned to 16, or null when the system has no memory left (or size is 0).
void* arena_allocate(std::size_t size) noexcept;
// Frees p (null does nothing); size must be the size it was allocated with.
void arena_free(void* p, std::size_t size) noexcept;

struct ArenaStats
{
    std::size_t liveObjects; // allocated from chunks and not yet freed
    std::size_t chunks;      // chunks currently taken from the system
};
ArenaStats arena_stats() noexcept;

// A large buffer of at least bytes bytes (whole pages, huge pages where offered) whose content is
// NOT cleared, for the data file's text; null when there is no memory (or bytes is 0). Free it
// with big_buffer_free and the same byte count.
void* big_buffer_allocate(std::size_t bytes) noexcept;
void big_buffer_free(void* p, std::size_t bytes) noexcept;
// Gives the memory of [from, to), a range inside the big buffer p of bytes bytes, back to the
// system as far as it covers whole huge pages; those pages read as zero when touched again. The
// buffer stays valid. Does nothing for buffers below 1 MiB (they come from the C heap).
void big_buffer_discard(void* p, std::size_t bytes, void* from, void* to) noexcept;

// A buffer from big_buffer_allocate and its size. Plain data: whoever holds it frees it once
// with release().
struct BigBuffer
{
    void* m_data = nullptr;
    std::size_t m_bytes = 0;

    void release() noexcept
    {
        big_buffer_free(m_data, m_bytes);
        m_data = nullptr;
        m_bytes = 0;
    }
};

// Many small pieces of memory that all go back together: allocate hands out pieces (aligned to 8)
// from blocks taken as needed, each block twice the size of the one before, up to
// kArenaChunkBytes (large blocks come from big_buffer_allocate). Nothing is freed before
// release(), or the destruction of the pool. A table keeps the lists of its loaded cells in one.
// Single-threaded. Not copyable.
class BumpPool
{
public:
    BumpPool() = default;
    BumpPool(const BumpPool&) = delete;
    BumpPool& operator=(const BumpPool&) = delete;
    ~BumpPool() { release(); }

    // bytes bytes (at most kArenaChunkBytes / 2); throws std::bad_alloc when there is no memory.
    void* allocate(std::size_t bytes);
    // Frees every block.
    void release() noexcept;
    // Bytes taken from the system for the blocks.
    std::size_t reserved() const { return m_reserved; }

private:
    struct Block;
    Block* m_blocks = nullptr; // the newest first
    char* m_next = nullptr;
    char* m_end = nullptr;
    std::size_t m_reserved = 0;
};

} // namespace scl

#endif // SCL_BASE_ARENA_H
