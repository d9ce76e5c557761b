// The properties pane on a real data directory: what DataToUI builds and binds, the rebuild and
// update rules, editing every field type through key events into the cells and the data file,
// the pane's toolbar, list and layout, and forgetting a row that is about to be destroyed.
#include "PropertiesTestSupport.h"

#include "base/assert.h"
#include "editor/CellVariant.h"
#include "editor/CustomPropertyGridTableProperty.h"
#include "tool/cellText.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QToolBar>
#include <QToolButton>

#include <limits>

using namespace proptest;

namespace
{

class PropertiesWndTest : public PaneTest
{
protected:
    QString ShownValue(PropertyGridItem* item) const
    {
        grid->setCurrentItem(item);
        const QModelIndex index = Tree()->indexAt(grid->valueRect(item).center());
        return index.data(Qt::DisplayRole).toString();
    }

    std::vector<PropertyGridItem*> Properties() const
    {
        std::vector<PropertyGridItem*> result;
        if (PropertyGridItem* group = Group())
            for (int i = 0; i < group->subItemCount(); ++i)
                result.push_back(group->subItem(i));
        return result;
    }

    QToolButton* Button(int id) const
    {
        return qobject_cast<QToolButton*>(pane->ToolBar()->widgetForAction(pane->Commands().action(id)));
    }
};

TEST_F(PropertiesWndTest, GridIsEmptyUntilTheFirstRowIsShown)
{
    EXPECT_EQ(grid->propertyCount(), 0);
    EXPECT_TRUE(pane->ShownTableName().empty());
    EXPECT_EQ(pane->ShownRow(), nullptr);
}

TEST_F(PropertiesWndTest, ShowingARowBuildsOneTypedPropertyPerFieldInTheGroup)
{
    pane->DataToUI(RowAt(items, 0));

    // The fields' group, then "被引用": Goblin's Loot names this item.
    ASSERT_EQ(grid->propertyCount(), 2);
    EXPECT_EQ(grid->property(1), pane->ReferrersGroup());
    EXPECT_EQ(grid->property(1)->name(), QStringLiteral("被引用"));
    PropertyGridItem* group = Group();
    EXPECT_TRUE(group->isGroup());
    EXPECT_EQ(group->name(), QStringLiteral("属性"));
    ASSERT_EQ(group->subItemCount(), kItemFieldCount);
    EXPECT_EQ(Q(pane->ShownTableName().c_str()), QStringLiteral("items.txt"));

    const int types[kItemFieldCount] = {
        QMetaType::Int,       QMetaType::QString, QMetaType::Int,     QMetaType::UInt,    QMetaType::LongLong,
        QMetaType::ULongLong, QMetaType::Float,   QMetaType::QString, QMetaType::QString, QMetaType::Int};
    for (int i = 0; i < kItemFieldCount; ++i)
    {
        SCOPED_TRACE(i);
        CCustomPropertyGridProperty* property = Property(i);
        ASSERT_NE(property, nullptr);
        EXPECT_EQ(property->name(), Q(items->m_fields[i].m_name.c_str()));
        EXPECT_TRUE(property->description().isEmpty());
        EXPECT_EQ(property->valueType(), types[i]);
        // Bound to the row's cell of the same field.
        EXPECT_EQ(property->GetCell(), RowAt(items, 0)->cells[i]);
        // The reference value for the bold marking stays the initial one.
        EXPECT_EQ(property->originalValue(), QVariant(QMetaType(types[i])));
        const bool link = i == kItemMonster;
        EXPECT_EQ(dynamic_cast<CCustomPropertyGridTableProperty*>(property) != nullptr, link);
        EXPECT_EQ(property->hasButton(), link);
        EXPECT_TRUE(property->allowEdit()); // a link is typed like any field of its type
    }

    EXPECT_FALSE(grid->isHeaderVisible());
    EXPECT_EQ(Tree()->headerItem()->text(0), QStringLiteral("Property"));
    EXPECT_EQ(Tree()->headerItem()->text(1), QStringLiteral("Value"));
    EXPECT_TRUE(grid->isDescriptionVisible());
    EXPECT_TRUE(grid->isVSDotNetLook());
    EXPECT_TRUE(grid->isMarkModified());
    EXPECT_EQ(grid->font(), pane->GridFont());
}

TEST_F(PropertiesWndTest, ValuesAreTheCellsInTheirTypes)
{
    pane->DataToUI(RowAt(items, 1));
    EXPECT_EQ(Property(kItemId)->value(), QVariant(2));
    EXPECT_EQ(Property(kItemName)->value(), QVariant(QStringLiteral("Shield")));
    EXPECT_EQ(Property(kItemLevel)->value(), QVariant(4294967295u));
    EXPECT_EQ(ShownValue(Property(kItemLevel)), QStringLiteral("4294967295"));
    EXPECT_EQ(Property(kItemDrops)->value(), QVariant(QString()));
    EXPECT_EQ(Property(kItemWeight)->value(), QVariant(1.00005f));

    pane->DataToUI(RowAt(items, 0));
    EXPECT_EQ(Property(kItemBig)->value(), QVariant(qlonglong(-7)));
    EXPECT_EQ(Property(kItemHuge)->value(), QVariant(qulonglong(9)));
    EXPECT_EQ(Property(kItemDrops)->value(), QVariant(QStringLiteral("1|2|3")));
    EXPECT_EQ(ShownValue(Property(kItemDrops)), QStringLiteral("1|2|3"));
    EXPECT_EQ(Property(kItemRates)->value(), QVariant(QStringLiteral("0.500000")));
    EXPECT_EQ(Property(kItemMonster)->value(), QVariant(10));
}

TEST_F(PropertiesWndTest, RowsOfOneTableReuseThePropertiesAndRebindThem)
{
    pane->DataToUI(RowAt(items, 0));
    const std::vector<PropertyGridItem*> before = Properties();
    PropertyGridItem* group = Group();
    // A mark that a rebuild would lose.
    Property(kItemCount)->setDescription(QStringLiteral("marked"));

    pane->DataToUI(RowAt(items, 2));
    EXPECT_EQ(Group(), group);
    EXPECT_EQ(Properties(), before);
    EXPECT_EQ(Property(kItemCount)->description(), QStringLiteral("marked"));
    for (int i = 0; i < kItemFieldCount; ++i)
        EXPECT_EQ(Property(i)->GetCell(), RowAt(items, 2)->cells[i]) << i;
    EXPECT_EQ(Property(kItemName)->value(), QVariant(QStringLiteral("Bow")));
    EXPECT_EQ(Property(kItemRates)->value(), QVariant(QStringLiteral("2.000000|3.000000")));
    EXPECT_EQ(pane->ShownRow(), RowAt(items, 2));
}

TEST_F(PropertiesWndTest, AnotherTableRebuildsTheGridEachTime)
{
    pane->DataToUI(RowAt(items, 0));
    Property(kItemCount)->setDescription(QStringLiteral("marked"));

    pane->DataToUI(RowAt(monsters, 1));
    EXPECT_EQ(Q(pane->ShownTableName().c_str()), QStringLiteral("monsters.txt"));
    ASSERT_EQ(grid->propertyCount(), 2); // the fields, and Shield's Monster naming Orc
    ASSERT_NE(pane->ReferrersGroup(), nullptr);
    ASSERT_EQ(Group()->subItemCount(), kMonsterFieldCount);
    EXPECT_EQ(Property(kMonsterName)->value(), QVariant(QStringLiteral("Orc")));
    EXPECT_NE(dynamic_cast<CCustomPropertyGridTableProperty*>(Property(kMonsterLoot)), nullptr);
    Property(kMonsterName)->setDescription(QStringLiteral("marked"));

    pane->DataToUI(RowAt(items, 0));
    EXPECT_EQ(Q(pane->ShownTableName().c_str()), QStringLiteral("items.txt"));
    ASSERT_EQ(Group()->subItemCount(), kItemFieldCount);
    EXPECT_TRUE(Property(kItemCount)->description().isEmpty());
    EXPECT_TRUE(Property(kItemName)->description().isEmpty());
    EXPECT_EQ(Property(kItemCount)->value(), QVariant(5));
}

TEST_F(PropertiesWndTest, AFloatWithinTheToleranceKeepsTheValueShown)
{
    pane->DataToUI(RowAt(items, 0)); // 1.0
    EXPECT_EQ(Property(kItemWeight)->value(), QVariant(1.0f));
    pane->DataToUI(RowAt(items, 1)); // 1.00005: within 0.0001
    EXPECT_EQ(Property(kItemWeight)->value(), QVariant(1.0f));
    EXPECT_EQ(ShownValue(Property(kItemWeight)), QStringLiteral("1.000000"));
    EXPECT_EQ(RowAt(items, 1)->cells[kItemWeight]->GetFloat(), 1.00005f);
    pane->DataToUI(RowAt(items, 2)); // 1.0002: replaced
    EXPECT_EQ(Property(kItemWeight)->value(), QVariant(1.0002f));
    EXPECT_EQ(ShownValue(Property(kItemWeight)), QStringLiteral("1.000200"));
}

TEST_F(PropertiesWndTest, CommittingAnApproximateFloatUnchangedKeepsTheExactCell)
{
    pane->DataToUI(RowAt(items, 0));
    pane->DataToUI(RowAt(items, 1)); // shows 1.0 for 1.00005
    QLineEdit* editor = OpenEditor(Property(kItemWeight));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("1.000000"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(RowAt(items, 1)->cells[kItemWeight]->GetFloat(), 1.00005f);
    EXPECT_FALSE(DocumentModified());

    // Typing the value explicitly does write it.
    EditTo(Property(kItemWeight), QStringLiteral("1"));
    EXPECT_EQ(RowAt(items, 1)->cells[kItemWeight]->GetFloat(), 1.0f);
    EXPECT_TRUE(DocumentModified());
}

TEST_F(PropertiesWndTest, EveryFieldTypeIsEditedIntoTheCellAndSaved)
{
    tarn::Row* row = RowAt(items, 0);
    pane->DataToUI(row);

    EditTo(Property(kItemCount), QStringLiteral("42"));
    EXPECT_EQ(row->cells[kItemCount]->GetInt(), 42);
    EditTo(Property(kItemLevel), QStringLiteral("4294967295"));
    EXPECT_EQ(row->cells[kItemLevel]->GetUInt(), 4294967295u);
    EditTo(Property(kItemBig), QStringLiteral("-5000000000"));
    EXPECT_EQ(row->cells[kItemBig]->GetInt64(), -5000000000LL);
    EditTo(Property(kItemHuge), QStringLiteral("18446744073709551615"));
    EXPECT_EQ(row->cells[kItemHuge]->GetUInt64(), std::numeric_limits<std::uint64_t>::max());
    EditTo(Property(kItemWeight), QStringLiteral("0.5"));
    EXPECT_EQ(row->cells[kItemWeight]->GetFloat(), 0.5f);
    EditTo(Property(kItemName), QStringLiteral("新的 长剑 二"));
    EXPECT_EQ(Q(row->cells[kItemName]->GetString()), QStringLiteral("新的 长剑 二"));
    EditTo(Property(kItemDrops), QStringLiteral("4|5|6"));
    {
        const scl::parray<int> drops = row->cells[kItemDrops]->GetStringInt();
        ASSERT_EQ(drops.size(), 3);
        EXPECT_EQ(drops[0], 4);
        EXPECT_EQ(drops[1], 5);
        EXPECT_EQ(drops[2], 6);
    }
    EditTo(Property(kItemRates), QStringLiteral("1.5|2"));
    {
        const scl::parray<float> rates = row->cells[kItemRates]->GetStringFloat();
        ASSERT_EQ(rates.size(), 2);
        EXPECT_EQ(rates[0], 1.5f);
        EXPECT_EQ(rates[1], 2.0f);
    }
    EXPECT_TRUE(DocumentModified());

    // The next showing of the row gives the cells' text forms.
    pane->DataToUI(RowAt(items, 1));
    pane->DataToUI(row);
    EXPECT_EQ(ShownValue(Property(kItemWeight)), QStringLiteral("0.500000"));
    EXPECT_EQ(ShownValue(Property(kItemHuge)), QStringLiteral("18446744073709551615"));
    EXPECT_EQ(ShownValue(Property(kItemRates)), QStringLiteral("1.500000|2.000000"));

    ASSERT_TRUE(items->Save()) << items->LastError();
    const QString expected =
        ItemHeader() + QStringLiteral("1\t新的 长剑 二\t42\t4294967295\t-5000000000\t18446744073709551615\t"
                                      "0.500000\t4|5|6\t1.500000|2.000000\t10\r\n"
                                      "2\tShield\t6\t4294967295\t0\t0\t1.000050\t\t\t11\r\n"
                                      "3\tBow\t7\t0\t1\t2\t1.000200\t7\t2.000000|3.000000\t10\r\n");
    EXPECT_EQ(ReadFile(Path(QStringLiteral("items.txt"))), Utf16File(expected));
}

TEST_F(PropertiesWndTest, ListTextIsReadBackInNormalForm)
{
    tarn::Row* row = RowAt(items, 0);
    pane->DataToUI(row);

    EditTo(Property(kItemDrops), QString());
    EXPECT_EQ(row->cells[kItemDrops]->GetStringInt().size(), 0);

    // Blanks around the values are allowed; the property shows the list's own form at once.
    EditTo(Property(kItemDrops), QStringLiteral(" 1 | 2|3 "));
    const scl::parray<int> drops = row->cells[kItemDrops]->GetStringInt();
    ASSERT_EQ(drops.size(), 3);
    EXPECT_EQ(drops[0], 1);
    EXPECT_EQ(drops[1], 2);
    EXPECT_EQ(drops[2], 3);
    EXPECT_EQ(ShownValue(Property(kItemDrops)), QStringLiteral("1|2|3"));
    pane->DataToUI(row);
    EXPECT_EQ(ShownValue(Property(kItemDrops)), QStringLiteral("1|2|3"));

    ASSERT_TRUE(items->Save()) << items->LastError();
    EXPECT_TRUE(ReadFile(Path(QStringLiteral("items.txt")))
                    .contains(Utf16File(QStringLiteral("\t1.000000\t1|2|3\t0.500000\t")).mid(2)));
}

TEST_F(PropertiesWndTest, AListLongerThanItsCellsTextFormIsShownAndEditedWhole)
{
    // 64 values of 11 units: far beyond the 127 units of the cell's own text form.
    tarn::Row* row = RowAt(items, 0);
    QStringList values;
    for (int i = 0; i < 64; ++i)
        values << QStringLiteral("-2147483648");
    const QString whole = values.join(QLatin1Char('|'));
    const tarn::CellInput input = ParseCellInput(*row->cells[kItemDrops]->m_field, whole);
    ASSERT_TRUE(input);
    ASSERT_TRUE(tarn::WriteCell(*row->cells[kItemDrops], input.value));
    pane->DataToUI(row);
    EXPECT_EQ(Property(kItemDrops)->value().toString(), whole);

    // Committing the text as shown keeps every value; so does an edit of the last one.
    EditTo(Property(kItemDrops), whole);
    EXPECT_EQ(row->cells[kItemDrops]->GetStringInt().size(), 64);
    values.last() = QStringLiteral("7");
    EditTo(Property(kItemDrops), values.join(QLatin1Char('|')));
    const scl::parray<int> drops = row->cells[kItemDrops]->GetStringInt();
    ASSERT_EQ(drops.size(), 64);
    EXPECT_EQ(drops[62], -2147483647 - 1);
    EXPECT_EQ(drops[63], 7);
}

// A text that is not exactly a value of the field's type, typed and committed with Enter: a
// message names the field, quotes the text and says why; the cell and the property keep their
// values; the editor stays open on the text, with the focus, until the user fixes or drops it.
TEST_F(PropertiesWndTest, TextThatDoesNotParseKeepsTheCell)
{
    tarn::Row* row = RowAt(items, 0);
    pane->DataToUI(row);
    QStringList sixHundred;
    for (int i = 0; i < 600; ++i)
        sixHundred << QString::number(i);
    const QString intRule = QStringLiteral("“Count”必须是 -2147483648 到 2147483647 之间的整数");
    const QString floatRule = QStringLiteral("“Weight”必须是绝对值不超过 3.4028235e+38 的十进制数");
    const struct
    {
        int field;
        QString text;
        QString reason;
    } cases[] = {
        {kItemCount, QStringLiteral("abc"), intRule},
        {kItemCount, QStringLiteral("1,000"), intRule},
        {kItemCount, QStringLiteral("12ab"), intRule},
        {kItemCount, QString(), intRule + QStringLiteral("，不能为空")},
        {kItemLevel, QStringLiteral("-5"), QStringLiteral("“Level”必须是 0 到 4294967295 之间的整数")},
        {kItemBig, QStringLiteral("99999999999999999999"),
         QStringLiteral("“Big”必须是 -9223372036854775808 到 9223372036854775807 之间的整数")},
        {kItemHuge, QStringLiteral("-1"),
         QStringLiteral("“Huge”必须是 0 到 18446744073709551615 之间的整数")},
        {kItemWeight, QStringLiteral("1e400"), floatRule},
        {kItemWeight, QStringLiteral("1,5"), floatRule},
        {kItemDrops, QStringLiteral("1,2,3"), QStringLiteral("“Drops”的列表由“|”分隔的整数组成")},
        {kItemRates, QStringLiteral("1|abc|3"), QStringLiteral("的第 2 个值“abc”不是")},
        {kItemDrops, QStringLiteral("1||3"), QStringLiteral("的第 2 个值为空")},
        {kItemDrops, sixHundred.join(QLatin1Char('|')), QStringLiteral("“Drops”的列表最多 64 个值")},
        {kItemName, QString(1503, QChar(u'名')), QStringLiteral("“Name”的文本最长 1023 个字符")},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text.left(20).toStdString());
        CCustomPropertyGridProperty* property = Property(c.field);
        const QString cellBefore = Q(tarn::CellText(*row->cells[c.field]).c_str());
        const QVariant valueBefore = property->value();
        QString message;
        ModalAnswer<QMessageBox> answer(
            [&](QMessageBox* box)
            {
                message = box->text();
                box->close();
            });
        QLineEdit* editor = OpenEditor(property);
        ASSERT_NE(editor, nullptr);
        Type(editor, c.text);
        ASSERT_EQ(editor->text(), c.text);
        QTest::keyClick(editor, Qt::Key_Return);

        EXPECT_EQ(Q(tarn::CellText(*row->cells[c.field]).c_str()), cellBefore);
        EXPECT_EQ(property->value(), valueBefore);
        EXPECT_EQ(property->inPlaceEditor(), editor);
        EXPECT_EQ(editor->text(), c.text);
        ASSERT_TRUE(WaitFor([&] { return answer.answered(); }));
        EXPECT_FALSE(answer.closedOther());
        EXPECT_TRUE(message.contains(c.reason)) << message.toStdString();
        if (!c.text.isEmpty())
        {
            EXPECT_TRUE(message.contains(QStringLiteral("“") + c.text.left(40))) << message.toStdString();
        }
        // Back in the editor once the message is closed; Escape drops the text.
        EXPECT_TRUE(WaitFor([&] { return editor->hasFocus() && grid->currentItem() == property; }));
        QTest::keyClick(editor, Qt::Key_Escape);
        EXPECT_EQ(property->inPlaceEditor(), nullptr);
        EXPECT_EQ(Q(tarn::CellText(*row->cells[c.field]).c_str()), cellBefore);
    }
    EXPECT_FALSE(DocumentModified());

    // A refused text corrected in place is taken with the next Enter.
    ModalAnswer<QMessageBox> answer([](QMessageBox* box) { box->close(); });
    QLineEdit* editor = OpenEditor(Property(kItemLevel));
    ASSERT_NE(editor, nullptr);
    Type(editor, QStringLiteral("-5"));
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return answer.answered() && editor->hasFocus(); }));
    QTest::keyClick(editor, Qt::Key_Home);
    QTest::keyClick(editor, Qt::Key_Delete);
    ASSERT_EQ(editor->text(), QStringLiteral("5"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(Property(kItemLevel)->inPlaceEditor(), nullptr);
    EXPECT_EQ(row->cells[kItemLevel]->GetUInt(), 5u);
    EXPECT_TRUE(DocumentModified());
}

TEST_F(PropertiesWndTest, ClickingElsewhereWithARefusedTextShowsOneMessageAndKeepsTheEdit)
{
    tarn::Row* row = RowAt(items, 0);
    pane->DataToUI(row);
    int boxes = 0;
    ModalAnswer<QMessageBox> answer(
        [&](QMessageBox* box)
        {
            ++boxes;
            box->close();
        });
    QLineEdit* editor = OpenEditor(Property(kItemCount));
    ASSERT_NE(editor, nullptr);
    Type(editor, QStringLiteral("12ab"));
    // A click on another property: the focus leaves the editor, the commit is refused.
    QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid->nameRect(Property(kItemName)).center());
    ASSERT_TRUE(WaitFor([&] { return answer.answered() && editor->hasFocus(); }));
    QTest::qWait(50);
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(grid->currentItem(), Property(kItemCount));
    EXPECT_EQ(grid->editedItem(), Property(kItemCount));
    EXPECT_EQ(editor->text(), QStringLiteral("12ab"));
    EXPECT_EQ(row->cells[kItemCount]->GetInt(), 5);
}

