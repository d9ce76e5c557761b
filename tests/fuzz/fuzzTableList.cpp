// Fuzz target: arbitrary bytes as "tableList.xml" over a fixed small data directory (a table of
// every field type, a table linking to it, a table without metadata, a damaged table). Every table
// the list loads must be found by its name, and the whole directory must survive a save and a
// reload unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "fuzzSupport.h"
#include "tool/tables.h"

namespace
{

const char kItemsMeta[] = "<?xml version=\"1.0\"?>\n"
                          "<Table IdFieldIndex=\"0\" NameFieldIndex=\"1\">\n"
                          "\t<Field Type=\"INT\" Name=\"ID\" CodeVarName=\"id\" />\n"
                          "\t<Field Type=\"STRING\" Name=\"Name\" CodeVarName=\"name\" />\n"
                          "\t<Field Type=\"UINT\" Name=\"Count\" />\n"
                          "\t<Field Type=\"INT64\" Name=\"Big\" />\n"
                          "\t<Field Type=\"UINT64\" Name=\"Mask\" />\n"
                          "\t<Field Type=\"FLOAT\" Name=\"Rate\" />\n"
                          "\t<Field Type=\"KEY_VALUE\" Name=\"Tag\" />\n"
                          "\t<Field Type=\"STRING_INT\" Name=\"Drops\" LinkTableName=\"drops.txt\" />\n"
                          "\t<Field Type=\"STRING_FLOAT\" Name=\"Weights\" />\n"
                          "</Table>\n";
const char kItems[] = "ID\tName\tCount\tBig\tMask\tRate\tTag\tDrops\tWeights\r\n"
                      "INT\tSTRING\tUINT\tINT64\tUINT64\tFLOAT\tKEY_VALUE\tSTRING_INT\tSTRING_FLOAT\r\n"
                      "1\tSword\t3\t-5\t18446744073709551615\t0.500000\tkv\t1|2\t1.500000|2.000000\r\n"
                      "2\tShield\t0\t0\t0\t0.000000\t\t\t\r\n";
const char kDropsMeta[] = "<Table IdFieldIndex=\"0\" NameFieldIndex=\"1\">"
                          "<Field Type=\"INT\" Name=\"ID\"/><Field Type=\"STRING\" Name=\"Name\"/>"
                          "<Field Type=\"INT\" Name=\"Item\" LinkTableName=\"items.txt\"/></Table>";
const char kDrops[] = "ID\tName\tItem\r\nINT\tSTRING\tINT\r\n1\tcommon\t1\r\n2\trare\t2\r\n";
const char kPlain[] = "ID\tName\tLevel\r\nINT\tSTRING\tUINT\r\n5\tfive\t50\r\n3\tthree\t30\r\n";
const char kDamaged[] = "not UTF-16 at all\r\n";

void WriteDataDirectory()
{
    fuzz::WriteBytes("items.txt.meta", kItemsMeta);
    fuzz::WriteBytes("items.txt", fuzz::Utf16File(kItems));
    fuzz::WriteBytes("drops.txt.meta", kDropsMeta);
    fuzz::WriteBytes("drops.txt", fuzz::Utf16File(kDrops));
    fuzz::WriteBytes("plain.txt", fuzz::Utf16File(kPlain));
    fuzz::WriteBytes("damaged.txt", kDamaged);
}

bool EndsWith(const std::string& s, const char* suffix)
{
    const std::size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

// Lists that would make the save write outside the data directory, or over the list or a
// metadata file (which the editor does on request, but which then changes what the reload
// reads), are not interesting here.
bool StaysInside(const std::uint8_t* data, std::size_t size)
{
    pugi::xml_document doc;
    if (!doc.load_buffer(data, size))
        return true; // the list is refused as a whole
    for (pugi::xml_node node = doc.first_child().first_child(); node; node = node.next_sibling())
    {
        const std::string name = node.attribute("FileName").value();
        if (name.find('/') != std::string::npos || name == "tableList.xml" || EndsWith(name, ".meta"))
            return false;
    }
    return true;
}

struct Loaded
{
    std::u16string name;
    std::u16string label;
    fuzz::Snapshot snapshot;
    std::string bytes; // the data file as loaded
    bool clean;        // the load found nothing that a save would change
};

std::vector<Loaded> LoadList(TableList& list)
{
    list.initIndex();
    list.loadTableList();
    std::vector<Loaded> tables;
    for (int i = 0; i < list.count(); ++i)
    {
        tarn::editor::Table* table = list.at(i);
        if (table == nullptr)
            fuzz::Fail("table %d of %d is null", i, list.count());
        if (list.find(table->m_fileName.c_str()) != table)
            fuzz::Fail("table \"%s\" is not found by its name",
                       fuzz::Utf8(table->m_fileName.c_str()).c_str());
        tables.push_back({table->m_fileName.c_str(), table->m_label.c_str(), fuzz::Take(*table),
                          fuzz::ReadBytes(fuzz::Utf8(table->m_fileName.c_str())),
                          table->Diagnostics().empty()});
    }
    return tables;
}

std::vector<std::string> SaveList(TableList& list, const std::vector<Loaded>& tables)
{
    const std::vector<tarn::SaveFailure> failures = list.saveAll();
    if (!failures.empty())
        fuzz::Fail("saving %s failed: %s", failures[0].file.c_str(), failures[0].reason.c_str());
    std::vector<std::string> files;
    for (const Loaded& table : tables)
    {
        files.push_back(fuzz::ReadBytes(fuzz::Utf8(table.name.c_str())));
        if (table.clean && files.back() != table.bytes)
            fuzz::Fail("%s: loaded without a warning, but the save wrote other bytes",
                       fuzz::Utf8(table.name.c_str()).c_str());
    }
    return files;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!StaysInside(data, size))
        return -1;
    const fuzz::Sandbox sandbox;
    WriteDataDirectory();
    fuzz::WriteBytes("tableList.xml", data, size);

    TableList::destroyInstance();
    const std::vector<Loaded> first = LoadList(*TableList::instance());
    if (std::getenv("TESSEL_FUZZ_TRACE") != nullptr)
        std::fprintf(fuzz::ReportStream(), "fuzz: %zu tables loaded, %zu diagnostics\n", first.size(),
                     TableList::instance()->diagnostics().size());
    const std::vector<std::string> saved = SaveList(*TableList::instance(), first);
    TableList::destroyInstance();

    const std::vector<Loaded> second = LoadList(*TableList::instance());
    if (second.size() != first.size())
        fuzz::Fail("%zu tables loaded, %zu after save and reload", first.size(), second.size());
    bool anyCut = false;
    for (std::size_t i = 0; i < first.size(); ++i)
    {
        const std::string name = fuzz::Utf8(first[i].name.c_str());
        if (second[i].name != first[i].name || second[i].label != first[i].label)
            fuzz::Fail("table %zu was \"%s\", is \"%s\" after reload", i + 1, name.c_str(),
                       fuzz::Utf8(second[i].name.c_str()).c_str());
        fuzz::Compare(first[i].snapshot, second[i].snapshot, name);
        anyCut = anyCut || fuzz::AnyCut(first[i].snapshot);
    }
    const std::vector<std::string> savedAgain = SaveList(*TableList::instance(), second);
    if (!anyCut && savedAgain != saved)
        fuzz::Fail("a second save wrote different bytes");
    TableList::destroyInstance();
    return 0;
}
