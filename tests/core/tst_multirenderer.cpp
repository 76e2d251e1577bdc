#include "cache/multipayload.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"
#include "demoencoders.h"
#include "handart.h"
#include "preview/artimagecache.h"
#include "preview/componentmarks.h"
#include "preview/multirenderer.h"

#include <QBuffer>
#include <QDataStream>
#include <QPainter>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(RenderStatus)
Q_DECLARE_METATYPE(ComponentMark)

namespace {

// Solid art of one colour whose top-left 4 x 4 corner is a transparent
// checkerboard, so transparency and overlap both show in the pixels.
QImage solidArt(int width, int height, QRgb colour)
{
    QImage art(width, height, QImage::Format_ARGB32);
    art.fill(colour);
    for (int y = 0; y < std::min(4, height); ++y)
        for (int x = 0; x < std::min(4, width); ++x)
            if ((x + y) % 2 == 0)
                art.setPixel(x, y, qRgba(0, 0, 0, 0));
    return art;
}

// Graphics of the fixture: 1 floor 44 x 44 (bias 0), 2 wall 44 x 90 (bias 2),
// 3 odd 45 x 45, 4 40 x 30, 5 without art, 6 20 x 20, 7 48 x 48, 8 50 x 48,
// 9 64 x 64, 10 damaged: a 65535 x 65535 header in 20 bytes.
std::unique_ptr<ArtStore> makeArt()
{
    ArtFileBuilder builder;
    builder.add(1, solidArt(44, 44, qRgb(0x40, 0x80, 0x40)));
    builder.add(2, solidArt(44, 90, qRgb(0xC0, 0x40, 0x40)));
    builder.add(3, solidArt(45, 45, qRgb(0x40, 0x40, 0xC0)));
    builder.add(4, solidArt(40, 30, qRgb(0xC0, 0xC0, 0x40)));
    builder.add(6, solidArt(20, 20, qRgb(0x40, 0xC0, 0xC0)));
    builder.add(7, solidArt(48, 48, qRgb(0x80, 0x80, 0x80)));
    builder.add(8, solidArt(50, 48, qRgb(0x80, 0x40, 0x80)));
    builder.add(9, solidArt(64, 64, qRgb(0x20, 0x20, 0x20)));
    builder.addRaw(10, QByteArray(4, '\0') + QByteArray(4, '\xff') + QByteArray(12, '\0'));

    QBuffer index;
    index.setData(builder.index());
    index.open(QIODevice::ReadOnly);
    auto data = std::make_unique<QBuffer>();
    data->setData(builder.data());
    data->open(QIODevice::ReadOnly);
    return std::make_unique<ArtStore>(&index, std::move(data));
}

std::unique_ptr<TileDataStore> makeTiles()
{
    TileDataBuilder builder;
    builder.setItem(1, 1, 0, "floor");
    builder.setItem(2, 0, 20, "wall");
    for (const int graphic : {3, 4, 5, 6, 7, 8, 9})
        builder.setItem(graphic, 1, 0, "thing");
    QBuffer buffer;
    buffer.setData(builder.bytes());
    buffer.open(QIODevice::ReadOnly);
    return std::make_unique<TileDataStore>(&buffer);
}

MultiEntry entryOf(const QStringList &components, const QRect &bounds = QRect(0, 0, 1, 1))
{
    return {QStringLiteral("Entry 0"), bounds, components};
}

// An entry as raw bytes: a declared count and the strings really written.
QByteArray rawEntry(qint32 count, const QStringList &components)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << QStringLiteral("Entry 0") << QRect(0, 0, 1, 1) << count;
    for (const QString &component : components)
        out << component;
    return bytes;
}

} // namespace

class tst_MultiRenderer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void placement_data();
    void placement();
    void status_data();
    void status();
    void budgets_data();
    void budgets();
    void artFetchedAgainPastTheBudget_data();
    void artFetchedAgainPastTheBudget();
    void artChangedAfterLayout();
    void marks_data();
    void marks();
    void firstEntryOnly();
    void countBeyondData();

private:
    std::unique_ptr<ArtStore> art;
    std::unique_ptr<TileDataStore> tiles;
};

void tst_MultiRenderer::initTestCase()
{
    art = makeArt();
    tiles = makeTiles();
}

