// The data file reader and writer, driven the way a table drives it, on real files in a temporary
// directory, compared byte for byte.
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "dataFileTestSupport.h"
#include "tool/cell.h"
#include "tool/tableSerializer.h"

using tarn::TableSerializer;
using tarntest::CountReports;
using tarntest::U16;
using tarntest::U8;
using tarntest::Utf16Bytes;

namespace
{

using Row = std::vector<std::unique_ptr<tarn::Cell>>;

struct LoadedFile
{
    std::u16string header; // the two header lines, each with "\r\n"
    std::vector<Row> rows;
    std::vector<tarn::ReadIssues> issues; // per row
    std::vector<int> extraValues;         // per row
    std::vector<int> lineNumbers;         // per row
    bool hasMark = false;
};

Row MakeRow(const std::vector<FIELD_TYPE>& types)
{
    Row row;
    for (FIELD_TYPE type : types)
    {
        tarn::Field field;
        field.m_type = type;
        row.emplace_back(tarn::CreateCell(field));
    }
    return row;
}

std::vector<tarn::Cell*> Pointers(const Row& row)
{
    std::vector<tarn::Cell*> cells;
    for (const auto& cell : row)
        cells.push_back(cell.get());
    return cells;
}

// Reads a data file as a table does: two header lines kept verbatim, then one row per line until
// NextLine says there is none.
LoadedFile Load(const std::u16string& path, const std::vector<FIELD_TYPE>& types)
{
    LoadedFile file;
    TableSerializer s;
    s.OpenRead(path.c_str());
    file.hasMark = s.m_hasMark;
    for (int i = 0; i < 2; ++i)
    {
        s.prepareRead();
        s.NextLine();
        file.header.append(s.LineBegin(), static_cast<size_t>(s.LineLength()));
        file.header += u"\r\n";
    }
    while (s.NextLine())
    {
        file.rows.push_back(MakeRow(types));
        s.m_mode = TableSerializer::ModeRead;
        for (auto& cell : file.rows.back())
            cell->Serialize(s);
        file.issues.push_back(s.m_readIssues);
        file.extraValues.push_back(s.ExtraValueCount());
        file.lineNumbers.push_back(s.m_lineNumber);
    }
    return file;
}

void Save(const std::u16string& path, const LoadedFile& file)
{
    TableSerializer s;
    s.OpenWrite(path.c_str());
    s.WriteText(file.header.data(), static_cast<int>(file.header.size()));
    for (const Row& row : file.rows)
    {
        std::vector<tarn::Cell*> cells = Pointers(row);
        s.WriteRow(cells.data(), static_cast<int>(cells.size()));
    }
    EXPECT_FALSE(s.m_writeFailed);
}

std::string Text(const Row& row, size_t i)
{
    return U8(row[i]->ToString());
}

const std::vector<FIELD_TYPE> kEveryType = {FIELD_TYPE_INT,        FIELD_TYPE_STRING,      FIELD_TYPE_UINT,
                                            FIELD_TYPE_INT64,      FIELD_TYPE_UINT64,      FIELD_TYPE_FLOAT,
                                            FIELD_TYPE_STRING_INT, FIELD_TYPE_STRING_FLOAT};

const std::u16string kEveryTypeHeader =
    u"ID\tName\tU\tL\tUL\tF\tInts\tFloats\r\n"
    u"INT\tSTRING\tUINT\tINT64\tUINT64\tFLOAT\tSTRING_INT\tSTRING_FLOAT\r\n";

class DataFile : public tarntest::TempDirTest
{
protected:
    // Writes text (with the mark) to name, loads it with types and returns what was read.
    LoadedFile Read(const std::u16string& text, const std::vector<FIELD_TYPE>& types,
                    const std::string& name = "data.txt")
    {
        WriteBytes(name, Utf16Bytes(text));
        return Load(Path16(name), types);
    }
    // Loads name and saves it to "saved.txt"; returns the saved bytes.
    std::string Resave(const std::string& name, const std::vector<FIELD_TYPE>& types)
    {
        const LoadedFile file = Load(Path16(name), types);
        Save(Path16("saved.txt"), file);
        return ReadBytes("saved.txt");
    }
};

} // namespace

// ---- round trips ------------------------------------------------------------------------------

TEST_F(DataFile, WritersOwnFormReadsAndWritesBackByteForByte)
{
    const std::u16string text =
        kEveryTypeHeader +
        u"1\t长剑 Sword\t0\t-9223372036854775808\t18446744073709551615\t0.100000\t1|-2|3\t"
        u"0.500000|100000002004087734272.000000\r\n"
        u"-5\t\t4294967295\t9223372036854775807\t0\t100000002004087734272.000000\t\t\r\n"
        u"2147483647\t  spaces kept  \t7\t-1\t1\t-0.000000\t-2147483648\t-1.000000\r\n"
        u"-2147483648\t😀 | # ，。\t1\t0\t9\t1000000015047466219876688855040.000000\t0\t0.000000\r\n";
    WriteBytes("data.txt", Utf16Bytes(text));
    const LoadedFile file = Load(Path16("data.txt"), kEveryType);
    ASSERT_EQ(file.rows.size(), 4u);
    EXPECT_EQ(file.header, kEveryTypeHeader);

    const Row& r0 = file.rows[0];
    EXPECT_EQ(r0[0]->GetInt(), 1);
    EXPECT_EQ(Text(r0, 1), "长剑 Sword");
    EXPECT_EQ(r0[3]->GetInt64(), INT64_MIN);
    EXPECT_EQ(r0[4]->GetUInt64(), UINT64_MAX);
    EXPECT_EQ(r0[5]->GetFloat(), 0.1f);
    EXPECT_EQ(Text(r0, 6), "1|-2|3");
    ASSERT_EQ(r0[7]->GetStringFloat().size(), 2);
    EXPECT_EQ(r0[7]->GetStringFloat().m_data[1], 1e20f);
    const Row& r1 = file.rows[1];
    EXPECT_EQ(r1[0]->GetInt(), -5);
    EXPECT_EQ(Text(r1, 1), "");
    EXPECT_EQ(r1[2]->GetUInt(), 4294967295u);
    EXPECT_EQ(r1[5]->GetFloat(), 1e20f);
    EXPECT_EQ(r1[6]->GetStringInt().size(), 0);
    EXPECT_EQ(r1[7]->GetStringFloat().size(), 0);
    EXPECT_EQ(Text(file.rows[2], 1), "  spaces kept  ");
    EXPECT_EQ(file.rows[3][5]->GetFloat(), 1e30f);
    for (const auto& issues : file.issues)
        EXPECT_FALSE(issues.any());

    std::string bytes;
    EXPECT_EQ(CountReports([&] { bytes = Resave("data.txt", kEveryType); }), 0u);
    EXPECT_EQ(bytes, Utf16Bytes(text));
}

