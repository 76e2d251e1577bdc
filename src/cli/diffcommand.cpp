#include "batchrun.h"
#include "client/clientdata.h"
#include "client/clientfilefinder.h"
#include "clioptions.h"
#include "commands.h"
#include "diffgallery.h"
#include "pictureoptions.h"

#include "compare/multicomparison.h"
#include "core/shownname.h"
#include "export/multifiledirectory.h"
#include "gallery/galleryrun.h"
#include "gallery/picturestyle.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>

#include <algorithm>
#include <cstdio>

// korvane-cli diff OLD NEW: which entries differ between two versions of the
// multis, and how; with --gallery, their pictures side by side.
namespace {

constexpr int MaxJobs = 256;

const char *const KindWords[MultiDifference::Kinds] = {"added", "removed", "renumbered", "changed",
                                                       "picture-changed"};

// One side of the comparison: a client (a configuration, or a directory
// whose client files are found by their content) or a directory of .mlt
// files.
struct Side
{
    Side(const char *which, const QString &argument) : which(which), argument(argument) {}

    const char *which; // "old", "new"
    QString argument;
    bool multiFiles = false;
    QStringList files;
    ClientData client;
    QList<MultiEntry> entries;
    QString error; // why it cannot be read, naming the side

    bool fail(const QString &why)
    {
        error =
            QStringLiteral("%1 side %2: %3").arg(QLatin1String(which), shownPath(argument), why);
        return false;
    }

    // What the argument names; false when it names nothing readable.
    bool classify()
    {
        const QFileInfo info(argument);
        if (!info.exists())
            return fail(QStringLiteral("no such file or directory"));
        if (!info.isDir())
            return true; // a configuration
        QString why;
        QList<DirectoryMultiFile> found;
        if (!listDirectoryMultiFiles(argument, &found, &why))
            return fail(QStringLiteral("cannot read the directory: %1").arg(why));
        for (const DirectoryMultiFile &file : std::as_const(found)) {
            if (!file.problem.isEmpty())
                return fail(file.problem);
            files.append(file.path);
        }
        multiFiles = !files.isEmpty();
        return true;
    }

    bool read()
    {
        if (multiFiles) {
            entries.reserve(files.size());
            for (const QString &file : std::as_const(files)) {
                MultiEntry entry;
                if (!client.readMultiFileEntry(file, &entry))
                    return fail(client.errorMessage());
                entries.append(entry);
            }
            return true;
        }
        if (QFileInfo(argument).isDir()) {
            ClientFileFinder finder(argument, Configuration());
            QString why;
            if (!finder.find(&why))
                return fail(QStringLiteral("cannot look for the client files: %1").arg(why));
            for (int i = 0; i < 4; ++i) {
                const ClientFileFinder::Finding &finding = finder.finding(i);
                if (finding.path.isEmpty())
                    return fail(QStringLiteral("found no %1: %2")
                                    .arg(QLatin1String(ClientFiles[i].what), finding.why));
            }
            client.usePaths(finder.paths(), argument);
        } else if (!client.readConfiguration(argument)) {
            return fail(client.errorMessage());
        }
        if (!client.loadEntries() || !client.openReaders())
            return fail(client.errorMessage());
        entries = client.cache().entries();
        return true;
    }
};

// Writes the report to standard output: a header line and a line per
// difference, TAB-separated, or a JSON array of objects with the same facts.
class ReportWriter
{
public:
    ReportWriter(bool json, const Side &before, const Side &after)
        : json(json), before(before), after(after)
    {}

    void write(const QList<MultiDifference> &differences)
    {
        if (!json)
            std::fputs("change\told\tnew\told components\tnew components\tadded\tremoved\tmoved"
                       "\treplaced\told bounds\tnew bounds\tgraphics\n",
                       stdout);
        qsizetype rows = 0;
        for (const MultiDifference &d : differences) {
            const MultiEntry *was = d.oldEntry >= 0 ? &before.entries[d.oldEntry] : nullptr;
            const MultiEntry *is = d.newEntry >= 0 ? &after.entries[d.newEntry] : nullptr;
            const bool changed = d.kind == MultiDifference::Changed;
            const qsizetype counts[] = {d.added, d.removed, d.moved, d.replaced};
            QStringList graphics;
            for (quint16 graphic : d.graphics)
                graphics << QString::number(graphic);
            QByteArray line;
            if (json) {
                line += rows++ ? ",\n    {\n" : "[\n    {\n";
                line += QByteArray("        \"change\": \"") + KindWords[d.kind] + "\",\n";
                line += "        \"old\": " + entryObject(was, d.oldEntry, before) + ",\n";
                line += "        \"new\": " + entryObject(is, d.newEntry, after);
                static const char *const keys[] = {"added", "removed", "moved", "replaced"};
                for (int k = 0; k < 4; ++k) {
                    line += QByteArray(",\n        \"") + keys[k] + "\": ";
                    line += changed ? QByteArray::number(counts[k]) : QByteArray("null");
                }
                line += ",\n        \"graphics\": [" +
                        graphics.join(QStringLiteral(", ")).toUtf8() + "]\n    }";
            } else {
                QStringList columns{QLatin1String(KindWords[d.kind]), name(was), name(is),
                                    count(was), count(is)};
                for (qsizetype value : counts)
                    columns << (changed ? QString::number(value) : QString());
                columns << bounds(was) << bounds(is) << graphics.join(u' ');
                line = columns.join(u'\t').toUtf8() + '\n';
            }
            std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        }
        if (json)
            std::fputs(rows ? "\n]\n" : "[\n]\n", stdout);
    }

private:
    // A name as a column holds it: a TAB or line break in it would make
    // another column or line.
    static QString name(const MultiEntry *entry)
    {
        return entry ? escapeControls(entry->text) : QString();
    }
    static QString count(const MultiEntry *entry)
    {
        return entry ? QString::number(entry->components.size()) : QString();
    }
    static QString bounds(const MultiEntry *entry)
    {
        if (!entry || entry->components.isEmpty())
            return {};
        const QRect &b = entry->bounds;
        return QStringLiteral("%1 %2 %3 %4")
            .arg(b.left())
            .arg(b.top())
            .arg(b.right())
            .arg(b.bottom());
    }

