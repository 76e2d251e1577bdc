#include "clifixture.h"
#include "export/multifilewriter.h"

#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <csignal>
#include <ctime>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Lets a running process go on only in short steps until `reached` holds,
// stopping it (SIGSTOP) in between, so that however busy the machine it never
// runs far past the state the test waits for: a batch cannot end before the
// test acts on it. Returns whether the state was reached; the process is left
// stopped (SIGCONT lets it go on), or has ended.
bool stepUntil(QProcess &process, const std::function<bool()> &reached)
{
    const pid_t pid = pid_t(process.processId());
    ::kill(pid, SIGSTOP);
    // Steps from 2 ms up to 50: far less than any batch here takes.
    for (useconds_t step = 2000; !reached(); step = std::min<useconds_t>(2 * step, 50000)) {
        if (process.state() == QProcess::NotRunning || process.waitForFinished(0))
            return false;
        ::kill(pid, SIGCONT);
        ::usleep(step);
        ::kill(pid, SIGSTOP);
    }
    return true;
}

// Runs a batch writing into `dir` and sends it SIGTERM once 20 files are
// there; returns when it has ended.
void runAndStop(QProcess &process, const QStringList &arguments, const QString &dir)
{
    process.start(QStringLiteral(KORVANE_CLI), arguments);
    QVERIFY(process.waitForStarted());
    QVERIFY2(stepUntil(process, [&] { return namesIn(dir).size() >= 20; }),
             "ended before 20 files");
    ::kill(pid_t(process.processId()), SIGTERM);
    ::kill(pid_t(process.processId()), SIGCONT);
    QVERIFY(process.waitForFinished(60000));
}

} // namespace
#endif

// Batches of korvane-cli stopped by a signal, killed, out of disk space or
// held to a memory limit: what they leave behind, and what they say.
class tst_CliStops : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void exportInterrupted();
    void exportKilled();
    void galleryInterrupted();
    void signalsAtStart_data();
    void signalsAtStart();
    void directoryReplaced_data();
    void directoryReplaced();
    void fileSizeLimit_data();
    void fileSizeLimit();
    void fullDisk_data();
    void fullDisk();
    void boundedMemory_data();
    void boundedMemory();

private:
    CliFixture fixture;
};

void tst_CliStops::initTestCase()
{
    QVERIFY(QFileInfo(QStringLiteral(KORVANE_CLI)).isExecutable());
    QString error;
    QVERIFY2(fixture.setUp(&error), qPrintable(error));
    const auto path = [this](const char *name) { return fixture.path(QLatin1String(name)); };
    const Configuration &demo = fixture.demoFiles;
    Configuration changed;

    // Enough entries that an export is still running when it is stopped.
    QByteArray many;
    for (int n = 0; n < 12000; ++n)
        many += encodeCacheEntry(n, {{n % 500, 0, 0, 0}, {7, n % 9, -2, n % 50}});
    QVERIFY(writeAll(path("many.txt"), many));
    changed = demo;
    changed.cache = path("many.txt");
    fixture.writeConfig(QStringLiteral("many.xml"), changed);

    // Entry 4's file and picture are larger than 16 KiB, the others far less.
    QByteArray big;
    for (int n = 0; n < 8; ++n) {
        QList<DemoComponent> components{{262, n, 0, 0}};
        for (int i = 0; n == 4 && i < 2000; ++i)
            components.append({1 + i % 300, i % 40, -(i % 37), i % 20});
        big += encodeCacheEntry(n, components);
    }
    QVERIFY(writeAll(path("big.txt"), big));
    changed.cache = path("big.txt");
    fixture.writeConfig(QStringLiteral("big.xml"), changed);
    many.clear();
    for (int n = 0; n < 300; ++n)
        many += encodeCacheEntry(n, {{262, n % 9, -2, n % 50}});
    QVERIFY(writeAll(path("three-hundred.txt"), many));
    changed.cache = path("three-hundred.txt");
    fixture.writeConfig(QStringLiteral("three-hundred.xml"), changed);
    // A gallery still under way once 20 pictures are there.
    for (int n = 300; n < 3000; ++n)
        many += encodeCacheEntry(n, {{262, n % 9, -2, n % 50}});
    QVERIFY(writeAll(path("three-thousand.txt"), many));
    changed.cache = path("three-thousand.txt");
    fixture.writeConfig(QStringLiteral("three-thousand.xml"), changed);
}

