#include "cache/multipayload.h"
#include "export/multifilewriter.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every name in `dir`, hidden ones included.
QStringList namesIn(const QString &dir)
{
    QStringList names =
        QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

MultiEntry entry(const QString &text, const QStringList &components)
{
    return {text, QRect(), components};
}

QStringList reasons(const MultiFileReport &report)
{
    QStringList list;
    for (const MultiFileFailure &failure : report.failures)
        list << failure.entryText + QStringLiteral(": ") + failure.reason;
    return list;
}

} // namespace

class tst_MultiFileWriter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void fileBytes_data();
    void fileBytes();
    void entriesInPayloadOrder();
    void emptyAndEditedNames();
    void nothingToWrite();
    void unsafeNames_data();
    void unsafeNames();
    void lyingCount();
    void everyCutShort();
    void replacesExisting();
    void replacesSymlinkInsteadOfFollowing();
    void failedWriteKeepsOldFile();
    void failedCommitLeavesNothing();

private:
    QScopedPointer<QTemporaryDir> dir;
};

void tst_MultiFileWriter::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
}

void tst_MultiFileWriter::fileBytes_data()
{
    QTest::addColumn<QStringList>("components");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("graphic 1234 at -1, 2, 0")
        << QStringList{"1234:-1:2:0:0:1:1"}
        << QByteArray::fromHex("00000000 d204 ffff 0200 0000 01000000");
    QTest::newRow("no components") << QStringList() << QByteArray::fromHex("00000000");
    QTest::newRow("graphic id above 65535")
        << QStringList{"65536:1:1:1:0:1:1"}
        << QByteArray::fromHex("00000000 0000 0100 0100 0100 01000000");
    QTest::newRow("graphic id 65535")
        << QStringList{"65535:0:0:0:0:1:1"}
        << QByteArray::fromHex("00000000 ffff 0000 0000 0000 01000000");
    QTest::newRow("negative graphic id")
        << QStringList{"-1:3:0:0:0:1:1"}
        << QByteArray::fromHex("00000000 0000 0300 0000 0000 01000000");
    QTest::newRow("z above 32767") << QStringList{"7:0:0:32768:0:1:1"}
                                   << QByteArray::fromHex("00000000 0700 0000 0000 0000 01000000");
    QTest::newRow("y -32768") << QStringList{"7:0:-32768:0:0:1:1"}
                              << QByteArray::fromHex("00000000 0700 0000 0080 0000 01000000");
    QTest::newRow("x below -32768") << QStringList{"7:-32769:0:5:0:1:1"}
                                    << QByteArray::fromHex("00000000 0700 0000 0000 0500 01000000");
    QTest::newRow("not numbers") << QStringList{"abc:1x:0x10:--2:0:1:1"}
                                 << QByteArray::fromHex("00000000 0000 0000 0000 0000 01000000");
    QTest::newRow("missing fields")
        << QStringList{"9:4"} << QByteArray::fromHex("00000000 0900 0400 0000 0000 01000000");
    QTest::newRow("empty fields count")
        << QStringList{"9::4:5"} << QByteArray::fromHex("00000000 0900 0000 0400 0500 01000000");
    QTest::newRow("two components, in order")
        << QStringList{"1:2:3:4:0:1:1", "258:-2:-3:-4:0:1:1"}
        << QByteArray::fromHex("00000000 0100 0200 0300 0400 01000000"
                               "0201 feff fdff fcff 01000000");
}

void tst_MultiFileWriter::fileBytes()
{
    QFETCH(QStringList, components);
    QFETCH(QByteArray, expected);

    const QByteArray payload = encodeMultiPayload({entry("Entry 0", components)});
    QVERIFY(writeMultiFiles(payload, dir->path()));
    QCOMPARE(readAll(dir->filePath("Entry 0.mlt")).toHex(' '), expected.toHex(' '));
    QCOMPARE(namesIn(dir->path()), QStringList{"Entry 0.mlt"});
}

void tst_MultiFileWriter::entriesInPayloadOrder()
{
    // The later of two entries of one name is the one that stays.
    const QByteArray payload = encodeMultiPayload({entry("Entry 0", {"1:0:0:0:0:1:1"}),
                                                   entry("Entry 1", {"2:0:0:0:0:1:1"}),
                                                   entry("Entry 0", {"3:0:0:0:0:1:1"})});
    MultiFileReport report;
    QList<int> progress;
    QVERIFY(writeMultiFiles(payload, dir->path(), &report,
                            [&progress](int handled) { progress << handled; }));
    QCOMPARE(report.written, 3);
    QCOMPARE(report.failures.size(), 0);
    QCOMPARE(progress, QList<int>({1, 2, 3}));
    const QString zero = dir->filePath("Entry 0.mlt");
    const QString one = dir->filePath("Entry 1.mlt");
    QCOMPARE(report.files, QStringList({zero, one, zero}));
    QCOMPARE(namesIn(dir->path()), QStringList({"Entry 0.mlt", "Entry 1.mlt"}));
    QCOMPARE(readAll(zero).mid(4, 2), QByteArray::fromHex("0300"));
    QCOMPARE(readAll(one).mid(4, 2), QByteArray::fromHex("0200"));
}