    static QByteArray jsonString(const QString &text)
    {
        const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
        return array.mid(1, array.size() - 2);
    }

    // The entry's number (null for a .mlt file), name, components and bounds
    // (null without components), as list --json gives them.
    QByteArray entryObject(const MultiEntry *entry, qsizetype number, const Side &side) const
    {
        if (!entry)
            return "null";
        const bool bounded = !entry->components.isEmpty();
        const QRect &b = entry->bounds;
        const int values[] = {b.left(), b.top(), b.right(), b.bottom()};
        static const char *const keys[] = {"x1", "y1", "x2", "y2"};
        QByteArray object = "{\"number\": ";
        object += side.multiFiles ? QByteArray("null") : QByteArray::number(number);
        object += ", \"name\": " + jsonString(entry->text);
        object += ", \"components\": " + QByteArray::number(entry->components.size());
        for (int k = 0; k < 4; ++k)
            object += QByteArray(", \"") + keys[k] +
                      "\": " + (bounded ? QByteArray::number(values[k]) : QByteArray("null"));
        return object + '}';
    }

    bool json;
    const Side &before;
    const Side &after;
};

// "2 added, 1 removed, 0 renumbered, 1 changed, 0 picture changed; 95 unchanged"
QString summaryLine(const MultiComparison &comparison)
{
    return QStringLiteral("%1 added, %2 removed, %3 renumbered, %4 changed, %5 picture changed; "
                          "%6 unchanged")
        .arg(comparison.count(MultiDifference::Added))
        .arg(comparison.count(MultiDifference::Removed))
        .arg(comparison.count(MultiDifference::Renumbered))
        .arg(comparison.count(MultiDifference::Changed))
        .arg(comparison.count(MultiDifference::PictureChanged))
        .arg(comparison.unchanged());
}

} // namespace

