// Tables: metadata generation and reading, refusal of tables that cannot be kept faithfully,
// loading with ids and counters, byte-exact saving, the atomic save, and the warnings about what
// a save would change.
#include <csignal>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "base/arena.h"
#include "tablesTestSupport.h"
#include "tool/cell.h"
#include "tool/table.h"

namespace
{

using namespace tablestest;
using tarn::Diagnostic;
using tarn::Row;
using tarn::editor::ExtractMetaData;
using tarn::editor::Table;

std::string Utf16NoMark(const std::string& utf8)
{
    return Utf16(utf8, false);
}

std::vector<int> Ids(Table& table)
{
    std::vector<int> ids;
    for (const Row& row : table.m_rows)
        ids.push_back(row.Id());
    return ids;
}

std::vector<std::string> Warnings(const Table& table)
{
    std::vector<std::string> out;
    for (const Diagnostic& d : table.Diagnostics())
    {
        if (d.severity == Diagnostic::Warning)
            out.push_back(d.text());
    }
    return out;
}

// ---- metadata generation --------------------------------------------------------------------------

class MetaDataTest : public DataDirTest
{
};

TEST_F(MetaDataTest, GeneratesFieldsFromTheHeaderLines)
{
    WriteFile("item.txt", Utf16(Lines({"ID\tName\tLevel", "INT\tSTRING\tUINT", "1\tSword\t3"})));
    testing::internal::CaptureStdout();
    ExtractMetaData(u"item.txt.meta", u"item.txt");
    const std::string out = testing::internal::GetCapturedStdout();

    EXPECT_EQ(out, "name = ID, type = INT\nname = Name, type = STRING\nname = Level, type = UINT\n");
    // UTF-16LE with the mark, the declaration, one tab of indentation, attributes in order.
    EXPECT_EQ(
        ReadFile("item.txt.meta"),
        Utf16("<?xml version=\"1.0\"?>\n"
              "<Table IdFieldIndex=\"0\" NameFieldIndex=\"1\">\n"
              "\t<Field Type=\"INT\" Name=\"ID\" CodeVarName=\"ID\" LinkTableName=\"\" IsMulti=\"false\" />\n"
              "\t<Field Type=\"STRING\" Name=\"Name\" CodeVarName=\"Name\" LinkTableName=\"\" "
              "IsMulti=\"false\" />\n"
              "\t<Field Type=\"UINT\" Name=\"Level\" CodeVarName=\"Level\" LinkTableName=\"\" "
              "IsMulti=\"false\" />\n"
              "</Table>\n"));
    EXPECT_EQ(NewReports(), 0u);
}

TEST_F(MetaDataTest, GeneratedValuesAreTrimmedAndChineseSurvives)
{
    WriteFile("t.txt", Utf16(Lines({" 编号 \t  名称\t等级  ", " INT\tKEY_VALUE \t UINT "})));
    testing::internal::CaptureStdout();
    ExtractMetaData(u"t.txt.meta", u"t.txt");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "name = 编号, type = INT\nname = 名称, type = KEY_VALUE\nname = 等级, type = UINT\n");
    Table table;
    table.LoadMetaData(u"t.txt.meta");
    ASSERT_EQ(table.m_fields.size(), 3);
    EXPECT_EQ(std::u16string(table.m_fields[1].m_name.c_str()), u"名称");
    EXPECT_EQ(std::u16string(table.m_fields[1].m_codeVarName.c_str()), u"名称");
    EXPECT_EQ(table.m_fields[1].m_type, FIELD_TYPE_STRING);
    EXPECT_EQ(std::u16string(table.m_fields[2].m_name.c_str()), u"等级");
    EXPECT_EQ(table.m_fields[2].m_type, FIELD_TYPE_UINT);
}

TEST_F(MetaDataTest, ThreeNamesWithTwoTypesGiveTwoFields)
{
    WriteFile("t.txt", Utf16(Lines({"ID\tName\tLevel", "INT\tSTRING"})));
    testing::internal::CaptureStdout();
    ExtractMetaData(u"t.txt.meta", u"t.txt");
    testing::internal::GetCapturedStdout();
    Table table;
    table.LoadMetaData(u"t.txt.meta");
    EXPECT_EQ(table.m_fields.size(), 2);
    EXPECT_EQ(table.m_idFieldIndex, 0);
    EXPECT_EQ(table.m_nameFieldIndex, 1);
}

TEST_F(MetaDataTest, LoadGeneratesAMissingMetadataFileAndUsesIt)
{
    WriteFile("t.txt", Utf16(Lines({"ID\tName", "INT\tSTRING", "4\tBow"})));
    testing::internal::CaptureStdout();
    Table table;
    const bool loaded = table.Load(u"t.txt");
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(loaded) << table.LastError();
    EXPECT_TRUE(Exists("t.txt.meta"));
    EXPECT_EQ(Ids(table), std::vector<int>{4});
}

TEST_F(MetaDataTest, ExistingMetadataIsNeverRegenerated)
{
    const std::string meta = Meta({"INT Key", "STRING Title", "FLOAT Weight"});
    WriteFile("t.txt.meta", meta);
    // Header lines that disagree with the metadata: the metadata wins and stays as it is.
    WriteFile("t.txt", Utf16(Lines({"ID\tName", "INT\tSTRING", "1\tSword\t2.500000"})));
    const long long mtime = MTime("t.txt.meta");
    testing::internal::CaptureStdout();
    Table table;
    ASSERT_TRUE(table.Load(u"t.txt")) << table.LastError();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(ReadFile("t.txt.meta"), meta);
    EXPECT_EQ(MTime("t.txt.meta"), mtime);
    ASSERT_EQ(table.m_fields.size(), 3);
    EXPECT_EQ(std::u16string(table.m_fields[0].m_name.c_str()), u"Key");
    EXPECT_EQ(table.m_fields[2].m_type, FIELD_TYPE_FLOAT);
}

