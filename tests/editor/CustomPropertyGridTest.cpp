// The cell-bound grid on its own: the column split, committing on resize, varToCell for every cell
// type, the change notification, and the link property's flags. Cells are made with CreateCell
// and owned by the test.
#include "PropertiesTestSupport.h"

#include "base/assert.h"
#include "editor/CustomPropertyGridTableProperty.h"

#include <QHeaderView>
#include <QMessageBox>
#include <QSignalSpy>
#include <QToolButton>

#include <limits>
#include <tuple>
#include <memory>

using namespace proptest;

namespace
{

// A field of the given type and the cell made for it; the field outlives the cell.
struct OwnedCell
{
    explicit OwnedCell(FIELD_TYPE type)
    {
        field.m_type = type;
        field.m_name = u"F";
        cell.reset(tarn::CreateCell(field));
        if (cell)
            cell->m_field = &field;
    }
    tarn::Field field;
    std::unique_ptr<tarn::Cell> cell;
};

class CustomPropertyGridTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qRegisterMetaType<tarn::Cell*>("tarn::Cell*");
        qRegisterMetaType<CCustomPropertyGridProperty*>("CCustomPropertyGridProperty*");
        grid = std::make_unique<CCustomPropertyGridCtrl>();
        group = new PropertyGridItem(QStringLiteral("属性"));
        grid->addProperty(group);
    }

    CCustomPropertyGridProperty* Add(const QString& name, const QVariant& value, tarn::Cell* cell)
    {
        auto* property = new CCustomPropertyGridProperty(name, value);
        property->SetCell(cell);
        EXPECT_TRUE(group->addSubItem(property));
        return property;
    }

    void ShowAt(int width)
    {
        grid->resize(width, 300);
        grid->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(grid.get(), 5000));
        ASSERT_TRUE(WaitFor([&] { return grid->width() == width; }));
    }

    QLineEdit* OpenEditor(PropertyGridItem* item)
    {
        grid->setCurrentItem(item);
        QTest::keyClick(grid->treeWidget(), Qt::Key_F2);
        return item->inPlaceEditor();
    }

    std::unique_ptr<CCustomPropertyGridCtrl> grid;
    PropertyGridItem* group = nullptr;
};

TEST_F(CustomPropertyGridTest, NameColumnIsTheWidthTimesSinglePrecision0_382Truncated)
{
    EXPECT_EQ(CCustomPropertyGridCtrl::NameColumnWidth(1000), 381);
    EXPECT_EQ(CCustomPropertyGridCtrl::NameColumnWidth(500), 190);
    EXPECT_EQ(CCustomPropertyGridCtrl::NameColumnWidth(200), 76);
    EXPECT_EQ(CCustomPropertyGridCtrl::NameColumnWidth(0), 0);

    for (const auto& [width, expected] : {std::pair{1000, 381}, std::pair{500, 190}, std::pair{200, 76}})
    {
        SCOPED_TRACE(width);
        ShowAt(width);
        EXPECT_EQ(grid->leftColumnWidth(), expected);
        EXPECT_EQ(grid->treeWidget()->header()->sectionSize(0), expected);
    }
}

TEST_F(CustomPropertyGridTest, ResizingWhileEditingCommitsTheEditIntoTheCell)
{
    OwnedCell count(FIELD_TYPE_INT);
    count.cell->SetInt(5);
    CCustomPropertyGridProperty* property = Add(QStringLiteral("Count"), QVariant(5), count.cell.get());
    ShowAt(500);
    QSignalSpy spy(grid.get(), &CCustomPropertyGridCtrl::cellChanged);

    QLineEdit* editor = OpenEditor(property);
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("99"));
    EXPECT_EQ(count.cell->GetInt(), 5); // not before the edit ends

    grid->resize(700, 300);
    ASSERT_TRUE(WaitFor([&] { return grid->width() == 700; }));
    EXPECT_EQ(count.cell->GetInt(), 99);
    EXPECT_EQ(property->value(), QVariant(99));
    EXPECT_EQ(property->inPlaceEditor(), nullptr);
    EXPECT_EQ(grid->leftColumnWidth(), 267);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(1).value<tarn::Cell*>(), count.cell.get());
}

