#include "clifixture.h"
#include "data/artstore.h"
#include "demographics.h"
#include "export/multifilewriter.h"
#include "preview/multicomponent.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTest>
#include <QtEndian>

#include <cstdio>

namespace {

QList<DemoComponent> componentsOf(const MultiEntry &entry)
{
    QList<DemoComponent> components;
    for (const ComponentSpec &spec : entry.components) {
        const MultiComponent c(spec, nullptr);
        components.append({c.graphicId, c.x, c.y, c.z});
    }
    return components;
}

QByteArray cacheOf(const QList<QList<DemoComponent>> &entries)
{
    QByteArray text;
    for (qsizetype n = 0; n < entries.size(); ++n)
        text += encodeCacheEntry(int(n), entries[n]);
    return text;
}

// Changes the colour of every pixel painted of the graphic's art in the art
// files `index` and `data`, in place: the same length, another picture.
bool repaint(const QByteArray &index, QByteArray *data, int graphic)
{
    const qint64 at = 12 * (qint64(ArtStore::ItemGraphics) + graphic);
    if (at + 8 > index.size())
        return false;
    const qint32 lookup = qFromLittleEndian<qint32>(index.constData() + at);
    uchar *art = reinterpret_cast<uchar *>(data->data()) + lookup;
    const int height = qFromLittleEndian<quint16>(art + 6);
    int painted = 0;
    for (int y = 0; y < height; ++y) {
        qint64 pos = 8 + 2 * (height + qint64(qFromLittleEndian<qint16>(art + 8 + 2 * y)));
        for (;;) {
            const qint16 skip = qFromLittleEndian<qint16>(art + pos);
            const qint16 count = qFromLittleEndian<qint16>(art + pos + 2);
            pos += 4;
            if (skip + count == 0)
                break;
            for (int n = 0; n < count; ++n, pos += 2, ++painted)
                art[pos] ^= 0x1F;
        }
    }
    return painted > 0;
}

} // namespace

// korvane-cli diff on two versions of a client built from the demo set.
class tst_CliDiff : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void report();
    void json();
    void gallery();
    void galleryPictureRefused();
    void multiFiles();
    void refused_data();
    void refused();

private:
    CliFixture fixture;
    QString oldDir; // the old client, found by content
    QString newConfig;
    QStringList lines;  // the start of each line of the report
    int repainted = -1; // the graphic whose art changed
};

void tst_CliDiff::initTestCase()
{
    QString error;
    QVERIFY2(fixture.setUp(&error), qPrintable(error));
    QList<QList<DemoComponent>> entries;
    for (const MultiEntry &entry : fixture.entries)
        entries.append(componentsOf(entry));
    QVERIFY(entries.size() >= 7);

    // A graphic that only entry 6 draws: its art changes.
    QHash<int, QSet<int>> users;
    for (qsizetype n = 0; n < entries.size(); ++n)
        for (const DemoComponent &c : entries[n])
            users[c.graphicId].insert(int(n));
    int only6 = -1;
    for (auto it = users.cbegin(); it != users.cend(); ++it)
        if (it->size() == 1 && it->contains(6) && (only6 < 0 || it.key() < only6))
            only6 = it.key();
    QVERIFY(only6 >= 0);
    repainted = only6;

    // Old: E0 E1 E2 E3 E4 E5 E6 E1; new: E0 E1 N E2 E3' E5 E6 E1, where N is
    // new, E3' has other walls, E4 is gone and E6's art changed.
    QList<QList<DemoComponent>> before = entries.mid(0, 7);
    before.append(entries[1]);
    QList<DemoComponent> walls = entries[3];
    int swapped = 0;
    for (DemoComponent &c : walls) {
        if (c.graphicId >= Gfx::WallBase && c.graphicId < Gfx::WallBase + 8 * WallMaterials) {
            c.graphicId = Gfx::WallBase + (c.graphicId - Gfx::WallBase + 8) % (8 * WallMaterials);
            ++swapped;
        }
    }
    QVERIFY(swapped > 0 && 2 * (walls.size() - swapped) >= walls.size());
    const QList<QList<DemoComponent>> after{
        entries[0], entries[1], {{Gfx::Fountain, 0, 0, 0}, {Gfx::Tree, 1, 1, 0}},
        entries[2], walls,      entries[5],
        entries[6], entries[1]};

    oldDir = fixture.path(QStringLiteral("old-client"));
    const QString newDir = fixture.path(QStringLiteral("new-client"));
    QVERIFY(QDir().mkpath(oldDir) && QDir().mkpath(newDir));
    const Configuration &demo = fixture.demoFiles;
    const QByteArray index = readAll(demo.artidx);
    QByteArray data = readAll(demo.artmul);
    QVERIFY(writeAll(oldDir + QStringLiteral("/a.idx"), index));
    QVERIFY(writeAll(oldDir + QStringLiteral("/a.dat"), data));
    QVERIFY(writeAll(oldDir + QStringLiteral("/tiles"), readAll(demo.tiledata)));
    QVERIFY(writeAll(oldDir + QStringLiteral("/cache"), cacheOf(before)));
    QVERIFY(repaint(index, &data, only6));
    const Configuration next{newDir + QStringLiteral("/a.idx"), newDir + QStringLiteral("/a.dat"),
                             demo.tiledata, newDir + QStringLiteral("/cache")};
    QVERIFY(writeAll(next.artidx, index) && writeAll(next.artmul, data) &&
            writeAll(next.cache, cacheOf(after)));
    newConfig = fixture.writeConfig(QStringLiteral("new.xml"), next);
    lines =
        QStringList{"added\t\tEntry 2", "renumbered\tEntry 2\tEntry 3", "changed\tEntry 3\tEntry 4",
                    "removed\tEntry 4\t", "picture-changed\tEntry 6\tEntry 6"};
    lines.last() += QStringLiteral("\t%1\t%1\t\t\t\t\t").arg(entries[6].size());
    lines[2] += QStringLiteral("\t%1\t%1\t0\t0\t0\t%2\t").arg(walls.size()).arg(swapped);
}

