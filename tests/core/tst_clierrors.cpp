#include "clifixture.h"
#include "export/multifilereader.h"
#include "export/multifilewriter.h"

#include <QTest>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// korvane-cli reports each problem with one message and a documented exit
// status, and leaves nothing half-written behind.
class tst_CliErrors : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void errors_data();
    void errors();

private:
    CliFixture fixture;
};

void tst_CliErrors::initTestCase()
{
    QVERIFY(QFileInfo(QStringLiteral(KORVANE_CLI)).isExecutable());
    QString error;
    QVERIFY2(fixture.setUp(&error), qPrintable(error));
    const auto path = [this](const char *name) { return fixture.path(QLatin1String(name)); };
    const Configuration &demo = fixture.demoFiles;

    // Entry 0 without components, Entry 1 spread far beyond any picture size.
    QVERIFY(
        writeAll(path("odd.txt"), encodeCacheEntry(0, {}) +
                                      encodeCacheEntry(1, {{1, 0, 0, 0}, {1, 1000, -1000, 0}})));
    Configuration changed = demo;
    changed.cache = path("odd.txt");
    fixture.writeConfig(QStringLiteral("odd.xml"), changed);
    changed.cache = path("missing.txt");
    fixture.writeConfig(QStringLiteral("nocache.xml"), changed);
    changed.cache = fixture.path(QStringLiteral("demo"));
    fixture.writeConfig(QStringLiteral("cachedir.xml"), changed);
    changed.cache.clear();
    fixture.writeConfig(QStringLiteral("nocachekey.xml"), changed);
    changed.cache = QStringLiteral("/dev/zero"); // would be read without end
    fixture.writeConfig(QStringLiteral("endless.xml"), changed);
    changed = demo;
    changed.artidx = path("missing-index.bin");
    fixture.writeConfig(QStringLiteral("noart.xml"), changed);
    changed = demo;
    changed.tiledata = path("missing-tiles.bin");
    fixture.writeConfig(QStringLiteral("notiles.xml"), changed);
    changed = demo;
    changed.artmul.clear();
    fixture.writeConfig(QStringLiteral("noartkey.xml"), changed);
    // An art index of garbage: every lookup lies far past the art data's end.
    QVERIFY(writeAll(path("garbage-index.bin"), QByteArray(32768 * 12, 'A')));
    changed = demo;
    changed.artidx = path("garbage-index.bin");
    fixture.writeConfig(QStringLiteral("garbageart.xml"), changed);
    QVERIFY(writeAll(path("plain"), "not a directory"));
    QVERIFY(writeAll(path("short.mlt"), QByteArray(10, '\0')));
    QVERIFY(writeAll(path("lead.mlt"), QByteArray("\1\0\0\0", 4) + QByteArray(12, '\0')));
    // Two .mlt files of one name, whose pictures would take the same file.
    QVERIFY(QDir().mkpath(path("twin")));
    QVERIFY(writeAll(path("one.mlt"), QByteArray(16, '\0')));
    QVERIFY(writeAll(path("twin/one.mlt"), QByteArray(16, '\0')));
    // Spread beyond any picture, under a name that looks like a placeholder.
    QVERIFY(writeAll(path("far%1.mlt"),
                     encodeMultiFile(ComponentList{"1:0:0:0:0:1:0", "1:1000:-1000:0:0:1:0"})));

    // One component more than a rendering takes, and one exactly at that
    // limit: their sizes alone tell.
    for (const auto &[name, count] : {std::pair{"many.mlt", MaxMultiFileComponents + 1},
                                      std::pair{"limit.mlt", MaxMultiFileComponents}}) {
        QFile mlt(path(name));
        QVERIFY(mlt.open(QIODevice::WriteOnly) && mlt.resize(4 + 12 * count));
    }

    // As many components as a gallery reads from .mlt files, in 8 files.
    QVERIFY(QDir().mkpath(path("eight")));
    for (int n = 0; n < 8; ++n) {
        QFile mlt(path("eight/") + QString::number(n) + QStringLiteral(".mlt"));
        QVERIFY(mlt.open(QIODevice::WriteOnly) && mlt.resize(4 + 12 * MaxMultiFileComponents));
    }

    QVERIFY(QDir().mkpath(path("exported")));
    QVERIFY(QDir().mkpath(path("notes")) && writeAll(path("notes/a.txt"), "not a multi"));
    QVERIFY(QFile::copy(demo.tiledata, path("tiles") + QChar(1)));

    // "d\xff" is no UTF-8; decoded it would be its twin "d\uFFFD", which holds
    // a configuration of its own.
    QVERIFY(QDir().mkpath(path("d") + QChar(QChar::ReplacementCharacter)));
    fixture.writeConfig(QStringLiteral("d\uFFFD/korvane.xml"), demo);
#ifdef Q_OS_UNIX
    QCOMPARE(::mkdir((QFile::encodeName(path("d")) + "\xff").constData(), 0755), 0);
#endif
}

