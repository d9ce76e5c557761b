// The pane "问题" in the real editor on a directory with one finding of every kind: each line's
// texts are Chinese (the file and line follow as detail), and the lines are the check's findings.
#include "ShellTestSupport.h"

#include "../tool/problemDirectory.h"
#include "editor/CustomTree.h"
#include "editor/ProblemsPane.h"

#include <QMessageBox>
#include <QTableWidget>
#include <QTest>

namespace
{

using namespace shelltest;

class ProblemsPaneTest : public EditorTest
{
};

TEST_F(ProblemsPaneTest, EveryKindOfFindingIsListedInChinese)
{
    for (const problemdir::File& file : problemdir::Files())
        ASSERT_TRUE(
            WriteFile(Path(QString::fromStdString(file.name)), QByteArray::fromStdString(file.bytes)));
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    ASSERT_NE(frame, nullptr);
    // The load problems are announced in a box at start; it is not what this test looks at.
    ASSERT_TRUE(WaitFor([&] { return frame->LoadProblemsBox() != nullptr; }));
    frame->LoadProblemsBox()->close();
    ASSERT_TRUE(WaitFor([&] { return frame->LoadProblemsBox() == nullptr; }));
    ASSERT_TRUE(ShowFrame());

    CCustomTree* tree = frame->m_classView.Tree();
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_F7);
    CProblemsPane* pane = frame->ProblemsPane();
    ASSERT_TRUE(WaitFor([&] { return pane->isVisible(); }));
    QTableWidget* list = pane->List();

    const std::vector<problemdir::Expected> expected = problemdir::ExpectedFindings();
    ASSERT_EQ(list->rowCount(), static_cast<int>(expected.size()));
    list->sortItems(0); // whatever order the pane had, each line is found by its message
    QStringList shown;
    for (int line = 0; line < list->rowCount(); ++line)
        shown << list->item(line, 5)->text();
    for (const problemdir::Expected& e : expected)
    {
        SCOPED_TRACE(e.english);
        // "FILE:LINE: error: ..." -> "FILE:LINE" (or "FILE" where no line applies)
        const QString english = QString::fromStdString(e.english);
        QString where = english.section(QStringLiteral(": "), 0, 0);
        if (where.endsWith(QStringLiteral(":0")))
            where.chop(2);
        const QString text = QStringLiteral("%1（%2）").arg(QString::fromStdU16String(e.chinese), where);
        const int line = static_cast<int>(shown.indexOf(text));
        ASSERT_GE(line, 0) << text.toStdString() << "\nshown:\n" << shown.join('\n').toStdString();
        const bool error = english.contains(QStringLiteral(": error: "));
        EXPECT_EQ(list->item(line, 0)->text(), error ? QStringLiteral("错误") : QStringLiteral("警告"));
        EXPECT_EQ(list->item(line, 2)->text(), e.rowId != 0 ? QString::number(e.rowId) : QString());
    }
    // The rows' names and the tables' labels are shown where a finding names them.
    const int drop = static_cast<int>(shown.indexOf(QRegularExpression(QStringLiteral("^值 8 .*"))));
    ASSERT_GE(drop, 0);
    EXPECT_EQ(list->item(drop, 1)->text(), QStringLiteral("怪物"));
    EXPECT_EQ(list->item(drop, 3)->text(), QStringLiteral("狼王"));
    EXPECT_EQ(list->item(drop, 4)->text(), QStringLiteral("Drop"));
}

} // namespace
