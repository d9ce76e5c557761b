// The data check's findings (tool/tableCheck.h) in Chinese, for the editor's pane "问题";
// tessel-cli prints the English `Problem::message` and nothing here changes it.
//
// Link and id findings are written from the values the check keeps in the Problem. Load findings
// carry only the loader's English message, so their kind and values are read back from the
// message's known forms; a form not known here is shown with the English text as detail.
#ifndef TARN_TOOL_PROBLEM_TEXT_H
#define TARN_TOOL_PROBLEM_TEXT_H

#include <string>

#include "tool/tableCheck.h"

namespace tarn
{

// What a load finding says, as far as its message tells.
enum class LoadFindingKind
{
    NotLoadFinding,   // the problem is a link or id finding
    Refused,          // an error: the table or entry was not loaded
    CommentLine,      // one comment line a save drops
    CommentLines,     // a run of comment lines a save drops
    HeaderZero,       // a header line holding U+0000
    NoFinalCrLf,      // the file's last line has no CR LF
    ShortHeader,      // the file ends before a header line
    EmptyLineAtEnd,   // an empty last line
    EmptyLineRowsEnd, // an empty line that ends the rows
    NotSaveForm,      // a row a save writes in another form
    NameCut,          // a metadata name cut to 127 characters
    LabelCut,         // a table list label cut to 127 characters
    Other             // a warning of a form not known here
};

LoadFindingKind LoadFindingKindOf(const Problem& problem);

// The finding in Chinese, without its file and line (the pane shows them apart).
std::u16string ProblemText(const Problem& problem);
// ProblemText followed by where it is: "……（FILE:LINE）", or "（FILE）" where no line applies.
std::u16string ProblemLine(const Problem& problem);

} // namespace tarn

#endif // TARN_TOOL_PROBLEM_TEXT_H