TEST_F(PropertiesWndTest, ShowingAnotherRowWhileAnEditIsRefusedWaitsForTheEdit)
{
    tarn::Row* first = RowAt(items, 0);
    tarn::Row* second = RowAt(items, 1);
    pane->DataToUI(first);
    ModalAnswer<QMessageBox> answer([](QMessageBox* box) { box->close(); });
    QLineEdit* editor = OpenEditor(Property(kItemCount));
    ASSERT_NE(editor, nullptr);
    Type(editor, QStringLiteral("abc"));

    // The class view's caret moves on: the text stays, bound to the row it was typed for.
    pane->DataToUI(second);
    EXPECT_EQ(pane->ShownRow(), first);
    EXPECT_EQ(pane->PendingRow(), second);
    EXPECT_EQ(Property(kItemCount)->GetCell(), first->cells[kItemCount]);
    EXPECT_EQ(editor->text(), QStringLiteral("abc"));
    ASSERT_TRUE(WaitFor([&] { return answer.answered() && editor->hasFocus(); }));

    // Corrected and committed to the first row; then the pane follows the caret.
    Type(editor, QStringLiteral("55"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(first->cells[kItemCount]->GetInt(), 55);
    EXPECT_TRUE(WaitFor([&] { return pane->ShownRow() == second; }));
    EXPECT_EQ(pane->PendingRow(), nullptr);
    EXPECT_EQ(Property(kItemCount)->value(), QVariant(6));
    EXPECT_EQ(second->cells[kItemCount]->GetInt(), 6);

    // A pending row that is deleted meanwhile is forgotten.
    ModalAnswer<QMessageBox> again([](QMessageBox* box) { box->close(); });
    editor = OpenEditor(Property(kItemCount));
    ASSERT_NE(editor, nullptr);
    Type(editor, QStringLiteral("x"));
    pane->DataToUI(first);
    EXPECT_EQ(pane->PendingRow(), first);
    pane->ForgetRow(first);
    EXPECT_EQ(pane->PendingRow(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return again.answered() && editor->hasFocus(); }));
    QTest::keyClick(editor, Qt::Key_Escape);
    QTest::qWait(20);
    EXPECT_EQ(pane->ShownRow(), second);
}

TEST_F(PropertiesWndTest, OnlyACommitThatAltersACellMarksTheDocumentModified)
{
    tarn::Row* row = RowAt(items, 0);
    pane->DataToUI(row);
    EditTo(Property(kItemCount), QStringLiteral("5")); // the value it had
    EditTo(Property(kItemName), QStringLiteral("长剑"));
    EXPECT_FALSE(DocumentModified());
    EditTo(Property(kItemDrops), QStringLiteral(" 1| 2 |3"));
    EXPECT_FALSE(DocumentModified()); // the same list
    EditTo(Property(kItemCount), QStringLiteral("6"));
    EXPECT_TRUE(DocumentModified());
}

TEST_F(PropertiesWndTest, EditingTheNameCellTellsTheClassView)
{
    tarn::Row* row = RowAt(items, 2);
    pane->DataToUI(row);
    QSignalSpy spy(pane, &CPropertiesWnd::rowNameChanged);

    EditTo(Property(kItemCount), QStringLiteral("70"));
    EditTo(Property(kItemName), QStringLiteral("Bow")); // unchanged
    EXPECT_EQ(spy.count(), 0);

    EditTo(Property(kItemName), QStringLiteral("Longbow"));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).value<tarn::Row*>(), row);
    EXPECT_EQ(Q(row->Name()), QStringLiteral("Longbow"));
}

