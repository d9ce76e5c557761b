// A data directory that gives the data check one finding of every kind that can occur: each load
// warning, a refused table, a duplicate id, dangling links (single and in a list) and a link to a
// table the list does not have. Shared by the check's own test and the editor's pane "问题" test,
// which both write these files into a temporary directory.
#ifndef TESTS_TOOL_PROBLEM_DIRECTORY_H
#define TESTS_TOOL_PROBLEM_DIRECTORY_H

#include <string>
#include <vector>

#include "tool/problemText.h"

namespace problemdir
{

struct File
{
    std::string name;
    std::string bytes; // as written to disk
};

// UTF-16LE with the mark FF FE; `utf8` holds ASCII and CJK characters only (no surrogates).
inline std::string Utf16(const std::string& utf8)
{
    std::string bytes("\xFF\xFE", 2);
    for (std::size_t i = 0; i < utf8.size();)
    {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        unsigned code = c;
        int more = 0;
        if (c >= 0xE0)
        {
            code = c & 0x0F;
            more = 2;
        }
        else if (c >= 0xC0)
        {
            code = c & 0x1F;
            more = 1;
        }
        for (int k = 1; k <= more; ++k)
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3F);
        i += static_cast<std::size_t>(more) + 1;
        bytes += static_cast<char>(code & 0xFF);
        bytes += static_cast<char>(code >> 8);
    }
    return bytes;
}

inline std::string Field(const std::string& type, const std::string& name, const std::string& link = "")
{
    return "\t<Field Type=\"" + type + "\" Name=\"" + name + "\" CodeVarName=\"V\" LinkTableName=\"" + link +
           "\" IsMulti=\"false\" />\n";
}

inline std::string Meta(const std::string& fields)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Table IdFieldIndex=\"0\" NameFieldIndex=\"1\">\n" +
           fields + "</Table>\n";
}

// A label of 130 characters: shown cut to 127.
inline std::string LongLabel()
{
    return std::string(130, 'L');
}

inline std::vector<File> Files()
{
    const std::string idName = Field("INT", "ID") + Field("STRING", "Name");
    return {
        {"tableList.xml", "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TableList>\n"
                          "\t<Table FileName=\"items.txt\" Label=\"物品\" />\n"
                          "\t<Table FileName=\"monsters.txt\" Label=\"怪物\" />\n"
                          "\t<Table FileName=\"zero.txt\" Label=\"" +
                              LongLabel() +
                              "\" />\n"
                              "\t<Table FileName=\"short.txt\" Label=\"短\" />\n"
                              "\t<Table FileName=\"tail.txt\" Label=\"尾\" />\n"
                              "\t<Table FileName=\"gone.txt\" Label=\"无\" />\n"
                              "</TableList>\n"},
        // items: every kind of row-level loss a save would cause.
        {"items.txt.meta", Meta(idName + Field("STRING", std::string(130, 'N')))},
        {"items.txt", Utf16("# head\r\n"
                            "ID\tName\tNote\r\n"
                            "INT\tSTRING\tSTRING\r\n"
                            "1\t剑\ta\r\n"
                            "007\t盾\tb\r\n"
                            "# a\r\n"
                            "# b\r\n"
                            "3\t弓\tc\textra\r\n"
                            "\r\n"
                            "4\tlost\td\r\n")},
        // monsters: a duplicate id, dangling links and a link to a table that is not listed.
        {"monsters.txt.meta",
         Meta(idName + Field("INT", "Drop", "items.txt") + Field("STRING_INT", "Loot", "items.txt") +
              Field("INT", "Other", "nowhere.txt"))},
        {"monsters.txt", Utf16("ID\tName\tDrop\tLoot\tOther\r\n"
                               "INT\tSTRING\tINT\tSTRING_INT\tINT\r\n"
                               "10\t狼\t1\t3|9\t0\r\n"
                               "10\t狼王\t8\t\t0\r\n")},
        // zero: a header line holding U+0000 and a last line without CR LF.
        {"zero.txt.meta", Meta(idName)},
        {"zero.txt",
         Utf16("ID\tName") + std::string("\0\0", 2) + Utf16("x\r\nINT\tSTRING\r\n1\ta").substr(2)},
        // short: the file ends after the first header line.
        {"short.txt.meta", Meta(idName)},
        {"short.txt", Utf16("ID\tName\r\n")},
        // tail: an empty last line.
        {"tail.txt.meta", Meta(idName)},
        {"tail.txt", Utf16("ID\tName\r\nINT\tSTRING\r\n1\ta\r\n\r\n")},
        // gone.txt has no files: the table is refused.
    };
}