TEST_F(DataFile, HeaderOnlyFileWritesBackTheSameBytes)
{
    const std::u16string text = u"ID\tName\r\nINT\tSTRING\r\n";
    const LoadedFile file = Read(text, {FIELD_TYPE_INT, FIELD_TYPE_STRING});
    EXPECT_TRUE(file.rows.empty());
    EXPECT_EQ(Resave("data.txt", {FIELD_TYPE_INT, FIELD_TYPE_STRING}), Utf16Bytes(text));
}

TEST_F(DataFile, MarkOnlyFileGivesTwoEmptyHeaderLines)
{
    WriteBytes("data.txt", "\xFF\xFE");
    const LoadedFile file = Load(Path16("data.txt"), {FIELD_TYPE_INT});
    EXPECT_EQ(file.header, u"\r\n\r\n");
    EXPECT_TRUE(file.rows.empty());
    EXPECT_EQ(Resave("data.txt", {FIELD_TYPE_INT}), Utf16Bytes(u"\r\n\r\n"));
}

// ---- lines ------------------------------------------------------------------------------------

TEST_F(DataFile, LfOnlyFileIsOneLine)
{
    const LoadedFile file = Read(u"ID\nINT\n1\n2\n", {FIELD_TYPE_INT});
    EXPECT_EQ(file.header, u"ID\nINT\n1\n2\n\r\n\r\n");
    EXPECT_TRUE(file.rows.empty());
}

TEST_F(DataFile, CommentLinesAreSkippedAnywhereAndDroppedBySave)
{
    const std::vector<FIELD_TYPE> types = {FIELD_TYPE_INT, FIELD_TYPE_STRING};
    const LoadedFile file = Read(u"#first\r\n#second\r\nID\tName\r\n#between header lines\r\nINT\tSTRING\r\n"
                                 u"#before rows\r\n1\ta\r\n#\r\n#two\r\n2\tb\r\n#after rows",
                                 types);
    EXPECT_EQ(file.header, u"ID\tName\r\nINT\tSTRING\r\n");
    ASSERT_EQ(file.rows.size(), 2u);
    EXPECT_EQ(Text(file.rows[0], 1), "a");
    EXPECT_EQ(Text(file.rows[1], 1), "b");
    EXPECT_EQ(file.lineNumbers, (std::vector<int>{7, 10}));
    EXPECT_EQ(Resave("data.txt", types), Utf16Bytes(u"ID\tName\r\nINT\tSTRING\r\n1\ta\r\n2\tb\r\n"));
}

TEST_F(DataFile, EmptyLineEndsTheRows)
{
    const LoadedFile file = Read(u"ID\r\nINT\r\n1\r\n\r\n2\r\n", {FIELD_TYPE_INT});
    ASSERT_EQ(file.rows.size(), 1u);
    EXPECT_EQ(file.rows[0][0]->GetInt(), 1);
}

TEST_F(DataFile, LastRowWithoutCrLfIsReadWhole)
{
    const LoadedFile file =
        Read(u"ID\tName\r\nINT\tSTRING\r\n1\tone\r\n2\tlast value", {FIELD_TYPE_INT, FIELD_TYPE_STRING});
    ASSERT_EQ(file.rows.size(), 2u);
    EXPECT_EQ(Text(file.rows[1], 1), "last value");
}

TEST_F(DataFile, OneCharacterLineIsARow)
{
    const LoadedFile file = Read(u"V\r\nINT\r\n5", {FIELD_TYPE_INT});
    ASSERT_EQ(file.rows.size(), 1u);
    EXPECT_EQ(file.rows[0][0]->GetInt(), 5);
}

TEST_F(DataFile, AtTheEndNextLineStaysFalse)
{
    WriteBytes("data.txt", Utf16Bytes(u"A\r\nB\r\n1"));
    TableSerializer s;
    s.OpenRead(Path16("data.txt").c_str());
    EXPECT_TRUE(s.NextLine());
    EXPECT_TRUE(s.NextLine());
    EXPECT_TRUE(s.NextLine());
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_FALSE(s.NextLine());
        EXPECT_EQ(s.LineLength(), 0);
        EXPECT_EQ(s.NextToken(), nullptr);
    }
}

TEST_F(DataFile, LoneCrOrLfSplitsValuesLikeATab)
{
    const std::vector<FIELD_TYPE> types = {FIELD_TYPE_STRING, FIELD_TYPE_STRING, FIELD_TYPE_STRING};
    const LoadedFile file = Read(u"A\r\nB\r\nx\ry\nz\r\n", types);
    ASSERT_EQ(file.rows.size(), 1u);
    EXPECT_EQ(Text(file.rows[0], 0), "x");
    EXPECT_EQ(Text(file.rows[0], 1), "y");
    EXPECT_EQ(Text(file.rows[0], 2), "z");
    EXPECT_EQ(file.issues[0].strayBreaks, 2);
}

// ---- values -----------------------------------------------------------------------------------

TEST_F(DataFile, ShortRowLeavesCellsUnchangedAndLongRowIgnoresExtras)
{
    WriteBytes("data.txt", Utf16Bytes(u"H\r\nT\r\n7\r\n1\ta\t2\textra\t\tmore\t\r\n5\t\r\n"));
    TableSerializer s;
    s.OpenRead(Path16("data.txt").c_str());
    ASSERT_TRUE(s.NextLine());
    ASSERT_TRUE(s.NextLine());

    Row row = MakeRow({FIELD_TYPE_INT, FIELD_TYPE_STRING, FIELD_TYPE_INT});
    row[1]->SetString(u"keep");
    row[2]->SetInt(99);
    ASSERT_TRUE(s.NextLine());
    s.m_mode = TableSerializer::ModeRead;
    for (auto& cell : row)
        cell->Serialize(s);
    EXPECT_EQ(row[0]->GetInt(), 7);
    EXPECT_EQ(Text(row, 1), "keep");
    EXPECT_EQ(row[2]->GetInt(), 99);
    EXPECT_EQ(s.ExtraValueCount(), 0);

    ASSERT_TRUE(s.NextLine());
    for (auto& cell : row)
        cell->Serialize(s);
    EXPECT_EQ(row[0]->GetInt(), 1);
    EXPECT_EQ(Text(row, 1), "a");
    EXPECT_EQ(row[2]->GetInt(), 2);
    EXPECT_EQ(s.ExtraValueCount(), 2); // "extra" and "more"; the empty value between them holds nothing

    // "5<tab>": the trailing empty value is absent, so the string keeps its value.
    row[1]->SetString(u"keep");
    ASSERT_TRUE(s.NextLine());
    for (auto& cell : row)
        cell->Serialize(s);
    EXPECT_EQ(row[0]->GetInt(), 5);
    EXPECT_EQ(Text(row, 1), "keep");
    EXPECT_FALSE(s.NextLine());
}