TEST_F(PropertiesWndTest, TextWithATabOrLineBreakIsRefusedWithAMessage)
{
    tarn::Row* row = RowAt(items, 0);
    pane->DataToUI(row);

    for (const QString& bad : {QStringLiteral("a\tb"), QStringLiteral("a\nb"), QStringLiteral("a\rb")})
    {
        for (int field : {kItemName, kItemDrops})
        {
            SCOPED_TRACE(field);
            const QString cellBefore = Q(row->cells[field]->ToString());
            const QVariant valueBefore = Property(field)->value();
            QString message;
            ModalAnswer<QMessageBox> answer(
                [&](QMessageBox* box)
                {
                    message = box->text();
                    box->close();
                });
            QLineEdit* editor = OpenEditor(Property(field));
            ASSERT_NE(editor, nullptr);
            QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
            editor->insert(bad); // as a paste would
            ASSERT_EQ(editor->text(), bad);
            QTest::keyClick(editor, Qt::Key_Return);

            EXPECT_EQ(Q(row->cells[field]->ToString()), cellBefore);
            EXPECT_EQ(Property(field)->value(), valueBefore);
            EXPECT_TRUE(WaitFor([&] { return answer.answered(); }));
            EXPECT_TRUE(message.contains(Property(field)->name())) << message.toStdString();
            EXPECT_TRUE(message.contains(field == kItemName ? QStringLiteral("制表符")
                                                            : QStringLiteral("的第 1 个值")))
                << message.toStdString();
            EXPECT_FALSE(answer.closedOther());
            // The text waits in its editor to be corrected; Escape drops it.
            ASSERT_EQ(Property(field)->inPlaceEditor(), editor);
            EXPECT_EQ(editor->text(), bad);
            QTest::keyClick(editor, Qt::Key_Escape);
            EXPECT_EQ(Property(field)->inPlaceEditor(), nullptr);
        }
    }
    EXPECT_FALSE(DocumentModified());
}

