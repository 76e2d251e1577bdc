#include "cache/multipayload.h"

#include <QDataStream>
#include <QTest>

namespace {

// A single entry, 76 bytes: "Entry 0", bounds (-1, 2, -1, 2), one component.
const QByteArray SingleEntry =
    QByteArray::fromHex("0e000000"
                        "45006e0074007200790020003000"
                        "ffffffff02000000ffffffff02000000"
                        "01000000"
                        "22000000"
                        "31003200330034003a002d0031003a0032003a0030003a0030003a0031003a003100");

MultiEntry singleEntry()
{
    return {"Entry 0", QRect(QPoint(-1, 2), QPoint(-1, 2)), {"1234:-1:2:0:0:1:1"}};
}

QByteArray raw(quint32 length, const QByteArray &tail = {})
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << length;
    return bytes + tail;
}

} // namespace

class tst_MultiPayload : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void singleEntryIsByteExact();
    void roundTrip_data();
    void roundTrip();
    void nullStringReadsAsEmpty();
    void corruptPayloads_data();
    void corruptPayloads();
    void negativeCountHasNoComponents();
};

void tst_MultiPayload::singleEntryIsByteExact()
{
    QCOMPARE(SingleEntry.size(), 76);
    QCOMPARE(encodeMultiPayload({singleEntry()}), SingleEntry);

    MultiPayloadReader reader(SingleEntry);
    MultiEntry entry;
    QVERIFY(reader.readEntry(entry));
    QCOMPARE(entry.text, singleEntry().text);
    QCOMPARE(entry.bounds, singleEntry().bounds);
    QCOMPARE(entry.components.texts(), singleEntry().components.texts());
    QVERIFY(reader.atEnd());
}

void tst_MultiPayload::roundTrip_data()
{
    QTest::addColumn<QList<MultiEntry>>("entries");
    const QRect none(QPoint(80000, 80000), QPoint(-80000, -80000));
    QTest::newRow("three in order")
        << QList<MultiEntry>{{"Entry 2", QRect(0, 0, 1, 1), {"1:0:0:0:0:1:1"}},
                             {"Entry 0", none, {}},
                             {"Entry 7", QRect(QPoint(-5, -5), QPoint(5, 5)), {"a", "b", "c"}}};
    QTest::newRow("renamed, non-ASCII")
        << QList<MultiEntry>{{QString::fromUtf8("Maison \xc3\xa9t\xc3\xa9 \xf0\x9f\x8f\xa0"),
                              QRect(QPoint(1, 2), QPoint(3, 4)),
                              {QString::fromUtf8("\xc3\xa9:1:2:3:0:1:1")}}};
    QTest::newRow("empty text") << QList<MultiEntry>{{"", none, {""}}};
    QTest::newRow("none") << QList<MultiEntry>{};
}

void tst_MultiPayload::roundTrip()
{
    QFETCH(QList<MultiEntry>, entries);
    const QByteArray payload = encodeMultiPayload(entries);

    MultiPayloadReader reader(payload);
    for (const MultiEntry &expected : entries) {
        QVERIFY(!reader.atEnd());
        MultiEntry entry;
        QVERIFY(reader.readEntry(entry));
        QCOMPARE(entry.text, expected.text);
        QCOMPARE(entry.bounds, expected.bounds);
        QCOMPARE(entry.components.texts(), expected.components.texts());
    }
    QVERIFY(reader.atEnd());
}

void tst_MultiPayload::nullStringReadsAsEmpty()
{
    QByteArray payload = raw(0xffffffffu) + QByteArray(16, '\0') + QByteArray::fromHex("01000000") +
                         raw(0xffffffffu);
    MultiPayloadReader reader(payload);
    MultiEntry entry;
    QVERIFY(reader.readEntry(entry));
    QVERIFY(entry.text.isEmpty());
    QCOMPARE(entry.components.size(), 1);
    QVERIFY(entry.components.texts().constFirst().isEmpty());
}

void tst_MultiPayload::corruptPayloads_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("components"); // what the cut-short entry still holds

    const QByteArray head = encodeMultiPayload({{"E", QRect(), {}}}).chopped(4);
    QTest::newRow("huge count") << head + QByteArray::fromHex("00943577") + raw(2, "x\0"_qba)
                                << QStringList{"x"};
    QTest::newRow("string longer than data")
        << head + QByteArray::fromHex("01000000") + raw(0x7ffffff0, "ab") << QStringList{};
    QTest::newRow("odd string length")
        << head + QByteArray::fromHex("01000000") + raw(3, "abc") << QStringList{};
    QTest::newRow("cut inside bounds") << head.left(10) << QStringList{};
    QTest::newRow("text length beyond data") << raw(0xfffffff0) << QStringList{};
}

void tst_MultiPayload::corruptPayloads()
{
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, components);

    MultiPayloadReader reader(payload);
    MultiEntry entry;
    QVERIFY(!reader.readEntry(entry));
    QCOMPARE(entry.components.texts(), components);
    QVERIFY(reader.atEnd());
}

void tst_MultiPayload::negativeCountHasNoComponents()
{
    const QByteArray head = encodeMultiPayload({{"E", QRect(), {}}}).chopped(4);
    MultiPayloadReader reader(head + QByteArray::fromHex("feffffff") + head +
                              QByteArray::fromHex("00000000"));
    MultiEntry entry;
    QVERIFY(reader.readEntry(entry));
    QVERIFY(entry.components.isEmpty());
    QVERIFY(reader.readEntry(entry));
    QVERIFY(reader.atEnd());
}

QTEST_GUILESS_MAIN(tst_MultiPayload)
#include "tst_multipayload.moc"
