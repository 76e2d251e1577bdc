#include "data/artdecoder.h"
#include "data/artstore.h"

#include "demoencoders.h"
#include "handart.h"

#include <QTest>

using Words = QList<int>;

namespace {

// The pixels that decoding `entry` as graphic 0 gives, row-major.
Words decodedPixels(const QByteArray &entry, qint16 *width = nullptr, qint16 *height = nullptr)
{
    HandArt art;
    art.add(0, entry);
    auto store = handArtStore(art);
    qint16 w = 0;
    qint16 h = 0;
    const QByteArray *bitmap = store->decodedBitmap(0, w, h);
    if (width)
        *width = w;
    if (height)
        *height = h;
    Words pixels;
    if (!bitmap)
        return pixels;
    for (qsizetype at = 4; at + 1 < bitmap->size(); at += 2)
        pixels.append(qFromLittleEndian<quint16>(bitmap->constData() + at));
    return pixels;
}

} // namespace

class tst_ArtDecoding : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runs_data();
    void runs();
    void colourTable_data();
    void colourTable();
    void sizeBounds_data();
    void sizeBounds();
    void damagedRunsCostLinearReading_data();
    void damagedRunsCostLinearReading();
    void demoEncoderRoundTrip();
};

void tst_ArtDecoding::runs_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<Words>("pixels");
    const int a = 0x8001, b = 0x8002, c = 0x8003, d = 0x8004;

    QTest::newRow("first pair ends the row")
        << handArtEntry(3, 1, {0}, {0, 0, 0, 1, 0x1234}) << Words{0, 0, 0};
    QTest::newRow("skips from the previous run's end")
        << handArtEntry(8, 1, {0}, {2, 3, 1, 2, 3, 1, 1, 4, 0, 0}) << Words{0, 0, a, b, c, 0, d, 0};
    QTest::newRow("(5, -5) ends the row")
        << handArtEntry(4, 1, {0}, {5, -5, 0, 1, 0x1234, 0, 0}) << Words{0, 0, 0, 0};
    QTest::newRow("run spills into the next row")
        << handArtEntry(4, 2, {0, 10}, {1, 6, 1, 2, 3, 4, 0x7FFF, 0xFFFF, 0, 0, 0, 0})
        << Words{0, a, b, c, d, 0xFFFF, 0xFFFF, 0};
    QTest::newRow("rows sharing one offset")
        << handArtEntry(3, 3, {0, 0, 0}, {0, 1, 1, 1, 1, 2, 0, 0})
        << Words{a, 0, b, a, 0, b, a, 0, b};
    QTest::newRow("negative index not stored")
        << handArtEntry(3, 1, {0}, {-2, 3, 1, 2, 3, 0, 0}) << Words{c, 0, 0};
    QTest::newRow("pixels past the bitmap not stored")
        << handArtEntry(2, 1, {0}, {0, 5, 1, 2, 3, 4, 5, 0, 0}) << Words{a, b};
    // Row 0's runs would lie before the file's start: it stays empty and the
    // words after its offset are not taken for runs.
    QTest::newRow("row before the file's start")
        << handArtEntry(4, 2, {-32768, 2}, {1, 0x2222, 0, 1, 1, 0, 0})
        << Words{0, 0, 0, 0, a, 0, 0, 0};
    // Reads past the end of the file yield 0: colour 0 is painted black and
    // the next pair (0, 0) ends the row. A word cut by the end reads as 0.
    QTest::newRow("colours past the file's end")
        << handArtEntry(4, 1, {0}, {0, 4, 1}) + QByteArray(1, '\x55')
        << Words{a, 0x8000, 0x8000, 0x8000};
}

void tst_ArtDecoding::runs()
{
    QFETCH(QByteArray, entry);
    QFETCH(Words, pixels);
    qint16 width = 0;
    qint16 height = 0;
    QCOMPARE(decodedPixels(entry, &width, &height), pixels);
    QCOMPARE(width * height, pixels.size());

    // The runs read the same when the index claims a shorter entry.
    HandArt art;
    art.setIndexEntry(16384, 0, 8);
    art.data = entry;
    const QImage image = handArtStore(art)->staticImage(0);
    QCOMPARE(image.format(), QImage::Format_ARGB32);
    QCOMPARE(image.size(), QSize(width, height));
    for (int i = 0; i < pixels.size(); ++i)
        QCOMPARE(image.pixel(i % width, i / width), artArgb(quint16(pixels[i])));
}

void tst_ArtDecoding::colourTable_data()
{
    QTest::addColumn<int>("fileColour");
    QTest::addColumn<QRgb>("argb");
    QTest::newRow("black") << 0x0000 << QRgb(0xFF000000);
    QTest::newRow("white") << 0x7FFF << QRgb(0xFFF8F8F8);
    QTest::newRow("bit 15 ignored") << 0xFFFF << QRgb(0xFFF8F8F8);
    QTest::newRow("red") << 0x7C00 << QRgb(0xFFF80000);
    QTest::newRow("green") << 0x03E0 << QRgb(0xFF00F800);
    QTest::newRow("blue") << 0x001F << QRgb(0xFF0000F8);
    QTest::newRow("grey") << 0x4210 << QRgb(0xFF808080);
}

