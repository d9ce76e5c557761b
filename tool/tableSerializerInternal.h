// Shared by the serializer's sources (tableSerializer.cpp: the file, its lines and the per-value
// transfers; rowReader.cpp: a line's values into cells; rowWriter.cpp: cells into a line): the
// report helper and the value readers and writers both halves use. Not for other callers: include
// tool/tableSerializer.h.
#ifndef TARN_TOOL_TABLESERIALIZERINTERNAL_H
#define TARN_TOOL_TABLESERIALIZERINTERNAL_H

#include "base/assert.h"
#include "tool/cell.h"
#include "tool/tableSerializer.h"

namespace tarn
{
namespace serializer
{

// The function the value transfers report under.
inline constexpr char kSetFunction[] = "tarn::TableSerializer::set";

// A failed check at file:line under a literal function name whose message is printf-formatted
// here (the report routine takes the message's format and arguments, not a va_list).
void Report(const char* file, int line, const char* function, const char* expression, const char* format, ...)
    __attribute__((format(printf, 5, 6)));

// Splits [first, last) at "|" like a tokenizer: runs of bars are one separator, bars at either
// end give nothing.
template <class Add> void ForEachPiece(const char16_t* first, const char16_t* last, Add add)
{
    const char16_t* p = first;
    for (;;)
    {
        while (p < last && *p == u'|')
            ++p;
        if (p >= last)
            return;
        const char16_t* start = p;
        while (p < last && *p != u'|')
            ++p;
        add(start, p);
    }
}

} // namespace serializer

// An empty value or one that is not exactly a number, counted in m_readIssues.
inline void TableSerializer::noteNumber(bool exact, bool empty)
{
    if (empty)
        ++m_readIssues.emptyNumbers;
    else if (!exact)
        ++m_readIssues.inexactNumbers;
}

inline void TableSerializer::appendSeparator(char16_t separator)
{
    if (m_writeLength >= kMaxRowText)
        return;
    m_writeBuffer.data()[m_writeLength++] = separator;
    m_writeBuffer.data()[m_writeLength] = 0;
}

inline void TableSerializer::appendNumber(const char16_t* number, int count)
{
    appendText(number, count, false);
}

// The next value of the line into `value` (an empty or missing value leaves it as it is).
template <class T, class Parse> void TableSerializer::readNumber(T& value, Parse parse)
{
    const char16_t* token = NextToken();
    if (token == nullptr)
        return;
    noteNumber(parse(token, m_readPos, value), token == m_readPos);
    FinishToken();
}

// The next value of the line split at "|", each piece appended after the count values that
// values[0, capacity) holds already (a piece beyond the capacity is reported under pushName and
// dropped). False when the line has no value left (nothing changes).
template <class T, class Parse>
bool TableSerializer::readList(T* values, int& count, int capacity, int line, const char* pushName,
                               Parse parse)
{
    const char16_t* token = NextToken();
    if (token == nullptr)
        return false;
    serializer::ForEachPiece(token, m_readPos,
                             [&](const char16_t* first, const char16_t* last)
                             {
                                 T v{};
                                 noteNumber(parse(first, last, v), false);
                                 if (count >= capacity)
                                 {
                                     scl::detail::AssertFailedNamed(__FILE__, pushName, line, "0");
                                     ++m_readIssues.droppedElements;
                                     return;
                                 }
                                 values[count++] = v;
                             });
    FinishToken();
    return true;
}

template <class Format, class T> void TableSerializer::writeNumber(T value, Format format)
{
    char16_t number[text::kNumberTextCapacity];
    appendNumber(number, format(number, value));
    appendSeparator(u'\t');
}

// The lists' writers are instantiated once, in rowWriter.cpp, where the text appender is
// specialised for numbers; a copy made here for the set overloads could be the one the linker keeps.
extern template void TableSerializer::writeList<int, int (*)(char16_t*, int)>(const int*, int,
                                                                              int (*)(char16_t*, int));
extern template void TableSerializer::writeList<float, int (*)(char16_t*, float)>(const float*, int,
                                                                                  int (*)(char16_t*, float));

} // namespace tarn

#endif // TARN_TOOL_TABLESERIALIZERINTERNAL_H
