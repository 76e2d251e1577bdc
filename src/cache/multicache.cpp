#include "multicache.h"

#include "cache/cachetext.h"
#include "core/filereadahead.h"
#include "core/regularfile.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace {

// Line numbers of skipped lines kept for reports.
constexpr qsizetype SkippedListed = 5;

// What a scan waits for before a line: enough for a component line; and how
// much more for a line that goes on past what has arrived.
constexpr qsizetype ShortLine = 64;
constexpr qsizetype LongLine = 1 << 16;

// Where the text starts: after a UTF-8 byte order mark, which the decoder
// drops too.
qsizetype byteOrderMark(const char *bytes, qsizetype size)
{
    return size >= 3 && std::memcmp(bytes, "\xef\xbb\xbf", 3) == 0 ? 3 : 0;
}

// Why the start of a file is not that of a cache file, "" when it may be:
// it holds a header line.
QString notCacheStart(const QByteArray &start)
{
    if (std::all_of(start.cbegin(), start.cend(), [](char c) { return c == 0; }))
        return QStringLiteral("not a cache file: its first %1 bytes are all zero bytes")
            .arg(start.size());
    MultiCache probe;
    probe.read(start);
    if (probe.isEmpty())
        return QStringLiteral("not a cache file: no header line (of six TABs) in its first %1 "
                              "bytes")
            .arg(start.size());
    return {};
}

} // namespace

MultiCache::MultiCache() = default;

bool MultiCache::load(QFile &file)
{
    *this = MultiCache();
    const QString name = file.fileName();
    if (!openRegularFile(file, &error))
        return false;
    // Opened by its handle, the file forgot its name: closed and named again
    // however the load ends, std::bad_alloc included.
    struct Restore
    {
        QFile &file;
        const QString &name;
        ~Restore()
        {
            file.close();
            file.setFileName(name);
        }
    } restore{file, name};
    // A large file is judged by its start before all of it is read: a
    // sparse file of gigabytes would take seconds and its size in memory.
    if (file.size() > JudgedBytes) {
        const QByteArray start = file.read(JudgedBytes);
        if (const QString why = notCacheStart(start); !why.isEmpty() || !file.seek(0)) {
            error = why.isEmpty() ? file.errorString() : why;
            return false;
        }
    }
    // Scanned while it is read: reading a large file into fresh memory costs
    // about as much as scanning it.
    FileReadAhead ahead(file);
    const FileReadAhead::Arrived start = ahead.wait(4); // a byte order mark
    const std::optional<QStringConverter::Encoding> encoding =
        QStringConverter::encodingForData(QByteArrayView(ahead.data(), start.size));
    const bool utf8 = !encoding || *encoding == QStringConverter::Utf8;
    if (utf8) {
        startText(ComponentList::Storage::Utf8Lines);
        scanText(ahead.data(), byteOrderMark(ahead.data(), start.size),
                 [&ahead](qsizetype wanted) { return ahead.wait(wanted); });
    }
    QString why;
    const QByteArray bytes = ahead.finish(&why);
    if (!why.isEmpty()) {
        *this = MultiCache();
        error = why;
        return false;
    }
    if (utf8)
        text->bytes = bytes; // the very bytes scanned
    else
        read(bytes);
    return true;
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
    read(bytes, bytes.size());
}

void MultiCache::read(const QByteArray &bytes, qsizetype step)
{
    // A byte order mark names the encoding; UTF-8 without one.
    const std::optional<QStringConverter::Encoding> encoding =
        QStringConverter::encodingForData(bytes);
    if (!encoding || *encoding == QStringConverter::Utf8) {
        startText(ComponentList::Storage::Utf8Lines);
        text->bytes = bytes;
        // What has come: whole steps, as many as the scan waits for.
        const qsizetype size = bytes.size();
        qsizetype come = 0;
        const auto arrived = [&](qsizetype wanted) {
            while (come < wanted && come < size)
                come = std::min(size, come + std::max<qsizetype>(step, 1));
            return FileReadAhead::Arrived{come, come == size};
        };
        scanText(text->bytes.constData(), byteOrderMark(bytes.constData(), size), arrived);
    } else {
        startText(ComponentList::Storage::Utf16Lines);
        text->wide = QStringDecoder(*encoding).decode(bytes);
        const auto wide = [size = text->wide.size()](qsizetype) {
            return FileReadAhead::Arrived{size, true};
        };
        scanText(reinterpret_cast<const char16_t *>(text->wide.utf16()), 0, wide);
    }
}

