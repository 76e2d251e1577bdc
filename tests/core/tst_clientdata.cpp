#include "client/clientdata.h"
#include "demoencoders.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>

// Memory that cannot be had while the client files are read: every reader's
// allocation of `failFrom` bytes or more fails while armed, as it would
// under a memory limit, and ClientData names the file it was reading.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) && defined(__GLIBC__)
#define KORVANE_FAILING_MALLOC 1
namespace {
std::atomic<size_t> failFrom{0}; // 0: nothing fails
}
extern "C" void *__libc_malloc(size_t size);
extern "C" void *malloc(size_t size)
{
    const size_t limit = failFrom.load(std::memory_order_relaxed);
    if (limit != 0 && size >= limit) {
        errno = ENOMEM;
        return nullptr;
    }
    return __libc_malloc(size);
}
#endif

class tst_ClientData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void memoryRunsOut_data();
    void memoryRunsOut();

private:
    QTemporaryDir work;
    QString config;
};

void tst_ClientData::initTestCase()
{
    QString error;
    QVERIFY2(writeDemoSet(work.filePath(QStringLiteral("demo")), false, &error), qPrintable(error));
    config = work.filePath(QStringLiteral("demo/")) + QLatin1String(DemoConfigName);
}

void tst_ClientData::memoryRunsOut_data()
{
    QTest::addColumn<bool>("entries"); // the cache file, else the three the preview reads
    QTest::addColumn<qint64>("failFrom");
    QTest::addColumn<QString>("file"); // the configuration's element, "" for success

    // The art index is read whole (393216 bytes), then the tile data file
    // (its size); the cache file's text is read whole too.
    const qint64 index = 393216;
    const qint64 tiles = QFileInfo(work.filePath(QStringLiteral("demo/tiledata.bin"))).size();
    QTest::newRow("art index") << false << index << "artidx";
    QTest::newRow("tile data") << false << tiles << "tiledata";
    QTest::newRow("enough for both") << false << tiles + 4096 << "";
    const qint64 cache = QFileInfo(work.filePath(QStringLiteral("demo/multicache.txt"))).size();
    QTest::newRow("cache file") << true << cache << "cache";
    QTest::newRow("enough for the cache file") << true << 16 * cache << "";
}

void tst_ClientData::memoryRunsOut()
{
#ifndef KORVANE_FAILING_MALLOC
    QSKIP("failing allocations are injected only without the sanitizers, on glibc");
#else
    QFETCH(bool, entries);
    QFETCH(qint64, failFrom);
    QFETCH(QString, file);

    ClientData client;
    QVERIFY(client.readConfiguration(config));
    ::failFrom = size_t(failFrom);
    const bool read = entries ? client.loadEntries() : client.openReaders();
    ::failFrom = 0;
    QCOMPARE(read, file.isEmpty());
    if (file.isEmpty())
        return;
    const ClientFile *known =
        std::find_if(std::begin(ClientFiles), std::end(ClientFiles),
                     [&](const ClientFile &each) { return file == QLatin1String(each.key); });
    const QString path = client.paths().*known->path;
    QCOMPARE(client.errorString(), QStringLiteral("not enough memory to read %1 %2 (%3 bytes)")
                                       .arg(QLatin1String(known->what), path)
                                       .arg(QFileInfo(path).size()));
#endif
}

QTEST_GUILESS_MAIN(tst_ClientData)
#include "tst_clientdata.moc"
