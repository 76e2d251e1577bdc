#include "data/artstore.h"

#include "handart.h"

#include <QTemporaryDir>
#include <QTest>

#include <climits>

namespace {

// An entry of width w and height 1 with one painted pixel, so that each
// graphic's size tells which entry was read.
QByteArray sizedEntry(int width)
{
    return handArtEntry(width, 1, {0}, {0, 1, 0x7FFF, 0, 0});
}

bool decodes(ArtStore &store, int graphicId)
{
    qint16 width = 0;
    qint16 height = 0;
    return store.decodedBitmap(graphicId, width, height) != nullptr;
}

// Whether asking for graphic g's bitmap read the data file (it was not cached).
bool readsData(ArtStore &store, CountingDevice *data, int graphicId)
{
    data->resetCounts();
    decodes(store, graphicId);
    return data->reads > 0;
}

} // namespace

class tst_ArtStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void indexEntryOfGraphic_data();
    void indexEntryOfGraphic();
    void noArt_data();
    void noArt();
    void lookupPastTheDataEnd();
    void filesOnDisk();
    void staticSizeReadsHeaderOnly();
    void leastRecentlyUsedEvicted();
    void staticSizeRefreshesEntry();
    void dataFileGrowsAfterOpening();
};

void tst_ArtStore::indexEntryOfGraphic_data()
{
    QTest::addColumn<int>("graphicId");
    QTest::addColumn<int>("width");
    QTest::newRow("0: entry 16384 at byte 196608") << 0 << 3;
    QTest::newRow("16383: the file's last entry") << 16383 << 5;
    QTest::newRow("-1 has no entry") << -1 << 0;
    QTest::newRow("16384 has no entry") << 16384 << 0;
    QTest::newRow("65535") << 65535 << 0;
    QTest::newRow("INT_MIN") << INT_MIN << 0;
    QTest::newRow("INT_MAX") << INT_MAX << 0;
}

void tst_ArtStore::indexEntryOfGraphic()
{
    QFETCH(int, graphicId);
    QFETCH(int, width);
    HandArt art;
    const QByteArray entry = sizedEntry(3);
    art.data = sizedEntry(3) + sizedEntry(5) + sizedEntry(9);
    const auto put = [&art, &entry](qsizetype at, int which) {
        const QByteArray fields = artWords({which * int(entry.size()), 0, int(entry.size()), 0});
        art.index.replace(at, 8, fields);
    };
    put(196608, 0);
    put(393204, 1);
    put(196596, 2); // entry 16383, below the item entries
    art.index += QByteArray(12, '\0');
    put(393216, 2); // past the 32768 entries

    CountingDevice *data = nullptr;
    auto store = handArtStore(art, &data);
    qint16 w = 0;
    qint16 h = 0;
    QCOMPARE(store->staticSize(graphicId, w, h), width != 0);
    QCOMPARE(w, qint16(width));
    QCOMPARE(store->staticImage(graphicId).width(), width);
    if (width == 0)
        QCOMPARE(data->reads, 0);
}

void tst_ArtStore::noArt_data()
{
    QTest::addColumn<qint32>("lookup");
    QTest::addColumn<qint32>("length");
    QTest::newRow("lookup -1") << -1 << 20;
    QTest::newRow("length 0") << 0 << 0;
    QTest::newRow("negative length") << 0 << -5;
    // A seek before the file's start would leave the reads wherever the file
    // was; such an entry has no art.
    QTest::newRow("lookup -8") << -8 << 20;
    QTest::newRow("lookup INT_MIN") << INT_MIN << 20;
}

void tst_ArtStore::noArt()
{
    QFETCH(qint32, lookup);
    QFETCH(qint32, length);
    HandArt art;
    art.data = sizedEntry(4);
    art.setIndexEntry(16384 + 7, lookup, length);
    CountingDevice *data = nullptr;
    auto store = handArtStore(art, &data);
    for (int round = 0; round < 2; ++round) {
        qint16 w = -1;
        qint16 h = -1;
        QVERIFY(!store->staticSize(7, w, h));
        QCOMPARE(QSize(w, h), QSize(0, 0));
        QVERIFY(!store->decodedBitmap(7, w, h));
        QCOMPARE(QSize(w, h), QSize(0, 0));
        QVERIFY(store->staticImage(7).isNull());
    }
    QCOMPARE(data->reads, 0);
}

void tst_ArtStore::lookupPastTheDataEnd()
{
    HandArt art;
    art.data = sizedEntry(4);
    art.setIndexEntry(16384 + 2, 1000, 40);
    CountingDevice *data = nullptr;
    auto store = handArtStore(art, &data);
    qint16 w = -1;
    qint16 h = -1;
    QVERIFY(!store->staticSize(2, w, h));
    QCOMPARE(QSize(w, h), QSize(0, 0));
    const QByteArray *bitmap = store->decodedBitmap(2, w, h);
    QVERIFY(bitmap);
    QCOMPARE(*bitmap, QByteArray(4, '\0'));
    QVERIFY(store->staticImage(2).isNull());
    QVERIFY(!readsData(*store, data, 2)); // the 0 x 0 bitmap is cached
}