TEST_F(DataFile, AdjacentTabsGiveEmptyValues)
{
    const std::vector<FIELD_TYPE> types = {FIELD_TYPE_INT,   FIELD_TYPE_STRING,       FIELD_TYPE_STRING_INT,
                                           FIELD_TYPE_FLOAT, FIELD_TYPE_STRING_FLOAT, FIELD_TYPE_INT};
    const LoadedFile file = Read(u"H\r\nT\r\n\t\t\t\t\t9\r\n", types);
    ASSERT_EQ(file.rows.size(), 1u);
    const Row& row = file.rows[0];
    EXPECT_EQ(row[0]->GetInt(), 0);
    EXPECT_EQ(Text(row, 1), "");
    EXPECT_EQ(row[2]->GetStringInt().size(), 0);
    EXPECT_EQ(row[3]->GetFloat(), 0.0f);
    EXPECT_EQ(row[4]->GetStringFloat().size(), 0);
    EXPECT_EQ(row[5]->GetInt(), 9);
    EXPECT_EQ(file.issues[0].emptyNumbers, 2);
    EXPECT_EQ(file.issues[0].inexactNumbers, 0);
}

TEST_F(DataFile, NumbersReadAsTheCLibraryReadsThem)
{
    const std::vector<FIELD_TYPE> types = {FIELD_TYPE_INT,       FIELD_TYPE_INT,  FIELD_TYPE_INT,
                                           FIELD_TYPE_INT,       FIELD_TYPE_UINT, FIELD_TYPE_FLOAT,
                                           FIELD_TYPE_STRING_INT};
    const LoadedFile file =
        Read(u"H\r\nT\r\n12abc\tabc\t99999999999\t-99999999999\t-1\t1e20\t1||2|\r\n", types);
    ASSERT_EQ(file.rows.size(), 1u);
    const Row& row = file.rows[0];
    EXPECT_EQ(row[0]->GetInt(), 12);
    EXPECT_EQ(row[1]->GetInt(), 0);
    EXPECT_EQ(row[2]->GetInt(), INT_MAX);
    EXPECT_EQ(row[3]->GetInt(), INT_MIN);
    EXPECT_EQ(row[4]->GetUInt(), 4294967295u);
    EXPECT_EQ(row[5]->GetFloat(), 1e20f);
    EXPECT_EQ(Text(row, 6), "1|2");
    EXPECT_EQ(file.issues[0].inexactNumbers, 4); // 12abc, abc and the two out of range
    EXPECT_EQ(
        Resave("data.txt", types),
        Utf16Bytes(u"H\r\nT\r\n12\t0\t2147483647\t-2147483648\t4294967295\t100000002004087734272.000000\t"
                   u"1|2\r\n"));
}

TEST_F(DataFile, SeventyElementListsKeep64WithSixReportsEach)
{
    std::u16string ints, floats;
    for (int i = 1; i <= 70; ++i)
    {
        ints += U16(std::to_string(-i) + (i < 70 ? "|" : ""));
        floats += U16(std::to_string(i) + ".5" + (i < 70 ? "|" : ""));
    }
    const std::vector<FIELD_TYPE> types = {FIELD_TYPE_STRING_INT, FIELD_TYPE_STRING_FLOAT};
    WriteBytes("data.txt", Utf16Bytes(u"H\r\nT\r\n" + ints + u"\t" + floats + u"\r\n"));
    LoadedFile file;
    std::string last;
    EXPECT_EQ(CountReports([&] { file = Load(Path16("data.txt"), types); }, &last), 12u);
    EXPECT_NE(last.find("<function: scl::parray<float>::push_back>"), std::string::npos) << last;
    EXPECT_NE(last.find("<expresion: 0>"), std::string::npos) << last;
    ASSERT_EQ(file.rows.size(), 1u);
    EXPECT_EQ(file.rows[0][0]->GetStringInt().size(), 64);
    EXPECT_EQ(file.rows[0][0]->GetStringInt().m_data[63], -64);
    EXPECT_EQ(file.rows[0][1]->GetStringFloat().size(), 64);
    EXPECT_EQ(file.rows[0][1]->GetStringFloat().m_data[63], 64.5f);
    EXPECT_EQ(file.issues[0].droppedElements, 12);

    Save(Path16("saved.txt"), file);
    const LoadedFile again = Load(Path16("saved.txt"), types);
    ASSERT_EQ(again.rows.size(), 1u);
    EXPECT_EQ(again.rows[0][0]->GetStringInt().size(), 64);
    EXPECT_FALSE(again.issues[0].any());
}

TEST_F(DataFile, LongStringIsCutTo1023OnReadingWithAReport)
{
    const std::u16string value(1500, u'字');
    WriteBytes("data.txt", Utf16Bytes(u"H\r\nT\r\n" + value + u"\t3\r\n"));
    LoadedFile file;
    std::string last;
    EXPECT_EQ(CountReports(
                  [&] {
                      file = Load(Path16("data.txt"), {FIELD_TYPE_STRING, FIELD_TYPE_INT});
                  },
                  &last),
              1u);
    EXPECT_NE(last.find("string of 1500 characters cut to 1023"), std::string::npos) << last;
    EXPECT_NE(last.find("data.txt:3"), std::string::npos) << last;
    ASSERT_EQ(file.rows.size(), 1u);
    EXPECT_EQ(scl::str_length(file.rows[0][0]->GetString()), 1023);
    EXPECT_EQ(file.rows[0][1]->GetInt(), 3); // the next value is intact
    EXPECT_EQ(file.issues[0].cutValues, 1);
}

// ---- marks, missing and damaged files ---------------------------------------------------------

TEST_F(DataFile, BigEndianMarkPassesAndTheTextIsReadLittleEndian)
{
    std::string bytes = Utf16Bytes(u"H\r\nT\r\n42\r\n");
    bytes[0] = '\xFE';
    bytes[1] = '\xFF';
    WriteBytes("data.txt", bytes);
    LoadedFile file;
    EXPECT_EQ(CountReports([&] { file = Load(Path16("data.txt"), {FIELD_TYPE_INT}); }), 0u);
    EXPECT_TRUE(file.hasMark);
    ASSERT_EQ(file.rows.size(), 1u);
    EXPECT_EQ(file.rows[0][0]->GetInt(), 42);
    // Saving writes the little-endian mark.
    EXPECT_EQ(Resave("data.txt", {FIELD_TYPE_INT}), Utf16Bytes(u"H\r\nT\r\n42\r\n"));
}

TEST_F(DataFile, MissingMarkIsReportedAndTheFileReadFromItsFirstByte)
{
    WriteBytes("data.txt", Utf16Bytes(u"H\r\nT\r\n42\r\n", false));
    LoadedFile file;
    std::string last;
    EXPECT_EQ(CountReports([&] { file = Load(Path16("data.txt"), {FIELD_TYPE_INT}); }, &last), 1u);
    EXPECT_NE(last.find("file is not UTF16 format!"), std::string::npos) << last;
    EXPECT_FALSE(file.hasMark);
    EXPECT_EQ(file.header, u"H\r\nT\r\n");
    ASSERT_EQ(file.rows.size(), 1u);
    EXPECT_EQ(file.rows[0][0]->GetInt(), 42);
}