void tst_CliStops::exportInterrupted()
{
#ifndef Q_OS_UNIX
    QSKIP("stopping by signal is a POSIX matter");
#else
    const QList<MultiEntry> many = cacheEntriesOf(fixture.path(QStringLiteral("many.txt")));

    const QString dir = fixture.freshDir();
    QProcess process;
    runAndStop(process,
               {QStringLiteral("export"), dir, QStringLiteral("--config"),
                fixture.path(QStringLiteral("many.xml"))},
               dir);
    if (QTest::currentTestFailed())
        return;
    // Stopped between two files, saying how far it got.
    const QStringList names = namesIn(dir);
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    QCOMPARE(process.readAllStandardError(),
             QStringLiteral("korvane-cli: interrupted after writing %1 of %2 entries to %3\n")
                 .arg(names.size())
                 .arg(many.size())
                 .arg(dir)
                 .toUtf8());
    QVERIFY(names.size() < many.size());
    // Only whole files, each the bytes of its entry; no temporary left.
    for (const QString &name : names) {
        QVERIFY2(name.startsWith(u"Entry ") && name.endsWith(u".mlt"), qPrintable(name));
        const qsizetype n = name.mid(6, name.size() - 10).toInt();
        QCOMPARE(readAll(dir + u'/' + name), encodeMultiFile(many[n].components));
    }
#endif
}

void tst_CliStops::exportKilled()
{
#ifndef Q_OS_UNIX
    QSKIP("killing a process is a POSIX matter");
#else
    // Every file is there already, so each is replaced; a killed export may
    // leave a temporary, which the next export into the directory removes.
    const QList<MultiEntry> many = cacheEntriesOf(fixture.path(QStringLiteral("many.txt")));
    const QString dir = fixture.freshDir();
    const QStringList exportMany{QStringLiteral("export"), dir, QStringLiteral("--config"),
                                 fixture.path(QStringLiteral("many.xml"))};
    for (qsizetype n = 0; n < many.size(); ++n)
        QVERIFY(writeAll(dir + u'/' + entryName(n) + QStringLiteral(".mlt"), "old"));
    const QStringList expected = namesIn(dir);

    for (int round = 0; round < 3; ++round) {
        // Killed once it is under way, at a later file each round.
        const QString sign = dir + u'/' + entryName(20 + 400 * round) + QStringLiteral(".mlt");
        QVERIFY(writeAll(sign, "old"));
        QProcess process;
        process.start(QStringLiteral(KORVANE_CLI), exportMany);
        QVERIFY(process.waitForStarted());
        QVERIFY2(stepUntil(process, [&] { return readAll(sign) != "old"; }),
                 "ended before the file");
        ::kill(pid_t(process.processId()), SIGKILL);
        QVERIFY(process.waitForFinished(60000));
    }

    const CliRun run = runCli(exportMany);
    QCOMPARE(run.status, 0);
    QCOMPARE(namesIn(dir), expected);
#endif
}

void tst_CliStops::galleryInterrupted()
{
#ifndef Q_OS_UNIX
    QSKIP("stopping by signal is a POSIX matter");
#else
    // The workers let a signal through only between files: the pictures
    // written are whole, the count told is theirs, and no page is written.
    const QString dir = fixture.freshDir();
    QProcess process;
    runAndStop(process,
               {QStringLiteral("gallery"), dir, QStringLiteral("--jobs"), QStringLiteral("2"),
                QStringLiteral("--config"), fixture.path(QStringLiteral("many.xml"))},
               dir);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    const QStringList names = namesIn(dir);
    QCOMPARE(process.readAllStandardError(),
             QStringLiteral("korvane-cli: interrupted after writing %1 pictures to %2; no "
                            "index.html\n")
                 .arg(names.size())
                 .arg(dir)
                 .toUtf8());
    for (const QString &name : names)
        QVERIFY2(name.endsWith(u".png") && !QImage(dir + u'/' + name).isNull(), qPrintable(name));
#endif
}

