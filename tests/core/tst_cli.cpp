#include "clifixture.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"
#include "export/multifilewriter.h"
#include "preview/multirenderer.h"

#include <QBuffer>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

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
    void list();
    void exportAllAsDrop();
    void exportChosen_data();
    void exportChosen();
    void exportPartialFailure();
    void render_data();
    void render();
    void defaultConfiguration();

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

void tst_Cli::list()
{
    QByteArray expected;
    for (qsizetype n = 0; n < fixture.entries.size(); ++n) {
        const QRect &b = fixture.entries[n].bounds;
        expected += QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\n")
                        .arg(entryName(n))
                        .arg(fixture.entries[n].components.size())
                        .arg(b.left())
                        .arg(b.top())
                        .arg(b.right())
                        .arg(b.bottom())
                        .toUtf8();
    }
    const CliRun plain =
        runCli({QStringLiteral("list"), QStringLiteral("--config"), fixture.demoConfig});
    QCOMPARE(plain.status, 0);
    QCOMPARE(plain.err, QByteArray());
    QCOMPARE(plain.out, expected);

    // Options before the command work as well.
    const CliRun json = runCli({QStringLiteral("--config"), fixture.demoConfig,
                                QStringLiteral("list"), QStringLiteral("--json")});
    QCOMPARE(json.status, 0);
    const QJsonArray array = QJsonDocument::fromJson(json.out).array();
    QCOMPARE(array.size(), fixture.entries.size());
    for (qsizetype n = 0; n < fixture.entries.size(); ++n) {
        const QJsonObject object = array[n].toObject();
        const QRect &b = fixture.entries[n].bounds;
        QCOMPARE(object.value(u"name").toString(), entryName(n));
        QCOMPARE(object.value(u"components").toInt(), fixture.entries[n].components.size());
        const QList<int> bounds{object.value(u"x1").toInt(), object.value(u"y1").toInt(),
                                object.value(u"x2").toInt(), object.value(u"y2").toInt()};
        QCOMPARE(bounds, (QList<int>{b.left(), b.top(), b.right(), b.bottom()}));
    }
}

void tst_Cli::exportAllAsDrop()
{
    const QString dropped = fixture.freshDir();
    QList<qsizetype> all;
    for (qsizetype n = 0; n < fixture.entries.size(); ++n)
        all.append(n);
    QVERIFY(writeMultiFiles(payloadOf(fixture.entries, all), dropped));

    const QString exported = fixture.freshDir();
    const CliRun run = runCli(
        {QStringLiteral("export"), exported, QStringLiteral("--config"), fixture.demoConfig});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QByteArray()); // no progress bar without a terminal
    QVERIFY2(run.out.contains(QStringLiteral("Wrote %1 of %1 entries").arg(all.size()).toUtf8()),
             run.out.constData());

    const QStringList names = namesIn(exported);
    QCOMPARE(names, namesIn(dropped));
    QCOMPARE(names.size(), fixture.entries.size());
    for (const QString &name : names)
        QVERIFY2(readAll(exported + u'/' + name) == readAll(dropped + u'/' + name),
                 qPrintable(name));
}

void tst_Cli::exportChosen_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<qsizetype>>("expected");
    QTest::addColumn<QString>("summary");

    QTest::newRow("names") << QStringList{"Entry 2", "Entry 0"} << QList<qsizetype>{2, 0}
                           << "Wrote 2 of 2 entries";
    QTest::newRow("numbers") << QStringList{"1"} << QList<qsizetype>{1} << "Wrote 1 of 1 entry";
    // An entry named twice is written once, and counted once.
    QTest::newRow("number and name")
        << QStringList{"1", "Entry 1"} << QList<qsizetype>{1} << "Wrote 1 of 1 entry";
    QTest::newRow("mixed, repeated") << QStringList{"2", "Entry 2", "02", "0"}
                                     << QList<qsizetype>{2, 0} << "Wrote 2 of 2 entries";
}

void tst_Cli::exportChosen()
{
    QFETCH(QStringList, names);
    QFETCH(QList<qsizetype>, expected);
    QFETCH(QString, summary);

    const QString dropped = fixture.freshDir();
    QVERIFY(writeMultiFiles(payloadOf(fixture.entries, expected), dropped));
    const QString exported = fixture.freshDir();
    const CliRun run = runCli(QStringList{QStringLiteral("export"), QStringLiteral("--config"),
                                          fixture.demoConfig, exported} +
                              names);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QString(summary + QStringLiteral(" to ") + exported + u'\n').toUtf8());
    QCOMPARE(namesIn(exported), namesIn(dropped));
    for (qsizetype n : expected) {
        const QString file = entryName(n) + QStringLiteral(".mlt");
        QCOMPARE(readAll(exported + u'/' + file), readAll(dropped + u'/' + file));
    }
}

