// Fuzz target: arbitrary bytes as a data file that has no metadata file yet, so that loading
// generates one from the header lines first. Whatever loads must survive a save and a reload
// unchanged, and the generated metadata file must be loadable as it was written.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzz::Sandbox sandbox;
    fuzz::WriteBytes("data.txt", data, size);

    tarn::editor::Table table;
    const bool loaded = table.Load(u"data.txt");
    const std::string input(reinterpret_cast<const char*>(data), size);
    if (fuzz::ReadBytes("data.txt") != input)
        fuzz::Fail("loading changed the data file");
    if (loaded)
        fuzz::RoundTrip(table, &input);
    else
        fuzz::TraceRefusal(table);
    if (!loaded && table.LastError().empty())
        fuzz::Fail("Load refused the data file without saying why");
    return 0;
}
