// scl::File on real files in a temporary directory, compared byte for byte.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/cpp/file.h"
#include "base/string.h"
#include "reportCapture.h"

using scltest::CaptureReports;
using scltest::ReportField;

namespace
{

using Bytes = std::vector<unsigned char>;

class FileTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = testing::TempDir() + "sclFileXXXXXX";
        ASSERT_NE(::mkdtemp(&pattern[0]), nullptr);
        m_dir = pattern;
    }

    void TearDown() override
    {
        for (const std::string& path : m_created)
            ::unlink(path.c_str());
        ::rmdir(m_dir.c_str());
    }

    std::string PathOf(const std::string& name)
    {
        const std::string path = m_dir + "/" + name;
        m_created.push_back(path);
        return path;
    }

    static std::u16string Wide(const std::string& path) { return scl::FromUtf8(path.c_str()); }

    std::string Create(const std::string& name, const Bytes& bytes)
    {
        const std::string path = PathOf(name);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    // UTF-16 little-endian bytes of text, optionally preceded by FF FE.
    static Bytes Utf16(const std::u16string& text, bool mark = true)
    {
        Bytes bytes;
        if (mark)
            bytes = {0xFF, 0xFE};
        for (char16_t u : text)
        {
            bytes.push_back(static_cast<unsigned char>(u & 0xFF));
            bytes.push_back(static_cast<unsigned char>(u >> 8));
        }
        return bytes;
    }

    static Bytes Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::string m_dir;
    std::vector<std::string> m_created;
};

TEST_F(FileTest, NewFileIsClosedWithZeroCounters)
{
    scl::File file;
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Stream(), nullptr);
    EXPECT_EQ(file.m_size, 0);
    EXPECT_EQ(file.m_lineCount, 0);
    const auto c = CaptureReports(
        [&]
        {
            EXPECT_EQ(file.Size(), 0);
            EXPECT_EQ(file.LineCount(), 0);
            EXPECT_FALSE(file.Flush());
        });
    EXPECT_EQ(c.reports, 0u);
}

TEST_F(FileTest, SeekOnClosedFileReportsAndReturnsZero)
{
    scl::File file;
    int result = -1;
    const auto c = CaptureReports([&] { result = file.Seek(4); });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(c.reports, 1u);
    EXPECT_EQ(ReportField(c.last, "function"), "scl::File::Seek");
    EXPECT_EQ(ReportField(c.last, "expresion"), "0");
}

TEST_F(FileTest, ReadModeCreatesAMissingFileEmpty)
{
    const std::string path = PathOf("missing.txt");
    scl::File file;
    file.Open(Wide(path).c_str(), "a+b");
    ASSERT_TRUE(file.IsOpen());
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(file.Size(), 0);
}

TEST_F(FileTest, OpenFailureLeavesTheFileClosed)
{
    scl::File file;
    const auto c = CaptureReports([&] { file.Open(Wide(m_dir + "/no/such/dir/x.txt").c_str(), "a+b"); });
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(c.reports, 0u);
}

TEST_F(FileTest, OpeningAnOpenFileReportsAndKeepsTheFirstStream)
{
    const std::string first = Create("first.txt", Utf16(u"one"));
    const std::string second = Create("second.txt", Utf16(u"second"));
    scl::File file;
    file.Open(Wide(first).c_str(), "a+b");
    ASSERT_TRUE(file.IsOpen());
    FILE* stream = file.Stream();
    const auto c = CaptureReports([&] { file.Open(Wide(second).c_str(), "a+b"); });
    EXPECT_EQ(c.reports, 1u);
    EXPECT_EQ(ReportField(c.last, "function"), "scl::File::Open");
    EXPECT_EQ(ReportField(c.last, "expresion"), "0");
    EXPECT_EQ(file.Stream(), stream);
    EXPECT_EQ(file.Size(), 8);
}

TEST_F(FileTest, PathsAreUtf16)
{
    const std::string name = "\xE8\xA1\xA8\xE6\xA0\xBC.txt"; // "表格.txt"
    const std::string path = PathOf(name);
    scl::File file;
    file.Open((Wide(m_dir) + u"/\u8868\u683C.txt").c_str(), "wb+");
    ASSERT_TRUE(file.IsOpen());
    EXPECT_TRUE(file.Write(u"x", 1));
    file.Close();
    EXPECT_EQ(Read(path), Utf16(u"x"));
}

TEST_F(FileTest, SkipBOMAcceptsBothByteOrders)
{
    const Bytes little = {0xFF, 0xFE, 'a', 0};
    const Bytes big = {0xFE, 0xFF, 0, 'a'};
    for (const Bytes& bytes : {little, big})
    {
        const std::string path = Create(bytes[0] == 0xFF ? "le.txt" : "be.txt", bytes);
        scl::File file;
        file.Open(Wide(path).c_str(), "a+b");
        ASSERT_TRUE(file.IsOpen());
        bool ok = false;
        const auto c = CaptureReports([&] { ok = file.SkipBOM(); });
        EXPECT_TRUE(ok);
        EXPECT_EQ(c.reports, 0u);
        EXPECT_EQ(::ftello(file.Stream()), 2);
    }
}