TEST_F(MetaDataTest, HeaderLinesThatCannotMakeAUsableTableGenerateNothing)
{
    const struct
    {
        const char* header;
        const char* reason;
    } cases[] = {
        {"ID\tName\r\nINT\tSTRNG\r\n", "\"STRNG\", which is no field type"},
        {"Name\tID\r\nSTRING\tINT\r\n", "must be INT"},
        {"ID\tLevel\r\nINT\tUINT\r\n", "must be STRING or KEY_VALUE"},
        {"ID\r\nINT\r\n", "only one column"},
    };
    for (const auto& c : cases)
    {
        WriteFile("t.txt", Utf16(c.header));
        testing::internal::CaptureStdout();
        Table table;
        EXPECT_FALSE(table.Load(u"t.txt"));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_FALSE(Exists("t.txt.meta")) << c.header;
        ASSERT_EQ(table.Diagnostics().size(), 1u);
        EXPECT_EQ(table.Diagnostics()[0].severity, Diagnostic::Error);
        EXPECT_EQ(table.Diagnostics()[0].file, "t.txt");
        EXPECT_NE(table.Diagnostics()[0].message.find(c.reason), std::string::npos)
            << table.Diagnostics()[0].message;
    }
    EXPECT_EQ(NewReports(), 0u);
}

TEST_F(MetaDataTest, IsMultiSpellings)
{
    const char* truthy[] = {"1", "true", "True", "Yes", "y", "T"};
    const char* falsy[] = {"0", "false", "no", "", "N"};
    std::string xml = "<Table IdFieldIndex=\"0\" NameFieldIndex=\"1\">";
    for (const char* v : truthy)
        xml += std::string("<Field Type=\"INT\" IsMulti=\"") + v + "\"/>";
    for (const char* v : falsy)
        xml += std::string("<Field Type=\"INT\" IsMulti=\"") + v + "\"/>";
    xml += "<Field Type=\"INT\"/></Table>";
    WriteFile("m.meta", xml);
    Table table;
    table.LoadMetaData(u"m.meta");
    ASSERT_EQ(table.m_fields.size(), 12);
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(table.m_fields[i].m_isMulti) << truthy[i];
    for (int i = 6; i < 12; ++i)
        EXPECT_FALSE(table.m_fields[i].m_isMulti) << i;
}

TEST_F(MetaDataTest, ElementNamesAreNotExaminedAndMissingIndicesAreZero)
{
    WriteFile("m.meta", "<?xml version=\"1.0\"?><Anything NameFieldIndex=\" 2xyz\"><!-- a comment -->"
                        "<Column Type=\"INT\" Name=\"A\" LinkTableName=\"items.txt\"/>"
                        "<F Type=\"KEY_VALUE\" Name=\"B\" CodeVarName=\"bee\"/></Anything>");
    Table table;
    table.LoadMetaData(u"m.meta");
    ASSERT_EQ(table.m_fields.size(), 2);
    EXPECT_EQ(table.m_idFieldIndex, 0);
    EXPECT_EQ(table.m_nameFieldIndex, 2); // read like strtol
    EXPECT_EQ(std::u16string(table.m_fields[0].m_linkTableName.c_str()), u"items.txt");
    EXPECT_EQ(table.m_fields[1].m_type, FIELD_TYPE_STRING);
    EXPECT_EQ(std::u16string(table.m_fields[1].m_codeVarName.c_str()), u"bee");
    EXPECT_EQ(NewReports(), 0u);
}

TEST_F(MetaDataTest, UnreadableMetadataKeepsTheFieldsAndIsAFailedCheck)
{
    WriteFile("m.meta", Meta({"INT ID", "STRING Name"}));
    Table table;
    table.LoadMetaData(u"m.meta");
    ASSERT_EQ(table.m_fields.size(), 2);
    table.LoadMetaData(u"missing.meta");
    EXPECT_EQ(NewReports(), 1u);
    EXPECT_EQ(table.m_fields.size(), 2);
}

TEST_F(MetaDataTest, LongTextsAreCutTo127UnitsWithAWarning)
{
    const std::string longName(200, 'n');
    WriteFile("t.txt.meta",
              "<Table IdFieldIndex=\"0\" NameFieldIndex=\"1\">\n<Field Type=\"INT\" Name=\"ID\"/>\n"
              "<Field Type=\"STRING\" Name=\"" +
                  longName + "\"/>\n</Table>");
    WriteFile("t.txt", Utf16(Lines({"ID\tName", "INT\tSTRING"})));
    Table table;
    ASSERT_TRUE(table.Load(u"t.txt")) << table.LastError();
    EXPECT_EQ(table.m_fields[1].m_name.length(), 127);
    const std::vector<Diagnostic> cut = Matching(table.Diagnostics(), "longer than 127");
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0].file, "t.txt.meta");
    EXPECT_EQ(cut[0].line, 3);
    EXPECT_EQ(cut[0].severity, Diagnostic::Warning);
}

// ---- refused tables ------------------------------------------------------------------------------

class RefusedTableTest : public DataDirTest
{
protected:
    // Loads t.txt, expects a refusal whose single error names file and contains reason, and
    // that no file of the directory was created or touched.
    void ExpectRefused(const std::string& file, int line, const std::string& reason)
    {
        const auto before = Snapshot();
        testing::internal::CaptureStdout();
        Table table;
        const bool loaded = table.Load(u"t.txt");
        testing::internal::GetCapturedStdout();
        EXPECT_FALSE(loaded);
        EXPECT_EQ(table.m_rows.size(), 0);
        ASSERT_FALSE(table.Diagnostics().empty());
        const Diagnostic& d = table.Diagnostics().back();
        EXPECT_EQ(d.severity, Diagnostic::Error);
        EXPECT_EQ(d.file, file);
        EXPECT_EQ(d.line, line);
        EXPECT_NE(d.message.find(reason), std::string::npos) << d.message;
        EXPECT_NE(table.LastError().find(file), std::string::npos);
        EXPECT_EQ(Snapshot(), before);
    }
};

TEST_F(RefusedTableTest, FieldOfNoValidType)
{
    WriteTable("t.txt", {"INT ID", "STRING Name", "INTEGER Level"},
               {"ID\tName\tLevel", "INT\tSTRING\tINT", "1\ta\t2"});
    ExpectRefused("t.txt.meta", 5, "field 2 (\"Level\") has the type \"INTEGER\"");
}

