#include "diffside.h"

#include "client/clientfilefinder.h"
#include "core/shownname.h"
#include "export/multifiledirectory.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <sys/stat.h>

namespace {

bool identityOf(const QString &path, std::pair<quint64, quint64> *identity)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    *identity = {quint64(status.st_dev), quint64(status.st_ino)};
    return true;
}

// "Entry 3" for "Entry 3.mlt" (the ending in any case); a name that is only
// the ending stays whole.
QString exportName(const QString &fileName)
{
    return fileName.size() > 4 ? fileName.chopped(4) : fileName;
}

} // namespace

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
    QList<DirectoryMultiFile> listed;
    if (!listDirectoryMultiFiles(given, &listed, &why))
        return fail(QStringLiteral("cannot read the directory: %1").arg(why));
    fromFiles = !listed.isEmpty();
    return true;
}

bool DiffSide::read(const std::function<void(const QString &)> &skippedFile)
{
    if (fromFiles)
        return readMultiFiles(skippedFile);
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

// Each .mlt file an entry under its file name: two whose names differ only
// in case are two entries.
bool DiffSide::readMultiFiles(const std::function<void(const QString &)> &skippedFile)
{
    const auto skip = [&](const QString &message) {
        skippedFile(message);
        ++skipped;
    };
    forEachMultiFile(
        {given},
        [&](const QString &file) {
            MultiEntry entry;
            Identity identity;
            if (!data.readMultiFileEntry(file, &entry) || !identityOf(file, &identity)) {
                skip(data.errorString());
                return true;
            }
            entry.text = QFileInfo(file).fileName();
            found.append(entry);
            files.insert(identity);
            return true;
        },
        skip);
    QHash<QString, qsizetype> named; // how many files have each name
    for (const MultiEntry &entry : std::as_const(found))
        pairingNames.append(exportName(entry.text));
    for (const QString &name : std::as_const(pairingNames))
        ++named[name];
    for (qsizetype n = 0; n < found.size(); ++n) {
        if (named.value(pairingNames[n]) > 1)
            pairingNames[n] = found[n].text;
    }
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

QString DiffSide::sameFilesAs(const DiffSide &other) const
{
    if (fromFiles != other.fromFiles)
        return {};
    if (fromFiles)
        return !files.isEmpty() && files == other.files ? given : QString();
    Identity mine;
    Identity theirs;
    const QString cache = data.cachePath();
    return identityOf(cache, &mine) && identityOf(other.data.cachePath(), &theirs) && mine == theirs
               ? cache
               : QString();
}