TEST_F(PropertiesWndTest, ShowingAnotherRowCommitsTheOpenEditToTheRowItBelongsTo)
{
    pane->DataToUI(RowAt(items, 0));
    QLineEdit* editor = OpenEditor(Property(kItemCount));
    ASSERT_NE(editor, nullptr);
    Type(editor, QStringLiteral("77"));

    pane->DataToUI(RowAt(items, 1));
    EXPECT_EQ(RowAt(items, 0)->cells[kItemCount]->GetInt(), 77);
    EXPECT_EQ(RowAt(items, 1)->cells[kItemCount]->GetInt(), 6);
    EXPECT_EQ(Property(kItemCount)->value(), QVariant(6));
    EXPECT_EQ(grid->editedItem(), nullptr);
}

TEST_F(PropertiesWndTest, ForgettingTheShownRowEmptiesTheGrid)
{
    tarn::Row* shown = RowAt(items, 1);
    pane->DataToUI(shown);

    pane->ForgetRow(RowAt(items, 0)); // another row: nothing happens
    pane->ForgetRow(RowAt(monsters, 0));
    EXPECT_EQ(grid->propertyCount(), 2); // the fields and "被引用"
    EXPECT_EQ(pane->ShownRow(), shown);

    QLineEdit* editor = OpenEditor(Property(kItemCount));
    ASSERT_NE(editor, nullptr);
    Type(editor, QStringLiteral("99"));
    pane->ForgetRow(shown);
    EXPECT_EQ(grid->propertyCount(), 0);
    EXPECT_TRUE(pane->ShownTableName().empty());
    EXPECT_EQ(pane->ShownRow(), nullptr);
    EXPECT_EQ(shown->cells[kItemCount]->GetInt(), 6); // the open edit was dropped
    shown->RemoveSelfFromTable();
    ASSERT_EQ(items->m_rows.size(), 2);

    // Showing a row of the same table builds the grid again.
    pane->DataToUI(RowAt(items, 1));
    ASSERT_EQ(grid->propertyCount(), 1);
    EXPECT_EQ(Property(kItemName)->value(), QVariant(QStringLiteral("Bow")));
}