TEST_F(RefusedTableTest, IdFieldThatIsNotInt)
{
    WriteFile("t.txt.meta", Meta({"STRING Name", "INT ID"}, "IdFieldIndex=\"0\" NameFieldIndex=\"0\""));
    WriteFile("t.txt", Utf16(Lines({"Name\tID", "STRING\tINT", "a\t1"})));
    ExpectRefused("t.txt.meta", 3, "the id field must be INT");
}

TEST_F(RefusedTableTest, IdFieldIndexOutOfRange)
{
    WriteFile("t.txt.meta", Meta({"INT ID", "STRING Name"}, "IdFieldIndex=\"5\" NameFieldIndex=\"1\""));
    WriteFile("t.txt", Utf16(Lines({"ID\tName", "INT\tSTRING"})));
    ExpectRefused("t.txt.meta", 0, "IdFieldIndex is 5");
}

TEST_F(RefusedTableTest, NameFieldThatIsNotAString)
{
    WriteFile("t.txt.meta", Meta({"INT ID", "STRING_INT Name"}));
    WriteFile("t.txt", Utf16(Lines({"ID\tName", "INT\tSTRING_INT"})));
    ExpectRefused("t.txt.meta", 4, "the name field must be STRING or KEY_VALUE");
}

TEST_F(RefusedTableTest, NegativeNameFieldIndex)
{
    WriteFile("t.txt.meta", Meta({"INT ID", "STRING Name"}, "NameFieldIndex=\"-1\""));
    WriteFile("t.txt", Utf16(Lines({"ID\tName", "INT\tSTRING"})));
    ExpectRefused("t.txt.meta", 0, "NameFieldIndex is -1");
}

TEST_F(RefusedTableTest, MetadataThatIsNotWellFormed)
{
    WriteFile("t.txt.meta", "<Table>\n<Field Type=\"INT\">\n</Table>\n");
    WriteFile("t.txt", Utf16(Lines({"ID\tName", "INT\tSTRING"})));
    ExpectRefused("t.txt.meta", 3, "not well-formed");
}

TEST_F(RefusedTableTest, MetadataWithoutFields)
{
    WriteFile("t.txt.meta", "<Table IdFieldIndex=\"0\"/>");
    WriteFile("t.txt", Utf16(Lines({"ID\tName", "INT\tSTRING"})));
    ExpectRefused("t.txt.meta", 0, "defines no fields");
}

TEST_F(RefusedTableTest, MissingDataFileIsNotCreated)
{
    WriteFile("t.txt.meta", Meta({"INT ID", "STRING Name"}));
    ExpectRefused("t.txt", 0, "does not exist");
    EXPECT_FALSE(Exists("t.txt"));
}

TEST_F(RefusedTableTest, MissingDataAndMetadataCreateNothing)
{
    ExpectRefused("t.txt", 0, "does not exist");
    EXPECT_FALSE(Exists("t.txt"));
    EXPECT_FALSE(Exists("t.txt.meta"));
}

TEST_F(RefusedTableTest, DataFileWithoutByteOrderMark)
{
    WriteFile("t.txt.meta", Meta({"INT ID", "STRING Name"}));
    WriteFile("t.txt", Utf16NoMark(Lines({"ID\tName", "INT\tSTRING", "1\ta"})));
    ExpectRefused("t.txt", 0, "byte-order mark FF FE");
    EXPECT_EQ(NewReports(), 0u); // refused before the reader could complain
}

TEST_F(RefusedTableTest, BigEndianDataFile)
{
    WriteFile("t.txt.meta", Meta({"INT ID", "STRING Name"}));
    WriteFile("t.txt", std::string("\xFE\xFF\0I\0D", 6));
    ExpectRefused("t.txt", 0, "big-endian");
}

TEST_F(RefusedTableTest, EmptyDataFile)
{
    WriteFile("t.txt.meta", Meta({"INT ID", "STRING Name"}));
    WriteFile("t.txt", "");
    ExpectRefused("t.txt", 0, "byte-order mark");
}

TEST_F(RefusedTableTest, OddNumberOfBytes)
{
    WriteFile("t.txt.meta", Meta({"INT ID", "STRING Name"}));
    WriteFile("t.txt", Utf16(Lines({"ID\tName", "INT\tSTRING"})) + "x");
    ExpectRefused("t.txt", 0, "odd number of bytes");
}

TEST_F(RefusedTableTest, LfOnlyLineEnds)
{
    WriteFile("t.txt.meta", Meta({"INT ID", "STRING Name"}));
    WriteFile("t.txt", Utf16("ID\tName\nINT\tSTRING\n1\ta\n2\tb\n"));
    ExpectRefused("t.txt", 1, "LF alone");
}

TEST_F(RefusedTableTest, LfOnlyFileIsNotUsedToGenerateMetadata)
{
    WriteFile("t.txt", Utf16("ID\tName\nINT\tSTRING\n1\ta\n"));
    ExpectRefused("t.txt", 1, "LF alone");
    EXPECT_FALSE(Exists("t.txt.meta"));
}

TEST_F(RefusedTableTest, HeaderLinesLongerThanTheHeaderBuffer)
{
    WriteFile("t.txt.meta", Meta({"INT ID", "STRING Name"}));
    // 4094 + 2 + 4094 + 2 = 8192 units: one more than fits.
    WriteFile("t.txt",
              Utf16("#c\r\n" + std::string(4094, 'a') + "\r\n" + std::string(4094, 'b') + "\r\n1\tx\r\n"));
    ExpectRefused("t.txt", 3, "8192 characters");
}

TEST_F(RefusedTableTest, HeaderLinesThatJustFitAreKept)
{
    WriteFile("t.txt.meta", Meta({"INT ID", "STRING Name"}));
    const std::string bytes =
        Utf16(std::string(4093, 'a') + "\r\n" + std::string(4094, 'b') + "\r\n1\tx\r\n");
    WriteFile("t.txt", bytes);
    Table table;
    ASSERT_TRUE(table.Load(u"t.txt")) << table.LastError();
    EXPECT_EQ(table.m_header.length(), 8191);
    ASSERT_TRUE(table.Save());
    EXPECT_EQ(ReadFile("t.txt"), bytes);
}

// ---- line ends -----------------------------------------------------------------------------------