struct Expected
{
    std::string english; // Problem::text(), as tessel-cli prints it
    tarn::LoadFindingKind kind;
    std::u16string chinese; // tarn::ProblemText
    int rowId;              // the row the finding names; 0 for none
};

// The findings of problemdir::Files(), in the check's order.
inline std::vector<Expected> ExpectedFindings()
{
    const std::string cut = "\"" + std::string(127, 'N') + "\"";
    return {
        {"items.txt.meta:5: warning: field 2: Name is longer than 127 characters and was cut to " + cut,
         tarn::LoadFindingKind::NameCut,
         u"第 2 个字段的 Name 超过 127 个字符，已截为 " + std::u16string(cut.begin(), cut.end()), 0},
        {"items.txt:1: warning: comment line: a save drops it", tarn::LoadFindingKind::CommentLine,
         u"注释行：保存时会删去", 0},
        {"items.txt:5: warning: not in the form a save writes (ID \"007\" becomes \"7\"); it will be saved "
         "as "
         "\"7\\t盾\\tb\"",
         tarn::LoadFindingKind::NotSaveForm,
         u"与保存时写出的形式不同（ID 由 \"007\" 变为 \"7\"），将保存为 \"7\\t盾\\tb\"", 0},
        {"items.txt:6: warning: comment lines 6 to 7: a save drops them", tarn::LoadFindingKind::CommentLines,
         u"第 6 至 7 行是注释行：保存时会删去", 0},
        {"items.txt:8: warning: not in the form a save writes (1 value after the last of the 3 fields "
         "dropped); it will be saved as \"3\\t弓\\tc\"",
         tarn::LoadFindingKind::NotSaveForm,
         u"与保存时写出的形式不同（3 个字段之后的 1 个值被删去），将保存为 \"3\\t弓\\tc\"", 0},
        {"items.txt:9: warning: empty line: the rows end here, and a save drops it and the 1 line after it",
         tarn::LoadFindingKind::EmptyLineRowsEnd, u"空行：数据行到此为止，保存时会删去它和它后面的 1 行", 0},
        {"tableList.xml:5: warning: the Label of \"zero.txt\" is longer than 127 characters; it is shown cut",
         tarn::LoadFindingKind::LabelCut, u"\"zero.txt\" 的 Label 超过 127 个字符，显示时截短", 0},
        {"zero.txt:1: warning: header line 1 holds a zero character (U+0000): a save keeps the line only up "
         "to it",
         tarn::LoadFindingKind::HeaderZero, u"第 1 个表头行含有零字符（U+0000）：保存时只保留它之前的部分",
         0},
        {"zero.txt:3: warning: the file ends without CR LF after this line: a save adds one",
         tarn::LoadFindingKind::NoFinalCrLf, u"文件在这一行之后没有 CR LF：保存时会补上", 0},
        {"short.txt:2: warning: the file ends before header line 2: a save writes it as an empty line",
         tarn::LoadFindingKind::ShortHeader, u"文件在第 2 个表头行之前就结束了：保存时把它写为空行", 0},
        {"tail.txt:4: warning: empty line at the end of the file: a save drops it",
         tarn::LoadFindingKind::EmptyLineAtEnd, u"文件末尾的空行：保存时会删去", 0},
        {"gone.txt:0: error: the data file does not exist", tarn::LoadFindingKind::Refused,
         u"无法加载，保存时也不会写入：数据文件不存在", 0},
        {"monsters.txt:4: error: id 10 is used again (first at line 3); rows are known by their id",
         tarn::LoadFindingKind::NotLoadFinding, u"编号 10 与第 3 行的编号重复；行以编号区分", 10},
        {"monsters.txt.meta:0: error: \"Other\" links to \"nowhere.txt\", which is not a table of "
         "tableList.xml",
         tarn::LoadFindingKind::NotLoadFinding, u"链接到表“nowhere.txt”，而 tableList.xml 中没有这个表", 0},
        {"monsters.txt:3: error: \"Loot\" is 9 (in its list), which is not the id of a row of \"items.txt\"",
         tarn::LoadFindingKind::NotLoadFinding, u"列表中的值 9 不是表“物品（items.txt）”中任何一行的编号",
         10},
        {"monsters.txt:4: error: \"Drop\" is 8, which is not the id of a row of \"items.txt\"",
         tarn::LoadFindingKind::NotLoadFinding, u"值 8 不是表“物品（items.txt）”中任何一行的编号", 10},
    };
}

} // namespace problemdir

#endif // TESTS_TOOL_PROBLEM_DIRECTORY_H
