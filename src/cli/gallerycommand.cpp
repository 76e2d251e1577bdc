#include "batchrun.h"
#include "client/clientdata.h"
#include "commands.h"
#include "export/multifiledirectory.h"
#include "gallerybatch.h"
#include "pictureoptions.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

// Most components of all the .mlt files a gallery reads, each held whole
// until it is drawn: 96 MiB of records, several times all the entries of
// a large client. A folder of huge files stops here, not short of memory.
constexpr qint64 MaxFileComponents = qint64(1) << 23;

CommandInfo galleryInfo()
{
    CommandInfo info{
        QStringLiteral("gallery"),
        QStringLiteral("gallery DIR [ENTRY...]"),
        QStringLiteral("write a PNG picture of each entry (all when none is named) into DIR, and "
                       "DIR/index.html showing them all"),
        QStringLiteral("Draws the preview of each entry as DIR/<entry name>.png (a .mlt file: "
                       "its base name) and writes DIR/index.html, a page that shows them "
                       "as a contact sheet and needs nothing but DIR (past 500 entries, the "
                       "first 500, linking to page-2.html and on). Entries without a "
                       "picture are listed there with the reason. DIR is made when it does not "
                       "exist. An ENTRY is a name (\"Entry 12\"), a number (12), a .mlt file "
                       "or a directory of them (its .mlt files in name order, not its "
                       "subdirectories); without any, every entry of the cache is drawn. A "
                       ".mlt file that cannot be read is named and left out."),
        {successLine(),
         {ExitPartial, QStringLiteral("partial failure: some pictures or the page were not "
                                      "written, or some .mlt files not read")},
         usageLine(),
         inputLine(QStringLiteral("configuration, client file, entry, .mlt file or directory"))},
        pictureOptions(),
        {{QStringLiteral("DIR"), QStringLiteral("The directory to write into."), {}},
         {QStringLiteral("ENTRY"),
          QStringLiteral("An entry, .mlt file or directory of them to draw (default: every "
                         "entry)."),
          QStringLiteral("[ENTRY...]")}},
        {}};
    info.options += jobsOption();
    info.options.append({QStringLiteral("force"),
                         QStringLiteral("Draw every picture again, even those DIR holds as they "
                                        "would be drawn.")});
    return info;
}

class GalleryCommand : public Command
{
public:
    GalleryCommand() : Command(galleryInfo()) {}

    int run(const Invocation &call) override
    {
        if (const int status = parse(call); status != ExitSuccess)
            return status;
        if (!readConfiguration(call) || !chooseItems(call))
            return ExitInput;
        // Nothing to draw of all that was named: nothing is written.
        if (items.isEmpty() && unread > 0)
            return ExitInput;
        if (!client.openReaders())
            return call.fail(ExitInput, client.errorString());

        GalleryJob job(style, jobs);
        job.addSide(client, items);
        GalleryBatch batch(call.output(), directory);
        if (!batch.open(job, call.isSet(QStringLiteral("force"))))
            return ExitInput;
        bool complete = batch.draw(job);
        // The page comes last, naming only the pictures there are.
        if (batch.drawn()) {
            GalleryPages pages{QStringLiteral("Korvane Extractor gallery"),
                               gallerySummary(job.results()),
                               {},
                               false};
            for (const GalleryResult &result : job.results())
                pages.cards.push_back(galleryCard(result));
            complete = batch.writePages(job, pages, !names.isEmpty()) && complete;
        } else {
            complete = false;
        }
        call.output().printLine(batch.summary(job));
        if (!call.output().flush(QStringLiteral("the summary")))
            return ExitInput;
        return complete && unread == 0 ? ExitSuccess : ExitPartial;
    }

private:
    int parse(const Invocation &call)
    {
        names = call.arguments();
        if (names.isEmpty())
            return call.usage(QStringLiteral("gallery needs a directory DIR"));
        directory = QDir::cleanPath(names.takeFirst());
        if (const QString problem = readPictureOptions(call, &style); !problem.isEmpty())
            return call.usage(problem);
        if (const QString problem = readJobs(call, &jobs); !problem.isEmpty())
            return call.usage(problem);
        return ExitSuccess;
    }