TEST_F(PropertiesWndTest, ARowWithoutATableIsAFailedCheckAndChangesNothing)
{
    pane->DataToUI(RowAt(items, 0));
    tarn::Row orphan;
    const unsigned long reports = scl::AssertReportCount();
    pane->DataToUI(&orphan);
    EXPECT_EQ(scl::AssertReportCount(), reports + 1);
    EXPECT_NE(std::string(scl::LastAssertReport()).find("CPropertiesWnd::DataToUI"), std::string::npos);
    EXPECT_EQ(pane->ShownRow(), RowAt(items, 0));
    EXPECT_EQ(Property(kItemName)->value(), QVariant(QStringLiteral("长剑")));
}

TEST_F(PropertiesWndTest, SortCommandTogglesAlphabeticDisplayAndItsButton)
{
    pane->DataToUI(RowAt(items, 0));
    QAction* sort = pane->Commands().action(ID_SORTPROPERTIES);
    ASSERT_NE(sort, nullptr);
    QToolButton* button = Button(ID_SORTPROPERTIES);
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(sort->isEnabled());
    EXPECT_FALSE(sort->isChecked());

    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(grid->isAlphabeticMode());
    EXPECT_TRUE(sort->isChecked());
    EXPECT_TRUE(button->isChecked());
    ASSERT_EQ(Tree()->topLevelItemCount(), kItemFieldCount);
    QStringList names;
    for (int i = 0; i < Tree()->topLevelItemCount(); ++i)
        names << Tree()->topLevelItem(i)->text(0);
    EXPECT_EQ(names, (QStringList{"Big", "Count", "Drops", "Huge", "ID", "Level", "Monster", "Name", "Rates",
                                  "Weight"}));

    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(grid->isAlphabeticMode());
    EXPECT_FALSE(sort->isChecked());
    EXPECT_FALSE(button->isChecked());
    // The fields' group and "被引用" (not shown among the sorted fields).
    ASSERT_EQ(Tree()->topLevelItemCount(), 2);
    EXPECT_EQ(Tree()->topLevelItem(0)->childCount(), kItemFieldCount);
}

