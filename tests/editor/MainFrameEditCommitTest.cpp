// Text still being typed in the properties pane when a command saves or closes: Save (Ctrl+S,
// the toolbar button, the File menu's 32775), closing the window and File -> Exit first commit
// it; a refused text stops the command with a message saying why. On the real editor started on
// a temporary data directory, with the typing done through key events.
#include "PropertiesTestSupport.h"
#include "ShellTestSupport.h"

#include "editor/resource.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QToolBar>
#include <QToolButton>

using namespace shelltest;

namespace
{

// item.txt of the sample data with the first row's Level written as `level`.
QByteArray ItemFileWithLevel(const QString& level)
{
    return Utf16File(QStringLiteral("ID\tName\tLevel\tWeight\tDrops\r\n"
                                    "INT\tSTRING\tUINT\tFLOAT\tSTRING_INT\r\n"
                                    "1\t长剑\t%1\t1.500000\t3|4\r\n"
                                    "2\tShield\t4294967295\t0.250000\t\r\n")
                         .arg(level));
}

// Answers every message box that opens while it lives, recording each one: a refusal or an
// error with OK, the save question with `question` (Cancel unless told otherwise), so that no
// unexpected box can hang a test.
class BoxLog
{
public:
    explicit BoxLog(QMessageBox::StandardButton question = QMessageBox::Cancel) : m_question(question)
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this]() { Poll(); });
        m_timer.start();
    }

    QStringList names;
    QStringList texts;

private:
    void Poll()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible())
            return;
        names << box->objectName();
        texts << box->text() + QLatin1Char('\n') + box->informativeText();
        if (QAbstractButton* answer = box->button(m_question))
            answer->click();
        else
            box->accept();
    }

    QMessageBox::StandardButton m_question;
    QTimer m_timer;
};

class EditCommitTest : public EditorTest
{
protected:
    // Starts the editor and shows item.txt's first row (Level 3) in the properties pane.
    void StartOnFirstItem()
    {
        ASSERT_TRUE(Start());
        Frame()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Frame(), 5000));
        m_row = proptest::RowAt(TableList::instance()->find(u"item.txt"), 0);
        ASSERT_NE(m_row, nullptr);
        Frame()->m_propertiesPane.DataToUI(m_row);
        ASSERT_NE(Level(), nullptr);
        ASSERT_EQ(Level()->name(), QStringLiteral("Level"));
    }

    CCustomPropertyGridCtrl* Grid() const { return Frame()->m_propertiesPane.Grid(); }
    PropertyGridItem* Level() const
    {
        return Grid()->property(0) ? Grid()->property(0)->subItem(2) : nullptr;
    }
    std::uint32_t CellLevel() const { return m_row->cells[2]->GetUInt(); }
    bool Modified() const { return Frame()->GetActiveDocument()->IsModified(); }
    QByteArray ItemFile() const { return ReadFile(Path(QStringLiteral("item.txt"))); }

    // Opens the Level editor and types text into it, without committing.
    QLineEdit* TypeLevel(const QString& text)
    {
        QLineEdit* editor = proptest::OpenEditor(Grid(), Level());
        EXPECT_NE(editor, nullptr);
        if (editor != nullptr)
        {
            proptest::TypeText(editor, text);
            EXPECT_EQ(editor->text(), text);
        }
        return editor;
    }

    QToolButton* SaveButton() const
    {
        QToolBar* bar = Frame()->StandardToolBar();
        for (QAction* action : bar->actions())
            if (CommandRouter::commandId(action) == ID_FILE_SAVE)
                return qobject_cast<QToolButton*>(bar->widgetForAction(action));
        return nullptr;
    }

    // The ways to save, each done as a user does it.
    struct Way
    {
        const char* name;
        std::function<void(EditCommitTest*, QLineEdit*)> run;
        bool closes = false; // closes the window rather than saving
    };
    static std::vector<Way> SaveWays()
    {
        return {{"Ctrl+S in the editor", [](EditCommitTest*, QLineEdit* editor)
                 { QTest::keyClick(editor, Qt::Key_S, Qt::ControlModifier); }},
                {"the toolbar's Save button",
                 [](EditCommitTest* test, QLineEdit*)
                 {
                     QToolButton* button = test->SaveButton();
                     ASSERT_NE(button, nullptr);
                     QTest::mouseClick(button, Qt::LeftButton);
                 }},
                {"File -> Save (32775)", [](EditCommitTest* test, QLineEdit*)
                 { test->Frame()->Commands().action(ID_FILE_SAVE_MENU)->trigger(); }}};
    }

    tarn::Row* m_row = nullptr;
};

} // namespace