TEST_F(CustomPropertyGridTest, VarToCellWritesTheValueByTheCellsType)
{
    OwnedCell i32(FIELD_TYPE_INT), u32(FIELD_TYPE_UINT), i64(FIELD_TYPE_INT64), u64(FIELD_TYPE_UINT64),
        f32(FIELD_TYPE_FLOAT), text(FIELD_TYPE_STRING), ints(FIELD_TYPE_STRING_INT),
        floats(FIELD_TYPE_STRING_FLOAT);
    Add("i32", QVariant(-42), i32.cell.get())->varToCell();
    Add("u32", QVariant(4294967295u), u32.cell.get())->varToCell();
    Add("i64", QVariant(qlonglong(-5000000000)), i64.cell.get())->varToCell();
    Add("u64", QVariant(std::numeric_limits<qulonglong>::max()), u64.cell.get())->varToCell();
    Add("f32", QVariant(0.25f), f32.cell.get())->varToCell();
    Add("text", QVariant(QStringLiteral("长 剑")), text.cell.get())->varToCell();
    Add("ints", QVariant(QStringLiteral(" 4| -5 |6")), ints.cell.get())->varToCell();
    Add("floats", QVariant(QStringLiteral("1.5| 0 |2")), floats.cell.get())->varToCell();

    EXPECT_EQ(i32.cell->GetInt(), -42);
    EXPECT_EQ(u32.cell->GetUInt(), 4294967295u);
    EXPECT_EQ(i64.cell->GetInt64(), -5000000000LL);
    EXPECT_EQ(u64.cell->GetUInt64(), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(f32.cell->GetFloat(), 0.25f);
    EXPECT_EQ(Q(text.cell->GetString()), QStringLiteral("长 剑"));
    EXPECT_EQ(Q(ints.cell->ToString()), QStringLiteral("4|-5|6"));
    EXPECT_EQ(Q(floats.cell->ToString()), QStringLiteral("1.500000|0.000000|2.000000"));
}

TEST_F(CustomPropertyGridTest, VarToCellWithoutACellOrOfTheWrongTypeIsAFailedCheck)
{
    CCustomPropertyGridProperty* unbound = Add("unbound", QVariant(1), nullptr);
    unsigned long reports = scl::AssertReportCount();
    unbound->varToCell();
    EXPECT_EQ(scl::AssertReportCount(), reports + 1);
    EXPECT_NE(std::string(scl::LastAssertReport()).find("<function: CCustomPropertyGridProperty::varToCell>"),
              std::string::npos);

    OwnedCell number(FIELD_TYPE_INT);
    number.cell->SetInt(8);
    CCustomPropertyGridProperty* wrong = Add("wrong", QVariant(QStringLiteral("12")), number.cell.get());
    reports = scl::AssertReportCount();
    wrong->varToCell();
    EXPECT_EQ(scl::AssertReportCount(), reports + 1);
    EXPECT_EQ(number.cell->GetInt(), 8);

    // List text that is not exactly a list of the cell's type is not written either.
    OwnedCell ints(FIELD_TYPE_STRING_INT), floats(FIELD_TYPE_STRING_FLOAT);
    ints.cell->SetStringInt(u"7");
    floats.cell->SetStringFloat(u"7");
    for (auto [name, text, cell] : {std::tuple{"ints", "4|-5||6|", ints.cell.get()},
                                    std::tuple{"floats", "1.5|x|2", floats.cell.get()}})
    {
        CCustomPropertyGridProperty* property = Add(name, QVariant(QString::fromLatin1(text)), cell);
        reports = scl::AssertReportCount();
        property->varToCell();
        EXPECT_EQ(scl::AssertReportCount(), reports + 1) << name;
        EXPECT_EQ(cell->ToString()[0], u'7') << name;
    }
}

TEST_F(CustomPropertyGridTest, EveryAcceptedCommitWritesThePropertysValueARefusedOneNothing)
{
    OwnedCell count(FIELD_TYPE_INT);
    count.cell->SetInt(5);
    // A property that holds 7 while its cell holds 5.
    CCustomPropertyGridProperty* property = Add(QStringLiteral("Count"), QVariant(7), count.cell.get());
    ShowAt(400);
    QSignalSpy spy(grid.get(), &CCustomPropertyGridCtrl::cellChanged);

    // Text that is no INT is refused: a message, nothing written, the editor keeps the text.
    QString message;
    ModalAnswer<QMessageBox> answer(
        [&](QMessageBox* box)
        {
            message = box->text();
            box->close();
        });
    QLineEdit* editor = OpenEditor(property);
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("abc"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(property->value(), QVariant(7));
    EXPECT_EQ(count.cell->GetInt(), 5);
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(property->inPlaceEditor(), editor);
    ASSERT_TRUE(WaitFor([&] { return answer.answered(); }));
    EXPECT_EQ(message, QStringLiteral("“F”必须是 -2147483648 到 2147483647 之间的整数，“abc”不是。"));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(property->inPlaceEditor(), nullptr);

    // A commit of the text as shown writes the property's value.
    editor = OpenEditor(property);
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(count.cell->GetInt(), 7);
    EXPECT_EQ(spy.count(), 1);

    // Committing the same value again changes nothing and tells nobody.
    editor = OpenEditor(property);
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(count.cell->GetInt(), 7);
    EXPECT_EQ(spy.count(), 1);

    // Escape drops the edit: no commit, no write.
    editor = OpenEditor(property);
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("3"));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(count.cell->GetInt(), 7);
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(CustomPropertyGridTest, ResizingWithARefusedTextKeepsItQuietlyInTheEditor)
{
    OwnedCell count(FIELD_TYPE_INT);
    count.cell->SetInt(5);
    CCustomPropertyGridProperty* property = Add(QStringLiteral("Count"), QVariant(5), count.cell.get());
    ShowAt(500);
    ModalAnswer<QWidget> anyModal([](QWidget* modal) { modal->close(); }, 300);

    QLineEdit* editor = OpenEditor(property);
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("9x"));
    grid->resize(700, 300);
    ASSERT_TRUE(WaitFor([&] { return grid->width() == 700; }));
    QTest::qWait(400);
    EXPECT_FALSE(anyModal.answered());
    EXPECT_EQ(property->inPlaceEditor(), editor);
    EXPECT_EQ(editor->text(), QStringLiteral("9x"));
    EXPECT_EQ(count.cell->GetInt(), 5);
    EXPECT_EQ(grid->leftColumnWidth(), 267);

    // CommitEdit says why without showing anything; the editor still holds the text.
    QString refusal;
    EXPECT_FALSE(grid->CommitEdit(&refusal));
    EXPECT_TRUE(refusal.contains(QStringLiteral("“9x”不是"))) << refusal.toStdString();
    EXPECT_EQ(property->inPlaceEditor(), editor);
    QTest::keyClick(editor, Qt::Key_Backspace);
    EXPECT_TRUE(grid->CommitEdit(&refusal));
    EXPECT_EQ(count.cell->GetInt(), 9);
    EXPECT_EQ(property->inPlaceEditor(), nullptr);
}

// A link is typed like any field of its type, and refused like one.
TEST_F(CustomPropertyGridTest, LinkPropertyHasAButtonAndIsTypedLikeItsField)
{
    OwnedCell link(FIELD_TYPE_INT);
    link.cell->SetInt(3);
    auto* property = new CCustomPropertyGridTableProperty(QStringLiteral("Monster"), QVariant(3));
    property->SetCell(link.cell.get());
    ASSERT_TRUE(group->addSubItem(property));
    EXPECT_TRUE(property->hasButton());
    EXPECT_TRUE(property->allowEdit());
    ShowAt(400);

    grid->setCurrentItem(property);
    QTest::keyClick(grid->treeWidget(), Qt::Key_F2);
    QLineEdit* editor = property->inPlaceEditor();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("12"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(property->inPlaceEditor(), nullptr);
    EXPECT_TRUE(grid->button()->isVisible());
    EXPECT_FALSE(property->isButtonPressed());
    EXPECT_EQ(link.cell->GetInt(), 12);
    EXPECT_EQ(property->value(), QVariant(12));
}

TEST_F(CustomPropertyGridTest, LinkButtonWithoutCellOrLinkIsAFailedCheckAndShowsNothing)
{
    OwnedCell plain(FIELD_TYPE_INT); // its field links nowhere
    auto* unbound = new CCustomPropertyGridTableProperty(QStringLiteral("A"), QVariant(0));
    auto* unlinked = new CCustomPropertyGridTableProperty(QStringLiteral("B"), QVariant(0));
    unlinked->SetCell(plain.cell.get());
    ASSERT_TRUE(group->addSubItem(unbound));
    ASSERT_TRUE(group->addSubItem(unlinked));
    ShowAt(400);

    for (CCustomPropertyGridTableProperty* property : {unbound, unlinked})
    {
        ModalAnswer<QWidget> anyModal([](QWidget* modal) { modal->close(); }, 200);
        const unsigned long reports = scl::AssertReportCount();
        property->OnClickButton(QPoint());
        EXPECT_EQ(scl::AssertReportCount(), reports + 1);
        EXPECT_NE(std::string(scl::LastAssertReport())
                      .find("<function: CCustomPropertyGridTableProperty::OnClickButton>"),
                  std::string::npos);
        EXPECT_FALSE(property->isButtonPressed());
        QTest::qWait(50);
        EXPECT_FALSE(anyModal.answered());
    }
}

} // namespace
