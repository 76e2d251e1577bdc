#include "data/tiledatastore.h"

#include "demoencoders.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <climits>

namespace {

constexpr int FileSize = 1036288;

qint64 landOffset(int n)
{
    return (n / 32) * 836 + 4 + (n % 32) * 26;
}

qint64 itemOffset(int n)
{
    return 428032 + (n / 32) * 1188 + 4 + (n % 32) * 37;
}

// A tile data file full of junk 0xEE bytes, so that a block header or an
// unread byte taken for a field shows.
struct HandTileData
{
    QByteArray file = QByteArray(FileSize, '\xEE');

    void setItem(int n, qint32 flags, quint8 height, const QByteArray &name)
    {
        char *at = file.data() + itemOffset(n);
        qToLittleEndian<qint32>(flags, at);
        at[16] = char(height);
        std::memcpy(at + 17, name.leftJustified(20, '\0', true).constData(), 20);
    }
    void setLand(int n, qint32 flags, qint16 value, const QByteArray &name)
    {
        char *at = file.data() + landOffset(n);
        qToLittleEndian<qint32>(flags, at);
        qToLittleEndian<qint16>(value, at + 4);
        std::memcpy(at + 6, name.leftJustified(20, '\0', true).constData(), 20);
    }
};

TileDataStore storeOn(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    return TileDataStore(&buffer);
}

} // namespace

class tst_TileDataStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void records_data();
    void records();
    void outOfRange_data();
    void outOfRange();
    void shortFile_data();
    void shortFile();
    void filesOnDisk();
    void demoBuilderRoundTrip();
};

void tst_TileDataStore::records_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<qint32>("flags");
    QTest::addColumn<int>("heightByte");
    QTest::addColumn<qint16>("landValue");
    QTest::addColumn<QByteArray>("nameBytes");
    QTest::addColumn<QString>("name");
    QTest::newRow("0, after the first block header")
        << 0 << qint32(0x12345678) << 7 << qint16(300) << QByteArray("wall") << "wall";
    QTest::newRow("32, after the second block header")
        << 32 << qint32(1) << 1 << qint16(-2) << QByteArray("door") << "door";
    QTest::newRow("31, last of a block")
        << 31 << qint32(2) << 2 << qint16(3) << QByteArray("x") << "x";
    QTest::newRow("16383, the last record")
        << 16383 << qint32(INT_MIN) << 255 << qint16(-32768) << QByteArray("last") << "last";
    QTest::newRow("height 255, top flag bit")
        << 100 << qint32(0x80000001) << 255 << qint16(0) << QByteArray("n") << "n";
    QTest::newRow("20-character name")
        << 5 << qint32(0) << 0 << qint16(0) << QByteArray("abcdefghijklmnopqrst")
        << "abcdefghijklmnopqrst";
    QTest::newRow("empty name") << 6 << qint32(0) << 0 << qint16(0) << QByteArray("\0abc", 4)
                                << QString();
    QTest::newRow("name up to the first zero")
        << 7 << qint32(0) << 0 << qint16(0) << QByteArray("ab\0cd", 5) << "ab";
    QTest::newRow("Latin-1 name") << 8 << qint32(0) << 0 << qint16(0) << QByteArray("caf\xE9")
                                  << QStringLiteral(u"caf\u00E9");
}

void tst_TileDataStore::records()
{
    QFETCH(int, n);
    QFETCH(qint32, flags);
    QFETCH(int, heightByte);
    QFETCH(qint16, landValue);
    QFETCH(QByteArray, nameBytes);
    QFETCH(QString, name);
    HandTileData file;
    file.setItem(n, flags, quint8(heightByte), nameBytes);
    file.setLand(n, ~flags, landValue, nameBytes);
    const TileDataStore store = storeOn(file.file);
    QVERIFY(store.opened());

    const TileDataRecord item = store.itemRecord(n);
    QCOMPARE(item.flags, flags);
    QCOMPARE(item.height, qint8(heightByte));
    QCOMPARE(item.name, name);
    QCOMPARE(item.landValue, qint16(0));

    const TileDataRecord land = store.landRecord(n);
    QCOMPARE(land.flags, ~flags);
    QCOMPARE(land.height, qint8(0));
    QCOMPARE(land.name, name);
    QCOMPARE(land.landValue, landValue);
}