void tst_MultiRenderer::placement_data()
{
    QTest::addColumn<QStringList>("components");
    QTest::addColumn<QSize>("size");
    // Expected draws, back to front: graphic and top-left corner.
    QTest::addColumn<QList<int>>("graphics");
    QTest::addColumn<QList<QPoint>>("corners");

    QTest::newRow("one tile at the margin") << QStringList{"1:0:0:0:0:1:1"} << QSize(124, 124)
                                            << QList<int>{1} << QList<QPoint>{{40, 40}};
    QTest::newRow("away from the centre cell") << QStringList{"1:5:-7:0:0:1:1"} << QSize(124, 124)
                                               << QList<int>{1} << QList<QPoint>{{40, 40}};
    QTest::newRow("next cell in x")
        << QStringList{"1:1:0:0:0:1:1", "1:0:0:0:0:1:1"} << QSize(146, 146) << QList<int>{1, 1}
        << QList<QPoint>{{40, 40}, {62, 62}};
    QTest::newRow("wall after the floor of its cell")
        << QStringList{"2:0:0:0:0:1:1", "1:0:0:0:0:1:1"} << QSize(124, 170) << QList<int>{1, 2}
        << QList<QPoint>{{40, 86}, {40, 40}};
    QTest::newRow("(0, 1) before (1, 0) before (1, 1)")
        << QStringList{"2:1:1:0:0:1:1", "1:1:0:0:0:1:1", "4:0:1:0:0:1:1"} << QSize(166, 170)
        << QList<int>{4, 1, 2} << QList<QPoint>{{40, 78}, {82, 64}, {60, 40}};
    QTest::newRow("row before column")
        << QStringList{"2:0:2:0:0:1:1", "1:1:0:0:0:1:1"} << QSize(190, 170) << QList<int>{1, 2}
        << QList<QPoint>{{106, 64}, {40, 40}};
    QTest::newRow("z lifts") << QStringList{"6:0:0:5:0:1:1", "1:0:0:0:0:1:1"} << QSize(124, 124)
                             << QList<int>{1, 6} << QList<QPoint>{{40, 40}, {52, 44}};
    QTest::newRow("odd sizes halve truncated")
        << QStringList{"3:0:1:0:0:1:1", "3:0:0:0:0:1:1"} << QSize(146, 147) << QList<int>{3, 3}
        << QList<QPoint>{{62, 40}, {40, 62}};
    QTest::newRow("missing art widens")
        << QStringList{"5:3:0:0:0:1:1", "1:0:0:0:0:1:1"} << QSize(168, 190) << QList<int>{1}
        << QList<QPoint>{{40, 40}};
    QTest::newRow("far along a row")
        << QStringList{"1:30:-30:0:0:1:1", "1:0:0:0:0:1:1"} << QSize(1444, 124) << QList<int>{1, 1}
        << QList<QPoint>{{40, 40}, {1360, 40}};
    QTest::newRow("far down") << QStringList{"1:40:40:0:0:1:1", "1:0:0:0:0:1:1"} << QSize(124, 1884)
                              << QList<int>{1, 1} << QList<QPoint>{{40, 40}, {40, 1800}};
}

