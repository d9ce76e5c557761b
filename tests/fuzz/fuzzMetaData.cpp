// Fuzz target: arbitrary bytes as a table's metadata file, with a fixed small data file whose
// values read sensibly as several field types. Whatever loads must survive a save and a reload
// unchanged; loading never touches the metadata file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzzSupport.h"

namespace
{

// Nine columns and rows of varied shape: full, short, with empty values, with odd number forms.
const char kData[] = "ID\tName\tCount\tBig\tMask\tRate\tTag\tDrops\tWeights\r\n"
                     "INT\tSTRING\tUINT\tINT64\tUINT64\tFLOAT\tKEY_VALUE\tSTRING_INT\tSTRING_FLOAT\r\n"
                     "1\tSword\t3\t-5\t18446744073709551615\t0.500000\tkv\t1|2|3\t1.500000|2.000000\r\n"
                     "2\t Shield \t4294967295\t9223372036854775807\t0\t-0.100000\t\t\t\r\n"
                     "# a comment line\r\n"
                     "3\tBow\r\n"
                     "-7\t\t-1\t12abc\t1e3\tnan\t|x|\t1||2|\t0x10|inf\r\n"
                     "4\t\u5251\t007\t+8\t 9\t1e40\tA\tB\tC";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzz::Sandbox sandbox;
    const std::string meta(reinterpret_cast<const char*>(data), size);
    const std::string dataFile = fuzz::Utf16File(kData);
    fuzz::WriteBytes("data.txt", dataFile);
    fuzz::WriteBytes("data.txt.meta", meta);

    tarn::editor::Table table;
    const bool loaded = table.Load(u"data.txt");
    if (fuzz::ReadBytes("data.txt.meta") != meta)
        fuzz::Fail("loading changed the metadata file");
    if (loaded)
        fuzz::RoundTrip(table, &dataFile);
    else
        fuzz::TraceRefusal(table);
    if (!loaded && table.LastError().empty())
        fuzz::Fail("Load refused the table without saying why");
    return 0;
}