TEST_F(DataFile, MissingFileIsCreatedEmptyAndReported)
{
    ASSERT_FALSE(Exists("none.txt"));
    LoadedFile file;
    std::string last;
    EXPECT_EQ(CountReports([&] { file = Load(Path16("none.txt"), {FIELD_TYPE_INT}); }, &last), 1u);
    EXPECT_NE(last.find("file is not UTF16 format!"), std::string::npos) << last;
    EXPECT_TRUE(Exists("none.txt"));
    EXPECT_EQ(ReadBytes("none.txt"), "");
    EXPECT_EQ(file.header, u"\r\n\r\n");
    EXPECT_TRUE(file.rows.empty());
}

TEST_F(DataFile, UnopenableFileIsReportedAndNothingIsTransferred)
{
    // A directory cannot be opened as a file.
    TableSerializer s;
    std::string last;
    EXPECT_EQ(CountReports([&] { s.OpenRead(Path16("").c_str()); }, &last), 1u);
    EXPECT_NE(last.find("<function: tarn::TableSerializer::OpenRead>"), std::string::npos) << last;
    EXPECT_NE(last.find("<expresion: false>"), std::string::npos) << last;
    EXPECT_EQ(CountReports([&] { EXPECT_FALSE(s.NextLine()); }, &last), 1u);
    EXPECT_NE(last.find("<function: tarn::TableSerializer::prepareRead>"), std::string::npos) << last;
    EXPECT_NE(last.find("<expresion: false>"), std::string::npos) << last;
    s.m_mode = TableSerializer::ModeRead;
    int value = 5;
    EXPECT_EQ(CountReports([&] { s.set(value); }, &last), 1u);
    EXPECT_NE(last.find("<function: tarn::TableSerializer::set>"), std::string::npos) << last;
    EXPECT_NE(last.find("<expresion: 0>"), std::string::npos) << last;
    EXPECT_EQ(value, 5);

    TableSerializer w;
    EXPECT_EQ(CountReports([&] { w.OpenWrite(Path16("no such dir/out.txt").c_str()); }, &last), 1u);
    EXPECT_NE(last.find("<function: tarn::TableSerializer::OpenWrite>"), std::string::npos) << last;
    EXPECT_NE(last.find("<expresion: false>"), std::string::npos) << last;
    Row row = MakeRow({FIELD_TYPE_INT, FIELD_TYPE_STRING});
    std::vector<tarn::Cell*> cells = Pointers(row);
    EXPECT_EQ(CountReports([&] { w.WriteRow(cells.data(), 2); }), 2u); // one per value
    EXPECT_FALSE(Exists("no such dir"));
}

TEST_F(DataFile, ReadOnlyFileIsRead)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "file permissions do not apply to root";
    WriteBytes("data.txt", Utf16Bytes(u"H\r\nT\r\n8\r\n"));
    std::filesystem::permissions(PathOf("data.txt"), std::filesystem::perms::owner_read);
    LoadedFile file;
    EXPECT_EQ(CountReports([&] { file = Load(Path16("data.txt"), {FIELD_TYPE_INT}); }), 0u);
    ASSERT_EQ(file.rows.size(), 1u);
    EXPECT_EQ(file.rows[0][0]->GetInt(), 8);
}

TEST_F(DataFile, SecondOpenIsRefused)
{
    WriteBytes("a.txt", Utf16Bytes(u"A\r\nB\r\n1\r\n"));
    WriteBytes("b.txt", Utf16Bytes(u"C\r\nD\r\n2\r\n"));
    TableSerializer s;
    s.OpenRead(Path16("a.txt").c_str());
    std::string last;
    EXPECT_EQ(CountReports([&] { s.OpenRead(Path16("b.txt").c_str()); }, &last), 1u);
    EXPECT_NE(last.find("<function: scl::File::Open>"), std::string::npos) << last;
    ASSERT_TRUE(s.NextLine());
    EXPECT_EQ(std::u16string(s.LineBegin(), static_cast<size_t>(s.LineLength())), u"A");
}

TEST_F(DataFile, OddByteCountDropsTheLastByteWithAReport)
{
    WriteBytes("data.txt", Utf16Bytes(u"H\r\nT\r\n17") + "\x31");
    LoadedFile file;
    std::string last;
    EXPECT_EQ(CountReports([&] { file = Load(Path16("data.txt"), {FIELD_TYPE_INT}); }, &last), 1u);
    EXPECT_NE(last.find("odd number of bytes"), std::string::npos) << last;
    ASSERT_EQ(file.rows.size(), 1u);
    EXPECT_EQ(file.rows[0][0]->GetInt(), 17);
}

TEST_F(DataFile, SetInAnotherModeReportsAndChangesNothing)
{
    WriteBytes("data.txt", Utf16Bytes(u"H\r\nT\r\n5\r\n"));
    TableSerializer s;
    s.OpenRead(Path16("data.txt").c_str());
    s.NextLine();
    s.NextLine();
    s.NextLine();
    tarn::IntCell cell;
    cell.SetInt(3);
    std::string last;
    EXPECT_EQ(CountReports([&] { cell.Serialize(s); }, &last), 1u); // mode 0
    EXPECT_NE(last.find("<function: tarn::TableSerializer::set>"), std::string::npos) << last;
    EXPECT_EQ(cell.GetInt(), 3);
    s.m_mode = 7;
    EXPECT_EQ(CountReports([&] { cell.Serialize(s); }), 1u);
    s.m_mode = TableSerializer::ModeRead;
    cell.Serialize(s);
    EXPECT_EQ(cell.GetInt(), 5);
}

// ---- writing ----------------------------------------------------------------------------------

TEST_F(DataFile, RowsAreJoinedByTabsAndEndInCrLf)
{
    Row row = MakeRow({FIELD_TYPE_INT, FIELD_TYPE_STRING, FIELD_TYPE_FLOAT, FIELD_TYPE_STRING_INT});
    row[0]->SetInt(-5);
    row[1]->SetString(u" a b ");
    row[2]->SetFloat(0.5f);
    std::vector<tarn::Cell*> cells = Pointers(row);
    {
        TableSerializer s;
        s.OpenWrite(Path16("out.txt").c_str());
        EXPECT_TRUE(s.WriteText(u"H\r\n", 3));
        s.WriteRow(cells.data(), static_cast<int>(cells.size()));
        s.WriteRow(cells.data(), 0); // no cells: nothing
        s.WriteRow(scl::parray<tarn::Cell*>(cells.data(), 2, 2));
        EXPECT_EQ(s.m_rowsWritten, 2);
    }
    EXPECT_EQ(ReadBytes("out.txt"), Utf16Bytes(u"H\r\n-5\t a b \t0.500000\t\r\n-5\t a b \r\n"));
}

