#include "data/tiledatastore.h"
#include "demoencoders.h"
#include "preview/multicomponent.h"

#include <QBuffer>
#include <QTest>

#include <memory>

namespace {

// Tile data whose item and land records of one number differ, so a test can
// tell which table a component used. Bias of each item: see orderTable().
std::unique_ptr<TileDataStore> makeTiles()
{
    TileDataBuilder builder;
    builder.setItem(5, 0x105, 0, "item five");
    builder.setLand(5, 0x205, 0, "land five");
    builder.setItem(0, 0x100, 0, "item zero");
    builder.setLand(0, 0x200, 0, "land zero");
    builder.setItem(1234, 0x1234, 12, "item");
    builder.setLand(1234, 0x4321, 0, "land");
    builder.setItem(4464, 0x4464, -1, "wrapped");
    builder.setItem(10, 1, 0, "floor");                      // bias 0
    builder.setItem(11, 0, 3, "wall");                       // bias 2
    builder.setItem(12, 0, 0, "no bit 0");                   // bias 1
    builder.setItem(13, 1, 5, "tall");                       // bias 1
    builder.setItem(14, 1, 0, "another floor");              // bias 0
    builder.setItem(15, qint32(0x80000001), -1, "negative"); // bias 1
    builder.setLand(20, 0, 9, "land");                       // land: bias 0 whatever its flags

    QBuffer buffer;
    buffer.setData(builder.bytes());
    buffer.open(QIODevice::ReadOnly);
    return std::make_unique<TileDataStore>(&buffer);
}

} // namespace

class tst_MultiComponent : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void parsing_data();
    void parsing();
    void withoutTileData();
    void order_data();
    void order();

private:
    std::unique_ptr<TileDataStore> tiles;
};

void tst_MultiComponent::initTestCase()
{
    tiles = makeTiles();
}

void tst_MultiComponent::parsing_data()
{
    QTest::addColumn<QString>("specText");
    QTest::addColumn<int>("graphicId");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("z");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("height");

    QTest::newRow("cache line") << "1234:-1:2:0:0:1:1" << 1234 << -1 << 2 << 0 << 1 << 0x1234 << 12;
    QTest::newRow("empty text: land 0") << "" << 0 << 0 << 0 << 0 << 0 << 0x200 << 0;
    QTest::newRow("letters give 0") << "5:a:b:c:0:1:1" << 5 << 0 << 0 << 0 << 1 << 0x105 << 0;
    QTest::newRow("kind 2 is land") << "5:1:1:7:0:1:2" << 5 << 1 << 1 << 7 << 2 << 0x205 << 0;
    QTest::newRow("few sections: land") << "1234:3:4" << 1234 << 3 << 4 << 0 << 0 << 0x4321 << 0;
    QTest::newRow("empty sections count")
        << "1234::4::0:1:1" << 1234 << 0 << 4 << 0 << 1 << 0x1234 << 12;
    QTest::newRow("16-bit wrap") << "70000:0:0:32768:0:1:1" << 4464 << 0 << 0 << -32768 << 1
                                 << 0x4464 << -1;
    QTest::newRow("z keeps low 16 bits")
        << "5:0:0:65535:0:1:1" << 5 << 0 << 0 << -1 << 1 << 0x105 << 0;
    QTest::newRow("x, y full 32 bits") << "5:2147483647:-2147483648:0:0:1:1" << 5 << 2147483647
                                       << int(-2147483648LL) << 0 << 1 << 0x105 << 0;
    QTest::newRow("beyond 32 bits gives 0")
        << "5:99999999999:0:0:0:1:1" << 5 << 0 << 0 << 0 << 1 << 0x105 << 0;
    QTest::newRow("extra sections ignored")
        << "5:1:2:3:0:1:1:9:9" << 5 << 1 << 2 << 3 << 1 << 0x105 << 0;
    QTest::newRow("kind not a number: land")
        << "5:1:2:3:0:1:x" << 5 << 1 << 2 << 3 << 0 << 0x205 << 0;
}

void tst_MultiComponent::parsing()
{
    QFETCH(QString, specText);
    const MultiComponent component(specText, tiles.get());
    QTEST(int(component.graphicId), "graphicId");
    QTEST(int(component.x), "x");
    QTEST(int(component.y), "y");
    QTEST(int(component.z), "z");
    QTEST(int(component.kind), "kind");
    QTEST(int(component.flags), "flags");
    QTEST(int(component.height), "height");
}

void tst_MultiComponent::withoutTileData()
{
    const MultiComponent component(QStringLiteral("1234:1:2:3:0:1:1"), nullptr);
    QCOMPARE(component.graphicId, quint16(1234));
    QCOMPARE(component.z, qint16(3));
    QCOMPARE(component.flags, 0);
    QCOMPARE(component.height, qint8(0));
    QCOMPARE(component.sortBias(), 1);
}

void tst_MultiComponent::order_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("aFirst");
    QTest::addColumn<bool>("bFirst");

    QTest::newRow("bias 0 before bias 2") << "10:0:0:0:0:1:1"
                                          << "11:0:0:0:0:1:1" << true << false;
    QTest::newRow("z 0 bias 2 after z 1 bias 0") << "11:0:0:0:0:1:1"
                                                 << "10:0:0:1:0:1:1" << false << true;
    QTest::newRow("land before item on equal key") << "20:0:0:0:0:1:2"
                                                   << "10:0:0:0:0:1:1" << true << false;
    QTest::newRow("land z 1 before item z 1") << "20:0:0:1:0:1:0"
                                              << "10:0:0:1:0:1:1" << true << false;
    QTest::newRow("bias decides a tie of z + bias") << "11:0:0:-5:0:1:1"
                                                    << "10:0:0:-3:0:1:1" << false << true;
    QTest::newRow("height alone gives bias") << "13:0:0:0:0:1:1"
                                             << "12:0:0:0:0:1:1" << false << true;
    QTest::newRow("graphic decides the rest") << "10:0:0:0:0:1:1"
                                              << "14:0:0:0:0:1:1" << true << false;
    QTest::newRow("negative flags and height") << "15:0:0:0:0:1:1"
                                               << "10:0:0:1:0:1:1" << false << true;
    QTest::newRow("z sign-extended") << "10:0:0:65535:0:1:1"
                                     << "10:0:0:0:0:1:1" << true << false;
    QTest::newRow("graphic compared unsigned") << "1:0:0:0:0:1:0"
                                               << "65535:0:0:0:0:1:0" << true << false;
    QTest::newRow("place does not count") << "10:0:0:0:0:1:1"
                                          << "10:9:-9:0:0:1:1" << false << false;
    QTest::newRow("land kinds equal") << "20:0:0:0:0:1:2"
                                      << "20:0:0:0:0:1:0" << false << false;
}

void tst_MultiComponent::order()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    const MultiComponent first(a, tiles.get());
    const MultiComponent second(b, tiles.get());
    QTEST(first < second, "aFirst");
    QTEST(second < first, "bFirst");
}

QTEST_GUILESS_MAIN(tst_MultiComponent)
#include "tst_multicomponent.moc"
