#include "fuzzentries.h"

#include "artreference.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"

#include <QBuffer>
#include <QFile>
#include <QtEndian>

#include <climits>
#include <memory>

namespace {

constexpr int ItemEntriesStart = 16384;
constexpr int IndexEntrySize = 12;

// Bits of the art input's lead word: that file does not open.
constexpr quint32 MissingIndex = 0x80000000u;
constexpr quint32 MissingData = 0x40000000u;

// Graphic ids outside the index must behave as graphics without art.
const int OutsideIds[] = {-1, 16384, 16385, 65535, INT_MAX, INT_MIN};

// The bytes as an open file would give them, or a file that does not open.
std::unique_ptr<QIODevice> deviceOf(const QByteArray &bytes, bool missing)
{
    if (missing)
        return std::make_unique<QFile>(QStringLiteral("/nonexistent/korvane-fuzz"));
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    return buffer;
}

QString sizeText(int width, int height)
{
    return QStringLiteral("%1 x %2").arg(width).arg(height);
}

// Everything the store says about one graphic, checked against itself and
// against the reference decoding of the same bytes.
FuzzFailure checkGraphic(ArtStore &store, int id, const ArtReference &reference)
{
    qint16 sizeWidth = -1, sizeHeight = -1;
    const bool hasSize = store.staticSize(id, sizeWidth, sizeHeight);
    if (hasSize != (sizeWidth != 0 && sizeHeight != 0))
        return QStringLiteral("staticSize %1 for %2")
            .arg(hasSize)
            .arg(sizeText(sizeWidth, sizeHeight));

    qint16 width = -1, height = -1;
    const QByteArray *cached = store.decodedBitmap(id, width, height);
    if (!cached) {
        if (reference.decode(id).kind == ArtReference::Decoded)
            return QStringLiteral("no bitmap for a sound entry");
        if (width != 0 || height != 0 || sizeWidth != 0 || sizeHeight != 0)
            return QStringLiteral("no bitmap but sizes %1 and %2")
                .arg(sizeText(width, height), sizeText(sizeWidth, sizeHeight));
        if (!store.staticImage(id).isNull())
            return QStringLiteral("an image without a bitmap");
        return {};
    }
    const QByteArray bitmap = *cached; // valid only until the next insertion
    if (width != sizeWidth || height != sizeHeight)
        return QStringLiteral("bitmap %1, staticSize %2")
            .arg(sizeText(width, height), sizeText(sizeWidth, sizeHeight));
    const int w = quint16(width), h = quint16(height);
    const uchar *raw = reinterpret_cast<const uchar *>(bitmap.constData());
    if (bitmap.size() != 4 + 2 * qint64(w) * h || qFromLittleEndian<quint16>(raw) != w ||
        qFromLittleEndian<quint16>(raw + 2) != h)
        return QStringLiteral("bitmap of %1 bytes for %2").arg(bitmap.size()).arg(sizeText(w, h));

    const ArtReference::Result expected = reference.decode(id);
    if (expected.kind == ArtReference::NoArt)
        return QStringLiteral("a bitmap for a graphic without art");
    if (expected.kind == ArtReference::Decoded && expected.bitmap != bitmap)
        return QStringLiteral("bitmap differs from the reference decoding");

    const QImage image = store.staticImage(id);
    if (w == 0 || h == 0)
        return image.isNull() ? FuzzFailure() : QStringLiteral("an image of a 0-sided bitmap");
    if (image.size() != QSize(w, h) || image.format() != QImage::Format_ARGB32)
        return QStringLiteral("image %1 in format %2 for bitmap %3")
            .arg(sizeText(image.width(), image.height()))
            .arg(int(image.format()))
            .arg(sizeText(w, h));
    for (int y = 0; y < h; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const quint16 pixel = qFromLittleEndian<quint16>(raw + 4 + 2 * (qint64(y) * w + x));
            if (pixel != 0 && !(pixel & 0x8000))
                return QStringLiteral("pixel (%1, %2) painted without bit 15").arg(x).arg(y);
            if (line[x] != ArtReference::argb(pixel))
                return QStringLiteral("pixel (%1, %2) is %3 for %4")
                    .arg(x)
                    .arg(y)
                    .arg(line[x], 8, 16, QLatin1Char('0'))
                    .arg(pixel, 4, 16, QLatin1Char('0'));
        }
    }
    return {};
}

// The expected record of tile n when the file holds its fields whole; false
// when the file ends inside the record.
bool tileRecordOf(const QByteArray &file, qint64 at, bool item, TileDataRecord &record)
{
    const qint64 size = item ? 37 : 26;
    if (at + size > file.size())
        return false;
    const uchar *raw = reinterpret_cast<const uchar *>(file.constData()) + at;
    record.flags = qFromLittleEndian<qint32>(raw);
    record.height = item ? qint8(raw[16]) : 0;
    record.landValue = item ? 0 : qFromLittleEndian<qint16>(raw + 4);
    const char *name = reinterpret_cast<const char *>(raw + (item ? 17 : 6));
    record.name = QString::fromLatin1(name, qstrnlen(name, 20));
    return true;
}

