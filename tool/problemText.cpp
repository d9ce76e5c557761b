#include "tool/problemText.h"

#include <vector>

#include "base/string.h"

namespace tarn
{
namespace
{

// Matches `text` against `form`, whose "{}" stand for values, and fills `values`. A value ends
// where the form's next text first follows; the last one ends where the form's last text ends
// the message.
bool Match(const std::string& text, const std::string& form, std::vector<std::string>& values)
{
    values.clear();
    std::vector<std::string> literals;
    for (std::size_t from = 0;;)
    {
        const std::size_t hole = form.find("{}", from);
        literals.push_back(form.substr(from, hole == std::string::npos ? std::string::npos : hole - from));
        if (hole == std::string::npos)
            break;
        from = hole + 2;
    }
    if (text.compare(0, literals[0].size(), literals[0]) != 0)
        return false;
    std::size_t at = literals[0].size();
    for (std::size_t k = 1; k < literals.size(); ++k)
    {
        const std::string& literal = literals[k];
        std::size_t end = 0;
        if (k + 1 == literals.size())
        {
            if (text.size() < at + literal.size() ||
                text.compare(text.size() - literal.size(), literal.size(), literal) != 0)
                return false;
            end = text.size() - literal.size();
        }
        else
        {
            end = text.find(literal, at);
            if (end == std::string::npos)
                return false;
        }
        values.push_back(text.substr(at, end - at));
        at = end + literal.size();
    }
    return literals.size() > 1 || text.size() == literals[0].size();
}

// `form` with "{0}", "{1}" ... replaced by the values.
std::u16string Fill(const std::u16string& form, const std::vector<std::string>& values)
{
    std::u16string out;
    for (std::size_t i = 0; i < form.size(); ++i)
    {
        if (form[i] == u'{' && i + 2 < form.size() && form[i + 2] == u'}' && form[i + 1] >= u'0' &&
            form[i + 1] <= u'9' && static_cast<std::size_t>(form[i + 1] - u'0') < values.size())
        {
            out += scl::FromUtf8(values[static_cast<std::size_t>(form[i + 1] - u'0')].c_str());
            i += 2;
            continue;
        }
        out += form[i];
    }
    return out;
}

struct Form
{
    LoadFindingKind kind;
    const char* english; // the loader's message
    const char16_t* chinese;
};

// The warnings of tool/table.cpp, tool/tableMetaData.cpp and tool/tables.cpp.
const Form kWarnings[] = {
    {LoadFindingKind::CommentLine, "comment line: a save drops it", u"注释行：保存时会删去"},
    {LoadFindingKind::CommentLines, "comment lines {} to {}: a save drops them",
     u"第 {0} 至 {1} 行是注释行：保存时会删去"},
    {LoadFindingKind::HeaderZero,
     "header line {} holds a zero character (U+0000): a save keeps the line only up to it",
     u"第 {0} 个表头行含有零字符（U+0000）：保存时只保留它之前的部分"},
    {LoadFindingKind::NoFinalCrLf, "the file ends without CR LF after this line: a save adds one",
     u"文件在这一行之后没有 CR LF：保存时会补上"},
    {LoadFindingKind::ShortHeader, "the file ends before header line {}: a save writes it as an empty line",
     u"文件在第 {0} 个表头行之前就结束了：保存时把它写为空行"},
    {LoadFindingKind::EmptyLineAtEnd, "empty line at the end of the file: a save drops it",
     u"文件末尾的空行：保存时会删去"},
    {LoadFindingKind::EmptyLineRowsEnd,
     "empty line: the rows end here, and a save drops it and the {} line after it",
     u"空行：数据行到此为止，保存时会删去它和它后面的 {0} 行"},
    {LoadFindingKind::EmptyLineRowsEnd,
     "empty line: the rows end here, and a save drops it and the {} lines after it",
     u"空行：数据行到此为止，保存时会删去它和它后面的 {0} 行"},
    {LoadFindingKind::NotSaveForm, "not in the form a save writes ({}); it will be saved as {}",
     nullptr}, // ProblemText writes it with its list of changes
    {LoadFindingKind::NameCut, "field {}: {} is longer than 127 characters and was cut to {}",
     u"第 {0} 个字段的 {1} 超过 127 个字符，已截为 {2}"},
    {LoadFindingKind::LabelCut, "the Label of {} is longer than 127 characters; it is shown cut",
     u"{0} 的 Label 超过 127 个字符，显示时截短"},
};

// Refusals whose reason has a Chinese form here; any other is given as the loader says it.
const Form kRefusals[] = {
    {LoadFindingKind::Refused, "the data file does not exist", u"数据文件不存在"},
    {LoadFindingKind::Refused, "the data file is not a regular file", u"数据文件不是普通文件"},
    {LoadFindingKind::Refused, "cannot open the data file: {}", u"无法打开数据文件：{0}"},
    {LoadFindingKind::Refused, "cannot read the data file", u"无法读取数据文件"},
    {LoadFindingKind::Refused, "the metadata file defines no fields", u"元数据文件没有定义任何字段"},
    {LoadFindingKind::Refused, "there is no tableList.xml in the data directory",
     u"数据目录中没有 tableList.xml"},
    {LoadFindingKind::Refused, "cannot read tableList.xml", u"无法读取 tableList.xml"},
    {LoadFindingKind::Refused, "entry {} has no FileName; it is skipped", u"第 {0} 项没有 FileName，已跳过"},
    {LoadFindingKind::Refused, "{} is listed again (first at line {}); the second entry is skipped",
     u"{0} 重复列出（第一次在第 {1} 行），后一项已跳过"},
};

// The parts of a NotSaveForm message's list of changes (tool/table.cpp).
const Form kChanges[] = {
    {LoadFindingKind::NotSaveForm, "{} \"{}\" becomes \"{}\"", u"{0} 由 \"{1}\" 变为 \"{2}\""},
    {LoadFindingKind::NotSaveForm, "{} missing", u"缺少 {0}"},
    {LoadFindingKind::NotSaveForm, "{} value after the last of the {} fields dropped",
     u"{1} 个字段之后的 {0} 个值被删去"},
    {LoadFindingKind::NotSaveForm, "{} values after the last of the {} fields dropped",
     u"{1} 个字段之后的 {0} 个值被删去"},
    {LoadFindingKind::NotSaveForm, "a string holds at most 1023 characters", u"字符串最多 1023 个字符"},
    {LoadFindingKind::NotSaveForm, "a list holds at most 64 values", u"列表最多 64 个值"},
    {LoadFindingKind::NotSaveForm, "a row holds at most 4095 characters", u"一行最多 4095 个字符"},
    {LoadFindingKind::NotSaveForm, "{} inside the line separates values like a tab",
     u"行内的{0}像制表符一样分隔值"},
    {LoadFindingKind::NotSaveForm, "{} inside the line separate values like a tab",
     u"行内的{0}像制表符一样分隔值"},
    {LoadFindingKind::NotSaveForm, "a space keeps the line from being read as a comment",
     u"行首加一个空格，以免被当作注释行"},
    {LoadFindingKind::NotSaveForm, "separators change", u"分隔符有变化"},
    {LoadFindingKind::NotSaveForm, "a CR LF is added at the end", u"末尾补上 CR LF"},
};

std::u16string Replaced(std::u16string text, const std::u16string& from, const std::u16string& to)
{
    for (std::size_t at = text.find(from); at != std::u16string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The list of changes of a NotSaveForm message, part by part ("; " between parts); a part of a
// form not known here stays as it is.
std::u16string ChangesText(const std::string& changes)
{
    std::u16string out;
    std::vector<std::string> values;
    for (std::size_t from = 0; from <= changes.size();)
    {
        std::size_t end = changes.find("; ", from);
        if (end == std::string::npos)
            end = changes.size();
        const std::string part = changes.substr(from, end - from);
        std::u16string text = scl::FromUtf8(part.c_str());
        for (const Form& form : kChanges)
            if (Match(part, form.english, values))
            {
                text = Fill(form.chinese, values);
                break;
            }
        text = Replaced(text, u"a lone CR (U+000D)", u"单独的 CR（U+000D）");
        text = Replaced(text, u"a lone LF (U+000A)", u"单独的 LF（U+000A）");
        text = Replaced(text, u"a zero character (U+0000)", u"零字符（U+0000）");
        text = Replaced(text, u"）, ", u"）、");
        text = Replaced(text, u"） and ", u"）和");
        out += (out.empty() ? u"" : u"；") + text;
        from = end + 2;
    }
    return out;
}

} // namespace

LoadFindingKind LoadFindingKindOf(const Problem& problem)
{
    if (problem.kind != Problem::LoadFinding)
        return LoadFindingKind::NotLoadFinding;
    if (problem.severity == Diagnostic::Error)
        return LoadFindingKind::Refused;
    std::vector<std::string> values;
    for (const Form& form : kWarnings)
        if (Match(problem.message, form.english, values))
            return form.kind;
    return LoadFindingKind::Other;
}

std::u16string ProblemText(const Problem& problem)
{
    switch (problem.kind)
    {
    case Problem::DuplicateId:
        return Fill(u"编号 {0} 与第 {1} 行的编号重复；行以编号区分",
                    {std::to_string(problem.rowId), std::to_string(problem.firstLine)});
    case Problem::DanglingLink:
    {
        const std::string table =
            problem.targetLabel.empty() ? problem.target : problem.targetLabel + "（" + problem.target + "）";
        return Fill(problem.inList ? u"列表中的值 {0} 不是表“{1}”中任何一行的编号"
                                   : u"值 {0} 不是表“{1}”中任何一行的编号",
                    {problem.value, table});
    }
    case Problem::MissingTable:
        return Fill(u"链接到表“{0}”，而 tableList.xml 中没有这个表", {problem.target});
    case Problem::LoadFinding:
    default:
        break;
    }
    std::vector<std::string> values;
    if (problem.severity == Diagnostic::Error)
    {
        std::u16string reason = scl::FromUtf8(problem.message.c_str());
        for (const Form& form : kRefusals)
            if (Match(problem.message, form.english, values))
            {
                reason = Fill(form.chinese, values);
                break;
            }
        return u"无法加载，保存时也不会写入：" + reason;
    }
    for (const Form& form : kWarnings)
        if (Match(problem.message, form.english, values))
        {
            if (form.kind == LoadFindingKind::NotSaveForm)
                return u"与保存时写出的形式不同（" + ChangesText(values[0]) + u"），将保存为 " +
                       scl::FromUtf8(values[1].c_str());
            return Fill(form.chinese, values);
        }
    return Fill(u"加载时发现的问题（{0}）", {problem.message});
}

std::u16string ProblemLine(const Problem& problem)
{
    const std::string where =
        problem.line > 0 ? problem.file + ":" + std::to_string(problem.line) : problem.file;
    return ProblemText(problem) + u"（" + scl::FromUtf8(where.c_str()) + u"）";
}

} // namespace tarn
