// tessel-cli, run as a program on temporary copies of the sample data directory.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

#include <gtest/gtest.h>

#include "tablesTestSupport.h"

#ifndef TESSEL_CLI
#error "TESSEL_CLI must name the tessel-cli program"
#endif

namespace
{

namespace fs = std::filesystem;
using namespace tablestest;

// A strict JSON checker for one value (RFC 8259), enough to prove that dump's lines parse.
class JsonChecker
{
public:
    explicit JsonChecker(const std::string& text) : m_s(text) {}

    bool Valid()
    {
        m_p = 0;
        return Value() && (Space(), m_p == m_s.size());
    }

private:
    void Space()
    {
        while (m_p < m_s.size() &&
               (m_s[m_p] == ' ' || m_s[m_p] == '\t' || m_s[m_p] == '\n' || m_s[m_p] == '\r'))
            ++m_p;
    }
    bool Eat(char c)
    {
        Space();
        if (m_p < m_s.size() && m_s[m_p] == c)
        {
            ++m_p;
            return true;
        }
        return false;
    }
    bool Value()
    {
        Space();
        if (m_p >= m_s.size())
            return false;
        const char c = m_s[m_p];
        if (c == '{')
            return Object();
        if (c == '[')
            return Array();
        if (c == '"')
            return String();
        if (c == '-' || (c >= '0' && c <= '9'))
            return Number();
        for (const char* word : {"true", "false", "null"})
        {
            if (m_s.compare(m_p, std::strlen(word), word) == 0)
            {
                m_p += std::strlen(word);
                return true;
            }
        }
        return false;
    }
    bool Object()
    {
        Eat('{');
        if (Eat('}'))
            return true;
        do
        {
            Space();
            if (!String() || !Eat(':') || !Value())
                return false;
        } while (Eat(','));
        return Eat('}');
    }
    bool Array()
    {
        Eat('[');
        if (Eat(']'))
            return true;
        do
        {
            if (!Value())
                return false;
        } while (Eat(','));
        return Eat(']');
    }
    bool Number()
    {
        const size_t start = m_p;
        if (m_s[m_p] == '-')
            ++m_p;
        if (m_p >= m_s.size() || !std::isdigit(static_cast<unsigned char>(m_s[m_p])))
            return false;
        if (m_s[m_p] == '0' && m_p + 1 < m_s.size() && std::isdigit(static_cast<unsigned char>(m_s[m_p + 1])))
            return false;
        auto digits = [&]
        {
            const size_t first = m_p;
            while (m_p < m_s.size() && std::isdigit(static_cast<unsigned char>(m_s[m_p])))
                ++m_p;
            return m_p > first;
        };
        digits();
        if (m_p < m_s.size() && m_s[m_p] == '.' && (++m_p, !digits()))
            return false;
        if (m_p < m_s.size() && (m_s[m_p] == 'e' || m_s[m_p] == 'E'))
        {
            ++m_p;
            if (m_p < m_s.size() && (m_s[m_p] == '+' || m_s[m_p] == '-'))
                ++m_p;
            if (!digits())
                return false;
        }
        return m_p > start;
    }
    bool String()
    {
        if (m_p >= m_s.size() || m_s[m_p] != '"')
            return false;
        ++m_p;
        while (m_p < m_s.size())
        {
            const unsigned char c = static_cast<unsigned char>(m_s[m_p]);
            if (c == '"')
            {
                ++m_p;
                return true;
            }
            if (c < 0x20)
                return false;
            if (c == '\\')
            {
                ++m_p;
                if (m_p >= m_s.size())
                    return false;
                const char e = m_s[m_p];
                if (e == 'u')
                {
                    for (int i = 1; i <= 4; ++i)
                    {
                        if (m_p + i >= m_s.size() || !std::isxdigit(static_cast<unsigned char>(m_s[m_p + i])))
                            return false;
                    }
                    m_p += 5;
                    continue;
                }
                if (std::strchr("\"\\/bfnrt", e) == nullptr)
                    return false;
                ++m_p;
                continue;
            }
            // UTF-8 sequence: lead byte and continuation bytes.
            int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
            if (extra < 0)
                return false;
            ++m_p;
            for (int i = 0; i < extra; ++i, ++m_p)
            {
                if (m_p >= m_s.size() || (static_cast<unsigned char>(m_s[m_p]) >> 6) != 2)
                    return false;
            }
        }
        return false;
    }

