#include "demoencoders.h"

#include "cache/multicache.h"
#include "core/configuration.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const char *const SetFiles[] = {DemoCacheName, DemoArtIndexName, DemoArtDataName, DemoTileDataName};

// The small set: six houses, the keep, the boat, then five odd entries.
constexpr int SmallEntries = 13;
constexpr int KeepEntry = 6;
constexpr int FirstOddEntry = 8;

} // namespace

class tst_DemoData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void artEntryBytes();
    void tileDataItemPlacement();
    void artIndexEntries();
    void deterministic_data();
    void deterministic();
    void smallSetEntries();
    void usedGraphicsAreDescribed();

private:
    QTemporaryDir smallSet;
};

void tst_DemoData::initTestCase()
{
    QVERIFY(smallSet.isValid());
    QString error;
    QVERIFY2(writeDemoSet(smallSet.path(), false, &error), qPrintable(error));
}

void tst_DemoData::artEntryBytes()
{
    // Row 0: _ red black _    Row 1: blue _ _ grey
    QImage art(4, 2, QImage::Format_ARGB32);
    art.fill(Qt::transparent);
    art.setPixel(1, 0, qRgb(255, 0, 0));
    art.setPixel(2, 0, qRgb(0, 0, 0));
    art.setPixel(0, 1, qRgb(0, 0, 255));
    art.setPixel(3, 1, qRgb(0x80, 0x80, 0x80));

    const QByteArray expected =
        QByteArray::fromHex("00000000 0400 0200"            // 0, width 4, height 2
                            "0000 0600"                     // row offsets, in words
                            "0100 0200 007c 0000 0000 0000" // row 0: skip 1, 2 pixels; end
                            "0000 0100 1f00 0200 0100 1042 0000 0000"); // row 1
    QCOMPARE(encodeArtEntry(art).toHex(' '), expected.toHex(' '));
}

void tst_DemoData::tileDataItemPlacement()
{
    // Item 1000 is record 8 of item block 31:
    // 428032 + 31 * 1188 + 4 + 8 * 37 = 465160.
    TileDataBuilder builder;
    builder.setItem(1000, qint32(0x80000001), qint8(-1), "stone wall");
    const QByteArray file = builder.bytes();
    QCOMPARE(file.size(), 1036288);

    const char *record = file.constData() + 465160;
    QCOMPARE(qFromLittleEndian<qint32>(record), qint32(0x80000001));
    QCOMPARE(qint8(record[16]), qint8(-1));
    QCOMPARE(QByteArray(record + 17, 20), QByteArray("stone wall").leftJustified(20, '\0'));
    // The neighbours keep their zero flags.
    QCOMPARE(qFromLittleEndian<qint32>(record - 37), 0);
    QCOMPARE(qFromLittleEndian<qint32>(record + 37), 0);

    // Land 33 is record 1 of land block 1: 836 + 4 + 26 = 866.
    builder.setLand(33, 7, -2, "water");
    const QByteArray withLand = builder.bytes();
    const char *land = withLand.constData() + 866;
    QCOMPARE(qFromLittleEndian<qint32>(land), 7);
    QCOMPARE(qFromLittleEndian<qint16>(land + 4), qint16(-2));
    QCOMPARE(QByteArray(land + 6, 20), QByteArray("water").leftJustified(20, '\0'));
}

void tst_DemoData::artIndexEntries()
{
    QImage dot(1, 1, QImage::Format_ARGB32);
    dot.fill(Qt::white);
    const QByteArray dotEntry = encodeArtEntry(dot);
    ArtFileBuilder builder;
    builder.add(0, dot);
    builder.addRaw(16383, "raw bytes");
    builder.setIndexEntry(5, -7, 3);
    const QByteArray index = builder.index();
    QCOMPARE(index.size(), 393216);

    auto field = [&index](int entry, int n) {
        return qFromLittleEndian<qint32>(index.constData() + entry * 12 + n * 4);
    };
    // Graphic g is index entry 16384 + g: graphic 0 at byte 196608, 16383 last.
    QCOMPARE(field(16384, 0), 0);
    QCOMPARE(field(16384, 1), dotEntry.size());
    QCOMPARE(field(32767, 0), dotEntry.size());
    QCOMPARE(field(32767, 1), 9);
    QCOMPARE(field(16384 + 5, 0), -7);
    QCOMPARE(field(16384 + 5, 1), 3);
    for (int entry : {0, 16383, 16385, 32766}) {
        QCOMPARE(field(entry, 0), -1);
        QCOMPARE(field(entry, 1), -1);
    }
    QCOMPARE(builder.data(), dotEntry + "raw bytes");
}

