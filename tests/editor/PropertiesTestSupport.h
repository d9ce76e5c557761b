// Helpers of the properties pane tests: a small data directory of two linked tables written into
// a temporary directory and loaded through the table list, the real pane inside a main frame,
// editing through key events, and the answering of modal dialogs from a timer (no test waits on
// a person).
#pragma once

#include "ShellTestSupport.h"

#include "editor/CustomPropertyGridCtrl.h"
#include "editor/CustomPropertyGridProperty.h"
#include "editor/MainFrame.h"
#include "editor/PropertiesWnd.h"
#include "editor/resource.h"
#include "tool/cell.h"
#include "tool/row.h"
#include "tool/table.h"
#include "tool/tables.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace proptest
{

using shelltest::ModalAnswer;
using shelltest::ReadFile;
using shelltest::TypeText;
using shelltest::Utf16File;
using shelltest::WaitFor;
using shelltest::WriteFile;

inline QString Q(const char16_t* text)
{
    return QString::fromUtf16(text);
}

// Field order of items.txt.
enum ItemField
{
    kItemId,
    kItemName,
    kItemCount,
    kItemLevel,
    kItemBig,
    kItemHuge,
    kItemWeight,
    kItemDrops,
    kItemRates,
    kItemMonster,
    kItemFieldCount
};
// Field order of monsters.txt.
enum MonsterField
{
    kMonsterId,
    kMonsterName,
    kMonsterLoot,
    kMonsterGhost,
    kMonsterFieldCount
};

inline QString ItemHeader()
{
    return QStringLiteral("ID\tName\tCount\tLevel\tBig\tHuge\tWeight\tDrops\tRates\tMonster\r\n"
                          "INT\tSTRING\tINT\tUINT\tINT64\tUINT64\tFLOAT\tSTRING_INT\tSTRING_FLOAT\tINT\r\n");
}

// Every value is in the form the writer produces, so an unchanged table saves byte for byte.
inline QString ItemRows()
{
    return QStringLiteral("1\t长剑\t5\t3\t-7\t9\t1.000000\t1|2|3\t0.500000\t10\r\n"
                          "2\tShield\t6\t4294967295\t0\t0\t1.000050\t\t\t11\r\n"
                          "3\tBow\t7\t0\t1\t2\t1.000200\t7\t2.000000|3.000000\t10\r\n");
}

inline QString MonsterText()
{
    return QStringLiteral("ID\tName\tLoot\tGhost\r\n"
                          "INT\tSTRING\tINT\tINT\r\n"
                          "10\tGoblin\t1\t0\r\n"
                          "11\tOrc\t2\t0\r\n");
}

inline QByteArray FieldXml(const char* type, const char* name, const char* link = "")
{
    return QByteArray("\t<Field Type=\"") + type + "\" Name=\"" + name + "\" CodeVarName=\"" + name +
           "\" LinkTableName=\"" + link + "\" IsMulti=\"false\" />\n";
}

struct DataFile
{
    QString name;
    QByteArray bytes;
};

// items.txt links to monsters.txt (Monster), monsters.txt to items.txt (Loot) and to a table
// that is not in the list (Ghost -> nowhere.txt).
inline std::vector<DataFile> DataFiles()
{
    const QByteArray list = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                            "<TableList>\n"
                            "\t<Table FileName=\"items.txt\" Label=\"Items\" />\n"
                            "\t<Table FileName=\"monsters.txt\" Label=\"Monsters\" />\n"
                            "</TableList>\n";
    const QByteArray itemMeta =
        QByteArray("<?xml version=\"1.0\"?>\n"
                   "<Table IdFieldIndex=\"0\" NameFieldIndex=\"1\">\n") +
        FieldXml("INT", "ID") + FieldXml("STRING", "Name") + FieldXml("INT", "Count") +
        FieldXml("UINT", "Level") + FieldXml("INT64", "Big") + FieldXml("UINT64", "Huge") +
        FieldXml("FLOAT", "Weight") + FieldXml("STRING_INT", "Drops") + FieldXml("STRING_FLOAT", "Rates") +
        FieldXml("INT", "Monster", "monsters.txt") + "</Table>\n";
    const QByteArray monsterMeta = QByteArray("<?xml version=\"1.0\"?>\n"
                                              "<Table IdFieldIndex=\"0\" NameFieldIndex=\"1\">\n") +
                                   FieldXml("INT", "ID") + FieldXml("STRING", "Name") +
                                   FieldXml("INT", "Loot", "items.txt") +
                                   FieldXml("INT", "Ghost", "nowhere.txt") + "</Table>\n";
    return {{QStringLiteral("tableList.xml"), list},
            {QStringLiteral("items.txt.meta"), itemMeta},
            {QStringLiteral("monsters.txt.meta"), monsterMeta},
            {QStringLiteral("items.txt"), Utf16File(ItemHeader() + ItemRows())},
            {QStringLiteral("monsters.txt"), Utf16File(MonsterText())}};
}

// Row `index` of the table in row order; null past the end.
inline tarn::Row* RowAt(tarn::editor::Table* table, int index)
{
    int i = 0;
    for (tarn::Row& row : table->m_rows)
        if (i++ == index)
            return &row;
    return nullptr;
}

// Selects the property with a click on its name and opens its editor with F2; the editor, or
// null when none opened.
inline QLineEdit* OpenEditor(PropertyGrid* grid, PropertyGridItem* item)
{
    grid->setCurrentItem(item); // scrolls it into view
    const QRect name = grid->nameRect(item);
    EXPECT_FALSE(name.isEmpty());
    QTest::mouseClick(grid->treeWidget()->viewport(), Qt::LeftButton, Qt::NoModifier, name.center());
    EXPECT_EQ(grid->currentItem(), item);
    QTest::keyClick(grid->treeWidget(), Qt::Key_F2);
    return item->inPlaceEditor();
}

// The data directory loaded through the table list; the current directory while a test runs.
class TablesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // For QSignalSpy on the pane's and the grid's signals.
        qRegisterMetaType<tarn::Cell*>("tarn::Cell*");
        qRegisterMetaType<tarn::Row*>("tarn::Row*");
        qRegisterMetaType<CCustomPropertyGridProperty*>("CCustomPropertyGridProperty*");
        TableList::destroyInstance();
        m_oldCurrent = QDir::currentPath();
        ASSERT_TRUE(m_dir.isValid());
        for (const DataFile& file : DataFiles())
            ASSERT_TRUE(WriteFile(Path(file.name), file.bytes));
        ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
        TableList* tables = TableList::instance();
        tables->initIndex();
        tables->loadTableList();
        for (const tarn::Diagnostic& d : tables->diagnostics())
            ADD_FAILURE() << d.text();
        ASSERT_EQ(tables->count(), 2);
        items = tables->find(u"items.txt");
        monsters = tables->find(u"monsters.txt");
        ASSERT_NE(items, nullptr);
        ASSERT_NE(monsters, nullptr);
        ASSERT_EQ(items->m_fields.size(), kItemFieldCount);
        ASSERT_EQ(items->m_rows.size(), 3);
    }

    void TearDown() override
    {
        TableList::destroyInstance();
        QDir::setCurrent(m_oldCurrent);
    }

    QString Path(const QString& name) const { return m_dir.filePath(name); }

    static tarn::Row* RowAt(tarn::editor::Table* table, int index) { return proptest::RowAt(table, index); }

    tarn::editor::Table* items = nullptr;
    tarn::editor::Table* monsters = nullptr;

