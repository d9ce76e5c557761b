// Helpers of the row, table and table-list tests: each test runs in its own temporary data
// directory (the current directory while it runs), writes its files as bytes and compares bytes.
#ifndef TESTS_TOOL_TABLES_TEST_SUPPORT_H
#define TESTS_TOOL_TABLES_TEST_SUPPORT_H

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/assert.h"
#include "base/string.h"
#include "tool/diagnostic.h"
#include "tool/tables.h"

namespace tablestest
{

// The little-endian bytes of UTF-16 text (given as UTF-8), preceded by FF FE unless mark is false.
inline std::string Utf16(const std::string& utf8, bool mark = true)
{
    const std::u16string text = scl::FromUtf8(utf8.c_str());
    std::string bytes = mark ? std::string("\xFF\xFE") : std::string();
    for (char16_t c : text)
    {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

inline std::u16string U16(const std::string& utf8)
{
    return scl::FromUtf8(utf8.c_str());
}

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool Exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// Modification time in nanoseconds, to prove that a file was not rewritten.
inline long long MTime(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    return static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

// A metadata file (UTF-8 XML) with IdFieldIndex 0, NameFieldIndex 1 and one field per
// "TYPE NAME" or "TYPE NAME LINK" entry.
inline std::string Meta(const std::vector<std::string>& fields,
                        const std::string& rootAttributes = "IdFieldIndex=\"0\" NameFieldIndex=\"1\"")
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Table " + rootAttributes + ">\n";
    for (const std::string& f : fields)
    {
        const size_t a = f.find(' ');
        const size_t b = f.find(' ', a + 1);
        const std::string type = f.substr(0, a);
        const std::string name = f.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
        const std::string link = b == std::string::npos ? std::string() : f.substr(b + 1);
        xml += "\t<Field Type=\"" + type + "\" Name=\"" + name + "\" CodeVarName=\"" + name +
               "\" LinkTableName=\"" + link + "\" IsMulti=\"false\" />\n";
    }
    return xml + "</Table>\n";
}

// Joins lines with CR LF after each one.
inline std::string Lines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

// Runs each test in a fresh temporary directory as the current directory, with a fresh table list.
class DataDirTest : public testing::Test
{
protected:
    void SetUp() override
    {
        char cwd[PATH_MAX];
        ASSERT_NE(::getcwd(cwd, sizeof(cwd)), nullptr);
        m_oldCwd = cwd;
        std::string pattern = (std::filesystem::temp_directory_path() / "tessel-tables-XXXXXX").string();
        ASSERT_NE(::mkdtemp(&pattern[0]), nullptr);
        m_dir = pattern;
        ASSERT_EQ(::chdir(m_dir.c_str()), 0);
        TableList::destroyInstance();
        m_reports = scl::AssertReportCount();
    }
    void TearDown() override
    {
        TableList::destroyInstance();
        EXPECT_EQ(::chdir(m_oldCwd.c_str()), 0);
        std::error_code ec;
        std::filesystem::permissions(m_dir, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(m_dir, ec);
    }

    // Failed-check reports since the test started (or since the last call).
    unsigned long NewReports()
    {
        const unsigned long now = scl::AssertReportCount();
        const unsigned long n = now - m_reports;
        m_reports = now;
        return n;
    }

    // A table file pair: the data file (UTF-16LE, mark, CR LF lines) and its metadata.
    void WriteTable(const std::string& name, const std::vector<std::string>& fields,
                    const std::vector<std::string>& lines)
    {
        WriteFile(name + ".meta", Meta(fields));
        WriteFile(name, Utf16(Lines(lines)));
    }

    // Every file of the directory with its bytes, to prove that nothing changed.
    std::vector<std::pair<std::string, std::string>> Snapshot() const
    {
        std::vector<std::pair<std::string, std::string>> files;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir))
            files.emplace_back(entry.path().filename().string(),
                               ReadFile(entry.path().string()) + "@" +
                                   std::to_string(MTime(entry.path().string())));
        std::sort(files.begin(), files.end());
        return files;
    }

    std::string m_oldCwd;
    std::string m_dir;
    unsigned long m_reports = 0;
};

// The diagnostics whose message contains text.
inline std::vector<tarn::Diagnostic> Matching(const std::vector<tarn::Diagnostic>& all,
                                              const std::string& text)
{
    std::vector<tarn::Diagnostic> found;
    for (const tarn::Diagnostic& d : all)
    {
        if (d.message.find(text) != std::string::npos)
            found.push_back(d);
    }
    return found;
}

inline std::string AllText(const std::vector<tarn::Diagnostic>& all)
{
    std::string text;
    for (const tarn::Diagnostic& d : all)
        text += d.text() + "\n";
    return text;
}

} // namespace tablestest

#endif // TESTS_TOOL_TABLES_TEST_SUPPORT_H
