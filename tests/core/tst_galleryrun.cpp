#include "client/clientdata.h"
#include "core/outputdirectory.h"
#include "data/artstore.h"
#include "demoencoders.h"
#include "gallery/galleryrun.h"
#include "preview/multirenderer.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

// The gallery engine when threads cannot all be started: every picture is
// still drawn, by the workers there are or by the calling thread, and the
// pictures under way get what the workers' art leaves of the budget.
class tst_GalleryRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void threadsThatStart_data();
    void threadsThatStart();

private:
    QTemporaryDir work;
    ClientData client;
};

void tst_GalleryRun::initTestCase()
{
    QString error;
    QVERIFY2(writeDemoSet(work.filePath(QStringLiteral("demo")), false, &error), qPrintable(error));
    QVERIFY(client.readConfiguration(work.filePath(QStringLiteral("demo/")) +
                                     QLatin1String(DemoConfigName)));
    QVERIFY2(client.loadEntries() && client.openReaders(), qPrintable(client.errorString()));
}

void tst_GalleryRun::threadsThatStart_data()
{
    QTest::addColumn<int>("stores");    // workers asked for
    QTest::addColumn<int>("startable"); // threads the system gives
    QTest::addColumn<int>("started");

    QTest::newRow("none: drawn on the calling thread") << 3 << 0 << 0;
    QTest::newRow("some") << 3 << 1 << 1;
    QTest::newRow("all") << 3 << 3 << 3;
}

void tst_GalleryRun::threadsThatStart()
{
    QFETCH(int, stores);
    QFETCH(int, startable);
    QFETCH(int, started);

    const QString dir = work.filePath(QStringLiteral("out-%1").arg(startable));
    QVERIFY(QDir().mkpath(dir));
    OutputDirectory output;
    QVERIFY(output.open(dir));
    QList<GalleryItem> items;
    for (qsizetype n = 0; n < client.cache().size(); ++n)
        items.append({n, {}, MultiCache::entryName(n)});
    GalleryRun run(client.cache(), items, client.tiles(), PictureStyle(), output);
    int asked = -1;
    run.setThreadProbe([&asked, startable](int wanted) {
        asked = wanted;
        return startable;
    });
    std::vector<std::unique_ptr<ArtStore>> artStores;
    for (int n = 0; n < stores; ++n)
        artStores.push_back(client.openArtStore());

    QCOMPARE(run.start(std::move(artStores)), started);
    QCOMPARE(asked, stores);
    QCOMPARE(run.drawsOnCallingThread(), started == 0);
    // The art of each worker that runs (of the calling thread without any)
    // comes out of the budget.
    QCOMPARE(run.pictureBudgetBytes(),
             GalleryRun::MemoryBudget - std::max(started, 1) * GalleryRun::ArtStoreBytes);
    qsizetype handled = 0;
    while (!run.finished())
        handled = run.drawsOnCallingThread() ? run.drawNext() : run.waitForProgress(100);
    run.join();
    QCOMPARE(handled, items.size());

    // Every picture is there, as the preview draws it; an empty entry has none.
    for (const GalleryResult &result : run.results()) {
        if (result.components == 0) {
            QCOMPARE(result.outcome, GalleryResult::NoPicture);
            continue;
        }
        QVERIFY2(result.outcome == GalleryResult::Written, qPrintable(result.reason));
        const QImage picture(dir + u'/' + GalleryRun::pictureName(result.name));
        QCOMPARE(picture.size(), result.pixels);
    }
    const qsizetype last = client.cache().size() - 1;
    QCOMPARE(QImage(dir + u'/' + GalleryRun::pictureName(MultiCache::entryName(last)))
                 .convertToFormat(QImage::Format_ARGB32_Premultiplied),
             renderMultiEntry(client.cache().entry(last), client.art(), client.tiles())
                 .convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

QTEST_GUILESS_MAIN(tst_GalleryRun)
#include "tst_galleryrun.moc"
