// The prime test and the prime search that sizes hash tables.
#include <climits>
#include <vector>

#include <gtest/gtest.h>

#include "base/cpp/math.h"
#include "reportCapture.h"

using scltest::CaptureReports;
using scltest::ReportField;

namespace
{

TEST(MathIsPrime, SmallValues)
{
    EXPECT_TRUE(scl::Math::IsPrime(1));
    EXPECT_TRUE(scl::Math::IsPrime(2));
    EXPECT_TRUE(scl::Math::IsPrime(3));
    EXPECT_FALSE(scl::Math::IsPrime(4));
    EXPECT_TRUE(scl::Math::IsPrime(5));
    EXPECT_FALSE(scl::Math::IsPrime(9));
    EXPECT_FALSE(scl::Math::IsPrime(25));
    EXPECT_FALSE(scl::Math::IsPrime(49));
    EXPECT_TRUE(scl::Math::IsPrime(251));
    EXPECT_FALSE(scl::Math::IsPrime(253)); // 11 * 23
}

TEST(MathIsPrime, LargeValues)
{
    EXPECT_TRUE(scl::Math::IsPrime(INT_MAX));        // 2^31 - 1 is prime
    EXPECT_FALSE(scl::Math::IsPrime(INT_MAX - 1));   // even
    EXPECT_FALSE(scl::Math::IsPrime(46337 * 46337)); // square of a prime near the bound
    EXPECT_FALSE(scl::Math::IsPrime(65521 * 32749)); // both factors prime, product below 2^31
}

TEST(MathIsPrime, AgreesWithASieveUpTo20000)
{
    const int limit = 20000;
    std::vector<bool> composite(limit + 1, false);
    for (int i = 2; i * i <= limit; ++i)
    {
        if (composite[i])
            continue;
        for (int j = i * i; j <= limit; j += i)
            composite[j] = true;
    }
    for (int n = 1; n <= limit; ++n)
        ASSERT_EQ(scl::Math::IsPrime(n), !composite[n]) << n;
}

TEST(MathIsPrime, NonPositiveReportsFindAboveZero)
{
    for (int n : {0, -1, -7, INT_MIN})
    {
        bool result = false;
        const auto c = CaptureReports([&] { result = scl::Math::IsPrime(n); });
        EXPECT_EQ(c.reports, 1u) << n;
        EXPECT_EQ(ReportField(c.last, "expresion"), "find > 0") << n;
        EXPECT_EQ(ReportField(c.last, "function"), "scl::Math::IsPrime") << n;
        // No divisor is tested, so the answer is "prime".
        EXPECT_TRUE(result) << n;
    }
}

TEST(MathFindPrime, LargestPrimeNotAboveMax)
{
    EXPECT_EQ(scl::Math::FindPrime(256), 251);
    EXPECT_EQ(scl::Math::FindPrime(251), 251);
    EXPECT_EQ(scl::Math::FindPrime(250), 241);
    EXPECT_EQ(scl::Math::FindPrime(100), 97);
    EXPECT_EQ(scl::Math::FindPrime(2), 2);
    EXPECT_EQ(scl::Math::FindPrime(1), 1);
}

TEST(MathFindPrime, NothingBelowOne)
{
    for (int max : {0, -5})
    {
        int result = -1;
        const auto c = CaptureReports([&] { result = scl::Math::FindPrime(max); });
        EXPECT_EQ(result, 0);
        EXPECT_EQ(c.reports, 0u);
    }
}

} // namespace
