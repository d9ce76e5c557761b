// Failed-check reports: exact text, both outputs, message form, limits, and the function name
// taken from the compiler's signature.
#include <csignal>
#include <cstdio>
#include <new>
#include <string>

#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "allocationCounter.h"
#include "base/assert.h"
#include "base/cpp/file.h"
#include "reportCapture.h"

using scltest::AllocationCount;
using scltest::CaptureReports;
using scltest::ReportField;

namespace probe
{
struct Widget
{
    int m_line = 0;

    bool Check(int value) const;
    bool CheckWithMessage(int value, const char* name);
};

bool Widget::Check(int value) const
{
    const_cast<Widget*>(this)->m_line = __LINE__ + 1;
    return SCL_ASSERT(value > 0);
}

bool Widget::CheckWithMessage(int value, const char* name)
{
    m_line = __LINE__ + 1;
    return SCL_ASSERT_MSG(value == 42, "%s is %d, expected %d", name, value, 42);
}

template <class T> struct Holder
{
    bool Check(T v) { return SCL_ASSERT(v == T()); }
};
} // namespace probe

TEST(AssertReport, PlainFormIsExactOnBothOutputs)
{
    const auto c =
        CaptureReports([] { scl::AssertReport("base/cpp/file.cpp", "scl::File::Size", 246, "m_size >= 0"); });
    const std::string expected = "<file: base/cpp/file.cpp>\n"
                                 "<function: scl::File::Size>\n"
                                 "<line: 246>\n"
                                 "<expresion: m_size >= 0>\n";
    EXPECT_EQ(c.reports, 1u);
    EXPECT_EQ(c.err, expected);
    EXPECT_EQ(c.out, expected);
    EXPECT_EQ(c.last, expected);
}

TEST(AssertReport, MessageFormFormatsTheMessage)
{
    const auto c = CaptureReports(
        []
        {
            scl::AssertReportMessage("tool/table.cpp", "tarn::editor::Table::Load", 7, "false",
                                     "%s has %d rows", "items", 3);
        });
    const std::string expected = "<file: tool/table.cpp>\n"
                                 "<function: tarn::editor::Table::Load>\n"
                                 "<line: 7>\n"
                                 "<expresion: false>\n"
                                 "<message: items has 3 rows>\n";
    EXPECT_EQ(c.err, expected);
    EXPECT_EQ(c.out, expected);
}

TEST(AssertReport, NullMessageFormatGivesAnEmptyMessage)
{
    const auto c = CaptureReports([] { scl::AssertReportMessage("a.cpp", "f", 1, "0", nullptr); });
    EXPECT_EQ(c.out, "<file: a.cpp>\n<function: f>\n<line: 1>\n<expresion: 0>\n<message: >\n");
}

TEST(AssertReport, PercentSignsInFieldsAreNotReinterpreted)
{
    // Only the message is a format; the file, function and expression are printed as text, and
    // the report is written to standard output through "%s".
    const auto c = CaptureReports([] { scl::AssertReport("100%s.cpp", "f", 2, "x % 2 == 0"); });
    EXPECT_EQ(c.out, "<file: 100%s.cpp>\n<function: f>\n<line: 2>\n<expresion: x % 2 == 0>\n");
}

TEST(AssertReport, MessageIsCutTo4095Characters)
{
    const std::string longText(5000, 'm');
    const auto c =
        CaptureReports([&] { scl::AssertReportMessage("a.cpp", "f", 1, "0", "%s", longText.c_str()); });
    EXPECT_EQ(ReportField(c.out, "message"), std::string(4095, 'm'));
}

TEST(AssertReport, ReportIsCutTo16383Bytes)
{
    const std::string longFile(20000, 'f');
    const auto c = CaptureReports([&] { scl::AssertReport(longFile.c_str(), "g", 1, "0"); });
    ASSERT_EQ(c.out.size(), 16383u);
    EXPECT_EQ(c.out.substr(0, 7), "<file: ");
    EXPECT_EQ(c.out.substr(7), std::string(16383 - 7, 'f'));
    EXPECT_EQ(c.err, c.out);
    EXPECT_EQ(c.last, c.out);
}