TEST_F(FileTest, SkipBOMOnEmptyFileReportsAndRewinds)
{
    const std::string path = Create("empty.txt", {});
    scl::File file;
    file.Open(Wide(path).c_str(), "a+b");
    bool ok = true;
    const auto c = CaptureReports([&] { ok = file.SkipBOM(); });
    EXPECT_FALSE(ok);
    ASSERT_EQ(c.reports, 1u);
    EXPECT_EQ(ReportField(c.last, "function"), "scl::File::SkipBOM");
    EXPECT_EQ(ReportField(c.last, "expresion"), "false");
    EXPECT_EQ(ReportField(c.last, "message"), "file is not UTF16 format!");
    EXPECT_EQ(::ftello(file.Stream()), 0);
}

TEST_F(FileTest, SkipBOMRejectsOtherStarts)
{
    const std::vector<Bytes> starts = {{'a', 0, 'b', 0}, {0xFF}, {0xFF, 0xFF}, {0xEF, 0xBB, 0xBF, 'a'}};
    int index = 0;
    for (const Bytes& bytes : starts)
    {
        const std::string path = Create("bad" + std::to_string(index++) + ".txt", bytes);
        scl::File file;
        file.Open(Wide(path).c_str(), "a+b");
        bool ok = true;
        const auto c = CaptureReports([&] { ok = file.SkipBOM(); });
        EXPECT_FALSE(ok) << index;
        EXPECT_EQ(c.reports, 1u) << index;
        EXPECT_EQ(::ftello(file.Stream()), 0) << index;
        unsigned char first = 0;
        EXPECT_EQ(file.Read(&first, 1), 1u);
        EXPECT_EQ(first, bytes[0]);
    }
}

TEST_F(FileTest, SizeIsMeasuredCachedAndKeepsThePosition)
{
    const std::string path = Create("size.txt", Utf16(u"abcde"));
    scl::File file;
    file.Open(Wide(path).c_str(), "a+b");
    ASSERT_EQ(file.Seek(4), 0);
    EXPECT_EQ(file.Size(), 12);
    EXPECT_EQ(::ftello(file.Stream()), 4);
    // The cached value is returned even though the file grew behind the object's back.
    {
        std::ofstream grow(path, std::ios::binary | std::ios::app);
        grow.write("zz", 2);
    }
    EXPECT_EQ(file.Size(), 12);
}

TEST_F(FileTest, SeekBeyondTheStartFailsWithReport)
{
    const std::string path = Create("seek.txt", Utf16(u"ab"));
    scl::File file;
    file.Open(Wide(path).c_str(), "a+b");
    int result = 0;
    const auto c = CaptureReports([&] { result = file.Seek(-10); });
    EXPECT_NE(result, 0);
    EXPECT_EQ(c.reports, 1u);
    EXPECT_EQ(ReportField(c.last, "expresion"), "result == 0");
}

TEST_F(FileTest, WritePutsTheMarkOnceAndKeepsSizeCurrent)
{
    const std::string path = PathOf("written.txt");
    scl::File file;
    file.Open(Wide(path).c_str(), "wb+");
    ASSERT_TRUE(file.IsOpen());
    EXPECT_TRUE(file.Write(u"ab", 2));
    EXPECT_EQ(file.Size(), 6);
    EXPECT_TRUE(file.Write(u"\u4E2D\n", 2));
    EXPECT_EQ(file.Size(), 10);
    EXPECT_EQ(file.m_size, 10);
    EXPECT_TRUE(file.Flush());
    EXPECT_FALSE(file.Failed());
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(Read(path), Utf16(u"ab\u4E2D\n"));
}

TEST_F(FileTest, WriteOfNothingOnANewFileWritesOnlyTheMark)
{
    const std::string path = PathOf("mark.txt");
    scl::File file;
    file.Open(Wide(path).c_str(), "wb+");
    EXPECT_TRUE(file.Write(u"", 0));
    EXPECT_TRUE(file.Write(u"", 0));
    file.Close();
    EXPECT_EQ(Read(path), (Bytes{0xFF, 0xFE}));
}

