// bench_tessel: Tessel's own load and save of a data directory, through the real code (TableList,
// Table, TableSerializer), as the editor's start-up and its Save command run them.
//
//   bench_tessel DIR [--load-reps N] [--save-reps N] [--rows R]
//
// Each kind of measurement starts with one warm-up repetition that is not counted (on a virtual
// machine the first touch of memory the host has taken back costs far more than the load itself).
// Load: every repetition runs in a fresh child process (fork), so that each is the first load of a
// process, as at start-up -- no memory freed by an earlier load is reused. It times initIndex +
// loadTableList and takes the rise of the peak resident memory (VmHWM, reset before the load)
// over the resident memory before it.
// Save: one child process loads once and then times, per repetition, the rows serialised and
// written alone (header and rows of every table through TableSerializer into a scratch file,
// closed but not flushed to disk) and the whole durable saveAll (written to a temporary file,
// flushed to disk, renamed over the data file); the difference is the cost of the durable
// replace. After the first save every data file must hold exactly the bytes it held before.
// --rows R makes a load that does not give exactly R rows in total (or reports anything) an error.
//
// Prints one JSON object:
//   {"tables": T, "rows": R, "data_bytes": B, "load_ms": [...], "peak_bytes": [...],
//    "save_ms": [...], "write_ms": [...], "save_identical": true}
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/string.h"
#include "tool/tableSerializer.h"
#include "tool/tables.h"

