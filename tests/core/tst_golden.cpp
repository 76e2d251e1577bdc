#include "clifixture.h"
#include "commandrun.h"
#include "demographics.h"
#include "demomultis.h"
#include "export/multifilewriter.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QImageReader>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTest>

#include <clocale>

#include <fcntl.h>
#include <pty.h>
#include <sched.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

// The command line as a user sees it, compared whole: each row of
// tests/golden/commands.txt runs its steps in a fresh directory ($OUT), and
// what they print and leave there is compared with
// tests/golden/expected/<row>.txt. With KORVANE_UPDATE_GOLDEN=1 in the
// environment the expected files are written instead (see docs/development.md).

namespace {

struct Row
{
    QString name;
    QStringList steps;
};

// The one place that runs a step: in this process, as the program's main()
// runs it, in `workingDirectory`, with the configuration of the user and of
// the machine looked for in its .config (missing until a row puts one there).
CliRun runStep(const QString &program, const QStringList &arguments,
               const QString &workingDirectory, bool terminal = false)
{
    qputenv("HOME", QFile::encodeName(workingDirectory));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(workingDirectory + "/.config"));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(workingDirectory + "/.config/xdg"));
    const QString before = QDir::currentPath();
    QDir::setCurrent(workingDirectory);
    // Standard output a terminal: a pseudo-terminal in raw mode, read once
    // the step is done (its buffer holds what a row prints there).
    int master = -1;
    int slave = -1;
    std::FILE *out = nullptr;
    if (terminal && openpty(&master, &slave, nullptr, nullptr, nullptr) == 0) {
        termios raw;
        tcgetattr(slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
        out = fdopen(slave, "w");
    }
    CommandResult run = runCommandLine(program, arguments, out);
    QDir::setCurrent(before);
    if (out) {
        std::fclose(out);
        char buffer[4096];
        for (ssize_t got; (got = ::read(master, buffer, sizeof buffer)) > 0;)
            run.out.append(buffer, got);
        ::close(master);
    }
    return {run.status, run.out, run.err};
}

// On one processor thread, so that the default number of gallery jobs
// (which the help states) is 1 on every machine; in the C locale, so that
// the system's words for errors are the same too.
void runAsThePrograms()
{
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        int cpu = 0;
        while (cpu < CPU_SETSIZE - 1 && !CPU_ISSET(cpu, &set))
            ++cpu;
        CPU_ZERO(&set);
        CPU_SET(cpu, &set);
        sched_setaffinity(0, sizeof set, &set);
    }
    std::setlocale(LC_ALL, "C.UTF-8");
    // The pictures' resolution, as the programs have it (QtTest sets 96 dpi).
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi, false);
}

// The rows of the table: "[name]" starts one, each line after it is a step;
// "#" starts a comment line.
QList<Row> readTable(const QString &path)
{
    QList<Row> rows;
    for (const QString &text : QString::fromUtf8(readAll(path)).split(u'\n')) {
        const QString line = text.trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']'))
            rows.append({line.mid(1, line.size() - 2), {}});
        else if (!line.isEmpty() && !line.startsWith(u'#') && !rows.isEmpty())
            rows.last().steps.append(line);
    }
    return rows;
}

