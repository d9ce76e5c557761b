#include "tool/textScan.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define TARN_SCAN_AVX2 1
#endif

namespace tarn
{
namespace scan
{
namespace
{

inline bool IsBreak(char16_t c)
{
    return c == u'\r' || c == u'\n' || c == 0;
}

inline bool EndsValue(char16_t c)
{
    return c == u'\t' || IsBreak(c);
}

char16_t* FindBreak1(char16_t* p, char16_t* end)
{
    while (p < end && !IsBreak(*p))
        ++p;
    return p;
}

char16_t* FindValueEnd1(char16_t* p)
{
    while (!EndsValue(*p))
        ++p;
    return p;
}

std::size_t CountLineFeeds1(const char16_t* p, const char16_t* end)
{
    std::size_t n = 0;
    for (; p < end; ++p)
        n += *p == u'\n' ? 1 : 0;
    return n;
}

#if defined(__SSE2__)

char16_t* FindBreak8(char16_t* p, char16_t* end)
{
    const __m128i cr = _mm_set1_epi16(u'\r');
    const __m128i lf = _mm_set1_epi16(u'\n');
    const __m128i zero = _mm_setzero_si128();
    while (end - p >= 8)
    {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, cr), _mm_cmpeq_epi16(v, lf)),
                                         _mm_cmpeq_epi16(v, zero));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0)
            return p + __builtin_ctz(static_cast<unsigned>(mask)) / 2;
        p += 8;
    }
    return FindBreak1(p, end);
}

char16_t* FindValueEnd8(char16_t* p, const char16_t* limit)
{
    // Units up to 13 (CR) are candidates, found by a saturating subtraction; which of them end a
    // value is decided one by one (text holds units 1 to 8, 11 and 12 rarely).
    const __m128i thirteen = _mm_set1_epi16(13);
    const __m128i zero = _mm_setzero_si128();
    while (limit - p >= 8)
    {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        unsigned mask =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_subs_epu16(v, thirteen), zero)));
        while (mask != 0)
        {
            const int unit = __builtin_ctz(mask) / 2;
            if (EndsValue(p[unit]))
                return p + unit;
            mask &= ~(3u << (unit * 2));
        }
        p += 8;
    }
    return FindValueEnd1(p);
}

std::size_t CountLineFeeds8(const char16_t* p, const char16_t* end)
{
    const __m128i lf = _mm_set1_epi16(u'\n');
    const __m128i ones = _mm_set1_epi16(1);
    std::size_t n = 0;
    while (end - p >= 8)
    {
        // Sixteen-bit counters per lane, summed before any can pass 4096.
        const std::ptrdiff_t steps = (end - p) / 8 < 4096 ? (end - p) / 8 : 4096;
        const char16_t* const stop = p + steps * 8;
        __m128i counts = _mm_setzero_si128();
        for (; p < stop; p += 8)
            counts = _mm_sub_epi16(counts,
                                   _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), lf));
        alignas(16) std::int32_t sums[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(sums), _mm_madd_epi16(counts, ones));
        n += static_cast<std::size_t>(sums[0]) + static_cast<std::size_t>(sums[1]) +
             static_cast<std::size_t>(sums[2]) + static_cast<std::size_t>(sums[3]);
    }
    return n + CountLineFeeds1(p, end);
}

#endif

#if defined(TARN_SCAN_AVX2)

bool HasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

__attribute__((target("avx2"))) char16_t* FindBreak16(char16_t* p, char16_t* end)
{
    const __m256i cr = _mm256_set1_epi16(u'\r');
    const __m256i lf = _mm256_set1_epi16(u'\n');
    const __m256i zero = _mm256_setzero_si256();
    while (end - p >= 16)
    {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i hit =
            _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi16(v, cr), _mm256_cmpeq_epi16(v, lf)),
                            _mm256_cmpeq_epi16(v, zero));
        const unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(hit));
        if (mask != 0)
            return p + __builtin_ctz(mask) / 2;
        p += 16;
    }
    return FindBreak8(p, end);
}

__attribute__((target("avx2"))) char16_t* FindValueEnd16(char16_t* p, const char16_t* limit)
{
    const __m256i thirteen = _mm256_set1_epi16(13);
    const __m256i zero = _mm256_setzero_si256();
    while (limit - p >= 16)
    {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        unsigned mask = static_cast<unsigned>(
            _mm256_movemask_epi8(_mm256_cmpeq_epi16(_mm256_subs_epu16(v, thirteen), zero)));
        while (mask != 0)
        {
            const int unit = __builtin_ctz(mask) / 2;
            if (EndsValue(p[unit]))
                return p + unit;
            mask &= ~(3u << (unit * 2));
        }
        p += 16;
    }
    return FindValueEnd8(p, limit);
}

__attribute__((target("avx2"))) std::size_t CountLineFeeds16(const char16_t* p, const char16_t* end)
{
    const __m256i lf = _mm256_set1_epi16(u'\n');
    const __m256i ones = _mm256_set1_epi16(1);
    std::size_t n = 0;
    while (end - p >= 16)
    {
        const std::ptrdiff_t steps = (end - p) / 16 < 4096 ? (end - p) / 16 : 4096;
        const char16_t* const stop = p + steps * 16;
        __m256i counts = _mm256_setzero_si256();
        for (; p < stop; p += 16)
            counts = _mm256_sub_epi16(
                counts, _mm256_cmpeq_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), lf));
        alignas(32) std::int32_t sums[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(sums), _mm256_madd_epi16(counts, ones));
        for (std::int32_t sum : sums)
            n += static_cast<std::size_t>(sum);
    }
    return n + CountLineFeeds8(p, end);
}

#endif

} // namespace

namespace detail
{

char16_t* FindBreak(char16_t* p, char16_t* end, int width)
{
#if defined(TARN_SCAN_AVX2)
    if (width >= 16 && HasAvx2())
        return FindBreak16(p, end);
#endif
#if defined(__SSE2__)
    if (width >= 8)
        return FindBreak8(p, end);
#endif
    (void)width;
    return FindBreak1(p, end);
}

char16_t* FindValueEnd(char16_t* p, const char16_t* limit, int width)
{
#if defined(TARN_SCAN_AVX2)
    if (width >= 16 && HasAvx2())
        return FindValueEnd16(p, limit);
#endif
#if defined(__SSE2__)
    if (width >= 8)
        return FindValueEnd8(p, limit);
#endif
    (void)width;
    (void)limit;
    return FindValueEnd1(p);
}

std::size_t CountLineFeeds(const char16_t* p, const char16_t* end, int width)
{
#if defined(TARN_SCAN_AVX2)
    if (width >= 16 && HasAvx2())
        return CountLineFeeds16(p, end);
#endif
#if defined(__SSE2__)
    if (width >= 8)
        return CountLineFeeds8(p, end);
#endif
    (void)width;
    return CountLineFeeds1(p, end);
}

} // namespace detail

char16_t* FindBreak(char16_t* p, char16_t* end)
{
    return detail::FindBreak(p, end, 16);
}

char16_t* FindValueEnd(char16_t* p, const char16_t* limit)
{
    return detail::FindValueEnd(p, limit, 16);
}

std::size_t CountLineFeeds(const char16_t* p, const char16_t* end)
{
    return detail::CountLineFeeds(p, end, 16);
}

} // namespace scan
} // namespace tarn