void MultiCache::startText(ComponentList::Storage::Kind kind)
{
    records.clear();
    boxes.clear();
    counts = CacheScan();
    text = std::make_shared<ComponentList::Storage>();
    text->kind = kind;
}

template <typename Char, typename Arrived>
void MultiCache::scanText(const Char *data, qsizetype at, Arrived &&arrived)
{
    using namespace CacheText;
    // What may be read of the text so far: all of it once complete.
    FileReadAhead::Arrived have = arrived(at + ShortLine);
    LineFields line;
    qsizetype number = 0;
    // The entry whose component lines are read while `wanted` > 0.
    Record record{};
    Box box{};
    int wanted = 0;
    const auto endEntry = [&] {
        counts.componentLines += record.count;
        if (record.count < wanted)
            ++counts.countsPastEnd;
        if (record.count == 0) {
            ++counts.withoutComponents;
        } else {
            // 2^32 entries with components would need 128 GiB for their
            // records and bounds alone.
            if (boxes.size() > std::numeric_limits<quint32>::max())
                throw std::bad_alloc();
            record.box = quint32(boxes.size());
            boxes.push_back(box);
        }
        records.push_back(record);
        wanted = 0;
    };

    for (;;) {
        if (!have.complete && have.size - at < ShortLine)
            have = arrived(at + ShortLine);
        if (at >= have.size)
            break;
        ++number;
        if (wanted > 0) { // a component line: X is field 2, Y field 3
            int x;
            int y;
            bool ended;
            qsizetype next = componentXY(data, have.size, at, &x, &y, &ended);
            while (!ended && !have.complete) { // it goes on past what has arrived
                have = arrived(have.size + LongLine);
                next = componentXY(data, have.size, at, &x, &y, &ended);
            }
            at = next;
            box.x1 = std::min(box.x1, x);
            box.y1 = std::min(box.y1, y);
            box.x2 = std::max(box.x2, x);
            box.y2 = std::max(box.y2, y);
            if (++record.count == wanted)
                endEntry();
            continue;
        }
        readLine(data, have.size, at, &line);
        while (!line.ended && !have.complete) {
            have = arrived(have.size + LongLine);
            readLine(data, have.size, at, &line);
        }
        at = line.next;
        if (line.tabs == 6) { // a header, whose count is field 2
            wanted = lineField(data, line, 2);
            record = {at, 0, 0};
            box = {CacheBoundsStart, CacheBoundsStart, -CacheBoundsStart, -CacheBoundsStart};
            if (wanted <= 0)
                endEntry();
        } else {
            ++counts.skippedLines;
            if (counts.firstSkipped.size() < SkippedListed)
                counts.firstSkipped.append(number);
        }
    }
    if (wanted > 0)
        endEntry(); // its count ran past the end of the text
    counts.lines = number;
}

MultiEntry MultiCache::entry(qsizetype n) const
{
    return {entryName(n), bounds(n), components(n)};
}

ComponentList MultiCache::components(qsizetype n) const
{
    const Record &record = records[size_t(n)];
    return ComponentList(text, record.offset, record.count);
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
    if (record.count == 0)
        return QRect(QPoint(CacheBoundsStart, CacheBoundsStart),
                     QPoint(-CacheBoundsStart, -CacheBoundsStart));
    const Box &box = boxes[record.box];
    return QRect(QPoint(box.x1, box.y1), QPoint(box.x2, box.y2));
}

QString MultiCache::entryName(qsizetype n)
{
    return QStringLiteral("Entry ") + QString::number(n);
}
