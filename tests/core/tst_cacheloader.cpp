#include "cache/multicache.h"

#include <QBuffer>
#include <QTest>

namespace {

QList<MultiEntry> load(const QByteArray &text)
{
    MultiCache cache;
    cache.read(text);
    return cache.entries();
}

const QRect NoBounds(QPoint(80000, 80000), QPoint(-80000, -80000));

} // namespace

class tst_CacheLoader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entries_data();
    void entries();
    void componentSpec_data();
    void componentSpec();
    void boundsAreNotClamped();
    void hugeCountAtEndOfFile();
    void crlfLines();
};

void tst_CacheLoader::entries_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<QStringList>>("components");
    QTest::addColumn<QList<QRect>>("bounds");

    QTest::newRow("one entry of two")
        << QByteArray("0\t0\t2\t0\t0\t0\t0\n"
                      "1234\t7\t-1\t2\t0\n"
                      "55\t0\t3\t-4\t10\n")
        << QList<QStringList>{{"1234:-1:2:0:0:1:1", "55:3:-4:10:0:1:1"}}
        << QList<QRect>{QRect(QPoint(-1, -4), QPoint(3, 2))};
    QTest::newRow("5 and 7 TABs skipped, numbering continues")
        << QByteArray("a\tb\tc\td\te\tf\n"
                      "0\t0\t1\t0\t0\t0\t0\n"
                      "9\t0\t1\t1\t0\n"
                      "a\tb\tc\td\te\tf\tg\th\n"
                      "x\t\t0\t\t\t\t\n")
        << QList<QStringList>{{"9:1:1:0:0:1:1"}, {}}
        << QList<QRect>{QRect(QPoint(1, 1), QPoint(1, 1)), NoBounds};
    QTest::newRow("component line with 6 TABs is a component")
        << QByteArray("0\t0\t1\t0\t0\t0\t0\n"
                      "7\t0\t2\t3\t4\t5\t6\n")
        << QList<QStringList>{{"7:2:3:4:0:1:1"}} << QList<QRect>{QRect(QPoint(2, 3), QPoint(2, 3))};
    QTest::newRow("lines after the last component skipped")
        << QByteArray("0\t0\t1\t0\t0\t0\t0\n"
                      "7\t0\t2\t3\t4\n"
                      "8\t0\t9\t9\t9\n"
                      "junk\n")
        << QList<QStringList>{{"7:2:3:4:0:1:1"}} << QList<QRect>{QRect(QPoint(2, 3), QPoint(2, 3))};
    QTest::newRow("count 0, negative, non-numeric")
        << QByteArray("0\t0\t0\t0\t0\t0\t0\n"
                      "0\t0\t-3\t0\t0\t0\t0\n"
                      "1\t2\t3\t4\t5\t6\n" // 5 TABs: skipped even after a negative count
                      "0\t0\tmany\t0\t0\t0\t0\n")
        << QList<QStringList>{{}, {}, {}} << QList<QRect>{NoBounds, NoBounds, NoBounds};
    QTest::newRow("an entry without components between two with")
        << QByteArray("0\t0\t1\t0\t0\t0\t0\n1\t0\t-1\t2\t0\n"
                      "0\t0\t0\t0\t0\t0\t0\n"
                      "0\t0\t1\t0\t0\t0\t0\n2\t0\t7\t-8\t0\n")
        << QList<QStringList>{{"1:-1:2:0:0:1:1"}, {}, {"2:7:-8:0:0:1:1"}}
        << QList<QRect>{QRect(QPoint(-1, 2), QPoint(-1, 2)), NoBounds,
                        QRect(QPoint(7, -8), QPoint(7, -8))};
    QTest::newRow("single component bounds") << QByteArray("0\t0\t1\t0\t0\t0\t0\n5\t0\t5\t-3\t0\n")
                                             << QList<QStringList>{{"5:5:-3:0:0:1:1"}}
                                             << QList<QRect>{QRect(QPoint(5, -3), QPoint(5, -3))};
    QTest::newRow("non-numeric fields kept as text, 0 in bounds")
        << QByteArray("0\t0\t2\t0\t0\t0\t0\nabc\t0\tx\t 4\tz\n9\t0\t-2\t6\t1\n")
        << QList<QStringList>{{"abc:x: 4:z:0:1:1", "9:-2:6:1:0:1:1"}}
        << QList<QRect>{QRect(QPoint(-2, 4), QPoint(0, 6))};
    QTest::newRow("short component line")
        << QByteArray("0\t0\t1\t0\t0\t0\t0\n12\t0\t3\n") << QList<QStringList>{{"12:3:::0:1:1"}}
        << QList<QRect>{QRect(QPoint(3, 0), QPoint(3, 0))};
    QTest::newRow("data ends in an empty X field")
        << QByteArray("0\t0\t2\t0\t0\t0\t0\n12\t0\t3\t4\n5\t0\t")
        << QList<QStringList>{{"12:3:4::0:1:1", "5::::0:1:1"}}
        << QList<QRect>{QRect(QPoint(0, 0), QPoint(3, 4))};
    QTest::newRow("empty file") << QByteArray() << QList<QStringList>{} << QList<QRect>{};
}

