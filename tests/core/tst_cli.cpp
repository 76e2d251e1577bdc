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
