#include "client/clientdata.h"
#include "core/outputdirectory.h"
#include "data/artstore.h"
#include "demoencoders.h"
#include "gallery/gallerypage.h"
#include "gallery/galleryrun.h"
#include "gallery/picturekey.h"
#include "preview/artimagecache.h"
#include "preview/componentmarks.h"
#include "preview/multirenderer.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

// The gallery engine when threads cannot all be started: every picture is
// still drawn, with its marks if it has any, by the workers there are or by
// the calling thread, and the pictures under way get what the workers' art
// leaves of the budget. The pages explain the marks.
class tst_GalleryRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void threadsThatStart_data();
    void threadsThatStart();
    void markedKeys();
    void legend();

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
    // The last but one picture has marks, the others none.
    const qsizetype last = items.size() - 1;
    items[last - 1].marks = {{0, ComponentMark::Removed}, {2, ComponentMark::Replaced}};
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

    // Every picture is there, as the preview draws it with its marks; an
    // empty entry has none.
    for (const GalleryResult &result : run.results()) {
        if (result.components == 0) {
            QCOMPARE(result.outcome, GalleryResult::NoPicture);
            continue;
        }
        QVERIFY2(result.outcome == GalleryResult::Written, qPrintable(result.reason));
        const QImage picture(dir + u'/' + GalleryRun::pictureName(result.name));
        QCOMPARE(picture.size(), result.pixels);
    }
    const auto written = [&dir](qsizetype n) {
        return QImage(dir + u'/' + GalleryRun::pictureName(MultiCache::entryName(n)))
            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    };
    QCOMPARE(written(last),
             renderMultiEntry(client.cache().entry(last), client.art(), client.tiles()));
    const MultiLayout layout =
        layoutMultiEntry(client.cache().entry(last - 1), client.art(), client.tiles());
    ArtImageCache images(client.art(), MaxCachedArtBytes);
    QImage marked = paintMultiLayout(layout, images);
    const QImage plain = marked;
    QVERIFY(paintMarks(marked, layout, images, items[last - 1].marks) && marked != plain);
    QCOMPARE(written(last - 1), marked);
}

// A gallery's record tells a marked picture from the unmarked one and from
// one of other marks, so that a rerun draws it again.
void tst_GalleryRun::markedKeys()
{
    PictureKeys keys(client.art(), client.tiles(), PictureStyle());
    const MultiEntry entry = client.cache().entry(1);
    const QByteArray plain = keys.key(entry);
    QCOMPARE(keys.key(entry, {}), plain);
    const QList<QList<ComponentMark>> marks{{{0, ComponentMark::Added}},
                                            {{0, ComponentMark::Removed}},
                                            {{1, ComponentMark::Added}},
                                            {{0, ComponentMark::Added}, {1, ComponentMark::Added}}};
    QSet<QByteArray> seen{plain};
    for (const QList<ComponentMark> &some : marks)
        seen.insert(keys.key(entry, some));
    QCOMPARE(seen.size(), marks.size() + 1);
}

// A legend adds its rules to the stylesheet and its line under the summary,
// each kind asked for once and in their order, and changes nothing else.
void tst_GalleryRun::legend()
{
    GalleryPages pages{QStringLiteral("What changed"), QStringLiteral("1 changed."), {}, true};
    QString expected = QString::fromUtf8(galleryPage(pages, 0));
    pages.legend = {ComponentMark::Moved, ComponentMark::Added, ComponentMark::Moved};
    expected.insert(
        expected.indexOf(QLatin1String("</style>")),
        QLatin1String(
            ".legend { margin: -8px 0 16px; display: flex; flex-wrap: wrap; gap: 4px 16px; "
            "color: #555; }\n.mark { display: inline-block; width: 10px; height: 10px; "
            "margin-right: 5px; vertical-align: -1px;\n  border: 2px solid currentColor; "
            "background: linear-gradient(#fff8, #fff8) currentColor; }\n"
            ".mark-added { color: #00aaff; }\n.mark-moved { color: #e09600; "
            "}\n"));
    const QString summary = QStringLiteral("<p class=\"summary\">1 changed.</p>\n");
    expected.insert(
        expected.indexOf(summary) + summary.size(),
        QLatin1String("<p class=\"legend\"><span><span class=\"mark mark-added\"></span>"
                      "added (on the new picture)</span>\n<span><span class=\"mark "
                      "mark-moved\"></span>moved (where it stood on the old picture, "
                      "where it stands on the new)</span>\n</p>\n"));
    QCOMPARE(QString::fromUtf8(galleryPage(pages, 0)), expected);
}

QTEST_GUILESS_MAIN(tst_GalleryRun)
#include "tst_galleryrun.moc"
