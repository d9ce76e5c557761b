// Links at scale: five tables of ROWS rows, each with four link columns (three single links and
// one list of three ids) into the others. Measures, as medians of REPS runs: building the
// reverse-link index, the "被引用" lookup for one row (averaged over 1,000 rows), the data check
// that "检查数据" and `tessel-cli check` run, and a search of every table for a word.
//   bench_links DIR [ROWS] [REPS]   (DIR is created and filled; prints JSON on standard output)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "base/string.h"
#include "tool/linkIndex.h"
#include "tool/tableCheck.h"
#include "tool/tableFind.h"
#include "tool/tables.h"

namespace
{

constexpr int kTables = 5;

void WriteUtf16(const std::string& path, const std::string& utf8)
{
    const std::u16string text = scl::FromUtf8(utf8.c_str());
    std::string bytes = "\xFF\xFE";
    bytes.reserve(2 + text.size() * 2);
    for (char16_t c : text)
    {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Field(const char* type, const std::string& name, const std::string& link = "")
{
    return "\t<Field Type=\"" + std::string(type) + "\" Name=\"" + name + "\" CodeVarName=\"" + name +
           "\" LinkTableName=\"" + link + "\" IsMulti=\"false\" />\n";
}

void Generate(int rows)
{
    std::mt19937 random(16);
    std::string list = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TableList>\n";
    for (int t = 0; t < kTables; ++t)
    {
        const std::string name = "t" + std::to_string(t) + ".txt";
        const std::string next = "t" + std::to_string((t + 1) % kTables) + ".txt";
        const std::string other = "t" + std::to_string((t + 2) % kTables) + ".txt";
        list += "\t<Table FileName=\"" + name + "\" Label=\"表" + std::to_string(t) + "\" />\n";
        std::ofstream(name + ".meta")
            << "<?xml version=\"1.0\"?>\n<Table IdFieldIndex=\"0\" NameFieldIndex=\"1\">\n" +
                   Field("INT", "ID") + Field("STRING", "Name") + Field("INT", "Next", next) +
                   Field("INT", "Other", other) + Field("INT", "Self", name) +
                   Field("STRING_INT", "Many", next) + Field("UINT", "Level") + "</Table>\n";
        std::string text =
            "ID\tName\tNext\tOther\tSelf\tMany\tLevel\r\nINT\tSTRING\tINT\tINT\tINT\tSTRING_INT\tUINT\r\n";
        text.reserve(static_cast<std::size_t>(rows) * 48);
        std::uniform_int_distribution<int> id(1, rows);
        for (int r = 1; r <= rows; ++r)
        {
            text += std::to_string(r) + "\t名字" + std::to_string(t) + "_" + std::to_string(r) + "\t" +
                    std::to_string(id(random)) + "\t" + std::to_string(id(random)) + "\t" +
                    std::to_string(id(random)) + "\t" + std::to_string(id(random)) + "|" +
                    std::to_string(id(random)) + "|" + std::to_string(id(random)) + "\t" +
                    std::to_string(r % 100) + "\r\n";
        }
        WriteUtf16(name, text);
    }
    std::ofstream("tableList.xml") << list + "</TableList>\n";
}

template <class F> double MedianMs(int reps, F&& run)
{
    std::vector<double> times;
    for (int i = 0; i < reps; ++i)
    {
        const auto start = std::chrono::steady_clock::now();
        run();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: bench_links DIR [ROWS] [REPS]\n");
        return 2;
    }
    const int rows = argc > 2 ? std::atoi(argv[2]) : 100000;
    const int reps = argc > 3 ? std::atoi(argv[3]) : 5;
    ::mkdir(argv[1], 0755);
    if (::chdir(argv[1]) != 0)
    {
        std::fprintf(stderr, "bench_links: cannot enter %s\n", argv[1]);
        return 1;
    }
    Generate(rows);
    TableList& list = *TableList::instance();
    list.initIndex();
    list.loadTableList();
    if (list.count() != kTables)
    {
        std::fprintf(stderr, "bench_links: %d tables loaded\n", list.count());
        return 1;
    }

    tarn::LinkIndex index;
    const double build = MedianMs(reps, [&] { index.Build(list); });

    // The group for 1,000 rows spread over the tables, averaged per row.
    std::vector<std::pair<tarn::editor::Table*, int>> probes;
    for (int i = 0; i < 1000; ++i)
        probes.emplace_back(list.at(i % kTables), 1 + (i * 7919) % rows);
    std::size_t referrers = 0;
    const double group = MedianMs(reps,
                                  [&]
                                  {
                                      for (const auto& probe : probes)
                                          referrers += index.ReferrersOf(probe.first, probe.second).size();
                                  }) /
                         static_cast<double>(probes.size());

    std::size_t problems = 0;
    const double check = MedianMs(reps, [&] { problems = tarn::CheckTables(list).size(); });

    std::vector<tarn::editor::Table*> all;
    for (int t = 0; t < kTables; ++t)
        all.push_back(list.at(t));
    std::size_t found = 0;
    const std::u16string word = scl::FromUtf8(("名字3_" + std::to_string(rows / 2)).c_str());
    const double search = MedianMs(reps, [&] { found = tarn::FindInTables(all, word, true).size(); });

    std::printf("{\"tables\": %d, \"rows_per_table\": %d, \"link_values\": %zu, \"reverse_index_ms\": %.1f, "
                "\"reverse_group_ms\": %.4f, \"check_ms\": %.1f, \"problems\": %zu, \"search_all_ms\": %.1f, "
                "\"found\": %zu}\n",
                kTables, rows, index.Size(), build, group, check, problems, search, found);
    std::fprintf(stderr,
                 "links (%d tables x %d rows, %zu link values): reverse index %.1f ms (target 200), "
                 "reverse group %.4f ms per row (target 1), check %.1f ms (target 500, %zu problems), "
                 "search all %.1f ms (target 200, %zu found)\n",
                 kTables, rows, index.Size(), build, group, check, problems, search, found);
    (void)referrers;
    return 0;
}
