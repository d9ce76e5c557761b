// What the fast load and save paths must keep exactly as the plain ones had it: the line count
// taken from the text in memory, rows and cells in the arena (deleted, re-created, all given back
// with their table), string cells whose unused units stay zero, the largest id gathered while
// reading, large tables saved byte for byte, and the fast "%f" of floats.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/arena.h"
#include "base/cpp/file.h"
#include "tablesTestSupport.h"
#include "tool/cell.h"
#include "tool/row.h"
#include "tool/table.h"
#include "tool/tableSerializer.h"
#include "tool/tables.h"

using namespace tablestest;

namespace
{

// A row in the writer's own form for the fields below.
std::string RowText(int id, int variant)
{
    std::string drops;
    for (int i = 0; i < variant % 4; ++i)
        drops += (i ? "|" : "") + std::to_string(id * 3 + i - 7);
    return std::to_string(id) + "\t名字 " + std::to_string(id) + " row" +
           std::string(static_cast<size_t>(variant % 9), 'x') + "\t" + std::to_string(variant * 16 + 1) +
           ".500000\t" + drops + "\t" + std::to_string(static_cast<std::uint64_t>(id) * 1000003ULL * 7919ULL);
}

const std::vector<std::string> kFields = {"INT ID", "STRING Name", "FLOAT Speed", "STRING_INT Drops",
                                          "UINT64 Gold"};
const std::string kHeader = "ID\tName\tSpeed\tDrops\tGold\r\nINT\tSTRING\tFLOAT\tSTRING_INT\tUINT64\r\n";

class PerfLoadTest : public DataDirTest
{
protected:
    // Writes table.txt with `rows` rows (ids 1..rows) and tableList.xml naming it.
    std::string WriteRows(int rows)
    {
        std::string text = kHeader;
        for (int id = 1; id <= rows; ++id)
            text += RowText(id, id) + "\r\n";
        WriteFile("table.txt.meta", Meta(kFields));
        WriteFile("table.txt", Utf16(text));
        WriteFile("tableList.xml", "<TableList><Table FileName=\"table.txt\" Label=\"T\"/></TableList>");
        return text;
    }

    tarn::editor::Table* LoadList()
    {
        TableList* list = TableList::instance();
        list->initIndex();
        list->loadTableList();
        EXPECT_EQ(list->count(), 1);
        EXPECT_TRUE(list->diagnostics().empty()) << AllText(list->diagnostics());
        return list->at(0);
    }

    static std::size_t Live() { return scl::arena_stats().liveObjects; }

    static std::vector<int> Ids(const tarn::editor::Table& table)
    {
        std::vector<int> ids;
        for (const tarn::Row& row : table.m_rows)
            ids.push_back(row.Id());
        return ids;
    }
};

// The count scl::File makes by reading the file again, and the serializer's count of the text it
// has read, for the same file.
struct Counts
{
    int file;
    int text;
};

Counts CountBoth(const std::string& path)
{
    Counts counts{0, 0};
    const std::u16string path16 = U16(path);
    scl::File file;
    file.Open(path16.c_str(), "rb");
    counts.file = file.LineCount();
    tarn::TableSerializer serializer;
    // A file without the mark is reported and read from its first byte.
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    serializer.OpenRead(path16.c_str());
    serializer.prepareRead();
    testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    counts.text = serializer.LineCount();
    return counts;
}

TEST_F(PerfLoadTest, LineCountOfTheTextInMemoryEqualsTheFileCount)
{
    const std::string longLine(20000, 'a');
    std::string shortLines; // many lines: the count goes by blocks
    for (int i = 0; i < 3000; ++i)
        shortLines += "row " + std::to_string(i) + "\r\n";
    std::string withGap = shortLines + std::string(9000, 'g') + "\r\n" + shortLines + "tail";

    const std::vector<std::string> texts = {
        "",
        "a",
        "a\r\nb\r\n",
        "a\r\nb",
        "\n\n\n",
        "a\nb\r\nc\rd",
        std::string(16381, 'x') + "\n", // with the mark: 16383 units with the LF, one line
        std::string(16382, 'x') + "\n", // with the mark: 16384 units: two lines
        std::string(16382, 'x'),        // with the mark: exactly 16383 units and no LF
        std::string(16383, 'x') + "\r\n" + std::string(16383, 'y'),
        longLine,
        longLine + "\r\n" + longLine + "\r\n",
        shortLines,
        shortLines + "no line end at the end",
        withGap,
        std::string(4096, 'z') + "\n" + shortLines,
    };
    int n = 0;
    for (const std::string& text : texts)
    {
        for (bool mark : {true, false})
        {
            const std::string name = "lines" + std::to_string(n++) + ".txt";
            WriteFile(name, Utf16(text, mark));
            const Counts counts = CountBoth(m_dir + "/" + name);
            EXPECT_EQ(counts.text, counts.file)
                << "text " << n / 2 << (mark ? " with" : " without") << " the mark";
            EXPECT_GT(counts.file, text.empty() && !mark ? -1 : 0);
        }
    }
}

TEST_F(PerfLoadTest, RowsAndCellsComeFromTheArenaAndGoBackWithTheirTable)
{
    const std::size_t empty = Live();
    WriteRows(300);
    TableList::instance()->initIndex(); // the name index's buckets live in the arena too
    const std::size_t before = Live();
    EXPECT_EQ(before - empty, 251u);
    tarn::editor::Table* table = LoadList();
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->m_rows.size(), 300);
    // Per row one node and one block for its five cells; their strings and lists are borrowed
    // from the table's text and list pool, not arena objects of their own.
    EXPECT_EQ(Live() - before, 300u * 2u);

