#include "batchrun.h"
#include "commands.h"
#include "diffgallery.h"
#include "diffreport.h"
#include "diffside.h"
#include "pictureoptions.h"

#include "compare/multicomparison.h"
#include "core/shownname.h"

#include <QDir>

// korvane-cli diff OLD NEW: which entries differ between two versions of the
// multis, and how; with --gallery, their pictures side by side.
namespace {

CommandInfo diffInfo()
{
    CommandInfo info{
        QStringLiteral("diff"),
        QStringLiteral("diff OLD NEW"),
        QStringLiteral("tell which entries differ between two versions (clients or directories "
                       "of .mlt files)"),
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
        {{QStringLiteral("json"),
          QStringLiteral("Print a JSON array of objects instead, with the keys change, old and "
                         "new (null, or an object as list --json gives an entry), added, "
                         "removed, moved, replaced (null but for a changed entry) and "
                         "graphics.")},
         {QStringLiteral("gallery"),
          QStringLiteral("Also draw the old and new pictures of the entries that differ into "
                         "<dir>, with index.html showing them side by side."),
          QStringLiteral("dir")}},
        {{QStringLiteral("OLD"),
          QStringLiteral("The old version: korvane.xml, a client directory or a directory of "
                         ".mlt files."),
          {}},
         {QStringLiteral("NEW"), QStringLiteral("The new version, alike."), {}}},
        QStringLiteral("Draw the pictures of .mlt files with the art and tile data files <file> "
                       "names.")};
    info.options += pictureOptions();
    info.options += jobsOption();
    return info;
}

class DiffCommand : public Command
{
public:
    DiffCommand() : Command(diffInfo()) {}

    int run(const Invocation &call) override
    {
        if (const int status = parse(call); status != ExitSuccess)
            return status;
        if (const int status = readSides(call); status != ExitSuccess)
            return status;
        if (!prepareGallery(call))
            return ExitInput;
        const MultiComparison comparison = compare();
        const DiffReport report(call.output(), {&before->entries(), before->multiFiles()},
                                {&after->entries(), after->multiFiles()});
        if (!report.write(comparison.differences(), call.isSet(QStringLiteral("json"))))
            return ExitInput;
        const QString summary = DiffReport::summary(comparison);
        call.output().noteLine(summary);
        if (!gallery.isEmpty() && !draw(call, comparison, summary + u'.'))
            return ExitInput;
        return comparison.differences().isEmpty() ? ExitSuccess : ExitPartial;
    }

private:
    int parse(const Invocation &call)
    {
        const QStringList &positional = call.arguments();
        if (positional.size() != 2)
            return call.usage(
                QStringLiteral("diff takes two sides, OLD and NEW, not %1").arg(positional.size()));
        const QStringList galleries = call.values(QStringLiteral("gallery"));
        if (galleries.size() > 1)
            return call.usage(QStringLiteral("--gallery given %1 times").arg(galleries.size()));
        if (const QString problem = readPictureOptions(call, &style); !problem.isEmpty())
            return call.usage(problem);
        if (const QString problem = readJobs(call, &jobs); !problem.isEmpty())
            return call.usage(problem);
        for (const char *option : {"scale", "background", "trim", "jobs"}) {
            if (galleries.isEmpty() && call.isSet(QLatin1String(option)))
                return call.usage(
                    QStringLiteral("--%1 goes with --gallery").arg(QLatin1String(option)));
        }
        gallery = galleries.isEmpty() ? QString() : QDir::cleanPath(galleries.first());
        before = std::make_unique<DiffSide>("old", positional[0]);
        after = std::make_unique<DiffSide>("new", positional[1]);
        return ExitSuccess;
    }

    int readSides(const Invocation &call)
    {
        for (DiffSide *side : {before.get(), after.get()}) {
            if (!side->classify())
                return call.fail(ExitInput, side->errorString());
        }
        if (before->multiFiles() != after->multiFiles()) {
            const DiffSide &files = before->multiFiles() ? *before : *after;
            const DiffSide &client = before->multiFiles() ? *after : *before;
            return call.usage(QStringLiteral("%1 is a directory of .mlt files and %2 is not: "
                                             "compare two clients or two directories of .mlt "
                                             "files")
                                  .arg(shownPath(files.argument()), shownPath(client.argument())));
        }
        for (DiffSide *side : {before.get(), after.get()}) {
            if (!side->read())
                return call.fail(ExitInput, side->errorString());
        }
        return ExitSuccess;
    }

    // The gallery's directory and art before anything is reported: .mlt
    // files are drawn from the configuration's art, the same for both.
    bool prepareGallery(const Invocation &call)
    {
        if (gallery.isEmpty())
            return true;
        if (before->multiFiles() &&
            !(art.readConfiguration(call.configPath()) && art.openReaders())) {
            call.output().error(art.errorString());
            return false;
        }
        if (const QString why = BatchRun::prepareDirectory(gallery); !why.isEmpty()) {
            call.output().error(
                QStringLiteral("cannot write the gallery to %1: %2").arg(gallery, why));
            return false;
        }
        return true;
    }

    MultiComparison compare() const
    {
        if (before->multiFiles())
            return MultiComparison({before->entries()}, {after->entries()},
                                   MultiComparison::ByName);
        return MultiComparison(
            {before->entries(), before->client().art(), before->client().tiles()},
            {after->entries(), after->client().art(), after->client().tiles()},
            MultiComparison::ByComponents);
    }

    bool draw(const Invocation &call, const MultiComparison &comparison, const QString &summary)
    {
        ClientData &oldFiles = before->multiFiles() ? art : before->client();
        ClientData &newFiles = after->multiFiles() ? art : after->client();
        return writeDiffGallery(call.output(), gallery, comparison, {&before->entries(), &oldFiles},
                                {&after->entries(), &newFiles}, style, jobs, summary);
    }

    PictureStyle style;
    int jobs = 1;
    QString gallery;
    std::unique_ptr<DiffSide> before;
    std::unique_ptr<DiffSide> after;
    ClientData art; // for .mlt files
};

} // namespace

std::unique_ptr<Command> makeDiffCommand()
{
    return std::make_unique<DiffCommand>();
}
