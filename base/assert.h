// Failed-check reporting for the whole program.
//
// SCL_ASSERT(expr) and SCL_ASSERT_MSG(expr, fmt, ...) are expressions of type bool: true when the
// check holds. When it fails they emit a report (file, qualified function, line, expression text
// and optionally a message) to standard error and standard output, stop in the debugger when one
// is attached, and yield false so the call site can take its fallback:
//
//     if (!SCL_ASSERT(p != nullptr))
//         return 0;
//
// Reporting never allocates: every buffer lives on the stack.
#ifndef SCL_BASE_ASSERT_H
#define SCL_BASE_ASSERT_H

#include <cstddef>

namespace scl
{

// Formats the plain report and emits it. Does not stop in the debugger (the macros do that).
void AssertReport(const char* file, const char* function, int line, const char* expression);

// Formats the message (a null format gives an empty one), then the report with the message, and
// emits it.
void AssertReportMessage(const char* file, const char* function, int line, const char* expression,
                         const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 5, 6)))
#endif
    ;

// Test hooks: the number of reports emitted since the program started and the text of the last
// one ("" if none). They only observe; what is emitted does not change.
unsigned long AssertReportCount();
const char* LastAssertReport();

namespace detail
{

// Copies the qualified name of a function (no return type, no parameter list, no template
// argument suffix) out of a compiler signature such as __PRETTY_FUNCTION__ into out, cut to
// outSize - 1 characters and always terminated. Returns the length written.
int QualifiedFunctionName(const char* signature, char* out, int outSize);

// Stops in the debugger when one is attached to the process; otherwise does nothing.
void BreakIfDebugged();

// Back ends of the macros: report under the function name derived from signature, stop in the
// debugger when attached, and return false.
bool AssertFailed(const char* file, const char* signature, int line, const char* expression);
bool AssertFailedMessage(const char* file, const char* signature, int line, const char* expression,
                         const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 5, 6)))
#endif
    ;

// Same as AssertFailed, but reports under a function name given literally.
bool AssertFailedNamed(const char* file, const char* function, int line, const char* expression);

} // namespace detail
} // namespace scl

#if defined(__GNUC__) || defined(__clang__)
#define SCL_FUNCTION_SIGNATURE __PRETTY_FUNCTION__
#else
#define SCL_FUNCTION_SIGNATURE __func__
#endif

#define SCL_ASSERT(expr)                                                                                     \
    (static_cast<bool>(expr)                                                                                 \
         ? true                                                                                              \
         : ::scl::detail::AssertFailed(__FILE__, SCL_FUNCTION_SIGNATURE, __LINE__, #expr))

// The first variadic argument is the printf-style format (may be nullptr), the rest its arguments.
#define SCL_ASSERT_MSG(expr, ...)                                                                            \
    (static_cast<bool>(expr) ? true                                                                          \
                             : ::scl::detail::AssertFailedMessage(__FILE__, SCL_FUNCTION_SIGNATURE,          \
                                                                  __LINE__, #expr, __VA_ARGS__))

#endif // SCL_BASE_ASSERT_H