    // Rows removed both ways and made anew: the freed slots are reused, nothing is lost.
    int removed = 0;
    for (scl::ListNode<tarn::Row>* node = table->m_rows.first(); node != nullptr;)
    {
        scl::ListNode<tarn::Row>* next = node->next;
        const int id = node->value.Id();
        if (id % 3 == 0)
        {
            node->value.RemoveSelfFromTable();
            ++removed;
        }
        else if (id % 7 == 0)
        {
            EXPECT_TRUE(table->RemoveRow(&node->value));
            ++removed;
        }
        node = next;
    }
    EXPECT_EQ(Live() - before, (300u - removed) * 2u);
    for (int i = 0; i < 150; ++i)
        table->NewRow(U16("new " + std::to_string(i)).c_str());
    // A new row's name is its cell's own: one more object each.
    EXPECT_EQ(Live() - before, (300u - removed) * 2u + 150u * 3u);
    EXPECT_EQ(table->m_rows.size(), 300 - removed + 150);
    EXPECT_EQ(std::u16string(table->m_rows.last()->value.Name()), u"new 149");
    EXPECT_EQ(table->m_rows.last()->value.Id(), 450);

    TableList::destroyInstance();
    EXPECT_EQ(Live(), empty);
    EXPECT_EQ(NewReports(), 0u);
}

TEST_F(PerfLoadTest, ALargeTableKeepsEveryStringWhileItsTextIsGivenBack)
{
    // Over 16 MiB of text: the loaded strings move to the front of the text while the rest of it
    // is given back to the system during the load. Every value must survive that exactly.
    std::string text = "ID\tName\tNote\r\nINT\tSTRING\tSTRING\r\n";
    std::vector<std::u16string> notes;
    for (int id = 1; id <= 20000; ++id)
    {
        std::string note = "note " + std::to_string(id) + " " +
                           std::string(static_cast<size_t>(350 + id % 97), 'a' + id % 26);
        text += std::to_string(id) + "\t名字 " + std::to_string(id) + "\t" + note + "\r\n";
        notes.push_back(U16(note));
    }
    const std::string bytes = Utf16(text);
    ASSERT_GT(bytes.size(), std::size_t(16) << 20);
    WriteFile("big.txt.meta", Meta({"INT ID", "STRING Name", "STRING Note"}));
    WriteFile("big.txt", bytes);
    {
        tarn::editor::Table table;
        ASSERT_TRUE(table.Load(u"big.txt")) << table.LastError();
        int id = 1;
        for (const tarn::Row& row : table.m_rows)
        {
            ASSERT_EQ(std::u16string(row.Name()), U16("名字 " + std::to_string(id))) << id;
            ASSERT_EQ(std::u16string(row.cells.m_data[2]->GetString()), notes[static_cast<size_t>(id - 1)])
                << id;
            ++id;
        }
        ASSERT_TRUE(table.Save()) << table.LastError();
    }
    EXPECT_EQ(ReadFile("big.txt"), bytes);
    EXPECT_EQ(NewReports(), 0u);
}

TEST_F(PerfLoadTest, RecreatedRowsAreSavedWithTheirOwnValues)
{
    const std::string original = WriteRows(1000);
    tarn::editor::Table* table = LoadList();
    ASSERT_NE(table, nullptr);

    // Remove every other row, then add rows that reuse their slots and give them values.
    std::string expected = kHeader;
    int index = 0;
    for (scl::ListNode<tarn::Row>* node = table->m_rows.first(); node != nullptr; ++index)
    {
        scl::ListNode<tarn::Row>* next = node->next;
        if (index % 2 == 0)
            EXPECT_TRUE(table->RemoveRow(&node->value));
        else
            expected += RowText(index + 1, index + 1) + "\r\n";
        node = next;
    }
    for (int i = 0; i < 500; ++i)
    {
        tarn::Row* row = table->NewRow(U16("new " + std::to_string(i)).c_str());
        row->cells.m_data[2]->SetFloat(0.25f);
        row->cells.m_data[3]->SetStringInt(u"4|5");
        expected += std::to_string(1001 + i) + "\tnew " + std::to_string(i) + "\t0.250000\t4|5\t0\r\n";
    }
    ASSERT_TRUE(table->Save()) << table->LastError();
    EXPECT_EQ(ReadFile("table.txt"), Utf16(expected));
    EXPECT_EQ(NewReports(), 0u);
}

