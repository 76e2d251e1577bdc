#include "cacheloader.h"

#include <QTextStream>

#include <algorithm>
#include <array>

namespace {

constexpr QChar Tab = u'\t';

// Field n of a TAB-separated line, empty fields counting, "" past the last.
struct Fields
{
    explicit Fields(QStringView line) : line(line)
    {
        starts.fill(line.size() + 1);
        starts[0] = 0;
        qsizetype from = 0;
        for (int i = 1; i < int(starts.size()); ++i) {
            const qsizetype tab = line.indexOf(Tab, from);
            if (tab < 0)
                break;
            starts[i] = from = tab + 1;
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

QString specOf(const Fields &fields)
{
    QString spec;
    spec.reserve(fields.line.size() + 6);
    spec.append(fields[0]).append(u':').append(fields[2]).append(u':');
    spec.append(fields[3]).append(u':').append(fields[4]).append(u":0:1:1");
    return spec;
}

} // namespace

QString componentSpec(QStringView line)
{
    return specOf(Fields(line));
}

QList<CacheEntry> loadCacheEntries(QIODevice *device)
{
    QList<CacheEntry> entries;
    QTextStream stream(device);
    QString line;
    while (stream.readLineInto(&line)) {
        if (line.count(Tab) != 6)
            continue;

        const int count = Fields(line)[2].toInt();
        int minX = CacheBoundsStart, minY = CacheBoundsStart;
        int maxX = -CacheBoundsStart, maxY = -CacheBoundsStart;
        QStringList components;
        // Only the lines that exist: a count past the end of the file must not
        // add phantom components nor spin on an exhausted stream.
        for (int i = 0; i < count && stream.readLineInto(&line); ++i) {
            const Fields fields(line);
            const int x = fields[2].toInt();
            const int y = fields[3].toInt();
            minX = std::min(minX, x);
            minY = std::min(minY, y);
            maxX = std::max(maxX, x);
            maxY = std::max(maxY, y);
            components.append(specOf(fields));
        }
        entries.append({QRect(QPoint(minX, minY), QPoint(maxX, maxY)), components});
    }
    return entries;
}
