// Every reader of the client's files takes regular files only: a FIFO would
// block its open (and so the window's start-up) until a writer comes, and a
// device could be read without end. Each refusal says why.
#include "cache/multicache.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"
#include "demoencoders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

class tst_ReaderFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void refused_data();
    void refused();

private:
    QTemporaryDir dir;
    QString goodIndex;
    QString goodData;
};

void tst_ReaderFiles::initTestCase()
{
    QVERIFY(dir.isValid());
    ArtFileBuilder art;
    art.add(1, QImage(4, 4, QImage::Format_ARGB32));
    goodIndex = dir.filePath(QStringLiteral("index.bin"));
    goodData = dir.filePath(QStringLiteral("data.bin"));
    for (const auto &[path, bytes] : {std::pair{goodIndex, art.index()}, {goodData, art.data()}}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("directory")));
#ifdef Q_OS_UNIX
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo"))).constData(), 0600),
             0);
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), dir.filePath(QStringLiteral("zero"))));
#endif
}

void tst_ReaderFiles::refused_data()
{
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("why");

    const QList<std::pair<QString, QString>> kinds = {
        {QStringLiteral("missing"), QStringLiteral("No such file or directory")},
        {QStringLiteral("directory"), QStringLiteral("not a regular file")},
#ifdef Q_OS_UNIX
        {QStringLiteral("fifo"), QStringLiteral("not a regular file")},
        {QStringLiteral("zero"), QStringLiteral("not a regular file")}, // a link to /dev/zero
#endif
    };
    for (const QString reader : {"cache", "art index", "art data", "tile data"}) {
        for (const auto &[name, why] : kinds)
            QTest::addRow("%s, %s", qPrintable(reader), qPrintable(name)) << reader << name << why;
    }
}

void tst_ReaderFiles::refused()
{
    QFETCH(QString, reader);
    QFETCH(QString, name);
    QFETCH(QString, why);
    const QString path = dir.filePath(name);

    if (reader == u"cache") {
        MultiCache cache;
        QVERIFY(!cache.load(path));
        QCOMPARE(cache.errorString(), why);
        QVERIFY(cache.isEmpty());
    } else if (reader == u"tile data") {
        const TileDataStore tiles(path);
        QVERIFY(!tiles.opened());
        QCOMPARE(tiles.errorString(), why);
    } else {
        const bool index = reader == u"art index";
        ArtStore art(index ? path : goodIndex, index ? goodData : path);
        QCOMPARE(index ? art.indexError() : art.dataError(), why);
        QVERIFY((index ? art.dataError() : art.indexError()).isEmpty());
        QVERIFY(art.staticImage(1).isNull());
    }
}

QTEST_GUILESS_MAIN(tst_ReaderFiles)
#include "tst_readerfiles.moc"
