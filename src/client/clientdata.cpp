#include "clientdata.h"

#include "core/regularfile.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"

#include <QFileInfo>

#include <algorithm>
#include <new>

namespace {

// The decimal number N of "Entry N" or of a bare N; -1 when it is neither.
qsizetype entryNumber(QStringView argument)
{
    const QStringView prefix = u"Entry ";
    if (argument.startsWith(prefix))
        argument = argument.sliced(prefix.size());
    if (argument.isEmpty() || argument.size() > 18)
        return -1;
    for (QChar c : argument) {
        if (c < u'0' || c > u'9')
            return -1;
    }
    return argument.toLongLong();
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
    return path == userConfigurationPath() && !QFileInfo::exists(path);
}

QString cannotOpenConfiguration(const QString &path, const QString &why)
{
    return QStringLiteral("cannot open configuration %1: %2%3")
        .arg(path, why,
             configurationToWrite(path)
                 ? QStringLiteral("; 'korvane-cli config CLIENTDIR' writes it")
                 : QString());
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
    const ClientFile *const files = ClientFiles + 1; // the three the preview draws from
    for (int i = 0; i < 3; ++i) {
        if ((values.*files[i].path).isEmpty()) {
            error = files[i].notNamed(configuration.path);
            return false;
        }
    }

    try {
        artStore = std::make_unique<ArtStore>(values.artidx, values.artmul);
    } catch (const std::bad_alloc &) {
        error = files[0].tooLarge(values.artidx);
        return false;
    }
    try {
        tileDataStore = std::make_unique<TileDataStore>(values.tiledata);
    } catch (const std::bad_alloc &) {
        error = files[2].tooLarge(values.tiledata);
        return false;
    }
    const QString why[] = {artStore->indexError(), artStore->dataError(),
                           tileDataStore->errorString()};
    for (int i = 0; i < 3; ++i) {
        if (!why[i].isEmpty()) {
            error = files[i].unreadable(values.*files[i].path, why[i]);
            return false;
        }
    }
    return true;
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