void tst_Cli::exportPartialFailure()
{
    // A directory in the way of one file: the others are still written.
    const QString dir = fixture.freshDir();
    QVERIFY(QDir(dir).mkdir(QStringLiteral("Entry 1.mlt")));
    const CliRun run = runCli({QStringLiteral("export"), QStringLiteral("--config"),
                               fixture.demoConfig, dir, "0", "1", "2"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.startsWith("korvane-cli: Entry 1 was not written to "), run.err.constData());
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY2(run.out.contains("Wrote 2 of 3 entries"), run.out.constData());
    QCOMPARE(namesIn(dir), (QStringList{"Entry 0.mlt", "Entry 1.mlt", "Entry 2.mlt"}));
    QVERIFY(QFileInfo(dir + QStringLiteral("/Entry 1.mlt")).isDir());
}

void tst_Cli::render_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("output"); // a file name, "-", "@fifo" or "@device"
    QTest::addColumn<QByteArray>("format");

    QTest::newRow("keep by name, to a file")
        << fixture.demoConfig << entryName(fixture.keep) << "picture.png" << QByteArray("png");
    QTest::newRow("first by number, to stdout")
        << fixture.demoConfig << QStringLiteral("0") << "-" << QByteArray("png");
    QTest::newRow("draw order from the tile data")
        << fixture.path(QStringLiteral("order.xml")) << QStringLiteral("0") << "picture.png"
        << QByteArray("png");
    QTest::newRow("JPEG by the extension")
        << fixture.demoConfig << QStringLiteral("0") << "picture.JPG" << QByteArray("jpeg");
    QTest::newRow("no extension") << fixture.demoConfig << QStringLiteral("0") << "picture"
                                  << QByteArray("png");
#ifdef Q_OS_UNIX
    // Written into, never replaced.
    QTest::newRow("into a FIFO") << fixture.demoConfig << QStringLiteral("0") << "@fifo"
                                 << QByteArray("png");
    QTest::newRow("into a device")
        << fixture.demoConfig << QStringLiteral("0") << "@device" << QByteArray();
#endif
}

void tst_Cli::render()
{
    QFETCH(QString, config);
    QFETCH(QString, entry);
    QFETCH(QString, output);
    QFETCH(QByteArray, format);

    const std::optional<Configuration> files = readConfiguration(config);
    QVERIFY(files);
    const QList<CacheEntry> cache = cacheEntriesOf(files->cache);
    const qsizetype index = entry.startsWith(u"Entry ") ? entry.mid(6).toInt() : entry.toInt();
    QVERIFY(index < cache.size());

    ArtStore art(files->artidx, files->artmul);
    TileDataStore tiles(files->tiledata);
    RenderStatus status = RenderStatus::NoReaders;
    const QImage pane = renderMultiPayload(payloadOf(cache, {index}), &art, &tiles, &status);
    QCOMPARE(status, RenderStatus::Rendered);
    const QImage expected = pane.convertToFormat(QImage::Format_ARGB32);
    // A picture with something in it, so a blank output cannot pass.
    QVERIFY(std::any_of(reinterpret_cast<const QRgb *>(expected.constBits()),
                        reinterpret_cast<const QRgb *>(expected.constBits()) +
                            expected.sizeInBytes() / 4,
                        [](QRgb pixel) { return qAlpha(pixel) == 255; }));

    const QString file = output == u"-" ? output : fixture.freshDir() + u'/' + output;
    const QStringList arguments{QStringLiteral("render"),   entry, QStringLiteral("-o"), file,
                                QStringLiteral("--config"), config};
    CliRun run;
    QByteArray bytes;
#ifdef Q_OS_UNIX
    const QByteArray node = QFile::encodeName(file);
    struct stat kind = {};
    if (output == u"@device" && mknod(node.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        QSKIP("making a device node needs root");
    if (output == u"@fifo") {
        QCOMPARE(mkfifo(node.constData(), 0644), 0);
        run = runCliIntoFifo(arguments, file, &bytes);
    } else {
        run = runCli(arguments);
        bytes = output == u"-" ? run.out : readAll(file);
    }
    if (output.startsWith(u'@')) {
        QCOMPARE(lstat(node.constData(), &kind), 0);
        QVERIFY(output == u"@fifo" ? S_ISFIFO(kind.st_mode) : S_ISCHR(kind.st_mode));
    }
#else
    run = runCli(arguments);
    bytes = output == u"-" ? run.out : readAll(file);
#endif
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QByteArray());
    if (format.isEmpty())
        return;

    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    QCOMPARE(reader.format(), format);
    const QImage written = reader.read().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(written.size(), expected.size());
    // JPEG is lossy: its size is all that can be compared.
    if (format == "png")
        QVERIFY(written == expected);
}

void tst_Cli::defaultConfiguration()
{
    // A copy of the executable reads the korvane.xml beside it.
    const QString bin = fixture.freshDir();
    const QString copy = bin + QStringLiteral("/korvane-cli");
    QVERIFY(QFile::copy(QStringLiteral(KORVANE_CLI), copy));
    const CliRun missing = runCli({QStringLiteral("list")}, copy);
    QCOMPARE(missing.status, 3);
    QVERIFY2(missing.err.contains(QString(bin + QStringLiteral("/korvane.xml")).toUtf8()),
             missing.err.constData());

    QVERIFY(QFile::copy(fixture.demoConfig, bin + QStringLiteral("/korvane.xml")));
    const CliRun beside = runCli({QStringLiteral("list")}, copy);
    QCOMPARE(beside.status, 0);
    QCOMPARE(beside.out,
             runCli({QStringLiteral("list"), QStringLiteral("--config"), fixture.demoConfig}).out);
}

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
