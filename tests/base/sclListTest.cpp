// The doubly linked list: links at both ends and in the middle, element lifetime, iteration.
#include <vector>

#include <gtest/gtest.h>

#include "base/list.h"
#include "reportCapture.h"

using scltest::CaptureReports;
using scltest::ReportField;

namespace
{

// Counts live instances so tests can see elements being destroyed.
struct Tracked
{
    static int s_live;
    int value = 0;
    Tracked() { ++s_live; }
    Tracked(const Tracked& o) : value(o.value) { ++s_live; }
    Tracked& operator=(const Tracked&) = default;
    ~Tracked() { --s_live; }
};
int Tracked::s_live = 0;

template <class T> std::vector<int> Forward(const scl::list<T>& l)
{
    std::vector<int> out;
    for (const scl::ListNode<T>* n = l.first(); n != nullptr; n = n->next)
        out.push_back(n->value);
    return out;
}

template <class T> std::vector<int> Backward(const scl::list<T>& l)
{
    std::vector<int> out;
    for (const scl::ListNode<T>* n = l.last(); n != nullptr; n = n->prev)
        out.insert(out.begin(), n->value);
    return out;
}

// Checks that the links agree in both directions and with the count.
template <class T> void ExpectConsistent(const scl::list<T>& l, const std::vector<int>& values)
{
    EXPECT_EQ(Forward(l), values);
    EXPECT_EQ(Backward(l), values);
    EXPECT_EQ(l.size(), static_cast<int>(values.size()));
    EXPECT_EQ(l.empty(), values.empty());
    if (l.first() != nullptr)
    {
        EXPECT_EQ(l.first()->prev, nullptr);
    }
    if (l.last() != nullptr)
    {
        EXPECT_EQ(l.last()->next, nullptr);
    }
}

TEST(List, InsertAfterNullOnEmptyListIsFirstAndLast)
{
    scl::list<int> l;
    scl::ListNode<int>* n = l.insert_after(nullptr);
    EXPECT_EQ(l.first(), n);
    EXPECT_EQ(l.last(), n);
    EXPECT_EQ(n->next, nullptr);
    EXPECT_EQ(n->prev, nullptr);
    EXPECT_EQ(n->value, 0); // a default element
    EXPECT_EQ(l.size(), 1);
}

TEST(List, InsertAtBothEndsAndInTheMiddle)
{
    scl::list<int> l;
    l.push_back()->value = 2;
    l.push_back()->value = 4;
    l.insert_after(nullptr)->value = 1;         // front
    l.insert_after(l.last())->value = 5;        // back
    l.insert_after(l.first()->next)->value = 3; // after 2
    ExpectConsistent(l, {1, 2, 3, 4, 5});
}

TEST(List, EraseAtBothEndsInTheMiddleAndTheOnlyNode)
{
    scl::list<int> l;
    for (int i = 1; i <= 4; ++i)
        l.push_back()->value = i;
    l.erase(l.first());
    ExpectConsistent(l, {2, 3, 4});
    l.erase(l.last());
    ExpectConsistent(l, {2, 3});
    l.push_back()->value = 9;
    l.erase(l.first()->next);
    ExpectConsistent(l, {2, 9});
    l.erase(l.first());
    l.erase(l.first());
    EXPECT_EQ(l.first(), nullptr);
    EXPECT_EQ(l.last(), nullptr);
    EXPECT_EQ(l.size(), 0);
    l.push_back()->value = 7; // usable again
    ExpectConsistent(l, {7});
}

TEST(List, UnlinkKeepsTheNodeAndLinkAfterPutsItBackAnywhere)
{
    scl::list<int> l;
    std::vector<scl::ListNode<int>*> nodes;
    for (int i = 1; i <= 4; ++i)
    {
        nodes.push_back(l.push_back());
        nodes.back()->value = i;
    }
    // Out at the front, at the back and in the middle.
    for (scl::ListNode<int>* n : {nodes[0], nodes[3], nodes[2]})
        l.unlink(n);
    ExpectConsistent(l, {2});
    // Back in at the front, at the end and after a node: the same nodes, in place again.
    l.link_after(nullptr, nodes[0]);
    l.link_after(l.last(), nodes[3]);
    l.link_after(nodes[1], nodes[2]);
    ExpectConsistent(l, {1, 2, 3, 4});
    EXPECT_EQ(l.first()->next->next, nodes[2]);
    // The only node out and in again.
    l.clear();
    scl::ListNode<int>* only = l.push_back();
    l.unlink(only);
    ExpectConsistent(l, {});
    l.link_after(nullptr, only);
    ExpectConsistent(l, {0});
}

TEST(List, UnlinkedElementsAreNotDestroyedUntilFreed)
{
    Tracked::s_live = 0;
    {
        scl::list<Tracked> l;
        for (int i = 0; i < 3; ++i)
            l.push_back();
        scl::ListNode<Tracked>* out = l.first()->next;
        l.unlink(out);
        EXPECT_EQ(Tracked::s_live, 3);
        l.clear();
        EXPECT_EQ(Tracked::s_live, 1); // the list no longer owns it
        scl::DefaultAlloc<Tracked>::free(out);
        EXPECT_EQ(Tracked::s_live, 0);
    }
}

TEST(List, EraseOfNullReports)
{
    scl::list<int> l;
    l.push_back();
    const auto c = CaptureReports([&] { l.erase(nullptr); });
    EXPECT_EQ(c.reports, 1u);
    EXPECT_EQ(l.size(), 1);
}

TEST(List, UnlinkAndLinkOfNullReportAndChangeNothing)
{
    struct Case
    {
        const char* name;
        void (*call)(scl::list<int>&);
    };
    const Case cases[] = {
        {"unlink", [](scl::list<int>& l) { l.unlink(nullptr); }},
        {"link_after the last", [](scl::list<int>& l) { l.link_after(l.last(), nullptr); }},
        {"link_after at the front", [](scl::list<int>& l) { l.link_after(nullptr, nullptr); }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        scl::list<int> l;
        l.push_back()->value = 1;
        l.push_back()->value = 2;
        const auto reports = CaptureReports([&] { c.call(l); });
        EXPECT_EQ(reports.reports, 1u);
        ExpectConsistent(l, {1, 2});
    }
}

TEST(List, NodesNeverMove)
{
    scl::list<int> l;
    std::vector<scl::ListNode<int>*> nodes;
    for (int i = 0; i < 1000; ++i)
    {
        scl::ListNode<int>* n = l.push_back();
        n->value = i;
        nodes.push_back(n);
    }
    for (int i = 0; i < 1000; i += 2)
        l.erase(nodes[static_cast<size_t>(i)]);
    int expected = 1;
    for (int v : l)
    {
        EXPECT_EQ(v, expected);
        expected += 2;
    }
    EXPECT_EQ(nodes[999]->value, 999);
    EXPECT_EQ(l.last(), nodes[999]);
}

TEST(List, EraseClearAndDestructionDestroyElements)
{
    Tracked::s_live = 0;
    {
        scl::list<Tracked> l;
        for (int i = 0; i < 5; ++i)
            l.push_back()->value.value = i;
        EXPECT_EQ(Tracked::s_live, 5);
        l.erase(l.first()->next);
        EXPECT_EQ(Tracked::s_live, 4);
        l.clear();
        EXPECT_EQ(Tracked::s_live, 0);
        EXPECT_TRUE(l.empty());
        l.push_back();
        l.push_back();
        EXPECT_EQ(Tracked::s_live, 2);
    }
    EXPECT_EQ(Tracked::s_live, 0);
}

TEST(List, IteratorWalksForwardAndStopsAtEnd)
{
    scl::list<int> l;
    for (int i = 1; i <= 3; ++i)
        l.push_back()->value = i * 10;
    std::vector<int> seen;
    for (scl::list<int>::iterator it = l.begin(); it != l.end(); ++it)
    {
        seen.push_back(*it);
        *it += 1;
    }
    EXPECT_EQ(seen, (std::vector<int>{10, 20, 30}));
    const scl::list<int>& cl = l;
    std::vector<int> after;
    for (const int& v : cl)
        after.push_back(v);
    EXPECT_EQ(after, (std::vector<int>{11, 21, 31}));
    EXPECT_EQ(l.begin().node(), l.first());
}

TEST(List, AdvancingPastTheEndReports)
{
    scl::list<int> l;
    scl::list<int>::iterator it = l.end();
    const auto c = CaptureReports([&] { ++it; });
    EXPECT_EQ(c.reports, 1u);
    EXPECT_EQ(ReportField(c.last, "expresion"), "NULL != p");
    EXPECT_EQ(it, l.end());
}

} // namespace
