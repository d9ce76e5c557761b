#include "base/assert.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#if defined(__linux__)
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace scl
{
namespace
{

constexpr size_t kReportSize = 16384;
constexpr size_t kMessageSize = 4096;
constexpr int kFunctionNameSize = 1024;

const char kPlainFormat[] = "<file: %s>\n<function: %s>\n<line: %d>\n<expresion: %s>\n";
const char kMessageFormat[] = "<file: %s>\n<function: %s>\n<line: %d>\n<expresion: %s>\n<message: %s>\n";

// Observation for tests only; filled after the report has been emitted.
unsigned long g_reportCount = 0;
char g_lastReport[kReportSize] = {};

const char* OrNull(const char* s)
{
    return s != nullptr ? s : "(null)";
}

// Standard error stands in for the debugger output; standard output gets the same text.
void Emit(const char* report)
{
    std::fputs(report, stderr);
    std::fflush(stderr);
    std::printf("%s", report);
    std::fflush(stdout);

    ++g_reportCount;
    std::memcpy(g_lastReport, report, kReportSize);
    g_lastReport[kReportSize - 1] = '\0';
}

void VReportMessage(const char* file, const char* function, int line, const char* expression,
                    const char* format, va_list ap)
{
    char message[kMessageSize] = {};
    if (format != nullptr)
        std::vsnprintf(message, sizeof(message), format, ap);

    char report[kReportSize] = {};
    std::snprintf(report, sizeof(report), kMessageFormat, OrNull(file), OrNull(function), line,
                  OrNull(expression), message);
    Emit(report);
}

bool IsIdentifierChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

} // namespace

void AssertReport(const char* file, const char* function, int line, const char* expression)
{
    char report[kReportSize] = {};
    std::snprintf(report, sizeof(report), kPlainFormat, OrNull(file), OrNull(function), line,
                  OrNull(expression));
    Emit(report);
}

void AssertReportMessage(const char* file, const char* function, int line, const char* expression,
                         const char* format, ...)
{
    va_list ap;
    va_start(ap, format);
    VReportMessage(file, function, line, expression, format, ap);
    va_end(ap);
}

unsigned long AssertReportCount()
{
    return g_reportCount;
}

const char* LastAssertReport()
{
    return g_lastReport;
}

namespace detail
{

int QualifiedFunctionName(const char* signature, char* out, int outSize)
{
    if (out == nullptr || outSize <= 0)
        return 0;
    out[0] = '\0';
    if (signature == nullptr)
        return 0;

    size_t end = std::strlen(signature);

    // Template arguments noted after the signature: " [with T = int]" (GCC) or " [T = int]".
    if (end > 0 && signature[end - 1] == ']')
    {
        int depth = 0;
        size_t i = end;
        while (i > 0)
        {
            --i;
            if (signature[i] == ']')
                ++depth;
            else if (signature[i] == '[' && --depth == 0)
                break;
        }
        if (depth == 0 && i > 0 && signature[i - 1] == ' ')
            end = i - 1;
    }

    // The parameter list is the last parenthesised group; qualifiers such as " const" follow it.
    size_t nameEnd = end;
    size_t close = end;
    while (close > 0 && signature[close - 1] != ')')
        --close;
    if (close > 0)
    {
        int depth = 0;
        size_t i = close;
        while (i > 0)
        {
            --i;
            if (signature[i] == ')')
                ++depth;
            else if (signature[i] == '(' && --depth == 0)
                break;
        }
        if (depth == 0)
            nameEnd = i;
    }

    // Operator names may hold '<', '>', '(' or spaces ("operator<<", "operator()",
    // "operator const char*"): scan from the keyword instead of from the name's end.
    size_t scanFrom = nameEnd;
    const char keyword[] = "operator";
    const size_t keywordLength = sizeof(keyword) - 1;
    for (size_t i = nameEnd; i >= keywordLength; --i)
    {
        const size_t at = i - keywordLength;
        if (std::strncmp(signature + at, keyword, keywordLength) == 0 &&
            (at == 0 || signature[at - 1] == ':' || signature[at - 1] == ' ') &&
            (i == nameEnd || !IsIdentifierChar(signature[i])))
        {
            scanFrom = at;
            break;
        }
    }

    // The name starts after the last space outside template arguments and parentheses.
    size_t start = scanFrom;
    int depth = 0;
    while (start > 0)
    {
        const char c = signature[start - 1];
        if (c == '>' || c == ')')
            ++depth;
        else if (c == '<' || c == '(')
        {
            if (depth == 0)
                break;
            --depth;
        }
        else if (c == ' ' && depth == 0)
            break;
        --start;
    }
    while (start < nameEnd && (signature[start] == '*' || signature[start] == '&'))
        ++start;

    size_t length = nameEnd - start;
    if (length > static_cast<size_t>(outSize - 1))
        length = static_cast<size_t>(outSize - 1);
    std::memcpy(out, signature + start, length);
    out[length] = '\0';
    return static_cast<int>(length);
}

void BreakIfDebugged()
{
#if defined(__linux__)
    // A tracer (debugger) shows up as a non-zero TracerPid; read with plain syscalls so that
    // reporting stays free of heap allocation.
    const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    char status[4096] = {};
    size_t used = 0;
    while (used < sizeof(status) - 1)
    {
        const ssize_t n = ::read(fd, status + used, sizeof(status) - 1 - used);
        if (n <= 0)
            break;
        used += static_cast<size_t>(n);
    }
    ::close(fd);
    const char* tracer = std::strstr(status, "TracerPid:");
    if (tracer == nullptr)
        return;
    tracer += sizeof("TracerPid:") - 1;
    while (*tracer == ' ' || *tracer == '\t')
        ++tracer;
    if (*tracer != '\0' && *tracer != '0')
        std::raise(SIGTRAP);
#endif
}

bool AssertFailed(const char* file, const char* signature, int line, const char* expression)
{
    char function[kFunctionNameSize];
    QualifiedFunctionName(signature, function, kFunctionNameSize);
    AssertReport(file, function, line, expression);
    BreakIfDebugged();
    return false;
}

bool AssertFailedMessage(const char* file, const char* signature, int line, const char* expression,
                         const char* format, ...)
{
    char function[kFunctionNameSize];
    QualifiedFunctionName(signature, function, kFunctionNameSize);
    va_list ap;
    va_start(ap, format);
    VReportMessage(file, function, line, expression, format, ap);
    va_end(ap);
    BreakIfDebugged();
    return false;
}

bool AssertFailedNamed(const char* file, const char* function, int line, const char* expression)
{
    AssertReport(file, function, line, expression);
    BreakIfDebugged();
    return false;
}

} // namespace detail
} // namespace scl