    const std::string& m_s;
    size_t m_p = 0;
};

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

class CliTest : public testing::Test
{
protected:
    struct Result
    {
        int status;
        std::string out;
        std::string err;
    };

    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "tessel-cli-XXXXXX").string();
        ASSERT_NE(::mkdtemp(&pattern[0]), nullptr);
        m_root = pattern;
        m_data = m_root + "/data";
        fs::copy(TESSEL_SAMPLE_DATA, m_data, fs::copy_options::recursive);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }

    // Runs tessel-cli with the arguments (shell syntax), in directory when one is given.
    Result Run(const std::string& arguments, const std::string& directory = std::string())
    {
        const std::string out = m_root + "/stdout";
        const std::string err = m_root + "/stderr";
        const std::string command = (directory.empty() ? std::string() : "cd '" + directory + "' && ") + "'" +
                                    TESSEL_CLI + "' " + arguments + " >'" + out + "' 2>'" + err + "'";
        const int rc = std::system(command.c_str());
        Result r;
        r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
        r.out = ReadFile(out);
        r.err = ReadFile(err);
        return r;
    }

    std::string Data(const std::string& name) const { return m_data + "/" + name; }

    // Replaces the first occurrence of from by to in line `line` (1-based) of a data file.
    void EditLine(const std::string& name, int line, const std::string& from, const std::string& to)
    {
        const std::string bytes = ReadFile(Data(name));
        std::u16string text(bytes.size() / 2 - 1, u'\0');
        std::memcpy(&text[0], bytes.data() + 2, text.size() * 2);
        std::string utf8 = scl::ToUtf8(text.c_str());
        size_t start = 0;
        for (int i = 1; i < line; ++i)
            start = utf8.find("\r\n", start) + 2;
        const size_t end = utf8.find("\r\n", start);
        std::string content = utf8.substr(start, end - start);
        const size_t at = content.find(from);
        ASSERT_NE(at, std::string::npos) << content;
        content.replace(at, from.size(), to);
        utf8 = utf8.substr(0, start) + content + utf8.substr(end);
        WriteFile(Data(name), Utf16(utf8));
    }

    // The text of a data file as UTF-8 (its mark dropped), and back.
    std::string Text(const std::string& path) const
    {
        const std::string bytes = ReadFile(path);
        std::u16string text(bytes.size() / 2 - 1, u'\0');
        std::memcpy(&text[0], bytes.data() + 2, text.size() * 2);
        return scl::ToUtf8(text.c_str());
    }
    void SetText(const std::string& path, const std::string& utf8) { WriteFile(path, Utf16(utf8)); }

    // A second copy of the sample data, for diff.
    std::string CopyData(const std::string& name)
    {
        const std::string dir = m_root + "/" + name;
        fs::copy(m_data, dir, fs::copy_options::recursive);
        return dir;
    }

    std::vector<std::pair<std::string, std::string>> Files() const
    {
        std::vector<std::pair<std::string, std::string>> files;
        for (const auto& entry : fs::directory_iterator(m_data))
            files.emplace_back(entry.path().filename().string(), ReadFile(entry.path().string()));
        std::sort(files.begin(), files.end());
        return files;
    }

    std::string m_root;
    std::string m_data;
};

TEST_F(CliTest, StrictCheckOfTheSampleDataPasses)
{
    const Result r = Run("-C '" + m_data + "' check --strict");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "6 tables, 265 rows, 0 errors, 0 warnings\n");
}

TEST_F(CliTest, CheckRunsInTheCurrentDirectoryByDefault)
{
    const Result r = Run("check", m_data);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "6 tables, 265 rows, 0 errors, 0 warnings\n");
}

