// Helper process for the crash filter tests: installs the filter, then fails in the way its
// argument names. Run by CrashDumpTest in a temporary current directory.
//
//   segv, abort, fpe, ill    the signal of that name
//   throw                    an uncaught std::runtime_error("child exploded")
//   throw-int                an uncaught int (the one value the data model throws)
//   overflow                 endless recursion until the stack runs out
//   thread                   SIGSEGV on a second thread
//   twice                    installs a second time (must change nothing), then SIGSEGV
//   filter                   calls the filter directly and exits with 0 when it returned 0
#include "editor/CrashDump.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

// The faults must reach the process as signals, not be caught first by a sanitizer's check.
#if defined(__clang__) || defined(__GNUC__)
#define CRASH_CHILD_UNCHECKED __attribute__((noinline, no_sanitize("undefined")))
#else
#define CRASH_CHILD_UNCHECKED
#endif

namespace crashchild
{

volatile int* volatile g_nullPointer = nullptr;
volatile int g_zero = 0;
volatile int g_neverReached = -1;

// Not static: the functions must be exported so that the backtrace can name them.
CRASH_CHILD_UNCHECKED void crashWithSegv()
{
    *g_nullPointer = 42;
}

CRASH_CHILD_UNCHECKED int divideByZero(int numerator)
{
    return numerator / g_zero;
}

__attribute__((noinline)) void throwRuntimeError()
{
    throw std::runtime_error("child exploded");
}

// The throw is the function's last instruction in every build type, so the return address the
// backtrace holds lies past the function's end: the report must still name this function.
__attribute__((noinline)) int throwInt(int value)
{
    throw value;
}

__attribute__((noinline)) int recurseForever(int depth)
{
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    if (depth == g_neverReached)
        return 0;
    return recurseForever(depth + 1) + frame[0];
}

} // namespace crashchild

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: crash_child <mode>\n");
        return 2;
    }
    if (!InstallCrashDumpFilter())
        return 3;
    const char* mode = argv[1];

    if (std::strcmp(mode, "segv") == 0)
        crashchild::crashWithSegv();
    else if (std::strcmp(mode, "abort") == 0)
        std::abort();
    else if (std::strcmp(mode, "fpe") == 0)
        std::printf("%d\n", crashchild::divideByZero(7));
    else if (std::strcmp(mode, "ill") == 0)
        __builtin_trap();
    else if (std::strcmp(mode, "throw") == 0)
        crashchild::throwRuntimeError();
    else if (std::strcmp(mode, "throw-int") == 0)
        std::printf("%d\n", crashchild::throwInt(1));
    else if (std::strcmp(mode, "overflow") == 0)
        std::printf("%d\n", crashchild::recurseForever(0));
    else if (std::strcmp(mode, "thread") == 0)
    {
        std::thread worker(crashchild::crashWithSegv);
        worker.join();
    }
    else if (std::strcmp(mode, "twice") == 0)
    {
        if (InstallCrashDumpFilter())
            return 4;
        crashchild::crashWithSegv();
    }
    else if (std::strcmp(mode, "filter") == 0)
    {
        siginfo_t info;
        std::memset(&info, 0, sizeof(info));
        info.si_signo = SIGSEGV;
        info.si_code = SEGV_MAPERR;
        info.si_addr = reinterpret_cast<void*>(0x10);
        return CrashDumpFilter(SIGSEGV, &info, nullptr) == 0 ? 0 : 5;
    }
    else
    {
        std::fprintf(stderr, "crash_child: unknown mode %s\n", mode);
        return 2;
    }
    return 6; // the failure did not end the process
}