    bool readConfiguration(const Invocation &call)
    {
        if (client.readConfiguration(call.configPath()))
            return true;
        // Files and directories alone need no cache, but their pictures need
        // the client's art.
        const bool filesOnly =
            !names.isEmpty() && std::all_of(names.cbegin(), names.cend(), [](const QString &name) {
                return !ClientData::isEntryName(name) &&
                       (ClientData::isMultiFile(name) || isDirectoryPath(name));
            });
        call.output().error(
            filesOnly ? cannotDrawWithoutConfiguration(QStringLiteral("the .mlt files"),
                                                       call.configPath(), client.errorString())
                      : client.errorString());
        return false;
    }

    // Every entry is found, and every .mlt file read, before anything is
    // written. An entry named twice is drawn once; two that would write the
    // same picture are refused.
    bool chooseItems(const Invocation &call)
    {
        const CommandOutput &output = call.output();
        const auto takeEntry = [&](qsizetype n, const QString &name) {
            const QString text = MultiCache::entryName(n);
            if (!claimPicture(output, text, name))
                return false;
            items.append({n, {}, text});
            return true;
        };
        // A name of an entry's form ("12") is an entry, even where a
        // directory of that name is at hand.
        const auto takeFile = [&](const QString &name, bool *ok) {
            if (ClientData::isEntryName(name) ||
                !(isDirectoryPath(name) || ClientData::isMultiFile(name)))
                return false;
            *ok = forEachMultiFile(
                {name}, [&](const QString &file) { return takeMultiFile(output, file); },
                [&](const QString &message) { notRead(output, message); });
            return true;
        };
        return BatchRun::chooseEntries(output, client, names, takeEntry, takeFile);
    }

    // Claims the picture of `entryText` for the argument `name`; false,
    // having said so, when another argument has it.
    bool claimPicture(const CommandOutput &output, const QString &entryText, const QString &name)
    {
        if (name.isEmpty())
            return true; // every entry of the cache: their names differ
        const QString picture = GalleryRun::pictureName(entryText);
        if (const auto other = pictureOf.constFind(picture); other != pictureOf.constEnd()) {
            output.error(
                QStringLiteral("%1 and %2 would both be drawn as %3").arg(*other, name, picture));
            return false;
        }
        pictureOf.insert(picture, name);
        return true;
    }

    // A .mlt file that cannot be read is named and left out; the others are
    // drawn.
    void notRead(const CommandOutput &output, const QString &message)
    {
        output.error(message);
        ++unread;
    }

    bool takeMultiFile(const CommandOutput &output, const QString &name)
    {
        GalleryItem item;
        if (!client.readMultiFileEntry(name, &item.entry)) {
            notRead(output, client.errorString());
            return true;
        }
        item.shown = name;
        const QString key = QFileInfo(name).absoluteFilePath();
        if (files.contains(key))
            return true;
        files.insert(key);
        fileComponents += item.entry.components.size();
        if (fileComponents > MaxFileComponents) {
            output.error(QStringLiteral("the .mlt files given hold more than the %1 components a "
                                        "gallery reads: %2 is past them")
                             .arg(MaxFileComponents)
                             .arg(name));
            return false;
        }
        items.append(item);
        return claimPicture(output, item.entry.text, name);
    }

    QStringList names;
    QString directory;
    PictureStyle style;
    int jobs = 1;
    ClientData client;
    QList<GalleryItem> items;
    QSet<QString> files;               // .mlt files already taken
    QHash<QString, QString> pictureOf; // picture name -> the argument drawing it
    qsizetype unread = 0;
    qint64 fileComponents = 0;
};

} // namespace

std::unique_ptr<Command> makeGalleryCommand()
{
    return std::make_unique<GalleryCommand>();
}