void tst_MultiRenderer::placement()
{
    QFETCH(QStringList, components);
    QFETCH(QSize, size);
    QFETCH(QList<int>, graphics);
    QFETCH(QList<QPoint>, corners);

    const MultiEntry entry = entryOf(components);
    const MultiLayout layout = layoutMultiEntry(entry, art.get(), tiles.get());
    QCOMPARE(layout.status, RenderStatus::Rendered);
    QCOMPARE(layout.size, size);
    QCOMPARE(layout.arts.size(), corners.size());
    for (int i = 0; i < corners.size(); ++i) {
        QCOMPARE(layout.arts.at(i).graphicId, graphics.at(i));
        QCOMPARE(layout.arts.at(i).topLeft, corners.at(i));
    }

    // The art as the store gives it, drawn one piece after another.
    QImage expected(size, QImage::Format_ARGB32_Premultiplied);
    expected.fill(0);
    QPainter painter(&expected);
    for (int i = 0; i < corners.size(); ++i)
        painter.drawImage(corners.at(i), art->staticImage(graphics.at(i)));
    painter.end();

    RenderStatus status = RenderStatus::NoReaders;
    const QImage image = renderMultiEntry(entry, art.get(), tiles.get(), &status);
    QCOMPARE(status, RenderStatus::Rendered);
    QCOMPARE(image.format(), QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(image, expected);

    // Art fetched afresh for every piece paints the same.
    ArtImageCache keepsNothing(art.get(), 0);
    QCOMPARE(paintMultiLayout(layout, keepsNothing), expected);
    QCOMPARE(keepsNothing.fetches(), corners.size());
}

void tst_MultiRenderer::status_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("withArt");
    QTest::addColumn<RenderStatus>("status");

    const auto payload = [](const QStringList &components) {
        return encodeMultiPayload({entryOf(components)});
    };
    const QByteArray tile = payload({"1:0:0:0:0:1:1"});
    QTest::newRow("rendered") << tile << true << RenderStatus::Rendered;
    QTest::newRow("no readers") << tile << false << RenderStatus::NoReaders;
    QTest::newRow("count 0") << payload({}) << true << RenderStatus::NoComponents;
    QTest::newRow("negative count")
        << rawEntry(-5, {"1:0:0:0:0:1:1"}) << true << RenderStatus::NoComponents;
    QTest::newRow("empty payload") << QByteArray() << true << RenderStatus::NoComponents;
    QTest::newRow("huge count, no data")
        << rawEntry(0x7FFFFFFF, {}) << true << RenderStatus::NoComponents;
    QTest::newRow("text longer than the data")
        << QByteArray::fromHex("feffff7f41004200") << true << RenderStatus::NoComponents;
    QTest::newRow("X 40000 beside X -40000")
        << payload({"1:40000:0:0:0:1:1", "1:-40000:0:0:0:1:1"}) << true << RenderStatus::TooLarge;
    QTest::newRow("extreme cells")
        << payload({"1:2147483647:-2147483648:0:0:1:1", "1:-2147483648:2147483647:0:0:1:1"}) << true
        << RenderStatus::TooLarge;
    QTest::newRow("extreme z") << payload({"1:0:0:32767:0:1:1", "1:0:0:-32768:0:1:1"}) << true
                               << RenderStatus::TooLarge;
    // 48-pixel art at (0, 0) and a point 16280 pixels to its right: 16384 wide.
    QTest::newRow("width at the limit")
        << payload({"7:0:0:0:0:1:1", "5:370:-370:0:0:1:1"}) << true << RenderStatus::Rendered;
    QTest::newRow("width one over the limit")
        << payload({"8:0:0:0:0:1:1", "5:370:-370:0:0:1:1"}) << true << RenderStatus::TooLarge;
    QTest::newRow("no component has art")
        << payload({"5:0:0:0:0:1:1", "5:1:0:0:0:1:1"}) << true << RenderStatus::NoArt;
    QTest::newRow("only damaged art")
        << payload({"5:0:0:0:0:1:1", "10:1:0:0:0:1:1"}) << true << RenderStatus::DamagedArt;
    QTest::newRow("sides within, area over the limit")
        << payload({"5:0:0:0:0:1:1", "5:300:0:0:0:1:1", "5:0:300:0:0:1:1"}) << true
        << RenderStatus::TooLarge;
}

void tst_MultiRenderer::status()
{
    QFETCH(QByteArray, payload);
    QFETCH(bool, withArt);
    QFETCH(RenderStatus, status);

    RenderStatus result = RenderStatus::Rendered;
    const QImage image =
        renderMultiPayload(payload, withArt ? art.get() : nullptr, tiles.get(), &result);
    QCOMPARE(result, status);
    QCOMPARE(image.isNull(), status != RenderStatus::Rendered);
    if (!image.isNull()) {
        QVERIFY(image.width() <= MaxRenderSide);
        QVERIFY(image.height() <= MaxRenderSide);
    }
}

void tst_MultiRenderer::budgets_data()
{
    QTest::addColumn<QStringList>("components");
    QTest::addColumn<RenderStatus>("status");

    // Copies of one text share its characters, so even a million cost little.
    const auto copies = [](qint64 count, const char *specText) {
        return QStringList(qsizetype(count), QLatin1String(specText));
    };
    QTest::newRow("components at the limit")
        << copies(MaxRenderComponents, "5:0:0:0:0:1:1") << RenderStatus::NoArt;
    QTest::newRow("one component over the limit")
        << copies(MaxRenderComponents + 1, "5:0:0:0:0:1:1") << RenderStatus::TooManyComponents;
    // 64 x 64 art: 4096 pixels a copy.
    const qint64 copiesAtLimit = MaxPaintedPixels / 4096;
    QTest::newRow("painted pixels at the limit")
        << copies(copiesAtLimit, "9:0:0:0:0:1:1") << RenderStatus::Rendered;
    QTest::newRow("painted pixels one copy over the limit")
        << copies(copiesAtLimit + 1, "9:0:0:0:0:1:1") << RenderStatus::TooMuchArt;
}

