#include "base/arena.h"

#include <cstdint>
#include <cstdlib>
#include <new>

#include <sys/mman.h>

#include "base/assert.h"

#if defined(__SANITIZE_ADDRESS__)
#define SCL_ARENA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SCL_ARENA_ASAN 1
#endif
#endif

#if defined(SCL_ARENA_ASAN)
#include <sanitizer/asan_interface.h>
#define SCL_ARENA_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define SCL_ARENA_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define SCL_ARENA_POISON(p, n) ((void)(p), (void)(n))
#define SCL_ARENA_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace scl
{
namespace
{

constexpr std::size_t kGranule = 16;
constexpr std::size_t kClasses = kArenaMaxObject / kGranule + 1;
// Buffers below this size come from the C heap: a mapping of its own would waste more than it saves.
constexpr std::size_t kBigBufferMapped = std::size_t(1) << 20;

struct SizeClass;

// The head of every chunk; the slots follow it. A chunk is on its size class's partial list while
// its free list is not empty.
struct Chunk
{
    SizeClass* owner;
    Chunk* prevPartial;
    Chunk* nextPartial;
    void* freeList; // freed slots, linked through their first word
    char* bump;     // next never-used slot
    char* end;      // end of the last whole slot
    std::size_t live;
    bool partial;
};

constexpr std::size_t kChunkHead = (sizeof(Chunk) + 63) / 64 * 64;

struct SizeClass
{
    std::size_t slot; // bytes per slot
    Chunk* current;   // the chunk that new slots are cut from
    Chunk* partial;   // chunks with freed slots, most recently freed into first
};

// Plain static data: zero-initialised before any code runs, never destroyed.
SizeClass s_classes[kClasses];
std::size_t s_liveObjects;
std::size_t s_chunks;

// An anonymous mapping of bytes bytes (a multiple of kArenaChunkBytes) aligned to kArenaChunkBytes,
// offered to the system for huge pages; null when none can be had.
void* MapAligned(std::size_t bytes)
{
    const std::size_t span = bytes + kArenaChunkBytes;
    void* raw = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kArenaChunkBytes - 1) & ~(std::uintptr_t(kArenaChunkBytes) - 1);
    if (aligned > start)
        ::munmap(raw, aligned - start);
    const std::uintptr_t tail = aligned + bytes;
    if (start + span > tail)
        ::munmap(reinterpret_cast<void*>(tail), start + span - tail);
#if defined(MADV_HUGEPAGE)
    // Advice only: where the system offers no huge pages the memory is simply in small pages.
    ::madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void*>(aligned);
}

Chunk* ChunkOf(void* p)
{
    return reinterpret_cast<Chunk*>(reinterpret_cast<std::uintptr_t>(p) &
                                    ~(std::uintptr_t(kArenaChunkBytes) - 1));
}

void LinkPartial(SizeClass& c, Chunk* chunk)
{
    chunk->prevPartial = nullptr;
    chunk->nextPartial = c.partial;
    if (c.partial != nullptr)
        c.partial->prevPartial = chunk;
    c.partial = chunk;
    chunk->partial = true;
}

void UnlinkPartial(SizeClass& c, Chunk* chunk)
{
    if (chunk->prevPartial != nullptr)
        chunk->prevPartial->nextPartial = chunk->nextPartial;
    else
        c.partial = chunk->nextPartial;
    if (chunk->nextPartial != nullptr)
        chunk->nextPartial->prevPartial = chunk->prevPartial;
    chunk->prevPartial = nullptr;
    chunk->nextPartial = nullptr;
    chunk->partial = false;
}

Chunk* NewChunk(SizeClass& c)
{
    void* memory = MapAligned(kArenaChunkBytes);
    if (memory == nullptr)
        return nullptr;
    Chunk* chunk = static_cast<Chunk*>(memory);
    chunk->owner = &c;
    chunk->prevPartial = nullptr;
    chunk->nextPartial = nullptr;
    chunk->freeList = nullptr;
    chunk->bump = static_cast<char*>(memory) + kChunkHead;
    const std::size_t slots = (kArenaChunkBytes - kChunkHead) / c.slot;
    chunk->end = chunk->bump + slots * c.slot;
    chunk->live = 0;
    chunk->partial = false;
    SCL_ARENA_POISON(chunk->bump, kArenaChunkBytes - kChunkHead);
    ++s_chunks;
    return chunk;
}

void* PopFree(Chunk* chunk)
{
    void* p = chunk->freeList;
    SCL_ARENA_UNPOISON(p, sizeof(void*));
    chunk->freeList = *static_cast<void**>(p);
    return p;
}

} // namespace

