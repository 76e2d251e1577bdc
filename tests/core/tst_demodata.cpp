#include "demoencoders.h"

#include <QTest>
#include <QtEndian>

class tst_DemoData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void artEntryBytes();
    void tileDataItemPlacement();
};

void tst_DemoData::artEntryBytes()
{
    // Row 0: _ red black _    Row 1: blue _ _ grey
    QImage art(4, 2, QImage::Format_ARGB32);
    art.fill(Qt::transparent);
    art.setPixel(1, 0, qRgb(255, 0, 0));
    art.setPixel(2, 0, qRgb(0, 0, 0));
    art.setPixel(0, 1, qRgb(0, 0, 255));
    art.setPixel(3, 1, qRgb(0x80, 0x80, 0x80));

    const QByteArray expected = QByteArray::fromHex("00000000"
                                                    "0400"
                                                    "0200" // header: 0, width 4, height 2
                                                    "0000"
                                                    "0600" // row offsets in words after the table
                                                    "0100"
                                                    "0200"
                                                    "007c"
                                                    "0000"
                                                    "0000"
                                                    "0000" // row 0: skip 1, 2 pixels; end
                                                    "0000"
                                                    "0100"
                                                    "1f00" // row 1: 1 pixel at x 0
                                                    "0200"
                                                    "0100"
                                                    "1042"
                                                    "0000"
                                                    "0000"); //        skip 2, 1 pixel; end
    QCOMPARE(encodeArtEntry(art).toHex(), expected.toHex());
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
}

QTEST_GUILESS_MAIN(tst_DemoData)
#include "tst_demodata.moc"