TEST_F(DataFile, NullCellKeepsItsColumnEmpty)
{
    Row row = MakeRow({FIELD_TYPE_INT, FIELD_TYPE_INT});
    row[0]->SetInt(1);
    row[1]->SetInt(2);
    tarn::Cell* cells[] = {row[0].get(), nullptr, row[1].get()};
    {
        TableSerializer s;
        s.OpenWrite(Path16("out.txt").c_str());
        s.WriteRow(cells, 3);
    }
    EXPECT_EQ(ReadBytes("out.txt"), Utf16Bytes(u"1\t\t2\r\n"));
}

TEST_F(DataFile, TabsAndLineBreaksInStringsAreWrittenAsSpaces)
{
    Row row = MakeRow({FIELD_TYPE_INT, FIELD_TYPE_STRING, FIELD_TYPE_STRING});
    row[0]->SetInt(1);
    row[1]->SetString(u"a\tb\rc\nd\r\ne");
    row[2]->SetString(u"fine");
    std::vector<tarn::Cell*> cells = Pointers(row);
    TableSerializer s;
    s.OpenWrite(Path16("out.txt").c_str());
    s.WriteText(u"H\r\nT\r\n", 6);
    std::string last;
    EXPECT_EQ(CountReports([&] { s.WriteRow(cells.data(), 3); }, &last), 1u);
    EXPECT_NE(last.find("row 1, value 2: tab, CR or LF written as a space"), std::string::npos) << last;
    EXPECT_EQ(s.m_writeIssues.replacedSeparators, 1);
    EXPECT_EQ(CountReports([&] { s.WriteRow(cells.data(), 3); }), 1u);
    s.m_file.Close();
    EXPECT_EQ(ReadBytes("out.txt"), Utf16Bytes(u"H\r\nT\r\n1\ta b c d  e\tfine\r\n1\ta b c d  e\tfine\r\n"));
    const LoadedFile file = Load(Path16("out.txt"), {FIELD_TYPE_INT, FIELD_TYPE_STRING, FIELD_TYPE_STRING});
    ASSERT_EQ(file.rows.size(), 2u);
    EXPECT_EQ(Text(file.rows[1], 2), "fine");
}

TEST_F(DataFile, OverlongRowIsCutAndStillEndsWithCrLf)
{
    // Five strings of 1000 characters make 5004 characters: the row is cut at 4095.
    const std::vector<FIELD_TYPE> types(5, FIELD_TYPE_STRING);
    Row row = MakeRow(types);
    for (int i = 0; i < 5; ++i)
        row[static_cast<size_t>(i)]->SetString(std::u16string(1000, static_cast<char16_t>(u'a' + i)).c_str());
    Row next = MakeRow(types);
    next[0]->SetString(u"next");
    std::vector<tarn::Cell*> cells = Pointers(row);
    std::vector<tarn::Cell*> nextCells = Pointers(next);
    {
        TableSerializer s;
        s.OpenWrite(Path16("out.txt").c_str());
        s.WriteText(u"H\r\nT\r\n", 6);
        std::string last;
        EXPECT_EQ(CountReports([&] { s.WriteRow(cells.data(), 5); }, &last), 1u);
        EXPECT_NE(last.find("row 1: text longer than 4095 characters: cut at value 5"), std::string::npos)
            << last;
        EXPECT_TRUE(s.m_writeIssues.cutRow);
        s.WriteRow(nextCells.data(), 5);
        EXPECT_FALSE(s.m_writeIssues.any());
    }
    const std::string bytes = ReadBytes("out.txt");
    std::u16string expected = u"H\r\nT\r\n";
    for (int i = 0; i < 4; ++i)
        expected += std::u16string(1000, static_cast<char16_t>(u'a' + i)) + u"\t";
    expected += std::u16string(91, u'e') + u"\r\nnext\t\t\t\t\r\n";
    EXPECT_EQ(bytes, Utf16Bytes(expected));

    const LoadedFile file = Load(Path16("out.txt"), types);
    ASSERT_EQ(file.rows.size(), 2u);
    EXPECT_EQ(Text(file.rows[1], 0), "next");
}

TEST_F(DataFile, RowOfExactly4095CharactersKeepsItsLastValue)
{
    // Four strings of 1023 and three tabs are 4095 characters, then CR LF: nothing is cut.
    Row row = MakeRow({FIELD_TYPE_STRING, FIELD_TYPE_STRING, FIELD_TYPE_STRING, FIELD_TYPE_STRING});
    for (int i = 0; i < 3; ++i)
        row[static_cast<size_t>(i)]->SetString(std::u16string(1023, u'x').c_str());
    row[3]->SetString(std::u16string(1023, u'y').c_str());
    std::vector<tarn::Cell*> cells = Pointers(row);
    {
        TableSerializer s;
        s.OpenWrite(Path16("out.txt").c_str());
        EXPECT_EQ(CountReports([&] { s.WriteRow(cells.data(), 4); }), 0u);
        EXPECT_FALSE(s.m_writeIssues.any());
    }
    const std::string bytes = ReadBytes("out.txt");
    ASSERT_EQ(bytes.size(), 2u + 2u * (4095u + 2u));
    EXPECT_EQ(bytes.substr(bytes.size() - 6), Utf16Bytes(u"y\r\n", false));
}

TEST_F(DataFile, RowThatWouldReadAsACommentOrAnEmptyLineKeepsItsPlace)
{
    const std::vector<FIELD_TYPE> types = {FIELD_TYPE_STRING};
    Row hash = MakeRow(types);
    hash[0]->SetString(u"#tag");
    Row empty = MakeRow(types);
    Row last = MakeRow(types);
    last[0]->SetString(u"z");
    {
        TableSerializer s;
        s.OpenWrite(Path16("out.txt").c_str());
        s.WriteText(u"H\r\nT\r\n", 6);
        for (Row* row : {&hash, &empty, &last})
        {
            std::vector<tarn::Cell*> cells = Pointers(*row);
            const unsigned long reports = CountReports([&] { s.WriteRow(cells.data(), 1); });
            EXPECT_EQ(reports, row == &hash ? 1u : 0u);
        }
    }
    EXPECT_EQ(ReadBytes("out.txt"), Utf16Bytes(u"H\r\nT\r\n #tag\r\n\t\r\nz\r\n"));
    const LoadedFile file = Load(Path16("out.txt"), types);
    ASSERT_EQ(file.rows.size(), 3u);
    EXPECT_EQ(Text(file.rows[0], 0), " #tag");
    EXPECT_EQ(Text(file.rows[1], 0), "");
    EXPECT_EQ(Text(file.rows[2], 0), "z");
}