void tst_CliErrors::cleanupTestCase()
{
#ifdef Q_OS_UNIX
    // Not a name QDir can remove.
    ::rmdir((QFile::encodeName(fixture.path(QStringLiteral("d"))) + "\xff").constData());
#endif
}

void tst_CliErrors::errors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");

    // "@x" stands for the file x of the test's directory, "@dir" for an empty
    // directory that must stay empty, "@demo" for the demo configuration. A
    // first argument ">FILE" sends standard output to FILE (">@tty": to a
    // terminal), one "env ARGS" runs it under env ARGS; "\xHH" in an
    // argument is the byte HH.
    const QString list = QStringLiteral("list");
    const QString exp = QStringLiteral("export");
    const QString render = QStringLiteral("render");
    const QString config = QStringLiteral("--config");
    const QString out = QStringLiteral("@dir/x.png");

    QTest::newRow("no command") << QStringList{} << 2 << "no command given";
    QTest::newRow("unknown command") << QStringList{"show"} << 2 << "unknown command 'show'";
    QTest::newRow("unknown option")
        << QStringList{list, "--fast"} << 2 << "unknown option '--fast'";
    QTest::newRow("negative entry taken for an option")
        << QStringList{exp, "@dir", "-1"} << 2 << "unknown option '-1'";
    QTest::newRow("list argument")
        << QStringList{list, "3"} << 2 << "list takes .mlt files and directories only, not '3'";
    QTest::newRow(".mlt file of a wrong size")
        << QStringList{list, "@short.mlt"} << 3
        << "cannot read .mlt file @short.mlt: 10 bytes is not a .mlt file's size (4 + 12 x n "
           "bytes)";
    QTest::newRow(".mlt file whose lead is not 0")
        << QStringList{render, "@lead.mlt", "-o", out, config, "@demo"} << 3
        << "cannot read .mlt file @lead.mlt: its first 4 bytes are not 0";
    QTest::newRow(".mlt file of more components than a rendering takes")
        << QStringList{render, "@many.mlt", "-o", out, config, "@demo"} << 3
        << "cannot read .mlt file @many.mlt: its 1048577 components are more than the 1048576 "
           "a rendering takes";
    QTest::newRow(".mlt file at the component limit")
        << QStringList{render, "@limit.mlt", "-o", out, config, "@demo"} << 3
        << "@limit.mlt has no art: none of its graphics";
#ifdef Q_OS_UNIX
    // Neither a terminal's control sequence nor a forged second line.
    QTest::newRow("escape sequence in a name")
        << QStringList{list, "@esc\\x1b[31m.mlt"} << 3
        << "cannot read .mlt file @esc\\x1B[31m.mlt: No such file or directory";
    QTest::newRow("line break in a name")
        << QStringList{list, "@a\\x0akorvane-cli: forged.mlt"} << 3
        << "cannot read .mlt file @a\\nkorvane-cli: forged.mlt: No such file";
