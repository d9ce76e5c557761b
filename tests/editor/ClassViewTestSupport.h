// Helpers of the class view tests: the real editor started on a temporary copy of the sample
// data (examples/game-data), the tree's items, real mouse clicks on them, and menus closed or
// answered from a timer so that no test waits on a person.
#pragma once

#include "ShellTestSupport.h"

#include "base/assert.h"
#include "editor/AppSettings.h"
#include "editor/ClassView.h"
#include "editor/CustomTree.h"
#include "editor/MainFrame.h"
#include "editor/PropertiesWnd.h"
#include "editor/TesselApp.h"
#include "tool/row.h"
#include "tool/table.h"
#include "tool/tables.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace classviewtest
{

inline QString Q(const char16_t* text)
{
    return QString::fromUtf16(text);
}

using shelltest::ReadFile;
using shelltest::WaitFor;

// UTF-16 little-endian bytes of `text`, without a byte-order mark.
inline QByteArray Utf16(const QString& text)
{
    QByteArray bytes;
    for (QChar c : text)
    {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

// The lines of a data file (after its byte-order mark), each with its CR LF.
inline std::vector<QString> DataLines(const QByteArray& bytes)
{
    const QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    std::vector<QString> lines;
    qsizetype start = 0;
    while (start < text.size())
    {
        qsizetype end = text.indexOf(QStringLiteral("\r\n"), start);
        end = end < 0 ? text.size() : end + 2;
        lines.push_back(text.mid(start, end - start));
        start = end;
    }
    return lines;
}

inline QByteArray DataFile(const std::vector<QString>& lines)
{
    QByteArray bytes("\xFF\xFE", 2);
    for (const QString& line : lines)
        bytes += Utf16(line);
    return bytes;
}

// Answers the first popup menu that opens within `timeoutMs`: `answer` gets it and must close it
// (by a key, an action or close()). A popup still open when the time is up is closed, so a test
// never hangs. Make the answer before the event that opens the menu.
class MenuAnswer
{
public:
    explicit MenuAnswer(std::function<void(QMenu*)> answer, int timeoutMs = 5000)
        : m_answer(std::move(answer)), m_timeoutMs(timeoutMs)
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this]() { Poll(); });
        m_elapsed.start();
        m_timer.start();
    }

    bool answered() const { return m_answered; }
    // Texts of the menu's actions, as seen when it was answered.
    QStringList texts() const { return m_texts; }
    QString title() const { return m_title; }
    QPoint position() const { return m_position; }
    QWidget* parent() const { return m_parent; }

private:
    void Poll()
    {
        QWidget* popup = QApplication::activePopupWidget();
        if (auto* menu = qobject_cast<QMenu*>(popup); menu && menu->isVisible())
        {
            m_timer.stop();
            m_answered = true;
            for (QAction* action : menu->actions())
                m_texts << action->text();
            m_title = menu->title();
            m_position = menu->pos();
            m_parent = menu->parentWidget();
            m_answer(menu);
            return;
        }
        if (m_elapsed.hasExpired(m_timeoutMs))
        {
            m_timer.stop();
            if (popup)
                popup->close();
        }
    }

    std::function<void(QMenu*)> m_answer;
    int m_timeoutMs;
    QTimer m_timer;
    QElapsedTimer m_elapsed;
    bool m_answered = false;
    QStringList m_texts;
    QString m_title;
    QPoint m_position;
    QWidget* m_parent = nullptr;
};

// Chooses the action of a menu by its mnemonic, as a user does.
inline std::function<void(QMenu*)> ChooseKey(Qt::Key key)
{
    return [key](QMenu* menu) { QTest::keyClick(menu, key); };
}

inline std::function<void(QMenu*)> Dismiss()
{
    return [](QMenu* menu) { QTest::keyClick(menu, Qt::Key_Escape); };
}

// Every table item holds exactly its table's rows, in row order, with their names and data.
inline void ExpectTreeMatchesTables(CClassView* view)
{
    QTreeWidgetItem* root = view->Tree()->topLevelItem(0);
    ASSERT_EQ(root->childCount(), TableList::instance()->count());
    for (int t = 0; t < root->childCount(); ++t)
    {
        QTreeWidgetItem* tableItem = root->child(t);
        tarn::editor::Table* table = TableList::instance()->at(t);
        ASSERT_EQ(tableItem->childCount(), table->m_rows.size()) << t;
        int i = 0;
        for (tarn::Row& row : table->m_rows)
        {
            QTreeWidgetItem* item = tableItem->child(i++);
            EXPECT_EQ(CCustomTree::RowOf(item), &row);
            EXPECT_EQ(item->text(0), Q(row.Name()));
            EXPECT_EQ(view->ItemOf(&row), item);
        }
    }
}

