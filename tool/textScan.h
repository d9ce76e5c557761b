// Scanners over UTF-16 text for the data file's reader: the units that end a line or a value, and
// the line feeds of a stretch of text. They look at many units per step -- sixteen with AVX2 where
// the processor has it (decided once, at the first call), eight with SSE2, one elsewhere -- since
// every unit of a data file passes through them on load.
//
// Each reads only the units it is allowed to (see each function): a caller may scan text that ends
// right at the end of its buffer. Stateless and thread-safe.
#ifndef TARN_TOOL_TEXTSCAN_H
#define TARN_TOOL_TEXTSCAN_H

#include <cstddef>

namespace tarn
{
namespace scan
{

// The first CR, LF or zero unit in [p, end), or end. Reads nothing at or past end.
char16_t* FindBreak(char16_t* p, char16_t* end);
// The first tab, CR, LF or zero unit from p on. One such unit must lie before limit; nothing at or
// past limit is read.
char16_t* FindValueEnd(char16_t* p, const char16_t* limit);
// The number of LF units in [p, end).
std::size_t CountLineFeeds(const char16_t* p, const char16_t* end);

namespace detail
{
// The same at a fixed width, for tests: 1 (unit by unit), 8 (SSE2) or 16 (AVX2). A width the
// build or the processor lacks falls back to the next narrower one.
char16_t* FindBreak(char16_t* p, char16_t* end, int width);
char16_t* FindValueEnd(char16_t* p, const char16_t* limit, int width);
std::size_t CountLineFeeds(const char16_t* p, const char16_t* end, int width);
} // namespace detail

} // namespace scan
} // namespace tarn

#endif // TARN_TOOL_TEXTSCAN_H
