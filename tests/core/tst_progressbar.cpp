#include "cli/progressbar.h"

#include <QTest>

// The progress bar's line as a terminal of a given width shows it.
class tst_ProgressBar : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void line_data();
    void line();
};

void tst_ProgressBar::line_data()
{
    QTest::addColumn<int>("columns");
    QTest::addColumn<qint64>("elapsed"); // ms
    QTest::addColumn<QByteArray>("expected");

    // 250 of 1000 in 2 s: 125/s, 6 s left. The last column stays free.
    QTest::newRow("1 column: nothing") << 1 << qint64(2000) << QByteArray();
    QTest::newRow("2 columns: what fits of the percentage") << 2 << qint64(2000) << QByteArray(" ");
    QTest::newRow("12 columns: the percentage alone") << 12 << qint64(2000) << QByteArray(" 25%");
    QTest::newRow("16 columns: the percentage and the time left")
        << 16 << qint64(2000) << QByteArray(" 25%  0:06 left");
    QTest::newRow("40 columns: the bar, the counts gone first")
        << 40 << qint64(2000) << QByteArray("[##.........]  25%    125/s   0:06 left");
    QTest::newRow("120 columns: everything") << 120 << qint64(2000)
                                             << "[" + QByteArray(20, '#') + QByteArray(60, '.') +
                                                    "]  25%   250/1000    125/s   0:06 left";
    // The fields keep their widths, blank until there is an estimate.
    QTest::newRow("before half a second: no estimate yet")
        << 60 << qint64(499)
        << "[" + QByteArray(5, '#') + QByteArray(15, '.') + "]  25%   250/1000" +
               QByteArray(21, ' ');
    QTest::newRow("from half a second: the estimate")
        << 60 << qint64(500)
        << "[" + QByteArray(5, '#') + QByteArray(15, '.') +
               "]  25%   250/1000    500/s   0:02 left";
}

void tst_ProgressBar::line()
{
    QFETCH(int, columns);
    QFETCH(qint64, elapsed);
    QFETCH(QByteArray, expected);
    const QByteArray line = ProgressBar::line(250, 1000, elapsed, columns);
    QCOMPARE(line, expected);
    QVERIFY(line.size() < columns);
}

QTEST_GUILESS_MAIN(tst_ProgressBar)
#include "tst_progressbar.moc"
