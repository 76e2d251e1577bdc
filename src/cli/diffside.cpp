#include "diffside.h"

#include "client/clientfilefinder.h"
#include "core/shownname.h"
#include "export/multifiledirectory.h"

#include <QFileInfo>

bool DiffSide::fail(const QString &why)
{
    error = QStringLiteral("%1 side %2: %3").arg(QLatin1String(which), shownPath(given), why);
    return false;
}

bool DiffSide::classify()
{
    const QFileInfo info(given);
    if (!info.exists())
        return fail(QStringLiteral("no such file or directory"));
    if (!info.isDir())
        return true; // a configuration
    QString why;
    QList<DirectoryMultiFile> found;
    if (!listDirectoryMultiFiles(given, &found, &why))
        return fail(QStringLiteral("cannot read the directory: %1").arg(why));
    for (const DirectoryMultiFile &file : std::as_const(found)) {
        if (!file.problem.isEmpty())
            return fail(file.problem);
    }
    fromFiles = !found.isEmpty();
    return true;
}

bool DiffSide::read()
{
    if (fromFiles) {
        bool ok = true;
        forEachMultiFile(
            {given},
            [&](const QString &file) {
                MultiEntry entry;
                if (!(ok = data.readMultiFileEntry(file, &entry)))
                    return fail(data.errorString());
                found.append(entry);
                return true;
            },
            [&](const QString &message) { ok = fail(message); });
        return ok;
    }
    if (QFileInfo(given).isDir()) {
        if (!readClientDirectory())
            return false;
    } else if (!data.readConfiguration(given)) {
        return fail(data.errorString());
    }
    if (!data.loadEntries() || !data.openReaders())
        return fail(data.errorString());
    found = data.cache().entries();
    return true;
}

// The client files of a directory, found by their content.
bool DiffSide::readClientDirectory()
{
    ClientFileFinder finder(given, Configuration());
    QString why;
    if (!finder.find(&why))
        return fail(QStringLiteral("cannot look for the client files: %1").arg(why));
    for (int i = 0; i < 4; ++i) {
        const ClientFileFinder::Finding &finding = finder.finding(i);
        if (finding.path.isEmpty())
            return fail(QStringLiteral("found no %1: %2")
                            .arg(QLatin1String(ClientFiles[i].what), finding.why));
    }
    data.usePaths(finder.paths(), given);
    return true;
}
