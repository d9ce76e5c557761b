// Generated data directories for benchmarks: tableList.xml plus tables whose rows cover every
// field type, written in exactly the forms Tessel writes (so loading reports nothing and saving
// reproduces the bytes). Used by bench_tablelist and by the gen_data program.
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

// Writes into directory (which must exist) tableList.xml and one table "bench_N.txt" of rows
// rows per entry of tableRows, with its ".meta" file. Columns: INT id, STRING name,
// KEY_VALUE key, UINT, INT64, UINT64, FLOAT, STRING_INT (links to the table's own ids),
// STRING_FLOAT. The content depends only on the arguments. Returns the tables written; throws
// std::runtime_error when a file cannot be written.
std::vector<GeneratedTable> GenerateDataDirectory(const std::string& directory,
                                                  const std::vector<int>& tableRows, std::uint32_t seed = 1);

} // namespace tesselbench

#endif // TESSEL_BENCH_TABLEDATAGEN_H
