// Shared helpers of the data-model tests: a temporary directory per test, UTF-16 files built from
// and compared as bytes, and counting of failed-check reports with their output kept out of the
// test log.
#ifndef TESTS_TOOL_DATA_FILE_TEST_SUPPORT_H
#define TESTS_TOOL_DATA_FILE_TEST_SUPPORT_H

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "base/assert.h"
#include "base/string.h"

namespace tarntest
{

// The little-endian bytes of UTF-16 text, optionally preceded by the mark FF FE.
inline std::string Utf16Bytes(const std::u16string& text, bool mark = true)
{
    std::string bytes;
    if (mark)
        bytes += "\xFF\xFE";
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

inline std::string U8(const char16_t* text)
{
    return scl::ToUtf8(text);
}

// A fresh directory under the system's temporary directory, removed with everything in it at the
// end of the test.
class TempDirTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarn-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
        m_dir = pattern;
    }
    void TearDown() override
    {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }
    std::u16string Path16(const std::string& name) const { return U16(PathOf(name)); }

    void WriteBytes(const std::string& name, const std::string& bytes) const
    {
        std::ofstream out(PathOf(name), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(out.good());
    }
    std::string ReadBytes(const std::string& name) const
    {
        std::ifstream in(PathOf(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(m_dir / name); }

    std::filesystem::path m_dir;
};

// Runs f with standard output and error captured (reports go there) and returns how many failed
// checks it reported; the last report's text goes to *last when given.
template <class F> unsigned long CountReports(F&& f, std::string* last = nullptr)
{
    const unsigned long before = scl::AssertReportCount();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    std::forward<F>(f)();
    testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    const unsigned long count = scl::AssertReportCount() - before;
    if (last != nullptr)
        *last = count > 0 ? scl::LastAssertReport() : "";
    return count;
}

} // namespace tarntest

#endif // TESTS_TOOL_DATA_FILE_TEST_SUPPORT_H
