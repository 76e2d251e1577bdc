#include "clifixture.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"
#include "demographics.h"
#include "export/multifilereader.h"
#include "export/multifilewriter.h"
#include "gallery/thumbnail.h"

#include <QImageReader>
#include <QTest>
#include <QUrl>
#include <QtEndian>

#include <cerrno>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// korvane-thumbnailer, run as a file manager's thumbnail service runs it:
// the picture at the path it names, or nothing and one line.
class tst_Thumbnailer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void picture_data();
    void picture();
    void failures_data();
    void failures();
    void outputRefused_data();
    void outputRefused();

private:
    CliFixture fixture;
    QString keepFile;
};

namespace {

const QString Program = QStringLiteral(KORVANE_THUMBNAILER);

} // namespace

void tst_Thumbnailer::initTestCase()
{
    QVERIFY(QFileInfo(Program).isExecutable());
    QString error;
    QVERIFY2(fixture.setUp(&error), qPrintable(error));
    keepFile = fixture.path(QStringLiteral("keep.mlt"));
    QVERIFY(writeAll(keepFile, encodeMultiFile(fixture.entries[fixture.keep].components)));
    QVERIFY(writeAll(fixture.path(QStringLiteral("notes.mlt")), "notes\n"));
    // Four pieces of a tree far apart, as .mlt records: a picture of some
    // 6600 pixels a side.
    QByteArray wide(4, '\0');
    for (const auto &[x, y] : {std::pair{0, 0}, {150, -150}, {150, 150}, {300, 0}}) {
        const qint16 record[] = {qint16(Gfx::Tree), qint16(x), qint16(y), 0, 1, 0};
        for (const qint16 field : record) {
            const qint16 stored = qToLittleEndian(field);
            wide += QByteArray(reinterpret_cast<const char *>(&stored), 2);
        }
    }
    QVERIFY(writeAll(fixture.path(QStringLiteral("wide.mlt")), wide));
    QVERIFY(writeAll(fixture.path(QStringLiteral("empty.mlt")), QByteArray(4, '\0')));
    QFile many(fixture.path(QStringLiteral("many.mlt")));
    QVERIFY(many.open(QIODevice::WriteOnly) && many.resize(4 + 12 * (MaxMultiFileComponents + 1)));
    Configuration noArt = fixture.demoFiles;
    noArt.artidx = fixture.path(QStringLiteral("missing-index.bin"));
    fixture.writeConfig(QStringLiteral("noart.xml"), noArt);
    // The user's own configuration, in a configuration home of the test's.
    QVERIFY(QDir().mkpath(fixture.path(QStringLiteral("home/korvane"))));
    QVERIFY(
        QFile::copy(fixture.demoConfig, fixture.path(QStringLiteral("home/korvane/korvane.xml"))));
}

void tst_Thumbnailer::picture_data()
{
    QTest::addColumn<QString>("size");
    QTest::addColumn<bool>("uri");  // the input as a file: URI
    QTest::addColumn<bool>("held"); // the output made and held open first, as a service does

    QTest::newRow("256, into a file held open") << "256" << false << true;
    QTest::newRow("a file: URI, into a new file") << "128" << true << false;
    QTest::newRow("the largest size") << "4096" << false << true;
    QTest::newRow("the smallest size") << "1" << false << false;
}