// A step's words: white space separates them, "..." holds one ("" an empty one).
QStringList wordsOf(const QString &step)
{
    static const QRegularExpression word(QStringLiteral(R"((?:"[^"]*"|[^\s"])+)"));
    QStringList words;
    for (const QRegularExpressionMatch &match : word.globalMatch(step))
        words.append(match.captured().remove(u'"'));
    return words;
}

// A word's bytes: \n, \t, \\ and \xHH stand for a line break, a TAB, a
// backslash and the byte HH; any other backslash for itself.
QByteArray unescaped(const QString &word)
{
    const QByteArray text = word.toUtf8();
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : 0;
        if (text[i] != '\\' || !QByteArrayView("nt\\x").contains(next)) {
            bytes += text[i];
            continue;
        }
        if (next == 'x') {
            bytes += char(text.mid(i + 2, 2).toInt(nullptr, 16));
            i += 3;
        } else {
            bytes += next == 'n' ? '\n' : next == 't' ? '\t' : '\\';
            ++i;
        }
    }
    return bytes;
}

// Text that is UTF-8 without NULs is shown whole; anything else by its size
// and digest, a picture also by its size in pixels.
QString shown(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return QStringLiteral(" (empty)\n");
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (!decoder.hasError() && !bytes.contains('\0'))
        return u'\n' + text + (text.endsWith(u'\n') ? "" : "\n> (no newline at end)\n");
    QString line = QStringLiteral(": %1 bytes, sha256 %2")
                       .arg(bytes.size())
                       .arg(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    if ((format == "png" || format == "jpeg") && reader.size().isValid())
        line += QStringLiteral(", %1 %2 x %3")
                    .arg(QString::fromLatin1(format.toUpper()))
                    .arg(reader.size().width())
                    .arg(reader.size().height());
    return line + u'\n';
}

// The moment an `age` step gives a file: a file still of it was not
// written since.
constexpr timespec Aged{978307200, 0}; // 2001-01-01 00:00 UTC

// Every file and directory under `dir`, hidden ones included, sorted; a
// link by its target, a FIFO or device unread.
QString filesIn(const QString &dir)
{
    QStringList names;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        names.append(QDir(dir).relativeFilePath(it.next()));
    names.sort();
    QString text;
    for (const QString &name : names) {
        const QFileInfo info(dir + u'/' + name);
        struct stat status = {};
        ::lstat(QFile::encodeName(info.filePath()).constData(), &status);
        text += QStringLiteral("> file %1").arg(name);
        if (status.st_mtim.tv_sec == Aged.tv_sec && status.st_mtim.tv_nsec == Aged.tv_nsec &&
            !info.isDir())
            text += QStringLiteral(" (aged)");
        if (info.isSymLink())
            text += QStringLiteral(" -> %1\n").arg(info.symLinkTarget());
        else if (info.isDir())
            text += QStringLiteral("/\n");
        else
            text += S_ISREG(status.st_mode) ? shown(readAll(info.filePath()))
                                            : QStringLiteral(" (not a regular file)\n");
    }
    return text;
}

// A set-up step of the table's own, in `out`: mkdir DIR, write FILE TEXT,
// copy FROM TO, remove PATH, fifo PATH, link TARGET NAME (a symbolic link),
// age PATH, flip FILE OFFSET (a bit of that byte), resize FILE BYTES,
// replace FILE TEXT NEW. Returns false for a step it does not know or that
// fails.
bool setUp(const QStringList &words, const QString &out)
{
    const QString verb = words.value(0);
    const auto at = [&](qsizetype n) {
        return QDir(out).absoluteFilePath(QString::fromUtf8(unescaped(words.value(n))));
    };
    const QString path = at(1);
    const QString to = at(2);
    const qint64 number = words.value(2).toLongLong();
    QFile file(path);
    if (verb == u"mkdir" && words.size() == 2)
        return QDir().mkpath(path);
    if (verb == u"write" && words.size() == 3)
        return QDir().mkpath(QFileInfo(path).path()) && writeAll(path, unescaped(words[2]));
    if (verb == u"copy" && words.size() == 3)
        return QDir().mkpath(QFileInfo(to).path()) && QFile::copy(path, to);
    if (verb == u"remove" && words.size() == 2)
        return QFileInfo(path).isDir() ? QDir(path).removeRecursively() : QFile::remove(path);
    if (verb == u"fifo" && words.size() == 2)
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    if (verb == u"link" && words.size() == 3)
        return QDir().mkpath(QFileInfo(to).path()) && QFile::link(path, to);
    if (verb == u"age" && words.size() == 2) {
        QStringList files{path};
        for (QDirIterator it(path, QDir::Files | QDir::Hidden | QDir::System,
                             QDirIterator::Subdirectories);
             it.hasNext();)
            files.append(it.next());
        const timespec times[2] = {Aged, Aged};
        return std::all_of(files.cbegin(), files.cend(), [&](const QString &file) {
            return QFileInfo(file).isDir() ||
                   ::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times,
                               AT_SYMLINK_NOFOLLOW) == 0;
        });
    }
    if (verb == u"flip" && words.size() == 3 && file.open(QIODevice::ReadWrite)) {
        const QByteArray byte = file.seek(number) ? file.read(1) : QByteArray();
        return byte.size() == 1 && file.seek(number) && file.putChar(char(byte[0] ^ 1));
    }
    if (verb == u"resize" && words.size() == 3)
        return file.resize(number);
    if (verb == u"replace" && words.size() == 4) {
        QByteArray bytes = readAll(path);
        const QByteArray text = unescaped(words[2]);
        return bytes.contains(text) && writeAll(path, bytes.replace(text, unescaped(words[3])));
    }
    return false;
}

// The four files of a client in `dir`, `entries` as its cache, and a
// korvane.xml naming them.
bool writeClientFiles(const QString &dir, const ArtFileBuilder &art, const QByteArray &tiles,
                      const QList<QList<DemoComponent>> &entries)
{
    QByteArray cache;
    for (qsizetype n = 0; n < entries.size(); ++n)
        cache += encodeCacheEntry(int(n), entries[n]);
    const Configuration files{dir + "/art.idx", dir + "/art.dat", dir + "/tiles.bin",
                              dir + "/cache.txt"};
    return !tiles.isEmpty() && QDir().mkpath(dir) && writeAll(files.artidx, art.index()) &&
           writeAll(files.artmul, art.data()) && writeAll(files.tiledata, tiles) &&
           writeAll(files.cache, cache) && writeAll(dir + "/korvane.xml", configurationXml(files));
}

// A client directory: art drawn from the demo graphics (the art of graphic
// `repainted` inverted), the demo's tile data, `entries` as its cache, and a
// korvane.xml naming the four.
bool writeClient(const QString &dir, const QList<QList<DemoComponent>> &entries,
                 const QString &tiles, int repainted = -1)
{
    ArtFileBuilder art;
    for (const DemoGraphic &graphic : demoGraphics()) {
        QImage image = graphic.art;
        if (graphic.id == repainted)
            image.invertPixels();
        if (!image.isNull())
            art.add(graphic.id, image);
    }
    return writeClientFiles(dir, art, readAll(tiles), entries);
}

// A client of three graphics, each a 44 x 44 tile of one colour (10 `ten`,
// 11 blue, 12 green), with `tiles` and `entries`, and its korvane.xml.
bool writeTinyClient(const QString &dir, QRgb ten, const TileDataBuilder &tiles,
                     const QList<QList<DemoComponent>> &entries)
{
    ArtFileBuilder art;
    QImage image(44, 44, QImage::Format_ARGB32);
    for (const auto &[graphic, colour] :
         {std::pair{10, ten}, {11, qRgb(0, 0, 255)}, {12, qRgb(0, 255, 0)}}) {
        image.fill(colour);
        art.add(graphic, image);
    }
    return writeClientFiles(dir, art, tiles.bytes(), entries);
}

// The tiny clients (see the table's header), in `dir`.
bool writeTinyClients(const QString &dir)
{
    const QRgb red = qRgb(255, 0, 0);
    const QRgb yellow = qRgb(255, 255, 0);
    TileDataBuilder tiles, flagged, ordered;
    tiles.setItem(11, 0, 0, "eleven");
    flagged.setItem(11, 1, 0, "eleven");
    ordered.setItem(10, 0, 3, "over");
    ordered.setItem(11, 1, 0, "under");
    const auto three = [](int x) {
        return QList<QList<DemoComponent>>{
            {{10, 0, 0, 0}}, {{11, 0, 0, 0}}, {{10, 0, 0, 0}, {12, x, 0, 0}}};
    };
    QList<QList<DemoComponent>> seven, pages(1001);
    for (int n = 0; n < 7; ++n)
        seven.append({{10, n, 0, 0}});
    for (int n : {0, 499, 500, 999})
        pages[n] = {{10, 0, 0, 0}};
    return writeTinyClient(dir + "/base", red, tiles, three(1)) &&
           writeTinyClient(dir + "/art", yellow, tiles, three(1)) &&
           writeTinyClient(dir + "/tiles", red, flagged, three(1)) &&
           writeTinyClient(dir + "/moved", red, tiles, three(2)) &&
           writeTinyClient(dir + "/fewer", red, tiles, three(1).mid(0, 2)) &&
           writeTinyClient(dir + "/seven", red, tiles, seven) &&
           writeTinyClient(dir + "/seven-art", yellow, tiles, seven) &&
           writeTinyClient(dir + "/order", red, ordered, {{{10, 0, 0, 0}, {11, 0, 0, 0}}}) &&
           writeTinyClient(dir + "/pages", red, tiles, pages);
}

// Files a sound client never holds (see the table's header), in `dir`.
bool writeOddFiles(const QString &dir)
{
    ArtFileBuilder far;
    far.setIndexEntry(5, 1 << 30, 100);
    far.setIndexEntry(6, 1 << 30, 100);
    const QByteArray header = "0\t0\t1\t0\t0\t0\t0\n";
    const QByteArray tail = "1\t0\t0\t0\t0\n" + QByteArray("junk\n").repeated(1000);
    const qsizetype judged = MultiCache::JudgedBytes;
    return QDir().mkpath(dir) && writeAll(dir + "/far-index.bin", far.index()) &&
           writeAll(dir + "/in-time.txt",
                    QByteArray(judged - header.size() - 1, 'j') + '\n' + header + tail) &&
           writeAll(dir + "/too-late.txt", QByteArray(judged - 1, 'j') + '\n' + header + tail);
}

// Sound tile data whose names mostly fill their 20 bytes, beside files of its
// size that are not tile data (noise, names of control bytes, text); and
// those alone in decoys/.
bool writeTileNames(const QString &dir)
{
    TileDataBuilder sound, control;
    for (int n = 0; n < 16384; ++n) {
        sound.setLand(n, n % 3, qint16(n), n % 4 ? "packed earth, gravel" : "floor");
        sound.setItem(n, n % 5, qint8(n % 8), n % 4 ? "a tall stone archway" : "floor");
        control.setItem(n, 0, 0, QByteArray(20, char(1 + n % 31)));
    }
    QRandomGenerator random(31);
    QByteArray noise(sound.bytes().size(), Qt::Uninitialized);
    for (char &byte : noise)
        byte = char(random.generate());
    const QByteArray notes =
        QByteArray("Walls, floors and roofs of the houses, the keep and the boat, one a line.\n")
            .repeated(15000)
            .left(noise.size());
    for (const QString &at : {dir, dir + "/decoys"}) {
        if (!QDir().mkpath(at) || !writeAll(at + "/noise.bin", noise) ||
            !writeAll(at + "/control.bin", control.bytes()) || !writeAll(at + "/notes.txt", notes))
            return false;
    }
    return writeAll(dir + "/tiles.bin", sound.bytes());
}

} // namespace

