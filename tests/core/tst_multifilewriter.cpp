#include "cache/multicache.h"
#include "cache/multipayload.h"
#include "core/atomicfile.h"
#include "core/outputdirectory.h"
#include "export/multifilewriter.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <functional>
#include <optional>

#ifdef Q_OS_LINUX
#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
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

#ifdef Q_OS_LINUX
bool writeText(const char *path, const QByteArray &text)
{
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    const bool written =
        fd >= 0 && ::write(fd, text.constData(), size_t(text.size())) == text.size();
    if (fd >= 0)
        ::close(fd);
    return written;
}

// Runs `work` in a child process that sees a small tmpfs of its own at
// `mountPoint`, mounted with `options` (and read-only if asked), in a mount
// namespace of its own: in a user namespace too where we are not root, so no
// privilege is needed and nothing of the machine changes. Returns what `work`
// returned, or nothing (with the reason) where no such file system can be made.
std::optional<QByteArray> inSmallFileSystem(const QString &mountPoint, const QByteArray &options,
                                            bool readOnly, const std::function<QByteArray()> &work,
                                            QString *why)
{
    int channel[2];
    if (pipe(channel) != 0) {
        *why = QStringLiteral("no pipe");
        return std::nullopt;
    }
    const QByteArray uidMap = "0 " + QByteArray::number(geteuid()) + " 1";
    const QByteArray gidMap = "0 " + QByteArray::number(getegid()) + " 1";
    const QByteArray point = QFile::encodeName(mountPoint);
    const pid_t child = fork();
    if (child == 0) {
        ::close(channel[0]);
        QByteArray reply = "S";
        const bool ready = geteuid() == 0 ? unshare(CLONE_NEWNS) == 0
                                          : unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0 &&
                                                writeText("/proc/self/setgroups", "deny") &&
                                                writeText("/proc/self/uid_map", uidMap) &&
                                                writeText("/proc/self/gid_map", gidMap);
        if (ready && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
            mount("none", point.constData(), "tmpfs", readOnly ? MS_RDONLY : 0,
                  options.constData()) == 0)
            reply = "R" + work();
        for (qsizetype done = 0; done < reply.size();) {
            const ssize_t n = ::write(channel[1], reply.constData() + done, reply.size() - done);
            if (n <= 0)
                break;
            done += n;
        }
        _exit(0);
    }
    ::close(channel[1]);
    QByteArray reply;
    char buffer[4096];
    ssize_t n;
    while (child > 0 && (n = ::read(channel[0], buffer, sizeof buffer)) > 0)
        reply.append(buffer, n);
    ::close(channel[0]);
    int status = 0;
    if (child > 0)
        waitpid(child, &status, 0);
    if (!reply.startsWith('R')) {
        *why = QStringLiteral("no tmpfs of our own can be mounted here");
        return std::nullopt;
    }
    return reply.mid(1);
}

// The pid of a process that has ended.
pid_t endedProcess()
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    return child;
}
#endif

} // namespace

class tst_MultiFileWriter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data();
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
    void foldedNamesClash_data();
    void foldedNamesClash();
    void commitNewNeverReplaces_data();
    void commitNewNeverReplaces();
    void replacesSymlinkInsteadOfFollowing_data();
    void replacesSymlinkInsteadOfFollowing();
    void failedWriteKeepsOldFile();
    void refusesSpecialTargets_data();
    void refusesSpecialTargets();
    void stopsAtErrorEveryFileMeets_data();
    void stopsAtErrorEveryFileMeets();
    void removesStaleTemporaries_data();
    void removesStaleTemporaries();

private:
    QScopedPointer<QTemporaryDir> dir;
};

void tst_MultiFileWriter::initTestCase_data()
{
    // Every test runs with files written under no name (where the file system
    // allows it) and with named temporaries, as on file systems without them.
    QTest::addColumn<bool>("unnamed");
    QTest::newRow("unnamed files") << true;
    QTest::newRow("named temporaries") << false;
}

