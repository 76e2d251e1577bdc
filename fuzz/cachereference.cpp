#include "cachereference.h"

#include "cache/multicache.h"

#include <QIODevice>
#include <QStringDecoder>
#include <QTextStream>

#include <algorithm>

QList<MultiEntry> cacheByTextStream(const QByteArray &text)
{
    // UTF-8 as QString::fromUtf8 decodes it: a sequence cut by the end of the
    // text is a replacement character, where a stream's decoder keeps it
    // waiting for bytes that never come.
    const QStringConverter::Encoding encoding =
        QStringConverter::encodingForData(text).value_or(QStringConverter::Utf8);
    QString decoded = encoding == QStringConverter::Utf8 ? QString::fromUtf8(text)
                                                         : QStringDecoder(encoding).decode(text);
    QTextStream stream(&decoded, QIODevice::ReadOnly);
    QList<MultiEntry> entries;
    QString line;
    auto field = [&line](int n) { return line.section(u'\t', n, n); };
    while (stream.readLineInto(&line)) {
        if (line.count(u'\t') != 6)
            continue;
        const int count = field(2).toInt();
        QRect bounds(QPoint(CacheBoundsStart, CacheBoundsStart),
                     QPoint(-CacheBoundsStart, -CacheBoundsStart));
        QStringList components;
        for (int i = 0; i < count && stream.readLineInto(&line); ++i) {
            const int x = field(2).toInt();
            const int y = field(3).toInt();
            bounds.setLeft(std::min(bounds.left(), x));
            bounds.setTop(std::min(bounds.top(), y));
            bounds.setRight(std::max(bounds.right(), x));
            bounds.setBottom(std::max(bounds.bottom(), y));
            components.append(field(0) + u':' + field(2) + u':' + field(3) + u':' + field(4) +
                              QStringLiteral(":0:1:1"));
        }
        entries.append({MultiCache::entryName(entries.size()), bounds, components});
    }
    return entries;
}
