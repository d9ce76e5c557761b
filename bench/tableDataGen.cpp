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
    u"ID\tName\tLevel\tExp\tGold\tSpeed\tDesc\tDrops\tWeights\tIcon\tLinkId\tFlags\r\n"
    u"INT\tSTRING\tUINT\tINT64\tUINT64\tFLOAT\tSTRING\tSTRING_INT\tSTRING_FLOAT\tSTRING\tINT\tUINT\r\n";

// The metadata file as the generator writes it; %s is the table's own file name (LinkId links
// rows of the same table).
const char kMeta[] =
    "<?xml version=\"1.0\"?>\n"
    "<Table IdFieldIndex=\"0\" NameFieldIndex=\"1\">\n"
    "\t<Field Type=\"INT\" Name=\"ID\" CodeVarName=\"ID\" LinkTableName=\"\" IsMulti=\"false\" />\n"
    "\t<Field Type=\"STRING\" Name=\"Name\" CodeVarName=\"Name\" LinkTableName=\"\" IsMulti=\"false\" />\n"
    "\t<Field Type=\"UINT\" Name=\"Level\" CodeVarName=\"Level\" LinkTableName=\"\" IsMulti=\"false\" />\n"
    "\t<Field Type=\"INT64\" Name=\"Exp\" CodeVarName=\"Exp\" LinkTableName=\"\" IsMulti=\"false\" />\n"
    "\t<Field Type=\"UINT64\" Name=\"Gold\" CodeVarName=\"Gold\" LinkTableName=\"\" IsMulti=\"false\" />\n"
    "\t<Field Type=\"FLOAT\" Name=\"Speed\" CodeVarName=\"Speed\" LinkTableName=\"\" IsMulti=\"false\" />\n"
    "\t<Field Type=\"STRING\" Name=\"Desc\" CodeVarName=\"Desc\" LinkTableName=\"\" IsMulti=\"false\" />\n"
    "\t<Field Type=\"STRING_INT\" Name=\"Drops\" CodeVarName=\"Drops\" LinkTableName=\"\" IsMulti=\"true\" "
    "/>\n"
    "\t<Field Type=\"STRING_FLOAT\" Name=\"Weights\" CodeVarName=\"Weights\" LinkTableName=\"\" "
    "IsMulti=\"true\" />\n"
    "\t<Field Type=\"STRING\" Name=\"Icon\" CodeVarName=\"Icon\" LinkTableName=\"\" IsMulti=\"false\" />\n"
    "\t<Field Type=\"INT\" Name=\"LinkId\" CodeVarName=\"LinkId\" LinkTableName=\"%s\" IsMulti=\"false\" />\n"
    "\t<Field Type=\"UINT\" Name=\"Flags\" CodeVarName=\"Flags\" LinkTableName=\"\" IsMulti=\"false\" />\n"
    "</Table>\n";

// Names: Chinese, ASCII and mixed; every row's name ends in its id.
const char16_t* const kNames[] = {
    u"铁剑",     u"Shield of the North", u"治疗药水",   u"Goblin Archer", u"传说中的法杖", u"Scroll",
    u"火焰冲击", u"Wolf Pelt",           u"龙鳞 Armor", u"Mana 药剂"};

// Words of the descriptions. No tab, CR, LF, quote or "|": every description is a plain value.
const char16_t* const kWords[] = {u"a ",        u"sturdy ", u"blade ",     u"forged ", u"in ",    u"the ",
                                  u"northern ", u"mines, ", u"它能",       u"提升",    u"攻击力", u"与",
                                  u"防御。",    u"Deals ",  u"fire ",      u"damage ", u"to ",    u"nearby ",
                                  u"enemies. ", u"在",      u"月光下",     u"闪耀",    u"Rare ",  u"drop ",
                                  u"from ",     u"elite ",  u"monsters; ", u"可叠加",  u"99 ",    u"次。",
                                  u"Requires ", u"level ",  u"30. ",       u"传说",    u"装备 "};

constexpr int kDescMin = 20;
constexpr int kDescMax = 200;
constexpr int kDropsMax = 8;
constexpr int kWeightsMax = 5;

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

std::uint32_t Below(std::mt19937& random, std::uint32_t n)
{
    return static_cast<std::uint32_t>(random() % n);
}

std::uint64_t Random64(std::mt19937& random)
{
    const std::uint64_t high = random();
    return (high << 32) | random();
}

// One row in the writer's own form (no CR LF). Floats are multiples of a power of two with few
// digits, so that "%f" of the value read back is the very text written.
void AppendRow(std::u16string& line, int id, int rows, std::mt19937& random)
{
    using namespace tarn::text;
    const std::uint32_t linkRange = static_cast<std::uint32_t>(rows) + 1;

    AppendNumber(line, FormatInt32, id); // ID
    line += u'\t';
    line += kNames[Below(random, sizeof(kNames) / sizeof(kNames[0]))]; // Name
    line += u' ';
    AppendNumber(line, FormatInt32, id);
    line += u'\t';
    AppendNumber(line, FormatUInt32, 1 + Below(random, 100)); // Level
    line += u'\t';
    AppendNumber(line, FormatInt64, static_cast<std::int64_t>(Random64(random) % 1000000000000ULL)); // Exp
    line += u'\t';
    AppendNumber(line, FormatUInt64, Random64(random)); // Gold
    line += u'\t';
    AppendNumber(line, FormatFloat, static_cast<float>(Below(random, 64000)) / 16.0f); // Speed
    line += u'\t';

    // Desc: words up to a length of 20 to 200 units, cut there (the words hold no surrogates).
    const size_t descLength = kDescMin + Below(random, kDescMax - kDescMin + 1);
    const size_t descStart = line.size();
    while (line.size() - descStart < descLength)
        line += kWords[Below(random, sizeof(kWords) / sizeof(kWords[0]))];
    line.resize(descStart + descLength);
    line += u'\t';

    const int drops = static_cast<int>(Below(random, kDropsMax + 1)); // Drops
    for (int i = 0; i < drops; ++i)
    {
        if (i > 0)
            line += u'|';
        AppendNumber(line, FormatInt32, static_cast<std::int32_t>(1 + Below(random, 50000)));
    }
    line += u'\t';
    const int weights = static_cast<int>(Below(random, kWeightsMax + 1)); // Weights
    for (int i = 0; i < weights; ++i)
    {
        if (i > 0)
            line += u'|';
        AppendNumber(line, FormatFloat, static_cast<float>(Below(random, 8000)) / 8.0f);
    }
    line += u"\ticons/item_"; // Icon
    AppendNumber(line, FormatUInt32, Below(random, 5000));
    line += u".png\t";
    AppendNumber(line, FormatInt32, static_cast<std::int32_t>(Below(random, linkRange))); // LinkId
    line += u'\t';
    AppendNumber(line, FormatUInt32, static_cast<std::uint32_t>(random())); // Flags
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
        std::u16string lines;
        for (int id = 1; id <= table.rows; ++id)
        {
            AppendRow(lines, id, table.rows, random);
            lines += u"\r\n";
            if (lines.size() >= 1 << 20)
            {
                data.Units(lines);
                lines.clear();
            }
        }
        data.Units(lines);
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