TEST_F(PropertiesWndTest, ExpandAllAndTheTwoIdleButtons)
{
    pane->DataToUI(RowAt(items, 0));
    const QList<QAction*> buttons = pane->ToolBar()->actions();
    ASSERT_EQ(buttons.size(), 4);
    const int order[] = {ID_EXPAND_ALL, ID_SORTPROPERTIES, ID_PROPERTIES1, ID_PROPERTIES2};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(CommandRouter::commandId(buttons[i]), order[i]);
        EXPECT_TRUE(buttons[i]->isEnabled());
        EXPECT_TRUE(buttons[i]->toolTip().isEmpty() || buttons[i]->toolTip() == buttons[i]->text());
    }

    Group()->setExpanded(false);
    ASSERT_FALSE(Tree()->topLevelItem(0)->isExpanded());
    QTest::mouseClick(Button(ID_EXPAND_ALL), Qt::LeftButton);
    EXPECT_TRUE(Group()->isExpanded());
    EXPECT_TRUE(Tree()->topLevelItem(0)->isExpanded());

    const std::vector<PropertyGridItem*> before = Properties();
    QTest::mouseClick(Button(ID_PROPERTIES1), Qt::LeftButton);
    QTest::mouseClick(Button(ID_PROPERTIES2), Qt::LeftButton);
    EXPECT_EQ(Properties(), before);
    EXPECT_FALSE(grid->isAlphabeticMode());
    EXPECT_TRUE(Group()->isExpanded());
    EXPECT_EQ(Property(kItemCount)->value(), QVariant(5));
}

