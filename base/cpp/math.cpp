#include "base/cpp/math.h"

#include <cmath>

#include "base/assert.h"

namespace scl
{

bool Math::IsPrime(int n)
{
    // The bound goes through single precision on purpose: that rounding is part of the rule.
    // n <= 0 gives a bound of 0 (sqrt of a negative is NaN, which must not reach the cast).
    const int find = n > 0 ? static_cast<int>(static_cast<float>(std::sqrt(static_cast<double>(n)))) : 0;
    SCL_ASSERT(find > 0);
    for (int d = 2; d <= find; ++d)
    {
        if (n % d == 0)
            return false;
    }
    return true;
}

int Math::FindPrime(int max)
{
    for (int n = max; n >= 1; --n)
    {
        if (IsPrime(n))
            return n;
    }
    return 0;
}

} // namespace scl
