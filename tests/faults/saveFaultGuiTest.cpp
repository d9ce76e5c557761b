// The editor's Save on a full disk: the user is told which tables were not saved and why, the
// old files stay as they were, and the next Save, once there is room, writes everything.
#include <cerrno>
#include <cstring>

#include <QMessageBox>

#include "ShellTestSupport.h"
#include "base/cpp/file.h"
#include "editor/resource.h"

using namespace shelltest;

namespace
{

// Every write fails as on a full disk.
bool DiskFull(scl::File::Operation operation, const scl::File&, std::size_t)
{
    if (operation != scl::File::Operation::Write)
        return true;
    errno = ENOSPC;
    return false;
}

class SaveFaultGuiTest : public EditorTest
{
protected:
    void TearDown() override
    {
        scl::File::s_faultHook = nullptr;
        qunsetenv("TESSEL_TEST_ANSWERS");
        EditorTest::TearDown();
    }
};

TEST_F(SaveFaultGuiTest, FullDiskIsReportedAndTheNextSaveWritesEverything)
{
    ASSERT_TRUE(Start());
    const QByteArray item = ReadFile(Path(QStringLiteral("item.txt")));
    const QByteArray monster = ReadFile(Path(QStringLiteral("monster.txt")));
    ASSERT_FALSE(item.isEmpty());

    scl::File::s_faultHook = DiskFull;
    QString told;
    ModalAnswer<QMessageBox> report(
        [&](QMessageBox* box)
        {
            told = box->text() + QLatin1Char('\n') + box->informativeText();
            box->accept();
        });
    ASSERT_TRUE(Frame()->Commands().execute(ID_FILE_SAVE));
    scl::File::s_faultHook = nullptr;
    ASSERT_TRUE(report.answered()) << "the user was not told that the save failed";
    EXPECT_TRUE(told.contains(QStringLiteral("item.txt"))) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("monster.txt"))) << told.toStdString();
    EXPECT_TRUE(told.contains(QString::fromLocal8Bit(std::strerror(ENOSPC)))) << told.toStdString();
    EXPECT_EQ(ReadFile(Path(QStringLiteral("item.txt"))), item);
    EXPECT_EQ(ReadFile(Path(QStringLiteral("monster.txt"))), monster);
    EXPECT_EQ(QDir(Dir()).entryList(QDir::Files).size(), 5) << "a failed save left files behind";

    // Room again: the next Save writes both tables (from memory: the files on disk are spoilt
    // first to see that they are written) and tells nothing.
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("item.txt")), "x"));
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("monster.txt")), "x"));
    // Save asks before it overwrites a file changed on disk; the answer here is "覆盖".
    qputenv("TESSEL_TEST_ANSWERS", QStringLiteral("OverwriteBox=覆盖").toUtf8());
    ModalAnswer<QWidget> anyDialog([](QWidget* w) { w->close(); }, 500);
    ASSERT_TRUE(Frame()->Commands().execute(ID_FILE_SAVE));
    EXPECT_FALSE(anyDialog.answered());
    EXPECT_EQ(ReadFile(Path(QStringLiteral("item.txt"))), item);
    EXPECT_EQ(ReadFile(Path(QStringLiteral("monster.txt"))), monster);
}

} // namespace
