// Shared helpers of the shell tests: a small data directory written into a temporary directory,
// the real application started on it, and answering of modal dialogs from a timer so that no
// test ever waits on a person.
#pragma once

#include "TypingSupport.h"
#include "editor/AppSettings.h"
#include "editor/MainFrame.h"
#include "editor/TesselApp.h"
#include "tool/tables.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <vector>

namespace shelltest
{

// UTF-16 little-endian bytes with the mark FF FE in front.
inline QByteArray Utf16File(const QString& text)
{
    QByteArray bytes("\xFF\xFE", 2);
    for (QChar c : text)
    {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Waits (processing events) until condition holds; false after timeoutMs.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition())
    {
        if (elapsed.hasExpired(timeoutMs))
            return false;
        QTest::qWait(10);
    }
    return true;
}

// The files of the sample data directory: two tables, the second linking to the first. Every
// value is in the form the writer produces, so an unchanged table is saved byte for byte.
struct DataFile
{
    QString name;
    QByteArray bytes;
};

inline std::vector<DataFile> SampleDataFiles()
{
    const QByteArray list = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                            "<TableList>\n"
                            "\t<Table FileName=\"item.txt\" Label=\"\xE7\x89\xA9\xE5\x93\x81\" />\n"
                            "\t<Table FileName=\"monster.txt\" Label=\"\xE6\x80\xAA\xE7\x89\xA9\" />\n"
                            "</TableList>\n";
    const QByteArray itemMeta =
        "<?xml version=\"1.0\"?>\n"
        "<Table IdFieldIndex=\"0\" NameFieldIndex=\"1\">\n"
        "\t<Field Type=\"INT\" Name=\"ID\" CodeVarName=\"ID\" LinkTableName=\"\" IsMulti=\"false\" />\n"
        "\t<Field Type=\"STRING\" Name=\"Name\" CodeVarName=\"Name\" LinkTableName=\"\" IsMulti=\"false\" "
        "/>\n"
        "\t<Field Type=\"UINT\" Name=\"Level\" CodeVarName=\"Level\" LinkTableName=\"\" IsMulti=\"false\" "
        "/>\n"
        "\t<Field Type=\"FLOAT\" Name=\"Weight\" CodeVarName=\"Weight\" LinkTableName=\"\" IsMulti=\"false\" "
        "/>\n"
        "\t<Field Type=\"STRING_INT\" Name=\"Drops\" CodeVarName=\"Drops\" LinkTableName=\"\" "
        "IsMulti=\"true\" />\n"
        "</Table>\n";
    const QByteArray monsterMeta =
        "<?xml version=\"1.0\"?>\n"
        "<Table IdFieldIndex=\"0\" NameFieldIndex=\"1\">\n"
        "\t<Field Type=\"INT\" Name=\"ID\" CodeVarName=\"ID\" LinkTableName=\"\" IsMulti=\"false\" />\n"
        "\t<Field Type=\"STRING\" Name=\"Name\" CodeVarName=\"Name\" LinkTableName=\"\" IsMulti=\"false\" "
        "/>\n"
        "\t<Field Type=\"INT\" Name=\"Item\" CodeVarName=\"Item\" LinkTableName=\"item.txt\" "
        "IsMulti=\"false\" />\n"
        "</Table>\n";
    const QString item = QStringLiteral("ID\tName\tLevel\tWeight\tDrops\r\n"
                                        "INT\tSTRING\tUINT\tFLOAT\tSTRING_INT\r\n"
                                        "1\t长剑\t3\t1.500000\t3|4\r\n"
                                        "2\tShield\t4294967295\t0.250000\t\r\n");
    const QString monster = QStringLiteral("ID\tName\tItem\r\n"
                                           "INT\tSTRING\tINT\r\n"
                                           "10\tGoblin\t1\r\n"
                                           "11\tOrc\t2\r\n"
                                           "12\tTroll\t-5\r\n");
    return {{QStringLiteral("tableList.xml"), list},
            {QStringLiteral("item.txt.meta"), itemMeta},
            {QStringLiteral("monster.txt.meta"), monsterMeta},
            {QStringLiteral("item.txt"), Utf16File(item)},
            {QStringLiteral("monster.txt"), Utf16File(monster)}};
}

// Answers the first modal widget of type T that becomes active within `timeoutMs`: `answer`
// gets it and must close it. A modal widget of another type, or none at all, is closed when
// the time is up, so a test never hangs. Create the answer before the call that opens the
// dialog.
template <typename T> class ModalAnswer
{
public:
    explicit ModalAnswer(std::function<void(T*)> answer, int timeoutMs = 10000)
        : m_answer(std::move(answer)), m_timeoutMs(timeoutMs)
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this]() { Poll(); });
        m_elapsed.start();
        m_timer.start();
    }

    // Whether a T came and was answered.
    bool answered() const { return m_answered; }
    // Whether some other modal widget had to be closed instead.
    bool closedOther() const { return m_closedOther; }

