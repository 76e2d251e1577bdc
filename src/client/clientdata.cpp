#include "clientdata.h"

#include "core/regularfile.h"
#include "core/wholenumber.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"

#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <new>

namespace {

// The decimal number N of "Entry N" or of a bare N; -1 when it is neither.
qsizetype entryNumber(QStringView argument)
{
    const QStringView prefix = u"Entry ";
    if (argument.startsWith(prefix))
        argument = argument.sliced(prefix.size());
    return wholeNumber(argument, 0, std::numeric_limits<qint64>::max()).value_or(-1);
}

QString unreadableMultiFile(const QString &path, const QString &why)
{
    return QStringLiteral("cannot read .mlt file %1: %2").arg(path, why);
}

} // namespace

const ClientFile ClientFiles[4] = {{"cache", "cache file", &Configuration::cache},
                                   {"artidx", "art index file", &Configuration::artidx},
                                   {"artmul", "art data file", &Configuration::artmul},
                                   {"tiledata", "tile data file", &Configuration::tiledata}};

QString ClientFile::notNamed(const QString &configPath) const
{
    return QStringLiteral("configuration %1 names no %2 (%3)")
        .arg(configPath, QLatin1String(what), QLatin1String(key));
}

QString ClientFile::tooLarge(const QString &path) const
{
    return notEnoughMemory(QLatin1String(what) + u' ' + shownPath(path), QFileInfo(path).size());
}

QString ClientFile::unreadable(const QString &path, const QString &why) const
{
    return QStringLiteral("cannot read %1 %2: %3").arg(QLatin1String(what), shownPath(path), why);
}

bool configurationToWrite(const QString &path)
{
    return !path.isEmpty() && path == userConfigurationPath() && !QFileInfo::exists(path);
}

QString cannotOpenConfiguration(const QString &path, const QString &why)
{
    if (path.isEmpty())
        return QStringLiteral("found no configuration, and %1; --config names one")
            .arg(userConfigurationProblem());
    return QStringLiteral("cannot open configuration %1: %2%3")
        .arg(path, why,
             configurationToWrite(path)
                 ? QStringLiteral("; 'korvane-cli config CLIENTDIR' writes it")
                 : QString());
}

QString cannotDrawWithoutConfiguration(const QString &what, const QString &path,
                                       const QString &error)
{
    if (configurationToWrite(path))
        return QStringLiteral("cannot draw %1 without the client's art and tile data, and no "
                              "configuration names them: 'korvane-cli config CLIENTDIR' writes "
                              "yours, %2")
            .arg(what, path);
    return QStringLiteral("cannot draw %1 without the client's art and tile data: %2")
        .arg(what, error);
}

ClientData::ClientData() = default;
ClientData::~ClientData() = default;

bool ClientData::readConfiguration(const QString &path)
{
    configuration = readConfigurationFile(path);
    if (!configuration.opened) {
        error = cannotOpenConfiguration(path, configuration.errorString);
        return false;
    }
    return true;
}

void ClientData::usePaths(const Configuration &paths, const QString &origin)
{
    configuration = ConfigurationFile{origin, true, {}, true, paths};
}

bool ClientData::loadEntries()
{
    const QString &path = configuration.values.cache;
    if (path.isEmpty()) {
        error = configuration.wellFormed
                    ? QStringLiteral("configuration %1 names no cache file").arg(configuration.path)
                    : QStringLiteral("configuration %1 is not XML").arg(configuration.path);
        return false;
    }
    try {
        if (!multiCache.load(path)) {
            error = ClientFiles[0].unreadable(path, multiCache.errorString());
            return false;
        }
    } catch (const std::bad_alloc &) {
        multiCache = MultiCache();
        error = ClientFiles[0].tooLarge(path);
        return false;
    }
    cacheLoaded = true;
    return true;
}

bool ClientData::openReaders()
{
    const Configuration &values = configuration.values;
    artStore = openArtStore();
    if (!artStore)
        return false;
    try {
        tileDataStore = std::make_unique<TileDataStore>(values.tiledata);
    } catch (const std::bad_alloc &) {
        error = ClientFiles[3].tooLarge(values.tiledata);
        return false;
    }
    // Both readers exist from here on, for the window, which draws what it
    // can; the first problem is what a command reports.
    const ClientFile *const files = ClientFiles + 1; // the three the preview draws from
    const QString why[] = {artStore->indexError(), artStore->dataError(),
                           tileDataStore->errorString()};
    for (int i = 0; i < 3; ++i) {
        if ((values.*files[i].path).isEmpty()) {
            error = files[i].notNamed(configuration.path);
            return false;
        }
    }
    for (int i = 0; i < 3; ++i) {
        if (!why[i].isEmpty()) {
            error = files[i].unreadable(values.*files[i].path, why[i]);
            return false;
        }
    }
    return true;
}

std::unique_ptr<ArtStore> ClientData::openArtStore()
{
    const Configuration &values = configuration.values;
    try {
        return std::make_unique<ArtStore>(values.artidx, values.artmul);
    } catch (const std::bad_alloc &) {
        error = ClientFiles[1].tooLarge(values.artidx);
        return nullptr;
    }
}

qsizetype ClientData::findEntry(const QString &argument)
{
    const qsizetype n = entryNumber(argument);
    if (n >= 0 && n < multiCache.size())
        return n;
    if (multiCache.isEmpty())
        error = QStringLiteral("no entry \"%1\": cache file %2 has no entries")
                    .arg(argument, cachePath());
    else
        error = QStringLiteral("no entry \"%1\" in cache file %2 (%3 to %4)")
                    .arg(argument, cachePath(), MultiCache::entryName(0),
                         MultiCache::entryName(multiCache.size() - 1));
    return -1;
}

bool ClientData::isEntryName(const QString &argument)
{
    return entryNumber(argument) >= 0;
}

bool ClientData::isMultiFile(const QString &argument)
{
    return argument.endsWith(QLatin1String(".mlt"), Qt::CaseInsensitive);
}

bool ClientData::entry(const QString &argument, MultiEntry *entry)
{
    if (isMultiFile(argument))
        return readMultiFileEntry(argument, entry);
    if (!cacheLoaded && !loadEntries())
        return false;
    const qsizetype n = findEntry(argument);
    if (n < 0)
        return false;
    *entry = multiCache.entry(n);
    return true;
}

bool ClientData::readMultiFileEntry(const QString &path, MultiEntry *entry)
{
    QString why;
    bool read = false;
    try {
        // A file named only ".mlt" is named by its whole name.
        const QFileInfo info(path);
        const QString name =
            info.completeBaseName().isEmpty() ? info.fileName() : info.completeBaseName();
        read = readMultiFile(path, name, entry, &why);
    } catch (const std::bad_alloc &) {
        error =
            notEnoughMemory(QStringLiteral(".mlt file ") + shownPath(path), QFileInfo(path).size());
        return false;
    }
    if (!read) {
        error = unreadableMultiFile(path, why);
        return false;
    }
    return true;
}

bool ClientData::readMultiFileSummary(const QString &path, MultiFileSummary *summary)
{
    QString why;
    if (!summarizeMultiFile(path, summary, &why)) {
        error = unreadableMultiFile(path, why);
        return false;
    }
    return true;
}