TEST_F(CliTest, DanglingLinkFailsTheCheckNamingFileAndLine)
{
    // Line 4 of monsters.txt is the monster 4002, whose drop list is 3002.
    EditLine("monsters.txt", 4, "\t3002\t", "\t3999\t");
    const Result r = Run("-C '" + m_data + "' check");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(
                  "monsters.txt:4: error: \"掉落\" is 3999, which is not the id of a row of \"drops.txt\"\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("6 tables, 265 rows, 1 errors, 0 warnings\n"), std::string::npos) << r.out;
}

TEST_F(CliTest, DanglingListElementAndDuplicateIdAreErrors)
{
    EditLine("drops.txt", 3, "\t1063\t", "\t1063|1999\t");
    EditLine("skills.txt", 4, "2002", "2001");
    const Result r = Run("-C '" + m_data + "' check");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(
        r.out.find("drops.txt:3: error: \"物品列表\" is 1999 (in its list), which is not the id of a row of "
                   "\"items.txt\""),
        std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("skills.txt:4: error: id 2001 is used again (first at line 3)"), std::string::npos)
        << r.out;
}

TEST_F(CliTest, LinkToAnUnlistedTableIsAnError)
{
    const std::string meta = ReadFile(Data("npcs.txt.meta"));
    const std::string from = Utf16("LinkTableName=\"monsters.txt\"", false);
    const size_t at = meta.find(from);
    ASSERT_NE(at, std::string::npos);
    WriteFile(Data("npcs.txt.meta"), meta.substr(0, at) + Utf16("LinkTableName=\"bosses.txt\"", false) +
                                         meta.substr(at + from.size()));
    const Result r = Run("-C '" + m_data + "' check");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(
        r.out.find("npcs.txt.meta:0: error: \"悬赏怪物\" links to \"bosses.txt\", which is not a table of "
                   "tableList.xml"),
        std::string::npos)
        << r.out;
}

TEST_F(CliTest, WarningsFailOnlyTheStrictCheck)
{
    EditLine("items.txt", 5, "1003", "01003");
    Result r = Run("-C '" + m_data + "' check");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(
        r.out.find("items.txt:5: warning: not in the form a save writes (编号 \"01003\" becomes \"1003\")"),
        std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("6 tables, 265 rows, 0 errors, 1 warnings\n"), std::string::npos);
    r = Run("-C '" + m_data + "' check --strict");
    EXPECT_EQ(r.status, 1);
}

TEST_F(CliTest, RefusedTableFailsTheCheck)
{
    WriteFile(Data("quests.txt"), Utf16("ID\nINT\n"));
    const Result r = Run("-C '" + m_data + "' check");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("quests.txt:1: error: the lines end in LF alone"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("5 tables,"), std::string::npos);
}

TEST_F(CliTest, MissingTableListFailsTheCheck)
{
    fs::remove(Data("tableList.xml"));
    const Result r = Run("-C '" + m_data + "' check");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("tableList.xml:0: error:"), std::string::npos) << r.out;
}

TEST_F(CliTest, ResaveLeavesTheSampleDataByteIdentical)
{
    const auto before = Files();
    const Result r = Run("-C '" + m_data + "' resave");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "6 tables written, 0 not written\n");
    EXPECT_EQ(Files(), before);
}

TEST_F(CliTest, ResaveNormalisesLossyLinesAndReportsThem)
{
    EditLine("items.txt", 5, "1003", "01003");
    const Result r = Run("-C '" + m_data + "' resave");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("items.txt:5: warning:"), std::string::npos);
    EXPECT_EQ(Run("-C '" + m_data + "' check --strict").status, 0);
}

