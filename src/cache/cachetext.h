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

inline QString decode(const char *from, const char *to)
{
    return QString::fromUtf8(from, to - from);
}

inline QString decode(const char16_t *from, const char16_t *to)
{
    return QString(reinterpret_cast<const QChar *>(from), to - from);
}

// A field's value as QString::toInt gives it on the decoded field.
template <typename Char> int fieldInt(const Char *from, const Char *to)
{
    if (const std::optional<int> value = plainDecimal(from, to - from))
        return *value;
    return decode(from, to).toInt();
}

} // namespace CacheText
