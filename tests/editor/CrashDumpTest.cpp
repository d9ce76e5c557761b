// Crash filter: the dump file name, the calendar conversion done inside the handler, and real
// crashes of a child process (crash_child) in a temporary current directory.
#include "editor/CrashDump.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

std::string FileName(const char16_t* name, int year, int month, int day, int hour, int minute, int second,
                     int millisecond)
{
    char buffer[kDumpFileNameCapacity];
    const std::size_t length =
        FormatDumpFileName(buffer, sizeof(buffer), name, year, month, day, hour, minute, second, millisecond);
    EXPECT_EQ(length, std::strlen(buffer));
    return buffer;
}

TEST(DumpFileName, NumbersAreUnpaddedAndUnseparated)
{
    EXPECT_EQ(FileName(u"Tessel", 2010, 3, 5, 8, 7, 9, 45), "Tessel_201035_87945.dmp");
    EXPECT_EQ(FileName(u"Tessel", 2024, 12, 31, 23, 59, 58, 999), "Tessel_20241231_235958999.dmp");
    EXPECT_EQ(FileName(u"Tessel", 2024, 1, 1, 0, 0, 0, 0), "Tessel_202411_0000.dmp");
}

TEST(DumpFileName, DifferentMomentsCanShareAName)
{
    EXPECT_EQ(FileName(u"Tessel", 2011, 11, 1, 10, 0, 0, 0), FileName(u"Tessel", 2011, 1, 11, 10, 0, 0, 0));
    EXPECT_EQ(FileName(u"Tessel", 2011, 11, 1, 10, 0, 0, 0), "Tessel_2011111_10000.dmp");
}

TEST(DumpFileName, NameIsConvertedToUtf8)
{
    EXPECT_EQ(FileName(u"\u8868\u683C", 2020, 2, 29, 1, 2, 3, 4),
              "\xE8\xA1\xA8\xE6\xA0\xBC_2020229_1234.dmp");
    // A character outside the basic plane arrives as a surrogate pair.
    EXPECT_EQ(FileName(u"\U0001F600", 2020, 1, 1, 0, 0, 0, 0), "\xF0\x9F\x98\x80_202011_0000.dmp");
    EXPECT_EQ(FileName(nullptr, 2020, 1, 1, 0, 0, 0, 0), "_202011_0000.dmp");
}

TEST(DumpFileName, TooSmallBufferLeavesItEmpty)
{
    const std::string full = "Tessel_201035_87945.dmp";
    char buffer[64];
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(FormatDumpFileName(buffer, full.size(), u"Tessel", 2010, 3, 5, 8, 7, 9, 45), 0u);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(FormatDumpFileName(buffer, full.size() + 1, u"Tessel", 2010, 3, 5, 8, 7, 9, 45), full.size());
    EXPECT_EQ(std::string(buffer), full);
}

TEST(DumpTimeConversion, AgreesWithTheCLibraryAcrossCenturies)
{
    // Step by a little more than a day so every time of day and every date kind comes up.
    const std::int64_t step = 86400 * 3 + 3607;
    for (std::int64_t t = -2208988800LL; t < 13569465600LL; t += step) // 1900 .. 2400
    {
        const time_t seconds = static_cast<time_t>(t);
        struct tm expected;
        ASSERT_NE(gmtime_r(&seconds, &expected), nullptr);
        const DumpTime got = DumpTimeFromUnixTime(t, 123456789, 0);
        ASSERT_EQ(got.year, expected.tm_year + 1900) << t;
        ASSERT_EQ(got.month, expected.tm_mon + 1) << t;
        ASSERT_EQ(got.day, expected.tm_mday) << t;
        ASSERT_EQ(got.hour, expected.tm_hour) << t;
        ASSERT_EQ(got.minute, expected.tm_min) << t;
        ASSERT_EQ(got.second, expected.tm_sec) << t;
        ASSERT_EQ(got.millisecond, 123) << t;
    }
}