TEST_F(DataFile, StringOver1023IsWrittenCutWithAReport)
{
    // Cells hold at most 1023 units; a larger buffer handed to the serializer is cut on writing.
    std::u16string big(1500, u'q');
    scl::pstringT<char16_t> value(&big[0], static_cast<int>(big.size()) + 1);
    TableSerializer s;
    s.OpenWrite(Path16("out.txt").c_str());
    s.m_mode = TableSerializer::ModeWrite;
    std::string last;
    EXPECT_EQ(CountReports([&] { s.set(value); }, &last), 1u);
    EXPECT_NE(last.find("string of 1500 characters cut to 1023"), std::string::npos) << last;
    EXPECT_EQ(s.m_writeIssues.cutValues, 1);
    EXPECT_EQ(s.m_writeLength, 1024); // the value and its tab
    EXPECT_EQ(s.m_writeBuffer.c_str()[1023], u'\t');
}

TEST_F(DataFile, BuildRowMakesWriteRowsLineWithoutAFile)
{
    const std::vector<FIELD_TYPE> types = {FIELD_TYPE_STRING, FIELD_TYPE_INT, FIELD_TYPE_STRING_FLOAT};
    std::vector<Row> rows;
    for (int i = 0; i < 5; ++i)
        rows.push_back(MakeRow(types));
    rows[0][0]->SetString(u"plain");
    rows[0][2]->SetStringFloat(u"1|2");
    rows[1][0]->SetString(u"#first");
    rows[2][0]->SetString(u"tab\there");
    rows[3][0]->SetString(std::u16string(1023, u'w').c_str());
    std::u16string large;
    for (int i = 0; i < 64; ++i)
        large += u"-3.4e38|"; // "%f" gives 47 characters each: the row passes 4095
    rows[3][2]->SetStringFloat(large.c_str());
    const bool expected[] = {true, false, false, false, true};

    std::u16string built;
    TableSerializer builder; // no file
    for (size_t i = 0; i < rows.size(); ++i)
    {
        std::vector<tarn::Cell*> cells = Pointers(rows[i]);
        bool faithful = false;
        EXPECT_EQ(
            CountReports([&] { faithful = builder.BuildRow(cells.data(), static_cast<int>(cells.size())); }),
            0u);
        EXPECT_EQ(faithful, expected[i]) << "row " << i;
        EXPECT_EQ(builder.m_mode, TableSerializer::ModeWrite);
        built.append(builder.m_writeBuffer.c_str(), static_cast<size_t>(builder.m_writeLength));
    }
    EXPECT_EQ(built.substr(0, 39), u"plain\t0\t1.000000|2.000000\r\n #first\t0\t\r\n");

    {
        TableSerializer s;
        s.OpenWrite(Path16("out.txt").c_str());
        CountReports(
            [&]
            {
                for (const Row& row : rows)
                {
                    std::vector<tarn::Cell*> cells = Pointers(row);
                    s.WriteRow(cells.data(), static_cast<int>(cells.size()));
                }
            });
    }
    EXPECT_EQ(ReadBytes("out.txt"), Utf16Bytes(built));
}

TEST_F(DataFile, LargeFloatsAreWrittenWhole)
{
    Row row = MakeRow({FIELD_TYPE_FLOAT, FIELD_TYPE_STRING_FLOAT});
    row[0]->SetFloat(FLT_MAX);
    row[1]->SetStringFloat(u"-3.4028235e38|1e30");
    std::vector<tarn::Cell*> cells = Pointers(row);
    {
        TableSerializer s;
        s.OpenWrite(Path16("out.txt").c_str());
        s.WriteText(u"H\r\nT\r\n", 6);
        EXPECT_EQ(CountReports([&] { s.WriteRow(cells.data(), 2); }), 0u);
    }
    const LoadedFile file = Load(Path16("out.txt"), {FIELD_TYPE_FLOAT, FIELD_TYPE_STRING_FLOAT});
    ASSERT_EQ(file.rows.size(), 1u);
    EXPECT_EQ(file.rows[0][0]->GetFloat(), FLT_MAX);
    EXPECT_EQ(file.rows[0][1]->GetStringFloat().m_data[0], -FLT_MAX);
    EXPECT_EQ(file.rows[0][1]->GetStringFloat().m_data[1], 1e30f);
    EXPECT_FALSE(file.issues[0].any());
}

TEST_F(DataFile, OnlyTheFirstWriteAddsTheMark)
{
    Row row = MakeRow({FIELD_TYPE_INT});
    std::vector<tarn::Cell*> cells = Pointers(row);
    {
        TableSerializer s;
        s.OpenWrite(Path16("out.txt").c_str());
        s.WriteRow(cells.data(), 1);
        s.WriteRow(cells.data(), 1);
    }
    EXPECT_EQ(ReadBytes("out.txt"), Utf16Bytes(u"0\r\n0\r\n"));
}

// ---- any input --------------------------------------------------------------------------------

TEST_F(DataFile, AnyInputLoadsAndOneSaveMakesItStable)
{
    // Random files over the units that matter to the format. Whatever a file holds, it loads
    // without reading past its text, and once saved it reads and saves back to the same bytes.
    const char16_t alphabet[] = {u'\t', u'\r', u'\n', u'#', u'|', u'1',   u'9',  u'-',
                                 u'.',  u'e',  u'a',  u' ', 0,    0xD800, u'字', u'x'};
    const std::vector<FIELD_TYPE> types = {FIELD_TYPE_STRING, FIELD_TYPE_INT,   FIELD_TYPE_STRING_FLOAT,
                                           FIELD_TYPE_UINT,   FIELD_TYPE_FLOAT, FIELD_TYPE_STRING_INT,
                                           FIELD_TYPE_INT64,  FIELD_TYPE_UINT64};
    std::mt19937 rng(2024);
    for (int round = 0; round < 300; ++round)
    {
        std::string bytes;
        if (round % 3 != 0)
            bytes = "\xFF\xFE";
        const int units = static_cast<int>(rng() % 120);
        for (int i = 0; i < units; ++i)
        {
            const char16_t c = alphabet[rng() % (sizeof(alphabet) / sizeof(alphabet[0]))];
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>(c >> 8);
        }
        if (round % 5 == 0)
            bytes += static_cast<char>(rng() & 0xFF); // odd byte count
        WriteBytes("in.txt", bytes);

        std::string once, twice;
        CountReports(
            [&]
            {
                const LoadedFile first = Load(Path16("in.txt"), types);
                Save(Path16("once.txt"), first);
                once = ReadBytes("once.txt");
                const LoadedFile second = Load(Path16("once.txt"), types);
                EXPECT_EQ(second.rows.size(), first.rows.size()) << "round " << round;
                Save(Path16("twice.txt"), second);
                twice = ReadBytes("twice.txt");
            });
        ASSERT_EQ(twice, once) << "round " << round;
    }
}

