#include "core/configuration.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

class tst_Configuration : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void values_data();
    void values();
    void unreadableFileIsNotOpened_data();
    void unreadableFileIsNotOpened();
    void emptyOrNonXmlFileStillYieldsValues_data();
    void emptyOrNonXmlFileStillYieldsValues();
    void writtenValuesReadBack_data();
    void writtenValuesReadBack();
    void places_data();
    void places();
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
    QTest::newRow("nested 256 deep, the limit, is read")
        << QByteArray("<a>").repeated(255) + "<cache>c</cache>" + QByteArray("</a>").repeated(255)
        << QStringList{"", "", "", "c"};
    QTest::newRow("nested 257 deep is not read")
        << QByteArray("<a>").repeated(256) + "<cache>c</cache>" + QByteArray("</a>").repeated(256)
        << QStringList{"", "", "", ""};
    // Far deeper than any configuration, and the parser would take minutes.
    QTest::newRow("nested 100000 deep is not read")
        << QByteArray("<a>").repeated(100000) + "<cache>c</cache>" +
               QByteArray("</a>").repeated(100000)
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

    const ConfigurationFile read = readConfigurationFile(path);
    QVERIFY(read.opened);
    const Configuration &configuration = read.values;
    QCOMPARE(QStringList({configuration.artidx, configuration.artmul, configuration.tiledata,
                          configuration.cache}),
             expected);
}

void tst_Configuration::unreadableFileIsNotOpened_data()
{
    QTest::addColumn<QString>("name"); // in a fresh directory
    QTest::addColumn<QString>("why");
    QTest::newRow("missing") << "missing.xml"
                             << "No such file or directory";
    QTest::newRow("directory") << "dir"
                               << "not a regular file";
    QTest::newRow("larger than a configuration can be") << "big.xml"
                                                        << "larger than 1048576 bytes";
#ifdef Q_OS_UNIX
    // Neither may hang the start-up: the FIFO's open would wait for a writer,
    // the device would be read without end.
    QTest::newRow("FIFO") << "fifo"
                          << "not a regular file";
    QTest::newRow("link to an endless device") << "zero.xml"
                                               << "not a regular file";
#endif
}

void tst_Configuration::unreadableFileIsNotOpened()
{
    QFETCH(QString, name);
    QFETCH(QString, why);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("dir")));
    QFile big(dir.filePath(QStringLiteral("big.xml")));
    QVERIFY(big.open(QIODevice::WriteOnly));
    big.write("<conf><cache>c</cache>" + QByteArray(MaxConfigurationSize, ' ') + "</conf>");
    big.close();
#ifdef Q_OS_UNIX
    QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo"))).constData(), 0600) ==
            0);
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), dir.filePath(QStringLiteral("zero.xml"))));
#endif

    const ConfigurationFile read = readConfigurationFile(dir.filePath(name));
    QVERIFY(!read.opened);
    QCOMPARE(read.errorString, why);
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

    const ConfigurationFile read = readConfigurationFile(file.fileName());
    QVERIFY(read.opened);
    QVERIFY(!read.wellFormed);
    const Configuration &configuration = read.values;
    QVERIFY(configuration.artidx.isEmpty());
    QVERIFY(configuration.artmul.isEmpty());
    QVERIFY(configuration.tiledata.isEmpty());
    QVERIFY(configuration.cache.isEmpty());
}

void tst_Configuration::writtenValuesReadBack_data()
{
    QTest::addColumn<QString>("path"); // as all four values

    QTest::newRow("plain") << "/home/user/client/art index.bin";
    QTest::newRow("XML's own characters") << "/c/a&b<c>\"d'e]]>f";
    QTest::newRow("white space and line breaks") << "  /c/multi\n cache.txt\t \n";
    // A parser reads a raw carriage return as a line feed.
    QTest::newRow("carriage returns") << "/c/a\rb\r\n";
    QTest::newRow("empty") << "";
}