// Pictures beyond the budgets are refused before anything is painted.
void tst_MultiRenderer::budgets()
{
    QFETCH(QStringList, components);
    QFETCH(RenderStatus, status);

    const MultiLayout layout = layoutMultiEntry(entryOf(components), art.get(), tiles.get());
    QCOMPARE(layout.status, status);
    QCOMPARE(layout.size.isEmpty(), status != RenderStatus::Rendered);
    QCOMPARE(layout.arts.isEmpty(), status != RenderStatus::Rendered);
    qint64 painted = 0;
    for (const PlacedArt &piece : layout.arts)
        painted += qint64(piece.size.width()) * piece.size.height();
    QCOMPARE(layout.paintedPixels, painted);
    QVERIFY(painted <= MaxPaintedPixels);
}

void tst_MultiRenderer::artFetchedAgainPastTheBudget_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("graphics");
    QTest::addColumn<int>("decodes");

    // More graphics than the store's own cache holds, so that only the
    // renderer's images spare decoding them again.
    QTest::newRow("images within the budget are kept") << 256 << 22 << 22;
    const int largeImages = int(MaxCachedArtBytes / (4 * 1024 * 1024));
    QTest::newRow("images past the budget are fetched again")
        << 1024 << largeImages + 8 << 2 * (largeImages + 8);
}

// Distinct graphics (index entries all pointing at one art entry) drawn in
// two cells, in the same order in each: the images kept between the cells
// stay within the budget.
void tst_MultiRenderer::artFetchedAgainPastTheBudget()
{
    QFETCH(int, side);
    QFETCH(int, graphics);
    QFETCH(int, decodes);

    HandArt shared;
    QList<int> rowOffsets(side, 0); // every row paints the same run
    QList<int> runs{0, side};
    runs << QList<int>(side, 0x7C00) << 0 << 0;
    shared.data = handArtEntry(side, side, rowOffsets, runs);
    QStringList components;
    for (int g = 0; g < graphics; ++g) {
        shared.setIndexEntry(16384 + g, 0, int(shared.data.size()));
        for (const int cell : {0, 1})
            components << QStringLiteral("%1:%2:%2:0:0:1:1").arg(g).arg(cell);
    }
    CountingDevice *data = nullptr;
    auto store = handArtStore(shared, &data);

    RenderStatus status = RenderStatus::NoReaders;
    const QImage image = renderMultiEntry(entryOf(components), store.get(), tiles.get(), &status);
    QCOMPARE(status, RenderStatus::Rendered);
    QCOMPARE(image.pixel(40 + side / 2, 40 + side / 2), QRgb(0xFFF80000));
    // The sizes read 8 bytes a graphic; each decoding reads the entry.
    QCOMPARE(data->bytesRead, qint64(8) * graphics + qint64(decodes) * shared.data.size());
}

// Art whose header changes between layout and painting (the file was
// rewritten meanwhile) is left out, so that the picture never paints more
// than its layout counted.
void tst_MultiRenderer::artChangedAfterLayout()
{
    HandArt small;
    small.add(0, handArtEntry(2, 1, {0}, {0, 2, 0x7C00, 0x7C00, 0, 0}));
    CountingDevice *data = nullptr;
    auto store = handArtStore(small, &data);
    const MultiLayout layout =
        layoutMultiEntry(entryOf({"0:0:0:0:0:1:1", "0:1:0:0:0:1:1"}), store.get(), tiles.get());
    QCOMPARE(layout.paintedPixels, 4);

    data->buffer().replace(4, 4, artWords({1, 1})); // 1 x 1 now
    ArtImageCache images(store.get(), MaxCachedArtBytes);
    const QImage image = paintMultiLayout(layout, images);
    QImage empty(layout.size, QImage::Format_ARGB32_Premultiplied);
    empty.fill(0);
    QCOMPARE(image, empty);
}

void tst_MultiRenderer::marks_data()
{
    QTest::addColumn<QStringList>("components");
    QTest::addColumn<QList<ComponentMark>>("marks");

    // Three pieces of one graphic, not drawn in the components' order: only
    // the piece of the component marked.
    const QStringList row{"1:2:0:0:0:1:1", "1:0:0:0:0:1:1", "1:1:0:0:0:1:1"};
    QTest::newRow("no marks") << row << QList<ComponentMark>{};
    QTest::newRow("the middle one of three alike")
        << row << QList<ComponentMark>{{1, ComponentMark::Added}};
    // The last mark of a component is the one drawn.
    QTest::newRow("overlapping, every kind")
        << QStringList{"4:0:1:0:0:1:1", "1:1:0:0:0:1:1", "2:1:1:0:0:1:1", "6:1:1:2:0:1:1"}
        << QList<ComponentMark>{{0, ComponentMark::Removed},
                                {1, ComponentMark::Moved},
                                {3, ComponentMark::Moved},
                                {2, ComponentMark::Replaced},
                                {3, ComponentMark::Added}};
    // The wall of the same cell is drawn after the floor and covers it whole.
    QTest::newRow("a floor hidden behind a wall")
        << QStringList{"2:0:0:0:0:1:1", "1:0:0:0:0:1:1"}
        << QList<ComponentMark>{{1, ComponentMark::Removed}};
    QTest::newRow("no such component, or no art")
        << QStringList{"1:0:0:0:0:1:1", "5:1:0:0:0:1:1"}
        << QList<ComponentMark>{
               {-1, ComponentMark::Added}, {2, ComponentMark::Added}, {1, ComponentMark::Moved}};
}

