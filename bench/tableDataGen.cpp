#include "tableDataGen.h"

#include <cstdio>
#include <random>
#include <stdexcept>

#include "base/string.h"
#include "tool/cell.h"

namespace tesselbench
{
namespace
{

const char16_t kHeader[] =
    u"ID\tName\tKey\tFlags\tGold\tGuid\tScale\tDrops\tRates\r\n"
    u"INT\tSTRING\tKEY_VALUE\tUINT\tINT64\tUINT64\tFLOAT\tSTRING_INT\tSTRING_FLOAT\r\n";

const char kMeta[] =
    "<?xml version=\"1.0\"?>\n"
    "<Table IdFieldIndex=\"0\" NameFieldIndex=\"1\">\n"
    "\t<Field Type=\"INT\" Name=\"ID\" CodeVarName=\"ID\" LinkTableName=\"\" IsMulti=\"false\" />\n"
    "\t<Field Type=\"STRING\" Name=\"Name\" CodeVarName=\"Name\" LinkTableName=\"\" "
    "IsMulti=\"false\" />\n"
    "\t<Field Type=\"KEY_VALUE\" Name=\"Key\" CodeVarName=\"Key\" LinkTableName=\"\" "
    "IsMulti=\"false\" />\n"
    "\t<Field Type=\"UINT\" Name=\"Flags\" CodeVarName=\"Flags\" LinkTableName=\"\" "
    "IsMulti=\"false\" />\n"
    "\t<Field Type=\"INT64\" Name=\"Gold\" CodeVarName=\"Gold\" LinkTableName=\"\" "
    "IsMulti=\"false\" />\n"
    "\t<Field Type=\"UINT64\" Name=\"Guid\" CodeVarName=\"Guid\" LinkTableName=\"\" "
    "IsMulti=\"false\" />\n"
    "\t<Field Type=\"FLOAT\" Name=\"Scale\" CodeVarName=\"Scale\" LinkTableName=\"\" "
    "IsMulti=\"false\" />\n"
    "\t<Field Type=\"STRING_INT\" Name=\"Drops\" CodeVarName=\"Drops\" LinkTableName=\"%s\" "
    "IsMulti=\"true\" />\n"
    "\t<Field Type=\"STRING_FLOAT\" Name=\"Rates\" CodeVarName=\"Rates\" LinkTableName=\"\" "
    "IsMulti=\"true\" />\n"
    "</Table>\n";

const char16_t* const kNames[] = {u"铁剑",         u"Shield of the North",
                                  u"治疗药水",     u"Goblin Archer",
                                  u"传说中的法杖", u"Scroll",
                                  u"火焰冲击",     u"Wolf Pelt"};

class Writer
{
public:
    explicit Writer(const std::string& path) : m_path(path), m_file(std::fopen(path.c_str(), "wb"))
    {
        if (m_file == nullptr)
            throw std::runtime_error("cannot create " + path);
    }
    ~Writer()
    {
        if (m_file != nullptr)
            std::fclose(m_file);
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    void Bytes(const void* data, size_t size)
    {
        if (size > 0 && std::fwrite(data, 1, size, m_file) != size)
            throw std::runtime_error("cannot write " + m_path);
        m_written += size;
    }
    void Units(const std::u16string& text) { Bytes(text.data(), text.size() * sizeof(char16_t)); }
    std::uint64_t Close()
    {
        const bool ok = std::fclose(m_file) == 0;
        m_file = nullptr;
        if (!ok)
            throw std::runtime_error("cannot write " + m_path);
        return m_written;
    }

private:
    std::string m_path;
    FILE* m_file;
    std::uint64_t m_written = 0;
};

template <class Format, class T> void AppendNumber(std::u16string& line, Format format, T value)
{
    char16_t number[tarn::text::kNumberTextCapacity];
    line.append(number, static_cast<size_t>(format(number, value)));
}

// One row in the writer's own form (no CR LF).
void AppendRow(std::u16string& line, int id, int rows, std::mt19937& random)
{
    using namespace tarn::text;
    AppendNumber(line, FormatInt32, id);
    line += u'\t';
    line += kNames[random() % (sizeof(kNames) / sizeof(kNames[0]))];
    line += u' ';
    AppendNumber(line, FormatInt32, id);
    line += u"\tKEY_";
    AppendNumber(line, FormatInt32, id);
    line += u'\t';
    AppendNumber(line, FormatUInt32, static_cast<std::uint32_t>(random()));
    line += u'\t';
    AppendNumber(line, FormatInt64, static_cast<std::int64_t>(random()) * 1000003 - (1LL << 40));
    line += u'\t';
    AppendNumber(line, FormatUInt64, (static_cast<std::uint64_t>(random()) << 32) | random());
    line += u'\t';
    AppendNumber(line, FormatFloat, static_cast<float>(random() % 100000) / 64.0f);
    line += u'\t';
    const int drops = static_cast<int>(random() % 5);
    for (int i = 0; i < drops; ++i)
    {
        if (i > 0)
            line += u'|';
        AppendNumber(line, FormatInt32, 1 + static_cast<int>(random() % static_cast<unsigned>(rows)));
    }
    line += u'\t';
    const int rates = static_cast<int>(random() % 4);
    for (int i = 0; i < rates; ++i)
    {
        if (i > 0)
            line += u'|';
        AppendNumber(line, FormatFloat, static_cast<float>(random() % 1000) / 8.0f);
    }
}

} // namespace

std::vector<GeneratedTable> GenerateDataDirectory(const std::string& directory,
                                                  const std::vector<int>& tableRows, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<GeneratedTable> tables;
    std::string list = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TableList>\n";
    for (size_t t = 0; t < tableRows.size(); ++t)
    {
        GeneratedTable table;
        table.fileName = "bench_" + std::to_string(t) + ".txt";
        table.rows = tableRows[t];
        list += "\t<Table FileName=\"" + table.fileName + "\" Label=\"表" + std::to_string(t) + "\" />\n";

        // The metadata file as the generator writes it: UTF-16LE with its mark.
        char meta[sizeof(kMeta) + 128];
        std::snprintf(meta, sizeof(meta), kMeta, table.fileName.c_str());
        Writer metaFile(directory + "/" + table.fileName + ".meta");
        metaFile.Bytes("\xFF\xFE", 2);
        metaFile.Units(scl::FromUtf8(meta));
        metaFile.Close();

        Writer data(directory + "/" + table.fileName);
        data.Bytes("\xFF\xFE", 2);
        data.Units(kHeader);
        std::u16string line;
        for (int id = 1; id <= table.rows; ++id)
        {
            line.clear();
            AppendRow(line, id, table.rows, random);
            line += u"\r\n";
            data.Units(line);
        }
        table.dataBytes = data.Close();
        tables.push_back(table);
    }
    Writer listFile(directory + "/tableList.xml");
    list += "</TableList>\n";
    listFile.Bytes(list.data(), list.size());
    listFile.Close();
    return tables;
}

} // namespace tesselbench