void tst_CliStops::signalsAtStart_data()
{
    QTest::addColumn<QStringList>("arguments"); // after the command, DIR
    QTest::addColumn<int>("ignored");   // ignored when it starts (0: none), and sent under way
    QTest::addColumn<bool>("cpuLimit"); // a soft processor time limit it reaches under way
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error"); // a pattern of stderr; @dir stands for DIR

    // What the caller ignored stays ignored, as nohup and shells expect.
    QTest::newRow("export, SIGINT ignored")
        << QStringList{"export", "--config", "@many.xml"} << int(SIGINT) << false << 0 << "";
    QTest::newRow("gallery under nohup")
        << QStringList{"gallery", "--jobs", "1", "--config", "@three-thousand.xml"} << int(SIGHUP)
        << false << 0 << "";
    // The limit stops a batch as Ctrl-C does, saying so, never silently.
    QTest::newRow("export at the processor time limit")
        << QStringList{"export", "--config", "@many.xml"} << 0 << true << 1
        << "korvane-cli: stopped at the processor time limit after writing \\d+ of 12000 "
           "entries to @dir\\n";
    QTest::newRow("gallery at the processor time limit")
        << QStringList{"gallery", "--jobs", "1", "--config", "@three-thousand.xml"} << 0 << true
        << 1
        << "korvane-cli: stopped at the processor time limit after writing \\d+ pictures to "
           "@dir; no index\\.html\\n";
}

void tst_CliStops::signalsAtStart()
{
#ifndef Q_OS_LINUX
    QSKIP("signal dispositions and processor time limits are a POSIX matter");
#else
    QFETCH(QStringList, arguments);
    QFETCH(int, ignored);
    QFETCH(bool, cpuLimit);
    QFETCH(int, status);
    QFETCH(QString, error);
    const QString dir = fixture.freshDir();
    arguments.insert(1, dir);
    for (QString &argument : arguments)
        argument.replace(u'@', fixture.work.path() + u'/');

    QProcess process;
    process.setChildProcessModifier([ignored, cpuLimit] {
        if (ignored != 0)
            ::signal(ignored, SIG_IGN);
        if (cpuLimit) {
            // A soft limit of a second, most of it spent before the program
            // starts: it is reached while the batch is under way.
            const rlimit limit{1, RLIM_INFINITY};
            ::setrlimit(RLIMIT_CPU, &limit);
            timespec spent{};
            while (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &spent) == 0 && spent.tv_sec == 0 &&
                   spent.tv_nsec < 850000000)
                ;
        }
    });
    process.start(QStringLiteral(KORVANE_CLI), arguments);
    QVERIFY(process.waitForStarted());
    if (ignored != 0) {
        QVERIFY2(stepUntil(process, [&] { return namesIn(dir).size() >= 20; }),
                 "ended before the signal");
        ::kill(pid_t(process.processId()), ignored);
        ::kill(pid_t(process.processId()), SIGCONT);
    }
    QVERIFY(process.waitForFinished(120000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(error.replace(
                                    QStringLiteral("@dir"), QRegularExpression::escape(dir))))
                 .match(err)
                 .hasMatch(),
             qPrintable(err));
    QCOMPARE(process.exitCode(), status);
    // Whole files only; the page only when the gallery ran to its end.
    const QStringList names = namesIn(dir);
    for (const QString &name : names)
        QVERIFY2(!name.endsWith(u".part"), qPrintable(name));
    if (arguments.first() == u"gallery")
        QCOMPARE(names.contains(QStringLiteral("index.html")), status == 0);
    else if (status == 0)
        QCOMPARE(names.size(), 12000);
#endif
}

void tst_CliStops::directoryReplaced_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("removed"); // DIR removed instead of replaced by a link

    // Replaced: the files go on into the directory opened at the start,
    // never into the link's target. Removed: one line, for the first file
    // that could not be made.
    QTest::newRow("export, DIR replaced by a link") << "export" << false;
    QTest::newRow("gallery, DIR replaced by a link") << "gallery" << false;
    QTest::newRow("gallery, DIR removed") << "gallery" << true;
}