// The real editor on a temporary copy of the sample data directory.
class ClassViewTest : public shelltest::EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        if (HasFatalFailure())
            return;
        CopyDataDirectory(QStringLiteral(TESSEL_SAMPLE_DATA));
    }

    // Starts the editor on the temporary directory (which becomes the current directory).
    void Start()
    {
        ASSERT_TRUE(EditorTest::Start());
        ASSERT_NE(Frame(), nullptr);
        // These tests are about deleting and pasting rows; the question asked before links break
        // (rows of the sample data are named by links) is LinksTest's. Here it is answered 继续.
        Frame()->GetActiveDocument()->SetLinkBreakConfirmer(
            [this](const QString&, const std::vector<tarn::LinkIndex::Referrer>&)
            {
                ++m_linkBreaksConfirmed;
                return true;
            });
        ASSERT_TRUE(ShowFrame());
        // The load-problems box (none for the sample data) is shown from the event loop.
        QTest::qWait(0);
        ASSERT_EQ(Frame()->LoadProblemsBox(), nullptr);
    }

    int m_linkBreaksConfirmed = 0; // deletions that left links naming rows that went
    CClassView* View() const { return &Frame()->m_classView; }
    CCustomTree* Tree() const { return View()->Tree(); }
    CPropertiesWnd* Pane() const { return &Frame()->m_propertiesPane; }
    bool Modified() const { return Frame()->GetActiveDocument()->IsModified(); }

    static tarn::editor::Table* Table(int i) { return TableList::instance()->at(i); }
    QTreeWidgetItem* Root() const { return Tree()->topLevelItem(0); }
    QTreeWidgetItem* TableItem(int table) const { return Root()->child(table); }
    QTreeWidgetItem* RowItem(int table, int row) const { return TableItem(table)->child(row); }
    static tarn::Row* RowOf(const QTreeWidgetItem* item) { return CCustomTree::RowOf(item); }

    // The row at position i of table t's row list.
    static tarn::Row* RowAt(int t, int i)
    {
        scl::ListNode<tarn::Row>* node = Table(t)->m_rows.first();
        for (; node != nullptr && i > 0; --i)
            node = node->next;
        return node ? &node->value : nullptr;
    }
    static std::vector<int> Ids(int t)
    {
        std::vector<int> ids;
        for (const tarn::Row& row : Table(t)->m_rows)
            ids.push_back(row.Id());
        return ids;
    }

    void Expand(int table) { Tree()->expandItem(TableItem(table)); }

    // A point on the item's image and label, in viewport coordinates.
    QPoint LabelPoint(QTreeWidgetItem* item) const
    {
        Tree()->scrollToItem(item);
        const QRect rect = Tree()->visualItemRect(item);
        return QPoint(rect.left() + 8, rect.center().y());
    }
    // A click on the item's expand button.
    void ClickExpandButton(QTreeWidgetItem* item)
    {
        Tree()->scrollToItem(item);
        const QRect rect = Tree()->visualItemRect(item);
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(rect.left() - Tree()->indentation() / 2, rect.center().y()));
    }
    void Click(QTreeWidgetItem* item, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, keys, LabelPoint(item));
    }
    // A right click at `point`; `answer` handles the row menu that opens. Returns the answer
    // once the menu is closed again (or the wait timed out: then answered() is false).
    std::unique_ptr<MenuAnswer> RightClickAt(const QPoint& point, std::function<void(QMenu*)> answer,
                                             Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        auto menu = std::make_unique<MenuAnswer>(std::move(answer));
        QTest::mouseClick(Tree()->viewport(), Qt::RightButton, keys, point);
        WaitFor([&] { return menu->answered() && Tree()->OpenRowMenu() == nullptr; });
        return menu;
    }
    bool RightClick(QTreeWidgetItem* item, std::function<void(QMenu*)> answer)
    {
        return RightClickAt(LabelPoint(item), std::move(answer))->answered();
    }

    std::vector<QTreeWidgetItem*> Selected() const
    {
        std::vector<QTreeWidgetItem*> items;
        for (QTreeWidgetItem* i = Tree()->FindFirstSelected(); i; i = Tree()->FindNextSelected(i))
            items.push_back(i);
        return items;
    }

    // Whether the last failed-check report names `file`, `function` and `line` with the text "false".
    static bool LastReportIs(const char* file, const char* function, int line)
    {
        const std::string report = scl::LastAssertReport();
        return report.find(std::string("<file: ") + file + ">") != std::string::npos &&
               report.find(std::string("<function: ") + function + ">") != std::string::npos &&
               report.find("<line: " + std::to_string(line) + ">") != std::string::npos &&
               report.find("<expresion: false>") != std::string::npos;
    }
};

} // namespace classviewtest
