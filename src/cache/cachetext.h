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

// QString::toInt of a field that is not a plain decimal.
template <typename Char> Q_NEVER_INLINE int otherFieldInt(const Char *from, const Char *to)
{
    return decode(from, to).toInt();
}

// A field's value as QString::toInt gives it on the decoded field; plain
// decimals, a cache file's X and Y a million times over, read on the spot.
template <typename Char> Q_ALWAYS_INLINE int fieldInt(const Char *from, const Char *to)
{
    if (const std::optional<int> value = plainDecimal(from, to - from))
        return *value;
    return otherFieldInt(from, to);
}

// A line and where its first fields start.
struct LineFields
{
    qsizetype end;      // past its last character, line end excluded
    qsizetype next;     // start of the following line
    bool ended;         // by a line feed (else by the end of the data given)
    int tabs;           // counted up to 7
    qsizetype start[8]; // field n starts at start[n], for n <= tabs
};

// Reads the line that starts at `at` < `size`: its end, its fields' starts.
template <typename Char>
void readLine(const Char *data, qsizetype size, qsizetype at, LineFields *line)
{
    const qsizetype feed = find(data + at, data + size, Char('\n')) - data;
    line->ended = feed < size;
    line->next = line->ended ? feed + 1 : size;
    line->end = feed > at && data[feed - 1] == Char('\r') ? feed - 1 : feed;
    line->tabs = 0;
    line->start[0] = at;
    for (qsizetype p = at; p < line->end && line->tabs < 7; ++p) {
        if (data[p] == Char(Tab))
            line->start[++line->tabs] = p + 1;
    }
}

// fieldInt of field n of a line ("" past its last TAB).
template <typename Char> int lineField(const Char *data, const LineFields &line, int n)
{
    if (n > line.tabs)
        return 0;
    return fieldInt(data + line.start[n],
                    data + (n < line.tabs ? line.start[n + 1] - 1 : line.end));
}

// X and Y (fields 2 and 3) of the component line at `at` < `size`; the start
// of the next line, and whether a line feed ended this one. A cache file is
// mostly such lines: the line feed is found with memchr and no TAB is looked
// for past the fourth.
template <typename Char>
Q_ALWAYS_INLINE qsizetype componentXY(const Char *data, qsizetype size, qsizetype at, int *x,
                                      int *y, bool *ended)
{
    const Char *const feed = find(data + at, data + size, Char('\n'));
    *ended = feed != data + size;
    const Char *const end = feed > data + at && feed[-1] == Char('\r') ? feed - 1 : feed;
    const Char *start[5];
    int tabs = 0;
    for (const Char *p = data + at; p < end && tabs < 4; ++p) {
        if (*p == Char(Tab))
            start[++tabs] = p + 1;
    }
    *x = tabs >= 2 ? fieldInt(start[2], tabs >= 3 ? start[3] - 1 : end) : 0;
    *y = tabs >= 3 ? fieldInt(start[3], tabs >= 4 ? start[4] - 1 : end) : 0;
    return *ended ? feed - data + 1 : size;
}

} // namespace CacheText