void tst_Thumbnailer::picture()
{
    QFETCH(QString, size);
    QFETCH(bool, uri);
    QFETCH(bool, held);

    // The window's picture of the keep, trimmed and reduced here.
    ArtStore art(fixture.demoFiles.artidx, fixture.demoFiles.artmul);
    TileDataStore tiles(fixture.demoFiles.tiledata);
    RenderStatus status = RenderStatus::NoReaders;
    const QImage rendered = renderMultiEntry(fixture.entries[fixture.keep], &art, &tiles, &status);
    QCOMPARE(status, RenderStatus::Rendered);
    const QImage expected =
        thumbnailPicture(rendered, size.toInt(), &status).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(status, RenderStatus::Rendered);

    const QString output = fixture.freshDir() + QStringLiteral("/thumbnail.png");
    int reader = -1;
    if (held) {
        QVERIFY(writeAll(output, "an older picture, longer than nothing"));
        reader = ::open(QFile::encodeName(output).constData(), O_RDONLY | O_CLOEXEC);
        QVERIFY(reader >= 0);
    }
    const QString input = uri ? QUrl::fromLocalFile(keepFile).toString() : keepFile;
    const CliRun run = runCli({QStringLiteral("-s"), size, input, output}, Program, {},
                              fixture.path(QStringLiteral("home")));
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.status, 0);
    QByteArray bytes = readAll(output);
    if (held) {
        // Read through the handle opened before: the file was written, not
        // replaced by another.
        QByteArray through(bytes.size() + 1, '\0');
        QCOMPARE(::pread(reader, through.data(), through.size(), 0), bytes.size());
        ::close(reader);
        QCOMPARE(through.chopped(1), bytes);
    }
    const QImage written = QImage::fromData(bytes, "PNG").convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(written.size(), expected.size());
    QVERIFY(written == expected);
    QCOMPARE(namesIn(QFileInfo(output).path()), QStringList{QStringLiteral("thumbnail.png")});
}

void tst_Thumbnailer::failures_data()
{
    QTest::addColumn<QStringList>("arguments"); // "@x": the test's file x; "%out": the output
    QTest::addColumn<bool>("configured");       // the user's korvane.xml is there
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");

    const QString out = QStringLiteral("%out");
    QTest::newRow("no configuration")
        << QStringList{"@keep.mlt", out} << false << 3
        << "cannot draw @keep.mlt without the client's art and tile data, and no configuration "
           "names them: 'korvane-cli config CLIENTDIR' writes yours";
    QTest::newRow("art that cannot be read")
        << QStringList{"--config", "@noart.xml", "@keep.mlt", out} << true << 3
        << "cannot read art index file @missing-index.bin";
    QTest::newRow("a damaged .mlt file")
        << QStringList{"@notes.mlt", out} << true << 3
        << "cannot read .mlt file @notes.mlt: 6 bytes is not a .mlt file's size";
    QTest::newRow("more components than a rendering takes, by its size")
        << QStringList{"@many.mlt", out} << true << 3
        << "cannot read .mlt file @many.mlt: its 1048577 components are more than the 1048576";
    QTest::newRow("nothing to draw")
        << QStringList{"@empty.mlt", out} << true << 3 << "@empty.mlt has no components";
    QTest::newRow("size 0") << QStringList{"-s", "0", "@keep.mlt", out} << true << 2
                            << "-s takes a whole number from 1 to 4096, not '0'";
    QTest::newRow("one past the largest size")
        << QStringList{"-s", "4097", "@keep.mlt", out} << true << 2
        << "-s takes a whole number from 1 to 4096, not '4097'";
    QTest::newRow("no output") << QStringList{"@keep.mlt"} << true << 2
                               << "takes INPUT and OUTPUT, not 1 arguments";
    QTest::newRow("output under a missing directory")
        << QStringList{"@keep.mlt", "@none/x.png"} << true << 3
        << "cannot write @none/x.png: " + qt_error_string(ENOENT);
    QTest::newRow("a picture memory cannot hold")
        << QStringList{"@wide.mlt", out} << true << 3
        << "not enough memory to draw @wide.mlt (a picture of ";
    QTest::newRow("output beyond the file size limit")
        << QStringList{"@keep.mlt", out} << true << 3
        << "cannot write %out: " + qt_error_string(EFBIG);
}