private:
    void Poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (T* wanted = qobject_cast<T*>(modal))
        {
            m_timer.stop();
            m_answered = true;
            m_answer(wanted);
            return;
        }
        if (m_elapsed.hasExpired(m_timeoutMs))
        {
            m_timer.stop();
            if (modal)
            {
                m_closedOther = true;
                modal->close();
            }
        }
    }

    std::function<void(T*)> m_answer;
    int m_timeoutMs;
    QTimer m_timer;
    QElapsedTimer m_elapsed;
    bool m_answered = false;
    bool m_closedOther = false;
};

// Base of the tests that start the real editor: settings empty in a temporary directory, the
// table list fresh, a temporary data directory holding the sample files; the current directory
// is restored after.
class EditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Each test keeps its settings in a directory of its own: tests run in parallel
        // processes, and Qt's test location is shared by all of them.
        ASSERT_TRUE(m_settingsDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
        ASSERT_TRUE(AppSettings().fileName().startsWith(m_settingsDir.path()))
            << "settings must live in the test's directory: " << AppSettings().fileName().toStdString();
        AppSettings().clear();
        TableList::destroyInstance();
        m_oldCurrent = QDir::currentPath();
        ASSERT_TRUE(m_dir.isValid());
        for (const DataFile& file : SampleDataFiles())
            ASSERT_TRUE(WriteFile(Path(file.name), file.bytes));
    }

    void TearDown() override
    {
        Stop();
        TableList::destroyInstance();
        QDir::setCurrent(m_oldCurrent);
        AppSettings().clear();
    }

    QString Dir() const { return m_dir.path(); }
    QString Path(const QString& name) const { return m_dir.filePath(name); }

    // Starts the application with `arguments` after the program name; by default on the data
    // directory. Returns whether InitInstance succeeded.
    bool Start(QStringList arguments = {})
    {
        if (arguments.isEmpty())
            arguments = {QStringLiteral("-C"), Dir()};
        arguments.prepend(QStringLiteral("tessel"));
        m_argStorage.clear();
        m_argv.clear();
        for (const QString& argument : arguments)
            m_argStorage.push_back(argument.toLocal8Bit());
        for (QByteArray& argument : m_argStorage)
            m_argv.push_back(argument.data());
        m_argv.push_back(nullptr);
        m_argc = static_cast<int>(m_argStorage.size());
        m_app = std::make_unique<CTesselApp>(m_argc, m_argv.data());
        return m_app->InitInstance();
    }

    // Ends the application as at process exit: the frame goes, the table list is destroyed.
    void Stop()
    {
        m_app.reset();
        TableList::destroyInstance();
    }

    CMainFrame* Frame() const { return m_app ? m_app->GetMainWnd() : nullptr; }
    CTesselApp* App() const { return m_app.get(); }

    // Replaces the files of the data directory by a copy of every file of `from`; `copied`, when
    // given, gets each file's bytes by name.
    void CopyDataDirectory(const QString& from, std::map<QString, QByteArray>* copied = nullptr)
    {
        const QDir source(from);
        const QStringList names = source.entryList(QDir::Files);
        ASSERT_FALSE(names.isEmpty()) << from.toStdString();
        QDir dir(Dir());
        for (const QString& name : dir.entryList(QDir::Files))
            ASSERT_TRUE(dir.remove(name)) << name.toStdString();
        for (const QString& name : names)
        {
            const QByteArray bytes = ReadFile(source.filePath(name));
            ASSERT_TRUE(WriteFile(Path(name), bytes)) << name.toStdString();
            if (copied != nullptr)
                (*copied)[name] = bytes;
        }
    }

    // Shows the started main frame and makes it the active window, as the user's desktop does;
    // keys then reach its focus widget.
    bool ShowFrame()
    {
        CMainFrame* frame = Frame();
        if (frame == nullptr)
            return false;
        frame->show();
        frame->activateWindow();
        QApplication::setActiveWindow(frame);
        return QTest::qWaitForWindowActive(frame, 5000);
    }

    QTemporaryDir m_dir;
    QTemporaryDir m_settingsDir;
    QString m_oldCurrent;
    std::unique_ptr<CTesselApp> m_app;
    std::vector<QByteArray> m_argStorage;
    std::vector<char*> m_argv;
    int m_argc = 0;
};

} // namespace shelltest