void tst_CliStops::directoryReplaced()
{
#ifndef Q_OS_UNIX
    QSKIP("renaming a directory in use is a POSIX matter");
#else
    QFETCH(QString, command);
    QFETCH(bool, removed);
    const QString dir = fixture.freshDir();
    const QString moved = dir + QStringLiteral(".moved");
    const QString elsewhere = fixture.freshDir();
    QProcess process;
    process.start(QStringLiteral(KORVANE_CLI), {command, dir, QStringLiteral("--config"),
                                                fixture.path(QStringLiteral("many.xml"))});
    QVERIFY(process.waitForStarted());
    // Held still while DIR is removed or replaced, so that a busy machine
    // cannot let the batch finish first.
    const pid_t pid = pid_t(process.processId());
    QVERIFY2(stepUntil(process, [&] { return namesIn(dir).size() >= 20; }),
             "ended before 20 files");
    if (removed) {
        QTRY_VERIFY(QDir(dir).removeRecursively());
    } else {
        QCOMPARE(::rename(QFile::encodeName(dir).constData(), QFile::encodeName(moved).constData()),
                 0);
        QVERIFY(QFile::link(elsewhere, dir));
    }
    const qsizetype before = namesIn(moved).size();
    if (command == u"gallery" && !removed) {
        QVERIFY2(stepUntil(process, [&] { return namesIn(moved).size() >= before + 20; }),
                 "ended before 20 more files");
        ::kill(pid, SIGTERM);
    }
    ::kill(pid, SIGCONT);
    QVERIFY(process.state() == QProcess::NotRunning || process.waitForFinished(120000));
    QVERIFY2(namesIn(elsewhere).isEmpty(), qPrintable(namesIn(elsewhere).join(u' ')));
    const QByteArray err = process.readAllStandardError();
    if (removed) {
        QCOMPARE(process.exitCode(), 1);
        QVERIFY2(QRegularExpression(
                     QRegularExpression::anchoredPattern(
                         "korvane-cli: stopped at Entry \\d+ \\(.*\\.png\\): the directory was "
                         "removed; wrote \\d+ pictures, no index\\.html\\n"))
                     .match(QString::fromUtf8(err))
                     .hasMatch(),
                 err.constData());
    } else if (command == u"export") {
        QCOMPARE(err, QByteArray());
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(namesIn(moved).size(), 12000);
    } else {
        QVERIFY(namesIn(moved).size() > before);
    }
#endif
}

void tst_CliStops::fileSizeLimit_data()
{
    QTest::addColumn<QString>("limit");         // as ulimit takes it
    QTest::addColumn<QStringList>("arguments"); // @dir stands for DIR
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error"); // stderr, @dir for DIR

    // A file size limit of 16 KiB, as `ulimit -f 16` sets it: reported, and
    // a batch stopped at the first file it meets, like a full disk.
    const QString tooLarge = qt_error_string(EFBIG);
    QTest::newRow("export") << "-f 16" << QStringList{"export", "@dir"} << 1
                            << "korvane-cli: stopped at Entry 4 (@dir/Entry 4.mlt): " + tooLarge +
                                   "; wrote 4 of 8 entries\n";
    QTest::newRow("gallery") << "-f 16" << QStringList{"gallery", "@dir", "--jobs", "1"} << 1
                             << "korvane-cli: stopped at Entry 4 (@dir/Entry 4.png): " + tooLarge +
                                    "; wrote 4 pictures, no index.html\n";
    QTest::newRow("render -o") << "-f 16" << QStringList{"render", "4", "-o", "@dir/x.png"} << 3
                               << "korvane-cli: cannot write Entry 4 to @dir/x.png: " + tooLarge +
                                      "\n";
    // Too few descriptors for a worker thread's event dispatcher: drawn on
    // the calling thread, never ended by the toolkit.
    QTest::newRow("gallery, 11 descriptors")
        << "-n 11" << QStringList{"gallery", "@dir", "--jobs", "2"} << 0
        << "korvane-cli: could start only 0 of 2 threads; drawing with 1\n";
}

void tst_CliStops::fileSizeLimit()
{
#ifndef Q_OS_UNIX
    QSKIP("a file size limit is a POSIX matter");
#else
    QFETCH(QString, limit);
#ifdef __SANITIZE_ADDRESS__
    // The sanitizers' own checks need descriptors of their own.
    if (limit.startsWith(QStringLiteral("-n")))
        QSKIP("a descriptor limit needs a build without the sanitizers");
#endif
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, error);
    const QString dir = fixture.freshDir();
    for (QString &argument : arguments)
        argument.replace(QStringLiteral("@dir"), dir);
    const CliRun run =
        runCli(QStringList{QStringLiteral("-c"), "ulimit " + limit + "; exec \"$@\"",
                           QStringLiteral("sh"), QStringLiteral(KORVANE_CLI)} +
                   arguments +
                   QStringList{QStringLiteral("--config"), fixture.path(QStringLiteral("big.xml"))},
               QStringLiteral("/bin/bash"));
    QCOMPARE(QString::fromUtf8(run.err), error.replace(QStringLiteral("@dir"), dir));
    QCOMPARE(run.status, status);
