#pragma once

#include "app/configuration.h"
#include "cache/cacheloader.h"

#include <QList>
#include <QString>

#include <memory>

class ArtStore;
class TileDataStore;

// The client files a command reads, named by a configuration file. Each step
// returns false on a file it cannot use; errorMessage() then names the file
// and why.
class ClientData
{
public:
    ClientData();
    ~ClientData();

    ClientData(const ClientData &) = delete;
    ClientData &operator=(const ClientData &) = delete;

    bool readConfiguration(const QString &path);
    // Reads the entries of the multi cache file, as the entry list does.
    bool loadEntries();
    // Opens the art and tile data files the preview draws from.
    bool openReaders();

    QString errorMessage() const { return error; }

    const QList<CacheEntry> &entries() const { return cacheEntries; }
    QString cachePath() const { return configuration.cache; }
    ArtStore *art() const { return artStore.get(); }
    const TileDataStore *tiles() const { return tileDataStore.get(); }

    // The entry list's text of entry n: "Entry " and n.
    static QString entryName(qsizetype n);
    // The entry an argument names, "Entry N" or a bare N; -1 (with the error
    // message set) when there is no such entry.
    qsizetype findEntry(const QString &argument);

    // The drag payload of the given entries, in order, under their list texts.
    QByteArray payload(const QList<qsizetype> &indices) const;

private:
    QString configPath;
    Configuration configuration;
    QList<CacheEntry> cacheEntries;
    std::unique_ptr<ArtStore> artStore;
    std::unique_ptr<TileDataStore> tileDataStore;
    QString error;
};