void tst_MultiFileWriter::init()
{
    QFETCH_GLOBAL(bool, unnamed);
    AtomicFile::setUnnamedFiles(unnamed);
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

void tst_MultiFileWriter::foldedNamesClash_data()
{
    QTest::addColumn<bool>("folds");        // the directory folds letter case (faked)
    QTest::addColumn<QString>("second");    // the name of the second entry
    QTest::addColumn<QString>("meanwhile"); // done after the first file is written
    QTest::addColumn<bool>("refused");      // the second entry is not written

    // Only names that fold together, on a directory that folds, are one.
    QTest::newRow("a folding directory, names that fold together") << true << "house"
                                                                   << "" << true;
    QTest::newRow("a folding directory, names that differ") << true << "houses"
                                                            << "" << false;
    QTest::newRow("an ordinary directory, names that fold together") << false << "house"
                                                                     << "" << false;
    // Another process replaced House.mlt, and the inode number it freed went
    // to the file now named house.mlt: identities alone decide nothing.
    QTest::newRow("an inode number taken by another name") << false << "house"
                                                           << "reuse" << false;
}

void tst_MultiFileWriter::foldedNamesClash()
{
    QFETCH(bool, folds);
    QFETCH(QString, second);
    QFETCH(QString, meanwhile);
    QFETCH(bool, refused);
    // A file system that folds letter case takes "house.mlt" for "House.mlt".
    OutputDirectory::setFoldProbe(folds ? +[](int) { return true; } : +[](int) { return false; });
    const auto restore = qScopeGuard([] { OutputDirectory::setFoldProbe(nullptr); });
    const QString first = dir->filePath("House.mlt");
    const QString other = dir->filePath(second + QStringLiteral(".mlt"));
    const QByteArray payload = encodeMultiPayload(
        {entry("House", {"1:0:0:0:0:1:1"}), entry(second, {"2:0:0:0:0:1:1"}), entry("after", {})});
    MultiFileReport report;
    bool done = true;
    const bool written = writeMultiFiles(payload, dir->path(), &report, [&](int handled) {
        if (handled != 1)
            return;
        const QByteArray from = QFile::encodeName(first);
        const QByteArray to = QFile::encodeName(other);
        if (meanwhile == u"reuse")
            done = ::rename(from.constData(), to.constData()) == 0 && writeAll(first, "theirs");
    });
    QVERIFY(done);
    const QByteArray firstBytes = encodeMultiFile(ComponentList{"1:0:0:0:0:1:1"});
    if (refused) {
        QVERIFY(!written);
        QCOMPARE(report.written, 2);
        QCOMPARE(reasons(report), QStringList{second + QStringLiteral(": this file system takes "
                                                                      "the name for House.mlt, "
                                                                      "written before")});
        QCOMPARE(readAll(first), firstBytes);
        QVERIFY(!QFile::exists(other));
    } else {
        QVERIFY2(written, qPrintable(reasons(report).join(u'\n')));
        QCOMPARE(report.written, 3);
        QCOMPARE(readAll(first), meanwhile == u"reuse" ? QByteArray("theirs") : firstBytes);
        QCOMPARE(readAll(other), encodeMultiFile(ComponentList{"2:0:0:0:0:1:1"}));
    }
}

void tst_MultiFileWriter::commitNewNeverReplaces_data()
{
    QTest::addColumn<QString>("meanwhile"); // what takes the name after the file is begun
    QTest::newRow("a free name") << "";
    // Another writer's file, as when two runs write one configuration.
    QTest::newRow("a file made meanwhile") << "file";
    QTest::newRow("a symbolic link made meanwhile") << "link";
}

void tst_MultiFileWriter::commitNewNeverReplaces()
{
    QFETCH(QString, meanwhile);
    const QString path = dir->filePath("korvane.xml");
    OutputDirectory output;
    QVERIFY(output.open(dir->path()));
    AtomicFile file;
    QVERIFY(file.open(output, QStringLiteral("korvane.xml")));
    QVERIFY(file.write("mine"));
    if (meanwhile == u"file")
        QVERIFY(writeAll(path, "theirs"));
    else if (meanwhile == u"link")
        QVERIFY(QFile::link(dir->filePath("elsewhere"), path));

    const bool committed = file.commitNew();
    QCOMPARE(committed, meanwhile.isEmpty());
    QCOMPARE(namesIn(dir->path()), QStringList{"korvane.xml"}); // no temporary left
    if (meanwhile.isEmpty()) {
        QCOMPARE(readAll(path), QByteArray("mine"));
        return;
    }
    QCOMPARE(file.errorString(), QStringLiteral("exists"));
    QCOMPARE(file.errorCode(), EEXIST);
    if (meanwhile == u"file")
        QCOMPARE(readAll(path), QByteArray("theirs"));
    else
        QCOMPARE(QFileInfo(path).symLinkTarget(), dir->filePath("elsewhere"));
}

void tst_MultiFileWriter::replacesSymlinkInsteadOfFollowing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("to a regular file") << "file";
    QTest::newRow("to a directory") << "directory";
#ifdef Q_OS_LINUX
    QTest::newRow("to a FIFO") << "FIFO";
#endif
}