TEST_F(CliTest, ResaveFailsWhenATableIsRefused)
{
    fs::remove(Data("skills.txt.meta"));
    WriteFile(Data("skills.txt.meta"), "<Table IdFieldIndex=\"1\"><Field Type=\"INT\"/></Table>");
    const std::string skills = ReadFile(Data("skills.txt"));
    const Result r = Run("-C '" + m_data + "' resave");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("skills.txt.meta:0: error: IdFieldIndex is 1"), std::string::npos) << r.out;
    EXPECT_EQ(ReadFile(Data("skills.txt")), skills);
}

TEST_F(CliTest, DumpPrintsOneValidJsonObjectPerRow)
{
    const Result r = Run("-C '" + m_data + "' dump");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<std::string> lines = SplitLines(r.out);
    ASSERT_EQ(lines.size(), 265u);
    for (const std::string& line : lines)
        EXPECT_TRUE(JsonChecker(line).Valid()) << line;
    EXPECT_EQ(
        lines[0].rfind(
            "{\"table\":\"items.txt\",\"id\":1001,\"name\":\"粗糙的铁剑\",\"cells\":[\"1001\",\"粗糙的铁剑\","
            "\"ITEM_DESC_1001\",",
            0),
        0u)
        << lines[0];
    EXPECT_EQ(lines.back().rfind("{\"table\":\"quests.txt\",\"id\":6030,", 0), 0u) << lines.back();
}

TEST_F(CliTest, DumpOfNamedTablesEscapesWhatJsonNeeds)
{
    WriteFile(Data("tableList.xml"), "<L><T FileName=\"odd.txt\"/><T FileName=\"items.txt\"/></L>");
    WriteFile(Data("odd.txt.meta"), Meta({"INT ID", "STRING Name", "STRING_FLOAT F"}));
    WriteFile(Data("odd.txt"),
              Utf16("ID\tName\tF\r\nINT\tSTRING\tSTRING_FLOAT\r\n7\tsay \"hi\" \\ \x01 终\t") +
                  Utf16("1.000000|2.000000|3.000000|4.000000|5.000000|6.000000|7.000000|8.000000|"
                        "9.000000|10.000000|11.000000|12.000000|13.000000|14.000000\r\n",
                        false));
    const Result r = Run("-C '" + m_data + "' dump odd.txt");
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = SplitLines(r.out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(JsonChecker(lines[0]).Valid()) << lines[0];
    // The full list, not the 127-character display form.
    EXPECT_EQ(lines[0],
              "{\"table\":\"odd.txt\",\"id\":7,\"name\":\"say \\\"hi\\\" \\\\ \\u0001 终\",\"cells\":[\"7\","
              "\"say \\\"hi\\\" \\\\ \\u0001 终\",\"1.000000|2.000000|3.000000|4.000000|5.000000|6.000000|"
              "7.000000|8.000000|9.000000|10.000000|11.000000|12.000000|13.000000|14.000000\"]}");
}

TEST_F(CliTest, DumpOfAnUnknownTableFails)
{
    const Result r = Run("-C '" + m_data + "' dump drops.txt nothing.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(SplitLines(r.out).size(), 30u); // drops.txt is still dumped
    EXPECT_NE(r.err.find("\"nothing.txt\" is not a table"), std::string::npos) << r.err;
}

TEST_F(CliTest, UsageErrorsExitWithTwo)
{
    const char* cases[] = {"",
                           "frobnicate",
                           "--frob check",
                           "check --frob",
                           "resave --strict",
                           "check extra",
                           "-C",
                           "-C /nonexistent/dir check",
                           "textconv",
                           "textconv a b",
                           "diff a",
                           "diff --strict a b",
                           "check --json"};
    for (const char* args : cases)
    {
        const Result r = Run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find("tessel-cli: "), std::string::npos) << args;
        EXPECT_EQ(r.out, "") << args;
    }
}

TEST_F(CliTest, HelpIsShownForEachCommand)
{
    const struct
    {
        const char* args;
        const char* usage;
    } cases[] = {{"--help", "Usage: tessel-cli [-C DIR] COMMAND"},
                 {"-h", "Usage: tessel-cli [-C DIR] COMMAND"},
                 {"check --help", "Usage: tessel-cli [-C DIR] check [--strict]"},
                 {"dump --help", "Usage: tessel-cli [-C DIR] dump [FILENAME...]"},
                 {"resave -h", "Usage: tessel-cli [-C DIR] resave"}};
    for (const auto& c : cases)
    {
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, 0) << c.args;
        EXPECT_EQ(r.out.rfind(c.usage, 0), 0u) << c.args << "\n" << r.out;
    }
}

