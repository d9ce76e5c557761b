// Fixed-capacity strings and the formatting they use.
//
// stringT<T,N> keeps its characters inside the object: at most N - 1 characters, a terminator,
// and zeros in every unit after the terminator (the hash table hashes the whole object).
// pstringT<T> is a non-owning view of a caller's buffer together with its capacity.
// Wide text is UTF-16 (char16_t).
#ifndef SCL_BASE_STRING_H
#define SCL_BASE_STRING_H

#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

namespace scl
{

// Length of a zero-terminated string; 0 for null.
template <class T> int str_length(const T* s)
{
    if (s == nullptr)
        return 0;
    int n = 0;
    while (s[n] != T(0))
        ++n;
    return n;
}

// strncmp-like comparison of at most maxCount units; a null string orders before any other.
template <class T> int str_compare(const T* a, const T* b, int maxCount)
{
    if (a == b)
        return 0;
    if (a == nullptr)
        return -1;
    if (b == nullptr)
        return 1;
    for (int i = 0; i < maxCount; ++i)
    {
        using U = typename std::make_unsigned<T>::type;
        const U ca = static_cast<U>(a[i]);
        const U cb = static_cast<U>(b[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
    return 0;
}

// printf subset into a fixed buffer: %d %i %u %x %X %o %c %% %s %p, %f %e %E %g %G, flags
// "-+ 0#", width and precision (also "*"), length modifiers hh h l ll z j and I64 (64-bit).
// In the UTF-16 form %s and %ls take const char16_t* and %hs takes UTF-8 const char*; in the
// narrow form %s takes const char* and %ls const char16_t* (written as UTF-8). A null string
// prints "(null)". Floating-point output equals C's printf. Writes at most maxCount units
// including the terminator (the rest is cut), always terminates when maxCount > 0, and returns
// the number of units written without the terminator.
int vformat(char16_t* buf, int maxCount, const char16_t* fmt, va_list ap);
int vformat(char* buf, int maxCount, const char* fmt, va_list ap);

// UTF-16 <-> UTF-8. Unpaired surrogates and malformed UTF-8 become U+FFFD. Null gives "".
std::string ToUtf8(const char16_t* s);
std::string ToUtf8(const char16_t* s, int count);
std::u16string FromUtf8(const char* s);

namespace detail
{
template <class T> inline bool IsSpace(T c)
{
    return c == T(' ') || c == T('\t') || c == T('\n') || c == T('\r') || c == T('\v') || c == T('\f');
}
} // namespace detail

// A view of a character buffer the caller owns: the pointer (may be null) and the capacity in
// units including the terminator.
template <class T> struct pstringT
{
    T* m_ptr;
    int m_maxCount;

    pstringT() : m_ptr(nullptr), m_maxCount(0) {}
    pstringT(T* buf, int maxCount) : m_ptr(buf), m_maxCount(buf ? maxCount : 0) {}
    // A view of an existing string; its capacity is its length plus one.
    explicit pstringT(const T* s) : m_ptr(const_cast<T*>(s)), m_maxCount(s ? str_length(s) + 1 : 0) {}

    // True when both are non-null and equal over at most m_maxCount units.
    bool operator==(const T* s) const
    {
        return m_ptr != nullptr && s != nullptr &&
               str_compare(m_ptr, static_cast<const T*>(s), m_maxCount) == 0;
    }
    bool operator!=(const T* s) const { return !(*this == s); }

    // Formats into the buffer from its start, cutting what does not fit. Returns units written.
    int format(const T* fmt, ...)
    {
        va_list ap;
        va_start(ap, fmt);
        const int n = vformat_at(0, fmt, ap);
        va_end(ap);
        return n;
    }

    // Formats after the current text. When fewer than 2 units of room remain nothing is written
    // and the result is 0.
    int format_append(const T* fmt, ...)
    {
        const int len = length();
        if (m_maxCount - len - 1 <= 0)
            return 0;
        va_list ap;
        va_start(ap, fmt);
        const int n = vformat_at(len, fmt, ap);
        va_end(ap);
        return n;
    }

    // Removes white space at the end in place.
    void trim_right()
    {
        if (m_ptr == nullptr)
            return;
        int len = length();
        while (len > 0 && detail::IsSpace(m_ptr[len - 1]))
            --len;
        if (len < m_maxCount)
            m_ptr[len] = T(0);
    }

    // Removes white space at the start in place, moving the rest (and its terminator) to the front.
    void trim_left()
    {
        if (m_ptr == nullptr)
            return;
        const int len = length();
        int skip = 0;
        while (skip < len && detail::IsSpace(m_ptr[skip]))
            ++skip;
        if (skip == 0)
            return;
        std::memmove(m_ptr, m_ptr + skip, sizeof(T) * static_cast<size_t>(len - skip));
        m_ptr[len - skip] = T(0);
    }

    // Units before the terminator, never more than m_maxCount.
    int length() const
    {
        if (m_ptr == nullptr)
            return 0;
        int n = 0;
        while (n < m_maxCount && m_ptr[n] != T(0))
            ++n;
        return n;
    }
    T* c_str() const { return m_ptr; }
    int max_size() const { return m_maxCount; }

private:
    int vformat_at(int offset, const T* fmt, va_list ap)
    {
        if (m_ptr == nullptr || m_maxCount <= 0 || fmt == nullptr)
            return 0;
        const int n = vformat(m_ptr + offset, m_maxCount - offset, fmt, ap);
        m_ptr[m_maxCount - 1] = T(0);
        return n;
    }
};

// A string of at most N - 1 units stored inside the object, followed by two zero words.
// Every unit after the terminator is kept zero by the members below.
template <class T, int N> struct stringT
{
    static_assert(N > 0, "stringT needs room for its terminator");

    T m_data[N];
    std::uint32_t m_zero[2];

    stringT() { clear(); }
    stringT(const T* s)
    {
        clear();
        *this = s;
    }
    stringT(const stringT&) = default;
    stringT& operator=(const stringT&) = default;

    // Copies s in; null leaves the string unchanged, a longer source is cut to N - 1 units.
    stringT& operator=(const T* s)
    {
        if (s == nullptr)
            return *this;
        int n = 0;
        if (s >= m_data && s < m_data + N)
        {
            // Self-assignment from the own buffer (or a suffix of it).
            n = 0;
            while (n < N - 1 && s[n] != T(0))
                ++n;
            std::memmove(m_data, s, sizeof(T) * static_cast<size_t>(n));
        }
        else
        {
            while (n < N - 1 && s[n] != T(0))
            {
                m_data[n] = s[n];
                ++n;
            }
        }
        zero_from(n);
        return *this;
    }

    const T* c_str() const { return m_data; }
    T* data() { return m_data; }
    int length() const
    {
        int n = 0;
        while (n < N - 1 && m_data[n] != T(0))
            ++n;
        return n;
    }
    static constexpr int max_size() { return N; }
    void clear()
    {
        std::memset(m_data, 0, sizeof(m_data));
        m_zero[0] = 0;
        m_zero[1] = 0;
    }
    bool empty() const { return m_data[0] == T(0); }

    bool operator==(const T* s) const { return s != nullptr && str_compare(m_data, s, N) == 0; }
    bool operator!=(const T* s) const { return !(*this == s); }
    bool operator==(const stringT& o) const { return str_compare(m_data, o.m_data, N) == 0; }
    bool operator!=(const stringT& o) const { return !(*this == o); }

    // Formats from the start, cutting to N - 1 units. Returns units written.
    int format(const T* fmt, ...)
    {
        va_list ap;
        va_start(ap, fmt);
        const int n = (fmt != nullptr) ? vformat(m_data, N, fmt, ap) : 0;
        va_end(ap);
        zero_from(length());
        return n;
    }

    // Formats after the current text; 0 and nothing written when fewer than 2 units are free.
    int format_append(const T* fmt, ...)
    {
        const int len = length();
        if (N - len - 1 <= 0 || fmt == nullptr)
            return 0;
        va_list ap;
        va_start(ap, fmt);
        const int n = vformat(m_data + len, N - len, fmt, ap);
        va_end(ap);
        zero_from(len + n);
        return n;
    }

    // Appends at most count units of s (all of it when count < 0), as many as are free.
    // Returns the number of units appended.
    int append(const T* s, int count = -1)
    {
        if (s == nullptr)
            return 0;
        const int len = length();
        int n = 0;
        while (len + n < N - 1 && (count < 0 || n < count) && s[n] != T(0))
        {
            m_data[len + n] = s[n];
            ++n;
        }
        zero_from(len + n);
        return n;
    }

    // A view of the whole buffer (capacity N).
    pstringT<T> pstr() { return pstringT<T>(m_data, N); }

private:
    void zero_from(int n)
    {
        std::memset(m_data + n, 0, sizeof(T) * static_cast<size_t>(N - n));
        m_zero[0] = 0;
        m_zero[1] = 0;
    }
};

} // namespace scl

#endif // SCL_BASE_STRING_H