// Only CR LF ends a line. A lone CR or LF in a header line (or in a comment line before them) would
// hide rows inside the header or take a row for a header line: such a table is refused, whether
// its metadata exists or would be generated, and no save touches its file. Inside a row line a
// lone CR, LF or zero unit separates values like a tab, and the warning names the unit found.
class LineEndTest : public DataDirTest
{
protected:
    // The whole literal, zero units included.
    template <size_t N> static std::u16string Text(const char16_t (&text)[N])
    {
        return std::u16string(text, N - 1);
    }
    static std::string Bytes(const std::u16string& text)
    {
        std::string bytes("\xFF\xFE");
        for (char16_t c : text)
        {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>(c >> 8);
        }
        return bytes;
    }
};

TEST_F(LineEndTest, LoneBreaksRefuseHeaderLinesAndSeparateRowValues)
{
    struct Case
    {
        const char* what;
        std::u16string text;
        int line;            // of the error, or of the warning when the table loads
        std::string message; // part of that error or warning
        int rows;            // -1: refused
    } cases[] = {
        {"rows behind LF inside header line 2", u"ID\tName\r\nINT\tSTRING\n1\ta\n2\tb\n", 2,
         "a lone LF (U+000A) inside header line 2", -1},
        {"LF after header line 1", u"ID\tName\nINT\tSTRING\r\n1\ta\r\n", 1,
         "a lone LF (U+000A) inside header line 1", -1},
        {"CR after header line 1", u"ID\tName\rINT\tSTRING\r\n1\ta\r\n", 1,
         "a lone CR (U+000D) inside header line 1", -1},
        {"CR before the CR LF of header line 2", u"ID\tName\r\nINT\tSTRING\r\r\n1\ta\r\n", 2,
         "a lone CR (U+000D) inside header line 2", -1},
        {"header line 2 ends in LF alone", u"ID\tName\r\nINT\tSTRING\n", 2,
         "a lone LF (U+000A) inside header line 2", -1},
        {"LF inside a comment line before the header", u"#c\nID\tName\r\nINT\tSTRING\r\n1\ta\r\n", 1,
         "a lone LF (U+000A) inside a comment line before the header lines", -1},
        {"LF only", u"ID\tName\nINT\tSTRING\n1\ta\n", 1, "LF alone", -1},
        {"LF inside a row", u"ID\tName\r\nINT\tSTRING\r\n1\ta\nb\r\n2\tc\r\n", 3,
         "a lone LF (U+000A) inside the line separates values like a tab", 2},
        {"CR inside a row", u"ID\tName\r\nINT\tSTRING\r\n1\ta\rb\r\n", 3,
         "a lone CR (U+000D) inside the line separates values like a tab", 1},
        {"zero unit inside a row", Text(u"ID\tName\r\nINT\tSTRING\r\n1\ta\0b\r\n"), 3,
         "a zero character (U+0000) inside the line separates values like a tab", 1},
        {"CR and zero unit inside a row", Text(u"ID\tName\r\nINT\tSTRING\r\n1\t\r\0b\r\n#\ra\r\n"), 3,
         "a lone CR (U+000D) and a zero character (U+0000) inside the line separate values like a tab", 1},
    };
    for (const Case& c : cases)
    {
        for (const bool withMeta : {true, false})
        {
            SCOPED_TRACE(std::string(c.what) + (withMeta ? "" : ", metadata generated"));
            TableList::destroyInstance();
            std::filesystem::remove("t.txt.meta");
            if (withMeta)
                WriteFile("t.txt.meta", Meta({"INT ID", "STRING Name"}));
            const std::string bytes = Bytes(c.text);
            WriteFile("t.txt", bytes);
            WriteFile("tableList.xml", "<L><T FileName=\"t.txt\" Label=\"t\"/></L>");
            const long long mtime = MTime("t.txt");

            testing::internal::CaptureStdout();
            TableList& list = *TableList::instance();
            list.initIndex();
            list.loadTableList();
            testing::internal::GetCapturedStdout();
            const std::vector<Diagnostic> found = Matching(list.diagnostics(), c.message);
            EXPECT_EQ(found.size(), 1u) << AllText(list.diagnostics());
            if (found.size() != 1u)
                continue;
            EXPECT_EQ(found[0].file, "t.txt");
            EXPECT_EQ(found[0].line, c.line);
            if (c.rows < 0)
            {
                EXPECT_EQ(found[0].severity, Diagnostic::Error);
                EXPECT_EQ(list.count(), 0);
                EXPECT_EQ(Exists("t.txt.meta"), withMeta);
                EXPECT_TRUE(list.saveAll().empty());
                EXPECT_EQ(ReadFile("t.txt"), bytes);
                EXPECT_EQ(MTime("t.txt"), mtime);
            }
            else
            {
                EXPECT_EQ(found[0].severity, Diagnostic::Warning);
                ASSERT_EQ(list.count(), 1);
                EXPECT_EQ(list.at(0)->m_rows.size(), c.rows);
            }
        }
    }
    NewReports();
}

// ---- loading and saving ------------------------------------------------------------------------

class TableTest : public DataDirTest
{
protected:
    bool Load(const std::vector<std::string>& lines,
              const std::vector<std::string>& fields = {"INT ID", "STRING Name"})
    {
        WriteTable("t.txt", fields, lines);
        const bool ok = m_table.Load(u"t.txt");
        EXPECT_TRUE(ok) << m_table.LastError();
        return ok;
    }

    Table m_table;
};

TEST_F(TableTest, ConstructionStartsEmpty)
{
    EXPECT_EQ(m_table.m_fields.size(), 0);
    EXPECT_EQ(m_table.m_rows.size(), 0);
    EXPECT_EQ(m_table.m_maxId, -1);
    EXPECT_EQ(m_table.m_newRowCounter, 1);
    EXPECT_TRUE(m_table.m_header.empty());
    EXPECT_TRUE(m_table.m_fileName.empty());
    EXPECT_TRUE(m_table.m_label.empty());
}