TEST_F(EditCommitTest, EverySaveWritesTheTextStillBeingTyped)
{
    StartOnFirstItem();
    int level = 7;
    for (const Way& way : SaveWays())
    {
        SCOPED_TRACE(way.name);
        BoxLog boxes;
        QLineEdit* editor = TypeLevel(QString::number(level));
        ASSERT_NE(editor, nullptr);
        way.run(this, editor);
        EXPECT_EQ(ItemFile(), ItemFileWithLevel(QString::number(level)));
        EXPECT_EQ(CellLevel(), static_cast<std::uint32_t>(level));
        EXPECT_EQ(Level()->inPlaceEditor(), nullptr);
        EXPECT_FALSE(Modified());
        EXPECT_TRUE(boxes.names.isEmpty()) << boxes.texts.join(QLatin1Char('\n')).toStdString();
        ++level;
    }
}

TEST_F(EditCommitTest, ClosingAndExitAskAboutTheTextStillBeingTyped)
{
    const struct
    {
        bool exit;
        QMessageBox::StandardButton answer;
        const char* level; // in the file afterwards
    } cases[] = {{false, QMessageBox::Save, "7"}, {true, QMessageBox::Discard, "3"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.exit ? "File -> Exit" : "closing the window");
        for (const DataFile& file : SampleDataFiles())
            ASSERT_TRUE(WriteFile(Path(file.name), file.bytes));
        StartOnFirstItem();
        QLineEdit* editor = TypeLevel(QStringLiteral("7"));
        ASSERT_NE(editor, nullptr);
        BoxLog boxes(c.answer);
        if (c.exit)
            Frame()->Commands().action(ID_APP_EXIT)->trigger();
        else
            Frame()->close();
        EXPECT_FALSE(Frame()->isVisible());
        ASSERT_EQ(boxes.names, QStringList{QStringLiteral("SaveChangesBox")});
        // The question names the data directory.
        EXPECT_TRUE(
            boxes.texts[0].startsWith(QStringLiteral("是否保存对 %1 的更改?").arg(QDir::current().dirName())))
            << boxes.texts[0].toStdString();
        EXPECT_EQ(ItemFile(), ItemFileWithLevel(QString::fromLatin1(c.level)));
        Stop();
    }
}

TEST_F(EditCommitTest, ARefusedTextStopsSaveCloseAndExitAndSaysWhy)
{
    StartOnFirstItem();
    QLineEdit* editor = TypeLevel(QStringLiteral("-5"));
    ASSERT_NE(editor, nullptr);
    // Anything written from now on would show.
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("item.txt")), "x"));
    const QString why = QStringLiteral("“Level”必须是 0 到 4294967295 之间的整数，“-5”不是。");

    std::vector<Way> ways = SaveWays();
    ways.push_back({"closing the window", [this](EditCommitTest*, QLineEdit*) { Frame()->close(); }, true});
    ways.push_back(
        {"File -> Exit",
         [this](EditCommitTest*, QLineEdit*) { Frame()->Commands().action(ID_APP_EXIT)->trigger(); }, true});
    for (const Way& way : ways)
    {
        SCOPED_TRACE(way.name);
        const bool closing = way.closes;
        BoxLog boxes(QMessageBox::Discard);
        way.run(this, editor);
        ASSERT_EQ(boxes.names, QStringList{QStringLiteral("EditRefusedBox")});
        const QString& shown = boxes.texts[0];
        EXPECT_TRUE(shown.startsWith(closing ? QStringLiteral("窗口没有关闭") : QStringLiteral("没有保存")))
            << shown.toStdString();
        EXPECT_TRUE(shown.contains(why)) << shown.toStdString();
        EXPECT_TRUE(Frame()->isVisible());
        EXPECT_EQ(ItemFile(), QByteArray("x"));
        EXPECT_EQ(CellLevel(), 3u);
        EXPECT_FALSE(Modified());
        // The text waits in its editor, which has the focus again.
        EXPECT_EQ(Level()->inPlaceEditor(), editor);
        EXPECT_EQ(editor->text(), QStringLiteral("-5"));
        EXPECT_TRUE(proptest::WaitFor([&] { return editor->hasFocus(); }));
    }

    // Dropped with Escape, nothing is left to ask about.
    QTest::keyClick(editor, Qt::Key_Escape);
    BoxLog boxes;
    EXPECT_TRUE(Frame()->close());
    EXPECT_TRUE(boxes.names.isEmpty()) << boxes.texts.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(ItemFile(), QByteArray("x"));
}
