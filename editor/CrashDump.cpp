#include "editor/CrashDump.h"

#include <cxxabi.h>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <typeinfo>

char16_t g_programName[32];

namespace
{

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kMaxFrames = 128;

std::atomic<bool> g_installed{false};
// Thread id of the thread writing a report; 0 while none is. Lock-free, so usable in a handler.
std::atomic<long> g_reportingThread{0};
static_assert(std::atomic<long>::is_always_lock_free, "the filter needs a lock-free flag");

// Offset of local time from UTC, captured outside the handler (localtime_r is not signal-safe).
volatile long g_utcOffsetSeconds = 0;

// Own stack for the handler, so that a stack overflow can still be reported.
alignas(16) char g_alternateStack[128 * 1024];

// The uncaught exception, described by the terminate handler before it aborts.
char g_exceptionType[256];
char g_exceptionWhat[1024];
volatile std::sig_atomic_t g_haveException = 0;

long CurrentThreadId()
{
    return static_cast<long>(::syscall(SYS_gettid));
}

void CopyText(char* target, std::size_t capacity, const char* source)
{
    std::size_t i = 0;
    for (; source && source[i] && i + 1 < capacity; ++i)
        target[i] = source[i];
    target[i] = '\0';
}

// Unsigned decimal text of value into out (at least 21 bytes); returns its length.
std::size_t DecimalText(unsigned long long value, char* out)
{
    char reversed[24];
    std::size_t n = 0;
    do
    {
        reversed[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = reversed[n - 1 - i];
    return n;
}

// Appends text to a bounded buffer; clears the fit flag when something does not fit.
struct BoundedText
{
    char* buffer;
    std::size_t capacity;
    std::size_t length;
    bool fits;

    void byte(char c)
    {
        if (length + 1 < capacity)
            buffer[length++] = c;
        else
            fits = false;
    }
    void signedNumber(long long value)
    {
        unsigned long long magnitude = static_cast<unsigned long long>(value);
        if (value < 0)
        {
            byte('-');
            magnitude = 0ULL - magnitude;
        }
        char digits[24];
        const std::size_t n = DecimalText(magnitude, digits);
        for (std::size_t i = 0; i < n; ++i)
            byte(digits[i]);
    }
    void utf16(const char16_t* text)
    {
        for (std::size_t i = 0; text && text[i]; ++i)
        {
            char32_t c = text[i];
            if (c >= 0xD800 && c <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
                c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
            else if (c >= 0xD800 && c <= 0xDFFF)
                c = 0xFFFD; // an unpaired surrogate has no UTF-8 form
            if (c < 0x80)
                byte(static_cast<char>(c));
            else if (c < 0x800)
            {
                byte(static_cast<char>(0xC0 | (c >> 6)));
                byte(static_cast<char>(0x80 | (c & 0x3F)));
            }
            else if (c < 0x10000)
            {
                byte(static_cast<char>(0xE0 | (c >> 12)));
                byte(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
                byte(static_cast<char>(0x80 | (c & 0x3F)));
            }
            else
            {
                byte(static_cast<char>(0xF0 | (c >> 18)));
                byte(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
                byte(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
                byte(static_cast<char>(0x80 | (c & 0x3F)));
            }
        }
    }
};

void WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0)
    {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

// Buffered report output over a file descriptor, with its own number formatting.
class ReportWriter
{
public:
    explicit ReportWriter(int fd) : m_fd(fd) {}
    ~ReportWriter() { flush(); }
    ReportWriter(const ReportWriter&) = delete;
    ReportWriter& operator=(const ReportWriter&) = delete;

    ReportWriter& text(const char* s)
    {
        while (s && *s)
            put(*s++);
        return *this;
    }
    ReportWriter& number(long long value)
    {
        char digits[24];
        if (value < 0)
            put('-');
        const unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                                       : static_cast<unsigned long long>(value);
        const std::size_t n = DecimalText(magnitude, digits);
        for (std::size_t i = 0; i < n; ++i)
            put(digits[i]);
        return *this;
    }
    // Fixed-width decimal, zero-padded (for the readable time line only).
    ReportWriter& padded(long long value, int width)
    {
        long long limit = 1;
        for (int i = 1; i < width; ++i)
            limit *= 10;
        for (; limit > 1 && value < limit; limit /= 10)
            put('0');
        return number(value);
    }
    ReportWriter& hex(std::uintptr_t value)
    {
        static const char kDigits[] = "0123456789abcdef";
        put('0');
        put('x');
        for (int shift = static_cast<int>(sizeof(value) * 8) - 4; shift >= 0; shift -= 4)
            put(kDigits[(value >> shift) & 0xF]);
        return *this;
    }
    void flush()
    {
        WriteAll(m_fd, m_buffer, m_length);
        m_length = 0;
    }

private:
    void put(char c)
    {
        if (m_length == sizeof(m_buffer))
            flush();
        m_buffer[m_length++] = c;
    }

    int m_fd;
    std::size_t m_length = 0;
    char m_buffer[512];
};

const char* SignalName(int signalNumber)
{
    switch (signalNumber)
    {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "signal";
    }
}

const char* SignalCodeName(int signalNumber, int code)
{
    switch (code)
    {
    case SI_USER:
        return "SI_USER";
    case SI_QUEUE:
        return "SI_QUEUE";
    case SI_TKILL:
        return "SI_TKILL";
    case SI_KERNEL:
        return "SI_KERNEL";
    default:
        break;
    }
    switch (signalNumber)
    {
    case SIGSEGV:
        return code == SEGV_MAPERR ? "SEGV_MAPERR" : code == SEGV_ACCERR ? "SEGV_ACCERR" : "";
    case SIGBUS:
        return code == BUS_ADRALN   ? "BUS_ADRALN"
               : code == BUS_ADRERR ? "BUS_ADRERR"
               : code == BUS_OBJERR ? "BUS_OBJERR"
                                    : "";
    case SIGFPE:
        switch (code)
        {
        case FPE_INTDIV:
            return "FPE_INTDIV";
        case FPE_INTOVF:
            return "FPE_INTOVF";
        case FPE_FLTDIV:
            return "FPE_FLTDIV";
        case FPE_FLTOVF:
            return "FPE_FLTOVF";
        case FPE_FLTUND:
            return "FPE_FLTUND";
        case FPE_FLTRES:
            return "FPE_FLTRES";
        case FPE_FLTINV:
            return "FPE_FLTINV";
        default:
            return "";
        }
    case SIGILL:
        switch (code)
        {
        case ILL_ILLOPC:
            return "ILL_ILLOPC";
        case ILL_ILLOPN:
            return "ILL_ILLOPN";
        case ILL_ILLADR:
            return "ILL_ILLADR";
        case ILL_PRVOPC:
            return "ILL_PRVOPC";
        default:
            return "";
        }
    default:
        return "";
    }
}

std::uintptr_t InstructionPointer(const void* context)
{
    if (!context)
        return 0;
    const auto* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
    return static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__i386__)
    return static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_EIP]);
#elif defined(__aarch64__)
    return static_cast<std::uintptr_t>(uc->uc_mcontext.pc);
#else
    (void)uc;
    return 0;
#endif
}

void CopyModuleMap(ReportWriter& out, int fd)
{
    out.text("\nmodule map (/proc/self/maps):\n");
    out.flush();
    const int maps = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (maps < 0)
    {
        out.text("(not readable)\n");
        return;
    }
    char chunk[4096];
    for (;;)
    {
        const ssize_t n = ::read(maps, chunk, sizeof(chunk));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        WriteAll(fd, chunk, static_cast<std::size_t>(n));
    }
    ::close(maps);
}

// Past the frame of the interrupted instruction, every frame is a return address: the instruction
// after a call. A call that does not return (a throw, abort()) can be the last instruction of its
// function; its return address then lies already in the next function, or in none, and the frame
// would be named wrongly. Those frames are moved back by one byte, into the call instruction,
// which always belongs to the caller. The handler's own frames, up to and including the
// interrupted instruction, stay as they are; so does every frame when that one is unknown.
void PointCallersAtTheirCalls(void** frames, int count, std::uintptr_t interrupted)
{
    if (interrupted == 0)
        return;
    int i = 0;
    while (i < count && reinterpret_cast<std::uintptr_t>(frames[i]) != interrupted)
        ++i;
    for (++i; i < count; ++i)
        if (frames[i])
            frames[i] = static_cast<char*>(frames[i]) - 1;
}

void WriteReport(int fd, int signalNumber, const siginfo_t* info, const void* context, const DumpTime& time)
{
    ReportWriter out(fd);
    out.text("Tessel crash report\n");
    out.text("program: ");
    {
        char name[sizeof(g_programName) * 3 + 1];
        BoundedText text{name, sizeof(name), 0, true};
        text.utf16(g_programName);
        name[text.length] = '\0';
        out.text(name).text("\n");
    }
    out.text("local time: ")
        .padded(time.year, 4)
        .text("-")
        .padded(time.month, 2)
        .text("-")
        .padded(time.day, 2)
        .text(" ")
        .padded(time.hour, 2)
        .text(":")
        .padded(time.minute, 2)
        .text(":")
        .padded(time.second, 2)
        .text(".")
        .padded(time.millisecond, 3)
        .text("\n");
    out.text("signal: ").number(signalNumber).text(" ").text(SignalName(signalNumber)).text("\n");
    if (info)
    {
        out.text("signal code: ").number(info->si_code);
        const char* codeName = SignalCodeName(signalNumber, info->si_code);
        if (*codeName)
            out.text(" ").text(codeName);
        out.text("\n");
        if (info->si_code > 0 && signalNumber != SIGABRT)
            out.text("fault address: ").hex(reinterpret_cast<std::uintptr_t>(info->si_addr)).text("\n");
        else
            out.text("sent by process: ").number(info->si_pid).text("\n");
    }
    if (const std::uintptr_t ip = InstructionPointer(context))
        out.text("instruction pointer: ").hex(ip).text("\n");
    out.text("process id: ").number(::getpid()).text("\n");
    out.text("thread id: ").number(CurrentThreadId()).text("\n");
    if (g_haveException)
    {
        out.text("uncaught exception: ").text(g_exceptionType).text("\n");
        if (g_exceptionWhat[0])
            out.text("what(): ").text(g_exceptionWhat).text("\n");
    }

    out.text("\nbacktrace:\n");
    out.flush();
    void* frames[kMaxFrames];
    const int frameCount = ::backtrace(frames, kMaxFrames);
    PointCallersAtTheirCalls(frames, frameCount, InstructionPointer(context));
    ::backtrace_symbols_fd(frames, frameCount, fd);

    CopyModuleMap(out, fd);
}

void CaptureUtcOffset()
{
    const time_t now = ::time(nullptr);
    struct tm local;
    if (::localtime_r(&now, &local))
        g_utcOffsetSeconds = local.tm_gmtoff;
}

void ReportCannotCreate()
{
    char message[sizeof(g_programName) * 3 + 64];
    BoundedText text{message, sizeof(message), 0, true};
    text.utf16(g_programName);
    for (const char* s = ": can't create dump file!\n"; *s; ++s)
        text.byte(*s);
    WriteAll(STDERR_FILENO, message, text.length);
}

void RestoreDefaultAndRaise(int signalNumber)
{
    struct sigaction action;
    std::memset(&action, 0, sizeof(action));
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signalNumber, &action, nullptr);
    // Pending until the handler returns (the signal is blocked while it runs); then the default
    // action ends the process by this signal, whether the fault would repeat or not.
    ::raise(signalNumber);
}

void OnFatalSignal(int signalNumber, siginfo_t* info, void* context)
{
    const int savedErrno = errno;
    const long self = CurrentThreadId();
    long expected = 0;
    if (g_reportingThread.compare_exchange_strong(expected, self))
    {
        CrashDumpFilter(signalNumber, info, context);
    }
    else if (expected != self)
    {
        // Another thread is writing its report; let it finish (its re-raise ends the process),
        // but never wait for ever.
        for (int i = 0; i < 100 && g_reportingThread.load() != 0; ++i)
        {
            struct timespec pause = {0, 50 * 1000 * 1000};
            ::nanosleep(&pause, nullptr);
        }
    }
    // A fault inside the filter itself (expected == self) goes straight to the default action.
    RestoreDefaultAndRaise(signalNumber);
    errno = savedErrno;
}

[[noreturn]] void OnTerminate()
{
    if (const std::type_info* type = abi::__cxa_current_exception_type())
    {
        int status = 0;
        char* demangled = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
        CopyText(g_exceptionType, sizeof(g_exceptionType),
                 status == 0 && demangled ? demangled : type->name());
        std::free(demangled);
        try
        {
            throw;
        }
        catch (const std::exception& e)
        {
            CopyText(g_exceptionWhat, sizeof(g_exceptionWhat), e.what());
        }
        catch (...)
        {
        }
    }
    else
    {
        CopyText(g_exceptionType, sizeof(g_exceptionType),
                 "none (std::terminate called without an active exception)");
    }
    g_haveException = 1;
    CaptureUtcOffset(); // still outside a signal handler: refresh for a daylight saving change
    // The abort raises SIGABRT, whose handler writes the one report, naming the exception.
    std::abort();
}

} // namespace

std::size_t FormatDumpFileName(char* buffer, std::size_t capacity, const char16_t* name, int year, int month,
                               int day, int hour, int minute, int second, int millisecond)
{
    if (!buffer || capacity == 0)
        return 0;
    BoundedText text{buffer, capacity, 0, true};
    text.utf16(name);
    text.byte('_');
    text.signedNumber(year);
    text.signedNumber(month);
    text.signedNumber(day);
    text.byte('_');
    text.signedNumber(hour);
    text.signedNumber(minute);
    text.signedNumber(second);
    text.signedNumber(millisecond);
    for (const char* s = ".dmp"; *s; ++s)
        text.byte(*s);
    if (!text.fits)
    {
        buffer[0] = '\0';
        return 0;
    }
    buffer[text.length] = '\0';
    return text.length;
}

DumpTime DumpTimeFromUnixTime(std::int64_t seconds, long nanoseconds, long utcOffsetSeconds)
{
    std::int64_t local = seconds + utcOffsetSeconds;
    if (nanoseconds < 0)
    {
        const long borrow = (-nanoseconds + 999999999L) / 1000000000L;
        local -= borrow;
        nanoseconds += borrow * 1000000000L;
    }
    local += nanoseconds / 1000000000L;
    nanoseconds %= 1000000000L;

    std::int64_t days = local / 86400;
    std::int64_t secondOfDay = local % 86400;
    if (secondOfDay < 0)
    {
        secondOfDay += 86400;
        --days;
    }

    // Days since 1970-01-01 to a Gregorian date, counted in 400-year eras starting 0000-03-01.
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;
    const std::int64_t month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);

    DumpTime time;
    time.year = static_cast<int>(year);
    time.month = static_cast<int>(month);
    time.day = static_cast<int>(day);
    time.hour = static_cast<int>(secondOfDay / 3600);
    time.minute = static_cast<int>(secondOfDay / 60 % 60);
    time.second = static_cast<int>(secondOfDay % 60);
    time.millisecond = static_cast<int>(nanoseconds / 1000000L);
    return time;
}

int CrashDumpFilter(int signalNumber, siginfo_t* info, void* context)
{
    struct timespec now = {0, 0};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const DumpTime time = DumpTimeFromUnixTime(now.tv_sec, now.tv_nsec, g_utcOffsetSeconds);

    char fileName[kDumpFileNameCapacity];
    FormatDumpFileName(fileName, sizeof(fileName), g_programName, time.year, time.month, time.day, time.hour,
                       time.minute, time.second, time.millisecond);

    const int fd = fileName[0] ? ::open(fileName, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
    if (fd < 0)
    {
        ReportCannotCreate();
        return 0;
    }
    WriteReport(fd, signalNumber, info, context, time);
    ::close(fd);
    return 0;
}

bool InstallCrashDumpFilter()
{
    if (g_installed.exchange(true))
        return false;

    static const char16_t kName[] = u"Tessel";
    static_assert(sizeof(kName) <= sizeof(g_programName), "program name too long");
    std::memcpy(g_programName, kName, sizeof(kName));

    CaptureUtcOffset();

    // The first backtrace() loads the unwinder library, which must not happen inside a handler.
    void* frames[4];
    ::backtrace(frames, 4);

    // Keep an alternate stack that is already there (a sanitizer's, for instance).
    stack_t current;
    if (::sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE))
    {
        stack_t stack;
        stack.ss_sp = g_alternateStack;
        stack.ss_size = sizeof(g_alternateStack);
        stack.ss_flags = 0;
        ::sigaltstack(&stack, nullptr);
    }

    struct sigaction action;
    std::memset(&action, 0, sizeof(action));
    action.sa_sigaction = OnFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_RESETHAND | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : kFatalSignals)
        ::sigaction(signalNumber, &action, nullptr);

    std::set_terminate(OnTerminate);
    return true;
}
