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
            "Tells which entries differ between two versions of the multis, OLD and NEW, each "
            "a client (a korvane.xml, or a client directory whose files are found by their "
            "content, as config finds them) or a directory of .mlt files (each file an entry "
            "under its name), so that an export kept from before an update compares with the "
            "client after it. Prints a header line and a line per entry that differs: change "
            "(added, removed, renumbered, changed, picture-changed), old and new entry, their "
            "component counts, for a changed entry its components added, removed, moved and "
            "replaced (the same place, another graphic), the bounds before and after, and for a "
            "picture-changed entry the graphics whose art or tile data differ; TAB-separated, "
            "in aligned columns on a terminal. Renumbered entries are listed only with "
            "--renumbered. The summary goes to standard error. Entries pair by their "
            "components wherever they stand, then changed ones with the one they share the most "
            "with (at least half); among equals, names and then order decide. A .mlt file that "
            "cannot be read is named and left out. --gallery DIR draws the old and new pictures "
            "of those that changed side by side into DIR."),
        {{ExitSuccess, QStringLiteral("no entry differs")},
         {ExitPartial, QStringLiteral("some entries differ")},
         usageLine(),
         inputLine(QStringLiteral("side, configuration, client file, gallery directory or "
                                  "output, or a .mlt file of a side (told after the report)"))},
        {{QStringLiteral("components"),
          QStringLiteral("Add a column of the components each changed entry added, removed, moved "
                         "and replaced: the graphic, its tile name, where it stood and where it "
                         "stands (--json always gives them); on the cards of --gallery, the first "
                         "few.")},
         {QStringLiteral("renumbered"),
          QStringLiteral("List the renumbered entries too (the summary always counts them).")},
         {QStringLiteral("json"),
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
    info.options.append({QStringLiteral("no-trim"),
                         QStringLiteral("With --gallery, keep the pictures' transparent margin, as "
                                        "gallery frames them (by default they end at their "
                                        "painted pixels, so that a change is seen at card "
                                        "size).")});
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
        if (!readSides(call) || !prepareGallery(call))
            return ExitInput;
        const DiffReport::Form form{call.isSet(QStringLiteral("json")),
                                    call.isSet(QStringLiteral("renumbered")),
                                    call.isSet(QStringLiteral("components"))};
        const MultiComparison comparison =
            compare(form.json || form.components || !gallery.isEmpty());
        const DiffReport report(call.output(), reportSide(*before), reportSide(*after));
        if (!report.write(comparison.differences(), form))
            return ExitInput;
        const QString summary = DiffReport::summary(comparison);
        call.output().noteLine(summary);
        if (!gallery.isEmpty() && !draw(call, comparison, summary + u'.'))
            return ExitInput;
        // A .mlt file that could not be read is trouble, told after the rest.
        if (before->skippedFiles() + after->skippedFiles() > 0)
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
        if (call.isSet(QStringLiteral("trim")) && call.isSet(QStringLiteral("no-trim")))
            return call.usage(QStringLiteral("--trim and --no-trim contradict each other"));
        style.setTrim(!call.isSet(QStringLiteral("no-trim")));
        for (const char *option : {"scale", "background", "trim", "no-trim", "jobs"}) {
            if (galleries.isEmpty() && call.isSet(QLatin1String(option)))
                return call.usage(
                    QStringLiteral("--%1 goes with --gallery").arg(QLatin1String(option)));
        }
        gallery = galleries.isEmpty() ? QString() : QDir::cleanPath(galleries.first());
        before = std::make_unique<DiffSide>("old", positional[0]);
        after = std::make_unique<DiffSide>("new", positional[1]);
        return ExitSuccess;
    }

    bool readSides(const Invocation &call)
    {
        const CommandOutput &output = call.output();
        for (DiffSide *side : {before.get(), after.get()}) {
            if (!side->classify() ||
                !side->read([&](const QString &line) { output.error(line); })) {
                output.error(side->errorString());
                return false;
            }
        }
        if (const QString same = before->sameFilesAs(*after); !same.isEmpty())
            output.error(QStringLiteral("warning: both sides read the same %1 %2")
                             .arg(before->multiFiles() ? QStringLiteral(".mlt files, in")
                                                       : QStringLiteral("cache file"),
                                  shownPath(same)));
        return true;
    }

    // The gallery's directory and art before anything is reported: .mlt
    // files are drawn from the configuration's art, the same for both, and
    // their graphics named by its tile data (when there is one, without a
    // gallery).
    bool prepareGallery(const Invocation &call)
    {
        const bool files = before->multiFiles() || after->multiFiles();
        const bool readers = files && art.readConfiguration(call.configPath()) && art.openReaders();
        if (gallery.isEmpty())
            return true;
        if (files && !readers) {
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

    // Pictures are compared where both sides have their own art; .mlt files
    // are known by their names too.
    MultiComparison compare(bool listComponents) const
    {
        const bool pictures = !before->multiFiles() && !after->multiFiles();
        const auto side = [pictures](DiffSide &side) {
            MultiComparison::Side made{side.entries()};
            if (pictures)
                made = {side.entries(), side.client().art(), side.client().tiles()};
            made.named = side.multiFiles();
            made.names = side.names();
            return made;
        };
        return MultiComparison(side(*before), side(*after),
                               listComponents ? MultiComparison::ListComponents
                                              : MultiComparison::CountComponents);
    }

    DiffReport::Side reportSide(DiffSide &side) const
    {
        const TileDataStore *tiles = side.multiFiles() ? art.tiles() : side.client().tiles();
        return {&side.entries(), side.multiFiles(), tiles};
    }

    bool draw(const Invocation &call, const MultiComparison &comparison, const QString &summary)
    {
        ClientData &oldFiles = before->multiFiles() ? art : before->client();
        ClientData &newFiles = after->multiFiles() ? art : after->client();
        return writeDiffGallery(call.output(), gallery, comparison, {&before->entries(), &oldFiles},
                                {&after->entries(), &newFiles},
                                {style, jobs, summary, call.isSet(QStringLiteral("components"))});
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
