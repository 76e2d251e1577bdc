#include "artreference.h"

#include <QtEndian>

namespace {

constexpr qint64 IndexEntrySize = 12;
// Art beyond these sizes may be refused as damaged.
constexpr int LargestSide = 2048;
constexpr qint64 LargestArea = 1024 * 1024;

} // namespace

ArtReference::ArtReference(const QByteArray &itemIndex, const QByteArray &data)
    : itemIndex(itemIndex), data(data)
{}

quint16 ArtReference::word(qint64 offset) const
{
    if (offset < 0 || offset + 2 > data.size())
        return 0;
    return qFromLittleEndian<quint16>(data.constData() + offset);
}

qint32 ArtReference::indexField(qint64 offset) const
{
    if (offset + 4 > itemIndex.size())
        return 0;
    return qFromLittleEndian<qint32>(itemIndex.constData() + offset);
}

ArtReference::Result ArtReference::decode(int graphicId) const
{
    Result result;
    if (graphicId < 0 || graphicId > 16383)
        return result;
    const qint64 lookup = indexField(graphicId * IndexEntrySize);
    if (lookup < 0 || indexField(graphicId * IndexEntrySize + 4) < 1)
        return result;

    const int width = word(lookup + 4);
    const int height = word(lookup + 6);
    result.kind = Unsure;
    if (width > LargestSide || height > LargestSide || qint64(width) * height > LargestArea)
        return result;

    const qint64 pixels = qint64(width) * height;
    QByteArray bitmap(4 + 2 * pixels, '\0');
    uchar *bytes = reinterpret_cast<uchar *>(bitmap.data());
    qToLittleEndian<quint16>(width, bytes);
    qToLittleEndian<quint16>(height, bytes + 2);

    // Sound art reads at most 3 words a pixel and 2 a row: past that (or when
    // a run goes on after the bitmap's end) the entry is damaged and a bounded
    // decoder may give up earlier than this one.
    const qint64 soundWords = 3 * pixels + 2 * qint64(height) + 16;
    qint64 words = 0;
    const qint64 table = lookup + 8;
    for (int y = 0; y < height; ++y) {
        const qint16 rowOffset = qint16(word(table + 2 * y));
        qint64 pos = table + 2 * (height + qint64(rowOffset));
        ++words;
        // A row whose runs would start before the file's first byte has none.
        if (pos < 0)
            continue;
        qint64 index = qint64(y) * width;
        for (;;) {
            const qint16 skip = qint16(word(pos));
            const qint16 count = qint16(word(pos + 2));
            pos += 4;
            words += 2;
            if (skip + count == 0)
                break;
            if (index >= pixels || words > soundWords)
                return result;
            index += skip;
            for (qint16 i = 0; i < count; ++i, ++index, pos += 2) {
                if (index >= 0 && index < pixels)
                    qToLittleEndian<quint16>(word(pos) | 0x8000, bytes + 4 + 2 * index);
            }
            words += qMax<qint16>(count, 0);
        }
    }
    result.kind = Decoded;
    result.bitmap = bitmap;
    return result;
}

QRgb ArtReference::argb(quint16 pixel)
{
    const QRgb alpha = (pixel & 0x8000) ? 0xFF : 0x00;
    const QRgb red = ((pixel >> 10) & 0x1F) << 3;
    const QRgb green = ((pixel >> 5) & 0x1F) << 3;
    const QRgb blue = (pixel & 0x1F) << 3;
    return alpha << 24 | red << 16 | green << 8 | blue;
}
