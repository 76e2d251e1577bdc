// The cache is scanned as bytes and its lines decoded one at a time when an
// entry is walked; these tests hold it to the plain reading of the text: the
// lines a QTextStream gives (its line ends, byte order marks and decoding),
// QString::section's fields and QString::toInt's numbers.
#include "cache/multicache.h"
#include "cachereference.h"
#include "demoencoders.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

namespace {

QList<MultiEntry> load(const QByteArray &text, qint64 from = 0)
{
    QByteArray bytes = text;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(from);
    MultiCache cache;
    cache.read(&buffer);
    return cache.entries();
}

QList<MultiEntry> loadByTextStream(const QByteArray &text, qint64 from = 0)
{
    return cacheByTextStream(text.mid(from));
}

// Cache-like text with the awkward parts mixed in: every line end, CR alone,
// signs, spaces, long and non-ASCII numbers, invalid UTF-8, NUL.
QByteArray randomCache(QRandomGenerator &random, int lines)
{
    static const QList<QByteArray> ends = {"\n", "\n", "\n", "\r\n", "\r", "\r\r\n", "\n\r"};
    // Large positive numbers that convert would swallow the rest as components.
    static const QList<QByteArray> values = {"0",
                                             "7",
                                             "-12",
                                             "+5",
                                             " 4",
                                             "3 ",
                                             "",
                                             "x",
                                             "-",
                                             "99999999999",
                                             "2147483648",
                                             "-2147483648",
                                             "-987654321",
                                             "1234",
                                             "0012",
                                             "\xc3\xa9",
                                             "\xff",
                                             "\xc3",
                                             QByteArray("1\0"
                                                        "2",
                                                        3),
                                             "\xd9\xa3",
                                             "\xe2\x82",
                                             "\xed\xa0\x80",
                                             "\xc0\xaf",
                                             "\xf4\x90\x80\x80",
                                             "\xef\xbb\xbf"
                                             "7"};
    auto value = [&] { return values[random.bounded(values.size())]; };
    QByteArray text;
    for (int i = 0; i < lines; ++i) {
        const int tabs = random.bounded(10) < 3 ? 6 : random.bounded(9);
        for (int t = 0; t <= tabs; ++t) {
            if (t)
                text += '\t';
            text += (tabs == 6 && t == 2) ? QByteArray::number(random.bounded(-2, 6)) : value();
        }
        text += ends[random.bounded(ends.size())];
    }
    return text;
}

} // namespace

class tst_CacheLines : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lineEnds_data();
    void lineEnds();
    void byteOrderMarks();
    void randomTextAsTextStreamReadsIt();
    void linesAcrossChunks();
    void demoSetsAsTextStreamReadsThem_data();
    void demoSetsAsTextStreamReadsThem();
    void readsFromTheDevicePosition();
};

void tst_CacheLines::lineEnds_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("components");

    QTest::newRow("CRLF") << QByteArray("0\t0\t2\t0\t0\t0\t0\r\n1\t0\t1\t2\t3\r\n4\t0\t5\t6\t7\r\n")
                          << QStringList{"1:1:2:3:0:1:1", "4:5:6:7:0:1:1"};
    QTest::newRow("lone CR stays in the line")
        << QByteArray("0\t0\t2\t0\t0\t0\t0\n1\t0\t1\t2\t3\r4\n5\t0\t6\t7\t8\n")
        << QStringList{"1:1:2:3\r4:0:1:1", "5:6:7:8:0:1:1"};
    QTest::newRow("one CR of CR CR LF taken")
        << QByteArray("0\t0\t1\t0\t0\t0\t0\n1\t0\t1\t2\t3\r\r\n") << QStringList{"1:1:2:3\r:0:1:1"};
    QTest::newRow("CR at the end of the data ends the line")
        << QByteArray("0\t0\t1\t0\t0\t0\t0\n1\t0\t1\t2\t3\r") << QStringList{"1:1:2:3:0:1:1"};
    QTest::newRow("LF CR: the CR is an empty line")
        << QByteArray("0\t0\t2\t0\t0\t0\t0\n1\t0\t1\t2\t3\n\r\n9\t0\t9\t9\t9\n")
        << QStringList{"1:1:2:3:0:1:1", "::::0:1:1"};
    QTest::newRow("no line end at all")
        << QByteArray("0\t0\t1\t0\t0\t0\t0\n1\t0\t1\t2\t3") << QStringList{"1:1:2:3:0:1:1"};
}

