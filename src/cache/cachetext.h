#pragma once

// Lines and fields of the multi cache text, on its bytes (UTF-8) or on text
// decoded from the encoding a byte order mark names (UTF-16), by one set of
// rules, those of QTextStream::readLine and QString::section:
// - a line ends at "\n", and one "\r" before it is dropped; the last line also
//   ends at the end of the data, where a final "\r" is dropped;
// - fields are separated by TAB; empty fields count, and a field past the
//   last TAB is empty.
// Line ends and TABs are ASCII, so they are found in UTF-8 bytes as they are:
// no multi-byte sequence holds such a byte.

#include "cache/decimaltext.h"

#include <QString>

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace CacheText {

inline constexpr char16_t Tab = u'\t';

template <typename Char> const Char *find(const Char *from, const Char *to, Char c)
{
    if constexpr (sizeof(Char) == 1) {
        const void *found = std::memchr(from, c, size_t(to - from));
        return found ? static_cast<const Char *>(found) : to;
    } else {
        return std::find(from, to, c);
    }
}

struct Line
{
    qsizetype start; // first character
    qsizetype end;   // past the last, line end excluded
    qsizetype next;  // start of the following line
};

// The line that starts at `at`; false when no line starts there.
template <typename Char> bool lineAt(const Char *data, qsizetype size, qsizetype at, Line *line)
{
    if (at >= size)
        return false;
    const Char *end = find(data + at, data + size, Char('\n'));
    qsizetype stop = end - data;
    line->start = at;
    line->next = stop < size ? stop + 1 : size;
    if (stop > at && data[stop - 1] == Char('\r'))
        --stop;
    line->end = stop;
    return true;
}

// The number of TABs in [from, to), counted no further than `limit`.
template <typename Char> int tabCount(const Char *from, const Char *to, int limit)
{
    int tabs = 0;
    for (const Char *at = find(from, to, Char(Tab)); at != to && tabs < limit;
         at = find(at + 1, to, Char(Tab)))
        ++tabs;
    return tabs;
}

// Field n of the line [from, to): its first and past-the-last character.
template <typename Char>
void field(const Char *from, const Char *to, int n, const Char **fieldFrom, const Char **fieldTo)
{
    const Char *start = from;
    for (int i = 0; i < n; ++i) {
        const Char *tab = find(start, to, Char(Tab));
        if (tab == to) {
            *fieldFrom = *fieldTo = to;
            return;
        }
        start = tab + 1;
    }
    *fieldFrom = start;
    *fieldTo = find(start, to, Char(Tab));
}

// UTF-8 as the whole text decodes it. A byte order mark is text here, where
// QString::fromUtf8 would drop one at the start.
inline QString decode(const char *from, const char *to)
{
    QString marks;
    while (to - from >= 3 && std::memcmp(from, "\xef\xbb\xbf", 3) == 0) {
        marks += QChar(0xfeff);
        from += 3;
    }
    return marks + QString::fromUtf8(from, to - from);
}

inline QString decode(const char16_t *from, const char16_t *to)
{
    return QString(reinterpret_cast<const QChar *>(from), to - from);
}

// Reads the line at `at` (there must be one) as a component line: the values
// of its fields 2 and 3 (X and Y) as fieldInt reads them. Returns the start of
// the following line. One pass over the line's characters, as a cache file is
// mostly such lines; data[size] must be a 0, as QByteArray and QString keep
// one after their data.
template <typename Char>
qsizetype componentXY(const Char *data, qsizetype size, qsizetype at, int *x, int *y);

// A field's value as QString::toInt gives it on the decoded field.
template <typename Char> int fieldInt(const Char *from, const Char *to)
{
    if (const std::optional<int> value = plainDecimal(from, to - from))
        return *value;
    return decode(from, to).toInt();
}

// The end of the field that starts at `p` in a line that ends at `lineEnd`.
template <typename Char> const Char *fieldEnd(const Char *p, const Char *lineEnd)
{
    return find(p, lineEnd, Char(Tab));
}

// The value of the field at `p` of a component line, cut by the line's own
// rules; where the next field starts.
template <typename Char>
Q_NEVER_INLINE const Char *slowNumber(const Char *data, qsizetype size, const Char *p, int *value)
{
    Line line;
    if (!lineAt(data, size, p - data, &line)) {
        *value = 0; // an empty field at the very end of the data
        return p;
    }
    const Char *lineEnd = data + line.end;
    const Char *from = std::min(p, lineEnd);
    const Char *to = find(from, lineEnd, Char(Tab));
    *value = fieldInt(from, to);
    return to;
}

// The value of the field at `p` of a component line; where the next field
// starts, or where the line ends.
template <typename Char>
Q_ALWAYS_INLINE const Char *readNumber(const Char *data, qsizetype size, const Char *p, int *value)
{
    // Plain decimal text up to a TAB or the line's end: the common case.
    const bool negative = *p == Char('-');
    const Char *const digits = p + negative;
    const Char *q = digits;
    unsigned number = 0;
    for (unsigned digit; (digit = unsigned(*q) - unsigned('0')) <= 9u && q - digits < 9; ++q)
        number = number * 10 + digit;
    const Char *const end = data + size;
    const Char c = *q;
    const bool ends = c == Char(Tab) || c == Char('\n') || q == end ||
                      (c == Char('\r') && (q + 1 == end || q[1] == Char('\n')));
    if (Q_LIKELY(ends && q != digits)) {
        *value = negative ? -int(number) : int(number);
        return q;
    }
    return slowNumber(data, size, p, value);
}

template <typename Char>
qsizetype componentXY(const Char *data, qsizetype size, qsizetype at, int *x, int *y)
{
    const Char *const end = data + size;
    const Char *p = data + at;
    *x = *y = 0;
    // Past fields 0 and 1.
    for (int tabs = 0; tabs < 2; ++p) {
        // Only TAB, line feed and the final 0 stop this loop early.
        while (std::make_unsigned_t<Char>(*p) > Char('\n'))
            ++p;
        if (p == end || *p == Char('\n'))
            return p == end ? size : p - data + 1; // no field 2: X and Y are 0
        if (*p == Char(Tab))
            ++tabs;
    }
    p = readNumber(data, size, p, x);
    if (p != end && *p == Char(Tab))
        p = readNumber(data, size, p + 1, y);
    while (p != end && *p != Char('\n'))
        ++p;
    return p == end ? size : p - data + 1;
}

} // namespace CacheText