void tst_MultiFileWriter::replacesSymlinkInsteadOfFollowing()
{
    QFETCH(QString, kind);
    QTemporaryDir elsewhere;
    const QString outside = elsewhere.filePath("precious");
    if (kind == u"file")
        QVERIFY(writeAll(outside, "keep me"));
    else if (kind == u"directory")
        QVERIFY(QDir().mkdir(outside));
#ifdef Q_OS_LINUX
    else
        QCOMPARE(mkfifo(QFile::encodeName(outside).constData(), 0644), 0);
#endif
    const QString path = dir->filePath("Entry 0.mlt");
    if (!QFile::link(outside, path))
        QSKIP("no symbolic links here");

    QVERIFY(writeMultiFiles(encodeMultiPayload({entry("Entry 0", {})}), dir->path()));
    QVERIFY(!QFileInfo(path).isSymLink());
    QCOMPARE(readAll(path), QByteArray(4, '\0'));
    QCOMPARE(namesIn(elsewhere.path()), QStringList{"precious"});
    if (kind == u"file")
        QCOMPARE(readAll(outside), QByteArray("keep me"));
    else if (kind == u"directory")
        QVERIFY(namesIn(outside).isEmpty());
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

    // Stopped there, as on a full disk.
    QVERIFY(!complete);
    QCOMPARE(report.written, 1);
    QCOMPARE(report.failures.size(), 1);
    QCOMPARE(report.failures.first().entryText, QStringLiteral("big"));
    QCOMPARE(report.failures.first().reason, qt_error_string(EFBIG));
    QCOMPARE(report.stopped, qt_error_string(EFBIG));
    QCOMPARE(readAll(big), old);
    QCOMPARE(namesIn(dir->path()), QStringList({"big.mlt", "small.mlt"}));
#else
    QSKIP("needs a per-process file size limit");
#endif
}

void tst_MultiFileWriter::refusesSpecialTargets_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("directory") << "directory";
    QTest::newRow("FIFO") << "FIFO";
    QTest::newRow("socket") << "socket";
    QTest::newRow("character device") << "character device";
}