TEST(AssertReport, CountAndLastReportOnlyObserve)
{
    const unsigned long before = scl::AssertReportCount();
    const auto first = CaptureReports([] { scl::AssertReport("one.cpp", "f", 1, "a"); });
    const auto second = CaptureReports([] { scl::AssertReport("two.cpp", "g", 2, "b"); });
    EXPECT_EQ(scl::AssertReportCount(), before + 2);
    EXPECT_EQ(second.last, "<file: two.cpp>\n<function: g>\n<line: 2>\n<expresion: b>\n");
    EXPECT_EQ(first.out, "<file: one.cpp>\n<function: f>\n<line: 1>\n<expresion: a>\n");
}

TEST(AssertMacro, PassingCheckIsTrueAndSilent)
{
    probe::Widget w;
    bool result = false;
    const auto c = CaptureReports([&] { result = w.Check(5); });
    EXPECT_TRUE(result);
    EXPECT_EQ(c.reports, 0u);
    EXPECT_EQ(c.out, "");
    EXPECT_EQ(c.err, "");
}

TEST(AssertMacro, FailingCheckReportsLocationAndYieldsFalse)
{
    probe::Widget w;
    bool result = true;
    const auto c = CaptureReports([&] { result = w.Check(-1); });
    EXPECT_FALSE(result);
    ASSERT_EQ(c.reports, 1u);
    const std::string expected = std::string("<file: ") + __FILE__ +
                                 ">\n<function: probe::Widget::Check>\n<line: " + std::to_string(w.m_line) +
                                 ">\n<expresion: value > 0>\n";
    EXPECT_EQ(c.out, expected);
    EXPECT_EQ(c.err, expected);
}

TEST(AssertMacro, MessageCheckFormatsArguments)
{
    probe::Widget w;
    bool result = true;
    const auto c = CaptureReports([&] { result = w.CheckWithMessage(7, "answer"); });
    EXPECT_FALSE(result);
    EXPECT_EQ(ReportField(c.out, "function"), "probe::Widget::CheckWithMessage");
    EXPECT_EQ(ReportField(c.out, "line"), std::to_string(w.m_line));
    EXPECT_EQ(ReportField(c.out, "expresion"), "value == 42");
    EXPECT_EQ(ReportField(c.out, "message"), "answer is 7, expected 42");
}

TEST(AssertMacro, TemplateMemberIsNamedWithoutArguments)
{
    probe::Holder<int> h;
    const auto c = CaptureReports([&] { h.Check(3); });
    const std::string name = ReportField(c.out, "function");
    // GCC names the template parameter, Clang the argument.
    EXPECT_TRUE(name == "probe::Holder<T>::Check" || name == "probe::Holder<int>::Check") << name;
}

TEST(AssertMacro, LibraryMemberFunctionIsQualified)
{
    scl::File file;
    const auto c = CaptureReports([&] { EXPECT_EQ(file.Seek(10), 0); });
    ASSERT_EQ(c.reports, 1u);
    EXPECT_EQ(ReportField(c.out, "function"), "scl::File::Seek");
    EXPECT_EQ(ReportField(c.out, "expresion"), "0");
    EXPECT_NE(ReportField(c.out, "file").find("file.cpp"), std::string::npos);
}

struct SignatureCase
{
    const char* signature;
    const char* name;
};

class QualifiedFunctionName : public testing::TestWithParam<SignatureCase>
{
};

TEST_P(QualifiedFunctionName, StripsReturnTypeParametersAndTemplateNote)
{
    char out[256];
    const int n = scl::detail::QualifiedFunctionName(GetParam().signature, out, sizeof(out));
    EXPECT_STREQ(out, GetParam().name);
    EXPECT_EQ(n, static_cast<int>(std::string(GetParam().name).size()));
}

