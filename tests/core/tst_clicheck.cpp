#include "clifixture.h"
#include "export/multifilewriter.h"
#include "handart.h"

#include <QRandomGenerator>
#include <QTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

// korvane-cli config among files a row of the golden table cannot make
// (noise, fills of a megabyte, stray index entries, many names of one file,
// client files written by another program): the client files it finds and
// the configuration it writes. check, and config on simpler directories, are
// the golden table's (tst_golden).
class tst_CliCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void config_data();
    void config();

private:
    CliFixture fixture;
};

void tst_CliCheck::initTestCase()
{
    QVERIFY(QFileInfo(QStringLiteral(KORVANE_CLI)).isExecutable());
    QString error;
    QVERIFY2(fixture.setUp(&error), qPrintable(error));
    const auto path = [this](const char *name) { return fixture.path(QLatin1String(name)); };

    // A client written by another program than the demo generator, as the
    // readers read it whole: three item graphics of its index point past the
    // end of its art data; its tile names hold bytes past their zero byte, a
    // control byte or no zero byte at all.
    HandArt other;
    for (int graphicId = 0; graphicId < 400; ++graphicId)
        other.add(graphicId,
                  handArtEntry(4, 2, {0, 10}, {1, 6, 1, 2, 3, 4, 0x7FFF, 0xFFFF, 0, 0, 0, 0}));
    for (int graphicId = 400; graphicId < 403; ++graphicId)
        other.setIndexEntry(16384 + graphicId, qint32(other.data.size()) + 1000 * graphicId, 40);
    QVERIFY(writeAll(path("other-index.bin"), other.index));
    QVERIFY(writeAll(path("other-data.bin"), other.data));
    // Holds the headers of 380 of the 403: it fits, but less well.
    QVERIFY(writeAll(path("other-data-cut.bin"), other.data.left(380 * other.data.size() / 400)));
    QByteArray tiles(1036288, '\0');
    const auto name = [&tiles](qint64 at, const QByteArray &text) {
        std::copy(text.cbegin(), text.cend(), tiles.begin() + at);
    };
    for (int n = 0; n < 16384; ++n) {
        const qint64 land = (n / 32) * (4 + 32 * 26) + 4 + (n % 32) * 26 + 6;
        const qint64 item = 428032 + (n / 32) * (4 + 32 * 37) + 4 + (n % 32) * 37 + 17;
        name(land, n % 7 == 0 ? QByteArray("grass\0\xcd\xcd\xcd", 9) : QByteArray("dirt"));
        name(item, n % 11 == 0   ? QByteArray("odd\x01name")
                   : n % 13 == 0 ? QByteArray(20, 'x')
                                 : "wall " + QByteArray::number(n));
    }
    QVERIFY(writeAll(path("other-tiles.bin"), tiles));
    // Fewer names of text: it fits, but less well.
    for (int n = 0; n < 16384; n += 2)
        name(428032 + (n / 32) * (4 + 32 * 37) + 4 + (n % 32) * 37 + 17, QByteArray(20, '\0'));
    QVERIFY(writeAll(path("other-tiles-fewer.bin"), tiles));
}

void tst_CliCheck::config_data()
{
    QTest::addColumn<QStringList>("files"); // NAME=KIND, made in a fresh CLIENTDIR
    QTest::addColumn<QStringList>("found"); // cache, art index, art data, tile data

    const QStringList demo{"q7f2=cache", "x01a=artidx", "b9c3=artmul", "m4d8=tiledata"};
    const QStringList found{"q7f2", "x01a", "b9c3", "m4d8"};
    QTest::newRow("among decoys") << demo + QStringList{"idx=noise-393216", "tiles=noise-1036288",
                                                        "notes.txt=table", "blank=fill-00-1036288",
                                                        "letters=fill-41-1036288"}
                                  << found;
    // Its entries fit inside the art data, but point at no art's header.
    QTest::newRow("beside an index of stray entries")
        << demo + QStringList{"idx=stray-index"} << found;
    // Each of the files is one, however many names it has.
    QTest::newRow("art files under many names")
        << demo + QStringList{"x01a-=links-60", "b9c3-=links-60"} << found;
    // Taken as the readers read it, saying how it fits.
    const QStringList other{"q7f2=cache", "a1=other-artidx", "a2=other-artmul",
                            "a3=other-tiledata"};
    QTest::newRow("written by another program") << other << QStringList{"q7f2", "a1", "a2", "a3"};
    QTest::newRow("written by another program, beside files that fit less well")
        << other + QStringList{"a4=other-artmul-cut", "a5=other-tiledata-fewer"}
        << QStringList{"q7f2", "a1", "a2", "a3"};
}

