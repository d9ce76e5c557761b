// The data check's findings in Chinese (tool/problemText.h) on a real directory with one finding
// of every kind: each is recognised and written from its values, while the English text that
// tessel-cli prints stays as it was.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "problemDirectory.h"
#include "tablesTestSupport.h"
#include "tool/problemText.h"
#include "tool/tableCheck.h"
#include "tool/tables.h"

namespace
{

using namespace tablestest;
using problemdir::Expected;
using tarn::LoadFindingKind;
using tarn::Problem;

class ProblemTextTest : public DataDirTest
{
};

TEST_F(ProblemTextTest, EveryKindOfFindingHasItsChineseTextAndKeepsItsEnglishOne)
{
    for (const problemdir::File& file : problemdir::Files())
        WriteFile(file.name, file.bytes);
    TableList& list = *TableList::instance();
    list.initIndex();
    list.loadTableList();
    const std::vector<Problem> problems = tarn::CheckTables(list);
    const std::vector<Expected> expected = problemdir::ExpectedFindings();
    ASSERT_EQ(problems.size(), expected.size()) << AllText(list.diagnostics());
    std::set<LoadFindingKind> kinds;
    for (std::size_t i = 0; i < problems.size(); ++i)
    {
        SCOPED_TRACE(expected[i].english);
        EXPECT_EQ(problems[i].text(), expected[i].english);
        EXPECT_EQ(tarn::LoadFindingKindOf(problems[i]), expected[i].kind);
        EXPECT_EQ(scl::ToUtf8(tarn::ProblemText(problems[i]).c_str()),
                  scl::ToUtf8(expected[i].chinese.c_str()));
        EXPECT_EQ(problems[i].position >= 0 ? problems[i].rowId : 0, expected[i].rowId);
        kinds.insert(tarn::LoadFindingKindOf(problems[i]));
    }
    // Every kind of load finding that a directory can give is among them.
    for (int k = static_cast<int>(LoadFindingKind::Refused); k < static_cast<int>(LoadFindingKind::Other);
         ++k)
        EXPECT_EQ(kinds.count(static_cast<LoadFindingKind>(k)), 1u) << "kind " << k;
}

// The list of changes of a row a save rewrites: each part in Chinese, a part of an unknown form
// kept as it is.
TEST(ProblemTextChanges, EachPartOfTheListIsWrittenInChinese)
{
    const struct
    {
        const char* changes;
        const char16_t* chinese;
    } cases[] = {
        {"Rate \"0x10\" becomes \"0.000000\"; Weights \"nan|-inf\" becomes \"0.000000|0.000000\"",
         u"Rate 由 \"0x10\" 变为 \"0.000000\"；Weights 由 \"nan|-inf\" 变为 \"0.000000|0.000000\""},
        {"Note missing; 2 values after the last of the 4 fields dropped",
         u"缺少 Note；4 个字段之后的 2 个值被删去"},
        {"a lone CR (U+000D) and a zero character (U+0000) inside the line separate values like a tab; "
         "a CR LF is added at the end",
         u"行内的单独的 CR（U+000D）和零字符（U+0000）像制表符一样分隔值；末尾补上 CR LF"},
        {"a string holds at most 1023 characters; a list holds at most 64 values; a row holds at most 4095 "
         "characters",
         u"字符串最多 1023 个字符；列表最多 64 个值；一行最多 4095 个字符"},
        {"separators change", u"分隔符有变化"},
        {"a space keeps the line from being read as a comment", u"行首加一个空格，以免被当作注释行"},
        {"something new", u"something new"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.changes);
        Problem p;
        p.kind = Problem::LoadFinding;
        p.severity = tarn::Diagnostic::Warning;
        p.message =
            std::string("not in the form a save writes (") + c.changes + "); it will be saved as \"1\\ta\"";
        EXPECT_EQ(tarn::LoadFindingKindOf(p), LoadFindingKind::NotSaveForm);
        EXPECT_EQ(
            scl::ToUtf8(tarn::ProblemText(p).c_str()),
            scl::ToUtf8((u"与保存时写出的形式不同（" + std::u16string(c.chinese) + u"），将保存为 \"1\\ta\"")
                            .c_str()));
    }
    // A warning of a form not known here keeps its English text as detail.
    Problem other;
    other.severity = tarn::Diagnostic::Warning;
    other.message = "a finding of a new kind";
    EXPECT_EQ(tarn::LoadFindingKindOf(other), LoadFindingKind::Other);
    EXPECT_EQ(scl::ToUtf8(tarn::ProblemText(other).c_str()), "加载时发现的问题（a finding of a new kind）");
}

} // namespace
