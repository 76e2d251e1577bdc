#include "fuzzentries.h"

#include "cache/multipayload.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"
#include "preview/multirenderer.h"

#include <QBuffer>
#include <QtEndian>

#include <memory>

namespace {

constexpr qsizetype ItemIndexStart = 16384 * 12; // the art index's item half
constexpr qsizetype ItemSectionStart = 428032;   // the tile data's item section

// `prefix` zero bytes, then `bytes`, as an open read-only device.
std::unique_ptr<QBuffer> deviceOf(const QByteArray &bytes, qsizetype prefix = 0)
{
    QByteArray file(prefix, '\0');
    file += bytes;
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(file);
    buffer->open(QIODevice::ReadOnly);
    return buffer;
}

// The next `size` bytes of the input from `at`, fewer at its end.
QByteArray nextPart(const QByteArray &input, qsizetype &at, quint32 size)
{
    const QByteArray part = input.mid(at, qsizetype(qMin<qint64>(size, input.size() - at)));
    at += part.size();
    return part;
}

} // namespace

FuzzFailure checkRendering(const QByteArray &payload, RenderStatus status, const QImage &image)
{
    MultiPayloadReader reader(payload);
    MultiEntry first;
    reader.readEntry(first);
    const qsizetype components = first.components.size();

    switch (status) {
    case RenderStatus::Rendered:
        if (components == 0)
            return QStringLiteral("rendered an entry without components");
        if (image.isNull())
            return QStringLiteral("rendered a null image");
        if (image.width() > MaxRenderSide || image.height() > MaxRenderSide ||
            qint64(image.width()) * image.height() > MaxRenderPixels)
            return QStringLiteral("image of %1 x %2 beyond the limit")
                .arg(image.width())
                .arg(image.height());
        if (image.format() != QImage::Format_ARGB32_Premultiplied)
            return QStringLiteral("image in format %1").arg(int(image.format()));
        return {};
    case RenderStatus::NoComponents:
        if (components != 0)
            return QStringLiteral("%1 components reported as none").arg(components);
        break;
    case RenderStatus::TooManyComponents:
        if (components <= MaxRenderComponents)
            return QStringLiteral("%1 components reported as too many").arg(components);
        break;
    case RenderStatus::TooLarge:
    case RenderStatus::NoArt:
    case RenderStatus::DamagedArt:
    case RenderStatus::TooMuchArt:
    case RenderStatus::NoMemory:
        if (components == 0)
            return QStringLiteral("an entry without components reported as %1").arg(int(status));
        break;
    case RenderStatus::NoReaders:
        return QStringLiteral("readers reported missing");
    }
    if (!image.isNull())
        return QStringLiteral("status %1 with a %2 x %3 image")
            .arg(int(status))
            .arg(image.width())
            .arg(image.height());
    return {};
}

FuzzFailure fuzzRender(const QByteArray &input)
{
    quint32 sizes[3] = {};
    for (int i = 0; i < 3 && 4 * (i + 1) <= input.size(); ++i)
        sizes[i] = qFromLittleEndian<quint32>(input.constData() + 4 * i);
    qsizetype at = qMin<qsizetype>(12, input.size());
    const QByteArray payload = nextPart(input, at, sizes[0]);
    const QByteArray itemIndex = nextPart(input, at, sizes[1]);
    const QByteArray artData = nextPart(input, at, sizes[2]);

    // Zeros stand for what lies before the parts given: the renderer uses no
    // art index entry before the item half and nothing of a land record.
    // Without tile data bytes the tile data is missing, which the renderer
    // takes as all zeros too.
    const std::unique_ptr<QBuffer> index = deviceOf(itemIndex, ItemIndexStart);
    ArtStore art(index.get(), deviceOf(artData));
    std::unique_ptr<TileDataStore> tiles;
    if (at < input.size())
        tiles = std::make_unique<TileDataStore>(deviceOf(input.mid(at), ItemSectionStart).get());

    RenderStatus status = RenderStatus::Rendered;
    const QImage image = renderMultiPayload(payload, &art, tiles.get(), &status);
    return checkRendering(payload, status, image);
}