TEST_F(TableTest, NewIdsContinueAboveTheLargestLoadedId)
{
    ASSERT_TRUE(Load({"ID\tName", "INT\tSTRING", "5\ta", "3\tb", "9\tc"}));
    EXPECT_EQ(Ids(m_table), (std::vector<int>{5, 3, 9}));
    EXPECT_EQ(m_table.m_maxId, 9);
    EXPECT_EQ(m_table.m_newRowCounter, 4);
    Row* ten = m_table.NewRow(u"Sword");
    EXPECT_EQ(ten->Id(), 10);
    EXPECT_EQ(std::u16string(ten->Name()), u"Sword");
    EXPECT_EQ(m_table.m_newRowCounter, 5);
    EXPECT_EQ(m_table.NewRow(u"Shield")->Id(), 11);
    EXPECT_EQ(m_table.m_newRowCounter, 6);
    // Ids of removed rows are not reused.
    m_table.m_rows.last()->value.RemoveSelfFromTable();
    EXPECT_EQ(m_table.NewRow(u"Bow")->Id(), 12);
    EXPECT_EQ(m_table.m_newRowCounter, 7);
    EXPECT_EQ(NewReports(), 0u);
}

TEST_F(TableTest, NoPositiveIdsStartNewIdsAtOne)
{
    ASSERT_TRUE(Load({"ID\tName", "INT\tSTRING"}));
    EXPECT_EQ(m_table.m_maxId, 0);
    EXPECT_EQ(m_table.NewRow(u"x")->Id(), 1);

    Table negative;
    WriteTable("n.txt", {"INT ID", "STRING Name"}, {"ID\tName", "INT\tSTRING", "0\ta", "-4\tb"});
    ASSERT_TRUE(negative.Load(u"n.txt"));
    EXPECT_EQ(negative.m_maxId, 0);
    EXPECT_EQ(negative.NewRow(u"x")->Id(), 1);
}

