// What the benches that drive the real editor share (bench_editor, bench_grid): timing, the lists
// of times they print, letting posted events (repaints, layout) run before a measurement ends,
// resident memory, and starting the editor on a data directory under the offscreen platform with
// settings in Qt's test location.
#pragma once

#include "editor/DirectoryGuard.h"
#include "editor/MainFrame.h"
#include "editor/TesselApp.h"
#include "editor/TesselDoc.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace tesselbench
{

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// "[1.000, 2.500]": a JSON list of milliseconds.
inline std::string List(const std::vector<double>& values)
{
    std::string out = "[";
    for (size_t i = 0; i < values.size(); ++i)
    {
        char v[32];
        std::snprintf(v, sizeof(v), "%s%.3f", i ? ", " : "", values[i]);
        out += v;
    }
    return out + "]";
}

// Everything that was posted (repaints, layout) is processed before a measurement ends.
inline void Settle()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// The time of `action` and the event processing that follows it.
template <class F> double Time(F&& action)
{
    const Clock::time_point t = Clock::now();
    action();
    Settle();
    return Ms(Clock::now() - t);
}

// This process's resident memory (VmRSS), in bytes; 0 when unknown.
inline long long ResidentBytes()
{
    FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr)
        return 0;
    char line[256];
    long long kb = 0;
    while (std::fgets(line, sizeof(line), f) != nullptr)
        if (std::strncmp(line, "VmRSS:", 6) == 0)
            kb = std::atoll(line + 6);
    std::fclose(f);
    return kb * 1024;
}

// The editor's command line "tessel -C DIR"; must outlive the application made from it.
class EditorArgs
{
public:
    explicit EditorArgs(std::string dir) : m_dir(std::move(dir))
    {
        m_argv[0] = m_program;
        m_argv[1] = m_option;
        m_argv[2] = &m_dir[0];
        m_argv[3] = nullptr;
    }
    EditorArgs(const EditorArgs&) = delete;
    EditorArgs& operator=(const EditorArgs&) = delete;

    int& Argc() { return m_argc; }
    char** Argv() { return m_argv; }

private:
    std::string m_dir;
    char m_program[7] = "tessel";
    char m_option[3] = "-C";
    char* m_argv[4] = {};
    int m_argc = 3;
};

// Starts `app` (made from EditorArgs) and waits for its main window to be shown and painted; a
// deletion that breaks links goes ahead without the question. Null with `error` set when the
// editor did not start. Call QStandardPaths::setTestModeEnabled(true)
// before the application is made.
inline CMainFrame* StartEditor(CTesselApp& app, std::string* error)
{
    if (!app.InitInstance())
    {
        *error = "the editor did not start (exit code " + std::to_string(app.ExitCode()) + ")";
        return nullptr;
    }
    CMainFrame* frame = app.GetMainWnd();
    if (frame == nullptr || !QTest::qWaitForWindowExposed(frame, 30000))
    {
        *error = "the main window was not shown";
        return nullptr;
    }
    // Deleting rows that links name asks first; nobody answers a benchmark, so the answer is 继续
    // (the deletion is what is measured).
    frame->GetActiveDocument()->SetLinkBreakConfirmer(
        [](const QString&, const std::vector<tarn::LinkIndex::Referrer>&) { return true; });
    Settle();
    return frame;
}

// Ends the editor's hold on its directory when the measurements are over: the recovery journal
// of the edits made (and never saved) is dropped and the lock released, so that the next program
// on the same directory is not offered a recovery it would wait on.
class DirectoryRelease
{
public:
    explicit DirectoryRelease(CMainFrame* frame) : m_frame(frame) {}
    ~DirectoryRelease()
    {
        if (m_frame != nullptr && m_frame->Guard() != nullptr)
            m_frame->Guard()->Closing();
    }
    DirectoryRelease(const DirectoryRelease&) = delete;
    DirectoryRelease& operator=(const DirectoryRelease&) = delete;

private:
    CMainFrame* m_frame;
};

} // namespace tesselbench