// Every pixel under a marked component's art, as the store gives it, is
// tinted with the kind of the frontmost marked piece there, wherever it is
// drawn behind others: half its colour, whole on the rim of a marked area.
// Every other pixel is as the unmarked picture has it.
void tst_MultiRenderer::marks()
{
    QFETCH(QStringList, components);
    QFETCH(QList<ComponentMark>, marks);

    const MultiEntry entry = entryOf(components, QRect(0, 0, 3, 2));
    const QImage plain = renderMultiEntry(entry, art.get(), tiles.get());
    const MultiLayout layout = layoutMultiEntry(entry, art.get(), tiles.get());
    ArtImageCache images(art.get(), MaxCachedArtBytes);
    QImage marked = paintMultiLayout(layout, images);
    QVERIFY(paintMarks(marked, layout, images, marks));

    QHash<qsizetype, QRgb> colours; // by component: the later mark
    for (const ComponentMark &mark : std::as_const(marks))
        colours.insert(mark.component, markColour(mark.kind));
    QHash<QPoint, QRgb> tint; // the colour of each pixel marked
    for (const PlacedArt &piece : layout.arts) {
        const QImage pieceArt = art->staticImage(piece.graphicId);
        for (int y = 0; y < pieceArt.height(); ++y)
            for (int x = 0; x < pieceArt.width(); ++x)
                if (colours.contains(piece.component) && qAlpha(pieceArt.pixel(x, y)) != 0)
                    tint.insert(piece.topLeft + QPoint(x, y), colours.value(piece.component));
    }
    QImage expected = plain;
    for (auto it = tint.cbegin(); it != tint.cend(); ++it) {
        const QPoint p = it.key();
        const bool rim = tint.value(p + QPoint(1, 0)) != *it ||
                         tint.value(p - QPoint(1, 0)) != *it ||
                         tint.value(p + QPoint(0, 1)) != *it || tint.value(p - QPoint(0, 1)) != *it;
        const QRgb below = plain.pixel(p);
        expected.setPixel(p, rim ? *it
                                 : qRgb((qRed(below) + qRed(*it)) / 2,
                                        (qGreen(below) + qGreen(*it)) / 2,
                                        (qBlue(below) + qBlue(*it)) / 2));
    }
    QCOMPARE(marked, expected);
}

void tst_MultiRenderer::firstEntryOnly()
{
    const MultiEntry first = entryOf({"2:0:0:0:0:1:1", "1:1:0:0:0:1:1"});
    const MultiEntry second = entryOf({"3:0:0:0:0:1:1"});
    const MultiEntry third = entryOf({"4:9:9:0:0:1:1", "6:0:0:0:0:1:1"});
    const QByteArray payload = encodeMultiPayload({first, second, third});

    const QImage image = renderMultiPayload(payload, art.get(), tiles.get());
    QCOMPARE(image, renderMultiEntry(first, art.get(), tiles.get()));
    QVERIFY(image != renderMultiEntry(second, art.get(), tiles.get()));
}

void tst_MultiRenderer::countBeyondData()
{
    // Five promised, two there, then a string whose length runs past the end.
    const QStringList present{"2:0:0:0:0:1:1", "1:1:0:0:0:1:1"};
    QByteArray payload = rawEntry(5, present);
    payload += QByteArray::fromHex("e8030000") + "1:0:";

    RenderStatus status = RenderStatus::NoReaders;
    const QImage image = renderMultiPayload(payload, art.get(), tiles.get(), &status);
    QCOMPARE(status, RenderStatus::Rendered);
    QCOMPARE(image, renderMultiEntry(entryOf(present), art.get(), tiles.get()));
}

QTEST_GUILESS_MAIN(tst_MultiRenderer)
#include "tst_multirenderer.moc"
