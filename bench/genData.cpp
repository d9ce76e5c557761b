// gen_data: writes a benchmark data directory that Tessel and tessel-cli can open: tableList.xml
// and one table of game data per ROWS value, twelve columns covering every field type (ID, Name,
// Level, Exp, Gold, Speed, Desc, Drops, Weights, Icon, LinkId, Flags), every value in the form the
// writer produces. The same arguments always give the same bytes.
//
//   gen_data DIR [ROWS...]      one table per ROWS value (default: one table of 100000 rows)
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "tableDataGen.h"

int main(int argc, char** argv)
{
    if (argc < 2 || std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help")
    {
        std::fprintf(argc < 2 ? stderr : stdout, "Usage: gen_data DIR [ROWS...]\n");
        return argc < 2 ? 2 : 0;
    }
    std::vector<int> rows;
    for (int i = 2; i < argc; ++i)
    {
        char* end = nullptr;
        const long n = std::strtol(argv[i], &end, 10);
        if (end == argv[i] || *end != 0 || n < 0 || n > 10000000)
        {
            std::fprintf(stderr, "gen_data: '%s' is not a row count\n", argv[i]);
            return 2;
        }
        rows.push_back(static_cast<int>(n));
    }
    if (rows.empty())
        rows.push_back(100000);
    ::mkdir(argv[1], 0777);
    try
    {
        for (const tesselbench::GeneratedTable& t : tesselbench::GenerateDataDirectory(argv[1], rows))
            std::printf("%s: %d rows, %llu bytes\n", t.fileName.c_str(), t.rows,
                        static_cast<unsigned long long>(t.dataBytes));
    }
    catch (const std::exception& e)
    {
        std::fprintf(stderr, "gen_data: %s\n", e.what());
        return 1;
    }
    return 0;
}
