#include "preview/artimagecache.h"

#include "handart.h"

#include <QTest>

// The converted art of a rendering stays within its byte budget, dropping
// the least recently used image first.
class tst_ArtImageCache : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void budget_data();
    void budget();
};

void tst_ArtImageCache::budget_data()
{
    QTest::addColumn<qint64>("budget");
    QTest::addColumn<QList<int>>("graphics"); // asked for in this order
    QTest::addColumn<int>("fetches");

    // Images of graphic 1: 40 bytes, 2: 80, 3: 48.
    QTest::newRow("room for two: the least recently used goes")
        << qint64(80 + 48) << QList<int>{1, 2, 3, 2, 1, 3, 1} << 5;
    QTest::newRow("an image beyond the budget is not kept") << qint64(39) << QList<int>{1, 1} << 2;
}

void tst_ArtImageCache::budget()
{
    QFETCH(qint64, budget);
    QFETCH(QList<int>, graphics);
    QFETCH(int, fetches);

    HandArt art;
    for (const auto &[graphic, width] : {std::pair{1, 10}, {2, 20}, {3, 12}})
        art.add(graphic, handArtEntry(width, 1, {0}, {0, 1, 0x7FFF, 0, 0}));
    auto store = handArtStore(art);
    ArtImageCache images(store.get(), budget);
    for (const int g : graphics) {
        QCOMPARE(images.image(quint16(g)),
                 store->staticImage(g).convertToFormat(QImage::Format_ARGB32_Premultiplied));
        QVERIFY(images.keptBytes() <= budget);
    }
    QCOMPARE(images.fetches(), fetches);
}

QTEST_GUILESS_MAIN(tst_ArtImageCache)
#include "tst_artimagecache.moc"
