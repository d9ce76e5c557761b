// `tessel FILE`, as the desktop entry starts the editor on a file the user opened (Exec=tessel %f):
// a table's data file, its .meta file or tableList.xml opens the directory that holds it.
#include "ShellTestSupport.h"

#include <QDir>
#include <QFileInfo>

using namespace shelltest;

namespace
{

class MainFrameOpenFileTest : public EditorTest
{
};

TEST_F(MainFrameOpenFileTest, AFileOfADataDirectoryOpensThatDirectory)
{
    ASSERT_TRUE(QDir(Dir()).mkpath(QStringLiteral("elsewhere")));
    const struct
    {
        QStringList arguments;
        bool relative; // the path is relative to the directory the editor was started in
    } cases[] = {
        {{QStringLiteral("item.txt")}, false},
        {{QStringLiteral("monster.txt.meta")}, false},
        {{QStringLiteral("tableList.xml")}, false},
        {{QStringLiteral("-C"), QStringLiteral("item.txt")}, false},
        {{QStringLiteral("item.txt")}, true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString() + (c.relative ? " (relative)" : ""));
        QStringList arguments = c.arguments;
        QString& file = arguments.last();
        ASSERT_TRUE(QDir::setCurrent(Path(QStringLiteral("elsewhere"))));
        file = c.relative ? QStringLiteral("../") + file : Path(file);
        ASSERT_TRUE(Start(arguments));
        EXPECT_EQ(QDir::current().canonicalPath(), QDir(Dir()).canonicalPath());
        EXPECT_EQ(Frame()->GetActiveDocument()->GetTitle(), QFileInfo(Dir()).fileName());
        EXPECT_EQ(TableList::instance()->count(), 2);
        EXPECT_TRUE(TableList::instance()->diagnostics().empty());
        Stop();
    }
}

TEST_F(MainFrameOpenFileTest, AFileThatIsNotThereEndsStartUp)
{
    const QString before = QDir::currentPath();
    EXPECT_FALSE(Start({Path(QStringLiteral("nothing.txt"))}));
    EXPECT_EQ(App()->ExitCode(), 2);
    EXPECT_EQ(QDir::currentPath(), before);
}

TEST(DataDirectoryOf, NamesTheDirectoryOfAFileAndLeavesOtherPathsAlone)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(WriteFile(dir.filePath(QStringLiteral("tableList.xml")), "<TableList />"));
    EXPECT_EQ(DataDirectoryOf(dir.filePath(QStringLiteral("tableList.xml"))),
              QFileInfo(dir.path()).absoluteFilePath());
    EXPECT_EQ(DataDirectoryOf(dir.path()), dir.path());
    EXPECT_EQ(DataDirectoryOf(dir.filePath(QStringLiteral("missing.txt"))),
              dir.filePath(QStringLiteral("missing.txt")));
    EXPECT_EQ(DataDirectoryOf(QString()), QString());
}

} // namespace
