// JSON string literals, shared by tessel-cli's dump, diff and export.
#ifndef TARN_TOOL_JSONTEXT_H
#define TARN_TOOL_JSONTEXT_H

#include <string>

namespace tarn
{

// Appends utf8 to out as a JSON string in double quotes: non-ASCII text unescaped, quote,
// backslash and control characters escaped.
void AppendJsonUtf8(std::string& out, const std::string& utf8);

} // namespace tarn

#endif // TARN_TOOL_JSONTEXT_H
