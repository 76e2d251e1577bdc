#pragma once

#include <QByteArray>
#include <QCache>
#include <QImage>
#include <QString>

#include <memory>
#include <vector>

class ArtDataReader;
class QIODevice;

// Read-only access to the client's item art: the art index (32768 entries of
// 12 bytes: i32 lookup, i32 length, u32 extra) and the art data file.
class ArtStore
{
public:
    ArtStore(QString indexPath, QString dataPath);
    // Reads the whole index from `index` now and keeps `data` for later reads
    // (tests, fuzzing and tools give in-memory devices).
    ArtStore(QIODevice *index, std::unique_ptr<QIODevice> data);
    ~ArtStore();

    ArtStore(const ArtStore &) = delete;
    ArtStore &operator=(const ArtStore &) = delete;

    // Whether the index file was read and the data file opened; when not,
    // why (a regular file is required, so a FIFO or device is refused).
    bool indexOpened() const;
    bool dataOpened() const;
    QString indexError() const { return indexWhy; }
    QString dataError() const { return dataWhy; }

    // Bytes of a whole index: 32768 entries of 12 bytes, land art then item art.
    static constexpr qint64 IndexSize = 393216;
    // Item graphics, ids 0 to 16383: the index's second half.
    static constexpr int ItemGraphics = 16384;

    // What the index says of the 16384 item graphics, for reports.
    struct Survey
    {
        int withArt = 0;       // index entries that point at art
        int headerOutside = 0; // of those, entries whose header lies past the data's end
        qint64 indexBytes = 0; // of the index file read (a whole index is 393216)
        qint64 dataBytes = 0;  // size of the data file
        qint64 artEnd = 0;     // end of the furthest art any entry, land or item, points at
    };
    Survey survey() const;
    // Whether the graphic's index entry points at art (whatever its header says).
    bool hasArt(int graphicId) const;

    // Width and height of the graphic's art (0 x 0 without art); true when
    // both are non-zero. Reads only the entry's header; caches nothing.
    bool staticSize(int graphicId, qint16 &width, qint16 &height);
    // The decoded 16-bit bitmap (u16 w, u16 h, then w x h u16 pixels), owned
    // by the 20-entry cache and valid until the next insertion; null without
    // art.
    const QByteArray *decodedBitmap(int graphicId, qint16 &width, qint16 &height);
    // The bytes of the graphic's art entry from its header on, as far as the
    // entry window that decoding reads in one go holds them; null without
    // art. Nothing is decoded or cached.
    QByteArray entryBytes(int graphicId);
    // The graphic's art as ARGB32; null without art.
    QImage staticImage(int graphicId);

private:
    struct IndexEntry
    {
        qint32 lookup = 0;
        qint32 length = 0;
    };

    // Decoded bitmaps kept: the 20 most recently used.
    static constexpr int CachedBitmaps = 20;

    void load(QIODevice *index);
    // The graphic's index entry; false when it has no art.
    bool artEntry(int graphicId, IndexEntry &entry) const;
    static bool hasArt(const IndexEntry &entry);

    std::unique_ptr<QIODevice> dataFile;
    std::unique_ptr<ArtDataReader> dataReader;
    QCache<int, QByteArray> bitmapCache;
    std::vector<IndexEntry> index; // all 32768 entries, in file order
    bool indexWasOpened = false;
    qint64 indexBytesRead = 0;
    QString indexWhy;
    QString dataWhy;
};