TEST_F(PropertiesWndTest, DropDownListIsSortedWithTheFirstItemChosen)
{
    QComboBox* combo = pane->SelectorCombo();
    ASSERT_NE(combo, nullptr);
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("属性窗口"));
    EXPECT_EQ(combo->itemText(1), QStringLiteral("应用程序"));
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_FALSE(combo->isEditable());
    // Choosing an item does nothing to the grid.
    pane->DataToUI(RowAt(items, 0));
    combo->setCurrentIndex(1);
    EXPECT_EQ(grid->propertyCount(), 2);
    EXPECT_EQ(pane->ShownRow(), RowAt(items, 0));
}

TEST_F(PropertiesWndTest, ListAtTheTopToolBarUnderItGridInTheRest)
{
    const auto check = [this]()
    {
        const QRect client = pane->ClientArea()->rect();
        const QRect combo = pane->SelectorCombo()->geometry();
        const QRect bar = pane->ToolBar()->geometry();
        const QRect gridRect = grid->geometry();
        EXPECT_EQ(combo, QRect(0, 0, client.width(), pane->SelectorCombo()->sizeHint().height()));
        EXPECT_EQ(bar, QRect(0, combo.bottom() + 1, client.width(), pane->ToolBar()->sizeHint().height()));
        EXPECT_EQ(gridRect, QRect(0, bar.bottom() + 1, client.width(),
                                  client.height() - combo.height() - bar.height()));
        EXPECT_GT(gridRect.height(), 0);
    };
    check();
    Frame()->resize(900, 500);
    ASSERT_TRUE(WaitFor([&] { return Frame()->height() == 500; }));
    QApplication::processEvents();
    check();
    Frame()->resize(1100, 900);
    ASSERT_TRUE(WaitFor([&] { return Frame()->height() == 900; }));
    QApplication::processEvents();
    check();
}