void tst_Configuration::writtenValuesReadBack()
{
    QFETCH(QString, path);
    const Configuration written{path, path + u'1', path + u'2', path + u'3'};
    bool wellFormed = false;
    const Configuration read = readConfiguration(configurationXml(written), &wellFormed);
    QVERIFY(wellFormed);
    QCOMPARE(QStringList({read.artidx, read.artmul, read.tiledata, read.cache}),
             QStringList({written.artidx, written.artmul, written.tiledata, written.cache}));
}

void tst_Configuration::places_data()
{
    // Each variable's value, or "-" for unset; "@" stands for an absolute
    // directory. The places after the one beside the executable, the user's
    // first when there is one.
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("configHome");
    QTest::addColumn<QString>("configDirs");
    QTest::addColumn<QStringList>("places");
    QTest::addColumn<QString>("problem"); // why there is no place of the user's

    const QString xml = QStringLiteral("/korvane/korvane.xml");
    const QString etc = QStringLiteral("/etc/xdg") + xml;
    QTest::newRow("HOME") << "@h"
                          << "-"
                          << "-" << QStringList{"@h/.config" + xml, etc} << "";
    QTest::newRow("XDG_CONFIG_HOME before HOME")
        << "@h"
        << "@c"
        << "@d1:@d2" << QStringList{"@c" + xml, "@d1" + xml, "@d2" + xml} << "";
    // A relative value would name a place under the current directory.
    QTest::newRow("a relative XDG_CONFIG_HOME is ignored")
        << "@h"
        << "rel"
        << "-" << QStringList{"@h/.config" + xml, etc} << "";
    QTest::newRow("relative XDG_CONFIG_DIRS entries are ignored")
        << "@h"
        << "-"
        << "rel:@d1::./d" << QStringList{"@h/.config" + xml, "@d1" + xml} << "";
    QTest::newRow("XDG_CONFIG_DIRS of relative entries only")
        << "@h"
        << "-"
        << "rel" << QStringList{"@h/.config" + xml, etc} << "";
    // Never the root's /.config, nor one under the current directory.
    QTest::newRow("no HOME") << "-"
                             << "-"
                             << "-" << QStringList{etc}
                             << "no place for your configuration: HOME is not set";
    QTest::newRow("a relative HOME and XDG_CONFIG_HOME")
        << "h"
        << "c"
        << "-" << QStringList{etc}
        << "no place for your configuration: HOME (h) is not an absolute path and "
           "XDG_CONFIG_HOME (c) is not an absolute path";
}

void tst_Configuration::places()
{
    QFETCH(QString, home);
    QFETCH(QString, configHome);
    QFETCH(QString, configDirs);
    QFETCH(QStringList, places);
    QFETCH(QString, problem);
    QTemporaryDir dir;
    const QString at = dir.path() + u'/';
    const char *const names[] = {"HOME", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"};
    QByteArray saved[3];
    bool wasSet[3];
    for (int i = 0; i < 3; ++i) {
        wasSet[i] = qEnvironmentVariableIsSet(names[i]);
        saved[i] = qgetenv(names[i]);
    }
    const auto restore = qScopeGuard([&] {
        for (int i = 0; i < 3; ++i)
            wasSet[i] ? qputenv(names[i], saved[i]) : qunsetenv(names[i]);
    });
    const QString values[] = {home, configHome, configDirs};
    for (int i = 0; i < 3; ++i) {
        QString value = values[i];
        if (value == u"-")
            qunsetenv(names[i]);
        else
            qputenv(names[i], QFile::encodeName(value.replace(u'@', at)));
    }
    for (QString &place : places)
        place.replace(u'@', at);

    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/korvane.xml");
    QCOMPARE(configurationPlaces(), QStringList{beside} + places);
    QCOMPARE(userConfigurationPath(), problem.isEmpty() ? places.first() : QString());
    QCOMPARE(userConfigurationProblem(), problem);
    // Nothing there: the user's own, to be written, or none.
    if (!QFileInfo::exists(beside) && !QFileInfo::exists(QStringLiteral("/etc/xdg/korvane")))
        QCOMPARE(configurationPath(), userConfigurationPath());
}

QTEST_GUILESS_MAIN(tst_Configuration)
#include "tst_configuration.moc"