void tst_CliDiff::report()
{
    // Renumbered entries are counted, and listed when asked for.
    for (const bool renumbered : {false, true}) {
        QStringList arguments{QStringLiteral("diff"), oldDir, newConfig};
        QStringList expected = lines;
        if (renumbered)
            arguments << QStringLiteral("--renumbered");
        else
            expected.removeAt(1);
        const CliRun run = runCli(arguments);
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err, QByteArray("1 added, 1 removed, 1 renumbered, 1 changed, 1 picture "
                                     "changed; 4 unchanged\n"));
        const QStringList out = QString::fromUtf8(run.out).split(u'\n');
        QCOMPARE(out.size(), expected.size() + 2); // the header, and the end of the last line
        QVERIFY(out[0].startsWith(QLatin1String("change\told\tnew\t")));
        for (qsizetype n = 0; n < expected.size(); ++n)
            QVERIFY2(out[n + 1].startsWith(expected[n]),
                     qPrintable(out[n + 1] + QStringLiteral(" / ") + expected[n]));
        QCOMPARE(out[expected.size()].section(u'\t', -1), QString::number(repainted));
    }

    // A side against itself: nothing differs, and it says why.
    const CliRun same = runCli({QStringLiteral("diff"), oldDir, oldDir});
    QCOMPARE(same.status, 0);
    QCOMPARE(same.out.count('\n'), 1);
    QCOMPARE(same.err,
             QStringLiteral("korvane-cli: warning: both sides read the same cache file %1/cache\n"
                            "0 added, 0 removed, 0 renumbered, 0 changed, 0 picture changed; "
                            "8 unchanged\n")
                 .arg(oldDir)
                 .toUtf8());
}

void tst_CliDiff::json()
{
    const CliRun run = runCli({QStringLiteral("diff"), oldDir, newConfig, QStringLiteral("--json"),
                               QStringLiteral("--renumbered")});
    QCOMPARE(run.status, 1);
    QJsonParseError error;
    const QJsonArray all = QJsonDocument::fromJson(run.out, &error).array();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(all.size(), lines.size());
    const QJsonObject changed = all[2].toObject();
    QCOMPARE(changed.value("change").toString(), QStringLiteral("changed"));
    QCOMPARE(changed.value("old").toObject().value("number").toInt(), 3);
    QCOMPARE(changed.value("new").toObject().value("name").toString(), QStringLiteral("Entry 4"));
    QVERIFY(changed.value("replaced").toInt() > 0);
    QVERIFY(all[0].toObject().value("old").isNull());
    QVERIFY(all[0].toObject().value("added").isNull());
    QCOMPARE(all[4].toObject().value("graphics").toArray().size(), 1);
    // The keys in the order the columns have.
    QVERIFY(run.out.indexOf("\"change\"") < run.out.indexOf("\"old\"") &&
            run.out.indexOf("\"old\"") < run.out.indexOf("\"new\"") &&
            run.out.indexOf("\"replaced\"") < run.out.indexOf("\"graphics\""));
}

