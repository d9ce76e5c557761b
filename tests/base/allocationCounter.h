// Counts the program's C++ heap allocations, so a test can show that some code makes none.
//
// Linking allocationCounter.cpp into a test executable replaces the global operator new and
// operator delete for the whole program. They live in a file of their own: inlined next to the
// callers of new and delete, the optimiser would pair a new-expression with the free() inside our
// operator delete and report a mismatch that is not there.
#ifndef TESTS_BASE_ALLOCATION_COUNTER_H
#define TESTS_BASE_ALLOCATION_COUNTER_H

namespace scltest
{

// Number of calls of the replaced operator new since the program started (every thread).
long AllocationCount();

} // namespace scltest

#endif // TESTS_BASE_ALLOCATION_COUNTER_H