#endif
    // Invisible characters that reorder, hide or break the line (a tag
    // character beyond the first plane among them); letters stay as they are.
    QTest::newRow("format characters and separators in a name")
        << QStringList{list,
                       QString::fromUtf8("@\u202Eexe.\u2028\u200B\u2066\xc3\xa9\U000E0041.mlt")}
        << 3
        << QString::fromUtf8("cannot read .mlt file @\\u{202E}exe.\\u{2028}\\u{200B}\\u{2066}"
                             "\xc3\xa9\\u{E0041}.mlt: No such file");
    QTest::newRow("export without DIR") << QStringList{exp} << 2 << "export needs a directory";
    QTest::newRow("render without -o") << QStringList{render, "0"} << 2 << "render needs -o";
    QTest::newRow("render two") << QStringList{render, "0", "1", "-o", out} << 2
                                << "exactly one ENTRY";
    QTest::newRow("render to two files")
        << QStringList{render, "0", "-o", out, "-o", "@dir/y.png", config, "@demo"} << 2
        << "render takes one -o FILE, not 2";
    QTest::newRow("scale not a whole number")
        << QStringList{render, "0", "-o", out, "--scale", "2x", config, "@demo"} << 2
        << "--scale takes a whole number from 1 to 16, not '2x'";
    QTest::newRow("scale 0") << QStringList{"gallery", "@dir/g", "--scale", "0", config, "@demo"}
                             << 2 << "--scale takes a whole number from 1 to 16, not '0'";
    QTest::newRow("scale twice") << QStringList{render, "0",       "-o", out,    "--scale",
                                                "2",    "--scale", "3",  config, "@demo"}
                                 << 2 << "--scale given 2 times";
    QTest::newRow("not a colour")
        << QStringList{"gallery", "@dir/g", "--background", "chartreuse-ish", config, "@demo"} << 2
        << "--background takes a colour name or #rrggbb or #aarrggbb, not 'chartreuse-ish'";
    QTest::newRow("no jobs") << QStringList{"gallery", "@dir/g", "--jobs", "0", config, "@demo"}
                             << 2 << "--jobs takes a whole number from 1 to 256, not '0'";
    QTest::newRow("gallery without DIR")
        << QStringList{"gallery", config, "@demo"} << 2 << "gallery needs a directory DIR";
    QTest::newRow("render in an unknown format")
        << QStringList{render, "0", "-o", "@dir/x.xyz", config, "@demo"} << 2
        << "cannot write pictures as \"xyz\" (the extension of @dir/x.xyz)";
#ifdef Q_OS_UNIX
    QTest::newRow("render onto a terminal")
        << QStringList{">@tty", render, "0", "-o", "-", config, "@demo"} << 2
        << "will not write a picture to a terminal";
#endif

    QTest::newRow("missing configuration")
        << QStringList{list, config, "@none.xml"} << 3 << "cannot open configuration @none.xml";
    // A .mlt file needs no cache: what drawing it needs is said instead.
    QTest::newRow("render a .mlt file without a configuration")
        << QStringList{render, "@one.mlt", "-o", out} << 3
        << "cannot draw @one.mlt without the client's art and tile data, and no configuration "
           "names them: 'korvane-cli config CLIENTDIR' writes yours, /nonexistent/";
    QTest::newRow("render an entry without a configuration")
        << QStringList{render, "1", "-o", out} << 3
        << "cannot open configuration /nonexistent/korvane-tests/korvane/korvane.xml: No such "
           "file or directory; 'korvane-cli config CLIENTDIR' writes it";
    QTest::newRow("render a .mlt file with a missing configuration")
        << QStringList{render, "@one.mlt", "-o", out, config, "@none.xml"} << 3
        << "cannot draw @one.mlt without the client's art and tile data: cannot open "
           "configuration @none.xml";
    QTest::newRow("gallery of a folder without a configuration")
        << QStringList{"gallery", "@dir/g", "@twin"} << 3
        << "cannot draw the .mlt files without the client's art and tile data, and no";
    QTest::newRow("gallery of a folder and an entry without a configuration")
        << QStringList{"gallery", "@dir/g", "@twin", "1"} << 3
        << "cannot open configuration /nonexistent/korvane-tests/korvane/korvane.xml";
    QTest::newRow("missing cache file") << QStringList{exp, "@dir", config, "@nocache.xml"} << 3
                                        << "cannot read cache file @missing.txt";
    QTest::newRow("cache file is a directory")
        << QStringList{list, config, "@cachedir.xml"} << 3 << "cannot read cache file";
#ifdef Q_OS_UNIX
    QTest::newRow("cache file is a device")
        << QStringList{list, config, "@endless.xml"} << 3
        << "cannot read cache file /dev/zero: not a regular file";