void tst_CliDiff::gallery()
{
    const QString dir = fixture.path(QStringLiteral("diff-sheet"));
    const CliRun run =
        runCli({QStringLiteral("diff"), oldDir, newConfig, QStringLiteral("--gallery"), dir,
                QStringLiteral("--jobs"), QStringLiteral("2")});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.endsWith(
                 QStringLiteral("Wrote 6 pictures and index.html to %1\n").arg(dir).toUtf8()),
             run.err.constData());
    // Renumbered and unchanged entries are only counted; the record says
    // which pages the gallery wrote.
    QCOMPARE(namesIn(dir), (QStringList{".korvane-gallery", "index.html", "new Entry 2.png",
                                        "new Entry 4.png", "new Entry 6.png", "old Entry 3.png",
                                        "old Entry 4.png", "old Entry 6.png"}));
    // The old and new pictures of one card: of the entry whose art changed,
    // they differ; the new one is what render draws, trimmed, with nothing
    // marked.
    const QImage before(dir + QStringLiteral("/old Entry 6.png"));
    const QImage after(dir + QStringLiteral("/new Entry 6.png"));
    QVERIFY(!before.isNull() && before.size() == after.size() && before != after);
    const QString rendered = fixture.path(QStringLiteral("entry6.png"));
    QCOMPARE(runCli({QStringLiteral("render"), QStringLiteral("6"), QStringLiteral("-o"), rendered,
                     QStringLiteral("--trim"), QStringLiteral("--config"), newConfig})
                 .status,
             0);
    QCOMPARE(after.convertToFormat(QImage::Format_ARGB32),
             QImage(rendered).convertToFormat(QImage::Format_ARGB32));
    const QString page = QString::fromUtf8(readAll(dir + QStringLiteral("/index.html")));
    const qsizetype card = page.indexOf(QStringLiteral("Entry 3 \u2192 Entry 4"));
    QVERIFY2(card > 0, qPrintable(page));
    const qsizetype start = page.lastIndexOf(QLatin1String("<figure"), card);
    QVERIFY(page.indexOf(QLatin1String("src=\"old%20Entry%203.png\""), start) < card);
    QVERIFY(page.indexOf(QLatin1String("src=\"new%20Entry%204.png\""), start) < card);
    QVERIFY(page.contains(QLatin1String("given another graphic")));
    QVERIFY2(
        page.contains(QStringLiteral("the art or tile data of graphic %1 changed").arg(repainted)),
        qPrintable(page));
    QCOMPARE(page.count(QLatin1String("<figure")), 4);
}

// A picture that cannot be written is named; the others and the page are
// written, and the status says the gallery is not whole.
void tst_CliDiff::galleryPictureRefused()
{
    const QString dir = fixture.freshDir();
    QVERIFY(QDir().mkpath(dir + QStringLiteral("/old Entry 3.png")));
    const CliRun run =
        runCli({QStringLiteral("diff"), oldDir, newConfig, QStringLiteral("--gallery"), dir});
    QCOMPARE(run.status, 3);
    const QStringList err = QString::fromUtf8(run.err).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(err.size(), 3);
    QVERIFY2(err[1].startsWith(QStringLiteral("korvane-cli: old Entry 3 was not written to %1/old "
                                              "Entry 3.png: ")
                                   .arg(dir)),
             qPrintable(err[1]));
    QCOMPARE(err[2], QStringLiteral("Wrote 5 pictures and index.html to %1").arg(dir));
    QVERIFY(QFileInfo(dir + QStringLiteral("/old Entry 3.png")).isDir());

    // A file size limit stops the gallery in one line: the new side's
    // pictures are not even begun.
    const QString limited = fixture.freshDir();
    const CliRun stopped = runCli(
        {QStringLiteral("-c"), QStringLiteral("ulimit -f 3; exec \"$@\""), QStringLiteral("sh"),
         QStringLiteral(KORVANE_CLI), QStringLiteral("diff"), oldDir, newConfig,
         QStringLiteral("--gallery"), limited, QStringLiteral("--jobs"), QStringLiteral("1")},
        QStringLiteral("/bin/sh"));
    QCOMPARE(stopped.status, 3);
    QVERIFY2(stopped.err.contains("korvane-cli: stopped at old Entry 3 (" + limited.toUtf8() +
                                  "/old Entry 3.png): File too large; wrote 0 pictures, no "
                                  "index.html\n"),
             stopped.err.constData());
    QCOMPARE(namesIn(limited), QStringList());
}