void tst_TileDataStore::outOfRange_data()
{
    QTest::addColumn<int>("n");
    QTest::newRow("-1") << -1;
    QTest::newRow("16384") << 16384;
    QTest::newRow("65535") << 65535;
    QTest::newRow("INT_MIN") << INT_MIN;
    QTest::newRow("INT_MAX") << INT_MAX;
}

void tst_TileDataStore::outOfRange()
{
    QFETCH(int, n);
    // Junk past the file's end and in every record: none of it may show.
    const TileDataStore store = storeOn(HandTileData().file + QByteArray(100000, '\x11'));
    for (const TileDataRecord &record : {store.itemRecord(n), store.landRecord(n)}) {
        QCOMPARE(record.flags, 0);
        QCOMPARE(record.height, qint8(0));
        QCOMPARE(record.landValue, qint16(0));
        QVERIFY(record.name.isEmpty());
    }
}

void tst_TileDataStore::shortFile_data()
{
    QTest::addColumn<int>("kept"); // bytes of item 10's record left in the file
    QTest::addColumn<qint32>("flags");

    // A number cut short reads as 0; one that ends where the file ends is whole.
    QTest::newRow("cut inside the flags") << 2 << qint32(0);
    QTest::newRow("one byte short of the flags") << 3 << qint32(0);
    QTest::newRow("the flags end at the file's end") << 4 << qint32(0x01020304);
}

void tst_TileDataStore::shortFile()
{
    QFETCH(int, kept);
    QFETCH(qint32, flags);
    HandTileData file;
    file.setItem(9, 99, 9, "nine");
    file.setItem(10, 0x01020304, 10, "ten");
    const TileDataStore store = storeOn(file.file.left(itemOffset(10) + kept));
    QCOMPARE(store.itemRecord(9).flags, 99);
    QCOMPARE(store.itemRecord(9).name, "nine");
    QCOMPARE(store.itemRecord(10).flags, flags);
    QCOMPARE(store.itemRecord(10).height, qint8(0));
    QVERIFY(store.itemRecord(10).name.isEmpty());
    QCOMPARE(store.itemRecord(16383).flags, 0);
    QCOMPARE(store.landRecord(16383).flags, qint32(0xEEEEEEEE)); // the land section is whole
}

void tst_TileDataStore::filesOnDisk()
{
    QTemporaryDir dir;
    HandTileData data;
    data.setItem(4000, 44, 4, "four");
    QFile file(dir.filePath("tiledata"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data.file);
    file.close();
    const TileDataStore store(file.fileName());
    QVERIFY(store.opened());
    QCOMPARE(store.itemRecord(4000).name, "four");

    const TileDataStore missing(dir.filePath("none"));
    QVERIFY(!missing.opened());
    QCOMPARE(missing.itemRecord(4000).flags, 0);
    QVERIFY(missing.landRecord(0).name.isEmpty());
}

void tst_TileDataStore::demoBuilderRoundTrip()
{
    TileDataBuilder builder;
    builder.setItem(1234, -5, -3, "stone");
    builder.setLand(4321, 7, -8, "grass");
    const TileDataStore store = storeOn(builder.bytes());
    QCOMPARE(store.itemRecord(1234).flags, -5);
    QCOMPARE(store.itemRecord(1234).height, qint8(-3));
    QCOMPARE(store.itemRecord(1234).name, "stone");
    QCOMPARE(store.landRecord(4321).landValue, qint16(-8));
    QCOMPARE(store.landRecord(4321).name, "grass");
}

QTEST_GUILESS_MAIN(tst_TileDataStore)
#include "tst_tiledatastore.moc"