TEST(DumpTimeConversion, LeapDaysAndOffsetsAcrossDayBoundaries)
{
    const DumpTime leap = DumpTimeFromUnixTime(951782400, 0, 0); // 2000-02-29 00:00:00 UTC
    EXPECT_EQ(leap.year, 2000);
    EXPECT_EQ(leap.month, 2);
    EXPECT_EQ(leap.day, 29);

    // 2100 is not a leap year: the day after 28 February is 1 March.
    const DumpTime lastOfFebruary = DumpTimeFromUnixTime(4107456000LL, 0, 0);
    EXPECT_EQ(lastOfFebruary.month, 2);
    EXPECT_EQ(lastOfFebruary.day, 28);
    const DumpTime nextDay = DumpTimeFromUnixTime(4107456000LL + 86400, 0, 0);
    EXPECT_EQ(nextDay.year, 2100);
    EXPECT_EQ(nextDay.month, 3);
    EXPECT_EQ(nextDay.day, 1);

    // 2009-12-31 23:30:00 UTC is already 2010 in Beijing and still 2009 in New York.
    const DumpTime east = DumpTimeFromUnixTime(1262302200, 45000000, 8 * 3600);
    EXPECT_EQ(east.year, 2010);
    EXPECT_EQ(east.month, 1);
    EXPECT_EQ(east.day, 1);
    EXPECT_EQ(east.hour, 7);
    EXPECT_EQ(east.minute, 30);
    EXPECT_EQ(east.millisecond, 45);
    const DumpTime west = DumpTimeFromUnixTime(1262304000 + 3600, 0, -5 * 3600); // 2010-01-01 01:00 UTC
    EXPECT_EQ(west.year, 2009);
    EXPECT_EQ(west.month, 12);
    EXPECT_EQ(west.day, 31);
    EXPECT_EQ(west.hour, 20);
}

// ---- Real crashes --------------------------------------------------------------------------------