namespace
{

// A cell's value exactly (floats by their bits), for comparing two ways of reading it.
std::string ExactValue(tarn::Cell& cell)
{
    auto bits = [](float f)
    {
        std::uint32_t b;
        std::memcpy(&b, &f, sizeof b);
        return std::to_string(b);
    };
    switch (cell.Type())
    {
    case FIELD_TYPE_INT:
        return std::to_string(cell.GetInt());
    case FIELD_TYPE_UINT:
        return std::to_string(cell.GetUInt());
    case FIELD_TYPE_INT64:
        return std::to_string(cell.GetInt64());
    case FIELD_TYPE_UINT64:
        return std::to_string(cell.GetUInt64());
    case FIELD_TYPE_FLOAT:
        return bits(cell.GetFloat());
    case FIELD_TYPE_STRING:
        return U8(cell.GetString()) + " (" + std::to_string(static_cast<tarn::StringCell&>(cell).Length()) +
               ")";
    case FIELD_TYPE_STRING_INT:
    {
        std::string s;
        for (int v : cell.GetStringInt())
            s += std::to_string(v) + ",";
        return s;
    }
    case FIELD_TYPE_STRING_FLOAT:
    {
        std::string s;
        for (float v : cell.GetStringFloat())
            s += bits(v) + ",";
        return s;
    }
    default:
        return "?";
    }
}

// The reports of a captured output without their line numbers (the two ways of reading report
// from different lines of the same file).
std::string WithoutLineNumbers(const std::string& out)
{
    std::string result;
    size_t at = 0;
    while (at < out.size())
    {
        size_t end = out.find('\n', at);
        end = end == std::string::npos ? out.size() : end + 1;
        if (out.compare(at, 7, "<line: ") != 0)
            result.append(out, at, end - at);
        at = end;
    }
    return result;
}

// What ReadRow makes of every row of a data file (after its two header lines).
struct ReadRowResult
{
    std::vector<std::vector<std::string>> values; // ExactValue of every cell
    std::vector<tarn::ReadIssues> issues;
    std::vector<int> extra;    // ExtraValueCount
    std::vector<bool> claimed; // m_rowInWriterForm
    std::vector<bool> rebuilt; // BuildRow makes the very line
    std::string reports;       // without line numbers
};

ReadRowResult ReadEveryRow(const std::u16string& path, const std::vector<FIELD_TYPE>& types)
{
    ReadRowResult result;
    testing::internal::CaptureStdout();
    {
        TableSerializer s;
        s.OpenRead(path.c_str());
        s.NextLine();
        s.NextLine();
        scl::BumpPool pool;
        while (s.NextLine())
        {
            Row row = MakeRow(types);
            const std::vector<tarn::Cell*> cells = Pointers(row);
            s.ReadRow(cells.data(), static_cast<int>(cells.size()), pool);
            result.issues.push_back(s.m_readIssues);
            result.extra.push_back(s.ExtraValueCount());
            // Said to be in the writer's form only when the writer makes this very line of the
            // cells (the other way round it may be too cautious: the table then compares).
            const bool claimed = s.m_rowInWriterForm;
            const std::u16string line(s.LineBegin(), static_cast<size_t>(s.LineLength()));
            s.BuildRow(cells.data(), static_cast<int>(cells.size()));
            const std::u16string built(s.m_writeBuffer.c_str(), static_cast<size_t>(s.m_writeLength - 2));
            if (claimed)
            {
                EXPECT_EQ(U8(built.c_str()), U8(line.c_str())) << "line " << s.m_lineNumber;
            }
            result.claimed.push_back(claimed);
            result.rebuilt.push_back(built == line);
            result.values.emplace_back();
            for (tarn::Cell* cell : cells)
            {
                if (cell->Type() == FIELD_TYPE_STRING)
                    static_cast<tarn::StringCell*>(cell)->TerminateBorrowed();
                result.values.back().push_back(ExactValue(*cell));
            }
        }
    }
    result.reports = WithoutLineNumbers(testing::internal::GetCapturedStdout());
    return result;
}

// ReadRow and the cells' Serialize agree on every row: values, read issues, values left over
// and reports.
void ExpectSameAsSerialize(const ReadRowResult& fast, const LoadedFile& generic,
                           const std::string& genericReports)
{
    ASSERT_EQ(fast.values.size(), generic.rows.size());
    for (size_t i = 0; i < fast.values.size(); ++i)
    {
        std::vector<std::string> genericValues;
        for (const auto& cell : generic.rows[i])
            genericValues.push_back(ExactValue(*cell));
        EXPECT_EQ(fast.values[i], genericValues) << "line " << i + 3;
        EXPECT_EQ(fast.extra[i], generic.extraValues[i]) << "line " << i + 3;
        const tarn::ReadIssues& a = fast.issues[i];
        const tarn::ReadIssues& b = generic.issues[i];
        EXPECT_TRUE(a.cutValues == b.cutValues && a.droppedElements == b.droppedElements &&
                    a.inexactNumbers == b.inexactNumbers && a.emptyNumbers == b.emptyNumbers &&
                    a.strayBreaks == b.strayBreaks && a.longLine == b.longLine)
            << "line " << i + 3;
    }
    EXPECT_EQ(fast.reports, genericReports);
}

} // namespace

TEST_F(DataFile, ReadRowReadsAsEveryCellsSerializeDoes)
{
    // The table's own read (one switch per cell, strings borrowed from the file's text, lists
    // from a pool) against the cells' Serialize: the same values, read issues and reports, also
    // for every kind of bad value.
    std::u16string longList;
    for (int i = 1; i <= 70; ++i)
        longList += U16(std::to_string(i * 7 - 100)) + u"|";
    const std::vector<std::u16string> pieces = {u"0",
                                                u"-1",
                                                u"4294967295",
                                                u"99999999999999999999",
                                                u"1.500000",
                                                u"1e39",
                                                u"abc",
                                                u"12abc",
                                                u"",
                                                u" 7",
                                                u"|",
                                                u"1||2|",
                                                u"#x",
                                                u"名字 with spaces",
                                                std::u16string(1100, u'长'),
                                                longList,
                                                u"a\rb",
                                                u"c\nd",
                                                u"0.1|-2.5|x",
                                                u"-9223372036854775808",
                                                u"18446744073709551616"};
    // Per column (kEveryType), values in the writer's form and near misses.
    const std::vector<std::vector<std::u16string>> typed = {
        {u"-12", u"0", u"2147483647", u"-0", u"+1", u"012", u" 3"},
        {u"名字", u"", u" spaced ", u"x"},
        {u"7", u"4294967295", u"0", u"-1", u"00"},
        {u"-5", u"9223372036854775807", u"-9223372036854775808", u"1e3"},
        {u"18446744073709551615", u"0", u"18446744073709551616"},
        {u"0.500000", u"-0.000000", u"100000002004087734272.000000", u"0.5", u"1.0000000", u"inf"},
        {u"1|-2", u"", u"5", u"1||2", u"|1", u"1|", u"01|2"},
        {u"1.500000|2.000000", u"", u"0.100000", u"0.1", u"1.500000||2.000000"}};
    std::mt19937 rng(13);
    std::u16string text = kEveryTypeHeader;
    for (int line = 0; line < 400; ++line)
    {
        if (line % 3 == 0)
        {
            std::u16string row;
            for (size_t column = 0; column < typed.size(); ++column)
            {
                const std::vector<std::u16string>& values = typed[column];
                // Mostly the first (writer's) forms, so that whole rows come out in form.
                const size_t pick = rng() % 4 == 0 ? rng() % values.size() : rng() % 2;
                row += (column ? u"\t" : u"") + values[pick];
            }
            if (line % 7 == 0)
                row += u"\t"; // a trailing tab: not the writer's form
            text += row + u"\r\n";
            continue;
        }
        std::u16string row = U16(std::to_string(line));
        const int values = static_cast<int>(rng() % 11);
        for (int v = 0; v < values; ++v)
            row += u"\t" + pieces[rng() % pieces.size()];
        if (line % 50 == 7)
            row += u"\t" + std::u16string(4200, u'x'); // a line over 4095 units
        text += row + u"\r\n";
    }
    WriteBytes("in.txt", Utf16Bytes(text));

    LoadedFile generic;
    testing::internal::CaptureStdout();
    generic = Load(Path16("in.txt"), kEveryType);
    const std::string genericReports = WithoutLineNumbers(testing::internal::GetCapturedStdout());
    const ReadRowResult fast = ReadEveryRow(Path16("in.txt"), kEveryType);
    int inForm = 0;      // rows said to be in the writer's form
    int inFormBuilt = 0; // rows the writer makes exactly
    for (size_t i = 0; i < fast.claimed.size(); ++i)
    {
        inForm += fast.claimed[i] ? 1 : 0;
        inFormBuilt += fast.rebuilt[i] ? 1 : 0;
    }

    ASSERT_EQ(fast.values.size(), 400u);
    EXPECT_GT(inForm, 20); // both kinds of line were there
    EXPECT_GE(inForm, inFormBuilt * 2 / 3) << inFormBuilt;
    ASSERT_EQ(generic.rows.size(), 400u);
    ExpectSameAsSerialize(fast, generic, genericReports);
    EXPECT_NE(genericReports.find("cut to 1023"), std::string::npos);
    EXPECT_NE(genericReports.find("scl::parray<int>::push_back"), std::string::npos);
}

