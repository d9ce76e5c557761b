// CSV (RFC 4180) and TSV text as spreadsheets write it: reading into records of fields with the
// line and column of each, and writing single fields. UTF-8 only; no state.
#ifndef TARN_TOOL_DELIMITEDTEXT_H
#define TARN_TOOL_DELIMITEDTEXT_H

#include <string>
#include <vector>

namespace tarn
{

struct DelimitedField
{
    std::string text; // UTF-8, quotes removed
    int line = 0;     // 1-based line where the field starts
    int column = 0;   // 1-based position of the field in its record
};

struct DelimitedRecord
{
    int line = 0;
    std::vector<DelimitedField> fields;
};

// Where and why the text cannot be read; the message is for the user (Chinese).
struct DelimitedProblem
{
    int line = 0;
    int column = 0;
    std::string message;
};

// Reads the whole text: an optional UTF-8 byte-order mark, records ending in CR LF or LF (the
// last one may lack it), fields separated by `separator`, a field in double quotes may hold the
// separator, line ends and doubled quotes. Empty lines are skipped. Refused (false, the first
// problem in `problem`): a quote inside an unquoted field, text after a closing quote, a quote
// that is never closed, bytes that are not UTF-8.
bool ReadDelimited(const std::string& bytes, char separator, std::vector<DelimitedRecord>& records,
                   DelimitedProblem& problem);

// The separator of a file: tab for a name ending in ".tsv" or ".tab", comma for ".csv", else tab
// when the first line holds a tab, else comma.
char GuessSeparator(const std::string& path, const std::string& bytes);

// Appends one field, in double quotes (inner quotes doubled) when it holds the separator, a
// quote, CR or LF, or starts or ends with a blank; as it is otherwise.
void AppendDelimitedField(std::string& out, const std::string& utf8, char separator);

} // namespace tarn

#endif // TARN_TOOL_DELIMITEDTEXT_H