TEST_F(CliTest, TextConvPrintsEachSampleFileAsItsLinesInUtf8)
{
    for (const char* name : {"items.txt", "drops.txt", "quests.txt"})
    {
        std::string expected = Text(Data(name));
        for (size_t at; (at = expected.find("\r\n")) != std::string::npos;)
            expected.replace(at, 2, "\n");
        const Result r = Run(std::string("textconv '") + Data(name) + "'");
        EXPECT_EQ(r.status, 0) << name << r.err;
        EXPECT_EQ(r.out, expected) << name;
    }
    const Result r = Run("textconv '" + Data("skills.txt") + "'");
    EXPECT_EQ(SplitLines(r.out)[2],
              "2001\t火焰冲击\tSKILL_DESC_2001\t6.000000\t1.250000|1.500000|1.500000\t5\t0\t1");
}

TEST_F(CliTest, TextConvShowsAFileThatWouldNotLoadAsRawTextWithANote)
{
    const struct
    {
        std::string bytes;
        std::string reason;
        std::string text;
    } cases[] = {
        {"ID,名称\n1,剑\n", "no UTF-16LE byte-order mark", "ID,名称\n1,剑\n"},
        {Utf16("ID\n1\n"), "LF alone", "ID\n1\n"},
        {Utf16("ID\r\n") + "x", "odd number of bytes", ""},
        {"bad \xFF byte", "no UTF-16LE byte-order mark", "bad \xEF\xBF\xBD byte"},
    };
    for (const auto& c : cases)
    {
        WriteFile(Data("odd.txt"), c.bytes);
        const Result r = Run("textconv '" + Data("odd.txt") + "'");
        EXPECT_EQ(r.status, 0);
        const std::vector<std::string> lines = SplitLines(r.out);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0].rfind("# tessel-cli textconv: ", 0), 0u) << lines[0];
        EXPECT_NE(lines[0].find(c.reason), std::string::npos) << lines[0];
        if (!c.text.empty())
        {
            EXPECT_EQ(r.out.substr(r.out.find('\n') + 1), c.text);
        }
    }
    EXPECT_EQ(Run("textconv '" + Data("missing.txt") + "'").status, 1);
}

