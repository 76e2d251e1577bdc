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
// Why `what` (a .mlt file, say) cannot be drawn when the configuration at
// `path` could not be opened (`error`, as readConfiguration() put it):
// drawing needs the client's art and tile data, which only a configuration
// names.
QString cannotDrawWithoutConfiguration(const QString &what, const QString &path,
                                       const QString &error);

// The client files read, named by a configuration file: the one way the
// window and every command open them. Each step returns false on a file it
// cannot use; errorString() then names the file and why, in the readers' own
// words (the window ignores them).
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
    // Opens the art and tile data files the preview draws from. The readers
    // are there afterwards even when it returns false for a file they cannot
    // read (they then draw without it), unless memory could not hold them.
    bool openReaders();
    // Another art store on the same files, for a thread of its own: its
    // caches are not shared. Null, with the error message set, when memory
    // cannot hold its index.
    std::unique_ptr<ArtStore> openArtStore();

    QString errorString() const { return error; }

    const MultiCache &cache() const { return multiCache; }
    QString cachePath() const { return configuration.values.cache; }
    const Configuration &paths() const { return configuration.values; }
    ArtStore *art() const { return artStore.get(); }
    const TileDataStore *tiles() const { return tileDataStore.get(); }

    // The entry an argument names, "Entry N" or a bare N; -1 (with the error
    // message set) when there is no such entry.
    qsizetype findEntry(const QString &argument);

    // Whether an argument has the form of an entry's name: "Entry N" or N.
    static bool isEntryName(const QString &argument);
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
