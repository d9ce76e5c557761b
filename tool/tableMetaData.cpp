#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "base/assert.h"
#include "base/cpp/file.h"
#include "tool/table.h"
#include "tool/tableFiles.h"

// The metadata file: reading it (Table::LoadMetaData), checking that its fields can make rows
// (Table::checkFields), and generating it from a data file's header lines (ExtractMetaData).

namespace tarn
{
namespace editor
{
using namespace detail;

namespace
{

constexpr int kGeneratorLineUnits = 1024; // the metadata generator's line buffers

struct TypeName
{
    const char16_t* name;
    FIELD_TYPE type;
};
const TypeName kTypeNames[] = {
    {u"INT", FIELD_TYPE_INT},
    {u"UINT", FIELD_TYPE_UINT},
    {u"INT64", FIELD_TYPE_INT64},
    {u"UINT64", FIELD_TYPE_UINT64},
    {u"FLOAT", FIELD_TYPE_FLOAT},
    {u"STRING", FIELD_TYPE_STRING},
    {u"STRING_INT", FIELD_TYPE_STRING_INT},
    {u"STRING_FLOAT", FIELD_TYPE_STRING_FLOAT},
    {u"KEY_VALUE", FIELD_TYPE_STRING},
};

// The type of a type name, without the failed-check report of ConvertTypeStringToTypeValue:
// used to judge header lines before anything is generated from them.
FIELD_TYPE TypeOfName(const std::u16string& name)
{
    for (const TypeName& t : kTypeNames)
    {
        if (name == t.name)
            return t.type;
    }
    return FIELD_TYPE_INVALID;
}


// Copies text into a 127-unit member; false when it had to be cut.
bool CopyName(scl::stringT<char16_t, 128>& member, const std::u16string& text)
{
    const int length = static_cast<int>(text.size());
    const int n = text::CutLength(text.c_str(), length, kNameMax);
    member = text.substr(0, static_cast<size_t>(n)).c_str();
    return n == length;
}

// The first two lines as the metadata generator takes them from [text, end): each up to and
// including its LF, or 1023 units, whichever comes first; comment lines are not skipped.
void GeneratorLines(const char16_t* text, const char16_t* end, char16_t (&line1)[kGeneratorLineUnits],
                    char16_t (&line2)[kGeneratorLineUnits])
{
    const char16_t* p = text;
    for (char16_t* line : {line1, line2})
    {
        int n = 0;
        while (p < end && n < kGeneratorLineUnits - 1)
        {
            const char16_t c = *p++;
            line[n++] = c;
            if (c == u'\n')
                break;
        }
        line[n] = 0;
    }
}

// Splits s at tabs like a tokenizer: a run of tabs is one separator, none at either end.
std::vector<std::u16string> Tokens(const char16_t* s)
{
    std::vector<std::u16string> out;
    const char16_t* p = s;
    for (;;)
    {
        while (*p == u'\t')
            ++p;
        if (*p == 0)
            return out;
        const char16_t* start = p;
        while (*p != 0 && *p != u'\t')
            ++p;
        out.emplace_back(start, p);
    }
}

std::u16string Trimmed(std::u16string s)
{
    s.push_back(0);
    scl::pstringT<char16_t> view(&s[0], static_cast<int>(s.size()));
    view.trim_right();
    view.trim_left();
    return std::u16string(view.c_str());
}

struct HeaderColumn
{
    std::u16string name;
    std::u16string type;
};

// The name/type pairs that the generator makes fields of: names from the first line, type names
// from the second, each trimmed, as many as both lines have.
std::vector<HeaderColumn> HeaderColumns(const char16_t* line1, const char16_t* line2)
{
    const std::vector<std::u16string> names = Tokens(line1);
    const std::vector<std::u16string> types = Tokens(line2);
    std::vector<HeaderColumn> columns;
    for (size_t i = 0; i < names.size() && i < types.size(); ++i)
        columns.push_back({Trimmed(names[i]), Trimmed(types[i])});
    return columns;
}

} // namespace

namespace detail
{

std::string GenerationProblem(const std::string& dataPath, int* line)
{
    *line = 0;
    std::string problem = ProbeDataFile(dataPath);
    if (!problem.empty())
        return problem;
    std::string bytes;
    if (!ReadWholeFile(dataPath, bytes))
        return "cannot read the data file: " + SystemError(errno);
    std::u16string text(bytes.size() / 2 - 1, u'\0');
    std::memcpy(&text[0], bytes.data() + 2, text.size() * 2);
    const char16_t* begin = text.c_str();
    const char16_t* end = begin + text.size();
    problem = StructureProblem(begin, end, line);
    if (!problem.empty())
        return problem;

    char16_t line1[kGeneratorLineUnits];
    char16_t line2[kGeneratorLineUnits];
    GeneratorLines(begin, end, line1, line2);
    const std::vector<HeaderColumn> columns = HeaderColumns(line1, line2);
    *line = 2;
    if (columns.empty())
        return "the header lines name no column";
    if (columns.size() > static_cast<size_t>(kMaxFields))
        return "the header lines name " + std::to_string(columns.size()) +
               " columns; a table holds at most 256";
    for (size_t i = 0; i < columns.size(); ++i)
    {
        if (TypeOfName(columns[i].type) == FIELD_TYPE_INVALID)
            return "column " + std::to_string(i + 1) + " (" + Quote(columns[i].name.c_str()) +
                   ") has the type " + Quote(columns[i].type.c_str()) + ", which is no field type";
    }
    if (TypeOfName(columns[0].type) != FIELD_TYPE_INT)
        return "the first column holds the id and must be INT, not " + Quote(columns[0].type.c_str());
    if (columns.size() < 2)
        return "the second column must hold the display name, but there is only one column";
    if (TypeOfName(columns[1].type) != FIELD_TYPE_STRING)
        return "the second column holds the display name and must be STRING or KEY_VALUE, not " +
               Quote(columns[1].type.c_str());
    *line = 0;
    return std::string();
}

} // namespace detail

void ExtractMetaData(const char16_t* metaPath, const char16_t* dataPath)
{
    scl::File file;
    file.Open(dataPath, "a+b");
    if (!file.IsOpen())
    {
        SCL_ASSERT(false);
        return;
    }
    file.SkipBOM();

    // Two lines of at most 1023 units each cannot need more than this.
    char16_t text[2 * (kGeneratorLineUnits - 1)];
    const size_t got = file.Read(text, sizeof(text)) / sizeof(char16_t);
    char16_t line1[kGeneratorLineUnits];
    char16_t line2[kGeneratorLineUnits];
    GeneratorLines(text, text + got, line1, line2);

    pugi::xml_document doc;
    pugi::xml_node table = doc.append_child("Table");
    table.append_attribute("IdFieldIndex") = 0;
    table.append_attribute("NameFieldIndex") = 1;
    for (const HeaderColumn& column : HeaderColumns(line1, line2))
    {
        const std::string name = Utf8(column.name.c_str());
        const std::string type = Utf8(column.type.c_str());
        std::printf("name = %s, type = %s\n", name.c_str(), type.c_str());
        pugi::xml_node field = table.append_child("Field");
        field.append_attribute("Type") = type.c_str();
        field.append_attribute("Name") = name.c_str();
        field.append_attribute("CodeVarName") = name.c_str();
        field.append_attribute("LinkTableName") = "";
        field.append_attribute("IsMulti") = "false";
    }
    std::fflush(stdout);
    // A failure to save shows as a missing file in the LoadMetaData that follows.
    doc.save_file(Utf8(metaPath).c_str(), "\t", pugi::format_default | pugi::format_write_bom,
                  pugi::encoding_utf16_le);
    file.Close();
}

void Table::LoadMetaData(const char16_t* metaPath)
{
    const std::string path = Utf8(metaPath);
    m_metaError.clear();
    m_metaErrorLine = 0;
    m_tooManyFields = false;

    pugi::xml_document doc;
    const pugi::xml_parse_result result = doc.load_file(path.c_str());
    if (!result)
    {
        SCL_ASSERT(false);
        switch (result.status)
        {
        case pugi::status_file_not_found:
            m_metaError = "the metadata file does not exist";
            break;
        case pugi::status_io_error:
            m_metaError = "cannot read the metadata file";
            break;
        default:
            m_metaError = std::string("the metadata file is not well-formed XML: ") + result.description();
            m_metaErrorLine = detail::XmlLine(path, result.offset);
            break;
        }
        return;
    }

    m_fields.clear();
    m_fieldSources.clear();
    const pugi::xml_node root = doc.first_child();
    m_idFieldIndex = ParseIndex(root.attribute("IdFieldIndex").value());
    m_nameFieldIndex = ParseIndex(root.attribute("NameFieldIndex").value());

    std::vector<std::pair<std::ptrdiff_t, std::string>> cutNames; // (offset, message)
    for (pugi::xml_node node = root.first_child(); node; node = node.next_sibling())
    {
        Field field;
        std::u16string type = scl::FromUtf8(node.attribute("Type").value());
        field.m_type = ConvertTypeStringToTypeValue(scl::pstringT<char16_t>(
            &type[0] /* size() + 1 units, terminator included */, static_cast<int>(type.size()) + 1));
        const int number = m_fields.size();
        struct
        {
            const char* attribute;
            scl::stringT<char16_t, 128>* member;
        } texts[] = {{"Name", &field.m_name},
                     {"CodeVarName", &field.m_codeVarName},
                     {"LinkTableName", &field.m_linkTableName}};
        for (const auto& t : texts)
        {
            if (!CopyName(*t.member, scl::FromUtf8(node.attribute(t.attribute).value())))
                cutNames.emplace_back(node.offset_debug(),
                                      "field " + std::to_string(number) + ": " + t.attribute +
                                          " is longer than 127 characters and was cut to " +
                                          Quote(t.member->c_str()));
        }
        const char first = node.attribute("IsMulti").value()[0];
        field.m_isMulti = first != 0 && std::strchr("1tTyY", first) != nullptr;
        if (!m_fields.push_back(field))
        {
            m_tooManyFields = true;
            continue;
        }
        m_fieldSources.push_back({node.offset_debug(), node.attribute("Type").value()});
    }
    for (const auto& cut : cutNames)
        warn(path, detail::XmlLine(path, cut.first), cut.second);
}

int Table::ParseIndex(const char* text)
{
    // Like a base-10 long of 32 bits: white space skipped, stops at the first non-digit,
    // no number gives 0, out of range gives the nearest limit.
    errno = 0;
    const long long v = std::strtoll(text, nullptr, 10);
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

bool Table::checkFields(const std::string& metaFile)
{
    if (!m_metaError.empty())
        return refuse(metaFile, m_metaErrorLine, m_metaError);
    if (m_tooManyFields)
        return refuse(metaFile, 0, "the metadata file has more than 256 fields; a table holds at most 256");
    const int count = m_fields.size();
    if (count == 0)
        return refuse(metaFile, 0, "the metadata file defines no fields");

    auto lineOf = [&](int i)
    {
        return i < static_cast<int>(m_fieldSources.size())
                   ? detail::XmlLine(metaFile, m_fieldSources[i].offset)
                   : 0;
    };
    auto describe = [&](int i)
    {
        return "field " + std::to_string(i) + " (" + Quote(m_fields.m_data[i].m_name.c_str()) + ", " +
               FieldTypeName(m_fields.m_data[i].m_type) + ")";
    };
    for (int i = 0; i < count; ++i)
    {
        const FIELD_TYPE type = m_fields.m_data[i].m_type;
        if (type < FIELD_TYPE_INT || type > FIELD_TYPE_STRING_FLOAT)
        {
            const std::string typeName =
                i < static_cast<int>(m_fieldSources.size()) ? m_fieldSources[i].typeName : std::string();
            return refuse(
                metaFile, lineOf(i),
                "field " + std::to_string(i) + " (" + Quote(m_fields.m_data[i].m_name.c_str()) +
                    ") has the type \"" + typeName +
                    "\", which is no field type (INT, UINT, INT64, UINT64, FLOAT, STRING, KEY_VALUE, "
                    "STRING_INT, STRING_FLOAT)");
        }
    }
    if (m_idFieldIndex < 0 || m_idFieldIndex >= count)
        return refuse(metaFile, 0,
                      "IdFieldIndex is " + std::to_string(m_idFieldIndex) +
                          ", but the fields are numbered 0 to " + std::to_string(count - 1));
    if (m_fields.m_data[m_idFieldIndex].m_type != FIELD_TYPE_INT)
        return refuse(metaFile, lineOf(m_idFieldIndex),
                      "IdFieldIndex names " + describe(m_idFieldIndex) + "; the id field must be INT");
    if (m_nameFieldIndex < 0 || m_nameFieldIndex >= count)
        return refuse(metaFile, 0,
                      "NameFieldIndex is " + std::to_string(m_nameFieldIndex) +
                          ", but the fields are numbered 0 to " + std::to_string(count - 1));
    if (m_fields.m_data[m_nameFieldIndex].m_type != FIELD_TYPE_STRING)
        return refuse(metaFile, lineOf(m_nameFieldIndex),
                      "NameFieldIndex names " + describe(m_nameFieldIndex) +
                          "; the name field must be STRING or KEY_VALUE");
    return true;
}

} // namespace editor
} // namespace tarn