void tst_CliCheck::config()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, found);
    const QString dir = fixture.freshDir();
    const QString home = fixture.freshDir();
    const Configuration &demo = fixture.demoFiles;
    const QStringList keys{"cache", "artidx", "artmul", "tiledata"};
    QString Configuration::*const members[] = {&Configuration::cache, &Configuration::artidx,
                                               &Configuration::artmul, &Configuration::tiledata};
    QRandomGenerator random(17);
    const auto noise = [&random](qsizetype size) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (char &byte : bytes)
            byte = char(random.generate());
        return bytes;
    };
    for (const QString &file : std::as_const(files)) {
        const QString path = dir + u'/' + file.section(u'=', 0, 0);
        const QString kind = file.section(u'=', 1);
        if (const qsizetype demoFile = keys.indexOf(kind); demoFile >= 0) {
            QVERIFY(QFile::copy(demo.*members[demoFile], path));
        } else if (kind == u"stray-index") {
            ArtFileBuilder stray;
            for (int graphicId = 0; graphicId < 500; ++graphicId)
                stray.setIndexEntry(graphicId, qint32(random.bounded(500000)), 100);
            QVERIFY(writeAll(path, stray.index()));
        } else if (kind.startsWith(u"other-")) {
            const QString source = kind == u"other-artidx"       ? "other-index.bin"
                                   : kind == u"other-artmul"     ? "other-data.bin"
                                   : kind == u"other-artmul-cut" ? "other-data-cut.bin"
                                   : kind == u"other-tiledata"   ? "other-tiles.bin"
                                                                 : "other-tiles-fewer.bin";
            QVERIFY(QFile::copy(fixture.path(source), path));
        } else if (kind.startsWith(u"links-")) {
            // NAME-=links-N: N more names for NAME, NAME-1 to NAME-N.
            const QString target = path.chopped(1);
            for (int n = 1; n <= kind.mid(6).toInt(); ++n)
                QCOMPARE(::link(QFile::encodeName(target).constData(),
                                QFile::encodeName(path + QString::number(n)).constData()),
                         0);
        } else if (kind.startsWith(u"fill-")) {
            QVERIFY(writeAll(path, QByteArray(kind.mid(8).toLongLong(),
                                              char(kind.mid(5, 2).toInt(nullptr, 16)))));
        } else if (kind.startsWith(u"noise-")) {
            QVERIFY(writeAll(path, noise(kind.mid(6).toLongLong())));
        } else if (kind == u"table") {
            QVERIFY(writeAll(path, "Entry 0\t3\t0\t0\t1\t1\nEntry 1\t2\t-1\t0\t1\t1\n"));
        }
    }
    Configuration expected;
    for (int i = 0; i < 4; ++i)
        expected.*members[i] = dir + u'/' + found[i];

    const CliRun run = runCli(QStringList{QStringLiteral("config"), dir},
                              QStringLiteral(KORVANE_CLI), QString(), home);
    QCOMPARE(run.status, 0);
    // What was taken, each said.
    const char *const what[] = {"cache file", "art index file", "art data file", "tile data file"};
    for (int i = 0; i < 4; ++i) {
        const QByteArray line =
            "took the " + QByteArray(what[i]) + ' ' + (dir + u'/' + found[i]).toUtf8() + ':';
        QVERIFY2(run.out.contains(line), run.out.constData());
    }
    QCOMPARE(readAll(home + QStringLiteral("/korvane/korvane.xml")), configurationXml(expected));
    QVERIFY2(run.out.endsWith("all four files can be used\n"), run.out.constData());
}

QTEST_GUILESS_MAIN(tst_CliCheck)
#include "tst_clicheck.moc"