#endif
}

void tst_CliStops::fullDisk_data()
{
    QTest::addColumn<QStringList>("arguments"); // after the command, DIR
    QTest::addColumn<QString>("error");         // a pattern of stderr; @dir stands for DIR
    QTest::addColumn<QString>("summary");       // a pattern of stdout

    // One line for the error every later entry would meet too, however many
    // met it at once.
    const QString full = QRegularExpression::escape(qt_error_string(ENOSPC));
    QTest::newRow("export") << QStringList{"export"}
                            << "korvane-cli: stopped at Entry 4 \\(@dir/Entry 4\\.mlt\\): " + full +
                                   "; wrote 4 of 12000 entries\\n"
                            << QStringLiteral("Wrote 4 of 12000 entries to @dir\\n");
    QTest::newRow("gallery, two workers")
        << QStringList{"gallery", "--jobs", "2"}
        << "korvane-cli: stopped at Entry (\\d+) \\(@dir/Entry \\1\\.png\\): " + full +
               "; wrote (\\d+) pictures, no index\\.html\\n"
        << QStringLiteral("Wrote \\d+ pictures to @dir\\n");
}

void tst_CliStops::fullDisk()
{
#ifndef Q_OS_LINUX
    QSKIP("needs Linux namespaces");
#else
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    QFETCH(QString, summary);
    // A tmpfs of 16 KiB takes four files; the unshare tool mounts it in
    // namespaces of the command's own, which needs no privilege.
    const QString dir = fixture.freshDir();
    const QString mountThenRun =
        QStringLiteral("mount -t tmpfs -o size=16k none \"$0\" && exec \"$@\"");
    const CliRun probe = runCli({QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"),
                                 mountThenRun, dir, QStringLiteral("true")},
                                QStringLiteral("unshare"));
    if (probe.status != 0)
        QSKIP("no tmpfs of our own can be mounted here");

    const CliRun run = runCli(
        QStringList{QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"), mountThenRun,
                    dir, QStringLiteral(KORVANE_CLI), arguments.takeFirst(), dir,
                    QStringLiteral("--config"), fixture.path(QStringLiteral("many.xml"))} +
            arguments,
        QStringLiteral("unshare"));
    QCOMPARE(run.status, 1);
    const QString shown = QRegularExpression::escape(dir);
    const QRegularExpression errorPattern(
        QRegularExpression::anchoredPattern(error.replace(QStringLiteral("@dir"), shown)));
    const QRegularExpression summaryPattern(
        QRegularExpression::anchoredPattern(summary.replace(QStringLiteral("@dir"), shown)));
    QVERIFY2(errorPattern.match(QString::fromUtf8(run.err)).hasMatch(), run.err.constData());
    QVERIFY2(summaryPattern.match(QString::fromUtf8(run.out)).hasMatch(), run.out.constData());
    QVERIFY(namesIn(dir).isEmpty());
#endif
}

