#include "multicache.h"

#include "cache/cachetext.h"
#include "core/regularfile.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <limits>

namespace {

// Line numbers of skipped lines kept for reports.
constexpr qsizetype SkippedListed = 5;

} // namespace

MultiCache::MultiCache() = default;

bool MultiCache::load(QFile &file)
{
    *this = MultiCache();
    const QString name = file.fileName();
    if (!openRegularFile(file, &error))
        return false;
    const QByteArray bytes = readUpTo(file, std::numeric_limits<qsizetype>::max());
    const bool whole = file.error() == QFileDevice::NoError;
    if (!whole)
        error = file.errorString();
    file.close();
    file.setFileName(name); // opened by its handle, the file forgot it
    if (whole)
        read(bytes);
    return whole;
}

bool MultiCache::load(const QString &path)
{
    QFile file(path);
    return load(file);
}

void MultiCache::read(QIODevice *device)
{
    read(device->readAll());
}

void MultiCache::read(const QByteArray &bytes)
{
    records.clear();
    counts = CacheScan();
    text = std::make_shared<ComponentList::Storage>();
    // A byte order mark names the encoding; UTF-8 without one.
    const std::optional<QStringConverter::Encoding> encoding =
        QStringConverter::encodingForData(bytes);
    if (!encoding || *encoding == QStringConverter::Utf8) {
        text->kind = ComponentList::Storage::Utf8Lines;
        text->bytes = bytes;
        const qsizetype start = bytes.startsWith("\xef\xbb\xbf") ? 3 : 0;
        scanText(text->bytes.constData(), text->bytes.size(), start);
    } else {
        text->kind = ComponentList::Storage::Utf16Lines;
        QStringDecoder decoder(*encoding);
        text->wide = decoder.decode(bytes);
        scanText(reinterpret_cast<const char16_t *>(text->wide.utf16()), text->wide.size(), 0);
    }
}

template <typename Char> void MultiCache::scanText(const Char *data, qsizetype size, qsizetype at)
{
    using namespace CacheText;
    Line line;
    qsizetype number = 0;
    while (lineAt(data, size, at, &line)) {
        ++number;
        at = line.next;
        const Char *from = data + line.start;
        const Char *to = data + line.end;
        if (tabCount(from, to, 7) != 6) {
            ++counts.skippedLines;
            if (counts.firstSkipped.size() < SkippedListed)
                counts.firstSkipped.append(number);
            continue;
        }

        const Char *countFrom;
        const Char *countTo;
        field(from, to, 2, &countFrom, &countTo);
        const int wanted = fieldInt(countFrom, countTo);
        Record record{
            at, 0, CacheBoundsStart, CacheBoundsStart, -CacheBoundsStart, -CacheBoundsStart};
        while (record.count < wanted && at < size) {
            ++number;
            int x;
            int y;
            at = componentXY(data, size, at, &x, &y);
            record.x1 = std::min(record.x1, x);
            record.y1 = std::min(record.y1, y);
            record.x2 = std::max(record.x2, x);
            record.y2 = std::max(record.y2, y);
            ++record.count;
        }
        counts.componentLines += record.count;
        if (record.count < wanted)
            ++counts.countsPastEnd;
        if (record.count == 0)
            ++counts.withoutComponents;
        records.push_back(record);
    }
    counts.lines = number;
}

MultiEntry MultiCache::entry(qsizetype n) const
{
    const Record &record = records[size_t(n)];
    return {entryName(n), bounds(n), ComponentList(text, record.offset, record.count)};
}

QList<MultiEntry> MultiCache::entries() const
{
    QList<MultiEntry> all;
    all.reserve(size());
    for (qsizetype n = 0; n < size(); ++n)
        all.append(entry(n));
    return all;
}

QRect MultiCache::bounds(qsizetype n) const
{
    const Record &record = records[size_t(n)];
    return QRect(QPoint(record.x1, record.y1), QPoint(record.x2, record.y2));
}

QString MultiCache::entryName(qsizetype n)
{
    return QStringLiteral("Entry ") + QString::number(n);
}