// A .mlt file whose name is not UTF-8 text is named as list names it, and
// the others are compared; the trouble ends the command after the report.
void tst_CliDiff::multiFiles()
{
    const QString before = fixture.freshDir();
    const QString after = fixture.freshDir();
    const QByteArray bytes = encodeMultiFile(fixture.entries[0].components);
    QVERIFY(writeAll(before + QStringLiteral("/house.mlt"), bytes));
    QVERIFY(writeAll(after + QStringLiteral("/house.mlt"), bytes));
    FILE *odd = std::fopen((QFile::encodeName(after) + "/house\xff.mlt").constData(), "wb");
    QVERIFY(odd &&
            std::fwrite(bytes.constData(), 1, size_t(bytes.size()), odd) == size_t(bytes.size()));
    std::fclose(odd);
    const CliRun run = runCli({QStringLiteral("diff"), before, after});
    QCOMPARE(run.err, QStringLiteral("korvane-cli: cannot read .mlt file %1/house\\xFF.mlt: its "
                                     "name is not UTF-8 text\n"
                                     "0 added, 0 removed, 0 renumbered, 0 changed, 0 picture "
                                     "changed; 1 unchanged\n")
                          .arg(after)
                          .toUtf8());
    QCOMPARE(run.status, 3);
}

void tst_CliDiff::refused_data()
{
    QTest::addColumn<QStringList>("arguments"); // "<old>" and "<new>" stand for the two clients
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message"); // the one line on stderr, "<dir>" for a fresh directory

    QTest::newRow("one side") << QStringList{"<old>"} << 2
                              << "korvane-cli: diff takes two sides, OLD and NEW, not 1";
    QTest::newRow("a side missing") << QStringList{"<old>", "/nonexistent/new"} << 3
                                    << "korvane-cli: new side /nonexistent/new: no such file or "
                                       "directory";
    QTest::newRow("a directory without client files")
        << QStringList{"<dir>", "<new>"} << 3
        << "korvane-cli: old side <dir>: found no cache file: ";
    QTest::newRow("a gallery without a parent")
        << QStringList{"<old>", "<new>", "--gallery", "/nonexistent/a/b"} << 3
        << "korvane-cli: cannot write the gallery to /nonexistent/a/b: no such directory, nor its "
           "parent /nonexistent/a";
    QTest::newRow("--jobs twice") << QStringList{"<old>",  "<new>", "--gallery", "<dir>",
                                                 "--jobs", "1",     "--jobs",    "2"}
                                  << 2 << "korvane-cli: --jobs given 2 times";
    QTest::newRow("--scale alone") << QStringList{"<old>", "<new>", "--scale", "2"} << 2
                                   << "korvane-cli: --scale goes with --gallery";
}

void tst_CliDiff::refused()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, message);
    const QString dir = fixture.freshDir();
    const QString mlt = fixture.freshDir();
    QVERIFY(
        writeAll(mlt + QStringLiteral("/a.mlt"), encodeMultiFile(fixture.entries[0].components)));
    QStringList command{QStringLiteral("diff")};
    for (QString argument : arguments) {
        argument.replace(QLatin1String("<old>"), oldDir).replace(QLatin1String("<new>"), newConfig);
        argument.replace(QLatin1String("<mlt>"), mlt).replace(QLatin1String("<dir>"), dir);
        command << argument;
    }
    message.replace(QLatin1String("<old>"), oldDir).replace(QLatin1String("<new>"), newConfig);
    message.replace(QLatin1String("<mlt>"), mlt).replace(QLatin1String("<dir>"), dir);
    const CliRun run = runCli(command);
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.startsWith(message.toUtf8()), run.err.constData());
    QCOMPARE(run.err.count('\n'), status == 2 ? 2 : 1);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(namesIn(dir), QStringList());
}

QTEST_GUILESS_MAIN(tst_CliDiff)
#include "tst_clidiff.moc"