TEST_F(PropertiesWndTest, FocusGivenToThePaneGoesToTheGrid)
{
    pane->DataToUI(RowAt(items, 0));
    pane->SelectorCombo()->setFocus();
    ASSERT_TRUE(WaitFor([&] { return pane->SelectorCombo()->hasFocus(); }));
    pane->setFocus();
    EXPECT_TRUE(WaitFor([&] { return Tree()->hasFocus(); }));
}

TEST_F(PropertiesWndTest, GridFontFollowsAChangeOfTheInterfaceFont)
{
    pane->DataToUI(RowAt(items, 0));
    const QFont old = QApplication::font();
    QFont font = old;
    font.setPixelSize(17);
    font.setItalic(true);
    QApplication::setFont(font);
    // The change reaches the widgets through posted events.
    EXPECT_TRUE(WaitFor([&] { return grid->font().pixelSize() == 17; }));
    EXPECT_EQ(grid->font().italic(), QApplication::font("QMenu").italic());
    EXPECT_EQ(grid->font(), pane->GridFont());
    QApplication::setFont(old);
    EXPECT_TRUE(WaitFor([&] { return grid->font().pixelSize() != 17; }));
    EXPECT_EQ(grid->font().pointSizeF(), QApplication::font("QMenu").pointSizeF());
    EXPECT_FALSE(grid->font().italic());
}

} // namespace