int runDiff(const QStringList &arguments)
{
    CommandLine commandLine(
        QStringLiteral("diff"),
        QStringLiteral(
            "Tells which entries differ between two versions of the multis, OLD and NEW: both "
            "clients (a korvane.xml, or a client directory whose files are found by their "
            "content, as config finds them) or both directories of .mlt files. Prints a header "
            "line and a line per entry that differs: change (added, removed, renumbered, "
            "changed, picture-changed), old and new entry, their component counts, for a "
            "changed entry its components added, removed, moved and replaced (the same place, "
            "another graphic), the bounds before and after, and for a picture-changed entry "
            "the graphics whose art or tile data differ; TAB-separated. The summary goes to "
            "standard error. Entries pair by their components wherever they stand, then "
            "changed ones with the one they share the most with (at least half); .mlt files "
            "pair by name. --gallery DIR draws the old and new pictures of those that changed "
            "side by side into DIR."),
        {{ExitSuccess, QStringLiteral("no entry differs")},
         {ExitPartial, QStringLiteral("some entries differ")},
         usageLine(),
         inputLine(QStringLiteral("side, configuration, client file, .mlt file, gallery "
                                  "directory or output"))},
        QStringLiteral("Draw the pictures of .mlt files with the art and tile data files <file> "
                       "names."));
    QCommandLineParser &parser = commandLine.parser();
    parser.addPositionalArgument(QStringLiteral("OLD"),
                                 QStringLiteral("The old version: korvane.xml, a client "
                                                "directory or a directory of .mlt files."));
    parser.addPositionalArgument(QStringLiteral("NEW"), QStringLiteral("The new version, alike."));
    const QCommandLineOption jsonOption(
        QStringLiteral("json"),
        QStringLiteral("Print a JSON array of objects instead, with the keys change, old and "
                       "new (null, or an object as list --json gives an entry), added, removed, "
                       "moved, replaced (null but for a changed entry) and graphics."));
    const QCommandLineOption galleryOption(
        QStringLiteral("gallery"),
        QStringLiteral("Also draw the old and new pictures of the entries that differ into "
                       "<dir>, with index.html showing them side by side."),
        QStringLiteral("dir"));
    parser.addOption(jsonOption);
    parser.addOption(galleryOption);
    addPictureOptions(parser);
    const int idealJobs = qBound(1, QThread::idealThreadCount(), MaxJobs);
    const QCommandLineOption jobsOption(
        QStringLiteral("jobs"),
        QStringLiteral("With --gallery, draw <n> pictures at a time (1 to %1; default: %2).")
            .arg(MaxJobs)
            .arg(idealJobs),
        QStringLiteral("n"));
    parser.addOption(jobsOption);
    if (const auto outcome = commandLine.parse(arguments); outcome != CommandLine::Run)
        return outcome == CommandLine::Finished ? ExitSuccess : ExitUsage;

    const QStringList positional = commandLine.arguments();
    if (positional.size() != 2)
        return usageError(
            QStringLiteral("diff takes two sides, OLD and NEW, not %1").arg(positional.size()));
    const QStringList galleries = parser.values(galleryOption);
    if (galleries.size() > 1)
        return usageError(QStringLiteral("--gallery given %1 times").arg(galleries.size()));
    PictureStyle style;
    if (const QString problem = readPictureOptions(parser, &style); !problem.isEmpty())
        return usageError(problem);
    int jobs = idealJobs;
    const QStringList jobValues = parser.values(jobsOption);
    if (const QString problem = readJobs(jobValues, MaxJobs, &jobs); !problem.isEmpty())
        return usageError(problem);
    for (const char *option : {"scale", "background", "trim", "jobs"}) {
        if (galleries.isEmpty() && parser.isSet(QLatin1String(option)))
            return usageError(
                QStringLiteral("--%1 goes with --gallery").arg(QLatin1String(option)));
    }

    Side before("old", positional[0]);
    Side after("new", positional[1]);
    for (Side *side : {&before, &after}) {
        if (!side->classify()) {
            printError(side->error);
            return ExitInput;
        }
    }
    if (before.multiFiles != after.multiFiles) {
        const Side &files = before.multiFiles ? before : after;
        const Side &client = before.multiFiles ? after : before;
        return usageError(QStringLiteral("%1 is a directory of .mlt files and %2 is not: compare "
                                         "two clients or two directories of .mlt files")
                              .arg(shownPath(files.argument), shownPath(client.argument)));
    }
    for (Side *side : {&before, &after}) {
        if (!side->read()) {
            printError(side->error);
            return ExitInput;
        }
    }
    // .mlt files are drawn from the configuration's art, the same for both.
    ClientData art;
    const bool multiFiles = before.multiFiles;
    if (multiFiles && !galleries.isEmpty() &&
        !(art.readConfiguration(commandLine.configPath()) && art.openReaders())) {
        printError(art.errorMessage());
        return ExitInput;
    }

    // The gallery's directory before anything is reported.
    const QString gallery = galleries.isEmpty() ? QString() : QDir::cleanPath(galleries.first());
    if (!gallery.isEmpty()) {
        if (const QString why = BatchRun::prepareDirectory(gallery); !why.isEmpty()) {
            printError(QStringLiteral("cannot write the gallery to %1: %2").arg(gallery, why));
            return ExitInput;
        }
    }

    MultiComparison::Side oldSide{before.entries};
    MultiComparison::Side newSide{after.entries};
    if (!multiFiles) {
        oldSide = {before.entries, before.client.art(), before.client.tiles()};
        newSide = {after.entries, after.client.art(), after.client.tiles()};
    }
    const MultiComparison comparison(
        oldSide, newSide, multiFiles ? MultiComparison::ByName : MultiComparison::ByComponents);
    oldSide = {};
    newSide = {};

    ReportWriter(parser.isSet(jsonOption), before, after).write(comparison.differences());
    if (!flushStandardOutput(QStringLiteral("the report")))
        return ExitInput;
    const QString summary = summaryLine(comparison);
    std::fprintf(stderr, "%s\n", qPrintable(summary));

    bool drawn = true;
    if (!galleries.isEmpty()) {
        const ClientData &oldFiles = multiFiles ? art : before.client;
        const ClientData &newFiles = multiFiles ? art : after.client;
        drawn = writeDiffGallery(
            gallery, comparison, {&before.entries, oldFiles.paths(), oldFiles.tiles()},
            {&after.entries, newFiles.paths(), newFiles.tiles()}, style, jobs, summary + u'.');
    }
    if (!drawn)
        return ExitInput;
    return comparison.differences().isEmpty() ? ExitSuccess : ExitPartial;
}
