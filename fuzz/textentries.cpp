#include "fuzzentries.h"

#include "app/configuration.h"
#include "cache/cacheloader.h"
#include "cache/multipayload.h"

#include <QBuffer>

namespace {

const QRect NoBounds(QPoint(CacheBoundsStart, CacheBoundsStart),
                     QPoint(-CacheBoundsStart, -CacheBoundsStart));

QString describe(const QRect &rect)
{
    return QStringLiteral("(%1, %2, %3, %4)")
        .arg(rect.left())
        .arg(rect.top())
        .arg(rect.right())
        .arg(rect.bottom());
}

FuzzFailure checkEntry(const CacheEntry &entry)
{
    for (const QString &spec : entry.components) {
        if (!spec.endsWith(QLatin1String(":0:1:1")))
            return QStringLiteral("component \"%1\" does not end in :0:1:1").arg(spec);
    }
    const QRect &bounds = entry.bounds;
    if (entry.components.isEmpty()
            ? bounds != NoBounds
            : bounds.left() > bounds.right() || bounds.top() > bounds.bottom())
        return QStringLiteral("bounds %1 for %2 components")
            .arg(describe(bounds))
            .arg(entry.components.size());
    return {};
}

} // namespace

FuzzFailure fuzzConfiguration(const QByteArray &input)
{
    QByteArray bytes = input;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    // Blow-ups (entity expansion, deep nesting) show as a timeout or an
    // exhausted memory limit; the values themselves are free text.
    readConfiguration(&buffer);
    return {};
}

FuzzFailure fuzzCacheLoader(const QByteArray &input)
{
    QByteArray bytes = input;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const QList<CacheEntry> entries = loadCacheEntries(&buffer);

    // Every entry needs its header line, every component a line of its own.
    const qsizetype lines = input.count('\n') + input.count('\r') + 1;
    qsizetype used = 0;
    QList<MultiEntry> dragged;
    for (qsizetype n = 0; n < entries.size(); ++n) {
        used += 1 + entries[n].components.size();
        if (used > lines)
            return QStringLiteral("%1 lines used of %2 by entry %3").arg(used).arg(lines).arg(n);
        if (FuzzFailure failure = checkEntry(entries[n]); !failure.isEmpty())
            return QStringLiteral("entry %1: %2").arg(n).arg(failure);
        dragged.append(
            {QStringLiteral("Entry %1").arg(n), entries[n].bounds, entries[n].components});
    }

    // A drag of all entries carries each of them unchanged.
    MultiPayloadReader reader(encodeMultiPayload(dragged));
    for (qsizetype n = 0; n < dragged.size(); ++n) {
        MultiEntry entry;
        if (!reader.readEntry(entry))
            return QStringLiteral("payload entry %1 cut short").arg(n);
        if (entry.text != dragged[n].text || entry.bounds != dragged[n].bounds ||
            entry.components != dragged[n].components)
            return QStringLiteral("payload entry %1 differs from the loaded entry").arg(n);
    }
    if (!reader.atEnd())
        return QStringLiteral("payload longer than its %1 entries").arg(dragged.size());
    return {};
}