class TempDir
{
public:
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "tessel-crash-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        if (!m_path.empty())
            fs::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

struct ChildRun
{
    pid_t pid = -1;
    int status = 0;
    bool finished = false;
    std::string standardError;
    std::int64_t startMs = 0; // wall clock around the run, milliseconds since 1970 UTC
    std::int64_t endMs = 0;
};

std::int64_t WallClockMs()
{
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Runs crash_child <mode> with its current directory in workDir (removed again before the
// program starts when removeWorkDir is set), its standard error captured and core files off.
ChildRun RunChild(const char* mode, const fs::path& workDir, bool removeWorkDir = false)
{
    ChildRun run;
    int errorPipe[2];
    if (pipe2(errorPipe, O_CLOEXEC) != 0)
        return run;
    run.startMs = WallClockMs();
    run.pid = fork();
    if (run.pid == 0)
    {
        dup2(errorPipe[1], STDERR_FILENO);
        struct rlimit noCore = {0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        if (chdir(workDir.c_str()) != 0)
            _exit(120);
        if (removeWorkDir && rmdir(workDir.c_str()) != 0)
            _exit(121);
        execl(TESSEL_CRASH_CHILD, "crash_child", mode, static_cast<char*>(nullptr));
        _exit(122);
    }
    close(errorPipe[1]);
    if (run.pid < 0)
    {
        close(errorPipe[0]);
        return run;
    }

    // Read standard error while waiting; give up (and kill the child) after 60 seconds.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool pipeOpen = true;
    while (!run.finished || pipeOpen)
    {
        if (pipeOpen)
        {
            struct pollfd fd = {errorPipe[0], POLLIN, 0};
            if (poll(&fd, 1, 20) > 0)
            {
                char chunk[1024];
                const ssize_t n = read(errorPipe[0], chunk, sizeof(chunk));
                if (n > 0)
                    run.standardError.append(chunk, static_cast<std::size_t>(n));
                else
                    pipeOpen = false;
            }
        }
        if (!run.finished && waitpid(run.pid, &run.status, WNOHANG) == run.pid)
            run.finished = true;
        if (std::chrono::steady_clock::now() > deadline)
        {
            if (!run.finished)
            {
                kill(run.pid, SIGKILL);
                waitpid(run.pid, &run.status, 0);
            }
            break;
        }
    }
    close(errorPipe[0]);
    run.endMs = WallClockMs();
    return run;
}

std::vector<fs::path> DumpFiles(const fs::path& dir)
{
    static const std::regex kName(R"(^Tessel_\d+_\d+\.dmp$)");
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(dir))
        if (std::regex_match(entry.path().filename().string(), kName))
            found.push_back(entry.path());
    return found;
}

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Every name the filter may have chosen for a moment between the two wall-clock readings.
std::set<std::string> NamesBetween(std::int64_t startMs, std::int64_t endMs)
{
    std::set<std::string> names;
    for (std::int64_t ms = startMs; ms <= endMs; ++ms)
    {
        const time_t seconds = static_cast<time_t>(ms / 1000);
        struct tm local;
        localtime_r(&seconds, &local);
        names.insert(FileName(u"Tessel", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                              local.tm_min, local.tm_sec, static_cast<int>(ms % 1000)));
    }
    return names;
}

bool HasLineMatching(const std::string& text, const std::regex& pattern)
{
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (std::regex_search(line, pattern))
            return true;
    return false;
}

long NumberAfter(const std::string& text, const std::string& label)
{
    const std::size_t at = text.find(label);
    return at == std::string::npos ? -1 : std::strtol(text.c_str() + at + label.size(), nullptr, 10);
}

struct CrashCase
{
    const char* mode;
    int signal;
    const char* signalName;
    std::vector<std::string> mustContain;
};

void PrintTo(const CrashCase& c, std::ostream* os)
{
    *os << c.mode;
}

std::string CaseName(const ::testing::TestParamInfo<CrashCase>& param)
{
    std::string name = param.param.mode;
    for (char& ch : name)
        if (ch == '-')
            ch = '_';
    return name;
}

class CrashDumpCrash : public ::testing::TestWithParam<CrashCase>
{
};

TEST_P(CrashDumpCrash, EndsBySignalLeavingOneCompleteDump)
{
    const CrashCase& c = GetParam();
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());

    const ChildRun run = RunChild(c.mode, dir.path());
    ASSERT_TRUE(run.finished) << "child did not end in time";
    ASSERT_TRUE(WIFSIGNALED(run.status)) << "exit status " << run.status << "\n" << run.standardError;
    EXPECT_EQ(WTERMSIG(run.status), c.signal);

    const std::vector<fs::path> dumps = DumpFiles(dir.path());
    ASSERT_EQ(dumps.size(), 1u) << "files in the directory: "
                                << std::distance(fs::directory_iterator(dir.path()), {});
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
    const std::string name = dumps[0].filename().string();
    EXPECT_EQ(NamesBetween(run.startMs, run.endMs).count(name), 1u)
        << name << " is not a local time of the run";

    const std::string report = ReadAll(dumps[0]);
    EXPECT_NE(report.find("signal: " + std::to_string(c.signal) + " " + c.signalName + "\n"),
              std::string::npos)
        << report;
    EXPECT_EQ(NumberAfter(report, "process id: "), static_cast<long>(run.pid)) << report;
    EXPECT_GT(NumberAfter(report, "thread id: "), 0) << report;
    EXPECT_NE(report.find("\nbacktrace:\n"), std::string::npos);
    // backtrace_symbols_fd lines: "module(symbol+offset) [address]" with the child's own frames.
    EXPECT_TRUE(HasLineMatching(report, std::regex(R"(crash_child\(.*\) ?\[0x[0-9a-f]+\])"))) << report;
    EXPECT_TRUE(
        HasLineMatching(report, std::regex(R"(^[0-9a-f]+-[0-9a-f]+ [-r][-w][-x][ps] .*crash_child$)")))
        << report;
    for (const std::string& text : c.mustContain)
        EXPECT_NE(report.find(text), std::string::npos) << "missing \"" << text << "\" in\n" << report;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, CrashDumpCrash,
    ::testing::Values(CrashCase{"segv",
                                SIGSEGV,
                                "SIGSEGV",
                                {"signal code: 1 SEGV_MAPERR", "fault address: 0x0000000000000000",
                                 "crashWithSegv"}},
                      CrashCase{"abort", SIGABRT, "SIGABRT", {"sent by process: "}},
                      CrashCase{"fpe", SIGFPE, "SIGFPE", {"FPE_INTDIV", "divideByZero"}},
                      CrashCase{"ill", SIGILL, "SIGILL", {"ILL_"}},
                      CrashCase{"throw",
                                SIGABRT,
                                "SIGABRT",
                                {"uncaught exception: std::runtime_error\n", "what(): child exploded\n",
                                 "throwRuntimeError"}},
                      CrashCase{"throw-int", SIGABRT, "SIGABRT", {"uncaught exception: int\n", "throwInt"}},
                      CrashCase{"overflow", SIGSEGV, "SIGSEGV", {"recurseForever"}},
                      CrashCase{"thread", SIGSEGV, "SIGSEGV", {"crashWithSegv"}},
                      CrashCase{"twice", SIGSEGV, "SIGSEGV", {"crashWithSegv"}}),
    CaseName);

TEST(CrashDumpFilterTest, ReportsTheFailingThreadNotTheMainOne)
{
    TempDir dir;
    const ChildRun run = RunChild("thread", dir.path());
    ASSERT_TRUE(run.finished);
    const std::vector<fs::path> dumps = DumpFiles(dir.path());
    ASSERT_EQ(dumps.size(), 1u);
    const std::string report = ReadAll(dumps[0]);
    const long thread = NumberAfter(report, "thread id: ");
    EXPECT_GT(thread, 0);
    EXPECT_NE(thread, static_cast<long>(run.pid)) << report;
}

TEST(CrashDumpFilterTest, FilterReturnsZeroAndLetsTheCallerGoOn)
{
    TempDir dir;
    const ChildRun run = RunChild("filter", dir.path());
    ASSERT_TRUE(run.finished);
    ASSERT_TRUE(WIFEXITED(run.status)) << run.status;
    EXPECT_EQ(WEXITSTATUS(run.status), 0);
    const std::vector<fs::path> dumps = DumpFiles(dir.path());
    ASSERT_EQ(dumps.size(), 1u);
    const std::string report = ReadAll(dumps[0]);
    EXPECT_NE(report.find("signal: 11 SIGSEGV\n"), std::string::npos) << report;
    EXPECT_NE(report.find("fault address: 0x0000000000000010\n"), std::string::npos) << report;
    EXPECT_EQ(report.find("uncaught exception"), std::string::npos) << report;
}

TEST(CrashDumpFilterTest, UncreatableFileIsReportedAndTheSignalStillEndsTheProcess)
{
    TempDir parent;
    const fs::path gone = parent.path() / "gone";

    // Root may write anywhere, but nobody can create a file in a directory that no longer exists.
    for (const char* mode : {"segv", "throw"})
    {
        ASSERT_TRUE(fs::create_directory(gone)) << mode;
        const ChildRun run = RunChild(mode, gone, true);
        ASSERT_TRUE(run.finished) << mode;
        ASSERT_TRUE(WIFSIGNALED(run.status)) << mode << " status " << run.status;
        EXPECT_EQ(WTERMSIG(run.status), std::strcmp(mode, "segv") == 0 ? SIGSEGV : SIGABRT) << mode;
        EXPECT_NE(run.standardError.find("Tessel: can't create dump file!\n"), std::string::npos)
            << mode << ": " << run.standardError;
        EXPECT_FALSE(fs::exists(gone)) << mode;
    }
    EXPECT_TRUE(fs::is_empty(parent.path()));
}

} // namespace