// New ids never wrap and never repeat an id in use: at 2147483647 NewRow refuses (null, a
// failed-check report, nothing created), and what is saved reloads with distinct ids.
TEST_F(TableTest, NewRowNeverWrapsNorReusesAnIdInUse)
{
    constexpr int kRefused = 0; // in `made`: this NewRow must refuse
    struct Case
    {
        const char* what;
        std::vector<std::string> rows;
        int editFirstIdTo; // 0: no edit; else the first row's id is set to it after the load
        std::vector<int> made;
    } cases[] = {
        {"largest id loaded", {"2147483647\ta", "3\tb"}, 0, {kRefused, kRefused}},
        {"id text that clamps to the largest", {"99999999999\ta"}, 0, {kRefused}},
        {"one id left", {"2147483646\ta"}, 0, {2147483647, kRefused}},
        {"id edited to the next new id", {"5\ta", "9\tb"}, 10, {11, 12}},
        {"id edited to the largest", {"5\ta"}, 2147483647, {kRefused}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        std::vector<std::string> lines = {"ID\tName", "INT\tSTRING"};
        lines.insert(lines.end(), c.rows.begin(), c.rows.end());
        WriteTable("t.txt", {"INT ID", "STRING Name"}, lines);
        Table table;
        ASSERT_TRUE(table.Load(u"t.txt")) << table.LastError();
        if (c.editFirstIdTo != 0)
            table.m_rows.first()->value.SetId(c.editFirstIdTo);
        NewReports();
        std::vector<int> made;
        for (size_t i = 0; i < c.made.size(); ++i)
        {
            const int rowsBefore = table.m_rows.size();
            const int counterBefore = table.m_newRowCounter;
            Row* row = table.NewRow(u"new");
            made.push_back(row != nullptr ? row->Id() : kRefused);
            EXPECT_EQ(table.m_rows.size(), rowsBefore + (row != nullptr ? 1 : 0));
            EXPECT_EQ(table.m_newRowCounter, counterBefore + (row != nullptr ? 1 : 0));
            EXPECT_EQ(NewReports(), row != nullptr ? 0u : 1u);
        }
        EXPECT_EQ(made, c.made);

        const std::vector<int> ids = Ids(table);
        std::vector<int> sorted = ids;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << "an id is used twice";
        ASSERT_TRUE(table.Save()) << table.LastError();
        Table reloaded;
        ASSERT_TRUE(reloaded.Load(u"t.txt")) << reloaded.LastError();
        EXPECT_EQ(Ids(reloaded), ids);
        if (c.made.back() == kRefused)
        {
            EXPECT_EQ(reloaded.NewRow(u"again"), nullptr);
        }
        NewReports();
    }
}

TEST_F(TableTest, ShortLinesKeepProvisionalValues)
{
    ASSERT_TRUE(Load({"ID\tName\tLevel", "INT\tSTRING\tUINT", "7", "\tNameless"},
                     {"INT ID", "STRING Name", "UINT Level"}));
    ASSERT_EQ(m_table.m_rows.size(), 2);
    const Row& first = m_table.m_rows.first()->value;
    EXPECT_EQ(first.Id(), 7);
    EXPECT_EQ(std::u16string(first.Name()), u"");
    const Row& second = m_table.m_rows.last()->value;
    EXPECT_EQ(second.Id(), 0); // the empty id value reads as 0
    EXPECT_EQ(std::u16string(second.Name()), u"Nameless");
}

TEST_F(TableTest, IdOfALineWithoutIdValueIsTheNextProvisionalId)
{
    // The name field comes first, so a line with only a name keeps the provisional id.
    WriteFile("t.txt.meta", Meta({"STRING Name", "INT ID"}, "IdFieldIndex=\"1\" NameFieldIndex=\"0\""));
    WriteFile("t.txt", Utf16(Lines({"Name\tID", "STRING\tINT", "a\t4", "b"})));
    ASSERT_TRUE(m_table.Load(u"t.txt"));
    EXPECT_EQ(Ids(m_table), (std::vector<int>{4, 1}));
}

TEST_F(TableTest, FreshlyLoadedTableSavesByteForByte)
{
    const std::vector<std::string> fields = {"INT ID",        "STRING Name",      "UINT Count",
                                             "INT64 Big",     "UINT64 Huge",      "FLOAT Weight",
                                             "KEY_VALUE Key", "STRING_INT Drops", "STRING_FLOAT Rates"};
    WriteTable("t.txt", fields,
               {"编号\t名称\t数量\t大\t巨\t重量\t键\t掉落\t概率",
                "INT\tSTRING\tUINT\tINT64\tUINT64\tFLOAT\tKEY_VALUE\tSTRING_INT\tSTRING_FLOAT",
                "1\t铁剑\t4294967295\t-9223372036854775808\t18446744073709551615\t0.500000\tK_1\t3|4\t0."
                "100000|2.000000",
                "2\t 空格 \t0\t0\t0\t-1.250000\t\t\t",
                "-3\tx\t7\t9223372036854775807\t1\t100000.000000\tK\t-2147483648|2147483647\t1.000000"});
    const std::string before = ReadFile("t.txt");
    ASSERT_TRUE(m_table.Load(u"t.txt")) << m_table.LastError();
    EXPECT_TRUE(m_table.Diagnostics().empty()) << AllText(m_table.Diagnostics());
    ASSERT_TRUE(m_table.Save()) << m_table.LastError();
    EXPECT_EQ(ReadFile("t.txt"), before);
    EXPECT_EQ(NewReports(), 0u);
}

TEST_F(TableTest, NewRowsAreWrittenAfterLoadedRowsInCreationOrder)
{
    ASSERT_TRUE(Load({"ID\tName\tDrops", "INT\tSTRING\tSTRING_INT", "1\tSword\t3|4", "2\tShield\t"},
                     {"INT ID", "STRING Name", "STRING_INT Drops"}));
    m_table.NewRow(u"Bow");
    Row* staff = m_table.NewRow(u"Staff");
    staff->cells[2]->SetStringInt(u"7|8");
    ASSERT_TRUE(m_table.Save()) << m_table.LastError();
    EXPECT_EQ(ReadFile("t.txt"), Utf16(Lines({"ID\tName\tDrops", "INT\tSTRING\tSTRING_INT", "1\tSword\t3|4",
                                              "2\tShield\t", "3\tBow\t", "4\tStaff\t7|8"})));
}

TEST_F(TableTest, LoadedValuesEditedAndRowsRemovedSaveExactly)
{
    // Loaded cells borrow their strings from the file's text and their lists from the table:
    // edits that grow, shrink, empty and reuse them, removed rows and a second load all save
    // exactly what the cells hold, and a table dropped afterwards leaves nothing behind.
    const std::size_t live = scl::arena_stats().liveObjects;
    {
        Table table;
        WriteTable("t.txt",
                   {"INT ID", "STRING Name", "STRING_INT Drops", "STRING_FLOAT Rates", "STRING Note"},
                   {"ID\tName\tDrops\tRates\tNote", "INT\tSTRING\tSTRING_INT\tSTRING_FLOAT\tSTRING",
                    "1\t铁剑\t3|4\t0.500000\tfirst", "2\tShield\t\t\t",
                    "3\tBow\t1|2|3|4|5\t1.000000|2.000000\tlast"});
        ASSERT_TRUE(table.Load(u"t.txt")) << table.LastError();
        Row& first = table.m_rows.first()->value;
        Row& third = table.m_rows.last()->value;
        first.cells[1]->SetString(u"一把很长很长的铁剑, longer than the text it came from");
        first.cells[2]->SetStringInt(u"9|8|7|6|5|4|3|2|1");
        first.cells[4]->SetString(first.cells[4]->GetString() + 2); // part of its own borrowed text
        third.cells[1]->SetString(u"B");
        third.cells[2]->SetStringInt(third.cells[2]->GetStringInt()); // its own borrowed values
        third.cells[3]->SetStringFloat(u"");
        third.cells[4]->SetString(u"");
        table.m_rows.first()->next->value.RemoveSelfFromTable();
        Row* added = table.NewRow(u"Staff");
        added->cells[2]->SetStringInt(u"10");
        EXPECT_EQ(std::u16string(first.Name()), u"一把很长很长的铁剑, longer than the text it came from");

        // Rows of a second file join the first ones; both texts stay until the table goes.
        WriteFile("more.txt", Utf16(Lines({"ID\tName\tDrops\tRates\tNote",
                                           "INT\tSTRING\tSTRING_INT\tSTRING_FLOAT\tSTRING",
                                           "7\tAxe\t5\t0.250000\tmore"})));
        ASSERT_TRUE(table.LoadData(u"more.txt")) << table.LastError();
        table.m_fileName = u"t.txt";
        ASSERT_TRUE(table.Save()) << table.LastError();
        EXPECT_EQ(
            ReadFile("t.txt"),
            Utf16(Lines(
                {"ID\tName\tDrops\tRates\tNote", "INT\tSTRING\tSTRING_INT\tSTRING_FLOAT\tSTRING",
                 "1\t一把很长很长的铁剑, longer than the text it came from\t9|8|7|6|5|4|3|2|1\t0.500000\trst",
                 "3\tB\t1|2|3|4|5\t\t", "4\tStaff\t10\t\t", "7\tAxe\t5\t0.250000\tmore"})));
        EXPECT_EQ(std::u16string(table.m_rows.last()->value.Name()), u"Axe");
    }
    EXPECT_EQ(scl::arena_stats().liveObjects, live);
    EXPECT_EQ(NewReports(), 0u);
}

TEST_F(TableTest, FileHoldingOnlyTheMarkSavesTwoEmptyHeaderLines)
{
    WriteFile("t.txt.meta", Meta({"INT ID", "STRING Name"}));
    WriteFile("t.txt", "\xFF\xFE");
    ASSERT_TRUE(m_table.Load(u"t.txt")) << m_table.LastError();
    EXPECT_EQ(m_table.m_rows.size(), 0);
    EXPECT_EQ(std::u16string(m_table.m_header.c_str()), u"\r\n\r\n");
    // The save adds the two header lines, which the load announces.
    EXPECT_EQ(Matching(m_table.Diagnostics(), "ends before header line").size(), 2u);
    ASSERT_TRUE(m_table.Save());
    EXPECT_EQ(ReadFile("t.txt"), std::string("\xFF\xFE\r\0\n\0\r\0\n\0", 10));
}

TEST_F(TableTest, LastRowWithoutCrLfIsReadCompletelyAndAnnounced)
{
    WriteFile("t.txt.meta", Meta({"INT ID", "STRING Name"}));
    WriteFile("t.txt", Utf16("ID\tName\r\nINT\tSTRING\r\n1\ta\r\n2\tlast"));
    ASSERT_TRUE(m_table.Load(u"t.txt"));
    EXPECT_EQ(std::u16string(m_table.m_rows.last()->value.Name()), u"last");
    EXPECT_EQ(Warnings(m_table),
              std::vector<std::string>{
                  "t.txt:4: warning: the file ends without CR LF after this line: a save adds one"});
}

TEST_F(TableTest, SaveWithoutFileNameIsAFailedCheck)
{
    EXPECT_FALSE(m_table.Save());
    EXPECT_EQ(NewReports(), 1u);
    EXPECT_FALSE(m_table.LastError().empty());
}

TEST_F(TableTest, SaveReplacesTheFileAndKeepsItsMode)
{
    ASSERT_TRUE(Load({"ID\tName", "INT\tSTRING", "1\ta"}));
    ASSERT_EQ(::chmod("t.txt", 0640), 0);
    struct stat before;
    ASSERT_EQ(::stat("t.txt", &before), 0);
    m_table.NewRow(u"b");
    ASSERT_TRUE(m_table.Save()) << m_table.LastError();
    struct stat after;
    ASSERT_EQ(::stat("t.txt", &after), 0);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_NE(after.st_ino, before.st_ino); // a new file took the old one's place
    EXPECT_EQ(ReadFile("t.txt"), Utf16(Lines({"ID\tName", "INT\tSTRING", "1\ta", "2\tb"})));
    // Nothing is left beside it.
    EXPECT_EQ(Snapshot().size(), 2u);
}

TEST_F(TableTest, ReadOnlyFileIsNotReplaced)
{
    ASSERT_TRUE(Load({"ID\tName", "INT\tSTRING", "1\ta"}));
    const std::string before = ReadFile("t.txt");
    ASSERT_EQ(::chmod("t.txt", 0444), 0);
    m_table.NewRow(u"b");
    EXPECT_FALSE(m_table.Save());
    EXPECT_EQ(m_table.LastError(), "t.txt: not saved, the file is unchanged: the file is read-only");
    EXPECT_EQ(ReadFile("t.txt"), before);
    ASSERT_EQ(::chmod("t.txt", 0644), 0);
    EXPECT_TRUE(m_table.Save()) << m_table.LastError();
}

TEST_F(TableTest, SaveThroughASymbolicLinkKeepsTheLink)
{
    ASSERT_TRUE(Load({"ID\tName", "INT\tSTRING", "1\ta"}));
    ASSERT_EQ(::rename("t.txt", "real.txt"), 0);
    ASSERT_EQ(::symlink("real.txt", "t.txt"), 0);
    m_table.NewRow(u"b");
    ASSERT_TRUE(m_table.Save()) << m_table.LastError();
    struct stat st;
    ASSERT_EQ(::lstat("t.txt", &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFile("real.txt"), Utf16(Lines({"ID\tName", "INT\tSTRING", "1\ta", "2\tb"})));
}

TEST_F(TableTest, FailedWriteLeavesTheOldFileIntact)
{
    ASSERT_TRUE(Load({"ID\tName", "INT\tSTRING", "1\ta"}));
    const std::string before = ReadFile("t.txt");
    for (int i = 0; i < 2000; ++i)
        m_table.NewRow(u"a long enough name to fill the file beyond the limit");

    // Writes past 4 KiB fail (EFBIG) even for root; the signal that would end the process is ignored.
    struct rlimit old;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    testing::internal::CaptureStdout();
    const bool saved = m_table.Save();
    testing::internal::GetCapturedStdout();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_NE(m_table.LastError().find("t.txt"), std::string::npos) << m_table.LastError();
    EXPECT_NE(m_table.LastError().find("File too large"), std::string::npos) << m_table.LastError();
    EXPECT_EQ(ReadFile("t.txt"), before);
    EXPECT_EQ(Snapshot().size(), 2u); // the temporary file is gone
}

TEST_F(TableTest, SaveIntoAVanishedDirectoryFailsWithoutWriting)
{
    ASSERT_EQ(::mkdir("sub", 0755), 0);
    WriteTable("sub/t.txt", {"INT ID", "STRING Name"}, {"ID\tName", "INT\tSTRING", "1\ta"});
    ASSERT_TRUE(m_table.Load(u"sub/t.txt")) << m_table.LastError();
    ASSERT_EQ(::rename("sub", "moved"), 0);
    WriteFile("sub", "a file where the directory was");
    EXPECT_FALSE(m_table.Save());
    EXPECT_NE(m_table.LastError().find("sub/t.txt"), std::string::npos) << m_table.LastError();
    EXPECT_EQ(ReadFile("sub"), "a file where the directory was");
    EXPECT_EQ(ReadFile("moved/t.txt"), Utf16(Lines({"ID\tName", "INT\tSTRING", "1\ta"})));
}

// ---- what a save would change ------------------------------------------------------------------

class LossWarningTest : public DataDirTest
{
};

TEST_F(LossWarningTest, EveryLossyLineIsAnnouncedWithItsLineAndSavedForm)
{
    WriteFile("t.txt.meta", Meta({"INT ID", "STRING Name", "STRING_INT Drops", "FLOAT Rate"}));
    WriteFile("t.txt", Utf16(Lines({
                           "# leading comment",              // 1
                           "ID\tName\tDrops\tRate",          // 2
                           "INT\tSTRING\tSTRING_INT\tFLOAT", // 3
                           "1\tSword\t3|4\t0.500000",        // 4 clean
                           "12abc\tAxe\t\t0.000000",         // 5
                           "# between",                      // 6
                           "# rows",                         // 7
                           "007\tBow\t\t1.000000",           // 8
                           "8\tStaff\t1||2\t2.000000",       // 9
                           "9\tWand\t\t0.1",                 // 10
                           "10\tOrb\t\t3.000000\textra",     // 11
                           "11\tRing\t\t4.000000",           // 12 clean
                           "",                               // 13
                           "12\tLost\t\t5.000000",           // 14
                       })));
    Table table;
    ASSERT_TRUE(table.Load(u"t.txt")) << table.LastError();
    EXPECT_EQ(table.m_rows.size(), 7);
    const std::vector<std::string> expected = {
        "t.txt:1: warning: comment line: a save drops it",
        "t.txt:5: warning: not in the form a save writes (ID \"12abc\" becomes \"12\"); it will be saved as "
        "\"12\\tAxe\\t\\t0.000000\"",
        "t.txt:6: warning: comment lines 6 to 7: a save drops them",
        "t.txt:8: warning: not in the form a save writes (ID \"007\" becomes \"7\"); it will be saved as "
        "\"7\\tBow\\t\\t1.000000\"",
        "t.txt:9: warning: not in the form a save writes (Drops \"1||2\" becomes \"1|2\"); it will be saved "
        "as "
        "\"8\\tStaff\\t1|2\\t2.000000\"",
        "t.txt:10: warning: not in the form a save writes (Rate \"0.1\" becomes \"0.100000\"); it will be "
        "saved "
        "as \"9\\tWand\\t\\t0.100000\"",
        "t.txt:11: warning: not in the form a save writes (1 value after the last of the 4 fields dropped); "
        "it "
        "will be saved as \"10\\tOrb\\t\\t3.000000\"",
        "t.txt:13: warning: empty line: the rows end here, and a save drops it and the 1 line after it",
    };
    EXPECT_EQ(Warnings(table), expected);
}

TEST_F(LossWarningTest, CutStringsAndDroppedListElementsAreAnnounced)
{
    WriteFile("t.txt.meta", Meta({"INT ID", "STRING Name", "STRING_INT Drops"}));
    std::string many;
    for (int i = 1; i <= 66; ++i)
        many += (i > 1 ? "|" : "") + std::to_string(i);
    WriteFile("t.txt", Utf16(Lines({"ID\tName\tDrops", "INT\tSTRING\tSTRING_INT",
                                    "1\t" + std::string(1030, 'x') + "\t5", "2\tok\t" + many})));
    testing::internal::CaptureStdout();
    Table table;
    const bool loaded = table.Load(u"t.txt");
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(loaded);
    const std::vector<Diagnostic> cut =
        Matching(table.Diagnostics(), "a string holds at most 1023 characters");
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0].line, 3);
    const std::vector<Diagnostic> dropped = Matching(table.Diagnostics(), "a list holds at most 64 values");
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_EQ(dropped[0].line, 4);
    EXPECT_EQ(table.m_rows.last()->value.cells[2]->GetStringInt().size(), 64);
}