TEST_F(CliTest, DiffOfEqualDirectoriesIsEmpty)
{
    const std::string other = CopyData("other");
    Result r = Run("diff '" + m_data + "' '" + other + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    r = Run("diff --json '" + m_data + "' '" + other + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "{\"equal\":true,\"tables\":[]}\n");
}

TEST_F(CliTest, DiffReportsAddedRemovedAndChangedRowsById)
{
    const std::string other = CopyData("other");
    // In the copy: item 1002's price and weight change, 1003 goes, 1999 comes, and the rows of
    // drops.txt are reversed (order is not a difference).
    std::string items = Text(other + "/items.txt");
    const auto replace = [&](const std::string& from, const std::string& to)
    {
        const size_t at = items.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        items.replace(at, from.size(), to);
    };
    replace("1002\t普通的木盾\tITEM_DESC_1002\t1\t94\t2.750000",
            "1002\t普通的木盾\tITEM_DESC_1002\t1\t95\t3.000000");
    const size_t start = items.find("1003\t");
    items.erase(start, items.find("\r\n", start) + 2 - start);
    items += "1999\t新物品\tITEM_DESC_1999\t0\t1\t0.000000\t\t\t1\t18446744073709551615\r\n";
    SetText(other + "/items.txt", items);
    const std::string drops = Text(other + "/drops.txt");
    std::vector<std::string> lines;
    for (size_t p = 0; p < drops.size();)
    {
        const size_t e = drops.find("\r\n", p) + 2;
        lines.push_back(drops.substr(p, e - p));
        p = e;
    }
    std::reverse(lines.begin() + 2, lines.end());
    std::string reversed;
    for (const std::string& line : lines)
        reversed += line;
    SetText(other + "/drops.txt", reversed);

    Result r = Run("diff '" + m_data + "' '" + other + "'");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "items.txt: row 1003 \"精良的皮甲\" removed\n"
                     "items.txt: row 1999 \"新物品\" added\n"
                     "items.txt: row 1002 \"普通的木盾\" changed: \"售价\" \"94\" -> \"95\"\n"
                     "items.txt: row 1002 \"普通的木盾\" changed: \"重量\" \"2.750000\" -> \"3.000000\"\n");

    r = Run("diff --json '" + m_data + "' '" + other + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(JsonChecker(r.out).Valid()) << r.out;
    EXPECT_NE(r.out.find("\"changed\":[{\"id\":1002,\"name\":\"普通的木盾\",\"fields\":[{\"field\":\"售价\","
                         "\"old\":\"94\",\"new\":\"95\"}"),
              std::string::npos)
        << r.out;

    // Swapped arguments swap added and removed.
    r = Run("diff '" + other + "' '" + m_data + "'");
    EXPECT_NE(r.out.find("items.txt: row 1003 \"精良的皮甲\" added\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("items.txt: row 1999 \"新物品\" removed\n"), std::string::npos) << r.out;
}

TEST_F(CliTest, DiffReportsTablesAddedAndRemovedAndFailsOnRefusedTables)
{
    const std::string other = CopyData("other");
    WriteFile(other + "/tableList.xml", "<L><T FileName=\"items.txt\"/><T FileName=\"monsters.txt\"/>"
                                        "<T FileName=\"skills.txt\"/><T FileName=\"drops.txt\"/>"
                                        "<T FileName=\"npcs.txt\"/></L>");
    Result r = Run("diff '" + m_data + "' '" + other + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "quests.txt: table removed (30 rows)\n");
    r = Run("diff '" + other + "' '" + m_data + "'");
    EXPECT_EQ(r.out, "quests.txt: table added (30 rows)\n");

    WriteFile(other + "/skills.txt", Utf16("ID\nINT\n"));
    r = Run("diff '" + m_data + "' '" + other + "'");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("skills.txt:1: error: the lines end in LF alone"), std::string::npos) << r.err;
}

const char* const kSampleTables[] = {"items.txt", "monsters.txt", "skills.txt",
                                     "drops.txt", "npcs.txt",     "quests.txt"};

TEST_F(CliTest, ExportThenImportOfEverySampleTableLeavesTheDataFilesByteIdentical)
{
    const auto before = Files();
    for (const char* format : {"csv", "tsv"})
    {
        for (const char* table : kSampleTables)
        {
            const std::string file = m_root + "/" + table + "." + format;
            Result r =
                Run("-C '" + m_data + "' export " + table + " --format " + format + " -o '" + file + "'");
            ASSERT_EQ(r.status, 0) << r.err;
            for (const char* mode : {"replace", "merge"})
            {
                r = Run("-C '" + m_data + "' import " + table + " '" + file + "' --mode " + mode);
                EXPECT_EQ(r.status, 0) << table << " " << mode << "\n" << r.err;
                EXPECT_NE(r.out.find(" rows added, 0 changed, "), std::string::npos) << r.out;
                EXPECT_EQ(Files(), before) << table << " " << format << " " << mode;
            }
        }
    }
}