#endif
    QTest::newRow("no cache key") << QStringList{list, config, "@nocachekey.xml"} << 3
                                  << "names no cache file";
    QTest::newRow("configuration not XML")
        << QStringList{list, config, "@plain"} << 3 << "configuration @plain is not XML";
    QTest::newRow("missing art index") << QStringList{render, "0", "-o", out, config, "@noart.xml"}
                                       << 3 << "cannot read art index file @missing-index.bin";
    QTest::newRow("missing tile data")
        << QStringList{render, "0", "-o", out, config, "@notiles.xml"} << 3
        << "cannot read tile data file @missing-tiles.bin";
    QTest::newRow("no art data key")
        << QStringList{render, "0", "-o", out, config, "@noartkey.xml"} << 3
        << "configuration @noartkey.xml names no art data file (artmul)";
    QTest::newRow("list needs no art") << QStringList{list, config, "@noart.xml"} << 0 << "";

    const QString entries = QString::number(fixture.entries.size());
    QTest::newRow("entry number equal to the number of entries")
        << QStringList{render, entries, "-o", out, config, "@demo"} << 3
        << "no entry \"" + entries + "\" in cache file";
    QTest::newRow("last entry number")
        << QStringList{exp, "@exported", QString::number(fixture.entries.size() - 1), config,
                       "@demo"}
        << 0 << "";
    QTest::newRow("unknown entry number")
        << QStringList{exp, "@dir", "0", "99999", config, "@demo"} << 3 << "no entry \"99999\"";
    QTest::newRow("malformed entry name")
        << QStringList{exp, "@dir", "Entry x", config, "@demo"} << 3 << "no entry \"Entry x\"";
    QTest::newRow("negative entry")
        << QStringList{render, "-o", out, config, "@demo", "--", "-1"} << 3 << "no entry \"-1\"";
    QTest::newRow("DIR under a file")
        << QStringList{exp, "@plain/sub", config, "@demo"} << 3
        << "cannot export to @plain/sub: its parent @plain is not a directory";
    QTest::newRow("DIR without its parent")
        << QStringList{exp, "@dir/a/b", config, "@demo"} << 3
        << "cannot export to @dir/a/b: no such directory, nor its parent @dir/a";
    QTest::newRow("DIR is a file") << QStringList{exp, "@plain", config, "@demo"} << 3
                                   << "cannot export to @plain: not a directory";
    QTest::newRow("gallery DIR is a file") << QStringList{"gallery", "@plain", config, "@demo"} << 3
                                           << "cannot write the gallery to @plain: not a directory";
    QTest::newRow("gallery DIR without its parent")
        << QStringList{"gallery", "@dir/a/b", config, "@demo"} << 3
        << "cannot write the gallery to @dir/a/b: no such directory, nor its parent @dir/a";
    // Nothing is made, DIR included, before every entry is found.
    QTest::newRow("gallery of an unknown entry")
        << QStringList{"gallery", "@dir/g", "1", "99999", config, "@demo"} << 3
        << "no entry \"99999\"";
    QTest::newRow("gallery of a folder without .mlt files")
        << QStringList{"gallery", "@dir/g", "@notes", config, "@demo"} << 3
        << "directory @notes holds no .mlt files";
    QTest::newRow("gallery of a .mlt file that cannot be read, alone")
        << QStringList{"gallery", "@dir/g", "@short.mlt", config, "@demo"} << 3
        << "cannot read .mlt file @short.mlt: 10 bytes";
    QTest::newRow("gallery of .mlt files one component past what it reads")
        << QStringList{"gallery", "@dir/g", "@eight", "@one.mlt", config, "@demo"} << 3
        << "the .mlt files given hold more than the 8388608 components a gallery reads: "
           "@one.mlt is past them";
    QTest::newRow("gallery of .mlt files as many components as it reads")
        << QStringList{"gallery", "@dir/g", "@eight", "99999", config, "@demo"} << 3
        << "no entry \"99999\"";
    QTest::newRow("gallery of two pictures of one name")
        << QStringList{"gallery",       "@dir/g", "@one.mlt", "@twin/../one.mlt",
                       "@twin/one.mlt", config,   "@demo"}
        << 3 << "@one.mlt and @twin/one.mlt would both be drawn as one.png";
    QTest::newRow("output under a file")
        << QStringList{render, "0", "-o", "@plain/x.png", config, "@demo"} << 3
        << "cannot write Entry 0 to @plain/x.png";
    QTest::newRow("output is a directory")
        << QStringList{render, "0", "-o", "@dir", config, "@demo"} << 3
        << "cannot write to @dir: it is a directory";
