#include "cache/decimaltext.h"

#include <QTest>

// The fast conversions must give exactly what Qt's own give, for every text.
class tst_DecimalText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sameAsQt_data();
    void sameAsQt();
};

void tst_DecimalText::sameAsQt_data()
{
    QTest::addColumn<QString>("text");
    const char *texts[] = {
        "0",          "7",          "-1",          "-0",    "007",       "32767",      "32768",
        "-32768",     "-32769",     "65535",       "65536", "999999999", "-999999999", "1000000000",
        "2147483647", "2147483648", "-2147483649", "",      "-",         "+5",         " 5",
        "5 ",         "5a",         "a5",          "0x10",  "1e3",       "--1",        "٣"};
    for (const char *text : texts)
        QTest::newRow(text) << QString::fromUtf8(text);
}

void tst_DecimalText::sameAsQt()
{
    QFETCH(QString, text);
    QCOMPARE(decimalInt(text), text.toInt());
    QCOMPARE(decimalShort(text), text.toShort(nullptr, 10));
    QCOMPARE(decimalUShort(text), text.toUShort(nullptr, 10));
}

QTEST_GUILESS_MAIN(tst_DecimalText)
#include "tst_decimaltext.moc"
