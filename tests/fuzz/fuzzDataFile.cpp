// Fuzz target: arbitrary bytes as a table's data file, read with a fixed metadata file that has a
// column of every field type. Whatever loads must survive a save and a reload unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzzSupport.h"

namespace
{

const char kMeta[] =
    "<?xml version=\"1.0\"?>\n"
    "<Table IdFieldIndex=\"0\" NameFieldIndex=\"1\">\n"
    "\t<Field Type=\"INT\" Name=\"ID\" CodeVarName=\"id\" LinkTableName=\"\" IsMulti=\"false\" />\n"
    "\t<Field Type=\"STRING\" Name=\"Name\" CodeVarName=\"name\" />\n"
    "\t<Field Type=\"UINT\" Name=\"Count\" CodeVarName=\"count\" />\n"
    "\t<Field Type=\"INT64\" Name=\"Big\" CodeVarName=\"big\" />\n"
    "\t<Field Type=\"UINT64\" Name=\"Mask\" CodeVarName=\"mask\" />\n"
    "\t<Field Type=\"FLOAT\" Name=\"Rate\" CodeVarName=\"rate\" />\n"
    "\t<Field Type=\"KEY_VALUE\" Name=\"Tag\" CodeVarName=\"tag\" />\n"
    "\t<Field Type=\"STRING_INT\" Name=\"Drops\" CodeVarName=\"drops\" IsMulti=\"1\" />\n"
    "\t<Field Type=\"STRING_FLOAT\" Name=\"Weights\" CodeVarName=\"weights\" IsMulti=\"y\" />\n"
    "</Table>\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzz::Sandbox sandbox;
    fuzz::WriteBytes("data.txt.meta", kMeta);
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