void tst_CacheLines::lineEnds()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, components);
    const QList<MultiEntry> entries = load(text);
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0].components.texts(), components);
    QCOMPARE(load(text), loadByTextStream(text));
}

void tst_CacheLines::byteOrderMarks()
{
    const QString text = QStringLiteral("0\t0\t1\t0\t0\t0\t0\n\u00e9\t0\t1\t2\t3\n");
    const QStringList expected{QStringLiteral("\u00e9:1:2:3:0:1:1")};

    const QList<MultiEntry> utf8 = load("\xef\xbb\xbf" + text.toUtf8());
    QCOMPARE(utf8.size(), 1);
    QCOMPARE(utf8[0].components.texts(), expected);

    QByteArray utf16("\xff\xfe");
    for (const QChar c : text)
        utf16 += char(c.unicode() & 0xff) + QByteArray(1, char(c.unicode() >> 8));
    const QList<MultiEntry> wide = load(utf16);
    QCOMPARE(wide.size(), 1);
    QCOMPARE(wide[0].components.texts(), expected);
    QCOMPARE(wide, loadByTextStream(utf16));
}

void tst_CacheLines::randomTextAsTextStreamReadsIt()
{
    QRandomGenerator random(20240611);
    for (int round = 0; round < 400; ++round) {
        const QByteArray text = randomCache(random, random.bounded(1, 40));
        const QList<MultiEntry> expected = loadByTextStream(text);
        QList<MultiEntry> got = load(text);
        // As a file's bytes come while it is read, a few at a time.
        if (got == expected) {
            MultiCache arriving;
            arriving.read(text, random.bounded(1, 80));
            got = arriving.entries();
        }
        if (got != expected)
            QFAIL(qPrintable(QStringLiteral("round %1 differs:\n%2")
                                 .arg(round)
                                 .arg(QString::fromLatin1(text.toPercentEncoding("\t")))));
    }
}

void tst_CacheLines::linesAcrossChunks()
{
    // Several MiB, so that chunk ends fall inside lines, inside CR LF pairs
    // and inside multi-byte characters; one entry's count runs past the end.
    QRandomGenerator random(77);
    QByteArray text;
    while (text.size() < (5 << 20))
        text += randomCache(random, 1000);
    text += "0\t0\t100\t0\t0\t0\t0\r\n1\t\t2\t3\t4\r";
    const QList<MultiEntry> expected = loadByTextStream(text);
    QVERIFY(expected.size() > 10000);
    QCOMPARE(load(text), expected);
    // From a file, read on while the lines that have come are scanned.
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("cache.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    file.close();
    MultiCache cache;
    QVERIFY(cache.load(file.fileName()));
    QCOMPARE(cache.entries(), expected);

    QByteArray utf16("\xfe\xff");
    for (const QChar c : QString::fromUtf8(text.first(3 << 20)))
        utf16 += QByteArray(1, char(c.unicode() >> 8)) + char(c.unicode() & 0xff);
    QCOMPARE(load(utf16), loadByTextStream(utf16));
}

void tst_CacheLines::readsFromTheDevicePosition()
{
    const QByteArray text(
        "0\t0\t1\t0\t0\t0\t0\n1\t0\t1\t2\t3\n0\t0\t1\t0\t0\t0\t0\n4\t0\t5\t6\t7\n");
    const QList<MultiEntry> rest = load(text, text.indexOf("0\t0\t1", 5));
    QCOMPARE(rest.size(), 1);
    QCOMPARE(rest[0].components.texts(), QStringList{"4:5:6:7:0:1:1"});
    // From inside a line: its rest is a line of its own, as for the stream.
    QCOMPARE(load(text, 3), loadByTextStream(text, 3));
}

void tst_CacheLines::demoSetsAsTextStreamReadsThem_data()
{
    QTest::addColumn<bool>("large");
    QTest::newRow("demo set") << false;
    QTest::newRow("large set, 1.25 million lines") << true;
}

void tst_CacheLines::demoSetsAsTextStreamReadsThem()
{
    QFETCH(bool, large);
    QTemporaryDir dir;
    QVERIFY(writeDemoSet(dir.path(), large));
    QFile file(dir.filePath(QLatin1String(DemoCacheName)));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<MultiEntry> expected = loadByTextStream(file.readAll());
    QVERIFY(expected.size() > (large ? 7000 : 10));
    MultiCache cache;
    QVERIFY(cache.load(file.fileName()));
    QCOMPARE(cache.entries(), expected);
}

QTEST_GUILESS_MAIN(tst_CacheLines)
#include "tst_cachelines.moc"