namespace
{

double Ms(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// A "VmXXX:" value of /proc/self/status in bytes; 0 when unknown.
long long StatusBytes(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
    {
        if (line.compare(0, std::strlen(key), key) == 0)
            return std::atoll(line.c_str() + std::strlen(key)) * 1024;
    }
    return 0;
}

struct Usage
{
    double userMs;
    double systemMs;
    long faults; // minor and major page faults
};

Usage GetUsage()
{
    struct rusage u;
    ::getrusage(RUSAGE_SELF, &u);
    return Usage{u.ru_utime.tv_sec * 1e3 + u.ru_utime.tv_usec / 1e3,
                 u.ru_stime.tv_sec * 1e3 + u.ru_stime.tv_usec / 1e3, u.ru_minflt + u.ru_majflt};
}

// Resets the peak resident size (VmHWM) to the current one.
void ResetPeak()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

struct Loaded
{
    int tables = 0;
    long long rows = 0;
    std::string problem; // empty when the directory loaded cleanly
};

Loaded LoadAll(long long expectedRows)
{
    TableList& list = *TableList::instance();
    list.initIndex();
    list.loadTableList();
    Loaded loaded;
    loaded.tables = list.count();
    for (int i = 0; i < list.count(); ++i)
        loaded.rows += list.at(i)->m_rows.size();
    if (!list.diagnostics().empty())
        loaded.problem = list.diagnostics().front().text();
    else if (expectedRows >= 0 && loaded.rows != expectedRows)
        loaded.problem =
            "loaded " + std::to_string(loaded.rows) + " rows, expected " + std::to_string(expectedRows);
    return loaded;
}

// Runs work in a child process and returns what it wrote (its result line); exits on failure.
template <class Work> std::string InChild(Work work)
{
    int fds[2];
    if (::pipe(fds) != 0)
    {
        std::perror("bench_tessel: pipe");
        std::exit(1);
    }
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
    {
        std::perror("bench_tessel: fork");
        std::exit(1);
    }
    if (pid == 0)
    {
        ::close(fds[0]);
        const std::string result = work();
        const ssize_t written = ::write(fds[1], result.data(), result.size());
        ::close(fds[1]);
        // No destruction of the loaded tables: the measurement is over.
        ::_exit(written == static_cast<ssize_t>(result.size()) ? 0 : 1);
    }
    ::close(fds[1]);
    std::string result;
    char chunk[4096];
    ssize_t n;
    while ((n = ::read(fds[0], chunk, sizeof(chunk))) > 0)
        result.append(chunk, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || result.empty())
    {
        std::fprintf(stderr, "bench_tessel: a measuring child process failed\n");
        std::exit(1);
    }
    if (result.compare(0, 6, "error ") == 0)
    {
        std::fprintf(stderr, "bench_tessel: %s\n", result.c_str() + 6);
        std::exit(1);
    }
    return result;
}

bool ReadFile(const std::string& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    bytes = s.str();
    return true;
}

std::string Join(const std::vector<std::string>& items)
{
    std::string out;
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? ", " : "") + items[i];
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "Usage: bench_tessel DIR [--load-reps N] [--save-reps N] [--rows R]\n");
        return 2;
    }
    int loadReps = 5;
    int saveReps = 5;
    long long expectedRows = -1;
    for (int i = 2; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (i + 1 >= argc)
        {
            std::fprintf(stderr, "bench_tessel: %s needs a value\n", arg.c_str());
            return 2;
        }
        const long long value = std::atoll(argv[++i]);
        if (arg == "--load-reps")
            loadReps = static_cast<int>(value);
        else if (arg == "--save-reps")
            saveReps = static_cast<int>(value);
        else if (arg == "--rows")
            expectedRows = value;
        else
        {
            std::fprintf(stderr, "bench_tessel: unknown option %s\n", arg.c_str());
            return 2;
        }
    }
    if (::chdir(argv[1]) != 0)
    {
        std::fprintf(stderr, "bench_tessel: cannot enter %s\n", argv[1]);
        return 1;
    }

    std::vector<std::string> loadMs;
    std::vector<std::string> peakBytes;
    std::vector<std::string> loadUserMs;
    std::vector<std::string> loadSystemMs;
    std::vector<std::string> loadFaults;
    std::string summary;
    for (int r = loadReps > 0 ? -1 : 0; r < loadReps; ++r) // -1: the warm-up
    {
        const std::string result = InChild(
            [&]()
            {
                ResetPeak();
                const long long before = StatusBytes("VmRSS:");
                const Usage usageBefore = GetUsage();
                const auto start = std::chrono::steady_clock::now();
                const Loaded loaded = LoadAll(expectedRows);
                const auto stop = std::chrono::steady_clock::now();
                const Usage usageAfter = GetUsage();
                const long long peak = StatusBytes("VmHWM:");
                if (!loaded.problem.empty())
                    return "error " + loaded.problem;
                char line[256];
                std::snprintf(
                    line, sizeof(line), "%.3f %lld %d %lld %.3f %.3f %ld", Ms(stop - start), peak - before,
                    loaded.tables, loaded.rows, usageAfter.userMs - usageBefore.userMs,
                    usageAfter.systemMs - usageBefore.systemMs, usageAfter.faults - usageBefore.faults);
                return std::string(line);
            });
        if (r < 0)
            continue;
        std::istringstream in(result);
        std::string ms, peak;
        in >> ms >> peak;
        loadMs.push_back(ms);
        peakBytes.push_back(peak);
        std::string tables, rows, user, system, faults;
        in >> tables >> rows >> user >> system >> faults;
        summary = "\"tables\": " + tables + ", \"rows\": " + rows;
        loadUserMs.push_back(user);
        loadSystemMs.push_back(system);
        loadFaults.push_back(faults);
    }

    std::string saveResult = "\"save_ms\": [], \"save_identical\": null";
    if (saveReps > 0)
    {
        saveResult = InChild(
            [&]()
            {
                const Loaded loaded = LoadAll(expectedRows);
                if (!loaded.problem.empty())
                    return "error " + loaded.problem;
                TableList& list = *TableList::instance();
                std::vector<std::string> before;
                for (int i = 0; i < list.count(); ++i)
                {
                    std::string bytes;
                    if (!ReadFile(scl::ToUtf8(list.at(i)->m_fileName.c_str()), bytes))
                        return std::string("error cannot read a data file");
                    before.push_back(std::move(bytes));
                }
                std::vector<std::string> times, userTimes, systemTimes, writeTimes;
                bool identical = true;
                for (int r = -1; r < saveReps; ++r) // -1: the warm-up
                {
                    // Serialise and write alone: what Table::Save does before it makes the file
                    // durable (fsync) and replaces the data file (rename, fsync of the directory).
                    std::vector<std::string> scratch;
                    for (int i = 0; i < list.count(); ++i)
                    {
                        scratch.push_back(scl::ToUtf8(list.at(i)->m_fileName.c_str()) + ".bench-write");
                        ::unlink(scratch.back().c_str());
                    }
                    const auto writeStart = std::chrono::steady_clock::now();
                    for (int i = 0; i < list.count(); ++i)
                    {
                        const tarn::editor::Table& table = *list.at(i);
                        const std::u16string path = scl::FromUtf8(scratch[static_cast<size_t>(i)].c_str());
                        tarn::TableSerializer serializer;
                        serializer.OpenWrite(path.c_str());
                        serializer.WriteText(table.m_header.c_str(), table.m_header.length());
                        for (const tarn::Row& row : table.m_rows)
                            serializer.WriteRow(row.cells.m_data, row.cells.size());
                        serializer.m_file.Close();
                        if (serializer.m_writeFailed || serializer.m_file.Failed())
                            return std::string("error writing ") + scratch[static_cast<size_t>(i)] +
                                   " failed";
                    }
                    const auto writeStop = std::chrono::steady_clock::now();
                    for (const std::string& path : scratch)
                        ::unlink(path.c_str());

                    const Usage usageBefore = GetUsage();
                    const auto start = std::chrono::steady_clock::now();
                    const std::vector<tarn::SaveFailure> failures = list.saveAll();
                    const auto stop = std::chrono::steady_clock::now();
                    const Usage usageAfter = GetUsage();
                    if (!failures.empty())
                        return "error save failed: " + failures.front().file + ": " + failures.front().reason;
                    if (r < 0)
                    {
                        for (int i = 0; i < list.count(); ++i)
                        {
                            std::string after;
                            identical = identical &&
                                        ReadFile(scl::ToUtf8(list.at(i)->m_fileName.c_str()), after) &&
                                        after == before[static_cast<size_t>(i)];
                        }
                        continue;
                    }
                    char t[32];
                    std::snprintf(t, sizeof(t), "%.3f", Ms(stop - start));
                    times.push_back(t);
                    std::snprintf(t, sizeof(t), "%.3f", Ms(writeStop - writeStart));
                    writeTimes.push_back(t);
                    std::snprintf(t, sizeof(t), "%.3f", usageAfter.userMs - usageBefore.userMs);
                    userTimes.push_back(t);
                    std::snprintf(t, sizeof(t), "%.3f", usageAfter.systemMs - usageBefore.systemMs);
                    systemTimes.push_back(t);
                }
                return "\"save_ms\": [" + Join(times) + "], \"save_user_ms\": [" + Join(userTimes) +
                       "], \"save_system_ms\": [" + Join(systemTimes) + "], \"write_ms\": [" +
                       Join(writeTimes) + "], \"save_identical\": " + (identical ? "true" : "false");
            });
    }

    // The data files' total size, for throughput figures.
    long long dataBytes = 0;
    {
        std::string list;
        if (ReadFile("tableList.xml", list))
        {
            for (size_t at = list.find("FileName=\""); at != std::string::npos;
                 at = list.find("FileName=\"", at + 1))
            {
                const size_t start = at + 10;
                const size_t end = list.find('"', start);
                struct stat st;
                if (end != std::string::npos && ::stat(list.substr(start, end - start).c_str(), &st) == 0)
                    dataBytes += static_cast<long long>(st.st_size);
            }
        }
    }
    std::printf(
        "{%s, \"data_bytes\": %lld, \"load_ms\": [%s], \"load_user_ms\": [%s], \"load_system_ms\": [%s], "
        "\"load_page_faults\": [%s], \"peak_bytes\": [%s], %s}\n",
        summary.empty() ? "\"tables\": 0, \"rows\": 0" : summary.c_str(), dataBytes, Join(loadMs).c_str(),
        Join(loadUserMs).c_str(), Join(loadSystemMs).c_str(), Join(loadFaults).c_str(),
        Join(peakBytes).c_str(), saveResult.c_str());
    return 0;
}
