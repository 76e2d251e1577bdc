#include "clifixture.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"
#include "preview/multirenderer.h"

#include <QBuffer>
#include <QImageReader>
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

// What only korvane-cli's own process shows: a picture written into a FIFO
// or a device node, and the configuration beside the executable. The rest
// of the command line is the golden table's (tst_golden).
class tst_Cli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void renderIntoNode_data();
    void renderIntoNode();
    void configurationBesideTheProgram();

private:
    CliFixture fixture;
};

void tst_Cli::initTestCase()
{
    QVERIFY(QFileInfo(QStringLiteral(KORVANE_CLI)).isExecutable());
    QString error;
    QVERIFY2(fixture.setUp(&error), qPrintable(error));
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

// The korvane.xml beside the executable comes before the user's: a copy of
// the executable with one beside it, and a user's of another cache.
void tst_Cli::configurationBesideTheProgram()
{
    const QString bin = fixture.freshDir();
    const QString copy = bin + QStringLiteral("/korvane-cli");
    QVERIFY(QFile::copy(QStringLiteral(KORVANE_CLI), copy));
    const QString home = fixture.freshDir();
    const QString besidePath = bin + QStringLiteral("/korvane.xml");
    QVERIFY(QFile::copy(fixture.demoConfig, besidePath));
    Configuration users = fixture.demoFiles;
    users.cache = fixture.path(QStringLiteral("one.txt"));
    QVERIFY(writeAll(users.cache, encodeCacheEntry(0, {{1, 0, 0, 0}})));
    QVERIFY(QDir().mkpath(home + QStringLiteral("/korvane")));
    QVERIFY(writeAll(home + QStringLiteral("/korvane/korvane.xml"), configurationXml(users)));

    const CliRun run = runCli({QStringLiteral("list")}, copy, QString(), home);
    const CliRun help = runCli({QStringLiteral("--help")}, copy, QString(), home);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, runCli({QStringLiteral("list"), QStringLiteral("--config"), besidePath}).out);
    // The help names the file it would read.
    QVERIFY2(help.out.simplified().contains(besidePath.toUtf8()), help.out.constData());
}

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
