// Helpers of the table's file handling, shared by table.cpp, tableMetaData.cpp, tableFiles.cpp and
// tables.cpp: checks of a data file before it is read, message texts, and line numbers of XML
// files. Internal to the data model.
#ifndef TARN_TOOL_TABLEFILES_H
#define TARN_TOOL_TABLEFILES_H

#include <cstddef>
#include <string>

#include "base/string.h"

namespace tarn
{
namespace editor
{
namespace detail
{

constexpr int kPathUnits = 260;  // path buffers of the data and metadata files
constexpr int kNameMax = 127;    // names and labels (scl::stringT<char16_t,128>)
constexpr int kHeaderMax = 8191; // both header lines with their CR LF
constexpr int kMaxFields = 256;

inline std::string Utf8(const char16_t* s)
{
    return scl::ToUtf8(s);
}

// A text for messages, in double quotes: tabs, CRs, LFs and other control units escaped, long
// texts shortened.
std::string Quote(const char16_t* s, int length);
std::string Quote(const char16_t* s);
// strerror of err, or "unknown error" for 0.
std::string SystemError(int err);

// Copies name into a path buffer of kPathUnits units, then appends suffix (may be null) as far as
// room remains.
void BuildPath(char16_t (&path)[kPathUnits], const char16_t* name, const char16_t* suffix);

// Reads a whole file; false (with errno) when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// Checks the data file before it is opened with "a+b" (which would create a missing one): it
// must be a regular file, of an even size, starting with FF FE. Returns the problem, or "".
std::string ProbeDataFile(const std::string& path);

// Why a save would wreck the structure of the text [text, end) (UTF-16 after the mark), or ""
// when it would not; *line gets the line concerned. Checked: LF line ends without any CR LF (the
// reader would see one line), a lone CR or LF inside a header line or a comment line before them
// (only CR LF ends a line: rows would hide in the header, or a header line would be taken from
// the next line), and header lines longer than the header buffer.
std::string StructureProblem(const char16_t* text, const char16_t* end, int* line);

// Why the metadata generated from this data file would make a table that must be refused, or ""
// when it would make a usable one; *line gets the data file line concerned.
std::string GenerationProblem(const std::string& dataPath, int* line);

// The 1-based line of an XML file at which the parser's offset (into the document as parsed, that
// is converted to UTF-8) lies; 0 when unknown.
int XmlLine(const std::string& path, std::ptrdiff_t offset);

} // namespace detail
} // namespace editor
} // namespace tarn

#endif // TARN_TOOL_TABLEFILES_H
