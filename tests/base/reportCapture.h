// Runs code while capturing standard output and standard error, so tests can check the
// failed-check reports it emits (and keep them out of the test log).
#ifndef TESTS_BASE_REPORT_CAPTURE_H
#define TESTS_BASE_REPORT_CAPTURE_H

#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "base/assert.h"

namespace scltest
{

struct Captured
{
    unsigned long reports = 0; // reports emitted while running
    std::string out;           // standard output
    std::string err;           // standard error (the debugger output)
    std::string last;          // the last report, "" when none was emitted
};

template <class F> Captured CaptureReports(F&& f)
{
    Captured c;
    const unsigned long before = scl::AssertReportCount();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    std::forward<F>(f)();
    c.err = testing::internal::GetCapturedStderr();
    c.out = testing::internal::GetCapturedStdout();
    c.reports = scl::AssertReportCount() - before;
    if (c.reports > 0)
        c.last = scl::LastAssertReport();
    return c;
}

// The value of one "<name: value>" line of a report, or "<missing>".
inline std::string ReportField(const std::string& report, const std::string& name)
{
    const std::string open = "<" + name + ": ";
    const size_t at = report.find(open);
    if (at == std::string::npos)
        return "<missing>";
    const size_t from = at + open.size();
    const size_t to = report.find(">\n", from);
    if (to == std::string::npos)
        return "<missing>";
    return report.substr(from, to - from);
}

} // namespace scltest

#endif // TESTS_BASE_REPORT_CAPTURE_H
