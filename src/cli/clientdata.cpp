#include "clientdata.h"

#include "cache/multipayload.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Why a client file the readers could not use is unusable, in words.
QString whyUnusable(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    return QStringLiteral("it cannot be read");
}

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

} // namespace

ClientData::ClientData() = default;
ClientData::~ClientData() = default;

bool ClientData::readConfiguration(const QString &path)
{
    configPath = path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot open configuration %1: %2").arg(path, file.errorString());
        return false;
    }
    configuration = ::readConfiguration(&file);
    return true;
}

bool ClientData::loadEntries()
{
    if (configuration.cache.isEmpty()) {
        error = QStringLiteral("configuration %1 names no cache file").arg(configPath);
        return false;
    }
    // A device or pipe could feed the loader without end.
    const QFileInfo info(configuration.cache);
    QFile file(configuration.cache);
    if (info.exists() && !info.isFile()) {
        error = QStringLiteral("cannot read cache file %1: not a regular file")
                    .arg(configuration.cache);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read cache file %1: %2")
                    .arg(configuration.cache, file.errorString());
        return false;
    }
    cacheEntries = loadCacheEntries(&file);
    return true;
}

bool ClientData::openReaders()
{
    const struct
    {
        const char *key;
        const char *what;
        QString path;
    } files[] = {{"artidx", "art index file", configuration.artidx},
                 {"artmul", "art data file", configuration.artmul},
                 {"tiledata", "tile data file", configuration.tiledata}};
    for (const auto &file : files) {
        if (file.path.isEmpty()) {
            error = QStringLiteral("configuration %1 names no %2 (%3)")
                        .arg(configPath, QLatin1String(file.what), QLatin1String(file.key));
            return false;
        }
    }

    artStore = std::make_unique<ArtStore>(configuration.artidx, configuration.artmul);
    tileDataStore = std::make_unique<TileDataStore>(configuration.tiledata);
    const bool opened[] = {artStore->indexOpened(), artStore->dataOpened(),
                           tileDataStore->opened()};
    for (int i = 0; i < 3; ++i) {
        if (!opened[i]) {
            error =
                QStringLiteral("cannot read %1 %2: %3")
                    .arg(QLatin1String(files[i].what), files[i].path, whyUnusable(files[i].path));
            return false;
        }
    }
    return true;
}

QString ClientData::entryName(qsizetype n)
{
    return QStringLiteral("Entry %1").arg(n);
}

qsizetype ClientData::findEntry(const QString &argument)
{
    const qsizetype n = entryNumber(argument);
    if (n >= 0 && n < cacheEntries.size())
        return n;
    if (cacheEntries.isEmpty())
        error = QStringLiteral("no entry \"%1\": cache file %2 has no entries")
                    .arg(argument, configuration.cache);
    else
        error = QStringLiteral("no entry \"%1\" in cache file %2 (Entry 0 to Entry %3)")
                    .arg(argument, configuration.cache)
                    .arg(cacheEntries.size() - 1);
    return -1;
}

QByteArray ClientData::payload(const QList<qsizetype> &indices) const
{
    QList<MultiEntry> chosen;
    chosen.reserve(indices.size());
    for (qsizetype n : indices)
        chosen.append({entryName(n), cacheEntries[n].bounds, cacheEntries[n].components});
    return encodeMultiPayload(chosen);
}
