#include "fuzzentries.h"

#include "cache/multipayload.h"
#include "core/configuration.h"
#include "demoencoders.h"
#include "demographics.h"
#include "demomultis.h"

#include <QImage>
#include <QRect>
#include <QSet>
#include <QtEndian>

#include <algorithm>

namespace {

QList<QByteArray> configurationSeeds()
{
    const QByteArray plain = configurationXml(
        {"/client/art index", "/client/art data", "tiledata.bin", "/client/multi cache.txt"});
    return {
        plain,
        plain.left(plain.size() / 2),
        "<other><x><cache>nested</cache></x><cache>second</cache>"
        "<artidx><!-- note -->after</artidx><artmul><![CDATA[a<b]]></artmul>"
        "<tiledata>\n  spaced  \n</tiledata></other>",
        "<!DOCTYPE conf [<!ENTITY p \"/client\">]><conf><cache>&p;/c&amp;d</cache></conf>",
        "not xml at all",
        {},
    };
}

QList<QByteArray> cacheSeeds()
{
    const QByteArray two = encodeCacheEntry(0, {{1234, -1, 2, 0}, {55, 3, -4, 10}}) +
                           encodeCacheEntry(1, {{7, 0, 0, 0}});
    QByteArray crlf = two;
    crlf.replace("\n", "\r\n");
    return {
        two,
        crlf,
        "\xEF\xBB\xBF" + two,
        "a\tb\tc\td\te\tf\n" + two + "x\t\t0\t\t\t\t\n",
        "0\t0\t3\t0\t0\t0\t0\n1\t0\t2\t3\t4\t5\t6\n",
        "0\t0\tx\t0\t0\t0\t0\n0\t0\t-5\t0\t0\t0\t0\n",
        encodeCacheEntry(2, {{65535, 2147483647, -2147483647, 99999}}),
    };
}

QList<QByteArray> payloadSeeds()
{
    const QStringList house = {"0:0:0:0:0:1:1", "1:1:0:0:0:1:1",   "2:0:1:5:0:1:1",
                               "3:1:1:0:0:1:1", "4:-1:-1:2:0:1:2", "5:2:2:-3:0:1:1",
                               "6:0:0:7:0:1:1", "7:-2:1:0:0:1:1"};
    const MultiEntry full = {"Entry 0", QRect(QPoint(-2, -1), QPoint(2, 2)), house};
    const MultiEntry single = {
        "Entry 1", QRect(QPoint(-1, 2), QPoint(-1, 2)), {"1234:-1:2:0:0:1:1"}};
    const MultiEntry empty = {"Entry 2", QRect(QPoint(80000, 80000), QPoint(-80000, -80000)), {}};
    const MultiEntry odd = {"../x/é",
                            QRect(QPoint(-3, 2), QPoint(0, 5)),
                            {"", "5:a:b:c:0:1:1", "70000:40000:-40000:32768:0:1:1", "0:0:0"}};
    QByteArray nullText = encodeMultiPayload({single});
    nullText.replace(0, 18, QByteArray(4, '\xFF'));
    return {
        encodeMultiPayload({full}),
        encodeMultiPayload({single, full, empty}),
        encodeMultiPayload({odd}),
        encodeMultiPayload({empty}),
        nullText,
        encodeMultiPayload({full}).left(60),
    };
}

QImage seedArt(int width, int height)
{
    QImage art(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            art.setPixel(x, y, (x + y) % 3 == 0 ? 0 : qRgba(x * 8, y * 8, 255 - x, 255));
    }
    return art;
}

// Raw entry bytes: u32 0, width, height, then the given 16-bit words.
QByteArray rawArt(quint16 width, quint16 height, const QList<qint16> &words)
{
    QByteArray entry(8, '\0');
    qToLittleEndian<quint16>(width, entry.data() + 4);
    qToLittleEndian<quint16>(height, entry.data() + 6);
    for (const qint16 word : words) {
        char bytes[2];
        qToLittleEndian<qint16>(word, bytes);
        entry.append(bytes, 2);
    }
    return entry;
}

// u32 n, the first n bytes of the item half of the index, the art data.
// `missing` sets bit 31 (no index file) or 30 (no data file) of n.
QByteArray artInput(const ArtFileBuilder &builder, int graphics, quint32 missing = 0)
{
    const QByteArray index = builder.index().mid(16384 * 12, graphics * 12);
    QByteArray input(4, '\0');
    qToLittleEndian<quint32>(quint32(index.size()) | missing, input.data());
    return input + index + builder.data();
}

QList<QByteArray> artSeeds()
{
    ArtFileBuilder sound;
    const QSize sizes[] = {{44, 44}, {1, 1}, {7, 3}, {3, 9}, {22, 40}};
    for (int id = 0; id < 5; ++id)
        sound.add(id, seedArt(sizes[id].width(), sizes[id].height()));

    ArtFileBuilder damaged;
    damaged.add(0, seedArt(4, 2));
    damaged.addRaw(1, rawArt(4, 2, {0, 0, 1, 6, 1, 2, 3, 4, 5, 6, 0, 0})); // runs into row 1
    damaged.addRaw(2, rawArt(3, 1, {0, 5, -5, 0, 0}));                     // (5, -5) ends the row
    damaged.addRaw(3, rawArt(0, 7, {}));                                   // 0 x 7
    damaged.addRaw(4, rawArt(2000, 500, {-4, 0, 0}));                      // cut short
    damaged.addRaw(5, rawArt(5, 2, {-30000, 2, -3, 2, 7, 7, 0, 0}));       // before the file
    damaged.addRaw(6, rawArt(65535, 65535, {0, 0}));                       // beyond every limit
    damaged.setIndexEntry(7, 1 << 30, 12);                                 // past the data
    damaged.setIndexEntry(8, 0, 0);                                        // length 0
    damaged.setIndexEntry(9, -2, 40);

    return {artInput(sound, 5), artInput(damaged, 10), artInput(sound, 2).left(30),
            artInput(sound, 5, 0x40000000u), artInput(sound, 5, 0x80000000u)};
}

QList<QByteArray> tileDataSeeds()
{
    TileDataBuilder builder;
    for (int n : {0, 1, 31, 32, 33, 100, 16383}) {
        builder.setItem(n, n % 2 ? -7 : 0x10, qint8(n % 5 - 1), "item " + QByteArray::number(n));
        builder.setLand(n, n * 3, qint16(-n), QByteArray(20, char('a' + n % 26)));
    }
    const QByteArray file = builder.bytes();
    // One byte: bit 0 set puts the bytes at the item section's start.
    return {
        '\1' + file.mid(428032, 3 * 1188),
        '\0' + file.left(3 * 836 + 10),
        '\0' + file,
        '\1' + file.mid(428032 + 1188 * 511),
        QByteArray("\2"),
    };
}

// A render input: the sizes of the payload, the index part and the art data,
// then those parts and the tile data's item section.
QByteArray renderInput(const QByteArray &payload, const ArtFileBuilder &art, int graphics,
                       const QByteArray &itemTiles = {})
{
    const QByteArray index = art.index().mid(16384 * 12, graphics * 12);
    QByteArray input(12, '\0');
    qToLittleEndian<quint32>(quint32(payload.size()), input.data());
    qToLittleEndian<quint32>(quint32(index.size()), input.data() + 4);
    qToLittleEndian<quint32>(quint32(art.data().size()), input.data() + 8);
    return input + payload + index + art.data() + itemTiles;
}

QList<QByteArray> renderSeeds()
{
    // The first demo house with the demo art and tile data of its graphics.
    const QList<DemoComponent> house = demoHouses().first();
    QStringList specs;
    QSet<int> used;
    QRect bounds;
    for (const DemoComponent &c : house) {
        specs.append(
            QStringLiteral("%1:%2:%3:%4:0:1:1").arg(c.graphicId).arg(c.x).arg(c.y).arg(c.z));
        used.insert(c.graphicId);
        bounds = bounds.united(QRect(c.x, c.y, 1, 1));
    }
    ArtFileBuilder houseArt;
    TileDataBuilder houseTiles;
    int graphics = 0;
    for (const DemoGraphic &graphic : demoGraphics()) {
        if (!used.contains(graphic.id))
            continue;
        if (!graphic.art.isNull())
            houseArt.add(graphic.id, graphic.art);
        houseTiles.setItem(graphic.id, graphic.flags, graphic.height, graphic.name);
        graphics = std::max(graphics, graphic.id + 1);
    }
    const QByteArray houseItems = houseTiles.bytes().mid(428032, (graphics / 32 + 1) * 1188);
    const QByteArray housePayload = encodeMultiPayload({{"Entry 0", bounds, specs}});

    // Many graphics sharing one entry, all in one cell.
    ArtFileBuilder shared;
    shared.add(0, seedArt(40, 40));
    for (int id = 1; id < 24; ++id)
        shared.setIndexEntry(id, 0, int(shared.data().size()));
    QStringList oneCell;
    for (int id = 0; id < 24; ++id)
        oneCell.append(QStringLiteral("%1:0:0:%2:0:1:1").arg(id).arg(id % 3));
    const QByteArray oneCellPayload = encodeMultiPayload({{"Entry 1", QRect(0, 0, 1, 1), oneCell}});

    // The house against art it does not use, and odd components.
    return {renderInput(housePayload, houseArt, graphics, houseItems),
            renderInput(oneCellPayload, shared, 24), renderInput(housePayload, shared, 24),
            renderInput(payloadSeeds().at(2), houseArt, graphics)};
}

} // namespace

QList<QByteArray> fuzzSeeds(const QString &name)
{
    if (name == QLatin1String("configuration"))
        return configurationSeeds();
    if (name == QLatin1String("cacheloader"))
        return cacheSeeds();
    if (name == QLatin1String("payload_preview") || name == QLatin1String("payload_export"))
        return payloadSeeds();
    if (name == QLatin1String("render"))
        return renderSeeds();
    if (name == QLatin1String("artstore"))
        return artSeeds();
    if (name == QLatin1String("tiledata"))
        return tileDataSeeds();
    return {};
}