void tst_CliStops::boundedMemory_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("mebibytes"); // of data, or of address space for threads
    QTest::addColumn<bool>("addressSpace");
    QTest::addColumn<QString>("error");   // the start of stderr, "" for nothing; @ for the work dir
    QTest::addColumn<QString>("summary"); // the start of stdout, "" for any

    // 4 MB of lines that cost nothing to hold as the file's text: one count
    // of 2147483647 followed by empty lines (each a component), and 570000
    // entries of one 7-byte header line each.
    const QString config = QStringLiteral("--config");
    QTest::newRow("list, empty component lines")
        << QStringList{"list", config, "@emptylines.xml"} << 0 << 80 << false << ""
        << "Entry 0\t";
    QTest::newRow("list --json, header lines")
        << QStringList{"list", "--json", config, "@headers.xml"} << 0 << 80 << false << ""
        << "[";
    QTest::newRow("export, empty component lines")
        << QStringList{"export", "@dir", config, "@emptylines.xml"} << 0 << 80 << false << ""
        << "Wrote 1 of 1 entry";
    QTest::newRow("render, empty component lines")
        << QStringList{"render", "0", "-o", "@dir/x.png", config, "@emptylines.xml"} << 3 << 80
        << false << "korvane-cli: Entry 0 has too many components to render (at most 1048576)"
        << "";
    // A picture within the size limits that memory cannot hold: the keep
    // three times enlarged, 126 MB.
    QTest::newRow("render, a picture memory cannot hold")
        << QStringList{"render", "6",          "--scale", "3",
                       "-o",     "@dir/x.png", config,    "@demo/korvane.xml"}
        << 3 << 80 << false
        << "korvane-cli: not enough memory to draw Entry 6 (a picture of 5124 x 6162 pixels)\n"
        << "";
    // Larger than the limit: the cache is refused, the .mlt files listed.
    QTest::newRow("list, a cache file beyond memory")
        << QStringList{"list", config, "@sparse.xml"} << 3 << 80 << false
        << "korvane-cli: not enough memory to read cache file @sparse.txt (240000004 bytes)"
        << "";
    QTest::newRow("list, .mlt files beyond memory")
        << QStringList{"list", "@sparse.mlt", "@sparse.mlt", "@sparse.mlt"} << 0 << 80 << false
        << ""
        << "@sparse.mlt\t20000000\t";
    // As many threads as --jobs allows, over 300 entries: the budget's
    // workers start, within an address space of 1.5 GiB.
    QTest::newRow("gallery, 256 jobs")
        << QStringList{"gallery", "@dir", "--jobs", "256", config, "@three-hundred.xml"} << 0
        << 1536 << true << ""
        << "Wrote 300 pictures and index.html to @dir";
}

void tst_CliStops::boundedMemory()
{
#if !defined(Q_OS_LINUX) || defined(__SANITIZE_ADDRESS__)
    QSKIP("a data size limit needs Linux, and a build without the address sanitizer");
#else
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(int, mebibytes);
    QFETCH(bool, addressSpace);
    QFETCH(QString, error);
    QFETCH(QString, summary);
    if (!QFile::exists(fixture.path(QStringLiteral("emptylines.txt")))) {
        QVERIFY(writeAll(fixture.path(QStringLiteral("emptylines.txt")),
                         "0\t0\t2147483647\t0\t0\t0\t0\n" + QByteArray(4000000, '\n')));
        QVERIFY(writeAll(fixture.path(QStringLiteral("headers.txt")),
                         QByteArray("\t\t\t\t\t\t\n").repeated(570000)));
        // The cache starts as one does, lest it be refused by its start alone.
        for (const char *name : {"sparse.txt", "sparse.mlt"}) {
            QFile file(fixture.path(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(4 + 12 * 20000000));
            if (QByteArray(name).endsWith(".txt"))
                QVERIFY(file.write("0\t0\t2147483647\t0\t0\t0\t0\n") > 0);
        }
        for (const char *name : {"emptylines", "headers", "sparse"}) {
            Configuration changed = fixture.demoFiles;
            changed.cache = fixture.path(QLatin1String(name) + QStringLiteral(".txt"));
            fixture.writeConfig(QLatin1String(name) + QStringLiteral(".xml"), changed);
        }
    }
    const QString dir = fixture.freshDir();
    for (QString &argument : arguments) {
        argument.replace(QStringLiteral("@dir"), dir);
        argument.replace(u'@', fixture.work.path() + u'/');
    }

    for (QString *text : {&error, &summary}) {
        text->replace(QStringLiteral("@dir"), dir);
        text->replace(u'@', fixture.work.path() + u'/');
        text->replace(QStringLiteral("\\t"), QStringLiteral("\t"));
    }

    // Twenty times the file: a component string per line would need far more.
    QProcess process;
    process.setChildProcessModifier([mebibytes, addressSpace] {
        const rlimit limit{rlim_t(mebibytes) << 20, rlim_t(mebibytes) << 20};
        ::setrlimit(addressSpace ? RLIMIT_AS : RLIMIT_DATA, &limit);
    });
    process.start(QStringLiteral(KORVANE_CLI), arguments);
    QVERIFY(process.waitForFinished(120000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), status);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    if (error.isEmpty())
        QCOMPARE(err, QString());
    else
        QVERIFY2(err.startsWith(error) && err.count(u'\n') == 1, qPrintable(err));
    QVERIFY2(summary.isEmpty() || out.startsWith(summary), qPrintable(out.left(200)));
#endif
}

QTEST_GUILESS_MAIN(tst_CliStops)
#include "tst_clistops.moc"