#ifdef Q_OS_UNIX
    QTest::newRow("picture onto a full disk")
        << QStringList{">/dev/full", render, "0", "-o", "-", config, "@demo"} << 3
        << "cannot write Entry 0 to standard output: " + qt_error_string(ENOSPC);
    QTest::newRow("gallery summary onto a full disk")
        << QStringList{">/dev/full", "gallery", "@exported", "0", config, "@demo"} << 3
        << "cannot write the summary to standard output: " + qt_error_string(ENOSPC);
    QTest::newRow("summary onto a full disk")
        << QStringList{">/dev/full", exp, "@exported", "0", config, "@demo"} << 3
        << "cannot write the summary to standard output: " + qt_error_string(ENOSPC);
    QTest::newRow("list onto a full disk")
        << QStringList{">/dev/full", list, config, "@demo"} << 3
        << "cannot write the list to standard output: " + qt_error_string(ENOSPC);
    QTest::newRow("help onto a full disk")
        << QStringList{">/dev/full", "--help"} << 3
        << "cannot write the output to standard output: " + qt_error_string(ENOSPC);
    QTest::newRow("a command's version onto a full disk")
        << QStringList{">/dev/full", list, "--version"} << 3
        << "cannot write the output to standard output: " + qt_error_string(ENOSPC);
    QTest::newRow("report onto a full disk")
        << QStringList{">/dev/full", "check", config, "@demo"} << 3
        << "cannot write the report to standard output: " + qt_error_string(ENOSPC);

    // Each would otherwise use the twin "d\uFFFD".
    QTest::newRow("DIR not UTF-8") << QStringList{exp, "@d\\xff", "1", config, "@demo"} << 3
                                   << "argument \"@d\\xFF\" is not UTF-8 text";
    QTest::newRow("output not UTF-8")
        << QStringList{render, "0", "-o", "@d\\xff/x.png", config, "@demo"} << 3
        << "argument \"@d\\xFF/x.png\" is not UTF-8 text";
    QTest::newRow("configuration not UTF-8")
        << QStringList{exp, "@dir", config, "@d\\xff/korvane.xml"} << 3
        << "argument \"@d\\xFF/korvane.xml\" is not UTF-8 text";
    // Whole sequences of two, three and four bytes are shown as their text.
    QTest::newRow("entry with text and a stray byte")
        << QStringList{exp, "@dir", "\\xc3\\xa9\\xe0\\xa4\\x85\\xf0\\x9f\\x8f\\xa0\\xff", config,
                       "@demo"}
        << 3 << QStringLiteral("argument \"\u00E9\u0905\U0001F3E0\\xFF\" is not UTF-8 text");
#endif
    QTest::newRow("config without CLIENTDIR")
        << QStringList{"config", "--cache", "@plain"} << 2
        << "config needs a CLIENTDIR to look in, or --artidx, --artmul and --tiledata";
    QTest::newRow("config in two directories")
        << QStringList{"config", "@dir", "@exported"} << 2 << "config takes one CLIENTDIR, not 2";
    QTest::newRow("config of a file named twice")
        << QStringList{"config", "@dir", "--cache", "@plain", "--cache", "@plain"} << 2
        << "--cache given 2 times";
    QTest::newRow("config in a missing directory")
        << QStringList{"config", "@none", "--print"} << 3
        << "cannot look for the client files in @none: no such directory";
    QTest::newRow("config of a named file that is missing")
        << QStringList{"config", "@dir", "--artidx", "@missing-index.bin"} << 3
        << "cannot read art index file @missing-index.bin: No such file or directory";
    QTest::newRow("config over a configuration")
        << QStringList{"config", "@/demo", config, "@plain"} << 3
        << "configuration @plain exists; --force replaces it";
    // Never /.config at the root of the file system.
    QTest::newRow("config without a home")
        << QStringList{"env -u HOME -u XDG_CONFIG_HOME", "config", "@/demo"} << 3
        << "cannot write your configuration: no place for your configuration: HOME is not set; "
           "--config names the file to write";
    QTest::newRow("config under a file")
        << QStringList{"config", "@/demo", config, "@plain/korvane.xml"} << 3
        << "cannot write configuration @plain/korvane.xml: cannot make directory @plain";