void tst_DemoData::deterministic_data()
{
    QTest::addColumn<bool>("large");
    QTest::newRow("demo set") << false;
    QTest::newRow("large set") << true;
}

void tst_DemoData::deterministic()
{
    QFETCH(bool, large);
    QTemporaryDir first, second;
    QVERIFY(first.isValid() && second.isValid());
    QVERIFY(writeDemoSet(first.path() + QStringLiteral("/set"), large));
    QVERIFY(writeDemoSet(second.path() + QStringLiteral("/set"), large));

    for (const char *name : SetFiles) {
        const QByteArray bytes = contents(first.path() + QStringLiteral("/set/") + name);
        QVERIFY2(!bytes.isEmpty(), name);
        QVERIFY2(bytes == contents(second.path() + QStringLiteral("/set/") + name), name);
    }
    // The configurations differ only in the directory they name.
    QByteArray config = contents(first.path() + QStringLiteral("/set/") + DemoConfigName);
    config.replace(first.path().toUtf8(), second.path().toUtf8());
    QCOMPARE(config, contents(second.path() + QStringLiteral("/set/") + DemoConfigName));
}

void tst_DemoData::smallSetEntries()
{
    const ConfigurationFile read =
        readConfigurationFile(smallSet.filePath(QString::fromLatin1(DemoConfigName)));
    QVERIFY(read.opened);
    const Configuration *configuration = &read.values;
    QCOMPARE(configuration->cache, QDir(smallSet.path()).absoluteFilePath(DemoCacheName));
    QVERIFY(QFile::exists(configuration->artidx));
    QVERIFY(QFile::exists(configuration->artmul));
    QVERIFY(QFile::exists(configuration->tiledata));

    MultiCache cache;
    QVERIFY(cache.load(configuration->cache));
    const QList<MultiEntry> entries = cache.entries();
    QCOMPARE(entries.size(), SmallEntries);
    for (int n = 0; n < KeepEntry; ++n) {
        QVERIFY2(entries[n].components.size() >= 20, qPrintable(QString::number(n)));
        QVERIFY2(entries[n].components.size() <= 200, qPrintable(QString::number(n)));
    }
    QVERIFY(entries[KeepEntry].components.size() >= 3000);
    QVERIFY(entries[KeepEntry].bounds.width() >= 30 && entries[KeepEntry].bounds.height() >= 30);
    // Counts of 0, below 0 and not a number give entries without components.
    for (int n = FirstOddEntry; n < FirstOddEntry + 3; ++n)
        QVERIFY(entries[n].components.isEmpty());
}

void tst_DemoData::usedGraphicsAreDescribed()
{
    MultiCache cache;
    QVERIFY(cache.load(smallSet.filePath(QString::fromLatin1(DemoCacheName))));
    QSet<int> used;
    for (const MultiEntry &entry : cache.entries())
        for (const ComponentSpec &spec : entry.components)
            used.insert(spec.text().section(u':', 0, 0).toInt());
    const QByteArray index = contents(smallSet.filePath(QString::fromLatin1(DemoArtIndexName)));
    const QByteArray data = contents(smallSet.filePath(QString::fromLatin1(DemoArtDataName)));
    const QByteArray tiles = contents(smallSet.filePath(QString::fromLatin1(DemoTileDataName)));
    QCOMPARE(index.size(), 32768 * 12);

    int withoutArt = 0;
    for (int graphic : std::as_const(used)) {
        if (graphic < 1 || graphic >= 16384)
            continue; // the odd entries' unreadable and out-of-range ids
        const char *item =
            tiles.constData() + 428032 + (graphic / 32) * 1188 + 4 + (graphic % 32) * 37;
        QVERIFY2(item[17] != '\0', qPrintable(QStringLiteral("no name for %1").arg(graphic)));
        const char *entry = index.constData() + (16384 + graphic) * 12;
        const qint32 lookup = qFromLittleEndian<qint32>(entry);
        const qint32 length = qFromLittleEndian<qint32>(entry + 4);
        if (lookup == -1) {
            ++withoutArt;
            continue;
        }
        QVERIFY(length > 8);
        QVERIFY(lookup >= 0 && qsizetype(lookup) + length <= data.size());
        const quint16 width = qFromLittleEndian<quint16>(data.constData() + lookup + 4);
        QVERIFY2(width >= 44,
                 qPrintable(QStringLiteral("graphic %1 is %2 wide").arg(graphic).arg(width)));
    }
    QVERIFY(withoutArt >= 1);
}

QTEST_GUILESS_MAIN(tst_DemoData)
#include "tst_demodata.moc"