void tst_ArtStore::filesOnDisk()
{
    QTemporaryDir dir;
    HandArt art;
    art.add(12, handArtEntry(2, 2, {0, 0}, {1, 1, 0x001F, 0, 0}));
    art.setIndexEntry(16384 + 13, 0, 26);
    art.index.truncate(196608 + 12 * 14); // a short index: entries after 13 have no art
    QFile index(dir.filePath("index"));
    QFile data(dir.filePath("data"));
    QVERIFY(index.open(QIODevice::WriteOnly) && data.open(QIODevice::WriteOnly));
    index.write(art.index.left(art.index.size() - 6)); // entry 13's length cut in half
    data.write(art.data);
    index.close();
    data.close();

    ArtStore store(index.fileName(), data.fileName());
    QVERIFY(store.indexOpened());
    QVERIFY(store.dataOpened());
    const QImage image = store.staticImage(12);
    QCOMPARE(image.size(), QSize(2, 2));
    QCOMPARE(image.pixel(1, 1), QRgb(0xFF0000F8));
    QCOMPARE(image.pixel(0, 1), QRgb(0));
    QVERIFY(store.staticImage(13).isNull());

    ArtStore missing(dir.filePath("no-index"), dir.filePath("no-data"));
    QVERIFY(!missing.indexOpened());
    QVERIFY(!missing.dataOpened());
    qint16 w = -1;
    qint16 h = -1;
    QVERIFY(!missing.staticSize(12, w, h));
    QCOMPARE(QSize(w, h), QSize(0, 0));
    QVERIFY(missing.staticImage(12).isNull());
}

void tst_ArtStore::staticSizeReadsHeaderOnly()
{
    HandArt art;
    art.add(1, sizedEntry(6));
    CountingDevice *data = nullptr;
    auto store = handArtStore(art, &data);
    qint16 w = 0;
    qint16 h = 0;
    QVERIFY(store->staticSize(1, w, h));
    QCOMPARE(QSize(w, h), QSize(6, 1));
    QCOMPARE(data->bytesRead, qint64(8));
    QVERIFY(readsData(*store, data, 1)); // the size query cached nothing
    data->resetCounts();
    QVERIFY(store->staticSize(1, w, h));
    QCOMPARE(QSize(w, h), QSize(6, 1));
    QCOMPARE(data->reads, 0);
}

void tst_ArtStore::leastRecentlyUsedEvicted()
{
    HandArt art;
    for (int g = 1; g <= 21; ++g)
        art.add(g, sizedEntry(g));
    CountingDevice *data = nullptr;
    auto store = handArtStore(art, &data);
    for (int g = 1; g <= 21; ++g)
        QVERIFY(readsData(*store, data, g));
    QVERIFY(readsData(*store, data, 1)); // decoded afresh, evicting g2
    QVERIFY(readsData(*store, data, 2));
    for (int g = 4; g <= 21; ++g)
        QVERIFY2(!readsData(*store, data, g), QByteArray::number(g));
}

void tst_ArtStore::staticSizeRefreshesEntry()
{
    HandArt art;
    for (int g = 1; g <= 21; ++g)
        art.add(g, sizedEntry(g));
    CountingDevice *data = nullptr;
    auto store = handArtStore(art, &data);
    for (int g = 1; g <= 20; ++g)
        QVERIFY(decodes(*store, g));
    qint16 w = 0;
    qint16 h = 0;
    data->resetCounts();
    QVERIFY(store->staticSize(1, w, h));
    QCOMPARE(w, qint16(1));
    QCOMPARE(data->reads, 0);
    QVERIFY(readsData(*store, data, 21));
    QVERIFY(!readsData(*store, data, 1));
    QVERIFY(readsData(*store, data, 2));
}

// Art appended to the data file after the store opened it is found: the
// reader looks at the file's size again when a read starts past its end.
void tst_ArtStore::dataFileGrowsAfterOpening()
{
    QTemporaryDir dir;
    HandArt art;
    art.add(1, sizedEntry(3));
    const QByteArray later = sizedEntry(7);
    art.setIndexEntry(16384 + 2, qint32(art.data.size()), qint32(later.size()));
    QFile index(dir.filePath("index"));
    QFile data(dir.filePath("data"));
    QVERIFY(index.open(QIODevice::WriteOnly) && data.open(QIODevice::WriteOnly));
    QCOMPARE(index.write(art.index), art.index.size());
    QCOMPARE(data.write(art.data), art.data.size());
    index.close();
    data.flush();

    ArtStore store(index.fileName(), data.fileName());
    QCOMPARE(store.staticImage(1).size(), QSize(3, 1));
    qint16 w = -1;
    qint16 h = -1;
    QVERIFY(!store.staticSize(2, w, h));
    QCOMPARE(data.write(later), later.size());
    data.close();
    QVERIFY(store.staticSize(2, w, h));
    QCOMPARE(QSize(w, h), QSize(7, 1));
    QCOMPARE(store.staticImage(2).size(), QSize(7, 1));
}

QTEST_GUILESS_MAIN(tst_ArtStore)
#include "tst_artstore.moc"