class tst_Golden : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void golden_data();
    void golden();
    void everyExpectedFileHasARow();

private:
    bool makeClients();
    QString transcript(const QStringList &steps, const QString &out);
    // Absolute paths in the outputs as their placeholders; see transcript().
    QString normalised(QString text, const QString &out) const;

    CliFixture fixture;
    // The rows' directories, in one place on every machine whatever its
    // TMPDIR: a help wraps the path of the configuration under $OUT, so its
    // lines break where that path's length makes them.
    QTemporaryDir rowsDir{QStringLiteral("/tmp/tst_golden-XXXXXX")};
    QList<std::pair<QString, QString>> places; // placeholder, path: longest path first
    QList<Row> rows;
};

void tst_Golden::initTestCase()
{
    runAsThePrograms();
    QString error;
    QVERIFY2(fixture.setUp(&error), qPrintable(error));
    QVERIFY(rowsDir.isValid());
    QVERIFY(makeClients());
    rows = readTable(QStringLiteral(KORVANE_GOLDEN_DIR "/commands.txt"));
    QVERIFY(!rows.isEmpty());
}

// The fixtures, which rows only read: the demo set; an old and a new client;
// one that renumbers the old one's entries only; one where an old entry has
// two equal candidates; a cache of more than a page of gallery cards; .mlt
// files; an empty directory, a file that is not a .mlt file, tile data
// beside files that are not; tiny clients of solid tiles; and files a sound
// client never holds.
bool tst_Golden::makeClients()
{
    const QString work = fixture.work.path();
    const QString tiles = fixture.demoFiles.tiledata;
    const QList<QList<DemoComponent>> e = demoHouses() << demoKeep() << demoBoat();
    const QList<QList<DemoComponent>> old = e.mid(0, 7);

    // Entry 3 changed: a graphic replaced, one moved a cell, one removed, one added.
    QList<DemoComponent> changed = e[3];
    changed[0].graphicId = Gfx::Barrel;
    changed[1].x += 1;
    changed.removeLast();
    changed.append({Gfx::Tree, 9, 9, 0});
    // A graphic only entry 5 draws gets other art.
    QHash<int, QSet<int>> users; // of each graphic, the entries that draw it
    for (qsizetype n = 0; n < old.size(); ++n)
        for (const DemoComponent &c : old[n])
            users[c.graphicId].insert(int(n));
    int repainted = -1;
    for (auto it = users.cbegin(); it != users.cend(); ++it)
        if (*it == QSet<int>{5} && (repainted < 0 || it.key() < repainted))
            repainted = it.key();

    QList<QList<DemoComponent>> large(510);
    for (int n = 0; n < large.size(); n += 100)
        large[n] = {{Gfx::Tree, 0, 0, n / 100}};

    // Entry 3 changed where it stands and once more at the end: two equal candidates.
    QList<QList<DemoComponent>> twins = old;
    twins[3] = changed;
    twins.append(changed);
    const QList<DemoComponent> added{{Gfx::Fountain, 0, 0, 0}, {Gfx::Tree, 1, 1, 0}};
    places = {{"$DEMO", fixture.demoConfig},
              {"$DEMODIR", work + "/demo"},
              {"$BROKEN", work + "/broken/broken.mlt"},
              {"$WORK", work},
              {"$BIN", QCoreApplication::applicationDirPath()}};
    for (const char *dir :
         {"old", "new", "renum", "twins", "large", "mlt", "empty", "names", "tiny", "odd"})
        places.append({u'$' + QString::fromLatin1(dir).toUpper(), work + u'/' + dir});
    std::sort(places.begin(), places.end(),
              [](const auto &a, const auto &b) { return a.second.size() > b.second.size(); });
    return repainted >= 0 && writeClient(work + "/old", old, tiles) &&
           writeClient(work + "/new", {e[0], e[2], e[1], changed, added, e[5], e[6]}, tiles,
                       repainted) &&
           writeClient(work + "/renum", {e[1], e[0], e[2], e[3], e[4], e[5], e[6]}, tiles) &&
           writeClient(work + "/twins", twins, tiles) &&
           writeClient(work + "/large", large, tiles) && QDir().mkpath(work + "/mlt") &&
           writeMultiFiles(fixture.entries.mid(0, 4) << fixture.entries[fixture.keep],
                           work + "/mlt") &&
           QDir().mkpath(work + "/empty") && QDir().mkpath(work + "/broken") &&
           writeAll(work + "/broken/broken.mlt", "not a multi\n") &&
           writeTileNames(work + "/names") && writeTinyClients(work + "/tiny") &&
           writeOddFiles(work + "/odd");
}

