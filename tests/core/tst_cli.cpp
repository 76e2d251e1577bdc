#include "app/configuration.h"
#include "cache/cacheloader.h"
#include "cache/multipayload.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"
#include "demoencoders.h"
#include "export/multifilewriter.h"
#include "preview/multirenderer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

namespace {

struct Run
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// Runs korvane-cli (or a copy of it) without any display.
Run runCli(const QStringList &arguments, const QString &program = QStringLiteral(KORVANE_CLI))
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Run run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.status = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList namesIn(const QString &dir)
{
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QString entryName(qsizetype n)
{
    return QStringLiteral("Entry %1").arg(n);
}

} // namespace

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
    void exportInterrupted();
    void render_data();
    void render();
    void defaultConfiguration();
    void errors_data();
    void errors();

private:
    // A configuration beside the demo set with some of its files replaced.
    QString writeConfig(const QString &name, const Configuration &configuration);
    QString path(const QString &name) const { return work.filePath(name); }
    QString freshDir();
    QByteArray payloadOf(const QList<qsizetype> &indices) const;

    QTemporaryDir work;
    QString demo;
    QString demoConfig;
    Configuration demoFiles;
    QList<CacheEntry> entries;
    qsizetype keep = -1;
    int dirs = 0;
};

void tst_Cli::initTestCase()
{
    QVERIFY(QFileInfo(QStringLiteral(KORVANE_CLI)).isExecutable());
    QVERIFY(work.isValid());
    demo = path(QStringLiteral("demo"));
    QString error;
    QVERIFY2(writeDemoSet(demo, false, &error), qPrintable(error));
    demoConfig = demo + u'/' + QLatin1String(DemoConfigName);
    const std::optional<Configuration> configuration = readConfiguration(demoConfig);
    QVERIFY(configuration);
    demoFiles = *configuration;

    QFile cache(demoFiles.cache);
    QVERIFY(cache.open(QIODevice::ReadOnly));
    entries = loadCacheEntries(&cache);
    QVERIFY(entries.size() >= 3);
    keep = std::max_element(entries.cbegin(), entries.cend(),
                            [](const CacheEntry &a, const CacheEntry &b) {
                                return a.components.size() < b.components.size();
                            }) -
           entries.cbegin();

    // Entry 0 without components, Entry 1 spread far beyond any picture size.
    QVERIFY(writeAll(path(QStringLiteral("odd.txt")),
                     encodeCacheEntry(0, {}) +
                         encodeCacheEntry(1, {{1, 0, 0, 0}, {1, 1000, -1000, 0}})));
    Configuration odd = demoFiles;
    odd.cache = path(QStringLiteral("odd.txt"));
    writeConfig(QStringLiteral("odd.xml"), odd);
    Configuration broken = demoFiles;
    broken.cache = path(QStringLiteral("missing.txt"));
    writeConfig(QStringLiteral("nocache.xml"), broken);
    broken.cache = demo;
    writeConfig(QStringLiteral("cachedir.xml"), broken);
    broken.cache.clear();
    writeConfig(QStringLiteral("nocachekey.xml"), broken);
    broken = demoFiles;
    broken.artidx = path(QStringLiteral("missing-index.bin"));
    writeConfig(QStringLiteral("noart.xml"), broken);
    broken = demoFiles;
    broken.tiledata = path(QStringLiteral("missing-tiles.bin"));
    writeConfig(QStringLiteral("notiles.xml"), broken);
    QVERIFY(writeAll(path(QStringLiteral("plain")), "not a directory"));

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
    const Configuration ordered{
        path(QStringLiteral("order-index.bin")), path(QStringLiteral("order-data.bin")),
        path(QStringLiteral("order-tiles.bin")), path(QStringLiteral("order.txt"))};
    QVERIFY(writeAll(ordered.artidx, art.index()));
    QVERIFY(writeAll(ordered.artmul, art.data()));
    QVERIFY(writeAll(ordered.tiledata, tiles.bytes()));
    QVERIFY(writeAll(ordered.cache, encodeCacheEntry(0, {{10, 0, 0, 0}, {11, 0, 0, 0}})));
    writeConfig(QStringLiteral("order.xml"), ordered);

    // Enough entries that an export is still running when it is stopped.
    QByteArray many;
    for (int n = 0; n < 4000; ++n)
        many += encodeCacheEntry(n, {{n % 500, 0, 0, 0}, {7, n % 9, -2, n % 50}});
    QVERIFY(writeAll(path(QStringLiteral("many.txt")), many));
    Configuration manyFiles = demoFiles;
    manyFiles.cache = path(QStringLiteral("many.txt"));
    writeConfig(QStringLiteral("many.xml"), manyFiles);
}