void tst_ArtDecoding::colourTable()
{
    QFETCH(int, fileColour);
    QFETCH(QRgb, argb);
    const QByteArray entry = handArtEntry(2, 1, {0}, {0, 1, fileColour, 0, 0});
    QCOMPARE(decodedPixels(entry), (Words{fileColour | 0x8000, 0}));
    HandArt art;
    art.add(0, entry);
    const QImage image = handArtStore(art)->staticImage(0);
    QCOMPARE(image.pixel(0, 0), argb);
    QCOMPARE(image.pixel(1, 0), QRgb(0x00000000));
}

void tst_ArtDecoding::sizeBounds_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("65535 x 65535") << 65535 << 65535 << false;
    QTest::newRow("2049 x 1") << 2049 << 1 << false;
    QTest::newRow("1 x 2049") << 1 << 2049 << false;
    QTest::newRow("1025 x 1024") << 1025 << 1024 << false;
    QTest::newRow("2048 x 512") << 2048 << 512 << true;
    QTest::newRow("512 x 2048") << 512 << 2048 << true;
    QTest::newRow("0 x 7") << 0 << 7 << true;
}

void tst_ArtDecoding::sizeBounds()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, accepted);
    HandArt art;
    art.add(0, artWords({0, 0, width, height}));
    CountingDevice *data = nullptr;
    auto store = handArtStore(art, &data);
    const QSize size = accepted ? QSize(width, height) : QSize(0, 0);
    qint16 w = -1;
    qint16 h = -1;
    QCOMPARE(store->staticSize(0, w, h), !size.isEmpty());
    QCOMPARE(QSize(w, h), size);
    const QByteArray *bitmap = store->decodedBitmap(0, w, h);
    QCOMPARE(bitmap != nullptr, accepted);
    if (bitmap)
        QCOMPARE(bitmap->size(), 4 + 2 * qsizetype(width) * height);
    const QImage image = store->staticImage(0);
    QCOMPARE(image.isNull(), size.isEmpty());
    QCOMPARE(image.size(), size.isEmpty() ? QSize(0, 0) : size);
    QVERIFY(data->bytesRead < 1024);
}

void tst_ArtDecoding::damagedRunsCostLinearReading_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<Words>("runs");
    QTest::addColumn<qint64>("maxBytesRead");

    // Every row points at one list of single-pixel runs as long as the whole
    // bitmap. Read row after row to the bitmap's end, that is ~400 MB.
    Words longList;
    for (int i = 0; i < 512 * 512; ++i)
        longList << 0 << 1 << 0x1234;
    QTest::newRow("one long run list") << 512 << (longList << 0 << 0) << qint64(32) * 1024 * 1024;
    // Pairs that move x back and forth paint nothing and never end a row:
    // 1 MiB of them read by each of 64 rows is 64 MiB.
    Words wander;
    for (int i = 0; i < 128 * 1024; ++i)
        wander << -1 << 0 << 1 << 0;
    QTest::newRow("pairs going nowhere") << 64 << (wander << 0 << 0) << qint64(8) * 1024 * 1024;
    // Runs that paint most of row 0, each followed by a pair that steps back
    // to the row's start: the colours count against the budget too, or the
    // 1.3 MB of them are read to the end.
    Words backAndForth;
    for (int i = 0; i < 10000; ++i)
        backAndForth << 0 << 63 << Words(63, 0x1234) << -63 << 0;
    QTest::newRow("colours painted over and over")
        << 64 << (backAndForth << 0 << 0) << qint64(256) * 1024;
}

void tst_ArtDecoding::damagedRunsCostLinearReading()
{
    QFETCH(int, side);
    QFETCH(Words, runs);
    QFETCH(qint64, maxBytesRead);
    HandArt art;
    art.data = handArtEntry(side, side, Words(side, 0), runs);
    art.setIndexEntry(16384, 0, 8); // the runs are read through the device
    CountingDevice *data = nullptr;
    auto store = handArtStore(art, &data);
    qint16 w = 0;
    qint16 h = 0;
    QVERIFY(store->decodedBitmap(0, w, h));
    QCOMPARE(w, qint16(side));
    QVERIFY2(data->bytesRead < maxBytesRead, QByteArray::number(data->bytesRead));
}

void tst_ArtDecoding::demoEncoderRoundTrip()
{
    QImage picture(37, 23, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, (x + 2 * y) % 7 == 0 ? 0u : qRgb(x * 7, y * 11, (x ^ y) * 5));
    HandArt art;
    art.add(5, encodeArtEntry(picture));
    const QImage image = handArtStore(art)->staticImage(5);
    QCOMPARE(image.size(), picture.size());
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb want = picture.pixel(x, y);
            QCOMPARE(image.pixel(x, y), qAlpha(want) ? want & 0xFFF8F8F8 : 0u);
        }
    }
}

QTEST_GUILESS_MAIN(tst_ArtDecoding)
#include "tst_artdecoding.moc"
