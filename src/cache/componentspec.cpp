#include "componentspec.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// The first fields of a TAB-separated line, empty fields counting, "" past
// the last.
struct LineFields
{
    explicit LineFields(QStringView line) : line(line)
    {
        starts.fill(line.size() + 1);
        starts[0] = 0;
        const char16_t *chars = line.utf16();
        qsizetype tabs = 0;
        for (qsizetype i = 0; i < line.size() && tabs + 1 < qsizetype(starts.size()); ++i) {
            if (chars[i] == u'\t')
                starts[++tabs] = i + 1;
        }
    }

    QStringView operator[](int n) const
    {
        if (starts[n] > line.size())
            return {};
        const qsizetype end = std::min(starts[n + 1] - 1, line.size());
        return line.sliced(starts[n], end - starts[n]);
    }

    QStringView line;
    std::array<qsizetype, 6> starts; // fields 0 to 4 are ever read
};

QChar *put(QChar *out, QStringView text)
{
    if (!text.isEmpty())
        std::memcpy(static_cast<void *>(out), text.data(), text.size() * sizeof(QChar));
    return out + text.size();
}

} // namespace

ComponentSpec ComponentSpec::fromCacheLine(QStringView line)
{
    static constexpr char16_t Tail[] = u":0:1:1";
    constexpr qsizetype TailSize = std::size(Tail) - 1;
    const LineFields fields(line);
    const QStringView graphic = fields[0], x = fields[2], y = fields[3], z = fields[4];
    // Built at its final size: a cache file has a million of these.
    QString text(graphic.size() + x.size() + y.size() + z.size() + 3 + TailSize, Qt::Uninitialized);
    QChar *out = put(text.data(), graphic);
    *out++ = u':';
    out = put(out, x);
    *out++ = u':';
    out = put(out, y);
    *out++ = u':';
    out = put(out, z);
    put(out, QStringView(Tail, TailSize));
    return ComponentSpec(std::move(text));
}

ComponentSpec ComponentSpec::fromRecord(quint16 graphic, qint16 x, qint16 y, qint16 z)
{
    return ComponentSpec(QStringLiteral("%1:%2:%3:%4:0:1:1").arg(graphic).arg(x).arg(y).arg(z));
}

QStringView ComponentSpec::field(int n) const
{
    const QStringView text(specText);
    qsizetype start = 0;
    for (int i = 0; i < n; ++i) {
        const qsizetype colon = text.indexOf(u':', start);
        if (colon < 0)
            return {};
        start = colon + 1;
    }
    const qsizetype end = text.indexOf(u':', start);
    return text.sliced(start, (end < 0 ? text.size() : end) - start);
}