TEST_F(LossWarningTest, TrailingEmptyLineIsAnnounced)
{
    WriteFile("t.txt.meta", Meta({"INT ID", "STRING Name"}));
    WriteFile("t.txt", Utf16("ID\tName\r\nINT\tSTRING\r\n1\ta\r\n\r\n"));
    Table table;
    ASSERT_TRUE(table.Load(u"t.txt"));
    EXPECT_EQ(Warnings(table), std::vector<std::string>{
                                   "t.txt:4: warning: empty line at the end of the file: a save drops it"});
}

TEST_F(LossWarningTest, TrailingTabAndLoneLineBreaksAreAnnounced)
{
    WriteFile("t.txt.meta", Meta({"INT ID", "STRING Name", "STRING Note"}));
    WriteFile("t.txt", Utf16("ID\tName\tNote\r\nINT\tSTRING\tSTRING\r\n5\ta\tb\t\r\n6\tc\rd\r\n"));
    Table table;
    ASSERT_TRUE(table.Load(u"t.txt"));
    const std::vector<std::string> warnings = Warnings(table);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0], "t.txt:3: warning: not in the form a save writes (separators change); it will be "
                           "saved as \"5\\ta\\tb\"");
    EXPECT_NE(warnings[1].find("t.txt:4: warning:"), std::string::npos);
    EXPECT_NE(warnings[1].find("a lone CR (U+000D) inside the line separates values like a tab"),
              std::string::npos)
        << warnings[1];
    EXPECT_NE(warnings[1].find("\"6\\tc\\td\""), std::string::npos) << warnings[1];
}