#ifdef Q_OS_UNIX
    QTest::newRow("config of a path XML cannot hold")
        << QStringList{"config", "@/demo", "--print", "--tiledata", "@tiles\\x01"} << 3
        << "cannot name the tile data file \"@tiles\\x01\" in a configuration";
#endif
    QTest::newRow("entry without components")
        << QStringList{render, "Entry 0", "-o", out, config, "@odd.xml"} << 3
        << "Entry 0 has no components";
    QTest::newRow("no component has art")
        << QStringList{render, "0", "-o", out, config, "@garbageart.xml"} << 3
        << "Entry 0 has no art that can be drawn: the art of its graphics is damaged (its "
           "header lies past the end of the art data file";
    QTest::newRow("too large to render") << QStringList{render, "1", "-o", out, config, "@odd.xml"}
                                         << 3 << "Entry 1 is too large to render";
    QTest::newRow("too large, a file named like a placeholder")
        << QStringList{render, "@far%1.mlt", "-o", out, config, "@demo"} << 3
        << "@far%1.mlt is too large to render (the picture may be at most 16384 pixels a side";
    QTest::newRow("too large once scaled")
        << QStringList{render, QString::number(fixture.keep), "-o", out, "--scale", "16", config,
                       "@demo"}
        << 3 << entryName(fixture.keep) + " is too large to render";
}

void tst_CliErrors::errors()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, message);

    const QString dir = fixture.freshDir();
    const auto resolve = [&](QString text) {
        text.replace(QStringLiteral("@demo"), fixture.demoConfig);
        text.replace(QStringLiteral("@dir"), dir);
        text.replace(u'@', fixture.work.path() + u'/');
        return text;
    };
    QString standardOutput;
    if (!arguments.isEmpty() && arguments.first().startsWith(u'>'))
        standardOutput = arguments.takeFirst().mid(1);
    QStringList environment;
    if (!arguments.isEmpty() && arguments.first().startsWith(u"env "))
        environment = arguments.takeFirst().mid(4).split(u' ');
    for (QString &argument : arguments)
        argument = resolve(argument);

    int terminal = -1;
#ifdef Q_OS_UNIX
    if (standardOutput == u"@tty") {
        terminal = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (terminal < 0)
            QSKIP("no pseudo-terminal here");
        QVERIFY(grantpt(terminal) == 0 && unlockpt(terminal) == 0);
        standardOutput = QFile::decodeName(ptsname(terminal));
    }
#endif
    // Arguments with raw bytes are passed on by the shell.
    QString program = QStringLiteral(KORVANE_CLI);
    if (arguments.join(QString()).contains(QStringLiteral("\\x"))) {
        arguments.prepend(program);
        arguments.prepend(QStringLiteral("a=(); for x in \"$@\"; do a+=(\"$(printf %b \"$x\")\"); "
                                         "done; exec \"$0\" \"${a[@]}\""));
        arguments.prepend(QStringLiteral("-c"));
        program = QStringLiteral("/bin/bash");
    }
    if (!environment.isEmpty()) {
        arguments = environment + QStringList{program} + arguments;
        program = QStringLiteral("env");
    }
    const QString twin = fixture.path(QStringLiteral("d\uFFFD"));
    const QStringList twinBefore = namesIn(twin);

    const CliRun run = runCli(arguments, program, standardOutput);
    QCOMPARE(run.status, status);
    QVERIFY(namesIn(dir).isEmpty());
    QCOMPARE(namesIn(twin), twinBefore);
#ifdef Q_OS_UNIX
    if (terminal >= 0) {
        char byte;
        QVERIFY2(::read(terminal, &byte, 1) <= 0, "bytes written to the terminal");
        ::close(terminal);
    }
#endif
    if (status == 0)
        return;
    QCOMPARE(run.out, QByteArray());
    QVERIFY2(run.err.startsWith("korvane-cli: "), run.err.constData());
    QVERIFY2(run.err.contains(resolve(message).toUtf8()), run.err.constData());
    // One message; a usage error adds the pointer to --help.
    QCOMPARE(run.err.count('\n'), status == 2 ? 2 : 1);
}

QTEST_GUILESS_MAIN(tst_CliErrors)
#include "tst_clierrors.moc"
