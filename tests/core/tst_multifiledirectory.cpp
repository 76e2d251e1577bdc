#include "export/multifiledirectory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

// The .mlt files of a directory, as list, gallery and diff read them.
class tst_MultiFileDirectory : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void files_data();
    void files();
    void joinedPaths_data();
    void joinedPaths();
    void standardInputClosed();
    void unreadable();
};

void tst_MultiFileDirectory::files_data()
{
    // Entries made in the directory: "name" a file, "name/" a directory,
    // "name|" a FIFO, "name>target" a symbolic link; "\xHH" the byte HH.
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<qsizetype>("most");
    QTest::addColumn<QStringList>("listed"); // "" when refused
    QTest::addColumn<QString>("error");

    const qsizetype all = MaxDirectoryMultiFiles;
    QTest::newRow("any letter case, in code point order")
        << QStringList{"b.mlt", "a.MLT", "C.Mlt", "d.txt", "e.mlt.bak", "mlt", "amlt", "f.mlx"}
        << all << QStringList{"C.Mlt", "a.MLT", "b.mlt"} << "";
    QTest::newRow("no subdirectories, no hidden files")
        << QStringList{"sub.mlt/", "sub.mlt/in.mlt", "up.mlt>sub.mlt", ".hidden.mlt", "a.mlt"}
        << all << QStringList{"a.mlt"} << "";
    // Listed, so that their readers say why they are not files to read.
    QTest::newRow("a FIFO and a dangling link") << QStringList{"pipe.mlt|", "gone.mlt>missing.mlt"}
                                                << all << QStringList{"gone.mlt", "pipe.mlt"} << "";
    QTest::newRow("none") << QStringList{"a.txt"} << all << QStringList{} << "";
    QTest::newRow("as many as the limit") << QStringList{"a.mlt", "b.mlt", "c.txt"} << qsizetype(2)
                                          << QStringList{"a.mlt", "b.mlt"} << "";
    QTest::newRow("one past the limit")
        << QStringList{"a.mlt", "b.mlt", "c.mlt"} << qsizetype(2) << QStringList{}
        << "it holds more than the 2 .mlt files read from one directory";
}

void tst_MultiFileDirectory::files()
{
    QFETCH(QStringList, entries);
    QFETCH(qsizetype, most);
    QFETCH(QStringList, listed);
    QFETCH(QString, error);

    QTemporaryDir work;
    const QDir dir(work.path());
    for (const QString &entry : entries) {
        const QByteArray path = QFile::encodeName(dir.filePath(entry.section(u'>', 0, 0)));
        if (entry.endsWith(u'/'))
            QVERIFY(dir.mkdir(entry));
        else if (entry.endsWith(u'|'))
            QCOMPARE(::mkfifo(path.chopped(1).constData(), 0644), 0);
        else if (entry.contains(u'>'))
            QCOMPARE(
                ::symlink(QFile::encodeName(entry.section(u'>', 1)).constData(), path.constData()),
                0);
        else
            QVERIFY(QFile(QString::fromUtf8(path)).open(QIODevice::WriteOnly));
    }

    QList<DirectoryMultiFile> files;
    QString why;
    const bool read = listDirectoryMultiFiles(work.path(), &files, &why, most);
    QCOMPARE(why, error);
    QCOMPARE(read, error.isEmpty());
    QStringList paths;
    for (const DirectoryMultiFile &file : files) {
        QCOMPARE(file.problem, QString());
        paths << file.path;
    }
    for (QString &name : listed)
        name = work.path() + u'/' + name;
    QCOMPARE(paths, listed);
}

void tst_MultiFileDirectory::joinedPaths_data()
{
    QTest::addColumn<QString>("directory"); // relative to the work directory, its parent
    QTest::addColumn<QByteArray>("name");   // the file's name as bytes
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("problem");

    QTest::newRow("the current directory") << "." << QByteArray("a.mlt") << "a.mlt"
                                           << "";
    QTest::newRow("with a slash") << "d/" << QByteArray("a.mlt") << "d/a.mlt"
                                  << "";
    QTest::newRow("without") << "d" << QByteArray("a.mlt") << "d/a.mlt"
                             << "";
    // Decoded, the name would be another file's: shown, not read.
    QTest::newRow("a name that is not UTF-8")
        << "d" << QByteArray("caf\xe9.mlt") << "d/caf\\xE9.mlt"
        << "its name is not UTF-8 text";
    QTest::newRow("UTF-8") << "d" << QByteArray("caf\xc3\xa9.mlt") << "d/caf\u00e9.mlt"
                           << "";
}

void tst_MultiFileDirectory::joinedPaths()
{
    QFETCH(QString, directory);
    QFETCH(QByteArray, name);
    QFETCH(QString, path);
    QFETCH(QString, problem);

    QTemporaryDir work;
    const QString inside = directory == u"." ? work.path() : work.filePath(QStringLiteral("d"));
    QVERIFY(QDir().mkpath(inside));
    const QByteArray raw = QFile::encodeName(inside) + '/' + name;
    FILE *made = std::fopen(raw.constData(), "w");
    QVERIFY(made);
    std::fclose(made);

    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(directory == u"." ? inside : work.path()));
    QList<DirectoryMultiFile> files;
    QString why;
    const bool read = listDirectoryMultiFiles(directory, &files, &why);
    QDir::setCurrent(before);
    QVERIFY2(read, qPrintable(why));
    QCOMPARE(files.size(), 1);
    QCOMPARE(files.first().path, path);
    QCOMPARE(files.first().problem, problem);
}

void tst_MultiFileDirectory::standardInputClosed()
{
    // A program started with standard input closed opens the directory as
    // descriptor 0, which is as good as any.
    QTemporaryDir work;
    QVERIFY(QFile(work.filePath(QStringLiteral("a.mlt"))).open(QIODevice::WriteOnly));
    const int input = ::dup(STDIN_FILENO);
    QVERIFY(input >= 0);
    ::close(STDIN_FILENO);
    QList<DirectoryMultiFile> files;
    QString why;
    const bool read = listDirectoryMultiFiles(work.path(), &files, &why);
    const bool restored = ::dup2(input, STDIN_FILENO) == STDIN_FILENO;
    ::close(input);
    QVERIFY(restored);
    QVERIFY2(read, qPrintable(why));
    QCOMPARE(files.size(), 1);
}

void tst_MultiFileDirectory::unreadable()
{
    QTemporaryDir work;
    QList<DirectoryMultiFile> files{{QStringLiteral("stale"), {}}};
    QString why;
    QVERIFY(!listDirectoryMultiFiles(work.filePath(QStringLiteral("none")), &files, &why));
    QCOMPARE(why, qt_error_string(ENOENT));
    QVERIFY(files.isEmpty());
    QFile(work.filePath(QStringLiteral("plain.mlt"))).open(QIODevice::WriteOnly);
    QVERIFY(!listDirectoryMultiFiles(work.filePath(QStringLiteral("plain.mlt")), &files, &why));
    QCOMPARE(why, qt_error_string(ENOTDIR));
}

QTEST_GUILESS_MAIN(tst_MultiFileDirectory)
#include "tst_multifiledirectory.moc"