TEST_F(PerfLoadTest, ALargeTableIsSavedByteForByte)
{
    const std::string original = WriteRows(20000);
    tarn::editor::Table* table = LoadList();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->m_rows.size(), 20000);
    EXPECT_EQ(table->m_maxId, 20000);
    ASSERT_TRUE(table->Save()) << table->LastError();
    EXPECT_EQ(ReadFile("table.txt"), Utf16(original));
    ASSERT_TRUE(table->Save()) << table->LastError();
    EXPECT_EQ(ReadFile("table.txt"), Utf16(original));
    EXPECT_EQ(NewReports(), 0u);
}

TEST_F(PerfLoadTest, TheLargestIdIsGatheredWhileReading)
{
    WriteFile("t.txt.meta", Meta({"INT ID", "STRING Name"}));
    WriteFile("t.txt", Utf16("ID\tName\r\nINT\tSTRING\r\n5\ta\r\n3\tb\r\n9\tc\r\n-20\td\r\n"));
    tarn::editor::Table table;
    ASSERT_TRUE(table.Load(u"t.txt"));
    EXPECT_EQ(table.m_maxId, 9);
    EXPECT_EQ(table.NewRow(u"n")->Id(), 10);

    WriteFile("neg.txt.meta", Meta({"INT ID", "STRING Name"}));
    WriteFile("neg.txt", Utf16("ID\tName\r\nINT\tSTRING\r\n-5\ta\r\n0\tb\r\n"));
    tarn::editor::Table negative;
    ASSERT_TRUE(negative.Load(u"neg.txt"));
    EXPECT_EQ(negative.m_maxId, 0);
    EXPECT_EQ(negative.NewRow(u"n")->Id(), 1);

    // Rows read into a table that has rows already: the largest of all of them.
    WriteFile("more.txt", Utf16("ID\tName\r\nINT\tSTRING\r\n1\tx\r\n2\ty\r\n"));
    ASSERT_TRUE(table.LoadData(u"more.txt"));
    EXPECT_EQ(Ids(table), (std::vector<int>{5, 3, 9, -20, 10, 1, 2}));
    EXPECT_EQ(table.m_maxId, 10);
}

// A string cell holds exactly its value, however the value got there: its units, its length and
// the terminator right after them, nothing of an earlier value.
void ExpectExactValue(tarn::StringCell& cell, const std::u16string& value)
{
    EXPECT_EQ(cell.Length(), static_cast<int>(value.size()));
    EXPECT_EQ(std::u16string(cell.GetString(), value.size()), value);
    EXPECT_EQ(cell.GetString()[value.size()], 0);
}

TEST(PerfStringCellTest, EveryValueIsExactlyItself)
{
    tarn::StringCell cell;
    ExpectExactValue(cell, u"");
    const std::u16string longText(1023, u'长');
    cell.SetString(longText.c_str());
    ExpectExactValue(cell, longText);
    cell.SetString(u"short");
    ExpectExactValue(cell, u"short");
    cell.SetString(u"");
    ExpectExactValue(cell, u"");

    // A text inside the cell's own buffer: its tail, and the whole of it.
    cell.SetString(u"abcdefgh");
    cell.SetString(cell.GetString() + 3);
    ExpectExactValue(cell, u"defgh");
    cell.SetString(cell.GetString());
    ExpectExactValue(cell, u"defgh");

    // A cut text keeps its first 1023 units.
    const std::u16string tooLong(1100, u'x');
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    cell.SetString(tooLong.c_str());
    testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    ExpectExactValue(cell, tooLong.substr(0, 1023));
}

class PerfSerializerTest : public DataDirTest
{
};

TEST_F(PerfSerializerTest, AShorterValueReadIntoACellLeavesNoTrace)
{
    WriteFile("v.txt", Utf16("a fairly long value\r\nshort\r\n\r\n"));
    tarn::TableSerializer serializer;
    serializer.OpenRead(u"v.txt");
    tarn::StringCell cell;
    for (const std::u16string& expected : {std::u16string(u"a fairly long value"), std::u16string(u"short")})
    {
        ASSERT_TRUE(serializer.NextLine());
        serializer.m_mode = tarn::TableSerializer::ModeRead;
        cell.Serialize(serializer);
        ExpectExactValue(cell, expected);
    }
    EXPECT_EQ(NewReports(), 0u);
}

} // namespace

