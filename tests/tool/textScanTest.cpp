// The data file reader's unit scanners: every width finds what a unit-by-unit scan finds, and none
// reads past the text it is given (the text ends right before a page that may not be read).
#include <cstddef>
#include <random>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tool/textScan.h"

namespace
{

using tarn::scan::detail::CountLineFeeds;
using tarn::scan::detail::FindBreak;
using tarn::scan::detail::FindValueEnd;

// Room for units that ends where a page that faults on any access begins.
class GuardedText
{
public:
    GuardedText()
    {
        m_page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        void* p = ::mmap(nullptr, 2 * m_page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            return;
        m_base = static_cast<char*>(p);
        ::mprotect(m_base + m_page, m_page, PROT_NONE);
    }
    ~GuardedText()
    {
        if (m_base != nullptr)
            ::munmap(m_base, 2 * m_page);
    }
    GuardedText(const GuardedText&) = delete;
    GuardedText& operator=(const GuardedText&) = delete;

    bool ok() const { return m_base != nullptr; }
    // The units copied so that the last one is the last before the guard page.
    char16_t* place(const std::vector<char16_t>& units)
    {
        char16_t* end = reinterpret_cast<char16_t*>(m_base + m_page);
        char16_t* begin = end - units.size();
        for (std::size_t i = 0; i < units.size(); ++i)
            begin[i] = units[i];
        return begin;
    }

private:
    char* m_base = nullptr;
    std::size_t m_page = 0;
};

std::vector<char16_t> RandomUnits(std::mt19937& rng, std::size_t length)
{
    // Mostly text, with every unit up to 13 (CR) and a few others that vector code may confuse.
    const char16_t special[] = {0,     1,  8,      u'\t',  u'\n',  11,     12,
                                u'\r', 14, 0x0D0A, 0x0A0D, 0x8000, 0xFFFF, 0x090D};
    std::vector<char16_t> units(length);
    for (char16_t& c : units)
    {
        const unsigned pick = rng() % 40;
        c = pick < 14 ? special[pick] : static_cast<char16_t>(u'a' + pick);
    }
    return units;
}

} // namespace

TEST(TextScan, EveryWidthFindsWhatAUnitByUnitScanFinds)
{
    GuardedText guarded;
    ASSERT_TRUE(guarded.ok());
    std::mt19937 rng(31);
    for (int round = 0; round < 3000; ++round)
    {
        const std::size_t length = rng() % 90;
        std::vector<char16_t> units = RandomUnits(rng, length);
        if (round % 2 == 0)
        {
            // Long runs without the units looked for, in the middle or up to the end.
            for (std::size_t i = rng() % (length + 1); i < length; ++i)
                units[i] = u'x';
        }
        char16_t* const text = guarded.place(units);
        char16_t* const end = text + length;
        for (std::size_t from = 0; from <= length; ++from)
        {
            char16_t* const p = text + from;
            char16_t* const lineBreak = FindBreak(p, end, 1);
            const std::size_t lineFeeds = CountLineFeeds(p, end, 1);
            for (int width : {8, 16})
            {
                EXPECT_EQ(FindBreak(p, end, width), lineBreak) << "width " << width << ", round " << round;
                EXPECT_EQ(CountLineFeeds(p, end, width), lineFeeds)
                    << "width " << width << ", round " << round;
            }
            // A value always ends before the limit: give the scan the text up to its first
            // value end.
            std::size_t stop = from;
            while (stop < length && units[stop] != 0 && units[stop] != u'\t' && units[stop] != u'\r' &&
                   units[stop] != u'\n')
                ++stop;
            if (stop == length)
                continue;
            for (int width : {1, 8, 16})
                EXPECT_EQ(FindValueEnd(p, end, width), text + stop)
                    << "width " << width << ", round " << round;
        }
    }
}

TEST(TextScan, LineFeedsOfALongTextAreCountedWhole)
{
    // More line feeds than a sixteen-bit counter holds, in one call.
    std::vector<char16_t> units(300000, u'\n');
    for (std::size_t i = 0; i < units.size(); i += 7)
        units[i] = u'a';
    const std::size_t expected = CountLineFeeds(units.data(), units.data() + units.size(), 1);
    EXPECT_EQ(expected, units.size() - (units.size() + 6) / 7);
    for (int width : {8, 16})
        EXPECT_EQ(CountLineFeeds(units.data(), units.data() + units.size(), width), expected) << width;
    EXPECT_EQ(tarn::scan::CountLineFeeds(units.data(), units.data() + units.size()), expected);
}
