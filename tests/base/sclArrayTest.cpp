// Bounded arrays: overflow drops the element after a report, indexing past the capacity throws 1,
// views borrow storage, and storage never moves.
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include <gtest/gtest.h>

#include "base/array.h"
#include "base/string.h"
#include "reportCapture.h"

using scltest::CaptureReports;
using scltest::ReportField;

namespace
{

using Name = scl::stringT<char16_t, 32>;

// Distinct values of each element type under test.
template <class T> T ValueOf(int i);
template <> int ValueOf<int>(int i)
{
    return i * 7 + 1;
}
template <> double ValueOf<double>(int i)
{
    return i + 0.5;
}
template <> Name ValueOf<Name>(int i)
{
    Name n;
    n.format(u"name%d", i);
    return n;
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

template <class T> class BoundedArray : public testing::Test
{
};
using ElementTypes = testing::Types<int, double, Name>;
struct ElementNames
{
    template <class T> static std::string GetName(int)
    {
        if (std::is_same<T, int>::value)
            return "int";
        if (std::is_same<T, double>::value)
            return "double";
        return "name32";
    }
};
TYPED_TEST_SUITE(BoundedArray, ElementTypes, ElementNames);

TYPED_TEST(BoundedArray, InlineArrayOverflowReportsAndDrops)
{
    auto a = std::make_unique<scl::array<TypeParam, 256>>();
    for (int i = 0; i < 256; ++i)
        ASSERT_TRUE(a->push_back(ValueOf<TypeParam>(i)));
    const TypeParam* storage = a->begin();
    bool pushed = true;
    const auto c = CaptureReports([&] { pushed = a->push_back(ValueOf<TypeParam>(999)); });
    EXPECT_FALSE(pushed);
    EXPECT_EQ(a->size(), 256);
    EXPECT_EQ(c.reports, 1u);
    EXPECT_EQ(ReportField(c.last, "function"), "scl::parray<T>::push_back");
    EXPECT_EQ(ReportField(c.last, "expresion"), "0");
    EXPECT_TRUE((*a)[255] == ValueOf<TypeParam>(255));
    EXPECT_TRUE(a->back() == ValueOf<TypeParam>(255));
    EXPECT_EQ(a->begin(), storage);
    EXPECT_EQ(a->end() - a->begin(), 256);
}

TYPED_TEST(BoundedArray, OwningArrayOverflowReportsAndDrops)
{
    scl::parray<TypeParam> p;
    p.init(3);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(p.push_back(ValueOf<TypeParam>(i)));
    const auto c = CaptureReports([&] { EXPECT_FALSE(p.push_back(ValueOf<TypeParam>(3))); });
    EXPECT_EQ(c.reports, 1u);
    EXPECT_EQ(ReportField(c.last, "function"), "scl::parray<T>::push_back");
    EXPECT_EQ(ReportField(c.last, "expresion"), "0");
    EXPECT_EQ(p.size(), 3);
    EXPECT_TRUE(p[2] == ValueOf<TypeParam>(2));
}

TYPED_TEST(BoundedArray, ViewSharesTheInlineStorage)
{
    scl::array<TypeParam, 4> a;
    a.push_back(ValueOf<TypeParam>(0));
    a.push_back(ValueOf<TypeParam>(1));
    {
        scl::parray<TypeParam> v = a.view();
        EXPECT_EQ(v.size(), 2);
        EXPECT_EQ(v.capacity(), 4);
        EXPECT_FALSE(v.m_owner);
        EXPECT_EQ(v.begin(), a.begin());
        v[1] = ValueOf<TypeParam>(5);
        EXPECT_TRUE(v.push_back(ValueOf<TypeParam>(6)));
        // The view's count is its own; the array still holds 2.
        EXPECT_EQ(a.size(), 2);
    } // the view frees nothing
    EXPECT_TRUE(a[1] == ValueOf<TypeParam>(5));
    EXPECT_TRUE(a[2] == ValueOf<TypeParam>(6));
}

TEST(InlineArray, IndexOutsideTheStorageThrowsOne)
{
    scl::array<int, 4> a;
    EXPECT_EQ(ThrownBy([&] { a[4] = 0; }), 1);
    EXPECT_EQ(ThrownBy([&] { a[-1] = 0; }), 1);
    a[3] = 9; // inside the storage, beyond the count
    EXPECT_EQ(a.size(), 0);
}

TEST(InlineArray, ClearKeepsElementsButForgetsThem)
{
    scl::array<int, 4> a;
    a.push_back(1);
    a.push_back(2);
    a.clear();
    EXPECT_TRUE(a.empty());
    EXPECT_EQ(a.begin(), a.end());
    a.push_back(3);
    EXPECT_EQ(a[0], 3);
    EXPECT_EQ(a[1], 2);
    EXPECT_EQ((scl::array<int, 4>::capacity()), 4);
}

TEST(InlineArray, BackOfEmptyArrayReports)
{
    scl::array<int, 2> a;
    const auto c = CaptureReports([&] { EXPECT_EQ(&a.back(), &a.m_data[0]); });
    EXPECT_EQ(c.reports, 1u);
}

TEST(OwningArray, DefaultStateHasNoStorage)
{
    scl::parray<int> p;
    EXPECT_EQ(p.m_data, nullptr);
    EXPECT_EQ(p.size(), 0);
    EXPECT_EQ(p.capacity(), 0);
    EXPECT_TRUE(p.m_owner);
    EXPECT_EQ(ThrownBy([&] { p[0]; }), 1);
    const auto c = CaptureReports([&] { EXPECT_FALSE(p.push_back(1)); });
    EXPECT_EQ(c.reports, 1u);
}

TEST(OwningArray, InitValueInitialisesOnce)
{
    scl::parray<int> p;
    p.init(5);
    EXPECT_EQ(p.capacity(), 5);
    EXPECT_EQ(p.size(), 0);
    EXPECT_TRUE(p.m_owner);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(p[i], 0);
    int* storage = p.m_data;
    const auto c = CaptureReports([&] { p.init(10); });
    EXPECT_EQ(c.reports, 1u);
    EXPECT_EQ(ReportField(c.last, "expresion"), "false");
    EXPECT_EQ(ReportField(c.last, "function").find("init") != std::string::npos, true);
    EXPECT_EQ(p.m_data, storage);
    EXPECT_EQ(p.capacity(), 5);
}

TEST(OwningArray, IndexAtOrBeyondCapacityThrowsOne)
{
    scl::parray<int> p;
    p.init(4);
    p.push_back(1);
    p[3] = 7; // beyond the count but inside the capacity
    EXPECT_EQ(p[3], 7);
    EXPECT_EQ(ThrownBy([&] { p[4]; }), 1);
    EXPECT_EQ(ThrownBy([&] { p[100]; }), 1);
    EXPECT_EQ(ThrownBy([&] { p[-1]; }), 1);
    const scl::parray<int>& cp = p;
    EXPECT_EQ(ThrownBy([&] { cp[4]; }), 1);
}

TEST(OwningArray, SetSizeClampsToTheCapacity)
{
    scl::parray<int> p;
    p.init(4);
    p.set_size(10);
    EXPECT_EQ(p.size(), 4);
    p.set_size(-3);
    EXPECT_EQ(p.size(), 0);
    p.set_size(2);
    EXPECT_EQ(p.end() - p.begin(), 2);
    p.clear();
    EXPECT_TRUE(p.empty());
}

TEST(OwningArray, CopyIsABorrowedViewAndMoveTransfersOwnership)
{
    scl::parray<std::string> owner;
    owner.init(2);
    owner.push_back("kept");
    {
        scl::parray<std::string> copy(owner);
        EXPECT_FALSE(copy.m_owner);
        EXPECT_EQ(copy.m_data, owner.m_data);
        scl::parray<std::string> assigned;
        assigned.init(1); // its own storage is freed when it becomes a view
        assigned = owner;
        EXPECT_FALSE(assigned.m_owner);
        EXPECT_EQ(assigned[0], "kept");
    }
    EXPECT_EQ(owner[0], "kept"); // still alive after the copies went away

    scl::parray<std::string> moved(std::move(owner));
    EXPECT_TRUE(moved.m_owner);
    EXPECT_FALSE(owner.m_owner);
    EXPECT_EQ(moved[0], "kept");
    scl::parray<std::string> target;
    target = std::move(moved);
    EXPECT_TRUE(target.m_owner);
    EXPECT_EQ(target[0], "kept");
}

TEST(BorrowedArray, ViewOverExternalStorage)
{
    int storage[3] = {4, 5, 0};
    {
        scl::parray<int> v(storage, 2, 3);
        EXPECT_FALSE(v.m_owner);
        EXPECT_EQ(v.size(), 2);
        EXPECT_TRUE(v.push_back(6));
        const auto c = CaptureReports([&] { EXPECT_FALSE(v.push_back(7)); });
        EXPECT_EQ(c.reports, 1u);
        int sum = 0;
        for (int x : v)
            sum += x;
        EXPECT_EQ(sum, 15);
    }
    EXPECT_EQ(storage[2], 6);
}

} // namespace
