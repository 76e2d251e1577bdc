#include "clifixture.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"
#include "export/multifilewriter.h"
#include "gallery/gallerymanifest.h"
#include "preview/multirenderer.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// Runs korvane-cli while reading what it writes into the FIFO `fifo`.
CliRun runCliIntoFifo(const QStringList &arguments, const QString &fifo, QByteArray *read)
{
    // Open before the writer comes, so that it never waits for a reader.
    const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    QProcess process;
    process.start(QStringLiteral(KORVANE_CLI), arguments);
    const auto drain = [&] {
        char buffer[65536];
        ssize_t n;
        while (reader >= 0 && (n = ::read(reader, buffer, sizeof buffer)) > 0)
            read->append(buffer, n);
    };
    QDeadlineTimer deadline(120000);
    while (process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        drain();
        process.waitForFinished(10);
    }
    drain();
    if (reader >= 0)
        ::close(reader);
    if (process.state() != QProcess::NotRunning || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace
#endif

// korvane-cli gives the results of the window's own code: the entry list, a
// drop on a directory, the preview.
class tst_Cli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void renderIntoNode_data();
    void renderIntoNode();
    void gallery_data();
    void gallery();
    void galleryPartialFailure();
    void galleryPages();
    void galleryStalePages_data();
    void galleryStalePages();
    void galleryEscaping_data();
    void galleryEscaping();
    void galleryRerun_data();
    void galleryRerun();
    void galleryRerunNamesFew();
    void galleryOfFiles_data();
    void galleryOfFiles();
    void configurationPlaces_data();
    void configurationPlaces();

private:
    CliFixture fixture;
};

void tst_Cli::initTestCase()
{
    QVERIFY(QFileInfo(QStringLiteral(KORVANE_CLI)).isExecutable());
    QString error;
    QVERIFY2(fixture.setUp(&error), qPrintable(error));

    // Two pieces of art in one cell whose order only the tile data decides:
    // graphic 10 (no flag bit 0, height 3) is drawn over graphic 11.
    ArtFileBuilder art;
    QImage red(44, 44, QImage::Format_ARGB32);
    red.fill(qRgb(255, 0, 0));
    QImage blue = red;
    blue.fill(qRgb(0, 0, 255));
    art.add(10, red);
    art.add(11, blue);
    TileDataBuilder tiles;
    tiles.setItem(10, 0, 3, "over");
    tiles.setItem(11, 1, 0, "under");
    const Configuration ordered{fixture.path(QStringLiteral("order-index.bin")),
                                fixture.path(QStringLiteral("order-data.bin")),
                                fixture.path(QStringLiteral("order-tiles.bin")),
                                fixture.path(QStringLiteral("order.txt"))};
    QVERIFY(writeAll(ordered.artidx, art.index()));
    QVERIFY(writeAll(ordered.artmul, art.data()));
    QVERIFY(writeAll(ordered.tiledata, tiles.bytes()));
    QVERIFY(writeAll(ordered.cache, encodeCacheEntry(0, {{10, 0, 0, 0}, {11, 0, 0, 0}})));
    fixture.writeConfig(QStringLiteral("order.xml"), ordered);
}

void tst_Cli::renderIntoNode_data()
{
    QTest::addColumn<QString>("output"); // "@fifo" or "@device"
    QTest::addColumn<QByteArray>("format");

#ifdef Q_OS_UNIX
    // Written into, never replaced.
    QTest::newRow("into a FIFO") << "@fifo" << QByteArray("png");
    QTest::newRow("into a device") << "@device" << QByteArray();
#endif
}

void tst_Cli::renderIntoNode()
{
#ifndef Q_OS_UNIX
    QSKIP("FIFOs and device nodes are made the Unix way");
#else
    QFETCH(QString, output);
    QFETCH(QByteArray, format);

    // The preview's own picture of the first entry.
    const Configuration &files = fixture.demoFiles;
    ArtStore art(files.artidx, files.artmul);
    TileDataStore tiles(files.tiledata);
    RenderStatus status = RenderStatus::NoReaders;
    const QImage pane = renderMultiPayload(payloadOf(fixture.entries, {0}), &art, &tiles, &status);
    QCOMPARE(status, RenderStatus::Rendered);
    const QImage expected = pane.convertToFormat(QImage::Format_ARGB32);
    // A picture with something in it, so a blank output cannot pass.
    QVERIFY(std::any_of(reinterpret_cast<const QRgb *>(expected.constBits()),
                        reinterpret_cast<const QRgb *>(expected.constBits()) +
                            expected.sizeInBytes() / 4,
                        [](QRgb pixel) { return qAlpha(pixel) == 255; }));

    const QString file = fixture.freshDir() + u'/' + output;
    const QStringList arguments{QStringLiteral("render"),   QStringLiteral("0"),
                                QStringLiteral("-o"),       file,
                                QStringLiteral("--config"), fixture.demoConfig};
    const QByteArray node = QFile::encodeName(file);
    CliRun run;
    QByteArray bytes;
    if (output == u"@device") {
        if (mknod(node.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("making a device node needs root");
        run = runCli(arguments);
    } else {
        QCOMPARE(mkfifo(node.constData(), 0644), 0);
        run = runCliIntoFifo(arguments, file, &bytes);
    }
    struct stat kind = {};
    QCOMPARE(lstat(node.constData(), &kind), 0);
    QVERIFY(output == u"@fifo" ? S_ISFIFO(kind.st_mode) : S_ISCHR(kind.st_mode));
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QByteArray());
    if (format.isEmpty())
        return;

    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    QCOMPARE(reader.format(), format);
    const QImage written = reader.read().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(written.size(), expected.size());
    QVERIFY(written == expected);
#endif
}

namespace {

// The picture korvane-cli render writes for `entry` with `options`, as ARGB32.
QImage renderedByCli(const QString &config, const QString &entry, const QStringList &options,
                     const QString &file)
{
    const CliRun run = runCli(QStringList{QStringLiteral("render"), entry, QStringLiteral("-o"),
                                          file, QStringLiteral("--config"), config} +
                              options);
    if (run.status != 0)
        return {};
    return QImage(file).convertToFormat(QImage::Format_ARGB32);
}

} // namespace

void tst_Cli::gallery_data()
{
    QTest::addColumn<QStringList>("options"); // for both gallery and render

    QTest::newRow("as render draws") << QStringList{};
    QTest::newRow("scaled, on a background")
        << QStringList{"--scale", "2", "--background", "#336699"};
    QTest::newRow("trimmed") << QStringList{"--trim"};
}

void tst_Cli::gallery()
{
    QFETCH(QStringList, options);
    const QString config = fixture.demoConfig;

    // One worker or two: the same files.
    QString dirs[2];
    for (int jobs = 1; jobs <= 2; ++jobs) {
        // The directory is made; its parent must be there.
        dirs[jobs - 1] = fixture.freshDir() + QStringLiteral("/sheet");
        const CliRun run =
            runCli(QStringList{QStringLiteral("gallery"), dirs[jobs - 1], QStringLiteral("--jobs"),
                               QString::number(jobs), QStringLiteral("--config"), config} +
                   options);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err, QByteArray());
        QVERIFY2(run.out.startsWith("Wrote ") && run.out.endsWith(" pictures and index.html to " +
                                                                  dirs[jobs - 1].toUtf8() + '\n'),
                 run.out.constData());
    }
    const QStringList files = namesIn(dirs[0]);
    QCOMPARE(namesIn(dirs[1]), files);
    for (const QString &name : files)
        QVERIFY2(readAll(dirs[0] + u'/' + name) == readAll(dirs[1] + u'/' + name),
                 qPrintable(name));

    // Each entry with components has its picture, the one render draws;
    // each is named in the page, its picture linked, or its reason given.
    const QString page = QString::fromUtf8(readAll(dirs[0] + QStringLiteral("/index.html")));
    QVERIFY(page.contains(u"<title>Korvane Extractor gallery</title>"));
    // One page links to no other.
    QVERIFY(!page.contains(u"<nav"));
    QStringList expected{QStringLiteral(".korvane-gallery"), QStringLiteral("index.html")};
    for (qsizetype n = 0; n < fixture.entries.size(); ++n) {
        const QString name = entryName(n);
        const QString picture = name + QStringLiteral(".png");
        QVERIFY2(page.contains(u'>' + name + u'<'), qPrintable(name));
        if (fixture.entries[n].components.isEmpty()) {
            QVERIFY2(page.contains(name + QStringLiteral(" has no components: nothing to render")),
                     qPrintable(name));
            continue;
        }
        expected << picture;
        const QString link = QString::fromLatin1(QUrl::toPercentEncoding(picture));
        QVERIFY2(page.contains(QStringLiteral("href=\"%1\"").arg(link)) &&
                     page.contains(QStringLiteral("src=\"%1\"").arg(link)),
                 qPrintable(name));
        const QImage drawn =
            QImage(dirs[0] + u'/' + picture).convertToFormat(QImage::Format_ARGB32);
        const QImage rendered = renderedByCli(config, QString::number(n), options,
                                              fixture.freshDir() + QStringLiteral("/x.png"));
        QVERIFY2(!drawn.isNull() && drawn == rendered, qPrintable(name));
    }
    expected.sort();
    QCOMPARE(files, expected);
}

void tst_Cli::galleryPartialFailure()
{
    // A directory in the way of one picture: the others and the page are
    // written, the page saying why that picture is missing.
    const QString dir = fixture.freshDir();
    QVERIFY(QDir(dir).mkdir(QStringLiteral("Entry 1.png")));
    const CliRun run = runCli({QStringLiteral("gallery"), QStringLiteral("--config"),
                               fixture.demoConfig, dir, "0", "1", "2"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.startsWith("korvane-cli: Entry 1 was not written to "), run.err.constData());
    QCOMPARE(run.err.count('\n'), 1);
    QCOMPARE(run.out, QStringLiteral("Wrote 2 pictures and index.html to %1\n").arg(dir).toUtf8());
    QCOMPARE(namesIn(dir), (QStringList{".korvane-gallery", "Entry 0.png", "Entry 1.png",
                                        "Entry 2.png", "index.html"}));
    QVERIFY(readAll(dir + QStringLiteral("/index.html"))
                .contains("The picture could not be written: a directory is in the way"));
}

void tst_Cli::galleryPages()
{
    // 1,001 entries, the last without components: pages of 500, 500 and 1,
    // each with the summary and links to the others, all within DIR.
    ArtFileBuilder art;
    QImage tile(44, 44, QImage::Format_ARGB32);
    tile.fill(qRgb(0, 128, 0));
    art.add(1, tile);
    QByteArray cache;
    for (int n = 0; n < 1001; ++n)
        cache += encodeCacheEntry(n, n < 1000 ? QList<DemoComponent>{{1, 0, 0, 0}}
                                              : QList<DemoComponent>{});
    const Configuration files{fixture.path(QStringLiteral("pages-index.bin")),
                              fixture.path(QStringLiteral("pages-data.bin")),
                              fixture.path(QStringLiteral("pages-tiles.bin")),
                              fixture.path(QStringLiteral("pages.txt"))};
    QVERIFY(writeAll(files.artidx, art.index()));
    QVERIFY(writeAll(files.artmul, art.data()));
    QVERIFY(writeAll(files.tiledata, TileDataBuilder().bytes()));
    QVERIFY(writeAll(files.cache, cache));
    const QString config = fixture.writeConfig(QStringLiteral("pages.xml"), files);

    // A page of that name the gallery did not write stays, named.
    const QString dir = fixture.freshDir();
    const QString user = dir + QStringLiteral("/page-4.html");
    QVERIFY(writeAll(user, "mine"));
    const QStringList gallery{QStringLiteral("gallery"), dir, QStringLiteral("--config"), config};
    const QByteArray left = "korvane-cli: did not remove page-4.html from " + dir.toUtf8() +
                            ": not written by this gallery, or changed since\n";
    const CliRun run = runCli(gallery);
    QCOMPARE(run.status, 0);
    QCOMPARE(
        run.out,
        QStringLiteral("Wrote 1000 pictures and index.html (3 pages) to %1\n").arg(dir).toUtf8());
    QCOMPARE(run.err, left);
    QCOMPARE(readAll(user), QByteArray("mine"));
    const QStringList names = namesIn(dir);
    QCOMPARE(names.size(), 1005); // and the record, .korvane-gallery
    const QStringList pages{"index.html", "page-2.html", "page-3.html"};
    const QRegularExpression reference(QStringLiteral("(?:href|src)=\"([^\"]*)\""));
    for (int page = 0; page < 3; ++page) {
        QVERIFY2(names.contains(pages[page]), qPrintable(pages[page]));
        const QString html = QString::fromUtf8(readAll(dir + u'/' + pages[page]));
        QCOMPARE(html.count(QStringLiteral("<figure class=\"card\">")), page < 2 ? 500 : 1);
        QVERIFY(html.contains(QStringLiteral(">%1<").arg(entryName(page * 500))));
        QVERIFY(!html.contains(QStringLiteral(">%1<").arg(entryName(page * 500 + 500))));
        QVERIFY(html.contains(u"1001 entries: 1000 pictures, 1 without one."));
        QVERIFY(!html.contains(u"<script"));
        QStringList linked;
        for (auto match = reference.globalMatch(html); match.hasNext();)
            linked << QUrl::fromPercentEncoding(match.next().captured(1).toUtf8());
        for (int other = 0; other < 3; ++other)
            QCOMPARE(linked.contains(pages[other]), other != page);
        for (const QString &name : std::as_const(linked))
            QVERIFY2(names.contains(name), qPrintable(name));
    }

    // A gallery of one page removes the later pages it wrote, only those.
    const CliRun smaller = runCli(gallery + QStringList{QStringLiteral("0")});
    QCOMPARE(smaller.status, 0);
    QCOMPARE(smaller.err, left);
    QVERIFY(!QFile::exists(dir + QStringLiteral("/page-2.html")));
    QVERIFY(!QFile::exists(dir + QStringLiteral("/page-3.html")));
    QCOMPARE(readAll(user), QByteArray("mine"));
    QCOMPARE(namesIn(dir).size(), 1003);
}

void tst_Cli::galleryStalePages_data()
{
    QTest::addColumn<QString>("record");   // before the run; @N stands for page N's line
    QTest::addColumn<QString>("page2");    // "file", "link" (to a file elsewhere) or "changed"
    QTest::addColumn<QStringList>("left"); // the pages past the first left, in their order

    // The pages past a gallery of one page, page-2.html and page-3.html,
    // were there before the run; the record tells which it wrote.
    const QString header = QStringLiteral("korvane gallery manifest 2\n");
    QTest::newRow("the user's own pages") << ""
                                          << "file" << QStringList{"page-2.html", "page-3.html"};
    QTest::newRow("pages it wrote, one changed since") << header + "@2@3"
                                                       << "changed" << QStringList{"page-2.html"};
    QTest::newRow("a page it wrote, now a link elsewhere") << header + "@2@3"
                                                           << "link" << QStringList{"page-2.html"};
    // Written by a gallery that did not record its pages.
    QTest::newRow("a record of pictures only")
        << "korvane gallery manifest 1\n"
        << "file" << QStringList{"page-2.html", "page-3.html"};
}

void tst_Cli::galleryStalePages()
{
    QFETCH(QString, record);
    QFETCH(QString, page2);
    QFETCH(QStringList, left);
    const QString dir = fixture.freshDir();
    const QString elsewhere = fixture.freshDir() + QStringLiteral("/page-2.html");
    const QByteArray pages[] = {"<p>two</p>", "<p>three</p>"};
    for (int n = 2; n <= 3; ++n) {
        const QByteArray &bytes = pages[n - 2];
        record.replace(
            QStringLiteral("@%1").arg(n),
            QStringLiteral("page %1 %2 page-%3.html\n")
                .arg(QString::fromLatin1(
                    QCryptographicHash::hash(bytes, QCryptographicHash::Blake2b_160).toHex()))
                .arg(bytes.size())
                .arg(n));
        QVERIFY(writeAll(dir + QStringLiteral("/page-%1.html").arg(n), bytes));
    }
    const QString second = dir + QStringLiteral("/page-2.html");
    if (page2 == u"changed") {
        QVERIFY(writeAll(second, "<p>twp</p>"));
    } else if (page2 == u"link") {
        QVERIFY(writeAll(elsewhere, pages[0]));
        QVERIFY(QFile::remove(second) && QFile::link(elsewhere, second));
    }
    if (!record.isEmpty())
        QVERIFY(writeAll(dir + QStringLiteral("/.korvane-gallery"), record.toUtf8()));

    const CliRun run = runCli({QStringLiteral("gallery"), dir, QStringLiteral("0"),
                               QStringLiteral("--config"), fixture.demoConfig});
    QCOMPARE(run.status, 0);
    QCOMPARE(QString::fromUtf8(run.err),
             QStringLiteral("korvane-cli: did not remove %1 from %2: not written by this "
                            "gallery, or changed since\n")
                 .arg(left.join(QStringLiteral(" and ")), dir));
    for (int n = 2; n <= 3; ++n) {
        const QString page = QStringLiteral("page-%1.html").arg(n);
        QCOMPARE(QFileInfo(dir + u'/' + page).exists() || QFileInfo(dir + u'/' + page).isSymLink(),
                 left.contains(page));
    }
    if (page2 == u"link")
        QCOMPARE(readAll(elsewhere), pages[0]);
}

void tst_Cli::galleryEscaping_data()
{
    QTest::addColumn<bool>("empty"); // an entry without components: its reason shown
    QTest::newRow("a name on a card") << false;
    QTest::newRow("a name in a card's reason") << true;
}

void tst_Cli::galleryEscaping()
{
    QFETCH(bool, empty);
    qsizetype index = fixture.keep;
    if (empty) {
        const auto found = std::find_if(fixture.entries.cbegin(), fixture.entries.cend(),
                                        [](const MultiEntry &e) { return e.components.isEmpty(); });
        QVERIFY(found != fixture.entries.cend());
        index = found - fixture.entries.cbegin();
    }
    const QString dir = fixture.freshDir();
    QCOMPARE(runCli({QStringLiteral("export"), dir, QString::number(index),
                     QStringLiteral("--config"), fixture.demoConfig})
                 .status,
             0);
    const QString file = dir + QStringLiteral("/<b>&\"x\".mlt");
    QVERIFY(QFile::rename(dir + u'/' + entryName(index) + QStringLiteral(".mlt"), file));
    const QString sheet = dir + QStringLiteral("/sheet");
    QCOMPARE(runCli({QStringLiteral("gallery"), sheet, file, QStringLiteral("--config"),
                     fixture.demoConfig})
                 .status,
             0);
    const QByteArray html = readAll(sheet + QStringLiteral("/index.html"));
    const QByteArray shown = empty ? "&lt;b&gt;&amp;&quot;x&quot;.mlt has no components"
                                   : ">&lt;b&gt;&amp;&quot;x&quot;</a>";
    QVERIFY2(html.contains(shown), html.constData());
    QVERIFY(!html.contains("<b>"));
}

void tst_Cli::galleryRerun_data()
{
    QTest::addColumn<QString>("change");      // made between the two runs
    QTest::addColumn<QStringList>("options"); // of the second run
    QTest::addColumn<QList<int>>("redrawn");  // the entries drawn again

    QTest::newRow("nothing") << "" << QStringList{} << QList<int>{};
    QTest::newRow("art of graphic 10") << "art" << QStringList{} << QList<int>{0, 2};
    QTest::newRow("tile data of graphic 11") << "tiles" << QStringList{} << QList<int>{1};
    QTest::newRow("a component moved") << "cache" << QStringList{} << QList<int>{2};
    QTest::newRow("an entry gone") << "fewer" << QStringList{} << QList<int>{};
    QTest::newRow("a picture altered") << "altered" << QStringList{} << QList<int>{1};
    QTest::newRow("a picture deleted") << "deleted" << QStringList{} << QList<int>{1};
    QTest::newRow("a garbage manifest") << "garbage" << QStringList{} << QList<int>{0, 1, 2};
    // A picture's size in bytes is bounded by its size in pixels: one
    // beyond that is a damaged record, never read up to what it claims.
    QTest::newRow("a size the picture can have") << "most" << QStringList{} << QList<int>{1};
    QTest::newRow("a size no such picture can have")
        << "beyond" << QStringList{} << QList<int>{0, 1, 2};
    QTest::newRow("another background")
        << "" << QStringList{"--background", "white"} << QList<int>{0, 1, 2};
    QTest::newRow("--force") << "" << QStringList{"--force"} << QList<int>{0, 1, 2};
}

void tst_Cli::galleryRerun()
{
#ifndef Q_OS_UNIX
    QSKIP("tells files apart by their inode");
#else
    QFETCH(QString, change);
    QFETCH(QStringList, options);
    QFETCH(QList<int>, redrawn);

    // Entry 0 draws graphic 10, entry 1 graphic 11, entry 2 graphics 10 and 12.
    const QString work = fixture.freshDir();
    const Configuration files{
        work + QStringLiteral("/index.bin"), work + QStringLiteral("/data.bin"),
        work + QStringLiteral("/tiles.bin"), work + QStringLiteral("/cache.txt")};
    const auto writeClient = [&](QRgb first, qint32 flags, int x, int entries) {
        ArtFileBuilder art;
        QImage image(44, 44, QImage::Format_ARGB32);
        for (const auto &[graphic, colour] :
             {std::pair{10, first}, {11, qRgb(0, 0, 255)}, {12, qRgb(0, 255, 0)}}) {
            image.fill(colour);
            art.add(graphic, image);
        }
        TileDataBuilder tiles;
        tiles.setItem(11, flags, 0, "eleven");
        const QList<QList<DemoComponent>> cache{
            {{10, 0, 0, 0}}, {{11, 0, 0, 0}}, {{10, 0, 0, 0}, {12, x, 0, 0}}};
        QByteArray text;
        for (int n = 0; n < entries; ++n)
            text += encodeCacheEntry(n, cache[n]);
        return writeAll(files.artidx, art.index()) && writeAll(files.artmul, art.data()) &&
               writeAll(files.tiledata, tiles.bytes()) && writeAll(files.cache, text);
    };
    QVERIFY(writeClient(qRgb(255, 0, 0), 0, 1, 3));
    const QString config = fixture.writeConfig(QStringLiteral("rerun.xml"), files);
    const QString dir = work + QStringLiteral("/sheet");
    const QStringList gallery{QStringLiteral("gallery"), dir, QStringLiteral("--config"), config};
    const CliRun first = runCli(gallery);
    QCOMPARE(first.status, 0);
    QCOMPARE(first.out,
             QStringLiteral("Wrote 3 pictures and index.html to %1\n").arg(dir).toUtf8());

    const auto picture = [&](int n) { return dir + QStringLiteral("/Entry %1.png").arg(n); };
    struct stat before[3];
    for (int n = 0; n < 3; ++n)
        QCOMPARE(::stat(QFile::encodeName(picture(n)).constData(), &before[n]), 0);
    const QByteArray original = readAll(picture(1));
    int entries = 3;
    if (change == u"art") {
        QVERIFY(writeClient(qRgb(255, 255, 0), 0, 1, 3));
    } else if (change == u"tiles") {
        QVERIFY(writeClient(qRgb(255, 0, 0), 1, 1, 3));
    } else if (change == u"cache") {
        QVERIFY(writeClient(qRgb(255, 0, 0), 0, 2, 3));
    } else if (change == u"fewer") {
        QVERIFY(writeClient(qRgb(255, 0, 0), 0, 1, entries = 2));
    } else if (change == u"altered") {
        // In place, keeping its size: only its bytes tell.
        QFile file(picture(1));
        QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(100));
        const char byte = file.read(1).at(0);
        QVERIFY(file.seek(100) && file.putChar(char(byte ^ 1)));
    } else if (change == u"deleted") {
        QVERIFY(QFile::remove(picture(1)));
    } else if (change == u"most" || change == u"beyond") {
        // Entry 1's line claims that many bytes, and its file has them.
        const QString path = dir + QStringLiteral("/.korvane-gallery");
        QList<QByteArray> lines = readAll(path).split('\n');
        for (QByteArray &line : lines) {
            QList<QByteArray> fields = line.split(' ');
            if (fields.size() != 5 || fields[4] != "Entry%201.png")
                continue;
            const QList<QByteArray> sides = fields[3].split('x');
            const qint64 bytes =
                GalleryManifest::mostPictureBytes(QSize(sides[0].toInt(), sides[1].toInt())) +
                (change == u"beyond");
            fields[2] = QByteArray::number(bytes);
            line = fields.join(' ');
            QFile file(picture(1));
            QVERIFY(file.open(QIODevice::ReadWrite) && file.resize(bytes));
        }
        QVERIFY(writeAll(path, lines.join('\n')));
    } else if (change == u"garbage") {
        QVERIFY(writeAll(dir + QStringLiteral("/.korvane-gallery"),
                         QByteArray("korvane gallery manifest 1\n\x01\xff junk\n")));
    }

    // A rerun names the pictures it drew again.
    const auto summary = [&](qsizetype drawn, bool named) {
        QStringList names;
        for (int n : redrawn)
            names << QStringLiteral("Entry %1.png").arg(n);
        QString text = QStringLiteral("Wrote %1 picture%2%3 and index.html to %4")
                           .arg(drawn)
                           .arg(drawn == 1 ? "" : "s")
                           .arg(named && drawn > 0 ? " (" + names.join(", ") + ")" : QString())
                           .arg(dir);
        if (const qsizetype kept = entries - drawn; kept > 0)
            text += QStringLiteral("; %1 picture%2 up to date").arg(kept).arg(kept == 1 ? "" : "s");
        return (text + u'\n').toUtf8();
    };
    const CliRun second = runCli(gallery + options);
    QCOMPARE(second.status, 0);
    QCOMPARE(second.err, QByteArray());
    // A damaged record names none: all is drawn, as on a first run.
    const bool named =
        change != u"garbage" && change != u"beyond" && !options.contains(QStringLiteral("--force"));
    QCOMPARE(second.out, summary(redrawn.size(), named));
    for (int n = 0; n < entries; ++n) {
        struct stat after;
        QCOMPARE(::stat(QFile::encodeName(picture(n)).constData(), &after), 0);
        const bool replaced = change == u"deleted" && n == 1
                                  ? true
                                  : after.st_ino != before[n].st_ino ||
                                        after.st_mtim.tv_nsec != before[n].st_mtim.tv_nsec ||
                                        after.st_mtim.tv_sec != before[n].st_mtim.tv_sec;
        QVERIFY2(replaced == redrawn.contains(n), qPrintable(picture(n)));
    }
    if (change == u"altered" || change == u"deleted" || change == u"most")
        QCOMPARE(readAll(picture(1)), original);

    // What was drawn is recorded: a third run draws nothing, and names only
    // the entries there are.
    QStringList again = gallery + options;
    again.removeAll(QStringLiteral("--force"));
    const CliRun third = runCli(again);
    QCOMPARE(third.out, summary(0, true));
    // A line a picture and one for the page.
    QCOMPARE(readAll(dir + QStringLiteral("/.korvane-gallery")).count('\n'), entries + 2);
#endif
}

// Past five pictures drawn again, the rest are counted.
void tst_Cli::galleryRerunNamesFew()
{
    const QString work = fixture.freshDir();
    const Configuration files{
        work + QStringLiteral("/index.bin"), work + QStringLiteral("/data.bin"),
        work + QStringLiteral("/tiles.bin"), work + QStringLiteral("/cache.txt")};
    const auto writeArt = [&](QRgb colour) {
        ArtFileBuilder art;
        QImage image(44, 44, QImage::Format_ARGB32);
        image.fill(colour);
        art.add(10, image);
        return writeAll(files.artidx, art.index()) && writeAll(files.artmul, art.data());
    };
    QByteArray text;
    for (int n = 0; n < 7; ++n)
        text += encodeCacheEntry(n, {{10, n, 0, 0}});
    QVERIFY(writeArt(qRgb(255, 0, 0)) && writeAll(files.tiledata, TileDataBuilder().bytes()) &&
            writeAll(files.cache, text));
    const QString dir = work + QStringLiteral("/sheet");
    const QStringList gallery{QStringLiteral("gallery"), dir, QStringLiteral("--config"),
                              fixture.writeConfig(QStringLiteral("seven.xml"), files)};
    QCOMPARE(runCli(gallery).status, 0);
    QVERIFY(writeArt(qRgb(0, 0, 255)));
    const CliRun rerun = runCli(gallery);
    QCOMPARE(rerun.status, 0);
    QCOMPARE(rerun.out,
             QStringLiteral("Wrote 7 pictures (Entry 0.png, Entry 1.png, Entry 2.png, "
                            "Entry 3.png, Entry 4.png and 2 more) and index.html to %1\n")
                 .arg(dir)
                 .toUtf8());
}

void tst_Cli::galleryOfFiles_data()
{
    QTest::addColumn<QString>("file"); // a .mlt file's name
    QTest::addColumn<QString>("card"); // the name its card shows
    QTest::addColumn<QString>("picture");

    QTest::newRow("base name") << "a.b.mlt"
                               << "a.b"
                               << "a.b.png";
    // Never a hidden picture, nor a card without a name.
    QTest::newRow("no base name") << ".mlt"
                                  << ".mlt"
                                  << "_.mlt.png";
    QTest::newRow("hidden base name") << ".x.mlt"
                                      << ".x"
                                      << "_.x.png";
}

void tst_Cli::galleryOfFiles()
{
    QFETCH(QString, file);
    QFETCH(QString, card);
    QFETCH(QString, picture);
    const QString from = fixture.freshDir();
    QVERIFY(
        writeAll(from + u'/' + file, encodeMultiFile(fixture.entries[fixture.keep].components)));
    const QString dir = fixture.freshDir();
    const CliRun run = runCli({QStringLiteral("gallery"), dir, from + u'/' + file,
                               QStringLiteral("--config"), fixture.demoConfig});
    QCOMPARE(run.status, 0);
    QCOMPARE(namesIn(dir), (QStringList{QStringLiteral(".korvane-gallery"), picture,
                                        QStringLiteral("index.html")}));
    const QString page = QString::fromUtf8(readAll(dir + QStringLiteral("/index.html")));
    QVERIFY2(page.contains(u'>' + card + u'<'), qPrintable(page));
    QVERIFY(page.contains(
        QStringLiteral("src=\"%1\"").arg(QString::fromLatin1(QUrl::toPercentEncoding(picture)))));
}

void tst_Cli::configurationPlaces_data()
{
    QTest::addColumn<bool>("beside"); // a korvane.xml beside the executable
    QTest::addColumn<bool>("user");   // one in the user's configuration directory
    QTest::addColumn<bool>("system"); // and one in the system's
    QTest::newRow("none: the user's, to be written") << false << false << false;
    QTest::newRow("the user's only") << false << true << false;
    QTest::newRow("both: the one beside the executable") << true << true << false;
    QTest::newRow("the system's only") << false << false << true;
    QTest::newRow("the user's before the system's") << false << true << true;
}

void tst_Cli::configurationPlaces()
{
    QFETCH(bool, beside);
    QFETCH(bool, user);
    QFETCH(bool, system);
    // A copy of the executable; the user's file names a cache of its own.
    const QString bin = fixture.freshDir();
    const QString copy = bin + QStringLiteral("/korvane-cli");
    QVERIFY(QFile::copy(QStringLiteral(KORVANE_CLI), copy));
    const QString home = fixture.freshDir();
    const QString besidePath = bin + QStringLiteral("/korvane.xml");
    const QString userPath = home + QStringLiteral("/korvane/korvane.xml");
    const QString systemPath = home + QStringLiteral("/xdg/korvane/korvane.xml");
    if (beside)
        QVERIFY(QFile::copy(fixture.demoConfig, besidePath));
    if (user) {
        QVERIFY(QDir().mkpath(home + QStringLiteral("/korvane")));
        QVERIFY(QFile::copy(fixture.path(QStringLiteral("order.xml")), userPath));
    }
    if (system) {
        QVERIFY(QDir().mkpath(home + QStringLiteral("/xdg/korvane")));
        QVERIFY(QFile::copy(fixture.demoConfig, systemPath));
    }
    const QString expected = beside ? besidePath : user ? userPath : system ? systemPath : userPath;

    const CliRun run = runCli({QStringLiteral("list")}, copy, QString(), home);
    const CliRun help = runCli({QStringLiteral("--help")}, copy, QString(), home);
    if (!beside && !user && !system) {
        // The one to write, and how.
        QCOMPARE(run.status, 3);
        QCOMPARE(run.err, QStringLiteral("korvane-cli: cannot open configuration %1: No such file "
                                         "or directory; 'korvane-cli config CLIENTDIR' writes it\n")
                              .arg(expected)
                              .toUtf8());
        QVERIFY2(help.out.contains("'korvane-cli config CLIENTDIR' writes yours"),
                 help.out.constData());
    } else {
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out,
                 runCli({QStringLiteral("list"), QStringLiteral("--config"), expected}).out);
    }
    // The help names the file it would read.
    QVERIFY2(help.out.simplified().contains(expected.toUtf8()), help.out.constData());
}

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
