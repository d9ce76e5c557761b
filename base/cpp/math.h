// Prime search used to size hash tables.
#ifndef SCL_BASE_CPP_MATH_H
#define SCL_BASE_CPP_MATH_H

namespace scl
{

struct Math
{
    // Trial division up to the square root (as single precision, truncated). 1, 2 and 3 count
    // as prime; n <= 0 is a failed check and then counts as prime too.
    static bool IsPrime(int n);
    // The largest n in [1, max] for which IsPrime holds, 0 if there is none.
    static int FindPrime(int max);
};

} // namespace scl

#endif // SCL_BASE_CPP_MATH_H