QString tst_Cli::writeConfig(const QString &name, const Configuration &configuration)
{
    writeAll(path(name), configurationXml(configuration));
    return path(name);
}

QString tst_Cli::freshDir()
{
    const QString dir = path(QStringLiteral("out%1").arg(++dirs));
    QDir().mkpath(dir);
    return dir;
}

// The drag payload of those entries, as the entry list builds it.
QByteArray tst_Cli::payloadOf(const QList<qsizetype> &indices) const
{
    QList<MultiEntry> chosen;
    for (qsizetype n : indices)
        chosen.append({entryName(n), entries[n].bounds, entries[n].components});
    return encodeMultiPayload(chosen);
}

void tst_Cli::list()
{
    QByteArray expected;
    for (qsizetype n = 0; n < entries.size(); ++n) {
        const QRect &b = entries[n].bounds;
        expected += QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\n")
                        .arg(entryName(n))
                        .arg(entries[n].components.size())
                        .arg(b.left())
                        .arg(b.top())
                        .arg(b.right())
                        .arg(b.bottom())
                        .toUtf8();
    }
    const Run plain = runCli({QStringLiteral("list"), QStringLiteral("--config"), demoConfig});
    QCOMPARE(plain.status, 0);
    QCOMPARE(plain.err, QByteArray());
    QCOMPARE(plain.out, expected);

    // Options before the command work as well.
    const Run json = runCli(
        {QStringLiteral("--config"), demoConfig, QStringLiteral("list"), QStringLiteral("--json")});
    QCOMPARE(json.status, 0);
    const QJsonArray array = QJsonDocument::fromJson(json.out).array();
    QCOMPARE(array.size(), entries.size());
    for (qsizetype n = 0; n < entries.size(); ++n) {
        const QJsonObject object = array[n].toObject();
        const QRect &b = entries[n].bounds;
        QCOMPARE(object.value(u"name").toString(), entryName(n));
        QCOMPARE(object.value(u"components").toInt(), entries[n].components.size());
        const QList<int> bounds{object.value(u"x1").toInt(), object.value(u"y1").toInt(),
                                object.value(u"x2").toInt(), object.value(u"y2").toInt()};
        QCOMPARE(bounds, (QList<int>{b.left(), b.top(), b.right(), b.bottom()}));
    }
}

void tst_Cli::exportAllAsDrop()
{
    const QString dropped = freshDir();
    QList<qsizetype> all;
    for (qsizetype n = 0; n < entries.size(); ++n)
        all.append(n);
    QVERIFY(writeMultiFiles(payloadOf(all), dropped));

    const QString exported = freshDir();
    const Run run =
        runCli({QStringLiteral("export"), exported, QStringLiteral("--config"), demoConfig});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QByteArray()); // no progress bar without a terminal
    QVERIFY2(run.out.contains(QStringLiteral("Wrote %1 of %1 entries").arg(all.size()).toUtf8()),
             run.out.constData());

    const QStringList names = namesIn(exported);
    QCOMPARE(names, namesIn(dropped));
    QCOMPARE(names.size(), entries.size());
    for (const QString &name : names)
        QVERIFY2(readAll(exported + u'/' + name) == readAll(dropped + u'/' + name),
                 qPrintable(name));
}

void tst_Cli::exportChosen_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<qsizetype>>("expected");

    QTest::newRow("names") << QStringList{"Entry 2", "Entry 0"} << QList<qsizetype>{2, 0};
    QTest::newRow("numbers") << QStringList{"1"} << QList<qsizetype>{1};
    QTest::newRow("mixed, repeated") << QStringList{"2", "Entry 2", "02"} << QList<qsizetype>{2};
}

void tst_Cli::exportChosen()
{
    QFETCH(QStringList, names);
    QFETCH(QList<qsizetype>, expected);

    const QString dropped = freshDir();
    QVERIFY(writeMultiFiles(payloadOf(expected), dropped));
    const QString exported = freshDir();
    const Run run = runCli(
        QStringList{QStringLiteral("export"), QStringLiteral("--config"), demoConfig, exported} +
        names);
    QCOMPARE(run.status, 0);
    QCOMPARE(namesIn(exported), namesIn(dropped));
    for (qsizetype n : expected) {
        const QString file = entryName(n) + QStringLiteral(".mlt");
        QCOMPARE(readAll(exported + u'/' + file), readAll(dropped + u'/' + file));
    }
}

