#include "picturekey.h"

#include "picturestyle.h"

#include "cache/multientry.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"

#include <QCryptographicHash>
#include <QtEndian>

namespace {

constexpr auto Algorithm = QCryptographicHash::Blake2b_160;

template <typename T> void append(QByteArray &bytes, T value)
{
    char buffer[sizeof(T)];
    qToLittleEndian(value, buffer);
    bytes.append(buffer, sizeof(T));
}

} // namespace

PictureKeys::PictureKeys(ArtStore *art, const TileDataStore *tiles, const PictureStyle &style)
    : art(art), tiles(tiles)
{
    // Every option of the style that changes a pixel.
    const QRgba64 fill = style.background().rgba64();
    styleBytes = QStringLiteral("korvane picture %1 scale %2 background %3 trim %4")
                     .arg(KeyVersion)
                     .arg(style.scale())
                     .arg(quint64(fill), 16, 16, QLatin1Char('0'))
                     .arg(style.trims() ? 1 : 0)
                     .toLatin1();
}

QByteArray PictureKeys::key(const MultiEntry &entry, const QList<ComponentMark> &marks)
{
    QByteArray bytes = styleBytes;
    bytes.reserve(bytes.size() + 24 + entry.components.size() * 44);
    append<qint32>(bytes, entry.bounds.left());
    append<qint32>(bytes, entry.bounds.top());
    append<qint32>(bytes, entry.bounds.right());
    append<qint32>(bytes, entry.bounds.bottom());
    append<qint64>(bytes, entry.components.size());
    for (const ComponentSpec &spec : entry.components) {
        // The text holds every field the renderer reads; the graphic and the
        // kind are read as MultiComponent reads them.
        const QString &text = spec.text();
        append<qint32>(bytes, qint32(text.size()));
        bytes.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
        const quint16 graphicId = quint16(spec.field(ComponentSpec::Graphic).toInt() & 0xFFFF);
        const bool item = spec.field(ComponentSpec::Kind).toInt() == 1;
        bytes += graphicDigest(graphicId, item);
    }
    if (!marks.isEmpty()) {
        bytes += "marks";
        append<qint64>(bytes, marks.size());
        for (const ComponentMark &mark : marks) {
            append<qint64>(bytes, mark.component);
            append<qint32>(bytes, mark.kind);
        }
    }
    return QCryptographicHash::hash(bytes, Algorithm).toHex();
}

const QByteArray &PictureKeys::graphicDigest(quint16 graphicId, bool item)
{
    const quint32 slot = graphicId | (item ? 0x10000u : 0u);
    auto it = graphics.constFind(slot);
    if (it == graphics.constEnd()) {
        // The fields of its tile data record that order the components.
        QByteArray bytes;
        if (tiles) {
            const TileDataRecord record =
                item ? tiles->itemRecord(graphicId) : tiles->landRecord(graphicId);
            append<qint32>(bytes, record.flags);
            append<qint8>(bytes, record.height);
        }
        bytes += artDigest(graphicId);
        it = graphics.insert(slot, bytes);
    }
    return *it;
}

const QByteArray &PictureKeys::artDigest(quint16 graphicId)
{
    auto it = digests.constFind(graphicId);
    if (it == digests.constEnd()) {
        // The bitmap holds the art's size and every pixel painted; without
        // one the graphic paints nothing.
        qint16 width = 0;
        qint16 height = 0;
        const QByteArray *bitmap = art ? art->decodedBitmap(graphicId, width, height) : nullptr;
        it = digests.insert(graphicId, bitmap ? QCryptographicHash::hash(*bitmap, Algorithm)
                                              : QByteArray(20, '\0'));
    }
    return *it;
}