void tst_MultiFileWriter::refusesSpecialTargets()
{
#ifdef Q_OS_LINUX
    QFETCH(QString, kind);

    // Something that is not a file has the target's name: it stays as it is.
    const QString path = dir->filePath("Entry 0.mlt");
    const QByteArray native = QFile::encodeName(path);
    int socketFd = -1;
    if (kind == u"directory") {
        QVERIFY(QDir(dir->path()).mkdir("Entry 0.mlt"));
        QVERIFY(writeAll(dir->filePath("Entry 0.mlt/inside"), "x"));
    } else if (kind == u"FIFO") {
        QCOMPARE(mkfifo(native.constData(), 0644), 0);
    } else if (kind == u"socket") {
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        if (size_t(native.size()) >= sizeof address.sun_path)
            QSKIP("temporary path too long for a socket");
        qstrcpy(address.sun_path, native.constData());
        socketFd = socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(socketFd >= 0);
        QCOMPARE(bind(socketFd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    } else if (mknod(native.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        QSKIP("making a device node needs root");
    }
    struct stat before;
    QCOMPARE(lstat(native.constData(), &before), 0);

    MultiFileReport report;
    QVERIFY(!writeMultiFiles(
        encodeMultiPayload({entry("Entry 0", {"1:0:0:0:0:1:1"}), entry("Entry 1", {})}),
        dir->path(), &report));
    if (socketFd >= 0)
        ::close(socketFd);
    QCOMPARE(report.written, 1);
    QCOMPARE(reasons(report),
             QStringList{QStringLiteral("Entry 0: a %1 is in the way; only a regular file or a "
                                        "symbolic link is replaced")
                             .arg(kind)});
    QVERIFY(report.stopped.isEmpty());
    struct stat after;
    QCOMPARE(lstat(native.constData(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_mode, before.st_mode);
    if (kind == u"directory")
        QCOMPARE(readAll(dir->filePath("Entry 0.mlt/inside")), QByteArray("x"));
    QCOMPARE(namesIn(dir->path()), QStringList({"Entry 0.mlt", "Entry 1.mlt"}));
#else
    QSKIP("needs POSIX file kinds");
#endif
}

void tst_MultiFileWriter::stopsAtErrorEveryFileMeets_data()
{
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<int>("written");
    QTest::addColumn<QString>("reason");

    // Each file takes one 4 KiB page; the file system's root takes one inode.
    QTest::newRow("no space left")
        << QByteArray("size=16k") << false << 4 << qt_error_string(ENOSPC);
    QTest::newRow("no inode left")
        << QByteArray("nr_inodes=4") << false << 3 << qt_error_string(ENOSPC);
    QTest::newRow("read-only") << QByteArray() << true << 0 << qt_error_string(EROFS);
}

void tst_MultiFileWriter::stopsAtErrorEveryFileMeets()
{
#ifdef Q_OS_LINUX
    QFETCH(QByteArray, options);
    QFETCH(bool, readOnly);
    QFETCH(int, written);
    QFETCH(QString, reason);

    QList<MultiEntry> entries;
    QStringList components;
    for (int i = 0; i < 100; ++i)
        components << QStringLiteral("%1:1:2:3:0:1:1").arg(i);
    for (int n = 0; n < 50; ++n)
        entries.append(entry(MultiCache::entryName(n), components));
    const QByteArray payload = encodeMultiPayload(entries);

    const QString mountPoint = dir->filePath("small");
    QVERIFY(QDir().mkpath(mountPoint));
    QString why;
    const std::optional<QByteArray> reply = inSmallFileSystem(
        mountPoint, options, readOnly,
        [&] {
            MultiFileReport report;
            QList<int> progress;
            const bool complete = writeMultiFiles(
                payload, mountPoint, &report, [&progress](int handled) { progress << handled; });
            QByteArray bytes;
            QDataStream out(&bytes, QIODevice::WriteOnly);
            out << complete << report.written << reasons(report) << report.stopped
                << progress.size() << namesIn(mountPoint);
            return bytes;
        },
        &why);
    if (!reply)
        QSKIP(qPrintable(why));

    QDataStream in(*reply);
    bool complete = true;
    int reportWritten = -1;
    QStringList failures;
    QString stopped;
    qsizetype progressCalls = 0;
    QStringList present;
    in >> complete >> reportWritten >> failures >> stopped >> progressCalls >> present;
    QCOMPARE(in.status(), QDataStream::Ok);

    // One failure, then nothing more is tried.
    QVERIFY(!complete);
    QCOMPARE(reportWritten, written);
    QCOMPARE(failures, QStringList{MultiCache::entryName(written) + QStringLiteral(": ") + reason});
    QCOMPARE(stopped, reason);
    QCOMPARE(progressCalls, written + 1);
    QStringList expected;
    for (int n = 0; n < written; ++n)
        expected << MultiCache::entryName(n) + QStringLiteral(".mlt");
    expected.sort();
    QCOMPARE(present, expected);
#else
    QSKIP("needs Linux namespaces");
#endif
}

void tst_MultiFileWriter::removesStaleTemporaries_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("removed");

    QTest::newRow("file of a killed writer") << "ended" << true;
    QTest::newRow("file of a running writer") << "running" << false;
    QTest::newRow("file of a writer on another host") << "other host" << false;
    QTest::newRow("file of another user") << "other user" << false;
    QTest::newRow("symbolic link of that name") << "link" << false;
    QTest::newRow("another hidden file") << "unrelated" << false;
    QTest::newRow("a tag one digit short") << "short tag" << false;
    QTest::newRow("a process number with a sign") << "signed" << false;
}

void tst_MultiFileWriter::removesStaleTemporaries()
{
#ifdef Q_OS_LINUX
    QFETCH(QString, kind);
    QFETCH(bool, removed);

    const QByteArray tag = "0123456789abcdef.part";
    const pid_t ended = endedProcess();
    QByteArray name = AtomicFile::temporaryPrefix(ended) + tag;
    if (kind == u"running")
        name = AtomicFile::temporaryPrefix(getppid()) + tag;
    else if (kind == u"other host")
        name = ".korvane-elsewhere-" + QByteArray::number(ended) + '-' + tag;
    else if (kind == u"unrelated")
        name = ".korvane-cache";
    else if (kind == u"short tag")
        name = AtomicFile::temporaryPrefix(ended) + tag.sliced(1);
    else if (kind == u"signed")
        name =
            AtomicFile::temporaryPrefix(0).chopped(2) + '+' + QByteArray::number(ended) + '-' + tag;
    const QString path = dir->filePath(QFile::decodeName(name));

    QTemporaryDir elsewhere;
    const QString outside = elsewhere.filePath("precious");
    QVERIFY(writeAll(outside, "keep me"));
    if (kind == u"link")
        QVERIFY(QFile::link(outside, path));
    else
        QVERIFY(writeAll(path, "partial"));
    if (kind == u"other user" &&
        (geteuid() != 0 || ::chown(QFile::encodeName(path).constData(), 65534, 65534) != 0))
        QSKIP("giving a file to another user needs root");

    QVERIFY(writeMultiFiles(encodeMultiPayload({entry("Entry 0", {})}), dir->path()));
    QStringList expected{"Entry 0.mlt"};
    if (!removed)
        expected << QFile::decodeName(name);
    expected.sort();
    QCOMPARE(namesIn(dir->path()), expected);
    QCOMPARE(readAll(outside), QByteArray("keep me"));
#else
    QSKIP("needs POSIX processes");
#endif
}

QTEST_GUILESS_MAIN(tst_MultiFileWriter)
#include "tst_multifilewriter.moc"