INSTANTIATE_TEST_SUITE_P(
    CompilerSignatures, QualifiedFunctionName,
    testing::Values(
        SignatureCase{"int scl::File::Seek(long long int)", "scl::File::Seek"},
        SignatureCase{"int scl::File::Seek(long long)", "scl::File::Seek"},
        SignatureCase{"bool scl::parray<T>::push_back(const T&) [with T = int]", "scl::parray<T>::push_back"},
        SignatureCase{"bool scl::parray<int>::push_back(const T &) [T = int]", "scl::parray<int>::push_back"},
        SignatureCase{"scl::File::File()", "scl::File::File"},
        SignatureCase{"virtual scl::File::~File()", "scl::File::~File"},
        SignatureCase{"void tarn::editor::Table::Save()", "tarn::editor::Table::Save"},
        SignatureCase{"bool scl::pstringT<T>::operator==(const T*) const [with T = char16_t]",
                      "scl::pstringT<T>::operator=="},
        SignatureCase{"T& scl::parray<T>::operator[](int) [with T = int]", "scl::parray<T>::operator[]"},
        SignatureCase{"bool Foo::operator<(const Foo&) const", "Foo::operator<"},
        SignatureCase{"std::ostream& operator<<(std::ostream&, const X&)", "operator<<"},
        SignatureCase{"Foo::operator const char*() const", "Foo::operator const char*"},
        SignatureCase{"void Foo::operator()(int)", "Foo::operator()"},
        SignatureCase{"const char *scl::X::name() const", "scl::X::name"},
        SignatureCase{"std::map<int, int> ns::f(std::pair<int, int>)", "ns::f"},
        SignatureCase{"void {anonymous}::helper()", "{anonymous}::helper"},
        SignatureCase{"void (anonymous namespace)::helper()", "(anonymous namespace)::helper"},
        SignatureCase{"int main()", "main"}, SignatureCase{"main", "main"}, SignatureCase{"", ""}));

TEST(QualifiedFunctionNameLimits, CutsToTheBufferAndHandlesNull)
{
    char out[5] = {'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(scl::detail::QualifiedFunctionName("void scl::File::Seek()", out, sizeof(out)), 4);
    EXPECT_STREQ(out, "scl:");
    EXPECT_EQ(scl::detail::QualifiedFunctionName(nullptr, out, sizeof(out)), 0);
    EXPECT_STREQ(out, "");
}

TEST(AssertHeap, ReportingAllocatesNothing)
{
    probe::Widget w;
    long during = -1;
    const auto c = CaptureReports(
        [&]
        {
            const long before = AllocationCount();
            w.Check(0);
            w.CheckWithMessage(1, "n");
            scl::AssertReportMessage("f.cpp", "g", 1, "0", nullptr);
            during = AllocationCount() - before;
        });
    EXPECT_EQ(c.reports, 3u);
    EXPECT_EQ(during, 0);
}

TEST(AssertHeap, CounterSeesAnAllocation)
{
    // The instrument of the test above: without it, "nothing allocated" would prove nothing.
    const long before = AllocationCount();
    void* volatile block = ::operator new(16);
    ::operator delete(block);
    EXPECT_EQ(AllocationCount() - before, 1);
}

TEST(AssertDebugger, StopsOnlyWhenTraced)
{
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, 1);
        ::dup2(devNull, 2);
        // Untraced: the failed check goes on without stopping.
        probe::Widget w;
        if (w.Check(-1))
            ::_exit(10);
        if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            ::_exit(20); // tracing not permitted here
        // Traced: the failed check stops the process with SIGTRAP, then continues.
        if (w.Check(-2))
            ::_exit(11);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 20)
        GTEST_SKIP() << "ptrace is not permitted in this environment";
    ASSERT_TRUE(WIFSTOPPED(status)) << "status " << status;
    EXPECT_EQ(WSTOPSIG(status), SIGTRAP);
    ASSERT_EQ(::ptrace(PTRACE_CONT, child, nullptr, nullptr), 0);
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