void tst_Cli::exportPartialFailure()
{
    // A directory in the way of one file: the others are still written.
    const QString dir = freshDir();
    QVERIFY(QDir(dir).mkdir(QStringLiteral("Entry 1.mlt")));
    const Run run = runCli(
        {QStringLiteral("export"), QStringLiteral("--config"), demoConfig, dir, "0", "1", "2"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.startsWith("korvane-cli: Entry 1 was not written to "), run.err.constData());
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY2(run.out.contains("Wrote 2 of 3 entries"), run.out.constData());
    QCOMPARE(namesIn(dir), (QStringList{"Entry 0.mlt", "Entry 1.mlt", "Entry 2.mlt"}));
    QVERIFY(QFileInfo(dir + QStringLiteral("/Entry 1.mlt")).isDir());
}

void tst_Cli::exportInterrupted()
{
#ifndef Q_OS_UNIX
    QSKIP("stopping by signal is a POSIX matter");
#else
    QFile cacheFile(path(QStringLiteral("many.txt")));
    QVERIFY(cacheFile.open(QIODevice::ReadOnly));
    const QList<CacheEntry> many = loadCacheEntries(&cacheFile);

    int stopped = 0;
    for (int round = 0; round < 3; ++round) {
        const QString dir = freshDir();
        QProcess process;
        process.start(QStringLiteral(KORVANE_CLI),
                      {QStringLiteral("export"), dir, QStringLiteral("--config"),
                       path(QStringLiteral("many.xml"))});
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(
            namesIn(dir).size() >= 20 || process.state() == QProcess::NotRunning, 60000);
        if (process.state() == QProcess::Running && process.processId() > 0)
            ::kill(pid_t(process.processId()), SIGTERM);
        QVERIFY(process.waitForFinished(60000));
        if (process.exitStatus() == QProcess::CrashExit)
            ++stopped;

        // Only whole files, each the bytes of its entry; no temporary left.
        for (const QString &name : namesIn(dir)) {
            QVERIFY2(name.startsWith(u"Entry ") && name.endsWith(u".mlt"), qPrintable(name));
            const qsizetype n = name.mid(6, name.size() - 10).toInt();
            QCOMPARE(readAll(dir + u'/' + name), encodeMultiFile(many[n].components));
        }
    }
    QVERIFY(stopped > 0);
#endif
}

void tst_Cli::render_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("toStdout");

    QTest::newRow("keep by name, to a file") << demoConfig << entryName(keep) << false;
    QTest::newRow("first by number, to stdout") << demoConfig << QStringLiteral("0") << true;
    QTest::newRow("draw order from the tile data")
        << path(QStringLiteral("order.xml")) << QStringLiteral("0") << false;
}

void tst_Cli::render()
{
    QFETCH(QString, config);
    QFETCH(QString, entry);
    QFETCH(bool, toStdout);

    const std::optional<Configuration> files = readConfiguration(config);
    QVERIFY(files);
    QFile cacheFile(files->cache);
    QVERIFY(cacheFile.open(QIODevice::ReadOnly));
    const QList<CacheEntry> cache = loadCacheEntries(&cacheFile);
    const qsizetype index = entry.startsWith(u"Entry ") ? entry.mid(6).toInt() : entry.toInt();
    QVERIFY(index < cache.size());
    const QByteArray payload =
        encodeMultiPayload({{entryName(index), cache[index].bounds, cache[index].components}});

    ArtStore art(files->artidx, files->artmul);
    TileDataStore tiles(files->tiledata);
    RenderStatus status = RenderStatus::NoReaders;
    const QImage pane = renderMultiPayload(payload, &art, &tiles, &status);
    QCOMPARE(status, RenderStatus::Rendered);
    const QImage expected = pane.convertToFormat(QImage::Format_ARGB32);
    // A picture with something in it, so a blank output cannot pass.
    QVERIFY(std::any_of(reinterpret_cast<const QRgb *>(expected.constBits()),
                        reinterpret_cast<const QRgb *>(expected.constBits()) +
                            expected.sizeInBytes() / 4,
                        [](QRgb pixel) { return qAlpha(pixel) == 255; }));

    const QString file = path(QStringLiteral("picture%1.png").arg(++dirs));
    const Run run =
        runCli({QStringLiteral("render"), entry, QStringLiteral("-o"),
                toStdout ? QStringLiteral("-") : file, QStringLiteral("--config"), config});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QByteArray());
    const QByteArray png = toStdout ? run.out : readAll(file);
    QVERIFY(png.startsWith("\x89PNG"));
    const QImage written = QImage::fromData(png, "PNG").convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(written.size(), expected.size());
    QVERIFY(written == expected);
}

void tst_Cli::defaultConfiguration()
{
    // A copy of the executable reads the korvane.xml beside it.
    const QString bin = freshDir();
    const QString copy = bin + QStringLiteral("/korvane-cli");
    QVERIFY(QFile::copy(QStringLiteral(KORVANE_CLI), copy));
    const Run missing = runCli({QStringLiteral("list")}, copy);
    QCOMPARE(missing.status, 3);
    QVERIFY2(missing.err.contains(QString(bin + QStringLiteral("/korvane.xml")).toUtf8()),
             missing.err.constData());

    QVERIFY(QFile::copy(demoConfig, bin + QStringLiteral("/korvane.xml")));
    const Run beside = runCli({QStringLiteral("list")}, copy);
    QCOMPARE(beside.status, 0);
    QCOMPARE(beside.out,
             runCli({QStringLiteral("list"), QStringLiteral("--config"), demoConfig}).out);
}

