#include "fuzzentries.h"

#include "cache/multicache.h"
#include "cache/multipayload.h"
#include "cachereference.h"
#include "core/configuration.h"

#include <QBuffer>

#include <algorithm>
#include <cmath>

// What the configuration reader delivered, as extra coverage for libFuzzer
// (which clears these counters before every input): Qt's XML parser is not
// instrumented, so without them every document would look alike.
[[gnu::section("__libfuzzer_extra_counters"),
  gnu::used]] unsigned char configurationFeatures[4 * 8];

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

FuzzFailure checkEntry(const MultiEntry &entry)
{
    for (const ComponentSpec &spec : entry.components) {
        if (!spec.text().endsWith(QLatin1String(":0:1:1")))
            return QStringLiteral("component \"%1\" does not end in :0:1:1").arg(spec.text());
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

void noteValue(int tag, const QString &value)
{
    int bucket = 0; // empty
    if (value.trimmed().size() != value.size())
        bucket = 7; // spaces or line breaks kept around the path
    else if (!value.isEmpty())
        bucket = 1 + std::min(5, int(std::log2(double(value.size()))));
    configurationFeatures[tag * 8 + bucket] = 1;
}

} // namespace

FuzzFailure fuzzConfiguration(const QByteArray &input)
{
    QByteArray bytes = input;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    // Blow-ups (entity expansion, deep nesting) show as a timeout or an
    // exhausted memory limit; the values themselves are free text.
    const Configuration configuration = readConfiguration(&buffer);
    noteValue(0, configuration.artidx);
    noteValue(1, configuration.artmul);
    noteValue(2, configuration.tiledata);
    noteValue(3, configuration.cache);
    return {};
}

FuzzFailure fuzzCacheLoader(const QByteArray &input)
{
    QByteArray bytes = input;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    MultiCache cache;
    cache.read(&buffer);
    const QList<MultiEntry> entries = cache.entries();

    // The byte scan gives what the plain reading of the text gives, whether
    // the bytes are there at once or come a few at a time (as a file's do).
    MultiCache arriving;
    arriving.read(input, 1 + input.size() % 37);
    if (arriving.entries() != entries)
        return QStringLiteral("the text scanned as it comes differs from the text scanned whole");
    const QList<MultiEntry> expected = cacheByTextStream(input);
    if (entries.size() != expected.size())
        return QStringLiteral("%1 entries, the text holds %2")
            .arg(entries.size())
            .arg(expected.size());
    for (qsizetype n = 0; n < entries.size(); ++n) {
        if (entries[n].bounds != expected[n].bounds ||
            entries[n].components != expected[n].components)
            return QStringLiteral("entry %1 differs from the text's plain reading").arg(n);
    }

    // Every entry needs its header line, every component a line of its own.
    const qsizetype lines = input.count('\n') + input.count('\r') + 1;
    qsizetype used = 0;
    for (qsizetype n = 0; n < entries.size(); ++n) {
        used += 1 + entries[n].components.size();
        if (used > lines)
            return QStringLiteral("%1 lines used of %2 by entry %3").arg(used).arg(lines).arg(n);
        if (FuzzFailure failure = checkEntry(entries[n]); !failure.isEmpty())
            return QStringLiteral("entry %1: %2").arg(n).arg(failure);
    }

    // A drag of all entries carries each of them unchanged.
    const QList<MultiEntry> &dragged = entries;
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
