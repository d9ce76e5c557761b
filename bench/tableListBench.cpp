// Loading and saving a data directory of 100,000 rows (one table, every field type) through
// TableList, as the editor's start-up and Save command do.
//
//   bench_tablelist [--benchmark_filter=...]
//
// The directory is generated once into a temporary directory (removed at exit). Counters:
//   rows_per_s          rows loaded (or saved) per second
//   bytes_per_second    data file bytes read (or written) per second (shown as MB/s)
//   peak_bytes_per_row  rise of the process's peak resident memory over one load, per row,
//                       measured on the first load of the process (before any memory is reused)
//   heap_bytes_per_row  heap in use after a load minus before it, per row
// The save includes the fsync of the new file and its rename.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <malloc.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "tableDataGen.h"
#include "tool/tables.h"

namespace
{

constexpr int kRows = 100000;

class DataDirectory
{
public:
    DataDirectory()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessel-bench-XXXXXX").string();
        if (::mkdtemp(&pattern[0]) == nullptr)
            std::abort();
        m_dir = pattern;
        m_tables = tesselbench::GenerateDataDirectory(m_dir, {kRows});
        if (::chdir(m_dir.c_str()) != 0)
            std::abort();
    }
    ~DataDirectory()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    std::uint64_t Bytes() const { return m_tables.at(0).dataBytes; }

private:
    std::string m_dir;
    std::vector<tesselbench::GeneratedTable> m_tables;
};

DataDirectory* s_data = nullptr;
double s_peakBytesPerRow = 0;
double s_heapBytesPerRow = 0;

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

// Resets the peak resident size (VmHWM) to the current one.
void ResetPeak()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

TableList& LoadAll()
{
    TableList::destroyInstance();
    TableList& list = *TableList::instance();
    list.initIndex();
    list.loadTableList();
    return list;
}

bool LoadedCompletely(TableList& list)
{
    return list.count() == 1 && list.at(0)->m_rows.size() == kRows && list.diagnostics().empty();
}

// The first load of the process, before freed memory can be reused, tells the memory per row.
void MeasureMemory()
{
    const long long rssBefore = StatusBytes("VmRSS:");
    const size_t heapBefore = mallinfo2().uordblks;
    ResetPeak();
    TableList& list = LoadAll();
    const long long peak = StatusBytes("VmHWM:");
    const size_t heapAfter = mallinfo2().uordblks;
    if (!LoadedCompletely(list))
    {
        std::fprintf(stderr, "bench_tablelist: the generated directory did not load cleanly\n");
        std::exit(1);
    }
    s_peakBytesPerRow = static_cast<double>(peak - rssBefore) / kRows;
    s_heapBytesPerRow = static_cast<double>(heapAfter - heapBefore) / kRows;
    TableList::destroyInstance();
    malloc_trim(0);
}

void SetCounters(benchmark::State& state)
{
    state.counters["rows_per_s"] = benchmark::Counter(kRows, benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(s_data->Bytes()));
    state.counters["peak_bytes_per_row"] = s_peakBytesPerRow;
    state.counters["heap_bytes_per_row"] = s_heapBytesPerRow;
}

void BM_TableListLoad(benchmark::State& state)
{
    for (auto _ : state)
    {
        state.PauseTiming();
        TableList::destroyInstance();
        malloc_trim(0);
        state.ResumeTiming();

        TableList& list = LoadAll();
        benchmark::DoNotOptimize(list.count());

        state.PauseTiming();
        if (!LoadedCompletely(list))
            state.SkipWithError("the generated directory did not load cleanly");
        state.ResumeTiming();
    }
    TableList::destroyInstance();
    SetCounters(state);
}
BENCHMARK(BM_TableListLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TableListSave(benchmark::State& state)
{
    TableList& list = LoadAll();
    if (!LoadedCompletely(list))
        state.SkipWithError("the generated directory did not load cleanly");
    for (auto _ : state)
    {
        const std::vector<tarn::SaveFailure> failures = list.saveAll();
        if (!failures.empty())
            state.SkipWithError(failures.front().reason.c_str());
    }
    TableList::destroyInstance();
    SetCounters(state);
}
BENCHMARK(BM_TableListSave)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    DataDirectory data;
    s_data = &data;
    MeasureMemory();
    std::printf("%d rows, %.1f MB data file; peak memory %.0f bytes/row, heap %.0f bytes/row\n", kRows,
                static_cast<double>(data.Bytes()) / 1e6, s_peakBytesPerRow, s_heapBytesPerRow);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