FuzzFailure checkTile(const TileDataStore &store, const QByteArray &file, int n)
{
    const bool inTable = n >= 0 && n < 16384;
    for (const bool item : {true, false}) {
        const TileDataRecord got = item ? store.itemRecord(n) : store.landRecord(n);
        const char *table = item ? "item" : "land";
        if (got.name.size() > 20 || (item ? got.landValue : got.height) != 0)
            return QStringLiteral("%1 record %2 malformed").arg(QLatin1String(table)).arg(n);
        const qint64 at = !inTable ? 0
                          : item   ? 428032 + (n / 32) * 1188 + 4 + (n % 32) * 37
                                   : (n / 32) * 836 + 4 + (n % 32) * 26;
        // Records the file does not hold whole, and tile numbers beyond the
        // table, may give anything but must not break the store.
        TileDataRecord expected;
        if (!inTable || !tileRecordOf(file, at, item, expected))
            continue;
        if (got.flags != expected.flags || got.height != expected.height ||
            got.landValue != expected.landValue || got.name != expected.name)
            return QStringLiteral("%1 record %2: flags %3, height %4, value %5, name \"%6\"")
                .arg(QLatin1String(table))
                .arg(n)
                .arg(got.flags)
                .arg(got.height)
                .arg(got.landValue)
                .arg(got.name);
    }
    return {};
}

} // namespace

FuzzFailure fuzzArtStore(const QByteArray &input)
{
    const quint32 lead = input.size() >= 4 ? qFromLittleEndian<quint32>(input.constData()) : 0;
    const bool indexMissing = lead & MissingIndex;
    const bool dataMissing = lead & MissingData;
    const quint32 claimed = lead & ~(MissingIndex | MissingData);
    const QByteArray rest = input.mid(4);
    const QByteArray itemIndex = rest.left(qsizetype(qMin<quint32>(claimed, rest.size())));
    const QByteArray data = rest.mid(itemIndex.size());

    // The first half of the index is never read: zeros stand for it.
    const QByteArray index = QByteArray(ItemEntriesStart * IndexEntrySize, '\0') + itemIndex;
    const std::unique_ptr<QIODevice> indexDevice = deviceOf(index, indexMissing);
    ArtStore store(indexDevice.get(), deviceOf(data, dataMissing));
    // A file that does not open reads as empty.
    const ArtReference reference(indexMissing ? QByteArray() : itemIndex,
                                 dataMissing ? QByteArray() : data);

    // Every graphic the index part names (twice, through the cache, and more
    // than the cache holds), then the ids beyond the index.
    const int named = int(qMin<qsizetype>(itemIndex.size() / IndexEntrySize + 1, 48));
    for (int round = 0; round < 2; ++round) {
        for (int id = 0; id < named; ++id) {
            if (FuzzFailure failure = checkGraphic(store, id, reference); !failure.isEmpty())
                return QStringLiteral("graphic %1: %2").arg(id).arg(failure);
        }
    }
    for (const int id : OutsideIds) {
        qint16 width = -1, height = -1;
        if (store.staticSize(id, width, height) || width || height ||
            store.decodedBitmap(id, width, height) || width || height ||
            !store.staticImage(id).isNull())
            return QStringLiteral("graphic %1 outside the index has art").arg(id);
    }
    return {};
}

FuzzFailure fuzzTileData(const QByteArray &input)
{
    if (input.isEmpty())
        return {};
    const bool itemSection = input[0] & 1;
    const bool missing = input[0] & 2;
    QByteArray file = itemSection ? QByteArray(428032, '\0') + input.mid(1) : input.mid(1);
    const std::unique_ptr<QIODevice> device = deviceOf(file, missing);
    const TileDataStore store(device.get());
    if (missing)
        file.clear();

    // Block and record boundaries, both ends of the table, beyond it, and the
    // tile numbers the data itself holds.
    QList<int> numbers = {0, 1, 31, 32, 33, 16351, 16383, 16384, 65535, -1, INT_MIN, INT_MAX};
    for (qsizetype at = 1; at + 2 <= input.size() && numbers.size() < 64; at += 97)
        numbers.append(qFromLittleEndian<quint16>(input.constData() + at) & 0x3FFF);
    for (const int n : std::as_const(numbers)) {
        if (FuzzFailure failure = checkTile(store, file, n); !failure.isEmpty())
            return failure;
    }
    return {};
}