void* arena_allocate(std::size_t size) noexcept
{
    if (size == 0)
        return nullptr;
    if (size > kArenaMaxObject)
        return std::malloc(size);
    SizeClass& c = s_classes[(size + kGranule - 1) / kGranule];
    if (c.slot == 0)
        c.slot = (size + kGranule - 1) / kGranule * kGranule;

    void* p = nullptr;
    Chunk* chunk = c.partial;
    if (chunk != nullptr)
    {
        p = PopFree(chunk);
        if (chunk->freeList == nullptr)
            UnlinkPartial(c, chunk);
    }
    else
    {
        chunk = c.current;
        if (chunk == nullptr || chunk->bump == chunk->end)
        {
            chunk = NewChunk(c);
            if (chunk == nullptr)
                return nullptr;
            c.current = chunk;
        }
        p = chunk->bump;
        chunk->bump += c.slot;
    }
    ++chunk->live;
    ++s_liveObjects;
    SCL_ARENA_UNPOISON(p, c.slot);
    return p;
}

void arena_free(void* p, std::size_t size) noexcept
{
    if (p == nullptr)
        return;
    if (size > kArenaMaxObject || size == 0)
    {
        std::free(p);
        return;
    }
    Chunk* chunk = ChunkOf(p);
    SizeClass& c = *chunk->owner;
#if defined(SCL_ARENA_ASAN)
    // A free slot is poisoned: freeing it again is a double free.
    if (!SCL_ASSERT_MSG(!__asan_address_is_poisoned(p), "arena object freed twice"))
        return;
#endif
    SCL_ASSERT(&c == &s_classes[(size + kGranule - 1) / kGranule]);
    *static_cast<void**>(p) = chunk->freeList;
    chunk->freeList = p;
    SCL_ARENA_POISON(p, c.slot);
    --chunk->live;
    --s_liveObjects;
    if (chunk->live == 0 && chunk != c.current)
    {
        // Every object of the chunk is gone: give it back.
        if (chunk->partial)
            UnlinkPartial(c, chunk);
        SCL_ARENA_UNPOISON(chunk, kArenaChunkBytes);
        ::munmap(chunk, kArenaChunkBytes);
        --s_chunks;
        return;
    }
    if (!chunk->partial)
        LinkPartial(c, chunk);
}

ArenaStats arena_stats() noexcept
{
    return ArenaStats{s_liveObjects, s_chunks};
}

void* big_buffer_allocate(std::size_t bytes) noexcept
{
    if (bytes == 0)
        return nullptr;
    if (bytes < kBigBufferMapped)
        return std::malloc(bytes);
    const std::size_t mapped = (bytes + kArenaChunkBytes - 1) / kArenaChunkBytes * kArenaChunkBytes;
    return MapAligned(mapped);
}

void big_buffer_free(void* p, std::size_t bytes) noexcept
{
    if (p == nullptr)
        return;
    if (bytes < kBigBufferMapped)
    {
        std::free(p);
        return;
    }
    ::munmap(p, (bytes + kArenaChunkBytes - 1) / kArenaChunkBytes * kArenaChunkBytes);
}

void big_buffer_discard(void* p, std::size_t bytes, void* from, void* to) noexcept
{
    if (p == nullptr || bytes < kBigBufferMapped)
        return;
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t end = begin + (bytes + kArenaChunkBytes - 1) / kArenaChunkBytes * kArenaChunkBytes;
    std::uintptr_t first = reinterpret_cast<std::uintptr_t>(from);
    std::uintptr_t last = reinterpret_cast<std::uintptr_t>(to);
    first = first < begin ? begin : first;
    last = last > end ? end : last;
    // Whole huge pages only: discarding part of one would split it into small pages.
    first = (first + kArenaChunkBytes - 1) & ~(std::uintptr_t(kArenaChunkBytes) - 1);
    last &= ~(std::uintptr_t(kArenaChunkBytes) - 1);
    if (first < last)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

struct BumpPool::Block
{
    Block* previous;
    std::size_t bytes; // of the whole block, this head included
};

void* BumpPool::allocate(std::size_t bytes)
{
    bytes = (bytes + 7) / 8 * 8;
    if (bytes == 0)
        bytes = 8;
    if (static_cast<std::size_t>(m_end - m_next) < bytes)
    {
        constexpr std::size_t kHead = (sizeof(Block) + 15) / 16 * 16;
        std::size_t size = m_blocks != nullptr ? 2 * m_blocks->bytes : 4096;
        if (size > kArenaChunkBytes)
            size = kArenaChunkBytes;
        while (size < bytes + kHead)
            size *= 2;
        Block* block = static_cast<Block*>(big_buffer_allocate(size));
        if (block == nullptr)
            throw std::bad_alloc();
        block->previous = m_blocks;
        block->bytes = size;
        m_blocks = block;
        m_next = reinterpret_cast<char*>(block) + kHead;
        m_end = reinterpret_cast<char*>(block) + size;
        m_reserved += size;
    }
    void* p = m_next;
    m_next += bytes;
    return p;
}

void BumpPool::release() noexcept
{
    while (m_blocks != nullptr)
    {
        Block* previous = m_blocks->previous;
        big_buffer_free(m_blocks, m_blocks->bytes);
        m_blocks = previous;
    }
    m_next = nullptr;
    m_end = nullptr;
    m_reserved = 0;
}

} // namespace scl