private:
    QTemporaryDir m_dir;
    QString m_oldCurrent;
};

// The real pane, created and docked in a main frame (whose document the pane marks modified).
// The frame builds nothing else: the tables are the fixture's.
class PaneTest : public TablesTest
{
protected:
    void SetUp() override
    {
        TablesTest::SetUp();
        if (HasFatalFailure())
            return;
        m_frame = std::make_unique<CMainFrame>();
        pane = &m_frame->m_propertiesPane;
        ASSERT_TRUE(pane->Create(QStringLiteral("属性"), m_frame.get(), ID_VIEW_PROPERTIESWND,
                                 QRect(0, 0, 420, 700)));
        m_frame->addDockWidget(Qt::LeftDockWidgetArea, pane);
        m_frame->resize(1000, 800);
        m_frame->show();
        m_frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get(), 5000));
        grid = pane->Grid();
        ASSERT_NE(grid, nullptr);
    }

    void TearDown() override
    {
        pane = nullptr;
        grid = nullptr;
        m_frame.reset();
        TablesTest::TearDown();
    }

    CMainFrame* Frame() const { return m_frame.get(); }
    bool DocumentModified() const { return m_frame->GetActiveDocument()->IsModified(); }

    PropertyGridItem* Group() const { return grid->property(0); }
    CCustomPropertyGridProperty* Property(int field) const
    {
        PropertyGridItem* group = Group();
        return group ? dynamic_cast<CCustomPropertyGridProperty*>(group->subItem(field)) : nullptr;
    }

    QTreeWidget* Tree() const { return grid->treeWidget(); }
    QWidget* Viewport() const { return grid->treeWidget()->viewport(); }

    QLineEdit* OpenEditor(PropertyGridItem* item) { return proptest::OpenEditor(grid, item); }
    static void Type(QLineEdit* editor, const QString& text) { TypeText(editor, text); }

    // Types text into the property's editor and presses Enter.
    void EditTo(PropertyGridItem* item, const QString& text)
    {
        QLineEdit* editor = OpenEditor(item);
        ASSERT_NE(editor, nullptr);
        Type(editor, text);
        ASSERT_EQ(editor->text(), text);
        QTest::keyClick(editor, Qt::Key_Return);
        EXPECT_EQ(item->inPlaceEditor(), nullptr);
    }

    CPropertiesWnd* pane = nullptr;
    CCustomPropertyGridCtrl* grid = nullptr;

private:
    std::unique_ptr<CMainFrame> m_frame;
};

} // namespace proptest