TEST_F(CliTest, ExportWritesRfc4180CsvAndTypedJson)
{
    Result r = Run("-C '" + m_data + "' export items.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = SplitLines(r.out);
    ASSERT_EQ(lines.size(), 81u);
    EXPECT_EQ(lines[0], "\xEF\xBB\xBF编号,名称,描述键,品质,售价,重量,属性加成,合成材料,堆叠上限,全局编号\r");
    // 64-bit values stay exact; lists keep their bars.
    EXPECT_EQ(lines[3],
              "1003,精良的皮甲,ITEM_DESC_1003,2,252,1.000000,1.000000|1.000000,,1,9007199254756831\r");

    EditLine("items.txt", 3, "粗糙的铁剑", "铁剑, \"短\"");
    r = Run("-C '" + m_data + "' export items.txt");
    EXPECT_EQ(SplitLines(r.out)[1].rfind("1001,\"铁剑, \"\"短\"\"\",ITEM_DESC_1001,", 0), 0u) << r.out;

    r = Run("-C '" + m_data + "' export drops.txt --format json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(JsonChecker(r.out).Valid()) << r.out;
    EXPECT_NE(r.out.find("{\"编号\":3002,\"名称\":\"掉落组02\",\"物品列表\":[1031,1039,1065,1073,1080],"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(Run("-C '" + m_data + "' export nothing.txt").status, 1);
}

TEST_F(CliTest, ImportReplacesOrMergesAndReportsWhatChanged)
{
    const std::string original = CopyData("original");
    // No mark, LF line ends, a quoted name with a comma and a doubled quote; only three columns.
    const std::string csv = m_root + "/skills.csv";
    WriteFile(csv, "名称,编号,法力消耗\n\"火焰, \"\"冲击\"\"\",2001,7\n新技能,2999,3\n");

    Result r = Run("-C '" + m_data + "' import skills.txt '" + csv + "' --mode merge --dry-run");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "skills.txt: 1 rows added, 1 changed, 0 unchanged (dry run, nothing written)\n");
    EXPECT_EQ(Run("diff '" + original + "' '" + m_data + "'").status, 0);

    r = Run("-C '" + m_data + "' import skills.txt '" + csv + "' --mode merge");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "skills.txt: 1 rows added, 1 changed, 0 unchanged\n");
    r = Run("diff '" + original + "' '" + m_data + "'");
    EXPECT_EQ(r.out, "skills.txt: row 2999 \"新技能\" added\n"
                     "skills.txt: row 2001 \"火焰, \\\"冲击\\\"\" changed: \"名称\" \"火焰冲击\" -> \"火焰, "
                     "\\\"冲击\\\"\"\n"
                     "skills.txt: row 2001 \"火焰, \\\"冲击\\\"\" changed: \"法力消耗\" \"5\" -> \"7\"\n");
    EXPECT_EQ(Run("-C '" + m_data + "' check --strict").status, 0);

    // Replace: the file's two rows are all the table has; missing columns take their defaults.
    r = Run("-C '" + m_data + "' import skills.txt '" + csv + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "skills.txt: 0 rows added, 1 changed, 1 unchanged, 39 removed\n");
    const std::vector<std::string> lines = SplitLines(Run("textconv '" + Data("skills.txt") + "'").out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2], "2001\t火焰, \"冲击\"\t\t0.000000\t\t7\t0\t0");
    EXPECT_EQ(lines[3], "2999\t新技能\t\t0.000000\t\t3\t0\t0");
}

TEST_F(CliTest, EveryImportProblemIsReportedWithLineAndColumnAndWritesNothing)
{
    const struct
    {
        const char* csv;
        const char* where; // the expected "LINE:COLUMN: error: " and the start of the message
    } cases[] = {
        {"编号,名称,颜色\r\n1,a,b\r\n", ":1:3: error: 列 \"颜色\" 不是表 items.txt 的字段"},
        {"名称,售价\r\n", ":1:1: error: 缺少编号列 \"编号\""},
        {"编号,售价\r\n", ":1:1: error: 缺少名称列 \"名称\""},
        {"编号,名称,编号\r\n", ":1:3: error: 列 \"编号\" 出现了不止一次"},
        {"编号,名称,售价\r\n1,a,12ab\r\n", ":2:3: error: “售价”必须是"},
        {"编号,名称,品质\r\n1,a,-1\r\n", ":2:3: error: “品质”"},
        {"编号,名称\r\n1,a\r\n2,b\r\n1,c\r\n", ":4:1: error: 编号 1 已在第 2 行用过"},
        {"编号,名称\r\n99999999999,a\r\n", ":2:1: error: “编号”"},
        {"编号,名称,合成材料\r\n1,a,1|2|3|4|5|6|7|8|9|10|11|12|13|14|15|16|17|18|19|20|21|22|23|24|25|26|27|"
         "28|"
         "29|30|31|32|33|34|35|36|37|38|39|40|41|42|43|44|45|46|47|48|49|50|51|52|53|54|55|56|57|58|59|60|61|"
         "62|63|64|65\r\n",
         ":2:3: error: “合成材料”"},
        {"编号,名称\r\n1,\"two\nlines\"\r\n", ":2:2: error: “名称”"},
        {"编号,名称\r\n1,a,x\r\n", ":2:3: error: 这一行有 3 个值，而标题行有 2 列"},
        {"编号,名称\r\n1,\"a\"b\r\n", ":2:2: error: 结束引号之后还有文字"},
        {"编号,名称\r\n1,a\"b\r\n", ":2:2: error: 未加引号的字段中有 \""},
        {"编号,名称\r\n1,a\r\n2,\"b\r\n", ":3:2: error: 引号没有结束"},
        {"编号,名称\r\n1,\xC3\x28\r\n", ":2:2: error: 不是 UTF-8 文本"},
        {"", ":1:1: error: 文件是空的"},
    };
    // A name of 1024 units is over the limit of a string.
    const std::string longName = "编号,名称\r\n1," + std::string(1024, 'x') + "\r\n";
    const auto before = Files();
    const std::string csv = m_root + "/in.csv";
    for (const auto& c : cases)
    {
        for (const char* mode : {"replace", "merge"})
        {
            WriteFile(csv, c.csv);
            const Result r = Run("-C '" + m_data + "' import items.txt '" + csv + "' --mode " + mode);
            EXPECT_EQ(r.status, 1) << c.csv;
            EXPECT_NE(r.err.find(csv + c.where), std::string::npos) << c.csv << "\n" << r.err;
            EXPECT_NE(r.err.find("items.txt: nothing written\n"), std::string::npos) << r.err;
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(Files(), before) << c.csv;
        }
    }
    WriteFile(csv, longName);
    const Result r = Run("-C '" + m_data + "' import items.txt '" + csv + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(csv + ":2:2: error: “名称”"), std::string::npos) << r.err;
    EXPECT_EQ(Files(), before);
}

TEST_F(CliTest, ImportBringsBackATableThatASpreadsheetSavedAsUtf8WithLf)
{
    const auto before = Files();
    const std::string csv = m_root + "/quests.csv";
    ASSERT_EQ(Run("-C '" + m_data + "' export quests.txt -o '" + csv + "'").status, 0);
    std::string text = Text(Data("quests.txt"));
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.replace(at, 2, "\n");
    WriteFile(Data("quests.txt"), text); // UTF-8 without a mark, LF line ends

    Result r = Run("-C '" + m_data + "' check");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("quests.txt:0: error: the data file does not start with the UTF-16 little-endian "
                         "byte-order mark FF FE (a table that another tool saved as UTF-8 comes back with "
                         "tessel-cli import"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(Run("-C '" + m_data + "' import quests.txt '" + csv + "' --mode merge").status, 1);
    r = Run("-C '" + m_data + "' import quests.txt '" + csv + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "quests.txt: 30 rows added, 0 changed, 0 unchanged, 0 removed\n");
    EXPECT_EQ(Files(), before);

    // LF line ends in UTF-16: the message names the way back too.
    WriteFile(Data("skills.txt"), Utf16("ID\nINT\n"));
    r = Run("-C '" + m_data + "' check");
    EXPECT_NE(r.out.find("or bring the table back with tessel-cli import"), std::string::npos) << r.out;
}

} // namespace