void tst_MultiFileWriter::emptyAndEditedNames()
{
    const QByteArray payload = encodeMultiPayload(
        {entry(QString(), {}), entry(QStringLiteral("Tür ✓"), {}), entry(".", {})});
    // A directory path given with its trailing separator works the same.
    QVERIFY(writeMultiFiles(payload, dir->path() + '/'));
    QCOMPARE(namesIn(dir->path()), QStringList({"..mlt", ".mlt", QStringLiteral("Tür ✓.mlt")}));
    QCOMPARE(readAll(dir->filePath(".mlt")), QByteArray(4, '\0'));
}

void tst_MultiFileWriter::nothingToWrite()
{
    MultiFileReport report;
    QVERIFY(writeMultiFiles(QByteArray(), dir->path(), &report));
    QCOMPARE(report.written, 0);
    // An empty directory path must not mean the root of the file system.
    QVERIFY(!writeMultiFiles(encodeMultiPayload({entry("Entry 0", {})}), QString(), &report));
    QCOMPARE(report.written, 0);
    QCOMPARE(report.failures.size(), 1);
    QVERIFY(namesIn(dir->path()).isEmpty());
}

void tst_MultiFileWriter::unsafeNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");

    const QString separator = QStringLiteral("name contains a path separator");
    QTest::newRow("parent") << "../../x" << separator;
    QTest::newRow("subdirectory") << "sub/x" << separator;
    QTest::newRow("absolute") << QDir::rootPath() + "x" << separator;
    QTest::newRow("trailing") << "x/" << separator;
#ifdef Q_OS_WIN
    QTest::newRow("backslash") << "..\\x" << separator;
#endif
    QTest::newRow("nul") << QStringLiteral("x") + QChar(0) + QStringLiteral("y")
                         << QStringLiteral("name contains a NUL character");
}

void tst_MultiFileWriter::unsafeNames()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);

    // The chosen directory sits two levels down, so "../../x" would land in
    // the temporary directory itself.
    const QString target = dir->filePath("a/b");
    QVERIFY(QDir().mkpath(target));
    QVERIFY(QDir().mkpath(dir->filePath("a/b/sub")));
    const QByteArray payload = encodeMultiPayload(
        {entry("before", {}), entry(name, {"1:0:0:0:0:1:1"}), entry("after", {})});

    MultiFileReport report;
    QVERIFY(!writeMultiFiles(payload, target, &report));
    QCOMPARE(report.written, 2);
    QCOMPARE(report.failures.size(), 1);
    QCOMPARE(report.failures.first().entryText, name);
    QCOMPARE(report.failures.first().reason, reason);
    QCOMPARE(namesIn(target), QStringList({"after.mlt", "before.mlt", "sub"}));
    QVERIFY(namesIn(dir->filePath("a/b/sub")).isEmpty());
    QCOMPARE(namesIn(dir->path()), QStringList{"a"});
    QCOMPARE(namesIn(dir->filePath("a")), QStringList{"b"});
    QVERIFY(!QFile::exists(QDir::rootPath() + "x.mlt"));
}

void tst_MultiFileWriter::lyingCount()
{
    // A good entry, then one that claims 2000000000 components but carries 2.
    QByteArray payload = encodeMultiPayload({entry("good", {"5:0:0:0:0:1:1"})});
    {
        QDataStream out(&payload, QIODevice::Append);
        out.setByteOrder(QDataStream::LittleEndian);
        out << QStringLiteral("liar") << QRect(0, 0, 1, 1) << qint32(2000000000)
            << QStringLiteral("1:0:0:0:0:1:1") << QStringLiteral("2:0:0:0:0:1:1");
    }
    payload += encodeMultiPayload({entry("after", {})});

    MultiFileReport report;
    QVERIFY(!writeMultiFiles(payload, dir->path(), &report));
    QCOMPARE(namesIn(dir->path()), QStringList{"good.mlt"});
    QCOMPARE(report.written, 1);
    QCOMPARE(reasons(report), QStringList{"liar: payload cut short"});
}