void tst_Golden::golden_data()
{
    QTest::addColumn<QStringList>("steps");
    for (const Row &row : std::as_const(rows))
        QTest::newRow(qPrintable(row.name)) << row.steps;
}

void tst_Golden::golden()
{
    QFETCH(QStringList, steps);
    const QString name = QString::fromUtf8(QTest::currentDataTag());
    const QString out = rowsDir.filePath(QStringLiteral("rows/") + name);
    QVERIFY(QDir().mkpath(out));
    const QString text = transcript(steps, out);
    const QString expectedPath = QStringLiteral(KORVANE_GOLDEN_DIR "/expected/%1.txt").arg(name);
    if (qEnvironmentVariableIsSet("KORVANE_UPDATE_GOLDEN")) {
        QVERIFY(QDir().mkpath(QFileInfo(expectedPath).path()));
        QVERIFY(writeAll(expectedPath, text.toUtf8()));
        return;
    }
    const QString expected = QString::fromUtf8(readAll(expectedPath));
    if (text == expected)
        return;
    // What differs, as a unified diff of the expected file and what ran.
    const QString actualPath = rowsDir.filePath(QStringLiteral("rows/%1.txt").arg(name));
    QVERIFY(writeAll(actualPath, text.toUtf8()));
    QProcess diff;
    diff.start(QStringLiteral("diff"), {QStringLiteral("-u"), expectedPath, actualPath});
    diff.waitForFinished(-1);
    QFAIL(qPrintable(QStringLiteral("%1 differs (update: KORVANE_UPDATE_GOLDEN=1):\n%2")
                         .arg(expectedPath, QString::fromUtf8(diff.readAllStandardOutput()))));
}

