// Throughput of the data file serializer on a 100,000-row file that holds every field type.
//
//   bench_serializer [--benchmark_filter=...]
//
// The file is generated once into a temporary directory (removed at exit). Reading covers the
// whole load path of a table except row allocation: open, one read of the file, NextLine and one
// Serialize per cell into cells that are reused. Writing covers WriteRow per row, cycling through
// 1,000 distinct rows held in memory.
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "base/string.h"
#include "tool/cell.h"
#include "tool/tableSerializer.h"

namespace
{

constexpr int kRows = 100000;
constexpr int kDistinctRows = 1000;

const std::vector<FIELD_TYPE> kTypes = {FIELD_TYPE_INT,        FIELD_TYPE_STRING,       FIELD_TYPE_UINT,
                                        FIELD_TYPE_INT64,      FIELD_TYPE_UINT64,       FIELD_TYPE_FLOAT,
                                        FIELD_TYPE_STRING_INT, FIELD_TYPE_STRING_FLOAT, FIELD_TYPE_STRING};
const std::u16string kHeader =
    u"ID\tName\tFlags\tExp\tGuid\tScale\tDrops\tRates\tDesc\r\n"
    u"INT\tSTRING\tUINT\tINT64\tUINT64\tFLOAT\tSTRING_INT\tSTRING_FLOAT\tKEY_VALUE\r\n";

using Row = std::vector<std::unique_ptr<tarn::Cell>>;

Row MakeRow()
{
    Row row;
    for (FIELD_TYPE type : kTypes)
    {
        tarn::Field field;
        field.m_type = type;
        row.emplace_back(tarn::CreateCell(field));
    }
    return row;
}

std::vector<tarn::Cell*> Pointers(const Row& row)
{
    std::vector<tarn::Cell*> cells;
    for (const auto& cell : row)
        cells.push_back(cell.get());
    return cells;
}

// Rows with plausible game data: ids, Chinese and Latin names, flags, large 64-bit values,
// fractional floats, short lists.
std::vector<Row> MakeDistinctRows()
{
    static const char16_t* const names[] = {u"长剑", u"铁盾 Shield", u"治疗药水", u"Fire Ring", u"龙鳞甲"};
    std::mt19937_64 rng(1);
    std::vector<Row> rows;
    for (int i = 0; i < kDistinctRows; ++i)
    {
        Row row = MakeRow();
        row[0]->SetInt(i + 1);
        std::u16string name = names[i % 5];
        name += scl::FromUtf8(std::to_string(i).c_str());
        row[1]->SetString(name.c_str());
        row[2]->SetUInt(static_cast<std::uint32_t>(rng()));
        row[3]->SetInt64(static_cast<std::int64_t>(rng()) >> (i % 40));
        row[4]->SetUInt64(rng());
        row[5]->SetFloat(static_cast<float>(rng() % 100000) / 97.0f - 300.0f);
        std::u16string ints, floats;
        for (int k = 0; k < 1 + i % 5; ++k)
        {
            ints += scl::FromUtf8((std::to_string(static_cast<int>(rng() % 20000) - 100) + "|").c_str());
            floats += scl::FromUtf8((std::to_string(static_cast<double>(rng() % 1000) / 8.0) + "|").c_str());
        }
        row[6]->SetStringInt(ints.c_str());
        row[7]->SetStringFloat(floats.c_str());
        row[8]->SetString(i % 3 == 0 ? u"" : u"造成 120 点火焰伤害，持续 5 秒");
        rows.push_back(std::move(row));
    }
    return rows;
}

struct Fixture
{
    std::filesystem::path dir;
    std::u16string dataPath;
    std::u16string outPath;
    std::vector<Row> rows;
    long long fileBytes = 0;

    Fixture()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarn-bench-XXXXXX").string();
        if (mkdtemp(&pattern[0]) == nullptr)
            std::abort();
        dir = pattern;
        dataPath = scl::FromUtf8((dir / "data.txt").string().c_str());
        outPath = scl::FromUtf8((dir / "out.txt").string().c_str());
        rows = MakeDistinctRows();
        Write(dataPath);
        fileBytes = static_cast<long long>(std::filesystem::file_size(dir / "data.txt"));
    }
    ~Fixture()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    void Write(const std::u16string& path) const
    {
        tarn::TableSerializer s;
        s.OpenWrite(path.c_str());
        s.WriteText(kHeader.data(), static_cast<int>(kHeader.size()));
        std::vector<std::vector<tarn::Cell*>> pointers;
        for (const Row& row : rows)
            pointers.push_back(Pointers(row));
        for (int i = 0; i < kRows; ++i)
        {
            const std::vector<tarn::Cell*>& cells = pointers[static_cast<size_t>(i % kDistinctRows)];
            s.WriteRow(cells.data(), static_cast<int>(cells.size()));
        }
    }
};

Fixture& Data()
{
    static Fixture fixture;
    return fixture;
}

void SetRates(benchmark::State& state, long long bytes)
{
    state.counters["rows/s"] = benchmark::Counter(kRows, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["MB/s"] =
        benchmark::Counter(static_cast<double>(bytes) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_ReadFile(benchmark::State& state)
{
    Fixture& data = Data();
    Row row = MakeRow();
    const std::vector<tarn::Cell*> cells = Pointers(row);
    // A table reads each row into fresh cells, whose lists start empty, and borrows the lists'
    // values from its pool.
    auto& ints = static_cast<tarn::StringIntCell&>(*row[6]);
    auto& floats = static_cast<tarn::StringFloatCell&>(*row[7]);
    int rowsRead = 0;
    for (auto _ : state)
    {
        tarn::TableSerializer s;
        s.OpenRead(data.dataPath.c_str());
        s.prepareRead();
        s.NextLine();
        s.NextLine();
        rowsRead = 0;
        scl::BumpPool pool;
        while (s.NextLine())
        {
            ints.SetStringInt(scl::parray<int>());
            floats.SetStringFloat(scl::parray<float>());
            s.ReadRow(cells.data(), static_cast<int>(cells.size()), pool);
            ++rowsRead;
        }
        benchmark::DoNotOptimize(rowsRead);
    }
    if (rowsRead != kRows)
        state.SkipWithError("wrong row count");
    SetRates(state, data.fileBytes);
}
BENCHMARK(BM_ReadFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteFile(benchmark::State& state)
{
    Fixture& data = Data();
    std::vector<std::vector<tarn::Cell*>> pointers;
    for (const Row& row : data.rows)
        pointers.push_back(Pointers(row));
    for (auto _ : state)
    {
        tarn::TableSerializer s;
        s.OpenWrite(data.outPath.c_str());
        s.WriteText(kHeader.data(), static_cast<int>(kHeader.size()));
        for (int i = 0; i < kRows; ++i)
        {
            const std::vector<tarn::Cell*>& cells = pointers[static_cast<size_t>(i % kDistinctRows)];
            s.WriteRow(cells.data(), static_cast<int>(cells.size()));
        }
        s.m_file.Close();
    }
    if (std::filesystem::file_size(data.dir / "out.txt") != static_cast<std::uintmax_t>(data.fileBytes))
        state.SkipWithError("written file differs in size");
    SetRates(state, data.fileBytes);
}
BENCHMARK(BM_WriteFile)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