void tst_MultiFileWriter::everyCutShort()
{
    const QByteArray first = encodeMultiPayload({entry("one", {"1:0:0:0:0:1:1"})});
    const QByteArray whole =
        first + encodeMultiPayload({entry("two", {"2:0:0:0:0:1:1", "3:0:0:0:0:1:1"})});
    for (qsizetype cut = 1; cut < whole.size(); ++cut) {
        QTemporaryDir target;
        MultiFileReport report;
        const bool complete = writeMultiFiles(whole.left(cut), target.path(), &report);
        const QStringList expected = cut >= first.size() ? QStringList{"one.mlt"} : QStringList();
        QVERIFY2(namesIn(target.path()) == expected, qPrintable(QString::number(cut)));
        // Cut right after the first entry, the payload is simply one entry.
        QCOMPARE(complete, cut == first.size());
        QCOMPARE(report.failures.size(), complete ? 0 : 1);
    }
}

void tst_MultiFileWriter::replacesExisting()
{
    const QString path = dir->filePath("Entry 0.mlt");
    QVERIFY(writeAll(path, QByteArray(100, 'x')));
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ReadGroup));

    QVERIFY(writeMultiFiles(encodeMultiPayload({entry("Entry 0", {})}), dir->path()));
    QCOMPARE(readAll(path), QByteArray(4, '\0'));
    const QFileDevice::Permissions kept = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                          QFileDevice::ReadOther | QFileDevice::WriteOther;
    QCOMPARE(QFile::permissions(path) & kept,
             QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    QCOMPARE(namesIn(dir->path()), QStringList{"Entry 0.mlt"});
}

void tst_MultiFileWriter::replacesSymlinkInsteadOfFollowing()
{
    QTemporaryDir elsewhere;
    const QString outside = elsewhere.filePath("precious");
    QVERIFY(writeAll(outside, "keep me"));
    const QString path = dir->filePath("Entry 0.mlt");
    if (!QFile::link(outside, path))
        QSKIP("no symbolic links here");

    QVERIFY(writeMultiFiles(encodeMultiPayload({entry("Entry 0", {})}), dir->path()));
    QCOMPARE(readAll(outside), QByteArray("keep me"));
    QVERIFY(!QFileInfo(path).isSymLink());
    QCOMPARE(readAll(path), QByteArray(4, '\0'));
}

void tst_MultiFileWriter::failedWriteKeepsOldFile()
{
#ifdef Q_OS_LINUX
    // A file size limit makes the kernel fail a write part-way, as a full
    // disk does; it binds root too.
    const QString big = dir->filePath("big.mlt");
    const QByteArray old = QByteArray::fromHex("00000000 0100 0000 0000 0000 01000000");
    QVERIFY(writeAll(big, old));
    QStringList many;
    for (int i = 0; i < 300; ++i)
        many << QStringLiteral("%1:1:2:3:0:1:1").arg(i);
    const QByteArray payload = encodeMultiPayload(
        {entry("small", {"1:0:0:0:0:1:1"}), entry("big", many), entry("after", {})});

    rlimit saved;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 1024;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    MultiFileReport report;
    const bool complete = writeMultiFiles(payload, dir->path(), &report);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!complete);
    QCOMPARE(report.written, 2);
    QCOMPARE(report.failures.size(), 1);
    QCOMPARE(report.failures.first().entryText, QStringLiteral("big"));
    QVERIFY(!report.failures.first().reason.isEmpty());
    QCOMPARE(readAll(big), old);
    QCOMPARE(namesIn(dir->path()), QStringList({"after.mlt", "big.mlt", "small.mlt"}));
#else
    QSKIP("needs a per-process file size limit");
#endif
}

void tst_MultiFileWriter::failedCommitLeavesNothing()
{
    // A directory of the target's name cannot be replaced by a file.
    QVERIFY(QDir(dir->path()).mkdir("Entry 0.mlt"));
    QVERIFY(writeAll(dir->filePath("Entry 0.mlt/inside"), "x"));

    MultiFileReport report;
    QVERIFY(!writeMultiFiles(
        encodeMultiPayload({entry("Entry 0", {"1:0:0:0:0:1:1"}), entry("Entry 1", {})}),
        dir->path(), &report));
    QCOMPARE(report.written, 1);
    QCOMPARE(report.failures.size(), 1);
    QVERIFY(!report.failures.first().reason.isEmpty());
    QVERIFY(QFileInfo(dir->filePath("Entry 0.mlt")).isDir());
    QCOMPARE(readAll(dir->filePath("Entry 0.mlt/inside")), QByteArray("x"));
    QCOMPARE(namesIn(dir->path()), QStringList({"Entry 0.mlt", "Entry 1.mlt"}));
}

QTEST_GUILESS_MAIN(tst_MultiFileWriter)
#include "tst_multifilewriter.moc"
