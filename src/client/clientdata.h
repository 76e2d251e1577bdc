#pragma once

#include "cache/multicache.h"
#include "core/configuration.h"
#include "core/shownname.h"
#include "export/multifilereader.h"

#include <QString>

#include <memory>

class ArtStore;
class TileDataStore;

// One of the four files a configuration names: its element, and the file in
// words, as the CLI's messages name it.
struct ClientFile
{
    const char *key;
    const char *what;
    QString Configuration::*path;

    // "configuration C names no art index file (artidx)"
    QString notNamed(const QString &configPath) const;
    // "cannot read art index file P: why"
    QString unreadable(const QString &path, const QString &why) const;
    // "not enough memory to read art index file P (N bytes)"
    QString tooLarge(const QString &path) const;
};
// Cache, art index, art data, tile data.
extern const ClientFile ClientFiles[4];

// Whether `path` is the user's own configuration file and none is there yet:
// the one for "korvane-cli config" to write.
bool configurationToWrite(const QString &path);
// "cannot open configuration P: why", saying how to write it when
// configurationToWrite(P).
QString cannotOpenConfiguration(const QString &path, const QString &why);

// The client files a command reads, named by a configuration file. Each step
// returns false on a file it cannot use; errorMessage() then names the file
// and why, in the readers' own words.
class ClientData
{
public:
    ClientData();
    ~ClientData();

    ClientData(const ClientData &) = delete;
    ClientData &operator=(const ClientData &) = delete;

    bool readConfiguration(const QString &path);
    // Takes the four files `paths` names (found in a client directory, say)
    // as a configuration at `origin` would name them.
    void usePaths(const Configuration &paths, const QString &origin);
    // Reads the entries of the multi cache file, as the entry list does.
    bool loadEntries();
    // Opens the art and tile data files the preview draws from.
    bool openReaders();

    QString errorMessage() const { return error; }

    const MultiCache &cache() const { return multiCache; }
    QString cachePath() const { return configuration.values.cache; }
    const Configuration &paths() const { return configuration.values; }
    ArtStore *art() const { return artStore.get(); }
    const TileDataStore *tiles() const { return tileDataStore.get(); }

    // The entry an argument names, "Entry N" or a bare N; -1 (with the error
    // message set) when there is no such entry.
    qsizetype findEntry(const QString &argument);

    // Whether an argument names a ".mlt" file rather than a cache entry.
    static bool isMultiFile(const QString &argument);
    // The entry an argument names: a ".mlt" file (the cache is not read), or
    // an entry of the cache file (read now if it was not). False, with the
    // error message set, when there is none.
    bool entry(const QString &argument, MultiEntry *entry);
    // The ".mlt" file at `path` as an entry named after the file.
    bool readMultiFileEntry(const QString &path, MultiEntry *entry);
    // The count and bounds of the ".mlt" file at `path`, read in pieces.
    bool readMultiFileSummary(const QString &path, MultiFileSummary *summary);

private:
    ConfigurationFile configuration;
    MultiCache multiCache;
    bool cacheLoaded = false;
    std::unique_ptr<ArtStore> artStore;
    std::unique_ptr<TileDataStore> tileDataStore;
    QString error;
};