// An expected file without its row is left over from a row renamed or
// removed: updating removes it.
void tst_Golden::everyExpectedFileHasARow()
{
    const QString dir = QStringLiteral(KORVANE_GOLDEN_DIR "/expected/");
    QStringList names;
    for (const Row &row : std::as_const(rows))
        names.append(row.name + QStringLiteral(".txt"));
    names.sort();
    for (const QString &name : namesIn(dir))
        if (!names.contains(name) && qEnvironmentVariableIsSet("KORVANE_UPDATE_GOLDEN"))
            QVERIFY(QFile::remove(dir + name));
    QCOMPARE(namesIn(dir), names);
}

// Each step as written, its status, standard output and standard error, then
// the files the row left in its directory.
QString tst_Golden::transcript(const QStringList &steps, const QString &out)
{
    QString text;
    for (const QString &step : steps) {
        QStringList words = wordsOf(step);
        for (QString &word : words) {
            word.replace(QLatin1String("$OUT"), out);
            for (const auto &[name, path] : std::as_const(places))
                word.replace(QRegularExpression(QRegularExpression::escape(name) + "\\b"), path);
        }
        const QString program = words.value(0);
        text += QStringLiteral("$ %1\n").arg(step);
        // "tty korvane-cli ...": standard output a terminal.
        const bool terminal = program == u"tty";
        if (terminal)
            words.removeFirst();
        if (words.value(0) == u"korvane-cli" || words.value(0) == u"korvane-thumbnailer") {
            QStringList arguments;
            for (const QString &word : words.mid(1))
                arguments.append(QString::fromUtf8(unescaped(word)));
            const CliRun run = runStep(words.value(0), arguments, out, terminal);
            text += run.status < 0 ? QStringLiteral("> crashed\n")
                                   : QStringLiteral("> status %1\n").arg(run.status);
            text += "> stdout" + normalised(shown(run.out), out);
            text += "> stderr" + normalised(shown(run.err), out);
        } else if (!setUp(words, out)) {
            text += QStringLiteral("> failed\n");
        }
    }
    return text + QStringLiteral("> files in $OUT\n") + normalised(filesIn(out), out);
}

// What differs from one machine or run to the next: the fixtures' and the
// row's absolute paths, and the version. Nothing else needs it.
QString tst_Golden::normalised(QString text, const QString &out) const
{
    text.replace(out, QLatin1String("$OUT"));
    for (const auto &[name, path] : places)
        text.replace(path, name);
    return text.replace(QLatin1String(KORVANE_VERSION), QLatin1String("$VERSION"));
}

QTEST_GUILESS_MAIN(tst_Golden)
#include "tst_golden.moc"
