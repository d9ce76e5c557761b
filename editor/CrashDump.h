// Crash filter: when the process dies of a fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT)
// or of a C++ exception that nobody caught, a report is written into the current directory under
// the name "<program>_<date>_<time>.dmp" (local time, numbers without padding), and the process
// then ends by the same signal as it would have without the filter.
//
// The report holds what a developer needs to find the fault: the signal (number, name, code,
// fault address, instruction pointer) or the uncaught exception (type and what()), the process
// and thread ids, the local time, a symbolised backtrace and the module map (/proc/self/maps).
// Below the interrupted instruction, the backtrace shows each caller at its call instruction (the
// return address minus one), so that a call ending its function is credited to that function.
//
// Everything that runs after the fault is async-signal-safe: no allocation, no stdio, no locale;
// the UTC offset and the unwinder library are prepared when the filter is installed. A report
// that cannot be created makes the message "can't create dump file!" on standard error.
//
// Limits: the alternate signal stack (which lets a stack overflow be reported) belongs to the
// thread that installs the filter; the UTC offset is the one in force at installation (a daylight
// saving change later on shifts the hour of the name).
#ifndef TESSEL_EDITOR_CRASHDUMP_H
#define TESSEL_EDITOR_CRASHDUMP_H

#include <signal.h>

#include <cstddef>
#include <cstdint>

// The program's name: prefix of every dump file name and of the filter's messages. Written once,
// with "Tessel", by InstallCrashDumpFilter.
extern char16_t g_programName[32];

// Capacity of a dump file name buffer in bytes (UTF-8), terminating NUL included.
constexpr std::size_t kDumpFileNameCapacity = 260;

// A local calendar time, as the dump file name shows it (month and day from 1).
struct DumpTime
{
    int year;
    int month;
    int day;
    int hour;
    int minute;
    int second;
    int millisecond;
};

// Formats "<name>_<year><month><day>_<hour><minute><second><millisecond>.dmp" into buffer: the
// name converted from UTF-16 to UTF-8, every number in plain decimal without padding (so
// 5 March 2010 08:07:09.045 gives "Tessel_201035_87945.dmp"). Returns the length written without
// the terminating NUL; when the result does not fit into capacity bytes, the buffer is left
// empty and 0 is returned. A null name counts as empty. Async-signal-safe.
std::size_t FormatDumpFileName(char* buffer, std::size_t capacity, const char16_t* name, int year, int month,
                               int day, int hour, int minute, int second, int millisecond);

// The calendar time of a moment given as seconds and nanoseconds since 1970-01-01 00:00:00 UTC,
// shifted by utcOffsetSeconds (east of Greenwich positive). Proleptic Gregorian calendar.
// Async-signal-safe.
DumpTime DumpTimeFromUnixTime(std::int64_t seconds, long nanoseconds, long utcOffsetSeconds);

// The filter: writes the report for signalNumber (info and context as a SA_SIGINFO handler gets
// them; either may be null) into the dump file named after g_programName and the current local
// time. Returns 0, always, like a filter that lets the default handling go on: the installed
// signal handler then restores the default action and raises the signal again. The report also
// names the uncaught exception when the filter runs for the abort that follows one.
int CrashDumpFilter(int signalNumber, siginfo_t* info, void* context);

// Installs the filter for the fatal signals and as the terminate handler, writes g_programName
// and prepares what the filter needs after a fault. Only the first call in a process installs;
// it returns true, later calls change nothing and return false.
bool InstallCrashDumpFilter();

#endif // TESSEL_EDITOR_CRASHDUMP_H