void tst_Thumbnailer::failures()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, configured);
    QFETCH(int, status);
    QFETCH(QString, message);

    const QString dir = fixture.freshDir();
    const QString output = dir + QStringLiteral("/out.png");
    const QString at = fixture.path(QString()) + u'/';
    for (QString &argument : arguments)
        argument.replace(u'@', at).replace(QStringLiteral("%out"), output);
    message.replace(u'@', at).replace(QStringLiteral("%out"), output);

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString home =
        configured ? fixture.path(QStringLiteral("home")) : fixture.path(QStringLiteral("none"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), home + QStringLiteral("/xdg"));
    process.setProcessEnvironment(environment);
    // A picture of the keep takes some kilobytes: a limit of 100 bytes stops
    // it part way.
    if (QTest::currentDataTag() == QLatin1String("output beyond the file size limit")) {
        process.setChildProcessModifier([] {
            const rlimit limit{100, 100};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
    // Room for the program, not for a picture of 170 MB.
    if (QTest::currentDataTag() == QLatin1String("a picture memory cannot hold")) {
#ifdef __SANITIZE_ADDRESS__
        QSKIP("a data size limit needs a build without the address sanitizer");
#endif
        process.setChildProcessModifier([] {
            const rlimit limit{80 << 20, 80 << 20};
            ::setrlimit(RLIMIT_DATA, &limit);
        });
    }
    process.start(Program, arguments);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    const QByteArray err = process.readAllStandardError();
    QVERIFY2(err.startsWith("korvane-thumbnailer: " + message.toUtf8()), err.constData());
    QCOMPARE(err.count('\n'), 1);
    QCOMPARE(process.exitCode(), status);
    QCOMPARE(process.readAllStandardOutput(), QByteArray());
    // Nothing written, not even a part of the picture.
    QCOMPARE(namesIn(dir), QStringList());
}

void tst_Thumbnailer::outputRefused_data()
{
    QTest::addColumn<QString>("output"); // what OUTPUT is: a kind of name in the test's directory
    QTest::addColumn<QString>("message");

    // A file it would destroy, or reach through a link planted there: one
    // line, and nothing of the user's changed.
    QTest::newRow("INPUT itself") << "input"
                                  << "cannot write @in: it is the .mlt file to draw";
    QTest::newRow("a file: URI of INPUT") << "input URI"
                                          << "cannot write @in: it is the .mlt file to draw";
    QTest::newRow("a hard link to INPUT") << "hard link"
                                          << "cannot write @out: it is the .mlt file to draw";
    QTest::newRow("a link to another file")
        << "link"
        << "cannot write @out: it is a symbolic link; a picture is written only into a "
           "regular file or a new one";
    QTest::newRow("a FIFO") << "fifo"
                            << "cannot write @out: it is a FIFO; a picture is written only into "
                               "a regular file or a new one";
}

void tst_Thumbnailer::outputRefused()
{
    QFETCH(QString, output);
    QFETCH(QString, message);
    const QString dir = fixture.freshDir();
    const QString in = dir + QStringLiteral("/keep.mlt");
    const QString out = dir + QStringLiteral("/thumb.png");
    const QString notes = dir + QStringLiteral("/notes.txt");
    const QByteArray keep = readAll(keepFile);
    QVERIFY(writeAll(in, keep) && writeAll(notes, "my notes\n"));
    QString argument = out;
    if (output == u"input")
        argument = in;
    else if (output == u"input URI")
        argument = QUrl::fromLocalFile(in).toString();
    else if (output == u"hard link")
        QCOMPARE(::link(QFile::encodeName(in).constData(), QFile::encodeName(out).constData()), 0);
    else if (output == u"link")
        QVERIFY(QFile::link(notes, out));
    else if (output == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(out).constData(), 0600), 0);
    const QStringList names = namesIn(dir);

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), fixture.path(QStringLiteral("home")));
    process.setProcessEnvironment(environment);
    process.start(Program, {in, argument});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    message.replace(QStringLiteral("@in"), in).replace(QStringLiteral("@out"), out);
    QCOMPARE(QString::fromUtf8(process.readAllStandardError()),
             QStringLiteral("korvane-thumbnailer: ") + message + u'\n');
    QCOMPARE(process.exitCode(), 3);
    QCOMPARE(readAll(in), keep);
    QCOMPARE(readAll(notes), QByteArray("my notes\n"));
    QCOMPARE(namesIn(dir), names);
}

QTEST_GUILESS_MAIN(tst_Thumbnailer)
#include "tst_thumbnailer.moc"