TEST_F(FileTest, WriteTruncatesInWriteModeAndAppendsInReadMode)
{
    const std::string path = Create("existing.txt", Utf16(u"old text"));
    {
        scl::File file;
        file.Open(Wide(path).c_str(), "wb+");
        EXPECT_TRUE(file.Write(u"new", 3));
    }
    EXPECT_EQ(Read(path), Utf16(u"new"));
    {
        scl::File file;
        file.Open(Wide(path).c_str(), "a+b");
        ASSERT_TRUE(file.SkipBOM());
        char16_t first = 0;
        EXPECT_EQ(file.Read(&first, 2), 2u);
        EXPECT_EQ(first, u'n');
        EXPECT_TRUE(file.Write(u"!", 1));
        EXPECT_EQ(file.Size(), 10);
    }
    EXPECT_EQ(Read(path), Utf16(u"new!"));
}

TEST_F(FileTest, WriteThatCannotWriteReportsFailure)
{
    const std::string path = Create("readonly.txt", Utf16(u"abc"));
    scl::File file;
    file.Open(Wide(path).c_str(), "rb");
    ASSERT_TRUE(file.IsOpen());
    EXPECT_FALSE(file.Write(u"xyz", 3));
    EXPECT_TRUE(file.Failed());
    file.Close();
    EXPECT_EQ(Read(path), Utf16(u"abc"));
}

TEST_F(FileTest, WriteOnClosedFileReports)
{
    scl::File file;
    bool ok = true;
    const auto c = CaptureReports([&] { ok = file.Write(u"a", 1); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(c.reports, 1u);
}

TEST_F(FileTest, LineCountCountsLastLineWithoutNewline)
{
    const std::string path = Create("lines.txt", Utf16(u"h1\th2\nt1\tt2\nrow"));
    scl::File file;
    file.Open(Wide(path).c_str(), "a+b");
    ASSERT_TRUE(file.SkipBOM());
    EXPECT_EQ(file.LineCount(), 3);
    EXPECT_EQ(::ftello(file.Stream()), 2);
    EXPECT_EQ(file.m_lineCount, 3);
}

TEST_F(FileTest, LineCountWithFinalNewlineAndCrLf)
{
    const std::string path = Create("crlf.txt", Utf16(u"a\r\nb\r\n\r\n"));
    scl::File file;
    file.Open(Wide(path).c_str(), "a+b");
    EXPECT_EQ(file.LineCount(), 3);
}

TEST_F(FileTest, LineCountOfEmptyFileIsNotCached)
{
    const std::string path = Create("grows.txt", {});
    scl::File file;
    file.Open(Wide(path).c_str(), "a+b");
    EXPECT_EQ(file.LineCount(), 0);
    {
        std::ofstream grow(path, std::ios::binary | std::ios::app);
        const Bytes bytes = Utf16(u"a\nb\n");
        grow.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    EXPECT_EQ(file.LineCount(), 2);
    // Positive counts are cached.
    {
        std::ofstream grow(path, std::ios::binary | std::ios::app);
        grow.write("c\0\n\0", 4);
    }
    EXPECT_EQ(file.LineCount(), 2);
}

TEST_F(FileTest, LineLongerThanTheBufferCountsMoreThanOnce)
{
    struct Case
    {
        int units; // units before the newline, no mark
        int lines;
    };
    // One read takes at most 16383 units and stops after a newline.
    const Case cases[] = {{16382, 1}, {16383, 2}, {16384, 2}, {2 * 16383 - 1, 2}, {2 * 16383, 3}};
    for (const Case& k : cases)
    {
        std::u16string text(static_cast<size_t>(k.units), u'x');
        text += u'\n';
        const std::string path = Create("long" + std::to_string(k.units) + ".txt", Utf16(text, false));
        scl::File file;
        file.Open(Wide(path).c_str(), "a+b");
        EXPECT_EQ(file.LineCount(), k.lines) << k.units;
    }
}

TEST_F(FileTest, LineCountAcrossManyShortLinesAndOddTrailingByte)
{
    std::u16string text;
    for (int i = 0; i < 10000; ++i)
        text += u"abc\n";
    Bytes bytes = Utf16(text);
    bytes.push_back('z'); // half a unit: not a character
    const std::string path = Create("many.txt", bytes);
    scl::File file;
    file.Open(Wide(path).c_str(), "a+b");
    EXPECT_EQ(file.LineCount(), 10000);
}

TEST_F(FileTest, ReadReturnsRawBytesAfterTheMark)
{
    const std::string path = Create("raw.txt", Utf16(u"A\u00E9"));
    scl::File file;
    file.Open(Wide(path).c_str(), "a+b");
    ASSERT_TRUE(file.SkipBOM());
    unsigned char buffer[8] = {};
    EXPECT_EQ(file.Read(buffer, sizeof(buffer)), 4u);
    EXPECT_EQ(buffer[0], 'A');
    EXPECT_EQ(buffer[1], 0);
    EXPECT_EQ(buffer[2], 0xE9);
    EXPECT_EQ(buffer[3], 0);
    EXPECT_FALSE(file.Failed());
}

} // namespace