void tst_Cli::errors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");

    // "@x" stands for the file x of the test's directory, "@dir" for an empty
    // directory that must stay empty, "@demo" for the demo configuration.
    const QString list = QStringLiteral("list");
    const QString exp = QStringLiteral("export");
    const QString render = QStringLiteral("render");
    const QString config = QStringLiteral("--config");
    const QString out = QStringLiteral("@dir/x.png");

    QTest::newRow("no command") << QStringList{} << 2 << "no command given";
    QTest::newRow("unknown command") << QStringList{"show"} << 2 << "unknown command 'show'";
    QTest::newRow("unknown option") << QStringList{list, "--fast"} << 2 << "Unknown option";
    QTest::newRow("list argument") << QStringList{list, "3"} << 2 << "list takes no arguments";
    QTest::newRow("export without DIR") << QStringList{exp} << 2 << "export needs a directory";
    QTest::newRow("render without -o") << QStringList{render, "0"} << 2 << "render needs -o";
    QTest::newRow("render two") << QStringList{render, "0", "1", "-o", out} << 2
                                << "exactly one ENTRY";

    QTest::newRow("missing configuration")
        << QStringList{list, config, "@none.xml"} << 3 << "cannot open configuration @none.xml";
    QTest::newRow("missing cache file") << QStringList{exp, "@dir", config, "@nocache.xml"} << 3
                                        << "cannot read cache file @missing.txt";
    QTest::newRow("cache file is a directory")
        << QStringList{list, config, "@cachedir.xml"} << 3 << "cannot read cache file";
    QTest::newRow("no cache key") << QStringList{list, config, "@nocachekey.xml"} << 3
                                  << "names no cache file";
    QTest::newRow("missing art index") << QStringList{render, "0", "-o", out, config, "@noart.xml"}
                                       << 3 << "cannot read art index file @missing-index.bin";
    QTest::newRow("missing tile data")
        << QStringList{render, "0", "-o", out, config, "@notiles.xml"} << 3
        << "cannot read tile data file @missing-tiles.bin";
    QTest::newRow("list needs no art") << QStringList{list, config, "@noart.xml"} << 0 << "";

    QTest::newRow("unknown entry number")
        << QStringList{exp, "@dir", "0", "99999", config, "@demo"} << 3 << "no entry \"99999\"";
    QTest::newRow("malformed entry name")
        << QStringList{exp, "@dir", "Entry x", config, "@demo"} << 3 << "no entry \"Entry x\"";
    QTest::newRow("negative entry")
        << QStringList{render, "-o", out, config, "@demo", "--", "-1"} << 3 << "no entry \"-1\"";
    QTest::newRow("DIR under a file") << QStringList{exp, "@plain/sub", config, "@demo"} << 3
                                      << "cannot export to @plain/sub: no such directory";
    QTest::newRow("DIR is a file") << QStringList{exp, "@plain", config, "@demo"} << 3
                                   << "cannot export to @plain: not a directory";
    QTest::newRow("output under a file")
        << QStringList{render, "0", "-o", "@plain/x.png", config, "@demo"} << 3
        << "cannot write Entry 0 to @plain/x.png";
    QTest::newRow("entry without components")
        << QStringList{render, "Entry 0", "-o", out, config, "@odd.xml"} << 3
        << "Entry 0 has no components";
    QTest::newRow("too large to render") << QStringList{render, "1", "-o", out, config, "@odd.xml"}
                                         << 3 << "Entry 1 is too large to render";
}

void tst_Cli::errors()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, message);

    const QString dir = freshDir();
    const auto resolve = [&](QString text) {
        text.replace(QStringLiteral("@demo"), demoConfig);
        text.replace(QStringLiteral("@dir"), dir);
        text.replace(u'@', work.path() + u'/');
        return text;
    };
    for (QString &argument : arguments)
        argument = resolve(argument);

    const Run run = runCli(arguments);
    QCOMPARE(run.status, status);
    QVERIFY(namesIn(dir).isEmpty());
    if (status == 0)
        return;
    QCOMPARE(run.out, QByteArray());
    QVERIFY2(run.err.startsWith("korvane-cli: "), run.err.constData());
    QVERIFY2(run.err.contains(resolve(message).toUtf8()), run.err.constData());
    // One message; a usage error adds the pointer to --help.
    QCOMPARE(run.err.count('\n'), status == 2 ? 2 : 1);
}

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