TEST_F(DataFile, ReadRowReadsEveryEdgeOfTheCommonShapesAsSerializeDoes)
{
    // ReadRow reads the common shapes of a value (digits with a minus sign, "%f"'s six decimals,
    // lists of them, short strings) in one pass, and hands everything else to the general
    // reader: each value here, at or near the edge between the two, alone on a row of values in
    // the writer's form, must read as Serialize reads it.
    std::u16string list64, list65, floats65;
    for (int i = 0; i < 65; ++i)
    {
        const std::u16string sep = i ? u"|" : u"";
        if (i < 64)
            list64 += sep + U16(std::to_string(i - 30));
        list65 += sep + U16(std::to_string(i));
        floats65 += sep + u"1.500000";
    }
    const std::vector<std::vector<std::u16string>> edges = {
        // INT
        {u"0",
         u"-0",
         u"7",
         u"-7",
         u"+7",
         u" 7",
         u"007",
         u"2147483647",
         u"2147483648",
         u"-2147483648",
         u"-2147483649",
         u"999999999999999999",
         u"9999999999999999999",
         u"99999999999999999999",
         u"000000000000000000000042",
         u"-99999999999999999999",
         u"-18446744073709551616",
         u"12abc",
         u"-",
         u"",
         u"1.5",
         u"--1"},
        // STRING
        {u"", u" x ", u"名字", std::u16string(1023, u'长'), std::u16string(1024, u'长'), u"a\vb"},
        // UINT
        {u"0", u"4294967295", u"4294967296", u"-1", u"-4294967295", u"-4294967296", u"18446744073709551615",
         u"18446744073709551616", u"-0", u"01", u"123456789012345678901", u"99999999999999999999",
         u"-18446744073709551615", u"-18446744073709551616", u"09999999999999999999"},
        // INT64
        {u"9223372036854775807", u"9223372036854775808", u"-9223372036854775808", u"-9223372036854775809",
         u"18446744073709551615", u"18446744073709551616", u"-18446744073709551616", u"99999999999999999999",
         u"123456789012345678", u"-0", u"0"},
        // UINT64
        {u"18446744073709551615", u"18446744073709551616", u"18446744073709551610", u"-1",
         u"-18446744073709551615", u"-18446744073709551616", u"09999999999999999999", u"99999999999999999999",
         u"100000000000000000000", u"0"},
        // FLOAT
        {u"0.000000",
         u"-0.000000",
         u"0.500000",
         u"00.500000",
         u"-00.500000",
         u"0.100000",
         u"0.1",
         u"16777216.000000",
         u"16777217.000000",
         u"123456789.000000",
         u"999999999.999999",
         u"1234567890.000000",
         u"0.000001",
         u"-0.000001",
         u"0.0000005",
         u"1e-45",
         u"3.4028235e38",
         u"1e39",
         u"100000002004087734272.000000",
         u"1.000000e5",
         u"+1.000000",
         u"0.5000000",
         u"-.500000",
         u".500000",
         u"5.",
         u"1.00000",
         u"1.000000x",
         u"-"},
        // STRING_INT
        {u"1|2", u"2147483647|-2147483648", u"999999999|-999999999", u"1234567890|1", u"2147483648", u"-0|0",
         u"01|1", u"1||2", u"|1", u"1|", u"1|a", u"-|1", u"+1|2", list64, list65},
        // STRING_FLOAT
        {u"0.500000|1.000000", u"0.100000|-0.000000", u"1.5|2", u"0.500000||1.000000", u"|0.500000",
         u"0.500000|", u"0.500000|x", u"00.500000|1.000000", u"1234567890.000000|1.000000", floats65}};
    const std::vector<std::u16string> plain = {u"1", u"n",        u"2",   u"3",
                                               u"4", u"0.500000", u"1|2", u"0.500000"};
    std::u16string text = kEveryTypeHeader;
    int lines = 0;
    for (size_t column = 0; column < edges.size(); ++column)
    {
        for (const std::u16string& value : edges[column])
        {
            std::u16string row;
            for (size_t c = 0; c < plain.size(); ++c)
                row += (c ? u"\t" : u"") + (c == column ? value : plain[c]);
            text += row + u"\r\n";
            ++lines;
        }
    }
    WriteBytes("in.txt", Utf16Bytes(text));

    testing::internal::CaptureStdout();
    const LoadedFile generic = Load(Path16("in.txt"), kEveryType);
    const std::string genericReports = WithoutLineNumbers(testing::internal::GetCapturedStdout());
    const ReadRowResult fast = ReadEveryRow(Path16("in.txt"), kEveryType);
    ASSERT_EQ(fast.values.size(), static_cast<size_t>(lines));
    ExpectSameAsSerialize(fast, generic, genericReports);
    // Rows in the writer's form are known as such without building them.
    for (size_t i = 0; i < fast.claimed.size(); ++i)
        EXPECT_EQ(fast.claimed[i], fast.rebuilt[i]) << "line " << i + 3;
}
