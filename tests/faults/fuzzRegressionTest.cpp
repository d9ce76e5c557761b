// Regressions of what fuzzing found in loading (inputs also kept in tests/fuzz/corpus/): a table's
// findings must match what its save does -- no finding when the save writes the file unchanged,
// a finding for every change.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>

#include "tool/table.h"

namespace
{

const char kMeta[] = "<Table IdFieldIndex=\"0\" NameFieldIndex=\"1\"><Field Type=\"INT\" Name=\"ID\"/>"
                     "<Field Type=\"STRING\" Name=\"Name\"/></Table>";

std::string Utf16File(const std::u16string& text)
{
    std::string bytes("\xFF\xFE");
    for (char16_t c : text)
    {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

class FuzzRegressionTest : public testing::Test
{
protected:
    void SetUp() override
    {
        char cwd[4096];
        ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
        m_startDir = cwd;
        std::string pattern = testing::TempDir() + "tesselFuzzRegressionXXXXXX";
        ASSERT_NE(::mkdtemp(&pattern[0]), nullptr);
        m_dir = pattern;
        ASSERT_EQ(::chdir(m_dir.c_str()), 0);
        Write("data.txt.meta", kMeta);
    }

    void TearDown() override
    {
        ASSERT_EQ(::chdir(m_startDir.c_str()), 0);
        ASSERT_EQ(std::system(("rm -rf '" + m_dir + "'").c_str()), 0);
    }

    static void Write(const std::string& name, const std::string& bytes)
    {
        std::ofstream out(name, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    static std::string Read(const std::string& name)
    {
        std::ifstream in(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::string m_startDir;
    std::string m_dir;
};

TEST_F(FuzzRegressionTest, HeaderWithoutRowsLoadsWithoutFindingsAndSavesUnchanged)
{
    const std::string file = Utf16File(u"ID\tName\r\nINT\tSTRING\r\n");
    Write("data.txt", file);
    tarn::editor::Table table;
    ASSERT_TRUE(table.Load(u"data.txt")) << table.LastError();
    EXPECT_TRUE(table.Diagnostics().empty()) << table.Diagnostics()[0].text();
    EXPECT_EQ(table.m_rows.size(), 0);
    ASSERT_TRUE(table.Save()) << table.LastError();
    EXPECT_EQ(Read("data.txt"), file);
}

TEST_F(FuzzRegressionTest, ZeroInAHeaderLineIsAFinding)
{
    // A save keeps a header line only up to a zero unit: the load must say so.
    Write("data.txt", Utf16File(std::u16string(u"ID\tName") + u'\0' + u"lost\r\nINT\tSTRING\r\n1\ta\r\n"));
    tarn::editor::Table table;
    ASSERT_TRUE(table.Load(u"data.txt")) << table.LastError();
    ASSERT_EQ(table.Diagnostics().size(), 1u);
    EXPECT_EQ(table.Diagnostics()[0].line, 1);
    EXPECT_NE(table.Diagnostics()[0].message.find("U+0000"), std::string::npos)
        << table.Diagnostics()[0].text();
    ASSERT_TRUE(table.Save()) << table.LastError();
    EXPECT_EQ(Read("data.txt"), Utf16File(u"ID\tName\r\nINT\tSTRING\r\n1\ta\r\n"));
}

} // namespace
