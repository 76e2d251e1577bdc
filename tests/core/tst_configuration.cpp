#include "app/configuration.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

class tst_Configuration : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void values_data();
    void values();
    void unreadableFileIsNotOpened();
    void emptyOrNonXmlFileStillYieldsValues_data();
    void emptyOrNonXmlFileStillYieldsValues();
};

void tst_Configuration::values_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QStringList>("expected"); // artidx, artmul, tiledata, cache

    QTest::newRow("all four") << QByteArray("<conf><artidx>a.idx</artidx><artmul>a.dat</artmul>"
                                            "<tiledata>t.dat</tiledata><cache>c.txt</cache></conf>")
                              << QStringList{"a.idx", "a.dat", "t.dat", "c.txt"};
    QTest::newRow("other root name")
        << QByteArray("<settings><cache>c.txt</cache><artidx>i</artidx></settings>")
        << QStringList{"i", "", "", "c.txt"};
    QTest::newRow("first of two wins")
        << QByteArray("<conf><cache>first</cache><cache>second</cache></conf>")
        << QStringList{"", "", "", "first"};
    QTest::newRow("nested element found")
        << QByteArray("<conf><client><files><tiledata>deep</tiledata></files></client></conf>")
        << QStringList{"", "", "deep", ""};
    QTest::newRow("spaces and line breaks kept")
        << QByteArray("<conf><cache>  /data/multi\n cache.txt \n</cache></conf>")
        << QStringList{"", "", "", "  /data/multi\n cache.txt \n"};
    QTest::newRow("comment as first child")
        << QByteArray("<conf><cache><!-- note -->c.txt</cache></conf>")
        << QStringList{"", "", "", ""};
    QTest::newRow("nested element as first child")
        << QByteArray("<conf><artmul><b>x</b>y</artmul></conf>") << QStringList{"", "", "", ""};
    QTest::newRow("CDATA counts as text")
        << QByteArray("<conf><artidx><![CDATA[a<b>.idx]]></artidx></conf>")
        << QStringList{"a<b>.idx", "", "", ""};
    QTest::newRow("empty element")
        << QByteArray("<conf><cache/></conf>") << QStringList{"", "", "", ""};
    QTest::newRow("nested 200 deep is read")
        << QByteArray("<a>").repeated(200) + "<cache>c</cache>" + QByteArray("</a>").repeated(200)
        << QStringList{"", "", "", "c"};
    // Far deeper than any configuration, and the parser would take minutes.
    QTest::newRow("nested 150000 deep is not read")
        << QByteArray("<a>").repeated(150000) + "<cache>c</cache>" +
               QByteArray("</a>").repeated(150000)
        << QStringList{"", "", "", ""};
    QTest::newRow("unknown elements ignored")
        << QByteArray("<conf><art>x</art><cachefile>y</cachefile></conf>")
        << QStringList{"", "", "", ""};
}

void tst_Configuration::values()
{
    QFETCH(QByteArray, xml);
    QFETCH(QStringList, expected);

    QTemporaryDir dir;
    const QString path = dir.filePath("korvane.xml");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(xml);
    file.close();

    const std::optional<Configuration> configuration = readConfiguration(path);
    QVERIFY(configuration.has_value());
    QCOMPARE(QStringList({configuration->artidx, configuration->artmul, configuration->tiledata,
                          configuration->cache}),
             expected);
}

void tst_Configuration::unreadableFileIsNotOpened()
{
    QTemporaryDir dir;
    QVERIFY(!readConfiguration(dir.filePath("missing.xml")).has_value());
    // A directory of that name does not open as a file either.
    QVERIFY(!readConfiguration(dir.path()).has_value());
}

void tst_Configuration::emptyOrNonXmlFileStillYieldsValues_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not xml") << QByteArray("cache = c.txt\n");
    QTest::newRow("binary") << QByteArray("\x00\xff\xfe<\x01", 5);
}

void tst_Configuration::emptyOrNonXmlFileStillYieldsValues()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    QFile file(dir.filePath("korvane.xml"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    const std::optional<Configuration> configuration = readConfiguration(file.fileName());
    QVERIFY(configuration.has_value());
    QVERIFY(configuration->artidx.isEmpty());
    QVERIFY(configuration->artmul.isEmpty());
    QVERIFY(configuration->tiledata.isEmpty());
    QVERIFY(configuration->cache.isEmpty());
}

QTEST_GUILESS_MAIN(tst_Configuration)
#include "tst_configuration.moc"
