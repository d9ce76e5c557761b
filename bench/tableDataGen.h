// Generated data directories for benchmarks: tableList.xml plus tables of game data whose rows
// cover every field type, written in exactly the forms Tessel writes (so loading reports nothing
// and saving reproduces the bytes). Used by bench_tablelist, bench_tessel and the gen_data program.
#ifndef TESSEL_BENCH_TABLEDATAGEN_H
#define TESSEL_BENCH_TABLEDATAGEN_H

#include <cstdint>
#include <string>
#include <vector>

namespace tesselbench
{

struct GeneratedTable
{
    std::string fileName; // data file name, relative to the directory
    int rows = 0;
    std::uint64_t dataBytes = 0; // size of the data file
};

// The twelve columns of a generated table, in file order.
constexpr int kGeneratedColumns = 12;

// Writes into directory (which must exist) tableList.xml and one table "bench_N.txt" of rows
// rows per entry of tableRows, with its ".meta" file. Columns:
//   ID INT (1..rows), Name STRING (ASCII, Chinese or both), Level UINT, Exp INT64, Gold UINT64,
//   Speed FLOAT, Desc STRING (20 to 200 units), Drops STRING_INT (0 to 8 values),
//   Weights STRING_FLOAT (0 to 5 values), Icon STRING, LinkId INT (links to the table itself),
//   Flags UINT.
// The content depends only on the arguments (a fixed Mersenne Twister sequence). Returns the
// tables written; throws std::runtime_error when a file cannot be written.
std::vector<GeneratedTable> GenerateDataDirectory(const std::string& directory,
                                                  const std::vector<int>& tableRows, std::uint32_t seed = 1);

} // namespace tesselbench

#endif // TESSEL_BENCH_TABLEDATAGEN_H
