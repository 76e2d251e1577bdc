#include "artdecoder.h"

#include "data/artdatareader.h"

#include <QtEndian>

#include <algorithm>

namespace {

// Copies `count` file colours at `offset` to `pixel` with bit 15 set.
void storeColours(ArtDataReader &reader, qint64 offset, qint64 count, uchar *pixel)
{
    if (const uchar *colours = reader.entryBytes(offset, 2 * count)) {
        for (qint64 i = 0; i < 2 * count; i += 2) {
            pixel[i] = colours[i];
            pixel[i + 1] = colours[i + 1] | 0x80;
        }
        return;
    }
    for (qint64 i = 0; i < count; ++i)
        qToLittleEndian<quint16>(reader.word(offset + 2 * i) | 0x8000, pixel + 2 * i);
}

} // namespace

bool artSizeAccepted(int width, int height)
{
    return width >= 0 && height >= 0 && width <= MaxArtSide && height <= MaxArtSide &&
           qint64(width) * height <= MaxArtPixels;
}

qint64 artRunBudget(int width, int height)
{
    return 8 * (qint64(width) * height + height) + 64;
}

QByteArray decodeArtEntry(ArtDataReader &reader, qint64 lookup, int width, int height)
{
    Q_ASSERT(artSizeAccepted(width, height));
    const qint64 pixels = qint64(width) * height;
    QByteArray bitmap(4 + 2 * pixels, '\0');
    uchar *bytes = reinterpret_cast<uchar *>(bitmap.data());
    qToLittleEndian<quint16>(width, bytes);
    qToLittleEndian<quint16>(height, bytes + 2);
    if (pixels == 0)
        return bitmap;
    uchar *out = bytes + 4;

    // Rows stop early once nothing further could be stored, and all rows
    // share one budget, so a damaged entry whose rows all point at one long
    // run list costs no more than a sound one of the same size.
    qint64 budget = artRunBudget(width, height);
    const qint64 table = lookup + 8;
    for (int y = 0; y < height && budget > 0; ++y) {
        const qint16 rowOffset = qint16(reader.word(table + 2 * y));
        qint64 pos = table + 2 * (height + qint64(rowOffset));
        if (pos < 0)
            continue;                     // the row's runs would lie before the file's start
        qint64 index = qint64(y) * width; // y * width + x
        while (budget > 0) {
            const qint16 skip = qint16(reader.word(pos));
            const qint16 count = qint16(reader.word(pos + 2));
            pos += 4;
            budget -= 2;
            if (skip + count == 0)
                break;
            index += skip;
            if (count > 0) {
                // Pixels before index 0 or from index `pixels` on are not
                // stored; their colours need not be read.
                const qint64 from = std::clamp<qint64>(-index, 0, count);
                const qint64 to = std::clamp<qint64>(pixels - index, from, count);
                const qint64 stored = std::min(to - from, std::max<qint64>(budget, 0));
                if (stored > 0)
                    storeColours(reader, pos + 2 * from, stored, out + 2 * (index + from));
                budget -= stored;
                pos += 2 * qint64(count);
                index += count;
            }
            if (index >= pixels)
                break;
        }
        --budget; // the row's offset
    }
    return bitmap;
}

bool artEntryReadsOnlyItself(const QByteArray &entry)
{
    // Offsets from the entry's header; every read the decoder would make is
    // checked to lie inside the entry.
    const qint64 size = entry.size();
    const uchar *bytes = reinterpret_cast<const uchar *>(entry.constData());
    const auto inside = [size](qint64 at, qint64 length) { return at >= 0 && at + length <= size; };
    if (!inside(4, 4))
        return false;
    const int width = qFromLittleEndian<quint16>(bytes + 4);
    const int height = qFromLittleEndian<quint16>(bytes + 6);
    const qint64 pixels = qint64(width) * height;
    if (!artSizeAccepted(width, height) || pixels == 0)
        return true; // nothing is read past the header
    qint64 budget = artRunBudget(width, height);
    const qint64 table = 8;
    for (int y = 0; y < height && budget > 0; ++y) {
        if (!inside(table + 2 * y, 2))
            return false;
        const qint16 rowOffset = qFromLittleEndian<qint16>(bytes + table + 2 * y);
        qint64 pos = table + 2 * (height + qint64(rowOffset));
        qint64 index = qint64(y) * width;
        while (budget > 0) {
            if (!inside(pos, 4))
                return false;
            const qint16 skip = qFromLittleEndian<qint16>(bytes + pos);
            const qint16 count = qFromLittleEndian<qint16>(bytes + pos + 2);
            pos += 4;
            budget -= 2;
            if (skip + count == 0)
                break;
            index += skip;
            if (count > 0) {
                const qint64 from = std::clamp<qint64>(-index, 0, count);
                const qint64 to = std::clamp<qint64>(pixels - index, from, count);
                const qint64 stored = std::min(to - from, std::max<qint64>(budget, 0));
                if (stored > 0 && !inside(pos + 2 * from, 2 * stored))
                    return false;
                budget -= stored;
                pos += 2 * qint64(count);
                index += count;
            }
            if (index >= pixels)
                break;
        }
        --budget;
    }
    return true;
}

QImage artImage(const QByteArray &bitmap)
{
    if (bitmap.size() < 4)
        return {};
    const uchar *bytes = reinterpret_cast<const uchar *>(bitmap.constData());
    const int width = qFromLittleEndian<quint16>(bytes);
    const int height = qFromLittleEndian<quint16>(bytes + 2);
    if (width == 0 || height == 0 || bitmap.size() < 4 + 2 * qint64(width) * height)
        return {};
    QImage image(width, height, QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    // ARGB32 rows are 4 * width bytes with nothing between them.
    const quint16 *pixel = reinterpret_cast<const quint16 *>(bytes + 4);
    QRgb *argb = reinterpret_cast<QRgb *>(image.bits());
    const qint64 pixels = qint64(width) * height;
    qint64 i = 0;
    for (; i + 8 <= pixels; i += 8) { // blocks of 8 let the compiler vectorise
        for (int k = 0; k < 8; ++k)
            argb[i + k] = artArgb(qFromLittleEndian(pixel[i + k]));
    }
    for (; i < pixels; ++i)
        argb[i] = artArgb(qFromLittleEndian(pixel[i]));
    return image;
}
