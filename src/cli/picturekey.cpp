#include "picturekey.h"

#include "picturestyle.h"

#include "cache/multientry.h"
#include "data/artstore.h"
#include "preview/multicomponent.h"

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
    styleBytes = QStringLiteral("korvane picture %1 scale %2 background %3")
                     .arg(KeyVersion)
                     .arg(style.scale())
                     .arg(quint64(fill), 16, 16, QLatin1Char('0'))
                     .toLatin1();
}

QByteArray PictureKeys::key(const MultiEntry &entry)
{
    QByteArray bytes = styleBytes;
    bytes.reserve(bytes.size() + 24 + entry.components.size() * 44);
    append<qint32>(bytes, entry.bounds.left());
    append<qint32>(bytes, entry.bounds.top());
    append<qint32>(bytes, entry.bounds.right());
    append<qint32>(bytes, entry.bounds.bottom());
    append<qint64>(bytes, entry.components.size());
    for (const ComponentSpec &spec : entry.components) {
        const MultiComponent component(spec, tiles);
        append<qint32>(bytes, component.kind);
        append<quint16>(bytes, component.graphicId);
        append<qint16>(bytes, component.z);
        append<qint32>(bytes, component.x);
        append<qint32>(bytes, component.y);
        append<qint32>(bytes, component.flags);
        append<qint8>(bytes, component.height);
        bytes += artDigest(component.graphicId);
    }
    return QCryptographicHash::hash(bytes, Algorithm).toHex();
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