namespace
{

std::string Format(float value)
{
    char16_t out[tarn::text::kNumberTextCapacity];
    const int n = tarn::text::FormatFloat(out, value);
    return scl::ToUtf8(std::u16string(out, static_cast<size_t>(n)).c_str());
}

std::string Printf(float value)
{
    char out[128];
    std::snprintf(out, sizeof(out), "%f", static_cast<double>(value));
    return out;
}

// The fast "%f" of floats below 2^43 against printf: every exponent from the subnormals up to the
// general conversion's range, values whose seventh decimal is an exact half (rounded to even),
// and the neighbours of decimal boundaries.
TEST(PerfFloatFormatTest, EqualsPrintfAcrossExponentsAndRoundingTies)
{
    std::vector<float> values = {
        0.0f,        -0.0f,      1e-7f,      -1e-7f,     5e-7f,        4.9999997e-7f, 0.5f,  0.0078125f,
        -0.0078125f, 0.9999995f, 9.9999995f, 999999.94f, 8.796093e12f, 8.796094e12f,  1e13f, 3e38f};
    // m / 2^k for small k: exact ties at the seventh decimal and beyond.
    for (int k = 1; k <= 30; ++k)
    {
        for (int m = -300; m <= 300; ++m)
            values.push_back(std::ldexp(static_cast<float>(m), -k));
    }
    // Random bit patterns of every exponent (the generated data uses multiples of 1/16).
    std::mt19937 random(2024);
    for (int i = 0; i < 200000; ++i)
    {
        const std::uint32_t bits = static_cast<std::uint32_t>(random());
        float v;
        std::memcpy(&v, &bits, sizeof(v));
        values.push_back(v);
        values.push_back(static_cast<float>(random() % 64000) / 16.0f);
    }
    // Around the decimal boundaries: the next float up and down.
    for (float d = 1e-6f; d < 1e12f; d *= 10.0f)
    {
        values.push_back(std::nextafter(d, 0.0f));
        values.push_back(std::nextafter(d, 1e30f));
        values.push_back(std::nextafter(d * 0.5f, 0.0f));
        values.push_back(std::nextafter(d * 0.5f, 1e30f));
    }
    for (float v : values)
        ASSERT_EQ(Format(v), Printf(v)) << std::hexfloat << v;
}

} // namespace

namespace
{

class PerfScanTest : public DataDirTest
{
};

// Line ends and separators are found eight units at a time: lone CR, LF and zero units anywhere in
// a long line (before, inside and after a block of eight) are still counted and split values.
TEST_F(PerfScanTest, StrayBreaksInLongLinesAreFoundWherever)
{
    const std::u16string line = u"0123456789abcdefghij\rklmnopqrstuvwxy\nz0123456789" +
                                std::u16string(1, u'\0') + u"ABCDEFGHIJKLMNOPQRSTUVW\rX";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : line + u"\r\nnext line that is long enough for two blocks\r\n")
    {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    WriteFile("s.txt", bytes);
    tarn::TableSerializer serializer;
    serializer.OpenRead(u"s.txt");
    ASSERT_TRUE(serializer.NextLine());
    EXPECT_EQ(serializer.LineLength(), static_cast<int>(line.size()));
    EXPECT_EQ(serializer.m_readIssues.strayBreaks, 4);
    ASSERT_TRUE(serializer.NextLine());
    EXPECT_EQ(serializer.m_readIssues.strayBreaks, 0);
    EXPECT_EQ(std::u16string(serializer.LineBegin(), static_cast<size_t>(serializer.LineLength())),
              u"next line that is long enough for two blocks");
    EXPECT_FALSE(serializer.NextLine());
}

TEST(PerfWriteTest, SeparatorsInLongStringsAreWrittenAsSpaces)
{
    tarn::Field field;
    field.m_type = FIELD_TYPE_STRING;
    std::unique_ptr<tarn::Cell> cell(tarn::CreateCell(field));
    cell->SetString(u"0123456789abcdef\tXYZ 0123456789\r\nend of a long value with no separator at all");
    tarn::TableSerializer serializer;
    tarn::Cell* cells[] = {cell.get(), cell.get()};
    EXPECT_FALSE(serializer.BuildRow(cells, 2));
    EXPECT_EQ(std::u16string(serializer.m_writeBuffer.c_str()),
              u"0123456789abcdef XYZ 0123456789  end of a long value with no separator at all\t"
              u"0123456789abcdef XYZ 0123456789  end of a long value with no separator at all\r\n");
    EXPECT_EQ(serializer.m_writeIssues.replacedSeparators, 2);

    cell->SetString(u"a plain value of more than eight units");
    EXPECT_TRUE(serializer.BuildRow(cells, 1));
    EXPECT_EQ(std::u16string(serializer.m_writeBuffer.c_str()),
              u"a plain value of more than eight units\r\n");
}

} // namespace
