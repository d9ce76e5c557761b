// Findings about the data directory, as values: what loading found wrong (an error means the
// entry or table was refused and nothing of it will be written) or what the next save would
// change (a warning), and why a save failed.
#ifndef TARN_TOOL_DIAGNOSTIC_H
#define TARN_TOOL_DIAGNOSTIC_H

#include <string>

namespace tarn
{

struct Diagnostic
{
    enum Severity
    {
        Error,
        Warning
    };

    Severity severity = Error;
    std::string file; // UTF-8 path relative to the data directory, as tableList.xml gives it
    int line = 0;     // 1-based line in that file; 0 when no line applies
    std::string message;

    // "FILE:LINE: error: message" or "FILE:LINE: warning: message".
    std::string text() const
    {
        return file + ":" + std::to_string(line) + (severity == Error ? ": error: " : ": warning: ") +
               message;
    }
};

struct SaveFailure
{
    std::string file;   // UTF-8 data file name
    std::string reason; // names the file and the cause; the old file is intact
};

} // namespace tarn

#endif // TARN_TOOL_DIAGNOSTIC_H