// FLOAT and STRING_FLOAT values are decimal text: hexadecimal, "inf" and "nan" read as 0, each
// announced with the form the save will write.
TEST_F(LossWarningTest, NonDecimalFloatTextReadsAsZero)
{
    WriteFile("t.txt.meta", Meta({"INT ID", "STRING Name", "FLOAT Rate", "STRING_FLOAT Weights"}));
    WriteFile("t.txt",
              Utf16(Lines({"ID\tName\tRate\tWeights", "INT\tSTRING\tFLOAT\tSTRING_FLOAT",
                           "1\ta\t0x10\t0x10|1.500000", "2\tb\tinf\tnan|-inf", "3\tc\t1e2\t2.500000"})));
    Table table;
    ASSERT_TRUE(table.Load(u"t.txt")) << table.LastError();
    const std::vector<std::string> expected = {
        "t.txt:3: warning: not in the form a save writes (Rate \"0x10\" becomes \"0.000000\"; Weights "
        "\"0x10|1.500000\" becomes \"0.000000|1.500000\"); it will be saved as "
        "\"1\\ta\\t0.000000\\t0.000000|1.500000\"",
        "t.txt:4: warning: not in the form a save writes (Rate \"inf\" becomes \"0.000000\"; Weights "
        "\"nan|-inf\" becomes \"0.000000|0.000000\"); it will be saved as "
        "\"2\\tb\\t0.000000\\t0.000000|0.000000\"",
        "t.txt:5: warning: not in the form a save writes (Rate \"1e2\" becomes \"100.000000\"); it will be "
        "saved as \"3\\tc\\t100.000000\\t2.500000\"",
    };
    EXPECT_EQ(Warnings(table), expected);
    ASSERT_TRUE(table.Save()) << table.LastError();
    EXPECT_EQ(ReadFile("t.txt"),
              Utf16(Lines({"ID\tName\tRate\tWeights", "INT\tSTRING\tFLOAT\tSTRING_FLOAT",
                           "1\ta\t0.000000\t0.000000|1.500000", "2\tb\t0.000000\t0.000000|0.000000",
                           "3\tc\t100.000000\t2.500000"})));
}

TEST_F(LossWarningTest, CleanFileGivesNoDiagnostics)
{
    WriteTable("t.txt", {"INT ID", "STRING Name", "FLOAT F"},
               {"#", "ID\tName\tF", "INT\tSTRING\tFLOAT", "1\ta\t-0.000000", "2\t\t1000000.000000"});
    Table table;
    ASSERT_TRUE(table.Load(u"t.txt"));
    // Only the comment line is lost.
    EXPECT_EQ(Warnings(table), std::vector<std::string>{"t.txt:1: warning: comment line: a save drops it"});
}

} // namespace
