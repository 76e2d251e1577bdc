#include "fuzzentries.h"
#include "writeguard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

// Replays through the fuzz targets' own code every input a fuzzer ever
// failed on (tests/data/fuzz/<target>/), and the seeds the fuzzers start from.
class tst_FuzzRegressions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void savedInputs_data();
    void savedInputs();
    void seeds_data();
    void seeds();
    void writeGuard_data();
    void writeGuard();
};

void tst_FuzzRegressions::savedInputs_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("path");

    const QDir root(QStringLiteral(KORVANE_FUZZ_INPUTS));
    QVERIFY2(root.exists(), "tests/data/fuzz not found");
    const QStringList dirs = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &dir : dirs) {
        const QStringList files = QDir(root.filePath(dir)).entryList(QDir::Files, QDir::Name);
        for (const QString &file : files) {
            const QString path = root.filePath(dir + QLatin1Char('/') + file);
            QTest::addRow("%s/%s", qPrintable(dir), qPrintable(file)) << dir << path;
        }
    }
}

void tst_FuzzRegressions::savedInputs()
{
    if (!QTest::currentDataTag())
        QSKIP("no saved inputs");
    QFETCH(QString, target);
    QFETCH(QString, path);

    const FuzzTarget *found = findFuzzTarget(target);
    QVERIFY2(found, qPrintable(QStringLiteral("no fuzz target \"%1\"").arg(target)));
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    const FuzzFailure failure = found->run(file.readAll());
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
}

void tst_FuzzRegressions::seeds_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QByteArray>("input");

    for (const FuzzTarget &target : fuzzTargets()) {
        const QList<QByteArray> seeds = fuzzSeeds(QLatin1String(target.name));
        QVERIFY2(!seeds.isEmpty(), target.name);
        for (qsizetype n = 0; n < seeds.size(); ++n)
            QTest::addRow("%s/seed-%d", target.name, int(n)) << target.name << seeds[n];
    }
}

// Valid and near-valid data must pass the targets' own checks, or the
// fuzzers would report false failures.
void tst_FuzzRegressions::seeds()
{
    QFETCH(QString, target);
    QFETCH(QByteArray, input);

    const FuzzFailure failure = findFuzzTarget(target)->run(input);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
}

// The export fuzzer's guard: changes outside the allowed directory are refused
// and recorded, whichever Qt call makes them; reads pass.
void tst_FuzzRegressions::writeGuard_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("path"); // in the temporary root; "allowed/" is allowed
    QTest::addColumn<bool>("refused");

    QTest::newRow("create inside") << "create"
                                   << "allowed/a.mlt" << false;
    QTest::newRow("create beside") << "create"
                                   << "outside/a.mlt" << true;
    QTest::newRow("create through ..") << "create"
                                       << "allowed/../outside/a.mlt" << true;
    QTest::newRow("create in a longer name") << "create"
                                             << "allowed2/a.mlt" << true;
    QTest::newRow("read beside") << "read"
                                 << "outside/existing" << false;
    QTest::newRow("directory inside") << "mkdir"
                                      << "allowed/d" << false;
    QTest::newRow("directory beside") << "mkdir"
                                      << "outside/d" << true;
    QTest::newRow("rename inside") << "rename"
                                   << "allowed/moved" << false;
    QTest::newRow("rename out") << "rename"
                                << "outside/moved" << true;
    QTest::newRow("link inside to inside") << "link:source"
                                           << "allowed/link" << false;
    QTest::newRow("link inside to outside") << "link:../outside"
                                            << "allowed/link" << true;
    QTest::newRow("remove beside") << "remove"
                                   << "outside/existing" << true;
}

void tst_FuzzRegressions::writeGuard()
{
    QFETCH(QString, operation);
    QFETCH(QString, path);
    QFETCH(bool, refused);

    QTemporaryDir temporary;
    const QString root = QDir(temporary.path()).canonicalPath();
    for (const char *dir : {"allowed", "allowed2", "outside"})
        QVERIFY(QDir(root).mkdir(QLatin1String(dir)));
    for (const char *file : {"allowed/source", "outside/existing"}) {
        QFile seed(root + u'/' + QLatin1String(file));
        QVERIFY(seed.open(QIODevice::WriteOnly));
    }
    const QString target = root + u'/' + path;
    const bool existed = QFileInfo::exists(target);

    bool done = false;
    QStringList refusals;
    {
        const WriteGuard guard(QFile::encodeName(root + "/allowed"));
        QFile file(target);
        if (operation == "create")
            done = file.open(QIODevice::WriteOnly);
        else if (operation == "read")
            done = file.open(QIODevice::ReadOnly);
        else if (operation == "mkdir")
            done = QDir().mkdir(target);
        else if (operation == "rename")
            done = QFile::rename(root + "/allowed/source", target);
        else if (operation.startsWith("link:"))
            done = QFile::link(operation.mid(5), target);
        else if (operation == "remove")
            done = QFile::remove(target);
        refusals = guard.refused();
    }
    QCOMPARE(done, !refused);
    QCOMPARE(!refusals.isEmpty(), refused);
    if (refused)
        QCOMPARE(QFileInfo::exists(target), existed);
}

QTEST_MAIN(tst_FuzzRegressions)
#include "tst_fuzzregressions.moc"