void tst_CacheLoader::entries()
{
    QFETCH(QByteArray, text);
    QFETCH(QList<QStringList>, components);
    QFETCH(QList<QRect>, bounds);

    const QList<MultiEntry> entries = load(text);
    QCOMPARE(entries.size(), components.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        QCOMPARE(entries[i].components.texts(), components[i]);
        QCOMPARE(entries[i].bounds, bounds[i]);
    }
}

void tst_CacheLoader::componentSpec_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("specText");
    QTest::newRow("graphic 1234 at -1, 2, 0") << "1234\t7\t-1\t2\t0"
                                              << "1234:-1:2:0:0:1:1";
    QTest::newRow("extra fields dropped") << "1\t2\t3\t4\t5\t6\t7\t8"
                                          << "1:3:4:5:0:1:1";
    QTest::newRow("empty fields count") << "\t\t\t\t"
                                        << "::::0:1:1";
    QTest::newRow("empty line") << ""
                                << "::::0:1:1";
    QTest::newRow("verbatim text") << " 1 \tx\t+2\t-0\t3z"
                                   << " 1 :+2:-0:3z:0:1:1";
}

void tst_CacheLoader::componentSpec()
{
    QFETCH(QString, line);
    QFETCH(QString, specText);
    QCOMPARE(ComponentSpec::fromCacheLine(line).text(), specText);
}

void tst_CacheLoader::boundsAreNotClamped()
{
    const QList<MultiEntry> entries =
        load("0\t0\t2\t0\t0\t0\t0\n1\t0\t90000\t-90000\t0\n1\t0\t-85000\t85000\t0\n");
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0].bounds, QRect(QPoint(-85000, -90000), QPoint(90000, 85000)));
}

void tst_CacheLoader::hugeCountAtEndOfFile()
{
    // A count far beyond the lines that follow: only the existing lines become
    // components, no phantom (0, 0) components (and no hang: ctest's timeout).
    const QList<MultiEntry> entries = load("0\t0\t1\t0\t0\t0\t0\n3\t0\t4\t5\t6\n"
                                           "0\t0\t2000000000\t0\t0\t0\t0\n"
                                           "7\t0\t-2\t9\t1\n"
                                           "8\t0\t3\t-1\t0");
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[1].components.texts(), QStringList({"7:-2:9:1:0:1:1", "8:3:-1:0:0:1:1"}));
    QCOMPARE(entries[1].bounds, QRect(QPoint(-2, -1), QPoint(3, 9)));

    const QList<MultiEntry> alone = load("0\t0\t2000000000\t0\t0\t0\t0\n");
    QCOMPARE(alone.size(), 1);
    QVERIFY(alone[0].components.isEmpty());
    QCOMPARE(alone[0].bounds, NoBounds);
}

void tst_CacheLoader::crlfLines()
{
    const QList<MultiEntry> entries = load("0\t0\t1\t0\t0\t0\t0\r\n5\t0\t1\t2\t3\r\n");
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0].components.texts(), QStringList({"5:1:2:3:0:1:1"}));
}

QTEST_GUILESS_MAIN(tst_CacheLoader)
#include "tst_cacheloader.moc"
